// Tables: rows of cells, each cell holding paragraphs and nested tables.
// A cell also keeps what the table layout made of it (laid-out content,
// shading rectangles, border lines) and where the layout stopped inside it,
// to continue on the next page. Lengths are pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "wordmodel/borders.h"
#include "wordmodel/table_properties.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

// A cell owns its content and the items the layout made for it.
class TvnTableCell : public TObject {
 public:
  // A black pen and frame, a white brush, no cell properties, the render
  // cursor at 0.
  explicit TvnTableCell(int32_t ACellWidth = 0);
  ~TvnTableCell() override;

  // A copy with everything but the laid-out content: the layout state and
  // cursor, pen, brush, frame, margins, alignments, a copy of the cell
  // properties (when present), and clones of the border elements, the
  // shading elements and the content.
  std::unique_ptr<TvnTableCell> Clone() const;
  // Appends to the content; null is ignored.
  void InsertItem(std::unique_ptr<TvnDocItem> AItem);

  int32_t GetWidth() const { return FWidth; }
  void SetWidth(int32_t Value) { FWidth = Value; }
  // The row's height when the cell was inserted.
  int32_t GetHeight() const { return FHeight; }
  int32_t GetCellLeftMargin() const { return FCellLeftmargin; }
  void SetCellLeftMargin(int32_t Value) { FCellLeftmargin = Value; }
  int32_t GetCellTopMargin() const { return FCellTopMargin; }
  void SetCellTopMargin(int32_t Value) { FCellTopMargin = Value; }
  int32_t GetCellRightMargin() const { return FCellRightMargin; }
  void SetCellRightMargin(int32_t Value) { FCellRightMargin = Value; }
  int32_t GetCellBottomMargin() const { return FCellBottomMargin; }
  void SetCellBottomMargin(int32_t Value) { FCellBottomMargin = Value; }
  // The laid-out width and position.
  int32_t GetActCellWidth() const { return FActCellWidth; }
  void SetActCellWidth(int32_t Value) { FActCellWidth = Value; }
  int32_t GetStartY() const { return FstartY; }
  void SetStartY(int32_t Value) { FstartY = Value; }
  int32_t GetEndY() const { return FendY; }
  void SetEndY(int32_t Value) { FendY = Value; }
  int32_t GetStartX() const { return FStartX; }
  void SetStartX(int32_t Value) { FStartX = Value; }
  TvnPen* GetPen() { return &Fpen; }
  const TvnPen* GetPen() const { return &Fpen; }
  TvnBrush* GetBrush() { return &FBrush; }
  const TvnBrush* GetBrush() const { return &FBrush; }
  TvnHAlignment GetHAlignment() const { return FHAlignment; }
  void SetHAlignment(TvnHAlignment Value) { FHAlignment = Value; }
  TvnVAlignment GetVAlignment() const { return FVAlignment; }
  void SetVAlignment(TvnVAlignment Value) { FVAlignment = Value; }
  // The content: paragraphs and nested tables in order.
  const TvnItemList& GetDocItems() const { return FDocItems; }
  // What the table layout made of the cell.
  TvnItemList& GetInternalElements() { return FInternalElements; }
  const TvnItemList& GetInternalElements() const { return FInternalElements; }
  TvnItemList& GetShadingElements() { return FShadingElements; }
  const TvnItemList& GetShadingElements() const { return FShadingElements; }
  TvnItemList& GetBorderElements() { return FBorderElements; }
  const TvnItemList& GetBorderElements() const { return FBorderElements; }
  TvnBorder* GetFrame() { return &FFrame; }
  const TvnBorder* GetFrame() const { return &FFrame; }
  TvnWidthType GetWidthType() const { return FWidthType; }
  void SetWidthType(TvnWidthType Value) { FWidthType = Value; }
  // Null until the reader sets them.
  const std::shared_ptr<TvnTableCellProperties>& GetTableCellProperties() const { return FTableCellProperties; }
  void SetTableCellProperties(std::shared_ptr<TvnTableCellProperties> Value) {
    FTableCellProperties = std::move(Value);
  }
  int32_t GetPageNumber() const { return FPageNumber; }
  void SetPageNumber(int32_t Value) { FPageNumber = Value; }
  // Where the table layout stopped inside the cell.
  int32_t GetItemIndex() const { return FItemIndex; }
  void SetItemIndex(int32_t Value) { FItemIndex = Value; }
  int32_t GetRunIndex() const { return FRunIndex; }
  void SetRunIndex(int32_t Value) { FRunIndex = Value; }
  int32_t GetRowIndex() const { return FRowIndex; }
  void SetRowIndex(int32_t Value) { FRowIndex = Value; }
  int32_t GetRunItemIndex() const { return FRunItemIndex; }
  void SetRunItemIndex(int32_t Value) { FRunItemIndex = Value; }
  bool GetCompletelyRendered() const { return FCompletelyRendered; }
  void SetCompletelyRendered(bool Value) { FCompletelyRendered = Value; }

 private:
  friend class TvnTableRow;

  int32_t FWidth;
  int32_t FHeight = 0;
  int32_t FCellLeftmargin = 0;
  int32_t FCellTopMargin = 0;
  int32_t FCellRightMargin = 0;
  int32_t FCellBottomMargin = 0;
  int32_t FActCellWidth = 0;
  int32_t FstartY = 0;
  int32_t FendY = 0;
  int32_t FStartX = 0;
  TvnPen Fpen;
  TvnBrush FBrush;
  TvnHAlignment FHAlignment = TvnHAlignment::haLeft;
  TvnVAlignment FVAlignment = TvnVAlignment::vaTop;
  TvnItemList FDocItems;
  TvnItemList FInternalElements;
  TvnItemList FShadingElements;
  TvnItemList FBorderElements;
  TvnBorder FFrame;
  TvnWidthType FWidthType = TvnWidthType::wtAuto;
  std::shared_ptr<TvnTableCellProperties> FTableCellProperties;
  int32_t FPageNumber = 0;
  int32_t FItemIndex = 0;
  int32_t FRunIndex = 0;
  int32_t FRowIndex = 0;
  int32_t FRunItemIndex = 0;
  bool FCompletelyRendered = false;
};

