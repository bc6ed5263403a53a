#include "framework/writer_routines.h"

#include <algorithm>
#include <numbers>

#include "runtime/hex.h"
#include "runtime/numbers.h"

namespace vn::framework {

int32_t ScreenPixelsPerInch = 96;
double ScreenPixelsPerPoint = 96.0 / 72.0;

namespace {


// More blanks than a line of any page could hold.
constexpr int64_t kMaxJustifyBlanks = 1 << 16;

// The system colours of the fixed reference screen, by index, as 0xRRGGBB.
constexpr uint32_t kSystemColorsRGB[] = {
    0xC8C8C8,  // scroll bar
    0x000000,  // desktop
    0x99B4D1,  // active caption
    0xBFCDDB,  // inactive caption
    0xF0F0F0,  // menu
    0xFFFFFF,  // window
    0x646464,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0x000000,  // caption text
    0xB4B4B4,  // active border
    0xF4F7FC,  // inactive border
    0xABABAB,  // application workspace
    0x0078D7,  // highlight
    0xFFFFFF,  // highlight text
    0xF0F0F0,  // button face
    0xA0A0A0,  // button shadow
    0x6D6D6D,  // grey text
    0x000000,  // button text
    0x000000,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x696969,  // 3D dark shadow
    0xE3E3E3,  // 3D light
    0x000000,  // tooltip text
    0xFFFFE1,  // tooltip background
    0x000000,  // (unused)
    0x0066CC,  // hot-tracked item
    0xB9D1EA,  // active caption gradient
    0xD7E4F2,  // inactive caption gradient
    0x3399FF,  // menu highlight
    0xF0F0F0,  // menu bar
};

}  // namespace

String FloatToDotText(double value) { return FloatToStrF(value, TFloatFormat::ffGeneral, 15, 0); }

String FloatToDotTextF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits);
}

void ResolveSystemColor(uint32_t& color) {
  if ((color >> 24) != 0xFF) return;
  const uint32_t index = color & 0x00FFFFFF;
  uint32_t rgb = index < std::size(kSystemColorsRGB) ? kSystemColorsRGB[index] : 0;
  // 0xRRGGBB to the window system's 0x00BBGGRR.
  color = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

String ColorToPDFRGBText(uint32_t color) {
  ResolveSystemColor(color);
  std::string out;
  for (int shift : {0, 8, 16}) {
    if (!out.empty()) out += ' ';
    out += FloatToStrFA(static_cast<double>((color >> shift) & 0xFF) / 255.0, TFloatFormat::ffFixed, 15, 4);
  }
  return FromAscii(out);
}

String ColorToHexRGB(uint32_t color) {
  String out;
  for (int shift : {0, 8, 16}) {
    const uint32_t byte = (color >> shift) & 0xFF;
    out += static_cast<char16_t>(HexDigit(byte >> 4));
    out += static_cast<char16_t>(HexDigit(byte));
  }
  return out;
}

std::string AnsiToHexText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const auto b = static_cast<uint8_t>(ch);
    out += HexDigit(b >> 4);
    out += HexDigit(b);
  }
  return out;
}

String WideToHexText(StringView text) {
  String out;
  out.reserve(text.size() * 4);
  for (char16_t c : text)
    for (int shift : {12, 8, 4, 0}) out += static_cast<char16_t>(HexDigit(c >> shift));
  return out;
}

bool IsHexText(StringView text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return vn::IsHexDigit(c); });
}

int32_t HexStrToByte(StringView text, uint8_t& value) {
  value = 0;
  if (!IsHexText(text)) return -1;
  // Only the last two digits reach the byte; the higher ones are multiples
  // of 256.
  for (char16_t c : text) value = static_cast<uint8_t>(value * 16 + vn::HexDigitValue(c));
  return 0;
}

String EscapePDFLiteral(StringView text) {
  String out;
  out.reserve(text.size() + text.size() / 8);
  int column = 8;  // columns left before the next tab stop
  for (char16_t c : text) {
    switch (c) {
      case u'\b':
        out += u"\\b";
        break;
      case u'\f':
        out += u"\\f";
        break;
      case u'\t':
        out.append(static_cast<size_t>(column), u' ');
        column = 0;
        break;
      case u'\n':
        out += u"\\n";
        --column;
        break;
      case u'\r':
        out += u"\\r";
        --column;
        break;
      case u'(':
      case u')':
      case u'\\':
        out += u'\\';
        out += c;
        --column;
        break;
      default:
        out += c;
        --column;
        break;
    }
    if (column == 0) column = 8;
  }
  return out;
}

