// A font at a pixel size with the metrics the window system's font functions
// give: text metrics (ascent and descent from the OS/2 win metrics), integer
// advances of the hinted glyphs at the pixel size, ABC widths, outline
// metrics, pair kerning and the extent of a text. Sizes are in pixels of the
// 96-pixels-per-inch reference screen.
//
// Fonts are shared and cached by request: GdiFont::Create returns the same
// object for the same request. A GdiFont is immutable from the outside and
// safe to use from several threads (its lazily filled caches live under the
// process-wide FreeType lock of font_faces.h).
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/fonts/font_catalog.h"
#include "platform/fonts/font_faces.h"

namespace vn::platform {

// What a caller asks for, as in a logical font: the face name, the height
// (negative: the character (em) height in pixels; positive: the cell height,
// ascent plus descent; 0: the default of 16 pixels em height), bold and italic.
struct FontRequest {
  String FaceName;
  int Height = 0;
  bool Bold = false;
  bool Italic = false;
};

// The logical-font height of a point size on a device of `pixels_per_inch`:
// minus the pixels of the size, rounded half away from zero.
int FontHeightFromPoints(double points, int pixels_per_inch = 96);

// Pitch-and-family bits of TextMetrics.
constexpr uint8_t kTmpfFixedPitch = 0x01;  // set when the font is NOT fixed pitch (as GDI)
constexpr uint8_t kTmpfVector = 0x02;
constexpr uint8_t kTmpfTrueType = 0x04;
constexpr uint8_t kFontFamilyRoman = 0x10;
constexpr uint8_t kFontFamilySwiss = 0x20;
constexpr uint8_t kFontFamilyModern = 0x30;
constexpr uint8_t kFontFamilyScript = 0x40;
constexpr uint8_t kFontFamilyDecorative = 0x50;

struct TextMetrics {
  int Height = 0;  // Ascent + Descent
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;  // Height - em height
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
  int Weight = kFontWeightNormal;
  int Overhang = 0;
  bool Italic = false;
  char32_t FirstChar = 0;
  char32_t LastChar = 0;
  char32_t DefaultChar = 0;
  char32_t BreakChar = 0x20;
  uint8_t PitchAndFamily = 0;
  uint8_t CharSet = 0;  // the first character set the face covers (see font_charsets.h)
};

struct TextSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TextSize&) const = default;
};

// A glyph's left bearing (A), black-box width (B) and right bearing (C);
// A + B + C is the advance.
struct AbcWidths {
  int A = 0;
  int B = 0;
  int C = 0;
};

// The outline metrics of a face, either in font design units
// (GdiFont::DesignOutlineMetrics) or scaled to the font's pixel size and
// rounded (GdiFont::GetOutlineMetrics). Y grows upwards; Descent and
// UnderscorePosition are normally negative.
struct OutlineMetrics {
  int EmSquare = 0;       // units per em (never scaled)
  int Ascent = 0;         // typographic ascender
  int Descent = 0;        // typographic descender (negative)
  int LineGap = 0;
  int CapHeight = 0;
  int XHeight = 0;
  int ItalicAngle = 0;    // tenths of a degree, counter-clockwise from vertical (negative for right-leaning)
  int BoxLeft = 0, BoxBottom = 0, BoxRight = 0, BoxTop = 0;  // font bounding box
  int UnderscorePosition = 0;
  int UnderscoreSize = 0;
  int StrikeoutPosition = 0;
  int StrikeoutSize = 0;
  bool FixedPitch = false;
};

class GdiFont {
 public:
  // The font for a request: matched through the catalog (aliases, default),
  // the default family when the matched file cannot be opened. Throws
  // EFontError when no face can be opened at all.
  static std::shared_ptr<const GdiFont> Create(const FontRequest& request);
  // The font of one given face file (not necessarily installed), with bold
  // and italic simulated when asked for. Throws EFontError when the file is
  // missing or damaged.
  static std::shared_ptr<const GdiFont> CreateFromFace(const FontFaceRef& face, int height, bool bold = false,
                                                       bool italic = false);

  const FontRequest& Request() const { return request_; }
  const FontMatch& Match() const { return match_; }
  const FontFaceRef& Face() const { return match_.Face; }
  int PixelsPerEm() const { return ppem_; }
  const TextMetrics& Metrics() const { return metrics_; }

  // The glyph of a character in this face (0: the face lacks it).
  unsigned GlyphIndex(char32_t ch) const;
  bool HasGlyph(char32_t ch) const { return GlyphIndex(ch) != 0; }
  // Integer advance of a glyph / of a character's glyph at the pixel size
  // (hinted, as drawn). A character the face lacks has the advance of the
  // missing-glyph box.
  int GlyphAdvance(unsigned glyph) const;
  int CharAdvance(char32_t ch) const;
  // The advance of a character as text is drawn and measured: in the
  // fallback face that draws it (FindFallbackFace) when this face lacks it,
  // at the same pixel size; the missing-glyph box for surrogates, control
  // characters and characters no face has.
  int DrawnCharAdvance(char32_t ch) const;
  AbcWidths CharAbcWidths(char32_t ch) const;
  AbcWidths GlyphAbcWidths(unsigned glyph) const;
  // Kerning of a character pair from the face's 'kern' table, in pixels.
  int Kerning(char32_t left, char32_t right) const;

  // The extent of a text as the window system measures it: the sum of the
  // advances (no kerning) by the Metrics height, each character's advance
  // as DrawnCharAdvance gives it.
  TextSize TextExtent(StringView text) const;

  OutlineMetrics GetOutlineMetrics() const;
  OutlineMetrics DesignOutlineMetrics() const;

  GdiFont(const FontRequest& request, const FontMatch& match);  // use Create

 private:
  const GdiFont* FallbackFor(char32_t ch) const;

  FontRequest request_;
  FontMatch match_;
  int ppem_ = 0;
  TextMetrics metrics_;
  OutlineMetrics design_;
  // Locks FreeType and gives this font's face (opened at construction, never
  // closed); the caches below are guarded by the same lock.
  FaceLease Lease() const;

  FT_Face face_ = nullptr;
  mutable std::unordered_map<unsigned, int> advances_;
  mutable std::unordered_map<char32_t, std::shared_ptr<const GdiFont>> fallbacks_;
};

// Decodes UTF-16 into code points; a lone surrogate stays as its own value.
std::u32string CodePointsOf(StringView text);

}  // namespace vn::platform
