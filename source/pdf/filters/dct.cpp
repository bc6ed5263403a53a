#include "pdf/filters/dct.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "pdf/filters/idct.h"
#include "runtime/byte_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vn::pdf::filters {

// Internal to the decoder; named so that DctDecoder::Impl may hold these
// types (its members of file-local types would break linkage rules).
namespace dct_impl {

// Natural (row-major) position of each zig-zag position.
constexpr std::array<uint8_t, 64> kZigZag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

enum Marker : int {
  kSOF0 = 0xC0,
  kSOF1 = 0xC1,
  kSOF2 = 0xC2,
  kDHT = 0xC4,
  kRST0 = 0xD0,
  kRST7 = 0xD7,
  kSOI = 0xD8,
  kSOS = 0xDA,
  kDQT = 0xDB,
  kDRI = 0xDD,
  kAPP0 = 0xE0,
  kAPP14 = 0xEE,
};

inline int16_t W16(int v) { return static_cast<int16_t>(v); }

// The value of s amplitude bits (EXTEND of T.81).
inline int Extend(int v, int s) { return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v; }

inline uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// The colour transform of the leading pixels of a row, eight at a time:
// YCbCr to RGB (k null) or YCCK to CMYK; returns how many pixels it did.
// The same arithmetic as the per-pixel transform, split so that every
// constant fits 16 bits: 1.402 = 1 + 26345 / 65536, 0.71414 = 1 - 18734 /
// 65536, 1.772 = 2 - 14942 / 65536.
int ConvertYcc(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* k, int width, uint8_t* out) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi16(128), round = _mm_set1_epi32(32768);
  // (c1 * a + c2 * b + 32768) >> 16 over the (a, b) pairs of lo and hi.
  auto scaled = [&](__m128i lo, __m128i hi, int c1, int c2) {
    const __m128i c = _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(static_cast<uint16_t>(c2)) << 16) |
                                                      static_cast<uint16_t>(c1)));
    return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(lo, c), round), 16),
                           _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(hi, c), round), 16));
  };
  auto load = [&](const uint8_t* p) { return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero); };
  int x = 0;
  // Three components are stored four bytes a pixel, overlapping, so a
  // pixel must follow the eight.
  for (; k ? x + 8 <= width : x + 8 < width; x += 8) {
    const __m128i luma = load(y + x);
    const __m128i blue = _mm_sub_epi16(load(cb + x), bias), red = _mm_sub_epi16(load(cr + x), bias);
    const __m128i lo = _mm_unpacklo_epi16(blue, red), hi = _mm_unpackhi_epi16(blue, red);
    const __m128i r16 = _mm_add_epi16(_mm_add_epi16(luma, red), scaled(lo, hi, 0, 26345));
    const __m128i g16 = _mm_add_epi16(_mm_sub_epi16(luma, red), scaled(lo, hi, -22553, 18734));
    const __m128i b16 = _mm_add_epi16(_mm_add_epi16(luma, _mm_add_epi16(blue, blue)), scaled(lo, hi, -14942, 0));
    __m128i r = _mm_packus_epi16(r16, r16), g = _mm_packus_epi16(g16, g16), b = _mm_packus_epi16(b16, b16);
    if (k) {
      const __m128i ones = _mm_set1_epi8(-1);
      r = _mm_xor_si128(r, ones), g = _mm_xor_si128(g, ones), b = _mm_xor_si128(b, ones);
      const __m128i rg = _mm_unpacklo_epi8(r, g);
      const __m128i bk = _mm_unpacklo_epi8(b, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k + x)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(rg, bk));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(rg, bk));
      out += 32;
      continue;
    }
    const __m128i rg = _mm_unpacklo_epi8(r, g), b0 = _mm_unpacklo_epi8(b, zero);
    __m128i quads[2] = {_mm_unpacklo_epi16(rg, b0), _mm_unpackhi_epi16(rg, b0)};
    for (__m128i q : quads)
      for (int i = 0; i < 4; ++i, q = _mm_srli_si128(q, 4), out += 3) {
        const int32_t pixel = _mm_cvtsi128_si32(q);
        std::memcpy(out, &pixel, 4);
      }
  }
  return x;
#else
  return 0;
#endif
}

// Encoded bytes read forward in blocks, with a look at the bytes ahead.
class Input {
 public:
  static constexpr size_t kBlock = size_t{1} << 16;

  explicit Input(codec::ByteSource& source) : source_(source), buffer_(kBlock) {}

  void Rewind() {
    source_.Rewind();
    pos_ = end_ = 0;
    ended_ = false;
  }
  int Next() {
    if (pos_ == end_ && !Fill(1)) return -1;
    return buffer_[pos_++];
  }
  // The byte `ahead` positions on (ahead < kBlock), -1 past the end.
  int Peek(size_t ahead) {
    if (end_ - pos_ <= ahead && !Fill(ahead + 1)) return -1;
    return buffer_[pos_ + ahead];
  }
  void Skip(size_t count) {
    while (count > 0) {
      if (pos_ == end_ && !Fill(1)) return;
      const size_t n = std::min(count, end_ - pos_);
      pos_ += n;
      count -= n;
    }
  }
  // Exactly `count` bytes, or false at the end of the data.
  bool Read(uint8_t* out, size_t count) {
    while (count > 0) {
      if (pos_ == end_ && !Fill(1)) return false;
      const size_t n = std::min(count, end_ - pos_);
      std::memcpy(out, &buffer_[pos_], n);
      pos_ += n;
      out += n;
      count -= n;
    }
    return true;
  }
  // Two bytes high byte first; -1 at the end.
  int Read16() {
    const int hi = Next();
    const int lo = hi < 0 ? -1 : Next();
    return lo < 0 ? -1 : (hi << 8) | lo;
  }

