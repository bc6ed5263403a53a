// Page content of the PDF engine: the operator text of shapes, paths and
// clips, the balance of graphics states, and the rendered pixels of shapes,
// dashed and thick lines, clips, hatches and the page background.
#include <regex>

#include "pdf_test_support.h"

namespace vn::pdfwriter::testing::pdf_content_test {
namespace {

using vn::exporter::TvnClipItem;
using vn::exporter::TvnEOFItem;
using vn::exporter::TvnPathItem;
using vn::exporter::TvnPathOperation;
using vn::exporter::TvnPoints;

constexpr uint32_t kWhite = 0xFFFFFF;

// 0x00BBGGRR colours of the engine, and their 0xRRGGBB pixels.
constexpr vn::exporter::TColor kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

class ContentEngine : public TestEngine {
 public:
  ContentEngine() { Compression().Enabled = false; }

  void Path(TvnPathOperation op, uint32_t mode = 0) {
    auto item = std::make_unique<TvnPathItem>();
    item->PathOperation = op;
    item->Mode = mode;
    item->Pen = Pen();
    item->Brush = Brush();
    AddItem(std::move(item));
  }
  void Clip(std::vector<vn::framework::TRect> rects, uint32_t mode) {
    auto item = std::make_unique<TvnClipItem>();
    item->ClipRects = std::move(rects);
    item->Mode = mode;
    AddItem(std::move(item));
  }
  void RestoreClip() {
    auto item = std::make_unique<TvnClipItem>();
    item->Restore = true;
    AddItem(std::move(item));
  }
  void Eof() {
    auto item = std::make_unique<TvnEOFItem>();
    item->Status = true;
    AddItem(std::move(item));
  }
  // The finished document: its first page's content after checking the
  // balance of every page (qpdf checks the file when the engine goes).
  std::string Finish() {
    EndDoc();
    const std::string pdf = Bytes();
    const auto contents = PageContents(pdf);
    for (const std::string& content : contents) EXPECT_TRUE(Balanced(content)) << content;
    return contents.empty() ? std::string() : contents.front();
  }
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(PdfContent, ZeroWidthPenStrokesHairlines) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Pen().Width = 0;
  engine.Line(0, 0, 10, 10);
  EXPECT_NE(engine.Finish().find("[]0 d 0.0010 w 0.0000 0.0000 0.0000 RG 0.0000 150.0000 m 7.5000 142.5000 l S"),
            std::string::npos);
}

TEST(PdfContent, ClosedPolygonEndings) {
  struct Case {
    TBrushStyle brush;
    TPenStyle pen;
    const char* ending;
  } cases[] = {{TBrushStyle::bsSolid, TPenStyle::psSolid, "l B* "},
               {TBrushStyle::bsCross, TPenStyle::psSolid, "l  B"},
               {TBrushStyle::bsSolid, TPenStyle::psClear, "l  f "},
               {TBrushStyle::bsClear, TPenStyle::psSolid, "l  s"}};
  for (const Case& c : cases) {
    ContentEngine engine;
    engine.BeginDoc();
    engine.Brush().Style = c.brush;
    engine.Pen().Style = c.pen;
    engine.Polygon({{10, 10}, {50, 10}, {30, 40}}, true);
    const std::string content = engine.Finish();
    EXPECT_NE(content.find(c.ending), std::string::npos) << c.ending << "\n" << content;
  }
}

TEST(PdfContent, OneHatchPatternPerStyleInTheDocument) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Brush().Style = TBrushStyle::bsHorizontal;
  engine.Rectangle(10, 10, 50, 50, true);
  engine.NewPage();
  engine.Rectangle(10, 10, 50, 50, true);
  engine.Brush().Style = TBrushStyle::bsCross;
  engine.Ellipse(10, 10, 50, 50, true);
  engine.Finish();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(Count(pdf, "/PatternType 1"), 2);
  EXPECT_NE(pdf.find("/ColorSpace <</CSP [/Pattern /DeviceRGB]>>\r\n/Pattern <</PH 9 0 R/PC 13 0 R>>\r\n"), std::string::npos);
}

TEST(PdfContent, PathBracketCollectsFigures) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Path(TvnPathOperation::poBeginPath);
  engine.Line(10, 10, 50, 10);
  engine.Line(50, 10, 50, 50);  // continues from the current point
  engine.Path(TvnPathOperation::poCloseFigure);
  engine.Line(50, 50, 10, 50);  // a closed figure: the next one starts anew
  engine.Rectangle(60, 60, 70, 70, false);
  engine.Path(TvnPathOperation::poEndPath);
  engine.Path(TvnPathOperation::poStrokePath);
  const std::string content = engine.Finish();
  EXPECT_NE(content.find("7.5000 142.5000 m 37.5000 142.5000 l 37.5000 112.5000 l h 37.5000 112.5000 m 7.5000 112.5000 l "
                         "45.0000 97.5000 7.5000 7.5000 re s"),
            std::string::npos)
      << content;
}

