#include "pdfwriter/pdf_font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/writer_routines.h"
#include "platform/fonts/font_charsets.h"
#include "platform/fonts/gdi_font.h"
#include "platform/fonts/sfnt_reader.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "pdfwriter/truetype_subset.h"
#include "runtime/codepages.h"
#include "runtime/numbers.h"

namespace vn::pdfwriter {

using vn::exporter::TFontStyle;

namespace {

// A ToUnicode CMap block holds at most this many entries.
constexpr size_t kMaxCMapBlock = 100;

std::string Hex4(uint32_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", v & 0xFFFF);
  return text;
}

std::string UnicodeHexText(const String& text) {
  std::string out;
  for (char16_t c : text) out += Hex4(c);
  return out;
}

std::string DotNumber(double v) { return vn::ToUtf8(vn::framework::FloatToDotText(v)); }

bool IsSymbolFontName(const String& name) {
  static constexpr StringView kSymbolFonts[] = {u"Symbol", u"Wingdings", u"Wingdings 2", u"Wingdings 3", u"Webdings", u"Marlett"};
  return std::find(std::begin(kSymbolFonts), std::end(kSymbolFonts), StringView(name)) != std::end(kSymbolFonts);
}

}  // namespace

TvnPDFFontInfo::TvnPDFFontInfo(int32_t obj_no, double font_size, int32_t font_height)
    : FfiFontObjRef(obj_no),
      FfiStrikeoutSize(static_cast<int32_t>(font_size) / 20),
      FfiStrikeoutPosition(std::abs(font_height) / 5),
      FfiUnderscoreSize(static_cast<int32_t>(font_size) / 10) {}

TvnPDFFont::TvnPDFFont(const TFont& font, double size, bool subset, bool cid, int32_t obj_no, bool identity_h)
    : FSubset(subset),
      FFontEncoding(cid ? TvnFontEncoding::feCID : TvnFontEncoding::feWinAnsi),
      FIsIdentityH(identity_h),
      FFont(font),
      FSize(size),
      FFontInfo(obj_no, size, font.Height) {
  MeasureMetrics();
  // Base name: the font's name without blanks, its style after a comma.
  for (char16_t c : font.Name)
    if (c != u' ') FBaseFont += vn::ToUtf8(String(1, c));
  const bool bold = font.Style.Contains(TFontStyle::fsBold), italic = font.Style.Contains(TFontStyle::fsItalic);
  if ((bold || italic) && font.Name != u"Symbol") FBaseFont += std::string(",") + (bold ? "Bold" : "") + (italic ? "Italic" : "");
  // A simple subset font records its glyphs through the font's own map.
  if (subset && !cid)
    for (const auto& [code, glyph] : ReadCmapFormat4(Program())) FCodeToGlyph.emplace(code, glyph);
}

void TvnPDFFont::MeasureMetrics() {
  TvnPDFFontInfo& fi = FFontInfo;
  const auto gdi = PlatformFont(FFont, vn::platform::FontHeightFromPoints(kMeasuringFontSize, vn::framework::ScreenPixelsPerInch));
  if (!gdi) return;
  FFace = gdi->Face();
  FHaveFace = true;
  const vn::platform::TextMetrics& tm = gdi->Metrics();
  const uint8_t pf = tm.PitchAndFamily;
  using namespace vn::platform;
  if (!(pf & kTmpfTrueType) && (pf & kTmpfFixedPitch) && (pf & kTmpfVector)) fi.FfiType = TvnFontType::ftType1;
  fi.FfiIsFixedPitch = !(pf & kTmpfFixedPitch);
  if (fi.FfiIsFixedPitch && !FSubset) fi.FfiMaxWidth = vn::RoundToInt(PixelsToPoints(gdi->CharAdvance(U' ')));
  for (uint32_t code = 32; code <= 255; ++code) fi.FfiWidths[code - 32] = PixelsToPoints(gdi->CharAdvance(code));
  const bool symbol = tm.CharSet == kSymbolCharset || IsSymbolFontName(FaceNameOf(FFont.Name));
  int32_t flags = 0;
  if (!(pf & kTmpfFixedPitch)) flags += 1;
  if (pf & 0x10) flags += 2;
  flags += symbol ? 4 : 32;
  if (pf & 0x40) flags += 8;
  if (FFont.Style.Contains(TFontStyle::fsItalic)) flags += 64;
  fi.FfiFlags = flags;
  const double ppi = vn::framework::ScreenPixelsPerInch;
  fi.FfiAscent = PixelsToPoints(tm.Ascent);
  fi.FfiDescent = -PixelsToPoints(std::abs(tm.Descent));
  fi.FfiCapHeight = fi.FfiAscent;
  fi.FfiAvgWidth = static_cast<int32_t>(tm.AveCharWidth / static_cast<int32_t>(ppi)) * 72;
  if (!fi.FfiIsFixedPitch) fi.FfiMaxWidth = static_cast<int32_t>(tm.MaxCharWidth / static_cast<int32_t>(ppi)) * 72;
  fi.FfiFontWeight = tm.Weight;
  fi.FfiFontBBox.Top = vn::RoundToInt(fi.FfiAscent);
  fi.FfiFontBBox.Right = fi.FfiMaxWidth;
  fi.FfiFontBBox.Bottom = vn::RoundToInt(fi.FfiDescent);
  if (fi.FfiType == TvnFontType::ftTrueType) {
    const OutlineMetrics om = gdi->GetOutlineMetrics();
    fi.FfiItalicAngle = om.ItalicAngle / 10;
    fi.FfiStemV = 78;
    auto at_size = [&](int value) { return FSize * PixelsToPoints(value) / 1000; };
    fi.FfiStrikeoutSize = at_size(om.StrikeoutSize);
    fi.FfiStrikeoutPosition = at_size(om.StrikeoutPosition);
    fi.FfiUnderscoreSize = at_size(om.UnderscoreSize);
    fi.FfiUnderscorePosition = at_size(om.UnderscorePosition);
  }
}

bool TvnPDFFont::IsEqual(const TFont& font) const {
  return font.Name == FFont.Name && font.Style.Contains(TFontStyle::fsBold) == FFont.Style.Contains(TFontStyle::fsBold) &&
         font.Style.Contains(TFontStyle::fsItalic) == FFont.Style.Contains(TFontStyle::fsItalic);
}

bool TvnPDFFont::IsEqual(const TFont& font, double size, bool cid, bool identity_h) const {
  return IsEqual(font) && size == FSize && cid == (FFontEncoding == TvnFontEncoding::feCID) && identity_h == FIsIdentityH;
}

void TvnPDFFont::AddUsedCharacters(const String& text) {
  if (!FSubset) return;
  for (char16_t c : text) {
    if (c == u' ' || !FIncludedCharCode.insert(c).second) continue;
    if (auto glyph = FCodeToGlyph.find(c); glyph != FCodeToGlyph.end()) FUsedGlyphs.insert(glyph->second);
  }
}

void TvnPDFFont::AddUsedGlyphs(const String& line, const TvnGlyphInfoList& glyphs, const std::vector<TvnScriptVisAttrs>& vis_attr) {
  // The glyph that carries each cluster's characters.
  std::map<int32_t, size_t> carrier;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const bool mark = i < vis_attr.size() && (vis_attr[i].Contains(TvnScriptVisAttr::svDiacritic) ||
                                              vis_attr[i].Contains(TvnScriptVisAttr::svZeroWidth));
    auto [it, added] = carrier.emplace(glyphs[i].Cluster, i);
    if (!added && !mark) {
      const size_t current = it->second;
      const bool current_mark = current < vis_attr.size() && (vis_attr[current].Contains(TvnScriptVisAttr::svDiacritic) ||
                                                              vis_attr[current].Contains(TvnScriptVisAttr::svZeroWidth));
      if (current_mark) it->second = i;
    }
  }
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const TvnGlyphInfo& g = glyphs[i];
    if (FUsedGlyphs.insert(g.ID).second) {
      FCID.push_back(g.ID);
      FWidths.push_back(vn::RoundToInt(PixelsToPoints(g.AdvWidth)));
      FFirstGlyph = std::min(FFirstGlyph, g.ID);
      FLastGlyph = std::max(FLastGlyph, g.ID);
    }
    if (carrier[g.Cluster] != i || FGlyphText.count(g.ID)) continue;
    const auto start = static_cast<size_t>(std::clamp<int32_t>(g.Cluster, 0, static_cast<int32_t>(line.size())));
    const auto end = static_cast<size_t>(std::clamp<int32_t>(g.ClusterEnd, static_cast<int32_t>(start), static_cast<int32_t>(line.size())));
    if (end > start) FGlyphText.emplace(g.ID, line.substr(start, end - start));
  }
}

