#include "pdf/text.h"

#include <charconv>
#include <cmath>

#include "runtime/codepages.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/hex.h"
#include "runtime/numbers.h"

namespace vn::pdf {

namespace {

// Hex digits in pairs, any other character skipped; a last digit without
// partner is dropped, or taken as followed by 0 when `keep_odd`.
std::string HexPairs(std::string_view text, bool keep_odd) {
  std::string out;
  out.reserve(text.size() / 2 + 1);
  int high = -1;
  for (char c : text) {
    int v = HexDigitValue(c);
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<char>((high << 4) | v));
      high = -1;
    }
  }
  if (keep_odd && high >= 0) out.push_back(static_cast<char>(high << 4));
  return out;
}

void AppendHexByte(std::string& out, uint8_t b) {
  out.push_back(HexDigit(b >> 4));
  out.push_back(HexDigit(b));
}

void AppendHexUnit(std::string& out, char16_t u) {
  AppendHexByte(out, static_cast<uint8_t>(u >> 8));
  AppendHexByte(out, static_cast<uint8_t>(u & 0xFF));
}

bool StartsWithFEFF(std::string_view text) {
  if (text.size() < 4) return false;
  return (text[0] == 'F' || text[0] == 'f') && (text[1] == 'E' || text[1] == 'e') &&
         (text[2] == 'F' || text[2] == 'f') && (text[3] == 'F' || text[3] == 'f');
}

bool IsTwoDigits(std::string_view s, size_t pos) {
  return pos + 2 <= s.size() && s[pos] >= '0' && s[pos] <= '9' && s[pos + 1] >= '0' && s[pos + 1] <= '9';
}

int TwoDigits(std::string_view s, size_t pos) { return (s[pos] - '0') * 10 + (s[pos + 1] - '0'); }

void AppendTwoDigits(std::string& out, unsigned v) {
  out.push_back(static_cast<char>('0' + (v / 10) % 10));
  out.push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

// ---- Character classes -----------------------------------------------------

TvnPDCharClass PDCharClass(uint8_t c) {
  switch (c) {
    case 0: case 9: case 10: case 12: case 13: case 32:
      return TvnPDCharClass::ccWhiteSpace;
    case '%': case '(': case ')': case '/': case '<': case '>': case '[': case ']': case '{': case '}':
      return TvnPDCharClass::ccDelimiter;
    default:
      return TvnPDCharClass::ccRegular;
  }
}

bool IsPDWhiteSpace(int c) { return c >= 0 && c <= 255 && PDCharClass(static_cast<uint8_t>(c)) == TvnPDCharClass::ccWhiteSpace; }
bool IsPDDelimiter(int c) { return c >= 0 && c <= 255 && PDCharClass(static_cast<uint8_t>(c)) == TvnPDCharClass::ccDelimiter; }
bool IsPDRegular(int c) { return c >= 0 && c <= 255 && PDCharClass(static_cast<uint8_t>(c)) == TvnPDCharClass::ccRegular; }

// ---- Numbers ---------------------------------------------------------------

std::string IntToPDText(int64_t value) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

int64_t PDTextToInt(std::string_view text) {
  String wide;
  wide.reserve(text.size());
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return 0;
    wide.push_back(static_cast<char16_t>(c));
  }
  // The runtime's integer text also takes "0x"; PDF text knows only "$".
  if (wide.find(u'x') != String::npos || wide.find(u'X') != String::npos) return 0;
  return TryStrToInt64(wide).value_or(0);
}

std::string FloatToPDText(double value) { return FloatToPlainTextA(value, 15); }

double PDTextToFloat(std::string_view text) {
  auto v = TryStrToFloat(text);
  if (!v || !std::isfinite(*v)) throw EConvertError(u"'" + AnsiToString(text) + u"' is not a valid floating point value");
  return *v;
}

std::string HexByteToUnitText(std::string_view hex) {
  int64_t value = 0;
  if (!hex.empty() && IsHexText(hex)) {
    std::string prefixed = "$";
    prefixed.append(hex);
    value = PDTextToInt(prefixed);
  }
  return FormatFixedA(static_cast<double>(value) / 255.0, 4);
}

std::string ColorBytesToPDRGBText(uint8_t a, uint8_t b, uint8_t c) {
  std::string out;
  for (uint8_t v : {a, b, c}) {
    if (!out.empty()) out += ' ';
    std::string hex;
    AppendHexByte(hex, v);
    out += HexByteToUnitText(hex);
  }
  return out;
}

