// Fonts at a pixel size: GDI-like text metrics, hinted integer advances, text
// extents, ABC widths, outline metrics and kerning, on the installed fonts.
#include "platform/fonts/gdi_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <fstream>

#include "platform/fonts/font_charsets.h"

namespace vn::platform::gdi_font_test {
namespace {

// FreeType's hinted advances of a text (its default TrueType interpreter),
// summed by a separate FreeType library: what the text extent must equal.
int FreeTypeHintedWidth(const FontFaceRef& face, int ppem, std::u32string_view text) {
  FT_Library lib;
  EXPECT_EQ(FT_Init_FreeType(&lib), 0);
  FT_UInt interpreter = TT_INTERPRETER_VERSION_40;
  FT_Property_Set(lib, "truetype", "interpreter-version", &interpreter);
  FT_Face f;
  EXPECT_EQ(FT_New_Face(lib, face.File.c_str(), face.Index, &f), 0);
  FT_Set_Pixel_Sizes(f, 0, ppem);
  int width = 0;
  for (char32_t ch : text) {
    EXPECT_EQ(FT_Load_Char(f, ch, FT_LOAD_DEFAULT), 0);
    width += static_cast<int>(f->glyph->advance.x >> 6);
  }
  FT_Done_Face(f);
  FT_Done_FreeType(lib);
  return width;
}

TEST(GdiFontTest, HelloWorldInArial12ptIsTheSumOfHintedAdvances) {
  auto font = GdiFont::Create({u"Arial", FontHeightFromPoints(12), false, false});
  EXPECT_EQ(font->PixelsPerEm(), 16);
  EXPECT_EQ(ToUtf8(font->Face().Family), "Liberation Sans");
  TextSize size = font->TextExtent(u"Hello world");
  EXPECT_EQ(size.Width, FreeTypeHintedWidth(font->Face(), 16, U"Hello world"));
  EXPECT_EQ(size.Width, 81);
  EXPECT_EQ(size.Height, font->Metrics().Height);
  // The same request gives the same shared font.
  EXPECT_EQ(font, GdiFont::Create({u"arial", -16, false, false}));
}

TEST(GdiFontTest, TenPointFontsResolveToTheStandInFamilies) {
  struct Case {
    const char16_t* Face;
    const char* Family;
  } cases[] = {
      {u"Arial", "Liberation Sans"},
      {u"Times New Roman", "Liberation Serif"},
      {u"Unknown Face Name", "Liberation Sans"},
  };
  for (const auto& c : cases) {
    auto font = GdiFont::Create({c.Face, FontHeightFromPoints(10), false, false});
    EXPECT_EQ(ToUtf8(font->Face().Family), c.Family);
    EXPECT_TRUE(font->Match().Substituted);
    EXPECT_EQ(font->PixelsPerEm(), 13);  // 10 pt at 96 ppi = 13.33 px
  }
}

TEST(GdiFontTest, MeasuringFromSeveralThreadsAgrees) {
  const String text = u"Hello \u0645\u0631\u062D\u0628\u0627 \u0417\u0434";
  const char16_t* faces[] = {u"Arial", u"Times New Roman", u"Courier New", u"DejaVu Sans"};
  std::vector<int> expected;
  for (const char16_t* face : faces) expected.push_back(GdiFont::Create({face, -20, true, false})->TextExtent(text).Width);
  std::vector<std::thread> threads;
  std::atomic<int> mismatches{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 40; ++i) {
        size_t k = static_cast<size_t>(t + i) % std::size(faces);
        // New sizes each round, so fonts and their fallbacks are built concurrently.
        auto font = GdiFont::Create({faces[k], -(21 + i), false, t % 2 == 1});
        font->TextExtent(text);
        if (GdiFont::Create({faces[k], -20, true, false})->TextExtent(text).Width != expected[k]) ++mismatches;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(GdiFontTest, TextMetricsFollowTheWinMetrics) {
  struct Case {
    const char* Face;
    int Height;
    int Ppem, CellHeight, Ascent, Descent, InternalLeading;
  } cases[] = {
      // Liberation Sans: win ascent 1854, descent 434, 2048 units per em.
      {"Arial", -16, 16, 17, 14, 3, 1},
      {"Arial", -100, 100, 112, 91, 21, 12},
      {"Arial", 17, 15, 17, 14, 3, 2},  // positive: cell height -> em 17 * 2048 / 2288
      // Liberation Serif: win ascent 1825, descent 443.
      {"Times New Roman", -16, 16, 17, 14, 3, 1},
      {"Courier New", -13, 13, 15, 11, 4, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Face) + " " + std::to_string(c.Height));
    auto font = GdiFont::Create({FromUtf8(c.Face), c.Height, false, false});
    const TextMetrics& tm = font->Metrics();
    EXPECT_EQ(font->PixelsPerEm(), c.Ppem);
    EXPECT_EQ(tm.Height, c.CellHeight);
    EXPECT_EQ(tm.Ascent, c.Ascent);
    EXPECT_EQ(tm.Descent, c.Descent);
    EXPECT_EQ(tm.InternalLeading, c.InternalLeading);
    EXPECT_GT(tm.AveCharWidth, 0);
    EXPECT_GE(tm.MaxCharWidth, tm.AveCharWidth);
    EXPECT_EQ(tm.CharSet, kAnsiCharset);
  }
  auto mono = GdiFont::Create({u"Courier New", -16, false, false});
  EXPECT_EQ(mono->Metrics().PitchAndFamily & 0xF0, kFontFamilyModern);
  EXPECT_EQ(mono->Metrics().PitchAndFamily & kTmpfFixedPitch, 0);  // set only for variable pitch
  EXPECT_EQ(mono->TextExtent(u"iiii").Width, mono->TextExtent(u"WWWW").Width);
  auto serif = GdiFont::Create({u"Times New Roman", -16, false, false});
  EXPECT_EQ(serif->Metrics().PitchAndFamily & 0xF0, kFontFamilyRoman);
  auto sans = GdiFont::Create({u"Arial", -16, false, false});
  EXPECT_EQ(sans->Metrics().PitchAndFamily & 0xF0, kFontFamilySwiss);
}

TEST(GdiFontTest, StyleAndSimulation) {
  auto bold = GdiFont::Create({u"Arial", -16, true, false});
  EXPECT_EQ(bold->Face().File.filename().string(), "LiberationSans-Bold.ttf");
  EXPECT_EQ(bold->Metrics().Weight, kFontWeightBold);
  EXPECT_FALSE(bold->Match().SimulateBold);
  EXPECT_EQ(bold->TextExtent(u"Hello world").Width,
            FreeTypeHintedWidth(bold->Face(), 16, U"Hello world"));

  // Noto Sans Math has no bold face: bold is simulated and widens each glyph.
  auto math = GdiFont::Create({u"Noto Sans Math", -16, false, false});
  auto fake_bold = GdiFont::Create({u"Noto Sans Math", -16, true, true});
  EXPECT_TRUE(fake_bold->Match().SimulateBold);
  EXPECT_TRUE(fake_bold->Match().SimulateItalic);
  EXPECT_EQ(fake_bold->Metrics().Weight, kFontWeightBold);
  EXPECT_TRUE(fake_bold->Metrics().Italic);
  EXPECT_EQ(fake_bold->CharAdvance(U'A'), math->CharAdvance(U'A') + 1);
}

TEST(GdiFontTest, TextExtentEdgeCases) {
  auto font = GdiFont::Create({u"Arial", -16, false, false});
  EXPECT_EQ(font->TextExtent(u""), (TextSize{0, font->Metrics().Height}));
  int space = font->CharAdvance(U' ');
  EXPECT_EQ(font->TextExtent(u"   ").Width, 3 * space);
  // A lone surrogate counts as one missing-glyph box; a valid pair is one character.
  int box = font->GlyphAdvance(0);
  EXPECT_GT(box, 0);
  EXPECT_EQ(font->TextExtent(u"\xD800").Width, box);
  EXPECT_EQ(CodePointsOf(u"a\U0001F600b"), (std::u32string{U'a', U'\U0001F600', U'b'}));
  // Characters the face lacks are measured in the face that draws them.
  auto arabic = GdiFont::CreateFromFace(*FindFallbackFace(font->Face(), U'\u0645'), -16);
  EXPECT_FALSE(font->HasGlyph(U'\u0645'));
  EXPECT_EQ(font->TextExtent(u"\u0645").Width, arabic->CharAdvance(U'\u0645'));
}

TEST(GdiFontTest, AbcWidthsAddUpToTheAdvance) {
  auto font = GdiFont::Create({u"Times New Roman", -32, false, true});
  for (char32_t ch : std::u32string(U"AfjW ")) {
    AbcWidths abc = font->CharAbcWidths(ch);
    EXPECT_EQ(abc.A + abc.B + abc.C, font->CharAdvance(ch));
    EXPECT_GE(abc.B, 0);
  }
  // An italic f hangs over both sides.
  AbcWidths f = font->CharAbcWidths(U'f');
  EXPECT_LT(f.C, 0);
}

TEST(GdiFontTest, OutlineMetrics) {
  auto design = GdiFont::Create({u"Arial", -16, false, false})->DesignOutlineMetrics();
  EXPECT_EQ(design.EmSquare, 2048);
  EXPECT_EQ(design.Ascent, 1491);  // OS/2 typographic ascender of Liberation Sans
  EXPECT_EQ(design.Descent, -431);
  EXPECT_EQ(design.CapHeight, 1409);
  EXPECT_EQ(design.ItalicAngle, 0);
  EXPECT_LT(design.UnderscorePosition, 0);
  EXPECT_GT(design.StrikeoutPosition, 0);
  EXPECT_FALSE(design.FixedPitch);

  auto scaled = GdiFont::Create({u"Arial", -2048, false, false})->GetOutlineMetrics();
  EXPECT_EQ(scaled.Ascent, design.Ascent);  // em height = units per em: no scaling
  EXPECT_EQ(scaled.BoxTop, design.BoxTop);
  auto small = GdiFont::Create({u"Arial", -16, false, false})->GetOutlineMetrics();
  EXPECT_EQ(small.EmSquare, 2048);
  EXPECT_EQ(small.CapHeight, 11);  // 1409 * 16 / 2048 = 11.0
  EXPECT_GE(small.UnderscoreSize, 1);

  auto italic = GdiFont::Create({u"Times New Roman", -16, false, true})->DesignOutlineMetrics();
  EXPECT_LT(italic.ItalicAngle, 0);
  EXPECT_TRUE(GdiFont::Create({u"Courier New", -16, false, false})->DesignOutlineMetrics().FixedPitch);
}

TEST(GdiFontTest, PairKerningComesFromTheKernTable) {
  auto font = GdiFont::Create({u"Arial", -100, false, false});
  EXPECT_LT(font->Kerning(U'A', U'V'), 0);
  EXPECT_EQ(font->Kerning(U'o', U'o'), 0);
  // The text extent never kerns.
  EXPECT_EQ(font->TextExtent(u"AV").Width, font->CharAdvance(U'A') + font->CharAdvance(U'V'));
}

TEST(GdiFontTest, MissingOrDamagedFontFileThrows) {
  std::filesystem::path damaged = std::filesystem::temp_directory_path() / "vn_gdi_font_test_damaged.ttf";
  {
    std::ofstream out(damaged, std::ios::binary);
    out << std::string("\0\1\0\0\0\x0F\0\0garbage garbage garbage", 31);
  }
  for (const auto& file : {std::filesystem::path("/nonexistent/dir/font.ttf"), damaged}) {
    SCOPED_TRACE(file.string());
    EXPECT_THROW(GdiFont::CreateFromFace({file, 0}, -16), EFontError);
  }
  // An out-of-range face of a good file too.
  FontFaceRef good = MatchFont(u"Arial", false, false).Face;
  EXPECT_THROW(GdiFont::CreateFromFace({good.File, 7}, -16), EFontError);
  std::filesystem::remove(damaged);
}

}  // namespace
}  // namespace vn::platform::gdi_font_test