TEST(PdfContent, ClosedClipPathReturnsToItsFirstPoint) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Path(TvnPathOperation::poBeginPath);
  engine.PolyLine({{0, 0}, {100, 0}, {0, 100}});
  engine.Path(TvnPathOperation::poCloseFigure);
  engine.Path(TvnPathOperation::poEndPath);
  engine.Path(TvnPathOperation::poSelectClipPath, 5);
  const std::string content = engine.Finish();
  EXPECT_NE(content.find("0.0000 75.0000 l h 0.0000 150.0000 l  W* n"), std::string::npos) << content;
}

// Clip sequences that left graphics states open or closed too many before.
TEST(PdfContent, GraphicsStatesBalanceForEveryClipSequence) {
  using Step = std::function<void(ContentEngine&)>;
  const Step region_and = [](ContentEngine& e) { e.Clip({{10, 10, 90, 90}}, 1); };
  const Step region_copy = [](ContentEngine& e) { e.Clip({{0, 0, 100, 100}, {0, 0, 50, 50}, {50, 50, 100, 100}}, 5); };
  const Step path_and = [](ContentEngine& e) {
    e.Path(TvnPathOperation::poBeginPath);
    e.Rectangle(0, 0, 60, 60, false);
    e.Path(TvnPathOperation::poEndPath);
    e.Path(TvnPathOperation::poSelectClipPath, 1);
  };
  const Step restore = [](ContentEngine& e) { e.RestoreClip(); };
  const Step eof = [](ContentEngine& e) { e.Eof(); };
  const Step shape = [](ContentEngine& e) { e.Rectangle(5, 5, 95, 95, true); };
  const std::vector<std::vector<Step>> sequences = {
      {path_and, shape},                          // a first intersecting path clip
      {region_and, region_and, region_and, shape},  // nested intersections
      {region_copy, shape, region_copy, shape},     // copy replaces
      {region_and, path_and, shape, restore, shape},
      {path_and, shape, eof, shape, restore},
      {restore, eof, shape},
  };
  for (size_t i = 0; i < sequences.size(); ++i) {
    ContentEngine engine;
    engine.BeginDoc();
    for (const Step& step : sequences[i]) step(engine);
    const std::string content = engine.Finish();
    EXPECT_TRUE(Balanced(content)) << i << "\n" << content;
  }
}

TEST(PdfContent, ArcFromAndToTheSameRayIsAFullEllipse) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Arc(0, 0, 100, 100, 100, 50, 150, 50);
  const std::string content = engine.Finish();
  EXPECT_EQ(Count(content, " c ") + Count(content, " y "), 4) << content;
}

