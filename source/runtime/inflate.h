// Our inflater: deflate data (RFC 1951), by default inside the zlib wrapper
// (RFC 1950) as PDF's FlateDecode uses it. Output is made on demand through
// a sliding window, so a stream of any length decodes in bounded memory.
//
// Damaged data never raise: decoding ends at the first point that cannot be
// decoded and the bytes delivered before it stand. A missing or invalid zlib
// header (wrong method, bad check value, preset dictionary) gives no data;
// the Adler-32 trailer is not read, so a wrong checksum or trailing bytes
// after the final block do not matter.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/byte_decoder.h"

namespace vn::codec {

// A canonical Huffman code as a two-level lookup table: the first
// `root_bits` bits of the input index the primary table; longer codes link
// to a second-level table. Entries hold (symbol << 8) | code length, or for
// a link (offset << 8) | 0x80 | bits of the second level; 0 marks a bit
// pattern that no code uses.
struct HuffmanTable {
  std::vector<uint32_t> entries;
  unsigned root_bits = 1;

  // Builds the table for `count` code lengths (each 0..15). An
  // over-subscribed set of lengths is refused (false); an incomplete one is
  // accepted, its unused patterns decode to nothing.
  bool Build(const uint8_t* lengths, unsigned count, unsigned max_root_bits);
};

class Inflater final : public ByteDecoder {
 public:
  // `zlib_wrapper`: the data start with the two-byte zlib header.
  explicit Inflater(ByteSource& source, bool zlib_wrapper = true);

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override;

 private:
  enum class State { kHeader, kBlockHeader, kStored, kCodes, kDone };

  void Restart();
  bool FillInput();
  void Refill();
  bool Bits(unsigned n, uint32_t& value);
  int Decode(const HuffmanTable& table);
  void Inflate();
  bool ReadHeader();
  bool ReadBlockHeader();
  bool ReadDynamicTables();
  void CopyStored();
  void DecodeCodes();
  void Slide();
  void Fail() { state_ = State::kDone; }

  ByteSource& source_;
  bool zlib_wrapper_;
  State state_ = State::kHeader;
  bool final_block_ = false;

  std::vector<uint8_t> input_;
  size_t in_pos_ = 0;
  size_t in_end_ = 0;
  bool source_ended_ = false;
  uint64_t bit_buffer_ = 0;
  unsigned bit_count_ = 0;

  std::vector<uint8_t> window_;  // history, then output not yet delivered
  size_t write_pos_ = 0;
  size_t read_pos_ = 0;

  uint32_t stored_left_ = 0;
  HuffmanTable dynamic_literals_;
  HuffmanTable dynamic_distances_;
  const HuffmanTable* literals_ = nullptr;
  const HuffmanTable* distances_ = nullptr;
};

}  // namespace vn::codec
