// Graphics painted straight onto pixels with cairo: the raster backend of
// page images, the viewer and tests.
//
// Geometry goes to cairo in device pixels (cut to the surface when it
// reaches far beyond it, as the raster canvas does); pens keep their user
// units, so a transform that stretches stretches the pen. The clip and the
// smoothing flag live in cairo's own saved states.
#pragma once

#include <string>
#include <vector>

#include "platform/graphics/graphics.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace vn::platform::gfx {

class CairoGraphics : public Graphics {
 public:
  // A new surface of the given size in pixels (each side 1 to 32767),
  // filled with `background`. EArgumentException when it would hold more
  // than kMaxImagePixels.
  CairoGraphics(int32_t width, int32_t height, Argb background = 0xFFFFFFFF);
  // Draws onto an existing 32-bit image surface (a raster canvas's), which
  // it keeps a reference to; what is there stays.
  explicit CairoGraphics(cairo_surface_t* target);
  ~CairoGraphics() override;
  CairoGraphics(const CairoGraphics&) = delete;
  CairoGraphics& operator=(const CairoGraphics&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // The surface as a 32-bit bitmap, straight alpha (HasAlpha when some
  // pixel is not opaque).
  Bitmap Pixels();
  // Writes the picture as a PNG file; false when that fails.
  bool WritePng(const std::string& path);

  void Save() override;
  void Restore() override;
  Matrix GetTransform() const override { return state_.transform; }
  void SetTransform(const Matrix& m) override { state_.transform = m; }
  void SetClip(const RectF& rect, CombineMode mode) override;
  void SetClip(const Path& path, CombineMode mode) override;
  void ResetClip() override;
  void SetBlendMode(BlendMode mode) override;
  bool CanBlend() const override { return true; }
  // When on, fills, strokes and opaque bitmaps replace what lies under
  // them (their anti-aliased edges mixing with it) instead of being
  // composited over it, and blend modes are not applied: the objects of a
  // knockout group drawn on the group's own surface. Bitmaps with alpha
  // are still drawn over what is there. Set it before any Save.
  void SetReplacing(bool on);
  bool Replacing() const { return replacing_; }
  void SetSmoothing(bool on) override;
  bool GetSmoothing() const override { return state_.smoothing; }
  void FillRect(const SolidBrush& brush, const RectF& rect) override;
  void FillPath(const SolidBrush& brush, const Path& path) override;
  void DrawPath(const Pen& pen, const Path& path) override;
  void DrawImage(const Bitmap& bitmap, const RectF& dest, double opacity = 1.0,
                 Interpolation interpolation = Interpolation::Smooth) override;

 private:
  struct State {
    Matrix transform;
    bool smoothing = true;
  };
  // The path in device pixels under the current transform; false when the
  // transform cannot draw.
  bool ToDevice(const Path& path, DevicePath& out) const;
  void Fill(Argb color, const DevicePath& device, FillMode mode);
  void Clip(const DevicePath& device, FillMode mode, CombineMode combine);

  int32_t width_, height_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  State state_;
  std::vector<State> saved_;
  bool replacing_ = false;
};

}  // namespace vn::platform::gfx
