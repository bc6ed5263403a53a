#include "ooxml/zip_legacy.h"

#include <algorithm>
#include <array>
#include <vector>

#include "ooxml/zip_exceptions.h"

namespace vn::ooxml {

namespace {

// Bits least significant first; past the end of the input they read as 0
// and Exhausted() turns true.
class BitInput {
 public:
  explicit BitInput(TStream& stream) : stream_(stream), buffer_(4096) {}

  uint32_t Bits(unsigned n) {
    uint32_t value = 0;
    for (unsigned i = 0; i < n; ++i) {
      if (bits_left_ == 0) {
        if (!NextByte()) {
          exhausted_ = true;
          return value;
        }
      }
      value |= (current_ & 1u) << i;
      current_ >>= 1;
      --bits_left_;
    }
    return value;
  }
  bool Exhausted() const { return exhausted_; }

 private:
  bool NextByte() {
    if (pos_ == end_) {
      int64_t n = stream_.Read(buffer_.data(), static_cast<int64_t>(buffer_.size()));
      if (n <= 0) return false;
      pos_ = 0;
      end_ = static_cast<size_t>(n);
    }
    current_ = buffer_[pos_++];
    bits_left_ = 8;
    return true;
  }

  TStream& stream_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0, end_ = 0;
  uint32_t current_ = 0;
  unsigned bits_left_ = 0;
  bool exhausted_ = false;
};

// The output with the history that matches copy from. Stops taking bytes at
// the declared size.
class Output {
 public:
  Output(TStream& stream, uint32_t limit) : stream_(stream), limit_(limit), history_(kHistory, 0) {}
  ~Output() = default;

  bool Full() const { return produced_ >= limit_; }
  void Put(uint8_t b) {
    if (Full()) return;
    history_[produced_ & (kHistory - 1)] = b;
    pending_.push_back(b);
    ++produced_;
    if (pending_.size() == kChunk) Flush();
  }
  // A copy of `length` bytes from `distance` back, one at a time (the copy
  // may overlap itself); positions before the output read as 0.
  void Copy(uint64_t distance, uint32_t length) {
    for (uint32_t i = 0; i < length && !Full(); ++i)
      Put(distance <= produced_ ? history_[(produced_ - distance) & (kHistory - 1)] : 0);
  }
  void Flush() {
    if (!pending_.empty()) stream_.WriteBuffer(pending_.data(), static_cast<int64_t>(pending_.size()));
    pending_.clear();
  }

