#include "wordmodel/table_layout_engine.h"

#include <algorithm>

#include "runtime/numbers.h"
#include "wordmodel/borders.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/margins.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/paragraph_layout_engine.h"
#include "wordmodel/table.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel {

namespace {

constexpr int32_t kUnsetMargin = INT32_MIN;

// What a row's cells were before the row was laid out, to undo it.
struct CellResume {
  bool CompletelyRendered = false;
  int32_t ItemIndex = 0;
  int32_t RunIndex = 0;
  int32_t RunItemIndex = 0;
};

std::vector<CellResume> SaveCells(const TvnTableRow& ARow) {
  std::vector<CellResume> saved;
  for (const auto& cell : ARow.GetCells()) {
    saved.push_back(
        {cell->GetCompletelyRendered(), cell->GetItemIndex(), cell->GetRunIndex(), cell->GetRunItemIndex()});
  }
  return saved;
}

void RestoreCells(TvnTableRow& ARow, const std::vector<CellResume>& ASaved) {
  for (size_t i = 0; i < ARow.GetCells().size() && i < ASaved.size(); ++i) {
    TvnTableCell& cell = *ARow.GetCells()[i];
    cell.SetCompletelyRendered(ASaved[i].CompletelyRendered);
    cell.SetItemIndex(ASaved[i].ItemIndex);
    cell.SetRunIndex(ASaved[i].RunIndex);
    cell.SetRunItemIndex(ASaved[i].RunItemIndex);
    cell.GetInternalElements().clear();
    cell.GetShadingElements().clear();
    cell.GetBorderElements().clear();
  }
}

TvnMergeCellsOption MergeOf(const TvnTableCell& ACell) {
  const auto& props = ACell.GetTableCellProperties();
  return props ? props->GetVMergeCells() : TvnMergeCellsOption::mcoNone;
}

TvnTableCell* CellAt(const TvnTable& ATable, int32_t ARow, size_t AColumn) {
  if (ARow < 0 || ARow >= static_cast<int32_t>(ATable.GetRows().size())) return nullptr;
  const auto& cells = ATable.GetRows()[static_cast<size_t>(ARow)]->GetCells();
  return AColumn < cells.size() ? cells[AColumn].get() : nullptr;
}

bool IsHeaderRow(TvnTable& ATable, int32_t ARow) {
  const auto& indices = TableTagOf(ATable)->GetHeaderRowIndices();
  if (std::find(indices.begin(), indices.end(), ARow) != indices.end()) return true;
  const auto& props = ATable.GetRows()[static_cast<size_t>(ARow)]->GetTableRowProperties();
  return props && props->GetIsHeader();
}

int32_t TwipsToPixels(int32_t ATwips) { return vn::RoundToInt(ATwips * 96.0 / 1440.0); }

void ShiftItems(TvnItemList& AItems, int32_t ADx, int32_t ADy) {
  for (auto& item : AItems)
    if (item) ShiftLaidOutItem(*item, ADx, ADy);
}

void MoveOwned(LaidOutItems& AFrom, TvnItemList& ATo) {
  const std::vector<TvnDocItem*> items = AFrom.Items();
  for (TvnDocItem* item : items) {
    if (auto owned = AFrom.Remove(item)) ATo.push_back(std::move(owned));
  }
}

const TvnBorder* BorderOf(const TvnBorderTable& ABorders, TvnBorderType AType) {
  auto found = ABorders.find(AType);
  return found != ABorders.end() ? found->second.get() : nullptr;
}

}  // namespace

TvnTableLayoutEngine::TvnTableLayoutEngine(TvnSection* ASection, int32_t ApageTop, TvnPageStatus& Astate,
                                           TvnPageLayoutEngine& Apl)
    : FPageState(Astate), FPageTop(ApageTop), FPl(Apl), FSection(ASection) {}

