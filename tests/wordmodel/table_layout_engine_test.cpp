// The table layout engine on the fixed-pitch canvas: one line of text in a
// cell is 12 pixels high and a character 7 pixels wide, so row heights,
// cell positions and borders are worked out by hand from the grid.
#include "wordmodel/table_layout_engine.h"

#include <gtest/gtest.h>

#include <array>

#include "wordmodel/borders.h"
#include "wordmodel/fixed_pitch_canvas.h"
#include "wordmodel/paragraph_builders.h"
#include "wordmodel/paragraph_layout_engine.h"
#include "wordmodel/table.h"
#include "wordmodel/text_box.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel::table_layout_engine_test {

using testing::FixedPitchCanvas;
using testing::MakeRun;
using testing::Para;
using testing::Props;

// A cell: its texts (each a paragraph; "\n" inside a paragraph's list is
// a line break), its grid span and vertical merge.
struct CellContent {
  std::vector<std::vector<String>> paragraphs;
  int32_t span = 1;
  TvnMergeCellsOption merge = TvnMergeCellsOption::mcoNone;
  TvnVAlignment alignment = TvnVAlignment::vaTop;
};

std::unique_ptr<TvnTableRow> Row(const std::vector<CellContent>& ACells, bool AHeader = false,
                                 TvnSpacingRule ARule = TvnSpacingRule::srAuto, int32_t AHeightTwips = 0,
                                 bool ACantSplit = false) {
  auto row = std::make_unique<TvnTableRow>();
  auto props = std::make_shared<TvnTableRowProperties>();
  props->SetIsHeader(AHeader);
  props->SetHeightSpacingRule(ARule);
  props->SetHeight(AHeightTwips);
  props->SetCantSplit(ACantSplit);
  row->SetTableRowProperties(props);
  for (const CellContent& content : ACells) {
    auto cell = std::make_unique<TvnTableCell>();
    auto cellProps = std::make_shared<TvnTableCellProperties>();
    cellProps->SetGridSpan(content.span);
    cellProps->SetVMergeCells(content.merge);
    cellProps->SetCellVerticalAlignment(content.alignment);
    cell->SetTableCellProperties(cellProps);
    for (const auto& texts : content.paragraphs) cell->InsertItem(Para(Props(), texts));
    row->InsertCell(std::move(cell));
  }
  return row;
}

std::unique_ptr<TvnTable> Table(std::vector<int32_t> AGrid, std::vector<std::unique_ptr<TvnTableRow>> ARows) {
  auto table = std::make_unique<TvnTable>();
  table->GetGridColumnWidths() = std::move(AGrid);
  table->SetTableProperties(std::make_shared<TvnTableProperties>());
  int32_t index = 0;
  for (auto& row : ARows) {
    if (row->GetTableRowProperties()->GetIsHeader()) TableTagOf(*table)->GetHeaderRowIndices().push_back(index);
    table->InsertRow(std::move(row));
    ++index;
  }
  return table;
}

struct Word {
  String text;
  int32_t x;
  int32_t y;
  bool operator==(const Word&) const = default;
};

void PrintTo(const Word& AW, std::ostream* AOut) { *AOut << vn::ToUtf8(AW.text) << "@" << AW.x << "," << AW.y; }

// A page of the region: the paragraph engine, the status and the output.
struct Page {
  explicit Page(TRect ARegion) : Engine(nullptr, 0, 1, ARegion) { Engine.SetCanvas(&Canvas); }
  bool Lay(TvnTable& ATable, bool AFirstItem = true) {
    TvnTableLayoutEngine tables(nullptr, Engine.GetDisplayRegion().Top, Status, Engine);
    const bool leftOver = Status.GetLeftOverTable() == &ATable;
    return tables.ProcessTable(ATable, leftOver, false, AFirstItem, nullptr, nullptr, 1);
  }
  std::vector<Word> Words() {
    std::vector<Word> words;
    for (TvnDocItem* item : Engine.PageElements())
      if (auto* line = dynamic_cast<TvnTextLine*>(item))
        for (TvnDocItem* child : line->Children())
          if (auto* text = dynamic_cast<TvnTextitem*>(child))
            words.push_back({text->GetText(), text->GetX(), text->GetY()});
    return words;
  }
  std::vector<TRect> Shading() {
    std::vector<TRect> rects;
    for (TvnDocItem* item : Engine.PageElements())
      if (dynamic_cast<TvnGraphicRect*>(item) != nullptr) rects.push_back(item->GetBoundingRect());
    return rects;
  }
  // Border lines as (x1, y1, x2, y2) and pen width.
  std::vector<std::array<int32_t, 5>> Borders() {
    std::vector<std::array<int32_t, 5>> lines;
    for (TvnDocItem* item : Engine.PageElements())
      if (auto* line = dynamic_cast<TvnLine*>(item))
        lines.push_back(
            {line->GetStartX(), line->GetStartY(), line->GetEndX(), line->GetEndY(), line->GetPen()->GetWidth()});
    return lines;
  }
  FixedPitchCanvas Canvas;
  TvnPageLayoutEngine Engine;
  TvnPageStatus Status;
};

