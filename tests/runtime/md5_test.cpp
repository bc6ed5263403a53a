#include "runtime/md5.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

namespace vn::md5_test {
namespace {

std::string Hex(std::span<const uint8_t> bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// RFC 1321, appendix A.5.
const struct {
  const char* message;
  const char* digest;
} kRfc1321Suite[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(MD5, Rfc1321Suite) {
  for (const auto& c : kRfc1321Suite) {
    EXPECT_EQ(Hex(MD5Of(std::string_view(c.message))), c.digest) << c.message;

    // Byte by byte through a reused context.
    MD5Context context;
    MD5Init(context);
    for (const char* p = c.message; *p != 0; ++p) MD5Update(context, p, 1);
    EXPECT_EQ(Hex(MD5Final(context)), c.digest) << c.message;
  }
}

TEST(MD5, AgreesWithOpenSSLAcrossBlockBoundaries) {
  std::mt19937 rng(1321);
  for (size_t length : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 121u, 127u, 128u, 129u, 1000u, 70000u}) {
    std::string message(length, '\0');
    for (char& ch : message) ch = static_cast<char>(rng());
    unsigned char expected[EVP_MAX_MD_SIZE];
    unsigned int expected_len = 0;
    ASSERT_EQ(EVP_Digest(message.data(), message.size(), expected, &expected_len, EVP_md5(), nullptr), 1);
    EXPECT_EQ(Hex(MD5Of(std::string_view(message))), Hex(std::span<const uint8_t>(expected, expected_len))) << length;
  }
}

TEST(MD5, PieceByPieceEqualsOnePiece) {
  std::string message(100, '\0');
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i * 7 + 3);
  MD5Context context;
  MD5Init(context);
  MD5Update(context, message.data(), 1);
  MD5Update(context, message.data() + 1, 63);
  MD5Update(context, message.data() + 64, 36);
  EXPECT_EQ(MD5Final(context), MD5Of(std::string_view(message)));
}

TEST(MD5, FinalZeroesTheContext) {
  MD5Context context;
  MD5Init(context);
  MD5Update(context, "abc", 3);
  MD5Final(context);
  EXPECT_EQ(context.State.A | context.State.B | context.State.C | context.State.D, 0u);
  EXPECT_EQ(context.Count[0] | context.Count[1], 0u);
  for (uint8_t b : context.Buffer) EXPECT_EQ(b, 0);
}

TEST(MD5, RotateLeft32TakesTheCountModulo32) {
  EXPECT_EQ(RotateLeft32(0x80000001u, 1), 0x00000003u);
  EXPECT_EQ(RotateLeft32(0x12345678u, 0), 0x12345678u);
  EXPECT_EQ(RotateLeft32(0x12345678u, 32), 0x12345678u);
  EXPECT_EQ(RotateLeft32(0x12345678u, 36), 0x23456781u);
}

}  // namespace
}  // namespace vn::md5_test
