// Fuzz target for the document properties.
// Contract: any bytes in: the first two bytes give the length of the
// summary information stream taken from what follows, the rest is the
// document summary information; the reading gives a document information
// object whose texts are no longer than their streams; no crash, leak or
// hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "doc/document_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t summary_size = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
  const std::span<const uint8_t> summary(data + 2, summary_size);
  const std::span<const uint8_t> document_summary(data + 2 + summary_size, size - 2 - summary_size);
  const auto info = vn::doc::ReadDocumentProperties(summary, document_summary);
  if (info->GetTitle().size() > size || info->GetCreator().size() > size) std::abort();
  return 0;
}
