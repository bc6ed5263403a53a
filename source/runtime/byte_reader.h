// The one bounds-checked reader that every binary parser uses (fonts,
// metafiles, compound files, JBIG2, CCITT, images ...). It reads typed big-
// and little-endian values from a span; a read past the end yields zero and
// sets a sticky failure flag, so a parser can read a whole header and check
// ok() once. Sub() carves out a table; a bad range gives a failed, empty
// reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace vn {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const std::byte> data) : data_(data) {}
  ByteReader(const void* data, size_t size) : data_(static_cast<const std::byte*>(data), size) {}
  explicit ByteReader(std::string_view bytes) : ByteReader(bytes.data(), bytes.size()) {}

  bool ok() const { return ok_; }
  bool failed() const { return !ok_; }
  void Fail() { ok_ = false; }
  size_t size() const { return data_.size(); }
  size_t position() const { return pos_; }
  size_t remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  std::span<const std::byte> data() const { return data_; }

  // Moves to an absolute offset; past the end fails (the end itself is fine).
  bool Seek(size_t offset) {
    if (offset > data_.size()) {
      ok_ = false;
      pos_ = data_.size();
      return false;
    }
    pos_ = offset;
    return true;
  }
  bool Skip(size_t count) {
    if (count > remaining()) {
      ok_ = false;
      pos_ = data_.size();
      return false;
    }
    pos_ += count;
    return true;
  }
  bool Has(size_t count) const { return count <= remaining(); }

  uint8_t U8() { return static_cast<uint8_t>(Get<1>(false)); }
  int8_t I8() { return static_cast<int8_t>(U8()); }
  uint16_t U16LE() { return static_cast<uint16_t>(Get<2>(false)); }
  uint16_t U16BE() { return static_cast<uint16_t>(Get<2>(true)); }
  int16_t I16LE() { return static_cast<int16_t>(U16LE()); }
  int16_t I16BE() { return static_cast<int16_t>(U16BE()); }
  uint32_t U24BE() { return static_cast<uint32_t>(Get<3>(true)); }
  uint32_t U32LE() { return static_cast<uint32_t>(Get<4>(false)); }
  uint32_t U32BE() { return static_cast<uint32_t>(Get<4>(true)); }
  int32_t I32LE() { return static_cast<int32_t>(U32LE()); }
  int32_t I32BE() { return static_cast<int32_t>(U32BE()); }
  uint64_t U64LE() { return Get<8>(false); }
  uint64_t U64BE() { return Get<8>(true); }
  float F32LE() {
    uint32_t u = U32LE();
    float f;
    std::memcpy(&f, &u, 4);
    return f;
  }
  double F64LE() {
    uint64_t u = U64LE();
    double d;
    std::memcpy(&d, &u, 8);
    return d;
  }

  // `count` bytes from the position; an empty span (and failure) when short.
  std::span<const std::byte> Bytes(size_t count) {
    if (count > remaining()) {
      ok_ = false;
      pos_ = data_.size();
      return {};
    }
    auto out = data_.subspan(pos_, count);
    pos_ += count;
    return out;
  }
  std::string String(size_t count) {
    auto b = Bytes(count);
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
  }

  // A reader over [offset, offset + length) of this one's data, independent
  // of the position; failed and empty when the range does not fit.
  ByteReader Sub(size_t offset, size_t length) const {
    if (offset > data_.size() || length > data_.size() - offset) {
      ByteReader r;
      r.ok_ = false;
      return r;
    }
    return ByteReader(data_.subspan(offset, length));
  }
  // Same with a checked length that may be absent (the result of CheckedMul).
  template <typename Opt>
  ByteReader SubChecked(size_t offset, const Opt& length) const {
    if (!length) {
      ByteReader r;
      r.ok_ = false;
      return r;
    }
    return Sub(offset, *length);
  }
  ByteReader Rest() const { return Sub(pos_, remaining()); }

  // Reads at an absolute offset without moving; 0 when out of range (no failure flag).
  uint8_t PeekU8(size_t offset) const {
    return offset < data_.size() ? static_cast<uint8_t>(data_[offset]) : 0;
  }

 private:
  template <size_t N>
  uint64_t Get(bool big_endian) {
    if (N > remaining()) {
      ok_ = false;
      pos_ = data_.size();
      return 0;
    }
    uint64_t v = 0;
    for (size_t i = 0; i < N; ++i) {
      uint64_t b = static_cast<uint8_t>(data_[pos_ + i]);
      if (big_endian)
        v = (v << 8) | b;
      else
        v |= b << (8 * i);
    }
    pos_ += N;
    return v;
  }

  std::span<const std::byte> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace vn
