// Composite fonts: descendant and collection, CMaps by name and by stream,
// horizontal and vertical metrics, CIDToGIDMap and ToUnicode codes.
#include "pdfdocument/pd_cid_font.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pdfdocument/font_test_doc.h"
#include "support/paths.h"

namespace vn::pdfdoc::pd_cid_font_test {

using font_test_doc::Decode;
using font_test_doc::HexStream;
using font_test_doc::LoadFont;

// A Type 0 font (object 1) with its descendant (object 2); ADescendant
// holds the descendant's further entries.
font_test_doc::FontDoc CIDFont(const std::string& AEncoding, const std::string& ADescendant,
                               std::map<int64_t, std::string> AOthers = {}, const std::string& AType0 = "",
                               const std::string& ACMapPath = std::string(TvnPDCMap::kDefaultCMapPath)) {
  AOthers[1] = "<< /Type /Font /Subtype /Type0 /BaseFont /F /Encoding " + AEncoding + " " + AType0 +
               " /DescendantFonts [2 0 R] >>";
  AOthers[2] = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /F /CIDSystemInfo << /Registry (Adobe) "
               "/Ordering (Identity) /Supplement 0 >> " +
               ADescendant + " >>";
  return LoadFont(AOthers, ACMapPath);
}

TvnPDCIDFont& Composite(font_test_doc::FontDoc& ALoaded) {
  EXPECT_NE(ALoaded.Font, nullptr);
  return dynamic_cast<TvnPDCIDFont&>(*ALoaded.Font);
}

TEST(PDCIDFontWidths, WArrayOfBothShapes) {
  auto loaded = CIDFont("/Identity-H", "/W [1 [500 600] 10 20 700 30 /x 50 [60 /y 70] 40 41 /z 99]");
  TvnPDCIDFont& font = Composite(loaded);
  const std::pair<uint32_t, double> expected[] = {{1, 0.5}, {2, 0.6}, {3, 1.0}, {10, 0.7}, {20, 0.7},
                                                  {21, 1.0}, {50, 0.06}, {51, 0.07}, {52, 1.0}, {40, 1.0}};
  for (const auto& [cid, width] : expected) EXPECT_DOUBLE_EQ(font.GetCharWidth(cid), width) << cid;
}

// Entries that cover a code twice: the first entry holding the code gives
// its width, and a code inside any entry never falls back to /DW (readers
// that binary-search entries sorted by their first code miss the wide
// range behind a narrow one that starts later, and give such codes /DW).
TEST(PDCIDFontWidths, OverlappingEntriesTakeTheFirstHoldingTheCode) {
  struct Case {
    const char* w;
    std::vector<std::pair<uint32_t, double>> widths;
  };
  const Case cases[] = {
      // A single code, then a range over it and far past it.
      {"32 [719] 0 180 719 181 [878] 182 65534 719", {{1, 0.719}, {32, 0.719}, {42, 0.719}, {181, 0.878}}},
      // A range, then a single code inside it.
      {"10 20 500 15 [700]", {{14, 0.5}, {15, 0.5}, {16, 0.5}, {20, 0.5}}},
      // Two ranges that overlap in part, in either order.
      {"10 20 500 15 25 700", {{14, 0.5}, {20, 0.5}, {21, 0.7}}},
      {"15 25 700 10 20 500", {{14, 0.5}, {15, 0.7}, {20, 0.7}}},
      // Single codes before a wide range that holds them and the codes between.
      {"1 [100] 5 [200] 3 [300] 0 10 900", {{0, 0.9}, {1, 0.1}, {2, 0.9}, {3, 0.3}, {4, 0.9}, {11, 1.0}}},
  };
  for (const Case& c : cases) {
    auto loaded = CIDFont("/Identity-H", std::string("/W [") + c.w + "]");
    TvnPDCIDFont& font = Composite(loaded);
    for (const auto& [cid, width] : c.widths) EXPECT_DOUBLE_EQ(font.GetCharWidth(cid), width) << c.w << ": " << cid;
  }
}

TEST(PDCIDFontWidths, DefaultWidth) {
  auto loaded = CIDFont("/Identity-H", "/DW 1000");
  EXPECT_DOUBLE_EQ(Decode(*loaded.Font, std::u16string(u"\x00\x41", 2)).Dx, 1.0);
  auto half = CIDFont("/Identity-H", "/DW 500");
  EXPECT_DOUBLE_EQ(Decode(*half.Font, std::u16string(u"\x00\x41", 2)).Dx, 0.5);
}

// Vertical metrics never stand in for horizontal ones, and the reverse.
TEST(PDCIDFontWidths, VerticalMetricsOnlyForVerticalWriting) {
  const std::string metrics = "/DW 500 /DW2 [880 -900] /W2 [65 [-500 250 880] 70 71 -700 250 880]";
  auto horizontal = CIDFont("/Identity-H", metrics);
  const auto h = Decode(*horizontal.Font, std::u16string(u"\x00\x41", 2));
  EXPECT_DOUBLE_EQ(h.Dx, 0.5);
  EXPECT_EQ(h.Dy, 0);
  auto vertical = CIDFont("/Identity-V", metrics);
  const std::pair<char16_t, double> expected[] = {{0x41, -0.5}, {0x42, -0.9}, {0x46, -0.7}, {0x47, -0.7}};
  for (const auto& [cid, advance] : expected) {
    const auto v = Decode(*vertical.Font, std::u16string{u'\0', cid});
    EXPECT_EQ(v.Dx, 0);
    EXPECT_DOUBLE_EQ(v.Dy, advance) << int(cid);
  }
  EXPECT_EQ(vertical.Font->GetCharWidth(0x41), 0);
}

TEST(PDCIDFontCMap, IdentityReadsTwoBytes) {
  auto loaded = CIDFont("/Identity-H", "");
  const auto c = Decode(*loaded.Font, std::u16string(u"\x00\x41", 2));
  EXPECT_EQ(c.Result, 1);
  EXPECT_EQ(c.Code, 0x41u);
  EXPECT_EQ(c.Processed, 2);
  EXPECT_EQ(c.Name, "");
  EXPECT_EQ(loaded.Font->WritingMode(), TvnWritingMode::wmHorizontal);
  auto vertical = CIDFont("/Identity-V", "");
  const auto v = Decode(*vertical.Font, std::u16string(u"\x00\x41", 2));
  EXPECT_EQ(v.Dx, 0);
  EXPECT_DOUBLE_EQ(v.Dy, -1.0);
  EXPECT_EQ(vertical.Font->WritingMode(), TvnWritingMode::wmVertical);
}

// An embedded CMap of one- and two-byte codes, written vertically.
const std::string kMixedCMap =
    "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /WMode 1 def "
    "2 begincodespacerange <00> <80> <8140> <9FFC> endcodespacerange "
    "2 begincidrange <20> <7E> 1 <8140> <817E> 633 endcidrange endcmap";

TEST(PDCIDFontCMap, EmbeddedCMapByItsCodeSpace) {
  auto loaded = CIDFont("3 0 R", "/W2 [1 [-300 0 0]]", {{3, HexStream("/Type /CMap", kMixedCMap)}});
  TvnPDCIDFont& font = Composite(loaded);
  EXPECT_EQ(font.EncodingName(), "Custom");
  const std::u16string text = u"\x20\x81\x41";
  const auto first = Decode(font, text, 0);
  EXPECT_EQ(first.Code, 1u);
  EXPECT_EQ(first.Processed, 1);
  EXPECT_DOUBLE_EQ(first.Dy, -0.3);
  const auto second = Decode(font, text, 1);
  EXPECT_EQ(second.Code, 634u);
  EXPECT_EQ(second.Processed, 2);
  // The writing mode is the CMap's, whatever its name.
  EXPECT_EQ(font.WritingMode(), TvnWritingMode::wmVertical);
}

TEST(PDCIDFontCMap, PredefinedVerticalCMapFromTheFolder) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "cmaps";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Test-V") << kMixedCMap;
  auto loaded = CIDFont("/Test-V", "", {}, "", folder.string() + "/");
  TvnPDCIDFont& font = Composite(loaded);
  ASSERT_NE(font.CMap(), nullptr);
  EXPECT_EQ(font.WritingMode(), TvnWritingMode::wmVertical);
  EXPECT_DOUBLE_EQ(Decode(font, u"\x21").Dy, -1.0);
}

