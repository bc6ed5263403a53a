// The file information block's fields and the piece table of the Clx, on
// WordDocument and table streams built in memory.
#include "doc/file_information_block.h"

#include <gtest/gtest.h>

namespace file_information_block_test {

using vn::Diagnostics;
using vn::doc::PieceTable;
using vn::doc::ReadDocumentOptions;
using vn::doc::ReadPieceTable;
using vn::doc::TvnBinaryReader;
using vn::doc::TvnFIBBase;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A FIB of 1024 bytes with the story counts and the Clx and DOP fields.
std::vector<uint8_t> Fib(uint32_t ccp_text, uint32_t ccp_hdd, uint32_t fc_clx, uint32_t lcb_clx) {
  std::vector<uint8_t> b(1024, 0);
  b[0] = 0xEC;
  b[1] = 0xA5;
  Put32(b, 76, ccp_text);
  Put32(b, 84, ccp_hdd);
  Put32(b, 418, fc_clx);
  Put32(b, 422, lcb_clx);
  return b;
}

TvnFIBBase ReadFib(const std::vector<uint8_t>& bytes) {
  TvnBinaryReader reader(bytes);
  return TvnFIBBase(reader);
}

TEST(DocFib, ReadsEachFieldAtItsOffset) {
  std::vector<uint8_t> b(760, 0);
  b[10] = 0x00;
  b[11] = 0x02;  // fWhichTblStm
  const std::pair<size_t, uint32_t TvnFIBBase::*> fields[] = {
      {24, nullptr},  // fcMin: its own type
      {28, &TvnFIBBase::FfcMac},           {76, &TvnFIBBase::FccpText},
      {80, &TvnFIBBase::FccpFtn},          {84, &TvnFIBBase::FccpHdd},
      {92, &TvnFIBBase::FccpAtn},          {96, &TvnFIBBase::FccpEdn},
      {100, &TvnFIBBase::FccpTxbx},        {104, &TvnFIBBase::FccpHdrTxbx},
      {162, &TvnFIBBase::FfcStshf},        {166, &TvnFIBBase::FlcbStshf},
      {202, &TvnFIBBase::FfcPlcfSed},      {206, &TvnFIBBase::FlcbPlcfSed},
      {242, &TvnFIBBase::FfcPlcfHdd},      {246, &TvnFIBBase::FlcbPlcfHdd},
      {250, &TvnFIBBase::FfcPlcfBteChpx},  {254, &TvnFIBBase::FlcbPlcfBteChpx},
      {258, &TvnFIBBase::FfcPlcfBtePapx},  {262, &TvnFIBBase::FlcbPlcfBtePapx},
      {274, &TvnFIBBase::FfcSttbfFfn},     {278, &TvnFIBBase::FlcbSttbfFfn},
      {402, &TvnFIBBase::FfcDop},          {406, &TvnFIBBase::FlcbDop},
      {418, &TvnFIBBase::FfcClx},          {422, &TvnFIBBase::FlcbClx},
      {474, &TvnFIBBase::FfcPlcSpaMom},    {478, &TvnFIBBase::FlcbPlcSpaMom},
      {554, &TvnFIBBase::FfcDggInfo},      {558, &TvnFIBBase::FlcbDggInfo},
      {602, &TvnFIBBase::FfcPlcftxbxTxt},  {606, &TvnFIBBase::FlcbPlcftxbxTxt},
      {738, &TvnFIBBase::FfcPlfLst},       {742, &TvnFIBBase::FlcbPlfLst},
      {746, &TvnFIBBase::FfcPlfLfo},       {750, &TvnFIBBase::FlcbPlfLfo},
  };
  // Each field holds its own offset plus 0x80000000 (read unsigned).
  for (const auto& [offset, field] : fields) Put32(b, offset, 0x80000000u + static_cast<uint32_t>(offset));
  const TvnFIBBase fib = ReadFib(b);
  EXPECT_EQ(fib.FFWhichTableStream, 1u);
  EXPECT_EQ(fib.FfcMin, 0x80000000 + 24);
  for (const auto& [offset, field] : fields)
    if (field) EXPECT_EQ(fib.*field, 0x80000000u + offset) << "offset " << offset;
  // The macro story (88) is not part of the total.
  EXPECT_EQ(fib.TotalCharacterCount(), 7 * int64_t{0x80000000} + 76 + 80 + 84 + 92 + 96 + 100 + 104);
}

TEST(DocFib, AShortStreamReadsAsZeros) {
  const TvnFIBBase fib = ReadFib({0xEC, 0xA5, 0xC1, 0x00});
  EXPECT_EQ(fib.FwIdent, 0xA5EC);
  EXPECT_EQ(fib.FnFib, 0xC1);
  EXPECT_EQ(fib.FfcClx, 0u);
  EXPECT_EQ(fib.TotalCharacterCount(), 0);
}

// A Clx: optional Prc records, then the Pcdt of the given positions and fcs.
std::vector<uint8_t> Clx(const std::vector<uint32_t>& cps, const std::vector<uint32_t>& fcs,
                         const std::vector<uint16_t>& prc_sizes = {}) {
  std::vector<uint8_t> b;
  for (uint16_t size : prc_sizes) {
    b.push_back(1);
    b.push_back(static_cast<uint8_t>(size));
    b.push_back(static_cast<uint8_t>(size >> 8));
    b.insert(b.end(), size, 0x55);
  }
  b.push_back(2);
  const size_t lcb_at = b.size();
  b.resize(b.size() + 4);
  const size_t plc_at = b.size();
  for (uint32_t cp : cps) Put32(b, b.size(), cp);
  for (uint32_t fc : fcs) {
    b.push_back(0);
    b.push_back(0);
    Put32(b, b.size(), fc);
    b.push_back(0);
    b.push_back(0);
  }
  Put32(b, lcb_at, static_cast<uint32_t>(b.size() - plc_at));
  return b;
}

struct PieceCase {
  const char* name;
  uint32_t ccp_text, ccp_hdd;
  std::vector<uint8_t> clx;
  std::vector<int64_t> boundaries;
  std::vector<bool> compressed;
  std::vector<int64_t> offsets;
  int64_t fc_min;
  const char* diagnostic;  // empty: none
};

TEST(DocPieceTable, ReadsPiecesPositionsAndTextOffsets) {
  constexpr uint32_t kCompressed = 0x40000000;
  const PieceCase cases[] = {
      {"one compressed piece", 10, 0, Clx({0, 10}, {2048 | kCompressed}), {0, 10}, {true}, {1024}, 1024, ""},
      {"one 16-bit piece", 10, 0, Clx({0, 10}, {0x600}), {0, 10}, {false}, {0x600}, 0x600, ""},
      {"a compressed and a 16-bit piece, each with its own offset", 20, 0,
       Clx({0, 8, 20}, {2048 | kCompressed, 0x1000}), {0, 8, 20}, {true, false}, {1024, 0x1000}, 1024, ""},
      {"ending one past the total (a header story)", 10, 5, Clx({0, 16}, {0x600}), {0, 16}, {false}, {0x600},
       0x600, ""},
      {"Prc records before the piece table", 10, 0, Clx({0, 10}, {0x600}, {3, 0, 7}), {0, 10}, {false}, {0x600},
       0x600, ""},
      {"positions that never reach the total stop at the end of the table", 50, 0, Clx({0, 10}, {0x600}),
       {0, 10}, {false}, {0x600}, 0x600, ""},
      {"a position going backwards cuts the table", 30, 0, Clx({0, 10, 5, 30}, {0x600, 0x700, 0x800}), {0, 10},
       {false}, {0x600}, 0x600, "does not follow"},
      {"text outside the WordDocument stream", 10, 0, Clx({0, 10}, {0x7FFF0}), {0, 10}, {false}, {0x7FFF0},
       0x7FFF0, "outside the WordDocument stream"},
      {"an unknown Clx record", 10, 0, {9, 1, 2, 3}, {}, {}, {}, 77, "unknown record"},
      {"a Prc longer than the Clx", 10, 0, {1, 0xFF, 0x7F, 0, 0}, {}, {}, {}, 77, "Prc of the Clx is damaged"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The Clx sits at 100 in the table stream; the WordDocument stream is
    // 64 KB.
    std::vector<uint8_t> table(100, 0xEE);
    table.insert(table.end(), c.clx.begin(), c.clx.end());
    TvnFIBBase fib = ReadFib(Fib(c.ccp_text, c.ccp_hdd, 100, static_cast<uint32_t>(c.clx.size())));
    fib.FfcMin = 77;
    Diagnostics diagnostics;
    const PieceTable pieces = ReadPieceTable(table, 0x10000, fib, &diagnostics);
    EXPECT_EQ(pieces.FUnicodeCharactersBoundaries, c.boundaries);
    EXPECT_EQ(pieces.FIsUnicode8Bits, c.compressed);
    EXPECT_EQ(pieces.TextOffsets, c.offsets);
    EXPECT_EQ(fib.FfcMin, c.fc_min);
    if (*c.diagnostic)
      EXPECT_NE(diagnostics.Summary().find(c.diagnostic), std::string::npos) << diagnostics.Summary();
    else
      EXPECT_TRUE(diagnostics.Empty()) << diagnostics.Summary();
  }
}

TEST(DocPieceTable, NeverReadsOutsideTheClxOrTheTableStream) {
  const std::vector<uint8_t> clx = Clx({0, 10}, {0x600});
  std::vector<uint8_t> table(100, 0);
  table.insert(table.end(), clx.begin(), clx.end());
  const struct {
    uint32_t fc, lcb;
    size_t pieces;
  } cases[] = {
      {100, 5, 0},               // the Clx too short for its piece table
      {100, 0xFFFFFFFF, 1},      // lcb past the stream: cut to the stream
      {0xFFFFFFF0, 0x100, 0},    // fc past the stream
      {static_cast<uint32_t>(table.size()), 4, 0},
  };
  for (const auto& c : cases) {
    TvnFIBBase fib = ReadFib(Fib(10, 0, c.fc, c.lcb));
    const PieceTable pieces = ReadPieceTable(table, 0x10000, fib);
    EXPECT_EQ(pieces.FIsUnicode8Bits.size(), c.pieces) << c.fc << " " << c.lcb;
  }
}

TEST(DocFib, DocumentOptionsGiveFacingPages) {
  std::vector<uint8_t> fib_bytes = Fib(0, 0, 0, 0);
  Put32(fib_bytes, 402, 4);  // fcDop
  Put32(fib_bytes, 406, 2);  // lcbDop
  const TvnFIBBase fib = ReadFib(fib_bytes);
  EXPECT_TRUE(ReadDocumentOptions(std::vector<uint8_t>{0, 0, 0, 0, 0x01, 0}, fib));
  EXPECT_FALSE(ReadDocumentOptions(std::vector<uint8_t>{0, 0, 0, 0, 0xFE, 0}, fib));
  EXPECT_FALSE(ReadDocumentOptions(std::vector<uint8_t>{0x01, 0x01}, fib));  // no DOP there
}

}  // namespace file_information_block_test
