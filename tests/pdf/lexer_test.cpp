#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/lexer.h"
#include "runtime/streams.h"

namespace vn::pdf::lexer_test {
namespace {

Ref<TvnStream> Over(const std::string& bytes) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteString(bytes);
  return MakeRef<TvnMemoryStream>(mem, 0, 0, false);
}

// Every token of the input as "<kind>:<text>" (the object's own text, or
// the keyword for commands).
std::vector<std::string> Tokens(const std::string& input) {
  TvnPDLexer lexer(Over(input));
  std::vector<std::string> out;
  for (int i = 0; i < 100; ++i) {
    auto t = lexer.GetObject();
    if (t->IsEOF()) break;
    if (t->IsCommand()) out.push_back("cmd:" + t->AsCommand()->GetValue());
    else if (t->IsError()) out.push_back("error");
    else if (t->IsString()) out.push_back((t->AsString()->IsHexString() ? "hex:" : "str:") + t->AsString()->GetValue());
    else out.push_back(t->GetTypeName() + ":" + t->GetText());
  }
  return out;
}

using V = std::vector<std::string>;

TEST(PdfLexer, TokensOfEachKind) {
  struct Case {
    std::string input;
    V tokens;
  } cases[] = {
      {"<< >> [ ] { } ) >", {"cmd:<<", "cmd:>>", "cmd:[", "cmd:]", "error", "error", "error", "error"}},
      {"true false null obj R", {"boolean:true", "boolean:false", "null:null", "cmd:obj", "cmd:R"}},
      {"/Name /A#41B / /x", {"name:/Name", "name:/AAB", "name:/", "name:/x"}},
      {"% comment\r12%x\n13", {"integer:12", "integer:13"}},
      {"-.5 1.5-3 007 - 4294967295 +5", {"real:-0.5", "real:1.53", "integer:7", "integer:0", "integer:4294967295", "cmd:+5"}},
      {"99999999999999999999999", {"integer:9223372036854775807"}},
      {"<48 65 6C>", {"hex:48656C"}},
      {"<unterminated", {"hex:unterminated"}},
      {"(a\\\nb) (a(b)c) (\\101\\12\\x) (\\n\\r\\t\\b\\f\\(\\)\\\\)", {"str:ab", "str:a(b)c", "str:A\nx", "str:\n\r\t\b\f()\\"}},
      {"(a\\\r\nb\r\nc)", {"str:ab\r\nc"}},
      {"(\\0011)", {"str:\x01" "1"}},
      {"(open", {"str:open"}},
      {"a%comment at the end", {"cmd:a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Tokens(c.input), c.tokens) << c.input;
}

TEST(PdfLexer, OverlongNamesAndWordsStayOneToken) {
  const std::string long_word(TvnPDLexer::kMaxWordLength + 50, 'a');
  const V tokens = Tokens("/" + long_word + " next");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0], "name:/" + std::string(TvnPDLexer::kMaxWordLength, 'a'));
  EXPECT_EQ(tokens[1], "cmd:next");
  // 130 characters are well within the limit and kept whole.
  EXPECT_EQ(Tokens(std::string(130, 'k')), V{"cmd:" + std::string(130, 'k')});
}

TEST(PdfLexer, LongStringsAreCollectedWhole) {
  const std::string text(1000, 'x');
  EXPECT_EQ(Tokens("(" + text + ")"), V{"str:" + text});
  EXPECT_EQ(Tokens("<" + text + ">"), V{"hex:" + text});
}

TEST(PdfLexer, SkipToNextLine) {
  for (const std::string eol : {"\n", "\r\n", "\r"}) {
    TvnPDLexer lexer(Over("abc" + eol + "next"));
    lexer.SkiptoNextLine();
    auto t = lexer.GetObject();
    EXPECT_TRUE(t->IsCommand("next")) << int(eol[0]);
  }
  TvnPDLexer lexer(Over("abc"));
  lexer.SkiptoNextLine();
  EXPECT_TRUE(lexer.GetObject()->IsEOF());
}

}  // namespace
}  // namespace vn::pdf::lexer_test