TEST(PDCIDFontCIDToGID, StreamMapsCIDsToGlyphs) {
  std::string map(0x42 * 2, '\0');
  map[0x41 * 2 + 1] = 7;
  auto loaded = CIDFont("/Identity-H", "/CIDToGIDMap 3 0 R", {{3, HexStream("", map + "\x01")}});
  TvnPDCIDFont& font = Composite(loaded);
  ASSERT_NE(font.GetCIDToGID(), nullptr);
  EXPECT_EQ(font.GetCIDToGID()->size(), 0x42u);  // the odd last byte is left out
  EXPECT_EQ(Decode(font, std::u16string(u"\x00\x41", 2)).Code, 7u);
  // Beyond the end of the map: glyph 0.
  EXPECT_EQ(Decode(font, std::u16string(u"\x01\x00", 2)).Code, 0u);
  auto identity = CIDFont("/Identity-H", "/CIDToGIDMap /Identity");
  EXPECT_EQ(Composite(identity).GetCIDToGID(), nullptr);
}

// A predefined CMap whose collection has a Unicode map: without an embedded
// program the code becomes Unicode, while the advance stays the CID's.
TEST(PDCIDFontCMap, PredefinedCMapGivesUnicodeAndTheCIDsWidth) {
  std::map<int64_t, std::string> objects;
  objects[1] = "<< /Subtype /Type0 /BaseFont /HeiseiMin-W3 /Encoding /90ms-RKSJ-H /DescendantFonts [2 0 R] >>";
  objects[2] = "<< /Subtype /CIDFontType0 /BaseFont /HeiseiMin-W3 /CIDSystemInfo << /Registry (Adobe) "
               "/Ordering (Japan1) /Supplement 2 >> /W [264 [500]] >>";  // "A" is CID 231 + 0x21
  auto loaded = LoadFont(objects, std::string(VN_FIXTURES_DIR) + "/pdfdocument/cmap/");
  TvnPDCIDFont& font = Composite(loaded);
  ASSERT_NE(font.CMap(), nullptr);
  const auto a = Decode(font, u"A");
  EXPECT_EQ(a.Code, 0x41u);
  EXPECT_EQ(a.Processed, 1);
  EXPECT_DOUBLE_EQ(a.Dx, 0.5);
  const auto kanji = Decode(font, u"\x93\xFA");
  EXPECT_EQ(kanji.Code, 0x65E5u);
  EXPECT_EQ(kanji.Processed, 2);
  EXPECT_DOUBLE_EQ(kanji.Dx, 1.0);
}

