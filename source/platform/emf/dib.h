// Device-independent bitmaps as metafile records and canvases carry them:
// the information header with its colour table, and the pixel bits apart.
//
// DecodeDib reads one with the BMP codec's decoder (image_codecs.h), as
// forgivingly as the window system draws the bitmaps of real metafiles:
// pixel data cut short give the rows they hold, a missing colour table
// gives black, each reported; a bitmap far larger than its data, or beyond
// kMaxImagePixels, is refused. EncodeDib24 makes the 24-bit bitmap a
// recording keeps, with alpha composited onto white; MakeJpegDib keeps
// JPEG bytes as they are (BI_JPEG).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/images/bitmap.h"
#include "platform/images/image_codecs.h"
#include "runtime/diagnostics.h"

namespace vn::platform {

struct DibData {
  std::string info;  // BITMAPINFOHEADER (and masks / colour table)
  std::string bits;
  bool empty() const { return info.empty() || bits.empty(); }
  bool operator==(const DibData&) const = default;
};

// The raster operation of a plain copy.
constexpr uint32_t kSrcCopy = 0x00CC0020;

struct DibInfo {
  int32_t width = 0;
  int32_t height = 0;  // negative: top-down
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
};
// The header of a bitmap that has pixels and keeps within kMaxImagePixels;
// nullopt for any other.
std::optional<DibInfo> ReadDibInfo(const std::string& info);

// Decodes a bitmap; nullopt (reported) when it is damaged beyond drawing or
// unsupported. `keepAlpha` keeps the alpha bytes of 32-bit BI_RGB bitmaps
// (ALPHABLEND); else they are opaque.
std::optional<Bitmap> DecodeDib(const DibData& dib, bool keepAlpha = false, Diagnostics* diagnostics = nullptr);
// A 24-bit bottom-up DIB of the pixels at 96 dpi, alpha composited onto white.
DibData EncodeDib24(const Bitmap& pixels);
// A 32-bit bottom-up DIB of the pixels with premultiplied alpha, as
// ALPHABLEND takes it (bitmaps without alpha are opaque).
DibData EncodeDib32Premultiplied(const Bitmap& pixels);
// A BI_JPEG bitmap holding the JPEG data as it is.
DibData MakeJpegDib(std::string jpeg, int32_t width, int32_t height);
// The header of JPEG data kept in a bitmap, when the data are a JPEG that
// every road draws: they begin with the JPEG signature, their header reads,
// and the picture they claim is not absurdly large for their size. The
// raster road decodes only such data; the PDF road passes only such data
// through, so a bitmap one road skips the other skips too.
std::optional<JpegInfo> ReadJpegBitsInfo(const std::string& jpeg);
// Decodes JPEG data (libjpeg) that ReadJpegBitsInfo accepts; nullopt for
// any other.
std::optional<Bitmap> DecodeJpegBits(const std::string& jpeg);

}  // namespace vn::platform
