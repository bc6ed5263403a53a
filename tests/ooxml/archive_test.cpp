// The archive model: name lookup through the hashed list, extraction to
// streams and files with its events, names that try to leave the target
// folder, masks and tags, the base directory, loading and the log.
#include "ooxml/archive.h"

#include <gtest/gtest.h>

#include "ooxml/zip_archive.h"
#include "ooxml/zip_extract.h"
#include "ooxml/zip_utils.h"
#include "zip_test_support.h"

namespace vn::ooxml::archive_test {
namespace {

using testing::TempDir;
using testing::ZipBuilder;
using testing::ZipEntry;

struct Failure {
  String name;
  TAbProcessType type;
  TAbErrorClass error_class;
  int code;
};

// An archive over built bytes, with the member extraction installed and
// every failure recorded.
class Fixture {
 public:
  explicit Fixture(const ZipBuilder& builder) : stream(builder.Build()), archive(stream, u"test.zip") {
    archive.ExtractToStreamHelper = ExtractItemToStream;
    archive.ExtractHelper = ExtractItemToFile;
    archive.TestHelper = TestItem;
    archive.OnProcessItemFailure = [this](TAbArchive&, TAbArchiveItem* item, TAbProcessType type,
                                          TAbErrorClass error_class, int code) {
      failures.push_back({item->FileName(), type, error_class, code});
    };
    archive.Load();
  }
  TStringStream stream;
  TAbZipArchive archive;
  std::vector<Failure> failures;
};

ZipBuilder Members(std::initializer_list<std::pair<const char*, const char*>> members) {
  ZipBuilder b;
  for (auto [name, data] : members) b.entries.push_back(ZipEntry{.name = name, .data = data, .method = 8});
  return b;
}

TEST(ArchiveList, FindsByNameIgnoringAsciiCaseLastAddedFirst) {
  Fixture f(Members({{"Word/Document.xml", "first"}, {"word/document.XML", "second"}, {"\xC3\x84.txt", "A umlaut"},
                     {"\xC3\xA4.txt", "a umlaut"}, {"dir\\file", "back"}}));
  EXPECT_EQ(f.archive.FindFile(u"WORD/DOCUMENT.XML"), 1);
  EXPECT_EQ(f.archive.FindFile(u"\u00c4.txt"), 2);
  EXPECT_EQ(f.archive.FindFile(u"\u00e4.txt"), 3);  // same bucket, not equal beyond ASCII
  EXPECT_EQ(TAbArchiveList::Bucket(u"\u00c4.txt"), TAbArchiveList::Bucket(u"\u00e4.txt"));
  EXPECT_EQ(f.archive.FindFile(u"dir\\file"), 4);
  EXPECT_EQ(f.archive.FindFile(u"dir/file"), -1);
  EXPECT_EQ(f.archive.FindFile(u"missing"), -1);
  EXPECT_EQ(f.archive.FindItem(f.archive.Items(0)), 1);
  TMemoryStream out;
  EXPECT_TRUE(f.archive.ExtractToStream(u"word/document.xml", out));
  EXPECT_EQ(out.View(), "second");
}

TEST(ArchiveList, DeleteAndRehashKeepChainsConsistent) {
  struct Item : TAbArchiveItem {
    explicit Item(const char16_t* name) { FFileName = name; }
    void Rename(const char16_t* name) { FFileName = name; }
  };
  TAbArchiveList list;
  auto* a = new Item(u"a");
  auto* b = new Item(u"b");
  auto* c = new Item(u"c");
  list.Add(a);
  list.Add(b);
  list.Add(c);
  list.Delete(1);
  EXPECT_EQ(list.Find(u"b"), -1);
  EXPECT_EQ(list.Find(u"c"), 1);
  c->Rename(u"renamed");
  list.RehashItem(c, u"c");
  EXPECT_EQ(list.Find(u"c"), -1);
  EXPECT_EQ(list.Find(u"RENAMED"), 1);
  EXPECT_TRUE(list.IsActiveDupe(u"A"));
  a->SetAction(TAbArchiveAction::aaDelete);
  EXPECT_FALSE(list.IsActiveDupe(u"a"));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Find(u"a"), -1);
}

TEST(ArchiveExtraction, ToStreamReportsOutcomes) {
  ZipBuilder b = Members({{"good.txt", "good data"}});
  b.entries.push_back(ZipEntry{.name = "bad-crc.txt", .data = "damaged data", .method = 8, .crc = 0x12345678});
  b.entries.push_back(ZipEntry{.name = "method7", .data = "x", .method = 7});
  b.entries.push_back(ZipEntry{.name = "empty-odd", .data = "", .method = 7, .crc = 1});
  Fixture f(b);
  TMemoryStream out;
  out.WriteString("keep");
  // A name that is not there writes nothing, raises nothing.
  EXPECT_FALSE(f.archive.ExtractToStream(u"absent.txt", out));
  EXPECT_EQ(out.View(), "keep");
  EXPECT_TRUE(f.archive.ExtractToStream(u"good.txt", out));
  EXPECT_EQ(out.View(), "keepgood data");
  EXPECT_TRUE(f.failures.empty());

  TMemoryStream damaged;
  EXPECT_FALSE(f.archive.ExtractToStream(u"bad-crc.txt", damaged));
  EXPECT_EQ(damaged.View(), "damaged data");  // what was written stays
  TMemoryStream unsupported;
  EXPECT_FALSE(f.archive.ExtractToStream(u"method7", unsupported));
  // An empty item is not checked at all.
  TMemoryStream empty;
  EXPECT_TRUE(f.archive.ExtractToStream(u"empty-odd", empty));
  ASSERT_EQ(f.failures.size(), 2u);
  EXPECT_EQ(f.failures[0].name, u"bad-crc.txt");
  EXPECT_EQ(f.failures[0].type, TAbProcessType::ptExtract);
  EXPECT_EQ(f.failures[0].error_class, TAbErrorClass::ecArchiveError);
  EXPECT_EQ(f.failures[0].code, 19);
  EXPECT_EQ(f.failures[1].code, 2);

  // A refused confirmation extracts nothing.
  f.archive.OnConfirmProcessItem = [](TAbArchive&, TAbArchiveItem*, TAbProcessType, bool& confirm) { confirm = false; };
  TMemoryStream refused;
  EXPECT_FALSE(f.archive.ExtractToStream(u"good.txt", refused));
  EXPECT_EQ(refused.Size(), 0);
}

TEST(ArchiveExtraction, ToFilesStayInsideTheBaseDirectory) {
  ZipBuilder b = Members({{"../../escape.txt", "1"},
                          {"/etc/absolute.txt", "2"},
                          {"a/./b/../c.txt", "3"},
                          {"..\\..\\back.txt", "4"},
                          {"plain.txt", "5"},
                          {"../", ""}});
  b.entries.push_back(ZipEntry{.name = "dir/", .external_attributes = 0x10});
  TempDir dir;
  const auto base = dir / "out";
  std::filesystem::create_directory(base);
  Fixture f(b);
  f.archive.SetBaseDirectory(FromUtf8(base.string()) + u"/");
  EXPECT_EQ(f.archive.BaseDirectory(), FromUtf8(base.string()));
  f.archive.SetExtractOptions(eoCreateDirs | eoRestorePath);
  f.archive.ExtractFiles(u"*");
  EXPECT_TRUE(f.failures.empty());
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
    found.push_back(std::filesystem::relative(e.path(), dir.path()).string());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"out", "out/a", "out/a/b", "out/a/b/c.txt", "out/back.txt", "out/dir",
                                             "out/escape.txt", "out/etc", "out/etc/absolute.txt", "out/plain.txt"}));
  EXPECT_EQ(testing::ReadFile(base / "a/b/c.txt"), "3");

  // Without eoRestorePath only the last part of a name is kept.
  TempDir flat;
  f.archive.SetBaseDirectory(FromUtf8(flat.path().string()));
  f.archive.SetExtractOptions(eoCreateDirs);
  EXPECT_TRUE(f.archive.ExtractAt(2, u""));
  EXPECT_EQ(testing::ReadFile(flat / "c.txt"), "3");
  // A directory item needs both options.
  EXPECT_FALSE(f.archive.ExtractAt(6, u""));
  EXPECT_FALSE(std::filesystem::exists(flat / "dir"));
}

