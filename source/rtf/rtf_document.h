// The RTF document type, registered for ".rtf" ("Rich Text Format"): its
// reading half loads an RTF file or stream into the Word document model
// through TvnRTFDocumentHandler, which lays it out into fixed pages with the
// Word layout.
//
// Each laid-out Word page becomes a TvnRTFPage, a laid-out Word page (see
// wordmodel/laid_out_word_document.h); pages are numbered from 1 and an index
// outside them raises EArgumentOutOfRangeException "Argument out of range".
//
// Ownership: the document owns its handler (which owns the Word pages and
// the body items) and its pages; a page's lists refer to items the handler
// owns and free nothing themselves. A page links back to its document (not
// owned).
#pragma once

#include <memory>

#include "framework/base_document.h"
#include "rtf/rtf_document_handler.h"
#include "wordmodel/laid_out_word_document.h"

namespace vn::rtf {

class TvnRTFDocument;

// A laid-out Word page of an RTF document.
class TvnRTFPage : public vn::wordmodel::LaidOutWordPage {
 public:
  explicit TvnRTFPage(TvnRTFDocument* ADocument);
};

class TvnRTFDocument : public vn::wordmodel::LaidOutWordDocument {
 public:
  TvnRTFDocument();
  ~TvnRTFDocument() override;

  static vn::framework::TvnEngineCapabilities GetEngineCapabilities() {
    return {vn::framework::TvnEngineCapability::ecOpen, vn::framework::TvnEngineCapability::ecSave};
  }
  static vn::framework::TvnDocumentType GetDocumentType() { return vn::framework::TvnDocumentType::dtFlow; }

  // The handler's page count: 1 before any load.
  int32_t GetPageCount() override;
  // Load the file or stream (the password is not used: RTF has no
  // encryption). The document counts as loaded once the load succeeded; an
  // error of the load propagates and leaves it as it was.
  void LoadFromFile(const String& FileName, const String& Password) override;
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;

  TvnRTFDocumentHandler* GetHandler() const { return FRTFHandler.get(); }

 protected:
  std::unique_ptr<vn::wordmodel::LaidOutWordPage> NewPage() override;

 private:
  // Wraps each Word page of the handler as a page of the document, in place
  // of the pages of an earlier load.
  void TakeHandlerPages();

  std::unique_ptr<TvnRTFDocumentHandler> FRTFHandler;
};

}  // namespace vn::rtf
