// Image files as documents: a picture opens as a document of one page (a
// TIFF file as one page per frame), each page draws itself onto a canvas at
// any size and at quarter-turn rotations, and an image document filled with
// the pages of any other document (Assign rasterises each page) saves them
// in its format. TvnImageHandler reads every format (ICO, GIF and CUR are
// read only); the format classes of image_formats.h add the writers.
//
// Ownership: the document owns its pages (a dictionary by page number) and,
// when loaded with FreeStream, the stream it was loaded from. A page links
// back to its document (not owned). A TIFF keeps its frames undecoded until
// a page is asked for and its picture until that page is first drawn.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "framework/base_document.h"
#include "platform/images/picture.h"
#include "runtime/exceptions.h"

namespace vn::platform {
class TiffReader;
}

namespace vn::framework {

class TvnImageHandler;

class TvnImagePage : public TvnBasePage {
 public:
  using TvnBasePage::Draw;
  // A page of AOwner holding APicture; its pixel size is the picture's. A
  // TIFF frame page gets an empty picture and the frame's size, and decodes
  // the frame when first drawn.
  TvnImagePage(TvnImageHandler* AOwner, vn::platform::Picture APicture);
  TvnImagePage(TvnImageHandler* AOwner, int32_t AWidth, int32_t AHeight);

  // The pixel size read at 96 dpi, as points (pixels x 0.75), in the
  // document's measurement unit.
  TvnPageSize GetPageSize() override;
  // Paints (0, 0, AWidth, AHeight) white, then the picture stretched over
  // it, turned clockwise by ARotation (90, 180, 270; -90, -180, -270 turn
  // anticlockwise): the turned picture fills the rectangle. Any other angle
  // paints only the white. The resolutions are not used. A picture decoded
  // from JPEG and drawn unturned goes to the canvas as its JPEG data.
  void Draw(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t AxDPI, int32_t AyDPI,
            int32_t ARotation) override;

  // The page's picture (a TIFF frame is decoded here on first use).
  const vn::platform::Picture& GetPicture();
  // The picture as a bitmap; a metafile is drawn onto white at its size.
  vn::platform::Bitmap GetBitmap();

 private:
  // The picture with its pixels: a JPEG is decoded here on first use.
  const vn::platform::Picture& GetPixels();

  TvnImageHandler* FDocument;  // the owner, not owned
  vn::platform::Picture FPicture;
};

// A page whose picture is a metafile.
class TMetafilePage : public TvnImagePage {
 public:
  TMetafilePage(TvnImageHandler* AOwner, vn::platform::Picture APicture);
};

class TvnImageHandler : public TvnBaseDocument {
 public:
  TvnImageHandler();
  ~TvnImageHandler() override;

  // The formats of this class (icons, GIF, cursors) are read, not written.
  static TvnEngineCapabilities GetEngineCapabilities() { return {TvnEngineCapability::ecOpen}; }
  static TvnDocumentType GetDocumentType() { return TvnDocumentType::dtImage; }

  // A missing file raises Exception "File Not found", one that cannot be
  // opened Exception "Unable to open file"; the file is then read through
  // LoadFromStream, which owns the file stream from then on.
  void LoadFromFile(const String& FileName, const String& Password) override;
  // Reads the picture from the start of Stream (the password is not used).
  // A TIFF gives one page per frame; a metafile a TMetafilePage; every other
  // picture one page. Damage raises ExInvalidImageFormat with the decoder's
  // message. With FreeStream the document owns Stream from the call on,
  // also when loading fails.
  void LoadFromStream(vn::TStream* Stream, const String& Password, bool FreeStream) override;
  int32_t GetPageCount() override { return FPageCount; }
  // The page under Index; a TIFF frame page is made on first request; nil
  // outside 1..PageCount.
  TvnPage* GetPage(int32_t Index) override;
  // Appends the selected pages of SourceDocument rasterised at the
  // resolution of the encoder parameters (96 by 96 dpi unless a
  // TvnImageEncoderParams says otherwise): a page of W x H points becomes a
  // bitmap of W x DPIX / 72 by H x DPIY / 72 pixels, rounded.
  void Assign(TvnBaseDocument* SourceDocument, const String& PageRange) override;

  const String& GetInputFilePath() const { return FInputFilePath; }
  // The largest raster picture or TIFF frame that loading decodes (the
  // platform decoders' limit unless set); larger ones raise
  // ExInvalidImageFormat.
  const vn::platform::DecodeLimits& GetDecodeLimits() const { return FDecodeLimits; }
  void SetDecodeLimits(const vn::platform::DecodeLimits& Value) { FDecodeLimits = Value; }

 protected:
  friend class TvnImagePage;

  // The page under Index; raises ExInvalidPageError when there is none.
  TvnImagePage* PageToSave(int32_t Index);
  // Writes one output's bytes to OutStream when StreamOutput, else to the
  // file OutFilePath, which appears whole or not at all.
  void WriteOutput(const std::string& ABytes);
  // Asks for the target of page Index and writes the bytes AEncode makes of
  // its bitmap: one output named oiDocument for a one-page document, one
  // oiPage output per page otherwise.
  template <typename Encode>
  bool SaveEachPage(Encode&& AEncode);
  // Frame APageNumber of the open TIFF.
  vn::platform::Picture FramePicture(int32_t APageNumber);
  void Clear();

  String FInputFilePath;
  std::map<int32_t, std::unique_ptr<TvnImagePage>> FPageCollection;
  int32_t FPageCount = 1;
  std::unique_ptr<vn::platform::TiffReader> FTIFFImage;
  vn::platform::DecodeLimits FDecodeLimits;
};

template <typename Encode>
bool TvnImageHandler::SaveEachPage(Encode&& AEncode) {
  const int32_t count = FPageCount;
  for (int32_t i = 1; i <= count; ++i) {
    TvnImagePage* page = PageToSave(i);
    RequestOutputTarget(count == 1 ? TvnOutputItem::oiDocument : TvnOutputItem::oiPage, i, count);
    WriteOutput(AEncode(*page));
  }
  return true;
}

}  // namespace vn::framework
