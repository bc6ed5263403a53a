// The byte-level core of the stream filters: a pull source of encoded bytes
// and a pull decoder of decoded bytes. The PDF layer's filter streams and
// the zip layer wrap these cores; tests, fuzz targets and benchmarks drive
// them directly over memory.
//
// Ownership: a decoder borrows its source (or the decoder it sits on); the
// creator keeps both alive for the decoder's lifetime.
//
// Every decoder caps its output: once `MaxOutput()` bytes have been
// delivered it reports the end of the data, so a decompression bomb ends
// quietly like any other damaged stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vn::codec {

// Default cap on the decoded size of one stream: far above any real page
// content or image, far below what would exhaust memory when a caller
// collects the whole output.
inline constexpr uint64_t kDefaultMaxDecodedBytes = uint64_t{1} << 30;

// A source of encoded bytes read forward; `Rewind` goes back to the first.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `count` bytes into `buffer`; the number read, 0 at the end.
  virtual size_t ReadSome(uint8_t* buffer, size_t count) = 0;
  virtual void Rewind() = 0;
};

// A source over bytes in memory (not owned).
class SpanSource final : public ByteSource {
 public:
  SpanSource() = default;
  explicit SpanSource(std::span<const uint8_t> data) : data_(data) {}
  explicit SpanSource(std::string_view data)
      : data_(reinterpret_cast<const uint8_t*>(data.data()), data.size()) {}
  size_t ReadSome(uint8_t* buffer, size_t count) override;
  void Rewind() override { pos_ = 0; }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

// A decoder delivering decoded bytes on demand. A new decoder reads its
// source from where that stands (normally its start); Reset rewinds it.
class ByteDecoder {
 public:
  virtual ~ByteDecoder() = default;

  // Up to `count` decoded bytes into `buffer`; fewer only at the end of the
  // data (or at the output cap). 0 means the end.
  size_t Read(uint8_t* buffer, size_t count);
  // Rewinds the input and restarts decoding from the first byte.
  void Reset();

  uint64_t MaxOutput() const { return max_output_; }
  void SetMaxOutput(uint64_t bytes) { max_output_ = bytes; }
  uint64_t Delivered() const { return delivered_; }

  // Everything up to the end (or the cap), for tests and small streams.
  std::string ReadAll();

 protected:
  // Fills up to `count` bytes; returns fewer only at the end of the data.
  virtual size_t DoRead(uint8_t* buffer, size_t count) = 0;
  virtual void DoReset() = 0;

 private:
  uint64_t max_output_ = kDefaultMaxDecodedBytes;
  uint64_t delivered_ = 0;
};

}  // namespace vn::codec
