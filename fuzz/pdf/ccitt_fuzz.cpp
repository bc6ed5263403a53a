// Contract: any bytes in, the CCITT fax decoder ends quietly within the
// output cap; no crash, hang or read out of bounds. The first four bytes
// choose K, the flags, Columns and Rows; Reset must decode the same again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "pdf/filters/ccitt.h"

using namespace vn::codec;
using namespace vn::pdf::filters;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  CcittParams params;
  params.K = static_cast<int8_t>(data[0]) % 4;
  params.EndOfLine = data[1] & 1;
  params.EncodedByteAlign = data[1] & 2;
  params.EndOfBlock = data[1] & 4;
  params.BlackIs1 = data[1] & 8;
  params.Rows = data[1] >> 4;
  // Mostly small rows; now and then fax widths and the cap's neighbourhood.
  static const int kWide[] = {1728, 2481, 4096, CcittDecoder::kMaxColumns, CcittDecoder::kMaxColumns + 1, 0, -5, 1};
  params.Columns = data[2] < 248 ? data[2] + (data[3] << 8) % 2048 : kWide[data[2] - 248];
  SpanSource source(std::span<const uint8_t>(data + 4, size - 4));
  CcittDecoder decoder(source, params);
  decoder.SetMaxOutput(1 << 22);
  const std::string first = decoder.ReadAll();
  decoder.Reset();
  if (decoder.ReadAll() != first) std::abort();
  return 0;
}
