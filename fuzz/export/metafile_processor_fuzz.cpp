// Fuzz target for the metafile player: any bytes played as a metafile into
// the recording engine of the export tests, then rendered through its hooks.
//
// Contract: bytes that are neither an enhanced nor a Windows metafile are
// refused with EEmfError; everything else plays. Damaged records are dropped
// and reported, nothing is read outside a record, no item refers to a
// missing image resource, nothing crashes or hangs. Seeds: tiny metafiles of
// each record family (shapes.emf, clips_paths.emf, text.emf, bitmaps.emf
// with a JPEG and a pattern brush), written with the EmfBuilder of
// tests/export/metafile_items.h, tests/fixtures/platform/emf/
// libreoffice_shapes.wmf, a Windows metafile of an office suite, and
// far_pattern.emf, a pattern fill far from the origin (it once hung).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../../tests/export/recording_engine.h"
#include "export/metafile_processor.h"
#include "platform/emf/emf_reader.h"

using namespace vn::exporter;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  testing::RecordingEngine engine;
  engine.SetMeasurementUnit(TvnUnitType::muPixels);
  // The resolution varies with the input's length: 96 and 192 pixels per inch.
  engine.SetInputXRes(size % 2 ? 192 : 96);
  engine.SetInputYRes(size % 3 ? 96 : 192);
  engine.FCapabilities.Include(TvnCapabilityKind::ckInputRes);
  engine.BeginDoc();
  TMetafile metafile;
  metafile.Bytes.assign(reinterpret_cast<const char*>(data), size);
  metafile.Width = 100;
  metafile.Height = 100;
  TvnMetafileProcessor processor(engine);
  processor.SetCombineCharsToSentence(true);
  try {
    processor.Execute(metafile, 3.5, 7);
  } catch (const vn::platform::emf::EEmfError&) {
  }
  for (const auto& item : engine.GetPageItem(0)->DocumentItems) {
    if (item->Kind() != TvnItemKind::Image && item->Kind() != TvnItemKind::ImageStream) continue;
    const TvnImageResource r = engine.GetImageResource(static_cast<const TvnImageItem&>(*item).IndexNo);
    if (!r.Graphic && !r.Stream) std::abort();
  }
  engine.EndDoc();
  return 0;
}
