#include "platform/fonts/screen_fonts.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

namespace vn::platform {
namespace {

constexpr const char* kAliasNames[] = {"Arial", "Times New Roman", "Courier New", "Arial Unicode MS"};

String WithoutBlanks(StringView name) {
  String out;
  for (char16_t c : name)
    if (c != u' ') out += c;
  return out;
}

// Words as the justification sees them: leading blanks skipped, each word
// up to and including the next blank, the last one to the end.
std::vector<String> SplitWords(StringView text) {
  std::vector<String> words;
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  while (i < text.size()) {
    size_t blank = text.find(u' ', i);
    size_t end = blank == StringView::npos ? text.size() : blank + 1;
    words.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return words;
}

// Joins the pieces with `blanks` spread over the gaps: each gap gets the
// blanks still to add divided by the gaps still to fill.
String Spread(const std::vector<String>& pieces, int64_t blanks) {
  String out;
  int64_t gaps = static_cast<int64_t>(pieces.size()) - 1;
  for (size_t i = 0; i < pieces.size(); ++i) {
    out += pieces[i];
    if (gaps > 0 && i + 1 < pieces.size()) {
      int64_t n = blanks / gaps;
      out.append(static_cast<size_t>(n), u' ');
      blanks -= n;
      --gaps;
    }
  }
  return out;
}

}  // namespace

const TStringList& GetInstalledFontList() {
  static std::once_flag once;
  static std::unique_ptr<TStringList> list;
  std::call_once(once, [] {
    list = std::make_unique<TStringList>();
    for (const String& family : InstalledFontFamilies()) list->SetValue(WithoutBlanks(family), family);
    for (const char* alias : kAliasNames) {
      String name = FromAscii(alias);
      if (list->IndexOfName(WithoutBlanks(name)) < 0) list->SetValue(WithoutBlanks(name), name);
    }
  });
  return *list;
}

TextSize GetTextExtentOf(StringView text, const GdiFont& font) { return font.TextExtent(text); }

String JustifyTextToWidth(StringView text, const GdiFont& font, double target_width) {
  if (text.empty()) return {};
  std::vector<String> words = SplitWords(text);
  int text_width = GetTextExtentOf(text, font).Width;
  int blank_width = GetTextExtentOf(u" ", font).Width;
  int64_t blanks = 0;
  if (blank_width > 0) {
    double n = std::trunc((target_width - text_width) / blank_width);
    // A target far beyond any page cannot ask for more blanks than memory holds.
    blanks = n > 0 ? static_cast<int64_t>(std::min(n, 1e6)) : 0;
  }
  if (words.size() >= 2) return Spread(words, blanks);
  // Between characters; a surrogate pair stays one character.
  std::vector<String> chars;
  for (size_t i = 0; i < text.size(); ++i) {
    bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF;
    chars.emplace_back(text.substr(i, pair ? 2 : 1));
    if (pair) ++i;
  }
  return Spread(chars, blanks);
}

}  // namespace vn::platform
