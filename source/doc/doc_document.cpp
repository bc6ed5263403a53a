#include "doc/doc_document.h"

#include "framework/document_routines.h"
#include "runtime/exceptions.h"
#include "wordmodel/word_page_drawing.h"

namespace vn::doc {


namespace docfw = vn::framework;

docfw::TvnPageSize TvnqDOCPage::GetPageSize() {
  const docfw::TvnMeasurementUnit unit = FDocument->GetMeasurementUnit();
  return {docfw::PointsToUnit(unit, FPageSize.Height * 72 / 96), docfw::PointsToUnit(unit, FPageSize.Width * 72 / 96)};
}

void TvnqDOCPage::Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t, int32_t,
                        int32_t ARotation) {
  wordmodel::DrawWordPage(ACanvas, AWidth, AHeight, ARotation, FPageElements, *this, *FDocument);
}

TvnqDOCDocument::TvnqDOCDocument() : FDOCHandler(std::make_unique<TvnDOCDocumentHandler>(this)) {}

TvnqDOCDocument::~TvnqDOCDocument() {
  // The pages refer to the handler's Word pages: they go first.
  ClearPages();
}

void TvnqDOCDocument::ClearPages() {
  FPageCollection.clear();
  FSections.clear();
  FIsLoaded = false;
}

void TvnqDOCDocument::LoadFromFile(const String& FileName, const String&) {
  ClearPages();
  FFileName = FileName;
  FDOCHandler->LoadDocument(FileName);
  BuildPages();
}

void TvnqDOCDocument::LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) {
  SetSourceStream(Stream, FreeStream);
  ClearPages();
  FDOCHandler->LoadDocument(Stream);
  BuildPages();
}

void TvnqDOCDocument::BuildPages() {
  FSections = FDOCHandler->GetSections();
  int32_t number = 0;
  for (const std::unique_ptr<wordmodel::TvnWordPage>& wordPage : FDOCHandler->GetPages()) {
    auto page = std::make_unique<TvnqDOCPage>(this);
    page->SetPageSize(wordPage->GetPageSize());
    page->PageElements() = wordPage->PageElements().Items();
    page->DomElements() = wordPage->GetPageParagraphs();
    page->TvnPage::SetPageNumber(++number);
    FPageCollection[number] = std::move(page);
  }
  FIsLoaded = true;
}

int32_t TvnqDOCDocument::GetPageCount() { return static_cast<int32_t>(FPageCollection.size()); }

docfw::TvnPage* TvnqDOCDocument::GetPage(int32_t Index) {
  const auto it = FPageCollection.find(Index);
  if (it == FPageCollection.end()) throw vn::EArgumentOutOfRangeException("Argument out of range");
  return it->second.get();
}

}  // namespace vn::doc
