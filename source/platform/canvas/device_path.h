// Paths in device units kept in doubles, and their cutting to a box.
//
// The raster canvas builds every shape here, under its world transform,
// before cairo sees it: cairo keeps paths in fixed point and wraps
// coordinates beyond about eight million pixels, and its work on a path
// (flattening curves, dashing, pen joins) grows with the path's size, not
// with the pixels it covers. A path that reaches far beyond the surface is
// therefore cut to a box around the surface first (ClipToBox), which keeps
// what the surface shows and bounds what cairo is given. The PDF writer
// measures the paths it writes with the same type.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/geometry.h"

namespace vn::platform {

struct DevicePoint {
  double x = 0, y = 0;
  bool operator==(const DevicePoint&) const = default;
};

struct DeviceBox {
  double left = 0, top = 0, right = 0, bottom = 0;
  DeviceBox Grown(double d) const { return {left - d, top - d, right + d, bottom + d}; }
  bool Contains(const DeviceBox& b) const {
    return b.left >= left && b.right <= right && b.top >= top && b.bottom <= bottom;
  }
  bool Intersects(const DeviceBox& b) const {
    return b.left <= right && b.right >= left && b.top <= bottom && b.bottom >= top;
  }
};

// Figures of lines and cubic curves. A line or curve without a current
// point starts a figure at its first point; after Close the current point
// is the figure's start, and drawing on from it starts a new figure there.
class DevicePath {
 public:
  enum class Op : uint8_t { Move, Line, Curve, Close };  // points: 1, 1, 3, 0

  void MoveTo(DevicePoint p);
  void LineTo(DevicePoint p);
  void CurveTo(DevicePoint c1, DevicePoint c2, DevicePoint p);
  void Close();
  void Clear();
  void Append(const DevicePath& other);

  bool Empty() const { return ops_.empty(); }
  bool HasCurrentPoint() const { return hasCurrent_; }
  DevicePoint CurrentPoint() const { return current_; }
  std::span<const Op> Ops() const { return ops_; }
  std::span<const DevicePoint> Points() const { return points_; }

  // The box of every point, control points included (it holds the path);
  // nothing for an empty path.
  std::optional<DeviceBox> Bounds() const;
  // The length of the figures, curves by their control polygons (never
  // less than the curves), closing lines included; and the part of that
  // length inside a box.
  double Length() const;
  double LengthWithin(const DeviceBox& box) const;

 private:
  void StartIfNeeded();
  std::vector<Op> ops_;
  std::vector<DevicePoint> points_;
  DevicePoint current_, start_;
  bool hasCurrent_ = false;
  bool closed_ = false;  // the last op closed a figure
};

// How far the curves made here may stray from the true arcs, in device
// pixels (cairo's own flattening tolerance).
constexpr double kCurveTolerance = 0.1;

// A point of logical units in device units.
inline DevicePoint ToDevice(const Transform& t, double x, double y) {
  DevicePoint p;
  t.Apply(x, y, p.x, p.y);
  return p;
}

// The rectangle (l, t, w, h) of logical units as a closed figure.
void AppendRect(DevicePath& path, const Transform& t, double l, double top, double w, double h);

// The unit circle from angle `from` to angle `to` (radians, either way
// round) under `unitToDevice`, as cubic curves within `tolerance` device
// units of the true arc. With `connect` a line joins the path's current
// point to the arc's start; otherwise the arc starts a new figure.
void AppendArc(DevicePath& path, const Transform& unitToDevice, double from, double to, bool connect,
               double tolerance);

// The longest and the shortest distance a unit step can become under the
// transform's linear part (its singular values).
double MajorAxis(const Transform& t);
double MinorAxis(const Transform& t);

// The path cut to `box`. Inside the box, filling the result covers what
// filling the path covers (with either fill rule, every figure closed when
// closeFigures is set, as a fill closes them), and stroking it draws what
// stroking the path draws wherever the pen stays off the box's edges; the
// cut joins the parts of a figure along the box's edges. Curves that cross
// an edge become lines within `tolerance`; the work is bounded whatever the
// coordinates.
DevicePath ClipToBox(const DevicePath& path, const DeviceBox& box, bool closeFigures, double tolerance);

}  // namespace vn::platform
