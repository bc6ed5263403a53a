// The table layout engine (TvnTableLayoutEngine): lays a table, or what is
// left of it, into the region of a paragraph engine from its current Y:
// cell widths from the table grid, each cell's content laid out by the
// paragraph engine in the cell's own region, row heights by the row's
// height rule, vertical merges and alignment, shading rectangles and border
// lines, table alignment, and the split of a table across pages with
// repeated header rows.
//
// The laid-out items (shading, content lines, border lines) are owned by
// the list they are put in. Every row loop makes progress: a row that may
// not split, or one of exact height, that is taller than the region is
// placed (cut at the region's bottom) when the table is the first item of
// the region, rather than moved to a next page where it would not fit
// either.
#pragma once

#include <cstdint>
#include <vector>

#include "wordmodel/word_page.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnField;
class TvnPageLayoutEngine;
class TvnSection;
class TvnTable;
class TvnTableCell;
class TvnTableRow;

// Where the table being laid out continues on the next page or column.
// The pagination engine keeps one per page.
class TvnPageStatus : public TObject {
 public:
  // The table that continues (borrowed); null when none.
  TvnTable* GetLeftOverTable() const { return FLeftOverTable; }
  void SetLeftOverTable(TvnTable* Value) { FLeftOverTable = Value; }
  // The row it continues from; -1 when none.
  int32_t GetLeftOverRow() const { return FLeftOverRow; }
  void SetLeftOverRow(int32_t Value) { FLeftOverRow = Value; }
  int32_t GetCurrentSectionIndex() const { return FCurrentSectionIndex; }
  void SetCurrentSectionIndex(int32_t Value) { FCurrentSectionIndex = Value; }

 private:
  TvnTable* FLeftOverTable = nullptr;
  int32_t FLeftOverRow = -1;
  int32_t FCurrentSectionIndex = 0;
};

class TvnTableLayoutEngine : public TObject {
 public:
  // ApageTop is the top of the body region; the status and the paragraph
  // engine are borrowed.
  TvnTableLayoutEngine(TvnSection* ASection, int32_t ApageTop, TvnPageStatus& Astate, TvnPageLayoutEngine& Apl);

  // Lays out ATable (what is left of it when AleftOutTable) at the
  // paragraph engine's Y; its items go to AList when given, else to the
  // paragraph engine's page element list. Returns true when the region is
  // full and the table continues (recorded in the page status).
  // AFirstItem: the table is the first item of the region. Errors raised
  // while laying out pass to the caller.
  bool ProcessTable(TvnTable& ATable, bool AleftOutTable, bool AUnused, bool AFirstItem, LaidOutItems* AList,
                    std::vector<TvnField*>* ANumPagesFieldList, int32_t APageNumber);

  // The right edge of the widest row laid out.
  int32_t GetEndX() const { return FEndX; }

 private:
  void PrepareTable(TvnTable& ATable);
  int32_t LayoutRow(TvnTable& ATable, int32_t ARowIndex, int32_t AFirstRow, bool AMustPlace, int32_t AY, int32_t AX,
                    std::vector<TvnField*>* ANumPagesFieldList, bool& AFull);
  bool LayoutCell(TvnTable& ATable, TvnTableRow& ARow, int32_t ARowIndex, TvnTableCell& ACell, int32_t AAvailableHeight,
                  int32_t& AContentHeight, int32_t AWidth, int32_t AY, int32_t AX,
                  std::vector<TvnField*>* ANumPagesFieldList);
  int32_t GetMergeStartEndY(TvnTable& ATable, int32_t ARowIndex, int32_t AFirstRow, size_t AColumn, bool& AFull) const;
  void AlignCellsVertically(TvnTable& ATable, int32_t AFirstRow, int32_t ALastRow);
  void CreateCellShadingAndBorders(TvnTable& ATable, TvnTableCell& ACell, int32_t ACellX, int32_t ARowY,
                                   int32_t ARowHeight, int32_t ARowIndex, size_t ACellIndex, bool AFirstRowOnPage,
                                   bool ASplit);

  TvnPageStatus& FPageState;
  int32_t FPageTop = 0;
  TvnPageLayoutEngine& FPl;
  int32_t FEndX = 0;
  bool FLeftOverTable = false;
  TRect FOriginalDisplayRegion;
  int32_t FPageNum = 0;
  TvnSection* FSection = nullptr;
  int32_t FWindowHt = 0;
};

}  // namespace vn::wordmodel
