#include "wordmodel/text_item.h"

#include "framework/canvas.h"
#include "runtime/numbers.h"
#include "runtime/scope_exit.h"

namespace vn::wordmodel {

TvnTextitem::TvnTextitem() = default;

TvnTextitem::TvnTextitem(const String& AString, std::shared_ptr<TvnRunProperties> ARunProperties)
    : FText(AString), FRunProperties(std::move(ARunProperties)) {}

TvnTextitem::~TvnTextitem() = default;

std::unique_ptr<TvnDocItem> TvnTextitem::Clone() const {
  auto copy = std::make_unique<TvnTextitem>();
  TvnDocItem::Assign(this, copy.get());
  copy->FActualString = FActualString;
  copy->FbaseLineOffset = FbaseLineOffset;
  copy->FDrawUnderlineAsALine = FDrawUnderlineAsALine;
  copy->FNeedRecalculation = FNeedRecalculation;
  copy->FPixelGapForSuperscriptAndSubscript = FPixelGapForSuperscriptAndSubscript;
  copy->FPreserveSpaces = FPreserveSpaces;
  if (FRunProperties) copy->FRunProperties = FRunProperties->Clone();
  copy->FText = FText;
  copy->SetPageNumber(GetPageNumber());
  copy->Fline = CloneOrNull(Fline.get());
  CloneTagInto(*this, *copy);
  return copy;
}

void TvnTextitem::Draw(TvnBaseCanvas* ACanvas) {
  if (ACanvas == nullptr) return;
  const TRect box = GetBoundingRect();
  int32_t left = box.Left;
  const int32_t top = box.Top;
  if (!FRunProperties) FRunProperties = std::make_shared<TvnRunProperties>();
  TvnRunProperties& properties = *FRunProperties;

  TvnPen pen;
  pen.SetColor(properties.GetBrush()->GetColor());
  TvnBrush brush;
  brush.SetColor(properties.GetHighLightColor());

  if (properties.GetFont() == nullptr) {
    auto font = std::make_shared<TvnFont>();
    font->SetName(u"Arial");
    font->SetSize(10);
    properties.SetFont(std::move(font));
  }
  TvnFont& font = *properties.GetFont();
  const int32_t size = font.GetSize();
  const TvnFontStyles styles = font.GetStyle();
  TvnFont* previousFont = ACanvas->GetFont();

  ACanvas->SetPen(&pen);
  ACanvas->SetBrush(&brush);
  ACanvas->SetFont(&font);
  vn::ScopeExit restore([&] {
    font.SetStyle(styles);
    font.SetSize(size);
    ACanvas->SetFont(previousFont);
    ACanvas->SetPen(nullptr);
    ACanvas->SetBrush(nullptr);
  });

  const TvnTextAlignment alignment = properties.GetTextAlignment();
  if (alignment == TvnTextAlignment::taSuperscript || alignment == TvnTextAlignment::taSubscript) {
    font.SetSize(vn::RoundToInt(size / 1.5));
    left = static_cast<int32_t>(static_cast<int64_t>(left) + FPixelGapForSuperscriptAndSubscript);
  }
  if (FDrawUnderlineAsALine && styles.Contains(TvnFontStyle::fsUnderline)) {
    font.SetStyle(TvnFontStyles(styles).Exclude(TvnFontStyle::fsUnderline));
  }
  ACanvas->DrawString(FText, left, top, properties.GetIsHighLightColor());
  if (Fline && FDrawUnderlineAsALine) Fline->Draw(ACanvas);
}

}  // namespace vn::wordmodel
