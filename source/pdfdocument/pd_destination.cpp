#include "pdfdocument/pd_destination.h"

#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_page_tree.h"
#include "pdfdocument/pdf_document_handler.h"

namespace vn::pdfdoc {

namespace {

constexpr std::string_view kDestinationTypeNames[] = {"",    "XYZ",  "Fit",   "FitH", "FitV",
                                                      "FitR", "FitB", "FitBH", "FitBV"};

}  // namespace

TvnPageDisplayOptions DisplayOptionOfName(std::string_view AName) {
  for (size_t i = 1; i < std::size(kDestinationTypeNames); ++i)
    if (kDestinationTypeNames[i] == AName) return static_cast<TvnPageDisplayOptions>(i);
  return TvnPageDisplayOptions::None;
}

std::string_view NameOfDisplayOption(TvnPageDisplayOptions AOption) {
  const auto i = static_cast<size_t>(AOption);
  return i < std::size(kDestinationTypeNames) ? kDestinationTypeNames[i] : std::string_view{};
}

TvnqPDFDestination::TvnqPDFDestination() : FRect(std::make_unique<TvnPDRect>()) {}

TvnqPDFDestination::TvnqPDFDestination(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                       vn::pdf::TvnPDBaseObject* ABaseObject)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement),
      FHandler(AParentDoc),
      FRect(std::make_unique<TvnPDRect>()) {}

TvnqPDFDestination::TvnqPDFDestination(TvnPDFDocumentHandler* AParentDoc, TvnPDPage* APage,
                                       TvnPageDisplayOptions ADisplayOption, const TvnPDRect* ARect)
    : TvnPDElement(nullptr, AParentDoc, nullptr),
      FHandler(AParentDoc),
      FPage(APage),
      FDisplayOption(ADisplayOption),
      FRect(ARect ? std::make_unique<TvnPDRect>(ARect->Left(), ARect->Top(), ARect->Right(), ARect->Bottom())
                  : std::make_unique<TvnPDRect>()),
      FIsRectSet(ARect != nullptr),
      FPageLookedUp(true) {}

TvnqPDFDestination::~TvnqPDFDestination() = default;

TvnPDPage* TvnqPDFDestination::Page() {
  if (!FPageLookedUp && Array()) {
    FPageLookedUp = true;
    TvnPDCatalog* catalog = FHandler ? FHandler->Catalog() : nullptr;
    const vn::pdf::TvnPDBaseObject* target = Array()->Get(0);
    if (catalog && target) {
      if (target->IsInteger()) {
        const int64_t index = target->AsInteger()->GetValue();
        if (index >= 0 && index < catalog->PageTree()->Count())
          FPage = catalog->PageTree()->GetPage(static_cast<int32_t>(index + 1));
      } else {
        FPage = catalog->PageTree()->GetPageByIndRef(target);
      }
    }
  }
  return FPage;
}

TvnPageDisplayOptions TvnqPDFDestination::DisplayOptions() {
  if (FDisplayOption == TvnPageDisplayOptions::None && Array()) {
    const vn::pdf::TvnPDBaseObject* type = Array()->Get(1);
    if (type && type->IsName()) FDisplayOption = DisplayOptionOfName(type->AsName()->GetValue());
  }
  return FDisplayOption;
}

double TvnqPDFDestination::Operand(int64_t AIndex) const {
  const vn::pdf::TvnPDBaseObject* value = Array()->Get(AIndex);
  if (value && value->IsInteger()) return static_cast<double>(value->AsInteger()->GetValue());
  if (value && value->IsReal()) return value->AsReal()->GetValue();
  return 0.0;
}

TvnPDRect* TvnqPDFDestination::Rect() {
  if (!FIsRectSet && Array()) {
    FIsRectSet = true;
    switch (DisplayOptions()) {
      case TvnPageDisplayOptions::FitZoom:
        FRect->SetValues(Operand(2), Operand(3), Operand(4), 0.0);
        break;
      case TvnPageDisplayOptions::FitAll:
      case TvnPageDisplayOptions::FitBoundingBox:
        FRect->SetValues(0.0, 0.0, 0.0, 0.0);
        break;
      case TvnPageDisplayOptions::FitHeight:
      case TvnPageDisplayOptions::FitBoundingBoxHeight:
        FRect->SetValues(0.0, Operand(2), 0.0, 0.0);
        break;
      case TvnPageDisplayOptions::FitWidth:
      case TvnPageDisplayOptions::FitBoundingBoxWidth:
        FRect->SetValues(Operand(2), 0.0, 0.0, 0.0);
        break;
      case TvnPageDisplayOptions::FitRect:
        FRect->SetValues(Operand(2), Operand(3), Operand(4), Operand(5));
        break;
      case TvnPageDisplayOptions::None:
        // An unknown type: the rectangle stays empty, and a type name that
        // is set later is read on the next call.
        FIsRectSet = false;
        break;
    }
  }
  return FRect.get();
}

}  // namespace vn::pdfdoc
