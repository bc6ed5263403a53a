// The window system's drawing surface: a device context with selected pen,
// brush and font, modes, a world transform, a clip and a stack of saved
// states, on which pages draw lines, shapes, paths, text and bitmaps.
//
// Canvas is the interface; EmfRecorderCanvas (emf_recorder.h) writes what
// is drawn as an enhanced metafile and CairoCanvas (cairo_canvas.h) paints
// it onto pixels. Coordinates are integers in logical units, mapped to the
// device by the world transform. Selected objects are copied: the caller
// keeps its own.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas/device_path.h"
#include "platform/emf/dib.h"
#include "platform/emf/paint_comment.h"
#include "platform/geometry.h"

namespace vn::platform {

// A colour as the window system gives it: 0x00BBGGRR.
using Color = uint32_t;

constexpr Color RGBColor(uint8_t r, uint8_t g, uint8_t b) { return Color(r) | Color(g) << 8 | Color(b) << 16; }

enum class PenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame, UserStyle };
enum class PenCap : uint8_t { Round, Square, Flat };
enum class PenJoin : uint8_t { Round, Bevel, Miter };

struct Pen {
  PenStyle style = PenStyle::Solid;
  int32_t width = 0;  // logical units; 0 draws one device pixel wide
  Color color = 0;
  PenCap cap = PenCap::Round;
  PenJoin join = PenJoin::Round;
  std::vector<uint32_t> dashes;  // UserStyle: on, off, on ... in logical units
  bool operator==(const Pen&) const = default;
};

enum class BrushStyle : uint8_t { Solid, Clear, Hatch, Pattern };
enum class HatchStyle : uint8_t { Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

struct Brush {
  BrushStyle style = BrushStyle::Solid;
  Color color = 0xFFFFFF;
  HatchStyle hatch = HatchStyle::Horizontal;
  std::shared_ptr<const Bitmap> pattern;  // Pattern: tiled from the origin
  bool operator==(const Brush&) const = default;
};

struct Font {
  std::u16string faceName = u"Arial";
  int32_t height = -16;  // logical units; negative: the em size, positive: the cell height
  int32_t width = 0;
  int32_t escapement = 0;  // tenths of a degree, counter-clockwise
  int32_t weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  uint8_t charSet = 1;  // DEFAULT_CHARSET
  bool operator==(const Font&) const = default;
};

enum class BkMode : uint8_t { Transparent, Opaque };
enum class FillMode : uint8_t { Alternate, Winding };
// Clip combination, in the order of the region mode numbers 1 to 5.
enum class RegionMode : uint8_t { And, Or, Xor, Diff, Copy };
enum class ArcKind : uint8_t { Arc, Chord, Pie, ArcTo };

// A backend's own form of the clip (the raster canvas keeps a mask), held in
// the canvas state so that saving and restoring carry it.
struct CanvasClip {
  virtual ~CanvasClip() = default;
};

// What a device context holds besides what it has drawn: the selected
// objects, the modes, the world transform, the current position and the
// clip.
struct CanvasState {
  Pen pen;
  Brush brush;
  Font font;
  Color textColor = 0;
  Color bkColor = 0xFFFFFF;
  BkMode bkMode = BkMode::Opaque;
  uint32_t textAlign = 0;  // TA_* bits
  FillMode fillMode = FillMode::Alternate;
  float miterLimit = 10;
  Transform transform;
  Point current;
  std::shared_ptr<const CanvasClip> clip;  // null: nothing is clipped
  // Set by a recording in fractional units (emf/paint_comment.h): the
  // alphas, smoothing and dash offset of what follows, drawn exactly.
  std::optional<emf::PaintComment> paint;
};

// The drawing interface. The base keeps the state and the stack of saved
// states, and lowers what a backend does not draw itself: every line,
// shape and path becomes figures in device units (device_path.h) that end
// in PaintShape, and every clip an area that ends in ClipArea. A backend
// overrides what it does natively: the raster canvas paints those two and
// draws text and bitmaps, the recorder writes every call down as it comes
// (and the selections too, calling the base for the state).
//
// The lowerings follow the device: shapes outside a path bracket are filled
// with the brush and framed with the pen (a rectangle's frame lies inside
// it, its right and bottom sides one unit in); inside BeginPath/EndPath
// they add figures to the path, which FillPath, StrokePath,
// StrokeAndFillPath or SelectClipPath then use once. Under a transform that
// cannot draw (not finite, not invertible, absurdly large) nothing is drawn.
class Canvas {
 public:
  virtual ~Canvas() = default;

  const CanvasState& State() const { return state_; }
  Transform WorldTransform() const { return state_.transform; }

  virtual void SetPen(const Pen& pen) { state_.pen = pen; }
  virtual void SetBrush(const Brush& brush) { state_.brush = brush; }
  virtual void SetFont(const Font& font) { state_.font = font; }
  virtual void SetTextColor(Color color) { state_.textColor = color; }
  virtual void SetBkColor(Color color) { state_.bkColor = color; }
  virtual void SetBkMode(BkMode mode) { state_.bkMode = mode; }
  virtual void SetTextAlign(uint32_t flags) { state_.textAlign = flags; }
  virtual void SetPolyFillMode(FillMode mode) { state_.fillMode = mode; }
  virtual void SetMiterLimit(float limit) { state_.miterLimit = limit; }
  virtual void SetWorldTransform(const Transform& t) { state_.transform = t; }
  // Paint of a fractional recording, or none: the device's own conventions.
  virtual void SetPaint(const std::optional<emf::PaintComment>& paint) { state_.paint = paint; }

