// The fractional drawing interface that PDF pages draw through: matrices,
// paths of lines and cubic Béziers filled by the winding or the even-odd
// rule, clips by rectangle and by path, pens with joins, caps, miter limits
// and dashes, solid brushes with alpha, bitmaps with alpha, saved states and
// anti-aliasing.
//
// Graphics is the interface; CairoGraphics (cairo_graphics.h) paints onto
// pixels and EmfGraphics (emf_graphics.h) records a metafile that the
// metafile players draw again.
//
// Units. Every coordinate, length, pen width and dash given to a Graphics
// is in user units, mapped to device units by the current transform. A
// device unit is a pixel of the surface (cairo) or a reference pixel of
// the recorded page, 96 per inch (recorder); device y grows downwards.
//
// Ownership. Calls copy what they use: paths, pens, brushes and bitmaps
// stay the caller's and may change or go as soon as a call returns.
//
// Bad values. A call whose coordinates, sizes or transform are not finite,
// or whose transform does not map an area to an area (singular), draws
// nothing; a clip set under such a transform is empty. Nothing throws for
// geometry; every call keeps the Graphics usable.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/canvas/device_path.h"
#include "platform/geometry.h"
#include "platform/images/bitmap.h"

namespace vn::platform::gfx {

// A point of fractional coordinates.
using PointF = DevicePoint;

// A rectangle by its top-left corner and size; a negative width or height
// runs leftwards or upwards from (x, y).
struct RectF {
  double x = 0, y = 0, width = 0, height = 0;
  bool operator==(const RectF&) const = default;
};

// A colour with alpha: 0xAARRGGBB, straight (not premultiplied) alpha.
using Argb = uint32_t;

constexpr Argb MakeArgb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return Argb(a) << 24 | Argb(r) << 16 | Argb(g) << 8 | Argb(b);
}
constexpr uint8_t AlphaOf(Argb c) { return uint8_t(c >> 24); }

// Which side of a product a matrix goes: Prepend applies the given matrix
// before this one (to points in its own user space), Append after it.
enum class MatrixOrder : uint8_t { Prepend, Append };

// An affine transform of row vectors:
//   x' = x*m11 + y*m21 + dx,   y' = x*m12 + y*m22 + dy.
class Matrix {
 public:
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

  Matrix() = default;
  Matrix(double a, double b, double c, double d, double e, double f) : m11(a), m12(b), m21(c), m22(d), dx(e), dy(f) {}
  explicit Matrix(const Transform& t) : Matrix(t.m11, t.m12, t.m21, t.m22, t.dx, t.dy) {}
  bool operator==(const Matrix&) const = default;

  Transform AsTransform() const { return {m11, m12, m21, m22, dx, dy}; }
  bool IsIdentity() const { return *this == Matrix(); }
  // Finite entries and a non-zero determinant.
  bool IsInvertible() const;
  double Determinant() const { return m11 * m22 - m12 * m21; }

  // this = m x this (Prepend) or this x m (Append).
  void Multiply(const Matrix& m, MatrixOrder order = MatrixOrder::Prepend);
  void Translate(double tx, double ty, MatrixOrder order = MatrixOrder::Prepend);
  void Scale(double sx, double sy, MatrixOrder order = MatrixOrder::Prepend);
  // Degrees, clockwise on a y-down device (counter-clockwise in y-up terms).
  void Rotate(double degrees, MatrixOrder order = MatrixOrder::Prepend);
  // Inverts in place; false (and unchanged) when not invertible.
  bool Invert();

  PointF Apply(PointF p) const { return {p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy}; }
  // A distance vector: the linear part only.
  PointF ApplyVector(PointF v) const { return {v.x * m11 + v.y * m21, v.x * m12 + v.y * m22}; }
  void TransformPoints(std::span<PointF> points) const;
};

// Fill rule of a path: Alternate is even-odd, Winding is non-zero.
enum class FillMode : uint8_t { Alternate, Winding };

// Figures of lines and cubic Béziers, in user units, with the fill rule
// used when the path is filled or clipped to. A line or curve without a
// current point starts a figure at its first point; after Close the current
// point is the closed figure's start.
class Path {
 public:
  using Op = DevicePath::Op;  // Move, Line, Curve (3 points), Close

  explicit Path(FillMode mode = FillMode::Alternate) : mode_(mode) {}
  Path(DevicePath figures, FillMode mode) : figures_(std::move(figures)), mode_(mode) {}

  FillMode GetFillMode() const { return mode_; }
  void SetFillMode(FillMode mode) { mode_ = mode; }

  void MoveTo(PointF p) { figures_.MoveTo(p); }
  void LineTo(PointF p) { figures_.LineTo(p); }
  void CubicTo(PointF c1, PointF c2, PointF p) { figures_.CurveTo(c1, c2, p); }
  void Close() { figures_.Close(); }
  // A closed rectangle figure: (x, y), (x+w, y), (x+w, y+h), (x, y+h).
  void AddRect(const RectF& r);
  void Append(const Path& other) { figures_.Append(other.figures_); }
  void Clear() { figures_.Clear(); }

