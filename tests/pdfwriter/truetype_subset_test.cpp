// The TrueType subsetter and character-map reader: subsets are valid fonts
// (FreeType and ttx read them) in which every used glyph, with the
// components of composites to any depth, keeps its outline, every other
// glyph is empty, every glyph keeps its identifier, and the checksums are
// right; damaged fonts give no subset and no fault.
#include "pdfwriter/truetype_subset.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "pdf_test_support.h"
#include "platform/fonts/font_catalog.h"
#include "platform/fonts/font_faces.h"
#include "platform/fonts/sfnt_reader.h"
#include "support/paths.h"

namespace vn::pdfwriter::testing::truetype_subset_test {
namespace {

std::string CompositeFont() { return vn::ReadFileBytes(std::filesystem::path(VN_FIXTURES_DIR) / "pdfwriter" / "composite.ttf"); }

// A glyph's outline in font units as text (points, tags and contour ends),
// empty for an empty glyph; "error" when FreeType cannot load it.
struct Face {
  explicit Face(const std::string& bytes) : data(bytes) {
    auto lock = vn::platform::LockFreeType();
    ok = FT_New_Memory_Face(vn::platform::FreeTypeLibrary(), reinterpret_cast<const FT_Byte*>(data.data()),
                            static_cast<FT_Long>(data.size()), 0, &face) == 0;
  }
  ~Face() {
    auto lock = vn::platform::LockFreeType();
    if (ok) FT_Done_Face(face);
  }
  long Glyphs() const { return ok ? face->num_glyphs : -1; }
  std::string Outline(unsigned glyph) const {
    auto lock = vn::platform::LockFreeType();
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) return "error";
    const FT_Outline& o = face->glyph->outline;
    std::string text;
    for (int i = 0; i < o.n_points; ++i)
      text += std::to_string(o.points[i].x) + "," + std::to_string(o.points[i].y) + "/" + std::to_string(o.tags[i] & 1) + " ";
    for (int i = 0; i < o.n_contours; ++i) text += "|" + std::to_string(o.contours[i]);
    return text;
  }
  std::string data;
  FT_Face face = nullptr;
  bool ok = false;
};

uint32_t SumOfWords(const std::string& bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = (word << 8) | (i + k < bytes.size() ? static_cast<uint8_t>(bytes[i + k]) : 0u);
    sum += word;
  }
  return sum;
}

std::span<const std::byte> Span(const std::string& s) { return {reinterpret_cast<const std::byte*>(s.data()), s.size()}; }

// Glyphs of the fixture.
enum : uint16_t { kNotdef, kSpace, kA, kB, kC, kD, kE };

TEST(TrueTypeSubset, UsedGlyphsAndTheirComponentsKeepTheirOutlines) {
  const std::string whole = CompositeFont();
  ASSERT_FALSE(whole.empty());
  const Face full(whole);
  ASSERT_TRUE(full.ok);
  struct Case {
    std::set<uint16_t> used;
    std::set<uint16_t> kept;  // used and their components
  };
  const Case cases[] = {
      {{kA}, {kA}},
      {{kC}, {kA, kB, kC}},
      {{kD}, {kA, kB, kC, kD}},  // a composite of a composite
      {{kE}, {kB, kE}},          // a scaled component
  };
  for (const Case& c : cases) {
    std::set<uint16_t> used = c.used;
    const auto subset = SubsetTrueTypeFont(whole, used);
    ASSERT_TRUE(subset);
    EXPECT_EQ(used, c.kept);
    const Face sub(*subset);
    ASSERT_TRUE(sub.ok);
    EXPECT_EQ(sub.Glyphs(), full.Glyphs());  // every glyph keeps its identifier
    for (uint16_t g = 0; g < full.Glyphs(); ++g) {
      if (c.kept.count(g))
        EXPECT_EQ(sub.Outline(g), full.Outline(g)) << "glyph " << g;
      else
        EXPECT_EQ(sub.Outline(g), "") << "glyph " << g;
    }
    // The font's words sum to the checksum magic, each table's to its entry.
    EXPECT_EQ(SumOfWords(*subset), 0xB1B0AFBAu);
    const auto dir = vn::platform::ReadSfntDirectory(Span(*subset), 0);
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->Tables.size(), 7u);  // the ten kept tables less cvt, fpgm and prep, which it lacks
    for (const auto& t : dir->Tables) {
      std::string table = subset->substr(t.Offset, t.Length);
      if (t.Tag == vn::platform::SfntTag("head")) table.replace(8, 4, 4, '\0');
      EXPECT_EQ(SumOfWords(table), t.CheckSum);
    }
  }
}