  // The entropy-coded data's next byte: a 0xFF followed by 0 is a data byte
  // 0xFF (fill bytes 0xFF before it are dropped); -1 at a marker, which stays
  // unread, or at the end.
  int NextEntropyByte() {
    if (end_ - pos_ >= 2) {
      const uint8_t b = buffer_[pos_];
      if (b != 0xFF) {
        ++pos_;
        return b;
      }
      if (buffer_[pos_ + 1] == 0) {
        pos_ += 2;
        return 0xFF;
      }
    }
    const int b = Peek(0);
    if (b != 0xFF) {
      if (b >= 0) ++pos_;
      return b;
    }
    while (Peek(1) == 0xFF) ++pos_;
    if (Peek(1) != 0) return -1;
    pos_ += 2;
    return 0xFF;
  }

  // The next marker code: bytes up to a 0xFF are skipped, then fill bytes;
  // 0xFF 0x00 is no marker. -1 at the end.
  int FindMarker() {
    for (;;) {
      int b;
      do {
        b = Next();
        if (b < 0) return -1;
      } while (b != 0xFF);
      do {
        b = Next();
        if (b < 0) return -1;
      } while (b == 0xFF);
      if (b != 0) return b;
    }
  }

 private:
  bool Fill(size_t need) {
    if (pos_ > 0) {
      std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    while (end_ < need && !ended_) {
      const size_t n = source_.ReadSome(buffer_.data() + end_, buffer_.size() - end_);
      if (n == 0) ended_ = true;
      end_ += n;
    }
    return end_ >= need;
  }

  codec::ByteSource& source_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
};

// Codes up to kFastBits long are found by one lookup of the next bits.
constexpr int kFastBits = 9;

constexpr std::array<int32_t, 17> kNoCodes = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

// A table no segment defined matches no code.
struct Huffman {
  std::array<uint16_t, 1 << kFastBits> fast{};  // (length << 8) | symbol; 0: a longer code or none
  // For AC coefficients whose code and amplitude bits fit kFastBits:
  // (amplitude << 16) | (run << 12) | (size << 8) | code length; for a
  // short end-of-block code its length alone; else 0.
  std::array<int32_t, 1 << kFastBits> fast_ac{};
  std::array<int32_t, 17> max_code = kNoCodes;  // largest code of each length, -1 when none
  std::array<int32_t, 17> offset{};            // symbol index minus code, per length
  std::array<uint8_t, 256> symbols{};

  // Canonical codes from the counts per length; false when the counts
  // claim more codes than the lengths hold.
  bool Build(const uint8_t* counts, const uint8_t* values, int total) {
    *this = Huffman{};
    std::copy(values, values + total, symbols.begin());
    int code = 0, index = 0;
    for (int length = 1; length <= 16; ++length) {
      const int count = counts[length - 1];
      offset[length] = index - code;
      for (int i = 0; i < count; ++i, ++code, ++index) {
        if (code >= (1 << length)) return false;
        if (length <= kFastBits) {
          const int shift = kFastBits - length;
          const int size = symbols[index] & 15;
          for (int j = 0; j < (1 << shift); ++j) {
            const size_t at = static_cast<size_t>((code << shift) | j);
            fast[at] = static_cast<uint16_t>((length << 8) | symbols[index]);
            if (symbols[index] == 0) {
              fast_ac[at] = length;
            } else if (size != 0 && length + size <= kFastBits) {
              const int amplitude = Extend(j >> (shift - size), size);
              fast_ac[at] = static_cast<int32_t>(static_cast<uint32_t>(amplitude) << 16) |
                            ((symbols[index] >> 4) << 12) | (size << 8) | length;
            }
          }
        }
      }
      max_code[length] = count > 0 ? code - 1 : -1;
      code <<= 1;
    }
    return true;
  }
};

struct Component {
  int id = 0;
  int h = 1, v = 1;  // sampling factors
  int quant = 0;     // quantisation table selector
  int dc = 0, ac = 0;  // table selectors of the current scan
  bool in_scan = false;
  int16_t predictor = 0;
  int cell_w = 1, cell_h = 1;  // pixels per sample
  size_t plane_w = 0;          // samples in a row of the component's plane
  int blocks_w = 0, blocks_h = 0;
  std::vector<int16_t> coefficients;  // whole-image mode: every block, 64 each
};

}  // namespace dct_impl

using namespace dct_impl;

class DctDecoder::Impl {
 public:
  Impl(codec::ByteSource& source, int color_transform) : input_(source), parameter_(color_transform) {}

  void Rewind() { input_.Rewind(); }
  // Reads the headers and, in whole-image mode, every scan; false when the
  // stream has no data.
  bool Start(uint64_t max_output);
  // The size of the next MCU row's pixels, 0 after the last.
  size_t NextRowsSize() const;
  // Decodes the next MCU row's pixels into `out` (NextRowsSize bytes);
  // false when it cannot be decoded.
  bool NextMcuRow(uint8_t* out);

