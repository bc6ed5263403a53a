// A temporary folder of the test process's own.
#pragma once

#include <filesystem>

namespace vn::test_support {

// Makes a fresh folder inside TMPDIR (or /tmp) and points TMPDIR at it for
// the life of the object, so tests that name their scratch files alike never
// meet, however many test processes run at once. The folder is removed when
// the run passed and kept for a look when it failed.
class PrivateTmpDir {
 public:
  PrivateTmpDir();
  ~PrivateTmpDir();
  PrivateTmpDir(const PrivateTmpDir&) = delete;
  PrivateTmpDir& operator=(const PrivateTmpDir&) = delete;

  // The run failed: keep the folder.
  void Keep() { keep_ = true; }

 private:
  std::filesystem::path path_;
  bool keep_ = false;
};

// The exit code of a run whose every test was skipped (ctest's
// SKIP_RETURN_CODE of the suite entries, cmake/vn_test_suites.cmake).
inline constexpr int kAllSkippedExitCode = 77;

// InitGoogleTest, RUN_ALL_TESTS and the folder above: the body of a test main.
// Returns RUN_ALL_TESTS's result, or kAllSkippedExitCode.
int RunAllTests(int& argc, char** argv);

}  // namespace vn::test_support
