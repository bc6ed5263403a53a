// Contract: any bytes in, the LZW decoder and the row predictor over it end
// quietly within the output cap; no crash, hang or read out of bounds. The
// first four bytes choose EarlyChange and the predictor parameters.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdf/filters/lzw.h"
#include "pdf/filters/predictor.h"

using namespace vn::codec;
using namespace vn::pdf::filters;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  SpanSource source(std::span<const uint8_t>(data + 4, size - 4));
  LzwDecoder lzw(source, data[0] & 1);
  lzw.SetMaxOutput(1 << 22);
  static const int kPredictors[] = {1, 2, 10, 11, 12, 13, 14, 15};
  static const int kBits[] = {1, 2, 4, 8, 16, 3, 32, 0};
  PredictorParams params{kPredictors[(data[0] >> 1) & 7], data[1] - 8, (data[2] & 15) - 1, kBits[data[3] & 7]};
  auto predictor = PredictorDecoder::Create(lzw, params);
  ByteDecoder& top = predictor ? static_cast<ByteDecoder&>(*predictor) : lzw;
  std::vector<uint8_t> buffer(1 + (data[3] >> 3) * 31);
  for (int pass = 0; pass < 2; ++pass) {
    while (top.Read(buffer.data(), buffer.size()) > 0) {
    }
    top.Reset();
  }
  return 0;
}
