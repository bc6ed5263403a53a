#include "runtime/float_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>

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
  for (size_t i = 0; i < e; ++i)
    if (sci[i] != '.') d.digits.push_back(sci[i]);
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
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
  std::string out;
  out.reserve(fixed.size() + point / 3);
  for (size_t i = 0; i < point; ++i) {
    if (i > 0 && (point - i) % 3 == 0) out += ',';
    out += fixed[i];
  }
  out.append(fixed, point);
  return out;
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

// Sign, thousands separators and currency around a fixed-point body.
std::string DressFixed(std::string body, TFloatFormat format, bool signed_value) {
  if (format != TFloatFormat::ffFixed) body = GroupThousands(body);
  if (format == TFloatFormat::ffCurrency) return signed_value ? "($" + body + ")" : "$" + body;
  return signed_value ? "-" + body : body;
}

constexpr uint64_t kPowersOf10[] = {1ULL,
                                    10ULL,
                                    100ULL,
                                    1000ULL,
                                    10000ULL,
                                    100000ULL,
                                    1000000ULL,
                                    10000000ULL,
                                    100000000ULL,
                                    1000000000ULL,
                                    10000000000ULL,
                                    100000000000ULL,
                                    1000000000000ULL,
                                    10000000000000ULL,
                                    100000000000000ULL,
                                    1000000000000000ULL,
                                    10000000000000000ULL,
                                    100000000000000000ULL};

// The fixed-point body (no sign, no grouping) of a finite value's magnitude with up to
// four decimals, computed exactly in integers: the magnitude is m x 2^e, so
// magnitude x 10^decimals = m x 5^decimals x 2^(e + decimals), which fits 64
// bits for m < 2^53 and 5^4 = 625. Rounding the binary fraction away from
// zero at one half is the decimal rounding the slow path does. Applies only
// when the rounded value has at most `precision` digits, so the decimals are
// the tighter limit and the general fallback cannot trigger; otherwise gives
// false and the caller takes the exact-decimal path. `is_zero` tells whether
// everything rounded away.
bool FastFixedBody(double value, int precision, int decimals, std::string& body, bool& is_zero) {
  if (decimals > 4) return false;
  const uint64_t bits = std::bit_cast<uint64_t>(value) & ~(1ULL << 63);  // the magnitude
  const int biased = static_cast<int>(bits >> 52);
  uint64_t mantissa = bits & ((1ULL << 52) - 1);
  int exponent = -1074;
  if (biased != 0) {
    mantissa |= 1ULL << 52;
    exponent = biased - 1075;
  }
  const uint64_t limit = kPowersOf10[precision];  // precision is at most 17
  constexpr uint64_t kPowersOf5[] = {1, 5, 25, 125, 625};
  const uint64_t product = mantissa * kPowersOf5[decimals];
  const int shift = exponent + decimals;
  uint64_t scaled = 0;
  if (shift >= 0) {
    if (shift >= 63 || product > (limit >> shift)) return false;
    scaled = product << shift;
  } else if (shift > -64) {
    const int right = -shift;
    scaled = product >> right;
    const uint64_t rest = product & ((1ULL << right) - 1);
    if (rest >= 1ULL << (right - 1)) ++scaled;
  }  // else product < 2^63 is below half of 2^-shift: rounds to zero
  if (scaled >= limit) return false;
  is_zero = scaled == 0;
  const uint64_t unit = kPowersOf10[decimals];
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, scaled / unit);
  body.assign(buf, res.ptr);
  if (decimals > 0) {
    body += '.';
    uint64_t fraction = scaled % unit;
    char frac[4];
    for (int k = decimals - 1; k >= 0; --k) {
      frac[k] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    body.append(frac, static_cast<size_t>(decimals));
  }
  return true;
}

}  // namespace

std::string FloatToStrFA(double value, TFloatFormat format, int precision, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  precision = std::clamp(precision, 1, 17);
  const bool negative = value < 0;
  if (format == TFloatFormat::ffFixed || format == TFloatFormat::ffNumber || format == TFloatFormat::ffCurrency) {
    std::string body;
    bool is_zero = false;
    if (FastFixedBody(value, precision, std::clamp(digits, 0, 18), body, is_zero))
      return DressFixed(std::move(body), format, negative && !is_zero);
  }
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
      return DressFixed(FixedText(d, digits), format, negative && !d.digits.empty());
    }
  }
  return {};
}

String FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FromAscii(FloatToStrFA(value, format, precision, digits));
}

}  // namespace vn
