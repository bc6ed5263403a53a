#include "framework/writer_routines.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <numbers>

#include "support/prerequisites.h"

namespace vn::framework::writer_routines_test {
namespace {

std::string U8(StringView s) { return ToUtf8(s); }

// Window-system colour from its bytes.
constexpr uint32_t RGB(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

TEST(NumberText, SameUnderACommaLocale) {
  const char* current = std::setlocale(LC_ALL, nullptr);
  const std::string saved = current ? current : "C";
  if (!vn::test_support::SetLocale("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");

  EXPECT_EQ(U8(ColorToPDFRGBText(RGB(255, 0, 0))), "1.0000 0.0000 0.0000");
  EXPECT_EQ(U8(ColorToPDFRGBText(RGB(128, 51, 255))), "0.5020 0.2000 1.0000");
  EXPECT_EQ(U8(FloatToDotText(1234.5)), "1234.5");
  EXPECT_EQ(U8(FloatToDotTextF(-0.125, TFloatFormat::ffFixed, 18, 4)), "-0.1250");
  // Nothing switched the process's separator behind the caller's back.
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");

  std::setlocale(LC_ALL, saved.c_str());
}

TEST(NumberText, FloatToDotTextIsTheGeneralForm) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{0, "0"},       {1, "1"},          {-0.25, "-0.25"},    {1.0 / 3, "0.333333333333333"},
               {1e-5, "1E-5"}, {0.0001, "0.0001"}, {1e15, "1E15"},       {123456789012345.0, "123456789012345"},
               {72.5, "72.5"}, {-1.5e-7, "-1.5E-7"}};
  for (const auto& c : cases) EXPECT_EQ(U8(FloatToDotText(c.value)), c.text) << c.value;
}

TEST(Colors, PDFOperandsHexAndSystemColours) {
  const struct {
    uint32_t color;
    const char* pdf;
    const char* hex;
  } cases[] = {
      {RGB(255, 0, 0), "1.0000 0.0000 0.0000", "FF0000"},
      {RGB(0, 0, 255), "0.0000 0.0000 1.0000", "0000FF"},
      {RGB(18, 52, 86), "0.0706 0.2039 0.3373", "123456"},
      {RGB(0, 128, 51), "0.0000 0.5020 0.2000", "008033"},
      {0x02000000 | RGB(0, 0, 255), "0.0000 0.0000 1.0000", "0000FF"},  // only the low three bytes count
      {0xFF000005, "1.0000 1.0000 1.0000", "050000"},                    // window background: white
      {0xFF000008, "0.0000 0.0000 0.0000", "080000"},                    // window text: black
      {0xFF00000F, "0.9412 0.9412 0.9412", "0F0000"},                    // button face F0F0F0
      {0xFF0000FF, "0.0000 0.0000 0.0000", "FF0000"},                    // no such index: black
  };
  for (const auto& c : cases) {
    EXPECT_EQ(U8(ColorToPDFRGBText(c.color)), c.pdf) << std::hex << c.color;
    EXPECT_EQ(U8(ColorToHexRGB(c.color)), c.hex) << std::hex << c.color;
  }
  uint32_t color = 0xFF00000D;  // highlight 0078D7
  ResolveSystemColor(color);
  EXPECT_EQ(color, RGB(0x00, 0x78, 0xD7));
  color = RGB(1, 2, 3);
  ResolveSystemColor(color);
  EXPECT_EQ(color, RGB(1, 2, 3));
}

TEST(Hex, Texts) {
  EXPECT_EQ(AnsiToHexText(std::string("\x00\xAB", 2)), "00AB");
  EXPECT_EQ(AnsiToHexText("Az\xFF"), "417AFF");
  EXPECT_EQ(AnsiToHexText(""), "");
  EXPECT_EQ(WideToHexText(u"A"), u"0041");
  EXPECT_EQ(WideToHexText(u"\u20AC\uFFFF"), u"20ACFFFF");

  const struct {
    const char16_t* text;
    bool hex;
  } hex_cases[] = {{u"", true}, {u"0123456789abcdefABCDEF", true}, {u"1G", false}, {u" 1", false}, {u"\uFF21", false}};
  for (const auto& c : hex_cases) EXPECT_EQ(IsHexText(c.text), c.hex) << U8(c.text);
}

TEST(Hex, HexStrToByte) {
  const struct {
    const char16_t* text;
    int32_t result;
    uint8_t value;
  } cases[] = {{u"ff", 0, 255}, {u"FF", 0, 255}, {u"0a", 0, 10}, {u"1G", -1, 0}, {u"", 0, 0},
               {u"1FF", 0, 255}, {u"100", 0, 0}, {u"7", 0, 7}, {u"x", -1, 0}};
  for (const auto& c : cases) {
    uint8_t value = 99;
    EXPECT_EQ(HexStrToByte(c.text, value), c.result) << U8(c.text);
    EXPECT_EQ(value, c.value) << U8(c.text);
  }
}

TEST(Strings, EscapePDFLiteralExpandsTabsToStopsOfEight) {
  const struct {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"a\tb", u"a       b"},               // seven blanks
      {u"\tx", u"        x"},                // a tab at the start fills all eight
      {u"(x)", u"\\(x\\)"},
      {u"\b\t", u"\\b        "},             // backspace takes no column
      {u"\f\t", u"\\f        "},
      {u"a\\b", u"a\\\\b"},
      {u"\r\n\t", u"\\r\\n      "},          // CR and LF take a column each
      {u"12345678\t", u"12345678        "},  // on a stop: a full tab width
      {u"1234567\t\t", u"1234567         "},  // one blank, then eight
      {u"\u00E9\u4E2D\t", u"\u00E9\u4E2D      "},  // wide characters pass unchanged
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapePDFLiteral(c.in), c.out) << U8(c.in);
}

TEST(Strings, ReplaceTextIgnoreCase) {
  const struct {
    const char16_t *source, *old_pattern, *new_pattern, *out;
  } cases[] = {
      {u"Hello hello HELLO", u"hello", u"x", u"x x x"},
      {u"aaa", u"aa", u"b", u"ba"},  // left to right, no overlap
      {u"", u"a", u"b", u""},
      {u"abc", u"", u"x", u"abc"},
      {u"1,5 und 2,5", u",", u".", u"1.5 und 2.5"},
      {u"\u00C4rger \u00E4rger", u"\u00E4", u"ae", u"aerger aerger"},
      {u"abc", u"abcd", u"x", u"abc"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceTextIgnoreCase(c.source, c.old_pattern, c.new_pattern), c.out) << U8(c.source);
}

TEST(Strings, PositionsAndPieces) {
  EXPECT_EQ(PosFrom(u"b", u"abcb", 1), 2);
  EXPECT_EQ(PosFrom(u"b", u"abcb", 3), 4);
  EXPECT_EQ(PosFrom(u"b", u"abcb", 5), 0);
  EXPECT_EQ(PosFrom(u"cb", u"abcb", 3), 3);
  EXPECT_EQ(PosFrom(u"cb", u"abcb", 4), 0);
  EXPECT_EQ(PosFrom(u"", u"abc", 1), 0);

  EXPECT_EQ(RightText(u"abcdef", 2), u"ef");
  EXPECT_EQ(RightText(u"abc", 5), u"abc");
  EXPECT_EQ(RightText(u"abc", 0), u"");
  EXPECT_EQ(RightText(u"abc", -1), u"");
  EXPECT_EQ(MidText(u"abcdef", 2, 3), u"bcd");
  EXPECT_EQ(MidText(u"abc", 2, 10), u"bc");
  EXPECT_EQ(ReverseText(u"abc"), u"cba");
  EXPECT_EQ(ReverseText(u"a\U0001F600b"), u"b\U0001F600a");  // the pair stays in order
  EXPECT_EQ(ReverseText(u""), u"");

  EXPECT_EQ(StripTrailingCRLF("abc\r\n"), "abc");
  EXPECT_EQ(StripTrailingCRLF("\r\n"), "");
  EXPECT_EQ(StripTrailingCRLF("abc\n\r"), "abc\n\r");
  EXPECT_EQ(StripTrailingCRLF("abc\r\n\r\n"), "abc\r\n");  // one pair only
  EXPECT_EQ(StripTrailingCRLF("\n"), "\n");
  EXPECT_EQ(IfThenInt(true, 1, 2), 1);
  EXPECT_EQ(IfThenInt(false, 1, 2), 2);
}

TEST(Strings, FindExtensionEnd) {
  const struct {
    const char16_t* text;
    int64_t end;
  } cases[] = {
      {u"C:\\ab\\cdefg.pdf more", 16},  // the blank after the name
      {u"C:\\ab\\cdefg.pdf", 16},       // to the end: length + 1
      {u"C:\\ab\\cdefg", 0},            // no dot in the last part
      {u"C:\\a.b\\c", 0},               // the dot is before the last backslash
      {u"file.pdf", 0},                 // no backslash
      {u"", 1},
      {u"C:\\x\\y.pdf|z", 11},
      {u"see C:\\x\\y.tar.gz\" now", 18},
  };
  for (const auto& c : cases) EXPECT_EQ(FindExtensionEnd(c.text), c.end) << U8(c.text);
}

TEST(Justify, SpreadsBlanksWithTheRemainderInTheLaterGaps) {
  // A monospace face: 10 pixels per character.
  const TvnTextWidthMeasure measure = [](StringView s) { return static_cast<int32_t>(s.size() * 10); };
  const struct {
    const char16_t* text;
    double target;
    const char16_t* out;
  } cases[] = {
      {u"a b c d", 140, u"a   b   c    d"},  // 7 blanks over 3 gaps: 2, 2, 3
      {u"a b c d", 149, u"a   b   c    d"},  // partial blanks are not added
      {u"a b", 10, u"a b"},                   // narrower: unchanged
      {u"  a b", 10, u"a b"},                 // leading blanks are not a word
      {u"abc", 60, u"a b  c"},                // one word: between its letters, 1 then 2
      {u"  ab", 60, u"   a b"},               // leading blanks count as characters
      {u"a  b", 60, u"a    b"},               // a double blank makes a one-blank word
      {u"x", 100, u"x"},
      {u"", 100, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(JustifyTextToWidth(c.text, measure, c.target), c.out) << U8(c.text);

  // A pair of surrogates is one character.
  EXPECT_EQ(JustifyTextToWidth(u"\U0001F600b", [](StringView) { return 10; }, 20), u"\U0001F600 b");
}

TEST(Justify, DegenerateMeasuresAddNothingOrAreBounded) {
  const TvnTextWidthMeasure no_width = [](StringView) { return 0; };
  EXPECT_EQ(JustifyTextToWidth(u"a b", no_width, 100), u"a b");
  const TvnTextWidthMeasure mono = [](StringView s) { return static_cast<int32_t>(s.size()); };
  EXPECT_EQ(JustifyTextToWidth(u"a b", mono, NAN), u"a b");
  const String wide = JustifyTextToWidth(u"a b", mono, INFINITY);
  EXPECT_LE(wide.size(), 70000u);
  EXPECT_EQ(wide.front(), u'a');
  EXPECT_EQ(wide.back(), u'b');
}

TEST(Conversions, ScreenDefaultsAndUnits) {
  EXPECT_EQ(ScreenPixelsPerInch, 96);
  EXPECT_DOUBLE_EQ(ScreenPixelsPerPoint, 96.0 / 72.0);
  EXPECT_DOUBLE_EQ(PixelsToPoints(96), 72);
  EXPECT_DOUBLE_EQ(PointsToPixels(72), 96);
  EXPECT_DOUBLE_EQ(DegreesToRadians(180), std::numbers::pi);
  EXPECT_DOUBLE_EQ(RadiansToDegrees(std::numbers::pi / 2), 90);
  EXPECT_EQ(MakeDoubleRect(1, 2, 3, 4), (TvnRect{1, 2, 3, 4}));
  EXPECT_EQ(ScaleDoubleRect(TvnRect{1, 2, 3, 4}, 0.5), (TvnRect{0.5, 1, 1.5, 2}));
}

TEST(Objects, FreeObjectAndNilEmptiesTheOwnerFirst) {
  struct Watched {
    std::unique_ptr<Watched>* owner = nullptr;
    bool* owner_was_empty = nullptr;
    ~Watched() { *owner_was_empty = *owner == nullptr; }
  };
  bool owner_was_empty = false;
  std::unique_ptr<Watched> owner = std::make_unique<Watched>();
  owner->owner = &owner;
  owner->owner_was_empty = &owner_was_empty;
  FreeObjectAndNil(owner);
  EXPECT_TRUE(owner_was_empty);
  EXPECT_EQ(owner, nullptr);
  FreeObjectAndNil(owner);  // already empty: nothing happens
  EXPECT_EQ(owner, nullptr);
}

TEST(Exceptions, EngineClassesDeriveFromTheRoot) {
  try {
    throw EInvalidEngineState(u"Engine is busy");
  } catch (const vn::Exception& e) {
    EXPECT_EQ(e.Message(), u"Engine is busy");
  }
  EXPECT_THROW(throw EFileCreateError("x"), vn::Exception);
  EXPECT_THROW(throw EInvalidPageNumber("x"), vn::Exception);
  EXPECT_THROW(throw EUnsupportedGraphics("x"), vn::Exception);
}

}  // namespace
}  // namespace vn::framework::writer_routines_test
