#include "rtf/rtf_tag_handler.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "runtime/numbers.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/margins.h"

namespace vn::rtf {

namespace {

// Twips to pixels at 96 per inch, halves to the even neighbour.
int32_t RtfTwipsToPixels(int32_t ATwips) { return vn::RoundToInt(ATwips / 15.0); }

// Most columns a section takes.
constexpr int32_t kMaxRtfColumns = 64;

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
  // Destinations whose group keeps the body's reading and has work to do
  // when it ends.
  std::unordered_map<std::string, GroupEnd> GroupEnds;
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
        {"\\ql", &T::DoAlignment},       {"\\qc", &T::DoAlignment},       {"\\qr", &T::DoAlignment},
        {"\\qj", &T::DoAlignment},       {"\\li", &T::DoParagraphLength}, {"\\lin", &T::DoParagraphLength},
        {"\\ri", &T::DoParagraphLength}, {"\\rin", &T::DoParagraphLength}, {"\\sa", &T::DoParagraphLength},
        {"\\sb", &T::DoParagraphLength}, {"\\sl", &T::DoLineSpacing},     {"\\slmult", &T::DoLineSpacingMultiple},
        {"\\facingp", &T::DoFacingPages}, {"\\titlepg", &T::DoSectionSetting}, {"\\pgwsxn", &T::DoSectionSetting},
        {"\\pghsxn", &T::DoSectionSetting}, {"\\marglsxn", &T::DoSectionSetting},
        {"\\margrsxn", &T::DoSectionSetting}, {"\\margtsxn", &T::DoSectionSetting},
        {"\\margbsxn", &T::DoSectionSetting}, {"\\cols", &T::DoSectionSetting},
        {"\\colsx", &T::DoSectionSetting}, {"\\colno", &T::DoSectionSetting}, {"\\colw", &T::DoSectionSetting},
        {"\\colsr", &T::DoSectionSetting}, {"\\sbknone", &T::DoSectionBreak}, {"\\sbkcol", &T::DoSectionBreak},
        {"\\sbkpage", &T::DoSectionBreak}, {"\\sbkeven", &T::DoSectionBreak}, {"\\sbkodd", &T::DoSectionBreak},
        {"\\itap", &T::DoTableLevel},    {"\\intbl", &T::DoInTable},      {"\\trowd", &T::DoRowDefaults},
        {"\\trpaddl", &T::DoRowPadding}, {"\\trpaddr", &T::DoRowPadding}, {"\\trpaddt", &T::DoRowPadding},
        {"\\trpaddb", &T::DoRowPadding}, {"\\cellx", &T::DoCellEdge},     {"\\clftsWidth", &T::DoCellProperty},
        {"\\clwWidth", &T::DoCellProperty}, {"\\clcbpat", &T::DoCellProperty}, {"\\clvmgf", &T::DoCellProperty},
        {"\\clvmrg", &T::DoCellProperty}, {"\\clvertalt", &T::DoCellProperty},
        {"\\clvertalc", &T::DoCellProperty}, {"\\clvertalb", &T::DoCellProperty},
        {"\\trbrdrt", &T::DoBorderSide}, {"\\trbrdrb", &T::DoBorderSide}, {"\\trbrdrl", &T::DoBorderSide},
        {"\\trbrdrr", &T::DoBorderSide}, {"\\clbrdrt", &T::DoBorderSide}, {"\\clbrdrb", &T::DoBorderSide},
        {"\\clbrdrl", &T::DoBorderSide}, {"\\clbrdrr", &T::DoBorderSide}, {"\\brdrs", &T::DoBorderProperty},
        {"\\brdrw", &T::DoBorderProperty}, {"\\brdrcf", &T::DoBorderProperty}, {"\\cell", &T::DoCell},
        {"\\nestcell", &T::DoCell},      {"\\row", &T::DoRow},            {"\\nestrow", &T::DoNestRow},
        {"\\picw", &T::DoPictureSize},   {"\\pich", &T::DoPictureSize},   {"\\picwgoal", &T::DoPictureSize},
        {"\\pichgoal", &T::DoPictureSize}, {"\\picscalex", &T::DoPictureSize},
        {"\\picscaley", &T::DoPictureSize}, {"\\shpleft", &T::DoShapePlacement},
        {"\\shpright", &T::DoShapePlacement}, {"\\shptop", &T::DoShapePlacement},
        {"\\shpbottom", &T::DoShapePlacement}, {"\\shpwr", &T::DoShapeWrap}, {"\\shpwrk", &T::DoShapeWrap},
        {"\\shpfblwtxt", &T::DoShapeWrap}, {"\\yr", &T::DoDatePart},   {"\\mo", &T::DoDatePart},
        {"\\dy", &T::DoDatePart},        {"\\hr", &T::DoDatePart},        {"\\min", &T::DoDatePart},
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
        {"\\ltrch", Destination::Body},
        {"\\nesttableprops", Destination::Body}, {"\\shpinst", Destination::Body},
        // The Unicode half of a "\upr" group.
        {"\\ud", Destination::Body},
        // The text groups of the information group.
        {"\\title", Destination::InfoText},   {"\\subject", Destination::InfoText},
        {"\\author", Destination::InfoText},  {"\\keywords", Destination::InfoText},
        {"\\doccomm", Destination::InfoText}, {"\\operator", Destination::InfoText},
        {"\\company", Destination::InfoText}, {"\\category", Destination::InfoText},
        {"\\hlinkbase", Destination::InfoText}, {"\\pict", Destination::Picture},
    };
    t.Neglected = {"\\generator", "\\xmlnstbl", "\\wgrffmtfilter", "\\ftnsep",   "\\ftnsepc",
                   "\\aftnsep",   "\\aftnsepc", "\\pnseclvl",      "\\stylesheet", "\\mmathPr",
                   "\\nonshppict", "\\shprslt", "\\blipuid",       "\\nonesttables", "\\listtable",
                   "\\listoverridetable", "\\pgptbl", "\\rsidtbl", "\\userprops",
                   "\\template",  "\\svb"};
    t.GroupEnds = {
        {"\\defpap", GroupEnd::DefaultPara},  {"\\header", GroupEnd::HeaderOdd},
        {"\\headerr", GroupEnd::HeaderOdd},   {"\\headerl", GroupEnd::HeaderEven},
        {"\\headerf", GroupEnd::HeaderFirst}, {"\\footer", GroupEnd::FooterOdd},
        {"\\footerr", GroupEnd::FooterOdd},   {"\\footerl", GroupEnd::FooterEven},
        {"\\footerf", GroupEnd::FooterFirst}, {"\\info", GroupEnd::Info},
        {"\\shppict", GroupEnd::ShapePicture}, {"\\shp", GroupEnd::Shape},
        {"\\shptxt", GroupEnd::TextBox},      {"\\creatim", GroupEnd::Date},
        {"\\revtim", GroupEnd::Date},        {"\\field", GroupEnd::Field},
        {"\\fldinst", GroupEnd::FieldInstruction}, {"\\fldrslt", GroupEnd::FieldResult},
        {"\\footnote", GroupEnd::Note},
        {"\\sp", GroupEnd::None},             {"\\sn", GroupEnd::None},
        {"\\sv", GroupEnd::None},
    };
    return t;
  }();
  return tables;
}



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
        // Binary data are picture data inside a picture; elsewhere, with
        // its "\bin" word, they count as one fallback character, which the
        // word has counted.
        if (FExcessDepth == 0 && State().Dest == Destination::Picture) {
          FPictureBytes.clear();
          FPictureBinary = element.RTFString;
        }
        break;
      case TvnRTFElementType::rtfetNull: break;  // an escape cut off by the end
    }
  }
  // Groups left open by a damaged file end here, with their work.
  while (FStack.size() > 1) CloseGroup();
  FlushRun();
  EndOpenRows();
  if (FParagraph && FParagraph->GetCount() > 0) CloseParagraph();
  // Notes of a paragraph that was never closed end the body.
  for (auto& note : FPendingNotes) FElements.push_back(std::move(note));
  FPendingNotes.clear();
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
  inner.SkipFirstInnerGroup = false;
  if (State().SkipFirstInnerGroup) {
    State().SkipFirstInnerGroup = false;
    inner.Dest = Destination::Skip;
  }
  // The work at a group's end is its own, not its inner groups'.
  inner.End = GroupEnd::None;
  inner.OwnsFieldPart = false;
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
  if (state.Dest == Destination::InfoText && !state.InfoKey.empty() &&
      FStack[FStack.size() - 2].Dest != Destination::InfoText) {
    std::string key = std::move(state.InfoKey);
    FStack.pop_back();
    StoreInfoText(key, FInfoBytes);
    FInfoBytes.clear();
    FInfoText.clear();
    return;
  }
  GroupState closed = std::move(state);
  FStack.pop_back();
  FinishGroup(closed);
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
  if (name == "\\upr") {
    state.SkipFirstInnerGroup = true;
    return;
  }
  if (tables.Neglected.count(name) > 0) {
    if (state.Dest == Destination::Body) FlushRun();
    state.Dest = Destination::Skip;
    return;
  }
  if (auto destination = tables.Destinations.find(name); destination != tables.Destinations.end()) {
    HandleDestination(destination->second);
    if (destination->second == Destination::InfoText) State().InfoKey = name;
    return;
  }
  if (auto ends = tables.GroupEnds.find(name); ends != tables.GroupEnds.end()) {
    if (state.Dest != Destination::Body && state.Dest != Destination::Info) return;
    FlushRun();
    if (name == "\\sp") {
      FShapePropertyName.clear();
      return;
    }
    if (name == "\\sn" || name == "\\sv") {
      // A shape property's name or value: its text is gathered.
      state.Dest = Destination::InfoText;
      state.InfoKey = name;
      FInfoBytes.clear();
      FInfoText.clear();
      return;
    }
    // A group finishes one thing: a second such word in it is passed over.
    if (state.End != GroupEnd::None) return;
    state.InfoKey = name;
    BeginGroupEnd(ends->second);
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
    case Destination::InfoText:
      // Information text takes Unicode characters, with their fallback
      // passed over.
      if (name == "\\u") {
        if (const std::optional<char16_t> character = RtfUnicodeCharacter(AElement)) {
          DecodeInfoBytes();
          FInfoText.push_back(*character);
          FSkipCount = state.UnicodeSkip;
        }
      } else if (name == "\\uc") {
        DoUnicodeSkip(AElement);
      }
      return;
    case Destination::Info:
      // The information group takes its dates; other words and text in it
      // are not the document's.
      if (name == "\\yr" || name == "\\mo" || name == "\\dy" || name == "\\hr" || name == "\\min")
        DoDatePart(AElement);
      return;
    case Destination::Picture:
      if (tables.Controls.count(name) > 0 && name.rfind("\\pic", 0) == 0) (this->*(tables.Controls.at(name)))(AElement);
      return;
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
    case Destination::Body:
    case Destination::Info: return;
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
    case Destination::InfoText:
      if (state.Dest == Destination::Body) FlushRun();
      state.Dest = Destination::InfoText;
      FInfoBytes.clear();
      FInfoText.clear();
      return;
    case Destination::Picture:
      if (state.Dest == Destination::Body) FlushRun();
      if (state.End != GroupEnd::None) {
        // A picture word in a group that finishes something else.
        state.Dest = Destination::Skip;
        return;
      }
      state.Dest = Destination::Picture;
      state.End = GroupEnd::Picture;
      FPictureBytes.clear();
      // Each picture starts from full scale.
      FScaleX = 100;
      FScaleY = 100;
      BeginPicture();
      return;
  }
}

