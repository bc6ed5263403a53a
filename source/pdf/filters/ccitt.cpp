#include "pdf/filters/ccitt.h"

#include <algorithm>
#include <cstring>

#include "runtime/fax_codes.h"

namespace vn::pdf::filters {

namespace {

namespace fax = codec::fax;

constexpr int kWhiteBits = 12;  // longest white code
constexpr int kBlackBits = 13;  // longest black code
constexpr int kModeBits = 7;    // longest two-dimensional mode code
constexpr int kEndOfLine = 0x001;

struct RunEntry {
  uint16_t Run = 0;
  uint8_t Length = 0;  // 0: no code starts with these bits
};

template <int Bits>
using RunTable = std::array<RunEntry, size_t{1} << Bits>;

template <int Bits>
constexpr void Put(RunTable<Bits>& table, fax::Code code, int run) {
  const size_t first = size_t{code.Bits} << (Bits - code.Length);
  const size_t count = size_t{1} << (Bits - code.Length);
  for (size_t i = 0; i < count; ++i) table[first + i] = RunEntry{static_cast<uint16_t>(run), code.Length};
}

// Looks a run code up by its first Bits bits: terminating codes give 0..63,
// make-up codes multiples of 64 up to 2560.
template <int Bits>
constexpr RunTable<Bits> BuildRunTable(const std::array<fax::Code, 64>& terminating,
                                       const std::array<fax::Code, 41>& make_up) {
  RunTable<Bits> table{};
  for (int run = 0; run < 64; ++run) Put<Bits>(table, terminating[static_cast<size_t>(run)], run);
  for (int i = 1; i < 41; ++i) Put<Bits>(table, make_up[static_cast<size_t>(i)], i * 64);
  return table;
}

constexpr RunTable<kWhiteBits> kWhiteRuns = BuildRunTable<kWhiteBits>(fax::kWhiteTerminating, fax::kWhiteMakeUp);
constexpr RunTable<kBlackBits> kBlackRuns = BuildRunTable<kBlackBits>(fax::kBlackTerminating, fax::kBlackMakeUp);

enum class Mode : uint8_t { Bad, Pass, Horizontal, Vertical };

struct ModeEntry {
  Mode Kind = Mode::Bad;
  int8_t Delta = 0;  // vertical: a1 - b1
  uint8_t Length = 0;
};

constexpr std::array<ModeEntry, 1 << kModeBits> BuildModeTable() {
  std::array<ModeEntry, 1 << kModeBits> table{};
  auto put = [&](fax::Code code, Mode kind, int delta) {
    const size_t first = size_t{code.Bits} << (kModeBits - code.Length);
    for (size_t i = 0; i < (size_t{1} << (kModeBits - code.Length)); ++i)
      table[first + i] = ModeEntry{kind, static_cast<int8_t>(delta), code.Length};
  };
  put(fax::kPass, Mode::Pass, 0);
  put(fax::kHorizontal, Mode::Horizontal, 0);
  for (int d = -3; d <= 3; ++d) put(fax::kVertical[static_cast<size_t>(d + 3)], Mode::Vertical, d);
  return table;
}

constexpr std::array<ModeEntry, 1 << kModeBits> kModes = BuildModeTable();

}  // namespace

CcittDecoder::CcittDecoder(codec::ByteSource& source, const CcittParams& params) : source_(source), params_(params) {
  params_.Columns = std::max(params_.Columns, 1);
  valid_ = params_.Columns <= kMaxColumns;
  if (valid_) {
    const size_t columns = static_cast<size_t>(params_.Columns);
    coding_.reserve(columns + 1);
    reference_.reserve(columns + 3);
    row_bytes_.resize((columns + 7) / 8);
  }
  Restart();
}

void CcittDecoder::DoReset() {
  source_.Rewind();
  Restart();
}

// Bit reading -------------------------------------------------------------

int CcittDecoder::Look(int n) {
  while (bit_count_ < n) {
    if (in_pos_ == in_end_) {
      if (source_ended_) break;
      in_pos_ = 0;
      in_end_ = source_.ReadSome(input_.data(), input_.size());
      if (in_end_ == 0) {
        source_ended_ = true;
        break;
      }
    }
    bits_ = (bits_ << 8) | input_[in_pos_++];
    bit_count_ += 8;
  }
  if (bit_count_ == 0) return -1;
  const uint64_t mask = (uint64_t{1} << n) - 1;
  if (bit_count_ < n) return static_cast<int>((bits_ << (n - bit_count_)) & mask);
  return static_cast<int>((bits_ >> (bit_count_ - n)) & mask);
}

void CcittDecoder::Eat(int n) {
  bit_count_ = std::max(bit_count_ - n, 0);
  bit_eaten_ = true;
}

// Drops what is left of the current input byte.
void CcittDecoder::SkipToByte() { bit_count_ -= bit_count_ % 8; }

// An end-of-line code (or fill before one) starts here: twelve bits with
// nothing but a final 1. No run or mode code starts with eleven zeros.
bool CcittDecoder::EndOfLineAhead() {
  const int code = Look(12);
  return code == 0 || code == kEndOfLine;
}

// Rows --------------------------------------------------------------------

void CcittDecoder::Restart() {
  in_pos_ = in_end_ = 0;
  source_ended_ = false;
  bits_ = 0;
  bit_count_ = 0;
  row_ = 0;
  row_pos_ = row_bytes_.size();
  damaged_ = data_ended_ = false;
  eof_ = !valid_;
  if (eof_) return;
  // The row above the first is white.
  coding_.assign(1, params_.Columns);
  next_2d_ = params_.K < 0;
  SkipLeadingEndOfLine();
}

void CcittDecoder::SkipLeadingEndOfLine() {
  while (Look(12) == 0) Eat(1);
  if (Look(12) == kEndOfLine) Eat(12);
  if (params_.K > 0) ReadTag();
}

// A run of the given colour: make-up codes summed up to the terminating
// code. -1 when the data end or an end-of-line code interrupts the run.
int CcittDecoder::ReadRun(bool white) {
  const int columns = params_.Columns;
  int run = 0;
  for (;;) {
    RunEntry entry;
    if (white) {
      const int bits = Look(kWhiteBits);
      if (bits < 0) return -1;
      entry = kWhiteRuns[static_cast<size_t>(bits)];
    } else {
      const int bits = Look(kBlackBits);
      if (bits < 0) return -1;
      entry = kBlackRuns[static_cast<size_t>(bits)];
    }
    if (entry.Length == 0) {
      if (EndOfLineAhead()) return -1;
      // A code in no table: one bit, one pixel.
      Eat(1);
      damaged_ = true;
      return std::min(run + 1, columns);
    }
    Eat(entry.Length);
    run = std::min(run + entry.Run, columns);
    if (entry.Run < 64) return run;
  }
}

// Appends a changing element, keeping the list strictly increasing: a
// position left of the last one is taken as the last one, and an element at
// the last position cancels it (a run of no pixels), except at the row's end.
void CcittDecoder::AddChange(int32_t position) {
  position = std::min(position, params_.Columns);
  if (!coding_.empty() && position <= coding_.back()) {
    if (coding_.back() == params_.Columns) return;
    coding_.pop_back();
    return;
  }
  coding_.push_back(position);
}

bool CcittDecoder::DecodeOneDimensional() {
  const int columns = params_.Columns;
  int32_t a0 = 0;
  while (a0 < columns) {
    const bool white = coding_.size() % 2 == 0;
    const int run = ReadRun(white);
    if (run < 0) return false;
    a0 = std::min(a0 + run, columns);
    AddChange(a0);
  }
  return true;
}

bool CcittDecoder::DecodeTwoDimensional() {
  const int32_t columns = params_.Columns;
  int32_t a0 = -1;  // the imaginary pixel before the row
  size_t ib = 0;    // first reference element right of a0
  const std::vector<int32_t>& ref = reference_;
  while (a0 < columns) {
    while (ref[ib] <= a0 && ref[ib] < columns) ++ib;
    // b1 changes to the colour opposite a0's: even elements turn to black.
    const size_t jb = ib + ((ib ^ coding_.size()) & 1);
    const int32_t b1 = ref[jb];
    const int bits = Look(kModeBits);
    if (bits < 0) return false;
    const ModeEntry mode = kModes[static_cast<size_t>(bits)];
    switch (mode.Kind) {
      case Mode::Pass:
        Eat(mode.Length);
        if (b1 < columns) a0 = ref[jb + 1];
        break;
      case Mode::Horizontal: {
        Eat(mode.Length);
        const bool white = coding_.size() % 2 == 0;
        const int run1 = ReadRun(white);
        if (run1 < 0) return false;
        const int run2 = ReadRun(!white);
        if (run2 < 0) return false;
        if (run1 == 0 && run2 == 0) break;
        const int32_t a1 = std::min(std::max(a0, 0) + run1, columns);
        const int32_t a2 = std::min(a1 + run2, columns);
        AddChange(a1);
        AddChange(a2);
        a0 = a2;
        break;
      }
      case Mode::Vertical: {
        Eat(mode.Length);
        const int32_t a1 = std::min(b1 + mode.Delta, columns);
        if (a1 <= a0) break;  // left of the current position: ignored
        AddChange(a1);
        a0 = a1;
        break;
      }
      case Mode::Bad:
        damaged_ = true;
        if (!EndOfLineAhead()) Eat(1);
        return true;
    }
  }
  return true;
}

// Ends the row at Columns: a row that stopped short keeps its last colour
// to the edge and counts as damaged.
void CcittDecoder::FinishRow() {
  if (coding_.empty() || coding_.back() != params_.Columns) {
    damaged_ = true;
    coding_.push_back(params_.Columns);
  }
}

void CcittDecoder::EmitRow() {
  const uint8_t white = params_.BlackIs1 ? 0x00 : 0xFF;
  std::fill(row_bytes_.begin(), row_bytes_.end(), white);
  // Black runs from each even element to the next.
  for (size_t i = 0; i + 1 < coding_.size(); i += 2) {
    const uint32_t from = static_cast<uint32_t>(coding_[i]);
    const uint32_t to = static_cast<uint32_t>(coding_[i + 1]);
    for (uint32_t x = from; x < to;) {
      if ((x & 7) == 0 && to - x >= 8) {
        const size_t bytes = (to - x) / 8;
        std::memset(&row_bytes_[x / 8], ~white & 0xFF, bytes);
        x += static_cast<uint32_t>(bytes * 8);
        continue;
      }
      row_bytes_[x / 8] ^= static_cast<uint8_t>(0x80 >> (x & 7));
      ++x;
    }
  }
  // The padding bits of the last byte are 0 before any inversion.
  const int tail = params_.Columns % 8;
  if (tail != 0) {
    const uint8_t keep = static_cast<uint8_t>(0xFF << (8 - tail));
    uint8_t& last = row_bytes_.back();
    last = params_.BlackIs1 ? static_cast<uint8_t>(last | ~keep) : static_cast<uint8_t>(last & keep);
  }
  row_pos_ = 0;
}

// Decodes the next row into row_bytes_; false when there is none.
bool CcittDecoder::DecodeRow() {
  while (!data_ended_) {
    reference_.assign(coding_.begin(), coding_.end());
    reference_.push_back(params_.Columns);
    reference_.push_back(params_.Columns);
    coding_.clear();
    damaged_ = false;
    bit_eaten_ = false;
    const bool complete = next_2d_ ? DecodeTwoDimensional() : DecodeOneDimensional();
    const bool empty = !bit_eaten_;
    if (empty) {
      // No bit of this row was read: the previous row stays the reference.
      coding_.assign(reference_.begin(), reference_.end() - 2);
      if (!complete && Look(1) < 0) return false;
    } else {
      if (!complete && Look(1) < 0) data_ended_ = true;
      FinishRow();
      ++row_;
    }
    EndRow();
    if (!empty) {
      EmitRow();
      return true;
    }
  }
  return false;
}

// What follows a row: alignment, the end-of-line code, the tag bit of the
// next row, the end of the block, or resynchronisation after damage.
void CcittDecoder::EndRow() {
  if (params_.EncodedByteAlign) {
    // Fill bits before an end-of-line code make the code end on a byte
    // boundary, so the code may start in this byte: it is kept whole.
    const int left = bit_count_ % 8;
    if (left < 4 || Look(left + 8) != kEndOfLine) SkipToByte();
  }
  bool end_of_line = false;
  if (!params_.EndOfBlock && params_.Rows > 0 && row_ >= params_.Rows) {
    data_ended_ = true;
  } else if (!data_ended_) {
    while (Look(12) == 0) Eat(1);
    const int code = Look(12);
    if (code < 0) {
      data_ended_ = true;
    } else if (code == kEndOfLine) {
      Eat(12);
      end_of_line = true;
    }
  }
  if (!data_ended_ && params_.K > 0) ReadTag();
  if (data_ended_) return;
  if (params_.EndOfBlock && end_of_line && Look(12) == kEndOfLine) {
    // A second end-of-line ends the block (Group 4); Group 3 data repeat it
    // four more times to make the return-to-control sequence.
    const int tag_bits = params_.K > 0 ? 1 : 0;
    Eat(12 + tag_bits);
    if (params_.K >= 0)
      for (int i = 0; i < 4; ++i) Eat(12 + tag_bits);
    data_ended_ = true;
  } else if (damaged_ && params_.EndOfLine && !end_of_line) {
    // Resynchronise at the next end-of-line code.
    for (;;) {
      const int code = Look(12);
      if (code < 0) {
        data_ended_ = true;
        return;
      }
      if (code == kEndOfLine) break;
      Eat(1);
    }
    Eat(12);
    if (params_.K > 0) ReadTag();
  }
}

// The tag bit before a row of mixed data: 1 one-dimensional, 0 two-dimensional.
void CcittDecoder::ReadTag() {
  const int tag = Look(1);
  if (tag < 0) {
    data_ended_ = true;
    return;
  }
  next_2d_ = tag == 0;
  Eat(1);
}

size_t CcittDecoder::DoRead(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    if (row_pos_ < row_bytes_.size()) {
      const size_t n = std::min(count - done, row_bytes_.size() - row_pos_);
      std::memcpy(buffer + done, &row_bytes_[row_pos_], n);
      row_pos_ += n;
      done += n;
      continue;
    }
    if (eof_ || !DecodeRow()) {
      eof_ = true;
      break;
    }
  }
  return done;
}

}  // namespace vn::pdf::filters
