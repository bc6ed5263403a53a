#include "platform/canvas/emf_recorder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/canvas/emf_objects.h"
#include "platform/canvas/text_measure.h"

namespace vn::platform {

using namespace emf;

namespace {

uint32_t EmfPenStyle(const Pen& pen) {
  static constexpr uint32_t kDash[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT,
                                       PS_NULL, PS_INSIDEFRAME, PS_USERSTYLE};
  static constexpr uint32_t kCap[] = {PS_ENDCAP_ROUND, PS_ENDCAP_SQUARE, PS_ENDCAP_FLAT};
  static constexpr uint32_t kJoin[] = {PS_JOIN_ROUND, PS_JOIN_BEVEL, PS_JOIN_MITER};
  uint32_t style = kDash[size_t(pen.style)] | kCap[size_t(pen.cap)] | kJoin[size_t(pen.join)];
  return style | (pen.width > 0 ? PS_GEOMETRIC : PS_COSMETIC);
}

bool Fits16(std::span<const Point> points) {
  return std::all_of(points.begin(), points.end(), [](const Point& p) {
    return p.x >= INT16_MIN && p.x <= INT16_MAX && p.y >= INT16_MIN && p.y <= INT16_MAX;
  });
}

int32_t ClampToInt(double v) { return SaturatedInt(std::floor(v)); }

std::vector<Point> Corners(Rect r) {
  return {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
}

}  // namespace

EmfRecorderCanvas::EmfRecorderCanvas(int32_t widthPixels, int32_t heightPixels)
    : writer_(widthPixels, heightPixels) {}

std::string EmfRecorderCanvas::Finish() {
  if (inPath_) AbortPath();
  while (SaveDepth() > 0) RestoreDC(-1);
  // Select stock objects before the last objects are deleted, as a device
  // context must never delete what it has selected.
  if (handles_.pen) writer_.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | BLACK_PEN);
  if (handles_.brush) writer_.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | WHITE_BRUSH);
  if (handles_.font) writer_.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | DEVICE_DEFAULT_FONT);
  Release(handles_);
  handles_ = {};
  return writer_.Finish();
}

void EmfRecorderCanvas::Retain(uint32_t handle) {
  if (handle) ++refs_[handle];
}

void EmfRecorderCanvas::Release(uint32_t handle) {
  if (!handle) return;
  auto it = refs_.find(handle);
  if (it == refs_.end() || --it->second > 0) return;
  refs_.erase(it);
  writer_.WriteU32(EMR_DELETEOBJECT, handle);
  writer_.FreeHandle(handle);
}

void EmfRecorderCanvas::SetPen(const Pen& pen) {
  if (pen == state_.pen) return;
  uint32_t handle = 0;
  if (pen.style == PenStyle::Clear) {
    writer_.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | NULL_PEN);
  } else {
    handle = writer_.AllocateHandle();
    EmrExtCreatePen rec;
    rec.ihPen = handle;
    rec.style = EmfPenStyle(pen);
    rec.width = uint32_t(std::max(pen.width, 1));
    rec.brushStyle = BS_SOLID;
    rec.color = pen.color & 0xFFFFFF;
    if (pen.style == PenStyle::UserStyle) rec.styleEntries = pen.dashes;
    RecordBuilder b;
    rec.Encode(b);
    writer_.Write(EMR_EXTCREATEPEN, b);
    writer_.WriteU32(EMR_SELECTOBJECT, handle);
    Retain(handle);
  }
  Release(handles_.pen);
  Canvas::SetPen(pen);
  handles_.pen = handle;
}

