#include "wordmodel/style_resolver.h"

#include <exception>

#include "wordmodel/document_mediator.h"
#include "wordmodel/fields.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace vn::wordmodel {

namespace {

// The regions of a table style in the order they are merged: a later region
// overrides an earlier one. The whole-table region is the style itself.
constexpr TvnTableRegions kResolverRegionOrder[] = {
    TvnTableRegions::trBandedColumns, TvnTableRegions::trEvenColumnBanding, TvnTableRegions::trBandedRows,
    TvnTableRegions::trEvenRowBanding, TvnTableRegions::trFirstRow,         TvnTableRegions::trLastRow,
    TvnTableRegions::trFirstColumn,    TvnTableRegions::trLastColumn,       TvnTableRegions::trTopLeft,
    TvnTableRegions::trTopRight,       TvnTableRegions::trBottomLeft,       TvnTableRegions::trBottomRight};

// A run without size is drawn at this size (points); a run without font
// with this face, pooled under the key below.
constexpr int32_t kResolverDefaultFontSize = 10;
constexpr char16_t kResolverDefaultFontKey[] = u"defaultFont";
constexpr char16_t kResolverDefaultFontName[] = u"Times New Roman";

bool ResolverRegionOn(const TvnRegionFlags& AFlags, TvnTableRegions ARegion) {
  auto it = AFlags.find(ARegion);
  return it != AFlags.end() && it->second;
}

// Copies the source's font style AStyle and marks AMark, when the source
// marks it.
void ResolverMergeMarkedStyle(TvnRunProperties& ATarget, const TvnRunProperties& AFrom, TvnFontStyle AStyle,
                              TvnExplicitlySetValue AMark) {
  if (!AFrom.GetExplicitlySetVal().Contains(AMark)) return;
  TvnFontStyles styles = ATarget.GetFontStyle();
  if (AFrom.GetFontStyle().Contains(AStyle)) {
    styles.Include(AStyle);
  } else {
    styles.Exclude(AStyle);
  }
  ATarget.SetFontStyle(styles);
  TvnExplicitlySetValues marks = ATarget.GetExplicitlySetVal();
  marks.Include(AMark);
  ATarget.SetExplicitlySetVal(marks);
}

void ResolverMergeShading(TvnTableCellProperties& ATarget, const TvnTableCellProperties& AFrom) {
  if (AFrom.GetShadeApplied()) ATarget.SetFillColor(AFrom.GetFillColor());
}

void ResolverMergeMargins(TvnMargin& ATarget, const TvnMargin& AFrom) {
  if (AFrom.GetLeft() != kUnsetMarginSide) ATarget.SetLeft(AFrom.GetLeft());
  if (AFrom.GetTop() != kUnsetMarginSide) ATarget.SetTop(AFrom.GetTop());
  if (AFrom.GetRight() != kUnsetMarginSide) ATarget.SetRight(AFrom.GetRight());
  if (AFrom.GetBottom() != kUnsetMarginSide) ATarget.SetBottom(AFrom.GetBottom());
}

void ResolverZeroIfUnset(TvnParagraphProperties& AProps, int32_t (TvnParagraphProperties::*AGet)() const,
                         void (TvnParagraphProperties::*ASet)(int32_t)) {
  if ((AProps.*AGet)() == kUnsetValue) (AProps.*ASet)(0);
}

}  // namespace

// ---------------------------------------------------------------------------
// ResolverHooks

ResolverHooks::~ResolverHooks() = default;

