// The paragraph layout engine on the fixed-pitch canvas: a character of the
// default 10-point font is 7 pixels wide and 12 high, so every expected
// position below is worked out by hand from the indents, spacing and stops.
#include "wordmodel/paragraph_layout_engine.h"

#include <gtest/gtest.h>

#include "wordmodel/borders.h"
#include "wordmodel/field_code.h"
#include "wordmodel/fields.h"
#include "wordmodel/fixed_pitch_canvas.h"
#include "wordmodel/images.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/paragraph_builders.h"
#include "wordmodel/shape_properties.h"
#include "wordmodel/text_box.h"
#include "wordmodel/text_item.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel::paragraph_layout_engine_test {

using testing::FixedPitchCanvas;

constexpr int32_t kUnset = 2147483647;
using testing::Font;
using testing::MakeRun;
using testing::Para;
using testing::Props;

// An engine over ARegion drawing on the fixed-pitch canvas.
struct Layout {
  explicit Layout(TRect ARegion) : Engine(nullptr, 0, 1, ARegion) { Engine.SetCanvas(&Canvas); }
  bool Lay(TvnParagraph& AP, int32_t AStartItem = 0, int32_t AStartIndex = 0) {
    uint8_t cause = 0;
    return Engine.ProcessParagraph(AP, cause, nullptr, AStartItem, -1, AStartIndex, nullptr, nullptr);
  }
  std::vector<TvnTextLine*> Lines() {
    std::vector<TvnTextLine*> lines;
    for (TvnDocItem* item : Engine.PageElements())
      if (auto* line = dynamic_cast<TvnTextLine*>(item)) lines.push_back(line);
    return lines;
  }
  std::vector<TvnLine*> BorderLines() {
    std::vector<TvnLine*> lines;
    for (TvnDocItem* item : Engine.PageElements())
      if (auto* line = dynamic_cast<TvnLine*>(item)) lines.push_back(line);
    return lines;
  }
  FixedPitchCanvas Canvas;
  TvnPageLayoutEngine Engine;
};

struct Placed {
  String Text;
  int32_t X;
  int32_t Y;
  bool operator==(const Placed&) const = default;
};

void PrintTo(const Placed& AP, std::ostream* AOut) { *AOut << vn::ToUtf8(AP.Text) << "@" << AP.X << "," << AP.Y; }

// The text items of every line: text, left and top.
std::vector<std::vector<Placed>> Words(Layout& ALayout) {
  std::vector<std::vector<Placed>> words;
  for (TvnTextLine* line : ALayout.Lines()) {
    words.emplace_back();
    for (TvnDocItem* child : line->Children())
      if (auto* text = dynamic_cast<TvnTextitem*>(child))
        words.back().push_back({text->GetText(), text->GetX(), text->GetY()});
  }
  return words;
}

TEST(ParagraphLayoutSpacing, LinePitchByRule) {
  const struct {
    TvnSpacingRule rule;
    int32_t spacing;
    int32_t height;
    int32_t pitch;
  } cases[] = {
      {TvnSpacingRule::srExact, 240, 30, 16},     // 240 twips = 16 pixels, whatever the text
      {TvnSpacingRule::srExact, 250, 12, 17},     // 16.67 rounds to 17
      {TvnSpacingRule::srAtleast, 360, 12, 24},   // 24 pixels at least
      {TvnSpacingRule::srAtleast, 360, 30, 30},   // taller text wins
      {TvnSpacingRule::srAuto, 360, 12, 18},      // one and a half lines
      {TvnSpacingRule::srAuto, 300, 10, 12},      // 12.5 rounds to even
      {TvnSpacingRule::srAuto, 300, 14, 18},      // 17.5 rounds to even
      {TvnSpacingRule::srAuto, 0, 15, 15},        // no spacing: the height
      {TvnSpacingRule::srExact, kUnset, 15, 15},  // unset: the height
  };
  for (const auto& c : cases) {
    TvnParagraphProperties props;
    props.SetLineSpacingRule(c.rule);
    props.SetLineSpacing(c.spacing);
    EXPECT_EQ(TvnPageLayoutEngine::GetLineSpacing(&props, c.height), c.pitch) << c.spacing << " " << c.height;
  }
  EXPECT_EQ(TvnPageLayoutEngine::GetLineSpacing(nullptr, 15), 15);
}

