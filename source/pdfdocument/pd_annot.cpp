#include "pdfdocument/pd_annot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "framework/document_routines.h"
#include "pdf/text.h"
#include "pdfdocument/font_description.h"
#include "pdfdocument/pd_appearance_stream.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_export_device.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_page_tree.h"
#include "pdfdocument/pd_state.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_stream_bytes_impl.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;
using vn::pdf::TvnPDReal;
using vn::framework::TvnMeasurementUnit;

namespace {

constexpr std::array<const char*, 25> kAnnotTypeNames = {
    "Text",      "Link",      "FreeText", "Line",  "Square", "Circle",         "Polygon", "PolyLine", "Highlight",
    "Underline", "Squiggly",  "StrikeOut", "Stamp", "Caret",  "Ink",            "Popup",   "FileAttachment",
    "Sound",     "Movie",     "Widget",   "Screen", "PrinterMark", "TrapNet", "Watermark", "3D"};

constexpr std::array<const char*, 10> kLineStyleNames = {"Square", "Circle", "Diamond",    "OpenArrow",    "ClosedArrow",
                                                         "None",   "Butt",   "ROpenArrow", "RClosedArrow", "Slash"};

constexpr std::array<const char*, 5> kBorderStyleNames = {"S", "D", "B", "I", "U"};

constexpr std::array<const char*, 14> kStampNames = {
    "Approved", "Experimental", "NotApproved", "AsIs",         "Expired",  "NotForPublicRelease", "Confidential",
    "Final",    "Sold",         "Departmental", "ForComment", "TopSecret", "Draft",              "ForPublicRelease"};

// The index of the name in the table, or -1.
template <size_t N>
int AnnotNameIndex(const std::array<const char*, N>& ATable, const TvnPDBaseObject* AName) {
  if (!AName || !AName->IsName()) return -1;
  const std::string& value = AName->AsName()->GetValue();
  for (size_t i = 0; i < N; ++i)
    if (value == ATable[i]) return static_cast<int>(i);
  return -1;
}

// The number of an integer or real object.
bool AnnotNumberOf(const TvnPDBaseObject* AObj, double& AValue) {
  if (!AObj) return false;
  if (AObj->IsInteger()) {
    AValue = static_cast<double>(AObj->AsInteger()->GetValue());
    return true;
  }
  if (AObj->IsReal()) {
    AValue = AObj->AsReal()->GetValue();
    return std::isfinite(AValue);
  }
  return false;
}

std::unique_ptr<TvnPDReal> AnnotReal(double AValue) { return std::make_unique<TvnPDReal>(AValue); }

TvnPDColorValue AnnotRGB(double AR, double AG, double AB) { return {TvnColorSpaceMode::csDeviceRGB, {AR, AG, AB}}; }

// The comma-separated text of numbers.
std::string JoinAnnotNumbers(const std::vector<double>& AValues) {
  std::string text;
  for (double v : AValues) {
    if (!text.empty()) text += ',';
    text += vn::pdf::FloatToPDText(v);
  }
  return text;
}

// The numbers of comma-separated text (pieces that are not numbers are
// skipped).
std::vector<double> SplitAnnotNumbers(const std::string& AText) {
  std::vector<double> values;
  size_t start = 0;
  while (start <= AText.size()) {
    size_t end = AText.find(',', start);
    if (end == std::string::npos) end = AText.size();
    std::string piece = AText.substr(start, end - start);
    piece.erase(0, piece.find_first_not_of(" \t"));
    piece.erase(piece.find_last_not_of(" \t") + 1);
    if (!piece.empty()) {
      try {
        values.push_back(vn::pdf::PDTextToFloat(piece));
      } catch (const vn::Exception&) {
      }
    }
    start = end + 1;
  }
  return values;
}

}  // namespace

const char* AnnotTypeName(TvnPDAnnotType AType) { return kAnnotTypeNames[static_cast<size_t>(AType)]; }
const char* LineStyleName(TvnLineStyle AStyle) { return kLineStyleNames[static_cast<size_t>(AStyle)]; }

// ---- Frame ------------------------------------------------------------------

double TvnAnnotFrame::ToUnit(double APoints) const { return vn::framework::PointsToUnit(Unit, APoints); }
double TvnAnnotFrame::FromUnit(double AValue) const {
  return vn::framework::ConvertMeasurement(Unit, TvnMeasurementUnit::muPoints, AValue);
}
double TvnAnnotFrame::XFromPDF(double AX) const { return ToUnit(AX - Left); }
double TvnAnnotFrame::YFromPDF(double AY) const { return ToUnit(Top - AY); }
double TvnAnnotFrame::XToPDF(double AX) const { return FromUnit(AX) + Left; }
double TvnAnnotFrame::YToPDF(double AY) const { return Top - FromUnit(AY); }

TvnAnnotFrame AnnotFrameOf(TvnPDPage* APage, const TvnPDFDocumentHandler* AHandler) {
  TvnAnnotFrame frame;
  frame.Left = 0.0;
  frame.Top = TvnPDPage::kDefaultHeight;
  if (AHandler) frame.Unit = AHandler->MeasurementUnit();
  if (!APage) return frame;
  const TvnPDRect* box = nullptr;
  try {
    box = APage->Cropbox();
    if (!box) box = APage->Mediabox();
  } catch (const vn::Exception&) {
    box = nullptr;
  }
  if (box) {
    frame.Left = std::min(box->Left(), box->Right());
    frame.Top = std::max(box->Top(), box->Bottom());
  }
  return frame;
}

// ---- Construction -------------------------------------------------------------

TvnPDAnnot::TvnPDAnnot()
    : FColor(AnnotRGB(0, 0, 0)), FRect(std::make_unique<TvnPDRect>()), FBorderWidth(1.0) {}

TvnPDAnnot::TvnPDAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                       TvnPDBaseObject* ABaseObject)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement), FHandler(AParentDoc), FColor(AnnotRGB(0, 0, 0)),
      FBorderWidth(1.0) {}

TvnPDAnnot::~TvnPDAnnot() = default;

void TvnPDAnnot::SetParentDoc(TvnPDFDocumentHandler* AParentDoc) {
  FHandler = AParentDoc;
  FParentDoc = AParentDoc;
}

