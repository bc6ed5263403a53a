// The property objects of tables, rows and cells: widths, borders, shading,
// margins, merges, alignment and the conditional regions of the table style
// that apply. Lengths are pixels.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "wordmodel/borders.h"
#include "wordmodel/margins.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnStyle;

enum class TvnWidthType : uint8_t { wtAuto, wtUnits, wtFixed, wtPercent, wtNoWidth };
// The conditional regions of a table style.
enum class TvnTableRegions : uint8_t {
  trBandedColumns,
  trEvenColumnBanding,
  trBandedRows,
  trEvenRowBanding,
  trFirstRow,
  trLastRow,
  trFirstColumn,
  trLastColumn,
  trTopLeft,
  trTopRight,
  trBottomLeft,
  trBottomRight,
  trWholeTable
};
enum class TvnTableAnchor : uint8_t { taMargin, taPage, taText };
enum class TvnBorderType : uint8_t { Left, Top, Right, Bottom, InsideH, InsideV };
enum class TvnTextDirection : uint8_t {
  tdLeftToRight,
  tdLeftToRightRotated,
  tdRightToLeft,
  tdRightToLeftRotated,
  tdTopToBottom,
  tdTopToBottomRotated
};
// Vertical merge of a cell with the cells above and below.
enum class TvnMergeCellsOption : uint8_t { mcoNone, mcoRestart, mcoContinue, mcoEnd };

// Which conditional regions apply (to a table, a row or a cell).
using TvnRegionFlags = std::map<TvnTableRegions, bool>;
// Borders by side. Merged table properties and table styles may hold the
// same border objects, hence shared.
using TvnBorderTable = std::map<TvnBorderType, std::shared_ptr<TvnBorder>>;

class TvnTableProperties : public TObject {
 public:
  TvnTableProperties();
  ~TvnTableProperties() override;

  // Copies the fill colour (through its setter), anchors, indent, floating
  // flag, a copy of the margins, ShadeApplied, style identifier and name,
  // alignment, caption, width and width type, position, the look table and
  // the border table (sharing the source's border objects). The style
  // object is not copied.
  void Assign(const TvnTableProperties* ASource, TvnTableProperties* ADest) const;
  std::unique_ptr<TvnTableProperties> Clone() const;

  int32_t GetTableWidth() const { return FTableWidth; }
  void SetTableWidth(int32_t Value) { FTableWidth = Value; }
  // The position of a floating table.
  int32_t GetXPos() const { return FxPos; }
  void SetXPos(int32_t Value) { FxPos = Value; }
  int32_t GetYPos() const { return FyPos; }
  void SetYPos(int32_t Value) { FyPos = Value; }
  // The table style (borrowed); a style also gives its identifier and name.
  TvnStyle* GetTableStyle() const { return FTableStyle; }
  void SetTableStyle(TvnStyle* Value);
  const String& GetStyleID() const { return FStyleID; }
  void SetStyleID(const String& Value) { FStyleID = Value; }
  const String& GetStyleName() const { return FStyleName; }
  void SetStyleName(const String& Value) { FStyleName = Value; }
  TvnWidthType GetWidthType() const { return FWidthType; }
  void SetWidthType(TvnWidthType Value) { FWidthType = Value; }
  // The conditional regions of the style this table uses.
  TvnRegionFlags& GetLook() { return FLook; }
  const TvnRegionFlags& GetLook() const { return FLook; }
  TvnBorderTable& GetBorders() { return FBorders; }
  const TvnBorderTable& GetBorders() const { return FBorders; }
  // Default cell margins; a side holding -2147483648 is unset.
  TvnMargin* GetMargins() const { return FMargins.get(); }
  void SetMargins(std::unique_ptr<TvnMargin> Value) { FMargins = std::move(Value); }
  TvnRGBColor GetFillColor() const { return FFillColor; }
  // Stores the colour and sets ShadeApplied.
  void SetFillColor(TvnRGBColor Value);
  bool GetShadeApplied() const { return FShadeApplied; }
  void SetShadeApplied(bool Value) { FShadeApplied = Value; }
  bool GetIsFloatingTable() const { return FIsFloatTable; }
  void SetIsFloatingTable(bool Value) { FIsFloatTable = Value; }
  TvnTableAnchor GetHorizontalAnchor() const { return FHoriAnchor; }
  void SetHorizontalAnchor(TvnTableAnchor Value) { FHoriAnchor = Value; }
  TvnTableAnchor GetVerticalAnchor() const { return FVertAnchor; }
  void SetVerticalAnchor(TvnTableAnchor Value) { FVertAnchor = Value; }
  TvnHAlignment GetTableAlignment() const { return FTableAlignment; }
  void SetTableAlignment(TvnHAlignment Value) { FTableAlignment = Value; }
  int32_t GetIndent() const { return FIndent; }
  void SetIndent(int32_t Value) { FIndent = Value; }
  const String& GetTableCaption() const { return FTableCaption; }
  void SetTableCaption(const String& Value) { FTableCaption = Value; }

