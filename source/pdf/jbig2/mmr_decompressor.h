// The MMR decoder of JBIG2: two-dimensional run coding as in fax Group 4,
// rows not byte-aligned and without end-of-line codes between them, the
// first row referring to an all-white row.
//
// Codes are looked up in two-level tables (8 bits, then 5 more), built once
// per process from the white, black and mode code lists. Damage is handled
// without reading or writing outside the row: runs and vertical offsets
// that would pass the end of the row end at the row's end, an unknown code
// is skipped one bit at a time, an end-of-line or extension code ends the
// row, and when the data runs out decoding ends and the remaining rows stay
// white. A code that would move backwards in the row stops decoding with an
// exception listing the decoder's state; the rows decoded before it stay in
// the bitmap.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/io_stream.h"

namespace vn::pdf::jbig2 {

// One entry of a code list: a code word of `bitLength` bits and its run
// length (or mode).
struct TvnCodei {
  int FbitLength = 0;
  int FcodeWord = 0;
  int FrunLength = 0;

  std::string ToString() const;
  bool operator==(const TvnCodei& other) const = default;
};

class TvnMMRDecompressor {
 public:
  TvnMMRDecompressor(int width, int height, TvnIOStream* stream);

  // Decodes a whole bitmap of width x height.
  std::unique_ptr<TvnImageBitmap> Uncompress();
  // Decodes into `bitmap` (of width x height, all white).
  void Uncompress(TvnImageBitmap& bitmap);

  // Bits of the data consumed so far.
  int64_t BitOffset() const { return offset_; }

 private:
  enum Mode { kPass, kHorizontal, kV0, kVR1, kVR2, kVR3, kVL1, kVL2, kVL3, kExtension2D, kExtension1D, kEOL };
  struct Match {
    int bit_length = 0;  // 0: no code
    int value = 0;
  };
  class Table;

  // Decodes one row from reference_ into current_; returns the number of
  // changing elements.
  int DecodeRow();
  // One run of the colour (makeup codes then a terminating code); -1 when
  // the row ends inside it.
  int64_t ReadRun(const Table& table);
  Match Look(const Table& table) const;
  static const Table& WhiteCodes();
  static const Table& BlackCodes();
  static const Table& ModeCodes();
  uint32_t Peek24() const;
  bool AtEnd() const { return offset_ >= total_bits_; }
  [[noreturn]] void RowFailure(int color, const Match& code, int ref_index, int cur_index, int64_t a0) const;

  int width_;
  int height_;
  TvnIOStream* stream_;
  int64_t offset_ = 0;
  int64_t total_bits_ = 0;
  std::vector<int> reference_;  // changing elements of the row above, then 4 sentinels
  int reference_count_ = 0;
  std::vector<int> current_;
};

}  // namespace vn::pdf::jbig2
