// Font dictionaries: the class and kind MakeFont picks, and what the font
// descriptor gives (embedding and subset, program kind, metrics, flags).
#include "pdfdocument/pd_font.h"

#include <gtest/gtest.h>

#include "pdfdocument/font_test_doc.h"
#include "support/paths.h"

namespace vn::pdfdoc::pd_font_test {

using font_test_doc::HexStream;
using font_test_doc::LoadFont;

struct KindCase {
  const char* What;
  std::string FontDict;
  std::map<int64_t, std::string> Others;
  TvnPDFontType Type;
  TvnPDFFontEmbeddingType Embedding;
  bool CID;
};

const std::string kProgram = HexStream("/Length1 4", "prog");

const KindCase kKindCases[] = {
    {"subset tag with FontFile2", "<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Family /FontDescriptor 2 0 R >>",
     {{2, "<< /Type /FontDescriptor /FontName /ABCDEF+Family /FontFile2 3 0 R >>"}, {3, kProgram}},
     TvnPDFontType::TrueType, TvnPDFFontEmbeddingType::etSubset, false},
    {"family name alone with FontFile2", "<< /Subtype /TrueType /BaseFont /Family /FontDescriptor 2 0 R >>",
     {{2, "<< /FontName /Family /FontFile2 3 0 R >>"}, {3, kProgram}}, TvnPDFontType::TrueType,
     TvnPDFFontEmbeddingType::etFull, false},
    {"no font file", "<< /Subtype /TrueType /BaseFont /ABCDEF+Family /FontDescriptor 2 0 R >>",
     {{2, "<< /FontName /ABCDEF+Family /Flags 32 >>"}}, TvnPDFontType::TrueType, TvnPDFFontEmbeddingType::etNone,
     false},
    {"plus at another place is no subset", "<< /Subtype /TrueType /BaseFont /ABC+Family /FontDescriptor 2 0 R >>",
     {{2, "<< /FontFile2 3 0 R >>"}, {3, kProgram}}, TvnPDFontType::TrueType, TvnPDFFontEmbeddingType::etFull, false},
    {"FontFile makes Type 1", "<< /Subtype /MMType1 /BaseFont /F /FontDescriptor 2 0 R >>",
     {{2, "<< /FontFile 3 0 R >>"}, {3, kProgram}}, TvnPDFontType::Type1, TvnPDFFontEmbeddingType::etFull, false},
    {"FontFile2 under Type1 makes TrueType", "<< /Subtype /Type1 /BaseFont /F /FontDescriptor 2 0 R >>",
     {{2, "<< /FontFile2 3 0 R >>"}, {3, kProgram}}, TvnPDFontType::TrueType, TvnPDFFontEmbeddingType::etFull, false},
    {"OpenType program under TrueType", "<< /Subtype /TrueType /BaseFont /F /FontDescriptor 2 0 R >>",
     {{2, "<< /FontFile3 3 0 R >>"}, {3, HexStream("/Subtype /OpenType", "prog")}}, TvnPDFontType::TrueTypeOT,
     TvnPDFFontEmbeddingType::etFull, false},
    {"OpenType program under Type1", "<< /Subtype /Type1 /BaseFont /F /FontDescriptor 2 0 R >>",
     {{2, "<< /FontFile3 3 0 R >>"}, {3, HexStream("/Subtype /OpenType", "prog")}}, TvnPDFontType::Type1COT,
     TvnPDFFontEmbeddingType::etFull, false},
    {"Type1C program", "<< /Subtype /Type1 /BaseFont /F /FontDescriptor 2 0 R >>",
     {{2, "<< /FontFile3 3 0 R >>"}, {3, HexStream("/Subtype /Type1C", "prog")}}, TvnPDFontType::Type1C,
     TvnPDFFontEmbeddingType::etFull, false},
    // Embedded, but of a kind that has no reader: the type stays.
    {"FontFile3 of an unknown subtype", "<< /Subtype /Type1 /BaseFont /F /FontDescriptor 2 0 R >>",
     {{2, "<< /FontFile3 3 0 R >>"}, {3, HexStream("/Subtype /Other", "prog")}}, TvnPDFontType::Type1,
     TvnPDFFontEmbeddingType::etFull, false},
    {"direct FontFile2 is no reference", "<< /Subtype /TrueType /BaseFont /F /FontDescriptor 2 0 R >>",
     {{2, "<< /FontFile2 << >> >>"}}, TvnPDFontType::TrueType, TvnPDFFontEmbeddingType::etFull, false},
    {"Type3", "<< /Subtype /Type3 /FontMatrix [0.01 0 0 0.01 0 0] /CharProcs << >> >>", {}, TvnPDFontType::Type3,
     TvnPDFFontEmbeddingType::etNone, false},
    {"Type1C subtype", "<< /Subtype /Type1C /BaseFont /F >>", {}, TvnPDFontType::Type1C,
     TvnPDFFontEmbeddingType::etNone, false},
    {"unknown subtype", "<< /Subtype /Foo /BaseFont /F >>", {}, TvnPDFontType::UnknowType,
     TvnPDFFontEmbeddingType::etNone, false},
    {"Type0 with CIDFontType0C program",
     "<< /Subtype /Type0 /BaseFont /ABCDEF+Ming /Encoding /Identity-H /DescendantFonts [2 0 R] >>",
     {{2, "<< /Subtype /CIDFontType0 /BaseFont /ABCDEF+Ming /CIDSystemInfo << /Registry (Adobe) /Ordering "
          "(Identity) /Supplement 0 >> /FontDescriptor 3 0 R >>"},
      {3, "<< /FontFile3 4 0 R >>"},
      {4, HexStream("/Subtype /CIDFontType0C", "prog")}},
     TvnPDFontType::CIDType0C, TvnPDFFontEmbeddingType::etSubset, true},
    {"Type0 with FontFile2 under CIDFontType0",
     "<< /Subtype /Type0 /BaseFont /M /Encoding /Identity-H /DescendantFonts [2 0 R] >>",
     {{2, "<< /Subtype /CIDFontType0 /BaseFont /M /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) "
          "/Supplement 0 >> /FontDescriptor 3 0 R >>"},
      {3, "<< /FontFile2 4 0 R >>"},
      {4, kProgram}},
     TvnPDFontType::CIDType2, TvnPDFFontEmbeddingType::etFull, true},
};

TEST(PDFontKind, ByOfSubtypeAndProgram) {
  for (const KindCase& c : kKindCases) {
    SCOPED_TRACE(c.What);
    auto objects = c.Others;
    objects[1] = c.FontDict;
    auto loaded = LoadFont(objects);
    ASSERT_NE(loaded.Font, nullptr);
    EXPECT_EQ(loaded.Font->FontType(), c.Type);
    EXPECT_EQ(loaded.Font->EmbeddingType(), c.Embedding);
    EXPECT_EQ(loaded.Font->IsCIDFont(), c.CID);
  }
}

TEST(PDFontKind, NoFontWithoutSubtype) {
  EXPECT_EQ(LoadFont({{1, "<< /Type /Font /BaseFont /Helvetica >>"}}).Font, nullptr);
  EXPECT_EQ(LoadFont({{1, "[ /Type1 ]"}}).Font, nullptr);
  EXPECT_EQ(TvnPDFont::MakeFont(nullptr, nullptr, "F1", nullptr), nullptr);
}

TEST(PDFontKind, NameAndTagFromTheDictionary) {
  auto loaded = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /My#20Font >>"}});
  EXPECT_EQ(loaded.Font->OrginalName(), "My Font");
  EXPECT_TRUE(loaded.Font->Matches("F1"));
  EXPECT_FALSE(loaded.Font->Matches("f1"));
  auto unnamed = LoadFont({{1, "<< /Subtype /TrueType /BaseFont (NotAName) >>"}});
  EXPECT_EQ(unnamed.Font->OrginalName(), "");
}

TEST(PDFontDescriptor, Metrics) {
  auto loaded = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F /FontDescriptor 2 0 R >>"},
                          {2, "<< /Ascent 0 /Descent 216 /Flags 262148 /MissingWidth 250.6 "
                              "/FontBBox [-100 -200 1000 900] >>"}});
  const TvnPDFont& font = *loaded.Font;
  EXPECT_DOUBLE_EQ(font.Descent(), -0.216);
  EXPECT_DOUBLE_EQ(font.Ascent(), 0.95);  // 0 leaves the ascent of a font without metrics
  EXPECT_TRUE(font.IsBold());
  EXPECT_TRUE(font.IsSymbolic());
  EXPECT_FALSE(font.IsItalic());
  EXPECT_EQ(font.MissingWidth(), 251);
  EXPECT_DOUBLE_EQ(font.FontBox().Left(), -0.1);
  EXPECT_DOUBLE_EQ(font.FontBox().Right(), 1.0);
  EXPECT_DOUBLE_EQ(font.FontBox().Bottom(), 0.9);
}

