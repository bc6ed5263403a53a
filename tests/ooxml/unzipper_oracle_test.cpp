// Our listing and extraction against Info-ZIP unzip: archives made by zip,
// 7z and our builder (a 64 KiB comment, an end record inside the comment,
// Zip64, UTF-8, OEM and ANSI names, a Unicode path field, a stub,
// encryption with and without data descriptors, Deflate64), and the DOCX
// packages of the corpus. Names must equal `unzip -Z1`, and the members'
// bytes in order must equal `unzip -p`.
#include <gtest/gtest.h>

#include <random>

#include "ooxml/unzipper.h"
#include "ooxml/zip_item.h"
#include "ooxml/zip_utils.h"
#include "support/paths.h"
#include "zip_test_support.h"

namespace vn::ooxml::unzipper_oracle_test {
namespace {

using namespace vn::ooxml::testing;

// unzip prints UTF-8 names as they are and the others in Latin-1.
String DecodeUnzipLine(const std::string& line) {
  if (DetectNameCharSet(line) != 1) return FromUtf8(line);
  String out;
  for (char c : line) out.push_back(static_cast<uint8_t>(c));
  return out;
}

std::vector<String> UnzipNames(const std::string& listing) {
  std::vector<String> names;
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string::npos) end = listing.size();
    names.push_back(DecodeUnzipLine(listing.substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

struct Ours {
  std::vector<String> names;
  std::string contents;  // every file member's bytes, in directory order
  int failures = 0;
};

Ours ReadWithUs(const std::filesystem::path& archive, const std::string& password = "") {
  Ours ours;
  TAbUnZipper z;
  z.SetPassword(FromUtf8(password));
  z.OnProcessItemFailure = [&ours](TAbBaseBrowser&, TAbArchiveItem*, TAbProcessType, TAbErrorClass, int) {
    ++ours.failures;
  };
  z.SetFileName(FromUtf8(archive.string()));
  for (int i = 0; i < z.Count(); ++i) {
    TAbZipItem* item = z.GetItem(i);
    ours.names.push_back(item->FileName());
    if (item->IsDirectory()) continue;
    TMemoryStream out;
    z.ZipArchive()->ExtractToStream(item->FileName(), out);
    ours.contents += out.View();
  }
  return ours;
}

void ExpectSameAsUnzip(const std::filesystem::path& archive, const std::string& password = "") {
  SCOPED_TRACE(archive.filename().string());
  std::string listing, contents;
  ASSERT_LE(RunTool("unzip -Z1 " + Quote(archive.string()), &listing), 1);
  ASSERT_LE(RunTool("unzip -p " + (password.empty() ? "" : "-P " + Quote(password) + " ") + Quote(archive.string()),
                    &contents),
            1);
  Ours ours = ReadWithUs(archive, password);
  EXPECT_EQ(ours.failures, 0);
  EXPECT_EQ(ours.names, UnzipNames(listing));
  EXPECT_TRUE(ours.contents == contents) << ours.contents.size() << " bytes against " << contents.size();
}

std::string RandomText(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) s += std::to_string(rng() % 100000) + (rng() % 7 ? " " : "\n");
  s.resize(size);
  return s;
}

class UnzipOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("unzip") || !HaveTool("zip")) {
      if (std::getenv("CI")) FAIL() << "zip and unzip are needed";
      GTEST_SKIP() << "zip and unzip are not installed";
    }
    WriteFile(dir_ / "tree/a.txt", "alpha\n");
    WriteFile(dir_ / "tree/empty.txt", "");
    WriteFile(dir_ / "tree/sub/b.txt", RandomText(200000, 1));
    std::string binary(70000, '\0');
    std::mt19937 rng(2);
    for (auto& c : binary) c = static_cast<char>(rng() % 7);
    WriteFile(dir_ / "tree/sub/deeper/c.bin", binary);
  }
  // Runs a shell command in the scratch folder.
  int Shell(const std::string& command) { return RunTool("cd " + Quote(dir_.path().string()) + " && " + command); }
  std::filesystem::path Path(const std::string& name) const { return dir_ / name; }
  void Write(const std::string& name, const ZipBuilder& b) { WriteFile(dir_ / name, b.Build()); }

  TempDir dir_;
};

TEST_F(UnzipOracle, ArchivesOfTheZipTool) {
  ASSERT_EQ(Shell("zip -q -r -0 stored.zip tree"), 0);
  ASSERT_EQ(Shell("zip -q -r -9 deflated.zip tree"), 0);
  ASSERT_EQ(Shell("zip -q -r -fz zip64.zip tree"), 0);
  ASSERT_EQ(Shell("zip -q -r -P s3cret encrypted.zip tree"), 0);
  // Written to a pipe: sizes and CRC-32 in data descriptors.
  ASSERT_EQ(Shell("cd tree && zip -q -P s3cret - a.txt sub/b.txt > ../streamed.zip"), 0);
  ASSERT_EQ(Shell("cp /bin/true sfx && cat deflated.zip >> sfx && zip -q -A sfx"), 0);
  ExpectSameAsUnzip(Path("stored.zip"));
  ExpectSameAsUnzip(Path("deflated.zip"));
  ExpectSameAsUnzip(Path("zip64.zip"));
  ExpectSameAsUnzip(Path("encrypted.zip"), "s3cret");
  ExpectSameAsUnzip(Path("streamed.zip"), "s3cret");
  ExpectSameAsUnzip(Path("sfx"));
  TAbUnZipper z;
  z.SetFileName(FromUtf8(Path("sfx").string()));
  EXPECT_EQ(z.ArchiveType(), TAbArchiveType::atSelfExtZip);
}

