#include "platform/canvas/cairo_support_impl.h"

#include <cairo.h>

#include <algorithm>
#include <string>

#include "runtime/exceptions.h"

namespace vn::platform {

cairo_surface_t* NewSurface(int32_t width, int32_t height, uint32_t background) {
  if (uint64_t(width) * uint64_t(height) > kMaxImagePixels)
    throw EArgumentException("Canvas of " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels is too large");
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgba(cr, ((background >> 16) & 0xFF) / 255.0, ((background >> 8) & 0xFF) / 255.0,
                        (background & 0xFF) / 255.0, (background >> 24) / 255.0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  return surface;
}

cairo_surface_t* ToSurface(const Bitmap& b) {
  const bool rgb = b.Format() == PixelFormat::pf24bit;
  if (!rgb && b.Format() != PixelFormat::pf32bit) return ToSurface(b.ConvertTo(PixelFormat::pf32bit));
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, b.Width(), b.Height());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) return s;
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  const bool alpha = !rgb && b.HasAlpha();
  const int step = rgb ? 3 : 4;
  // The alpha and layout choices are made per bitmap, not per pixel.
  for (int32_t y = 0; y < b.Height(); ++y) {
    const uint8_t* src = b.Row(y).data();
    uint8_t* dst = data + size_t(y) * stride;
    uint8_t* const end = dst + size_t(b.Width()) * 4;
    if (alpha) {
      for (; dst != end; dst += 4, src += 4) {
        const uint32_t a = src[3];
        dst[0] = uint8_t((src[0] * a + 127) / 255);
        dst[1] = uint8_t((src[1] * a + 127) / 255);
        dst[2] = uint8_t((src[2] * a + 127) / 255);
        dst[3] = uint8_t(a);
      }
    } else {
      for (; dst != end; dst += 4, src += step) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 255;
      }
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

bool SetCairoPath(cairo_t* cr, const DevicePath& path, const DeviceBox& surface, double reach, bool closeFigures,
                  DevicePoint offset, double* length) {
  cairo_new_path(cr);
  cairo_identity_matrix(cr);
  const auto bounds = path.Bounds();
  // One pixel more for antialiasing and the half-pixel offset of pens.
  if (!bounds || !surface.Intersects(bounds->Grown(reach + 1))) return false;
  const double margin = std::min(reach, kMaxReach) + 2;
  DevicePath cut;
  const DevicePath* given = &path;
  if (!surface.Grown(margin + kUncutSlack).Contains(*bounds)) {
    cut = ClipToBox(path, surface.Grown(margin), closeFigures, kCurveTolerance);
    given = &cut;
  }
  const auto points = given->Points();
  size_t at = 0;
  auto x = [&](size_t i) { return points[i].x + offset.x; };
  auto y = [&](size_t i) { return points[i].y + offset.y; };
  for (DevicePath::Op op : given->Ops()) {
    switch (op) {
      case DevicePath::Op::Move: cairo_move_to(cr, x(at), y(at)), ++at; break;
      case DevicePath::Op::Line: cairo_line_to(cr, x(at), y(at)), ++at; break;
      case DevicePath::Op::Curve:
        cairo_curve_to(cr, x(at), y(at), x(at + 1), y(at + 1), x(at + 2), y(at + 2));
        at += 3;
        break;
      case DevicePath::Op::Close: cairo_close_path(cr); break;
    }
  }
  if (length) *length = given->Length();
  return !given->Empty();
}

cairo_operator_t BlendOperator(uint8_t mode) {
  static constexpr cairo_operator_t kOperators[] = {
      CAIRO_OPERATOR_OVER,       CAIRO_OPERATOR_MULTIPLY,       CAIRO_OPERATOR_SCREEN,      CAIRO_OPERATOR_OVERLAY,
      CAIRO_OPERATOR_DARKEN,     CAIRO_OPERATOR_LIGHTEN,        CAIRO_OPERATOR_COLOR_DODGE, CAIRO_OPERATOR_COLOR_BURN,
      CAIRO_OPERATOR_HARD_LIGHT, CAIRO_OPERATOR_SOFT_LIGHT,     CAIRO_OPERATOR_DIFFERENCE,  CAIRO_OPERATOR_EXCLUSION,
      CAIRO_OPERATOR_HSL_HUE,    CAIRO_OPERATOR_HSL_SATURATION, CAIRO_OPERATOR_HSL_COLOR,   CAIRO_OPERATOR_HSL_LUMINOSITY};
  return mode < std::size(kOperators) ? kOperators[mode] : CAIRO_OPERATOR_OVER;
}

}  // namespace vn::platform
