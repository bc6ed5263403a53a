// The legacy methods: shrinking with partial clears, reducing with every
// factor and follower sets, imploding with two and three trees and both
// windows, checked against known bytes and against unzip where unzip reads
// the method; damaged streams end early; output stops at the declared size.
#include "ooxml/zip_legacy.h"

#include <gtest/gtest.h>

#include <random>

#include "legacy_encoders.h"
#include "ooxml/zip_exceptions.h"
#include "zip_test_support.h"

namespace vn::ooxml::zip_legacy_test {
namespace {

using namespace vn::ooxml::testing;
using Dictionary = TAbZipFileHeader::TAbZipDictionarySize;

std::string Decode(const std::string& compressed, uint8_t method, size_t size, Dictionary dictionary = Dictionary::ds4K,
                   int trees = 2) {
  TStringStream in(compressed), out;
  TAbUnzipHelper helper(in, out);
  helper.CompressionMethod = method;
  helper.UnCompressedSize = static_cast<uint32_t>(size);
  helper.DictionarySize = dictionary;
  helper.ShannonFanoTreeCount = trees;
  helper.Execute();
  return out.DataString();
}

// unzip's bytes for a member of a one-method archive made by our builder.
std::string UnzipMember(const ZipBuilder& builder, const std::string& member) {
  TempDir dir;
  WriteFile(dir / "legacy.zip", builder.Build());
  std::string out;
  EXPECT_EQ(RunTool("unzip -p " + Quote((dir / "legacy.zip").string()) + " " + Quote(member), &out), 0);
  return out;
}

TEST(LegacyMethods, ShrinkWithPartialClears) {
  // Enough varied text to fill the 8192-code table several times.
  std::string data = Text(400000, 5);
  std::mt19937 rng(6);
  for (size_t i = 0; i < data.size(); i += 7) data[i] = static_cast<char>('a' + rng() % 26);
  const std::string shrunk = Shrink(data);
  EXPECT_EQ(Decode(shrunk, 1, data.size()), data);
  // A code used in the step that defines it.
  EXPECT_EQ(Decode(Shrink("aaaaaaaaaaaaaaaaaaaaab"), 1, 22), "aaaaaaaaaaaaaaaaaaaaab");
  // The declared size ends the output, though the stream goes on.
  EXPECT_EQ(Decode(shrunk, 1, 1000), data.substr(0, 1000));
  VN_REQUIRE_TOOL("unzip");
  ZipBuilder b;
  b.entries.push_back(ZipEntry{.name = "shrunk.txt", .data = data, .method = 1, .compressed = shrunk});
  EXPECT_EQ(UnzipMember(b, "shrunk.txt"), data);
}

TEST(LegacyMethods, ReduceWithEveryFactor) {
  std::vector<ReduceToken> tokens;
  for (char c : std::string("abcabcabd")) tokens.push_back({.literal = static_cast<uint8_t>(c)});
  tokens.push_back({.literal = 144});                // DLE followed by 0: a literal 144
  tokens.push_back({.length = 5, .distance = 3});    // short copy
  tokens.push_back({.length = 200, .distance = 1});  // long copy, extra length byte
  tokens.push_back({.length = 4, .distance = 300});  // reaches before the start: zeros
  for (char c : std::string("bab")) tokens.push_back({.literal = static_cast<uint8_t>(c)});
  const std::string expected = Expand(tokens);
  ASSERT_NE(expected.find('\x90'), std::string::npos);
  const std::map<uint8_t, std::string> followers = {{'a', "b"}, {'b', "cad"}, {'c', "ab"}};
  for (int factor = 1; factor <= 4; ++factor) {
    const auto method = static_cast<uint8_t>(factor + 1);
    EXPECT_EQ(Decode(Reduce(tokens, factor), method, expected.size()), expected) << factor;
    EXPECT_EQ(Decode(Reduce(tokens, factor, followers), method, expected.size()), expected) << factor;
  }
}

TEST(LegacyMethods, ImplodeWithTwoAndThreeTreesAndBothWindows) {
  const std::string text = Text(30000, 7);
  // A first copy reaches before the start: zeros.
  std::vector<ImplodeToken> tokens = {{.length = 4, .distance = 10}};
  for (size_t i = 0; i < text.size();) {
    // Repeats of earlier text at growing distances, literals between.
    if (i > 9000 && i % 5 == 0) {
      const unsigned length = 2 + static_cast<unsigned>(i % 300);
      tokens.push_back({.length = length, .distance = 1 + static_cast<unsigned>(i % 8000)});
      i += length;
    } else {
      tokens.push_back({.literal = static_cast<uint8_t>(text[i++])});
    }
  }
  struct Variant {
    bool eight_k, three_trees;
  } variants[] = {{false, false}, {false, true}, {true, false}, {true, true}};
  ZipBuilder b;
  std::vector<std::string> expected;
  for (const Variant& v : variants) {
    std::vector<ImplodeToken> fitted = tokens;
    const unsigned window = v.eight_k ? 8192 : 4096;
    const unsigned min_match = v.three_trees ? 3 : 2;
    for (auto& t : fitted) {
      if (t.literal >= 0) continue;
      t.distance = 1 + (t.distance - 1) % window;
      t.length = std::max(t.length, min_match);
    }
    expected.push_back(Expand(fitted));
    const std::string imploded = Implode(fitted, v.eight_k, v.three_trees);
    EXPECT_EQ(Decode(imploded, 6, expected.back().size(), v.eight_k ? Dictionary::ds8K : Dictionary::ds4K,
                     v.three_trees ? 3 : 2),
              expected.back())
        << expected.size();
    b.entries.push_back(ZipEntry{.name = "imploded" + std::to_string(expected.size()), .data = expected.back(),
                                 .method = 6, .compressed = imploded,
                                 .flags = static_cast<uint16_t>((v.eight_k ? 2 : 0) | (v.three_trees ? 4 : 0))});
  }
  VN_REQUIRE_TOOL("unzip");
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(UnzipMember(b, "imploded" + std::to_string(i + 1)), expected[i]) << i;
}

TEST(LegacyMethods, DamagedStreamsEndEarly) {
  // A shrunk stream that raises the code size past 13 bits, an implode tree
  // of more values than its table and a follower set larger than 32.
  BitWriter shrink;
  shrink.Bits('a', 9);
  for (int size = 9; size <= 13; ++size) shrink.Bits(256, size).Bits(1, size);
  shrink.Bits('b', 14);
  BitWriter implode;
  implode.Bits(255, 8);
  for (int i = 0; i < 256; ++i) implode.Bits(0xF7, 8);
  BitWriter reduce;
  reduce.Bits(40, 6);
  EXPECT_EQ(Decode(shrink.Finish(), 1, 100), "a");
  EXPECT_EQ(Decode(implode.Finish(), 6, 100), "");
  EXPECT_EQ(Decode(reduce.Finish(), 2, 100), "");
  EXPECT_EQ(Decode("", 1, 100), "");
  EXPECT_THROW(Decode("x", 8, 1), EAbZipInvalidMethod);
  EXPECT_THROW(Decode("x", 7, 1), EAbZipInvalidMethod);
}

}  // namespace
}  // namespace vn::ooxml::zip_legacy_test