ResolverHooks::NumberingResult ResolverHooks::NumberParagraph(TvnStylePropertyUpdater& AUpdater,
                                                              TvnParagraph& APara, TvnDocumentMediator* AMediator,
                                                              const TvnParagraphProperties& AMerged) {
  NumberingResult result;
  const TvnParagraphProperties* own = APara.GetParagraphProperties().get();
  if (AMediator == nullptr || own == nullptr) return result;
  const ListMembership membership = FindListMembership(*own, APara.GetCount() > 0, *AMediator);
  if (!membership.numbered) return result;
  const NumberLabel label =
      AdvanceListNumber(membership.number_id, membership.level, *AMediator, AUpdater.GetStateManager());
  if (label.level == nullptr) return result;
  const TvnNumberLevel& level = *label.level;

  if (const auto& levelProps = level.GetParagraphProperties()) {
    TvnStyle* style = AUpdater.ConstructStyles(levelProps->GetStyleID(), levelProps->GetStyleName());
    levelProps->SetStyle(style);
    result.LevelProperties = std::make_shared<TvnParagraphProperties>();
    if (style != nullptr) AUpdater.UpdateParaProp(result.LevelProperties.get(), style->GetParagraphProperties().get());
    AUpdater.UpdateParaProp(result.LevelProperties.get(), levelProps.get());
  }

  auto format = std::make_shared<TvnRunProperties>();
  if (TvnWordStyles* styles = AUpdater.GetWordStyles()) {
    AUpdater.UpdateRunProp(format.get(), styles->GetDocDefaultRunProperty().get());
  }
  AUpdater.UpdateRunProp(format.get(), AMerged.GetRunProperties().get());
  AUpdater.UpdateRunProp(format.get(), own->GetRunProperties().get());
  AUpdater.UpdateRunProp(format.get(), level.GetRunProperties().get());
  TvnDocItem* labelRun = APara.Insert(0, MakeNumberLabelRun(label.text, std::move(format)));
  labelRun->SetParent(&APara);
  result.LabelInserted = true;
  return result;
}

std::vector<TvnRun*> ResolverHooks::FieldResultRuns(TvnDocItem& AChild) {
  std::vector<TvnRun*> runs;
  const auto* field = dynamic_cast<const TvnField*>(&AChild);
  if (field == nullptr || field->GetResult() == nullptr) return runs;
  for (const auto& run : *field->GetResult()) {
    if (run) runs.push_back(run.get());
  }
  return runs;
}

// ---------------------------------------------------------------------------
// Styles

TvnStylePropertyUpdater::TvnStylePropertyUpdater(TvnWordStyles* AWordStyles)
    : FWordStyles(AWordStyles), FHooks(std::make_unique<ResolverHooks>()) {}

TvnStylePropertyUpdater::~TvnStylePropertyUpdater() = default;

void TvnStylePropertyUpdater::SetHooks(std::unique_ptr<ResolverHooks> Value) {
  FHooks = Value ? std::move(Value) : std::make_unique<ResolverHooks>();
}

TvnStyle* TvnStylePropertyUpdater::ConstructStyles(const String& AStyleID, const String& AStyleName) {
  if (FWordStyles == nullptr) return nullptr;
  String id = AStyleID;
  if (id.empty()) {
    const auto& names = FWordStyles->GetStyleNameToIDMapper();
    auto it = names.find(AStyleName);
    if (it != names.end()) id = it->second;
  }
  if (id.empty()) return nullptr;
  TvnStyle* style = FWordStyles->Find(id);
  if (style == nullptr) return nullptr;
  if (style->GetConstructedStyle() == nullptr) {
    auto copy = std::make_unique<TvnStyle>(style->GetStyleID());
    copy->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
    copy->SetRunProperties(std::make_shared<TvnRunProperties>());
    TvnStyle* target = copy.get();
    style->SetConstructedStyle(std::move(copy));
    UpdateStyles(target, style);
  }
  return style->GetConstructedStyle();
}

TvnTableStyle* TvnStylePropertyUpdater::ConstructTableStyle(const String& AStyleID) {
  if (AStyleID.empty() || FWordStyles == nullptr) return nullptr;
  TvnStyle* style = FWordStyles->Find(AStyleID);
  if (style == nullptr) throw vn::EListError("Item not found");
  if (style->GetConstructedStyle() == nullptr) {
    auto copy = std::make_unique<TvnTableStyle>(style->GetStyleID());
    copy->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
    copy->SetRunProperties(std::make_shared<TvnRunProperties>());
    copy->SetTableProperties(std::make_shared<TvnTableProperties>());
    TvnStyle* target = copy.get();
    style->SetConstructedStyle(std::move(copy));
    UpdateStyles(target, style);
  }
  return dynamic_cast<TvnTableStyle*>(style->GetConstructedStyle());
}

void TvnStylePropertyUpdater::UpdateStyles(TvnStyle* AStyle, const TvnStyle* AbasedOnStyle) const {
  std::set<const TvnStyle*> visited;
  UpdateStylesVisited(AStyle, AbasedOnStyle, visited);
}

