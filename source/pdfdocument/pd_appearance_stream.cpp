#include "pdfdocument/pd_appearance_stream.h"

#include <algorithm>
#include <cmath>

#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_xobject.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

TvnPDAppearanceStream::TvnPDAppearanceStream(vn::pdf::TvnPDDocumentIntf* AParentDoc, TvnPDBaseObject* AAnnotObject,
                                             std::string AValue)
    : TvnPDElement(AAnnotObject, AParentDoc, nullptr), FValue(std::move(AValue)) {}

TvnPDAppearanceStream::~TvnPDAppearanceStream() = default;

TvnPDRect* TvnPDAppearanceStream::DestRect() {
  if (!FDestRectRead) {
    FDestRectRead = true;
    TvnPDDictionary* dict = FBaseObject ? FBaseObject->AsDict() : nullptr;
    TvnPDBaseObject* rect = dict ? dict->LookUp("Rect") : nullptr;
    if (rect && rect->IsArray()) FDestRect = TvnPDRect(rect->AsArray()).Clone();
  }
  return FDestRect.get();
}

TvnPDXObject* TvnPDAppearanceStream::FormXObject() {
  if (FXObjectRead) return FXObject.get();
  FXObjectRead = true;
  TvnPDDictionary* dict = FBaseObject ? FBaseObject->AsDict() : nullptr;
  TvnPDBaseObject* ap = dict ? dict->LookUp("AP") : nullptr;
  TvnPDBaseObject* normal = ap && ap->IsDict() ? ap->AsDict()->LookUp("N") : nullptr;
  if (!normal) return nullptr;
  TvnPDBaseObject* appearance = normal;
  if (normal->IsDict()) {
    // A set of appearance states: the one asked for, else /AS, else Off.
    if (FValue.empty()) {
      const TvnPDBaseObject* as = dict->LookUp("AS");
      if (as && as->IsName()) FValue = as->AsName()->GetValue();
    }
    appearance = FValue.empty() ? nullptr : normal->AsDict()->LookUp(FValue);
    if (!appearance) appearance = normal->AsDict()->LookUp("Off");
  }
  // An appearance is a form whether or not its dictionary says so.
  if (appearance && appearance->IsStream()) FXObject = std::make_unique<TvnPDForm>(FParentDoc, this, appearance);
  return FXObject.get();
}

TvnPDForm* TvnPDAppearanceStream::Form() {
  TvnPDXObject* xobject = FormXObject();
  return xobject && xobject->IsForm() ? static_cast<TvnPDForm*>(xobject) : nullptr;
}

bool TvnPDAppearanceStream::RectMatrix(TvnPDMatrix& AMatrix) {
  TvnPDForm* form = Form();
  TvnPDRect* rect = DestRect();
  TvnPDRect* bbox = form ? form->BBox() : nullptr;
  if (!rect || !bbox) return false;
  const TvnPDMatrix identity;
  const TvnPDMatrix& matrix = form->Matrix() ? *form->Matrix() : identity;
  // The box as the form's matrix places it.
  double bx0 = 0, by0 = 0, bx1 = 0, by1 = 0;
  bool first = true;
  for (const auto& [x, y] : {std::pair{bbox->Left(), bbox->Top()}, std::pair{bbox->Right(), bbox->Top()},
                             std::pair{bbox->Left(), bbox->Bottom()}, std::pair{bbox->Right(), bbox->Bottom()}}) {
    double tx = 0, ty = 0;
    matrix.Transform(x, y, tx, ty);
    bx0 = first ? tx : std::min(bx0, tx);
    bx1 = first ? tx : std::max(bx1, tx);
    by0 = first ? ty : std::min(by0, ty);
    by1 = first ? ty : std::max(by1, ty);
    first = false;
  }
  const double rx0 = std::min(rect->Left(), rect->Right()), rx1 = std::max(rect->Left(), rect->Right());
  const double ry0 = std::min(rect->Top(), rect->Bottom()), ry1 = std::max(rect->Top(), rect->Bottom());
  for (double v : {bx0, bx1, by0, by1, rx0, rx1, ry0, ry1})
    if (!std::isfinite(v)) return false;
  // A box without width or height keeps its scale on that axis.
  const double sx = bx1 - bx0 > 0 ? (rx1 - rx0) / (bx1 - bx0) : 1.0;
  const double sy = by1 - by0 > 0 ? (ry1 - ry0) / (by1 - by0) : 1.0;
  AMatrix.SetValues(sx, 0, 0, sy, rx0 - sx * bx0, ry0 - sy * by0);
  return true;
}

}  // namespace vn::pdfdoc
