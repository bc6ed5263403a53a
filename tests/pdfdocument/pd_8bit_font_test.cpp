// Simple fonts: names and aliases, encoding choice with /Differences,
// widths from /Widths or standard metrics, and the codes GetNextChar gives.
#include "pdfdocument/pd_8bit_font.h"

#include <gtest/gtest.h>

#include "pdfdocument/font_test_doc.h"

namespace vn::pdfdoc::pd_8bit_font_test {

using font_test_doc::Decode;
using font_test_doc::HexStream;
using font_test_doc::LoadFont;

TvnPD8bitFont& Simple(font_test_doc::FontDoc& ALoaded) {
  EXPECT_NE(ALoaded.Font, nullptr);
  return dynamic_cast<TvnPD8bitFont&>(*ALoaded.Font);
}

TEST(PD8bitFontNames, StandardFontWithoutWidths) {
  auto loaded = LoadFont({{1, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}});
  TvnPD8bitFont& font = Simple(loaded);
  EXPECT_EQ(font.name(), "Arial");
  EXPECT_EQ(font.BaseFont(), "Arial");
  EXPECT_EQ(font.EncodingName(), "StandardEncoding");
  EXPECT_TRUE(font.HasEncoding());
  EXPECT_DOUBLE_EQ(font.GetWidth(32), 0.278);
  EXPECT_EQ(font.FontMatrix(), nullptr);
  EXPECT_DOUBLE_EQ(font.Ascent(), 0.718);
}

TEST(PD8bitFontNames, AliasesAndFaceNames) {
  auto times = LoadFont({{1, "<< /Subtype /Type1 /BaseFont /Times-Roman >>"}});
  EXPECT_EQ(times.Font->name(), "TimesNewRoman");
  auto other = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /Verdana >>"}});
  EXPECT_EQ(other.Font->name(), "Verdana");
  EXPECT_EQ(other.Font->BaseFont(), "Arial Unicode MS");
  // A font without its program takes its style from the descriptor's
  // name, and a standard name its face name.
  auto styled = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /X /FontDescriptor 2 0 R >>"},
                          {2, "<< /FontName /Arial,BoldItalic /Flags 32 >>"}});
  EXPECT_TRUE(styled.Font->IsBold());
  EXPECT_TRUE(styled.Font->IsItalic());
  auto courier = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /X /FontDescriptor 2 0 R >>"},
                           {2, "<< /FontName /Courier /Flags 32 >>"}});
  EXPECT_EQ(courier.Font->EmbeddedFontName(), "CourierNew");
}

TEST(PD8bitFontEncoding, DifferencesOverABaseEncoding) {
  auto loaded = LoadFont({{1, "<< /Subtype /Type1 /BaseFont /F /Encoding << /BaseEncoding /WinAnsiEncoding "
                              "/Differences [128 /Euro /bullet 40 /a /b 300 /c /d] >> >>"}});
  TvnPD8bitFont& font = Simple(loaded);
  EXPECT_EQ(font.Encoding()[128], "Euro");
  EXPECT_EQ(font.Encoding()[129], "bullet");
  EXPECT_EQ(font.Encoding()[40], "a");
  EXPECT_EQ(font.Encoding()[41], "b");
  EXPECT_EQ(font.Encoding()[65], "A");
  EXPECT_EQ(font.EncodingName(), "CustomEncoding");
  EXPECT_TRUE(font.HasDifferences());
}

TEST(PD8bitFontEncoding, TrueTypeIgnoresDifferences) {
  auto loaded = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F /Encoding << /BaseEncoding /WinAnsiEncoding "
                              "/Differences [65 /Euro /bullet] >> >>"}});
  TvnPD8bitFont& font = Simple(loaded);
  EXPECT_EQ(font.Encoding()[65], "A");
  EXPECT_EQ(font.EncodingName(), "WinAnsiEncoding");
  EXPECT_FALSE(font.HasDifferences());
}

struct EncodingCase {
  const char* What;
  std::string FontDict;
  const char* Name;
  uint8_t Code;
  const char* Glyph;
  bool HasEncoding;
};