TvnPDAnnot* TvnPDAnnot::MakeAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                  TvnPDBaseObject* ABaseObject, std::unique_ptr<TvnPDAnnot>& AOwned) {
  AOwned.reset();
  TvnPDDictionary* dict = ABaseObject ? ABaseObject->AsDict() : nullptr;
  if (!dict) return nullptr;
  const TvnPDBaseObject* subtype = dict->LookUp("Subtype");
  if (subtype && !subtype->IsName()) return nullptr;
  const std::string name = subtype ? subtype->AsName()->GetValue() : std::string("Widget");
  if (name == "Widget") {
    TvnPDCatalog* catalog = AParentDoc ? AParentDoc->Catalog() : nullptr;
    TvnPDAnnot* field = catalog ? catalog->GetAcroFormField(ABaseObject) : nullptr;
    if (field) field->SetParentElement(AParentElement);
    return field;
  }
  auto* doc = AParentDoc;
  auto* parent = AParentElement;
  auto* obj = ABaseObject;
  const int type = AnnotNameIndex(kAnnotTypeNames, subtype);
  switch (static_cast<TvnPDAnnotType>(type)) {
    case TvnPDAnnotType::annotText:
      AOwned = std::make_unique<TvnPDTextAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotLink:
      AOwned = std::make_unique<TvnPDLinkAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotFreeText:
      AOwned = std::make_unique<TvnPDFreeTextAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotLine:
      AOwned = std::make_unique<TvnPDLineAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotSquare:
      AOwned = std::make_unique<TvnPDSquareAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotCircle:
      AOwned = std::make_unique<TvnPDCircleAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotPolygon:
      AOwned = std::make_unique<TvnPDPolygonAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotPolyLine:
      AOwned = std::make_unique<TvnPDPolyLineAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotHighlight:
      AOwned = std::make_unique<TvnPDHighlightAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotUnderline:
      AOwned = std::make_unique<TvnPDUnderlineAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotSquiggly:
      AOwned = std::make_unique<TvnPDSquigglyAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotStrikeOut:
      AOwned = std::make_unique<TvnPDStrikeOutAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotStamp:
      AOwned = std::make_unique<TvnPDRubberStampAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotCaret:
      AOwned = std::make_unique<TvnPDCaretAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotInk:
      AOwned = std::make_unique<TvnPDInkAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotPopup:
      AOwned = std::make_unique<TvnPDPopUpAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotFileAttachment:
      AOwned = std::make_unique<TvnPDFileAttachmentAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotSound:
      AOwned = std::make_unique<TvnPDSoundAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotMovie:
      AOwned = std::make_unique<TvnPDMovieAnnot>(doc, parent, obj);
      break;
    case TvnPDAnnotType::annotScreen:
      AOwned = std::make_unique<TvnPDScreenAnnot>(doc, parent, obj);
      break;
    default:
      // PrinterMark, TrapNet, Watermark, 3D and unknown names have no class.
      return nullptr;
  }
  return AOwned.get();
}

void TvnPDAnnot::Update() {
  TvnPDDictionary* dict = Dict();
  const TvnPDBaseObject* parent = FParentElement ? FParentElement->BaseObject() : nullptr;
  if (!dict || !parent || parent->GetObjNumber() <= 0) return;
  dict->Remove("Parent");
  dict->Add("Parent", std::make_unique<vn::pdf::TvnPDIndirectRef>(parent->GetObjNumber(), parent->GetGenNumber()));
}

// ---- Dictionary helpers --------------------------------------------------------

String TvnPDAnnot::TextEntry(const char* AKey) const { return Dict() ? PdfTextOf(Dict()->LookUp(AKey)) : String(); }

void TvnPDAnnot::SetTextEntry(const char* AKey, StringView AValue) {
  if (TvnPDDictionary* dict = Dict()) dict->Add(AKey, MakePdfText(AValue));
}

bool TvnPDAnnot::ReadColor(const char* AKey, TvnPDColorValue& AColor, bool ARealsOnly) const {
  TvnPDBaseObject* entry = Dict() ? Dict()->LookUp(AKey) : nullptr;
  TvnPDArray* array = entry ? entry->AsArray() : nullptr;
  if (!array) return false;
  AColor.Kind = TvnColorSpaceMode::csDeviceRGB;
  AColor.Components.resize(3, 0.0);
  for (int64_t i = 0; i < std::min<int64_t>(3, array->GetLength()); ++i) {
    const TvnPDBaseObject* element = array->Get(i);
    double value = 0.0;
    if (ARealsOnly && (!element || !element->IsReal())) continue;
    if (AnnotNumberOf(element, value)) AColor.Components[static_cast<size_t>(i)] = value;
  }
  return true;
}

void TvnPDAnnot::WriteColor(const char* AKey, const TvnPDColorValue& AColor, bool AAddWhenMissing) {
  TvnPDDictionary* dict = Dict();
  if (!dict) return;
  auto component = [&](size_t i) { return i < AColor.Components.size() ? AColor.Components[i] : 0.0; };
  TvnPDBaseObject* entry = dict->LookUp(AKey);
  if (!AAddWhenMissing) {
    TvnPDArray* array = entry ? entry->AsArray() : nullptr;
    if (!array) return;
    for (int64_t i = 0; i < std::min<int64_t>(3, array->GetLength()); ++i)
      SetRealAt(array, i, component(static_cast<size_t>(i)));
    dict->SetIsChanged(true);
    return;
  }
  auto array = std::make_unique<TvnPDArray>(dict->GetParentDoc());
  for (size_t i = 0; i < 3; ++i) array->Add(AnnotReal(component(i)));
  dict->Add(AKey, std::move(array));
}

TvnPDDictionary* TvnPDAnnot::SubDict(const char* AKey, bool AMake) {
  TvnPDDictionary* dict = Dict();
  if (!dict) return nullptr;
  TvnPDBaseObject* sub = dict->LookUp(AKey);
  if (sub && sub->IsDict()) return sub->AsDict();
  if (!AMake) return nullptr;
  dict->Add(AKey, std::make_unique<TvnPDDictionary>(dict->GetParentDoc()));
  return dict->LookUp(AKey)->AsDict();
}

void TvnPDAnnot::SetReal(TvnPDDictionary* ADict, const char* AKey, double AValue) {
  if (ADict) ADict->Add(AKey, AnnotReal(AValue));
}

void TvnPDAnnot::SetRealAt(TvnPDArray* AArray, int64_t AIndex, double AValue) {
  if (!AArray || AIndex < 0 || AIndex >= AArray->GetLength()) return;
  TvnPDBaseObject* element = AArray->GetRefObj(AIndex);
  if (element && element->IsReal())
    element->AsReal()->SetValue(AValue);
  else
    AArray->SetValue(AnnotReal(AValue), AIndex);
  AArray->SetIsChanged(true);
}

void TvnPDAnnot::SetNameEntry(const char* AKey, const std::string& AValue) {
  if (TvnPDDictionary* dict = Dict()) dict->Add(AKey, std::make_unique<vn::pdf::TvnPDName>(AValue));
}

std::string TvnPDAnnot::NameEntry(const char* AKey) const {
  const TvnPDBaseObject* entry = Dict() ? Dict()->LookUp(AKey) : nullptr;
  return entry && entry->IsName() ? entry->AsName()->GetValue() : std::string();
}

TvnAnnotFrame TvnPDAnnot::Frame() { return AnnotFrameOf(Page(), FHandler); }

// ---- Common properties -----------------------------------------------------------

