// The recorder against direct painting: a table of drawings made once
// straight on cairo and once recorded as a metafile and played on the
// raster canvas must give the same pixels within a small tolerance; the
// recording must read back whole and carry what plain EMF cannot hold in
// the project's paint comments.
#include "platform/graphics/emf_graphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/paint_comment.h"
#include "platform/graphics/cairo_graphics.h"
#include "support/graphics_drawings.h"
#include "support/pixels.h"

namespace vn::platform::gfx::emf_graphics_test {
namespace {

using namespace graphics_drawings;

Bitmap Direct(const Drawing& draw) {
  CairoGraphics g(kWidth, kHeight);
  draw(g);

  return g.Pixels();
}

std::string Record(const Drawing& draw) {
  EmfGraphics g(kWidth, kHeight);
  draw(g);
  return g.Finish();
}

Bitmap Played(const std::string& bytes, Diagnostics* damage) {
  emf::EmfFile file(bytes, damage);
  CairoCanvas canvas(kWidth, kHeight);
  DrawPageMetafile(file, canvas, kWidth, kHeight, 0, damage);
  return canvas.Pixels();
}

TEST(EmfGraphicsTest, RecordedDrawingsPlayAsTheyPaintDirectly) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Bitmap direct = Direct(c.draw);
    Diagnostics damage;
    const Bitmap played = Played(Record(c.draw), &damage);
    EXPECT_TRUE(damage.Empty()) << damage.Summary();
    EXPECT_LE(FlatRmse(direct, played), 0.01);
    // The drawing shows at all: it differs from an empty page.
    EXPECT_GT(FlatRmse(direct, Direct([](Graphics&) {})), 0.02);
  }
}

}  // namespace
}  // namespace vn::platform::gfx::emf_graphics_test
