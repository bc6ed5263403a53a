// The export engine's paragraphs and tables: text that wraps to the band
// and flows onto new pages, and tables split over pages, laid out by the
// base engine into the text items, lines and images a format draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <numeric>
#include <sstream>

#include "text_engine.h"

namespace vn::exporter::engine_tables_test {
namespace {

using testing::ArialAdvances;
using testing::DrawnText;
using testing::TestGraphic;
using testing::TextEngine;

// An A4 pixel page with margins, a header and a footer.
void SetUpPage(TextEngine& e) {
  e.Page().SetTopMargin(40);
  e.Page().SetBottomMargin(40);
  e.Page().SetLeftMargin(60);
  e.Page().SetRightMargin(60);
  e.Page().SetHeaderHeight(30);
  e.Page().SetFooterHeight(30);
}

double BandTop(TextEngine& e) { return e.Page().TopMargin() + e.Page().HeaderHeight(); }
double BandBottom(TextEngine& e) { return e.Page().Height() - e.Page().BottomMargin() - e.Page().FooterHeight(); }
double LineHeight(TextEngine& e) { return e.GetTextSize(u"W", e.Font()).cy; }

std::u16string Words(int from, int to) {
  std::u16string out;
  for (int i = from; i < to; ++i) out += u"word" + vn::IntToStr(i) + u" ";
  return out;
}

std::vector<std::string> SplitWords(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

TEST(EngineParagraphs, ParagraphFlowsOverThreePages) {
  TextEngine e;
  SetUpPage(e);
  e.TextFormatting().SetLeftIndent(10);
  e.TextFormatting().SetRightIndent(20);
  e.TextFormatting().SetFirstLineIndent(30);
  e.BeginDoc();
  e.BeginPara();
  const int kWords = 1700;
  double free = 0;
  for (int i = 0; i < kWords; i += 100) free = e.TextOut(Words(i, i + 100));
  e.EndPara();
  e.BeginPara();
  e.TextOut(u"after");
  e.EndPara();
  e.EndDoc();

  EXPECT_EQ(e.Pages, 3);
  EXPECT_GE(free, 0);
  // Every word comes out once, in order.
  std::vector<std::string> drawn;
  for (const DrawnText& t : e.Texts)
    if (t.Text != "after")
      for (const std::string& w : SplitWords(t.Text)) drawn.push_back(w);
  EXPECT_EQ(drawn, SplitWords(vn::ToUtf8(Words(0, kWords))));

  const double h = LineHeight(e), top = BandTop(e), bottom = BandBottom(e);
  const int per_page = static_cast<int>(std::floor((bottom - top) / h));
  for (int page = 1; page <= 3; ++page) {
    std::vector<DrawnText> lines = e.OnPage(page);
    if (page == 3) lines.pop_back();  // "after"
    ASSERT_FALSE(lines.empty());
    // Full pages hold as many lines as the band has room for.
    if (page < 3) EXPECT_EQ(static_cast<int>(lines.size()), per_page) << page;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_DOUBLE_EQ(lines[i].Y, top + double(i) * h) << page << " " << i;
      // Only the paragraph's very first line is indented further.
      EXPECT_DOUBLE_EQ(lines[i].X, page == 1 && i == 0 ? 100 : 70) << page << " " << i;
      EXPECT_LE(lines[i].X + ArialAdvances().Width(vn::FromUtf8(lines[i].Text)), e.Page().Width() - 80 + 1e-9);
    }
  }
  // The next paragraph goes on below it on the last page.
  const DrawnText& after = e.Texts.back();
  EXPECT_EQ(after.Page, 3);
  EXPECT_DOUBLE_EQ(after.Y, top + double(e.OnPage(3).size() - 1) * h);
  EXPECT_DOUBLE_EQ(after.X, 100);
}

TEST(EngineParagraphs, AlignmentPlacesEveryLine) {
  for (const TvnHAlignment alignment : {TvnHAlignment::haRight, TvnHAlignment::haCenter, TvnHAlignment::haJustify}) {
    TextEngine e;
    SetUpPage(e);
    e.TextFormatting().Alignment = alignment;
    e.TextFormatting().SetLeftIndent(10);
    e.BeginDoc();
    e.BeginPara();
    e.TextOut(Words(0, 60));
    e.EndPara();
    e.EndDoc();
    const double left = 70, right = e.Page().Width() - 60;
    ASSERT_GT(e.Texts.size(), 3u);
    for (size_t i = 0; i < e.Texts.size(); ++i) {
      const DrawnText& t = e.Texts[i];
      const double w = ArialAdvances().Width(vn::FromUtf8(t.Text));
      EXPECT_EQ(t.Alignment, alignment);
      if (alignment == TvnHAlignment::haRight) EXPECT_DOUBLE_EQ(t.X + w, right) << i;
      if (alignment == TvnHAlignment::haCenter) EXPECT_DOUBLE_EQ(t.X + w / 2, (left + right) / 2) << i;
      if (alignment == TvnHAlignment::haJustify && i + 1 < e.Texts.size()) {
        EXPECT_DOUBLE_EQ(t.X, left);
        EXPECT_GT(t.X + w, right - ArialAdvances().Width(u" ")) << i;
      }
    }
  }
}

TEST(EngineParagraphs, OverflowWhereNoPageCanFollowIsReported) {
  // A footer band holds three lines; the rest of the text is left out.
  TextEngine e;
  SetUpPage(e);
  e.Page().SetFooterHeight(3 * LineHeight(e) + 5);
  e.BeginDoc();
  e.BeginFooter();
  e.BeginPara();
  EXPECT_GT(e.TextOut(u"short"), 0);
  EXPECT_EQ(e.TextOut(Words(0, 200)), -1);
  e.EndPara();
  e.EndFooter();
  e.EndDoc();
  EXPECT_EQ(e.Pages, 1);
  EXPECT_EQ(e.Texts.size(), 3u);
  EXPECT_EQ(e.Texts[0].Band, "footer");

  // Without automatic pagination the page content does the same.
  TextEngine manual;
  manual.SetAutoPaginate(false);
  manual.BeginDoc();
  manual.BeginPara();
  EXPECT_EQ(manual.TextOut(Words(0, 3000)), -1);
  manual.EndPara();
  manual.EndDoc();
  EXPECT_EQ(manual.Pages, 1);
}

TEST(EngineParagraphs, ParagraphBelowTheBandStartsOnANewPage) {
  TextEngine e;
  SetUpPage(e);
  const double band = BandBottom(e) - BandTop(e);
  e.BeginDoc();
  e.TextFormatting().SetBeforeSpace(band + 100);
  e.BeginPara();
  e.TextOut(u"moved");
  e.EndPara();
  e.TextFormatting().SetBeforeSpace(0);
  e.BeginPara();
  e.TextOut(u"next");
  e.EndPara();
  e.EndDoc();
  ASSERT_EQ(e.Texts.size(), 2u);
  EXPECT_EQ(e.Texts[0].Page, 2);
  EXPECT_DOUBLE_EQ(e.Texts[0].Y, BandTop(e) + 100);
  EXPECT_DOUBLE_EQ(e.Texts[1].Y, BandTop(e) + 100 + LineHeight(e));
}

// A table of `rows` rows of three cells "r<row>c<col>", 120 pixels wide
// columns, a title row, drawn on a page with margins, header and footer.
struct TableRun {
  TextEngine e;
  std::vector<std::pair<int32_t, int32_t>> cells;  // (row, column) as OnCellDraw saw them
  std::vector<int32_t> title_pages;

