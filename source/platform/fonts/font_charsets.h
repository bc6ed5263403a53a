// Window-system character sets of a face, derived from the code-page bits of
// its OS/2 table, as the window system enumerates a face once per character
// set it supports.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/strings.h"

namespace vn::platform {

// Character-set numbers of the window system.
enum : int {
  kAnsiCharset = 0,
  kDefaultCharset = 1,
  kSymbolCharset = 2,
  kMacCharset = 77,
  kShiftJisCharset = 128,
  kHangulCharset = 129,
  kJohabCharset = 130,
  kGb2312Charset = 134,
  kChineseBig5Charset = 136,
  kGreekCharset = 161,
  kTurkishCharset = 162,
  kVietnameseCharset = 163,
  kHebrewCharset = 177,
  kArabicCharset = 178,
  kBalticCharset = 186,
  kRussianCharset = 204,
  kThaiCharset = 222,
  kEastEuropeCharset = 238,
  kOemCharset = 255,
};

// The character sets whose code-page bits are set in ulCodePageRange1/2, in
// bit order, each once. A face without code-page bits (OS/2 version 0 or no
// OS/2 table) counts as ANSI, or symbol when `symbol_cmap` (it has only a
// symbol (3,0) character map).
std::vector<int> CharsetsFromCodePageRanges(uint32_t range1, uint32_t range2, bool has_ranges, bool symbol_cmap);

// The character sets of an installed face family, in the order above; empty
// when the family is not installed (exact name, no aliases).
std::vector<int> FaceCharsets(StringView face_name);

// Adds to `list` every character set of the installed face `face_name` that
// is not yet in it (the window system's font enumeration of that face for
// every character set). An unknown face leaves the list unchanged.
void CollectFontCharsets(StringView face_name, std::vector<int>& list);

}  // namespace vn::platform