void TvnTableLayoutEngine::PrepareTable(TvnTable& ATable) {
  TvnTableTag* tag = TableTagOf(ATable);
  if (tag->GetProcessed()) return;
  tag->SetProcessed(true);
  const auto& rows = ATable.GetRows();
  if (!rows.empty() && tag->GetHeaderRowIndices().size() >= rows.size()) {
    tag->GetHeaderRowIndices().clear();
    tag->SetRenderHeaderRows(false);
    for (const auto& row : rows)
      if (row->GetTableRowProperties()) row->GetTableRowProperties()->SetIsHeader(false);
  }
  // Close every vertical merge: its last continuing cell ends it.
  const int32_t rowCount = static_cast<int32_t>(rows.size());
  for (int32_t r = 0; r < rowCount; ++r) {
    const auto& cells = rows[static_cast<size_t>(r)]->GetCells();
    for (size_t c = 0; c < cells.size(); ++c) {
      if (MergeOf(*cells[c]) != TvnMergeCellsOption::mcoRestart) continue;
      if (r == rowCount - 1) {
        cells[c]->GetTableCellProperties()->SetVMergeCells(TvnMergeCellsOption::mcoEnd);
        continue;
      }
      TvnTableCell* last = nullptr;
      for (int32_t below = r + 1; below < rowCount; ++below) {
        TvnTableCell* cell = CellAt(ATable, below, c);
        if (cell == nullptr || MergeOf(*cell) != TvnMergeCellsOption::mcoContinue) break;
        last = cell;
      }
      if (last != nullptr) last->GetTableCellProperties()->SetVMergeCells(TvnMergeCellsOption::mcoEnd);
    }
  }
}

