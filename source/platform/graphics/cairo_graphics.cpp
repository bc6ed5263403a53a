#include "platform/graphics/cairo_graphics.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/canvas/cairo_support_impl.h"
#include "runtime/exceptions.h"

namespace vn::platform::gfx {

namespace {

// Miter joins longer than this many pen widths are bevelled (spikes that
// long come only from damaged files).
constexpr double kLongestMiter = 100;
// Work one dashed stroke may cost cairo, counted as dashes times the
// vertices of their caps and the rows they span; a stroke that would need
// more, or whose dash period is far below a pixel, is drawn solid.
constexpr double kMaxStrokeDashWork = 1 << 20;
constexpr double kFinestDashPeriod = 0.05;

void SetArgb(cairo_t* cr, Argb c) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                        (c >> 24) / 255.0);
}

cairo_matrix_t CairoMatrix(const Matrix& m) {
  cairo_matrix_t cm;
  cairo_matrix_init(&cm, m.m11, m.m12, m.m21, m.m22, m.dx, m.dy);
  return cm;
}

bool Finite(const RectF& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

// The dash lengths a pen strokes with: empty for a solid line (no dashes,
// every length zero, or a length that is negative or not finite).
std::vector<double> UsableDashes(const Pen& pen) {
  double total = 0;
  for (double d : pen.dashes) {
    if (!(d >= 0) || !std::isfinite(d)) return {};
    total += d;
  }
  if (!(total > 0) || !std::isfinite(total)) return {};
  return pen.dashes;
}

}  // namespace

CairoGraphics::CairoGraphics(int32_t width, int32_t height, Argb background)
    : width_(std::clamp(width, 1, 32767)), height_(std::clamp(height, 1, 32767)) {
  surface_ = NewSurface(width_, height_, background);
  cr_ = cairo_create(surface_);
}

CairoGraphics::CairoGraphics(cairo_surface_t* target)
    : width_(cairo_image_surface_get_width(target)), height_(cairo_image_surface_get_height(target)) {
  surface_ = cairo_surface_reference(target);
  cr_ = cairo_create(surface_);
}

CairoGraphics::~CairoGraphics() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

Bitmap CairoGraphics::Pixels() {
  cairo_surface_flush(surface_);
  Bitmap out(width_, height_, PixelFormat::pf32bit);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  bool opaque = true;
  for (int32_t y = 0; y < height_; ++y) {
    const unsigned char* src = data + size_t(y) * size_t(stride);
    uint8_t* row = out.MutableRow(y).data();
    for (int32_t x = 0; x < width_; ++x) {
      const unsigned char* p = src + size_t(x) * 4;
      const uint32_t a = p[3];
      for (int c = 0; c < 3; ++c)
        row[x * 4 + c] = a == 0 ? 0 : uint8_t(std::min<uint32_t>(255, (p[c] * 255u + a / 2) / a));
      row[x * 4 + 3] = uint8_t(a);
      opaque = opaque && a == 255;
    }
  }
  out.SetHasAlpha(!opaque);
  return out;
}

