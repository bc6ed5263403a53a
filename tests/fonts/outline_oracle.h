// Outlines compared as shapes: our outline records and FreeType's decomposed
// outline both become closed contours of line and cubic segments, with
// empty figures and zero-length lines left out (FreeType closes each contour
// itself and drops a closing point that repeats the start). FreeType loads
// unscaled and unhinted; its font units are scaled by the caller's factor
// and y is negated, as our outlines point down.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_FONT_FORMATS_H

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "fonts/outline.h"

namespace vn::fonts::testing {

struct Pt {
  double x = 0, y = 0;
};
struct Segment {
  bool curve = false;
  Pt c1, c2, end;
};
struct Contour {
  Pt start;
  std::vector<Segment> segments;
};
using Shape = std::vector<Contour>;

class ShapeBuilder {
 public:
  void Move(Pt p) {
    Finish();
    open_ = true;
    current_ = {p, {}};
  }
  void Line(Pt p) {
    Begin();
    current_.segments.push_back({false, {}, {}, p});
  }
  void Curve(Pt c1, Pt c2, Pt p) {
    Begin();
    current_.segments.push_back({true, c1, c2, p});
  }
  void Finish() {
    if (!open_) return;
    open_ = false;
    Contour c = current_;
    if (!c.segments.empty()) c.segments.push_back({false, {}, {}, c.start});
    Contour kept{c.start, {}};
    Pt at = c.start;
    for (const Segment& s : c.segments) {
      if (!s.curve && Near(s.end, at)) continue;
      kept.segments.push_back(s);
      at = s.end;
    }
    if (!kept.segments.empty()) shape_.push_back(kept);
  }
  Shape Take() {
    Finish();
    return std::move(shape_);
  }
  Pt Last() const { return current_.segments.empty() ? current_.start : current_.segments.back().end; }

 private:
  static bool Near(Pt a, Pt b) { return std::fabs(a.x - b.x) < 1e-9 && std::fabs(a.y - b.y) < 1e-9; }
  void Begin() {
    if (!open_) {  // drawing without a move starts at the last point
      Pt p = Last();
      open_ = true;
      current_ = {p, {}};
    }
  }
  Shape shape_;
  Contour current_;
  bool open_ = false;
};

inline Shape FromRecList(const TvnRecList& list) {
  ShapeBuilder b;
  for (const Instructions& r : list) {
    switch (r.Name) {
      case TvnStepKind::moveto: b.Move({r.pt2.X, r.pt2.Y}); break;
      case TvnStepKind::lineto: b.Line({r.pt2.X, r.pt2.Y}); break;
      case TvnStepKind::curveto:
        b.Curve({r.pt3[1].X, r.pt3[1].Y}, {r.pt3[2].X, r.pt3[2].Y}, {r.pt3[3].X, r.pt3[3].Y});
        break;
      case TvnStepKind::closepath:
      case TvnStepKind::close:
        b.Finish();
        break;
      default: break;
    }
  }
  return b.Take();
}

// "" when the shapes match within `tolerance`, else where they part.
inline std::string CompareShapes(const Shape& ours, const Shape& theirs, double tolerance) {
  char buf[256];
  if (ours.size() != theirs.size()) {
    std::snprintf(buf, sizeof buf, "%zu contours, FreeType %zu", ours.size(), theirs.size());
    return buf;
  }
  auto far = [&](Pt a, Pt b) { return std::fabs(a.x - b.x) > tolerance || std::fabs(a.y - b.y) > tolerance; };
  for (size_t i = 0; i < ours.size(); ++i) {
    const Contour &a = ours[i], &b = theirs[i];
    if (a.segments.size() != b.segments.size() || far(a.start, b.start)) {
      std::snprintf(buf, sizeof buf, "contour %zu: %zu segments from (%g,%g), FreeType %zu from (%g,%g)", i,
                    a.segments.size(), a.start.x, a.start.y, b.segments.size(), b.start.x, b.start.y);
      return buf;
    }
    for (size_t k = 0; k < a.segments.size(); ++k) {
      const Segment &s = a.segments[k], &t = b.segments[k];
      if (s.curve != t.curve || far(s.end, t.end) || (s.curve && (far(s.c1, t.c1) || far(s.c2, t.c2)))) {
        std::snprintf(buf, sizeof buf, "contour %zu segment %zu: %s to (%g,%g), FreeType %s to (%g,%g)", i, k,
                      s.curve ? "curve" : "line", s.end.x, s.end.y, t.curve ? "curve" : "line", t.end.x, t.end.y);
        return buf;
      }
    }
  }
  return "";
}

// One face opened by FreeType from bytes held by the caller.
class FreeTypeFace {
 public:
  explicit FreeTypeFace(const std::string& bytes) {
    if (FT_Init_FreeType(&library_)) return;
    if (FT_New_Memory_Face(library_, reinterpret_cast<const FT_Byte*>(bytes.data()),
                           static_cast<FT_Long>(bytes.size()), 0, &face_))
      face_ = nullptr;
  }
  ~FreeTypeFace() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }
  FreeTypeFace(const FreeTypeFace&) = delete;
  FreeTypeFace& operator=(const FreeTypeFace&) = delete;

  bool ok() const { return face_ != nullptr; }
  int UnitsPerEm() const { return face_->units_per_EM; }
  std::string Format() const { return FT_Get_Font_Format(face_); }
  FT_Face face() const { return face_; }
  std::vector<std::string> GlyphNames() const {
    std::vector<std::string> names;
    char name[256];
    for (FT_Long i = 0; i < face_->num_glyphs; ++i)
      if (!FT_Get_Glyph_Name(face_, static_cast<FT_UInt>(i), name, sizeof name)) names.emplace_back(name);
    return names;
  }
  // The glyph's outline, unscaled and unhinted, in font units times
  // `scale`, y down; nullopt when FreeType cannot load it.
  std::optional<Shape> Outline(const std::string& glyph_name, double scale) const {
    return OutlineOfGlyph(FT_Get_Name_Index(face_, glyph_name.c_str()), scale);
  }
  std::optional<Shape> OutlineOfGlyph(FT_UInt index, double scale) const {
    if (FT_Load_Glyph(face_, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING)) return std::nullopt;
    struct Ctx {
      ShapeBuilder b;
      double s;
      Pt P(const FT_Vector* v) const { return {static_cast<double>(v->x) * s, -static_cast<double>(v->y) * s}; }
    } ctx{{}, scale};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* u) {
      auto* c = static_cast<Ctx*>(u);
      c->b.Move(c->P(to));
      return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* u) {
      auto* c = static_cast<Ctx*>(u);
      c->b.Line(c->P(to));
      return 0;
    };
    funcs.conic_to = [](const FT_Vector* ctrl, const FT_Vector* to, void* u) {
      auto* c = static_cast<Ctx*>(u);
      const Pt from = c->b.Last(), q = c->P(ctrl), p = c->P(to);
      c->b.Curve({from.x + 2.0 / 3 * (q.x - from.x), from.y + 2.0 / 3 * (q.y - from.y)},
                 {p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y)}, p);
      return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* u) {
      auto* c = static_cast<Ctx*>(u);
      c->b.Curve(c->P(c1), c->P(c2), c->P(to));
      return 0;
    };
    if (FT_Outline_Decompose(&face_->glyph->outline, &funcs, &ctx)) return std::nullopt;
    return ctx.b.Take();
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

}  // namespace vn::fonts::testing
