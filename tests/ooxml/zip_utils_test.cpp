// The zip utilities: checksums against zlib, percentages, MS-DOS dates and
// attributes, paths and masks, the inflate option presets and the logger.
#include "ooxml/zip_utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <random>

#include "ooxml/zip_exceptions.h"
#include "zip_test_support.h"

namespace vn::ooxml::zip_utils_test {
namespace {

using testing::ReadFile;
using testing::TempDir;

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

TEST(ZipChecksums, MatchZlibOverBuffersOfEverySize) {
  std::vector<std::string> buffers = {"", "a", "123456789", "Wikipedia", std::string(5551, 'z'),
                                      std::string(70000, '\xFF')};
  for (size_t n : {2u, 7u, 8u, 9u, 15u, 16u, 17u, 1000u, 5552u, 5553u, 100003u}) buffers.push_back(RandomBytes(n, static_cast<uint32_t>(n)));
  for (const std::string& b : buffers) {
    const auto* p = reinterpret_cast<const Bytef*>(b.data());
    EXPECT_EQ(CRC32OfString(b), crc32(0, p, static_cast<uInt>(b.size()))) << b.size();
    uint32_t adler = 1;
    UpdateAdler32(adler, b.data(), b.size());
    EXPECT_EQ(adler, adler32(1, p, static_cast<uInt>(b.size()))) << b.size();
    // Running values fed in uneven pieces, from an unaligned start.
    uint32_t crc = 0xFFFFFFFF;
    uint32_t adler_pieces = 1;
    for (size_t pos = 0, step = 1; pos < b.size(); pos += step, step = step * 3 % 4099 + 1) {
      size_t n = std::min(step, b.size() - pos);
      UpdateCRC32(crc, b.data() + pos, n);
      UpdateAdler32(adler_pieces, b.data() + pos, n);
    }
    EXPECT_EQ(~crc, CRC32OfString(b)) << b.size();
    EXPECT_EQ(adler_pieces, adler) << b.size();
  }
  EXPECT_EQ(CRC32OfString("123456789"), 0xCBF43926u);
  uint32_t adler = 1;
  UpdateAdler32(adler, "Wikipedia", 9);
  EXPECT_EQ(adler, 0x11E60398u);
  uint32_t byte_wise = 0xFFFFFFFF;
  for (char c : std::string("123456789")) byte_wise = UpdateCRC32Byte(static_cast<uint8_t>(c), byte_wise);
  EXPECT_EQ(~byte_wise, 0xCBF43926u);
}

TEST(ZipUtilities, Percentages) {
  struct Case {
    int64_t done, total;
    int expected;
  } cases[] = {
      {5, 0, 0},          {7, 7, 100},           {1, 3, 33},           {0, 10, 0},
      {11, 10, 100},      {5, -4, 0},            {16384000, 16384001, 100},
      // Above 16384000 both values are scaled by 256 (rounded) first.
      {int64_t{1} << 40, (int64_t{1} << 41) + 1, 50}, {(int64_t{1} << 41) - 100, int64_t{1} << 41, 100},
      {1, INT64_MAX, 0},  {INT64_MAX, INT64_MAX, 100},
  };
  for (const Case& c : cases) EXPECT_EQ(Percentage(c.done, c.total), c.expected) << c.done << "/" << c.total;
}

TEST(ZipUtilities, DosDatesAndTimes) {
  // 2025-03-04 13:45:58 stored as date 0x5A64, time 0x6DBD.
  const uint16_t date = (45 << 9) | (3 << 5) | 4;
  const uint16_t time = (13 << 11) | (45 << 5) | 29;
  TDateTime value = DosDateTimeToDateTime(date, time);
  EXPECT_DOUBLE_EQ(value, EncodeDateTime(2025, 3, 4, 13, 45, 58, 0));
  EXPECT_EQ(DateTimeToDosDateTime(value), (uint32_t{date} << 16) | time);
  // Odd seconds are lost to the two-second resolution.
  EXPECT_EQ(DateTimeToDosDateTime(EncodeDateTime(2025, 3, 4, 13, 45, 59, 0)), (uint32_t{date} << 16) | time);
  EXPECT_EQ(DateTimeToDosDateTime(EncodeDateTime(1979, 12, 31, 0, 0, 0, 0)), 0u);
  EXPECT_EQ(DateTimeToDosDateTime(EncodeDateTime(2108, 1, 1, 0, 0, 0, 0)), 0u);
  EXPECT_DOUBLE_EQ(DosDateTimeToDateTime(0x21, 0), EncodeDate(1980, 1, 1));
  // A date of 0 (month 0, day 0), as some writers store it.
  EXPECT_THROW(DosDateTimeToDateTime(0, 0), EConvertError);
}

TEST(ZipUtilities, AttributeConversions) {
  struct DosCase {
    int attributes, mode;
  } dos[] = {{0, 0644}, {kDosReadOnly, 0444}, {kDosDirectory, 040744}, {kDosDirectory | kDosReadOnly, 040544},
             {kDosArchive, 0644}};
  for (const DosCase& c : dos) EXPECT_EQ(DosToUnixAttributes(c.attributes), c.mode) << c.attributes;
  struct UnixCase {
    int mode, attributes;
  } unix_modes[] = {{0100444, kDosReadOnly}, {0100644, 0},          {040755, kDosDirectory},
                    {040555, kDosDirectory | kDosReadOnly},         {0120777, kDosSystem},
                    {010644, kDosSystem},    {020600, kDosSystem},  {060600, kDosSystem},
                    {0140755, kDosSystem},   {0444, kDosReadOnly}};
  for (const UnixCase& c : unix_modes) EXPECT_EQ(UnixToDosAttributes(c.mode), c.attributes) << std::oct << c.mode;
}

TEST(ZipUtilities, FileTimesAttributesAndSizes) {
  TempDir dir;
  const auto file = dir / "a.txt";
  testing::WriteFile(file, "hello");
  const TDateTime when = EncodeDateTime(2024, 7, 15, 10, 20, 30, 0);
  SetFileDateTime(file, when);
  SetFileAttributes(file, kDosReadOnly);
  TAbAttrExRec info;
  ASSERT_TRUE(GetFileAttrEx(file, info));
  EXPECT_DOUBLE_EQ(info.Time, when);
  EXPECT_EQ(info.Size, 5);
  EXPECT_EQ(info.Attr, kDosReadOnly);
  EXPECT_EQ(info.Mode, 0444);
  SetFileAttributes(file, 0);
  EXPECT_EQ(GetFileSize(file), 5);
  ASSERT_TRUE(GetFileAttrEx(file, info));
  EXPECT_EQ(info.Attr, 0);
  EXPECT_FALSE(GetFileAttrEx(dir / "missing", info));
  EXPECT_EQ(info.Size, -1);
  EXPECT_EQ(info.Attr, -1);
  EXPECT_EQ(GetFileSize(dir / "missing"), -1);
}

TEST(ZipUtilities, PathHelpers) {
  EXPECT_EQ(GetPathType(u"name.txt"), 0);
  EXPECT_EQ(GetPathType(u"word/document.xml"), 1);
  EXPECT_EQ(GetPathType(u"word\\document.xml"), 1);
  EXPECT_EQ(GetPathType(u"/tmp/x"), 2);
  EXPECT_EQ(GetPathType(u"C:name"), 0);  // no drives here: a plain file name

  EXPECT_EQ(AddBackSlash(u""), u"");
  EXPECT_EQ(AddBackSlash(u"/tmp"), u"/tmp/");
  EXPECT_EQ(AddBackSlash(u"/tmp/"), u"/tmp/");

  String s = u"a\\b/c\\d";
  ToBackslashes(s);
  EXPECT_EQ(s, u"a/b/c/d");

  EXPECT_EQ(FindNthSlash(u"a/bc/def/g", 1), 1);
  EXPECT_EQ(FindNthSlash(u"a/bc/def/g", 3), 8);
  EXPECT_EQ(FindNthSlash(u"a/bc/def/g", 4), 10);

  String drive = u"x", path, name;
  ParseFileName(u"dir\\sub/file.txt", drive, path, name);
  EXPECT_EQ(drive, u"");
  EXPECT_EQ(path, u"dir/sub/");
  EXPECT_EQ(name, u"file.txt");
  ParseFileName(u"file.txt", drive, path, name);
  EXPECT_EQ(path, u"");
  EXPECT_EQ(name, u"file.txt");

  std::vector<String> parts;
  SplitPath(u"/one/two/three/", parts);
  EXPECT_EQ(parts, (std::vector<String>{u"one", u"two", u"three"}));

  String dotted = u"../../..\\x/../y";
  StripDots(dotted);
  EXPECT_EQ(dotted, u"x/../y");
  String with_drive = u"/abs/file";
  StripDrive(with_drive);
  EXPECT_EQ(with_drive, u"/abs/file");
}

TEST(ZipUtilities, CreateDirectoryPathMakesEveryLevel) {
  TempDir dir;
  const std::string deep = (dir / "a/b/c").string();
  CreateDirectoryPath(FromUtf8(deep));
  EXPECT_TRUE(std::filesystem::is_directory(deep));
  CreateDirectoryPath(FromUtf8(deep));  // already there
  testing::WriteFile(dir / "file", "x");
  try {
    CreateDirectoryPath(FromUtf8((dir / "file/sub").string()));
    ADD_FAILURE() << "a folder below a file was made";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, ENOTDIR);
  }
}

// The matching rule as written: the star tries every split, one source
// position after another.
bool ReferenceMatch(const String& src, size_t s, const String& pat, size_t p) {
  if (src.empty()) return pat.empty();
  if (p == 1 && (pat == u"*.*" || pat == u"*")) return true;
  if (pat.empty()) return s == src.size() + 1;
  for (;;) {
    if (s > src.size() && p > pat.size()) return true;
    if (p > pat.size()) return false;
    if (pat[p - 1] == u'*') {
      if (p == pat.size()) return true;
      for (size_t k = s; k <= src.size() + 1; ++k)
        if (ReferenceMatch(src, k, pat, p + 1)) return true;
      return false;
    }
    if (s > src.size()) return false;
    if (pat[p - 1] != u'?' && pat[p - 1] != src[s - 1]) return false;
    ++s;
    ++p;
  }
}

TEST(ZipUtilities, PatternMatches) {
  struct Case {
    const char16_t* source;
    const char16_t* pattern;
    bool expected;
  } cases[] = {
      {u"readme", u"*.*", true},         {u"", u"*", false},
      {u"", u"", true},                  {u"abc", u"", false},
      {u"document.xml", u"*.xml", true}, {u"document.xml", u"*.XML", false},
      {u"a", u"a**", true},              {u"ab", u"a*b*", true},
      {u"abc", u"a?c", true},            {u"ac", u"a?c", false},
      {u"aXbYc", u"a*b*c", true},        {u"abcabd", u"*ab?", true},
      {u"mississippi", u"m*iss*ppi", true}, {u"mississippi", u"m*iss*ppx", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PatternMatches(c.source, 1, c.pattern, 1), c.expected) << ToUtf8(c.source) << " ~ " << ToUtf8(c.pattern);
  // A source position one past the end matches an empty pattern.
  EXPECT_TRUE(PatternMatches(u"abc", 4, u"", 1));
  EXPECT_TRUE(PatternMatches(u"xyz.txt", 4, u".txt", 1));

  // Every short source and pattern over a tiny alphabet agrees with the
  // rule as written.
  std::mt19937 rng(7);
  const char16_t alphabet[] = u"ab*?";
  for (int i = 0; i < 20000; ++i) {
    String src, pat;
    for (int n = static_cast<int>(rng() % 6); n > 0; --n) src += alphabet[rng() % 2];
    for (int n = static_cast<int>(rng() % 6); n > 0; --n) pat += alphabet[rng() % 4];
    ASSERT_EQ(PatternMatches(src, 1, pat, 1), ReferenceMatch(src, 1, pat, 1)) << ToUtf8(src) << " ~ " << ToUtf8(pat);
  }
  // Many stars over a long name stay fast.
  EXPECT_FALSE(PatternMatches(String(60000, u'a'), 1, u"*a*a*a*a*a*a*a*a*b", 1));
}

TEST(ZipUtilities, FileMatches) {
  struct Case {
    const char16_t* file;
    const char16_t* mask;
    bool expected;
  } cases[] = {
      {u"word/document.xml", u"*.xml", true},   {u"word/document.xml", u"*.XML", true},
      {u"word/document.xml", u"word/*", true},  {u"word/document.xml", u"media/*", false},
      {u"word/document.xml", u"w*/doc*", true}, {u"Word/Document.XML", u"word/document.xml", true},
      {u"a/b/c.txt", u"*/c.txt", true},         {u"c.txt", u"*/c.txt", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FileMatches(c.file, c.mask), c.expected) << ToUtf8(c.file) << " ~ " << ToUtf8(c.mask);
}

TEST(ZipUtilities, FindFilesByMask) {
  TempDir dir;
  for (const char* name : {"a.txt", "b.TXT", "c.bin", "sub/d.txt", "sub/deeper/e.txt", ".hidden.txt"})
    testing::WriteFile(dir / name, "x");
  const String base = FromUtf8(dir.path().string()) + u"/";
  std::vector<String> found;
  FindFiles(base + u"*.txt", 0, found, false);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<String>{base + u"a.txt", base + u"b.TXT"}));
  found.clear();
  FindFilesEx(base + u"*.bin ; " + base + u"*.txt", kDosHidden, found, true);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<String>{base + u".hidden.txt", base + u"a.txt", base + u"b.TXT", base + u"c.bin",
                                         base + u"sub/d.txt", base + u"sub/deeper/e.txt"}));
  found.clear();
  FindFiles(base + u"*", kDosDirectory, found, false);
  EXPECT_NE(std::find(found.begin(), found.end(), base + u"sub/"), found.end());
}

