// The drawing canvas: what it records into a metafile and what it paints
// onto pixels.
#include "framework/canvas.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/canvas/cairo_canvas.h"
#include "platform/images/image_codecs.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/trace_canvas.h"

namespace vn::framework::canvas_test {
namespace {

namespace pf = vn::platform;

constexpr uint32_t kWhite = 0xFFFFFFFF;

// The texts a canvas was asked to draw.
std::vector<std::string> DrawnTexts(const pf::testing::TraceCanvas& trace) {
  std::vector<std::string> texts;
  for (const std::string& call : trace.Calls()) {
    const size_t open = call.find('"'), close = call.rfind('"');
    if (call.starts_with("TextOut") && open < close) texts.push_back(call.substr(open + 1, close - open - 1));
  }
  return texts;
}

TEST(VclCanvas, LoneBreakCharactersDrawNothingAndInnerOnesDrawAsBlanks) {
  const struct {
    std::u16string text;
    std::vector<std::string> drawn;
  } cases[] = {
      {u"\r", {}},
      {u"\a", {}},
      {u"\f", {}},
      {u"A\rB", {"A B"}},
      {u"\a\n\v\f\r", {"     "}},
      {u"plain", {"plain"}},
  };
  for (const auto& c : cases) {
    pf::testing::TraceCanvas trace;
    TvnVCLCanvas canvas(&trace);
    canvas.DrawString(c.text, 5, 5, false);
    EXPECT_EQ(DrawnTexts(trace), c.drawn);
  }
}

TEST(VclCanvas, DrawsWithDefaultsWhenNoPenBrushOrFontIsSet) {
  pf::CairoCanvas surface(60, 30);
  TvnVCLCanvas canvas(&surface);
  const TSize size = canvas.Measure(u"Hello");
  EXPECT_GT(size.cx, 10);
  EXPECT_GT(size.cy, 5);
  canvas.DrawString(u"Hello", 2, 2, true);
  canvas.DrawLine({0, 25}, {59, 25});
  canvas.DrawRect({40, 0, 50, 10}, true, true);
  // The default pen is black.
  EXPECT_EQ(surface.PixelAt(30, 25), 0xFF000000u);
}

TEST(VclCanvas, RectangleFillsWithTheBrushAndFramesWithThePen) {
  pf::CairoCanvas surface(20, 20);
  TvnVCLCanvas canvas(&surface);
  TvnPen pen;
  pen.SetColor({255, 0, 0});
  TvnBrush brush;
  brush.SetColor({0, 0, 255});
  canvas.SetPen(&pen);
  canvas.SetBrush(&brush);
  canvas.DrawRect({2, 2, 12, 12}, true, true);
  EXPECT_EQ(surface.PixelAt(7, 7), 0xFF0000FFu);    // inside: brush
  EXPECT_EQ(surface.PixelAt(2, 7), 0xFFFF0000u);    // left edge: pen
  EXPECT_EQ(surface.PixelAt(11, 11), 0xFFFF0000u);  // the frame's last pixel
  EXPECT_EQ(surface.PixelAt(12, 12), kWhite);       // outside

  pf::CairoCanvas strokeOnly(20, 20);
  TvnVCLCanvas frameCanvas(&strokeOnly);
  frameCanvas.SetPen(&pen);
  frameCanvas.SetBrush(&brush);
  frameCanvas.DrawRect({2, 2, 12, 12}, false, true);
  EXPECT_EQ(strokeOnly.PixelAt(7, 7), kWhite);
  EXPECT_EQ(strokeOnly.PixelAt(2, 2), 0xFFFF0000u);
}

TEST(VclCanvas, LineTakesThePenWidthAndColour) {
  pf::CairoCanvas surface(20, 20);
  TvnVCLCanvas canvas(&surface);
  TvnPen pen;
  pen.SetColor({0, 128, 0});
  pen.SetWidth(5);
  canvas.SetPen(&pen);
  canvas.DrawLine({0, 10}, {20, 10});
  EXPECT_EQ(surface.PixelAt(10, 10), 0xFF008000u);
  EXPECT_EQ(surface.PixelAt(10, 8), 0xFF008000u);
  EXPECT_EQ(surface.PixelAt(10, 4), kWhite);
}

TEST(VclCanvas, DashedPenLeavesGaps) {
  for (TvnPenStyle style : {TvnPenStyle::psSolid, TvnPenStyle::psDash}) {
    pf::CairoCanvas surface(100, 5);
    TvnVCLCanvas canvas(&surface);
    TvnPen pen;
    pen.SetStyle(style);
    canvas.SetPen(&pen);
    canvas.DrawLine({0, 2}, {100, 2});
    int gaps = 0;
    for (int x = 0; x < 100; ++x) gaps += surface.PixelAt(x, 2) == kWhite;
    EXPECT_EQ(gaps > 0, style == TvnPenStyle::psDash) << gaps;
  }
}

TEST(VclCanvas, ExtremeFontSizesMeasureWithoutOverflow) {
  // 1610612736 points are 2^31 pixels: the em height would not fit.
  for (int32_t size : {1610612736, INT32_MAX, INT32_MIN, -1610612736}) {
    TvnVCLCanvas canvas(100, 50);
    TvnFont font;
    font.SetSize(size);
    canvas.SetFont(&font);
    (void)canvas.Measure(u"A");
    canvas.DrawString(u"A", 0, 0, false);
  }
}

TEST(VclCanvas, TextTakesThePenColour) {
  pf::CairoCanvas surface(40, 30);
  TvnVCLCanvas canvas(&surface);
  TvnPen pen;
  pen.SetColor({255, 0, 0});
  TvnFont font;
  font.SetName(u"Liberation Sans");
  font.SetSize(16);
  canvas.SetPen(&pen);
  canvas.SetFont(&font);
  canvas.DrawString(u"\u2588", 0, 0, false);  // a full block
  bool red = false;
  for (int y = 0; y < 30 && !red; ++y)
    for (int x = 0; x < 40 && !red; ++x) red = surface.PixelAt(x, y) == 0xFFFF0000u;
  EXPECT_TRUE(red);
}

TEST(VclCanvas, HighlightedTextPaintsTheBrushBehindIt) {
  TvnBrush brush;
  brush.SetColor({255, 255, 0});
  for (bool highlighted : {false, true}) {
    pf::CairoCanvas surface(80, 40);
    TvnVCLCanvas canvas(&surface);
    canvas.SetBrush(&brush);
    canvas.DrawString(u"   ", 0, 0, highlighted);
    EXPECT_EQ(surface.PixelAt(2, 2), highlighted ? 0xFFFFFF00u : kWhite) << highlighted;
  }
}

TEST(VclCanvas, ImageIsDecodedAndStretchedIntoTheRectangle) {
  pf::Bitmap red(2, 1, pf::PixelFormat::pf24bit);
  red.SetPixel(0, 0, {0, 0, 255, 255});
  red.SetPixel(1, 0, {255, 0, 0, 255});
  TStringStream png(pf::EncodePng(red));
  png.SetPosition(png.GetSize());  // the canvas rewinds

  pf::CairoCanvas surface(40, 20);
  TvnVCLCanvas canvas(&surface);
  canvas.DrawImage(&png, {0, 0, 40, 20});
  EXPECT_EQ(surface.PixelAt(2, 10), 0xFFFF0000u);
  EXPECT_EQ(surface.PixelAt(37, 10), 0xFF0000FFu);

  canvas.DrawImage(nullptr, {0, 0, 40, 20});  // nothing happens
  EXPECT_EQ(surface.PixelAt(2, 10), 0xFFFF0000u);

  TStringStream junk(std::string("not a picture"));
  EXPECT_THROW(canvas.DrawImage(&junk, {0, 0, 4, 4}), ExInvalidImageFormat);
}

TEST(VclCanvas, NilStreamDrawsNothingAndImageStreamIsNil) {
  pf::testing::TraceCanvas trace;
  TvnVCLCanvas canvas(&trace);
  canvas.DrawImage(nullptr, {0, 0, 10, 10});
  EXPECT_TRUE(trace.Calls().empty());
  EXPECT_EQ(canvas.GetImageStream("abc"), nullptr);
}

TEST(VclCanvas, DefaultCanvasClassDrawsOnTheGivenCanvas) {
  pf::CairoCanvas surface(10, 10);
  std::unique_ptr<TvnBaseCanvas> canvas = DefaultCanvasClass(&surface);
  ASSERT_NE(dynamic_cast<TvnVCLCanvas*>(canvas.get()), nullptr);
  canvas->DrawRect({0, 0, 10, 10}, true, false);  // the default brush is white
  canvas->DrawLine({0, 5}, {10, 5});
  EXPECT_EQ(surface.PixelAt(5, 5), 0xFF000000u);
  EXPECT_THROW(TvnVCLCanvas(static_cast<pf::Canvas*>(nullptr)), vn::EInvalidCast);
}

}  // namespace
}  // namespace vn::framework::canvas_test
