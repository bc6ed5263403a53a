// The FreeType font processor on DejaVu Sans (an installed font of the
// project): names, charmap choice, pair kerning, exact scaling, the error
// codes of a missing glyph and of damaged font bytes, and installed fonts
// found by name.
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "pdfdocument/font_processor.h"
#include "runtime/strings.h"

namespace vn::pdfdoc::font_processor_test {

const std::filesystem::path kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The x of the first point of the records.
double FirstX(const TvnOutlineRecords& records) { return records.size() > 1 ? records[1] : 0; }

TEST(FontProcessor, OpensAFileAndReadsNamesAndMetrics) {
  uint8_t error = 255;
  TvnFontProcessor fp(kDejaVu, error);
  ASSERT_EQ(error, kFontProcessorOk);
  EXPECT_EQ(fp.FamilyName(), "DejaVu Sans");
  EXPECT_EQ(fp.PostscriptName(), "DejaVuSans");
  EXPECT_EQ(fp.StyleName(), "Book");
  EXPECT_DOUBLE_EQ(fp.UnitsPerEm(), 2.048);
  EXPECT_GT(fp.Ascent(), 700);
  EXPECT_LT(fp.Descent(), -150);
  EXPECT_NEAR(fp.CapHeight(), 729, 2);  // "H" is 1493 units of 2048
  EXPECT_EQ(fp.Flag() & 1, 0);          // proportional
  EXPECT_NEAR(fp.GlyphWidths()['A'], 684, 1);
  EXPECT_GE(fp.CharacterMapCount(), 2);
}

TEST(FontProcessor, GlyphsByCodeIndexAndName) {
  uint8_t error = 255;
  TvnFontProcessor fp(kDejaVu, error);
  ASSERT_EQ(error, kFontProcessorOk);
  TvnGlyphOutline by_code, by_name, by_index;
  ASSERT_EQ(fp.DecomposeOutlineGlyph('A', 0, TvnGlyphLookup::glCharCode, 10, "", by_code), kFontProcessorOk);
  ASSERT_EQ(fp.DecomposeOutlineGlyph(0, 0, TvnGlyphLookup::glGlyphName, 10, "A", by_name), kFontProcessorOk);
  ASSERT_EQ(fp.DecomposeOutlineGlyph(0, by_code.GlyphIndex, TvnGlyphLookup::glGlyphIndex, 10, "", by_index),
            kFontProcessorOk);
  EXPECT_EQ(by_code.Records, by_name.Records);
  EXPECT_EQ(by_code.Records, by_index.Records);
  EXPECT_NEAR(by_code.AdvanceX, 6.84, 0.01);
  // The outline starts with a move and lies above the baseline (y down).
  ASSERT_FALSE(by_code.Records.empty());
  EXPECT_EQ(by_code.Records[0], kOutlineMove);
  double min_y = 0;
  for (size_t i = 0; i + 2 < by_code.Records.size();) {
    const int kind = static_cast<int>(by_code.Records[i]);
    const size_t points = kind == 4 ? 3 : kind == 3 ? 2 : 1;
    for (size_t p = 0; p < points; ++p) min_y = std::min(min_y, by_code.Records[i + 2 + 2 * p]);
    i += 1 + 2 * points;
  }
  EXPECT_NEAR(min_y, -7.29, 0.01);
}

TEST(FontProcessor, ScalesExactlyAtEverySize) {
  uint8_t error = 255;
  TvnFontProcessor fp(kDejaVu, error);
  TvnGlyphOutline small, big;
  ASSERT_EQ(fp.DecomposeOutlineGlyph('g', 0, TvnGlyphLookup::glCharCode, 50.4, "", big), kFontProcessorOk);
  ASSERT_EQ(fp.DecomposeOutlineGlyph('g', 0, TvnGlyphLookup::glCharCode, 12, "", small), kFontProcessorOk);
  ASSERT_EQ(small.Records.size(), big.Records.size());
  for (size_t i = 0; i < small.Records.size(); ++i) {
    const bool kind = small.Records[i] == big.Records[i] && small.Records[i] >= 1 && small.Records[i] <= 4;
    if (!kind) EXPECT_NEAR(small.Records[i], big.Records[i] * 12 / 50.4, 1e-9) << i;
  }
}

TEST(FontProcessor, PairKerningShiftsTheSecondGlyph) {
  uint8_t error = 255;
  TvnFontProcessor fp(kDejaVu, error);
  ASSERT_EQ(error, kFontProcessorOk);
  auto second_x = [&](bool kerning) {
    fp.ResetKerning();
    double pen_x = 0;
    TvnOutlineRecords last;
    for (char32_t c : {U'A', U'V'})
      EXPECT_EQ(fp.DecomposeOutlineGlyph(c, "", TvnGlyphLookup::glCharCode, 1000, kerning, pen_x, 0,
                                         [&](const TvnOutlineRecords& r) { last = r; }),
                kFontProcessorOk);
    return FirstX(last);
  };
  const double plain = second_x(false);
  const double kerned = second_x(true);
  EXPECT_LT(kerned - plain, -20);  // A-V kern in units of a 1000 em
  // A pair without kerning stays where the advance puts it.
  fp.ResetKerning();
  double pen_x = 0;
  TvnOutlineRecords first, second;
  fp.DecomposeOutlineGlyph('H', "", TvnGlyphLookup::glCharCode, 1000, true, pen_x, 0,
                           [&](const TvnOutlineRecords& r) { first = r; });
  const double advance = pen_x;
  fp.DecomposeOutlineGlyph('H', "", TvnGlyphLookup::glCharCode, 1000, true, pen_x, 0,
                           [&](const TvnOutlineRecords& r) { second = r; });
  EXPECT_NEAR(FirstX(second) - FirstX(first), advance, 1e-9);
}

TEST(FontProcessor, ChoosesThePreferredCharmap) {
  uint8_t error = 255;
  TvnFontProcessor fp(kDejaVu, error);
  ASSERT_EQ(error, kFontProcessorOk);
  auto index_of = [&](uint32_t tag, uint32_t code) {
    fp.SetEncodingType(tag);
    TvnGlyphOutline glyph;
    return fp.DecomposeOutlineGlyph(code, 0, TvnGlyphLookup::glCharCode, 10, "", glyph) == kFontProcessorOk
               ? glyph.GlyphIndex
               : 0u;
  };
  // 0xC0 is the inverted question mark in Mac Roman and A grave in Unicode;
  // 0xDB is the euro sign in Mac Roman.
  const uint32_t unicode_a_grave = index_of(kEncodingUnicode, 0xC0);
  const uint32_t unicode_question = index_of(kEncodingUnicode, 0xBF);
  const uint32_t unicode_euro = index_of(kEncodingUnicode, 0x20AC);
  ASSERT_NE(unicode_a_grave, 0u);
  ASSERT_NE(unicode_question, unicode_a_grave);
  EXPECT_EQ(index_of(kEncodingAppleRoman, 0xC0), unicode_question);
  EXPECT_EQ(index_of(kEncodingAppleRoman, 0xDB), unicode_euro);
  // Mac Roman has no code above 0xFF; any charmap finds the Unicode euro.
  EXPECT_EQ(index_of(kEncodingAppleRoman, 0x20AC), 0u);
  EXPECT_EQ(index_of(kEncodingAny, 0x20AC), unicode_euro);
}

TEST(FontProcessor, ErrorCodes) {
  uint8_t error = 255;
  TvnFontProcessor fp(kDejaVu, error);
  ASSERT_EQ(error, kFontProcessorOk);
  struct Case {
    const char* What;
    uint32_t Code;
    TvnGlyphLookup Kind;
    const char* Name;
    uint8_t Expected;
  };
  const Case cases[] = {
      {"code without glyph", 0x10FFFD, TvnGlyphLookup::glCharCode, "", kFontProcessorNoGlyph},
      {"unknown glyph name", 0, TvnGlyphLookup::glGlyphName, "no.such.glyph", kFontProcessorNoGlyph},
      {"index past the glyphs", 1000000, TvnGlyphLookup::glGlyphIndex, "", kFontProcessorNoGlyph},
  };
  for (const Case& c : cases) {
    bool called = false;
    double pen_x = 0;
    EXPECT_EQ(fp.DecomposeOutlineGlyph(c.Code, c.Name, c.Kind, 12, false, pen_x, 0,
                                       [&](const TvnOutlineRecords&) { called = true; }),
              c.Expected)
        << c.What;
    EXPECT_FALSE(called) << c.What;
    EXPECT_EQ(pen_x, 0) << c.What;
  }
}

TEST(FontProcessor, DamagedFontBytesAndMissingFiles) {
  const std::vector<uint8_t> whole = ReadBytes(kDejaVu);
  ASSERT_GT(whole.size(), 1000u);
  const std::vector<uint8_t> not_a_font = {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'};
  const std::vector<uint8_t> truncated(whole.begin(), whole.begin() + 300);
  for (const auto* bytes : {&not_a_font, &truncated}) {
    uint8_t error = 255;
    TvnFontProcessor fp(std::span<const uint8_t>(*bytes), error);
    EXPECT_EQ(error, kFontProcessorOk);  // the face is opened on first use
    TvnGlyphOutline glyph;
    EXPECT_EQ(fp.DecomposeOutlineGlyph('A', 0, TvnGlyphLookup::glCharCode, 12, "", glyph), kFontProcessorCannotOpen);
    EXPECT_EQ(fp.OpenFace(), kFontProcessorCannotOpen);
  }
  uint8_t error = 255;
  TvnFontProcessor good(std::span<const uint8_t>(whole), error);
  EXPECT_EQ(good.OpenFace(), kFontProcessorOk);
  EXPECT_EQ(good.PostscriptName(), "DejaVuSans");
  TvnFontProcessor missing(std::filesystem::path("/no/such/font.ttf"), error);
  EXPECT_EQ(error, kFontProcessorCannotOpen);
  TvnFontProcessor no_such_face(kDejaVu, error, 96, 96, 12, 5);
  EXPECT_EQ(error, kFontProcessorCannotOpen);
}

TEST(FontProcessor, InstalledFontsByName) {
  struct Case {
    const char* Name;
    bool Bold;
    const char* Family;
    const char* Style;
  };
  const Case cases[] = {
      {"DejaVu Sans", false, "DejaVu Sans", "Book"},
      {"DejaVu Sans", true, "DejaVu Sans", "Bold"},
      {"Arial", false, "Liberation Sans", "Regular"},
  };
  for (const Case& c : cases) {
    uint8_t error = 255;
    TvnFontProcessor fp(vn::FromUtf8(c.Name), c.Bold, false, 12, error);
    ASSERT_EQ(error, kFontProcessorOk) << c.Name;
    EXPECT_EQ(fp.FamilyName(), c.Family) << c.Name;
    EXPECT_EQ(fp.StyleName(), c.Style) << c.Name;
    EXPECT_NEAR(fp.GetTextWidth(U"AA"), 2 * fp.GlyphWidths()['A'] * 12 / 1000.0, 0.01) << c.Name;
  }
}

}  // namespace vn::pdfdoc::font_processor_test
