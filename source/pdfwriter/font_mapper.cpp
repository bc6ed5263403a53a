#include "pdfwriter/font_mapper.h"

#include <algorithm>

#include "platform/fonts/gdi_font.h"
#include "platform/fonts/sfnt_reader.h"
#include "platform/shaping/text_shaping.h"
#include "runtime/numbers.h"

namespace vn::pdfwriter {

using vn::exporter::TFontStyle;

namespace {

constexpr StringView kLastResortFont = u"Arial Unicode MS";
// Shaping attempts per item: the candidates after the linked font are only
// fonts that cover the whole item, so this is never reached by real text.
constexpr int kMaxShapingAttempts = 48;

vn::platform::FontMatch MatchOf(const TFont& font) {
  return vn::platform::MatchFont(FaceNameOf(font.Name), font.Style.Contains(TFontStyle::fsBold),
                                 font.Style.Contains(TFontStyle::fsItalic));
}

bool IsLatin1Text(StringView text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x20 && c <= 0xFF; });
}

// Characters a font must have for a text (blanks and controls need none).
std::u32string NeededChars(StringView text) {
  std::u32string needed;
  for (char32_t ch : vn::platform::CodePointsOf(text))
    if (ch > 0x20 && !(ch >= 0x7F && ch <= 0xA0)) needed.push_back(ch);
  return needed;
}

}  // namespace

String FaceNameOf(const String& name) { return !name.empty() && name.front() == u'@' ? name.substr(1) : name; }

std::shared_ptr<const vn::platform::GdiFont> PlatformFont(const TFont& font, std::optional<int32_t> height) {
  vn::platform::FontRequest request;
  request.FaceName = FaceNameOf(font.Name);
  request.Height = height ? *height
                          : font.Height != 0 ? font.Height
                                             : vn::platform::FontHeightFromPoints(font.Size, vn::framework::ScreenPixelsPerInch);
  request.Bold = font.Style.Contains(TFontStyle::fsBold);
  request.Italic = font.Style.Contains(TFontStyle::fsItalic);
  try {
    return vn::platform::GdiFont::Create(request);
  } catch (const vn::Exception&) {
    return nullptr;
  }
}

// ---- TvnMapFont

TvnMapFont::TvnMapFont() {
  // The installed families and the names the window system shows for the
  // fixed aliases; "Arial Unicode MS" last.
  FSysFontList = vn::platform::InstalledFontFamilies();
  for (const String& alias : vn::platform::AliasedFontNames()) {
    if (std::none_of(FSysFontList.begin(), FSysFontList.end(), [&](const String& f) { return SameText(f, alias); }))
      FSysFontList.push_back(alias);
  }
  auto last = std::find_if(FSysFontList.begin(), FSysFontList.end(), [](const String& f) { return SameText(f, kLastResortFont); });
  if (last != FSysFontList.end()) std::rotate(last, last + 1, FSysFontList.end());
  auto installed = [this](StringView name) {
    return std::any_of(FSysFontList.begin(), FSysFontList.end(), [&](const String& f) { return SameText(f, name); });
  };
  if (installed(u"Courier New")) FMappedFonts[Key(u"Courier")] = u"Courier New";
  if (installed(u"Arial")) FMappedFonts[Key(u"MS Sans Serif")] = u"Arial";
}

String TvnMapFont::Key(const String& name) { return vn::LowerCase(name); }

TFont& TvnMapFont::GetTrueTypeFont(const String& text, TFont& font) {
  if (auto mapped = FMappedFonts.find(Key(font.Name)); mapped != FMappedFonts.end()) {
    font.Name = mapped->second;
    return font;
  }
  const bool installed = std::any_of(FSysFontList.begin(), FSysFontList.end(),
                                     [&](const String& f) { return SameText(f, font.Name); });
  if (!installed || !IsTrueTypeFamily(font)) {
    const TFont linked = GetMappedFont(text, font);
    FMappedFonts[Key(font.Name)] = linked.Name;
    font.Name = linked.Name;
  } else {
    FMappedFonts[Key(font.Name)] = font.Name;
  }
  return font;
}