  bool Empty() const { return figures_.Empty(); }
  std::span<const Op> Ops() const { return figures_.Ops(); }
  std::span<const PointF> Points() const { return figures_.Points(); }
  const DevicePath& Figures() const { return figures_; }

  // The box of every point (control points included, so it holds the
  // path), after `m` when given; nothing for an empty path.
  std::optional<RectF> Bounds(const Matrix* m = nullptr) const;
  // Maps every point through m.
  void Transform(const Matrix& m);

 private:
  DevicePath figures_;
  FillMode mode_;
};

struct SolidBrush {
  Argb color = 0xFF000000;
};

// Ends of open figures and of dashes.
enum class LineCap : uint8_t { Flat, Square, Round };
enum class LineJoin : uint8_t { Miter, Bevel, Round };

struct Pen {
  Argb color = 0xFF000000;
  // User units; 0 or less draws the thinnest line the device shows (one
  // device pixel).
  double width = 1;
  LineJoin join = LineJoin::Miter;
  LineCap cap = LineCap::Flat;
  // The longest miter, as a ratio of miter length to pen width (at least 1);
  // a longer corner is bevelled.
  double miterLimit = 10;
  // On, off, on ... lengths in user units; empty (or all zero) is a solid
  // line. An odd count repeats the list once more so that its parts
  // alternate on and off.
  std::vector<double> dashes;
  // How far into the dash pattern each figure starts, user units.
  double dashOffset = 0;
  bool operator==(const Pen&) const = default;
};

// How a clip combines with the clip in force.
enum class CombineMode : uint8_t { Replace, Intersect };

// How a bitmap is resampled when drawn: Nearest keeps hard pixel edges,
// Smooth filters.
enum class Interpolation : uint8_t { Nearest, Smooth };

// How what is drawn combines with what is already there: Normal paints
// over it; the others mix each colour with the colour under it (the
// separable and non-separable blend modes of compositing).
enum class BlendMode : uint8_t {
  Normal, Multiply, Screen, Overlay, Darken, Lighten, ColorDodge, ColorBurn, HardLight, SoftLight, Difference,
  Exclusion, Hue, Saturation, Color, Luminosity
};

// The drawing interface. The state is the transform (identity at first),
// the clip (none at first: the whole surface) and the smoothing flag (on at
// first); Save pushes a copy of it and Restore brings back the last one
// pushed (a Restore without a Save changes nothing).
class Graphics {
 public:
  virtual ~Graphics() = default;

  virtual void Save() = 0;
  virtual void Restore() = 0;

  virtual Matrix GetTransform() const = 0;
  virtual void SetTransform(const Matrix& m) = 0;
  // The transform becomes m x transform (Prepend: m acts in the current
  // user space) or transform x m (Append: m acts on device units).
  void MultiplyTransform(const Matrix& m, MatrixOrder order = MatrixOrder::Prepend) {
    Matrix t = GetTransform();
    t.Multiply(m, order);
    SetTransform(t);
  }

  // The clip becomes the rectangle or the path (filled by its fill rule),
  // under the current transform, or its intersection with the clip in
  // force. ResetClip clips nothing.
  virtual void SetClip(const RectF& rect, CombineMode mode) = 0;
  virtual void SetClip(const Path& path, CombineMode mode) = 0;
  virtual void ResetClip() = 0;

  // The blend mode of what is drawn next (part of the saved state; Normal
  // at first). A backend that cannot blend draws every mode as Normal and
  // says so through CanBlend.
  virtual void SetBlendMode(BlendMode) {}
  virtual bool CanBlend() const { return false; }

  // Anti-aliased edges for fills, strokes and clips when on.
  virtual void SetSmoothing(bool on) = 0;
  virtual bool GetSmoothing() const = 0;

  virtual void FillRect(const SolidBrush& brush, const RectF& rect) = 0;
  // Closes every open figure and fills by the path's fill rule.
  virtual void FillPath(const SolidBrush& brush, const Path& path) = 0;
  // Strokes the figures with the pen (width, dashes and joins in user units,
  // so a transform that stretches also stretches the pen).
  virtual void DrawPath(const Pen& pen, const Path& path) = 0;

  // A bitmap whose top-left pixel corner lands on (dest.x, dest.y) and
  // bottom-right on (dest.x + width, dest.y + height), under the current
  // transform; a negative width or height mirrors it. 32-bit bitmaps keep
  // their alpha (when HasAlpha); other formats are drawn opaque. Opacity
  // (0 to 1) multiplies the alpha of every pixel.
  virtual void DrawImage(const Bitmap& bitmap, const RectF& dest, double opacity = 1.0,
                         Interpolation interpolation = Interpolation::Smooth) = 0;
};

}  // namespace vn::platform::gfx
