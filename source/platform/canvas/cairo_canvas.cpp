#include "platform/canvas/cairo_canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "platform/canvas/cairo_support_impl.h"
#include "platform/canvas/text_measure.h"
#include "platform/emf/emf_records.h"
#include "platform/images/enlarged_bitmap.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace vn::platform {

using namespace emf;

namespace {

cairo_matrix_t ToCairo(const Transform& t) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.m11, t.m12, t.m21, t.m22, t.dx, t.dy);
  return m;
}

void SetRgb(cairo_t* cr, Color c) {
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

// The clip of the raster canvas: an 8-bit mask in device pixels.
struct MaskClip : CanvasClip {
  explicit MaskClip(cairo_surface_t* s) : mask(s) {}
  ~MaskClip() override { cairo_surface_destroy(mask); }
  MaskClip(const MaskClip&) = delete;
  MaskClip& operator=(const MaskClip&) = delete;
  cairo_surface_t* mask;
};

std::shared_ptr<const CanvasClip> Share(cairo_surface_t* mask) { return std::make_shared<MaskClip>(mask); }

cairo_surface_t* MaskOf(const CanvasState& state) {
  return state.clip ? static_cast<const MaskClip&>(*state.clip).mask : nullptr;
}

// Dash lengths of the styles, in pen widths for geometric pens and in
// pixels for one-pixel pens.
std::vector<double> DashPattern(const Pen& pen, bool cosmetic) {
  switch (pen.style) {
    case PenStyle::Dash:
      return cosmetic ? std::vector<double>{18, 6} : std::vector<double>{3, 1};
    case PenStyle::Dot:
      return cosmetic ? std::vector<double>{3, 3} : std::vector<double>{1, 1};
    case PenStyle::DashDot:
      return cosmetic ? std::vector<double>{9, 6, 3, 6} : std::vector<double>{3, 1, 1, 1};
    case PenStyle::DashDotDot:
      return cosmetic ? std::vector<double>{9, 3, 3, 3, 3, 3} : std::vector<double>{3, 1, 1, 1, 1, 1};
    case PenStyle::UserStyle: {
      std::vector<double> d;
      for (uint32_t v : pen.dashes) d.push_back(std::max(1u, v));
      if (d.size() % 2) d.insert(d.end(), d.begin(), d.end());
      return d;
    }
    default:
      return {};
  }
}

// Miter joins longer than this many pen widths are cut off (spikes that
// long come only from damaged files).
constexpr double kMaxMiterLimit = 100;
// Work one dashed stroke may cost cairo, counted as dashes times the
// vertices of their caps and the rows they span (about a fifth of a second
// at most); a stroke that would need more is drawn solid.
constexpr double kMaxDashWork = 1 << 20;

// A cairo path (device coordinates) appended to a device path.
void AppendCairoPath(DevicePath& to, const cairo_path_t* path) {
  for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
    const cairo_path_data_t* d = &path->data[i];
    switch (d->header.type) {
      case CAIRO_PATH_MOVE_TO: to.MoveTo({d[1].point.x, d[1].point.y}); break;
      case CAIRO_PATH_LINE_TO: to.LineTo({d[1].point.x, d[1].point.y}); break;
      case CAIRO_PATH_CURVE_TO:
        to.CurveTo({d[1].point.x, d[1].point.y}, {d[2].point.x, d[2].point.y}, {d[3].point.x, d[3].point.y});
        break;
      case CAIRO_PATH_CLOSE_PATH: to.Close(); break;
    }
  }
}

}  // namespace

CairoCanvas::CairoCanvas(int32_t width, int32_t height, uint32_t background)
    : width_(std::clamp(width, 1, 32767)), height_(std::clamp(height, 1, 32767)) {
  surface_ = NewSurface(width_, height_, background);
  cr_ = cairo_create(surface_);
}

CairoCanvas::~CairoCanvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

uint32_t CairoCanvas::PixelAt(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  cairo_surface_flush(surface_);
  const unsigned char* p =
      cairo_image_surface_get_data(surface_) + size_t(y) * cairo_image_surface_get_stride(surface_) + size_t(x) * 4;
  const uint32_t a = p[3];
  if (a == 0) return 0;
  auto un = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  return a << 24 | un(p[2]) << 16 | un(p[1]) << 8 | un(p[0]);
}

