// Drawing operators written to a content stream: the text of each, the
// shift by the crop box and the turn of a page rotated by 90 degrees, the
// fill mode, the dash, join and cap text, and hatch pattern names; and
// shapes written onto a page that a renderer draws where they were put after
// a save.
#include "pdfdocument/pd_content_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "pdfdocument/pdf_model_testing.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_content_writer_test {

using vn::framework::TvnBrushStyle;
using vn::framework::TvnPenStyle;

std::string StreamText(vn::pdf::TvnPDStream& AStream) {
  AStream.SetPosition(0, vn::SeekOrigin::soBeginning);
  std::string text;
  AStream.Read(text, 1 << 20);
  return text;
}

TEST(PDContentWriter, OperatorsWithShiftAndRotation) {
  const TvnPDRect crop(100, 200, 700, 900);
  struct Case {
    const char* Name;
    int Rotate;
    std::function<void(TvnPDContentWriter&)> Draw;
    const char* Expected;
  };
  const Case cases[] = {
      {"move", 0, [](TvnPDContentWriter& w) { w.MoveTo(10, 20); }, "110 220 m\r\n"},
      {"move rotated", 90, [](TvnPDContentWriter& w) { w.MoveTo(10, 20); }, "480 110 m\r\n"},
      {"line rotated", 90, [](TvnPDContentWriter& w) { w.LineTo(0.5, 0); }, "500 100.5 l\r\n"},
      {"other rotations are not turned", 180, [](TvnPDContentWriter& w) { w.LineTo(1, 2); }, "101 202 l\r\n"},
      {"curve", 0, [](TvnPDContentWriter& w) { w.CurveTo(1, 2, 3, 4, 5, 6); }, "101 202 103 204 105 206 c\r\n"},
      {"curve rotated", 90, [](TvnPDContentWriter& w) { w.CurveTo(1, 2, 3, 4, 5, 6); },
       "498 101 496 103 494 105 c\r\n"},
      // From the corner (x1, y2): width x2 - x1, height y1 - y2.
      {"rectangle", 0, [](TvnPDContentWriter& w) { w.Rectangle(10, 50, 40, 20); }, "110 220 30 30 re\r\n"},
      {"tall rectangle", 0, [](TvnPDContentWriter& w) { w.Rectangle(0, 100, 10, 0); }, "100 200 10 100 re\r\n"},
      // Turned with the page: the 10 wide, 100 high rectangle becomes 100
      // wide and 10 high, its corner (x1, y1) at (Right - y1, x1).
      {"tall rectangle rotated", 90, [](TvnPDContentWriter& w) { w.Rectangle(0, 100, 10, 0); }, "400 100 100 10 re\r\n"},
      {"pen colour", 0, [](TvnPDContentWriter& w) { w.SetPenColor(255, 128, 0); }, "1.0000 0.5020 0.0000 RG\r\n"},
      {"brush colour", 0, [](TvnPDContentWriter& w) { w.SetBrushColor(0, 0, 255); }, "0.0000 0.0000 1.0000 rg\r\n"},
      {"pen width", 0, [](TvnPDContentWriter& w) { w.SetPenWidth(0.25); }, "0.25 w\r\n"},
      {"text render mode", 0,
       [](TvnPDContentWriter& w) { w.SetTextRenderMode(vn::exporter::TvnTextRenderMode::trmFillStroke); }, "2 Tr\r\n"},
      {"path ends", 0,
       [](TvnPDContentWriter& w) {
         w.Save();
         w.ClosePath();
         w.StrokePath();
         w.CloseAndStrokePath();
         w.FillPath();
         w.FillAndStrokePath();
         w.CloseFillAndStrokePath();
         w.EndPath();
         w.Restore();
       },
       "q\r\nh\r\nS\r\ns\r\nf\r\nB\r\nb\r\nn\r\nQ\r\n"},
      {"even-odd fills", 0,
       [](TvnPDContentWriter& w) {
         w.EvenOddFillMode = true;
         w.FillPath();
         w.FillAndStrokePath();
         w.CloseFillAndStrokePath();
       },
       "f*\r\nB*\r\nb*\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    vn::pdf::TvnPDStream stream(nullptr);
    stream.Write(std::string_view("% old\n"));
    TvnPDContentWriter writer(&stream, &crop, c.Rotate);
    stream.SetPosition(0, vn::SeekOrigin::soBeginning);
    c.Draw(writer);
    EXPECT_EQ(StreamText(stream), std::string("% old\n") + c.Expected) << "appended after the old data";
  }

  // Without a box nothing is shifted.
  vn::pdf::TvnPDStream stream(nullptr);
  TvnPDContentWriter writer(&stream, nullptr, 0);
  writer.MoveTo(-1.5, 2);
  EXPECT_EQ(StreamText(stream), "-1.5 2 m\r\n");
}

TEST(PDContentWriter, DashJoinAndCapInOnePiece) {
  struct Case {
    TvnPenStyle Style;
    TvnPenJoinStyle Join;
    TvnPenCapStyle Cap;
    const char* Expected;
  };
  const Case cases[] = {
      {TvnPenStyle::psDot, TvnPenJoinStyle::pjsRound, TvnPenCapStyle::pcsFlat, "[3 4]0 d 1 j 0 J "},
      {TvnPenStyle::psClear, TvnPenJoinStyle::pjsNone, TvnPenCapStyle::pcsNone, ""},
      {TvnPenStyle::psSolid, TvnPenJoinStyle::pjsNone, TvnPenCapStyle::pcsNone, "[]0 d "},
      {TvnPenStyle::psDash, TvnPenJoinStyle::pjsBevel, TvnPenCapStyle::pcsSquare, "[16 8]0 d 2 j 2 J "},
      {TvnPenStyle::psDashDot, TvnPenJoinStyle::pjsMiter, TvnPenCapStyle::pcsRound, "[8 4 2 4]0 d 0 j 1 J "},
      {TvnPenStyle::psDashDotDot, TvnPenJoinStyle::pjsNone, TvnPenCapStyle::pcsNone, "[8 4 2 4 2 8]0 d "},
      {TvnPenStyle::psInsideFrame, TvnPenJoinStyle::pjsNone, TvnPenCapStyle::pcsRound, "1 J "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Expected);
    vn::pdf::TvnPDStream stream(nullptr);
    TvnPDContentWriter writer(&stream, nullptr, 0);
    writer.PenStyle = c.Style;
    writer.PenJoinStyle = c.Join;
    writer.PenCapStyle = c.Cap;
    writer.SetDashPattern();
    EXPECT_EQ(StreamText(stream), c.Expected);
  }
}

TEST(PDContentWriter, HatchPatternNames) {
  const std::pair<TvnBrushStyle, const char*> names[] = {
      {TvnBrushStyle::bsHorizontal, "PH"}, {TvnBrushStyle::bsVertical, "PV"}, {TvnBrushStyle::bsFDiagonal, "PFD"},
      {TvnBrushStyle::bsBDiagonal, "PBD"}, {TvnBrushStyle::bsCross, "PC"},    {TvnBrushStyle::bsDiagCross, "PDC"},
      {TvnBrushStyle::bsSolid, ""},        {TvnBrushStyle::bsClear, ""},
  };
  for (const auto& [style, name] : names) EXPECT_EQ(TvnPDContentWriter::GetPattern(style), name);
}

// pdftoppm's 72-dpi rendering of page 1's crop box as RGB rows.
struct RenderedPage {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Pixels;
  std::array<int, 3> At(int AX, int AY) const {
    if (AX < 0 || AY < 0 || AX >= Width || AY >= Height) return {-1, -1, -1};
    const size_t at = (static_cast<size_t>(AY) * static_cast<size_t>(Width) + static_cast<size_t>(AX)) * 3;
    return {Pixels[at], Pixels[at + 1], Pixels[at + 2]};
  }
};

RenderedPage RenderFirstPage(const std::filesystem::path& APdf) {
  const auto prefix = vn::pdfdoc::model_testing::TempPdf("written_render");
  RenderedPage page;
  if (vn::pdf::testing::RunTool("pdftoppm -r 72 -cropbox -singlefile " + APdf.string() + " " + prefix.string()) != 0)
    return page;
  std::ifstream in(prefix.string() + ".ppm", std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> page.Width >> page.Height >> maxval;
  in.get();
  page.Pixels.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (magic != "P6" || maxval != 255 || page.Pixels.size() < static_cast<size_t>(page.Width * page.Height * 3))
    page = RenderedPage{};
  return page;
}

// The writer's coordinates are those of the page as shown, from its lower
// left corner: on a page with a crop box away from the origin they are
// shifted to the box, and on a page turned by 90 degrees they are turned
// with it. The same drawing must land at the same shown places on both.
TEST(PDContentWriter, WrittenOntoAPageRendersWhereItWasPutAfterSave) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm missing";
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  struct Case {
    const char* What;
    const char* Page;  // the page's entries
    int Width, Height;  // of the page as shown
  };
  const Case cases[] = {
      {"crop box away from the origin", "/MediaBox [0 0 200 100] /CropBox [50 20 200 100]", 150, 80},
      {"turned by 90 degrees", "/MediaBox [0 0 100 200] /Rotate 90", 200, 100},
  };
  using Rgb = std::array<int, 3>;
  const Rgb red = {255, 0, 0}, blue = {0, 0, 255}, green = {0, 255, 0}, black = {0, 0, 0},
            white = {255, 255, 255};
  struct Probe {
    const char* What;
    int X, Y;  // in the writer's coordinates
    Rgb Color;
  };
  const Probe probes[] = {
      {"filled rectangle", 25, 20, red},
      {"left of it", 5, 20, white},
      {"above it", 25, 35, white},
      {"wide stroked line", 90, 40, blue},
      {"its width", 90, 42, blue},
      {"beyond its end", 125, 40, white},
      {"even-odd ring", 105, 17, green},
      {"even-odd hole", 120, 17, white},
      {"fill after restore keeps the default colour", 70, 20, black},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    auto handler = vn::pdfdoc::model_testing::OpenPdfBytes(vn::test_support::PdfOfObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         std::string("<< /Type /Page /Parent 2 0 R ") + c.Page + " >>"}));
    TvnPDPage* page = handler->GetPage(1);
    ASSERT_NE(page, nullptr);
    vn::pdf::TvnPDStream* stream = page->AddNewContentStream("");
    ASSERT_NE(stream, nullptr);
    const TvnPDRect* box = page->Cropbox() ? page->Cropbox() : page->Mediabox();
    TvnPDContentWriter writer(stream, box, page->NormalizedRotate());
    writer.Save();
    writer.SetBrushColor(255, 0, 0);
    writer.Rectangle(10, 30, 40, 10);
    writer.FillPath();
    writer.SetPenColor(0, 0, 255);
    writer.SetPenWidth(6);
    writer.MoveTo(60, 40);
    writer.LineTo(120, 40);
    writer.StrokePath();
    writer.EvenOddFillMode = true;
    writer.SetBrushColor(0, 255, 0);
    writer.Rectangle(100, 30, 140, 5);
    writer.Rectangle(110, 23, 130, 12);
    writer.FillPath();
    writer.Restore();
    writer.EvenOddFillMode = false;
    writer.Rectangle(60, 30, 80, 10);
    writer.FillPath();

    const auto file = vn::pdfdoc::model_testing::TempPdf("written.pdf");
    handler->SaveDocument(file);
    EXPECT_EQ(vn::pdf::testing::RunTool("qpdf --check " + file.string()), 0);
    const RenderedPage shown = RenderFirstPage(file);
    ASSERT_EQ(shown.Width, c.Width);
    ASSERT_EQ(shown.Height, c.Height);
    for (const Probe& p : probes) {
      SCOPED_TRACE(p.What);
      // Pixel rows run down from the top: the pixel covering (x, y) to
      // (x + 1, y + 1).
      EXPECT_EQ(shown.At(p.X, c.Height - 1 - p.Y), p.Color);
    }
  }
}

}  // namespace vn::pdfdoc::pd_content_writer_test