 private:
  bool ReadHeaders();
  bool ReadSegment(std::vector<uint8_t>& segment);
  bool ReadFrame(bool progressive);
  bool ReadHuffmanTables();
  bool ReadQuantTables();
  bool ReadRestartInterval();
  bool ReadScan();
  bool ReadApp0();
  bool ReadApp14();
  void SkipSegment();
  bool SetUpFrame();
  void ResolveColorTransform();

  void RestartState();
  bool Restart();
  void FillBits();
  bool GetBits(int n, int& value);
  int DecodeSymbol(const Huffman& table);
  bool DecodeSequential(Component& c, int16_t* block, const uint16_t* quant, bool& has_ac);
  bool DecodeProgressive(Component& c, int16_t* block);
  bool Refine(int16_t& coefficient);
  void DecodeScan();

  bool DecodeMcuRow();
  void TransformMcuRow();
  void PutBlock(const Component& c, const int16_t* coefficients, int x, int y);
  void PutSamples(const Component& c, const int16_t* block, bool has_ac, int x, int y);
  void ConvertRows(uint8_t* rows);
  void Widen(const uint8_t* samples, int cell_w, std::vector<uint8_t>& wide) const;

  Input input_;
  int parameter_;  // ColorTransform as given
  int color_transform_ = -1;
  std::vector<uint8_t> segment_;

  // Tables.
  std::array<std::array<uint16_t, 64>, 4> quant_{};  // natural order
  std::array<Huffman, 4> dc_tables_;
  std::array<Huffman, 4> ac_tables_;
  int restart_interval_ = 0;
  bool jfif_ = false;
  bool adobe_ = false;

  // Frame.
  bool frame_ = false;
  bool progressive_ = false;
  int width_ = 0, height_ = 0;
  int num_components_ = 0;
  std::array<Component, 4> components_;
  int mcu_w_ = 8, mcu_h_ = 8;
  int mcus_x_ = 0, mcus_y_ = 0;
  bool whole_image_ = false;

  // Scan.
  int scan_components_ = 0;
  int ss_ = 0, se_ = 63, ah_ = 0, al_ = 0;

  // Entropy decoding.
  uint64_t acc_ = 0;  // the next bit is the top bit
  int bits_ = 0;      // bits in acc_, the last pad_ of them zeros past a marker or the end
  int pad_ = 0;
  bool at_marker_ = false;
  int restart_left_ = 0;
  int restart_marker_ = kRST0;
  int eob_run_ = 0;

  // Output: one MCU row of samples per component, at the component's
  // resolution; the conversion to pixels repeats them over their cells.
  std::array<std::vector<uint8_t>, 4> planes_;
  std::array<std::vector<uint8_t>, 4> wide_;  // a plane row repeated to pixel resolution
  int mcu_row_ = 0;
};

// Headers -----------------------------------------------------------------

bool DctDecoder::Impl::ReadHeaders() {
  for (;;) {
    const int marker = input_.FindMarker();
    switch (marker) {
      case kSOF0:
      case kSOF1:
      case kSOF2:
        if (!ReadFrame(marker == kSOF2)) return false;
        break;
      case kDHT:
        if (!ReadHuffmanTables()) return false;
        break;
      case kDQT:
        if (!ReadQuantTables()) return false;
        break;
      case kDRI:
        if (!ReadRestartInterval()) return false;
        break;
      case kSOI:
        break;
      case kSOS:
        return ReadScan();
      case kAPP0:
        if (!ReadApp0()) return false;
        break;
      case kAPP14:
        if (!ReadApp14()) return false;
        break;
      default:
        // The end of the data, EOI, the frames of other processes,
        // arithmetic conditioning, DNL and stray restart markers.
        if (marker < kAPP0) return false;
        SkipSegment();
        break;
    }
  }
}

// A marker segment's contents after its length; false when the length is
// impossible or the data end first.
bool DctDecoder::Impl::ReadSegment(std::vector<uint8_t>& segment) {
  const int length = input_.Read16();
  if (length < 2) return false;
  segment.resize(static_cast<size_t>(length - 2));
  return input_.Read(segment.data(), segment.size());
}

void DctDecoder::Impl::SkipSegment() {
  const int length = input_.Read16();
  if (length >= 3) input_.Skip(static_cast<size_t>(length - 2));
}

bool DctDecoder::Impl::ReadFrame(bool progressive) {
  if (frame_ || !ReadSegment(segment_)) return false;
  ByteReader r(segment_.data(), segment_.size());
  const int precision = r.U8();
  height_ = r.U16BE();
  width_ = r.U16BE();
  num_components_ = r.U8();
  if (!r.ok() || num_components_ < 1 || num_components_ > 4 || precision != 8) {
    num_components_ = 0;
    return false;
  }
  for (int i = 0; i < num_components_; ++i) {
    Component& c = components_[static_cast<size_t>(i)];
    c = Component{};
    c.id = r.U8();
    const int sampling = r.U8();
    c.h = sampling >> 4;
    c.v = sampling & 15;
    c.quant = r.U8();
    if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant > 3) return false;
  }
  if (!r.ok()) return false;
  progressive_ = progressive;
  frame_ = true;
  return true;
}

