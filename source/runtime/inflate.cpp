#include "runtime/inflate.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vn::codec {

namespace {

constexpr size_t kHistory = 32768;      // the deflate window
constexpr size_t kMaxMatch = 258;       // longest copy one symbol makes
constexpr size_t kHistory64 = 65536;    // the Deflate64 window
constexpr size_t kMaxMatch64 = 65538;   // 3 + 16 extra bits
constexpr size_t kInputChunk = 16384;
constexpr unsigned kLiteralRootBits = 10;
constexpr unsigned kDistanceRootBits = 8;

// Base values and extra-bit counts of length symbols 257..287. Symbols 286
// and 287 never occur in valid data; the lenient road takes them as 258
// without extra bits. Deflate64 differs only in symbol 285: 3 plus 16 bits.
constexpr uint16_t kLengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23,  27, 31,
                                      35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 258, 258};
constexpr uint8_t kLengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                      3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 0, 0};
constexpr uint16_t kLengthBase64[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23,  27, 31,
                                        35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3, 258, 258};
constexpr uint8_t kLengthExtra64[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                        3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16, 0, 0};
// Distance symbols 0..31; 30 and 31 exist only in Deflate64.
constexpr uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// Order in which the code-length code lengths are stored.
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

uint32_t ReverseBits(uint32_t code, unsigned length) {
  uint32_t r = 0;
  for (unsigned i = 0; i < length; ++i) {
    r = (r << 1) | (code & 1);
    code >>= 1;
  }
  return r;
}

struct FixedTables {
  HuffmanTable literals;
  HuffmanTable distances;
  FixedTables() {
    uint8_t lengths[288];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    literals.Build(lengths, 288, kLiteralRootBits);
    uint8_t dist[32];
    std::fill(dist, dist + 32, 5);
    distances.Build(dist, 32, kDistanceRootBits);
  }
};

const FixedTables& Fixed() {
  static const FixedTables tables;
  return tables;
}

inline uint64_t LoadLE64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

}  // namespace

bool HuffmanTable::Build(const uint8_t* lengths, unsigned count, unsigned max_root_bits) {
  unsigned per_length[16] = {};
  unsigned max_length = 0;
  for (unsigned s = 0; s < count; ++s) {
    if (lengths[s] > 15) return false;
    ++per_length[lengths[s]];
    max_length = std::max<unsigned>(max_length, lengths[s]);
  }
  per_length[0] = 0;
  root_bits = std::max(1u, std::min(max_root_bits, max_length));
  const uint32_t root_size = 1u << root_bits;
  entries.assign(root_size, 0);
  if (max_length == 0) return true;

  int left = 1;
  for (unsigned len = 1; len <= 15; ++len) {
    left = (left << 1) - static_cast<int>(per_length[len]);
    if (left < 0) return false;  // over-subscribed
  }
  uint32_t next_code[16] = {};
  uint32_t code = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    code = (code + per_length[len - 1]) << 1;
    next_code[len] = code;
  }
  std::array<uint32_t, 320> reversed{};
  std::vector<uint8_t> sub_bits(root_size, 0);
  for (unsigned s = 0; s < count; ++s) {
    unsigned len = lengths[s];
    if (len == 0) continue;
    reversed[s] = ReverseBits(next_code[len]++, len);
    if (len > root_bits) {
      uint32_t p = reversed[s] & (root_size - 1);
      sub_bits[p] = std::max<uint8_t>(sub_bits[p], static_cast<uint8_t>(len - root_bits));
    }
  }
  for (uint32_t p = 0; p < root_size; ++p) {
    if (sub_bits[p] == 0) continue;
    uint32_t offset = static_cast<uint32_t>(entries.size());
    entries[p] = (offset << 8) | 0x80 | sub_bits[p];
    entries.resize(offset + (size_t{1} << sub_bits[p]), 0);
  }
  for (unsigned s = 0; s < count; ++s) {
    unsigned len = lengths[s];
    if (len == 0) continue;
    uint32_t value = (s << 8) | len;
    if (len <= root_bits) {
      for (uint32_t i = reversed[s]; i < root_size; i += 1u << len) entries[i] = value;
    } else {
      uint32_t link = entries[reversed[s] & (root_size - 1)];
      uint32_t offset = link >> 8;
      uint32_t size = 1u << (link & 0x0F);
      for (uint32_t i = reversed[s] >> root_bits; i < size; i += 1u << (len - root_bits)) entries[offset + i] = value;
    }
  }
  return true;
}

Inflater::Inflater(ByteSource& source, bool zlib_wrapper)
    : Inflater(source, InflateOptions{.zlib_wrapper = zlib_wrapper}) {}

