#include "doc/file_information_block.h"

#include <string>
#include <utility>

#include "runtime/byte_reader.h"

namespace vn::doc {

namespace {

constexpr uint8_t kClxPrc = 1;
constexpr uint8_t kClxPcdt = 2;
constexpr uint32_t kCpSize = 4;
constexpr uint32_t kPcdSize = 8;
constexpr uint32_t kFcCompressed = 0x40000000;
constexpr uint32_t kFcMask = 0x3FFFFFFF;

uint32_t FieldAt(TvnBinaryReader& r, int64_t offset) {
  r.Seek(TvnSeekOrigin::soBegin, offset);
  return static_cast<uint32_t>(r.GetDecimalValue(4));
}

// The text offset of a piece from its fc: the low 30 bits, halved when the
// piece is compressed.
int64_t PieceTextOffset(uint32_t fc) {
  const int64_t low = fc & kFcMask;
  return (fc & kFcCompressed) ? low / 2 : low;
}

}  // namespace

TvnFIBBase::TvnFIBBase(TvnBinaryReader& ABinaryReader) {
  TvnBinaryReader& r = ABinaryReader;
  r.Seek(TvnSeekOrigin::soBegin, 0);
  FwIdent = static_cast<uint16_t>(r.GetDecimalValue(2));
  FnFib = static_cast<uint16_t>(r.GetDecimalValue(2));
  r.Seek(TvnSeekOrigin::soBegin, 10);
  FFlags = static_cast<uint16_t>(r.GetDecimalValue(2));
  FFWhichTableStream = (FFlags & 0x0200) ? 1 : 0;
  FfcMin = FieldAt(r, 24);
  FfcMac = FieldAt(r, 28);
  FccpText = FieldAt(r, 76);
  FccpFtn = FieldAt(r, 80);
  FccpHdd = FieldAt(r, 84);
  FccpAtn = FieldAt(r, 92);
  FccpEdn = FieldAt(r, 96);
  FccpTxbx = FieldAt(r, 100);
  FccpHdrTxbx = FieldAt(r, 104);
  FfcStshf = FieldAt(r, 162);
  FlcbStshf = FieldAt(r, 166);
  FfcPlcfSed = FieldAt(r, 202);
  FlcbPlcfSed = FieldAt(r, 206);
  FfcPlcfHdd = FieldAt(r, 242);
  FlcbPlcfHdd = FieldAt(r, 246);
  FfcPlcfBteChpx = FieldAt(r, 250);
  FlcbPlcfBteChpx = FieldAt(r, 254);
  FfcPlcfBtePapx = FieldAt(r, 258);
  FlcbPlcfBtePapx = FieldAt(r, 262);
  FfcSttbfFfn = FieldAt(r, 274);
  FlcbSttbfFfn = FieldAt(r, 278);
  FfcDop = FieldAt(r, 402);
  FlcbDop = FieldAt(r, 406);
  FfcClx = FieldAt(r, 418);
  FlcbClx = FieldAt(r, 422);
  FfcPlcSpaMom = FieldAt(r, 474);
  FlcbPlcSpaMom = FieldAt(r, 478);
  FfcDggInfo = FieldAt(r, 554);
  FlcbDggInfo = FieldAt(r, 558);
  FfcPlcftxbxTxt = FieldAt(r, 602);
  FlcbPlcftxbxTxt = FieldAt(r, 606);
  FfcPlfLst = FieldAt(r, 738);
  FlcbPlfLst = FieldAt(r, 742);
  FfcPlfLfo = FieldAt(r, 746);
  FlcbPlfLfo = FieldAt(r, 750);
}

int64_t TvnFIBBase::TotalCharacterCount() const {
  return int64_t{FccpText} + FccpFtn + FccpHdd + FccpAtn + FccpEdn + FccpTxbx + FccpHdrTxbx;
}

PieceTable ReadPieceTable(std::span<const uint8_t> ATableStream, int64_t AWordDocumentSize, TvnFIBBase& AFIB,
                          Diagnostics* ADiagnostics) {
  PieceTable table;
  const auto damage = [&](uint64_t offset, std::string message) {
    ReportTo(ADiagnostics, {.offset = offset, .message = std::move(message)});
  };
  const ByteReader stream(ATableStream.data(), ATableStream.size());
  // The Clx: its range, cut to the table stream.
  size_t clx_size = AFIB.FlcbClx;
  if (AFIB.FfcClx > stream.size() || clx_size > stream.size() - AFIB.FfcClx) {
    damage(AFIB.FfcClx, "the Clx lies outside the table stream");
    clx_size = AFIB.FfcClx > stream.size() ? 0 : stream.size() - AFIB.FfcClx;
  }
  ByteReader clx = stream.Sub(AFIB.FfcClx, clx_size);
  // Prc records (property modifiers of the pieces) come first; each says
  // its own size.
  ByteReader plc;
  bool found = false;
  while (!found && clx.remaining() > 0) {
    const size_t at = AFIB.FfcClx + clx.position();
    const uint8_t clxt = clx.U8();
    if (clxt == kClxPrc) {
      const int16_t cb = clx.I16LE();
      if (cb < 0 || !clx.Skip(static_cast<size_t>(cb))) {
        damage(at, "a Prc of the Clx is damaged");
        break;
      }
    } else if (clxt == kClxPcdt) {
      const uint32_t lcb = clx.U32LE();
      if (clx.failed()) break;
      if (lcb > clx.remaining()) damage(at, "the piece table is longer than the Clx");
      plc = clx.Sub(clx.position(), std::min<size_t>(lcb, clx.remaining()));
      found = true;
    } else {
      damage(at, "the Clx holds an unknown record " + std::to_string(clxt));
      break;
    }
  }
  if (!found) {
    if (AFIB.FlcbClx != 0) damage(AFIB.FfcClx, "the Clx has no piece table");
    return table;
  }
  // n pieces take (n + 1) positions and n descriptors.
  const size_t pieces = plc.size() >= kCpSize ? (plc.size() - kCpSize) / (kCpSize + kPcdSize) : 0;
  ByteReader cps = plc.Sub(0, (pieces + 1) * kCpSize);
  ByteReader pcds = plc.Sub((pieces + 1) * kCpSize, pieces * kPcdSize);
  const int64_t total = AFIB.TotalCharacterCount();
  table.FUnicodeCharactersBoundaries.push_back(pieces > 0 ? cps.U32LE() : 0);
  if (table.FUnicodeCharactersBoundaries.front() != 0) damage(AFIB.FfcClx, "the first piece does not start at 0");
  for (size_t i = 0; i < pieces; ++i) {
    const int64_t cp = cps.U32LE();
    pcds.Skip(2);
    const uint32_t fc = pcds.U32LE();
    pcds.Skip(2);
    const int64_t previous = table.FUnicodeCharactersBoundaries.back();
    if (cp <= previous) {
      damage(AFIB.FfcClx, "piece " + std::to_string(i) + " does not follow the one before it");
      break;
    }
    const bool compressed = (fc & kFcCompressed) != 0;
    const int64_t offset = PieceTextOffset(fc);
    if (offset + (cp - previous) * (compressed ? 1 : 2) > AWordDocumentSize)
      damage(static_cast<uint64_t>(offset), "the text of piece " + std::to_string(i) +
                                                " lies outside the WordDocument stream");
    table.FUnicodeCharactersBoundaries.push_back(cp);
    table.FIsUnicode8Bits.push_back(compressed);
    table.TextOffsets.push_back(offset);
    // The pieces end with the text: at the total count, or one more.
    if (cp == total || cp == total + 1) break;
  }
  if (table.FIsUnicode8Bits.empty()) {
    table.FUnicodeCharactersBoundaries.clear();
    damage(AFIB.FfcClx, "the piece table has no piece");
    return table;
  }
  AFIB.FfcMin = table.TextOffsets.front();
  return table;
}

bool ReadDocumentOptions(std::span<const uint8_t> ATableStream, const TvnFIBBase& AFIB) {
  if (AFIB.FlcbDop == 0 || AFIB.FfcDop >= ATableStream.size()) return false;
  return (ATableStream[AFIB.FfcDop] & 0x01) != 0;
}

}  // namespace vn::doc
