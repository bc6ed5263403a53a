#include "framework/document_routines.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "runtime/comma_text.h"
#include "runtime/exceptions.h"
#include "runtime/hex.h"

namespace vn::framework {

namespace {

// Units per inch, indexed by TvnMeasurementUnit.
constexpr std::array<double, 6> kUnitsPerInch = {96.0, 72.0, 1.0, 25.4, 1440.0, 914400.0};

double UnitsPerInch(TvnMeasurementUnit unit) {
  auto i = static_cast<size_t>(unit);
  return i < kUnitsPerInch.size() ? kUnitsPerInch[i] : 1.0;
}

// An optional sign and at least one decimal digit, within the int32 range
// (the runtime's parser, without its hexadecimal forms).
std::optional<int32_t> TryDecimal(StringView text) {
  const size_t digits = !text.empty() && (text[0] == u'+' || text[0] == u'-') ? 1 : 0;
  if (text.find_first_not_of(u"0123456789", digits) != StringView::npos) return std::nullopt;
  return vn::TryStrToInt(text);
}

[[noreturn]] void InvalidPageRange() { throw ExInvalidPageError("Invalid page range"); }

int32_t PageNumberOf(StringView text) {
  auto value = TryDecimal(text);
  if (!value) InvalidPageRange();
  return *value;
}

constexpr const char16_t* kOnes[20] = {u"",        u"one",     u"two",       u"three",    u"four",
                                       u"five",    u"six",     u"seven",     u"eight",    u"nine",
                                       u"ten",     u"eleven",  u"twelve",    u"thirteen", u"fourteen",
                                       u"fifteen", u"sixteen", u"seventeen", u"eighteen", u"nineteen"};
constexpr const char16_t* kTens[10] = {u"",      u"ten",   u"twenty",  u"thirty", u"forty",
                                       u"fifty", u"sixty", u"seventy", u"eighty", u"ninety"};

// 1 to 99 in words; tens and units joined by `joiner`.
String TwoDigitWords(int value, char16_t joiner) {
  if (value < 20) return kOnes[value];
  String words = kTens[value / 10];
  if (value % 10 != 0) {
    words.push_back(joiner);
    words += kOnes[value % 10];
  }
  return words;
}

}  // namespace

// ---------------------------------------------------------------------------
// Units

double ConvertMeasurement(TvnMeasurementUnit FromUnit, TvnMeasurementUnit ToUnit, double Value) {
  return Value / UnitsPerInch(FromUnit) * UnitsPerInch(ToUnit);
}

double PointsToUnit(TvnMeasurementUnit Unit, double Value) {
  switch (Unit) {
    case TvnMeasurementUnit::muPixels:
      return Value * 96 / 72;
    case TvnMeasurementUnit::muInches:
      return Value / 72;
    case TvnMeasurementUnit::muMM:
      return Value / (72 / 25.4);
    case TvnMeasurementUnit::muTwips:
      return Value / 0.05;
    case TvnMeasurementUnit::muEMU:
      return Value * 12700;
    case TvnMeasurementUnit::muPoints:
      break;
  }
  return Value;
}

double PointsToPixels96(double Value) { return Value * 96 / 72; }

// ---------------------------------------------------------------------------
// List-numbering texts

String NumberToLetters(int32_t N, bool Upper) {
  if (N < 0) return String();
  char16_t letter = static_cast<char16_t>((Upper ? u'A' : u'a') + N % 26);
  return String(static_cast<size_t>(N / 26) + 1, letter);
}

String NumberToRoman(int32_t N, bool Upper) {
  if (N == 0) return u"N";
  if (N < 0) return String();
  static constexpr int kValues[13] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
  static constexpr const char16_t* kUpper[13] = {u"M",  u"CM", u"D",  u"CD", u"C",  u"XC", u"L",
                                                 u"XL", u"X",  u"IX", u"V",  u"IV", u"I"};
  static constexpr const char16_t* kLower[13] = {u"m",  u"cm", u"d",  u"cd", u"c",  u"xc", u"l",
                                                 u"xl", u"x",  u"ix", u"v",  u"iv", u"i"};
  String text;
  int32_t rest = N;
  for (int i = 0; i < 13; ++i) {
    while (rest >= kValues[i]) {
      text += Upper ? kUpper[i] : kLower[i];
      rest -= kValues[i];
    }
  }
  return text;
}

String NumberToCardinalText(int32_t N) {
  if (N == 0) return u"Zero";
  if (N < 0 || N > 9999999) return u" ";
  const int lakhs = N / 100000;
  const int thousands = N / 1000 % 100;
  const int hundreds = N / 100 % 10;
  const int last_two = N % 100;
  std::vector<String> parts;
  if (lakhs != 0) parts.push_back(TwoDigitWords(lakhs, u' ') + u" lakh");
  if (thousands != 0) parts.push_back(TwoDigitWords(thousands, u' ') + u" thousand");
  if (hundreds != 0) parts.push_back(String(kOnes[hundreds]) + u" hundred");
  if (last_two != 0) parts.push_back(TwoDigitWords(last_two, u'-'));
  String text;
  for (const auto& part : parts) {
    if (!text.empty()) text.push_back(u' ');
    text += part;
  }
  text[0] = static_cast<char16_t>(text[0] - u'a' + u'A');
  return text;
}

// ---------------------------------------------------------------------------
// Page ranges

TvnPageRange ParsePageRange(StringView PageRange, int32_t PageCount) {
  String text = PageRange.empty() ? u"1-" + vn::IntToStr(PageCount) : String(PageRange);
  // A NUL is a control character like any other here, not the end of the
  // text as it is for the comma-text splitter.
  std::replace(text.begin(), text.end(), u'\0', u' ');
  TvnPageRange pages;
  for (const String& item : vn::SplitCommaText(text)) {
    const size_t dash = item.find(u'-');
    if (dash == String::npos) {
      const int32_t page = PageNumberOf(item);
      if (page < 1 || page > PageCount) InvalidPageRange();
      pages.push_back(page);
      continue;
    }
    const String first = vn::Trim(StringView(item).substr(0, dash));
    const String last = vn::Trim(StringView(item).substr(dash + 1));
    const int32_t start = first.empty() ? 1 : PageNumberOf(first);
    const int32_t end = last.empty() ? PageCount : PageNumberOf(last);
    if (start < 1 || end < start || end > PageCount) InvalidPageRange();
    for (int64_t page = start; page <= end; ++page) pages.push_back(static_cast<int32_t>(page));
  }
  return pages;
}

// ---------------------------------------------------------------------------
// Text routines

int32_t CharPos(StringView Text, char16_t Ch) {
  const size_t at = Text.find(Ch);
  return at == StringView::npos ? -1 : static_cast<int32_t>(at + 1);
}

int32_t TextPos(StringView Text, StringView SubText) {
  if (SubText.size() > Text.size()) return -1;
  const size_t at = Text.find(SubText);
  return at == StringView::npos ? -1 : static_cast<int32_t>(at + 1);
}

bool ContainsChar(StringView Text, char16_t Ch) { return Text.find(Ch) != StringView::npos; }

int32_t CountChar(StringView Text, char16_t Ch) {
  int32_t count = 0;
  for (char16_t c : Text) count += c == Ch ? 1 : 0;
  return count;
}

String ReplaceFirst(StringView Text, StringView OldText, StringView NewText) {
  const size_t at = OldText.empty() ? StringView::npos : Text.find(OldText);
  if (at == StringView::npos) return String(Text);
  String result(Text.substr(0, at));
  result += NewText;
  result += Text.substr(at + OldText.size());
  return result;
}

String ReplaceChar(StringView Text, char16_t OldCh, char16_t NewCh) {
  String result(Text);
  for (char16_t& c : result) {
    if (c == OldCh) c = NewCh;
  }
  return result;
}

String CopyChars(StringView Text, int32_t Start, int32_t Count) {
  if (Start < 1 || Count <= 0 || static_cast<size_t>(Start) > Text.size()) return String();
  return String(Text.substr(static_cast<size_t>(Start) - 1, static_cast<size_t>(Count)));
}

String LeftChars(StringView Text, int32_t Count) {
  if (Count <= 0) return String();
  return String(Text.substr(0, static_cast<size_t>(Count)));
}

String RightChars(StringView Text, int32_t Count) {
  if (Count <= 0) return String();
  const size_t take = std::min(Text.size(), static_cast<size_t>(Count));
  return String(Text.substr(Text.size() - take));
}

std::vector<String> SplitText(StringView Text, char16_t Separator) {
  std::vector<String> pieces;
  size_t start = 0;
  while (start <= Text.size()) {
    size_t end = Text.find(Separator, start);
    if (end == StringView::npos) end = Text.size();
    if (end > start) pieces.emplace_back(Text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

int32_t StrToIntOrZero(StringView Text) { return TryDecimal(Text).value_or(0); }

String IntToTextOrEmpty(int32_t N) { return vn::IntToStr(N); }

// ---------------------------------------------------------------------------
// Hex routines

int32_t HexToInt(StringView Text) {
  uint32_t value = 0;
  for (char16_t c : Text) {
    const int digit = HexDigitValue(c);
    if (digit >= 0) value = value * 16 + static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(value);
}

bool IsHexDigits(StringView Text) {
  for (char16_t c : Text) {
    if (HexDigitValue(c) < 0) return false;
  }
  return true;
}

int32_t HexTextToByte(StringView Text, uint8_t& Value) {
  Value = 0;
  if (!IsHexDigits(Text)) return -1;
  // Digits beyond the last two add multiples of 256: nothing modulo 256.
  unsigned value = 0;
  for (char16_t c : Text) value = (value * 16 + static_cast<unsigned>(HexDigitValue(c))) & 0xFF;
  Value = static_cast<uint8_t>(value);
  return 0;
}

String HexBytesToText(StringView Text) {
  String result;
  int high = -1;
  for (char16_t c : Text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) continue;
    if (high < 0) {
      high = digit;
    } else {
      result.push_back(static_cast<char16_t>(high * 16 + digit));
      high = -1;
    }
  }
  return result;
}

String HexTextToString(StringView Text) {
  String result;
  if (Text.size() >= 4 && vn::UpperCase(Text.substr(0, 4)) == u"FEFF") {
    size_t p = 4;
    while (p < Text.size()) {
      if (Text[p] == u'.') {
        result.push_back(u'.');
        ++p;
        continue;
      }
      if (Text.size() - p < 4) break;
      const StringView group = Text.substr(p, 4);
      p += 4;
      if (!IsHexDigits(group) || vn::UpperCase(group) == u"FEFF") continue;
      result.push_back(static_cast<char16_t>(HexToInt(group)));
    }
    return result;
  }
  String digits = Text.size() % 2 == 1 ? u"0" + String(Text) : String(Text);
  for (size_t p = 0; p + 1 < digits.size(); p += 2) {
    const int high = HexDigitValue(digits[p]);
    const int low = HexDigitValue(digits[p + 1]);
    result += vn::IntToStr(high < 0 || low < 0 ? 0 : high * 16 + low);
  }
  return result;
}

// ---------------------------------------------------------------------------
// Colours, dates, logging

TvnRGBColor MakeRGBColor(uint8_t Red, uint8_t Green, uint8_t Blue) { return TvnRGBColor{Red, Green, Blue}; }

bool SameRGBColor(const TvnRGBColor& A, const TvnRGBColor& B) {
  return A.Red == B.Red && A.Green == B.Green && A.Blue == B.Blue;
}

String DateTimeToISOText(vn::TDateTime Value) {
  const vn::DateParts p = vn::DecodeDateTime(Value);
  char text[64];
  std::snprintf(text, sizeof text, "%d-%02d-%02dT%02d:%02d:%02dZ", p.year, p.month, p.day, p.hour, p.minute,
                p.second);
  return vn::FromAscii(text);
}

void LogMessage(const TObject* /*Logger*/, StringView /*Message*/) {}

std::mutex& DecimalSeparatorLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace vn::framework
