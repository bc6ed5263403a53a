// The plain-text line analyzer: positioned text elements become lines of
// text, words of one line joined with blanks where they stand apart, and
// the page's elements stay as they were.
#include "rtf/text_line_analyzer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace fw = vn::framework;

namespace text_line_analyzer_test {

using namespace vn::wordmodel;
using vn::String;

// Elements of Arial 10, 12 high, with one box per character.
struct TextElements {
  TvnTextElement* Text(const String& AText, double AX, double ABaseline, double AWidth) {
    auto e = std::make_unique<TvnTextElement>();
    e->SetText(AText);
    auto font = std::make_unique<fw::TvnFont>();
    font->SetName(u"Arial");
    font->SetSize(10);
    e->SetFont(std::move(font));
    e->SetBoundingRect(std::make_shared<TvnRectF>(AX, ABaseline, AWidth, 12));
    const double cw = AWidth / static_cast<double>(AText.size());
    for (size_t i = 0; i < AText.size(); ++i) {
      Boxes.push_back(std::make_unique<TvnRectF>(AX + cw * static_cast<double>(i), ABaseline - 12, cw, 12));
      e->GetCharBoundingRect().push_back(Boxes.back().get());
    }
    Items.push_back(std::move(e));
    return Items.back().get();
  }
  // An element of Arial 10 whose text is written in the direction AQuarterTurns
  // (clockwise, y down) from its origin (AX, AY) on the baseline: 0 runs to
  // the right, 1 down, 2 to the left upside down, 3 up. Each character's box
  // is 6 along the text and 12 high across it, on the side of the baseline
  // that is up for the turned text.
  TvnTextElement* Turned(const String& AText, double AX, double AY, int AQuarterTurns) {
    static const double kAlong[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    static const double kUp[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    const double* d = kAlong[AQuarterTurns];
    const double* u = kUp[AQuarterTurns];
    TvnTextElement* e = Text(AText, AX, AY, 6 * static_cast<double>(AText.size()));
    for (size_t i = 0; i < AText.size(); ++i) {
      const double a = 6 * static_cast<double>(i);
      const double x1 = AX + d[0] * a, y1 = AY + d[1] * a;
      const double x2 = x1 + d[0] * 6 + u[0] * 12, y2 = y1 + d[1] * 6 + u[1] * 12;
      *e->GetCharBoundingRect()[i] = TvnRectF(std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1));
    }
    return e;
  }
  std::vector<std::unique_ptr<TvnRectF>> Boxes;
  std::vector<std::unique_ptr<TvnTextElement>> Items;
};

TEST(TextLineAnalyzer, LinesOfPositionedText) {
  TextElements e;
  struct Case {
    const char* What;
    std::vector<fw::TvnDocItem*> Items;
    std::vector<String> Lines;
  };
  TvnTextElement* noBoxes = e.Text(u"top", 10, 500, 20);
  noBoxes->GetCharBoundingRect().clear();
  // First letters whose ink ends below the baseline (a descender) or well
  // above it (a quotation mark).
  TvnTextElement* descender = e.Text(u"gap", 44, 100, 18);
  descender->GetCharBoundingRect().front()->SetHeight(15);
  TvnTextElement* quote = e.Text(u"'quoted'", 44, 100, 48);
  *quote->GetCharBoundingRect().front() = TvnRectF(44, 88, 6, 4);
  TvnTextElement* script = e.Text(u"2", 41, 96, 4);
  script->GetFont()->SetSize(6);
  script->GetBoundingRect()->SetHeight(7);
  const Case cases[] = {
      {"far apart on one baseline", {e.Text(u"left", 10, 100, 30), e.Text(u"right", 200, 100, 30)},
       {u"left", u"right"}},
      {"words of one line", {e.Text(u"Hello", 10, 100, 30), e.Text(u"world", 44, 100, 32)}, {u"Hello world"}},
      {"pieces of one word", {e.Text(u"Hel", 10, 100, 18), e.Text(u"lo", 28, 100, 12)}, {u"Hello"}},
      {"a first letter with a descender", {e.Text(u"Mind", 10, 100, 30), descender}, {u"Mind gap"}},
      {"a quotation mark first", {e.Text(u"Said", 10, 100, 30), quote}, {u"Said 'quoted'"}},
      {"a blank already there", {e.Text(u"Hello ", 10, 100, 34), e.Text(u"world", 48, 100, 32)}, {u"Hello world"}},
      {"a superscript joins its line", {e.Text(u"x", 10, 100, 30), script}, {u"x2"}},
      {"an element without boxes comes first", {e.Text(u"below", 10, 100, 30), noBoxes}, {u"top", u"below"}},
      {"nothing", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    std::vector<String> lines;
    vn::rtf::plaintext::TvnLineAnalyzer(c.Items, lines);
    EXPECT_EQ(lines, c.Lines);
  }
  // The superscript keeps its size and its own rectangle.
  EXPECT_EQ(script->GetFont()->GetSize(), 6);
  EXPECT_DOUBLE_EQ(script->GetBoundingRect()->GetY(), 96);
}

// A page whose text is turned (a landscape table printed on an upright
// page, vertical writing) is read as the page turned to its text: lines in
// the order they follow each other across the text, words of one line
// joined. A few turned words on an upright page leave it as it is.
TEST(TextLineAnalyzer, TurnedPagesAreReadAlongTheirText) {
  struct Case {
    const char* What;
    int Turns;
  };
  const Case cases[] = {{"upright", 0}, {"running down", 1}, {"upside down", 2}, {"running up", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TextElements e;
    // Lines 20 apart, listed out of order; the second line in two words.
    static const double kUp[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    static const double kAlong[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    const double* u = kUp[c.Turns];
    const double* d = kAlong[c.Turns];
    auto at = [&](int ALine, double AAlong, double& AX, double& AY) {
      AX = 300 - u[0] * 20 * ALine + d[0] * AAlong;
      AY = 400 - u[1] * 20 * ALine + d[1] * AAlong;
    };
    double x = 0, y = 0;
    std::vector<fw::TvnDocItem*> items;
    at(2, 0, x, y);
    items.push_back(e.Turned(u"third", x, y, c.Turns));
    at(0, 0, x, y);
    items.push_back(e.Turned(u"first line", x, y, c.Turns));
    at(1, 40, x, y);
    items.push_back(e.Turned(u"line", x, y, c.Turns));
    at(1, 0, x, y);
    items.push_back(e.Turned(u"second", x, y, c.Turns));
    std::vector<String> lines;
    vn::rtf::plaintext::TvnLineAnalyzer(items, lines);
    EXPECT_EQ(lines, (std::vector<String>{u"first line", u"second line", u"third"}));
  }
  TextElements e;
  std::vector<fw::TvnDocItem*> items = {e.Text(u"upright", 10, 100, 42), e.Turned(u"note", 500, 20, 1),
                                        e.Text(u"text", 10, 120, 24)};
  std::vector<String> lines;
  vn::rtf::plaintext::TvnLineAnalyzer(items, lines);
  EXPECT_EQ(lines, (std::vector<String>{u"note", u"upright", u"text"}));
  // Right-to-left text whose letters are placed from the right, upright
  // above their baselines, leaves the page upright.
  std::vector<fw::TvnDocItem*> rtl;
  for (const auto& [text, baseline] : {std::pair{u"second", 120.0}, std::pair{u"first", 100.0}}) {
    TvnTextElement* line = e.Turned(text, 300, baseline, 2);
    for (TvnRectF* box : line->GetCharBoundingRect()) box->SetY(baseline - 12);
    rtl.push_back(line);
  }
  lines.clear();
  vn::rtf::plaintext::TvnLineAnalyzer(rtl, lines);
  EXPECT_EQ(lines, (std::vector<String>{u"first", u"second"}));
}

}  // namespace text_line_analyzer_test
