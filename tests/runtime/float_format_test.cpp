#include "runtime/float_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace vn::float_format_test {
namespace {

// The straightforward conversion the runtime used before its integer fast
// path: the exact decimal expansion of the double, rounded once. Kept here
// as the reference every input must still agree with.
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

std::string ReferenceFloatToStrFA(double value, TFloatFormat format, int precision, int digits) {
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


TEST(FloatToStrF, Table) {
  using F = TFloatFormat;
  struct Case {
    double value;
    F format;
    int precision;
    int digits;
    const char* text;
  } cases[] = {
      // The PDF writer's numbers: fixed, precision 18, four decimals.
      {1234.5678, F::ffFixed, 18, 4, "1234.5678"},
      {0.1, F::ffFixed, 18, 4, "0.1000"},
      {-12.25, F::ffFixed, 18, 4, "-12.2500"},
      {0, F::ffFixed, 18, 4, "0.0000"},
      {0.00004, F::ffFixed, 18, 4, "0.0000"},
      {-0.00004, F::ffFixed, 18, 4, "0.0000"},  // no "-0.0000"
      {0.99996, F::ffFixed, 18, 4, "1.0000"},
      {0.03125, F::ffFixed, 18, 4, "0.0313"},    // exact half: away from zero
      {-0.03125, F::ffFixed, 18, 4, "-0.0313"},
      {2.5, F::ffFixed, 18, 0, "3"},
      {9.99995, F::ffFixed, 18, 4, "10.0000"},   // not an exact half in binary
      {1e20, F::ffFixed, 15, 4, "1E20"},         // more integer digits than the precision: general
      // Precision limits the significant digits before the decimals do.
      {1.23456789, F::ffFixed, 3, 4, "1.2300"},
      {123456.789, F::ffFixed, 7, 2, "123456.80"},
      {123456.0, F::ffFixed, 6, 2, "123456.00"},
      {123456.0, F::ffFixed, 5, 2, "1.2346E5"},
      {0.00006, F::ffFixed, 18, 4, "0.0001"},
      {1e-9, F::ffFixed, 18, 4, "0.0000"},
      {1234567.891, F::ffNumber, 18, 2, "1,234,567.89"},
      {-999.5, F::ffNumber, 18, 0, "-1,000"},
      {1234.5, F::ffCurrency, 18, 2, "$1,234.50"},
      {-1234.5, F::ffCurrency, 18, 2, "($1,234.50)"},
      {1234.5, F::ffExponent, 4, 2, "1.235E+03"},
      {-0.00012345, F::ffExponent, 3, 0, "-1.23E-4"},
      {0, F::ffExponent, 3, 2, "0.00E+00"},
      {1e-5, F::ffGeneral, 15, 0, "1E-5"},
      {1e-5, F::ffGeneral, 15, 2, "1E-05"},
      {0.1, F::ffGeneral, 15, 0, "0.1"},
      {1.0 / 3, F::ffGeneral, 5, 0, "0.33333"},
      {0.0001, F::ffGeneral, 15, 0, "0.0001"},
      {1e15, F::ffGeneral, 15, 0, "1E15"},
      {123456789012345.0, F::ffGeneral, 15, 0, "123456789012345"},
      {0.000099999999999999999, F::ffGeneral, 15, 0, "0.0001"},
      {2.384185791015625e-7, F::ffGeneral, 15, 0, "2.38418579101563E-7"},  // exact half at digit 16
      {-0.0, F::ffGeneral, 15, 0, "0"},
      // Near the integer fast path's limits: exact halves, binary values just
      // off a decimal half, no sign on zero, the precision boundary.
      {0.5, F::ffFixed, 18, 0, "1"},
      {-1.5, F::ffFixed, 18, 0, "-2"},
      {123456789.125, F::ffNumber, 17, 2, "123,456,789.13"},
      {-0.005, F::ffFixed, 18, 2, "-0.01"},      // 0.005 is a little above in binary
      {1.005, F::ffFixed, 18, 2, "1.00"},        // 1.005 is a little below
      {128.0 / 255, F::ffFixed, 15, 4, "0.5020"},
      {-0.0, F::ffFixed, 18, 4, "0.0000"},
      {-0.004, F::ffCurrency, 18, 2, "$0.00"},
      {5e-324, F::ffFixed, 18, 4, "0.0000"},
      {-5e-324, F::ffFixed, 18, 4, "0.0000"},
      {999.5, F::ffFixed, 4, 0, "1000"},
      {9999.5, F::ffFixed, 4, 0, "1E4"},         // rounds up past the precision
      {123.5, F::ffFixed, 3, 1, "124.0"},        // precision is tighter than one decimal
      {1e16, F::ffFixed, 17, 0, "10000000000000000"},
      {1e17, F::ffFixed, 17, 0, "1E17"},
      {9007199254740992.0, F::ffFixed, 17, 4, "9007199254740992.0000"},
      {0.015625, F::ffFixed, 18, 5, "0.01563"},  // more decimals than the fast path takes
      {std::numeric_limits<double>::max(), F::ffFixed, 18, 4, "1.7976931348623157E308"},
      {NAN, F::ffFixed, 18, 4, "NAN"},
      {-INFINITY, F::ffFixed, 18, 4, "-INF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToStrFA(c.value, c.format, c.precision, c.digits), c.text)
        << c.value << " format " << static_cast<int>(c.format) << " " << c.precision << "/" << c.digits;
  EXPECT_EQ(FloatToStrF(0.5, TFloatFormat::ffFixed, 18, 1), u"0.5");
}

// Every fixed-point form agrees with the reference: random bit patterns
// (all magnitudes, subnormals, NaN and infinities), exact binary fractions
// (halves at the last decimal), decimals one unit in the last place off, and
// ordinary page coordinates, over all precisions and the decimals around the
// fast path's limit.
TEST(FloatToStrF, FixedFormsMatchTheExactDecimalReference) {
  std::mt19937_64 rng(20261211);
  const TFloatFormat formats[] = {TFloatFormat::ffFixed, TFloatFormat::ffNumber, TFloatFormat::ffCurrency};
  int mismatches = 0;
  for (int i = 0; i < 10000 && mismatches < 10; ++i) {
    double value = 0;
    switch (i % 4) {
      case 0:
        value = std::bit_cast<double>(rng());
        break;
      case 1:  // k / 2^j: exact, often a half at some decimal
        value = std::ldexp(static_cast<double>(static_cast<int64_t>(rng() % 2000001) - 1000000),
                           -static_cast<int>(rng() % 24));
        break;
      case 2: {  // a short decimal, then nudged by at most one unit in the last place
        const double base = static_cast<double>(static_cast<int64_t>(rng() % 20000001) - 10000000) /
                            std::pow(10.0, static_cast<double>(rng() % 8));
        const int nudge = static_cast<int>(rng() % 3) - 1;
        value = nudge == 0 ? base : std::nextafter(base, nudge > 0 ? INFINITY : -INFINITY);
        break;
      }
      default:
        value = std::uniform_real_distribution<double>(-2000.0, 2000.0)(rng);
        break;
    }
    const TFloatFormat format = formats[rng() % 3];
    const int precision = i % 8 == 0 ? static_cast<int>(rng() % 20) : (i % 2 == 0 ? 18 : 15);
    const int digits = i % 8 == 0 ? static_cast<int>(rng() % 8) - 1 : 4;
    const std::string expected = ReferenceFloatToStrFA(value, format, precision, digits);
    const std::string actual = FloatToStrFA(value, format, precision, digits);
    if (actual != expected) ++mismatches;
    EXPECT_EQ(actual, expected) << std::hexfloat << value << " format " << static_cast<int>(format) << " "
                                << precision << "/" << digits;
  }
}

}  // namespace
}  // namespace vn::float_format_test
