#include "runtime/float_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vn {
namespace {

// A positive decimal: digits d1 d2 ... (no trailing zeros; empty for zero)
// worth 0.d1d2... x 10^(exponent + 1), i.e. d1 is the digit of 10^exponent.
struct Decimal {
  std::string digits;
  int exponent = 0;

  char DigitOf(int power) const {
    const int idx = exponent - power;
    return idx >= 0 && idx < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(idx)] : '0';
  }
};

// The exact decimal value of a finite, positive double (at most 767
// significant digits).
Decimal Exact(double magnitude) {
  char buf[1024];
  auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 800);
  const std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));
  const size_t e = sci.find('e');
  Decimal d;
  std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+'), sci.data() + sci.size(), d.exponent);
  // The mantissa is d.ddd...: digits up to the last one that is not a zero
  // (most of the 800 asked for are trailing zeros), appended at once since
  // every number a writer formats comes through here.
  size_t last = e;
  while (last > 0 && (sci[last - 1] == '0' || sci[last - 1] == '.')) --last;
  if (last == 0) return d;
  d.digits.reserve(last);
  d.digits += sci[0];
  if (last > 2) d.digits.append(sci.substr(2, last - 2));
  return d;
}

// Keeps the first `count` digits, rounding halves away from zero as the
// runtime does (count <= 0 rounds at a place before the first digit).
Decimal RoundTo(Decimal d, int count) {
  if (count >= static_cast<int>(d.digits.size())) return d;
  if (count < 0) return Decimal{};
  const bool up = d.digits[static_cast<size_t>(count)] >= '5';
  d.digits.resize(static_cast<size_t>(count));
  if (up) {
    size_t i = d.digits.size();
    while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
    if (i == 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exponent;
    } else {
      ++d.digits[i - 1];
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

std::string ExponentText(int exponent, int min_digits, bool plus_sign) {
  std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(digits.size()) < min_digits) digits.insert(0, static_cast<size_t>(min_digits) - digits.size(), '0');
  if (exponent < 0) return "-" + digits;
  return plus_sign ? "+" + digits : digits;
}

// Integer digits, then `decimals` digits after a ".".
std::string FixedText(const Decimal& d, int decimals) {
  std::string out;
  for (int power = std::max(d.exponent, 0); power >= 0; --power) out += d.DigitOf(power);
  if (decimals > 0) {
    out += '.';
    for (int k = 1; k <= decimals; ++k) out += d.DigitOf(-k);
  }
  return out;
}

std::string GroupThousands(const std::string& fixed) {
  const size_t point = std::min(fixed.find('.'), fixed.size());
  std::string int_part = fixed.substr(0, point);
  for (int i = static_cast<int>(int_part.size()) - 3; i > 0; i -= 3) int_part.insert(static_cast<size_t>(i), ",");
  return int_part + fixed.substr(point);
}

std::string General(const Decimal& exact, bool negative, int precision, int exponent_digits) {
  const Decimal d = RoundTo(exact, precision);
  if (d.digits.empty()) return "0";
  std::string out = negative ? "-" : "";
  if (d.exponent < -4 || d.exponent >= precision) {  // below 1E-4 or too many integer digits
    out += d.digits[0];
    if (d.digits.size() > 1) out += "." + d.digits.substr(1);
    return out + "E" + ExponentText(d.exponent, exponent_digits, false);
  }
  const int decimals = std::max(0, static_cast<int>(d.digits.size()) - 1 - d.exponent);
  return out + FixedText(d, decimals);
}

}  // namespace

std::string FloatToStrFA(double value, TFloatFormat format, int precision, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  precision = std::clamp(precision, 1, 17);
  const bool negative = value < 0;
  const Decimal exact = value == 0 ? Decimal{} : Exact(std::fabs(value));

  switch (format) {
    case TFloatFormat::ffGeneral:
      return General(exact, negative, precision, std::clamp(digits, 0, 4));

    case TFloatFormat::ffExponent: {
      Decimal d = RoundTo(exact, precision);
      if (d.digits.empty()) d.exponent = 0;
      d.digits.resize(static_cast<size_t>(precision), '0');
      std::string out = negative && d.digits.find_first_not_of('0') != std::string::npos ? "-" : "";
      out += d.digits[0];
      if (precision > 1) out += "." + d.digits.substr(1);
      return out + "E" + ExponentText(d.exponent, std::clamp(digits, 0, 4), true);
    }

    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber:
    case TFloatFormat::ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      // One rounding, at the decimals or at the precision, whichever comes first.
      const Decimal d = RoundTo(exact, std::min(precision, exact.exponent + 1 + digits));
      if (!d.digits.empty() && d.exponent >= precision) return General(exact, negative, precision, 0);
      std::string body = FixedText(d, digits);
      const bool signed_value = negative && !d.digits.empty();
      if (format != TFloatFormat::ffFixed) body = GroupThousands(body);
      if (format == TFloatFormat::ffCurrency) return signed_value ? "($" + body + ")" : "$" + body;
      return signed_value ? "-" + body : body;
    }
  }
  return {};
}

String FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FromAscii(FloatToStrFA(value, format, precision, digits));
}

}  // namespace vn
