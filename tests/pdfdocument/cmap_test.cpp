// CMaps of composite fonts (predefined from a CMap folder, embedded, and
// the Identity CMaps) and the ToUnicode CMaps the system writes.
#include "pdfdocument/cmap.h"

#include <gtest/gtest.h>

#include "pdf/parser.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace cmap_test {

using namespace vn::pdf;
using namespace vn::pdfdoc;

std::string CMapFolder() { return std::string(VN_FIXTURES_DIR) + "/pdfdocument/cmap/"; }

// Each byte of the text as one character, as a shown string holds it.
std::u16string Bytes(std::string_view bytes) {
  std::u16string out;
  for (char c : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

// The values of every code of the string, one after the other.
std::vector<int> AllCIDs(const TvnPDCMap& cmap, const std::u16string& str, bool embedded) {
  std::vector<int> out;
  for (size_t i = 0; i < str.size();) {
    int processed = 0;
    out.push_back(cmap.GetCID(str, i, processed, embedded));
    EXPECT_GT(processed, 0);
    i += static_cast<size_t>(processed);
  }
  return out;
}

TEST(PDCMap, PredefinedShiftJISCMapWithItsUnicodeMap) {
  auto cmap = TvnPDCMap::MakeCMap("Adobe-Japan1-UCS2", "90ms-RKSJ-H", CMapFolder());
  ASSERT_TRUE(cmap);
  EXPECT_FALSE(cmap->IsIdentity());
  EXPECT_EQ(cmap->cMapName(), "90ms-RKSJ-H");
  EXPECT_EQ(cmap->Collection(), "Adobe-Japan1-UCS2");
  EXPECT_EQ(cmap->WMode(), TvnWritingMode::wmHorizontal);
  EXPECT_EQ(cmap->CMapParser()->Registry(), "Adobe");
  EXPECT_EQ(cmap->CMapParser()->Ordering(), "Japan1");
  ASSERT_TRUE(cmap->UCSParser());

  // One-byte and two-byte codes, as the code space says.
  const std::u16string str = Bytes("A\x82\xA0\x88\x9F\xB1\x81\x41\xFD");
  EXPECT_EQ(AllCIDs(*cmap, str, true), (std::vector<int>{264, 843, 1125, 343, 634, 0xFFFF}));
  EXPECT_EQ(AllCIDs(*cmap, str, false), (std::vector<int>{0x41, 0x3042, 0x4E9C, 0xFF71, 0x3001, 0xFFFF}));
}

TEST(PDCMap, UseCMapTakesTheIncludedMapsAndOverridesThem) {
  auto vertical = TvnPDCMap::MakeCMap("", "90ms-RKSJ-V", CMapFolder());
  ASSERT_TRUE(vertical);
  EXPECT_EQ(vertical->WMode(), TvnWritingMode::wmVertical);
  // 0x82A0 comes from the included 90ms-RKSJ-H; 0x8141 and 0x82A1 are the
  // vertical CMap's own.
  EXPECT_EQ(AllCIDs(*vertical, Bytes("\x82\xA0\x81\x41\x82\xA1" "A"), true),
            (std::vector<int>{843, 7887, 7919, 264}));
}

TEST(PDCMap, NamesWithoutAFile) {
  EXPECT_FALSE(TvnPDCMap::MakeCMap("", "NoSuchCMap-H", CMapFolder()));
  EXPECT_FALSE(TvnPDCMap::MakeCMap("", "90ms-RKSJ-H", "/vn/no/such/folder/"));
  // Names are file names in the folder, never paths.
  EXPECT_FALSE(TvnPDCMap::MakeCMap("", "../cmap/90ms-RKSJ-H", CMapFolder()));
  EXPECT_FALSE(TvnPDCMap::MakeCMap("", "", CMapFolder()));
}

TEST(PDCMap, WithoutItsUnicodeMapValuesStayCIDs) {
  const auto folder = std::filesystem::temp_directory_path() / "cmap_without_ucs";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(CMapFolder() + "90ms-RKSJ-H", folder / "90ms-RKSJ-H",
                             std::filesystem::copy_options::overwrite_existing);
  auto cmap = TvnPDCMap::MakeCMap("Adobe-Japan1-UCS2", "90ms-RKSJ-H", folder.string() + "/");
  ASSERT_TRUE(cmap);
  EXPECT_FALSE(cmap->UCSParser());
  EXPECT_EQ(AllCIDs(*cmap, Bytes("A\x82\xA0"), false), (std::vector<int>{264, 843}));
}

TEST(PDCMap, IdentityCMaps) {
  for (const char* name : {"Identity", "Identity-H", "IdentityH", "Identity-V"}) {
    SCOPED_TRACE(name);
    auto cmap = TvnPDCMap::MakeCMap("", name, "/vn/no/such/folder/");
    ASSERT_TRUE(cmap);
    EXPECT_TRUE(cmap->IsIdentity());
    EXPECT_EQ(cmap->WMode(), std::string(name) == "Identity-V" ? TvnWritingMode::wmVertical
                                                                : TvnWritingMode::wmHorizontal);
  }
  auto identity = TvnPDCMap::MakeCMap("", "IdentityH", "");
  EXPECT_EQ(identity->cMapName(), "Identity-H");
  int processed = 0;
  EXPECT_EQ(identity->GetCID(u"\x01\x02", 0, processed, false), 0x0102);
  EXPECT_EQ(processed, 2);
  EXPECT_EQ(identity->GetCID(u"\x0102", 0, processed, false), 0x0102);
  EXPECT_EQ(processed, 2);
  EXPECT_EQ(identity->GetCID(u"\x01\x02\x03", 2, processed, false), 0x0003);

  // With the collection's Unicode map, a font without its program gets
  // Unicode values; with its program, the CIDs.
  auto japanese = TvnPDCMap::MakeCMap("Adobe-Japan1-UCS2", "Identity-H", CMapFolder());
  ASSERT_TRUE(japanese->UCSParser());
  EXPECT_EQ(japanese->GetCID(u"\x03\x4B", 0, processed, false), 0x3042);
  EXPECT_EQ(japanese->GetCID(u"\x03\x4B", 0, processed, true), 843);
}

std::unique_ptr<TvnPDBaseObject> ParseStreamObject(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), true);
  return parser.GetObject();
}

