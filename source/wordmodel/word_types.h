// What the whole Word model shares: the enumerations of paragraph and run
// formatting, the markers of unset values, and two copying helpers.
//
// Ownership across the model: an element owns its children and whatever
// else the tree holds (std::unique_ptr); links to other elements (a
// paragraph's section, a property object's style) are borrowed raw pointers;
// property objects that several owners may hold at once (paragraph and run
// properties, borders in border tables, tab stops, fonts) are held through
// std::shared_ptr. Every Clone returns a new object the caller owns, of the
// same class as the source.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "framework/page_model.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"

namespace vn::wordmodel {

using vn::String;
using vn::framework::TObject;
using vn::framework::TPoint;
using vn::framework::TRect;
using vn::framework::TvnBaseCanvas;
using vn::framework::TvnBrush;
using vn::framework::TvnCompositeDocItem;
using vn::framework::TvnDocItem;
using vn::framework::TvnFont;
using vn::framework::TvnFontStyle;
using vn::framework::TvnFontStyles;
using vn::framework::TvnPen;
using vn::framework::TvnRGBColor;
using TvnItemList = TvnCompositeDocItem::TvnItemList;

// A numeric property that holds this value is not set: style layers copy
// only values that are set.
inline constexpr int32_t kUnsetValue = 2147483647;
// A side of a table or cell margin that is not set.
inline constexpr int32_t kUnsetMarginSide = -2147483647 - 1;
// No list, list level or colour/font table entry.
inline constexpr int32_t kNoReference = -1;

enum class TvnHAlignment : uint8_t { haLeft, haCenter, haRight, haJustify };
enum class TvnVAlignment : uint8_t { vaTop, vaCenter, vaBottom, vaBoth };
// Vertical position of text within its line.
enum class TvnTextAlignment : uint8_t { taBaseline, taSuperscript, taSubscript };
// Line spacing rule: srAuto counts in 240ths of a line, the others in twips.
enum class TvnSpacingRule : uint8_t { srAuto, srExact, srAtleast };
enum class TvnBreakType : uint8_t { btNone, btPage, btPara, btLine, btTab, btColumn };
// Tab leader.
enum class TvnTabStopChar : uint8_t { tscNone, tscDot, tscHeavy, tscHyphen, tscMiddleDot, tscUnderscore };
// Tab kind.
enum class TvnTabStopValue : uint8_t { tsvStart, tsvEnd, tsvNum, tsvCenter, tsvBar, tsvClear, tsvDecimal };
// Border line style.
enum class TvnDashStyle : uint8_t { dsSolid, dsDash, dsDot, dsDashDot, dsDashDotDot, dsCustom };

// The copy of an object through its virtual Clone, typed as the source's
// static class. Every class of the model clones into its own class, so the
// cast holds; a class that did not would raise EInvalidCast here rather than
// hand out a wrong pointer.
template <typename T>
std::unique_ptr<T> CloneAs(const T& ASource) {
  auto copy = ASource.Clone();
  auto* typed = dynamic_cast<T*>(copy.get());
  if (typed == nullptr) throw vn::EInvalidCast("Invalid class typecast");
  copy.release();
  return std::unique_ptr<T>(typed);
}

// CloneAs of an object that may be missing.
template <typename T>
std::unique_ptr<T> CloneOrNull(const T* ASource) {
  return ASource ? CloneAs(*ASource) : nullptr;
}

// Clones of AItems, in order (a missing item stays missing).
TvnItemList CloneItems(const TvnItemList& AItems);

// When ASource has a layout tag, ADest gets a copy of it associated with
// ADest (replacing its own); otherwise ADest keeps what it has.
void CloneTagInto(const TvnDocItem& ASource, TvnDocItem& ADest);

}  // namespace vn::wordmodel
