// Device-independent bitmaps as metafile records carry them, and the plain
// pixel buffer the canvases draw.
//
// PixelBuffer is 32-bit BGRA, top-down, straight (not premultiplied) alpha,
// stride width * 4. DecodeDib turns a record's bitmap (1, 4, 8, 16, 24 and
// 32 bits, BI_RGB, BI_BITFIELDS, BI_RLE8, BI_RLE4, and BI_JPEG through
// libjpeg) into one; every size is checked against the data and the pixel
// count is capped. EncodeDib24 makes the 24-bit bitmap a recording keeps,
// with alpha composited onto white; MakeJpegDib keeps JPEG bytes as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/emf/emf_records.h"
#include "platform/images/image_codecs.h"

namespace vn::platform {

struct PixelBuffer {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bgra;  // width * height * 4 bytes, rows top to bottom

  PixelBuffer() = default;
  PixelBuffer(int32_t w, int32_t h, uint32_t fillBgra = 0xFFFFFFFF);
  bool empty() const { return width <= 0 || height <= 0; }
  uint8_t* Row(int32_t y) { return bgra.data() + size_t(y) * size_t(width) * 4; }
  const uint8_t* Row(int32_t y) const { return bgra.data() + size_t(y) * size_t(width) * 4; }
  // 0xAARRGGBB of a pixel.
  uint32_t Pixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint32_t argb);
};

// The largest bitmap decoded from outside data, in pixels.
constexpr int64_t kMaxDibPixels = int64_t{1} << 26;

struct DibInfo {
  int32_t width = 0;
  int32_t height = 0;  // negative: top-down
  uint16_t bitCount = 0;
  uint32_t compression = emf::BI_RGB;
  uint32_t colorsUsed = 0;
};
std::optional<DibInfo> ReadDibInfo(const std::string& info);

// Decodes a bitmap; nullopt when it is damaged or unsupported. `keepAlpha`
// keeps the alpha bytes of 32-bit bitmaps (else they are opaque).
std::optional<PixelBuffer> DecodeDib(const emf::DibData& dib, bool keepAlpha = false);
// A 24-bit bottom-up DIB of the pixels, alpha composited onto white.
emf::DibData EncodeDib24(const PixelBuffer& pixels);
// A BI_JPEG bitmap holding the JPEG data as it is.
emf::DibData MakeJpegDib(std::string jpeg, int32_t width, int32_t height);
// The header of JPEG data kept in a bitmap, when the data are a JPEG that
// every road draws: they begin with the JPEG signature, their header reads,
// and the picture they claim is not absurdly large for their size. The
// raster road decodes only such data; the PDF road passes only such data
// through, so a bitmap one road skips the other skips too.
std::optional<JpegInfo> ReadJpegBitsInfo(const std::string& jpeg);
// Decodes JPEG data (libjpeg); nullopt when damaged.
std::optional<PixelBuffer> DecodeJpegBits(const std::string& jpeg);

}  // namespace vn::platform