// The default CMap folder falls back to the installed CMap data: a
// predefined CMap whose characters are single codes (cidchar), its
// collection's Unicode map, and a ToUnicode map that includes a predefined
// one by name.
TEST(PDCMap, DefaultFolderReadsTheInstalledCMaps) {
  if (!vn::test_support::HaveFile("/usr/share/poppler/cMap/Adobe-GB1/UniGB-UTF16-H"))
    GTEST_SKIP() << "poppler-data is not installed";
  const std::string folder(TvnPDCMap::kDefaultCMapPath);
  auto cmap = TvnPDCMap::MakeCMap("Adobe-GB1-UCS2", "UniGB-UTF16-H", folder);
  ASSERT_TRUE(cmap);
  ASSERT_TRUE(cmap->UCSParser());
  int processed = 0;
  // U+76EE is CID 2850 of the collection, given by a cidchar entry.
  EXPECT_EQ(cmap->GetCID(u"\x76EE", 0, processed, true), 2850);
  EXPECT_EQ(cmap->GetCID(u"\x76EE", 0, processed, false), 0x76EE);
  EXPECT_FALSE(TvnPDCMap::MakeCMap("", "NoSuchCMap-H", folder));

  const std::string to_unicode =
      "/Adobe-Korea1-UCS2 usecmap 1 begincodespacerange <0000> <ffff> endcodespacerange "
      "1 beginbfchar <46FD> <0081> endbfchar";
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(to_unicode.data(), static_cast<int64_t>(to_unicode.size()));
  auto stream = MakeRef<TvnMemoryStream>(mem, 0, 0, false);
  TvnPDCMapParser parser(stream.get(), folder);
  EXPECT_EQ(parser.LookupText(0x46FD), u"\x0081");
  EXPECT_EQ(parser.LookupText(0x0061), u"\x2010");
}

TEST(PDCMap, EmbeddedCMapStream) {
  const std::string program =
      "/WMode 1 def 1 begincodespacerange <0000> <ffff> endcodespacerange "
      "1 begincidrange <0100> <01ff> 7 endcidrange 1 begincidchar <0300> 40 endcidchar";
  const std::string hex = [&] {
    std::string h;
    for (unsigned char c : program) {
      static const char digits[] = "0123456789ABCDEF";
      h += digits[c >> 4];
      h += digits[c & 15];
    }
    return h;
  }();
  auto obj = ParseStreamObject("<< /Type /CMap /Filter /ASCIIHexDecode /Length " + std::to_string(hex.size() + 1) +
                               " >>\nstream\n" + hex + ">\nendstream");
  ASSERT_TRUE(obj && obj->AsStream());
  auto cmap = TvnPDCMap::MakeCMapFromStream(obj->AsStream(), "Adobe-Japan1-UCS2", "Custom");
  ASSERT_TRUE(cmap);
  EXPECT_EQ(cmap->WMode(), TvnWritingMode::wmVertical);
  EXPECT_FALSE(cmap->UCSParser());
  // Codes of the range and single codes alike.
  EXPECT_EQ(AllCIDs(*cmap, std::u16string(u"\x01\x05\x02\x00\x03\x00", 6), false),
            (std::vector<int>{12, 0xFFFF, 40}));
  // A two-byte code held in one character (a hexadecimal string) reads
  // as that code.
  int processed = 0;
  EXPECT_EQ(cmap->GetCID(u"\x0105", 0, processed, false), 12);
  EXPECT_EQ(processed, 1);
}

