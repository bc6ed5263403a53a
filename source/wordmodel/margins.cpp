#include "wordmodel/margins.h"

namespace vn::wordmodel {

void TvnMargin::Assign(const TvnMargin* ASource, TvnMargin* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->SetLeft(ASource->GetLeft());
  ADest->SetRight(ASource->GetRight());
  ADest->SetTop(ASource->GetTop());
  ADest->SetBottom(ASource->GetBottom());
}

std::unique_ptr<TvnMargin> TvnMargin::Clone() const {
  auto copy = std::make_unique<TvnMargin>();
  copy->Assign(this, copy.get());
  return copy;
}

void TvnPageMargins::Assign(const TvnMargin* ASource, TvnMargin* ADest) const {
  TvnMargin::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnPageMargins*>(ASource);
  auto* dest = dynamic_cast<TvnPageMargins*>(ADest);
  if (source == nullptr || dest == nullptr) return;
  dest->SetHeader(source->GetHeader());
  dest->SetFooter(source->GetFooter());
  dest->SetGutter(source->GetGutter());
}

std::unique_ptr<TvnMargin> TvnPageMargins::Clone() const {
  auto copy = std::make_unique<TvnPageMargins>();
  copy->Assign(this, copy.get());
  return copy;
}

}  // namespace vn::wordmodel
