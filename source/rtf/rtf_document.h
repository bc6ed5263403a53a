// The RTF document type: its reading half loads an RTF file or stream into
// the Word document model through TvnRTFDocumentHandler.
//
// Pages come from the Word layout, which this type does not drive yet: a
// loaded document holds its body (GetHandler()->GetBody()) and no pages, so
// the type is not registered with the format registry until it has them.
#pragma once

#include <memory>

#include "framework/base_document.h"
#include "rtf/rtf_document_handler.h"

namespace vn::rtf {

class TvnRTFDocument : public vn::framework::TvnBaseDocument {
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

 private:
  std::unique_ptr<TvnRTFDocumentHandler> FRTFHandler;
};

}  // namespace vn::rtf
