// Fuzz target for the page-range parser.
//
// Contract: any text and any page count are accepted; the parser either
// returns pages that all lie in 1..PageCount, or raises ExInvalidPageError
// "Invalid page range". Nothing else may escape, and nothing may crash.
//
// Input layout: the first byte is the page count (as a signed byte, so
// negative and zero counts are tried too); the rest is the range text in
// UTF-8. The small count keeps a text of many open ranges within memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/document_routines.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int32_t page_count = static_cast<int8_t>(data[0]);
  const vn::String text =
      vn::FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  try {
    const vn::framework::TvnPageRange pages = vn::framework::ParsePageRange(text, page_count);
    for (int32_t page : pages) {
      if (page < 1 || page > page_count) std::abort();
    }
  } catch (const vn::ExInvalidPageError& e) {
    if (std::string_view(e.what()) != "Invalid page range") std::abort();
  }
  return 0;
}
