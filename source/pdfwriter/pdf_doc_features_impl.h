// The state of the PDF engine's document features, kept by the engine in
// FFeatures (made with it): the encryption object and file identifier, the
// outline root, the thumbnail requests, the attached files and the custom
// XMP properties. Internal to the PDF writer; pdf_security.cpp,
// pdf_outlines.cpp, pdf_attachments.cpp and pdf_metadata.cpp use it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "pdfwriter/pdf_metadata.h"
#include "pdfwriter/pdf_security.h"
#include "pdfwriter/pdf_settings.h"

namespace vn::pdfwriter {

// One file to embed: its name and the folder it is read from.
struct TvnPDFAttachment {
  String FileName;
  String Folder;
};

struct TvnPDFDocumentFeatures {
  // ---- per document (reset when a document starts)
  // The PDF/A part of the document (1, 2 or 3), 0 for plain PDF.
  int32_t PDFAPart = 0;
  std::unique_ptr<TvnPDFEncryption> Encryption;
  int32_t EncryptionObjNo = 0;
  // Written in the trailer as /ID: encrypted or PDF/A output.
  std::optional<vn::MD5Digest> FileID;
  // The outline root, allocated with the catalog.
  int32_t Outlines = 0;
  // The thumbnail request of each page (by page number), and the
  // thumbnails given an object, per image resource index, for reuse.
  std::map<int32_t, TvnPDFThumbnailItem> Thumbnails;
  std::map<int32_t, std::vector<TvnPDFThumbnailItem>> ThumbnailReuse;
  // The ICC profile stream of PDF/A output (0 until written).
  int32_t ProfileObject = 0;
  // Custom XMP properties (the extended engine's AddCustomDocInfo).
  std::vector<TvnPDFCustomDocInfo> CustomDocInfo;

  // ---- until the document ends (EndDoc): files may be attached before it
  // starts.
  std::vector<TvnPDFAttachment> Attachments;

  void StartDocument() {
    PDFAPart = 0;
    Encryption.reset();
    EncryptionObjNo = 0;
    FileID.reset();
    Outlines = 0;
    Thumbnails.clear();
    ThumbnailReuse.clear();
    ProfileObject = 0;
    CustomDocInfo.clear();
  }
};

}  // namespace vn::pdfwriter
