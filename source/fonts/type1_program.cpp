#include "fonts/type1_program_impl.h"

#include <charconv>
#include <cmath>

#include "runtime/hex.h"

namespace vn::fonts::type1 {
namespace {

bool IsWhite(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == 0; }
bool IsDelimiter(uint8_t c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
         c == '%';
}
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

}  // namespace

TvnByteArray Decrypt(std::span<const uint8_t> cipher, uint16_t key) {
  TvnByteArray plain(cipher.size());
  uint32_t r = key;
  for (size_t i = 0; i < cipher.size(); ++i) {
    const uint8_t c = cipher[i];
    plain[i] = static_cast<uint8_t>(c ^ (r >> 8));
    r = ((c + r) * 52845u + 22719u) & 0xFFFFu;
  }
  return plain;
}

bool IsPfb(std::span<const uint8_t> data) { return data.size() >= 2 && data[0] == 0x80 && data[1] == 0x01; }

PfbParts UnwrapPfb(std::span<const uint8_t> data) {
  PfbParts parts;
  size_t pos = 0;
  bool seen_binary = false;
  while (data.size() - pos >= 2 && data[pos] == 0x80) {
    const uint8_t type = data[pos + 1];
    if (type != 1 && type != 2) break;  // 3 ends the file
    if (data.size() - pos < 6) break;
    const uint32_t length = data[pos + 2] | (data[pos + 3] << 8) | (data[pos + 4] << 16) | (uint32_t{data[pos + 5]} << 24);
    pos += 6;
    const size_t n = std::min<size_t>(length, data.size() - pos);
    const auto body = data.subspan(pos, n);
    pos += n;
    if (type == 2) {
      parts.binary.insert(parts.binary.end(), body.begin(), body.end());
      seen_binary = true;
    } else if (!seen_binary) {
      parts.clear_text.insert(parts.clear_text.end(), body.begin(), body.end());
    } else {
      break;  // the trailer after the encrypted part
    }
  }
  return parts;
}

TvnByteArray EexecCiphertext(std::span<const uint8_t> section) {
  bool hex = section.size() >= 4;
  for (size_t i = 0; hex && i < 4; ++i) hex = HexDigitValue(section[i]) >= 0;
  if (!hex) return TvnByteArray(section.begin(), section.end());
  TvnByteArray out;
  out.reserve(section.size() / 2);
  int high = -1;
  for (uint8_t c : section) {
    const int v = HexDigitValue(c);
    if (v < 0) {
      if (IsWhite(c)) continue;
      break;  // the clear trailer
    }
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  return out;
}

std::optional<double> ParseNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  if (const size_t hash = text.find('#'); hash != std::string_view::npos) {
    int base = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + hash, base);
    if (ec != std::errc() || p != text.data() + hash || base < 2 || base > 36 || hash + 1 == text.size())
      return std::nullopt;
    double value = 0;
    for (char c : text.substr(hash + 1)) {
      const int d = DigitValue(c);
      if (d >= base) return std::nullopt;
      value = value * base + d;
    }
    return value;
  }
  std::string_view t = text;
  if (t.front() == '+') t.remove_prefix(1);
  double value = 0;
  const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (ec != std::errc() || p != t.data() + t.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

Token Scanner::Next() {
  const size_t n = data_.size();
  for (;;) {
    while (pos_ < n && IsWhite(data_[pos_])) ++pos_;
    if (pos_ < n && data_[pos_] == '%') {
      while (pos_ < n && data_[pos_] != '\r' && data_[pos_] != '\n') ++pos_;
      continue;
    }
    if (pos_ < n && data_[pos_] == ')') {  // a stray closing parenthesis
      ++pos_;
      continue;
    }
    break;
  }
  Token t;
  if (pos_ >= n) return t;
  auto view = [&](size_t from, size_t to) {
    return std::string_view(reinterpret_cast<const char*>(data_.data()) + from, to - from);
  };
  const uint8_t c = data_[pos_];
  switch (c) {
    case '(': {
      const size_t start = ++pos_;
      int depth = 1;
      while (pos_ < n) {
        const uint8_t d = data_[pos_];
        if (d == '\\') {
          pos_ += 2;
          continue;
        }
        if (d == '(') ++depth;
        if (d == ')' && --depth == 0) break;
        ++pos_;
      }
      pos_ = std::min(pos_, n);
      t.kind = Token::String;
      t.text = view(start, pos_);
      if (pos_ < n) ++pos_;
      return t;
    }
    case '<':
      if (pos_ + 1 < n && data_[pos_ + 1] == '<') {
        pos_ += 2;
        t.kind = Token::OpenDict;
        return t;
      } else {
        const size_t start = ++pos_;
        while (pos_ < n && data_[pos_] != '>') ++pos_;
        t.kind = Token::HexString;
        t.text = view(start, pos_);
        if (pos_ < n) ++pos_;
        return t;
      }
    case '>':
      pos_ += (pos_ + 1 < n && data_[pos_ + 1] == '>') ? 2 : 1;
      t.kind = Token::CloseDict;
      return t;
    case '[': ++pos_; t.kind = Token::OpenArray; return t;
    case ']': ++pos_; t.kind = Token::CloseArray; return t;
    case '{': ++pos_; t.kind = Token::OpenProc; return t;
    case '}': ++pos_; t.kind = Token::CloseProc; return t;
    default: break;
  }
  const bool literal = c == '/';
  if (literal) {
    ++pos_;
    if (pos_ < n && data_[pos_] == '/') ++pos_;
  }
  const size_t start = pos_;
  while (pos_ < n && !IsWhite(data_[pos_]) && !IsDelimiter(data_[pos_])) ++pos_;
  t.text = view(start, pos_);
  if (literal) {
    t.kind = Token::Name;
  } else if (auto number = ParseNumber(t.text)) {
    t.kind = Token::Number;
    t.number = *number;
  } else {
    t.kind = Token::Word;
  }
  return t;
}

std::optional<std::span<const uint8_t>> Scanner::Binary(double count) {
  const size_t n = data_.size();
  if (!(count >= 0) || pos_ >= n || count > static_cast<double>(n - pos_ - 1)) {
    pos_ = n;
    return std::nullopt;
  }
  ++pos_;  // the separator after RD
  const auto bytes = data_.subspan(pos_, static_cast<size_t>(count));
  pos_ += bytes.size();
  return bytes;
}

std::string Unescape(std::string_view raw) {
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c != '\\' || i + 1 >= raw.size()) {
      out.push_back(c);
      continue;
    }
    const char e = raw[++i];
    switch (e) {
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case '\r':
        if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        break;
      case '\n': break;
      default:
        if (e >= '0' && e <= '7') {
          int v = e - '0';
          for (int k = 0; k < 2 && i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7'; ++k)
            v = v * 8 + (raw[++i] - '0');
          out.push_back(static_cast<char>(v & 0xFF));
        } else {
          out.push_back(e);
        }
    }
  }
  return out;
}

}  // namespace vn::fonts::type1
