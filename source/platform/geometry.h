// Integer points, sizes and rectangles, in the logical or device units of a
// drawing call or a metafile record.
#pragma once

#include <cstdint>

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

}  // namespace vn::platform
