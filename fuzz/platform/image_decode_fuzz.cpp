// Contract: any bytes in; DecodeImage detects the format and decodes, returning
// a bitmap or throwing EImageDecodeError, nothing else: no crash, leak, hang or
// allocation beyond the pixel cap set here. A small decoded bitmap is written
// again by every encoder, which must not fail. Repairs and the libraries'
// warnings go to a diagnostics sink, which keeps a bounded number.
#include <cstddef>
#include <cstdint>

#include "platform/images/image_codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vn::platform;
  vn::Diagnostics damage;
  DecodeLimits limits;
  limits.MaxPixels = 4'000'000;
  limits.Report = &damage;
  Bitmap b;
  try {
    b = DecodeImage(std::as_bytes(std::span<const uint8_t>(data, size)), limits);
  } catch (const EImageDecodeError&) {
    return 0;
  }
  if (static_cast<int64_t>(b.Width()) * b.Height() <= 4096) {
    EncodePng(b);
    EncodeBmp(b);
    EncodeGif(b);
    EncodeJpeg(b, 50);
    EncodeTiff(std::span<const Bitmap>(&b, 1));
  }
  return 0;
}
