// The annotations of a page: the list of wrappers, the insertion of notes
// and the drawing of the normal appearances over the page's content.
#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_set>

#include "pdf/text.h"
#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pd_appearance_stream.h"
#include "pdfdocument/pd_export_device.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_state.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/datetime.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

// The note icon of a new note: a white rounded square under 60 % alpha,
// then a yellow speech bubble in a black-outlined rounded square, 18 x 18.
constexpr std::string_view kNoteIcon =
    "q 1 1 1 rg 0 i 1 w 4 M 1 j 0 J []0 d /GS0 gs 1 0 0 1 9 5.0908 cm 7.74 12.616 m -7.74 12.616 l -8.274 12.616 "
    "-8.707 12.184 -8.707 11.649 c -8.707 -3.831 l -8.707 -4.365 -8.274 -4.798 -7.74 -4.798 c 7.74 -4.798 l 8.274 "
    "-4.798 8.707 -4.365 8.707 -3.831 c 8.707 11.649 l 8.707 12.184 8.274 12.616 7.74 12.616 c h f Q 0 G 1 1 0 rg 0 i "
    "0.60 w 4 M 1 j 0 J []0 d  1 1 0 rg 0 G 0 i 0.59 w 4 M 1 j 0 J []0 d  1 0 0 1 9 5.0908 cm 0 0 m -0.142 0 -0.28 "
    "0.008 -0.418 0.015 c -2.199 -1.969 -5.555 -2.242 -4.642 -1.42 c -4.024 -0.862 -3.916 0.111 -3.954 0.916 c -5.658 "
    "1.795 -6.772 3.222 -6.772 4.839 c -6.772 7.509 -3.74 9.674 0 9.674 c 3.74 9.674 6.772 7.509 6.772 4.839 c 6.772 "
    "2.167 3.74 0 0 0 c 7.74 12.616 m -7.74 12.616 l -8.274 12.616 -8.707 12.184 -8.707 11.649 c -8.707 -3.831 l "
    "-8.707 -4.365 -8.274 -4.798 -7.74 -4.798 c 7.74 -4.798 l 8.274 -4.798 8.707 -4.365 8.707 -3.831 c 8.707 11.649 l "
    "8.707 12.184 8.274 12.616 7.74 12.616 c b";

std::unique_ptr<vn::pdf::TvnPDIndirectRef> AnnotRef(const TvnPDBaseObject* AObj) {
  return std::make_unique<vn::pdf::TvnPDIndirectRef>(AObj->GetObjNumber(), AObj->GetGenNumber());
}

std::unique_ptr<vn::pdf::TvnPDName> AnnotNameObject(std::string_view AName) {
  return std::make_unique<vn::pdf::TvnPDName>(AName);
}

std::unique_ptr<vn::pdf::TvnPDReal> AnnotRealObject(double AValue) { return std::make_unique<vn::pdf::TvnPDReal>(AValue); }

std::unique_ptr<TvnPDArray> AnnotRealArray(vn::pdf::TvnPDDocumentIntf* ADoc, std::initializer_list<double> AValues) {
  auto array = std::make_unique<TvnPDArray>(ADoc);
  for (double v : AValues) array->Add(AnnotRealObject(v));
  return array;
}

// The /F bits of an annotation dictionary (0 without an integer /F).
int64_t AnnotFlagBits(const TvnPDDictionary& AAnnot) {
  const TvnPDBaseObject* f = AAnnot.LookUp("F");
  return f && f->IsInteger() ? f->AsInteger()->GetValue() : 0;
}

// Whether a display shows the annotation: never when hidden; when printing
// only with the print flag, otherwise unless it is not to be viewed.
bool AnnotShownWith(int64_t AFlags, bool APrinting) {
  const auto bit = [&](TvnPDAnnotFlag AFlag) { return (AFlags >> static_cast<int>(AFlag) & 1) != 0; };
  if (bit(TvnPDAnnotFlag::afHidden)) return false;
  return APrinting ? bit(TvnPDAnnotFlag::afPrint) : !bit(TvnPDAnnotFlag::afNoView);
}

}  // namespace

