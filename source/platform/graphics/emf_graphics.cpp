#include "platform/graphics/emf_graphics.h"

#include <algorithm>
#include <cmath>

namespace vn::platform::gfx {

namespace {

// Recorded coordinates are device units times this.
constexpr double kSubPixel = 16;
// The largest recorded coordinate: room for sums of coordinates in readers.
constexpr double kLargestCoordinate = 1 << 30;
// Paths reaching farther than this (device units) are first cut to a box
// this far around the page; fills and clips inside it stay as they were.
constexpr double kFarthestDevice = 1 << 22;

Color BgrOf(Argb c) { return RGBColor(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)); }

Point Rounded(PointF p) { return {SaturatedInt(std::round(p.x)), SaturatedInt(std::round(p.y))}; }

bool FiniteRect(const RectF& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

bool FinitePoints(const Path& path) {
  return std::all_of(path.Points().begin(), path.Points().end(),
                     [](PointF p) { return std::isfinite(p.x) && std::isfinite(p.y); });
}

// The bitmap turned and mirrored so that, drawn upright, it shows what
// `toDevice` (pixels to device units, with no skew or turn other than
// quarter turns) shows; 32 bits a pixel.
Bitmap Upright(const Bitmap& source, const Matrix& toDevice, bool swap) {
  const Bitmap px = source.Format() == PixelFormat::pf32bit ? source : source.ConvertTo(PixelFormat::pf32bit);
  const int32_t w = px.Width(), h = px.Height();
  const int32_t ow = swap ? h : w, oh = swap ? w : h;
  Bitmap out(ow, oh, PixelFormat::pf32bit);
  out.SetHasAlpha(px.HasAlpha());
  for (int32_t y = 0; y < oh; ++y) {
    uint8_t* row = out.MutableRow(y).data();
    for (int32_t x = 0; x < ow; ++x) {
      int32_t u, v;
      if (!swap) {
        u = toDevice.m11 > 0 ? x : w - 1 - x;
        v = toDevice.m22 > 0 ? y : h - 1 - y;
      } else {
        v = toDevice.m21 > 0 ? x : h - 1 - x;
        u = toDevice.m12 > 0 ? y : w - 1 - y;
      }
      std::copy_n(px.Row(v).data() + size_t(u) * 4, 4, row + size_t(x) * 4);
      if (!px.HasAlpha()) row[size_t(x) * 4 + 3] = 255;
    }
  }
  return out;
}

// A bitmap drawn under a turn or skew as an upright bitmap of device
// pixels (finer where the source is: up to 4 pixels a device pixel),
// clear outside the picture. Each pixel averages 2 x 2 samples, so the
// picture's edges stay smooth. `origin` gets the device position of its
// top-left corner, `density` its pixels per device unit.
Bitmap Resampled(const Bitmap& source, const Matrix& toDevice, Interpolation interpolation, PointF& origin,
                 double& density) {
  Path area;
  area.AddRect({0, 0, double(source.Width()), double(source.Height())});
  const RectF box = *area.Bounds(&toDevice);
  Matrix toSource = toDevice;
  if (!toSource.Invert()) return {};
  density = std::clamp(1 / MinorAxis(toDevice.AsTransform()), 1.0, 4.0);
  // At most kMaxResampledPixels pixels.
  constexpr double kMaxResampledPixels = 1 << 24;
  const double need = (box.width * density + 1) * (box.height * density + 1);
  if (need > kMaxResampledPixels) density *= std::sqrt(kMaxResampledPixels / need);
  origin = {std::floor(box.x * kSubPixel) / kSubPixel, std::floor(box.y * kSubPixel) / kSubPixel};
  const int32_t w = std::max(1, int32_t(std::ceil((box.x + box.width - origin.x) * density)));
  const int32_t h = std::max(1, int32_t(std::ceil((box.y + box.height - origin.y) * density)));
  if (double(w) * h > kMaxResampledPixels * 1.1) return {};
  const Bitmap px = source.Format() == PixelFormat::pf32bit ? source : source.ConvertTo(PixelFormat::pf32bit);
  const bool alpha = px.HasAlpha();
  const int32_t sw = px.Width(), sh = px.Height();
  auto texel = [&](int32_t x, int32_t y, double weight, double* acc) {
    const uint8_t* p = px.Row(std::clamp(y, 0, sh - 1)).data() + size_t(std::clamp(x, 0, sw - 1)) * 4;
    const double a = (alpha ? p[3] : 255) * weight;
    for (int c = 0; c < 3; ++c) acc[c] += p[c] * a;
    acc[3] += a;
  };
  Bitmap out(w, h, PixelFormat::pf32bit);
  out.SetHasAlpha(true);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = out.MutableRow(y).data();
    for (int32_t x = 0; x < w; ++x) {
      double acc[4] = {0, 0, 0, 0};  // premultiplied colour, alpha
      for (int sy = 0; sy < 2; ++sy)
        for (int sx = 0; sx < 2; ++sx) {
          const PointF at = toSource.Apply(
              {origin.x + (x + 0.25 + 0.5 * sx) / density, origin.y + (y + 0.25 + 0.5 * sy) / density});
          if (!(at.x >= 0 && at.x < sw && at.y >= 0 && at.y < sh)) continue;
          if (interpolation == Interpolation::Nearest) {
            texel(int32_t(at.x), int32_t(at.y), 0.25, acc);
          } else {
            const double fx = at.x - 0.5, fy = at.y - 0.5;
            const auto x0 = int32_t(std::floor(fx)), y0 = int32_t(std::floor(fy));
            const double tx = fx - x0, ty = fy - y0;
            texel(x0, y0, 0.25 * (1 - tx) * (1 - ty), acc);
            texel(x0 + 1, y0, 0.25 * tx * (1 - ty), acc);
            texel(x0, y0 + 1, 0.25 * (1 - tx) * ty, acc);
            texel(x0 + 1, y0 + 1, 0.25 * tx * ty, acc);
          }
        }
      uint8_t* o = row + size_t(x) * 4;
      if (acc[3] <= 0) continue;
      for (int c = 0; c < 3; ++c) o[c] = uint8_t(std::clamp(std::lround(acc[c] / acc[3]), 0L, 255L));
      o[3] = uint8_t(std::clamp(std::lround(acc[3]), 0L, 255L));
    }
  }
  return out;
}

}  // namespace

