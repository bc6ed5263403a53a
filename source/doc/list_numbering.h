// List definitions, list overrides and list labels of a Word 97-2003
// document. The list definitions (each with one or nine levels) and the
// overrides that paragraphs refer to by their 1-based index lie in the
// table stream; TvnDocListNumbering reads both and, paragraph after
// paragraph in document order, counts the numbers and gives each numbered
// paragraph's label text: the bullet, or the level's number text with the
// counters of its levels filled in.
//
// Both tables are read within the bounds the file information block gives
// them and within the table stream: a count larger than its bytes ends the
// table where its bytes end. A number format the reader cannot write comes
// out as decimal digits, and a placeholder character that no counter fills
// is dropped rather than shown.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "doc/binary_reader.h"
#include "doc/file_information_block.h"
#include "doc/property_modifiers.h"
#include "runtime/diagnostics.h"
#include "runtime/strings.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/run_properties.h"

namespace vn::doc {

// One list definition.
struct TvnLSTF {
  uint32_t FLsid = 0;
  uint32_t FTplc = 0;
  std::array<uint16_t, 9> FRgistdPara{};
  bool FFsimpleList = false;
  bool FFHybrid = false;
  uint8_t FGrfhic = 0;
};

// One list level.
struct TvnLVL {
  int32_t FiStartAt = 0;
  uint8_t FNfc = 0;
  uint8_t FJc = 0;
  std::array<uint8_t, 9> FRgbxchNums{};  // 1-based placeholder offsets, 0 for none
  uint8_t FIxchFollow = 0;
  int32_t FDxaIndentSav = 0;
  uint8_t FCbGrpprlChpx = 0, FCbGrpprlPapx = 0, FIlvlRestartLim = 0, FGrfhic = 0;
  uint16_t FCch = 0;
  String FRgtchar;  // the number text
  std::shared_ptr<vn::wordmodel::TvnParagraphProperties> FparagraphProperties;
  std::shared_ptr<vn::wordmodel::TvnRunProperties> FRunProperties;
};

struct TvnPlfLst {
  uint16_t FcLst = 0;
  std::vector<TvnLSTF> FRdLstf;
  std::vector<TvnLVL> FTrailingLvl;  // every level after the definitions, in file order
};

// One list override.
struct TvnLFO {
  uint32_t FLsid = 0;
  uint8_t FClfolvl = 0;
  uint8_t FIbstFltAutoNum = 0;
  uint8_t FGrfhic = 0;
};

struct TvnLFOLVL {
  int32_t FiStartAt = 0;
  uint8_t FiLvl = 0;
  bool FFStartAt = false;
  bool FFFormatting = false;
  uint8_t FGrfhic = 0;
  std::optional<TvnLVL> FLvl;  // when FFFormatting is set
};

struct TvnLFOData {
  uint32_t FCP = 0;
  std::vector<TvnLFOLVL> FRgLfoLvl;
};

struct TvnPlfLfo {
  uint32_t FLfomac = 0;
  std::vector<TvnLFO> FRgLfo;
  std::vector<TvnLFOData> FRgLfoData;  // one per override
};

// The counter as text in a number format: 0 decimal, 1 and 2 upper- and
// lower-case roman, 3 and 4 upper- and lower-case letters, 6 English words;
// nothing for any other format.
std::optional<String> FormatListNumber(int32_t AValue, int32_t AFormat);

class TvnDocListNumbering {
 public:
  static constexpr uint8_t kBulletFormat = 23;

  // Reads the definitions and overrides from the table stream (borrowed
  // for the call) as the FIB places them; sprms through AHelpers.
  TvnDocListNumbering(std::span<const uint8_t> ATableStream, const TvnFIBBase& AFIB, TvnDOCHelperFunctions& AHelpers,
                      Diagnostics* ADiagnostics = nullptr);

  // The level a paragraph with list override AIlfo (1-based) at level AIlvl
  // uses; null when the override or its definition does not exist.
  const TvnLVL* Level(int32_t AIlfo, int32_t AIlvl) const;
  // The label of the next numbered paragraph with that override and level,
  // advancing the counters; nothing when Level answers null.
  std::optional<String> NextLabel(int32_t AIlfo, int32_t AIlvl);

  const TvnPlfLst& Definitions() const { return FPlfLst; }
  const TvnPlfLfo& Overrides() const { return FPlfLfo; }

 private:
  TvnLVL ReadListLevel(TvnBinaryReader& AReader, int64_t AEnd, TvnDOCHelperFunctions& AHelpers);

  TvnPlfLst FPlfLst;
  TvnPlfLfo FPlfLfo;
  std::map<int32_t, std::map<int32_t, int32_t>> FListCounting;
};

}  // namespace vn::doc
