// JPEG decoding as PDF's DCTDecode uses it: Huffman-coded 8-bit baseline,
// extended sequential and progressive frames of one to four components.
// The output is Height rows of Width pixels, each pixel one byte per
// component in frame order, after the colour transform: YCbCr to RGB for
// three components, YCCK to CMYK (inverted RGB and K) for four.
//
// The colour transform follows an Adobe APP14 segment when there is one,
// whatever the ColorTransform parameter says; otherwise the parameter;
// without either, three components are transformed unless there is no JFIF
// segment and their identifiers are 'R', 'G', 'B'.
//
// Interleaved sequential images decode one MCU row at a time as bytes are
// read; progressive images and images whose first scan holds one component
// of several keep the coefficients of the whole image until every scan has
// been read.
//
// Damage policy: nothing raises. Lossless, hierarchical, arithmetic-coded
// and 12-bit frames, headers that do not fit their tables (sampling factors
// outside 1..4 or not dividing the largest, selectors above 3, bad spectral
// bands, a second frame) and images of no pixels yield no data. A data unit
// that cannot be decoded ends a sequential image after the last complete
// MCU row; in a progressive image it ends only its scan, and blocks no scan
// reached keep their coefficients (zero: mid-grey). APP14 segments other
// than Adobe's are skipped. Whole-image decoding refuses images whose
// coefficients would exceed the output cap or kMaxCoefficients, and reads
// at most kMaxScans scans, so hostile headers cannot demand unbounded
// memory or work.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/byte_decoder.h"

namespace vn::pdf::filters {

class DctDecoder final : public codec::ByteDecoder {
 public:
  // Far more scans than any encoder writes (a progressive colour image
  // usually has about ten).
  static constexpr int kMaxScans = 256;
  // Coefficients kept for whole-image decoding (two bytes each): room for
  // progressive photographs of well over 100 megapixels.
  static constexpr uint64_t kMaxCoefficients = uint64_t{1} << 28;

  // `color_transform`: -1 not given, 0 none, any other value transform.
  DctDecoder(codec::ByteSource& source, int color_transform = -1);
  ~DctDecoder() override;

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
  bool started_ = false;
  bool ended_ = false;
  std::vector<uint8_t> rows_;  // an MCU row's pixels not yet delivered
  size_t rows_pos_ = 0;
};

}  // namespace vn::pdf::filters
