// The six boolean viewer preferences of a catalog's ViewerPreferences
// dictionary. A value is read once and kept; a missing key, a value that is
// not a boolean and false all read as false. A setter writes the dictionary
// and the kept value together.
#pragma once

#include <cstdint>

#include "pdf/objects.h"

namespace vn::pdfdoc {

class TvnPDViewerPref : public vn::pdf::TvnPDElement {
 public:
  TvnPDViewerPref(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                  vn::pdf::TvnPDBaseObject* ABaseObject)
      : TvnPDElement(ABaseObject, AParentDoc, AParentElement) {}

  bool HideToolBar() { return Get(0); }
  bool HideMenuBar() { return Get(1); }
  bool HideWindowUI() { return Get(2); }
  bool FitWindow() { return Get(3); }
  bool CenterWindow() { return Get(4); }
  bool DisplayDocTitle() { return Get(5); }
  void SetHideToolBar(bool Value) { Set(0, Value); }
  void SetHideMenuBar(bool Value) { Set(1, Value); }
  void SetHideWindowUI(bool Value) { Set(2, Value); }
  void SetFitWindow(bool Value) { Set(3, Value); }
  void SetCenterWindow(bool Value) { Set(4, Value); }
  void SetDisplayDocTitle(bool Value) { Set(5, Value); }

 private:
  bool Get(int AIndex);
  void Set(int AIndex, bool AValue);

  // -1 not read yet, 0 false, 1 true; in the order of the getters.
  int32_t FCache[6] = {-1, -1, -1, -1, -1, -1};
};

}  // namespace vn::pdfdoc
