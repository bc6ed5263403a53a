#include "pdfdocument/glyph_names.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "pdfdocument/encodings.h"
#include "pdfdocument/font_tables_impl.h"

namespace vn::pdfdoc {

namespace {

uint32_t FindGlyphEntry(const TvnGlyphListEntry* ATable, size_t ASize, std::string_view AName) {
  const TvnGlyphListEntry* end = ATable + ASize;
  const auto* it = std::lower_bound(ATable, end, AName, [](const TvnGlyphListEntry& e, std::string_view n) {
    return std::string_view(e.Name) < n;
  });
  if (it == end || std::string_view(it->Name) != AName) return 0;
  return it->Unicode;
}

// The value of hexadecimal digits, or -1 when one is not a digit.
int64_t GlyphNameHexValue(std::string_view ADigits) {
  int64_t v = 0;
  for (char c : ADigits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else
      return -1;
    v = v * 16 + d;
  }
  return v;
}

bool IsUnicodeScalar(int64_t v) { return v >= 0 && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF); }

// "uniXXXX[XXXX...]" (the first group) and "uXXXX" to "uXXXXXX".
uint32_t UnicodeOfCodeName(std::string_view AName) {
  if (AName.size() >= 7 && AName.substr(0, 3) == "uni" && (AName.size() - 3) % 4 == 0) {
    if (GlyphNameHexValue(AName.substr(3)) < 0) return 0;
    const int64_t v = GlyphNameHexValue(AName.substr(3, 4));
    return IsUnicodeScalar(v) ? static_cast<uint32_t>(v) : 0;
  }
  if (AName.size() >= 5 && AName.size() <= 7 && AName[0] == 'u') {
    const int64_t v = GlyphNameHexValue(AName.substr(1));
    return IsUnicodeScalar(v) ? static_cast<uint32_t>(v) : 0;
  }
  return 0;
}

std::vector<std::pair<uint16_t, uint8_t>> BuildSymbolCodes() {
  std::vector<std::pair<uint16_t, uint8_t>> codes;
  for (int code = 0; code < 256; ++code) {
    const std::string_view name = SymbolEncoding[static_cast<size_t>(code)];
    if (name.empty()) continue;
    const uint32_t u = GlyphNameToUnicode(name);
    if (u != 0 && u <= 0xFFFF) codes.emplace_back(static_cast<uint16_t>(u), static_cast<uint8_t>(code));
  }
  const std::pair<uint16_t, uint8_t> extra[] = {{0x00A0, 32},  {0x00B7, 183}, {0x0394, 68}, {0x03A9, 87},
                                                {0x03BC, 109}, {0x20AC, 160}, {0x2215, 164}};
  codes.insert(codes.end(), std::begin(extra), std::end(extra));
  std::stable_sort(codes.begin(), codes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return codes;
}

}  // namespace

uint32_t GlyphNameToUnicode(std::string_view AName, bool ADingbats) {
  if (AName.empty()) return 0;
  if (ADingbats) {
    if (AName == "four") return 0x2714;
    if (AName == "l") return 0x25CF;
    if (const uint32_t u = FindGlyphEntry(kDingbatsList, kDingbatsListSize, AName)) return u;
  }
  if (const uint32_t u = FindGlyphEntry(kGlyphList, kGlyphListSize, AName)) return u;
  return UnicodeOfCodeName(AName);
}

uint8_t UnicodeToSymbolCode(uint16_t AUnicode) {
  static const std::vector<std::pair<uint16_t, uint8_t>> codes = BuildSymbolCodes();
  const auto it = std::lower_bound(codes.begin(), codes.end(), AUnicode,
                                   [](const auto& e, uint16_t u) { return e.first < u; });
  return it != codes.end() && it->first == AUnicode ? it->second : 0;
}

}  // namespace vn::pdfdoc