TEST(DeflateHelper, DefaultsAndPresets) {
  TAbDeflateHelper h;
  EXPECT_EQ(h.AmpleLength(), 8);
  EXPECT_EQ(h.ChainLength(), 32);
  EXPECT_EQ(h.MaxLazyLength(), 16);
  EXPECT_EQ(h.Options(), 0x0F);
  EXPECT_EQ(h.WindowSize(), 32768);
  EXPECT_EQ(h.PKZipOption(), 'n');
  EXPECT_EQ(h.PartialSize, 0);

  struct Preset {
    char letter;
    int start_options, options, ample, chain, lazy;
  } presets[] = {
      {'0', 0x3A, 0x31, 8, 32, 16},   {'2', 0x30, 0x3F, 8, 32, 16},   {'F', 0x30, 0x37, 4, 32, 6},
      {'n', 0x30, 0x3F, 16, 32, 24},  {'s', 0x38, 0x3F, 4, 4, 4},     {'x', 0x00, 0x0F, 64, 4096, 258},
  };
  for (const Preset& p : presets) {
    TAbDeflateHelper preset;
    preset.SetOptions(p.start_options);
    ASSERT_EQ(preset.PKZipOption(), '?');
    preset.SetPKZipOption(p.letter);
    EXPECT_EQ(preset.Options(), p.options) << p.letter;
    EXPECT_EQ(preset.AmpleLength(), p.ample) << p.letter;
    EXPECT_EQ(preset.ChainLength(), p.chain) << p.letter;
    EXPECT_EQ(preset.MaxLazyLength(), p.lazy) << p.letter;
    EXPECT_EQ(preset.PKZipOption(), p.letter | 0x20) << p.letter;
  }
  // The same letter again, or an unknown one, changes nothing.
  TAbDeflateHelper same;
  same.SetPKZipOption('N');
  EXPECT_EQ(same.AmpleLength(), 8);
  same.SetPKZipOption('q');
  EXPECT_EQ(same.PKZipOption(), 'n');

  TAbDeflateHelper lengths;
  lengths.SetAmpleLength(2);
  EXPECT_EQ(lengths.AmpleLength(), 4);
  EXPECT_EQ(lengths.PKZipOption(), '?');
  lengths.SetChainLength(-1);
  EXPECT_EQ(lengths.ChainLength(), -1);
  lengths.SetMaxLazyLength(3);
  EXPECT_EQ(lengths.MaxLazyLength(), 4);
}

