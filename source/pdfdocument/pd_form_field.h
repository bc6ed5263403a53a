// The interactive fields of a PDF form: a typed wrapper over each field
// dictionary (which, for a field with one widget, is that widget's
// annotation dictionary too), made by MakeFormField from the field type FT
// and the field flags Ff. Text, list, combo, radio group (with one item per
// widget), push button, check box and signature fields.
//
// Every field works in one of two modes: over its dictionary (loaded), where
// getters read the dictionary and setters write it and the field, or without
// one (new), where only the fields in memory are read and written.
//
// Ownership: the catalog's field collection owns the fields it makes (the
// page's widget annotations refer to them); a radio group owns its items; a
// field owns its font. The dictionaries belong to the document.
//
// Texts written into the dictionary (names, values, options) are PDF text
// strings: printable ASCII as it is, anything else UTF-16BE after the byte
// order mark. Changing a value rewrites V (and the widgets' appearance
// state or appearance stream) but never the default value DV.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/font_description.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_annot.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

class TvnPDFDocumentHandler;

enum class TvnFormFieldType { ftText, ftCheckBox, ftRadio, ftButton, ftSignature, ftListBox, ftComboBox };
enum class TvnFormHighlightMode { fmNone, fmInvert, fmOutline, fmPush, fmToggle };
enum class TvnFieldJustification { fjLeftJustified, fjCentered, fjRightJustified };
enum class TvnPDFormFieldOrientation { ffo0, ffo90, ffo180, ffo270 };
enum class TvnSelectionSymbol { csCheck, csCircle, csCross, csDiamond, csSquare, csStar };

// The set of afpdReadOnly, afpdRequired and afpdNoExport, as bits.
enum TvnAcroFieldPreference : uint8_t { afpdReadOnly = 1, afpdRequired = 2, afpdNoExport = 4 };
using TvnAcroFieldPreferences = uint8_t;

// The field flags (Ff) the fields read and write, by bit.
namespace field_flags {
inline constexpr uint32_t kReadOnly = 1u << 0;
inline constexpr uint32_t kRequired = 1u << 1;
inline constexpr uint32_t kNoExport = 1u << 2;
inline constexpr uint32_t kMultiLine = 1u << 12;
inline constexpr uint32_t kPassword = 1u << 13;
inline constexpr uint32_t kNoToggleToOff = 1u << 14;
inline constexpr uint32_t kRadio = 1u << 15;
inline constexpr uint32_t kPushButton = 1u << 16;
inline constexpr uint32_t kCombo = 1u << 17;
inline constexpr uint32_t kEdit = 1u << 18;
inline constexpr uint32_t kSort = 1u << 19;
inline constexpr uint32_t kFileSelect = 1u << 20;
inline constexpr uint32_t kMultiSelect = 1u << 21;
inline constexpr uint32_t kDoNotSpellCheck = 1u << 22;
inline constexpr uint32_t kDoNotScroll = 1u << 23;
inline constexpr uint32_t kComb = 1u << 24;
}  // namespace field_flags

// The values a field inherits from its ancestors in the form's field tree,
// as the collection hands them to the field it makes.
struct TvnFormFieldVals {
  // The fully qualified name (partial names joined by ".").
  String FieldName;
  // The default appearance (DA) in effect.
  std::string DAValue;
  String DefaultValue;
  // The /Font of the nearest default resources (DR); borrowed.
  vn::pdf::TvnPDDictionary* FontDict = nullptr;
  // The annotation flags (F) and the field flags (Ff) in effect.
  int32_t FFlag = 0;
  int32_t FfFlag = 0;
};

// The caption character of a selection symbol in the symbol font (MK CA),
// and the symbol a caption stands for (csCross also from "8" when
// AAcceptEight).
std::string SymbolCaption(TvnSelectionSymbol ASymbol);
std::optional<TvnSelectionSymbol> SymbolOfCaption(const std::string& ACaption, bool AAcceptEight);

class TvnPDFormField : public TvnPDAnnot {
 public:
  // Message logged when a node of the field tree has no field type.
  static constexpr const char* kNoFieldType = "Not a Valid Widget Annot type of FormField Type not found";

  // The field of ABaseObject's FT and Ff (null without FT or for an unknown
  // type), owned by the caller; it keeps a copy of AFieldRec.
  static std::unique_ptr<TvnPDFormField> MakeFormField(TvnPDFDocumentHandler* AParentDoc,
                                                       vn::pdf::TvnPDElement* AParentElement,
                                                       vn::pdf::TvnPDBaseObject* ABaseObject,
                                                       const TvnFormFieldVals& AFieldRec);