Inflater::Inflater(ByteSource& source, const InflateOptions& options)
    : source_(source),
      options_(options),
      history_(options.deflate64 ? kHistory64 : kHistory),
      max_match_(options.deflate64 ? kMaxMatch64 : kMaxMatch),
      length_base_(options.deflate64 ? kLengthBase64 : kLengthBase),
      length_extra_(options.deflate64 ? kLengthExtra64 : kLengthExtra),
      length_symbols_(options.strict ? 29 : 31),
      distance_symbols_(options.deflate64 ? 32 : 30) {
  Restart();
}

void Inflater::DoReset() {
  source_.Rewind();
  Restart();
}

void Inflater::Restart() {
  state_ = options_.zlib_wrapper ? State::kHeader : State::kBlockHeader;
  fault_ = InflateFault::kNone;
  final_block_ = false;
  in_pos_ = in_end_ = 0;
  source_ended_ = false;
  bit_buffer_ = 0;
  bit_count_ = 0;
  write_pos_ = read_pos_ = 0;
  stored_left_ = 0;
  literals_ = distances_ = nullptr;
}

bool Inflater::FillInput() {
  if (source_ended_) return false;
  in_pos_ = 0;
  in_end_ = source_.ReadSome(input_.data(), input_.size());
  if (in_end_ == 0) source_ended_ = true;
  return in_end_ > 0;
}

// Tops the bit buffer up to at least 56 (at most 63) bits while input lasts. Bits above
// bit_count_ may already hold the next input byte (the fast path loads eight
// bytes at once and counts only the whole ones); they are the true next bits,
// and the next load ORs the same values into the same places.
inline void Inflater::Refill() {
  if (in_end_ - in_pos_ >= 8) {
    bit_buffer_ |= LoadLE64(&input_[in_pos_]) << bit_count_;
    in_pos_ += (63 - bit_count_) >> 3;
    bit_count_ |= 56;
    return;
  }
  while (bit_count_ < 56) {
    if (in_pos_ == in_end_ && !FillInput()) {
      // Nothing is left: clear any look-ahead so missing bits read as zero.
      bit_buffer_ &= bit_count_ == 0 ? 0 : (~uint64_t{0} >> (64 - bit_count_));
      return;
    }
    if (in_end_ - in_pos_ >= 8) {
      bit_buffer_ |= LoadLE64(&input_[in_pos_]) << bit_count_;
      in_pos_ += (63 - bit_count_) >> 3;
      bit_count_ |= 56;
      return;
    }
    bit_buffer_ &= bit_count_ == 0 ? 0 : (~uint64_t{0} >> (64 - bit_count_));
    bit_buffer_ |= uint64_t{input_[in_pos_++]} << bit_count_;
    bit_count_ += 8;
  }
}

inline bool Inflater::Bits(unsigned n, uint32_t& value) {
  if (bit_count_ < n) {
    Refill();
    if (bit_count_ < n) return false;
  }
  value = static_cast<uint32_t>(bit_buffer_ & ((uint64_t{1} << n) - 1));
  bit_buffer_ >>= n;
  bit_count_ -= n;
  return true;
}

// One symbol, -1 when the bits match no code, or -2 when the input ends
// inside the code. The caller has refilled; at the end of the input the
// missing bits read as zero, and a code longer than the bits that remain is
// refused.
inline int Inflater::Decode(const HuffmanTable& table) {
  uint32_t e = table.entries[bit_buffer_ & ((1u << table.root_bits) - 1)];
  if (e & 0x80) {
    uint32_t sub = static_cast<uint32_t>(bit_buffer_ >> table.root_bits) & ((1u << (e & 0x0F)) - 1);
    e = table.entries[(e >> 8) + sub];
  }
  unsigned len = e & 0x0F;
  if (len - 1u >= bit_count_) return len == 0 ? -1 : -2;
  bit_buffer_ >>= len;
  bit_count_ -= len;
  return static_cast<int>(e >> 8);
}

// A failed decode at the very end of the input is a cut rather than a bad
// code: the bits that would complete the code read as zeros there.
InflateFault Inflater::Classify(int decode_result, InflateFault invalid) const {
  const bool input_exhausted = source_ended_ && in_pos_ == in_end_ && bit_count_ < 16;
  if (decode_result != -2 && !input_exhausted) return invalid;
  return state_ == State::kCodes ? InflateFault::kTruncatedCodes : InflateFault::kTruncatedHeader;
}

bool Inflater::ReadHeader() {
  uint32_t cmf, flg;
  if (!Bits(8, cmf) || !Bits(8, flg)) {
    Fail(InflateFault::kTruncatedHeader);
    return false;
  }
  if ((cmf & 0x0F) == 8 && ((cmf << 8) | flg) % 31 == 0 && (flg & 0x20) == 0) return true;
  Fail(InflateFault::kBadZlibHeader);
  return false;
}

