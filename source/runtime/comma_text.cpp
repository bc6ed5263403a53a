#include "runtime/comma_text.h"

namespace vn {

std::vector<String> SplitCommaText(StringView text) {
  std::vector<String> entries;
  size_t p = 0;
  const size_t n = text.size();
  auto skip_blanks = [&] {
    while (p < n && text[p] >= 1 && text[p] <= u' ') ++p;
  };
  skip_blanks();
  while (p < n && text[p] != 0) {
    String entry;
    if (text[p] == u'"') {
      ++p;
      while (p < n) {
        if (text[p] == u'"') {
          if (p + 1 < n && text[p + 1] == u'"') {
            entry += u'"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        entry += text[p++];
      }
    } else {
      const size_t start = p;
      while (p < n && text[p] > u' ' && text[p] != u',') ++p;
      entry.assign(text.substr(start, p - start));
    }
    entries.push_back(std::move(entry));
    skip_blanks();
    if (p < n && text[p] == u',') {
      if (p + 1 == n) entries.emplace_back();
      ++p;
      skip_blanks();
    }
  }
  return entries;
}

}  // namespace vn