TFont TvnMapFont::GetMappedFont(const String& text, const TFont& font) {
  TFont result = font;
  result.Name = u"Arial";
  vn::platform::FontMatch match;
  try {
    match = MatchOf(font);
  } catch (const vn::Exception&) {
    return result;
  }
  // The answer depends on the face and on the characters it lacks.
  const std::u32string needed = NeededChars(text);
  std::u32string missing;
  for (char32_t ch : needed)
    if (!match.Face.TrueTypeOutlines || !vn::platform::FaceCoversChar(match.Face, ch)) missing.push_back(ch);
  std::sort(missing.begin(), missing.end());
  missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
  std::string key = match.Face.File.string() + "#" + std::to_string(match.Face.Index) + "|";
  for (char32_t ch : missing) key += std::to_string(static_cast<uint32_t>(ch)) + ",";
  if (auto cached = FHashCodePages.find(key); cached != FHashCodePages.end()) {
    result.Name = cached->second;
    return result;
  }
  if (auto face = vn::platform::FindFaceForText(match.Face, needed, true)) result.Name = face->Family;
  FHashCodePages.emplace(key, result.Name);
  return result;
}

int32_t TvnMapFont::GetFontSize(const TFont& font) {
  auto& sizes = FMappedFontSizeList[Key(font.Name)];
  if (auto found = sizes.find(font.Height); found != sizes.end()) return found->second;
  int32_t size = font.Size;
  if (auto gdi = PlatformFont(font, std::abs(font.Height))) {
    const auto& m = gdi->Metrics();
    size = vn::RoundToInt((std::abs(font.Height) - m.InternalLeading) * 72.0 / vn::framework::ScreenPixelsPerInch);
  }
  sizes.emplace(font.Height, size);
  return size;
}

std::optional<TFont> TvnMapFont::GetNextFontFromUsedList(const TFont& font, int32_t& index) const {
  const auto count = static_cast<int32_t>(FAllUsedFonts.size());
  while (index >= 0 && index < count) {
    const String& name = FAllUsedFonts[static_cast<size_t>(count - index - 1)];
    ++index;
    if (name == font.Name) continue;
    TFont candidate = font;
    candidate.Name = name;
    return candidate;
  }
  return std::nullopt;
}

std::optional<TFont> TvnMapFont::GetNextInstalledFont(const TFont& font, int32_t& index) const {
  if (index < 0) index = 0;
  while (static_cast<size_t>(index) < FSysFontList.size()) {
    const String& name = FSysFontList[static_cast<size_t>(index++)];
    if (std::any_of(FAllUsedFonts.begin(), FAllUsedFonts.end(), [&](const String& u) { return SameText(u, name); })) continue;
    TFont candidate = font;
    candidate.Name = name;
    return candidate;
  }
  return std::nullopt;
}

bool TvnMapFont::IsLatinUnicodeRangePresent(const TFont& font) {
  const String key = Key(FaceNameOf(font.Name));
  if (auto found = FUnicodeSubRangeInfo.find(key); found != FUnicodeSubRangeInfo.end()) return found->second;
  bool latin = false;
  try {
    const vn::platform::FontFaceRef face = MatchOf(font).Face;
    const vn::platform::FaceCodePages pages = vn::platform::ReadFaceCodePages(face);
    latin = pages.HasUnicodeRanges ? (pages.UnicodeRanges[0] & 1) != 0 : vn::platform::FaceCoversChar(face, U'a');
  } catch (const vn::Exception&) {
  }
  FUnicodeSubRangeInfo.emplace(key, latin);
  return latin;
}

bool TvnMapFont::IsTrueTypeFamily(const TFont& font) {
  const String key = Key(FaceNameOf(font.Name)) + (font.Style.Contains(TFontStyle::fsBold) ? u"|b" : u"|") +
                     (font.Style.Contains(TFontStyle::fsItalic) ? u"i" : u"");
  if (auto found = FTrueTypeFamilies.find(key); found != FTrueTypeFamilies.end()) return found->second;
  bool truetype = false;
  try {
    truetype = MatchOf(font).Face.TrueTypeOutlines;
  } catch (const vn::Exception&) {
  }
  FTrueTypeFamilies.emplace(key, truetype);
  return truetype;
}

// ---- TvnStringAnalyzer

namespace {

// The next font to shape an item with after `tried` failed: the fonts used
// so far, the font linked to the item's text, then the installed fonts that
// cover the whole item.
class FallbackFonts {
 public:
  FallbackFonts(TvnMapFont& map, const TFont& font, StringView text) : FMap(map), FFont(font), FText(text) {}