// ---- Hex digit text ---------------------------------------------------------

std::string BytesToHexText(std::string_view bytes) { return BufToHexText(bytes, bytes.size()); }

std::string BinToHexText(std::string_view bytes) { return BufToHexText(bytes, bytes.size()); }

std::string BufToHexText(std::string_view bytes, size_t count) {
  if (count > bytes.size()) count = bytes.size();
  std::string out;
  out.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) AppendHexByte(out, static_cast<uint8_t>(bytes[i]));
  return out;
}

std::string TextToUTF16HexText(std::string_view text) { return TextToUTF16HexText(StringView(AnsiToString(text))); }

std::string TextToUTF16HexText(StringView text) {
  std::string out = "FEFF";
  out.reserve(4 + text.size() * 4);
  for (char16_t u : text) AppendHexUnit(out, u);
  return out;
}

bool IsHexText(std::string_view text) {
  for (char c : text)
    if (!IsHexDigit(c)) return false;
  return true;
}

bool HexPairToByte(std::string_view text, uint8_t& byte) {
  byte = 0;
  if (!IsHexText(text)) return true;
  unsigned v = 0;
  for (char c : text) v = ((v << 4) | static_cast<unsigned>(HexDigitValue(c))) & 0xFF;
  byte = static_cast<uint8_t>(v);
  return false;
}

std::string HexTextToBytes(std::string_view text) {
  if (StartsWithFEFF(text)) return StringToAnsi(HexUTF16TextToWide(text));
  std::string padded;
  if (text.size() % 2 != 0) {
    padded.reserve(text.size() + 1);
    padded.push_back('0');
    padded.append(text);
    text = padded;
  }
  std::string out;
  out.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    uint8_t b = 0;
    HexPairToByte(text.substr(i, 2), b);
    out.push_back(static_cast<char>(b));
  }
  return out;
}

std::string HexDigitsToBytes(std::string_view text) {
  if (StartsWithFEFF(text)) return StringToAnsi(HexUTF16TextToWide(text));
  return HexPairs(text, false);
}

std::string HexStringBytes(std::string_view digits) { return HexPairs(digits, true); }

std::vector<uint8_t> HexTextToByteArray(std::string_view text) {
  std::vector<uint8_t> out;
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < text.size() && IsPDWhiteSpace(static_cast<uint8_t>(text[i]))) ++i;
  };
  for (;;) {
    skip_blanks();
    if (i >= text.size()) break;
    int hi = HexDigitValue(text[i++]);
    skip_blanks();
    if (hi < 0 || i >= text.size()) break;
    int lo = HexDigitValue(text[i++]);
    if (lo < 0) break;
    out.push_back(static_cast<uint8_t>((hi << 4) | lo));
  }
  return out;
}

String HexUTF16TextToWide(std::string_view text) {
  if (!StartsWithFEFF(text)) return AnsiToString(HexDigitsToBytes(text));
  String out;
  size_t i = 4;
  while (i < text.size()) {
    if (text[i] == '.') {
      out.push_back(u'.');
      ++i;
      continue;
    }
    if (!IsHexDigit(text[i])) {
      ++i;  // white space or damage between groups
      continue;
    }
    if (i + 4 > text.size() || !IsHexText(text.substr(i, 4))) break;
    std::string_view group = text.substr(i, 4);
    i += 4;
    if (StartsWithFEFF(group)) continue;
    char16_t unit = static_cast<char16_t>((HexDigitValue(group[0]) << 12) | (HexDigitValue(group[1]) << 8) |
                                          (HexDigitValue(group[2]) << 4) | HexDigitValue(group[3]));
    if (unit == 0) break;
    out.push_back(unit);
  }
  return out;
}

// ---- Text strings and escapes -----------------------------------------------

char16_t PDFDocEncodingToUnicode(uint8_t b) {
  static constexpr char16_t k18[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
  static constexpr char16_t k80[33] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                       0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A,
                                       0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017D, 0x0131,
                                       0x0142, 0x0153, 0x0161, 0x017E, 0xFFFD, 0x20AC};
  if (b >= 0x18 && b <= 0x1F) return k18[b - 0x18];
  if (b >= 0x80 && b <= 0xA0) return k80[b - 0x80];
  if (b == 0x7F || b == 0xAD) return 0xFFFD;  // undefined in PDFDocEncoding
  return b;
}