bool Inflater::ReadBlockHeader() {
  uint32_t header;
  if (!Bits(3, header)) {
    Fail(InflateFault::kTruncatedHeader);
    return false;
  }
  final_block_ = header & 1;
  switch (header >> 1) {
    case 0: {
      // Stored: skip to the byte boundary. Whole bytes already in the bit
      // buffer are the block's LEN, NLEN and first data bytes.
      uint32_t drop = bit_count_ & 7;
      bit_buffer_ >>= drop;
      bit_count_ -= drop;
      uint32_t len, nlen;
      if (!Bits(16, len) || !Bits(16, nlen)) {
        Fail(InflateFault::kTruncatedHeader);
        return false;
      }
      if (options_.strict && nlen != (~len & 0xFFFF)) {
        Fail(InflateFault::kStoredLengthMismatch);
        return false;
      }
      stored_left_ = len;
      state_ = State::kStored;
      return true;
    }
    case 1:
      literals_ = &Fixed().literals;
      distances_ = &Fixed().distances;
      state_ = State::kCodes;
      return true;
    case 2:
      if (!ReadDynamicTables()) return false;
      literals_ = &dynamic_literals_;
      distances_ = &dynamic_distances_;
      state_ = State::kCodes;
      return true;
    default:
      Fail(InflateFault::kBadBlockType);
      return false;
  }
}