// Two one-line paragraphs: the second one's top shows the gap between them.
TEST(ParagraphLayoutSpacing, SpaceBetweenParagraphsCollapsesToTheLarger) {
  const struct {
    int32_t after;
    int32_t before;
    bool contextualFirst;
    bool contextualSecond;
    String secondStyle;
    int32_t gap;
  } cases[] = {
      {12, 6, false, false, u"Body", 12},  // not 18
      {6, 12, false, false, u"Body", 12},    {0, 0, false, false, u"Body", 0},
      {12, 6, true, true, u"Body", 0},    // same style, contextual: neither
      {12, 6, false, true, u"Body", 0},   // the second alone suffices
      {12, 6, true, false, u"Body", 6},   // only the second's before stays
      {12, 6, true, true, u"Other", 12},  // another style: spacing as usual
      {kUnset, 6, false, false, u"Body", 6},
  };
  for (const auto& c : cases) {
    Layout layout(TRect{10, 20, 150, 400});
    auto first = Props();
    first->SetSpaceAfter(c.after);
    first->SetContextualSpace(c.contextualFirst);
    first->SetStyleID(u"Body");
    auto second = Props();
    second->SetSpaceBefore(c.before);
    second->SetContextualSpace(c.contextualSecond);
    second->SetStyleID(c.secondStyle);
    auto p1 = Para(first, {u"one"});
    auto p2 = Para(second, {u"two"});
    EXPECT_FALSE(layout.Lay(*p1));
    EXPECT_FALSE(layout.Lay(*p2));
    const auto words = Words(layout);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0][0].Y, 20);
    EXPECT_EQ(words[1][0].Y, 32 + c.gap) << c.after << " " << c.before << " " << vn::ToUtf8(c.secondStyle);
  }
}

TEST(ParagraphLayoutSpacing, FirstParagraphGetsItsSpaceBeforeAndAnEmptyOneTheMarkHeight) {
  Layout layout(TRect{10, 20, 150, 400});
  auto spaced = Props();
  spaced->SetSpaceBefore(10);
  auto p1 = Para(spaced, {u"a"});
  layout.Lay(*p1);
  EXPECT_EQ(Words(layout)[0][0].Y, 30);
  EXPECT_EQ(layout.Engine.GetY(), 42);
  // An empty paragraph moves down by the height of its mark's font: 12 at
  // the default 10 points, 24 at 20 points.
  auto empty = Para(Props(), std::vector<std::unique_ptr<TvnRun>>{});
  layout.Lay(*empty);
  EXPECT_EQ(layout.Engine.GetY(), 54);
  auto big = Props();
  big->SetRunProperties(Font(20));
  auto emptyBig = Para(big, std::vector<std::unique_ptr<TvnRun>>{});
  layout.Lay(*emptyBig);
  EXPECT_EQ(layout.Engine.GetY(), 78);
}

// "aaaa bbbb cccc dddd" (words of 35 pixels with their space) in a region
// from 10 to 110: lines start at the indents, a word passing 108 wraps.
TEST(ParagraphLayoutLines, LineStartsFollowTheIndents) {
  const struct {
    int32_t left;
    int32_t firstLine;
    int32_t hanging;
    bool continued;
    int32_t firstX;
    int32_t nextX;
  } cases[] = {
      {kUnset, kUnset, kUnset, false, 10, 10},
      {14, kUnset, kUnset, false, 24, 24},  // unset first-line indent counts as 0
      {14, 7, kUnset, false, 31, 24},
      {14, 7, 0, false, 31, 24},
      {14, kUnset, 7, false, 17, 24},  // hanging
      {14, 7, kUnset, true, 24, 24},   // continued: no first-line indent
  };
  for (const auto& c : cases) {
    Layout layout(TRect{10, 0, 110, 400});
    auto props = Props();
    props->SetLeftIndent(c.left);
    props->SetFirstLineIndent(c.firstLine);
    props->SetHanging(c.hanging);
    props->SetSpaceBefore(20);
    auto p = Para(props, {u"aaaa bbbb cccc dddd"});
    ParagraphTagOf(*p)->SetOverflowedParagraph(c.continued);
    layout.Lay(*p);
    const auto words = Words(layout);
    ASSERT_GE(words.size(), 2u);
    EXPECT_EQ(words[0][0].X, c.firstX) << c.left << " " << c.firstLine << " " << c.hanging;
    EXPECT_EQ(words[1][0].X, c.nextX) << c.left << " " << c.firstLine << " " << c.hanging;
    // A continued paragraph gets no space before; its indent comes back.
    EXPECT_EQ(words[0][0].Y, c.continued ? 0 : 20);
    EXPECT_EQ(props->GetFirstLineIndent(), c.firstLine);
  }
}

TEST(ParagraphLayoutLines, WordsWrapWhenTheyWouldPassTheRightIndentLessTwo) {
  // Region 10..110 with right indent 3: words may end at 105 at most.
  Layout layout(TRect{10, 0, 110, 400});
  auto props = Props();
  props->SetRightIndent(3);
  auto p = Para(props, {u"aaaa bbbb ccc dddd"});
  layout.Lay(*p);
  // "aaaa " 10..45, "bbbb " 45..80, "ccc " 80..108 passes 105: wraps.
  EXPECT_EQ(Words(layout), (std::vector<std::vector<Placed>>{{{u"aaaa ", 10, 0}, {u"bbbb ", 45, 0}},
                                                             {{u"ccc ", 10, 12}, {u"dddd", 38, 12}}}));
  EXPECT_EQ(layout.Engine.GetY(), 24);
}

