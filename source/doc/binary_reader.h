// TvnBinaryReader: the byte reader every step of the DOC reader reads
// through. It keeps its own copy of the bytes it was made over and reads
// unsigned little-endian integers and 8-bit texts from a position that the
// caller moves freely. Reads never leave the buffer: bytes past the end (or
// before the start, after a negative seek) read as zero while the position
// still advances, and PastEnd() tells that it happened, so a caller bounded
// by positions always finishes and one that cares can check.
//
// Each operation holds the reader's own re-entrant lock; the reader is used
// from one thread, the lock only keeps operations whole.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::doc {

enum class TvnSeekOrigin { soBegin, soCurrent, soEnd };

class TvnBinaryReader {
 public:
  // Copies the whole stream (its position is set to 0 first); position 0.
  explicit TvnBinaryReader(TStream& AStream);
  // Copies the bytes; position 0.
  explicit TvnBinaryReader(std::span<const uint8_t> ABytes);
  TvnBinaryReader(const TvnBinaryReader&) = delete;
  TvnBinaryReader& operator=(const TvnBinaryReader&) = delete;

  // soBegin: the position becomes AValue; soCurrent: AValue (possibly
  // negative) is added; soEnd: the position stays.
  void Seek(TvnSeekOrigin ASeekOrigin, int64_t AValue);
  // The unsigned little-endian integer of the next ASize bytes (the first
  // byte the least significant); advances by ASize. Only the first eight
  // bytes count: larger sizes skip an operand whose value is not used.
  uint64_t GetDecimalValue(int64_t ASize);
  // The next ASize bytes as text, each non-zero byte becoming the character
  // of that code (0 to 255), zero bytes dropped; advances by ASize.
  String GetStringValue(int64_t ASize);
  // Fills ABuffer from the position (zeros past the end) and advances by
  // its size.
  void CopyBytes(std::span<uint8_t> ABuffer);

  int64_t Position() const;
  int64_t Length() const { return static_cast<int64_t>(FBuffer.size()); }
  // Whether any read so far touched bytes outside the buffer.
  bool PastEnd() const;
  // The bytes the reader holds.
  std::span<const uint8_t> Bytes() const { return FBuffer; }

 private:
  // The byte at base + index, or 0 (marking the read as past the end)
  // outside the buffer.
  uint8_t ByteAt(int64_t base, int64_t index);

  std::vector<uint8_t> FBuffer;
  int64_t FOffset = 0;
  bool FPastEnd = false;
  mutable std::recursive_mutex FCriticalSection;
};

}  // namespace vn::doc