 private:
  int32_t FTableWidth = 0;
  int32_t FxPos = 0;
  int32_t FyPos = 0;
  TvnStyle* FTableStyle = nullptr;
  String FStyleID;
  String FStyleName;
  TvnWidthType FWidthType = TvnWidthType::wtAuto;
  TvnRegionFlags FLook;
  TvnBorderTable FBorders;
  std::unique_ptr<TvnMargin> FMargins;
  TvnRGBColor FFillColor;
  bool FShadeApplied = false;
  bool FIsFloatTable = false;
  TvnTableAnchor FHoriAnchor = TvnTableAnchor::taMargin;
  TvnTableAnchor FVertAnchor = TvnTableAnchor::taMargin;
  TvnHAlignment FTableAlignment = TvnHAlignment::haLeft;
  int32_t FIndent = 0;
  String FTableCaption;
};

class TvnTableRowProperties : public TObject {
 public:
  // Copies CantSplit, the cell spacing and its rule, the conditional-format
  // table, the grid skips, the height and its rule, IsHeader and the row
  // alignment.
  void Assign(const TvnTableRowProperties* ASource, TvnTableRowProperties* ADest) const;
  std::unique_ptr<TvnTableRowProperties> Clone() const;

  int32_t GetHeight() const { return FHeight; }
  void SetHeight(int32_t Value) { FHeight = Value; }
  // Grid columns skipped before and after the row's cells.
  int32_t GetGridBefore() const { return FGridBefore; }
  void SetGridBefore(int32_t Value) { FGridBefore = Value; }
  int32_t GetGridAfter() const { return FGridAfter; }
  void SetGridAfter(int32_t Value) { FGridAfter = Value; }
  // How the height applies.
  TvnSpacingRule GetHeightSpacingRule() const { return FHeightSpacingRule; }
  void SetHeightSpacingRule(TvnSpacingRule Value) { FHeightSpacingRule = Value; }
  // The row repeats at the top of continuation pages.
  bool GetIsHeader() const { return FIsHeader; }
  void SetIsHeader(bool Value) { FIsHeader = Value; }
  // The row must not break across pages.
  bool GetCantSplit() const { return FCantSplit; }
  void SetCantSplit(bool Value) { FCantSplit = Value; }
  // The regions this row belongs to.
  TvnRegionFlags& GetCNFStyles() { return FCnfStyles; }
  const TvnRegionFlags& GetCNFStyles() const { return FCnfStyles; }
  TvnHAlignment GetTableRowAlignment() const { return FTableRowAlignment; }
  void SetTableRowAlignment(TvnHAlignment Value) { FTableRowAlignment = Value; }
  int32_t GetCellSpacing() const { return FCellSpacing; }
  void SetCellSpacing(int32_t Value) { FCellSpacing = Value; }
  TvnWidthType GetCellSpacingRule() const { return FCellSpacingRule; }
  void SetCellSpacingRule(TvnWidthType Value) { FCellSpacingRule = Value; }

