// The built-in font data: encodings, standard-font metrics and aliases,
// glyph names and the Symbol code map.
#include "pdfdocument/built_in_fonts.h"

#include <gtest/gtest.h>

#include "pdfdocument/encodings.h"
#include "pdfdocument/glyph_names.h"

namespace built_in_fonts_test {

using namespace vn::pdfdoc;

struct WidthCase {
  const char* Font;
  const char* Glyph;
  int Width;
};

const WidthCase kWidthCases[] = {
    {"Times-Roman", "A", 722},        {"Times-Roman", "a", 444},         {"Helvetica", "space", 278},
    {"Helvetica", "A", 667},          {"Helvetica", "a", 556},           {"Helvetica", "alpha", -1},
    {"Helvetica", "", -1},            {"Times-BoldItalic", "Edotaccent", 667}, {"Courier", "Euro", 600},
    {"Courier-Bold", "zcaron", 600},  {"Symbol", "alpha", 631},          {"ZapfDingbats", "a1", 974},
    {"Helvetica-Bold", "dbldaggerumlaut", 556}, {"Helvetica", "dbldaggerumlaut", -1}, {"Times-Roman", "a1", -1},
    {"Times-Roman", "Euro", 500},     {"Helvetica", "commaaccent", 250}, {"Times-Roman", "aacute", 444},
};

TEST(BuiltInFonts, WidthsOfTheStandardFonts) {
  for (const auto& c : kWidthCases) {
    SCOPED_TRACE(std::string(c.Font) + " " + c.Glyph);
    auto font = TvnBuiltInFont::MakeBuiltInFont(c.Font);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->GetWidth(c.Glyph), c.Width);
  }
}

TEST(BuiltInFonts, MetricsSizesAndEncodings) {
  struct Expect {
    const char* Font;
    double Ascent, Descent, Llx, Lly, Urx, Ury;
    int Size;
    const char* EncodingName;
    const TvnEncodingArray* Encoding;
  };
  const Expect cases[] = {
      {"Courier", 629, -157, -23, -250, 715, 805, 315, "StandardEncoding", &StandardEncoding},
      {"Courier-Bold", 629, -157, -113, -250, 749, 801, 315, "StandardEncoding", &StandardEncoding},
      {"Helvetica-Bold", 718, -207, -170, -228, 1003, 962, 316, "StandardEncoding", &StandardEncoding},
      {"Times-Roman", 683, -217, -168, -218, 1000, 898, 315, "StandardEncoding", &StandardEncoding},
      {"Symbol", 1010, -293, -180, -293, 1090, 1010, 190, "CustomEncoding", &SymbolEncoding},
      {"ZapfDingbats", 820, -143, -1, -143, 981, 820, 202, "CustomEncoding", &ZapfDingbatsEncoding},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Font);
    auto font = TvnBuiltInFont::MakeBuiltInFont(c.Font);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->name(), c.Font);
    EXPECT_EQ(font->Ascent(), c.Ascent);
    EXPECT_EQ(font->Descent(), c.Descent);
    EXPECT_EQ(font->BBox().Left(), c.Llx);
    EXPECT_EQ(font->BBox().Top(), c.Lly);
    EXPECT_EQ(font->BBox().Right(), c.Urx);
    EXPECT_EQ(font->BBox().Bottom(), c.Ury);
    EXPECT_EQ(font->Size(), c.Size);
    EXPECT_EQ(font->EncodingName(), c.EncodingName);
    EXPECT_EQ(&font->DefaultBaseEnc(), c.Encoding);
  }
}

TEST(BuiltInFonts, OnlyTheFourteenNamesAreStandardFonts) {
  for (const char* name : {"Arial", "helvetica", "Times", "", "Helvetica "}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(TvnBuiltInFont::MakeBuiltInFont(name));
  }
  // Every width table is sorted and holds each name once.
  for (const char* name : {"Courier", "Courier-Bold", "Courier-BoldOblique", "Courier-Oblique", "Helvetica",
                           "Helvetica-Bold", "Helvetica-BoldOblique", "Helvetica-Oblique", "Symbol", "Times-Bold",
                           "Times-BoldItalic", "Times-Italic", "Times-Roman", "ZapfDingbats"}) {
    auto font = TvnBuiltInFont::MakeBuiltInFont(name);
    ASSERT_TRUE(font) << name;
    // Each glyph of the font's own encoding has a width.
    for (std::string_view glyph : font->DefaultBaseEnc())
      if (!glyph.empty()) EXPECT_GE(font->GetWidth(glyph), 0) << name << " " << glyph;
  }
}

TEST(BuiltInFonts, AliasesAndFaceNames) {
  const std::pair<const char*, const char*> aliases[] = {
      {"Arial", "Helvetica"},          {"Arial,BoldItalic", "Helvetica-BoldOblique"},
      {"Helvetica-Compressed", "Helvetica"}, {"CourierNewPSMT", "Courier"},
      {"Symbol,Italic", "Symbol"},     {"TimesNewRomanPSMT,Italic", "Times-Italic"},
      {"Helvetica", ""},               {"arial", ""},
  };
  for (const auto& [alias, font] : aliases) EXPECT_EQ(StdFontOfAlias(alias), font) << alias;
  EXPECT_EQ(StdFontFaceName("Helvetica-BoldOblique"), "ArialBoldItalic");
  EXPECT_EQ(StdFontFaceName("ZapfDingbats"), "ArialUnicodeMS");
  EXPECT_EQ(StdFontFaceName("Times-Roman"), "TimesNewRoman");
  EXPECT_EQ(StdFontFaceName("Arial"), "");
}

