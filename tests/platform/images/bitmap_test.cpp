// The bitmap type: pixel access in every format, conversions, scaling and
// quarter-turn rotation.
#include <gtest/gtest.h>

#include "platform/images/bitmap.h"

namespace vn::platform::bitmap_test {
namespace {

constexpr BGRA kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlue{255, 0, 0, 255}, kWhite{255, 255, 255, 255};

// A 3 x 2 picture: red, green, blue over white, red, green.
Bitmap ThreeByTwo(PixelFormat format) {
  Bitmap b(3, 2, format);
  if (format == PixelFormat::pf8bit) b.SetPalette({kRed, kGreen, kBlue, kWhite});
  const BGRA colours[2][3] = {{kRed, kGreen, kBlue}, {kWhite, kRed, kGreen}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b.SetPixel(x, y, colours[y][x]);
  return b;
}

TEST(ImageBitmap, RotationByQuarterTurns) {
  const struct {
    int degrees;
    int width;
    BGRA top_left, top_right;
  } cases[] = {
      {0, 3, kRed, kBlue},     {90, 2, kWhite, kRed},   {180, 3, kGreen, kWhite},
      {270, 2, kBlue, kGreen}, {-90, 2, kBlue, kGreen}, {-270, 2, kWhite, kRed},
  };
  for (PixelFormat format : {PixelFormat::pf8bit, PixelFormat::pf24bit, PixelFormat::pf32bit})
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(c.degrees) + " degrees, format " + std::to_string(static_cast<int>(format)));
      Bitmap source = ThreeByTwo(format);
      source.SetResolution(300, 100);
      Bitmap r = RotateBitmap(source, c.degrees);
      EXPECT_EQ(r.Width(), c.width);
      EXPECT_EQ(r.Format(), format);
      EXPECT_EQ(r.Pixel(0, 0), c.top_left);
      EXPECT_EQ(r.Pixel(r.Width() - 1, 0), c.top_right);
      EXPECT_EQ(r.DpiX(), c.width == 3 ? 300 : 100);
    }
  EXPECT_THROW(RotateBitmap(ThreeByTwo(PixelFormat::pf24bit), 45), EArgumentException);
}

TEST(ImageBitmap, OneBitRotationMovesSingleBits) {
  Bitmap b(10, 3, PixelFormat::pf1bit);
  b.SetPixel(9, 0, kWhite);
  Bitmap r = RotateBitmap(b, 90);
  ASSERT_EQ(r.Width(), 3);
  ASSERT_EQ(r.Height(), 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(r.Pixel(x, y).R, x == 2 && y == 9 ? 255 : 0) << x << "," << y;
}

TEST(ImageBitmap, ScalingAveragesAndInterpolates) {
  // Shrinking 2 x 2 to 1 x 1 averages; a transparent pixel does not darken the result.
  Bitmap b(2, 2, PixelFormat::pf32bit);
  b.SetHasAlpha(true);
  b.SetPixel(0, 0, BGRA{200, 200, 200, 255});
  b.SetPixel(1, 0, BGRA{100, 100, 100, 255});
  b.SetPixel(0, 1, BGRA{150, 150, 150, 255});
  b.SetPixel(1, 1, BGRA{0, 0, 0, 0});
  Bitmap one = ScaleBitmap(b, 1, 1);
  EXPECT_EQ(one.Pixel(0, 0), (BGRA{150, 150, 150, 191}));

  // Enlarging keeps the corners and blends between them.
  Bitmap line(2, 1, PixelFormat::pf24bit);
  line.SetPixel(0, 0, BGRA{0, 0, 0, 255});
  line.SetPixel(1, 0, BGRA{200, 200, 200, 255});
  Bitmap wide = ScaleBitmap(line, 8, 3);
  EXPECT_EQ(wide.Pixel(0, 1).B, 0);
  EXPECT_EQ(wide.Pixel(7, 1).B, 200);
  for (int x = 1; x < 8; ++x) EXPECT_GE(wide.Pixel(x, 1).B, wide.Pixel(x - 1, 1).B);
  EXPECT_EQ(wide.Pixel(3, 0), wide.Pixel(3, 2));
}

TEST(ImageBitmap, ConversionsCompositeOntoWhite) {
  Bitmap b(2, 1, PixelFormat::pf32bit);
  b.SetHasAlpha(true);
  b.SetPixel(0, 0, BGRA{0, 0, 0, 0});      // transparent: white
  b.SetPixel(1, 0, BGRA{0, 0, 200, 128});  // half red
  EXPECT_EQ(b.ToRGB24OnWhite(), std::string("\xFF\xFF\xFF\xE3\x7F\x7F", 6));
  Bitmap rgb = b.ConvertTo(PixelFormat::pf24bit);
  EXPECT_EQ(rgb.Pixel(1, 0), (BGRA{0x7F, 0x7F, 0xE3, 255}));
  Bitmap mono = b.ConvertTo(PixelFormat::pf1bit);
  EXPECT_EQ(mono.Pixel(0, 0), kWhite);
  EXPECT_EQ(mono.Pixel(1, 0), kWhite);  // grey 157: above the threshold
  EXPECT_EQ(ThreeByTwo(PixelFormat::pf24bit).ConvertTo(PixelFormat::pf1bit).Pixel(2, 0), (BGRA{0, 0, 0, 255}));
  // Indexed to 32-bit is opaque unless the palette has transparency.
  EXPECT_FALSE(ThreeByTwo(PixelFormat::pf8bit).ConvertTo(PixelFormat::pf32bit).HasAlpha());
}

TEST(ImageBitmap, SizeChecks) {
  DecodeLimits limits;
  EXPECT_NO_THROW(CheckImageSize("X", 10000, 10000, limits));
  EXPECT_THROW(CheckImageSize("X", 10001, 10000, limits), EImageDecodeError);
  EXPECT_THROW(CheckImageSize("X", 0, 5, limits), EImageDecodeError);
  EXPECT_THROW(CheckImageSize("X", INT64_MAX, INT64_MAX, limits), EImageDecodeError);
  limits.MaxPixels = UINT64_MAX;
  EXPECT_THROW(CheckImageSize("X", int64_t{1} << 32, 1, limits), EImageDecodeError);
  EXPECT_THROW(Bitmap(-1, 5, PixelFormat::pf24bit), EArgumentException);
  EXPECT_THROW(Bitmap(1 << 20, 1 << 20, PixelFormat::pf32bit), EArgumentException);
}

}  // namespace
}  // namespace vn::platform::bitmap_test
