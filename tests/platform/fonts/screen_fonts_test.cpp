// The shared screen-font routines: installed-font list, character sets of a
// face and text extent.
#include "platform/fonts/screen_fonts.h"

#include <gtest/gtest.h>

#include "platform/fonts/font_charsets.h"

namespace vn::platform::screen_fonts_test {
namespace {

TEST(ScreenFontsTest, InstalledFontListIsNameWithoutBlanksToFaceName) {
  const TStringList& list = GetInstalledFontList();
  EXPECT_EQ(&list, &GetInstalledFontList());
  EXPECT_EQ(ToUtf8(list.Value(u"LiberationSans")), "Liberation Sans");
  EXPECT_EQ(ToUtf8(list.Value(u"NotoSansArabic")), "Noto Sans Arabic");
  EXPECT_EQ(ToUtf8(list.Value(u"TimesNewRoman")), "Times New Roman");  // the alias names are screen fonts
  EXPECT_EQ(ToUtf8(list.Value(u"ArialUnicodeMS")), "Arial Unicode MS");
  EXPECT_EQ(ToUtf8(list.Value(u"Helvetica")), "Helvetica");
  EXPECT_EQ(list.IndexOfName(u"Liberation Sans"), -1);  // names carry no blanks
  for (int i = 0; i < list.Count(); ++i) {
    String name = list.Name(i);
    ASSERT_EQ(name.find(u' '), String::npos) << ToUtf8(name);
    // Every listed face resolves to itself or to its stand-in family.
    EXPECT_TRUE(IsFontFamilyInstalled(ResolveFontFamily(list.ValueFromIndex(i))));
  }
}

TEST(ScreenFontsTest, CharsetsFromCodePageBits) {
  struct Case {
    uint32_t Range1;
    bool HasRanges, Symbol;
    std::vector<int> Sets;
  } cases[] = {
      {0x00000001, true, false, {kAnsiCharset}},
      {0x0000009F, true, false, {0, 238, 204, 161, 162, 186}},
      {0x00000060, true, false, {kHebrewCharset, kArabicCharset}},
      {0x003F0000, true, false, {222, 128, 134, 129, 136, 130}},
      {0xE0000100, true, false, {kVietnameseCharset, kMacCharset, kOemCharset, kSymbolCharset}},
      {0x00000000, true, false, {kAnsiCharset}},  // no bit at all: ANSI
      {0x00000004, false, false, {kAnsiCharset}},  // version 0 table: bits ignored
      {0x00000000, false, true, {kSymbolCharset}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Range1);
    EXPECT_EQ(CharsetsFromCodePageRanges(c.Range1, 0, c.HasRanges, c.Symbol), c.Sets);
  }
}

TEST(ScreenFontsTest, CollectFontCharsetsAddsEachSetOnce) {
  std::vector<int> list{kRussianCharset};
  CollectFontCharsets(u"Liberation Sans", list);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list.front(), kRussianCharset);
  EXPECT_EQ(std::count(list.begin(), list.end(), kRussianCharset), 1);
  for (int set : {kAnsiCharset, kEastEuropeCharset, kGreekCharset, kTurkishCharset, kHebrewCharset,
                  kBalticCharset, kVietnameseCharset})
    EXPECT_NE(std::find(list.begin(), list.end(), set), list.end()) << set;

  std::vector<int> arabic;
  CollectFontCharsets(u"Noto Sans Arabic", arabic);
  EXPECT_NE(std::find(arabic.begin(), arabic.end(), kArabicCharset), arabic.end());

  std::vector<int> unknown{kAnsiCharset};
  CollectFontCharsets(u"No Such Face", unknown);
  EXPECT_EQ(unknown, std::vector<int>{kAnsiCharset});
}

TEST(ScreenFontsTest, TextExtentOf) {
  auto font = GdiFont::Create({u"Arial", FontHeightFromPoints(12), false, false});
  EXPECT_EQ(GetTextExtentOf(u"Hello world", *font), (TextSize{81, 17}));
}

}  // namespace
}  // namespace vn::platform::screen_fonts_test
