#include "docx/ooxml_values.h"

#include <gtest/gtest.h>

#include "runtime/exceptions.h"

namespace ooxml_values_test {

using namespace vn::docx;

TEST(DocxValues, OnOffAcceptsEveryWrittenForm) {
  struct Case {
    const char16_t* text;
    bool other;
    bool expected;
  };
  const Case cases[] = {
      {u"true", false, true}, {u"1", false, true},  {u"on", false, true},   {u"false", true, false},
      {u"0", true, false},    {u"off", true, false}, {u"", true, true},     {u"", false, false},
      {u"yes", false, false}, {u"TRUE", true, true}, {u"TRUE", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseOnOff(c.text, c.other), c.expected) << vn::ToUtf8(c.text) << " other " << c.other;
  }
}

TEST(DocxValues, LengthsBecomePixelsAndPoints) {
  EXPECT_EQ(TwipsToPixels(720), 48);
  EXPECT_EQ(TwipsToPixels(2880), 192);
  EXPECT_EQ(TwipsToPixels(-360), -24);
  EXPECT_EQ(TwipsToPixels(7), 0);
  EXPECT_EQ(TwipsToPixels(8), 1);
  EXPECT_EQ(EmuToPixels(914400), 96);
  EXPECT_EQ(EmuToPixels(12700), 1);
  EXPECT_EQ(HalfPointsToPoints(21), 10);
  EXPECT_EQ(HalfPointsToPoints(23), 12);
  EXPECT_EQ(HalfPointsToPoints(24), 12);
  EXPECT_EQ(EighthPointsToPixels(4), 2);
  EXPECT_EQ(EighthPointsToPixels(12), 3);
  EXPECT_EQ(EighthPointsToPixels(24), 4);
  EXPECT_EQ(EighthPointsToPixels(0), 0);
  EXPECT_EQ(PointsToPixels(3), 4);
  // A line counts 12 points: 100 hundredths are 16 pixels.
  EXPECT_EQ(LineHundredthsToPixels(100), 16);
  EXPECT_EQ(LineHundredthsToPixels(50), 8);
}

TEST(DocxValues, ColoursAreSixHexDigits) {
  using vn::framework::TvnRGBColor;
  EXPECT_EQ(ParseHexColor(u"FF0000"), (TvnRGBColor{255, 0, 0}));
  EXPECT_EQ(ParseHexColor(u"00ff80"), (TvnRGBColor{0, 255, 128}));
  EXPECT_EQ(ParseHexColor(u"ZZ0080"), (TvnRGBColor{0, 0, 128}));
  EXPECT_EQ(ParseHexColor(u"FF00"), (TvnRGBColor{255, 0, 0}));
  EXPECT_EQ(ParseHexColor(u""), (TvnRGBColor{0, 0, 0}));
}

TEST(DocxValues, IntegersAreDecimalOrAConvertError) {
  EXPECT_EQ(ReadInteger(u"-12"), -12);
  EXPECT_THROW(ReadInteger(u"12.5"), vn::EConvertError);
  EXPECT_THROW(ReadInteger(u""), vn::EConvertError);
}

}  // namespace ooxml_values_test