// Items wider than the line, or a right indent past the left edge, never
// stop the layout: each item starts a line of its own and runs past the
// edge.
TEST(ParagraphLayoutLines, ItemsWiderThanTheLineEachGetALineAndLayoutEnds) {
  const struct {
    int32_t left;
    int32_t right;
    size_t lines;
  } cases[] = {{90, 0, 3}, {0, 500, 3}, {kUnset, -20, 1}};
  for (const auto& c : cases) {
    Layout layout(TRect{0, 0, 100, 400});
    auto props = Props();
    props->SetLeftIndent(c.left);
    props->SetRightIndent(c.right);
    auto p = Para(props, {u"ab cd ef"});
    EXPECT_FALSE(layout.Lay(*p));
    EXPECT_EQ(layout.Lines().size(), c.lines) << c.left << " " << c.right;
  }
}

TEST(ParagraphLayoutLines, LineBreakStartsALineAtTheLeftIndent) {
  Layout layout(TRect{10, 0, 200, 400});
  auto props = Props();
  props->SetLeftIndent(14);
  props->SetFirstLineIndent(21);
  auto p = Para(props, {u"aa", u"\n", u"bb", u"\n", u"\n", u"cc"});
  layout.Lay(*p);
  EXPECT_EQ(Words(layout), (std::vector<std::vector<Placed>>{{{u"aa", 45, 0}}, {{u"bb", 24, 12}}, {{u"cc", 24, 36}}}));
}

TEST(ParagraphLayoutLines, FullRegionRecordsWhereTheParagraphContinues) {
  // Room for two lines of 12 in 30 pixels.
  Layout layout(TRect{0, 0, 40, 30});
  auto p = Para(Props(), {u"aa bb cc dd"});
  EXPECT_TRUE(layout.Lay(*p));
  EXPECT_EQ(layout.Lines().size(), 2u);
  EXPECT_EQ(layout.Engine.GetPrevPara(), p.get());
  EXPECT_EQ(layout.Engine.GetLeftOverRunIndex(), 0);
  EXPECT_EQ(layout.Engine.GetLeftOverRunItemIndex(), 2);  // "cc "
  // The next region continues there.
  Layout next(TRect{0, 0, 40, 30});
  ParagraphTagOf(*p)->SetOverflowedParagraph(true);
  EXPECT_FALSE(next.Lay(*p, 2, 0));
  EXPECT_EQ(Words(next), (std::vector<std::vector<Placed>>{{{u"cc ", 0, 0}, {u"dd", 21, 0}}}));
}

TEST(ParagraphLayoutLines, PageBreakInARunEndsTheRegionAndTheRestStartsTheNext) {
  Layout layout(TRect{0, 0, 200, 400});
  auto p = Para(Props(), {u"aa", u"\f", u"bb"});
  EXPECT_TRUE(layout.Lay(*p));
  EXPECT_TRUE(layout.Engine.GetPageBreakEncountered());
  EXPECT_EQ(layout.Engine.GetLeftOverRunItemIndex(), 2);
  EXPECT_EQ(Words(layout), (std::vector<std::vector<Placed>>{{{u"aa", 0, 0}}}));
  Layout next(TRect{0, 0, 200, 400});
  EXPECT_FALSE(next.Lay(*p, 2, 0));
  EXPECT_EQ(Words(next), (std::vector<std::vector<Placed>>{{{u"bb", 0, 0}}}));
}

TEST(ParagraphLayoutLines, PageBreakBeforeMovesAParagraphOffAStartedRegion) {
  Layout layout(TRect{0, 0, 200, 400});
  auto first = Para(Props(), {u"aa"});
  auto props = Props();
  props->SetPageBreakBefore(true);
  auto second = Para(props, {u"bb"});
  EXPECT_FALSE(layout.Lay(*second));  // fresh region: stays
  EXPECT_FALSE(layout.Lay(*first));
  EXPECT_TRUE(layout.Lay(*second));
  EXPECT_EQ(layout.Engine.GetPrevPara(), second.get());
}

