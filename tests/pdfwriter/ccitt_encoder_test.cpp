// CCITT encoder: exact codes for the cases the code tables decide, round
// trips through libtiff's fax decoder over pictures that exercise every
// coding mode, byte equality with libtiff's own Group 4 encoder, and the
// coded data rendered by pdftoppm inside a PDF image.
#include "pdfwriter/ccitt_encoder.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <random>
#include <string>
#include <vector>

#include "pdf_image_tools.h"
#include "runtime/exceptions.h"

namespace vn::pdfwriter::ccitt_encoder_test {
namespace {

using platform::Bitmap;
using platform::PixelFormat;

// A bit text ("0110...") packed into bytes, the last one filled with 0 bits.
std::string Pack(const std::string& bits) {
  std::string out((bits.size() + 7) / 8, '\0');
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
  return out;
}

// A one-bit picture from rows of text: '#' black, anything else white.
Bitmap FromText(const std::vector<std::string>& rows) {
  Bitmap b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), PixelFormat::pf1bit);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      if (rows[y][x] != '#') b.MutableRow(static_cast<int>(y))[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return b;
}

// A one-bit picture (palette black, white) of the given size, white.
Bitmap White(int width, int height) {
  Bitmap b(width, height, PixelFormat::pf1bit);
  for (int y = 0; y < height; ++y)
    for (uint8_t& byte : b.MutableRow(y)) byte = 0xFF;
  return b;
}

void SetBlack(Bitmap& b, int x, int y) { b.MutableRow(y)[static_cast<size_t>(x / 8)] &= static_cast<uint8_t>(~(0x80 >> (x % 8))); }

bool IsWhite(const Bitmap& b, int x, int y) { return (b.Row(y)[static_cast<size_t>(x / 8)] & (0x80 >> (x % 8))) != 0; }

TEST(CCITTEncoder, CodesOfTheTables) {
  struct Case {
    const char* name;
    Bitmap picture;
    TvnCCITTCoding coding;
    std::string bits;
  };
  Bitmap starts_black = FromText({"#..."});
  Bitmap run2560 = White(2560, 1);
  Bitmap run2600 = White(2600, 1);
  // First white run of 2559 pixels, then 41 black ones: coded in horizontal
  // mode against the white line above.
  Bitmap run2559 = White(2600, 1);
  for (int x = 2559; x < 2600; ++x) SetBlack(run2559, x, 0);
  Bitmap black5 = FromText({"#####"});
  const Case cases[] = {
      {"G3 white row of 100: make-up 64, terminating 36", White(100, 1), TvnCCITTCoding::Group3, "11011" "00010101"},
      {"G3 row starting black: white 0 first", starts_black, TvnCCITTCoding::Group3, "00110101" "010" "1000"},
      {"G3 white run 2560: extended code, then white 0", run2560, TvnCCITTCoding::Group3, "000000011111" "00110101"},
      {"G3 white run 2600: 2560, then terminating 40", run2600, TvnCCITTCoding::Group3, "000000011111" "00101001"},
      {"G3 rows follow without end-of-line or alignment", White(3, 2), TvnCCITTCoding::Group3, "1000" "1000"},
      {"G3 black row: white 0, black 5", black5, TvnCCITTCoding::Group3, "00110101" "0011"},
      {"G4 eight white rows", White(8, 8), TvnCCITTCoding::Group4, "11111111" "000000000001000000000001"},
      {"G4 first white run of 2559 in horizontal mode", run2559, TvnCCITTCoding::Group4,
       "001" "000000011110" "00110100" "000001101101" "000000000001000000000001"},
      {"G4 black row: horizontal white 0, black 5", black5, TvnCCITTCoding::Group4,
       "001" "00110101" "0011" "000000000001000000000001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EncodeCCITTBitmap(c.picture, c.coding), Pack(c.bits));
  }
}

TEST(CCITTEncoder, PassHorizontalAndVerticalModes) {
  // Changing elements (0-based): row 1 at 2, 4, 10, 14; row 2 at 6, 9, 14, 18.
  Bitmap b = FromText({"..##......####......", "......###.....####.."});
  // Row 1 against the white line: H(white 2, black 2), H(white 6, black 4), V0 at the end.
  const std::string row1 = "001" "0111" "11" "001" "1110" "011" "1";
  // Row 2: b1=2, b2=4 lie left of a1=6: pass; a0=4: a1=6, b1=10: H(white 2, black 3);
  // a0=9: a1=14, b1=10: H(white 5, black 4); a0=18: V0 at the end.
  const std::string row2 = "0001" "001" "0111" "10" "001" "1100" "011" "1";
  EXPECT_EQ(EncodeCCITTBitmap(b, TvnCCITTCoding::Group4), Pack(row1 + row2 + "000000000001000000000001"));
  // One pixel shifts of an edge give the vertical codes VR1..VR3 and VL1..VL3.
  struct Shift {
    int by;
    const char* code;
  };
  for (const Shift& s : {Shift{1, "011"}, Shift{2, "000011"}, Shift{3, "0000011"}, Shift{-1, "010"}, Shift{-2, "000010"},
                         Shift{-3, "0000010"}}) {
    std::string top(16, '.'), bottom(16, '.');
    for (int x = 8; x < 16; ++x) top[static_cast<size_t>(x)] = '#';
    for (int x = 8 + s.by; x < 16; ++x) bottom[static_cast<size_t>(x)] = '#';
    // Row 1: H(white 8, black 8), which reaches the end. Row 2: the edge, then V0 at the end.
    const std::string expected = "001" "10011" "000101" + std::string(s.code) + "1" + "000000000001000000000001";
    EXPECT_EQ(EncodeCCITTBitmap(FromText({top, bottom}), TvnCCITTCoding::Group4), Pack(expected)) << s.by;
  }
}

TEST(CCITTEncoder, BitmapsOfEveryFormatCodeByTheirGreyLevel) {
  Bitmap reference = FromText({"#..#.##.", "..####..", "#.#.#.#."});
  const std::string expected = EncodeCCITTBitmap(reference, TvnCCITTCoding::Group4);
  // The same picture with the colour table upside down.
  Bitmap inverted(reference.Width(), reference.Height(), PixelFormat::pf1bit);
  inverted.SetPalette({{255, 255, 255, 255}, {0, 0, 0, 255}});
  for (int y = 0; y < reference.Height(); ++y)
    for (int x = 0; x < reference.Width(); ++x)
      if (!IsWhite(reference, x, y)) inverted.MutableRow(y)[0] |= static_cast<uint8_t>(0x80 >> x);
  EXPECT_EQ(EncodeCCITTBitmap(inverted, TvnCCITTCoding::Group4), expected);
  // Colour pictures: dark colours black, light ones white.
  for (PixelFormat format : {PixelFormat::pf8bit, PixelFormat::pf24bit, PixelFormat::pf32bit}) {
    Bitmap colour(reference.Width(), reference.Height(), format);
    for (int y = 0; y < reference.Height(); ++y)
      for (int x = 0; x < reference.Width(); ++x)
        colour.SetPixel(x, y, IsWhite(reference, x, y) ? platform::BGRA{200, 230, 210, 255} : platform::BGRA{90, 20, 60, 255});
    EXPECT_EQ(EncodeCCITTBitmap(colour, TvnCCITTCoding::Group4), expected) << static_cast<int>(format);
  }
  // A colour table of one colour twice makes a plain picture.
  Bitmap plain = reference;
  plain.SetPalette({{0, 0, 0, 255}, {0, 0, 0, 255}});
  EXPECT_EQ(EncodeCCITTBitmap(plain, TvnCCITTCoding::Group3), EncodeCCITTBitmap(FromText({"########", "########", "########"}),
                                                                                TvnCCITTCoding::Group3));
}

TEST(CCITTEncoder, RefusesRowsThatDoNotHoldThePicture) {
  const std::vector<uint8_t> bits(10, 0xFF);
  struct Case {
    int width, height;
    size_t stride, size;
  };
  for (const Case& c : {Case{17, 2, 2, 10}, Case{16, 6, 2, 10}, Case{-1, 1, 1, 10}, Case{8, -3, 1, 10}, Case{9, 5, 2, 9}}) {
    TvnCCITTRows rows{c.width, c.height, c.stride, std::span<const uint8_t>(bits.data(), c.size)};
    EXPECT_THROW(EncodeCCITTRows(rows, TvnCCITTCoding::Group4), vn::EArgumentException) << c.width << "x" << c.height;
  }
  // No pixels: no data. The last row needs only its own bytes, not a whole stride.
  EXPECT_EQ(EncodeCCITTRows({0, 5, 1, {}}, TvnCCITTCoding::Group4), "");
  EXPECT_EQ(EncodeCCITTRows({5, 0, 1, {}}, TvnCCITTCoding::Group3), "");
  EXPECT_NO_THROW(EncodeCCITTRows({9, 5, 2, std::span<const uint8_t>(bits.data(), 10)}, TvnCCITTCoding::Group4));
  EXPECT_NO_THROW(EncodeCCITTRows({8, 2, 5, std::span<const uint8_t>(bits.data(), 6)}, TvnCCITTCoding::Group3));
  EXPECT_EQ(EncodeCCITTBitmap(Bitmap(), TvnCCITTCoding::Group4), "");
}

// ---- round trips through libtiff

// Pictures that exercise long runs, every run length near the code table
// boundaries, pass and vertical modes, and noise.
std::vector<std::pair<std::string, Bitmap>> Pictures() {
  std::vector<std::pair<std::string, Bitmap>> out;
  std::mt19937 random(1234);
  for (int width : {1, 7, 8, 9, 63, 64, 65, 200, 1728, 2561, 5200}) {
    Bitmap noise = White(width, 9);
    std::bernoulli_distribution dark(0.3);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < width; ++x)
        if (dark(random)) SetBlack(noise, x, y);
    out.emplace_back("noise " + std::to_string(width), std::move(noise));
  }
  // Runs of every length from 0 to 200 and around 2560, alternating colours.
  for (int width : {3000, 6000}) {
    Bitmap runs = White(width, 6);
    for (int y = 0; y < 6; ++y) {
      int x = 0, length = y * 37;
      bool black = y % 2 == 0;
      while (x < width) {
        const int n = std::min(length % 2700, width - x);
        if (black)
          for (int i = 0; i < n; ++i) SetBlack(runs, x + i, y);
        x += n;
        length += 1 + y;
        black = !black;
      }
    }
    out.emplace_back("runs " + std::to_string(width), std::move(runs));
  }
  // Diagonal edges move by 0..4 pixels per row: vertical modes and their limits.
  Bitmap slopes = White(120, 40);
  for (int y = 0; y < 40; ++y)
    for (int k = 0; k < 5; ++k) {
      const int start = 5 + k * 22 + (y * k) % 15;
      for (int x = start; x < start + 6 && x < 120; ++x) SetBlack(slopes, x, y);
    }
  out.emplace_back("slopes", std::move(slopes));
  // Short black runs above long ones below, and the reverse: pass modes.
  Bitmap pass = FromText({"#.#.#.#.#.#.#.#.#.#.", "....................", "..##..##..##..##..##", "##################..",
                          "#.#.#.#.#.#.#.#.#.#.", "####################"});
  out.emplace_back("pass", std::move(pass));
  return out;
}

// libtiff's own Group 4 coding of a picture.
std::string EncodeWithLibtiff(const Bitmap& picture) {
  image_testing::ScratchDir dir;
  const std::string path = (dir.Path() / "g4.tif").string();
  TIFF* out = TIFFOpen(path.c_str(), "w");
  if (!out) return {};
  TIFFSetField(out, TIFFTAG_IMAGEWIDTH, picture.Width());
  TIFFSetField(out, TIFFTAG_IMAGELENGTH, picture.Height());
  TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, picture.Height());
  TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  std::vector<uint8_t> row(picture.Stride());
  for (int y = 0; y < picture.Height(); ++y) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(~picture.Row(y)[i]);
    TIFFWriteScanline(out, row.data(), static_cast<uint32_t>(y), 0);
  }
  TIFFClose(out);
  TIFF* in = TIFFOpen(path.c_str(), "r");
  if (!in) return {};
  std::string raw(static_cast<size_t>(TIFFRawStripSize(in, 0)), '\0');
  TIFFReadRawStrip(in, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
  TIFFClose(in);
  return raw;
}

