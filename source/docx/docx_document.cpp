#include "docx/docx_document.h"

namespace vn::docx {

TvnqDOCXDocument::TvnqDOCXDocument() : FDOCHandler(std::make_unique<TvnDOCXDocumentHandler>(this)) {}

TvnqDOCXDocument::~TvnqDOCXDocument() {
  // The pages refer to the handler's Word pages: they go first.
  ClearPages();
}

std::unique_ptr<vn::wordmodel::LaidOutWordPage> TvnqDOCXDocument::NewPage() { return std::make_unique<TvnqDOCXPage>(this); }

void TvnqDOCXDocument::LoadFromFile(const String& FileName, const String&) {
  ClearPages();
  FFileName = FileName;
  FDOCHandler->LoadDocument(FileName);
  BuildPages(FDOCHandler->GetPages(), FDOCHandler->GetSections());
}

void TvnqDOCXDocument::LoadFromStream(vn::TStream* Stream, const String&, bool FreeStream) {
  SetSourceStream(Stream, FreeStream);
  ClearPages();
  FDOCHandler->LoadDocument(Stream);
  BuildPages(FDOCHandler->GetPages(), FDOCHandler->GetSections());
}

}  // namespace vn::docx
