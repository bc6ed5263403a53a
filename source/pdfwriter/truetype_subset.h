// TrueType font programs as the PDF writer embeds them: the character map
// that a simple (single-byte) font's codes go through, and the subset that
// replaces a whole font program when only some glyphs are drawn.
//
// The subset keeps the ten tables a PDF reader needs to draw TrueType
// glyphs (cmap, cvt, fpgm, glyf, head, hhea, hmtx, loca, maxp, prep, as far
// as the font has them) and every glyph identifier: the glyphs not used
// keep an empty outline, so no text has to be re-coded and a composite
// font's CIDToGIDMap stays the identity. The components of used composite
// glyphs are used too, to any depth.
//
// Both functions read outside bytes (an installed font file may be damaged):
// they check every offset and count, and their work is bounded by the size
// of the font.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vn::pdfwriter {

// The (character code, glyph) pairs of the font's first Windows character
// map (platform 3, encoding 1 or 0) when it is of format 4, in the map's
// order, code 0xFFFF left out; empty when the font has none or it is
// damaged. At most 65536 pairs.
std::vector<std::pair<uint16_t, uint16_t>> ReadCmapFormat4(std::string_view font);

// The subset of a TrueType font (a single font, not a collection) in which
// only the glyphs of `used` and their components keep their outlines.
// `used` receives the components that were added. nullopt when the data is
// not a TrueType font with 'glyf', 'loca', 'head' and 'maxp' tables that
// can be read.
std::optional<std::string> SubsetTrueTypeFont(std::string_view font, std::set<uint16_t>& used);

}  // namespace vn::pdfwriter
