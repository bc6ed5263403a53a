// TvnType1Glyphs: turns one glyph program into an outline, for Type 1
// charstrings (Type 1 fonts) and Type 2 charstrings (CFF and CID-keyed CFF
// fonts). It works in two stages: RunCharString executes the program and
// appends to two parallel lists, the commands (moveto, lineto, curveto,
// closepath) and their coordinates in glyph units; GetGraphicsPath then turns
// the lists into a TvnRecList scaled through the font matrix to pixels, with
// y pointing down. Hints are not applied: stems are only counted, so that
// hint-mask bytes can be skipped. A reader makes one interpreter per request.
//
// Damage and hostile programs: the operand stack holds 100 values (further
// operands are dropped), a call to a subroutine that does not exist is
// skipped, calls nest at most kMaxSubrDepth deep, accents do not nest, and
// the tokens run for one glyph, its accent components included, are capped
// at kMaxWork. A program that breaks off (a cut number, the budget spent)
// ends the glyph where it stopped; an accent component that does not exist
// is left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/font_types.h"
#include "fonts/outline.h"
#include "runtime/containers.h"

namespace vn::fonts {

using TvnCharStringsDict = OrderedMap<std::string, TvnBytes>;  // glyph name -> charstring
using TvnSubrList = std::vector<TvnByteArray>;                  // subroutines by number
using TvnPrivateDict = std::map<std::string, std::string, std::less<>>;  // Private values as text

class TvnType1Glyphs {
 public:
  static constexpr int FSizeCoordsArr = 100;
  static constexpr size_t kMaxSubrDepth = 16;
  static constexpr size_t kMaxWork = size_t{1} << 18;
  static constexpr size_t kNoNumber = static_cast<size_t>(-1);

  // Runs the named glyph and appends its commands and coordinates; returns
  // the number of commands in the command list (0 appended when the name is
  // empty or has no charstring). Type 1 charstrings drop the Private
  // dictionary's "lenIV" leading bytes (4 without one, none for -1) and
  // call ASubroutineDict by number; Type 2 charstrings drop none and call
  // local (ASubroutineDict) and global (AGlobalSubrs) subroutines with the
  // Type 2 bias.
  int GetTwoArrLists(std::vector<float>& AarrListCoordinates, std::vector<TvnStepKind>& AArrListCommands,
                     std::string_view ACharacter, const TvnCharStringsDict& ACharstringsDict,
                     const TvnSubrList* ASubroutineDict, bool AisCFFnCFFCID, const TvnPrivateDict* APrivateDict,
                     const TvnSubrList* AGlobalSubrs = nullptr);

  // What RunCharString refers to: the charstrings accents are taken from,
  // the subroutines, the kind of program and its lenIV (bytes dropped from
  // subroutines and accent components; negative counts as 0).
  void SetSources(const TvnCharStringsDict* ACharstringsDict, const TvnSubrList* ASubroutineDict,
                  const TvnSubrList* AGlobalSubrs, bool AisCFFnCFFCID, int ASkipBytes);
  // Runs one program (its lenIV bytes already dropped) from the origin.
  void RunCharString(std::span<const uint8_t> ACharString, std::vector<float>& AarrListCoordinates,
                     std::vector<TvnStepKind>& AArrListCommands);

  // Decodes the number at APos into AValue; returns the position after it,
  // or kNoNumber when APos holds no number or the number is cut off.
  static size_t GetNumber(std::span<const uint8_t> AFontDataAsArray, size_t APos, bool AisCFFnCFFCID,
                          double& AValue);

  // The outline of the two lists at pixel size AfontSize (font size x dpi
  // / 72): each point goes through the font matrix, is scaled by AfontSize
  // and has its y negated.
  std::unique_ptr<TvnRecList> GetGraphicsPath(std::string_view ACharacter, float AfontSize,
                                              const std::vector<float>& ACoordinatesAll,
                                              const std::vector<TvnStepKind>& ACommandsAll,
                                              const TvnFontMatrix& AFontMatrix = kDefaultFontMatrix) const;

  int SkipBytesForPFB() const { return FSkipBytesForPFB; }
  bool IsCFFnCFFCID() const { return FIsCFFnCFFCID; }
  // Stem hints declared by the last glyph run (its accents not counted).
  int HintCount() const { return FHintCount; }
  static constexpr int FINTMinusOne = -1;

 private:
  struct GlyphRun;
  void Execute(GlyphRun& run, std::span<const uint8_t> program);
  void RunComponent(GlyphRun& parent, std::string_view name, double origin_x, double origin_y);
  void Accent(GlyphRun& run, double bchar, double achar, double accent_x, double accent_y);
  std::span<const uint8_t> DropLenIV(const TvnByteArray& bytes) const;

  const TvnCharStringsDict* FCharStringsDictHere = nullptr;
  const TvnSubrList* FSubrDictHere = nullptr;
  const TvnSubrList* FGlobalSubrDictHere = nullptr;
  bool FIsCFFnCFFCID = false;
  int FSkipBytesForPFB = 4;
  int FHintCount = 0;
  size_t work_ = 0;
};

}  // namespace vn::fonts
