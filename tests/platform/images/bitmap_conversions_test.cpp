// Whole-bitmap conversions (BGRA for the canvases, RGB on white for
// writers, the 24-bit copy and the 24-bit DIB of a recorded page) give, for
// every pixel format, what reading each pixel gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/emf/dib.h"
#include "platform/images/bitmap.h"

namespace vn::platform::bitmap_conversions_test {
namespace {

TEST(BitmapConversions, WholeBitmapsMatchPixelByPixelReading) {
  const struct {
    PixelFormat format;
    bool alpha;
  } cases[] = {{PixelFormat::pf1bit, false},  {PixelFormat::pf8bit, false}, {PixelFormat::pf24bit, false},
               {PixelFormat::pf32bit, false}, {PixelFormat::pf32bit, true}};
  for (const auto& c : cases) {
    // Odd widths give padded rows.
    Bitmap b(5, 3, c.format);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        b.SetPixel(x, y, BGRA{uint8_t(50 * x), uint8_t(90 * y), uint8_t(17 * x + y), uint8_t(c.alpha ? 40 * x : 255)});
    // Without alpha a 32-bit bitmap's fourth bytes mean nothing.
    if (c.format == PixelFormat::pf32bit && !c.alpha)
      for (int y = 0; y < 3; ++y) b.MutableRow(y)[7] = 9;
    b.SetHasAlpha(c.alpha);

    const std::vector<uint8_t> bgra = b.ToBGRA();
    const std::string rgb = b.ToRGB24OnWhite();
    ASSERT_EQ(bgra.size(), 5u * 3 * 4);
    ASSERT_EQ(rgb.size(), 5u * 3 * 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const BGRA p = b.Pixel(x, y);
        const size_t i = size_t(y) * 5 + x;
        EXPECT_EQ((BGRA{bgra[i * 4], bgra[i * 4 + 1], bgra[i * 4 + 2], bgra[i * 4 + 3]}), p)
            << int(c.format) << " at " << x << "," << y;
        if (p.A == 255)
          EXPECT_EQ((BGRA{uint8_t(rgb[i * 3 + 2]), uint8_t(rgb[i * 3 + 1]), uint8_t(rgb[i * 3]), 255}), p)
              << int(c.format) << " at " << x << "," << y;
      }

    // The 24-bit copy and the 24-bit DIB a page records (rows bottom-up,
    // padded to four bytes) hold the same colours on white as the RGB rows.
    const Bitmap rgb24 = b.ConvertTo(PixelFormat::pf24bit);
    const DibData dib = EncodeDib24(b);
    const size_t dibStride = (5 * 3 + 3) / 4 * 4;
    ASSERT_EQ(dib.bits.size(), dibStride * 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const BGRA p = b.Pixel(x, y);
        auto onWhite = [&](uint8_t v) { return uint8_t((v * p.A + 255 * (255 - p.A) + 127) / 255); };
        const BGRA want{onWhite(p.B), onWhite(p.G), onWhite(p.R), 255};
        const size_t i = size_t(y) * 5 + x;
        EXPECT_EQ((BGRA{uint8_t(rgb[i * 3 + 2]), uint8_t(rgb[i * 3 + 1]), uint8_t(rgb[i * 3]), 255}), want)
            << int(c.format) << " at " << x << "," << y;
        EXPECT_EQ(rgb24.Pixel(x, y), want) << int(c.format) << " at " << x << "," << y;
        const size_t at = size_t(2 - y) * dibStride + size_t(x) * 3;
        EXPECT_EQ((BGRA{uint8_t(dib.bits[at]), uint8_t(dib.bits[at + 1]), uint8_t(dib.bits[at + 2]), 255}), want)
            << int(c.format) << " at " << x << "," << y;
      }
    for (int y = 0; y < 3; ++y) EXPECT_EQ(dib.bits[size_t(y) * dibStride + 15], '\0') << "row padding";
  }
}

}  // namespace
}  // namespace vn::platform::bitmap_conversions_test
