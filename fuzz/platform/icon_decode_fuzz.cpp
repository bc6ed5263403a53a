// Contract: any bytes in; DecodeIcon (ICO and CUR) returns a bitmap or throws
// EImageDecodeError, nothing else: no crash, leak, hang or allocation beyond
// the pixel cap set here.
#include <cstddef>
#include <cstdint>

#include "platform/images/image_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::platform::DecodeLimits limits;
  limits.MaxPixels = 4'000'000;
  try {
    vn::platform::DecodeIcon(std::as_bytes(std::span<const uint8_t>(data, size)), limits);
  } catch (const vn::platform::EImageDecodeError&) {
  }
  return 0;
}