void TvnRTFTagHandler::HandleText(std::string_view ABytes) {
  GroupState& state = State();
  switch (state.Dest) {
    case Destination::Skip:
    case Destination::Info:
    case Destination::DefaultChar: return;
    case Destination::FontTable: HandleFontTableText(ABytes); return;
    case Destination::ColorTable: HandleColorTableText(ABytes); return;
    case Destination::Picture: HandlePictureText(ABytes); return;
    case Destination::InfoText:
    case Destination::Body: break;
  }
  if (FSkipCount > 0) {
    const size_t skipped = std::min(ABytes.size(), static_cast<size_t>(FSkipCount));
    FSkipCount -= static_cast<int32_t>(skipped);
    ABytes.remove_prefix(skipped);
  }
  if (state.Dest == Destination::InfoText) {
    FInfoBytes.append(ABytes);
    return;
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
    vn::wordmodel::ParagraphTagOf(*FParagraph);
  }
  return *FParagraph;
}

TvnRTFSpecificProperties& TvnRTFTagHandler::Specific() {
  if (!FParaProperties) FParaProperties = std::make_shared<TvnParagraphProperties>();
  auto* specific = dynamic_cast<TvnRTFSpecificProperties*>(FParaProperties->GetAdditionalInfo().get());
  if (specific == nullptr) {
    auto made = std::make_shared<TvnRTFSpecificProperties>();
    specific = made.get();
    FParaProperties->SetAdditionalInfo(std::move(made));
  }
  return *specific;
}