TvnPDRect* TvnPDAnnot::Rect() {
  TvnPDDictionary* dict = Dict();
  if (!dict || FRect) return FRect.get();
  TvnPDBaseObject* rect = dict->LookUp("Rect");
  TvnPDArray* array = rect ? rect->AsArray() : nullptr;
  if (!array) {
    // A field without a rectangle of its own: the last widget kid on this
    // annotation's page (or on no page in particular) lends its /Rect.
    TvnPDBaseObject* kids = dict->LookUp("Kids");
    TvnPDArray* list = kids ? kids->AsArray() : nullptr;
    TvnPDPage* page = Page();
    for (int64_t i = list ? list->GetLength() - 1 : -1; i >= 0 && !array; --i) {
      TvnPDBaseObject* kid = list->Get(i);
      TvnPDDictionary* kid_dict = kid ? kid->AsDict() : nullptr;
      if (!kid_dict) continue;
      TvnPDBaseObject* kid_rect = kid_dict->LookUp("Rect");
      if (!kid_rect || !kid_rect->IsArray()) continue;
      const TvnPDBaseObject* kid_page = kid_dict->LookUp("P");
      if (kid_page && page && page->BaseObject() &&
          kid_page->GetObjNumber() != page->BaseObject()->GetObjNumber())
        continue;
      array = kid_rect->AsArray();
    }
  }
  if (!array) return nullptr;
  const TvnPDRect read(array);
  const TvnAnnotFrame frame = Frame();
  FRect = std::make_unique<TvnPDRect>(frame.XFromPDF(read.Left()), frame.YFromPDF(read.Top()),
                                      frame.XFromPDF(read.Right()), frame.YFromPDF(read.Bottom()));
  return FRect.get();
}

void TvnPDAnnot::SetRect(double ALeft, double ATop, double ARight, double ABottom) {
  if (!FRect) FRect = std::make_unique<TvnPDRect>();
  FRect->SetValues(ALeft, ATop, ARight, ABottom);
  TvnPDDictionary* dict = Dict();
  if (!dict) return;
  const TvnAnnotFrame frame = Frame();
  const double x0 = frame.XToPDF(ALeft), x1 = frame.XToPDF(ARight);
  const double y0 = frame.YToPDF(ATop), y1 = frame.YToPDF(ABottom);
  auto array = std::make_unique<TvnPDArray>(dict->GetParentDoc());
  array->Add(AnnotReal(std::min(x0, x1)));
  array->Add(AnnotReal(std::min(y0, y1)));
  array->Add(AnnotReal(std::max(x0, x1)));
  array->Add(AnnotReal(std::max(y0, y1)));
  dict->Add("Rect", std::move(array));
}

TvnPDAnnot::TvnBounds TvnPDAnnot::GetBounds() {
  const TvnPDRect* rect = Rect();
  if (!rect) return {};
  return {vn::Round(rect->Left()), vn::Round(rect->Top()), vn::Round(rect->Right()), vn::Round(rect->Bottom())};
}

String TvnPDAnnot::Contents() {
  if (FContents.empty()) FContents = TextEntry("Contents");
  return FContents;
}

void TvnPDAnnot::SetContents(StringView Value) {
  SetTextEntry("Contents", Value);
  FContents = String(Value);
}

String TvnPDAnnot::Name() {
  if (FName.empty()) FName = TextEntry("NM");
  return FName;
}

void TvnPDAnnot::SetName(StringView Value) {
  SetTextEntry("NM", Value);
  FName = String(Value);
}

String TvnPDAnnot::Author() {
  if (FAuthor.empty()) FAuthor = TextEntry("T");
  return FAuthor;
}

String TvnPDAnnot::Title() {
  if (FTitle.empty() && Dict()) {
    const TvnPDBaseObject* title = Dict()->LookUp("Title");
    if (title && !title->IsString()) throw vn::ExBadPDFAnnotation("Bad Annotation object");
    // Annotations name their title bar with /T; /Title is read first.
    FTitle = title ? PdfTextOf(title) : TextEntry("T");
  }
  return FTitle;
}

void TvnPDAnnot::SetTitle(StringView Value) {
  SetTextEntry("T", Value);
  FTitle = String(Value);
  FAuthor = String(Value);
}

TvnPDDate* TvnPDAnnot::Date() {
  if (!FDateRead && Dict()) {
    FDateRead = true;
    const TvnPDBaseObject* date = Dict()->LookUp("M");
    if (date && date->IsString()) FDate = std::make_unique<TvnPDDate>(PdfStringBytes(date));
  }
  return FDate.get();
}

TvnPDColorValue TvnPDAnnot::Color() {
  ReadColor("C", FColor);
  return FColor;
}

void TvnPDAnnot::SetColor(const TvnPDColorValue& Value) {
  WriteColor("C", Value);
  FColor = Value;
}

TvnPDAnnotFlags TvnPDAnnot::Flags() {
  const TvnPDBaseObject* flags = Dict() ? Dict()->LookUp("F") : nullptr;
  if (flags && flags->IsInteger())
    FFlags = TvnPDAnnotFlags::FromBits(static_cast<uint64_t>(flags->AsInteger()->GetValue()) & 0x3FF);
  return FFlags;
}

void TvnPDAnnot::SetFlags(TvnPDAnnotFlags Value) {
  FFlags = TvnPDAnnotFlags::FromBits(Value.bits() & 0x3FF);
  TvnPDDictionary* dict = Dict();
  if (!dict) return;
  // Bits beyond the known flags stay as the file has them.
  const TvnPDBaseObject* old = dict->LookUp("F");
  const int64_t kept = old && old->IsInteger() ? old->AsInteger()->GetValue() & ~int64_t{0x3FF} : 0;
  dict->Add("F", std::make_unique<vn::pdf::TvnPDInteger>(kept | static_cast<int64_t>(FFlags.bits())));
}

TvnAnnotBorderStyle TvnPDAnnot::BorderStyle() {
  if (TvnPDDictionary* bs = SubDict("BS", false)) {
    const int style = AnnotNameIndex(kBorderStyleNames, bs->LookUp("S"));
    if (style >= 0) FBorderStyle = static_cast<TvnAnnotBorderStyle>(style);
  }
  return FBorderStyle;
}

void TvnPDAnnot::SetBorderStyle(TvnAnnotBorderStyle Value) {
  FBorderStyle = Value;
  if (TvnPDDictionary* bs = SubDict("BS", true))
    bs->Add("S", std::make_unique<vn::pdf::TvnPDName>(kBorderStyleNames[static_cast<size_t>(Value)]));
}

double TvnPDAnnot::BorderWidth() {
  double width = 0.0;
  if (TvnPDDictionary* bs = SubDict("BS", false)) {
    if (AnnotNumberOf(bs->LookUp("W"), width)) FBorderWidth = width;
  } else if (TvnPDBaseObject* border = Dict() ? Dict()->LookUp("Border") : nullptr) {
    // The older /Border [horizontal-radius vertical-radius width].
    if (TvnPDArray* array = border->AsArray(); array && array->GetLength() >= 3 && AnnotNumberOf(array->Get(2), width))
      FBorderWidth = width;
  }
  return FBorderWidth;
}

void TvnPDAnnot::SetBorderWidth(double Value) {
  FBorderWidth = Value;
  SetReal(SubDict("BS", true), "W", Value);
}

TvnPDAnnotType TvnPDAnnot::AnnotType() {
  const int type = AnnotNameIndex(kAnnotTypeNames, Dict() ? Dict()->LookUp("Subtype") : nullptr);
  if (type >= 0) FAnnotType = static_cast<TvnPDAnnotType>(type);
  return FAnnotType;
}

