#include "wordmodel/table.h"

#include <gtest/gtest.h>

#include <functional>

#include "wordmodel/paragraph.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel::table_test {
namespace {

TEST(Table, NewTableHasNoRowsAndRepeatsHeaderRows) {
  TvnTable table;
  EXPECT_TRUE(table.GetRows().empty());
  EXPECT_TRUE(table.GetRenderHeaderRows());
  EXPECT_FALSE(table.GetCantSplit());
  EXPECT_FALSE(table.GetProcessed());
  const TvnTableProperties& properties = *table.GetTableProperties();
  EXPECT_EQ((TRect{properties.GetMargins()->GetLeft(), properties.GetMargins()->GetTop(),
                   properties.GetMargins()->GetRight(), properties.GetMargins()->GetBottom()}),
            (TRect{0, 0, 0, 0}));
  EXPECT_FALSE(properties.GetShadeApplied());
}

TEST(Table, ConstructorsMakeTheirRowsAndCells) {
  const TvnRGBColor red{255, 0, 0}, blue{0, 0, 255};
  const struct {
    const char* name;
    std::function<std::unique_ptr<TvnTable>()> make;
    size_t rows, cells;
    int32_t height;
    TvnRGBColor pen, brush;
  } cases[] = {
      {"width", [] { return std::make_unique<TvnTable>(300); }, 0, 0, 0, {}, {}},
      {"rows", [] { return std::make_unique<TvnTable>(2, 25); }, 2, 0, 25, {}, {}},
      {"rows and columns", [] { return std::make_unique<TvnTable>(3, 4, 20); }, 3, 4, 20, {}, {255, 255, 255}},
      {"coloured", [&] { return std::make_unique<TvnTable>(1, 2, 15, red, blue); }, 1, 2, 15, red, blue},
      {"negative counts", [] { return std::make_unique<TvnTable>(-1, -1, 20); }, 0, 0, 0, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TvnTable> table = c.make();
    ASSERT_EQ(table->GetRows().size(), c.rows);
    for (const auto& row : table->GetRows()) {
      EXPECT_EQ(row->GetTableRowProperties()->GetHeight(), c.height);
      ASSERT_EQ(row->GetCells().size(), c.cells);
      for (const auto& cell : row->GetCells()) {
        EXPECT_EQ(cell->GetWidth(), 0);
        EXPECT_EQ(cell->GetHeight(), c.height);
        EXPECT_EQ(cell->GetPen()->GetColor(), c.pen);
        EXPECT_EQ(cell->GetBrush()->GetColor(), c.brush);
      }
    }
  }
  EXPECT_EQ(TvnTable(300).GetTableProperties()->GetTableWidth(), 300);
}

TEST(Table, InsertedCellTakesTheRowHeight) {
  TvnTableRow row(30, 0);
  row.InsertCell(std::make_unique<TvnTableCell>(50));
  row.InsertCell(nullptr);
  ASSERT_EQ(row.GetCells().size(), 1u);
  EXPECT_EQ(row.GetCells()[0]->GetHeight(), 30);
  EXPECT_EQ(row.GetCells()[0]->GetWidth(), 50);
}

TEST(Table, NewCellIsBlackOnWhiteWithoutProperties) {
  TvnTableCell cell(40);
  EXPECT_EQ(cell.GetPen()->GetColor(), (TvnRGBColor{0, 0, 0}));
  EXPECT_EQ(cell.GetFrame()->GetColor(), (TvnRGBColor{0, 0, 0}));
  EXPECT_EQ(cell.GetBrush()->GetColor(), (TvnRGBColor{255, 255, 255}));
  EXPECT_EQ(cell.GetTableCellProperties(), nullptr);
  EXPECT_EQ(cell.GetItemIndex(), 0);
  EXPECT_EQ(cell.GetRunIndex(), 0);
  EXPECT_EQ(cell.GetRowIndex(), 0);
  EXPECT_EQ(cell.GetRunItemIndex(), 0);
  EXPECT_FALSE(cell.GetCompletelyRendered());
  EXPECT_EQ(cell.Clone()->GetTableCellProperties(), nullptr);
}

TEST(Table, CloneCopiesRowsCellsAndContentIndependently) {
  TvnTable source(2, 3, 20);
  source.GetGridColumnWidths() = {100, 150, 200};
  source.GetHeaderRowIndices() = {0};
  source.SetCantSplit(true);
  source.SetRenderHeaderRows(false);
  source.GetTableProperties()->SetTableWidth(450);
  auto tag = std::make_unique<TvnDocItem>();
  tag->SetAssociatedItem(&source);
  source.SetTag(std::move(tag));
  for (const auto& row : source.GetRows()) {
    row->SetTablePropertiesException(std::make_shared<TvnTableProperties>());
    for (const auto& cell : row->GetCells()) {
      cell->SetWidth(100);
      cell->SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
      cell->InsertItem(std::make_unique<TvnParagraph>());
      cell->GetShadingElements().push_back(std::make_unique<TvnGraphicRect>(0, 0, 100, 20));
      cell->GetInternalElements().push_back(std::make_unique<TvnDocItem>());
      cell->SetItemIndex(2);
      cell->SetCompletelyRendered(true);
    }
  }

  std::unique_ptr<TvnTable> copy = CloneAs(source);
  EXPECT_EQ(copy->GetGridColumnWidths(), (std::vector<int32_t>{100, 150, 200}));
  EXPECT_EQ(copy->GetHeaderRowIndices(), (std::vector<int32_t>{0}));
  EXPECT_TRUE(copy->GetCantSplit());
  EXPECT_FALSE(copy->GetRenderHeaderRows());
  EXPECT_NE(copy->GetTableProperties(), source.GetTableProperties());
  EXPECT_EQ(copy->GetTableProperties()->GetTableWidth(), 450);
  ASSERT_NE(copy->GetTag(), nullptr);
  EXPECT_EQ(copy->GetTag()->GetAssociatedItem(), copy.get());
  ASSERT_EQ(copy->GetRows().size(), 2u);
  for (size_t r = 0; r < 2; ++r) {
    const TvnTableRow& row = *copy->GetRows()[r];
    const TvnTableRow& sourceRow = *source.GetRows()[r];
    EXPECT_NE(&row, &sourceRow);
    EXPECT_NE(row.GetTableRowProperties(), sourceRow.GetTableRowProperties());
    EXPECT_NE(row.GetTablePropertiesException(), sourceRow.GetTablePropertiesException());
    ASSERT_EQ(row.GetCells().size(), 3u);
    for (size_t c = 0; c < 3; ++c) {
      const TvnTableCell& cell = *row.GetCells()[c];
      const TvnTableCell& sourceCell = *sourceRow.GetCells()[c];
      EXPECT_NE(&cell, &sourceCell);
      EXPECT_EQ(cell.GetWidth(), 100);
      EXPECT_EQ(cell.GetHeight(), 20);
      EXPECT_EQ(cell.GetItemIndex(), 2);
      EXPECT_TRUE(cell.GetCompletelyRendered());
      EXPECT_NE(cell.GetTableCellProperties(), sourceCell.GetTableCellProperties());
      ASSERT_EQ(cell.GetDocItems().size(), 1u);
      EXPECT_NE(cell.GetDocItems()[0].get(), sourceCell.GetDocItems()[0].get());
      EXPECT_NE(dynamic_cast<const TvnParagraph*>(cell.GetDocItems()[0].get()), nullptr);
      ASSERT_EQ(cell.GetShadingElements().size(), 1u);
      EXPECT_NE(cell.GetShadingElements()[0].get(), sourceCell.GetShadingElements()[0].get());
      EXPECT_NE(dynamic_cast<const TvnGraphicRect*>(cell.GetShadingElements()[0].get()), nullptr);
      EXPECT_TRUE(cell.GetInternalElements().empty());  // laid-out content is not copied
    }
  }
  copy->GetRows()[0]->GetTableRowProperties()->SetHeight(99);
  EXPECT_EQ(source.GetRows()[0]->GetTableRowProperties()->GetHeight(), 20);
}

}  // namespace
}  // namespace vn::wordmodel::table_test