const EncodingCase kEncodingCases[] = {
    {"MacRoman by name", "<< /Subtype /Type1 /BaseFont /F /Encoding /MacRomanEncoding >>", "MacRomanEncoding", 0xA5,
     "bullet", true},
    {"MacExpert by base", "<< /Subtype /Type1 /BaseFont /F /Encoding << /BaseEncoding /MacExpertEncoding >> >>",
     "MacExpertEncoding", 0x31, "oneoldstyle", true},
    {"unknown name: non-symbolic gets Standard", "<< /Subtype /Type1 /BaseFont /F /Encoding /Nonsense >>",
     "StandardEncoding", 0x27, "quoteright", false},
    {"TrueType without encoding gets WinAnsi", "<< /Subtype /TrueType /BaseFont /F >>", "WinAnsiEncoding", 0x93,
     "quotedblleft", false},
    {"standard font's own encoding", "<< /Subtype /Type1 /BaseFont /Symbol >>", "CustomEncoding", 0x61, "alpha",
     true},
    {"ZapfDingbats by name", "<< /Subtype /Type1 /BaseFont /ZapfDingbats >>", "WinAnsiEncoding", 0x21, "a1", true},
    {"symbolic embedded Type1 keeps no names",
     "<< /Subtype /Type1 /BaseFont /S /FontDescriptor << /Flags 4 /FontFile 2 0 R >> >>", "", 0x41, "", false},
};

TEST(PD8bitFontEncoding, Choice) {
  for (const EncodingCase& c : kEncodingCases) {
    SCOPED_TRACE(c.What);
    auto loaded = LoadFont({{1, c.FontDict}, {2, HexStream("", "x")}});
    TvnPD8bitFont& font = Simple(loaded);
    EXPECT_EQ(font.EncodingName(), c.Name);
    EXPECT_EQ(font.Encoding()[c.Code], c.Glyph);
    EXPECT_EQ(font.HasEncoding(), c.HasEncoding);
  }
}

struct WidthCase {
  const char* What;
  std::string FontDict;
  std::vector<std::pair<uint8_t, double>> Widths;
  bool FixedPitch;
};

const WidthCase kWidthCases[] = {
    {"ten widths for 32 to 126",
     "<< /Subtype /TrueType /BaseFont /F /FirstChar 32 /LastChar 126 /Widths [1 2 3 4 5 6 7 8 9 10] "
     "/FontDescriptor << /MissingWidth 333 >> >>",
     {{31, 0.333}, {32, 0.001}, {41, 0.010}, {42, 0.333}, {126, 0.333}},
     false},
    {"Type 3 widths in glyph units", "<< /Subtype /Type3 /FirstChar 65 /LastChar 65 /Widths [500] >>",
     {{65, 500}, {66, 0}},
     true},
    // Without /LastChar the array tells how far the codes go.
    {"widths without LastChar", "<< /Subtype /TrueType /BaseFont /F /FirstChar 65 /Widths [600 500] >>",
     {{64, 0}, {65, 0.6}, {66, 0.5}, {67, 0}},
     false},
    {"LastChar out of range reads to 255", "<< /Subtype /TrueType /BaseFont /F /FirstChar 254 /LastChar 999 "
                                           "/Widths [600 600 600 600] >>",
     {{254, 0.6}, {255, 0.6}},
     true},
    {"non-numeric width leaves the code alone", "<< /Subtype /TrueType /BaseFont /F /FirstChar 65 /LastChar 67 "
                                               "/Widths [600 /x 600] >>",
     {{65, 0.6}, {66, 0}, {67, 0.6}},
     true},
    {"fixed pitch flag stands in Courier", "<< /Subtype /Type1 /BaseFont /Mono /FontDescriptor << /Flags 33 >> >>",
     {{65, 0.6}, {32, 0.6}, {0, 0}},
     true},
    {"bold serif stands in Times-Bold", "<< /Subtype /Type1 /BaseFont /Serif /FontDescriptor << /Flags 262178 >> >>",
     {{65, 0.722}, {97, 0.5}},
     false},
    {"no flags stand in Helvetica", "<< /Subtype /Type1 /BaseFont /Sans /FontDescriptor << /Flags 32 >> >>",
     {{65, 0.667}},
     false},
};

TEST(PD8bitFontWidths, Table) {
  for (const WidthCase& c : kWidthCases) {
    SCOPED_TRACE(c.What);
    auto loaded = LoadFont({{1, c.FontDict}});
    TvnPD8bitFont& font = Simple(loaded);
    for (const auto& [code, width] : c.Widths) EXPECT_NEAR(font.GetCharWidth(code), width, 1e-9) << int(code);
    EXPECT_EQ(font.IsFixedWidth(), c.FixedPitch);
  }
}

struct CharCase {
  const char* What;
  std::string FontDict;
  char16_t Byte;
  uint32_t Code;
  const char* Name;
};

