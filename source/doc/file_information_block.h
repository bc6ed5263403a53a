// The file information block (FIB) at the start of the WordDocument stream,
// through which every table of a Word 97-2003 document is found; the one
// document option the reader takes from the DOP; and the piece table of the
// Clx, which says where the text of each run of character positions lies
// and whether it is stored one byte (compressed) or two bytes per
// character.
//
// The FIB's offsets are those of every Word 97 and later document (14
// words, 22 longs, then the fc/lcb pairs). Fields of a short stream read as
// 0. Whether the document is one the reader can read at all (its
// identifier, version and encryption flags) is checked by the package.
//
// The piece table is read from the Clx as its structure says: Prc records
// are stepped over by their own sizes, the PlcPcd's piece count comes from
// its byte count, and nothing is read outside the Clx's range or the table
// stream. A piece table whose positions stop increasing is cut before the
// first piece that would go backwards; a piece whose text lies outside the
// WordDocument stream is kept and reported.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "doc/binary_reader.h"
#include "runtime/diagnostics.h"

namespace vn::doc {

class TvnFIBBase {
 public:
  // Reads the fields from a reader over the WordDocument stream.
  explicit TvnFIBBase(TvnBinaryReader& ABinaryReader);

  // The total character count: the text, footnote, header, comment,
  // endnote, text-box and header text-box stories (the macro story is not
  // part of it).
  int64_t TotalCharacterCount() const;

  // 1 when the flags word names "1Table" as the table stream, else 0.
  uint32_t FFWhichTableStream = 0;
  // Replaced by the piece table's text start (ReadPieceTable).
  int64_t FfcMin = 0;
  uint32_t FfcMac = 0;
  uint32_t FccpText = 0, FccpFtn = 0, FccpHdd = 0, FccpAtn = 0, FccpEdn = 0, FccpTxbx = 0, FccpHdrTxbx = 0;
  uint32_t FfcStshf = 0, FlcbStshf = 0;
  uint32_t FfcPlcfSed = 0, FlcbPlcfSed = 0;
  uint32_t FfcPlcfHdd = 0, FlcbPlcfHdd = 0;
  uint32_t FfcPlcfBteChpx = 0, FlcbPlcfBteChpx = 0, FfcPlcfBtePapx = 0, FlcbPlcfBtePapx = 0;
  uint32_t FfcSttbfFfn = 0, FlcbSttbfFfn = 0;
  uint32_t FfcDop = 0, FlcbDop = 0;
  uint32_t FfcClx = 0, FlcbClx = 0;
  uint32_t FfcPlcSpaMom = 0, FlcbPlcSpaMom = 0;
  uint32_t FfcDggInfo = 0, FlcbDggInfo = 0;
  uint32_t FfcPlcftxbxTxt = 0, FlcbPlcftxbxTxt = 0;
  uint32_t FfcPlfLst = 0, FlcbPlfLst = 0, FfcPlfLfo = 0, FlcbPlfLfo = 0;

  // What the package checks before reading on: the identifier (0xA5EC for
  // Word 97 and later), the version and the flags word at offset 10.
  uint16_t FwIdent = 0;
  uint16_t FnFib = 0;
  uint16_t FFlags = 0;
  bool Encrypted() const { return (FFlags & 0x0100) != 0; }
  bool Obfuscated() const { return (FFlags & 0x8000) != 0; }
};

// The pieces of the text, in character-position order.
struct PieceTable {
  // The character positions of the pieces, the last one (the end) included.
  std::vector<int64_t> FUnicodeCharactersBoundaries;
  // Per piece: true when its text is stored one byte per character.
  std::vector<bool> FIsUnicode8Bits;
  // Per piece: the byte offset of its text in the WordDocument stream.
  std::vector<int64_t> TextOffsets;
};

// Reads the piece table of the Clx at FfcClx in the table stream, and sets
// the FIB's FfcMin to the first piece's text offset (left alone when there
// is no piece). `AWordDocumentSize` bounds the pieces' text for the check
// reported to the diagnostics.
PieceTable ReadPieceTable(std::span<const uint8_t> ATableStream, int64_t AWordDocumentSize, TvnFIBBase& AFIB,
                          Diagnostics* ADiagnostics = nullptr);

// Facing pages (bit 0 of the DOP's first byte): whether even and odd pages
// get headers of their own. False when the table stream has no DOP there.
bool ReadDocumentOptions(std::span<const uint8_t> ATableStream, const TvnFIBBase& AFIB);

}  // namespace vn::doc
