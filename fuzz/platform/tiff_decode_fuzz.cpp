// Contract: any bytes in; TiffReader opens them and decodes every frame, each
// step returning or throwing EImageDecodeError, nothing else: no crash, leak,
// hang or allocation beyond the pixel cap set here. What it repairs and
// libtiff's warnings go to a diagnostics sink, which keeps a bounded number.
#include <cstddef>
#include <cstdint>

#include "platform/images/image_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::Diagnostics damage;
  vn::platform::DecodeLimits limits;
  limits.MaxPixels = 4'000'000;
  limits.Report = &damage;
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
