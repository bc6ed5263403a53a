// Fuzz target over the form fields: a file is opened through the document
// handler and its AcroForm fields collected (names, types, flags, values,
// options, appearance characteristics); every field then gets a value (a
// text, the first option or state), a signature field is filled, and the
// document saved.
// Contract: opening either succeeds or raises one of the library's
// exceptions (vn::Exception), and so do the reads, the changes and the save;
// nothing crashes, hangs or raises anything else.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdfdocument/pd_acro_form.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_form_field.h"
#include "pdfdocument/pd_signature.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

using namespace vn::pdfdoc;

namespace {

void ReadAndFillField(TvnPDFormField& field) {
  field.FieldName();
  field.AltFieldName();
  field.DefaultValue();
  field.Value();
  field.Justification();
  field.BorderColor();
  field.BackGroundColor();
  field.Transparent();
  field.Orientation();
  field.Preferences();
  switch (field.FormFieldType()) {
    case TvnFormFieldType::ftText: {
      auto& text = static_cast<TvnPDFormTextField&>(field);
      text.IsComb();
      text.MaxLength();
      text.SetValue(u"Grüße\nzwei");
      break;
    }
    case TvnFormFieldType::ftListBox:
    case TvnFormFieldType::ftComboBox: {
      auto& choice = static_cast<TvnPDFormChoiceBox&>(field);
      if (choice.OptionCount() > 0) choice.SetValue(choice.GetOption(choice.OptionCount() - 1));
      break;
    }
    case TvnFormFieldType::ftRadio: {
      auto& radio = static_cast<TvnPDFormRadioButton&>(field);
      radio.Symbol();
      radio.SelectedItemIndex();
      if (radio.OptionCount() > 0) radio.SetSelectedItemIndex(radio.OptionCount() - 1);
      break;
    }
    case TvnFormFieldType::ftCheckBox: {
      auto& box = static_cast<TvnPDFormCheckBox&>(field);
      box.Symbol();
      box.SetIsChecked(!box.IsChecked());
      break;
    }
    case TvnFormFieldType::ftButton:
      static_cast<TvnPDFormPushButton&>(field).NormalCaption();
      break;
    case TvnFormFieldType::ftSignature: {
      auto& sig = static_cast<TvnPDSignatureField&>(field);
      sig.Signature();
      sig.Fill(u"a.pfx", u"p", u"reason", u"place", u"contact");
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TvnPDFDocumentHandler handler;
  try {
    handler.LoadDocument(new vn::TMemoryStream(std::vector<uint8_t>(data, data + size)), true);
  } catch (const vn::Exception&) {
    return 0;
  }
  try {
    if (!handler.Catalog()) return 0;
    TvnPDAcroForm* form = handler.Catalog()->AcroForm();
    int budget = 2000;
    for (TvnPDFormField* field : form->Fields()) {
      if (--budget < 0) break;
      try {
        ReadAndFillField(*field);
      } catch (const vn::Exception&) {
      }
      form->GetAcroFormField(field->BaseObject());
    }
    vn::TMemoryStream out;
    handler.SaveDocument(&out);
  } catch (const vn::Exception&) {
  }
  return 0;
}
