#include "platform/canvas/metafile_player.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <variant>

#include "platform/canvas/emf_objects.h"
#include "platform/emf/paint_comment.h"
#include "platform/emf/stock_objects.h"
#include "runtime/codepages.h"

namespace vn::platform {

using namespace emf;

namespace {

// The object table of a metafile never needs more slots than this.
constexpr uint32_t kMaxObjects = 65535;
// Saved device-context states kept at once. Each costs the player and the
// canvas a copy of the state, so an endless run of EMR_SAVEDC would cost
// memory many times the file's size; saves past this depth are skipped.
constexpr int kMaxSaveDepth = 4096;

using Object = std::variant<std::monostate, Pen, Brush, Font>;

Pen PenFromStyle(uint32_t style, int32_t width, Color color, bool cosmetic) {
  Pen p;
  static constexpr PenStyle kStyle[] = {PenStyle::Solid, PenStyle::Dash,  PenStyle::Dot,
                                        PenStyle::DashDot, PenStyle::DashDotDot, PenStyle::Clear,
                                        PenStyle::InsideFrame, PenStyle::UserStyle, PenStyle::Dot};
  const uint32_t s = style & PS_STYLE_MASK;
  p.style = s < 9 ? kStyle[s] : PenStyle::Solid;
  p.width = cosmetic ? 0 : std::max(0, width);
  p.color = color & 0xFFFFFF;
  switch (style & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE: p.cap = PenCap::Square; break;
    case PS_ENDCAP_FLAT: p.cap = PenCap::Flat; break;
    default: p.cap = PenCap::Round;
  }
  switch (style & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL: p.join = PenJoin::Bevel; break;
    case PS_JOIN_MITER: p.join = PenJoin::Miter; break;
    default: p.join = PenJoin::Round;
  }
  return p;
}

Brush SolidBrush(Color c) {
  Brush b;
  b.color = c;
  return b;
}

Brush StockBrush(const StockObjectInfo& stock) {
  Brush b = SolidBrush(stock.color);
  if (stock.empty) b.style = BrushStyle::Clear;
  return b;
}

class Player {
 public:
  Player(const EmfFile& file, Canvas& canvas, Transform placement, Diagnostics* diagnostics)
      : file_(file), diagnostics_(diagnostics), canvas_(canvas), base_(canvas.WorldTransform()), placement_(placement) {
    const EmrHeader& h = file.Header();
    if (h.szlDevice.cx > 0 && h.szlMillimeters.cx > 0) pxPerMmX_ = double(h.szlDevice.cx) / h.szlMillimeters.cx;
    if (h.szlDevice.cy > 0 && h.szlMillimeters.cy > 0) pxPerMmY_ = double(h.szlDevice.cy) / h.szlMillimeters.cy;
    objects_.resize(std::min<uint32_t>(std::max<uint32_t>(h.nHandles, 1), kMaxObjects));
  }

  void Run() {
    canvas_.SaveDC();
    canvas_.SetPen(Pen{});
    canvas_.SetBrush(Brush{});
    canvas_.SetFont(Font{});
    canvas_.SetTextColor(0);
    canvas_.SetBkColor(0xFFFFFF);
    canvas_.SetBkMode(BkMode::Opaque);
    canvas_.SetTextAlign(0);
    canvas_.SetPolyFillMode(FillMode::Alternate);
    canvas_.SetMiterLimit(10);
    canvas_.SetPaint(std::nullopt);
    UpdateTransform();
    // A metafile of EMF+ records alone draws nothing here: say so.
    const auto& recs = file_.Records();
    if (file_.HasEmfPlus() && std::all_of(recs.begin(), recs.end(), [](const Record& r) {
          return r.type == EMR_HEADER || r.type == EMR_GDICOMMENT || r.type == EMR_EOF;
        }))
      ReportRecord(diagnostics_, recs.front(), "EMF+ records are not drawn");
    for (const Record& rec : file_.Records()) {
      if (rec.type == EMR_EOF) break;
      if (!Play(rec)) ReportRecord(diagnostics_, rec, "damaged record skipped");
    }
    while (depth_ > 0) {
      canvas_.RestoreDC(-1);
      --depth_;
    }
    canvas_.RestoreDC(-1);
  }

 private:
  struct DcState {
    uint32_t mapMode = MM_TEXT;
    PointL windowOrg, viewportOrg;
    SizeL windowExt{1, 1}, viewportExt{1, 1};
    Transform world;
    Pen pen;
    Brush brush;
    Font font;
    uint32_t textAlign = 0;
    PointL current;
  };