// Grid columns of 100 from x 10; the region ends at 260.
TEST(TableLayoutCells, WidthsFromTheGridSpansAndTheRegionEdge) {
  Page page(TRect{10, 0, 260, 400});
  std::vector<std::unique_ptr<TvnTableRow>> rows;
  rows.push_back(Row({{{{u"a"}}}, {{{u"b"}}, 2}}));  // 100, then 200 cut to 150
  rows.push_back(Row({{{{u"c"}}}, {{{u"d"}}}, {{{u"e"}}}}));
  auto table = Table({100, 100, 100}, std::move(rows));
  EXPECT_FALSE(page.Lay(*table));
  const auto& r0 = table->GetRows()[0]->GetCells();
  const auto& r1 = table->GetRows()[1]->GetCells();
  EXPECT_EQ(r0[0]->GetActCellWidth(), 100);
  EXPECT_EQ(r0[1]->GetActCellWidth(), 150);
  EXPECT_EQ(r1[2]->GetActCellWidth(), 50);
  EXPECT_EQ(page.Words(),
            (std::vector<Word>{{u"a", 10, 0}, {u"b", 110, 0}, {u"c", 10, 12}, {u"d", 110, 12}, {u"e", 210, 12}}));
  EXPECT_EQ(page.Shading(),
            (std::vector<TRect>{
                {10, 0, 110, 12}, {110, 0, 260, 12}, {10, 12, 110, 24}, {110, 12, 210, 24}, {210, 12, 260, 24}}));
  EXPECT_EQ(page.Engine.GetY(), 24);
}

// A cell holding a paragraph and a table of two 50-pixel columns: the
// inner table is laid out below the paragraph inside the cell, and the
// outer row holds both.
TEST(TableLayoutCells, NestedTableIsLaidOutInsideItsCell) {
  Page page(TRect{10, 0, 310, 400});
  std::vector<std::unique_ptr<TvnTableRow>> innerRows;
  innerRows.push_back(Row({{{{u"b"}}}, {{{u"c"}}}}));
  auto inner = Table({50, 50}, std::move(innerRows));
  std::vector<std::unique_ptr<TvnTableRow>> rows;
  rows.push_back(Row({{{{u"a"}}}, {{{u"d"}}}}));
  auto outer = Table({200, 100}, std::move(rows));
  outer->GetRows()[0]->GetCells()[0]->InsertItem(std::move(inner));
  EXPECT_FALSE(page.Lay(*outer));
  EXPECT_EQ(page.Words(), (std::vector<Word>{{u"a", 10, 0}, {u"b", 10, 12}, {u"c", 60, 12}, {u"d", 210, 0}}));
  EXPECT_EQ(outer->GetRows()[0]->GetActRowHeight(), 24);
  EXPECT_EQ(page.Engine.GetY(), 24);
}

// A table in a text box is laid out inside the box's content region.
TEST(TableLayoutCells, TableInATextBoxIsLaidOutInsideTheBox) {
  Page page(TRect{10, 0, 310, 400});
  auto box = std::make_unique<TvnTextBox>();
  box->SetBoundingRect(TRect{0, 0, 200, 40});
  box->SetIsInLine(true);
  std::vector<std::unique_ptr<TvnTableRow>> rows;
  rows.push_back(Row({{{{u"b"}}}, {{{u"c"}}}}));
  box->Add(Table({50, 50}, std::move(rows)));
  TvnTextBox* held = box.get();
  auto p = Para(Props(), std::vector<std::unique_ptr<TvnRun>>{});
  p->Add(std::move(box));
  uint8_t cause = 0;
  EXPECT_FALSE(page.Engine.ProcessParagraph(*p, cause, nullptr, 0, -1, 0, nullptr, nullptr));
  std::vector<Word> words;
  for (const auto& item : held->GetLayoutedDocItems())
    if (auto* line = dynamic_cast<TvnTextLine*>(item.get()))
      for (TvnDocItem* child : line->Children())
        if (auto* text = dynamic_cast<TvnTextitem*>(child))
          words.push_back({text->GetText(), text->GetX(), text->GetY()});
  EXPECT_EQ(words, (std::vector<Word>{{u"b", 10, 0}, {u"c", 60, 0}}));
}

