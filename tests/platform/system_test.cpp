// Opening a file with its associated program.
#include "platform/system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace vn::platform::system_test {
namespace {

namespace fs = std::filesystem;

// The process state letter from /proc/<pid>/stat; 0 once the process is gone.
char ProcessState(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  const size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : 0;
}

TEST(OpenWithAssociatedProgram, TheStartedOpenerIsWaitedFor) {
  // A stand-in xdg-open on the PATH that notes its process id and ends.
  const fs::path dir = fs::temp_directory_path() / ("vn_xdg_open_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path pidFile = dir / "pid";
  {
    std::ofstream script(dir / "xdg-open");
    script << "#!/bin/sh\necho $$ > '" << pidFile.string() << ".tmp' && mv '" << pidFile.string() << ".tmp' '"
           << pidFile.string() << "'\n";
  }
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);
  SetAssociatedProgramOpener(nullptr);
  EXPECT_TRUE(OpenWithAssociatedProgram("/tmp/some file.pdf"));
  ::setenv("PATH", oldPath.c_str(), 1);

  std::string pid;
  for (int i = 0; i < 500 && pid.empty(); ++i) {
    std::ifstream in(pidFile);
    std::getline(in, pid);
    if (pid.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_FALSE(pid.empty()) << "the opener did not run";
  // Once it has ended it is reaped, not left as a zombie.
  char state = ProcessState(pid);
  for (int i = 0; i < 500 && state != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    state = ProcessState(pid);
  }
  EXPECT_EQ(state, 0) << "process " << pid << " is still there in state " << state;
  fs::remove_all(dir);
}

TEST(OpenWithAssociatedProgram, AnInstalledOpenerReplacesTheProgram) {
  std::string seen;
  SetAssociatedProgramOpener([&](const std::string& target) {
    seen = target;
    return false;
  });
  EXPECT_FALSE(OpenWithAssociatedProgram("report.pdf"));
  EXPECT_EQ(seen, "report.pdf");
  SetAssociatedProgramOpener(nullptr);
}

}  // namespace
}  // namespace vn::platform::system_test
