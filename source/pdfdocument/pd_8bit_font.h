// TvnPD8bitFont: the simple fonts of one-byte codes (Type1, MMType1,
// Type1C, Type3, TrueType and any other subtype but Type0). The constructor
// settles each code's glyph name (a base encoding with /Differences), its
// advance (/Widths, or the metrics of a standard font), the font's metrics
// and style, and the name a renderer without the embedded program looks
// for; GetNextChar turns each byte of a shown string into the code the
// output devices draw with.
#pragma once

#include <array>

#include "pdfdocument/encodings.h"
#include "pdfdocument/pd_font.h"

namespace vn::pdfdoc {

class TvnBuiltInFont;

class TvnPD8bitFont : public TvnPDFont {
 public:
  // Reads the whole font dictionary ABaseObject.
  TvnPD8bitFont(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                vn::pdf::TvnPDBaseObject* ABaseObject, const std::string& ATag, const std::string& AName,
                TvnPDFontType AFontType);

  // A new font read from the same dictionary, tag, name and type.
  std::unique_ptr<TvnPD8bitFont> Clone() const;

  // Always answers 1 with AProcessed 1.
  int GetNextChar(std::u16string_view AStr, size_t AIndex, int& AProcessed, uint32_t& ACode, std::string& ACharName,
                  double& ADx, double& ADy, double& AOx, double& AOy) override;
  double GetCharWidth(uint32_t ACharCode) const override { return GetWidth(ACharCode); }
  // The advance of a code 0 to 255; 0 for any other.
  double GetWidth(uint32_t ACode) const { return ACode < 256 ? FWidths[ACode] : 0; }

  // The glyph name of each code (empty where none).
  const TvnEncodingArray& Encoding() const { return FEncoding; }
  bool HasEncoding() const { return FHasEncoding; }
  bool HasDifferences() const { return FHasDifferences; }
  bool IsMacRomanEnc() const { return FUsesMacRomanEnc; }
  // The glyph procedure of a Type 3 font for a code: the stream its /CharProcs
  // holds under the code's glyph name; null when there is none.
  vn::pdf::TvnPDStream* GetCharProc(uint32_t ACode) const;

 private:
  void ChooseEncoding(TvnBuiltInFont* ABuiltIn);
  void ApplyDifferences();
  void ReadWidths(TvnBuiltInFont* ABuiltIn);

  TvnPDFontType FInitialType;
  std::string FInitialName;
  TvnEncodingArray FEncoding{};
  // The names /Differences put into FEncoding, owned by the font.
  std::array<std::string, 256> FDifferenceNames;
  bool FHasEncoding = false;
  bool FHasDifferences = false;
  bool FUsesMacRomanEnc = false;
  std::array<double, 256> FWidths{};
};

}  // namespace vn::pdfdoc
