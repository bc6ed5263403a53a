#include "docx/docx_document.h"

#include "framework/document_routines.h"
#include "runtime/exceptions.h"
#include "wordmodel/word_page_drawing.h"

namespace vn::docx {

namespace fw = vn::framework;

fw::TvnPageSize TvnqDOCXPage::GetPageSize() {
  const fw::TvnMeasurementUnit unit = FDocument->GetMeasurementUnit();
  return {fw::PointsToUnit(unit, FPageSize.Height * 72 / 96), fw::PointsToUnit(unit, FPageSize.Width * 72 / 96)};
}

void TvnqDOCXPage::Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t, int32_t,
                        int32_t ARotation) {
  wordmodel::DrawWordPage(ACanvas, AWidth, AHeight, ARotation, FPageElements, *this, *FDocument);
}

TvnqDOCXDocument::TvnqDOCXDocument() : FDOCHandler(std::make_unique<TvnDOCXDocumentHandler>(this)) {}

TvnqDOCXDocument::~TvnqDOCXDocument() {
  // The pages refer to the handler's Word pages: they go first.
  ClearPages();
}

void TvnqDOCXDocument::ClearPages() {
  FPageCollection.clear();
  FSections.clear();
  FIsLoaded = false;
}

void TvnqDOCXDocument::LoadFromFile(const String& FileName, const String&) {
  ClearPages();
  FFileName = FileName;
  FDOCHandler->LoadDocument(FileName);
  BuildPages();
}

void TvnqDOCXDocument::LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) {
  SetSourceStream(Stream, FreeStream);
  ClearPages();
  FDOCHandler->LoadDocument(Stream);
  BuildPages();
}

void TvnqDOCXDocument::BuildPages() {
  FSections = FDOCHandler->GetSections();
  int32_t number = 0;
  for (const std::unique_ptr<wordmodel::TvnWordPage>& wordPage : FDOCHandler->GetPages()) {
    auto page = std::make_unique<TvnqDOCXPage>(this);
    page->SetPageSize(wordPage->GetPageSize());
    page->PageElements() = wordPage->PageElements().Items();
    page->DomElements() = wordPage->GetPageParagraphs();
    page->TvnPage::SetPageNumber(++number);
    FPageCollection[number] = std::move(page);
  }
  FIsLoaded = true;
}

int32_t TvnqDOCXDocument::GetPageCount() { return static_cast<int32_t>(FPageCollection.size()); }

fw::TvnPage* TvnqDOCXDocument::GetPage(int32_t Index) {
  const auto it = FPageCollection.find(Index);
  if (it == FPageCollection.end()) throw vn::EArgumentOutOfRangeException("Argument out of range");
  return it->second.get();
}

}  // namespace vn::docx
