// The CMap tokenizer and parser over small CMap programs.
#include "pdfdocument/cmap_parser.h"

#include <gtest/gtest.h>

#include "runtime/streams.h"

namespace cmap_parser_test {

using namespace vn::pdf;
using namespace vn::pdfdoc;

Ref<TvnStream> TextStream(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  return MakeRef<TvnMemoryStream>(mem, 0, 0, false);
}

std::vector<std::string> Tokens(const std::string& text) {
  auto stream = TextStream(text);
  TvnPSTokenizer tokenizer(stream.get());
  std::vector<std::string> out;
  std::string token;
  while (tokenizer.GetNextToken(token)) out.push_back(token);
  return out;
}

TvnPDCMapParser Parse(const std::string& text) {
  auto stream = TextStream(text);
  return TvnPDCMapParser(stream.get());
}

TEST(PSTokenizer, TokenForms) {
  using V = std::vector<std::string>;
  const std::pair<std::string, V> cases[] = {
      {"/Registry (Adobe) def", {"/Registry", "(Adobe)", "def"}},
      {"/Registry(Adobe)def", {"/Registry", "(Adobe)", "def"}},
      {"(a\\)b) x", {"(a\\)b)", "x"}},
      {"<00 41> <0042>", {"<0041>", "<0042>"}},
      {"<</Registry (Adobe)>> def", {"<</Registry(Adobe)>", ">", "def"}},
      {"[<01> 2]", {"[", "<01>", "2", "]"}},
      {"a % begincidrange\r\nb", {"a", "b"}},
      {"  \t\n\f", {}},
      {"tail", {"tail"}},
      {"(unclosed", {"(unclosed"}},
      {"<unclosed", {"<unclosed"}},
      {std::string("x\0y", 3), {"x", "y"}},
  };
  for (const auto& [text, tokens] : cases) EXPECT_EQ(Tokens(text), tokens) << text;
}

TEST(PSTokenizer, LongTokensKeepTheirFirst256Characters) {
  const std::string name(5000, 'n');
  const auto tokens = Tokens("/" + name + " next (" + std::string(3000, 's') + ") <" + std::string(3000, '0') + ">");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0], "/" + name.substr(0, 255));
  EXPECT_EQ(tokens[1], "next");
  EXPECT_EQ(tokens[2].size(), 256u);
  EXPECT_EQ(tokens[3].size(), 256u);
}

TEST(PSTokenizer, TokensAcrossBufferRefills) {
  // Tokens straddling the 1024-byte buffer boundary read whole.
  std::string text(1020, ' ');
  text += "begincidrange <0102> end";
  EXPECT_EQ(Tokens(text), (std::vector<std::string>{"begincidrange", "<0102>", "end"}));
}

TEST(CMapParser, SystemInfoAndWMode) {
  auto p = Parse("/CIDSystemInfo 3 dict dup begin /Registry (Adobe) def /Ordering (Japan1) def /Supplement 6 def "
                 "end def /WMode 1 def");
  EXPECT_EQ(p.Registry(), "Adobe");
  EXPECT_EQ(p.Ordering(), "Japan1");
  EXPECT_EQ(p.Supplement(), "6");
  EXPECT_EQ(p.WMode(), 1);
  EXPECT_EQ(Parse("/Registry (Adobe)").WMode(), 0);
  EXPECT_EQ(Parse("/WMode x").WMode(), 0);
}

struct LookupCase {
  const char* What;
  std::string Program;
  std::vector<std::pair<int64_t, int32_t>> Codes;  // code, Lookup
};

