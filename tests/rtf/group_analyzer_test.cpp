// The group analyzer: lines gathered by shared edge and distance, blocked
// by neighbouring columns, merged up and down, joined on one baseline and
// cut again at wide gaps.
#include "rtf/group_analyzer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "positioned_page_builder.h"

namespace vn::rtf::group_analyzer_test {

using analyzer::TvnGroupAnalyzer;
using analyzer::TvnLineAnalyzer;
using positioned_page_builder::PageBuilder;
using positioned_page_builder::Utf8;
using wordmodel::TvnDataCollection;
using wordmodel::TvnFormatterGroup;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnTextElement;

// Each group as its lines, each line as its element texts joined by "+".
using Groups = std::vector<std::vector<std::string>>;

struct GroupRun {
  explicit GroupRun(PageBuilder& APage) {
    Page.GetCollection().push_back(&APage.Page());
    LineAnalyzer.Analyze(nullptr, 0, 0, nullptr);
    GroupAnalyzer.Analyze(nullptr, 0, 0, nullptr);
  }
  Groups Dump() const {
    Groups result;
    for (const auto* item : Out.GetCollection()) {
      const auto* group = static_cast<const TvnFormatterGroup*>(item);
      result.emplace_back();
      for (const auto* l : group->GetDocItems()) {
        std::string text;
        for (const auto* e : static_cast<const TvnFormatterLine*>(l)->GetDocItems()) {
          text += (text.empty() ? "" : "+") + Utf8(static_cast<const TvnTextElement*>(e)->GetText());
        }
        result.back().push_back(text);
      }
    }
    return result;
  }
  TvnDataCollection Page, Lines, Out;
  TvnLineAnalyzer LineAnalyzer{&Page, &Lines};
  TvnGroupAnalyzer GroupAnalyzer{&Lines, &Out};
};

double ArialSpace() {
  framework::TvnFont font;
  font.SetName(u"Arial");
  font.SetSize(10);
  return LineAnalysis(true).SpaceWidth(&font);
}

struct GroupCase {
  const char* What;
  void (*Build)(PageBuilder&);
  Groups Expected;
};

TEST(LayoutGroups, LinesGatherIntoGroups) {
  const GroupCase cases[] = {
      {"no lines", [](PageBuilder&) {}, {}},
      {"three left-aligned lines", [](PageBuilder& p) { p.AddLines("a", 3, 72, 100, 12, 300, 200); },
       {{"a1", "a2", "a3"}}},
      {"a fourth line 30 below is merged up again",
       [](PageBuilder& p) {
         p.AddLines("a", 3, 72, 100, 12, 300, 300);
         p.Add(u"d", 72, 154, 300, 12);
       },
       {{"a1", "a2", "a3", "d"}}},
      {"a fourth line 60 below is cut off",
       [](PageBuilder& p) {
         p.AddLines("a", 3, 72, 100, 12, 300, 300);
         p.Add(u"d", 72, 184, 300, 12);
       },
       {{"a1", "a2", "a3"}, {"d"}}},
      {"a centred title close above its paragraph",
       [](PageBuilder& p) {
         p.Add(u"title", 172, 100, 100, 12);
         p.AddLines("b", 3, 72, 130, 12, 300, 300);
       },
       {{"title", "b1", "b2", "b3"}}},
      {"a centred title far above its paragraph",
       [](PageBuilder& p) {
         p.Add(u"title", 172, 100, 100, 12);
         p.AddLines("b", 3, 72, 150, 12, 300, 300);
       },
       {{"title"}, {"b1", "b2", "b3"}}},
      {"two columns and a line spanning both",
       [](PageBuilder& p) {
         p.AddLines("l", 3, 72, 100, 12, 200, 200);
         p.AddLines("r", 3, 332, 100, 12, 150, 150);
         p.Add(u"span", 72, 136, 410, 12);
       },
       {{"l1", "l2", "l3"}, {"r1", "r2", "r3"}, {"span"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    PageBuilder page;
    c.Build(page);
    EXPECT_EQ(GroupRun(page).Dump(), c.Expected);
  }
}

TEST(LayoutGroups, AGroupKnowsItsAnchorAndBounds) {
  PageBuilder page;
  page.AddLines("a", 3, 72, 100, 12, 300, 200);
  GroupRun run(page);
  ASSERT_EQ(run.Out.GetCollection().size(), 1u);
  const auto* group = static_cast<const TvnFormatterGroup*>(run.Out.GetCollection()[0]);
  EXPECT_EQ(group->GetSelectedPoint(), 1);
  const auto& r = *group->GetBoundingRect();
  // From the first line's top to the last line's baseline.
  EXPECT_DOUBLE_EQ(r.GetX(), 72);
  EXPECT_DOUBLE_EQ(r.GetY(), 88);
  EXPECT_DOUBLE_EQ(r.GetWidth(), 300);
  EXPECT_DOUBLE_EQ(r.GetHeight(), 36);
  EXPECT_DOUBLE_EQ(group->GetCenter(), 222);
}

// Two single lines on (nearly) one baseline join when close, the left
// one's text first. When the right one comes first (its baseline a little
// higher), the gap is still the one between them: a line of another column
// far to the left stays apart.
TEST(LayoutGroups, SingleLinesOnOneBaselineJoinWhenClose) {
  const double s = ArialSpace();
  const struct {
    double GapInSpaces;
    double LeftBaseline;
    Groups Expected;
  } cases[] = {{4, 100, {{"left+right"}}},
               {6, 100, {{"left"}, {"right"}}},
               {4, 102, {{"left+right"}}},
               {40, 102, {{"right"}, {"left"}}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.GapInSpaces << " spaces, left at " << c.LeftBaseline);
    PageBuilder page;
    page.Add(u"left", 72, c.LeftBaseline, 40, 12);
    auto* right = page.Add(u"right", 112 + c.GapInSpaces * s, 100, 40, 12);
    GroupRun run(page);
    EXPECT_EQ(run.Dump(), c.Expected);
    // The line analyzer's lines are left as they were.
    ASSERT_EQ(run.Lines.GetCollection().size(), 2u);
    EXPECT_EQ(static_cast<const TvnFormatterLine*>(run.Lines.GetCollection()[0])->GetDocItems().size(), 1u);
    EXPECT_EQ(right->GetText(), u"right");
  }
}

}  // namespace vn::rtf::group_analyzer_test
