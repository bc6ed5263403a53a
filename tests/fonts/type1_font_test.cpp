// The Type 1 reader: PFB, binary PFA and hexadecimal PFA forms of one font
// read alike; the font dictionary, encodings, Private values, Subrs and
// CharStrings; font matrices; and damaged programs.
#include "fonts/type1_font.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "outline_oracle.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"
#include "type1_test_fonts.h"

namespace vn::fonts::type1_font_test {
namespace {

namespace fs = std::filesystem;
using testing::Assemble;
using testing::Type1Builder;

const fs::path kFixtures = fs::path(VN_FIXTURES_DIR) / "fonts";
const fs::path kUrwDir = "/usr/share/fonts/type1/urw-base35";

std::unique_ptr<TvnType1pfbHandler> Load(const std::string& program) {
  auto font = std::make_unique<TvnType1pfbHandler>();
  TStringStream stream(program);
  return font->Check(stream) ? std::move(font) : nullptr;
}

std::string Text(const std::unique_ptr<TvnRecList>& list) {
  if (!list) return "null";
  std::string out;
  for (const Instructions& r : *list) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s %g %g %g %g %g %g %g %g;", std::string(StepName(r.Name)).c_str(), r.pt2.X,
                  r.pt2.Y, r.pt3[1].X, r.pt3[1].Y, r.pt3[2].X, r.pt3[2].Y, r.pt3[3].X, r.pt3[3].Y);
    out += buf;
  }
  return out;
}

std::string OutlineText(TvnBaseFont& font, const std::string& glyph) {
  return Text(font.GetOutlineForGlyphName(glyph, 1000, 72, EncodingType::None));
}

// Every glyph's outline as text, by glyph name.
std::map<std::string, std::string> Outlines(TvnType1pfbHandler& font) {
  std::map<std::string, std::string> outlines;
  for (const auto& [name, bytes] : font.CharStrings()) outlines[name] = OutlineText(font, name);
  return outlines;
}

// `outlines`: Outlines(a), made once for a font compared with several twins.
void ExpectSameFont(TvnType1pfbHandler& a, const std::map<std::string, std::string>& outlines, TvnType1pfbHandler& b,
                    const std::string& what) {
  ASSERT_EQ(a.CharStrings().size(), b.CharStrings().size()) << what;
  for (const auto& [name, bytes] : a.CharStrings()) {
    const TvnBytes* other = b.CharStrings().Find(name);
    ASSERT_TRUE(other) << what << " " << name;
    EXPECT_EQ(bytes.FArray, other->FArray) << what << " " << name;
    EXPECT_EQ(outlines.at(name), OutlineText(b, name)) << what << " " << name;
  }
  EXPECT_EQ(a.Subrs(), b.Subrs()) << what;
  EXPECT_EQ(a.PrivateDict(), b.PrivateDict()) << what;
  EXPECT_EQ(a.Encodings(), b.Encodings()) << what;
  EXPECT_EQ(a.FontMatrix(), b.FontMatrix()) << what;
  EXPECT_EQ(a.FontnameVa(), b.FontnameVa()) << what;
}

// The URW fonts come as clear text with a binary eexec section; t1binary
// and t1ascii make their PFB and hexadecimal PFA twins. For two of the fonts
// t1utils ends the encrypted part early, where a cipher byte is a "0" that it
// takes for the zero trailer, and writes the rest as text: twins that
// FreeType cannot open either are left out.
TEST(Type1Font, UrwFontsReadAlikeAsPfaPfbAndHex) {
  if (!vn::test_support::HaveFile(kUrwDir)) GTEST_SKIP() << "fonts-urw-base35 is not installed";
  if (!vn::test_support::HaveTool("t1binary") || !vn::test_support::HaveTool("t1ascii")) GTEST_SKIP() << "t1utils is missing";
  const fs::path tmp = fs::temp_directory_path();
  int fonts = 0, twins = 0;
  for (const auto& e : fs::directory_iterator(kUrwDir)) {
    if (e.path().extension() != ".t1") continue;
    ++fonts;
    auto t1 = Load(ReadFileBytes(e.path()));
    ASSERT_TRUE(t1) << e.path();
    EXPECT_GT(t1->GetNumGlyph(), 150) << e.path();
    const std::map<std::string, std::string> outlines = Outlines(*t1);
    for (const char* tool : {"t1binary", "t1ascii"}) {
      const fs::path twin = tmp / "twin";
      const std::string command = std::string(tool) + " '" + e.path().string() + "' '" + twin.string() + "'";
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
      const std::string bytes = ReadFileBytes(twin);
      if (!testing::FreeTypeFace(bytes).ok()) continue;
      auto other = Load(bytes);
      ASSERT_TRUE(other) << command;
      ExpectSameFont(*t1, outlines, *other, command);
      ++twins;
    }
  }
  EXPECT_EQ(fonts, 35);
  EXPECT_GE(twins, 66);
}

