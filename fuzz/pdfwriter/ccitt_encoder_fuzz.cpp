// Contract: any bytes in. The first five bytes choose the picture: width
// (16 bits, big-endian), height (16 bits), and a mode byte (bit 0: Group 4,
// bit 1: also code through a bitmap of the pixel format in bits 2-3; bits 4-7
// extend the row stride); the rest are the rows, as many as the data hold.
// Both encoders return the coded bytes or throw EArgumentException for rows
// that do not hold the picture; Group 4 data end with the end-of-facsimile
// block. Nothing else: no crash, overrun or unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <span>

#include "pdfwriter/ccitt_encoder.h"
#include "runtime/exceptions.h"

using vn::pdfwriter::TvnCCITTCoding;

namespace {
// Whether Group 4 data end with the end-of-facsimile block and 0..7 fill bits.
bool EndsWithEndOfBlock(const std::string& coded) {
  if (coded.size() < 3) return false;
  uint32_t last = 0;
  for (size_t i = coded.size() >= 4 ? coded.size() - 4 : 0; i < coded.size(); ++i)
    last = last << 8 | static_cast<uint8_t>(coded[i]);
  for (int fill = 0; fill < 8; ++fill)
    if (((last >> fill) & 0xFFFFFF) == 0x001001 && (last & ((1u << fill) - 1)) == 0) return true;
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const int width = (data[0] << 8 | data[1]) % 4097;
  int height = (data[2] << 8 | data[3]) % 1025;
  const uint8_t mode = data[4];
  const auto coding = mode & 1 ? TvnCCITTCoding::Group4 : TvnCCITTCoding::Group3;
  const std::span<const uint8_t> bits(data + 5, size - 5);
  const size_t stride = (static_cast<size_t>(width) + 7) / 8 + (mode >> 4);
  try {
    const std::string coded = vn::pdfwriter::EncodeCCITTRows({width, height, stride, bits}, coding);
    if (coding == TvnCCITTCoding::Group4 && width > 0 && height > 0 && !EndsWithEndOfBlock(coded)) std::abort();
  } catch (const vn::EArgumentException&) {
  }
  if (mode & 2) {
    // As many whole rows as the data hold, through a bitmap of the chosen format.
    const size_t row_bytes = (static_cast<size_t>(width) + 7) / 8;
    if (row_bytes > 0 && height > 0) height = static_cast<int>(std::min<size_t>(static_cast<size_t>(height), bits.size() / row_bytes));
    if (width == 0 || height == 0) return 0;
    static constexpr vn::platform::PixelFormat kFormats[] = {vn::platform::PixelFormat::pf1bit, vn::platform::PixelFormat::pf8bit,
                                                             vn::platform::PixelFormat::pf24bit, vn::platform::PixelFormat::pf32bit};
    vn::platform::Bitmap one(width, height, vn::platform::PixelFormat::pf1bit);
    for (int y = 0; y < height; ++y) {
      auto row = one.MutableRow(y);
      std::copy_n(bits.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(y) * row_bytes), row_bytes, row.begin());
    }
    const auto format = kFormats[(mode >> 2) & 3];
    const vn::platform::Bitmap picture = format == vn::platform::PixelFormat::pf1bit ? one : one.ConvertTo(format);
    const std::string coded = vn::pdfwriter::EncodeCCITTBitmap(picture, coding);
    if (coding == TvnCCITTCoding::Group4 && !EndsWithEndOfBlock(coded)) std::abort();
  }
  return 0;
}
