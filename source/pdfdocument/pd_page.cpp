#include "pdfdocument/pd_page.h"

#include <cmath>

#include "framework/document_routines.h"
#include "pdf/base_doc.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pd_font.h"
#include "pdfdocument/pd_state.h"
#include "pdfdocument/pd_xobject.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/exceptions.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

TvnPDPage::TvnPDPage(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     TvnPDBaseObject* ABaseObject)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement), FHandler(AParentDoc) {}

TvnPDPage::~TvnPDPage() = default;

void TvnPDPage::Rebind(TvnPDBaseObject* AObject) {
  FBaseObject = AObject;
  FMediaBox.reset();
  FCropBox.reset();
  FBleedBox.reset();
  FTrimBox.reset();
  FRotate = nullptr;
  FResource.reset();
  FAnnotList.clear();
  FOwnedAnnots.clear();
  FAnnotsRead = false;
  if (FInheritedProp) FInheritedProp->Rebind(AObject);
}

TvnPDRect* TvnPDPage::OwnBox(const char* AKey, std::unique_ptr<TvnPDRect>& AOwn) {
  if (AOwn) return AOwn.get();
  TvnPDBaseObject* box = Dict() ? Dict()->LookUp(AKey) : nullptr;
  if (!box) return nullptr;
  if (!box->IsArray()) throw vn::ExBadPDFPage("Bad Page object");
  AOwn = std::make_unique<TvnPDRect>(box->AsArray());
  return AOwn.get();
}

TvnPDRect* TvnPDPage::Mediabox() {
  if (TvnPDRect* own = OwnBox("MediaBox", FMediaBox)) return own;
  TvnPDRect* inherited = FInheritedProp ? FInheritedProp->GetMediaBox() : nullptr;
  FIsInheritedMediaBox = inherited != nullptr;
  return inherited;
}

TvnPDRect* TvnPDPage::Cropbox() {
  if (TvnPDRect* own = OwnBox("CropBox", FCropBox)) return own;
  TvnPDRect* inherited = FInheritedProp ? FInheritedProp->GetCropBox() : nullptr;
  FIsInheritedCropBox = inherited != nullptr;
  return inherited;
}

TvnPDRect* TvnPDPage::Bleedbox() {
  if (!OwnBox("BleedBox", FBleedBox)) FBleedBox = std::make_unique<TvnPDRect>();
  return FBleedBox.get();
}

TvnPDRect* TvnPDPage::TrimBox() {
  if (!OwnBox("TrimBox", FTrimBox)) FTrimBox = std::make_unique<TvnPDRect>();
  return FTrimBox.get();
}

int64_t TvnPDPage::Rotate() {
  if (FRotate) return FRotate->GetValue();
  TvnPDBaseObject* rotate = Dict() ? Dict()->LookUp("Rotate") : nullptr;
  if (!rotate) return FInheritedProp ? FInheritedProp->GetRotate() : 0;
  if (!rotate->IsInteger()) return 0;
  FRotate = rotate->AsInteger();
  return FRotate->GetValue();
}

int32_t TvnPDPage::NormalizeRotation(int64_t ARotate) {
  int64_t r = ARotate % 360;
  if (r < 0) r += 360;
  return static_cast<int32_t>(r);
}

int32_t TvnPDPage::NormalizedRotate() { return NormalizeRotation(Rotate()); }

TvnPDResource* TvnPDPage::Resource() {
  if (!FResource) {
    TvnPDBaseObject* res = Dict() ? Dict()->LookUp("Resources") : nullptr;
    if (res && res->IsDict()) FResource = std::make_unique<TvnPDResource>(FHandler, this, res);
  }
  if (FResource) return FResource.get();
  return FInheritedProp ? FInheritedProp->GetResource() : nullptr;
}

