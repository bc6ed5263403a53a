#include "pdfdocument/pd_rect.h"

#include <cmath>
#include <cstdint>

#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDArray;

TvnPDRect::TvnPDRect(TvnPDArray* AArrayObject) : FBaseObject(AArrayObject) {
  if (!AArrayObject) return;
  double* sides[] = {&FLeft, &FTop, &FRight, &FBottom};
  for (int i = 0; i < 4; ++i) {
    double v = 0;
    if (PdfNumber(AArrayObject->Get(i), v)) *sides[i] = v;
  }
}

TvnPDRect::TvnPDRect(double ALeft, double ATop, double ARight, double ABottom)
    : FLeft(ALeft), FTop(ATop), FRight(ARight), FBottom(ABottom), FIsValid(true) {}

void TvnPDRect::WriteThrough(int AIndex, double AValue) {
  if (!FBaseObject || AIndex >= FBaseObject->GetLength()) return;
  vn::pdf::TvnPDBaseObject* element = FBaseObject->Get(AIndex);
  if (element && element->IsReal()) {
    element->AsReal()->SetValue(AValue);
  } else if (std::isfinite(AValue) && AValue == std::nearbyint(AValue) && std::fabs(AValue) < 9.0e15) {
    FBaseObject->SetValue(std::make_unique<vn::pdf::TvnPDInteger>(static_cast<int64_t>(AValue)), AIndex);
  } else {
    FBaseObject->SetValue(std::make_unique<vn::pdf::TvnPDReal>(AValue), AIndex);
  }
  FBaseObject->SetIsChanged(true);
}

void TvnPDRect::SetLeft(double AValue) {
  FLeft = AValue;
  FIsValid = true;
  WriteThrough(0, AValue);
}

void TvnPDRect::SetTop(double AValue) {
  FTop = AValue;
  FIsValid = true;
  WriteThrough(1, AValue);
}

void TvnPDRect::SetRight(double AValue) {
  FRight = AValue;
  FIsValid = true;
  WriteThrough(2, AValue);
}

void TvnPDRect::SetBottom(double AValue) {
  FBottom = AValue;
  FIsValid = true;
  WriteThrough(3, AValue);
}

void TvnPDRect::SetValues(double ALeft, double ATop, double ARight, double ABottom) {
  SetLeft(ALeft);
  SetTop(ATop);
  SetRight(ARight);
  SetBottom(ABottom);
}

void TvnPDRect::Assign(const vn::pdf::TvnObject* ASource) {
  const auto* source = dynamic_cast<const TvnPDRect*>(ASource);
  if (!source || source == this) return;
  SetValues(source->FLeft, source->FTop, source->FRight, source->FBottom);
}

std::unique_ptr<TvnPDRect> TvnPDRect::Clone() const {
  return std::make_unique<TvnPDRect>(FLeft, FTop, FRight, FBottom);
}

}  // namespace vn::pdfdoc
