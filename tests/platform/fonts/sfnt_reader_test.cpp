// Our sfnt reading: table directories of fonts and collection faces, glyf
// versus CFF, OS/2 code-page bits, and a collection face extracted as a
// standalone font that FreeType opens.
#include "platform/fonts/sfnt_reader.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <fstream>

#include "platform/fonts/gdi_font.h"

namespace vn::platform::sfnt_reader_test {
namespace {

std::span<const std::byte> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}
void Put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v >> 8);
  s[at + 1] = static_cast<char>(v);
}
uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}

// A collection made of whole single fonts: the 'ttcf' header, then each font
// appended with its table offsets moved by where it landed.
std::string MakeCollection(const std::vector<std::string>& fonts) {
  std::string out(12 + 4 * fonts.size(), '\0');
  Put32(out, 0, SfntTag("ttcf"));
  Put32(out, 4, 0x00010000);
  Put32(out, 8, static_cast<uint32_t>(fonts.size()));
  for (size_t i = 0; i < fonts.size(); ++i) {
    while (out.size() % 4) out.push_back('\0');
    size_t base = out.size();
    Put32(out, 12 + 4 * i, static_cast<uint32_t>(base));
    std::string font = fonts[i];
    uint16_t n = static_cast<uint16_t>((static_cast<uint8_t>(font[4]) << 8) | static_cast<uint8_t>(font[5]));
    for (uint16_t t = 0; t < n; ++t) Put32(font, 12 + 16 * t + 8, Get32(font, 12 + 16 * t + 8) + static_cast<uint32_t>(base));
    out += font;
  }
  return out;
}

// A tiny sfnt with the given tables (4 bytes of payload each).
std::string MakeFont(uint32_t version, const std::vector<const char*>& tags) {
  std::string out(12 + 16 * tags.size(), '\0');
  Put32(out, 0, version);
  Put16(out, 4, static_cast<uint16_t>(tags.size()));
  for (size_t i = 0; i < tags.size(); ++i) {
    size_t at = 12 + 16 * i;
    uint32_t tag = 0;
    for (int k = 0; k < 4; ++k) tag = (tag << 8) | static_cast<uint8_t>(tags[i][k]);
    Put32(out, at, tag);
    Put32(out, at + 8, static_cast<uint32_t>(out.size()));
    Put32(out, at + 12, 4);
    out += "abcd";
  }
  return out;
}

const FontFaceRef& Sans() {
  static FontFaceRef face = MatchFont(u"Liberation Sans", false, false).Face;
  return face;
}
const FontFaceRef& DejaVu() {
  static FontFaceRef face = MatchFont(u"DejaVu Sans", false, false).Face;
  return face;
}

struct OpenedFace {
  std::string Family;
  long Glyphs = 0;
};
// Opens font bytes with a FreeType library of its own.
std::optional<OpenedFace> OpenWithFreeType(const std::string& bytes, int index) {
  FT_Library lib;
  if (FT_Init_FreeType(&lib) != 0) return std::nullopt;
  FT_Face face;
  std::optional<OpenedFace> out;
  if (FT_New_Memory_Face(lib, reinterpret_cast<const FT_Byte*>(bytes.data()), static_cast<FT_Long>(bytes.size()),
                         index, &face) == 0) {
    out = OpenedFace{face->family_name ? face->family_name : "", face->num_glyphs};
    FT_Done_Face(face);
  }
  FT_Done_FreeType(lib);
  return out;
}

