// The in-memory raster picture that every image codec produces and consumes,
// and that canvases draw: 1, 8, 24 or 32 bits per pixel, rows top-down, a
// colour table for the indexed formats, a resolution in dots per inch.
//
// Byte order follows the device-independent bitmap: 24-bit pixels are B, G, R;
// 32-bit pixels are B, G, R, A with straight (not premultiplied) alpha. A
// 32-bit bitmap whose alpha is meaningless (HasAlpha false) is treated as
// opaque everywhere. 1-bit rows pack the leftmost pixel in the high bit.
//
// A bitmap decoded from JPEG keeps the original file bytes (OriginalJpeg), so
// the PDF road can pass the photograph through unchanged; any write access to
// the pixels drops them, since they would no longer describe the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "runtime/diagnostics.h"
#include "runtime/exceptions.h"

namespace vn::platform {

// Damage or an unsupported variant in an image file; the message says which
// format and what is wrong.
VN_DECLARE_EXCEPTION(EImageDecodeError, Exception);
// A bitmap that an encoder cannot write (empty, too large), or a library failure while writing.
VN_DECLARE_EXCEPTION(EImageEncodeError, Exception);

enum class PixelFormat { pf1bit, pf8bit, pf24bit, pf32bit };

// One colour: blue, green, red, alpha bytes in that memory order.
struct BGRA {
  uint8_t B = 0, G = 0, R = 0, A = 255;
  friend bool operator==(const BGRA&, const BGRA&) = default;
};

// The largest picture made from outside data, in pixels (width x height):
// decoders refuse larger headers before anything is allocated, and the
// canvases, the metafile players and the export engines keep to it too.
constexpr uint64_t kMaxImagePixels = 100'000'000;

struct DecodeLimits {
  uint64_t MaxPixels = kMaxImagePixels;
  // Where a decoder reports what it repaired and what its library warned
  // about (null: nowhere). A TiffReader keeps it for the frames it decodes
  // later, so it must outlive the reader.
  Diagnostics* Report = nullptr;
};

// Throws EImageDecodeError ("<format>: image of W x H pixels is too large"
// or "... has no pixels") unless 1 <= width, height and width * height fits
// the limit.
void CheckImageSize(const char* format, int64_t width, int64_t height, const DecodeLimits& limits);

class Bitmap {
 public:
  Bitmap() = default;
  // A bitmap of the given size, all bytes zero (black, or transparent when
  // 32-bit with alpha). 1- and 8-bit bitmaps get a grey ramp palette of 2 or
  // 256 entries. Negative sizes or more than 2^31 bytes throw EArgumentException.
  Bitmap(int width, int height, PixelFormat format);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  PixelFormat Format() const { return format_; }
  int BitsPerPixel() const;
  size_t Stride() const { return stride_; }  // bytes per row, no padding beyond the last whole byte

  // Resolution in dots per inch; 96 unless a file said otherwise.
  double DpiX() const { return dpi_x_; }
  double DpiY() const { return dpi_y_; }
  void SetResolution(double dpi_x, double dpi_y);

  // 32-bit only: whether the alpha channel carries transparency.
  bool HasAlpha() const { return has_alpha_; }
  void SetHasAlpha(bool value) { has_alpha_ = value; }

  // Colour table of a 1- or 8-bit bitmap (at most 2 or 256 entries).
  const std::vector<BGRA>& Palette() const { return palette_; }
  void SetPalette(std::vector<BGRA> palette);

  std::span<const uint8_t> Row(int y) const;
  std::span<uint8_t> MutableRow(int y);
  const uint8_t* Bits() const { return bits_.data(); }
  uint8_t* MutableBits();

  // The colour of one pixel, whatever the format (indexes past the palette read as black).
  BGRA Pixel(int x, int y) const;
  // Sets one pixel: stored exactly in 24/32-bit; in 1- and 8-bit the nearest palette entry.
  void SetPixel(int x, int y, BGRA c);

  // The pixels as tightly packed B, G, R, A bytes, row after row from the top.
  std::vector<uint8_t> ToBGRA() const;
  // The pixels as tightly packed R, G, B bytes from the top (the layout of a
  // PDF image), alpha composited onto white.
  std::string ToRGB24OnWhite() const;
  // A copy in another format: to 24-bit drops alpha onto white; to 8-bit
  // gives grey levels; to 1-bit thresholds the grey level at 128 (white = 1,
  // palette black, white).
  Bitmap ConvertTo(PixelFormat format) const;

  // The JPEG file this bitmap was decoded from, or null.
  const std::shared_ptr<const std::string>& OriginalJpeg() const { return jpeg_; }
  void SetOriginalJpeg(std::shared_ptr<const std::string> jpeg) { jpeg_ = std::move(jpeg); }

 private:
  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::pf32bit;
  size_t stride_ = 0;
  double dpi_x_ = 96;
  double dpi_y_ = 96;
  bool has_alpha_ = false;
  std::vector<BGRA> palette_;
  std::vector<uint8_t> bits_;
  std::shared_ptr<const std::string> jpeg_;
};

// Row y of a 32-bit bitmap as B, G, R bytes at `out` (3 x width bytes),
// alpha composited onto white as ConvertTo(pf24bit) does.
void RowToBgrOnWhite(const Bitmap& source, int y, uint8_t* out);

// A 32-bit copy of the given size, resampled with bilinear filtering when
// enlarging and area averaging when shrinking; alpha is kept.
Bitmap ScaleBitmap(const Bitmap& source, int width, int height);

// The bitmap turned clockwise by a multiple of 90 degrees (negative turns
// anticlockwise; 0 and 360 give a copy). Keeps the pixel format and palette;
// width and resolution swap for quarter turns. Other angles throw EArgumentException.
Bitmap RotateBitmap(const Bitmap& source, int degrees);

}  // namespace vn::platform
