// Zip items: the decoding of stored names (UTF-8 flag and detection, the
// two Unicode path subfields, OEM and ANSI code pages), directories,
// attributes and Zip64 sizes.
#include "ooxml/zip_item.h"

#include <gtest/gtest.h>

#include "ooxml/zip_archive.h"
#include "ooxml/zip_utils.h"
#include "zip_test_support.h"

namespace vn::ooxml::zip_item_test {
namespace {

using testing::PutLE;
using testing::Subfield;
using testing::ZipBuilder;
using testing::ZipEntry;

// The items of an archive built from the entries.
class Loaded {
 public:
  explicit Loaded(const ZipBuilder& builder) : stream_(builder.Build()), archive_(stream_, u"") { archive_.Load(); }
  TAbZipItem& operator[](int i) { return *archive_.ZipItem(i); }
  TAbZipArchive& archive() { return archive_; }

 private:
  TStringStream stream_;
  TAbZipArchive archive_;
};

std::string InfoZipPath(const std::string& raw, const std::string& utf8, uint8_t version = 1, int crc_delta = 0) {
  std::string data(1, static_cast<char>(version));
  PutLE(data, CRC32OfString(raw) + crc_delta, 4);
  return Subfield(kInfoZipUnicodePathId, data + utf8);
}

std::string NuPath(const std::u16string& name, int count_delta = 0) {
  std::string data = "NUCX";
  PutLE(data, name.size() + count_delta, 4);
  for (char16_t c : name) PutLE(data, c, 2);
  return Subfield(kNuUnicodePathId, data);
}

TEST(ZipNames, DetectNameCharSet) {
  struct Case {
    const char* raw;
    int expected;
  } cases[] = {
      {"plain/ascii.txt", 0}, {"", 0},          {"caf\xC3\xA9", 2},     {"\xE2\x82\xAC", 2},
      {"\xF0\x9F\x98\x80", 2}, {"caf\xE9", 1},  {"\xC3", 1},            {"\xC0\x80", 1},
      {"\xC3\x28", 1},        {"\x80", 1},     {"\xF5\x80\x80\x80", 1}, {"\xE2\x82", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(DetectNameCharSet(c.raw), c.expected) << c.raw;
}

TEST(ZipNames, IsOEMName) {
  struct Case {
    const char* raw;
    bool expected;
  } cases[] = {
      {"ascii", false},          // no byte above 0x7F
      {"m\x81ller", true},       // ü in 437, a control position in 1252
      {"\x8A", false},           // è in 437 but Š in 1252: both letters
      {"\x8A\x82", true},        // è é: é (0x82) is no letter in 1252
      {"\xB0\x81", false},       // a box-drawing byte is no OEM letter
      {"\xE1", false},           // ß in 437, á in 1252: a letter in both
  };
  for (const Case& c : cases) EXPECT_EQ(IsOEMName(c.raw), c.expected) << c.raw;
}

TEST(ZipNames, DecodedByTheFirstRuleThatApplies) {
  const std::string oem = "m\x81ller.txt";  // "müller.txt" in 437
  struct Case {
    const char* name;
    ZipEntry entry;
    std::u16string expected;
  } cases[] = {
      {"7-bit", ZipEntry{.name = "word/document.xml", .version_made_by = 0x0314}, u"word/document.xml"},
      {"UTF-8 flag", ZipEntry{.name = "caf\xC3\xA9", .flags = 0x0800}, u"caf\u00e9"},
      {"UTF-8 flag on bytes that are not UTF-8", ZipEntry{.name = "caf\xE9", .flags = 0x0800}, u"caf\uFFFD"},
      {"UTF-8 detected without the flag", ZipEntry{.name = "\xE2\x82\xAC.txt", .version_made_by = 0x0314},
       u"\u20ac.txt"},
      {"Unicode path", ZipEntry{.name = oem, .central_extra = InfoZipPath(oem, "\xC3\xBC" "ber.txt")}, u"\u00fcber.txt"},
      {"Unicode path with a wrong CRC", ZipEntry{.name = oem, .central_extra = InfoZipPath(oem, "x.txt", 1, 1)},
       u"m\u00fcller.txt"},
      {"Unicode path of version 2", ZipEntry{.name = oem, .central_extra = InfoZipPath(oem, "x.txt", 2)},
       u"m\u00fcller.txt"},
      {"Unicode path of 6 data bytes", ZipEntry{.name = oem, .central_extra = InfoZipPath(oem, "x")},
       u"m\u00fcller.txt"},
      {"NU path", ZipEntry{.name = oem, .central_extra = NuPath(u"\u0436.txt")}, u"\u0436.txt"},
      {"NU path with a wrong count", ZipEntry{.name = oem, .central_extra = NuPath(u"\u0436.txt", 1)},
       u"m\u00fcller.txt"},
      {"MS-DOS host: OEM", ZipEntry{.name = "\x8A.txt", .version_made_by = 0x0014}, u"\u00e8.txt"},
      {"Unix host, OEM letters", ZipEntry{.name = oem, .version_made_by = 0x0314}, u"m\u00fcller.txt"},
      {"Unix host, ANSI", ZipEntry{.name = "caf\xE9.txt", .version_made_by = 0x0314}, u"caf\u00e9.txt"},
      {"ANSI host", ZipEntry{.name = "\x8A.txt", .version_made_by = 0x0B14}, u"\u0160.txt"},
  };
  ZipBuilder b;
  for (const Case& c : cases) b.entries.push_back(c.entry);
  Loaded items(b);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(items[static_cast<int>(i)].FileName(), cases[i].expected) << cases[i].name;
}

TEST(ZipItems, DirectoriesAttributesAndDiskNames) {
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "folder/", .version_made_by = 0x0314, .external_attributes = 040755u << 16});
  b.entries.push_back(ZipEntry{.name = "empty-attributes/"});
  b.entries.push_back(ZipEntry{.name = "dos-dir", .external_attributes = 0x10});
  b.entries.push_back(ZipEntry{.name = "win\\dir\\", .version_made_by = 0x0014});
  b.entries.push_back(
      ZipEntry{.name = "ro.txt", .version_made_by = 0x0314, .external_attributes = (0100444u << 16)});
  b.entries.push_back(ZipEntry{.name = "dos.txt", .external_attributes = 0x21});
  Loaded items(b);
  EXPECT_TRUE(items[0].IsDirectory());
  EXPECT_EQ(items[0].NativeFileAttributes(), 0x10);
  EXPECT_EQ(items[0].HostSystem(), 3);
  EXPECT_TRUE(items[1].IsDirectory());
  EXPECT_TRUE(items[2].IsDirectory());
  EXPECT_TRUE(items[3].IsDirectory());
  EXPECT_EQ(items[3].FileName(), u"win\\dir\\");
  EXPECT_EQ(items[3].DiskFileName(), u"win/dir/");
  EXPECT_FALSE(items[4].IsDirectory());
  EXPECT_EQ(items[4].NativeFileAttributes(), 0x01);
  EXPECT_EQ(items[5].NativeFileAttributes(), 0x21);
  EXPECT_EQ(items[5].Action(), TAbArchiveAction::aaNone);
  EXPECT_FALSE(items[5].Tagged());
}

TEST(ZipItems, HeaderValuesAndDerivedProperties) {
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "implode", .data = "x", .method = 6, .flags = 0x0006});
  b.entries.push_back(ZipEntry{.name = "deflate", .data = std::string(1000, 'a'), .method = 8, .flags = 0x0002});
  b.entries.push_back(ZipEntry{.name = "enc", .data = "0123456789abcdefghij", .compressed = std::string(22, 'e'),
                               .flags = 0x0001});
  Loaded items(b);
  EXPECT_EQ(items[0].DictionarySize(), TAbZipFileHeader::TAbZipDictionarySize::ds8K);
  EXPECT_EQ(items[0].ShannonFanoTreeCount(), 3);
  EXPECT_EQ(items[0].DeflationOption(), TAbZipFileHeader::TAbZipDeflationOption::doInvalid);
  EXPECT_EQ(items[1].DeflationOption(), TAbZipFileHeader::TAbZipDeflationOption::doMaximum);
  EXPECT_EQ(items[1].DictionarySize(), TAbZipFileHeader::TAbZipDictionarySize::dsInvalid);
  EXPECT_EQ(items[1].CompressionMethod(), 8);
  EXPECT_GT(items[1].CompressionRatio(), 95);
  EXPECT_TRUE(items[2].IsEncrypted());
  EXPECT_EQ(items[2].CompressionRatio(), 50);  // (22 - 12) of 20 bytes
  EXPECT_EQ(items[2].CRC32(), testing::ZlibCrc("0123456789abcdefghij"));
  EXPECT_DOUBLE_EQ(items[2].LastModTimeAsDateTime(), EncodeDateTime(2025, 1, 1, 12, 0, 0, 0));
}

