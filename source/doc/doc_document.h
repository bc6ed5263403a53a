// The DOC document type, registered for ".doc" ("Word 97-2003 Document")
// and ".dot" ("Word 97-2003 Template"): a Word 97-2003 document or
// template read through its handler and laid out into fixed pages by the Word layout. The document
// only reads; it has no save path.
//
// Each laid-out Word page becomes a TvnqDOCPage (see LaidOutWordPage); the
// document keeps them as a LaidOutWordDocument does.
//
// Ownership: the document owns its handler (which owns the Word pages, the
// body items and the sections) and its pages.
#pragma once

#include <memory>

#include "doc/doc_document_handler.h"
#include "wordmodel/laid_out_word_document.h"

namespace vn::doc {

class TvnqDOCPage : public vn::wordmodel::LaidOutWordPage {
 public:
  using vn::wordmodel::LaidOutWordPage::LaidOutWordPage;
};

class TvnqDOCDocument : public vn::wordmodel::LaidOutWordDocument {
 public:
  TvnqDOCDocument();
  ~TvnqDOCDocument() override;

  static vn::framework::TvnEngineCapabilities GetEngineCapabilities() {
    return {vn::framework::TvnEngineCapability::ecOpen};
  }
  static vn::framework::TvnDocumentType GetDocumentType() { return vn::framework::TvnDocumentType::dtFlow; }

  // Loads the file through the handler (see its LoadDocument for the
  // errors). The password is not used. Whatever the file's bytes are, they
  // go to the package: bytes that are not a Word 97-2003 document raise
  // EDOCFormatError rather than give an empty document.
  void LoadFromFile(const String& FileName, const String& Password) override;
  // Loads the document in Stream; the password is not used; with FreeStream
  // the document owns the stream from this call on. A failed load leaves
  // the document empty and not loaded.
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;

  TvnDOCDocumentHandler* GetDOCHandler() const { return FDOCHandler.get(); }

 protected:
  std::unique_ptr<vn::wordmodel::LaidOutWordPage> NewPage() override;

 private:
  std::unique_ptr<TvnDOCDocumentHandler> FDOCHandler;
};

}  // namespace vn::doc
