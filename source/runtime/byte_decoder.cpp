#include "runtime/byte_decoder.h"

#include <algorithm>
#include <cstring>

namespace vn::codec {

size_t SpanSource::ReadSome(uint8_t* buffer, size_t count) {
  size_t n = std::min(count, data_.size() - pos_);
  if (n > 0) std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

size_t ByteDecoder::Read(uint8_t* buffer, size_t count) {
  if (delivered_ >= max_output_) return 0;
  uint64_t room = max_output_ - delivered_;
  if (count > room) count = static_cast<size_t>(room);
  size_t n = count == 0 ? 0 : DoRead(buffer, count);
  delivered_ += n;
  return n;
}

void ByteDecoder::Reset() {
  delivered_ = 0;
  DoReset();
}

std::string ByteDecoder::ReadAll() {
  std::string out;
  uint8_t chunk[16384];
  for (;;) {
    size_t n = Read(chunk, sizeof chunk);
    if (n == 0) break;
    out.append(reinterpret_cast<const char*>(chunk), n);
  }
  return out;
}

}  // namespace vn::codec
