#include "framework/vnqCrypt.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/exceptions.h"

namespace vn::framework {
namespace {

uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void StoreLE32(uint32_t v, uint8_t* p) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
}

// The additive constants: floor(abs(sin(i + 1)) * 2^32).
constexpr uint32_t kT[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Left rotations per round and step within the round.
constexpr uint8_t kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

void RC4Schedule(std::span<uint8_t, 256> s, const uint8_t* key, size_t key_length) {
  for (int i = 0; i < 256; ++i) s[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  uint8_t j = 0;
  for (size_t i = 0; i < 256; ++i) {
    j = static_cast<uint8_t>(j + s[i] + key[i % key_length]);
    std::swap(s[i], s[j]);
  }
}

void RC4Generate(std::span<uint8_t, 256> s, uint8_t& i, uint8_t& j, const uint8_t* input, uint8_t* output,
                 size_t length) {
  for (size_t n = 0; n < length; ++n) {
    i = static_cast<uint8_t>(i + 1);
    j = static_cast<uint8_t>(j + s[i]);
    std::swap(s[i], s[j]);
    output[n] = static_cast<uint8_t>(input[n] ^ s[static_cast<uint8_t>(s[i] + s[j])]);
  }
}

}  // namespace

// --- MD5 ---------------------------------------------------------------------

void MD5Init(MD5Context& context) {
  context.State = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
  context.Count = {0, 0};
  context.Buffer.fill(0);
}

namespace {

// One MD5 round of 16 steps; Round fixes the mixing function and the word
// order at compile time so that every step unrolls to straight-line code.
template <int Round>
inline void Md5Round(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, const uint32_t (&x)[16]) {
#pragma GCC unroll 16
  for (int i = 0; i < 16; ++i) {
    const int step = Round * 16 + i;
    uint32_t f;
    int index;
    if constexpr (Round == 0) {
      f = (b & c) | (~b & d);
      index = i;
    } else if constexpr (Round == 1) {
      f = (b & d) | (c & ~d);
      index = (5 * step + 1) % 16;
    } else if constexpr (Round == 2) {
      f = b ^ c ^ d;
      index = (3 * step + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      index = (7 * step) % 16;
    }
    const uint32_t rotated = TvnCryptStream::Rot(a + f + x[index] + kT[step], kShift[Round][i % 4]);
    a = d;
    d = c;
    c = b;
    b = b + rotated;
  }
}

}  // namespace

void TvnCryptStream::Transform(const uint8_t* ABlock, TvnMD5Context& AContext) {
  uint32_t x[16];
  for (int k = 0; k < 16; ++k) x[k] = LoadLE32(ABlock + 4 * k);
  uint32_t a = AContext.State.A, b = AContext.State.B, c = AContext.State.C, d = AContext.State.D;
  Md5Round<0>(a, b, c, d, x);
  Md5Round<1>(a, b, c, d, x);
  Md5Round<2>(a, b, c, d, x);
  Md5Round<3>(a, b, c, d, x);
  AContext.State.A += a;
  AContext.State.B += b;
  AContext.State.C += c;
  AContext.State.D += d;
}

void MD5Update(MD5Context& context, const void* input, size_t length) {
  if (length == 0) return;
  const auto* in = static_cast<const uint8_t*>(input);
  size_t have = (context.Count[0] >> 3) & 63;  // bytes waiting in the buffer
  // The bit count is modulo 2^64, low word first.
  const uint64_t bits = (uint64_t{context.Count[1]} << 32 | context.Count[0]) + (uint64_t{length} << 3);
  context.Count[0] = static_cast<uint32_t>(bits);
  context.Count[1] = static_cast<uint32_t>(bits >> 32);

  if (have > 0) {
    const size_t take = std::min(length, 64 - have);
    std::memcpy(context.Buffer.data() + have, in, take);
    have += take;
    in += take;
    length -= take;
    if (have < 64) return;
    TvnCryptStream::Transform(context.Buffer.data(), context);
  }
  // Whole blocks straight from the caller's bytes.
  for (; length >= 64; in += 64, length -= 64) TvnCryptStream::Transform(in, context);
  if (length > 0) std::memcpy(context.Buffer.data(), in, length);
}

MD5Digest MD5Final(MD5Context& context) {
  static const uint8_t kPadding[64] = {0x80};
  uint8_t bit_count[8];
  StoreLE32(context.Count[0], bit_count);
  StoreLE32(context.Count[1], bit_count + 4);
  const size_t have = (context.Count[0] >> 3) & 63;
  MD5Update(context, kPadding, have < 56 ? 56 - have : 120 - have);
  MD5Update(context, bit_count, 8);
  MD5Digest digest;
  StoreLE32(context.State.A, digest.data());
  StoreLE32(context.State.B, digest.data() + 4);
  StoreLE32(context.State.C, digest.data() + 8);
  StoreLE32(context.State.D, digest.data() + 12);
  context = MD5Context{};
  return digest;
}

MD5Digest MD5Of(std::span<const uint8_t> bytes) {
  MD5Context context;
  MD5Init(context);
  MD5Update(context, bytes);
  return MD5Final(context);
}

MD5Digest MD5Of(std::string_view bytes) {
  return MD5Of(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// --- RC4 ---------------------------------------------------------------------

RC4Cipher::RC4Cipher(std::span<const uint8_t> key) {
  if (key.size() < kMinKeyLength || key.size() > kMaxKeyLength)
    throw EArgumentOutOfRangeException("RC4 key length must be 1 to 256 bytes");
  RC4Schedule(keyed_, key.data(), key.size());
  Restart();
}

RC4Cipher::RC4Cipher(std::string_view key)
    : RC4Cipher(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(key.data()), key.size())) {}

void RC4Cipher::Crypt(const uint8_t* input, uint8_t* output, size_t length) {
  RC4Generate(s_, i_, j_, input, output, length);
}

void RC4Cipher::Restart() {
  s_ = keyed_;
  i_ = 0;
  j_ = 0;
}

std::string RC4Cipher::Apply(std::string_view key, std::string_view data) {
  RC4Cipher cipher(key);
  std::string out(data);
  cipher.Crypt(std::span<uint8_t>(reinterpret_cast<uint8_t*>(out.data()), out.size()));
  return out;
}

// --- TvnMD5 ------------------------------------------------------------------

void TvnMD5::Initilize() { MD5Init(FContext); }

void TvnMD5::Update(const TvnByteArray1& AInput, uint32_t ALength) {
  MD5Update(FContext, AInput.data(), std::min<size_t>(ALength, AInput.size()));
}

void TvnMD5::Update(const void* AInput, uint32_t ALength, bool /*Flag*/) { MD5Update(FContext, AInput, ALength); }

void TvnMD5::Finalize(MD5Digest& ADigest) { ADigest = MD5Final(FContext); }

void TvnMD5::GetHash(const TvnByteArray1& AInput, int32_t ALength, MD5Digest& ADigest) {
  Initilize();
  MD5Update(FContext, AInput.data(), std::min<size_t>(static_cast<size_t>(std::max(ALength, 0)), AInput.size()));
  Finalize(ADigest);
}

void TvnMD5::GetHash(TStream& AInput, MD5Digest& ADigest) {
  Initilize();
  int64_t left = AInput.Size();
  AInput.SetPosition(0);
  std::vector<uint8_t> chunk(static_cast<size_t>(std::clamp<int64_t>(left, 0, 1 << 16)));
  while (left > 0) {
    const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(chunk.size()));
    AInput.ReadBuffer(chunk.data(), n);
    MD5Update(FContext, chunk.data(), static_cast<size_t>(n));
    left -= n;
  }
  Finalize(ADigest);
}

// --- TvnCryptStream ------------------------------------------------------------

void TvnCryptStream::CopyValue(std::span<uint8_t> ADest, int32_t ACount, int32_t ASourceIndex, int32_t ADestIndex,
                               std::span<const uint8_t> ASource) {
  if (ACount <= 0 || ASourceIndex < 0 || ADestIndex < 0) return;
  const auto count = static_cast<size_t>(ACount);
  const auto from = static_cast<size_t>(ASourceIndex);
  const auto to = static_cast<size_t>(ADestIndex);
  if (from > ASource.size() || count > ASource.size() - from || to > ADest.size() || count > ADest.size() - to) return;
  std::memmove(ADest.data() + to, ASource.data() + from, count);
}

bool TvnCryptStream::RC4Init(TvnRC4State& AState, const uint8_t* AKey, int32_t AKeyLength) {
  if (AKeyLength < 1 || AKeyLength > 256 || AKey == nullptr) return false;
  std::span<uint8_t, 256> s(AState.data(), 256);
  RC4Schedule(s, AKey, static_cast<size_t>(AKeyLength));
  std::memcpy(AState.data() + 256, AState.data(), 256);
  return true;
}

void TvnCryptStream::RC4Crypt(TvnRC4State& AState, const uint8_t* AInput, int32_t ACount, uint8_t* AOutput) {
  if (ACount <= 0) return;
  uint8_t i = 0, j = 0;
  RC4Generate(std::span<uint8_t, 256>(AState.data(), 256), i, j, AInput, AOutput, static_cast<size_t>(ACount));
}

}  // namespace vn::framework
