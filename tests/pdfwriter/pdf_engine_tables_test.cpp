// Tables and text boxes laid out by the export engine and written by the
// PDF engine: cell frames, fills and pictures land on the rendered page
// where the layout puts them, and a long table fills one page after the
// other.
#include <gtest/gtest.h>

#include "export/bitmap_graphic.h"
#include "pdf_test_support.h"

namespace vn::pdfwriter::pdf_engine_tables_test {
namespace {

using testing::PageContents;
using testing::PinClock;
using testing::Render;
using testing::TestEngine;
using vn::exporter::TFont;
using vn::exporter::TvnFrame;
using vn::exporter::TvnHAlignment;
using vn::exporter::TvnVAlignment;

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kBlue = 0x0000FF;

TEST(PdfEngineTables, CellFramesFillsAndPicturesLandInTheirCells) {
  PinClock();
  TestEngine engine(300, 300);
  engine.TableSettings().SetColumnWidth(100);
  engine.TableSettings().SetRowHeight(40);
  engine.TableSettings().SetInternalMargin({10, 5, 10, 5});
  engine.OnCellDraw = [](vn::exporter::TvnCustomDocumentEngine&, int32_t row, int32_t column, TPen&, TBrush& brush, TFont&,
                         TvnFrame& frame, TvnHAlignment&) {
    if (row == 0 && column == 1) brush.Color = 0x0000FF;  // red, as 0x00BBGGRR
    if (row == 2) frame.IsBottom = false;
  };
  vn::platform::Bitmap blue(20, 20, vn::platform::PixelFormat::pf24bit);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) blue.SetPixel(x, y, {255, 0, 0, 255});
  engine.ImageSettings().Stretch = true;
  engine.ImageSettings().SetOutputImageFormat(vn::exporter::TvnOutputImageFormat::ifBMP);  // exact colours
  engine.BeginDoc();
  engine.BeginTable(20, 20, 2);
  for (int row = 0; row < 3; ++row) engine.NewRow();
  engine.DrawImage(0, 80, 30, vn::exporter::TvnBitmapGraphic(blue));
  engine.EndTable();
  engine.EndDoc();
  const auto raster = Render(engine.Bytes(), "table");
  if (!raster) GTEST_SKIP() << "pdftoppm missing";
  struct Probe {
    int x, y;
    uint32_t rgb;
  } probes[] = {
      {20, 60, kBlack},    {120, 60, kBlack},  {220, 60, kBlack},  // column edges
      {70, 20, kBlack},    {70, 60, kBlack},   {70, 100, kBlack},  // row edges
      {170, 40, kRed},     {170, 80, kWhite},                      // the cell OnCellDraw filled
      // The picture, 80 by 30 inside the margins of row 2, column 0.
      {70, 120, kBlue},    {32, 107, kBlue},   {25, 120, kWhite},  {115, 120, kWhite}, {70, 137, kWhite},
      {70, 140, kWhite},   {250, 250, kWhite},                     // row 2 without its bottom side; outside
  };
  for (const Probe& p : probes) EXPECT_EQ(raster->At(p.x, p.y), p.rgb) << p.x << "," << p.y;
}

TEST(PdfEngineTables, TextBoxFrameAndFill) {
  PinClock();
  TestEngine engine(300, 300);
  engine.Brush().Color = 0x0000FF;
  engine.BeginDoc();
  engine.TextBox({50, 50, 250, 150}, u"", TvnHAlignment::haLeft, TvnVAlignment::vaTop);
  engine.EndDoc();
  const auto raster = Render(engine.Bytes(), "textbox");
  if (!raster) GTEST_SKIP() << "pdftoppm missing";
  EXPECT_EQ(raster->At(150, 100), kRed);
  EXPECT_EQ(raster->At(50, 100), kBlack);
  EXPECT_EQ(raster->At(150, 150), kBlack);
  EXPECT_EQ(raster->At(150, 160), kWhite);
}

TEST(PdfEngineTables, LongTableFillsPageAfterPage) {
  PinClock();
  TestEngine engine(300, 300);
  engine.TableSettings().SetColumnWidth(100);
  engine.TableSettings().SetRowHeight(25);
  engine.BeginDoc();
  engine.BeginTable(0, 0, 2);
  for (int row = 0; row < 50; ++row) engine.NewRow();
  engine.EndTable();
  engine.EndDoc();
  // 12 rows of 25 pixels to a 300-pixel page.
  EXPECT_EQ(PageContents(engine.Bytes()).size(), 5u);
}

}  // namespace
}  // namespace vn::pdfwriter::pdf_engine_tables_test
