#include "platform/fonts/gdi_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "platform/fonts/font_charsets.h"
#include "platform/fonts/font_faces.h"

namespace vn::platform {
namespace {

constexpr int kDefaultPixelsPerEm = 16;
constexpr int kMaxPixelsPerEm = 16384;

// value * ppem / upem rounded half away from zero.
int Scale(long value, int ppem, int upem) {
  return static_cast<int>(std::lround(static_cast<double>(value) * ppem / upem));
}

// Sets the pixel size and clears any transform another user left behind.
void Prepare(FT_Face face, int ppem) {
  FT_Set_Transform(face, nullptr, nullptr);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem));
}

const TT_OS2* Os2(FT_Face face) {
  auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  return os2 && os2->version != 0xFFFF ? os2 : nullptr;
}

// Win ascent and descent in design units (hhea when there is no OS/2 table
// or its win metrics are empty).
std::pair<long, long> WinMetrics(FT_Face face) {
  if (const TT_OS2* os2 = Os2(face); os2 && os2->usWinAscent + os2->usWinDescent > 0)
    return {os2->usWinAscent, os2->usWinDescent};
  return {face->ascender, -face->descender};
}

int PixelsPerEmOf(FT_Face face, int height) {
  long ppem = kDefaultPixelsPerEm;
  if (height < 0) {
    ppem = -static_cast<long>(height);
  } else if (height > 0) {
    auto [ascent, descent] = WinMetrics(face);
    long cell = ascent + descent;
    ppem = cell > 0 ? std::lround(static_cast<double>(height) * face->units_per_EM / static_cast<double>(cell)) : height;
  }
  return static_cast<int>(std::clamp<long>(ppem, 1, kMaxPixelsPerEm));
}

// Top of a glyph's outline in design units (0 when the face lacks it).
int GlyphTop(FT_Face face, char32_t ch) {
  FT_UInt glyph = FT_Get_Char_Index(face, ch);
  if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0) return 0;
  return static_cast<int>(face->glyph->metrics.horiBearingY);
}

OutlineMetrics ReadDesignMetrics(FT_Face face) {
  OutlineMetrics m;
  const TT_OS2* os2 = Os2(face);
  m.EmSquare = face->units_per_EM;
  if (os2 && os2->sTypoAscender - os2->sTypoDescender > 0) {
    m.Ascent = os2->sTypoAscender;
    m.Descent = os2->sTypoDescender;
    m.LineGap = os2->sTypoLineGap;
  } else {
    m.Ascent = face->ascender;
    m.Descent = face->descender;
    m.LineGap = std::max(0, face->height - face->ascender + face->descender);
  }
  m.CapHeight = os2 && os2->version >= 2 && os2->sCapHeight > 0 ? os2->sCapHeight : GlyphTop(face, U'H');
  m.XHeight = os2 && os2->version >= 2 && os2->sxHeight > 0 ? os2->sxHeight : GlyphTop(face, U'x');
  if (auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST)))
    m.ItalicAngle = static_cast<int>(std::lround(static_cast<double>(post->italicAngle) / 65536.0 * 10.0));
  m.BoxLeft = static_cast<int>(face->bbox.xMin);
  m.BoxBottom = static_cast<int>(face->bbox.yMin);
  m.BoxRight = static_cast<int>(face->bbox.xMax);
  m.BoxTop = static_cast<int>(face->bbox.yMax);
  m.UnderscorePosition = face->underline_position;
  m.UnderscoreSize = face->underline_thickness;
  if (os2 && os2->yStrikeoutSize > 0) {
    m.StrikeoutPosition = os2->yStrikeoutPosition;
    m.StrikeoutSize = os2->yStrikeoutSize;
  } else {
    m.StrikeoutPosition = m.XHeight > 0 ? m.XHeight / 2 : face->units_per_EM / 4;
    m.StrikeoutSize = m.UnderscoreSize;
  }
  m.FixedPitch = FT_IS_FIXED_WIDTH(face);
  return m;
}