void TvnRTFTagHandler::CloseParagraph() {
  ++FClosedParagraphs;
  TvnParagraph& paragraph = CurrentParagraph();
  TvnParagraphProperties& properties = *paragraph.GetParagraphProperties();
  using vn::wordmodel::kUnsetValue;
  if (properties.GetSpaceBefore() == kUnsetValue) properties.SetSpaceBefore(0);
  if (properties.GetSpaceAfter() == kUnsetValue) properties.SetSpaceAfter(0);
  if (properties.GetLeftIndent() == kUnsetValue) properties.SetLeftIndent(0);
  if (properties.GetRightIndent() == kUnsetValue) properties.SetRightIndent(0);
  if (properties.GetLineSpacing() == kUnsetValue) properties.SetLineSpacing(240);
  const auto* specific = dynamic_cast<const TvnRTFSpecificProperties*>(properties.GetAdditionalInfo().get());
  const bool in_table = specific != nullptr && specific->GetInTable();
  const int32_t level = in_table ? std::max(specific->GetNestedLevel(), 1) : 0;
  // The next paragraph starts from a copy, so that changing it leaves the
  // closed paragraph as it was; the copy's table membership is its own.
  FParaProperties = std::shared_ptr<TvnParagraphProperties>(properties.Clone());
  auto next_specific = std::make_shared<TvnRTFSpecificProperties>();
  next_specific->SetInTable(in_table);
  next_specific->SetNestedLevel(specific != nullptr ? specific->GetNestedLevel() : 0);
  FParaProperties->SetAdditionalInfo(std::move(next_specific));
  if (in_table) {
    AddToCell(std::move(FParagraph), level);
    PlacePendingNotes(true, level);
    return;
  }
  // A paragraph outside tables ends the table being built.
  if (FTableLevel <= 1) {
    FTable = nullptr;
    FTableLevel = -1;
  }
  FElements.push_back(std::move(FParagraph));
  FSectionHasContent = true;
  PlacePendingNotes(false, 0);
}

