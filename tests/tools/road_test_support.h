// What the end-to-end tests of the fotarel-convert program share: running a
// shell command and reading its output, how much of a reference reading's
// words a PDF's text gives in order, and a fixture that gives each test a
// fresh folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/prerequisites.h"

namespace vn::road_test {

struct CommandResult {
  int Status = -1;  // the exit status; -1 when the command did not run or exit
  std::string Out;  // standard output, with standard error unless it was dropped
};

// Runs ACommand through the shell and waits for it; its standard error goes
// with its output, or is dropped when AKeepErrors is false (for output that
// is parsed as data).
inline CommandResult RunCommand(const std::string& ACommand, bool AKeepErrors = true) {
  CommandResult r;
  FILE* p = ::popen((ACommand + (AKeepErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (p == nullptr) return r;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.Out.append(buf, n);
  const int s = ::pclose(p);
  r.Status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return r;
}

// The share of AWords found in AText in their order; a word not found
// within a short distance of the previous one counts as missing without
// moving on, so one word drawn out of place (a note, a drawing's caption)
// does not count the rest as missing.
inline double InOrderShare(const std::vector<std::string>& AWords, const std::string& AText) {
  if (AWords.empty()) return 1;
  size_t at = 0;
  size_t found = 0;
  for (const std::string& w : AWords) {
    const size_t pos = AText.find(w, at);
    if (pos != std::string::npos && pos - at <= 2000) {
      ++found;
      at = pos + w.size();
    }
  }
  return static_cast<double>(found) / static_cast<double>(AWords.size());
}

// Skips the test when one of the tools is not installed; otherwise gives it
// an empty folder FDir (named after the prefix, the process and the test),
// removed afterwards unless the test failed, so its files can be looked at.
class RoadTest : public ::testing::Test {
 protected:
  RoadTest(std::string APrefix, std::vector<std::string> ATools)
      : FPrefix(std::move(APrefix)), FTools(std::move(ATools)) {}

  void SetUp() override {
    for (const std::string& tool : FTools)
      if (!vn::test_support::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    FDir = std::filesystem::temp_directory_path() /
           (FPrefix + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(FDir);
    std::filesystem::create_directories(FDir);
  }
  void TearDown() override {
    if (!FDir.empty() && !HasFailure()) std::filesystem::remove_all(FDir);
  }

  std::filesystem::path FDir;

 private:
  std::string FPrefix;
  std::vector<std::string> FTools;
};

}  // namespace vn::road_test