  // The metafile's page-to-device mapping.
  Transform Mapping() const {
    const DcState& s = dc_;
    double sx = 1, sy = 1;
    switch (s.mapMode) {
      case MM_LOMETRIC: sx = pxPerMmX_ * 0.1, sy = -pxPerMmY_ * 0.1; break;
      case MM_HIMETRIC: sx = pxPerMmX_ * 0.01, sy = -pxPerMmY_ * 0.01; break;
      case MM_LOENGLISH: sx = pxPerMmX_ * 0.254, sy = -pxPerMmY_ * 0.254; break;
      case MM_HIENGLISH: sx = pxPerMmX_ * 0.0254, sy = -pxPerMmY_ * 0.0254; break;
      case MM_TWIPS: sx = pxPerMmX_ * 25.4 / 1440, sy = -pxPerMmY_ * 25.4 / 1440; break;
      case MM_ISOTROPIC:
      case MM_ANISOTROPIC:
        sx = double(s.viewportExt.cx) / s.windowExt.cx;
        sy = double(s.viewportExt.cy) / s.windowExt.cy;
        if (s.mapMode == MM_ISOTROPIC) {
          const double m = std::min(std::abs(sx), std::abs(sy));
          sx = std::copysign(m, sx), sy = std::copysign(m, sy);
        }
        break;
      default: break;
    }
    return Transform::Translation(-double(s.windowOrg.x), -double(s.windowOrg.y))
        .Then(Transform::Scaling(sx, sy))
        .Then(Transform::Translation(s.viewportOrg.x, s.viewportOrg.y));
  }
  Transform DeviceToCanvas() const { return placement_.Then(base_); }
  Transform Full() const { return dc_.world.Then(Mapping()).Then(DeviceToCanvas()); }
  void UpdateTransform() { canvas_.SetWorldTransform(Full()); }

  void Select(uint32_t index) {
    if (index & kStockObjectFlag) {
      const StockObjectInfo stock = StockObject(index & ~kStockObjectFlag);
      switch (stock.kind) {
        case StockObjectInfo::Kind::Brush: SetBrush(StockBrush(stock)); break;
        case StockObjectInfo::Kind::Pen:
          SetPen(PenFromStyle(stock.empty ? PS_NULL : PS_SOLID, 0, stock.color, true));
          break;
        case StockObjectInfo::Kind::Font: SetFont(Font{}); break;
        default: break;
      }
      return;
    }
    if (index >= objects_.size()) return;
    const Object& o = objects_[index];
    if (auto* p = std::get_if<Pen>(&o)) SetPen(*p);
    if (auto* b = std::get_if<Brush>(&o)) SetBrush(*b);
    if (auto* f = std::get_if<Font>(&o)) SetFont(*f);
  }
  void SetPen(const Pen& p) {
    dc_.pen = p;
    canvas_.SetPen(p);
  }
  void SetBrush(const Brush& b) {
    dc_.brush = b;
    canvas_.SetBrush(b);
  }
  void SetFont(const Font& f) {
    dc_.font = f;
    canvas_.SetFont(f);
  }
  // Index 0 is the metafile itself; indices past the cap are ignored.
  void Store(uint32_t index, Object o) {
    if (index == 0 || index >= kMaxObjects) return;
    if (index >= objects_.size()) objects_.resize(index + 1);
    objects_[index] = std::move(o);
  }

  template <typename T>
  static std::optional<T> Get(const Record& rec) {
    return T::Decode(rec.Payload());
  }

  // Rectangles in the metafile's device units.
  void WithDeviceTransform(const std::function<void()>& f) {
    canvas_.SetWorldTransform(DeviceToCanvas());
    f();
    UpdateTransform();
  }

  void PaintRegion(const std::vector<RectL>& rects, const Brush& brush) {
    WithDeviceTransform([&] {
      canvas_.SetBrush(brush);
      canvas_.SetPen(PenFromStyle(PS_NULL, 0, 0, true));
      for (const RectL& r : rects) canvas_.Rectangle(r);
      canvas_.SetPen(dc_.pen);
      canvas_.SetBrush(dc_.brush);
    });
  }