bool DctDecoder::Impl::ReadHuffmanTables() {
  if (!ReadSegment(segment_)) return false;
  ByteReader r(segment_.data(), segment_.size());
  while (!r.AtEnd()) {
    const int kind = r.U8();
    const auto counts = r.Bytes(16);
    if (counts.empty() || (kind & 15) > 3) return false;
    const auto* count_bytes = reinterpret_cast<const uint8_t*>(counts.data());
    int total = 0;
    for (int i = 0; i < 16; ++i) total += count_bytes[i];
    const auto values = r.Bytes(static_cast<size_t>(total));
    if (total > 256 || !r.ok()) return false;
    Huffman& table = (kind & 0x10) ? ac_tables_[static_cast<size_t>(kind & 15)] : dc_tables_[static_cast<size_t>(kind & 15)];
    if (!table.Build(count_bytes, reinterpret_cast<const uint8_t*>(values.data()), total)) return false;
  }
  return true;
}

bool DctDecoder::Impl::ReadQuantTables() {
  if (!ReadSegment(segment_)) return false;
  ByteReader r(segment_.data(), segment_.size());
  while (!r.AtEnd()) {
    const int kind = r.U8();
    const int precision = kind >> 4, index = kind & 15;
    if (precision > 1 || index > 3) return false;
    auto& table = quant_[static_cast<size_t>(index)];
    for (int k = 0; k < 64; ++k) table[kZigZag[static_cast<size_t>(k)]] = precision == 0 ? r.U8() : r.U16BE();
    if (!r.ok()) return false;
  }
  return true;
}

bool DctDecoder::Impl::ReadRestartInterval() {
  if (input_.Read16() != 4) return false;
  const int interval = input_.Read16();
  if (interval < 0) return false;
  restart_interval_ = interval;
  return true;
}

bool DctDecoder::Impl::ReadScan() {
  if (!frame_ || !ReadSegment(segment_)) return false;
  ByteReader r(segment_.data(), segment_.size());
  const int count = r.U8();
  if (count < 1 || count > 4 || segment_.size() != static_cast<size_t>(2 * count + 4)) return false;
  for (Component& c : components_) c.in_scan = false;
  for (int i = 0; i < count; ++i) {
    const int id = r.U8();
    const int tables = r.U8();
    // The frame component at the same position when its identifier
    // matches, else the first one with that identifier.
    int found = -1;
    if (i < num_components_ && components_[static_cast<size_t>(i)].id == id) found = i;
    for (int j = 0; found < 0 && j < num_components_; ++j)
      if (components_[static_cast<size_t>(j)].id == id) found = j;
    if (found < 0) return false;
    Component& c = components_[static_cast<size_t>(found)];
    if (c.in_scan || (tables >> 4) > 3 || (tables & 15) > 3) return false;
    c.in_scan = true;
    c.dc = tables >> 4;
    c.ac = tables & 15;
  }
  ss_ = r.U8();
  se_ = r.U8();
  const int approximation = r.U8();
  ah_ = approximation >> 4;
  al_ = approximation & 15;
  if (progressive_ && (ss_ > se_ || se_ > 63)) return false;
  scan_components_ = count;
  return r.ok();
}

bool DctDecoder::Impl::ReadApp0() {
  if (!ReadSegment(segment_)) return false;
  if (segment_.size() >= 5 && std::memcmp(segment_.data(), "JFIF\0", 5) == 0) jfif_ = true;
  return true;
}

// Adobe's segment carries the colour transform in its 12th byte. Other
// APP14 segments are skipped.
bool DctDecoder::Impl::ReadApp14() {
  if (!ReadSegment(segment_)) return false;
  if (segment_.size() < 12) return true;
  std::string_view head(reinterpret_cast<const char*>(segment_.data()), 12);
  head = head.substr(0, head.find('\0'));
  if (head.find("Adobe") != std::string_view::npos) {
    color_transform_ = segment_[11];
    adobe_ = true;
  }
  return true;
}

// Frame geometry; false for sampling factors the decoder cannot place.
bool DctDecoder::Impl::SetUpFrame() {
  if (num_components_ == 1) components_[0].h = components_[0].v = 1;
  int h_max = 1, v_max = 1;
  for (int i = 0; i < num_components_; ++i) {
    h_max = std::max(h_max, components_[static_cast<size_t>(i)].h);
    v_max = std::max(v_max, components_[static_cast<size_t>(i)].v);
  }
  for (int i = 0; i < num_components_; ++i) {
    Component& c = components_[static_cast<size_t>(i)];
    // Each sample must cover a whole number of pixels.
    if (h_max % c.h != 0 || v_max % c.v != 0) return false;
    c.cell_w = h_max / c.h;
    c.cell_h = v_max / c.v;
  }
  mcu_w_ = 8 * h_max;
  mcu_h_ = 8 * v_max;
  mcus_x_ = (width_ + mcu_w_ - 1) / mcu_w_;
  mcus_y_ = (height_ + mcu_h_ - 1) / mcu_h_;
  for (int i = 0; i < num_components_; ++i) {
    Component& c = components_[static_cast<size_t>(i)];
    c.plane_w = static_cast<size_t>(mcus_x_) * static_cast<size_t>(c.h) * 8;
  }
  return true;
}

