#include "platform/images/enlarged_bitmap.h"

#include <algorithm>
#include <span>
#include <vector>

namespace vn::platform {

namespace {

// Whether a 32-bit bitmap can be enlarged to AWidth x AHeight pixels within
// the pixel budget (no side shrinks).
bool CanEnlarge(const Bitmap& ABitmap, int64_t AWidth, int64_t AHeight, int64_t AMaxPixels) {
  return ABitmap.Width() > 0 && ABitmap.Height() > 0 && AWidth >= ABitmap.Width() && AHeight >= ABitmap.Height() &&
         AWidth <= AMaxPixels && AHeight <= AMaxPixels && AWidth * AHeight <= AMaxPixels &&
         ABitmap.Format() == PixelFormat::pf32bit;
}

}  // namespace

Bitmap ReplicatedBitmap(const Bitmap& ABitmap, int64_t AWidth, int64_t AHeight, int64_t AMaxPixels) {
  // Every sample gets whole pixels, the larger share going to the samples
  // where the rounding carries over.
  const int64_t sw = ABitmap.Width(), sh = ABitmap.Height();
  if (!CanEnlarge(ABitmap, AWidth, AHeight, AMaxPixels)) return {};
  Bitmap out(static_cast<int>(AWidth), static_cast<int>(AHeight), PixelFormat::pf32bit);
  std::vector<int64_t> column(static_cast<size_t>(AWidth));
  for (int64_t x = 0; x < AWidth; ++x) column[static_cast<size_t>(x)] = ((x + 1) * sw - 1) / AWidth;
  for (int64_t y = 0; y < AHeight; ++y) {
    const std::span<const uint8_t> source = ABitmap.Row(static_cast<int>(((y + 1) * sh - 1) / AHeight));
    const std::span<uint8_t> row = out.MutableRow(static_cast<int>(y));
    for (int64_t x = 0; x < AWidth; ++x)
      std::copy_n(source.data() + 4 * column[static_cast<size_t>(x)], 4, row.data() + 4 * x);
  }
  out.SetHasAlpha(ABitmap.HasAlpha());
  return out;
}

Bitmap BlendedBitmap(const Bitmap& ABitmap, int64_t AWidth, int64_t AHeight, int64_t AMaxPixels) {
  const int64_t sw = ABitmap.Width(), sh = ABitmap.Height();
  if (!CanEnlarge(ABitmap, AWidth, AHeight, AMaxPixels)) return {};
  struct Tap {
    int64_t First, Second;
    uint32_t Weight;  // of the second, in 1/256
  };
  auto taps = [](int64_t AOut, int64_t ASamples) {
    std::vector<Tap> result(static_cast<size_t>(AOut));
    for (int64_t i = 0; i < AOut; ++i) {
      const int64_t scaled = i * ASamples * 256 / AOut;
      const int64_t first = scaled / 256;
      result[static_cast<size_t>(i)] = {first, std::min(first + 1, ASamples - 1), static_cast<uint32_t>(scaled % 256)};
    }
    return result;
  };
  const std::vector<Tap> across = taps(AWidth, sw), down = taps(AHeight, sh);
  Bitmap out(static_cast<int>(AWidth), static_cast<int>(AHeight), PixelFormat::pf32bit);
  std::vector<uint32_t> line(static_cast<size_t>(sw) * 4);
  for (int64_t y = 0; y < AHeight; ++y) {
    const Tap& t = down[static_cast<size_t>(y)];
    const std::span<const uint8_t> r0 = ABitmap.Row(static_cast<int>(t.First)), r1 = ABitmap.Row(static_cast<int>(t.Second));
    for (size_t k = 0; k < line.size(); ++k) line[k] = r0[k] * (256 - t.Weight) + r1[k] * t.Weight;
    const std::span<uint8_t> row = out.MutableRow(static_cast<int>(y));
    for (int64_t x = 0; x < AWidth; ++x) {
      const Tap& u = across[static_cast<size_t>(x)];
      for (size_t c = 0; c < 4; ++c) {
        const uint32_t v = line[static_cast<size_t>(u.First) * 4 + c] * (256 - u.Weight) +
                           line[static_cast<size_t>(u.Second) * 4 + c] * u.Weight;
        row[static_cast<size_t>(x) * 4 + c] = static_cast<uint8_t>((v + 32768) >> 16);
      }
    }
  }
  out.SetHasAlpha(ABitmap.HasAlpha());
  return out;
}

}  // namespace vn::platform
