// CCITT fax decoding: hand-coded rows for the coding modes, parameters and
// damage rules; strips written by tiffcp in every Group 3 and Group 4
// flavour at several widths, and byte-aligned Group 4 cut from libtiff's
// codes, decode bit for bit as libtiff decodes them.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pdf/filters/ccitt.h"
#include "../pdf_corpus.h"

namespace vn::pdf::filters::ccitt_test {
namespace {

namespace fs = std::filesystem;
using codec::SpanSource;

// A bit text ("0110 1..."; blanks ignored) packed into bytes, the last one
// filled with 0 bits.
std::string Bits(std::string_view text) {
  std::string out;
  int n = 0;
  for (char c : text) {
    if (c != '0' && c != '1') continue;
    if (n % 8 == 0) out.push_back('\0');
    if (c == '1') out.back() = static_cast<char>(out.back() | (0x80 >> (n % 8)));
    ++n;
  }
  return out;
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Decode(const std::string& data, const CcittParams& params) {
  SpanSource source(data);
  CcittDecoder decoder(source, params);
  return decoder.ReadAll();
}

CcittParams Params(int k, int columns) {
  CcittParams p;
  p.K = k;
  p.Columns = columns;
  return p;
}

constexpr const char* kEol = " 000000000001 ";

TEST(CcittDecoder, HandCodedRows) {
  struct Case {
    const char* name;
    std::string bits;
    CcittParams params;
    const char* expected;
  };
  auto with = [](CcittParams p, auto change) {
    change(p);
    return p;
  };
  const std::string eol = kEol;
  const Case cases[] = {
      {"white run of 8 then end-of-line", "10011" + eol, Params(0, 8), "FF"},
      {"BlackIs1 inverts", "10011" + eol, with(Params(0, 8), [](CcittParams& p) { p.BlackIs1 = true; }), "00"},
      {"ten pixels: white 3, black 4, white 3", "1000 011 1000", Params(0, 10), "E1 C0"},
      {"BlackIs1 inverts the padding too", "1000 011 1000", with(Params(0, 10), [](CcittParams& p) { p.BlackIs1 = true; }),
       "1E 3F"},
      {"row starting black: white 0 first", "00110101 11 1011", Params(0, 6), "3C"},
      {"make-up and terminating codes add up", "11011 00110101" "0000001111 0000110111", Params(0, 128),
       "FF FF FF FF FF FF FF FF 00 00 00 00 00 00 00 00"},
      {"two-dimensional white rows are vertical-0 codes", "1 1 1" + eol + eol, Params(-1, 16), "FF FF FF FF FF FF"},
      {"horizontal and vertical modes", "001 1011 000101 1  111", Params(-1, 16), "F0 0F F0 0F"},
      {"byte-aligned Group 4 rows", "001 1011 000101 1 00  111 00000", with(Params(-1, 16), [](CcittParams& p) {
         p.EncodedByteAlign = true;
       }),
       "F0 0F F0 0F"},
      {"pass mode skips to b2", "001 1000 011 1  0001 1", Params(-1, 8), "E1 FF"},
      {"end of block ends the image", "1" + eol + eol + "1 1", Params(-1, 8), "FF"},
      {"Rows ends the image without end of block", "1 1 1 1", with(Params(-1, 8), [](CcittParams& p) {
         p.EndOfBlock = false;
         p.Rows = 2;
       }),
       "FF FF"},
      {"Rows alone does not end it", "1 1 1", with(Params(-1, 8), [](CcittParams& p) { p.Rows = 2; }), "FF FF FF"},
      {"Columns 0 gives rows of one pixel", "1 1", Params(-1, 0), "80 80"},
      {"Group 3 return-to-control ends the image",
       eol + "10011" + eol + eol + eol + eol + eol + eol + "10011", Params(0, 8), "FF"},
      {"mixed rows announced by tag bits",
       eol + "1 10011" + eol + "0 1" + eol + "1" + eol + "1" + eol + "1" + eol + "1" + eol + "1" + eol + "1 1",
       Params(2, 8), "FF FF"},
      {"end-of-line inside a row ends that row; the next row stays", "1000" + eol + "10011" + eol,
       with(Params(0, 8), [](CcittParams& p) { p.EndOfLine = true; }), "E0 FF"},
      {"damaged row resynchronises at the next end-of-line",
       "1  0000001 0101" + eol + "1", with(Params(-1, 8), [](CcittParams& p) { p.EndOfLine = true; }), "FF FF FF"},
      {"end-of-line after the last row adds no row", "10011" + eol + "10011" + eol, with(Params(0, 8), [](CcittParams& p) {
         p.EndOfBlock = false;
       }),
       "FF FF"},
      {"no data", "", Params(0, 8), ""},
      {"Columns beyond the cap give no data", "1", Params(-1, CcittDecoder::kMaxColumns + 1), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Hex(Decode(Bits(c.bits), c.params)), c.expected);
  }
}

TEST(CcittDecoder, ResetDecodesAgain) {
  const std::string data = Bits("001 1011 000101 1  111  111" + std::string(kEol) + kEol);
  SpanSource source(data);
  CcittDecoder decoder(source, Params(-1, 16));
  uint8_t first[3];
  ASSERT_EQ(decoder.Read(first, 3), 3u);
  decoder.Reset();
  EXPECT_EQ(Hex(decoder.ReadAll()), "F0 0F F0 0F F0 0F");
}

// A one-bit picture as TIFF stores it with min-is-white: 1 is black.
struct Picture {
  int width = 0;
  int height = 0;
  size_t stride = 0;
  std::string bits;
  bool Black(int x, int y) const { return (bits[static_cast<size_t>(y) * stride + x / 8] >> (7 - x % 8)) & 1; }
  void SetBlack(int x, int y, bool black) {
    char& b = bits[static_cast<size_t>(y) * stride + x / 8];
    const char mask = static_cast<char>(0x80 >> (x % 8));
    b = static_cast<char>(black ? b | mask : b & ~mask);
  }
};

// Rows that reach every coding mode: white and black rows, noise of short
// runs, long runs, blocks, and rows shifted against the one above.
Picture MakePicture(int width, int height, uint32_t seed) {
  Picture p{width, height, static_cast<size_t>((width + 7) / 8), {}};
  p.bits.assign(p.stride * static_cast<size_t>(height), '\0');
  std::mt19937 random(seed);
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
  for (int y = 0; y < height; ++y) {
    switch (y % 7) {
      case 0:
        break;
      case 1:
        for (int x = 0; x < width; ++x) p.SetBlack(x, y, true);
        break;
      case 2:
        for (int x = 0; x < width;) {
          const int run = 1 + below(4);
          const bool black = below(2) == 1;
          for (int i = 0; i < run && x < width; ++i, ++x) p.SetBlack(x, y, black);
        }
        break;
      case 3:
        for (int x = 0; x < width;) {
          const int run = 1 + below(std::max(width / 2, 1));
          const bool black = below(2) == 1;
          for (int i = 0; i < run && x < width; ++i, ++x) p.SetBlack(x, y, black);
        }
        break;
      default: {
        // The row above moved by up to four pixels, with a few blobs.
        const int shift = below(9) - 4;
        for (int x = 0; x < width; ++x) {
          const int from = x - shift;
          p.SetBlack(x, y, from >= 0 && from < width && p.Black(from, y - 1));
        }
        for (int blob = below(3); blob > 0; --blob) {
          const int x0 = below(width), length = 1 + below(40);
          for (int x = x0; x < std::min(width, x0 + length); ++x) p.SetBlack(x, y, !p.Black(x, y));
        }
      }
    }
  }
  return p;
}

fs::path TempFile(const std::string& name) { return fs::temp_directory_path() / name; }

void WriteTiff(const fs::path& path, const Picture& p, int rows, uint16_t compression = COMPRESSION_NONE) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, rows);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
  std::string row;
  for (int y = 0; y < rows; ++y) {
    row = p.bits.substr(static_cast<size_t>(y) * p.stride, p.stride);
    ASSERT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0), 1);
  }
  TIFFClose(tif);
}