size_t EncodedCodes(const TvnEncodingArray& e) {
  size_t n = 0;
  for (std::string_view name : e) n += name.empty() ? 0 : 1;
  return n;
}

TEST(Encodings, CodesAndCounts) {
  struct CodeCase {
    const TvnEncodingArray* Encoding;
    int Code;
    const char* Name;
  };
  const CodeCase codes[] = {
      {&MacRomanEncoding, 255, "caron"},      {&MacRomanEncoding, 127, "UL"},
      {&MacRomanEncoding, 202, "space"},      {&MacRomanEncoding, 219, "currency"},
      {&MacRomanEncoding, 240, "apple"},      {&MacRomanEncoding, 39, "quotesingle"},
      {&WinAnsiEncoding, 128, "Euro"},        {&WinAnsiEncoding, 129, "bullet"},
      {&WinAnsiEncoding, 127, "bullet"},      {&WinAnsiEncoding, 160, "space"},
      {&WinAnsiEncoding, 173, "hyphen"},      {&WinAnsiEncoding, 31, ""},
      {&StandardEncoding, 39, "quoteright"},  {&StandardEncoding, 96, "quoteleft"},
      {&StandardEncoding, 128, ""},           {&StandardEncoding, 251, "germandbls"},
      {&MacExpertEncoding, 35, "centoldstyle"}, {&ExpertEncoding, 35, ""},
      {&ExpertEncoding, 255, "Ydieresissmall"}, {&ExpertEncoding, 0, ""},
      {&SymbolEncoding, 97, "alpha"},         {&SymbolEncoding, 160, ""},
      {&SymbolEncoding, 240, ""},             {&ZapfDingbatsEncoding, 33, "a1"},
      {&ZapfDingbatsEncoding, 32, "space"},   {&ZapfDingbatsEncoding, 255, ""},
  };
  for (const auto& c : codes) EXPECT_EQ((*c.Encoding)[static_cast<size_t>(c.Code)], c.Name) << c.Code;
  EXPECT_EQ(EncodedCodes(StandardEncoding), 149u);
  EXPECT_EQ(EncodedCodes(WinAnsiEncoding), 224u);
  EXPECT_EQ(EncodedCodes(MacRomanEncoding), 224u);
  EXPECT_EQ(EncodedCodes(MacExpertEncoding), 165u);
  EXPECT_EQ(EncodedCodes(ExpertEncoding), 165u);
  EXPECT_EQ(EncodedCodes(SymbolEncoding), 188u);
  EXPECT_EQ(EncodedCodes(ZapfDingbatsEncoding), 188u);
  EXPECT_EQ(EncodingNames[3], "PDFDocEncoding");
}

struct GlyphCase {
  const char* Name;
  bool Dingbats;
  uint32_t Unicode;
};

const GlyphCase kGlyphCases[] = {
    {"Euro", false, 0x20AC},
    {"A", false, 0x41},
    {"a", false, 0x61},
    {"Aacute", false, 0xC1},
    {"aacute", false, 0xE1},
    {"dalethatafpatah", false, 0x05D3},  // several code points: the first
    {"", false, 0},
    {"nosuchglyph", false, 0},
    {"a20", true, 0x2714},
    {"a1", true, 0x2701},
    {"a71", true, 0x25CF},
    {"four", true, 0x2714},
    {"l", true, 0x25CF},
    {"four", false, 0x34},
    {"space", true, 0x20},  // not in the dingbats list: the glyph list answers
    {"a20", false, 0},
    // Names made of a code: interpreted rather than lost.
    {"uni0041", false, 0x41},
    {"uni20AC", true, 0x20AC},
    {"uni00660069", false, 0x66},  // several groups: the first
    {"u1F600", false, 0x1F600},
    {"u0041", false, 0x41},
    {"uniD800", false, 0},   // surrogate
    {"uni004", false, 0},    // too short
    {"uni00G1", false, 0},   // not hexadecimal
    {"u110000", false, 0},   // beyond Unicode
    {"uni", false, 0},
};

TEST(GlyphNames, GlyphNameToUnicode) {
  for (const auto& c : kGlyphCases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(GlyphNameToUnicode(c.Name, c.Dingbats), c.Unicode);
  }
}

TEST(GlyphNames, UnicodeToSymbolCode) {
  const std::pair<uint16_t, int> cases[] = {
      {0x03B1, 97}, {0x0041, 0},   {0x00A0, 32},  {0x0020, 32},  {0x00B7, 183}, {0x0394, 68},
      {0x2206, 68}, {0x03A9, 87},  {0x03BC, 109}, {0x20AC, 160}, {0x2215, 164}, {0x2200, 34},
      {0x0000, 0},  {0xFFFF, 0},
  };
  for (const auto& [u, code] : cases) EXPECT_EQ(UnicodeToSymbolCode(u), code) << std::hex << u;
  // Every encoded Symbol code is reached back from its glyph's Unicode value.
  for (int code = 0; code < 256; ++code) {
    const std::string_view name = SymbolEncoding[static_cast<size_t>(code)];
    if (name.empty()) continue;
    const uint32_t u = GlyphNameToUnicode(name);
    ASSERT_NE(u, 0u) << name;
    EXPECT_EQ(UnicodeToSymbolCode(static_cast<uint16_t>(u)), code) << name;
  }
}

}  // namespace built_in_fonts_test
