// The CFF font reader: bare CFF data (the Type1C and CIDFontType0C font
// streams of PDF files) or CFF data inside a PostScript FontSet resource.
// Check reads the header and the Name, Top DICT, String and Global Subr
// INDEXes, then parses every font of the set into a TvnCFFDataLayout: its
// Top and Private DICT values with their defaults, charset, encoding and
// glyph programs. Outline and information requests answer from the first
// font.
//
// Glyph programs are Type 2 charstrings run by the charstring interpreter
// with the font's local and global subroutines. A CID-keyed font (a Top
// DICT with ROS) picks each glyph's Font DICT through FDSelect: its local
// subroutines and its font matrix (combined with the Top DICT's) draw the
// glyph. Points go through the font matrix, so a font whose glyph space is
// not 1000 units per em is scaled right.
//
// Glyphs are asked for by name, by character code (through the encoding to
// a SID, through the charset to a name) or by glyph number: the SID of a
// plain font, the CID of a CID-keyed one. A code or number with no glyph
// answers null; a name without a glyph an empty outline. Damaged data gives
// what can be read: offsets outside the data read nothing, a font without
// CharStrings is left out, and data without any readable font is refused.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "fonts/base_font.h"
#include "fonts/cff_structures.h"
#include "fonts/charstring_interpreter.h"

namespace vn::fonts {

// A stored DICT value: the text of a SID or a number (rounded to four
// decimals), an operand list, or a flag.
using TvnCFFDictValue = std::variant<std::string, std::vector<double>, bool>;
using TvnCFFValueDict = std::map<std::string, TvnCFFDictValue, std::less<>>;

// What one glyph program runs with: its local subroutines and the matrix
// from glyph space to text space.
struct TvnCFFFontDict {
  TvnSubrList FLocalSubrs;
  TvnFontMatrix FFontMatrix = kDefaultFontMatrix;
};

// The parsed tables of one font of a set.
class TvnCFFDataLayout {
 public:
  std::string FontName;
  TvnCFFHeader head;
  std::shared_ptr<const TvnCFFIndex> nameIndex, topDictIndex, StringIndex;
  std::unique_ptr<TvnCFFEncoding> CFFEncoding;
  std::unique_ptr<TvnCFFCharset> CFFCharset;
  TvnCFFValueDict FTopDict;
  TvnCFFValueDict FPrivateDict;
  // Plain fonts: glyph name to program; the first glyph of a name keeps it.
  TvnCharStringsDict FCharStringDict;

  bool FIsCID = false;
  // CID-keyed fonts: the programs by glyph number and each glyph's Font
  // DICT (an index into FFontDicts).
  TvnCFFIndex FCharStrings;
  std::vector<uint8_t> FFDSelect;
  // One entry for a plain font (its Private DICT), the FDArray for a
  // CID-keyed one.
  std::vector<TvnCFFFontDict> FFontDicts;
  std::shared_ptr<const TvnSubrList> FGlobalSubrs;

  // Stores a value unless the key has one or the value is empty (an empty
  // text or list, a False flag).
  void AddValueToTopDict(const std::string& Key, TvnCFFDictValue Value) { Store(FTopDict, Key, std::move(Value)); }
  void AddValueToPrivateDict(const std::string& Key, TvnCFFDictValue Value) {
    Store(FPrivateDict, Key, std::move(Value));
  }
  const TvnCharStringsDict& CharStringsDict() const { return FCharStringDict; }
  const TvnCFFCharset* FCharset() const { return CFFCharset.get(); }
  const TvnCFFEncoding* FEncoding() const { return CFFEncoding.get(); }
  const TvnSubrList& GetLocalSubrs() const;
  const TvnSubrList* GetGlobalSubrs() const { return FGlobalSubrs.get(); }

  int32_t NumGlyphs() const;
  // The stored values, or "", 0, an empty list or False.
  static std::string Text(const TvnCFFValueDict& dict, std::string_view key);
  static double Number(const TvnCFFValueDict& dict, std::string_view key);
  static std::vector<double> List(const TvnCFFValueDict& dict, std::string_view key);
  static bool Flag(const TvnCFFValueDict& dict, std::string_view key);

  // The glyph's outline at pixel size APixelSize; null when the font has
  // no such glyph (an unknown name gives an empty outline).
  std::unique_ptr<TvnRecList> OutlineForName(std::string_view AGlyphName, float APixelSize) const;
  std::unique_ptr<TvnRecList> OutlineForCode(int32_t ACharCode, float APixelSize) const;
  std::unique_ptr<TvnRecList> OutlineForID(int32_t AGlyphId, float APixelSize) const;
  bool HasCode(int32_t ACharCode) const;

