// The standard-encoding name table against the encoded glyphs of a URW font
// metrics file (its "C <code> ; ... N <name>" lines use the standard
// encoding), and the further Latin names no code reaches.
#include "fonts/standard_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "support/prerequisites.h"

namespace vn::fonts::standard_names_test {
namespace {

TEST(StandardNames, AgreeWithTheAfmEncoding) {
  const std::filesystem::path afm = "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.afm";
  if (!vn::test_support::HaveFile(afm)) GTEST_SKIP() << "fonts-urw-base35 is not installed";
  std::ifstream in(afm);
  std::string line;
  std::set<int> codes;
  while (std::getline(in, line)) {
    int code;
    char name[64];
    if (std::sscanf(line.c_str(), "C %d ; WX %*d ; N %63s", &code, name) != 2 || code < 0) continue;
    EXPECT_EQ(StandardGlyphName(code), name) << code;
    codes.insert(code);
  }
  EXPECT_EQ(codes.size(), 149u);
  for (int code = 0; code < 256; ++code)
    if (!codes.count(code)) EXPECT_EQ(StandardGlyphName(code), "") << code;
}

TEST(StandardNames, FurtherLatinNamesUnderNegativeKeys) {
  std::set<std::string_view> names;
  for (int key = -1; key >= -80; --key) names.insert(StandardGlyphName(key));
  EXPECT_EQ(names.size(), 80u);
  EXPECT_TRUE(names.count("Aacute") && names.count("Euro") && names.count("onehalf") && names.count("ydieresis"));
  for (int code = 0; code < 256; ++code) EXPECT_FALSE(names.count(StandardGlyphName(code))) << code;
  EXPECT_EQ(StandardGlyphName(-81), "");
  EXPECT_EQ(StandardGlyphName(256), "");
}

}  // namespace
}  // namespace vn::fonts::standard_names_test
