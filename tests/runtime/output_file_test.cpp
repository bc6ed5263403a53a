// Output files appear whole: nothing under the target's name before
// Commit, an earlier file kept through failures and a killed writer, and the
// creation errors of a file stream.
#include "runtime/output_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/exceptions.h"

namespace vn::output_file_test {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("vn_output_file_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // The names in the folder, hidden ones included.
  std::vector<std::string> InFolder() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
};

using Names = std::vector<std::string>;

TEST_F(OutputFileTest, TheTargetAppearsOnCommitWithEveryByte) {
  const fs::path target = dir / "out.pdf";
  OutputFile file(target);
  EXPECT_EQ(file.FileName(), target);
  file.WriteString("%PDF-");
  file.WriteString(std::string(100000, 'x'));
  EXPECT_EQ(InFolder(), Names{});
  file.Commit();
  EXPECT_TRUE(file.Committed());
  EXPECT_EQ(InFolder(), Names{"out.pdf"});
  EXPECT_EQ(ReadFileBytes(target), "%PDF-" + std::string(100000, 'x'));
  file.Commit();  // nothing more
  EXPECT_THROW(file.WriteString("late"), EWriteError);
  EXPECT_EQ(fs::file_size(target), 100005u);
}

TEST_F(OutputFileTest, AnEarlierFileStaysUntilTheNewOneIsWhole) {
  const fs::path target = dir / "out.tif";
  WriteFileBytes(target, "earlier");
  {
    OutputFile file(target);
    file.WriteString("new but never finished");
  }
  EXPECT_EQ(InFolder(), Names{"out.tif"});
  EXPECT_EQ(ReadFileBytes(target), "earlier");

  OutputFile discarded(target);
  discarded.WriteString("dropped");
  discarded.Discard();
  EXPECT_THROW(discarded.WriteString("more"), EWriteError);
  EXPECT_EQ(ReadFileBytes(target), "earlier");

  WriteFileBytes(target, "replaced");
  EXPECT_EQ(InFolder(), Names{"out.tif"});
  EXPECT_EQ(ReadFileBytes(target), "replaced");
}

TEST_F(OutputFileTest, AWriterKilledMidWayLeavesTheEarlierFileAndNothingElse) {
  const fs::path target = dir / "out.pdf";
  WriteFileBytes(target, "earlier");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    OutputFile file(target);
    file.WriteString(std::string(1 << 20, 'x'));
    ::kill(::getpid(), SIGKILL);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
  EXPECT_EQ(InFolder(), Names{"out.pdf"});
  EXPECT_EQ(ReadFileBytes(target), "earlier");
}

TEST_F(OutputFileTest, FailuresRaiseTheCreateErrorAndKeepTheTarget) {
  // The folder is missing or the target is a folder: refused at once.
  struct Case {
    fs::path target;
    const char* reason;
  } cases[] = {
      {dir / "missing" / "out.pdf", "No such file or directory"},
      {dir, "Is a directory"},
  };
  for (const Case& c : cases) {
    try {
      OutputFile file(c.target);
      ADD_FAILURE() << c.target;
    } catch (const EFCreateError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + c.target.string() + "\". " + c.reason);
    }
  }

  // The target turns into a folder while the file is written: the rename
  // fails, the new bytes go and the folder stays.
  const fs::path target = dir / "out.png";
  OutputFile file(target);
  file.WriteString("png");
  fs::create_directories(target / "inside");
  EXPECT_THROW(file.Commit(), EFCreateError);
  EXPECT_FALSE(file.Committed());
  EXPECT_EQ(InFolder(), Names{"out.png"});
  EXPECT_TRUE(fs::is_directory(target / "inside"));
}

}  // namespace
}  // namespace vn::output_file_test