  void Text(PointL ref, const std::u16string& text, std::vector<int32_t> dx, uint32_t options, const RectL* rect) {
    if (options & ETO_GLYPH_INDEX) return;  // glyph numbers of a font we do not have
    if (options & ETO_PDY) {
      std::vector<int32_t> x;
      for (size_t i = 0; i < dx.size(); i += 2) x.push_back(dx[i]);
      dx = std::move(x);
    }
    // Text stands upright even when the mapping turns the y axis over.
    const Transform map = dc_.world.Then(Mapping());
    const bool flipped = map.m22 < 0 && std::abs(map.m21) < 1e-9;
    if (rect && (options & ETO_OPAQUE)) {
      Brush bk = SolidBrush(bkColor_);
      canvas_.SetBrush(bk);
      canvas_.SetPen(PenFromStyle(PS_NULL, 0, 0, true));
      canvas_.Rectangle(*rect);
      canvas_.SetPen(dc_.pen);
      canvas_.SetBrush(dc_.brush);
    }
    const bool clipped = rect && (options & ETO_CLIPPED);
    if (clipped) {
      canvas_.SaveDC();
      canvas_.IntersectClipRect(*rect);
    }
    if (flipped) {
      canvas_.SetWorldTransform(Transform::Translation(-double(ref.x), -double(ref.y))
                                    .Then(Transform::Scaling(1, -1))
                                    .Then(Transform::Translation(ref.x, ref.y))
                                    .Then(Full()));
    }
    canvas_.TextOut(ref, text, dx, options & ~(ETO_OPAQUE | ETO_CLIPPED | ETO_PDY), nullptr);
    if (flipped) UpdateTransform();
    if (clipped) canvas_.RestoreDC(-1);
  }

  // Source rectangle of a DIB, top-down, from the record's bottom-up origin.
  static Rect SourceRect(const DibData& dib, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    auto info = ReadDibInfo(dib.info);
    if (info && info->height > 0 && info->compression != BI_JPEG && info->compression != BI_PNG) {
      const int32_t top = SaturatedAdd(int64_t(info->height) - y, -int64_t(cy));
      return {x, top, SaturatedAdd(x, cx), SaturatedAdd(top, cy)};
    }
    return {x, y, SaturatedAdd(x, cx), SaturatedAdd(y, cy)};
  }

  void Blit(const EmrBlt& b, uint32_t type) {
    const Rect dest{b.xDest, b.yDest, SaturatedAdd(b.xDest, b.cxDest), SaturatedAdd(b.yDest, b.cyDest)};
    if (b.dib.empty()) {
      // No bitmap: only the raster operations that need no source paint,
      // by the operation's index (pattern, black, white, inverted pattern).
      if (type != EMR_BITBLT && type != EMR_STRETCHBLT) return;
      Brush brush = dc_.brush;
      switch ((b.rop >> 16) & 0xFF) {
        case 0xF0: break;
        case 0x00: brush = SolidBrush(0); break;
        case 0xFF: brush = SolidBrush(0xFFFFFF); break;
        case 0x0F:
          if (brush.style != BrushStyle::Solid) return;
          brush.color = ~brush.color & 0xFFFFFF;
          break;
        default: return;
      }
      canvas_.SetBrush(brush);
      canvas_.SetPen(PenFromStyle(PS_NULL, 0, 0, true));
      canvas_.Rectangle(dest);
      canvas_.SetPen(dc_.pen);
      canvas_.SetBrush(dc_.brush);
      return;
    }
    const Rect src = SourceRect(b.dib, b.xSrc, b.ySrc, b.cxSrc, b.cySrc);
    if (type == EMR_ALPHABLEND || type == EMR_TRANSPARENTBLT) {
      auto px = DecodeDib(b.dib, type == EMR_ALPHABLEND, diagnostics_);
      if (!px) return;
      Bitmap part = Crop(*px, src);
      if (part.Empty()) return;
      part.SetHasAlpha(true);
      uint8_t* bits = part.MutableBits();
      for (size_t i = 0; i < part.Stride() * size_t(part.Height()); i += 4) {
        uint8_t* p = bits + i;
        if (type == EMR_TRANSPARENTBLT) {
          const Color c = Color(p[2]) | Color(p[1]) << 8 | Color(p[0]) << 16;
          if (c == (b.rop & 0xFFFFFF)) p[3] = 0;
          continue;
        }
        const uint32_t constant = (b.rop >> 16) & 0xFF;
        const bool perPixel = (b.rop >> 24) & 1;  // AC_SRC_ALPHA: premultiplied alpha
        const uint32_t a = perPixel ? p[3] : 255;
        for (int c = 0; c < 3; ++c) p[c] = uint8_t(a ? std::min<uint32_t>(255, p[c] * 255 / a) : 0);
        p[3] = uint8_t(a * constant / 255);
      }
      canvas_.BlendBitmap(dest, part);
      return;
    }
    canvas_.StretchDib(dest, src, b.dib, b.rop);
  }

