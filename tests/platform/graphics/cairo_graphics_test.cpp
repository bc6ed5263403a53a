// Painting through the Graphics interface straight onto pixels: what lands
// where for each behaviour, and bad values that must draw nothing (or what
// still shows) without failing.
#include "platform/graphics/cairo_graphics.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"
#include "platform/graphics/emf_graphics.h"
#include "support/graphics_drawings.h"

namespace vn::platform::gfx::cairo_graphics_test {
namespace {

using graphics_drawings::Overlap;
using graphics_drawings::MakePen;

constexpr Argb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

Argb At(const Bitmap& b, int x, int y) {
  const BGRA c = b.Pixel(x, y);
  return Argb(c.A) << 24 | Argb(c.R) << 16 | Argb(c.G) << 8 | c.B;
}

bool Near(Argb a, Argb b, int tolerance = 3) {
  for (int shift = 0; shift < 32; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

Path Line(PointF a, PointF b) {
  Path p;
  p.MoveTo(a);
  p.LineTo(b);
  return p;
}

struct Probe {
  int x, y;
  Argb expected;
};

struct Case {
  const char* name;
  std::function<void(Graphics&)> draw;
  std::vector<Probe> probes;
};

Bitmap TwoPixels() {  // red | blue
  Bitmap b(2, 1, PixelFormat::pf24bit);
  b.SetPixel(0, 0, BGRA{0, 0, 255, 255});
  b.SetPixel(1, 0, BGRA{255, 0, 0, 255});
  return b;
}

const Case kCases[] = {
    {"even-odd leaves the overlap open", [](Graphics& g) { g.FillPath({kBlack}, Overlap(FillMode::Alternate)); },
     {{20, 20, kBlack}, {55, 40, kWhite}, {90, 70, kBlack}}},
    {"winding fills the overlap", [](Graphics& g) { g.FillPath({kBlack}, Overlap(FillMode::Winding)); },
     {{55, 40, kBlack}}},
    {"alpha composites over the page", [](Graphics& g) { g.FillRect({0x80FF0000}, {0, 0, 50, 50}); },
     {{20, 20, 0xFFFF7F7F}, {60, 60, kWhite}}},
    {"a replaced clip comes back on restore",
     [](Graphics& g) {
       g.SetClip(RectF{0, 0, 60, 90}, CombineMode::Replace);
       g.Save();
       g.SetClip(RectF{60, 0, 60, 90}, CombineMode::Replace);
       g.FillRect({kBlack}, {0, 0, 120, 45});
       g.Restore();
       g.FillRect({kBlack}, {0, 45, 120, 45});
     },
     {{30, 20, kWhite}, {90, 20, kBlack}, {30, 70, kBlack}, {90, 70, kWhite}}},
    {"pens stretch with the transform",
     [](Graphics& g) {
       g.SetTransform(Matrix(1, 0, 0, 5, 0, 0));
       g.DrawPath(MakePen(kBlack, 2, LineJoin::Miter, LineCap::Flat), Line({10, 10}, {110, 10}));
     },
     {{60, 46, kBlack}, {60, 54, kBlack}, {60, 58, kWhite}}},
    {"square caps reach past the end, flat caps do not",
     [](Graphics& g) {
       g.DrawPath(MakePen(kBlack, 10, LineJoin::Miter, LineCap::Square), Line({20, 20}, {80, 20}));
       g.DrawPath(MakePen(kBlack, 10, LineJoin::Miter, LineCap::Flat), Line({20, 60}, {80, 60}));
     },
     {{83, 20, kBlack}, {83, 60, kWhite}, {77, 60, kBlack}}},
    {"dashes start at their offset",
     [](Graphics& g) {
       g.DrawPath(MakePen(kBlack, 4, LineJoin::Miter, LineCap::Flat, {10, 10}, 10), Line({0, 20}, {120, 20}));
     },
     {{5, 20, kWhite}, {15, 20, kBlack}, {25, 20, kWhite}}},
    {"hairlines stay one pixel wide",
     [](Graphics& g) {
       g.SetTransform(Matrix(10, 0, 0, 10, 0, 0));
       g.DrawPath(MakePen(kBlack, 0, LineJoin::Miter, LineCap::Flat), Line({1, 4.05}, {11, 4.05}));
     },
     {{60, 40, kBlack}, {60, 38, kWhite}, {60, 43, kWhite}}},
    {"a negative width mirrors a picture",
     [](Graphics& g) { g.DrawImage(TwoPixels(), {100, 10, -80, 40}, 1.0, Interpolation::Nearest); },
     {{30, 30, 0xFF0000FF}, {90, 30, 0xFFFF0000}, {10, 30, kWhite}}},
    {"replacing lays a fill in place of what is there, blend modes aside, and bitmaps with alpha over it",
     [](Graphics& g) {
       g.FillRect({kBlack}, {0, 0, 120, 90});
       static_cast<CairoGraphics&>(g).SetReplacing(true);
       g.SetBlendMode(BlendMode::Multiply);
       g.FillRect({0x80FF0000}, {0, 0, 60, 45});
       Bitmap clear_then_blue(2, 1, PixelFormat::pf32bit);
       clear_then_blue.SetPixel(0, 0, BGRA{0, 0, 0, 0});
       clear_then_blue.SetPixel(1, 0, BGRA{255, 0, 0, 255});
       clear_then_blue.SetHasAlpha(true);
       g.DrawImage(clear_then_blue, {0, 45, 120, 45}, 1.0, Interpolation::Nearest);
     },
     {{30, 20, 0x80FF0000}, {90, 20, kBlack}, {30, 70, kBlack}, {90, 70, 0xFF0000FF}}},
    {"opacity fades a picture", [](Graphics& g) { g.DrawImage(TwoPixels(), {0, 0, 120, 90}, 0.5, Interpolation::Nearest); },
     {{30, 30, 0xFFFF7F7F}}},
};

TEST(CairoGraphicsTest, PaintsWhereEachBehaviourSays) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    CairoGraphics g(120, 90);
    c.draw(g);
    const Bitmap px = g.Pixels();
    for (const Probe& p : c.probes)
      EXPECT_TRUE(Near(At(px, p.x, p.y), p.expected)) << p.x << "," << p.y << ": " << std::hex << At(px, p.x, p.y);
  }
}

TEST(CairoGraphicsTest, SmoothingOffLeavesNoPartialPixels) {
  CairoGraphics g(40, 40);
  g.SetSmoothing(false);
  EXPECT_FALSE(g.GetSmoothing());
  Path p;
  p.MoveTo({2.3, 3.7});
  p.LineTo({37.1, 9.2});
  p.LineTo({12.6, 35.9});
  g.FillPath({kBlack}, p);
  const Bitmap px = g.Pixels();
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const Argb c = At(px, x, y);
      EXPECT_TRUE(c == kBlack || c == kWhite) << x << "," << y;
    }
}

// Bad values through both backends (straight, and recorded then played):
// nothing that cannot draw is drawn, what can still draw shows, nothing
// fails or takes long.
TEST(CairoGraphicsTest, BadValuesDrawNothingOrWhatShows) {
  struct Bad {
    const char* name;
    std::function<void(Graphics&)> draw;
    Argb centre;  // the pixel (60, 45) afterwards
  };
  const Bad cases[] = {
      {"not-a-number transform",
       [](Graphics& g) {
         g.SetTransform(Matrix(NAN, 0, 0, 1, 0, 0));
         g.FillRect({kBlack}, {0, 0, 120, 90});
       },
       kWhite},
      {"singular transform",
       [](Graphics& g) {
         g.SetTransform(Matrix(1, 1, 1, 1, 0, 0));
         g.FillRect({kBlack}, {0, 0, 120, 90});
         g.DrawPath(MakePen(kBlack, 50, LineJoin::Round, LineCap::Round), Line({0, 0}, {100, 0}));
         g.DrawImage(TwoPixels(), {0, 0, 120, 90});
       },
       kWhite},
      {"clip under a singular transform is empty",
       [](Graphics& g) {
         g.SetTransform(Matrix(0, 0, 0, 0, 0, 0));
         g.SetClip(RectF{0, 0, 120, 90}, CombineMode::Replace);
         g.SetTransform(Matrix());
         g.FillRect({kBlack}, {0, 0, 120, 90});
       },
       kWhite},
      {"not-a-number coordinates and sizes",
       [](Graphics& g) {
         g.FillRect({kBlack}, {NAN, 0, 120, 90});
         g.DrawImage(TwoPixels(), {0, 0, INFINITY, 90});
         g.DrawPath(MakePen(kBlack, NAN, LineJoin::Miter, LineCap::Flat), Line({0, 45}, {120, 45}));
       },
       kWhite},
      {"a drawing far beyond the page leaves the page in place",
       [](Graphics& g) {
         g.FillRect({kBlack}, {-1e9, 0, 1e9, 90});
         g.FillRect({kBlack}, {55, 40, 10, 10});
       },
       kBlack},
      {"far coordinates still fill what shows",
       [](Graphics& g) { g.FillRect({kBlack}, {-1e12, -1e12, 2e12, 2e12}); }, kBlack},
      {"dashes too fine to draw stroke solid, far offsets fold",
       [](Graphics& g) {
         g.DrawPath(MakePen(kBlack, 8, LineJoin::Miter, LineCap::Flat, {1e-9, 1e-9}), Line({-1e9, 45}, {1e9, 45}));
         g.DrawPath(MakePen(kBlack, 8, LineJoin::Miter, LineCap::Flat, {4, 4}, 1e15), Line({0, 60}, {120, 60}));
       },
       kBlack},
      {"negative dashes stroke solid",
       [](Graphics& g) {
         g.DrawPath(MakePen(kBlack, 8, LineJoin::Miter, LineCap::Flat, {-3, 2}), Line({0, 45}, {120, 45}));
       },
       kBlack},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    const auto start = std::chrono::steady_clock::now();
    CairoGraphics direct(120, 90);
    c.draw(direct);
    EXPECT_TRUE(Near(At(direct.Pixels(), 60, 45), c.centre, 8));
    EmfGraphics recorder(120, 90);
    c.draw(recorder);
    Diagnostics damage;
    emf::EmfFile file(recorder.Finish(), &damage);
    CairoCanvas canvas(120, 90);
    DrawPageMetafile(file, canvas, 120, 90, 0, &damage);
    EXPECT_TRUE(damage.Empty()) << damage.Summary();
    EXPECT_TRUE(Near(At(canvas.Pixels(), 60, 45), c.centre, 8)) << std::hex << At(canvas.Pixels(), 60, 45);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

}  // namespace
}  // namespace vn::platform::gfx::cairo_graphics_test