TEST(DeflateHelper, WindowSizes) {
  struct Case {
    int options, value, expected;
  } cases[] = {{0x0F, 40000, 32768}, {0x1F, 40000, 65536}, {0x0F, 1000, 1024}, {0x0F, 2049, 3072}, {0x0F, 8192, 8192}};
  for (const Case& c : cases) {
    TAbDeflateHelper h;
    h.SetOptions(c.options);
    h.SetWindowSize(c.value);
    EXPECT_EQ(h.WindowSize(), c.expected) << c.value;
  }
}

TEST(Logger, WritesBufferedLinesAndRefusesReadsAndSeeks) {
  TempDir dir;
  const String name = FromUtf8((dir / "inflate.log").string());
  {
    TAbLogger log(name);
    log.WriteLine(u"");
    log.WriteLine(u"INFLATING STREAM...");
    log.LineDelimiter = TAbLineDelimiter::ldLF;
    log.WriteLine(u"caf\u00e9");
    const std::string big(10000, 'x');
    EXPECT_EQ(log.Write(big.data(), static_cast<int64_t>(big.size())), 10000);
    EXPECT_EQ(log.Seek(0, SeekOrigin::soCurrent), 2 + 21 + 5 + 10000);
    EXPECT_EQ(log.Seek(0, SeekOrigin::soEnd), 2 + 21 + 5 + 10000);
    char b;
    EXPECT_THROW(log.Read(&b, 1), EAssertionFailed);
    EXPECT_THROW(log.Seek(1, SeekOrigin::soCurrent), EAssertionFailed);
    EXPECT_THROW(log.Seek(0, SeekOrigin::soBeginning), EAssertionFailed);
  }
  EXPECT_EQ(ReadFile(dir / "inflate.log"), "\r\nINFLATING STREAM...\r\ncaf?\n" + std::string(10000, 'x'));
  EXPECT_THROW(TAbLogger(u""), EAssertionFailed);
  EXPECT_THROW(TAbLogger(FromUtf8((dir / "no/such/folder/x.log").string())), EFCreateError);
}

}  // namespace
}  // namespace vn::ooxml::zip_utils_test
