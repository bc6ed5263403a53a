#include "rtf/rtf_document.h"

#include "rtf/rtf_writer_utils.h"

namespace vn::rtf {

TvnRTFPage::TvnRTFPage(TvnRTFDocument* ADocument) : vn::wordmodel::LaidOutWordPage(ADocument) {}

TvnRTFDocument::TvnRTFDocument()
    : FRTFHandler(std::make_unique<TvnRTFDocumentHandler>(this)),
      FRTFHeader(std::make_unique<writer::TvnRTFHeader>()),
      FDocArea(std::make_unique<writer::TvnRTFDocArea>()),
      FFormatter(std::make_unique<analyzer::TvnFormatter>(&FUnformattedData)) {
  FRTFHeader->RTFFactor = writer::TwipsPerPixel();
}

TvnRTFDocument::~TvnRTFDocument() {
  // The pages refer to the handler's Word pages: they go first.
  ClearPages();
}

std::unique_ptr<vn::wordmodel::LaidOutWordPage> TvnRTFDocument::NewPage() { return std::make_unique<TvnRTFPage>(this); }

int32_t TvnRTFDocument::GetPageCount() { return FRTFHandler->GetPageCount(); }

void TvnRTFDocument::LoadFromFile(const String& FileName, const String&) {
  FRTFHandler->LoadDocument(FileName);
  FFileName = FileName;
  TakeHandlerPages();
}

void TvnRTFDocument::LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) {
  // The document keeps (and with FreeStream frees) the stream it read.
  SetSourceStream(Stream, FreeStream);
  FRTFHandler->LoadDocument(Stream);
  TakeHandlerPages();
}

void TvnRTFDocument::TakeHandlerPages() {
  // Only after a load that succeeded: a failed one leaves the pages as they were.
  ClearPages();
  BuildPages(FRTFHandler->GetPages(), FRTFHandler->GetBody().Sections);
}

}  // namespace vn::rtf
