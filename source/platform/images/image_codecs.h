// Reading and writing of raster image files: PNG, JPEG, GIF and TIFF through
// libpng, libjpeg, giflib and libtiff; BMP, ICO and CUR with our own code.
//
// Every decoder takes the whole file as bytes, checks each size against the
// data and against DecodeLimits before allocating, and reports damage as
// EImageDecodeError. Where a format's convention is lenient the decoder keeps
// what it could read instead:
// - JPEG: data that end early or hold corrupt entropy-coded segments give the
//   picture with the rest filled in by libjpeg (grey); a bad header throws.
// - BMP: run-length data that stop early or jump outside the picture leave the
//   remaining pixels at colour index 0; uncompressed pixel data shorter than
//   the header promises throw.
// - ICO, CUR: an AND mask that is cut short leaves the rest of the picture
//   opaque; damage elsewhere throws.
// - TIFF: a damaged directory after the first ends the list of frames; damage
//   in a frame's pixel data throws when that frame is decoded.
// - PNG, GIF: any damage in header or pixel data throws.
// Each such repair, and each warning of libpng, libjpeg and libtiff, is
// reported to DecodeLimits::Report.
//
// Encoders return the file as bytes and throw EImageEncodeError on an empty
// bitmap or a library failure. Output is deterministic (no time stamps).
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/images/bitmap.h"

namespace vn::platform {

enum class ImageFormat { Unknown, Bmp, Png, Jpeg, Gif, Tiff, Ico, Cur };

inline std::span<const std::byte> AsBytes(std::string_view s) {
  return std::as_bytes(std::span<const char>(s.data(), s.size()));
}

// The format named by the leading bytes of a file; Unknown when none matches.
ImageFormat DetectImageFormat(std::span<const std::byte> data);
// "BMP", "PNG", "JPEG", "GIF", "TIFF", "ICO", "CUR" or "unknown".
const char* ImageFormatName(ImageFormat format);

// Detects the format and decodes the first picture (the first TIFF frame, the
// largest icon). Unknown data throw EImageDecodeError "Unknown image format".
Bitmap DecodeImage(std::span<const std::byte> data, const DecodeLimits& limits = {});

// PNG: every colour type and depth; 16-bit samples are reduced to 8, palette
// and grey are expanded, tRNS becomes alpha; gamma and colour profiles are
// ignored. Gives 32-bit (HasAlpha when the file has transparency). pHYs sets the resolution.
Bitmap DecodePng(std::span<const std::byte> data, const DecodeLimits& limits = {});

// JPEG: greyscale gives 8-bit with a grey palette, YCbCr and RGB give 24-bit,
// CMYK and YCCK give 24-bit (Adobe files store CMYK inverted and are read so).
// Baseline and progressive. The bitmap keeps the file bytes (OriginalJpeg).
Bitmap DecodeJpeg(std::span<const std::byte> data, const DecodeLimits& limits = {});

enum class JpegColorModel { Gray, RGB, YCbCr, CMYK, YCCK, Other };

struct JpegInfo {
  int Width = 0;
  int Height = 0;
  int Components = 0;
  JpegColorModel ColorModel = JpegColorModel::Other;
  bool AdobeMarker = false;  // CMYK data stored inverted
  bool Progressive = false;
  double DpiX = 96, DpiY = 96;
};
// The header facts of a JPEG without decoding its pixels (for pass-through
// into PDF); a damaged header throws EImageDecodeError.
JpegInfo ReadJpegInfo(std::span<const std::byte> data);

// GIF: the first frame drawn on the logical screen, transparent elsewhere;
// the frame's transparent colour becomes alpha 0. Gives 32-bit with alpha.
Bitmap DecodeGif(std::span<const std::byte> data, const DecodeLimits& limits = {});

// BMP file, or a device-independent bitmap without its file header (DIB: the
// information header, colour table and bits, as metafile records and icons
// carry them). 1, 4, 8, 16, 24 and 32 bits, RLE4, RLE8, bit fields, OS/2
// headers, bottom-up and top-down; embedded JPEG and PNG data are decoded by
// those decoders. 1-bit gives 1-bit, 4- and 8-bit give 8-bit with the colour
// table, 16- and 24-bit give 24-bit, 32-bit gives 32-bit (HasAlpha when the
// header has an alpha mask and some pixel is not fully transparent).
Bitmap DecodeBmp(std::span<const std::byte> data, const DecodeLimits& limits = {});
Bitmap DecodeDib(std::span<const std::byte> data, const DecodeLimits& limits = {});

// ICO and CUR: the largest entry (most pixels, then most bits), as BMP with
// its AND mask or as PNG. Gives 32-bit with alpha.
Bitmap DecodeIcon(std::span<const std::byte> data, const DecodeLimits& limits = {});

// A multi-frame TIFF opened over a copy of the file. Frames are decoded on
// demand; the constructor reads the directory chain only (at most
// kMaxTiffFrames frames, a loop in the chain ends it).
class TiffReader {
 public:
  static constexpr int kMaxTiffFrames = 10000;
  explicit TiffReader(std::span<const std::byte> data, const DecodeLimits& limits = {});
  ~TiffReader();
  TiffReader(const TiffReader&) = delete;
  TiffReader& operator=(const TiffReader&) = delete;

  int FrameCount() const { return static_cast<int>(frames_.size()); }
  struct FrameInfo {
    int Width = 0, Height = 0;
    double DpiX = 96, DpiY = 96;
  };
  // 0-based frame index; out of range throws EArgumentOutOfRangeException.
  const FrameInfo& Frame(int index) const;
  // Bi-level frames (1 bit, grey, including CCITT G3/G4) give 1-bit with the
  // colour table black, white; every other frame 32-bit (HasAlpha only when the
  // file has an alpha sample).
  Bitmap DecodeFrame(int index) const;

  struct State;  // the open libtiff handle over the file's bytes

 private:
  std::unique_ptr<State> state_;
  std::vector<FrameInfo> frames_;
  DecodeLimits limits_;
};

Bitmap DecodeTiff(std::span<const std::byte> data, const DecodeLimits& limits = {});  // first frame

// PNG: 1-bit and 8-bit bitmaps as palette images, 24-bit as RGB, 32-bit as
// RGBA when HasAlpha, else RGB. The resolution goes into pHYs.
std::string EncodePng(const Bitmap& bitmap);
// JPEG (baseline, YCbCr, or greyscale for an 8-bit grey bitmap); alpha is
// composited onto white. quality is clamped to 1..100; the project default is 75.
constexpr int kDefaultJpegQuality = 75;
std::string EncodeJpeg(const Bitmap& bitmap, int quality = kDefaultJpegQuality);
// BMP with a 40-byte header: 1, 8, 24 or 32 bits as the bitmap has them, bottom-up.
std::string EncodeBmp(const Bitmap& bitmap);
// TIFF with one directory per bitmap: 1-bit as CCITT Group 4, others as
// 8-bit RGB (RGBA when HasAlpha) with Deflate compression.
std::string EncodeTiff(std::span<const Bitmap> pages);
// GIF87a/89a: bitmaps with at most 256 colours keep them exactly, others are
// reduced to a fixed 6 x 7 x 6 colour cube; alpha below 128 becomes the
// transparent colour.
std::string EncodeGif(const Bitmap& bitmap);

}  // namespace vn::platform
