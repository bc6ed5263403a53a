#include "doc/list_numbering.h"

#include <algorithm>

#include "framework/document_routines.h"

namespace vn::doc {

namespace {

constexpr int64_t kLstfSize = 28, kLfoSize = 16, kLvlfSize = 28;
constexpr int32_t kMaxListOverride = 2046;

void ReportListDamage(Diagnostics* d, int64_t offset, std::string message) {
  if (d) d->Report({.offset = static_cast<uint64_t>(std::max<int64_t>(offset, 0)), .message = std::move(message)});
}

int32_t Signed32(uint64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

}  // namespace

std::optional<String> FormatListNumber(int32_t AValue, int32_t AFormat) {
  switch (AFormat) {
    case 0: return IntToStr(AValue);
    case 1: return vn::framework::NumberToRoman(AValue, true);
    case 2: return vn::framework::NumberToRoman(AValue, false);
    case 3: return vn::framework::NumberToLetters(AValue - 1, true);
    case 4: return vn::framework::NumberToLetters(AValue - 1, false);
    case 6: return vn::framework::NumberToCardinalText(AValue);
    default: return std::nullopt;
  }
}

TvnLVL TvnDocListNumbering::ReadListLevel(TvnBinaryReader& r, int64_t AEnd, TvnDOCHelperFunctions& AHelpers) {
  TvnLVL lvl;
  lvl.FiStartAt = Signed32(r.GetDecimalValue(4));
  lvl.FNfc = static_cast<uint8_t>(r.GetDecimalValue(1));
  lvl.FJc = static_cast<uint8_t>(r.GetDecimalValue(1) & 0x03);
  for (auto& b : lvl.FRgbxchNums) b = static_cast<uint8_t>(r.GetDecimalValue(1));
  lvl.FIxchFollow = static_cast<uint8_t>(r.GetDecimalValue(1));
  lvl.FDxaIndentSav = Signed32(r.GetDecimalValue(4));
  r.Seek(TvnSeekOrigin::soCurrent, 4);
  lvl.FCbGrpprlChpx = static_cast<uint8_t>(r.GetDecimalValue(1));
  lvl.FCbGrpprlPapx = static_cast<uint8_t>(r.GetDecimalValue(1));
  lvl.FIlvlRestartLim = static_cast<uint8_t>(r.GetDecimalValue(1));
  lvl.FGrfhic = static_cast<uint8_t>(r.GetDecimalValue(1));
  const auto bounded = [&](int64_t length) { return std::clamp<int64_t>(AEnd - r.Position(), 0, length); };
  int64_t at = r.Position();
  lvl.FparagraphProperties = std::make_shared<vn::wordmodel::TvnParagraphProperties>();
  const TvnPRLList papx = GetPRLs(r, bounded(lvl.FCbGrpprlPapx));
  AHelpers.ParseParagraphProperties(*lvl.FparagraphProperties, &papx, r);
  r.Seek(TvnSeekOrigin::soBegin, at += lvl.FCbGrpprlPapx);
  lvl.FRunProperties = std::make_shared<vn::wordmodel::TvnRunProperties>();
  const TvnPRLList chpx = GetPRLs(r, bounded(lvl.FCbGrpprlChpx));
  AHelpers.ParseTextRunProperties(*lvl.FRunProperties, &chpx, r);
  r.Seek(TvnSeekOrigin::soBegin, at + lvl.FCbGrpprlChpx);
  lvl.FCch = static_cast<uint16_t>(r.GetDecimalValue(2));
  const int64_t chars = std::min<int64_t>(lvl.FCch, std::max<int64_t>(AEnd - r.Position(), 0) / 2);
  for (int64_t i = 0; i < chars; ++i) lvl.FRgtchar.push_back(static_cast<char16_t>(r.GetDecimalValue(2)));
  return lvl;
}

TvnDocListNumbering::TvnDocListNumbering(std::span<const uint8_t> ATableStream, const TvnFIBBase& AFIB,
                                         TvnDOCHelperFunctions& AHelpers, Diagnostics* ADiagnostics) {
  TvnBinaryReader r(ATableStream);
  const int64_t size = r.Length();
  if (AFIB.FlcbPlfLst != 0) {
    const int64_t start = AFIB.FfcPlfLst;
    r.Seek(TvnSeekOrigin::soBegin, start);
    FPlfLst.FcLst = static_cast<uint16_t>(r.GetDecimalValue(2));
    // The definitions end at their own bound; the levels follow them up to
    // the overrides when those come after, else up to the stream's end.
    const int64_t lstf_end = std::min<int64_t>(start + AFIB.FlcbPlfLst, size);
    const int64_t count = std::min<int64_t>(FPlfLst.FcLst, std::max<int64_t>(lstf_end - start - 2, 0) / kLstfSize);
    if (count < FPlfLst.FcLst) ReportListDamage(ADiagnostics, start, "the list definitions run past their bounds");
    int64_t levels = 0;
    for (int64_t i = 0; i < count; ++i) {
      TvnLSTF l;
      l.FLsid = static_cast<uint32_t>(r.GetDecimalValue(4));
      l.FTplc = static_cast<uint32_t>(r.GetDecimalValue(4));
      for (auto& s : l.FRgistdPara) s = static_cast<uint16_t>(r.GetDecimalValue(2));
      const auto flags = r.GetDecimalValue(1);
      l.FFsimpleList = (flags & 0x01) != 0;
      l.FFHybrid = (flags & 0x10) != 0;
      l.FGrfhic = static_cast<uint8_t>(r.GetDecimalValue(1));
      levels += l.FFsimpleList ? 1 : 9;
      FPlfLst.FRdLstf.push_back(l);
    }
    const int64_t lvl_end =
        AFIB.FfcPlfLfo > static_cast<uint64_t>(r.Position()) ? std::min<int64_t>(AFIB.FfcPlfLfo, size) : size;
    // Every level takes at least its fixed part and its text length.
    for (int64_t i = 0; i < levels && r.Position() + kLvlfSize + 2 <= lvl_end; ++i)
      FPlfLst.FTrailingLvl.push_back(ReadListLevel(r, lvl_end, AHelpers));
    if (static_cast<int64_t>(FPlfLst.FTrailingLvl.size()) < levels)
      ReportListDamage(ADiagnostics, r.Position(), "the list levels run past their bounds");
  }
  if (AFIB.FlcbPlfLfo != 0) {
    const int64_t start = AFIB.FfcPlfLfo;
    r.Seek(TvnSeekOrigin::soBegin, start);
    FPlfLfo.FLfomac = static_cast<uint32_t>(r.GetDecimalValue(4));
    const int64_t end = size;
    const int64_t count = std::min<int64_t>(FPlfLfo.FLfomac, std::max<int64_t>(std::min<int64_t>(start + AFIB.FlcbPlfLfo, end) - start - 4, 0) / kLfoSize);
    if (count < FPlfLfo.FLfomac) ReportListDamage(ADiagnostics, start, "the list overrides run past their bounds");
    for (int64_t i = 0; i < count; ++i) {
      TvnLFO l;
      l.FLsid = static_cast<uint32_t>(r.GetDecimalValue(4));
      r.Seek(TvnSeekOrigin::soCurrent, 8);
      l.FClfolvl = static_cast<uint8_t>(r.GetDecimalValue(1));
      l.FIbstFltAutoNum = static_cast<uint8_t>(r.GetDecimalValue(1));
      l.FGrfhic = static_cast<uint8_t>(r.GetDecimalValue(1));
      r.Seek(TvnSeekOrigin::soCurrent, 1);
      FPlfLfo.FRgLfo.push_back(l);
    }
    // The override data follow the overrides, each a position and its
    // level overrides; whatever lies past the stream's end is left out.
    for (const TvnLFO& l : FPlfLfo.FRgLfo) {
      TvnLFOData data;
      if (r.Position() + 4 <= end) {
        data.FCP = static_cast<uint32_t>(r.GetDecimalValue(4));
        for (int32_t j = 0; j < l.FClfolvl && r.Position() + 8 <= end; ++j) {
          TvnLFOLVL o;
          o.FiStartAt = Signed32(r.GetDecimalValue(4));
          const auto flags = r.GetDecimalValue(1);
          o.FiLvl = static_cast<uint8_t>(flags & 0x0F);
          o.FFStartAt = (flags & 0x10) != 0;
          o.FFFormatting = (flags & 0x20) != 0;
          r.Seek(TvnSeekOrigin::soCurrent, 3);
          if (o.FFFormatting && r.Position() + kLvlfSize + 2 <= end) o.FLvl = ReadListLevel(r, end, AHelpers);
          data.FRgLfoLvl.push_back(std::move(o));
        }
      }
      FPlfLfo.FRgLfoData.push_back(std::move(data));
    }
  }
}

const TvnLVL* TvnDocListNumbering::Level(int32_t AIlfo, int32_t AIlvl) const {
  if (AIlfo < 1 || AIlfo > kMaxListOverride || AIlfo > static_cast<int32_t>(FPlfLfo.FRgLfo.size())) return nullptr;
  if (AIlvl < 0 || AIlvl > 8) return nullptr;
  const auto index = static_cast<size_t>(AIlfo - 1);
  for (const TvnLFOLVL& o : FPlfLfo.FRgLfoData[index].FRgLfoLvl)
    if (o.FiLvl == AIlvl && o.FFFormatting && o.FLvl) return &*o.FLvl;
  const uint32_t lsid = FPlfLfo.FRgLfo[index].FLsid;
  size_t first = 0;
  for (const TvnLSTF& l : FPlfLst.FRdLstf) {
    if (l.FLsid == lsid) {
      // A one-level list has only its level 0.
      if (l.FFsimpleList && AIlvl > 0) return nullptr;
      const size_t at = first + static_cast<size_t>(AIlvl);
      return at < FPlfLst.FTrailingLvl.size() ? &FPlfLst.FTrailingLvl[at] : nullptr;
    }
    first += l.FFsimpleList ? 1 : 9;
  }
  return nullptr;
}

std::optional<String> TvnDocListNumbering::NextLabel(int32_t AIlfo, int32_t AIlvl) {
  const TvnLVL* lvl = Level(AIlfo, AIlvl);
  if (!lvl) return std::nullopt;
  if (lvl->FNfc == kBulletFormat) return lvl->FRgtchar;
  auto& counters = FListCounting[AIlfo];
  const bool had = counters.count(AIlvl) != 0;
  for (int32_t l = 0; l <= AIlvl; ++l) counters.try_emplace(l, lvl->FiStartAt);
  if (had) ++counters[AIlvl];
  counters.erase(counters.upper_bound(AIlvl), counters.end());
  // The placeholder offsets, filled from the last one backwards with the
  // deepest level first.
  std::vector<size_t> offsets;
  for (uint8_t b : lvl->FRgbxchNums)
    if (b != 0) offsets.push_back(static_cast<size_t>(b - 1));
  String label;
  int32_t level = AIlvl;
  const String& text = lvl->FRgtchar;
  for (size_t i = text.size(); i-- > 0;) {
    const bool placeholder = std::find(offsets.begin(), offsets.end(), i) != offsets.end();
    if (placeholder && level >= 0) {
      const int32_t value = counters[level--];
      String number = FormatListNumber(value, lvl->FNfc).value_or(IntToStr(value));
      if (number.empty()) number = IntToStr(value);
      label.insert(0, number);
    } else if (text[i] > 8) {
      label.insert(label.begin(), text[i]);
    }
  }
  return label;
}

}  // namespace vn::doc
