// The two 8-bit code pages the document code assumes: the "system ANSI code
// page" (Windows-1252) and the "OEM code page" (437). Decoding never fails;
// encoding replaces characters the code page lacks by `fallback`.
#pragma once

#include <cstdint>
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

// The system ANSI code page is Windows-1252 here.
inline String AnsiToString(std::string_view bytes) { return DecodeCp1252(bytes); }
inline std::string StringToAnsi(StringView text) { return EncodeCp1252(text); }

}  // namespace vn