void TvnStylePropertyUpdater::UpdateStylesVisited(TvnStyle* AStyle, const TvnStyle* AbasedOnStyle,
                                                  std::set<const TvnStyle*>& AVisited) const {
  if (AStyle == nullptr || AbasedOnStyle == nullptr) return;
  // A style met again on its own BasedOn chain ends the chain there.
  if (!AVisited.insert(AbasedOnStyle).second) return;
  if (!AbasedOnStyle->GetBasedOn().empty() && FWordStyles != nullptr) {
    UpdateStylesVisited(AStyle, FWordStyles->Find(AbasedOnStyle->GetBasedOn()), AVisited);
  }
  CopyStyleProp(AStyle, AbasedOnStyle);
}

void TvnStylePropertyUpdater::CopyStyleProp(TvnStyle* AStyle, const TvnStyle* AfromStyle) const {
  if (AStyle == nullptr || AfromStyle == nullptr) return;
  UpdateParaProp(AStyle->GetParagraphProperties().get(), AfromStyle->GetParagraphProperties().get());
  UpdateRunProp(AStyle->GetRunProperties().get(), AfromStyle->GetRunProperties().get());
  auto* tableTarget = dynamic_cast<TvnTableStyle*>(AStyle);
  const auto* tableFrom = dynamic_cast<const TvnTableStyle*>(AfromStyle);
  if (tableTarget != nullptr && tableFrom != nullptr) UpdateTableStyle(tableTarget, tableFrom);
}

// ---------------------------------------------------------------------------
// Merging one layer

void TvnStylePropertyUpdater::UpdateParaProp(TvnParagraphProperties* AparaProp,
                                             const TvnParagraphProperties* AfromParaProp) const {
  if (AparaProp == nullptr || AfromParaProp == nullptr) return;
  TvnParagraphProperties& to = *AparaProp;
  const TvnParagraphProperties& from = *AfromParaProp;
  // Only a layer that states an alignment changes it.
  if (from.GetExplicitlySetParaProperties().Contains(TvnExplicitlySetParaProperty::espHAlignment)) {
    to.SetHAlignment(from.GetHAlignment());
  }
  if (from.GetSpaceAfter() != kUnsetValue) to.SetSpaceAfter(from.GetSpaceAfter());
  if (from.GetSpaceBefore() != kUnsetValue) to.SetSpaceBefore(from.GetSpaceBefore());
  if (from.GetLineSpacing() != kUnsetValue) to.SetLineSpacing(from.GetLineSpacing());
  if (from.GetLineSpacingRule() != TvnSpacingRule::srAuto) to.SetLineSpacingRule(from.GetLineSpacingRule());
  if (from.GetFirstLineIndent() != kUnsetValue) to.SetFirstLineIndent(from.GetFirstLineIndent());
  if (from.GetLeftIndent() != kUnsetValue) to.SetLeftIndent(from.GetLeftIndent());
  if (from.GetRightIndent() != kUnsetValue) to.SetRightIndent(from.GetRightIndent());
  if (from.GetHanging() != kUnsetValue) to.SetHanging(from.GetHanging());
  to.SetNumberLevel(from.GetNumberLevel());
  to.SetNumberID(from.GetNumberID());
  if (from.GetContextualSpace()) to.SetContextualSpace(true);
  if (from.GetPageBreakBefore()) to.SetPageBreakBefore(true);
  for (const auto& tab : from.GetTabs()) to.GetTabs().push_back(tab);
}

void TvnStylePropertyUpdater::UpdateRunProp(TvnRunProperties* ARunProp, const TvnRunProperties* AfromRunProp) const {
  if (ARunProp == nullptr || AfromRunProp == nullptr) return;
  TvnRunProperties& to = *ARunProp;
  const TvnRunProperties& from = *AfromRunProp;
  if (from.GetTextAlignment() != TvnTextAlignment::taBaseline) to.SetTextAlignment(from.GetTextAlignment());
  TvnExplicitlySetValues marks = to.GetExplicitlySetVal();
  if (from.GetExplicitlySetVal().Contains(TvnExplicitlySetValue::esvTextColor)) {
    to.GetBrush()->SetColor(from.GetBrush()->GetColor());
    marks.Include(TvnExplicitlySetValue::esvTextColor);
  }
  if (!from.GetFontName().empty()) to.SetFontName(from.GetFontName());
  if (!from.GetCS().empty()) to.SetCS(from.GetCS());
  if (!from.GetEastAsia().empty()) to.SetEastAsia(from.GetEastAsia());
  if (!from.GetANSI().empty()) to.SetANSI(from.GetANSI());
  if (!from.GetASCII().empty()) to.SetASCII(from.GetASCII());
  if (from.GetExplicitlySetVal().Contains(TvnExplicitlySetValue::esvFontSize)) {
    to.SetFontSize(from.GetFontSize());
    marks.Include(TvnExplicitlySetValue::esvFontSize);
  }
  to.SetExplicitlySetVal(marks);
  if (from.GetInterCharSpace() != 0) to.SetInterCharSpace(from.GetInterCharSpace());
  // Bold, italic, strike-out and underline: only a layer that states them
  // turns them on or off.
  ResolverMergeMarkedStyle(to, from, TvnFontStyle::fsBold, TvnExplicitlySetValue::esvBold);
  if (from.GetIsHighLightColor()) to.SetHighLightColor(from.GetHighLightColor());
  ResolverMergeMarkedStyle(to, from, TvnFontStyle::fsItalic, TvnExplicitlySetValue::esvItalic);
  ResolverMergeMarkedStyle(to, from, TvnFontStyle::fsStrikeOut, TvnExplicitlySetValue::esvStrikeOut);
  ResolverMergeMarkedStyle(to, from, TvnFontStyle::fsUnderline, TvnExplicitlySetValue::esvUnderline);
  if (from.GetWordSpace() != 0) to.SetWordSpace(from.GetWordSpace());
  if (from.GetCaps()) to.SetCaps(true);
}

