// Glyph outlines as the font-program readers hand them out: a TvnRecList of
// Instructions records, each one step of the outline. Coordinates are
// output units (pixels of the requested size, y growing downwards), not
// font units. The list owns its records.
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace vn::fonts {

struct TvnPointF {
  float X = 0;
  float Y = 0;
  bool operator==(const TvnPointF&) const = default;
};

// The step kinds: charstring outlines use moveto, lineto, curveto and
// closepath; TrueType outlines use lineto, curveto, close (a figure break
// before each contour), addshape (the figures so far form one shape) and
// transformmatrix (the transform of the composite component that follows).
enum class TvnStepKind { moveto, lineto, curveto, closepath, close, addshape, transformmatrix };

// The step kind's name ("moveto", "lineto", ...).
std::string_view StepName(TvnStepKind kind);

// One outline step. Only the fields of its kind are meaningful; the others
// stay zero.
struct Instructions {
  TvnStepKind Name = TvnStepKind::moveto;
  float X = 0, Y = 0;          // target of moveto and of a Type 1 lineto
  float strtx = 0, strty = 0;  // closepath: start of the sub-path
  TvnPointF pt2;               // target of moveto and lineto
  TvnPointF prev;              // lineto: its start point; moveto: the point itself
  float prevx = 0, prevy = 0;  // closepath: the current point
  TvnPointF strt;              // reserved
  // curveto: [0] start, [1] and [2] control points, [3] end;
  // transformmatrix: [0] = (a, b), [1] = (c, d), [2] = (e, f).
  std::array<TvnPointF, 7> pt3{};
};
using PInstructions = Instructions*;

class TvnRecList {
 public:
  // Appends one record; returns its index.
  int Add(const Instructions& value);
  // Moves every record of `other` to the end of this list; `other` is left
  // empty, so each record keeps one owner.
  void Add(TvnRecList&& other);
  // Record `index`; EListError "List index out of bounds (<index>)" outside.
  const Instructions& GetItem(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<Instructions> items_;
};

}  // namespace vn::fonts
