// Itemization, visual order and shaping on the installed fonts.
#include "platform/shaping/text_shaping.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/fonts/font_faces.h"
#include "support/prerequisites.h"

namespace vn::platform::text_shaping_test {

void PrintTo(const ScriptRun& r, std::ostream* os) {
  char script[5] = {char(r.Script >> 24), char(r.Script >> 16), char(r.Script >> 8), char(r.Script), 0};
  *os << "{" << r.Start << ", " << r.Length << ", " << script << ", level " << r.BidiLevel
      << (r.Complex ? ", complex}" : "}");
}

namespace {

const char16_t kMarhaba[] = u"\u0645\u0631\u062D\u0628\u0627";  // "مرحبا"

// Glyph ids that hb-shape (HarfBuzz's own command-line tool) gives for a text
// in a face; nullopt when the tool is not installed.
std::optional<std::vector<uint32_t>> HbShapeGlyphs(const FontFaceRef& face, const std::string& utf8) {
  if (!vn::test_support::HaveTool("hb-shape")) return std::nullopt;
  std::string cmd = "hb-shape --no-glyph-names --no-positions --no-clusters --font-file='" + face.File.string() +
                    "' --face-index=" + std::to_string(face.Index) + " --text='" + utf8 + "'";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string out;
  char buf[256];
  while (size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
  pclose(pipe);
  std::vector<uint32_t> ids;  // "[47|104|...]"
  for (size_t i = 0; i < out.size();) {
    if (out[i] >= '0' && out[i] <= '9') {
      size_t end = i;
      ids.push_back(static_cast<uint32_t>(std::stoul(out.substr(i), &end)));
      i += end;
    } else {
      ++i;
    }
  }
  return ids;
}

TEST(TextShapingTest, ArabicInArialFallsBackShapesAndRunsRightToLeft) {
  String text = kMarhaba;
  auto arial = GdiFont::Create({u"Arial", -16, false, false});
  EXPECT_TRUE(ShapeRun(*arial, text, {0, 5, ScriptTag("Arab"), 1, true}).MissingGlyphs);

  auto runs = ItemizeText(text, false);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], (ScriptRun{0, 5, ScriptTag("Arab"), 1, true}));

  auto face = FindFaceForText(arial->Face(), CodePointsOf(text));
  ASSERT_TRUE(face);
  EXPECT_EQ(ToUtf8(face->Family), "Noto Sans Arabic");
  auto font = GdiFont::CreateFromFace(*face, -16);
  ShapedRun shaped = ShapeRun(*font, text, runs[0]);
  EXPECT_FALSE(shaped.MissingGlyphs);
  ASSERT_EQ(shaped.Glyphs.size(), 5u);

  // Right to left: the glyphs come in visual order, the last letter first.
  std::vector<uint32_t> ids;
  for (size_t i = 0; i < shaped.Glyphs.size(); ++i) {
    EXPECT_EQ(shaped.Glyphs[i].Cluster, 4 - static_cast<int>(i));
    EXPECT_TRUE(shaped.Glyphs[i].ClusterStart);
    EXPECT_GT(shaped.Glyphs[i].XAdvance, 0);
    ids.push_back(shaped.Glyphs[i].GlyphId);
  }
  EXPECT_EQ(shaped.LogicalClusters, (std::vector<int>{4, 3, 2, 1, 0}));

  // The joined forms, independently: the font maps the Arabic presentation
  // forms to the same glyphs: alef final, beh medial, hah initial, reh final,
  // meem initial.
  {
    FaceLease lease = AcquireFace(face->File, face->Index);
    std::vector<uint32_t> forms;
    for (char32_t ch : {0xFE8E, 0xFE92, 0xFEA3, 0xFEAE, 0xFEE3}) forms.push_back(FT_Get_Char_Index(lease.Face, ch));
    EXPECT_EQ(ids, forms);
  }
  EXPECT_EQ(ids, (std::vector<uint32_t>{47, 104, 417, 979, 771}));  // committed; checked against hb-shape below
  if (auto expected = HbShapeGlyphs(*face, ToUtf8(text))) EXPECT_EQ(ids, *expected);
}

TEST(TextShapingTest, LatinShapesLikeTheMeasuredAdvances) {
  auto font = GdiFont::Create({u"Arial", -16, false, false});
  String text = u"Hello world";
  auto runs = ItemizeText(text, false);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], (ScriptRun{0, 11, ScriptTag("Latn"), 0, false}));
  ShapedRun shaped = ShapeRun(*font, text, runs[0]);
  ASSERT_EQ(shaped.Glyphs.size(), 11u);
  for (size_t i = 0; i < shaped.Glyphs.size(); ++i) {
    EXPECT_EQ(shaped.Glyphs[i].GlyphId, font->GlyphIndex(text[i]));
    EXPECT_EQ(shaped.Glyphs[i].Cluster, static_cast<int>(i));
  }
  // Without kerning pairs in the way, the shaped width is the measured one.
  EXPECT_EQ(shaped.Width(), font->TextExtent(text).Width);
}

