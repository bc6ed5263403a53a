#include "pdfdocument/pd_pattern.h"

#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;

std::unique_ptr<TvnPDPattern> TvnPDPattern::MakePattern(vn::pdf::TvnPDDocumentIntf* AParentDoc,
                                                        vn::pdf::TvnPDElement* AParentElement,
                                                        const std::string& ATag, TvnPDBaseObject* ABaseObject) {
  if (!ABaseObject) return nullptr;
  vn::pdf::TvnPDDictionary* dict = ABaseObject->IsStream() ? ABaseObject->AsStream()->GetDict() : ABaseObject->AsDict();
  const TvnPDBaseObject* type = dict ? dict->LookUp("PatternType") : nullptr;
  if (type && type->IsInteger() && type->AsInteger()->GetValue() == 1)
    return std::make_unique<TvnPDTilingPattern>(AParentDoc, AParentElement, ABaseObject, ATag);
  return std::make_unique<TvnPDShaddingPattern>(AParentDoc, AParentElement, ABaseObject, ATag);
}

TvnPDPattern::TvnPDPattern(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                           TvnPDBaseObject* ABaseObject, std::string ATag)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement), FTag(std::move(ATag)) {}

TvnPDPattern::~TvnPDPattern() = default;

vn::pdf::TvnPDDictionary* TvnPDPattern::PatternDict() const {
  if (!FBaseObject) return nullptr;
  if (auto* stream = FBaseObject->AsStream()) return stream->GetDict();
  return FBaseObject->AsDict();
}

TvnPDResource* TvnPDPattern::Resources() {
  if (!FResourcesRead) {
    FResourcesRead = true;
    auto* stream = FBaseObject ? FBaseObject->AsStream() : nullptr;
    TvnPDBaseObject* resources = stream && stream->GetDict() ? stream->GetDict()->LookUp("Resources") : nullptr;
    if (resources && resources->IsDict()) FResources = std::make_unique<TvnPDResource>(FParentDoc, this, resources);
  }
  return FResources.get();
}

TvnPDTilingPattern::TvnPDTilingPattern(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                       TvnPDBaseObject* ABaseObject, std::string ATag)
    : TvnPDPattern(AParentDoc, AParentElement, ABaseObject, std::move(ATag)) {}

TvnPDRect* TvnPDTilingPattern::GetBBox() {
  if (!FBBoxRead) {
    FBBoxRead = true;
    auto* dict = PatternDict();
    TvnPDBaseObject* box = dict ? dict->LookUp("BBox") : nullptr;
    if (box && box->IsArray()) FBBox = std::make_unique<TvnPDRect>(box->AsArray());
  }
  return FBBox.get();
}

namespace {

double PatternStep(vn::pdf::TvnPDDictionary* ADict, const char* AKey, double& AKept) {
  if (AKept == -1.0 && ADict) {
    double value = 0;
    if (PdfNumber(ADict->LookUp(AKey), value)) AKept = value;
  }
  return AKept;
}

}  // namespace

double TvnPDTilingPattern::GetCellXSpacing() { return PatternStep(PatternDict(), "XStep", FCellXSpacing); }
double TvnPDTilingPattern::GetCellYSpacing() { return PatternStep(PatternDict(), "YStep", FCellYSpacing); }

TvnPDMatrix& TvnPDTilingPattern::GetMatrix() {
  if (!FMatrix) {
    auto* dict = PatternDict();
    FMatrix = std::make_unique<TvnPDMatrix>(dict ? dict->LookUp("Matrix") : nullptr);
  }
  return *FMatrix;
}

int TvnPDTilingPattern::GetPaintType() const {
  auto* dict = PatternDict();
  const TvnPDBaseObject* type = dict ? dict->LookUp("PaintType") : nullptr;
  return type && type->IsInteger() && type->AsInteger()->GetValue() == 2 ? 2 : 1;
}

TvnPDShaddingPattern::TvnPDShaddingPattern(vn::pdf::TvnPDDocumentIntf* AParentDoc,
                                           vn::pdf::TvnPDElement* AParentElement, TvnPDBaseObject* ABaseObject,
                                           std::string ATag)
    : TvnPDPattern(AParentDoc, AParentElement, ABaseObject, std::move(ATag)) {}

}  // namespace vn::pdfdoc
