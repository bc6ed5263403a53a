#include "wordmodel/shape_properties.h"

namespace vn::wordmodel {

void TvnLineProperties::Assign(const TvnLineProperties* ASource, TvnLineProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->FSolidFill = ASource->FSolidFill;
  ADest->FWidth = ASource->FWidth;
}

std::unique_ptr<TvnLineProperties> TvnLineProperties::Clone() const {
  auto copy = std::make_unique<TvnLineProperties>();
  Assign(this, copy.get());
  return copy;
}

TvnShapeProperties::TvnShapeProperties() = default;
TvnShapeProperties::~TvnShapeProperties() = default;

void TvnShapeProperties::Assign(const TvnShapeProperties* ASource, TvnShapeProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr || ASource == ADest) return;
  ADest->FOffsetX = ASource->FOffsetX;
  ADest->FOffsetY = ASource->FOffsetY;
  ADest->FExtentX = ASource->FExtentX;
  ADest->FExtentY = ASource->FExtentY;
  ADest->FSolidFill = ASource->FSolidFill;
  ADest->FLineProperties = CloneOrNull(ASource->FLineProperties.get());
}

std::unique_ptr<TvnShapeProperties> TvnShapeProperties::Clone() const {
  auto copy = std::make_unique<TvnShapeProperties>();
  Assign(this, copy.get());
  return copy;
}

void TvnBodyProperties::Assign(const TvnBodyProperties* ASource, TvnBodyProperties* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->FLeftInset = ASource->FLeftInset;
  ADest->FRightInset = ASource->FRightInset;
  ADest->FTopInset = ASource->FTopInset;
  ADest->FBottomInset = ASource->FBottomInset;
  ADest->FAutoFit = ASource->FAutoFit;
}

std::unique_ptr<TvnBodyProperties> TvnBodyProperties::Clone() const {
  auto copy = std::make_unique<TvnBodyProperties>();
  Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
