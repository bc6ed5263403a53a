#include "rtf/rtf_document.h"

namespace vn::rtf {

TvnRTFDocument::TvnRTFDocument() : FRTFHandler(std::make_unique<TvnRTFDocumentHandler>(this)) {}

TvnRTFDocument::~TvnRTFDocument() = default;

int32_t TvnRTFDocument::GetPageCount() { return FRTFHandler->GetPageCount(); }

void TvnRTFDocument::LoadFromFile(const String& FileName, const String&) {
  FRTFHandler->LoadDocument(FileName);
  FFileName = FileName;
  FIsLoaded = true;
}

void TvnRTFDocument::LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) {
  // The document keeps (and with FreeStream frees) the stream it read.
  SetSourceStream(Stream, FreeStream);
  FRTFHandler->LoadDocument(Stream);
  FIsLoaded = true;
}

}  // namespace vn::rtf
