// A canvas that records what is drawn as an enhanced metafile.
//
// The recording is plain GDI EMF (no EMF+), made only of records the
// metafile players read: objects are created when selected, kept while the
// current state or a saved state uses them and deleted afterwards, so the
// object table stays small; modes are written when they change. Bitmaps are
// kept as 24-bit DIBs composited onto white, JPEG data as BI_JPEG bitmaps,
// blended bitmaps (BlendBitmap, AlphaBlend) as ALPHABLEND records.
// Finish returns the metafile bytes; the canvas is spent afterwards.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include "platform/canvas/canvas.h"
#include "platform/emf/emf_writer.h"

namespace vn::platform {

class EmfRecorderCanvas : public Canvas {
 public:
  // A page of the given size in reference pixels (96 per inch).
  EmfRecorderCanvas(int32_t widthPixels, int32_t heightPixels);

  std::string Finish();

  void SetPen(const Pen& pen) override;
  void SetBrush(const Brush& brush) override;
  void SetFont(const Font& font) override;
  void SetTextColor(Color color) override;
  void SetBkColor(Color color) override;
  void SetBkMode(BkMode mode) override;
  void SetTextAlign(uint32_t flags) override;
  void SetPolyFillMode(FillMode mode) override;
  void SetMiterLimit(float limit) override;
  void SetWorldTransform(const Transform& t) override;
  // Writes the paint comment (emf/paint_comment.h) when it changes; none
  // cannot be written and only changes the state kept here.
  void SetPaint(const std::optional<emf::PaintComment>& paint) override;

  void MoveTo(Point p) override;
  void LineTo(Point p) override;
  void Polyline(std::span<const Point> points) override;
  void PolylineTo(std::span<const Point> points) override;
  void Polygon(std::span<const Point> points) override;
  void PolyPolygon(std::span<const Point> points, std::span<const uint32_t> counts) override;
  void PolyPolyline(std::span<const Point> points, std::span<const uint32_t> counts) override;
  void PolyBezier(std::span<const Point> points) override;
  void PolyBezierTo(std::span<const Point> points) override;
  void Rectangle(Rect r) override;
  void RoundRect(Rect r, Size corner) override;
  void Ellipse(Rect r) override;
  void Arc(ArcKind kind, Rect box, Point start, Point end) override;

  void TextOut(Point p, std::u16string_view text, std::span<const int32_t> dx, uint32_t options = 0,
               const Rect* rect = nullptr) override;

  void BeginPath() override;
  void EndPath() override;
  void AbortPath() override;
  void CloseFigure() override;
  void FillPath() override;
  void StrokePath() override;
  void StrokeAndFillPath() override;
  void SelectClipPath(RegionMode mode) override;

  void IntersectClipRect(Rect r) override;
  void ExcludeClipRect(Rect r) override;
  void SelectClipRegion(std::span<const Rect> rects, RegionMode mode) override;

  void StretchDib(Rect dest, Rect src, const DibData& dib, uint32_t rop = kSrcCopy) override;
  // The whole bitmap blended into dest as an ALPHABLEND record: its alpha
  // kept (when it has alpha) and every pixel's alpha times constantAlpha/255.
  void AlphaBlend(Rect dest, const Bitmap& pixels, uint8_t constantAlpha);
  void BlendBitmap(Rect dest, const Bitmap& pixels) override { AlphaBlend(dest, pixels, 255); }

  int SaveDC() override;
  void RestoreDC(int which) override;

 private:
  // The object-table slots of the selected pen, brush and font; 0: a stock
  // object. Saved and restored with the state.
  struct Handles {
    uint32_t pen = 0, brush = 0, font = 0;
  };

  void Retain(uint32_t handle);
  void Release(uint32_t handle);
  void Retain(const Handles& h) { Retain(h.pen), Retain(h.brush), Retain(h.font); }
  void Release(const Handles& h) { Release(h.pen), Release(h.brush), Release(h.font); }
  // Device-space bounds of logical points, widened by the pen; added to
  // the picture's bounds when `extend` and no path is being collected.
  emf::RectL DeviceBounds(std::span<const Point> points, bool withPen, bool extend = true);
  void WritePoly(uint32_t type32, uint32_t type16, std::span<const Point> points, bool withPen);
  void WritePolyPoly(uint32_t type32, uint32_t type16, std::span<const Point> points,
                     std::span<const uint32_t> counts);
  void WriteBoundsRecord(uint32_t type);
  // The inclusive device bounds of a bitmap drawn into dest (added to the
  // picture's bounds).
  emf::RectL ImageBounds(const Rect& dest);

  emf::EmfWriter writer_;
  Handles handles_;
  std::vector<Handles> savedHandles_;
  std::map<uint32_t, int> refs_;  // object handle -> states using it
  bool inPath_ = false;
  std::vector<Point> pathPoints_;  // for the bounds of path records
};

}  // namespace vn::platform
