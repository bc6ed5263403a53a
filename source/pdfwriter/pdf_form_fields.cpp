// Form fields of the extended PDF engine: placing them on the current page,
// and writing their widget and field dictionaries, their appearance
// streams (every state of every kind) and the interactive form dictionary.
#include <algorithm>
#include <cmath>

#include "pdfwriter/extended_pdf_engine.h"
#include "pdfwriter/pdf_font.h"
#include "pdfwriter/pdf_form_text_impl.h"
#include "pdfwriter/pdf_syntax_impl.h"

namespace vn::pdfwriter {

using vn::exporter::TvnHAlignment;

TvnPDFFormRadioButton& TvnPDFFormRadioGroup::AddButton(const TvnRect& rect, const String& export_value) {
  auto button = std::make_unique<TvnPDFFormRadioButton>();
  button->Rect = rect;
  button->Value = export_value;
  button->BorderColor = BorderColor;
  button->BackgroundColor = BackgroundColor;
  RadioButtons.push_back(std::move(button));
  return *RadioButtons.back();
}

namespace form_detail {
namespace {

using namespace form_text;

// Field flags (/Ff).
constexpr int32_t kReadOnly = 1, kRequired = 2, kNoExport = 4;
constexpr int32_t kMultiline = 4096, kPassword = 8192, kNoToggleToOff = 16384, kRadio = 32768, kPushButton = 65536;
constexpr int32_t kCombo = 131072, kEdit = 262144, kFileSelect = 1048576, kMultiSelect = 2097152;
constexpr int32_t kDoNotSpellCheck = 4194304, kDoNotScroll = 8388608;

// The ZapfDingbats character of a check style and its width (thousandths).
struct CheckMark {
  char code;
  double width;
};
CheckMark MarkOf(TvnPDFCheckStyle style) {
  static const CheckMark kMarks[] = {{'4', 846}, {'l', 791}, {'8', 677}, {'u', 788}, {'n', 761}, {'H', 816}};
  return kMarks[static_cast<size_t>(style)];
}

// The 6 letters of the subset tag of font `index`, as the text writer makes
// them (AAAAAA, AAAAAB, ...).
std::string FieldSubsetTag(size_t index) {
  std::string tag(6, 'A');
  for (size_t i = 6; i-- > 0 && index > 0; index /= 26) tag[i] = static_cast<char>('A' + index % 26);
  return tag;
}

// The size text is drawn at in a box of height h: the font's, or with size
// 0 (auto) one that fits the box.
double AppearanceSize(const TFont& font, double h) {
  if (font.Size > 0) return font.Size;
  return std::clamp((h - 4) * 0.7, 4.0, 12.0);
}

// The baseline that centres a line of the font vertically in a box of
// height h.
double CentredBaseline(const TvnPDFFont& font, double size, double h) {
  const double ascent = font.FontInfo().FfiAscent * size / 1000, descent = font.FontInfo().FfiDescent * size / 1000;
  return (h - (ascent - descent)) / 2 - descent;
}

std::string BoxFill(TColor color, double w, double h) { return Rgb(color) + " rg 0 0 " + Num(w) + " " + Num(h) + " re f "; }

std::string BoxBorder(TColor color, double width, double w, double h) {
  const double half = width / 2;
  return Rgb(color) + " RG " + Num(width) + " w " + Num(half) + " " + Num(half) + " " + Num(w - width) + " " + Num(h - width) + " re S ";
}

const char* FieldNamePrefix(TvnPDFFormFieldKind kind) {
  switch (kind) {
    case TvnPDFFormFieldKind::PushButton: return "Btn";
    case TvnPDFFormFieldKind::CheckBox: return "ChBtn";
    case TvnPDFFormFieldKind::RadioGroup: return "RBtn";
    case TvnPDFFormFieldKind::RadioButton: return "RBtn";
    case TvnPDFFormFieldKind::TextField: return "Text";
    case TvnPDFFormFieldKind::ComboBox: return "Combo";
    case TvnPDFFormFieldKind::ListBox: return "List";
    case TvnPDFFormFieldKind::Signature: return "Signature";
  }
  return "Field";
}

}  // namespace
}  // namespace form_detail


// ---- adding

bool TvnExPDFEngine::AddFormItem(std::unique_ptr<TvnPDFFormField> field) {
  using namespace form_detail;
  if (!field || !IsDocumentStarted()) return false;
  if (field->Kind() == TvnPDFFormFieldKind::RadioButton) return false;  // only inside a group
  if (IsPDFA() && field->Kind() == TvnPDFFormFieldKind::PushButton &&
      static_cast<TvnPDFFormPushButton&>(*field).ButtonAction == TvnPDFButtonAction::baJavaScript)
    throw vn::ENotSupportedException("JavaScript and launch actions are not allowed in PDF/A");
  const int32_t page = CurrentPage();
  if (field->Kind() == TvnPDFFormFieldKind::RadioGroup) {
    auto& group = static_cast<TvnPDFFormRadioGroup&>(*field);
    // The selected button keeps its selection when buttons before it go.
    const TvnPDFFormRadioButton* selected =
        group.SelectedIndex >= 0 && static_cast<size_t>(group.SelectedIndex) < group.RadioButtons.size()
            ? group.RadioButtons[static_cast<size_t>(group.SelectedIndex)].get()
            : nullptr;
    std::erase_if(group.RadioButtons, [&](auto& button) { return !button || !PlaceRect(button->Rect); });
    if (group.RadioButtons.empty()) return false;
    group.SelectedIndex = -1;
    for (size_t i = 0; i < group.RadioButtons.size(); ++i)
      if (group.RadioButtons[i].get() == selected) group.SelectedIndex = static_cast<int32_t>(i);
    field->FObjNo = NewObjectNumber();
    for (auto& button : group.RadioButtons) {
      button->FPageNo = page;
      button->FObjNo = NewObjectNumber();
    }
  } else {
    if (!PlaceRect(field->Rect)) return false;
    field->FObjNo = NewObjectNumber();
  }
  field->FPageNo = page;
  FPDFFormFields.push_back(std::move(field));
  return true;
}

// ---- fonts and appearances

int32_t TvnExPDFEngine::FieldFontIndex(const TFont& font, const std::vector<String>& texts) {
  using namespace form_detail;
  TFont mapped = font;
  for (const String& installed : MapFont().SysFontList())
    if (vn::SameText(installed, mapped.Name)) mapped.Name = installed;
  String sample;
  for (const String& t : texts) sample += t;
  MapFont().GetTrueTypeFont(sample.empty() ? String(u"Aa") : sample, mapped);
  int32_t found = -1;
  for (size_t i = 0; i < FFontTable.size(); ++i)
    if (FFontTable[i]->FontEncoding() == TvnFontEncoding::feWinAnsi && FFontTable[i]->IsEqual(mapped)) found = static_cast<int32_t>(i);
  if (found < 0) {
    const TvnPDFPreferences& prefs = static_cast<TvnPDFPreferences&>(Preferences());
    const bool subset = prefs.EmbedTrueTypeFonts == TvnTTFontEmbedding::etfSubset && FontEmbedExcludeList().IndexOf(mapped.Name) < 0;
    FFontTable.push_back(std::make_unique<TvnPDFFont>(mapped, mapped.Size > 0 ? mapped.Size : 12, subset, false, NewObjectNumber(), true));
    found = static_cast<int32_t>(FFontTable.size() - 1);
    FFontTable.back()->SubsetTag = FieldSubsetTag(FFontTable.size() - 1);
  }
  // A field can be filled in with any character the font's encoding has,
  // so a subset keeps all of them.
  static const String kLatin1 = [] {
    String all;
    for (char16_t c = 0x21; c <= 0xFF; ++c)
      if (c < 0x7F || c >= 0xA0) all += c;
    return all;
  }();
  FFontTable[static_cast<size_t>(found)]->AddUsedCharacters(kLatin1);
  return found;
}

int32_t TvnExPDFEngine::ZapfDingbatsFont() {
  using namespace form_detail;
  if (FZapfDingbatsObj == 0) {
    FZapfDingbatsObj = NewObjectNumber();
    WriteObject("<</Type/Font/Subtype/Type1/BaseFont/ZapfDingbats>>", FZapfDingbatsObj, true);
  }
  return FZapfDingbatsObj;
}

int32_t TvnExPDFEngine::HelveticaFont() {
  using namespace form_detail;
  if (FHelveticaObj == 0) {
    FHelveticaObj = NewObjectNumber();
    WriteObject("<</Type/Font/Subtype/Type1/BaseFont/Helvetica/Encoding/WinAnsiEncoding>>", FHelveticaObj, true);
  }
  return FHelveticaObj;
}

std::string TvnExPDFEngine::FontResources(int32_t index) const {
  using namespace form_detail;
  if (index < 0 || static_cast<size_t>(index) >= FFontTable.size()) return {};
  return "/Font <</F" + std::to_string(index) + " " + ObjectRef(FFontTable[static_cast<size_t>(index)]->FontInfo().FfiFontObjRef) + ">>";
}

int32_t TvnExPDFEngine::WriteAppearance(const std::string& content, double w, double h, const std::string& resources) {
  using namespace form_detail;
  const int32_t n = NewObjectNumber(), length_obj = NewObjectNumber();
  const int64_t length = WriteStreamObject(n,
                                           "/Type/XObject/Subtype/Form/BBox [0 0 " + Num(w) + " " + Num(h) + "]/Resources <<" +
                                               resources + ">>/Length " + ObjectRef(length_obj) + FlateFilterEntry() + kCRLF,
                                           content);
  WriteObject(std::to_string(length), length_obj, true);
  return n;
}

int32_t TvnExPDFEngine::FreeTextAppearance(const String& text, const TFont& font, int32_t index, int alignment, double w, double h) {
  using namespace form_detail;
  const TvnPDFFont& pdf_font = *FFontTable[static_cast<size_t>(index)];
  const double size = font.Size > 0 ? font.Size : 10;
  const std::vector<std::string> lines = WrapBytes(WinAnsiBytes(text), pdf_font, size, std::max(w - 4, 1.0));
  std::string content = "q 1 1 " + Num(std::max(w - 2, 0.0)) + " " + Num(std::max(h - 2, 0.0)) + " re W n BT /F" +
                        std::to_string(index) + " " + Num(size) + " Tf " + Rgb(font.Color) + " rg ";
  double y = h - 2 - pdf_font.FontInfo().FfiAscent * size / 1000;
  for (const std::string& line : lines) {
    const double lw = WidthOf(pdf_font, line, size);
    const double x = alignment == 1 ? (w - lw) / 2 : alignment == 2 ? w - 2 - lw : 2;
    content += "1 0 0 1 " + Num(x) + " " + Num(y) + " Tm (" + LiteralBytes(line) + ") Tj ";
    y -= size * 1.15;
  }
  content += "ET Q";
  return WriteAppearance(content, w, h, "/ProcSet [/PDF /Text]" + FontResources(index));
}

// ---- writing

void TvnExPDFEngine::WriteFormFields() {
  using namespace form_detail;
  for (size_t i = 0; i < FPDFFormFields.size(); ++i) {
    TvnPDFFormField& field = *FPDFFormFields[i];
    // A field of a page that was not written goes with it.
    if (PageRef(field.FPageNo).empty()) continue;
    WriteField(field, static_cast<int32_t>(i));
  }
}

void TvnExPDFEngine::WriteField(TvnPDFFormField& field, int32_t index) {
  using namespace form_detail;
  const int32_t n = field.FObjNo;
  const int32_t page = field.FPageNo;
  const TvnRect& r = field.Rect;
  const double w = (r.Right - r.Left) * FPixelToPointMultiplier, h = (r.Bottom - r.Top) * FPixelToPointMultiplier;
  const String name = field.FieldName.empty() ? vn::FromAscii(FieldNamePrefix(field.Kind()) + std::to_string(index)) : field.FieldName;
  int32_t flags = 0;
  if (field.Preferences.Contains(TvnAcroFieldPreferencesType::afpReadOnly)) flags |= kReadOnly;
  if (field.Preferences.Contains(TvnAcroFieldPreferencesType::afpRequired)) flags |= kRequired;
  if (field.Preferences.Contains(TvnAcroFieldPreferencesType::afpNoExport)) flags |= kNoExport;
  auto hex = [&](const std::string& bytes, int32_t obj) {
    return "<" + vn::framework::AnsiToHexText(EncryptObjectStrings(bytes, obj, 0)) + ">";
  };
  auto widget = [&](const TvnRect& rect, int32_t visible_page) {
    return "/Type/Annot/Subtype/Widget/Rect " + PageRectText(visible_page, rect) + "/P " + PageRef(visible_page) +
           (field.Visible ? "/F 4" : "/F 6");
  };
  auto common = [&]() {
    std::string text = "/T " + TextString(name, n);
    if (!field.AltFieldName.empty()) text += "/TU " + TextString(field.AltFieldName, n);
    return text;
  };
  auto colours = [&](bool border) {
    std::string text = "/MK <<";
    if (border) text += "/BC [" + Rgb(field.BorderColor) + "]";
    return text + "/BG [" + Rgb(field.BackgroundColor) + "]";
  };

  std::string text;
  switch (field.Kind()) {
    case TvnPDFFormFieldKind::PushButton: {
      auto& button = static_cast<TvnPDFFormPushButton&>(field);
      const int32_t font = FieldFontIndex(field.Font, {button.NormalCaption, button.RollOverCaption, button.DownCaption});
      const TvnPDFFont& pdf_font = *FFontTable[static_cast<size_t>(font)];
      const double size = AppearanceSize(field.Font, h);
      auto appearance = [&](const String& caption, bool down) {
        const std::string light = "1 g", dark = "0.502 g";
        std::string c = BoxFill(field.BackgroundColor, w, h) + BoxBorder(field.BorderColor, 2, w, h);
        // Bevels inside the border: upper-left and lower-right.
        c += (down ? dark : light) + " 2 2 m 2 " + Num(h - 2) + " l " + Num(w - 2) + " " + Num(h - 2) + " l " + Num(w - 4) + " " +
             Num(h - 4) + " l 4 " + Num(h - 4) + " l 4 4 l f ";
        c += (down ? light : dark) + " " + Num(w - 2) + " " + Num(h - 2) + " m " + Num(w - 2) + " 2 l 2 2 l 4 4 l " + Num(w - 4) +
             " 4 l " + Num(w - 4) + " " + Num(h - 4) + " l f ";
        const std::string bytes = WinAnsiBytes(caption);
        c += "q 4 4 " + Num(std::max(w - 8, 0.0)) + " " + Num(std::max(h - 8, 0.0)) + " re W n ";
        if (down) c += "1 0 0 1 1 -1 cm ";
        c += "BT /F" + std::to_string(font) + " " + Num(size) + " Tf " + Rgb(field.Font.Color) + " rg " +
             Num((w - WidthOf(pdf_font, bytes, size)) / 2) + " " + Num(CentredBaseline(pdf_font, size, h)) + " Td (" +
             LiteralBytes(bytes) + ") Tj ET Q";
        return WriteAppearance(c, w, h, "/ProcSet [/PDF /Text]" + FontResources(font));
      };
      const String& normal = button.NormalCaption;
      const String& rollover = button.RollOverCaption.empty() ? normal : button.RollOverCaption;
      const String& down = button.DownCaption.empty() ? normal : button.DownCaption;
      const int32_t ap_n = appearance(normal, false), ap_r = appearance(rollover, false), ap_d = appearance(down, true);
      text = widget(r, page) + common() + "/FT/Btn/Ff " + std::to_string(flags | kPushButton) + "/DA " +
             hex("/F" + std::to_string(font) + " " + Num(AppearanceSize(field.Font, h)) + " Tf " + Rgb(field.Font.Color) + " rg", n) +
             colours(true) + "/CA " + TextString(normal, n) + "/RC " + TextString(rollover, n) + "/AC " + TextString(down, n) +
             ">>/H/P/AP <</N " + ObjectRef(ap_n) + "/R " + ObjectRef(ap_r) + "/D " + ObjectRef(ap_d) + ">>";
      switch (button.ButtonAction) {
        case TvnPDFButtonAction::baNone: break;
        case TvnPDFButtonAction::baReset: text += "/A <</Type/Action/S/ResetForm>>"; break;
        case TvnPDFButtonAction::baSubmit: {
          const int32_t submit_flags = button.SubmitFormat == TvnPDFSubmitFormat::sfHTML   ? 4
                                       : button.SubmitFormat == TvnPDFSubmitFormat::sfXFDF ? 32
                                                                                            : 0;
          text += "/A <</Type/Action/S/SubmitForm/F <</FS/URL/F " + hex(vn::ToUtf8(button.SubmitURL), n) + ">>/Flags " +
                  std::to_string(submit_flags) + ">>";
          break;
        }
        case TvnPDFButtonAction::baJavaScript:
          text += "/A <</Type/Action/S/JavaScript/JS " + TextString(button.JavaScript, n) + ">>";
          break;
      }
      break;
    }
    case TvnPDFFormFieldKind::CheckBox:
    case TvnPDFFormFieldKind::RadioGroup: {
      const bool radio = field.Kind() == TvnPDFFormFieldKind::RadioGroup;
      const TvnPDFCheckStyle style =
          radio ? static_cast<TvnPDFFormRadioGroup&>(field).CheckStyle : static_cast<TvnPDFFormCheckBox&>(field).CheckStyle;
      const CheckMark mark = MarkOf(style);
      const int32_t zapf = ZapfDingbatsFont();
      const std::string resources = "/ProcSet [/PDF /Text]/Font <</ZaDb " + ObjectRef(zapf) + ">>";
      const std::string da = "/ZaDb 0 Tf " + Rgb(field.Font.Color) + " rg";
      // The four appearances of one box: on and off, normal and down.
      auto states = [&](const TvnPDFFormField& box, double bw, double bh, const std::string& on_name) {
        const double size = field.Font.Size > 0 ? std::min<double>(field.Font.Size, std::min(bw, bh)) : std::min(bw, bh) * 0.8;
        const std::string mark_text = "q 1 1 " + Num(std::max(bw - 2, 0.0)) + " " + Num(std::max(bh - 2, 0.0)) +
                                      " re W n BT /ZaDb " + Num(size) + " Tf " + Rgb(field.Font.Color) + " rg " +
                                      Num((bw - mark.width * size / 1000) / 2) + " " + Num((bh - 0.705 * size) / 2) + " Td (" +
                                      std::string(1, mark.code) + ") Tj ET Q";
        const std::string normal = BoxFill(box.BackgroundColor, bw, bh) + BoxBorder(box.BorderColor, 1, bw, bh);
        const std::string down = "0.75 g 0 0 " + Num(bw) + " " + Num(bh) + " re f " + BoxBorder(box.BorderColor, 1, bw, bh);
        const int32_t on = WriteAppearance(normal + mark_text, bw, bh, resources);
        const int32_t off = WriteAppearance(normal, bw, bh, "/ProcSet [/PDF]");
        const int32_t on_down = WriteAppearance(down + mark_text, bw, bh, resources);
        const int32_t off_down = WriteAppearance(down, bw, bh, "/ProcSet [/PDF]");
        return "/AP <</N <</" + on_name + " " + ObjectRef(on) + "/Off " + ObjectRef(off) + ">>/D <</" + on_name + " " +
               ObjectRef(on_down) + "/Off " + ObjectRef(off_down) + ">>>>";
      };
      const std::string mk_mark = "/CA " + hex(std::string(1, mark.code), n) + ">>";
      if (!radio) {
        const auto& box = static_cast<TvnPDFFormCheckBox&>(field);
        const char* state = box.Checked ? "/Yes" : "/Off";
        text = widget(r, page) + common() + "/FT/Btn/Ff " + std::to_string(flags) + "/DA " + hex(da, n) + colours(true) + mk_mark +
               "/H/N" + states(field, w, h, "Yes") + "/V" + state + "/DV" + state + "/AS" + state;
        break;
      }
      auto& group = static_cast<TvnPDFFormRadioGroup&>(field);
      flags |= kRadio;
      if (group.NoToggleToOff) flags |= kNoToggleToOff;
      std::vector<std::string> state_names;
      for (size_t b = 0; b < group.RadioButtons.size(); ++b) {
        const String& value = group.RadioButtons[b]->Value;
        state_names.push_back(value.empty() || value == u"Off" ? "Choice" + std::to_string(b) : NameBytes(value));
      }
      const bool selected = group.SelectedIndex >= 0 && static_cast<size_t>(group.SelectedIndex) < group.RadioButtons.size();
      const std::string value = selected ? "/" + state_names[static_cast<size_t>(group.SelectedIndex)] : "/Off";
      std::string kids;
      for (size_t b = 0; b < group.RadioButtons.size(); ++b) {
        TvnPDFFormRadioButton& button = *group.RadioButtons[b];
        const double bw = (button.Rect.Right - button.Rect.Left) * FPixelToPointMultiplier;
        const double bh = (button.Rect.Bottom - button.Rect.Top) * FPixelToPointMultiplier;
        const bool on = selected && static_cast<size_t>(group.SelectedIndex) == b;
        std::string kid = "/Type/Annot/Subtype/Widget/Parent " + ObjectRef(n) + "/Rect " + PageRectText(page, button.Rect) + "/P " +
                          PageRef(page) + (button.Visible ? "/F 4" : "/F 6") + "/MK <</BC [" + Rgb(button.BorderColor) + "]/BG [" +
                          Rgb(button.BackgroundColor) + "]/CA " + hex(std::string(1, mark.code), button.FObjNo) + ">>/H/N" +
                          states(button, bw, bh, state_names[b]) + "/AS " + (on ? "/" + state_names[b] : "/Off") + kCRLF;
        WriteObject(kid, button.FObjNo, true);
        kids += (kids.empty() ? "" : " ") + ObjectRef(button.FObjNo);
      }
      text = common() + "/FT/Btn/Ff " + std::to_string(flags) + "/DA " + hex(da, n) + "/V" + value + "/DV" + value + "/Kids [" + kids + "]";
      break;
    }
    case TvnPDFFormFieldKind::TextField: {
      auto& edit = static_cast<TvnPDFFormTextField&>(field);
      if (edit.MultiLine) flags |= kMultiline;
      if (edit.Password) flags |= kPassword;
      if (edit.FileSelect) flags |= kFileSelect;
      if (edit.DoNotSpellCheck) flags |= kDoNotSpellCheck;
      if (edit.DoNotScroll) flags |= kDoNotScroll;
      const int32_t font = FieldFontIndex(field.Font, {field.Value});
      const TvnPDFFont& pdf_font = *FFontTable[static_cast<size_t>(font)];
      const double size = edit.MultiLine && field.Font.Size <= 0 ? 11 : AppearanceSize(field.Font, h);
      // A password shows as one "*" per character.
      const std::string bytes = edit.Password ? std::string(field.Value.size(), '*') : WinAnsiBytes(field.Value);
      const int q = edit.Alignment == TvnHAlignment::haRight ? 2 : edit.Alignment == TvnHAlignment::haCenter ? 1 : 0;
      auto x_of = [&](const std::string& line) {
        const double lw = WidthOf(pdf_font, line, size);
        return q == 1 ? (w - lw) / 2 : q == 2 ? w - 2 - lw : 2.0;
      };
      std::string c = BoxFill(field.BackgroundColor, w, h);
      if (edit.ShowBorder) c += BoxBorder(field.BorderColor, 1, w, h);
      c += "/Tx BMC q 1 1 " + Num(std::max(w - 2, 0.0)) + " " + Num(std::max(h - 2, 0.0)) + " re W n BT /F" + std::to_string(font) + " " +
           Num(size) + " Tf " + Rgb(field.Font.Color) + " rg ";
      if (edit.MultiLine) {
        double y = h - 2 - pdf_font.FontInfo().FfiAscent * size / 1000;
        for (const std::string& line : WrapBytes(bytes, pdf_font, size, std::max(w - 4, 1.0))) {
          c += "1 0 0 1 " + Num(x_of(line)) + " " + Num(y) + " Tm (" + LiteralBytes(line) + ") Tj ";
          y -= size * 1.15;
        }
      } else if (!bytes.empty()) {
        c += Num(x_of(bytes)) + " " + Num(CentredBaseline(pdf_font, size, h)) + " Td (" + LiteralBytes(bytes) + ") Tj ";
      }
      c += "ET Q EMC";
      const int32_t ap = WriteAppearance(c, w, h, "/ProcSet [/PDF /Text]" + FontResources(font));
      text = widget(r, page) + common() + "/FT/Tx/Ff " + std::to_string(flags) + "/DA " +
             hex("/F" + std::to_string(font) + " " + Num(field.Font.Size > 0 ? field.Font.Size : 0) + " Tf " + Rgb(field.Font.Color) + " rg", n) +
             "/Q " + std::to_string(q) + colours(edit.ShowBorder) + ">>/V " + TextString(field.Value, n) + "/DV " +
             TextString(field.Value, n) + "/AP <</N " + ObjectRef(ap) + ">>";
      if (edit.MaxLength >= 0) text += "/MaxLen " + std::to_string(edit.MaxLength);
      break;
    }
    case TvnPDFFormFieldKind::ComboBox:
    case TvnPDFFormFieldKind::ListBox: {
      const bool combo = field.Kind() == TvnPDFFormFieldKind::ComboBox;
      const std::vector<String>& items =
          combo ? static_cast<TvnPDFFormComboBox&>(field).Items : static_cast<TvnPDFFormListBox&>(field).Items;
      std::vector<String> texts = items;
      texts.push_back(field.Value);
      const int32_t font = FieldFontIndex(field.Font, texts);
      const TvnPDFFont& pdf_font = *FFontTable[static_cast<size_t>(font)];
      const double size = AppearanceSize(field.Font, combo ? h : std::min(h, 20.0));
      std::string options;
      for (const String& item : items) options += (options.empty() ? "" : " ") + TextString(item, n);
      std::string c = BoxFill(field.BackgroundColor, w, h) + BoxBorder(field.BorderColor, 1, w, h);
      // A sunken bevel inside the border.
      c += "0.502 G 1 w 1.5 1.5 m 1.5 " + Num(h - 1.5) + " l " + Num(w - 1.5) + " " + Num(h - 1.5) + " l S 0.7529 G " + Num(w - 1.5) +
           " " + Num(h - 1.5) + " m " + Num(w - 1.5) + " 1.5 l 1.5 1.5 l S ";
      std::string value_entries;
      if (combo) {
        auto& box = static_cast<TvnPDFFormComboBox&>(field);
        flags |= kCombo;
        if (box.Editable) flags |= kEdit;
        const String value = box.SelectedIndex >= 0 && static_cast<size_t>(box.SelectedIndex) < items.size()
                                 ? items[static_cast<size_t>(box.SelectedIndex)]
                                 : field.Value.empty() ? String(u"Choice") : field.Value;
        const std::string bytes = WinAnsiBytes(value);
        c += "/Tx BMC q 2 2 " + Num(std::max(w - 4, 0.0)) + " " + Num(std::max(h - 4, 0.0)) + " re W n BT /F" + std::to_string(font) +
             " " + Num(size) + " Tf " + Rgb(field.Font.Color) + " rg 4 " + Num(CentredBaseline(pdf_font, size, h)) + " Td (" +
             LiteralBytes(bytes) + ") Tj ET Q EMC";
        value_entries = "/V " + TextString(value, n) + "/DV " + TextString(value, n);
      } else {
        auto& list = static_cast<TvnPDFFormListBox&>(field);
        if (list.MultiSelect) flags |= kMultiSelect;
        std::vector<int32_t> selected;
        for (int32_t s : list.SelectedIndices)
          if (s >= 0 && static_cast<size_t>(s) < items.size()) selected.push_back(s);
        std::sort(selected.begin(), selected.end());
        selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
        if (!list.MultiSelect && selected.size() > 1) selected.resize(1);
        if (selected.empty() && !items.empty()) {
          const auto at = std::find(items.begin(), items.end(), field.Value);
          selected.push_back(at != items.end() ? static_cast<int32_t>(at - items.begin()) : 0);
        }
        const double line_height = size * 1.15;
        c += "/Tx BMC q 1 1 " + Num(std::max(w - 2, 0.0)) + " " + Num(std::max(h - 2, 0.0)) + " re W n ";
        double top = h - 2;
        for (size_t i = 0; i < items.size() && top > 0; ++i, top -= line_height) {
          const bool on = std::find(selected.begin(), selected.end(), static_cast<int32_t>(i)) != selected.end();
          if (on) c += "0.6 0.75 0.85 rg 1 " + Num(top - line_height) + " " + Num(std::max(w - 2, 0.0)) + " " + Num(line_height) + " re f ";
          c += "BT /F" + std::to_string(font) + " " + Num(size) + " Tf " + Rgb(field.Font.Color) + " rg 2 " +
               Num(top - pdf_font.FontInfo().FfiAscent * size / 1000 - (line_height - size) / 2) + " Td (" +
               LiteralBytes(WinAnsiBytes(items[i])) + ") Tj ET ";
        }
        c += "Q EMC";
        if (selected.size() == 1) {
          value_entries = "/V " + TextString(items[static_cast<size_t>(selected[0])], n) + "/DV " +
                          TextString(items[static_cast<size_t>(selected[0])], n);
        } else if (selected.size() > 1) {
          std::string values;
          for (int32_t s : selected) values += (values.empty() ? "" : " ") + TextString(items[static_cast<size_t>(s)], n);
          value_entries = "/V [" + values + "]/DV [" + values + "]";
        }
        if (!selected.empty()) {
          value_entries += "/I [";
          for (size_t i = 0; i < selected.size(); ++i) value_entries += (i ? " " : "") + std::to_string(selected[i]);
          value_entries += "]";
        }
      }
      const int32_t ap = WriteAppearance(c, w, h, "/ProcSet [/PDF /Text]" + FontResources(font));
      text = widget(r, page) + common() + "/FT/Ch/Ff " + std::to_string(flags) + "/Opt [" + options + "]/DA " +
             hex("/F" + std::to_string(font) + " " + Num(field.Font.Size > 0 ? field.Font.Size : 0) + " Tf " + Rgb(field.Font.Color) + " rg", n) +
             colours(true) + ">>" + value_entries + "/AP <</N " + ObjectRef(ap) + ">>";
      break;
    }
    case TvnPDFFormFieldKind::Signature: {
      // An empty field: its box, for a signature made later.
      const int32_t ap = WriteAppearance(BoxFill(field.BackgroundColor, w, h) + BoxBorder(field.BorderColor, 1, w, h), w, h, "/ProcSet [/PDF]");
      text = widget(r, page) + common() + "/FT/Sig/Ff " + std::to_string(flags) + colours(true) + ">>/AP <</N " + ObjectRef(ap) + ">>";
      break;
    }
    case TvnPDFFormFieldKind::RadioButton: return;
  }
  WriteObject(text + kCRLF, n, true);
}

void TvnExPDFEngine::WriteAcroForm() {
  using namespace form_detail;
  std::string fields;
  for (const auto& field : FPDFFormFields) {
    if (PageRef(field->FPageNo).empty()) continue;
    fields += (fields.empty() ? "" : " ") + ObjectRef(field->FObjNo);
  }
  if (FSigning) fields += (fields.empty() ? "" : " ") + ObjectRef(SignatureFieldNumber());
  std::string fonts = "/Helv " + ObjectRef(HelveticaFont()) + "/ZaDb " + ObjectRef(ZapfDingbatsFont());
  for (size_t i = 0; i < FFontTable.size(); ++i)
    if (FFontTable[i]->FontEncoding() == TvnFontEncoding::feWinAnsi)
      fonts += "/F" + std::to_string(i) + " " + ObjectRef(FFontTable[i]->FontInfo().FfiFontObjRef);
  std::string text = "/Fields [" + fields + "]/NeedAppearances false/DA <" +
                     vn::framework::AnsiToHexText(EncryptObjectStrings("/Helv 0 Tf 0 g", FAcroForms, 0)) + ">/DR <</Font <<" + fonts +
                     ">>>>";
  // Signatures exist (1), and the file is to be saved incrementally (2).
  if (FSigning) text += "/SigFlags 3";
  WriteObject(text + kCRLF, FAcroForms, true);
}

}  // namespace vn::pdfwriter
