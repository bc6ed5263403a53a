#include "pdfdocument/pd_form.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

TvnPDForm::TvnPDForm(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AResourceElement,
                     TvnPDBaseObject* ABaseObject, std::string ATagName)
    : TvnPDXObject(AParentDoc, AResourceElement, ABaseObject, TvnXObjectType::xtForm, std::move(ATagName)) {}

TvnPDForm::~TvnPDForm() = default;

namespace {

// The entry of a form stream's dictionary; null when the form is no stream.
TvnPDBaseObject* FormEntry(const vn::pdf::TvnPDStream* AStream, const char* AKey) {
  return AStream && AStream->GetDict() ? AStream->GetDict()->LookUp(AKey) : nullptr;
}

}  // namespace

TvnPDRect* TvnPDForm::BBox() {
  if (!FBBoxRead) {
    FBBoxRead = true;
    TvnPDBaseObject* box = FormEntry(XObjectStream(), "BBox");
    if (box && box->IsArray()) FBBox = std::make_unique<TvnPDRect>(box->AsArray());
  }
  return FBBox.get();
}

int32_t TvnPDForm::FormType() {
  if (FFormType == -1) {
    const TvnPDBaseObject* type = FormEntry(XObjectStream(), "FormType");
    if (type && type->IsInteger() && type->AsInteger()->GetValue() >= 0 &&
        type->AsInteger()->GetValue() <= INT32_MAX)
      FFormType = static_cast<int32_t>(type->AsInteger()->GetValue());
  }
  return FFormType;
}

TvnPDMatrix* TvnPDForm::Matrix() {
  if (!FMatrixRead) {
    FMatrixRead = true;
    TvnPDBaseObject* matrix = FormEntry(XObjectStream(), "Matrix");
    if (matrix && matrix->IsArray()) FMatrix = std::make_unique<TvnPDMatrix>(matrix);
  }
  return FMatrix.get();
}

TvnPDResource* TvnPDForm::Resources() {
  if (!FResourcesRead) {
    FResourcesRead = true;
    TvnPDBaseObject* resources = FormEntry(XObjectStream(), "Resources");
    if (resources && resources->IsDict()) FResources = std::make_unique<TvnPDResource>(FParentDoc, this, resources);
  }
  return FResources.get();
}

}  // namespace vn::pdfdoc