TEST(ZipItems, Zip64Sizes) {
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "big", .data = "content", .zip64 = true});
  // Only the two sizes escaped: the 32-bit offset stands.
  ZipEntry sizes_only{.name = "sizes", .data = "more"};
  std::string z;
  PutLE(z, uint64_t{5000000000}, 8);
  PutLE(z, uint64_t{4}, 8);
  sizes_only.central_extra = Subfield(kZip64ExtraId, z);
  b.entries.push_back(sizes_only);
  std::string zip = b.Build();
  // Escape the sizes of the second central header by hand.
  const size_t central = zip.rfind(std::string("PK\x01\x02", 4));
  for (size_t k = 20; k < 28; ++k) zip[central + k] = '\xFF';
  TStringStream s(zip);
  TAbZipArchive archive(s, u"");
  archive.Load();
  EXPECT_EQ(archive.ZipItem(0)->UncompressedSize(), 7);
  EXPECT_EQ(archive.ZipItem(0)->RelativeOffset(), 0);
  EXPECT_EQ(archive.ZipItem(1)->UncompressedSize(), 5000000000);
  EXPECT_EQ(archive.ZipItem(1)->CompressedSize(), 4);
  EXPECT_EQ(archive.ZipItem(1)->RelativeOffset(), static_cast<int64_t>(zip.find("PK\x03\x04", 1)));

  // A Zip64 subfield too short for the escaped values.
  ZipBuilder short_field;
  short_field.entries.push_back(ZipEntry{.name = "x", .data = "y", .central_extra = Subfield(kZip64ExtraId, "1234")});
  std::string bad = short_field.Build();
  const size_t at = bad.rfind(std::string("PK\x01\x02", 4));
  for (size_t k = 24; k < 28; ++k) bad[at + k] = '\xFF';
  TStringStream bad_stream(bad);
  TAbZipArchive bad_archive(bad_stream, u"");
  EXPECT_THROW(bad_archive.Load(), EReadError);
  EXPECT_EQ(bad_archive.Count(), 0);
}

}  // namespace
}  // namespace vn::ooxml::zip_item_test
