// The line analyzer of the layout analysis: elements of one baseline split
// at wide gaps and rejoined, super- and subscripts folded into their line,
// blanks inserted where character boxes stand apart, and the page's own
// elements left as they were.
#include "rtf/line_analyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "positioned_page_builder.h"
#include "rtf/line_analysis_impl.h"

namespace line_analyzer_test {

using namespace vn::rtf;
using namespace vn::rtf::analyzer;
using namespace vn::wordmodel;

using positioned_page_builder::PageBuilder;

double ArialSpace(int32_t ASize) {
  vn::framework::TvnFont font;
  font.SetName(u"Arial");
  font.SetSize(ASize);
  return LineAnalysis(true).SpaceWidth(&font);
}

// One run of the analyzer over a page; the lines live as long as it.
struct PageAnalysis {
  explicit PageAnalysis(PageBuilder& APage) : Analyzer(&In, &Out) {
    In.GetCollection().push_back(&APage.Page());
    Analyzer.Analyze(nullptr, 0, 0, nullptr);
    for (const TvnDocItem* item : Out.GetCollection()) {
      const auto* line = dynamic_cast<const TvnFormatterLine*>(item);
      EXPECT_TRUE(line);
      if (line) Lines.push_back(line);
    }
  }
  // Each line's element texts.
  std::vector<std::vector<vn::String>> Texts() const {
    std::vector<std::vector<vn::String>> result;
    for (const TvnFormatterLine* line : Lines) {
      result.emplace_back();
      for (const TvnDocItem* e : line->GetDocItems())
        result.back().push_back(static_cast<const TvnTextElement*>(e)->GetText());
    }
    return result;
  }