 private:
  static void Store(TvnCFFValueDict& dict, const std::string& key, TvnCFFDictValue value);
  std::unique_ptr<TvnRecList> OutlineForGlyph(int32_t glyph, float pixel_size) const;
  std::unique_ptr<TvnRecList> Run(std::span<const uint8_t> program, const TvnCFFFontDict& fd,
                                  float pixel_size) const;
  int32_t CIDGlyphForName(std::string_view name) const;
};

// What the CFF and the CID-keyed CFF readers share: the fonts of one set,
// outline and information requests answered from the first.
class CffFontSet : public TvnBaseFont {
 public:
  // Font data larger than this is refused.
  static constexpr int64_t kMaxProgramBytes = int64_t{64} << 20;

  std::unique_ptr<TvnRecList> GetOutlineForGlyphName(std::string_view AGlyphName, float AFontsize, int Adpi,
                                                     EncodingType AEncoding) override;
  std::unique_ptr<TvnRecList> GetOutlineForCharCode(int32_t ACharCode, float AFontsize, int Adpi,
                                                    EncodingType AEncoding) override;
  std::unique_ptr<TvnRecList> GetOutlineForGlyphID(int32_t AGlyphId, float AFontsize, int Adpi,
                                                   EncodingType AEncoding) override;
  // True when the code leads through the encoding and charset to a glyph.
  bool IsCharCodeAvailable(int32_t ACharCode, EncodingType AEncoding) override;
  FontType GetFontType() override { return FontType::CFF; }
  void Close() override { FListCFFDataLayout.clear(); }
  // Reads the stream's bytes and accepts them when they hold CFF data with
  // at least one readable font; the stream is left at position 0 either way.
  bool Check(TStream& AStream) override;

  std::vector<EncodingType> GetSupportedEncodings() const { return {EncodingType::None}; }
  const std::vector<std::unique_ptr<TvnCFFDataLayout>>& Layouts() const { return FListCFFDataLayout; }
  // The first font; null before a successful Check or after Close.
  const TvnCFFDataLayout* First() const { return FListCFFDataLayout.empty() ? nullptr : FListCFFDataLayout[0].get(); }

  int32_t NumGlyphs() const { return First() ? First()->NumGlyphs() : 0; }
  std::string FontName() const { return First() ? First()->FontName : std::string(); }
  int32_t Ascender() const;
  int32_t Descender() const;
  // The FontBBox operands truncated to whole numbers.
  std::array<int32_t, 4> Bbox() const;

  std::string Version() const { return TopText("version"); }
  std::string Notice() const { return TopText("Notice"); }
  std::string Copyright() const { return TopText("Copyright"); }
  std::string FullName() const { return TopText("FullName"); }
  std::string FamilyName() const { return TopText("FamilyName"); }
  std::string Weight() const { return TopText("Weight"); }
  bool IsFixedPitch() const { return First() && TvnCFFDataLayout::Flag(First()->FTopDict, "isFixedPitch"); }
  double ItalicAngle() const { return TopNumber("ItalicAngle"); }
  double UnderLinePosition() const { return TopNumber("UnderLinePosition"); }
  double UnderLineThickness() const { return TopNumber("UnderLineThickness"); }
  double PaintType() const { return TopNumber("PaintType"); }
  double CharStringType() const { return TopNumber("CharstringType"); }
  double UniqueID() const { return TopNumber("UniqueID"); }
  double StrokeWidth() const { return TopNumber("StrokeWidth"); }
  std::vector<double> FontMatrix() const { return TopList("FontMatrix"); }
  std::vector<double> FontBBox() const { return TopList("FontBBox"); }
  std::vector<double> XUID() const { return TopList("XUID"); }