// A list label at the first-line x; the text after it starts at the
// hanging indent, or 10 pixels after a label that is wider.
TEST(ParagraphLayoutLines, ListLabelAndTheTextAfterIt) {
  const struct {
    String label;
    TvnHAlignment alignment;
    int32_t labelX;
    int32_t textX;
  } cases[] = {
      {u"1", TvnHAlignment::haLeft, 30, 50},      // label ends at 37: text at 30 + 20
      {u"1.", TvnHAlignment::haLeft, 30, 54},     // label ends at 44: 10 after it
      {u"1234.", TvnHAlignment::haLeft, 30, 75},  // label ends at 65
      {u"1.", TvnHAlignment::haRight, 16, 50},    // label ends at the first-line x, 30
  };
  for (const auto& c : cases) {
    Layout layout(TRect{10, 0, 300, 400});
    auto props = Props();
    props->SetLeftIndent(40);
    props->SetHanging(20);
    std::vector<std::unique_ptr<TvnRun>> runs;
    runs.push_back(MakeRun({c.label}));
    runs.push_back(MakeRun({u"text"}));
    auto p = Para(props, std::move(runs));
    ParagraphTagOf(*p)->SetIsNumParagraph(true);
    ParagraphTagOf(*p)->SetNumberAlignment(c.alignment);
    layout.Lay(*p);
    const auto words = Words(layout);
    ASSERT_EQ(words.size(), 1u);
    ASSERT_EQ(words[0].size(), 2u);
    EXPECT_EQ(words[0][0].X, c.labelX) << vn::ToUtf8(c.label);
    EXPECT_EQ(words[0][1].X, c.textX) << vn::ToUtf8(c.label);
  }
}

std::shared_ptr<TvnTab> Tab(int32_t APosition, TvnTabStopValue AKind,
                            TvnTabStopChar ALeader = TvnTabStopChar::tscNone) {
  auto tab = std::make_shared<TvnTab>();
  tab->SetPosition(APosition);
  tab->SetTabStopValue(AKind);
  tab->SetLeadingChar(ALeader);
  return tab;
}

// Tab positions in a region starting at 10 with stops at 50 and 100.
TEST(ParagraphLayoutTabs, PositionByTheKindOfStop) {
  const struct {
    TvnTabStopValue kind;
    int32_t x;
    int32_t width;
    int32_t decimalSpace;
    int32_t leftIndent;
    int32_t defaultStop;
    int32_t position;
    int32_t counter;
  } cases[] = {
      {TvnTabStopValue::tsvStart, 20, 28, 0, kUnset, 0, 60, 1},
      {TvnTabStopValue::tsvStart, 60, 28, 0, kUnset, 0, 110, 2},    // past the first stop
      {TvnTabStopValue::tsvCenter, 20, 28, 0, kUnset, 0, 46, 1},    // 60 - 14
      {TvnTabStopValue::tsvCenter, 20, 27, 0, kUnset, 0, 46, 1},    // 13.5 rounds to 14
      {TvnTabStopValue::tsvEnd, 20, 28, 0, kUnset, 0, 32, 1},       // 60 - 28
      {TvnTabStopValue::tsvEnd, 20, 56, 0, kUnset, 0, 20, 1},       // never left of x
      {TvnTabStopValue::tsvDecimal, 20, 28, 14, kUnset, 0, 46, 1},  // 60 - 14 before the point
      {TvnTabStopValue::tsvDecimal, 20, 28, 0, kUnset, 0, 32, 1},   // no point: like an end stop
      {TvnTabStopValue::tsvStart, 20, 28, 0, 30, 0, 40, 1},         // the left indent comes first
      {TvnTabStopValue::tsvStart, 111, 28, 0, kUnset, 48, 159, 1},  // past every stop: default stop
      {TvnTabStopValue::tsvStart, 111, 28, 0, kUnset, 0, 111, 1},   // no stop at all: stays
  };
  for (const auto& c : cases) {
    TvnPageLayoutEngine engine(nullptr, 0, 1, TRect{10, 0, 300, 400});
    TvnParagraphProperties props;
    props.GetTabs().push_back(Tab(50, c.kind));
    props.GetTabs().push_back(Tab(100, c.kind));
    props.SetLeftIndent(c.leftIndent);
    props.SetDefaultTabStop(c.defaultStop);
    int32_t counter = 0;
    EXPECT_EQ(engine.GetTabPosition(c.x, c.width, props, counter, c.decimalSpace), c.position)
        << static_cast<int>(c.kind) << " " << c.x;
    EXPECT_EQ(counter, c.counter) << static_cast<int>(c.kind) << " " << c.x;
  }
}

