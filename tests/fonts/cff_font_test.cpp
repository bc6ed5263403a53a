// The CFF and CID-keyed CFF readers over small fonts built in code: what
// they accept, glyph lookups by name, code and number, subroutines, the
// font matrix and size, the stored DICT values, FontSet resources and
// damaged data.
#include "fonts/cff_font.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "cff_test_fonts.h"
#include "fonts/cff_cid_font.h"
#include "fonts/exceptions.h"
#include "fonts/font_engine.h"
#include "runtime/streams.h"
#include "support/paths.h"

namespace vn::fonts::cff_font_test {
namespace {

namespace fs = std::filesystem;
using testing::CffBuilder;
using testing::CffInt;
using testing::CffOp;
using testing::Type2;

const fs::path kCidFixture = fs::path(VN_FIXTURES_DIR) / "fonts" / "cjk_subset.cff";

// A square of side 100 at (10, 20), as a glyph program.
const std::string kSquare = Type2("500 10 20 rmoveto 100 hlineto 100 vlineto -100 hlineto endchar");

// The outline's points, in pixels, as "x,y" texts.
std::vector<std::string> Points(const TvnRecList* list) {
  std::vector<std::string> points;
  if (!list) return points;
  char buf[64];
  for (const Instructions& r : *list) {
    if (r.Name != TvnStepKind::moveto && r.Name != TvnStepKind::lineto) continue;
    std::snprintf(buf, sizeof buf, "%g,%g", r.pt2.X + 0.0, r.pt2.Y + 0.0);
    points.emplace_back(buf);
  }
  return points;
}

template <typename Reader = TvnType1CFFHandler>
std::unique_ptr<Reader> Load(const std::string& bytes) {
  TStringStream stream(bytes);
  auto reader = std::make_unique<Reader>();
  if (!reader->Check(stream)) return nullptr;
  return reader;
}

// Glyphs 1-3 under the predefined ISO Adobe charset: space, exclam, quotedbl.
CffBuilder ThreeGlyphs() {
  CffBuilder b;
  b.charstrings = {Type2("endchar"), kSquare, Type2("0 0 rmoveto 50 50 rlineto endchar"), Type2("endchar")};
  return b;
}

TEST(CffFont, PredefinedCharsetAndEncoding) {
  CffBuilder b;
  // Glyph 34 of the ISO Adobe charset is "A": its code is 65 in the standard encoding.
  b.charstrings.assign(35, Type2("endchar"));
  b.charstrings[34] = kSquare;
  auto font = Load(b.Build());
  ASSERT_TRUE(font);
  const auto& pairs = font->First()->FCharset()->GetSIDNamePairs();
  EXPECT_EQ(pairs[0].Name(), "space");
  EXPECT_EQ(pairs[1].Name(), "exclam");
  EXPECT_EQ(font->NumGlyphs(), 35);
  const std::vector<std::string> square = {"10,-20", "110,-20", "110,-120", "10,-120"};
  EXPECT_EQ(Points(font->GetOutlineForCharCode(65, 1000, 72, EncodingType::None).get()), square);
  EXPECT_EQ(Points(font->GetOutlineForGlyphName("A", 1000, 72, EncodingType::None).get()), square);
  EXPECT_EQ(Points(font->GetOutlineForGlyphID(34, 1000, 72, EncodingType::None).get()), square);
  EXPECT_TRUE(font->IsCharCodeAvailable(65, EncodingType::None));
  // Codes and numbers without a glyph answer nothing; an unknown name an empty outline.
  EXPECT_FALSE(font->IsCharCodeAvailable(66, EncodingType::None));
  EXPECT_EQ(font->GetOutlineForCharCode(66, 12, 72, EncodingType::None), nullptr);
  EXPECT_EQ(font->GetOutlineForCharCode(0, 12, 72, EncodingType::None), nullptr);
  EXPECT_EQ(font->GetOutlineForGlyphID(300, 12, 72, EncodingType::None), nullptr);
  const auto unknown = font->GetOutlineForGlyphName("B", 12, 72, EncodingType::None);
  ASSERT_NE(unknown, nullptr);
  EXPECT_TRUE(unknown->Empty());
}

TEST(CffFont, TheLowerGlyphKeepsARepeatedName) {
  CffBuilder b = ThreeGlyphs();
  b.charset = std::string("\x00\x00\x22\x00\x22\x00\x23", 7);  // A, A, B
  auto font = Load(b.Build());
  ASSERT_TRUE(font);
  EXPECT_EQ(font->NumGlyphs(), 3);  // .notdef, A, B
  EXPECT_EQ(Points(font->GetOutlineForGlyphName("A", 1000, 72, EncodingType::None).get()),
            (std::vector<std::string>{"10,-20", "110,-20", "110,-120", "10,-120"}));
}

TEST(CffFont, SizeAndResolutionScaleTheOutline) {
  auto font = Load(ThreeGlyphs().Build());
  ASSERT_TRUE(font);
  struct Case {
    float size;
    int dpi;
    const char* first;
  } cases[] = {
      {1000, 72, "10,-20"},
      {12, 72, "0.12,-0.24"},
      {12, 96, "0.16,-0.32"},
      {10.5f, 72, "0.105,-0.21"},  // the size is not cut to a whole number
  };
  for (const Case& c : cases) {
    const auto points = Points(font->GetOutlineForGlyphName("space", c.size, c.dpi, EncodingType::None).get());
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(points[0], c.first) << c.size << " at " << c.dpi;
  }
}

TEST(CffFont, FontMatrixScalesGlyphSpace) {
  CffBuilder b = ThreeGlyphs();
  // 2048 units per em.
  const std::string scale = "\x1e\x4a\x88\x28\x12\x5c\x4f";  // 4.8828125E-4
  b.top_extra = scale + "\x8b\x8b" + scale + "\x8b\x8b" + CffOp(1207);
  auto font = Load(b.Build());
  ASSERT_TRUE(font);
  EXPECT_EQ(font->FontMatrix(), (std::vector<double>{0.00048828125, 0, 0, 0.00048828125, 0, 0}));
  EXPECT_EQ(Points(font->GetOutlineForGlyphName("space", 2048, 72, EncodingType::None).get())[0], "10,-20");
  auto cid = Load<TvnCIDFontHandler>(b.Build());
  ASSERT_TRUE(cid);
  EXPECT_EQ(cid->Units_per_em(), 2048);
  EXPECT_EQ(Load<TvnCIDFontHandler>(ThreeGlyphs().Build())->Units_per_em(), 1000);

  // A matrix that maps everything onto a line: 1000 units per em, and the
  // outline keeps the usual scale.
  CffBuilder flat = ThreeGlyphs();
  flat.top_extra = std::string("\x1e\x1c\x3f\x8b\x8b\x8b\x8b\x8b", 8) + CffOp(1207);  // 1E-3 0 0 0 0 0
  auto flat_font = Load<TvnCIDFontHandler>(flat.Build());
  ASSERT_TRUE(flat_font);
  EXPECT_EQ(flat_font->Units_per_em(), 1000);
  EXPECT_EQ(Points(flat_font->GetOutlineForGlyphName("space", 1000, 72, EncodingType::None).get())[0], "10,-20");
}

TEST(CffFont, SubroutinesAreCalledWithTheirBias) {
  // The square drawn by a local subroutine (number 0: -107 biased) that
  // calls a global one (number 1: -106 biased).
  CffBuilder b = ThreeGlyphs();
  b.local_subrs = {Type2("100 hlineto -106 callgsubr return")};
  b.global_subrs = {Type2("return"), Type2("100 vlineto -100 hlineto return")};
  b.charstrings[2] = Type2("500 10 20 rmoveto -107 callsubr endchar");
  auto font = Load(b.Build());
  ASSERT_TRUE(font);
  EXPECT_EQ(font->First()->GetLocalSubrs().size(), 1u);
  EXPECT_EQ(Points(font->GetOutlineForGlyphName("exclam", 1000, 72, EncodingType::None).get()),
            Points(font->GetOutlineForGlyphName("space", 1000, 72, EncodingType::None).get()));
}

TEST(CffFont, AccentedGlyphsFromEndchar) {
  CffBuilder b;
  b.charstrings.assign(35, Type2("endchar"));
  b.charstrings[34] = kSquare;                                     // A
  b.charstrings[1] = Type2("0 0 rmoveto 10 10 rlineto endchar");  // space
  b.charstrings[2] = Type2("300 0 65 32 endchar");                 // exclam: A with space above
  auto font = Load(b.Build());
  ASSERT_TRUE(font);
  EXPECT_EQ(Points(font->GetOutlineForGlyphName("exclam", 1000, 72, EncodingType::None).get()),
            (std::vector<std::string>{"10,-20", "110,-20", "110,-120", "10,-120", "300,0", "310,-10"}));
}

TEST(CffFont, TopAndPrivateValuesWithTheirDefaults) {
  CffBuilder b = ThreeGlyphs();
  b.strings = {"Test Font Regular"};
  b.top_extra = CffInt(391) + CffOp(2) + CffInt(1) + CffOp(1201) + "\x8b\x8b\xf8\x88\xf8\x88" + CffOp(5);
  b.private_extra = "\x8b\x9f\xfa\x7c\xfa\x90" + CffOp(6) + "\xcf" + CffOp(11) + "\x8c" + CffOp(1214);
  auto font = Load(b.Build());
  ASSERT_TRUE(font);
  EXPECT_EQ(font->FullName(), "Test Font Regular");
  EXPECT_EQ(font->FontName(), "TestFont");
  EXPECT_EQ(font->Weight(), "");
  EXPECT_TRUE(font->IsFixedPitch());
  EXPECT_EQ(font->UnderLinePosition(), -100);
  EXPECT_EQ(font->UnderLineThickness(), 50);
  EXPECT_EQ(font->CharStringType(), 2);
  EXPECT_EQ(font->FontBBox(), (std::vector<double>{0, 0, 500, 500}));
  EXPECT_EQ(font->Ascender(), 500);
  EXPECT_EQ(font->Descender(), 0);
  EXPECT_TRUE(font->XUID().empty());
  EXPECT_EQ(font->BlueValues(), (std::vector<double>{0, 20, 1000, 1020}));
  EXPECT_EQ(TvnCFFDataLayout::Text(font->First()->FPrivateDict, "BlueScale"), "0.0396");
  EXPECT_EQ(font->BlueShift(), 7);
  EXPECT_EQ(font->BlueFuzz(), 1);
  EXPECT_EQ(font->StdVW(), 68);
  EXPECT_TRUE(font->ForceBold());
  EXPECT_TRUE(font->OtherBlues().empty());
  EXPECT_EQ(font->Units_per_em(), 1000);
  EXPECT_EQ(font->GetSupportedEncodings(), std::vector<EncodingType>{EncodingType::None});
}

TEST(CffFont, FontSetResources) {
  const std::string cff = ThreeGlyphs().Build();
  const std::string header =
      "%!PS-Adobe-3.0 Resource-FontSet\n%%Title: (FontSet/TestFont)\n%%EndComments\n"
      "/FontSetInit /ProcSet findresource begin\n%%BeginData: 999 Binary Bytes\n/TestFont ";
  for (const std::string& start : {std::string(" StartData "), std::string(" StartData\r\n")}) {
    auto font = Load(header + std::to_string(cff.size()) + start + cff + "\n%%EndData\n");
    ASSERT_TRUE(font) << start;
    EXPECT_EQ(font->PointerAfterDSC(),
              static_cast<int64_t>(header.size() + std::to_string(cff.size()).size() + start.size()));
    EXPECT_EQ(Points(font->GetOutlineForGlyphName("space", 1000, 72, EncodingType::None).get())[0], "10,-20");
  }
  EXPECT_FALSE(Load(header + "0 SomethingElse\n" + cff));
}

TEST(CffFont, HeaderSizeMarksTheNameIndex) {
  CffBuilder b = ThreeGlyphs();
  b.header_size = 6;
  auto font = Load(b.Build());
  ASSERT_TRUE(font);
  EXPECT_EQ(font->FontName(), "TestFont");
}

TEST(CffFont, CheckLeavesTheStreamAtTheStart) {
  for (const std::string& bytes : {ThreeGlyphs().Build(), std::string("not a font")}) {
    std::unique_ptr<CffFontSet> readers[] = {std::make_unique<TvnType1CFFHandler>(),
                                             std::make_unique<TvnCIDFontHandler>()};
    for (auto& reader : readers) {
      TStringStream stream(bytes);
      stream.Seek(3, SeekOrigin::soBeginning);
      reader->Check(stream);
      EXPECT_EQ(stream.Position(), 0);
    }
  }
}

TEST(CffFont, DataWithoutAReadableFontIsRefused) {
  const std::string font = ThreeGlyphs().Build();
  std::string no_charstrings_top = CffInt(0) + CffOp(15);
  const std::string cases[] = {
      std::string("\x02\x00\x04\x04", 4) + font.substr(4),    // major version 2
      std::string("\x01\x00\x03\x04", 4) + font.substr(4),    // header too small
      std::string("\x01\x00\x04\x05", 4) + font.substr(4),    // offset size 5
      std::string("\x01\x00\x04\x04\x00\x00\x00\x00\x00\x00\x00\x00", 12),  // no fonts in the set
      std::string("\x01\x00\x04\x04", 4) + testing::CffIndex({"F"}) + testing::CffIndex({no_charstrings_top}) +
          std::string(4, '\0'),                                 // a font without CharStrings
      font.substr(0, 30),                                       // cut off
  };
  for (const std::string& bytes : cases) {
    EXPECT_FALSE(Load(bytes)) << ::testing::PrintToString(bytes);
    EXPECT_FALSE(Load<TvnCIDFontHandler>(bytes)) << ::testing::PrintToString(bytes);
  }
}

TEST(CffFont, FailuresWhileReadingLeaveCheck) {
  CffBuilder short_charset;
  short_charset.charset_id = 2;  // the expert subset charset names 86 glyphs after .notdef
  short_charset.charstrings.assign(90, Type2("endchar"));
  try {
    Load(short_charset.Build());
    ADD_FAILURE() << "accepted";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (86)");
  }
  CffBuilder bad_encoding = ThreeGlyphs();
  bad_encoding.encoding = std::string("\x02\x00", 2);
  EXPECT_THROW(Load(bad_encoding.Build()), TvnKPNException);
  // The engine takes such data as no font.
  TStringStream stream(bad_encoding.Build());
  TvnFontEngine engine(stream, 12, 96, 96);
  EXPECT_FALSE(engine.IsLoaded());
}

TEST(CffFont, CidKeyedFontThroughTheEngine) {
  const std::string cff = ReadFileBytes(kCidFixture);
  TStringStream stream(cff);
  TvnFontEngine engine(stream, 12, 96, 96);
  ASSERT_TRUE(engine.IsLoaded());
  EXPECT_EQ(engine.Font()->GetFontType(), FontType::CFF);
  auto* font = dynamic_cast<TvnType1CFFHandler*>(engine.Font());
  ASSERT_NE(font, nullptr);
  EXPECT_TRUE(font->First()->FIsCID);
  EXPECT_TRUE(font->First()->FPrivateDict.empty());
  EXPECT_EQ(font->NumGlyphs(), 11);
  // 漢 is CID 24227; a CID the font lacks has no outline.
  const TvnRecList* outline = nullptr;
  engine.DecomposeOutlineGlyph(std::u16string(1, char16_t{24227}), 12, 96, [&](const TvnRecList* l) { outline = l; },
                               TGlyphType::GlyphIndex);
  ASSERT_NE(outline, nullptr);
  EXPECT_GT(outline->Count(), 20);
  engine.DecomposeOutlineGlyph(u"\u0100", 12, 96, [&](const TvnRecList* l) { outline = l; }, TGlyphType::GlyphIndex);
  EXPECT_EQ(outline, nullptr);
}

}  // namespace
}  // namespace vn::fonts::cff_font_test