TEST(SfntReaderTest, CollectionFaceBecomesAValidSingleFont) {
  std::string sans = ReadFontFileBytes(Sans().File);
  std::string dejavu = ReadFontFileBytes(DejaVu().File);
  std::string ttc = MakeCollection({sans, dejavu});
  ASSERT_EQ(SfntFaceCount(Bytes(ttc)), 2u);
  EXPECT_EQ(SfntFaceDirectoryOffset(Bytes(ttc), 0), 20u);
  EXPECT_EQ(SfntFaceDirectoryOffset(Bytes(ttc), 1), 20u + ((sans.size() + 3) & ~size_t{3}));

  for (int index : {0, 1}) {
    SCOPED_TRACE(index);
    auto single = ExtractSfntFace(Bytes(ttc), index);
    ASSERT_TRUE(single);
    EXPECT_EQ(SfntFaceCount(Bytes(*single)), 1u);
    auto opened = OpenWithFreeType(*single, 0);
    auto original = OpenWithFreeType(index == 0 ? sans : dejavu, 0);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Family, original->Family);
    EXPECT_EQ(opened->Glyphs, original->Glyphs);
    // Every table checksum and the whole-font checksum hold.
    auto dir = ReadSfntDirectory(Bytes(*single), 0);
    ASSERT_TRUE(dir);
    std::string padded = *single + std::string(3, '\0');
    uint32_t total = 0;
    for (size_t i = 0; i < single->size(); i += 4) total += Get32(padded, i);
    EXPECT_EQ(total, 0xB1B0AFBAu);
    const SfntTable* head = dir->Find(SfntTag("head"));
    ASSERT_TRUE(head);
    EXPECT_EQ(head->Offset % 4, 0u);
  }
  EXPECT_EQ(OpenWithFreeType(ttc, 1)->Family, "DejaVu Sans");  // the test collection itself is sound

  // The same through a collection file on disk: the face's bytes, its
  // outline kind, and measuring in it.
  auto path = std::filesystem::temp_directory_path() / "vn_sfnt_reader_test.ttc";
  std::ofstream(path, std::ios::binary) << ttc;
  FontFaceRef in_collection{path, 1};
  EXPECT_EQ(FontFaceBytes(in_collection), *ExtractSfntFace(Bytes(ttc), 1));
  EXPECT_EQ(FaceOutlineKind(in_collection), FontOutlineKind::TrueType);
  auto font = GdiFont::CreateFromFace(in_collection, -16);
  EXPECT_EQ(font->TextExtent(u"Hello").Width, GdiFont::CreateFromFace(DejaVu(), -16)->TextExtent(u"Hello").Width);
  EXPECT_THROW(FontFaceBytes({path, 2}), EFontError);
  std::filesystem::remove(path);
}

TEST(SfntReaderTest, SingleFontBytesAreTheWholeFile) {
  EXPECT_EQ(FontFaceBytes(Sans()), ReadFontFileBytes(Sans().File));
  EXPECT_THROW(FontFaceBytes({"/nonexistent/x.ttf", 0}), EFontError);
  EXPECT_THROW(ReadFontFileBytes("/nonexistent/x.ttf"), EFontError);
}