TEST(ArchiveExtraction, ToFilesKeepTimesAndNeverLeavePartialFiles) {
  ZipBuilder b = Members({{"ok.txt", "fine"}});
  b.entries.push_back(ZipEntry{.name = "bad.txt", .data = std::string(100000, 'z'), .method = 8, .crc = 7});
  b.entries.push_back(ZipEntry{.name = "ro.txt", .data = "read only", .external_attributes = 0x01});
  b.entries.push_back(ZipEntry{.name = "nodate.txt", .data = "no date", .date = 0});
  TempDir dir;
  Fixture f(b);
  f.archive.SetBaseDirectory(FromUtf8(dir.path().string()));
  testing::WriteFile(dir / "bad.txt", "an earlier good file");
  std::vector<String> overwrites;
  f.archive.OnConfirmOverwrite = [&overwrites](String& name, bool& confirm) {
    overwrites.push_back(name);
    confirm = true;
  };
  f.archive.ExtractFiles(u"*.*");
  EXPECT_EQ(testing::ReadFile(dir / "ok.txt"), "fine");
  EXPECT_EQ(testing::ReadFile(dir / "bad.txt"), "an earlier good file");
  EXPECT_EQ(overwrites, (std::vector<String>{FromUtf8((dir / "bad.txt").string())}));
  ASSERT_EQ(f.failures.size(), 1u);
  EXPECT_EQ(f.failures[0].code, 19);
  TAbAttrExRec info;
  ASSERT_TRUE(GetFileAttrEx(dir / "ok.txt", info));
  EXPECT_DOUBLE_EQ(info.Time, EncodeDateTime(2025, 1, 1, 12, 0, 0, 0));
  ASSERT_TRUE(GetFileAttrEx(dir / "ro.txt", info));
  EXPECT_EQ(info.Attr & kDosReadOnly, kDosReadOnly);
  EXPECT_EQ(testing::ReadFile(dir / "nodate.txt"), "no date");
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 4u) << "a partial file was left behind";

  // A refused overwrite leaves the file alone.
  f.archive.OnConfirmOverwrite = [](String&, bool& confirm) { confirm = false; };
  testing::WriteFile(dir / "ok.txt", "mine");
  EXPECT_FALSE(f.archive.ExtractAt(0, u""));
  EXPECT_EQ(testing::ReadFile(dir / "ok.txt"), "mine");
  // A missing folder without eoCreateDirs is an error of its own.
  f.archive.SetExtractOptions(0);
  EXPECT_THROW(f.archive.ExtractAt(0, FromUtf8((dir / "no/such/folder/x").string())), EAbNoSuchDirectory);
}