  // A new field without a dictionary (orientation ffo0), a widget.
  TvnPDFormField();
  // Over the field dictionary (borrowed).
  TvnPDFormField(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                 vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDFormField() override;

  // A new, empty field of the same kind without a dictionary; null for the
  // base class and the radio item.
  virtual std::unique_ptr<TvnPDFormField> Clone() const { return nullptr; }

  // A field's /Parent is its parent in the form's field tree, whichever
  // element holds the wrapper: nothing is written.
  void Update() override {}

  // T (the partial name), TU (the alternate name), DV and V.
  String FieldName();
  void SetFieldName(StringView AValue);
  String AltFieldName();
  void SetAltFieldName(StringView AValue);
  String DefaultValue();
  void SetDefaultValue(StringView AValue);
  String Value();
  virtual void SetValue(StringView AValue);

  const String& FullQualifiedName() const { return FFullQualifiedName; }
  void SetFullQualifiedName(StringView AValue) { FFullQualifiedName = String(AValue); }
  TvnFormFieldType FormFieldType() const { return FFieldType; }
  void SetFormFieldType(TvnFormFieldType AValue) { FFieldType = AValue; }
  // The field flags as MakeFormField read them (and the setters changed
  // them).
  int32_t Flag() const { return FFlag; }
  bool IsReadOnly() const { return FIsReadOnly; }
  void SetIsReadOnly(bool AValue);
  TvnFieldJustification Justification();
  void SetJustification(TvnFieldJustification AValue);
  // The font of the default appearance (the collection replaces it).
  TvnFont* Font() const { return FFont.get(); }
  void SetFont(std::unique_ptr<TvnFont> AValue) { FFont = std::move(AValue); }
  const TvnFormFieldVals& FieldRec() const { return FFieldRec; }

  // MK BC and BG: gray, RGB or CMYK by the number of entries.
  TvnPDColorValue BorderColor();
  void SetBorderColor(const TvnPDColorValue& AValue);
  TvnPDColorValue BackGroundColor();
  void SetBackGroundColor(const TvnPDColorValue& AValue);
  // True when MK holds neither a BG nor a BC entry; true empties them.
  bool Transparent();
  void SetTransparent(bool AValue);
  // MK R.
  TvnPDFormFieldOrientation Orientation();
  void SetOrientation(TvnPDFormFieldOrientation AValue) { FOrientation = AValue; }
  int32_t RotationAngle();
  void SetRotationAngle(int32_t AValue);
  TvnAcroFieldPreferences Preferences();
  void SetPreferences(TvnAcroFieldPreferences AValue) { FPreferences = AValue; }
  TvnFormHighlightMode HighlightMode() const { return FHighlightMode; }
  void SetHighlightMode(TvnFormHighlightMode AValue) { FHighlightMode = AValue; }

  // The AcroForm's NeedAppearances (true once seen true).
  bool GetNeedAppearances();
  void SetNeedAppearances(bool AValue);

  // The widget annotations of the field: its kids that are widgets (no T),
  // or the field dictionary itself when it has none. Borrowed.
  std::vector<vn::pdf::TvnPDDictionary*> Widgets() const;

 protected:
  // Sets or adds Ff with FFlag.
  void WriteFlags();
  // ORs the bit into FFlag and writes Ff (true only).
  void SetFlagBit(uint32_t ABit, bool AValue);
  bool FlagBit(uint32_t ABit) const { return (static_cast<uint32_t>(FFlag) & ABit) != 0; }
  // MK of the dictionary, made when AMake and missing; null otherwise.
  vn::pdf::TvnPDDictionary* MK(bool AMake);
  // After a change: asks for appearances and, for a change of value
  // (AValue), drops the XFA form.
  void AfterChange(bool AValue = false);
  // Writes the widgets' appearance after a change of value.
  virtual void RefreshAppearance() {}

  int32_t FRotationAngle = 0;
  TvnPDColorValue FBorderColor;
  TvnPDColorValue FBackGround;
  TvnFormHighlightMode FHighlightMode = TvnFormHighlightMode::fmNone;
  TvnFormFieldType FFieldType = TvnFormFieldType::ftText;
  String FValue;
  String FDefaultValue;
  String FFieldName;
  TvnFieldJustification FJustification = TvnFieldJustification::fjLeftJustified;
  String FAltFieldName;
  bool FIsReadOnly = false;
  TvnAcroFieldPreferences FPreferences = 0;
  bool FTransparent = false;
  String FFullQualifiedName;
  TvnPDFormFieldOrientation FOrientation = TvnPDFormFieldOrientation::ffo0;
  bool FNeedAppearences = false;
  int32_t FFlag = 0;
  TvnFormFieldVals FFieldRec;
  std::unique_ptr<TvnFont> FFont;

 private:
  TvnPDColorValue ReadMKColor(const char* AKey, const TvnPDColorValue& AKept);
  void WriteMKColor(const char* AKey, const TvnPDColorValue& AValue);
  void WriteFieldText(const char* AKey, StringView AValue);
};

class TvnPDFormTextField : public TvnPDFormField {
 public:
  TvnPDFormTextField();
  TvnPDFormTextField(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     vn::pdf::TvnPDBaseObject* ABaseObject)
      : TvnPDFormField(AParentDoc, AParentElement, ABaseObject) {}
  std::unique_ptr<TvnPDFormField> Clone() const override { return std::make_unique<TvnPDFormTextField>(); }