bool TvnTableLayoutEngine::ProcessTable(TvnTable& ATable, bool AleftOutTable, bool, bool AFirstItem,
                                        LaidOutItems* AList, std::vector<TvnField*>* ANumPagesFieldList,
                                        int32_t APageNumber) {
  FLeftOverTable = AleftOutTable;
  const TRect region = FPl.GetDisplayRegion();
  const int32_t entryY = FPl.GetY();
  int32_t y = entryY;
  int32_t x = region.Left;
  const auto& props = ATable.GetTableProperties();
  if (props) {
    switch (props->GetHorizontalAnchor()) {
      case TvnTableAnchor::taMargin:
        x = region.Left + props->GetXPos();
        break;
      case TvnTableAnchor::taPage:
        x = props->GetXPos();
        break;
      case TvnTableAnchor::taText:
        x = region.Left;
        break;
    }
    x += props->GetIndent();
    if (!AleftOutTable && props->GetVerticalAnchor() == TvnTableAnchor::taText) y += props->GetYPos();
  }
  FOriginalDisplayRegion = region;
  const int32_t leftOverRow = FPageState.GetLeftOverRow();
  FPageNum = APageNumber;
  PrepareTable(ATable);
  FWindowHt = region.Bottom - region.Top;
  FEndX = x;

  TvnTableTag* tag = TableTagOf(ATable);
  const std::vector<int32_t> headers = tag->GetHeaderRowIndices();
  const int32_t rowCount = static_cast<int32_t>(ATable.GetRows().size());
  int32_t firstRow = AleftOutTable ? std::max(leftOverRow, 0) : 0;
  if (tag->GetRenderHeaderRows() && !headers.empty() && headers.front() < firstRow) firstRow = headers.front();
  firstRow = std::max(firstRow, 0);
  // From here on the status records where this page stops.
  FPageState.SetLeftOverRow(-1);

  // The state of every row from the first one, to put the table back when
  // it has to move whole to the next page.
  std::vector<std::vector<CellResume>> start;
  for (int32_t r = firstRow; r < rowCount; ++r) start.push_back(SaveCells(*ATable.GetRows()[static_cast<size_t>(r)]));

  bool full = false;
  bool movedWhole = false;
  bool anyRowDrawn = false;
  int32_t lastRow = firstRow - 1;
  for (int32_t r = firstRow; r < rowCount; ++r) {
    TvnTableRow& row = *ATable.GetRows()[static_cast<size_t>(r)];
    row.SetPageNumber(FPageNum);
    bool rowFull = false;
    // The first row of a table that starts the region is placed even when
    // it cannot fit anywhere, so that the layout moves on.
    const bool mustPlace = AFirstItem && !anyRowDrawn;
    const int32_t height = LayoutRow(ATable, r, firstRow, mustPlace, y, x, ANumPagesFieldList, rowFull);
    y += height;
    if (height > 0) anyRowDrawn = true;
    rowFull = rowFull || region.Bottom < y;
    lastRow = r;
    if (rowFull) {
      full = true;
      if (IsHeaderRow(ATable, r) && !AFirstItem) {
        for (int32_t k = firstRow; k < rowCount; ++k)
          RestoreCells(*ATable.GetRows()[static_cast<size_t>(k)], start[static_cast<size_t>(k - firstRow)]);
        FPageState.SetLeftOverTable(&ATable);
        FPageState.SetLeftOverRow(0);
        movedWhole = true;
        y = entryY;
      } else if (IsHeaderRow(ATable, r)) {
        int32_t next = r + 1;
        while (next < rowCount && IsHeaderRow(ATable, next)) ++next;
        if (next < rowCount) {
          FPageState.SetLeftOverTable(&ATable);
          FPageState.SetLeftOverRow(next);
          tag->SetRenderHeaderRows(false);
        } else {
          full = false;
        }
      } else {
        FPageState.SetLeftOverTable(&ATable);
        if (FPageState.GetLeftOverRow() < 0) {
          // Every cell finished although the row passed the bottom: the
          // table goes on with the next row.
          bool unfinished = false;
          for (const auto& cell : row.GetCells()) unfinished = unfinished || !cell->GetCompletelyRendered();
          if (!unfinished)
            FPageState.SetLeftOverRow(r + 1);
          else if (FPageState.GetLeftOverRow() < 0)
            FPageState.SetLeftOverRow(r);
        }
        if (FPageState.GetLeftOverRow() >= rowCount) full = false;
      }
      break;
    }
    if (AleftOutTable && tag->GetRenderHeaderRows() && !headers.empty() && headers.front() < leftOverRow &&
        r < leftOverRow && (r + 1 >= rowCount || !IsHeaderRow(ATable, r + 1))) {
      r = leftOverRow - 1;
    }
  }

  if (!movedWhole) {
    AlignCellsVertically(ATable, firstRow, lastRow);
    const TvnHAlignment alignment = props ? props->GetTableAlignment() : TvnHAlignment::haLeft;
    if (alignment == TvnHAlignment::haRight || alignment == TvnHAlignment::haCenter) {
      int32_t offset = region.Right - FEndX;
      if (alignment == TvnHAlignment::haCenter) offset = vn::RoundToInt(offset / 2.0);
      for (int32_t r = firstRow; r <= lastRow; ++r) {
        for (const auto& cell : ATable.GetRows()[static_cast<size_t>(r)]->GetCells()) {
          ShiftItems(cell->GetBorderElements(), offset, 0);
          ShiftItems(cell->GetShadingElements(), offset, 0);
          ShiftItems(cell->GetInternalElements(), offset, 0);
        }
      }
    }
    LaidOutItems& target = AList != nullptr ? *AList : FPl.PageElements();
    for (int32_t r = firstRow; r <= lastRow; ++r) {
      const auto& cells = ATable.GetRows()[static_cast<size_t>(r)]->GetCells();
      for (const auto& cell : cells)
        for (auto& item : cell->GetShadingElements()) target.Add(std::move(item));
      for (const auto& cell : cells)
        for (auto& item : cell->GetInternalElements()) target.Add(std::move(item));
      for (const auto& cell : cells)
        for (auto& item : cell->GetBorderElements()) target.Add(std::move(item));
      for (const auto& cell : cells) {
        cell->GetShadingElements().clear();
        cell->GetInternalElements().clear();
        cell->GetBorderElements().clear();
      }
    }
  }
  if (!AleftOutTable) ATable.SetPageNumber(APageNumber);

  FPl.SetDisplayRegion(FOriginalDisplayRegion);
  FPl.ClearLeftOver();
  FPl.SetY(y);
  if (!full) {
    FPageState.SetLeftOverTable(nullptr);
    FPageState.SetLeftOverRow(-1);
  }
  return full;
}

