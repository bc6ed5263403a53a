#include "fonts/cff_structures.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "fonts/cff_standard_tables_impl.h"
#include "fonts/exceptions.h"

namespace vn::fonts {
namespace {

constexpr TvnCFFCommands kCffOperators[] = {
    {0, "version"},           {1, "Notice"},          {120, "Copyright"},         {2, "FullName"},
    {3, "FamilyName"},        {4, "Weight"},          {121, "isFixedPitch"},      {122, "ItalicAngle"},
    {123, "UnderlinePosition"}, {124, "UnderlineThickness"}, {125, "PaintType"}, {126, "CharstringType"},
    {127, "FontMatrix"},      {13, "UniqueID"},       {5, "FontBBox"},            {128, "StrokeWidth"},
    {14, "XUID"},             {15, "charset"},        {16, "Encoding"},           {17, "Charstrings"},
    {18, "Private"},          {1220, "SyntheticBase"}, {1221, "PostScript"},      {1222, "BaseFontName"},
    {1223, "BaseFontBlend"},  {1230, "ROS"},          {1231, "CIDFontVersion"},   {1232, "CIDFontRevision"},
    {1233, "CIDFontType"},    {1234, "CIDCount"},     {1235, "UIDBase"},          {1236, "FDArray"},
    {1237, "FDSelect"},       {1238, "FontName"},     {6, "BlueValues"},          {7, "OtherBlues"},
    {8, "FamilyBlues"},       {9, "FamilyOtherBlues"}, {129, "BlueScale"},        {1210, "BlueShift"},
    {1211, "BlueFuzz"},       {10, "StdHW"},          {11, "StdVW"},              {1212, "StemSnapH"},
    {1213, "StemSnapV"},      {1214, "ForceBold"},    {1217, "LanguageGroup"},    {1218, "ExpansionFactor"},
    {1219, "initialRandomSeed"}, {19, "Subrs"},       {20, "defaultWidthX"},      {21, "nominalWidthX"},
};

// A real operand's text is cut at this length; no real number needs more.
constexpr size_t kMaxRealText = 64;

std::string FallbackGlyphName(int64_t a, int64_t b = -1) {
  return "glyph" + std::to_string(a) + (b >= 0 ? std::to_string(b) : std::string());
}

}  // namespace

std::span<const uint8_t> TvnCFFIndex::Object(int32_t Index) const {
  if (Index < 0 || Index >= Fcount || static_cast<size_t>(Index) + 1 >= Foffset.size()) return {};
  const int64_t start = Foffset[static_cast<size_t>(Index)] - 1;
  const int64_t end = Foffset[static_cast<size_t>(Index) + 1] - 1;
  if (start < 0 || end < start || end > static_cast<int64_t>(Fdata.size())) return {};
  return std::span<const uint8_t>(Fdata).subspan(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

TvnByteArray TvnCFFIndex::GetBytes(int32_t Index) const {
  const auto object = Object(Index);
  return TvnByteArray(object.begin(), object.end());
}

const TvnCFFCommands* TvnCFFCommands::GetOperator(int32_t Key) {
  for (const TvnCFFCommands& op : kCffOperators)
    if (op.FCommandValue == Key) return &op;
  return nullptr;
}

const TvnCFFCommands* TvnCFFCommands::GetOperator(std::string_view Name) {
  for (const TvnCFFCommands& op : kCffOperators)
    if (op.FCommandName == Name) return &op;
  return nullptr;
}

const TvnCFFDictEntry* TvnCFFData::GetEntry(std::string_view Aname) const {
  for (auto it = FDictEntries.rbegin(); it != FDictEntries.rend(); ++it)
    if (it->FOperators && it->FOperators->FCommandName == Aname) return &*it;
  return nullptr;
}

TvnCFFHeader TvnCFFHeaderAndIndexReader::ReadHeader(TvnByteArrayReader& Input) {
  TvnCFFHeader header;
  header.FMajor = Input.ReadCard8();
  header.FMinor = Input.ReadCard8();
  header.FHdrsize = Input.ReadCard8();
  header.FOffsize = Input.ReadOffSize();
  return header;
}

TvnCFFIndex TvnCFFHeaderAndIndexReader::ReadIndexData(TvnByteArrayReader& Input) {
  TvnCFFIndex index;
  const int count = Input.ReadCard16();
  if (count <= 0) return index;
  const int offsize = Input.ReadOffSize();
  if (offsize < 1 || offsize > 4) return index;
  // The offsets must all be there; a cut INDEX holds nothing.
  const int64_t offsets_end = Input.GetFilePointer() + (int64_t{count} + 1) * offsize;
  if (offsets_end > Input.ALength()) {
    Input.SetFilePointer(Input.ALength());
    return index;
  }
  index.Fcount = count;
  index.FOffsize = offsize;
  index.Foffset.resize(static_cast<size_t>(count) + 1);
  for (int64_t& offset : index.Foffset) offset = Input.ReadOffset(offsize);
  const int64_t length = index.Foffset.back() - index.Foffset.front();
  const int64_t data_start = Input.GetFilePointer();
  index.Fdata = Input.ReadBytes(length);
  Input.SetFilePointer(data_start + std::max<int64_t>(length, 0));
  return index;
}

TvnCFFData TvnCFFHeaderAndIndexReader::ReadDictData(TvnByteArrayReader& Input) {
  TvnCFFData dict;
  TvnCFFDictEntry entry;
  while (Input.HasRemaining() && ReadEntry(Input, entry)) {
    dict.FDictEntries.push_back(std::move(entry));
    entry = {};
  }
  return dict;
}

TvnCFFData TvnCFFHeaderAndIndexReader::ReadDictData(std::span<const uint8_t> bytes) {
  TvnByteArrayReader input(TvnByteArray(bytes.begin(), bytes.end()));
  return ReadDictData(input);
}

bool TvnCFFHeaderAndIndexReader::ReadEntry(TvnByteArrayReader& Input, TvnCFFDictEntry& entry) {
  for (;;) {
    const int b0 = Input.Read();
    if (b0 < 0) return false;
    if (b0 <= 21) {
      entry.FOperators = ReadOperator(Input, b0);
      return true;
    }
    double value = 0;
    if (b0 == 30)
      value = ReadRealNumber(Input, b0);
    else if (b0 == 28 || b0 == 29 || (b0 >= 32 && b0 <= 254))
      value = ReadIntegerNumber(Input, b0);
    // 22-27, 31 and 255 are reserved: an operand of value 0.
    if (entry.FOperands.size() < kMaxOperands) entry.FOperands.push_back(value);
  }
}

double TvnCFFHeaderAndIndexReader::ReadIntegerNumber(TvnByteArrayReader& Input, int b0) {
  if (b0 >= 32 && b0 <= 246) return b0 - 139;
  if (b0 >= 247 && b0 <= 250) return (b0 - 247) * 256 + Input.ReadByte() + 108;
  if (b0 >= 251 && b0 <= 254) return -(b0 - 251) * 256 - Input.ReadByte() - 108;
  if (b0 == 28) return Input.ReadShort();
  if (b0 == 29) return Input.ReadInt();
  return 0;
}

double TvnCFFHeaderAndIndexReader::ReadRealNumber(TvnByteArrayReader& Input, int) {
  static constexpr const char* kNibbles[] = {"0", "1", "2", "3", "4", "5", "6", "7",
                                             "8", "9", ".", "E", "E-", "",  "-", ""};
  std::string text;
  for (bool done = false; !done;) {
    const int b = Input.Read();
    if (b < 0) break;
    for (const int nibble : {b >> 4, b & 0x0F}) {
      if (nibble == 0x0F) {
        done = true;
        break;
      }
      if (text.size() < kMaxRealText) text += kNibbles[nibble];
    }
  }
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

const TvnCFFCommands* TvnCFFHeaderAndIndexReader::ReadOperator(TvnByteArrayReader& Input, int b0) {
  return TvnCFFCommands::GetOperator(ReadOperatorKey(Input, b0));
}

int32_t TvnCFFHeaderAndIndexReader::ReadOperatorKey(TvnByteArrayReader& Input, int b0) {
  if (b0 != 12) return b0;
  const int b1 = Input.Read();
  if (b1 < 0) return -1;
  return b1 < 10 ? 120 + b1 : 1200 + b1;
}

std::string_view TvnCFFStandardStrings::GetName(int32_t SID) {
  return SID >= 0 && SID < kCount ? cff::kStandardStrings[SID] : std::string_view();
}

bool CffSIDString(int32_t SID, const TvnCFFIndex& Strings, std::string& out) {
  if (SID < 0) return false;
  if (SID < TvnCFFStandardStrings::kCount) {
    out = TvnCFFStandardStrings::GetName(SID);
    return true;
  }
  const int32_t index = SID - TvnCFFStandardStrings::kCount;
  if (index >= Strings.Count()) return false;
  const auto bytes = Strings.Object(index);
  out.assign(bytes.begin(), bytes.end());
  return true;
}

void TvnCFFEncoding::Add(int32_t Acode, int32_t Asid) {
  FEncodingPairs.push_back({Acode, Asid});
  sid_of_code_[Acode] = Asid;
}

int32_t TvnCFFEncoding::GetSID(int32_t Acode) const {
  const auto it = sid_of_code_.find(Acode);
  return it != sid_of_code_.end() ? it->second : -1;
}

TvnCFFStandardEncoding::TvnCFFStandardEncoding() {
  for (int32_t code = 0; code < 256; ++code) Add(code, cff::kStandardEncodingSIDs[code]);
}

TvnCFFExpertEncoding::TvnCFFExpertEncoding() {
  for (int32_t code = 0; code < 256; ++code) Add(code, cff::kExpertEncodingSIDs[code]);
}

std::unique_ptr<TvnCFFEmbeddedEncoding> TvnCFFEmbeddedEncoding::Read(TvnByteArrayReader& Input,
                                                                     const std::vector<int32_t>& AGlyphSIDs) {
  const int format = Input.ReadCard8();
  std::unique_ptr<TvnCFFEmbeddedEncoding> encoding;
  size_t glyph = 0;  // glyph - 1 of the next code
  auto add = [&](TvnCFFEmbeddedEncoding& e, int32_t code) {
    if (glyph < AGlyphSIDs.size()) e.Add(code, AGlyphSIDs[glyph]);
    ++glyph;
  };
  switch (format < 0 ? -1 : format & 0x7F) {
    case 0: {
      auto e = std::make_unique<TvnCFFFormat0Encoding>();
      e->FFormat = format;
      e->FnCodes = std::max(Input.ReadCard8(), 0);
      for (int i = 0; i < e->FnCodes; ++i) {
        const int code = Input.ReadCard8();
        if (code < 0) break;
        e->FCode.push_back(code);
        add(*e, code);
      }
      encoding = std::move(e);
      break;
    }
    case 1: {
      auto e = std::make_unique<TvnCFFFormat1Encoding>();
      e->FFormat = format;
      e->FnRanges = std::max(Input.ReadCard8(), 0);
      for (int i = 0; i < e->FnRanges; ++i) {
        const int first = Input.ReadCard8(), left = Input.ReadCard8();
        if (first < 0 || left < 0) break;
        e->FRange.push_back({first, left});
        for (int k = 0; k <= left; ++k) add(*e, first + k);
      }
      encoding = std::move(e);
      break;
    }
    default:
      throw TvnKPNException("Unable to read font encoding");
  }
  if (format & 0x80) {
    encoding->FNSups = std::max(Input.ReadCard8(), 0);
    for (int i = 0; i < encoding->FNSups; ++i) {
      const int code = Input.ReadCard8(), sid = Input.ReadSID();
      if (code < 0 || sid < 0) break;
      encoding->FSupplement.push_back({code, sid});
      // A further code of a glyph: it never overrides a code the pairs give.
      if (encoding->sid_of_code_.count(code) == 0) encoding->sid_of_code_[code] = sid;
    }
  }
  return encoding;
}

void TvnCFFCharset::Add(int32_t Asid, std::string Aname) {
  pair_of_sid_[Asid] = FCharsetPairs.size();
  FCharsetPairs.push_back({Asid, std::move(Aname)});
}

std::string TvnCFFCharset::GetName(int32_t Asid) const {
  const auto it = pair_of_sid_.find(Asid);
  return it != pair_of_sid_.end() ? FCharsetPairs[it->second].FCharsetName : std::string();
}

int32_t TvnCFFCharset::GetGlyph(int32_t Asid) const {
  const auto it = pair_of_sid_.find(Asid);
  return it != pair_of_sid_.end() ? static_cast<int32_t>(it->second) + 1 : -1;
}

TvnCFFISOAdobeCharset::TvnCFFISOAdobeCharset() {
  for (int32_t sid = 1; sid <= 228; ++sid) Add(sid, std::string(TvnCFFStandardStrings::GetName(sid)));
}

TvnCFFExpertCharset::TvnCFFExpertCharset() {
  for (const uint16_t sid : cff::kExpertCharsetSIDs) Add(sid, std::string(TvnCFFStandardStrings::GetName(sid)));
}

TvnCFFExpertSubsetCharset::TvnCFFExpertSubsetCharset() {
  for (const uint16_t sid : cff::kExpertSubsetCharsetSIDs)
    Add(sid, std::string(TvnCFFStandardStrings::GetName(sid)));
}

std::unique_ptr<TvnCFFEmbeddedCharset> TvnCFFEmbeddedCharset::Read(TvnByteArrayReader& Input, int32_t ANumGlyphs,
                                                                   const TvnCFFIndex& AStrings) {
  const int format = Input.ReadCard8();
  const int64_t wanted = std::max(ANumGlyphs - 1, 0);
  std::string name;
  if (format == 0) {
    auto charset = std::make_unique<TvnCFFFormat0Charset>();
    for (int64_t g = 0; g < wanted; ++g) {
      const int sid = Input.ReadSID();
      if (sid < 0) break;
      charset->FGlyph.push_back(sid);
      charset->Add(sid, CffSIDString(sid, AStrings, name) ? name : FallbackGlyphName(sid));
    }
    return charset;
  }
  if (format != 1 && format != 2) return std::make_unique<TvnCFFFormat0Charset>();

  auto read_ranges = [&](auto& charset) {
    int64_t covered = 0;
    while (covered < wanted) {
      const int first = Input.ReadSID();
      const int left = format == 1 ? Input.ReadCard8() : Input.ReadCard16();
      if (first < 0 || left < 0) break;
      charset.FRange.push_back({first, left});
      const int64_t before = covered;
      for (int k = 0; k <= left && covered < wanted; ++k, ++covered) {
        const int32_t sid = first + k;
        charset.Add(sid, CffSIDString(sid, AStrings, name) ? name : FallbackGlyphName(before, k));
      }
    }
  };
  if (format == 1) {
    auto charset = std::make_unique<TvnCFFFormat1Charset>();
    read_ranges(*charset);
    return charset;
  }
  auto charset = std::make_unique<TvnCFFFormat2Charset>();
  read_ranges(*charset);
  return charset;
}

}  // namespace vn::fonts
