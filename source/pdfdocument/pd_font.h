// The font of a PDF page: TvnPDFont wraps a font dictionary and tells the
// font's kind, its metrics from the font descriptor, its flags and its
// embedded font program; its subclasses decode the character codes of a
// shown string (TvnPD8bitFont for the one-byte simple fonts, TvnPDCIDFont
// for composite fonts). MakeFont picks the subclass by the /Subtype.
//
// Ownership: the font never frees its dictionary (the document owns it);
// it owns its font box, its font matrix, the copy of its embedded program,
// the program's reader, the external font file it opened and the parse of
// its ToUnicode map. Fonts are read whole by their constructors; missing or
// mistyped entries keep their defaults and nothing here raises.
//
// Metrics are per unit of font size: descriptor values and widths times
// 0.001; Type 3 widths stay in glyph units.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fonts/font_engine.h"
#include "pdf/objects.h"
#include "pdfdocument/cmap.h"
#include "pdfdocument/cmap_parser.h"
#include "pdfdocument/pd_rect.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

enum class TvnPDFontType {
  UnknowType,
  Type1,
  Type1C,
  Type1COT,
  Type3,
  TrueType,
  TrueTypeOT,
  CIDType0,
  CIDType0C,
  CIDType0COT,
  CIDType2,
  CIDType2OT
};

enum class TvnPDFFontEmbeddingType { etNone, etFull, etSubset };

// A font matrix [a b c d e f] from glyph space to text space.
using TvnPDFontMatrix = std::array<double, 6>;

class TvnPDFont : public vn::pdf::TvnPDElement {
 public:
  // Flag values of the font descriptor's /Flags.
  static constexpr int32_t kFixedPitchFlag = 1;
  static constexpr int32_t kSerifFlag = 2;
  static constexpr int32_t kSymbolicFlag = 4;
  static constexpr int32_t kItalicFlag = 64;
  static constexpr int32_t kForceBoldFlag = 262144;
  // The embedded program is copied up to this many decoded bytes.
  static constexpr int64_t kMaxFontProgramSize = int64_t{64} << 20;

  // The font of a font dictionary, or null when AFontDict is null, not a
  // dictionary or has no /Subtype. ATag is the resource name the page uses
  // for it; ACMapPath the folder of predefined CMaps (ending with a path
  // separator), which composite fonts read their CMaps from.
  static std::unique_ptr<TvnPDFont> MakeFont(vn::pdf::TvnPDDocumentIntf* AParentDoc,
                                             vn::pdf::TvnPDElement* AResource, const std::string& ATag,
                                             vn::pdf::TvnPDBaseObject* AFontDict,
                                             const std::string& ACMapPath = std::string(TvnPDCMap::kDefaultCMapPath));

  ~TvnPDFont() override;

  virtual bool IsCIDFont() const { return false; }
  virtual TvnWritingMode WritingMode() const { return TvnWritingMode::wmHorizontal; }
  // Decodes the code that starts at AIndex (0-based) of AStr, the codes of a
  // shown string: one byte per character, except that a character above
  // 0xFF is one whole two-byte code of a composite font. Answers 1 when a
  // character was decoded (0 when the font cannot decode any), with
  // AProcessed the characters used, ACode the code for the output device (a
  // Unicode value, a CID, a glyph index or the byte itself), ACharName the
  // glyph name when the font knows one, ADx and ADy the advance for a font
  // size of 1 (glyph units for Type 3 fonts), and AOx, AOy where the
  // glyph's own origin lies from the text position for a font size of 1
  // (the position vector of vertical writing; 0 otherwise).
  virtual int GetNextChar(std::u16string_view AStr, size_t AIndex, int& AProcessed, uint32_t& ACode,
                          std::string& ACharName, double& ADx, double& ADy, double& AOx, double& AOy) = 0;
  // The advance of a code, as ADx above.
  virtual double GetCharWidth(uint32_t) const { return 0; }

