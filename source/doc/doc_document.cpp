#include "doc/doc_document.h"

namespace vn::doc {

TvnqDOCDocument::TvnqDOCDocument() : FDOCHandler(std::make_unique<TvnDOCDocumentHandler>(this)) {}

TvnqDOCDocument::~TvnqDOCDocument() {
  // The pages refer to the handler's Word pages: they go first.
  ClearPages();
}

std::unique_ptr<vn::wordmodel::LaidOutWordPage> TvnqDOCDocument::NewPage() { return std::make_unique<TvnqDOCPage>(this); }

void TvnqDOCDocument::LoadFromFile(const String& FileName, const String&) {
  ClearPages();
  FFileName = FileName;
  FDOCHandler->LoadDocument(FileName);
  BuildPages(FDOCHandler->GetPages(), FDOCHandler->GetSections());
}

void TvnqDOCDocument::LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) {
  SetSourceStream(Stream, FreeStream);
  ClearPages();
  FDOCHandler->LoadDocument(Stream);
  BuildPages(FDOCHandler->GetPages(), FDOCHandler->GetSections());
}

}  // namespace vn::doc
