#include "pdfdocument/pd_xobject.h"

#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_image.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

std::unique_ptr<TvnPDXObject> TvnPDXObject::MakeXObject(vn::pdf::TvnPDDocumentIntf* AParentDoc,
                                                        vn::pdf::TvnPDElement* AResourceElement,
                                                        TvnPDBaseObject* AXObjectDict, const std::string& ATagName) {
  if (!AXObjectDict) return nullptr;
  vn::pdf::TvnPDDictionary* dict =
      AXObjectDict->IsStream() ? AXObjectDict->AsStream()->GetDict() : AXObjectDict->AsDict();
  if (!dict) return nullptr;
  const TvnPDBaseObject* subtype = dict->LookUp("Subtype");
  if (!subtype || !subtype->IsName()) return nullptr;
  const std::string& name = subtype->AsName()->GetValue();
  if (name == "Image") return std::make_unique<TvnPDImage>(AParentDoc, AResourceElement, AXObjectDict, ATagName);
  if (name == "Form") return std::make_unique<TvnPDForm>(AParentDoc, AResourceElement, AXObjectDict, ATagName);
  return nullptr;
}

vn::pdf::TvnPDDictionary* TvnPDXObject::XObjectDict() const {
  if (!FBaseObject) return nullptr;
  if (auto* stream = FBaseObject->AsStream()) return stream->GetDict();
  return FBaseObject->AsDict();
}

}  // namespace vn::pdfdoc
