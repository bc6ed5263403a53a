// The DOCX document type, registered for ".docx" ("Word Document") and
// ".dotx" ("Word Template"): a Word 2007+ document or template read through
// its handler and laid out into fixed pages by the Word layout. The document
// only reads; it has no save path.
//
// Each laid-out Word page becomes a TvnqDOCXPage (see LaidOutWordPage); the
// document keeps them as a LaidOutWordDocument does.
//
// Ownership: the document owns its handler (which owns the Word pages, the
// body items and the sections) and its pages.
#pragma once

#include <memory>

#include "docx/docx_document_handler.h"
#include "wordmodel/laid_out_word_document.h"

namespace vn::docx {

class TvnqDOCXPage : public vn::wordmodel::LaidOutWordPage {
 public:
  using vn::wordmodel::LaidOutWordPage::LaidOutWordPage;
};

class TvnqDOCXDocument : public vn::wordmodel::LaidOutWordDocument {
 public:
  TvnqDOCXDocument();
  ~TvnqDOCXDocument() override;

  static vn::framework::TvnEngineCapabilities GetEngineCapabilities() {
    return {vn::framework::TvnEngineCapability::ecOpen};
  }
  static vn::framework::TvnDocumentType GetDocumentType() { return vn::framework::TvnDocumentType::dtFlow; }

  // Loads the file through the handler (see its LoadDocument for the
  // errors). The password is not used. Whatever the file's bytes are, they
  // go to the package: bytes that are not a zip archive raise the archive
  // reader's error rather than give an empty document.
  void LoadFromFile(const String& FileName, const String& Password) override;
  // Loads the package in Stream; the password is not used; with FreeStream
  // the document owns the stream from this call on. A failed load leaves
  // the document empty and not loaded.
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;

  TvnDOCXDocumentHandler* GetDOCHandler() const { return FDOCHandler.get(); }

 protected:
  std::unique_ptr<vn::wordmodel::LaidOutWordPage> NewPage() override;

 private:
  std::unique_ptr<TvnDOCXDocumentHandler> FDOCHandler;
};

}  // namespace vn::docx
