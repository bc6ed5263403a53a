// The drawing interface's own part: the state it keeps for every backend
// and the lowering of lines, shapes, paths and clips to device figures, as
// a backend that draws nothing itself but figures sees them.
#include "platform/canvas/canvas.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vn::platform::canvas_test {
namespace {

// Says each figure it is given, e.g. "fill M0,0 L10,0 L10,10 L0,10 Z".
class FigureCanvas : public Canvas {
 public:
  std::vector<std::string> painted;

  void TextOut(Point, std::u16string_view, std::span<const int32_t>, uint32_t, const Rect*) override {}
  void StretchDib(Rect, Rect, const DibData&, uint32_t) override {}

 protected:
  void PaintShape(const DevicePath* fill, const DevicePath* stroke) override {
    if (fill) painted.push_back("fill" + Text(*fill));
    if (stroke) painted.push_back("stroke" + Text(*stroke));
  }
  void ClipArea(const DevicePath& area, FillMode rule, RegionMode mode) override {
    painted.push_back(std::string("clip ") + (rule == FillMode::Winding ? "winding" : "alternate") + " " +
                      std::to_string(int(mode)) + Text(area));
  }

 private:
  static std::string Text(const DevicePath& path) {
    std::string s;
    auto points = path.Points();
    size_t at = 0;
    auto pt = [&](size_t i) {
      auto n = [](double v) { return std::to_string(int(std::lround(v))); };
      return n(points[i].x) + "," + n(points[i].y);
    };
    for (DevicePath::Op op : path.Ops()) {
      switch (op) {
        case DevicePath::Op::Move: s += " M" + pt(at++); break;
        case DevicePath::Op::Line: s += " L" + pt(at++); break;
        case DevicePath::Op::Curve: s += " C" + pt(at + 2), at += 3; break;
        case DevicePath::Op::Close: s += " Z"; break;
      }
    }
    return s;
  }
};

TEST(Canvas, LowersShapesAndPathsToDeviceFigures) {
  const Point triangle[] = {{0, 0}, {10, 0}, {0, 10}};
  struct Case {
    const char* name;
    std::function<void(Canvas&)> draw;
    std::vector<std::string> painted;
  } cases[] = {
      {"a rectangle is filled whole and framed one unit in",
       [](Canvas& c) { c.Rectangle({0, 0, 10, 5}); },
       {"fill M0,0 L10,0 L10,5 L0,5 Z", "stroke M0,0 L9,0 L9,4 L0,4 Z"}},
      {"a line runs from the current position, which it moves",
       [](Canvas& c) {
         c.MoveTo({1, 2});
         c.LineTo({3, 4});
         c.LineTo({5, 6});
       },
       {"stroke M1,2 L3,4", "stroke M3,4 L5,6"}},
      {"a polygon is closed, filled and framed",
       [&](Canvas& c) { c.Polygon(triangle); },
       {"fill M0,0 L10,0 L0,10 Z", "stroke M0,0 L10,0 L0,10 Z"}},
      {"the world transform maps logical units",
       [&](Canvas& c) {
         c.SetWorldTransform({2, 0, 0, 3, 100, 0});
         c.Polyline(triangle);
       },
       {"stroke M100,0 L120,0 L100,30"}},
      {"an ellipse is curves around its box",
       [](Canvas& c) { c.Ellipse({0, 0, 20, 10}); },
       {"fill M20,5 C10,10 C0,5 C10,0 C20,5 Z", "stroke M20,5 C10,10 C0,5 C10,0 C20,5 Z"}},
      {"a path bracket paints once, when asked",
       [&](Canvas& c) {
         c.BeginPath();
         c.Polygon(triangle);
         c.Rectangle({20, 20, 30, 30});
         c.EndPath();
         c.StrokePath();
         c.FillPath();  // the path is spent
       },
       {"stroke M0,0 L10,0 L0,10 Z M20,20 L30,20 L30,30 L20,30 Z"}},
      {"a path selected as clip is filled by the fill mode",
       [&](Canvas& c) {
         c.SetPolyFillMode(FillMode::Winding);
         c.BeginPath();
         c.Polygon(triangle);
         c.SelectClipPath(RegionMode::And);
       },
       {"clip winding 0 M0,0 L10,0 L0,10 Z"}},
      {"clip rectangles are areas under the transform",
       [](Canvas& c) {
         c.SetWorldTransform(Transform::Translation(5, 5));
         c.ExcludeClipRect({0, 0, 10, 10});
       },
       {"clip winding 3 M5,5 L15,5 L15,15 L5,15 Z"}},
      {"nothing is drawn under a transform that cannot draw",
       [&](Canvas& c) {
         c.SetWorldTransform(Transform::Scaling(0, 1));
         c.Rectangle({0, 0, 10, 10});
         c.Polygon(triangle);
         c.IntersectClipRect({0, 0, 10, 10});
       },
       {}},
  };
  for (const Case& c : cases) {
    FigureCanvas canvas;
    c.draw(canvas);
    EXPECT_EQ(canvas.painted, c.painted) << c.name;
  }
}

TEST(Canvas, SavedStatesComeBackByLevel) {
  FigureCanvas canvas;
  Pen red;
  red.color = 0x0000FF;
  canvas.SetPen(red);  // level 1 keeps red
  EXPECT_EQ(canvas.SaveDC(), 1);
  canvas.SetWorldTransform(Transform::Scaling(2, 2));
  canvas.MoveTo({7, 7});
  EXPECT_EQ(canvas.SaveDC(), 2);
  canvas.SetPen(Pen{});
  canvas.RestoreDC(5);  // no such level: nothing changes
  EXPECT_EQ(canvas.State().pen, Pen{});
  canvas.RestoreDC(-1);
  EXPECT_EQ(canvas.State().current, (Point{7, 7}));
  EXPECT_EQ(canvas.State().pen, red);
  canvas.SaveDC();
  canvas.RestoreDC(1);  // drops level 2 with it
  EXPECT_TRUE(canvas.WorldTransform().IsIdentity());
  EXPECT_EQ(canvas.State().current, (Point{}));
  EXPECT_EQ(canvas.SaveDC(), 1);
}

}  // namespace
}  // namespace vn::platform::canvas_test
