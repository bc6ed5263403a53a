// The DOCX reader: the Word model's reader contract over an opened DOCX
// package. TvnDOCXParser makes five sub-readers, each in its own guard:
// styles and document defaults, the main document (body items, sections
// with their headers and footers, core properties), numbering, theme fonts
// and settings. Initialize of the main-document reader fills the document
// mediator; the Word layout then asks for Sections and GetEnumerator.
//
// Every part is optional except what a caller asks for: a package without
// styles, numbering, theme, settings or core properties loads with the
// model's defaults, and one without a main document gives an empty body and
// a single default section. A sub-reader that cannot be made (its part is
// not well-formed XML, say) is left unset and reported to the optional
// warnings sink; the others are still made. Paragraphs and tables that fail
// to build are left out of the body. A main document that the package names
// but cannot give whole, or that is not well-formed, is an error of the
// body's readers (Sections, GetEnumerator, Paragraphs): EDOCXExceptions or
// EXmlError, never an empty or partial body.
//
// Ownership: the main-document reader owns every body item and section it
// hands out (all calls' results, until it is destroyed), unless a caller
// takes them over with TakeOwnedItems, for instance to let the pages outlive
// the reader. Styles and list definitions pass to the mediator. The reader
// borrows the package and the mediator; the package must outlive the reader
// while it reads, and nothing built refers to the package or to XML.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "docx/docx_helper.h"
#include "docx/package.h"
#include "ooxml/xml_document.h"
#include "runtime/diagnostics.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/numbering.h"
#include "wordmodel/section.h"
#include "wordmodel/style.h"
#include "wordmodel/table_style.h"
#include "wordmodel/word_document_info.h"
#include "wordmodel/word_parser.h"

namespace vn::docx {

class TvnDOCXParser;

using wordmodel::TvnNumber;
using wordmodel::TvnNumberLevel;
using wordmodel::TvnNumberList;
using wordmodel::TvnSection;
using wordmodel::TvnStyle;
using wordmodel::TvnStyleList;
using wordmodel::TvnThemeFont;

// Styles and document defaults, read from the styles part once, when made.
class TvnDOCXStyleParser : public wordmodel::TvnStyleParser {
 public:
  // Reads the styles part of ADocParser's package when there is one; a
  // part that is not well-formed XML raises (EXmlError).
  TvnDOCXStyleParser(TvnDOCXParser* ADocParser, TvnDocumentMediator* AMediator);
  TvnDOCXStyleParser(const TvnDOCXStyleParser&) = delete;
  TvnDOCXStyleParser& operator=(const TvnDOCXStyleParser&) = delete;

  // New styles in document order: paragraph, character and numbering
  // styles, and table styles with their conditional formatting; empty
  // without a styles part. Each call reads them afresh.
  TvnStyleList GetEnumerator() override;
  // "w:docDefaults"/"w:pPrDefault"/"w:pPr" and ".../w:rPrDefault/w:rPr";
  // null when any step is missing.
  std::shared_ptr<TvnParagraphProperties> GetDocDefaultParagraphStyle() override;
  std::shared_ptr<TvnRunProperties> GetDocDefaultRunStyle() override;

  // One "w:style" element (not a table style), and one table style.
  std::unique_ptr<TvnStyle> ReadStyle(const TXmlNode* AStyleElement);
  std::unique_ptr<wordmodel::TvnTableStyle> ReadTableStyle(const TXmlNode* AStyleElement);
  // One "w:tblStylePr" element.
  std::shared_ptr<wordmodel::TvnConditionalTableStyle> ReadConditionalStyle(const TXmlNode* AElement);

 private:
  void ReadCommonStyleFields(const TXmlNode* AStyleElement, TvnStyle& AStyle);

  [[maybe_unused]] TvnDOCXParser* FParser;
  TvnDOCXPackage* FPackage;
  TvnDocumentMediator* FMediator;
  std::unique_ptr<vn::TMemoryStream> FStream;
  std::unique_ptr<ooxml::TXmlVerySimple> FStyleDoc;
  std::shared_ptr<TvnParagraphProperties> FDefaultParaProperties;
  std::shared_ptr<TvnRunProperties> FDefaultRunProperties;
  std::unique_ptr<TvnDOCXHelperFunctions> FHelperFunction;
};

// Abstract and concrete list definitions, read from the numbering part.
class TvnDOCXNumberParser : public wordmodel::TvnNumberParser {
 public:
  // Reads the numbering part of APackage when there is one; a part that is
  // not well-formed XML raises (EXmlError).
  TvnDOCXNumberParser(TvnDOCXParser* AParser, TvnDocumentMediator* AMediator, TvnDOCXPackage* APackage);
  TvnDOCXNumberParser(const TvnDOCXNumberParser&) = delete;
  TvnDOCXNumberParser& operator=(const TvnDOCXNumberParser&) = delete;

