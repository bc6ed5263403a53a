// Recordings of the Graphics interface played through the metafile player
// into the PDF engine: each page passes qpdf --check (the test engine
// checks it) and renders with pdftoppm at 96 dpi within the rendering
// threshold of the same drawing painted straight on cairo, so fill rules,
// exact pens, clips, alpha and images survive the PDF road.
#include <fstream>

#include "export/metafile_processor.h"
#include "pdf_test_support.h"
#include "platform/graphics/cairo_graphics.h"
#include "platform/graphics/emf_graphics.h"
#include "support/graphics_drawings.h"

namespace vn::pdfwriter::testing::pdf_engine_graphics_recording_test {
namespace {

namespace gfx = vn::platform::gfx;
namespace drawings = vn::platform::gfx::graphics_drawings;

// The drawings three times their size: pdftoppm snaps the edges of filled
// rectangles to whole pixels and lets pictures cover one more row and
// column than their place, which on the drawings' tiny pages alone would
// weigh as much as a real page's content.
constexpr int32_t kScale = 3;
constexpr int32_t kWidth = drawings::kWidth * kScale, kHeight = drawings::kHeight * kScale;
const gfx::Matrix kPage(kScale, 0, 0, kScale, 0, 0);

// The page pdftoppm renders at 96 dpi (default anti-aliasing), as a bitmap.
std::optional<vn::platform::Bitmap> RenderAntialiased(const std::string& pdf, const std::string& name) {
  const auto path = SaveTemp(pdf, name + ".pdf");
  const auto prefix = TempFile(name);
  std::string output;
  if (Run("pdftoppm -r 96 -f 1 -l 1 -singlefile '" + path.string() + "' '" + prefix.string() + "'", &output) != 0)
    return std::nullopt;
  std::ifstream in(prefix.string() + ".ppm", std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  in >> magic >> w >> h >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255 || w <= 0 || h <= 0) return std::nullopt;
  vn::platform::Bitmap b(w, h, vn::platform::PixelFormat::pf24bit);
  for (int y = 0; y < h; ++y) in.read(reinterpret_cast<char*>(b.MutableRow(y).data()), std::streamsize(w) * 3);
  // The rows are R, G, B; the bitmap's are B, G, R.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) std::swap(b.MutableRow(y)[size_t(x) * 3], b.MutableRow(y)[size_t(x) * 3 + 2]);
  return b;
}

TEST(PdfEngineGraphicsRecording, RecordingsRenderAsTheyPaintDirectly) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "no pdftoppm";
  vn::exporter::InstallMetafileProcessor();
  PinClock();
  int n = 0;
  for (const drawings::Case& c : drawings::kCases) {
    SCOPED_TRACE(c.name);
    gfx::CairoGraphics direct(kWidth, kHeight);
    direct.SetTransform(kPage);
    c.draw(direct);
    gfx::EmfGraphics recorder(kWidth, kHeight);
    recorder.SetTransform(kPage);
    c.draw(recorder);
    vn::exporter::TMetafile metafile;
    metafile.Bytes = recorder.Finish();
    metafile.Width = kWidth;
    metafile.Height = kHeight;
    std::string pdf;
    {
      TestEngine engine(kWidth, kHeight);
      // Lossless pictures: JPEG would blur the tiny test bitmaps.
      engine.ImageSettings().SetOutputImageFormat(vn::exporter::TvnOutputImageFormat::ifBMP);
      engine.BeginDoc();
      engine.PlayMetafile(0, 0, metafile);
      engine.EndDoc();
      pdf = engine.Bytes();
    }  // qpdf --check on the way out
    const auto rendered = RenderAntialiased(pdf, "graphics_recording_" + std::to_string(n++));
    ASSERT_TRUE(rendered);
    EXPECT_LE(drawings::FlatRmse(direct.Pixels(), *rendered), 0.06);
  }
  vn::exporter::SetMetafilePlayer(nullptr);
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_engine_graphics_recording_test
