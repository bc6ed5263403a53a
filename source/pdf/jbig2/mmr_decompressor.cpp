#include "pdf/jbig2/mmr_decompressor.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "pdf/jbig2/exceptions.h"

namespace vn::pdf::jbig2 {

namespace {

struct CodeText {
  std::string_view bits;
  int value;
};

// A run code's value for the end-of-line code met where a run was expected.
constexpr int kEolRun = -1;

// Makeup codes from 1792 to 2560, shared by both colours.
constexpr CodeText kExtendedMakeup[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},  {"000000010010", 1984},
    {"000000010011", 2048}, {"000000010100", 2112}, {"000000010101", 2176}, {"000000010110", 2240},
    {"000000010111", 2304}, {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560}, {"000000000001", kEolRun},
};

constexpr CodeText kWhiteCodes[] = {
    {"00110101", 0},    {"000111", 1},      {"0111", 2},        {"1000", 3},        {"1011", 4},
    {"1100", 5},        {"1110", 6},        {"1111", 7},        {"10011", 8},       {"10100", 9},
    {"00111", 10},      {"01000", 11},      {"001000", 12},     {"000011", 13},     {"110100", 14},
    {"110101", 15},     {"101010", 16},     {"101011", 17},     {"0100111", 18},    {"0001100", 19},
    {"0001000", 20},    {"0010111", 21},    {"0000011", 22},    {"0000100", 23},    {"0101000", 24},
    {"0101011", 25},    {"0010011", 26},    {"0100100", 27},    {"0011000", 28},    {"00000010", 29},
    {"00000011", 30},   {"00011010", 31},   {"00011011", 32},   {"00010010", 33},   {"00010011", 34},
    {"00010100", 35},   {"00010101", 36},   {"00010110", 37},   {"00010111", 38},   {"00101000", 39},
    {"00101001", 40},   {"00101010", 41},   {"00101011", 42},   {"00101100", 43},   {"00101101", 44},
    {"00000100", 45},   {"00000101", 46},   {"00001010", 47},   {"00001011", 48},   {"01010010", 49},
    {"01010011", 50},   {"01010100", 51},   {"01010101", 52},   {"00100100", 53},   {"00100101", 54},
    {"01011000", 55},   {"01011001", 56},   {"01011010", 57},   {"01011011", 58},   {"01001010", 59},
    {"01001011", 60},   {"00110010", 61},   {"00110011", 62},   {"00110100", 63},   {"11011", 64},
    {"10010", 128},     {"010111", 192},    {"0110111", 256},   {"00110110", 320},  {"00110111", 384},
    {"01100100", 448},  {"01100101", 512},  {"01101000", 576},  {"01100111", 640},  {"011001100", 704},
    {"011001101", 768}, {"011010010", 832}, {"011010011", 896}, {"011010100", 960}, {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280}, {"011011010", 1344},
    {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536}, {"010011010", 1600}, {"011000", 1664},
    {"010011011", 1728},
};

constexpr CodeText kBlackCodes[] = {
    {"0000110111", 0},     {"010", 1},            {"11", 2},             {"10", 3},
    {"011", 4},            {"0011", 5},           {"0010", 6},           {"00011", 7},
    {"000101", 8},         {"000100", 9},         {"0000100", 10},       {"0000101", 11},
    {"0000111", 12},       {"00000100", 13},      {"00000111", 14},      {"000011000", 15},
    {"0000010111", 16},    {"0000011000", 17},    {"0000001000", 18},    {"00001100111", 19},
    {"00001101000", 20},   {"00001101100", 21},   {"00000110111", 22},   {"00000101000", 23},
    {"00000010111", 24},   {"00000011000", 25},   {"000011001010", 26},  {"000011001011", 27},
    {"000011001100", 28},  {"000011001101", 29},  {"000001101000", 30},  {"000001101001", 31},
    {"000001101010", 32},  {"000001101011", 33},  {"000011010010", 34},  {"000011010011", 35},
    {"000011010100", 36},  {"000011010101", 37},  {"000011010110", 38},  {"000011010111", 39},
    {"000001101100", 40},  {"000001101101", 41},  {"000011011010", 42},  {"000011011011", 43},
    {"000001010100", 44},  {"000001010101", 45},  {"000001010110", 46},  {"000001010111", 47},
    {"000001100100", 48},  {"000001100101", 49},  {"000001010010", 50},  {"000001010011", 51},
    {"000000100100", 52},  {"000000110111", 53},  {"000000111000", 54},  {"000000100111", 55},
    {"000000101000", 56},  {"000001011000", 57},  {"000001011001", 58},  {"000000101011", 59},
    {"000000101100", 60},  {"000001011010", 61},  {"000001100110", 62},  {"000001100111", 63},
    {"0000001111", 64},    {"000011001000", 128}, {"000011001001", 192}, {"000001011011", 256},
    {"000000110011", 320}, {"000000110100", 384}, {"000000110101", 448}, {"0000001101100", 512},
    {"0000001101101", 576}, {"0000001001010", 640}, {"0000001001011", 704}, {"0000001001100", 768},
    {"0000001001101", 832}, {"0000001110010", 896}, {"0000001110011", 960}, {"0000001110100", 1024},
    {"0000001110101", 1088}, {"0000001110110", 1152}, {"0000001110111", 1216}, {"0000001010010", 1280},
    {"0000001010011", 1344}, {"0000001010100", 1408}, {"0000001010101", 1472}, {"0000001011010", 1536},
    {"0000001011011", 1600}, {"0000001100100", 1664}, {"0000001100101", 1728},
};

}  // namespace

