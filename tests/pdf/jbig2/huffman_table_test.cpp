// Huffman tables: the fifteen standard tables against known code words, code
// assignment, tables that are no prefix code, and user tables from table
// segments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/huffman_table.h"
#include "pdf/jbig2/segments.h"
#include "test_support.h"

namespace vn::pdf::jbig2::huffman_table_test {
namespace {

using testing::BitString;
using testing::Bytes;

std::string Bits32(uint32_t v) {
  std::string s;
  for (int i = 31; i >= 0; --i) s += ((v >> i) & 1) ? '1' : '0';
  return s;
}

TEST(Jbig2Huffman, StandardTablesDecodeKnownCodeWords) {
  struct Case {
    int table;
    std::string bits;
    int64_t value;
  };
  const int64_t OOB = kOutOfBand;
  const Case cases[] = {
      {1, "0 0101", 5}, {1, "10 00000011", 19}, {1, "110 0000000000000001", 273}, {1, "111" + Bits32(1), 65809},
      {2, "0", 0}, {2, "10", 1}, {2, "110", 2}, {2, "1110 111", 10}, {2, "11110 000000", 11},
      {2, "111110" + Bits32(0), 75}, {2, "111111", OOB},
      {3, "11111110 00000000", -256}, {3, "11111110 11111111", -1}, {3, "0", 0}, {3, "11110 111111", 74},
      {3, "11111111" + Bits32(5), -262}, {3, "1111110" + Bits32(0), 75}, {3, "111110", OOB},
      {4, "0", 1}, {4, "10", 2}, {4, "110", 3}, {4, "1110 000", 4}, {4, "11110 000000", 12},
      {4, "11111" + Bits32(0), 76},
      {5, "1111110 00000000", -255}, {5, "1111110 11111111", 0}, {5, "1111111" + Bits32(0), -256},
      {5, "111110" + Bits32(3), 79}, {5, "0", 1},
      {6, "00 0000011", 3}, {6, "010 0000000", 128}, {6, "011 00000000", 256}, {6, "1000 000000000", -1024},
      {6, "1011 00000", -32}, {6, "1011 11111", -1}, {6, "11100 0000000000", -2048}, {6, "11110 00000", -64},
      {6, "111110" + Bits32(1), -2050}, {6, "111111" + Bits32(0), 2048},
      {7, "000 00000000", -512}, {7, "1011 00101", 5}, {7, "11100 00000", 32}, {7, "11110" + Bits32(0), -1025},
      {7, "11111" + Bits32(7), 2055}, {7, "011 0000000000", 1024},
      {8, "00 1", 1}, {8, "01", OOB}, {8, "100 0000", 4}, {8, "1010", -1}, {8, "11111100 000", -15},
      {8, "111111100 1", -6}, {8, "111111110" + Bits32(0), -16}, {8, "111111111" + Bits32(0), 1670},
      {8, "1111100", -2}, {8, "111010", 3},
      {9, "00", OOB}, {9, "010 1", 0}, {9, "011 0", 1}, {9, "100 00000", 7}, {9, "111111110" + Bits32(0), -32},
      {9, "111111111" + Bits32(1), 3340},
      {10, "00 00", -2}, {10, "00 11", 1}, {10, "01 000000", 6}, {10, "10", OOB},
      {10, "11111110" + Bits32(0), -22}, {10, "11111111" + Bits32(0), 4166}, {10, "1111010 0000", -21},
      {11, "0", 1}, {11, "10 1", 3}, {11, "1100", 4}, {11, "11101 11", 12}, {11, "1111111" + Bits32(0), 141},
      {11, "1111110 000000", 77},
      {12, "110 1", 4}, {12, "11100", 5}, {12, "1111010", 10}, {12, "11111110 00000", 41},
      {12, "11111111" + Bits32(2), 75},
      {13, "100", 2}, {13, "101 111", 14}, {13, "11100", 4}, {13, "111110 00000", 45},
      {13, "1111111" + Bits32(0), 141},
      {14, "100", -2}, {14, "101", -1}, {14, "0", 0}, {14, "110", 1}, {14, "111", 2},
      {15, "0", 0}, {15, "100", -1}, {15, "101", 1}, {15, "1100", -2}, {15, "1101", 2}, {15, "11100 1", -3},
      {15, "11101 1", 4}, {15, "111100 11", -5}, {15, "111101 00", 5}, {15, "1111100 0000", -24},
      {15, "1111101 1111", 24}, {15, "1111110" + Bits32(0), -25}, {15, "1111111" + Bits32(0), 25},
  };
  for (const Case& c : cases) {
    const auto data = BitString(c.bits);
    TvnIOStream s(data, INT64_MAX, 0);
    EXPECT_EQ(TvnStandardTables::GetTable(c.table).Decode(s), c.value) << "B." << c.table << " " << c.bits;
  }
  EXPECT_THROW(TvnStandardTables::GetTable(16), TvnJBIG2Exception);
}

TEST(Jbig2Huffman, CodeAssignmentAndDiagnosticText) {
  std::vector<TvnCode> lines = {{1, 4, 0, false}, {2, 8, 16, false}, {3, 16, 272, false}, {3, 32, 65808, false}};
  EXPECT_EQ(lines[0].ToString(), "?/1/4/0");
  TvnFixedSizeTable table(lines);
  TvnHuffmanTable probe;
  probe.InitTree(lines);
  EXPECT_EQ(CodeTableToString(lines), "0/1/4/0\\n10/2/8/16\\n110/3/16/272\\n111/3/32/65808\\n");
}

TEST(Jbig2Huffman, TablesThatAreNoPrefixCodeAreRefused) {
  // Three codes of length 1 cannot exist; nor can a 63-bit prefix.
  std::vector<TvnCode> three = {{1, 0, 0, false}, {1, 0, 1, false}, {1, 0, 2, false}};
  EXPECT_THROW(TvnFixedSizeTable{three}, TvnJBIG2Exception);
  std::vector<TvnCode> long_prefix = {{63, 0, 0, false}};
  EXPECT_THROW(TvnFixedSizeTable{long_prefix}, TvnJBIG2Exception);

  // An incomplete table: the unused code ends decoding with an exception,
  // as does data that stops inside a code.
  TvnFixedSizeTable sparse({{2, 0, 7, false}});
  const auto ones = Bytes({0xFF});
  TvnIOStream s1(ones, INT64_MAX, 0);
  EXPECT_THROW(sparse.Decode(s1), TvnJBIG2Exception);
  const auto empty = std::vector<uint8_t>();
  TvnIOStream s2(empty, INT64_MAX, 0);
  EXPECT_THROW(TvnStandardTables::GetTable(2).Decode(s2), TvnJBIG2Exception);
}

// A code table segment's data: flags, HTLOW, HTHIGH, then the lines.
std::vector<uint8_t> TableSegment(int flags, int32_t low, int32_t high, const std::string& line_bits) {
  std::string s(1, static_cast<char>(flags));
  testing::PutU32(s, static_cast<uint32_t>(low));
  testing::PutU32(s, static_cast<uint32_t>(high));
  auto lines = BitString(line_bits);
  s.append(lines.begin(), lines.end());
  return Bytes(s);
}

TEST(Jbig2Huffman, UserTableFromATableSegment) {
  // HTPS = 2, HTRS = 3, out of band: lines for -3..0 (PREFLEN 2, RANGELEN 2)
  // and 1..8 (PREFLEN 2, RANGELEN 3), then lower (3), upper (3), OOB (2).
  // Lengths 2, 2, 3, 3, 2 give codes 00, 01, 110, 111, 10.
  const int flags = 1 | (2 - 1) << 1 | (3 - 1) << 4;
  const auto data = TableSegment(flags, -3, 9, "10 010  10 011  11  11  10");
  TvnIOStream window(data, static_cast<int64_t>(data.size()), 0);
  TvnTable segment;
  segment.Init(nullptr, window.SubWindow(0, window.Length()));
  EXPECT_EQ(segment.GetHtPS(), 2);
  EXPECT_EQ(segment.GetHtRS(), 3);
  EXPECT_EQ(segment.GetHtLow(), -3);
  TvnEncodedTable table(segment);
  struct Case {
    std::string bits;
    int64_t value;
  } cases[] = {{"00 11", 0}, {"01 000", 1}, {"01 111", 8}, {"110" + Bits32(2), -6}, {"111" + Bits32(0), 9},
               {"10", kOutOfBand}};
  for (const Case& c : cases) {
    const auto bits = BitString(c.bits);
    TvnIOStream s(bits, INT64_MAX, 0);
    EXPECT_EQ(table.Decode(s), c.value) << c.bits;
  }

  // Lines missing at the end of the segment.
  const auto cut = TableSegment(flags, -3, 9, "10 010");
  TvnIOStream cut_window(cut, static_cast<int64_t>(cut.size()), 0);
  TvnTable cut_segment;
  cut_segment.Init(nullptr, cut_window.SubWindow(0, cut_window.Length()));
  EXPECT_THROW(TvnEncodedTable{cut_segment}, TvnJBIG2Exception);
}

}  // namespace
}  // namespace vn::pdf::jbig2::huffman_table_test
