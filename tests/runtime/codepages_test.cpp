#include "runtime/codepages.h"

#include <gtest/gtest.h>

namespace vn::codepages_test {

struct DecodeCase {
  int32_t code_page;
  std::string bytes;
  String lenient;                 // Decode
  std::optional<String> exactly;  // DecodeExactly
};

TEST(CodePageDecoder, DecodesWindowsCodePagesAndMarksBrokenBytes) {
  const DecodeCase cases[] = {
      {1251, "\xcf\xf0\xe8", u"\u041f\u0440\u0438", u"\u041f\u0440\u0438"},  // Cyrillic
      {932, "\x82\xa0" "a", u"\u3042a", u"\u3042a"},                           // Shift JIS, two bytes then one
      {932, "a\x82", u"a\uFFFD", std::nullopt},                                // a character cut off at the end
      {936, "\xd6\xd0", u"\u4e2d", u"\u4e2d"},                                 // GB 2312
      {10000, "\x80", u"\u00c4", u"\u00c4"},                                   // Mac Roman
      {1252, "\x80", u"\u20ac", u"\u20ac"},                                    // the runtime's own table
      {99999, "\x80", u"\u20ac", std::nullopt},                                // no converter: read as 1252
  };
  CodePageDecoder decoder;
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.code_page);
    String out = u">";
    decoder.Decode(c.code_page, c.bytes, out);
    EXPECT_EQ(out, u">" + c.lenient);
    EXPECT_EQ(decoder.DecodeExactly(c.code_page, c.bytes), c.exactly);
  }
}

}  // namespace vn::codepages_test
