// Measuring text for the canvases: the font's ascent and descent and the
// advance of each character, in the logical units of the font's height.
//
// One process-wide measurer serves both canvases so a recording and its
// raster playback lay text out alike. The default finds fonts through
// fontconfig and measures them with FreeType (through cairo); the fonts
// service can install its own GDI-like measurer with SetTextMeasurer.
#pragma once

#include <string_view>
#include <vector>

#include "platform/canvas/canvas.h"

typedef struct _cairo_font_face cairo_font_face_t;

namespace vn::platform {

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
// Installs a measurer (not owned); nullptr goes back to the default.
void SetTextMeasurer(TextMeasurer* measurer);

// The cairo face of a font (a new reference) and its em size in logical
// units, shared by the default measurer and the cairo canvas.
cairo_font_face_t* CreateCairoFontFace(const Font& font);
double FontEmSize(const Font& font);

}  // namespace vn::platform
