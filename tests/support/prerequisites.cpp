#include "support/prerequisites.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace vn::test_support {

namespace {

bool OnPath(std::string_view name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/bin:/bin";
  while (true) {
    const size_t colon = dirs.find(':');
    std::string dir(dirs.substr(0, colon));
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + std::string(name);
    if (::access(candidate.c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    dirs.remove_prefix(colon + 1);
  }
}

// `present`, recording a failure of the running test when it is false under CI.
bool Prerequisite(bool present, std::string_view what) {
  const char* ci = std::getenv("CI");
  if (!present && ci && *ci) ADD_FAILURE() << what << " is missing; with CI set, the tests that need it fail";
  return present;
}

}  // namespace

bool HaveTool(std::string_view name) { return Prerequisite(OnPath(name), name); }

bool HaveHeavyTool(std::string_view name) {
  const char* wanted = std::getenv("VN_HEAVY_ORACLES");
  return wanted && std::string_view(wanted) == "1" && OnPath(name);
}

bool HaveFile(const std::filesystem::path& path) {
  std::error_code ignored;
  return Prerequisite(std::filesystem::exists(path, ignored), path.string());
}

bool SetLocale(const char* name) {
  return Prerequisite(std::setlocale(LC_ALL, name) != nullptr, std::string("the locale ") + name);
}

}  // namespace vn::test_support