void DctDecoder::Impl::ResolveColorTransform() {
  if (color_transform_ != -1) return;
  color_transform_ = 0;
  if (num_components_ != 3) return;
  const bool rgb_ids = components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B';
  color_transform_ = jfif_ || !rgb_ids ? 1 : 0;
}

bool DctDecoder::Impl::Start(uint64_t max_output) {
  color_transform_ = parameter_;
  quant_ = {};
  dc_tables_ = {};
  ac_tables_ = {};
  restart_interval_ = 0;
  jfif_ = adobe_ = false;
  frame_ = progressive_ = false;
  width_ = height_ = num_components_ = 0;
  mcu_row_ = 0;
  if (!ReadHeaders() || width_ == 0 || height_ == 0 || !SetUpFrame()) return false;
  ResolveColorTransform();

  whole_image_ = progressive_ || scan_components_ != num_components_;
  if (whole_image_) {
    uint64_t total = 0;
    for (int i = 0; i < num_components_; ++i) {
      Component& c = components_[static_cast<size_t>(i)];
      c.blocks_w = mcus_x_ * c.h;
      c.blocks_h = mcus_y_ * c.v;
      total += uint64_t{64} * static_cast<uint64_t>(c.blocks_w) * static_cast<uint64_t>(c.blocks_h);
    }
    // Coefficients take about as many values as the image has samples.
    if (total > std::min<uint64_t>(max_output, kMaxCoefficients)) return false;
    for (int i = 0; i < num_components_; ++i) {
      Component& c = components_[static_cast<size_t>(i)];
      c.coefficients.assign(size_t{64} * static_cast<size_t>(c.blocks_w) * static_cast<size_t>(c.blocks_h), 0);
    }
    int scans = 0;
    do {
      DecodeScan();
    } while (++scans < kMaxScans && ReadHeaders());
  }
  for (int i = 0; i < num_components_; ++i)
    planes_[static_cast<size_t>(i)].assign(components_[static_cast<size_t>(i)].plane_w * static_cast<size_t>(8 * components_[static_cast<size_t>(i)].v), 0);
  restart_marker_ = kRST0;
  RestartState();
  return true;
}

// Entropy decoding ----------------------------------------------------------

void DctDecoder::Impl::RestartState() {
  acc_ = 0;
  bits_ = pad_ = 0;
  at_marker_ = false;
  restart_left_ = restart_interval_;
  for (Component& c : components_) c.predictor = 0;
  eob_run_ = 0;
}

// Reads the restart marker due before the next MCU; false when another
// marker (or none) comes.
bool DctDecoder::Impl::Restart() {
  acc_ = 0;
  bits_ = pad_ = 0;
  at_marker_ = false;
  if (input_.FindMarker() != restart_marker_) return false;
  restart_marker_ = restart_marker_ == kRST7 ? kRST0 : restart_marker_ + 1;
  RestartState();
  return true;
}

// Tops the bit buffer up to more than 56 bits; past a marker or the end it
// is filled with zero bits counted in pad_, which no read may consume.
void DctDecoder::Impl::FillBits() {
  while (bits_ <= 56) {
    const int b = at_marker_ ? -1 : input_.NextEntropyByte();
    if (b < 0) {
      at_marker_ = true;
      pad_ += 8;
    } else {
      acc_ |= static_cast<uint64_t>(b) << (56 - bits_);
    }
    bits_ += 8;
  }
}

bool DctDecoder::Impl::GetBits(int n, int& value) {
  if (n == 0) {
    value = 0;
    return true;
  }
  if (bits_ < n) FillBits();
  if (n > bits_ - pad_) return false;
  value = static_cast<int>(acc_ >> (64 - n));
  acc_ <<= n;
  bits_ -= n;
  return true;
}

// The next Huffman symbol; -1 when no code matches within 16 bits or the
// code runs into a marker or the end.
int DctDecoder::Impl::DecodeSymbol(const Huffman& table) {
  if (bits_ < 16) FillBits();
  const uint16_t fast = table.fast[static_cast<size_t>(acc_ >> (64 - kFastBits))];
  int length;
  int symbol;
  if (fast != 0) {
    length = fast >> 8;
    symbol = fast & 0xFF;
  } else {
    const int code16 = static_cast<int>(acc_ >> 48);
    for (length = kFastBits + 1; length <= 16; ++length) {
      const int code = code16 >> (16 - length);
      if (code <= table.max_code[static_cast<size_t>(length)]) break;
    }
    if (length > 16) return -1;
    symbol = table.symbols[static_cast<size_t>(table.offset[static_cast<size_t>(length)] + (code16 >> (16 - length)))];
  }
  if (length > bits_ - pad_) return -1;
  acc_ <<= length;
  bits_ -= length;
  return symbol;
}

