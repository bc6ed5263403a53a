// Glyph names to Unicode, and Unicode to the codes of the Symbol font.
#pragma once

#include <cstdint>
#include <string_view>

namespace vn::pdfdoc {

// The Unicode value of a glyph name: from the glyph list, or with ADingbats
// from the ZapfDingbats list first ("four" and "l", which that list lacks,
// give U+2714 and U+25CF). A name that neither list holds is read as "uni"
// and four hexadecimal digits (the first group when there are several) or
// "u" and four to six, outside the surrogate range. 0 when the name is empty
// or means nothing.
uint32_t GlyphNameToUnicode(std::string_view AName, bool ADingbats = false);

// The Symbol-encoding code of a 16-bit Unicode value, 0 when none.
uint8_t UnicodeToSymbolCode(uint16_t AUnicode);

}  // namespace vn::pdfdoc