// "a<tab>cd" with a stop at 100 in a region from 10: the leader fills
// the 93 pixels from 17 to 110, a character whenever two more widths fit.
TEST(ParagraphLayoutTabs, LeaderFillsTheGapBeforeTheTabbedText) {
  const struct {
    TvnTabStopChar leader;
    String text;
  } cases[] = {
      {TvnTabStopChar::tscDot, String(12, u'.')},  // k * 7 + 14 < 93 for k = 0..11
      {TvnTabStopChar::tscHyphen, String(12, u'-')},    {TvnTabStopChar::tscUnderscore, String(12, u'_')},
      {TvnTabStopChar::tscMiddleDot, String(12, u'.')}, {TvnTabStopChar::tscNone, String()},
  };
  for (const auto& c : cases) {
    Layout layout(TRect{10, 0, 300, 400});
    auto props = Props();
    props->GetTabs().push_back(Tab(100, TvnTabStopValue::tsvStart, c.leader));
    auto p = Para(props, {u"a", u"\t", u"cd"});
    layout.Lay(*p);
    const auto words = Words(layout);
    ASSERT_EQ(words.size(), 1u);
    if (c.text.empty()) {
      EXPECT_EQ(words[0], (std::vector<Placed>{{u"a", 10, 0}, {u"cd", 110, 0}}));
      continue;
    }
    EXPECT_EQ(words[0], (std::vector<Placed>{{u"a", 10, 0}, {c.text, 17, 0}, {u"cd", 110, 0}}));
    // The leader's box spans the whole gap; the line owns it.
    const TvnTextLine* line = layout.Lines()[0];
    EXPECT_EQ(line->Children()[1]->GetWidth(), 93);
    EXPECT_TRUE(line->Children().Owns(line->Children()[1]));
  }
}

// Region 10..150, right indent 10: lines end at 140.
TEST(ParagraphLayoutAlignment, LinesShiftByTheAlignment) {
  const struct {
    TvnHAlignment alignment;
    std::vector<String> texts;
    std::vector<std::vector<Placed>> words;
  } cases[] = {
      {TvnHAlignment::haLeft, {u"ab cd"}, {{{u"ab ", 10, 0}, {u"cd", 31, 0}}}},
      // (140 - 45) / 2 = 47.5 rounds to 48.
      {TvnHAlignment::haCenter, {u"ab cd"}, {{{u"ab", 58, 0}, {u" ", 72, 0}, {u"cd", 79, 0}}}},
      {TvnHAlignment::haRight, {u"ab cd"}, {{{u"ab", 105, 0}, {u" ", 119, 0}, {u"cd", 126, 0}}}},
      // The trailing space folds into "cd", whose visible text still ends
      // at 140.
      {TvnHAlignment::haRight, {u"ab cd "}, {{{u"ab", 98, 0}, {u" ", 112, 0}, {u"cd ", 126, 0}}}},
      // A single justified line is the paragraph's last: left-aligned.
      {TvnHAlignment::haJustify, {u"ab cd"}, {{{u"ab", 10, 0}, {u" ", 24, 0}, {u"cd", 31, 0}}}},
  };
  for (const auto& c : cases) {
    Layout layout(TRect{10, 0, 150, 400});
    auto props = Props(c.alignment);
    props->SetRightIndent(10);
    auto p = Para(props, c.texts);
    layout.Lay(*p);
    EXPECT_EQ(Words(layout), c.words) << static_cast<int>(c.alignment);
  }
}

// Words of a right-to-left script read from right to left: a stretch of
// them (with neutral words between) is mirrored in the room it takes, the
// blanks after a word going before it; words of other scripts keep their
// places. The items stay in their logical order on the line.
TEST(ParagraphLayoutAlignment, RightToLeftWordsAreMirroredInTheirStretch) {
  const struct {
    String text;
    std::vector<Placed> words;
  } cases[] = {
      {u"\u0627\u0628 \u062C\u062F", {{u" \u0627\u0628", 24, 0}, {u"\u062C\u062F", 10, 0}}},
      {u"ab \u0627\u0628 \u062C\u062F cd",
       {{u"ab ", 10, 0}, {u" \u0627\u0628", 52, 0}, {u" \u062C\u062F", 31, 0}, {u"cd", 73, 0}}},
      {u"\u05D0 1 \u05D1", {{u" \u05D0", 31, 0}, {u" 1", 17, 0}, {u"\u05D1", 10, 0}}},
      // A single word, and neutral words after the last one, stay.
      {u"ab \u0627\u0628 1", {{u"ab ", 10, 0}, {u"\u0627\u0628 ", 31, 0}, {u"1", 52, 0}}},
  };
  for (const auto& c : cases) {
    Layout layout(TRect{10, 0, 150, 400});
    auto p = Para(Props(), {c.text});
    layout.Lay(*p);
    const std::vector<std::vector<Placed>> words = Words(layout);
    ASSERT_EQ(words.size(), 1u) << vn::ToUtf8(c.text);
    EXPECT_EQ(words[0], c.words) << vn::ToUtf8(c.text);
  }
}

