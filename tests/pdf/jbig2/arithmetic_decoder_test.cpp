// The MQ decoder against the standard's test sequence and the reference
// encoder, its end-of-data behaviour, context tables and the integer decoders.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "pdf/jbig2/arithmetic_decoder.h"
#include "pdf/jbig2/exceptions.h"
#include "test_support.h"

namespace vn::pdf::jbig2::arithmetic_decoder_test {
namespace {

using testing::Bytes;
using testing::MqEncoder;

// The test sequence of the standard's arithmetic decoder: 30 coded bytes
// give 32 bytes, every bit in one context.
const std::vector<uint8_t> kMqInput = Bytes({0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87,
                                             0x2A, 0xAA, 0xAA, 0xAA, 0xAA, 0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7,
                                             0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF});
const std::vector<uint8_t> kMqCoded = Bytes({0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20,
                                             0x00, 0x00, 0x41, 0x0D, 0xBB, 0x86, 0xF4, 0x31, 0x7F, 0xFF,
                                             0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF, 0xFF, 0xAC});

std::vector<uint8_t> DecodeBytes(const std::vector<uint8_t>& coded, size_t count) {
  TvnIOStream s(coded, INT64_MAX, 0);
  TvnArithmeticDecoder decoder(&s);
  TvnCX cx(1, 0);
  std::vector<uint8_t> out;
  for (size_t i = 0; i < count; ++i) {
    int byte = 0;
    for (int b = 0; b < 8; ++b) byte = byte << 1 | decoder.Decode(cx);
    out.push_back(static_cast<uint8_t>(byte));
  }
  return out;
}

TEST(Jbig2Arithmetic, DecodesTheStandardTestSequence) {
  EXPECT_EQ(DecodeBytes(kMqCoded, 32), kMqInput);
}

TEST(Jbig2Arithmetic, ReferenceEncoderGivesTheStandardTestSequence) {
  MqEncoder mq;
  std::vector<uint8_t> cx(1, 0);
  for (uint8_t byte : kMqInput)
    for (int b = 7; b >= 0; --b) mq.Encode(cx, 0, (byte >> b) & 1);
  EXPECT_EQ(Bytes(mq.Finish()), kMqCoded);
}

TEST(Jbig2Arithmetic, TheEndOfTheDataReadsAsAMarker) {
  // Past the end every byte reads as if a marker stood there: data cut
  // before its closing FF AC decodes the same bits, and decoding long past
  // the end stays where the marker is.
  std::vector<uint8_t> cut(kMqCoded.begin(), kMqCoded.end() - 2);
  EXPECT_EQ(DecodeBytes(cut, 64), DecodeBytes(kMqCoded, 64));

  TvnIOStream s(kMqCoded, INT64_MAX, 0);
  TvnArithmeticDecoder decoder(&s);
  TvnCX cx(1, 0);
  for (int i = 0; i < 100000; ++i) decoder.Decode(cx);
  EXPECT_EQ(s.GetStreamPos(), static_cast<int64_t>(kMqCoded.size()) - 1) << "the reader stops at the marker";

  TvnIOStream empty(std::span<const uint8_t>(), INT64_MAX, 0);
  TvnArithmeticDecoder nothing(&empty);
  for (int i = 0; i < 1000; ++i) nothing.Decode(cx);
}

TEST(Jbig2Arithmetic, ContextTable) {
  TvnCX cx(4, 2);
  EXPECT_EQ(cx.Getindex(), 2);
  EXPECT_EQ(cx.Getcx(), 0);
  EXPECT_EQ(cx.Mps(), 0);
  cx.Setcx(0xC5);  // kept to 7 bits
  EXPECT_EQ(cx.Getcx(), 0x45);
  cx.Togglemps();
  EXPECT_EQ(cx.Mps(), 1);
  EXPECT_EQ(cx.Getcx(), 0x45);
  cx.Setindex(3);
  EXPECT_EQ(cx.Getcx(), 0);
}

TEST(Jbig2Arithmetic, IntegerDecodingRoundTrips) {
  const std::vector<std::optional<int64_t>> values = {
      0, 1, 3, 4, 19, 20, 83, 84, 339, 340, 4435, 4436, 123456789, 4294967295LL + 4436, -1, -3, -4, -20, -340,
      -4436, -70000, std::nullopt, 7, std::nullopt, -2};
  MqEncoder mq;
  std::vector<uint8_t> iax(512, 0), iaid(1 << 7, 0);
  for (const auto& v : values) {
    testing::EncodeInteger(mq, iax, v);
    testing::EncodeIaid(mq, iaid, v ? static_cast<int>((*v % 128 + 128) % 128) : 5, 7);
  }
  const auto data = Bytes(mq.Finish());
  TvnIOStream s(data, INT64_MAX, 0);
  TvnArithmeticIntegerDecoder decoder(std::make_unique<TvnArithmeticDecoder>(&s));
  TvnCX cx_iax(512, 1), cx_iaid(1 << 7, 1);
  for (const auto& v : values) {
    EXPECT_EQ(decoder.Decode(&cx_iax), v ? *v : kOutOfBand);
    EXPECT_EQ(decoder.DecodeIAID(cx_iaid, 7), v ? static_cast<int>((*v % 128 + 128) % 128) : 5);
  }
  EXPECT_THROW(decoder.DecodeIAID(cx_iaid, 8), TvnJBIG2Exception) << "table smaller than the code length needs";
}

}  // namespace
}  // namespace vn::pdf::jbig2::arithmetic_decoder_test