String PDTextStringToWide(std::string_view value) {
  String out;
  if (value.size() >= 2 && static_cast<uint8_t>(value[0]) == 0xFE && static_cast<uint8_t>(value[1]) == 0xFF) {
    for (size_t i = 2; i + 1 < value.size(); i += 2) {
      char16_t unit = static_cast<char16_t>((static_cast<uint8_t>(value[i]) << 8) | static_cast<uint8_t>(value[i + 1]));
      if (unit == 0) break;
      out.push_back(unit);
    }
    return out;
  }
  if (value.size() >= 3 && static_cast<uint8_t>(value[0]) == 0xEF && static_cast<uint8_t>(value[1]) == 0xBB &&
      static_cast<uint8_t>(value[2]) == 0xBF)
    return FromUtf8(value.substr(3));
  if (StartsWithFEFF(value)) return HexUTF16TextToWide(value);
  out.reserve(value.size());
  for (char c : value) out.push_back(PDFDocEncodingToUnicode(static_cast<uint8_t>(c)));
  return out;
}

std::string UnescapePDString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 >= text.size()) {
      out.push_back(c);
      continue;
    }
    char n = text[i + 1];
    switch (n) {
      case '(': case ')': case '\\': out.push_back(n); ++i; continue;
      case 'b': out.push_back('\b'); ++i; continue;
      case 'f': out.push_back('\f'); ++i; continue;
      case 'n': out.push_back('\n'); ++i; continue;
      case 'r': out.push_back('\r'); ++i; continue;
      case 't': out.push_back('\t'); ++i; continue;
      default: break;
    }
    if (n >= '0' && n <= '7') {
      unsigned v = 0;
      size_t j = i + 1;
      for (int k = 0; k < 3 && j < text.size() && text[j] >= '0' && text[j] <= '7'; ++k, ++j) v = v * 8 + static_cast<unsigned>(text[j] - '0');
      out.push_back(static_cast<char>(v & 0xFF));
      i = j - 1;
      continue;
    }
    out.push_back('\\');  // an unknown escape keeps its backslash
  }
  return out;
}

