#include "runtime/strings.h"

#include <algorithm>
#include <charconv>

#include "runtime/exceptions.h"
#include "runtime/hex.h"

namespace vn {

String FromUtf8(std::string_view in) {
  String out;
  out.reserve(in.size());
  size_t i = 0;
  const size_t n = in.size();
  auto byte = [&](size_t k) { return static_cast<uint8_t>(in[k]); };
  while (i < n) {
    uint8_t b = byte(i);
    uint32_t cp;
    size_t len;
    if (b < 0x80) {
      cp = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07;
      len = 4;
    } else {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (i + len > n) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      uint8_t c = byte(i + k);
      if ((c & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string ToUtf8(StringView in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

String FromAscii(std::string_view ascii) {
  String out(ascii.size(), u'\0');
  for (size_t i = 0; i < ascii.size(); ++i) out[i] = static_cast<unsigned char>(ascii[i]);
  return out;
}

String Copy(StringView s, int64_t index, int64_t count) {
  const int64_t len = static_cast<int64_t>(s.size());
  if (index < 1) index = 1;
  if (count <= 0 || index > len) return String();
  const int64_t avail = len - index + 1;
  if (count > avail) count = avail;
  return String(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

int64_t Pos(StringView sub, StringView s, int64_t offset) {
  if (sub.empty() || offset < 1 || offset > static_cast<int64_t>(s.size())) return 0;
  size_t p = s.find(sub, static_cast<size_t>(offset - 1));
  return p == StringView::npos ? 0 : static_cast<int64_t>(p) + 1;
}

String TrimLeft(StringView s) {
  size_t i = 0;
  while (i < s.size() && s[i] <= u' ') ++i;
  return String(s.substr(i));
}

String TrimRight(StringView s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] <= u' ') --n;
  return String(s.substr(0, n));
}

String Trim(StringView s) { return TrimLeft(TrimRight(s)); }

String UpperCase(StringView s) {
  String out(s);
  for (auto& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return out;
}

String LowerCase(StringView s) {
  String out(s);
  for (auto& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return out;
}

std::string UpperCaseAnsi(std::string_view s) {
  std::string out(s);
  for (auto& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

std::string LowerCaseAnsi(std::string_view s) {
  std::string out(s);
  for (auto& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

char16_t WideUpCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs upper/lower on even/odd code points, with the
    // ranges 0x139-0x148 and 0x179-0x17E shifted by one.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  return c;
}

char16_t WideLowCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c < 0x80) return c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 0) ? static_cast<char16_t>(c + 1) : c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  return c;
}

String WideUpperCase(StringView s) {
  String out(s);
  for (auto& c : out) c = WideUpCase(c);
  return out;
}

String WideLowerCase(StringView s) {
  String out(s);
  for (auto& c : out) c = WideLowCase(c);
  return out;
}

int CompareText(StringView a, StringView b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(StringView a, StringView b) { return a.size() == b.size() && CompareText(a, b) == 0; }

bool StartsText(StringView prefix, StringView s) {
  return prefix.size() <= s.size() && SameText(prefix, s.substr(0, prefix.size()));
}

bool EndsText(StringView suffix, StringView s) {
  return suffix.size() <= s.size() && SameText(suffix, s.substr(s.size() - suffix.size()));
}

String IntToStr(int64_t value) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return FromAscii(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

String IntToHex(uint64_t value, int digits) {
  String out;
  do {
    out.insert(out.begin(), static_cast<char16_t>(HexDigit(static_cast<unsigned>(value))));
    value >>= 4;
  } while (value != 0);
  while (static_cast<int>(out.size()) < digits) out.insert(out.begin(), u'0');
  return out;
}

std::optional<int64_t> TryStrToInt64(StringView s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    ++i;
  }
  int base = 10;
  if (i < s.size() && s[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  uint64_t value = 0;
  const uint64_t limit = negative ? (uint64_t{1} << 63) : (base == 16 ? UINT64_MAX : (uint64_t{1} << 63) - 1);
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    const int d = base == 16 ? HexDigitValue(c) : (c >= u'0' && c <= u'9' ? c - u'0' : -1);
    if (d < 0) return std::nullopt;
    if (value > (limit - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
  }
  // Hexadecimal texts may name the full 64-bit pattern, as in the runtime.
  if (negative) return static_cast<int64_t>(0 - value);
  return static_cast<int64_t>(value);
}

std::optional<int32_t> TryStrToInt(StringView s) {
  auto v = TryStrToInt64(s);
  if (!v) return std::nullopt;
  bool hex = s.find(u'$') != StringView::npos || s.find(u'x') != StringView::npos || s.find(u'X') != StringView::npos;
  if (hex && *v >= 0 && *v <= 0xFFFFFFFFLL) return static_cast<int32_t>(static_cast<uint32_t>(*v));
  if (*v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(*v);
}

namespace {
[[noreturn]] void ThrowNotInteger(StringView s) {
  throw EConvertError(u"'" + String(s) + u"' is not a valid integer value");
}
}  // namespace

int32_t StrToInt(StringView s) {
  auto v = TryStrToInt(s);
  if (!v) ThrowNotInteger(s);
  return *v;
}

int64_t StrToInt64(StringView s) {
  auto v = TryStrToInt64(s);
  if (!v) ThrowNotInteger(s);
  return *v;
}

int32_t StrToIntDef(StringView s, int32_t def) {
  auto v = TryStrToInt(s);
  return v ? *v : def;
}

String StringReplaceAll(StringView s, StringView from, StringView to) {
  if (from.empty()) return String(s);
  String out;
  size_t pos = 0;
  while (true) {
    size_t p = s.find(from, pos);
    if (p == StringView::npos) break;
    out.append(s.substr(pos, p - pos));
    out.append(to);
    pos = p + from.size();
  }
  out.append(s.substr(pos));
  return out;
}

std::vector<String> SplitString(StringView s, char16_t separator) {
  std::vector<String> out;
  size_t start = 0;
  while (true) {
    size_t p = s.find(separator, start);
    if (p == StringView::npos) {
      out.emplace_back(s.substr(start));
      break;
    }
    out.emplace_back(s.substr(start, p - start));
    start = p + 1;
  }
  return out;
}

std::vector<StringView> SplitLines(StringView s) {
  std::vector<StringView> lines;
  size_t start = 0;
  while (start < s.size()) {
    const size_t end = s.find_first_of(u"\r\n", start);
    if (end == StringView::npos) {
      lines.push_back(s.substr(start));
      break;
    }
    lines.push_back(s.substr(start, end - start));
    start = end + 1;
    if (s[end] == u'\r' && start < s.size() && s[start] == u'\n') ++start;
  }
  return lines;
}

}  // namespace vn
