// LZW decoding and the row predictors: strips written by tiffcp decode to
// the uncompressed strip; PNG rows of every filter type; TIFF differencing
// at several depths; parameters, partial rows and Reset.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "runtime/inflate.h"
#include "pdf/filters/lzw.h"
#include "pdf/filters/predictor.h"
#include "runtime/byte_reader.h"
#include "support/paths.h"

namespace vn::pdf::filters::lzw_predictor_test {
namespace {
using codec::Inflater;
using codec::SpanSource;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The one strip of a little-endian single-strip TIFF.
std::string TiffStrip(const std::string& file) {
  ByteReader r(file);
  r.Skip(4);
  r.Seek(r.U32LE());
  uint16_t count = r.U16LE();
  uint32_t offset = 0, length = 0;
  for (uint16_t i = 0; i < count; ++i) {
    uint16_t tag = r.U16LE(), type = r.U16LE();
    r.U32LE();
    uint32_t value = type == 3 ? r.U16LE() : r.U32LE();
    if (type == 3) r.U16LE();
    if (tag == 273) offset = value;
    if (tag == 279) length = value;
  }
  EXPECT_TRUE(r.ok());
  ByteReader strip = r.Sub(offset, length);
  EXPECT_TRUE(strip.ok());
  return strip.String(length);
}

const std::filesystem::path kFixtures = std::filesystem::path(VN_FIXTURES_DIR) / "pdf" / "filters";

std::string DecodeLzw(const std::string& data, int early_change = 1, PredictorParams params = {}) {
  SpanSource source(data);
  LzwDecoder lzw(source, early_change);
  auto predictor = PredictorDecoder::Create(lzw, params);
  return predictor ? predictor->ReadAll() : lzw.ReadAll();
}

TEST(Lzw, TiffcpStripsDecodeToTheUncompressedStrip) {
  std::string plain = TiffStrip(ReadFile(kFixtures / "strip.tif"));
  ASSERT_EQ(plain.size(), 64u * 40u * 3u);
  EXPECT_EQ(DecodeLzw(TiffStrip(ReadFile(kFixtures / "strip-lzw.tif"))), plain);
  PredictorParams tiff{2, 64, 3, 8};
  EXPECT_EQ(DecodeLzw(TiffStrip(ReadFile(kFixtures / "strip-lzw-pred2.tif")), 1, tiff), plain);
}

// Codes written most significant bit first at a given width sequence.
std::string PackCodes(const std::vector<std::pair<uint32_t, unsigned>>& codes) {
  std::string out;
  uint32_t acc = 0;
  unsigned n = 0;
  for (auto [code, bits] : codes) {
    acc = (acc << bits) | code;
    n += bits;
    while (n >= 8) {
      out.push_back(static_cast<char>(acc >> (n - 8)));
      n -= 8;
    }
  }
  if (n) out.push_back(static_cast<char>(acc << (8 - n)));
  return out;
}

TEST(Lzw, CodeCases) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint32_t, unsigned>> codes;
    int early_change;
    std::string expected;
  } cases[] = {
      {"literals", {{256, 9}, {'A', 9}, {'B', 9}, {257, 9}}, 1, "AB"},
      {"table entry", {{256, 9}, {'A', 9}, {'B', 9}, {258, 9}, {257, 9}}, 1, "ABAB"},
      // Code equal to the next code: previous sequence plus its first byte.
      {"next code", {{'A', 9}, {258, 9}, {257, 9}}, 1, "AAA"},
      {"code beyond the table ends", {{'A', 9}, {300, 9}, {'B', 9}}, 1, "A"},
      {"clear resets, first code adds nothing", {{'A', 9}, {256, 9}, {'B', 9}, {258, 9}}, 1, "ABBB"},
      {"no end code", {{'X', 9}, {'Y', 9}}, 1, "XY"},
      {"next code first is invalid", {{258, 9}}, 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeLzw(PackCodes(c.codes), c.early_change), c.expected) << c.name;
}

TEST(Lzw, EarlyChangeZeroWidensOneCodeLater) {
  // 253 literals after the first add entries 258..510. With EarlyChange 1
  // the next code is 10 bits wide; with 0 it is still 9 bits, and the width
  // changes one code later.
  auto codes_for = [](int early) {
    std::vector<std::pair<uint32_t, unsigned>> codes;
    std::string expected;
    for (uint32_t i = 0; i < 254; ++i) {
      codes.push_back({i, 9});
      expected.push_back(static_cast<char>(i));
    }
    // Entries 258..510 exist (253 of them); next code is 511.
    unsigned width = early ? 10 : 9;
    codes.push_back({'Z', width});
    expected.push_back('Z');
    // The next code is 512: 10 bits for both settings.
    codes.push_back({258, 10});
    expected += std::string{0, 1};
    codes.push_back({257, 10});
    return std::make_pair(PackCodes(codes), expected);
  };
  for (int early : {0, 1}) {
    auto [data, expected] = codes_for(early);
    EXPECT_EQ(DecodeLzw(data, early), expected) << early;
  }
  // The data for one setting misread by the other.
  EXPECT_NE(DecodeLzw(codes_for(0).first, 1), codes_for(0).second);
}

TEST(Lzw, FullTableKeepsDecodingWithoutNewEntries) {
  // 5000 codes without a clear: the table stops at 4096 entries and codes
  // stay 12 bits wide.
  std::vector<std::pair<uint32_t, unsigned>> codes;
  std::string expected;
  uint32_t next = 258;
  for (int i = 0; i < 5000; ++i) {
    unsigned width = next + 1 >= 2048 ? 12 : next + 1 >= 1024 ? 11 : next + 1 >= 512 ? 10 : 9;
    uint8_t b = static_cast<uint8_t>(i * 7);
    codes.push_back({b, width});
    expected.push_back(static_cast<char>(b));
    if (i > 0 && next < 4096) ++next;
  }
  EXPECT_EQ(DecodeLzw(PackCodes(codes)), expected);
}

// PNG rows encoded with the given filter type per row.
std::string PngEncode(const std::string& image, size_t row_bytes, size_t bpp, const std::vector<int>& types) {
  std::string out;
  std::string prev(row_bytes, '\0');
  for (size_t y = 0; y * row_bytes < image.size(); ++y) {
    std::string row = image.substr(y * row_bytes, row_bytes);
    int t = types[y % types.size()];
    out.push_back(static_cast<char>(t));
    for (size_t i = 0; i < row_bytes; ++i) {
      int a = i >= bpp ? uint8_t(row[i - bpp]) : 0, b = uint8_t(prev[i]), c = i >= bpp ? uint8_t(prev[i - bpp]) : 0;
      int pred = 0;
      if (t == 1) pred = a;
      if (t == 2) pred = b;
      if (t == 3) pred = (a + b) / 2;
      if (t == 4) {
        int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
      }
      out.push_back(static_cast<char>(uint8_t(row[i]) - pred));
    }
    prev = row;
  }
  return out;
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size());
  out.resize(size);
  return out;
}