const CharCase kCharCases[] = {
    {"Type1 standard glyph", "<< /Subtype /Type1 /BaseFont /Helvetica >>", 0x27, 0x2019, "quoteright"},
    {"TrueType WinAnsi gives Unicode without a name", "<< /Subtype /TrueType /BaseFont /F >>", 0x93, 0x93, ""},
    {"TrueType with WinAnsi chosen", "<< /Subtype /TrueType /BaseFont /F /Encoding /WinAnsiEncoding >>", 0x93,
     0x201C, ""},
    {"symbolic TrueType gives the byte",
     "<< /Subtype /TrueType /BaseFont /F /Encoding /WinAnsiEncoding /FontDescriptor << /Flags 4 >> >>", 0x93, 0x93,
     ""},
    {"symbolic Type1 with empty encoding", "<< /Subtype /Type1 /BaseFont /S /FontDescriptor << /Flags 4 /FontFile 2 0 R >> >>",
     0x41, 0x41, ""},
    {"non-embedded Symbol", "<< /Subtype /Type1 /BaseFont /Symbol >>", 0x61, 0x61, "alpha"},
    {"Symbol with differences gives Unicode", "<< /Subtype /Type1 /BaseFont /Symbol /FontDescriptor "
                                              "<< /FontFile 2 0 R >> /Encoding << /Differences [65 /alpha] >> >>",
     0x41, 0x3B1, "alpha"},
    {"ZapfDingbats list", "<< /Subtype /Type1 /BaseFont /ZapfDingbats >>", 0x34, 0x2714, "a20"},
    {"unknown glyph name leaves 0", "<< /Subtype /Type1 /BaseFont /F /Encoding << /Differences [65 /g123] >> >>",
     0x41, 0, "g123"},
    {"uni name", "<< /Subtype /Type1 /BaseFont /F /Encoding << /Differences [65 /uni0416] >> >>", 0x41, 0x416,
     "uni0416"},
    {"Type3 with differences", "<< /Subtype /Type3 /Encoding << /Differences [1 /A] >> >>", 1, 0x41, ""},
    {"Type3 without encoding gives the byte", "<< /Subtype /Type3 >>", 1, 1, ""},
};

TEST(PD8bitFontGetNextChar, Codes) {
  for (const CharCase& c : kCharCases) {
    SCOPED_TRACE(c.What);
    auto loaded = LoadFont({{1, c.FontDict}, {2, HexStream("", "x")}});
    const std::u16string text(1, c.Byte);
    const auto decoded = Decode(*loaded.Font, text);
    EXPECT_EQ(decoded.Result, 1);
    EXPECT_EQ(decoded.Processed, 1);
    EXPECT_EQ(decoded.Code, c.Code);
    EXPECT_EQ(decoded.Name, c.Name);
  }
}

TEST(PD8bitFontGetNextChar, AdvanceFromTheWidthsOfTheByte) {
  auto loaded = LoadFont({{1, "<< /Subtype /Type1 /BaseFont /Helvetica >>"}});
  const auto decoded = Decode(*loaded.Font, u"aW", 1);
  EXPECT_DOUBLE_EQ(decoded.Dx, 0.944);
  EXPECT_EQ(decoded.Dy, 0);
}

TEST(PD8bitFontType3, MatrixAndGlyphProcedures) {
  auto loaded = LoadFont({{1, "<< /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /FirstChar 1 /LastChar 1 "
                              "/Widths [80] /Encoding << /Differences [1 /square] >> /CharProcs << /square 2 0 R >> >>"},
                          {2, HexStream("", "0 0 80 80 re f")}});
  TvnPD8bitFont& font = Simple(loaded);
  ASSERT_NE(font.FontMatrix(), nullptr);
  EXPECT_DOUBLE_EQ((*font.FontMatrix())[0], 0.01);
  EXPECT_NE(font.GetCharProc(1), nullptr);
  EXPECT_EQ(font.GetCharProc(2), nullptr);
  EXPECT_DOUBLE_EQ(Decode(font, u"\x01").Dx, 80);
}

TEST(PD8bitFontToUnicode, ParsedFromTheStream) {
  const std::string cmap =
      "1 begincodespacerange <00> <FF> endcodespacerange 1 beginbfchar <41> <00660069> endbfchar";
  auto loaded = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F /ToUnicode 2 0 R >>"}, {2, HexStream("", cmap)}});
  ASSERT_NE(loaded.Font->GetToUnicode(), nullptr);
  EXPECT_EQ(loaded.Font->GetToUnicode()->LookupText(0x41), u"fi");
}

TEST(PD8bitFontClone, ReadsTheSameDictionaryAgain) {
  auto loaded = LoadFont({{1, "<< /Subtype /Type1 /BaseFont /Courier >>"}});
  auto copy = Simple(loaded).Clone();
  EXPECT_EQ(copy->name(), "CourierNew");
  EXPECT_EQ(copy->FontType(), TvnPDFontType::Type1);
  EXPECT_DOUBLE_EQ(copy->GetWidth(65), 0.6);
}

}  // namespace vn::pdfdoc::pd_8bit_font_test
