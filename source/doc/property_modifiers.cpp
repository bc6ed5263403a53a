#include "doc/property_modifiers.h"

#include <cmath>

#include "runtime/exceptions.h"
#include "wordmodel/borders.h"

namespace vn::doc {

namespace wm = vn::wordmodel;

namespace {

constexpr uint16_t kSprmTDefTable = 0xD608;
constexpr int kMaxHugePapxDepth = 1;

// Paragraph sprms by ispmd.
enum ParagraphIspmd : int32_t {
  kPIstd = 0, kPIstdPermute = 1, kPJc80 = 3, kPFPageBreakBefore = 7, kPIlvl = 10, kPIlfo = 11, kPDxaRight80 = 14, kPDxaLeft80 = 15,
  kPDxaLeft180 = 17, kPDyaLine = 18, kPDyaBefore = 19, kPDyaAfter = 20, kPFInTable = 22, kPFTtp = 23,
  kPHugePapx = 70, kPItap = 73, kPFInnerTableCell = 75, kPFInnerTtp = 76, kPBrcTop = 78, kPBrcLeft = 79,
  kPBrcBottom = 80, kPBrcRight = 81, kPDxaRight = 93, kPDxaLeft = 94, kPDxaLeft1 = 96, kPJc = 97,
  kPHugePapx2 = 107
};

// Character sprms by ispmd.
enum CharacterIspmd : int32_t {
  kCFFldVanish = 2, kCPicLocation = 3, kCFData = 6, kCSymbol = 9, kCFOle2 = 10, kCHighlight = 12,
  kCFSpecVanish = 24, kCIstd = 48, kCFBold = 53, kCFItalic = 54, kCFStrike = 55, kCFCaps = 59, kCFVanish = 60,
  kCKul = 62, kCDxaSpace = 64, kCIco = 66, kCHps = 67, kCIss = 72, kCRgFtc0 = 79, kCRgFtc1 = 80, kCRgFtc2 = 81,
  kCFSpec = 85, kCFObj = 86, kCHpsBi = 97, kCCv = 112, kCFSdtVanish = 144
};

int64_t Signed16(uint64_t v) { return v >= 0x8000 ? static_cast<int64_t>(v) - 0x10000 : static_cast<int64_t>(v); }

uint64_t Operand(TvnBinaryReader& r, const TvnPRL& p, int64_t size) {
  r.Seek(TvnSeekOrigin::soBegin, p.FOffset);
  return r.GetDecimalValue(std::min(size, p.FoperandSize));
}

// A toggle operand: 0 off, 1 on, 0x80 the value as it stands (the style's),
// 0x81 its opposite; other values turn the property on.
bool ToggleValue(uint64_t operand, bool current) {
  if (operand == 0) return false;
  if (operand == 0x80) return current;
  if (operand == 0x81) return !current;
  return true;
}

template <typename Properties>
wm::TvnDocSpecificProperties& ExtraOf(Properties& AProperties) {
  const auto& info = AProperties.GetAdditionalInfo();
  if (!info) {
    auto made = std::make_shared<wm::TvnDocSpecificProperties>();
    wm::TvnDocSpecificProperties& extra = *made;
    AProperties.SetAdditionalInfo(std::move(made));
    return extra;
  }
  auto* extra = dynamic_cast<wm::TvnDocSpecificProperties*>(info.get());
  if (!extra) throw vn::EInvalidCast("Invalid class typecast");
  return *extra;
}

// A paragraph border side from the 8-byte BRC of the operand; null when
// the operand is shorter.
std::unique_ptr<wm::TvnBorder> ReadBrc(TvnBinaryReader& r, const TvnPRL& p) {
  if (p.FoperandSize < 8) return nullptr;
  r.Seek(TvnSeekOrigin::soBegin, p.FOffset);
  auto border = std::make_unique<wm::TvnBorder>();
  wm::TvnRGBColor color;
  color.Red = static_cast<uint8_t>(r.GetDecimalValue(1));
  color.Green = static_cast<uint8_t>(r.GetDecimalValue(1));
  color.Blue = static_cast<uint8_t>(r.GetDecimalValue(1));
  r.GetDecimalValue(1);
  border->SetColor(color);
  const auto width = r.GetDecimalValue(1);
  border->SetBorderWidth(static_cast<int32_t>(std::lround(static_cast<double>(width) / 8.0)));
  switch (r.GetDecimalValue(1)) {
    case 6: border->SetPenStyle(wm::TvnDashStyle::dsDot); break;
    case 7: border->SetPenStyle(wm::TvnDashStyle::dsDash); break;
    case 8: border->SetPenStyle(wm::TvnDashStyle::dsDashDot); break;
    case 9: border->SetPenStyle(wm::TvnDashStyle::dsDashDotDot); break;
    default: border->SetPenStyle(wm::TvnDashStyle::dsSolid); break;
  }
  border->SetSpace(static_cast<int32_t>(r.GetDecimalValue(1) & 0x1F));
  return border;
}

void ApplyLineSpacing(wm::TvnParagraphProperties& para, uint64_t u, uint64_t m) {
  if (u >= 33856) {
    para.SetLineSpacing(static_cast<int32_t>(65536 - u + 20));
    para.SetLineSpacingRule(wm::TvnSpacingRule::srExact);
  } else if (u >= 31681) {
    return;
  } else if (m == 1) {
    para.SetLineSpacing(static_cast<int32_t>(u));
    para.SetLineSpacingRule(wm::TvnSpacingRule::srAuto);
  } else if (m == 0) {
    para.SetLineSpacing(static_cast<int32_t>(u));
    para.SetLineSpacingRule(wm::TvnSpacingRule::srAtleast);
  }
}

void ToggleStyle(wm::TvnRunProperties& run, wm::TvnFontStyle style, wm::TvnExplicitlySetValue mark, uint64_t operand) {
  auto styles = run.GetFontStyle();
  if (ToggleValue(operand, styles.Contains(style))) styles.Include(style);
  else styles.Exclude(style);
  run.SetFontStyle(styles);
  auto marks = run.GetExplicitlySetVal();
  marks.Include(mark);
  run.SetExplicitlySetVal(marks);
}

void Mark(wm::TvnRunProperties& run, wm::TvnExplicitlySetValue mark) {
  auto marks = run.GetExplicitlySetVal();
  marks.Include(mark);
  run.SetExplicitlySetVal(marks);
}

}  // namespace

std::optional<int64_t> FixedOperandSize(int32_t spra) {
  switch (spra) {
    case 0: case 1: return 1;
    case 2: case 4: case 5: return 2;
    case 3: return 4;
    case 7: return 3;
    default: return std::nullopt;
  }
}

TvnPRLList GetPRLs(TvnBinaryReader& ABinaryReader, int64_t ALength) {
  TvnBinaryReader& r = ABinaryReader;
  TvnPRLList list;
  const int64_t start = r.Position();
  const int64_t end = std::min(start + std::max<int64_t>(ALength, 0), r.Length());
  while (r.Position() + 2 <= end) {
    const auto sprm = static_cast<uint16_t>(r.GetDecimalValue(2));
    TvnPRL p;
    p.Fispmd = sprm & 0x01FF;
    p.Ffspec = (sprm & 0x0200) != 0;
    p.Fsgc = (sprm >> 10) & 7;
    p.Fspra = (sprm >> 13) & 7;
    if (const auto fixed = FixedOperandSize(p.Fspra)) {
      p.FoperandSize = *fixed;
    } else if (sprm == kSprmTDefTable) {
      if (r.Position() + 2 > end) break;
      p.FoperandSize = static_cast<int64_t>(r.GetDecimalValue(2)) - 1;
    } else {
      if (r.Position() + 1 > end) break;
      p.FoperandSize = static_cast<int64_t>(r.GetDecimalValue(1));
    }
    p.FOffset = r.Position();
    // An operand that would reach past the list ends it.
    if (p.FoperandSize < 0 || p.FOffset + p.FoperandSize > end) break;
    r.Seek(TvnSeekOrigin::soBegin, p.FOffset + p.FoperandSize);
    list.push_back(p);
  }
  return list;
}

wm::TvnRGBColor IcoToColor(int64_t AIndex) {
  static constexpr uint8_t kColors[16][3] = {
      {0, 0, 0},     {0, 0, 0},     {0, 0, 255},   {0, 255, 255}, {0, 255, 0},   {255, 0, 255},
      {255, 0, 0},   {255, 255, 0}, {255, 255, 255}, {0, 0, 128}, {0, 128, 128}, {0, 128, 0},
      {128, 0, 128}, {128, 0, 0},   {128, 128, 0}, {128, 128, 128}};
  if (AIndex < 0 || AIndex > 15) return {192, 192, 192};
  const auto& c = kColors[AIndex];
  return {c[0], c[1], c[2]};
}

int32_t TwipsToPixels(int64_t ATwips) {
  const int64_t scaled = ATwips * 96;
  int64_t q = scaled / 1440;
  if (scaled % 1440 != 0 && scaled < 0) --q;
  return static_cast<int32_t>(q);
}

wm::TvnDocSpecificProperties& DocSpecificOf(wm::TvnParagraphProperties& AParagraph) { return ExtraOf(AParagraph); }
wm::TvnDocSpecificProperties& DocSpecificOf(wm::TvnRunProperties& ARun) { return ExtraOf(ARun); }

TvnDOCHelperFunctions::TvnDOCHelperFunctions(std::span<const uint8_t> ATableStream,
                                             std::span<const uint8_t> ADataStream, uint32_t AfcSttbfFfn,
                                             uint32_t AlcbSttbfFfn)
    : FTableStream(ATableStream), FDataStream(ADataStream), FfcSttbfFfn(AfcSttbfFfn), FlcbSttbfFfn(AlcbSttbfFfn) {}

void TvnDOCHelperFunctions::ApplyParagraphSprm(wm::TvnParagraphProperties& AParagraph, TvnBinaryReader& ABinaryReader,
                                               const TvnPRL& APRL) {
  if (APRL.Fsgc != static_cast<int32_t>(TvnSprmGroup::sgParagraph)) return;
  auto& r = ABinaryReader;
  auto& para = AParagraph;
  const auto pixels = [&] { return TwipsToPixels(Signed16(Operand(r, APRL, 2))); };
  switch (APRL.Fispmd) {
    case kPIstd:
    case kPIstdPermute:
      para.SetHAlignment(wm::TvnHAlignment::haLeft);
      break;
    case kPJc80:
    case kPJc:
      switch (Operand(r, APRL, 1)) {
        case 1: para.SetHAlignment(wm::TvnHAlignment::haCenter); break;
        case 2: para.SetHAlignment(wm::TvnHAlignment::haRight); break;
        case 3: para.SetHAlignment(wm::TvnHAlignment::haJustify); break;
        default: para.SetHAlignment(wm::TvnHAlignment::haLeft); break;
      }
      break;
    case kPIlvl: {
      para.SetNumberLevel(static_cast<int32_t>(Operand(r, APRL, 1)));
      auto marks = para.GetExplicitlySetParaProperties();
      marks.Include(wm::TvnExplicitlySetParaProperty::espNumberLevel);
      para.SetExplicitlySetParaProperties(marks);
      break;
    }
    case kPIlfo: {
      para.SetNumberID(static_cast<int32_t>(Signed16(Operand(r, APRL, 2))));
      auto marks = para.GetExplicitlySetParaProperties();
      marks.Include(wm::TvnExplicitlySetParaProperty::espNumberID);
      para.SetExplicitlySetParaProperties(marks);
      break;
    }
    case kPDxaRight80: case kPDxaRight: para.SetRightIndent(pixels()); break;
    case kPDxaLeft80: case kPDxaLeft: para.SetLeftIndent(pixels()); break;
    case kPDxaLeft180: case kPDxaLeft1: para.SetFirstLineIndent(pixels()); break;
    case kPDyaLine: {
      r.Seek(TvnSeekOrigin::soBegin, APRL.FOffset);
      const auto u = r.GetDecimalValue(2);
      const auto m = r.GetDecimalValue(2);
      if (APRL.FoperandSize >= 4) ApplyLineSpacing(para, u, m);
      break;
    }
    case kPDyaBefore: para.SetSpaceBefore(pixels()); break;
    case kPDyaAfter: para.SetSpaceAfter(pixels()); break;
    case kPFPageBreakBefore: para.SetPageBreakBefore(Operand(r, APRL, 1) != 0); break;
    case kPFInTable: ExtraOf(para).SetIsParaInTable(true); break;
    case kPFTtp: case kPFInnerTtp: ExtraOf(para).SetLastParaOfRow(true); break;
    case kPFInnerTableCell: ExtraOf(para).SetLastParaOfCell(true); break;
    case kPItap: ExtraOf(para).SetTableNestedLevel(static_cast<int32_t>(Operand(r, APRL, 4))); break;
    case kPHugePapx:
    case kPHugePapx2: {
      // The list lies in the Data stream: a 2-byte length, then the sprms.
      // A huge list inside a huge list is not followed.
      if (FDataStream.empty() || FHugePapxDepth >= kMaxHugePapxDepth) break;
      const auto offset = static_cast<int64_t>(Operand(r, APRL, 4));
      TvnBinaryReader data(FDataStream);
      data.Seek(TvnSeekOrigin::soBegin, offset);
      const auto cb = static_cast<int64_t>(data.GetDecimalValue(2));
      if (data.PastEnd()) break;
      const TvnPRLList list = GetPRLs(data, cb);
      ++FHugePapxDepth;
      try {
        ParseParagraphProperties(para, &list, data);
      } catch (...) {
        --FHugePapxDepth;
        throw;
      }
      --FHugePapxDepth;
      break;
    }
    case kPBrcTop: case kPBrcLeft: case kPBrcBottom: case kPBrcRight: {
      auto border = ReadBrc(r, APRL);
      if (!border) break;
      if (!para.GetParaBorder()) para.SetParaBorder(std::make_unique<wm::TvnParaBorder>());
      auto* sides = para.GetParaBorder();
      if (APRL.Fispmd == kPBrcTop) sides->SetTop(std::move(border));
      else if (APRL.Fispmd == kPBrcLeft) sides->SetLeft(std::move(border));
      else if (APRL.Fispmd == kPBrcBottom) sides->SetBottom(std::move(border));
      else sides->SetRight(std::move(border));
      break;
    }
    default:
      break;
  }
}

void TvnDOCHelperFunctions::ApplyCharacterSprm(wm::TvnRunProperties& ARun, TvnBinaryReader& ABinaryReader,
                                               const TvnPRL& APRL) {
  if (APRL.Fsgc != static_cast<int32_t>(TvnSprmGroup::sgCharacter)) return;
  auto& r = ABinaryReader;
  auto& run = ARun;
  ExtraOf(run);
  switch (APRL.Fispmd) {
    case kCFFldVanish: case kCFSpecVanish: case kCFSdtVanish: run.SetHidden(true); break;
    case kCFVanish: run.SetHidden(ToggleValue(Operand(r, APRL, 1), run.GetHidden())); break;
    case kCPicLocation: ExtraOf(run).SetLocationOffset(static_cast<double>(Operand(r, APRL, 4))); break;
    case kCFData: ExtraOf(run).SetIsBinaryData(Operand(r, APRL, 1) == 1); break;
    case kCSymbol: {
      if (APRL.FoperandSize < 4) break;
      r.Seek(TvnSeekOrigin::soBegin, APRL.FOffset);
      auto& extra = ExtraOf(run);
      extra.SetIsSymbol(true);
      extra.SetSymbolFontIndex(static_cast<int32_t>(r.GetDecimalValue(2)));
      extra.SetSymbolChar(static_cast<char16_t>(r.GetDecimalValue(2)));
      break;
    }
    case kCFOle2: case kCFObj: ExtraOf(run).SetIsEmbeddedObject(true); break;
    case kCHighlight:
      run.SetHighLightColor(IcoToColor(static_cast<int64_t>(Operand(r, APRL, 1))));
      run.SetIsHighLightColor(true);
      break;
    case kCIco:
      run.GetBrush()->SetColor(IcoToColor(static_cast<int64_t>(Operand(r, APRL, 1))));
      Mark(run, wm::TvnExplicitlySetValue::esvTextColor);
      break;
    case kCIstd: run.SetStyleID(vn::IntToStr(static_cast<int64_t>(Operand(r, APRL, 2)))); break;
    case kCFBold:
      ToggleStyle(run, wm::TvnFontStyle::fsBold, wm::TvnExplicitlySetValue::esvBold, Operand(r, APRL, 1));
      break;
    case kCFItalic:
      ToggleStyle(run, wm::TvnFontStyle::fsItalic, wm::TvnExplicitlySetValue::esvItalic, Operand(r, APRL, 1));
      break;
    case kCFStrike:
      ToggleStyle(run, wm::TvnFontStyle::fsStrikeOut, wm::TvnExplicitlySetValue::esvStrikeOut, Operand(r, APRL, 1));
      break;
    case kCFCaps: run.SetCaps(ToggleValue(Operand(r, APRL, 1), run.GetCaps())); break;
    case kCKul: {
      // An underline kind: 0 is none, any other kind underlines.
      auto styles = run.GetFontStyle();
      if (Operand(r, APRL, 1) != 0) styles.Include(wm::TvnFontStyle::fsUnderline);
      else styles.Exclude(wm::TvnFontStyle::fsUnderline);
      run.SetFontStyle(styles);
      Mark(run, wm::TvnExplicitlySetValue::esvUnderline);
      break;
    }
    case kCDxaSpace: {
      const double twips = static_cast<double>(Signed16(Operand(r, APRL, 2)));
      run.SetWordSpace(static_cast<int32_t>(std::lround(twips * 96.0 / 1440.0)));
      break;
    }
    case kCHpsBi:
      // The size of complex-script text (Arabic, Hebrew, Thai): the model
      // keeps one size, that of the other scripts, which this must not
      // overwrite (a heading of 16 points would turn into its 12-point
      // complex-script size).
      break;
    case kCHps: {
      const auto half_points = Operand(r, APRL, 2);
      run.SetFontSize(static_cast<int32_t>(std::nearbyint(static_cast<double>(half_points) / 2.0)));
      Mark(run, wm::TvnExplicitlySetValue::esvFontSize);
      break;
    }
    case kCIss:
      switch (Operand(r, APRL, 1)) {
        case 1: run.SetTextAlignment(wm::TvnTextAlignment::taSuperscript); break;
        case 2: run.SetTextAlignment(wm::TvnTextAlignment::taSubscript); break;
        default: run.SetTextAlignment(wm::TvnTextAlignment::taBaseline); break;
      }
      break;
    case kCRgFtc0: case kCRgFtc1: case kCRgFtc2:
      run.SetFontName(GetFontName(static_cast<int64_t>(Operand(r, APRL, 2))));
      break;
    case kCFSpec: ExtraOf(run).SetIsSpecial(true); break;
    case kCCv: {
      r.Seek(TvnSeekOrigin::soBegin, APRL.FOffset);
      wm::TvnRGBColor color;
      color.Red = static_cast<uint8_t>(r.GetDecimalValue(1));
      color.Green = static_cast<uint8_t>(r.GetDecimalValue(1));
      color.Blue = static_cast<uint8_t>(r.GetDecimalValue(1));
      run.GetBrush()->SetColor(color);
      Mark(run, wm::TvnExplicitlySetValue::esvTextColor);
      break;
    }
    default:
      break;
  }
}

void TvnDOCHelperFunctions::ParseParagraphProperties(wm::TvnParagraphProperties& AParagraph, const TvnPRLList* AList,
                                                     TvnBinaryReader& ABinaryReader) {
  if (!AList) return;
  for (const auto& p : *AList) {
    if (p.Fsgc == static_cast<int32_t>(TvnSprmGroup::sgTable)) {
      if (wm::TvnTable* table = ExtraOf(AParagraph).GetTable()) ApplyTableSprm(*table, ABinaryReader, p);
    } else {
      ApplyParagraphSprm(AParagraph, ABinaryReader, p);
    }
  }
}

void TvnDOCHelperFunctions::ParseTextRunProperties(wm::TvnRunProperties& ARun, const TvnPRLList* AList,
                                                   TvnBinaryReader& ABinaryReader) {
  if (!AList) return;
  for (const auto& p : *AList) ApplyCharacterSprm(ARun, ABinaryReader, p);
}

String TvnDOCHelperFunctions::GetFontName(int64_t AIndex) {
  if (!FFontTable) ReadFontTable();
  if (AIndex < 0 || AIndex >= static_cast<int64_t>(FFontTable->size())) return FDefaultFontName;
  const String& name = (*FFontTable)[static_cast<size_t>(AIndex)];
  return name.empty() ? FDefaultFontName : name;
}

void TvnDOCHelperFunctions::ReadFontTable() {
  // The SttbfFfn: a 2-byte count and a 2-byte cbExtra, then per font a
  // 1-byte size and that many bytes of FFN: flags, weight, charset, the
  // alternate name's index, panose and signature (39 bytes), then the name
  // in 16-bit characters up to a zero character, and the alternate name.
  // Entries are walked by their sizes, and one without a name keeps its
  // place so the later fonts keep their indices.
  FFontTable.emplace();
  if (FfcSttbfFfn >= FTableStream.size()) return;
  const size_t end = std::min<size_t>(FTableStream.size(), size_t{FfcSttbfFfn} + FlcbSttbfFfn);
  const auto at = [&](size_t i) -> uint8_t { return i < end ? FTableStream[i] : 0; };
  const size_t count = at(FfcSttbfFfn) | (at(FfcSttbfFfn + 1) << 8);
  size_t pos = size_t{FfcSttbfFfn} + 4;
  const auto read_name = [&](size_t from, size_t limit) {
    String name;
    for (size_t i = from; i + 1 < limit; i += 2) {
      const auto c = static_cast<char16_t>(at(i) | (at(i + 1) << 8));
      if (c == 0) break;
      name.push_back(c);
    }
    return name;
  };
  for (size_t n = 0; n < count && pos < end; ++n) {
    const size_t cch = at(pos);
    const size_t entry_end = std::min(end, pos + 1 + cch);
    const size_t alt_index = at(pos + 5);
    const size_t name_start = pos + 1 + 39;
    String name = read_name(name_start, entry_end);
    if (alt_index != 0) {
      String alternate = read_name(name_start + 2 * alt_index, entry_end);
      if (!alternate.empty()) name = std::move(alternate);
    }
    FFontTable->push_back(std::move(name));
    pos = pos + 1 + cch;
  }
}

}  // namespace vn::doc
