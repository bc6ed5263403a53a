// The inheritable page attributes (MediaBox, CropBox, Rotate, Resources) of
// one node of the page tree, a Pages node or a page. A node answers with
// its own entry, else with its parent's answer, so a page gets the value
// of the nearest node holding the attribute. The page tree owns every
// node's object; a parent outlives its children's.
#pragma once

#include <cstdint>
#include <memory>

#include "pdf/objects.h"
#include "pdfdocument/pd_rect.h"
#include "pdfdocument/pd_resource.h"

namespace vn::pdfdoc {

class TvnPDInheritedProperty : public vn::pdf::TvnPDElement {
 public:
  // AParentElement is the parent node's object (null at the root).
  TvnPDInheritedProperty(vn::pdf::TvnPDDocumentIntf* AParentDoc, TvnPDInheritedProperty* AParentElement,
                         vn::pdf::TvnPDBaseObject* AInheritedObj)
      : TvnPDElement(AInheritedObj, AParentDoc, AParentElement), FParent(AParentElement) {}

  // The own MediaBox (CropBox) array as a rectangle, made once; else the
  // parent's; null when no node on the way up has one. An entry that is not
  // an array counts as absent.
  TvnPDRect* GetMediaBox();
  TvnPDRect* GetCropBox();
  // The own Rotate when it is an integer (read on every call), else the
  // parent's; 0 at the root.
  int64_t GetRotate();
  // The own Resources dictionary wrapped once (owned), else the parent's
  // resources; null when no node on the way up has a dictionary there.
  TvnPDResource* GetResource();
  // The node holding the attribute that the node answers with (itself or
  // an ancestor), or null.
  TvnPDInheritedProperty* Holder(const char* AKey);

  // Entries of the wrapped dictionary itself, not inherited.
  vn::pdf::TvnPDBaseObject* GetFormFieldType() const { return Own("FT"); }
  vn::pdf::TvnPDBaseObject* GetFormFieldFlag() const { return Own("Ff"); }
  vn::pdf::TvnPDBaseObject* GetFormFieldValue() const { return Own("V"); }
  vn::pdf::TvnPDBaseObject* GetFormFiledName() const { return Own("T"); }
  vn::pdf::TvnPDBaseObject* GetFormFieldDefaultValue() const { return Own("DV"); }

  TvnPDInheritedProperty* Parent() const { return FParent; }
  void SetParent(TvnPDInheritedProperty* AParent) {
    FParent = AParent;
    FParentElement = AParent;
  }
  // Wraps another dictionary (a copy of the node made an object of its own).
  void Rebind(vn::pdf::TvnPDBaseObject* AObject) {
    FBaseObject = AObject;
    FMediaBox.reset();
    FCropBox.reset();
    FResource.reset();
  }
  vn::pdf::TvnPDDictionary* Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }

 private:
  vn::pdf::TvnPDBaseObject* Own(const char* AKey) const;
  TvnPDRect* Box(const char* AKey, std::unique_ptr<TvnPDRect>& AOwn);

  TvnPDInheritedProperty* FParent;
  std::unique_ptr<TvnPDRect> FMediaBox;
  std::unique_ptr<TvnPDRect> FCropBox;
  std::unique_ptr<TvnPDResource> FResource;
};

}  // namespace vn::pdfdoc