  bool IsMultiLine() const { return Dict() ? FlagBit(field_flags::kMultiLine) : FIsMultiLine; }
  void SetIsMultiLine(bool AValue);
  bool IsPasswordField() const { return Dict() ? FlagBit(field_flags::kPassword) : FisPasswordField; }
  void SetIsPasswordField(bool AValue);
  bool IsFileSelect() const { return Dict() ? FlagBit(field_flags::kFileSelect) : FIsFileSelect; }
  void SetIsFileSelect(bool AValue);
  bool IsDoNotSpellCheck() const { return Dict() ? FlagBit(field_flags::kDoNotSpellCheck) : FIsDoNotSpellCheck; }
  void SetIsDoNotSpellCheck(bool AValue);
  bool IsDoNotScroll() const { return Dict() ? FlagBit(field_flags::kDoNotScroll) : FIsDoNotScroll; }
  void SetIsDoNotScroll(bool AValue);
  // The comb flag with a maximum length above 0.
  bool IsComb();
  void SetIsComb(bool AValue);
  // MaxLen (0: no limit).
  int32_t MaxLength();
  void SetMaxLength(int32_t AValue);

 protected:
  void RefreshAppearance() override;

 private:
  bool FisPasswordField = false;
  bool FIsMultiLine = false;
  bool FIsComb = false;
  int32_t FMaxLen = 0;
  bool FIsFileSelect = false;
  bool FIsDoNotSpellCheck = false;
  bool FIsDoNotScroll = false;
};

// List and combo boxes: the options of Opt, each a display text and, for
// [export display] pairs, an export value.
class TvnPDFormChoiceBox : public TvnPDFormField {
 public:
  using TvnPDFormField::TvnPDFormField;

  // The display text of option AIndex; empty outside the range.
  String GetOption(int32_t AIndex);
  int32_t OptionCount();
  // The export value of option AIndex (its display text when it has none).
  String GetExportValue(int32_t AIndex);
  bool IsSortedList() const { return Dict() ? FlagBit(field_flags::kSort) : FIsSortedList; }
  void SetIsSortedList(bool AValue);
  bool IsMultiSelect() const { return Dict() ? FlagBit(field_flags::kMultiSelect) : FIsMultiSelect; }
  void SetIsMultiSelect(bool AValue);
  bool IsDoNotSpellCheck() const { return Dict() ? FlagBit(field_flags::kDoNotSpellCheck) : FIsDoNotSpellCheck; }
  void SetIsDoNotSpellCheck(bool AValue);
  // Appends an option (the text as both display text and export value, or
  // the two given); returns the new number of options.
  int32_t AddItem(StringView AItem) { return AddItem(AItem, AItem); }
  int32_t AddItem(StringView ADisplayValue, StringView AValue);
  // V takes the export value of the option whose display text is AValue,
  // I its index; a value that is no option changes nothing.
  void SetValue(StringView AValue) override;

 protected:
  void LoadOptions();
  void RefreshAppearance() override;

  bool FIsSortedList = false;
  bool FIsMultiSelect = false;
  bool FIsDoNotSpellCheck = false;
  std::vector<String> FOptions;
  std::vector<String> FValueList;
  bool FOptionsLoaded = false;
};

class TvnPDFormListBox : public TvnPDFormChoiceBox {
 public:
  TvnPDFormListBox();
  using TvnPDFormChoiceBox::TvnPDFormChoiceBox;
  std::unique_ptr<TvnPDFormField> Clone() const override { return std::make_unique<TvnPDFormListBox>(); }
};

class TvnPDFormComboBox : public TvnPDFormChoiceBox {
 public:
  TvnPDFormComboBox();
  using TvnPDFormChoiceBox::TvnPDFormChoiceBox;
  std::unique_ptr<TvnPDFormField> Clone() const override { return std::make_unique<TvnPDFormComboBox>(); }

  bool IsEditable() const;
  void SetIsEditable(bool AValue);
  int32_t SelectedItemIndex() const { return FSelectedItemIndex; }
  void SetSelectedItemIndex(int32_t AValue);