  // The part r of a bitmap as 32 bits a pixel (alpha 255 where it has none).
  static Bitmap Crop(const Bitmap& bitmap, Rect r) {
    r.left = std::clamp(r.left, 0, bitmap.Width()), r.right = std::clamp(r.right, 0, bitmap.Width());
    r.top = std::clamp(r.top, 0, bitmap.Height()), r.bottom = std::clamp(r.bottom, 0, bitmap.Height());
    if (r.right <= r.left || r.bottom <= r.top) return {};
    Bitmap px = bitmap.Format() == PixelFormat::pf32bit ? bitmap : bitmap.ConvertTo(PixelFormat::pf32bit);
    if (!px.HasAlpha())
      for (int32_t y = 0; y < px.Height(); ++y)
        for (int32_t x = 0; x < px.Width(); ++x) px.MutableRow(y)[size_t(x) * 4 + 3] = 255;
    if (r.left == 0 && r.top == 0 && r.right == px.Width() && r.bottom == px.Height()) return px;
    Bitmap out(r.right - r.left, r.bottom - r.top, PixelFormat::pf32bit);
    out.SetHasAlpha(px.HasAlpha());
    for (int32_t y = r.top; y < r.bottom; ++y)
      std::copy_n(px.Row(y).data() + size_t(r.left) * 4, size_t(out.Width()) * 4, out.MutableRow(y - r.top).data());
    return out;
  }

  void Gradient(const EmrGradientFill& g) {
    canvas_.SetPen(PenFromStyle(PS_NULL, 0, 0, true));
    const size_t per = g.mode == 2 ? 3 : 2;
    for (size_t i = 0; i + per <= g.indices.size(); i += per) {
      bool ok = true;
      for (size_t k = 0; k < per; ++k) ok = ok && g.indices[i + k] < g.vertices.size();
      if (!ok) continue;
      if (g.mode == 2) {
        const TriVertex* v[3] = {&g.vertices[g.indices[i]], &g.vertices[g.indices[i + 1]], &g.vertices[g.indices[i + 2]]};
        auto mean = [](uint16_t p, uint16_t q, uint16_t r) { return static_cast<uint8_t>((p / 3 + q / 3 + r / 3) >> 8); };
        canvas_.SetBrush(SolidBrush(RGBColor(mean(v[0]->red, v[1]->red, v[2]->red),
                                             mean(v[0]->green, v[1]->green, v[2]->green),
                                             mean(v[0]->blue, v[1]->blue, v[2]->blue))));
        Point pts[3] = {{v[0]->x, v[0]->y}, {v[1]->x, v[1]->y}, {v[2]->x, v[2]->y}};
        canvas_.Polygon(pts);
        continue;
      }
      const TriVertex& a = g.vertices[g.indices[i]];
      const TriVertex& b = g.vertices[g.indices[i + 1]];
      // Bands of interpolated colour across the rectangle.
      const int64_t span = g.mode == 0 ? int64_t(b.x) - a.x : int64_t(b.y) - a.y;
      const int steps = int(std::clamp<int64_t>(std::abs(span), 1, 64));
      const double extent = static_cast<double>(span);
      for (int s = 0; s < steps; ++s) {
        const double t0 = double(s) / steps, t1 = double(s + 1) / steps, tm = (t0 + t1) / 2;
        auto mix = [tm](uint16_t p, uint16_t q) { return uint8_t((p + (q - p) * tm) / 256); };
        canvas_.SetBrush(SolidBrush(RGBColor(mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue))));
        Rect r;
        if (g.mode == 0)
          r = {SaturatedInt(a.x + extent * t0), a.y, SaturatedInt(a.x + extent * t1 + 1), b.y};
        else
          r = {a.x, SaturatedInt(a.y + extent * t0), b.x, SaturatedInt(a.y + extent * t1 + 1)};
        canvas_.Rectangle(r);
      }
    }
    canvas_.SetPen(dc_.pen);
    canvas_.SetBrush(dc_.brush);
  }

  void PolyDraw(const EmrPolyDraw& p) {
    for (size_t i = 0; i < p.points.size(); ++i) {
      const uint8_t t = p.types[i] & ~PT_CLOSEFIGURE;
      if (t == PT_MOVETO) {
        canvas_.MoveTo(p.points[i]);
      } else if (t == PT_LINETO) {
        canvas_.LineTo(p.points[i]);
      } else if (t == PT_BEZIERTO && i + 2 < p.points.size()) {
        canvas_.PolyBezierTo(std::span(p.points).subspan(i, 3));
        i += 2;
      }
      dc_.current = p.points[i];
    }
  }

  bool Play(const Record& rec);