// Shapes take the line-art opacity in force when their page is rendered;
// each opacity value has one transparency state in the document.
TEST(PdfContent, OneTransparencyStatePerOpacity) {
  ContentEngine engine;
  engine.Preferences().SetProcessAfterEachPage(true);
  engine.BeginDoc();
  engine.LineArtSettings().Opacity = 50;
  engine.Rectangle(10, 10, 50, 50, true);
  engine.Ellipse(10, 10, 50, 50, true);
  engine.NewPage();
  engine.LineArtSettings().Opacity = 25;
  engine.Rectangle(10, 10, 50, 50, true);
  engine.NewPage();
  engine.LineArtSettings().Opacity = 50;
  engine.Rectangle(10, 10, 50, 50, true);
  engine.Finish();
  const std::string pdf = engine.Bytes();
  const auto contents = PageContents(pdf);
  ASSERT_EQ(contents.size(), 3u);
  EXPECT_EQ(Count(contents[0], "/GS1 gs"), 2);
  EXPECT_EQ(Count(contents[1], "/GS2 gs"), 1);
  EXPECT_EQ(Count(contents[2], "/GS1 gs"), 1);
  EXPECT_EQ(Count(pdf, "/ExtGState\r\n"), 2);
  EXPECT_NE(pdf.find("/Type\r\n/ExtGState\r\n/ca 0.5\r\n/CA 0.5\r\n"), std::string::npos);
  EXPECT_NE(pdf.find("/Type\r\n/ExtGState\r\n/ca 0.25\r\n/CA 0.25\r\n"), std::string::npos);
  EXPECT_NE(pdf.find("/ExtGState <</GS1 9 0 R/GS2 13 0 R>>"), std::string::npos);
}

TEST(PdfContent, EachShapeKeepsTheOpacityItWasDrawnWith) {
  // The pages are rendered at the end of the document, when the engine's
  // opacity is long back at 100.
  ContentEngine engine;
  engine.BeginDoc();
  engine.LineArtSettings().Opacity = 50;
  engine.Rectangle(10, 10, 50, 50, true);
  engine.LineArtSettings().Opacity = 25;
  engine.Ellipse(10, 10, 50, 50, true);
  engine.LineArtSettings().Opacity = 100;
  engine.Rectangle(60, 60, 90, 90, true);
  const std::string content = engine.Finish();
  const std::string pdf = engine.Bytes();
  EXPECT_NE(pdf.find("/ca 0.5\r\n"), std::string::npos);
  EXPECT_NE(pdf.find("/ca 0.25\r\n"), std::string::npos);
  const size_t first = content.find("/GS1 gs"), second = content.find("/GS2 gs");
  ASSERT_NE(first, std::string::npos) << content;
  ASSERT_NE(second, std::string::npos) << content;
  // The rectangle (its " re") under the first state, the ellipse under the second.
  EXPECT_LT(first, second);
  EXPECT_NE(content.substr(first, second - first).find(" re"), std::string::npos) << content;
  // The opaque rectangle draws without a state.
  EXPECT_EQ(Count(content, " gs"), 2);
}

TEST(PdfContent, APathLeftOpenByAMetafileEndsWithIt) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Path(TvnPathOperation::poBeginPath);
  engine.Line(0, 0, 10, 10);
  engine.Eof();
  engine.Rectangle(20, 20, 40, 40, true);
  const std::string content = engine.Finish();
  // The rectangle is painted, the unfinished path is not.
  EXPECT_NE(content.find(" re f "), std::string::npos) << content;
  EXPECT_EQ(content.find(" l "), std::string::npos) << content;
}

TEST(PdfContent, AClipAfterAShapeStaysApartFromIt) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Clip({{0, 0, 100, 100}}, 1);
  engine.Rectangle(10, 10, 20, 20, true);
  engine.Clip({{5, 5, 50, 50}}, 1);
  const std::string content = engine.Finish();
  EXPECT_FALSE(std::regex_search(content, std::regex("Q[-0-9.]"))) << content;
}

