#include "export/font_measure.h"

#include <algorithm>
#include <climits>

#include "platform/canvas/text_measure.h"
#include "platform/fonts/gdi_font.h"
#include "platform/shaping/text_shaping.h"

namespace vn::exporter {

TvnFontMeasure::TvnFontMeasure(const TFont& font) {
  vn::platform::FontRequest request;
  request.FaceName = font.Name;
  // A font holds its size in points unless a logical height was given.
  const int32_t height = font.Height != 0 ? font.Height : vn::platform::FontHeightFromPoints(font.Size, ScreenPixelsPerInch);
  request.Height = std::clamp(height, -kMaxMeasuredFontHeight, kMaxMeasuredFontHeight);
  request.Bold = font.Style.Contains(TFontStyle::fsBold);
  request.Italic = font.Style.Contains(TFontStyle::fsItalic);
  try {
    FFont = vn::platform::GdiFont::Create(request);
  } catch (const vn::Exception&) {
  }
  FCanvasFont.faceName = request.FaceName;
  FCanvasFont.height = request.Height;
  FCanvasFont.weight = request.Bold ? 700 : 400;
  FCanvasFont.italic = request.Italic;
}

TSize TvnFontMeasure::Extent(StringView text) const {
  if (!FFont) return {};
  const vn::platform::TextSize size = FFont->TextExtent(text);
  if (!vn::platform::IsComplexText(text)) return {size.Width, size.Height};
  int64_t width = 0;
  for (const int32_t advance : vn::platform::RoundedAdvances(FCanvasFont, text)) width += advance;
  return {static_cast<int32_t>(std::clamp<int64_t>(width, 0, INT32_MAX)), size.Height};
}

int32_t TvnFontMeasure::Height() const { return FFont ? FFont->Metrics().Height : 0; }

int32_t TvnFontMeasure::Ascent() const { return FFont ? FFont->Metrics().Ascent : 0; }

bool TvnFontMeasure::CoversWideCharacters(StringView text) const {
  if (!FFont) return false;
  for (char32_t ch : vn::platform::CodePointsOf(text))
    if (ch > 255 && !FFont->HasGlyph(ch)) return false;
  return true;
}

}  // namespace vn::exporter
