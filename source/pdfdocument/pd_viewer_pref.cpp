#include "pdfdocument/pd_viewer_pref.h"

namespace vn::pdfdoc {

namespace {
constexpr const char* kViewerPrefKeys[6] = {"HideToolbar", "HideMenubar",  "HideWindowUI",
                                            "FitWindow",   "CenterWindow", "DisplayDocTitle"};
}  // namespace

bool TvnPDViewerPref::Get(int AIndex) {
  int32_t& cache = FCache[AIndex];
  if (cache == -1) {
    cache = 0;
    const vn::pdf::TvnPDDictionary* dict = FBaseObject ? FBaseObject->AsDict() : nullptr;
    const vn::pdf::TvnPDBaseObject* value = dict ? dict->LookUp(kViewerPrefKeys[AIndex]) : nullptr;
    if (value && value->IsBoolean() && value->AsBoolean()->GetValue()) cache = 1;
  }
  return cache == 1;
}

void TvnPDViewerPref::Set(int AIndex, bool AValue) {
  vn::pdf::TvnPDDictionary* dict = FBaseObject ? FBaseObject->AsDict() : nullptr;
  if (!dict) return;
  vn::pdf::TvnPDBaseObject* value = dict->LookUp(kViewerPrefKeys[AIndex]);
  if (value && value->IsBoolean()) {
    value->AsBoolean()->SetBool(AValue);
    value->SetIsChanged(true);
    dict->SetIsChanged(true);
  } else {
    dict->Add(kViewerPrefKeys[AIndex], std::make_unique<vn::pdf::TvnPDBoolean>(AValue));
  }
  FCache[AIndex] = AValue ? 1 : 0;
}

}  // namespace vn::pdfdoc