// A two-level lookup table: the first 8 bits of a code select an entry of
// the first level or a 32-entry second level for the next 5 bits.
class TvnMMRDecompressor::Table {
 public:
  struct Entry {
    int16_t bit_length = 0;
    int16_t second = -1;
    int32_t value = 0;
  };

  Table() = default;
  // A run-length table: one colour's codes and the makeup codes both share.
  Table(std::span<const CodeText> own, std::span<const CodeText> shared) {
    for (const CodeText& code : own) Add(code.bits, code.value);
    for (const CodeText& code : shared) Add(code.bits, code.value);
  }

  void Add(std::string_view bits, int value) {
    const int length = static_cast<int>(bits.size());
    if (length > 13) throw vn::Exception("code table overflow MMrDecompressor");
    int word = 0;
    for (char c : bits) word = word << 1 | (c == '1');
    Entry leaf{static_cast<int16_t>(length), -1, value};
    if (length <= 8) {
      const int first = word << (8 - length);
      std::fill_n(first_.begin() + first, 1 << (8 - length), leaf);
      return;
    }
    Entry& head = first_[static_cast<size_t>(word >> (length - 8))];
    if (head.second < 0) {
      head.second = static_cast<int16_t>(second_.size());
      second_.emplace_back();
    }
    const int rest = length - 8;
    const int start = (word & ((1 << rest) - 1)) << (5 - rest);
    std::fill_n(second_[static_cast<size_t>(head.second)].begin() + start, 1 << (5 - rest), leaf);
  }

  Entry Find(uint32_t bits24) const {
    Entry entry = first_[bits24 >> 16];
    if (entry.second >= 0) entry = second_[static_cast<size_t>(entry.second)][(bits24 >> 11) & 31];
    return entry;
  }

 private:
  std::array<Entry, 256> first_{};
  std::vector<std::array<Entry, 32>> second_;
};

std::string TvnCodei::ToString() const {
  return std::to_string(FbitLength) + "/" + std::to_string(FcodeWord) + "/" + std::to_string(FrunLength);
}

TvnMMRDecompressor::TvnMMRDecompressor(int width, int height, TvnIOStream* stream)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), stream_(stream) {
  total_bits_ = stream_->Available() * 8;
  reference_.assign(static_cast<size_t>(width_) + 5, 0);
  current_.assign(static_cast<size_t>(width_) + 5, 0);
}

const TvnMMRDecompressor::Table& TvnMMRDecompressor::WhiteCodes() {
  static const Table table(kWhiteCodes, kExtendedMakeup);
  return table;
}

const TvnMMRDecompressor::Table& TvnMMRDecompressor::BlackCodes() {
  static const Table table(kBlackCodes, kExtendedMakeup);
  return table;
}

const TvnMMRDecompressor::Table& TvnMMRDecompressor::ModeCodes() {
  static const Table table = [] {
    Table t;
    t.Add("0001", kPass);
    t.Add("001", kHorizontal);
    t.Add("1", kV0);
    t.Add("011", kVR1);
    t.Add("000011", kVR2);
    t.Add("0000011", kVR3);
    t.Add("010", kVL1);
    t.Add("000010", kVL2);
    t.Add("0000010", kVL3);
    t.Add("0000001", kExtension2D);
    t.Add("000000001", kExtension1D);
    t.Add("000000000001", kEOL);
    return t;
  }();
  return table;
}

uint32_t TvnMMRDecompressor::Peek24() const {
  // Bytes past the data read as 0.
  const int64_t index = offset_ >> 3;
  uint32_t word = 0;
  for (int i = 0; i < 4; ++i) {
    const int byte = stream_->ByteAt(index + i);
    word = word << 8 | static_cast<uint32_t>(byte < 0 ? 0 : byte);
  }
  return (word >> (8 - (offset_ & 7))) & 0xFFFFFF;
}

TvnMMRDecompressor::Match TvnMMRDecompressor::Look(const Table& table) const {
  Table::Entry entry = table.Find(Peek24());
  return {entry.bit_length, entry.value};
}

