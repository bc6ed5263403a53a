// The generated tables behind the glyph lists and the standard fonts
// (font_tables.cpp, made by scripts/generate_pdf_font_tables.py). Each table
// is sorted by name in byte order, for binary search.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pdfdocument/built_in_fonts.h"

namespace vn::pdfdoc {

struct TvnGlyphListEntry {
  const char* Name;
  uint32_t Unicode;
};

extern const TvnGlyphListEntry kGlyphList[];
extern const size_t kGlyphListSize;
extern const TvnGlyphListEntry kDingbatsList[];
extern const size_t kDingbatsListSize;

extern const TvnBuiltInFontWidths kWidthsCourier[315];
extern const TvnBuiltInFontWidths kWidthsCourierBoldOblique[315];
extern const TvnBuiltInFontWidths kWidthsCourierOblique[315];
extern const TvnBuiltInFontWidths kWidthsHelvetica[315];
extern const TvnBuiltInFontWidths kWidthsHelveticaBold[316];
extern const TvnBuiltInFontWidths kWidthsHelveticaBoldOblique[315];
extern const TvnBuiltInFontWidths kWidthsHelveticaOblique[315];
extern const TvnBuiltInFontWidths kWidthsSymbol[190];
extern const TvnBuiltInFontWidths kWidthsTimesBold[315];
extern const TvnBuiltInFontWidths kWidthsTimesBoldItalic[315];
extern const TvnBuiltInFontWidths kWidthsTimesItalic[315];
extern const TvnBuiltInFontWidths kWidthsTimesRoman[315];
extern const TvnBuiltInFontWidths kWidthsZapfDingbats[202];

}  // namespace vn::pdfdoc