namespace {

std::unique_ptr<vn::pdf::TvnPDIndirectRef> RefTo(const TvnPDBaseObject* AObj) {
  return std::make_unique<vn::pdf::TvnPDIndirectRef>(AObj->GetObjNumber(), AObj->GetGenNumber());
}

// The resources sub-dictionary of a kind a page adds; null for the others.
const char* AddedResourceKey(TvnPDResourceType AType) {
  switch (AType) {
    case TvnPDResourceType::resExtGState:
      return "ExtGState";
    case TvnPDResourceType::resColorSpace:
      return "ColorSpace";
    case TvnPDResourceType::resXObject:
      return "XObject";
    case TvnPDResourceType::resFont:
      return "Font";
    default:
      return nullptr;
  }
}

// Whether the resources list a resource of the kind under the name (which
// loads the kind's list from the dictionary).
bool ResourceListed(TvnPDResource& ARes, TvnPDResourceType AType, const std::string& AName) {
  switch (AType) {
    case TvnPDResourceType::resExtGState:
      return ARes.LookUpGState(AName) != nullptr;
    case TvnPDResourceType::resColorSpace:
      return ARes.LookUpColorSpace(AName) != nullptr;
    case TvnPDResourceType::resXObject:
      return ARes.LookUpXObject(AName) != nullptr;
    default:
      return ARes.LookUpFont(AName) != nullptr;
  }
}

// Adds the wrapper of the kind for the object to the resources' list.
void ListResource(TvnPDFDocumentHandler& AHandler, TvnPDResource& ARes, TvnPDResourceType AType,
                  const std::string& AName, TvnPDBaseObject* AObject) {
  switch (AType) {
    case TvnPDResourceType::resExtGState:
      ARes.AddExtGState(std::make_unique<TvnPDGState>(&AHandler, &ARes, AObject, AName));
      break;
    case TvnPDResourceType::resColorSpace:
      if (auto space = TvnPDColorSpace::MakeColorSpace(AObject, AName)) ARes.AddColorSpace(std::move(space));
      break;
    case TvnPDResourceType::resXObject:
      if (auto xobject = TvnPDXObject::MakeXObject(&AHandler, &ARes, AObject, AName))
        ARes.AddXObject(std::move(xobject));
      break;
    default:
      if (auto font = TvnPDFont::MakeFont(&AHandler, &ARes, AName, AObject, AHandler.CMapPath()))
        ARes.AddFont(std::move(font));
      break;
  }
}

}  // namespace

void TvnPDPage::AddResource(TvnPDResourceType ResType, const std::string& ResName, TvnPDBaseObject* ResObject) {
  const char* key = AddedResourceKey(ResType);
  if (!key || !Dict() || !FHandler || !ResObject) return;
  TvnPDResource* res = Resource();
  if (!res) {
    TvnPDBaseObject* dict = FHandler->AddNewObject(std::make_unique<TvnPDDictionary>(FHandler->BaseDoc()));
    Dict()->Add("Resources", RefTo(dict));
    res = Resource();
  }
  TvnPDDictionary* resources = res->Dict();
  TvnPDBaseObject* sub = resources->LookUp(key);
  if (!sub || !sub->IsDict()) {
    resources->Add(key, std::make_unique<TvnPDDictionary>(FHandler->BaseDoc()));
    sub = resources->LookUp(key);
  }
  // A reference needs an object of its own to point to.
  if (ResObject->GetObjNumber() <= 0) ResObject = FHandler->AddNewObject(ResObject->Clone());
  const bool listed = ResourceListed(*res, ResType, ResName);
  sub->AsDict()->Add(ResName, RefTo(ResObject));
  resources->SetIsChanged(true);
  if (!listed) ListResource(*FHandler, *res, ResType, ResName, ResObject);
}

TvnPDBaseObject* TvnPDPage::ContentsObject() { return Dict() ? Dict()->LookUp("Contents") : nullptr; }

