// One font program opened with FreeType for the page renderer: from a font
// file, from the bytes of an embedded font stream, or from an installed font
// found through the font catalog. It reads the face's names and metrics and
// hands out glyph outlines, looked up by character code (with a preferred
// charmap), by glyph index or by glyph name, as a flat list of records in
// points with y pointing down, optionally shifted by pair kerning.
//
// Each processor has its own FreeType library, so processors may live on
// different threads; one processor is used by one thread at a time. The
// face is opened once (embedded bytes on the first glyph request) and kept
// open until the processor goes; the bytes it is read from are owned here.
// Outlines are taken unscaled, in font units, and scaled to the requested
// size exactly, so any size draws the same shapes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "runtime/strings.h"

namespace vn::pdfdoc {

// The processor's error codes (0 is success; FreeType's own codes pass
// through otherwise).
constexpr uint8_t kFontProcessorOk = 0;
constexpr uint8_t kFontProcessorNoFontData = 24;   // no font file for an installed font
constexpr uint8_t kFontProcessorNoGlyph = 25;      // the code, index or name has no glyph
constexpr uint8_t kFontProcessorNoOutline = 26;    // the glyph is not an outline
constexpr uint8_t kFontProcessorCannotOpen = 27;   // the face cannot be opened (damaged bytes, no such face)
constexpr uint8_t kFontProcessorNoFreeType = 33;   // FreeType cannot be initialised

// Outline records, as one list of numbers: 1 x y = move; 2 x y = line;
// 3 cx cy x y = conic; 4 c1x c1y c2x c2y x y = cubic.
constexpr double kOutlineMove = 1;
constexpr double kOutlineLine = 2;
constexpr double kOutlineConic = 3;
constexpr double kOutlineCubic = 4;
using TvnOutlineRecords = std::vector<double>;

// How DecomposeOutlineGlyph finds the glyph.
enum class TvnGlyphLookup { glCharCode, glGlyphIndex, glGlyphName };

// Charmap tags to prefer (FreeType's four-letter encoding tags).
constexpr uint32_t kEncodingAny = 0;
constexpr uint32_t kEncodingUnicode = 0x756E6963;     // 'unic'
constexpr uint32_t kEncodingAppleRoman = 0x61726D6E;  // 'armn'
constexpr uint32_t kEncodingMsSymbol = 0x73796D62;    // 'symb'

// The face's bounding box (1000-unit em).
struct TvnFontBBox {
  double Left = 0, Bottom = 0, Right = 0, Top = 0;
};

// One glyph's outline in points (y down), its advance and the kerning it
// carries.
struct TvnGlyphOutline {
  TvnOutlineRecords Records;
  double AdvanceX = 0;
  double AdvanceY = 0;
  uint32_t GlyphIndex = 0;
};

class TvnFontProcessor {
 public:
  // Face AFaceIndex of a font file, opened at once; AError 27 when the file
  // cannot be opened as a font or has no such face.
  TvnFontProcessor(const std::filesystem::path& AFileName, uint8_t& AError, uint32_t AVertRes = 96,
                   uint32_t AHorzRes = 96, uint32_t AFontSize = 12, int AFaceIndex = 0);
  // The bytes of an embedded font program (copied). The face is opened on
  // the first glyph request or by OpenFace; AError reports only FreeType's
  // initialisation.
  TvnFontProcessor(std::span<const uint8_t> AFontBytes, uint8_t& AError, uint32_t AVertRes = 96,
                   uint32_t AHorzRes = 96, uint32_t AFontSize = 12);
  // An installed font: the face the font catalog matches to the name and
  // style (collections at their own face index); AError 24 when the
  // catalog has no face at all.
  TvnFontProcessor(StringView AFaceName, bool ABold, bool AItalic, uint32_t AFontSize, uint8_t& AError);
  ~TvnFontProcessor();
  TvnFontProcessor(const TvnFontProcessor&) = delete;
  TvnFontProcessor& operator=(const TvnFontProcessor&) = delete;

  // Opens the face (when not yet open) and reads its information: 0 or 27.
  uint8_t OpenFace();

  // The charmap tag glyph lookups by code prefer (kEncodingAny: every
  // charmap in turn).
  void SetEncodingType(uint32_t ATag) { FEncodingType = ATag; }
  uint32_t EncodingType() const { return FEncodingType; }
  void SetUseKerning(bool AValue) { FUseKerning = AValue; }
  bool UseKerning() const { return FUseKerning; }
  // Forgets the previous glyph and the kerning gathered so far.
  void ResetKerning();

