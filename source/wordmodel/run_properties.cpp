#include "wordmodel/run_properties.h"

#include "wordmodel/style.h"

namespace vn::wordmodel {

TvnRunProperties::TvnRunProperties() = default;
TvnRunProperties::~TvnRunProperties() = default;

void TvnRunProperties::SetFont(std::shared_ptr<TvnFont> Value) {
  if (Value) FFont = std::move(Value);
}

void TvnRunProperties::SetStyle(TvnStyle* Value) {
  FStyle = Value;
  if (Value == nullptr) return;
  FStyleID = Value->GetStyleID();
  FStyleName = Value->GetStyleName();
}

void TvnRunProperties::SetHighLightColor(TvnRGBColor Value) {
  FHighLightColor = Value;
  FIsHighLightColor = true;
}

void TvnRunProperties::SetFontName(const String& Value) {
  FFontName = Value;
  FANSI = Value;
  FASCII = Value;
}

void TvnRunProperties::Assign(const TvnRunProperties* ASource, TvnRunProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  ADest->SetCaps(ASource->GetCaps());
  ADest->SetANSI(ASource->GetANSI());
  ADest->SetASCII(ASource->GetASCII());
  ADest->FBrush = TvnBrush();
  ADest->FBrush.Assign(&ASource->FBrush);
  ADest->SetCS(ASource->GetCS());
  ADest->SetEastAsia(ASource->GetEastAsia());
  ADest->SetExplicitlySetVal(ASource->GetExplicitlySetVal());
  auto font = std::make_shared<TvnFont>();
  if (ASource->FFont) font->Assign(ASource->FFont.get());
  ADest->FFont = std::move(font);
  ADest->SetFontName(ASource->GetFontName());
  ADest->SetFontPool(ASource->GetFontPool());
  ADest->SetGDIFont(ASource->GetGDIFont());
  ADest->SetFontSize(ASource->GetFontSize());
  ADest->SetFontStyle(ASource->GetFontStyle());
  ADest->SetHidden(ASource->GetHidden());
  ADest->SetHighLightColor(ASource->GetHighLightColor());
  ADest->SetIsHighLightColor(ASource->GetIsHighLightColor());
  ADest->SetInterCharSpace(ASource->GetInterCharSpace());
  ADest->SetStyle(ASource->GetStyle());
  ADest->SetStyleID(ASource->GetStyleID());
  ADest->SetTab(ASource->GetTab());
  ADest->SetTextAlignment(ASource->GetTextAlignment());
  ADest->SetUnderlinePosition(ASource->GetUnderlinePosition());
  ADest->SetUnderlineThickness(ASource->GetUnderlineThickness());
  ADest->SetWordSpace(ASource->GetWordSpace());
  if (ASource->FRunBorder) ADest->FRunBorder = ASource->FRunBorder->Clone();
}

std::unique_ptr<TvnRunProperties> TvnRunProperties::Clone() const {
  auto copy = std::make_unique<TvnRunProperties>();
  Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
