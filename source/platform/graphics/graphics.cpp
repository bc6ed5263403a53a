#include "platform/graphics/graphics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vn::platform::gfx {

namespace {

// a x b: a's mapping first, then b's.
Matrix Product(const Matrix& a, const Matrix& b) {
  return {a.m11 * b.m11 + a.m12 * b.m21,
          a.m11 * b.m12 + a.m12 * b.m22,
          a.m21 * b.m11 + a.m22 * b.m21,
          a.m21 * b.m12 + a.m22 * b.m22,
          a.dx * b.m11 + a.dy * b.m21 + b.dx,
          a.dx * b.m12 + a.dy * b.m22 + b.dy};
}

}  // namespace

bool Matrix::IsInvertible() const {
  for (double v : {m11, m12, m21, m22, dx, dy})
    if (!std::isfinite(v)) return false;
  const double det = Determinant();
  return std::isfinite(det) && det != 0;
}

void Matrix::Multiply(const Matrix& m, MatrixOrder order) {
  *this = order == MatrixOrder::Prepend ? Product(m, *this) : Product(*this, m);
}

void Matrix::Translate(double tx, double ty, MatrixOrder order) { Multiply({1, 0, 0, 1, tx, ty}, order); }

void Matrix::Scale(double sx, double sy, MatrixOrder order) { Multiply({sx, 0, 0, sy, 0, 0}, order); }

void Matrix::Rotate(double degrees, MatrixOrder order) {
  // Quarter turns exactly, so that rotated pages keep whole coordinates.
  double c, s;
  const double q = degrees / 90;
  if (q == std::floor(q) && std::isfinite(q)) {
    static constexpr double kCos[] = {1, 0, -1, 0}, kSin[] = {0, 1, 0, -1};
    const auto i = size_t(((int64_t(std::fmod(q, 4)) % 4) + 4) % 4);
    c = kCos[i], s = kSin[i];
  } else {
    const double r = degrees * std::numbers::pi / 180;
    c = std::cos(r), s = std::sin(r);
  }
  Multiply({c, s, -s, c, 0, 0}, order);
}

bool Matrix::Invert() {
  if (!IsInvertible()) return false;
  const double det = Determinant();
  const Matrix inv(m22 / det, -m12 / det, -m21 / det, m11 / det, (m21 * dy - m22 * dx) / det,
                   (m12 * dx - m11 * dy) / det);
  for (double v : {inv.m11, inv.m12, inv.m21, inv.m22, inv.dx, inv.dy})
    if (!std::isfinite(v)) return false;
  *this = inv;
  return true;
}

void Matrix::TransformPoints(std::span<PointF> points) const {
  for (PointF& p : points) p = Apply(p);
}

void Path::AddRect(const RectF& r) {
  figures_.MoveTo({r.x, r.y});
  figures_.LineTo({r.x + r.width, r.y});
  figures_.LineTo({r.x + r.width, r.y + r.height});
  figures_.LineTo({r.x, r.y + r.height});
  figures_.Close();
}

std::optional<RectF> Path::Bounds(const Matrix* m) const {
  if (Empty()) return std::nullopt;
  double l = INFINITY, t = INFINITY, r = -INFINITY, b = -INFINITY;
  for (PointF p : Points()) {
    if (m) p = m->Apply(p);
    l = std::min(l, p.x), r = std::max(r, p.x);
    t = std::min(t, p.y), b = std::max(b, p.y);
  }
  return RectF{l, t, r - l, b - t};
}

void Path::Transform(const Matrix& m) {
  DevicePath mapped;
  auto points = Points();
  size_t i = 0;
  for (Op op : Ops()) {
    switch (op) {
      case Op::Move: mapped.MoveTo(m.Apply(points[i++])); break;
      case Op::Line: mapped.LineTo(m.Apply(points[i++])); break;
      case Op::Curve:
        mapped.CurveTo(m.Apply(points[i]), m.Apply(points[i + 1]), m.Apply(points[i + 2]));
        i += 3;
        break;
      case Op::Close: mapped.Close(); break;
    }
  }
  figures_ = std::move(mapped);
}

}  // namespace vn::platform::gfx