  // The glyph of ACode (glCharCode), AGlyphIndex (glGlyphIndex) or
  // AGlyphName (glGlyphName) at AFontSize points: its outline with the
  // kerning gathered so far added to every x. Returns an error code; AGlyph
  // is complete only on 0.
  uint8_t DecomposeOutlineGlyph(uint32_t ACode, uint32_t AGlyphIndex, TvnGlyphLookup AKind, double AFontSize,
                                const std::string& AGlyphName, TvnGlyphOutline& AGlyph);
  // The same for one glyph drawn at the pen position: the records are
  // shifted by (APenX, APenY) and handed to ACallback, then APenX advances
  // by the glyph's advance. The callback is not called on an error.
  uint8_t DecomposeOutlineGlyph(uint32_t ACodeOrIndex, const std::string& AGlyphName, TvnGlyphLookup AKind,
                                double AFontSize, bool AUseKerning, double& APenX, double APenY,
                                const std::function<void(const TvnOutlineRecords&)>& ACallback);
  // Walks a text glyph after glyph (by character code), calling ACallback
  // with each glyph's records and its index in the text; glyphs that fail
  // are skipped. Returns the pen's final x.
  double DecomposeText(std::u32string_view AText, double AFontSize, bool AUseKerning,
                       const std::function<void(const TvnOutlineRecords&, size_t)>& ACallback);

  // The sum of the advances of the text's glyphs at the processor's font
  // size, in points; the height of the first character's glyph.
  double GetTextWidth(std::u32string_view AText);
  double GetTextHeight(std::u32string_view AText);

  // A copy of the font bytes the processor was made from (empty for a
  // file or an installed font).
  const std::vector<uint8_t>& GetFontStream() const { return FFontStreamArray; }

  // Names and metrics of the face (1000-unit em where a size is given).
  double Ascent() const { return FAscent; }
  double Descent() const { return FDescent; }
  double Leading() const { return FLeading; }
  int CharacterMapCount() const { return FCharMapCount; }
  int FaceCount() const { return FFaceCount; }
  const std::string& FamilyName() const { return FFamilyName; }
  const std::string& PostscriptName() const { return FpsName; }
  const std::string& StyleName() const { return FstyleName; }
  const TvnFontBBox& GlobalBBox() const { return FBBox; }
  double UnderscorePosition() const { return FunderscorePosition; }
  double UnderscoreSize() const { return FunderscoreSize; }
  double UnitsPerEm() const { return FunitsPerEm; }
  double CapHeight() const { return FCapHeight; }
  double StemV() const { return FStemV; }
  int MaxWidth() const { return FMaxWidth; }
  int ItalicAngle() const { return FItalicAngle; }
  double AvgWidth() const { return FAvgWidth; }
  int Flag() const { return FFlag; }
  int GlyphCount() const { return FGlyphCount; }
  // Indexed by character code FirstCharCode .. LastCharCode (32 .. 255).
  const std::vector<double>& GlyphWidths() const { return FGlyphWidths; }
  int FirstCharCode() const { return FFirstCharCode; }
  int LastCharCode() const { return FLastCharCode; }
  uint32_t HorzRes() const { return FHorzRes; }
  void SetHorzRes(uint32_t AValue) { FHorzRes = AValue; }
  uint32_t VertRes() const { return FVertRes; }
  void SetVertRes(uint32_t AValue) { FVertRes = AValue; }
  // The path of the font file (file and installed fonts).
  const std::filesystem::path& FontFileName() const { return FFontFileName; }
  int FaceIndex() const { return FFaceIndex; }

 private:
  struct Impl;

  uint8_t InitFreeType();
  void ReadFaceInfo();
  uint32_t LookUpCode(uint32_t ACode);

  std::unique_ptr<Impl> FImpl;
  double FAscent = 0;
  int FCharMapCount = 0;
  double FDescent = 0;
  int FFaceCount = 0;
  std::filesystem::path FFontFileName;
  int FFaceIndex = 0;
  std::string FFamilyName;
  std::vector<uint8_t> FFontStreamArray;
  TvnFontBBox FBBox;
  int FGlyphCount = 0;
  double FLeading = 0;
  bool FUseKerning = false;
  std::string FpsName;
  std::string FstyleName;
  double FunderscorePosition = 0;
  double FunderscoreSize = 0;
  double FunitsPerEm = 1;
  uint32_t FEncodingType = kEncodingAny;
  uint32_t FPreviousGlyphIndex = 0;
  std::vector<double> FGlyphWidths;
  int FFirstCharCode = 32;
  int FLastCharCode = 255;
  uint32_t FHorzRes = 96;
  uint32_t FVertRes = 96;
  double FCapHeight = 0;
  double FStemV = 0;
  int FMaxWidth = 0;
  double FAvgWidth = 0;
  int FItalicAngle = 0;
  int FFlag = 0;
  uint32_t FFontSize = 12;
  double FKerningValue = 0;
  bool FFaceTried = false;
  uint8_t FFaceError = kFontProcessorOk;
};

}  // namespace vn::pdfdoc
