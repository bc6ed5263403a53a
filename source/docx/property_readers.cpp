// The property readers: WordprocessingML formatting elements into the
// property objects of the Word model.
#include <array>
#include <utility>

#include "docx/docx_helper.h"
#include "runtime/exceptions.h"

namespace vn::docx {

using vn::framework::TvnFontStyle;
using vn::framework::TvnRGBColor;
using wordmodel::TvnBorderType;
using wordmodel::TvnExplicitlySetParaProperty;
using wordmodel::TvnExplicitlySetValue;
using wordmodel::TvnHAlignment;
using wordmodel::TvnMergeCellsOption;
using wordmodel::TvnSpacingRule;
using wordmodel::TvnTableAnchor;
using wordmodel::TvnTableRegions;
using wordmodel::TvnTabStopChar;
using wordmodel::TvnTabStopValue;
using wordmodel::TvnTextAlignment;
using wordmodel::TvnTextDirection;
using wordmodel::TvnVAlignment;
using wordmodel::TvnWidthType;

namespace {

// The first direct child element of that name, or null.
const TXmlNode* Child(const TXmlNode* AElement, StringView AName) {
  TXmlNode* found = nullptr;
  if (AElement != nullptr) AElement->FindChild(AName, found);
  return found;
}

String Attr(const TXmlNode* AElement, StringView AName) {
  return AElement != nullptr ? AElement->GetAttribute(AName) : String();
}

// The "w:val" of the child AName, empty when either is missing.
String ChildVal(const TXmlNode* AElement, StringView AName) { return Attr(Child(AElement, AName), u"w:val"); }

// An on/off element: off when missing; on when present without a value.
bool OnOffChild(const TXmlNode* AElement, StringView AName) {
  const TXmlNode* child = Child(AElement, AName);
  if (child == nullptr) return false;
  return ParseOnOff(child->GetAttribute(u"w:val"), true);
}

// Runs one step of a reader; a value that is not a number (or any other
// error of the model) ends that step only, and is reported.
template <typename TStep>
void GuardedStep(vn::Diagnostics* AWarnings, const char* AWhat, TStep&& AStep) {
  try {
    AStep();
  } catch (const vn::Exception& error) {
    vn::ReportTo(AWarnings, {.message = std::string(AWhat) + ": " + error.what()});
  }
}

struct HighlightEntry {
  StringView Name;
  TvnRGBColor Color;
};

constexpr std::array<HighlightEntry, 16> kHighlightColors{{
    {u"black", {0, 0, 0}},
    {u"blue", {0, 0, 255}},
    {u"cyan", {0, 255, 255}},
    {u"darkBlue", {0, 0, 139}},
    {u"darkCyan", {0, 139, 139}},
    {u"darkGray", {169, 169, 169}},
    {u"darkGreen", {0, 100, 0}},
    {u"darkMagenta", {128, 0, 128}},
    {u"darkRed", {139, 0, 0}},
    {u"darkYellow", {128, 128, 0}},
    {u"green", {0, 255, 0}},
    {u"lightGray", {211, 211, 211}},
    {u"magenta", {255, 0, 255}},
    {u"red", {255, 0, 0}},
    {u"white", {255, 255, 255}},
    {u"yellow", {255, 255, 0}},
}};

struct RegionAttribute {
  StringView Name;
  TvnTableRegions Region;
};

constexpr std::array<RegionAttribute, 12> kRegionAttributes{{
    {u"w:firstRow", TvnTableRegions::trFirstRow},
    {u"w:lastRow", TvnTableRegions::trLastRow},
    {u"w:firstColumn", TvnTableRegions::trFirstColumn},
    {u"w:lastColumn", TvnTableRegions::trLastColumn},
    {u"w:oddHBand", TvnTableRegions::trBandedRows},
    {u"w:evenHBand", TvnTableRegions::trEvenRowBanding},
    {u"w:oddVBand", TvnTableRegions::trBandedColumns},
    {u"w:evenVBand", TvnTableRegions::trEvenColumnBanding},
    {u"w:firstRowFirstColumn", TvnTableRegions::trTopLeft},
    {u"w:firstRowLastColumn", TvnTableRegions::trTopRight},
    {u"w:lastRowFirstColumn", TvnTableRegions::trBottomLeft},
    {u"w:lastRowLastColumn", TvnTableRegions::trBottomRight},
}};

// A width with its type ("w:tblW", "w:tcW", "w:tblCellSpacing"): dxa
// widths become pixels, pct and auto widths stay as written.
void ReadWidth(const TXmlNode* AElement, bool ANilIsNoWidth, int32_t& AWidth, TvnWidthType& AType) {
  const String value = Attr(AElement, u"w:w");
  if (!value.empty()) AWidth = ReadInteger(value);
  const String type = Attr(AElement, u"w:type");
  if (type == u"auto") {
    AType = TvnWidthType::wtAuto;
  } else if (type == u"dxa") {
    AType = TvnWidthType::wtUnits;
    AWidth = TwipsToPixels(AWidth);
  } else if (type == u"pct") {
    AType = TvnWidthType::wtPercent;
  } else if (type == u"nil") {
    AType = ANilIsNoWidth ? TvnWidthType::wtNoWidth : TvnWidthType::wtAuto;
  }
}

// A colour attribute: "auto" is black.
TvnRGBColor ColorOrAutoBlack(StringView AValue) {
  return AValue == u"auto" ? TvnRGBColor{0, 0, 0} : ParseHexColor(AValue);
}

}  // namespace

bool TvnDOCXHelperFunctions::HighLightColor(StringView AName, TvnRGBColor& AColor) {
  for (const HighlightEntry& entry : kHighlightColors) {
    if (entry.Name == AName) {
      AColor = entry.Color;
      return true;
    }
  }
  return false;
}

void TvnDOCXHelperFunctions::Warn(const std::string& AMessage) const {
  vn::ReportTo(FWarnings, {.message = AMessage});
}

// ---------------------------------------------------------------------------
// Paragraph properties

std::shared_ptr<TvnParagraphProperties> TvnDOCXHelperFunctions::GetParagraphProperties(
    const TXmlNode* AParaElement, TvnDocumentMediator* AMediator) {
  if (AParaElement == nullptr) return nullptr;
  auto props = std::make_shared<TvnParagraphProperties>();
  props->SetPageBreakBefore(OnOffChild(AParaElement, u"w:pageBreakBefore"));
  GuardedStep(FWarnings, "paragraph style", [&] {
    const TXmlNode* style = Child(AParaElement, u"w:pStyle");
    if (style != nullptr) props->SetStyleID(style->GetAttribute(u"w:val"));
  });
  GuardedStep(FWarnings, "paragraph indentation", [&] {
    const TXmlNode* ind = Child(AParaElement, u"w:ind");
    if (ind == nullptr) return;
    for (StringView name : {u"w:start", u"w:left"}) {
      const String value = ind->GetAttribute(name);
      if (!value.empty()) props->SetLeftIndent(TwipsToPixels(ReadInteger(value)));
    }
    for (StringView name : {u"w:end", u"w:right"}) {
      const String value = ind->GetAttribute(name);
      if (!value.empty()) props->SetRightIndent(TwipsToPixels(ReadInteger(value)));
    }
    const String hanging = ind->GetAttribute(u"w:hanging");
    if (!hanging.empty()) props->SetHanging(TwipsToPixels(ReadInteger(hanging)));
    const String first = ind->GetAttribute(u"w:firstLine");
    if (!first.empty()) props->SetFirstLineIndent(TwipsToPixels(ReadInteger(first)));
  });
  const String jc = ChildVal(AParaElement, u"w:jc");
  if (jc == u"both" || jc == u"distribute") {
    props->SetHAlignment(TvnHAlignment::haJustify);
  } else if (jc == u"center") {
    props->SetHAlignment(TvnHAlignment::haCenter);
  } else if (jc == u"end" || jc == u"right") {
    props->SetHAlignment(TvnHAlignment::haRight);
  } else if (jc == u"numTab" || jc == u"start" || jc == u"left") {
    props->SetHAlignment(TvnHAlignment::haLeft);
  } else if (!jc.empty()) {
    auto marks = props->GetExplicitlySetParaProperties();
    props->SetExplicitlySetParaProperties(marks.Include(TvnExplicitlySetParaProperty::espHAlignment));
  }
  GuardedStep(FWarnings, "paragraph spacing", [&] { ReadParagraphSpacing(AParaElement, *props); });
  GuardedStep(FWarnings, "paragraph numbering", [&] {
    const TXmlNode* numPr = Child(AParaElement, u"w:numPr");
    if (numPr == nullptr) return;
    auto marks = props->GetExplicitlySetParaProperties();
    const TXmlNode* ilvl = Child(numPr, u"w:ilvl");
    if (ilvl != nullptr) {
      props->SetNumberLevel(ReadInteger(ilvl->GetAttribute(u"w:val")));
      marks.Include(TvnExplicitlySetParaProperty::espNumberLevel);
    }
    const TXmlNode* numId = Child(numPr, u"w:numId");
    if (numId != nullptr) {
      props->SetNumberID(ReadInteger(numId->GetAttribute(u"w:val")));
      marks.Include(TvnExplicitlySetParaProperty::espNumberID);
    }
    props->SetExplicitlySetParaProperties(marks);
  });
  props->SetRunProperties(GetRunProperties(Child(AParaElement, u"w:rPr"), AMediator));
  TXmlNodeRefs tab_lists;
  GetDescendants(AParaElement, {u"w:tabs"}, tab_lists);
  for (const TXmlNode* tabs : tab_lists) {
    for (const TXmlNode* tab : GetElements(tabs, u"w:tab")) props->GetTabs().push_back(GetTab(tab));
  }
  const TXmlNode* pBdr = Child(AParaElement, u"w:pBdr");
  if (pBdr != nullptr) {
    auto border = std::make_unique<wordmodel::TvnParaBorder>();
    border->SetTop(GetBorder(Child(pBdr, u"w:top")));
    border->SetBottom(GetBorder(Child(pBdr, u"w:bottom")));
    border->SetLeft(GetBorder(Child(pBdr, u"w:left")));
    border->SetRight(GetBorder(Child(pBdr, u"w:right")));
    border->SetBar(GetBorder(Child(pBdr, u"w:bar")));
    border->SetBetween(GetBorder(Child(pBdr, u"w:between")));
    props->SetParaBorder(std::move(border));
  }
  return props;
}

void TvnDOCXHelperFunctions::ReadParagraphSpacing(const TXmlNode* APPr, TvnParagraphProperties& AProperties) {
  AProperties.SetContextualSpace(OnOffChild(APPr, u"w:contextualSpacing"));
  const TXmlNode* spacing = Child(APPr, u"w:spacing");
  if (spacing != nullptr) {
    // "...Lines" values count hundredths of a line and win over the twips.
    const String after = spacing->GetAttribute(u"w:after");
    if (!after.empty()) AProperties.SetSpaceAfter(TwipsToPixels(ReadInteger(after)));
    const String after_lines = spacing->GetAttribute(u"w:afterLines");
    if (!after_lines.empty()) AProperties.SetSpaceAfter(LineHundredthsToPixels(ReadInteger(after_lines)));
    const String before = spacing->GetAttribute(u"w:before");
    if (!before.empty()) AProperties.SetSpaceBefore(TwipsToPixels(ReadInteger(before)));
    const String before_lines = spacing->GetAttribute(u"w:beforeLines");
    if (!before_lines.empty()) AProperties.SetSpaceBefore(LineHundredthsToPixels(ReadInteger(before_lines)));
    const String line = spacing->GetAttribute(u"w:line");
    if (!line.empty()) AProperties.SetLineSpacing(ReadInteger(line));
    const String rule = spacing->GetAttribute(u"w:lineRule");
    if (rule == u"auto") AProperties.SetLineSpacingRule(TvnSpacingRule::srAuto);
    if (rule == u"exact") AProperties.SetLineSpacingRule(TvnSpacingRule::srExact);
    if (rule == u"atLeast") AProperties.SetLineSpacingRule(TvnSpacingRule::srAtleast);
  }
  if (OnOffChild(APPr, u"w:keepLines")) AProperties.SetKeepLinesTogetherInSamePage(true);
}

// ---------------------------------------------------------------------------
// Run properties

std::shared_ptr<TvnRunProperties> TvnDOCXHelperFunctions::GetRunProperties(const TXmlNode* ARunElement,
                                                                           TvnDocumentMediator* AMediator) {
  if (ARunElement == nullptr) return nullptr;
  auto props = std::make_shared<TvnRunProperties>();
  // An error stops the reading; what was read so far stays.
  GuardedStep(FWarnings, "run properties", [&] {
    const TXmlNode* bdr = Child(ARunElement, u"w:bdr");
    if (bdr != nullptr) props->SetRunBorder(GetBorder(bdr));
    const String vert = ChildVal(ARunElement, u"w:vertAlign");
    if (vert == u"superscript") {
      props->SetTextAlignment(TvnTextAlignment::taSuperscript);
    } else if (vert == u"subscript") {
      props->SetTextAlignment(TvnTextAlignment::taSubscript);
    } else if (!vert.empty()) {
      props->SetTextAlignment(TvnTextAlignment::taBaseline);
    }
    if (Child(ARunElement, u"w:tab") != nullptr) props->SetTab(true);
    auto marks = props->GetExplicitlySetVal();
    const TXmlNode* sz = Child(ARunElement, u"w:sz");
    if (sz != nullptr) {
      props->SetFontSize(HalfPointsToPoints(ReadInteger64(sz->GetAttribute(u"w:val"))));
      marks.Include(TvnExplicitlySetValue::esvFontSize);
      props->SetExplicitlySetVal(marks);
    }
    if (OnOffChild(ARunElement, u"w:caps")) props->SetCaps(true);
    struct StyleSwitch {
      StringView Name;
      TvnFontStyle Style;
      TvnExplicitlySetValue Mark;
    };
    static constexpr std::array<StyleSwitch, 4> kSwitches{{
        {u"w:b", TvnFontStyle::fsBold, TvnExplicitlySetValue::esvBold},
        {u"w:u", TvnFontStyle::fsUnderline, TvnExplicitlySetValue::esvUnderline},
        {u"w:strike", TvnFontStyle::fsStrikeOut, TvnExplicitlySetValue::esvStrikeOut},
        {u"w:i", TvnFontStyle::fsItalic, TvnExplicitlySetValue::esvItalic},
    }};
    for (const StyleSwitch& entry : kSwitches) {
      const TXmlNode* element = Child(ARunElement, entry.Name);
      if (element == nullptr) continue;
      const String value = element->GetAttribute(u"w:val");
      // Every underline kind is one underline; "none" is none.
      const bool on = value != u"none" && ParseOnOff(value, true);
      if (on) props->SetFontStyle(props->GetFontStyle().Include(entry.Style));
      marks.Include(entry.Mark);
      props->SetExplicitlySetVal(marks);
    }
    const TXmlNode* fonts = Child(ARunElement, u"w:rFonts");
    if (fonts != nullptr) ReadRunFonts(fonts, *props, AMediator);
    const String color = ChildVal(ARunElement, u"w:color");
    if (!color.empty()) {
      if (color != u"auto") props->GetBrush()->SetColor(ParseHexColor(color));
      marks.Include(TvnExplicitlySetValue::esvTextColor);
      props->SetExplicitlySetVal(marks);
    }
    TvnRGBColor highlight;
    if (HighLightColor(ChildVal(ARunElement, u"w:highlight"), highlight)) props->SetHighLightColor(highlight);
    const TXmlNode* style = Child(ARunElement, u"w:rStyle");
    if (style != nullptr) props->SetStyleID(style->GetAttribute(u"w:val"));
  });
  return props;
}

void TvnDOCXHelperFunctions::ReadRunFonts(const TXmlNode* AFontsElement, TvnRunProperties& ARunProperties,
                                          const TvnDocumentMediator* AMediator) {
  if (AFontsElement == nullptr) return;
  // The typeface a theme value names: the latin font of the heading
  // (majorHAnsi) or body (minorHAnsi) fonts; empty for anything else.
  const auto theme_font = [&](StringView AAttribute) -> String {
    if (AMediator == nullptr) return String();
    const String value = AFontsElement->GetAttribute(AAttribute);
    const wordmodel::TvnThemeFontGroup* group = value == u"majorHAnsi"   ? &AMediator->GetMajorFontGroup()
                                                : value == u"minorHAnsi" ? &AMediator->GetMinorFontGroup()
                                                                         : nullptr;
    if (group == nullptr) return String();
    const auto latin = group->find(u"latin");
    return latin == group->end() ? String() : latin->second.Typeface;
  };
  String font = theme_font(u"w:cstheme");
  if (!font.empty()) ARunProperties.SetCS(font);
  if (ARunProperties.GetCS().empty()) ARunProperties.SetCS(AFontsElement->GetAttribute(u"w:cs"));

  font = theme_font(u"w:asciiTheme");
  if (!font.empty()) {
    ARunProperties.SetFontName(font);
    ARunProperties.SetASCII(font);
  }
  if (ARunProperties.GetASCII().empty()) {
    font = AFontsElement->GetAttribute(u"w:ascii");
    if (!font.empty()) {
      ARunProperties.SetFontName(font);
      ARunProperties.SetASCII(font);
    }
  }
  font = theme_font(u"w:hAnsiTheme");
  if (!font.empty()) {
    ARunProperties.SetFontName(font);
    ARunProperties.SetANSI(font);
  }
  if (ARunProperties.GetANSI().empty()) {
    font = AFontsElement->GetAttribute(u"w:hAnsi");
    if (!font.empty()) {
      ARunProperties.SetFontName(font);
      ARunProperties.SetANSI(font);
    }
  }
  font = theme_font(u"w:eastAsiaTheme");
  if (!font.empty()) {
    ARunProperties.SetFontName(font);
    ARunProperties.SetEastAsia(font);
  }
  if (ARunProperties.GetEastAsia().empty()) ARunProperties.SetEastAsia(AFontsElement->GetAttribute(u"w:eastAsia"));
}

// ---------------------------------------------------------------------------
// Tabs, borders, margins, regions

std::shared_ptr<TvnTab> TvnDOCXHelperFunctions::GetTab(const TXmlNode* ATabElement) {
  if (ATabElement == nullptr) return nullptr;
  auto tab = std::make_shared<TvnTab>();
  GuardedStep(FWarnings, "tab stop", [&] {
    const String kind = ATabElement->GetAttribute(u"w:val");
    if (kind == u"center") tab->SetTabStopValue(TvnTabStopValue::tsvCenter);
    if (kind == u"bar") tab->SetTabStopValue(TvnTabStopValue::tsvBar);
    if (kind == u"clear") tab->SetTabStopValue(TvnTabStopValue::tsvClear);
    if (kind == u"decimal") tab->SetTabStopValue(TvnTabStopValue::tsvDecimal);
    if (kind == u"end" || kind == u"right") tab->SetTabStopValue(TvnTabStopValue::tsvEnd);
    if (kind == u"num") tab->SetTabStopValue(TvnTabStopValue::tsvNum);
    if (kind == u"start" || kind == u"left") tab->SetTabStopValue(TvnTabStopValue::tsvStart);
    const String pos = ATabElement->GetAttribute(u"w:pos");
    if (!pos.empty()) tab->SetPosition(TwipsToPixels(ReadInteger(pos)));
    const String leader = ATabElement->GetAttribute(u"w:leader");
    if (leader == u"dot") tab->SetLeadingChar(TvnTabStopChar::tscDot);
    if (leader == u"heavy") tab->SetLeadingChar(TvnTabStopChar::tscHeavy);
    if (leader == u"hyphen") tab->SetLeadingChar(TvnTabStopChar::tscHyphen);
    if (leader == u"middleDot") tab->SetLeadingChar(TvnTabStopChar::tscMiddleDot);
    if (leader == u"none") tab->SetLeadingChar(TvnTabStopChar::tscNone);
    if (leader == u"underscore") tab->SetLeadingChar(TvnTabStopChar::tscUnderscore);
  });
  return tab;
}

std::unique_ptr<TvnBorder> TvnDOCXHelperFunctions::GetBorder(const TXmlNode* ABorderElement) {
  if (ABorderElement == nullptr) return nullptr;
  auto border = std::make_unique<TvnBorder>();
  GuardedStep(FWarnings, "border", [&] {
    const String color = ABorderElement->GetAttribute(u"w:color");
    if (!color.empty()) border->SetColor(ColorOrAutoBlack(color));
    const String size = ABorderElement->GetAttribute(u"w:sz");
    if (!size.empty()) border->SetBorderWidth(EighthPointsToPixels(ReadInteger64(size)));
    const String space = ABorderElement->GetAttribute(u"w:space");
    if (!space.empty()) border->SetSpace(PointsToPixels(ReadInteger64(space)));
    const String shadow = ABorderElement->GetAttribute(u"w:shadow");
    border->SetShadow(ParseOnOff(shadow == u"TRUE" ? u"true" : shadow == u"False" ? u"false" : StringView(shadow),
                                 border->GetShadow()));
  });
  // "none" and "nil" both mean no line, whatever the size says.
  const String style = ABorderElement->GetAttribute(u"w:val");
  if (style == u"none" || style == u"nil") border->SetBorderWidth(0);
  return border;
}

std::unique_ptr<TvnMargin> TvnDOCXHelperFunctions::ReadMargins(const TXmlNode* AMarginsElement) {
  if (AMarginsElement == nullptr) return nullptr;
  auto margin = std::make_unique<TvnMargin>();
  GuardedStep(FWarnings, "margins", [&] {
    for (const TXmlNode* side : AMarginsElement->ChildNodes) {
      if (side->NodeType != ooxml::TXmlNodeType::ntElement) continue;
      const String width = side->GetAttribute(u"w:w");
      const int32_t pixels = width.empty() ? 0 : TwipsToPixels(ReadInteger(width));
      if (side->Name == u"w:top") margin->SetTop(pixels);
      if (side->Name == u"w:left") margin->SetLeft(pixels);
      if (side->Name == u"w:bottom") margin->SetBottom(pixels);
      if (side->Name == u"w:right") margin->SetRight(pixels);
    }
  });
  return margin;
}

void TvnDOCXHelperFunctions::ReadTableRegions(const TXmlNode* AElement, TvnRegionFlags& ARegions) {
  if (AElement == nullptr) return;
  for (const RegionAttribute& entry : kRegionAttributes) {
    if (ParseOnOff(AElement->GetAttribute(entry.Name), false)) ARegions[entry.Region] = true;
  }
}

void TvnDOCXHelperFunctions::ReadBorderTable(const TXmlNode* ABorders, wordmodel::TvnBorderTable& ATable) {
  if (ABorders == nullptr) return;
  struct Side {
    StringView Name;
    TvnBorderType Type;
  };
  static constexpr std::array<Side, 6> kSides{{
      {u"w:top", TvnBorderType::Top},
      {u"w:bottom", TvnBorderType::Bottom},
      {u"w:left", TvnBorderType::Left},
      {u"w:right", TvnBorderType::Right},
      {u"w:insideH", TvnBorderType::InsideH},
      {u"w:insideV", TvnBorderType::InsideV},
  }};
  for (const TXmlNode* child : ABorders->ChildNodes) {
    for (const Side& side : kSides) {
      if (child->Name != side.Name) continue;
      // A side given twice keeps its first line.
      if (!ATable.emplace(side.Type, GetBorder(child)).second) {
        Warn("border side \"" + vn::ToUtf8(side.Name) + "\" given twice; the first is kept");
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Table, row and cell properties. Each numbered value that is not a number
// ends its own step.

std::shared_ptr<TvnTableProperties> TvnDOCXHelperFunctions::GetTableProperties(const TXmlNode* ATblPropElement) {
  if (ATblPropElement == nullptr) return nullptr;
  const TXmlNode* e = ATblPropElement;
  auto props = std::make_shared<TvnTableProperties>();
  const TXmlNode* caption = Child(e, u"w:tblCaption");
  if (caption != nullptr) props->SetTableCaption(caption->GetAttribute(u"w:val"));
  const String jc = ChildVal(e, u"w:jc");
  if (jc == u"center") props->SetTableAlignment(TvnHAlignment::haCenter);
  if (jc == u"start") props->SetTableAlignment(TvnHAlignment::haLeft);
  if (jc == u"end" || jc == u"right") props->SetTableAlignment(TvnHAlignment::haRight);
  GuardedStep(FWarnings, "floating table position", [&] {
    const TXmlNode* pos = Child(e, u"w:tblpPr");
    if (pos == nullptr) return;
    props->SetIsFloatingTable(true);
    const auto anchor = [](StringView AValue, TvnTableAnchor ACurrent) {
      if (AValue == u"margin") return TvnTableAnchor::taMargin;
      if (AValue == u"page") return TvnTableAnchor::taPage;
      if (AValue == u"text") return TvnTableAnchor::taText;
      return ACurrent;
    };
    props->SetHorizontalAnchor(anchor(pos->GetAttribute(u"w:horzAnchor"), props->GetHorizontalAnchor()));
    props->SetVerticalAnchor(anchor(pos->GetAttribute(u"w:vertAnchor"), props->GetVerticalAnchor()));
    const String x = pos->GetAttribute(u"w:tblpX");
    if (!x.empty()) props->SetXPos(TwipsToPixels(ReadInteger(x)));
    const String y = pos->GetAttribute(u"w:tblpY");
    if (!y.empty()) props->SetYPos(TwipsToPixels(ReadInteger(y)));
  });
  GuardedStep(FWarnings, "table width", [&] {
    const TXmlNode* width = Child(e, u"w:tblW");
    if (width == nullptr) return;
    int32_t value = props->GetTableWidth();
    TvnWidthType type = props->GetWidthType();
    ReadWidth(width, true, value, type);
    props->SetTableWidth(value);
    props->SetWidthType(type);
  });
  GuardedStep(FWarnings, "table indent", [&] {
    const String indent = Attr(Child(e, u"w:tblInd"), u"w:w");
    if (!indent.empty()) props->SetIndent(TwipsToPixels(ReadInteger(indent)));
  });
  const TXmlNode* style = Child(e, u"w:tblStyle");
  if (style != nullptr) props->SetStyleID(style->GetAttribute(u"w:val"));
  ReadBorderTable(Child(e, u"w:tblBorders"), props->GetBorders());
  ReadTableLook(Child(e, u"w:tblLook"), *props);
  const TXmlNode* margins = Child(e, u"w:tblCellMar");
  if (margins != nullptr) props->SetMargins(ReadMargins(margins));
  const String fill = Attr(Child(e, u"w:shd"), u"w:fill");
  if (fill == u"auto") {
    props->SetFillColor(TvnRGBColor{255, 255, 255});
  } else if (!fill.empty()) {
    props->SetFillColor(ParseHexColor(fill));
  }
  return props;
}

void TvnDOCXHelperFunctions::ReadTableLook(const TXmlNode* ALook, TvnTableProperties& AProperties) {
  if (ALook == nullptr) return;
  auto& look = AProperties.GetLook();
  const auto flag = [&](StringView AName, std::initializer_list<TvnTableRegions> ARegions, bool AInverted) {
    if (!ALook->HasAttribute(AName)) return;
    const bool on = ParseOnOff(ALook->GetAttribute(AName), false) != AInverted;
    for (TvnTableRegions region : ARegions) look[region] = on;
  };
  flag(u"w:firstRow", {TvnTableRegions::trFirstRow}, false);
  flag(u"w:firstColumn", {TvnTableRegions::trFirstColumn}, false);
  flag(u"w:lastRow", {TvnTableRegions::trLastRow}, false);
  flag(u"w:lastColumn", {TvnTableRegions::trLastColumn}, false);
  flag(u"w:noVBand", {TvnTableRegions::trBandedColumns, TvnTableRegions::trEvenColumnBanding}, true);
  flag(u"w:noHBand", {TvnTableRegions::trBandedRows, TvnTableRegions::trEvenRowBanding}, true);
}

std::shared_ptr<TvnTableRowProperties> TvnDOCXHelperFunctions::GetRowProperties(const TXmlNode* ARowPrElement) {
  if (ARowPrElement == nullptr) return nullptr;
  const TXmlNode* e = ARowPrElement;
  auto props = std::make_shared<TvnTableRowProperties>();
  GuardedStep(FWarnings, "row height", [&] {
    const TXmlNode* height = Child(e, u"w:trHeight");
    if (height == nullptr) return;
    const String value = height->GetAttribute(u"w:val");
    if (!value.empty()) props->SetHeight(ReadInteger(value));
    props->SetHeightSpacingRule(TvnSpacingRule::srAtleast);
    const String rule = height->GetAttribute(u"w:hRule");
    if (rule == u"auto") props->SetHeightSpacingRule(TvnSpacingRule::srAuto);
    if (rule == u"exact") props->SetHeightSpacingRule(TvnSpacingRule::srExact);
  });
  const String jc = ChildVal(e, u"w:jc");
  if (jc == u"center") props->SetTableRowAlignment(TvnHAlignment::haCenter);
  if (jc == u"start") props->SetTableRowAlignment(TvnHAlignment::haLeft);
  if (jc == u"end") props->SetTableRowAlignment(TvnHAlignment::haRight);
  GuardedStep(FWarnings, "row grid", [&] {
    const String after = ChildVal(e, u"w:gridAfter");
    if (!after.empty()) props->SetGridAfter(ReadInteger(after));
    const String before = ChildVal(e, u"w:gridBefore");
    if (!before.empty()) props->SetGridBefore(ReadInteger(before));
  });
  GuardedStep(FWarnings, "cell spacing", [&] {
    const TXmlNode* spacing = Child(e, u"w:tblCellSpacing");
    if (spacing == nullptr) return;
    int32_t value = props->GetCellSpacing();
    TvnWidthType type = props->GetCellSpacingRule();
    ReadWidth(spacing, false, value, type);
    props->SetCellSpacing(value);
    props->SetCellSpacingRule(type);
  });
  if (OnOffChild(e, u"w:tblHeader")) props->SetIsHeader(true);
  ReadTableRegions(Child(e, u"w:cnfStyle"), props->GetCNFStyles());
  if (OnOffChild(e, u"w:cantSplit")) props->SetCantSplit(true);
  return props;
}

std::shared_ptr<TvnTableCellProperties> TvnDOCXHelperFunctions::GetCellProperties(const TXmlNode* ACellPrElement) {
  if (ACellPrElement == nullptr) return nullptr;
  const TXmlNode* e = ACellPrElement;
  auto props = std::make_shared<TvnTableCellProperties>();
  const String valign = ChildVal(e, u"w:vAlign");
  if (valign == u"top") props->SetCellVerticalAlignment(TvnVAlignment::vaTop);
  if (valign == u"center") props->SetCellVerticalAlignment(TvnVAlignment::vaCenter);
  if (valign == u"bottom") props->SetCellVerticalAlignment(TvnVAlignment::vaBottom);
  if (valign == u"both") props->SetCellVerticalAlignment(TvnVAlignment::vaBoth);
  GuardedStep(FWarnings, "cell grid span", [&] {
    const String span = ChildVal(e, u"w:gridSpan");
    if (!span.empty()) props->SetGridSpan(ReadInteger(span));
  });
  GuardedStep(FWarnings, "cell width", [&] {
    const TXmlNode* width = Child(e, u"w:tcW");
    if (width == nullptr) return;
    int32_t value = props->GetWidth();
    TvnWidthType type = props->GetWidthType();
    ReadWidth(width, false, value, type);
    props->SetWidth(value);
    props->SetWidthType(type);
  });
  const TXmlNode* fit = Child(e, u"w:tcFitText");
  if (fit != nullptr) {
    const String value = fit->GetAttribute(u"w:val");
    props->SetFitWidth(value.empty() || ParseOnOff(value, false));
  }
  const String direction = ChildVal(e, u"w:textDirection");
  if (direction == u"lr") props->SetTextDirection(TvnTextDirection::tdLeftToRight);
  if (direction == u"lrV") props->SetTextDirection(TvnTextDirection::tdLeftToRightRotated);
  if (direction == u"rl") props->SetTextDirection(TvnTextDirection::tdRightToLeft);
  if (direction == u"rlV") props->SetTextDirection(TvnTextDirection::tdRightToLeftRotated);
  if (direction == u"tb") props->SetTextDirection(TvnTextDirection::tdTopToBottom);
  if (direction == u"tbV") props->SetTextDirection(TvnTextDirection::tdTopToBottomRotated);
  if (OnOffChild(e, u"w:noWrap")) props->SetNowrap(true);
  ReadTableRegions(Child(e, u"w:cnfStyle"), props->GetCNFStyles());
  const TXmlNode* shading = Child(e, u"w:shd");
  if (shading != nullptr) {
    const String fill = shading->GetAttribute(u"w:fill");
    if (fill == u"auto") {
      props->SetFillColor(TvnRGBColor{255, 255, 255});
    } else if (!fill.empty()) {
      props->SetFillColor(ParseHexColor(fill));
    }
    // A percentage pattern shows its foreground colour.
    const String color = shading->GetAttribute(u"w:color");
    if (shading->GetAttribute(u"w:val").find(u"pct") != String::npos && !color.empty()) {
      props->SetFillColor(ColorOrAutoBlack(color));
    }
  }
  ReadBorderTable(Child(e, u"w:tcBorders"), props->GetBorders());
  const TXmlNode* margins = Child(e, u"w:tcMar");
  if (margins != nullptr) props->SetCellMargins(ReadMargins(margins));
  const TXmlNode* merge = Child(e, u"w:vMerge");
  if (merge != nullptr) {
    const String value = merge->GetAttribute(u"w:val");
    if (value.empty() || value == u"continue") {
      props->SetVMergeCells(TvnMergeCellsOption::mcoContinue);
    } else if (value == u"restart") {
      props->SetVMergeCells(TvnMergeCellsOption::mcoRestart);
    } else {
      props->SetVMergeCells(TvnMergeCellsOption::mcoNone);
    }
  }
  return props;
}

// ---------------------------------------------------------------------------
// Node collectors

TXmlNodeRefs TvnDOCXHelperFunctions::GetElements(const TXmlNode* AElement, StringView ATag) {
  TXmlNodeRefs found;
  if (AElement == nullptr) return found;
  for (TXmlNode* child : AElement->ChildNodes) {
    if (child->NodeType == ooxml::TXmlNodeType::ntElement && child->Name == ATag) found.push_back(child);
  }
  return found;
}

namespace {

bool NameIn(const TXmlNode* ANode, std::initializer_list<StringView> AKeyWords) {
  if (AKeyWords.size() == 0) return true;
  for (StringView key : AKeyWords) {
    if (ANode->Name == key) return true;
  }
  return false;
}

// Collects in document order without recursion, so that deep trees cost no
// stack.
void CollectElements(const TXmlNode* ARoot, std::initializer_list<StringView> AKeyWords, bool ADescendIntoMatches,
                     TXmlNodeRefs& AReturnList) {
  if (ARoot == nullptr) return;
  std::vector<const TXmlNode*> stack{ARoot};
  while (!stack.empty()) {
    const TXmlNode* node = stack.back();
    stack.pop_back();
    bool descend = true;
    if (node->NodeType == ooxml::TXmlNodeType::ntElement && NameIn(node, AKeyWords)) {
      AReturnList.push_back(const_cast<TXmlNode*>(node));
      descend = ADescendIntoMatches;
    }
    if (!descend) continue;
    const auto& children = node->ChildNodes;
    for (int i = children.Count() - 1; i >= 0; --i) {
      const TXmlNode* child = children.Get(i);
      if (child->NodeType == ooxml::TXmlNodeType::ntElement) stack.push_back(child);
    }
  }
}

}  // namespace

void TvnDOCXHelperFunctions::GetDescendants(const TXmlNode* AXMLNode, std::initializer_list<StringView> AKeyWords,
                                            TXmlNodeRefs& AReturnList) {
  CollectElements(AXMLNode, AKeyWords, true, AReturnList);
}

void TvnDOCXHelperFunctions::GetNodes(const TXmlNode* AXMLNode, std::initializer_list<StringView> AKeyWords,
                                      TXmlNodeRefs& AReturnList) {
  CollectElements(AXMLNode, AKeyWords, false, AReturnList);
}

}  // namespace vn::docx