uint8_t PitchAndFamily(FT_Face face, const TT_OS2* os2) {
  uint8_t bits = kTmpfVector | kTmpfTrueType;
  bool fixed = FT_IS_FIXED_WIDTH(face);
  if (!fixed) bits |= kTmpfFixedPitch;
  uint8_t family = kFontFamilySwiss;
  if (fixed) {
    family = kFontFamilyModern;
  } else if (os2) {
    switch (os2->panose[0]) {  // family kind
      case 2:                  // Latin text: serif style 11..13 are the sans serifs
        family = os2->panose[1] >= 11 && os2->panose[1] <= 13 ? kFontFamilySwiss : kFontFamilyRoman;
        if (os2->panose[1] <= 1) family = kFontFamilySwiss;  // "any" / "no fit"
        break;
      case 3: family = kFontFamilyScript; break;
      case 4:
      case 5: family = kFontFamilyDecorative; break;
      default: break;
    }
  }
  return bits | family;
}

TextMetrics ReadTextMetrics(FT_Face face, int ppem, const FontMatch& match) {
  TextMetrics tm;
  const int upem = face->units_per_EM;
  const TT_OS2* os2 = Os2(face);
  auto [win_ascent, win_descent] = WinMetrics(face);
  tm.Ascent = Scale(win_ascent, ppem, upem);
  tm.Descent = Scale(win_descent, ppem, upem);
  tm.Height = tm.Ascent + tm.Descent;
  tm.InternalLeading = std::max(0, tm.Height - ppem);
  long hhea_cell = face->ascender - face->descender;
  long line_gap = face->height - hhea_cell;  // hhea line gap
  tm.ExternalLeading = std::max(0, Scale(line_gap - ((win_ascent + win_descent) - hhea_cell), ppem, upem));
  tm.AveCharWidth = os2 && os2->xAvgCharWidth > 0 ? Scale(os2->xAvgCharWidth, ppem, upem) : 0;
  tm.MaxCharWidth = Scale(face->max_advance_width, ppem, upem);
  tm.Weight = match.SimulateBold ? kFontWeightBold : (os2 && os2->usWeightClass ? os2->usWeightClass : match.Face.Weight);
  tm.Italic = match.Face.Italic || match.SimulateItalic;
  if (os2) {
    tm.FirstChar = os2->usFirstCharIndex;
    tm.LastChar = os2->usLastCharIndex;
    tm.DefaultChar = os2->version >= 2 ? os2->usDefaultChar : 0;
    tm.BreakChar = os2->version >= 2 && os2->usBreakChar ? os2->usBreakChar : 0x20;
  }
  tm.PitchAndFamily = PitchAndFamily(face, os2);
  bool symbol = face->charmap && face->charmap->encoding == FT_ENCODING_MS_SYMBOL;
  auto sets = CharsetsFromCodePageRanges(os2 ? static_cast<uint32_t>(os2->ulCodePageRange1) : 0,
                                         os2 ? static_cast<uint32_t>(os2->ulCodePageRange2) : 0,
                                         os2 && os2->version >= 1, symbol);
  tm.CharSet = static_cast<uint8_t>(sets.empty() ? kAnsiCharset : sets.front());
  return tm;
}

struct FontCache {
  std::mutex Mutex;
  std::map<std::string, std::shared_ptr<const GdiFont>> Fonts;
};

FontCache& TheCache() {
  static FontCache cache;
  return cache;
}

