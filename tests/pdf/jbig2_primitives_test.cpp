// The JBIG2 building blocks: the bit reader, the MQ decoder against the
// standard's test sequence and a reference encoder, the integer decoders,
// the standard Huffman tables, user tables, and bitmap combination.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "jbig2_test_support.h"
#include "pdf/jbig2/arithmetic_decoder.h"
#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/huffman_table.h"
#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/io_stream.h"
#include "pdf/jbig2/segments.h"

namespace vn::pdf::jbig2 {
namespace {

using testing::BitString;
using testing::Bytes;
using testing::Image;
using testing::MqEncoder;

std::string Bits32(uint32_t v) {
  std::string s;
  for (int i = 31; i >= 0; --i) s += ((v >> i) & 1) ? '1' : '0';
  return s;
}

TEST(Jbig2IOStream, ReadsBitFieldsAcrossBytes) {
  const auto data = Bytes({0b10110110, 0b01011100, 0xFF, 0xFF, 0xFF, 0xFF});
  TvnIOStream s(data, INT64_MAX, 0);
  EXPECT_EQ(s.ReadBits(3), 0b101);
  // Eight bits at bit offset 3: the last five of one byte, the first three of the next.
  EXPECT_EQ(s.ReadBits(8), 0b10110010);
  EXPECT_EQ(s.GetBitOffset(), 3);
  s.SkipBits();
  EXPECT_EQ(s.GetStreamPos(), 2);
  // 0xFFFFFFFF inside the window is a value, not the end.
  EXPECT_EQ(s.ReadInt32(), 4294967295);
  EXPECT_EQ(s.ReadInt32(), -1);
  EXPECT_TRUE(s.Exhausted());
}

TEST(Jbig2IOStream, EndOfWindow) {
  const auto data = Bytes({0x12, 0x34, 0x56, 0x78, 0x9A});
  TvnIOStream whole(data, INT64_MAX, 0);
  auto window = whole.SubWindow(1, 3);  // 34 56 78
  EXPECT_EQ(window->ReadInt16(), 0x3456);
  EXPECT_EQ(window->ReadInt16(), -1) << "an integer that does not fit whole";
  EXPECT_EQ(window->GetStreamPos(), 3);
  EXPECT_EQ(window->ReadBit(), -1);
  EXPECT_EQ(window->ReadBits(4), -1);

  // A field that starts inside and runs past the end gets 0 bits.
  auto tail = whole.SubWindow(4, 1);  // 9A
  EXPECT_EQ(tail->ReadBits(4), 0x9);
  EXPECT_FALSE(tail->Exhausted());
  EXPECT_EQ(tail->ReadBits(12), 0xA00);
  EXPECT_TRUE(tail->Exhausted());

  // Positions are clamped to the window.
  TvnIOStream s(data, 5, 0);
  s.Seek(0, 99);
  EXPECT_EQ(s.GetStreamPos(), 5);
  s.Seek(2, 2);
  EXPECT_EQ(s.GetStreamPos(), 3);
  s.Seek(1, -10);
  EXPECT_EQ(s.GetStreamPos(), 0);
  s.Seek(1, INT64_MAX);
  EXPECT_EQ(s.GetStreamPos(), 5);
}

TEST(Jbig2IOStream, WindowOverAClassLibraryStream) {
  TStringStream source(std::string("\x01\x02\x03\x04\x05", 5));
  TvnIOStream s(source, 3, 1);
  EXPECT_EQ(s.Read(), 2);
  EXPECT_EQ(s.Read(), 3);
  EXPECT_EQ(s.Read(), 4);
  EXPECT_EQ(s.Read(), -1);
  auto window = s.SubWindow(1, 1);
  EXPECT_EQ(window->Read(), 3);
}

// The test sequence of the standard's arithmetic decoder: 30 coded bytes
// give 32 bytes, every bit in one context.
const std::vector<uint8_t> kMqInput = Bytes({0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87,
                                             0x2A, 0xAA, 0xAA, 0xAA, 0xAA, 0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7,
                                             0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF});
const std::vector<uint8_t> kMqCoded = Bytes({0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20,
                                             0x00, 0x00, 0x41, 0x0D, 0xBB, 0x86, 0xF4, 0x31, 0x7F, 0xFF,
                                             0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF, 0xFF, 0xAC});

std::vector<uint8_t> DecodeBytes(const std::vector<uint8_t>& coded, size_t count) {
  TvnIOStream s(coded, INT64_MAX, 0);
  TvnArithmeticDecoder decoder(&s);
  TvnCX cx(1, 0);
  std::vector<uint8_t> out;
  for (size_t i = 0; i < count; ++i) {
    int byte = 0;
    for (int b = 0; b < 8; ++b) byte = byte << 1 | decoder.Decode(cx);
    out.push_back(static_cast<uint8_t>(byte));
  }
  return out;
}

TEST(Jbig2Arithmetic, DecodesTheStandardTestSequence) {
  EXPECT_EQ(DecodeBytes(kMqCoded, 32), kMqInput);
}

TEST(Jbig2Arithmetic, ReferenceEncoderGivesTheStandardTestSequence) {
  MqEncoder mq;
  std::vector<uint8_t> cx(1, 0);
  for (uint8_t byte : kMqInput)
    for (int b = 7; b >= 0; --b) mq.Encode(cx, 0, (byte >> b) & 1);
  EXPECT_EQ(Bytes(mq.Finish()), kMqCoded);
}

TEST(Jbig2Arithmetic, TheEndOfTheDataReadsAsAMarker) {
  // Past the end every byte reads as if a marker stood there: data cut
  // before its closing FF AC decodes the same bits, and decoding long past
  // the end stays where the marker is.
  std::vector<uint8_t> cut(kMqCoded.begin(), kMqCoded.end() - 2);
  EXPECT_EQ(DecodeBytes(cut, 64), DecodeBytes(kMqCoded, 64));

  TvnIOStream s(kMqCoded, INT64_MAX, 0);
  TvnArithmeticDecoder decoder(&s);
  TvnCX cx(1, 0);
  for (int i = 0; i < 100000; ++i) decoder.Decode(cx);
  EXPECT_EQ(s.GetStreamPos(), static_cast<int64_t>(kMqCoded.size()) - 1) << "the reader stops at the marker";

  TvnIOStream empty(std::span<const uint8_t>(), INT64_MAX, 0);
  TvnArithmeticDecoder nothing(&empty);
  for (int i = 0; i < 1000; ++i) nothing.Decode(cx);
}

TEST(Jbig2Arithmetic, ContextTable) {
  TvnCX cx(4, 2);
  EXPECT_EQ(cx.Getindex(), 2);
  EXPECT_EQ(cx.Getcx(), 0);
  EXPECT_EQ(cx.Mps(), 0);
  cx.Setcx(0xC5);  // kept to 7 bits
  EXPECT_EQ(cx.Getcx(), 0x45);
  cx.Togglemps();
  EXPECT_EQ(cx.Mps(), 1);
  EXPECT_EQ(cx.Getcx(), 0x45);
  cx.Setindex(3);
  EXPECT_EQ(cx.Getcx(), 0);
}

TEST(Jbig2Arithmetic, IntegerDecodingRoundTrips) {
  const std::vector<std::optional<int64_t>> values = {
      0, 1, 3, 4, 19, 20, 83, 84, 339, 340, 4435, 4436, 123456789, 4294967295LL + 4436, -1, -3, -4, -20, -340,
      -4436, -70000, std::nullopt, 7, std::nullopt, -2};
  MqEncoder mq;
  std::vector<uint8_t> iax(512, 0), iaid(1 << 7, 0);
  for (const auto& v : values) {
    testing::EncodeInteger(mq, iax, v);
    testing::EncodeIaid(mq, iaid, v ? static_cast<int>((*v % 128 + 128) % 128) : 5, 7);
  }
  const auto data = Bytes(mq.Finish());
  TvnIOStream s(data, INT64_MAX, 0);
  TvnArithmeticIntegerDecoder decoder(std::make_unique<TvnArithmeticDecoder>(&s));
  TvnCX cx_iax(512, 1), cx_iaid(1 << 7, 1);
  for (const auto& v : values) {
    EXPECT_EQ(decoder.Decode(&cx_iax), v ? *v : kOutOfBand);
    EXPECT_EQ(decoder.DecodeIAID(cx_iaid, 7), v ? static_cast<int>((*v % 128 + 128) % 128) : 5);
  }
  EXPECT_THROW(decoder.DecodeIAID(cx_iaid, 8), TvnJBIG2Exception) << "table smaller than the code length needs";
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

// Pixel-by-pixel combination, the reference for Blit.
Image ReferenceBlit(Image target, const Image& source, int x0, int y0, FCombinationOPerator op) {
  for (int y = 0; y < source.height; ++y)
    for (int x = 0; x < source.width; ++x) {
      const int tx = x0 + x, ty = y0 + y;
      if (tx < 0 || ty < 0 || tx >= target.width || ty >= target.height) continue;
      const int t = target.At(tx, ty), s = source.At(x, y);
      int v = s;
      switch (op) {
        case FCombinationOPerator::OROP: v = t | s; break;
        case FCombinationOPerator::ANDOP: v = t & s; break;
        case FCombinationOPerator::XOROP: v = t ^ s; break;
        case FCombinationOPerator::XNOROP: v = 1 - (t ^ s); break;
        case FCombinationOPerator::REPLACEOP: break;
      }
      target.Set(tx, ty, v);
    }
  return target;
}

Image Noise(int w, int h, std::mt19937& rng) {
  Image image(w, h);
  for (auto& p : image.pixels) p = static_cast<uint8_t>(rng() & 1);
  return image;
}

TEST(Jbig2Bitmap, BlitPlacesAndClipsLikePixelCombination) {
  // The edge case of the byte-wise path: a 10-pixel source at x = 3 changes
  // pixels 3 to 12 only.
  TvnImageBitmap target(24, 2);
  TvnImageBitmap source(10, 2);
  source.SetByteArray(0xFF);
  target.Blit(source, 3, 0, FCombinationOPerator::OROP);
  for (int x = 0; x < 24; ++x) EXPECT_EQ(target.GetPixel(x, 1), x >= 3 && x <= 12 ? 1 : 0) << x;

  std::mt19937 rng(7);
  const FCombinationOPerator ops[] = {FCombinationOPerator::OROP, FCombinationOPerator::ANDOP,
                                      FCombinationOPerator::XOROP, FCombinationOPerator::XNOROP,
                                      FCombinationOPerator::REPLACEOP};
  for (int round = 0; round < 300; ++round) {
    const Image t = Noise(1 + static_cast<int>(rng() % 40), 1 + static_cast<int>(rng() % 6), rng);
    const Image s = Noise(static_cast<int>(rng() % 30), static_cast<int>(rng() % 6), rng);
    const int x = static_cast<int>(rng() % 80) - 35;
    const int y = static_cast<int>(rng() % 12) - 6;
    const FCombinationOPerator op = ops[rng() % 5];
    TvnImageBitmap bitmap = testing::ToBitmap(t);
    bitmap.Blit(testing::ToBitmap(s), x, y, op);
    ASSERT_EQ(testing::FromBitmap(bitmap), ReferenceBlit(t, s, x, y, op))
        << "round " << round << " at " << x << "," << y << " op " << static_cast<int>(op);
    // The padding bits at the end of each row stay 0.
    for (int row = 0; row < bitmap.GetHeight(); ++row)
      ASSERT_EQ(bitmap.Row(row)[bitmap.GetRowStride() - 1] & ~bitmap.LastByteMask(), 0);
  }
  // Far outside: nothing happens, nothing overflows.
  TvnImageBitmap small(8, 8);
  small.Blit(source, INT64_MAX - 4, 0, FCombinationOPerator::OROP);
  small.Blit(source, -INT64_MAX, 0, FCombinationOPerator::OROP);
  EXPECT_EQ(small.GetByteArray(), std::vector<uint8_t>(8, 0));
}

TEST(Jbig2Bitmap, RegionOfInterestAndOperators) {
  std::mt19937 rng(3);
  const Image image = Noise(37, 9, rng);
  const TvnImageBitmap bitmap = testing::ToBitmap(image);
  const TvnImageBitmap part = bitmap.GetRegionOfInterest(-3, 2, 20, 12);
  ASSERT_EQ(part.GetWidth(), 23);
  ASSERT_EQ(part.GetHeight(), 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 23; ++x) EXPECT_EQ(part.GetPixel(x, y), image.At(x - 3, y + 2)) << x << "," << y;

  EXPECT_EQ(CombinationOperatorFromCode(0), FCombinationOPerator::OROP);
  EXPECT_EQ(CombinationOperatorFromCode(3), FCombinationOPerator::XNOROP);
  EXPECT_EQ(CombinationOperatorFromCode(4), FCombinationOPerator::REPLACEOP);
  EXPECT_EQ(TvnImageBitmap::CombineBytes(0b1100, 0b1010, FCombinationOPerator::XNOROP), 0b11111001);
}

TEST(Jbig2Bitmap, SizesFromFilesAreCapped) {
  EXPECT_THROW(TvnImageBitmap(1 << 15, (1 << 13) + 1), TvnJBIG2Exception);
  EXPECT_THROW(TvnImageBitmap(-1, 5), TvnJBIG2Exception);
  EXPECT_THROW(TvnImageBitmap(0xFFFFFFFFLL, 0), TvnJBIG2Exception);
  TvnImageBitmap empty(0, 4);
  EXPECT_EQ(empty.GetRowStride(), 0);
  EXPECT_EQ(empty.GetRegionOfInterest(0, 0, 0, 3).GetHeight(), 3);
}

}  // namespace
}  // namespace vn::pdf::jbig2
