#include "runtime/strings.h"

#include <gtest/gtest.h>

#include "runtime/codepages.h"
#include "runtime/exceptions.h"
#include "runtime/string_list.h"

namespace vn::strings_test {
namespace {

TEST(Utf, RoundTripAndRepair) {
  String s = u"a\u00e9\u20ac\U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(s)), s);
  EXPECT_EQ(ToUtf8(u"\u00e9"), "\xc3\xa9");
  // Truncated sequences, overlong forms and lone surrogates become U+FFFD.
  EXPECT_EQ(FromUtf8("\xc3"), u"\uFFFD");
  EXPECT_EQ(FromUtf8("\xc0\xaf"), u"\uFFFD\uFFFD");
  EXPECT_EQ(FromUtf8("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(ToUtf8(String(1, char16_t(0xD800))), "\xef\xbf\xbd");
}

TEST(Text, CopyPosTrim) {
  EXPECT_EQ(Copy(u"abcdef", 2, 3), u"bcd");
  EXPECT_EQ(Copy(u"abcdef", 0, 2), u"ab");
  EXPECT_EQ(Copy(u"abcdef", 5, 100), u"ef");
  EXPECT_EQ(Copy(u"abc", 4, 1), u"");
  EXPECT_EQ(Copy(u"abc", 2, -1), u"");
  EXPECT_EQ(Pos(u"cd", u"abcdcd"), 3);
  EXPECT_EQ(Pos(u"cd", u"abcdcd", 4), 5);
  EXPECT_EQ(Pos(u"", u"abc"), 0);
  EXPECT_EQ(Pos(u"x", u"abc"), 0);
  EXPECT_EQ(Trim(u" \t a b \r\n"), u"a b");
  EXPECT_EQ(UpperCase(u"ab\u00e9"), u"AB\u00e9");
  EXPECT_EQ(WideUpperCase(u"ab\u00e9\u0444"), u"AB\u00c9\u0424");
  EXPECT_TRUE(SameText(u"Abc", u"aBC"));
}

TEST(Text, IntegerConversion) {
  struct Case {
    const char16_t* in;
    bool ok;
    int32_t value;
  } cases[] = {{u"0", true, 0},          {u"-12", true, -12},        {u"+7", true, 7},
               {u"$FF", true, 255},      {u"0x1f", true, 31},        {u"2147483647", true, 2147483647},
               {u"2147483648", false, 0}, {u"", false, 0},           {u" 1", false, 0},
               {u"1a", false, 0},        {u"-", false, 0},           {u"$FFFFFFFF", true, -1}};
  for (const auto& c : cases) {
    auto v = TryStrToInt(c.in);
    EXPECT_EQ(v.has_value(), c.ok) << ToUtf8(c.in);
    if (c.ok && v) {
      EXPECT_EQ(*v, c.value) << ToUtf8(c.in);
    }
  }
  try {
    StrToInt(u"x1");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
  }
  EXPECT_EQ(IntToStr(-42), u"-42");
  EXPECT_EQ(IntToHex(255, 4), u"00FF");
}

TEST(CodePages, Cp1252And437) {
  EXPECT_EQ(DecodeCp1252("\x80\x93\xe9"), u"\u20ac\u201c\u00e9");
  EXPECT_EQ(EncodeCp1252(u"\u20ac\u00e9\u4e00"), "\x80\xe9?");
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(EncodeCp1252(DecodeCp1252(one)), one) << b;
    EXPECT_EQ(EncodeCp437(DecodeCp437(one)), one) << b;
  }
  EXPECT_EQ(DecodeCp437("\x81\xdb"), u"\u00fc\u2588");
}

TEST(Text, SplitLinesAtEveryKindOfBreak) {
  const struct {
    const char16_t* text;
    std::vector<StringView> lines;
  } cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}},
      {u"a\r\n", {u"a"}},
      {u"a\n\r", {u"a", u""}},
      {u"\r\n\r\n", {u"", u""}},
      {u"a\n\nb", {u"a", u"", u"b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << ToUtf8(c.text);
}

TEST(StringList, TextAndValues) {
  TStringList list;
  list.SetText(u"a=1\r\nb=2\nc\r");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Value(u"B"), u"2");
  EXPECT_EQ(list.Text(), u"a=1\r\nb=2\r\nc\r\n");
  list.SetValue(u"a", u"");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_THROW(list[5], EListError);
  TStringList sorted;
  sorted.SetSorted(true);
  sorted.Add(u"b");
  sorted.Add(u"A");
  EXPECT_EQ(sorted.Add(u"a"), -1);
  EXPECT_EQ(sorted[0], u"A");
}

}  // namespace
}  // namespace vn::strings_test
