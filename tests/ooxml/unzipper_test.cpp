// The unzipper component: opening from streams and files, refusing what is
// not a zip archive, name lookup, extraction into streams with failures
// reported and returned, and the properties it hands to the archive.
#include "ooxml/unzipper.h"

#include <gtest/gtest.h>

#include "zip_test_support.h"

namespace vn::ooxml::unzipper_test {
namespace {

using testing::TempDir;
using testing::ZipBuilder;
using testing::ZipEntry;

ZipBuilder Package() {
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "[Content_Types].xml", .data = "<Types/>", .method = 8});
  b.entries.push_back(ZipEntry{.name = "word/document.xml", .data = "<w:document/>", .method = 8});
  b.entries.push_back(ZipEntry{.name = "word/damaged.xml", .data = "<w:styles/>", .method = 8, .crc = 99});
  b.comment = "caf\xE9";
  return b;
}

class Meter : public IAbProgressMeter {
 public:
  void DoProgress(uint8_t progress) override { last = progress; }
  void Reset() override { ++resets; }
  int last = -1;
  int resets = 0;
};

TEST(Unzipper, WithoutAnArchive) {
  TAbUnZipper z;
  EXPECT_EQ(z.Count(), 0);
  EXPECT_EQ(z.Status(), TAbArchiveStatus::asInvalid);
  EXPECT_EQ(z.FindFile(u"x"), -1);
  EXPECT_EQ(z.Stream(), nullptr);
  TMemoryStream out;
  EXPECT_THROW(z.ExtractToStream(u"x", out), EAbNoArchive);
  EXPECT_THROW(z.ExtractFiles(u"*"), EAbNoArchive);
  EXPECT_THROW(z.TagItems(u"*"), EAbNoArchive);
  EXPECT_EQ(z.ExtractOptions(), eoCreateDirs);
  EXPECT_EQ(z.PasswordRetries(), 3);
  EXPECT_EQ(z.Version(), u"5.0");
  EXPECT_FALSE(z.TarAutoHandle());
  EXPECT_EQ(z.ZipfileComment(), u"");
}

TEST(Unzipper, RefusesWhatIsNotAZipArchive) {
  ZipBuilder spanned = Package();
  std::string multi_disk = spanned.Build();
  multi_disk[multi_disk.size() - 4 - 22 + 4] = 1;  // "this disk" 1 (before the 4-byte comment)
  struct Case {
    const char* name;
    std::string bytes;
    bool unhandled;
  } cases[] = {{"empty", "", true}, {"text", "just some text", true}, {"multi-disk", multi_disk, false}};
  for (const Case& c : cases) {
    TAbUnZipper z;
    TStringStream s(c.bytes);
    if (c.unhandled)
      EXPECT_THROW(z.SetStream(&s), EAbUnhandledType) << c.name;
    else
      EXPECT_THROW(z.SetStream(&s), EAbZipBadSpanStream) << c.name;
    EXPECT_EQ(z.FindFile(u"word/document.xml"), -1) << c.name;
    TMemoryStream out;
    if (c.unhandled) EXPECT_THROW(z.ExtractToStream(u"word/document.xml", out), EAbNoArchive) << c.name;
  }
  // A forced type other than zip is refused too.
  TAbUnZipper forced;
  forced.ForceType = true;
  forced.SetArchiveType(TAbArchiveType::atTar);
  TStringStream s(Package().Build());
  EXPECT_THROW(forced.SetStream(&s), EAbUnhandledType);
}

TEST(Unzipper, ExtractsPartsByNameFromAStream) {
  TStringStream s(Package().Build());
  TAbUnZipper z;
  int loads = 0, changes = 0;
  z.OnLoad = [&loads](TAbBaseBrowser&) { ++loads; };
  z.OnChange = [&changes](TAbBaseBrowser&) { ++changes; };
  std::vector<int> failures;
  z.OnProcessItemFailure = [&failures](TAbBaseBrowser&, TAbArchiveItem*, TAbProcessType, TAbErrorClass c, int code) {
    EXPECT_EQ(c, TAbErrorClass::ecArchiveError);
    failures.push_back(code);
  };
  z.SetStream(&s);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(z.ArchiveType(), TAbArchiveType::atZip);
  EXPECT_EQ(z.Count(), 3);
  EXPECT_EQ(z.Stream(), &s);
  EXPECT_EQ(z.ZipfileComment(), u"caf\u00e9");
  EXPECT_EQ(z.FindFile(u"WORD/Document.XML"), 1);
  EXPECT_EQ(z.FindFile(u"word\\document.xml"), -1);
  EXPECT_EQ(z.GetItem(1)->FileName(), u"word/document.xml");

  TMemoryStream doc;
  EXPECT_TRUE(z.ExtractToStream(u"word/document.xml", doc));
  EXPECT_EQ(doc.View(), "<w:document/>");
  TMemoryStream untouched;
  untouched.WriteString("before");
  EXPECT_FALSE(z.ExtractToStream(u"word/missing.xml", untouched));
  EXPECT_EQ(untouched.View(), "before");
  TMemoryStream damaged;
  EXPECT_FALSE(z.ExtractToStream(u"word/damaged.xml", damaged));
  EXPECT_EQ(damaged.View(), "<w:styles/>");
  EXPECT_EQ(failures, std::vector<int>{19});

  // A second unzipper over the first one's stream, as the package layer
  // opens one per part.
  TAbUnZipper second;
  second.SetStream(z.Stream());
  TMemoryStream types;
  EXPECT_TRUE(second.ExtractToStream(u"[Content_Types].xml", types));
  EXPECT_EQ(types.View(), "<Types/>");
  TMemoryStream again;
  EXPECT_TRUE(z.ExtractToStream(u"word/document.xml", again));
  EXPECT_EQ(again.View(), "<w:document/>");

  // Setting the stream again reloads; setting none closes.
  z.SetStream(&s);
  EXPECT_EQ(loads, 2);
  EXPECT_EQ(z.Count(), 3);
  z.SetStream(nullptr);
  EXPECT_EQ(z.Count(), 0);
  EXPECT_EQ(z.Status(), TAbArchiveStatus::asInvalid);
}

