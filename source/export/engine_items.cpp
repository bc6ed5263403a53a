#include "export/engine_items.h"

#include <algorithm>
#include <cmath>

namespace vn::exporter {

void TvnTextItem::SetIsClipRect(bool value) {
  FIsClipRect = value;
  if (!value) FClipRect = {};
}

void TvnImageItem::Place(const TvnRect& r) {
  X = std::min(r.Left, r.Right);
  Y = std::min(r.Top, r.Bottom);
  Width = std::fabs(r.Right - r.Left);
  Height = std::fabs(r.Bottom - r.Top);
  DisplayRect = {X, Y, X + Width, Y + Height};
}

TvnShapeItem::TvnShapeItem(bool is_fill, TvnShapeType shape_type)
    : TvnDocumentItem(TvnItemKind::Shape), ShapeType(shape_type) {
  if (is_fill) Brush.emplace();
}

void TvnColumn::SetWidth(double value) {
  FWidth = value;
  if (Onchange) Onchange(value);
}

TvnTableItem::TvnTableItem(int32_t no_columns, TvnCustomDocumentEngine* parent)
    : TvnDocumentItem(TvnItemKind::Table), Parent(parent), ColCount(no_columns) {
  for (int32_t i = 0; i < no_columns; ++i) {
    auto column = std::make_unique<TvnColumn>();
    column->Onchange = [](double) {};  // the table takes no action on a width change
    FColumns.push_back(std::move(column));
  }
}

double TvnTableItem::CalculateRowHeight() const {
  double height = Settings.EnableTitle ? Settings.TitleHeight() : 0;
  for (int32_t row = 0; row <= RowCount && static_cast<size_t>(row) < RowHeights.size(); ++row) height += RowHeights[row];
  return height;
}

const TvnColumn* TvnTableItem::GetColumn(int32_t index) const {
  if (index < 0 || index >= ColCount || static_cast<size_t>(index) >= FColumns.size()) return nullptr;
  return FColumns[static_cast<size_t>(index)].get();
}

std::vector<std::unique_ptr<TvnColumn>>& TvnTableItem::GetColumnsList() {
  for (auto& column : FColumns) column->FWidth = Settings.NativeColumnWidth();
  return FColumns;
}

void TvnTableItem::CopyColumns(const TvnTableItem& source) {
  for (int32_t i = 0; i < ColCount; ++i) {
    const TvnColumn* from = source.GetColumn(i);
    TvnColumn* to = GetColumn(i);
    if (!from || !to) continue;
    to->FWidth = from->FWidth;
    to->Alignment = from->Alignment;
    to->Title = from->Title;
  }
}

}  // namespace vn::exporter
