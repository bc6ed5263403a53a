#include "runtime/numbers.h"

#include <gtest/gtest.h>

#include <clocale>

#include "runtime/exceptions.h"
#include "support/prerequisites.h"

namespace vn::numbers_test {
namespace {

TEST(Round, HalvesGoToEven) {
  struct Case {
    double in;
    int64_t out;
  } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {1e300, INT64_MAX}};
  for (const auto& c : cases) EXPECT_EQ(Round(c.in), c.out) << c.in;
  EXPECT_EQ(RoundToInt(3e10), INT32_MAX);
}

TEST(FloatToStr, GeneralFormat) {
  struct Case {
    double in;
    const char* out;
  } cases[] = {{0, "0"},          {1, "1"},           {-1.5, "-1.5"},        {0.1, "0.1"},
               {1e-5, "1E-5"},    {0.0001, "0.0001"}, {1.5e-7, "1.5E-7"},    {123456789012345.0, "123456789012345"},
               {1e15, "1E15"},    {1e20, "1E20"},     {1.0 / 3, "0.333333333333333"}, {100, "100"},
               {2.5e-5, "2.5E-5"}, {12.75, "12.75"}};
  for (const auto& c : cases) EXPECT_EQ(FloatToStrA(c.in), c.out) << c.in;
}

TEST(FormatFixed, RoundsHalvesAwayFromZeroAndDropsNegativeZero) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {1, 4, "1.0000"},          {128.0 / 255, 4, "0.5020"},   {-0.00001, 4, "0.0000"},
      {-2.5, 0, "-3"},           {2.5, 0, "3"},                {0.125, 2, "0.13"},
      {-0.125, 2, "-0.13"},      {0.5, 0, "1"},                {1.0 / 32, 4, "0.0313"},
      {0.1, 20, "0.10000000000000001000"},                     {123.0, -1, "123"},
      {1e17, 2, "100000000000000000.00"},                      {-3e20, 0, "-300000000000000000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFixedA(c.value, c.decimals), c.text) << c.value;
}

TEST(Numbers, IgnoreProcessLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  if (!vn::test_support::SetLocale("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  EXPECT_EQ(FloatToStrA(1.25), "1.25");
  EXPECT_EQ(FormatFixedA(0.5, 2), "0.50");
  EXPECT_EQ(TryStrToFloat(std::string_view("3.5")).value_or(0), 3.5);
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(StrToFloat, RejectsMalformed) {
  for (const char* bad : {"", "1,5", " 1", "1 ", "abc", "1.2.3", "+"})
    EXPECT_FALSE(TryStrToFloat(std::string_view(bad)).has_value()) << bad;
  EXPECT_EQ(*TryStrToFloat(std::string_view("-1e3")), -1000);
  EXPECT_THROW(StrToFloat(u"x"), EConvertError);
}

TEST(Checked, OverflowIsCaught) {
  EXPECT_FALSE(CheckedMul(SIZE_MAX / 2 + 1, 2).has_value());
  EXPECT_EQ(*CheckedMul(1000, 1000), 1000000u);
  EXPECT_FALSE(CheckedAdd(SIZE_MAX, 1).has_value());
  EXPECT_FALSE(ToSize(-1).has_value());
  EXPECT_EQ(*ToSize(int64_t{5}), 5u);
}

}  // namespace
}  // namespace vn::numbers_test
