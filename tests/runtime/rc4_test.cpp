#include "runtime/rc4.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/exceptions.h"

namespace vn::rc4_test {
namespace {

std::vector<uint8_t> Unhex(std::string_view hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return out;
}

// RFC 6229 section 2: the key stream of the keys 01 02 03 ... at some offsets.
const struct {
  const char* key;
  size_t offset;
  const char* stream;
} kRfc6229[] = {
    {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
    {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
    {"0102030405", 1536, "d8729db41882259bee4f825325f5a130"},
    {"0102030405", 4096, "ff25b58995996707e51fbdf08b34d875"},
    {"01020304050607", 0, "293f02d47f37c9b633f2af5285feb46b"},
    {"01020304050607", 16, "e620f1390d19bd84e2e0fd752031afc1"},
    {"01020304050607", 240, "914f02531c9218810df60f67e338154c"},
    {"01020304050607", 256, "d0fdb583073ce85ab83917740ec011d5"},
    {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
    {"0102030405060708090a0b0c0d0e0f10", 16, "5248c4959014126a6e8a84f11d1a9e1c"},
    {"0102030405060708090a0b0c0d0e0f10", 1536, "ffa0b514647ec04f6306b892ae661181"},
    {"0102030405060708090a0b0c0d0e0f10", 4096, "a36a4c301ae8ac13610ccbc12256cacc"},
    {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 0, "eaa6bd25880bf93d3f5d1e4ca2611d91"},
    {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 16, "cfa45c9f7e714b54bdfa80027cb14380"},
    {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 1536, "3e34135c79db010200767651cf263073"},
    {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 4096, "f3e4c0a2e02d1d01f7f0a74618af2b48"},
};

TEST(RC4, Rfc6229KeyStreams) {
  for (const auto& v : kRfc6229) {
    const std::vector<uint8_t> key = Unhex(v.key);
    const size_t total = v.offset + 16;

    const std::vector<uint8_t> expected = Unhex(v.stream);

    // One whole message of zeros.
    const std::string whole = RC4Cipher::Apply(
        std::string_view(reinterpret_cast<const char*>(key.data()), key.size()), std::string(total, '\0'));
    EXPECT_EQ(std::vector<uint8_t>(whole.begin() + v.offset, whole.end()), expected) << v.key << " @" << v.offset;

    // The stream form reaches the offset in uneven pieces.
    RC4Cipher cipher(key);
    std::vector<uint8_t> pieces(total, 0);
    for (size_t at = 0, step = 1; at < total; at += step, step = step * 3 + 1)
      cipher.Crypt(pieces.data() + at, pieces.data() + at, std::min(step, total - at));
    EXPECT_EQ(std::vector<uint8_t>(pieces.begin() + v.offset, pieces.end()), expected) << v.key << " @" << v.offset;
  }
}

TEST(RC4, KeyLengthsOutsideOneTo256AreRefused) {
  const std::vector<uint8_t> key(257, 7);
  EXPECT_THROW(RC4Cipher(std::span<const uint8_t>()), EArgumentOutOfRangeException);
  EXPECT_THROW(RC4Cipher(std::span<const uint8_t>(key)), EArgumentOutOfRangeException);
  EXPECT_NO_THROW(RC4Cipher(std::span<const uint8_t>(key.data(), 1)));
  EXPECT_NO_THROW(RC4Cipher(std::span<const uint8_t>(key.data(), 256)));
}

TEST(RC4, RestartDecrypts) {
  const std::string message = "Attack at dawn: the quick brown fox";
  RC4Cipher cipher(std::string_view("Secret"));
  std::string text = message;
  cipher.Crypt(std::span<uint8_t>(reinterpret_cast<uint8_t*>(text.data()), text.size()));
  EXPECT_NE(text, message);
  cipher.Restart();
  cipher.Crypt(std::span<uint8_t>(reinterpret_cast<uint8_t*>(text.data()), text.size()));
  EXPECT_EQ(text, message);
}

}  // namespace
}  // namespace vn::rc4_test
