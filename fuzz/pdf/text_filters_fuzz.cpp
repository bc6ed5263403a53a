// Contract: any bytes in, the ASCIIHex, ASCII85 and RunLength decoders end
// quietly within the output cap; the encoders' output decodes back to their
// input. No crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pdf/filters/text_filters.h"

using namespace vn::codec;
using namespace vn::pdf::filters;

namespace {
template <typename Decoder>
std::string Decode(std::span<const uint8_t> bytes) {
  SpanSource source(bytes);
  Decoder decoder(source);
  decoder.SetMaxOutput(1 << 20);
  return decoder.ReadAll();
}
template <typename Decoder>
void RoundTrip(std::span<const uint8_t> input, const std::string& encoded) {
  std::string back = Decode<Decoder>(std::span(reinterpret_cast<const uint8_t*>(encoded.data()), encoded.size()));
  if (back.size() != input.size() || (!back.empty() && std::memcmp(back.data(), input.data(), back.size()) != 0))
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  Decode<AsciiHexDecoder>(bytes);
  Decode<Ascii85Decoder>(bytes);
  Decode<RunLengthDecoder>(bytes);
  if (size <= 4096) {
    RoundTrip<AsciiHexDecoder>(bytes, AsciiHexEncode(bytes));
    RoundTrip<Ascii85Decoder>(bytes, Ascii85Encode(bytes));
    RoundTrip<RunLengthDecoder>(bytes, RunLengthEncode(bytes));
  }
  return 0;
}
