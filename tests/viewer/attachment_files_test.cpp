// Attachments are saved under a cleaned name inside the folder given, never
// over an existing file.
#include "viewer/attachment_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "annot_test_support.h"
#include "pdfdocument/pd_annot.h"
#include "runtime/exceptions.h"

namespace vn::viewer::attachment_files_test {
namespace {

namespace fs = std::filesystem;

TEST(SafeAttachmentName, KeepsOnlyAPlainFileName) {
  const std::pair<const char*, const char*> cases[] = {
      {"report.txt", "report.txt"},
      {"../../x", "x"},
      {"/etc/passwd", "passwd"},
      {"..\\..\\Windows\\evil.exe", "evil.exe"},
      {"C:\\work\\report.txt", "report.txt"},
      {"dir/", "attachment"},
      {"", "attachment"},
      {"..", "attachment"},
      {" . ", "attachment"},
      {"a\x01\x1f\x7f" "b.txt", "ab.txt"},
      {"  notes.txt. ", "notes.txt"},
      {"r\xc3\xa9sum\xc3\xa9.pdf", "r\xc3\xa9sum\xc3\xa9.pdf"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(vn::ToUtf8(SafeAttachmentName(vn::FromUtf8(in))), out) << in;

  const String longName = String(300, u'n') + u".txt";
  const String cut = SafeAttachmentName(longName);
  EXPECT_EQ(cut.size(), 120u);
  EXPECT_EQ(cut.substr(cut.size() - 4), u".txt");
}

std::string Read(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(SaveAttachmentFile, WritesInsideTheFolderAndNeverOverwrites) {
  auto document = test::LoadComments();
  auto* attachment =
      dynamic_cast<vn::pdfdoc::TvnPDFileAttachmentAnnot*>(test::AnnotNamed(*document, 1, "attachment-1"));
  ASSERT_NE(attachment, nullptr);
  ASSERT_EQ(attachment->FileName(), u"../../x");

  const fs::path attachments = vn::ToUtf8(AttachmentFolder());
  EXPECT_EQ(AttachmentFolder(), vn::FromUtf8(attachments.string()));  // one folder for the process
  struct stat folderInfo {};
  ASSERT_EQ(::stat(attachments.c_str(), &folderInfo), 0);
  EXPECT_EQ(folderInfo.st_mode & 0777, 0700u);

  // A folder of this test's own, two levels down, so that "../../x" would
  // land in a folder the test can look into.
  const fs::path folder = fs::temp_directory_path() / "save-test" / "a" / "b";
  fs::create_directories(folder);

  // Where the name given by the file would lead.
  const fs::path escaped = (folder / "../../x").lexically_normal();
  const bool escapedBefore = fs::exists(escaped);
  const fs::path first = vn::ToUtf8(SaveAttachmentFile(*attachment, vn::FromUtf8(folder.string())));
  EXPECT_EQ(first, folder / "x");
  EXPECT_EQ(Read(first), "attached bytes\n");
  EXPECT_FALSE(escapedBefore);
  EXPECT_FALSE(fs::exists(escaped));
  struct stat fileInfo {};
  ASSERT_EQ(::stat(first.c_str(), &fileInfo), 0);
  EXPECT_EQ(fileInfo.st_mode & 0777, 0600u);

  {
    std::ofstream mine(first, std::ios::trunc);
    mine << "the user's edits";
  }
  const fs::path second = vn::ToUtf8(SaveAttachmentFile(*attachment, vn::FromUtf8(folder.string())));
  EXPECT_EQ(second, folder / "x (2)");
  EXPECT_EQ(Read(first), "the user's edits");
  EXPECT_EQ(Read(second), "attached bytes\n");
}

TEST(SaveAttachmentFile, AFolderThatCannotHoldTheFileIsACreateError) {
  auto document = test::LoadComments();
  auto* attachment =
      dynamic_cast<vn::pdfdoc::TvnPDFileAttachmentAnnot*>(test::AnnotNamed(*document, 1, "attachment-1"));
  ASSERT_NE(attachment, nullptr);
  const fs::path missing = fs::path(vn::ToUtf8(AttachmentFolder())) / "no such folder";
  try {
    SaveAttachmentFile(*attachment, vn::FromUtf8(missing.string()));
    FAIL() << "no error";
  } catch (const vn::EFCreateError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + (missing / "x").string() + "\". No such file or directory");
  }
}

}  // namespace
}  // namespace vn::viewer::attachment_files_test