void EmfRecorderCanvas::SetBrush(const Brush& brush) {
  if (brush == state_.brush) return;
  uint32_t handle = 0;
  if (brush.style == BrushStyle::Clear || (brush.style == BrushStyle::Pattern && !brush.pattern)) {
    writer_.WriteU32(EMR_SELECTOBJECT, kStockObjectFlag | NULL_BRUSH);
  } else if (brush.style == BrushStyle::Pattern) {
    handle = writer_.AllocateHandle();
    EmrCreateDibBrush rec;
    rec.ihBrush = handle;
    rec.usage = DIB_RGB_COLORS;
    rec.dib = EncodeDib24(*brush.pattern);
    RecordBuilder b;
    rec.Encode(b);
    writer_.Write(EMR_CREATEDIBPATTERNBRUSHPT, b);
  } else {
    handle = writer_.AllocateHandle();
    EmrCreateBrush rec;
    rec.ihBrush = handle;
    rec.style = brush.style == BrushStyle::Hatch ? BS_HATCHED : BS_SOLID;
    rec.color = brush.color & 0xFFFFFF;
    rec.hatch = uint32_t(brush.hatch);
    RecordBuilder b;
    rec.Encode(b);
    writer_.Write(EMR_CREATEBRUSHINDIRECT, b);
  }
  if (handle) {
    writer_.WriteU32(EMR_SELECTOBJECT, handle);
    Retain(handle);
  }
  Release(handles_.brush);
  Canvas::SetBrush(brush);
  handles_.brush = handle;
}

void EmfRecorderCanvas::SetFont(const Font& font) {
  if (font == state_.font && handles_.font) return;
  uint32_t handle = writer_.AllocateHandle();
  EmrExtCreateFont rec;
  rec.ihFont = handle;
  rec.font = LogFontOf(font);
  RecordBuilder b;
  rec.Encode(b);
  writer_.Write(EMR_EXTCREATEFONTINDIRECTW, b);
  writer_.WriteU32(EMR_SELECTOBJECT, handle);
  Retain(handle);
  Release(handles_.font);
  Canvas::SetFont(font);
  handles_.font = handle;
}

void EmfRecorderCanvas::SetTextColor(Color color) {
  if (color == state_.textColor) return;
  Canvas::SetTextColor(color);
  writer_.WriteU32(EMR_SETTEXTCOLOR, color & 0xFFFFFF);
}
void EmfRecorderCanvas::SetBkColor(Color color) {
  if (color == state_.bkColor) return;
  Canvas::SetBkColor(color);
  writer_.WriteU32(EMR_SETBKCOLOR, color & 0xFFFFFF);
}
void EmfRecorderCanvas::SetBkMode(BkMode mode) {
  if (mode == state_.bkMode) return;
  Canvas::SetBkMode(mode);
  writer_.WriteU32(EMR_SETBKMODE, mode == BkMode::Transparent ? TRANSPARENT : OPAQUE);
}
void EmfRecorderCanvas::SetTextAlign(uint32_t flags) {
  if (flags == state_.textAlign) return;
  Canvas::SetTextAlign(flags);
  writer_.WriteU32(EMR_SETTEXTALIGN, flags);
}
void EmfRecorderCanvas::SetPolyFillMode(FillMode mode) {
  if (mode == state_.fillMode) return;
  Canvas::SetPolyFillMode(mode);
  writer_.WriteU32(EMR_SETPOLYFILLMODE, mode == FillMode::Alternate ? ALTERNATE : WINDING);
}
void EmfRecorderCanvas::SetMiterLimit(float limit) {
  if (limit == state_.miterLimit) return;
  Canvas::SetMiterLimit(limit);
  RecordBuilder b;
  b.F32(limit);
  writer_.Write(EMR_SETMITERLIMIT, b);
}
void EmfRecorderCanvas::SetWorldTransform(const Transform& t) {
  if (t == state_.transform) return;
  Canvas::SetWorldTransform(t);
  writer_.WriteXForm(EMR_SETWORLDTRANSFORM, XFormOf(t));
}

void EmfRecorderCanvas::SetPaint(const std::optional<PaintComment>& paint) {
  if (state_.paint == paint) return;
  Canvas::SetPaint(paint);
  if (!paint) return;
  const std::string data = paint->Encode();
  RecordBuilder b;
  b.U32(uint32_t(data.size()));
  b.Bytes(data);
  b.PadTo4();
  writer_.Write(EMR_GDICOMMENT, b);
}