TEST(ArchiveExtraction, MasksTagsAndProgress) {
  Fixture f(Members({{"word/document.xml", "d"}, {"word/styles.xml", "s"}, {"media/image1.png", "p"},
                     {"[Content_Types].xml", "c"}}));
  f.archive.TagItems(u"word/*.xml ; *.png");
  std::vector<bool> tagged;
  for (int i = 0; i < f.archive.Count(); ++i) tagged.push_back(f.archive.Items(i)->Tagged());
  EXPECT_EQ(tagged, (std::vector<bool>{true, true, true, false}));
  f.archive.UnTagItems(u"*styles*");
  EXPECT_FALSE(f.archive.Items(1)->Tagged());
  EXPECT_TRUE(f.archive.Items(0)->MatchesStoredNameEx(u"x;WORD/DOC*"));
  EXPECT_FALSE(f.archive.Items(0)->MatchesStoredNameEx(u""));

  TempDir dir;
  f.archive.SetBaseDirectory(FromUtf8(dir.path().string()));
  f.archive.SetExtractOptions(eoCreateDirs | eoRestorePath);
  std::vector<int> progress;
  f.archive.OnArchiveProgress = [&progress](TAbArchive&, uint8_t p, bool&) { progress.push_back(p); };
  f.archive.ExtractTaggedItems();
  EXPECT_TRUE(std::filesystem::exists(dir / "word/document.xml"));
  EXPECT_TRUE(std::filesystem::exists(dir / "media/image1.png"));
  EXPECT_FALSE(std::filesystem::exists(dir / "word/styles.xml"));
  EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100, 100}));

  f.archive.ExtractFilesEx(u"*.xml", u"word/*");
  EXPECT_TRUE(std::filesystem::exists(dir / "[Content_Types].xml"));
  EXPECT_FALSE(std::filesystem::exists(dir / "word/styles.xml"));

  f.archive.OnArchiveProgress = [](TAbArchive&, uint8_t, bool& abort) { abort = true; };
  EXPECT_THROW(f.archive.ExtractFiles(u"*"), EAbUserAbort);
  f.archive.ClearTags();
  EXPECT_FALSE(f.archive.Items(0)->Tagged());
}

