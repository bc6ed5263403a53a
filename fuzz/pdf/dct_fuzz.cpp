// Contract: any bytes in, the JPEG decoder ends quietly within the output
// cap (which also bounds the coefficients it keeps); no crash, hang or read
// out of bounds. The first byte chooses the ColorTransform parameter and
// the size of the reads; Reset must decode the same again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "pdf/filters/dct.h"

using namespace vn::codec;
using namespace vn::pdf::filters;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  SpanSource source(std::span<const uint8_t>(data + 1, size - 1));
  DctDecoder decoder(source, data[0] % 3 - 1);
  decoder.SetMaxOutput(1 << 22);
  std::vector<uint8_t> buffer(1 + (data[0] >> 2) * 97);
  std::string first;
  for (size_t n; (n = decoder.Read(buffer.data(), buffer.size())) > 0;) first.append(buffer.begin(), buffer.begin() + n);
  decoder.Reset();
  if (decoder.ReadAll() != first) std::abort();
  return 0;
}
