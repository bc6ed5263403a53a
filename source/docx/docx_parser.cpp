// The DOCX reader and its sub-readers for the body, the core properties,
// the theme fonts and the settings.
#include "docx/docx_parser.h"

#include <string>
#include <utility>

#include "docx/well_formed_xml.h"
#include "runtime/exceptions.h"
#include "wordmodel/paragraph.h"

namespace vn::docx {

namespace {

const TXmlNode* ReaderChild(const TXmlNode* AElement, StringView AName) {
  TXmlNode* found = nullptr;
  if (AElement != nullptr) AElement->FindChild(AName, found);
  return found;
}

// Makes one sub-reader; a failure leaves it null and is reported, and the
// sub-readers after it are still made.
template <typename TReader, typename... TArgs>
std::unique_ptr<TReader> MakeSubReader(const TvnDOCXParser& AParser, const char* AWhat, TArgs&&... AArgs) {
  try {
    return std::make_unique<TReader>(std::forward<TArgs>(AArgs)...);
  } catch (const vn::Exception& error) {
    AParser.Warn(std::string("the ") + AWhat + " could not be read: " + error.what());
  }
  return nullptr;
}

// The core-property elements and the setters they fill.
using CoreSetter = void (*)(wordmodel::TvnWordDocumentInfo&, const String&);
struct CoreProperty {
  StringView Element;
  CoreSetter Set;
};

const CoreProperty kCorePropertyElements[] = {
    {u"cp:category", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetCategory(V); }},
    {u"dc:description", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetComments(V); }},
    {u"cp:contentStatus", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetContentStatus(V); }},
    {u"dcterms:created", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetCreated(V); }},
    {u"dc:creator", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetCreator(V); }},
    {u"cp:lastModifiedBy", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetLastModifiedBy(V); }},
    {u"dc:language", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetLanguage(V); }},
    {u"cp:lastPrinted", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetLastPrinted(V); }},
    {u"dcterms:modified", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetModified(V); }},
    {u"cp:revision", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetRevision(V); }},
    {u"dc:subject", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetSubject(V); }},
    {u"dc:title", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetTitle(V); }},
    {u"cp:keywords", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetKeyWords(V); }},
    {u"cp:version", [](wordmodel::TvnWordDocumentInfo& I, const String& V) { I.SetVersion(V); }},
};