EmfGraphics::EmfGraphics(int32_t widthPixels, int32_t heightPixels)
    : canvas_(widthPixels, heightPixels), width_(widthPixels), height_(heightPixels) {
  // Marks the recording as fractional from its first record on.
  canvas_.SetPaint(emf::PaintComment{});
}

std::string EmfGraphics::Finish() {
  while (!saved_.empty()) Restore();
  return canvas_.Finish();
}

void EmfGraphics::Save() {
  saved_.push_back(state_);
  canvas_.SaveDC();
}

void EmfGraphics::Restore() {
  if (saved_.empty()) return;
  state_ = saved_.back();
  saved_.pop_back();
  canvas_.RestoreDC(-1);
}

void EmfGraphics::SetPaint(uint8_t fillAlpha, uint8_t strokeAlpha, bool nearest, double dashOffset) {
  emf::PaintComment paint;
  paint.fillAlpha = fillAlpha;
  paint.strokeAlpha = strokeAlpha;
  paint.antialias = state_.smoothing;
  paint.nearest = nearest;
  paint.dashOffset = float(dashOffset);
  paint.blendMode = uint8_t(state_.blend);
  canvas_.SetPaint(paint);
}

void EmfGraphics::SetFillMode(FillMode mode) {
  canvas_.SetPolyFillMode(mode == FillMode::Winding ? platform::FillMode::Winding : platform::FillMode::Alternate);
}

std::optional<Path> EmfGraphics::DeviceFigures(const Path& path) const {
  const Matrix& m = state_.transform;
  if (!m.IsInvertible() || path.Empty()) return std::nullopt;
  Path device = path;
  device.Transform(m);
  if (!FinitePoints(device)) return std::nullopt;
  const auto box = device.Bounds();
  const DeviceBox page{0, 0, double(width_), double(height_)};
  if (!page.Grown(kFarthestDevice).Contains({box->x, box->y, box->x + box->width, box->y + box->height})) {
    device = Path(ClipToBox(device.Figures(), page.Grown(kFarthestDevice / 2), true, kCurveTolerance),
                  path.GetFillMode());
  }
  device.Transform(Matrix(kSubPixel, 0, 0, kSubPixel, 0, 0));
  return device;
}

bool EmfGraphics::WritePath(const Path& figures) {
  if (figures.Empty()) return false;
  canvas_.BeginPath();
  const auto ops = figures.Ops();
  const auto points = figures.Points();
  std::vector<Point> run;
  size_t at = 0;
  for (size_t i = 0; i < ops.size();) {
    switch (ops[i]) {
      case Path::Op::Move:
        canvas_.MoveTo(Rounded(points[at++]));
        ++i;
        break;
      case Path::Op::Close:
        canvas_.CloseFigure();
        ++i;
        break;
      case Path::Op::Line:
        run.clear();
        for (; i < ops.size() && ops[i] == Path::Op::Line; ++i) run.push_back(Rounded(points[at++]));
        canvas_.PolylineTo(run);
        break;
      case Path::Op::Curve:
        run.clear();
        for (; i < ops.size() && ops[i] == Path::Op::Curve; ++i)
          for (int k = 0; k < 3; ++k) run.push_back(Rounded(points[at++]));
        canvas_.PolyBezierTo(run);
        break;
    }
  }
  canvas_.EndPath();
  return true;
}

