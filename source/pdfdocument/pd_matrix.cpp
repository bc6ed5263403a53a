#include "pdfdocument/pd_matrix.h"

#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

TvnPDMatrix::TvnPDMatrix(vn::pdf::TvnPDBaseObject* AArrayObject) {
  if (!AArrayObject || !AArrayObject->IsArray()) return;
  auto* array = AArrayObject->AsArray();
  if (array->GetLength() < 6) return;
  double v[6];
  for (int i = 0; i < 6; ++i) {
    if (!PdfNumber(array->GetRefObj(i), v[i])) return;
  }
  SetValues(v[0], v[1], v[2], v[3], v[4], v[5]);
}

void TvnPDMatrix::SetValues(double AM11, double AM12, double AM21, double AM22, double ADx, double ADy) {
  FM11 = AM11;
  FM12 = AM12;
  FM21 = AM21;
  FM22 = AM22;
  FDx = ADx;
  FDy = ADy;
}

void TvnPDMatrix::Assign(const TvnPDMatrix& AValue) {
  SetValues(AValue.FM11, AValue.FM12, AValue.FM21, AValue.FM22, AValue.FDx, AValue.FDy);
}

std::unique_ptr<TvnPDMatrix> TvnPDMatrix::Copy() const {
  return std::make_unique<TvnPDMatrix>(FM11, FM12, FM21, FM22, FDx, FDy);
}

std::unique_ptr<vn::pdf::TvnPDArray> TvnPDMatrix::GetArray() const {
  auto array = std::make_unique<vn::pdf::TvnPDArray>();
  for (double v : {FM11, FM12, FM21, FM22, FDx, FDy}) array->Add(std::make_unique<vn::pdf::TvnPDReal>(v));
  return array;
}

std::unique_ptr<TvnPDMatrix> TvnPDMatrix::PreMultiply(const TvnPDMatrix& A) const {
  return std::make_unique<TvnPDMatrix>(A.FM11 * FM11 + A.FM12 * FM21, A.FM11 * FM12 + A.FM12 * FM22,
                                       A.FM21 * FM11 + A.FM22 * FM21, A.FM21 * FM12 + A.FM22 * FM22,
                                       A.FDx * FM11 + A.FDy * FM21 + FDx, A.FDx * FM12 + A.FDy * FM22 + FDy);
}

std::unique_ptr<TvnPDMatrix> TvnPDMatrix::GetInverse() const {
  auto result = Copy();
  const double det = FM11 * FM22 - FM12 * FM21;
  if (det == 0.0) {
    result->SetValues(1, 0, 0, 1, 0, 0);
  } else {
    result->Inverse();
  }
  return result;
}

void TvnPDMatrix::Inverse() {
  const double det = FM11 * FM22 - FM12 * FM21;
  if (det == 0.0) return;
  SetValues(FM22 / det, -FM12 / det, -FM21 / det, FM11 / det, (FM21 * FDy - FM22 * FDx) / det,
            (FM12 * FDx - FM11 * FDy) / det);
}

bool TvnPDMatrix::IsIdentity() const {
  return FM11 == 1.0 && FM12 == 0.0 && FM21 == 0.0 && FM22 == 1.0 && FDx == 0.0 && FDy == 0.0;
}

void TvnPDMatrix::Transform(double AX, double AY, double& AX2, double& AY2) const {
  AX2 = FM11 * AX + FM21 * AY + FDx;
  AY2 = FM12 * AX + FM22 * AY + FDy;
}

void TvnPDMatrix::TransformDelta(double AX, double AY, double& AX2, double& AY2) const {
  AX2 = FM11 * AX + FM21 * AY;
  AY2 = FM12 * AX + FM22 * AY;
}

}  // namespace vn::pdfdoc
