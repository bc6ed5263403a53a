// Fuzz target of the TrueType subsetter and the character-map reader of the
// PDF writer. Contract: any bytes, read as a font, give a character map and
// either no subset or one whose table directory reads back; nothing reads
// outside the input and nothing throws.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <span>
#include <string_view>

#include "pdfwriter/truetype_subset.h"
#include "platform/fonts/sfnt_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view font(reinterpret_cast<const char*>(data), size);
  std::set<uint16_t> used;
  for (const auto& [code, glyph] : vn::pdfwriter::ReadCmapFormat4(font)) used.insert(glyph);
  // A few glyph numbers from the data itself, so that composites and bad
  // locations are reached without a character map too.
  for (size_t i = 0; i + 1 < size && i < 16; i += 2) used.insert(static_cast<uint16_t>(data[i] << 8 | data[i + 1]));
  const auto subset = vn::pdfwriter::SubsetTrueTypeFont(font, used);
  if (subset) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(subset->data()), subset->size());
    if (!vn::platform::ReadSfntDirectory(bytes, 0)) std::abort();
  }
  return 0;
}
