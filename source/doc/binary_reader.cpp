#include "doc/binary_reader.h"

#include <algorithm>
#include <limits>

namespace vn::doc {

TvnBinaryReader::TvnBinaryReader(TStream& AStream) {
  AStream.SetPosition(0);
  const std::string all = AStream.ReadAll();
  FBuffer.assign(all.begin(), all.end());
}

TvnBinaryReader::TvnBinaryReader(std::span<const uint8_t> ABytes) : FBuffer(ABytes.begin(), ABytes.end()) {}

void TvnBinaryReader::Seek(TvnSeekOrigin ASeekOrigin, int64_t AValue) {
  std::lock_guard lock(FCriticalSection);
  switch (ASeekOrigin) {
    case TvnSeekOrigin::soBegin: FOffset = AValue; break;
    case TvnSeekOrigin::soCurrent:
      // Saturates instead of wrapping: a position far outside reads zeros.
      if (AValue > 0 && FOffset > std::numeric_limits<int64_t>::max() - AValue)
        FOffset = std::numeric_limits<int64_t>::max();
      else if (AValue < 0 && FOffset < std::numeric_limits<int64_t>::min() - AValue)
        FOffset = std::numeric_limits<int64_t>::min();
      else
        FOffset += AValue;
      break;
    case TvnSeekOrigin::soEnd: break;
  }
}

uint8_t TvnBinaryReader::ByteAt(int64_t base, int64_t index) {
  // base + index cannot overflow: index is below the buffer's or a read's size.
  const int64_t at = base >= Length() ? Length() : base + index;
  if (at < 0 || at >= Length()) {
    FPastEnd = true;
    return 0;
  }
  return FBuffer[static_cast<size_t>(at)];
}

uint64_t TvnBinaryReader::GetDecimalValue(int64_t ASize) {
  std::lock_guard lock(FCriticalSection);
  if (ASize <= 0) return 0;
  uint64_t value = 0;
  const int64_t counted = std::min<int64_t>(ASize, 8);
  for (int64_t i = 0; i < counted; ++i) value |= static_cast<uint64_t>(ByteAt(FOffset, i)) << (8 * i);
  if (ASize > counted && (FOffset < 0 || FOffset > Length() - ASize)) FPastEnd = true;
  Seek(TvnSeekOrigin::soCurrent, ASize);
  return value;
}

String TvnBinaryReader::GetStringValue(int64_t ASize) {
  std::lock_guard lock(FCriticalSection);
  String text;
  if (ASize <= 0) return text;
  // Only the bytes inside the buffer can add characters.
  const int64_t first = std::max<int64_t>(FOffset, 0);
  const int64_t last = FOffset > Length() - ASize ? Length() : FOffset + ASize;
  if (FOffset < 0 || FOffset > Length() - ASize) FPastEnd = true;
  for (int64_t at = first; at < last; ++at) {
    const uint8_t b = FBuffer[static_cast<size_t>(at)];
    if (b != 0) text.push_back(static_cast<char16_t>(b));
  }
  Seek(TvnSeekOrigin::soCurrent, ASize);
  return text;
}

void TvnBinaryReader::CopyBytes(std::span<uint8_t> ABuffer) {
  std::lock_guard lock(FCriticalSection);
  for (size_t i = 0; i < ABuffer.size(); ++i) ABuffer[i] = ByteAt(FOffset, static_cast<int64_t>(i));
  Seek(TvnSeekOrigin::soCurrent, static_cast<int64_t>(ABuffer.size()));
}

int64_t TvnBinaryReader::Position() const {
  std::lock_guard lock(FCriticalSection);
  return FOffset;
}

bool TvnBinaryReader::PastEnd() const {
  std::lock_guard lock(FCriticalSection);
  return FPastEnd;
}

}  // namespace vn::doc