// The raw bytes of a single-strip TIFF and libtiff's decoding of them.
struct Strip {
  std::string raw;
  std::string decoded;
};

Strip ReadStrip(const fs::path& path) {
  Strip s;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  EXPECT_NE(tif, nullptr);
  if (!tif) return s;
  EXPECT_EQ(TIFFNumberOfStrips(tif), 1u);
  s.raw.resize(static_cast<size_t>(TIFFRawStripSize(tif, 0)));
  TIFFReadRawStrip(tif, 0, s.raw.data(), static_cast<tmsize_t>(s.raw.size()));
  s.decoded.resize(static_cast<size_t>(TIFFStripSize(tif)));
  EXPECT_EQ(TIFFReadEncodedStrip(tif, 0, s.decoded.data(), static_cast<tmsize_t>(s.decoded.size())),
            static_cast<tmsize_t>(s.decoded.size()));
  TIFFClose(tif);
  return s;
}

// What the decoder delivers for rows stored with 1 as black: white is 1
// unless BlackIs1, and the padding bits are 0 before that inversion.
std::string Output(const Picture& p, const std::string& rows, bool black_is_1) {
  std::string out = rows;
  const uint8_t row_end_padding = static_cast<uint8_t>(0xFF >> (p.width % 8 == 0 ? 8 : p.width % 8));
  for (size_t i = 0; i < out.size(); ++i) {
    const uint8_t padding = (i + 1) % p.stride == 0 ? row_end_padding : 0;
    const uint8_t b = static_cast<uint8_t>(out[i]) & ~padding;
    out[i] = static_cast<char>(black_is_1 ? b | padding : ~b & ~padding & 0xFF);
  }
  return out;
}

