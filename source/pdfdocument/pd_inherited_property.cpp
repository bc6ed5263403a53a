#include "pdfdocument/pd_inherited_property.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

TvnPDBaseObject* TvnPDInheritedProperty::Own(const char* AKey) const {
  const vn::pdf::TvnPDDictionary* dict = Dict();
  return dict ? dict->LookUp(AKey) : nullptr;
}

TvnPDRect* TvnPDInheritedProperty::Box(const char* AKey, std::unique_ptr<TvnPDRect>& AOwn) {
  if (!AOwn) {
    if (TvnPDBaseObject* box = Own(AKey); box && box->IsArray()) AOwn = std::make_unique<TvnPDRect>(box->AsArray());
  }
  return AOwn.get();
}

TvnPDRect* TvnPDInheritedProperty::GetMediaBox() {
  if (TvnPDRect* own = Box("MediaBox", FMediaBox)) return own;
  return FParent ? FParent->GetMediaBox() : nullptr;
}

TvnPDRect* TvnPDInheritedProperty::GetCropBox() {
  if (TvnPDRect* own = Box("CropBox", FCropBox)) return own;
  return FParent ? FParent->GetCropBox() : nullptr;
}

int64_t TvnPDInheritedProperty::GetRotate() {
  if (TvnPDBaseObject* rotate = Own("Rotate"); rotate && rotate->IsInteger()) return rotate->AsInteger()->GetValue();
  return FParent ? FParent->GetRotate() : 0;
}

TvnPDResource* TvnPDInheritedProperty::GetResource() {
  if (!FResource) {
    if (TvnPDBaseObject* res = Own("Resources"); res && res->IsDict())
      FResource = std::make_unique<TvnPDResource>(FParentDoc, FParentElement, res);
  }
  if (FResource) return FResource.get();
  return FParent ? FParent->GetResource() : nullptr;
}

TvnPDInheritedProperty* TvnPDInheritedProperty::Holder(const char* AKey) {
  for (TvnPDInheritedProperty* node = this; node; node = node->FParent)
    if (node->Own(AKey)) return node;
  return nullptr;
}

}  // namespace vn::pdfdoc