TEST_F(UnzipOracle, Deflate64MembersOf7z) {
  VN_REQUIRE_TOOL("7z");
  ASSERT_EQ(Shell("7z a -tzip -mm=Deflate64 -mx=9 d64.zip tree >/dev/null"), 0);
  ExpectSameAsUnzip(Path("d64.zip"));
}

TEST_F(UnzipOracle, ArchivesOfOurBuilder) {
  const std::string text = RandomText(50000, 3);
  auto members = [&text] {
    ZipBuilder b;
    b.entries.push_back(ZipEntry{.name = "first.txt", .data = "first", .version_made_by = 0x0314});
    b.entries.push_back(ZipEntry{.name = "folder/second.txt", .data = text, .method = 8, .version_made_by = 0x0314});
    return b;
  };
  ZipBuilder comment = members();
  comment.comment = std::string(65535, 'c');
  Write("comment64k.zip", comment);

  // An end record inside the comment that describes the same directory,
  // its size stretched to end where the forged record starts.
  ZipBuilder forged = members();
  const std::string plain = forged.Build();
  std::string record = plain.substr(plain.size() - 22, 20);
  const uint32_t size = static_cast<uint8_t>(record[12]) | static_cast<uint8_t>(record[13]) << 8;
  record[12] = static_cast<char>((size + 23) & 0xFF);
  record[13] = static_cast<char>((size + 23) >> 8);
  forged.comment = "x" + record + std::string("\0\0", 2);
  Write("forged-end.zip", forged);

  ZipBuilder zip64;
  zip64.entries.push_back(ZipEntry{.name = "z1.txt", .data = "zip64 one", .version_made_by = 0x0314, .zip64 = true});
  zip64.entries.push_back(ZipEntry{.name = "z2.txt", .data = text, .method = 8, .version_made_by = 0x0314, .zip64 = true});
  zip64.zip64_end = true;
  Write("zip64-end.zip", zip64);

  const std::string oem = "m\x81ller.txt";
  std::string unicode_path(1, '\x01');
  PutLE(unicode_path, CRC32OfString("Uber.txt"), 4);
  ZipBuilder names;
  // (unzip reads a flagged UTF-8 name as code page 437 when the host is
  // MS-DOS, so the flagged name here comes from a Unix host.)
  names.entries.push_back(
      ZipEntry{.name = "utf8-\xC3\xBC\xE2\x82\xAC.txt", .data = "1", .flags = 0x0800, .version_made_by = 0x0314});
  names.entries.push_back(ZipEntry{.name = oem, .data = "2"});  // MS-DOS host: code page 437
  names.entries.push_back(ZipEntry{.name = "caf\xE9.txt", .data = "3", .version_made_by = 0x0314});
  names.entries.push_back(ZipEntry{.name = "Uber.txt", .data = "4", .version_made_by = 0x0314,
                                   .central_extra = Subfield(0x7075, unicode_path + "\xC3\x9C" "ber.txt")});
  Write("names.zip", names);

  ZipBuilder stub = members();
  stub.prefix = "MZ" + std::string(4094, '\x90');
  Write("stub.exe", stub);

  for (const char* name : {"comment64k.zip", "forged-end.zip", "zip64-end.zip", "names.zip", "stub.exe"})
    ExpectSameAsUnzip(Path(name));
}

TEST(UnzipCorpus, DocxPackagesMatchUnzip) {
  if (!HaveTool("unzip")) {
    if (std::getenv("CI")) FAIL() << "unzip is needed";
    GTEST_SKIP() << "unzip is not installed";
  }
  const char* env = std::getenv("VN_CORPUS_DIR");
  const std::filesystem::path dir = std::filesystem::path(env ? env : VN_CORPUS_DIR) / "docx";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const auto& path = entry.path();
    std::string listing;
    if (RunTool("unzip -Z1 " + Quote(path.string()), &listing) > 1) {
      // Damaged for unzip as well: we refuse or report, never crash.
      try {
        ReadWithUs(path);
      } catch (const Exception&) {
      }
      continue;
    }
    ExpectSameAsUnzip(path);
    ++compared;
  }
  EXPECT_GT(compared, 50);
}

}  // namespace
}  // namespace vn::ooxml::unzipper_oracle_test