TEST(ParagraphLayoutAlignment, JustifiedLinesReachTheRightEdgeExceptTheLast) {
  // Region 10..70: "aa bb cc" fills 10..66, the space after "cc" wraps.
  Layout layout(TRect{10, 0, 70, 400});
  auto p = Para(Props(TvnHAlignment::haJustify), {u"aa bb cc dd ee"});
  layout.Lay(*p);
  // Line 1 spreads 4 pixels over its two gaps; line 2 starts with the
  // wrapped space, which folds into "dd" (drawn one space to the left so
  // that the word starts at the line start), and stays left-aligned.
  EXPECT_EQ(Words(layout), (std::vector<std::vector<Placed>>{
                               {{u"aa", 10, 0}, {u" ", 24, 0}, {u"bb", 33, 0}, {u" ", 47, 0}, {u"cc", 56, 0}},
                               {{u" dd", 3, 12}, {u" ", 31, 12}, {u"ee", 38, 12}}}));
  const auto lines = layout.Lines();
  const TvnDocItem* last = lines[0]->Children()[lines[0]->Children().Count() - 1];
  EXPECT_EQ(last->GetX() + last->GetWidth(), 70);
}

std::unique_ptr<TvnBorder> Side(int32_t ASpace, int32_t AWidth) {
  auto border = std::make_unique<TvnBorder>();
  border->SetSpace(ASpace);
  border->SetBorderWidth(AWidth);
  return border;
}

struct Segment {
  int32_t x1, y1, x2, y2;
  bool operator==(const Segment&) const = default;
};

void PrintTo(const Segment& AS, std::ostream* AOut) {
  *AOut << "(" << AS.x1 << "," << AS.y1 << ")-(" << AS.x2 << "," << AS.y2 << ")";
}

std::vector<Segment> Segments(Layout& ALayout) {
  std::vector<Segment> segments;
  for (TvnLine* line : ALayout.BorderLines())
    segments.push_back({line->GetStartX(), line->GetStartY(), line->GetEndX(), line->GetEndY()});
  return segments;
}

std::unique_ptr<TvnParaBorder> Box(bool ATop, bool ABottom, bool ASides) {
  auto border = std::make_unique<TvnParaBorder>();
  if (ATop) border->SetTop(Side(2, 1));
  if (ABottom) border->SetBottom(Side(4, 1));
  if (ASides) {
    border->SetLeft(Side(3, 1));
    border->SetRight(Side(5, 1));
  }
  return border;
}

// Paragraphs of one line (12 high) in a region 20..120 from y 10, on a
// page without a section: the right side is the region's right edge.
TEST(ParagraphLayoutBorders, BorderedParagraphsDrawTheirSides) {
  const struct {
    const char* name;
    int paragraphs;  // how many bordered paragraphs in a row
    bool top, bottom, sides;
    std::vector<Segment> segments;
  } cases[] = {
      // Top at the start (text moves down by space + width = 3), bottom 4
      // below the text, sides from top to bottom.
      {"box", 1, true, true, true, {{17, 10, 125, 10}, {17, 29, 125, 29}, {17, 10, 17, 29}, {125, 10, 125, 29}}},
      // A top rule alone is kept.
      {"top only", 1, true, false, false, {{20, 10, 120, 10}}},
      // Two paragraphs with the same border: the first one's bottom goes
      // and the second starts where it was (26); each paragraph draws its
      // top; the sides run through both.
      {"group",
       2,
       true,
       true,
       true,
       {{17, 10, 125, 10}, {17, 26, 125, 26}, {17, 42, 125, 42}, {17, 10, 17, 42}, {125, 10, 125, 42}}},
  };
  for (const auto& c : cases) {
    Layout layout(TRect{20, 10, 120, 400});
    std::vector<std::unique_ptr<TvnParagraph>> paragraphs;
    for (int i = 0; i < c.paragraphs; ++i) {
      auto props = Props();
      props->SetParaBorder(Box(c.top, c.bottom, c.sides));
      paragraphs.push_back(Para(props, {u"ab"}));
      layout.Lay(*paragraphs.back());
    }
    EXPECT_EQ(Words(layout)[0][0].Y, c.top ? 13 : 10) << c.name;
    layout.Engine.FinalizeLayout();
    EXPECT_EQ(Segments(layout), c.segments) << c.name;
  }
}

TEST(ParagraphLayoutBorders, RunBorderFramesTheRunAndShiftsItsText) {
  Layout layout(TRect{10, 20, 300, 400});
  auto bordered = Font();
  auto border = std::make_unique<TvnBorder>();
  border->SetSpace(2);
  border->SetBorderWidth(1);
  bordered->SetRunBorder(std::move(border));
  std::vector<std::unique_ptr<TvnRun>> runs;
  runs.push_back(MakeRun({u"ab"}));
  runs.push_back(MakeRun({u"cd"}, bordered));
  runs.push_back(MakeRun({u"ef"}));
  auto p = Para(Props(), std::move(runs));
  layout.Lay(*p);
  layout.Engine.FinalizeLayout();
  // "cd" starts 3 pixels after "ab" (space + width); the frame is 2 out.
  EXPECT_EQ(Words(layout), (std::vector<std::vector<Placed>>{{{u"ab", 10, 20}, {u"cd", 27, 20}, {u"ef", 41, 20}}}));
  EXPECT_EQ(Segments(layout),
            (std::vector<Segment>{{22, 34, 22, 18}, {43, 34, 43, 18}, {22, 18, 43, 18}, {22, 34, 43, 34}}));
}