  // Registers every abstract definition, then every concrete one, in the
  // mediator under its identifier (a repeated identifier keeps the first
  // definition and is reported); answers nothing.
  TvnNumberList GetEnumerator() override;
  // Freshly read definitions, not registered. Concrete level overrides
  // copy levels of the definitions the mediator holds.
  TvnNumberList AbstractNumbers() override;
  TvnNumberList ConcreteNumbers() override;

  // One "w:abstractNum" or "w:num"; null when a value is not a number.
  std::unique_ptr<TvnNumber> ReadAbstractNumber(const TXmlNode* AElement);
  std::unique_ptr<TvnNumber> ReadConcreteNumber(const TXmlNode* AElement);
  // One "w:lvl"; null when a value is not a number.
  std::unique_ptr<TvnNumberLevel> ReadLevel(const TXmlNode* ALevelElement);

 private:
  // Reads the level properties of ALevelElement into ALevel (everything but
  // the paragraph style and the picture bullet with AOverride).
  void ReadLevelInto(const TXmlNode* ALevelElement, TvnNumberLevel& ALevel, bool AOverride);

  [[maybe_unused]] TvnDOCXParser* FParser;
  TvnDOCXPackage* FPackage;
  TvnDocumentMediator* FMediator;
  std::unique_ptr<vn::TMemoryStream> FStream;
  std::unique_ptr<ooxml::TXmlVerySimple> FNumberingDoc;
  std::unique_ptr<TvnDOCXHelperFunctions> FHelperFunction;
};

// The body, the sections and the core properties.
class TvnDOCXMainDocumentParser : public wordmodel::TvnMainDocumentParser {
 public:
  // Takes the main document part's bytes from ADocParser's package; reads
  // nothing yet.
  TvnDOCXMainDocumentParser(TvnDOCXParser* ADocParser, TvnDocumentMediator* AMediator);
  ~TvnDOCXMainDocumentParser() override;
  TvnDOCXMainDocumentParser(const TvnDOCXMainDocumentParser&) = delete;
  TvnDOCXMainDocumentParser& operator=(const TvnDOCXMainDocumentParser&) = delete;

  // Fills the mediator, once, before layout: theme fonts, the document
  // information (into the mediator's document), document defaults and
  // styles, list definitions, then the default tab stop and the
  // even/odd-headers switch of the settings. Steps of unset sub-readers are
  // skipped.
  void Initialize();

  // Every paragraph and table of the body in document order, including
  // those inside content controls and other wrappers, but not those inside
  // tables or text boxes. Empty without a main document.
  std::vector<TvnDocItem*> GetEnumerator() override;
  // The direct paragraphs of "w:body".
  std::vector<wordmodel::TvnParagraph*> Paragraphs() override;
  // The sections in document order; never empty.
  std::optional<std::vector<TvnSection*>> Sections() override;

  // The core properties; null without a core-properties part or when it is
  // not well-formed.
  std::unique_ptr<wordmodel::TvnWordDocumentInfo> GetDocumentProperties();

  // One "w:sectPr" (with the section before it, or null): a new section,
  // null for a null node. The caller owns it.
  std::unique_ptr<TvnSection> ReadSection(const TXmlNode* ANode, const TvnSection* APreviousSection);

  // Hands over every item and section made so far (what the reader would
  // otherwise free with itself); the lists given out stay valid as long as
  // the caller keeps them.
  wordmodel::TvnItemList TakeOwnedItems();

 private:
  // The main document parsed afresh; null without a main document.
  std::unique_ptr<ooxml::TXmlVerySimple> ParseMainDocument();
  std::unique_ptr<TvnDocItem> BuildBlockItem(const TXmlNode* ANode);
  void ReadHeadersOrFooters(const TXmlNode* ANode, const TvnSection* APreviousSection, TvnSection& ASection,
                            bool AFooters);
  void ReadColumns(const TXmlNode* ACols, TvnSection& ASection);

  TvnDOCXParser* FParser;
  TvnDOCXPackage* FPackage;
  TvnDocumentMediator* FMediator;
  std::unique_ptr<TvnDOCXHelperFunctions> FHelperFunctions;
  std::unique_ptr<vn::TMemoryStream> FStream;
  TvnResourceCollection* FRC;
};

// The theme's heading and body fonts.
class TvnDOCXThemeParser : public wordmodel::TvnThemeParser {
 public:
  TvnDOCXThemeParser(TvnDOCXParser* AParser, TvnDocumentMediator* AMediator, TvnDOCXPackage* APackage);
  TvnDOCXThemeParser(const TvnDOCXThemeParser&) = delete;
  TvnDOCXThemeParser& operator=(const TvnDOCXThemeParser&) = delete;

