#include "framework/vnqCrypt.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/exceptions.h"

namespace vn::framework {
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

std::vector<uint8_t> Unhex(std::string_view hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return out;
}

TvnByteArray1 Bytes(std::string_view s) { return TvnByteArray1(s.begin(), s.end()); }

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

TEST(MD5, Rfc1321SuiteThroughEveryInterface) {
  TvnMD5 reused;  // one object for every message, as the engine uses it
  for (const auto& c : kRfc1321Suite) {
    EXPECT_EQ(Hex(MD5Of(std::string_view(c.message))), c.digest) << c.message;

    MD5Digest digest;
    const TvnByteArray1 bytes = Bytes(c.message);
    reused.GetHash(bytes, static_cast<int32_t>(bytes.size()), digest);
    EXPECT_EQ(Hex(digest), c.digest) << c.message;

    TvnMD5Context context;
    TvnCryptStream::MD5Init(context);
    TvnCryptStream::MD5Update(context, bytes.data(), static_cast<uint32_t>(bytes.size()));
    TvnCryptStream::MD5Final(context, digest);
    EXPECT_EQ(Hex(digest), c.digest) << c.message;

    vn::TStringStream stream(c.message);
    reused.GetHash(stream, digest);
    EXPECT_EQ(Hex(digest), c.digest) << c.message;
    EXPECT_EQ(stream.Position(), stream.Size());
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
  TvnMD5 md5;
  md5.Update(message.data(), 1, true);
  md5.Update(message.data() + 1, 63, true);
  md5.Update(message.data() + 64, 36, true);
  MD5Digest pieces;
  md5.Finalize(pieces);
  EXPECT_EQ(pieces, MD5Of(std::string_view(message)));
}

TEST(MD5, FinalizeZeroesTheContextAndInitilizeRestarts) {
  TvnMD5 md5;
  md5.Update(Bytes("abc"), 3);
  MD5Digest digest;
  md5.Finalize(digest);
  const MD5Context& ctx = md5.Context();
  EXPECT_EQ(ctx.State.A | ctx.State.B | ctx.State.C | ctx.State.D, 0u);
  EXPECT_EQ(ctx.Count[0] | ctx.Count[1], 0u);
  for (uint8_t b : ctx.Buffer) EXPECT_EQ(b, 0);

  md5.Initilize();
  md5.Update(Bytes("abc"), 3);
  md5.Finalize(digest);
  EXPECT_EQ(Hex(digest), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(MD5, LengthsBeyondTheArrayAreClamped) {
  TvnMD5 md5;
  MD5Digest digest;
  md5.GetHash(Bytes("abc"), 1000, digest);
  EXPECT_EQ(Hex(digest), "900150983cd24fb0d6963f7d28e17f72");
  md5.GetHash(Bytes("abc"), -5, digest);
  EXPECT_EQ(Hex(digest), "d41d8cd98f00b204e9800998ecf8427e");
  md5.GetHash(Bytes("abcdef"), 3, digest);  // only the first three bytes
  EXPECT_EQ(Hex(digest), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(MD5, CompareHashTellsEqualAndDifferentImages) {
  TvnByteArray1 image(5000);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31);
  TvnByteArray1 same = image;
  TvnByteArray1 other = image;
  other[4321] ^= 1;
  TvnMD5 md5;
  MD5Digest a, b, c;
  md5.GetHash(image, static_cast<int32_t>(image.size()), a);
  md5.GetHash(same, static_cast<int32_t>(same.size()), b);
  md5.GetHash(other, static_cast<int32_t>(other.size()), c);
  EXPECT_TRUE(TvnMD5::CompareHash(a, b));
  EXPECT_FALSE(TvnMD5::CompareHash(a, c));
}

TEST(MD5, RotAndCopyValue) {
  EXPECT_EQ(TvnCryptStream::Rot(0x80000001u, 1), 0x00000003u);
  EXPECT_EQ(TvnCryptStream::Rot(0x12345678u, 0), 0x12345678u);
  std::vector<uint8_t> src = {1, 2, 3, 4}, dst(4, 0);
  TvnCryptStream::CopyValue(dst, 2, 1, 2, src);
  EXPECT_EQ(dst, (std::vector<uint8_t>{0, 0, 2, 3}));
  TvnCryptStream::CopyValue(dst, 0, 0, 0, src);   // nothing
  TvnCryptStream::CopyValue(dst, 3, 2, 0, src);   // source range too short: nothing
  TvnCryptStream::CopyValue(dst, 2, 0, 3, src);   // destination range too short: nothing
  EXPECT_EQ(dst, (std::vector<uint8_t>{0, 0, 2, 3}));
  EXPECT_EQ(TvnCryptStream::GetSize(), 0);
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

    // The class operations encrypt one whole message of zeros.
    TvnRC4State state{};
    ASSERT_TRUE(TvnCryptStream::RC4Init(state, key.data(), static_cast<int32_t>(key.size())));
    std::vector<uint8_t> whole(total, 0);
    TvnCryptStream::RC4Crypt(state, whole.data(), static_cast<int32_t>(total), whole.data());
    EXPECT_EQ(Hex(std::span(whole).subspan(v.offset)), v.stream) << v.key << " @" << v.offset;

    // The stream form reaches the offset in uneven pieces.
    RC4Cipher cipher(key);
    std::vector<uint8_t> pieces(total, 0);
    for (size_t at = 0, step = 1; at < total; at += step, step = step * 3 + 1)
      cipher.Crypt(pieces.data() + at, pieces.data() + at, std::min(step, total - at));
    EXPECT_EQ(pieces, whole) << v.key << " @" << v.offset;
  }
}

TEST(RC4, BadKeyLengthsLeaveTheStateUnchanged) {
  TvnRC4State state;
  for (size_t i = 0; i < state.size(); ++i) state[i] = static_cast<uint8_t>(i * 13);
  const TvnRC4State before = state;
  std::vector<uint8_t> key(257, 7);
  EXPECT_FALSE(TvnCryptStream::RC4Init(state, key.data(), 0));
  EXPECT_FALSE(TvnCryptStream::RC4Init(state, key.data(), 257));
  EXPECT_FALSE(TvnCryptStream::RC4Init(state, key.data(), -1));
  EXPECT_EQ(state, before);

  EXPECT_TRUE(TvnCryptStream::RC4Init(state, key.data(), 1));
  EXPECT_TRUE(TvnCryptStream::RC4Init(state, key.data(), 256));
  // The saved permutation follows S.
  EXPECT_EQ(std::memcmp(state.data(), state.data() + 256, 256), 0);

  EXPECT_THROW(RC4Cipher(std::span<const uint8_t>()), EArgumentOutOfRangeException);
  EXPECT_THROW(RC4Cipher(std::span<const uint8_t>(key)), EArgumentOutOfRangeException);
  EXPECT_NO_THROW(RC4Cipher(std::span<const uint8_t>(key.data(), 256)));
}

TEST(RC4, RestoringTheSavedPermutationDecrypts) {
  const std::string message = "Attack at dawn: the quick brown fox";
  const std::string key = "Secret";
  TvnRC4State state;
  ASSERT_TRUE(TvnCryptStream::RC4Init(state, reinterpret_cast<const uint8_t*>(key.data()), 6));
  std::vector<uint8_t> data(message.begin(), message.end());
  TvnCryptStream::RC4Crypt(state, data.data(), static_cast<int32_t>(data.size()), data.data());
  EXPECT_NE(std::string(data.begin(), data.end()), message);
  EXPECT_EQ(std::string(data.begin(), data.end()), RC4Cipher::Apply(key, message));

  std::memcpy(state.data(), state.data() + 256, 256);
  TvnCryptStream::RC4Crypt(state, data.data(), static_cast<int32_t>(data.size()), data.data());
  EXPECT_EQ(std::string(data.begin(), data.end()), message);

  RC4Cipher cipher(key);
  std::string text = message;
  cipher.Crypt(std::span<uint8_t>(reinterpret_cast<uint8_t*>(text.data()), text.size()));
  cipher.Restart();
  cipher.Crypt(std::span<uint8_t>(reinterpret_cast<uint8_t*>(text.data()), text.size()));
  EXPECT_EQ(text, message);
}

}  // namespace
}  // namespace vn::framework
