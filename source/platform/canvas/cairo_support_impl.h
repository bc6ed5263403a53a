// Pieces the cairo backends share: bitmaps as cairo images, and paths
// handed to cairo no larger than what can affect the surface.
#pragma once

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/canvas/device_path.h"
#include "platform/images/bitmap.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace vn::platform {

// A path that stays within this many pixels of the surface plus the reach
// of its paint goes to cairo as it is; one reaching farther is cut to the
// surface and that reach. The reach counted is capped so that what cairo
// gets stays well inside its fixed-point range.
inline constexpr double kUncutSlack = 1 << 16;
inline constexpr double kMaxReach = 1 << 20;

// A new image surface of width x height pixels filled with `background`
// (0xAARRGGBB). EArgumentException ("Canvas of W x H pixels is too large")
// when it would hold more than kMaxImagePixels. The caller destroys it.
cairo_surface_t* NewSurface(int32_t width, int32_t height, uint32_t background);

// A premultiplied cairo image of a bitmap (straight alpha, kept only when
// the bitmap has alpha). 24-bit pixels are copied straight from their rows
// (opaque); other formats than 32-bit become a 32-bit copy first. The
// caller destroys it.
cairo_surface_t* ToSurface(const Bitmap& b);

// Makes `path` (device units, moved by `offset`) the current path of cr
// under the identity matrix, cut to what can affect `surface` when paint
// reaches `reach` pixels beyond the path; the length of what cr got goes
// to *length. False when nothing can show.
bool SetCairoPath(cairo_t* cr, const DevicePath& path, const DeviceBox& surface, double reach, bool closeFigures,
                  DevicePoint offset = {}, double* length = nullptr);

// The cairo operator of a blend mode (gfx::BlendMode, the paint comment's
// order): OVER for Normal and for values outside the list.
cairo_operator_t BlendOperator(uint8_t mode);

// The vertices cairo gives a round pen of this radius (device pixels).
inline double PenVertices(double radius) {
  if (radius <= kCurveTolerance) return 4;
  return std::ceil(2 * std::numbers::pi / std::acos(1 - kCurveTolerance / radius));
}


}  // namespace vn::platform