TEST(TextShapingTest, MarksLigaturesAndClusters) {
  auto font = GdiFont::Create({u"DejaVu Sans", -32, false, false});
  // e + combining acute: one cluster, the mark a zero-width diacritic.
  String text = u"e\u0301x";
  auto runs = ItemizeText(text, false);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].Complex);  // combining marks need positioning
  ShapedRun shaped = ShapeRun(*font, text, runs[0]);
  EXPECT_EQ(shaped.LogicalClusters[0], shaped.LogicalClusters[1]);
  bool saw_mark = false;
  for (const ShapedGlyph& g : shaped.Glyphs) {
    if (g.Diacritic) {
      saw_mark = true;
      EXPECT_TRUE(g.ZeroWidth);
      EXPECT_FALSE(g.ClusterStart);
    }
  }
  // DejaVu composes e + acute into the precomposed glyph, or positions a mark.
  EXPECT_TRUE(saw_mark || shaped.Glyphs.size() == 2u);

  // A ligature: "fi" in a font with the ligature gives fewer glyphs than characters.
  auto serif = GdiFont::Create({u"DejaVu Serif", -32, false, false});
  String fi = u"fi";
  ShapedRun lig = ShapeRun(*serif, fi, ItemizeText(fi, false)[0]);
  EXPECT_EQ(lig.Glyphs.size(), 1u);
  EXPECT_EQ(lig.LogicalClusters, (std::vector<int>{0, 0}));
}

TEST(TextShapingTest, ItemizeMixedText) {
  // "abc " + Hebrew shalom + " 123" in a left-to-right paragraph.
  String text = u"abc \u05E9\u05DC\u05D5\u05DD 123";
  auto runs = ItemizeText(text, false);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], (ScriptRun{0, 4, ScriptTag("Latn"), 0, false}));
  // The blank between Hebrew and digits resolves right to left; the digits
  // take the Hebrew script and the level above it.
  EXPECT_EQ(runs[1], (ScriptRun{4, 5, ScriptTag("Hebr"), 1, true}));
  EXPECT_EQ(runs[2], (ScriptRun{9, 3, ScriptTag("Hebr"), 2, true}));

  // A right-to-left paragraph: Latin is embedded at level 2.
  auto rtl = ItemizeText(u"\u05E9\u05DC abc", true);
  ASSERT_EQ(rtl.size(), 2u);
  EXPECT_EQ(rtl[0].BidiLevel, 1);
  EXPECT_EQ(rtl[1].BidiLevel, 2);
  EXPECT_EQ(rtl[1].Script, ScriptTag("Latn"));

  // A character outside the BMP counts two code units.
  auto astral = ItemizeText(u"a\U0001D400b", false);
  ASSERT_EQ(astral.size(), 1u);
  EXPECT_EQ(astral[0].Length, 4);

  EXPECT_TRUE(ItemizeText(u"", false).empty());
  auto digits = ItemizeText(u"123", false);
  ASSERT_EQ(digits.size(), 1u);
  EXPECT_EQ(digits[0].Script, ScriptTag("Zyyy"));
  EXPECT_FALSE(digits[0].Complex);

  EXPECT_FALSE(IsComplexText(u"Hello, world"));
  EXPECT_FALSE(IsComplexText(u"\u0417\u0434\u0440\u0430\u0432\u03B1"));  // Cyrillic and Greek
  EXPECT_TRUE(IsComplexText(kMarhaba));
  EXPECT_TRUE(IsComplexText(u"\u0915\u094D\u0937"));  // Devanagari conjunct
}

TEST(TextShapingTest, VisualOrderOfLevels) {
  struct Case {
    std::vector<int> Levels;
    std::vector<int> Order;
  } cases[] = {
      {{}, {}},
      {{0, 0, 0}, {0, 1, 2}},
      {{1, 1, 1}, {2, 1, 0}},
      {{0, 1, 1, 0}, {0, 2, 1, 3}},
      {{1, 2, 2, 1}, {3, 1, 2, 0}},  // left-to-right items inside a right-to-left paragraph
      {{0, 1, 2, 1, 0}, {0, 3, 2, 1, 4}},
  };
  for (const auto& c : cases) EXPECT_EQ(VisualOrder(c.Levels), c.Order);
}

TEST(TextShapingTest, RunOutsideTheTextIsRejected) {
  auto font = GdiFont::Create({u"Arial", -16, false, false});
  String text = u"abc";
  EXPECT_THROW(ShapeRun(*font, text, {2, 2, ScriptTag("Latn"), 0, false}), EArgumentOutOfRangeException);
  EXPECT_THROW(ShapeRun(*font, text, {-1, 1, ScriptTag("Latn"), 0, false}), EArgumentOutOfRangeException);
  EXPECT_TRUE(ShapeRun(*font, text, {3, 0, ScriptTag("Latn"), 0, false}).Glyphs.empty());
}

}  // namespace
}  // namespace vn::platform::text_shaping_test
