// Numbers read from PDF objects by the page model's readers.
#pragma once

#include <cmath>

#include "pdf/objects.h"

namespace vn::pdfdoc {

// An integer or a finite real object as a double; false for anything else
// (AValue may then hold a non-finite real).
inline bool PdfNumber(const vn::pdf::TvnPDBaseObject* AObj, double& AValue) {
  if (!AObj) return false;
  if (const auto* i = AObj->AsInteger()) {
    AValue = static_cast<double>(i->GetValue());
    return true;
  }
  if (const auto* r = AObj->AsReal()) {
    AValue = r->GetValue();
    return std::isfinite(AValue);
  }
  return false;
}

}  // namespace vn::pdfdoc