TEST(PDFontDescriptor, WithoutDescriptorTheFlagsAreSerif) {
  auto loaded = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F /FontDescriptor (none) >>"}});
  EXPECT_EQ(loaded.Font->Flags(), TvnPDFont::kSerifFlag);
  EXPECT_EQ(loaded.Font->EmbeddingType(), TvnPDFFontEmbeddingType::etNone);
}

TEST(PDFontProgram, DecodedCopyOfTheProgramStream) {
  auto loaded = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F /FontDescriptor 2 0 R >>"},
                          {2, "<< /FontFile2 3 0 R >>"},
                          {3, HexStream("/Length1 6", "OTTO\x01\x02")}});
  vn::TStream* program = loaded.Font->GetEmbeddedFontStream();
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(program->GetSize(), 6);
  EXPECT_EQ(program->Position(), 0);
  EXPECT_EQ(loaded.Font->GetEmbeddedFontStream(), program);
  // Six bytes are no font any reader accepts.
  EXPECT_EQ(loaded.Font->GetFontProgram(), nullptr);
}

TEST(PDFontProgram, NoStreamWhereTheReferenceIsNotOne) {
  auto missing = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F /FontDescriptor 2 0 R >>"},
                           {2, "<< /FontFile2 7 0 R >>"}});
  EXPECT_EQ(missing.Font->GetEmbeddedFontStream(), nullptr);
  auto not_stream = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F /FontDescriptor 2 0 R >>"},
                              {2, "<< /FontFile2 3 0 R >>"},
                              {3, "<< /Length1 6 >>"}});
  EXPECT_EQ(not_stream.Font->GetEmbeddedFontStream(), nullptr);
}