TEST(Type1Font, FontDictionaryOfTheFixture) {
  auto pfb = Load(ReadFileBytes(kFixtures / "accented.pfb"));
  auto pfa = Load(ReadFileBytes(kFixtures / "accented.pfa"));
  ASSERT_TRUE(pfb && pfa);
  ExpectSameFont(*pfb, Outlines(*pfb), *pfa, "fixture");
  TvnType1pfbHandler& f = *pfb;
  EXPECT_EQ(f.FontFullNameVa(), u"Accented Test");
  EXPECT_EQ(f.FontnameVa(), u"/Accented");
  EXPECT_EQ(f.FontVersionVa(), u"1.0");
  EXPECT_EQ(f.FontWeightVa(), u"Regular");
  EXPECT_EQ(f.FontisFixedVa(), u"false");
  EXPECT_EQ(f.FontItalicAngleVa(), u"0");
  EXPECT_EQ(f.FontUnderlinePositionVa(), u"-100");
  EXPECT_EQ(f.GetUnderLineThickness(), u"50");
  EXPECT_EQ(f.FontTypeVa(), u"1");
  EXPECT_EQ(f.FontPaintTypeVa(), u"0");
  EXPECT_EQ(f.FontBBoxVa(), u"-10, -20, 900, 1000");
  EXPECT_EQ(f.Fontascender(), u"1000");
  EXPECT_EQ(f.Fontdescender(), u"-20");
  EXPECT_EQ(f.FontUniqueIDVa(), u"Key not Found");
  EXPECT_EQ(f.FontEncodingTypeVa(), u"Key not Found");  // an encoding array, not a predefined one
  EXPECT_EQ(f.GetNumGlyph(), 12);
  EXPECT_EQ(f.Subrs().size(), 7u);
  EXPECT_EQ(f.PrivateDict().at("BlueValues"), "-20 0 720 740");
  EXPECT_EQ(f.PrivateDict().at("MinFeature"), "16 16");
  EXPECT_EQ(f.GetFontType(), FontType::Type1);
}

TEST(Type1Font, EncodingArrayAndStandardEncoding) {
  auto fixture = Load(ReadFileBytes(kFixtures / "accented.pfb"));
  ASSERT_TRUE(fixture);
  struct Case {
    int32_t code;
    const char* name;
  } cases[] = {
      {65, "A"},        // dup 65 /A put; a later dup 65 /B put changes nothing
      {97, "a"},        // several entries on one line
      {193, "Aacute"},  // a radix code, 8#301
      {32, "space"},
      {66, ""},         // not in the array
      {300, ""},
      {-1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fixture->GetGlyphName(c.code), c.name) << c.code;
    EXPECT_EQ(fixture->IsCharCodeAvailable(c.code, EncodingType::None), *c.name != 0) << c.code;
    const bool has_outline = fixture->GetOutlineForCharCode(c.code, 10, 72, EncodingType::None) != nullptr;
    EXPECT_EQ(has_outline, *c.name != 0) << c.code;
  }
  // Glyph ids of a Type 1 font are character codes.
  EXPECT_EQ(Text(fixture->GetOutlineForGlyphID(193, 1000, 72, EncodingType::None)), OutlineText(*fixture, "Aacute"));

  Type1Builder b;
  b.Glyph("A", "0 500 hsbw 0 0 rmoveto 100 hlineto endchar").Glyph("Aring", "0 500 hsbw endchar");
  auto standard = Load(b.Pfa());
  ASSERT_TRUE(standard);
  EXPECT_EQ(standard->FontEncodingTypeVa(), u"StandardEncoding");
  EXPECT_EQ(standard->GetGlyphName(65), "A");
  EXPECT_NE(standard->GetOutlineForCharCode(65, 12, 96, EncodingType::None), nullptr);
  EXPECT_EQ(standard->GetGlyphName(128), "");  // no standard name
  EXPECT_EQ(standard->GetOutlineForCharCode(128, 12, 96, EncodingType::None), nullptr);
  EXPECT_EQ(standard->GetGlyphName(-68), "");   // nor do the further Latin names have codes
  EXPECT_FALSE(standard->IsCharCodeAvailable(66, EncodingType::None));  // named B, no charstring
}