using TvnTableCellList = std::vector<std::unique_ptr<TvnTableCell>>;

// A row owns its cells. Its height is the height of its row properties.
class TvnTableRow : public TObject {
 public:
  TvnTableRow();
  // That many cells of width 0, each taking the row height (and the pen and
  // brush colours).
  TvnTableRow(int32_t AHeight, int32_t ACellCount);
  TvnTableRow(int32_t AHeight, int32_t ACellCount, TvnRGBColor APenColor, TvnRGBColor ABrushColor);
  ~TvnTableRow() override;

  // Copies of the row properties and of the exception properties (when
  // present), the layout position and height, page number, and a copy of
  // every cell in order.
  std::unique_ptr<TvnTableRow> Clone() const;
  // Appends the cell, which takes the row's height; null is ignored.
  void InsertCell(std::unique_ptr<TvnTableCell> ACell);

  const TvnTableCellList& GetCells() const { return FCells; }
  const std::shared_ptr<TvnTableRowProperties>& GetTableRowProperties() const { return FTableRowProperties; }
  void SetTableRowProperties(std::shared_ptr<TvnTableRowProperties> Value) { FTableRowProperties = std::move(Value); }
  // The laid-out height.
  int32_t GetActRowHeight() const { return FActRowHeight; }
  void SetActRowHeight(int32_t Value) { FActRowHeight = Value; }
  // Table-level properties that differ for this row; null for none.
  const std::shared_ptr<TvnTableProperties>& GetTablePropertiesException() const { return FTablePropertiesException; }
  void SetTablePropertiesException(std::shared_ptr<TvnTableProperties> Value) {
    FTablePropertiesException = std::move(Value);
  }
  int32_t GetStartY() const { return FstartY; }
  void SetStartY(int32_t Value) { FstartY = Value; }
  int32_t GetPageNumber() const { return FPageNumber; }
  void SetPageNumber(int32_t Value) { FPageNumber = Value; }

 private:
  int32_t RowHeight() const;

  TvnTableCellList FCells;
  std::shared_ptr<TvnTableRowProperties> FTableRowProperties;
  int32_t FActRowHeight = 0;
  std::shared_ptr<TvnTableProperties> FTablePropertiesException;
  int32_t FstartY = 0;
  int32_t FPageNumber = 0;
};

using TvnTableRowList = std::vector<std::unique_ptr<TvnTableRow>>;

// A table owns its rows. It draws nothing itself: the layout draws what it
// made of it. Its Tag is its layout tag.
class TvnTable : public TvnDocItem {
 public:
  TvnTable();
  // A table of that width.
  explicit TvnTable(int32_t ATableWidth);
  // That many rows of that height, without cells.
  TvnTable(int32_t ARowCount, int32_t ARowHeight);
  // Rows of that height, each with AColCount cells of width 0.
  TvnTable(int32_t ARowCount, int32_t AColCount, int32_t ARowHeight);
  // Rows of that height whose cells have that pen and brush colour.
  TvnTable(int32_t ARowCount, int32_t ACellCount, int32_t ARowHeight, TvnRGBColor APenColor,
           TvnRGBColor ABrushColor);
  ~TvnTable() override;

  // A table copied in full: the element's data, CantSplit, Processed,
  // RenderHeaderRows, a copy of the table properties, a copy of the tag
  // (associated with the copy), copies of the rows in order, the header-row
  // indices and the grid column widths.
  std::unique_ptr<TvnDocItem> Clone() const override;
  // Appends a row; null is ignored.
  void InsertRow(std::unique_ptr<TvnTableRow> ATableRow);

  const TvnTableRowList& GetRows() const { return FRows; }
  // Widths of the table grid.
  std::vector<int32_t>& GetGridColumnWidths() { return FGridColumnWidths; }
  const std::vector<int32_t>& GetGridColumnWidths() const { return FGridColumnWidths; }
  std::vector<int32_t>& GetHeaderRowIndices() { return FHeaderRowIndices; }
  const std::vector<int32_t>& GetHeaderRowIndices() const { return FHeaderRowIndices; }
  const std::shared_ptr<TvnTableProperties>& GetTableProperties() const { return FTableProperties; }
  void SetTableProperties(std::shared_ptr<TvnTableProperties> Value) { FTableProperties = std::move(Value); }
  bool GetCantSplit() const { return FCantSplit; }
  void SetCantSplit(bool Value) { FCantSplit = Value; }
  bool GetProcessed() const { return FProcessed; }
  void SetProcessed(bool Value) { FProcessed = Value; }
  // Header rows repeat on continuation pages.
  bool GetRenderHeaderRows() const { return FRenderHeaderRows; }
  void SetRenderHeaderRows(bool Value) { FRenderHeaderRows = Value; }

 private:
  TvnTableRowList FRows;
  std::vector<int32_t> FGridColumnWidths;
  std::vector<int32_t> FHeaderRowIndices;
  std::shared_ptr<TvnTableProperties> FTableProperties;
  bool FCantSplit = false;
  bool FProcessed = false;
  bool FRenderHeaderRows = true;
};

}  // namespace vn::wordmodel
