// The sections of the main document: page size, margins, borders, section
// type, text columns, and the headers and footers each section shows, built
// from their own parts or carried over from the section before.
#include <algorithm>
#include <string>
#include <utility>

#include "docx/docx_parser.h"
#include "docx/well_formed_xml.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"

namespace vn::docx {

using wordmodel::TvnHeaderFooterElement;
using wordmodel::TvnOrientation;
using wordmodel::TvnPageBorder;
using wordmodel::TvnPageBorderDisplay;
using wordmodel::TvnPageBorderOffsetFrom;
using wordmodel::TvnPageBorderZOrder;
using wordmodel::TvnPageMargins;
using wordmodel::TvnSectionType;
using wordmodel::TvnWordColumn;

namespace {

// The gap between text columns when "w:cols" gives none: half an inch.
constexpr int32_t kDefaultColumnSpaceTwips = 720;

const TXmlNode* SectionChild(const TXmlNode* AElement, StringView AName) {
  TXmlNode* found = nullptr;
  if (AElement != nullptr) AElement->FindChild(AName, found);
  return found;
}

bool SectionEndsWith(StringView AText, StringView ASuffix) {
  return AText.size() >= ASuffix.size() && AText.substr(AText.size() - ASuffix.size()) == ASuffix;
}

// Whether the node records an earlier state inside a revision
// ("w:sectPrChange", "w:pPrChange" ...): such section properties are not a
// section of the document.
bool InsideRevision(const TXmlNode* ANode) {
  for (const TXmlNode* up = ANode->Parent; up != nullptr && up != up->Parent; up = up->Parent) {
    if (SectionEndsWith(up->Name, u"Change")) return true;
  }
  return false;
}

// Twips of an attribute to pixels; ADefault when the attribute is absent.
int32_t TwipsAttribute(const TXmlNode* AElement, StringView AName, int32_t ADefault) {
  const String value = AElement->GetAttribute(AName);
  return value.empty() ? ADefault : TwipsToPixels(ReadInteger(value));
}

// The header (or footer) of a kind: 0 first page, 1 even pages, 2 default.
// A new section has all six, empty.
TvnHeaderFooterElement* SlotOf(const TvnSection& ASection, bool AFooter, int AKind) {
  using Getter = TvnHeaderFooterElement* (*)(const TvnSection&);
  static constexpr Getter kHeaders[] = {
      [](const TvnSection& S) -> TvnHeaderFooterElement* { return S.GetFirstPageHeader(); },
      [](const TvnSection& S) -> TvnHeaderFooterElement* { return S.GetEvenPageHeader(); },
      [](const TvnSection& S) -> TvnHeaderFooterElement* { return S.GetDefaultPageHeader(); },
  };
  static constexpr Getter kFooters[] = {
      [](const TvnSection& S) -> TvnHeaderFooterElement* { return S.GetFirstPageFooter(); },
      [](const TvnSection& S) -> TvnHeaderFooterElement* { return S.GetEvenPageFooter(); },
      [](const TvnSection& S) -> TvnHeaderFooterElement* { return S.GetDefaultPageFooter(); },
  };
  return (AFooter ? kFooters : kHeaders)[AKind](ASection);
}

}  // namespace

std::optional<std::vector<TvnSection*>> TvnDOCXMainDocumentParser::Sections() {
  std::vector<TvnSection*> sections;
  std::unique_ptr<ooxml::TXmlVerySimple> document = ParseMainDocument();
  if (document) {
    TXmlNodeRefs nodes;
    TvnDOCXHelperFunctions::GetDescendants(document->DocumentElement(), {u"w:sectPr"}, nodes);
    const TvnSection* previous = nullptr;
    for (const TXmlNode* node : nodes) {
      // Properties recorded inside a revision are the section's earlier
      // state, not a section: counting them would put the sections out of
      // step with the paragraphs that end them.
      if (InsideRevision(node)) continue;
      std::unique_ptr<TvnSection> section = ReadSection(node, previous);
      previous = section.get();
      sections.push_back(section.get());
      FList.push_back(std::move(section));
    }
  }
  if (sections.empty()) {
    auto section = std::make_unique<TvnSection>();
    if (FMediator != nullptr) section->SetIsEvenOddHeaders(FMediator->GetEvenOddHeaders());
    sections.push_back(section.get());
    FList.push_back(std::move(section));
  }
  return sections;
}

std::unique_ptr<TvnSection> TvnDOCXMainDocumentParser::ReadSection(const TXmlNode* ANode,
                                                                   const TvnSection* APreviousSection) {
  if (ANode == nullptr) return nullptr;
  auto section = std::make_unique<TvnSection>();
  if (FMediator != nullptr) section->SetIsEvenOddHeaders(FMediator->GetEvenOddHeaders());

  if (const TXmlNode* borders = SectionChild(ANode, u"w:pgBorders")) {
    auto border = std::make_unique<TvnPageBorder>();
    const String display = borders->GetAttribute(u"w:display");
    if (display == u"allPages") border->SetPageBorderDisplay(TvnPageBorderDisplay::pbdAllPages);
    if (display == u"firstPage") border->SetPageBorderDisplay(TvnPageBorderDisplay::pbdFirstPage);
    if (display == u"notFirstPage") border->SetPageBorderDisplay(TvnPageBorderDisplay::pbdNotFirstPage);
    const String offset = borders->GetAttribute(u"w:offsetFrom");
    if (offset == u"page") border->SetPageBorderOffsetFrom(TvnPageBorderOffsetFrom::pbofPage);
    if (offset == u"text") border->SetPageBorderOffsetFrom(TvnPageBorderOffsetFrom::pbofText);
    const String z_order = borders->GetAttribute(u"w:zOrder");
    if (z_order == u"back") border->SetZOrder(TvnPageBorderZOrder::pbzBack);
    if (z_order == u"front") border->SetZOrder(TvnPageBorderZOrder::pbzFront);
    border->SetTop(FHelperFunctions->GetBorder(SectionChild(borders, u"w:top")));
    border->SetBottom(FHelperFunctions->GetBorder(SectionChild(borders, u"w:bottom")));
    border->SetLeft(FHelperFunctions->GetBorder(SectionChild(borders, u"w:left")));
    border->SetRight(FHelperFunctions->GetBorder(SectionChild(borders, u"w:right")));
    section->SetPageBorder(std::move(border));
  }

  if (const TXmlNode* type = SectionChild(ANode, u"w:type")) {
    const String value = type->GetAttribute(u"w:val");
    if (value == u"continuous") section->SetSectionType(TvnSectionType::stContinuous);
    if (value == u"evenPage") section->SetSectionType(TvnSectionType::stEvenPageSection);
    if (value == u"oddPage") section->SetSectionType(TvnSectionType::stOddPageSection);
    if (value == u"nextColumn") section->SetSectionType(TvnSectionType::stColumnSection);
  }

  // Page size and margins: a value that is not a number ends its step.
  if (const TXmlNode* size = SectionChild(ANode, u"w:pgSz")) {
    try {
      section->SetPageHeight(TwipsAttribute(size, u"w:h", section->GetPageHeight()));
      section->SetPageWidth(TwipsAttribute(size, u"w:w", section->GetPageWidth()));
      const String orient = size->GetAttribute(u"w:orient");
      if (orient == u"landscape") section->SetOrientation(TvnOrientation::oLandscape);
      if (orient == u"portrait") section->SetOrientation(TvnOrientation::oPortrait);
    } catch (const vn::Exception& error) {
      if (FParser != nullptr) FParser->Warn(std::string("page size read up to a bad value: ") + error.what());
    }
  }
  if (const TXmlNode* margins = SectionChild(ANode, u"w:pgMar")) {
    TvnPageMargins* target = section->GetPageMargin();
    if (target == nullptr) {
      section->SetPageMargin(std::make_unique<TvnPageMargins>());
      target = section->GetPageMargin();
    }
    try {
      target->SetBottom(TwipsAttribute(margins, u"w:bottom", target->GetBottom()));
      target->SetLeft(TwipsAttribute(margins, u"w:left", target->GetLeft()));
      target->SetRight(TwipsAttribute(margins, u"w:right", target->GetRight()));
      target->SetTop(TwipsAttribute(margins, u"w:top", target->GetTop()));
      target->SetHeader(TwipsAttribute(margins, u"w:header", target->GetHeader()));
      target->SetFooter(TwipsAttribute(margins, u"w:footer", target->GetFooter()));
      target->SetGutter(TwipsAttribute(margins, u"w:gutter", target->GetGutter()));
    } catch (const vn::Exception& error) {
      if (FParser != nullptr) FParser->Warn(std::string("page margins read up to a bad value: ") + error.what());
    }
  }

  // An on/off value: present without a value is on, "1" is on, "0" off.
  if (const TXmlNode* title = SectionChild(ANode, u"w:titlePg")) {
    section->SetIsTitlePage(ParseOnOff(title->GetAttribute(u"w:val"), true));
  }

  ReadHeadersOrFooters(ANode, APreviousSection, *section, false);
  ReadHeadersOrFooters(ANode, APreviousSection, *section, true);

  if (const TXmlNode* cols = SectionChild(ANode, u"w:cols")) ReadColumns(cols, *section);
  return section;
}

void TvnDOCXMainDocumentParser::ReadHeadersOrFooters(const TXmlNode* ANode, const TvnSection* APreviousSection,
                                                     TvnSection& ASection, bool AFooters) {
  const StringView reference_name = AFooters ? StringView(u"w:footerReference") : StringView(u"w:headerReference");
  const StringView root_name = AFooters ? StringView(u"w:ftr") : StringView(u"w:hdr");
  bool found[3] = {false, false, false};  // first page, even pages, default
  try {
    for (const TXmlNode* reference : TvnDOCXHelperFunctions::GetElements(ANode, reference_name)) {
      const String type = reference->GetAttribute(u"w:type");
      const String id = reference->GetAttribute(u"r:id");
      if (id.empty() || FPackage == nullptr) continue;
      std::unique_ptr<TvnDocXPackagePart> part = FPackage->GetPackagePart(id);
      if (!part) continue;
      std::unique_ptr<vn::TMemoryStream> stream = FPackage->GetPartStream(*part);
      if (stream == nullptr || stream->Size() == 0) continue;
      std::unique_ptr<WellFormedXmlDocument> document = ParseWellFormedPart(stream.get());
      const TXmlNode* root = document->DocumentElement();
      if (root != nullptr && root->Name != root_name) root = SectionChild(root, root_name);
      const int kind = type == u"first" ? 0 : type == u"even" ? 1 : 2;
      TvnHeaderFooterElement* target = SlotOf(ASection, AFooters, kind);
      found[kind] = true;
      if (root == nullptr || target == nullptr) continue;
      for (const TXmlNode* child : root->ChildNodes) {
        if (child->NodeType != ooxml::TXmlNodeType::ntElement) continue;
        if (child->Name != u"w:p" && child->Name != u"w:tbl") continue;
        // Pictures of the part resolve through the part's own relationships.
        std::unique_ptr<TvnDocItem> item =
            FHelperFunctions->GetParsedDocItem(child, FMediator, FPackage, FRC, part.get(), nullptr, nullptr, nullptr);
        if (item) target->GetElements().push_back(std::move(item));
      }
    }
    if (APreviousSection == nullptr) return;
    const int32_t height = ASection.GetPageMargin() == nullptr ? 0
                           : AFooters                          ? ASection.GetPageMargin()->GetFooter()
                                                               : ASection.GetPageMargin()->GetHeader();
    const bool inherit[3] = {ASection.GetIsTitlePage() && !found[0],
                             FMediator != nullptr && FMediator->GetEvenOddHeaders() && !found[1], !found[2]};
    for (int kind = 0; kind < 3; ++kind) {
      if (!inherit[kind]) continue;
      const TvnHeaderFooterElement* earlier = SlotOf(*APreviousSection, AFooters, kind);
      TvnHeaderFooterElement* target = SlotOf(ASection, AFooters, kind);
      if (earlier == nullptr || target == nullptr) continue;
      for (const auto& element : earlier->GetElements()) target->GetElements().push_back(element->Clone());
      target->SetHeight(height);
    }
  } catch (const vn::Exception& error) {
    if (FParser != nullptr) {
      FParser->Warn(std::string(AFooters ? "footers" : "headers") +
                    " of a section read up to an error: " + error.what());
    }
  }
}

void TvnDOCXMainDocumentParser::ReadColumns(const TXmlNode* ACols, TvnSection& ASection) {
  // A value that is not a number leaves the columns unset rather than
  // ending the load.
  int32_t count = 0;
  int32_t space = 0;
  bool space_given = false;
  try {
    const String num = ACols->GetAttribute(u"w:num");
    if (!num.empty()) count = std::max(ReadInteger(num), 0);
    const String space_value = ACols->GetAttribute(u"w:space");
    if (!space_value.empty()) {
      space = TwipsToPixels(ReadInteger(space_value));
      space_given = true;
    }
  } catch (const vn::Exception& error) {
    if (FParser != nullptr) FParser->Warn(std::string("text columns left unset: ") + error.what());
    return;
  }
  // Without "w:space" the gap is the format's default, not "unset".
  if (!space_given) space = TwipsToPixels(kDefaultColumnSpaceTwips);
  ASection.SetColumnsCount(count);
  ASection.SetSpaceBetweenColumns(space);
  const String equal = ACols->GetAttribute(u"w:equalWidth");
  if (!equal.empty()) ASection.SetEqualWidthColumns(equal[0] == u't' || equal[0] == u'1');

  const TXmlNodeRefs columns = TvnDOCXHelperFunctions::GetElements(ACols, u"w:col");
  auto& target = ASection.GetColumns();
  if (ASection.GetEqualWidthColumns() || (columns.empty() && count > 0)) {
    if (count <= 0) return;
    // Real documents have at most a few dozen columns; more is damage.
    if (count > 1000) {
      if (FParser != nullptr) FParser->Warn("text columns left unset: too many columns");
      ASection.SetColumnsCount(0);
      return;
    }
    const TvnPageMargins* margins = ASection.GetPageMargin();
    const double text_width = static_cast<double>(ASection.GetPageWidth()) -
                              (margins != nullptr ? margins->GetLeft() + margins->GetRight() : 0) -
                              static_cast<double>(space) * (count - 1);
    const int32_t width = vn::RoundToInt(text_width / count);
    ASection.SetEqualWidthColumns(true);
    for (int32_t i = 0; i < count; ++i) {
      auto column = std::make_unique<TvnWordColumn>();
      column->SetWidth(width);
      column->SetSpace(i + 1 < count ? space : 0);
      target.push_back(std::move(column));
    }
    return;
  }
  for (const TXmlNode* element : columns) {
    auto column = std::make_unique<TvnWordColumn>();
    try {
      column->SetWidth(TwipsAttribute(element, u"w:w", 0));
      column->SetSpace(TwipsAttribute(element, u"w:space", 0));
    } catch (const vn::Exception& error) {
      if (FParser != nullptr) FParser->Warn(std::string("text column read up to a bad value: ") + error.what());
    }
    target.push_back(std::move(column));
  }
}

}  // namespace vn::docx