RectL EmfRecorderCanvas::DeviceBounds(std::span<const Point> points, bool withPen, bool extend) {
  double minX = std::numeric_limits<double>::max(), minY = minX;
  double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
  for (const Point& p : points) {
    double x, y;
    state_.transform.Apply(p.x, p.y, x, y);
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  if (points.empty()) return {0, 0, -1, -1};
  double grow = 0;
  if (withPen && state_.pen.style != PenStyle::Clear) {
    const Transform& t = state_.transform;
    const double scale = std::sqrt(std::abs(t.m11 * t.m22 - t.m12 * t.m21));
    grow = std::max(1.0, state_.pen.width * scale / 2);
  }
  RectL r{ClampToInt(minX - grow), ClampToInt(minY - grow), ClampToInt(std::ceil(maxX + grow)),
          ClampToInt(std::ceil(maxY + grow))};
  if (extend && !inPath_) writer_.ExtendBounds(r);
  return r;
}

void EmfRecorderCanvas::WritePoly(uint32_t type32, uint32_t type16, std::span<const Point> points, bool withPen) {
  if (points.empty()) return;
  if (inPath_) pathPoints_.insert(pathPoints_.end(), points.begin(), points.end());
  EmrPoly rec;
  std::vector<Point> all(points.begin(), points.end());
  if (type32 == EMR_POLYLINETO || type32 == EMR_POLYBEZIERTO) all.push_back(state_.current);
  rec.bounds = DeviceBounds(all, withPen);
  rec.points.assign(points.begin(), points.end());
  const bool as16 = Fits16(points);
  RecordBuilder b;
  rec.Encode(b, as16);
  writer_.Write(as16 ? type16 : type32, b);
}

void EmfRecorderCanvas::WritePolyPoly(uint32_t type32, uint32_t type16, std::span<const Point> points,
                                      std::span<const uint32_t> counts) {
  uint64_t total = 0;
  for (uint32_t c : counts) total += c;
  if (counts.empty() || total != points.size()) return;
  if (inPath_) pathPoints_.insert(pathPoints_.end(), points.begin(), points.end());
  EmrPolyPoly rec;
  rec.bounds = DeviceBounds(points, true);
  rec.counts.assign(counts.begin(), counts.end());
  rec.points.assign(points.begin(), points.end());
  const bool as16 = Fits16(points);
  RecordBuilder b;
  rec.Encode(b, as16);
  writer_.Write(as16 ? type16 : type32, b);
}

void EmfRecorderCanvas::MoveTo(Point p) {
  state_.current = p;
  if (inPath_) pathPoints_.push_back(p);
  writer_.WritePoint(EMR_MOVETOEX, p);
}
void EmfRecorderCanvas::LineTo(Point p) {
  Point both[2] = {state_.current, p};
  DeviceBounds(both, true);
  if (inPath_) pathPoints_.push_back(p);
  state_.current = p;
  writer_.WritePoint(EMR_LINETO, p);
}
void EmfRecorderCanvas::Polyline(std::span<const Point> points) { WritePoly(EMR_POLYLINE, EMR_POLYLINE16, points, true); }
void EmfRecorderCanvas::PolylineTo(std::span<const Point> points) {
  WritePoly(EMR_POLYLINETO, EMR_POLYLINETO16, points, true);
  if (!points.empty()) state_.current = points.back();
}
void EmfRecorderCanvas::Polygon(std::span<const Point> points) { WritePoly(EMR_POLYGON, EMR_POLYGON16, points, true); }
void EmfRecorderCanvas::PolyPolygon(std::span<const Point> points, std::span<const uint32_t> counts) {
  WritePolyPoly(EMR_POLYPOLYGON, EMR_POLYPOLYGON16, points, counts);
}
void EmfRecorderCanvas::PolyPolyline(std::span<const Point> points, std::span<const uint32_t> counts) {
  WritePolyPoly(EMR_POLYPOLYLINE, EMR_POLYPOLYLINE16, points, counts);
}
void EmfRecorderCanvas::PolyBezier(std::span<const Point> points) {
  if (points.size() < 4 || (points.size() - 1) % 3) return;
  WritePoly(EMR_POLYBEZIER, EMR_POLYBEZIER16, points, true);
}
void EmfRecorderCanvas::PolyBezierTo(std::span<const Point> points) {
  if (points.empty() || points.size() % 3) return;
  WritePoly(EMR_POLYBEZIERTO, EMR_POLYBEZIERTO16, points, true);
  state_.current = points.back();
}

void EmfRecorderCanvas::Rectangle(Rect r) {
  auto c = Corners(r);
  DeviceBounds(c, true);
  if (inPath_) pathPoints_.insert(pathPoints_.end(), c.begin(), c.end());
  writer_.WriteRect(EMR_RECTANGLE, r);
}
void EmfRecorderCanvas::RoundRect(Rect r, Size corner) {
  auto c = Corners(r);
  DeviceBounds(c, true);
  if (inPath_) pathPoints_.insert(pathPoints_.end(), c.begin(), c.end());
  RecordBuilder b;
  b.Rect(r);
  b.Size(corner);
  writer_.Write(EMR_ROUNDRECT, b);
}
void EmfRecorderCanvas::Ellipse(Rect r) {
  auto c = Corners(r);
  DeviceBounds(c, true);
  if (inPath_) pathPoints_.insert(pathPoints_.end(), c.begin(), c.end());
  writer_.WriteRect(EMR_ELLIPSE, r);
}
void EmfRecorderCanvas::Arc(ArcKind kind, Rect box, Point start, Point end) {
  auto c = Corners(box);
  DeviceBounds(c, true);
  if (inPath_) pathPoints_.insert(pathPoints_.end(), c.begin(), c.end());
  static constexpr uint32_t kType[] = {EMR_ARC, EMR_CHORD, EMR_PIE, EMR_ARCTO};
  RecordBuilder b;
  b.Rect(box);
  b.Point(start);
  b.Point(end);
  writer_.Write(kType[size_t(kind)], b);
}

void EmfRecorderCanvas::TextOut(Point p, std::u16string_view text, std::span<const int32_t> dx, uint32_t options,
                                const Rect* rect) {
  EmrExtTextOut rec;
  rec.graphicsMode = state_.transform.IsIdentity() ? GM_COMPATIBLE : GM_ADVANCED;
  rec.reference = p;
  rec.options = options & ~ETO_PDY;
  rec.text = std::u16string(text);
  if (rect) rec.rect = *rect;
  if (dx.size() >= text.size())
    rec.dx.assign(dx.begin(), dx.begin() + text.size());
  else
    rec.dx = RoundedAdvances(state_.font, text);
  int64_t width = 0;
  for (int32_t d : rec.dx) width += std::abs(int64_t(d));
  FontMetrics m = GetTextMeasurer().Metrics(state_.font);
  const int32_t h = SaturatedInt(std::ceil(m.ascent + m.descent));
  std::vector<Point> box = Corners({SaturatedAdd(p.x, -width), SaturatedAdd(p.y, -h), SaturatedAdd(p.x, width), SaturatedAdd(p.y, h)});
  if (rect && (options & ETO_OPAQUE)) {
    auto c = Corners(*rect);
    box.insert(box.end(), c.begin(), c.end());
  }
  rec.bounds = DeviceBounds(box, false);
  RecordBuilder b;
  rec.Encode(b);
  writer_.Write(EMR_EXTTEXTOUTW, b);
}

void EmfRecorderCanvas::BeginPath() {
  inPath_ = true;
  pathPoints_.clear();
  writer_.Write(EMR_BEGINPATH);
}
void EmfRecorderCanvas::EndPath() {
  inPath_ = false;
  writer_.Write(EMR_ENDPATH);
}
void EmfRecorderCanvas::AbortPath() {
  inPath_ = false;
  pathPoints_.clear();
  writer_.Write(EMR_ABORTPATH);
}
void EmfRecorderCanvas::CloseFigure() { writer_.Write(EMR_CLOSEFIGURE); }

void EmfRecorderCanvas::WriteBoundsRecord(uint32_t type) {
  inPath_ = false;
  RectL bounds = DeviceBounds(pathPoints_, type != EMR_FILLPATH);
  pathPoints_.clear();
  writer_.WriteRect(type, bounds);
}
void EmfRecorderCanvas::FillPath() { WriteBoundsRecord(EMR_FILLPATH); }
void EmfRecorderCanvas::StrokePath() { WriteBoundsRecord(EMR_STROKEPATH); }
void EmfRecorderCanvas::StrokeAndFillPath() { WriteBoundsRecord(EMR_STROKEANDFILLPATH); }
void EmfRecorderCanvas::SelectClipPath(RegionMode mode) {
  inPath_ = false;
  pathPoints_.clear();
  writer_.WriteU32(EMR_SELECTCLIPPATH, uint32_t(mode) + 1);
}

void EmfRecorderCanvas::IntersectClipRect(Rect r) { writer_.WriteRect(EMR_INTERSECTCLIPRECT, r); }
void EmfRecorderCanvas::ExcludeClipRect(Rect r) { writer_.WriteRect(EMR_EXCLUDECLIPRECT, r); }

void EmfRecorderCanvas::SelectClipRegion(std::span<const Rect> rects, RegionMode mode) {
  // Regions are kept in device units: the rectangles go through the world
  // transform (their bounding boxes, exact for axis-aligned transforms).
  EmrExtSelectClipRgn rec;
  rec.mode = uint32_t(mode) + 1;
  for (const Rect& r : rects) {
    auto c = Corners(r);
    RectL d = DeviceBounds(c, false, false);
    if (d.right > d.left && d.bottom > d.top) rec.rects.push_back(d);
  }
  if (rects.size() && rec.rects.empty()) rec.rects.push_back({0, 0, 0, 0});
  RecordBuilder b;
  rec.Encode(b);
  writer_.Write(EMR_EXTSELECTCLIPRGN, b);
}

RectL EmfRecorderCanvas::ImageBounds(const Rect& dest) {
  auto c = Corners(dest);
  RectL d = DeviceBounds(c, false);
  return {d.left, d.top, std::max(d.left, SaturatedAdd(d.right, -1)), std::max(d.top, SaturatedAdd(d.bottom, -1))};
}

void EmfRecorderCanvas::StretchDib(Rect dest, Rect src, const DibData& dib, uint32_t rop) {
  auto info = ReadDibInfo(dib.info);
  if (!info || dib.bits.empty()) return;
  EmrStretchDIBits rec;
  rec.bounds = ImageBounds(dest);
  rec.xDest = dest.left;
  rec.yDest = dest.top;
  rec.cxDest = SaturatedInt(RectWidth(dest));
  rec.cyDest = SaturatedInt(RectHeight(dest));
  rec.xSrc = src.left;
  rec.cxSrc = SaturatedInt(RectWidth(src));
  rec.cySrc = SaturatedInt(RectHeight(src));
  // A bottom-up bitmap counts source rows from its last row.
  rec.ySrc = info->height > 0 ? SaturatedAdd(info->height, -int64_t(src.bottom)) : src.top;
  rec.usage = DIB_RGB_COLORS;
  rec.rop = rop;
  // The bits go into the metafile once, not into a record first.
  writer_.WriteInPlace(EMR_STRETCHDIBITS, [&](RecordBuilder& b) { rec.Encode(b, dib); });
}

void EmfRecorderCanvas::AlphaBlend(Rect dest, const Bitmap& pixels, uint8_t constantAlpha) {
  if (pixels.Empty()) return;
  EmrBlt rec;
  rec.bounds = ImageBounds(dest);
  rec.xDest = dest.left;
  rec.yDest = dest.top;
  rec.cxDest = SaturatedInt(RectWidth(dest));
  rec.cyDest = SaturatedInt(RectHeight(dest));
  rec.cxSrc = pixels.Width();
  rec.cySrc = pixels.Height();
  const bool alpha = pixels.Format() == PixelFormat::pf32bit && pixels.HasAlpha();
  // BLENDFUNCTION: AC_SRC_OVER, no flags, the constant alpha, AC_SRC_ALPHA.
  rec.rop = uint32_t(constantAlpha) << 16 | (alpha ? 1u << 24 : 0u);
  rec.dib = EncodeDib32Premultiplied(pixels);
  RecordBuilder b;
  rec.EncodeStretched(b);
  writer_.Write(EMR_ALPHABLEND, b);
}

int EmfRecorderCanvas::SaveDC() {
  savedHandles_.push_back(handles_);
  Retain(handles_);
  writer_.Write(EMR_SAVEDC);
  return Canvas::SaveDC();
}

void EmfRecorderCanvas::RestoreDC(int which) {
  const int level = RestoreLevel(which);
  if (!level) return;
  RecordBuilder b;
  b.I32(which < 0 ? which : level - SaveDepth() - 1);
  writer_.Write(EMR_RESTOREDC, b);
  // The restored state's objects are selected again; the replaced state
  // and the states above the restored one give up theirs.
  std::vector<Handles> dropped(savedHandles_.begin() + level, savedHandles_.end());
  dropped.push_back(handles_);
  handles_ = savedHandles_[size_t(level - 1)];
  savedHandles_.resize(size_t(level - 1));
  for (const Handles& h : dropped) Release(h);
  Canvas::RestoreDC(which);
}

}  // namespace vn::platform
