#include "runtime/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "runtime/exceptions.h"
#include "runtime/float_format.h"

namespace vn {

int64_t Round(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2233720368547758e18) return INT64_MAX;
  if (value <= -9.2233720368547758e18) return INT64_MIN;
  // The default floating-point rounding mode rounds to nearest, ties to even.
  return static_cast<int64_t>(std::nearbyint(value));
}

int32_t RoundToInt(double value) {
  int64_t r = Round(value);
  if (r > INT32_MAX) return INT32_MAX;
  if (r < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(r);
}

int64_t Trunc(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2233720368547758e18) return INT64_MAX;
  if (value <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<int64_t>(value);
}

namespace {

// The value rounded to `precision` significant digits: its digits without
// trailing zeros, the decimal exponent of the first one, and its sign.
void SignificantDigits(double value, int precision, std::string& digits, int& exponent, bool& negative) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
  std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));
  size_t epos = sci.find('e');
  exponent = std::stoi(std::string(sci.substr(epos + 1)));
  negative = sci[0] == '-';
  digits.clear();
  for (char c : sci.substr(0, epos))
    if (c >= '0' && c <= '9') digits.push_back(c);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

std::string FixedFromDigits(bool negative, const std::string& digits, int exponent) {
  std::string out = negative ? "-" : "";
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const size_t int_digits = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= int_digits) {
    out += digits;
    out.append(int_digits - digits.size(), '0');
  } else {
    out += digits.substr(0, int_digits);
    out += '.';
    out += digits.substr(int_digits);
  }
  return out;
}

int ClampPrecision(int precision) { return precision < 1 ? 1 : precision > 17 ? 17 : precision; }

}  // namespace

std::string FloatToStrA(double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  precision = ClampPrecision(precision);
  std::string digits;
  int exponent = 0;
  bool negative = false;
  SignificantDigits(value, precision, digits, exponent, negative);
  if (exponent < -4 || exponent >= precision) {
    std::string out = negative ? "-" : "";
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  return FixedFromDigits(negative, digits, exponent);
}

std::string FloatToPlainTextA(double value, int precision) {
  if (!std::isfinite(value) || value == 0) return "0";
  std::string digits;
  int exponent = 0;
  bool negative = false;
  SignificantDigits(value, ClampPrecision(precision), digits, exponent, negative);
  return FixedFromDigits(negative, digits, exponent);
}

String FloatToStr(double value, int precision) { return FromAscii(FloatToStrA(value, precision)); }

std::string FormatFixedA(double value, int decimals) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (decimals < 0) decimals = 0;
  if (decimals > 30) decimals = 30;
  // Halves round away from zero as the runtime's "%.*f" does, through the
  // formatted-float routine's fixed form; it carries 17 significant digits
  // (all a double holds) and zeros after them.
  if (std::fabs(value) < 1e17) {
    std::string out = FloatToStrFA(value, TFloatFormat::ffFixed, 17, std::min(decimals, 18));
    if (decimals > 18) out.append(static_cast<size_t>(decimals - 18), '0');
    return out;
  }
  // From 1E17 on a double is a whole number: no half to round.
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string out(buf, res.ptr);
  // "-0.0000" is written without its sign.
  if (out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
  return out;
}

String FormatFixed(double value, int decimals) { return FromAscii(FormatFixedA(value, decimals)); }

std::optional<double> TryStrToFloat(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (*first == '+') ++first;
  if (first == last) return std::nullopt;
  double value = 0;
  auto res = std::from_chars(first, last, value, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != last) return std::nullopt;
  return value;
}

std::optional<double> TryStrToFloat(StringView text) {
  std::string ascii;
  ascii.reserve(text.size());
  for (char16_t c : text) {
    if (c >= 0x80) return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  return TryStrToFloat(std::string_view(ascii));
}

double StrToFloat(StringView text) {
  auto v = TryStrToFloat(text);
  if (!v) throw EConvertError(u"'" + String(text) + u"' is not a valid floating point value");
  return *v;
}

}  // namespace vn
