#include "ooxml/text_encoding.h"

#include <cstdint>

#include "runtime/codepages.h"

namespace vn::ooxml {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

// Writes one code point as one code unit or a surrogate pair.
char16_t* PutCodePoint(char16_t* o, uint32_t cp) {
  if (cp < 0x10000) {
    *o++ = static_cast<char16_t>(cp);
    return o;
  }
  cp -= 0x10000;
  *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
  *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  return o;
}

// Length of the UTF-8 sequence that `lead` starts, 0 for a byte that starts
// none (a continuation byte, C0, C1, F5..FF).
size_t Utf8SequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xC2) return 0;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF5) return 4;
  return 0;
}

// The range of the second byte after `lead`; it excludes overlong forms,
// surrogates and code points above U+10FFFF.
void SecondByteRange(uint8_t lead, uint8_t& lo, uint8_t& hi) {
  lo = 0x80;
  hi = 0xBF;
  if (lead == 0xE0) lo = 0xA0;
  else if (lead == 0xED) hi = 0x9F;
  else if (lead == 0xF0) lo = 0x90;
  else if (lead == 0xF4) hi = 0x8F;
}

class Utf8Encoding final : public TEncoding {
 public:
  std::string_view GetPreamble() const override { return "\xEF\xBB\xBF"; }

  size_t Decode(std::string_view in, bool final, String& out) const override {
    const auto* p = reinterpret_cast<const uint8_t*>(in.data());
    const size_t n = in.size();
    // Each byte gives at most one code unit: write into room made at once.
    const size_t base = out.size();
    out.resize(base + n);
    char16_t* const first = out.data() + base;
    char16_t* o = first;
    size_t i = 0;
    size_t cut = 0;
    while (i < n) {
      // Runs of ASCII go across without the checks below.
      while (i < n && p[i] < 0x80) *o++ = static_cast<char16_t>(p[i++]);
      if (i >= n) break;
      const uint8_t lead = p[i];
      const size_t len = Utf8SequenceLength(lead);
      if (len == 0) {
        *o++ = kReplacement;
        ++i;
        continue;
      }
      uint32_t cp = lead & (0xFF >> (len + 1));
      size_t k = 1;
      for (; k < len; ++k) {
        if (i + k >= n) break;
        uint8_t lo = 0x80, hi = 0xBF;
        if (k == 1) SecondByteRange(lead, lo, hi);
        const uint8_t c = p[i + k];
        if (c < lo || c > hi) break;
        cp = (cp << 6) | (c & 0x3F);
      }
      if (k < len) {
        if (i + k >= n && !final) {  // cut by the end of the chunk
          cut = n - i;
          break;
        }
        *o++ = kReplacement;  // the maximal ill-formed prefix
        i += k;
        continue;
      }
      o = PutCodePoint(o, cp);
      i += len;
    }
    out.resize(base + static_cast<size_t>(o - first));
    return cut;
  }

  void Encode(StringView text, std::string& out) const override {
    // At most three bytes per code unit (a pair gives four for two).
    const size_t base = out.size();
    out.resize(base + 3 * text.size());
    char* const first = out.data() + base;
    char* o = first;
    for (size_t i = 0; i < text.size(); ++i) {
      uint32_t c = text[i];
      if (c < 0x80) {
        *o++ = static_cast<char>(c);
        continue;
      }
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = kReplacement;
      }
      if (c < 0x800) {
        *o++ = static_cast<char>(0xC0 | (c >> 6));
      } else if (c < 0x10000) {
        *o++ = static_cast<char>(0xE0 | (c >> 12));
        *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      } else {
        *o++ = static_cast<char>(0xF0 | (c >> 18));
        *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      }
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.resize(base + static_cast<size_t>(o - first));
  }
};

class Utf16Encoding final : public TEncoding {
 public:
  explicit Utf16Encoding(bool big_endian) : big_endian_(big_endian) {}

  std::string_view GetPreamble() const override { return big_endian_ ? "\xFE\xFF" : "\xFF\xFE"; }

  // Code units go across as they are: the characters of this layer are
  // UTF-16 code units, so a surrogate pair cut by a chunk joins up again in
  // the reader's buffer.
  size_t Decode(std::string_view in, bool final, String& out) const override {
    const auto* p = reinterpret_cast<const uint8_t*>(in.data());
    const size_t pairs = in.size() / 2;
    out.reserve(out.size() + pairs);
    for (size_t i = 0; i < pairs; ++i) {
      const uint8_t a = p[2 * i], b = p[2 * i + 1];
      out.push_back(static_cast<char16_t>(big_endian_ ? (a << 8) | b : (b << 8) | a));
    }
    if (in.size() % 2 == 0) return 0;
    if (!final) return 1;
    out.push_back(kReplacement);
    return 0;
  }

  void Encode(StringView text, std::string& out) const override {
    out.reserve(out.size() + 2 * text.size());
    for (char16_t c : text) {
      const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
      out.push_back(big_endian_ ? hi : lo);
      out.push_back(big_endian_ ? lo : hi);
    }
  }

 private:
  bool big_endian_;
};

class AnsiEncoding final : public TEncoding {
 public:
  std::string_view GetPreamble() const override { return {}; }
  size_t Decode(std::string_view in, bool, String& out) const override {
    out += DecodeCp1252(in);
    return 0;
  }
  void Encode(StringView text, std::string& out) const override { out += EncodeCp1252(text); }
};

}  // namespace

const TEncoding* TEncoding::UTF8() {
  static const Utf8Encoding encoding;
  return &encoding;
}

const TEncoding* TEncoding::Unicode() {
  static const Utf16Encoding encoding(false);
  return &encoding;
}

const TEncoding* TEncoding::BigEndianUnicode() {
  static const Utf16Encoding encoding(true);
  return &encoding;
}

const TEncoding* TEncoding::Default() {
  static const AnsiEncoding encoding;
  return &encoding;
}

void AppendCodePoint(String& out, uint32_t cp) {
  char16_t units[2];
  out.append(units, static_cast<size_t>(PutCodePoint(units, cp) - units));
}

String TEncoding::GetString(std::string_view bytes) const {
  String out;
  Decode(bytes, true, out);
  return out;
}

std::string TEncoding::GetBytes(StringView text) const {
  std::string out;
  Encode(text, out);
  return out;
}

const TEncoding* EncodingFromName(StringView name) {
  struct Entry {
    const char* name;
    const TEncoding* (*encoding)();
  };
  static const Entry kNames[] = {
      {"utf-8", &TEncoding::UTF8},
      {"utf8", &TEncoding::UTF8},
      {"utf-16", &TEncoding::Unicode},
      {"utf-16le", &TEncoding::Unicode},
      {"utf-16be", &TEncoding::BigEndianUnicode},
      {"windows-1252", &TEncoding::Default},
      {"cp1252", &TEncoding::Default},
      // Latin-1 and ASCII text reads the same through the ANSI code page
      // (it differs only in the C1 controls, which text does not hold).
      {"iso-8859-1", &TEncoding::Default},
      {"latin1", &TEncoding::Default},
      {"us-ascii", &TEncoding::Default},
      {"ascii", &TEncoding::Default},
  };
  for (const Entry& e : kNames)
    if (SameText(name, FromAscii(e.name))) return e.encoding();
  return nullptr;
}

}  // namespace vn::ooxml
