#include "pdfdocument/pd_acro_form.h"

#include "pdf/text.h"
#include "pdfdocument/pd_form_field_impl.h"
#include "pdfdocument/pd_text_impl.h"
#include "runtime/numbers.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

TvnPDDictionary* FontsOfDR(const TvnPDBaseObject* ADR) {
  if (!ADR || !ADR->IsDict()) return nullptr;
  TvnPDBaseObject* font = ADR->AsDict()->LookUp("Font");
  return font ? font->AsDict() : nullptr;
}

}  // namespace

TvnPDAcroForm::TvnPDAcroForm(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                             TvnPDDictionary* AAcroFormDict)
    : FHandler(AParentDoc), FParentElement(AParentElement), FAcroFormDict(AAcroFormDict) {}

TvnPDAcroForm::~TvnPDAcroForm() = default;

const std::vector<TvnPDFormField*>& TvnPDAcroForm::Fields() {
  if (!FCollected) {
    FCollected = true;
    ProcessAcroFormField();
  }
  return FFormFieldList;
}

TvnPDFormField* TvnPDAcroForm::GetAcroFormField(const TvnPDBaseObject* AFormFieldObj) {
  const TvnPDDictionary* dict = AFormFieldObj ? AFormFieldObj->AsDict() : nullptr;
  if (!dict) return nullptr;
  const TvnPDBaseObject* parent = dict->LookUp("Parent");
  // The same object, or the same indirect object number (direct
  // dictionaries all have number -1 and match only themselves).
  const auto same = [](const TvnPDBaseObject* A, const TvnPDBaseObject* B) {
    return A && B && (A == B || (A->GetObjNumber() > 0 && A->GetObjNumber() == B->GetObjNumber()));
  };
  for (TvnPDFormField* field : Fields())
    if (same(field->BaseObject(), dict) || same(field->BaseObject(), parent)) return field;
  return nullptr;
}

TvnPDFormField* TvnPDAcroForm::FieldByName(StringView AName) {
  for (TvnPDFormField* field : Fields())
    if (field->FullQualifiedName() == AName) return field;
  return nullptr;
}

void TvnPDAcroForm::ProcessAcroFormField() {
  if (!FAcroFormDict) return;
  TvnFormFieldVals rec;
  rec.FontDict = FontsOfDR(FAcroFormDict->LookUp("DR"));
  if (const TvnPDBaseObject* da = FAcroFormDict->LookUp("DA"); da && da->IsString()) rec.DAValue = PdfStringBytes(da);
  const TvnPDBaseObject* fields = FAcroFormDict->LookUp("Fields");
  if (!fields || !fields->IsArray()) return;
  for (int64_t i = 0; i < fields->AsArray()->GetLength(); ++i)
    ProcessField(nullptr, fields->AsArray()->Get(i), rec, 0);
}

void TvnPDAcroForm::ProcessField(TvnPDFormField* AParent, TvnPDBaseObject* ANode, TvnFormFieldVals AFieldRec,
                                 int ADepth) {
  TvnPDDictionary* node = ANode ? ANode->AsDict() : nullptr;
  if (!node || ADepth > kMaxDepth || !FVisited.insert(node).second) return;

  if (const TvnPDBaseObject* f = node->LookUp("F"); f && f->IsInteger())
    AFieldRec.FFlag = static_cast<int32_t>(f->AsInteger()->GetValue());
  if (const TvnPDBaseObject* dv = node->LookUp("DV"); dv && (dv->IsString() || dv->IsName()))
    AFieldRec.DefaultValue = dv->IsName() ? vn::FromUtf8(dv->AsName()->GetValue()) : PdfTextOf(dv);
  if (const TvnPDBaseObject* da = node->LookUp("DA"); da && da->IsString()) AFieldRec.DAValue = PdfStringBytes(da);
  if (TvnPDDictionary* fonts = FontsOfDR(node->LookUp("DR"))) AFieldRec.FontDict = fonts;
  if (const TvnPDBaseObject* t = node->LookUp("T"); t && t->IsString()) {
    const String partial = PdfTextOf(t);
    AFieldRec.FieldName = AFieldRec.FieldName.empty() ? partial : AFieldRec.FieldName + u"." + partial;
  }

  // A kid without a partial name under a field is one of its widgets (a
  // radio button, a second view of a text field), not a field of its own.
  TvnPDFormField* made = nullptr;
  if (node->LookUp("FT") && (node->LookUp("T") || !AParent)) {
    std::unique_ptr<TvnPDFormField> field = TvnPDFormField::MakeFormField(FHandler, FParentElement, node, AFieldRec);
    if (field) {
      field->SetFullQualifiedName(AFieldRec.FieldName);
      field->SetFont(FontOfDA(AFieldRec.DAValue, AFieldRec.FontDict));
      made = field.get();
      FFormFieldList.push_back(made);
      FFormObjectRef.push_back(std::move(field));
    }
  }
  const TvnPDBaseObject* kids = node->LookUp("Kids");
  if (!kids || !kids->IsArray()) return;
  for (int64_t i = 0; i < kids->AsArray()->GetLength(); ++i)
    ProcessField(made ? made : AParent, kids->AsArray()->Get(i), AFieldRec, ADepth + 1);
}

std::unique_ptr<TvnFont> TvnPDAcroForm::FontOfDA(const std::string& ADA, const TvnPDDictionary* AFontDict) {
  auto font = std::make_unique<TvnFont>();
  const std::vector<std::string> words = DAWords(ADA);
  if (words.empty()) return font;
  std::string resource;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] != "Tf" || i < 2) continue;
    const double size = vn::pdf::PDTextToFloat(words[i - 1]);
    const int64_t rounded = vn::Round(size);
    font->SetSize(rounded <= 0 || rounded > 10000 ? 8 : static_cast<int>(rounded));
    if (words[i - 2].starts_with("/")) resource = vn::pdf::DecodeName(words[i - 2].substr(1));
  }
  std::string name = resource;
  if (const TvnPDBaseObject* f = AFontDict && !resource.empty() ? AFontDict->LookUp(resource) : nullptr;
      f && f->IsDict())
    if (const TvnPDBaseObject* base = f->AsDict()->LookUp("BaseFont"); base && base->IsName())
      name = base->AsName()->GetValue();
  // A subset's tag ("ABCDEF+") is not part of the font's name.
  if (name.size() > 7 && name[6] == '+') name = name.substr(7);
  vn::framework::TvnFontStyles style;
  if (name.find("Bold") != std::string::npos) style.Include(vn::framework::TvnFontStyle::fsBold);
  if (name.find("Italic") != std::string::npos || name.find("Oblique") != std::string::npos)
    style.Include(vn::framework::TvnFontStyle::fsItalic);
  font->SetStyle(style);
  if (const size_t cut = name.find_first_of(",-"); cut != std::string::npos) name.resize(cut);
  if (!name.empty()) font->SetName(name);
  return font;
}

}  // namespace vn::pdfdoc