const std::vector<TvnPDAnnot*>& TvnPDPage::GetAnnots() {
  if (FAnnotsRead) return FAnnotList;
  TvnPDBaseObject* annots = Dict() ? Dict()->LookUp("Annots") : nullptr;
  if (!annots) return FAnnotList;
  FAnnotsRead = true;
  TvnPDArray* array = annots->AsArray();
  // The same dictionary (an indirect annotation listed twice) or the same
  // field (two widgets of one field) is listed once.
  std::unordered_set<const void*> listed;
  for (int64_t i = 0; array && i < array->GetLength(); ++i) {
    TvnPDBaseObject* entry = array->Get(i);
    if (!entry || !entry->IsDict() || !listed.insert(entry).second) continue;
    std::unique_ptr<TvnPDAnnot> owned;
    TvnPDAnnot* annot = TvnPDAnnot::MakeAnnot(FHandler, this, entry, owned);
    if (!annot || !listed.insert(annot).second) continue;
    if (owned) FOwnedAnnots.push_back(std::move(owned));
    FAnnotList.push_back(annot);
  }
  return FAnnotList;
}

void TvnPDPage::InsertAnnotation(TvnPDAnnot* Annot, TvnPDAnnot* InReplyTo) {
  if (auto* note = dynamic_cast<TvnPDTextAnnot*>(Annot)) InsertTextAnnot(note, InReplyTo);
}

TvnPDAnnot* TvnPDPage::InsertTextAnnot(TvnPDTextAnnot* ATextAnnot, TvnPDAnnot* InReplyTo) {
  TvnPDDictionary* page = Dict();
  if (!ATextAnnot || !page || !FHandler || !FHandler->BaseDoc()) return nullptr;
  vn::pdf::TvnPDDocumentIntf* doc = FHandler->BaseDoc();
  const TvnAnnotFrame frame = AnnotFrameOf(this, FHandler);

  auto dict = std::make_unique<TvnPDDictionary>(doc);
  dict->Add("Type", AnnotNameObject("Annot"));
  dict->Add("Subtype", AnnotNameObject("Text"));
  if (const TvnPDRect* rect = ATextAnnot->Rect()) {
    const double x0 = frame.XToPDF(rect->Left()), x1 = frame.XToPDF(rect->Right());
    const double y0 = frame.YToPDF(rect->Top()), y1 = frame.YToPDF(rect->Bottom());
    dict->Add("Rect", AnnotRealArray(doc, {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)}));
  }
  // Notes are yellow.
  dict->Add("C", AnnotRealArray(doc, {1.0, 1.0, 0.0}));
  dict->Add("F", std::make_unique<vn::pdf::TvnPDInteger>(static_cast<int64_t>(ATextAnnot->Flags().bits())));
  dict->Add("CA", AnnotRealObject(ATextAnnot->Opacity()));
  dict->Add("T", MakePdfText(ATextAnnot->Title()));
  dict->Add("NM", MakePdfText(ATextAnnot->Name()));
  dict->Add("Contents", MakePdfText(ATextAnnot->Contents()));
  auto border = std::make_unique<TvnPDDictionary>(doc);
  border->Add("Type", AnnotNameObject("Border"));
  static constexpr const char* kStyles[] = {"S", "D", "B", "I", "U"};
  const TvnAnnotBorderStyle style = ATextAnnot->BorderStyle();
  border->Add("S", AnnotNameObject(kStyles[static_cast<size_t>(style)]));
  if (style == TvnAnnotBorderStyle::absDashed) border->Add("D", AnnotRealArray(doc, {3.0, 2.0}));
  border->Add("W", AnnotRealObject(ATextAnnot->BorderWidth()));
  dict->Add("BS", std::move(border));
  dict->Add("M", std::make_unique<vn::pdf::TvnPDString>(vn::pdf::BuildLocalPDDate(vn::Now())));
  dict->Add("Open", std::make_unique<vn::pdf::TvnPDBoolean>(ATextAnnot->Open()));
  if (page->GetObjNumber() > 0) dict->Add("P", AnnotRef(page));

  const TvnPDBaseObject* replied = InReplyTo ? InReplyTo->BaseObject() : nullptr;
  if (replied && replied->GetObjNumber() > 0) {
    dict->Add("IRT", std::make_unique<vn::pdf::TvnPDIndirectRef>(replied->GetObjNumber(), 0));
  } else {
    // A note (not a reply) shows the note icon.
    auto icon_dict = std::make_unique<TvnPDDictionary>(doc);
    icon_dict->Add("Type", AnnotNameObject("XObject"));
    icon_dict->Add("Subtype", AnnotNameObject("Form"));
    auto gs = std::make_unique<TvnPDDictionary>(doc);
    gs->Add("Type", AnnotNameObject("ExtGState"));
    gs->Add("AIS", std::make_unique<vn::pdf::TvnPDBoolean>(false));
    gs->Add("BM", AnnotNameObject("Normal"));
    gs->Add("CA", AnnotRealObject(0.6));
    auto states = std::make_unique<TvnPDDictionary>(doc);
    states->Add("GS0", std::move(gs));
    auto resources = std::make_unique<TvnPDDictionary>(doc);
    resources->Add("ExtGState", std::move(states));
    icon_dict->Add("Resources", std::move(resources));
    icon_dict->Add("BBox", AnnotRealArray(doc, {0, 0, 18, 18}));
    icon_dict->Add("Matrix", AnnotRealArray(doc, {1, 0, 0, 1, 0, 0}));
    vn::pdf::TvnPDStream* icon = FHandler->AddNewStream(std::move(icon_dict), kNoteIcon);
    icon->SetNoCompression(true);
    auto ap = std::make_unique<TvnPDDictionary>(doc);
    ap->Add("N", AnnotRef(icon));
    dict->Add("AP", std::move(ap));
  }
  TvnPDBaseObject* annot = FHandler->AddNewObject(std::move(dict));

  TvnPDBaseObject* annots = page->LookUp("Annots");
  if (!annots) {
    auto list = std::make_unique<TvnPDArray>(doc);
    list->Add(AnnotRef(annot));
    page->Add("Annots", std::move(list));
  } else if (TvnPDArray* existing = annots->AsArray()) {
    existing->Add(AnnotRef(annot));
    page->SetIsChanged(true);
  } else {
    // /Annots of another kind is kept as the first entry of a new array.
    TvnPDBaseObject* old = annots->GetObjNumber() > 0 ? annots : FHandler->AddNewObject(annots->Clone());
    auto list = std::make_unique<TvnPDArray>(doc);
    list->Add(AnnotRef(old));
    list->Add(AnnotRef(annot));
    page->Add("Annots", std::move(list));
  }

  if (!FAnnotsRead) {
    GetAnnots();
  } else {
    std::unique_ptr<TvnPDAnnot> owned;
    if (TvnPDAnnot* made = TvnPDAnnot::MakeAnnot(FHandler, this, annot, owned)) {
      if (owned) FOwnedAnnots.push_back(std::move(owned));
      FAnnotList.push_back(made);
    }
  }
  for (TvnPDAnnot* made : FAnnotList)
    if (made->BaseObject() == annot) return made;
  return nullptr;
}