Bitmap CairoCanvas::Pixels() {
  Bitmap out(width_, height_, PixelFormat::pf32bit);
  bool opaque = true;
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* row = out.MutableRow(y).data();
    for (int32_t x = 0; x < width_; ++x) {
      const uint32_t argb = PixelAt(x, y);
      row[x * 4] = uint8_t(argb), row[x * 4 + 1] = uint8_t(argb >> 8), row[x * 4 + 2] = uint8_t(argb >> 16);
      row[x * 4 + 3] = uint8_t(argb >> 24);
      opaque = opaque && argb >> 24 == 255;
    }
  }
  out.SetHasAlpha(!opaque);
  return out;
}

bool CairoCanvas::WritePng(const std::string& path) {
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

template <typename F>
void CairoCanvas::Clipped(F&& paint) {
  if (!state_.clip) {
    paint();
  } else {
    cairo_identity_matrix(cr_);
    cairo_push_group(cr_);
    paint();
    cairo_identity_matrix(cr_);
    cairo_pop_group_to_source(cr_);
    // The blend mode of a fractional recording mixes the clipped drawing
    // with what lies under it (inside the group it lay on nothing).
    if (state_.paint) cairo_set_operator(cr_, BlendOperator(state_.paint->blendMode));
    cairo_mask_surface(cr_, MaskOf(state_), 0, 0);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  }
  cairo_identity_matrix(cr_);
  Recover();
}

void CairoCanvas::Recover() {
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
    // A failed step (e.g. a degenerate transform) leaves cairo in an error
    // state for good; start a fresh context on the same pixels.
    cairo_destroy(cr_);
    cr_ = cairo_create(surface_);
  }
}

bool CairoCanvas::SetPath(cairo_t* cr, const DevicePath& path, double reach, bool closeFigures, DevicePoint offset,
                          double* length) const {
  return SetCairoPath(cr, path, {0, 0, double(width_), double(height_)}, reach, closeFigures, offset, length);
}

void CairoCanvas::SetSourceColor(Color c) { SetRgb(cr_, c); }

void CairoCanvas::SetBrushSource() {
  const Brush& b = state_.brush;
  cairo_identity_matrix(cr_);  // brushes are anchored at the device origin
  if (b.style == BrushStyle::Hatch) {
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_t* t = cairo_create(tile);
    if (state_.bkMode == BkMode::Opaque) {
      SetRgb(t, state_.bkColor);
      cairo_paint(t);
    }
    SetRgb(t, b.color);
    cairo_set_line_width(t, 1);
    cairo_set_antialias(t, CAIRO_ANTIALIAS_NONE);
    const HatchStyle h = b.hatch;
    if (h == HatchStyle::Horizontal || h == HatchStyle::Cross) cairo_rectangle(t, 0, 7, 8, 1);
    if (h == HatchStyle::Vertical || h == HatchStyle::Cross) cairo_rectangle(t, 7, 0, 1, 8);
    cairo_fill(t);
    for (int i = 0; i < 8; ++i) {
      if (h == HatchStyle::FDiagonal || h == HatchStyle::DiagCross) cairo_rectangle(t, i, i, 1, 1);
      if (h == HatchStyle::BDiagonal || h == HatchStyle::DiagCross) cairo_rectangle(t, 7 - i, i, 1, 1);
    }
    cairo_fill(t);
    cairo_destroy(t);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(tile);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    cairo_set_source(cr_, p);
    cairo_pattern_destroy(p);
    cairo_surface_destroy(tile);
  } else if (b.style == BrushStyle::Pattern && b.pattern && !b.pattern->Empty()) {
    cairo_surface_t* tile = ToSurface(*b.pattern);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(tile);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(p, CAIRO_FILTER_NEAREST);
    cairo_set_source(cr_, p);
    cairo_pattern_destroy(p);
    cairo_surface_destroy(tile);
  } else {
    SetSourceColor(b.color);
  }
}

