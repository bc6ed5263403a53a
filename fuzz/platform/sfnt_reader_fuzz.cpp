// Fuzz target for our sfnt reading (sfnt_reader.h): face count, table
// directory, outline kind, OS/2 code-page bits and collection-face
// extraction over arbitrary bytes.
//
// Contract: any input is either read or rejected (nullopt / Unknown / 0),
// never read outside the data, never crashes or hangs; a face that extracts
// reads back as a single font with the same tables and outline kind. The
// seeds are tiny hand-made fonts named after what they hold: a TrueType font
// with an OS/2 table, a CFF font, a two-face collection, and a font whose
// table lies past the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/fonts/sfnt_reader.h"

using namespace vn::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  uint32_t faces = SfntFaceCount(bytes);
  ParseOs2CodePages(bytes);
  for (uint32_t i = 0; i < faces && i < 4; ++i) {
    SfntFaceDirectoryOffset(bytes, i);
    auto dir = ReadSfntDirectory(bytes, i);
    FontOutlineKind kind = DetectOutlineKind(bytes, i);
    if (dir) {
      if (const SfntTable* os2 = dir->Find(SfntTag("OS/2")))
        ParseOs2CodePages(bytes.subspan(os2->Offset, os2->Length));
    }
    auto single = ExtractSfntFace(bytes, i);
    if (single.has_value() != dir.has_value()) std::abort();
    if (!single) continue;
    std::span<const std::byte> out(reinterpret_cast<const std::byte*>(single->data()), single->size());
    auto again = ReadSfntDirectory(out, 0);
    if (!again || again->Tables.size() != dir->Tables.size() || DetectOutlineKind(out, 0) != kind) std::abort();
  }
  return 0;
}
