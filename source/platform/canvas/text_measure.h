// Measuring text for the canvases: the font's ascent and descent and the
// advance of each character, in the logical units of the font's height.
//
// One process-wide measurer serves both canvases so a recording and its
// raster playback lay text out alike. The default asks the fonts service
// (GdiFont: the window system's integer advances and win-metrics ascent and
// descent); tests can install another with SetTextMeasurer.
#pragma once

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/canvas/canvas.h"

typedef struct _cairo_font_face cairo_font_face_t;

namespace vn::platform {

class GdiFont;

struct FontMetrics {
  double ascent = 0;   // above the baseline
  double descent = 0;  // below the baseline, positive
  double emSize = 0;   // the font size the height stands for
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual FontMetrics Metrics(const Font& font) = 0;
  virtual std::vector<double> Advances(const Font& font, std::u16string_view text) = 0;
};

TextMeasurer& GetTextMeasurer();

// Integer advances of the characters, rounded on their running sum so they
// add up to the text's width; and the width and cell height of a text.
std::vector<int32_t> RoundedAdvances(const Font& font, std::u16string_view text);
Size MeasureText(const Font& font, std::u16string_view text);
// Installs a measurer (not owned); nullptr goes back to the default.
void SetTextMeasurer(TextMeasurer* measurer);

// The cairo face that draws a font (a new reference): the face file the
// fonts service matched, with bold or italic simulated where it does.
cairo_font_face_t* CreateCairoFontFace(const Font& font);
cairo_font_face_t* CreateCairoFontFace(const GdiFont& font);

// The glyphs that draw a text, as the measurer measures it: each character
// the font's face has in that face, any other in the face that draws it
// (FindFallbackFace); complex text shaped in the face that writes it, its
// glyphs in visual order from where its first character starts. X and Y
// are offsets from the text's start on its baseline (Y downwards), in the
// logical units of the font's height, with the characters placed by
// `advances` (one per code unit).
struct PlacedGlyph {
  unsigned Glyph = 0;  // 0: the missing-glyph box
  double X = 0;
  double Y = 0;
  size_t Font = 0;  // index into DrawnText::Fonts
};
struct DrawnText {
  std::vector<std::shared_ptr<const GdiFont>> Fonts;  // the font's own first
  std::vector<PlacedGlyph> Glyphs;
};
DrawnText GlyphsOfText(const Font& font, std::u16string_view text, std::span<const int32_t> advances);

}  // namespace vn::platform
