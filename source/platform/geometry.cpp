#include "platform/geometry.h"

#include <cmath>

namespace vn::platform {

Transform Transform::Then(const Transform& t) const {
  return {m11 * t.m11 + m12 * t.m21,
          m11 * t.m12 + m12 * t.m22,
          m21 * t.m11 + m22 * t.m21,
          m21 * t.m12 + m22 * t.m22,
          dx * t.m11 + dy * t.m21 + t.dx,
          dx * t.m12 + dy * t.m22 + t.dy};
}

std::optional<Transform> Transform::Inverted() const {
  const double det = m11 * m22 - m12 * m21;
  if (!std::isfinite(det) || std::abs(det) < 1e-12) return std::nullopt;
  Transform r{m22 / det, -m12 / det, -m21 / det, m11 / det, 0, 0};
  r.dx = -(dx * r.m11 + dy * r.m21);
  r.dy = -(dx * r.m12 + dy * r.m22);
  return r;
}

}  // namespace vn::platform