const std::string& TvnPDFFont::Program() {
  if (!FProgramRead) {
    FProgramRead = true;
    if (FHaveFace && FFace.TrueTypeOutlines) {
      try {
        FProgram = vn::platform::FontFaceBytes(FFace);
      } catch (const vn::Exception&) {
        FProgram.clear();
      }
    }
  }
  return FProgram;
}

std::string TvnPDFFont::GetFontFile2() { return Program(); }

std::string TvnPDFFont::GetFontFile2Subset() {
  const std::string& whole = Program();
  if (whole.empty()) return whole;
  std::set<uint16_t> used = FUsedGlyphs;
  used.insert(0);  // the missing-glyph box
  const std::optional<std::string> subset = SubsetTrueTypeFont(whole, used);
  return subset && !subset->empty() && subset->size() < whole.size() ? *subset : whole;
}

std::string TvnPDFFont::TaggedName() const {
  return EscapeFontName(FSubset && !SubsetTag.empty() ? SubsetTag + "+" + FBaseFont : FBaseFont);
}

std::string TvnPDFFont::GetType0FontDictionary(int32_t font_number, const std::string& to_unicode_ref,
                                               const std::string& descendant_ref) const {
  return "/Type/Font/Subtype/Type0/Name/F" + std::to_string(font_number) + "/BaseFont/" + TaggedName() + "/Encoding/" +
         (FIsIdentityH ? "Identity-H" : "Identity-V") + "/ToUnicode " + to_unicode_ref + "/DescendantFonts [" +
         descendant_ref + "]" + kCRLF;
}