const std::string kGreekToUnicode =
    "1 begincodespacerange <0000> <FFFF> endcodespacerange 1 beginbfchar <0041> <0391> endbfchar";

TEST(PDCIDFontToUnicode, NonEmbeddedFontGivesUnicode) {
  auto loaded = CIDFont("/Identity-H", "", {{3, HexStream("", kGreekToUnicode)}}, "/ToUnicode 3 0 R");
  EXPECT_EQ(Decode(*loaded.Font, std::u16string(u"\x00\x41", 2)).Code, 0x391u);
  // A code the map lacks keeps its CID.
  EXPECT_EQ(Decode(*loaded.Font, std::u16string(u"\x00\x42", 2)).Code, 0x42u);
}

TEST(PDCIDFontToUnicode, EmbeddedFontKeepsTheCID) {
  auto loaded = CIDFont("/Identity-H", "/FontDescriptor 4 0 R",
                        {{3, HexStream("", kGreekToUnicode)}, {4, "<< /FontFile2 5 0 R >>"}, {5, HexStream("", "ttf")}},
                        "/ToUnicode 3 0 R");
  ASSERT_NE(loaded.Font->GetToUnicode(), nullptr);
  EXPECT_EQ(Decode(*loaded.Font, std::u16string(u"\x00\x41", 2)).Code, 0x41u);
}

struct BrokenCase {
  const char* What;
  std::map<int64_t, std::string> Objects;
};

const BrokenCase kBrokenCases[] = {
    {"no descendants", {{1, "<< /Subtype /Type0 /Encoding /Identity-H >>"}}},
    {"descendant of another subtype",
     {{1, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [2 0 R] >>"},
      {2, "<< /Subtype /Type1 /CIDSystemInfo << /Registry (A) /Ordering (B) /Supplement 0 >> >>"}}},
    {"supplement not an integer",
     {{1, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [2 0 R] >>"},
      {2, "<< /Subtype /CIDFontType0 /CIDSystemInfo << /Registry (A) /Ordering (B) /Supplement (0) >> >>"}}},
    {"CMap not in the folder",
     {{1, "<< /Subtype /Type0 /Encoding /NoSuchCMap-H /DescendantFonts [2 0 R] >>"},
      {2, "<< /Subtype /CIDFontType0 /CIDSystemInfo << /Registry (A) /Ordering (B) /Supplement 0 >> >>"}}},
    {"CMap name with a path",
     {{1, "<< /Subtype /Type0 /Encoding /..#2Fetc#2Fpasswd /DescendantFonts [2 0 R] >>"},
      {2, "<< /Subtype /CIDFontType0 /CIDSystemInfo << /Registry (A) /Ordering (B) /Supplement 0 >> >>"}}},
    {"descendant refers to itself",
     {{1, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [1 0 R] >>"}}},
};

TEST(PDCIDFontBroken, DecodesNothing) {
  for (const BrokenCase& c : kBrokenCases) {
    SCOPED_TRACE(c.What);
    auto loaded = LoadFont(c.Objects);
    TvnPDCIDFont& font = Composite(loaded);
    EXPECT_EQ(font.CMap(), nullptr);
    const auto decoded = Decode(font, std::u16string(u"\x00\x41", 2));
    EXPECT_EQ(decoded.Result, 0);
    EXPECT_EQ(decoded.Processed, 1);
    EXPECT_EQ(decoded.Dx, 0);
    EXPECT_EQ(font.GetCharWidth(0x41), 0);
  }
}

TEST(PDCIDFontCollection, HexStringsAreUTF16Text) {
  auto loaded = LoadFont({{1, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [2 0 R] >>"},
                          {2, "<< /Subtype /CIDFontType0 /CIDSystemInfo << /Registry <FEFF00410064006F00620065> "
                              "/Ordering (Japan1) /Supplement 6 >> >>"}});
  EXPECT_EQ(Composite(loaded).Collection(), "Adobe-Japan1-UCS2");
}

}  // namespace vn::pdfdoc::pd_cid_font_test
