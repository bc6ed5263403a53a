// Reading CMap programs: the predefined CMap files of the CMap folder, the
// CMap streams of composite fonts and the ToUnicode streams of any font.
//
// TvnPSTokenizer cuts the program into tokens; TvnPDCMapParser reads the
// CIDSystemInfo entries, WMode, the code space and the cid and bf range and
// char blocks. The same lists hold code-to-CID maps (cidrange, cidchar) and
// code-to-Unicode maps (bfrange, bfchar). Damaged entries (a number that is
// not one) are passed over; nothing here raises on any input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/streams.h"

namespace vn::pdfdoc {

class TvnPSTokenizer {
 public:
  static constexpr size_t kBufferSize = 1024;
  // Longer tokens keep their first kMaxTokenLength characters.
  static constexpr size_t kMaxTokenLength = 256;

  // Reads from the stream's current position; the stream is borrowed.
  explicit TvnPSTokenizer(vn::pdf::TvnStream* AStream) : FStream(AStream) {}
  // The next token; false when the data is exhausted before one begins.
  bool GetNextToken(std::string& AToken);

 private:
  bool Fill();
  int PeekByte();
  int NextByte();

  vn::pdf::TvnStream* FStream;
  uint8_t FBuffer[kBufferSize] = {};
  size_t FCurrentIndex = kBufferSize;  // next byte in the buffer
  size_t FCount = 0;                   // bytes the buffer holds
  int64_t FBufferIndex = 0;            // stream bytes read before the buffer
};

// Source codes FCIDStart..FCIDEnd map onto FCode, FCode + 1, ... A bf map's
// hexadecimal destination is also kept whole in FText (UTF-16), so that
// ligatures and characters beyond the BMP keep every code unit; FCode is
// its first character.
struct TvnCIDRange {
  int32_t FCIDStart = 0;
  int32_t FCIDEnd = 0;
  int32_t FCode = 0;
  std::u16string FText;
};

struct TvnCIDCode {
  int32_t FCID = 0;
  int32_t FCode = 0;
  std::u16string FText;
};

// A code-space range: codes of FBytes bytes whose every byte lies between
// the bytes of FLow and FHigh.
struct TvnCodeSpaceRange {
  uint32_t FLow = 0;
  uint32_t FHigh = 0;
  int FBytes = 1;
};

class TvnPDCMapParser {
 public:
  // Nesting of CMaps that include others with "usecmap".
  static constexpr int kMaxUseCMapDepth = 8;

  // Reads the whole program from the stream's current position. A CMap
  // that includes another by name ("/Name usecmap") takes that CMap's maps
  // from AUseCMapFolder + Name first, its own entries winning; with an empty
  // folder the inclusion is passed over.
  explicit TvnPDCMapParser(vn::pdf::TvnStream* AStream, const std::string& AUseCMapFolder = std::string(),
                           int ADepth = 0);

  const std::string& Registry() const { return FRegistry; }
  const std::string& Ordering() const { return FOrdering; }
  const std::string& Supplement() const { return FSupplement; }
  int WMode() const { return FWMode; }

  // The value of the last range holding the code; -1 when none does.
  int32_t LookupRange(int64_t ACode) const;
  // The value of the last char entry of the code; without one LookupRange.
  int32_t Lookup(int64_t ACode) const;
  // The whole text a Unicode map gives the code (char entries first, then
  // ranges, the last code unit counting up along a range); empty when the
  // map has none.
  std::u16string LookupText(int64_t ACode) const;
  // The length in bytes of the code that starts with ABytes under the code
  // space; 0 when no range matches (or the CMap declares none).
  int CodeLength(const uint8_t* ABytes, size_t ACount) const;

  const std::vector<TvnCIDRange>& CIDList() const { return FCIDList; }
  const std::vector<TvnCIDCode>& CodeList() const { return FCodeList; }
  const std::vector<TvnCodeSpaceRange>& CodeSpace() const { return FCodeSpace; }

 private:
  void ReadRangeBlock(TvnPSTokenizer& ATokens);
  void ReadCharBlock(TvnPSTokenizer& ATokens);
  void ReadCodeSpaceBlock(TvnPSTokenizer& ATokens);
  void UseCMap(const std::string& AName, const std::string& AFolder, int ADepth);

  std::string FOrdering;
  std::string FRegistry;
  std::string FSupplement;
  int FWMode = 0;
  std::vector<TvnCIDRange> FCIDList;
  std::vector<TvnCIDCode> FCodeList;
  std::vector<TvnCodeSpaceRange> FCodeSpace;
  std::unordered_map<int32_t, size_t> FLastCode;  // source -> index of its last char entry
};

// Whether a CMap name may be looked up as a file of the CMap folder: not
// empty, no path separators, no "..", no control characters.
bool IsSafeCMapFileName(const std::string& AName);

// The whole file as a memory stream (at most a few megabytes), or null when
// it cannot be read.
vn::pdf::Ref<vn::pdf::TvnStream> ReadCMapFile(const std::string& APath);

// The CMap folder a document handler starts with.
inline constexpr std::string_view kDefaultCMapFolder = "./CMap/";

// The CMap AName (a safe file name) of AFolder: the file AFolder + AName.
// A file missing from the default folder is looked for among the CMap
// resources installed on the system (the collection folders of the
// installed CMap data), so that predefined CMaps and the Unicode maps of
// the character collections are found wherever the program runs. Null when
// there is none.
vn::pdf::Ref<vn::pdf::TvnStream> OpenCMapResource(const std::string& AFolder, const std::string& AName);

}  // namespace vn::pdfdoc
