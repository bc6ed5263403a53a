// LZW decoding as PDF's LZWDecode uses it: codes most significant bit first,
// 9 to 12 bits wide, 256 clears the table, 257 ends the data; EarlyChange 1
// widens the codes one code early. Damaged data end the output quietly.
// The table stops growing at 4096 entries; codes stay 12 bits wide until the
// next clear code.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/byte_decoder.h"

namespace vn::pdf::filters {

class LzwDecoder final : public codec::ByteDecoder {
 public:
  LzwDecoder(codec::ByteSource& source, int early_change = 1);

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override;

 private:
  void Restart();
  bool NextCode(uint32_t& code);
  bool DecodeSequence();
  void ClearTable();

  struct Entry {
    uint16_t prefix;
    uint16_t length;
    uint8_t last;
    uint8_t first;
  };

  codec::ByteSource& source_;
  int early_change_;
  std::array<uint8_t, 4096> input_{};
  size_t in_pos_ = 0;
  size_t in_end_ = 0;
  bool source_ended_ = false;
  uint32_t bit_buffer_ = 0;
  unsigned bit_count_ = 0;

  std::array<Entry, 4096> table_{};
  uint32_t next_code_ = 258;
  unsigned code_bits_ = 9;
  int prev_code_ = -1;  // -1: the next code adds no entry
  std::array<uint8_t, 4096> sequence_{};
  size_t seq_length_ = 0;
  size_t seq_pos_ = 0;
  bool eof_ = false;
};

}  // namespace vn::pdf::filters
