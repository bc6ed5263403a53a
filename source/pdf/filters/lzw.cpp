#include "pdf/filters/lzw.h"

#include <algorithm>
#include <cstring>

namespace vn::pdf::filters {

namespace {
constexpr uint32_t kClear = 256;
constexpr uint32_t kEnd = 257;
constexpr uint32_t kTableSize = 4096;
}  // namespace

LzwDecoder::LzwDecoder(codec::ByteSource& source, int early_change)
    : source_(source), early_change_(early_change == 0 ? 0 : 1) {
  for (uint32_t i = 0; i < 256; ++i) table_[i] = Entry{0, 1, static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  Restart();
}

void LzwDecoder::ClearTable() {
  next_code_ = 258;
  code_bits_ = 9;
  prev_code_ = -1;
}

void LzwDecoder::DoReset() {
  source_.Rewind();
  Restart();
}

void LzwDecoder::Restart() {
  in_pos_ = in_end_ = 0;
  source_ended_ = false;
  bit_buffer_ = 0;
  bit_count_ = 0;
  seq_length_ = seq_pos_ = 0;
  eof_ = false;
  ClearTable();
}

bool LzwDecoder::NextCode(uint32_t& code) {
  while (bit_count_ < code_bits_) {
    if (in_pos_ == in_end_) {
      if (source_ended_) return false;
      in_pos_ = 0;
      in_end_ = source_.ReadSome(input_.data(), input_.size());
      if (in_end_ == 0) {
        source_ended_ = true;
        return false;
      }
    }
    bit_buffer_ = (bit_buffer_ << 8) | input_[in_pos_++];
    bit_count_ += 8;
  }
  bit_count_ -= code_bits_;
  code = (bit_buffer_ >> bit_count_) & ((1u << code_bits_) - 1);
  return true;
}

// Decodes the next code into sequence_; false at the end of the data.
bool LzwDecoder::DecodeSequence() {
  uint32_t code;
  for (;;) {
    if (!NextCode(code) || code == kEnd) return false;
    if (code != kClear) break;
    ClearTable();
  }
  size_t length;
  uint8_t first;
  if (code < next_code_ && (code < 256 || code > kEnd)) {
    length = table_[code].length;
    first = table_[code].first;
    uint32_t c = code;
    for (size_t i = length; i > 0; --i) {
      sequence_[i - 1] = table_[c].last;
      c = table_[c].prefix;
    }
  } else if (code == next_code_ && prev_code_ >= 0) {
    // The code being defined: the previous sequence plus its first byte.
    const Entry& prev = table_[prev_code_];
    length = prev.length + size_t{1};
    first = prev.first;
    uint32_t c = static_cast<uint32_t>(prev_code_);
    for (size_t i = prev.length; i > 0; --i) {
      sequence_[i - 1] = table_[c].last;
      c = table_[c].prefix;
    }
    sequence_[length - 1] = first;
  } else {
    return false;  // a code beyond the table
  }
  if (prev_code_ >= 0 && next_code_ < kTableSize) {
    const Entry& prev = table_[prev_code_];
    table_[next_code_] = Entry{static_cast<uint16_t>(prev_code_), static_cast<uint16_t>(prev.length + 1), first, prev.first};
    ++next_code_;
    uint32_t widen_at = next_code_ + static_cast<uint32_t>(early_change_);
    if (widen_at == 512)
      code_bits_ = 10;
    else if (widen_at == 1024)
      code_bits_ = 11;
    else if (widen_at == 2048)
      code_bits_ = 12;
  }
  prev_code_ = static_cast<int>(code);
  seq_length_ = length;
  seq_pos_ = 0;
  return true;
}

size_t LzwDecoder::DoRead(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    if (seq_pos_ < seq_length_) {
      size_t n = std::min(count - done, seq_length_ - seq_pos_);
      std::memcpy(buffer + done, &sequence_[seq_pos_], n);
      seq_pos_ += n;
      done += n;
      continue;
    }
    if (eof_ || !DecodeSequence()) {
      eof_ = true;
      break;
    }
  }
  return done;
}

}  // namespace vn::pdf::filters
