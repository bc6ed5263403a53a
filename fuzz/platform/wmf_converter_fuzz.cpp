// Fuzz target for converting Windows metafiles: the placeable and plain
// headers, the record walk, every record's parameters and packed bitmaps,
// the object table, then reading and playing the enhanced metafile made.
//
// Contract: any input is either rejected with EEmfError or converted into
// an enhanced metafile that reads back without damage and plays; damaged
// records are skipped, nothing is read outside a record, nothing crashes or
// hangs. Seeds: a placeable metafile of another writer, a small plain one
// with a pen, brush, font, text, polygon, region and bitmap (made with a
// few lines of Python from the record layouts), and one fuzzing once
// reported as slow (many objects and polygons).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/wmf_converter.h"

using namespace vn::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  try {
    emf::IsWmf(bytes);
    std::string converted = emf::ConvertWmfToEmf(bytes);
    vn::Diagnostics damage;
    emf::EmfFile file(std::move(converted), &damage);
    if (!damage.Empty()) std::abort();
    CairoCanvas canvas(48, 40);
    PlayMetafile(file, canvas, {0, 0, 48, 40});
  } catch (const emf::EEmfError&) {
  }
  return 0;
}
