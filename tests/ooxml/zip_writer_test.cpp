// The write side of zip archives: archives written here pass `unzip -t`
// and python's zipfile extracts every member equal; deflated members
// inflate through zlib; deleting, renaming and freshening rewrite an
// archive made by zip; a save that fails midway leaves the archive file
// and the loaded items as they were; split sets written with a spanning
// threshold read back here and join into an archive unzip accepts.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <map>
#include <set>

#include "ooxml/unzipper.h"
#include "ooxml/zip_exceptions.h"
#include "ooxml/zip_extract.h"
#include "ooxml/zip_insert.h"
#include "ooxml/zip_item.h"
#include "ooxml/zip_utils.h"
#include "support/prerequisites.h"
#include "zip_test_support.h"

namespace vn::ooxml {
namespace zip_writer_test {

using testing::Quote;
using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFile;

using Members = std::map<std::string, std::string>;  // stored name (UTF-8) -> content

bool HaveOracles() {
  return test_support::HaveTool("unzip") && test_support::HaveTool("python3") && test_support::HaveTool("zip");
}

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// What python's zipfile reads: every file member's name and bytes, after
// its own test of every CRC.
Members PythonMembers(const std::filesystem::path& archive) {
  const std::string script =
      "import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "assert z.testzip() is None\n"
      "for i in z.infolist():\n"
      "    if i.is_dir(): continue\n"
      "    d = z.read(i)\n"
      "    sys.stdout.buffer.write(i.filename.encode() + b'\\0' + str(len(d)).encode() + b'\\0' + d)\n";
  std::string out;
  EXPECT_EQ(RunTool("python3 -c " + Quote(script) + " " + Quote(archive.string()), &out), 0);
  Members members;
  size_t at = 0;
  while (at < out.size()) {
    const size_t name_end = out.find('\0', at);
    const size_t size_end = out.find('\0', name_end + 1);
    if (name_end == std::string::npos || size_end == std::string::npos) break;
    const size_t size = std::stoul(out.substr(name_end + 1, size_end - name_end - 1));
    members[out.substr(at, name_end - at)] = out.substr(size_end + 1, size);
    at = size_end + 1 + size;
  }
  return members;
}

bool UnzipAccepts(const std::filesystem::path& archive) {
  return RunTool("unzip -tqq " + Quote(archive.string())) == 0;
}

// What this library reads back.
Members OurMembers(const std::filesystem::path& archive) {
  TAbUnZipper z;
  z.SetFileName(FromUtf8(archive.string()));
  Members members;
  for (int i = 0; i < z.Count(); ++i) {
    if (z.GetItem(i)->IsDirectory()) continue;
    TMemoryStream out;
    EXPECT_TRUE(z.ExtractToStream(z.GetItem(i)->FileName(), out)) << ToUtf8(z.GetItem(i)->FileName());
    members[ToUtf8(z.GetItem(i)->FileName())] = std::string(out.View());
  }
  return members;
}

void AddStream(TAbZipArchive& archive, const std::string& name, const std::string& content) {
  TStringStream in(content);
  archive.AddFromStream(FromUtf8(name), in);
}

// A new archive of members added from streams and from files, with names
// in code page 437, in the ANSI code page and in UTF-8.
TEST(ZipWriterTest, NewArchivePassesUnzipAndPython) {
  if (!HaveOracles()) GTEST_SKIP() << "unzip, zip or python3 is not installed";
  TempDir dir;
  WriteFile(dir / "src" / "words.txt", testing::Text(200000, 3));
  WriteFile(dir / "src" / "noise.bin", RandomBytes(70000, 4));
  WriteFile(dir / "src" / "empty.txt", "");
  std::filesystem::create_directories(dir / "src" / "folder");
  const std::filesystem::path path = dir / "new.zip";
  Members expected;
  {
    TAbZipArchive archive(FromUtf8(path.string()), FileMode::fmCreate);
    InstallInsertHelpers(archive);
    archive.SetStoreOptions(archive.StoreOptions() | soStripPath);
    archive.AddFiles(FromUtf8((dir / "src" / "*").string()), kDosDirectory);
    archive.Save();
    for (const char* name : {"words.txt", "noise.bin", "empty.txt"})
      expected[name] = ReadFile(dir / "src" / name);
    archive.SetStoreOptions(archive.StoreOptions() & ~soStripPath);
    const std::pair<const char*, std::string> streamed[] = {
        {"folder/caf\xC3\xA9.txt", "code page 437"},
        {"\xE2\x82\xACuro.txt", "ANSI code page"},
        {"\xE6\x97\xA5\xE6\x9C\xAC.txt", testing::Text(5000, 1)},
    };
    for (const auto& [name, content] : streamed) {
      AddStream(archive, name, content);
      expected[name] = content;
    }
    EXPECT_EQ(archive.Count(), 7);
  }
  EXPECT_TRUE(UnzipAccepts(path));
  EXPECT_EQ(OurMembers(path), expected);
  // python reads a name without the UTF-8 flag in code page 437 and skips
  // the Unicode path subfield that carries the ANSI name's true text;
  // unzip reads it.
  Members python_view = expected;
  python_view["\xC3\x87uro.txt"] = python_view["\xE2\x82\xACuro.txt"];
  python_view.erase("\xE2\x82\xACuro.txt");
  EXPECT_EQ(PythonMembers(path), python_view);
  std::string listing;
  RunTool("unzip -Z1 " + Quote(path.string()), &listing);
  EXPECT_NE(listing.find("\xE2\x82\xACuro.txt\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("folder/\n"), std::string::npos) << listing;

  // Text is deflated and inflates through zlib; noise is stored.
  TAbUnZipper z;
  z.SetFileName(FromUtf8(path.string()));
  TAbZipItem* words = z.GetItem(z.FindFile(u"words.txt"));
  TAbZipItem* noise = z.GetItem(z.FindFile(u"noise.bin"));
  EXPECT_EQ(words->CompressionMethod(), 8);
  EXPECT_EQ(noise->CompressionMethod(), 0);
  const std::string file = ReadFile(path);
  const size_t data = static_cast<size_t>(words->RelativeOffset()) + 30 + words->RawFileName().size() +
                      words->LFHExtraField().Buffer().size();
  std::string inflated(static_cast<size_t>(words->UncompressedSize()), '\0');
  z_stream zs{};
  inflateInit2(&zs, -15);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.data() + data));
  zs.avail_in = static_cast<uInt>(words->CompressedSize());
  zs.next_out = reinterpret_cast<Bytef*>(inflated.data());
  zs.avail_out = static_cast<uInt>(inflated.size());
  EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END);
  inflateEnd(&zs);
  EXPECT_EQ(inflated, expected["words.txt"]);
}

// An archive streamed by zip, so every member has a data descriptor, with
// a folder: delete one member, rename another, freshen a third from its
// changed file.
TEST(ZipWriterTest, DeleteMoveAndFreshenRewriteAnArchiveMadeByZip) {
  if (!HaveOracles()) GTEST_SKIP() << "unzip, zip or python3 is not installed";
  TempDir dir;
  const std::string q = Quote(dir.path().string());
  WriteFile(dir / "a.txt", testing::Text(30000, 5));
  WriteFile(dir / "b.txt", "bee\n");
  WriteFile(dir / "sub" / "c.txt", testing::Text(4000, 6));
  ASSERT_EQ(RunTool("cd " + q + " && zip -q -r - a.txt b.txt sub | cat > old.zip"), 0);
  const std::filesystem::path path = dir / "old.zip";
  {
    TAbZipArchive archive(FromUtf8(path.string()));
    archive.ExtractToStreamHelper = ExtractItemToStream;
    InstallInsertHelpers(archive);
    archive.SetBaseDirectory(FromUtf8(dir.path().string()));
    archive.Load();
    ASSERT_EQ(archive.ZipItem(archive.FindFile(u"sub/c.txt"))->GeneralPurposeBitFlag() & 0x0008, 0x0008);
    archive.DeleteFiles(u"b.txt");
    archive.Move(archive.Items(archive.FindFile(u"sub/c.txt")), u"moved/c.txt");
    WriteFile(dir / "a.txt", "changed and shorter\n");
    archive.FreshenFiles(u"a.txt");
    EXPECT_EQ(archive.Items(archive.FindFile(u"a.txt"))->Action(), TAbArchiveAction::aaFreshen);
    archive.Save();
    EXPECT_FALSE(archive.IsDirty());
    EXPECT_EQ(archive.FindFile(u"b.txt"), -1);
    // The loaded items describe the new file.
    TMemoryStream out;
    EXPECT_TRUE(archive.ExtractToStream(u"moved/c.txt", out));
    EXPECT_EQ(std::string(out.View()), ReadFile(dir / "sub" / "c.txt"));
  }
  const Members expected = {{"a.txt", "changed and shorter\n"}, {"moved/c.txt", ReadFile(dir / "sub" / "c.txt")}};
  EXPECT_TRUE(UnzipAccepts(path));
  EXPECT_EQ(PythonMembers(path), expected);
  EXPECT_EQ(OurMembers(path), expected);
  std::string listing;
  RunTool("unzip -Z1 " + Quote(path.string()), &listing);
  EXPECT_NE(listing.find("sub/\n"), std::string::npos) << "the folder entry stays";
}

// Ways a save fails midway; each leaves the file byte for byte and the
// archive's items usable, and a later save succeeds.
TEST(ZipWriterTest, FailedSaveLeavesTheOriginalUntouched) {
  if (!HaveOracles()) GTEST_SKIP() << "unzip, zip or python3 is not installed";
  struct Case {
    const char* name;
    std::function<void(TAbZipArchive&, const std::filesystem::path& dir)> arrange;
    std::function<void(TAbZipArchive&)> repair;
  } const cases[] = {
      {"abort from the save progress once b.txt is written anew",
       [](TAbZipArchive& a, const std::filesystem::path&) {
         a.OnArchiveSaveProgress = [](TAbArchive&, uint8_t progress, bool& abort) { abort = progress >= 60; };
       },
       [](TAbZipArchive& a) { a.OnArchiveSaveProgress = nullptr; }},
      {"a file to add that is gone, no failure handler",
       [](TAbZipArchive&, const std::filesystem::path& dir) { std::filesystem::remove(dir / "new.txt"); },
       [](TAbZipArchive& a) {
         a.OnProcessItemFailure = [](TAbArchive&, TAbArchiveItem*, TAbProcessType, TAbErrorClass, int) {};
       }},
      {"no insertion helper", [](TAbZipArchive& a, const std::filesystem::path&) { a.InsertHelper = nullptr; },
       [](TAbZipArchive& a) { InstallInsertHelpers(a); }},
  };
  TempDir made;
  WriteFile(made / "a.txt", testing::Text(20000, 8));
  WriteFile(made / "b.txt", testing::Text(20000, 9));
  ASSERT_EQ(RunTool("cd " + Quote(made.path().string()) + " && zip -q old.zip a.txt b.txt"), 0);
  for (const Case& c : cases) {
    TempDir dir;
    for (const char* name : {"a.txt", "b.txt", "old.zip"}) std::filesystem::copy_file(made / name, dir / name);
    WriteFile(dir / "new.txt", "new member\n");
    const std::filesystem::path path = dir / "old.zip";
    const std::string original = ReadFile(path);

    TAbZipArchive archive(FromUtf8(path.string()));
    archive.ExtractToStreamHelper = ExtractItemToStream;
    InstallInsertHelpers(archive);
    archive.SetBaseDirectory(FromUtf8(dir.path().string()));
    archive.Load();
    archive.DeleteFiles(u"a.txt");
    archive.Add(archive.CreateItem(FromUtf8((dir / "new.txt").string())));
    c.arrange(archive, dir.path());
    auto listing = [&dir] {
      std::set<std::string> names;
      for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
      return names;
    };
    const std::set<std::string> before = listing();
    EXPECT_ANY_THROW(archive.Save()) << c.name;
    EXPECT_EQ(ReadFile(path), original) << c.name;
    EXPECT_EQ(listing(), before) << c.name << ": nothing left behind";
    TMemoryStream out;
    EXPECT_TRUE(archive.ExtractToStream(u"b.txt", out)) << c.name;
    EXPECT_EQ(std::string(out.View()), ReadFile(dir / "b.txt")) << c.name;

    c.repair(archive);
    archive.Save();
    EXPECT_TRUE(UnzipAccepts(path)) << c.name;
    Members members = OurMembers(path);
    EXPECT_EQ(members.count("a.txt"), 0u) << c.name;
    EXPECT_EQ(members["b.txt"], ReadFile(dir / "b.txt")) << c.name;
  }
}

TEST(ZipWriterTest, ArchiveInACallersStreamIsRewrittenInPlace) {
  if (!HaveOracles()) GTEST_SKIP() << "unzip, zip or python3 is not installed";
  TempDir dir;
  TMemoryStream held;
  {
    TAbZipArchive archive(held, u"");
    InstallInsertHelpers(archive);
    AddStream(archive, "one.txt", "first");
    AddStream(archive, "two.txt", testing::Text(10000, 2));
    archive.DeleteFiles(u"one.txt");
    archive.SetZipfileComment("a comment");
    archive.Save();
  }
  held.SaveToFile(dir / "held.zip");
  EXPECT_TRUE(UnzipAccepts(dir / "held.zip"));
  EXPECT_EQ(PythonMembers(dir / "held.zip"), (Members{{"two.txt", testing::Text(10000, 2)}}));
  TAbZipArchive again(held, u"");
  again.Load();
  EXPECT_EQ(again.ZipfileComment(), "a comment");
}

// The stub of a self-extracting archive stays in front of the rewritten
// members.
TEST(ZipWriterTest, SelfExtractingStubStaysInFront) {
  if (!HaveOracles()) GTEST_SKIP() << "unzip, zip or python3 is not installed";
  TempDir dir;
  testing::ZipBuilder builder;
  builder.prefix = "MZ" + std::string(200, '\x90');
  builder.entries.push_back({.name = "keep.txt", .data = testing::Text(3000, 1), .method = 8});
  builder.entries.push_back({.name = "drop.txt", .data = "drop"});
  const std::filesystem::path path = dir / "sfx.zip";
  WriteFile(path, builder.Build());
  {
    TAbZipArchive archive(FromUtf8(path.string()));
    archive.Load();
    ASSERT_TRUE(archive.IsExecutable());
    archive.DeleteFiles(u"drop.txt");
    archive.Save();
  }
  EXPECT_EQ(ReadFile(path).substr(0, builder.prefix.size()), builder.prefix);
  EXPECT_TRUE(UnzipAccepts(path));
  EXPECT_EQ(OurMembers(path), (Members{{"keep.txt", testing::Text(3000, 1)}}));
}

// An end record whose counts do not fit is preceded by a Zip64 end record
// and a locator pointing at it; read back, the values are whole again.
TEST(ZipWriterTest, Zip64EndRecordRoundTrips) {
  TAbZipDirectoryFileFooter footer;
  footer.FTotalEntries = footer.FEntriesOnDisk = 70000;
  footer.FDirectorySize = 0x123456789;
  footer.FDirectoryOffset = 0x100000000;
  footer.FZipfileComment = "c";
  const int64_t at = 5;
  TStringStream stream(std::string(static_cast<size_t>(at), 'x') + footer.ToBytes(at));
  ASSERT_EQ(LocateDirectoryFooter(stream), static_cast<int64_t>(stream.Size()) - 23);
  TAbZipDirectoryFileFooter read;
  read.LoadFromStream(stream);
  EXPECT_EQ(read.FTotalEntries, 0xFFFFu);
  EXPECT_EQ(read.FDirectoryOffset, 0xFFFFFFFFu);
  EXPECT_EQ(read.FZipfileComment, "c");
  ASSERT_TRUE(read.IsZip64());
  stream.Seek(at + 56 + 8, SeekOrigin::soBeginning);  // the locator's offset field
  uint8_t offset[8];
  stream.ReadBuffer(offset, 8);
  EXPECT_EQ(offset[0], at);
  stream.Seek(at, SeekOrigin::soBeginning);
  read.LoadZip64FromStream(stream);
  EXPECT_EQ(read.FTotalEntries, 70000u);
  EXPECT_EQ(read.FEntriesOnDisk, 70000u);
  EXPECT_EQ(read.FDirectorySize, 0x123456789u);
  EXPECT_EQ(read.FDirectoryOffset, 0x100000000u);
}

// Operations that would give two members one name are reported, not done;
// refused confirmations change nothing.
TEST(ZipWriterTest, ConflictsAndRefusalsChangeNothing) {
  TMemoryStream held;
  TAbZipArchive archive(held, u"");
  InstallInsertHelpers(archive);
  AddStream(archive, "a.txt", "a");
  AddStream(archive, "b.txt", "b");
  // A stream add whose save fails leaves no item behind that a later save
  // could not read.
  archive.InsertFromStreamHelper = nullptr;
  EXPECT_THROW(AddStream(archive, "c.txt", "c"), EAbZipNoInsertion);
  EXPECT_EQ(archive.Count(), 2);
  InstallInsertHelpers(archive);

  struct Failure {
    TAbProcessType type;
    TAbErrorClass error_class;
    int code;
    bool operator==(const Failure&) const = default;
  };
  std::vector<Failure> failures;
  archive.OnProcessItemFailure = [&failures](TAbArchive&, TAbArchiveItem*, TAbProcessType type,
                                             TAbErrorClass error_class, int code) {
    failures.push_back({type, error_class, code});
  };
  auto item_named = [&archive](const char16_t* name) {
    auto item = archive.CreateItem(name);
    return item;
  };
  archive.Add(item_named(u"A.TXT"));
  archive.Move(archive.Items(1), u"a.txt");
  EXPECT_EQ(failures, (std::vector<Failure>{{TAbProcessType::ptAdd, TAbErrorClass::ecArchiveError, 7},
                                            {TAbProcessType::ptMove, TAbErrorClass::ecArchiveError, 7}}));
  EXPECT_EQ(archive.Count(), 2);
  EXPECT_EQ(archive.Items(1)->FileName(), u"b.txt");
  EXPECT_FALSE(archive.IsDirty());

  archive.SetStoreOptions(archive.StoreOptions() | soReplace);
  archive.Add(item_named(u"a.txt"));
  EXPECT_EQ(archive.Count(), 2);
  EXPECT_EQ(archive.Items(0)->Action(), TAbArchiveAction::aaReplace);

  archive.OnConfirmProcessItem = [](TAbArchive&, TAbArchiveItem*, TAbProcessType, bool& confirm) { confirm = false; };
  archive.DeleteFiles(u"*");
  archive.Move(archive.Items(1), u"c.txt");
  EXPECT_EQ(archive.Items(1)->Action(), TAbArchiveAction::aaNone);
  EXPECT_EQ(archive.Items(1)->FileName(), u"b.txt");
}

// Names in each of the three stored forms, and sizes and offsets that need
// 64 bits, written as directory records and read back.
TEST(ZipWriterTest, ItemWritePathRoundTrips) {
  struct NameCase {
    const char* name;
    uint8_t host;
    bool utf8_flag;
    bool unicode_path;
  } const names[] = {
      {"plain/name.txt", 0, false, false},
      {"caf\xC3\xA9.txt", 0, false, true},          // in code page 437
      {"\xE2\x82\xAC.txt", 11, false, true},         // only in the ANSI code page
      {"\xE6\x97\xA5\xE6\x9C\xAC.txt", 0, true, false},  // neither: UTF-8
  };
  for (const NameCase& c : names) {
    TAbZipItem item;
    item.SetFileName(FromUtf8(c.name));
    EXPECT_EQ(item.HostSystem(), c.host) << c.name;
    EXPECT_EQ(item.ItemInfo().IsUTF8(), c.utf8_flag) << c.name;
    EXPECT_EQ(item.ExtraField().Has(kInfoZipUnicodePathId), c.unicode_path) << c.name;
    TStringStream record;
    item.WriteDirectoryHeader(record);
    record.Seek(0, SeekOrigin::soBeginning);
    TAbZipItem read;
    read.LoadFromStream(record);
    EXPECT_EQ(ToUtf8(read.FileName()), c.name);
  }

  struct SizeCase {
    int64_t uncompressed, compressed, offset;
    size_t zip64_bytes;
    uint16_t version;
  } const sizes[] = {
      {100, 50, 10, 0, 20},
      {int64_t{5} << 30, 100, 10, 8, 45},
      {int64_t{5} << 30, int64_t{4} << 30, int64_t{6} << 30, 24, 45},
      {10, 10, 0xFFFFFFFF, 8, 45},
  };
  for (const SizeCase& c : sizes) {
    TAbZipItem item;
    item.SetFileName(u"big");
    item.SetCompressionMethod(8);
    item.SetUncompressedSize(c.uncompressed);
    item.SetCompressedSize(c.compressed);
    item.SetRelativeOffset(c.offset);
    auto zip64 = item.ExtraField().Get(kZip64ExtraId);
    EXPECT_EQ(zip64 ? zip64->size() : 0u, c.zip64_bytes) << c.uncompressed;
    EXPECT_EQ(item.VersionNeededToExtract(), c.version);
    TStringStream record;
    item.WriteDirectoryHeader(record);
    record.Seek(0, SeekOrigin::soBeginning);
    TAbZipItem read;
    read.LoadFromStream(record);
    EXPECT_EQ(read.UncompressedSize(), c.uncompressed);
    EXPECT_EQ(read.CompressedSize(), c.compressed);
    EXPECT_EQ(read.RelativeOffset(), c.offset);
    // Back to small values: the subfield goes, and the version with it.
    item.SetUncompressedSize(1);
    item.SetCompressedSize(1);
    item.SetRelativeOffset(1);
    EXPECT_FALSE(item.ExtraField().Has(kZip64ExtraId));
    EXPECT_EQ(item.VersionNeededToExtract(), 20);
  }
}

// A new archive with a spanning threshold is written as a split set: it
// reads back here and in 7z, and it is never rewritten. One that fits on
// one disk is a plain archive.
TEST(ZipWriterTest, SpanningThresholdWritesASplitSet) {
  if (!HaveOracles()) GTEST_SKIP() << "unzip, zip or python3 is not installed";
  TempDir dir;
  const std::filesystem::path path = dir / "split.zip";
  const Members expected = {{"words.txt", testing::Text(200000, 11)},
                            {"noise.bin", RandomBytes(150000, 12)},
                            {"small.txt", "small"}};
  {
    TAbZipArchive archive(FromUtf8(path.string()), FileMode::fmCreate);
    InstallInsertHelpers(archive);
    archive.SetSpanningThreshold(64 * 1024);
    archive.SetStoreOptions(archive.StoreOptions() | soStripPath);
    for (const auto& [name, content] : expected) {
      WriteFile(dir / "src" / name, content);
      archive.Add(archive.CreateItem(FromUtf8((dir / "src" / name).string())));
    }
    archive.Save();
    EXPECT_TRUE(archive.Spanned());
  }
  EXPECT_TRUE(std::filesystem::exists(dir / "split.z01"));
  EXPECT_TRUE(std::filesystem::exists(dir / "split.z02"));
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.is_regular_file()) EXPECT_LE(entry.file_size(), 64u * 1024) << entry.path();
  EXPECT_EQ(OurMembers(path), expected);
  // 7z reads split sets and checks every member's CRC (zip 3.0 cannot
  // even join the sets it makes itself when a member spans three disks).
  if (test_support::HaveTool("7z")) {
    std::string report;
    EXPECT_EQ(RunTool("7z t " + Quote(path.string()), &report), 0) << report;
    EXPECT_NE(report.find("Files: 3"), std::string::npos) << report;
  }

  {
    TAbZipArchive archive(FromUtf8(path.string()));
    archive.Load();
    const std::string last = ReadFile(path);
    archive.DeleteAt(0);
    EXPECT_THROW(archive.Save(), EAbZipSpanOverwrite);
    EXPECT_EQ(ReadFile(path), last);
  }

  const std::filesystem::path one = dir / "one.zip";
  {
    TAbZipArchive archive(FromUtf8(one.string()), FileMode::fmCreate);
    InstallInsertHelpers(archive);
    archive.SetSpanningThreshold(64 * 1024);
    AddStream(archive, "small.txt", "small");
    EXPECT_FALSE(archive.Spanned());
  }
  EXPECT_EQ(ReadFile(one).substr(0, 4), "PK00");
  EXPECT_TRUE(UnzipAccepts(one));
  EXPECT_EQ(OurMembers(one), (Members{{"small.txt", "small"}}));
}

}  // namespace zip_writer_test
}  // namespace vn::ooxml