void TvnPDPage::RenderAnnots(TvnPDExportDevice* OutDev, double hDPI, double vDPI, int32_t Rotate,
                             TvnPDRect* PageRect, bool APrinting) {
  TvnPDBaseObject* annots = OutDev && Dict() ? Dict()->LookUp("Annots") : nullptr;
  TvnPDArray* list = annots ? annots->AsArray() : nullptr;
  if (!list) return;
  // Drawn from the dictionaries themselves, so that every subtype with an
  // appearance shows, widgets of fields not collected and subtypes without
  // a wrapper class included.
  for (int64_t i = 0; i < list->GetLength(); ++i) {
    TvnPDBaseObject* entry = list->Get(i);
    TvnPDDictionary* annot = entry ? entry->AsDict() : nullptr;
    if (!annot || !AnnotShownWith(AnnotFlagBits(*annot), APrinting)) continue;
    try {
      TvnPDAppearanceStream appearance(FHandler, entry, std::string());
      TvnPDState state(hDPI, vDPI, Rotate, PageRect);
      state.SetPageNumber(PageNum());
      if (TvnPDForm* form = appearance.Form()) {
        TvnPDMatrix to_rect;
        if (!appearance.RectMatrix(to_rect)) continue;
        state.ConcatCTM(to_rect);
        OutDev->DrawFormXObject(state, form);
      } else if (!appearance.FormXObject() && !annot->LookUp("AP")) {
        // Shapes without an appearance of their own are drawn as readers
        // draw them; their content is in page space.
        std::unique_ptr<vn::pdf::TvnPDStream> drawn = MakeDefaultAppearance(FHandler->BaseDoc(), *annot);
        if (!drawn) continue;
        TvnPDForm shape(FHandler, &appearance, drawn.get());
        OutDev->DrawFormXObject(state, &shape);
      }
    } catch (const std::exception&) {
      // A damaged annotation is left out; the others still draw.
    }
  }
}

}  // namespace vn::pdfdoc