void TvnRTFTagHandler::PlacePendingNotes(bool AInTable, int32_t ALevel) {
  if (FPendingNotes.empty() || FPendingNotesDepth != FCollectors.size()) return;
  vn::wordmodel::TvnItemList notes = std::move(FPendingNotes);
  FPendingNotes.clear();
  for (auto& note : notes) {
    if (AInTable)
      AddToCell(std::move(note), ALevel);
    else
      FElements.push_back(std::move(note));
  }
}

void TvnRTFTagHandler::DoPard(const TvnRTFElement&) {
  FParaProperties = FDefaultParaProperties ? std::shared_ptr<TvnParagraphProperties>(FDefaultParaProperties->Clone())
                                           : std::make_shared<TvnParagraphProperties>();
  FParaProperties->SetAdditionalInfo(std::make_shared<TvnRTFSpecificProperties>());
  FBorderFor = BorderFor::Para;
  if (FParagraph) {
    FParagraph->SetParagraphProperties(FParaProperties);
    FParagraph->SetFinalParagraphProperties(FParaProperties);
  }
}

void TvnRTFTagHandler::DoPar(const TvnRTFElement&) { CloseParagraph(); }

void TvnRTFTagHandler::DoAlignment(const TvnRTFElement& AElement) {
  using vn::wordmodel::TvnHAlignment;
  const std::string& name = AElement.RTFString;
  TvnHAlignment alignment = TvnHAlignment::haLeft;
  if (name == "\\qc")
    alignment = TvnHAlignment::haCenter;
  else if (name == "\\qr")
    alignment = TvnHAlignment::haRight;
  else if (name == "\\qj")
    alignment = TvnHAlignment::haJustify;
  CurrentParagraph();
  FParaProperties->SetHAlignment(alignment);
}

