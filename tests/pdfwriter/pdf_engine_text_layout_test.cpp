// Text laid out by the export engine and written by the PDF engine, read
// back from the rendered page: the ink of every line of a text box, a
// paragraph and a table cell lies where the layout, measured against
// FreeType's advances, says it does (flush left, flush right, centred,
// wrapped inside its box), a word wider than its box is cut without losing
// letters, empty texts draw nothing, and right-to-left lines end at the
// right edge and read back in logical order.
#include <gtest/gtest.h>

#include <optional>
#include <regex>

#include "../export/text_engine.h"
#include "pdf_test_support.h"

namespace vn::pdfwriter::testing::pdf_engine_text_layout_test {
namespace {

using vn::exporter::TBiDiMode;
using vn::exporter::TFont;
using vn::exporter::TvnFrame;
using vn::exporter::TvnHAlignment;
using vn::exporter::TvnRect;
using vn::exporter::TvnVAlignment;
using vn::framework::TWideStrings;
using vn::exporter::testing::AdvancesOf;
using vn::exporter::testing::FreeTypeAdvances;

class LayoutEngine : public TestEngine {
 public:
  LayoutEngine() : TestEngine(800, 600) {
    Preferences().EmbedTrueTypeFonts = TvnTTFontEmbedding::etfSubset;
    Font().Name = u"Arial";
    Font().Size = 10;
    Frame().IsLeft = Frame().IsTop = Frame().IsRight = Frame().IsBottom = false;
    Frame().SetInternalMargin({4, 4, 4, 4});
  }
  using TvnCustomDocumentEngine::GetTextSize;
  using TvnCustomDocumentEngine::WrapTextW;
};

struct Ink {
  int left, right, top, bottom;
};

// The dark pixels of a rendered page inside a rectangle.
std::optional<Ink> InkIn(const Raster& r, int x0, int y0, int x1, int y1) {
  std::optional<Ink> ink;
  for (int y = std::max(y0, 0); y < std::min(y1, r.height); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, r.width); ++x) {
      if (((r.At(x, y) >> 8) & 0xFF) >= 128) continue;  // green channel: light
      if (!ink) ink = Ink{x, x, y, y};
      ink->left = std::min(ink->left, x);
      ink->right = std::max(ink->right, x);
      ink->top = std::min(ink->top, y);
      ink->bottom = std::max(ink->bottom, y);
    }
  return ink;
}

std::u16string Trimmed(std::u16string line) {
  while (!line.empty() && (line.back() == u' ' || line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
  return line;
}

// A text laid out inside [Left, Right] from Top down, one line of the
// font's height after the other.
struct Block {
  const char* name;
  TvnRect Area;  // where the lines go (a box's or cell's inside)
  std::u16string Text;
  TvnHAlignment Align;
  std::u16string Family = u"Arial";
};

// Checks every line of a block on the page: wrapped where the FreeType
// widths say a line is full, its ink starting and ending where the
// alignment puts a line of that width. Answers the lines.
std::vector<std::u16string> ExpectLinesWhereMeasured(LayoutEngine& e, const Raster& page, const Block& b) {
  TFont font = e.Font();
  font.Name = b.Family;
  const double left = b.Area.Left, right = b.Area.Right;
  TWideStrings wrapped;
  e.WrapTextW(b.Text, wrapped, font, false, right - left, right - left);
  const int h = e.GetTextSize(u"W", font).cy;
  FreeTypeAdvances& advances = AdvancesOf(b.Family);
  std::vector<std::u16string> lines;
  for (int i = 0; i < wrapped.Count(); ++i) lines.push_back(Trimmed(wrapped.GetString(i)));
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::u16string& line = lines[i];
    const std::string shown = b.name + std::string(": ") + vn::ToUtf8(line);
    const int w = advances.Width(line);
    EXPECT_LE(w, right - left) << shown;
    const int top = static_cast<int>(b.Area.Top) + static_cast<int>(i) * h;
    const std::optional<Ink> ink = InkIn(page, static_cast<int>(left) - 4, top, static_cast<int>(right) + 4, top + h);
    if (line.empty()) {
      EXPECT_FALSE(ink) << shown;
      continue;
    }
    // The line is full: the wrapper's next word (up to and including its
    // blank) or, for a cut word, its next letter would not have fitted.
    if (i + 1 < lines.size()) {
      const std::u16string raw = wrapped.GetString(static_cast<int>(i));
      const std::u16string next = wrapped.GetString(static_cast<int>(i) + 1);
      const bool cut = !raw.empty() && raw.back() != u' ';
      const size_t blank = next.find(u' ');
      const std::u16string more = raw + (cut ? next.substr(0, 1) : blank == next.npos ? next : next.substr(0, blank + 1));
      EXPECT_GT(advances.Width(more), right - left) << shown;
    }
    if (!ink) {
      ADD_FAILURE() << "no ink: " << shown;
      continue;
    }
    const double expected_left = b.Align == TvnHAlignment::haRight    ? right - w
                                 : b.Align == TvnHAlignment::haCenter ? left + (right - left - w) / 2
                                                                      : left;
    // Glyph ink lies within the advances, give or take a side bearing.
    // Lines the writer shapes for their script (anything beyond Latin-1)
    // are drawn at their shaped widths, which the layout does not measure:
    // their aligned edge (or middle) is where the layout puts it, and they
    // stay inside the box.
    const bool shaped = std::any_of(line.begin(), line.end(), [](char16_t c) { return c > 0xFF; });
    if (!shaped || b.Align == TvnHAlignment::haLeft) EXPECT_NEAR(ink->left, expected_left, 2.5) << shown;
    if (!shaped || b.Align == TvnHAlignment::haRight) EXPECT_NEAR(ink->right + 1, expected_left + w, 2.5) << shown;
    if (shaped && b.Align == TvnHAlignment::haCenter)
      EXPECT_NEAR((ink->left + ink->right + 1) / 2.0, (left + right) / 2, 2.5) << shown;
    EXPECT_GE(ink->left, left - 2) << shown;
    EXPECT_LE(ink->right, right + 2) << shown;
  }
  // Nothing below the last line.
  const int below = static_cast<int>(b.Area.Top) + static_cast<int>(lines.size()) * h;
  EXPECT_FALSE(InkIn(page, static_cast<int>(left) - 4, below, static_cast<int>(right) + 4, below + 2 * h)) << b.name;
  return lines;
}

// The text pdftotext gives, without the bidirectional marks it puts around
// right-to-left lines.
std::string ExtractedText(const std::string& pdf, const std::string& name) {
  const auto path = SaveTemp(pdf, name + ".pdf");
  std::string out;
  Run("pdftotext -enc UTF-8 '" + path.string() + "' -", &out);
  for (const char* mark : {"\u202A", "\u202B", "\u202C", "\u200E", "\u200F"})
    for (size_t at; (at = out.find(mark)) != std::string::npos;) out.erase(at, std::string(mark).size());
  return std::regex_replace(out, std::regex("[ \t]+"), " ");
}

const char16_t kHebrew[] = u"\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd \u05d6\u05d4 \u05de\u05e9\u05e4\u05d8 \u05d1\u05e2\u05d1\u05e8\u05d9\u05ea";
const char16_t kArabic[] = u"\u0645\u0631\u062d\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645";

TEST(PdfEngineTextLayout, TextBoxLinesSitWhereTheLayoutPutsThem) {
  PinClock();
  struct Box {
    Block block;
    TBiDiMode bidi = TBiDiMode::bdLeftToRight;
  };
  const Box boxes[] = {
      {{"right", {40, 40, 180, 300}, u"Right aligned lines end at the same edge: Supercalifragilisticexpialidocious!", TvnHAlignment::haRight}},
      {{"centre", {300, 40, 520, 300}, u"Centred lines keep the middle of the box, line after line, whatever their length.", TvnHAlignment::haCenter}},
      {{"mixed", {560, 40, 760, 300},
        u"Mixed \u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd and Latin words, \u05e2\u05d1\u05e8\u05d9\u05ea 2024 wrap as one text.",
        TvnHAlignment::haLeft}},
      {{"hebrew", {40, 330, 240, 420}, kHebrew, TvnHAlignment::haRight}},
      {{"arabic", {300, 330, 520, 420}, kArabic, TvnHAlignment::haRight, u"Noto Sans Arabic"}},
      {{"hebrew, right-to-left mode", {560, 330, 760, 420}, kHebrew, TvnHAlignment::haRight}, TBiDiMode::bdRightToLeft},
      {{"empty", {40, 460, 240, 560}, u"", TvnHAlignment::haLeft}},
      {{"arabic, centred", {560, 460, 760, 560}, kArabic, TvnHAlignment::haCenter, u"Noto Sans Arabic"}},
  };
  LayoutEngine e;
  e.BeginDoc();
  for (const Box& b : boxes) {
    e.Font().Name = b.block.Family;
    e.SetBiDiMode(b.bidi);
    e.TextBox(b.block.Area, b.block.Text, b.block.Align, TvnVAlignment::vaTop);
  }
  e.SetBiDiMode(TBiDiMode::bdLeftToRight);
  e.Font().Name = u"Arial";
  e.TextOut(300, 480, u"");
  e.EndDoc();
  const std::string pdf = e.Bytes();
  const auto page = Render(pdf, "text_boxes");
  if (!page) GTEST_SKIP() << "pdftoppm missing";

  std::string cut_word;
  for (const Box& b : boxes) {
    Block inside = b.block;
    inside.Area = {b.block.Area.Left + 4, b.block.Area.Top + 4, b.block.Area.Right - 4, b.block.Area.Bottom - 4};
    const auto lines = ExpectLinesWhereMeasured(e, *page, inside);
    if (b.block.Text.empty()) EXPECT_TRUE(lines.empty() || (lines.size() == 1 && lines[0].empty()));
    if (&b == &boxes[0])
      for (const auto& line : lines) cut_word += vn::ToUtf8(line);
  }
  // The word wider than its box was cut into lines, no letter lost.
  EXPECT_NE(cut_word.find("Supercalifragilisticexpialidocious!"), std::string::npos) << cut_word;
  // The empty TextOut draws nothing.
  EXPECT_FALSE(InkIn(*page, 290, 470, 420, 500));

  if (!vn::test_support::HaveTool("pdftotext")) return;
  const std::string text = ExtractedText(pdf, "text_boxes");
  EXPECT_NE(text.find(vn::ToUtf8(kArabic)), std::string::npos) << text;
  for (const char16_t* word : {u"\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd", u"\u05de\u05e9\u05e4\u05d8 \u05d1\u05e2\u05d1\u05e8\u05d9\u05ea"})
    EXPECT_NE(text.find(vn::ToUtf8(word)), std::string::npos) << text;
}

TEST(PdfEngineTextLayout, ParagraphLinesFollowTheirAlignment) {
  PinClock();
  const std::u16string text =
      u"Paragraph text wraps at the band's edges less its indents, and every line of it keeps to the "
      u"alignment the formatting asks for, line after line, until the text runs out.";
  for (const TvnHAlignment align : {TvnHAlignment::haLeft, TvnHAlignment::haRight, TvnHAlignment::haCenter}) {
    LayoutEngine e;
    e.Page().SetLeftMargin(40);
    e.Page().SetRightMargin(40);
    e.Page().SetTopMargin(30);
    e.Page().SetBottomMargin(30);
    e.TextFormatting().Alignment = align;
    e.TextFormatting().SetLeftIndent(100);
    e.TextFormatting().SetRightIndent(260);
    e.BeginDoc();
    e.BeginPara();
    e.TextOut(text);
    e.EndPara();
    e.EndDoc();
    const auto page = Render(e.Bytes(), "paragraph");
    if (!page) GTEST_SKIP() << "pdftoppm missing";
    const auto lines = ExpectLinesWhereMeasured(e, *page, {"paragraph", {140, 30, 500, 570}, text, align});
    EXPECT_GE(lines.size(), 3u);
  }
}

TEST(PdfEngineTextLayout, TableCellLinesFollowTheirColumns) {
  PinClock();
  LayoutEngine e;
  e.TableSettings().SetColumnWidth(180);
  e.TableSettings().SetInternalMargin({6, 4, 6, 4});
  e.OnCellDraw = [](vn::exporter::TvnCustomDocumentEngine&, int32_t, int32_t, TPen&, TBrush&, TFont&, TvnFrame& frame,
                    TvnHAlignment&) { frame.IsLeft = frame.IsTop = frame.IsRight = frame.IsBottom = false; };
  const Block cells[] = {
      {"left cell", {26, 24, 194, 580}, u"Cells wrap their text inside the column less its margins.", TvnHAlignment::haLeft},
      {"right cell", {206, 24, 374, 580}, u"A right column ends every line at the same edge: Pneumonoultramicroscopic.", TvnHAlignment::haRight},
      {"centred cell", {386, 24, 554, 580}, u"A centred column keeps the middle of every line.", TvnHAlignment::haCenter},
      {"hebrew cell", {566, 24, 734, 580}, kHebrew, TvnHAlignment::haRight},
  };
  e.BeginDoc();
  auto* columns = e.BeginTable(20, 20, 4);
  for (size_t c = 0; c < std::size(cells); ++c) (*columns)[c]->Alignment = cells[c].Align;
  e.NewRow();
  for (size_t c = 0; c < std::size(cells); ++c) e.TextOut(static_cast<int32_t>(c), cells[c].Text);
  e.EndTable();
  e.EndDoc();
  const std::string pdf = e.Bytes();
  const auto page = Render(pdf, "cells");
  if (!page) GTEST_SKIP() << "pdftoppm missing";
  for (const Block& cell : cells) ExpectLinesWhereMeasured(e, *page, cell);
  if (!vn::test_support::HaveTool("pdftotext")) return;
  const std::string text = ExtractedText(pdf, "cells");
  EXPECT_NE(text.find(vn::ToUtf8(u"\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd")), std::string::npos) << text;
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_engine_text_layout_test
