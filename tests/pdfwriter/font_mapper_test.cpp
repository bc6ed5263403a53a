// Font mapping and script runs of the PDF writer: substitutes, linking a
// name nobody has to a TrueType font that covers the text (remembered),
// never a font with CFF outlines, sizes from cell heights, plain runs for
// Latin-1 text and shaped runs for the rest, fallbacks that try the fonts
// already used first.
#include "pdfwriter/font_mapper.h"

#include <gtest/gtest.h>

#include "platform/fonts/font_catalog.h"
#include "platform/fonts/gdi_font.h"
#include "runtime/numbers.h"

namespace vn::pdfwriter::font_mapper_test {
namespace {

using vn::exporter::TBiDiMode;

TFont FontNamed(const String& name) {
  TFont font;
  font.Name = name;
  return font;
}

struct Run {
  String text;
  TvnRunInfo info;
  size_t glyphs = 0;
};

std::vector<Run> Analyze(TvnMapFont& map, const String& text, const String& font, TBiDiMode mode = TBiDiMode::bdLeftToRight) {
  std::vector<Run> runs;
  TFont f = FontNamed(font);
  f.Size = kMeasuringFontSize;
  TvnStringAnalyzer().StringAnalyze(
      text, mode, map,
      [&](const String& t, int32_t, int32_t, TvnGlyphInfoList&& glyphs, const TvnRunInfo& info, const std::vector<uint16_t>&) {
        runs.push_back({t, info, glyphs.size()});
      },
      f);
  return runs;
}

TEST(FontMapper, SubstitutesAndLinkedNamesAreRemembered) {
  TvnMapFont map;
  const struct {
    const char16_t* asked;
    const char16_t* text;
    const char16_t* got;
  } cases[] = {
      {u"MS Sans Serif", u"abc", u"Arial"},
      {u"Courier", u"abc", u"Courier New"},
      {u"Arial", u"abc", u"Arial"},                                 // installed (as its stand-in)
      {u"No Such Font", u"abc", u"Liberation Sans"},                // linked for Latin
      {u"No Such Font", u"你好", u"Liberation Sans"},               // remembered by name
      {u"Another Missing Font", u"你好", nullptr},                  // linked for Chinese
  };
  for (const auto& c : cases) {
    TFont font = FontNamed(c.asked);
    map.GetTrueTypeFont(c.text, font);
    if (c.got) {
      EXPECT_EQ(vn::ToUtf8(font.Name), vn::ToUtf8(c.got)) << vn::ToUtf8(c.asked);
      continue;
    }
    // Which installed font covers Chinese depends on the machine (several
    // may): any TrueType family that has every character will do.
    const auto match = vn::platform::MatchFont(font.Name, false, false);
    EXPECT_TRUE(match.Face.TrueTypeOutlines) << vn::ToUtf8(font.Name);
    for (const char16_t ch : std::u16string_view(c.text))
      EXPECT_TRUE(vn::platform::FaceCoversChar(match.Face, ch)) << vn::ToUtf8(font.Name);
  }
}

// A family with CFF outlines cannot be embedded as TrueType: its text is
// linked to a TrueType font instead.
TEST(FontMapper, FontsWithCffOutlinesAreReplaced) {
  String cff;
  for (const String& family : vn::platform::InstalledFontFamilies())
    if (!vn::platform::MatchFont(family, false, false).Face.TrueTypeOutlines) cff = family;
  if (cff.empty()) GTEST_SKIP() << "no CFF font installed";
  TvnMapFont map;
  TFont font = FontNamed(cff);
  EXPECT_FALSE(map.IsTrueTypeFamily(font));
  map.GetTrueTypeFont(u"Text", font);
  EXPECT_NE(font.Name, cff);
  EXPECT_TRUE(vn::platform::MatchFont(font.Name, false, false).Face.TrueTypeOutlines) << vn::ToUtf8(font.Name);
}

TEST(FontMapper, SizeFromCellHeight) {
  TvnMapFont map;
  TFont font = FontNamed(u"Arial");
  font.Height = 16;  // a cell height: the size reads negative
  font.Size = -12;
  vn::platform::FontRequest request{u"Arial", 16, false, false};
  const int leading = vn::platform::GdiFont::Create(request)->Metrics().InternalLeading;
  EXPECT_EQ(map.GetFontSize(font), vn::RoundToInt((16 - leading) * 72.0 / 96));
}

TEST(FontMapper, PlainRunsForLatin1AndShapedRunsForTheRest) {
  TvnMapFont map;
  const auto latin = Analyze(map, u"Plain café text", u"Arial");
  ASSERT_EQ(latin.size(), 1u);
  EXPECT_FALSE(latin[0].info.ScriptProcessingRequired);
  EXPECT_EQ(latin[0].glyphs, 0u);

  const auto arabic = Analyze(map, u"مرحبا", u"Arial");
  ASSERT_EQ(arabic.size(), 1u);
  EXPECT_TRUE(arabic[0].info.ScriptProcessingRequired);
  EXPECT_TRUE(arabic[0].info.GlyphType.Contains(TvnGlyphDetail::gdRTL));
  EXPECT_TRUE(arabic[0].info.GlyphType.Contains(TvnGlyphDetail::gdComplex));
  EXPECT_TRUE(arabic[0].info.IsFontMapped);  // Liberation Sans has no Arabic
  EXPECT_EQ(arabic[0].glyphs, 5u);

  // Mixed text: runs in visual order, the Arabic shaped, the Latin plain.
  const auto mixed = Analyze(map, u"abc مرحبا def", u"Arial");
  ASSERT_EQ(mixed.size(), 4u);  // the blank after the Arabic is an item of its own
  EXPECT_EQ(mixed[0].text, u"abc ");
  EXPECT_FALSE(mixed[0].info.ScriptProcessingRequired);
  EXPECT_TRUE(mixed[1].info.ScriptProcessingRequired);
  // After a shaped item every later item is shaped too.
  EXPECT_EQ(mixed[3].text, u"def");
  EXPECT_TRUE(mixed[3].info.ScriptProcessingRequired);
}

// A character the font lacks is shaped with a font the document already
// used when that font has it, before any other is linked.
TEST(FontMapper, FallbackTriesTheFontsAlreadyUsedFirst) {
  TvnMapFont map;
  map.AllUsedFonts().push_back(u"DejaVu Sans");
  map.AllUsedFonts().push_back(u"WenQuanYi Micro Hei");
  const auto runs = Analyze(map, u"中文", u"Liberation Serif");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].info.MappedFontName, u"WenQuanYi Micro Hei");
}

}  // namespace
}  // namespace vn::pdfwriter::font_mapper_test