void TvnRTFTagHandler::DoParagraphLength(const TvnRTFElement& AElement) {
  const std::optional<int32_t> value = AElement.Parameter();
  if (!value) return;
  const int32_t pixels = RtfTwipsToPixels(*value);
  const std::string& name = AElement.RTFString;
  CurrentParagraph();
  TvnParagraphProperties& properties = *FParaProperties;
  if (name == "\\li" || name == "\\lin") {
    properties.SetLeftIndent(pixels);
  } else if (name == "\\ri" || name == "\\rin") {
    properties.SetRightIndent(pixels);
  } else if (*value >= 0) {
    // Spacing cannot be negative.
    if (name == "\\sa")
      properties.SetSpaceAfter(pixels);
    else
      properties.SetSpaceBefore(pixels);
  }
}

// "\slN": N lines of 240 under the automatic rule when "\slmult1" follows;
// otherwise a positive N is an at-least height and a negative one an exact
// height, in twips; 0 is single spacing.
void TvnRTFTagHandler::DoLineSpacing(const TvnRTFElement& AElement) {
  using vn::wordmodel::TvnSpacingRule;
  const std::optional<int32_t> value = AElement.Parameter();
  if (!value) return;
  CurrentParagraph();
  TvnParagraphProperties& properties = *FParaProperties;
  if (*value == 0) {
    properties.SetLineSpacing(240);
    properties.SetLineSpacingRule(TvnSpacingRule::srAuto);
  } else if (*value < 0) {
    properties.SetLineSpacing(*value == INT32_MIN ? INT32_MAX : -*value);
    properties.SetLineSpacingRule(TvnSpacingRule::srExact);
  } else {
    properties.SetLineSpacing(*value);
    properties.SetLineSpacingRule(TvnSpacingRule::srAtleast);
  }
}

void TvnRTFTagHandler::DoLineSpacingMultiple(const TvnRTFElement& AElement) {
  using vn::wordmodel::TvnSpacingRule;
  CurrentParagraph();
  TvnParagraphProperties& properties = *FParaProperties;
  // "\slmult1" after a positive "\sl" makes it a multiple of single lines.
  if (AElement.Parameter().value_or(1) == 1 && properties.GetLineSpacingRule() == TvnSpacingRule::srAtleast)
    properties.SetLineSpacingRule(TvnSpacingRule::srAuto);
}

// --- Group ends: document defaults, headers, footers, information ------------

void TvnRTFTagHandler::BeginGroupEnd(GroupEnd AEnd) {
  GroupState& state = State();
  state.End = AEnd;
  switch (AEnd) {
    case GroupEnd::DefaultPara:
      FSavedParaProperties = FParaProperties;
      FParaProperties = std::make_shared<TvnParagraphProperties>();
      FParaProperties->SetAdditionalInfo(std::make_shared<TvnRTFSpecificProperties>());
      return;
    case GroupEnd::HeaderOdd:
    case GroupEnd::HeaderEven:
    case GroupEnd::HeaderFirst:
    case GroupEnd::FooterOdd:
    case GroupEnd::FooterEven:
    case GroupEnd::FooterFirst:
    case GroupEnd::TextBox:
    case GroupEnd::Note: BeginCollecting(); return;
    case GroupEnd::Info:
      state.Dest = Destination::Info;
      FDocumentInfo = std::make_unique<vn::wordmodel::TvnWordDocumentInfo>();
      return;
    case GroupEnd::Date:
      FYear = FMonth = FDay = FHour = FMin = 0;
      return;
    case GroupEnd::ShapePicture: BeginShape(false); return;
    case GroupEnd::Shape: BeginShape(true); return;
    case GroupEnd::Field: BeginField(); return;
    case GroupEnd::FieldInstruction: BeginFieldInstruction(); return;
    case GroupEnd::FieldResult: BeginFieldResult(); return;
    case GroupEnd::None:
    case GroupEnd::Picture: return;
  }
}

