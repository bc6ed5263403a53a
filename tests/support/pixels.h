// Pixels for tests, written as the 0xAARRGGBB colours the canvases report.
#pragma once

#include <cstdint>

#include "platform/images/bitmap.h"

namespace vn::platform::testing {

constexpr BGRA FromArgb(uint32_t argb) {
  return BGRA{uint8_t(argb), uint8_t(argb >> 8), uint8_t(argb >> 16), uint8_t(argb >> 24)};
}

constexpr uint32_t ToArgb(BGRA c) { return uint32_t(c.A) << 24 | uint32_t(c.R) << 16 | uint32_t(c.G) << 8 | c.B; }

// A 32-bit bitmap of one colour whose alpha counts (straight alpha).
inline Bitmap FilledBitmap(int width, int height, uint32_t argb) {
  Bitmap b(width, height, PixelFormat::pf32bit);
  b.SetHasAlpha(true);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, FromArgb(argb));
  return b;
}

}  // namespace vn::platform::testing
