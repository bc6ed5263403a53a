// Fuzz target for reading and playing enhanced metafiles: the header check,
// the record enumeration, every record decoder the player uses, playback
// onto the cairo canvas and onto the EMF recorder, and reading the new
// recording back.
//
// Contract: any input is either rejected with EEmfError (the only
// exception that leaves) or enumerated and played; damaged records are
// skipped and reported, nothing is read outside a record, nothing crashes
// or hangs whatever the coordinates, pens and transforms, and what the
// recorder writes from it always reads back without damage. Seeds: a
// recorded page with text, shapes, a clip, a bitmap and a JPEG; the same
// cut short; a metafile of another writer (EMF+ dual); and what fuzzing
// found: a rectangle whose size overflows, text under a mapping too large
// or too stretched for any font, shapes with a wide dashed pen under a
// transform that stretches them a billionfold one way and flattens them
// the other (cairo stroked it for minutes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/emf_reader.h"

using namespace vn::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    emf::EmfFile file(bytes);
    CairoCanvas canvas(48, 40);
    PlayMetafile(file, canvas, {0, 0, 48, 40}, int(size % 4) * 90);
    EmfRecorderCanvas recorder(48, 40);
    PlayMetafile(file, recorder, {0, 0, 48, 40});
    vn::Diagnostics damage;
    emf::EmfFile again(recorder.Finish(), &damage);
    if (!damage.Empty()) std::abort();
  } catch (const emf::EEmfError&) {
  }
  return 0;
}