  std::optional<TFont> Next() {
    while (true) {
      std::optional<TFont> candidate = Raw();
      if (!candidate) return std::nullopt;
      // A vertical font's fallbacks stay vertical, a horizontal one's not.
      const bool vertical = !FFont.Name.empty() && FFont.Name.front() == u'@';
      if (!vertical) candidate->Name = FaceNameOf(candidate->Name);
      if (std::any_of(FTried.begin(), FTried.end(), [&](const String& t) { return SameText(t, candidate->Name); })) continue;
      if (!FMap.IsTrueTypeFamily(*candidate)) continue;
      FTried.push_back(candidate->Name);
      return candidate;
    }
  }
  void Tried(const String& name) { FTried.push_back(name); }

 private:
  std::optional<TFont> Raw() {
    if (FStage == 0) {
      if (auto used = FMap.GetNextFontFromUsedList(FFont, FUsedIndex)) return used;
      FStage = 1;
    }
    if (FStage == 1) {
      FStage = 2;
      const TFont linked = FMap.GetMappedFont(String(FText), FFont);
      // The linked font is the installed one that lacks the fewest of the
      // item's characters: when it lacks some, every installed font does.
      if (!Covers(linked)) {
        FStage = 3;
        return std::nullopt;
      }
      if (!SameText(linked.Name, FaceNameOf(String(FFont.Name)))) return linked;
    }
    while (FStage == 2) {
      auto installed = FMap.GetNextInstalledFont(FFont, FInstalledIndex);
      if (!installed) break;
      if (Covers(*installed)) return installed;
    }
    return std::nullopt;
  }

  bool Covers(const TFont& font) const {
    try {
      const vn::platform::FontFaceRef face = MatchOf(font).Face;
      const std::u32string needed = NeededChars(FText);
      return std::all_of(needed.begin(), needed.end(), [&](char32_t ch) { return vn::platform::FaceCoversChar(face, ch); });
    } catch (const vn::Exception&) {
      return false;
    }
  }

  TvnMapFont& FMap;
  const TFont& FFont;
  StringView FText;
  int FStage = 0;
  int32_t FUsedIndex = 0;
  int32_t FInstalledIndex = 0;
  std::vector<String> FTried;
};

struct Shaped {
  TFont Font;
  std::shared_ptr<const vn::platform::GdiFont> Gdi;
  vn::platform::ShapedRun Run;
  int Missing = 0;
};

std::optional<Shaped> ShapeWith(const TFont& font, StringView text, const vn::platform::ScriptRun& run) {
  auto gdi = PlatformFont(font, vn::platform::FontHeightFromPoints(kMeasuringFontSize, vn::framework::ScreenPixelsPerInch));
  if (!gdi) return std::nullopt;
  Shaped s{font, gdi, {}, 0};
  try {
    s.Run = vn::platform::ShapeRun(*gdi, text, run);
  } catch (const vn::Exception&) {
    return std::nullopt;
  }
  // Control characters (tabs, line ends) have no glyph in any font: they
  // are not what a fallback font could add.
  s.Missing = static_cast<int>(std::count_if(s.Run.Glyphs.begin(), s.Run.Glyphs.end(), [&](const vn::platform::ShapedGlyph& g) {
    const char16_t c = g.Cluster >= 0 && static_cast<size_t>(g.Cluster) < text.size() ? text[static_cast<size_t>(g.Cluster)] : 0;
    return g.GlyphId == 0 && c >= 0x20 && !(c >= 0x7F && c <= 0x9F);
  }));
  return s;
}

}  // namespace

