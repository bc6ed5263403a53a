// The building blocks of the CFF reader: the header, INDEX and DICT
// structures, the DICT operator table, the standard strings, and the
// charsets and encodings, predefined and embedded. Everything is read with
// the big-endian TvnByteArrayReader, which answers -1 past the end of its
// data; the readers here stop at the end of the data and never read or
// allocate beyond it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fonts/byte_array_reader.h"
#include "fonts/font_types.h"

namespace vn::fonts {

struct TvnCFFHeader {
  int32_t FMajor = 0;
  int32_t FMinor = 0;
  int32_t FHdrsize = 0;
  int32_t FOffsize = 0;
  int32_t Major() const { return FMajor; }
  int32_t Minor() const { return FMinor; }
  int32_t HdrSize() const { return FHdrsize; }
  int32_t OffSize() const { return FOffsize; }
};

// An INDEX: Fcount objects, their count + 1 offsets (1-based, as in the
// file) and the data bytes. An INDEX standing for missing data has count 0
// and the single offset 1.
class TvnCFFIndex {
 public:
  int32_t Fcount = 0;
  int32_t FOffsize = 0;
  std::vector<int64_t> Foffset{1};
  TvnByteArray Fdata;

  int32_t Count() const { return Fcount; }
  // Object `Index` (0-based) as a view into Fdata; empty for an index out
  // of range or offsets that do not describe a piece of the data.
  std::span<const uint8_t> Object(int32_t Index) const;
  // A copy of object `Index`.
  TvnByteArray GetBytes(int32_t Index) const;
};

// One DICT operator: its key (b0, or 120 + b1 / 1200 + b1 for the escaped
// operator 12 b1) and its name. The operator table is immutable; entries
// borrow its objects.
class TvnCFFCommands {
 public:
  int32_t FCommandValue;
  std::string_view FCommandName;

  // The table's operator of that key or name; null when there is none.
  static const TvnCFFCommands* GetOperator(int32_t Key);
  static const TvnCFFCommands* GetOperator(std::string_view Name);
};

// One DICT entry: its operands in file order and its operator (null for an
// operator the table does not know). Operands are kept as doubles: every
// 32-bit integer operand, an offset into a large font included, stays exact.
class TvnCFFDictEntry {
 public:
  std::vector<double> FOperands;
  const TvnCFFCommands* FOperators = nullptr;

  const std::vector<double>& Operands() const { return FOperands; }
  // Operand `Index`; 0 when the entry has fewer.
  double Operand(size_t Index) const { return Index < FOperands.size() ? FOperands[Index] : 0; }
};

// One parsed DICT, its entries in file order.
class TvnCFFData {
 public:
  std::vector<TvnCFFDictEntry> FDictEntries;

  // The last entry whose operator has that name (exact comparison); null
  // when none has.
  const TvnCFFDictEntry* GetEntry(std::string_view Aname) const;
  const TvnCFFDictEntry* GetEntry(const TvnCFFCommands& AOperator) const { return GetEntry(AOperator.FCommandName); }
};

// Reads the structures from the reader's current position.
class TvnCFFHeaderAndIndexReader {
 public:
  // A DICT entry holds at most this many operands; further ones are dropped.
  static constexpr size_t kMaxOperands = 48;

  static TvnCFFHeader ReadHeader(TvnByteArrayReader& Input);
  // The reader is left after the INDEX, where the next structure begins. A
  // count that cannot be read or an offset size outside 1-4 gives an empty
  // INDEX.
  static TvnCFFIndex ReadIndexData(TvnByteArrayReader& Input);
  // A DICT of all remaining bytes. Operands the data ends on, without an
  // operator, are dropped.
  static TvnCFFData ReadDictData(TvnByteArrayReader& Input);
  static TvnCFFData ReadDictData(std::span<const uint8_t> bytes);
  // One entry; false when the data ended before its operator.
  static bool ReadEntry(TvnByteArrayReader& Input, TvnCFFDictEntry& entry);
  static double ReadIntegerNumber(TvnByteArrayReader& Input, int b0);
  static double ReadRealNumber(TvnByteArrayReader& Input, int b0);
  static const TvnCFFCommands* ReadOperator(TvnByteArrayReader& Input, int b0);
  static int32_t ReadOperatorKey(TvnByteArrayReader& Input, int b0);
};

// The 391 standard strings, SID 0 ".notdef" to SID 390 "Semibold".
class TvnCFFStandardStrings {
 public:
  static constexpr int32_t kCount = 391;
  // "" for a SID outside the table.
  static std::string_view GetName(int32_t SID);
};

// The string a SID names: a standard string, or object SID - 391 of the
// font's String INDEX; false when there is none.
bool CffSIDString(int32_t SID, const TvnCFFIndex& Strings, std::string& out);

// Encodings: character code to SID.
struct TvnCodeSIDEncodingPair {
  int32_t FEncodingCode = 0;
  int32_t FEncodingSID = 0;
  int32_t Code() const { return FEncodingCode; }
  int32_t SID() const { return FEncodingSID; }
};

class TvnCFFEncoding {
 public:
  virtual ~TvnCFFEncoding() = default;
  void Add(int32_t Acode, int32_t Asid);
  // The SID of the last pair with that code; -1 when no pair has it.
  int32_t GetSID(int32_t Acode) const;
  const std::vector<TvnCodeSIDEncodingPair>& Pairs() const { return FEncodingPairs; }

