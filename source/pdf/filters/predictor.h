// Row predictors of the Flate and LZW filters: PNG prediction (Predictor
// 10 and up: a tag byte per row choosing None, Sub, Up, Average or Paeth)
// and TIFF horizontal differencing (Predictor 2) at any sample depth up to
// 32 bits. A predictor sits on the decoder that yields its raw rows; the
// output ends after the last complete row.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/byte_decoder.h"

namespace vn::pdf::filters {

struct PredictorParams {
  int predictor = 1;
  int columns = 1;
  int colors = 1;
  int bits_per_component = 8;
};

class PredictorDecoder final : public codec::ByteDecoder {
 public:
  // Largest row accepted; larger rows (no real image has them) pass
  // unpredicted like other invalid parameters.
  static constexpr size_t kMaxRowBytes = size_t{1} << 24;

  // The predictor for `params` over `raw` (borrowed), or nothing when
  // Predictor is 1 or the parameters are invalid: the data then pass as
  // they are.
  static std::unique_ptr<PredictorDecoder> Create(codec::ByteDecoder& raw, const PredictorParams& params);

  size_t PixelBytes() const { return pixel_bytes_; }
  size_t RowBytes() const { return row_bytes_; }

 protected:
  size_t DoRead(uint8_t* buffer, size_t count) override;
  void DoReset() override;

 private:
  PredictorDecoder(codec::ByteDecoder& raw, const PredictorParams& params, size_t pixel_bytes, size_t row_bytes);
  void Restart();
  bool DecodeRow();
  void UndoTiff();

  codec::ByteDecoder& raw_;
  PredictorParams params_;
  size_t pixel_bytes_;
  size_t row_bytes_;  // pixel_bytes_ zero bytes, then one row
  std::vector<uint8_t> line_;
  std::vector<uint8_t> previous_;
  size_t line_index_;
  bool eof_ = false;
};

}  // namespace vn::pdf::filters
