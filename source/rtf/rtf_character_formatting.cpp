// The character handlers of the dispatcher: formatting control words, the
// text of the body with its code pages and Unicode escapes, and breaks.
#include <algorithm>
#include <utility>

#include "rtf/rtf_tag_handler.h"
#include "runtime/numbers.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/text_item.h"

namespace vn::rtf {

namespace {

using vn::framework::TvnFont;
using vn::framework::TvnFontStyle;
using vn::wordmodel::TvnBreak;
using vn::wordmodel::TvnBreakType;
using vn::wordmodel::TvnRun;
using vn::wordmodel::TvnTextAlignment;
using vn::wordmodel::TvnTextitem;

// Largest font size a run takes, points.
constexpr int32_t kMaxRtfFontSize = 1638;

// Unpaired surrogates (a damaged "\uN" pair) become U+FFFD.
void RepairSurrogates(String& AText) {
  for (size_t i = 0; i < AText.size(); ++i) {
    const char16_t c = AText[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < AText.size() && AText[i + 1] >= 0xDC00 && AText[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) AText[i] = u'\uFFFD';
  }
}

// The character a symbol control word stands for; 0 for one that adds
// nothing (the optional hyphen).
char16_t RtfSymbolCharacter(const std::string& AName) {
  static const std::pair<const char*, char16_t> kSymbols[] = {
      {"\\~", u'\u00A0'},       {"\\_", u'\u2011'},         {"\\-", 0},
      {"\\emdash", u'\u2014'},  {"\\endash", u'\u2013'},    {"\\emspace", u'\u2003'},
      {"\\enspace", u'\u2002'}, {"\\qmspace", u'\u2005'},   {"\\bullet", u'\u2022'},
      {"\\lquote", u'\u2018'},  {"\\rquote", u'\u2019'},    {"\\ldblquote", u'\u201C'},
      {"\\rdblquote", u'\u201D'}, {"\\zwj", u'\u200D'},     {"\\zwnj", u'\u200C'},
      {"\\ltrmark", u'\u200E'}, {"\\rtlmark", u'\u200F'},
  };
  for (const auto& [name, character] : kSymbols)
    if (AName == name) return character;
  return 0;
}

}  // namespace

TvnRunProperties& TvnRTFTagHandler::MutableProps() {
  std::shared_ptr<TvnRunProperties>& props = State().Props;
  if (!props)
    props = std::make_shared<TvnRunProperties>();
  else if (props.use_count() > 1)
    props = std::shared_ptr<TvnRunProperties>(props->Clone());
  return *props;
}

int32_t TvnRTFTagHandler::CurrentCodePage() const {
  const int32_t font = FStack.back().FontNumber >= 0 ? FStack.back().FontNumber : FDefaultFont;
  const auto entry = FFontTable.find(font);
  if (entry == FFontTable.end()) return FCodePage;
  if (entry->second.CodePage > 0) return entry->second.CodePage;
  const int32_t code_page = CodePageOfCharset(entry->second.Charset);
  return code_page != 0 ? code_page : FCodePage;
}

String TvnRTFTagHandler::FontNameOf(int32_t AFontNumber) const {
  const auto entry = FFontTable.find(AFontNumber);
  return entry == FFontTable.end() ? String() : entry->second.Name;
}

std::optional<TvnRGBColor> TvnRTFTagHandler::ColorOf(int32_t ANumber) const {
  if (ANumber < 0 || static_cast<size_t>(ANumber) >= FColorTable.size()) return std::nullopt;
  return FColorTable[static_cast<size_t>(ANumber)];
}

void TvnRTFTagHandler::FlushBytes() {
  FDecoder.Decode(FPendingCodePage, FPendingBytes, FPendingText);
  FPendingBytes.clear();
}

void TvnRTFTagHandler::FlushRun() {
  FlushBytes();
  if (FPendingText.empty()) return;
  String text = std::move(FPendingText);
  FPendingText.clear();
  RepairSurrogates(text);
  auto text_item = std::make_unique<TvnTextitem>();
  text_item->SetText(text);
  vn::wordmodel::TextItemTagOf(*text_item);
  AppendRun(std::move(text_item), false);
}

void TvnRTFTagHandler::AppendRun(std::unique_ptr<TvnDocItem> AItem, bool ATab) {
  const GroupState& state = State();
  // Every run gets properties of its own: later changes reach only later runs.
  auto props = std::shared_ptr<TvnRunProperties>(state.Props ? state.Props->Clone()
                                                              : std::make_unique<TvnRunProperties>());
  if (state.FontNumber < 0 && props->GetFontName().empty()) {
    const auto entry = FFontTable.find(FDefaultFont);
    if (entry != FFontTable.end()) props->SetFontName(entry->second.Name);
  }
  // Text that no "\fs" reached has the size RTF means without one: the
  // document defaults' size, else 12 points (the size "\plain" gives).
  if (props->GetFontSize() == vn::wordmodel::kUnsetValue)
    props->SetFontSize(FDefaultCharProperties && FDefaultCharProperties->GetFontSize() != vn::wordmodel::kUnsetValue
                           ? FDefaultCharProperties->GetFontSize()
                           : kRtfDefaultFontSize);
  if (ATab) props->SetTab(true);
  auto font = std::make_shared<TvnFont>();
  font->SetName(props->GetFontName());
  if (props->GetFontSize() != vn::wordmodel::kUnsetValue) font->SetSize(props->GetFontSize());
  font->SetStyle(props->GetFontStyle());
  props->SetFont(std::move(font));
  if (auto* text_item = dynamic_cast<TvnTextitem*>(AItem.get())) text_item->SetRunProperties(props);
  auto run = std::make_unique<TvnRun>();
  run->SetRunProperties(props);
  run->SetFinalRunProperties(props);
  run->Add(std::move(AItem));
  CurrentParagraph().AddTextRun(std::move(run));
}

void TvnRTFTagHandler::AppendDrawing(std::unique_ptr<TvnDocItem> AItem) {
  CurrentParagraph().AddTextRun(std::move(AItem));
}

void TvnRTFTagHandler::AppendCharacter(char16_t ACharacter) {
  FlushBytes();
  FPendingText.push_back(ACharacter);
}

void TvnRTFTagHandler::DoFont(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  if (!value) return;
  MutableProps().SetFontName(FontNameOf(*value));
  State().FontNumber = *value;
}

void TvnRTFTagHandler::DoFontSize(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  if (!value || *value <= 0) return;
  MutableProps().SetFontSize(std::clamp(vn::RoundToInt(*value / 2.0), 1, kMaxRtfFontSize));
}

void TvnRTFTagHandler::DoColor(const TvnRTFElement& AElement) {
  const std::optional<TvnRGBColor> color = ColorOf(AElement.Parameter().value_or(0));
  MutableProps().GetBrush()->SetColor(color.value_or(TvnRGBColor{}));
}

void TvnRTFTagHandler::DoHighlight(const TvnRTFElement& AElement) {
  const int32_t number = AElement.Parameter().value_or(0);
  TvnRunProperties& props = MutableProps();
  if (number == 0) {
    props.SetIsHighLightColor(false);
    return;
  }
  if (const std::optional<TvnRGBColor> color = ColorOf(number))
    props.SetHighLightColor(*color);
  else
    props.SetIsHighLightColor(true);
}

void TvnRTFTagHandler::DoPlain(const TvnRTFElement&) {
  auto props = std::make_shared<TvnRunProperties>();
  if (FDefaultCharProperties) {
    props->SetFontName(FDefaultCharProperties->GetFontName());
    props->SetFontSize(FDefaultCharProperties->GetFontSize());
    props->SetFontStyle(FDefaultCharProperties->GetFontStyle());
  } else {
    // The document's default font, when its table names it.
    const auto entry = FFontTable.find(FDefaultFont);
    props->SetFontName(entry != FFontTable.end() ? entry->second.Name : String(u"Arial"));
    props->SetFontSize(kRtfDefaultFontSize);
  }
  State().Props = std::move(props);
  State().FontNumber = -1;
}

void TvnRTFTagHandler::SetFontStyle(TvnFontStyle AStyle, const TvnRTFElement& AElement) {
  TvnRunProperties& props = MutableProps();
  auto styles = props.GetFontStyle();
  if (AElement.Parameter().value_or(1) == 0)
    styles.Exclude(AStyle);
  else
    styles.Include(AStyle);
  props.SetFontStyle(styles);
}

void TvnRTFTagHandler::DoBold(const TvnRTFElement& AElement) { SetFontStyle(TvnFontStyle::fsBold, AElement); }
void TvnRTFTagHandler::DoItalic(const TvnRTFElement& AElement) { SetFontStyle(TvnFontStyle::fsItalic, AElement); }
void TvnRTFTagHandler::DoUnderline(const TvnRTFElement& AElement) {
  SetFontStyle(TvnFontStyle::fsUnderline, AElement);
}
void TvnRTFTagHandler::DoStrike(const TvnRTFElement& AElement) { SetFontStyle(TvnFontStyle::fsStrikeOut, AElement); }

void TvnRTFTagHandler::DoUnderlineNone(const TvnRTFElement&) {
  TvnRunProperties& props = MutableProps();
  auto styles = props.GetFontStyle();
  styles.Exclude(TvnFontStyle::fsUnderline);
  props.SetFontStyle(styles);
}

void TvnRTFTagHandler::DoSuper(const TvnRTFElement&) { MutableProps().SetTextAlignment(TvnTextAlignment::taSuperscript); }
void TvnRTFTagHandler::DoSub(const TvnRTFElement&) { MutableProps().SetTextAlignment(TvnTextAlignment::taSubscript); }
void TvnRTFTagHandler::DoNoSuperSub(const TvnRTFElement&) {
  MutableProps().SetTextAlignment(TvnTextAlignment::taBaseline);
}

void TvnRTFTagHandler::DoLine(const TvnRTFElement&) { AppendRun(std::make_unique<TvnBreak>(TvnBreakType::btLine), false); }
void TvnRTFTagHandler::DoPage(const TvnRTFElement&) { AppendRun(std::make_unique<TvnBreak>(TvnBreakType::btPage), false); }
void TvnRTFTagHandler::DoTab(const TvnRTFElement&) { AppendRun(std::make_unique<TvnBreak>(TvnBreakType::btTab), true); }

std::optional<char16_t> RtfUnicodeCharacter(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  if (!value) return std::nullopt;
  // Values above 32767 are written negative.
  int32_t code = *value < 0 ? *value + 65536 : *value;
  if (code < 0 || code > 0xFFFF) code = 0xFFFD;
  return static_cast<char16_t>(code);
}

void TvnRTFTagHandler::DoUnicode(const TvnRTFElement& AElement) {
  const std::optional<char16_t> character = RtfUnicodeCharacter(AElement);
  if (!character) return;
  AppendCharacter(*character);
  FSkipCount = State().UnicodeSkip;
}

void TvnRTFTagHandler::DoUnicodeSkip(const TvnRTFElement& AElement) {
  State().UnicodeSkip = std::max(AElement.Parameter().value_or(1), 0);
}

void TvnRTFTagHandler::DoSymbol(const TvnRTFElement& AElement) {
  const char16_t character = RtfSymbolCharacter(AElement.RTFString);
  if (character != 0) AppendCharacter(character);
}

void TvnRTFTagHandler::DoCodePage(const TvnRTFElement& AElement) {
  const std::string& name = AElement.RTFString;
  if (name == "\\mac") {
    FCodePage = 10000;
  } else if (name == "\\pc") {
    FCodePage = 437;
  } else if (name == "\\pca") {
    FCodePage = 850;
  } else if (const std::optional<int32_t> value = AElement.Parameter(); value && *value > 0) {
    FCodePage = *value;
  }
}

void TvnRTFTagHandler::DoDefaultFont(const TvnRTFElement& AElement) {
  if (const std::optional<int32_t> value = AElement.Parameter()) FDefaultFont = *value;
}

}  // namespace vn::rtf
