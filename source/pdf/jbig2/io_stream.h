// The bit reader of the JBIG2 decoder: a window over JBIG2 bytes that reads
// single bits, bit fields of up to 64 bits and big-endian integers, most
// significant bit first.
//
// All windows over one input share its bytes: a window made from a stream
// reads the stream once and keeps the bytes alive for every window made from
// it; a window made from a span only refers to bytes the caller keeps.
//
// Reads never fail: a read that starts at or past the end of the window (or
// of the bytes) returns -1. A bit field that starts inside and runs past the
// end gets 0 for the missing bits; an integer that does not fit whole gives
// -1. Either marks the window Exhausted(), so a decoder can tell that it ran
// out of data.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "runtime/byte_reader.h"
#include "runtime/streams.h"

namespace vn::pdf::jbig2 {

class TvnIOStream {
 public:
  // A window of `size` bytes from `offset` over bytes the caller keeps alive.
  // The size may run past the bytes (the document passes INT64_MAX).
  TvnIOStream(std::span<const uint8_t> data, int64_t size, int64_t offset);
  // Bytes that would die with the statement cannot back a window.
  TvnIOStream(std::vector<uint8_t>&& data, int64_t size, int64_t offset) = delete;
  // A window over a class-library stream, whose bytes are read once.
  TvnIOStream(vn::TStream& stream, int64_t size, int64_t offset);
  // A window of `length` bytes over the same bytes as `other`, starting at
  // `start` counted from the beginning of those bytes (not of other's window).
  TvnIOStream(const TvnIOStream& other, int64_t length, int64_t start);

  TvnIOStream(const TvnIOStream&) = delete;
  TvnIOStream& operator=(const TvnIOStream&) = delete;

  // A window `length` bytes long, `start` bytes into this one.
  std::unique_ptr<TvnIOStream> SubWindow(int64_t start, int64_t length) const;

  int ReadBit();
  // `count` bits (0 to 64), the first read most significant.
  int64_t ReadBits(int count);
  int Read() { return static_cast<int>(ReadBits(8)); }
  int ReadByte() { return Read(); }
  // Unsigned big-endian integers of 2, 4 and 8 bytes; -1 when they do not fit.
  int64_t ReadInt16() { return ReadWhole(2); }
  int64_t ReadInt32() { return ReadWhole(4); }
  int64_t ReadInt64() { return ReadWhole(8); }

  // origin 0 from the start, 1 from the current position, 2 back from the
  // end; the result is clamped to the window. The bit offset stays.
  void Seek(int origin, int64_t offset);
  // Moves to the start of the next byte when part of this one was read.
  void SkipBits();
  void SkipBytes(int64_t count) { Seek(1, count); }

  // Byte position within the window, and within the whole input.
  int64_t GetStreamPos() const { return pos_; }
  int64_t GetStreamPosition() const { return offset_ + pos_; }
  void SetStreamPos(int64_t pos) { Seek(0, pos); }
  int GetBitOffset() const { return bit_offset_; }

  int64_t Length() const { return length_; }
  int64_t Offset() const { return offset_; }
  // Bytes of the window that exist.
  int64_t Available() const { return static_cast<int64_t>(window_.size()); }
  bool Exhausted() const { return exhausted_; }

  // The byte at window position `pos` without moving; -1 where none is.
  int ByteAt(int64_t pos) const {
    return pos >= 0 && pos < Available() ? window_.PeekU8(static_cast<size_t>(pos)) : -1;
  }

 private:
  void Open(int64_t size, int64_t offset);
  int64_t ReadWhole(int bytes);

  std::shared_ptr<const std::vector<uint8_t>> owned_;  // bytes read from a stream
  std::span<const uint8_t> all_;                        // every byte of the input
  vn::ByteReader window_;                               // the window's existing bytes
  int64_t offset_ = 0;
  int64_t length_ = 0;
  int64_t pos_ = 0;
  int bit_offset_ = 0;
  bool exhausted_ = false;
};

}  // namespace vn::pdf::jbig2