void TvnStringAnalyzer::StringAnalyze(const String& text, vn::exporter::TBiDiMode bidi_mode, TvnMapFont& map,
                                      const TvnScriptRunCallback& callback, const TFont& font) {
  using vn::exporter::TBiDiMode;
  if (text.empty() || !callback) return;
  const bool rtl = bidi_mode == TBiDiMode::bdRightToLeft || bidi_mode == TBiDiMode::bdRightToLeftNoAlign ||
                   bidi_mode == TBiDiMode::bdRightToLeftReadingOnly;
  const std::vector<vn::platform::ScriptRun> items = vn::platform::ItemizeText(text, rtl);
  std::vector<int> levels;
  for (const auto& item : items) levels.push_back(item.BidiLevel);
  const std::vector<int> order = vn::platform::VisualOrder(levels);
  const auto count = static_cast<int32_t>(items.size());
  const bool latin_font = map.IsLatinUnicodeRangePresent(font);
  bool marked = false;  // an earlier item was shaped for its script
  int32_t glyph_number = 0;

  for (int32_t visual = 0; visual < count; ++visual) {
    const vn::platform::ScriptRun& item = items[static_cast<size_t>(order[static_cast<size_t>(visual)])];
    const String item_text = text.substr(static_cast<size_t>(item.Start), static_cast<size_t>(item.Length));
    const bool latin1 = IsLatin1Text(item_text);
    TvnRunInfo info;
    info.StartPos = item.Start;
    info.EndPos = item.Start + item.Length;
    if (latin_font && !rtl && !item.Complex && latin1 && !marked) {
      info.MappedFontName = font.Name;
      callback(item_text, visual, count, {}, info, {});
      continue;
    }

    // Shaped with the first font that has every glyph, else with the one
    // that lacks the fewest.
    std::optional<Shaped> best = ShapeWith(font, text, item);
    FallbackFonts fallbacks(map, font, item_text);
    fallbacks.Tried(font.Name);
    for (int attempt = 0; attempt < kMaxShapingAttempts && (!best || best->Missing > 0); ++attempt) {
      const std::optional<TFont> candidate = fallbacks.Next();
      if (!candidate) break;
      std::optional<Shaped> shaped = ShapeWith(*candidate, text, item);
      if (shaped && (!best || shaped->Missing < best->Missing)) best = std::move(shaped);
    }
    if (!best || best->Run.Glyphs.empty()) continue;
    info.IsFontMapped = !SameText(best->Font.Name, font.Name);
    if (!latin_font && latin1 && !item.Complex) map.UnicodeRangeMappedFonts()[vn::LowerCase(font.Name)] = best->Font.Name;

    const auto& glyphs = best->Run.Glyphs;
    info.MappedFontName = best->Font.Name;
    info.ScriptProcessingRequired = true;
    if (item.Complex) info.GlyphType.Include(TvnGlyphDetail::gdComplex);
    if (!item.Complex && static_cast<int32_t>(glyphs.size()) < item.Length) info.GlyphType.Include(TvnGlyphDetail::gdLigature);
    if (item.RightToLeft()) info.GlyphType.Include(TvnGlyphDetail::gdRTL);
    marked = marked || !info.GlyphType.Empty();
    auto& used = map.AllUsedFonts();
    if (std::none_of(used.begin(), used.end(), [&](const String& u) { return u == best->Font.Name; }))
      used.push_back(best->Font.Name);

    // Each cluster covers the code units up to the next cluster's start.
    std::vector<int32_t> starts;
    for (const auto& g : glyphs) starts.push_back(g.Cluster);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    TvnGlyphInfoList list;
    list.reserve(glyphs.size());
    for (const auto& g : glyphs) {
      TvnGlyphInfo gi;
      gi.ID = static_cast<uint16_t>(g.GlyphId);
      gi.AdvWidth = best->Gdi->GlyphAdvance(g.GlyphId);
      gi.PlacedAdvance = g.XAdvance;
      gi.Position = glyph_number++;
      gi.FontName = best->Font.Name;
      gi.Cluster = g.Cluster;
      auto next = std::upper_bound(starts.begin(), starts.end(), g.Cluster);
      gi.ClusterEnd = next == starts.end() ? info.EndPos : *next;
      list.push_back(std::move(gi));
      TvnScriptVisAttrs attrs;
      if (g.ClusterStart) attrs.Include(TvnScriptVisAttr::svClusterStart);
      if (g.Diacritic) attrs.Include(TvnScriptVisAttr::svDiacritic);
      if (g.ZeroWidth) attrs.Include(TvnScriptVisAttr::svZeroWidth);
      info.VisAttr.push_back(attrs);
    }
    std::vector<uint16_t> clusters(best->Run.LogicalClusters.begin(), best->Run.LogicalClusters.end());
    callback(item_text, visual, count, std::move(list), info, clusters);
  }
}

}  // namespace vn::pdfwriter