TEST(PdfContent, NumbersAreNeverInExponentForm) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Line(1e-9, -1e-12, 1e20, 1e25);
  engine.Rectangle(-1e30, 1e-30, 5e17, 3, true);
  engine.Ellipse(1e300, -1e300, 0.00001, 2, true);
  engine.Polygon({{1e-7, 1e7}, {3e15, -2e16}, {1, 1}}, true);
  engine.Finish();
  // Hexadecimal strings aside, no number has an exponent.
  const std::string pdf = std::regex_replace(engine.Bytes(), std::regex("<[0-9A-F]+>"), "<>");
  static const std::regex exponent(R"(\d[eE][-+]?\d)");
  EXPECT_FALSE(std::regex_search(pdf, exponent));
  EXPECT_NE(pdf.find("1000000000000.0000"), std::string::npos);
}

TEST(PdfContent, PolyDrawOutsideAPathIsStroked) {
  ContentEngine engine;
  engine.BeginDoc();
  auto item = std::make_unique<vn::exporter::TvnPolyDrawItem>();
  item->NoPoints = 5;
  item->SetPoints();
  item->Points = {{0, 0}, {10, 0}, {20, 10}, {30, 0}, {40, 10}};
  item->Operations = {6, 2, 4, 4, 5};
  engine.AddItem(std::move(item));
  const std::string content = engine.Finish();
  EXPECT_NE(content.find("0.0000 150.0000 m \r\n7.5000 150.0000 l \r\n15.0000 142.5000 22.5000 150.0000 30.0000 142.5000 c h"),
            std::string::npos)
      << content;
}

// A reader draws every dash of a stroke and builds the outline of every
// pen, on the page or not: dashes that would mostly fall off the page are
// written solid, and a line wider than the page many times over narrower.
TEST(PdfContent, StrokesThatWouldCostAReaderWithoutShowingAreTamed) {
  struct Case {
    const char* name;
    double x2;   // the line runs from (0, 100) to (x2, 100)
    int32_t width;
    const char* has;
    const char* lacks;
  } cases[] = {
      {"dashes on the page stay", 200, 2, "[16 8]0 d 1.5000 w", nullptr},
      {"a few dashes off the page stay", 3000, 2, "[16 8]0 d", nullptr},
      {"dashes running a billion pixels off the page go", 1e9, 2, "[]0 d 1.5000 w", "[16 8]"},
      {"a pen a billion pixels wide narrows to eight page widths", 200, 1'000'000'000, "1200.0000 w", nullptr},
  };
  for (const auto& c : cases) {
    ContentEngine engine;  // 200 x 200 pixels: 150 points square
    engine.BeginDoc();
    engine.Pen().Style = TPenStyle::psDash;
    engine.Pen().Width = c.width;
    engine.Line(0, 100, c.x2, 100);
    const std::string content = engine.Finish();
    EXPECT_NE(content.find(c.has), std::string::npos) << c.name << "\n" << content;
    if (c.lacks) EXPECT_EQ(content.find(c.lacks), std::string::npos) << c.name << "\n" << content;
  }
}

// ---- rendered pixels (pdftoppm, one pixel per engine pixel)

TEST(PdfRender, ShapesAndLines) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Pen().Style = TPenStyle::psClear;
  engine.Brush().Color = kRed;
  engine.Rectangle(20, 20, 80, 80, true);
  engine.Brush().Color = kGreen;
  engine.Ellipse(100, 10, 190, 90, true);
  engine.Pen().Style = TPenStyle::psSolid;
  engine.Pen().Color = kBlue;
  engine.Pen().Width = 10;
  engine.Line(20, 120, 180, 120);  // thick: 7.5 points, 10 pixels
  engine.Pen().Color = 0;
  engine.Pen().Width = 2;
  engine.Pen().Style = TPenStyle::psDash;  // 16 points on, 8 off
  engine.Line(0, 160, 200, 160);
  engine.Finish();
  const auto raster = Render(engine.Bytes(), "shapes");
  if (!raster) GTEST_SKIP() << "pdftoppm missing";
  struct Probe {
    int x, y;
    uint32_t rgb;
  } probes[] = {{50, 50, 0xFF0000}, {10, 10, kWhite},  {85, 50, kWhite},  {145, 50, 0x00FF00}, {102, 12, kWhite},
                {100, 116, 0x0000FF}, {100, 123, 0x0000FF}, {100, 128, kWhite}, {100, 110, kWhite},
                {10, 160, 0x000000}, {26, 160, kWhite},   {40, 160, 0x000000}, {40, 166, kWhite}};
  for (const Probe& p : probes) EXPECT_EQ(raster->At(p.x, p.y), p.rgb) << p.x << "," << p.y;
}

