// TvnDOCStyleParser: reads the stylesheet of a Word 97-2003 document from
// the table stream into model styles, and TvnDOCParser, the bundle of the
// style reader and the main-document reader the Word layout reads through.
//
// Each style description slot of the stylesheet makes one style whose
// identifier is its slot index as decimal text ("0", "1", ...); its base
// and next style are slot indices too, so the style resolver links them by
// that text. An empty slot makes no style but keeps the numbering of the
// later ones. Paragraph styles carry paragraph and run properties, character
// styles run properties, numbering styles paragraph properties only (they
// are registered as linked styles); table styles carry nothing.
//
// Every read stays inside the stylesheet as the file information block
// bounds it (and inside the table stream): each description is read within
// its own length and the next one always starts right after it, so an
// over-long property block cannot shift the descriptions that follow.
#pragma once

#include <memory>

#include "doc/binary_reader.h"
#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "runtime/diagnostics.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/word_parser.h"

namespace vn::doc {

class TvnDOCParser;

class TvnDOCStyleParser : public vn::wordmodel::TvnStyleParser {
 public:
  // The package is borrowed; so are the parser, the mediator and the
  // diagnostics sink (each may be null).
  TvnDOCStyleParser(TvnDOCParser* ADocParser, TvnDOCPackage* APackage, vn::wordmodel::TvnDocumentMediator* AMediator,
                    Diagnostics* ADiagnostics = nullptr);
  TvnDOCStyleParser(const TvnDOCStyleParser&) = delete;
  TvnDOCStyleParser& operator=(const TvnDOCStyleParser&) = delete;

  // Reads the stylesheet (once; later calls answer what is left of the
  // list) and sets the document's default font name when the stylesheet
  // gives one. The styles are handed over in stylesheet order.
  vn::wordmodel::TvnStyleList GetEnumerator() override;
  // Word 97-2003 documents have no document defaults apart from the styles.
  std::shared_ptr<vn::wordmodel::TvnParagraphProperties> GetDocDefaultParagraphStyle() override { return nullptr; }
  std::shared_ptr<vn::wordmodel::TvnRunProperties> GetDocDefaultRunStyle() override { return nullptr; }

  // The paragraph properties of the sprms in the next ALength bytes
  // (spacing and indents 0 instead of unset with AZero).
  std::shared_ptr<vn::wordmodel::TvnParagraphProperties> ReadStyleParagraphProperties(bool AZero, int64_t ALength);
  // The run properties (with DOC-specific data) of the next ALength bytes.
  std::shared_ptr<vn::wordmodel::TvnRunProperties> ReadStyleRunProperties(int64_t ALength);

 private:
  void ReadStylesheet();

  [[maybe_unused]] TvnDOCParser* FParser;  // the owning reader, kept for the readers to come
  TvnDOCPackage* FPackage;
  Diagnostics* FDiagnostics;
  TvnDOCHelperFunctions* FHelperFunctions;
  std::unique_ptr<TvnBinaryReader> FBinaryReader;
  bool FRead = false;
};

class TvnDOCParser : public vn::wordmodel::TvnWordParser {
 public:
  // Makes the style reader, then the main-document reader. A failure making
  // the style reader leaves both readers null; one making the main-document
  // reader leaves that one null. Both are reported to ADiagnostics.
  TvnDOCParser(TvnDOCPackage* ADocPackage, vn::wordmodel::TvnDocumentMediator* ADocumentMediator,
               Diagnostics* ADiagnostics = nullptr);

  vn::wordmodel::TvnStyleParser* GetStylesParser() override { return FStyleParser.get(); }
  vn::wordmodel::TvnMainDocumentParser* GetDocumentParser() override { return FDocumentParser.get(); }
  vn::wordmodel::TvnNumberParser* GetNumberParser() override { return nullptr; }
  vn::wordmodel::TvnThemeParser* GetThemeParser() override { return nullptr; }
  vn::wordmodel::TvnSettingsParser* GetSettingsParser() override { return nullptr; }

  TvnDOCPackage* Package() const { return FPackage; }

 private:
  TvnDOCPackage* FPackage;
  std::unique_ptr<TvnDOCStyleParser> FStyleParser;
  std::unique_ptr<TvnDOCMainDocumentParser> FDocumentParser;
};

}  // namespace vn::doc