TEST(PDFontProgram, EmbeddedTrueTypeIsReadByTheFontReaders) {
  vn::TMemoryStream ttf;
  ttf.LoadFromFile(std::string(VN_FIXTURES_DIR) + "/fonts/truetype_subset.ttf");
  auto loaded = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F /FontDescriptor 2 0 R >>"},
                          {2, "<< /FontFile2 3 0 R >>"},
                          {3, HexStream("", std::string(ttf.View()))}});
  vn::fonts::TvnFontEngine* engine = loaded.Font->GetFontProgram();
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(engine->Font()->GetFontType(), vn::fonts::FontType::TrueType);
}

TEST(PDFontProgram, SetEmbeddedFontStreamCopiesTheWholeStream) {
  auto loaded = LoadFont({{1, "<< /Subtype /TrueType /BaseFont /F >>"}});
  vn::TMemoryStream source;
  source.WriteString("abcdef");
  loaded.Font->SetEmbeddedFontStream(source);
  vn::TStream* program = loaded.Font->GetEmbeddedFontStream();
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(program->GetSize(), 6);
  EXPECT_EQ(program->Position(), 0);
}

TEST(PDFontResources, Type3ResourcesAreTheFontsOwn) {
  auto loaded = LoadFont({{1, "<< /Subtype /Type3 /Resources << /ProcSet [/PDF] >> >>"}});
  ASSERT_NE(loaded.Font->GetResourcesDict(), nullptr);
  EXPECT_NE(loaded.Font->GetResourcesDict()->LookUp("ProcSet"), nullptr);
  EXPECT_EQ(LoadFont({{1, "<< /Subtype /Type3 >>"}}).Font->GetResourcesDict(), nullptr);
}

}  // namespace vn::pdfdoc::pd_font_test