int32_t TvnTableLayoutEngine::LayoutRow(TvnTable& ATable, int32_t ARowIndex, int32_t AFirstRow, bool AMustPlace,
                                        int32_t AY, int32_t AX, std::vector<TvnField*>* ANumPagesFieldList,
                                        bool& AFull) {
  TvnTableRow& row = *ATable.GetRows()[static_cast<size_t>(ARowIndex)];
  const TRect region = FOriginalDisplayRegion;
  row.SetStartY(AY);
  const auto& rowProps = row.GetTableRowProperties();
  size_t grid = rowProps ? static_cast<size_t>(std::max(rowProps->GetGridBefore(), 0)) : 0;
  const std::vector<CellResume> saved = SaveCells(row);
  const TvnSpacingRule rule = rowProps ? rowProps->GetHeightSpacingRule() : TvnSpacingRule::srAuto;
  const int32_t rowHeightPx = rowProps ? TwipsToPixels(rowProps->GetHeight()) : 0;
  const bool exact = rule == TvnSpacingRule::srExact && rowHeightPx > 0;
  const bool cantSplit = (rowProps && rowProps->GetCantSplit()) && !AMustPlace;
  const bool header = IsHeaderRow(ATable, ARowIndex);
  const auto& gridWidths = ATable.GetGridColumnWidths();
  const auto& cells = row.GetCells();

  std::vector<int32_t> cellX(cells.size());
  bool rowDrawn = false;
  bool unfinished = false;
  int32_t contentHeight = 0;
  int32_t s = 0;
  for (size_t c = 0; c < cells.size(); ++c) {
    TvnTableCell& cell = *cells[c];
    const int32_t cx = AX + s;
    cellX[c] = cx;
    int32_t width = cell.GetWidth();
    const auto& cellProps = cell.GetTableCellProperties();
    const size_t span = cellProps ? static_cast<size_t>(std::max(cellProps->GetGridSpan(), 1)) : 1;
    if (grid < gridWidths.size()) {
      FPl.SetX(cx);
      FPl.SetY(AY);
      width = gridWidths[grid];
      if (span > 1 && grid + span <= gridWidths.size()) {
        width = 0;
        for (size_t g = grid; g < grid + span; ++g) width += gridWidths[g];
      }
    }
    if (cx + width > region.Right) width = std::max(region.Right - cx, 0);
    cell.SetActCellWidth(width);
    grid += span;
    s += width;
    cell.GetInternalElements().clear();
    cell.GetBorderElements().clear();
    cell.GetShadingElements().clear();
    if (cell.GetCompletelyRendered() && !header && cell.GetPageNumber() != 0 && cell.GetPageNumber() != FPageNum) {
      continue;
    }
    rowDrawn = true;
    int32_t available = region.Bottom - AY;
    if (exact) {
      available = rowHeightPx;
      if (AY + rowHeightPx > region.Bottom) {
        if (!AMustPlace) {
          RestoreCells(row, saved);
          AFull = true;
          return 0;
        }
        available = region.Bottom - AY;
      }
    }
    int32_t cellContent = 0;
    const bool cellFull =
        LayoutCell(ATable, row, ARowIndex, cell, available, cellContent, width, AY, cx, ANumPagesFieldList);
    cell.SetStartX(cx);
    FEndX = std::max(FEndX, cx + width);
    const TvnMergeCellsOption merge = MergeOf(cell);
    if (merge == TvnMergeCellsOption::mcoNone || merge == TvnMergeCellsOption::mcoEnd) {
      contentHeight = std::max(contentHeight, cellContent);
    }
    if (cellFull) {
      FPageState.SetLeftOverTable(&ATable);
      AFull = true;
      unfinished = true;
      if (cantSplit) {
        RestoreCells(row, saved);
        return 0;
      }
    }
  }

  int32_t height = contentHeight;
  const auto& tableProps = ATable.GetTableProperties();
  const TvnMargin* margins = tableProps ? tableProps->GetMargins() : nullptr;
  if (margins != nullptr && margins->GetBottom() != kUnsetMargin) height += margins->GetBottom();
  for (size_t c = 0; c < cells.size(); ++c) {
    const TvnMergeCellsOption merge = MergeOf(*cells[c]);
    if (merge != TvnMergeCellsOption::mcoEnd) continue;
    bool mergeFull = false;
    const int32_t endY = GetMergeStartEndY(ATable, ARowIndex, AFirstRow, c, mergeFull);
    if (mergeFull) AFull = true;
    height = std::max(height, endY - AY);
  }
  if ((rule == TvnSpacingRule::srExact || rule == TvnSpacingRule::srAtleast) && rowDrawn) {
    height = rule == TvnSpacingRule::srExact ? rowHeightPx : std::max(height, rowHeightPx);
    height = std::min(height, std::max(region.Bottom - FPageTop, 0));
    if (AY + height > region.Bottom) {
      if (!AMustPlace) {
        if (FPageState.GetLeftOverRow() < 0) FPageState.SetLeftOverRow(ARowIndex);
        RestoreCells(row, saved);
        AFull = true;
        return 0;
      }
      height = region.Bottom - AY;
    }
  }
  FPl.SetY(AY + height);
  row.SetActRowHeight(height);
  if (!rowDrawn) return height;
  if (AFull && unfinished) {
    bool anyContent = false;
    for (const auto& cell : cells) anyContent = anyContent || !cell->GetInternalElements().empty();
    if (!anyContent) return height;
  }
  for (size_t c = 0; c < cells.size(); ++c) {
    CreateCellShadingAndBorders(ATable, *cells[c], cellX[c], AY, height, ARowIndex, c, ARowIndex == AFirstRow, AFull);
  }
  FEndX = std::max(FEndX, AX + s);
  return height;
}

