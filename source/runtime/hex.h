// Hexadecimal digits, for every reader and writer of hex text (PDF strings
// and filters, font programs, RTF, colour and code-point text).
#pragma once

namespace vn {

// Upper-case digits by value.
inline constexpr char kHexDigits[] = "0123456789ABCDEF";

constexpr char HexDigit(unsigned value) { return kHexDigits[value & 15]; }

// The value of a hexadecimal digit of either case, -1 for any other
// character (a negative `char` or an end-of-data -1 included).
constexpr int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A' + 10);
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a' + 10);
  return -1;
}

constexpr bool IsHexDigit(char32_t c) { return HexDigitValue(c) >= 0; }

}  // namespace vn
