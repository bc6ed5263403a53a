// Test doubles of the export engine's text tests: a recording engine that
// keeps every drawn text with its position and style and lets the base
// engine lay out paragraphs and tables, and an independent measurer that
// reads the hinted advances straight from FreeType.
#pragma once

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "recording_engine.h"

namespace vn::exporter::testing {

struct DrawnText {
  std::string Band;
  std::string Text;  // the first line, variables replaced
  double X = 0, Y = 0;
  TFontStyles Style;
  TvnHAlignment Alignment = TvnHAlignment::haLeft;
  int32_t Page = 0;
  std::optional<TvnRect> Clip;
};

struct DrawnLine {
  double X1, Y1, X2, Y2;
};

class TextEngine : public RecordingEngine {
 public:
  TextEngine() {
    SetMeasurementUnit(TvnUnitType::muPixels);
    Font().Name = u"Arial";
    Font().Size = 10;
  }

  std::vector<DrawnText> Texts;
  std::vector<DrawnLine> Lines;
  int32_t Pages = 0;  // pages written

  using TvnCustomDocumentEngine::FindNextLink;
  using TvnCustomDocumentEngine::GetTextSize;
  using TvnCustomDocumentEngine::GetWideTextSize;
  using TvnCustomDocumentEngine::ReorderBiDiText;
  using TvnCustomDocumentEngine::ReplacePageVariables;
  using TvnCustomDocumentEngine::ReplaceVariables;
  using TvnCustomDocumentEngine::RowsOnPage;
  using TvnCustomDocumentEngine::WrapText;
  using TvnCustomDocumentEngine::WrapTextW;

  // The texts drawn on one page, in drawing order.
  std::vector<DrawnText> OnPage(int32_t page) const {
    std::vector<DrawnText> out;
    for (const DrawnText& t : Texts)
      if (t.Page == page) out.push_back(t);
    return out;
  }

 protected:
  void RenderTextItem(TvnTextItem& item) override {
    RecordingEngine::RenderTextItem(item);
    const String line = item.Lines.Count() ? item.Lines.GetString(0) : String();
    Texts.push_back({Band(), vn::ToUtf8(ReplaceVariables(line, true)), item.X, item.Y, item.Font.Style, item.Alignment,
                     CurrentPage(), item.IsClipRect() ? std::optional<TvnRect>(item.ClipRect()) : std::nullopt});
  }
  void DrawLine(double x1, double y1, double x2, double y2, const TPen& pen) override {
    RecordingEngine::DrawLine(x1, y1, x2, y2, pen);
    Lines.push_back({x1, y1, x2, y2});
  }
  void StartPage() override {
    RecordingEngine::StartPage();
    ++Pages;
  }
  void RenderParagraphItem(TvnParagraphItem& item) override { TvnCustomDocumentEngine::RenderParagraphItem(item); }
  void RenderTableItem(TvnTableItem& item) override { TvnCustomDocumentEngine::RenderTableItem(item); }
};

// Hinted advances of a font file at a pixel size, read with FreeType as
// the screen draws them; an oracle independent of the engine's fonts layer.
class FreeTypeAdvances {
 public:
  FreeTypeAdvances(const std::string& family, int pixels_per_em) {
    if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("FreeType");
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* file = nullptr;
    const bool found = match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                       FT_New_Face(library_, reinterpret_cast<const char*>(file), 0, &face_) == 0;
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    if (!found) throw std::runtime_error("no face for " + family);
    FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixels_per_em));
  }
  ~FreeTypeAdvances() {
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }
  int Advance(char32_t c) {
    auto it = cache_.find(c);
    if (it != cache_.end()) return it->second;
    int advance = 0;
    if (FT_Load_Char(face_, c, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) advance = int((face_->glyph->advance.x + 32) >> 6);
    return cache_[c] = advance;
  }
  int Width(const std::u16string& text) {
    int w = 0;
    for (char16_t c : text) w += Advance(c);
    return w;
  }
  // The width of the text shaped by HarfBuzz in this face (Arabic letters
  // joined), each glyph's advance rounded to whole pixels.
  int ShapedWidth(const std::u16string& text) {
    hb_font_t* font = hb_ft_font_create_referenced(face_);
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.data()), static_cast<int>(text.size()), 0,
                        static_cast<int>(text.size()));
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    int w = 0;
    for (unsigned i = 0; i < count; ++i) w += (positions[i].x_advance + 32) >> 6;
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
    return w;
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  std::map<char32_t, int> cache_;
};

// Arial at 10 points on the 96-pixel screen: 13 pixels to the em, drawn
// with Liberation Sans.
inline FreeTypeAdvances& ArialAdvances() {
  static FreeTypeAdvances advances("Liberation Sans", 13);
  return advances;
}

// The same for the face another family is drawn with at 10 points
// ("Arial" is drawn with Liberation Sans).
inline FreeTypeAdvances& AdvancesOf(const std::u16string& family) {
  if (family == u"Arial") return ArialAdvances();
  static std::map<std::u16string, std::unique_ptr<FreeTypeAdvances>> faces;
  std::unique_ptr<FreeTypeAdvances>& face = faces[family];
  if (!face) face = std::make_unique<FreeTypeAdvances>(vn::ToUtf8(family), 13);
  return *face;
}

inline std::vector<std::string> Utf8Lines(const TWideStrings& lines) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < lines.Count(); ++i) out.push_back(vn::ToUtf8(lines.GetString(i)));
  return out;
}

}  // namespace vn::exporter::testing
