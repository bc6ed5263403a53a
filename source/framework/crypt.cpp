#include "framework/crypt.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vn::framework {

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
  RC4Schedule(std::span<uint8_t, 256>(AState.data(), 256), std::span(AKey, static_cast<size_t>(AKeyLength)));
  std::memcpy(AState.data() + 256, AState.data(), 256);
  return true;
}

void TvnCryptStream::RC4Crypt(TvnRC4State& AState, const uint8_t* AInput, int32_t ACount, uint8_t* AOutput) {
  if (ACount <= 0) return;
  uint8_t i = 0, j = 0;
  RC4Generate(std::span<uint8_t, 256>(AState.data(), 256), i, j, AInput, AOutput, static_cast<size_t>(ACount));
}

}  // namespace vn::framework