bool HaveTiffcp() {
  std::string out;
  testing::RunTool("tiffcp -h", &out);
  return out.find("usage") != std::string::npos || out.find("Usage") != std::string::npos;
}

TEST(CcittDecoder, TiffcpStripsDecodeLikeLibtiff) {
  if (!HaveTiffcp()) {
    if (std::getenv("CI")) FAIL() << "tiffcp missing";
    GTEST_SKIP() << "tiffcp missing";
  }
  struct Coding {
    const char* option;
    int k;
    bool byte_align;
  };
  const Coding codings[] = {
      {"g3", 0, false}, {"g3:2d", 4, false}, {"g3:fill", 0, true}, {"g3:2d:fill", 4, true}, {"g4", -1, false},
  };
  const fs::path in = TempFile("ccitt-in.tif"), out = TempFile("ccitt-out.tif");
  for (int width : {1, 10, 1728, 2481}) {
    const Picture picture = MakePicture(width, 48, static_cast<uint32_t>(width));
    WriteTiff(in, picture, picture.height);
    for (const Coding& coding : codings) {
      SCOPED_TRACE(std::to_string(width) + " " + coding.option);
      ASSERT_EQ(testing::RunTool("tiffcp -c " + std::string(coding.option) + " -r 10000 " + in.string() + " " +
                                 out.string()),
                0);
      const Strip strip = ReadStrip(out);
      ASSERT_EQ(strip.decoded, picture.bits);  // libtiff reads back the picture
      CcittParams params = Params(coding.k, width);
      params.EncodedByteAlign = coding.byte_align;
      params.EndOfLine = coding.k >= 0;
      params.BlackIs1 = true;
      EXPECT_TRUE(Decode(strip.raw, params) == Output(picture, strip.decoded, true));
      params.BlackIs1 = false;
      EXPECT_TRUE(Decode(strip.raw, params) == Output(picture, strip.decoded, false));
    }
  }
}

// The number of code bits libtiff's Group 4 coding of the picture's first
// `rows` rows takes, before its end-of-block code.
size_t Group4Bits(const Picture& p, int rows, std::string* code = nullptr) {
  const fs::path path = TempFile("ccitt-g4.tif");
  WriteTiff(path, p, rows, COMPRESSION_CCITTFAX4);
  const std::string raw = ReadStrip(path).raw;
  // The end-of-block code ends in the last 1 bit.
  size_t last_one = 0;
  for (size_t i = 0; i < raw.size() * 8; ++i)
    if ((raw[i / 8] >> (7 - i % 8)) & 1) last_one = i;
  if (code) *code = raw;
  return last_one + 1 - 24;
}

// Group 4 with every row starting on a byte boundary (EncodedByteAlign),
// made from libtiff's codes: each row's code is cut out of the whole
// picture's by the lengths of the codings of its first rows.
TEST(CcittDecoder, ByteAlignedGroup4DecodesToThePicture) {
  for (int width : {10, 1728}) {
    SCOPED_TRACE(width);
    const Picture picture = MakePicture(width, 24, 99u + static_cast<uint32_t>(width));
    std::string whole;
    Group4Bits(picture, picture.height, &whole);
    std::string aligned_bits;
    size_t start = 0;
    for (int rows = 1; rows <= picture.height; ++rows) {
      const size_t end = Group4Bits(picture, rows);
      for (size_t i = start; i < end; ++i) aligned_bits += ((whole[i / 8] >> (7 - i % 8)) & 1) ? '1' : '0';
      while (aligned_bits.size() % 8) aligned_bits += '0';
      start = end;
    }
    aligned_bits += std::string(kEol) + kEol;
    CcittParams params = Params(-1, width);
    params.EncodedByteAlign = true;
    EXPECT_TRUE(Decode(Bits(aligned_bits), params) == Output(picture, picture.bits, false));
  }
}

}  // namespace
}  // namespace vn::pdf::filters::ccitt_test