 protected:
  std::vector<TvnCodeSIDEncodingPair> FEncodingPairs;
  std::unordered_map<int32_t, int32_t> sid_of_code_;
};

class TvnCFFStandardEncoding : public TvnCFFEncoding {
 public:
  TvnCFFStandardEncoding();
};

class TvnCFFExpertEncoding : public TvnCFFEncoding {
 public:
  TvnCFFExpertEncoding();
};

struct TvnCFFSupplement {
  int32_t FCode = 0;
  int32_t FGlyph = 0;  // a SID
};

struct TvnCFFRange1 {
  int32_t Ffirst = 0;
  int32_t FnLeft = 0;
};
using TvnCFFRange2 = TvnCFFRange1;

// An encoding stored in the font. Its supplements give further codes for
// glyphs that already have one; GetSID answers them for codes no pair has.
class TvnCFFEmbeddedEncoding : public TvnCFFEncoding {
 public:
  int32_t FNSups = 0;
  std::vector<TvnCFFSupplement> FSupplement;

  // Reads the encoding at the reader's position; AGlyphSIDs[g - 1] is the
  // SID of glyph g. TvnKPNException "Unable to read font encoding" for a
  // format other than 0 and 1.
  static std::unique_ptr<TvnCFFEmbeddedEncoding> Read(TvnByteArrayReader& Input,
                                                      const std::vector<int32_t>& AGlyphSIDs);
};

class TvnCFFFormat0Encoding : public TvnCFFEmbeddedEncoding {
 public:
  int32_t FFormat = 0;  // as read, the supplement flag included
  int32_t FnCodes = 0;
  std::vector<int32_t> FCode;
};

class TvnCFFFormat1Encoding : public TvnCFFEmbeddedEncoding {
 public:
  int32_t FFormat = 0;
  int32_t FnRanges = 0;
  std::vector<TvnCFFRange1> FRange;
};

// Charsets: the n-th pair describes glyph n (glyph 0, ".notdef", has none).
struct TvnCFFSIDNameCharsetPair {
  int32_t FCharsetSID = 0;
  std::string FCharsetName;
  int32_t SID() const { return FCharsetSID; }
  const std::string& Name() const { return FCharsetName; }
};

class TvnCFFCharset {
 public:
  virtual ~TvnCFFCharset() = default;
  void Add(int32_t Asid, std::string Aname);
  // The name of the last pair with that SID; "" when none has it.
  std::string GetName(int32_t Asid) const;
  // The glyph the last pair with that SID describes; -1 when none does.
  int32_t GetGlyph(int32_t Asid) const;
  const std::vector<TvnCFFSIDNameCharsetPair>& GetSIDNamePairs() const { return FCharsetPairs; }

 protected:
  std::vector<TvnCFFSIDNameCharsetPair> FCharsetPairs;
  std::unordered_map<int32_t, size_t> pair_of_sid_;
};

class TvnCFFISOAdobeCharset : public TvnCFFCharset {
 public:
  TvnCFFISOAdobeCharset();
};

class TvnCFFExpertCharset : public TvnCFFCharset {
 public:
  TvnCFFExpertCharset();
};

class TvnCFFExpertSubsetCharset : public TvnCFFCharset {
 public:
  TvnCFFExpertSubsetCharset();
};

class TvnCFFEmbeddedCharset : public TvnCFFCharset {
 public:
  // Reads the charset at the reader's position for a font of ANumGlyphs
  // glyphs, naming each glyph by the string of its SID (or a fallback
  // "glyph..." name). Reading stops once every glyph after ".notdef" has a
  // pair, or at the end of the data.
  static std::unique_ptr<TvnCFFEmbeddedCharset> Read(TvnByteArrayReader& Input, int32_t ANumGlyphs,
                                                     const TvnCFFIndex& AStrings);
};

class TvnCFFFormat0Charset : public TvnCFFEmbeddedCharset {
 public:
  int32_t FFormat = 0;
  std::vector<int32_t> FGlyph;
};

class TvnCFFFormat1Charset : public TvnCFFEmbeddedCharset {
 public:
  int32_t FFormat = 1;
  std::vector<TvnCFFRange1> FRange;
};

class TvnCFFFormat2Charset : public TvnCFFEmbeddedCharset {
 public:
  int32_t FFormat = 2;
  std::vector<TvnCFFRange2> FRange;
};

}  // namespace vn::fonts