TEST(ParagraphLayoutImages, InlinePictureTallerThanAFreshRegionIsPlacedAtItsTop) {
  Layout layout(TRect{0, 0, 200, 50});
  auto props = Props();
  auto p = Para(props, std::vector<std::unique_ptr<TvnRun>>{});
  auto image = std::make_unique<TvnWordImage>(String(u"picture.png"));
  image->SetIsInLine(true);
  image->SetWidth(40);
  image->SetHeight(80);
  TvnWordImage* held = image.get();
  p->Add(std::move(image));
  EXPECT_FALSE(layout.Lay(*p));
  EXPECT_EQ(held->GetBoundingRect(), (TRect{0, 0, 40, 80}));
  ASSERT_EQ(layout.Lines().size(), 1u);
  // After text on the same region, the same picture does not fit.
  Layout started(TRect{0, 0, 200, 50});
  auto text = Para(Props(), {u"ab"});
  started.Lay(*text);
  EXPECT_TRUE(started.Lay(*p));
  EXPECT_EQ(started.Engine.GetPrevPara(), p.get());
}

// A 100 x 40 box with insets of 5 and an outline 1 wide holding "ab".
std::unique_ptr<TvnTextBox> Box(TvnAutoFit AAutoFit) {
  auto box = std::make_unique<TvnTextBox>();
  box->SetBoundingRect(TRect{0, 0, 100, 40});
  auto shape = std::make_unique<TvnShapeProperties>();
  auto outline = std::make_unique<TvnLineProperties>();
  outline->SetWidth(1);
  shape->SetLineProperties(std::move(outline));
  box->SetShapeProperties(std::move(shape));
  auto body = std::make_unique<TvnBodyProperties>();
  body->SetLeftInset(5);
  body->SetRightInset(5);
  body->SetTopInset(5);
  body->SetBottomInset(5);
  body->SetAutoFit(AAutoFit);
  box->SetBodyProperties(std::move(body));
  box->Add(Para(Props(), {u"ab"}));
  return box;
}

// The box sits inline after "xy" (at 24 in a region from 10): its content
// is laid out inside its insets and outline and moves with it.
TEST(ParagraphLayoutTextBoxes, ContentIsLaidOutInsideTheBoxAndMovesWithIt) {
  const struct {
    TvnAutoFit autoFit;
    std::vector<String> kinds;
    int32_t height;
  } cases[] = {
      // Clipped to the box inside the outline, the clip ended after it.
      {TvnAutoFit::afNoAutoFit, {u"frame", u"clip", u"line", u"reset"}, 40},
      {TvnAutoFit::afNormalAutoFit, {u"frame", u"line"}, 40},
      // The box shrinks to its content: 6 + 12 - 0 + 5 + 5.
      {TvnAutoFit::afShapeAutoFit, {u"frame", u"line"}, 28},
  };
  for (const auto& c : cases) {
    Layout layout(TRect{10, 0, 300, 400});
    auto box = Box(c.autoFit);
    box->SetIsInLine(true);
    TvnTextBox* held = box.get();
    std::vector<std::unique_ptr<TvnRun>> runs;
    runs.push_back(MakeRun({u"xy"}));
    auto p = Para(Props(), std::move(runs));
    p->Add(std::move(box));
    EXPECT_FALSE(layout.Lay(*p));
    EXPECT_EQ(held->GetBoundingRect(), (TRect{24, 0, 124, c.height}));
    std::vector<String> kinds;
    for (const auto& item : held->GetLayoutedDocItems()) {
      if (dynamic_cast<TvnClipRect*>(item.get()) != nullptr) {
        kinds.push_back(u"clip");
        EXPECT_EQ(item->GetBoundingRect(), (TRect{25, 1, 123, 29}));
      } else if (dynamic_cast<TvnGraphicRect*>(item.get()) != nullptr) {
        kinds.push_back(u"frame");
        EXPECT_EQ(item->GetBoundingRect(), (TRect{24, 0, 124, c.height}));
      } else if (auto* line = dynamic_cast<TvnTextLine*>(item.get())) {
        kinds.push_back(u"line");
        const TvnDocItem* word = line->Children()[0];
        EXPECT_EQ(word->GetX(), 30);
        EXPECT_EQ(word->GetY(), 6);
      } else if (dynamic_cast<TvnResetClip*>(item.get()) != nullptr) {
        kinds.push_back(u"reset");
      }
    }
    EXPECT_EQ(kinds, c.kinds) << static_cast<int>(c.autoFit);
  }
}