std::string TvnPDFFont::GetCIDFontDictionary(const std::string& descriptor_ref, const std::string& registry,
                                             const std::string& ordering) const {
  std::string text = "/Type/Font/Subtype/CIDFontType2/BaseFont/" + TaggedName() + "/FontDescriptor " + descriptor_ref +
                     "/CIDSystemInfo<</Registry" + registry + "/Ordering" + ordering + "/Supplement 0>>";
  if (!FFontInfo.FfiIsFixedPitch) {
    text += "/W [";
    for (size_t i = 0; i < FCID.size(); ++i) text += std::to_string(FCID[i]) + "[" + std::to_string(FWidths[i]) + "]";
    text += "]";
  }
  const int32_t dw = FFontInfo.FfiIsFixedPitch && !FWidths.empty() && FWidths.front() != 0 ? FWidths.front() : FFontInfo.FfiMaxWidth;
  return text + "/DW " + std::to_string(dw) + "/CIDToGIDMap/Identity";
}

std::string TvnPDFFont::GetFontDescriptor(const std::string& font_file_ref) const {
  const TvnPDFFontInfo& fi = FFontInfo;
  char box[96];
  std::snprintf(box, sizeof box, "/FontBBox [%d %d %d %d]", fi.FfiFontBBox.Left, fi.FfiFontBBox.Bottom, fi.FfiFontBBox.Right,
                fi.FfiFontBBox.Top);
  std::string text = "/Type/FontDescriptor/FontName/" + TaggedName() + "/Flags " + std::to_string(fi.FfiFlags) + box +
                     "/Ascent " + DotNumber(fi.FfiAscent) + "/Descent " + DotNumber(fi.FfiDescent) + "/CapHeight " + DotNumber(fi.FfiCapHeight) +
                     "/AvgWidth " + std::to_string(fi.FfiAvgWidth) + "/MaxWidth " + std::to_string(fi.FfiMaxWidth) +
                     "/MissingWidth " + std::to_string(fi.FfiMaxWidth) + "/StemV " + std::to_string(fi.FfiStemV) +
                     "/ItalicAngle " + std::to_string(fi.FfiItalicAngle) + "/FontWeight " + std::to_string(fi.FfiFontWeight);
  if (!font_file_ref.empty()) text += "/FontFile2 " + font_file_ref;
  return text + kCRLF;
}

std::string TvnPDFFont::GetCMap() const {
  const bool simple = FFontEncoding == TvnFontEncoding::feWinAnsi;
  // (first code, last code, characters of the first code)
  struct Entry {
    uint32_t first, last;
    String text;
  };
  std::vector<Entry> entries;
  if (simple) {
    // WinAnsi: ASCII and Latin-1 map to themselves, 0x80..0x9F as the code
    // page defines them.
    entries.push_back({0x20, 0x7E, u" "});
    for (uint32_t code = 0x80; code <= 0x9F; ++code) {
      const String c = vn::DecodeCp1252(std::string(1, static_cast<char>(code)));
      if (c.size() == 1 && (c[0] < 0x80 || c[0] > 0x9F)) entries.push_back({code, code, c});
    }
    entries.push_back({0xA0, 0xFF, u"\u00A0"});
  } else {
    for (uint16_t g : FCID)
      if (auto text = FGlyphText.find(g); text != FGlyphText.end()) entries.push_back({g, g, text->second});
  }
  auto code = [simple](uint32_t v) {
    char text[8];
    std::snprintf(text, sizeof text, simple ? "%02X" : "%04X", v);
    return std::string(text);
  };
  std::string cmap = std::string("/CIDInit /ProcSet findresource begin") + kCRLF + "12 dict begin" + kCRLF + "begincmap" +
                     kCRLF + "/CIDSystemInfo" + kCRLF + "<</Registry(Adobe)/Ordering(UCS)/Supplement 0>> def" + kCRLF +
                     "/CMapName /Adobe-Identity-UCS def" + kCRLF + "/CMapType 2 def" + kCRLF + "1 begincodespacerange" +
                     kCRLF + (simple ? "<00><FF>" : "<0000><FFFF>") + kCRLF + "endcodespacerange" + kCRLF;
  for (size_t start = 0; start < entries.size(); start += kMaxCMapBlock) {
    const size_t n = std::min(kMaxCMapBlock, entries.size() - start);
    cmap += std::to_string(n) + " beginbfrange" + kCRLF;
    for (size_t i = start; i < start + n; ++i)
      cmap += "<" + code(entries[i].first) + "><" + code(entries[i].last) + "><" + UnicodeHexText(entries[i].text) + ">" + kCRLF;
    cmap += std::string("endbfrange") + kCRLF;
  }
  return cmap + "endcmap" + kCRLF + "CMapName currentdict /CMap defineresource pop" + kCRLF + "end end";
}

std::string TvnPDFFont::EscapeFontName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x21 || c > 0x7E || std::string_view("()<>[]{}/%#").find(static_cast<char>(c)) != std::string_view::npos) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "#%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace vn::pdfwriter
