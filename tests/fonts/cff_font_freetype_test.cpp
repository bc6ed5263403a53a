// CFF outlines against FreeType: every glyph of the bare CFF data of the
// URW base-35 OpenType fonts, and every glyph of the CID-keyed fixture, by
// name, by SID and by CID.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cff_test_fonts.h"
#include "fonts/cff_cid_font.h"
#include "fonts/cff_font.h"
#include "outline_oracle.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"

#include FT_CID_H

namespace vn::fonts::cff_font_freetype_test {
namespace {

namespace fs = std::filesystem;
using testing::CffTable;
using testing::CompareShapes;
using testing::FreeTypeFace;
using testing::FromRecList;

const fs::path kUrwDir = "/usr/share/fonts/opentype/urw-base35";
const fs::path kFixtures = fs::path(VN_FIXTURES_DIR) / "fonts";

// FreeType hands out CFF points rounded to whole font units.
constexpr double kTolerance = 0.51;

std::vector<fs::path> UrwFonts() {
  std::vector<fs::path> fonts;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(kUrwDir, ec))
    if (e.path().extension() == ".otf") fonts.push_back(e.path());
  std::sort(fonts.begin(), fonts.end());
  return fonts;
}

// Glyphs of a plain CFF font that differ from FreeType, as "name: where"
// lines; each glyph is asked by name and by its SID.
std::string Mismatches(const std::string& cff, int& compared) {
  TStringStream stream(cff);
  TvnType1CFFHandler font;
  if (!font.Check(stream)) return "not accepted";
  FreeTypeFace ft(cff);
  if (!ft.ok()) return "FreeType cannot open it";
  const double scale = 1000.0 / ft.UnitsPerEm();
  const auto& pairs = font.First()->FCharset()->GetSIDNamePairs();
  std::string report;
  for (const std::string& name : ft.GlyphNames()) {
    auto theirs = ft.Outline(name, scale);
    if (!theirs) continue;
    auto ours = font.GetOutlineForGlyphName(name, 1000, 72, EncodingType::None);
    std::string diff = ours ? CompareShapes(FromRecList(*ours), *theirs, kTolerance) : "no outline";
    const auto pair = std::find_if(pairs.begin(), pairs.end(), [&](const auto& p) { return p.Name() == name; });
    if (diff.empty() && pair != pairs.end()) {
      auto by_sid = font.GetOutlineForGlyphID(pair->SID(), 1000, 72, EncodingType::None);
      diff = by_sid ? CompareShapes(FromRecList(*by_sid), *theirs, kTolerance) : "nothing by SID";
    }
    if (!diff.empty()) report += name + ": " + diff + "\n";
    ++compared;
  }
  return report;
}

TEST(CffFreeType, EveryGlyphOfTheUrwOpenTypeFonts) {
  if (!vn::test_support::HaveFile(kUrwDir)) GTEST_SKIP() << "fonts-urw-base35 is not installed";
  const auto fonts = UrwFonts();
  EXPECT_EQ(fonts.size(), 35u);
  for (const fs::path& f : fonts) {
    int compared = 0;
    EXPECT_EQ(Mismatches(CffTable(ReadFileBytes(f)), compared), "") << f;
    EXPECT_GT(compared, 150) << f;
  }
}

// The CID-keyed fixture: every glyph FreeType finds, asked by its CID (the
// glyph index of a bare CID-keyed font in FreeType), through both readers.
TEST(CffFreeType, EveryGlyphOfTheCidKeyedFixture) {
  const std::string cff = ReadFileBytes(kFixtures / "cjk_subset.cff");
  FreeTypeFace ft(cff);
  ASSERT_TRUE(ft.ok());
  FT_Bool is_cid = 0;
  ASSERT_EQ(FT_Get_CID_Is_Internally_CID_Keyed(ft.face(), &is_cid), 0);
  ASSERT_TRUE(is_cid);

  TStringStream stream(cff);
  TvnType1CFFHandler font;
  ASSERT_TRUE(font.Check(stream));
  TvnCIDFontHandler cid_font;
  ASSERT_TRUE(cid_font.Check(stream));
  EXPECT_EQ(cid_font.Units_per_em(), 1000);
  EXPECT_EQ(font.First()->FFontDicts.size(), 6u);

  int compared = 0;
  for (FT_UInt cid = 1; cid < static_cast<FT_UInt>(ft.face()->num_glyphs); ++cid) {
    const auto theirs = ft.OutlineOfGlyph(cid, 1000.0 / ft.UnitsPerEm());
    if (!theirs) continue;
    for (CffFontSet* reader : {static_cast<CffFontSet*>(&font), static_cast<CffFontSet*>(&cid_font)}) {
      const auto ours = reader->GetOutlineForGlyphID(static_cast<int32_t>(cid), 1000, 72, EncodingType::None);
      ASSERT_NE(ours, nullptr) << "CID " << cid;
      EXPECT_EQ(CompareShapes(FromRecList(*ours), *theirs, kTolerance), "") << "CID " << cid;
    }
    ++compared;
  }
  EXPECT_EQ(compared, 10);
}

}  // namespace
}  // namespace vn::fonts::cff_font_freetype_test