 private:
  int32_t FHeight = 0;
  int32_t FGridBefore = 0;
  int32_t FGridAfter = 0;
  TvnSpacingRule FHeightSpacingRule = TvnSpacingRule::srAuto;
  bool FIsHeader = false;
  bool FCantSplit = false;
  TvnRegionFlags FCnfStyles;
  TvnHAlignment FTableRowAlignment = TvnHAlignment::haLeft;
  int32_t FCellSpacing = 0;
  TvnWidthType FCellSpacingRule = TvnWidthType::wtAuto;
};

// White fill without shading, spanning one grid column.
class TvnTableCellProperties : public TObject {
 public:
  TvnTableCellProperties();
  ~TvnTableCellProperties() override;

  // Copies a copy of the cell margins (when the source has them), the
  // vertical alignment, the fill colour (through its setter), FitWidth,
  // GridSpan, IsPropertyUpdated, Nowrap, ShadeApplied, TextDirection,
  // VMergeCells, width and width type, the conditional-format table, and
  // copies of the borders.
  void Assign(const TvnTableCellProperties* ASource, TvnTableCellProperties* ADest) const;
  std::unique_ptr<TvnTableCellProperties> Clone() const;

  TvnWidthType GetWidthType() const { return FWidthType; }
  void SetWidthType(TvnWidthType Value) { FWidthType = Value; }
  // The cell's text is not wrapped.
  bool GetNowrap() const { return FNowrap; }
  void SetNowrap(bool Value) { FNowrap = Value; }
  TvnRegionFlags& GetCNFStyles() { return FCnfStyles; }
  const TvnRegionFlags& GetCNFStyles() const { return FCnfStyles; }
  TvnRGBColor GetFillColor() const { return FFillColor; }
  // Stores the colour and sets ShadeApplied.
  void SetFillColor(TvnRGBColor Value);
  bool GetShadeApplied() const { return FShadeApplied; }
  void SetShadeApplied(bool Value) { FShadeApplied = Value; }
  // Grid columns the cell spans.
  int32_t GetGridSpan() const { return FGridSpan; }
  void SetGridSpan(int32_t Value) { FGridSpan = Value; }
  TvnBorderTable& GetBorders() { return FBorders; }
  const TvnBorderTable& GetBorders() const { return FBorders; }
  // Null: the table's margins apply.
  TvnMargin* GetCellMargins() const { return FCellMargins.get(); }
  void SetCellMargins(std::unique_ptr<TvnMargin> Value) { FCellMargins = std::move(Value); }
  // The table style has already been merged into these properties.
  bool GetIsPropertyUpdated() const { return FIsPropUpdated; }
  void SetIsPropertyUpdated(bool Value) { FIsPropUpdated = Value; }
  int32_t GetWidth() const { return FWidth; }
  void SetWidth(int32_t Value) { FWidth = Value; }
  TvnTextDirection GetTextDirection() const { return FTextDirection; }
  void SetTextDirection(TvnTextDirection Value) { FTextDirection = Value; }
  TvnVAlignment GetCellVerticalAlignment() const { return FCellVerticalAlignment; }
  void SetCellVerticalAlignment(TvnVAlignment Value) { FCellVerticalAlignment = Value; }
  TvnMergeCellsOption GetVMergeCells() const { return FVMergeCells; }
  void SetVMergeCells(TvnMergeCellsOption Value) { FVMergeCells = Value; }
  bool GetFitWidth() const { return FFitWidth; }
  void SetFitWidth(bool Value) { FFitWidth = Value; }

 private:
  TvnWidthType FWidthType = TvnWidthType::wtAuto;
  bool FNowrap = false;
  TvnRegionFlags FCnfStyles;
  TvnRGBColor FFillColor{255, 255, 255};
  bool FShadeApplied = false;
  int32_t FGridSpan = 1;
  TvnBorderTable FBorders;
  std::unique_ptr<TvnMargin> FCellMargins;
  bool FIsPropUpdated = false;
  int32_t FWidth = 0;
  TvnTextDirection FTextDirection = TvnTextDirection::tdLeftToRight;
  TvnVAlignment FCellVerticalAlignment = TvnVAlignment::vaTop;
  TvnMergeCellsOption FVMergeCells = TvnMergeCellsOption::mcoNone;
  bool FFitWidth = false;
};

}  // namespace vn::wordmodel