 private:
  // Larger than any distance of the methods (8 KiB for imploding).
  static constexpr size_t kHistory = 65536;
  static constexpr size_t kChunk = 32768;
  TStream& stream_;
  uint64_t limit_;
  uint64_t produced_ = 0;
  std::vector<uint8_t> history_;
  std::vector<uint8_t> pending_;
};

void Unshrink(BitInput& in, Output& out) {
  constexpr int kTableSize = 8193;
  constexpr int kMaxCode = 8192;
  constexpr int kMaxCodeSize = 13;
  constexpr int16_t kFree = -1;
  std::vector<int16_t> prefix(kTableSize, kFree);
  std::vector<uint8_t> suffix(kTableSize, 0);
  std::vector<uint8_t> stack;
  stack.reserve(kTableSize);
  for (int c = 0; c < 256; ++c) {
    prefix[c] = 0;
    suffix[c] = static_cast<uint8_t>(c);
  }
  int code_size = 9;
  int old_code = static_cast<int>(in.Bits(code_size));
  if (in.Exhausted() || old_code > 255) return;
  uint8_t first_char = static_cast<uint8_t>(old_code);
  out.Put(first_char);
  int next_free = 257;

  while (!in.Exhausted() && !out.Full()) {
    int code = static_cast<int>(in.Bits(code_size));
    while (code == 256 && !in.Exhausted()) {
      const uint32_t control = in.Bits(code_size);
      if (control == 1) {
        if (++code_size > kMaxCodeSize) return;  // damaged: codes beyond the table
      } else if (control == 2) {
        // Partial clear: free every code that is no other code's prefix.
        std::vector<bool> leaf(kTableSize, false);
        for (int c = 257; c < next_free; ++c) leaf[c] = true;
        for (int c = 257; c < next_free; ++c)
          if (prefix[c] != kFree && prefix[c] > 256) leaf[prefix[c]] = false;
        for (int c = 257; c < next_free; ++c)
          if (leaf[c]) prefix[c] = kFree;
        next_free = 257;
        while (next_free < kMaxCode && prefix[next_free] != kFree) ++next_free;
      }
      code = static_cast<int>(in.Bits(code_size));
    }
    if (in.Exhausted()) break;

    const int in_code = code;
    stack.clear();
    if (prefix[code] == kFree) {  // the code being defined right now
      stack.push_back(first_char);
      code = old_code;
    }
    while (code > 256) {
      if (stack.size() >= static_cast<size_t>(kTableSize)) return;  // damaged: a cycle
      if (prefix[code] == kFree) {
        stack.push_back(first_char);
        code = old_code;
      } else {
        stack.push_back(suffix[code]);
        code = prefix[code];
      }
    }
    first_char = suffix[code];
    out.Put(first_char);
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) out.Put(*it);

    if (next_free < kMaxCode) {
      prefix[next_free] = static_cast<int16_t>(old_code);
      suffix[next_free] = first_char;
      while (++next_free < kMaxCode && prefix[next_free] != kFree) {
      }
    }
    old_code = in_code;
  }
}

void Unreduce(BitInput& in, Output& out, int factor) {
  constexpr uint8_t kDle = 144;
  static constexpr uint8_t kLengthMask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
  if (factor < 1 || factor > 4) throw EAbZipInvalidFactor();
  std::array<std::array<uint8_t, 32>, 256> followers{};
  std::array<uint8_t, 256> counts{};
  for (int c = 255; c >= 0; --c) {
    const uint32_t n = in.Bits(6);
    if (n > 32) return;  // damaged: a set larger than the format allows
    counts[c] = static_cast<uint8_t>(n);
    for (uint32_t i = 0; i < n; ++i) followers[c][i] = static_cast<uint8_t>(in.Bits(8));
  }

  uint8_t last = 0;
  int state = 0;
  uint32_t length = 0;
  uint32_t v = 0;
  while (!in.Exhausted() && !out.Full()) {
    uint8_t c;
    const uint8_t n = counts[last];
    if (n == 0 || in.Bits(1) == 1) {
      c = static_cast<uint8_t>(in.Bits(8));
    } else {
      unsigned bits = 1;
      while ((1u << bits) < n) ++bits;
      c = followers[last][in.Bits(bits)];
    }
    if (in.Exhausted()) break;
    last = c;
    switch (state) {
      case 0:
        if (c == kDle)
          state = 1;
        else
          out.Put(c);
        break;
      case 1:
        if (c == 0) {
          out.Put(kDle);
          state = 0;
        } else {
          v = c;
          length = v & kLengthMask[factor];
          state = length == kLengthMask[factor] ? 2 : 3;
        }
        break;
      case 2:
        length += c;
        state = 3;
        break;
      default: {
        const uint64_t distance = ((v >> (8 - factor)) << 8) + c + 1;
        out.Copy(distance, length + 3);
        state = 0;
        break;
      }
    }
  }
}

// A Shannon-Fano tree of imploding: entries sorted by bit length and value,
// their codes bit-reversed to match input read least significant bit first.
class ShannonFanoTree {
 public:
  // False when the stored lengths do not describe exactly `size` values.
  bool Load(BitInput& in, int size) {
    std::vector<std::pair<uint8_t, uint16_t>> entries;  // (bit length, value)
    const uint32_t bytes = in.Bits(8) + 1;
    for (uint32_t i = 0; i < bytes; ++i) {
      const uint32_t b = in.Bits(8);
      const uint8_t length = static_cast<uint8_t>((b & 0x0F) + 1);
      for (uint32_t r = (b >> 4) + 1; r > 0; --r) {
        if (static_cast<int>(entries.size()) == size) return false;
        entries.emplace_back(length, static_cast<uint16_t>(entries.size()));
      }
    }
    if (static_cast<int>(entries.size()) != size || in.Exhausted()) return false;
    std::stable_sort(entries.begin(), entries.end());
    // Codes from the longest length down, as the format assigns them.
    std::vector<uint16_t> codes(entries.size());
    uint32_t code = 0, increment = 0;
    uint8_t last_length = 0;
    for (size_t i = entries.size(); i-- > 0;) {
      code += increment;
      if (entries[i].first != last_length) {
        last_length = entries[i].first;
        increment = 1u << (16 - last_length);
      }
      codes[i] = static_cast<uint16_t>(code);
    }
    for (auto& list : by_length_) list.clear();
    max_length_ = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
      const uint8_t length = entries[i].first;
      const uint32_t reversed = Reverse16(codes[i]) & ((1u << length) - 1);
      by_length_[length].push_back({static_cast<uint16_t>(reversed), entries[i].second});
      max_length_ = std::max(max_length_, length);
    }
    return true;
  }