vn::framework::TvnPageSize TvnPDPage::GetPageSize() {
  const TvnPDRect* box = Cropbox();
  if (!box) box = Mediabox();
  double width = kDefaultWidth;
  double height = kDefaultHeight;
  if (box) {
    width = std::fabs(box->Right() - box->Left());
    height = std::fabs(box->Bottom() - box->Top());
  }
  const vn::framework::TvnMeasurementUnit unit =
      FHandler ? FHandler->MeasurementUnit() : vn::framework::TvnMeasurementUnit::muPoints;
  vn::framework::TvnPageSize size;
  size.Width = vn::framework::PointsToUnit(unit, width);
  size.Height = vn::framework::PointsToUnit(unit, height);
  return size;
}

void TvnPDPage::MakeBox(double hDPI, double vDPI, int32_t Rotate, bool UseMediaBox, bool UpsideDown, int32_t SliceX,
                        int32_t SliceY, int32_t SliceW, int32_t SliceH, TvnPDRect& Box, bool& Crop) {
  const TvnPDRect letter(0, 0, kDefaultWidth, kDefaultHeight);
  const TvnPDRect* media = Mediabox();
  if (!media) media = &letter;
  const TvnPDRect* crop = Cropbox();
  if (!crop) crop = media;
  if (SliceW < 0 || SliceH < 0) {
    if (UseMediaBox) {
      Box.Assign(media);
    } else {
      Box.Assign(crop);
      Crop = true;
    }
    return;
  }
  const TvnPDRect& r = UseMediaBox ? *media : *crop;
  const double sx = 72.0 / hDPI;
  const double sy = 72.0 / vDPI;
  const double x0 = SliceX * sx;
  const double x1 = (SliceX + SliceW) * sx;
  const double y0 = SliceY * sy;
  const double y1 = (SliceY + SliceH) * sy;
  switch (Rotate) {
    case 90:
      if (UpsideDown)
        Box.SetValues(r.Left() + y0, r.Top() + x0, r.Left() + y1, r.Top() + x1);
      else
        Box.SetValues(r.Right() - y1, r.Top() + x0, r.Right() - y0, r.Top() + x1);
      break;
    case 180:
      if (UpsideDown)
        Box.SetValues(r.Right() - x1, r.Top() + y0, r.Right() - x0, r.Top() + y1);
      else
        Box.SetValues(r.Right() - x1, r.Bottom() - y1, r.Right() - x0, r.Bottom() - y0);
      break;
    case 270:
      if (UpsideDown)
        Box.SetValues(r.Right() - y1, r.Bottom() - x1, r.Right() - y0, r.Bottom() - x0);
      else
        Box.SetValues(r.Left() + y0, r.Bottom() - x1, r.Left() + y1, r.Bottom() - x0);
      break;
    default:
      if (UpsideDown)
        Box.SetValues(r.Left() + x0, r.Bottom() - y1, r.Left() + x1, r.Bottom() - y0);
      else
        Box.SetValues(r.Left() + x0, r.Top() + y0, r.Left() + x1, r.Top() + y1);
      break;
  }
}

vn::pdf::TvnPDStream* TvnPDPage::AddNewContentStream(std::string_view AStr) {
  TvnPDDictionary* page = Dict();
  if (!page || !FHandler) return nullptr;
  vn::pdf::TvnPDStream* stream = FHandler->AddNewStream(nullptr, std::string(AStr) + "\r\n");

  TvnPDBaseObject* contents = page->LookUp("Contents");
  if (contents && contents->IsArray()) {
    contents->AsArray()->Add(RefTo(stream));
    page->SetIsChanged(true);
  } else if (contents && contents->IsStream() && contents->GetObjNumber() > 0) {
    // One stream becomes an array of the old stream and the new one.
    auto list = std::make_unique<vn::pdf::TvnPDArray>(FHandler->BaseDoc());
    list->Add(RefTo(contents));
    list->Add(RefTo(stream));
    TvnPDBaseObject* array = FHandler->AddNewObject(std::move(list));
    page->Add("Contents", RefTo(array));
  } else {
    // A page without content gets the new stream as its content.
    page->Add("Contents", RefTo(stream));
  }
  return stream;
}

}  // namespace vn::pdfdoc