bool Inflater::ReadDynamicTables() {
  uint32_t hlit, hdist, hclen;
  if (!Bits(5, hlit) || !Bits(5, hdist) || !Bits(4, hclen)) {
    Fail(InflateFault::kTruncatedHeader);
    return false;
  }
  hlit += 257;
  hdist += 1;
  hclen += 4;
  if (options_.strict && hlit > 286) {
    Fail(InflateFault::kTooManyLengthCodes);
    return false;
  }
  if (hdist > distance_symbols_) {
    Fail(InflateFault::kTooManyDistanceCodes);
    return false;
  }
  uint8_t cl_lengths[19] = {};
  for (uint32_t i = 0; i < hclen; ++i) {
    uint32_t v;
    if (!Bits(3, v)) {
      Fail(InflateFault::kTruncatedHeader);
      return false;
    }
    cl_lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(v);
  }
  HuffmanTable cl_table;
  if (!cl_table.Build(cl_lengths, 19, 7)) {
    Fail(InflateFault::kBadCodeLengths);
    return false;
  }

  uint8_t lengths[288 + 32] = {};
  const uint32_t total = hlit + hdist;
  uint32_t i = 0;
  while (i < total) {
    Refill();
    int sym = Decode(cl_table);
    if (sym < 0) {
      Fail(Classify(sym, InflateFault::kBadCodeLengthCode));
      return false;
    }
    if (sym < 16) {
      lengths[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    uint32_t repeat, extra;
    uint8_t value = 0;
    const unsigned extra_bits = sym == 16 ? 2 : sym == 17 ? 3 : 7;
    if (!Bits(extra_bits, extra)) {
      Fail(InflateFault::kTruncatedHeader);
      return false;
    }
    if (sym == 16) {
      if (i == 0) {
        Fail(InflateFault::kBadCodeLengths);
        return false;
      }
      value = lengths[i - 1];
      repeat = 3 + extra;
    } else {
      repeat = (sym == 17 ? 3 : 11) + extra;
    }
    if (repeat > total - i) {
      Fail(InflateFault::kBadCodeLengths);
      return false;
    }
    std::fill(lengths + i, lengths + i + repeat, value);
    i += repeat;
  }
  if (!dynamic_literals_.Build(lengths, hlit, kLiteralRootBits) ||
      !dynamic_distances_.Build(lengths + hlit, hdist, kDistanceRootBits)) {
    Fail(InflateFault::kBadCodeLengths);
    return false;
  }
  return true;
}

void Inflater::CopyStored() {
  // Whole bytes still in the bit buffer come first.
  while (stored_left_ > 0 && bit_count_ >= 8 && write_pos_ < window_.size()) {
    window_[write_pos_++] = static_cast<uint8_t>(bit_buffer_);
    bit_buffer_ >>= 8;
    bit_count_ -= 8;
    --stored_left_;
  }
  if (stored_left_ > 0 && write_pos_ < window_.size()) {
    bit_buffer_ = 0;  // drop look-ahead: the bytes are read from input_ again
    bit_count_ = 0;
  }
  while (stored_left_ > 0 && write_pos_ < window_.size()) {
    if (in_pos_ == in_end_ && !FillInput()) {
      Fail(InflateFault::kTruncatedStored);
      return;
    }
    size_t n = std::min({static_cast<size_t>(stored_left_), in_end_ - in_pos_, window_.size() - write_pos_});
    std::memcpy(&window_[write_pos_], &input_[in_pos_], n);
    write_pos_ += n;
    in_pos_ += n;
    stored_left_ -= static_cast<uint32_t>(n);
  }
  if (stored_left_ == 0) state_ = final_block_ ? State::kDone : State::kBlockHeader;
}

void Inflater::DecodeCodes() {
  uint8_t* const window = window_.data();
  const size_t limit = window_.size() - max_match_;
  size_t out = write_pos_;
  const HuffmanTable& lit = *literals_;
  const HuffmanTable& dist = *distances_;
  const uint16_t* const length_base = length_base_;
  const uint8_t* const length_extra = length_extra_;
  const unsigned length_symbols = length_symbols_;
  const unsigned distance_symbols = distance_symbols_;
  while (out <= limit) {
    Refill();
    int sym = Decode(lit);
    if (sym < 256) {
      if (sym < 0) {
        Fail(Classify(sym, InflateFault::kBadLengthSymbol));
        break;
      }
      window[out++] = static_cast<uint8_t>(sym);
      continue;
    }
    if (sym == 256) {
      state_ = final_block_ ? State::kDone : State::kBlockHeader;
      break;
    }
    unsigned ls = static_cast<unsigned>(sym) - 257;
    uint32_t extra = 0;
    if (ls >= length_symbols) {
      Fail(InflateFault::kBadLengthSymbol);
      break;
    }
    if (!Bits(length_extra[ls], extra)) {
      Fail(InflateFault::kTruncatedCodes);
      break;
    }
    size_t length = length_base[ls] + extra;
    // A literal/length code, its extra bits, a distance code and its extra
    // bits take at most 15 + 5 + 15 + 13 = 48 bits, below one refill; only
    // Deflate64's 16 length bits and 14 distance bits can need a second.
    if (bit_count_ < 29) Refill();
    int ds = Decode(dist);
    if (ds < 0) {
      Fail(Classify(ds, InflateFault::kBadDistanceSymbol));
      break;
    }
    if (static_cast<unsigned>(ds) >= distance_symbols) {
      Fail(InflateFault::kBadDistanceSymbol);
      break;
    }
    if (!Bits(kDistExtra[ds], extra)) {
      Fail(InflateFault::kTruncatedCodes);
      break;
    }
    size_t distance = kDistBase[ds] + extra;
    if (distance > out) {  // reaches before the start of the data
      Fail(InflateFault::kDistanceTooFar);
      break;
    }
    const uint8_t* from = window + out - distance;
    uint8_t* to = window + out;
    if (distance >= length) {
      std::memcpy(to, from, length);
    } else if (distance == 1) {
      std::memset(to, *from, length);
    } else {
      for (size_t k = 0; k < length; ++k) to[k] = from[k];
    }
    out += length;
  }
  write_pos_ = out;
}

void Inflater::Slide() {
  size_t keep = std::min(write_pos_, history_);
  std::memmove(window_.data(), window_.data() + write_pos_ - keep, keep);
  write_pos_ = read_pos_ = keep;
}

void Inflater::Inflate() {
  while (state_ != State::kDone && write_pos_ + max_match_ <= window_.size() && read_pos_ == write_pos_) {
    switch (state_) {
      case State::kHeader:
        if (ReadHeader()) state_ = State::kBlockHeader;
        break;
      case State::kBlockHeader:
        ReadBlockHeader();
        break;
      case State::kStored:
        CopyStored();
        break;
      case State::kCodes:
        DecodeCodes();
        break;
      case State::kDone:
        break;
    }
  }
}

size_t Inflater::DoRead(uint8_t* buffer, size_t count) {
  // The buffers are made on the first read: a PDF parser makes a decoder for
  // every stream it meets, and most of them are never read.
  if (window_.empty()) {
    input_.resize(kInputChunk);
    // Room for the history, the longest copy and as much again, so a slide
    // moves the history only every few window-fulls.
    window_.resize(4 * history_);
  }
  size_t done = 0;
  while (done < count) {
    if (read_pos_ < write_pos_) {
      size_t n = std::min(count - done, write_pos_ - read_pos_);
      std::memcpy(buffer + done, &window_[read_pos_], n);
      read_pos_ += n;
      done += n;
      continue;
    }
    if (state_ == State::kDone) break;
    if (write_pos_ + max_match_ > window_.size()) Slide();
    Inflate();
  }
  return done;
}

}  // namespace vn::codec
