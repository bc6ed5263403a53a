// The recorder against direct painting: a table of drawings made once
// straight on cairo and once recorded as a metafile and played on the
// raster canvas must give the same pixels within a small tolerance; the
// recording must read back whole and carry what plain EMF cannot hold in
// the project's paint comments.
#include "platform/graphics/emf_graphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

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

// The recording is plain EMF of the records the export engine's player
// reads, plus paint comments; no EMF+.
TEST(EmfGraphicsTest, RecordsOnlyPlainRecordsAndPaintComments) {
  using namespace emf;
  const std::set<uint32_t> plain = {
      EMR_HEADER, EMR_EOF, EMR_GDICOMMENT, EMR_SETWORLDTRANSFORM, EMR_EXTCREATEPEN, EMR_CREATEBRUSHINDIRECT,
      EMR_SELECTOBJECT, EMR_DELETEOBJECT, EMR_BEGINPATH, EMR_MOVETOEX, EMR_POLYLINETO16, EMR_POLYLINETO,
      EMR_POLYBEZIERTO16, EMR_POLYBEZIERTO, EMR_CLOSEFIGURE, EMR_ENDPATH, EMR_FILLPATH, EMR_STROKEPATH,
      EMR_SELECTCLIPPATH, EMR_EXTSELECTCLIPRGN, EMR_SETPOLYFILLMODE, EMR_SETMITERLIMIT, EMR_SAVEDC, EMR_RESTOREDC,
      EMR_STRETCHDIBITS, EMR_ALPHABLEND};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EmfFile file(Record(c.draw));
    EXPECT_FALSE(file.HasEmfPlus());
    for (const auto& rec : file.Records()) {
      EXPECT_TRUE(plain.count(rec.type)) << rec.type;
      if (rec.type == EMR_GDICOMMENT) EXPECT_TRUE(PaintComment::Decode(rec.Payload()));
    }
  }
}

// Coordinates are device units times 16 under a world transform of 1/16;
// alpha, smoothing and the dash offset go into the paint comment.
TEST(EmfGraphicsTest, KeepsSubPixelsAndPaintInTheRecords) {
  using namespace emf;
  EmfGraphics g(100, 100);
  g.SetSmoothing(false);
  g.SetTransform(Matrix(2, 0, 0, 2, 0.5, 0));
  g.FillRect({0x80102030}, {5.125, 10, 20, 20});
  g.SetTransform(Matrix());
  g.DrawPath(MakePen(0xFF000000, 2, LineJoin::Miter, LineCap::Flat, {4, 2}, 1.5),
             Polygon({{10, 10}, {50, 10}, {50, 50}}));
  EmfFile file(g.Finish());
  std::vector<PointL> moves;
  std::vector<XForm> transforms;
  std::vector<PaintComment> paints;
  std::vector<EmrExtCreatePen> pens;
  for (const auto& rec : file.Records()) {
    if (rec.type == EMR_MOVETOEX) moves.push_back(EmrPoint::Decode(rec.Payload())->point);
    if (rec.type == EMR_SETWORLDTRANSFORM) transforms.push_back(EmrXForm::Decode(rec.Payload(), false)->xform);
    if (rec.type == EMR_GDICOMMENT) paints.push_back(*PaintComment::Decode(rec.Payload()));
    if (rec.type == EMR_EXTCREATEPEN) pens.push_back(*EmrExtCreatePen::Decode(rec.Payload()));
  }
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0], (PointL{172, 320}));  // (2 * 5.125 + 0.5) * 16, 2 * 10 * 16
  ASSERT_FALSE(transforms.empty());
  EXPECT_FLOAT_EQ(transforms[0].eM11, 1.0f / 16);
  ASSERT_EQ(paints.size(), 3u);  // the opening one, the fill's, the stroke's
  EXPECT_EQ(paints[1].fillAlpha, 0x80);
  EXPECT_FALSE(paints[1].antialias);
  ASSERT_EQ(pens.size(), 1u);
  // The stroke's logical unit is 1/16 of its user unit: width, dashes and
  // offset scale alike.
  EXPECT_EQ(pens[0].width, 32u);
  EXPECT_EQ(pens[0].styleEntries, (std::vector<uint32_t>{64, 32}));
  EXPECT_FLOAT_EQ(paints[2].dashOffset, 24);
}

}  // namespace
}  // namespace vn::platform::gfx::emf_graphics_test