void TvnStylePropertyUpdater::UpdateTableProp(TvnTableProperties* ATarget, const TvnTableProperties* AFrom) const {
  if (ATarget == nullptr || AFrom == nullptr) return;
  TvnTableProperties& to = *ATarget;
  const TvnTableProperties& from = *AFrom;
  for (const auto& [side, border] : from.GetBorders()) to.GetBorders()[side] = border;
  if (from.GetShadeApplied()) to.SetFillColor(from.GetFillColor());
  if (from.GetMargins() != nullptr) {
    if (to.GetMargins() == nullptr) to.SetMargins(std::make_unique<TvnMargin>());
    ResolverMergeMargins(*to.GetMargins(), *from.GetMargins());
  }
  if (!from.GetStyleID().empty()) to.SetStyleID(from.GetStyleID());
  for (const auto& [region, on] : from.GetLook()) to.GetLook()[region] = on;
  if (!from.GetTableCaption().empty()) to.SetTableCaption(from.GetTableCaption());
  if (from.GetTableAlignment() != TvnHAlignment::haLeft) to.SetTableAlignment(from.GetTableAlignment());
  if (from.GetTableWidth() != 0) {
    to.SetTableWidth(from.GetTableWidth());
    to.SetWidthType(from.GetWidthType());
  }
  if (from.GetIndent() != 0) to.SetIndent(from.GetIndent());
  if (from.GetIsFloatingTable()) {
    to.SetIsFloatingTable(true);
    to.SetHorizontalAnchor(from.GetHorizontalAnchor());
    to.SetVerticalAnchor(from.GetVerticalAnchor());
    to.SetXPos(from.GetXPos());
    to.SetYPos(from.GetYPos());
  }
}

void TvnStylePropertyUpdater::UpdateTableRowProp(TvnTableRowProperties* ATarget,
                                                 const TvnTableRowProperties* AFrom) const {
  if (ATarget == nullptr || AFrom == nullptr) return;
  TvnTableRowProperties& to = *ATarget;
  const TvnTableRowProperties& from = *AFrom;
  if (from.GetHeight() > 0) {
    to.SetHeight(from.GetHeight());
    to.SetHeightSpacingRule(from.GetHeightSpacingRule());
  }
  if (from.GetCantSplit()) to.SetCantSplit(true);
  if (from.GetGridBefore() > 0) to.SetGridBefore(from.GetGridBefore());
  if (from.GetGridAfter() > 0) to.SetGridAfter(from.GetGridAfter());
  if (from.GetTableRowAlignment() != TvnHAlignment::haLeft) to.SetTableRowAlignment(from.GetTableRowAlignment());
  if (from.GetCellSpacing() > 0) {
    to.SetCellSpacing(from.GetCellSpacing());
    to.SetCellSpacingRule(from.GetCellSpacingRule());
  }
  if (from.GetIsHeader()) to.SetIsHeader(true);
  for (const auto& [region, on] : from.GetCNFStyles()) to.GetCNFStyles()[region] = on;
}