// Row heights by the row's rule: auto is the content, at-least 480 twips
// (32 pixels) raises it, exact 240 twips (16 pixels) keeps it whatever the
// content (whose second line is dropped).
TEST(TableLayoutRows, HeightByTheRowRule) {
  const struct {
    TvnSpacingRule rule;
    int32_t twips;
    int32_t height;
    size_t words;
  } cases[] = {
      {TvnSpacingRule::srAuto, 0, 24, 2},
      {TvnSpacingRule::srAtleast, 480, 32, 2},
      {TvnSpacingRule::srAtleast, 180, 24, 2},
      {TvnSpacingRule::srExact, 240, 16, 1},
  };
  for (const auto& c : cases) {
    Page page(TRect{0, 0, 200, 400});
    std::vector<std::unique_ptr<TvnTableRow>> rows;
    rows.push_back(Row({{{{u"a", u"\n", u"b"}}}}, false, c.rule, c.twips));
    auto table = Table({100}, std::move(rows));
    EXPECT_FALSE(page.Lay(*table));
    EXPECT_EQ(page.Engine.GetY(), c.height) << static_cast<int>(c.rule) << " " << c.twips;
    EXPECT_EQ(page.Words().size(), c.words) << static_cast<int>(c.rule) << " " << c.twips;
    EXPECT_EQ(table->GetRows()[0]->GetActRowHeight(), c.height);
  }
}

// A row made 36 high by a neighbour of three lines moves the text of its
// centred and bottom cells down.
TEST(TableLayoutRows, VerticalAlignmentInATallerRow) {
  const struct {
    TvnVAlignment alignment;
    int32_t y;
  } cases[] = {{TvnVAlignment::vaTop, 0}, {TvnVAlignment::vaCenter, 12}, {TvnVAlignment::vaBottom, 24}};
  for (const auto& c : cases) {
    Page page(TRect{0, 0, 300, 400});
    CellContent aligned{{{u"a"}}};
    aligned.alignment = c.alignment;
    std::vector<std::unique_ptr<TvnTableRow>> rows;
    rows.push_back(Row({aligned, {{{u"x", u"\n", u"y", u"\n", u"z"}}}}));
    auto table = Table({100, 100}, std::move(rows));
    page.Lay(*table);
    EXPECT_EQ(page.Words().front(), (Word{u"a", 0, c.y})) << static_cast<int>(c.alignment);
  }
}

// The first cell of a column spans two rows with three lines of text;
// its neighbours hold one line each. The last row of the merge grows until
// both rows hold the merge's first cell: 12 + 24.
TEST(TableLayoutRows, LastRowOfAVerticalMergeGrowsToHoldItsFirstCell) {
  Page page(TRect{0, 0, 300, 400});
  std::vector<std::unique_ptr<TvnTableRow>> rows;
  rows.push_back(Row({{{{u"x", u"\n", u"y", u"\n", u"z"}}, 1, TvnMergeCellsOption::mcoRestart}, {{{u"a"}}}}));
  rows.push_back(Row({{{}, 1, TvnMergeCellsOption::mcoContinue}, {{{u"b"}}}}));
  rows.push_back(Row({{{{u"c"}}}, {{{u"d"}}}}));
  auto table = Table({100, 100}, std::move(rows));
  EXPECT_FALSE(page.Lay(*table));
  // The merge was closed by its last continuing cell.
  EXPECT_EQ(table->GetRows()[1]->GetCells()[0]->GetTableCellProperties()->GetVMergeCells(),
            TvnMergeCellsOption::mcoEnd);
  EXPECT_EQ(table->GetRows()[0]->GetActRowHeight(), 12);
  EXPECT_EQ(table->GetRows()[1]->GetActRowHeight(), 24);
  EXPECT_EQ(page.Words().back(), (Word{u"d", 100, 36}));
}

