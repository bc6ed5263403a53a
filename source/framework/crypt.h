// The writers' interfaces over the runtime's MD5 digest and RC4 cipher:
// TvnMD5, a digest object reused for any number of messages, and
// TvnCryptStream, class operations over a caller-held MD5 context and a
// 512-byte RC4 state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "framework/writer_routines.h"
#include "runtime/md5.h"
#include "runtime/rc4.h"
#include "runtime/streams.h"

namespace vn::framework {

using TvnMD5Context = MD5Context;

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
  static void MD5Init(TvnMD5Context& AContext) { vn::MD5Init(AContext); }
  static void MD5Update(TvnMD5Context& AContext, const uint8_t* AInput, uint32_t ALength) {
    vn::MD5Update(AContext, AInput, ALength);
  }
  static void MD5Final(TvnMD5Context& AContext, MD5Digest& ADigest) { ADigest = vn::MD5Final(AContext); }
  // Compresses one 64-byte block into the state.
  static void Transform(const uint8_t* ABlock, TvnMD5Context& AContext) { MD5Transform(ABlock, AContext); }
  static uint32_t Rot(uint32_t AValue, uint8_t ACount) { return RotateLeft32(AValue, ACount); }
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
