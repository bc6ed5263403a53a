// Text in the appearance streams of form fields, free-text annotations and
// signatures: Unicode text as the bytes of a simple WinAnsi TrueType font,
// measured with the font's widths, escaped for literal strings and wrapped
// into lines; names and colours as dictionaries write them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/writer_routines.h"
#include "pdfwriter/pdf_font.h"
#include "pdfwriter/pdf_settings.h"

namespace vn::pdfwriter::form_text {

inline std::string Rgb(TColor color) { return vn::ToUtf8(vn::framework::ColorToPDFRGBText(color)); }

// Text as the bytes of a simple WinAnsi font: Latin-1 characters and line
// ends as they are, every other character "?".
inline std::string WinAnsiBytes(StringView text) {
  std::string out;
  for (char16_t c : text)
    out += c == u'\r' || c == u'\n' || (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF) ? static_cast<char>(c) : '?';
  return out;
}

// The bytes inside a literal string: "(", ")" and "\" escaped.
inline std::string LiteralBytes(std::string_view bytes) {
  std::string out;
  for (char b : bytes) {
    if (b == '(' || b == ')' || b == '\\') out += '\\';
    out += b;
  }
  return out;
}

inline double WidthOf(const TvnPDFFont& font, std::string_view bytes, double size) {
  double width = 0;
  for (unsigned char b : bytes) width += font.FontInfo().Width(b);
  return width * size / 1000;
}

// The bytes broken into lines no wider than Width (points): at CR, LF and
// CR LF, and after blanks; a word wider than a line is cut, at least one
// character to a line.
inline std::vector<std::string> WrapBytes(const std::string& bytes, const TvnPDFFont& font, double size, double width) {
  std::vector<std::string> lines;
  std::vector<std::string> paragraphs{{}};
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      paragraphs.emplace_back();
    } else {
      paragraphs.back() += bytes[i];
    }
  }
  for (const std::string& paragraph : paragraphs) {
    std::string line;
    size_t i = 0;
    if (paragraph.empty()) lines.emplace_back();
    while (i < paragraph.size()) {
      // The next word with the blanks after it.
      size_t end = i;
      while (end < paragraph.size() && paragraph[end] != ' ') ++end;
      while (end < paragraph.size() && paragraph[end] == ' ') ++end;
      const std::string word = paragraph.substr(i, end - i);
      if (WidthOf(font, line + word, size) <= width || (line.empty() && WidthOf(font, word, size) <= width)) {
        line += word;
        i = end;
        continue;
      }
      if (!line.empty()) {
        lines.push_back(line);
        line.clear();
        continue;
      }
      // A word wider than the line: as many characters as fit, at least one.
      size_t take = 1;
      while (i + take < end && WidthOf(font, paragraph.substr(i, take + 1), size) <= width) ++take;
      lines.push_back(paragraph.substr(i, take));
      i += take;
    }
    if (!line.empty()) lines.push_back(line);
  }
  for (std::string& l : lines)
    while (!l.empty() && l.back() == ' ') l.pop_back();
  return lines;
}

// A PDF name's characters: regular characters as they are, every other
// byte of the UTF-8 form as "#" and two hex digits.
inline std::string NameBytes(StringView text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : vn::ToUtf8(text)) {
    const bool regular = b > 0x20 && b < 0x7F && std::string_view("()<>[]{}/%#").find(static_cast<char>(b)) == std::string_view::npos;
    if (regular) {
      out += static_cast<char>(b);
    } else {
      out += '#';
      out += kDigits[b >> 4];
      out += kDigits[b & 15];
    }
  }
  return out;
}


}  // namespace vn::pdfwriter::form_text
