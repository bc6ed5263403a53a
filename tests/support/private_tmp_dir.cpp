#include "support/private_tmp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

namespace vn::test_support {

PrivateTmpDir::PrivateTmpDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/vn_test_XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror("cannot make a temporary folder; tests share TMPDIR");
    return;
  }
  path_ = pattern;
  ::setenv("TMPDIR", path_.c_str(), 1);
}

PrivateTmpDir::~PrivateTmpDir() {
  if (path_.empty()) return;
  if (keep_) {
    std::fprintf(stderr, "scratch files kept in %s\n", path_.c_str());
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

int RunAllTests(int& argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  PrivateTmpDir tmp;
  const int result = RUN_ALL_TESTS();
  if (result != 0) tmp.Keep();
  // ctest reports an entry (a program's suites, or one corpus suite)
  // skipped on this code (SKIP_RETURN_CODE) when every test that ran was
  // skipped.
  const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
  if (result == 0 && run.test_to_run_count() > 0 && run.skipped_test_count() == run.test_to_run_count()) {
    return kAllSkippedExitCode;
  }
  return result;
}

}  // namespace vn::test_support
