#include "wordmodel/style.h"

namespace vn::wordmodel {

TvnStyle::TvnStyle(const String& AStyleID) : FStyleID(AStyleID) {}

TvnStyle::TvnStyle(std::shared_ptr<TvnParagraphProperties> AParagraphProperties)
    : FParagraphProperties(std::move(AParagraphProperties)) {}

TvnStyle::TvnStyle(std::shared_ptr<TvnRunProperties> ARunProperties) : FRunProperties(std::move(ARunProperties)) {}

TvnStyle::~TvnStyle() = default;

void TvnStyle::Assign(const TvnStyle* ASource, TvnStyle* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  if (ASource->FParagraphProperties) ADest->FParagraphProperties = ASource->FParagraphProperties->Clone();
  if (ASource->FRunProperties) ADest->FRunProperties = ASource->FRunProperties->Clone();
  ADest->FBasedOn = ASource->FBasedOn;
  ADest->FDefaultStyle = ASource->FDefaultStyle;
  ADest->FLink = ASource->FLink;
  ADest->FNext = ASource->FNext;
  ADest->FStyleID = ASource->FStyleID;
  ADest->FStyleName = ASource->FStyleName;
  ADest->FStyleType = ASource->FStyleType;
}

std::unique_ptr<TvnStyle> TvnStyle::Clone() const {
  auto copy = std::make_unique<TvnStyle>(FStyleID);
  copy->Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
