// Text laid out by the export engine and painted on the raster canvas: the
// ink of every line lies where the engine's layout, measured against
// FreeType's advances, says it does (flush right, centred, wrapped inside
// its box), for Latin, Hebrew, Arabic and mixed lines, in the engine's
// right-to-left mode too, a word wider than its box and empty texts. Set
// VN_TEXT_CANVAS_PNG to a file name to keep the page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "platform/canvas/cairo_canvas.h"
#include "platform/emf/emf_records.h"
#include "platform/fonts/gdi_font.h"
#include "text_engine.h"

namespace vn::exporter::engine_text_canvas_test {
namespace {

using testing::AdvancesOf;
using testing::DrawnText;
using testing::TextEngine;
namespace platform = vn::platform;

// A format that paints the first page's text items and filled rectangles.
class CanvasEngine : public TextEngine {
 public:
  platform::CairoCanvas Canvas{800, 1123};

 protected:
  void RenderTextItem(TvnTextItem& item) override {
    TextEngine::RenderTextItem(item);
    if (CurrentPage() != 1 || item.Lines.Count() == 0) return;
    platform::Font font;
    font.faceName = item.Font.Name;
    font.height = platform::FontHeightFromPoints(item.Font.Size);
    font.weight = item.Font.Style.Contains(TFontStyle::fsBold) ? 700 : 400;
    font.italic = item.Font.Style.Contains(TFontStyle::fsItalic);
    Canvas.SetFont(font);
    Canvas.SetTextColor(item.Font.Color);
    Canvas.SetBkMode(platform::BkMode::Transparent);
    Canvas.SetTextAlign(platform::emf::TA_TOP | platform::emf::TA_LEFT);
    // The canvas shapes right-to-left runs and writes them in reading order
    // itself: the line goes in as the engine has it.
    Canvas.TextOut({vn::RoundToInt(item.X), vn::RoundToInt(item.Y)}, item.Lines.GetString(0), {});
  }
  void DrawRectangle(double x1, double y1, double x2, double y2, const TPen& pen, const TBrush* brush) override {
    TextEngine::DrawRectangle(x1, y1, x2, y2, pen, brush);
    if (CurrentPage() != 1 || !brush || brush->Style != TBrushStyle::bsSolid || brush->Color == clWhite) return;
    Canvas.SetPen({platform::PenStyle::Clear});
    Canvas.SetBrush({platform::BrushStyle::Solid, brush->Color});
    Canvas.Rectangle({vn::RoundToInt(x1), vn::RoundToInt(y1), vn::RoundToInt(x2) + 1, vn::RoundToInt(y2) + 1});
  }
};

struct Ink {
  int left, right, top, bottom;
};

// The dark pixels inside a rectangle.
std::optional<Ink> InkIn(platform::CairoCanvas& canvas, int x0, int y0, int x1, int y1) {
  std::optional<Ink> ink;
  for (int y = std::max(y0, 0); y < std::min(y1, canvas.Height()); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, canvas.Width()); ++x) {
      const uint32_t p = canvas.PixelAt(x, y);
      if (((p >> 8) & 0xFF) >= 128) continue;  // green channel: light
      if (!ink) ink = Ink{x, x, y, y};
      ink->left = std::min(ink->left, x);
      ink->right = std::max(ink->right, x);
      ink->top = std::min(ink->top, y);
      ink->bottom = std::max(ink->bottom, y);
    }
  return ink;
}

struct Box {
  TvnRect Rect;
  std::u16string Text;
  TvnHAlignment Align;
  std::u16string Family = u"Arial";
  TBiDiMode BiDi = TBiDiMode::bdLeftToRight;
};

const char16_t kHebrew[] = u"\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd \u05d6\u05d4 \u05de\u05e9\u05e4\u05d8 \u05d1\u05e2\u05d1\u05e8\u05d9\u05ea";
const char16_t kArabic[] = u"\u0645\u0631\u062d\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645";

TEST(EngineTextCanvas, PaintedLinesSitWhereTheLayoutPutsThem) {
  CanvasEngine e;
  e.Frame().IsLeft = e.Frame().IsTop = e.Frame().IsRight = e.Frame().IsBottom = false;
  e.Frame().SetInternalMargin({4, 4, 4, 4});
  const Box boxes[] = {
      {{40, 40, 180, 300}, u"Right aligned lines end at the same edge: Supercalifragilisticexpialidocious!", TvnHAlignment::haRight},
      {{300, 40, 520, 300}, u"Centred lines keep the middle of the box, line after line, whatever their length.", TvnHAlignment::haCenter},
      {{560, 40, 760, 300}, u"Mixed \u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd and Latin words, \u05e2\u05d1\u05e8\u05d9\u05ea 2024 wrap as one text.", TvnHAlignment::haLeft},
      {{40, 400, 240, 500}, u"", TvnHAlignment::haLeft},
      // Right-to-left lines flush right end at the box's right edge, in the
      // engine's right-to-left mode too.
      {{40, 560, 240, 660}, kHebrew, TvnHAlignment::haRight},
      {{300, 560, 520, 660}, kArabic, TvnHAlignment::haRight, u"Noto Sans Arabic"},
      {{560, 560, 760, 660}, kHebrew, TvnHAlignment::haRight, u"Arial", TBiDiMode::bdRightToLeft},
  };
  e.BeginDoc();
  for (const Box& b : boxes) {
    e.Font().Name = b.Family;
    e.SetBiDiMode(b.BiDi);
    e.TextBox(b.Rect, b.Text, b.Align, TvnVAlignment::vaTop);
  }
  e.Font().Name = u"Arial";
  e.SetBiDiMode(TBiDiMode::bdLeftToRight);
  e.TextOut(300, 400, u"");
  e.EndDoc();
  if (const char* png = std::getenv("VN_TEXT_CANVAS_PNG")) e.Canvas.WritePng(png);

  size_t drawn = 0;
  for (const Box& b : boxes) {
    TFont font = e.Font();
    font.Name = b.Family;
    const int h = e.GetTextSize(u"W", font).cy;
    const double left = b.Rect.Left + 4, right = b.Rect.Right - 4;
    TWideStrings lines;
    e.WrapTextW(b.Text, lines, font, false, right - left, right - left);
    for (int i = 0; i < lines.Count(); ++i, ++drawn) {
      std::u16string line = lines.GetString(i);
      while (!line.empty() && line.back() == u' ') line.pop_back();
      // Arabic letters join: the line is as wide as its shaped glyphs.
      const int w = b.Text == kArabic ? AdvancesOf(b.Family).ShapedWidth(line) : AdvancesOf(b.Family).Width(line);
      ASSERT_LE(w, right - left) << vn::ToUtf8(line);
      const int top = static_cast<int>(b.Rect.Top) + 4 + i * h;
      const std::optional<Ink> ink = InkIn(e.Canvas, static_cast<int>(b.Rect.Left), top, static_cast<int>(b.Rect.Right), top + h);
      ASSERT_TRUE(ink) << vn::ToUtf8(line);
      // Glyph ink lies within the advances, give or take a side bearing.
      const double expected_left = b.Align == TvnHAlignment::haRight ? right - w
                                   : b.Align == TvnHAlignment::haCenter ? left + (right - left - w) / 2
                                                                        : left;
      EXPECT_NEAR(ink->left, expected_left, 2.5) << vn::ToUtf8(line);
      EXPECT_NEAR(ink->right + 1, expected_left + w, 2.5) << vn::ToUtf8(line);
      EXPECT_GE(ink->left, left - 1);
      EXPECT_LE(ink->right, right + 1);
    }
    // Nothing below the last line.
    const int below = static_cast<int>(b.Rect.Top) + 4 + lines.Count() * h;
    EXPECT_FALSE(InkIn(e.Canvas, static_cast<int>(b.Rect.Left), below, static_cast<int>(b.Rect.Right), below + 3 * h));
  }
  // The empty TextOut makes an empty item, which paints nothing.
  ASSERT_EQ(e.Texts.size(), drawn + 1);
  EXPECT_EQ(e.Texts.back().Text, "");
  EXPECT_FALSE(InkIn(e.Canvas, 290, 390, 400, 420));
  // The long word was cut into lines of the box's width, nothing lost.
  std::string right_box;
  for (const DrawnText& t : e.Texts)
    if (t.X < 280) right_box += t.Text;
  EXPECT_NE(right_box.find("Supercal"), std::string::npos);
  EXPECT_NE(right_box.find("docious!"), std::string::npos);
}

}  // namespace
}  // namespace vn::exporter::engine_text_canvas_test
