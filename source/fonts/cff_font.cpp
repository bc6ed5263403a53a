#include "fonts/cff_font.h"

#include <algorithm>
#include <cmath>

#include "runtime/exceptions.h"
#include "runtime/numbers.h"

namespace vn::fonts {
namespace {

// Fonts of a set after this many are not read; a set embedded in a
// document holds one.
constexpr int32_t kMaxFontsInSet = 16;
// FDSelect picks Font DICTs by a byte.
constexpr int32_t kMaxFontDicts = 256;

// A number as the DICT dictionaries keep it: rounded to four decimals.
std::string CffNumberText(double v) { return FloatToStrA(static_cast<double>(Round(v * 10000)) / 10000); }

// The matrix of six operands, when they map glyph space (finite and
// invertible).
bool CffMatrixOf(const TvnCFFDictEntry* entry, TvnFontMatrix& m) {
  if (!entry || entry->FOperands.size() < 6) return false;
  TvnFontMatrix candidate;
  std::copy_n(entry->FOperands.begin(), 6, candidate.begin());
  for (double v : candidate)
    if (!std::isfinite(v)) return false;
  const double det = candidate[0] * candidate[3] - candidate[1] * candidate[2];
  if (det == 0 || !std::isfinite(det)) return false;
  m = candidate;
  return true;
}

// `first` applied, then `then`.
TvnFontMatrix ConcatMatrices(const TvnFontMatrix& first, const TvnFontMatrix& then) {
  const auto& a = first;
  const auto& b = then;
  return {a[0] * b[0] + a[1] * b[2],        a[0] * b[1] + a[1] * b[3],
          a[2] * b[0] + a[3] * b[2],        a[2] * b[1] + a[3] * b[3],
          a[4] * b[0] + a[5] * b[2] + b[4], a[4] * b[1] + a[5] * b[3] + b[5]};
}

// An offset operand as a position in the data; -1 when it lies outside.
int64_t CffOffsetPosition(double offset, int64_t base, int64_t length) {
  if (!(offset >= 0) || offset >= static_cast<double>(length)) return -1;
  const int64_t p = base + static_cast<int64_t>(offset);
  return p < length ? p : -1;
}

// A SID operand; -1 for a value no SID has.
int32_t CffSIDOperand(double v) { return v >= 0 && v <= 65535 ? static_cast<int32_t>(v) : -1; }

bool LineHas(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

// ---- TvnCFFDataLayout ----

void TvnCFFDataLayout::Store(TvnCFFValueDict& dict, const std::string& key, TvnCFFDictValue value) {
  const bool empty = std::visit(
      [](const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, bool>)
          return !v;
        else
          return v.empty();
      },
      value);
  if (!empty) dict.emplace(key, std::move(value));
}

std::string TvnCFFDataLayout::Text(const TvnCFFValueDict& dict, std::string_view key) {
  const auto it = dict.find(key);
  if (it == dict.end()) return {};
  const auto* text = std::get_if<std::string>(&it->second);
  return text ? *text : std::string();
}

double TvnCFFDataLayout::Number(const TvnCFFValueDict& dict, std::string_view key) {
  return TryStrToFloat(std::string_view(Text(dict, key))).value_or(0);
}

std::vector<double> TvnCFFDataLayout::List(const TvnCFFValueDict& dict, std::string_view key) {
  const auto it = dict.find(key);
  if (it == dict.end()) return {};
  const auto* list = std::get_if<std::vector<double>>(&it->second);
  return list ? *list : std::vector<double>();
}

bool TvnCFFDataLayout::Flag(const TvnCFFValueDict& dict, std::string_view key) {
  const auto it = dict.find(key);
  return it != dict.end() && std::holds_alternative<bool>(it->second) && std::get<bool>(it->second);
}

const TvnSubrList& TvnCFFDataLayout::GetLocalSubrs() const {
  static const TvnSubrList kNone;
  return FFontDicts.empty() ? kNone : FFontDicts.front().FLocalSubrs;
}

int32_t TvnCFFDataLayout::NumGlyphs() const {
  return FIsCID ? FCharStrings.Count() : static_cast<int32_t>(FCharStringDict.size());
}

std::unique_ptr<TvnRecList> TvnCFFDataLayout::Run(std::span<const uint8_t> program, const TvnCFFFontDict& fd,
                                                  float pixel_size) const {
  std::vector<float> coords;
  std::vector<TvnStepKind> commands;
  TvnType1Glyphs interpreter;
  // Accented glyphs (endchar with four operands) name their parts by the
  // standard encoding, which only plain fonts have.
  interpreter.SetSources(FIsCID ? nullptr : &FCharStringDict, &fd.FLocalSubrs, FGlobalSubrs.get(), true, 0);
  interpreter.RunCharString(program, coords, commands);
  return interpreter.GetGraphicsPath({}, pixel_size, coords, commands, fd.FFontMatrix);
}

std::unique_ptr<TvnRecList> TvnCFFDataLayout::OutlineForGlyph(int32_t glyph, float pixel_size) const {
  if (FFontDicts.empty()) return nullptr;
  const size_t fd =
      glyph >= 0 && static_cast<size_t>(glyph) < FFDSelect.size() ? FFDSelect[static_cast<size_t>(glyph)] : 0;
  return Run(FCharStrings.Object(glyph), FFontDicts[fd < FFontDicts.size() ? fd : 0], pixel_size);
}

int32_t TvnCFFDataLayout::CIDGlyphForName(std::string_view name) const {
  if (!CFFCharset) return -1;
  const auto& pairs = CFFCharset->GetSIDNamePairs();
  for (size_t i = 0; i < pairs.size(); ++i)
    if (pairs[i].FCharsetName == name) return static_cast<int32_t>(i) + 1;
  return name == ".notdef" ? 0 : -1;
}

std::unique_ptr<TvnRecList> TvnCFFDataLayout::OutlineForName(std::string_view AGlyphName, float APixelSize) const {
  if (FIsCID) {
    const int32_t glyph = CIDGlyphForName(AGlyphName);
    return glyph >= 0 ? OutlineForGlyph(glyph, APixelSize) : std::make_unique<TvnRecList>();
  }
  if (FFontDicts.empty()) return nullptr;
  const TvnBytes* program = FCharStringDict.Find(std::string(AGlyphName));
  return Run(program ? std::span<const uint8_t>(program->FArray) : std::span<const uint8_t>(), FFontDicts.front(),
             APixelSize);
}

std::unique_ptr<TvnRecList> TvnCFFDataLayout::OutlineForCode(int32_t ACharCode, float APixelSize) const {
  if (!HasCode(ACharCode)) return nullptr;
  return OutlineForName(CFFCharset->GetName(CFFEncoding->GetSID(ACharCode)), APixelSize);
}

bool TvnCFFDataLayout::HasCode(int32_t ACharCode) const {
  if (!CFFEncoding || !CFFCharset) return false;
  const int32_t sid = CFFEncoding->GetSID(ACharCode);
  if (sid < 0) return false;
  const std::string name = CFFCharset->GetName(sid);
  return !name.empty() && (FIsCID || FCharStringDict.Contains(name));
}

std::unique_ptr<TvnRecList> TvnCFFDataLayout::OutlineForID(int32_t AGlyphId, float APixelSize) const {
  if (!CFFCharset) return nullptr;
  if (FIsCID) {
    // The CID picks the glyph itself: glyph names in a CID-keyed font are
    // made up and may repeat.
    const int32_t glyph = CFFCharset->GetGlyph(AGlyphId);
    return glyph > 0 ? OutlineForGlyph(glyph, APixelSize) : nullptr;
  }
  const std::string name = CFFCharset->GetName(AGlyphId);
  return name.empty() ? nullptr : OutlineForName(name, APixelSize);
}

// ---- CffFontSet ----

std::unique_ptr<TvnRecList> CffFontSet::GetOutlineForGlyphName(std::string_view AGlyphName, float AFontsize,
                                                               int Adpi, EncodingType) {
  const float pixel_size = static_cast<float>(Adpi) / 72.0f * AFontsize;
  return First() ? First()->OutlineForName(AGlyphName, pixel_size) : nullptr;
}

std::unique_ptr<TvnRecList> CffFontSet::GetOutlineForCharCode(int32_t ACharCode, float AFontsize, int Adpi,
                                                              EncodingType) {
  const float pixel_size = static_cast<float>(Adpi) / 72.0f * AFontsize;
  return First() ? First()->OutlineForCode(ACharCode, pixel_size) : nullptr;
}

std::unique_ptr<TvnRecList> CffFontSet::GetOutlineForGlyphID(int32_t AGlyphId, float AFontsize, int Adpi,
                                                             EncodingType) {
  const float pixel_size = static_cast<float>(Adpi) / 72.0f * AFontsize;
  return First() ? First()->OutlineForID(AGlyphId, pixel_size) : nullptr;
}

bool CffFontSet::IsCharCodeAvailable(int32_t ACharCode, EncodingType) {
  return First() && First()->HasCode(ACharCode);
}

int32_t CffFontSet::Ascender() const {
  const auto box = FontBBox();
  return box.size() > 3 ? RoundToInt(box[3]) : 0;
}

int32_t CffFontSet::Descender() const {
  const auto box = FontBBox();
  return box.size() > 1 ? RoundToInt(box[1]) : 0;
}

std::array<int32_t, 4> CffFontSet::Bbox() const {
  const auto box = FontBBox();
  std::array<int32_t, 4> out{};
  for (size_t i = 0; i < std::min<size_t>(box.size(), 4); ++i) out[i] = static_cast<int32_t>(Trunc(box[i]));
  return out;
}

int64_t CffFontSet::CffDataStart(TvnByteArrayReader& Input) {
  Input.SetFilePointer(0);
  if (!LineHas(Input.ReadLine(), "%!PS-Adobe-3.0 Resource-FontSet")) return 0;
  // The CFF data follows "StartData" and one white-space byte (or a line
  // end), on the line of "/<name> <length> StartData".
  while (Input.HasRemaining()) {
    const int64_t line_start = Input.GetFilePointer();
    const std::string line = Input.ReadLine();
    const size_t at = line.find("StartData");
    if (at == std::string::npos || line.rfind('/', at) == std::string::npos) continue;
    const size_t after = at + 9;
    if (after >= line.size()) return Input.GetFilePointer();  // at the line end
    const char c = line[after];
    return line_start + static_cast<int64_t>(after) + (c == ' ' || c == '\t' ? 1 : 0);
  }
  return -1;
}

bool CffFontSet::HeaderAccepted(TvnByteArrayReader& Input, int64_t start) {
  if (start < 0) return false;
  Input.SetFilePointer(start);
  const TvnCFFHeader header = TvnCFFHeaderAndIndexReader::ReadHeader(Input);
  return header.FMajor == 1 && header.FHdrsize >= 4 && header.FOffsize >= 0 && header.FOffsize <= 4;
}

bool CffFontSet::Check(TStream& AStream) {
  FListCFFDataLayout.clear();
  // The stream's bytes from its current position (the engine hands it over
  // at 0); the stream goes back to 0 whatever the outcome.
  const int64_t size = AStream.Size() - AStream.Position();
  bool accepted = false;
  if (size > 0 && size <= kMaxProgramBytes) {
    TvnByteArray data(static_cast<size_t>(size));
    data.resize(static_cast<size_t>(std::max<int64_t>(AStream.Read(data.data(), size), 0)));
    try {
      TvnByteArrayReader input(std::move(data));
      accepted = CheckData(input);
    } catch (...) {
      AStream.Seek(0, SeekOrigin::soBeginning);
      throw;
    }
  }
  AStream.Seek(0, SeekOrigin::soBeginning);
  return accepted;
}

// ---- TvnType1CFFHandler ----

bool TvnType1CFFHandler::Check(TvnByteArrayReader& Input) {
  FListCFFDataLayout.clear();
  const int64_t start = CffDataStart(Input);
  if (!HeaderAccepted(Input, start)) return false;
  FTypeOfFont1 = FontType::CFF;
  FListCFFDataLayout = ReadCFFData(Input, start);
  return !FListCFFDataLayout.empty();
}

std::vector<std::unique_ptr<TvnCFFDataLayout>> TvnType1CFFHandler::ReadCFFData(TvnByteArrayReader& Input,
                                                                               int64_t APointerAfterDSC) {
  FInput = &Input;
  FPointerAfterDSC = APointerAfterDSC;
  // Programs and subroutines are copied out of the data; valid data copies
  // each byte once at most, so more than its size in copies is damage.
  FCopyBudget = Input.ALength();
  using Reader = TvnCFFHeaderAndIndexReader;
  Input.SetFilePointer(FPointerAfterDSC);
  FHeader = Reader::ReadHeader(Input);
  // The Name INDEX begins where the header says it ends.
  Input.SetFilePointer(FPointerAfterDSC + FHeader.FHdrsize);
  FNameIndex = std::make_shared<const TvnCFFIndex>(Reader::ReadIndexData(Input));
  FTopDictIndex = std::make_shared<const TvnCFFIndex>(Reader::ReadIndexData(Input));
  FStringIndex = std::make_shared<const TvnCFFIndex>(Reader::ReadIndexData(Input));
  FGlobalsubrIndex = std::make_shared<const TvnSubrList>(SubrList(Reader::ReadIndexData(Input)));

  std::vector<std::unique_ptr<TvnCFFDataLayout>> layouts;
  for (int32_t i = 0; i < std::min(FNameIndex->Count(), kMaxFontsInSet); ++i) {
    if (auto layout = ParseFont(i)) {
      layout->FGlobalSubrs = FGlobalsubrIndex;
      layouts.push_back(std::move(layout));
    }
  }
  FInput = nullptr;
  return layouts;
}

TvnByteArray TvnType1CFFHandler::Copy(std::span<const uint8_t> bytes) {
  if (static_cast<int64_t>(bytes.size()) > FCopyBudget) return {};
  FCopyBudget -= static_cast<int64_t>(bytes.size());
  return TvnByteArray(bytes.begin(), bytes.end());
}

TvnSubrList TvnType1CFFHandler::SubrList(const TvnCFFIndex& index) {
  TvnSubrList subrs(static_cast<size_t>(index.Count()));
  for (int32_t i = 0; i < index.Count(); ++i) subrs[static_cast<size_t>(i)] = Copy(index.Object(i));
  return subrs;
}

TvnCFFIndex TvnType1CFFHandler::IndexAt(double offset) {
  TvnCFFIndex index;
  const int64_t at = CffOffsetPosition(offset, FPointerAfterDSC, FInput->ALength());
  if (at < 0) return index;
  FInput->SetFilePointer(at);
  return TvnCFFHeaderAndIndexReader::ReadIndexData(*FInput);
}

std::unique_ptr<TvnCFFDataLayout> TvnType1CFFHandler::ParseFont(int32_t Index) {
  if (!FInput || !FTopDictIndex) return nullptr;
  using Reader = TvnCFFHeaderAndIndexReader;
  const TvnCFFData top = Reader::ReadDictData(FTopDictIndex->Object(Index));
  const TvnCFFDictEntry* charstrings_entry = top.GetEntry("Charstrings");
  if (!charstrings_entry) return nullptr;
  TvnCFFIndex charstrings = IndexAt(charstrings_entry->Operand(0));
  if (charstrings.Count() == 0) return nullptr;

  auto layout = std::make_unique<TvnCFFDataLayout>();
  const auto name = FNameIndex->Object(Index);
  layout->FontName.assign(name.begin(), name.end());
  layout->head = FHeader;
  layout->nameIndex = FNameIndex;
  layout->topDictIndex = FTopDictIndex;
  layout->StringIndex = FStringIndex;
  layout->FIsCID = top.GetEntry("ROS") != nullptr;

  // Top DICT values, with their defaults.
  std::string text;
  for (const char* key : {"version", "Notice", "Copyright", "FullName", "FamilyName", "Weight"}) {
    const TvnCFFDictEntry* e = top.GetEntry(key);
    if (e && !e->FOperands.empty() && CffSIDString(CffSIDOperand(e->Operand(0)), *FStringIndex, text))
      layout->AddValueToTopDict(key, text);
  }
  const TvnCFFDictEntry* fixed = top.GetEntry("isFixedPitch");
  layout->AddValueToTopDict("isFixedPitch", fixed && fixed->Operand(0) != 0);
  auto number = [&](const char* key, const char* op, double fallback) {
    const TvnCFFDictEntry* e = top.GetEntry(op);
    layout->AddValueToTopDict(key, CffNumberText(e && !e->FOperands.empty() ? e->Operand(0) : fallback));
  };
  auto list = [&](const char* key, std::vector<double> fallback) {
    const TvnCFFDictEntry* e = top.GetEntry(key);
    layout->AddValueToTopDict(key, e ? e->FOperands : std::move(fallback));
  };
  number("ItalicAngle", "ItalicAngle", 0);
  number("UnderLinePosition", "UnderlinePosition", -100);
  number("UnderLineThickness", "UnderlineThickness", 50);
  number("PaintType", "PaintType", 0);
  number("CharstringType", "CharstringType", 2);
  list("FontMatrix", std::vector<double>(kDefaultFontMatrix.begin(), kDefaultFontMatrix.end()));
  number("UniqueID", "UniqueID", 0);
  list("FontBBox", {0, 0, 0, 0});
  number("StrokeWidth", "StrokeWidth", 0);
  list("XUID", {});

  // The charset: glyph n is described by pair n - 1.
  const int32_t glyphs = charstrings.Count();
  const double charset = top.GetEntry("charset") ? top.GetEntry("charset")->Operand(0) : 0;
  if (charset == 0) {
    layout->CFFCharset = std::make_unique<TvnCFFISOAdobeCharset>();
  } else if (charset == 1) {
    layout->CFFCharset = std::make_unique<TvnCFFExpertCharset>();
  } else if (charset == 2) {
    layout->CFFCharset = std::make_unique<TvnCFFExpertSubsetCharset>();
  } else {
    const int64_t at = CffOffsetPosition(charset, FPointerAfterDSC, FInput->ALength());
    if (at >= 0) {
      FInput->SetFilePointer(at);
      layout->CFFCharset = TvnCFFEmbeddedCharset::Read(*FInput, glyphs, *FStringIndex);
    } else {
      layout->CFFCharset = std::make_unique<TvnCFFFormat0Charset>();
    }
  }
  const auto& pairs = layout->CFFCharset->GetSIDNamePairs();
  if (pairs.size() < static_cast<size_t>(glyphs - 1))
    throw EListError("List index out of bounds (" + std::to_string(pairs.size()) + ")");

  std::vector<int32_t> glyph_sids(static_cast<size_t>(glyphs - 1));
  for (size_t g = 1; g < static_cast<size_t>(glyphs); ++g) glyph_sids[g - 1] = pairs[g - 1].FCharsetSID;
  if (!layout->FIsCID) {
    layout->FCharStringDict.Insert(".notdef", TvnBytes(Copy(charstrings.Object(0))));
    for (int32_t g = 1; g < glyphs; ++g) {
      const std::string& glyph_name = pairs[static_cast<size_t>(g - 1)].FCharsetName;
      if (!layout->FCharStringDict.Contains(glyph_name))
        layout->FCharStringDict.Insert(glyph_name, TvnBytes(Copy(charstrings.Object(g))));
    }
  }

  const double encoding = top.GetEntry("Encoding") ? top.GetEntry("Encoding")->Operand(0) : 0;
  if (encoding == 0) {
    layout->CFFEncoding = std::make_unique<TvnCFFStandardEncoding>();
  } else if (encoding == 1) {
    layout->CFFEncoding = std::make_unique<TvnCFFExpertEncoding>();
  } else {
    const int64_t at = CffOffsetPosition(encoding, FPointerAfterDSC, FInput->ALength());
    if (at >= 0) {
      FInput->SetFilePointer(at);
      layout->CFFEncoding = TvnCFFEmbeddedEncoding::Read(*FInput, glyph_sids);
    } else {
      layout->CFFEncoding = std::make_unique<TvnCFFEncoding>();
    }
  }

  TvnFontMatrix top_matrix = kDefaultFontMatrix;
  const bool explicit_matrix = CffMatrixOf(top.GetEntry("FontMatrix"), top_matrix);
  if (layout->FIsCID) {
    // The programs stay in their INDEX, which counts against the budget.
    const auto held = static_cast<int64_t>(charstrings.Fdata.size());
    if (held > FCopyBudget) return nullptr;
    FCopyBudget -= held;
    layout->FCharStrings = std::move(charstrings);
    ReadCIDTables(*layout, top, explicit_matrix ? &top_matrix : nullptr);
  } else {
    TvnCFFFontDict fd;
    fd.FFontMatrix = top_matrix;
    ReadPrivateDict(*layout, top.GetEntry("Private"), fd, true);
    layout->FFontDicts.push_back(std::move(fd));
  }
  return layout;
}

void TvnType1CFFHandler::ReadPrivateDict(TvnCFFDataLayout& layout, const TvnCFFDictEntry* private_entry,
                                         TvnCFFFontDict& fd, bool store_values) {
  TvnCFFData dict;
  int64_t at = -1;
  if (private_entry && private_entry->FOperands.size() >= 2) {
    at = CffOffsetPosition(private_entry->Operand(1), FPointerAfterDSC, FInput->ALength());
    const double size = private_entry->Operand(0);
    if (at >= 0 && size > 0) {
      FInput->SetFilePointer(at);
      const TvnByteArray bytes = FInput->ReadBytes(static_cast<int64_t>(std::min(size, 1e12)));
      dict = TvnCFFHeaderAndIndexReader::ReadDictData(bytes);
    }
  }
  if (store_values) {
    for (const char* key : {"BlueValues", "OtherBlues", "FamilyBlues", "FamilyOtherBlues", "StemSnapH", "StemSnapV"})
      if (const TvnCFFDictEntry* e = dict.GetEntry(key)) layout.AddValueToPrivateDict(key, e->FOperands);
    auto number = [&](const char* key, double fallback) {
      const TvnCFFDictEntry* e = dict.GetEntry(key);
      layout.AddValueToPrivateDict(key, CffNumberText(e && !e->FOperands.empty() ? e->Operand(0) : fallback));
    };
    number("BlueScale", 0.039625);
    number("BlueShift", 7);
    number("BlueFuzz", 1);
    number("StdHW", 0);
    number("StdVW", 0);
    const TvnCFFDictEntry* bold = dict.GetEntry("ForceBold");
    layout.AddValueToPrivateDict("ForceBold", bold && bold->Operand(0) != 0);
    number("LanguageGroup", 0);
    number("ExpansionFactor", 0.06);
    number("initialRandomSeed", 0);
    number("defaultWidthX", 0);
    number("nominalWidthX", 0);
  }
  // Local subroutines: an offset from the Private DICT's start.
  const TvnCFFDictEntry* subrs = dict.GetEntry("Subrs");
  if (at >= 0 && subrs && subrs->Operand(0) != 0)
    fd.FLocalSubrs = SubrList(IndexAt(static_cast<double>(at - FPointerAfterDSC) + subrs->Operand(0)));
}

void TvnType1CFFHandler::ReadCIDTables(TvnCFFDataLayout& layout, const TvnCFFData& top,
                                       const TvnFontMatrix* top_matrix) {
  const TvnCFFDictEntry* fd_array = top.GetEntry("FDArray");
  const TvnCFFIndex fonts = fd_array ? IndexAt(fd_array->Operand(0)) : TvnCFFIndex();
  for (int32_t i = 0; i < std::min(fonts.Count(), kMaxFontDicts); ++i) {
    const TvnCFFData font = TvnCFFHeaderAndIndexReader::ReadDictData(fonts.Object(i));
    TvnCFFFontDict fd;
    // A Font DICT's own matrix comes before the Top DICT's.
    TvnFontMatrix own;
    if (CffMatrixOf(font.GetEntry("FontMatrix"), own))
      fd.FFontMatrix = top_matrix ? ConcatMatrices(own, *top_matrix) : own;
    else if (top_matrix)
      fd.FFontMatrix = *top_matrix;
    ReadPrivateDict(layout, font.GetEntry("Private"), fd, false);
    layout.FFontDicts.push_back(std::move(fd));
  }
  if (layout.FFontDicts.empty()) {
    TvnCFFFontDict fd;
    if (top_matrix) fd.FFontMatrix = *top_matrix;
    layout.FFontDicts.push_back(std::move(fd));
  }

  const int32_t glyphs = layout.FCharStrings.Count();
  layout.FFDSelect.assign(static_cast<size_t>(glyphs), 0);
  const TvnCFFDictEntry* select = top.GetEntry("FDSelect");
  const int64_t at = select ? CffOffsetPosition(select->Operand(0), FPointerAfterDSC, FInput->ALength()) : -1;
  if (at < 0) return;
  FInput->SetFilePointer(at);
  const int format = FInput->ReadCard8();
  if (format == 0) {
    for (uint8_t& fd : layout.FFDSelect) {
      const int v = FInput->ReadCard8();
      if (v < 0) break;
      fd = static_cast<uint8_t>(v);
    }
  } else if (format == 3) {
    const int ranges = FInput->ReadCard16();
    int first = FInput->ReadCard16();
    for (int r = 0; r < ranges && first >= 0; ++r) {
      const int fd = FInput->ReadCard8();
      const int next = FInput->ReadCard16();
      if (fd < 0 || next <= first) break;  // ranges go up; anything else is damage
      for (int g = first; g < std::min(next, glyphs); ++g)
        layout.FFDSelect[static_cast<size_t>(g)] = static_cast<uint8_t>(fd);
      first = next;
    }
  }
}

}  // namespace vn::fonts
