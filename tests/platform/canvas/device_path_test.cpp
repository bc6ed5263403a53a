// Device paths: cutting a path to a box keeps what the box shows and bounds
// the path whatever its coordinates; arcs keep to their tolerance; lengths
// inside a box.
#include "platform/canvas/device_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

namespace vn::platform::device_path_test {
namespace {

// The path as a polygon list: curves split finely into lines.
std::vector<std::vector<DevicePoint>> Flatten(const DevicePath& path) {
  std::vector<std::vector<DevicePoint>> figures;
  const auto points = path.Points();
  size_t at = 0;
  DevicePoint current;
  for (DevicePath::Op op : path.Ops()) {
    switch (op) {
      case DevicePath::Op::Move: figures.push_back({points[at]}), current = points[at++]; break;
      case DevicePath::Op::Line: figures.back().push_back(points[at]), current = points[at++]; break;
      case DevicePath::Op::Curve: {
        const DevicePoint p0 = current, p1 = points[at], p2 = points[at + 1], p3 = points[at + 2];
        for (int i = 1; i <= 256; ++i) {
          const double t = i / 256.0, u = 1 - t;
          figures.back().push_back({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                                    u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
        }
        current = p3;
        at += 3;
        break;
      }
      case DevicePath::Op::Close: break;  // figures are closed for filling
    }
  }
  return figures;
}

// The winding number of the filled path around a point.
int Winding(const DevicePath& path, DevicePoint q) {
  int winding = 0;
  for (const auto& f : Flatten(path)) {
    for (size_t i = 0; i < f.size(); ++i) {
      const DevicePoint a = f[i], b = f[(i + 1) % f.size()];
      const double side = (b.x - a.x) * (q.y - a.y) - (q.x - a.x) * (b.y - a.y);
      if (a.y <= q.y && b.y > q.y && side > 0) ++winding;
      if (a.y > q.y && b.y <= q.y && side < 0) --winding;
    }
  }
  return winding;
}

DevicePath Polygon(std::initializer_list<DevicePoint> points) {
  DevicePath p;
  for (const DevicePoint& q : points) p.LineTo(q);
  p.Close();
  return p;
}

TEST(DevicePath, CuttingToABoxKeepsTheFillInsideIt) {
  const DeviceBox box{0, 0, 40, 30};
  // The region below an S-curve that spans six billion pixels and crosses
  // the box at y = 15.
  DevicePath curve;
  curve.MoveTo({-3e9, 15});
  curve.CurveTo({-1e9, -5}, {1e9, 35}, {3e9, 15});
  curve.LineTo({3e9, 1e9});
  curve.LineTo({-3e9, 1e9});
  curve.Close();
  struct Case {
    const char* name;
    DevicePath path;
  } cases[] = {
      {"a triangle reaching out of two sides", Polygon({{-20, 5}, {60, 15}, {10, 50}})},
      {"a slanted strip to a vertex a billion pixels away", Polygon({{5, 5}, {1e9, 2e7}, {1e9, 2e7 + 3e6}, {5, 12}})},
      {"a five-pointed star (winding 2 in its middle)",
       Polygon({{20, -10}, {33, 40}, {-12, 5}, {52, 5}, {7, 40}})},
      {"two figures, one wholly outside", [] {
         DevicePath p = Polygon({{-1e7, -1e7}, {1e7, -1e7}, {1e7, 1e7}, {-1e7, 1e7}});
         p.Append(Polygon({{100, 100}, {200, 100}, {150, 200}}));
         return p;
       }()},
      {"a curve through the box from far away", curve},
  };
  for (auto& c : cases) {
    const DevicePath cut = ClipToBox(c.path, box, true, 0.01);
    const auto bounds = cut.Bounds();
    ASSERT_TRUE(bounds) << c.name;
    EXPECT_TRUE(box.Grown(1e-6).Contains(*bounds)) << c.name;
    // Sample points off every edge of the cases.
    for (double y = 0.61; y < 30; y += 1)
      for (double x = 0.37; x < 40; x += 1)
        EXPECT_EQ(Winding(cut, {x, y}), Winding(c.path, {x, y})) << c.name << " at " << x << "," << y;
  }
}

TEST(DevicePath, CuttingAnOpenFigureJoinsItsPartsAlongTheBox) {
  // A zigzag that leaves the box and comes back: what lies inside stays,
  // the excursion becomes a line along the box's edge.
  DevicePath zigzag;
  zigzag.MoveTo({5, 5});
  zigzag.LineTo({5e9, 10});
  zigzag.LineTo({20, 25});
  const DevicePath cut = ClipToBox(zigzag, {0, 0, 40, 30}, false, 0.1);
  ASSERT_EQ(cut.Ops().size(), 4u);
  EXPECT_EQ(cut.Ops().back(), DevicePath::Op::Line) << "the figure stays open";
  const auto p = cut.Points();
  EXPECT_EQ(p[0], (DevicePoint{5, 5}));
  EXPECT_DOUBLE_EQ(p[1].x, 40);
  EXPECT_NEAR(p[1].y, 5, 1e-6) << "the first line keeps its direction";
  EXPECT_DOUBLE_EQ(p[2].x, 40);
  EXPECT_EQ(p[3], (DevicePoint{20, 25}));
}

TEST(DevicePath, CuttingIsBoundedWhateverTheCoordinates) {
  // A path of a thousand curves spanning 1e18 pixels, crossing the box
  // back and forth: the result stays small and inside.
  DevicePath wild;
  wild.MoveTo({-1e18, 15});
  for (int i = 0; i < 1000; ++i) {
    const double s = i % 2 ? 1 : -1;
    wild.CurveTo({s * 1e18, -1e17}, {-s * 1e18, 1e17}, {s * 1e18, 15});
  }
  const DeviceBox box{0, 0, 48, 40};
  const DevicePath cut = ClipToBox(wild, box, false, 0.1);
  EXPECT_LT(cut.Points().size(), 200000u);
  const auto bounds = cut.Bounds();
  ASSERT_TRUE(bounds);
  EXPECT_TRUE(box.Grown(1e-6).Contains(*bounds));
}

TEST(DevicePath, ArcsKeepToTheirToleranceAtAnySize) {
  for (double radius : {0.5, 20.0, 3e4, 1e12}) {
    DevicePath arc;
    const Transform unit{radius, 0, 0, radius / 2, 7, -3};
    AppendArc(arc, unit, 0.3, 0.3 - 2 * std::numbers::pi, false, 0.1);
    EXPECT_LT(arc.Ops().size(), 5000u) << radius;
    // Every flattened point lies on the ellipse within the tolerance (and
    // the flattening's own error, far smaller here).
    const auto figures = Flatten(arc);
    for (const DevicePoint& q : figures.front()) {
      const double u = (q.x - 7) / radius, v = (q.y + 3) / (radius / 2);
      EXPECT_NEAR(std::hypot(u, v), 1, 0.15 / (radius / 2)) << radius;
    }
    EXPECT_NEAR(arc.CurrentPoint().x, 7 + radius * std::cos(0.3), radius * 1e-9);
  }
}

TEST(DevicePath, LengthWithinABox) {
  const DeviceBox box{0, 0, 10, 10};
  struct Case {
    DevicePoint a, b;
    double inside;
  } cases[] = {
      {{2, 2}, {8, 2}, 6},           // inside
      {{-10, 5}, {20, 5}, 10},       // across
      {{-10, -10}, {20, 20}, 10 * std::numbers::sqrt2},
      {{5, 5}, {5, 1e12}, 5},        // out of one side
      {{-5, -1}, {20, -1}, 0},       // beside
      {{0, 10}, {10, 10}, 10},       // along an edge
  };
  for (const auto& c : cases) {
    DevicePath p;
    p.MoveTo(c.a);
    p.LineTo(c.b);
    EXPECT_NEAR(p.LengthWithin(box), c.inside, 1e-9) << c.a.x << "," << c.a.y << " " << c.b.x << "," << c.b.y;
    EXPECT_NEAR(p.Length(), std::hypot(c.b.x - c.a.x, c.b.y - c.a.y), 1e-3);
  }
}

}  // namespace
}  // namespace vn::platform::device_path_test
