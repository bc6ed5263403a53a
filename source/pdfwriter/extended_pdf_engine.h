// TvnExPDFEngine: the PDF engine with interactive content, and TvnPDFEngine,
// the component the PDF document type creates. The interactive content
// (form fields, annotations and actions, custom metadata, attachments, the
// CCITT encoder) joins through the overrides here; a document without such
// content is written exactly as by the base engine.
#pragma once

#include <memory>

#include "pdfwriter/pdf_engine.h"
#include "pdfwriter/pdf_metadata.h"

namespace vn::pdfwriter {

class TvnExPDFEngine : public TvnCustomPDFEngine {
 public:
  explicit TvnExPDFEngine(TvnBaseComponent* AOwner = nullptr);

  // A custom document-information property, written into the document's
  // XMP metadata (pdf_metadata.cpp). The engine takes it over; without a
  // started document it is dropped. EArgumentException when its name
  // cannot be an XML element name.
  void AddCustomDocInfo(std::unique_ptr<TvnPDFCustomDocInfo> ACustomDocInfo);
  // Embeds the file AAttachmentFilepath, the full path of a file named
  // AAttachmentName (a path not ending in that name is taken as its folder;
  // pdf_attachments.cpp).
  void AttachFile(const String& AAttachmentFilepath, const String& AAttachmentName) override;

 protected:
  // The catalog entries; the screen resolution is set again afterwards.
  std::string WriteCatalog() override;
  // CCITT Group 3 (ifCCITT3) or Group 4 data of the picture (pdf_images.cpp).
  std::unique_ptr<vn::TMemoryStream> EncodeCCITT(const vn::platform::Bitmap& Bitmap,
                                                 vn::exporter::TvnOutputImageFormat Format) override;
};

class TvnPDFEngine : public TvnExPDFEngine {
 public:
  using TvnExPDFEngine::TvnExPDFEngine;
};

}  // namespace vn::pdfwriter
