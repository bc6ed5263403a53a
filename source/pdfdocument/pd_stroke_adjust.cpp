// Rules, frames and boxes on the pixel grid: the edges of strokes and
// rectangles that run along the device axes are moved to whole pixels, at
// least one pixel apart, so that a hairline shows as one full pixel and a
// box edge as a sharp one instead of a faint smear across two pixels.
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "pdfdocument/pd_render_impl.h"

namespace vn::pdfdoc {

namespace gfx = vn::platform::gfx;

namespace {

// Lines closer to the axes than this (device pixels over the segment) count
// as running along them.
constexpr double kAxisSlack = 1e-6;

struct Figure {
  std::vector<gfx::PointF> Points;
  bool Closed = false;
};

// The figures of a path without curves; false when it has curves.
bool LineFigures(const gfx::Path& APath, std::vector<Figure>& AFigures) {
  const auto points = APath.Points();
  size_t next = 0;
  for (const gfx::Path::Op op : APath.Ops()) {
    switch (op) {
      case gfx::Path::Op::Move:
        AFigures.push_back({{points[next++]}, false});
        break;
      case gfx::Path::Op::Line:
        if (AFigures.empty()) AFigures.push_back({});
        AFigures.back().Points.push_back(points[next++]);
        break;
      case gfx::Path::Op::Close:
        if (!AFigures.empty()) {
          // A last point on the start is the start itself.
          Figure& f = AFigures.back();
          f.Closed = true;
          if (f.Points.size() > 2 && f.Points.back().x == f.Points.front().x && f.Points.back().y == f.Points.front().y)
            f.Points.pop_back();
        }
        break;
      case gfx::Path::Op::Curve:
        return false;
    }
  }
  return true;
}

gfx::Path PathOf(const std::vector<Figure>& AFigures, gfx::FillMode AMode) {
  gfx::Path path(AMode);
  for (const Figure& f : AFigures) {
    if (f.Points.empty()) continue;
    path.MoveTo(f.Points[0]);
    for (size_t i = 1; i < f.Points.size(); ++i) path.LineTo(f.Points[i]);
    if (f.Closed) path.Close();
  }
  return path;
}

double RoundHalfUp(double AValue) { return std::floor(AValue + 0.5); }

// The whole-pixel edges of a band from ALow to AHigh: each rounded, at
// least one pixel apart.
void PixelEdges(double ALow, double AHigh, double& AFirst, double& ALast) {
  AFirst = RoundHalfUp(ALow);
  ALast = RoundHalfUp(AHigh);
  if (ALast <= AFirst) ALast = AFirst + 1;
}

enum class Along { Neither, Across, Down };  // horizontal (x varies), vertical (y varies)

Along Direction(gfx::PointF A, gfx::PointF B) {
  const double dx = std::fabs(B.x - A.x), dy = std::fabs(B.y - A.y);
  if (dx == 0 && dy == 0) return Along::Neither;
  if (dy <= kAxisSlack * std::max(1.0, dx)) return Along::Across;
  if (dx <= kAxisSlack * std::max(1.0, dy)) return Along::Down;
  return Along::Neither;
}

}  // namespace

std::optional<TvnAdjustedStroke> AdjustStroke(const gfx::Path& ADevicePath, double ADeviceWidth, bool AFlatCaps) {
  if (!std::isfinite(ADeviceWidth) || ADeviceWidth < 0) return std::nullopt;
  std::vector<Figure> figures;
  if (!LineFigures(ADevicePath, figures) || figures.empty()) return std::nullopt;
  const double half = ADeviceWidth / 2;
  double width = -1;
  bool any = false;
  for (Figure& f : figures) {
    const size_t n = f.Points.size();
    if (n < 2) continue;
    std::vector<gfx::PointF> moved = f.Points;
    const size_t segments = f.Closed ? n : n - 1;
    for (size_t s = 0; s < segments; ++s) {
      const size_t a = s, b = (s + 1) % n;
      const Along along = Direction(f.Points[a], f.Points[b]);
      if (along == Along::Neither) {
        if (f.Points[a].x == f.Points[b].x && f.Points[a].y == f.Points[b].y) continue;
        return std::nullopt;
      }
      const double centre = along == Along::Across ? f.Points[a].y : f.Points[a].x;
      double first = 0, last = 0;
      PixelEdges(centre - half, centre + half, first, last);
      // One width serves the whole path: segments that would need
      // different ones are drawn as they are.
      if (width >= 0 && last - first != width) return std::nullopt;
      width = last - first;
      const double middle = (first + last) / 2;
      if (along == Along::Across) {
        moved[a].y = middle;
        moved[b].y = middle;
      } else {
        moved[a].x = middle;
        moved[b].x = middle;
      }
      any = true;
    }
    // Flat ends of an open figure end on a pixel edge as well, unless
    // that would leave a lone segment without length.
    if (!f.Closed && AFlatCaps) {
      const auto end_on_edge = [&](size_t AEnd, size_t AInner) {
        const Along along = Direction(f.Points[AEnd], f.Points[AInner]);
        if (along == Along::Across) moved[AEnd].x = RoundHalfUp(moved[AEnd].x);
        if (along == Along::Down) moved[AEnd].y = RoundHalfUp(moved[AEnd].y);
      };
      const std::vector<gfx::PointF> before = moved;
      end_on_edge(0, 1);
      end_on_edge(n - 1, n - 2);
      if (n == 2 && moved[0].x == moved[1].x && moved[0].y == moved[1].y) moved = before;
    }
    f.Points = std::move(moved);
  }
  if (!any) return std::nullopt;
  return TvnAdjustedStroke{PathOf(figures, ADevicePath.GetFillMode()), width};
}

gfx::Path AdjustRectangles(const gfx::Path& ADevicePath, bool& AChanged) {
  AChanged = false;
  std::vector<Figure> figures;
  if (!LineFigures(ADevicePath, figures)) {
    // Curved paths keep their rectangles as they are.
    return ADevicePath;
  }
  for (Figure& f : figures) {
    std::vector<gfx::PointF>& p = f.Points;
    // Filling closes every figure: an open one may end on its start.
    size_t n = p.size();
    if (n == 5 && p[4].x == p[0].x && p[4].y == p[0].y) n = 4;
    if (n != 4) continue;
    bool box = true;
    for (size_t i = 0; i < 4 && box; ++i) {
      const Along here = Direction(p[i], p[(i + 1) % 4]);
      const Along after = Direction(p[(i + 1) % 4], p[(i + 2) % 4]);
      box = here != Along::Neither && after != Along::Neither && here != after;
    }
    if (!box) continue;
    double left = p[0].x, right = p[0].x, top = p[0].y, bottom = p[0].y;
    for (size_t i = 1; i < 4; ++i) {
      left = std::min(left, p[i].x);
      right = std::max(right, p[i].x);
      top = std::min(top, p[i].y);
      bottom = std::max(bottom, p[i].y);
    }
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    PixelEdges(left, right, x0, x1);
    PixelEdges(top, bottom, y0, y1);
    for (gfx::PointF& q : p) {
      q.x = std::fabs(q.x - left) <= std::fabs(q.x - right) ? x0 : x1;
      q.y = std::fabs(q.y - top) <= std::fabs(q.y - bottom) ? y0 : y1;
    }
    AChanged = true;
  }
  return AChanged ? PathOf(figures, ADevicePath.GetFillMode()) : ADevicePath;
}

}  // namespace vn::pdfdoc
