#include "platform/canvas/device_path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vn::platform {

namespace {

// Pieces one clip may cut curves into, and how often one curve is halved:
// past either, what is left of a curve becomes its chord.
constexpr int kMaxCurvePieces = 1 << 16;
constexpr int kMaxHalvings = 48;
// An arc never needs more curves than this, whatever its size.
constexpr int kMaxArcCurves = 1 << 12;

DevicePoint Mid(DevicePoint a, DevicePoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// The length of the segment a-b inside the box (Liang and Barsky).
double SegmentLengthWithin(DevicePoint a, DevicePoint b, const DeviceBox& box) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  double t0 = 0, t1 = 1;
  auto edge = [&](double p, double q) {  // keeps the part where p * t <= q
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
    return true;
  };
  if (!edge(-dx, a.x - box.left) || !edge(dx, box.right - a.x) || !edge(-dy, a.y - box.top) ||
      !edge(dy, box.bottom - a.y) || t1 <= t0)
    return 0;
  return std::hypot(dx, dy) * (t1 - t0);
}

// Walks the straight pieces of a path: its lines, the control polygons of
// its curves and the lines that close its figures.
template <typename F>
void ForEachSegment(const DevicePath& path, F&& f) {
  const auto points = path.Points();
  size_t at = 0;
  DevicePoint current, start;
  for (DevicePath::Op op : path.Ops()) {
    switch (op) {
      case DevicePath::Op::Move:
        current = start = points[at++];
        break;
      case DevicePath::Op::Line:
        f(current, points[at]);
        current = points[at++];
        break;
      case DevicePath::Op::Curve:
        for (int k = 0; k < 3; ++k) {
          f(current, points[at]);
          current = points[at++];
        }
        break;
      case DevicePath::Op::Close:
        f(current, start);
        current = start;
        break;
    }
  }
}

// A figure for clipping: lines and curves from a start point.
struct Piece {
  bool curve = false;
  DevicePoint c1, c2, p;
};
struct Figure {
  DevicePoint start;
  std::vector<Piece> pieces;
  bool closed = false;
};

class Clipper {
 public:
  Clipper(const DeviceBox& box, double tolerance) : box_(box), tolerance_(tolerance) {}

  // Curves become pieces that lie inside the box (kept as curves) or
  // lines (their chords where they lie outside, flat pieces where they
  // cross an edge).
  void AddCurve(DevicePoint p0, DevicePoint p1, DevicePoint p2, DevicePoint p3, int depth, std::vector<Piece>& out) {
    const DeviceBox hull{std::min({p0.x, p1.x, p2.x, p3.x}), std::min({p0.y, p1.y, p2.y, p3.y}),
                         std::max({p0.x, p1.x, p2.x, p3.x}), std::max({p0.y, p1.y, p2.y, p3.y})};
    if (box_.Contains(hull)) {
      out.push_back({true, p1, p2, p3});
      return;
    }
    if (!box_.Intersects(hull) || depth >= kMaxHalvings || piecesLeft_ <= 0 || Flat(p0, p1, p2, p3)) {
      out.push_back({false, {}, {}, p3});
      --piecesLeft_;
      return;
    }
    // De Casteljau halves.
    const DevicePoint a = Mid(p0, p1), b = Mid(p1, p2), c = Mid(p2, p3);
    const DevicePoint d = Mid(a, b), e = Mid(b, c), m = Mid(d, e);
    AddCurve(p0, a, d, m, depth + 1, out);
    AddCurve(m, e, c, p3, depth + 1, out);
  }