TEST(Type1Font, GlyphLookups) {
  Type1Builder b;
  b.glyphs.emplace_back("space", testing::Bytes{139, 247, 0, 13, 14});  // 0 108 hsbw endchar: 5 bytes
  b.Glyph("A", "10 500 hsbw 0 0 rmoveto 100 hlineto endchar");
  auto font = Load(b.Pfa());
  ASSERT_TRUE(font);
  // Stored decrypted with the lenIV bytes in front: 4 + 5.
  EXPECT_EQ(font->CharStrings().Find("space")->FArray.size(), 9u);
  EXPECT_EQ(font->GetOutlineForGlyphName("", 10, 72, EncodingType::None), nullptr);
  auto missing = font->GetOutlineForGlyphName("nosuchglyph", 10, 72, EncodingType::None);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->Count(), 0);
  // 12 points at 96 dpi: 16 pixels per 1000 units.
  auto a = font->GetOutlineForGlyphName("A", 12, 96, EncodingType::None);
  ASSERT_EQ(a->Count(), 4);
  EXPECT_FLOAT_EQ(a->GetItem(2).pt2.X, 1.76f);
}

// The seac glyph of the fixture places the accent where Nimbus Sans draws its
// own composed Aacute.
TEST(Type1Font, SeacEqualsThePrecomposedGlyph) {
  const fs::path nimbus = kUrwDir / "NimbusSans-Regular.t1";
  if (!vn::test_support::HaveFile(nimbus)) GTEST_SKIP() << "fonts-urw-base35 is not installed";
  auto fixture = Load(ReadFileBytes(kFixtures / "accented.pfb"));
  auto urw = Load(ReadFileBytes(nimbus));
  ASSERT_TRUE(fixture && urw);
  const auto ours = testing::FromRecList(*fixture->GetOutlineForGlyphName("Aacute", 1000, 72, EncodingType::None));
  const auto theirs = testing::FromRecList(*urw->GetOutlineForGlyphName("Aacute", 1000, 72, EncodingType::None));
  EXPECT_EQ(ours.size(), 3u);
  EXPECT_EQ(testing::CompareShapes(ours, theirs, 1e-6), "");
}

TEST(Type1Font, FontMatrices) {
  struct Case {
    const char* matrix;
    float x, y;  // where the glyph's point (100, 200) lands at 1000 pixels
  } cases[] = {
      {"[0.001 0 0 0.001 0 0]", 100, -200},
      {"[0.0005 0 0 0.0005 0 0]", 50, -100},
      {"{0.001 0 0.0002 0.001 0.01 0}", 150, -200},  // slanted and moved
      {"[0 0 0 0 0 0]", 100, -200},                   // cannot map glyph space: the usual one
      {"[0.001 0 0 0.001 0 x]", 100, -200},           // an entry that does not convert keeps its default
  };
  for (const Case& c : cases) {
    Type1Builder b;
    b.clear = std::string("%!FontType1-1.0: M\n/FontMatrix ") + c.matrix + " readonly def\n/Encoding StandardEncoding def\n";
    b.Glyph("g", "0 500 hsbw 100 200 rmoveto endchar");
    auto font = Load(b.Pfa());
    ASSERT_TRUE(font) << c.matrix;
    auto list = font->GetOutlineForGlyphName("g", 1000, 72, EncodingType::None);
    ASSERT_EQ(list->Count(), 3) << c.matrix;
    EXPECT_NEAR(list->GetItem(1).pt2.X, c.x, 1e-3) << c.matrix;
    EXPECT_NEAR(list->GetItem(1).pt2.Y, c.y, 1e-3) << c.matrix;
  }
}

TEST(Type1Font, ProgramForms) {
  Type1Builder b;
  b.Subr(0, "0 100 rlineto return");
  b.Glyph("A", "0 500 hsbw 0 0 rmoveto 100 hlineto 0 callsubr closepath endchar");
  const std::string expected = "moveto 0 -0 0 0 0 0 0 0;moveto 0 -0 0 0 0 0 0 0;lineto 100 -0 0 0 0 0 0 0;"
                               "lineto 100 -100 0 0 0 0 0 0;lineto 0 -0 0 0 0 0 0 0;closepath 0 0 0 0 0 0 0 0;";
  Type1Builder plain = b;
  plain.len_iv = -1;
  plain.private_entries = "/lenIV -1 def\n";
  Type1Builder two = b;
  two.len_iv = 2;
  two.private_entries = "/lenIV 2 def\n";
  Type1Builder packed = b;  // everything on one line, no blanks the format can do without
  packed.clear = "%!PS-AdobeFont-1.0: P\n/FontName/P def/Encoding 256 array dup 65/A put readonly def ";
  struct Case {
    const char* what;
    std::string program;
  } cases[] = {
      {"binary PFA", b.Pfa()},
      {"hex PFA", b.Pfa(true)},
      {"PFB", b.Pfb()},
      {"unencrypted charstrings", plain.Pfa()},
      {"lenIV 2", two.Pfa(true)},
      {"packed clear text", packed.Pfa()},
      {"CR line ends", [&] {
         std::string p = b.Pfa();
         for (size_t i = 0; i < p.find("eexec"); ++i)
           if (p[i] == '\n') p[i] = '\r';
         return p;
       }()},
  };
  for (const Case& c : cases) {
    auto font = Load(c.program);
    ASSERT_TRUE(font) << c.what;
    EXPECT_EQ(OutlineText(*font, "A"), expected) << c.what;
  }
  EXPECT_EQ(Load(packed.Pfa())->GetGlyphName(65), "A");
}