  TvnDataCollection In, Out;
  TvnLineAnalyzer Analyzer;
  std::vector<const TvnFormatterLine*> Lines;
};

std::vector<std::vector<vn::String>> AnalyzeTexts(PageBuilder& APage) { return PageAnalysis(APage).Texts(); }

TEST(LineAnalyzer, SpaceWidthIsMeasured) { EXPECT_GT(ArialSpace(10), 1); }

TEST(LineAnalyzer, NoTextNoLinesAndOtherItemsLeftOut) {
  PageBuilder empty;
  EXPECT_TRUE(AnalyzeTexts(empty).empty());

  PageBuilder page;
  TvnFormatterPathElements path;
  page.Page().GetDocItems().push_back(&path);
  page.Add(u"word", 10, 100, 30, 12);
  EXPECT_EQ(AnalyzeTexts(page), (std::vector<std::vector<vn::String>>{{u"word"}}));
}

struct GapCase {
  const char* What;
  double GapInSpaces;     // between the two elements, in blanks of their font
  double SecondWidth;     // the first element is 40 wide
  double BaselineOffset;  // of the second element
  size_t Lines;
};

TEST(LineAnalyzer, GapsSplitAndRejoinLines) {
  const double s = ArialSpace(10);
  const GapCase cases[] = {
      {"twice the space width stays one line", 2, 40, 0, 1},
      // Split in two by the gap, joined again as pieces closer than three
      // blanks on one baseline.
      {"a hair more than twice is split, then rejoined", 2.01, 40, 0, 1},
      {"four blanks apart stay apart", 4, 40, 0, 2},
      {"baselines 0.03 apart, two blanks", 2, 40, 0.03, 2},
      {"baselines 0.03 apart, one line under a fifth of the other", 2, 7, 0.03, 1},
      {"baselines 0.005 apart are joined", 2, 40, 0.005, 1},
      {"the smallest baseline difference, touching", 0.1, 40, 1e-9, 1},
      {"the smallest baseline difference, far apart", 10, 40, 1e-9, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    PageBuilder page;
    page.Add(u"left", 10, 100, 40, 12);
    page.Add(u"right", 50 + c.GapInSpaces * s, 100 + c.BaselineOffset, c.SecondWidth, 12);
    const auto lines = AnalyzeTexts(page);
    EXPECT_EQ(lines.size(), c.Lines);
    if (c.Lines == 1 && lines.size() == 1) EXPECT_EQ(lines[0], (std::vector<vn::String>{u"left", u"right"}));
  }
}

TEST(LineAnalyzer, LineBoundsSpanTheElements) {
  PageBuilder page;
  page.Add(u"ab", 10, 100, 20, 12);
  page.Add(u"cd", 31, 100, 25, 14);
  PageAnalysis analysis(page);
  const auto& lines = analysis.Lines;
  ASSERT_EQ(lines.size(), 1u);
  const TvnRectF& r = *lines[0]->GetBoundingRect();
  EXPECT_DOUBLE_EQ(r.GetX(), 10);
  EXPECT_DOUBLE_EQ(r.GetY(), 100);
  EXPECT_DOUBLE_EQ(r.GetWidth(), 46);
  EXPECT_DOUBLE_EQ(r.GetHeight(), 14);
  EXPECT_DOUBLE_EQ(lines[0]->GetLeft(), 10);
  EXPECT_DOUBLE_EQ(lines[0]->GetRight(), 56);
  EXPECT_DOUBLE_EQ(lines[0]->GetCenter(), 33);
}

struct ScriptCase {
  const char* What;
  double Y;  // baseline of the small element; the base line is at 100, 12 high
  double X;  // the base element spans 10..50
  size_t Lines;
  TvnTextAlignment Alignment;
};

TEST(LineAnalyzer, ScriptsFoldIntoTheirLine) {
  const ScriptCase cases[] = {
      {"raised, right after the line", 96, 51, 1, TvnTextAlignment::taSuperscript},
      {"raised, within the line", 96, 20, 1, TvnTextAlignment::taSuperscript},
      {"raised by more than three quarters of the height", 90, 51, 2, TvnTextAlignment::taBaseline},
      {"lowered, right after the line", 103, 51, 1, TvnTextAlignment::taSubscript},
      {"lowered by more than three quarters of its own height", 106, 51, 2, TvnTextAlignment::taBaseline},
      {"raised, far to the right", 96, 200, 2, TvnTextAlignment::taBaseline},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    PageBuilder page;
    page.Add(u"base", 10, 100, 40, 12);
    TvnTextElement* small = page.Add(u"2", c.X, c.Y, 4, 7, 6);
    PageAnalysis analysis(page);
    const auto& lines = analysis.Lines;
    ASSERT_EQ(lines.size(), c.Lines);
    // The page's element is left as it was.
    EXPECT_EQ(small->GetFont()->GetSize(), 6);
    EXPECT_EQ(small->GetTextAlignment(), TvnTextAlignment::taBaseline);
    EXPECT_DOUBLE_EQ(small->GetBoundingRect()->GetY(), c.Y);
    if (c.Lines != 1) continue;
    const TvnTextElement* script = nullptr;
    for (const TvnDocItem* e : lines[0]->GetDocItems()) {
      if (static_cast<const TvnTextElement*>(e)->GetText() == u"2") script = static_cast<const TvnTextElement*>(e);
    }
    ASSERT_TRUE(script);
    ASSERT_NE(script, small);
    EXPECT_EQ(script->GetTextAlignment(), c.Alignment);
    EXPECT_EQ(script->GetFont()->GetSize(), 10);  // 1.53 x 6, rounded up
    EXPECT_DOUBLE_EQ(script->GetBoundingRect()->GetY(), 100);
    EXPECT_DOUBLE_EQ(script->GetBoundingRect()->GetHeight(), 12);
    EXPECT_DOUBLE_EQ(script->GetBoundingRect()->GetX(), c.X);
  }
}

struct WordGapCase {
  const char* What;
  vn::String Text;
  int GapAfter;
  double GapInSpaces;
  size_t Boxes;  // 0: one per character
  vn::String Expected;
};

TEST(LineAnalyzer, WordGapsGetBlanks) {
  const double s = std::round(ArialSpace(10));
  const WordGapCase cases[] = {
      {"gap before the last letter", u"abc", 1, 2, 0, u"ab c"},
      // A one-letter word opening the element ("a dynamic") stays a word.
      {"gap after the first letter", u"abc", 0, 2, 0, u"a bc"},
      {"no gap", u"abc", -1, 0, 0, u"abc"},
      {"gap after a blank", u"a bc", 1, 2, 0, u"a bc"},
      {"gap after the text so far ends in a blank", u"a  c", 2, 2, 0, u"a  c"},
      {"fewer boxes than characters", u"abcdef", -1, 0, 3, u"abf"},
      // Character boxes span their advances, so a gap of 0.15 em (1.5
      // points at 10 points) parts words, less does not.
      {"a gap of exactly 0.15 em", u"abc", 1, 1.5 / s, 0, u"abc"},
      {"a gap of 0.2 em, under a space", u"abc", 1, 2.0 / s, 0, u"ab c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    PageBuilder page;
    TvnTextElement* e = page.Add(c.Text, 10, 100, 30 + c.GapInSpaces * s, 12, 10, c.GapAfter, c.GapInSpaces * s);
    if (c.Boxes) e->GetCharBoundingRect().resize(c.Boxes);
    const auto lines = AnalyzeTexts(page);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], (std::vector<vn::String>{c.Expected}));
    EXPECT_EQ(e->GetText(), c.Text);
  }
}

// The space width is compared with gaps in points, so it is measured in
// points too: the screen's 96 pixels make 72 points. Tightly set text
// (TeX sets a word space of a third of the font size, 3.3 points at 10
// points, where a blank of Arial 10 is 4 screen pixels) keeps its words
// apart; a gap of half a point between letters adds nothing.
TEST(LineAnalyzer, TheSpaceWidthIsInPoints) {
  vn::framework::TvnFont font;
  font.SetName(u"Arial");
  font.SetSize(10);
  LineAnalysis analysis(true);
  EXPECT_DOUBLE_EQ(analysis.SpaceWidth(&font), analysis.SpaceWidthPixels(&font) * 72 / 96);
  for (const auto& [gap, expected] : {std::pair{10.0 / 3, u"ab cd"}, std::pair{0.5, u"abcd"}}) {
    PageBuilder page;
    page.Add(u"abcd", 10, 100, 20 + gap, 12, 10, 1, gap);
    EXPECT_EQ(AnalyzeTexts(page), (std::vector<std::vector<vn::String>>{{expected}})) << gap;
  }
}

TEST(LineAnalyzer, EmptyTextAndMissingPiecesAreSafe) {
  PageBuilder page;
  page.Add(u"", 10, 100, 0, 12);
  TvnTextElement* bare = page.Add(u"x", 10, 200, 5, 12);
  bare->GetCharBoundingRect().clear();
  bare->SetFont(nullptr);
  const auto lines = AnalyzeTexts(page);
  EXPECT_EQ(lines, (std::vector<std::vector<vn::String>>{{u""}, {u"x"}}));
}

TEST(LineAnalyzer, KeyListsCompareExactly) {
  TvnDictionaryList list;
  TvnAnalyzer::AddKey(list, 1.5);
  TvnAnalyzer::AddKey(list, 2.5);
  TvnFormatterLine item;
  TvnAnalyzer::AddToKey(list, &item, 2.5);
  TvnAnalyzer::AddToKey(list, &item, 2.5000001);
  EXPECT_EQ(TvnAnalyzer::IndexOfKey(list, 2.5), 1);
  EXPECT_EQ(TvnAnalyzer::IndexOfKey(list, std::nextafter(2.5, 3.0)), -1);
  EXPECT_TRUE(TvnAnalyzer::HasKey(list, 1.5));
  EXPECT_EQ(list[1]->GetValue().size(), 1u);
}

}  // namespace line_analyzer_test
