// The RTF writer's table: a sequence of table rows, each its row definition
// (left edge, optional exact height, and per cell its shading, alignment
// words and right edge), the content of its cells, each ended by "\cell",
// and the row end. A cell holds table paragraphs and tables; a table inside
// a cell is written as a nested table ("\itap", "\nestcell", "\nestrow"
// and "{\*\nesttableprops ...}"), so the groups of the file stay balanced.
//
// Right edges are pixels from the table's left edge; the file's "\cellx"
// boundaries are measured from the margin like "\trleft", so the table's
// left edge is added to them.
//
// Ownership: the table owns its rows and cells, a cell its content; both
// borrow the RTF header where the shading colours are registered.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rtf/rtf_writer_header.h"
#include "rtf/rtf_writer_settings.h"

namespace vn::rtf::writer {

class TvnRTFCell : public TvnRTFElement {
 public:
  explicit TvnRTFCell(TvnRTFHeader* AHeader);
  // The cell's content at the top table level.
  std::string Encode() override;
  // The cell's content inside a table at ALevel (1 at the top), ended by
  // "\cell" or, below the top, "\nestcell".
  std::string EncodeAtLevel(int32_t ALevel);
  // Shading, alignment words and "\cellx" of the cell in the row
  // definition, the table's left edge ALeft (pixels) added to its right edge.
  std::string EncodeDefinition(double ALeft) const;

  // Appends AElement (the cell takes it).
  void InsertElement(std::unique_ptr<TvnRTFElement> AElement);
  const TvnRTFElements& CellElements() const { return FCellElements; }
  int32_t ElementsCount() const { return FElementsCount; }

  double Width = 0;  // twips, as inserted; not written
  double Right = 0;  // the right edge in pixels from the table's left edge
  TvnHAlignment Alignment = TvnHAlignment::haLeft;
  TvnVAlignment VAlignment = TvnVAlignment::vaTop;
  platform::Pen Pen;
  TvnFrame Frame;
  // The shading: white, clear by default.
  platform::Brush Brush;
  double RTFFactor;  // twips per pixel

 private:
  TvnRTFElements FCellElements;
  int32_t FElementsCount = 0;
  TvnRTFHeader* FHeader;
};

class TvnRTFTableItem : public TvnRTFElement {
 public:
  explicit TvnRTFTableItem(TvnRTFHeader* AHeader);
  TvnRTFElementType GetElementType() const override { return TvnRTFElementType::etTable; }
  std::string Encode() override;
  // The table inside a cell of a table at ALevel - 1 (ALevel 2 or more).
  std::string EncodeNested(int32_t ALevel);

  // Appends an empty row of ARowHeight pixels (-1: no height); answers the
  // row count.
  int32_t InsertRow(double ARowHeight, int32_t ARowIndex = 0);
  // A new cell of ACellWidth twips at the end of row ARowIndex; a row that
  // does not exist raises EArgumentOutOfRangeException "Argument out of range".
  TvnRTFCell& InsertCell(int32_t ARowIndex, double ACellWidth, int32_t ACellIndex = 0);

  int32_t RowCount() const { return static_cast<int32_t>(FRows.size()); }
  const std::vector<double>& RowHeights() const { return FRowHeights; }
  // The cells of row AIndex (out of range: as InsertCell).
  const std::vector<std::unique_ptr<TvnRTFCell>>& Row(int32_t AIndex) const;

  double X = 0;  // the left edge in pixels
  double Y = 0, MaxWidth = 0, MaxHeight = 0;  // not written
  double RTFFactor;  // twips per pixel

 private:
  std::string RowDefinition(size_t ARow) const;

  std::vector<std::vector<std::unique_ptr<TvnRTFCell>>> FRows;
  std::vector<double> FRowHeights;
  TvnRTFHeader* FHeader;
};

}  // namespace vn::rtf::writer
