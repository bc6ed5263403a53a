// An explicit destination of a PDF file: the array that names a page and how
// to show it ([page /XYZ left top zoom], [page /Fit], [page /FitH top],
// [page /FitV left], [page /FitR left bottom right top], [page /FitB],
// [page /FitBH top], [page /FitBV left]). The page is found through the
// page tree: a reference to a page dictionary, or an integer page index
// from 0. Operands that are missing or not numbers count as 0.
//
// Rect holds the operands in one convention for every reader and writer:
// /XYZ gives Left, Top and the zoom in Right; /FitH and /FitBH give Top;
// /FitV and /FitBV give Left; /FitR gives its four operands in array order,
// as a PDF rectangle does (Left, Top = lower y, Right, Bottom = upper y),
// which is also the order an outline item writes them back in.
#pragma once

#include <memory>
#include <string_view>

#include "pdf/objects.h"
#include "pdfdocument/pd_rect.h"

namespace vn::pdfdoc {

class TvnPDFDocumentHandler;
class TvnPDPage;

enum class TvnPageDisplayOptions {
  None,
  FitZoom,
  FitAll,
  FitHeight,
  FitWidth,
  FitRect,
  FitBoundingBox,
  FitBoundingBoxHeight,
  FitBoundingBoxWidth
};

// The option a destination type name stands for; None for another name.
TvnPageDisplayOptions DisplayOptionOfName(std::string_view AName);
// The destination type name of the option; empty for None.
std::string_view NameOfDisplayOption(TvnPageDisplayOptions AOption);

class TvnqPDFDestination : public vn::pdf::TvnPDElement {
 public:
  // No page, no array, option None, an empty rectangle.
  TvnqPDFDestination();
  // Over a destination array (borrowed); page, option and rectangle are
  // read on first use.
  TvnqPDFDestination(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     vn::pdf::TvnPDBaseObject* ABaseObject);
  // Made in memory: the page (borrowed), the option and a copy of the
  // rectangle's four values (an empty rectangle without one).
  TvnqPDFDestination(TvnPDFDocumentHandler* AParentDoc, TvnPDPage* APage, TvnPageDisplayOptions ADisplayOption,
                     const TvnPDRect* ARect);
  ~TvnqPDFDestination() override;

  // The page the array names, kept once found; null for a page that is not
  // in the page tree.
  TvnPDPage* Page();
  void SetPage(TvnPDPage* Value) { FPage = Value; }
  // From the type name of the array while still None.
  TvnPageDisplayOptions DisplayOptions();
  void SetDisplayOptions(TvnPageDisplayOptions Value) { FDisplayOption = Value; }
  // The operands by the option (see above), filled from the array once.
  TvnPDRect* Rect();

 private:
  vn::pdf::TvnPDArray* Array() const { return FBaseObject ? FBaseObject->AsArray() : nullptr; }
  double Operand(int64_t AIndex) const;

  TvnPDFDocumentHandler* FHandler = nullptr;
  TvnPDPage* FPage = nullptr;
  TvnPageDisplayOptions FDisplayOption = TvnPageDisplayOptions::None;
  std::unique_ptr<TvnPDRect> FRect;
  bool FIsRectSet = false;
  bool FPageLookedUp = false;
};

}  // namespace vn::pdfdoc
