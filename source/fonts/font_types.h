// Types shared by every font-program reader: what kind of program a reader
// handles, how a glyph is named in a request, which character-code
// interpretation a caller asks for, and the byte arrays charstrings and
// tables are kept in.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace vn::fonts {

enum class FontType { TrueType, TrueTypeCollection, Type1, CFF, OpenType };

// How a glyph is named in a request to the font engine.
enum class TGlyphType { CharCode, GlyphIndex, GlyphName };

// The character-code interpretation asked of a reader: the Unicode
// platform's encodings (0-4), the Macintosh script codes 0-31 (5-36), the
// Microsoft encodings 0-6 and 10 (37-44) and the PostScript ones (45-47).
// None means no preference: a reader then takes the first encoding it has.
enum class EncodingType {
  Unicode_1_0,
  Unicode_1_1,
  Unicode_ISO_10646_1993,
  Unicode_2_0_BMPonly,
  Unicode_2_0_Full,
  Macintosh_Roman,
  Macintosh_Japanese,
  Macintosh_Chinese_Traditional,
  Macintosh_Korean,
  Macintosh_Arabic,
  Macintosh_Hebrew,
  Macintosh_Greek,
  Macintosh_Russian,
  Macintosh_RSymbol,
  Macintosh_Devanagari,
  Macintosh_Gurmukhi,
  Macintosh_Gujarati,
  Macintosh_Oriya,
  Macintosh_Bengali,
  Macintosh_Tamil,
  Macintosh_Telugu,
  Macintosh_Kannada,
  Macintosh_Malayalam,
  Macintosh_Sinhalese,
  Macintosh_Burmese,
  Macintosh_Khmer,
  Macintosh_Thai,
  Macintosh_Laotian,
  Macintosh_Georgian,
  Macintosh_Armenian,
  Macintosh_Chinese_Simplified,
  Macintosh_Tibetan,
  Macintosh_Mongolian,
  Macintosh_Geez,
  Macintosh_Slavic,
  Macintosh_Vietnamese,
  Macintosh_Sindhi,
  Microsoft_Symbol,
  Microsoft_Unicode_BMPonly,
  Microsoft_ShiftJIS,
  Microsoft_PRC,
  Microsoft_Big5,
  Microsoft_Wansung,
  Microsoft_Johab,
  Microsoft_Unicode_Full,
  Standard,
  Expert,
  None
};

using TvnByteArray = std::vector<uint8_t>;

// One byte array, the value type of name-to-charstring dictionaries.
struct TvnBytes {
  TvnBytes() = default;
  explicit TvnBytes(TvnByteArray value) : FArray(std::move(value)) {}
  TvnByteArray FArray;
};

// A font matrix [a b c d e f] from glyph space to text space:
// x' = a x + c y + e, y' = b x + d y + f.
using TvnFontMatrix = std::array<double, 6>;
inline constexpr TvnFontMatrix kDefaultFontMatrix = {0.001, 0, 0, 0.001, 0, 0};

}  // namespace vn::fonts
