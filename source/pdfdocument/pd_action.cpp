#include "pdfdocument/pd_action.h"

#include <string_view>

#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/exceptions.h"

namespace vn::pdfdoc {

namespace {

constexpr std::string_view kActionTypeNames[] = {
    "",           "GoTo",       "GoToR",      "GoToE",       "Launch",      "Thread",   "URI",
    "Sound",      "Movie",      "Hide",       "Named",       "SubmitForm",  "ResetForm", "ImportData",
    "JavaScript", "SetOCGState", "Rendition", "Trans",       "GoTo3DView"};

}  // namespace

TvnPDAction::TvnPDAction(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                         vn::pdf::TvnPDBaseObject* ABaseObject)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement), FHandler(AParentDoc) {}

TvnPDAction::TvnPDAction(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                         TvnPDActionType AActionType)
    : TvnPDElement(nullptr, AParentDoc, AParentElement), FHandler(AParentDoc), FActionType(AActionType) {}

TvnPDAction::TvnPDAction(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                         std::unique_ptr<TvnqPDFDestination> ADest, vn::pdf::TvnObject* ADestDoc)
    : TvnPDElement(nullptr, AParentDoc, AParentElement),
      FHandler(AParentDoc),
      FActionType(TvnPDActionType::actionGoTo),
      FDestDoc(ADestDoc),
      FViewDestination(std::move(ADest)) {}

TvnPDAction::TvnPDAction(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                         TvnPDActionType AActionType, std::unique_ptr<TvnPDFileSpec> AFileSpec)
    : TvnPDElement(nullptr, AParentDoc, AParentElement),
      FHandler(AParentDoc),
      FActionType(AActionType),
      FFileSpec(std::move(AFileSpec)) {}

TvnPDAction::~TvnPDAction() = default;

TvnPDActionType TvnPDAction::ActionType() {
  if (FActionType == TvnPDActionType::actionNone && Dict()) {
    const vn::pdf::TvnPDBaseObject* type = Dict()->LookUp("S");
    if (type) {
      if (!type->IsName()) throw vn::ExBadPDFAction("Bad Action object");
      for (size_t i = 1; i < std::size(kActionTypeNames); ++i)
        if (kActionTypeNames[i] == type->AsName()->GetValue()) FActionType = static_cast<TvnPDActionType>(i);
    }
  }
  return FActionType;
}

TvnqPDFDestination* TvnPDAction::Destination() {
  if (!Dict() || FDestinationRead) return FViewDestination.get();
  FDestinationRead = true;
  vn::pdf::TvnPDBaseObject* dest = Dict()->LookUp("D");
  if (dest && (dest->IsString() || dest->IsName())) {
    TvnPDCatalog* catalog = FHandler ? FHandler->Catalog() : nullptr;
    const std::string name = dest->IsName() ? dest->AsName()->GetValue() : PdfStringBytes(dest);
    dest = catalog ? catalog->NamedDestination(name) : nullptr;
  }
  if (dest && dest->IsArray()) FViewDestination = std::make_unique<TvnqPDFDestination>(FHandler, this, dest);
  return FViewDestination.get();
}

void TvnPDAction::CollectNext(vn::pdf::TvnPDBaseObject* AValue, int ADepth) {
  if (!AValue || ADepth > kMaxNextNesting) return;
  if (AValue->IsDict()) {
    FNextActions.push_back(std::make_unique<TvnPDAction>(FHandler, this, AValue));
  } else if (AValue->IsArray()) {
    for (int64_t i = 0; i < AValue->AsArray()->GetLength(); ++i) CollectNext(AValue->AsArray()->Get(i), ADepth + 1);
  }
}

const std::vector<std::unique_ptr<TvnPDAction>>& TvnPDAction::GetAllActions() {
  if (!FNextCollected && Dict()) {
    FNextCollected = true;
    CollectNext(Dict()->LookUp("Next"), 0);
  }
  return FNextActions;
}

TvnPDFileSpec* TvnPDAction::FileSpec() {
  if (!FFileSpec && Dict()) {
    vn::pdf::TvnPDBaseObject* file = Dict()->LookUp("F");
    if (file && (file->IsString() || file->IsDict())) FFileSpec = std::make_unique<TvnPDFileSpec>(file);
  }
  return FFileSpec.get();
}

}  // namespace vn::pdfdoc
