// Value types shared by the whole framework: colours, page sizes, the
// window-system rectangle, the measurement units and the styles of the
// drawing attributes (pen, brush, font).
#pragma once

#include <cstdint>

#include "runtime/containers.h"

namespace vn::framework {

struct TvnRGBColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  bool operator==(const TvnRGBColor&) const = default;
};

struct TvnPageSize {
  double Height = 0;
  double Width = 0;
};

// The window system's rectangle of four signed 32-bit integers.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  bool operator==(const TRect&) const = default;
};

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPoint&) const = default;
};

// Per inch: 96 pixels, 72 points, 1 inch, 25.4 millimetres, 1440 twips,
// 914400 EMU.
enum class TvnMeasurementUnit : uint8_t { muPixels, muPoints, muInches, muMM, muTwips, muEMU };

enum class TvnPenStyle : uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame,
  psUserStyle,
  psAlternate
};

enum class TvnBrushStyle : uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

enum class TvnFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut, fsColor, fsFontSize };
using TvnFontStyles = vn::EnumSet<TvnFontStyle>;

enum class TvnFontFamily : uint8_t { ffNil, ffRoman, ffSwiss, ffModern, ffScript, ffDecor, ffTech, ffBidi };
using TvnFontFamilies = vn::EnumSet<TvnFontFamily>;

}  // namespace vn::framework
