#include <gtest/gtest.h>

#include "framework/document_routines.h"

namespace vn::framework::document_routines_units_test {
namespace {

using MU = TvnMeasurementUnit;

TEST(Units, ConvertMeasurementGoesThroughInches) {
  struct Case {
    MU from;
    MU to;
    double value;
    double expected;
  } cases[] = {
      {MU::muInches, MU::muTwips, 1, 1440},      {MU::muPixels, MU::muPoints, 96, 72},
      {MU::muPoints, MU::muPixels, 72, 96},      {MU::muPoints, MU::muTwips, 1, 20},
      {MU::muMM, MU::muInches, 25.4, 1},         {MU::muInches, MU::muEMU, 2, 1828800},
      {MU::muEMU, MU::muPoints, 12700, 1},       {MU::muTwips, MU::muMM, 1440, 25.4},
      {MU::muPixels, MU::muPixels, 123.5, 123.5}, {MU::muPoints, MU::muPoints, -7, -7},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(ConvertMeasurement(c.from, c.to, c.value), c.expected)
        << static_cast<int>(c.from) << "->" << static_cast<int>(c.to) << " " << c.value;
  }
}

TEST(Units, PointsToUnit) {
  struct Case {
    MU unit;
    double points;
    double expected;
  } cases[] = {
      {MU::muPixels, 72, 96}, {MU::muPoints, 10, 10}, {MU::muInches, 36, 0.5},
      {MU::muMM, 72, 25.4},   {MU::muTwips, 1, 20},   {MU::muEMU, 2, 25400},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(PointsToUnit(c.unit, c.points), c.expected) << static_cast<int>(c.unit);
  }
  EXPECT_DOUBLE_EQ(PointsToPixels96(72), 96);
  EXPECT_DOUBLE_EQ(PointsToPixels96(7.5), 10);
}

TEST(NumberingTexts, Letters) {
  struct Case {
    int32_t n;
    bool upper;
    const char16_t* expected;
  } cases[] = {
      {0, false, u"a"},   {25, false, u"z"},  {26, false, u"aa"}, {27, false, u"bb"},
      {52, false, u"aaa"}, {26, true, u"AA"}, {2, true, u"C"},
      // A list value of 0 comes as -1: no letter rather than a character
      // before "a".
      {-1, false, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToLetters(c.n, c.upper), c.expected) << c.n;
}

TEST(NumberingTexts, Roman) {
  struct Case {
    int32_t n;
    bool upper;
    const char16_t* expected;
  } cases[] = {
      {1994, true, u"MCMXCIV"}, {1994, false, u"mcmxciv"}, {0, true, u"N"},       {0, false, u"N"},
      {4, false, u"iv"},        {9, true, u"IX"},          {3999, true, u"MMMCMXCIX"}, {40, true, u"XL"},
      {-5, true, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToRoman(c.n, c.upper), c.expected) << c.n;
}

TEST(NumberingTexts, CardinalWordsWithIndianGrouping) {
  struct Case {
    int32_t n;
    const char16_t* expected;
  } cases[] = {
      {0, u"Zero"},
      {7, u"Seven"},
      {13, u"Thirteen"},
      {40, u"Forty"},
      {100, u"One hundred"},
      {123, u"One hundred twenty-three"},
      {1000, u"One thousand"},
      {21000, u"Twenty one thousand"},
      {45678, u"Forty five thousand six hundred seventy-eight"},
      {100001, u"One lakh one"},
      {1500000, u"Fifteen lakh"},
      {9999999, u"Ninety nine lakh ninety nine thousand nine hundred ninety-nine"},
      {10000000, u" "},
      {-3, u" "},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToCardinalText(c.n), c.expected) << c.n;
}

}  // namespace
}  // namespace vn::framework::document_routines_units_test
