// The normal appearance of an annotation: the form XObject of /AP /N (for
// an annotation with appearance states, the entry of /N named by the state
// asked for or by /AS, else "Off"), and the annotation's /Rect it is drawn
// into. Drawing it maps the form's BBox, transformed by its Matrix, onto
// the rectangle, as PDF readers do.
//
// Ownership: wraps the annotation's dictionary (borrowed); owns the
// rectangle and the form wrapper it makes.
#pragma once

#include <memory>
#include <string>

#include "pdf/objects.h"
#include "pdfdocument/pd_matrix.h"
#include "pdfdocument/pd_rect.h"

namespace vn::pdfdoc {

class TvnPDForm;
class TvnPDXObject;

class TvnPDAppearanceStream : public vn::pdf::TvnPDElement {
 public:
  // Over the annotation's dictionary; AValue names the appearance state to
  // pick (empty: the annotation's /AS).
  TvnPDAppearanceStream(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDBaseObject* AAnnotObject,
                        std::string AValue);
  ~TvnPDAppearanceStream() override;

  // The annotation's /Rect as a rectangle in file coordinates (array order,
  // not flipped), made once; null when /Rect is missing or not an array.
  TvnPDRect* DestRect();
  // The appearance as a form XObject, made once: /AP /N itself when it is
  // a stream, else its entry under the state (or "Off"); a stream there is
  // taken as a form even when its dictionary lacks /Subtype /Form. Null
  // without /AP, /N or a matching stream.
  TvnPDXObject* FormXObject();
  // The appearance when it is a form XObject; null otherwise.
  TvnPDForm* Form();
  // The state picked (the one given, else /AS once read).
  const std::string& Value() const { return FValue; }

  // The matrix that takes the form's space onto the page's default user
  // space: the form's BBox, transformed by its Matrix, is fitted onto
  // /Rect (scaled and moved). The form's own Matrix is not part of it (the
  // form drawing applies it); an axis on which the box has no extent keeps
  // scale 1. False when there is no form, no BBox or no /Rect.
  bool RectMatrix(TvnPDMatrix& AMatrix);

 private:
  std::unique_ptr<TvnPDRect> FDestRect;
  bool FDestRectRead = false;
  std::unique_ptr<TvnPDXObject> FXObject;
  bool FXObjectRead = false;
  std::string FValue;
};

// The appearance a reader draws for a geometric annotation that has none
// of its own (no /AP /N stream for it): a Square or Circle inside its
// /Rect, a Line along /L, a Polygon or PolyLine through /Vertices, Ink
// along /InkList; stroked in /C with the border's width and dashes, filled
// with /IC, at the opacity /CA. The content is in the page's default user
// space, and the form's BBox is the /Rect, so it is drawn without fitting.
// Null for the other subtypes and when nothing would be drawn.
std::unique_ptr<vn::pdf::TvnPDStream> MakeDefaultAppearance(vn::pdf::TvnPDDocumentIntf* ADoc,
                                                            const vn::pdf::TvnPDDictionary& AAnnot);

}  // namespace vn::pdfdoc