 private:
  int32_t FSelectedItemIndex = 0;
  bool FIsEditable = false;
};

// One widget of a radio group.
class TvnPDRadioItem : public TvnPDFormField {
 public:
  using TvnPDFormField::TvnPDFormField;
};

class TvnPDFormRadioButton : public TvnPDFormField {
 public:
  TvnPDFormRadioButton();
  TvnPDFormRadioButton(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                       vn::pdf::TvnPDBaseObject* ABaseObject)
      : TvnPDFormField(AParentDoc, AParentElement, ABaseObject) {}
  std::unique_ptr<TvnPDFormField> Clone() const override { return std::make_unique<TvnPDFormRadioButton>(); }

  // The on-state name of option AIndex (every appearance state of the
  // widgets but Off, in order); empty outside the range.
  String GetOption(int32_t AIndex);
  int32_t OptionCount();
  int32_t GetItemCount();
  TvnPDRadioItem* GetRadioItem(int32_t AIndex);
  int32_t AddRadioItem(std::unique_ptr<TvnPDRadioItem> ARadioItem);
  // The index of the option equal to the value (0 when none is).
  int32_t SelectedItemIndex();
  void SetSelectedItemIndex(int32_t AValue);
  // Item AIndex shows AState; V takes any state but Off.
  void SetItemState(int32_t AIndex, const std::string& AState);
  bool AtleastOneSelectedItem() const { return Dict() ? FlagBit(field_flags::kNoToggleToOff) : FAtleastOneSelectedItem; }
  void SetAtleastOneSelectedItem(bool AValue);
  TvnSelectionSymbol Symbol();
  void SetSymbol(TvnSelectionSymbol AValue);
  // V becomes the state name; the widget that has that state shows it, the
  // others Off.
  void SetValue(StringView AValue) override;

 private:
  void LoadItems();

  std::vector<String> FOptions;
  int32_t FSelectedItemIndex = 0;
  bool FAtleastOneSelectedItem = false;
  TvnSelectionSymbol FSymbol = TvnSelectionSymbol::csCheck;
  std::vector<std::unique_ptr<TvnPDRadioItem>> FRadioItemList;
  bool FItemsLoaded = false;
};

class TvnPDFormPushButton : public TvnPDFormField {
 public:
  TvnPDFormPushButton();
  TvnPDFormPushButton(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                      vn::pdf::TvnPDBaseObject* ABaseObject);
  std::unique_ptr<TvnPDFormField> Clone() const override { return std::make_unique<TvnPDFormPushButton>(); }

  // MK CA, RC and AC.
  std::string NormalCaption() { return Caption("CA", FNormalCaption); }
  void SetNormalCaption(const std::string& AValue) { SetCaption("CA", FNormalCaption, AValue); }
  std::string RollOverCaption() { return Caption("RC", FRollOverCaption); }
  void SetRollOverCaption(const std::string& AValue) { SetCaption("RC", FRollOverCaption, AValue); }
  std::string DownCaption() { return Caption("AC", FDownCaption); }
  void SetDownCaption(const std::string& AValue) { SetCaption("AC", FDownCaption, AValue); }

 private:
  std::string Caption(const char* AKey, const std::string& AKept);
  void SetCaption(const char* AKey, std::string& AKept, const std::string& AValue);

  std::string FNormalCaption;
  std::string FRollOverCaption;
  std::string FDownCaption;
};

class TvnPDFormCheckBox : public TvnPDFormField {
 public:
  TvnPDFormCheckBox();
  TvnPDFormCheckBox(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                    vn::pdf::TvnPDBaseObject* ABaseObject)
      : TvnPDFormField(AParentDoc, AParentElement, ABaseObject) {}
  std::unique_ptr<TvnPDFormField> Clone() const override { return std::make_unique<TvnPDFormCheckBox>(); }

  // The appearance-state names of the widgets, Off included, in order.
  String GetOption(int32_t AIndex);
  int32_t OptionCount();
  bool IsChecked();
  void SetIsChecked(bool AValue);
  TvnSelectionSymbol Symbol();
  void SetSymbol(TvnSelectionSymbol AValue);
  // "Off" unchecks; another value picks the state of that name (ignoring
  // case) for V and the widgets' AS.
  void SetValue(StringView AValue) override;

 private:
  void LoadOptions();
  // The first state name that is not Off; empty without one.
  String OnState();

  TvnSelectionSymbol FSymbol = TvnSelectionSymbol::csCheck;
  bool FIsChecked = false;
  std::vector<String> FOption;
  bool FOptionsLoaded = false;
};

}  // namespace vn::pdfdoc