TvnPDAction* TvnPDAnnot::Actions() {
  if (!FActionsRead && Dict()) {
    FActionsRead = true;
    TvnPDBaseObject* action = Dict()->LookUp("A");
    if (action && action->IsDict() && !FActions) FActions = std::make_unique<TvnPDAction>(FHandler, this, action);
  }
  return FActions.get();
}

TvnPDPage* TvnPDAnnot::Page() {
  if (FPageRead) return FPage;
  FPageRead = true;
  const TvnPDBaseObject* page = Dict() ? Dict()->LookUp("P") : nullptr;
  TvnPDCatalog* catalog = FHandler ? FHandler->Catalog() : nullptr;
  if (page && catalog && catalog->PageTree()) FPage = catalog->PageTree()->GetPageByIndRef(page);
  if (!FPage) FPage = dynamic_cast<TvnPDPage*>(FParentElement);
  return FPage;
}

int32_t TvnPDAnnot::PageNumber() {
  TvnPDPage* page = Page();
  return page ? page->PageNum() : 1;
}

TvnPDAppearanceStream* TvnPDAnnot::NormalAP() {
  if (!FNormalAP && FBaseObject)
    FNormalAP = std::make_unique<TvnPDAppearanceStream>(FParentDoc, FBaseObject, std::string());
  return FNormalAP.get();
}

bool TvnPDAnnot::IsValid() const {
  const TvnPDDictionary* dict = Dict();
  if (!dict) return false;
  const TvnPDBaseObject* type = dict->LookUp("Type");
  const TvnPDBaseObject* rect = dict->LookUp("Rect");
  return type && type->IsName("Annot") && rect && rect->IsArray();
}

bool TvnPDAnnot::IsReply() const { return Dict() && Dict()->LookupRefObj("IRT") != nullptr; }

TvnPDAnnot* TvnPDAnnot::GetInReplyToAnnot(std::unique_ptr<TvnPDAnnot>& AOwned) {
  AOwned.reset();
  TvnPDBaseObject* target = Dict() ? Dict()->LookUp("IRT") : nullptr;
  if (!target || target == FBaseObject) return nullptr;
  return MakeAnnot(FHandler, this, target, AOwned);
}

bool TvnPDAnnot::IsShown(bool APrinting) {
  const TvnPDAnnotFlags flags = Flags();
  if (flags.Contains(TvnPDAnnotFlag::afHidden)) return false;
  if (APrinting) return flags.Contains(TvnPDAnnotFlag::afPrint);
  return !flags.Contains(TvnPDAnnotFlag::afNoView);
}

void TvnPDAnnot::Display(TvnPDExportDevice* OutDev, double hDPI, double vDPI) {
  TvnPDAppearanceStream* ap = OutDev ? NormalAP() : nullptr;
  TvnPDForm* form = ap ? ap->Form() : nullptr;
  // The page is the form's box as its matrix places it.
  TvnPDRect box;
  if (!form || !PlacedFormBox(*form, box)) return;
  TvnPDState state(hDPI, vDPI, 0, &box);
  OutDev->StartPage(1, state);
  const TvnEndPageGuard end_page(OutDev);
  OutDev->DrawFormXObject(state, form);
}

// ---- Text ------------------------------------------------------------------------

TvnPDTextAnnot::TvnPDTextAnnot() { FAnnotType = TvnPDAnnotType::annotText; }

TvnPDTextAnnot::TvnPDTextAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                               TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotText;
}

bool TvnPDTextAnnot::Open() {
  if (const TvnPDBaseObject* open = Dict() ? Dict()->LookUp("Open") : nullptr) {
    if (!open->IsBoolean()) throw vn::Exception("Bad Annotation object");
    FOpen = open->AsBoolean()->GetValue();
  }
  return FOpen;
}

void TvnPDTextAnnot::SetOpen(bool Value) {
  FOpen = Value;
  if (TvnPDDictionary* dict = Dict()) dict->Add("Open", std::make_unique<vn::pdf::TvnPDBoolean>(Value));
}

namespace {

// A string entry as text; "Bad Annotation object" when it is another kind.
String StrictAnnotText(const TvnPDDictionary* ADict, const char* AKey, const String& AKept) {
  const TvnPDBaseObject* entry = ADict ? ADict->LookUp(AKey) : nullptr;
  if (!entry) return AKept;
  if (!entry->IsString()) throw vn::Exception("Bad Annotation object");
  return PdfTextOf(entry);
}

}  // namespace

String TvnPDTextAnnot::State() {
  FState = StrictAnnotText(Dict(), "State", FState);
  return FState;
}

void TvnPDTextAnnot::SetState(StringView Value) {
  SetTextEntry("State", Value);
  FState = String(Value);
}

String TvnPDTextAnnot::StateModel() {
  FStateModel = StrictAnnotText(Dict(), "StateModel", FStateModel);
  return FStateModel;
}

void TvnPDTextAnnot::SetStateModel(StringView Value) {
  SetTextEntry("StateModel", Value);
  FStateModel = String(Value);
}

// ---- Link -------------------------------------------------------------------------

TvnPDLinkAnnot::TvnPDLinkAnnot() { FAnnotType = TvnPDAnnotType::annotLink; }

TvnPDLinkAnnot::TvnPDLinkAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                               TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotLink;
}

TvnPDLinkAnnot::~TvnPDLinkAnnot() = default;

TvnLinkHighlightType TvnPDLinkAnnot::HighLightType() {
  const std::string h = NameEntry("H");
  if (h == "N") FHighLightType = TvnLinkHighlightType::lhNone;
  if (h == "I") FHighLightType = TvnLinkHighlightType::lhInvert;
  if (h == "O") FHighLightType = TvnLinkHighlightType::lhOutline;
  if (h == "P") FHighLightType = TvnLinkHighlightType::lhPush;
  return FHighLightType;
}

void TvnPDLinkAnnot::SetHighLightType(TvnLinkHighlightType Value) {
  static constexpr const char* kNames[] = {"I", "O", "P", "N"};
  FHighLightType = Value;
  SetNameEntry("H", kNames[static_cast<size_t>(Value)]);
}

TvnqPDFDestination* TvnPDLinkAnnot::Destination() {
  if (!FDestinationRead && Dict()) {
    FDestinationRead = true;
    TvnPDBaseObject* dest = Dict()->LookUp("Dest");
    if (dest && dest->IsArray()) FDestination = std::make_unique<TvnqPDFDestination>(FHandler, this, dest);
  }
  return FDestination.get();
}

// ---- Free text ----------------------------------------------------------------------

TvnPDFreeTextAnnot::TvnPDFreeTextAnnot() : FFont(std::make_unique<TvnFont>()) {
  FAnnotType = TvnPDAnnotType::annotFreeText;
}

TvnPDFreeTextAnnot::TvnPDFreeTextAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                       TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject), FFont(std::make_unique<TvnFont>()) {
  FAnnotType = TvnPDAnnotType::annotFreeText;
}

TvnPDFreeTextAnnot::~TvnPDFreeTextAnnot() = default;

