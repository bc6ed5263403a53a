#include "wordmodel/table_properties.h"

#include "wordmodel/style.h"

namespace vn::wordmodel {

// ---------------------------------------------------------------------------
// TvnTableProperties

TvnTableProperties::TvnTableProperties() : FMargins(std::make_unique<TvnMargin>()) {}

TvnTableProperties::~TvnTableProperties() = default;

void TvnTableProperties::SetTableStyle(TvnStyle* Value) {
  FTableStyle = Value;
  if (Value == nullptr) return;
  FStyleID = Value->GetStyleID();
  FStyleName = Value->GetStyleName();
}

void TvnTableProperties::SetFillColor(TvnRGBColor Value) {
  FFillColor = Value;
  FShadeApplied = true;
}

void TvnTableProperties::Assign(const TvnTableProperties* ASource, TvnTableProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  ADest->SetFillColor(ASource->FFillColor);
  ADest->FHoriAnchor = ASource->FHoriAnchor;
  ADest->FIndent = ASource->FIndent;
  ADest->FIsFloatTable = ASource->FIsFloatTable;
  ADest->FMargins = CloneOrNull(ASource->FMargins.get());
  ADest->FShadeApplied = ASource->FShadeApplied;
  ADest->FStyleID = ASource->FStyleID;
  ADest->FStyleName = ASource->FStyleName;
  ADest->FTableAlignment = ASource->FTableAlignment;
  ADest->FTableCaption = ASource->FTableCaption;
  ADest->FTableWidth = ASource->FTableWidth;
  ADest->FVertAnchor = ASource->FVertAnchor;
  ADest->FWidthType = ASource->FWidthType;
  ADest->FxPos = ASource->FxPos;
  ADest->FyPos = ASource->FyPos;
  ADest->FLook = ASource->FLook;
  ADest->FBorders = ASource->FBorders;
}

std::unique_ptr<TvnTableProperties> TvnTableProperties::Clone() const {
  auto copy = std::make_unique<TvnTableProperties>();
  Assign(this, copy.get());
  return copy;
}

// ---------------------------------------------------------------------------
// TvnTableRowProperties

void TvnTableRowProperties::Assign(const TvnTableRowProperties* ASource, TvnTableRowProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  ADest->FCantSplit = ASource->FCantSplit;
  ADest->FCellSpacing = ASource->FCellSpacing;
  ADest->FCellSpacingRule = ASource->FCellSpacingRule;
  ADest->FCnfStyles = ASource->FCnfStyles;
  ADest->FGridAfter = ASource->FGridAfter;
  ADest->FGridBefore = ASource->FGridBefore;
  ADest->FHeight = ASource->FHeight;
  ADest->FHeightSpacingRule = ASource->FHeightSpacingRule;
  ADest->FIsHeader = ASource->FIsHeader;
  ADest->FTableRowAlignment = ASource->FTableRowAlignment;
}

std::unique_ptr<TvnTableRowProperties> TvnTableRowProperties::Clone() const {
  auto copy = std::make_unique<TvnTableRowProperties>();
  Assign(this, copy.get());
  return copy;
}

// ---------------------------------------------------------------------------
// TvnTableCellProperties

TvnTableCellProperties::TvnTableCellProperties() = default;
TvnTableCellProperties::~TvnTableCellProperties() = default;

void TvnTableCellProperties::SetFillColor(TvnRGBColor Value) {
  FFillColor = Value;
  FShadeApplied = true;
}

void TvnTableCellProperties::Assign(const TvnTableCellProperties* ASource, TvnTableCellProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  if (ASource->FCellMargins) ADest->FCellMargins = ASource->FCellMargins->Clone();
  ADest->FCellVerticalAlignment = ASource->FCellVerticalAlignment;
  ADest->SetFillColor(ASource->FFillColor);
  ADest->FFitWidth = ASource->FFitWidth;
  ADest->FGridSpan = ASource->FGridSpan;
  ADest->FIsPropUpdated = ASource->FIsPropUpdated;
  ADest->FNowrap = ASource->FNowrap;
  ADest->FShadeApplied = ASource->FShadeApplied;
  ADest->FTextDirection = ASource->FTextDirection;
  ADest->FVMergeCells = ASource->FVMergeCells;
  ADest->FWidth = ASource->FWidth;
  ADest->FWidthType = ASource->FWidthType;
  ADest->FCnfStyles = ASource->FCnfStyles;
  ADest->FBorders.clear();
  for (const auto& [side, border] : ASource->FBorders) {
    ADest->FBorders[side] = border ? std::shared_ptr(border->Clone()) : nullptr;
  }
}

std::unique_ptr<TvnTableCellProperties> TvnTableCellProperties::Clone() const {
  auto copy = std::make_unique<TvnTableCellProperties>();
  Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