  virtual void MoveTo(Point p);
  virtual void LineTo(Point p);
  virtual void Polyline(std::span<const Point> points);
  virtual void PolylineTo(std::span<const Point> points);
  virtual void Polygon(std::span<const Point> points);
  virtual void PolyPolygon(std::span<const Point> points, std::span<const uint32_t> counts);
  virtual void PolyPolyline(std::span<const Point> points, std::span<const uint32_t> counts);
  virtual void PolyBezier(std::span<const Point> points);    // 1 + 3n points
  virtual void PolyBezierTo(std::span<const Point> points);  // 3n points from the current position
  virtual void Rectangle(Rect r);
  virtual void RoundRect(Rect r, Size corner);
  virtual void Ellipse(Rect r);
  virtual void Arc(ArcKind kind, Rect box, Point start, Point end);

  // Text at p aligned by the text alignment; dx holds the advance of each
  // character (or is empty: the font's advances); options are ETO_* bits,
  // rect the opaque/clip rectangle they name.
  virtual void TextOut(Point p, std::u16string_view text, std::span<const int32_t> dx, uint32_t options = 0,
                       const Rect* rect = nullptr) = 0;
  // The advance of each character of text in the current font, logical
  // units, as the text measurer (text_measure.h) gives them.
  virtual std::vector<int32_t> CharAdvances(std::u16string_view text);
  // Width and cell height of text in the current font, logical units.
  virtual Size TextExtent(std::u16string_view text);

  virtual void BeginPath();
  virtual void EndPath();
  virtual void AbortPath();
  virtual void CloseFigure();
  virtual void FillPath();
  virtual void StrokePath();
  virtual void StrokeAndFillPath();
  virtual void SelectClipPath(RegionMode mode);

  virtual void IntersectClipRect(Rect r);
  virtual void ExcludeClipRect(Rect r);
  // Rectangles under the current world transform; Copy with none resets the clip.
  virtual void SelectClipRegion(std::span<const Rect> rects, RegionMode mode);

  // A DIB section stretched into dest (logical units) from src (bitmap
  // pixels, top-down) with a raster operation.
  virtual void StretchDib(Rect dest, Rect src, const DibData& dib, uint32_t rop = kSrcCopy) = 0;
  // A bitmap (its alpha kept) stretched into dest. The recorder composites
  // it onto white into a 24-bit bitmap; the default does that too.
  virtual void DrawBitmap(Rect dest, const Bitmap& pixels);
  // A bitmap blended over what lies under dest by its alpha, as a metafile's
  // ALPHABLEND record asks. The recorder keeps it as such a record, so that
  // a recording played into another keeps its transparency; the default
  // draws it as DrawBitmap.
  virtual void BlendBitmap(Rect dest, const Bitmap& pixels) { DrawBitmap(dest, pixels); }
  // JPEG data of a picture of the given size stretched into dest; the
  // recorder keeps the bytes (BI_JPEG).
  virtual void DrawJpeg(Rect dest, const std::string& jpeg, int32_t width, int32_t height);

  // Pushes a copy of the state; answers the new depth.
  virtual int SaveDC();
  // Brings back the state saved at level `which` (1 the first) or, when
  // negative, that many levels from the top, and drops it and the states
  // above; a level not held changes nothing.
  virtual void RestoreDC(int which);

 protected:
  // Where the lowerings end (both do nothing here): `fill` filled with the
  // brush by the fill mode, then `stroke` stroked with the pen, either may
  // be null; and the clip combined with `area` filled by `rule`.
  virtual void PaintShape(const DevicePath* /*fill*/, const DevicePath* /*stroke*/) {}
  virtual void ClipArea(const DevicePath& /*area*/, FillMode /*rule*/, RegionMode /*mode*/) {}

  // Whether a transform can draw: finite, not absurdly large, invertible.
  static bool Usable(const Transform& t);
  // Inside BeginPath/EndPath: the figures collected so far, device units.
  bool InPath() const { return inPath_; }
  DevicePath& OpenPath() { return shape_; }

  int SaveDepth() const { return int(saved_.size()); }
  // The level RestoreDC(which) goes back to, or 0 for none.
  int RestoreLevel(int which) const;

  CanvasState state_;

 private:
  enum Paint : unsigned { kFill = 1, kStroke = 2 };
  // Starts a shape: a new one unless a path bracket collects it.
  void Begin();
  // Paints the shape just built (or keeps it in the bracket).
  void Finish(unsigned paint);
  void Paint(const DevicePath& path, unsigned paint);
  void PaintEnded(unsigned paint);
  void AddPoly(std::span<const Point> points, bool close);
  void AddPolys(std::span<const Point> points, std::span<const uint32_t> counts, bool close);
  void AddCurves(std::span<const Point> points);
  void AddEllipse(double l, double t, double r, double b);
  // The arc's end in logical units; nothing when the box is flat.
  std::optional<DevicePoint> AddArc(const Rect& box, Point start, Point end, bool moveToStart);

  std::vector<CanvasState> saved_;
  bool inPath_ = false;
  DevicePath shape_;  // the shape being built, or the open path bracket
  DevicePath ended_;  // the ended path bracket
  bool hasEnded_ = false;
};

}  // namespace vn::platform
