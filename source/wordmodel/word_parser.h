// The reader contract: what the DOCX, DOC and RTF readers give the Word
// layout. A format implements TvnWordParser and the sub-readers it supports
// (styles, body, lists, theme, settings); the layout sees only these
// classes. An operation a format does not implement raises EAbstractError
// "Abstract Error".
//
// The order of use is fixed, because each step needs the one before:
// FillMediatorFromReader takes the theme fonts, the document defaults and
// the styles, the list definitions (which may link numbering styles, found
// in the style table) and the settings (the default tab stop goes into every
// resolved paragraph); only then does ReadWordBody read the body, asking
// for Sections and then GetEnumerator, once each, since a reader builds and
// resolves the body while answering them.
//
// Ownership: a reader owns its sub-readers and the body items it lends out;
// styles and list definitions pass to the mediator.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "wordmodel/document_mediator.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/style.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnParagraph;
class TvnSection;

using TvnNumberList = std::vector<std::shared_ptr<TvnNumber>>;

class TvnStyleParser : public TObject {
 public:
  // Every style of the document (paragraph, character, table and numbering
  // styles) in document order, handed to the caller, who registers them
  // with TvnWordStyles::Add.
  virtual TvnStyleList GetEnumerator();
  // The document defaults; null when the document gives none.
  virtual std::shared_ptr<TvnParagraphProperties> GetDocDefaultParagraphStyle();
  virtual std::shared_ptr<TvnRunProperties> GetDocDefaultRunStyle();

  TvnStyleList& GetList() { return FList; }

 protected:
  TvnStyleList FList;
};

class TvnMainDocumentParser : public TObject {
 public:
  // Every body item in reading order, fully built: paragraphs (the one that
  // ends a section carries ContainsSection) and tables; when Sections
  // answers nothing, the sections themselves, each holding its items. The
  // reader keeps the items.
  virtual std::vector<TvnDocItem*> GetEnumerator();
  // The body's paragraphs.
  virtual std::vector<TvnParagraph*> Paragraphs();
  // The document's sections in order, or nothing when the sections come as
  // the items of GetEnumerator. The reader keeps the sections.
  virtual std::optional<std::vector<TvnSection*>> Sections();

  TvnItemList& GetList() { return FList; }

 protected:
  TvnItemList FList;
};

class TvnNumberParser : public TObject {
 public:
  // Registers every abstract list definition and every concrete list in the
  // mediator under its identifier; may answer the lists.
  virtual TvnNumberList GetEnumerator();
  // Freshly read definitions.
  virtual TvnNumberList AbstractNumbers();
  virtual TvnNumberList ConcreteNumbers();

  TvnNumberList& GetList() { return FList; }

 protected:
  TvnNumberList FList;
};

class TvnThemeParser : public TObject {
 public:
  // The heading and the body fonts of the theme.
  virtual std::vector<TvnThemeFont> GetMajorThemeFonts();
  virtual std::vector<TvnThemeFont> GetMinorThemeFonts();
};

// The settings a format reads; it fills the fields itself.
class TvnSettingsParser : public TObject {
 public:
  bool GetEvenOddHeaders() const { return FEvenOddHeaders; }
  void SetEvenOddHeaders(bool Value) { FEvenOddHeaders = Value; }
  double GetZoom() const { return FZoom; }
  // Pixels.
  double GetDefaultTabStop() const { return FDefaultTabStop; }

 protected:
  bool FEvenOddHeaders = false;
  double FZoom = 0;
  double FDefaultTabStop = 0;
};

class TvnWordParser : public TObject {
 public:
  // AParsedDocumentElements is the mediator the reader fills (borrowed).
  explicit TvnWordParser(TvnDocumentMediator* AParsedDocumentElements)
      : FParsedDocumentElements(AParsedDocumentElements) {}

  // The sub-readers the format made in its constructor; null when the
  // format has none (or making it failed). The same object every time.
  virtual TvnStyleParser* GetStylesParser();
  virtual TvnMainDocumentParser* GetDocumentParser();
  virtual TvnNumberParser* GetNumberParser();
  virtual TvnThemeParser* GetThemeParser();
  virtual TvnSettingsParser* GetSettingsParser();

  TvnDocumentMediator* GetParsedDocumentElements() const { return FParsedDocumentElements; }

 protected:
  TvnDocumentMediator* FParsedDocumentElements;
};

// Fills AMediator from AReader's sub-readers, in order: theme fonts by
// script (a font without script is skipped); with ARegisterStyles, the
// document defaults and every style; the list definitions; from the
// settings, the default tab stop (rounded, halves to even) and the
// even/odd-headers switch. A missing sub-reader skips its step. A document
// that registers the styles itself passes false.
void FillMediatorFromReader(TvnWordParser& AReader, TvnDocumentMediator& AMediator, bool ARegisterStyles = true);

// The body as the layout reads it.
struct TvnWordBody {
  // Sections answers them, or they are the section items of the body.
  std::vector<TvnSection*> Sections;
  // The body items of GetEnumerator.
  std::vector<TvnDocItem*> Items;
};

// Reads the body: Sections, then GetEnumerator, once each. A reader without
// main-document reader gives an empty body.
TvnWordBody ReadWordBody(TvnWordParser& AReader);

}  // namespace vn::wordmodel
