// The form fields a caller places on the pages of the extended PDF engine
// (TvnExPDFEngine::AddFormItem): push buttons, check boxes, radio groups of
// radio buttons, text fields, combo boxes, list boxes and (unsigned)
// signature fields. Each kind is a class of its own with the data of its
// dictionary; the engine writes them when the document ends
// (pdf_form_fields.cpp): one widget annotation and field dictionary each (a
// radio group is a field whose buttons are its widgets), appearance streams
// for every state, and the interactive form (AcroForm) dictionary.
//
// Rectangles are in the engine's measurement unit, relative to the content
// band of the page the field is added to, like every drawing call. Texts
// (names, values, captions, items, scripts) are Unicode and written as
// text strings; the appearance streams draw them in a simple TrueType font
// and so show the characters of Windows-1252 ("?" for the others).
//
// Ownership: the engine owns a field from the AddFormItem call on; a radio
// group owns its buttons.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "export/engine_types.h"
#include "framework/writer_routines.h"
#include "pdfwriter/pdf_settings.h"
#include "runtime/containers.h"

namespace vn::pdfwriter {

using vn::framework::TvnRect;

enum class TvnAcroFieldPreferencesType { afpReadOnly, afpRequired, afpNoExport };
using TvnAcroFieldPreferences = vn::EnumSet<TvnAcroFieldPreferencesType>;

enum class TvnPDFFormFieldKind { PushButton, CheckBox, RadioGroup, RadioButton, TextField, ComboBox, ListBox, Signature };

// The ZapfDingbats mark of a check box or radio button: check "4", circle
// "l", cross "8", diamond "u", square "n", star "H".
enum class TvnPDFCheckStyle { csCheck, csCircle, csCross, csDiamond, csSquare, csStar };

class TvnExPDFEngine;

class TvnPDFFormField {
 public:
  virtual ~TvnPDFFormField() = default;
  TvnPDFFormFieldKind Kind() const { return FKind; }

  // The partial field name (/T); empty: the kind's prefix and the field's
  // index among the document's fields ("Text0").
  String FieldName;
  // Kept with the field; nothing is written from it.
  String DefaultValue;
  TvnAcroFieldPreferences Preferences;
  TColor BorderColor = 0x000000;
  TColor BackgroundColor = 0xFFFFFF;
  TvnRect Rect;
  String Value;
  // The field's text font: name, size in points (0: the viewer sizes the
  // text to the field), colour.
  TFont Font;
  // The alternate (user) name, /TU.
  String AltFieldName;
  bool Visible = true;

  // Set when the field is added: its page (1-based) and object number.
  int32_t PageNo() const { return FPageNo; }
  int32_t ObjectNumber() const { return FObjNo; }

 protected:
  explicit TvnPDFFormField(TvnPDFFormFieldKind kind) : FKind(kind) {}

 private:
  friend class TvnExPDFEngine;
  TvnPDFFormFieldKind FKind;
  int32_t FPageNo = 0;
  int32_t FObjNo = 0;
};

enum class TvnPDFButtonAction { baNone, baSubmit, baReset, baJavaScript };
// The format a submit button sends: HTML form data, FDF or XFDF.
enum class TvnPDFSubmitFormat { sfHTML, sfFDF, sfXFDF };

class TvnPDFFormPushButton : public TvnPDFFormField {
 public:
  TvnPDFFormPushButton() : TvnPDFFormField(TvnPDFFormFieldKind::PushButton) {}
  String NormalCaption, RollOverCaption, DownCaption;
  String JavaScript;
  String SubmitURL;
  TvnPDFButtonAction ButtonAction = TvnPDFButtonAction::baNone;
  TvnPDFSubmitFormat SubmitFormat = TvnPDFSubmitFormat::sfHTML;
};

class TvnPDFFormCheckBox : public TvnPDFFormField {
 public:
  TvnPDFFormCheckBox() : TvnPDFFormField(TvnPDFFormFieldKind::CheckBox) {}
  TvnPDFCheckStyle CheckStyle = TvnPDFCheckStyle::csCheck;
  bool Checked = false;
};

// A radio button of a group: its Value is the state name it exports when
// selected (a PDF name; empty gives "Choice" and its index); Rect, colours
// and Visible are its own, the font is the group's.
class TvnPDFFormRadioButton : public TvnPDFFormField {
 public:
  TvnPDFFormRadioButton() : TvnPDFFormField(TvnPDFFormFieldKind::RadioButton) {}
};

class TvnPDFFormRadioGroup : public TvnPDFFormField {
 public:
  TvnPDFFormRadioGroup() : TvnPDFFormField(TvnPDFFormFieldKind::RadioGroup) {}
  // Adds a button with its rectangle and export value; returns it.
  TvnPDFFormRadioButton& AddButton(const TvnRect& Rect, const String& ExportValue);
  std::vector<std::unique_ptr<TvnPDFFormRadioButton>> RadioButtons;
  // The selected button (-1: none).
  int32_t SelectedIndex = -1;
  bool NoToggleToOff = false;
  TvnPDFCheckStyle CheckStyle = TvnPDFCheckStyle::csCircle;
};

class TvnPDFFormTextField : public TvnPDFFormField {
 public:
  TvnPDFFormTextField() : TvnPDFFormField(TvnPDFFormFieldKind::TextField) {}
  bool MultiLine = false, Password = false, FileSelect = false, DoNotSpellCheck = false, DoNotScroll = false;
  // -1: no limit.
  int32_t MaxLength = -1;
  bool ShowBorder = true;
  vn::exporter::TvnHAlignment Alignment = vn::exporter::TvnHAlignment::haLeft;
};

class TvnPDFFormComboBox : public TvnPDFFormField {
 public:
  TvnPDFFormComboBox() : TvnPDFFormField(TvnPDFFormFieldKind::ComboBox) {}
  bool Editable = false;
  // The selected item (-1: Value, or "Choice" when that is empty).
  int32_t SelectedIndex = -1;
  std::vector<String> Items;
};

class TvnPDFFormListBox : public TvnPDFFormField {
 public:
  TvnPDFFormListBox() : TvnPDFFormField(TvnPDFFormFieldKind::ListBox) {}
  bool MultiSelect = false;
  std::vector<String> Items;
  // The selected items (indices into Items); empty: Value when it is an
  // item, else the first item.
  std::vector<int32_t> SelectedIndices;
};

// An empty signature field, for a signature made later (by a viewer, or by
// the PDF model's signed save). The engine's own signature, made while the
// file is written, comes from the DigitalSignature settings instead.
class TvnPDFFormSignatureField : public TvnPDFFormField {
 public:
  TvnPDFFormSignatureField() : TvnPDFFormField(TvnPDFFormFieldKind::Signature) {}
};

}  // namespace vn::pdfwriter
