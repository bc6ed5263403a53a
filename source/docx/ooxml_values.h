// The value forms of WordprocessingML and DrawingML that every DOCX reader
// shares: on/off switches, hexadecimal colours, integers, and the length
// units (twips, EMU, half-points, eighths of a point, points), each
// converted to the pixels (96 per inch) or points the Word model holds.
#pragma once

#include <cstdint>

#include "framework/value_types.h"
#include "runtime/strings.h"

namespace vn::docx {

using vn::String;
using vn::StringView;
using vn::framework::TvnRGBColor;

// An on/off value: "true", "1" and "on" are on, "false", "0" and "off" are
// off; anything else (the empty text of a missing attribute included) gives
// AOther. An element present without a value is on, so readers pass true
// there.
bool ParseOnOff(StringView AValue, bool AOther);

// A decimal integer (the runtime's parser: EConvertError for anything else).
int32_t ReadInteger(StringView AValue);
int64_t ReadInteger64(StringView AValue);

// Twips (1/1440 inch) to pixels, rounded (halves to even).
int32_t TwipsToPixels(int64_t ATwips);
// EMU (1/914400 inch) to pixels, rounded (halves to even).
int32_t EmuToPixels(int64_t AEmu);
// Half-points to points, rounded (halves to even): 21 gives 10, 23 gives 12.
int32_t HalfPointsToPoints(int64_t AHalfPoints);
// A border width in eighths of a point to pixels, rounded up twice:
// ceil(ceil(v / 8) * 96 / 72); 4 gives 2, 12 gives 3, 24 gives 4.
int32_t EighthPointsToPixels(int64_t AEighths);
// Points to pixels, rounded (halves to even).
int32_t PointsToPixels(int64_t APoints);
// Hundredths of a line to pixels, a line counting 12 points (240 twips).
int32_t LineHundredthsToPixels(int64_t AHundredths);

// A colour of six hexadecimal digits "RRGGBB". A pair that is not
// hexadecimal gives 0; a shorter value gives 0 for the pairs it lacks.
TvnRGBColor ParseHexColor(StringView AValue);

}  // namespace vn::docx