String ReplaceTextIgnoreCase(StringView source, StringView old_pattern, StringView new_pattern) {
  if (old_pattern.empty()) return String(source);
  // Upper-casing maps each code unit to one code unit, so positions in the
  // upper-cased copies are positions in the source.
  const String upper_source = WideUpperCase(source);
  const String upper_old = WideUpperCase(old_pattern);
  String out;
  size_t from = 0;
  for (size_t hit; (hit = upper_source.find(upper_old, from)) != String::npos; from = hit + old_pattern.size()) {
    out.append(source.substr(from, hit - from));
    out.append(new_pattern);
  }
  out.append(source.substr(from));
  return out;
}

int64_t PosFrom(StringView sub, StringView text, int64_t start) {
  if (sub.empty()) return 0;
  return Pos(sub, text, std::max<int64_t>(start, 1));
}

String RightText(StringView text, int64_t count) {
  if (count <= 0) return {};
  if (static_cast<uint64_t>(count) >= text.size()) return String(text);
  return String(text.substr(text.size() - static_cast<size_t>(count)));
}

String MidText(StringView text, int64_t index, int64_t count) { return Copy(text, index, count); }

String ReverseText(StringView text) {
  String out(text.rbegin(), text.rend());
  // Put each surrogate pair back into its order (low surrogate second).
  for (size_t i = 0; i + 1 < out.size(); ++i) {
    if (out[i] >= 0xDC00 && out[i] <= 0xDFFF && out[i + 1] >= 0xD800 && out[i + 1] <= 0xDBFF) {
      std::swap(out[i], out[i + 1]);
      ++i;
    }
  }
  return out;
}

std::string StripTrailingCRLF(std::string_view text) {
  if (text.size() > 1 && text.ends_with("\r\n")) text.remove_suffix(2);
  return std::string(text);
}

int64_t FindExtensionEnd(StringView text) {
  if (text.empty()) return 1;
  const size_t slash = text.rfind(u'\\');
  if (slash == StringView::npos) return 0;
  const size_t dot = text.find(u'.', slash + 1);
  if (dot == StringView::npos) return 0;
  const size_t end = text.find_first_of(u" \"*?|", dot + 1);
  if (end == StringView::npos) return static_cast<int64_t>(text.size()) + 1;
  return static_cast<int64_t>(end) + 1;
}

String JustifyTextToWidth(StringView text, const TvnTextWidthMeasure& measure, double target_width) {
  if (text.empty()) return {};
  // Words: from the first non-blank on, each runs up to and including the
  // next blank; the last one runs to the end.
  std::vector<StringView> words;
  size_t start = text.find_first_not_of(u' ');
  while (start != StringView::npos && start < text.size()) {
    const size_t blank = text.find(u' ', start);
    const size_t end = blank == StringView::npos ? text.size() : blank + 1;
    words.push_back(text.substr(start, end - start));
    start = end;
  }

  const int32_t text_width = measure(text);
  const int32_t blank_width = measure(u" ");
  int64_t blanks_left = 0;
  if (blank_width > 0) blanks_left = std::max<int64_t>(0, Trunc((target_width - text_width) / blank_width));
  // A target far beyond any page (or infinite) must not ask for gigabytes.
  blanks_left = std::min<int64_t>(blanks_left, kMaxJustifyBlanks);

  // Spreads blanks_left over the gaps after each piece but the last.
  auto spread = [&blanks_left](const std::vector<StringView>& pieces) {
    String out;
    for (size_t i = 0; i < pieces.size(); ++i) {
      out.append(pieces[i]);
      const size_t gaps_left = pieces.size() - 1 - i;
      if (gaps_left == 0) break;
      const int64_t n = blanks_left / static_cast<int64_t>(gaps_left);
      out.append(static_cast<size_t>(n), u' ');
      blanks_left -= n;
    }
    return out;
  };

  if (words.size() >= 2) return spread(words);
  // Characters, a surrogate pair counting as one.
  std::vector<StringView> chars;
  chars.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    chars.push_back(text.substr(i, pair ? 2 : 1));
    if (pair) ++i;
  }
  return spread(chars);
}

double PixelsToPoints(double value) { return value / ScreenPixelsPerInch * 72; }
double PointsToPixels(double value) { return value * ScreenPixelsPerPoint; }
double DegreesToRadians(double value) { return value * std::numbers::pi / 180; }
double RadiansToDegrees(double value) { return value * 180 / std::numbers::pi; }

}  // namespace vn::framework
