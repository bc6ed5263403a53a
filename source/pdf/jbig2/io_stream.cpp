#include "pdf/jbig2/io_stream.h"

#include <algorithm>

namespace vn::pdf::jbig2 {

TvnIOStream::TvnIOStream(std::span<const uint8_t> data, int64_t size, int64_t offset) : all_(data) {
  Open(size, offset);
}

TvnIOStream::TvnIOStream(vn::TStream& stream, int64_t size, int64_t offset) {
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  stream.SetPosition(0);
  uint8_t block[4096];
  for (;;) {
    int64_t got = stream.Read(block, sizeof block);
    if (got <= 0) break;
    bytes->insert(bytes->end(), block, block + got);
  }
  owned_ = std::move(bytes);
  all_ = *owned_;
  Open(size, offset);
}

TvnIOStream::TvnIOStream(const TvnIOStream& other, int64_t length, int64_t start)
    : owned_(other.owned_), all_(other.all_) {
  Open(length, start);
}

std::unique_ptr<TvnIOStream> TvnIOStream::SubWindow(int64_t start, int64_t length) const {
  start = std::max<int64_t>(start, 0);
  int64_t absolute = offset_ > INT64_MAX - start ? INT64_MAX : offset_ + start;
  return std::make_unique<TvnIOStream>(*this, length, absolute);
}

void TvnIOStream::Open(int64_t size, int64_t offset) {
  offset_ = std::max<int64_t>(offset, 0);
  length_ = std::max<int64_t>(size, 0);
  const int64_t total = static_cast<int64_t>(all_.size());
  const int64_t start = std::min(offset_, total);
  const int64_t existing = std::min(length_, total - start);
  window_ = vn::ByteReader(all_.data() + start, static_cast<size_t>(existing));
}

int TvnIOStream::ReadBit() {
  int byte = ByteAt(pos_);
  if (byte < 0) {
    exhausted_ = true;
    return -1;
  }
  int bit = (byte >> (7 - bit_offset_)) & 1;
  if (++bit_offset_ == 8) {
    bit_offset_ = 0;
    ++pos_;
  }
  return bit;
}

int64_t TvnIOStream::ReadBits(int count) {
  if (count <= 0) return 0;
  if (ByteAt(pos_) < 0) {
    exhausted_ = true;
    return -1;
  }
  uint64_t value = 0;
  while (count > 0) {
    int byte = ByteAt(pos_);
    if (byte < 0) {
      exhausted_ = true;
      byte = 0;
    }
    int take = std::min(count, 8 - bit_offset_);
    int bits = (byte >> (8 - bit_offset_ - take)) & ((1 << take) - 1);
    value = (value << take) | static_cast<uint64_t>(bits);
    bit_offset_ += take;
    count -= take;
    if (bit_offset_ == 8) {
      bit_offset_ = 0;
      ++pos_;
    }
  }
  return static_cast<int64_t>(value);
}

int64_t TvnIOStream::ReadWhole(int bytes) {
  // Whole bytes are needed, plus one more when the value starts mid-byte.
  int64_t last = pos_ + bytes - (bit_offset_ == 0 ? 1 : 0);
  if (ByteAt(last) < 0) {
    exhausted_ = true;
    pos_ = std::max(pos_, Available());
    return -1;
  }
  return ReadBits(8 * bytes);
}

void TvnIOStream::Seek(int origin, int64_t offset) {
  int64_t target;
  bool overflow = origin == 0   ? (target = offset, false)
                  : origin == 1 ? __builtin_add_overflow(pos_, offset, &target)
                                : __builtin_sub_overflow(length_, offset, &target);
  if (overflow) target = offset > 0 ? (origin == 1 ? length_ : 0) : (origin == 1 ? 0 : length_);
  pos_ = std::clamp<int64_t>(target, 0, length_);
}

void TvnIOStream::SkipBits() {
  if (bit_offset_ != 0) {
    bit_offset_ = 0;
    ++pos_;
  }
}

}  // namespace vn::pdf::jbig2
