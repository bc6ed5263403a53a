// Fonts and script runs for the PDF writer's text. Before a text item is
// written two questions are settled: which installed TrueType font shows its
// characters (TvnMapFont), and how the characters become runs of one script
// and one font, shaped into glyphs where the script needs it
// (TvnStringAnalyzer).
//
// The mapper answers the first with a chain of fallbacks: a fixed table of
// substitutes, the platform's font linking for the text (the installed face
// that covers its characters), the fonts already used in the document and
// finally every installed font, "Arial Unicode MS" last. Only fonts with
// TrueType outlines are ever chosen: they are the ones the writer can embed
// and subset. Every answer is cached for the life of the mapper (one per
// engine).
//
// The analyzer itemizes a line (script and bidirectional level of each
// item), takes the items in visual order, writes plain Latin-1 items of a
// Latin font as plain runs and shapes every other item with the first font
// that has all its glyphs; each item reaches the callback as one run, with
// its glyphs (none for a plain run) and their clusters.
//
// Ownership: the mapper owns its caches; glyph lists handed to the callback
// are the callback's to keep (moved).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/engine_types.h"
#include "runtime/containers.h"

namespace vn::platform {
class GdiFont;
}

namespace vn::pdfwriter {

using vn::String;
using vn::exporter::TFont;

// The size of the font that runs are measured with (points); glyph advances
// of the analysis are pixels at this size.
constexpr int32_t kMeasuringFontSize = 1000;

struct TvnGlyphInfo {
  uint16_t ID = 0;
  int32_t AdvWidth = 0;  // the glyph's own advance, pixels at the measuring size
  // The advance shaping gave it in its place (kerning and other
  // positioning), pixels at the measuring size.
  int32_t PlacedAdvance = 0;
  int32_t Position = 0;  // running glyph number within the analyzed text
  String FontName;
  // The code units [Cluster, ClusterEnd) of the line that the glyph's
  // cluster stands for.
  int32_t Cluster = 0;
  int32_t ClusterEnd = 0;
};
using TvnGlyphInfoList = std::vector<TvnGlyphInfo>;

enum class TvnGlyphDetail { gdComplex, gdLigature, gdRTL };
using TvnGlyphDetails = vn::EnumSet<TvnGlyphDetail>;
enum class TvnScriptVisAttr { svClusterStart, svDiacritic, svZeroWidth };
using TvnScriptVisAttrs = vn::EnumSet<TvnScriptVisAttr>;

struct TvnRunInfo {
  TvnGlyphDetails GlyphType;
  int32_t StartPos = 0;  // code units of the line: [StartPos, EndPos)
  int32_t EndPos = 0;
  bool IsFontMapped = false;
  std::vector<TvnScriptVisAttrs> VisAttr;  // per glyph
  bool ScriptProcessingRequired = false;   // shaped: written as glyph identifiers
  String MappedFontName;
};

// One run: its text, its index in visual order and the number of runs,
// its glyphs (empty for a plain run), its description and, for each code
// unit of the run, the index of the first glyph of its cluster.
using TvnScriptRunCallback = std::function<void(const String& AText, int32_t ARunIndex, int32_t ARunCount,
                                                TvnGlyphInfoList&& AGlyphInfoList, const TvnRunInfo& AGlyphDetail,
                                                const std::vector<uint16_t>& ALogClust)>;

// The face name a font name stands for: without the leading "@" of a
// vertical font.
String FaceNameOf(const String& name);
// The platform font of an engine font at its size (or at `height` pixels
// when given); nullptr when no face at all can be opened.
std::shared_ptr<const vn::platform::GdiFont> PlatformFont(const TFont& font, std::optional<int32_t> height = std::nullopt);

class TvnMapFont {
 public:
  TvnMapFont();

  // Gives the font an installed TrueType face that suits the text (its name
  // changes); the same font object.
  TFont& GetTrueTypeFont(const String& Text, TFont& Font);
  // A font (size, style, character set of `Font`) linked to the text: the
  // installed TrueType face that covers its characters; named "Arial" when
  // no face covers them.
  TFont GetMappedFont(const String& Text, const TFont& Font);
  // The point size of a font whose size reads negative (its height is a
  // positive cell height in pixels): the em height, rounded half to even.
  int32_t GetFontSize(const TFont& Font);
  // Fallback candidates: the fonts shaped runs used, most recent first
  // (skipping the font's own name); then the installed fonts that are not
  // among them. nullopt when there is none left.
  std::optional<TFont> GetNextFontFromUsedList(const TFont& Font, int32_t& Index) const;
  std::optional<TFont> GetNextInstalledFont(const TFont& Font, int32_t& Index) const;
  // Whether the font covers Basic Latin.
  bool IsLatinUnicodeRangePresent(const TFont& Font);
  // Whether the installed family of that name has TrueType outlines.
  bool IsTrueTypeFamily(const TFont& Font);

  const std::vector<String>& SysFontList() const { return FSysFontList; }
  std::vector<String>& AllUsedFonts() { return FAllUsedFonts; }
  // The font a Latin-only text in a font without Basic Latin was shaped with.
  std::map<String, String>& UnicodeRangeMappedFonts() { return FUnicodeRangeMappedFonts; }

 private:
  // Case-insensitive keys.
  static String Key(const String& name);

  std::map<std::string, String> FHashCodePages;  // face + characters it lacks -> linked family
  std::map<String, std::map<int32_t, int32_t>> FMappedFontSizeList;  // name -> cell height -> size
  std::vector<String> FSysFontList;
  std::vector<String> FAllUsedFonts;
  std::map<String, String> FMappedFonts;
  std::map<String, String> FUnicodeRangeMappedFonts;
  std::map<String, bool> FUnicodeSubRangeInfo;
  std::map<String, bool> FTrueTypeFamilies;
};

class TvnStringAnalyzer {
 public:
  // Analyzes one line in `Font` (at the measuring size) and calls back once
  // per run, in visual order. An item no font has every glyph of is shaped
  // with the candidate that lacks the fewest, so no text is left out.
  void StringAnalyze(const String& Text, vn::exporter::TBiDiMode BiDiMode, TvnMapFont& MapFont,
                     const TvnScriptRunCallback& Callback, const TFont& Font);
};

}  // namespace vn::pdfwriter