// Table borders 1 to 6 wide and one cell's own top border 9 wide: the
// outer sides, the inside lines between cells and rows, the cell's own
// side winning.
TEST(TableLayoutBorders, CellSidesWinOverInsideAndOuterSides) {
  Page page(TRect{0, 0, 300, 400});
  std::vector<std::unique_ptr<TvnTableRow>> rows;
  rows.push_back(Row({{{{u"a"}}}, {{{u"b"}}}}));
  rows.push_back(Row({{{{u"c"}}}, {{{u"d"}}}}));
  auto table = Table({100, 100}, std::move(rows));
  auto& borders = table->GetTableProperties()->GetBorders();
  const std::pair<TvnBorderType, int32_t> widths[] = {{TvnBorderType::Left, 1},    {TvnBorderType::Top, 2},
                                                      {TvnBorderType::Right, 3},   {TvnBorderType::Bottom, 4},
                                                      {TvnBorderType::InsideH, 5}, {TvnBorderType::InsideV, 6}};
  for (const auto& [type, width] : widths) {
    auto border = std::make_shared<TvnBorder>();
    border->SetBorderWidth(width);
    borders[type] = border;
  }
  auto own = std::make_shared<TvnBorder>();
  own->SetBorderWidth(9);
  table->GetRows()[1]->GetCells()[1]->GetTableCellProperties()->GetBorders()[TvnBorderType::Top] = own;
  page.Lay(*table);
  using L = std::array<int32_t, 5>;
  EXPECT_EQ(page.Borders(),
            (std::vector<L>{// a: top, bottom (inside), left, right (inside)
                            {0, 0, 100, 0, 2},
                            {0, 12, 100, 12, 5},
                            {0, 0, 0, 12, 1},
                            {100, 0, 100, 12, 6},
                            {100, 0, 200, 0, 2},
                            {100, 12, 200, 12, 5},
                            {100, 0, 100, 12, 6},
                            {200, 0, 200, 12, 3},
                            {0, 12, 100, 12, 5},
                            {0, 24, 100, 24, 4},
                            {0, 12, 0, 24, 1},
                            {100, 12, 100, 24, 6},
                            {100, 12, 200, 12, 9},
                            {100, 24, 200, 24, 4},
                            {100, 12, 100, 24, 6},
                            {200, 12, 200, 24, 3}}));
}

// A right-aligned table of two 100-pixel columns in a region from 10 to
// 310 moves its text, shading and borders right by 100; a centred one by
// 50.
TEST(TableLayoutAlignment, AlignedTableEndsAtTheRegionEdge) {
  const struct {
    TvnHAlignment alignment;
    int32_t offset;
  } cases[] = {{TvnHAlignment::haLeft, 0}, {TvnHAlignment::haRight, 100}, {TvnHAlignment::haCenter, 50}};
  for (const auto& c : cases) {
    Page page(TRect{10, 0, 310, 400});
    std::vector<std::unique_ptr<TvnTableRow>> rows;
    rows.push_back(Row({{{{u"a"}}}, {{{u"b"}}}}));
    auto table = Table({100, 100}, std::move(rows));
    table->GetTableProperties()->SetTableAlignment(c.alignment);
    auto border = std::make_shared<TvnBorder>();
    border->SetBorderWidth(1);
    table->GetTableProperties()->GetBorders()[TvnBorderType::Right] = border;
    page.Lay(*table);
    EXPECT_EQ(page.Words(), (std::vector<Word>{{u"a", 10 + c.offset, 0}, {u"b", 110 + c.offset, 0}}));
    EXPECT_EQ(page.Shading().back(), (TRect{110 + c.offset, 0, 210 + c.offset, 12}));
    EXPECT_EQ(page.Borders().back()[0], 210 + c.offset);
  }
}

// A header row and five rows of one line in regions 40 high: each page
// holds the header and two rows, the header repeated above the rows that
// continue.
TEST(TableLayoutPages, TallTableContinuesWithItsHeaderRowsRepeated) {
  std::vector<std::unique_ptr<TvnTableRow>> rows;
  rows.push_back(Row({{{{u"H"}}}}, true));
  for (const char16_t* text : {u"r1", u"r2", u"r3", u"r4", u"r5"}) rows.push_back(Row({{{{text}}}}));
  auto table = Table({100}, std::move(rows));
  const std::vector<std::vector<Word>> pages = {
      {{u"H", 0, 0}, {u"r1", 0, 12}, {u"r2", 0, 24}},
      {{u"H", 0, 0}, {u"r3", 0, 12}, {u"r4", 0, 24}},
      {{u"H", 0, 0}, {u"r5", 0, 12}},
  };
  TvnPageStatus status;
  for (size_t i = 0; i < pages.size(); ++i) {
    Page page(TRect{0, 0, 200, 40});
    page.Status = status;
    const bool full = page.Lay(*table);
    EXPECT_EQ(full, i + 1 < pages.size()) << i;
    EXPECT_EQ(page.Words(), pages[i]) << i;
    status = page.Status;
  }
  EXPECT_EQ(status.GetLeftOverTable(), nullptr);
  EXPECT_EQ(status.GetLeftOverRow(), -1);
}