// A wrapping box over text already laid out asks for the page to be laid
// out again; in the next pass it is not placed again, so the passes end.
TEST(ParagraphLayoutTextBoxes, WrappingBoxOverTextAsksForOneMorePassOnly) {
  Layout layout(TRect{0, 0, 300, 400});
  auto p = Para(Props(), {u"text"});
  auto box = Box(TvnAutoFit::afNoAutoFit);
  box->SetWrap(std::make_unique<TvnWrapSquare>());
  p->Add(std::move(box));
  uint8_t cause = 0;
  EXPECT_TRUE(layout.Engine.ProcessParagraph(*p, cause, nullptr, 0, -1, 0, nullptr, nullptr));
  EXPECT_EQ(cause, 1);
  layout.Engine.SetY(0);
  layout.Engine.Restart();
  cause = 0;
  EXPECT_FALSE(layout.Engine.ProcessParagraph(*p, cause, nullptr, 0, -1, 0, nullptr, nullptr));
  EXPECT_EQ(cause, 0);
  EXPECT_EQ(layout.Engine.DrawingItems().size(), 1u);
}

// A floating picture at (0, 0), 60 x 30, wrapping square with the text
// on both sides: a line that meets it starts after its right edge (61);
// once below it (from y 36, the third line), lines start at the left
// again. A picture wider than the region is not avoided.
TEST(ParagraphLayoutImages, LinesAvoidAWrappingPicture) {
  const struct {
    int32_t width;
    std::vector<int32_t> lineStarts;
  } cases[] = {{60, {61, 61, 61, 0}}, {400, {0, 0, 0, 0}}};
  for (const auto& c : cases) {
    Layout layout(TRect{0, 0, 300, 400});
    TvnWordImage picture(String(u"picture.png"));
    picture.SetBoundingRect(TRect{0, 0, c.width, 30});
    picture.SetWrap(std::make_unique<TvnWrapSquare>());
    picture.SetRegion(TvnDrawingLayoutEngine::CreateWrapRegion(picture, picture, TRect{0, 0, 300, 400}));
    layout.Engine.DrawingItems().push_back(&picture);
    auto p = Para(Props(), {u"a", u"\n", u"b", u"\n", u"c", u"\n", u"d"});
    layout.Lay(*p);
    std::vector<int32_t> starts;
    for (const auto& line : Words(layout)) starts.push_back(line.front().X);
    EXPECT_EQ(starts, c.lineStarts) << c.width;
  }
}

// PAGE shows the engine's page number ("***" for page 0) and joins the
// header's PAGE fields; NUMPAGES shows "***" and is listed once.
TEST(ParagraphLayoutFields, PageAndPageCountFields) {
  const struct {
    const char16_t* code;
    int32_t page;
    String text;
    size_t pageFields;
    size_t countFields;
  } cases[] = {
      {u"PAGE", 7, u"7", 1, 0},
      {u"PAGE", 0, u"***", 1, 0},
      {u"NUMPAGES", 7, u"***", 0, 1},
  };
  for (const auto& c : cases) {
    FixedPitchCanvas canvas;
    TvnPageLayoutEngine engine(nullptr, 0, c.page, TRect{10, 0, 300, 400});
    engine.SetCanvas(&canvas);
    auto code = std::make_unique<TvnFieldCode>();
    code->SetCode(c.code);
    auto result = std::make_unique<TvnFieldResult>();
    result->push_back(MakeRun({u"9"}));
    auto field = TvnWordHelperFunctions::GetField(nullptr, std::move(code), false, std::move(result));
    TvnField* held = field.get();
    std::vector<std::unique_ptr<TvnRun>> runs;
    runs.push_back(MakeRun({u"p. "}));
    auto p = Para(Props(), std::move(runs));
    p->Add(std::move(field));
    TvnHeaderFooterElementTag header;
    std::vector<TvnField*> counts;
    uint8_t cause = 0;
    EXPECT_FALSE(engine.ProcessParagraph(*p, cause, &header, 0, -1, 0, nullptr, &counts));
    EXPECT_EQ(header.GetPageFieldList().size(), c.pageFields) << vn::ToUtf8(c.code);
    // Laid out again (a later pass): the page count is still listed once,
    // and the first line's number stays valid (the line owns it).
    EXPECT_FALSE(engine.ProcessParagraph(*p, cause, nullptr, 0, -1, 0, nullptr, &counts));
    const auto* line = dynamic_cast<TvnTextLine*>(engine.PageElements()[0]);
    ASSERT_NE(line, nullptr);
    const auto* text = dynamic_cast<TvnTextitem*>(line->Children()[1]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetText(), c.text) << vn::ToUtf8(c.code);
    EXPECT_EQ(text->GetX(), 31);
    EXPECT_EQ(counts.size(), c.countFields) << vn::ToUtf8(c.code);
    EXPECT_EQ(held->GetResult()->front()->GetCount(), 1);
    EXPECT_TRUE(line->Children().Owns(text));
  }
}

}  // namespace vn::wordmodel::paragraph_layout_engine_test
