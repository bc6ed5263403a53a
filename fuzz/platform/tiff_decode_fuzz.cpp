// Contract: any bytes in; TiffReader opens them and decodes every frame, each
// step returning or throwing EImageDecodeError, nothing else: no crash, leak,
// hang or allocation beyond the pixel cap set here.
#include <cstddef>
#include <cstdint>

#include "platform/images/image_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::platform::DecodeLimits limits;
  limits.MaxPixels = 4'000'000;
  try {
    vn::platform::TiffReader reader(std::as_bytes(std::span<const uint8_t>(data, size)), limits);
    for (int i = 0; i < reader.FrameCount() && i < 8; ++i) {
      try {
        reader.DecodeFrame(i);
      } catch (const vn::platform::EImageDecodeError&) {
      }
    }
  } catch (const vn::platform::EImageDecodeError&) {
  }
  return 0;
}
