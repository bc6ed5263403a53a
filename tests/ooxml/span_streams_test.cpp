// Split archives: a set made by `zip -s 64k` opens by its name and every
// member extracts equal to the file that was zipped; a missing disk fails
// at once with the file error naming it; the span streams' image names,
// reading across disks and writing with a size limit.
#include "ooxml/span_streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "ooxml/unzipper.h"
#include "ooxml/zip_exceptions.h"
#include "support/prerequisites.h"
#include "zip_test_support.h"

namespace vn::ooxml {
namespace span_streams_test {

using testing::Quote;
using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFile;

TEST(SpanStreamsTest, ImageNames) {
  struct Case {
    const char16_t* archive;
    uint32_t image;
    const char16_t* expected;
  } const cases[] = {
      {u"/d/set.zip", 0, u"/d/set.z01"},  {u"/d/set.zip", 1, u"/d/set.z02"},  {u"/d/set.zip", 9, u"/d/set.z10"},
      {u"/d/set.zip", 99, u"/d/set.z100"}, {u"/d/set", 0, u"/d/set.01"},      {u"/d/set", 9, u"/d/set.10"},
      {u"/d.x/set", 1, u"/d.x/set.02"},   {u"/d/set.", 0, u"/d/set.01"},
  };
  for (const Case& c : cases) EXPECT_EQ(SpanImageName(c.archive, c.image), c.expected) << ToUtf8(c.archive);
}

// Three disks of 5, 3 and 4 bytes read as one stream.
TEST(SpanStreamsTest, ReadsOnAcrossDisksAndSeeksByDisk) {
  TempDir dir;
  WriteFile(dir / "s.z01", "01234");
  WriteFile(dir / "s.z02", "567");
  WriteFile(dir / "s.zip", "89ab");
  const String name = FromUtf8((dir / "s.zip").string());
  TAbSpanReadStream span(name, std::make_unique<TFileStream>(dir / "s.zip", FileMode::fmOpenRead), 2);
  std::vector<int> asked;
  span.OnRequestImage = [&asked](int image, String&, bool&) { asked.push_back(image); };
  span.SeekImage(0, 2);
  char buffer[16] = {};
  EXPECT_EQ(span.Read(buffer, 8), 8);
  EXPECT_EQ(std::string(buffer, 8), "234567" "89");
  EXPECT_EQ(span.CurrentImage(), 2u);
  EXPECT_EQ(span.Read(buffer, 8), 2);  // the end of the last disk
  EXPECT_EQ(std::string(buffer, 2), "ab");
  EXPECT_EQ(asked, (std::vector<int>{1, 2}));
  span.SeekImage(1, 1);
  EXPECT_EQ(span.Position(), 1);
  EXPECT_EQ(span.Read(buffer, 2), 2);
  EXPECT_EQ(std::string(buffer, 2), "67");
  EXPECT_THROW(span.Seek(0, SeekOrigin::soBeginning), EAbException);
  EXPECT_THROW(span.Write("x", 1), EAbException);
}

// Files of a few kinds in folders, zipped by `zip -s 64k` into a set of
// several disks.
struct SplitSet {
  TempDir dir;
  std::map<std::string, std::string> files;  // stored name -> content
  std::filesystem::path archive;