TEST(TableLayoutPages, HeaderRowThatDoesNotFitMovesTheWholeTable) {
  Page page(TRect{0, 0, 200, 30});
  auto before = Para(Props(), {u"p"});
  uint8_t cause = 0;
  page.Engine.ProcessParagraph(*before, cause, nullptr, 0, -1, 0, nullptr, nullptr);
  std::vector<std::unique_ptr<TvnTableRow>> rows;
  rows.push_back(Row({{{{u"H", u"\n", u"H"}}}}, true));
  rows.push_back(Row({{{{u"r"}}}}));
  auto table = Table({100}, std::move(rows));
  EXPECT_TRUE(page.Lay(*table, false));
  EXPECT_EQ(page.Words(), (std::vector<Word>{{u"p", 0, 0}}));
  EXPECT_EQ(page.Status.GetLeftOverTable(), table.get());
  EXPECT_EQ(page.Status.GetLeftOverRow(), 0);
  EXPECT_EQ(page.Engine.GetY(), 12);
  // On the next page it starts from the top, header first.
  Page next(TRect{0, 0, 200, 60});
  next.Status = page.Status;
  EXPECT_FALSE(next.Lay(*table));
  EXPECT_EQ(next.Words(), (std::vector<Word>{{u"H", 0, 0}, {u"H", 0, 12}, {u"r", 0, 24}}));
}

TEST(TableLayoutPages, TableOfHeaderRowsOnlyHasNone) {
  Page page(TRect{0, 0, 200, 400});
  std::vector<std::unique_ptr<TvnTableRow>> rows;
  rows.push_back(Row({{{{u"a"}}}}, true));
  rows.push_back(Row({{{{u"b"}}}}, true));
  auto table = Table({100}, std::move(rows));
  page.Lay(*table);
  EXPECT_TRUE(TableTagOf(*table)->GetHeaderRowIndices().empty());
  EXPECT_FALSE(TableTagOf(*table)->GetRenderHeaderRows());
  EXPECT_FALSE(table->GetRows()[0]->GetTableRowProperties()->GetIsHeader());
}

// A row that may not split, or one of exact height, taller than the
// region: moved to the next region when something precedes it there, and
// placed cut at the bottom when it is the region's first item, so that the
// layout goes on instead of moving it from page to page.
TEST(TableLayoutPages, RowTallerThanTheRegionIsPlacedWhenItStartsTheRegion) {
  const struct {
    bool cantSplit;
    TvnSpacingRule rule;
    int32_t twips;
  } cases[] = {{true, TvnSpacingRule::srAuto, 0}, {false, TvnSpacingRule::srExact, 900}};
  for (const auto& c : cases) {
    auto makeTable = [&] {
      std::vector<std::unique_ptr<TvnTableRow>> rows;
      rows.push_back(Row({{{{u"a", u"\n", u"b", u"\n", u"c", u"\n", u"d"}}}}, false, c.rule, c.twips, c.cantSplit));
      rows.push_back(Row({{{{u"e"}}}}));
      return Table({100}, std::move(rows));
    };
    auto moved = makeTable();
    Page started(TRect{0, 0, 200, 30});
    started.Engine.SetY(5);
    EXPECT_TRUE(started.Lay(*moved, false)) << c.cantSplit;
    EXPECT_TRUE(started.Words().empty()) << c.cantSplit;
    EXPECT_EQ(started.Status.GetLeftOverRow(), 0) << c.cantSplit;

    auto placed = makeTable();
    Page fresh(TRect{0, 0, 200, 30});
    EXPECT_TRUE(fresh.Lay(*placed, true)) << c.cantSplit;
    EXPECT_FALSE(fresh.Words().empty()) << c.cantSplit;
    EXPECT_EQ(fresh.Status.GetLeftOverRow(), c.cantSplit ? 0 : 1) << c.cantSplit;
  }
}

}  // namespace vn::wordmodel::table_layout_engine_test