  // One side of the box at a time (Sutherland and Hodgman): the parts of
  // the figure beyond it are replaced by lines along it. Curves lie inside
  // the box here, so never beyond a side.
  Figure CutSide(const Figure& f, int side) const {
    auto inside = [&](DevicePoint q) {
      switch (side) {
        case 0: return q.x >= box_.left;
        case 1: return q.x <= box_.right;
        case 2: return q.y >= box_.top;
        default: return q.y <= box_.bottom;
      }
    };
    auto cross = [&](DevicePoint a, DevicePoint b) {
      DevicePoint q;
      if (side < 2) {
        const double x = side == 0 ? box_.left : box_.right;
        q = {x, a.y + (b.y - a.y) * ((x - a.x) / (b.x - a.x))};
      } else {
        const double y = side == 2 ? box_.top : box_.bottom;
        q = {a.x + (b.x - a.x) * ((y - a.y) / (b.y - a.y)), y};
      }
      return q;
    };
    Figure out;
    out.closed = f.closed;
    bool started = false;
    auto put = [&](const Piece& piece) {
      if (started) {
        out.pieces.push_back(piece);
      } else {
        out.start = piece.p;
        started = true;
      }
    };
    DevicePoint prev = f.start;
    if (inside(prev)) put({false, {}, {}, prev});
    for (const Piece& piece : f.pieces) {
      const bool a = inside(prev), b = inside(piece.p);
      if (piece.curve || (a && b)) {
        put(piece);
      } else if (a) {
        put({false, {}, {}, cross(prev, piece.p)});
      } else if (b) {
        put({false, {}, {}, cross(prev, piece.p)});
        put(piece);
      }
      prev = piece.p;
    }
    return out;
  }

 private:
  bool Flat(DevicePoint p0, DevicePoint p1, DevicePoint p2, DevicePoint p3) const {
    // The curve keeps within 3/4 of its inner points' distance from the chord.
    const double dx = p3.x - p0.x, dy = p3.y - p0.y, len = std::hypot(dx, dy);
    auto away = [&](DevicePoint q) {
      if (len == 0) return std::hypot(q.x - p0.x, q.y - p0.y);
      return std::abs((q.x - p0.x) * dy - (q.y - p0.y) * dx) / len;
    };
    return std::max(away(p1), away(p2)) * 0.75 <= tolerance_;
  }

  DeviceBox box_;
  double tolerance_;
  int piecesLeft_ = kMaxCurvePieces;
};

}  // namespace

void DevicePath::StartIfNeeded() {
  if (closed_) MoveTo(current_);
}

void DevicePath::MoveTo(DevicePoint p) {
  ops_.push_back(Op::Move);
  points_.push_back(p);
  current_ = start_ = p;
  hasCurrent_ = true;
  closed_ = false;
}

void DevicePath::LineTo(DevicePoint p) {
  if (!hasCurrent_) return MoveTo(p);
  StartIfNeeded();
  ops_.push_back(Op::Line);
  points_.push_back(p);
  current_ = p;
}

void DevicePath::CurveTo(DevicePoint c1, DevicePoint c2, DevicePoint p) {
  if (!hasCurrent_) MoveTo(c1);
  StartIfNeeded();
  ops_.push_back(Op::Curve);
  points_.insert(points_.end(), {c1, c2, p});
  current_ = p;
}

void DevicePath::Close() {
  if (!hasCurrent_ || closed_) return;
  ops_.push_back(Op::Close);
  current_ = start_;
  closed_ = true;
}

void DevicePath::Clear() { *this = DevicePath(); }

void DevicePath::Append(const DevicePath& other) {
  size_t at = 0;
  const auto points = other.Points();
  for (Op op : other.Ops()) {
    switch (op) {
      case Op::Move: MoveTo(points[at++]); break;
      case Op::Line: LineTo(points[at++]); break;
      case Op::Curve: CurveTo(points[at], points[at + 1], points[at + 2]), at += 3; break;
      case Op::Close: Close(); break;
    }
  }
}

std::optional<DeviceBox> DevicePath::Bounds() const {
  if (points_.empty()) return std::nullopt;
  DeviceBox b{points_[0].x, points_[0].y, points_[0].x, points_[0].y};
  for (const DevicePoint& p : points_) {
    b.left = std::min(b.left, p.x), b.right = std::max(b.right, p.x);
    b.top = std::min(b.top, p.y), b.bottom = std::max(b.bottom, p.y);
  }
  return b;
}

double DevicePath::Length() const {
  double length = 0;
  ForEachSegment(*this, [&](DevicePoint a, DevicePoint b) { length += std::hypot(b.x - a.x, b.y - a.y); });
  return length;
}

double DevicePath::LengthWithin(const DeviceBox& box) const {
  double length = 0;
  ForEachSegment(*this, [&](DevicePoint a, DevicePoint b) { length += SegmentLengthWithin(a, b, box); });
  return length;
}

