// Contract: any bytes in, the inflater delivers at most its output cap and
// ends quietly; no crash, hang or read out of bounds. The first byte picks
// zlib or raw mode, a predictor and the read size; the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/inflate.h"
#include "pdf/filters/predictor.h"

using namespace vn::codec;
using namespace vn::pdf::filters;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  SpanSource source(std::span<const uint8_t>(data + 1, size - 1));
  Inflater inflater(source, (mode & 1) == 0);
  inflater.SetMaxOutput(1 << 22);
  PredictorParams params{(mode & 2) ? 15 : 1, 1 + (mode >> 4), 1 + ((mode >> 2) & 3), 8};
  auto predictor = PredictorDecoder::Create(inflater, params);
  ByteDecoder& top = predictor ? static_cast<ByteDecoder&>(*predictor) : inflater;
  std::vector<uint8_t> buffer(1 + (mode >> 3) * 97);
  for (int pass = 0; pass < 2; ++pass) {
    while (top.Read(buffer.data(), buffer.size()) > 0) {
    }
    top.Reset();
  }
  return 0;
}
