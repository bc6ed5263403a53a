#include <gtest/gtest.h>

#include "framework/document_routines.h"
#include "runtime/datetime.h"

namespace vn::framework::document_routines_text_test {
namespace {

TEST(TextRoutines, Positions) {
  EXPECT_EQ(CharPos(u"abcb", u'b'), 2);
  EXPECT_EQ(CharPos(u"abc", u'x'), -1);
  EXPECT_EQ(TextPos(u"abcabc", u"ca"), 3);
  EXPECT_EQ(TextPos(u"abc", u"abcd"), -1);
  EXPECT_EQ(TextPos(u"abc", u"x"), -1);
  EXPECT_EQ(TextPos(u"abc", u""), 1);
  EXPECT_TRUE(ContainsChar(u"abc", u'c'));
  EXPECT_FALSE(ContainsChar(u"", u'c'));
  EXPECT_EQ(CountChar(u"a,b,,c", u','), 3);
}

TEST(TextRoutines, Replacing) {
  EXPECT_EQ(ReplaceFirst(u"a-b-c", u"-", u"+"), u"a+b-c");
  EXPECT_EQ(ReplaceFirst(u"abc", u"bc", u""), u"a");
  // An absent text leaves the text as it is instead of emptying it.
  EXPECT_EQ(ReplaceFirst(u"abc", u"x", u"y"), u"abc");
  EXPECT_EQ(ReplaceFirst(u"abc", u"", u"y"), u"abc");
  EXPECT_EQ(ReplaceChar(u"a.b.c", u'.', u'/'), u"a/b/c");
}

TEST(TextRoutines, Parts) {
  EXPECT_EQ(CopyChars(u"abcdef", 2, 3), u"bcd");
  EXPECT_EQ(CopyChars(u"abcdef", 5, 9), u"ef");
  EXPECT_EQ(CopyChars(u"abc", 4, 1), u"");
  EXPECT_EQ(CopyChars(u"abc", 0, 2), u"");
  EXPECT_EQ(LeftChars(u"abcdef", 2), u"ab");
  EXPECT_EQ(LeftChars(u"ab", 5), u"ab");
  EXPECT_EQ(RightChars(u"abcdef", 2), u"ef");
  EXPECT_EQ(RightChars(u"ab", 5), u"ab");
  EXPECT_EQ(RightChars(u"ab", -1), u"");
  EXPECT_EQ(SplitText(u";a;;bc;", u';'), (std::vector<String>{u"a", u"bc"}));
  EXPECT_EQ(SplitText(u"", u';'), std::vector<String>{});
  EXPECT_EQ(SplitText(u"abc", u';'), (std::vector<String>{u"abc"}));
}

TEST(TextRoutines, Integers) {
  struct Case {
    const char16_t* text;
    int32_t expected;
  } cases[] = {{u"42", 42},  {u"-7", -7},         {u"+3", 3}, {u"", 0},
               {u"12a", 0},  {u"$1F", 0},         {u" 1", 0}, {u"-2147483648", INT32_MIN},
               {u"2147483648", 0}};
  for (const auto& c : cases) EXPECT_EQ(StrToIntOrZero(c.text), c.expected) << ToUtf8(c.text);
  EXPECT_EQ(IntToTextOrEmpty(-15), u"-15");
}

TEST(HexRoutines, Values) {
  EXPECT_EQ(HexToInt(u"1f"), 31);
  EXPECT_EQ(HexToInt(u"FFFFFFFF"), -1);
  EXPECT_EQ(HexToInt(u""), 0);
  EXPECT_TRUE(IsHexDigits(u""));
  EXPECT_TRUE(IsHexDigits(u"09afAF"));
  EXPECT_FALSE(IsHexDigits(u"0g"));

  struct Case {
    const char16_t* text;
    int32_t result;
    uint8_t value;
  } cases[] = {{u"7F", 0, 0x7F}, {u"ff", 0, 0xFF}, {u"1FF", 0, 0xFF}, {u"", 0, 0}, {u"G1", -1, 0}, {u"a", 0, 0x0A}};
  for (const auto& c : cases) {
    uint8_t value = 99;
    EXPECT_EQ(HexTextToByte(c.text, value), c.result) << ToUtf8(c.text);
    EXPECT_EQ(value, c.value) << ToUtf8(c.text);
  }
}

TEST(HexRoutines, Texts) {
  EXPECT_EQ(HexBytesToText(u"48 65-6c6C6f"), u"Hello");
  EXPECT_EQ(HexBytesToText(u"414"), u"A");
  EXPECT_EQ(HexBytesToText(u"E9"), u"\u00e9");

  struct Case {
    const char16_t* text;
    const char16_t* expected;
  } cases[] = {
      {u"FF", u"255"},
      {u"0A0B", u"1011"},
      {u"A0B", u"1011"},
      {u"ZZ01", u"01"},
      {u"FEFF00410042", u"AB"},
      {u"feff0041.0042", u"A.B"},
      {u"FEFF0041FEFF20AC", u"A\u20ac"},
      {u"FEFF00410", u"A"},
      {u"FEFFzzzz0041", u"A"},
  };
  for (const auto& c : cases) EXPECT_EQ(HexTextToString(c.text), c.expected) << ToUtf8(c.text);

  // Long texts are decoded to the end.
  String hex = u"FEFF";
  for (int i = 0; i < 400; ++i) hex += u"0078";
  EXPECT_EQ(HexTextToString(hex), String(400, u'x'));
}

TEST(ColourAndDate, Routines) {
  TvnRGBColor c = MakeRGBColor(1, 2, 3);
  EXPECT_EQ(c.Red, 1);
  EXPECT_EQ(c.Green, 2);
  EXPECT_EQ(c.Blue, 3);
  EXPECT_TRUE(SameRGBColor(c, TvnRGBColor{1, 2, 3}));
  EXPECT_FALSE(SameRGBColor(c, TvnRGBColor{1, 2, 4}));

  EXPECT_EQ(DateTimeToISOText(0), u"1899-12-30T00:00:00Z");
  EXPECT_EQ(DateTimeToISOText(vn::EncodeDateTime(2024, 3, 7, 9, 5, 2, 0)), u"2024-03-07T09:05:02Z");
  EXPECT_EQ(DateTimeToISOText(vn::EncodeDateTime(987, 11, 30, 23, 59, 59, 0)), u"987-11-30T23:59:59Z");
}

}  // namespace
}  // namespace vn::framework::document_routines_text_test