void TvnRTFTagHandler::BeginCollecting() {
  Collector collector;
  collector.Elements = std::move(FElements);
  FElements.clear();
  collector.Paragraph = std::move(FParagraph);
  collector.ParaProperties = FParaProperties;
  collector.Tables = std::move(FTableInfoCollection);
  FTableInfoCollection.clear();
  collector.Table = std::exchange(FTable, nullptr);
  collector.TableLevel = std::exchange(FTableLevel, -1);
  collector.SectionHasContent = FSectionHasContent;
  FCollectors.push_back(std::move(collector));
  FParaProperties = std::make_shared<TvnParagraphProperties>();
  FParaProperties->SetAdditionalInfo(std::make_shared<TvnRTFSpecificProperties>());
}

vn::wordmodel::TvnItemList TvnRTFTagHandler::EndCollecting() {
  // What the group left open belongs to it: its last paragraph (when it
  // holds anything) and its last row.
  if (FParagraph && FParagraph->GetCount() > 0) CloseParagraph();
  EndOpenRows();
  vn::wordmodel::TvnItemList collected = std::move(FElements);
  Collector& collector = FCollectors.back();
  FElements = std::move(collector.Elements);
  FParagraph = std::move(collector.Paragraph);
  FParaProperties = std::move(collector.ParaProperties);
  FTableInfoCollection = std::move(collector.Tables);
  FTable = collector.Table;
  FTableLevel = collector.TableLevel;
  FSectionHasContent = collector.SectionHasContent;
  FCollectors.pop_back();
  return collected;
}

void TvnRTFTagHandler::FinishGroup(GroupState& AState) {
  switch (AState.End) {
    case GroupEnd::None: return;
    case GroupEnd::DefaultPara:
      FDefaultParaProperties = FParaProperties;
      FParaProperties = std::move(FSavedParaProperties);
      return;
    case GroupEnd::HeaderOdd:
    case GroupEnd::HeaderEven:
    case GroupEnd::HeaderFirst:
    case GroupEnd::FooterOdd:
    case GroupEnd::FooterEven:
    case GroupEnd::FooterFirst: {
      vn::wordmodel::TvnItemList collected = EndCollecting();
      TvnSection& section = CurrentSection();
      vn::wordmodel::TvnHeaderFooterElement* element = nullptr;
      switch (AState.End) {
        case GroupEnd::HeaderOdd: element = section.GetDefaultPageHeader(); break;
        case GroupEnd::HeaderEven: element = section.GetEvenPageHeader(); break;
        case GroupEnd::HeaderFirst: element = section.GetFirstPageHeader(); break;
        case GroupEnd::FooterOdd: element = section.GetDefaultPageFooter(); break;
        case GroupEnd::FooterEven: element = section.GetEvenPageFooter(); break;
        default: element = section.GetFirstPageFooter(); break;
      }
      element->SetElements(std::move(collected));
      return;
    }
    case GroupEnd::TextBox: FinishTextBox(); return;
    case GroupEnd::Note: {
      // The note's text stands after the paragraph that refers to it
      // instead of inside its sentence.
      vn::wordmodel::TvnItemList collected = EndCollecting();
      if (FPendingNotes.empty()) FPendingNotesDepth = FCollectors.size();
      if (FPendingNotesDepth != FCollectors.size()) return;
      for (auto& item : collected) FPendingNotes.push_back(std::move(item));
      return;
    }
    case GroupEnd::Info: return;
    case GroupEnd::Date: {
      if (!FDocumentInfo) return;
      // A date that is not a calendar date is left out.
      const String text = RtfDateText(FYear, FMonth, FDay, FHour, FMin);
      if (text.empty()) return;
      if (AState.InfoKey == "\\creatim")
        FDocumentInfo->SetCreated(text);
      else
        FDocumentInfo->SetModified(text);
      return;
    }
    case GroupEnd::Picture: FinishPicture(AState); return;
    case GroupEnd::ShapePicture:
    case GroupEnd::Shape: FinishShape(); return;
    case GroupEnd::Field: FinishField(); return;
    case GroupEnd::FieldInstruction: FinishFieldInstruction(AState); return;
    case GroupEnd::FieldResult: FinishFieldResult(AState); return;
  }
}

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