std::string DecodeFlate(const std::string& z, PredictorParams params) {
  SpanSource source(z);
  Inflater inflater(source);
  auto predictor = PredictorDecoder::Create(inflater, params);
  return predictor ? predictor->ReadAll() : inflater.ReadAll();
}

TEST(Predictor, PngRowsOfEveryFilterType) {
  std::mt19937 rng(7);
  struct Shape {
    int colors, bits, columns;
  } shapes[] = {{3, 8, 17}, {1, 8, 40}, {4, 8, 9}, {1, 1, 29}, {1, 4, 13}, {3, 16, 7}, {2, 2, 11}};
  for (const auto& s : shapes) {
    size_t bpp = (s.colors * s.bits + 7) / 8;
    size_t row_bytes = (size_t(s.columns) * s.colors * s.bits + 7) / 8;
    std::string image(row_bytes * 12, '\0');
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>((i * 3 + rng() % 4) & 0xFF);
    std::string encoded = PngEncode(image, row_bytes, bpp, {0, 1, 2, 3, 4, 2, 1, 4, 3, 0});
    PredictorParams p{15, s.columns, s.colors, s.bits};
    EXPECT_EQ(DecodeFlate(Deflate(encoded), p), image) << s.colors << "x" << s.bits << " columns " << s.columns;
  }
}

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s.push_back(static_cast<char>(b));
  return s;
}

