// The rectangle of page boxes, bounding boxes, font boxes, annotations and
// destinations: four doubles in the order of a PDF rectangle array, Left =
// element 0, Top = element 1, Right = element 2, Bottom = element 3 (so a
// page box's Top is its lower y). A rectangle may be bound to the array it
// was read from; setting a side then writes through to that array.
#pragma once

#include <memory>

#include "pdf/objects.h"

namespace vn::pdfdoc {

class TvnPDRect : public vn::pdf::TvnObject {
 public:
  // Empty: all four values -1, no array, not valid.
  TvnPDRect() = default;
  // Bound to the array (borrowed): each value is read from elements 0 to 3
  // where the element is a number; IsValid stays false.
  explicit TvnPDRect(vn::pdf::TvnPDArray* AArrayObject);
  // Free-standing and valid.
  TvnPDRect(double ALeft, double ATop, double ARight, double ABottom);

  double Left() const { return FLeft; }
  double Top() const { return FTop; }
  double Right() const { return FRight; }
  double Bottom() const { return FBottom; }
  bool IsValid() const { return FIsValid; }

  // Each stores the value, makes the rectangle valid and, when the bound
  // array has the side's element, writes it through: a real element takes
  // the value; another element becomes an integer when the value is whole
  // and a real otherwise, so no fraction is lost.
  void SetLeft(double AValue);
  void SetTop(double AValue);
  void SetRight(double AValue);
  void SetBottom(double AValue);
  void SetValues(double ALeft, double ATop, double ARight, double ABottom);
  // The four setters with the source's values; nothing when ASource is not
  // a rectangle.
  void Assign(const vn::pdf::TvnObject* ASource);
  // A free-standing rectangle with the same four values.
  std::unique_ptr<TvnPDRect> Clone() const;
  // The bound array, or null.
  vn::pdf::TvnPDArray* GetArray() const { return FBaseObject; }

 private:
  void WriteThrough(int AIndex, double AValue);

  vn::pdf::TvnPDArray* FBaseObject = nullptr;
  double FLeft = -1.0;
  double FTop = -1.0;
  double FRight = -1.0;
  double FBottom = -1.0;
  bool FIsValid = false;
};

}  // namespace vn::pdfdoc
