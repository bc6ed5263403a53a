// The one-bit bitmap: combination against a pixel-by-pixel reference, regions
// of interest, operators and the size cap.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/image_bitmap.h"
#include "test_support.h"

namespace vn::pdf::jbig2::image_bitmap_test {
namespace {

using testing::Image;

// Pixel-by-pixel combination, the reference for Blit.
Image ReferenceBlit(Image target, const Image& source, int x0, int y0, FCombinationOPerator op) {
  for (int y = 0; y < source.height; ++y)
    for (int x = 0; x < source.width; ++x) {
      const int tx = x0 + x, ty = y0 + y;
      if (tx < 0 || ty < 0 || tx >= target.width || ty >= target.height) continue;
      const int t = target.At(tx, ty), s = source.At(x, y);
      int v = s;
      switch (op) {
        case FCombinationOPerator::OROP: v = t | s; break;
        case FCombinationOPerator::ANDOP: v = t & s; break;
        case FCombinationOPerator::XOROP: v = t ^ s; break;
        case FCombinationOPerator::XNOROP: v = 1 - (t ^ s); break;
        case FCombinationOPerator::REPLACEOP: break;
      }
      target.Set(tx, ty, v);
    }
  return target;
}

Image Noise(int w, int h, std::mt19937& rng) {
  Image image(w, h);
  for (auto& p : image.pixels) p = static_cast<uint8_t>(rng() & 1);
  return image;
}

TEST(Jbig2Bitmap, BlitPlacesAndClipsLikePixelCombination) {
  // The edge case of the byte-wise path: a 10-pixel source at x = 3 changes
  // pixels 3 to 12 only.
  TvnImageBitmap target(24, 2);
  TvnImageBitmap source(10, 2);
  source.SetByteArray(0xFF);
  target.Blit(source, 3, 0, FCombinationOPerator::OROP);
  for (int x = 0; x < 24; ++x) EXPECT_EQ(target.GetPixel(x, 1), x >= 3 && x <= 12 ? 1 : 0) << x;

  std::mt19937 rng(7);
  const FCombinationOPerator ops[] = {FCombinationOPerator::OROP, FCombinationOPerator::ANDOP,
                                      FCombinationOPerator::XOROP, FCombinationOPerator::XNOROP,
                                      FCombinationOPerator::REPLACEOP};
  for (int round = 0; round < 300; ++round) {
    const Image t = Noise(1 + static_cast<int>(rng() % 40), 1 + static_cast<int>(rng() % 6), rng);
    const Image s = Noise(static_cast<int>(rng() % 30), static_cast<int>(rng() % 6), rng);
    const int x = static_cast<int>(rng() % 80) - 35;
    const int y = static_cast<int>(rng() % 12) - 6;
    const FCombinationOPerator op = ops[rng() % 5];
    TvnImageBitmap bitmap = testing::ToBitmap(t);
    bitmap.Blit(testing::ToBitmap(s), x, y, op);
    ASSERT_EQ(testing::FromBitmap(bitmap), ReferenceBlit(t, s, x, y, op))
        << "round " << round << " at " << x << "," << y << " op " << static_cast<int>(op);
    // The padding bits at the end of each row stay 0.
    for (int row = 0; row < bitmap.GetHeight(); ++row)
      ASSERT_EQ(bitmap.Row(row)[bitmap.GetRowStride() - 1] & ~bitmap.LastByteMask(), 0);
  }
  // Far outside: nothing happens, nothing overflows.
  TvnImageBitmap small(8, 8);
  small.Blit(source, INT64_MAX - 4, 0, FCombinationOPerator::OROP);
  small.Blit(source, -INT64_MAX, 0, FCombinationOPerator::OROP);
  EXPECT_EQ(small.GetByteArray(), std::vector<uint8_t>(8, 0));
}

TEST(Jbig2Bitmap, RegionOfInterestAndOperators) {
  std::mt19937 rng(3);
  const Image image = Noise(37, 9, rng);
  const TvnImageBitmap bitmap = testing::ToBitmap(image);
  const TvnImageBitmap part = bitmap.GetRegionOfInterest(-3, 2, 20, 12);
  ASSERT_EQ(part.GetWidth(), 23);
  ASSERT_EQ(part.GetHeight(), 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 23; ++x) EXPECT_EQ(part.GetPixel(x, y), image.At(x - 3, y + 2)) << x << "," << y;

  EXPECT_EQ(CombinationOperatorFromCode(0), FCombinationOPerator::OROP);
  EXPECT_EQ(CombinationOperatorFromCode(3), FCombinationOPerator::XNOROP);
  EXPECT_EQ(CombinationOperatorFromCode(4), FCombinationOPerator::REPLACEOP);
  EXPECT_EQ(TvnImageBitmap::CombineBytes(0b1100, 0b1010, FCombinationOPerator::XNOROP), 0b11111001);
}

TEST(Jbig2Bitmap, SizesFromFilesAreCapped) {
  EXPECT_THROW(TvnImageBitmap(1 << 15, (1 << 13) + 1), TvnJBIG2Exception);
  EXPECT_THROW(TvnImageBitmap(-1, 5), TvnJBIG2Exception);
  EXPECT_THROW(TvnImageBitmap(0xFFFFFFFFLL, 0), TvnJBIG2Exception);
  TvnImageBitmap empty(0, 4);
  EXPECT_EQ(empty.GetRowStride(), 0);
  EXPECT_EQ(empty.GetRegionOfInterest(0, 0, 0, 3).GetHeight(), 3);
}

}  // namespace
}  // namespace vn::pdf::jbig2::image_bitmap_test
