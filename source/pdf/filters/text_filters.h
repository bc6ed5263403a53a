// The byte-oriented filters: ASCIIHex, ASCII85 and RunLength decoders, and
// the matching encoders over bytes in memory. Invalid characters never
// raise; the end marker or the end of the data ends the output.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "runtime/byte_decoder.h"

namespace vn::pdf::filters {

// Reads a source one byte at a time through a small buffer.
class ByteSourceReader {
 public:
  explicit ByteSourceReader(codec::ByteSource& source) : source_(source) {}
  int Get() {
    if (pos_ == end_) {
      pos_ = 0;
      end_ = source_.ReadSome(buffer_, sizeof buffer_);
      if (end_ == 0) return -1;
    }
    return buffer_[pos_++];
  }
  // Next byte that is not PDF white space, -1 at the end.
  int GetNonWhite();
  void Rewind() {
    source_.Rewind();
    pos_ = end_ = 0;
  }

 private:
  codec::ByteSource& source_;
  uint8_t buffer_[1024];
  size_t pos_ = 0;
  size_t end_ = 0;
};

// Hex digits, white space ignored, ">" ends the data; an odd final digit
// counts as followed by 0.
class AsciiHexDecoder final : public codec::ByteDecoder {
 public:
  explicit AsciiHexDecoder(codec::ByteSource& source) : in_(source) {}

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override;

 private:
  ByteSourceReader in_;
  bool eof_ = false;
};

// Base-85 groups of five characters (four bytes), "z" for four zero bytes,
// "~" ends the data; a final partial group of k characters gives k - 1 bytes.
class Ascii85Decoder final : public codec::ByteDecoder {
 public:
  explicit Ascii85Decoder(codec::ByteSource& source) : in_(source) {}

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override;

 private:
  bool DecodeGroup();

  ByteSourceReader in_;
  uint8_t group_[4] = {};
  unsigned group_length_ = 0;
  unsigned group_pos_ = 0;
  bool eof_ = false;
};

// Length byte L: 0..127 copies L + 1 bytes, 129..255 repeats the next byte
// 257 - L times, 128 ends the data. A run cut short by the end of the data
// ends the output after the bytes that are there.
class RunLengthDecoder final : public codec::ByteDecoder {
 public:
  explicit RunLengthDecoder(codec::ByteSource& source) : in_(source) {}

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override;

 private:
  ByteSourceReader in_;
  uint8_t run_[128] = {};
  unsigned run_length_ = 0;
  unsigned run_pos_ = 0;
  bool eof_ = false;
};

// Two upper-case hex digits per byte, a CR after every 64 bytes, ">" at the end.
std::string AsciiHexEncode(std::span<const uint8_t> data);
// Five characters "!".."u" per group of four bytes ("z" for four zeros), a
// final partial group of n bytes as n + 1 characters, then "~>".
std::string Ascii85Encode(std::span<const uint8_t> data);
// Runs of 2 to 128 equal bytes as (257 - n, byte), other bytes as literal
// runs of up to 128 preceded by n - 1, then the end byte 128.
std::string RunLengthEncode(std::span<const uint8_t> data);

}  // namespace vn::pdf::filters
