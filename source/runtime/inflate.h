// Our inflater: deflate data (RFC 1951), by default inside the zlib wrapper
// (RFC 1950) as PDF's FlateDecode uses it, or raw as zip members hold it,
// optionally in the Deflate64 variant of zip method 9. Output is made on
// demand through a sliding window, so a stream of any length decodes in
// bounded memory.
//
// Damaged data never raise: decoding ends at the first point that cannot be
// decoded and the bytes delivered before it stand; Fault() then says why,
// for callers that report damage (the zip layer). A missing or invalid zlib
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

struct InflateOptions {
  // The data start with the two-byte zlib header.
  bool zlib_wrapper = true;
  // Deflate64: a 64 KiB window, length symbol 285 meaning 3 plus 16 extra
  // bits (up to 65538), distance symbols 30 and 31 (32769 and 49153 plus 14
  // extra bits), and up to 32 distance codes in a dynamic block.
  bool deflate64 = false;
  // Refuses what the lenient PDF road lets pass: a stored block whose
  // length complement does not match, more than 286 literal/length codes,
  // and the reserved length symbols 286 and 287.
  bool strict = false;
};

// Why decoding ended early.
enum class InflateFault : uint8_t {
  kNone,
  kTruncatedHeader,     // the data end in a block header or its code tables
  kTruncatedStored,     // the data end inside a stored block
  kTruncatedCodes,      // the data end inside a Huffman-coded block
  kBadZlibHeader,
  kBadBlockType,        // block type 3
  kStoredLengthMismatch,
  kTooManyLengthCodes,  // more than 286 literal/length codes
  kTooManyDistanceCodes,
  kBadCodeLengthCode,   // a code-length code that matches no code
  kBadCodeLengths,      // a repeat with nothing to repeat, a run past the
                        // table, or an over-subscribed set of lengths
  kBadLengthSymbol,     // a literal/length code matching no code or reserved
  kBadDistanceSymbol,   // a distance code matching no code or out of range
  kDistanceTooFar,      // a copy from before the start of the data
};

class Inflater final : public ByteDecoder {
 public:
  // `zlib_wrapper`: the data start with the two-byte zlib header.
  explicit Inflater(ByteSource& source, bool zlib_wrapper = true);
  Inflater(ByteSource& source, const InflateOptions& options);

  // The final block has been decoded completely.
  bool Finished() const { return state_ == State::kDone && fault_ == InflateFault::kNone; }
  InflateFault Fault() const { return fault_; }
  // Bytes taken from the source but not used by the data decoded so far;
  // once Finished(), the source's bytes after the end of the deflate data.
  uint64_t UnusedInput() const { return (in_end_ - in_pos_) + bit_count_ / 8; }

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
  void Fail(InflateFault fault) {
    state_ = State::kDone;
    fault_ = fault;
  }
  InflateFault Classify(int decode_result, InflateFault invalid) const;

  ByteSource& source_;
  InflateOptions options_;
  // Window geometry and symbol tables of the deflate variant.
  size_t history_;
  size_t max_match_;
  const uint16_t* length_base_;
  const uint8_t* length_extra_;
  unsigned length_symbols_;    // length symbols accepted (257 + this)
  unsigned distance_symbols_;  // distance symbols accepted
  State state_ = State::kHeader;
  InflateFault fault_ = InflateFault::kNone;
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
