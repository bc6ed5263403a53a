// A table of drawings through the Graphics interface, each small and
// each showing one behaviour (fill rules, dashes, caps and joins, clips
// with saved states, alpha, images, transforms, sub-pixel geometry), and
// the comparison of two renderings of them. Shared by the tests that check
// a recording against painting straight on cairo.
#pragma once

#include <cmath>
#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/graphics/graphics.h"

namespace vn::platform::gfx::graphics_drawings {

constexpr int32_t kWidth = 120, kHeight = 90;

using Drawing = std::function<void(Graphics&)>;

inline Path Polygon(std::initializer_list<PointF> points, FillMode mode = FillMode::Alternate) {
  Path p(mode);
  bool first = true;
  for (PointF q : points) {
    if (first)
      p.MoveTo(q);
    else
      p.LineTo(q);
    first = false;
  }
  p.Close();
  return p;
}

// Two overlapping squares drawn the same way round: the overlap is a hole
// by the even-odd rule and filled by the winding rule.
inline Path Overlap(FillMode mode) {
  Path p(mode);
  p.AddRect({10, 10, 60, 50});
  p.AddRect({40, 30, 60, 50});
  return p;
}

// A 4 x 4 bitmap: colours across, alpha from clear to opaque downwards.
inline Bitmap AlphaBitmap() {
  Bitmap b(4, 4, PixelFormat::pf32bit);
  b.SetHasAlpha(true);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      b.SetPixel(x, y, BGRA{uint8_t(60 * x), 40, uint8_t(255 - 60 * x), uint8_t(64 + 63 * y)});
  return b;
}

inline Bitmap OpaqueBitmap() {
  Bitmap b(3, 2, PixelFormat::pf24bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) b.SetPixel(x, y, BGRA{uint8_t(100 * x), uint8_t(200 * y), 90, 255});
  return b;
}

inline Pen MakePen(Argb color, double width, LineJoin join, LineCap cap, std::vector<double> dashes = {},
            double offset = 0) {
  Pen p;
  p.color = color, p.width = width, p.join = join, p.cap = cap, p.dashes = std::move(dashes), p.dashOffset = offset;
  return p;
}

struct Case {
  const char* name;
  Drawing draw;
};

inline const Case kCases[] = {
    {"even-odd fill", [](Graphics& g) { g.FillPath({0xFF203080}, Overlap(FillMode::Alternate)); }},
    {"winding fill", [](Graphics& g) { g.FillPath({0xFF203080}, Overlap(FillMode::Winding)); }},
    {"curves",
     [](Graphics& g) {
       Path p(FillMode::Winding);
       p.MoveTo({10, 80});
       p.CubicTo({20, 0}, {100, 0}, {110, 80});
       p.Close();
       g.FillPath({0xFF10A040}, p);
       g.DrawPath(MakePen(0xFF000000, 2.5, LineJoin::Round, LineCap::Round), p);
     }},
    {"dashed miter joins, flat caps",
     [](Graphics& g) {
       g.DrawPath(MakePen(0xFF800000, 5, LineJoin::Miter, LineCap::Flat, {12, 5}, 3),
                  Polygon({{10, 10}, {100, 20}, {20, 70}}));
     }},
    {"dashed round caps, bevel joins, odd dash list",
     [](Graphics& g) {
       Path p;
       p.MoveTo({10, 80});
       p.LineTo({50, 15});
       p.LineTo({110, 75});
       g.DrawPath(MakePen(0xFF004080, 6, LineJoin::Bevel, LineCap::Round, {0, 10, 4}, 7), p);
     }},
    {"square caps and a miter limit",
     [](Graphics& g) {
       // A sharp corner: bevelled under the low limit, a long spike under
       // the high one.
       Path p;
       p.MoveTo({10, 35});
       p.LineTo({60, 25});
       p.LineTo({10, 15});
       Pen pen = MakePen(0xFF000000, 4, LineJoin::Miter, LineCap::Square);
       pen.miterLimit = 1.5;
       g.DrawPath(pen, p);
       p.Transform(Matrix(1, 0, 0, 1, 0, 45));
       pen.miterLimit = 30;
       g.DrawPath(pen, p);
     }},
    {"clips with save and restore",
     [](Graphics& g) {
       g.Save();
       g.SetClip(RectF{20.5, 15.25, 50, 40}, CombineMode::Replace);
       g.SetClip(Polygon({{0, 0}, {120, 0}, {0, 90}}), CombineMode::Intersect);
       g.FillRect({0xFFC00000}, {0, 0, 120, 90});
       g.Save();
       g.SetClip(RectF{80, 50, 30, 30}, CombineMode::Replace);
       g.FillRect({0xFF00C000}, {0, 0, 120, 90});
       g.Restore();
       g.FillRect({0xFF0000C0}, {60, 0, 10, 90});
       g.Restore();
       g.FillRect({0xFF000000}, {100, 0, 5, 90});
       g.Save();
       g.SetClip(RectF{0, 0, 10, 10}, CombineMode::Intersect);
       g.ResetClip();
       g.FillRect({0xFF808000}, {0, 85, 120, 5});
       g.Restore();
     }},
    {"even-odd path clip and an empty clip",
     [](Graphics& g) {
       g.Save();
       g.SetClip(Overlap(FillMode::Alternate), CombineMode::Replace);
       g.FillRect({0xFF602020}, {0, 0, 120, 90});
       g.Restore();
       g.Save();
       g.SetClip(Path(), CombineMode::Intersect);
       g.FillRect({0xFF00FF00}, {0, 0, 120, 90});
       g.Restore();
     }},
    {"winding path clip",
     [](Graphics& g) {
       g.SetClip(Overlap(FillMode::Winding), CombineMode::Replace);
       g.FillRect({0xFF206020}, {0, 0, 120, 90});
     }},
    {"alpha fills and strokes",
     [](Graphics& g) {
       g.FillRect({0x80FF0000}, {10, 10, 60, 50});
       g.FillRect({0x800000FF}, {40, 30, 60, 50});
       g.DrawPath(MakePen(0x4000A000, 10, LineJoin::Round, LineCap::Round), Polygon({{20, 70}, {100, 15}, {110, 80}}));
     }},
    {"image with alpha",
     [](Graphics& g) {
       g.FillRect({0xFF00FFFF}, {0, 40, 120, 10});
       g.DrawImage(AlphaBitmap(), {10, 10, 40, 60}, 1.0, Interpolation::Nearest);
       g.DrawImage(AlphaBitmap(), {60, 10, 50, 60}, 0.5, Interpolation::Nearest);
     }},
    {"mirrored, turned and opaque images",
     [](Graphics& g) {
       g.DrawImage(OpaqueBitmap(), {10, 70, 30, -50}, 1.0, Interpolation::Nearest);
       g.Save();
       g.MultiplyTransform(Matrix(0, 1, -1, 0, 110, 10));  // a quarter turn
       g.DrawImage(OpaqueBitmap(), {0, 0, 45, 30}, 1.0, Interpolation::Nearest);
       g.Restore();
       g.DrawImage(OpaqueBitmap(), {45, 50, 30, 30}, 0.6, Interpolation::Nearest);
     }},
    {"rotated transform",
     [](Graphics& g) {
       Matrix m;
       m.Translate(60, 45);
       m.Rotate(30);
       g.MultiplyTransform(m);
       g.FillRect({0xFF3060C0}, {-30, -20, 60, 40});
       g.DrawPath(MakePen(0xFF000000, 3, LineJoin::Miter, LineCap::Flat, {8, 4}), Polygon({{-35, -25}, {35, -25}, {35, 25}}));
       g.DrawImage(AlphaBitmap(), {-10, -10, 20, 20}, 1.0, Interpolation::Smooth);
     }},
    {"stretched pen",
     [](Graphics& g) {
       g.MultiplyTransform(Matrix(4, 0, 0, 1, 0, 0));
       g.DrawPath(MakePen(0xFF000000, 2, LineJoin::Round, LineCap::Round), Polygon({{5, 15}, {25, 20}, {15, 75}}));
     }},
    {"sub-pixel geometry",
     [](Graphics& g) {
       for (int i = 0; i < 8; ++i) g.FillRect({0xFF000000}, {10 + i * 12.3125, 10.5, 3.4375, 30.25});
       Path line;
       line.MoveTo({5.25, 60.75});
       line.LineTo({115.5, 70.125});
       g.DrawPath(MakePen(0xFF000000, 0.5, LineJoin::Miter, LineCap::Flat), line);
       g.MultiplyTransform(Matrix(0.01, 0, 0, 0.01, 0, 0));  // user units of 1/100 pixel
       g.FillRect({0xFF0000FF}, {1025, 8013, 9950, 612});
     }},
    {"hairline and smoothing off",
     [](Graphics& g) {
       g.SetSmoothing(false);
       g.FillPath({0xFF000080}, Polygon({{10, 10}, {100, 25}, {30, 80}}));
       g.SetSmoothing(true);
       Path p;
       p.MoveTo({5, 85});
       p.LineTo({115, 5});
       g.DrawPath(MakePen(0xFFFF0000, 0, LineJoin::Miter, LineCap::Flat), p);
     }},
};

// Normalised RMSE of the colour channels, both pictures flattened onto
// white; pixels outside either count as white.
inline double FlatRmse(const Bitmap& a, const Bitmap& b) {
  const int w = std::max(a.Width(), b.Width()), h = std::max(a.Height(), b.Height());
  auto on_white = [](const Bitmap& bm, int x, int y, int c) {
    if (x >= bm.Width() || y >= bm.Height()) return 1.0;
    const BGRA v = bm.Pixel(x, y);
    const double alpha = bm.Format() == PixelFormat::pf32bit && bm.HasAlpha() ? v.A : 255;
    const double ch = c == 0 ? v.B : c == 1 ? v.G : v.R;
    return (ch * alpha + 255.0 * (255 - alpha)) / 255.0 / 255.0;
  };
  double sum = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        const double d = on_white(a, x, y, c) - on_white(b, x, y, c);
        sum += d * d;
      }
  return std::sqrt(sum / (3.0 * w * h));
}

}  // namespace vn::platform::gfx::graphics_drawings
