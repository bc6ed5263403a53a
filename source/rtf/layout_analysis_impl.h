// Helpers the group, column-and-table and paragraph analyzers share: the
// sentinels that start minima and maxima, tolerant comparisons, the
// rectangle of an analysis item and an arena that owns what an analyzer
// makes.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "wordmodel/formatter_results.h"

namespace vn::rtf {

// The starting values of minima and maxima; a bound still holding one of
// them was never set.
inline constexpr double kMinStart = 99999999.0;
inline constexpr double kMaxStart = -99999999.0;

inline bool Within(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// The rectangle of a group, line, column or section; (0, 0, 0, 0) for an
// item that has none.
const wordmodel::TvnRectF& ItemRect(const wordmodel::TObject* AItem);

// The number of lines a group holds; 0 for anything else.
size_t LineCount(const wordmodel::TvnDocItem* AItem);

// Sets a group's bounds from its lines, as the group analysis sets them: X
// the smallest line X, the width the largest line width, from the first
// line's top to the last line's baseline. A group without lines keeps its
// bounds.
void SetGroupBounds(wordmodel::TvnFormatterGroup* AGroup);

// Owns every object an analyzer makes (lines, groups, bands, columns,
// sections, tables, paragraphs, text elements) for as long as the analyzer
// lives; the collections the analyzers hand on only refer to them.
class AnalysisArena {
 public:
  template <class T, class... Args>
  T* Make(Args&&... AArgs) {
    auto object = std::make_unique<T>(std::forward<Args>(AArgs)...);
    T* result = object.get();
    FObjects.push_back(std::move(object));
    return result;
  }

 private:
  std::vector<std::unique_ptr<wordmodel::TObject>> FObjects;
};

}  // namespace vn::rtf