std::string EscapePDString(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (char c : bytes) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

bool IsOctalText(std::string_view text) {
  for (char c : text)
    if (c < '0' || c > '7') return false;
  return true;
}

uint8_t OctalTextToByte(std::string_view text) {
  if (!IsOctalText(text)) return 0;
  unsigned v = 0;
  for (char c : text) v = ((v << 3) | static_cast<unsigned>(c - '0')) & 0xFF;
  return static_cast<uint8_t>(v);
}

std::string EncodeName(std::string_view value) {
  if (value.find_first_not_of(' ') == std::string_view::npos) return std::string(value);
  std::string out;
  out.reserve(value.size());
  for (char ch : value) {
    uint8_t c = static_cast<uint8_t>(ch);
    if (c < 0x21 || c > 0x7E || c == '#' || PDCharClass(c) == TvnPDCharClass::ccDelimiter) {
      out.push_back('#');
      AppendHexByte(out, c);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::string DecodeName(std::string_view written) {
  std::string out;
  out.reserve(written.size());
  for (size_t i = 0; i < written.size(); ++i) {
    char c = written[i];
    if (c != '#') {
      out.push_back(c);
      continue;
    }
    if (i + 2 < written.size() && IsHexDigit(written[i + 1]) && IsHexDigit(written[i + 2])) {
      out.push_back(static_cast<char>((HexDigitValue(written[i + 1]) << 4) | HexDigitValue(written[i + 2])));
      i += 2;
    }
    // Any other "#" is dropped; what follows is read as it stands.
  }
  return out;
}

// ---- Syntax helpers ----------------------------------------------------------

std::string TokenAt(std::string_view text, size_t from) {
  auto is_break = [](char c) { return c == '\0' || c == '\t' || c == '\r' || c == '\n'; };
  size_t i = from < 1 ? 0 : from - 1;
  while (i < text.size() && (is_break(text[i]) || text[i] == ' ')) ++i;
  size_t start = i;
  while (i < text.size() && !is_break(text[i])) ++i;
  return std::string(text.substr(start < text.size() ? start : text.size(), i - start));
}

std::string ReplaceAllText(std::string_view text, std::string_view old_text, std::string_view new_text) {
  std::string out(text);
  if (old_text.empty()) return out;
  const bool single_pass = new_text.find(old_text) != std::string_view::npos;
  // A bound on the work for rules that keep producing new occurrences.
  size_t budget = text.size() * 8 + 64;
  size_t from = 0;
  while (budget-- > 0) {
    size_t pos = out.find(old_text, from);
    if (pos == std::string::npos) break;
    out.replace(pos, old_text.size(), new_text);
    if (single_pass) {
      from = pos + new_text.size();
    } else {
      // Text before the replacement held no occurrence; a new one can only
      // start within old_text.size() - 1 characters before it.
      from = pos >= old_text.size() - 1 ? pos - (old_text.size() - 1) : 0;
    }
  }
  return out;
}

// ---- Dates ------------------------------------------------------------------

void ParsePDDate(std::string_view text, TvnPDDateRec& date) {
  size_t at = text.find("D:");
  if (at == std::string_view::npos) return;
  std::string_view s = text.substr(at + 2);
  size_t pos = 0;
  bool reading = s.size() >= 4 && IsTwoDigits(s, 0) && IsTwoDigits(s, 2);
  if (reading) {
    date.Year = static_cast<uint16_t>(TwoDigits(s, 0) * 100 + TwoDigits(s, 2));
    pos = 4;
    uint16_t* fields[] = {&date.Month, &date.Day, &date.Hour, &date.Minute, &date.Second};
    for (uint16_t* field : fields) {
      if (!IsTwoDigits(s, pos)) break;
      *field = static_cast<uint16_t>(TwoDigits(s, pos));
      pos += 2;
    }
  }
  if (date.Month < 1 || date.Month > 12) date.Month = 1;
  if (date.Day < 1 || date.Day > 31) date.Day = 1;
  if (date.Hour > 23) date.Hour = 0;
  if (date.Minute > 59) date.Minute = 0;
  if (date.Second > 59) date.Second = 0;
  if (!reading || pos >= s.size()) return;

  char sign = s[pos];
  if (sign == 'Z' || sign == 'z') {
    date.HasTimeZone = true;
    date.TimeZoneMinutes = 0;
    return;
  }
  if (sign != '+' && sign != '-') return;
  ++pos;
  if (!IsTwoDigits(s, pos)) return;
  int hours = TwoDigits(s, pos);
  pos += 2;
  int minutes = 0;
  if (pos < s.size() && s[pos] == '\'') ++pos;
  if (IsTwoDigits(s, pos)) minutes = TwoDigits(s, pos);
  if (hours > 23 || minutes > 59) return;
  int offset = hours * 60 + minutes;
  date.HasTimeZone = true;
  date.TimeZoneMinutes = static_cast<int16_t>(sign == '-' ? -offset : offset);
}

std::string BuildPDDate(const TvnPDDateRec& date) {
  std::string out = "D:" + std::to_string(date.Year);
  for (uint16_t v : {date.Month, date.Day, date.Hour, date.Minute, date.Second}) AppendTwoDigits(out, v);
  if (date.HasTimeZone) {
    if (date.TimeZoneMinutes == 0) {
      out += 'Z';
    } else {
      int offset = date.TimeZoneMinutes;
      out += offset < 0 ? '-' : '+';
      if (offset < 0) offset = -offset;
      AppendTwoDigits(out, static_cast<unsigned>(offset / 60));
      out += '\'';
      AppendTwoDigits(out, static_cast<unsigned>(offset % 60));
      out += '\'';
    }
  }
  return out;
}

std::string BuildLocalPDDate(double local_date_time) {
  const vn::DateParts t = vn::DecodeDateTime(local_date_time);
  TvnPDDateRec rec;
  rec.Year = static_cast<uint16_t>(t.year);
  rec.Month = static_cast<uint16_t>(t.month);
  rec.Day = static_cast<uint16_t>(t.day);
  rec.Hour = static_cast<uint16_t>(t.hour);
  rec.Minute = static_cast<uint16_t>(t.minute);
  rec.Second = static_cast<uint16_t>(t.second);
  rec.HasTimeZone = true;
  rec.TimeZoneMinutes = static_cast<int16_t>(vn::LocalUtcOffsetMinutes(local_date_time));
  return BuildPDDate(rec);
}

}  // namespace vn::pdf
