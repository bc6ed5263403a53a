#include "runtime/md5.h"

#include <algorithm>
#include <cstring>

namespace vn {
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
    const uint32_t rotated = RotateLeft32(a + f + x[index] + kT[step], kShift[Round][i % 4]);
    a = d;
    d = c;
    c = b;
    b = b + rotated;
  }
}

}  // namespace

void MD5Init(MD5Context& context) {
  context.State = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
  context.Count = {0, 0};
  context.Buffer.fill(0);
}

void MD5Transform(const uint8_t* block, MD5Context& context) {
  uint32_t x[16];
  for (int k = 0; k < 16; ++k) x[k] = LoadLE32(block + 4 * k);
  uint32_t a = context.State.A, b = context.State.B, c = context.State.C, d = context.State.D;
  Md5Round<0>(a, b, c, d, x);
  Md5Round<1>(a, b, c, d, x);
  Md5Round<2>(a, b, c, d, x);
  Md5Round<3>(a, b, c, d, x);
  context.State.A += a;
  context.State.B += b;
  context.State.C += c;
  context.State.D += d;
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
    MD5Transform(context.Buffer.data(), context);
  }
  // Whole blocks straight from the caller's bytes.
  for (; length >= 64; in += 64, length -= 64) MD5Transform(in, context);
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

}  // namespace vn
