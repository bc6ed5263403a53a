// The plain-text line analyzer: positioned text elements become lines of
// text, words of one line joined with blanks where they stand apart, and
// the page's elements stay as they were.
#include "rtf/text_line_analyzer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
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

// Lines of text placed on a page, and the lines the analyzer gives back.
struct ColumnPage {
  // ACount lines of four words or more, 12 apart from baseline AY, AWidth
  // wide from AX: "<APrefix> line <n> of text".
  void Lines(const std::string& APrefix, int ACount, double AX, double AY, double AWidth) {
    for (int i = 1; i <= ACount; ++i)
      Line(APrefix + " line " + std::to_string(i) + " of text", AX, AY + 12 * (i - 1), AWidth);
  }
  void Line(const std::string& AText, double AX, double AY, double AWidth) {
    Items.push_back(E.Text(String(AText.begin(), AText.end()), AX, AY, AWidth));
  }
  std::vector<std::string> Read() const {
    std::vector<String> lines;
    vn::rtf::plaintext::TvnLineAnalyzer(Items, lines);
    std::vector<std::string> result;
    for (const String& l : lines) result.emplace_back(l.begin(), l.end());
    return result;
  }
  TextElements E;
  std::vector<fw::TvnDocItem*> Items;
};

std::vector<std::string> Numbered(const std::string& APrefix, int AFrom, int ATo) {
  std::vector<std::string> lines;
  for (int i = AFrom; i <= ATo; ++i) lines.push_back(APrefix + " line " + std::to_string(i) + " of text");
  return lines;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> AParts) {
  std::vector<std::string> all;
  for (const auto& p : AParts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Columns of running text side by side are read one after the other, block
// by block down the page, with whatever spans the page in its place; rows
// of a table, labels beside their values and a single column keep the
// order of their baselines.
TEST(TextLineAnalyzer, ColumnsOfRunningTextAreReadOneAfterTheOther) {
  struct Case {
    const char* What;
    std::function<void(ColumnPage&)> Build;
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {"two columns",
       [](ColumnPage& p) {
         p.Lines("left", 8, 72, 100, 220);
         p.Lines("right", 8, 320, 100, 220);
       },
       Concat({Numbered("left", 1, 8), Numbered("right", 1, 8)})},
      {"two columns under a title across both",
       [](ColumnPage& p) {
         p.Line("A title set across both columns of the page", 72, 70, 468);
         p.Lines("left", 8, 72, 100, 220);
         p.Lines("right", 7, 320, 100, 220);
       },
       Concat({{"A title set across both columns of the page"}, Numbered("left", 1, 8), Numbered("right", 1, 7)})},
      {"column blocks around a line across the page",
       [](ColumnPage& p) {
         p.Lines("upper left", 7, 72, 100, 220);
         p.Lines("upper right", 7, 320, 100, 220);
         p.Line("A line set across the whole page between the blocks", 72, 220, 468);
         p.Lines("lower left", 6, 72, 260, 220);
         p.Lines("lower right", 6, 320, 260, 220);
       },
       Concat({Numbered("upper left", 1, 7), Numbered("upper right", 1, 7),
               {"A line set across the whole page between the blocks"}, Numbered("lower left", 1, 6),
               Numbered("lower right", 1, 6)})},
      {"line numbers in a margin",
       [](ColumnPage& p) {
         for (int i = 1; i <= 8; ++i) p.Line(std::to_string(i), 20, 100 + 12 * (i - 1), 6);
         p.Lines("text", 8, 90, 100, 440);
       },
       Concat({{"1", "2", "3", "4", "5", "6", "7", "8"}, Numbered("text", 1, 8)})},
      {"labels beside their values",
       [](ColumnPage& p) {
         for (int i = 1; i <= 8; ++i) {
           p.Line("Item " + std::to_string(i), 72, 100 + 12 * (i - 1), 36);
           p.Line("value " + std::to_string(i) + " of the item here", 320, 100 + 12 * (i - 1), 220);
         }
       },
       {"Item 1", "value 1 of the item here", "Item 2", "value 2 of the item here", "Item 3",
        "value 3 of the item here", "Item 4", "value 4 of the item here", "Item 5", "value 5 of the item here",
        "Item 6", "value 6 of the item here", "Item 7", "value 7 of the item here", "Item 8",
        "value 8 of the item here"}},
      {"table rows",
       [](ColumnPage& p) {
         for (int i = 1; i <= 8; ++i) {
           const double y = 100 + 12 * (i - 1);
           p.Line("Apples " + std::to_string(i), 72, y, 48);
           p.Line(std::to_string(10 + i), 200, y, 12);
           p.Line("red", 330, y, 18);
         }
       },
       {"Apples 1", "11", "red", "Apples 2", "12", "red", "Apples 3", "13", "red", "Apples 4", "14", "red",
        "Apples 5", "15", "red", "Apples 6", "16", "red", "Apples 7", "17", "red", "Apples 8", "18", "red"}},
      {"a single column",
       [](ColumnPage& p) {
         p.Line("Heading", 72, 70, 60);
         p.Lines("body", 12, 72, 100, 468);
         p.Line("short last line", 72, 244, 90);
       },
       Concat({{"Heading"}, Numbered("body", 1, 12), {"short last line"}})},
      {"a right column of few lines",
       [](ColumnPage& p) {
         p.Lines("left", 8, 72, 100, 220);
         p.Lines("right", 3, 320, 100, 220);
       },
       {"left line 1 of text", "right line 1 of text", "left line 2 of text", "right line 2 of text",
        "left line 3 of text", "right line 3 of text", "left line 4 of text", "left line 5 of text",
        "left line 6 of text", "left line 7 of text", "left line 8 of text"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ColumnPage page;
    c.Build(page);
    EXPECT_EQ(page.Read(), c.Expected);
  }
}

}  // namespace text_line_analyzer_test