void EmfGraphics::FillRect(const SolidBrush& brush, const RectF& rect) {
  if (!FiniteRect(rect)) return;
  Path path;
  path.AddRect(rect);
  FillPath(brush, path);
}

void EmfGraphics::FillPath(const SolidBrush& brush, const Path& path) {
  if (AlphaOf(brush.color) == 0) return;
  const auto figures = DeviceFigures(path);
  if (!figures) return;
  const auto* current = canvas_.State().paint ? &*canvas_.State().paint : nullptr;
  SetPaint(AlphaOf(brush.color), current ? current->strokeAlpha : 255, current && current->nearest,
           current ? current->dashOffset : 0);
  canvas_.SetWorldTransform(Transform::Scaling(1 / kSubPixel, 1 / kSubPixel));
  canvas_.SetBrush(Brush{.style = BrushStyle::Solid, .color = BgrOf(brush.color)});
  SetFillMode(path.GetFillMode());
  if (WritePath(*figures)) canvas_.FillPath();
}

void EmfGraphics::DrawPath(const Pen& pen, const Path& path) {
  if (AlphaOf(pen.color) == 0 || !std::isfinite(pen.width) || path.Empty()) return;
  const Matrix& m = state_.transform;
  if (!m.IsInvertible() || !FinitePoints(path)) return;
  // Logical units are user units times k, k chosen so that a logical unit
  // is at most 1/16 device pixel, as far as the coordinates fit.
  const auto box = path.Bounds();
  const double extent = std::max({std::abs(box->x), std::abs(box->y), std::abs(box->x + box->width),
                                  std::abs(box->y + box->height), 1e-300});
  const double k = std::min(kSubPixel * MajorAxis(m.AsTransform()), kLargestCoordinate / extent);
  if (!(k > 0) || !std::isfinite(k)) return;
  Path logical = path;
  logical.Transform(Matrix(k, 0, 0, k, 0, 0));
  Matrix world(1 / k, 0, 0, 1 / k, 0, 0);
  world.Multiply(m, MatrixOrder::Append);

  platform::Pen p;
  const bool hairline = !(pen.width > 0);
  p.width = hairline ? 0 : std::max(1, SaturatedInt(std::round(pen.width * k)));
  p.color = BgrOf(pen.color);
  static constexpr PenCap kCap[] = {PenCap::Flat, PenCap::Square, PenCap::Round};
  static constexpr PenJoin kJoin[] = {PenJoin::Miter, PenJoin::Bevel, PenJoin::Round};
  p.cap = kCap[size_t(pen.cap)];
  p.join = kJoin[size_t(pen.join)];
  double total = 0;
  bool dashed = !pen.dashes.empty();
  for (double d : pen.dashes) {
    dashed = dashed && d >= 0 && std::isfinite(d);
    total += d;
  }
  double offset = 0;
  if (dashed && total > 0 && std::isfinite(total)) {
    p.style = PenStyle::UserStyle;
    for (double d : pen.dashes) p.dashes.push_back(uint32_t(std::clamp(std::round(d * k), 0.0, kLargestCoordinate)));
    // Entries alternate on and off: an odd list runs twice.
    if (p.dashes.size() % 2) p.dashes.insert(p.dashes.end(), p.dashes.begin(), p.dashes.end());
    // Dashes finer than a logical unit: a solid line.
    if (std::all_of(p.dashes.begin(), p.dashes.end(), [](uint32_t d) { return d == 0; })) {
      p.style = PenStyle::Solid;
      p.dashes.clear();
    }
    if (std::isfinite(pen.dashOffset)) offset = std::fmod(pen.dashOffset, total * (pen.dashes.size() % 2 ? 2 : 1)) * k;
  }
  const auto* current = canvas_.State().paint ? &*canvas_.State().paint : nullptr;
  SetPaint(current ? current->fillAlpha : 255, AlphaOf(pen.color), current && current->nearest, offset);
  canvas_.SetWorldTransform(world.AsTransform());
  canvas_.SetPen(p);
  const double limit = std::isfinite(pen.miterLimit) ? std::max(1.0, pen.miterLimit) : 10.0;
  canvas_.SetMiterLimit(float(limit));
  if (WritePath(logical)) canvas_.StrokePath();
}

