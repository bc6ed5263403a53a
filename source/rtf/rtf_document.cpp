#include "rtf/rtf_document.h"

#include "framework/document_routines.h"
#include "runtime/exceptions.h"
#include "wordmodel/word_page_drawing.h"

namespace vn::rtf {

namespace fw = vn::framework;

fw::TvnPageSize TvnRTFPage::GetPageSize() {
  const fw::TvnMeasurementUnit unit = FDocument->GetMeasurementUnit();
  return {fw::PointsToUnit(unit, FPageSize.Height * 72 / 96), fw::PointsToUnit(unit, FPageSize.Width * 72 / 96)};
}

void TvnRTFPage::Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t, int32_t,
                      int32_t ARotation) {
  vn::wordmodel::DrawWordPage(ACanvas, AWidth, AHeight, ARotation, FPageElements, *this, *FDocument);
}

TvnRTFDocument::TvnRTFDocument() : FRTFHandler(std::make_unique<TvnRTFDocumentHandler>(this)) {}

TvnRTFDocument::~TvnRTFDocument() {
  // The pages refer to the handler's Word pages: they go first.
  FPageCollection.clear();
}

int32_t TvnRTFDocument::GetPageCount() { return FRTFHandler->GetPageCount(); }

fw::TvnPage* TvnRTFDocument::GetPage(int32_t Index) {
  const auto it = FPageCollection.find(Index);
  if (it == FPageCollection.end()) throw vn::EArgumentOutOfRangeException("Argument out of range");
  return it->second.get();
}

void TvnRTFDocument::LoadFromFile(const String& FileName, const String&) {
  FRTFHandler->LoadDocument(FileName);
  FFileName = FileName;
  BuildPages();
}

void TvnRTFDocument::LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) {
  // The document keeps (and with FreeStream frees) the stream it read.
  SetSourceStream(Stream, FreeStream);
  FRTFHandler->LoadDocument(Stream);
  BuildPages();
}

void TvnRTFDocument::BuildPages() {
  FPageCollection.clear();
  int32_t number = 0;
  for (const std::unique_ptr<vn::wordmodel::TvnWordPage>& wordPage : FRTFHandler->GetPages()) {
    auto page = std::make_unique<TvnRTFPage>(this);
    page->SetPageSize(wordPage->GetPageSize());
    page->PageElements() = wordPage->PageElements().Items();
    page->DomElements() = wordPage->GetPageParagraphs();
    page->TvnPage::SetPageNumber(++number);
    FPageCollection[number] = std::move(page);
  }
  FIsLoaded = true;
}

}  // namespace vn::rtf
