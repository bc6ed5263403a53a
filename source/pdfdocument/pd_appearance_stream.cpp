#include "pdfdocument/pd_appearance_stream.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "pdf/streams.h"
#include "pdf/text.h"
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

namespace vn::pdfdoc {

namespace {

// The numbers of an array (entries that are not numbers read 0).
std::vector<double> DefaultApNumbers(const TvnPDBaseObject* AArray, int64_t AMax = 1 << 16) {
  std::vector<double> values;
  const vn::pdf::TvnPDArray* array = AArray ? AArray->AsArray() : nullptr;
  for (int64_t i = 0; array && i < std::min(array->GetLength(), AMax); ++i) {
    const TvnPDBaseObject* element = array->Get(i);
    double value = 0.0;
    if (element && element->IsInteger()) value = static_cast<double>(element->AsInteger()->GetValue());
    if (element && element->IsReal()) value = element->AsReal()->GetValue();
    values.push_back(std::isfinite(value) ? value : 0.0);
  }
  return values;
}

std::string DefaultApNumber(double AValue) { return vn::pdf::FloatToPDText(AValue); }

// The colour operator for a /C or /IC array of 1, 3 or 4 components; empty
// for a missing or empty array (transparent).
std::string DefaultApColor(const TvnPDBaseObject* AArray, bool AFill) {
  const std::vector<double> c = DefaultApNumbers(AArray, 4);
  std::string text;
  for (double v : c) text += DefaultApNumber(std::clamp(v, 0.0, 1.0)) + " ";
  if (c.size() == 1) return text + (AFill ? "g\n" : "G\n");
  if (c.size() == 3) return text + (AFill ? "rg\n" : "RG\n");
  if (c.size() == 4) return text + (AFill ? "k\n" : "K\n");
  return std::string();
}

// The border's width (/BS /W, else /Border's third entry, else 1) and its
// dash operator.
double DefaultApBorder(const TvnPDDictionary& AAnnot, std::string& ADash) {
  double width = 1.0;
  const TvnPDBaseObject* bs = AAnnot.LookUp("BS");
  if (bs && bs->IsDict()) {
    const TvnPDBaseObject* wv = bs->AsDict()->LookUp("W");
    if (wv && wv->IsInteger()) width = static_cast<double>(wv->AsInteger()->GetValue());
    if (wv && wv->IsReal()) width = wv->AsReal()->GetValue();
    const TvnPDBaseObject* style = bs->AsDict()->LookUp("S");
    if (style && style->IsName("D")) {
      std::vector<double> dash = DefaultApNumbers(bs->AsDict()->LookUp("D"), 16);
      if (dash.empty()) dash = {3.0};
      ADash = "[";
      for (double d : dash) ADash += DefaultApNumber(d) + " ";
      ADash += "] 0 d\n";
    }
  } else if (const TvnPDBaseObject* border = AAnnot.LookUp("Border")) {
    const std::vector<double> b = DefaultApNumbers(border, 3);
    if (b.size() >= 3) width = b[2];
  }
  return std::isfinite(width) && width > 0 ? std::min(width, 1000.0) : 0.0;
}

// An ellipse inside the box as four Bezier curves.
std::string DefaultApEllipse(double AX0, double AY0, double AX1, double AY1) {
  constexpr double kappa = 0.5522847498;
  const double cx = (AX0 + AX1) / 2, cy = (AY0 + AY1) / 2, rx = (AX1 - AX0) / 2, ry = (AY1 - AY0) / 2;
  auto n = DefaultApNumber;
  std::string s = n(cx + rx) + " " + n(cy) + " m\n";
  s += n(cx + rx) + " " + n(cy + kappa * ry) + " " + n(cx + kappa * rx) + " " + n(cy + ry) + " " + n(cx) + " " +
       n(cy + ry) + " c\n";
  s += n(cx - kappa * rx) + " " + n(cy + ry) + " " + n(cx - rx) + " " + n(cy + kappa * ry) + " " + n(cx - rx) + " " +
       n(cy) + " c\n";
  s += n(cx - rx) + " " + n(cy - kappa * ry) + " " + n(cx - kappa * rx) + " " + n(cy - ry) + " " + n(cx) + " " +
       n(cy - ry) + " c\n";
  s += n(cx + kappa * rx) + " " + n(cy - ry) + " " + n(cx + rx) + " " + n(cy - kappa * ry) + " " + n(cx + rx) + " " +
       n(cy) + " c\n";
  return s;
}

// A path through the points (x and y alternating).
std::string DefaultApPolyline(const std::vector<double>& APoints) {
  std::string s;
  for (size_t i = 0; i + 1 < APoints.size(); i += 2)
    s += DefaultApNumber(APoints[i]) + " " + DefaultApNumber(APoints[i + 1]) + (i == 0 ? " m\n" : " l\n");
  return s;
}

}  // namespace

std::unique_ptr<vn::pdf::TvnPDStream> MakeDefaultAppearance(vn::pdf::TvnPDDocumentIntf* ADoc,
                                                            const TvnPDDictionary& AAnnot) {
  const TvnPDBaseObject* subtype = AAnnot.LookUp("Subtype");
  if (!subtype || !subtype->IsName()) return nullptr;
  const std::string type = subtype->AsName()->GetValue();
  const std::vector<double> rect = DefaultApNumbers(AAnnot.LookUp("Rect"), 4);
  if (rect.size() < 4) return nullptr;
  const double x0 = std::min(rect[0], rect[2]), x1 = std::max(rect[0], rect[2]);
  const double y0 = std::min(rect[1], rect[3]), y1 = std::max(rect[1], rect[3]);
  std::string dash;
  const double width = DefaultApBorder(AAnnot, dash);
  const std::string stroke = width > 0 ? DefaultApColor(AAnnot.LookUp("C"), false) : std::string();
  const std::string fill = DefaultApColor(AAnnot.LookUp("IC"), true);
  std::string path;
  bool closed = false;
  bool fillable = false;
  if (type == "Square" || type == "Circle") {
    const double inset = width / 2;
    if (x1 - x0 <= width || y1 - y0 <= width) return nullptr;
    path = type == "Square" ? DefaultApNumber(x0 + inset) + " " + DefaultApNumber(y0 + inset) + " " +
                                  DefaultApNumber(x1 - x0 - width) + " " + DefaultApNumber(y1 - y0 - width) + " re\n"
                            : DefaultApEllipse(x0 + inset, y0 + inset, x1 - inset, y1 - inset);
    fillable = true;
  } else if (type == "Line") {
    const std::vector<double> line = DefaultApNumbers(AAnnot.LookUp("L"), 4);
    if (line.size() < 4) return nullptr;
    path = DefaultApPolyline(line);
  } else if (type == "Polygon" || type == "PolyLine") {
    const std::vector<double> vertices = DefaultApNumbers(AAnnot.LookUp("Vertices"));
    if (vertices.size() < 4) return nullptr;
    path = DefaultApPolyline(vertices);
    closed = type == "Polygon";
    fillable = closed;
  } else if (type == "Ink") {
    const TvnPDBaseObject* ink = AAnnot.LookUp("InkList");
    const vn::pdf::TvnPDArray* strokes = ink ? ink->AsArray() : nullptr;
    for (int64_t i = 0; strokes && i < std::min<int64_t>(strokes->GetLength(), 4096); ++i)
      path += DefaultApPolyline(DefaultApNumbers(strokes->Get(i)));
    if (path.empty()) return nullptr;
  } else {
    return nullptr;
  }
  const bool filled = fillable && !fill.empty();
  const bool stroked = !stroke.empty();
  if (!filled && !stroked) return nullptr;

  std::string content = "q\n";
  auto dict = std::make_unique<TvnPDDictionary>(ADoc);
  double opacity = 1.0;
  if (const TvnPDBaseObject* ca = AAnnot.LookUp("CA"); ca && ca->IsReal()) opacity = ca->AsReal()->GetValue();
  if (const TvnPDBaseObject* ca = AAnnot.LookUp("CA"); ca && ca->IsInteger())
    opacity = static_cast<double>(ca->AsInteger()->GetValue());
  if (std::isfinite(opacity) && opacity < 1) {
    auto gs = std::make_unique<TvnPDDictionary>(ADoc);
    gs->Add("CA", std::make_unique<vn::pdf::TvnPDReal>(std::max(opacity, 0.0)));
    gs->Add("ca", std::make_unique<vn::pdf::TvnPDReal>(std::max(opacity, 0.0)));
    auto states = std::make_unique<TvnPDDictionary>(ADoc);
    states->Add("GS0", std::move(gs));
    auto resources = std::make_unique<TvnPDDictionary>(ADoc);
    resources->Add("ExtGState", std::move(states));
    dict->Add("Resources", std::move(resources));
    content += "/GS0 gs\n";
  }
  if (type == "Ink") content += "1 J 1 j\n";
  content += stroke + fill + DefaultApNumber(width) + " w\n" + dash + path;
  if (filled && stroked)
    content += closed ? "b\n" : "B\n";
  else if (filled)
    content += "f\n";
  else
    content += closed ? "s\n" : "S\n";
  content += "Q\n";

  auto bbox = std::make_unique<vn::pdf::TvnPDArray>(ADoc);
  for (double v : {x0, y0, x1, y1}) bbox->Add(std::make_unique<vn::pdf::TvnPDReal>(v));
  dict->Add("Type", std::make_unique<vn::pdf::TvnPDName>("XObject"));
  dict->Add("Subtype", std::make_unique<vn::pdf::TvnPDName>("Form"));
  dict->Add("BBox", std::move(bbox));
  dict->Add("Length", std::make_unique<vn::pdf::TvnPDInteger>(static_cast<int64_t>(content.size())));
  auto bytes = vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(
      new vn::TMemoryStream(std::vector<uint8_t>(content.begin(), content.end())), 0, 0, false, true);
  return std::make_unique<vn::pdf::TvnPDStream>(std::move(bytes), std::move(dict));
}

}  // namespace vn::pdfdoc
