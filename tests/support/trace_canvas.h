// A canvas that writes down every call it gets, one line of text each, for
// tests of whatever draws on a canvas (players, pages, framework canvases).
//
//   TraceCanvas trace({"Rectangle", "SetBrush"});  // only these; {} for all
//   PlayMetafile(file, trace, {0, 0, 100, 100});
//   EXPECT_THAT(trace.Calls(), Contains("Rectangle 0,0 40,40"));
//
// Points are "x,y", rectangles "left,top right,bottom", colours "#RRGGBB".
// Selections and saves reach the base class too, so State() follows them.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/canvas/canvas.h"
#include "runtime/strings.h"

namespace vn::platform::testing {

class TraceCanvas : public Canvas {
 public:
  TraceCanvas() = default;
  explicit TraceCanvas(std::initializer_list<const char*> only) : only_(only.begin(), only.end()) {}

  const std::vector<std::string>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }

  static std::string Pt(Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
  static std::string Rc(Rect r) { return Pt({r.left, r.top}) + " " + Pt({r.right, r.bottom}); }
  static std::string Col(Color c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return text;
  }
  static std::string Pts(std::span<const Point> points) {
    std::string s;
    for (const Point& p : points) s += " " + Pt(p);
    return s;
  }

  void SetPen(const Pen& pen) override {
    static const char* const kStyle[] = {"Solid", "Dash", "Dot", "DashDot", "DashDotDot", "Clear", "InsideFrame", "User"};
    Log("SetPen", std::string(kStyle[size_t(pen.style)]) + " " + std::to_string(pen.width) + " " + Col(pen.color));
    Canvas::SetPen(pen);
  }
  void SetBrush(const Brush& brush) override {
    static const char* const kStyle[] = {"Solid", "Clear", "Hatch", "Pattern"};
    std::string s = kStyle[size_t(brush.style)];
    if (brush.style == BrushStyle::Pattern && brush.pattern)
      s += " " + std::to_string(brush.pattern->Width()) + "x" + std::to_string(brush.pattern->Height());
    else if (brush.style != BrushStyle::Clear)
      s += " " + Col(brush.color);
    Log("SetBrush", s);
    Canvas::SetBrush(brush);
  }
  void SetFont(const Font& font) override {
    Log("SetFont", ToUtf8(font.faceName) + " " + std::to_string(font.height) + " " + std::to_string(font.weight));
    Canvas::SetFont(font);
  }
  void SetTextColor(Color color) override {
    Log("SetTextColor", Col(color));
    Canvas::SetTextColor(color);
  }
  void SetBkColor(Color color) override {
    Log("SetBkColor", Col(color));
    Canvas::SetBkColor(color);
  }
  void SetBkMode(BkMode mode) override {
    Log("SetBkMode", mode == BkMode::Opaque ? "Opaque" : "Transparent");
    Canvas::SetBkMode(mode);
  }
  void SetTextAlign(uint32_t flags) override {
    Log("SetTextAlign", std::to_string(flags));
    Canvas::SetTextAlign(flags);
  }
  void SetPolyFillMode(FillMode mode) override {
    Log("SetPolyFillMode", mode == FillMode::Winding ? "Winding" : "Alternate");
    Canvas::SetPolyFillMode(mode);
  }
  void SetMiterLimit(float limit) override {
    Log("SetMiterLimit", Num(limit));
    Canvas::SetMiterLimit(limit);
  }
  void SetWorldTransform(const Transform& t) override {
    Log("SetWorldTransform", Num(t.m11) + " " + Num(t.m12) + " " + Num(t.m21) + " " + Num(t.m22) + " " + Num(t.dx) +
                                 " " + Num(t.dy));
    Canvas::SetWorldTransform(t);
  }

  void MoveTo(Point p) override { Log("MoveTo", Pt(p)); }
  void LineTo(Point p) override { Log("LineTo", Pt(p)); }
  void Polyline(std::span<const Point> points) override { Log("Polyline", Pts(points).substr(1)); }
  void PolylineTo(std::span<const Point> points) override { Log("PolylineTo", Pts(points).substr(1)); }
  void Polygon(std::span<const Point> points) override { Log("Polygon", Pts(points).substr(1)); }
  void PolyPolygon(std::span<const Point> points, std::span<const uint32_t> counts) override {
    Log("PolyPolygon", Counts(counts) + Pts(points));
  }
  void PolyPolyline(std::span<const Point> points, std::span<const uint32_t> counts) override {
    Log("PolyPolyline", Counts(counts) + Pts(points));
  }
  void PolyBezier(std::span<const Point> points) override { Log("PolyBezier", Pts(points).substr(1)); }
  void PolyBezierTo(std::span<const Point> points) override { Log("PolyBezierTo", Pts(points).substr(1)); }
  void Rectangle(Rect r) override { Log("Rectangle", Rc(r)); }
  void RoundRect(Rect r, Size corner) override {
    Log("RoundRect", Rc(r) + " " + std::to_string(corner.cx) + "x" + std::to_string(corner.cy));
  }
  void Ellipse(Rect r) override { Log("Ellipse", Rc(r)); }
  void Arc(ArcKind kind, Rect box, Point start, Point end) override {
    static const char* const kKind[] = {"Arc", "Chord", "Pie", "ArcTo"};
    Log(kKind[size_t(kind)], Rc(box) + " " + Pt(start) + " " + Pt(end));
  }

  void TextOut(Point p, std::u16string_view text, std::span<const int32_t> dx, uint32_t options,
               const Rect* rect) override {
    std::string s = Pt(p) + " \"" + ToUtf8(String(text)) + "\"";
    if (!dx.empty()) {
      s += " dx";
      for (int32_t d : dx) s += " " + std::to_string(d);
    }
    if (options) s += " options " + std::to_string(options);
    if (rect) s += " rect " + Rc(*rect);
    Log("TextOut", s);
  }

  void BeginPath() override { Log("BeginPath", ""); }
  void EndPath() override { Log("EndPath", ""); }
  void AbortPath() override { Log("AbortPath", ""); }
  void CloseFigure() override { Log("CloseFigure", ""); }
  void FillPath() override { Log("FillPath", ""); }
  void StrokePath() override { Log("StrokePath", ""); }
  void StrokeAndFillPath() override { Log("StrokeAndFillPath", ""); }
  void SelectClipPath(RegionMode mode) override { Log("SelectClipPath", Mode(mode)); }
  void IntersectClipRect(Rect r) override { Log("IntersectClipRect", Rc(r)); }
  void ExcludeClipRect(Rect r) override { Log("ExcludeClipRect", Rc(r)); }
  void SelectClipRegion(std::span<const Rect> rects, RegionMode mode) override {
    std::string s = Mode(mode);
    for (const Rect& r : rects) s += " " + Rc(r);
    Log("SelectClipRegion", s);
  }

  void StretchDib(Rect dest, Rect src, const DibData& dib, uint32_t rop) override {
    std::string s = Rc(dest) + " from " + Rc(src);
    if (auto info = ReadDibInfo(dib.info))
      s += " " + std::to_string(info->width) + "x" + std::to_string(info->height) + "x" + std::to_string(info->bitCount) +
           (info->compression == 4 ? " jpeg" : "");
    if (rop != kSrcCopy) {
      char text[16];
      std::snprintf(text, sizeof text, " rop %06X", rop);
      s += text;
    }
    Log("StretchDib", s);
  }
  void DrawBitmap(Rect dest, const Bitmap& pixels) override {
    Log("DrawBitmap", Rc(dest) + " " + std::to_string(pixels.Width()) + "x" + std::to_string(pixels.Height()));
  }
  void DrawJpeg(Rect dest, const std::string& jpeg, int32_t width, int32_t height) override {
    Log("DrawJpeg", Rc(dest) + " " + std::to_string(width) + "x" + std::to_string(height) + " " +
                        std::to_string(jpeg.size()) + " bytes");
  }

  int SaveDC() override {
    Log("SaveDC", "");
    return Canvas::SaveDC();
  }
  void RestoreDC(int which) override {
    Log("RestoreDC", std::to_string(which));
    Canvas::RestoreDC(which);
  }

 private:
  void Log(const char* name, const std::string& args) {
    if (!only_.empty() && !only_.count(name)) return;
    calls_.push_back(args.empty() ? std::string(name) : std::string(name) + " " + args);
  }
  static std::string Counts(std::span<const uint32_t> counts) {
    std::string s = "[";
    for (size_t i = 0; i < counts.size(); ++i) s += (i ? "," : "") + std::to_string(counts[i]);
    return s + "]";
  }
  static std::string Mode(RegionMode mode) {
    static const char* const kMode[] = {"And", "Or", "Xor", "Diff", "Copy"};
    return kMode[size_t(mode)];
  }
  static std::string Num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
  }

  std::set<std::string> only_;
  std::vector<std::string> calls_;
};

}  // namespace vn::platform::testing