bool CairoGraphics::WritePng(const std::string& path) {
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void CairoGraphics::Save() {
  saved_.push_back(state_);
  cairo_save(cr_);
}

void CairoGraphics::Restore() {
  if (saved_.empty()) return;
  state_ = saved_.back();
  saved_.pop_back();
  cairo_restore(cr_);
}

void CairoGraphics::SetBlendMode(BlendMode mode) {
  if (replacing_) return;
  cairo_set_operator(cr_, BlendOperator(uint8_t(mode)));
}

void CairoGraphics::SetReplacing(bool on) {
  replacing_ = on;
  cairo_set_operator(cr_, on ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
}

void CairoGraphics::SetSmoothing(bool on) {
  state_.smoothing = on;
  cairo_set_antialias(cr_, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

bool CairoGraphics::ToDevice(const Path& path, DevicePath& out) const {
  const Matrix& m = state_.transform;
  if (!m.IsInvertible()) return false;
  Path mapped = path;
  mapped.Transform(m);
  for (const PointF& p : mapped.Points())
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  out = mapped.Figures();
  return true;
}

void CairoGraphics::Fill(Argb color, const DevicePath& device, FillMode mode) {
  if (AlphaOf(color) == 0) return;
  if (!SetCairoPath(cr_, device, {0, 0, double(width_), double(height_)}, 0, true)) return;
  cairo_set_fill_rule(cr_, mode == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  SetArgb(cr_, color);
  cairo_fill(cr_);
}

void CairoGraphics::FillRect(const SolidBrush& brush, const RectF& rect) {
  if (!Finite(rect)) return;
  Path path;
  path.AddRect(rect);
  FillPath(brush, path);
}

void CairoGraphics::FillPath(const SolidBrush& brush, const Path& path) {
  DevicePath device;
  if (!ToDevice(path, device)) return;
  Fill(brush.color, device, path.GetFillMode());
}

void CairoGraphics::DrawPath(const Pen& pen, const Path& path) {
  if (AlphaOf(pen.color) == 0 || !std::isfinite(pen.width)) return;
  DevicePath device;
  if (!ToDevice(path, device)) return;
  const Matrix& m = state_.transform;
  const Transform t = m.AsTransform();
  const bool hairline = !(pen.width > 0);
  double width = hairline ? 1.0 : pen.width;
  // A pen reaching far beyond the surface is narrowed to what covers it.
  double half = width / 2 * (hairline ? 1.0 : MajorAxis(t));
  const double widest = 4.0 * std::max(width_, height_) + 64;
  if (half > widest) width *= widest / half, half = widest;
  const double miterLimit = std::clamp(std::isfinite(pen.miterLimit) ? pen.miterLimit : 10.0, 1.0, kLongestMiter);
  const double reach = half * std::max(std::numbers::sqrt2, pen.join == LineJoin::Miter ? miterLimit : 1.0);
  double length = 0;
  if (!SetCairoPath(cr_, device, {0, 0, double(width_), double(height_)}, reach, false, {}, &length)) return;
  // Hairlines stroke in device pixels, other pens in user units.
  const double dashScale = hairline ? std::sqrt(std::abs(m.Determinant())) : 1.0;
  if (!hairline) {
    const cairo_matrix_t cm = CairoMatrix(m);
    cairo_set_matrix(cr_, &cm);
  }
  cairo_set_line_width(cr_, width);
  static constexpr cairo_line_cap_t kCap[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_SQUARE, CAIRO_LINE_CAP_ROUND};
  static constexpr cairo_line_join_t kJoin[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_BEVEL, CAIRO_LINE_JOIN_ROUND};
  cairo_set_line_cap(cr_, kCap[size_t(pen.cap)]);
  cairo_set_line_join(cr_, kJoin[size_t(pen.join)]);
  cairo_set_miter_limit(cr_, miterLimit);
  std::vector<double> dashes = UsableDashes(pen);
  double offset = std::isfinite(pen.dashOffset) ? pen.dashOffset * dashScale : 0;
  if (!dashes.empty()) {
    double period = 0;
    for (double& d : dashes) d *= dashScale, period += d;
    if (dashes.size() % 2) period *= 2;
    const double shortest = period * (hairline ? 1.0 : MinorAxis(t));
    const double count = length / std::max(shortest, 1e-9) * double((dashes.size() + 1) / 2);
    const double perDash = PenVertices(half) + 2 * half;
    if (!(shortest >= kFinestDashPeriod && count * perDash <= kMaxStrokeDashWork)) dashes.clear();
    // Far offsets fold into one period, so cairo's walk to them stays short.
    if (!dashes.empty()) offset = std::fmod(offset, period);
  }
  cairo_set_dash(cr_, dashes.data(), int(dashes.size()), dashes.empty() ? 0 : offset);
  SetArgb(cr_, pen.color);
  cairo_stroke(cr_);
  cairo_set_dash(cr_, nullptr, 0, 0);
  cairo_identity_matrix(cr_);
}

void CairoGraphics::Clip(const DevicePath& device, FillMode mode, CombineMode combine) {
  if (combine == CombineMode::Replace) cairo_reset_clip(cr_);
  // A path that cannot show leaves cr without a path: the clip is empty.
  SetCairoPath(cr_, device, {0, 0, double(width_), double(height_)}, 0, true);
  cairo_set_fill_rule(cr_, mode == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(cr_);
}

void CairoGraphics::SetClip(const RectF& rect, CombineMode mode) {
  Path path(FillMode::Winding);
  if (Finite(rect)) path.AddRect(rect);
  SetClip(path, mode);
}

void CairoGraphics::SetClip(const Path& path, CombineMode mode) {
  DevicePath device;
  if (!ToDevice(path, device)) device.Clear();
  Clip(device, path.GetFillMode(), mode);
}

void CairoGraphics::ResetClip() { cairo_reset_clip(cr_); }

void CairoGraphics::DrawImage(const Bitmap& bitmap, const RectF& dest, double opacity, Interpolation interpolation) {
  if (bitmap.Empty() || !Finite(dest) || !(opacity > 0)) return;
  opacity = std::min(opacity, 1.0);
  // Bitmap pixels to device pixels.
  Matrix toDevice(dest.width / bitmap.Width(), 0, 0, dest.height / bitmap.Height(), dest.x, dest.y);
  toDevice.Multiply(state_.transform, MatrixOrder::Append);
  Matrix toPixels = toDevice;
  if (!toPixels.Invert()) return;
  Path area;
  area.AddRect({0, 0, double(bitmap.Width()), double(bitmap.Height())});
  area.Transform(toDevice);
  cairo_save(cr_);
  if (!SetCairoPath(cr_, area.Figures(), {0, 0, double(width_), double(height_)}, 0, true)) {
    cairo_restore(cr_);
    return;
  }
  cairo_clip(cr_);
  cairo_surface_t* image = ToSurface(bitmap);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image);
  const cairo_matrix_t pm = CairoMatrix(toPixels);
  cairo_pattern_set_matrix(pattern, &pm);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  const bool shrinking = MinorAxis(toDevice.AsTransform()) < 1;
  cairo_pattern_set_filter(pattern, interpolation == Interpolation::Nearest ? CAIRO_FILTER_NEAREST
                                    : shrinking                            ? CAIRO_FILTER_GOOD
                                                                           : CAIRO_FILTER_BILINEAR);
  cairo_set_source(cr_, pattern);
  // A bitmap with alpha has its own shape: what it leaves clear stays.
  if (replacing_ && bitmap.HasAlpha()) cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  cairo_paint_with_alpha(cr_, opacity);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(image);
  cairo_restore(cr_);
}

}  // namespace vn::platform::gfx
