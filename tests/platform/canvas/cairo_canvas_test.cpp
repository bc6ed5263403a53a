// The raster canvas: clips, pens, brushes, paths, text and bitmaps drawn
// as the device draws them.
#include "platform/canvas/cairo_canvas.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

#include "platform/canvas/text_measure.h"
#include "platform/emf/emf_records.h"
#include "platform/fonts/font_catalog.h"
#include "platform/fonts/gdi_font.h"
#include "platform/images/image_codecs.h"
#include "support/pixels.h"

namespace vn::platform::cairo_canvas_test {
namespace {

using testing::FilledBitmap;
using testing::FromArgb;
using testing::ToArgb;

constexpr uint32_t kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

Pen NullPen() {
  Pen p;
  p.style = PenStyle::Clear;
  return p;
}
Brush SolidBrush(Color c) {
  Brush b;
  b.color = c;
  return b;
}

TEST(CairoCanvas, ClipRegionsCombineInEveryMode) {
  struct Case {
    RegionMode mode;
    bool onlyA, both, onlyB, neither;
  } cases[] = {
      {RegionMode::And, false, true, false, false},  {RegionMode::Or, true, true, true, false},
      {RegionMode::Xor, true, false, true, false},   {RegionMode::Diff, true, false, false, false},
      {RegionMode::Copy, false, true, true, false},
  };
  for (const auto& c : cases) {
    CairoCanvas canvas(50, 50);
    const Rect a{10, 10, 30, 30}, b{20, 20, 40, 40};
    canvas.SelectClipRegion(std::span(&a, 1), RegionMode::Copy);
    canvas.SelectClipRegion(std::span(&b, 1), c.mode);
    canvas.SetPen(NullPen());
    canvas.SetBrush(SolidBrush(0));
    canvas.Rectangle({0, 0, 50, 50});
    const int mode = int(c.mode);
    EXPECT_EQ(canvas.PixelAt(15, 15) == kBlack, c.onlyA) << mode;
    EXPECT_EQ(canvas.PixelAt(25, 25) == kBlack, c.both) << mode;
    EXPECT_EQ(canvas.PixelAt(35, 35) == kBlack, c.onlyB) << mode;
    EXPECT_EQ(canvas.PixelAt(5, 5) == kBlack, c.neither) << mode;
  }
}

TEST(CairoCanvas, SaveAndRestoreBringBackClipTransformAndObjects) {
  CairoCanvas canvas(40, 40);
  canvas.SetPen(NullPen());
  canvas.SetBrush(SolidBrush(RGBColor(255, 0, 0)));
  EXPECT_EQ(canvas.SaveDC(), 1);
  canvas.IntersectClipRect({0, 0, 10, 10});
  canvas.SetWorldTransform(Transform::Scaling(2, 2));
  canvas.SetBrush(SolidBrush(0));
  EXPECT_EQ(canvas.SaveDC(), 2);
  canvas.RestoreDC(1);  // back to before both saves
  EXPECT_TRUE(canvas.WorldTransform().IsIdentity());
  canvas.Rectangle({0, 0, 40, 40});
  EXPECT_EQ(canvas.PixelAt(30, 30), 0xFFFF0000u) << "no clip, red brush";
  canvas.RestoreDC(-1);  // nothing left: no change
  EXPECT_TRUE(canvas.WorldTransform().IsIdentity());
}

TEST(CairoCanvas, PensCoverThePixelsTheDeviceCovers) {
  CairoCanvas canvas(40, 40);
  canvas.MoveTo({0, 5});
  canvas.LineTo({30, 5});  // the default pen: one pixel, black
  EXPECT_EQ(canvas.PixelAt(10, 5), kBlack);
  EXPECT_EQ(canvas.PixelAt(10, 4), kWhite);
  EXPECT_EQ(canvas.PixelAt(10, 6), kWhite);
  // A geometric pen scales with the transform: 3 units at scale 2 is 6 pixels.
  Pen wide;
  wide.width = 3;
  wide.cap = PenCap::Flat;
  canvas.SetPen(wide);
  canvas.SetWorldTransform(Transform::Scaling(2, 2));
  canvas.MoveTo({0, 10});
  canvas.LineTo({15, 10});
  int covered = 0;
  for (int y = 14; y < 27; ++y) covered += canvas.PixelAt(10, y) == kBlack;
  EXPECT_EQ(covered, 6);
  // A rectangle is framed inside its right and bottom edges.
  CairoCanvas r(20, 20);
  r.Rectangle({2, 2, 12, 12});
  EXPECT_EQ(r.PixelAt(11, 6), kBlack);
  EXPECT_EQ(r.PixelAt(12, 6), kWhite);
  EXPECT_EQ(r.PixelAt(6, 6), kWhite) << "white default brush inside";
}

TEST(CairoCanvas, HatchAndPatternBrushesTileFromTheDeviceOrigin) {
  CairoCanvas canvas(32, 32);
  Brush hatch;
  hatch.style = BrushStyle::Hatch;
  hatch.hatch = HatchStyle::Cross;
  hatch.color = RGBColor(0, 0, 255);
  canvas.SetPen(NullPen());
  canvas.SetBkColor(RGBColor(255, 255, 0));
  canvas.SetBrush(hatch);
  canvas.Rectangle({0, 0, 16, 32});
  EXPECT_EQ(canvas.PixelAt(7, 3), 0xFF0000FFu) << "vertical line of the cross";
  EXPECT_EQ(canvas.PixelAt(3, 15), 0xFF0000FFu) << "horizontal line";
  EXPECT_EQ(canvas.PixelAt(3, 3), 0xFFFFFF00u) << "opaque background between the lines";
  canvas.SetBkMode(BkMode::Transparent);
  canvas.Rectangle({16, 0, 32, 16});
  EXPECT_EQ(canvas.PixelAt(19, 3), kWhite) << "transparent background";
  auto pattern = std::make_shared<Bitmap>(FilledBitmap(2, 2, 0xFFFF0000));
  pattern->SetPixel(1, 1, FromArgb(0xFF00FF00));
  Brush tiles;
  tiles.style = BrushStyle::Pattern;
  tiles.pattern = pattern;
  canvas.SetBrush(tiles);
  canvas.Rectangle({17, 17, 31, 31});
  EXPECT_EQ(canvas.PixelAt(18, 18), 0xFFFF0000u);
  EXPECT_EQ(canvas.PixelAt(19, 19), 0xFF00FF00u);
}

TEST(CairoCanvas, PathsFillStrokeAndClip) {
  // Two overlapping squares in one path: alternate leaves the overlap
  // empty, winding fills it.
  for (FillMode mode : {FillMode::Alternate, FillMode::Winding}) {
    CairoCanvas canvas(40, 40);
    canvas.SetPolyFillMode(mode);
    canvas.SetBrush(SolidBrush(0));
    canvas.BeginPath();
    canvas.Rectangle({0, 0, 20, 20});
    canvas.Rectangle({10, 10, 30, 30});
    canvas.EndPath();
    EXPECT_EQ(canvas.PixelAt(5, 5), kWhite) << "nothing drawn before the fill";
    canvas.FillPath();
    EXPECT_EQ(canvas.PixelAt(5, 5), kBlack);
    EXPECT_EQ(canvas.PixelAt(15, 15), mode == FillMode::Winding ? kBlack : kWhite);
  }
  // A triangle as clip.
  CairoCanvas canvas(40, 40);
  canvas.BeginPath();
  canvas.MoveTo({0, 0});
  const Point tri[] = {{40, 0}, {0, 40}};
  canvas.PolylineTo(tri);
  canvas.CloseFigure();
  canvas.EndPath();
  canvas.SelectClipPath(RegionMode::Copy);
  canvas.SetPen(NullPen());
  canvas.SetBrush(SolidBrush(0));
  canvas.Rectangle({0, 0, 40, 40});
  EXPECT_EQ(canvas.PixelAt(5, 5), kBlack);
  EXPECT_EQ(canvas.PixelAt(35, 35), kWhite);
}

TEST(CairoCanvas, TextIsMeasuredByTheFontsService) {
  CairoCanvas canvas(200, 60);
  Font font;
  font.faceName = u"Arial";
  font.height = -20;
  canvas.SetFont(font);
  const auto gdi = GdiFont::Create({u"Arial", -20, false, false});
  const Size extent = canvas.TextExtent(u"Hello, world");
  EXPECT_EQ(extent.cx, gdi->TextExtent(u"Hello, world").Width);
  EXPECT_EQ(extent.cy, gdi->Metrics().Height);
  auto adv = canvas.CharAdvances(u"Hi");
  ASSERT_EQ(adv.size(), 2u);
  EXPECT_EQ(adv[0], gdi->CharAdvance(U'H'));
}

TEST(CairoCanvas, TextAlignmentPlacesTheCell) {
  struct Case {
    uint32_t align;
    bool inkAbove, inkLeft;  // of the reference point (100, 30)
  } cases[] = {
      {emf::TA_TOP | emf::TA_LEFT, false, false},
      {emf::TA_BASELINE | emf::TA_LEFT, true, false},
      {emf::TA_BOTTOM | emf::TA_RIGHT, true, true},
      {emf::TA_TOP | emf::TA_CENTER, false, true},
  };
  for (const auto& c : cases) {
    CairoCanvas canvas(200, 60);
    Font font;
    font.height = -16;
    canvas.SetFont(font);
    canvas.SetBkMode(BkMode::Transparent);
    canvas.SetTextAlign(c.align);
    canvas.TextOut({100, 30}, u"MMMM", {});
    int above = 0, below = 0, left = 0, right = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 200; ++x)
        if (canvas.PixelAt(x, y) != kWhite) (y < 30 ? above : below)++, (x < 100 ? left : right)++;
    EXPECT_EQ(above > below, c.inkAbove) << c.align;
    EXPECT_EQ(left > 0, c.inkLeft) << c.align;
  }
}

// Characters the font lacks are drawn in the face that has them, the one
// their advances were measured in, not as missing-glyph boxes; Arabic
// letters are shaped, so a word of joining letters is one unbroken stroke.
TEST(CairoCanvas, TextTheFontLacksIsDrawnInTheFaceThatHasIt) {
  const auto draw = [](const char16_t* AFace, std::u16string_view AText) {
    auto canvas = std::make_unique<CairoCanvas>(160, 60);
    Font font;
    font.faceName = AFace;
    font.height = -40;
    canvas->SetFont(font);
    canvas->SetBkMode(BkMode::Transparent);
    canvas->TextOut({10, 5}, AText, {});
    return canvas;
  };
  const auto arial = GdiFont::Create({u"Arial", -40, false, false});
  const std::optional<FontFaceRef> fallback = FindFallbackFace(arial->Face(), U'\u4F60');
  ASSERT_TRUE(fallback);
  const auto lacking = draw(u"Arial", u"\u4F60\u597D");
  const auto having = draw(fallback->Family.c_str(), u"\u4F60\u597D");
  // The same glyphs, on the baseline of each font's own ascent: the same
  // ink, row for row, once the rows are lined up.
  const auto rows = [](CairoCanvas& ACanvas) {
    std::vector<int> ink;
    for (int y = 0; y < 60; ++y) {
      int row = 0;
      for (int x = 0; x < 160; ++x) row += ACanvas.PixelAt(x, y) != kWhite;
      if (row > 0 || !ink.empty()) ink.push_back(row);
    }
    while (!ink.empty() && ink.back() == 0) ink.pop_back();
    return ink;
  };
  const std::vector<int> drawn = rows(*lacking);
  EXPECT_GT(drawn.size(), 20u);
  EXPECT_EQ(drawn, rows(*having));

  const auto joined = draw(u"Arial", u"\u0628\u0628\u0628\u0628\u0628");
  std::vector<bool> inked(160, false);
  for (int x = 0; x < 160; ++x)
    for (int y = 0; y < 60; ++y)
      if ((joined->PixelAt(x, y) & 0xFF) < 128) inked[static_cast<size_t>(x)] = true;
  const auto first = std::find(inked.begin(), inked.end(), true);
  const auto last = std::find(inked.rbegin(), inked.rend(), true).base();
  ASSERT_LT(first, last);
  EXPECT_GT(last - first, 40);
  EXPECT_EQ(std::find(first, last, false), last) << "a gap inside the word";
}

TEST(CairoCanvas, OpaqueTextPaintsItsCell) {
  CairoCanvas canvas(100, 40);
  canvas.SetBkColor(RGBColor(0, 255, 0));
  canvas.TextOut({10, 10}, u"ii", std::vector<int32_t>{20, 20});  // wide advances
  EXPECT_EQ(canvas.PixelAt(45, 15), 0xFF00FF00u) << "the cell runs the whole advance";
  EXPECT_EQ(canvas.PixelAt(55, 15), kWhite);
}

TEST(CairoCanvas, BitmapsStretchMirrorAndCombine) {
  CairoCanvas canvas(40, 20);
  Bitmap px = FilledBitmap(2, 1, 0xFFFF0000);
  px.SetPixel(1, 0, FromArgb(0xFF0000FF));
  canvas.StretchDib({0, 0, 20, 20}, {0, 0, 2, 1}, EncodeDib24(px));
  EXPECT_EQ(canvas.PixelAt(3, 10), 0xFFFF0000u);
  EXPECT_EQ(canvas.PixelAt(17, 10), 0xFF0000FFu);
  canvas.StretchDib({40, 0, 20, 20}, {0, 0, 2, 1}, EncodeDib24(px));  // right < left: mirrored
  EXPECT_EQ(canvas.PixelAt(37, 10), 0xFFFF0000u);
  // SRCAND multiplies: white and grey give grey, red and grey dark red.
  canvas.StretchDib({0, 0, 40, 20}, {0, 0, 1, 1}, EncodeDib24(FilledBitmap(1, 1, 0xFF808080)), emf::SRCAND);
  EXPECT_EQ(canvas.PixelAt(3, 10), 0xFF800000u);
  // Alpha composites over what is there.
  CairoCanvas white(4, 4);
  white.DrawBitmap({0, 0, 4, 4}, FilledBitmap(1, 1, 0x80000000));
  EXPECT_NEAR(double(white.PixelAt(2, 2) & 0xFF), 127, 2);
}

// The surface keeps to the pixel cap of every picture: a page beyond it is
// refused before its memory is taken, not drawn blank.
TEST(CairoCanvas, SurfacesBeyondThePixelCapAreRefused) {
  EXPECT_THROW(CairoCanvas(20000, 20000), EArgumentException);
  CairoCanvas clamped(-5, 40000);
  EXPECT_EQ(clamped.Width(), 1);
  EXPECT_EQ(clamped.Height(), 32767);
}

// Shapes are built in doubles and cut to the surface before cairo, whose
// fixed-point paths would wrap coordinates past 2^23 back onto the page.
TEST(CairoCanvas, ShapesFarBeyondTheSurfaceDrawOnlyWhatReachesIt) {
  constexpr int32_t kFar = 1 << 24;
  Pen wide;
  wide.width = 1'000'000'000;
  wide.cap = PenCap::Flat;
  Pen dashed;
  dashed.width = 2;
  dashed.style = PenStyle::Dash;
  dashed.cap = PenCap::Flat;
  struct Case {
    const char* name;
    std::function<void(CairoCanvas&)> draw;
    std::vector<Point> ink, white;
  } cases[] = {
      {"a rectangle 2^24 pixels to the right stays there",
       [](CairoCanvas& c) { c.Rectangle({kFar + 5, 5, kFar + 15, 15}); }, {}, {{10, 10}}},
      {"a rectangle a billion pixels across covers the surface",
       [](CairoCanvas& c) { c.Rectangle({-(1 << 30), -(1 << 30), 1 << 30, 1 << 30}); },
       {{0, 0}, {20, 15}, {39, 29}}, {}},
      {"a line to a point two billion pixels away keeps its slope",
       [](CairoCanvas& c) {
         c.SetPen(Pen{});
         c.MoveTo({0, 0});
         c.LineTo({2'000'000'000, 1'000'000'000});
       },
       {{20, 10}, {36, 18}}, {{20, 20}, {10, 0}}},
      {"a pen a billion units wide covers the surface",
       [&](CairoCanvas& c) {
         c.SetPen(wide);
         c.MoveTo({-100, 15});
         c.LineTo({100, 15});
       },
       {{0, 0}, {39, 29}}, {}},
      {"a dashed line two billion pixels long shows its dashes",
       [&](CairoCanvas& c) {
         c.SetPen(dashed);
         c.MoveTo({-2'000'000'000, 15});
         c.LineTo({2'000'000'000, 15});
       },
       {}, {}},
  };
  for (const auto& c : cases) {
    CairoCanvas canvas(40, 30);
    canvas.SetPen(NullPen());
    canvas.SetBrush(SolidBrush(0));
    c.draw(canvas);
    for (const Point& p : c.ink) EXPECT_NE(canvas.PixelAt(p.x, p.y), kWhite) << c.name << " at " << p.x << "," << p.y;
    for (const Point& p : c.white) EXPECT_EQ(canvas.PixelAt(p.x, p.y), kWhite) << c.name << " at " << p.x << "," << p.y;
  }
  // The dashes of the last case: both ink and gaps along the line.
  CairoCanvas canvas(40, 30);
  canvas.SetPen(dashed);
  canvas.MoveTo({-2'000'000'000, 15});
  canvas.LineTo({2'000'000'000, 15});
  int ink = 0;
  for (int x = 0; x < 40; ++x) ink += canvas.PixelAt(x, 15) == kBlack;
  EXPECT_GT(ink, 5);
  EXPECT_LT(ink, 35);
}

TEST(CairoCanvas, TextAndPicturesFarOffTheSurfaceStayOff) {
  constexpr int32_t kFar = (1 << 24) + 10;
  CairoCanvas canvas(60, 40);
  canvas.SetBkMode(BkMode::Transparent);
  Font font;
  font.height = -20;
  canvas.SetFont(font);
  canvas.TextOut({kFar, 10}, u"MMMM", {});
  canvas.SetBkMode(BkMode::Opaque);
  canvas.SetBkColor(0);
  canvas.TextOut({5, kFar}, u"MMMM", {});  // an opaque cell far below
  canvas.StretchDib({kFar, 0, kFar + 40, 40}, {0, 0, 1, 1}, EncodeDib24(FilledBitmap(1, 1, 0xFF000000)));
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(canvas.PixelAt(x, y), kWhite) << x << "," << y;
}

TEST(CairoCanvas, ANeedleThinTransformWithAWideDashedPenFinishes) {
  // A damaged metafile's transform: one axis stretched 2^24 times, the
  // other flattened to almost nothing, under a dashed pen 50 units wide,
  // with the shapes passing through the surface. Cairo once stroked such
  // shapes for minutes; the pen is narrowed and the dashes given up, and
  // a needle without area shows nothing. The canvas draws on afterwards.
  CairoCanvas canvas(48, 40);
  Pen pen;
  pen.style = PenStyle::Dash;
  pen.width = 50;
  canvas.SetPen(pen);
  canvas.SetBrush(SolidBrush(0));
  canvas.SetWorldTransform({16777216, 15167081, 3.3e-6, 1.1e-38, 20 - 16777216.0 * 1050, 20 - 15167081.0 * 1050});
  canvas.Ellipse({900, 1000, 1200, 1300});
  canvas.Arc(ArcKind::Chord, {900, 1000, 40000, 1300}, {900, 1000}, {1050, 1300});
  canvas.RoundRect({900, 1000, 1200, 1300}, {100, 25});
  EXPECT_EQ(canvas.PixelAt(20, 20), kWhite);
  canvas.SetWorldTransform({});
  canvas.SetPen(NullPen());
  canvas.Rectangle({0, 0, 48, 40});
  EXPECT_EQ(canvas.PixelAt(20, 20), kBlack);
}

TEST(CairoCanvas, JpegBitsDrawOnlyWhenTheyAreAJpeg) {
  // The PDF road passes JPEG bits through undecoded and takes only data
  // that begin with the JPEG signature; the raster road skips the rest too.
  const std::string jpeg = EncodeJpeg(Bitmap(4, 4, PixelFormat::pf24bit), 90);  // black
  std::string stray = jpeg;
  stray.insert(2, 1, '\xA3');  // libjpeg alone would read past this byte
  for (const std::string* data : {&jpeg, static_cast<const std::string*>(&stray)}) {
    CairoCanvas canvas(20, 20);
    canvas.StretchDib({0, 0, 20, 20}, {0, 0, 4, 4}, MakeJpegDib(*data, 4, 4));
    EXPECT_EQ(canvas.PixelAt(10, 10) == kWhite, data == &stray);
  }
}

TEST(CairoCanvas, DegenerateTransformsDrawNothingAndDoNotBreakTheCanvas) {
  CairoCanvas canvas(20, 20);
  canvas.SetBrush(SolidBrush(0));
  canvas.SetWorldTransform(Transform::Scaling(0, 1));
  canvas.Rectangle({0, 0, 20, 20});
  EXPECT_EQ(canvas.PixelAt(5, 5), kWhite);
  canvas.SetWorldTransform({1, 0, 0, 1, 1e300, 0});
  canvas.Ellipse({0, 0, 20, 20});
  canvas.SetWorldTransform({});
  canvas.Rectangle({0, 0, 20, 20});
  EXPECT_EQ(canvas.PixelAt(5, 5), kBlack);
}

}  // namespace
}  // namespace vn::platform::cairo_canvas_test
