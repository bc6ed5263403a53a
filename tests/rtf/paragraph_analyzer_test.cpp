// Paragraph properties and tab stops: alignment from the line edges,
// indents in pixels, line spacing in 240ths, space after, and the tabs of
// wide gaps inside a line.
#include "rtf/paragraph_analyzer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "positioned_page_builder.h"

namespace vn::rtf::paragraph_analyzer_test {

using analyzer::TvnParagraphAnalyzer;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnHAlignment;
using wordmodel::TvnRectF;

// A line from X, baseline Y, width and height.
struct LineSpec {
  double X, Y, W, H;
};

struct Lines {
  explicit Lines(const std::vector<LineSpec>& ASpecs) {
    for (const LineSpec& s : ASpecs) {
      auto line = std::make_unique<TvnFormatterLine>();
      line->SetBoundingRect(std::make_shared<TvnRectF>(s.X, s.Y, s.W, s.H));
      line->SetLeft(s.X);
      line->SetRight(s.X + s.W);
      line->SetCenter(s.X + s.W / 2);
      Refs.push_back(line.get());
      Owned.push_back(std::move(line));
    }
  }
  std::vector<std::unique_ptr<TvnFormatterLine>> Owned;
  std::vector<const TvnFormatterLine*> Refs;
};

struct ParagraphCase {
  const char* What;
  std::vector<LineSpec> Lines;
  double NextTop;
  TvnHAlignment Alignment;
  double LeftIndent, RightIndent, FirstLineIndent, LineSpacing, SpaceAfter;
};

TEST(LayoutParagraphProperties, LinesGiveAlignmentIndentsAndSpacing) {
  // The text area spans 72..540; middle lines sharing both edges make a
  // justified paragraph.
  const ParagraphCase cases[] = {
      {"one line at the left bound", {{72, 100, 200, 12}}, 0, TvnHAlignment::haLeft, 0, 0, 0, 240, 0},
      {"one centred line", {{206, 100, 200, 12}}, 0, TvnHAlignment::haCenter, 0, 0, 0, 240, 0},
      // 3 short of the right bound: 3 / 72 / 15 x 1440 = 4.
      {"one line ending at the right bound", {{337, 100, 200, 12}}, 0, TvnHAlignment::haRight, 0, 4, 0, 240, 0},
      {"two lines of equal middles from the left bound",
       {{72, 100, 468, 12}, {74, 114, 464, 12}},
       0, TvnHAlignment::haJustify, 3, 0, 0, 240, 0},
      {"two lines from one X with different ends",
       {{90, 100, 400, 12}, {90, 114, 200, 12}},
       0, TvnHAlignment::haLeft, 24, 67, 0, 240, 0},
      {"a first line 20 to the right",
       {{92, 100, 448, 12}, {72, 114, 468, 12}, {72, 128, 468, 12}, {72, 142, 300, 12}},
       0, TvnHAlignment::haJustify, 0, 0, 27, 240, 0},
      {"a first line 10 to the right",
       {{82, 100, 458, 12}, {72, 114, 468, 12}, {72, 128, 468, 12}, {72, 142, 300, 12}},
       0, TvnHAlignment::haJustify, 0, 0, 0, 240, 0},
      {"tops 1.5 heights apart", {{72, 100, 468, 12}, {72, 118, 468, 12}, {72, 136, 468, 12}, {72, 154, 200, 12}},
       0, TvnHAlignment::haJustify, 0, 0, 0, 245, 0},
      {"tops 2.4 heights apart",
       {{72, 100, 468, 10}, {72, 124, 468, 10}, {72, 148, 468, 10}, {72, 172, 200, 10}},
       0, TvnHAlignment::haJustify, 0, 0, 0, 461, 0},
      {"a following paragraph below", {{72, 100, 200, 12}}, 130.4, TvnHAlignment::haLeft, 0, 0, 0, 240, 30},
      {"a following paragraph above the last baseline", {{72, 100, 200, 12}}, 90, TvnHAlignment::haLeft, 0, 0, 0, 240,
       0},
      {"lines without height", {{72, 100, 468, 0}, {72, 114, 468, 0}, {72, 128, 468, 0}}, 0, TvnHAlignment::haJustify, 0,
       0, 0, 240, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TvnParagraphAnalyzer analyzer(nullptr, nullptr);
    const Lines lines(c.Lines);
    const auto* p = analyzer.BuildParagraph(lines.Refs, c.NextTop, 540, 72);
    EXPECT_EQ(p->GetHAlignment(), c.Alignment);
    EXPECT_EQ(p->GetLeftIndent(), c.LeftIndent);
    EXPECT_EQ(p->GetRightIndent(), c.RightIndent);
    EXPECT_EQ(p->GetFirstLineIndent(), c.FirstLineIndent);
    EXPECT_EQ(p->GetLineSpacing(), c.LineSpacing);
    EXPECT_EQ(p->GetSpaceAfter(), c.SpaceAfter);
    EXPECT_EQ(p->GetSpaceBefore(), 0);
    EXPECT_TRUE(p->GetDocItems().empty());
  }
}

// The width of a blank of Arial 10, in points.
double Arial10Space() {
  framework::TvnFont arial;
  arial.SetName(u"Arial");
  arial.SetSize(10);
  return LineAnalysis(true).SpaceWidth(&arial);
}

TEST(LayoutParagraphProperties, WideGapsInALineBecomeTabStops) {
  const double s = Arial10Space();
  const struct {
    double Gap;
    bool Tab;
  } cases[] = {{30, true}, {2 * s, false}, {2 * s + 0.5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Gap);
    positioned_page_builder::PageBuilder page;
    auto* first = page.Add(u"Name", 100, 100, 40, 12);
    auto* second = page.Add(u"Value", 140 + c.Gap, 100, 40, 12);
    TvnFormatterLine line;
    line.GetDocItems() = {first, second};
    TvnParagraphAnalyzer analyzer(nullptr, nullptr);
    const auto tabs = analyzer.FindTabs(&line, 72);
    ASSERT_EQ(tabs.size(), c.Tab ? 1u : 0u);
    EXPECT_EQ(second->GetTextBreak(), c.Tab ? wordmodel::TvnBreakType::btTab : wordmodel::TvnBreakType::btNone);
    EXPECT_EQ(first->GetTextBreak(), wordmodel::TvnBreakType::btNone);
    if (c.Tab) EXPECT_DOUBLE_EQ(tabs[0]->GetPosition(), 140 + c.Gap - 72);
  }
}

// Elements of one line more than half a blank apart, without a tab between
// them, are words of their own: the second starts with a blank.
TEST(LayoutParagraphProperties, ElementsApartAreSeparateWords) {
  const double s = Arial10Space();
  const struct {
    double Gap;
    const char16_t* First;
    const char16_t* Second;
    const char16_t* Expected;
  } cases[] = {
      {s, u"Lorem", u"ipsum", u" ipsum"},        {s / 2, u"Lorem", u"ipsum", u"ipsum"},
      {0.2, u"Lor", u"em", u"em"},              {s, u"Lorem ", u"ipsum", u"ipsum"},
      {s, u"Lorem", u" ipsum", u" ipsum"},      {30, u"Name", u"Value", u"Value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Gap);
    positioned_page_builder::PageBuilder page;
    auto* first = page.Add(c.First, 100, 100, 40, 12);
    auto* second = page.Add(c.Second, 140 + c.Gap, 100, 40, 12);
    TvnFormatterLine line;
    line.GetDocItems() = {first, second};
    TvnParagraphAnalyzer analyzer(nullptr, nullptr);
    analyzer.FindTabs(&line, 72);
    analyzer.SeparateWords(&line);
    EXPECT_EQ(first->GetText(), c.First);
    EXPECT_EQ(second->GetText(), c.Expected);
  }
}

}  // namespace vn::rtf::paragraph_analyzer_test