const LookupCase kLookupCases[] = {
    {"cidrange", "1 begincidrange <00> <ff> 0 endcidrange", {{0x41, 0x41}, {0xFF, 0xFF}, {0x100, -1}}},
    {"a later range wins", "2 begincidrange <00> <ff> 0 <41> <41> 500 endcidrange", {{0x41, 500}, {0x42, 0x42}}},
    {"bfchar", "2 beginbfchar <01> <0041> <02> <0042> endbfchar", {{1, 0x41}, {2, 0x42}, {3, -1}}},
    {"bfchar wins over bfrange",
     "1 beginbfrange <00> <10> <0061> endbfrange 1 beginbfchar <05> <0058> endbfchar",
     {{5, 0x58}, {4, 0x65}}},
    {"bfrange with an array", "1 beginbfrange <0000> <0002> [<0041> <0042> <0043>] endbfrange",
     {{0, 0x41}, {1, 0x42}, {2, 0x43}, {3, -1}}},
    {"short array", "1 beginbfrange <0000> <0005> [<0041>] endbfrange", {{0, 0x41}, {1, -1}}},
    {"decimal codes", "1 begincidchar 65 1000 endcidchar 1 begincidrange 100 200 7 endcidrange",
     {{65, 1000}, {150, 57}}},
    {"two-digit value", "1 beginbfchar <20> <20> endbfchar", {{0x20, 0x20}}},
    {"eight-digit value: its first character", "1 beginbfchar <01> <00660066> endbfchar", {{1, 0x66}}},
    {"surrogate pair: the whole character", "1 beginbfchar <01> <D83DDE00> endbfchar", {{1, 0x1F600}}},
    {"multi-byte source code", "1 begincidrange <8140> <817e> 633 endcidrange", {{0x8140, 633}, {0x817E, 695}}},
    {"comment hides a keyword", "% begincidrange\n<00> <ff> 0 endcidrange", {{0x41, -1}}},
    {"no endcmap: blocks read so far count", "1 begincidrange <00> <0f> 10 endcidrange 1 begincidrange <20> <2f>",
     {{1, 11}, {0x21, -1}}},
    {"after endcmap nothing is read", "1 begincidchar <01> 5 endcidchar endcmap 1 begincidchar <02> 6 endcidchar",
     {{1, 5}, {2, -1}}},
    // Damaged entries are passed over; the rest of the map stays.
    {"bad number skipped",
     "3 begincidchar <01> 5 <zz> 6 <03> 7x endcidchar 1 begincidrange <10> <1g> 1 <20> <2f> 100 endcidrange",
     {{1, 5}, {3, -1}, {0x10, -1}, {0x21, 101}}},
    {"reversed range holds nothing", "1 begincidrange <20> <10> 5 endcidrange", {{0x15, -1}}},
    {"source beyond four bytes skipped", "1 begincidchar <0102030405> 9 endcidchar", {{0x01020304, -1}}},
};

TEST(CMapParser, Lookups) {
  for (const auto& c : kLookupCases) {
    SCOPED_TRACE(c.What);
    auto p = Parse(c.Program);
    for (const auto& [code, value] : c.Codes) EXPECT_EQ(p.Lookup(code), value) << "code " << code;
  }
}

TEST(CMapParser, LookupRangeIgnoresCharEntries) {
  auto p = Parse("1 beginbfrange <00> <10> <0061> endbfrange 1 beginbfchar <05> <0058> endbfchar");
  EXPECT_EQ(p.LookupRange(5), 0x66);
  EXPECT_EQ(p.LookupRange(0x11), -1);
}

TEST(CMapParser, UnicodeTextKeepsLigaturesAndSurrogatePairs) {
  auto p = Parse(
      "3 beginbfchar <01> <006600660069> <02> <D83DDE00> <03> <0041> endbfchar "
      "1 beginbfrange <10> <12> <D835DC00> endbfrange");
  EXPECT_EQ(p.LookupText(1), u"ffi");
  EXPECT_EQ(p.LookupText(2), u"\U0001F600");
  EXPECT_EQ(p.LookupText(3), u"A");
  EXPECT_EQ(p.LookupText(0x10), u"\U0001D400");
  EXPECT_EQ(p.LookupText(0x12), u"\U0001D402");  // the last unit counts up
  EXPECT_EQ(p.LookupText(0x13), u"");
}

TEST(CMapParser, CodeSpaceGivesCodeLengths) {
  auto p = Parse(
      "4 begincodespacerange <00> <80> <8140> <9ffc> <a0> <df> <e040> <fcfc> endcodespacerange "
      "1 begincodespacerange <00> <0102> endcodespacerange");  // mixed lengths: skipped
  const std::pair<std::vector<uint8_t>, int> cases[] = {
      {{0x41}, 1}, {{0x81, 0x40}, 2}, {{0xB1}, 1}, {{0x81}, 0}, {{0x81, 0x30}, 0}, {{0xFD, 0x40}, 0}, {{}, 0},
  };
  for (const auto& [bytes, length] : cases) EXPECT_EQ(p.CodeLength(bytes.data(), bytes.size()), length);
  EXPECT_EQ(p.CodeSpace().size(), 4u);
}

}  // namespace cmap_parser_test