  explicit TableRun(int rows, bool each_page = false) {
    SetUpPage(e);
    e.Preferences().SetProcessAfterEachPage(each_page);
    e.TableSettings().SetColumnWidth(120);
    e.TableSettings().SetRowHeight(18);
    e.TableSettings().SetTitleHeight(25);
    e.TableSettings().SetInternalMargin({2, 2, 2, 2});
    e.TableSettings().EnableTitle = true;
    e.OnCellDraw = [this](TvnCustomDocumentEngine& sender, int32_t row, int32_t column, TPen&, TBrush&, TFont&, TvnFrame&,
                          TvnHAlignment&) {
      cells.emplace_back(row, column);
      if (row == -1) title_pages.push_back(sender.CurrentPage());
    };
    e.BeginDoc();
    e.TextOut(0, 0, u"before");
    auto* columns = e.BeginTable(0, 50, 3);
    for (int c = 0; c < 3; ++c) (*columns)[c]->Title = u"Column " + vn::IntToStr(c);
    for (int r = 0; r < rows; ++r) {
      e.NewRow();
      for (int c = 0; c < 3; ++c) e.TextOut(c, u"r" + vn::IntToStr(r) + u"c" + vn::IntToStr(c));
    }
    e.EndTable();
    e.EndDoc();
  }
};

TEST(EngineTables, TableOfTwoHundredRowsIsSplitOverPages) {
  TableRun run(200);
  TextEngine& e = run.e;
  ASSERT_EQ(e.RowsOnPage().size(), 1u);
  const std::vector<int32_t>& counts = e.RowsOnPage()[0];
  ASSERT_GE(counts.size(), 4u);
  EXPECT_EQ(counts.front(), 1);  // the page it starts on
  EXPECT_EQ(counts.back(), 0);
  EXPECT_EQ(std::accumulate(counts.begin() + 1, counts.end(), 0), 200);
  EXPECT_EQ(e.Pages, static_cast<int32_t>(counts.size()) - 2);

  // Each page draws the rows it counted, in order, inside the band; the
  // next row would not have fitted. The title row is on the first page only.
  const double row_height = std::max(18.0, LineHeight(e) + 4);
  const double bottom = BandBottom(e);
  int32_t next_row = 0;
  for (int32_t page = 1; page <= e.Pages; ++page) {
    std::vector<DrawnText> cells;
    for (const DrawnText& t : e.OnPage(page))
      if (t.Text[0] == 'r') cells.push_back(t);
    ASSERT_EQ(cells.size(), 3u * counts[page]) << page;
    double last_bottom = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
      const int32_t row = next_row + static_cast<int32_t>(i / 3);
      EXPECT_EQ(cells[i].Text, "r" + std::to_string(row) + "c" + std::to_string(i % 3));
      EXPECT_DOUBLE_EQ(cells[i].X, 60 + 120 * double(i % 3) + 2);
      last_bottom = cells[i].Y - 2 + row_height;
    }
    EXPECT_LE(last_bottom, bottom) << page;
    if (page < e.Pages) EXPECT_GT(last_bottom + row_height, bottom) << page;
    // Later pages start the table at the top of the band.
    if (page > 1) EXPECT_DOUBLE_EQ(cells[0].Y, BandTop(e) + 2);
    next_row += counts[page];
  }
  EXPECT_EQ(run.title_pages, (std::vector<int32_t>{1, 1, 1}));
  EXPECT_EQ(e.OnPage(1)[1].Text, "Column 0");
  EXPECT_DOUBLE_EQ(e.OnPage(1)[4].Y, BandTop(e) + 50 + 25 + 2);  // row 0 below the title

