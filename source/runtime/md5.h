// The one MD5 digest (RFC 1321) of the library: a plain incremental API over
// caller-held state. MD5Init / MD5Update / MD5Final over an MD5Context,
// MD5Of for one message. The export engine recognises images it already
// stored by it; the PDF layer derives its encryption keys and file
// identifiers with it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vn {

struct MD5State {
  uint32_t A = 0;
  uint32_t B = 0;
  uint32_t C = 0;
  uint32_t D = 0;
};
using MD5Count = std::array<uint32_t, 2>;  // message length in bits, low word first
using MD5Buffer = std::array<uint8_t, 64>;
using MD5Digest = std::array<uint8_t, 16>;

struct MD5Context {
  MD5State State;
  MD5Count Count{};
  MD5Buffer Buffer{};
};
static_assert(sizeof(MD5Context) == 88, "state, count and buffer, packed as the writers expect");

void MD5Init(MD5Context& context);
void MD5Update(MD5Context& context, const void* input, size_t length);
inline void MD5Update(MD5Context& context, std::span<const uint8_t> input) {
  MD5Update(context, input.data(), input.size());
}
// Pads, appends the bit count and returns the digest; the context is then
// all zeros (MD5Init it before the next message).
MD5Digest MD5Final(MD5Context& context);
MD5Digest MD5Of(std::string_view bytes);
MD5Digest MD5Of(std::span<const uint8_t> bytes);

// Compresses one 64-byte block into the context's state.
void MD5Transform(const uint8_t* block, MD5Context& context);

// Left rotation of a 32-bit word by count modulo 32.
constexpr uint32_t RotateLeft32(uint32_t value, uint8_t count) {
  count &= 31;
  return count == 0 ? value : (value << count) | (value >> (32 - count));
}

}  // namespace vn
