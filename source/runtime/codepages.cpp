#include "runtime/codepages.h"

#include <iconv.h>

#include <algorithm>

namespace vn {
namespace {

// Windows-1252 bytes 0x80-0x9F (the rest is Latin-1). The five bytes the code
// page leaves undefined map to the C1 controls of the same value, as Windows
// does, so every byte round-trips.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Code page 437 bytes 0x80-0xFF.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

template <size_t N>
std::string Encode(std::u16string_view text, const char16_t (&high)[N], uint8_t first_mapped, bool latin1_identity, char fallback) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (latin1_identity && c >= 0xA0 && c <= 0xFF) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const char16_t* hit = std::find(std::begin(high), std::end(high), c);
    out.push_back(hit != std::end(high) ? static_cast<char>(first_mapped + (hit - std::begin(high))) : fallback);
  }
  return out;
}

}  // namespace

String DecodeCp1252(std::string_view bytes) {
  String out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(bytes[i]);
    out[i] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

std::string EncodeCp1252(StringView text, char fallback) {
  return Encode(text, kCp1252High, 0x80, true, fallback);
}

char16_t Cp1252ToUnicode(uint8_t b) { return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b); }

String DecodeCp437(std::string_view bytes) {
  String out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(bytes[i]);
    out[i] = b >= 0x80 ? kCp437High[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

std::string EncodeCp437(StringView text, char fallback) { return Encode(text, kCp437High, 0x80, false, fallback); }

bool IsCp1252Encodable(StringView text) {
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) continue;
    if (std::find(std::begin(kCp1252High), std::end(kCp1252High), c) == std::end(kCp1252High)) return false;
  }
  return true;
}

namespace {

// The converter name of a Windows code page.
std::string ConverterName(int32_t code_page) {
  switch (code_page) {
    case 10000: return "MACINTOSH";
    case 1361: return "JOHAB";
    default: return "CP" + std::to_string(code_page);
  }
}

// Appends the UTF-16LE bytes a converter produced.
void AppendUtf16Le(const std::string& bytes, size_t count, String& out) {
  for (size_t i = 0; i + 1 < count; i += 2)
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
}

}  // namespace

CodePageDecoder::~CodePageDecoder() {
  for (auto& [code_page, converter] : converters_)
    if (converter != nullptr) iconv_close(static_cast<iconv_t>(converter));
}

void* CodePageDecoder::Converter(int32_t code_page) {
  auto found = converters_.find(code_page);
  if (found == converters_.end()) {
    iconv_t opened = iconv_open("UTF-16LE", ConverterName(code_page).c_str());
    void* converter = opened == reinterpret_cast<iconv_t>(-1) ? nullptr : static_cast<void*>(opened);
    found = converters_.emplace(code_page, converter).first;
  }
  return found->second;
}

void CodePageDecoder::Decode(int32_t code_page, std::string_view bytes, String& out) {
  if (bytes.empty()) return;
  void* opened = code_page == 1252 || code_page <= 0 ? nullptr : Converter(code_page);
  if (opened == nullptr) {
    out += DecodeCp1252(bytes);
    return;
  }
  auto converter = static_cast<iconv_t>(opened);
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::string input(bytes);
  char* in = input.data();
  size_t in_left = input.size();
  std::string output(input.size() * 4 + 8, '\0');
  while (in_left > 0) {
    char* to = output.data();
    size_t to_left = output.size();
    const size_t done = iconv(converter, &in, &in_left, &to, &to_left);
    AppendUtf16Le(output, output.size() - to_left, out);
    if (done != static_cast<size_t>(-1)) break;
    // A byte that starts no character, or a character cut off at the end:
    // one replacement character, and on after that byte.
    out.push_back(u'\uFFFD');
    ++in;
    --in_left;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
}

std::optional<String> CodePageDecoder::DecodeExactly(int32_t code_page, std::string_view bytes) {
  void* opened = Converter(code_page);
  if (opened == nullptr) return std::nullopt;
  auto converter = static_cast<iconv_t>(opened);
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::string input(bytes);
  char* in = input.data();
  size_t in_left = input.size();
  std::string output(input.size() * 4 + 8, '\0');
  char* to = output.data();
  size_t to_left = output.size();
  if (iconv(converter, &in, &in_left, &to, &to_left) == static_cast<size_t>(-1)) return std::nullopt;
  String text;
  AppendUtf16Le(output, output.size() - to_left, text);
  return text;
}

}  // namespace vn
