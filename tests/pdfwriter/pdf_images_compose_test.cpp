// The picture placed one pixel per engine pixel into an image item's box:
// a 24-bit picture (whose rows are copied) and the same picture as 32-bit
// (composed pixel by pixel) give the same bitmap for every placement.
#include <gtest/gtest.h>

#include "pdfwriter/pdf_images.h"

namespace vn::pdfwriter::pdf_images_compose_test {
namespace {

using platform::BGRA;
using platform::Bitmap;
using platform::PixelFormat;

TEST(ImageItemCompose, RowCopiesMatchPixelByPixelPlacement) {
  Bitmap rgb(7, 5, PixelFormat::pf24bit);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) rgb.SetPixel(x, y, BGRA{uint8_t(30 * x), uint8_t(40 * y), uint8_t(x * y), 255});
  const Bitmap rgba = rgb.ConvertTo(PixelFormat::pf32bit);
  TvnImageItemLayout layout;
  layout.Capabilities = {vn::exporter::TvnCapabilityKind::ckImageFrame, vn::exporter::TvnCapabilityKind::ckImageStretch};
  layout.PageWidth = layout.PageHeight = 100;
  const struct {
    double width, height;
    bool center;
  } boxes[] = {{7, 5, false}, {11, 9, true}, {11, 9, false}, {3, 2, true}, {3, 8, true}, {12, 2, true}, {1, 1, false}};
  for (const auto& box : boxes) {
    vn::exporter::TvnImageItem item(vn::framework::TvnRect{0, 0, box.width, box.height});
    item.Brush.Color = 0x00FF00;
    item.Settings.Center = box.center;
    const Bitmap a = GetImageItemBitmap(rgb, item, layout);
    const Bitmap b = GetImageItemBitmap(rgba, item, layout);
    ASSERT_EQ(a.Width(), int(box.width));
    ASSERT_EQ(a.Height(), int(box.height));
    ASSERT_EQ(b.Width(), a.Width());
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << box.width << "x" << box.height << " at " << x << "," << y;
  }
  // Centred in a larger box the corner shows the brush, the middle the picture.
  vn::exporter::TvnImageItem item(vn::framework::TvnRect{0, 0, 11, 9});
  item.Brush.Color = 0x00FF00;
  item.Settings.Center = true;
  const Bitmap placed = GetImageItemBitmap(rgb, item, layout);
  EXPECT_EQ(placed.Pixel(0, 0), (BGRA{0, 255, 0, 255}));
  EXPECT_EQ(placed.Pixel(2 + 3, 2 + 4), rgb.Pixel(3, 4));
}

}  // namespace
}  // namespace vn::pdfwriter::pdf_images_compose_test