// A data unit of a sequential scan into a zeroed block (natural order),
// each value multiplied by its entry of `quant` when one is given;
// `has_ac` tells whether a value other than the first was set.
bool DctDecoder::Impl::DecodeSequential(Component& c, int16_t* block, const uint16_t* quant, bool& has_ac) {
  const int s = DecodeSymbol(dc_tables_[static_cast<size_t>(c.dc)]);
  if (s < 0 || s > 16) return false;
  int bits;
  if (!GetBits(s, bits)) return false;
  c.predictor = W16(c.predictor + (s ? Extend(bits, s) : 0));
  block[0] = quant ? W16(c.predictor * quant[0]) : c.predictor;
  bool any_ac = false;
  auto put = [&](int k, int value) {
    const size_t at = kZigZag[static_cast<size_t>(k)];
    block[at] = quant ? W16(value * quant[at]) : W16(value);
    any_ac = true;
  };
  const Huffman& ac = ac_tables_[static_cast<size_t>(c.ac)];
  int k = 1;
  int pending = 0, zero_runs = 0;
  while (k < 64) {
    if (bits_ < 32) FillBits();
    const int32_t fast = ac.fast_ac[static_cast<size_t>(acc_ >> (64 - kFastBits))];
    if (fast != 0) {
      // Code and amplitude in one look.
      const int code_length = fast & 0xFF, size = (fast >> 8) & 15;
      if (size == 0) {  // end of block
        if (code_length > bits_ - pad_) return false;
        acc_ <<= code_length;
        bits_ -= code_length;
        break;
      }
      k += pending + ((fast >> 12) & 15);
      pending = zero_runs = 0;
      const int length = k < 64 ? code_length + size : code_length;
      if (length > bits_ - pad_) return false;
      acc_ <<= length;
      bits_ -= length;
      if (k < 64) put(k++, fast >> 16);
      continue;
    }
    const int rs = DecodeSymbol(ac);
    if (rs < 0) return false;
    if (rs == 0) break;
    // Up to three runs of sixteen zeros gather; a fourth counts as run 15
    // of size 0, like the symbol it is.
    if (rs == 0xF0 && zero_runs < 3) {
      pending += 16;
      ++zero_runs;
      continue;
    }
    const int size = rs & 15;
    k += pending + (rs >> 4);
    pending = zero_runs = 0;
    if (k < 64) {
      if (!GetBits(size, bits)) return false;
      put(k++, size ? Extend(bits, size) : 0);
    }
  }
  has_ac = any_ac;
  return true;
}

// A correction bit of a refinement scan: 1 moves the value 2^Al further from 0.
bool DctDecoder::Impl::Refine(int16_t& coefficient) {
  int bit;
  if (!GetBits(1, bit)) return false;
  if (bit) coefficient = W16(coefficient > 0 ? coefficient + (1 << al_) : coefficient - (1 << al_));
  return true;
}

// A data unit of a progressive scan, added to the block's coefficients.
bool DctDecoder::Impl::DecodeProgressive(Component& c, int16_t* block) {
  int k = ss_;
  int bits;
  if (k == 0) {
    if (ah_ == 0) {
      const int s = DecodeSymbol(dc_tables_[static_cast<size_t>(c.dc)]);
      if (s < 0 || s > 16 || !GetBits(s, bits)) return false;
      c.predictor = W16(c.predictor + (s ? Extend(bits, s) : 0));
      block[0] = W16(block[0] + c.predictor * (1 << al_));
    } else {
      if (!GetBits(1, bits)) return false;
      block[0] = W16(block[0] + bits * (1 << al_));
    }
    k = 1;
  }
  if (se_ == 0) return true;
  auto refine_rest = [&] {
    for (; k <= se_; ++k) {
      int16_t& co = block[kZigZag[static_cast<size_t>(k)]];
      if (co != 0 && !Refine(co)) return false;
    }
    --eob_run_;
    return true;
  };
  if (eob_run_ > 0) return refine_rest();
  const Huffman& ac = ac_tables_[static_cast<size_t>(c.ac)];
  while (k <= se_) {
    const int rs = DecodeSymbol(ac);
    if (rs < 0) return false;
    const int run = rs >> 4, size = rs & 15;
    if (rs == 0xF0) {
      // Sixteen zero-valued coefficients are passed, refining nonzero ones.
      for (int zeros = 0; k <= se_ && zeros < 16; ++k) {
        int16_t& co = block[kZigZag[static_cast<size_t>(k)]];
        if (co == 0)
          ++zeros;
        else if (!Refine(co))
          return false;
      }
    } else if (size == 0) {
      // End of band, for this block and the next 2^run - 1 + bits.
      if (!GetBits(run, bits)) return false;
      eob_run_ = (1 << run) + bits;
      return refine_rest();
    } else {
      if (!GetBits(size, bits)) return false;
      const int amplitude = Extend(bits, size);
      for (int zeros = 0; k <= se_; ++k) {
        int16_t& co = block[kZigZag[static_cast<size_t>(k)]];
        if (co != 0) {
          if (!Refine(co)) return false;
        } else if (zeros++ == run) {
          co = W16(amplitude * (1 << al_));
          ++k;
          break;
        }
      }
    }
  }
  return true;
}

