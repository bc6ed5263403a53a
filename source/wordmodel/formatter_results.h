// The structure the layout analysers rebuild from positioned text
// (positioned_text.h): sections with their columns, paragraphs with their
// tab stops, lines, groups, columns, regions not yet decided, and tables.
// The RTF and plain-text writers write them out. Every item list only refers
// to its items; a holder owns only its margins.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "wordmodel/positioned_text.h"

namespace vn::wordmodel {

// How the line spacing of a rebuilt paragraph applies.
enum class TvnLineSpacing : uint8_t { lsExact, lsAtLeast, lsSingle, lsMultiple };

// A column's width and the space after it.
class TvnFormatterWordColumns : public TObject {
 public:
  double Getspace() const { return Fspace; }
  void Setspace(double Value) { Fspace = Value; }
  double GetWidth() const { return FWidth; }
  void SetWidth(double Value) { FWidth = Value; }

 private:
  double Fspace = 0;
  double FWidth = 0;
};

// A section of rebuilt output: landscape, starting on a new page, with
// equal columns and zero margins until told otherwise.
class TvnFormatterSection : public TvnDocItem {
 public:
  TvnDocItemRefs& GetDocItems() { return FDocItems; }
  const TvnDocItemRefs& GetDocItems() const { return FDocItems; }
  double GetPageHeight() const { return FPageHeight; }
  void SetPageHeight(double Value) { FPageHeight = Value; }
  double GetPageWidth() const { return FPageWidth; }
  void SetPageWidth(double Value) { FPageWidth = Value; }
  double GetSpaceBetweenColumns() const { return FSpaceBetweenColumns; }
  void SetSpaceBetweenColumns(double Value) { FSpaceBetweenColumns = Value; }
  bool GetEqualWidthColumns() const { return FEqualWidthColumns; }
  void SetEqualWidthColumns(bool Value) { FEqualWidthColumns = Value; }
  bool GetIsTitlePage() const { return FIsTitlePage; }
  void SetIsTitlePage(bool Value) { FIsTitlePage = Value; }
  // Owned.
  TvnPageMargins* GetPageMargin() const { return FPageMargin.get(); }
  TvnOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TvnOrientation Value) { FOrientation = Value; }
  TvnSectionType GetSectionType() const { return FSectionType; }
  void SetSectionType(TvnSectionType Value) { FSectionType = Value; }
  std::vector<TvnFormatterWordColumns*>& GetColumns() { return FColumns; }
  const std::vector<TvnFormatterWordColumns*>& GetColumns() const { return FColumns; }

 private:
  TvnDocItemRefs FDocItems;
  double FPageHeight = 0;
  double FPageWidth = 0;
  double FSpaceBetweenColumns = 0;
  bool FEqualWidthColumns = true;
  bool FIsTitlePage = false;
  std::unique_ptr<TvnPageMargins> FPageMargin = std::make_unique<TvnPageMargins>();
  TvnOrientation FOrientation = TvnOrientation::oLandscape;
  std::vector<TvnFormatterWordColumns*> FColumns;
  TvnSectionType FSectionType = TvnSectionType::stNextPage;
};

class TvnFormatterTab : public TObject {
 public:
  TvnTabStopChar GetLeadingChar() const { return FleadingChar; }
  void SetLeadingChar(TvnTabStopChar Value) { FleadingChar = Value; }
  double GetPosition() const { return FPosition; }
  void SetPosition(double Value) { FPosition = Value; }
  TvnTabStopValue GetTabStopValue() const { return FTabStopValue; }
  void SetTabStopValue(TvnTabStopValue Value) { FTabStopValue = Value; }

 private:
  TvnTabStopChar FleadingChar = TvnTabStopChar::tscNone;
  double FPosition = 0;
  TvnTabStopValue FTabStopValue = TvnTabStopValue::tsvStart;
};

