#include "rtf/rtf_tokenizer.h"

#include <gtest/gtest.h>

#include <string>

namespace rtf_tokenizer_test {

using vn::rtf::TvnRTFElement;
using vn::rtf::TvnRTFElementType;
using vn::rtf::TvnRTFTokenizer;

// The tokens of AText, space-separated: "\word" or "\word(param)", "T:text",
// "X:hh" for a hex escape, "{" and "}", "B:n" for n binary bytes, "N:text"
// for a cut-off escape.
std::string Tokens(const std::string& AText) {
  TvnRTFTokenizer tokenizer(AText);
  std::string result;
  TvnRTFElement element;
  for (int guard = 0; guard < 1000; ++guard) {
    tokenizer.Get(element);
    if (element.RTFString.empty()) break;
    if (!result.empty()) result += ' ';
    switch (element.ReturnElementType) {
      case TvnRTFElementType::rtfetControlString:
        result += element.RTFString;
        if (!element.Arguement.empty()) result += "(" + element.Arguement + ")";
        break;
      case TvnRTFElementType::rtfetText: result += "T:" + element.RTFString; break;
      case TvnRTFElementType::rtfetHexData: {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(element.RTFString[0]));
        result += std::string("X:") + hex;
        break;
      }
      case TvnRTFElementType::rtfetGroup:
      case TvnRTFElementType::rtfetGroupEnd: result += element.RTFString; break;
      case TvnRTFElementType::rtfetBinary: result += "B:" + std::to_string(element.RTFString.size()); break;
      case TvnRTFElementType::rtfetNull: result += "N:" + element.RTFString; break;
    }
  }
  return result;
}

struct TokenCase {
  const char* input;
  const char* tokens;
};

TEST(RtfTokenizer, CutsControlWordsTextAndGroups) {
  const TokenCase cases[] = {
      // A carriage return is dropped, the line feed ends nothing but itself.
      {"\\par\r\nword", "\\par T:word"},
      // The space after a control word is its delimiter.
      {"\\b0 word", "\\b(0) T:word"},
      {"\\fs-12x", "\\fs(-12) T:x"},
      // A closing brace or semicolon after a control word stays.
      {"{\\b bold}", "{ \\b T:bold }"},
      {"\\b0}", "\\b(0) }"},
      {"\\f0;", "\\f(0) T:;"},
      // Only the first space is the delimiter.
      {"\\i  two", "\\i T: two"},
      {"caf\\'e9 au", "T:caf X:e9 T: au"},
      {"\\'4", "\\'"},
      {"\\'zz", "\\' T:zz"},
      {"\\u1055?x", "\\u(1055) T:?x"},
      {"\\u-3913 ?", "\\u(-3913) T:?"},
      {"{\\*\\generator x;}", "{ \\* \\generator T:x; }"},
      {"\\\\a\\{b\\}", "T:\\ T:a T:{ T:b T:}"},
      {"\\~\\-\\_", "\\~ \\- \\_"},
      {"ab\tcd", "T:ab \\tab T:cd"},
      {"a\nb\x01" "c", "T:a T:b T:c"},
      {"\xe9t\xe9", "T:\xe9t\xe9"},
      {"line\\\nnext", "T:line \\par T:next"},
      {"text\\", "T:text N:\\"},
      // Names are letters only; a hyphen starts a parameter only before a digit.
      {"\\ab-c", "\\ab T:-c"},
  };
  for (const TokenCase& c : cases) EXPECT_EQ(Tokens(c.input), c.tokens) << c.input;
}

TEST(RtfTokenizer, BinaryDataIsReadRawAndBoundedByTheInput) {
  const TokenCase cases[] = {
      {"\\bin3 {\\}x", "\\bin(3) B:3 T:x"},
      {"\\bin0 x", "\\bin(0) T:x"},
      // A length beyond the input takes what is left and nothing more.
      {"\\bin99999999999 ab", "\\bin(99999999999) B:2"},
      {"\\bin2147483647 {}", "\\bin(2147483647) B:2"},
      {"\\bin-5 x", "\\bin(-5) T:x"},
  };
  for (const TokenCase& c : cases) EXPECT_EQ(Tokens(c.input), c.tokens) << c.input;
}

TEST(RtfTokenizer, ParametersSaturateAtThe32BitRange) {
  struct {
    const char* input;
    int32_t value;
  } const cases[] = {
      {"\\fs24", 24},
      {"\\li-720", -720},
      {"\\fs2147483647", 2147483647},
      {"\\fs2147483648", 2147483647},
      {"\\fs99999999999999999999", 2147483647},
      {"\\li-99999999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) {
    TvnRTFTokenizer tokenizer(c.input);
    TvnRTFElement element;
    tokenizer.Get(element);
    ASSERT_TRUE(element.Parameter().has_value()) << c.input;
    EXPECT_EQ(*element.Parameter(), c.value) << c.input;
  }
  TvnRTFTokenizer bare("\\b x");
  TvnRTFElement element;
  bare.Get(element);
  EXPECT_FALSE(element.Parameter().has_value());
}

TEST(RtfTokenizer, PictureDataRunsToTheClosingBrace) {
  TvnRTFTokenizer tokenizer("0a1b\n2c}rest");
  EXPECT_EQ(tokenizer.GetPicData("ff"), "ff0a1b\n2c");
  TvnRTFElement element;
  tokenizer.Get(element);
  EXPECT_EQ(element.ReturnElementType, TvnRTFElementType::rtfetGroupEnd);
  // On the brace already, nothing is added; without a brace, the rest.
  TvnRTFTokenizer at_brace("}");
  EXPECT_EQ(at_brace.GetPicData("ab"), "ab");
  TvnRTFTokenizer unterminated("0a1b");
  EXPECT_EQ(unterminated.GetPicData(""), "0a1b");
}

TEST(RtfTokenizer, ReadsAStreamToItsEnd) {
  std::string text = "{\\rtf1 ";
  text += std::string(200000, 'a');
  text += "}";
  vn::TStringStream stream(text);
  TvnRTFTokenizer tokenizer(&stream);
  EXPECT_EQ(tokenizer.GetSize(), text.size());
}

}  // namespace rtf_tokenizer_test
