#include "pdfdocument/pd_form_field.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/pdf_file_builder.h"
#include "pdfdocument/pd_acro_form.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_model_testing.h"

namespace vn::pdfdoc::pd_form_field_test {

using vn::pdf::TvnPDBaseObject;

// A document whose form has one top-level field, object 4 (its text given),
// followed by the objects from 5 on. Appearance streams are object 20, an
// empty form, which stands for the XFA form too.
std::unique_ptr<TvnPDFDocumentHandler> OneField(const std::string& AField,
                                                const std::vector<std::string>& AMore = {}) {
  vn::pdf::testing::PdfFileBuilder b("%PDF-1.7\n");
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R/AcroForm<</Fields[4 0 R]/DA(/Helv 0 Tf 0 g)/XFA 20 0 R>>>>");
  b.Obj(2, "<</Type/Pages/Kids[3 0 R]/Count 1>>");
  b.Obj(3, "<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 200]>>");
  b.Obj(4, AField);
  for (size_t i = 0; i < AMore.size(); ++i) b.Obj(static_cast<int64_t>(5 + i), AMore[i]);
  b.Obj(20, "<</Type/XObject/Subtype/Form/BBox[0 0 10 10]/Length 0>>stream\n\nendstream");
  b.ClassicTable("/Size 21/Root 1 0 R");
  return model_testing::OpenPdfBytes(b.Data());
}

TvnPDFormField* FirstField(TvnPDFDocumentHandler& AHandler) {
  const auto& fields = AHandler.Catalog()->AcroForm()->Fields();
  return fields.empty() ? nullptr : fields.front();
}

std::string EntryText(TvnPDFormField* AField, const char* AKey) {
  TvnPDBaseObject* v = AField->Dict()->LookupRefObj(AKey);
  return v ? v->GetText() : "-";
}

// The field kind follows FT and the flags; read-only comes from bit 0
// unless Ff is -1.
TEST(PDFormField, MakeFormFieldByTypeAndFlags) {
  struct Case {
    const char* Entries;
    bool Made;
    TvnFormFieldType Type;
    bool ReadOnly;
  };
  const Case cases[] = {
      {"/FT/Btn/Ff 49152", true, TvnFormFieldType::ftRadio, false},
      {"/FT/Btn/Ff 65536", true, TvnFormFieldType::ftButton, false},
      {"/FT/Btn", true, TvnFormFieldType::ftCheckBox, false},
      {"/FT/Btn/Ff -1", true, TvnFormFieldType::ftCheckBox, false},
      {"/FT/Tx/Ff 1", true, TvnFormFieldType::ftText, true},
      {"/FT/Ch/Ff 131072", true, TvnFormFieldType::ftComboBox, false},
      {"/FT/Ch", true, TvnFormFieldType::ftListBox, false},
      {"/FT/Sig", true, TvnFormFieldType::ftSignature, false},
      {"/FT/Xx", false, TvnFormFieldType::ftText, false},
      {"/T(no type)", false, TvnFormFieldType::ftText, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Entries);
    auto handler = OneField(std::string("<<") + c.Entries + ">>");
    TvnPDFormField* field = FirstField(*handler);
    ASSERT_EQ(field != nullptr, c.Made);
    if (!field) continue;
    EXPECT_EQ(field->FormFieldType(), c.Type);
    EXPECT_EQ(field->IsReadOnly(), c.ReadOnly);
    ASSERT_NE(field->Clone(), nullptr);
    EXPECT_EQ(field->Clone()->FormFieldType(), c.Type);
  }
}

// A check box changes V and the widgets' AS only: its default stays.
TEST(PDFormField, CheckBoxStatesAndDefault) {
  auto handler = OneField("<</FT/Btn/T(c)/V/Yes/DV/Yes/AS/Yes/AP<</N<</Off 20 0 R/Yes 20 0 R>>>>>>");
  auto* box = static_cast<TvnPDFormCheckBox*>(FirstField(*handler));
  EXPECT_EQ(box->OptionCount(), 2);
  EXPECT_TRUE(box->IsChecked());
  box->SetIsChecked(false);
  EXPECT_EQ(EntryText(box, "AS"), "/Off");
  EXPECT_EQ(EntryText(box, "V"), "/Off");
  EXPECT_FALSE(box->IsChecked());
  box->SetValue(u"yes");
  EXPECT_EQ(EntryText(box, "AS"), "/Yes");
  EXPECT_EQ(EntryText(box, "V"), "/Yes");
  EXPECT_EQ(EntryText(box, "DV"), "/Yes");
  box->SetIsChecked(false);
  EXPECT_EQ(EntryText(box, "DV"), "/Yes");
  // Asking for appearances is written to the form.
  EXPECT_TRUE(box->GetNeedAppearances());
  EXPECT_EQ(handler->Catalog()->AcroFormField()->LookUp("NeedAppearances")->GetText(), "true");
}

// A radio group: the on-states of its widgets are its options; choosing one
// shows it on its widget, Off on the others, and sets V but not DV.
TEST(PDFormField, RadioGroupSelection) {
  auto handler = OneField("<</FT/Btn/Ff 49152/T(r)/V/B/DV/B/Kids[5 0 R 6 0 R]>>",
                          {"<</Subtype/Widget/Parent 4 0 R/AS/Off/MK<</CA(u)>>/AP<</N<</Off 20 0 R/A 20 0 R>>>>>>",
                           "<</Subtype/Widget/Parent 4 0 R/AS/B/AP<</N<</Off 20 0 R/B 20 0 R>>>>>>"});
  auto* radio = static_cast<TvnPDFormRadioButton*>(FirstField(*handler));
  EXPECT_EQ(radio->OptionCount(), 2);
  EXPECT_EQ(radio->GetOption(0), u"A");
  EXPECT_EQ(radio->GetOption(1), u"B");
  EXPECT_EQ(radio->GetOption(2), u"");
  EXPECT_EQ(radio->SelectedItemIndex(), 1);
  EXPECT_EQ(radio->Symbol(), TvnSelectionSymbol::csDiamond);
  EXPECT_TRUE(radio->AtleastOneSelectedItem());
  radio->SetSelectedItemIndex(0);
  EXPECT_EQ(handler->GetObject(5)->AsDict()->LookUp("AS")->GetText(), "/A");
  EXPECT_EQ(handler->GetObject(6)->AsDict()->LookUp("AS")->GetText(), "/Off");
  EXPECT_EQ(EntryText(radio, "V"), "/A");
  EXPECT_EQ(EntryText(radio, "DV"), "/B");
  radio->SetValue(u"B");
  EXPECT_EQ(handler->GetObject(5)->AsDict()->LookUp("AS")->GetText(), "/Off");
  EXPECT_EQ(handler->GetObject(6)->AsDict()->LookUp("AS")->GetText(), "/B");
  EXPECT_EQ(radio->SelectedItemIndex(), 1);
}

// Options from plain strings and [export display] pairs; a choice writes
// the export value to V and its index to I, and a value that is no option
// writes neither.
TEST(PDFormField, ChoiceOptionsAndValue) {
  auto handler = OneField("<</FT/Ch/Ff 131072/T(c)/Opt[(a)[(x)(Shown)](c)]/Rect[0 0 100 20]>>");
  auto* combo = static_cast<TvnPDFormComboBox*>(FirstField(*handler));
  EXPECT_EQ(combo->OptionCount(), 3);
  EXPECT_EQ(combo->GetOption(1), u"Shown");
  EXPECT_EQ(combo->GetExportValue(1), u"x");
  EXPECT_EQ(combo->GetOption(3), u"");
  combo->SetValue(u"z");
  EXPECT_EQ(EntryText(combo, "V"), "-");
  EXPECT_EQ(EntryText(combo, "I"), "-");
  combo->SetValue(u"Shown");
  EXPECT_EQ(EntryText(combo, "V"), "(x)");
  EXPECT_EQ(EntryText(combo, "I"), "[ 1 ]");
  // The new value has an appearance of its own that shows it.
  const TvnPDBaseObject* n = combo->Dict()->LookUp("AP")->AsDict()->LookUp("N");
  ASSERT_TRUE(n && n->IsStream());
  std::string content;
  const_cast<TvnPDBaseObject*>(n)->AsStream()->Reset();
  const_cast<TvnPDBaseObject*>(n)->AsStream()->Read(content, 4096);
  EXPECT_NE(content.find("(Shown) Tj"), std::string::npos) << content;
  EXPECT_FALSE(combo->IsEditable());
  combo->SetIsEditable(true);
  EXPECT_TRUE(combo->IsEditable());
}

// Flag setters write Ff (choice boxes too); read-only adds bit 0 to the
// flags already there; comb needs a maximum length.
TEST(PDFormField, FlagSettersWriteFf) {
  auto text_handler = OneField("<</FT/Tx/T(t)/Ff 16781312>>");  // multi-line and comb
  auto* text = static_cast<TvnPDFormTextField*>(FirstField(*text_handler));
  EXPECT_TRUE(text->IsMultiLine());
  EXPECT_FALSE(text->IsComb());
  text->SetMaxLength(5);
  EXPECT_EQ(EntryText(text, "MaxLen"), "5");
  EXPECT_TRUE(text->IsComb());
  text->SetIsReadOnly(true);
  EXPECT_EQ(EntryText(text, "Ff"), "16781313");

  auto list_handler = OneField("<</FT/Ch/T(l)>>");
  auto* list = static_cast<TvnPDFormListBox*>(FirstField(*list_handler));
  list->SetIsMultiSelect(true);
  list->SetIsSortedList(true);
  EXPECT_EQ(EntryText(list, "Ff"), std::to_string(field_flags::kMultiSelect | field_flags::kSort));
  EXPECT_TRUE(list->IsMultiSelect());
}

// Texts are written as PDF text strings: ASCII as it is, anything else
// UTF-16BE with the byte order mark; a new value drops the XFA form.
TEST(PDFormField, TextsAreEncoded) {
  auto handler = OneField("<</FT/Tx/T(t)/Rect[0 0 100 20]>>");
  TvnPDFormField* field = FirstField(*handler);
  field->SetAltFieldName(u"Straße");
  EXPECT_EQ(field->AltFieldName(), u"Straße");
  EXPECT_NE(handler->Catalog()->AcroFormField()->LookUp("XFA"), nullptr);
  // A new value makes the XFA form, which would show its own data, go.
  field->SetValue(u"plain");
  EXPECT_EQ(EntryText(field, "V"), "(plain)");
  EXPECT_EQ(handler->Catalog()->AcroFormField()->LookUp("XFA"), nullptr);
  field->SetValue(u"Grüße");
  EXPECT_EQ(EntryText(field, "V"), "<FEFF0047007200FC00DF0065>");
  EXPECT_EQ(field->Value(), u"Grüße");
  field->SetJustification(TvnFieldJustification::fjRightJustified);
  EXPECT_EQ(EntryText(field, "Q"), "2");
}

// Appearance characteristics: MK colours by their number of components,
// rotation, transparency.
TEST(PDFormField, AppearanceCharacteristics) {
  auto handler = OneField("<</FT/Tx/T(t)/MK<</BG[0.5]/BC[1 0 0]/R 90>>>>");
  TvnPDFormField* field = FirstField(*handler);
  const TvnPDColorValue bg = field->BackGroundColor();
  EXPECT_EQ(bg.Kind, TvnColorSpaceMode::csDeviceGray);
  ASSERT_EQ(bg.Components.size(), 1u);
  EXPECT_EQ(bg.Components[0], 0.5);
  EXPECT_EQ(field->BorderColor().Kind, TvnColorSpaceMode::csDeviceRGB);
  EXPECT_EQ(field->Orientation(), TvnPDFormFieldOrientation::ffo90);
  EXPECT_FALSE(field->Transparent());
  field->SetTransparent(true);
  EXPECT_TRUE(field->Transparent());
  field->SetBackGroundColor({TvnColorSpaceMode::csDeviceCMYK, {0, 0, 0, 1}});
  EXPECT_EQ(field->BackGroundColor().Kind, TvnColorSpaceMode::csDeviceCMYK);
}

}  // namespace vn::pdfdoc::pd_form_field_test
