// Integer points, sizes and rectangles, in the logical or device units of a
// drawing call or a metafile record, and the affine transforms between
// units.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

namespace vn::platform {

struct Point {
  int32_t x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int32_t cx = 0, cy = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// Sizes and sums of coordinates from files, without overflow.
inline double RectWidth(const Rect& r) { return double(r.right) - r.left; }
inline double RectHeight(const Rect& r) { return double(r.bottom) - r.top; }
inline int32_t SaturatedInt(double v) {
  if (!(v == v)) return 0;
  return int32_t(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}
inline int32_t SaturatedAdd(int64_t a, int64_t b) { return SaturatedInt(double(a + b)); }

// An affine transform: x' = x*m11 + y*m21 + dx, y' = x*m12 + y*m22 + dy.
struct Transform {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
  bool operator==(const Transform&) const = default;
  bool IsIdentity() const { return *this == Transform{}; }
  void Apply(double x, double y, double& ox, double& oy) const {
    ox = x * m11 + y * m21 + dx;
    oy = x * m12 + y * m22 + dy;
  }
  // This transform followed by `then`.
  Transform Then(const Transform& then) const;
  std::optional<Transform> Inverted() const;
  static Transform Translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static Transform Scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
};

}  // namespace vn::platform