TvnFont* TvnPDFreeTextAnnot::Font() {
  if (!FFont) FFont = std::make_unique<TvnFont>();
  return FFont.get();
}

TvnFreeTextIntent TvnPDFreeTextAnnot::Intent() {
  const std::string it = NameEntry("IT");
  if (it == "FreeTextCallout") FIntent = TvnFreeTextIntent::ftCallout;
  if (it == "FreeTextTypeWriter" || it == "FreeTextTypewriter") FIntent = TvnFreeTextIntent::ftTypeWriter;
  return FIntent;
}

void TvnPDFreeTextAnnot::SetIntent(TvnFreeTextIntent Value) {
  FIntent = Value;
  if (Value == TvnFreeTextIntent::ftNone) {
    if (TvnPDDictionary* dict = Dict()) dict->Remove("IT");
    return;
  }
  SetNameEntry("IT", Value == TvnFreeTextIntent::ftCallout ? "FreeTextCallout" : "FreeTextTypeWriter");
}

TvnFreeTextAllign TvnPDFreeTextAnnot::TextAllign() {
  const TvnPDBaseObject* q = Dict() ? Dict()->LookUp("Q") : nullptr;
  if (q && q->IsInteger()) {
    const int64_t value = q->AsInteger()->GetValue();
    if (value == 0) FTextAllign = TvnFreeTextAllign::ftLeftJustified;
    if (value == 1) FTextAllign = TvnFreeTextAllign::ftCentered;
    if (value == 2) FTextAllign = TvnFreeTextAllign::ftRightJustified;
  }
  return FTextAllign;
}

void TvnPDFreeTextAnnot::SetTextAllign(TvnFreeTextAllign Value) {
  FTextAllign = Value;
  if (TvnPDDictionary* dict = Dict())
    dict->Add("Q", std::make_unique<vn::pdf::TvnPDInteger>(static_cast<int64_t>(Value)));
}

// ---- Line endings shared by lines and polygons ------------------------------------------

namespace {

// /LE [beginning ending]: the style at AIndex, or AKept.
TvnLineStyle ReadLineStyle(const TvnPDDictionary* ADict, int AIndex, TvnLineStyle AKept) {
  const TvnPDBaseObject* le = ADict ? ADict->LookUp("LE") : nullptr;
  const TvnPDArray* array = le ? le->AsArray() : nullptr;
  if (!array || array->GetLength() <= AIndex) return AKept;
  const int style = AnnotNameIndex(kLineStyleNames, array->Get(AIndex));
  return style >= 0 ? static_cast<TvnLineStyle>(style) : AKept;
}

void WriteLineStyle(TvnPDDictionary* ADict, int AIndex, TvnLineStyle AStyle, const TvnLineStyle (&AKept)[2]) {
  if (!ADict) return;
  TvnPDBaseObject* le = ADict->LookUp("LE");
  TvnPDArray* array = le ? le->AsArray() : nullptr;
  if (array && array->GetLength() > AIndex) {
    array->SetValue(std::make_unique<vn::pdf::TvnPDName>(LineStyleName(AStyle)), AIndex);
    array->SetIsChanged(true);
    ADict->SetIsChanged(true);
    return;
  }
  auto fresh = std::make_unique<TvnPDArray>(ADict->GetParentDoc());
  for (int i = 0; i < 2; ++i)
    fresh->Add(std::make_unique<vn::pdf::TvnPDName>(LineStyleName(i == AIndex ? AStyle : AKept[i])));
  ADict->Add("LE", std::move(fresh));
}

}  // namespace

// ---- Line ----------------------------------------------------------------------------

TvnPDLineAnnot::TvnPDLineAnnot() : FInteriorColor(AnnotRGB(1, 1, 1)) {
  FAnnotType = TvnPDAnnotType::annotLine;
  FBorderStyle = TvnAnnotBorderStyle::absSolid;
}

TvnPDLineAnnot::TvnPDLineAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                               TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject), FInteriorColor(AnnotRGB(1, 1, 1)) {
  FAnnotType = TvnPDAnnotType::annotLine;
}

double TvnPDLineAnnot::Coordinate(int AIndex) {
  const TvnPDBaseObject* l = Dict() ? Dict()->LookUp("L") : nullptr;
  const TvnPDArray* array = l ? l->AsArray() : nullptr;
  double value = 0.0;
  if (array && array->GetLength() > AIndex && AnnotNumberOf(array->Get(AIndex), value)) {
    const TvnAnnotFrame frame = Frame();
    FCoords[AIndex] = AIndex % 2 == 0 ? frame.XFromPDF(value) : frame.YFromPDF(value);
  }
  return FCoords[AIndex];
}

void TvnPDLineAnnot::SetCoordinate(int AIndex, double Value) {
  FCoords[AIndex] = Value;
  TvnPDBaseObject* l = Dict() ? Dict()->LookUp("L") : nullptr;
  if (!l || !l->IsArray()) return;
  const TvnAnnotFrame frame = Frame();
  SetRealAt(l->AsArray(), AIndex, AIndex % 2 == 0 ? frame.XToPDF(Value) : frame.YToPDF(Value));
  Dict()->SetIsChanged(true);
}

double TvnPDLineAnnot::X1() { return Coordinate(0); }
double TvnPDLineAnnot::Y1() { return Coordinate(1); }
double TvnPDLineAnnot::X2() { return Coordinate(2); }
double TvnPDLineAnnot::Y2() { return Coordinate(3); }
void TvnPDLineAnnot::SetX1(double Value) { SetCoordinate(0, Value); }
void TvnPDLineAnnot::SetY1(double Value) { SetCoordinate(1, Value); }
void TvnPDLineAnnot::SetX2(double Value) { SetCoordinate(2, Value); }
void TvnPDLineAnnot::SetY2(double Value) { SetCoordinate(3, Value); }

TvnLineStyle TvnPDLineAnnot::LineBeginningStyle() {
  FLineStyles[0] = ReadLineStyle(Dict(), 0, FLineStyles[0]);
  return FLineStyles[0];
}

void TvnPDLineAnnot::SetLineBeginningStyle(TvnLineStyle Value) {
  WriteLineStyle(Dict(), 0, Value, FLineStyles);
  FLineStyles[0] = Value;
}

TvnLineStyle TvnPDLineAnnot::LineEndingStyle() {
  FLineStyles[1] = ReadLineStyle(Dict(), 1, FLineStyles[1]);
  return FLineStyles[1];
}

void TvnPDLineAnnot::SetLineEndingStyle(TvnLineStyle Value) {
  WriteLineStyle(Dict(), 1, Value, FLineStyles);
  FLineStyles[1] = Value;
}

TvnPDColorValue TvnPDLineAnnot::InteriorColor() {
  ReadColor("IC", FInteriorColor);
  return FInteriorColor;
}

void TvnPDLineAnnot::SetInteriorColor(const TvnPDColorValue& Value) {
  WriteColor("IC", Value);
  FInteriorColor = Value;
}

double TvnPDLineAnnot::LeaderLines() {
  double value = 0.0;
  if (Dict() && AnnotNumberOf(Dict()->LookUp("LL"), value)) FLeaderLines = Frame().ToUnit(value);
  return FLeaderLines;
}