// Looks a key up; builds the font outside the cache lock (building takes the
// FreeType lock, which a caller may already hold while asking for a fallback
// font) and keeps the first one stored.
template <typename Build>
std::shared_ptr<const GdiFont> Cached(const std::string& key, Build build) {
  FontCache& cache = TheCache();
  {
    std::lock_guard<std::mutex> lock(cache.Mutex);
    if (auto it = cache.Fonts.find(key); it != cache.Fonts.end()) return it->second;
  }
  std::shared_ptr<const GdiFont> font = build();
  std::lock_guard<std::mutex> lock(cache.Mutex);
  return cache.Fonts.emplace(key, font).first->second;
}

}  // namespace

int FontHeightFromPoints(double points, int pixels_per_inch) {
  return -static_cast<int>(std::lround(points * pixels_per_inch / 72.0));
}

std::u32string CodePointsOf(StringView text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

GdiFont::GdiFont(const FontRequest& request, const FontMatch& match) : request_(request), match_(match) {
  FaceLease lease = AcquireFace(match_.Face.File, match_.Face.Index);
  FT_Face face = lease.Face;
  face_ = face;
  ppem_ = PixelsPerEmOf(face, request_.Height);
  Prepare(face, ppem_);
  design_ = ReadDesignMetrics(face);
  metrics_ = ReadTextMetrics(face, ppem_, match_);
  if (metrics_.AveCharWidth == 0) metrics_.AveCharWidth = CharAdvance(U'x');
}

std::shared_ptr<const GdiFont> GdiFont::Create(const FontRequest& request) {
  std::string key = "R|" + ToUtf8(LowerCase(Trim(request.FaceName))) + "|" + std::to_string(request.Height) + "|" +
                    (request.Bold ? "b" : "") + (request.Italic ? "i" : "");
  return Cached(key, [&] {
    FontMatch match = MatchFont(request.FaceName, request.Bold, request.Italic);
    try {
      return std::make_shared<const GdiFont>(request, match);
    } catch (const EFontError&) {
      FontMatch fallback = MatchFont(DefaultFontFamily(), request.Bold, request.Italic);
      if (fallback.Face == match.Face) throw;
      fallback.RequestedName = request.FaceName;
      fallback.Substituted = true;
      return std::make_shared<const GdiFont>(request, fallback);
    }
  });
}

std::shared_ptr<const GdiFont> GdiFont::CreateFromFace(const FontFaceRef& face, int height, bool bold, bool italic) {
  std::string key = "F|" + face.File.string() + "|" + std::to_string(face.Index) + "|" + std::to_string(height) +
                    "|" + (bold ? "b" : "") + (italic ? "i" : "");
  return Cached(key, [&] {
    FontMatch match;
    match.Face = face;
    match.RequestedName = face.Family;
    match.SimulateBold = bold && face.Weight < 600;
    match.SimulateItalic = italic && !face.Italic;
    FontRequest request{face.Family, height, bold, italic};
    return std::make_shared<const GdiFont>(request, match);
  });
}

FaceLease GdiFont::Lease() const { return FaceLease{LockFreeType(), face_}; }

unsigned GdiFont::GlyphIndex(char32_t ch) const {
  FaceLease lease = Lease();
  return FT_Get_Char_Index(lease.Face, ch);
}

int GdiFont::GlyphAdvance(unsigned glyph) const {
  FaceLease lease = Lease();
  if (auto it = advances_.find(glyph); it != advances_.end()) return it->second;
  Prepare(lease.Face, ppem_);
  int advance = 0;
  if (FT_Load_Glyph(lease.Face, glyph, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0)
    advance = static_cast<int>((lease.Face->glyph->advance.x + 32) >> 6);
  if (match_.SimulateBold && advance > 0) advance += 1;  // emboldening widens each glyph by a pixel
  advances_.emplace(glyph, advance);
  return advance;
}

int GdiFont::CharAdvance(char32_t ch) const { return GlyphAdvance(GlyphIndex(ch)); }

AbcWidths GdiFont::CharAbcWidths(char32_t ch) const { return GlyphAbcWidths(GlyphIndex(ch)); }

AbcWidths GdiFont::GlyphAbcWidths(unsigned glyph) const {
  FaceLease lease = Lease();
  AbcWidths abc;
  int advance = GlyphAdvance(glyph);
  Prepare(lease.Face, ppem_);
  if (FT_Load_Glyph(lease.Face, glyph, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) {
    const FT_Glyph_Metrics& gm = lease.Face->glyph->metrics;
    abc.A = static_cast<int>(gm.horiBearingX >> 6);  // floor
    int right = static_cast<int>((gm.horiBearingX + gm.width + 63) >> 6);  // ceiling
    abc.B = right - abc.A;
    if (match_.SimulateBold && abc.B > 0) abc.B += 1;
  }
  abc.C = advance - abc.A - abc.B;
  return abc;
}

int GdiFont::Kerning(char32_t left, char32_t right) const {
  FaceLease lease = Lease();
  if (!FT_HAS_KERNING(lease.Face)) return 0;
  Prepare(lease.Face, ppem_);
  FT_Vector delta{0, 0};
  if (FT_Get_Kerning(lease.Face, FT_Get_Char_Index(lease.Face, left), FT_Get_Char_Index(lease.Face, right),
                     FT_KERNING_DEFAULT, &delta) != 0)
    return 0;
  return static_cast<int>((delta.x + 32) >> 6);
}

const GdiFont* GdiFont::FallbackFor(char32_t ch) const {
  FaceLease lease = Lease();
  if (auto it = fallbacks_.find(ch); it != fallbacks_.end()) return it->second.get();
  std::shared_ptr<const GdiFont> font;
  if (auto face = FindFallbackFace(match_.Face, ch); face && !(*face == match_.Face)) {
    try {
      font = CreateFromFace(*face, -ppem_, request_.Bold, request_.Italic);
    } catch (const EFontError&) {
      font = nullptr;  // measured with the missing-glyph box
    }
  }
  fallbacks_.emplace(ch, font);
  return font.get();
}

int GdiFont::DrawnCharAdvance(char32_t ch) const {
  FaceLease lease = Lease();
  const bool surrogate = ch >= 0xD800 && ch <= 0xDFFF;
  const unsigned glyph = surrogate ? 0 : GlyphIndex(ch);
  if (glyph == 0 && ch >= 0x20 && !surrogate)
    if (const GdiFont* fallback = FallbackFor(ch)) return fallback->CharAdvance(ch);
  return GlyphAdvance(glyph);
}

TextSize GdiFont::TextExtent(StringView text) const {
  FaceLease lease = Lease();  // once for the whole text
  TextSize size{0, metrics_.Height};
  for (char32_t ch : CodePointsOf(text)) size.Width += DrawnCharAdvance(ch);
  return size;
}

OutlineMetrics GdiFont::DesignOutlineMetrics() const { return design_; }

OutlineMetrics GdiFont::GetOutlineMetrics() const {
  const int upem = design_.EmSquare;
  auto s = [&](int v) { return Scale(v, ppem_, upem); };
  auto at_least_one = [&](int v) { return v > 0 ? std::max(1, s(v)) : s(v); };
  OutlineMetrics m = design_;
  m.Ascent = s(design_.Ascent);
  m.Descent = s(design_.Descent);
  m.LineGap = s(design_.LineGap);
  m.CapHeight = s(design_.CapHeight);
  m.XHeight = s(design_.XHeight);
  m.BoxLeft = s(design_.BoxLeft);
  m.BoxBottom = s(design_.BoxBottom);
  m.BoxRight = s(design_.BoxRight);
  m.BoxTop = s(design_.BoxTop);
  m.UnderscorePosition = s(design_.UnderscorePosition);
  m.UnderscoreSize = at_least_one(design_.UnderscoreSize);
  m.StrikeoutPosition = s(design_.StrikeoutPosition);
  m.StrikeoutSize = at_least_one(design_.StrikeoutSize);
  return m;
}

}  // namespace vn::platform
