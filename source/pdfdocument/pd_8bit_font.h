// TvnPD8bitFont: the simple fonts of one-byte codes (Type1, MMType1,
// Type1C, Type3, TrueType and any other subtype but Type0). The constructor
// settles each code's glyph name (a base encoding with /Differences), its
// advance (/Widths, or the metrics of a standard font), the font's metrics
// and style, and the name a renderer without the embedded program looks
// for; GetNextChar turns each byte of a shown string into the code the
// output devices draw with.
//
// A font made for writing starts from a TvnFont description instead: one of
// the 14 standard fonts (Type 1, its own metrics and encoding) or a TrueType
// font with the description's program; CreateFontDict then adds its font
// descriptor, font dictionary and embedded program to the document.
#pragma once

#include <array>

#include "pdfdocument/encodings.h"
#include "pdfdocument/pd_font.h"

namespace vn::pdfdoc {

class TvnBuiltInFont;
class TvnFont;
class TvnPDFDocumentHandler;

class TvnPD8bitFont : public TvnPDFont {
 public:
  // Reads the whole font dictionary ABaseObject.
  TvnPD8bitFont(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                vn::pdf::TvnPDBaseObject* ABaseObject, const std::string& ATag, const std::string& AName,
                TvnPDFontType AFontType);

  // A font made for writing from the description AObject (which it copies
  // what it needs from); it has no dictionary until CreateFontDict. A
  // description naming a font file that cannot be opened raises the file
  // stream's EFOpenError.
  TvnPD8bitFont(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement, const TvnFont& AObject);

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
  // For a font made for writing that has no dictionary yet: adds a font
  // descriptor (with the embedded program, when the font has one) and the
  // font dictionary as new objects of the document, and the font wraps that
  // dictionary from then on. Nothing otherwise.
  void CreateFontDict();
  // Adds a stream object holding all of AStream (from its start) with
  // /Length1, refers to it as AFDDict's /FontFile2, and makes a copy of it
  // the font's embedded program. Nothing for a font not made for writing.
  void EmbedFontFile(vn::pdf::TvnPDDictionary& AFDDict, vn::TStream& AStream);

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
  // The writing side.
  TvnPDFDocumentHandler* FHandler = nullptr;
  std::array<double, 256> FCharWidths{};
  double FStemV = 0;
  std::string FFontEncoding;
  int FFirstCharCode = 0;
  int FLastCharCode = 0;
};

}  // namespace vn::pdfdoc