void ExpectSamePixels(const Bitmap& expected, const Bitmap& actual) {
  ASSERT_EQ(actual.Width(), expected.Width());
  ASSERT_EQ(actual.Height(), expected.Height());
  int wrong = 0;
  for (int y = 0; y < expected.Height(); ++y)
    for (int x = 0; x < expected.Width(); ++x)
      if (IsWhite(expected, x, y) != IsWhite(actual, x, y) && ++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y;
  EXPECT_EQ(wrong, 0);
}

TEST(CCITTEncoder, LibtiffDecodesGroup3AndGroup4ToTheSourceBits) {
  for (const auto& [name, picture] : Pictures()) {
    for (TvnCCITTCoding coding : {TvnCCITTCoding::Group3, TvnCCITTCoding::Group4}) {
      SCOPED_TRACE(name + (coding == TvnCCITTCoding::Group3 ? " G3" : " G4"));
      const std::string coded = EncodeCCITTBitmap(picture, coding);
      ExpectSamePixels(picture, image_testing::FaxDecodeWithLibtiff(coded, picture.Width(), picture.Height(),
                                                                    coding == TvnCCITTCoding::Group4));
    }
  }
}

TEST(CCITTEncoder, Group4EqualsLibtiffsOwnCoding) {
  for (const auto& [name, picture] : Pictures()) {
    SCOPED_TRACE(name);
    EXPECT_EQ(EncodeCCITTBitmap(picture, TvnCCITTCoding::Group4), EncodeWithLibtiff(picture));
  }
}

TEST(CCITTEncoder, PdftoppmRendersTheCodedPictures) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  std::vector<std::pair<std::string, Bitmap>> pictures;
  for (auto& p : Pictures())
    if (p.second.Width() <= 2000) pictures.push_back(std::move(p));
  for (const auto& [name, picture] : pictures) {
    for (TvnCCITTCoding coding : {TvnCCITTCoding::Group3, TvnCCITTCoding::Group4}) {
      SCOPED_TRACE(name + (coding == TvnCCITTCoding::Group3 ? " G3" : " G4"));
      const int w = picture.Width(), h = picture.Height();
      const std::string k = coding == TvnCCITTCoding::Group3 ? "0 /EndOfBlock false" : "-1";
      const std::string entries = "/Width " + std::to_string(w) + " /Height " + std::to_string(h) +
                                  " /BitsPerComponent 1 /ColorSpace /DeviceGray /Filter [/CCITTFaxDecode] /DecodeParms [<< /K " +
                                  k + " /Columns " + std::to_string(w) + " /Rows " + std::to_string(h) + " >>]";
      // Four rendered pixels per image pixel; the centres show the bits.
      const Bitmap page =
          image_testing::RenderPage(image_testing::SingleImagePdf(entries, EncodeCCITTBitmap(picture, coding), w, h), 1, 288);
      ASSERT_EQ(page.Width(), 4 * w);
      ASSERT_EQ(page.Height(), 4 * h);
      ExpectSamePixels(picture, image_testing::SampleCentres(page, 0, 0, 4 * w, 4 * h, w, h).ConvertTo(PixelFormat::pf1bit));
    }
  }
}

}  // namespace
}  // namespace vn::pdfwriter::ccitt_encoder_test