TvnSection& TvnRTFTagHandler::CurrentSection() {
  if (!FSection) FSection = CreateSection();
  return *FSection;
}

void TvnRTFTagHandler::DoFacingPages(const TvnRTFElement&) {
  if (FMediator != nullptr) FMediator->SetEvenOddHeaders(true);
  if (FSection) FSection->SetIsEvenOddHeaders(true);
}

void TvnRTFTagHandler::DoSectionSetting(const TvnRTFElement& AElement) {
  const std::string& name = AElement.RTFString;
  TvnSection& section = CurrentSection();
  if (name == "\\titlepg") {
    section.SetIsTitlePage(AElement.Parameter().value_or(1) != 0);
    return;
  }
  const std::optional<int32_t> value = AElement.Parameter();
  // Missing and negative values leave the setting as it was.
  if (!value || *value < 0) return;
  const int32_t pixels = RtfTwipsToPixels(*value);
  auto& columns = section.GetColumns();
  vn::wordmodel::TvnPageMargins* margins = section.GetPageMargin();
  if (name == "\\pgwsxn") {
    if (pixels > 0) section.SetPageWidth(pixels);
  } else if (name == "\\pghsxn") {
    if (pixels > 0) section.SetPageHeight(pixels);
  } else if (name == "\\marglsxn") {
    margins->SetLeft(pixels);
  } else if (name == "\\margrsxn") {
    margins->SetRight(pixels);
  } else if (name == "\\margtsxn") {
    margins->SetTop(pixels);
  } else if (name == "\\margbsxn") {
    margins->SetBottom(pixels);
  } else if (name == "\\cols") {
    // A page has at most this many columns.
    section.SetColumnsCount(std::clamp(*value, 1, kMaxRtfColumns));
  } else if (name == "\\colsx") {
    section.SetSpaceBetweenColumns(pixels);
  } else if (name == "\\colno") {
    section.SetEqualWidthColumns(false);
    const int32_t count = std::min(*value, kMaxRtfColumns);
    while (static_cast<int32_t>(columns.size()) < count) {
      auto column = std::make_unique<vn::wordmodel::TvnWordColumn>();
      column->SetWidth(0);
      column->SetSpace(0);
      columns.push_back(std::move(column));
    }
  } else if (name == "\\colw") {
    if (!columns.empty()) columns.back()->SetWidth(pixels);
  } else if (name == "\\colsr") {
    if (!columns.empty()) columns.back()->SetSpace(pixels);
  }
}

void TvnRTFTagHandler::DoSectionBreak(const TvnRTFElement& AElement) {
  using vn::wordmodel::TvnSectionType;
  const std::string& name = AElement.RTFString;
  TvnSectionType type = TvnSectionType::stNextPage;
  if (name == "\\sbknone")
    type = TvnSectionType::stContinuous;
  else if (name == "\\sbkcol")
    type = TvnSectionType::stColumnSection;
  else if (name == "\\sbkeven")
    type = TvnSectionType::stEvenPageSection;
  else if (name == "\\sbkodd")
    type = TvnSectionType::stOddPageSection;
  CurrentSection().SetSectionType(type);
}

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
  next->SetIsTitlePage(FSection->GetIsTitlePage());
  for (const auto& column : FSection->GetColumns()) next->GetColumns().push_back(column->Clone());
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