void CairoCanvas::FillShape(const DevicePath& path) {
  const Brush& brush = state_.brush;
  if (brush.style == BrushStyle::Clear || (brush.style == BrushStyle::Pattern && (!brush.pattern || brush.pattern->Empty())))
    return;
  if (!SetPath(cr_, path, 0, true)) return;
  cairo_set_fill_rule(cr_, state_.fillMode == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  SetBrushSource();
  if (state_.paint) {
    // A fractional recording: its smoothing, fill alpha and blend mode.
    cairo_set_antialias(cr_, state_.paint->antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr_, BlendOperator(state_.paint->blendMode));
    if (state_.paint->fillAlpha < 255) {
      cairo_clip(cr_);
      cairo_paint_with_alpha(cr_, state_.paint->fillAlpha / 255.0);
      cairo_reset_clip(cr_);
    } else {
      cairo_fill(cr_);
    }
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
    return;
  }
  cairo_fill(cr_);
}

void CairoCanvas::StrokeShape(const DevicePath& path) {
  const Pen& pen = state_.pen;
  if (pen.style == PenStyle::Clear) return;
  const Transform& t = state_.transform;
  const double scale = std::sqrt(std::abs(t.m11 * t.m22 - t.m12 * t.m21));
  // A fractional recording draws its pens exactly: only width 0 is one
  // pixel wide, and nothing moves to pixel centres.
  const bool exact = state_.paint.has_value();
  const bool onePixel = pen.width == 0 || (!exact && pen.width * scale <= 1.0001);
  // A pen of odd device width runs through pixel centres, as the device's
  // pens cover whole pixels: the path moves half a pixel.
  const bool odd = !exact && (onePixel || (int64_t(std::lround(pen.width * scale)) & 1));
  double width = onePixel ? 1.0 : double(pen.width);
  // A pen reaching farther than four times the surface's size (a damaged
  // file) is narrowed to that: a round pen that wide covers the whole
  // surface from wherever it is near enough to touch it, and cairo's work
  // on joins and caps grows with the pen.
  double half = width / 2 * (onePixel ? 1.0 : MajorAxis(t));
  const double widest = 4.0 * std::max(width_, height_) + 64;
  if (half > widest) width *= widest / half, half = widest;
  const double miterLimit = std::clamp(double(state_.miterLimit), 1.0, kMaxMiterLimit);
  const bool miter = onePixel || pen.join == PenJoin::Miter;
  const double reach = half * std::max(std::numbers::sqrt2, miter ? miterLimit : 1.0);
  const double shift = odd ? 0.5 : 0;
  double length = 0;
  if (!SetPath(cr_, path, reach, false, {shift, shift}, &length)) return;
  if (!onePixel) {
    cairo_matrix_t m = ToCairo(t);
    cairo_set_matrix(cr_, &m);
  }
  cairo_set_line_width(cr_, width);
  static constexpr cairo_line_cap_t kCap[] = {CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE, CAIRO_LINE_CAP_BUTT};
  static constexpr cairo_line_join_t kJoin[] = {CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL, CAIRO_LINE_JOIN_MITER};
  cairo_set_line_cap(cr_, onePixel ? CAIRO_LINE_CAP_BUTT : kCap[size_t(pen.cap)]);
  cairo_set_line_join(cr_, onePixel ? CAIRO_LINE_JOIN_MITER : kJoin[size_t(pen.join)]);
  cairo_set_miter_limit(cr_, miterLimit);
  auto dashes = DashPattern(pen, onePixel);
  double dashOffset = 0;
  if (exact && pen.style == PenStyle::UserStyle) {
    dashes.assign(pen.dashes.begin(), pen.dashes.end());
    if (dashes.size() % 2) dashes.insert(dashes.end(), dashes.begin(), dashes.end());
    if (std::all_of(dashes.begin(), dashes.end(), [](double d) { return d == 0; })) dashes.clear();
    dashOffset = state_.paint->dashOffset;
    if (onePixel) {
      // Dashes of a one-pixel pen are in logical units too.
      for (double& d : dashes) d *= scale;
      dashOffset *= scale;
    }
  }
  if (!onePixel && pen.style != PenStyle::UserStyle)
    for (double& d : dashes) d *= width;
  if (!dashes.empty()) {
    // Dashes finer than a pixel, or more of them than cairo can draw in
    // bounded work (a path far longer than its dashes, a very wide pen),
    // are drawn solid. A period of the pattern is never shorter on the
    // device than under the transform's shortest axis, and each dash costs
    // cairo about its cap's vertices and the rows it spans.
    double period = 0;
    for (double d : dashes) period += d;
    const double shortest = period * (onePixel ? 1.0 : MinorAxis(t));
    const double count = length / std::max(shortest, 1e-9) * double(dashes.size() / 2);
    const double perDash = PenVertices(half) + 2 * half;
    if (!(shortest >= (exact ? 0.05 : 1) && count * perDash <= kMaxDashWork)) dashes.clear();
    if (!dashes.empty() && period > 0) dashOffset = std::fmod(dashOffset, period);
  }
  cairo_set_dash(cr_, dashes.data(), int(dashes.size()), dashes.empty() ? 0 : dashOffset);
  if (exact) {
    // A fractional recording: its stroke alpha, smoothing and blend mode.
    const double alpha = state_.paint->strokeAlpha / 255.0;
    cairo_set_source_rgba(cr_, (pen.color & 0xFF) / 255.0, ((pen.color >> 8) & 0xFF) / 255.0,
                          ((pen.color >> 16) & 0xFF) / 255.0, alpha);
    cairo_set_antialias(cr_, state_.paint->antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr_, BlendOperator(state_.paint->blendMode));
  } else {
    SetSourceColor(pen.color);
  }
  cairo_stroke(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
  cairo_set_dash(cr_, nullptr, 0, 0);
}

void CairoCanvas::TextOut(Point p, std::u16string_view text, std::span<const int32_t> dx, uint32_t options,
                          const Rect* rect) {
  if (!Usable(state_.transform)) return;
  std::vector<int32_t> advances;
  if (dx.size() >= text.size())
    advances.assign(dx.begin(), dx.begin() + text.size());
  else
    advances = CharAdvances(text);
  double width = 0;
  for (int32_t a : advances) width += a;
  const Font& font = state_.font;
  const FontMetrics m = GetTextMeasurer().Metrics(font);
  const uint32_t align = state_.textAlign;
  Point origin = (align & TA_UPDATECP) ? state_.current : p;
  double x0 = origin.x, y0 = origin.y;
  const uint32_t h = align & TA_CENTER;
  if (h == TA_CENTER)
    x0 -= width / 2;
  else if (h == TA_RIGHT)
    x0 -= width;
  double baseline = y0;
  if ((align & TA_BASELINE) == TA_BASELINE) {
  } else if (align & TA_BOTTOM) {
    baseline = y0 - m.descent;
  } else {
    baseline = y0 + m.ascent;
  }
  if (align & TA_UPDATECP) {
    // The current position moves past the text (to its left end for
    // right-aligned text).
    state_.current.x = SaturatedInt(std::round(h == TA_RIGHT ? x0 : x0 + width));
  }
  const double angle = -double(font.escapement) / 10.0 * std::numbers::pi / 180.0;
  // Glyphs of absurd device sizes (damaged mappings) are not drawn: cairo
  // cannot make fonts of them.
  const Transform& tt = state_.transform;
  for (double axis : {std::hypot(tt.m11, tt.m12), std::hypot(tt.m21, tt.m22)}) {
    const double deviceEm = m.emSize * axis;
    if (!(deviceEm > 0.01 && deviceEm < 20000)) return;
  }

  // The text's own frame: the start of its baseline at the origin, turned
  // by the escapement about the reference point.
  const double cosA = std::cos(angle), sinA = std::sin(angle);
  const Transform frame = Transform::Translation(x0 - origin.x, baseline - origin.y)
                              .Then(Transform{cosA, sinA, -sinA, cosA, 0, 0})
                              .Then(Transform::Translation(origin.x, origin.y))
                              .Then(state_.transform);
  // Glyphs placed far off the surface are passed over: they cannot show,
  // and cairo's fixed-point coordinates would wrap them back onto it.
  const DeviceBox onSurface = DeviceBox{0, 0, double(width_), double(height_)}.Grown(4 * m.emSize * MajorAxis(frame) + 2);

  const DrawnText drawn = GlyphsOfText(font, text, advances);
  std::vector<cairo_font_face_t*> faces;
  for (const auto& f : drawn.Fonts) faces.push_back(CreateCairoFontFace(*f));
  const auto releaseFaces = [&faces] {
    for (cairo_font_face_t* f : faces) cairo_font_face_destroy(f);
  };
  auto drawGlyphs = [&](bool toPath) {
    cairo_matrix_t mt = ToCairo(frame);
    cairo_set_matrix(cr_, &mt);
    // Very large glyphs are filled as outlines rather than cached as masks.
    const Transform& t = state_.transform;
    const bool outlines = m.emSize * std::sqrt(std::abs(t.m11 * t.m22 - t.m12 * t.m21)) > 256;
    if (outlines || toPath) cairo_new_path(cr_);
    // Each face's glyphs in one go: characters the font lacks are drawn in
    // the face that has them, complex text shaped (see GlyphsOfText).
    for (size_t k = 0; k < drawn.Fonts.size(); ++k) {
      std::vector<cairo_glyph_t> glyphs;
      for (const PlacedGlyph& g : drawn.Glyphs) {
        if (g.Font != k) continue;
        const DevicePoint at = ToDevice(frame, g.X, g.Y);
        if (onSurface.Intersects({at.x, at.y, at.x, at.y})) glyphs.push_back({g.Glyph, g.X, g.Y});
      }
      if (glyphs.empty()) continue;
      cairo_set_font_face(cr_, faces[k]);
      cairo_set_font_size(cr_, m.emSize > 0 ? m.emSize : 16);
      if (toPath || outlines)
        cairo_glyph_path(cr_, glyphs.data(), int(glyphs.size()));
      else
        cairo_show_glyphs(cr_, glyphs.data(), int(glyphs.size()));
    }
    if (outlines && !toPath) cairo_fill(cr_);
    if (!toPath && (font.underline || font.strikeOut)) {
      const double thick = std::max(1.0, m.emSize / 14);
      DevicePath lines;
      if (font.underline) AppendRect(lines, frame, 0, m.descent / 3, width, thick);
      if (font.strikeOut) AppendRect(lines, frame, 0, -m.ascent / 3, width, thick);
      if (SetPath(cr_, lines, 0, true)) cairo_fill(cr_);
    }
  };

  if (InPath()) {
    Recover();
    drawGlyphs(true);
    cairo_identity_matrix(cr_);
    cairo_path_t* outline = cairo_copy_path(cr_);
    AppendCairoPath(OpenPath(), outline);
    cairo_path_destroy(outline);
    cairo_new_path(cr_);
    releaseFaces();
    return;
  }
  Clipped([&] {
    if (rect && (options & ETO_OPAQUE)) {
      DevicePath box;
      AppendRect(box, state_.transform, rect->left, rect->top, RectWidth(*rect), RectHeight(*rect));
      if (SetPath(cr_, box, 0, true)) {
        SetSourceColor(state_.bkColor);
        cairo_fill(cr_);
      }
    }
    cairo_save(cr_);
    bool shown = true;
    if (rect && (options & ETO_CLIPPED)) {
      DevicePath box;
      AppendRect(box, state_.transform, rect->left, rect->top, RectWidth(*rect), RectHeight(*rect));
      shown = SetPath(cr_, box, 0, true);
      if (shown) cairo_clip(cr_);
    }
    if (shown && state_.bkMode == BkMode::Opaque && !(options & ETO_OPAQUE)) {
      DevicePath cell;
      AppendRect(cell, frame, 0, -m.ascent, width, m.ascent + m.descent);
      if (SetPath(cr_, cell, 0, true)) {
        SetSourceColor(state_.bkColor);
        cairo_fill(cr_);
      }
    }
    if (shown) {
      SetSourceColor(state_.textColor);
      drawGlyphs(false);
    }
    cairo_restore(cr_);
  });
  releaseFaces();
}

void CairoCanvas::PaintShape(const DevicePath* fill, const DevicePath* stroke) {
  Recover();
  Clipped([&] {
    if (fill) FillShape(*fill);
    if (stroke) StrokeShape(*stroke);
  });
}

void CairoCanvas::ClipArea(const DevicePath& area, FillMode rule, RegionMode mode) {
  CombineClip(mode, [&](cairo_t* m) {
    if (state_.paint && !state_.paint->antialias) cairo_set_antialias(m, CAIRO_ANTIALIAS_NONE);
    if (!SetPath(m, area, 0, true)) return;
    cairo_set_fill_rule(m, rule == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(m);
  });
}

void CairoCanvas::CombineClip(RegionMode mode, const std::function<void(cairo_t*)>& shape) {
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_);
  cairo_t* m = cairo_create(mask);
  shape(m);
  cairo_destroy(m);
  if (mode == RegionMode::Copy) {
    state_.clip = Share(mask);
    return;
  }
  // The old clip (everything when none) combined with the new shape.
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_A8, width_, height_);
  cairo_t* o = cairo_create(out);
  if (state_.clip) {
    cairo_set_source_surface(o, MaskOf(state_), 0, 0);
  } else {
    cairo_set_source_rgba(o, 0, 0, 0, 1);
  }
  cairo_set_operator(o, CAIRO_OPERATOR_SOURCE);
  cairo_paint(o);
  static constexpr cairo_operator_t kOp[] = {CAIRO_OPERATOR_DEST_IN, CAIRO_OPERATOR_OVER, CAIRO_OPERATOR_XOR,
                                             CAIRO_OPERATOR_DEST_OUT};
  cairo_set_operator(o, kOp[size_t(mode)]);
  cairo_set_source_surface(o, mask, 0, 0);
  cairo_paint(o);
  cairo_destroy(o);
  cairo_surface_destroy(mask);
  state_.clip = Share(out);
}

namespace {

// The largest picture a bitmap drawn onto whole pixels is enlarged to
// before it is drawn.
constexpr int64_t kMaxEnlargedPixels = int64_t{16} << 20;

// Where the whole picture `px` (src all of it) lands upright and unmirrored
// on whole device pixels larger than it, the picture enlarged to those
// pixels as the page renderer enlarges images (replicated samples when the
// paint asks for nearest samples, else blended ones), and `at` its
// top-left pixel; empty otherwise.
Bitmap EnlargedOntoPixels(const Bitmap& px, const Rect& dest, const Rect& src, const Transform& t, bool nearest,
                          Point& at) {
  if (src.left != 0 || src.top != 0 || src.right != px.Width() || src.bottom != px.Height()) return {};
  if (t.m12 != 0 || t.m21 != 0 || !(t.m11 > 0) || !(t.m22 > 0) || dest.right <= dest.left || dest.bottom <= dest.top)
    return {};
  const double x0 = t.m11 * dest.left + t.dx, x1 = t.m11 * dest.right + t.dx;
  const double y0 = t.m22 * dest.top + t.dy, y1 = t.m22 * dest.bottom + t.dy;
  const auto whole = [](double v) { return std::isfinite(v) && std::abs(v - std::round(v)) <= 1e-6 && std::abs(v) < 1e9; };
  if (!whole(x0) || !whole(x1) || !whole(y0) || !whole(y1)) return {};
  const auto w = static_cast<int64_t>(std::round(x1 - x0)), h = static_cast<int64_t>(std::round(y1 - y0));
  if (w < px.Width() || h < px.Height() || (w == px.Width() && h == px.Height())) return {};
  const Bitmap full = px.Format() == PixelFormat::pf32bit ? px : px.ConvertTo(PixelFormat::pf32bit);
  at = {static_cast<int32_t>(std::round(x0)), static_cast<int32_t>(std::round(y0))};
  return nearest ? ReplicatedBitmap(full, w, h, kMaxEnlargedPixels) : BlendedBitmap(full, w, h, kMaxEnlargedPixels);
}

}  // namespace

void CairoCanvas::DrawPixels(const Rect& dest, const Rect& src, const Bitmap& px, uint32_t rop) {
  const double dw = RectWidth(dest), dh = RectHeight(dest);
  const double sw = RectWidth(src), sh = RectHeight(src);
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0 || px.Empty() || !Usable(state_.transform)) return;
  DevicePath area;
  AppendRect(area, state_.transform, dest.left, dest.top, dw, dh);
  // In a recording of the Graphics layer (it carries paint comments), a
  // picture enlarged onto whole pixels gets the pixels the page renderer
  // paints directly: a recorded page plays back as it was painted.
  const bool nearest = state_.paint && state_.paint->nearest;
  Point at;
  const bool sourced = rop != BLACKNESS && rop != WHITENESS && rop != PATCOPY && rop != DSTINVERT;
  const Bitmap enlarged =
      sourced && state_.paint ? EnlargedOntoPixels(px, dest, src, state_.transform, nearest, at) : Bitmap();
  cairo_surface_t* image = ToSurface(enlarged.Empty() ? px : enlarged);
  Clipped([&] {
    if (!SetPath(cr_, area, 0, true)) return;
    switch (rop) {
      case BLACKNESS:
        SetSourceColor(0);
        break;
      case WHITENESS:
        SetSourceColor(0xFFFFFF);
        break;
      case PATCOPY:
        SetBrushSource();
        break;
      default: {
        if (!enlarged.Empty()) {
          // Already at its size on the pixels.
          cairo_set_source_surface(cr_, image, at.x, at.y);
          cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
        } else {
          // Destination rectangle to source pixels, in logical units: the
          // source takes the transform in force when it is set.
          cairo_matrix_t mt = ToCairo(state_.transform);
          cairo_set_matrix(cr_, &mt);
          cairo_pattern_t* p = cairo_pattern_create_for_surface(image);
          cairo_matrix_t pm;
          cairo_matrix_init_translate(&pm, src.left, src.top);
          cairo_matrix_scale(&pm, sw / dw, sh / dh);
          cairo_matrix_translate(&pm, -double(dest.left), -double(dest.top));
          cairo_pattern_set_matrix(p, &pm);
          cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
          cairo_pattern_set_filter(p, nearest                                   ? CAIRO_FILTER_NEAREST
                                      : std::abs(dw) < sw || std::abs(dh) < sh ? CAIRO_FILTER_GOOD
                                                                                : CAIRO_FILTER_BILINEAR);
          cairo_set_source(cr_, p);
          cairo_pattern_destroy(p);
          cairo_identity_matrix(cr_);
        }
        if (rop == SRCCOPY && state_.paint) cairo_set_operator(cr_, BlendOperator(state_.paint->blendMode));
        if (rop == SRCAND) cairo_set_operator(cr_, CAIRO_OPERATOR_MULTIPLY);
        if (rop == SRCPAINT) cairo_set_operator(cr_, CAIRO_OPERATOR_LIGHTEN);
        if (rop == SRCINVERT) cairo_set_operator(cr_, CAIRO_OPERATOR_DIFFERENCE);
      }
    }
    if (rop == DSTINVERT) {
      SetSourceColor(0xFFFFFF);
      cairo_set_operator(cr_, CAIRO_OPERATOR_DIFFERENCE);
    }
    cairo_fill(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  });
  cairo_surface_destroy(image);
}

void CairoCanvas::StretchDib(Rect dest, Rect src, const DibData& dib, uint32_t rop) {
  auto px = DecodeDib(dib);
  if (!px) return;
  DrawPixels(dest, src, *px, rop);
}

void CairoCanvas::DrawBitmap(Rect dest, const Bitmap& pixels) {
  DrawPixels(dest, {0, 0, pixels.Width(), pixels.Height()}, pixels, SRCCOPY);
}

void CairoCanvas::DrawJpeg(Rect dest, const std::string& jpeg, int32_t width, int32_t height) {
  auto px = DecodeJpegBits(jpeg);
  if (!px) return;
  (void)width, (void)height;
  DrawPixels(dest, {0, 0, px->Width(), px->Height()}, *px, SRCCOPY);
}

}  // namespace vn::platform