void TvnStylePropertyUpdater::UpdateTableCellProp(TvnTableCellProperties* ATarget,
                                                  const TvnTableCellProperties* AFrom) const {
  if (ATarget == nullptr || AFrom == nullptr) return;
  TvnTableCellProperties& to = *ATarget;
  const TvnTableCellProperties& from = *AFrom;
  if (from.GetWidth() != 0) {
    to.SetWidth(from.GetWidth());
    to.SetWidthType(from.GetWidthType());
  }
  if (from.GetTextDirection() != TvnTextDirection::tdLeftToRight) to.SetTextDirection(from.GetTextDirection());
  if (from.GetCellVerticalAlignment() != TvnVAlignment::vaTop) {
    to.SetCellVerticalAlignment(from.GetCellVerticalAlignment());
  }
  if (from.GetVMergeCells() != TvnMergeCellsOption::mcoNone) to.SetVMergeCells(from.GetVMergeCells());
  if (from.GetGridSpan() != 1) to.SetGridSpan(from.GetGridSpan());
  if (from.GetFitWidth()) to.SetFitWidth(true);
  if (from.GetNowrap()) to.SetNowrap(true);
  for (const auto& [region, on] : from.GetCNFStyles()) to.GetCNFStyles()[region] = on;
  ResolverMergeShading(to, from);
  if (from.GetCellMargins() != nullptr) {
    if (to.GetCellMargins() == nullptr) {
      auto margins = std::make_unique<TvnMargin>();
      margins->SetLeft(kUnsetMarginSide);
      margins->SetTop(kUnsetMarginSide);
      margins->SetRight(kUnsetMarginSide);
      margins->SetBottom(kUnsetMarginSide);
      to.SetCellMargins(std::move(margins));
    }
    ResolverMergeMargins(*to.GetCellMargins(), *from.GetCellMargins());
  }
  for (const auto& [side, border] : from.GetBorders()) to.GetBorders()[side] = border;
}

void TvnStylePropertyUpdater::UpdateTableStyle(TvnTableStyle* ATarget, const TvnTableStyle* AFrom) const {
  if (ATarget == nullptr || AFrom == nullptr) return;
  if (AFrom->GetTableProperties()) {
    if (!ATarget->GetTableProperties()) ATarget->SetTableProperties(std::make_shared<TvnTableProperties>());
    UpdateTableProp(ATarget->GetTableProperties().get(), AFrom->GetTableProperties().get());
  }
  if (AFrom->GetTableRowProperties()) {
    if (!ATarget->GetTableRowProperties()) ATarget->SetTableRowProperties(std::make_shared<TvnTableRowProperties>());
    UpdateTableRowProp(ATarget->GetTableRowProperties().get(), AFrom->GetTableRowProperties().get());
  }
  if (AFrom->GetTableCellProperties()) {
    if (!ATarget->GetTableCellProperties()) {
      ATarget->SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
    }
    UpdateTableCellProp(ATarget->GetTableCellProperties().get(), AFrom->GetTableCellProperties().get());
  }
  for (const auto& [region, conditional] : AFrom->GetConditionalStyles()) {
    ATarget->GetConditionalStyles()[region] = conditional;
  }
}