TEST(Type1Font, DamagedProgramsAreRefusedOrReadInPart) {
  Type1Builder b;
  b.Subr(0, "return");
  b.Glyph("A", "0 500 hsbw 0 0 rmoveto 100 hlineto endchar").Glyph("B", "0 500 hsbw endchar");
  const std::string good = b.Pfa();
  const std::string hex = b.Pfa(true);
  auto cut_private = [&](const std::string& from, const std::string& replacement) {
    Type1Builder d = b;
    std::string priv = d.PrivatePart();
    priv.replace(priv.find(from), from.size(), replacement);
    const std::string plain = "\x11\x22\x33\x44" + priv;
    const auto c = testing::Encrypt(testing::Bytes(plain.begin(), plain.end()), 55665);
    return d.clear + "currentfile eexec\n" + std::string(c.begin(), c.end());
  };
  // Offsets of a byte inside B's charstring, in the binary and the hex form.
  const size_t b_byte = 4 + b.PrivatePart().find("/B 9 RD ") + 12;
  const size_t cut_in_b = good.find("eexec\n") + 6 + b_byte;
  const size_t hex_cut_in_b = hex.find("eexec\n") + 6 + 2 * b_byte + b_byte / 32 + 1;
  struct Case {
    const char* what;
    std::string program;
    int glyphs;  // -1: refused
  } cases[] = {
      {"empty", "", -1},
      {"not a font", "hello world, this is not a font program\n", -1},
      {"header only", "%!PS-AdobeFont-1.0\n", -1},
      {"no eexec", b.clear, -1},
      {"cut in the clear text", good.substr(0, 40), -1},
      {"cut right after eexec", good.substr(0, good.find("eexec") + 6), -1},
      {"PFB header only", std::string("\x80\x01", 2), -1},
      {"PFB segment longer than the file", b.Pfb().substr(0, 60), -1},
      {"PFB without its last segments", b.Pfb().substr(0, b.Pfb().size() - 100), 2},
      {"cut inside the second charstring", good.substr(0, cut_in_b), 1},
      {"hex cut in the middle of a pair", hex.substr(0, hex_cut_in_b), 1},
      {"charstring count past the end", cut_private("/B 9 RD", "/B 99999999 RD"), 1},
      {"negative charstring count", cut_private("/B 9 RD", "/B -5 RD"), 1},
      {"subroutine number far out", cut_private("dup 0 5 RD", "dup 1000000000 5 RD"), 2},
      {"negative subroutine number", cut_private("dup 0 5 RD", "dup -3 5 RD"), 2},
      {"a megabyte of closing parentheses", "%!PS-AdobeFont-1.0\n" + std::string(1 << 20, ')'), -1},
      {"encoding array without def", b.clear.substr(0, b.clear.find("/Encoding")) + "/Encoding 256 array dup 65 /A",
       -1},
  };
  for (const Case& c : cases) {
    auto font = Load(c.program);
    if (c.glyphs < 0) {
      EXPECT_EQ(font, nullptr) << c.what;
      continue;
    }
    ASSERT_NE(font, nullptr) << c.what;
    EXPECT_EQ(font->GetNumGlyph(), c.glyphs) << c.what;
    for (const auto& [name, bytes] : font->CharStrings()) OutlineText(*font, name);
  }
}

// Every prefix of the fixture's two forms is refused or read without harm.
TEST(Type1Font, EveryTruncationOfTheFixture) {
  for (const char* name : {"accented.pfb", "accented.pfa"}) {
    const std::string whole = ReadFileBytes(kFixtures / name);
    int loaded = 0;
    for (size_t n = 0; n <= whole.size(); ++n) {
      auto font = Load(whole.substr(0, n));
      if (!font) continue;
      ++loaded;
      for (const auto& [glyph, bytes] : font->CharStrings()) OutlineText(*font, glyph);
      for (int code = 0; code < 256; ++code) font->GetOutlineForCharCode(code, 10, 72, EncodingType::None);
    }
    EXPECT_GT(loaded, 0) << name;
  }
}

}  // namespace
}  // namespace vn::fonts::type1_font_test
