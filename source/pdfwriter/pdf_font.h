// TvnPDFFont: one installed TrueType font as a PDF file carries it. A font
// of shaped runs becomes a composite font (Type0 over a CIDFontType2,
// Identity-H or Identity-V, glyph identifiers as codes, a width array and a
// ToUnicode map from each glyph to the characters it stands for); a font of
// plain Latin-1 runs becomes a simple TrueType font with WinAnsi codes (and
// a ToUnicode map too, so every font's text can be extracted). The font
// program is embedded whole or as a subset in which every glyph keeps its
// identifier (truetype_subset.h). Metrics are measured on the platform font
// at 1000 points, so widths are in thousandths of the text size.
//
// Ownership: the engine owns its fonts from their first use to the end of
// the document; a font owns its font information and a copy of its font
// program (read once).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pdfwriter/font_mapper.h"
#include "platform/fonts/font_catalog.h"

namespace vn::pdfwriter {

enum class TvnFontType { ftTrueType, ftType1, ftStdType1 };
enum class TvnFontEncoding { feWinAnsi, feCID };

struct TvnPDFFontBox {
  int32_t Left = -250, Top = -200, Right = 1000, Bottom = 900;
};

class TvnPDFFontInfo {
 public:
  TvnPDFFontInfo(int32_t ObjNo, double FontSize, int32_t FontHeight);

  int32_t FfiFontObjRef = 0;
  std::array<double, 224> FfiWidths{};  // character codes 32..255, thousandths of the size
  int32_t FfiFlags = 0;
  TvnPDFFontBox FfiFontBBox;
  double FfiAscent = 800, FfiDescent = -200, FfiCapHeight = 700;
  int32_t FfiAvgWidth = 576, FfiMaxWidth = 576, FfiStemH = 0, FfiStemV = 0, FfiItalicAngle = 0, FfiFontWeight = 400;
  // Points at the font's size.
  double FfiStrikeoutSize = 0, FfiStrikeoutPosition = 0, FfiUnderscoreSize = 0, FfiUnderscorePosition = -1;
  TvnFontType FfiType = TvnFontType::ftTrueType;
  bool FfiIsFixedPitch = false;

  // The width of a character code (32..255), 0 outside.
  double Width(uint32_t Code) const { return Code >= 32 && Code <= 255 ? FfiWidths[Code - 32] : 0; }
};

class TvnPDFFont {
 public:
  // `Size` is the font's size in points (the font's own Size may be whole
  // points only).
  TvnPDFFont(const TFont& Font, double Size, bool Subset, bool CID, int32_t ObjNo, bool IdentityH);

  const std::string& BaseFont() const { return FBaseFont; }
  const TFont& Font() const { return FFont; }
  double Size() const { return FSize; }
  TvnPDFFontInfo& FontInfo() { return FFontInfo; }
  const TvnPDFFontInfo& FontInfo() const { return FFontInfo; }
  bool Subset() const { return FSubset; }
  bool IsIdentityH() const { return FIsIdentityH; }
  TvnFontEncoding FontEncoding() const { return FFontEncoding; }
  // Six upper-case letters, set by the engine (different for every font of
  // a file).
  std::string SubsetTag;

  // Same name, boldness and italic state; the second also the same size,
  // kind and writing direction.
  bool IsEqual(const TFont& Font) const;
  bool IsEqual(const TFont& Font, double Size, bool CID, bool IdentityH) const;

  // Records the characters of a plain run (simple fonts).
  void AddUsedCharacters(const String& Text);
  // Records the glyphs of a shaped run of `Line` (composite fonts), with the
  // characters each glyph stands for: a cluster's characters go to its
  // first glyph that is not a mark.
  void AddUsedGlyphs(const String& Line, const TvnGlyphInfoList& Glyphs, const std::vector<TvnScriptVisAttrs>& VisAttr);

  // The whole font program (a collection's face as a font of its own);
  // empty when the face has no TrueType outlines or cannot be read.
  std::string GetFontFile2();
  // The subset, or the whole program when the subset is not smaller.
  std::string GetFontFile2Subset();

  std::string GetType0FontDictionary(int32_t FontNumber, const std::string& ToUnicodeRef, const std::string& DescendantRef) const;
  std::string GetCIDFontDictionary(const std::string& DescriptorRef, const std::string& Registry, const std::string& Ordering) const;
  std::string GetCIDFontRegistryEntry() const { return "Adobe"; }
  std::string GetCIDFontOrderingEntry() const { return "Identity"; }
  // The composite font's descriptor; FontFileRef empty: no font program.
  std::string GetFontDescriptor(const std::string& FontFileRef) const;
  // The ToUnicode CMap of the used glyphs (composite fonts) or of the
  // WinAnsi codes (simple fonts).
  std::string GetCMap() const;
  // The name as written after "/BaseFont/": with the subset tag when subset.
  std::string TaggedName() const;

  // Each of ( ) < > [ ] { } / % # and every byte outside the printable
  // ASCII range written as "#" and two hex digits.
  static std::string EscapeFontName(const std::string& Name);

  // The characters the ToUnicode map gives a glyph (empty: none).
  String GlyphText(uint16_t Glyph) const {
    auto found = FGlyphText.find(Glyph);
    return found == FGlyphText.end() ? String() : found->second;
  }
  const std::vector<uint16_t>& CIDs() const { return FCID; }
  const std::vector<int32_t>& Widths() const { return FWidths; }
  const std::set<uint16_t>& UsedGlyphs() const { return FUsedGlyphs; }

 private:
  void MeasureMetrics();
  const std::string& Program();

  std::string FBaseFont;
  bool FSubset;
  TvnFontEncoding FFontEncoding;
  bool FIsIdentityH;
  TFont FFont;
  double FSize;
  TvnPDFFontInfo FFontInfo;
  vn::platform::FontFaceRef FFace;
  bool FHaveFace = false;
  bool FProgramRead = false;
  std::string FProgram;
  std::set<uint16_t> FUsedGlyphs;
  std::set<char16_t> FIncludedCharCode;
  std::vector<uint16_t> FCID;  // composite: glyphs in order of first use
  std::vector<int32_t> FWidths;  // parallel to FCID
  std::map<uint16_t, String> FGlyphText;  // glyph -> characters (ToUnicode)
  std::map<uint16_t, uint16_t> FCodeToGlyph;  // simple subset fonts: the font's character map
  uint16_t FFirstGlyph = 0xFFFF, FLastGlyph = 0;
};

}  // namespace vn::pdfwriter