void TvnPDLineAnnot::SetLeaderLines(double Value) {
  FLeaderLines = Value;
  SetReal(Dict(), "LL", Frame().FromUnit(Value));
}

// ---- Square and circle -----------------------------------------------------------------

TvnPDShapeAnnot::TvnPDShapeAnnot(TvnPDAnnotType AType) : FInteriorColor(AnnotRGB(1, 1, 1)) { FAnnotType = AType; }

TvnPDShapeAnnot::TvnPDShapeAnnot(TvnPDAnnotType AType, TvnPDFDocumentHandler* AParentDoc,
                                 vn::pdf::TvnPDElement* AParentElement, TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject), FInteriorColor(AnnotRGB(1, 1, 1)) {
  FAnnotType = AType;
}

TvnPDColorValue TvnPDShapeAnnot::InteriorColor() {
  ReadColor("IC", FInteriorColor);
  return FInteriorColor;
}

void TvnPDShapeAnnot::SetInteriorColor(const TvnPDColorValue& Value) {
  WriteColor("IC", Value);
  FInteriorColor = Value;
}

double TvnPDShapeAnnot::Intensity() {
  double value = 0.0;
  if (TvnPDDictionary* be = SubDict("BE", false); be && AnnotNumberOf(be->LookUp("I"), value)) FIntensity = value;
  return FIntensity;
}

void TvnPDShapeAnnot::SetIntensity(double Value) {
  FIntensity = Value;
  SetReal(SubDict("BE", true), "I", Value);
}

bool TvnPDShapeAnnot::IsCloudy() {
  if (TvnPDDictionary* be = SubDict("BE", false)) {
    const TvnPDBaseObject* s = be->LookUp("S");
    if (s && s->IsName()) FIsCloudy = s->IsName("C");
  }
  return FIsCloudy;
}

void TvnPDShapeAnnot::SetIsCloudy(bool Value) {
  FIsCloudy = Value;
  if (TvnPDDictionary* be = SubDict("BE", true)) be->Add("S", std::make_unique<vn::pdf::TvnPDName>(Value ? "C" : "S"));
}

TvnPDSquareAnnot::TvnPDSquareAnnot() : TvnPDShapeAnnot(TvnPDAnnotType::annotSquare) {}
TvnPDSquareAnnot::TvnPDSquareAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                   TvnPDBaseObject* ABaseObject)
    : TvnPDShapeAnnot(TvnPDAnnotType::annotSquare, AParentDoc, AParentElement, ABaseObject) {}

TvnPDCircleAnnot::TvnPDCircleAnnot() : TvnPDShapeAnnot(TvnPDAnnotType::annotCircle) {}
TvnPDCircleAnnot::TvnPDCircleAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                   TvnPDBaseObject* ABaseObject)
    : TvnPDShapeAnnot(TvnPDAnnotType::annotCircle, AParentDoc, AParentElement, ABaseObject) {}

// ---- Polygon and polyline ------------------------------------------------------------------

std::string TvnPDPolyAnnot::GetVertices() {
  const TvnPDBaseObject* vertices = Dict() ? Dict()->LookUp("Vertices") : nullptr;
  const TvnPDArray* array = vertices ? vertices->AsArray() : nullptr;
  if (!array) return FVertices;
  const TvnAnnotFrame frame = Frame();
  std::vector<double> values;
  for (int64_t i = 0; i < array->GetLength(); ++i) {
    double value = 0.0;
    if (!AnnotNumberOf(array->Get(i), value)) value = 0.0;
    values.push_back(i % 2 == 0 ? frame.XFromPDF(value) : frame.YFromPDF(value));
  }
  FVertices = JoinAnnotNumbers(values);
  return FVertices;
}

void TvnPDPolyAnnot::SetVertices(const std::string& AVertices) {
  FVertices = AVertices;
  TvnPDBaseObject* vertices = Dict() ? Dict()->LookUp("Vertices") : nullptr;
  TvnPDArray* array = vertices ? vertices->AsArray() : nullptr;
  if (!array) return;
  const TvnAnnotFrame frame = Frame();
  const std::vector<double> values = SplitAnnotNumbers(AVertices);
  for (size_t i = 0; i < values.size() && static_cast<int64_t>(i) < array->GetLength(); ++i)
    SetRealAt(array, static_cast<int64_t>(i), i % 2 == 0 ? frame.XToPDF(values[i]) : frame.YToPDF(values[i]));
  Dict()->SetIsChanged(true);
}

TvnLineStyle TvnPDPolyAnnot::LineBeginningStyle() {
  FLineStyles[0] = ReadLineStyle(Dict(), 0, FLineStyles[0]);
  return FLineStyles[0];
}

void TvnPDPolyAnnot::SetLineBeginningStyle(TvnLineStyle Value) {
  WriteLineStyle(Dict(), 0, Value, FLineStyles);
  FLineStyles[0] = Value;
}

TvnLineStyle TvnPDPolyAnnot::LineEndingStyle() {
  FLineStyles[1] = ReadLineStyle(Dict(), 1, FLineStyles[1]);
  return FLineStyles[1];
}

void TvnPDPolyAnnot::SetLineEndingStyle(TvnLineStyle Value) {
  WriteLineStyle(Dict(), 1, Value, FLineStyles);
  FLineStyles[1] = Value;
}

TvnPDPolygonAnnot::TvnPDPolygonAnnot() : TvnPDPolyAnnot(TvnPDAnnotType::annotPolygon) {}
TvnPDPolygonAnnot::TvnPDPolygonAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                     TvnPDBaseObject* ABaseObject)
    : TvnPDPolyAnnot(TvnPDAnnotType::annotPolygon, AParentDoc, AParentElement, ABaseObject) {}

TvnPDPolyLineAnnot::TvnPDPolyLineAnnot() : TvnPDPolyAnnot(TvnPDAnnotType::annotPolyLine) {}
TvnPDPolyLineAnnot::TvnPDPolyLineAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                       TvnPDBaseObject* ABaseObject)
    : TvnPDPolyAnnot(TvnPDAnnotType::annotPolyLine, AParentDoc, AParentElement, ABaseObject) {}

// ---- Text markup -------------------------------------------------------------------------

TvnPDMarkUpAnnot::TvnPDMarkUpAnnot(TvnMarkUpType AMarkupType) {
  static constexpr TvnPDAnnotType kTypes[] = {TvnPDAnnotType::annotHighlight, TvnPDAnnotType::annotUnderline,
                                              TvnPDAnnotType::annotSquiggly, TvnPDAnnotType::annotStrikeOut};
  FAnnotType = kTypes[static_cast<size_t>(AMarkupType)];
}

TvnPDMarkUpAnnot::TvnPDMarkUpAnnot(TvnPDAnnotType AType, TvnPDFDocumentHandler* AParentDoc,
                                   vn::pdf::TvnPDElement* AParentElement, TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = AType;
}