bool TvnTableLayoutEngine::LayoutCell(TvnTable& ATable, TvnTableRow& ARow, int32_t ARowIndex, TvnTableCell& ACell,
                                      int32_t AAvailableHeight, int32_t& AContentHeight, int32_t AWidth, int32_t AY,
                                      int32_t AX, std::vector<TvnField*>* ANumPagesFieldList) {
  ACell.SetStartY(AY);
  ACell.SetPageNumber(FPageNum);
  ACell.SetCompletelyRendered(true);
  int32_t x = AX;
  int32_t width = AWidth;
  int32_t top = AY;
  const auto& tableProps = ATable.GetTableProperties();
  if (const TvnMargin* margins = tableProps ? tableProps->GetMargins() : nullptr) {
    if (margins->GetLeft() != kUnsetMargin) {
      x += margins->GetLeft();
      width -= margins->GetLeft();
    }
    if (margins->GetRight() != kUnsetMargin) width -= margins->GetRight();
    if (margins->GetTop() != kUnsetMargin) top += margins->GetTop();
  }
  if (ACell.GetCellLeftMargin() > 0) {
    x = AX + ACell.GetCellLeftMargin();
    width = AWidth - ACell.GetCellLeftMargin();
  }
  if (ACell.GetCellRightMargin() > 0) {
    width = (ACell.GetCellLeftMargin() > 0 ? width : AWidth) - ACell.GetCellRightMargin();
  }
  if (ACell.GetCellTopMargin() > 0) top = AY + ACell.GetCellTopMargin();
  FPl.SetDisplayRegion(TRect{x, top, x + width, top + AAvailableHeight});
  FPl.ClearLeftOver();
  FPl.ClearPendingSpace();

  const auto& rowProps = ARow.GetTableRowProperties();
  const bool cantSplit = rowProps && rowProps->GetCantSplit();
  const bool exact = rowProps && rowProps->GetHeightSpacingRule() == TvnSpacingRule::srExact;
  const auto& items = ACell.GetDocItems();
  const int32_t count = static_cast<int32_t>(items.size());
  const int32_t first = std::clamp(ACell.GetItemIndex(), 0, count);
  int32_t lastSpaceAfter = 0;
  for (int32_t i = first; i < count; ++i) {
    TvnDocItem* item = items[static_cast<size_t>(i)].get();
    bool filled = false;
    LaidOutItems laidOut;
    if (auto* paragraph = dynamic_cast<TvnParagraph*>(item)) {
      if (paragraph->GetFinalParagraphProperties()) paragraph->GetFinalParagraphProperties()->SetPageBreakBefore(false);
      uint8_t cause = 0;
      filled = FPl.ProcessParagraph(*paragraph, cause, nullptr, i == first ? ACell.GetRunItemIndex() : 0, -1,
                                    i == first ? ACell.GetRunIndex() : 0, &laidOut, ANumPagesFieldList);
      FPl.FinalizeLayout();
      const auto& props = paragraph->GetFinalParagraphProperties();
      lastSpaceAfter = props && props->GetSpaceAfter() != kUnsetValue ? props->GetSpaceAfter() : 0;
    } else if (auto* nested = dynamic_cast<TvnTable*>(item)) {
      const auto& nestedProps = nested->GetTableProperties();
      if (nestedProps && !nestedProps->GetShadeApplied()) {
        if (tableProps && tableProps->GetShadeApplied()) {
          nestedProps->SetFillColor(tableProps->GetFillColor());
          nestedProps->SetShadeApplied(true);
        }
        const auto& cellProps = ACell.GetTableCellProperties();
        if (cellProps && cellProps->GetShadeApplied()) {
          nestedProps->SetFillColor(cellProps->GetFillColor());
          nestedProps->SetShadeApplied(true);
        }
      }
      const TRect savedRegion = FPl.GetDisplayRegion();
      const int32_t savedRow = FPageState.GetLeftOverRow();
      TvnTable* savedTable = FPageState.GetLeftOverTable();
      const bool nestedLeftOver = FLeftOverTable && i == first && ACell.GetRowIndex() >= 0;
      if (nestedLeftOver) FPageState.SetLeftOverRow(ACell.GetRowIndex());
      TvnTableLayoutEngine inner(FSection, FPageTop, FPageState, FPl);
      const int32_t y = FPl.GetY();
      FPl.SetDisplayRegion(savedRegion);
      FPl.SetY(y);
      filled = inner.ProcessTable(*nested, nestedLeftOver, false, false, &laidOut, ANumPagesFieldList, FPageNum);
      ACell.SetRowIndex(filled ? FPageState.GetLeftOverRow() : -1);
      const int32_t after = FPl.GetY();
      FPl.SetDisplayRegion(savedRegion);
      FPl.SetY(after);
      FPageState.SetLeftOverRow(savedRow);
      FPageState.SetLeftOverTable(savedTable);
      lastSpaceAfter = 0;
    }
    MoveOwned(laidOut, ACell.GetInternalElements());
    AContentHeight = std::max(AContentHeight, FPl.GetY() - AY);
    ACell.SetEndY(FPl.GetY());
    if (!filled) continue;

    if (FPl.GetPageBreakEncountered() && i == count - 1) return true;
    ACell.SetCompletelyRendered(false);
    if (cantSplit || exact) {
      if (cantSplit && !exact) return true;
      // An exact-height row keeps what fits; the rest is dropped.
      ACell.SetCompletelyRendered(true);
      return false;
    }
    if (auto* paragraph = dynamic_cast<TvnParagraph*>(item)) {
      if (FPl.GetLeftOverRunIndex() > 0 || FPl.GetLeftOverRunItemIndex() > 0) {
        ParagraphTagOf(*paragraph)->SetOverflowedParagraph(true);
      }
    }
    ACell.SetRunIndex(FPl.GetLeftOverRunIndex());
    ACell.SetRunItemIndex(FPl.GetLeftOverRunItemIndex());
    ACell.SetItemIndex(i);
    if (FPageState.GetLeftOverRow() < 0) FPageState.SetLeftOverRow(ARowIndex);
    const TvnMergeCellsOption merge = MergeOf(ACell);
    return !(merge == TvnMergeCellsOption::mcoRestart || merge == TvnMergeCellsOption::mcoContinue);
  }
  FPl.SetY(FPl.GetY() + lastSpaceAfter);
  ACell.SetItemIndex(0);
  ACell.SetRunIndex(0);
  ACell.SetRunItemIndex(0);
  return false;
}