TEST(ArchiveExtraction, TestTaggedItemsReportsBadChecks) {
  ZipBuilder b = Members({{"fine.txt", "fine"}});
  b.entries.push_back(ZipEntry{.name = "bad.txt", .data = "bad", .crc = 3});
  Fixture f(b);
  f.archive.TagItems(u"*");
  f.archive.TestTaggedItems();
  ASSERT_EQ(f.failures.size(), 1u);
  EXPECT_EQ(f.failures[0].name, u"bad.txt");
  EXPECT_EQ(f.failures[0].code, 19);
  f.archive.OnProcessItemFailure = nullptr;
  EXPECT_THROW(f.archive.TestTaggedItems(), EAbZipBadCRC);
}

TEST(ArchiveModel, LoadingEventsStatusAndSettings) {
  int loads = 0;
  TStringStream garbage(std::string(100, 'x'));
  TAbZipArchive invalid(garbage, u"");
  invalid.OnLoad = [&loads](TAbArchive&) { ++loads; };
  EXPECT_THROW(invalid.Load(), EAbZipInvalid);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(invalid.Status(), TAbArchiveStatus::asInvalid);
  TMemoryStream out;
  EXPECT_THROW(invalid.ExtractToStream(u"x", out), EAbNoArchive);
  EXPECT_THROW(invalid.TagItems(u"*"), EAbNoArchive);

  TStringStream empty;
  TAbZipArchive none(empty, u"");
  none.Load();
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(none.Status(), TAbArchiveStatus::asIdle);

  // Aborting the directory load leaves the items read so far.
  ZipBuilder b = Members({{"1", "a"}, {"2", "b"}, {"3", "c"}});
  TStringStream s(b.Build());
  TAbZipArchive aborted(s, u"");
  aborted.OnArchiveProgress = [](TAbArchive&, uint8_t p, bool& abort) { abort = p > 50; };
  EXPECT_THROW(aborted.Load(), EAbUserAbort);
  EXPECT_EQ(aborted.Count(), 2);
  EXPECT_EQ(aborted.Status(), TAbArchiveStatus::asInvalid);

  EXPECT_THROW(none.SetBaseDirectory(u"/no/such/folder"), EAbNoSuchDirectory);
  none.SetBaseDirectory(u"/");
  EXPECT_EQ(none.BaseDirectory(), u"/");
  none.SetBaseDirectory(u"");
  EXPECT_EQ(none.BaseDirectory(), u"");
  EXPECT_EQ(none.StoreOptions() & soStripDrive, soStripDrive);
}

TEST(ArchiveModel, LogRecordsConfirmedItems) {
  TempDir dir;
  Fixture f(Members({{"a.txt", "a"}}));
  f.archive.SetLogFile(FromUtf8((dir / "zip.log").string()));
  f.archive.SetLogging(true);
  TMemoryStream out;
  f.archive.ExtractToStream(u"a.txt", out);
  f.archive.SetLogging(false);
  const std::string log = testing::ReadFile(dir / "zip.log");
  std::u16string text;
  for (size_t i = 0; i + 1 < log.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(log[i]) | static_cast<uint8_t>(log[i + 1]) << 8));
  EXPECT_EQ(text.rfind(u"test.zip logging ", 0), 0u) << ToUtf8(text);
  EXPECT_NE(text.find(u"\r\na.txt extracted "), std::u16string::npos) << ToUtf8(text);
  f.archive.SetLogFile(FromUtf8((dir / "no/folder/zip.log").string()));
  EXPECT_THROW(f.archive.SetLogging(true), EAbException);
}

}  // namespace
}  // namespace vn::ooxml::archive_test
