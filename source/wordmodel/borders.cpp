#include "wordmodel/borders.h"

namespace vn::wordmodel {

void TvnBorder::Assign(const TvnBorder* ASource, TvnBorder* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->SetColor(ASource->GetColor());
  ADest->SetCustomImageID(ASource->GetCustomImageID());
  ADest->SetIsFrame(ASource->GetIsFrame());
  ADest->SetShadow(ASource->GetShadow());
  ADest->SetSpace(ASource->GetSpace());
  ADest->SetPenStyle(ASource->GetPenStyle());
  ADest->SetBorderWidth(ASource->GetBorderWidth());
}

std::unique_ptr<TvnBorder> TvnBorder::Clone() const {
  auto copy = std::make_unique<TvnBorder>();
  Assign(this, copy.get());
  return copy;
}

bool TvnBorder::DoesBorderHaveSameProperties(const TvnBorder* AnotherBorder) const {
  if (AnotherBorder == nullptr) return false;
  return FborderWidth == AnotherBorder->FborderWidth && FColor == AnotherBorder->FColor &&
         FisFrame == AnotherBorder->FisFrame && FPenStyle == AnotherBorder->FPenStyle &&
         Fshadow == AnotherBorder->Fshadow && Fspace == AnotherBorder->Fspace;
}

void BorderSides::AssignSides(const BorderSides& ASource) {
  if (&ASource == this) return;
  if (ASource.FBottom) FBottom = ASource.FBottom->Clone();
  if (ASource.FLeft) FLeft = ASource.FLeft->Clone();
  if (ASource.FRight) FRight = ASource.FRight->Clone();
  if (ASource.FTop) FTop = ASource.FTop->Clone();
}

void TvnParaBorder::Assign(const TvnParaBorder* ASource, TvnParaBorder* ADest) const {
  if (ASource != nullptr && ADest != nullptr) ADest->AssignSides(*ASource);
}

std::unique_ptr<TvnParaBorder> TvnParaBorder::Clone() const {
  auto copy = std::make_unique<TvnParaBorder>();
  Assign(this, copy.get());
  return copy;
}

bool TvnParaBorder::DoesBorderHaveSameProperties(const TvnParaBorder* AnotherBorder) const {
  if (AnotherBorder == nullptr) return false;
  const TvnBorder* mine[] = {GetBottom(), GetLeft(), GetRight(), GetTop()};
  const TvnBorder* theirs[] = {AnotherBorder->GetBottom(), AnotherBorder->GetLeft(), AnotherBorder->GetRight(),
                               AnotherBorder->GetTop()};
  for (size_t i = 0; i < 4; ++i) {
    if ((mine[i] == nullptr) != (theirs[i] == nullptr)) return false;
    if (mine[i] != nullptr && !mine[i]->DoesBorderHaveSameProperties(theirs[i])) return false;
  }
  return true;
}

}  // namespace vn::wordmodel