void EmfGraphics::ClipToNothing(CombineMode mode) {
  const Rect none{0, 0, 0, 0};
  canvas_.SelectClipRegion({&none, 1}, mode == CombineMode::Replace ? RegionMode::Copy : RegionMode::And);
}

void EmfGraphics::SetClip(const RectF& rect, CombineMode mode) {
  Path path(FillMode::Winding);
  if (FiniteRect(rect)) path.AddRect(rect);
  SetClip(path, mode);
}

void EmfGraphics::SetClip(const Path& path, CombineMode mode) {
  const auto figures = DeviceFigures(path);
  if (!figures || figures->Empty()) return ClipToNothing(mode);
  SetPaint(canvas_.State().paint ? canvas_.State().paint->fillAlpha : 255,
           canvas_.State().paint ? canvas_.State().paint->strokeAlpha : 255,
           canvas_.State().paint && canvas_.State().paint->nearest,
           canvas_.State().paint ? canvas_.State().paint->dashOffset : 0);
  canvas_.SetWorldTransform(Transform::Scaling(1 / kSubPixel, 1 / kSubPixel));
  SetFillMode(path.GetFillMode());
  WritePath(*figures);
  canvas_.SelectClipPath(mode == CombineMode::Replace ? RegionMode::Copy : RegionMode::And);
}

void EmfGraphics::ResetClip() { canvas_.SelectClipRegion({}, RegionMode::Copy); }

void EmfGraphics::DrawImage(const Bitmap& bitmap, const RectF& dest, double opacity, Interpolation interpolation) {
  if (bitmap.Empty() || !FiniteRect(dest) || !(opacity > 0)) return;
  opacity = std::min(opacity, 1.0);
  const int32_t bw = bitmap.Width(), bh = bitmap.Height();
  Matrix toDevice(dest.width / bw, 0, 0, dest.height / bh, dest.x, dest.y);
  toDevice.Multiply(state_.transform, MatrixOrder::Append);
  if (!toDevice.IsInvertible()) return;
  const double scale = MajorAxis(toDevice.AsTransform());
  auto zero = [scale](double v) { return std::abs(v) <= scale * 1e-12; };
  const bool upright = zero(toDevice.m12) && zero(toDevice.m21);
  const bool turned = zero(toDevice.m11) && zero(toDevice.m22);

  const auto* current = canvas_.State().paint ? &*canvas_.State().paint : nullptr;
  SetPaint(current ? current->fillAlpha : 255, current ? current->strokeAlpha : 255,
           interpolation == Interpolation::Nearest, current ? current->dashOffset : 0);
  Bitmap reoriented;
  const Bitmap* drawn = &bitmap;
  Rect target{0, 0, bw, bh};
  if (upright || turned) {
    // Upright in device units times 16.
    Path area;
    area.AddRect({0, 0, double(bw), double(bh)});
    area.Transform(toDevice);
    const auto box = *area.Bounds();
    target = {SaturatedInt(std::round(box.x * kSubPixel)), SaturatedInt(std::round(box.y * kSubPixel)),
              SaturatedInt(std::round((box.x + box.width) * kSubPixel)),
              SaturatedInt(std::round((box.y + box.height) * kSubPixel))};
    if (target.right <= target.left || target.bottom <= target.top) return;
    if (turned || toDevice.m11 < 0 || toDevice.m22 < 0) {
      reoriented = Upright(bitmap, toDevice, turned);
      drawn = &reoriented;
    }
  } else {
    // Turned or skewed: drawn upright from a resampled copy, which every
    // reader places right (no reader needs to turn a bitmap).
    PointF origin;
    double density = 1;
    reoriented = Resampled(bitmap, toDevice, interpolation, origin, density);
    if (reoriented.Empty()) return;
    drawn = &reoriented;
    target = {SaturatedInt(std::round(origin.x * kSubPixel)), SaturatedInt(std::round(origin.y * kSubPixel)),
              SaturatedInt(std::round((origin.x + reoriented.Width() / density) * kSubPixel)),
              SaturatedInt(std::round((origin.y + reoriented.Height() / density) * kSubPixel))};
  }
  canvas_.SetWorldTransform(Transform::Scaling(1 / kSubPixel, 1 / kSubPixel));
  const bool alpha = drawn->Format() == PixelFormat::pf32bit && drawn->HasAlpha();
  const auto constant = uint8_t(std::lround(opacity * 255));
  if (alpha || constant < 255) {
    if (constant == 0) return;
    canvas_.AlphaBlend(target, *drawn, constant);
  } else {
    canvas_.StretchDib(target, {0, 0, drawn->Width(), drawn->Height()}, EncodeDib24(*drawn));
  }
}

}  // namespace vn::platform::gfx
