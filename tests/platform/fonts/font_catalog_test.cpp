// The installed-font catalog: alias table, exact "installed" tests, style
// matching and coverage fallback, on the project's installed fonts.
#include "platform/fonts/font_catalog.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vn::platform::font_catalog_test {
namespace {

struct ResolveCase {
  const char* Requested;
  const char* Family;
  bool Substituted;
};

TEST(FontCatalogTest, ResolvesNamesThroughTheFixedAliasTable) {
  const ResolveCase cases[] = {
      {"Arial", "Liberation Sans", true},
      {"arial", "Liberation Sans", true},
      {"Helvetica", "Liberation Sans", true},
      {"Times New Roman", "Liberation Serif", true},
      {"Courier New", "Liberation Mono", true},
      {"Arial Unicode MS", "DejaVu Sans", true},
      {"No Such Font 12345", "Liberation Sans", true},
      {"", "Liberation Sans", true},
      {"DejaVu Serif", "DejaVu Serif", false},
      {"Liberation Mono", "Liberation Mono", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Requested);
    EXPECT_EQ(ToUtf8(ResolveFontFamily(FromUtf8(c.Requested))), c.Family);
    FontMatch m = MatchFont(FromUtf8(c.Requested), false, false);
    EXPECT_EQ(m.Substituted, c.Substituted);
    EXPECT_FALSE(m.SimulateBold);
    EXPECT_FALSE(m.Face.Italic);
    EXPECT_EQ(m.Face.Weight, kFontWeightNormal);
    EXPECT_TRUE(std::filesystem::exists(m.Face.File));
  }
}

TEST(FontCatalogTest, MatchesStyleWithinTheFamily) {
  struct Case {
    bool Bold, Italic;
    const char* File;
  } cases[] = {
      {false, false, "LiberationSans-Regular.ttf"},
      {true, false, "LiberationSans-Bold.ttf"},
      {false, true, "LiberationSans-Italic.ttf"},
      {true, true, "LiberationSans-BoldItalic.ttf"},
  };
  for (const auto& c : cases) {
    FontMatch m = MatchFont(u"Arial", c.Bold, c.Italic);
    EXPECT_EQ(m.Face.File.filename().string(), c.File);
    EXPECT_FALSE(m.SimulateBold);
    EXPECT_FALSE(m.SimulateItalic);
    EXPECT_EQ(m.Face.Italic, c.Italic);
  }
  // DejaVu Sans has condensed and light faces under the same family name:
  // the plain request must get the book face.
  EXPECT_EQ(MatchFont(u"DejaVu Sans", false, false).Face.File.filename().string(), "DejaVuSans.ttf");
  EXPECT_EQ(MatchFont(u"DejaVu Sans", true, false).Face.File.filename().string(), "DejaVuSans-Bold.ttf");
}

TEST(FontCatalogTest, InstalledFamiliesAreExactAndSorted) {
  const auto& families = InstalledFontFamilies();
  EXPECT_EQ(&families, &InstalledFontFamilies());
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end(),
                             [](const String& a, const String& b) { return CompareText(a, b) < 0; }));
  EXPECT_TRUE(IsFontFamilyInstalled(u"Liberation Sans"));
  EXPECT_TRUE(IsFontFamilyInstalled(u"liberation serif"));
  EXPECT_TRUE(IsFontFamilyInstalled(u"Noto Sans Arabic"));
  EXPECT_FALSE(IsFontFamilyInstalled(u"LiberationSans"));  // blanks count
  EXPECT_FALSE(IsFontFamilyInstalled(u"Liberation"));
  EXPECT_FALSE(IsFontFamilyInstalled(u"Arial"));  // aliases are not installed fonts
  EXPECT_EQ(FamilyFaces(u"Liberation Serif").size(), 4u);
  EXPECT_TRUE(FamilyFaces(u"Arial").empty());
}

TEST(FontCatalogTest, FallbackFaceCoversTheCharacter) {
  FontFaceRef arial = MatchFont(u"Arial", false, false).Face;
  EXPECT_EQ(FindFallbackFace(arial, U'A'), arial);  // covered by the face itself

  auto arabic = FindFallbackFace(arial, U'\u0645');
  ASSERT_TRUE(arabic);
  EXPECT_EQ(ToUtf8(arabic->Family), "Noto Sans Arabic");
  EXPECT_FALSE(arabic->Italic);
  EXPECT_TRUE(FaceCoversChar(*arabic, U'\u0645'));

  FontFaceRef bold_arial = MatchFont(u"Arial", true, false).Face;
  auto bold_arabic = FindFallbackFace(bold_arial, U'\u0645');
  ASSERT_TRUE(bold_arabic);
  EXPECT_EQ(bold_arabic->Weight, kFontWeightBold);

  auto devanagari = FindFallbackFace(arial, U'\u0915');
  ASSERT_TRUE(devanagari);
  EXPECT_EQ(ToUtf8(devanagari->Family), "Noto Sans Devanagari");

  EXPECT_FALSE(FindFallbackFace(arial, U'\U0010FFFD'));  // private use: nobody has it
}

TEST(FontCatalogTest, FaceOutsideTheCatalogIsNotCovering) {
  FontFaceRef missing{"/nonexistent/font.ttf", 0};
  EXPECT_FALSE(FaceCoversChar(missing, U'A'));
  auto fallback = FindFallbackFace(missing, U'A');
  ASSERT_TRUE(fallback);
  EXPECT_TRUE(FaceCoversChar(*fallback, U'A'));
}

}  // namespace
}  // namespace vn::platform::font_catalog_test