TEST(PdfRender, ClipByRegionAndByPath) {
  ContentEngine engine;
  engine.BeginDoc();
  engine.Pen().Style = TPenStyle::psClear;
  // Region: the right half of the top band only.
  engine.Clip({{100, 0, 200, 100}}, 1);
  engine.Brush().Color = kRed;
  engine.Rectangle(0, 0, 200, 100, true);
  engine.RestoreClip();
  // Path: a triangle over the bottom band.
  engine.Path(TvnPathOperation::poBeginPath);
  engine.Polygon({{0, 100}, {200, 100}, {0, 200}}, true);
  engine.Path(TvnPathOperation::poEndPath);
  engine.Path(TvnPathOperation::poSelectClipPath, 5);
  engine.Brush().Color = kBlue;
  engine.Rectangle(0, 100, 200, 200, true);
  engine.RestoreClip();
  // After the restore nothing is clipped.
  engine.Brush().Color = kGreen;
  engine.Rectangle(180, 180, 200, 200, true);
  engine.Finish();
  const auto raster = Render(engine.Bytes(), "clips");
  if (!raster) GTEST_SKIP() << "pdftoppm missing";
  struct Probe {
    int x, y;
    uint32_t rgb;
  } probes[] = {{150, 50, 0xFF0000}, {50, 50, kWhite}, {30, 130, 0x0000FF}, {150, 170, kWhite}, {120, 160, kWhite},
                {190, 190, 0x00FF00}};
  for (const Probe& p : probes) EXPECT_EQ(raster->At(p.x, p.y), p.rgb) << p.x << "," << p.y;
}

TEST(PdfRender, HatchBrushes) {
  struct Case {
    TBrushStyle style;
    bool rows, columns;  // whether lines cross a column / a row of the fill
  } cases[] = {{TBrushStyle::bsHorizontal, true, false}, {TBrushStyle::bsVertical, false, true},
               {TBrushStyle::bsCross, true, true},       {TBrushStyle::bsDiagCross, true, true},
               {TBrushStyle::bsFDiagonal, true, true},   {TBrushStyle::bsBDiagonal, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.style));
    ContentEngine engine;
    engine.BeginDoc();
    engine.Pen().Style = TPenStyle::psClear;
    engine.Brush().Style = c.style;
    engine.Brush().Color = kBlue;
    engine.Rectangle(100, 100, 200, 200, true);
    engine.Finish();
    const auto raster = Render(engine.Bytes(), "hatch");
    if (!raster) GTEST_SKIP() << "pdftoppm missing";
    // Pattern cells are drawn anti-aliased: a line pixel is a tint of the
    // brush colour. Lines every 5 points (6.7 pixels) cross 90 pixels of
    // the fill about 13 times.
    int other = 0, outside = 0;
    const auto runs = [&](bool column) {
      int count = 0;
      bool in_line = false;
      for (int i = 105; i < 195; ++i) {
        const uint32_t px = column ? raster->At(150, i) : raster->At(i, 150);
        const uint32_t r = px >> 16, g = (px >> 8) & 0xFF, b = px & 0xFF;
        if (b != 0xFF || r != g) ++other;
        const bool dark = r < 0xE0;
        count += dark && !in_line;
        in_line = dark;
      }
      return count;
    };
    const int across_rows = runs(true), across_columns = runs(false);
    for (int i = 5; i < 95; ++i) outside += raster->At(i, i) != kWhite;
    EXPECT_EQ(other, 0);
    EXPECT_EQ(outside, 0);
    EXPECT_TRUE(c.rows ? across_rows >= 10 : across_rows <= 1) << across_rows;
    EXPECT_TRUE(c.columns ? across_columns >= 10 : across_columns <= 1) << across_columns;
    EXPECT_LE(across_rows, 30);
    EXPECT_LE(across_columns, 30);
  }
}