  const std::string& name() const { return FName; }
  const std::string& OrginalName() const { return FOrginalName; }
  TvnPDFontType FontType() const { return FFontType; }
  const std::string& EmbeddedFontName() const { return FEmbeddedFontName; }
  const std::string& ExtFontName() const { return FExtFontName; }
  int32_t Flags() const { return FFlags; }
  int32_t MissingWidth() const { return FMissingWidth; }
  // Type 3 fonts and fonts without built-in metrics only; null otherwise.
  const TvnPDFontMatrix* FontMatrix() const { return FFontMatrix ? &*FFontMatrix : nullptr; }
  const TvnPDRect& FontBox() const { return *FFontBox; }
  double Ascent() const { return FAscent; }
  double Descent() const { return FDescent; }
  const std::string& EncodingName() const { return FEncodingName; }
  const std::string& BaseFont() const { return FBaseFont; }
  TvnPDFFontEmbeddingType EmbeddingType() const { return FEmbeddingType; }
  const std::string& Tag() const { return FTag; }
  void SetTag(const std::string& AValue) { FTag = AValue; }
  const std::string& BaseEncoding() const { return FBaseEncoding; }
  void SetBaseEncoding(const std::string& AValue) { FBaseEncoding = AValue; }
  // Object number of the font program stream, -1 without one.
  int64_t EmbeddedFontObjNumber() const { return FEmbededFontIndRef; }

  // The decoded font program, copied on the first call; null when the font
  // has no program reference or it is not a stream.
  vn::TStream* GetEmbeddedFontStream();
  // Copies all of AValue into the font's own program stream.
  void SetEmbeddedFontStream(vn::TStream& AValue);
  // The external font file named by ExtFontName, opened on the first call;
  // null when there is no such file.
  vn::TStream* GetExtFontStream();
  void SetExtFontName(const std::string& AValue) { FExtFontName = AValue; }
  // The reader of the embedded program (Type 1, CFF, CID-keyed CFF or
  // TrueType), made on the first call; null without a program or when no
  // reader accepts it.
  vn::fonts::TvnFontEngine* GetFontProgram();
  // The font dictionary's own /Resources (those of a Type 3 font's glyph
  // procedures), or null.
  vn::pdf::TvnPDDictionary* GetResourcesDict() const;
  // The ToUnicode parse, or null.
  const TvnPDCMapParser* GetToUnicode() const { return FToUnicode.get(); }
  bool Matches(const std::string& ATag) const { return FTag == ATag; }

  bool IsFixedWidth() const { return (FFlags & kFixedPitchFlag) != 0; }
  bool IsSerif() const { return (FFlags & kSerifFlag) != 0; }
  bool IsSymbolic() const { return (FFlags & kSymbolicFlag) != 0; }
  bool IsItalic() const { return FIsItalic || (FFlags & kItalicFlag) != 0; }
  bool IsBold() const { return FIsBold || (FFlags & kForceBoldFlag) != 0; }

 protected:
  TvnPDFont(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
            vn::pdf::TvnPDBaseObject* ABaseObject, const std::string& ATag, const std::string& AName);

  vn::pdf::TvnPDDictionary* FontDict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }
  // Reads the font descriptor of AFontDict (the font dictionary, or the
  // descendant of a composite font): flags, name, program reference and
  // kind, embedding, missing width, ascent, descent and box.
  void ReadFontDescriptor(vn::pdf::TvnPDDictionary* AFontDict);
  // Parses the dictionary's /ToUnicode stream into FToUnicode.
  void ReadToUnicode(vn::pdf::TvnPDDictionary* AFontDict);

  std::string FBaseEncoding;
  std::string FTag;
  TvnPDFontType FFontType = TvnPDFontType::UnknowType;
  std::optional<TvnPDFontMatrix> FFontMatrix;
  double FDescent = 0;
  std::unique_ptr<TvnPDRect> FFontBox;
  std::string FExtFontName;
  std::string FEmbeddedFontName;
  std::unique_ptr<vn::TStream> FExtFontStream;
  std::unique_ptr<vn::TMemoryStream> FEmbeddedFontStream;
  double FAscent = 0;
  std::string FOrginalName;
  int32_t FFlags = 0;
  std::string FName;
  int32_t FMissingWidth = 0;
  int64_t FEmbededFontIndRef = -1;
  bool FIsBold = false;
  bool FIsItalic = false;
  int32_t FItalicAngle = 0;
  std::string FEncodingName;
  std::string FBaseFont;
  TvnPDFFontEmbeddingType FEmbeddingType = TvnPDFFontEmbeddingType::etNone;
  std::unique_ptr<TvnPDCMapParser> FToUnicode;
  std::unique_ptr<vn::fonts::TvnFontEngine> FFontProcObj;
  bool FEmbeddedFontRead = false;
  bool FFontProgramRead = false;
};

}  // namespace vn::pdfdoc