  const EmfFile& file_;
  Diagnostics* diagnostics_;
  Canvas& canvas_;
  Transform base_, placement_;
  double pxPerMmX_ = 96 / 25.4, pxPerMmY_ = 96 / 25.4;
  DcState dc_;
  std::vector<DcState> saved_;
  int depth_ = 0;
  std::vector<Object> objects_;
  // Pixels of pattern brushes this playback decoded. A small record can
  // stand for a pattern of many megapixels (run-length data), and the
  // object table, the saved states and the canvas keep them: all of them
  // together keep to the pixel cap of one picture; patterns past it paint
  // grey, as undecodable ones do.
  int64_t patternPixels_ = 0;
  Color bkColor_ = 0xFFFFFF;
};

bool Player::Play(const Record& rec) {
  ByteReader r = rec.Payload();
  switch (rec.type) {
    case EMR_HEADER:
      return true;
    case EMR_GDICOMMENT:
      // The project's paint comment; other comments mean nothing here.
      if (auto paint = PaintComment::Decode(rec.Payload())) canvas_.SetPaint(*paint);
      return true;
    case EMR_SETWINDOWEXTEX:
    case EMR_SETVIEWPORTEXTEX: {
      auto v = Get<EmrPoint>(rec);
      if (!v) return false;
      // A zero extent has no mapping; it is ignored.
      if (v->point.x == 0 || v->point.y == 0) return true;
      (rec.type == EMR_SETWINDOWEXTEX ? dc_.windowExt : dc_.viewportExt) = {v->point.x, v->point.y};
      UpdateTransform();
      return true;
    }
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTORGEX: {
      auto v = Get<EmrPoint>(rec);
      if (!v) return false;
      (rec.type == EMR_SETWINDOWORGEX ? dc_.windowOrg : dc_.viewportOrg) = v->point;
      UpdateTransform();
      return true;
    }
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
      auto v = Get<EmrScaleExt>(rec);
      if (!v) return false;
      if (v->xDenom == 0 || v->yDenom == 0 || v->xNum == 0 || v->yNum == 0) return true;
      SizeL& e = rec.type == EMR_SCALEWINDOWEXTEX ? dc_.windowExt : dc_.viewportExt;
      const int64_t cx = int64_t(e.cx) * v->xNum / v->xDenom, cy = int64_t(e.cy) * v->yNum / v->yDenom;
      if (cx == 0 || cy == 0 || std::abs(cx) > INT32_MAX || std::abs(cy) > INT32_MAX) return true;
      e = {int32_t(cx), int32_t(cy)};
      UpdateTransform();
      return true;
    }
    case EMR_SETMAPMODE: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      if (v->value >= MM_TEXT && v->value <= MM_ANISOTROPIC) dc_.mapMode = v->value;
      UpdateTransform();
      return true;
    }
    case EMR_SETBKMODE: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      canvas_.SetBkMode(v->value == TRANSPARENT ? BkMode::Transparent : BkMode::Opaque);
      return true;
    }
    case EMR_SETPOLYFILLMODE: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      canvas_.SetPolyFillMode(v->value == WINDING ? FillMode::Winding : FillMode::Alternate);
      return true;
    }
    case EMR_SETTEXTALIGN: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      dc_.textAlign = v->value;
      canvas_.SetTextAlign(v->value);
      return true;
    }
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      // Palette-relative and special colour values draw black.
      const Color c = v->value < 0x1000000 ? v->value : 0;
      if (rec.type == EMR_SETTEXTCOLOR) {
        canvas_.SetTextColor(c);
      } else {
        bkColor_ = c;
        canvas_.SetBkColor(c);
      }
      return true;
    }
    case EMR_SETMITERLIMIT: {
      auto v = Get<EmrMiterLimit>(rec);
      if (!v) return false;
      canvas_.SetMiterLimit(v->limit);
      return true;
    }
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
      auto v = EmrXForm::Decode(r, rec.type == EMR_MODIFYWORLDTRANSFORM);
      if (!v) return false;
      const Transform x = TransformOf(v->xform);
      if (rec.type == EMR_SETWORLDTRANSFORM || v->mode == MWT_SET) {
        dc_.world = x;
      } else if (v->mode == MWT_IDENTITY) {
        dc_.world = Transform{};
      } else if (v->mode == MWT_LEFTMULTIPLY) {
        dc_.world = x.Then(dc_.world);
      } else if (v->mode == MWT_RIGHTMULTIPLY) {
        dc_.world = dc_.world.Then(x);
      }
      UpdateTransform();
      return true;
    }
    case EMR_SAVEDC:
      if (depth_ >= kMaxSaveDepth) return false;
      saved_.push_back(dc_);
      ++depth_;
      canvas_.SaveDC();
      return true;
    case EMR_RESTOREDC: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      const int32_t rel = int32_t(v->value);
      const int target = rel < 0 ? depth_ + rel + 1 : rel;
      if (target < 1 || target > depth_) return true;
      canvas_.RestoreDC(target - depth_ - 1);
      dc_ = saved_[size_t(target - 1)];
      saved_.resize(size_t(target - 1));
      depth_ = target - 1;
      UpdateTransform();
      return true;
    }
    case EMR_CREATEPEN: {
      auto v = Get<EmrCreatePen>(rec);
      if (!v) return false;
      Store(v->ihPen, PenFromStyle(v->style, v->width, v->color, false));
      return true;
    }
    case EMR_EXTCREATEPEN: {
      auto v = Get<EmrExtCreatePen>(rec);
      if (!v) return false;
      Pen p = PenFromStyle(v->style, int32_t(std::min<uint32_t>(v->width, INT32_MAX)), v->color,
                           (v->style & PS_GEOMETRIC) == 0);
      if (v->brushStyle == BS_NULL) p.style = PenStyle::Clear;
      p.dashes = v->styleEntries;
      Store(v->ihPen, p);
      return true;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      auto v = Get<EmrCreateBrush>(rec);
      if (!v) return false;
      Brush b = SolidBrush(v->color < 0x1000000 ? v->color : 0);
      if (v->style == BS_NULL) b.style = BrushStyle::Clear;
      if (v->style == BS_HATCHED && v->hatch <= HS_DIAGCROSS) {
        b.style = BrushStyle::Hatch;
        b.hatch = HatchStyle(v->hatch);
      }
      Store(v->ihBrush, b);
      return true;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
      auto v = Get<EmrCreateDibBrush>(rec);
      if (!v) return false;
      Brush b;
      // The header's size is checked before decoding, the decoded size after.
      const int64_t budget = int64_t(kMaxImagePixels) - patternPixels_;
      const auto info = ReadDibInfo(v->dib.info);
      std::optional<Bitmap> px;
      if (info && int64_t(info->width) * std::abs(int64_t(info->height)) <= budget)
        px = DecodeDib(v->dib, false, diagnostics_);
      if (px && int64_t(px->Width()) * px->Height() > budget) px.reset();
      if (px) {
        patternPixels_ += int64_t(px->Width()) * px->Height();
        b.style = BrushStyle::Pattern;
        b.pattern = std::make_shared<Bitmap>(std::move(*px));
      } else {
        b.color = 0x808080;
      }
      Store(v->ihBrush, b);
      return true;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
      auto v = Get<EmrExtCreateFont>(rec);
      if (!v) return false;
      Store(v->ihFont, FontOf(v->font));
      return true;
    }
    case EMR_CREATEPALETTE: {
      auto v = Get<EmrCreatePalette>(rec);
      if (!v) return false;
      Store(v->ihPal, std::monostate{});
      return true;
    }
    case EMR_SELECTOBJECT: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      Select(v->value);
      return true;
    }
    case EMR_DELETEOBJECT: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      if (v->value < objects_.size()) objects_[v->value] = std::monostate{};
      return true;
    }
    case EMR_MOVETOEX: {
      auto v = Get<EmrPoint>(rec);
      if (!v) return false;
      dc_.current = v->point;
      canvas_.MoveTo(v->point);
      return true;
    }
    case EMR_LINETO: {
      auto v = Get<EmrPoint>(rec);
      if (!v) return false;
      dc_.current = v->point;
      canvas_.LineTo(v->point);
      return true;
    }
    case EMR_SETPIXELV: {
      ByteReader p = r;
      PointL pt = ReadPointL(p);
      uint32_t c = p.U32LE();
      if (p.failed()) return false;
      canvas_.SetBrush(SolidBrush(c & 0xFFFFFF));
      canvas_.SetPen(PenFromStyle(PS_NULL, 0, 0, true));
      canvas_.Rectangle({pt.x, pt.y, SaturatedAdd(pt.x, 1), SaturatedAdd(pt.y, 1)});
      canvas_.SetPen(dc_.pen);
      canvas_.SetBrush(dc_.brush);
      return true;
    }
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
    case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: {
      const bool is16 = rec.type >= EMR_POLYBEZIER16;
      auto v = EmrPoly::Decode(r, is16);
      if (!v) return false;
      const uint32_t kind = is16 ? rec.type - EMR_POLYBEZIER16 + EMR_POLYBEZIER : rec.type;
      std::span<const Point> pts = v->points;
      switch (kind) {
        case EMR_POLYBEZIER: canvas_.PolyBezier(pts); break;
        case EMR_POLYGON: canvas_.Polygon(pts); break;
        case EMR_POLYLINE: canvas_.Polyline(pts); break;
        case EMR_POLYBEZIERTO: canvas_.PolyBezierTo(pts); break;
        case EMR_POLYLINETO: canvas_.PolylineTo(pts); break;
      }
      if ((kind == EMR_POLYBEZIERTO || kind == EMR_POLYLINETO) && !pts.empty()) dc_.current = pts.back();
      return true;
    }
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: {
      const bool is16 = rec.type >= EMR_POLYPOLYLINE16;
      auto v = EmrPolyPoly::Decode(r, is16);
      if (!v) return false;
      if (rec.type == EMR_POLYPOLYGON || rec.type == EMR_POLYPOLYGON16)
        canvas_.PolyPolygon(v->points, v->counts);
      else
        canvas_.PolyPolyline(v->points, v->counts);
      return true;
    }
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
      auto v = EmrPolyDraw::Decode(r, rec.type == EMR_POLYDRAW16);
      if (!v) return false;
      PolyDraw(*v);
      return true;
    }
    case EMR_RECTANGLE:
    case EMR_ELLIPSE: {
      auto v = Get<EmrRect>(rec);
      if (!v) return false;
      if (rec.type == EMR_RECTANGLE)
        canvas_.Rectangle(v->rect);
      else
        canvas_.Ellipse(v->rect);
      return true;
    }
    case EMR_ROUNDRECT: {
      auto v = Get<EmrRoundRect>(rec);
      if (!v) return false;
      canvas_.RoundRect(v->box, v->corner);
      return true;
    }
    case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_ARCTO: {
      auto v = Get<EmrArc>(rec);
      if (!v) return false;
      const ArcKind kind = rec.type == EMR_ARC ? ArcKind::Arc
                           : rec.type == EMR_CHORD ? ArcKind::Chord
                           : rec.type == EMR_PIE   ? ArcKind::Pie
                                                   : ArcKind::ArcTo;
      canvas_.Arc(kind, v->box, v->start, v->end);
      return true;
    }
    case EMR_ANGLEARC: {
      auto v = Get<EmrAngleArc>(rec);
      if (!v) return false;
      const double rad = std::min<double>(v->radius, 1e7);
      const double a1 = v->startAngle * std::numbers::pi / 180, a2 = (v->startAngle + v->sweepAngle) * std::numbers::pi / 180;
      if (!std::isfinite(a1) || !std::isfinite(a2) || rad <= 0) return true;
      const double cx = v->center.x, cy = v->center.y;
      const Rect box{SaturatedInt(cx - rad), SaturatedInt(cy - rad), SaturatedInt(cx + rad), SaturatedInt(cy + rad)};
      const Point s{SaturatedInt(std::round(cx + rad * std::cos(a1))), SaturatedInt(std::round(cy - rad * std::sin(a1)))};
      const Point e{SaturatedInt(std::round(cx + rad * std::cos(a2))), SaturatedInt(std::round(cy - rad * std::sin(a2)))};
      canvas_.LineTo(s);
      canvas_.Arc(ArcKind::ArcTo, box, s, e);
      canvas_.MoveTo(e);
      return true;
    }
    case EMR_BEGINPATH: canvas_.BeginPath(); return true;
    case EMR_ENDPATH: canvas_.EndPath(); return true;
    case EMR_ABORTPATH: canvas_.AbortPath(); return true;
    case EMR_CLOSEFIGURE: canvas_.CloseFigure(); return true;
    case EMR_FILLPATH: canvas_.FillPath(); return true;
    case EMR_STROKEPATH: canvas_.StrokePath(); return true;
    case EMR_STROKEANDFILLPATH: canvas_.StrokeAndFillPath(); return true;
    case EMR_SELECTCLIPPATH: {
      auto v = Get<EmrU32>(rec);
      if (!v) return false;
      if (v->value >= RGN_AND && v->value <= RGN_COPY) canvas_.SelectClipPath(RegionMode(v->value - 1));
      return true;
    }
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT: {
      auto v = Get<EmrRect>(rec);
      if (!v) return false;
      if (rec.type == EMR_INTERSECTCLIPRECT)
        canvas_.IntersectClipRect(v->rect);
      else
        canvas_.ExcludeClipRect(v->rect);
      return true;
    }
    case EMR_EXTSELECTCLIPRGN: {
      auto v = Get<EmrExtSelectClipRgn>(rec);
      if (!v) return false;
      if (v->mode < RGN_AND || v->mode > RGN_COPY) return true;
      WithDeviceTransform([&] { canvas_.SelectClipRegion(v->rects, RegionMode(v->mode - 1)); });
      return true;
    }
    case EMR_FILLRGN:
    case EMR_PAINTRGN: {
      auto v = EmrRegionPaint::Decode(r, rec.type);
      if (!v) return false;
      Brush b = dc_.brush;
      if (rec.type == EMR_FILLRGN) {
        if (v->ihBrush & kStockObjectFlag) {
          const StockObjectInfo stock = StockObject(v->ihBrush & ~kStockObjectFlag);
          if (stock.kind == StockObjectInfo::Kind::Brush) {
            if (stock.empty) return true;
            b = StockBrush(stock);
          }
        } else if (v->ihBrush < objects_.size()) {
          if (auto* ob = std::get_if<Brush>(&objects_[v->ihBrush])) b = *ob;
        }
      }
      PaintRegion(v->region.rects, b);
      return true;
    }
    case EMR_EXTTEXTOUTW:
    case EMR_EXTTEXTOUTA: {
      auto v = EmrExtTextOut::Decode(r, rec.type == EMR_EXTTEXTOUTW);
      if (!v) return false;
      std::u16string text = rec.type == EMR_EXTTEXTOUTW ? v->text : DecodeCp1252(v->ansiText);
      const bool hasRect = v->rect.right != v->rect.left && v->rect.bottom != v->rect.top;
      Text(v->reference, text, v->dx, v->options, hasRect ? &v->rect : nullptr);
      return true;
    }
    case EMR_SMALLTEXTOUT: {
      auto v = Get<EmrSmallTextOut>(rec);
      if (!v) return false;
      const bool hasRect = !(v->options & ETO_NO_RECT);
      Text(v->reference, v->text, {}, v->options & ~(ETO_NO_RECT | ETO_SMALL_CHARS), hasRect ? &v->clip : nullptr);
      return true;
    }
    case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_MASKBLT: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT: {
      auto v = EmrBlt::Decode(r, rec.type);
      if (!v) return false;
      Blit(*v, rec.type);
      return true;
    }
    case EMR_STRETCHDIBITS: {
      auto v = Get<EmrStretchDIBits>(rec);
      if (!v) return false;
      if (v->dib.empty()) return true;
      const Rect dest{v->xDest, v->yDest, SaturatedAdd(v->xDest, v->cxDest), SaturatedAdd(v->yDest, v->cyDest)};
      canvas_.StretchDib(dest, SourceRect(v->dib, v->xSrc, v->ySrc, v->cxSrc, v->cySrc), v->dib, v->rop);
      return true;
    }
    case EMR_SETDIBITSTODEVICE: {
      auto v = Get<EmrSetDIBitsToDevice>(rec);
      if (!v) return false;
      if (v->dib.empty()) return true;
      const Rect dest{v->xDest, v->yDest, SaturatedAdd(v->xDest, v->cxSrc), SaturatedAdd(v->yDest, v->cySrc)};
      canvas_.StretchDib(dest, SourceRect(v->dib, v->xSrc, v->ySrc, v->cxSrc, v->cySrc), v->dib, SRCCOPY);
      return true;
    }
    case EMR_GRADIENTFILL: {
      auto v = Get<EmrGradientFill>(rec);
      if (!v) return false;
      Gradient(*v);
      return true;
    }
    default:
      // Records without a drawing effect here (palettes, colour
      // management, OpenGL, escapes ...) are passed over.
      return true;
  }
}