TEST(Predictor, Cases) {
  struct Case {
    const char* name;
    PredictorParams params;
    std::string raw;
    std::string expected;
  } cases[] = {
      {"Up rows add the previous row", {12, 4, 1, 8}, Bytes({2, 1, 2, 3, 4, 2, 1, 1, 1, 1}), Bytes({1, 2, 3, 4, 2, 3, 4, 5})},
      {"unknown row tag copies the row", {12, 4, 1, 8}, Bytes({7, 9, 8, 7, 6}), Bytes({9, 8, 7, 6})},
      {"Sub wraps modulo 256", {10, 3, 1, 8}, Bytes({1, 200, 100, 1}), Bytes({200, 44, 45})},
      {"Average without overflow", {11, 2, 1, 8}, Bytes({2, 250, 250, 3, 10, 10}), Bytes({250, 250, 135, 202})},
      {"TIFF 8 bits, 3 colours", {2, 2, 3, 8}, Bytes({1, 2, 3, 10, 20, 30}), Bytes({1, 2, 3, 11, 22, 33})},
      {"TIFF 4 bits wraps per sample", {2, 4, 1, 4}, Bytes({0x1F, 0x21}), Bytes({0x10, 0x23})},
      {"TIFF 1 bit keeps the padding bits", {2, 3, 1, 1}, Bytes({0b10100101}), Bytes({0b11000101})},
      {"TIFF 16 bits", {2, 2, 1, 16}, Bytes({0x01, 0xFF, 0x00, 0x02}), Bytes({0x01, 0xFF, 0x02, 0x01})},
      {"partial last row is dropped", {12, 4, 1, 8}, Bytes({0, 1, 2, 3, 4, 0, 5, 6}), Bytes({1, 2, 3, 4})},
      {"Columns 0 passes the data unpredicted", {12, 0, 1, 8}, Bytes({2, 1, 2, 3}), Bytes({2, 1, 2, 3})},
      {"Predictor 1 passes the data", {1, 4, 1, 8}, Bytes({2, 1, 2, 3}), Bytes({2, 1, 2, 3})},
      {"huge Columns passes the data", {12, 1 << 30, 1, 1}, Bytes({2, 1}), Bytes({2, 1})},
      {"wide pixels are supported", {12, 1, 100, 8}, Bytes({0}) + std::string(100, 'x'), std::string(100, 'x')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeFlate(Deflate(c.raw), c.params), c.expected) << c.name;
    // The LZW decoder carries the same predictor.
    std::vector<std::pair<uint32_t, unsigned>> codes;
    for (unsigned char b : c.raw) codes.push_back({256, 9}), codes.push_back({b, 9});
    codes.push_back({257, 9});
    EXPECT_EQ(DecodeLzw(PackCodes(codes), 1, c.params), c.expected) << c.name << " (LZW)";
  }
}

TEST(Predictor, ResetDecodesAgain) {
  std::string image(30 * 8, '\0');
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * i);
  std::string z = Deflate(PngEncode(image, 30, 3, {4, 1, 2}));
  SpanSource source(z);
  Inflater inflater(source);
  auto predictor = PredictorDecoder::Create(inflater, {12, 10, 3, 8});
  ASSERT_TRUE(predictor);
  uint8_t head[45];
  ASSERT_EQ(predictor->Read(head, sizeof head), sizeof head);
  predictor->Reset();
  EXPECT_EQ(predictor->ReadAll(), image);
  predictor->Reset();
  EXPECT_EQ(predictor->ReadAll(), image);
}

}  // namespace
}  // namespace vn::pdf::filters::lzw_predictor_test