// A rebuilt paragraph: left aligned, outside lists, line spacing 240 as a
// multiple, 8 after, no indents, until told otherwise.
class TvnFormatterParagraph : public TvnDocItem {
 public:
  TvnDocItemRefs& GetDocItems() { return FDocItems; }
  const TvnDocItemRefs& GetDocItems() const { return FDocItems; }
  TvnHAlignment GetHAlignment() const { return FHAlignment; }
  void SetHAlignment(TvnHAlignment Value) { FHAlignment = Value; }
  // -1: not in a list.
  int32_t GetNumberID() const { return FNumberID; }
  void SetNumberID(int32_t Value) { FNumberID = Value; }
  int32_t GetNumberLevel() const { return FNumberLevel; }
  void SetNumberLevel(int32_t Value) { FNumberLevel = Value; }
  double GetLineSpacing() const { return FLineSpacing; }
  void SetLineSpacing(double Value) { FLineSpacing = Value; }
  double GetSpaceBefore() const { return FSpaceBefore; }
  void SetSpaceBefore(double Value) { FSpaceBefore = Value; }
  double GetSpaceAfter() const { return FSpaceAfter; }
  void SetSpaceAfter(double Value) { FSpaceAfter = Value; }
  double GetRightIndent() const { return FRightIndent; }
  void SetRightIndent(double Value) { FRightIndent = Value; }
  double GetLeftIndent() const { return FLeftIndent; }
  void SetLeftIndent(double Value) { FLeftIndent = Value; }
  double GetFirstLineIndent() const { return FFirstLineIndent; }
  void SetFirstLineIndent(double Value) { FFirstLineIndent = Value; }
  double GetHangingLinesIndent() const { return FHangingLinesIndent; }
  void SetHangingLinesIndent(double Value) { FHangingLinesIndent = Value; }
  TvnLineSpacing GetLineSpacingRule() const { return FLineSpacingRule; }
  void SetLineSpacingRule(TvnLineSpacing Value) { FLineSpacingRule = Value; }
  std::vector<TvnFormatterTab*>& GetTabs() { return FTabs; }
  const std::vector<TvnFormatterTab*>& GetTabs() const { return FTabs; }

 private:
  TvnDocItemRefs FDocItems;
  TvnHAlignment FHAlignment = TvnHAlignment::haLeft;
  int32_t FNumberID = kNoReference;
  int32_t FNumberLevel = kNoReference;
  double FLineSpacing = 240.0;
  double FSpaceBefore = 0;
  double FSpaceAfter = 8.0;
  double FRightIndent = 0;
  double FLeftIndent = 0;
  double FFirstLineIndent = 0;
  double FHangingLinesIndent = 0;
  TvnLineSpacing FLineSpacingRule = TvnLineSpacing::lsMultiple;
  std::vector<TvnFormatterTab*> FTabs;
};

// A rebuilt line.
class TvnFormatterLine : public TvnDocItem {
 public:
  TvnDocItemRefs& GetDocItems() { return FDocItems; }
  const TvnDocItemRefs& GetDocItems() const { return FDocItems; }
  double GetLeft() const { return FLeft; }
  void SetLeft(double Value) { FLeft = Value; }
  double GetCenter() const { return FCenter; }
  void SetCenter(double Value) { FCenter = Value; }
  double GetRight() const { return FRight; }
  void SetRight(double Value) { FRight = Value; }
  TvnBreakType GetBreakType() const { return FBreakType; }
  void SetBreakType(TvnBreakType Value) { FBreakType = Value; }
  // Null until set.
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }

 private:
  TvnDocItemRefs FDocItems;
  double FLeft = 0;
  double FRight = 0;
  double FCenter = 0;
  TvnBreakType FBreakType = TvnBreakType::btNone;
  std::shared_ptr<TvnRectF> FBoundingRect;
};

// Items found together: open, outside tables, white.
class TvnFormatterGroup : public TvnDocItem {
 public:
  TvnDocItemRefs& GetDocItems() { return FDocItems; }
  const TvnDocItemRefs& GetDocItems() const { return FDocItems; }
  double GetLeft() const { return FLeft; }
  void SetLeft(double Value) { FLeft = Value; }
  double GetCenter() const { return FCenter; }
  void SetCenter(double Value) { FCenter = Value; }
  double GetRight() const { return FRight; }
  void SetRight(double Value) { FRight = Value; }
  int32_t GetSelectedPoint() const { return FSelectedPoint; }
  void SetSelectedPoint(int32_t Value) { FSelectedPoint = Value; }
  bool GetIsOpen() const { return FIsOpen; }
  void SetIsOpen(bool Value) { FIsOpen = Value; }
  bool GetGroupInTable() const { return FGroupInTable; }
  void SetGroupInTable(bool Value) { FGroupInTable = Value; }
  bool GetMayBeCell() const { return FMayBeCell; }
  void SetMayBeCell(bool Value) { FMayBeCell = Value; }
  TvnRGBColor GetFillColor() const { return FFillColor; }
  void SetFillColor(TvnRGBColor Value) { FFillColor = Value; }
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }

 private:
  TvnDocItemRefs FDocItems;
  double FLeft = 0;
  double FRight = 0;
  double FCenter = 0;
  int32_t FSelectedPoint = 0;
  bool FIsOpen = true;
  bool FGroupInTable = false;
  bool FMayBeCell = false;
  TvnRGBColor FFillColor{255, 255, 255};
  std::shared_ptr<TvnRectF> FBoundingRect;
};