bool TvnStylePropertyUpdater::UpdateParaPropFromTable(TvnTableRegions ARegion, TvnParagraphProperties* App,
                                                      TvnBorderTable*, const TvnTableStyle* ATblStyle,
                                                      TvnTableCellProperties* AcellProp, const TvnTableCell* ACell,
                                                      const TvnTableRowProperties* ArowProp,
                                                      const TvnTable* ATbl) const {
  try {
    if (ATbl == nullptr || !ATbl->GetTableProperties() || ATblStyle == nullptr || App == nullptr) return false;
    if (!ResolverRegionOn(ATbl->GetTableProperties()->GetLook(), ARegion)) return false;
    auto conditionalIt = ATblStyle->GetConditionalStyles().find(ARegion);
    if (conditionalIt == ATblStyle->GetConditionalStyles().end() || !conditionalIt->second) return false;
    const TvnTableCellProperties* cellProps = ACell ? ACell->GetTableCellProperties().get() : nullptr;
    // The row or the cell must belong to the region (an entry saying false
    // does not count).
    bool inRegion = (ArowProp != nullptr && ResolverRegionOn(ArowProp->GetCNFStyles(), ARegion)) ||
                    (cellProps != nullptr && ResolverRegionOn(cellProps->GetCNFStyles(), ARegion));
    if (!inRegion) return false;
    const TvnConditionalTableStyle& conditional = *conditionalIt->second;
    UpdateParaProp(App, conditional.GetParagraphProperties().get());
    UpdateRunProp(App->GetRunProperties().get(), conditional.GetRunProperties().get());
    bool cellMerged = cellProps != nullptr && cellProps->GetIsPropertyUpdated();
    if (!cellMerged && conditional.GetTableCellProperties()) {
      UpdateTableCellProp(AcellProp, conditional.GetTableCellProperties().get());
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// ---------------------------------------------------------------------------
// Runs

std::shared_ptr<TvnRunProperties> TvnStylePropertyUpdater::ApplyPropertiesToRun(TvnDocumentMediator* AMediator,
                                                                                const TvnParagraphProperties* App,
                                                                                TvnRun* ARun) {
  if (ARun == nullptr) return nullptr;
  auto resolved = std::make_shared<TvnRunProperties>();
  TvnRunProperties* own = ARun->GetRunProperties().get();
  if (FWordStyles != nullptr) {
    UpdateRunProp(resolved.get(), FWordStyles->GetDocDefaultRunProperty().get());
    TvnStyle* defaultChar = FWordStyles->GetDefaultStyle(TvnStyleType::stCharecter);
    if ((own == nullptr || own->GetStyleID().empty()) && defaultChar != nullptr) {
      UpdateRunProp(resolved.get(), defaultChar->GetRunProperties().get());
    }
  }
  if (App != nullptr) UpdateRunProp(resolved.get(), App->GetRunProperties().get());
  if (!ARun->GetFinalRunProperties()) ARun->SetFinalRunProperties(std::make_shared<TvnRunProperties>());
  if (own != nullptr && !own->GetStyleID().empty()) {
    // The character style is merged each time the run is resolved, also
    // when an earlier resolution already stored it on the run.
    TvnStyle* charStyle = ConstructStyles(own->GetStyleID(), own->GetStyleName());
    if (own->GetStyle() == nullptr) ARun->GetFinalRunProperties()->SetStyle(charStyle);
    if (charStyle != nullptr) UpdateRunProp(resolved.get(), charStyle->GetRunProperties().get());
  }
  UpdateRunProp(resolved.get(), own);
  if (AMediator != nullptr) resolved->SetFontPool(&AMediator->GetGDIFontPool());
  if (resolved->GetFontSize() == kUnsetValue) resolved->SetFontSize(kResolverDefaultFontSize);

  String key = resolved->GetFontName().empty() ? String(kResolverDefaultFontKey)
                                                : resolved->GetFontName() + vn::IntToStr(resolved->GetFontSize());
  auto font = std::make_shared<TvnFont>();
  TvnFontPool* pool = AMediator != nullptr ? &AMediator->GetFontPool() : nullptr;
  auto pooled = pool != nullptr ? pool->find(key) : TvnFontPool::iterator();
  if (pool != nullptr && pooled != pool->end() && pooled->second) {
    font->SetName(pooled->second->GetName());
  } else {
    font->SetName(resolved->GetFontName().empty() ? String(kResolverDefaultFontName) : resolved->GetFontName());
    if (pool != nullptr) {
      auto copy = std::make_unique<TvnFont>();
      copy->Assign(font.get());
      copy->SetSize(resolved->GetFontSize());
      (*pool)[key] = std::move(copy);
    }
  }
  font->SetSize(resolved->GetFontSize());
  font->SetStyle(resolved->GetFontStyle());
  resolved->SetFont(std::move(font));
  ARun->SetFinalRunProperties(resolved);
  return resolved;
}

// ---------------------------------------------------------------------------
// Paragraphs

struct TvnStylePropertyUpdater::ParagraphContext {
  TvnParagraph& Para;
  // What the reader found on the paragraph; may be null.
  TvnParagraphProperties* Own;
  // The paragraph's properties as merged so far.
  std::shared_ptr<TvnParagraphProperties> Merged;
};

void TvnStylePropertyUpdater::MergeDefaultStyleLayer(ParagraphContext& AContext) const {
  const TvnParagraphProperties* own = AContext.Own;
  bool namesStyle = own != nullptr && (!own->GetStyleID().empty() || !own->GetStyleName().empty());
  if (namesStyle) return;
  TvnStyle* defaultPara = FWordStyles->GetDefaultStyle(TvnStyleType::stParagraph);
  if (defaultPara == nullptr) return;
  UpdateParaProp(AContext.Merged.get(), defaultPara->GetParagraphProperties().get());
  UpdateRunProp(AContext.Merged->GetRunProperties().get(), defaultPara->GetRunProperties().get());
}

void TvnStylePropertyUpdater::MergeTableLayer(ParagraphContext& AContext, TvnTableCell* ACell, TvnTableRow* ARow,
                                              TvnTable* ATbl) {
  TvnTableProperties* tableProps = ATbl->GetTableProperties().get();
  if (tableProps == nullptr) return;
  if (tableProps->GetStyleID().empty() && !tableProps->GetStyleName().empty()) {
    const auto& names = FWordStyles->GetStyleNameToIDMapper();
    auto it = names.find(tableProps->GetStyleName());
    if (it != names.end()) tableProps->SetStyleID(it->second);
  }
  if (tableProps->GetStyleID().empty() || !FWordStyles->StyleExists(tableProps->GetStyleID())) return;

  auto cellProps = std::make_shared<TvnTableCellProperties>();
  TvnBorderTable borders;
  TvnTableStyle* resolved = ConstructTableStyle(tableProps->GetStyleID());
  if (resolved == nullptr) return;

  auto merged = std::make_shared<TvnTableProperties>();
  UpdateTableProp(merged.get(), resolved->GetTableProperties().get());
  UpdateTableProp(merged.get(), tableProps);
  ATbl->SetTableProperties(merged);

  TvnTableCellProperties* cellOwn = ACell ? ACell->GetTableCellProperties().get() : nullptr;
  bool cellMerged = cellOwn != nullptr && cellOwn->GetIsPropertyUpdated();
  if (!resolved->GetConditionalStyles().empty()) {
    UpdateParaProp(AContext.Merged.get(), resolved->GetParagraphProperties().get());
    UpdateRunProp(AContext.Merged->GetRunProperties().get(), resolved->GetRunProperties().get());
    const TvnTableRowProperties* rowProps = ARow ? ARow->GetTableRowProperties().get() : nullptr;
    for (TvnTableRegions region : kResolverRegionOrder) {
      UpdateParaPropFromTable(region, AContext.Merged.get(), &borders, resolved, cellProps.get(), ACell, rowProps,
                              ATbl);
    }
    if (ACell != nullptr && !cellMerged) {
      UpdateTableCellProp(cellProps.get(), cellOwn);
      ACell->SetTableCellProperties(cellProps);
    }
  }
  // Later paragraphs of the same cell do not merge the cell again.
  if (ACell != nullptr && ACell->GetTableCellProperties()) ACell->GetTableCellProperties()->SetIsPropertyUpdated(true);
}

void TvnStylePropertyUpdater::MergeParagraphStyleLayer(ParagraphContext& AContext) {
  if (AContext.Own == nullptr) return;
  TvnStyle* style = ConstructStyles(AContext.Own->GetStyleID(), AContext.Own->GetStyleName());
  AContext.Own->SetStyle(style);
  if (style == nullptr) return;
  UpdateParaProp(AContext.Merged.get(), style->GetParagraphProperties().get());
  UpdateRunProp(AContext.Merged->GetRunProperties().get(), style->GetRunProperties().get());
}

void TvnStylePropertyUpdater::MergeOwnLayers(ParagraphContext& AContext, const TvnParagraphProperties* ALevel) const {
  UpdateParaProp(AContext.Merged.get(), ALevel);
  UpdateParaProp(AContext.Merged.get(), AContext.Own);
  if (AContext.Own != nullptr) {
    UpdateRunProp(AContext.Merged->GetRunProperties().get(), AContext.Own->GetRunProperties().get());
  }
}

void TvnStylePropertyUpdater::ResolveChildren(ParagraphContext& AContext, TvnDocumentMediator* AMediator,
                                              bool ASkipFirst) {
  TvnParagraph& para = AContext.Para;
  if (para.GetCount() == 0) {
    // An empty paragraph draws only its mark: the defaults lie beneath what
    // its styles and its own properties say.
    auto mark = std::make_shared<TvnRunProperties>();
    UpdateRunProp(mark.get(), FWordStyles->GetDocDefaultRunProperty().get());
    if (TvnStyle* defaultPara = FWordStyles->GetDefaultStyle(TvnStyleType::stParagraph)) {
      UpdateRunProp(mark.get(), defaultPara->GetRunProperties().get());
    }
    if (TvnStyle* defaultChar = FWordStyles->GetDefaultStyle(TvnStyleType::stCharecter)) {
      UpdateRunProp(mark.get(), defaultChar->GetRunProperties().get());
    }
    UpdateRunProp(mark.get(), AContext.Merged->GetRunProperties().get());
    AContext.Merged->SetRunProperties(mark);
    return;
  }
  const auto& items = para.GetItems();
  for (size_t i = ASkipFirst ? 1 : 0; i < items.size(); ++i) {
    TvnDocItem* child = items[i].get();
    if (child == nullptr) continue;
    if (auto* run = dynamic_cast<TvnRun*>(child)) {
      ApplyPropertiesToRun(AMediator, AContext.Merged.get(), run);
      continue;
    }
    for (TvnRun* resultRun : FHooks->FieldResultRuns(*child)) {
      ApplyPropertiesToRun(AMediator, AContext.Merged.get(), resultRun);
    }
  }
}

void TvnStylePropertyUpdater::FinishParagraph(ParagraphContext& AContext, TvnDocumentMediator* AMediator) const {
  TvnParagraphProperties& merged = *AContext.Merged;
  AContext.Para.SetFinalParagraphProperties(AContext.Merged);
  merged.SetStyleID(AContext.Own ? AContext.Own->GetStyleID() : String());
  merged.SetDefaultTabStop(AMediator ? AMediator->GetDefaultTabStop() : 0);
  using P = TvnParagraphProperties;
  ResolverZeroIfUnset(merged, &P::GetHanging, &P::SetHanging);
  ResolverZeroIfUnset(merged, &P::GetLeftIndent, &P::SetLeftIndent);
  ResolverZeroIfUnset(merged, &P::GetSpaceAfter, &P::SetSpaceAfter);
  ResolverZeroIfUnset(merged, &P::GetSpaceBefore, &P::SetSpaceBefore);
  ResolverZeroIfUnset(merged, &P::GetRightIndent, &P::SetRightIndent);
  ResolverZeroIfUnset(merged, &P::GetFirstLineIndent, &P::SetFirstLineIndent);
  ResolverZeroIfUnset(merged, &P::GetLineSpacing, &P::SetLineSpacing);
  if (AContext.Own != nullptr && !AContext.Own->GetStyleID().empty()) {
    if (TvnStyle* named = FWordStyles->Find(AContext.Own->GetStyleID())) {
      AContext.Own->SetStyleName(named->GetStyleName());
    }
  }
}

void TvnStylePropertyUpdater::ShareRunPropertiesWithText(TvnParagraph& APara, bool ASkipFirst) const {
  auto shareWithText = [](TvnRun& ARun) {
    for (const auto& item : ARun.GetItems()) {
      if (auto* text = dynamic_cast<TvnTextitem*>(item.get())) text->SetRunProperties(ARun.GetFinalRunProperties());
    }
  };
  const auto& items = APara.GetItems();
  for (size_t i = ASkipFirst ? 1 : 0; i < items.size(); ++i) {
    TvnDocItem* child = items[i].get();
    if (child == nullptr) continue;
    if (auto* run = dynamic_cast<TvnRun*>(child)) {
      shareWithText(*run);
      continue;
    }
    for (TvnRun* resultRun : FHooks->FieldResultRuns(*child)) shareWithText(*resultRun);
  }
}

void TvnStylePropertyUpdater::ApplyStyleHierarchy(TvnParagraph* APara, TvnDocumentMediator* AMediator,
                                                  TvnTableCell* ACurrentCell, TvnTableRow* ACurrentRow,
                                                  TvnTable* ATbl) {
  if (APara == nullptr || FWordStyles == nullptr) return;
  try {
    ParagraphContext context{*APara, APara->GetParagraphProperties().get(),
                             std::make_shared<TvnParagraphProperties>()};
    UpdateParaProp(context.Merged.get(), FWordStyles->GetDocDefaultParagraphProperty().get());
    MergeDefaultStyleLayer(context);
    if (ATbl != nullptr) MergeTableLayer(context, ACurrentCell, ACurrentRow, ATbl);
    MergeParagraphStyleLayer(context);
    ResolverHooks::NumberingResult numbering = FHooks->NumberParagraph(*this, *APara, AMediator, *context.Merged);
    MergeOwnLayers(context, numbering.LevelProperties.get());
    ResolveChildren(context, AMediator, numbering.LabelInserted);
    FinishParagraph(context, AMediator);
    ShareRunPropertiesWithText(*APara, numbering.LabelInserted);
  } catch (const std::exception&) {
    // The paragraph keeps what was resolved before the error.
  }
}

}  // namespace vn::wordmodel