TEST(PdfRender, InputResolutionScalesTheContent) {
  ContentEngine engine;
  engine.SetInputXRes(192);
  engine.SetInputYRes(192);
  engine.BeginDoc();
  engine.Pen().Style = TPenStyle::psClear;
  engine.Brush().Color = kRed;
  engine.Rectangle(40, 40, 160, 160, true);  // input pixels: 20 to 80 on the page
  const std::string content = engine.Finish();
  EXPECT_EQ(content.substr(0, 28), "q 0.5000 0 0 0.5000 0 0 cm\r\n");
  const auto raster = Render(engine.Bytes(), "resolution");
  if (!raster) GTEST_SKIP() << "pdftoppm missing";
  EXPECT_EQ(raster->At(50, 50), 0xFF0000u);
  EXPECT_EQ(raster->At(85, 50), kWhite);
  EXPECT_EQ(raster->At(15, 50), kWhite);
}

// The fill and frame of an image item's display rectangle.
class FrameEngine : public ContentEngine {
 protected:
  void RenderImageItem(vn::exporter::TvnImageItem& item) override {
    std::string text;
    WriteItemFrame(item, text);
    WriteContent(text);
  }
};

TEST(PdfRender, ImageItemFrame) {
  struct Case {
    bool all_sides;
    uint32_t left_edge;  // pixel on the frame's left side
  } cases[] = {{true, 0x0000FF}, {false, 0xFF0000}};
  for (const Case& c : cases) {
    FrameEngine engine;
    engine.BeginDoc();
    auto item = std::make_unique<vn::exporter::TvnImageItem>(vn::framework::TvnRect{40, 40, 160, 120});
    item->Brush.Color = kRed;
    item->Pen.Color = kBlue;
    item->Pen.Width = 6;
    item->Settings.IsFrame = true;
    item->Frame.IsLeft = c.all_sides;
    engine.AddItem(std::move(item));
    engine.Finish();
    const auto raster = Render(engine.Bytes(), "frame");
    if (!raster) GTEST_SKIP() << "pdftoppm missing";
    EXPECT_EQ(raster->At(100, 80), 0xFF0000u);  // filled
    EXPECT_EQ(raster->At(100, 40), 0x0000FFu);  // top side
    EXPECT_EQ(raster->At(160, 80), 0x0000FFu);  // right side
    EXPECT_EQ(raster->At(41, 80), c.left_edge);
    EXPECT_EQ(raster->At(100, 140), kWhite);
  }
}

// PDF/A output: every colour goes through the colour space CS0 (ICC-based
// sRGB), and the resources name it.
using ColourSpaceEngine = ContentEngine;

