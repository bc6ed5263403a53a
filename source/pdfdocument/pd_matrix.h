// The affine matrix of the page state: [M11 M12 M21 M22 Dx Dy] maps a point
// by x' = M11 x + M21 y + Dx, y' = M12 x + M22 y + Dy. A product A x B
// applies A first, then B.
#pragma once

#include <memory>

#include "pdf/objects.h"

namespace vn::pdfdoc {

class TvnPDMatrix : public vn::pdf::TvnObject {
 public:
  // The identity.
  TvnPDMatrix() = default;
  TvnPDMatrix(double AM11, double AM12, double AM21, double AM22, double ADx, double ADy)
      : FM11(AM11), FM12(AM12), FM21(AM21), FM22(AM22), FDx(ADx), FDy(ADy) {}
  // The first six elements of a PDF array; the identity when the object is
  // not an array, has fewer than six elements or one of them is not a
  // finite number.
  explicit TvnPDMatrix(vn::pdf::TvnPDBaseObject* AArrayObject);

  double M11() const { return FM11; }
  double M12() const { return FM12; }
  double M21() const { return FM21; }
  double M22() const { return FM22; }
  double Dx() const { return FDx; }
  double Dy() const { return FDy; }
  void SetM11(double AValue) { FM11 = AValue; }
  void SetM12(double AValue) { FM12 = AValue; }
  void SetM21(double AValue) { FM21 = AValue; }
  void SetM22(double AValue) { FM22 = AValue; }
  void SetDx(double AValue) { FDx = AValue; }
  void SetDy(double AValue) { FDy = AValue; }

  void SetValues(double AM11, double AM12, double AM21, double AM22, double ADx, double ADy);
  void Assign(const TvnPDMatrix& AValue);
  std::unique_ptr<TvnPDMatrix> Copy() const;
  // A new PDF array of six reals.
  std::unique_ptr<vn::pdf::TvnPDArray> GetArray() const;
  // A new matrix AMatrix x Self (AMatrix applied first).
  std::unique_ptr<TvnPDMatrix> PreMultiply(const TvnPDMatrix& AMatrix) const;
  // A new matrix holding the inverse; the identity when the determinant is 0.
  std::unique_ptr<TvnPDMatrix> GetInverse() const;
  // Inverts in place; unchanged when the determinant is 0.
  void Inverse();
  // Exactly [1 0 0 1 0 0].
  bool IsIdentity() const;
  // The point, and the vector without the translation, mapped by the matrix.
  void Transform(double AX, double AY, double& AX2, double& AY2) const;
  void TransformDelta(double AX, double AY, double& AX2, double& AY2) const;

 private:
  double FM11 = 1.0;
  double FM12 = 0.0;
  double FM21 = 0.0;
  double FM22 = 1.0;
  double FDx = 0.0;
  double FDy = 0.0;
};

}  // namespace vn::pdfdoc
