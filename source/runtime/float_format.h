// The runtime's formatted float-to-text conversion (FloatToStrF), locale-free:
// "." is always the decimal separator and "," the thousands separator, and
// the currency form is the US one ("$1,234.50", negative "($1,234.50)").
// Nothing here reads or changes the process locale.
#pragma once

#include <string>

#include "runtime/strings.h"

namespace vn {

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// precision: significant digits (1 to 17; a double holds no more).
// digits: for ffGeneral and ffExponent the minimum number of exponent digits
// (0 to 4); for ffFixed, ffNumber and ffCurrency the digits after the point
// (0 to 18). The value is rounded once, to whichever of the two limits is
// tighter; a value exactly halfway rounds away from zero (2.5 -> "3"). A fixed-point form whose integer part has more digits than
// `precision` falls back to the general form. NaN and infinities give "NAN",
// "INF" and "-INF"; a value that rounds to zero carries no sign.
std::string FloatToStrFA(double value, TFloatFormat format, int precision, int digits);
String FloatToStrF(double value, TFloatFormat format, int precision, int digits);

}  // namespace vn
