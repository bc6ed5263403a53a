// The two 8-bit code pages the document code assumes: the "system ANSI code
// page" (Windows-1252) and the "OEM code page" (437). Decoding never fails;
// encoding replaces characters the code page lacks by `fallback`. Other
// Windows code pages (the ones documents name: RTF's \ansicpg and font
// character sets, the code page of a property set) decode through
// CodePageDecoder.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/strings.h"

namespace vn {

String DecodeCp1252(std::string_view bytes);
std::string EncodeCp1252(StringView text, char fallback = '?');
char16_t Cp1252ToUnicode(uint8_t b);
bool IsCp1252Encodable(StringView text);

String DecodeCp437(std::string_view bytes);
std::string EncodeCp437(StringView text, char fallback = '?');

// Decodes bytes of a Windows code page (8-bit or double-byte) through the C
// library's converters; Windows-1252 through the table above. Converters are
// opened once per code page and closed with the object.
class CodePageDecoder {
 public:
  CodePageDecoder() = default;
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  // Appends the text of `bytes` to `out`. A byte that starts no character
  // (or a character cut off at the end) gives U+FFFD and decoding goes on
  // after it; a code page without a converter is read as Windows-1252.
  void Decode(int32_t code_page, std::string_view bytes, String& out);
  // The text of `bytes`; none when the code page has no converter or the
  // bytes are not all valid in it.
  std::optional<String> DecodeExactly(int32_t code_page, std::string_view bytes);

 private:
  // The converter of a code page (an iconv_t), null when there is none.
  void* Converter(int32_t code_page);

  std::map<int32_t, void*> converters_;
};

// The system ANSI code page is Windows-1252 here.
inline String AnsiToString(std::string_view bytes) { return DecodeCp1252(bytes); }
inline std::string StringToAnsi(StringView text) { return EncodeCp1252(text); }

}  // namespace vn
