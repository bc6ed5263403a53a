// Measuring text in an engine font as the screen measures it: the sum of
// the hinted integer advances of the characters at the font's pixel size
// (characters the face lacks measured in the face that draws them) by the
// font's cell height, at 96 pixels per inch; complex text (joining Arabic
// letters, combining marks) by its shaped glyphs, as the canvases measure
// and draw it. The engine's text calls and the
// metafile player measure through it, so wrapping, alignment and replayed
// text agree with what the canvases and the PDF engine draw.
#pragma once

#include <memory>

#include "export/engine_types.h"
#include "platform/canvas/canvas.h"

namespace vn::platform {
class GdiFont;
}

namespace vn::exporter {

// Width and height, in pixels.
struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  bool operator==(const TSize&) const = default;
};

class TvnFontMeasure {
 public:
  // Absurd font sizes are measured at this height, which stays cheap.
  static constexpr int32_t kMaxMeasuredFontHeight = 2000;

  explicit TvnFontMeasure(const TFont& font);
  // Measures nothing (zero) when no face can be opened at all.
  TSize Extent(StringView text) const;
  int32_t Width(StringView text) const { return Extent(text).cx; }
  // The cell height (ascent + descent) of the font.
  int32_t Height() const;
  // The ascent: from the top of the cell to the baseline.
  int32_t Ascent() const;
  // Whether the font's own face has a glyph for every character of the
  // text above 255 (false when no face can be opened).
  bool CoversWideCharacters(StringView text) const;

 private:
  std::shared_ptr<const vn::platform::GdiFont> FFont;
  // The same font for the canvases' measurer, which shapes complex text.
  vn::platform::Font FCanvasFont;
};

}  // namespace vn::exporter