  // One font per child of "a:majorFont" ("a:minorFont"): "a:latin" under
  // the script "latin", the others under their "script" attribute (empty
  // for the east-Asian and complex-script entries). Empty without a font
  // scheme or without that child.
  std::vector<TvnThemeFont> GetMajorThemeFonts() override;
  std::vector<TvnThemeFont> GetMinorThemeFonts() override;
  static TvnThemeFont GetThemeFont(const TXmlNode* AFontEle);

 private:
  std::vector<TvnThemeFont> ReadFonts(StringView AGroupName) const;

  std::unique_ptr<vn::TMemoryStream> FStream;
  std::unique_ptr<ooxml::TXmlVerySimple> FThemeDoc;
  const TXmlNode* FFontSchemeElement = nullptr;
};

// Zoom, default tab stop and the even/odd-headers switch.
class TvnDOCXSettingsParser : public wordmodel::TvnSettingsParser {
 public:
  // Reads the settings part at once. A value that is not a number ends
  // the reading; the values before it stay.
  TvnDOCXSettingsParser(TvnDOCXParser* AParser, TvnDocumentMediator* AMediator, TvnDOCXPackage* APackage);
  TvnDOCXSettingsParser(const TvnDOCXSettingsParser&) = delete;
  TvnDOCXSettingsParser& operator=(const TvnDOCXSettingsParser&) = delete;

  // The default tab stop as written (twips); GetDefaultTabStop gives
  // pixels.
  double GetDefaultTabStopTwips() const { return FDefaultTabStopTwips; }

 private:
  std::unique_ptr<vn::TMemoryStream> FStream;
  std::unique_ptr<ooxml::TXmlVerySimple> FSettingsDoc;
  const TXmlNode* FSettingsElement = nullptr;
  double FDefaultTabStopTwips = 0;
};

class TvnDOCXParser : public wordmodel::TvnWordParser {
 public:
  // Borrows the package, the mediator and the warnings sink (which may be
  // null). Makes the style, main-document, numbering, theme and settings
  // readers in that order; one that fails is left null and reported.
  TvnDOCXParser(TvnDOCXPackage* ADocPackage, TvnDocumentMediator* ADocumentMediator,
                vn::Diagnostics* AWarnings = nullptr);
  ~TvnDOCXParser() override;
  TvnDOCXParser(const TvnDOCXParser&) = delete;
  TvnDOCXParser& operator=(const TvnDOCXParser&) = delete;

  wordmodel::TvnStyleParser* GetStylesParser() override { return FStyleParser.get(); }
  wordmodel::TvnMainDocumentParser* GetDocumentParser() override { return FDocumentParser.get(); }
  wordmodel::TvnNumberParser* GetNumberParser() override { return FNumberParser.get(); }
  wordmodel::TvnThemeParser* GetThemeParser() override { return FThemeParser.get(); }
  wordmodel::TvnSettingsParser* GetSettingsParser() override { return FSettingsParser.get(); }

  // The same objects with their own classes.
  TvnDOCXStyleParser* StyleParser() const { return FStyleParser.get(); }
  TvnDOCXMainDocumentParser* DocumentParser() const { return FDocumentParser.get(); }
  TvnDOCXNumberParser* NumberParser() const { return FNumberParser.get(); }
  TvnDOCXThemeParser* ThemeParser() const { return FThemeParser.get(); }
  TvnDOCXSettingsParser* SettingsParser() const { return FSettingsParser.get(); }

  TvnDOCXPackage* Package() const { return FPackage; }
  TvnDocumentMediator* ParsedDocumentElements() const { return FParsedDocumentElements; }
  vn::Diagnostics* Warnings() const { return FWarnings; }
  void Warn(const std::string& AMessage) const;

 private:
  TvnDOCXPackage* FPackage;
  vn::Diagnostics* FWarnings;
  std::unique_ptr<TvnDOCXStyleParser> FStyleParser;
  std::unique_ptr<TvnDOCXMainDocumentParser> FDocumentParser;
  std::unique_ptr<TvnDOCXNumberParser> FNumberParser;
  std::unique_ptr<TvnDOCXThemeParser> FThemeParser;
  std::unique_ptr<TvnDOCXSettingsParser> FSettingsParser;
};

}  // namespace vn::docx
