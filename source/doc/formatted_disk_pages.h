// Formatted disk pages (FKPs): 512-byte pages of the WordDocument stream
// that map byte ranges of the text to paragraph or character property
// lists, found through the two bin tables of the table stream. The readers
// turn both into lists of property runs in file order, each with its byte
// range and its parsed sprm list.
//
// Every structure is read within its own bounds: a bin table by its byte
// count, a page by its run count (byte 511, capped at what fits a page),
// its positions only while they increase, and a run's property data only
// when it lies inside the page; a run whose data does not is kept with no
// properties and the damage reported. Operands are addressed in the
// WordDocument stream itself (the copied stream), so a stream whose sectors
// are scattered in the file reads right.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "doc/file_information_block.h"
#include "doc/property_modifiers.h"
#include "runtime/diagnostics.h"

namespace vn::doc {

// One paragraph run. FCP is the run's first byte in the WordDocument
// stream in the lists of the FKP readers, and its first character position
// inside its story in the story lists (TvnDOCMainDocumentParser).
struct TvnDocParagraph {
  int64_t FCP = 0;
  // The end (one past the last byte, or the last character position) of
  // the run.
  int64_t FCPEnd = 0;
  int32_t FISTD = 0;
  // The run's sprm list (operands in the WordDocument stream), shared with
  // every run whose properties live at the same place; null: none.
  std::shared_ptr<const TvnPRLList> FPRL;
};

// One character run; as TvnDocParagraph.
struct TvnDocCharacter {
  int64_t FCP = 0;
  int64_t FCPEnd = 0;
  std::shared_ptr<const TvnPRLList> FPRL;
};

// The property runs of the document and the pages that hold them.
struct TvnFormattedDiskPages {
  std::vector<TvnDocParagraph> FParagraphs;
  std::vector<TvnDocCharacter> FCharacters;
  // The WordDocument page numbers of every paragraph and character FKP, in
  // the order read.
  std::vector<uint32_t> FSkipList;
};

// Reads the paragraph runs of the bin table at FfcPlcfBtePapx.
void ReadParagraphRuns(std::span<const uint8_t> ATableStream, std::span<const uint8_t> AWordDocument,
                       const TvnFIBBase& AFIB, TvnFormattedDiskPages& APages, Diagnostics* ADiagnostics = nullptr);
// Reads the character runs of the bin table at FfcPlcfBteChpx.
void ReadCharacterRuns(std::span<const uint8_t> ATableStream, std::span<const uint8_t> AWordDocument,
                       const TvnFIBBase& AFIB, TvnFormattedDiskPages& APages, Diagnostics* ADiagnostics = nullptr);

}  // namespace vn::doc
