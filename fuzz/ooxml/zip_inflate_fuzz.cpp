// Contract: any bytes in, the zip inflater either answers a checksum or
// raises EAbInflateError; no other exception, crash, hang or read out of
// bounds. The first byte picks Deflate64, the checksum, test-only runs and a
// partial size; the rest is the compressed stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ooxml/zip_exceptions.h"
#include "ooxml/zip_inflate.h"

using namespace vn;
using namespace vn::ooxml;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  TStringStream source(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  TStringStream dest;
  TAbDeflateHelper helper;
  int options = 0x0F;
  if (mode & 1) options |= kDeflate64Option;
  if (mode & 2) options |= kAdler32Option;
  if (mode & 4) options |= kTestOnlyOption;
  helper.SetOptions(options);
  if (mode & 8) helper.PartialSize = 1 + (mode >> 4) * 4099;
  // Deflate64 can expand a byte into thousands; keep each run's output small.
  if (!(mode & 8) && !(mode & 4)) helper.PartialSize = 64 << 20;
  try {
    Inflate(source, dest, &helper);
  } catch (const EAbInflateError&) {
  }
  return 0;
}