double MajorAxis(const Transform& t) {
  const double s = t.m11 * t.m11 + t.m12 * t.m12 + t.m21 * t.m21 + t.m22 * t.m22;
  const double d = t.m11 * t.m22 - t.m12 * t.m21;
  return std::sqrt((s + std::sqrt(std::max(0.0, s * s - 4 * d * d))) / 2);
}

double MinorAxis(const Transform& t) {
  const double major = MajorAxis(t);
  return major > 0 ? std::abs(t.m11 * t.m22 - t.m12 * t.m21) / major : 0;
}

void AppendRect(DevicePath& path, const Transform& t, double l, double top, double w, double h) {
  path.MoveTo(ToDevice(t, l, top));
  path.LineTo(ToDevice(t, l + w, top));
  path.LineTo(ToDevice(t, l + w, top + h));
  path.LineTo(ToDevice(t, l, top + h));
  path.Close();
}

void AppendArc(DevicePath& path, const Transform& unitToDevice, double from, double to, bool connect,
               double tolerance) {
  const double sweep = to - from;
  if (!std::isfinite(sweep)) return;
  // A cubic through an arc of angle a strays from the unit circle by about
  // 2/27 * sin(a/4)^6 / cos(a/4)^2; the curves are made short enough that
  // this, scaled by the transform, stays within the tolerance, and never
  // longer than a quarter turn.
  const double major = MajorAxis(unitToDevice);
  double longest = std::numbers::pi / 2;
  if (major > tolerance) longest = std::min(longest, 4 * std::pow(13.5 * tolerance / major, 1.0 / 6));
  const int n = int(std::clamp(std::ceil(std::abs(sweep) / longest), 1.0, double(kMaxArcCurves)));
  auto at = [&](double a) {
    DevicePoint p;
    unitToDevice.Apply(std::cos(a), std::sin(a), p.x, p.y);
    return p;
  };
  auto control = [&](double a, double k) {
    DevicePoint p;
    unitToDevice.Apply(std::cos(a) - k * std::sin(a), std::sin(a) + k * std::cos(a), p.x, p.y);
    return p;
  };
  if (connect && path.HasCurrentPoint())
    path.LineTo(at(from));
  else
    path.MoveTo(at(from));
  const double step = sweep / n;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < n; ++i) {
    const double a = from + step * i, b = i + 1 == n ? to : from + step * (i + 1);
    path.CurveTo(control(a, k), control(b, -k), at(b));
  }
}

DevicePath ClipToBox(const DevicePath& path, const DeviceBox& box, bool closeFigures, double tolerance) {
  Clipper clipper(box, tolerance);
  std::vector<Figure> figures;
  const auto points = path.Points();
  size_t at = 0;
  DevicePoint current;
  for (DevicePath::Op op : path.Ops()) {
    switch (op) {
      case DevicePath::Op::Move:
        figures.push_back({points[at], {}, false});
        current = points[at++];
        break;
      case DevicePath::Op::Line:
        figures.back().pieces.push_back({false, {}, {}, points[at]});
        current = points[at++];
        break;
      case DevicePath::Op::Curve:
        clipper.AddCurve(current, points[at], points[at + 1], points[at + 2], 0, figures.back().pieces);
        current = points[at + 2];
        at += 3;
        break;
      case DevicePath::Op::Close:
        figures.back().closed = true;
        break;
    }
  }
  DevicePath out;
  for (Figure& f : figures) {
    f.closed = f.closed || closeFigures;
    for (int side = 0; side < 4 && !f.pieces.empty(); ++side) {
      // A closed figure's closing line is cut like its other lines.
      if (f.closed && !(f.pieces.back().p == f.start)) f.pieces.push_back({false, {}, {}, f.start});
      f = clipper.CutSide(f, side);
    }
    if (f.pieces.empty()) continue;
    out.MoveTo(f.start);
    for (const Piece& piece : f.pieces) {
      if (piece.curve)
        out.CurveTo(piece.c1, piece.c2, piece.p);
      else
        out.LineTo(piece.p);
    }
    if (f.closed) out.Close();
  }
  return out;
}

}  // namespace vn::platform
