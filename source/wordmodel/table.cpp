#include "wordmodel/table.h"

namespace vn::wordmodel {

// ---------------------------------------------------------------------------
// TvnTableCell

TvnTableCell::TvnTableCell(int32_t ACellWidth) : FWidth(ACellWidth) { FBrush.SetColor({255, 255, 255}); }

TvnTableCell::~TvnTableCell() = default;

void TvnTableCell::InsertItem(std::unique_ptr<TvnDocItem> AItem) {
  if (AItem) FDocItems.push_back(std::move(AItem));
}

std::unique_ptr<TvnTableCell> TvnTableCell::Clone() const {
  auto copy = std::make_unique<TvnTableCell>(FWidth);
  copy->FActCellWidth = FActCellWidth;
  copy->FBrush.Assign(&FBrush);
  copy->FCellBottomMargin = FCellBottomMargin;
  copy->FCellLeftmargin = FCellLeftmargin;
  copy->FCellRightMargin = FCellRightMargin;
  copy->FCellTopMargin = FCellTopMargin;
  copy->FCompletelyRendered = FCompletelyRendered;
  copy->FendY = FendY;
  copy->FFrame.Assign(&FFrame, &copy->FFrame);
  copy->FHAlignment = FHAlignment;
  copy->FHeight = FHeight;
  copy->FItemIndex = FItemIndex;
  copy->FPageNumber = FPageNumber;
  copy->Fpen.Assign(&Fpen);
  copy->FRowIndex = FRowIndex;
  copy->FRunIndex = FRunIndex;
  copy->FRunItemIndex = FRunItemIndex;
  copy->FStartX = FStartX;
  copy->FstartY = FstartY;
  if (FTableCellProperties) copy->FTableCellProperties = FTableCellProperties->Clone();
  copy->FVAlignment = FVAlignment;
  copy->FWidthType = FWidthType;
  copy->FBorderElements = CloneItems(FBorderElements);
  copy->FShadingElements = CloneItems(FShadingElements);
  copy->FDocItems = CloneItems(FDocItems);
  return copy;
}

// ---------------------------------------------------------------------------
// TvnTableRow

TvnTableRow::TvnTableRow() : FTableRowProperties(std::make_shared<TvnTableRowProperties>()) {}

TvnTableRow::TvnTableRow(int32_t AHeight, int32_t ACellCount)
    : TvnTableRow(AHeight, ACellCount, TvnRGBColor{}, TvnRGBColor{255, 255, 255}) {}

TvnTableRow::TvnTableRow(int32_t AHeight, int32_t ACellCount, TvnRGBColor APenColor, TvnRGBColor ABrushColor)
    : TvnTableRow() {
  FTableRowProperties->SetHeight(AHeight);
  for (int32_t i = 0; i < ACellCount; ++i) {
    auto cell = std::make_unique<TvnTableCell>(0);
    cell->GetPen()->SetColor(APenColor);
    cell->GetBrush()->SetColor(ABrushColor);
    InsertCell(std::move(cell));
  }
}

TvnTableRow::~TvnTableRow() = default;

int32_t TvnTableRow::RowHeight() const { return FTableRowProperties ? FTableRowProperties->GetHeight() : 0; }

void TvnTableRow::InsertCell(std::unique_ptr<TvnTableCell> ACell) {
  if (!ACell) return;
  ACell->FHeight = RowHeight();
  FCells.push_back(std::move(ACell));
}

std::unique_ptr<TvnTableRow> TvnTableRow::Clone() const {
  auto copy = std::make_unique<TvnTableRow>();
  if (FTableRowProperties) copy->FTableRowProperties = FTableRowProperties->Clone();
  if (FTablePropertiesException) copy->FTablePropertiesException = FTablePropertiesException->Clone();
  copy->FstartY = FstartY;
  copy->FActRowHeight = FActRowHeight;
  copy->FPageNumber = FPageNumber;
  for (const auto& cell : FCells) copy->FCells.push_back(cell ? cell->Clone() : nullptr);
  return copy;
}

// ---------------------------------------------------------------------------
// TvnTable

TvnTable::TvnTable() : FTableProperties(std::make_shared<TvnTableProperties>()) {}

TvnTable::TvnTable(int32_t ATableWidth) : TvnTable() { FTableProperties->SetTableWidth(ATableWidth); }

TvnTable::TvnTable(int32_t ARowCount, int32_t ARowHeight) : TvnTable() {
  for (int32_t i = 0; i < ARowCount; ++i) InsertRow(std::make_unique<TvnTableRow>(ARowHeight, 0));
}

TvnTable::TvnTable(int32_t ARowCount, int32_t AColCount, int32_t ARowHeight) : TvnTable() {
  for (int32_t i = 0; i < ARowCount; ++i) InsertRow(std::make_unique<TvnTableRow>(ARowHeight, AColCount));
}

TvnTable::TvnTable(int32_t ARowCount, int32_t ACellCount, int32_t ARowHeight, TvnRGBColor APenColor,
                   TvnRGBColor ABrushColor)
    : TvnTable() {
  for (int32_t i = 0; i < ARowCount; ++i) {
    InsertRow(std::make_unique<TvnTableRow>(ARowHeight, ACellCount, APenColor, ABrushColor));
  }
}

TvnTable::~TvnTable() = default;

void TvnTable::InsertRow(std::unique_ptr<TvnTableRow> ATableRow) {
  if (ATableRow) FRows.push_back(std::move(ATableRow));
}

std::unique_ptr<TvnDocItem> TvnTable::Clone() const {
  auto copy = std::make_unique<TvnTable>();
  TvnDocItem::Assign(this, copy.get());
  copy->FCantSplit = FCantSplit;
  copy->FProcessed = FProcessed;
  copy->FRenderHeaderRows = FRenderHeaderRows;
  if (FTableProperties) copy->FTableProperties = FTableProperties->Clone();
  CloneTagInto(*this, *copy);
  for (const auto& row : FRows) copy->FRows.push_back(row ? row->Clone() : nullptr);
  copy->FHeaderRowIndices = FHeaderRowIndices;
  copy->FGridColumnWidths = FGridColumnWidths;
  return copy;
}

}  // namespace vn::wordmodel