int64_t TvnMMRDecompressor::ReadRun(const Table& table) {
  int64_t total = 0;
  while (!AtEnd()) {
    Match code = Look(table);
    if (code.bit_length == 0) {
      ++offset_;
      continue;
    }
    offset_ += code.bit_length;
    if (code.value == kEolRun) return -1;
    // Runs are only added up to a little past any row, so damage cannot overflow.
    total = std::min<int64_t>(total + code.value, int64_t{width_} + 2560);
    if (code.value < 64) return total;
  }
  return -1;
}

void TvnMMRDecompressor::RowFailure(int color, const Match& code, int ref_index, int cur_index, int64_t a0) const {
  std::string text;
  text += "whiterun         =" + std::string(color == 0 ? "true" : "false") + "\n";
  text += "code             =" + TvnCodei{code.bit_length, 0, code.value}.ToString() + "\n";
  text += "refOffset        =" + std::to_string(ref_index) + "\n";
  text += "curOffset        =" + std::to_string(cur_index) + "\n";
  text += "bitPos           =" + std::to_string(a0) + "\n";
  text += "Arundata.Foffset =" + std::to_string(offset_) + "\n";
  text += "byte =" + std::to_string(offset_ >> 3) + ",bit =" + std::to_string(offset_ & 7) + ")";
  throw vn::Exception(text);
}

int TvnMMRDecompressor::DecodeRow() {
  // The imaginary changing elements past the end of the reference row.
  int* ref = reference_.data();
  ref[reference_count_] = ref[reference_count_ + 1] = width_;
  ref[reference_count_ + 2] = ref[reference_count_ + 3] = width_ + 1;

  const int capacity = width_ + 1;
  int count = 0;
  int64_t a0 = -1;
  int color = 0;
  int bi = 0;
  auto push = [&](int64_t position) {
    if (count < capacity) current_[static_cast<size_t>(count++)] = static_cast<int>(position);
  };

  bool row_over = false;
  while (!row_over && a0 < width_ && count < capacity && !AtEnd()) {
    Match code = Look(ModeCodes());
    if (code.bit_length == 0) {
      ++offset_;
      continue;
    }
    offset_ += code.bit_length;
    if (code.value == kEOL || code.value == kExtension1D || code.value == kExtension2D) break;

    // b1: the first changing element of the reference row right of a0 whose
    // colour is the opposite of a0's; b2 the next one.
    bi = bi > 0 ? bi - 1 : 0;
    while (ref[bi] <= a0 || (bi & 1) != color) ++bi;
    const int64_t b1 = ref[bi];
    const int64_t b2 = ref[bi + 1];
    const int64_t start = std::max<int64_t>(a0, 0);

    switch (code.value) {
      case kPass:
        a0 = std::min<int64_t>(b2, width_);
        break;
      case kHorizontal: {
        // The row may end inside either run (an end-of-line code or the end
        // of the data): it then stops where the runs got to.
        const int64_t run1 = ReadRun(color ? BlackCodes() : WhiteCodes());
        if (run1 < 0) {
          a0 = start;
          row_over = true;
          break;
        }
        const int64_t a1 = std::min<int64_t>(start + run1, width_);
        push(a1);
        const int64_t run2 = ReadRun(color ? WhiteCodes() : BlackCodes());
        if (run2 < 0) {
          a0 = a1;
          row_over = true;
          break;
        }
        a0 = std::min<int64_t>(a1 + run2, width_);
        push(a0);
        break;
      }
      default: {
        static constexpr int kOffsets[] = {0, 1, 2, 3, -1, -2, -3};
        const int64_t a1 = std::min<int64_t>(b1 + kOffsets[code.value - kV0], width_);
        if (a1 < start) RowFailure(color, code, bi, count, a0);
        push(a1);
        a0 = a1;
        color ^= 1;
        break;
      }
    }
  }
  // A black run still open where the row stopped ends there.
  if ((count & 1) && count < capacity) push(std::max<int64_t>(a0, 0));
  return count;
}

void TvnMMRDecompressor::Uncompress(TvnImageBitmap& bitmap) {
  reference_[0] = width_;  // the row above the first is white
  reference_count_ = 0;
  for (int y = 0; y < height_ && !AtEnd(); ++y) {
    const int count = DecodeRow();
    uint8_t* row = bitmap.Row(y);
    for (int k = 0; k + 1 < count; k += 2) {
      const int from = current_[static_cast<size_t>(k)];
      const int to = std::min(current_[static_cast<size_t>(k + 1)], width_);
      for (int x = from; x < to; ++x) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    std::swap(reference_, current_);
    reference_count_ = count;
  }
  // The end-of-block codes after the last row.
  for (Match code = Look(ModeCodes()); !AtEnd() && code.bit_length > 0 && code.value == kEOL;
       code = Look(ModeCodes()))
    offset_ += code.bit_length;
}

std::unique_ptr<TvnImageBitmap> TvnMMRDecompressor::Uncompress() {
  auto bitmap = std::make_unique<TvnImageBitmap>(width_, height_);
  Uncompress(*bitmap);
  return bitmap;
}

}  // namespace vn::pdf::jbig2
