// Complex-script analysis of a text, in place of the system's script
// processor: itemizing a UTF-16 text into runs of one script and one
// bidirectional level (FriBidi for the levels, Unicode script properties for
// the scripts), the visual order of runs, whether a text needs shaping, and
// shaping a run in a font (HarfBuzz): glyph ids, integer advances and
// offsets at the font's pixel size, clusters, and the glyph attributes the
// PDF writer needs (cluster start, diacritic, zero width).
//
// Everything here is a pure function of its arguments and the installed
// fonts; it may be called from several threads.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/fonts/gdi_font.h"

namespace vn::platform {

// Script tags are ISO 15924 codes packed big-endian, e.g. 'Arab', 'Latn',
// 'Zyyy' (common), as HarfBuzz numbers them.
constexpr uint32_t ScriptTag(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

// One item of a text: code units [Start, Start + Length) of one script and
// one bidirectional level.
struct ScriptRun {
  int Start = 0;
  int Length = 0;
  uint32_t Script = ScriptTag("Zyyy");
  int BidiLevel = 0;     // even: left to right; odd: right to left
  bool Complex = false;  // needs shaping: a complex script, a right-to-left level or combining marks
  bool RightToLeft() const { return BidiLevel % 2 != 0; }
  bool operator==(const ScriptRun&) const = default;
};

// Splits a text into runs, in logical order, with the bidirectional levels of
// a paragraph whose base direction is right to left or left to right.
// Characters of the common and inherited scripts (blanks, digits,
// punctuation, combining marks) join the script of the text before them (or
// after them, at the start). An empty text gives no runs.
std::vector<ScriptRun> ItemizeText(StringView text, bool right_to_left);

// The visual order of items with these bidirectional levels: element i is
// the logical index of the item shown at visual position i (left to right).
std::vector<int> VisualOrder(std::span<const int> levels);

// Whether any run of the text (left-to-right paragraph) is complex.
bool IsComplexText(StringView text);

struct ShapedGlyph {
  uint32_t GlyphId = 0;  // 0: the font lacks the character
  int Cluster = 0;       // first code unit (in the whole text) of the glyph's cluster
  int XAdvance = 0;      // pixels at the font's size
  int YAdvance = 0;
  int XOffset = 0;
  int YOffset = 0;
  bool ClusterStart = false;  // first glyph of its cluster in glyph order
  bool Diacritic = false;     // a mark glyph (GDEF class)
  bool ZeroWidth = false;     // no advance
};

struct ShapedRun {
  std::vector<ShapedGlyph> Glyphs;  // visual order, left to right (reversed for right to left)
  // For each code unit of the run, the index in Glyphs of the first glyph of
  // its cluster.
  std::vector<int> LogicalClusters;
  bool MissingGlyphs = false;  // some glyph is 0
  int Width() const;
};

// Shapes one run of `text` in `font`, with the text around the run as
// context. Throws EArgumentOutOfRangeException when the run lies outside the
// text, EFontError when the font's face cannot be opened.
ShapedRun ShapeRun(const GdiFont& font, StringView text, const ScriptRun& run);

}  // namespace vn::platform
