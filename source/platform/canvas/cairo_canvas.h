// A canvas that paints onto pixels with cairo: the raster backend of page
// images and the viewer.
//
// It paints each call at once in the device's manner: shapes are filled
// with the brush and framed with the pen, a one-pixel pen covers whole
// pixels, hatch and pattern brushes tile from the device origin. The clip
// is an 8-bit mask in device pixels, so regions combine in every mode (and,
// or, xor, difference, copy).
//
// Shapes are built in device pixels first (device_path.h) and reach cairo
// only as far as they can affect the surface: a shape far larger than the
// surface is cut to a box around it, a pen far wider than the surface is
// narrowed, and dashes that would cost more than a bounded amount of work
// are drawn solid; so any page draws in time that grows with its records
// and pixels, never with the coordinates a file names.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/canvas/canvas.h"
#include "platform/canvas/device_path.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace vn::platform {

class CairoCanvas : public Canvas {
 public:
  // A new surface of the given size in pixels (each side 1 to 32767),
  // filled with `background` (0xAARRGGBB, opaque white by default).
  // EArgumentException when it would hold more than kMaxImagePixels.
  CairoCanvas(int32_t width, int32_t height, uint32_t background = 0xFFFFFFFF);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // 0xAARRGGBB of a device pixel (straight alpha); 0 outside.
  uint32_t PixelAt(int32_t x, int32_t y);
  // The surface as a 32-bit bitmap (HasAlpha when some pixel is not opaque).
  Bitmap Pixels();
  cairo_surface_t* Surface() { return surface_; }
  // Writes the picture as a PNG file; false when that fails.
  bool WritePng(const std::string& path);

  void TextOut(Point p, std::u16string_view text, std::span<const int32_t> dx, uint32_t options = 0,
               const Rect* rect = nullptr) override;

  void StretchDib(Rect dest, Rect src, const DibData& dib, uint32_t rop = kSrcCopy) override;
  void DrawBitmap(Rect dest, const Bitmap& pixels) override;
  void DrawJpeg(Rect dest, const std::string& jpeg, int32_t width, int32_t height) override;

 protected:
  void PaintShape(const DevicePath* fill, const DevicePath* stroke) override;
  void ClipArea(const DevicePath& area, FillMode rule, RegionMode mode) override;

 private:
  void FillShape(const DevicePath& path);
  void StrokeShape(const DevicePath& path);
  // Makes `path` (moved by `offset`) the current path of cr, cut to what
  // can affect the surface when paint reaches `reach` pixels beyond the
  // path; the length of what cr got goes to *length. False when nothing
  // can show.
  bool SetPath(cairo_t* cr, const DevicePath& path, double reach, bool closeFigures, DevicePoint offset = {},
               double* length = nullptr) const;
  void Recover();
  void SetSourceColor(Color c);
  void SetBrushSource();
  // Runs a painting step through the clip mask.
  template <typename F>
  void Clipped(F&& paint);
  void CombineClip(RegionMode mode, const std::function<void(cairo_t*)>& shape);
  void DrawPixels(const Rect& dest, const Rect& src, const Bitmap& px, uint32_t rop);

  int32_t width_, height_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace vn::platform