  void Make() {
    files["src/random.bin"] = testing::Text(1, 0);
    std::mt19937 rng(5);
    std::string random(150000, '\0');
    for (char& c : random) c = static_cast<char>(rng());
    files["src/random.bin"] = random;
    files["src/sub/words.txt"] = testing::Text(300000, 9);
    files["src/small.txt"] = "small\n";
    files["src/empty.txt"] = "";
    for (const auto& [name, content] : files) WriteFile(dir / name, content);
    archive = dir / "set.zip";
    ASSERT_EQ(RunTool("cd " + Quote(dir.path().string()) + " && zip -q -s 64k -r set.zip src"), 0);
  }
};

TEST(SplitArchiveTest, OpensByNameAndEveryMemberExtractsEqual) {
  if (!test_support::HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
  SplitSet set;
  set.Make();
  ASSERT_TRUE(std::filesystem::exists(set.dir / "set.z02")) << "the set should span several disks";

  TAbUnZipper z;
  int failures = 0;
  z.OnProcessItemFailure = [&failures](TAbBaseBrowser&, TAbArchiveItem*, TAbProcessType, TAbErrorClass, int) {
    ++failures;
  };
  z.SetFileName(FromUtf8(set.archive.string()));
  EXPECT_EQ(z.ArchiveType(), TAbArchiveType::atSpannedZip);
  EXPECT_TRUE(z.ZipArchive()->Spanned());
  std::map<std::string, std::string> extracted;
  for (int i = 0; i < z.Count(); ++i) {
    TAbZipItem* item = z.GetItem(i);
    if (item->IsDirectory()) continue;
    TMemoryStream out;
    EXPECT_TRUE(z.ExtractToStream(item->FileName(), out)) << ToUtf8(item->FileName());
    extracted[ToUtf8(item->FileName())] = std::string(out.View());
  }
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(extracted, set.files);

  // Testing reads every member across the disks too.
  z.TagItems(u"*");
  EXPECT_NO_THROW(z.TestTaggedItems());
}

TEST(SplitArchiveTest, MissingDiskFailsAtOnceWithTheFileError) {
  if (!test_support::HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
  SplitSet set;
  set.Make();
  std::filesystem::remove(set.dir / "set.z01");

  TAbUnZipper z;
  std::vector<TAbErrorClass> failures;
  z.OnProcessItemFailure = [&failures](TAbBaseBrowser&, TAbArchiveItem*, TAbProcessType, TAbErrorClass error_class,
                                       int) { failures.push_back(error_class); };
  z.SetFileName(FromUtf8(set.archive.string()));
  // The first member lies on the missing disk.
  TMemoryStream out;
  EXPECT_FALSE(z.ExtractToStream(z.GetItem(0)->FileName(), out));
  EXPECT_EQ(failures, std::vector<TAbErrorClass>{TAbErrorClass::ecFileOpenError});

  // Straight from the archive, the error names the missing file.
  try {
    TAbZipArchive archive(FromUtf8(set.archive.string()));
    archive.Load();
    archive.PositionAt(0, 4);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_NE(ToUtf8(e.Message()).find("set.z01"), std::string::npos) << ToUtf8(e.Message());
  }
}

TEST(SplitArchiveTest, SetGivenAsStreamIsRefused) {
  if (!test_support::HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
  SplitSet set;
  set.Make();
  TMemoryStream last;
  last.LoadFromFile(set.archive);
  TAbUnZipper z;
  EXPECT_THROW(z.SetStream(&last), EAbZipBadSpanStream);
}

TEST(SpanStreamsTest, WriteWithThresholdNamesDisksInOrder) {
  TempDir dir;
  const std::filesystem::path archive = dir / "w.zip";
  const String name = FromUtf8(archive.string());
  {
    TAbSpanWriteStream span(name, 10, std::make_unique<TFileStream>(archive, FileMode::fmCreate));
    EXPECT_EQ(span.Write("0123456789abcdef", 16), 16);
    EXPECT_EQ(span.CurrentImage(), 1u);
    // A record that does not fit in the 4 bytes left goes whole to the
    // next disk.
    EXPECT_TRUE(span.WriteUnspanned("RECORD", 6, false));
    EXPECT_EQ(span.CurrentImage(), 2u);
    // With fail_on_span nothing is written, on a new disk.
    EXPECT_FALSE(span.WriteUnspanned("TOO-LONG-HERE", 13, true));
    EXPECT_EQ(span.CurrentImage(), 3u);
    // A record larger than a disk stays whole on a fresh disk.
    EXPECT_TRUE(span.WriteUnspanned("TOO-LONG-HERE", 13, false));
    EXPECT_EQ(span.Position(), 13);
    EXPECT_THROW(span.Seek(1, SeekOrigin::soBeginning), EAbException);
    char c;
    EXPECT_THROW(span.Read(&c, 1), EAbException);
  }
  EXPECT_EQ(ReadFile(dir / "w.z01"), "0123456789");
  EXPECT_EQ(ReadFile(dir / "w.z02"), "abcdef");
  EXPECT_EQ(ReadFile(dir / "w.z03"), "RECORD");
  EXPECT_EQ(ReadFile(dir / "w.zip"), "TOO-LONG-HERE");
}

TEST(SpanStreamsTest, WriteWithoutThresholdNeedsABlankDiskHandler) {
  TempDir dir;
  const std::filesystem::path archive = dir / "w.zip";
  TAbSpanWriteStream span(FromUtf8(archive.string()), 0, std::make_unique<TFileStream>(archive, FileMode::fmCreate));
  EXPECT_TRUE(span.WriteUnspanned("abc", 3, false));
  // A disk that takes no more would need a new blank disk: without a
  // handler the write aborts instead of waiting.
  struct Full : TStream {
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t, SeekOrigin) override { return 0; }
  };
  TAbSpanWriteStream full(FromUtf8((dir / "f.zip").string()), 0, std::make_unique<Full>());
  EXPECT_THROW(full.WriteUnspanned("abc", 3, false), EAbUserAbort);
}

}  // namespace span_streams_test
}  // namespace vn::ooxml