  std::vector<double> BlueValues() const { return PrivateList("BlueValues"); }
  std::vector<double> OtherBlues() const { return PrivateList("OtherBlues"); }
  std::vector<double> FamilyBlues() const { return PrivateList("FamilyBlues"); }
  std::vector<double> FamilyOtherBlues() const { return PrivateList("FamilyOtherBlues"); }
  std::vector<double> StemSnapH() const { return PrivateList("StemSnapH"); }
  std::vector<double> StemSnapV() const { return PrivateList("StemSnapV"); }
  double BlueScale() const { return PrivateNumber("BlueScale"); }
  double BlueShift() const { return PrivateNumber("BlueShift"); }
  double BlueFuzz() const { return PrivateNumber("BlueFuzz"); }
  double StdHW() const { return PrivateNumber("StdHW"); }
  double StdVW() const { return PrivateNumber("StdVW"); }
  double LanguageGroup() const { return PrivateNumber("LanguageGroup"); }
  bool ForceBold() const { return First() && TvnCFFDataLayout::Flag(First()->FPrivateDict, "ForceBold"); }

 protected:
  // Where the CFF data begins: 0 for bare CFF data, after "StartData" in
  // a FontSet resource; -1 for a FontSet resource without one.
  static int64_t CffDataStart(TvnByteArrayReader& Input);
  // The header test: major version 1, header size at least 4, offset size
  // at most 4.
  static bool HeaderAccepted(TvnByteArrayReader& Input, int64_t start);
  // The test and load of Check over the stream's bytes.
  virtual bool CheckData(TvnByteArrayReader& Input) = 0;

  std::vector<std::unique_ptr<TvnCFFDataLayout>> FListCFFDataLayout;

 private:
  std::string TopText(std::string_view key) const {
    return First() ? TvnCFFDataLayout::Text(First()->FTopDict, key) : std::string();
  }
  double TopNumber(std::string_view key) const {
    return First() ? TvnCFFDataLayout::Number(First()->FTopDict, key) : 0;
  }
  std::vector<double> TopList(std::string_view key) const {
    return First() ? TvnCFFDataLayout::List(First()->FTopDict, key) : std::vector<double>();
  }
  double PrivateNumber(std::string_view key) const {
    return First() ? TvnCFFDataLayout::Number(First()->FPrivateDict, key) : 0;
  }
  std::vector<double> PrivateList(std::string_view key) const {
    return First() ? TvnCFFDataLayout::List(First()->FPrivateDict, key) : std::vector<double>();
  }
};

class TvnType1CFFHandler : public CffFontSet {
 public:
  using CffFontSet::Check;
  // Check over a reader of the whole data.
  bool Check(TvnByteArrayReader& Input);

  // Reads the header, the four INDEXes after it and the fonts of the set
  // from the CFF data beginning at APointerAfterDSC; offsets in the data
  // count from there.
  std::vector<std::unique_ptr<TvnCFFDataLayout>> ReadCFFData(TvnByteArrayReader& Input,
                                                              int64_t APointerAfterDSC = 0);
  // Font `Index` of the Name INDEX, while ReadCFFData runs; null when it
  // cannot be read (no CharStrings). EListError when the charset describes
  // fewer glyphs than there are; TvnKPNException "Unable to read font
  // encoding" for an encoding of an unknown format.
  std::unique_ptr<TvnCFFDataLayout> ParseFont(int32_t Index);

  int32_t Units_per_em() const { return 1000; }
  FontType TypeOfFont() const { return FTypeOfFont1; }
  bool IsCID() const { return FisCID1; }
  void SetIsCID(bool value) { FisCID1 = value; }
  int64_t PointerAfterDSC() const { return FPointerAfterDSC; }

 protected:
  bool CheckData(TvnByteArrayReader& Input) override { return Check(Input); }

 private:
  void ReadPrivateDict(TvnCFFDataLayout& layout, const TvnCFFDictEntry* private_entry, TvnCFFFontDict& fd,
                       bool store_values);
  void ReadCIDTables(TvnCFFDataLayout& layout, const TvnCFFData& top, const TvnFontMatrix* top_matrix);
  // The INDEX at an offset from the CFF start; empty when it lies outside.
  TvnCFFIndex IndexAt(double offset);
  TvnSubrList SubrList(const TvnCFFIndex& index);
  // A copy of bytes of the data, within the copy budget; empty beyond it.
  TvnByteArray Copy(std::span<const uint8_t> bytes);

  FontType FTypeOfFont1 = FontType::CFF;
  int64_t FPointerAfterDSC = 0;
  bool FisCID1 = false;
  TvnCFFHeader FHeader;
  std::shared_ptr<const TvnCFFIndex> FNameIndex, FTopDictIndex, FStringIndex;
  std::shared_ptr<const TvnSubrList> FGlobalsubrIndex;
  TvnByteArrayReader* FInput = nullptr;  // while ReadCFFData runs
  int64_t FCopyBudget = 0;
};

}  // namespace vn::fonts
