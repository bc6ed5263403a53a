// Text of the library. `String` is UTF-16 (positions and lengths count code
// units); 8-bit text and raw bytes are std::string and never assumed UTF-8.
// The helpers keep the semantics the document code expects of its runtime:
// 1-based Copy and Pos, blank trimming, ASCII case mapping, integer text with
// "$"/"0x" hexadecimal and EConvertError on bad input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

using String = std::u16string;
using StringView = std::u16string_view;

// UTF-8 <-> UTF-16. Ill-formed input becomes U+FFFD (never throws).
String FromUtf8(std::string_view utf8);
std::string ToUtf8(StringView text);

// ASCII text (bytes < 0x80 only) into String: convenient for literals.
String FromAscii(std::string_view ascii);

// 1-based Copy: up to count code units from index (1-based); out-of-range
// indexes are clamped as the runtime does (index < 1 counts as 1).
String Copy(StringView s, int64_t index, int64_t count);
// 1-based position of sub in s, 0 when absent (empty sub gives 0).
int64_t Pos(StringView sub, StringView s, int64_t offset = 1);

// Trimming removes characters <= U+0020 (blanks and control characters).
String Trim(StringView s);
String TrimLeft(StringView s);
String TrimRight(StringView s);

// ASCII-only case mapping (the runtime's UpperCase/LowerCase).
String UpperCase(StringView s);
String LowerCase(StringView s);
std::string UpperCaseAnsi(std::string_view s);
std::string LowerCaseAnsi(std::string_view s);
// Case mapping of letters beyond ASCII too (Latin-1, Latin Extended-A, Greek,
// Cyrillic), for the runtime's locale-aware variants.
String WideUpperCase(StringView s);
String WideLowerCase(StringView s);
char16_t WideUpCase(char16_t c);
char16_t WideLowCase(char16_t c);

bool SameText(StringView a, StringView b);  // ASCII case-insensitive equality
int CompareText(StringView a, StringView b);  // ASCII case-insensitive order
bool StartsText(StringView prefix, StringView s);
bool EndsText(StringView suffix, StringView s);

String IntToStr(int64_t value);
String IntToHex(uint64_t value, int digits);  // upper case, zero-padded
// Decimal, or hexadecimal with a "$", "0x" or "0X" prefix; optional sign;
// leading and trailing blanks are not allowed (as in the runtime).
std::optional<int64_t> TryStrToInt64(StringView s);
std::optional<int32_t> TryStrToInt(StringView s);
int32_t StrToInt(StringView s);  // EConvertError "'<s>' is not a valid integer value"
int64_t StrToInt64(StringView s);
int32_t StrToIntDef(StringView s, int32_t def);

String StringReplaceAll(StringView s, StringView from, StringView to);
std::vector<String> SplitString(StringView s, char16_t separator);  // keeps empty pieces
// The lines of a text broken at CR, LF or CR LF (views into s); a break at
// the very end starts no further line.
std::vector<StringView> SplitLines(StringView s);

}  // namespace vn
