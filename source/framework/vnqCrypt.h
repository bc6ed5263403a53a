// The one MD5 digest (RFC 1321) and RC4 stream cipher of the library, used
// by the export engine to recognise images it already stored and by the PDF
// writer's encryption and file identifiers.
//
// The core is a plain incremental API over caller-held state:
//   MD5Init / MD5Update / MD5Final over an MD5Context, MD5Of for one message;
//   RC4Cipher, keyed once, whose Crypt continues the key stream across calls
//   (and Restart returns to the start), RC4Cipher::Apply for one message.
// TvnMD5 (a reusable digest object) and TvnCryptStream (class operations over
// a context and a 512-byte RC4 state) are the writers' interfaces on top.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "framework/vnqUtils.h"
#include "runtime/streams.h"

namespace vn::framework {

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
using TvnMD5Context = MD5Context;

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

// RC4 with a key of 1 to 256 bytes.
class RC4Cipher {
 public:
  static constexpr size_t kMinKeyLength = 1;
  static constexpr size_t kMaxKeyLength = 256;

  // EArgumentOutOfRangeException for a key length outside 1 to 256.
  explicit RC4Cipher(std::span<const uint8_t> key);
  explicit RC4Cipher(std::string_view key);

  // Encrypts or decrypts `length` bytes, continuing the key stream of the
  // previous calls. `input` and `output` may be the same buffer.
  void Crypt(const uint8_t* input, uint8_t* output, size_t length);
  void Crypt(std::span<uint8_t> data) { Crypt(data.data(), data.data(), data.size()); }
  // Back to the start of the key stream.
  void Restart();

  // One whole message under a key (same exception as the constructor).
  static std::string Apply(std::string_view key, std::string_view data);

 private:
  std::array<uint8_t, 256> keyed_{};  // the permutation right after keying
  std::array<uint8_t, 256> s_{};
  uint8_t i_ = 0;
  uint8_t j_ = 0;
};

// A digest object reused for any number of messages.
class TvnMD5 {
 public:
  TvnMD5() { Initilize(); }

  // Initial state, zero count, zero buffer.
  void Initilize();
  // Feeds the first ALength bytes of AInput (never more than it holds).
  void Update(const TvnByteArray1& AInput, uint32_t ALength);
  // Feeds ALength bytes; a partial block waits in the context's buffer.
  // Flag is kept for the callers, which all set it; it changes nothing.
  void Update(const void* AInput, uint32_t ALength, bool Flag);
  // Writes the digest and sets the whole context to zeros.
  void Finalize(MD5Digest& ADigest);
  // The digest of the first ALength bytes (a negative length counts as 0;
  // never more than the array holds), whatever came before.
  void GetHash(const TvnByteArray1& AInput, int32_t ALength, MD5Digest& ADigest);
  // The digest of the whole stream from position 0; the stream is left at
  // its end. The stream's own exceptions pass through.
  void GetHash(TStream& AInput, MD5Digest& ADigest);
  static bool CompareHash(const MD5Digest& AHash1, const MD5Digest& AHash2) { return AHash1 == AHash2; }

  const MD5Context& Context() const { return FContext; }

 private:
  MD5Context FContext;
};

// The RC4 state of TvnCryptStream: the permutation S, then the permutation
// saved right after keying.
using TvnRC4State = std::array<uint8_t, 512>;

// Class operations over caller-held MD5 contexts and RC4 states.
class TvnCryptStream {
 public:
  static void MD5Init(TvnMD5Context& AContext) { framework::MD5Init(AContext); }
  static void MD5Update(TvnMD5Context& AContext, const uint8_t* AInput, uint32_t ALength) {
    framework::MD5Update(AContext, AInput, ALength);
  }
  static void MD5Final(TvnMD5Context& AContext, MD5Digest& ADigest) { ADigest = framework::MD5Final(AContext); }
  // Compresses one 64-byte block into the state.
  static void Transform(const uint8_t* ABlock, TvnMD5Context& AContext);
  static uint32_t Rot(uint32_t AValue, uint8_t ACount) {
    ACount &= 31;
    return ACount == 0 ? AValue : (AValue << ACount) | (AValue >> (32 - ACount));
  }
  // Copies ACount bytes from ASource[ASourceIndex] to ADest[ADestIndex];
  // nothing when ACount <= 0 or either range falls outside its span.
  static void CopyValue(std::span<uint8_t> ADest, int32_t ACount, int32_t ASourceIndex, int32_t ADestIndex,
                        std::span<const uint8_t> ASource);

  // Keys the state for a key of 1 to 256 bytes and returns true; any other
  // length leaves the state untouched and returns false.
  static bool RC4Init(TvnRC4State& AState, const uint8_t* AKey, int32_t AKeyLength);
  // One whole message: i and j start at 0 and S is permuted in place, so
  // before the next message the caller copies the saved permutation (the
  // last 256 bytes) back over S, or keys again. In and out may alias.
  static void RC4Crypt(TvnRC4State& AState, const uint8_t* AInput, int32_t ACount, uint8_t* AOutput);

  static int64_t GetSize() { return 0; }
};

}  // namespace vn::framework