TEST(SfntReaderTest, OutlineKinds) {
  struct Case {
    std::string Data;
    FontOutlineKind Kind;
  } cases[] = {
      {MakeFont(0x00010000, {"glyf", "head", "loca"}), FontOutlineKind::TrueType},
      {MakeFont(SfntTag("true"), {"glyf"}), FontOutlineKind::TrueType},
      {MakeFont(SfntTag("OTTO"), {"CFF ", "head"}), FontOutlineKind::Cff},
      {MakeFont(0x00010000, {"CFF2"}), FontOutlineKind::Cff},
      {MakeFont(SfntTag("OTTO"), {"head"}), FontOutlineKind::Cff},
      {MakeFont(0x00010000, {"head"}), FontOutlineKind::Unknown},
      {"", FontOutlineKind::Unknown},
      {"wOFF\0\0\0\0", FontOutlineKind::Unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectOutlineKind(Bytes(c.Data), 0), c.Kind);
  EXPECT_EQ(FaceOutlineKind(Sans()), FontOutlineKind::TrueType);
  // An installed CFF-flavoured OpenType font, when there is one.
  for (const String& family : InstalledFontFamilies()) {
    for (const FontFaceRef& face : FamilyFaces(family)) {
      if (face.File.extension() == ".otf") {
        EXPECT_EQ(FaceOutlineKind(face), FontOutlineKind::Cff) << face.File;
        return;
      }
    }
  }
}

TEST(SfntReaderTest, DamagedDirectoriesAreRejected) {
  std::string good = MakeFont(0x00010000, {"glyf", "head"});
  auto with = [&](size_t at, uint32_t v) {
    std::string s = good;
    Put32(s, at, v);
    return s;
  };
  std::string ttc_header(12, '\0');
  Put32(ttc_header, 0, SfntTag("ttcf"));
  std::string dup = MakeFont(0x00010000, {"glyf", "glyf"});
  std::string huge_count = ttc_header;
  Put32(huge_count, 8, 0xFFFFFFFF);
  std::string offset_past_end = ttc_header + std::string(4, '\0');
  Put32(offset_past_end, 8, 1);
  Put32(offset_past_end, 12, 0x7FFFFFF0);
  std::string no_tables = good;
  Put16(no_tables, 4, 0);
  const std::string cases[] = {
      "",
      good.substr(0, 11),                       // truncated offset table
      good.substr(0, 40),                       // truncated table records
      with(12 + 8, 0xFFFFFFF0),                 // table offset past the end
      with(12 + 12, 0xFFFFFFFF),                // table length past the end
      with(12 + 16 + 12, 5),                    // second table one byte too long
      dup,                                      // a tag twice
      no_tables,
      ttc_header,                               // collection of no faces
      huge_count,
      offset_past_end,
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(ReadSfntDirectory(Bytes(cases[i]), 0));
    EXPECT_FALSE(ExtractSfntFace(Bytes(cases[i]), 0));
    EXPECT_EQ(DetectOutlineKind(Bytes(cases[i]), 0), FontOutlineKind::Unknown);
  }
  EXPECT_TRUE(ReadSfntDirectory(Bytes(good), 0));
  EXPECT_FALSE(ReadSfntDirectory(Bytes(good), 1));  // a single font has face 0 only
  // Tables that each span the whole file read as a directory but never
  // extract into a copy larger than the file.
  std::string overlapping = MakeFont(0x00010000, {"glyf", "head", "loca"});
  for (size_t t = 0; t < 3; ++t) {
    Put32(overlapping, 12 + 16 * t + 8, 0);
    Put32(overlapping, 12 + 16 * t + 12, static_cast<uint32_t>(overlapping.size()));
  }
  EXPECT_TRUE(ReadSfntDirectory(Bytes(overlapping), 0));
  EXPECT_FALSE(ExtractSfntFace(Bytes(overlapping), 0));  // a single font has face 0 only
  EXPECT_EQ(SfntFaceCount(Bytes(huge_count)), 0u);
}

TEST(SfntReaderTest, Os2CodePages) {
  std::string v1(86, '\0');
  Put16(v1, 0, 1);
  Put32(v1, 78, 0x00000041);
  Put32(v1, 82, 0x80000000);
  Put32(v1, 42, 0x00000003);
  Put32(v1, 54, 0x00000010);
  auto pages = ParseOs2CodePages(Bytes(v1));
  ASSERT_TRUE(pages);
  EXPECT_TRUE(pages->HasUnicodeRanges);
  EXPECT_EQ(pages->UnicodeRanges[0], 3u);
  EXPECT_EQ(pages->UnicodeRanges[3], 0x10u);
  EXPECT_FALSE(ParseOs2CodePages(Bytes(v1.substr(0, 57)))->HasUnicodeRanges);
  EXPECT_TRUE(pages->HasRanges);
  EXPECT_EQ(pages->Range1, 0x41u);
  EXPECT_EQ(pages->Range2, 0x80000000u);

  std::string v0 = v1;
  Put16(v0, 0, 0);
  EXPECT_FALSE(ParseOs2CodePages(Bytes(v0))->HasRanges);
  auto short_v1 = ParseOs2CodePages(Bytes(v1.substr(0, 80)));
  ASSERT_TRUE(short_v1);
  EXPECT_FALSE(short_v1->HasRanges);
  EXPECT_EQ(short_v1->Range1, 0u);
  EXPECT_FALSE(ParseOs2CodePages(Bytes(std::string("\1", 1))));

  FaceCodePages sans = ReadFaceCodePages(Sans());
  EXPECT_TRUE(sans.HasRanges);
  EXPECT_TRUE(sans.Range1 & 1);
  EXPECT_TRUE(sans.UnicodeRanges[0] & 1);  // Basic Latin
  EXPECT_FALSE(sans.SymbolCmap);
  FaceCodePages arabic = ReadFaceCodePages(MatchFont(u"Noto Sans Arabic", false, false).Face);
  EXPECT_TRUE(arabic.UnicodeRanges[0] & (1u << 13));  // Arabic
}

}  // namespace
}  // namespace vn::platform::sfnt_reader_test
