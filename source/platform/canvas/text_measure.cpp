#include "platform/canvas/text_measure.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "platform/fonts/font_catalog.h"
#include "platform/fonts/gdi_font.h"
#include "platform/shaping/text_shaping.h"

namespace vn::platform {

namespace {

FontRequest RequestOf(const Font& font);

// The font that writes complex text: the font itself when it has every
// character above 255 (null then), else the font of last resort, "Arial
// Unicode MS", where the writers put wide text the font cannot show.
std::shared_ptr<const GdiFont> WritingFont(const Font& font, const GdiFont& own, std::u16string_view text) {
  for (char32_t ch : CodePointsOf(text)) {
    if (ch > 255 && !own.HasGlyph(ch)) {
      FontRequest request = RequestOf(font);
      request.FaceName = u"Arial Unicode MS";
      return GdiFont::Create(request);
    }
  }
  return nullptr;
}

// FindFallbackFace, asked once per face and character: the search goes
// through every installed face.
std::optional<FontFaceRef> CachedFallbackFace(const FontFaceRef& requested, char32_t ch) {
  static std::mutex mutex;
  static std::map<std::tuple<std::string, int, char32_t>, std::optional<FontFaceRef>> found;
  const auto key = std::make_tuple(requested.File.string(), requested.Index, ch);
  {
    std::lock_guard lock(mutex);
    if (auto it = found.find(key); it != found.end()) return it->second;
  }
  std::optional<FontFaceRef> face = FindFallbackFace(requested, ch);
  std::lock_guard lock(mutex);
  return found.emplace(key, std::move(face)).first->second;
}

// A run shaped; one that cannot be shaped counts as missing glyphs.
ShapedRun ShapeOrMissing(const GdiFont& font, std::u16string_view text, const ScriptRun& run) {
  try {
    return ShapeRun(font, text, run);
  } catch (const vn::Exception&) {
    ShapedRun missing;
    missing.MissingGlyphs = true;
    return missing;
  }
}

FontRequest RequestOf(const Font& font) {
  FontRequest r;
  r.FaceName = font.faceName.empty() ? String(u"Arial") : String(font.faceName);
  r.Height = font.height;
  r.Bold = font.weight >= 600;
  r.Italic = font.italic;
  return r;
}

// Measures with the fonts service: the window system's integer advances
// and win-metrics ascent and descent at the font's pixel size. A character
// the font lacks has the advance of the fallback face that draws it, so
// text laid out with these advances (and recorded with them) leaves each
// glyph the room it takes when drawn.
class GdiTextMeasurer : public TextMeasurer {
 public:
  FontMetrics Metrics(const Font& font) override {
    auto f = GdiFont::Create(RequestOf(font));
    const TextMetrics& m = f->Metrics();
    return {double(m.Ascent), double(m.Descent), double(f->PixelsPerEm())};
  }
  std::vector<double> Advances(const Font& font, std::u16string_view text) override {
    std::vector<double> out(text.size(), 0.0);
    if (text.empty()) return out;
    auto f = GdiFont::Create(RequestOf(font));
    if (IsComplexText(text)) {
      ShapedAdvances(font, *f, text, out);
    } else {
      CharAdvances(*f, text, 0, text.size(), out);
    }
    return out;
  }