TEST(PdfRender, PdfAColoursGoThroughTheOutputColourSpace) {
  for (bool hatch : {false, true}) {
    ColourSpaceEngine engine;
    engine.Preferences().Version = TvnPDFSubVersion::sPDFA_VER1B;
    engine.BeginDoc();
    engine.Brush().Color = kRed;
    engine.Pen().Color = kBlue;
    engine.Pen().Width = 4;
    if (hatch) engine.Brush().Style = TBrushStyle::bsCross;
    engine.Rectangle(20, 20, 80, 80, true);
    const std::string content = engine.Finish();
    EXPECT_EQ(content.find(" rg"), std::string::npos);
    EXPECT_EQ(content.find(" RG"), std::string::npos);
    EXPECT_NE(content.find("/CS0 CS 0.0000 0.0000 1.0000 SCN"), std::string::npos);
    const std::string pdf = engine.Bytes();
    EXPECT_TRUE(std::regex_search(pdf, std::regex(hatch ? R"(/ColorSpace <</CSP \[/Pattern /DeviceRGB\]/CS0 \d+ 0 R>>)"
                                                          : R"(/ColorSpace<</CS0 \d+ 0 R>>)")));
    if (hatch) continue;
    EXPECT_NE(content.find("/CS0 cs 1.0000 0.0000 0.0000 scn"), std::string::npos);
    const auto raster = Render(pdf, "pdfa");
    if (!raster) GTEST_SKIP() << "pdftoppm missing";
    EXPECT_EQ(raster->At(50, 50), 0xFF0000u);
    EXPECT_EQ(raster->At(20, 50), 0x0000FFu);
  }
}

// A 40 by 40 picture; the engine below writes it as a 2 by 2 image of red,
// green (top) and blue, yellow (bottom).
class SquarePicture : public vn::exporter::TGraphic {
 public:
  std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<SquarePicture>(); }
  void Assign(const TGraphic&) override {}
  void SaveToStream(vn::TStream&) const override {}
  int32_t Width() const override { return 40; }
  int32_t Height() const override { return 40; }
};

class BackgroundEngine : public ContentEngine {
 protected:
  int32_t WriteBackgroundImage(const TGraphic&) override {
    const int32_t n = NewObjectNumber();
    const std::string data("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\x00", 12);
    WriteStreamObject(n, "/Type/XObject/Subtype/Image/Width 2/Height 2/ColorSpace/DeviceRGB/BitsPerComponent 8/Length 12",
                      data);
    return n;
  }
};

TEST(PdfRender, PageBackgroundColourAndPicture) {
  struct Case {
    vn::exporter::TvnBackgroundDisplayType type;
    struct {
      int x, y;
      uint32_t rgb;
    } probes[4];
  } cases[] = {
      // Top left: the picture's 40 points are 53 pixels.
      {vn::exporter::TvnBackgroundDisplayType::dtTopLeft,
       {{13, 13, 0xFF0000}, {40, 13, 0x00FF00}, {13, 40, 0x0000FF}, {100, 100, 0xC0C0C0}}},
      // Tiled from the page's lower left corner: the bottom tile row's
      // lower half is blue and yellow, and it repeats to the right.
      {vn::exporter::TvnBackgroundDisplayType::dtTile,
       {{13, 187, 0x0000FF}, {40, 187, 0xFFFF00}, {67, 187, 0x0000FF}, {67, 160, 0xFF0000}}},
  };
  for (const Case& c : cases) {
    BackgroundEngine engine;
    engine.SetBackgroundColor(0xC0C0C0);
    SquarePicture picture;
    vn::exporter::TPicture holder;
    holder.SetGraphic(&picture);
    engine.SetBackgroundImage(holder);
    engine.SetBackgroundImageDisplayType(c.type);
    engine.BeginDoc();
    engine.NewPage();
    engine.Finish();
    const std::string pdf = engine.Bytes();
    EXPECT_EQ(Count(pdf, "/Subtype/Image"), 1);
    EXPECT_EQ(PageContents(pdf).size(), 2u);
    const auto raster = Render(pdf, "background");
    if (!raster) GTEST_SKIP() << "pdftoppm missing";
    for (const auto& p : c.probes) EXPECT_EQ(raster->At(p.x, p.y), p.rgb) << p.x << "," << p.y;
  }
}

TEST(PdfRender, NoBackgroundColourLeavesThePageBlank) {
  ContentEngine engine;
  engine.SetBackgroundColor(kNoBackgroundColor);
  engine.BeginDoc();
  const std::string content = engine.Finish();
  EXPECT_NE(content.find("\r\nq\r\n\r\nQ "), std::string::npos);
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_content_test
