// The table handlers of the dispatcher: row definitions, cell properties
// and borders, cell contents and row ends, with one row state per nesting
// level. Outer tables go into the body; a nested table goes into the
// content of the cell that holds it.
//
// Damage is read as far as it makes sense: table words before any row
// definition make the state they need, cells closed beyond the defined ones
// get a cell of their own (sharing the span of the last defined cell), cell edges out of order or out of range give
// cells of a default width, and rows left open at the end are ended.
#include <algorithm>
#include <utility>

#include "rtf/rtf_tag_handler.h"
#include "runtime/numbers.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/margins.h"

namespace vn::rtf {

namespace {

using vn::wordmodel::TvnBorder;
using vn::wordmodel::TvnBorderType;
using vn::wordmodel::TvnTable;
using vn::wordmodel::TvnTableCell;
using vn::wordmodel::TvnTableCellProperties;
using vn::wordmodel::TvnTableProperties;
using vn::wordmodel::TvnTableRow;

// Width given to a cell whose edge does not lie right of the one before.
constexpr int32_t kRtfDefaultCellWidth = 96;
// Most cells a row takes.
constexpr int32_t kMaxRtfRowCells = 1024;

int32_t RtfTableTwipsToPixels(int32_t ATwips) { return vn::RoundToInt(ATwips / 15.0); }

std::unique_ptr<TvnTableCell> NewRtfCell() {
  auto cell = std::make_unique<TvnTableCell>(0);
  cell->SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
  return cell;
}

std::unique_ptr<TvnTable> NewRtfTable(const std::shared_ptr<TvnTableProperties>& ARowProperties) {
  auto table = std::make_unique<TvnTable>();
  auto properties = std::make_shared<TvnTableProperties>();
  if (ARowProperties) properties->GetBorders() = ARowProperties->GetBorders();
  table->SetTableProperties(std::move(properties));
  vn::wordmodel::TableTagOf(*table);
  return table;
}

}  // namespace

TvnRTFTableInfo::TvnRTFTableInfo() : Row(std::make_unique<TvnTableRow>()) {
  Row->SetTablePropertiesException(std::make_shared<TvnTableProperties>());
}

TvnRTFTableInfo& TvnRTFTagHandler::TableState(int32_t ALevel) { return FTableInfoCollection[ALevel]; }

TvnRTFTableInfo& TvnRTFTagHandler::CurrentTableState() {
  if (FTableLevel < 1) FTableLevel = 1;
  return TableState(FTableLevel);
}

vn::wordmodel::TvnTableCell* TvnRTFTagHandler::DefinedCell() {
  TvnRTFTableInfo& state = CurrentTableState();
  const auto index = static_cast<size_t>(std::clamp(state.PropertyIndex, 0, kMaxRtfRowCells - 1));
  while (state.RowCells.size() <= index) state.RowCells.push_back(NewRtfCell());
  return state.RowCells[index].get();
}

void TvnRTFTagHandler::AddToCell(std::unique_ptr<TvnDocItem> AItem, int32_t ALevel) {
  if (FTableLevel < ALevel) FTableLevel = ALevel;
  TvnRTFTableInfo& state = TableState(ALevel);
  const auto index = static_cast<size_t>(std::clamp(state.CurrentCell, 0, kMaxRtfRowCells - 1));
  if (state.Cells.size() <= index) state.Cells.resize(index + 1);
  state.Cells[index].push_back(std::move(AItem));
}

void TvnRTFTagHandler::ShareLastCellSpan(TvnRTFTableInfo& AState) {
  // A row that closes more cells than it gives edges for stays one row of
  // the width its edges give: the span of its last defined cell is shared
  // evenly between that cell and the cells closed beyond it.
  const size_t defined = std::min(static_cast<size_t>(std::max(AState.PropertyIndex, 0)), AState.RowCells.size());
  const size_t closed = AState.Cells.size();
  if (defined == 0 || closed <= defined) return;
  const int64_t last_edge = AState.RowCells[defined - 1]->GetStartX();
  const int64_t start = defined >= 2 ? AState.RowCells[defined - 2]->GetStartX() : 0;
  if (last_edge <= start) return;
  const auto sharers = static_cast<int64_t>(closed - defined + 1);
  for (int64_t k = 0; k < sharers; ++k)
    AState.RowCells[defined - 1 + static_cast<size_t>(k)]->SetStartX(
        static_cast<int32_t>(start + (last_edge - start) * (k + 1) / sharers));
}

void TvnRTFTagHandler::FinishRow(TvnRTFTableInfo& AState) {
  // Cells closed beyond the defined ones get cells of their own.
  while (AState.RowCells.size() < AState.Cells.size()) AState.RowCells.push_back(NewRtfCell());
  ShareLastCellSpan(AState);
  int32_t previous_edge = 0;
  for (size_t i = 0; i < AState.RowCells.size(); ++i) {
    TvnTableCell& cell = *AState.RowCells[i];
    if (i < AState.Cells.size())
      for (auto& item : AState.Cells[i]) cell.InsertItem(std::move(item));
    if (cell.GetActCellWidth() == 0) {
      int64_t width = int64_t{cell.GetStartX()} - previous_edge;
      if (width <= 0 || width > INT32_MAX) width = kRtfDefaultCellWidth;
      cell.SetActCellWidth(static_cast<int32_t>(width));
      cell.SetWidth(static_cast<int32_t>(width));
    }
    previous_edge = std::max(previous_edge, cell.GetStartX());
    cell.SetStartX(0);
  }
  for (auto& cell : AState.RowCells) AState.Row->InsertCell(std::move(cell));
  AState.RowCells.clear();
  AState.Cells.clear();
}

void TvnRTFTagHandler::EndOuterRow() {
  // Nested rows still open (their level was skipped or never ended) go into
  // the cells that hold them, so that no text read into them is lost.
  if (!FTableInfoCollection.empty()) FTableLevel = std::max(FTableLevel, FTableInfoCollection.rbegin()->first);
  while (FTableLevel > 1) {
    const auto open = FTableInfoCollection.find(FTableLevel);
    if (open == FTableInfoCollection.end() || (open->second.Cells.empty() && open->second.RowCells.empty())) {
      if (open != FTableInfoCollection.end()) FTableInfoCollection.erase(open);
      --FTableLevel;
      continue;
    }
    EndNestedRow();
  }
  TvnRTFTableInfo& state = TableState(1);
  FinishRow(state);
  if (FTable == nullptr) {
    auto table = NewRtfTable(state.Row->GetTablePropertiesException());
    FTable = table.get();
    FElements.push_back(std::move(table));
    FSectionHasContent = true;
  }
  FTable->InsertRow(std::move(state.Row));
  FTableInfoCollection.erase(1);
  TableState(1);
  FTableLevel = 1;
}

void TvnRTFTagHandler::EndNestedRow() {
  if (FTableLevel <= 1) {
    EndOuterRow();
    return;
  }
  TvnRTFTableInfo& state = TableState(FTableLevel);
  TvnRTFTableInfo& parent = TableState(FTableLevel - 1);
  const auto index = static_cast<size_t>(std::clamp(parent.CurrentCell, 0, kMaxRtfRowCells - 1));
  if (parent.Cells.size() <= index) parent.Cells.resize(index + 1);
  FinishRow(state);
  auto& content = parent.Cells[index];
  if (content.empty() || dynamic_cast<TvnTable*>(content.back().get()) == nullptr)
    content.push_back(NewRtfTable(state.Row->GetTablePropertiesException()));
  static_cast<TvnTable*>(content.back().get())->InsertRow(std::move(state.Row));
  FTableInfoCollection.erase(FTableLevel);
  --FTableLevel;
}

void TvnRTFTagHandler::EndOpenRows() {
  if (FTableLevel < 1) return;
  // The current paragraph of a cell left open belongs to that cell.
  if (FParagraph && FParagraph->GetCount() > 0 && Specific().GetInTable()) CloseParagraph();
  while (FTableLevel > 1) EndNestedRow();
  const auto outer = FTableInfoCollection.find(1);
  if (outer != FTableInfoCollection.end() && !outer->second.Cells.empty()) EndOuterRow();
  FTable = nullptr;
  FTableLevel = -1;
}

void TvnRTFTagHandler::DoTableLevel(const TvnRTFElement& AElement) {
  const int32_t level = std::clamp(AElement.Parameter().value_or(1), 0, kMaxRtfTableLevel);
  Specific().SetNestedLevel(level);
  if (level > 0) {
    FTableLevel = level;
    for (int32_t i = 1; i <= level; ++i) TableState(i);
  }
}

void TvnRTFTagHandler::DoInTable(const TvnRTFElement&) {
  TvnRTFSpecificProperties& specific = Specific();
  specific.SetInTable(true);
  if (specific.GetNestedLevel() == 0) specific.SetNestedLevel(1);
}

void TvnRTFTagHandler::DoRowDefaults(const TvnRTFElement&) {
  TvnRTFTableInfo& state = CurrentTableState();
  state.PropertyIndex = 0;
  FBorderFor = BorderFor::Para;
}

void TvnRTFTagHandler::DoRowPadding(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  if (!value || *value < 0) return;
  TvnRTFTableInfo& state = CurrentTableState();
  const int32_t pixels = RtfTableTwipsToPixels(*value);
  const std::string& name = AElement.RTFString;
  if (name == "\\trpaddl")
    state.CellLeftMargin = pixels;
  else if (name == "\\trpaddr")
    state.CellRightMargin = pixels;
  else if (name == "\\trpaddt")
    state.CellTopMargin = pixels;
  else
    state.CellBottomMargin = pixels;
}

void TvnRTFTagHandler::DoCellEdge(const TvnRTFElement& AElement) {
  TvnRTFTableInfo& state = CurrentTableState();
  if (state.PropertyIndex >= kMaxRtfRowCells) return;
  TvnTableCell& cell = *DefinedCell();
  cell.SetStartX(RtfTableTwipsToPixels(AElement.Parameter().value_or(0)));
  auto margins = std::make_unique<vn::wordmodel::TvnMargin>();
  margins->SetLeft(state.CellLeftMargin);
  margins->SetRight(state.CellRightMargin);
  margins->SetTop(state.CellTopMargin);
  margins->SetBottom(state.CellBottomMargin);
  cell.GetTableCellProperties()->SetCellMargins(std::move(margins));
  ++state.PropertyIndex;
}

void TvnRTFTagHandler::DoCellProperty(const TvnRTFElement& AElement) {
  using vn::wordmodel::TvnMergeCellsOption;
  using vn::wordmodel::TvnVAlignment;
  using vn::wordmodel::TvnWidthType;
  TvnTableCell& cell = *DefinedCell();
  TvnTableCellProperties& properties = *cell.GetTableCellProperties();
  const std::string& name = AElement.RTFString;
  const std::optional<int32_t> value = AElement.Parameter();
  if (name == "\\clvmgf") {
    properties.SetVMergeCells(TvnMergeCellsOption::mcoRestart);
  } else if (name == "\\clvmrg") {
    properties.SetVMergeCells(TvnMergeCellsOption::mcoContinue);
  } else if (name == "\\clvertalt") {
    cell.SetVAlignment(TvnVAlignment::vaTop);
  } else if (name == "\\clvertalc") {
    cell.SetVAlignment(TvnVAlignment::vaCenter);
  } else if (name == "\\clvertalb") {
    cell.SetVAlignment(TvnVAlignment::vaBottom);
  } else if (name == "\\clftsWidth") {
    static constexpr TvnWidthType kTypes[] = {TvnWidthType::wtFixed, TvnWidthType::wtAuto, TvnWidthType::wtPercent,
                                              TvnWidthType::wtUnits};
    if (value && *value >= 0 && *value <= 3) properties.SetWidthType(kTypes[*value]);
  } else if (name == "\\clwWidth") {
    if (value && *value >= 0) properties.SetWidth(RtfTableTwipsToPixels(*value));
  } else if (name == "\\clcbpat") {
    if (value && *value >= 1)
      if (const auto color = ColorOf(*value)) properties.SetFillColor(*color);
  }
}

void TvnRTFTagHandler::DoBorderSide(const TvnRTFElement& AElement) {
  const std::string& name = AElement.RTFString;
  FBorderFor = name.rfind("\\tr", 0) == 0 ? BorderFor::Row : BorderFor::Cell;
  switch (name.back()) {
    case 't': FBorderType = TvnBorderType::Top; break;
    case 'b': FBorderType = TvnBorderType::Bottom; break;
    case 'l': FBorderType = TvnBorderType::Left; break;
    default: FBorderType = TvnBorderType::Right; break;
  }
}

void TvnRTFTagHandler::DoBorderProperty(const TvnRTFElement& AElement) {
  const std::string& name = AElement.RTFString;
  const std::optional<int32_t> value = AElement.Parameter();
  if (name == "\\brdrs") {
    FBorder = std::make_shared<TvnBorder>();
    if (FBorderFor == BorderFor::Row)
      CurrentTableState().Row->GetTablePropertiesException()->GetBorders()[FBorderType] = FBorder;
    else if (FBorderFor == BorderFor::Cell)
      DefinedCell()->GetTableCellProperties()->GetBorders()[FBorderType] = FBorder;
  } else if (!FBorder) {
    return;
  } else if (name == "\\brdrw") {
    if (value && *value >= 0) FBorder->SetBorderWidth(vn::RoundToInt(*value / 8.0));
  } else if (value && *value >= 1) {
    if (const auto color = ColorOf(*value)) FBorder->SetColor(*color);
  }
}

void TvnRTFTagHandler::DoCell(const TvnRTFElement&) {
  // The cell's paragraph belongs to the table even without "\intbl".
  TvnRTFSpecificProperties& specific = Specific();
  if (!specific.GetInTable()) {
    specific.SetInTable(true);
    if (specific.GetNestedLevel() == 0) specific.SetNestedLevel(std::max(FTableLevel, 1));
  }
  const int32_t level = std::max(specific.GetNestedLevel(), 1);
  CloseParagraph();
  TvnRTFTableInfo& state = TableState(level);
  if (state.CurrentCell < kMaxRtfRowCells - 1) ++state.CurrentCell;
}

void TvnRTFTagHandler::DoRow(const TvnRTFElement&) {
  // Rows still open inside this one end with it.
  while (FTableLevel > 1) EndNestedRow();
  EndOuterRow();
}

void TvnRTFTagHandler::DoNestRow(const TvnRTFElement&) {
  if (FTableLevel < 1) FTableLevel = 1;
  EndNestedRow();
}

}  // namespace vn::rtf
