#include "pdfdocument/pd_form_field.h"

#include <algorithm>

#include "framework/document_routines.h"
#include "pdf/text.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_form_field_impl.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_signature.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/codepages.h"
#include "runtime/numbers.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;
using vn::pdf::TvnPDInteger;
using vn::pdf::TvnPDReal;
using vn::pdf::TvnPDString;

namespace {

constexpr const char* kSymbolCaptions[] = {"4", "l", "6", "u", "n", "H"};

bool IsValidUtf8(const std::string& ABytes) {
  size_t i = 0;
  while (i < ABytes.size()) {
    const auto c = static_cast<unsigned char>(ABytes[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > ABytes.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(ABytes[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

// The integer of an integer or real entry.
std::optional<int64_t> FormIntOf(const TvnPDBaseObject* AObj) {
  if (!AObj) return std::nullopt;
  if (AObj->IsInteger()) return AObj->AsInteger()->GetValue();
  if (AObj->IsReal()) return vn::Round(AObj->AsReal()->GetValue());
  return std::nullopt;
}

TvnPDDictionary* FormDictOf(TvnPDBaseObject* AObj) { return AObj ? AObj->AsDict() : nullptr; }

}  // namespace

String FormTextOf(const TvnPDBaseObject* AObj) {
  if (!AObj) return {};
  if (AObj->IsName()) {
    const std::string& bytes = AObj->AsName()->GetValue();
    return IsValidUtf8(bytes) ? vn::FromUtf8(bytes) : vn::DecodeCp1252(bytes);
  }
  return PdfTextOf(AObj);
}

std::unique_ptr<vn::pdf::TvnPDName> FormName(StringView AText) {
  auto name = std::make_unique<vn::pdf::TvnPDName>("");
  name->SetName(vn::ToUtf8(AText));
  return name;
}

std::vector<String> AppearanceStates(const TvnPDDictionary* AWidget) {
  std::vector<String> states;
  const TvnPDDictionary* ap = AWidget ? FormDictOf(AWidget->LookUp("AP")) : nullptr;
  const TvnPDDictionary* n = ap ? FormDictOf(ap->LookUp("N")) : nullptr;
  if (n)
    for (int64_t i = 0; i < n->GetLength(); ++i) {
      const std::string key = n->GetKey(i);
      states.push_back(IsValidUtf8(key) ? vn::FromUtf8(key) : vn::DecodeCp1252(key));
    }
  return states;
}

std::string SymbolCaption(TvnSelectionSymbol ASymbol) { return kSymbolCaptions[static_cast<int>(ASymbol)]; }

std::optional<TvnSelectionSymbol> SymbolOfCaption(const std::string& ACaption, bool AAcceptEight) {
  for (int i = 0; i < 6; ++i)
    if (ACaption == kSymbolCaptions[i]) return static_cast<TvnSelectionSymbol>(i);
  if (AAcceptEight && ACaption == "8") return TvnSelectionSymbol::csCross;
  return std::nullopt;
}

// ---- The page's fields ---------------------------------------------------------------

TvnPDFormField* TvnPDPage::GetFormField(int32_t AIndex) {
  int32_t seen = 0;
  for (TvnPDAnnot* annot : GetAnnots())
    if (auto* field = dynamic_cast<TvnPDFormField*>(annot); field && ++seen == AIndex) return field;
  return nullptr;
}

// ---- Factory -----------------------------------------------------------------

std::unique_ptr<TvnPDFormField> TvnPDFormField::MakeFormField(TvnPDFDocumentHandler* AParentDoc,
                                                              vn::pdf::TvnPDElement* AParentElement,
                                                              TvnPDBaseObject* ABaseObject,
                                                              const TvnFormFieldVals& AFieldRec) {
  TvnPDDictionary* dict = FormDictOf(ABaseObject);
  const TvnPDBaseObject* ft = dict ? dict->LookUp("FT") : nullptr;
  if (!ft || !ft->IsName()) {
    vn::framework::LogMessage(nullptr, vn::FromAscii(kNoFieldType));
    return nullptr;
  }
  const int32_t ff = static_cast<int32_t>(FormIntOf(dict->LookUp("Ff")).value_or(0));
  const auto bit = [ff](uint32_t ABit) { return (static_cast<uint32_t>(ff) & ABit) != 0; };
  std::unique_ptr<TvnPDFormField> field;
  TvnFormFieldType type;
  const std::string& name = ft->AsName()->GetValue();
  if (name == "Btn") {
    if (ff != -1 && bit(field_flags::kPushButton)) {
      field = std::make_unique<TvnPDFormPushButton>(AParentDoc, AParentElement, ABaseObject);
      type = TvnFormFieldType::ftButton;
    } else if (ff != -1 && bit(field_flags::kRadio)) {
      field = std::make_unique<TvnPDFormRadioButton>(AParentDoc, AParentElement, ABaseObject);
      type = TvnFormFieldType::ftRadio;
    } else {
      field = std::make_unique<TvnPDFormCheckBox>(AParentDoc, AParentElement, ABaseObject);
      type = TvnFormFieldType::ftCheckBox;
    }
  } else if (name == "Tx") {
    field = std::make_unique<TvnPDFormTextField>(AParentDoc, AParentElement, ABaseObject);
    type = TvnFormFieldType::ftText;
  } else if (name == "Ch") {
    if (bit(field_flags::kCombo)) {
      field = std::make_unique<TvnPDFormComboBox>(AParentDoc, AParentElement, ABaseObject);
      type = TvnFormFieldType::ftComboBox;
    } else {
      field = std::make_unique<TvnPDFormListBox>(AParentDoc, AParentElement, ABaseObject);
      type = TvnFormFieldType::ftListBox;
    }
  } else if (name == "Sig") {
    field = std::make_unique<TvnPDSignatureField>(AParentDoc, AParentElement, ABaseObject);
    type = TvnFormFieldType::ftSignature;
  } else {
    return nullptr;
  }
  field->FFieldType = type;
  field->FFlag = ff;
  field->FIsReadOnly = ff != -1 && bit(field_flags::kReadOnly);
  field->FFieldRec = AFieldRec;
  return field;
}

// ---- TvnPDFormField ------------------------------------------------------------

TvnPDFormField::TvnPDFormField() : FFont(std::make_unique<TvnFont>()) { FAnnotType = TvnPDAnnotType::annotWidget; }

TvnPDFormField::TvnPDFormField(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                               TvnPDBaseObject* ABaseObject)
    : TvnPDAnnot(AParentDoc, AParentElement, ABaseObject), FFont(std::make_unique<TvnFont>()) {
  FAnnotType = TvnPDAnnotType::annotWidget;
}

TvnPDFormField::~TvnPDFormField() = default;

void TvnPDFormField::WriteFieldText(const char* AKey, StringView AValue) {
  if (TvnPDDictionary* d = Dict()) d->Add(AKey, MakePdfText(AValue));
}

String TvnPDFormField::FieldName() {
  if (Dict())
    if (const TvnPDBaseObject* t = Dict()->LookUp("T"); t && t->IsString()) FFieldName = PdfTextOf(t);
  return FFieldName;
}

void TvnPDFormField::SetFieldName(StringView AValue) {
  FFieldName = String(AValue);
  WriteFieldText("T", AValue);
  AfterChange();
}

String TvnPDFormField::AltFieldName() {
  if (Dict())
    if (const TvnPDBaseObject* t = Dict()->LookUp("TU"); t && t->IsString()) FAltFieldName = PdfTextOf(t);
  return FAltFieldName;
}

void TvnPDFormField::SetAltFieldName(StringView AValue) {
  FAltFieldName = String(AValue);
  WriteFieldText("TU", AValue);
  AfterChange();
}

String TvnPDFormField::DefaultValue() {
  if (Dict())
    if (const TvnPDBaseObject* dv = Dict()->LookUp("DV"); dv && (dv->IsString() || dv->IsName()))
      FDefaultValue = FormTextOf(dv);
  return FDefaultValue;
}

void TvnPDFormField::SetDefaultValue(StringView AValue) {
  FDefaultValue = String(AValue);
  WriteFieldText("DV", AValue);
  AfterChange();
}

String TvnPDFormField::Value() {
  if (Dict())
    if (const TvnPDBaseObject* v = Dict()->LookUp("V"); v && (v->IsString() || v->IsName())) FValue = FormTextOf(v);
  return FValue;
}

void TvnPDFormField::SetValue(StringView AValue) {
  FValue = String(AValue);
  if (!Dict()) return;
  WriteFieldText("V", AValue);
  RefreshAppearance();
  AfterChange(true);
}

void TvnPDFormField::AfterChange(bool AValue) {
  if (!Dict()) return;
  if (!GetNeedAppearances()) SetNeedAppearances(true);
  // An XFA form would show its own data instead of the new value.
  if (AValue && FHandler && FHandler->Catalog()) FHandler->Catalog()->RemoveXFA();
}

bool TvnPDFormField::GetNeedAppearances() {
  if (!FNeedAppearences && Dict() && FHandler && FHandler->Catalog())
    if (const TvnPDDictionary* form = FHandler->Catalog()->AcroFormField())
      if (const TvnPDBaseObject* na = form->LookUp("NeedAppearances"); na && na->IsBoolean())
        FNeedAppearences = na->AsBoolean()->GetValue();
  return FNeedAppearences;
}

void TvnPDFormField::SetNeedAppearances(bool AValue) {
  FNeedAppearences = AValue;
  if (Dict() && FHandler && FHandler->Catalog())
    if (TvnPDDictionary* form = FHandler->Catalog()->AcroFormField())
      form->Add("NeedAppearances", std::make_unique<vn::pdf::TvnPDBoolean>(AValue));
}

void TvnPDFormField::WriteFlags() {
  if (TvnPDDictionary* d = Dict()) d->Add("Ff", std::make_unique<TvnPDInteger>(FFlag));
}

void TvnPDFormField::SetFlagBit(uint32_t ABit, bool AValue) {
  if (!AValue || !Dict()) return;
  FFlag = static_cast<int32_t>(static_cast<uint32_t>(FFlag) | ABit);
  WriteFlags();
}

void TvnPDFormField::SetIsReadOnly(bool AValue) {
  FIsReadOnly = AValue;
  SetFlagBit(field_flags::kReadOnly, AValue);
  AfterChange();
}

TvnFieldJustification TvnPDFormField::Justification() {
  if (Dict())
    if (const auto q = FormIntOf(Dict()->LookUp("Q")); q && *q >= 0 && *q <= 2)
      FJustification = static_cast<TvnFieldJustification>(*q);
  return FJustification;
}

void TvnPDFormField::SetJustification(TvnFieldJustification AValue) {
  FJustification = AValue;
  if (TvnPDDictionary* d = Dict()) d->Add("Q", std::make_unique<TvnPDInteger>(static_cast<int64_t>(AValue)));
  AfterChange();
}

TvnPDDictionary* TvnPDFormField::MK(bool AMake) {
  TvnPDDictionary* d = Dict();
  if (!d) return nullptr;
  if (TvnPDDictionary* mk = FormDictOf(d->LookUp("MK"))) return mk;
  if (!AMake) return nullptr;
  d->Add("MK", std::make_unique<TvnPDDictionary>(d->GetParentDoc()));
  return FormDictOf(d->LookUp("MK"));
}

TvnPDColorValue TvnPDFormField::ReadMKColor(const char* AKey, const TvnPDColorValue& AKept) {
  TvnPDColorValue color = AKept;
  const TvnPDDictionary* mk = MK(false);
  const TvnPDBaseObject* entry = mk ? mk->LookUp(AKey) : nullptr;
  if (!entry || !entry->IsArray()) return color;
  const TvnPDArray* a = entry->AsArray();
  const int64_t n = std::min<int64_t>(a->GetLength(), 4);
  if (color.Components.size() < static_cast<size_t>(n)) color.Components.resize(static_cast<size_t>(n), 0);
  for (int64_t i = 0; i < n; ++i) {
    const TvnPDBaseObject* v = a->Get(i);
    if (v && v->IsInteger()) color.Components[size_t(i)] = static_cast<double>(v->AsInteger()->GetValue());
    if (v && v->IsReal()) color.Components[size_t(i)] = v->AsReal()->GetValue();
  }
  if (n == 1) color.Kind = TvnColorSpaceMode::csDeviceGray;
  if (n == 3) color.Kind = TvnColorSpaceMode::csDeviceRGB;
  if (n == 4) color.Kind = TvnColorSpaceMode::csDeviceCMYK;
  color.Components.resize(static_cast<size_t>(n == 1 || n == 3 || n == 4 ? n : int64_t(color.Components.size())));
  return color;
}

void TvnPDFormField::WriteMKColor(const char* AKey, const TvnPDColorValue& AValue) {
  TvnPDDictionary* mk = MK(true);
  if (!mk) return;
  auto array = std::make_unique<TvnPDArray>(mk->GetParentDoc());
  const size_t n = std::min<size_t>(AValue.Components.size(), 4);
  for (size_t i = 0; i < n; ++i) array->Add(std::make_unique<TvnPDReal>(AValue.Components[i]));
  mk->Add(AKey, std::move(array));
}

TvnPDColorValue TvnPDFormField::BorderColor() { return FBorderColor = ReadMKColor("BC", FBorderColor); }

void TvnPDFormField::SetBorderColor(const TvnPDColorValue& AValue) {
  FBorderColor = AValue;
  WriteMKColor("BC", AValue);
}

TvnPDColorValue TvnPDFormField::BackGroundColor() { return FBackGround = ReadMKColor("BG", FBackGround); }

void TvnPDFormField::SetBackGroundColor(const TvnPDColorValue& AValue) {
  FBackGround = AValue;
  WriteMKColor("BG", AValue);
}

bool TvnPDFormField::Transparent() {
  if (!Dict()) return FTransparent;
  const TvnPDDictionary* mk = MK(false);
  if (!mk) return false;
  const auto empty = [mk](const char* AKey) {
    const TvnPDBaseObject* v = mk->LookUp(AKey);
    return !v || (v->IsArray() && v->AsArray()->GetLength() == 0);
  };
  return empty("BG") && empty("BC");
}

void TvnPDFormField::SetTransparent(bool AValue) {
  FTransparent = AValue;
  if (!AValue || !Dict()) return;
  for (TvnPDDictionary* widget : Widgets()) {
    TvnPDDictionary* mk = FormDictOf(widget->LookUp("MK"));
    if (!mk) continue;
    mk->Add("BG", std::make_unique<TvnPDArray>(mk->GetParentDoc()));
    mk->Add("BC", std::make_unique<TvnPDArray>(mk->GetParentDoc()));
  }
  AfterChange();
}

TvnPDFormFieldOrientation TvnPDFormField::Orientation() {
  if (!Dict()) return FOrientation;
  const TvnPDDictionary* mk = MK(false);
  const auto r = mk ? FormIntOf(mk->LookUp("R")) : std::nullopt;
  if (!r) return TvnPDFormFieldOrientation::ffo0;
  if (*r == 0 || *r == 90 || *r == 180 || *r == 270) FOrientation = static_cast<TvnPDFormFieldOrientation>(*r / 90);
  return FOrientation;
}

int32_t TvnPDFormField::RotationAngle() {
  const TvnPDDictionary* mk = MK(false);
  if (const auto r = mk ? FormIntOf(mk->LookUp("R")) : std::nullopt) FRotationAngle = static_cast<int32_t>(*r);
  return FRotationAngle;
}

void TvnPDFormField::SetRotationAngle(int32_t AValue) {
  if (AValue != FRotationAngle) FIsChanged = true;
  FRotationAngle = AValue;
}

TvnAcroFieldPreferences TvnPDFormField::Preferences() {
  if (Dict()) {
    if (FlagBit(field_flags::kReadOnly)) FPreferences |= afpdReadOnly;
    if (FlagBit(field_flags::kRequired)) FPreferences |= afpdRequired;
    if (FlagBit(field_flags::kNoExport)) FPreferences |= afpdNoExport;
  }
  return FPreferences;
}

std::vector<TvnPDDictionary*> TvnPDFormField::Widgets() const {
  std::vector<TvnPDDictionary*> widgets;
  TvnPDDictionary* d = Dict();
  if (!d) return widgets;
  if (const TvnPDBaseObject* kids = d->LookUp("Kids"); kids && kids->IsArray()) {
    for (int64_t i = 0; i < kids->AsArray()->GetLength(); ++i) {
      TvnPDDictionary* kid = FormDictOf(kids->AsArray()->Get(i));
      // A kid with a name is a field of its own, not a widget of this one.
      if (kid && kid != d && !kid->LookUp("T")) widgets.push_back(kid);
    }
    return widgets;
  }
  widgets.push_back(d);
  return widgets;
}

// ---- Text fields -----------------------------------------------------------------

TvnPDFormTextField::TvnPDFormTextField() { FFieldType = TvnFormFieldType::ftText; }

void TvnPDFormTextField::SetIsMultiLine(bool AValue) {
  FIsMultiLine = AValue;
  SetFlagBit(field_flags::kMultiLine, AValue);
}
void TvnPDFormTextField::SetIsPasswordField(bool AValue) {
  FisPasswordField = AValue;
  SetFlagBit(field_flags::kPassword, AValue);
}
void TvnPDFormTextField::SetIsFileSelect(bool AValue) {
  FIsFileSelect = AValue;
  SetFlagBit(field_flags::kFileSelect, AValue);
}
void TvnPDFormTextField::SetIsDoNotSpellCheck(bool AValue) {
  FIsDoNotSpellCheck = AValue;
  SetFlagBit(field_flags::kDoNotSpellCheck, AValue);
}
void TvnPDFormTextField::SetIsDoNotScroll(bool AValue) {
  FIsDoNotScroll = AValue;
  SetFlagBit(field_flags::kDoNotScroll, AValue);
}

bool TvnPDFormTextField::IsComb() {
  if (Dict()) {
    if (const auto m = FormIntOf(Dict()->LookUp("MaxLen"))) FMaxLen = static_cast<int32_t>(*m);
    if (FlagBit(field_flags::kComb) && FMaxLen > 0) FIsComb = true;
  }
  return FIsComb;
}

void TvnPDFormTextField::SetIsComb(bool AValue) {
  FIsComb = AValue;
  SetFlagBit(field_flags::kComb, AValue);
}

int32_t TvnPDFormTextField::MaxLength() {
  if (Dict())
    if (const auto m = FormIntOf(Dict()->LookUp("MaxLen"))) FMaxLen = static_cast<int32_t>(*m);
  return FMaxLen;
}

void TvnPDFormTextField::SetMaxLength(int32_t AValue) {
  FMaxLen = AValue;
  if (TvnPDDictionary* d = Dict()) d->Add("MaxLen", std::make_unique<TvnPDInteger>(AValue));
}

void TvnPDFormTextField::RefreshAppearance() {
  FormTextAppearance text;
  const String value = FValue;
  if (IsMultiLine()) {
    text.MultiLine = true;
    for (StringView line : vn::SplitLines(value)) text.Lines.emplace_back(line);
  } else {
    text.Lines.push_back(value);
  }
  if (IsPasswordField())
    for (String& line : text.Lines) line.assign(line.size(), u'*');
  text.Quadding = static_cast<int>(Justification());
  if (IsComb()) text.CombCells = FMaxLen;
  for (TvnPDDictionary* widget : Widgets())
    WriteTextAppearance(FHandler, widget, FFieldRec.DAValue, FFieldRec.FontDict, text);
}

// ---- Choice boxes ------------------------------------------------------------------

TvnPDFormListBox::TvnPDFormListBox() { FFieldType = TvnFormFieldType::ftListBox; }
TvnPDFormComboBox::TvnPDFormComboBox() { FFieldType = TvnFormFieldType::ftComboBox; }

void TvnPDFormChoiceBox::LoadOptions() {
  if (FOptionsLoaded || !Dict()) return;
  FOptionsLoaded = true;
  const TvnPDBaseObject* opt = Dict()->LookUp("Opt");
  if (!opt || !opt->IsArray()) return;
  for (int64_t i = 0; i < opt->AsArray()->GetLength(); ++i) {
    const TvnPDBaseObject* item = opt->AsArray()->Get(i);
    if (item && item->IsArray() && item->AsArray()->GetLength() >= 2) {
      FOptions.push_back(FormTextOf(item->AsArray()->Get(0)));
      FValueList.push_back(FormTextOf(item->AsArray()->Get(1)));
    } else if (item && item->IsString()) {
      const String text = FormTextOf(item);
      FOptions.push_back(text);
      FValueList.push_back(text);
    }
  }
}

String TvnPDFormChoiceBox::GetOption(int32_t AIndex) {
  LoadOptions();
  return AIndex >= 0 && static_cast<size_t>(AIndex) < FValueList.size() ? FValueList[size_t(AIndex)] : String();
}

String TvnPDFormChoiceBox::GetExportValue(int32_t AIndex) {
  LoadOptions();
  return AIndex >= 0 && static_cast<size_t>(AIndex) < FOptions.size() ? FOptions[size_t(AIndex)] : String();
}

int32_t TvnPDFormChoiceBox::OptionCount() {
  LoadOptions();
  return static_cast<int32_t>(FValueList.size());
}

void TvnPDFormChoiceBox::SetIsSortedList(bool AValue) {
  FIsSortedList = AValue;
  SetFlagBit(field_flags::kSort, AValue);
}
void TvnPDFormChoiceBox::SetIsMultiSelect(bool AValue) {
  FIsMultiSelect = AValue;
  SetFlagBit(field_flags::kMultiSelect, AValue);
}
void TvnPDFormChoiceBox::SetIsDoNotSpellCheck(bool AValue) {
  FIsDoNotSpellCheck = AValue;
  SetFlagBit(field_flags::kDoNotSpellCheck, AValue);
}

int32_t TvnPDFormChoiceBox::AddItem(StringView ADisplayValue, StringView AValue) {
  LoadOptions();
  if (TvnPDDictionary* d = Dict()) {
    TvnPDBaseObject* opt = d->LookUp("Opt");
    if (!opt || !opt->IsArray()) {
      d->Add("Opt", std::make_unique<TvnPDArray>(d->GetParentDoc()));
      opt = d->LookUp("Opt");
    }
    if (ADisplayValue == AValue) {
      opt->AsArray()->Add(MakePdfText(ADisplayValue));
    } else {
      auto pair = std::make_unique<TvnPDArray>(d->GetParentDoc());
      pair->Add(MakePdfText(AValue));
      pair->Add(MakePdfText(ADisplayValue));
      opt->AsArray()->Add(std::move(pair));
    }
  }
  FValueList.emplace_back(ADisplayValue);
  FOptions.emplace_back(AValue);
  return static_cast<int32_t>(FOptions.size());
}

void TvnPDFormChoiceBox::SetValue(StringView AValue) {
  FValue = String(AValue);
  TvnPDDictionary* d = Dict();
  if (!d) return;
  LoadOptions();
  int32_t found = -1;
  for (int32_t i = 0; i < OptionCount(); ++i)
    if (FValueList[size_t(i)] == AValue) found = i;
  if (found >= 0) {
    d->Add("V", MakePdfText(FOptions[size_t(found)]));
    auto index = std::make_unique<TvnPDArray>(d->GetParentDoc());
    index->Add(std::make_unique<TvnPDInteger>(found));
    d->Add("I", std::move(index));
    RefreshAppearance();
  }
  AfterChange(true);
}

void TvnPDFormChoiceBox::RefreshAppearance() {
  FormTextAppearance text;
  text.Quadding = static_cast<int>(Justification());
  if (FFieldType == TvnFormFieldType::ftComboBox) {
    text.Lines.push_back(FValue);
  } else {
    text.MultiLine = true;
    text.Lines = FValueList;
    for (size_t i = 0; i < FValueList.size(); ++i)
      if (FValueList[i] == FValue) text.Highlight = static_cast<int>(i);
  }
  for (TvnPDDictionary* widget : Widgets())
    WriteTextAppearance(FHandler, widget, FFieldRec.DAValue, FFieldRec.FontDict, text);
}

bool TvnPDFormComboBox::IsEditable() const {
  if (Dict() && FlagBit(field_flags::kCombo)) return FlagBit(field_flags::kEdit);
  return FIsEditable;
}

void TvnPDFormComboBox::SetIsEditable(bool AValue) {
  FIsEditable = AValue;
  SetFlagBit(field_flags::kEdit, AValue);
}

void TvnPDFormComboBox::SetSelectedItemIndex(int32_t AValue) {
  FSelectedItemIndex = AValue;
  SetValue(GetOption(AValue));
}

// ---- Radio groups ----------------------------------------------------------------

TvnPDFormRadioButton::TvnPDFormRadioButton() {
  FFieldType = TvnFormFieldType::ftRadio;
  FItemsLoaded = true;
}

void TvnPDFormRadioButton::LoadItems() {
  if (FItemsLoaded || !Dict()) return;
  FItemsLoaded = true;
  const TvnPDBaseObject* kids = Dict()->LookUp("Kids");
  if (!kids || !kids->IsArray()) return;
  for (int64_t i = 0; i < kids->AsArray()->GetLength(); ++i) {
    TvnPDBaseObject* kid = kids->AsArray()->Get(i);
    if (!kid || !kid->IsDict()) continue;
    FRadioItemList.push_back(std::make_unique<TvnPDRadioItem>(FHandler, this, kid));
    for (const String& state : AppearanceStates(kid->AsDict()))
      if (state != u"Off") FOptions.push_back(state);
  }
}

String TvnPDFormRadioButton::GetOption(int32_t AIndex) {
  LoadItems();
  return AIndex >= 0 && static_cast<size_t>(AIndex) < FOptions.size() ? FOptions[size_t(AIndex)] : String();
}

int32_t TvnPDFormRadioButton::OptionCount() {
  LoadItems();
  return static_cast<int32_t>(FOptions.size());
}

int32_t TvnPDFormRadioButton::GetItemCount() {
  LoadItems();
  return static_cast<int32_t>(FRadioItemList.size());
}

TvnPDRadioItem* TvnPDFormRadioButton::GetRadioItem(int32_t AIndex) {
  LoadItems();
  return AIndex >= 0 && static_cast<size_t>(AIndex) < FRadioItemList.size() ? FRadioItemList[size_t(AIndex)].get()
                                                                              : nullptr;
}

int32_t TvnPDFormRadioButton::AddRadioItem(std::unique_ptr<TvnPDRadioItem> ARadioItem) {
  if (!ARadioItem) return -1;
  FOptions.push_back(ARadioItem->Value());
  FRadioItemList.push_back(std::move(ARadioItem));
  return static_cast<int32_t>(FRadioItemList.size()) - 1;
}

int32_t TvnPDFormRadioButton::SelectedItemIndex() {
  const String value = Value();
  LoadItems();
  for (size_t i = 0; i < FOptions.size(); ++i)
    if (FOptions[i] == value) return FSelectedItemIndex = static_cast<int32_t>(i);
  return FSelectedItemIndex;
}

void TvnPDFormRadioButton::SetSelectedItemIndex(int32_t AValue) {
  LoadItems();
  if (Dict())
    for (int32_t i = 0; i < static_cast<int32_t>(FRadioItemList.size()); ++i)
      SetItemState(i, i == AValue ? vn::ToUtf8(GetOption(AValue)) : std::string("Off"));
  FSelectedItemIndex = AValue;
}

void TvnPDFormRadioButton::SetItemState(int32_t AIndex, const std::string& AState) {
  LoadItems();
  TvnPDRadioItem* item = GetRadioItem(AIndex);
  TvnPDDictionary* kid = item ? item->Dict() : nullptr;
  if (!kid) return;
  const TvnPDBaseObject* as = kid->LookUp("AS");
  if (!as || !as->IsName() || as->AsName()->GetValue() != AState) {
    auto name = std::make_unique<vn::pdf::TvnPDName>("");
    name->SetName(AState);
    kid->Add("AS", std::move(name));
  }
  if (AState != "Off" && Dict()) {
    auto name = std::make_unique<vn::pdf::TvnPDName>("");
    name->SetName(AState);
    Dict()->Add("V", std::move(name));
    FValue = vn::FromUtf8(AState);
  }
}

void TvnPDFormRadioButton::SetValue(StringView AValue) {
  FValue = String(AValue);
  TvnPDDictionary* d = Dict();
  if (!d) return;
  d->Add("V", FormName(AValue));
  LoadItems();
  const std::string state = vn::ToUtf8(AValue);
  for (const auto& item : FRadioItemList) {
    TvnPDDictionary* kid = item->Dict();
    const std::vector<String> states = AppearanceStates(kid);
    const bool has = std::find(states.begin(), states.end(), String(AValue)) != states.end();
    kid->Add("AS", FormName(has ? AValue : StringView(u"Off")));
  }
  AfterChange(true);
}

void TvnPDFormRadioButton::SetAtleastOneSelectedItem(bool AValue) {
  FAtleastOneSelectedItem = AValue;
  SetFlagBit(field_flags::kNoToggleToOff, AValue);
}

TvnSelectionSymbol TvnPDFormRadioButton::Symbol() {
  if (!Dict()) return FSymbol;
  LoadItems();
  TvnSelectionSymbol symbol = TvnSelectionSymbol::csCircle;
  if (!FRadioItemList.empty())
    if (const TvnPDDictionary* mk = FormDictOf(FRadioItemList.front()->Dict()->LookUp("MK")))
      if (const auto s = SymbolOfCaption(PdfStringBytes(mk->LookUp("CA")), true)) symbol = *s;
  return symbol;
}

void TvnPDFormRadioButton::SetSymbol(TvnSelectionSymbol AValue) {
  FSymbol = AValue;
  if (TvnPDDictionary* mk = MK(true)) mk->Add("CA", std::make_unique<TvnPDString>(SymbolCaption(AValue)));
}

// ---- Push buttons -------------------------------------------------------------------

TvnPDFormPushButton::TvnPDFormPushButton() : FNormalCaption("Button"), FDownCaption("Button") {
  FFieldType = TvnFormFieldType::ftButton;
}

TvnPDFormPushButton::TvnPDFormPushButton(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                                         TvnPDBaseObject* ABaseObject)
    : TvnPDFormField(AParentDoc, AParentElement, ABaseObject),
      FNormalCaption("Button"),
      FRollOverCaption("Button"),
      FDownCaption("Button") {}

std::string TvnPDFormPushButton::Caption(const char* AKey, const std::string& AKept) {
  const TvnPDDictionary* mk = MK(false);
  const TvnPDBaseObject* v = mk ? mk->LookUp(AKey) : nullptr;
  return v && v->IsString() ? PdfStringBytes(v) : AKept;
}

void TvnPDFormPushButton::SetCaption(const char* AKey, std::string& AKept, const std::string& AValue) {
  AKept = AValue;
  if (TvnPDDictionary* mk = MK(true)) mk->Add(AKey, std::make_unique<TvnPDString>(AValue));
}

// ---- Check boxes ------------------------------------------------------------------------

TvnPDFormCheckBox::TvnPDFormCheckBox() {
  FFieldType = TvnFormFieldType::ftCheckBox;
  FOptionsLoaded = true;
}

void TvnPDFormCheckBox::LoadOptions() {
  if (FOptionsLoaded || !Dict()) return;
  FOptionsLoaded = true;
  for (const TvnPDDictionary* widget : Widgets())
    for (const String& state : AppearanceStates(widget))
      if (std::find(FOption.begin(), FOption.end(), state) == FOption.end()) FOption.push_back(state);
}

String TvnPDFormCheckBox::GetOption(int32_t AIndex) {
  LoadOptions();
  return AIndex >= 0 && static_cast<size_t>(AIndex) < FOption.size() ? FOption[size_t(AIndex)] : String();
}

int32_t TvnPDFormCheckBox::OptionCount() {
  LoadOptions();
  return static_cast<int32_t>(FOption.size());
}

String TvnPDFormCheckBox::OnState() {
  LoadOptions();
  for (const String& state : FOption)
    if (state != u"Off") return state;
  return {};
}

bool TvnPDFormCheckBox::IsChecked() {
  TvnPDDictionary* d = Dict();
  if (!d) return FIsChecked;
  const String value = Value();
  if (!value.empty()) return value != u"Off" && value == OnState();
  if (const TvnPDBaseObject* as = d->LookUp("AS"); as && as->IsName()) return as->AsName()->GetValue() != "Off";
  return FIsChecked;
}

void TvnPDFormCheckBox::SetIsChecked(bool AValue) {
  FIsChecked = AValue;
  if (!Dict()) return;
  const String on = OnState();
  SetValue(AValue && !on.empty() ? StringView(on) : StringView(u"Off"));
}

TvnSelectionSymbol TvnPDFormCheckBox::Symbol() {
  TvnPDDictionary* d = Dict();
  if (!d) return FSymbol;
  const TvnPDBaseObject* kids = d->LookUp("Kids");
  const bool has_kids = kids && kids->IsArray() && kids->AsArray()->GetLength() > 0;
  const TvnPDDictionary* owner = has_kids ? FormDictOf(kids->AsArray()->Get(0)) : d;
  const TvnPDDictionary* mk = owner ? FormDictOf(owner->LookUp("MK")) : nullptr;
  if (mk)
    if (const auto s = SymbolOfCaption(PdfStringBytes(mk->LookUp("CA")), !has_kids)) FSymbol = *s;
  return FSymbol;
}

void TvnPDFormCheckBox::SetSymbol(TvnSelectionSymbol AValue) {
  FSymbol = AValue;
  if (TvnPDDictionary* mk = MK(true)) mk->Add("CA", std::make_unique<TvnPDString>(SymbolCaption(AValue)));
}

void TvnPDFormCheckBox::SetValue(StringView AValue) {
  FValue = String(AValue);
  TvnPDDictionary* d = Dict();
  if (!d) return;
  LoadOptions();
  String state = u"Off";
  if (AValue != u"Off") {
    const auto match = std::find_if(FOption.begin(), FOption.end(), [&](const String& s) { return vn::SameText(s, AValue); });
    // A box without appearance states keeps the value as given.
    state = match != FOption.end() ? *match : FOption.empty() ? String(AValue) : String(u"Off");
  }
  FValue = state;
  FIsChecked = state != u"Off";
  d->Add("V", FormName(state));
  for (TvnPDDictionary* widget : Widgets()) {
    const std::vector<String> states = AppearanceStates(widget);
    const bool has = std::find(states.begin(), states.end(), state) != states.end();
    widget->Add("AS", FormName(has ? StringView(state) : StringView(u"Off")));
  }
  AfterChange(true);
}

}  // namespace vn::pdfdoc
