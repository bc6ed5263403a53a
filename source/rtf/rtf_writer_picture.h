// The RTF writer's picture: a floating picture frame (shape type 75)
// anchored to its paragraph, whose "pib" property holds a "{\pict" group.
// The picture data take one of four forms, chosen by the image settings'
// output format:
// - JPEG ("\jpegblip"): a picture read from a JPEG file keeps its bytes as
//   they are; any other picture is rendered into a bitmap and compressed;
// - PNG ("\pngblip"): the rendered bitmap through the writer's own encoder;
// - enhanced metafile ("\emfblip"): the picture recorded by the metafile
//   canvas;
// - otherwise ("\wmetafile8"): the rendered bitmap as a BMP inside a Windows
//   metafile of one stretch-bitmap record.
// The data are hexadecimal text, or raw bytes after "\bin" when asked (the
// metafile wrapper always stays hexadecimal).
//
// A picture that cannot be encoded (none given, no pixels, too large, a
// codec failure) raises EImageEncodeError or the error of the step that
// failed; the paragraph that holds the picture leaves it out.
//
// Ownership: the picture element keeps a shared copy of the picture (the
// platform's pictures are immutable) and borrows the RTF header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/images/bitmap.h"
#include "platform/images/picture.h"
#include "rtf/rtf_writer_header.h"
#include "rtf/rtf_writer_settings.h"
#include "rtf/rtf_writer_utils.h"

namespace vn::rtf::writer {

// The JPEG file of ABitmap at AQuality (1 to 100); a bitmap one pixel high
// is made two pixels high first.
std::string EncodeJPEG(const platform::Bitmap& ABitmap, int32_t AQuality);

// The PNG file of ABitmap as 8-bit RGB, written by this writer: signature,
// IHDR, tRNS when a transparent colour is given (its red, green and blue as
// 16-bit samples), the zlib stream (level 9) in IDAT chunks of 10240 bytes,
// IEND; each chunk with the CRC-32 of its type and data. An empty bitmap
// raises EImageEncodeError.
void EncodePNG(const platform::Bitmap& ABitmap, std::optional<platform::Color> ATransparentColor,
               TvnExtMemStream& AStream);

// Saves ABitmap into AStream as a BMP file and answers, as hexadecimal text,
// the Windows metafile records that go before the bitmap's information
// header: the metafile header, window origin and extent, text and
// background colours, stretch mode and the head of a stretch-bitmap record
// (source copy) of the bitmap's size. AStream is left after the 14-byte BMP
// file header; the metafile ends with the end record "030000000000" after
// the bitmap. A bitmap wider or higher than 32767 pixels raises
// EImageEncodeError (the metafile's coordinates are 16-bit).
std::string BuildWMFHeader(TMemoryStream& AStream, const platform::Bitmap& ABitmap);

class TvnRTFPicture : public TvnRTFElement {
 public:
  TvnRTFPicture(platform::Picture AGraphic, TvnRTFHeader* AHeader);
  TvnRTFElementType GetElementType() const override { return TvnRTFElementType::etPicture; }

  // The shape text with its picture group.
  std::string Encode() override;
  // The picture-type word and the data of the "{\pict" group.
  std::string EncodePictureData();
  // The picture drawn on a bitmap filled with the brush, at the picture's
  // size, or stretched to Width x Height with auto-size.
  platform::Bitmap RenderBitmap();
  // The picture recorded as an enhanced metafile of Width x Height pixels.
  std::string RenderMetafile();

  const platform::Picture& Graphic() const { return FGraphic; }
  TvnRTFHeader* Header() const { return FHeader; }
  TvnImageSettings& Settings() { return FSettings; }
  void SetSettings(const TvnImageSettings& AValue) { FSettings.Assign(AValue); }

  TvnFrame Frame;
  platform::Pen Pen;
  // The background the picture is drawn on: white, solid.
  platform::Brush Brush;
  // Where the shape goes, relative to its paragraph (pixels).
  TvnRect DisplayRect;
  double X = 0, Y = 0;
  int32_t IndexNo = 0;
  // A target size in pixels for auto-size and the metafile form; 0: the
  // picture's own size.
  double Width = 0, Height = 0;
  double RTFFactor;  // twips per pixel
  bool GraphicDataInBinary = false;

 private:
  // Width x Height rounded, each 0 replaced by the picture's own side.
  int32_t TargetWidth() const;
  int32_t TargetHeight() const;

  TvnImageSettings FSettings;
  platform::Picture FGraphic;
  TvnRTFHeader* FHeader;
};

}  // namespace vn::rtf::writer