TEST(Unzipper, OpensSelfExtractingStubs) {
  ZipBuilder b = Package();
  b.prefix = "MZ" + std::string(1000, '\x90');
  TStringStream s(b.Build());
  TAbUnZipper z;
  z.SetStream(&s);
  EXPECT_EQ(z.ArchiveType(), TAbArchiveType::atSelfExtZip);
  EXPECT_TRUE(z.ZipArchive()->IsExecutable());
  EXPECT_EQ(z.ZipArchive()->StubSize(), 1002u);
  TMemoryStream doc;
  EXPECT_TRUE(z.ExtractToStream(u"word/document.xml", doc));
  EXPECT_EQ(doc.View(), "<w:document/>");
}

TEST(Unzipper, PasswordsReachTheArchive) {
  ZipBuilder b;
  const uint32_t crc = testing::ZlibCrc("secret part");
  b.entries.push_back(ZipEntry{.name = "p", .data = "secret part",
                               .compressed = testing::ZipEncrypt("secret part", "pw", static_cast<uint8_t>(crc >> 24)), .flags = 1});
  const std::string zip = b.Build();
  TStringStream s(zip);
  TAbUnZipper before;
  before.SetPassword(u"pw");
  before.SetStream(&s);
  TMemoryStream out;
  EXPECT_TRUE(before.ExtractToStream(u"p", out));
  EXPECT_EQ(out.View(), "secret part");

  TAbUnZipper after;
  after.SetStream(&s);
  TMemoryStream refused;
  EXPECT_FALSE(after.ExtractToStream(u"p", refused));
  after.SetPassword(u"pw");
  after.SetPasswordRetries(1);
  EXPECT_EQ(after.ZipArchive()->PasswordRetries(), 1);
  TMemoryStream opened;
  EXPECT_TRUE(after.ExtractToStream(u"p", opened));
  EXPECT_EQ(opened.View(), "secret part");
}

TEST(Unzipper, FilesEventsAndSettings) {
  TempDir dir;
  testing::WriteFile(dir / "package.docx", Package().Build());
  testing::WriteFile(dir / "empty.zip", "");
  TAbUnZipper z;
  EXPECT_THROW(z.SetFileName(FromUtf8((dir / "missing.zip").string())), EAbFileNotFound);
  EXPECT_THROW(z.SetFileName(FromUtf8((dir / "empty.zip").string())), EAbBadStream);

  Meter archive_meter, item_meter;
  z.ArchiveProgressMeter = &archive_meter;
  z.ItemProgressMeter = &item_meter;
  std::vector<String> confirmed;
  z.OnConfirmProcessItem = [&confirmed](TAbBaseBrowser&, TAbArchiveItem* item, TAbProcessType, bool& confirm) {
    confirmed.push_back(item->FileName());
    confirm = item->FileName() != u"[Content_Types].xml";
  };
  const auto out = dir / "out";
  std::filesystem::create_directory(out);
  z.SetBaseDirectory(FromUtf8(out.string()));
  z.SetLogFile(FromUtf8((dir / "unzip.log").string()));
  EXPECT_TRUE(z.Logging());
  z.OpenArchive(FromUtf8((dir / "package.docx").string()));
  EXPECT_EQ(z.ArchiveType(), TAbArchiveType::atZip);
  EXPECT_EQ(archive_meter.last, 100);
  EXPECT_GE(archive_meter.resets, 1);
  z.SetExtractOptions(eoCreateDirs | eoRestorePath);
  z.ExtractFiles(u"*");
  EXPECT_EQ(confirmed.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(out / "[Content_Types].xml"));
  EXPECT_EQ(testing::ReadFile(out / "word/document.xml"), "<w:document/>");
  EXPECT_FALSE(std::filesystem::exists(out / "word/damaged.xml"));
  EXPECT_EQ(item_meter.last, 100);
  EXPECT_GT(std::filesystem::file_size(dir / "unzip.log"), 0u);

  EXPECT_THROW(z.SetBaseDirectory(u"/no/such/folder"), EAbNoSuchDirectory);
  z.CloseArchive();
  EXPECT_EQ(z.Count(), 0);
  EXPECT_EQ(z.FileName(), u"");
}

}  // namespace
}  // namespace vn::ooxml::unzipper_test
