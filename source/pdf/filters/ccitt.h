// CCITT facsimile decoding as PDF's CCITTFaxDecode uses it: one-dimensional
// (modified Huffman, K = 0), mixed (K > 0, a tag bit before each row) and
// two-dimensional (K < 0, Group 4) rows, optionally byte-aligned, with or
// without end-of-line codes. Each row comes out as Columns pixels packed
// eight to a byte, first pixel in the high bit, white as 1 (black as 1 with
// BlackIs1); the last byte of a row is padded.
//
// Damage policy: bad codes never raise. A run code found in no table counts
// as a run of one pixel; a bad two-dimensional code ends its row. A row that
// ends short of Columns is extended with its last colour, and is marked
// damaged: with EndOfLine the decoder then resynchronises at the next
// end-of-line code (unless one follows the row already). An end-of-line code
// met inside a row ends that row. The end of the data ends the image after
// the row in progress; a row for which no bit was left is not delivered.
// Columns above kMaxColumns make the stream yield no data, so a hostile
// parameter cannot make the row arrays huge; every row consumes input, so
// the number of rows is bounded by the input (and the output by the
// decoder's output cap).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "runtime/byte_decoder.h"

namespace vn::pdf::filters {

struct CcittParams {
  int K = 0;
  bool EndOfLine = false;
  bool EncodedByteAlign = false;
  int Columns = 1728;
  int Rows = 0;
  bool EndOfBlock = true;
  bool BlackIs1 = false;
};

class CcittDecoder final : public codec::ByteDecoder {
 public:
  // Wider rows than any scanner makes; beyond this the stream has no data.
  static constexpr int kMaxColumns = 1 << 20;

  CcittDecoder(codec::ByteSource& source, const CcittParams& params);

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override;

 private:
  // Bit reading: bytes are appended at the low end, bits taken from the top.
  int Look(int n);  // the next n bits (n <= 16), zero-filled at the end; -1 when none are left
  void Eat(int n);
  void SkipToByte();
  bool EndOfLineAhead();

  void Restart();
  void SkipLeadingEndOfLine();
  bool DecodeRow();
  bool DecodeOneDimensional();
  bool DecodeTwoDimensional();
  int ReadRun(bool white);
  void AddChange(int32_t position);
  void FinishRow();
  void EndRow();
  void ReadTag();
  void EmitRow();

  codec::ByteSource& source_;
  CcittParams params_;
  bool valid_ = true;

  std::array<uint8_t, 4096> input_{};
  size_t in_pos_ = 0;
  size_t in_end_ = 0;
  bool source_ended_ = false;
  uint64_t bits_ = 0;
  int bit_count_ = 0;
  bool bit_eaten_ = false;  // a bit of the current row was consumed

  // Changing elements of the row being decoded (strictly increasing, ended
  // by Columns once the row is complete) and of the reference row (followed
  // by Columns twice).
  std::vector<int32_t> coding_;
  std::vector<int32_t> reference_;
  bool next_2d_ = false;
  bool damaged_ = false;
  bool data_ended_ = false;  // no more rows after the current one
  bool eof_ = false;
  int64_t row_ = 0;

  std::vector<uint8_t> row_bytes_;
  size_t row_pos_ = 0;
};

}  // namespace vn::pdf::filters
