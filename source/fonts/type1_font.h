// TvnType1pfbHandler: the font reader for Type 1 programs, as embedded in
// PDF files or stored as PFB (segmented) and PFA files (clear text followed
// by an eexec section, binary or hexadecimal). Check recognises the program
// by its PFB header or its "%!PS-AdobeFont" / "%!FontType" first line and
// reads it into dictionaries: FontInfo, FontMatrix and FontBBox, the
// encoding, the Private dictionary, the Subrs and the CharStrings (both
// decrypted, lenIV bytes still in front). Outlines run a glyph's
// charstring through the charstring interpreter and scale it through the
// font matrix.
//
// Damaged programs give what can be read: a Subrs or CharStrings entry cut
// off ends the parse with the entries before it; a program without any
// CharStrings is refused. Lookups never throw: a code the encoding does not
// name is no glyph (null), a name without a charstring an empty outline.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fonts/base_font.h"
#include "fonts/charstring_interpreter.h"
#include "runtime/strings.h"

namespace vn::fonts {

namespace type1 {
class Scanner;
}

class TvnType1pfbHandler : public TvnBaseFont {
 public:
  // Font programs larger than this are refused.
  static constexpr int64_t kMaxProgramBytes = int64_t{64} << 20;
  // Subroutine numbers at or past this are dropped.
  static constexpr int64_t kMaxSubrs = 65536;

  std::unique_ptr<TvnRecList> GetOutlineForGlyphName(std::string_view AGlyphName, float AFontsize, int Adpi,
                                                     EncodingType AEncoding) override;
  std::unique_ptr<TvnRecList> GetOutlineForCharCode(int32_t ACharCode, float AFontsize, int Adpi,
                                                    EncodingType AEncoding) override;
  std::unique_ptr<TvnRecList> GetOutlineForGlyphID(int32_t AGlyphId, float AFontsize, int Adpi,
                                                   EncodingType AEncoding) override;
  bool Check(TStream& AStream) override;
  // True when the code names a glyph that has a charstring.
  bool IsCharCodeAvailable(int32_t ACharCode, EncodingType AEncoding) override;
  FontType GetFontType() override { return FontType::Type1; }
  // Drops the subroutines; outlines that call them lose those parts.
  void Close() override;

  // The glyph name of a code: through the font's encoding array, or the
  // standard encoding when the font names a predefined encoding; "" when
  // the code has no name.
  std::string GetGlyphName(int32_t GlyphId) const;

  // FontInfo and font-dictionary values as text; each gives its fallback
  // text when the font lacks the key.
  String FontFullNameVa() const;
  String FontTypeVa() const;
  String FontVersionVa() const;
  String FontWeightVa() const;
  String FontisFixedVa() const;
  String FontItalicAngleVa() const;
  String FontUnderlinePositionVa() const;
  String GetUnderLineThickness() const;
  String FontPaintTypeVa() const;
  String FontEncodingTypeVa() const;
  String FontUniqueIDVa() const;
  String FontBBoxVa() const;
  String FontnameVa() const;
  String Fontascender() const;
  String Fontdescender() const;
  int GetNumGlyph() const { return static_cast<int>(FCharStringsDict.size()); }

  const TvnCharStringsDict& CharStrings() const { return FCharStringsDict; }
  const TvnSubrList& Subrs() const { return Fsubr; }
  const TvnPrivateDict& PrivateDict() const { return FPrivatedict; }
  const TvnFontMatrix& FontMatrix() const { return FFontMatrix; }
  const std::map<int32_t, std::string>& Encodings() const { return FEncodings; }

 private:
  void Clear();
  void ReadClearText(std::span<const uint8_t> text, size_t& eexec_end);
  void ReadEncodingArray(type1::Scanner& s);
  void ReadPrivatePart(std::span<const uint8_t> plain);
  String Info(const char* key, const char* fallback) const;

  std::map<std::string, std::string> FFontinfo;
  std::map<std::string, std::vector<std::string>> FFontdictt;  // FontMatrix, FontBBox as number texts
  std::map<std::string, std::string> FFontdict;                // Encoding, when predefined
  std::map<int32_t, std::string> FEncodings;                   // the font's own encoding array
  bool FHasEncodingArray = false;
  TvnPrivateDict FPrivatedict;
  TvnSubrList Fsubr;
  TvnCharStringsDict FCharStringsDict;
  TvnFontMatrix FFontMatrix = kDefaultFontMatrix;
};

}  // namespace vn::fonts
