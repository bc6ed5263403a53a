// The single-byte encodings of simple fonts: 256 glyph names indexed by
// character code, an empty name where a code is not encoded; and the names
// a font's encoding may carry.
#pragma once

#include <array>
#include <string_view>

namespace vn::pdfdoc {

using TvnEncodingArray = std::array<std::string_view, 256>;

extern const TvnEncodingArray StandardEncoding;
extern const TvnEncodingArray WinAnsiEncoding;
extern const TvnEncodingArray MacRomanEncoding;
extern const TvnEncodingArray MacExpertEncoding;
// The predefined Expert encoding of CFF fonts.
extern const TvnEncodingArray ExpertEncoding;
// The built-in encodings of the Symbol and ZapfDingbats fonts.
extern const TvnEncodingArray SymbolEncoding;
extern const TvnEncodingArray ZapfDingbatsEncoding;

// "StandardEncoding", "MacRomanEncoding", "WinAnsiEncoding",
// "PDFDocEncoding", "MacExpertEncoding", "CustomEncoding" (PDFDocEncoding
// has no glyph table here).
inline constexpr std::array<std::string_view, 6> EncodingNames = {
    "StandardEncoding", "MacRomanEncoding", "WinAnsiEncoding", "PDFDocEncoding", "MacExpertEncoding",
    "CustomEncoding"};

}  // namespace vn::pdfdoc