  // OnCellDraw saw every cell once: the title row, then the rows in order.
  ASSERT_EQ(run.cells.size(), 201u * 3);
  for (size_t i = 0; i < run.cells.size(); ++i)
    EXPECT_EQ(run.cells[i], std::make_pair(static_cast<int32_t>(i / 3) - 1, static_cast<int32_t>(i % 3)));
}

TEST(EngineTables, TableSpanningPagesWrittenPageByPage) {
  // Pages written as soon as the next one opens: each page's part of the
  // table is complete when it is written and freed after.
  TableRun run(200, true);
  EXPECT_EQ(run.e.Texts.size(), 1 + 3 + 600u);
  EXPECT_EQ(run.cells.size(), 201u * 3);
}

TEST(EngineTables, TableWithoutPaginationStaysOnItsPage) {
  TextEngine e;
  e.SetAutoPaginate(false);
  e.TableSettings().SetColumnWidth(50);
  e.TableSettings().SetRowHeight(40);
  e.BeginDoc();
  e.BeginTable(0, 0, 1);
  for (int r = 0; r < 100; ++r) e.NewRow();
  e.EndTable();
  e.EndDoc();
  EXPECT_EQ(e.Pages, 1);
  EXPECT_EQ(e.RowsOnPage()[0], (std::vector<int32_t>{1, 100, 0}));
}

TEST(EngineTables, CellTextWrapsAndGrowsItsRow) {
  TextEngine e;
  e.TableSettings().SetColumnWidth(80);
  e.TableSettings().SetInternalMargin({3, 2, 3, 2});
  std::map<std::pair<int32_t, int32_t>, TvnHAlignment> aligned;
  e.OnCellDraw = [&](TvnCustomDocumentEngine&, int32_t /*row*/, int32_t column, TPen&, TBrush&, TFont&, TvnFrame& frame,
                     TvnHAlignment& align) {
    if (column == 1) align = TvnHAlignment::haRight;
    if (column == 0) frame.IsLeft = frame.IsTop = frame.IsRight = frame.IsBottom = false;
  };
  e.BeginDoc();
  e.BeginTable(100, 100, 2);
  EXPECT_DOUBLE_EQ(e.NewRow(10), e.Page().Height() - 100 - 10);
  e.TextOut(0, u"several words that wrap inside the cell");
  e.TextOut(1, u"x");
  e.TextOut(2, u"no such column");
  e.EndTable();
  e.EndDoc();
  const double h = LineHeight(e);
  std::vector<DrawnText> first, second;
  for (const DrawnText& t : e.Texts) (t.X < 180 ? first : second).push_back(t);
  ASSERT_GE(first.size(), 3u);
  ASSERT_EQ(second.size(), 1u);
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_DOUBLE_EQ(first[i].X, 103);
    EXPECT_DOUBLE_EQ(first[i].Y, 102 + double(i) * h);
    EXPECT_LE(ArialAdvances().Width(vn::FromUtf8(first[i].Text)), 74);
  }
  // The right-aligned cell ends at its right margin.
  EXPECT_DOUBLE_EQ(second[0].X + ArialAdvances().Width(u"x"), 260 - 3);
  // Only the second cell has a frame; the row grew to hold the wrapped text.
  ASSERT_EQ(e.Lines.size(), 4u);
  EXPECT_DOUBLE_EQ(e.Lines[0].Y2 - e.Lines[0].Y1, std::round(double(first.size()) * h + 4));
}

