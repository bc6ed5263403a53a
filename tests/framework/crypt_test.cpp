#include "framework/crypt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vn::framework::crypt_test {
namespace {

TvnByteArray1 Bytes(std::string_view s) { return TvnByteArray1(s.begin(), s.end()); }

// Messages around the block size; the runtime's MD5Of is the reference.
const char* const kMessages[] = {
    "", "abc", "message digest",
    "12345678901234567890123456789012345678901234567890123456789012345678901234567890"};

TEST(MD5, EveryInterfaceGivesTheDigest) {
  TvnMD5 reused;  // one object for every message, as the engine uses it
  for (const char* message : kMessages) {
    const MD5Digest expected = MD5Of(std::string_view(message));
    MD5Digest digest;
    const TvnByteArray1 bytes = Bytes(message);
    reused.GetHash(bytes, static_cast<int32_t>(bytes.size()), digest);
    EXPECT_EQ(digest, expected) << message;

    TvnMD5Context context;
    TvnCryptStream::MD5Init(context);
    TvnCryptStream::MD5Update(context, bytes.data(), static_cast<uint32_t>(bytes.size()));
    TvnCryptStream::MD5Final(context, digest);
    EXPECT_EQ(digest, expected) << message;

    vn::TStringStream stream(message);
    reused.GetHash(stream, digest);
    EXPECT_EQ(digest, expected) << message;
    EXPECT_EQ(stream.Position(), stream.Size());
  }
}

TEST(MD5, UpdatePiecesWaitInTheBuffer) {
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
  EXPECT_EQ(digest, MD5Of(std::string_view("abc")));
}

TEST(MD5, LengthsBeyondTheArrayAreClamped) {
  TvnMD5 md5;
  MD5Digest digest;
  md5.GetHash(Bytes("abc"), 1000, digest);
  EXPECT_EQ(digest, MD5Of(std::string_view("abc")));
  md5.GetHash(Bytes("abc"), -5, digest);
  EXPECT_EQ(digest, MD5Of(std::string_view("")));
  md5.GetHash(Bytes("abcdef"), 3, digest);  // only the first three bytes
  EXPECT_EQ(digest, MD5Of(std::string_view("abc")));
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

TEST(RC4, ClassOperationsCryptOneWholeMessage) {
  const std::string message(300, 'x');
  for (const std::string& key : {std::string("\x01"), std::string("Secret"), std::string(256, '\xA5')}) {
    TvnRC4State state{};
    ASSERT_TRUE(TvnCryptStream::RC4Init(state, reinterpret_cast<const uint8_t*>(key.data()),
                                        static_cast<int32_t>(key.size())));
    std::vector<uint8_t> data(message.begin(), message.end());
    TvnCryptStream::RC4Crypt(state, data.data(), static_cast<int32_t>(data.size()), data.data());
    EXPECT_EQ(std::string(data.begin(), data.end()), RC4Cipher::Apply(key, message)) << key.size();
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
}

TEST(RC4, RestoringTheSavedPermutationDecrypts) {
  const std::string message = "Attack at dawn: the quick brown fox";
  const std::string key = "Secret";
  TvnRC4State state;
  ASSERT_TRUE(TvnCryptStream::RC4Init(state, reinterpret_cast<const uint8_t*>(key.data()), 6));
  std::vector<uint8_t> data(message.begin(), message.end());
  TvnCryptStream::RC4Crypt(state, data.data(), static_cast<int32_t>(data.size()), data.data());
  EXPECT_NE(std::string(data.begin(), data.end()), message);

  std::memcpy(state.data(), state.data() + 256, 256);
  TvnCryptStream::RC4Crypt(state, data.data(), static_cast<int32_t>(data.size()), data.data());
  EXPECT_EQ(std::string(data.begin(), data.end()), message);
}

}  // namespace
}  // namespace vn::framework::crypt_test