// The text of an element: its own text and that of its text children.
String ElementText(const TXmlNode* AElement) {
  String text = AElement->Text;
  for (const TXmlNode* child : AElement->ChildNodes) {
    if (child->NodeType == ooxml::TXmlNodeType::ntText || child->NodeType == ooxml::TXmlNodeType::ntCData) {
      text += child->Text;
    }
  }
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// The reader

TvnDOCXParser::TvnDOCXParser(TvnDOCXPackage* ADocPackage, TvnDocumentMediator* ADocumentMediator,
                             vn::Diagnostics* AWarnings)
    : TvnWordParser(ADocumentMediator), FPackage(ADocPackage), FWarnings(AWarnings) {
  // Each sub-reader in its own guard: a damaged styles part must not cost
  // the body, the lists or the settings.
  FStyleParser = MakeSubReader<TvnDOCXStyleParser>(*this, "styles part", this, ADocumentMediator);
  FDocumentParser = MakeSubReader<TvnDOCXMainDocumentParser>(*this, "main document", this, ADocumentMediator);
  FNumberParser = MakeSubReader<TvnDOCXNumberParser>(*this, "numbering part", this, ADocumentMediator, ADocPackage);
  FThemeParser = MakeSubReader<TvnDOCXThemeParser>(*this, "theme part", this, ADocumentMediator, ADocPackage);
  FSettingsParser = MakeSubReader<TvnDOCXSettingsParser>(*this, "settings part", this, ADocumentMediator, ADocPackage);
}

TvnDOCXParser::~TvnDOCXParser() = default;

void TvnDOCXParser::Warn(const std::string& AMessage) const {
  if (FWarnings != nullptr) FWarnings->Report({.message = AMessage});
}

// ---------------------------------------------------------------------------
// The main document

TvnDOCXMainDocumentParser::TvnDOCXMainDocumentParser(TvnDOCXParser* ADocParser, TvnDocumentMediator* AMediator)
    : FParser(ADocParser),
      FPackage(ADocParser != nullptr ? ADocParser->Package() : nullptr),
      FMediator(AMediator),
      FHelperFunctions(
          std::make_unique<TvnDOCXHelperFunctions>(ADocParser != nullptr ? ADocParser->Warnings() : nullptr)),
      FRC(AMediator != nullptr ? AMediator->GetResourceCollection() : nullptr) {
  if (FPackage != nullptr) FStream = FPackage->GetMainDocumentStream();
}

TvnDOCXMainDocumentParser::~TvnDOCXMainDocumentParser() = default;

void TvnDOCXMainDocumentParser::Initialize() {
  if (FMediator == nullptr || FParser == nullptr) return;
  if (FMediator->GetDocument() != nullptr) {
    std::unique_ptr<wordmodel::TvnWordDocumentInfo> info = GetDocumentProperties();
    FMediator->GetDocument()->SetDocumentInfo(std::move(info));
  }
  // Theme fonts, document defaults and styles, list definitions (which may
  // link numbering styles), settings: the reader contract's order.
  wordmodel::FillMediatorFromReader(*FParser, *FMediator, true);
}

std::unique_ptr<ooxml::TXmlVerySimple> TvnDOCXMainDocumentParser::ParseMainDocument() {
  if (FPackage == nullptr || !FPackage->DocLoaded()) return nullptr;
  // The package names a main document: one that is missing or could not be
  // extracted whole is damage, not an empty document.
  if (FStream == nullptr || FStream->Size() == 0) {
    throw vn::EDOCXExceptions("the main document part is missing or damaged");
  }
  std::unique_ptr<ooxml::TXmlVerySimple> document = ParseWellFormedPart(FStream.get());
  if (document->DocumentElement() == nullptr) {
    throw vn::EDOCXExceptions("the main document part holds no document element");
  }
  return document;
}

std::unique_ptr<TvnDocItem> TvnDOCXMainDocumentParser::BuildBlockItem(const TXmlNode* ANode) {
  if (ANode->Name != u"w:p" && ANode->Name != u"w:tbl") return nullptr;
  try {
    return FHelperFunctions->GetParsedDocItem(ANode, FMediator, FPackage, FRC, nullptr, nullptr, nullptr, nullptr);
  } catch (const vn::Exception& error) {
    if (FParser != nullptr) {
      FParser->Warn(std::string(ANode->Name == u"w:p" ? "a paragraph" : "a table") +
                    " could not be read and was left out: " + error.what());
    }
  }
  return nullptr;
}

std::vector<TvnDocItem*> TvnDOCXMainDocumentParser::GetEnumerator() {
  std::vector<TvnDocItem*> items;
  std::unique_ptr<ooxml::TXmlVerySimple> document = ParseMainDocument();
  if (!document) return items;
  TXmlNodeRefs nodes;
  TvnDOCXHelperFunctions::GetNodes(document->DocumentElement(), {u"w:p", u"w:tbl"}, nodes);
  items.reserve(nodes.size());
  for (const TXmlNode* node : nodes) {
    std::unique_ptr<TvnDocItem> item = BuildBlockItem(node);
    if (!item) continue;
    items.push_back(item.get());
    FList.push_back(std::move(item));
  }
  return items;
}

std::vector<wordmodel::TvnParagraph*> TvnDOCXMainDocumentParser::Paragraphs() {
  std::vector<wordmodel::TvnParagraph*> paragraphs;
  std::unique_ptr<ooxml::TXmlVerySimple> document = ParseMainDocument();
  if (!document) return paragraphs;
  const TXmlNode* body = ReaderChild(document->DocumentElement(), u"w:body");
  for (const TXmlNode* node : TvnDOCXHelperFunctions::GetElements(body, u"w:p")) {
    std::unique_ptr<TvnDocItem> item =
        FHelperFunctions->GetParsedDocItem(node, FMediator, FPackage, FRC, nullptr, nullptr, nullptr, nullptr);
    auto* paragraph = dynamic_cast<wordmodel::TvnParagraph*>(item.get());
    if (paragraph == nullptr) continue;
    paragraphs.push_back(paragraph);
    FList.push_back(std::move(item));
  }
  return paragraphs;
}

wordmodel::TvnItemList TvnDOCXMainDocumentParser::TakeOwnedItems() { return std::exchange(FList, {}); }

std::unique_ptr<wordmodel::TvnWordDocumentInfo> TvnDOCXMainDocumentParser::GetDocumentProperties() {
  if (FPackage == nullptr) return nullptr;
  std::unique_ptr<ooxml::TXmlVerySimple> document;
  try {
    std::unique_ptr<vn::TMemoryStream> stream = FPackage->GetCorePropStream();
    if (stream == nullptr || stream->Size() == 0) return nullptr;
    document = ParseWellFormedPart(stream.get());
  } catch (const vn::Exception& error) {
    if (FParser != nullptr) FParser->Warn(std::string("the core properties could not be read: ") + error.what());
    return nullptr;
  }
  const TXmlNode* root = document->DocumentElement();
  if (root == nullptr) return nullptr;
  auto info = std::make_unique<wordmodel::TvnWordDocumentInfo>();
  for (const TXmlNode* child : root->ChildNodes) {
    if (child->NodeType != ooxml::TXmlNodeType::ntElement) continue;
    for (const CoreProperty& property : kCorePropertyElements) {
      if (child->Name == property.Element) property.Set(*info, ElementText(child));
    }
  }
  return info;
}

// ---------------------------------------------------------------------------
// Theme

TvnDOCXThemeParser::TvnDOCXThemeParser(TvnDOCXParser*, TvnDocumentMediator*, TvnDOCXPackage* APackage) {
  if (APackage != nullptr) FStream = APackage->GetThemeStream();
  FThemeDoc = ParseWellFormedPart(FStream.get());
  if (FThemeDoc != nullptr) {
    FFontSchemeElement = ReaderChild(ReaderChild(FThemeDoc->DocumentElement(), u"a:themeElements"), u"a:fontScheme");
  }
}

TvnThemeFont TvnDOCXThemeParser::GetThemeFont(const TXmlNode* AFontEle) {
  return TvnThemeFont{AFontEle->GetAttribute(u"typeface"), AFontEle->GetAttribute(u"script")};
}

std::vector<TvnThemeFont> TvnDOCXThemeParser::ReadFonts(StringView AGroupName) const {
  std::vector<TvnThemeFont> fonts;
  // A scheme without the group (the schema requires both) gives no fonts.
  const TXmlNode* group = ReaderChild(FFontSchemeElement, AGroupName);
  if (group == nullptr) return fonts;
  for (const TXmlNode* child : group->ChildNodes) {
    if (child->NodeType != ooxml::TXmlNodeType::ntElement) continue;
    if (child->Name == u"a:latin") {
      fonts.push_back(TvnThemeFont{child->GetAttribute(u"typeface"), String(u"latin")});
    } else {
      fonts.push_back(GetThemeFont(child));
    }
  }
  return fonts;
}

std::vector<TvnThemeFont> TvnDOCXThemeParser::GetMajorThemeFonts() { return ReadFonts(u"a:majorFont"); }

std::vector<TvnThemeFont> TvnDOCXThemeParser::GetMinorThemeFonts() { return ReadFonts(u"a:minorFont"); }

// ---------------------------------------------------------------------------
// Settings

TvnDOCXSettingsParser::TvnDOCXSettingsParser(TvnDOCXParser* AParser, TvnDocumentMediator*, TvnDOCXPackage* APackage) {
  if (APackage != nullptr) FStream = APackage->GetDocumentSettingsStream();
  FSettingsDoc = ParseWellFormedPart(FStream.get());
  if (FSettingsDoc == nullptr) return;
  FSettingsElement = FSettingsDoc->DocumentElement();
  try {
    if (const TXmlNode* zoom = ReaderChild(FSettingsElement, u"w:zoom")) {
      const String percent = zoom->GetAttribute(u"w:percent");
      if (!percent.empty()) FZoom = ReadInteger(percent);
    }
    if (const TXmlNode* tab = ReaderChild(FSettingsElement, u"w:defaultTabStop")) {
      FDefaultTabStopTwips = ReadInteger(tab->GetAttribute(u"w:val"));
      // The contract holds pixels (720 twips give 48).
      FDefaultTabStop = FDefaultTabStopTwips / 15.0;
    }
    if (const TXmlNode* even_odd = ReaderChild(FSettingsElement, u"w:evenAndOddHeaders")) {
      // An on/off value: present without a value is on; "1" is on too.
      FEvenOddHeaders = ParseOnOff(even_odd->GetAttribute(u"w:val"), true);
    }
  } catch (const vn::Exception& error) {
    if (AParser != nullptr) AParser->Warn(std::string("settings read up to a bad value: ") + error.what());
  }
}

}  // namespace vn::docx
