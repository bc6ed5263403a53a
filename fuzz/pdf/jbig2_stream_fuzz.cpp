// Contract: any bytes in, read as a whole JBIG2Decode stream with globals:
// the first two bytes give the length of the globals stream that follows
// them (cut to what is there), the rest is the image's embedded stream.
// Both are parsed and page 1 is composed from every kind of segment
// (dictionaries, text, halftone, generic and refinement regions, striped
// pages) and delivered as the filter's inverted rows, without raising,
// crashing, leaking or hanging. A small work budget keeps each input fast;
// the decoder's own limits are tested by the unit tests.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "pdf/jbig2/jbig2_decoder.h"
#include "runtime/byte_decoder.h"

namespace {

constexpr int64_t kFuzzWork = int64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t globals_size = static_cast<size_t>(data[0]) << 8 | data[1];
  if (globals_size > size - 2) globals_size = size - 2;
  const std::string globals(reinterpret_cast<const char*>(data + 2), globals_size);
  const std::string stream(reinterpret_cast<const char*>(data + 2 + globals_size), size - 2 - globals_size);
  vn::codec::SpanSource source(stream);
  vn::pdf::jbig2::TvnJBIG2Decoder decoder(source, globals, 64, 16);
  decoder.SetMaxWork(kFuzzWork);
  uint8_t buffer[4096];
  uint64_t total = 0;
  while (size_t n = decoder.Read(buffer, sizeof buffer)) total += n;
  // The output is the page's rows, or the declared size's when there is no page.
  const vn::pdf::jbig2::TvnImageBitmap* page = decoder.Page();
  if (page && total != page->GetByteArray().size()) __builtin_trap();
  if (!page && total != 8u * 16u) __builtin_trap();
  return 0;
}