TEST(TrueTypeSubset, InstalledFontSubsetIsSmallerAndDrawsTheSame) {
  const auto match = vn::platform::MatchFont(u"Liberation Sans", false, false);
  const std::string whole = vn::platform::FontFaceBytes(match.Face);
  const Face full(whole);
  ASSERT_TRUE(full.ok);
  std::set<uint16_t> used;
  for (char32_t ch : std::u32string(U"Hello, Åström ǻ"))  // Å and ǻ are composites
    used.insert(static_cast<uint16_t>(FT_Get_Char_Index(full.face, ch)));
  const std::set<uint16_t> asked = used;
  const auto subset = SubsetTrueTypeFont(whole, used);
  ASSERT_TRUE(subset);
  EXPECT_GT(used.size(), asked.size());  // components came in
  EXPECT_LT(subset->size(), whole.size() / 4);
  const Face sub(*subset);
  ASSERT_TRUE(sub.ok);
  EXPECT_EQ(sub.Glyphs(), full.Glyphs());
  for (uint16_t g : used) EXPECT_EQ(sub.Outline(g), full.Outline(g)) << "glyph " << g;

  if (!vn::test_support::HaveTool("ttx")) return;
  const auto path = SaveTemp(*subset, "subset.ttf");
  std::string out;
  EXPECT_EQ(testing::Run("ttx -q -o - -t glyf -t maxp '" + path.string() + "'", &out), 0) << out;
  EXPECT_NE(out.find("numGlyphs value=\"" + std::to_string(full.Glyphs()) + "\""), std::string::npos);
}

TEST(TrueTypeSubset, DamagedFontsGiveNoSubset) {
  const std::string whole = CompositeFont();
  const auto dir = vn::platform::ReadSfntDirectory(Span(whole), 0);
  ASSERT_TRUE(dir);
  const auto* loca = dir->Find(vn::platform::SfntTag("loca"));
  const auto* head = dir->Find(vn::platform::SfntTag("head"));
  std::string loca_past_glyf = whole;  // a glyph located far past its table
  loca_past_glyf[loca->Offset + 6] = '\x7F';
  std::string long_loca = whole;  // long offsets claimed for a short table
  long_loca[head->Offset + 51] = 1;
  const struct {
    const char* name;
    std::string font;
    bool subset;
  } cases[] = {
      {"empty", "", false},
      {"header only", whole.substr(0, 12), false},
      {"truncated tables", whole.substr(0, 300), false},
      {"glyph outside its table", loca_past_glyf, true},
      {"location table too short", long_loca, false},
  };
  for (const auto& c : cases) {
    std::set<uint16_t> used{kA, kC, kD, 60000};
    const auto subset = SubsetTrueTypeFont(c.font, used);
    EXPECT_EQ(subset.has_value(), c.subset) << c.name;
    if (subset) EXPECT_TRUE(vn::platform::ReadSfntDirectory(Span(*subset), 0)) << c.name;
    ReadCmapFormat4(c.font);
  }
}

TEST(TrueTypeSubset, CharacterMapGivesTheFontsGlyphs) {
  const auto pairs = ReadCmapFormat4(CompositeFont());
  const std::vector<std::pair<uint16_t, uint16_t>> expected = {{0x20, kSpace}, {0x41, kA}, {0x42, kB},
                                                               {0x43, kC},     {0x44, kD}, {0x45, kE}};
  EXPECT_EQ(pairs, expected);

  const auto match = vn::platform::MatchFont(u"Liberation Sans", false, false);
  const std::string whole = vn::platform::FontFaceBytes(match.Face);
  const Face full(whole);
  size_t compared = 0;
  for (const auto& [code, glyph] : ReadCmapFormat4(whole)) {
    ASSERT_EQ(glyph, FT_Get_Char_Index(full.face, code)) << code;
    ++compared;
  }
  EXPECT_GT(compared, 1000u);
}

}  // namespace
}  // namespace vn::pdfwriter::testing::truetype_subset_test
