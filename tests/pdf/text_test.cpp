#include "pdf/text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <filesystem>
#include <functional>
#include <cmath>
#include <limits>
#include <locale>

#include "pdf/exceptions.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdf::text_test {
namespace {

TEST(PDCharClass, ClassifiesEveryByte) {
  const std::string white("\0\t\n\f\r ", 6);
  const std::string delim = "%()/<>[]{}";
  for (int c = 0; c < 256; ++c) {
    bool is_white = white.find(static_cast<char>(c)) != std::string::npos;
    bool is_delim = delim.find(static_cast<char>(c)) != std::string::npos;
    EXPECT_EQ(IsPDWhiteSpace(c), is_white) << c;
    EXPECT_EQ(IsPDDelimiter(c), is_delim) << c;
    EXPECT_EQ(IsPDRegular(c), !is_white && !is_delim) << c;
  }
  EXPECT_FALSE(IsPDWhiteSpace(-1));
  EXPECT_FALSE(IsPDWhiteSpace(256 + 32));
}

TEST(PDNumbers, IntegerText) {
  EXPECT_EQ(IntToPDText(-7), "-7");
  EXPECT_EQ(IntToPDText(3000000000LL), "3000000000");
  EXPECT_EQ(IntToPDText(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  struct Case {
    const char* text;
    int64_t value;
  } cases[] = {{"12", 12},   {"-5", -5},          {"12a", 0},           {"", 0},
               {"$FF", 255}, {"0x10", 0},         {"4294967295", 4294967295LL},
               {" 1", 0},    {"99999999999999999999", 0}, {"+3", 3}};
  for (const auto& c : cases) EXPECT_EQ(PDTextToInt(c.text), c.value) << c.text;
}

struct FloatCase {
  double value;
  const char* text;
};

const FloatCase kFloatCases[] = {
    {0.5, "0.5"},         {2.5, "2.5"},
    {-0.25, "-0.25"},     {0, "0"},
    {-0.0, "0"},          {1e-5, "0.00001"},
    {1.5e-7, "0.00000015"}, {0.0001, "0.0001"},
    {1e15, "1000000000000000"}, {1e20, "100000000000000000000"},
    {1.0 / 3, "0.333333333333333"}, {123456789012345678.0, "123456789012346000"},
    {100, "100"},         {612.0, "612"},
    {-12.75, "-12.75"},   {0.1 + 0.2, "0.3"},
    {std::numeric_limits<double>::quiet_NaN(), "0"}, {std::numeric_limits<double>::infinity(), "0"},
};

TEST(PDNumbers, RealTextNeverUsesAnExponent) {
  for (const auto& c : kFloatCases) {
    std::string text = FloatToPDText(c.value);
    EXPECT_EQ(text, c.text) << c.value;
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    if (std::isfinite(c.value)) { EXPECT_NEAR(PDTextToFloat(text), c.value, std::fabs(c.value) * 1e-14) << text; }
  }
}

TEST(PDNumbers, TextIsTheSameUnderACommaLocale) {
  std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!vn::test_support::SetLocale("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  std::locale saved_global = std::locale::global(std::locale("de_DE.UTF-8"));
  for (const auto& c : kFloatCases) EXPECT_EQ(FloatToPDText(c.value), c.text) << c.value;
  EXPECT_EQ(PDTextToFloat("0.5"), 0.5);
  EXPECT_THROW(PDTextToFloat("0,5"), EConvertError);
  EXPECT_EQ(ColorBytesToPDRGBText(255, 128, 0), "1.0000 0.5020 0.0000");
  EXPECT_EQ(IntToPDText(-1234567), "-1234567");
  std::locale::global(saved_global);
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(PDNumbers, FloatParsingFailsWithConversionError) {
  for (const char* bad : {"", "abc", "1.2.3", "nan", "inf", "1,5"}) EXPECT_THROW(PDTextToFloat(bad), EConvertError) << bad;
  EXPECT_EQ(PDTextToFloat("-.5"), -0.5);
}

TEST(PDNumbers, UnitTextOfHexBytes) {
  EXPECT_EQ(ColorBytesToPDRGBText(255, 128, 0), "1.0000 0.5020 0.0000");
  EXPECT_EQ(HexByteToUnitText("FF"), "1.0000");
  EXPECT_EQ(HexByteToUnitText("zz"), "0.0000");
  EXPECT_EQ(HexByteToUnitText(""), "0.0000");
}

TEST(PDHex, BytesToHexAndBack) {
  EXPECT_EQ(BytesToHexText(std::string("\x00\xAB\x7f", 3)), "00AB7F");
  EXPECT_EQ(BinToHexText("Hi"), "4869");
  EXPECT_EQ(BufToHexText("Hello", 2), "4865");
  EXPECT_EQ(BufToHexText("Hi", 10), "4869");
  EXPECT_EQ(TextToUTF16HexText("AB"), "FEFF00410042");
  EXPECT_EQ(TextToUTF16HexText("\x80"), "FEFF20AC");  // the euro sign of the system code page
  EXPECT_EQ(TextToUTF16HexText(StringView(u"\u0416x")), "FEFF04160078");

  struct Case {
    const char* hex;
    std::string bytes;
  } to_bytes[] = {{"48656C6C6F", "Hello"},
                  {"ABC", std::string("\x0A\xBC", 2)},
                  {"4G", std::string("\x00", 1)},
                  {"feff00480069", "Hi"},
                  {"", ""}};
  for (const auto& c : to_bytes) EXPECT_EQ(HexTextToBytes(c.hex), c.bytes) << c.hex;

  EXPECT_EQ(HexDigitsToBytes("48 65 6"), "He");
  EXPECT_EQ(HexDigitsToBytes("4x8\n6>5"), "He");
  EXPECT_EQ(HexTextToByteArray("48 65zz6C"), (std::vector<uint8_t>{0x48, 0x65}));
  EXPECT_EQ(HexTextToByteArray("48656"), (std::vector<uint8_t>{0x48, 0x65}));
}

TEST(PDHex, PairToByteAnswersTrueForFailure) {
  uint8_t b = 99;
  EXPECT_FALSE(HexPairToByte("4a", b));
  EXPECT_EQ(b, 0x4A);
  EXPECT_TRUE(HexPairToByte("G1", b));
  EXPECT_EQ(b, 0);
  EXPECT_FALSE(HexPairToByte("1FF", b));
  EXPECT_EQ(b, 0xFF);
  EXPECT_TRUE(IsHexText(""));
  EXPECT_FALSE(IsHexText("0x"));
}

TEST(PDHex, UTF16HexText) {
  EXPECT_EQ(HexUTF16TextToWide("FEFF0041.FEFF0042"), u"A.B");
  EXPECT_EQ(HexUTF16TextToWide("FEFF004100000042"), u"A");
  EXPECT_EQ(HexUTF16TextToWide("4869"), u"Hi");
  EXPECT_EQ(HexUTF16TextToWide("FEFF 0041 0042"), u"AB");
  // Long texts are decoded in full.
  std::string long_hex = "FEFF";
  for (int i = 0; i < 600; ++i) long_hex += "0061";
  EXPECT_EQ(HexUTF16TextToWide(long_hex), String(600, u'a'));
}

TEST(PDTextString, DecodesByMarkOrAsPDFDocEncoding) {
  struct Case {
    std::string value;
    String text;
  } cases[] = {
      {std::string("\xFE\xFF\x00\x41", 4), u"A"},
      {std::string("\xFE\xFF\x00\x41\x00\x00\x00\x42", 8), u"A"},
      {std::string("\xFE\xFF\x04\x16\xD8\x3D\xDE\x00", 8), u"\u0416\U0001F600"},
      {"FEFF0041", u"A"},
      {"Hello", u"Hello"},
      {" Hello", u" Hello"},       // a leading blank does not make it UTF-16
      {"C:\\new", u"C:\\new"},     // escapes are not undone a second time
      {"(a) b)", u"(a) b)"},       // parentheses are text
      {"\x80\x92\xA0", u"\u2022\u2122\u20AC"},
      {"\x18\xE9", u"\u02D8\u00E9"},
      {"\xEF\xBB\xBF\xC3\xA9", u"\u00E9"},
      {"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(PDTextStringToWide(c.value), c.text) << c.value;
}

TEST(PDLiteralString, Unescape) {
  struct Case {
    const char* in;
    std::string out;
  } cases[] = {
      {"a(b\\)c\\101", "a(b)cA"},
      {"\\x", "\\x"},
      {"\\n\\r\\t\\b\\f", "\n\r\t\b\f"},
      {"\\(\\)\\\\", "()\\"},
      {"\\0", std::string("\0", 1)},
      {"\\400", std::string("\0", 1)},
      {"\\1234", "S4"},
      {"\\7x", "\x07x"},
      {"end\\", "end\\"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(UnescapePDString(c.in), c.out) << c.in;
}

TEST(PDLiteralString, EscapeRoundTrips) {
  EXPECT_EQ(EscapePDString("a(b)c\\"), "a\\(b\\)c\\\\");
  EXPECT_EQ(EscapePDString("\b\t\n\f\r\x01\xff"), "\\b\\t\\n\\f\\r\x01\xff");
  std::string all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(UnescapePDString(EscapePDString(all)), all);
}

TEST(PDOctal, TextAndValue) {
  EXPECT_TRUE(IsOctalText("0127"));
  EXPECT_FALSE(IsOctalText("08"));
  EXPECT_EQ(OctalTextToByte("101"), 'A');
  EXPECT_EQ(OctalTextToByte("777"), 0xFF);
  EXPECT_EQ(OctalTextToByte("9"), 0);
}

TEST(PDName, DecodeEveryEscape) {
  struct Case {
    const char* written;
    std::string value;
  } cases[] = {
      {"A#20B", "A B"},
      {"A#41B", "AAB"},
      {"Helvetica#2DBold", "Helvetica-Bold"},
      {"AB#4", "AB4"},
      {"A#zzB", "AzzB"},
      {"#", ""},
      {"#00", std::string("\0", 1)},
      {"#e9t#C3#a9", "\xe9t\xc3\xa9"},
      {"A#2341", "A#41"},  // decoded characters are not examined again
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeName(c.written), c.value) << c.written;
}

TEST(PDName, EncodeEscapesDelimitersAndNonPrintables) {
  struct Case {
    std::string value;
    const char* written;
  } cases[] = {
      {"A B", "A#20B"}, {"A#B", "A#23B"}, {"   ", "   "},       {"", ""},
      {"\xe9", "#E9"},  {"a/b", "a#2Fb"}, {"\x07", "#07"},      {std::string("\0", 1), "#00"},
      {"(x)", "#28x#29"}, {"Type", "Type"}, {"a%b{c}", "a#25b#7Bc#7D"},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeName(c.value), c.written) << c.value;
}

TEST(PDName, EveryByteRoundTrips) {
  for (int c = 0; c < 256; ++c) {
    std::string value = "x" + std::string(1, static_cast<char>(c)) + "y";
    std::string written = EncodeName(value);
    for (char w : written) EXPECT_TRUE(IsPDRegular(static_cast<uint8_t>(w))) << c;
    EXPECT_EQ(DecodeName(written), value) << c;
  }
}

TEST(PDSyntax, TokenAt) {
  EXPECT_EQ(TokenAt("startxref\r\n1234\r\n", 10), "1234");
  EXPECT_EQ(TokenAt("startxref\r\n1234", 10), "1234");
  EXPECT_EQ(TokenAt("  a b\tc", 1), "a b");
  EXPECT_EQ(TokenAt("abc", 10), "");
  EXPECT_EQ(TokenAt("abc", 0), "abc");
}

TEST(PDSyntax, ReplaceAllText) {
  struct Case {
    const char *text, *old_text, *new_text, *out;
  } cases[] = {
      {"aaaa", "aa", "a", "a"},
      {"x--y---z", "--", "-", "x-y-z"},
      {"abc", "b", "bb", "abbc"},  // a replacement holding the old text is made once
      {"abc", "", "x", "abc"},
      {"a  b   c", "  ", " ", "a b c"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceAllText(c.text, c.old_text, c.new_text), c.out) << c.text;
}

TEST(PDDate, Parse) {
  struct Case {
    const char* text;
    TvnPDDateRec expect;
  } cases[] = {
      {"D:20110203040506+01'00'", {2011, 2, 3, 4, 5, 6, true, 60}},
      {"D:20110203040506-05'30'", {2011, 2, 3, 4, 5, 6, true, -330}},
      {"D:20110203040506+0100", {2011, 2, 3, 4, 5, 6, true, 60}},
      {"D:20110203040506+01", {2011, 2, 3, 4, 5, 6, true, 60}},
      {"D:20110203000000Z", {2011, 2, 3, 0, 0, 0, true, 0}},
      {"D:20110203040506Z00'00'", {2011, 2, 3, 4, 5, 6, true, 0}},
      {"D:20110203040506", {2011, 2, 3, 4, 5, 6, false, 0}},
      {"D:2011", {2011, 1, 1, 0, 0, 0, false, 0}},
      {"D:2011020324", {2011, 2, 3, 0, 0, 0, false, 0}},
      {"D:201102030405Z", {2011, 2, 3, 4, 5, 0, true, 0}},
      {"D:20111332", {2011, 1, 1, 0, 0, 0, false, 0}},
      {"D:20110203046070", {2011, 2, 3, 4, 0, 0, false, 0}},
      {"D:20110203040506+25'00'", {2011, 2, 3, 4, 5, 6, false, 0}},
      {"D:abcd", {0, 1, 1, 0, 0, 0, false, 0}},
      {"xxD:1999", {1999, 1, 1, 0, 0, 0, false, 0}},
  };
  for (const auto& c : cases) {
    TvnPDDateRec d;
    ParsePDDate(c.text, d);
    EXPECT_EQ(d.Year, c.expect.Year) << c.text;
    EXPECT_EQ(d.Month, c.expect.Month) << c.text;
    EXPECT_EQ(d.Day, c.expect.Day) << c.text;
    EXPECT_EQ(d.Hour, c.expect.Hour) << c.text;
    EXPECT_EQ(d.Minute, c.expect.Minute) << c.text;
    EXPECT_EQ(d.Second, c.expect.Second) << c.text;
    EXPECT_EQ(d.HasTimeZone, c.expect.HasTimeZone) << c.text;
    EXPECT_EQ(d.TimeZoneMinutes, c.expect.TimeZoneMinutes) << c.text;
  }
}

TEST(PDDate, FieldsNotInTheTextKeepTheCallersValues) {
  TvnPDDateRec d{1999, 7, 8, 9, 10, 11, false, 0};
  ParsePDDate("20110203040506", d);  // no "D:": nothing is read
  EXPECT_EQ(d.Year, 1999);
  EXPECT_EQ(d.Second, 11);
  ParsePDDate("D:201102030405", d);
  EXPECT_EQ(d.Minute, 5);
  EXPECT_EQ(d.Second, 11);
}

TEST(PDDate, BuildAndRoundTrip) {
  struct Case {
    TvnPDDateRec date;
    const char* text;
  } cases[] = {
      {{2011, 2, 3, 4, 5, 6, false, 0}, "D:20110203040506"},
      {{2011, 2, 3, 4, 5, 6, true, 60}, "D:20110203040506+01'00'"},
      {{2011, 12, 31, 23, 59, 59, true, -330}, "D:20111231235959-05'30'"},
      {{2024, 1, 1, 0, 0, 0, true, 0}, "D:20240101000000Z"},
      {{987, 1, 2, 3, 4, 5, false, 0}, "D:9870102030405"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildPDDate(c.date), c.text);
    if (c.date.Year < 1000) continue;  // a short year does not read back
    TvnPDDateRec back;
    ParsePDDate(BuildPDDate(c.date), back);
    EXPECT_EQ(BuildPDDate(back), c.text);
  }
}

// Dates as real producers write them, taken from the PDF files of the corpus.
TEST(PDDate, CorpusDatesReadWithTheirZones) {
  const std::filesystem::path dir = std::filesystem::path(VN_CORPUS_DIR) / "pdf";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus";
  int dates = 0, zones = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".pdf" || entry.file_size() > (32u << 20)) continue;
    const std::string bytes = ReadFileBytes(entry.path());
    for (size_t at = bytes.find("D:"); at != std::string::npos; at = bytes.find("D:", at + 2)) {
      size_t digits = 0;
      while (at + 2 + digits < bytes.size() && digits < 14 && std::isdigit(static_cast<unsigned char>(bytes[at + 2 + digits])))
        ++digits;
      if (digits != 14) continue;
      const std::string text = bytes.substr(at, 30).substr(0, bytes.substr(at, 30).find_first_of(")>/\r\n"));
      auto num = [&](size_t pos, size_t len) { return std::stoi(text.substr(2 + pos, len)); };
      if (num(4, 2) < 1 || num(4, 2) > 12 || num(6, 2) < 1 || num(6, 2) > 31 || num(8, 2) > 23 || num(10, 2) > 59 ||
          num(12, 2) > 59)
        continue;
      TvnPDDateRec d;
      ParsePDDate(text, d);
      ++dates;
      EXPECT_EQ(d.Year, num(0, 4)) << text;
      EXPECT_EQ(d.Month, num(4, 2)) << text;
      EXPECT_EQ(d.Day, num(6, 2)) << text;
      EXPECT_EQ(d.Hour, num(8, 2)) << text;
      EXPECT_EQ(d.Minute, num(10, 2)) << text;
      EXPECT_EQ(d.Second, num(12, 2)) << text;
      const char zone = text.size() > 16 ? text[16] : 0;
      if (zone == 'Z' || ((zone == '+' || zone == '-') && text.size() >= 19)) {
        ++zones;
        EXPECT_TRUE(d.HasTimeZone) << text;
        if (zone != 'Z') { EXPECT_EQ(std::abs(d.TimeZoneMinutes) / 60, num(15, 2)) << text; }
        if (zone == '-' && d.TimeZoneMinutes != 0) { EXPECT_LT(d.TimeZoneMinutes, 0) << text; }
      }
      TvnPDDateRec back;
      ParsePDDate(BuildPDDate(d), back);
      EXPECT_EQ(BuildPDDate(back), BuildPDDate(d)) << text;
    }
  }
  if (dates == 0) GTEST_SKIP() << "no dates in the corpus";
  EXPECT_GT(zones, 0);
}

TEST(PDExceptions, MessagesAndFamily) {
  struct Case {
    std::function<void()> raise;
    const char* message;
  } cases[] = {
      {[] { throw ExInvalidBuffer(); }, "Invalid Buffer"},
      {[] { throw ExOutofMemory(); }, "Out of Memory"},
      {[] { throw ExInvalidFileName(); }, "Invalid file name"},
      {[] { throw ExFileCreateError("Permission denied"); }, "File create error: Permission denied"},
      {[] { throw ExFileNotFound(); }, "File Not Found"},
      {[] { throw ExFileOpenError(); }, "File Open error"},
      {[] { throw ExInvalidStream(); }, "Invalid Stream"},
      {[] { throw ExInvalidObject(); }, "Invalid Object"},
      {[] { throw ExInvalidPassword(); }, "Invalid password"},
      {[] { throw ExStartXrefNotFound(); }, "startxref not found"},
      {[] { throw ExBadRootObj(); }, "Catalog not found"},
      {[] { throw ExNoPageTreeObj(); }, "No Page Entry in Catalog"},
      {[] { throw ExInvalidPDFFile(); }, "Invalid PDF Document"},
      {[] { throw ExImproperCrossRefTableOrStream(); }, "Improper Cross reference Table or Stream"},
  };
  for (const auto& c : cases) {
    try {
      c.raise();
      ADD_FAILURE() << "nothing raised";
    } catch (const vn::EBrisquel& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.Message(), FromUtf8(c.message));
    }
  }
  // The class of the same name under ExvnException is another type.
  bool caught_as_framework = false;
  try {
    try {
      throw ExInvalidStream();
    } catch (const vn::ExvnException&) {
      caught_as_framework = true;
    }
  } catch (const ExInvalidStream&) {
  }
  EXPECT_FALSE(caught_as_framework);
}

}  // namespace
}  // namespace vn::pdf::text_test