TEST(ToUnicodeCMap, LayoutByteForByte) {
  std::vector<int> glyphs{5, 3};
  std::vector<std::u16string> unicodes{u"B", u"A"};
  std::vector<int> widths{500, 300};
  const std::string expected =
      "/CIDInit /ProcSet findresource begin\r\n"
      "12 dict begin\r\n"
      "begincmap\r\n"
      "/CIDSystemInfo <</Registry (Adobe)/Ordering (UCS)/Supplement 0>> def\r\n"
      "/CMapName /Adobe-Identity-UCS def\r\n"
      "/CMapType 2 def\r\n"
      "1 begincodespacerange\r\n"
      "<0003><0005>\r\n"
      "endcodespacerange\r\n"
      "2 beginbfrange\r\n"
      "<0003><0003><0041>\r\n"
      "<0005><0005><0042>\r\n"
      "endbfrange\r\n"
      "endcmap\r\n"
      "CMapName currentdict /CMap defineresource pop\r\n"
      "end end\r\n";
  EXPECT_EQ(ToUnicodeCMapText(glyphs, unicodes, &widths), expected);
  // The lists are left sorted by glyph, the parallel entries carried along.
  EXPECT_EQ(glyphs, (std::vector<int>{3, 5}));
  EXPECT_EQ(unicodes, (std::vector<std::u16string>{u"A", u"B"}));
  EXPECT_EQ(widths, (std::vector<int>{300, 500}));

  std::vector<int> none;
  std::vector<std::u16string> no_text;
  EXPECT_EQ(ToUnicodeCMapText(none, no_text), " ");
}

TEST(ToUnicodeCMap, LigaturesSurrogatesAndLargeNumbersRoundTrip) {
  std::vector<int> glyphs{0x1234A, 7, 0x20, 9};
  std::vector<std::u16string> unicodes{u"\x00E9", u"ffi", u"\U0001F600", u""};
  const std::string text = ToUnicodeCMapText(glyphs, unicodes);
  EXPECT_NE(text.find("<0009><0009><0000>\r\n"), std::string::npos);
  EXPECT_NE(text.find("<0007><0007><006600660069>\r\n"), std::string::npos);
  EXPECT_NE(text.find("<0020><0020><D83DDE00>\r\n"), std::string::npos);
  EXPECT_NE(text.find("<1234A><1234A><00E9>\r\n"), std::string::npos);
  EXPECT_NE(text.find("<0007><1234A>\r\n"), std::string::npos);

  // Read back, every glyph gives its text whole.
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  auto stream = MakeRef<TvnMemoryStream>(mem, 0, 0, false);
  TvnPDCMapParser parser(stream.get());
  EXPECT_EQ(parser.LookupText(7), u"ffi");
  EXPECT_EQ(parser.LookupText(0x20), u"\U0001F600");
  EXPECT_EQ(parser.LookupText(0x1234A), u"\x00E9");
  EXPECT_EQ(parser.Lookup(0x20), 0x1F600);
}

TEST(ToUnicodeCMap, WrittenIntoAStreamWithItsLength) {
  TvnPDStream stream(nullptr);
  std::vector<int> glyphs{1};
  std::vector<std::u16string> unicodes{u"x"};
  WriteToUnicodeCMap(stream, glyphs, unicodes);
  const auto* length = stream.GetDict()->LookUp("Length");
  ASSERT_TRUE(length && length->AsInteger());
  std::vector<int> again{1};
  std::vector<std::u16string> again_text{u"x"};
  EXPECT_EQ(length->AsInteger()->GetValue(), static_cast<int64_t>(ToUnicodeCMapText(again, again_text).size()));
  stream.Reset();
  std::string data;
  stream.Read(data, 4096);
  EXPECT_EQ(data, ToUnicodeCMapText(again, again_text));
}

}  // namespace cmap_test
