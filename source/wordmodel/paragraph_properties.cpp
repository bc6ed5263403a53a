#include "wordmodel/paragraph_properties.h"

#include "wordmodel/style.h"

namespace vn::wordmodel {

std::unique_ptr<TvnTab> TvnTab::Clone() const {
  auto copy = std::make_unique<TvnTab>();
  copy->FleadingChar = FleadingChar;
  copy->FPosition = FPosition;
  copy->FTabStopValue = FTabStopValue;
  return copy;
}

TvnParagraphProperties::TvnParagraphProperties() : FRunProperties(std::make_shared<TvnRunProperties>()) {}

TvnParagraphProperties::~TvnParagraphProperties() = default;

void TvnParagraphProperties::SetHAlignment(TvnHAlignment Value) {
  FHAlignment = Value;
  FExplicitlySetParaProperties.Include(TvnExplicitlySetParaProperty::espHAlignment);
}

void TvnParagraphProperties::SetStyle(TvnStyle* Value) {
  FStyle = Value;
  if (Value == nullptr) return;
  FStyleID = Value->GetStyleID();
  FStyleName = Value->GetStyleName();
}

void TvnParagraphProperties::Assign(const TvnParagraphProperties* ASource, TvnParagraphProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  ADest->SetAfterAutoSpacing(ASource->GetAfterAutoSpacing());
  ADest->SetContextualSpace(ASource->GetContextualSpace());
  ADest->SetDefaultTabStop(ASource->GetDefaultTabStop());
  ADest->SetExplicitlySetParaProperties(ASource->GetExplicitlySetParaProperties());
  ADest->SetFirstLineIndent(ASource->GetFirstLineIndent());
  ADest->SetHAlignment(ASource->GetHAlignment());
  ADest->SetHanging(ASource->GetHanging());
  ADest->SetKeepLinesTogetherInSamePage(ASource->GetKeepLinesTogetherInSamePage());
  ADest->SetLeftIndent(ASource->GetLeftIndent());
  ADest->SetLineSpacing(ASource->GetLineSpacing());
  ADest->SetLineSpacingRule(ASource->GetLineSpacingRule());
  ADest->SetNumberID(ASource->GetNumberID());
  ADest->SetNumberLevel(ASource->GetNumberLevel());
  ADest->SetPageBreakBefore(ASource->GetPageBreakBefore());
  if (ASource->FParaBorder) ADest->FParaBorder = ASource->FParaBorder->Clone();
  ADest->SetRightIndent(ASource->GetRightIndent());
  ADest->FRunProperties = ASource->FRunProperties ? std::shared_ptr(ASource->FRunProperties->Clone())
                                                  : std::make_shared<TvnRunProperties>();
  ADest->SetSpaceAfter(ASource->GetSpaceAfter());
  ADest->SetSpaceBefore(ASource->GetSpaceBefore());
  ADest->SetStyleID(ASource->GetStyleID());
  ADest->SetStyleName(ASource->GetStyleName());
  ADest->SetVAlignment(ASource->GetVAlignment());
  if (!ASource->FTabs.empty()) {
    ADest->FTabs.clear();
    for (const auto& tab : ASource->FTabs) ADest->FTabs.push_back(tab ? std::shared_ptr(tab->Clone()) : nullptr);
  }
}

std::unique_ptr<TvnParagraphProperties> TvnParagraphProperties::Clone() const {
  auto copy = std::make_unique<TvnParagraphProperties>();
  Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
