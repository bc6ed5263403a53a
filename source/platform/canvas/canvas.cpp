#include "platform/canvas/canvas.h"

#include <numbers>

#include "platform/canvas/emf_objects.h"
#include "platform/canvas/text_measure.h"

namespace vn::platform {

emf::LogFontW LogFontOf(const Font& font) {
  emf::LogFontW lf;
  lf.height = font.height;
  lf.width = font.width;
  lf.escapement = font.escapement;
  lf.orientation = font.escapement;
  lf.weight = font.weight;
  lf.italic = font.italic;
  lf.underline = font.underline;
  lf.strikeOut = font.strikeOut;
  lf.charSet = font.charSet;
  lf.quality = 5;  // CLEARTYPE_QUALITY
  lf.faceName = font.faceName.substr(0, 31);
  return lf;
}

Font FontOf(const emf::LogFontW& lf) {
  Font f;
  f.faceName = lf.faceName;
  f.height = lf.height;
  f.width = lf.width;
  f.escapement = lf.escapement;
  f.weight = lf.weight;
  f.italic = lf.italic != 0;
  f.underline = lf.underline != 0;
  f.strikeOut = lf.strikeOut != 0;
  f.charSet = lf.charSet;
  return f;
}

std::vector<int32_t> Canvas::CharAdvances(std::u16string_view text) { return RoundedAdvances(state_.font, text); }

Size Canvas::TextExtent(std::u16string_view text) { return MeasureText(state_.font, text); }

bool Canvas::Usable(const Transform& t) {
  for (double v : {t.m11, t.m12, t.m21, t.m22, t.dx, t.dy})
    if (!std::isfinite(v) || std::abs(v) > 1e9) return false;
  return t.Inverted().has_value();
}

void Canvas::Begin() {
  if (!inPath_) shape_.Clear();
}

void Canvas::Finish(unsigned paint) {
  if (inPath_) return;
  Paint(shape_, paint);
  shape_.Clear();
}

void Canvas::Paint(const DevicePath& path, unsigned paint) {
  PaintShape(paint & kFill ? &path : nullptr, paint & kStroke ? &path : nullptr);
}

void Canvas::AddPoly(std::span<const Point> points, bool close) {
  if (points.empty()) return;
  const Transform& t = state_.transform;
  shape_.MoveTo(ToDevice(t, points[0].x, points[0].y));
  for (size_t i = 1; i < points.size(); ++i) shape_.LineTo(ToDevice(t, points[i].x, points[i].y));
  if (close) shape_.Close();
}

// Figures of counts[i] points each, as long as the points last.
void Canvas::AddPolys(std::span<const Point> points, std::span<const uint32_t> counts, bool close) {
  size_t at = 0;
  for (uint32_t c : counts) {
    if (c > points.size() - at) break;
    AddPoly(points.subspan(at, c), close);
    at += c;
  }
}

// Cubic pieces of three points each from the current point.
void Canvas::AddCurves(std::span<const Point> points) {
  const Transform& t = state_.transform;
  for (size_t i = 0; i + 2 < points.size(); i += 3)
    shape_.CurveTo(ToDevice(t, points[i].x, points[i].y), ToDevice(t, points[i + 1].x, points[i + 1].y),
                   ToDevice(t, points[i + 2].x, points[i + 2].y));
}

void Canvas::AddEllipse(double l, double t, double r, double b) {
  const double rx = (r - l) / 2, ry = (b - t) / 2;
  if (rx == 0 || ry == 0) return;
  const Transform unit = Transform{rx, 0, 0, ry, l + rx, t + ry}.Then(state_.transform);
  AppendArc(shape_, unit, 0, 2 * std::numbers::pi, false, kCurveTolerance);
  shape_.Close();
}

std::optional<DevicePoint> Canvas::AddArc(const Rect& box, Point start, Point end, bool moveToStart) {
  const double rx = RectWidth(box) / 2.0, ry = RectHeight(box) / 2.0;
  const double cx = box.left + rx, cy = box.top + ry;
  if (rx == 0 || ry == 0) return std::nullopt;
  const double a1 = std::atan2((start.y - cy) / ry, (start.x - cx) / rx);
  double a2 = std::atan2((end.y - cy) / ry, (end.x - cx) / rx);
  // Arcs run counter-clockwise on the page, i.e. towards smaller angles
  // when y points down; equal angles make a whole turn.
  if (a2 == a1)
    a2 = a1 - 2 * std::numbers::pi;
  else if (a2 > a1)
    a2 -= 2 * std::numbers::pi;
  AppendArc(shape_, Transform{rx, 0, 0, ry, cx, cy}.Then(state_.transform), a1, a2, !moveToStart, kCurveTolerance);
  return DevicePoint{cx + rx * std::cos(a2), cy + ry * std::sin(a2)};
}

void Canvas::MoveTo(Point p) {
  state_.current = p;
  if (inPath_ && Usable(state_.transform)) shape_.MoveTo(ToDevice(state_.transform, p.x, p.y));
}

void Canvas::LineTo(Point p) {
  Point pts[2] = {state_.current, p};
  state_.current = p;
  if (!Usable(state_.transform)) return;
  Begin();
  if (inPath_) {
    if (!shape_.HasCurrentPoint()) shape_.MoveTo(ToDevice(state_.transform, pts[0].x, pts[0].y));
    shape_.LineTo(ToDevice(state_.transform, p.x, p.y));
    return;
  }
  AddPoly(pts, false);
  Finish(kStroke);
}

void Canvas::Polyline(std::span<const Point> points) {
  if (!Usable(state_.transform) || points.size() < 2) return;
  Begin();
  AddPoly(points, false);
  Finish(kStroke);
}

void Canvas::PolylineTo(std::span<const Point> points) {
  if (points.empty()) return;
  std::vector<Point> all{state_.current};
  all.insert(all.end(), points.begin(), points.end());
  state_.current = points.back();
  if (!Usable(state_.transform)) return;
  Begin();
  if (inPath_) {
    const Transform& t = state_.transform;
    if (!shape_.HasCurrentPoint()) shape_.MoveTo(ToDevice(t, all[0].x, all[0].y));
    for (size_t i = 1; i < all.size(); ++i) shape_.LineTo(ToDevice(t, all[i].x, all[i].y));
  } else {
    AddPoly(all, false);
  }
  Finish(kStroke);
}

void Canvas::Polygon(std::span<const Point> points) {
  if (!Usable(state_.transform) || points.size() < 2) return;
  Begin();
  AddPoly(points, true);
  Finish(kFill | kStroke);
}

void Canvas::PolyPolygon(std::span<const Point> points, std::span<const uint32_t> counts) {
  if (!Usable(state_.transform)) return;
  Begin();
  AddPolys(points, counts, true);
  Finish(kFill | kStroke);
}

void Canvas::PolyPolyline(std::span<const Point> points, std::span<const uint32_t> counts) {
  if (!Usable(state_.transform)) return;
  Begin();
  AddPolys(points, counts, false);
  Finish(kStroke);
}

void Canvas::PolyBezier(std::span<const Point> points) {
  if (!Usable(state_.transform) || points.size() < 4) return;
  Begin();
  shape_.MoveTo(ToDevice(state_.transform, points[0].x, points[0].y));
  AddCurves(points.subspan(1));
  Finish(kStroke);
}

void Canvas::PolyBezierTo(std::span<const Point> points) {
  if (points.size() < 3) return;
  const Point from = state_.current;
  state_.current = points[points.size() / 3 * 3 - 1];
  if (!Usable(state_.transform)) return;
  Begin();
  if (!inPath_ || !shape_.HasCurrentPoint()) shape_.MoveTo(ToDevice(state_.transform, from.x, from.y));
  AddCurves(points);
  Finish(kStroke);
}

void Canvas::Rectangle(Rect r) {
  if (!Usable(state_.transform)) return;
  Begin();
  AppendRect(shape_, state_.transform, r.left, r.top, RectWidth(r), RectHeight(r));
  if (inPath_) return;
  // The frame lies inside the rectangle: its right and bottom sides are
  // one unit in, as the device draws them.
  DevicePath frame;
  AppendRect(frame, state_.transform, r.left, r.top, RectWidth(r) - 1, RectHeight(r) - 1);
  PaintShape(&shape_, &frame);
  shape_.Clear();
}

void Canvas::RoundRect(Rect r, Size corner) {
  if (!Usable(state_.transform)) return;
  Begin();
  const double w = std::min(std::abs(double(corner.cx)) / 2.0, std::abs(RectWidth(r)) / 2.0);
  const double h = std::min(std::abs(double(corner.cy)) / 2.0, std::abs(RectHeight(r)) / 2.0);
  const double l = std::min(r.left, r.right), t = std::min(r.top, r.bottom);
  const double rr = std::max(r.left, r.right), b = std::max(r.top, r.bottom);
  if (w <= 0 || h <= 0) {
    AppendRect(shape_, state_.transform, l, t, rr - l, b - t);
  } else {
    auto corner_arc = [&](double cx, double cy, double a1, double a2, bool first) {
      AppendArc(shape_, Transform{w, 0, 0, h, cx, cy}.Then(state_.transform), a1, a2, !first, kCurveTolerance);
    };
    const double pi = std::numbers::pi;
    corner_arc(rr - w, t + h, -pi / 2, 0, true);
    corner_arc(rr - w, b - h, 0, pi / 2, false);
    corner_arc(l + w, b - h, pi / 2, pi, false);
    corner_arc(l + w, t + h, pi, 3 * pi / 2, false);
    shape_.Close();
  }
  Finish(kFill | kStroke);
}

void Canvas::Ellipse(Rect r) {
  if (!Usable(state_.transform)) return;
  Begin();
  AddEllipse(r.left, r.top, r.right, r.bottom);
  Finish(kFill | kStroke);
}

void Canvas::Arc(ArcKind kind, Rect box, Point start, Point end) {
  if (!Usable(state_.transform)) return;
  Begin();
  const double cx = (double(box.left) + box.right) / 2.0, cy = (double(box.top) + box.bottom) / 2.0;
  switch (kind) {
    case ArcKind::Arc:
      AddArc(box, start, end, true);
      Finish(kStroke);
      break;
    case ArcKind::ArcTo: {
      if (!inPath_ || !shape_.HasCurrentPoint())
        shape_.MoveTo(ToDevice(state_.transform, state_.current.x, state_.current.y));
      if (auto e = AddArc(box, start, end, false))
        state_.current = {SaturatedInt(std::round(e->x)), SaturatedInt(std::round(e->y))};
      Finish(kStroke);
      break;
    }
    case ArcKind::Chord:
      AddArc(box, start, end, true);
      shape_.Close();
      Finish(kFill | kStroke);
      break;
    case ArcKind::Pie:
      shape_.MoveTo(ToDevice(state_.transform, cx, cy));
      AddArc(box, start, end, false);
      shape_.Close();
      Finish(kFill | kStroke);
      break;
  }
}

void Canvas::BeginPath() {
  inPath_ = true;
  shape_.Clear();
  ended_.Clear();
  hasEnded_ = false;
}

void Canvas::EndPath() {
  if (!inPath_) return;
  inPath_ = false;
  ended_ = std::move(shape_);
  hasEnded_ = true;
  shape_.Clear();
}

void Canvas::AbortPath() {
  inPath_ = false;
  shape_.Clear();
  ended_.Clear();
  hasEnded_ = false;
}

void Canvas::CloseFigure() {
  if (inPath_) shape_.Close();
}

// The ended path is painted once and is gone afterwards.
void Canvas::PaintEnded(unsigned paint) {
  if (!hasEnded_) return;
  if (!(paint & kStroke) || Usable(state_.transform)) Paint(ended_, paint);
  ended_.Clear();
  hasEnded_ = false;
}

void Canvas::FillPath() { PaintEnded(kFill); }
void Canvas::StrokePath() { PaintEnded(kStroke); }
void Canvas::StrokeAndFillPath() { PaintEnded(kFill | kStroke); }

void Canvas::SelectClipPath(RegionMode mode) {
  if (inPath_) EndPath();
  if (!hasEnded_) return;
  ClipArea(ended_, state_.fillMode, mode);
  ended_.Clear();
  hasEnded_ = false;
}

void Canvas::IntersectClipRect(Rect r) { SelectClipRegion(std::span(&r, 1), RegionMode::And); }

void Canvas::ExcludeClipRect(Rect r) { SelectClipRegion(std::span(&r, 1), RegionMode::Diff); }

void Canvas::SelectClipRegion(std::span<const Rect> rects, RegionMode mode) {
  if (rects.empty()) {
    if (mode == RegionMode::Copy) state_.clip.reset();
    return;
  }
  if (!Usable(state_.transform)) return;
  DevicePath region;
  for (const Rect& r : rects) AppendRect(region, state_.transform, r.left, r.top, RectWidth(r), RectHeight(r));
  ClipArea(region, FillMode::Winding, mode);
}

int Canvas::SaveDC() {
  saved_.push_back(state_);
  return SaveDepth();
}

int Canvas::RestoreLevel(int which) const {
  const int level = which < 0 ? SaveDepth() + which + 1 : which;
  return level >= 1 && level <= SaveDepth() ? level : 0;
}

void Canvas::RestoreDC(int which) {
  const int level = RestoreLevel(which);
  if (!level) return;
  state_ = std::move(saved_[size_t(level - 1)]);
  saved_.resize(size_t(level - 1));
}

void Canvas::DrawBitmap(Rect dest, const Bitmap& pixels) {
  if (pixels.Empty()) return;
  StretchDib(dest, {0, 0, pixels.Width(), pixels.Height()}, EncodeDib24(pixels), kSrcCopy);
}

void Canvas::DrawJpeg(Rect dest, const std::string& jpeg, int32_t width, int32_t height) {
  if (jpeg.empty() || width <= 0 || height <= 0) return;
  StretchDib(dest, {0, 0, width, height}, MakeJpegDib(jpeg, width, height), kSrcCopy);
}

}  // namespace vn::platform
