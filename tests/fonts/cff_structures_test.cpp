// CFF structures: INDEX and DICT reading, operand encodings, the operator
// table, standard strings, and the predefined and embedded encodings and
// charsets.
#include "fonts/cff_structures.h"

#include <gtest/gtest.h>

#include <clocale>

#include "cff_test_fonts.h"
#include "fonts/exceptions.h"
#include "support/prerequisites.h"

namespace vn::fonts::cff_structures_test {
namespace {

using Reader = TvnCFFHeaderAndIndexReader;
using testing::CffIndex;

TvnByteArrayReader Over(const std::string& bytes) {
  return TvnByteArrayReader(TvnByteArray(bytes.begin(), bytes.end()));
}

TvnCFFData Dict(const std::string& bytes) {
  auto input = Over(bytes);
  return Reader::ReadDictData(input);
}

std::string Text(std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(CffIndex, EmptyIndexOccupiesTwoBytes) {
  auto input = Over(std::string("\x00\x00\x2a", 3));
  const TvnCFFIndex index = Reader::ReadIndexData(input);
  EXPECT_EQ(index.Count(), 0);
  EXPECT_EQ(index.Foffset, std::vector<int64_t>{1});
  EXPECT_EQ(input.GetFilePointer(), 2);
}

TEST(CffIndex, ObjectsAndThePositionAfterTheData) {
  // Two objects with three-byte offsets, then one byte of what follows.
  auto input = Over(std::string("\x00\x02\x03\x00\x00\x01\x00\x00\x03\x00\x00\x06" "abcde!", 18));
  const TvnCFFIndex index = Reader::ReadIndexData(input);
  ASSERT_EQ(index.Count(), 2);
  EXPECT_EQ(index.FOffsize, 3);
  EXPECT_EQ(Text(index.Object(0)), "ab");
  EXPECT_EQ(index.GetBytes(1), (TvnByteArray{'c', 'd', 'e'}));
  EXPECT_TRUE(index.Object(2).empty());
  EXPECT_EQ(input.Read(), '!');
}

TEST(CffIndex, DamagedIndexesReadNothingBeyondTheData) {
  struct Case {
    std::string bytes;
    int32_t count;
    std::vector<std::string> objects;
  } cases[] = {
      {std::string("\x00\x01\x05\x00\x00\x00\x00\x01", 8), 0, {}},           // offset size 5
      {std::string("\x00\x03\x01\x01\x02", 5), 0, {}},                         // offsets cut off
      {std::string("\x00\x02\x01\x01\x03\xff" "ab", 8), 2, {"ab", ""}},        // last offset past the data
      {std::string("\x00\x02\x01\x01\x03\x02" "ab", 8), 2, {"", ""}},          // offsets going back
      {std::string("\x00", 1), 0, {}},                                          // count cut off
  };
  for (const Case& c : cases) {
    auto input = Over(c.bytes);
    const TvnCFFIndex index = Reader::ReadIndexData(input);
    EXPECT_EQ(index.Count(), c.count) << ::testing::PrintToString(c.bytes);
    for (size_t i = 0; i < c.objects.size(); ++i) EXPECT_EQ(Text(index.Object(static_cast<int32_t>(i))), c.objects[i]);
  }
}

TEST(CffDict, OperandEncodings) {
  struct Case {
    std::string bytes;
    double value;
  } cases[] = {
      {"\x1c\xff\x9c", -100},
      {"\x1d\xff\xff\xff\xff", -1},
      {std::string("\xf7\x00", 2), 108},
      {std::string("\xfb\x00", 2), -108},
      {"\x8b", 0},
      {"\x20", -107},
      {"\xfe\xff", -1131},
      {"\x1e\xe2\xa2\x5f", -2.25},
      {"\x1e\x1c\x31\xff", 1e-31},                       // 1E-31
      {"\x1e\x0a\x03\x96\x25\xff", 0.039625},
      {std::string("\x1d\x01\x00\x00\x01", 5), 16777217},  // an offset beyond 2^24 stays exact
      {"\xff", 0},                                          // reserved
  };
  for (const Case& c : cases) {
    const TvnCFFData dict = Dict((c.bytes + "\x0f"));
    ASSERT_EQ(dict.FDictEntries.size(), 1u) << ::testing::PrintToString(c.bytes);
    EXPECT_DOUBLE_EQ(dict.FDictEntries[0].Operand(0), c.value) << ::testing::PrintToString(c.bytes);
  }
}

TEST(CffDict, RealNumbersIgnoreTheLocale) {
  if (!vn::test_support::SetLocale("de_DE.UTF-8")) GTEST_SKIP() << "no de_DE locale";
  const TvnCFFData dict = Dict(("\x1e\xe2\xa2\x5f\x0f"));
  std::setlocale(LC_ALL, "C");
  ASSERT_EQ(dict.FDictEntries.size(), 1u);
  EXPECT_EQ(dict.FDictEntries[0].Operand(0), -2.25);
}

TEST(CffDict, OperatorKeysAndNames) {
  struct Case {
    std::string bytes;
    int32_t key;
    const char* name;
  } cases[] = {
      {"\x0c\x11", 1217, "LanguageGroup"}, {"\x0c\x09", 129, "BlueScale"}, {"\x0c\x0a", 1210, "BlueShift"},
      {std::string("\x0c\x00", 2), 120, "Copyright"}, {"\x11", 17, "Charstrings"}, {"\x0c\x24", 1236, "FDArray"},
      {std::string("\x00", 1), 0, "version"},         {"\x15", 21, "nominalWidthX"},
  };
  for (const Case& c : cases) {
    const TvnCFFData dict = Dict(("\x8b" + c.bytes));
    ASSERT_EQ(dict.FDictEntries.size(), 1u) << c.name;
    ASSERT_NE(dict.FDictEntries[0].FOperators, nullptr) << c.name;
    EXPECT_EQ(dict.FDictEntries[0].FOperators->FCommandValue, c.key);
    EXPECT_EQ(dict.FDictEntries[0].FOperators->FCommandName, c.name);
    EXPECT_EQ(TvnCFFCommands::GetOperator(std::string_view(c.name)), dict.FDictEntries[0].FOperators);
  }
  EXPECT_EQ(TvnCFFCommands::GetOperator(1299), nullptr);
  EXPECT_EQ(TvnCFFCommands::GetOperator(std::string_view("charstrings")), nullptr);
}

TEST(CffDict, LookupsTakeTheLastEntryAndSkipUnknownOperators) {
  // 100 StdHW, 1 2 <12 50: unknown>, 200 StdHW, then operands without an operator.
  const TvnCFFData dict = Dict(("\xef\x0a\x8c\x8d\x0c\x32\xf7\x5c\x0a\x8c\x8d"));
  ASSERT_EQ(dict.FDictEntries.size(), 3u);
  EXPECT_EQ(dict.FDictEntries[1].FOperators, nullptr);
  EXPECT_EQ(dict.FDictEntries[1].FOperands, (std::vector<double>{1, 2}));
  ASSERT_NE(dict.GetEntry("StdHW"), nullptr);
  EXPECT_EQ(dict.GetEntry("StdHW")->Operand(0), 200);
  EXPECT_EQ(dict.GetEntry("StdVW"), nullptr);
}

TEST(CffStrings, StandardStrings) {
  EXPECT_EQ(TvnCFFStandardStrings::GetName(0), ".notdef");
  EXPECT_EQ(TvnCFFStandardStrings::GetName(103), "currency");
  EXPECT_EQ(TvnCFFStandardStrings::GetName(200), "aacute");
  EXPECT_EQ(TvnCFFStandardStrings::GetName(390), "Semibold");
  EXPECT_EQ(TvnCFFStandardStrings::GetName(391), "");

  TvnCFFIndex strings;
  auto input = Over(CffIndex({"Custom"}));
  strings = Reader::ReadIndexData(input);
  std::string text;
  EXPECT_TRUE(CffSIDString(391, strings, text));
  EXPECT_EQ(text, "Custom");
  EXPECT_FALSE(CffSIDString(392, strings, text));
}

TEST(CffEncoding, PredefinedEncodings) {
  const TvnCFFExpertEncoding expert;
  EXPECT_EQ(expert.GetSID(0), 0);
  EXPECT_EQ(expert.GetSID(32), 1);
  EXPECT_EQ(TvnCFFStandardStrings::GetName(expert.GetSID(86)), "ff");
  EXPECT_EQ(TvnCFFStandardStrings::GetName(expert.GetSID(255)), "Ydieresissmall");
  const TvnCFFStandardEncoding standard;
  EXPECT_EQ(standard.Pairs().size(), 256u);
  EXPECT_EQ(TvnCFFStandardStrings::GetName(standard.GetSID(65)), "A");
  EXPECT_EQ(TvnCFFStandardStrings::GetName(standard.GetSID(0xE1)), "AE");
  EXPECT_EQ(standard.GetSID(128), 0);
  EXPECT_EQ(standard.GetSID(256), -1);
}

TEST(CffEncoding, EmbeddedEncodings) {
  const std::vector<int32_t> sids = {34, 35, 36, 37};  // glyphs 1-4: A B C D
  struct Case {
    std::string bytes;
    std::vector<std::pair<int32_t, int32_t>> code_sid;
  } cases[] = {
      // format 0: codes 65, 66, 80 for glyphs 1-3
      {std::string("\x00\x03\x41\x42\x50", 5), {{65, 34}, {66, 35}, {80, 36}, {67, -1}}},
      // format 0 with more codes than glyphs: the extra codes stay unmapped
      {std::string("\x00\x06\x41\x42\x43\x44\x45\x46", 8), {{68, 37}, {69, -1}}},
      // format 1: 65-66 and 100-101
      {"\x01\x02\x41\x01\x64\x01", {{65, 34}, {66, 35}, {100, 36}, {101, 37}, {67, -1}}},
      // supplements: 97 is a second code of SID 34; 65 keeps its pair
      {std::string("\x80\x01\x41\x02\x61\x00\x22\x41\x00\x30", 10), {{65, 34}, {97, 34}}},
  };
  for (const Case& c : cases) {
    auto input = Over(c.bytes);
    const auto encoding = TvnCFFEmbeddedEncoding::Read(input, sids);
    for (const auto& [code, sid] : c.code_sid)
      EXPECT_EQ(encoding->GetSID(code), sid) << ::testing::PrintToString(c.bytes) << " code " << code;
  }
  auto input = Over(std::string("\x81\x01\x41\x00\x01\x61\x00\x22", 8));
  const auto with_sups = TvnCFFEmbeddedEncoding::Read(input, sids);
  EXPECT_EQ(with_sups->FNSups, 1);
  ASSERT_EQ(with_sups->FSupplement.size(), 1u);
  EXPECT_EQ(with_sups->FSupplement[0].FGlyph, 34);

  for (const char* format : {"\x02\x00", "\x83\x00"}) {
    auto bad = Over(format);
    try {
      TvnCFFEmbeddedEncoding::Read(bad, sids);
      ADD_FAILURE() << "format accepted";
    } catch (const TvnKPNException& e) {
      EXPECT_STREQ(e.what(), "Unable to read font encoding");
    }
  }
}

TEST(CffCharset, PredefinedCharsets) {
  struct Case {
    const TvnCFFCharset& charset;
    size_t glyphs;
    const char* first;
    const char* last;
  } cases[] = {
      {TvnCFFISOAdobeCharset(), 228, "space", "zcaron"},
      {TvnCFFExpertCharset(), 165, "space", "Ydieresissmall"},
      {TvnCFFExpertSubsetCharset(), 86, "space", "commainferior"},
  };
  for (const Case& c : cases) {
    const auto& pairs = c.charset.GetSIDNamePairs();
    ASSERT_EQ(pairs.size(), c.glyphs);
    EXPECT_EQ(pairs.front().Name(), c.first);
    EXPECT_EQ(pairs.back().Name(), c.last);
    EXPECT_EQ(c.charset.GetName(pairs.back().SID()), c.last);
  }
  EXPECT_EQ(TvnCFFISOAdobeCharset().GetName(0), "");
}

TEST(CffCharset, EmbeddedCharsetsAndFallbackNames) {
  TvnCFFIndex strings;
  auto string_input = Over(CffIndex({"one.alt"}));
  strings = Reader::ReadIndexData(string_input);
  struct Case {
    std::string bytes;
    int32_t glyphs;
    std::vector<std::string> names;
  } cases[] = {
      // format 0: SIDs 34, 391 (the String INDEX), 500 (no string)
      {std::string("\x00\x00\x22\x01\x87\x01\xf4", 7), 4, {"A", "one.alt", "glyph500"}},
      // format 1: 34-35, then 600-601 (no strings: glyph + glyphs before + position)
      {std::string("\x01\x00\x22\x01\x02\x58\x01", 7), 5, {"A", "B", "glyph20", "glyph21"}},
      // format 2, a range longer than the glyphs
      {std::string("\x02\x00\x22\x01\x00", 5), 3, {"A", "B"}},
      // format 0 cut off: what is there
      {std::string("\x00\x00\x22\x00", 4), 4, {"A"}},
  };
  for (const Case& c : cases) {
    auto input = Over(c.bytes);
    const auto charset = TvnCFFEmbeddedCharset::Read(input, c.glyphs, strings);
    std::vector<std::string> names;
    for (const auto& p : charset->GetSIDNamePairs()) names.push_back(p.Name());
    EXPECT_EQ(names, c.names) << ::testing::PrintToString(c.bytes);
  }
}

}  // namespace
}  // namespace vn::fonts::cff_structures_test
