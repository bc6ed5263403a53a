#include "rtf/rtf_tag_handler.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "runtime/numbers.h"
#include "wordmodel/margins.h"

namespace vn::rtf {

namespace {

// Twips to pixels at 96 per inch, halves to the even neighbour.
int32_t RtfTwipsToPixels(int32_t ATwips) { return vn::RoundToInt(ATwips / 15.0); }

}  // namespace

struct TvnRTFTagHandler::ControlTables {
  std::unordered_map<std::string, ControlHandler> Controls;
  // What the rest of a group becomes; Body keeps what the group is.
  std::unordered_map<std::string, Destination> Destinations;
  std::unordered_set<std::string> Neglected;
  // Control words that add text: they do not end the pending run.
  std::unordered_set<std::string> TextWords;
  // Control words of character formatting.
  std::unordered_set<std::string> CharacterWords;
};

const TvnRTFTagHandler::ControlTables& TvnRTFTagHandler::Tables() {
  static const ControlTables tables = [] {
    ControlTables t;
    using T = TvnRTFTagHandler;
    const std::pair<const char*, ControlHandler> controls[] = {
        {"\\f", &T::DoFont},           {"\\af", &T::DoFont},          {"\\fs", &T::DoFontSize},
        {"\\afs", &T::DoFontSize},     {"\\cf", &T::DoColor},         {"\\acf", &T::DoColor},
        {"\\highlight", &T::DoHighlight}, {"\\plain", &T::DoPlain},   {"\\b", &T::DoBold},
        {"\\i", &T::DoItalic},         {"\\ul", &T::DoUnderline},     {"\\ulnone", &T::DoUnderlineNone},
        {"\\strike", &T::DoStrike},    {"\\super", &T::DoSuper},      {"\\sub", &T::DoSub},
        {"\\nosupersub", &T::DoNoSuperSub}, {"\\line", &T::DoLine},   {"\\page", &T::DoPage},
        {"\\tab", &T::DoTab},          {"\\u", &T::DoUnicode},        {"\\uc", &T::DoUnicodeSkip},
        {"\\ansicpg", &T::DoCodePage}, {"\\mac", &T::DoCodePage},     {"\\pc", &T::DoCodePage},
        {"\\pca", &T::DoCodePage},     {"\\deff", &T::DoDefaultFont}, {"\\pard", &T::DoPard},
        {"\\par", &T::DoPar},          {"\\sectd", &T::DoSectd},      {"\\sect", &T::DoSect},
        {"\\paperw", &T::DoPageSetting}, {"\\paperh", &T::DoPageSetting}, {"\\margl", &T::DoPageSetting},
        {"\\margr", &T::DoPageSetting}, {"\\margt", &T::DoPageSetting}, {"\\margb", &T::DoPageSetting},
        {"\\gutter", &T::DoPageSetting},
    };
    for (const auto& [key, handler] : controls) t.Controls.emplace(key, handler);
    for (const char* key : {"\\~", "\\_", "\\-", "\\emdash", "\\endash", "\\emspace", "\\enspace", "\\qmspace",
                            "\\bullet", "\\lquote", "\\rquote", "\\ldblquote", "\\rdblquote", "\\zwj", "\\zwnj",
                            "\\ltrmark", "\\rtlmark"}) {
      t.Controls.emplace(key, &T::DoSymbol);
      t.TextWords.insert(key);
    }
    t.CharacterWords = {"\\f",       "\\af",     "\\fs",  "\\afs",   "\\cf",    "\\acf",
                        "\\highlight", "\\plain", "\\b",   "\\i",     "\\ul",    "\\ulnone",
                        "\\strike",  "\\super",  "\\sub", "\\nosupersub"};
    t.TextWords.insert("\\u");
    t.TextWords.insert("\\uc");

    t.Destinations = {
        {"\\fonttbl", Destination::FontTable},  {"\\colortbl", Destination::ColorTable},
        {"\\defchp", Destination::DefaultChar}, {"\\rtlch", Destination::Body},
        {"\\ltrch", Destination::Body},         {"\\field", Destination::Body},
        {"\\fldrslt", Destination::Body},
        // Read by the paragraph, picture, shape, field and information
        // readers; until they take them, their groups are passed over.
        {"\\header", Destination::Skip},        {"\\headerr", Destination::Skip},
        {"\\footer", Destination::Skip},        {"\\footerr", Destination::Skip},
        {"\\headerl", Destination::Skip},       {"\\footerl", Destination::Skip},
        {"\\headerf", Destination::Skip},       {"\\footerf", Destination::Skip},
        {"\\defpap", Destination::Skip},        {"\\shppict", Destination::Skip},
        {"\\pict", Destination::Skip},          {"\\shp", Destination::Skip},
        {"\\shptxt", Destination::Skip},        {"\\sp", Destination::Skip},
        {"\\sn", Destination::Skip},            {"\\sv", Destination::Skip},
        {"\\fldinst", Destination::Skip},       {"\\info", Destination::Skip},
        {"\\title", Destination::Skip},         {"\\subject", Destination::Skip},
        {"\\author", Destination::Skip},        {"\\keywords", Destination::Skip},
        {"\\doccomm", Destination::Skip},       {"\\operator", Destination::Skip},
        {"\\company", Destination::Skip},       {"\\category", Destination::Skip},
        {"\\creatim", Destination::Skip},       {"\\revtim", Destination::Skip},
        {"\\hlinkbase", Destination::Skip},
    };
    t.Neglected = {"\\generator", "\\xmlnstbl", "\\wgrffmtfilter", "\\ftnsep",   "\\ftnsepc",
                   "\\aftnsep",   "\\aftnsepc", "\\pnseclvl",      "\\stylesheet", "\\mmathPr",
                   "\\nonshppict", "\\shprslt", "\\blipuid",       "\\nonesttables", "\\listtable",
                   "\\listoverridetable", "\\pgptbl", "\\rsidtbl", "\\listtext",  "\\userprops",
                   "\\template",  "\\svb"};
    return t;
  }();
  return tables;
}

TvnRTFTagHandler::TvnRTFTagHandler(TvnDocumentMediator* AMediator) : FMediator(AMediator) {
  // The state outside every group, then the groups of the document.
  FStack.emplace_back();
  FStack.back().Props = std::make_shared<TvnRunProperties>();
}

TvnRTFTagHandler::~TvnRTFTagHandler() = default;

std::vector<TvnSection*> TvnRTFTagHandler::Sections() const {
  std::vector<TvnSection*> result;
  for (const auto& section : FSections) result.push_back(section.get());
  return result;
}

std::vector<TvnDocItem*> TvnRTFTagHandler::Elements() const {
  std::vector<TvnDocItem*> result;
  for (const auto& element : FElements) result.push_back(element.get());
  return result;
}

void TvnRTFTagHandler::StartParsing(TvnRTFTokenizer& ATokenizer) {
  if (FParsed) return;
  FParsed = true;
  TvnRTFElement element;
  for (;;) {
    ATokenizer.Get(element);
    if (element.RTFString.empty()) break;
    switch (element.ReturnElementType) {
      case TvnRTFElementType::rtfetGroup: OpenGroup(); break;
      case TvnRTFElementType::rtfetGroupEnd: CloseGroup(); break;
      case TvnRTFElementType::rtfetControlString:
        if (FExcessDepth == 0) HandleControl(element);
        break;
      case TvnRTFElementType::rtfetText:
      case TvnRTFElementType::rtfetHexData:
        if (FExcessDepth == 0) HandleText(element.RTFString);
        break;
      case TvnRTFElementType::rtfetBinary:
        // Nothing of this reader keeps binary data; with its "\bin" word it
        // counts as one fallback character, which the word has counted.
        break;
      case TvnRTFElementType::rtfetNull: break;  // an escape cut off by the end
    }
  }
  FlushRun();
  if (FParagraph && FParagraph->GetCount() > 0) CloseParagraph();
  if (FSectionHasContent || FSections.empty()) {
    if (!FSection) FSection = CreateSection();
    DistributeColumns(*FSection);
    FSections.push_back(std::move(FSection));
  }
}

void TvnRTFTagHandler::OpenGroup() {
  FSkipCount = 0;
  if (FExcessDepth > 0 || FStack.size() >= kMaxRtfGroupDepth) {
    ++FExcessDepth;
    return;
  }
  if (State().Dest == Destination::Body) FlushRun();
  GroupState inner = State();
  inner.Ignorable = false;
  FStack.push_back(std::move(inner));
}

void TvnRTFTagHandler::CloseGroup() {
  FSkipCount = 0;
  if (FExcessDepth > 0) {
    --FExcessDepth;
    return;
  }
  // A closing brace without its opening one is passed over.
  if (FStack.size() <= 1) return;
  GroupState& state = State();
  if (state.Dest == Destination::Body) FlushRun();
  if (FFontKey && FFontEntryDepth == FStack.size()) StoreFontEntry();
  if (state.Dest == Destination::ColorTable && FStack[FStack.size() - 2].Dest != Destination::ColorTable &&
      FPendingColorSet) {
    FColorTable.emplace_back(FPendingColor);
    FPendingColorSet = false;
  }
  if (state.Dest == Destination::DefaultChar && FStack[FStack.size() - 2].Dest != Destination::DefaultChar)
    FDefaultCharProperties = state.Props->Clone();
  FStack.pop_back();
}

void TvnRTFTagHandler::HandleControl(const TvnRTFElement& AElement) {
  GroupState& state = State();
  if (state.Dest == Destination::Skip) return;
  const std::string& name = AElement.RTFString;
  if (name == "\\*") {
    state.Ignorable = true;
    return;
  }
  const bool ignorable = state.Ignorable;
  state.Ignorable = false;
  const ControlTables& tables = Tables();
  const bool text_word = tables.TextWords.count(name) > 0;
  if (FSkipCount > 0 && name != "\\u" && name != "\\uc") {
    --FSkipCount;  // a fallback character written as a control word
    return;
  }
  if (tables.Neglected.count(name) > 0) {
    if (state.Dest == Destination::Body) FlushRun();
    state.Dest = Destination::Skip;
    return;
  }
  if (auto destination = tables.Destinations.find(name); destination != tables.Destinations.end()) {
    HandleDestination(destination->second);
    return;
  }
  if (ignorable) {
    // "{\*\name ...}" that this reader does not know: the group is skipped.
    if (state.Dest == Destination::Body) FlushRun();
    state.Dest = Destination::Skip;
    return;
  }
  switch (state.Dest) {
    case Destination::FontTable: HandleFontTableControl(AElement); return;
    case Destination::ColorTable: HandleColorTableControl(AElement); return;
    case Destination::Skip: return;
    case Destination::Body:
    case Destination::DefaultChar: break;
  }
  const auto found = tables.Controls.find(name);
  if (found == tables.Controls.end()) return;
  // The document defaults take character formatting only.
  if (state.Dest == Destination::DefaultChar && tables.CharacterWords.count(name) == 0) return;
  if (!text_word && state.Dest == Destination::Body) FlushRun();
  (this->*(found->second))(AElement);
}

void TvnRTFTagHandler::HandleDestination(Destination ADestination) {
  GroupState& state = State();
  switch (ADestination) {
    case Destination::Body: return;
    case Destination::Skip:
      if (state.Dest == Destination::Body) FlushRun();
      state.Dest = Destination::Skip;
      return;
    case Destination::FontTable:
      state.Dest = Destination::FontTable;
      return;
    case Destination::ColorTable:
      state.Dest = Destination::ColorTable;
      FColorTable.clear();
      FPendingColor = {};
      FPendingColorSet = false;
      return;
    case Destination::DefaultChar:
      if (state.Dest == Destination::Body) FlushRun();
      state.Dest = Destination::DefaultChar;
      state.Props = std::make_shared<TvnRunProperties>();
      return;
  }
}

void TvnRTFTagHandler::HandleText(std::string_view ABytes) {
  GroupState& state = State();
  switch (state.Dest) {
    case Destination::Skip:
    case Destination::DefaultChar: return;
    case Destination::FontTable: HandleFontTableText(ABytes); return;
    case Destination::ColorTable: HandleColorTableText(ABytes); return;
    case Destination::Body: break;
  }
  if (FSkipCount > 0) {
    const size_t skipped = std::min(ABytes.size(), static_cast<size_t>(FSkipCount));
    FSkipCount -= static_cast<int32_t>(skipped);
    ABytes.remove_prefix(skipped);
  }
  if (ABytes.empty()) return;
  const int32_t code_page = CurrentCodePage();
  if (code_page != FPendingCodePage) {
    FlushBytes();
    FPendingCodePage = code_page;
  }
  FPendingBytes.append(ABytes);
}

// --- Font and colour tables --------------------------------------------------

void TvnRTFTagHandler::HandleFontTableControl(const TvnRTFElement& AElement) {
  const std::string& name = AElement.RTFString;
  const std::optional<int32_t> value = AElement.Parameter();
  if (name == "\\f") {
    if (!value) return;
    if (FFontKey) StoreFontEntry();
    FFontKey = *value;
    FFontEntry = {};
    FFontNameBytes.clear();
    FFontEntryDepth = FStack.size();
  } else if (name == "\\fcharset" && value) {
    FFontEntry.Charset = *value;
  } else if (name == "\\cpg" && value) {
    FFontEntry.CodePage = *value;
  }
}

void TvnRTFTagHandler::HandleFontTableText(std::string_view ABytes) {
  if (!FFontKey) return;
  const size_t end = ABytes.find(';');
  FFontNameBytes.append(ABytes.substr(0, end));
  if (end != std::string_view::npos) StoreFontEntry();
}

void TvnRTFTagHandler::StoreFontEntry() {
  int32_t code_page = FFontEntry.CodePage;
  if (code_page == 0) code_page = CodePageOfCharset(FFontEntry.Charset);
  if (code_page == 0) code_page = FCodePage;
  String name;
  FDecoder.Decode(code_page, FFontNameBytes, name);
  FFontEntry.Name = vn::Trim(name);
  FFontTable[*FFontKey] = FFontEntry;
  FFontKey.reset();
  FFontNameBytes.clear();
}

void TvnRTFTagHandler::HandleColorTableControl(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  if (!value) return;
  const auto component = static_cast<uint8_t>(std::clamp(*value, 0, 255));
  const std::string& name = AElement.RTFString;
  if (name == "\\red") {
    FPendingColor.Red = component;
  } else if (name == "\\green") {
    FPendingColor.Green = component;
  } else if (name == "\\blue") {
    FPendingColor.Blue = component;
  } else {
    return;
  }
  FPendingColorSet = true;
}

void TvnRTFTagHandler::HandleColorTableText(std::string_view ABytes) {
  for (char c : ABytes) {
    if (c != ';') continue;
    if (FPendingColorSet)
      FColorTable.emplace_back(FPendingColor);
    else
      FColorTable.emplace_back(std::nullopt);
    FPendingColor = {};
    FPendingColorSet = false;
  }
}

// --- Paragraphs and sections -------------------------------------------------

TvnParagraph& TvnRTFTagHandler::CurrentParagraph() {
  if (!FParagraph) {
    if (!FParaProperties) FParaProperties = std::make_shared<TvnParagraphProperties>();
    FParagraph = std::make_unique<TvnParagraph>();
    FParagraph->SetParagraphProperties(FParaProperties);
    FParagraph->SetFinalParagraphProperties(FParaProperties);
  }
  return *FParagraph;
}

void TvnRTFTagHandler::CloseParagraph() {
  TvnParagraph& paragraph = CurrentParagraph();
  TvnParagraphProperties& properties = *paragraph.GetParagraphProperties();
  using vn::wordmodel::kUnsetValue;
  if (properties.GetSpaceBefore() == kUnsetValue) properties.SetSpaceBefore(0);
  if (properties.GetSpaceAfter() == kUnsetValue) properties.SetSpaceAfter(0);
  if (properties.GetLeftIndent() == kUnsetValue) properties.SetLeftIndent(0);
  if (properties.GetRightIndent() == kUnsetValue) properties.SetRightIndent(0);
  if (properties.GetLineSpacing() == kUnsetValue) properties.SetLineSpacing(240);
  // The next paragraph starts from a copy, so that changing it leaves the
  // closed paragraph as it was.
  FParaProperties = std::shared_ptr<TvnParagraphProperties>(properties.Clone());
  FElements.push_back(std::move(FParagraph));
  FSectionHasContent = true;
}

void TvnRTFTagHandler::DoPard(const TvnRTFElement&) {
  FParaProperties = std::make_shared<TvnParagraphProperties>();
  if (FParagraph) {
    FParagraph->SetParagraphProperties(FParaProperties);
    FParagraph->SetFinalParagraphProperties(FParaProperties);
  }
}

void TvnRTFTagHandler::DoPar(const TvnRTFElement&) { CloseParagraph(); }

std::unique_ptr<TvnSection> TvnRTFTagHandler::CreateSection() const {
  auto section = std::make_unique<TvnSection>();
  section->SetPageWidth(FPaperWidth);
  section->SetPageHeight(FPaperHeight);
  vn::wordmodel::TvnPageMargins* margins = section->GetPageMargin();
  margins->SetLeft(FMarginLeft);
  margins->SetRight(FMarginRight);
  margins->SetTop(FMarginTop);
  margins->SetBottom(FMarginBottom);
  margins->SetGutter(FGutter);
  section->SetIsEvenOddHeaders(FMediator != nullptr && FMediator->GetEvenOddHeaders());
  return section;
}

void TvnRTFTagHandler::DistributeColumns(TvnSection& ASection) const {
  const int32_t count = ASection.GetColumnsCount();
  if (count <= 1 || !ASection.GetEqualWidthColumns()) return;
  const int32_t spacing =
      ASection.GetSpaceBetweenColumns() == -1 ? FDefaultColSpace : ASection.GetSpaceBetweenColumns();
  const vn::wordmodel::TvnPageMargins* margins = ASection.GetPageMargin();
  const int64_t available = int64_t{ASection.GetPageWidth()} - margins->GetLeft() - margins->GetRight() -
                            int64_t{count - 1} * spacing;
  const auto width = static_cast<int32_t>(std::clamp<int64_t>(available / count, INT32_MIN, INT32_MAX));
  const auto remainder = static_cast<int32_t>(available % count);
  auto& columns = ASection.GetColumns();
  columns.clear();
  for (int32_t i = 0; i < count; ++i) {
    auto column = std::make_unique<vn::wordmodel::TvnWordColumn>();
    column->SetWidth(i == count - 1 ? width + remainder : width);
    column->SetSpace(i == count - 1 ? 0 : spacing);
    columns.push_back(std::move(column));
  }
}

void TvnRTFTagHandler::DoSectd(const TvnRTFElement&) { FSection = CreateSection(); }

void TvnRTFTagHandler::DoSect(const TvnRTFElement&) {
  if (FParagraph && FParagraph->GetCount() > 0) CloseParagraph();
  // A section with nothing in it is not listed: its break would have no
  // paragraph to end.
  if (!FSectionHasContent) return;
  if (!FSection) FSection = CreateSection();
  if (!FElements.empty())
    if (auto* paragraph = dynamic_cast<TvnParagraph*>(FElements.back().get())) paragraph->SetSection(FSection.get());
  DistributeColumns(*FSection);
  // The next section goes on with the same settings until "\sectd".
  auto next = CreateSection();
  next->SetPageWidth(FSection->GetPageWidth());
  next->SetPageHeight(FSection->GetPageHeight());
  next->GetPageMargin()->Assign(FSection->GetPageMargin(), next->GetPageMargin());
  next->SetColumnsCount(FSection->GetColumnsCount());
  next->SetEqualWidthColumns(FSection->GetEqualWidthColumns());
  next->SetSpaceBetweenColumns(FSection->GetSpaceBetweenColumns());
  next->SetSectionType(FSection->GetSectionType());
  FSections.push_back(std::move(FSection));
  FSection = std::move(next);
  FSectionHasContent = false;
}

void TvnRTFTagHandler::DoPageSetting(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  // Missing and negative lengths leave the setting as it was.
  if (!value || *value < 0) return;
  const int32_t pixels = RtfTwipsToPixels(*value);
  const std::string& name = AElement.RTFString;
  if (name == "\\paperw") {
    if (pixels > 0) FPaperWidth = pixels;
  } else if (name == "\\paperh") {
    if (pixels > 0) FPaperHeight = pixels;
  } else if (name == "\\margl") {
    FMarginLeft = pixels;
  } else if (name == "\\margr") {
    FMarginRight = pixels;
  } else if (name == "\\margt") {
    FMarginTop = pixels;
  } else if (name == "\\margb") {
    FMarginBottom = pixels;
  } else if (name == "\\gutter") {
    FGutter = pixels;
  }
}

}  // namespace vn::rtf
