// The styles part (document defaults, styles, table styles with their
// conditional formatting) and the numbering part (abstract definitions,
// concrete lists with level overrides).
#include <string>
#include <utility>

#include "docx/docx_parser.h"
#include "docx/well_formed_xml.h"
#include "runtime/exceptions.h"
#include "runtime/hex.h"
#include "runtime/numbers.h"

namespace vn::docx {

using wordmodel::TvnConditionalTableStyle;
using wordmodel::TvnHAlignment;
using wordmodel::TvnNumDefType;
using wordmodel::TvnNumFmt;
using wordmodel::TvnNumType;
using wordmodel::TvnStyleType;
using wordmodel::TvnTableRegions;
using wordmodel::TvnTableStyle;

namespace {

const TXmlNode* StyleChild(const TXmlNode* AElement, StringView AName) {
  TXmlNode* found = nullptr;
  if (AElement != nullptr) AElement->FindChild(AName, found);
  return found;
}

// The "w:val" of the first child named AName; empty when there is none.
String StyleChildValue(const TXmlNode* AElement, StringView AName) {
  const TXmlNode* child = StyleChild(AElement, AName);
  return child != nullptr ? child->GetAttribute(u"w:val") : String();
}

struct RegionName {
  StringView Name;
  TvnTableRegions Region;
};

constexpr RegionName kRegionNames[] = {
    {u"wholeTable", TvnTableRegions::trWholeTable},
    {u"band1Horz", TvnTableRegions::trBandedRows},
    {u"band2Horz", TvnTableRegions::trEvenRowBanding},
    {u"band1Vert", TvnTableRegions::trBandedColumns},
    {u"band2Vert", TvnTableRegions::trEvenColumnBanding},
    {u"firstRow", TvnTableRegions::trFirstRow},
    {u"lastRow", TvnTableRegions::trLastRow},
    {u"firstCol", TvnTableRegions::trFirstColumn},
    {u"lastCol", TvnTableRegions::trLastColumn},
    {u"nwCell", TvnTableRegions::trTopLeft},
    {u"neCell", TvnTableRegions::trTopRight},
    {u"swCell", TvnTableRegions::trBottomLeft},
    {u"seCell", TvnTableRegions::trBottomRight},
};

struct NumFmtName {
  StringView Name;
  TvnNumFmt Format;
};

constexpr NumFmtName kNumFmtNames[] = {
    {u"bullet", TvnNumFmt::nfBullet},
    {u"decimal", TvnNumFmt::nfDecimal},
    {u"lowerLetter", TvnNumFmt::nfLowerLetter},
    {u"upperLetter", TvnNumFmt::nfUpperLetter},
    {u"lowerRoman", TvnNumFmt::nfLowerRoman},
    {u"upperRoman", TvnNumFmt::nfUpperRoman},
    {u"cardinalText", TvnNumFmt::nfCardinalText},
};

// A level text that is a character reference still written out ("&#xF0B7;")
// is the one character it names; anything else is kept as written.
String LevelTextOf(const String& AValue) {
  if (AValue.size() < 5 || AValue.compare(0, 3, u"&#x") != 0) return AValue;
  const size_t semicolon = AValue.find(u';');
  if (semicolon != AValue.size() - 1 || semicolon == 3) return AValue;
  uint32_t code = 0;
  for (size_t i = 3; i < semicolon; ++i) {
    const int digit = vn::HexDigitValue(AValue[i]);
    if (digit < 0 || code > 0x10FFFF) return AValue;
    code = code * 16 + static_cast<uint32_t>(digit);
  }
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return AValue;
  String result;
  if (code < 0x10000) {
    result.push_back(static_cast<char16_t>(code));
  } else {
    code -= 0x10000;
    result.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    result.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  }
  return result;
}

// The level's own number placeholder ("%1" for the first level) removed:
// a level whose format is "none" shows its text without a number.
String WithoutOwnNumber(const String& AText, int32_t ALevelValue) {
  if (ALevelValue < 0 || ALevelValue > 8) return AText;
  const String placeholder{u'%', static_cast<char16_t>(u'1' + ALevelValue)};
  String result = AText;
  for (size_t at = result.find(placeholder); at != String::npos; at = result.find(placeholder, at)) {
    result.erase(at, placeholder.size());
  }
  return result;
}

void NumberingWarn(const TvnDOCXHelperFunctions& AHelper, const std::string& AMessage) {
  if (AHelper.Warnings() != nullptr) AHelper.Warnings()->Report({.message = AMessage});
}

}  // namespace

// ---------------------------------------------------------------------------
// Styles

TvnDOCXStyleParser::TvnDOCXStyleParser(TvnDOCXParser* ADocParser, TvnDocumentMediator* AMediator)
    : FParser(ADocParser),
      FPackage(ADocParser != nullptr ? ADocParser->Package() : nullptr),
      FMediator(AMediator),
      FHelperFunction(
          std::make_unique<TvnDOCXHelperFunctions>(ADocParser != nullptr ? ADocParser->Warnings() : nullptr)) {
  if (FPackage != nullptr) FStream = FPackage->GetStyleStream();
  FStyleDoc = ParseWellFormedPart(FStream.get());
}

std::shared_ptr<TvnParagraphProperties> TvnDOCXStyleParser::GetDocDefaultParagraphStyle() {
  const TXmlNode* root = FStyleDoc != nullptr ? FStyleDoc->DocumentElement() : nullptr;
  const TXmlNode* pPr = StyleChild(StyleChild(StyleChild(root, u"w:docDefaults"), u"w:pPrDefault"), u"w:pPr");
  FDefaultParaProperties = pPr != nullptr ? FHelperFunction->GetParagraphProperties(pPr, FMediator) : nullptr;
  return FDefaultParaProperties;
}

std::shared_ptr<TvnRunProperties> TvnDOCXStyleParser::GetDocDefaultRunStyle() {
  const TXmlNode* root = FStyleDoc != nullptr ? FStyleDoc->DocumentElement() : nullptr;
  const TXmlNode* rPr = StyleChild(StyleChild(StyleChild(root, u"w:docDefaults"), u"w:rPrDefault"), u"w:rPr");
  FDefaultRunProperties = rPr != nullptr ? FHelperFunction->GetRunProperties(rPr, FMediator) : nullptr;
  return FDefaultRunProperties;
}

TvnStyleList TvnDOCXStyleParser::GetEnumerator() {
  TvnStyleList styles;
  const TXmlNode* root = FStyleDoc != nullptr ? FStyleDoc->DocumentElement() : nullptr;
  for (const TXmlNode* element : TvnDOCXHelperFunctions::GetElements(root, u"w:style")) {
    const String type = element->GetAttribute(u"w:type");
    if (type == u"paragraph" || type == u"character" || type == u"numbering") {
      styles.push_back(ReadStyle(element));
    } else if (type == u"table") {
      styles.push_back(ReadTableStyle(element));
    }
  }
  return styles;
}

void TvnDOCXStyleParser::ReadCommonStyleFields(const TXmlNode* AStyleElement, TvnStyle& AStyle) {
  String id = AStyleElement->GetAttribute(u"w:styleId");
  AStyle.SetStyleID(id.empty() ? String(u"Normal") : id);
  // "w:default" is an on/off value: "0" and "false" do not make a default.
  const String is_default = AStyleElement->GetAttribute(u"w:default");
  AStyle.SetDefaultStyle(!is_default.empty() && ParseOnOff(is_default, true));
  const String type = AStyleElement->GetAttribute(u"w:type");
  if (type == u"paragraph") AStyle.SetStyleType(TvnStyleType::stParagraph);
  if (type == u"character") AStyle.SetStyleType(TvnStyleType::stCharecter);
  if (type == u"numbering") AStyle.SetStyleType(TvnStyleType::stNumbering);
  if (type == u"table") AStyle.SetStyleType(TvnStyleType::stTable);
  AStyle.SetBasedOn(StyleChildValue(AStyleElement, u"w:basedOn"));
  AStyle.SetStyleName(StyleChildValue(AStyleElement, u"w:name"));
  AStyle.SetNext(StyleChildValue(AStyleElement, u"w:next"));
  AStyle.SetLink(StyleChildValue(AStyleElement, u"w:link"));
  if (const TXmlNode* pPr = StyleChild(AStyleElement, u"w:pPr")) {
    AStyle.SetParagraphProperties(FHelperFunction->GetParagraphProperties(pPr, FMediator));
  }
  if (const TXmlNode* rPr = StyleChild(AStyleElement, u"w:rPr")) {
    AStyle.SetRunProperties(FHelperFunction->GetRunProperties(rPr, FMediator));
  }
}

std::unique_ptr<TvnStyle> TvnDOCXStyleParser::ReadStyle(const TXmlNode* AStyleElement) {
  auto style = std::make_unique<TvnStyle>();
  ReadCommonStyleFields(AStyleElement, *style);
  return style;
}

std::unique_ptr<TvnTableStyle> TvnDOCXStyleParser::ReadTableStyle(const TXmlNode* AStyleElement) {
  auto style = std::make_unique<TvnTableStyle>();
  ReadCommonStyleFields(AStyleElement, *style);
  if (const TXmlNode* tblPr = StyleChild(AStyleElement, u"w:tblPr")) {
    style->SetTableProperties(FHelperFunction->GetTableProperties(tblPr));
  }
  if (const TXmlNode* tcPr = StyleChild(AStyleElement, u"w:tcPr")) {
    style->SetTableCellProperties(FHelperFunction->GetCellProperties(tcPr));
  }
  TXmlNodeRefs conditionals;
  TvnDOCXHelperFunctions::GetDescendants(AStyleElement, {u"w:tblStylePr"}, conditionals);
  for (const TXmlNode* element : conditionals) {
    const String type = element->GetAttribute(u"w:type");
    for (const RegionName& entry : kRegionNames) {
      if (type != entry.Name) continue;
      // A later one for the same region replaces the earlier.
      style->GetConditionalStyles()[entry.Region] = ReadConditionalStyle(element);
      break;
    }
  }
  return style;
}

std::shared_ptr<TvnConditionalTableStyle> TvnDOCXStyleParser::ReadConditionalStyle(const TXmlNode* AElement) {
  auto conditional = std::make_shared<TvnConditionalTableStyle>();
  if (const TXmlNode* pPr = StyleChild(AElement, u"w:pPr")) {
    conditional->SetParagraphProperties(FHelperFunction->GetParagraphProperties(pPr, FMediator));
  }
  if (const TXmlNode* rPr = StyleChild(AElement, u"w:rPr")) {
    conditional->SetRunProperties(FHelperFunction->GetRunProperties(rPr, FMediator));
  }
  if (const TXmlNode* tblPr = StyleChild(AElement, u"w:tblPr")) {
    conditional->SetTableProperties(FHelperFunction->GetTableProperties(tblPr));
  }
  if (const TXmlNode* trPr = StyleChild(AElement, u"w:trPr")) {
    conditional->SetTableRowProperties(FHelperFunction->GetRowProperties(trPr));
  }
  if (const TXmlNode* tcPr = StyleChild(AElement, u"w:tcPr")) {
    conditional->SetTableCellProperties(FHelperFunction->GetCellProperties(tcPr));
  }
  return conditional;
}

// ---------------------------------------------------------------------------
// Numbering

TvnDOCXNumberParser::TvnDOCXNumberParser(TvnDOCXParser* AParser, TvnDocumentMediator* AMediator,
                                         TvnDOCXPackage* APackage)
    : FParser(AParser),
      FPackage(APackage),
      FMediator(AMediator),
      FHelperFunction(std::make_unique<TvnDOCXHelperFunctions>(AParser != nullptr ? AParser->Warnings() : nullptr)) {
  if (FPackage != nullptr) FStream = FPackage->GetNumberingStream();
  FNumberingDoc = ParseWellFormedPart(FStream.get());
}

TvnNumberList TvnDOCXNumberParser::GetEnumerator() {
  const TXmlNode* root = FNumberingDoc != nullptr ? FNumberingDoc->DocumentElement() : nullptr;
  if (root == nullptr || FMediator == nullptr) return {};
  auto add = [this](wordmodel::TvnNumberMap& AMap, std::unique_ptr<TvnNumber> ANumber, const char* AKind) {
    if (!ANumber) return;
    const int32_t id = ANumber->GetNumberID();
    // A repeated identifier keeps the first definition: the load goes on.
    if (!AMap.emplace(id, std::move(ANumber)).second) {
      NumberingWarn(*FHelperFunction, std::string(AKind) + " numbering definition " + std::to_string(id) +
                                          " repeated; the first is kept");
    }
  };
  // Every abstract definition first: level overrides copy abstract levels.
  for (const TXmlNode* element : TvnDOCXHelperFunctions::GetElements(root, u"w:abstractNum")) {
    add(FMediator->GetAbstractNumbers(), ReadAbstractNumber(element), "abstract");
  }
  for (const TXmlNode* element : TvnDOCXHelperFunctions::GetElements(root, u"w:num")) {
    add(FMediator->GetConcreteNumbers(), ReadConcreteNumber(element), "concrete");
  }
  return {};
}

TvnNumberList TvnDOCXNumberParser::AbstractNumbers() {
  TvnNumberList numbers;
  const TXmlNode* root = FNumberingDoc != nullptr ? FNumberingDoc->DocumentElement() : nullptr;
  for (const TXmlNode* element : TvnDOCXHelperFunctions::GetElements(root, u"w:abstractNum")) {
    if (auto number = ReadAbstractNumber(element)) numbers.push_back(std::move(number));
  }
  return numbers;
}

TvnNumberList TvnDOCXNumberParser::ConcreteNumbers() {
  TvnNumberList numbers;
  const TXmlNode* root = FNumberingDoc != nullptr ? FNumberingDoc->DocumentElement() : nullptr;
  for (const TXmlNode* element : TvnDOCXHelperFunctions::GetElements(root, u"w:num")) {
    if (auto number = ReadConcreteNumber(element)) numbers.push_back(std::move(number));
  }
  return numbers;
}

std::unique_ptr<TvnNumber> TvnDOCXNumberParser::ReadAbstractNumber(const TXmlNode* AElement) {
  try {
    const String id = AElement->GetAttribute(u"w:abstractNumId");
    auto number = std::make_unique<TvnNumber>(id.empty() ? wordmodel::kNoReference : ReadInteger(id));
    number->SetNumberType(TvnNumType::ntAbstract);
    const String multi_level = StyleChildValue(AElement, u"w:multiLevelType");
    if (multi_level == u"hybridMultilevel") number->SetNumberDefinitionType(TvnNumDefType::ndtHybridMultilevel);
    if (multi_level == u"singleLevel") number->SetNumberDefinitionType(TvnNumDefType::ndtSingleLevel);
    if (multi_level == u"multilevel") number->SetNumberDefinitionType(TvnNumDefType::ndtMultilevel);
    const String style_link = StyleChildValue(AElement, u"w:numStyleLink");
    if (!style_link.empty() && FMediator != nullptr && FMediator->GetWordStyles() != nullptr) {
      const auto& numbering_styles = FMediator->GetWordStyles()->GetNumrStyles();
      const auto found = numbering_styles.find(style_link);
      if (found != numbering_styles.end()) number->SetLinkedStyle(found->second);
    }
    for (const TXmlNode* level_element : TvnDOCXHelperFunctions::GetElements(AElement, u"w:lvl")) {
      if (auto level = ReadLevel(level_element)) {
        const int32_t index = level->GetLevelValue();
        number->AddNumberingLevel(index, std::move(level));
      }
    }
    return number;
  } catch (const vn::Exception& error) {
    NumberingWarn(*FHelperFunction, std::string("abstract numbering definition dropped: ") + error.what());
    return nullptr;
  }
}

void TvnDOCXNumberParser::ReadLevelInto(const TXmlNode* ALevelElement, TvnNumberLevel& ALevel, bool AOverride) {
  if (ALevelElement->HasAttribute(u"w:ilvl")) ALevel.SetLevelValue(ReadInteger(ALevelElement->GetAttribute(u"w:ilvl")));
  if (const TXmlNode* start = StyleChild(ALevelElement, u"w:start")) {
    ALevel.SetStartValue(ReadInteger(start->GetAttribute(u"w:val")));
  }
  if (!AOverride) {
    if (const TXmlNode* style = StyleChild(ALevelElement, u"w:pStyle"))
      ALevel.SetStyleID(style->GetAttribute(u"w:val"));
  }
  if (const TXmlNode* jc = StyleChild(ALevelElement, u"w:lvlJc")) {
    const String value = jc->GetAttribute(u"w:val");
    if (value == u"both" || value == u"distribute" || value == u"numTab")
      ALevel.SetHAlignment(TvnHAlignment::haJustify);
    if (value == u"center") ALevel.SetHAlignment(TvnHAlignment::haCenter);
    if (value == u"end" || value == u"right") ALevel.SetHAlignment(TvnHAlignment::haRight);
    if (value == u"start" || value == u"left") ALevel.SetHAlignment(TvnHAlignment::haLeft);
  }
  bool no_number = false;
  if (const TXmlNode* format = StyleChild(ALevelElement, u"w:numFmt")) {
    const String value = format->GetAttribute(u"w:val");
    ALevel.SetNumberFormat(TvnNumFmt::nfDecimal);
    for (const NumFmtName& entry : kNumFmtNames) {
      if (value == entry.Name) ALevel.SetNumberFormat(entry.Format);
    }
    no_number = value == u"none";
  }
  if (const TXmlNode* text = StyleChild(ALevelElement, u"w:lvlText")) {
    const String value = text->GetAttribute(u"w:val");
    if (!value.empty()) ALevel.SetLevelText(LevelTextOf(value));
  }
  // The model has no format without a number: such a level keeps the
  // decimal format, and its text loses the placeholder of its own number.
  if (no_number) ALevel.SetLevelText(WithoutOwnNumber(ALevel.GetLevelText(), ALevel.GetLevelValue()));
  if (!AOverride && StyleChild(ALevelElement, u"w:lvlPicBulletId") != nullptr) ALevel.SetLevelText(String());
  if (const TXmlNode* rPr = StyleChild(ALevelElement, u"w:rPr")) {
    ALevel.SetRunProperties(FHelperFunction->GetRunProperties(rPr, FMediator));
  }
  if (const TXmlNode* pPr = StyleChild(ALevelElement, u"w:pPr")) {
    ALevel.SetParagraphProperties(FHelperFunction->GetParagraphProperties(pPr, FMediator));
  }
}

std::unique_ptr<TvnNumberLevel> TvnDOCXNumberParser::ReadLevel(const TXmlNode* ALevelElement) {
  auto level = std::make_unique<TvnNumberLevel>();
  try {
    ReadLevelInto(ALevelElement, *level, false);
  } catch (const vn::Exception& error) {
    NumberingWarn(*FHelperFunction, std::string("numbering level dropped: ") + error.what());
    return nullptr;
  }
  return level;
}

std::unique_ptr<TvnNumber> TvnDOCXNumberParser::ReadConcreteNumber(const TXmlNode* AElement) {
  try {
    const String id = AElement->GetAttribute(u"w:numId");
    auto number = std::make_unique<TvnNumber>(id.empty() ? wordmodel::kNoReference : ReadInteger(id));
    number->SetNumberType(TvnNumType::ntConcrete);
    int32_t abstract_id = 0;
    if (const TXmlNode* abstract = StyleChild(AElement, u"w:abstractNumId")) {
      const String value = abstract->GetAttribute(u"w:val");
      abstract_id = value.empty() ? 0 : ReadInteger(value);
      number->SetDependentID(abstract_id);
    }
    for (const TXmlNode* override_element : TvnDOCXHelperFunctions::GetElements(AElement, u"w:lvlOverride")) {
      const TXmlNode* level_element = StyleChild(override_element, u"w:lvl");
      if (level_element == nullptr) continue;
      const String ilvl = level_element->GetAttribute(u"w:ilvl");
      const int32_t index = ilvl.empty() ? 0 : ReadInteger(ilvl);
      const TvnNumber* abstract = FMediator != nullptr ? FMediator->FindAbstractNumber(abstract_id) : nullptr;
      if (abstract == nullptr) {
        throw vn::EListError("level override of abstract numbering definition " + std::to_string(abstract_id) +
                             ", which is not defined");
      }
      const TvnNumberLevel* base = abstract->GetNumberingLevel(index);
      if (base == nullptr) continue;
      std::unique_ptr<TvnNumberLevel> copy = base->Clone();
      try {
        ReadLevelInto(level_element, *copy, true);
      } catch (const vn::Exception&) {
        // The copy keeps what the override changed before the bad value.
      }
      number->AddNumberingLevel(index, std::move(copy));
    }
    return number;
  } catch (const vn::Exception& error) {
    NumberingWarn(*FHelperFunction, std::string("numbering definition dropped: ") + error.what());
    return nullptr;
  }
}

}  // namespace vn::docx