 private:
  // Each character's own advance, in the face that draws it.
  static void CharAdvances(const GdiFont& f, std::u16string_view text, size_t from, size_t to,
                           std::vector<double>& out) {
    for (size_t i = from; i < to; ++i) {
      char32_t ch = text[i];
      if (ch >= 0xD800 && ch < 0xDC00 && i + 1 < to && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        ch = 0x10000 + ((ch - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        out[i] = f.DrawnCharAdvance(ch);
        ++i;
        continue;
      }
      out[i] = f.DrawnCharAdvance(ch);
    }
  }

  // Complex text (Arabic letters that join, combining marks) takes the
  // advances of its shaped glyphs, each cluster's on its first character
  // and none on the others, so that joined letters sit together. It is
  // shaped in the face that writes it: the font's own when that has every
  // character, else the font of last resort, "Arial Unicode MS", which the
  // writers put wide text the font cannot show in. A run the face cannot
  // show whole keeps the characters' own advances.
  static void ShapedAdvances(const Font& font, const GdiFont& f, std::u16string_view text,
                             std::vector<double>& out) {
    const std::shared_ptr<const GdiFont> writer = WritingFont(font, f, text);
    const GdiFont& shaper = writer ? *writer : f;
    for (const ScriptRun& run : ItemizeText(text, false)) {
      const auto from = static_cast<size_t>(run.Start), to = static_cast<size_t>(run.Start + run.Length);
      if (run.Complex) {
        const ShapedRun shaped = ShapeOrMissing(shaper, text, run);
        if (!shaped.MissingGlyphs) {
          for (const ShapedGlyph& glyph : shaped.Glyphs)
            if (glyph.Cluster >= run.Start && glyph.Cluster < run.Start + run.Length)
              out[static_cast<size_t>(glyph.Cluster)] += glyph.XAdvance;
          continue;
        }
      }
      CharAdvances(f, text, from, to, out);
    }
  }
};

GdiTextMeasurer& DefaultMeasurer() {
  static GdiTextMeasurer m;
  return m;
}
TextMeasurer* g_measurer = nullptr;

// Cairo faces by font file, face index and simulated style, made once: the
// same face draws every text of that font.
struct FaceKey {
  std::string file;
  int index;
  bool bold, italic;
  auto operator<=>(const FaceKey&) const = default;
};

}  // namespace

TextMeasurer& GetTextMeasurer() { return g_measurer ? *g_measurer : DefaultMeasurer(); }
void SetTextMeasurer(TextMeasurer* measurer) { g_measurer = measurer; }

cairo_font_face_t* CreateCairoFontFace(const Font& font) { return CreateCairoFontFace(*GdiFont::Create(RequestOf(font))); }

cairo_font_face_t* CreateCairoFontFace(const GdiFont& font) {
  static std::mutex mutex;
  static std::map<FaceKey, cairo_font_face_t*> faces;
  const FontMatch& match = font.Match();
  FaceKey key{match.Face.File.string(), match.Face.Index, match.SimulateBold, match.SimulateItalic};
  std::lock_guard lock(mutex);
  auto it = faces.find(key);
  if (it == faces.end()) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(key.file.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, key.index);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
    unsigned synth = (key.bold ? CAIRO_FT_SYNTHESIZE_BOLD : 0) | (key.italic ? CAIRO_FT_SYNTHESIZE_OBLIQUE : 0);
    if (synth) cairo_ft_font_face_set_synthesize(face, synth);
    it = faces.emplace(key, face).first;
  }
  return cairo_font_face_reference(it->second);
}

std::vector<int32_t> RoundedAdvances(const Font& font, std::u16string_view text) {
  auto adv = GetTextMeasurer().Advances(font, text);
  std::vector<int32_t> out(adv.size());
  double sum = 0;
  int32_t placed = 0;
  for (size_t i = 0; i < adv.size(); ++i) {
    sum += adv[i];
    const int32_t next = SaturatedInt(std::round(sum));
    out[i] = next - placed;
    placed = next;
  }
  return out;
}

Size MeasureText(const Font& font, std::u16string_view text) {
  int64_t w = 0;
  for (int32_t a : RoundedAdvances(font, text)) w += a;
  const FontMetrics m = GetTextMeasurer().Metrics(font);
  return {SaturatedInt(double(w)), SaturatedInt(std::round(m.ascent + m.descent))};
}

DrawnText GlyphsOfText(const Font& font, std::u16string_view text, std::span<const int32_t> advances) {
  DrawnText drawn;
  const std::shared_ptr<const GdiFont> own = GdiFont::Create(RequestOf(font));
  drawn.Fonts.push_back(own);
  std::vector<double> starts(text.size() + 1, 0.0);
  for (size_t i = 0; i < text.size(); ++i) starts[i + 1] = starts[i] + (i < advances.size() ? advances[i] : 0);
  const auto indexOf = [&drawn](const std::shared_ptr<const GdiFont>& AFont) {
    for (size_t k = 0; k < drawn.Fonts.size(); ++k)
      if (drawn.Fonts[k] == AFont) return k;
    drawn.Fonts.push_back(AFont);
    return drawn.Fonts.size() - 1;
  };
  std::map<std::pair<std::string, int>, std::shared_ptr<const GdiFont>> fallbacks;
  const auto characters = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      char32_t ch = text[i];
      const size_t at = i;
      if (ch >= 0xD800 && ch < 0xDC00 && i + 1 < to && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        ch = 0x10000 + ((ch - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      }
      PlacedGlyph glyph{own->GlyphIndex(ch), starts[at], 0, 0};
      const bool lone = ch >= 0xD800 && ch <= 0xDFFF;
      if (glyph.Glyph == 0 && ch >= 0x20 && !lone) {
        if (const std::optional<FontFaceRef> face = CachedFallbackFace(own->Face(), ch)) {
          try {
            std::shared_ptr<const GdiFont>& fallback = fallbacks[{face->File.string(), face->Index}];
            if (!fallback) {
              fallback = GdiFont::CreateFromFace(*face, own->Request().Height, own->Request().Bold,
                                                 own->Request().Italic);
            }
            if (const unsigned g = fallback->GlyphIndex(ch); g != 0) glyph = {g, starts[at], 0, indexOf(fallback)};
          } catch (const vn::Exception&) {
            // The fallback face cannot be opened: the box stays.
          }
        }
      }
      drawn.Glyphs.push_back(glyph);
    }
  };
  if (!IsComplexText(text)) {
    characters(0, text.size());
    return drawn;
  }
  std::shared_ptr<const GdiFont> shaper = WritingFont(font, *own, text);
  if (!shaper) shaper = own;
  for (const ScriptRun& run : ItemizeText(text, false)) {
    const auto from = static_cast<size_t>(run.Start), to = static_cast<size_t>(run.Start + run.Length);
    const ShapedRun shaped = run.Complex ? ShapeOrMissing(*shaper, text, run) : ShapedRun{{}, {}, true};
    if (shaped.MissingGlyphs) {
      characters(from, to);
      continue;
    }
    const size_t face = indexOf(shaper);
    double x = starts[from];
    for (const ShapedGlyph& g : shaped.Glyphs) {
      drawn.Glyphs.push_back({g.GlyphId, x + g.XOffset, -double(g.YOffset), face});
      x += g.XAdvance;
    }
  }
  return drawn;
}

}  // namespace vn::platform