std::string TvnPDMarkUpAnnot::GetQuadPoints() {
  const TvnPDBaseObject* quads = Dict() ? Dict()->LookUp("QuadPoints") : nullptr;
  const TvnPDArray* array = quads ? quads->AsArray() : nullptr;
  if (!array) return FQuadPoints;
  const TvnAnnotFrame frame = Frame();
  std::vector<double> values;
  for (int64_t i = 0; i < array->GetLength(); ++i) {
    double value = 0.0;
    if (!AnnotNumberOf(array->Get(i), value)) value = 0.0;
    values.push_back(i % 2 == 0 ? frame.XFromPDF(value) : frame.YFromPDF(value));
  }
  FQuadPoints = JoinAnnotNumbers(values);
  return FQuadPoints;
}

void TvnPDMarkUpAnnot::SetQuadPoints(double AFX1, double AFY1, double AFX2, double AFY2, double AFX3, double AFY3,
                                     double AFX4, double AFY4) {
  const std::vector<double> values = {AFX1, AFY1, AFX2, AFY2, AFX3, AFY3, AFX4, AFY4};
  FQuadPoints = JoinAnnotNumbers(values);
  TvnPDBaseObject* quads = Dict() ? Dict()->LookUp("QuadPoints") : nullptr;
  TvnPDArray* array = quads ? quads->AsArray() : nullptr;
  if (!array) return;
  const TvnAnnotFrame frame = Frame();
  for (size_t i = 0; i < values.size() && static_cast<int64_t>(i) < array->GetLength(); ++i)
    SetRealAt(array, static_cast<int64_t>(i), i % 2 == 0 ? frame.XToPDF(values[i]) : frame.YToPDF(values[i]));
  Dict()->SetIsChanged(true);
}

// ---- Stamp, caret, ink, popup ----------------------------------------------------------------

TvnPDRubberStampAnnot::TvnPDRubberStampAnnot() { FAnnotType = TvnPDAnnotType::annotStamp; }

TvnPDRubberStampAnnot::TvnPDRubberStampAnnot(TvnPDFDocumentHandler* AParentDoc,
                                             vn::pdf::TvnPDElement* AParentElement, TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotStamp;
}

TvnRubberStampIcon TvnPDRubberStampAnnot::IconName() {
  const int icon = AnnotNameIndex(kStampNames, Dict() ? Dict()->LookUp("Name") : nullptr);
  if (icon >= 0) FIconName = static_cast<TvnRubberStampIcon>(icon);
  return FIconName;
}

void TvnPDRubberStampAnnot::SetIconName(TvnRubberStampIcon Value) {
  FIconName = Value;
  SetNameEntry("Name", kStampNames[static_cast<size_t>(Value)]);
}

TvnPDCaretAnnot::TvnPDCaretAnnot() { FAnnotType = TvnPDAnnotType::annotCaret; }

TvnPDCaretAnnot::TvnPDCaretAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                 TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotCaret;
}

TvnCaretSymbol TvnPDCaretAnnot::CaretSymbol() {
  const std::string sy = NameEntry("Sy");
  if (sy == "P") FCaretSymbol = TvnCaretSymbol::csParagraph;
  if (sy == "None") FCaretSymbol = TvnCaretSymbol::csNone;
  return FCaretSymbol;
}

void TvnPDCaretAnnot::SetCaretSymbol(TvnCaretSymbol Value) {
  FCaretSymbol = Value;
  SetNameEntry("Sy", Value == TvnCaretSymbol::csParagraph ? "P" : "None");
}

TvnPDInkAnnot::TvnPDInkAnnot() { FAnnotType = TvnPDAnnotType::annotInk; }

TvnPDInkAnnot::TvnPDInkAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                             TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotInk;
}

std::vector<std::vector<double>> TvnPDInkAnnot::InkList() {
  const TvnPDBaseObject* ink = Dict() ? Dict()->LookUp("InkList") : nullptr;
  const TvnPDArray* strokes = ink ? ink->AsArray() : nullptr;
  if (!strokes) return FInkList;
  const TvnAnnotFrame frame = Frame();
  FInkList.clear();
  for (int64_t i = 0; i < strokes->GetLength(); ++i) {
    const TvnPDBaseObject* stroke = strokes->Get(i);
    const TvnPDArray* points = stroke ? stroke->AsArray() : nullptr;
    if (!points) continue;
    std::vector<double> values;
    for (int64_t j = 0; j < points->GetLength(); ++j) {
      double value = 0.0;
      if (!AnnotNumberOf(points->Get(j), value)) value = 0.0;
      values.push_back(j % 2 == 0 ? frame.XFromPDF(value) : frame.YFromPDF(value));
    }
    FInkList.push_back(std::move(values));
  }
  return FInkList;
}

void TvnPDInkAnnot::SetInkList(const std::vector<std::vector<double>>& Value) {
  FInkList = Value;
  TvnPDDictionary* dict = Dict();
  if (!dict) return;
  const TvnAnnotFrame frame = Frame();
  auto strokes = std::make_unique<TvnPDArray>(dict->GetParentDoc());
  for (const std::vector<double>& stroke : Value) {
    auto points = std::make_unique<TvnPDArray>(dict->GetParentDoc());
    for (size_t j = 0; j < stroke.size(); ++j)
      points->Add(AnnotReal(j % 2 == 0 ? frame.XToPDF(stroke[j]) : frame.YToPDF(stroke[j])));
    strokes->Add(std::move(points));
  }
  dict->Add("InkList", std::move(strokes));
}

TvnPDPopUpAnnot::TvnPDPopUpAnnot() { FAnnotType = TvnPDAnnotType::annotPopup; }

TvnPDPopUpAnnot::TvnPDPopUpAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                 TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotPopup;
}

bool TvnPDPopUpAnnot::IsOpen() {
  const TvnPDBaseObject* open = Dict() ? Dict()->LookUp("Open") : nullptr;
  if (open && open->IsBoolean()) FIsOpen = open->AsBoolean()->GetValue();
  return FIsOpen;
}

void TvnPDPopUpAnnot::SetIsOpen(bool Value) {
  FIsOpen = Value;
  if (TvnPDDictionary* dict = Dict()) dict->Add("Open", std::make_unique<vn::pdf::TvnPDBoolean>(Value));
}

TvnPDAnnot* TvnPDPopUpAnnot::Parent() {
  if (!FParentRead && Dict()) {
    FParentRead = true;
    TvnPDBaseObject* parent = Dict()->LookUp("Parent");
    // A popup that names itself as its parent gets none.
    if (parent && parent != FBaseObject) FParent = MakeAnnot(FHandler, FParentElement, parent, FOwnedParent);
  }
  return FParent;
}

// ---- File attachment ---------------------------------------------------------------------

TvnPDFileAttachmentAnnot::TvnPDFileAttachmentAnnot()
    : FFileSpec(std::make_unique<TvnPDFileSpec>()), FFileSpecRead(true), FIconColor(AnnotRGB(1, 0, 0)) {
  FAnnotType = TvnPDAnnotType::annotFileAttachment;
}

TvnPDFileAttachmentAnnot::TvnPDFileAttachmentAnnot(TvnPDFDocumentHandler* AParentDoc,
                                                   vn::pdf::TvnPDElement* AParentElement,
                                                   TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject), FIconColor(AnnotRGB(1, 0, 0)) {
  FAnnotType = TvnPDAnnotType::annotFileAttachment;
}