  // One bit at a time until a code of that many bits matches; 0 when none
  // does.
  int Decode(BitInput& in) const {
    uint32_t bits = 0;
    for (unsigned length = 1; length <= max_length_; ++length) {
      bits |= in.Bits(1) << (length - 1);
      for (const Entry& e : by_length_[length])
        if (e.code == bits) return e.value;
    }
    return 0;
  }

 private:
  struct Entry {
    uint16_t code;
    uint16_t value;
  };
  static uint32_t Reverse16(uint32_t v) {
    uint32_t r = 0;
    for (int i = 0; i < 16; ++i) r |= ((v >> i) & 1u) << (15 - i);
    return r;
  }
  std::array<std::vector<Entry>, 17> by_length_;
  uint8_t max_length_ = 0;
};

void Explode(BitInput& in, Output& out, bool eight_k, int tree_count) {
  const unsigned low_bits = eight_k ? 7 : 6;
  const uint32_t min_match = tree_count == 3 ? 3 : 2;
  ShannonFanoTree literals, lengths, distances;
  if (tree_count == 3 && !literals.Load(in, 256)) return;
  if (!lengths.Load(in, 64) || !distances.Load(in, 64)) return;
  while (!in.Exhausted() && !out.Full()) {
    if (in.Bits(1) == 1) {
      const uint32_t literal = tree_count == 3 ? static_cast<uint32_t>(literals.Decode(in)) : in.Bits(8);
      if (in.Exhausted()) break;
      out.Put(static_cast<uint8_t>(literal));
      continue;
    }
    const uint32_t low = in.Bits(low_bits);
    const uint64_t distance = (static_cast<uint64_t>(distances.Decode(in)) << low_bits) | low;
    uint32_t length = static_cast<uint32_t>(lengths.Decode(in));
    if (length == 63) length += in.Bits(8);
    if (in.Exhausted()) break;
    out.Copy(distance + 1, length + min_match);
  }
}

}  // namespace

void TAbUnzipHelper::Execute() {
  if (CompressionMethod < 1 || CompressionMethod > 6) throw EAbZipInvalidMethod();
  BitInput in(FZStream);
  Output out(FOutStream, UnCompressedSize);
  if (CompressionMethod == 1)
    Unshrink(in, out);
  else if (CompressionMethod <= 5)
    Unreduce(in, out, CompressionMethod - 1);
  else
    Explode(in, out, DictionarySize == TAbZipFileHeader::TAbZipDictionarySize::ds8K, ShannonFanoTreeCount);
  out.Flush();
}

}  // namespace vn::ooxml
