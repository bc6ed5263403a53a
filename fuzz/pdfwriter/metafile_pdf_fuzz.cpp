// Fuzz target of the metafile player feeding the PDF engine: any bytes
// played as a metafile onto a page of a PDF document in memory.
//
// Contract: bytes that are neither an enhanced nor a Windows metafile are
// refused with EEmfError from PlayMetafile, the only exception that leaves;
// everything else plays, and EndDoc writes a complete file ending in
// "%%EOF" whose page content balances its graphics states (q and Q): a
// record the engine could not write (a bitmap that does not decode) is
// skipped, never failing the document. Nothing crashes or hangs. Seeds: the
// player's own seeds (tiny metafiles of each record family, written with
// the EmfBuilder of tests/export/metafile_items.h, and a Windows metafile of
// an office suite), far_pattern.emf (a pattern fill under a world transform
// far from the origin) and clip_after_shape_open_path.emf (clips between
// shapes and a path left open), written with the same builder; and what
// fuzzing found: jpeg_bits_not_a_jpeg*.emf (JPEG bitmaps whose data only
// begin like a JPEG, which once failed the whole document) and
// stretched_shapes_dashed_pen.emf (dashed shapes stretched far past the
// page, which once cost a reader minutes).
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/metafile_processor.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "platform/emf/emf_reader.h"

namespace {

class Engine : public vn::pdfwriter::TvnPDFEngine {
 public:
  Engine() {
    Preferences().SetShowSetupDialog(false);
    Preferences().SetOpenAfterCreate(false);
    Preferences().SetOutputToUserStream(true);
    Compression().Enabled = false;  // the content is checked as written
    SetUserStream(&Output);
    SetMeasurementUnit(vn::exporter::TvnUnitType::muPixels);
  }
  vn::TMemoryStream Output;
};

// Whether the q and Q operators of a content stream balance.
bool Balanced(std::string_view content) {
  int depth = 0;
  for (size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c != 'q' && c != 'Q') continue;
    const bool alone = (i == 0 || std::isspace(static_cast<unsigned char>(content[i - 1]))) &&
                       (i + 1 == content.size() || std::isspace(static_cast<unsigned char>(content[i + 1])));
    if (!alone) continue;
    depth += c == 'q' ? 1 : -1;
    if (depth < 0) return false;
  }
  return depth == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256 * 1024) return 0;
  static const bool installed = (vn::exporter::InstallMetafileProcessor(), true);
  (void)installed;
  Engine engine;
  engine.BeginDoc();
  vn::exporter::TMetafile metafile;
  metafile.Bytes.assign(reinterpret_cast<const char*>(data), size);
  metafile.Width = 100;
  metafile.Height = 100;
  try {
    engine.PlayMetafile(3.5, 7, metafile);
  } catch (const vn::platform::emf::EEmfError&) {
  }
  engine.EndDoc();
  const std::string_view pdf = engine.Output.View();
  if (pdf.size() < 5 || pdf.substr(pdf.size() - 5) != "%%EOF") std::abort();
  // The first stream of the file is the page's content (images and
  // patterns follow it).
  const size_t start = pdf.find("stream\r\n");
  const size_t end = start == std::string_view::npos ? start : pdf.find("\r\nendstream", start);
  if (end == std::string_view::npos || !Balanced(pdf.substr(start + 8, end - start - 8))) std::abort();
  return 0;
}