// A column of items between MinX and MaxX.
class TvnFormatterColumns : public TvnDocItem {
 public:
  TvnDocItemRefs& GetDocItems() { return FDocItems; }
  const TvnDocItemRefs& GetDocItems() const { return FDocItems; }
  double GetMinX() const { return FMinX; }
  void SetMinX(double Value) { FMinX = Value; }
  double GetMaxX() const { return FMaxX; }
  void SetMaxX(double Value) { FMaxX = Value; }
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }

 private:
  TvnDocItemRefs FDocItems;
  double FMinX = 0;
  double FMaxX = 0;
  std::shared_ptr<TvnRectF> FBoundingRect;
};

// A region of a page before its structure is decided: columns, or rows of
// columns when it may be a table.
class TvnUnFormattedSection : public TvnDocItem {
 public:
  using TvnColumnRow = std::vector<TvnFormatterColumns*>;

  // The number of columns held.
  int32_t GetNumberOfColumns() const { return static_cast<int32_t>(FColumns.size()); }
  std::vector<TvnFormatterColumns*>& GetColumns() { return FColumns; }
  const std::vector<TvnFormatterColumns*>& GetColumns() const { return FColumns; }
  std::vector<TvnFormatterWordColumns*>& GetWordColumns() { return FWordColumns; }
  const std::vector<TvnFormatterWordColumns*>& GetWordColumns() const { return FWordColumns; }
  std::vector<TvnColumnRow>& GetRows() { return FRows; }
  const std::vector<TvnColumnRow>& GetRows() const { return FRows; }
  bool GetMayBeTable() const { return FMayBeTable; }
  void SetMayBeTable(bool Value) { FMayBeTable = Value; }
  const std::shared_ptr<TvnRectF>& GetBoundingRect() const { return FBoundingRect; }
  void SetBoundingRect(std::shared_ptr<TvnRectF> Value) { FBoundingRect = std::move(Value); }

 private:
  std::vector<TvnFormatterColumns*> FColumns;
  std::vector<TvnFormatterWordColumns*> FWordColumns;
  std::vector<TvnColumnRow> FRows;
  bool FMayBeTable = false;
  std::shared_ptr<TvnRectF> FBoundingRect;
};

class TvnFormatterTableCell : public TObject {
 public:
  TvnDocItemRefs& GetDocItems() { return FDocItems; }
  const TvnDocItemRefs& GetDocItems() const { return FDocItems; }
  double GetWidth() const { return FWidth; }
  void SetWidth(double Value) { FWidth = Value; }

 private:
  TvnDocItemRefs FDocItems;
  double FWidth = 0;
};

class TvnFormatterTableRow : public TObject {
 public:
  std::vector<TvnFormatterTableCell*>& GetCells() { return FCells; }
  const std::vector<TvnFormatterTableCell*>& GetCells() const { return FCells; }

 private:
  std::vector<TvnFormatterTableCell*> FCells;
};

class TvnFormatterTable : public TvnDocItem {
 public:
  std::vector<TvnFormatterTableRow*>& GetRows() { return FRows; }
  const std::vector<TvnFormatterTableRow*>& GetRows() const { return FRows; }
  // Owned, created with all margins 0.
  TvnPageMargins* GetMargin() const { return FMargin.get(); }
  double GetIndent() const { return FIndent; }
  void SetIndent(double Value) { FIndent = Value; }
  std::vector<int32_t>& GetGridColumnWidths() { return FGridColumnWidths; }
  const std::vector<int32_t>& GetGridColumnWidths() const { return FGridColumnWidths; }

 private:
  std::vector<TvnFormatterTableRow*> FRows;
  std::unique_ptr<TvnPageMargins> FMargin = std::make_unique<TvnPageMargins>();
  double FIndent = 0;
  std::vector<int32_t> FGridColumnWidths;
};

}  // namespace vn::wordmodel