// One scan of the whole image into the stored coefficients; a data unit
// that fails ends the scan.
void DctDecoder::Impl::DecodeScan() {
  restart_marker_ = kRST0;
  RestartState();
  auto unit = [&](Component& c, int bx, int by) {
    int16_t* block = &c.coefficients[(static_cast<size_t>(by) * static_cast<size_t>(c.blocks_w) + static_cast<size_t>(bx)) * 64];
    if (progressive_) return DecodeProgressive(c, block);
    std::fill(block, block + 64, int16_t{0});
    bool has_ac;
    return DecodeSequential(c, block, nullptr, has_ac);
  };
  auto restart_due = [&] { return restart_interval_ > 0 && restart_left_ == 0 && !Restart(); };
  if (scan_components_ == 1) {
    Component* c = nullptr;
    for (int i = 0; i < num_components_; ++i)
      if (components_[static_cast<size_t>(i)].in_scan) c = &components_[static_cast<size_t>(i)];
    // One block of the component per step.
    const int step_w = mcu_w_ / c->h, step_h = mcu_h_ / c->v;
    const int steps_x = (width_ + step_w - 1) / step_w, steps_y = (height_ + step_h - 1) / step_h;
    for (int by = 0; by < steps_y; ++by)
      for (int bx = 0; bx < steps_x; ++bx) {
        if (restart_due() || !unit(*c, bx, by)) return;
        --restart_left_;
      }
    return;
  }
  for (int my = 0; my < mcus_y_; ++my)
    for (int mx = 0; mx < mcus_x_; ++mx) {
      if (restart_due()) return;
      for (int i = 0; i < num_components_; ++i) {
        Component& c = components_[static_cast<size_t>(i)];
        if (!c.in_scan) continue;
        for (int by = 0; by < c.v; ++by)
          for (int bx = 0; bx < c.h; ++bx)
            if (!unit(c, mx * c.h + bx, my * c.v + by)) return;
      }
      --restart_left_;
    }
}

// Samples ---------------------------------------------------------------------

// Dequantises stored coefficients and writes their samples into the
// component's plane at sample (x, y) of the MCU row.
void DctDecoder::Impl::PutBlock(const Component& c, const int16_t* coefficients, int x, int y) {
  int16_t block[64];
  const auto& quant = quant_[static_cast<size_t>(c.quant)];
  int ac = 0;
  for (int i = 0; i < 64; ++i) {
    block[i] = W16(coefficients[i] * quant[static_cast<size_t>(i)]);
    ac |= i > 0 ? block[i] : 0;
  }
  PutSamples(c, block, ac != 0, x, y);
}

// The samples of a dequantised block into the component's plane.
void DctDecoder::Impl::PutSamples(const Component& c, const int16_t* block, bool has_ac, int x, int y) {
  std::vector<uint8_t>& plane = planes_[static_cast<size_t>(&c - components_.data())];
  uint8_t* out = plane.data() + static_cast<size_t>(y) * c.plane_w + static_cast<size_t>(x);
  if (has_ac) {
    InverseDct(block, out, static_cast<ptrdiff_t>(c.plane_w));
    return;
  }
  // A flat block, as smooth areas and most chroma blocks are.
  const uint8_t value = InverseDctDc(block[0]);
  for (size_t row = 0; row < 8; ++row) std::memset(out + row * c.plane_w, value, 8);
}

// Decodes the next MCU row of an interleaved sequential scan.
bool DctDecoder::Impl::DecodeMcuRow() {
  int16_t block[64];
  for (int mx = 0; mx < mcus_x_; ++mx) {
    if (restart_interval_ > 0 && restart_left_ == 0 && !Restart()) return false;
    for (int i = 0; i < num_components_; ++i) {
      Component& c = components_[static_cast<size_t>(i)];
      for (int by = 0; by < c.v; ++by)
        for (int bx = 0; bx < c.h; ++bx) {
          std::fill(block, block + 64, int16_t{0});
          bool has_ac;
          if (!DecodeSequential(c, block, quant_[static_cast<size_t>(c.quant)].data(), has_ac)) return false;
          PutSamples(c, block, has_ac, (mx * c.h + bx) * 8, by * 8);
        }
    }
    --restart_left_;
  }
  return true;
}

// Transforms the stored coefficients of the next MCU row.
void DctDecoder::Impl::TransformMcuRow() {
  for (int i = 0; i < num_components_; ++i) {
    const Component& c = components_[static_cast<size_t>(i)];
    for (int by = 0; by < c.v; ++by) {
      const size_t row = static_cast<size_t>(mcu_row_ * c.v + by);
      for (int bx = 0; bx < c.blocks_w; ++bx)
        PutBlock(c, &c.coefficients[(row * static_cast<size_t>(c.blocks_w) + static_cast<size_t>(bx)) * 64], bx * 8,
                 by * 8);
    }
  }
}

// One plane row at pixel resolution, each sample repeated cell_w times.
void DctDecoder::Impl::Widen(const uint8_t* samples, int cell_w, std::vector<uint8_t>& wide) const {
  wide.resize(static_cast<size_t>(width_) + 16);
  uint8_t* out = wide.data();
  int x = 0;
#if defined(__SSE2__)
  if (cell_w == 2) {
    for (; x + 16 <= width_; x += 16) {
      const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + x / 2));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi8(v, v));
    }
  }
#endif
  for (int sample = x / cell_w, k = 0; x < width_; ++x) {
    out[x] = samples[sample];
    if (++k == cell_w) {
      k = 0;
      ++sample;
    }
  }
}

