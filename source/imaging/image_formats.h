// The image formats that are written: each class reads like TvnImageHandler
// and adds the writer of its format. Save writes every page, asking the host
// for each output's target first (RequestOutputTarget), and returns true;
// an encoder failure raises ExInvalidImageFormat, a document without pages
// ExInvalidPageError.
#pragma once

#include "imaging/image_handler.h"

namespace vn::framework {

// TIFF: one file per page, or every page as a frame of one file when the
// encoder parameters are a TvnTIFFEncoderParams with MultiPageTIFF.
class TvnTIFFHandler : public TvnImageHandler {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() {
    return {TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave};
  }
  bool Save() override;
};

// Enhanced metafiles (".emf") and placeable Windows metafiles (".wmf"): a
// file target whose name ends in ".wmf" gets a Windows metafile, every other
// target an enhanced metafile. A page holds its picture as a decoded bitmap
// (a loaded enhanced metafile is written as it is).
class TvnMetaFileHandler : public TvnImageHandler {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() {
    return {TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave};
  }
  bool Save() override;
};

class TvnJPEGHandler : public TvnImageHandler {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() {
    return {TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave};
  }
  bool Save() override;
};

class TvnPNGHandler : public TvnImageHandler {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() {
    return {TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave};
  }
  bool Save() override;
};

class TvnBitmapHandler : public TvnImageHandler {
 public:
  static TvnEngineCapabilities GetEngineCapabilities() {
    return {TvnEngineCapability::ecOpen, TvnEngineCapability::ecSave};
  }
  bool Save() override;
};

// A placeable Windows metafile (96 units per inch) that draws ABitmap over
// its whole frame. Pictures wider or taller than 32767 pixels raise
// ExInvalidImageFormat (the format's coordinates are 16-bit).
std::string EncodePlaceableWmf(const vn::platform::Bitmap& ABitmap);

}  // namespace vn::framework
