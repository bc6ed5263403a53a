#include "runtime/float_format.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vn::float_format_test {
namespace {

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
      {NAN, F::ffFixed, 18, 4, "NAN"},
      {-INFINITY, F::ffFixed, 18, 4, "-INF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToStrFA(c.value, c.format, c.precision, c.digits), c.text)
        << c.value << " format " << static_cast<int>(c.format) << " " << c.precision << "/" << c.digits;
  EXPECT_EQ(FloatToStrF(0.5, TFloatFormat::ffFixed, 18, 1), u"0.5");
}

}  // namespace
}  // namespace vn::float_format_test