// The MCU row's pixels, components interleaved, after the colour transform.
void DctDecoder::Impl::ConvertRows(uint8_t* rows) {
  struct Tables {
    int cr_r[256], cb_b[256], cb_g[256], cr_g[256];
    Tables() {
      // 1.402, 1.772, 0.34414 and 0.71414 in 16.16 fixed point.
      for (int i = 0; i < 256; ++i) {
        cr_r[i] = (91881 * (i - 128) + 32768) >> 16;
        cb_b[i] = (116130 * (i - 128) + 32768) >> 16;
        cb_g[i] = -22553 * (i - 128);
        cr_g[i] = -46802 * (i - 128) + 32768;
      }
    }
  };
  static const Tables t;
  const int n = num_components_;
  const int count = std::min(mcu_h_, height_ - mcu_row_ * mcu_h_);
  const size_t stride = static_cast<size_t>(width_) * static_cast<size_t>(n);
  const bool transform = color_transform_ != 0 && n >= 3;
  std::array<int, 4> widened = {-1, -1, -1, -1};  // plane row held in wide_
  for (int y = 0; y < count; ++y) {
    uint8_t* out = rows + stride * static_cast<size_t>(y);
    // Each component's samples of this pixel row, one per pixel.
    std::array<const uint8_t*, 4> p{};
    for (int i = 0; i < n; ++i) {
      const Component& c = components_[static_cast<size_t>(i)];
      const int plane_row = y / c.cell_h;
      p[static_cast<size_t>(i)] = planes_[static_cast<size_t>(i)].data() + static_cast<size_t>(plane_row) * c.plane_w;
      if (c.cell_w == 1) continue;
      std::vector<uint8_t>& wide = wide_[static_cast<size_t>(i)];
      if (widened[static_cast<size_t>(i)] != plane_row) {
        Widen(p[static_cast<size_t>(i)], c.cell_w, wide);
        widened[static_cast<size_t>(i)] = plane_row;
      }
      p[static_cast<size_t>(i)] = wide.data();
    }
    const uint8_t *p0 = p[0], *p1 = p[1], *p2 = p[2], *p3 = p[3];
    if (n == 1) {
      std::memcpy(out, p0, static_cast<size_t>(width_));
      continue;
    }
    if (!transform) {
      for (int x = 0; x < width_; ++x) {
        *out++ = p0[x];
        *out++ = p1[x];
        if (p2) *out++ = p2[x];
        if (p3) *out++ = p3[x];
      }
      continue;
    }
    // YCbCr to RGB; YCCK to CMYK inverts the three and keeps K.
    const int invert = n == 4 ? 255 : 0;
    const int done = ConvertYcc(p0, p1, p2, p3, width_, out);
    out += static_cast<size_t>(done) * static_cast<size_t>(n);
    for (int x = done; x < width_; ++x) {
      const int luma = p0[x], cb = p1[x], cr = p2[x];
      out[0] = static_cast<uint8_t>(invert ^ Clamp(luma + t.cr_r[cr]));
      out[1] = static_cast<uint8_t>(invert ^ Clamp(luma + ((t.cb_g[cb] + t.cr_g[cr]) >> 16)));
      out[2] = static_cast<uint8_t>(invert ^ Clamp(luma + t.cb_b[cb]));
      if (n == 4) out[3] = p3[x];
      out += n;
    }
  }
}

size_t DctDecoder::Impl::NextRowsSize() const {
  if (mcu_row_ >= mcus_y_) return 0;
  const int count = std::min(mcu_h_, height_ - mcu_row_ * mcu_h_);
  return static_cast<size_t>(width_) * static_cast<size_t>(num_components_) * static_cast<size_t>(count);
}

bool DctDecoder::Impl::NextMcuRow(uint8_t* rows) {
  if (mcu_row_ >= mcus_y_) return false;
  if (whole_image_)
    TransformMcuRow();
  else if (!DecodeMcuRow())
    return false;
  ConvertRows(rows);
  ++mcu_row_;
  return true;
}

// DctDecoder -----------------------------------------------------------------

DctDecoder::DctDecoder(codec::ByteSource& source, int color_transform)
    : impl_(std::make_unique<Impl>(source, color_transform)) {}

DctDecoder::~DctDecoder() = default;

void DctDecoder::DoReset() {
  impl_->Rewind();
  started_ = ended_ = false;
  rows_.clear();
  rows_pos_ = 0;
}

size_t DctDecoder::DoRead(uint8_t* buffer, size_t count) {
  if (!started_) {
    started_ = true;
    ended_ = !impl_->Start(MaxOutput());
  }
  size_t done = 0;
  while (done < count) {
    if (rows_pos_ < rows_.size()) {
      const size_t n = std::min(count - done, rows_.size() - rows_pos_);
      std::memcpy(buffer + done, &rows_[rows_pos_], n);
      rows_pos_ += n;
      done += n;
      continue;
    }
    const size_t size = ended_ ? 0 : impl_->NextRowsSize();
    if (size == 0) {
      ended_ = true;
      break;
    }
    // Whole MCU rows go straight to the caller.
    const bool direct = count - done >= size;
    if (!direct) rows_.resize(size);
    if (!impl_->NextMcuRow(direct ? buffer + done : rows_.data())) {
      ended_ = true;
      rows_.clear();
      break;
    }
    if (direct)
      done += size;
    else
      rows_pos_ = 0;
  }
  return done;
}

}  // namespace vn::pdf::filters
