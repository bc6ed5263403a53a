// Numbers as the document code expects them: rounding half to even, the
// runtime's general and fixed float texts, parsing, all locale-free ("." is
// the decimal separator whatever the process locale), and checked size
// arithmetic for readers of outside bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/strings.h"

namespace vn {

// Round half to even (banker's rounding), saturating at the int64 range;
// NaN gives 0.
int64_t Round(double value);
// Round half to even into int32, saturating.
int32_t RoundToInt(double value);
// Truncation toward zero, saturating.
int64_t Trunc(double value);

// The runtime's general float format with 15 significant digits: fixed
// notation unless the value is below 1E-4 or has more than 15 integer
// digits, then "1.5E-7" /
// "1E20" (no "+", no padding). Trailing zeros and a trailing "." are dropped.
std::string FloatToStrA(double value, int precision = 15);
String FloatToStr(double value, int precision = 15);
// The same digits, always in plain notation (never an exponent): 1e-7 gives
// "0.0000001", 1e20 "100000000000000000000". NaN and infinities give "0".
std::string FloatToPlainTextA(double value, int precision = 15);
// Fixed notation with `decimals` digits after ".", rounded to nearest with
// halves away from zero (0.125 -> "0.13" at 2 decimals).
std::string FormatFixedA(double value, int decimals);
String FormatFixed(double value, int decimals);

// Locale-free parsing. Accepts an optional sign, digits with one ".", and an
// optional exponent; no surrounding blanks.
std::optional<double> TryStrToFloat(std::string_view text);
std::optional<double> TryStrToFloat(StringView text);
double StrToFloat(StringView text);  // EConvertError "'<t>' is not a valid floating point value"

// Checked arithmetic on sizes read from files.
inline std::optional<size_t> CheckedMul(size_t a, size_t b) {
  size_t r;
  if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}
inline std::optional<size_t> CheckedAdd(size_t a, size_t b) {
  size_t r;
  if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}
// A signed file value as a size: nullopt when negative or too large.
template <typename T>
std::optional<size_t> ToSize(T value) {
  if constexpr (std::numeric_limits<T>::is_signed) {
    if (value < 0) return std::nullopt;
  }
  if (static_cast<std::make_unsigned_t<T>>(value) > std::numeric_limits<size_t>::max()) return std::nullopt;
  return static_cast<size_t>(value);
}

}  // namespace vn
