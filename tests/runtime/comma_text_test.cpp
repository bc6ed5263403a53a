#include "runtime/comma_text.h"

#include <gtest/gtest.h>

namespace vn::comma_text_test {
namespace {

TEST(CommaText, SplitsLikeAStringList) {
  struct Case {
    const char16_t* text;
    std::vector<String> entries;
  };
  const Case cases[] = {
      {u"", {}},
      {u"  ", {}},
      {u"a,b", {u"a", u"b"}},
      {u"a b\tc", {u"a", u"b", u"c"}},
      {u" a , b ", {u"a", u"b"}},
      {u"a,,b", {u"a", u"", u"b"}},
      {u"a,", {u"a", u""}},
      {u"\"x, y\",z", {u"x, y", u"z"}},
      {u"\"say \"\"hi\"\"\"", {u"say \"hi\""}},
      {u"\"open", {u"open"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommaText(c.text), c.entries) << ToUtf8(c.text);
}

}  // namespace
}  // namespace vn::comma_text_test
