#include "support/prerequisites.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vn::test_support {
namespace {

// Sets or clears CI for one test, restoring what was there.
class CiVariable {
 public:
  explicit CiVariable(const char* value) {
    if (const char* old = std::getenv("CI")) saved_ = old, had_ = true;
    if (value) ::setenv("CI", value, 1);
    else ::unsetenv("CI");
  }
  ~CiVariable() {
    if (had_) ::setenv("CI", saved_.c_str(), 1);
    else ::unsetenv("CI");
  }

 private:
  std::string saved_;
  bool had_ = false;
};

constexpr const char* kMissing = "vn-no-such-tool";

TEST(Prerequisites, PresentToolIsFoundWhateverCi) {
  CiVariable ci("true");
  EXPECT_TRUE(HaveTool("sh"));
}

TEST(Prerequisites, MissingToolOnlySkipsOutsideCi) {
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    CiVariable ci(value);
    EXPECT_FALSE(HaveTool(kMissing));
  }
}

TEST(Prerequisites, MissingToolFailsTheTestUnderCi) {
  CiVariable ci("true");
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(HaveTool(kMissing)), "vn-no-such-tool is missing");
}

TEST(Prerequisites, MissingFileFailsTheTestUnderCi) {
  CiVariable ci("true");
  EXPECT_TRUE(HaveFile("/"));
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(HaveFile("/vn/no/such/file")), "/vn/no/such/file is missing");
}

TEST(Prerequisites, MissingLocaleFailsTheTestUnderCi) {
  CiVariable ci("true");
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(SetLocale("xx_NO.SUCH")), "the locale xx_NO.SUCH is missing");
}

}  // namespace
}  // namespace vn::test_support
