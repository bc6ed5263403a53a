// ASCIIHex, ASCII85 and RunLength: decoding tables, round trips through the
// encoders, truncated data and Reset.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "pdf/filters/text_filters.h"

namespace vn::pdf::filters::text_filters_test {
namespace {
using codec::SpanSource;

template <typename Decoder>
std::string Decode(const std::string& input) {
  SpanSource source(input);
  Decoder decoder(source);
  return decoder.ReadAll();
}

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s.push_back(static_cast<char>(b));
  return s;
}

TEST(AsciiHex, Cases) {
  struct Case {
    std::string input, expected;
  } cases[] = {
      {"48 65 6C6C 6F>", "Hello"},
      {"7>", Bytes({0x70})},
      {"g1>", Bytes({0x01})},
      {">", ""},
      {Bytes({'\r', '\n', '\t', '\f', ' ', '4', 0, '1', ' ', '>'}), "A"},
      {"4142", "AB"},  // no end marker
      {"414", "A@"},
      {"41>42", "A"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode<AsciiHexDecoder>(c.input), c.expected) << c.input;
}

TEST(Ascii85, Cases) {
  struct Case {
    std::string input, expected;
  } cases[] = {
      {"9jqo^~>", "Man "},
      {"z~>", std::string(4, '\0')},
      {"5l~>", "A"},
      {"9jqo^5l~", "Man A"},  // "~" without ">"
      {"9j\r\nqo ^~>", "Man "},
      {"9jqo^", "Man "},  // no end marker
      {"9~>", ""},       // a lone character yields nothing
      {"~>", ""},
      {"", ""},
      {"s8W-!~>", Bytes({0xFF, 0xFF, 0xFF, 0xFF})},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode<Ascii85Decoder>(c.input), c.expected) << c.input;
}

TEST(RunLength, Cases) {
  struct Case {
    const char* name;
    std::string input, expected;
  } cases[] = {
      {"literal then repeat", Bytes({2, 'A', 'B', 'C', 0xFE, 'D', 0x80}), "ABCDDD"},
      {"leading end byte", Bytes({0x80, 1, 'A', 'B'}), ""},
      {"longest repeat", Bytes({0x81, 'x', 0x80}), std::string(128, 'x')},
      {"literal cut short ends after its bytes", Bytes({5, 'A', 'B'}), "AB"},
      {"repeat without its byte", Bytes({0, 'A', 0xF0}), "A"},
      {"no end byte", Bytes({0, 'Z'}), "Z"},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode<RunLengthDecoder>(c.input), c.expected) << c.name;
}

TEST(TextFilters, EncodersRoundTrip) {
  std::mt19937 rng(3);
  for (size_t size : {0u, 1u, 2u, 3u, 4u, 5u, 127u, 128u, 129u, 300u, 5000u}) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(rng() % 5 == 0 ? 0 : (i / 7) % 3);
    std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    EXPECT_EQ(Decode<AsciiHexDecoder>(AsciiHexEncode(bytes)), data) << size;
    EXPECT_EQ(Decode<Ascii85Decoder>(Ascii85Encode(bytes)), data) << size;
    EXPECT_EQ(Decode<RunLengthDecoder>(RunLengthEncode(bytes)), data) << size;
  }
  const uint8_t man[] = {'M', 'a', 'n', ' ', 0, 0, 0, 0, 'A'};
  EXPECT_EQ(Ascii85Encode(man), "9jqo^z5l~>");
  EXPECT_EQ(AsciiHexEncode(std::span(man, 3)), "4D616E>");
  const uint8_t runs[] = {'A', 'B', 'C', 'D', 'D', 'D'};
  EXPECT_EQ(RunLengthEncode(runs), Bytes({2, 'A', 'B', 'C', 0xFE, 'D', 0x80}));
}

TEST(TextFilters, ResetDecodesAgainAndCapHolds) {
  std::string hex = "48656C6C6F2C20776F726C64>";
  SpanSource source(hex);
  AsciiHexDecoder decoder(source);
  uint8_t b[3];
  ASSERT_EQ(decoder.Read(b, 3), 3u);
  decoder.Reset();
  EXPECT_EQ(decoder.ReadAll(), "Hello, world");
  decoder.Reset();
  decoder.SetMaxOutput(5);
  EXPECT_EQ(decoder.ReadAll(), "Hello");
}

}  // namespace
}  // namespace vn::pdf::filters::text_filters_test