TEST(EngineTables, AutoAdjustedColumnGrowsToItsText) {
  TextEngine e;
  e.TableSettings().SetColumnWidth(20);
  e.TableSettings().SetInternalMargin({3, 0, 5, 0});
  e.TableSettings().AutoAdjustColumnWidth = true;
  e.BeginDoc();
  auto* columns = e.BeginTable(0, 0, 2);
  e.NewRow(20);
  e.TextOut(0, u"a rather long cell");
  EXPECT_DOUBLE_EQ((*columns)[0]->Width(), ArialAdvances().Width(u"a rather long cell ") + 2 * e.Pen().Width + 8);
  EXPECT_DOUBLE_EQ((*columns)[1]->Width(), 20);
  e.EndTable();
  e.EndDoc();
}

TEST(EngineTables, CellPictureIsFittedToItsColumn) {
  struct Case {
    bool auto_adjust;
    std::string drawn;
  } cases[] = {
      {false, "content Image #0 10,10 100x50"},  // scaled down into the column, keeping its proportions
      {true, "content Image #0 10,10 200x100"},  // the column grows to the picture
  };
  for (const Case& c : cases) {
    TextEngine e;
    e.TableSettings().SetColumnWidth(100);
    e.TableSettings().AutoAdjustColumnWidth = c.auto_adjust;
    e.BeginDoc();
    e.BeginTable(10, 10, 1);
    e.NewRow(5);
    e.DrawImage(0, 200, 100, TestGraphic("picture", 200, 100));
    e.EndTable();
    e.EndDoc();
    EXPECT_NE(std::find(e.Log.begin(), e.Log.end(), c.drawn), e.Log.end()) << c.auto_adjust;
  }
}

TEST(EngineTables, RowHigherThanAPageIsCut) {
  TextEngine e;
  SetUpPage(e);
  e.TableSettings().SetColumnWidth(50);
  e.BeginDoc();
  e.BeginTable(0, 100, 1);
  e.NewRow(30);
  const double printable = BandBottom(e) - BandTop(e);
  EXPECT_DOUBLE_EQ(e.NewRow(100000), BandBottom(e) - (BandTop(e) + 100) - 30 - std::floor(printable));
  e.NewRow(30);
  e.EndTable();
  e.EndDoc();
  // The high row does not fit below the first one: it takes a page of its
  // own, and the last row follows on a third page.
  EXPECT_EQ(e.RowsOnPage()[0], (std::vector<int32_t>{1, 1, 1, 1, 0}));
}

TEST(EngineTables, CallsWithoutATableOrARowMakeNothing) {
  TextEngine e;
  e.BeginDoc();
  e.TextOut(0, u"no table");
  EXPECT_EQ(e.TextOut(u"no paragraph"), 0);
  EXPECT_EQ(e.NewRow(10), -1);
  EXPECT_EQ(e.BeginTable(0, 5000, 2), nullptr);  // below the band
  e.BeginTable(0, 0, 2);
  e.TextOut(0, u"no row");
  e.EndTable();
  e.EndDoc();
  EXPECT_TRUE(e.Texts.empty());
}

}  // namespace
}  // namespace vn::exporter::engine_tables_test