int32_t TvnTableLayoutEngine::GetMergeStartEndY(TvnTable& ATable, int32_t ARowIndex, int32_t AFirstRow, size_t AColumn,
                                                bool& AFull) const {
  const TvnTableCell* cell = CellAt(ATable, ARowIndex, AColumn);
  if (cell == nullptr) return 0;
  const TvnMergeCellsOption merge = MergeOf(*cell);
  if (merge != TvnMergeCellsOption::mcoContinue && merge != TvnMergeCellsOption::mcoEnd) return 0;
  for (int32_t r = ARowIndex - 1; r >= AFirstRow; --r) {
    const TvnTableCell* above = CellAt(ATable, r, AColumn);
    if (above == nullptr || MergeOf(*above) != TvnMergeCellsOption::mcoRestart) continue;
    if (above->GetCompletelyRendered() && above->GetPageNumber() != FPageNum) return 0;
    if (!above->GetCompletelyRendered()) AFull = true;
    return above->GetEndY();
  }
  return 0;
}

void TvnTableLayoutEngine::AlignCellsVertically(TvnTable& ATable, int32_t AFirstRow, int32_t ALastRow) {
  for (int32_t r = AFirstRow; r <= ALastRow; ++r) {
    TvnTableRow& row = *ATable.GetRows()[static_cast<size_t>(r)];
    const auto& cells = row.GetCells();
    for (size_t c = 0; c < cells.size(); ++c) {
      TvnTableCell& cell = *cells[c];
      const auto& props = cell.GetTableCellProperties();
      const TvnVAlignment alignment = props ? props->GetCellVerticalAlignment() : cell.GetVAlignment();
      if ((alignment != TvnVAlignment::vaCenter && alignment != TvnVAlignment::vaBottom) ||
          cell.GetInternalElements().empty()) {
        continue;
      }
      const TvnMergeCellsOption merge = MergeOf(cell);
      int32_t shift = 0;
      if (merge == TvnMergeCellsOption::mcoNone) {
        shift = row.GetStartY() + row.GetActRowHeight() - cell.GetEndY();
      } else if (merge == TvnMergeCellsOption::mcoRestart) {
        int32_t height = row.GetActRowHeight();
        for (int32_t below = r + 1; below <= ALastRow; ++below) {
          const TvnTableCell* next = CellAt(ATable, below, c);
          if (next == nullptr) break;
          const TvnMergeCellsOption nextMerge = MergeOf(*next);
          if (nextMerge != TvnMergeCellsOption::mcoContinue && nextMerge != TvnMergeCellsOption::mcoEnd) break;
          height += ATable.GetRows()[static_cast<size_t>(below)]->GetActRowHeight();
          if (nextMerge == TvnMergeCellsOption::mcoEnd) break;
        }
        shift = cell.GetStartY() + height - cell.GetEndY();
      } else {
        continue;
      }
      if (alignment == TvnVAlignment::vaCenter) shift = vn::RoundToInt(shift / 2.0);
      if (shift > 0) ShiftItems(cell.GetInternalElements(), 0, shift);
    }
  }
}

