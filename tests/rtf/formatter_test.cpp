// The whole layout analysis through the formatter: synthetic pages of
// positioned text rebuilt as sections, columns, tables, paragraphs and
// spacers, compared as structure dumps; degenerate pages; the order and
// the once-only formatting of pages.
#include "rtf/formatter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "positioned_page_builder.h"
#include "rtf/line_analysis_impl.h"

namespace vn::rtf::formatter_test {

using analyzer::TvnFormatter;
using positioned_page_builder::DumpSections;
using positioned_page_builder::PageBuilder;
using wordmodel::TvnDataCollection;
using wordmodel::TvnFormatterSection;
using Rows = std::vector<std::string>;

Rows Format(PageBuilder& APage) {
  TvnDataCollection pages;
  TvnFormatter formatter(&pages);
  formatter.Add(&APage.Page());
  return DumpSections(*formatter.GetFormattedData());
}

struct PageCase {
  const char* What;
  void (*Build)(PageBuilder&);
  Rows Expected;
};

TEST(LayoutFormatter, SyntheticPagesRebuildTheirStructure) {
  const PageCase cases[] = {
      {"one column of text",
       [](PageBuilder& p) { p.AddLines("a", 8, 72, 100, 14, 468, 200); },
       {"section next page", "  paragraph justify a1/a2/a3/a4/a5/a6/a7/a8/"}},
      {"one column, then two columns of six lines",
       [](PageBuilder& p) {
         p.AddLines("t", 3, 72, 100, 14, 468, 300);
         p.AddLines("l", 6, 72, 160, 14, 220, 120);
         p.AddLines("r", 6, 332, 160, 14, 208, 100);
       },
       {"section next page", "  paragraph left t1/t2/t3/", "section columns 220/40 208/0",
        "  paragraph justify l1/l2/l3/l4/l5/l6/", "  column break", "  paragraph justify r1/r2/r3/r4/r5/r6/"}},
      {"a 3x3 grid of short blocks",
       [](PageBuilder& p) {
         for (int row = 0; row < 3; ++row) {
           for (int col = 0; col < 3; ++col) {
             const std::string name = std::string(1, static_cast<char>('a' + col)) + std::to_string(row + 1) + "-";
             p.AddLines(name, 2, 72 + 180 * col, 100 + 70 * row, 12, 100, 60);
           }
         }
       },
       {"section next page", "  spacer 0", "  table rows=3", "    row 140 180 140", "      cell",
        "        paragraph left a1-1/a1-2/", "      cell", "        paragraph left b1-1/b1-2/", "      cell",
        "        paragraph left c1-1/c1-2/", "    row 140 180 140", "      cell", "        paragraph left a2-1/a2-2/",
        "      cell", "        paragraph left b2-1/b2-2/", "      cell", "        paragraph left c2-1/c2-2/",
        "    row 140 180 140", "      cell", "        paragraph left a3-1/a3-2/", "      cell",
        "        paragraph left b3-1/b3-2/", "      cell", "        paragraph left c3-1/c3-2/", "  spacer 0"}},
      {"a heading and its body",
       [](PageBuilder& p) {
         p.Add(u"Heading", 72, 100, 150, 18, 16);
         p.AddLines("b", 4, 72, 150, 14, 468, 250);
       },
       {"section next page", "  paragraph left Heading/", "  spacer 38", "  paragraph justify b1/b2/b3/b4/"}},
      {"a heading over two columns, within the width of the left one",
       [](PageBuilder& p) {
         p.Add(u"Heading", 72, 100, 150, 18, 16);
         p.AddLines("l", 6, 72, 140, 14, 220, 120);
         p.AddLines("r", 6, 332, 140, 14, 208, 100);
       },
       {"section next page", "  paragraph left Heading/", "section columns 220/40 208/0",
        "  paragraph justify l1/l2/l3/l4/l5/l6/", "  column break", "  paragraph justify r1/r2/r3/r4/r5/r6/"}},
      {"a 3x3 table of one-line cells 20 apart",
       [](PageBuilder& p) {
         for (int row = 0; row < 3; ++row) {
           for (int col = 0; col < 3; ++col) {
             const std::string name = std::string(1, static_cast<char>('a' + col)) + std::to_string(row + 1);
             p.Add(vn::String(name.begin(), name.end()), 72 + 156 * col, 100 + 20 * row, 14, 8);
           }
         }
       },
       {"section next page", "  spacer 0", "  table rows=3", "    row 85 156 85", "      cell",
        "        paragraph left a1/", "      cell", "        paragraph centre b1/", "      cell",
        "        paragraph right c1/", "    row 85 156 85", "      cell", "        paragraph left a2/", "      cell",
        "        paragraph centre b2/", "      cell", "        paragraph right c2/", "    row 85 156 85",
        "      cell", "        paragraph left a3/", "      cell", "        paragraph centre b3/", "      cell",
        "        paragraph right c3/", "  spacer 0"}},
      {"one-line cells side by side whose second lines do not line up stay one row",
       [](PageBuilder& p) {
         p.Add(u"a1", 72, 100, 14, 8);
         p.Add(u"a2", 72, 120, 14, 8);
         p.Add(u"b1", 228, 100, 14, 8);
         p.Add(u"b2", 228, 126, 14, 8);
       },
       {"section next page", "  spacer 0", "  table rows=1", "    row 85 85", "      cell",
        "        paragraph left a1/", "        paragraph left a2/", "      cell", "        paragraph right b1/",
        "        paragraph right b2/", "  spacer 0"}},
      {"two blocks side by side",
       [](PageBuilder& p) {
         p.Add(u"Name", 72, 100, 40, 12);
         p.Add(u"Value", 300, 100, 50, 12);
       },
       {"section next page", "  spacer 0", "  table rows=1", "    row 134 144", "      cell",
        "        paragraph left Name/", "      cell", "        paragraph right Value/", "  spacer 0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    PageBuilder page;
    c.Build(page);
    EXPECT_EQ(Format(page), c.Expected);
  }
}


// Lines at X 72 of the given widths and baselines, in 10-point text unless
// a size is given.
struct LineOf {
  double Width;
  double Baseline;
  int32_t Size = 10;
};

void AddLineList(PageBuilder& APage, const std::vector<LineOf>& ALines) {
  for (size_t i = 0; i < ALines.size(); ++i) {
    const std::string text = "a" + std::to_string(i + 1);
    APage.Add(vn::String(text.begin(), text.end()), 72, ALines[i].Baseline, ALines[i].Width, 12, ALines[i].Size);
  }
}

TEST(LayoutFormatter, ParagraphsEndWhereTheLinesSaySo) {
  const struct {
    const char* What;
    std::vector<LineOf> Lines;
    Rows Expected;
  } cases[] = {
      {"a line under 0.4 of the text width",
       {{468, 100}, {468, 114}, {150, 128}, {468, 142}, {468, 156}, {200, 170}},
       {"section next page", "  paragraph left a1/a2/a3/", "  paragraph left a4/a5/a6/"}},
      {"a line under 0.65 of the widest so far",
       {{468, 100}, {468, 114}, {280, 128}, {468, 142}, {200, 156}},
       {"section next page", "  paragraph left a1/a2/a3/", "  paragraph left a4/a5/"}},
      {"another font size",
       {{468, 100}, {468, 114}, {468, 128, 14}, {468, 142, 14}, {200, 156, 14}},
       {"section next page", "  paragraph justify a1/a2/", "  paragraph left a3/a4/a5/"}},
      {"another line distance",
       {{468, 100}, {468, 114}, {468, 128}, {468, 152}, {468, 176}, {200, 200}},
       {"section next page", "  paragraph justify a1/a2/a3/", "  paragraph left a4/a5/a6/"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    PageBuilder page;
    AddLineList(page, c.Lines);
    EXPECT_EQ(Format(page), c.Expected);
  }
}

struct DegenerateCase {
  const char* What;
  void (*Build)(PageBuilder&);
  size_t Sections;
  size_t Paragraphs;  // with text, spacers left out
};

size_t TextParagraphs(const Rows& ARows) {
  size_t n = 0;
  for (const std::string& row : ARows) n += row.find("paragraph ") != std::string::npos ? 1 : 0;
  return n;
}

// Character boxes of PDF text are the ink of the letters, so a line's
// height, and its top, depend on the letters it holds (capitals, x-height
// letters, descenders). Two paragraphs of 11-point text, lines 12.8 apart
// and paragraphs 20 apart, stay two paragraphs whatever those heights.
TEST(LayoutFormatter, LinePitchRunsFromBaselineToBaseline) {
  PageBuilder page;
  const struct {
    double Baseline, Height, Width;
  } lines[] = {{230.1, 10.65, 460}, {242.9, 8.51, 440}, {262.9, 10.65, 455}, {275.7, 8.51, 420}, {288.5, 8.51, 100}};
  int n = 0;
  for (const auto& l : lines) {
    const std::string text = "a" + std::to_string(++n);
    page.Add(vn::String(text.begin(), text.end()), 72, l.Baseline, l.Width, l.Height, 11);
  }
  EXPECT_EQ(Format(page), (Rows{"section next page", "  paragraph left a1/a2/", "  paragraph left a3/a4/a5/"}));
}

TEST(LayoutFormatter, DegeneratePagesEndWithoutCrashing) {
  const DegenerateCase cases[] = {
      {"no text", [](PageBuilder&) {}, 0, 0},
      {"one character", [](PageBuilder& p) { p.Add(u"x", 300, 400, 6, 12); }, 1, 1},
      {"characters piled on one point, without size",
       [](PageBuilder& p) {
         for (int i = 0; i < 50; ++i) p.Add(u"x", 100, 100, 0, 0);
       },
       1, 1},
      {"lines without height",
       [](PageBuilder& p) {
         for (int i = 0; i < 6; ++i) p.Add(u"line", 72, 100 + 14 * i, 468, 0);
       },
       1, 1},
      {"coordinates that are not numbers",
       [](PageBuilder& p) {
         const double nan = std::numeric_limits<double>::quiet_NaN();
         const double inf = std::numeric_limits<double>::infinity();
         p.Add(u"a", nan, nan, nan, nan);
         p.Add(u"b", inf, -inf, inf, inf);
         p.Add(u"c", 72, 100, 20, 12);
       },
       1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    PageBuilder page;
    c.Build(page);
    const Rows rows = Format(page);
    size_t sections = 0;
    for (const std::string& row : rows) sections += row.rfind("section", 0) == 0 ? 1 : 0;
    EXPECT_EQ(sections, c.Sections);
    EXPECT_EQ(TextParagraphs(rows), c.Paragraphs);
  }
}

TEST(LayoutFormatter, ZeroHeightLinesGetSingleSpacing) {
  PageBuilder page;
  for (int i = 0; i < 6; ++i) page.Add(u"line", 72, 100 + 14 * i, 468, 0);
  TvnDataCollection pages;
  TvnFormatter formatter(&pages);
  formatter.Add(&page.Page());
  const auto& sections = formatter.GetFormattedData()->GetCollection();
  ASSERT_EQ(sections.size(), 1u);
  for (const auto* item : static_cast<const TvnFormatterSection*>(sections[0])->GetDocItems()) {
    const auto* p = dynamic_cast<const wordmodel::TvnFormatterParagraph*>(item);
    if (p && !p->GetDocItems().empty()) EXPECT_EQ(p->GetLineSpacing(), 240);
  }
}

TEST(LayoutFormatter, PagesAreFormattedOnceInPageOrder) {
  PageBuilder first, second, third;
  first.AddLines("a", 3, 72, 100, 14, 468, 200);
  second.AddLines("b", 3, 72, 100, 14, 468, 200);
  third.AddLines("t", 3, 72, 100, 14, 468, 300);
  third.AddLines("l", 6, 72, 160, 14, 220, 120);
  third.AddLines("r", 6, 332, 160, 14, 208, 100);
  TvnDataCollection pages;
  TvnFormatter formatter(&pages);
  formatter.Add(&first.Page());
  formatter.Add(&second.Page());
  // A removal formats nothing, and the next addition only brings the list
  // back to its longest so far.
  pages.GetCollection().pop_back();
  formatter.UnformattedNotify();
  formatter.Add(&second.Page());
  EXPECT_EQ(formatter.GetFormattedData()->GetCollection().size(), 2u);
  formatter.Add(&third.Page());
  EXPECT_EQ(DumpSections(*formatter.GetFormattedData()),
            (Rows{"section next page", "  paragraph left a1/a2/a3/", "section next page", "  paragraph left b1/b2/b3/",
                  "section next page", "  paragraph left t1/t2/t3/", "section columns 220/40 208/0",
                  "  paragraph justify l1/l2/l3/l4/l5/l6/", "  column break", "  paragraph justify r1/r2/r3/r4/r5/r6/"}));
}

TEST(LayoutFormatter, SectionsCarryThePageAndTheirColumns) {
  PageBuilder page;
  page.AddLines("t", 3, 72, 100, 14, 468, 300);
  page.AddLines("l", 6, 72, 160, 14, 220, 120);
  page.AddLines("r", 6, 332, 160, 14, 208, 100);
  TvnDataCollection pages;
  TvnFormatter formatter(&pages);
  formatter.Add(&page.Page());
  const auto& sections = formatter.GetFormattedData()->GetCollection();
  ASSERT_EQ(sections.size(), 2u);
  const auto* top = static_cast<const TvnFormatterSection*>(sections[0]);
  const auto* columns = static_cast<const TvnFormatterSection*>(sections[1]);
  EXPECT_TRUE(top->GetEqualWidthColumns());
  EXPECT_EQ(top->GetSpaceBetweenColumns(), 30);
  EXPECT_FALSE(columns->GetEqualWidthColumns());
  EXPECT_EQ(columns->GetSpaceBetweenColumns(), 0);
  for (const auto* s : {top, columns}) {
    EXPECT_EQ(s->GetPageWidth(), 612);
    EXPECT_EQ(s->GetPageHeight(), 792);
    EXPECT_EQ(s->GetPageMargin()->GetLeft(), 72);
    EXPECT_NE(s->GetPageMargin(), page.Page().GetPageMargin());
    // A page taller than wide is upright.
    EXPECT_EQ(s->GetOrientation(), wordmodel::TvnOrientation::oPortrait);
  }
  PageBuilder wide;
  wide.Add(u"x", 72, 100, 6, 12);
  wide.Page().SetPageWidth(792);
  wide.Page().SetPageHeight(612);
  formatter.Add(&wide.Page());
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(static_cast<const TvnFormatterSection*>(sections[2])->GetOrientation(),
            wordmodel::TvnOrientation::oLandscape);
}

// Turns the page's text and its size a quarter clockwise, ATimes times, as
// a page printed turned in its frame: upright text then runs down the page.
void TurnClockwise(PageBuilder& APage, int ATimes) {
  for (int t = 0; t < ATimes; ++t) {
    const double height = APage.Page().GetPageHeight();
    auto turn = [&](double AX, double AY, double& ATurnedX, double& ATurnedY) {
      ATurnedX = height - AY;
      ATurnedY = AX;
    };
    for (auto* item : APage.Page().GetDocItems()) {
      auto* e = static_cast<wordmodel::TvnTextElement*>(item);
      for (wordmodel::TvnRectF* box : e->GetCharBoundingRect()) {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        turn(box->GetLeft(), box->GetTop(), x1, y1);
        turn(box->GetRight(), box->GetBottom(), x2, y2);
        *box = wordmodel::TvnRectF(std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1));
      }
      double x = 0, y = 0;
      turn(e->GetBoundingRect()->GetX(), e->GetBoundingRect()->GetY(), x, y);
      e->GetBoundingRect()->SetX(x);
      e->GetBoundingRect()->SetY(y);
    }
    APage.Page().SetPageHeight(APage.Page().GetPageWidth());
    APage.Page().SetPageWidth(height);
  }
}

// A page printed turned (a landscape table on an upright sheet, text
// running up or down) is laid out as the page turned to its text: the same
// sections, columns and paragraphs as the upright page, on a page of the
// upright size.
TEST(LayoutFormatter, TurnedPagesAreLaidOutAlongTheirText) {
  auto build = [](PageBuilder& APage) {
    APage.AddLines("t", 3, 72, 100, 14, 468, 300);
    APage.AddLines("l", 6, 72, 160, 14, 220, 120);
    APage.AddLines("r", 6, 332, 160, 14, 208, 100);
  };
  PageBuilder upright;
  build(upright);
  const Rows expected = Format(upright);
  ASSERT_EQ(expected.front(), "section next page");
  for (int turns = 1; turns < 4; ++turns) {
    SCOPED_TRACE(turns);
    PageBuilder page;
    build(page);
    TurnClockwise(page, turns);
    TvnDataCollection pages;
    TvnFormatter formatter(&pages);
    formatter.Add(&page.Page());
    EXPECT_EQ(DumpSections(*formatter.GetFormattedData()), expected);
    const auto* first = static_cast<const TvnFormatterSection*>(formatter.GetFormattedData()->GetCollection().at(0));
    EXPECT_EQ(first->GetPageWidth(), 612);
    EXPECT_EQ(first->GetPageHeight(), 792);
  }
}

TEST(LayoutFormatter, ThePageKeepsItsElements) {
  PageBuilder page;
  // Farther apart than two blanks, too close to stand as two lines.
  vn::framework::TvnFont arial;
  arial.SetName(u"Arial");
  arial.SetSize(10);
  const double s = LineAnalysis(true).SpaceWidth(&arial);
  auto* name = page.Add(u"Name", 72, 100, 40, 12);
  auto* value = page.Add(u"Value", 112 + 2.5 * s, 100, 50, 12);
  const Rows rows = Format(page);
  EXPECT_EQ(rows, (Rows{"section next page", "  paragraph left Name->Value/"}));
  EXPECT_EQ(page.Page().GetDocItems().size(), 2u);
  EXPECT_EQ(name->GetTextBreak(), wordmodel::TvnBreakType::btNone);
  EXPECT_EQ(value->GetTextBreak(), wordmodel::TvnBreakType::btNone);
  EXPECT_EQ(value->GetText(), u"Value");
}

}  // namespace vn::rtf::formatter_test