Transform Placement(const RectL& f, Rect dest, int rotation) {
  const double fw = std::max(1.0, RectWidth(f)), fh = std::max(1.0, RectHeight(f));
  const double dw = RectWidth(dest), dh = RectHeight(dest);
  const Transform toOrigin = Transform::Translation(-double(f.left), -double(f.top));
  switch (((rotation % 360) + 360) % 360) {
    case 90:  // picture width along the destination height
      return toOrigin.Then(Transform::Scaling(dh / fw, dw / fh))
          .Then(Transform{0, 1, -1, 0, 0, 0})
          .Then(Transform::Translation(dest.right, dest.top));
    case 180:
      return toOrigin.Then(Transform::Scaling(dw / fw, dh / fh))
          .Then(Transform{-1, 0, 0, -1, 0, 0})
          .Then(Transform::Translation(dest.right, dest.bottom));
    case 270:
      return toOrigin.Then(Transform::Scaling(dh / fw, dw / fh))
          .Then(Transform{0, -1, 1, 0, 0, 0})
          .Then(Transform::Translation(dest.left, dest.bottom));
    default:
      return toOrigin.Then(Transform::Scaling(dw / fw, dh / fh)).Then(Transform::Translation(dest.left, dest.top));
  }
}

}  // namespace

void PlayMetafile(const EmfFile& file, Canvas& canvas, Rect dest, int rotation, Diagnostics* diagnostics) {
  Player player(file, canvas, Placement(file.FramePixels(), dest, rotation), diagnostics);
  player.Run();
}

void DrawPageMetafile(const EmfFile& file, Canvas& canvas, int32_t width, int32_t height, int rotation,
                      Diagnostics* diagnostics) {
  canvas.SaveDC();
  Pen none;
  none.style = PenStyle::Clear;
  canvas.SetPen(none);
  canvas.SetBrush(Brush{});
  canvas.Rectangle({0, 0, width, height});
  canvas.RestoreDC(-1);
  // The page fills the target by its frame: a drawing that lies partly off
  // the page is cut at the page's edge instead of shrinking the page.
  Player player(file, canvas, Placement(file.HeaderFramePixels(), {0, 0, width, height}, rotation), diagnostics);
  player.Run();
}

}  // namespace vn::platform