void TvnTableLayoutEngine::CreateCellShadingAndBorders(TvnTable& ATable, TvnTableCell& ACell, int32_t ACellX,
                                                       int32_t ARowY, int32_t ARowHeight, int32_t ARowIndex,
                                                       size_t ACellIndex, bool AFirstRowOnPage, bool ASplit) {
  const int32_t width = ACell.GetActCellWidth();
  auto shading = std::make_unique<TvnGraphicRect>(ACellX, ARowY, width, ARowHeight);
  shading->SetIsFill(true);
  shading->SetIsStroke(false);
  const auto& cellProps = ACell.GetTableCellProperties();
  const auto& tableProps = ATable.GetTableProperties();
  if (cellProps && cellProps->GetShadeApplied()) {
    shading->GetBrush()->SetColor(cellProps->GetFillColor());
  } else if (tableProps && tableProps->GetShadeApplied()) {
    shading->GetBrush()->SetColor(tableProps->GetFillColor());
  }
  ACell.GetShadingElements().push_back(std::move(shading));

  static const TvnBorderTable kNoBorders;
  const TvnBorderTable& tableBorders = tableProps ? tableProps->GetBorders() : kNoBorders;
  const TvnBorderTable& cellBorders = cellProps ? cellProps->GetBorders() : kNoBorders;
  // The cell's own side wins, then the inside border where it applies,
  // then the table's outer side.
  auto pick = [&](TvnBorderType AOuter, bool AInside, TvnBorderType AInsideType) -> const TvnBorder* {
    if (const TvnBorder* own = BorderOf(cellBorders, AOuter)) return own;
    if (AInside) {
      if (const TvnBorder* inside = BorderOf(tableBorders, AInsideType)) return inside;
    }
    return BorderOf(tableBorders, AOuter);
  };
  auto add = [&](const TvnBorder* ABorder, int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2) {
    if (ABorder == nullptr || ABorder->GetBorderWidth() <= 0) return;
    auto line = std::make_unique<TvnLine>(AX1, AY1, AX2, AY2);
    line->GetPen()->SetColor(ABorder->GetColor());
    line->GetPen()->SetWidth(ABorder->GetBorderWidth());
    ACell.GetBorderElements().push_back(std::move(line));
  };
  const TvnMergeCellsOption merge = MergeOf(ACell);
  const int32_t rowCount = static_cast<int32_t>(ATable.GetRows().size());
  const size_t cellCount = ATable.GetRows()[static_cast<size_t>(ARowIndex)]->GetCells().size();
  const bool continues = merge == TvnMergeCellsOption::mcoContinue || merge == TvnMergeCellsOption::mcoEnd;
  if (!continues || AFirstRowOnPage) {
    add(pick(TvnBorderType::Top, ARowIndex != 0, TvnBorderType::InsideH), ACellX, ARowY, ACellX + width, ARowY);
  }
  const bool goesOn = merge == TvnMergeCellsOption::mcoRestart || merge == TvnMergeCellsOption::mcoContinue;
  if (!goesOn || ASplit) {
    add(pick(TvnBorderType::Bottom, ARowIndex != rowCount - 1, TvnBorderType::InsideH), ACellX, ARowY + ARowHeight,
        ACellX + width, ARowY + ARowHeight);
  }
  add(pick(TvnBorderType::Left, ACellIndex != 0, TvnBorderType::InsideV), ACellX, ARowY, ACellX, ARowY + ARowHeight);
  add(pick(TvnBorderType::Right, ACellIndex + 1 != cellCount, TvnBorderType::InsideV), ACellX + width, ARowY,
      ACellX + width, ARowY + ARowHeight);
}

}  // namespace vn::wordmodel