TvnPDFileAttachmentAnnot::~TvnPDFileAttachmentAnnot() = default;

TvnPDFileSpec* TvnPDFileAttachmentAnnot::FileSpec() {
  if (!FFileSpecRead && Dict()) {
    FFileSpecRead = true;
    TvnPDBaseObject* fs = Dict()->LookUp("FS");
    if (fs && (fs->IsString() || fs->IsDict())) FFileSpec = std::make_unique<TvnPDFileSpec>(fs);
  }
  return FFileSpec.get();
}

String TvnPDFileAttachmentAnnot::FileName() {
  TvnPDFileSpec* file_ref = FileSpec();
  return file_ref ? file_ref->FileName() : String();
}

void TvnPDFileAttachmentAnnot::SetFileName(StringView Value) {
  if (TvnPDFileSpec* file_ref = FileSpec()) file_ref->SetFileName(Value);
}

TvnPDColorValue TvnPDFileAttachmentAnnot::IconColor() {
  ReadColor("C", FIconColor);
  return FIconColor;
}

void TvnPDFileAttachmentAnnot::SetIconColor(const TvnPDColorValue& Value) {
  WriteColor("C", Value, false);
  FIconColor = Value;
}

String TvnPDFileAttachmentAnnot::Subject() {
  if (FSubject.empty()) FSubject = TextEntry("Subj");
  return FSubject;
}

void TvnPDFileAttachmentAnnot::SetSubject(StringView Value) {
  SetTextEntry("Subj", Value);
  FSubject = String(Value);
}

TvnFileAttachmentIcon TvnPDFileAttachmentAnnot::AttachmentIcon() {
  const std::string name = NameEntry("Name");
  if (name == "Graph") FAttachmentIcon = TvnFileAttachmentIcon::faGraph;
  if (name == "PushPin") FAttachmentIcon = TvnFileAttachmentIcon::faPushPin;
  if (name == "PaperClip" || name == "Paperclip") FAttachmentIcon = TvnFileAttachmentIcon::faPaperclip;
  if (name == "Tag") FAttachmentIcon = TvnFileAttachmentIcon::faTag;
  return FAttachmentIcon;
}

void TvnPDFileAttachmentAnnot::SetAttachmentIcon(TvnFileAttachmentIcon Value) {
  static constexpr const char* kNames[] = {"Graph", "PaperClip", "PushPin", "Tag"};
  FAttachmentIcon = Value;
  SetNameEntry("Name", kNames[static_cast<size_t>(Value)]);
}

void TvnPDFileAttachmentAnnot::SetAuthor(StringView Value) {
  SetTextEntry("T", Value);
  FAuthor = String(Value);
}

void TvnPDFileAttachmentAnnot::SaveToStream(vn::TStream& AStream) {
  // The embedded file: /FS /EF /F.
  TvnPDBaseObject* fs = Dict() ? Dict()->LookUp("FS") : nullptr;
  TvnPDBaseObject* ef = fs && fs->IsDict() ? fs->AsDict()->LookUp("EF") : nullptr;
  TvnPDBaseObject* file = ef && ef->IsDict() ? ef->AsDict()->LookUp("F") : nullptr;
  if (!file || !file->IsStream()) return;
  static constexpr int64_t kMaxEmbeddedBytes = int64_t{1} << 30;
  std::unique_ptr<vn::TMemoryStream> data = ReadDecodedStream(file->AsStream(), kMaxEmbeddedBytes);
  if (!data) return;
  AStream.SetPosition(0);
  AStream.WriteBuffer(data->Memory(), data->GetSize());
}

// ---- Sound, movie, screen ------------------------------------------------------------------

TvnPDSoundAnnot::TvnPDSoundAnnot() { FAnnotType = TvnPDAnnotType::annotSound; }

TvnPDSoundAnnot::TvnPDSoundAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                 TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotSound;
}

vn::pdf::TvnPDStream* TvnPDSoundAnnot::SoundStream() {
  TvnPDBaseObject* sound = Dict() ? Dict()->LookUp("Sound") : nullptr;
  return sound ? sound->AsStream() : nullptr;
}

TvnPDDictionary* TvnPDSoundAnnot::SoundDict() const {
  TvnPDBaseObject* sound = Dict() ? Dict()->LookUp("Sound") : nullptr;
  return sound && sound->IsStream() ? sound->AsStream()->GetDict() : nullptr;
}

TvnSoundAnnotIcon TvnPDSoundAnnot::IconName() {
  const std::string name = NameEntry("Name");
  if (name == "Speaker") FIconName = TvnSoundAnnotIcon::siSpeaker;
  if (name == "Mic") FIconName = TvnSoundAnnotIcon::siMic;
  return FIconName;
}

double TvnPDSoundAnnot::SampleRate() {
  double value = 0.0;
  if (const TvnPDDictionary* sound = SoundDict(); sound && AnnotNumberOf(sound->LookUp("R"), value)) FSampleRate = value;
  return FSampleRate;
}

int32_t TvnPDSoundAnnot::NoOfSoundChannels() {
  const TvnPDDictionary* sound = SoundDict();
  const TvnPDBaseObject* c = sound ? sound->LookUp("C") : nullptr;
  if (c && c->IsInteger()) FChannels = static_cast<int32_t>(std::clamp<int64_t>(c->AsInteger()->GetValue(), 0, 64));
  else if (sound && !c) FChannels = 1;
  return FChannels;
}

int32_t TvnPDSoundAnnot::NoOfBitsPerSample() {
  const TvnPDDictionary* sound = SoundDict();
  const TvnPDBaseObject* b = sound ? sound->LookUp("B") : nullptr;
  if (b && b->IsInteger()) FBitsPerSample = static_cast<int32_t>(std::clamp<int64_t>(b->AsInteger()->GetValue(), 0, 64));
  else if (sound && !b) FBitsPerSample = 8;
  return FBitsPerSample;
}

TvnSoundEncoding TvnPDSoundAnnot::SoundEncoding() {
  const TvnPDDictionary* sound = SoundDict();
  const TvnPDBaseObject* e = sound ? sound->LookUp("E") : nullptr;
  if (e && e->IsName("Raw")) FEncoding = TvnSoundEncoding::seRaw;
  if (e && e->IsName("Signed")) FEncoding = TvnSoundEncoding::seSigned;
  if (e && e->IsName("muLaw")) FEncoding = TvnSoundEncoding::semuLaw;
  if (e && e->IsName("ALaw")) FEncoding = TvnSoundEncoding::seALaw;
  return FEncoding;
}

TvnPDMovieAnnot::TvnPDMovieAnnot() { FAnnotType = TvnPDAnnotType::annotMovie; }

TvnPDMovieAnnot::TvnPDMovieAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                 TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotMovie;
}

TvnPDScreenAnnot::TvnPDScreenAnnot(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                   TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject) {
  FAnnotType = TvnPDAnnotType::annotScreen;
}

}  // namespace vn::pdfdoc
