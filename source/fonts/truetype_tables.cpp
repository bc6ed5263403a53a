// The TrueType reader's acceptance and table reading.
#include <algorithm>
#include <exception>
#include <string>

#include "fonts/truetype_font.h"
#include "fonts/truetype_glyph_names_impl.h"
#include "runtime/strings.h"

namespace vn::fonts {
namespace {

// The encoding of a (platform, encoding) pair of a cmap subtable or a name
// record: Unicode 0-4, Macintosh 0-31, Microsoft 0-6 and 10; None for any
// other pair.
EncodingType TtEncodingOf(uint16_t platform, uint16_t encoding) {
  switch (platform) {
    case 0:
      if (encoding <= 4) return static_cast<EncodingType>(static_cast<int>(EncodingType::Unicode_1_0) + encoding);
      break;
    case 1:
      if (encoding <= 31) return static_cast<EncodingType>(static_cast<int>(EncodingType::Macintosh_Roman) + encoding);
      break;
    case 3:
      if (encoding <= 6) return static_cast<EncodingType>(static_cast<int>(EncodingType::Microsoft_Symbol) + encoding);
      if (encoding == 10) return EncodingType::Microsoft_Unicode_Full;
      break;
    default: break;
  }
  return EncodingType::None;
}

// Work allowed for the segments of one format 4 subtable: a sound font
// covers each of the 65536 codes at most once.
constexpr int64_t kTrueTypeMaxFormat4Codes = 2 * 0x10000;

// Subtables of one cmap whose mappings are read; fonts carry a handful,
// and a damaged directory of thousands pointing at one big subtable would
// otherwise cost that subtable's mapping thousands of times.
constexpr size_t kTrueTypeMaxCmapSubtables = 16;

}  // namespace

TvnTrueTypeHandler::TvnTrueTypeHandler() = default;
TvnTrueTypeHandler::~TvnTrueTypeHandler() = default;

uint16_t TvnTrueTypeHandler::U16() {
  const uint16_t v = br->ReadWord();
  return static_cast<uint16_t>((v >> 8) | (v << 8));
}

uint32_t TvnTrueTypeHandler::U32() {
  // Four bytes when they are there; a 32-bit field cut off by the end of
  // the stream reads as 0.
  const uint32_t v = br->ReadCardinal();
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

void TvnTrueTypeHandler::SeekTo(int64_t position) { FStream->SetPosition(position); }

int64_t TvnTrueTypeHandler::Available(uint32_t length, uint32_t offset) {
  return std::clamp<int64_t>(std::min<int64_t>(length, FStreamSize - offset), 0, length);
}

void TvnTrueTypeHandler::Reset() {
  br.reset();
  TableDirectory.reset();
  cmapTable.reset();
  maxpTable.reset();
  postTable.reset();
  headTable.reset();
  HheaTable.reset();
  nameTable.reset();
  os2Table.reset();
  cvtTable.reset();
  fpgmTable.reset();
  gaspTable.reset();
  hdmxTable.reset();
  kernTable.reset();
  ltshTable.reset();
  prepTable.reset();
  pcltTable.reset();
  vheaTable.reset();
  vmtxTable.reset();
  hmtxTable.reset();
  locaTable.reset();
  glyfTableOffset = 0;
  glyfInfoDictionary.clear();
  glyfIdNameDictionary.clear();
  KernPairValues.clear();
  encodingList.clear();
}

int32_t TvnTrueTypeHandler::NumGlyphs() const { return maxpTable ? maxpTable->NumOfGlyphs : 0; }

bool TvnTrueTypeHandler::Check(TStream& AStream) {
  if (AStream.Size() == 0) return false;
  // The stream goes back to its start however Check ends, so the reader
  // asked next finds it as this one did.
  struct Rewind {
    TStream& stream;
    ~Rewind() { stream.SetPosition(0); }
  } rewind{AStream};
  Reset();
  FStream = &AStream;
  FStreamSize = AStream.Size();
  AStream.SetPosition(0);
  br = std::make_unique<TvnBinaryReader>(&AStream, TvnTextEncoding::UTF8);
  auto directory = std::make_unique<TvnTrueTypeTableDirectory>();
  try {
    directory->SfntVersion = static_cast<int32_t>(U32());
    directory->NumTables = U16();
    directory->SearchRange = U16();
    directory->EntrySelector = U16();
    directory->RangeShift = U16();
    // A directory that does not fit in the stream is no font's.
    if (12 + 16 * int64_t{directory->NumTables} > FStreamSize) return false;
    for (int i = 0; i < directory->NumTables; ++i) {
      TvnTruetypeTableDirectoryEntry entry;
      const std::vector<uint8_t> tag = br->ReadBytes(4);
      if (tag.size() != 4) return false;
      entry.Tag.assign(tag.begin(), tag.end());
      entry.CheckSum = U32();
      entry.Offset = U32();
      entry.Length = U32();
      directory->TableEntries.push_back(std::move(entry));
    }
  } catch (const std::exception&) {
    return false;
  }
  const auto has = [&](std::string_view tag) {
    return std::any_of(directory->TableEntries.begin(), directory->TableEntries.end(),
                       [&](const auto& e) { return e.Tag == tag; });
  };
  if (!has("name") && !has("hhea") && !has("head") && !has("maxp")) return false;
  TableDirectory = std::move(directory);
  FFontType = FontType::TrueType;
  ReadTables();
  return true;
}

void TvnTrueTypeHandler::ReadTables() {
  using Reader = void (TvnTrueTypeHandler::*)(uint32_t, uint32_t);
  struct TagReader {
    std::string_view tag;
    Reader read;
  };
  // maxp comes before the tables sized by its glyph count (hmtx among
  // them, whose trailing side bearings would otherwise be lost). EBDT,
  // EBLC, EBSC and VDMX are recognised and not read.
  static constexpr TagReader kReaders[] = {
      {"head", &TvnTrueTypeHandler::ReadHeadTable}, {"maxp", &TvnTrueTypeHandler::ReadMaxpTable},
      {"hhea", &TvnTrueTypeHandler::ReadHheaTable}, {"hmtx", &TvnTrueTypeHandler::ReadHmtxTable},
      {"loca", &TvnTrueTypeHandler::ReadLocaTable}, {"name", &TvnTrueTypeHandler::ReadNameTable},
      {"post", &TvnTrueTypeHandler::ReadPostTable}, {"OS/2", &TvnTrueTypeHandler::ReadOs2Table},
      {"cmap", &TvnTrueTypeHandler::ReadCmapTable}, {"glyf", &TvnTrueTypeHandler::ReadGlyfTable},
      {"cvt ", &TvnTrueTypeHandler::ReadCvtTable},  {"fpgm", &TvnTrueTypeHandler::ReadFpgmTable},
      {"gasp", &TvnTrueTypeHandler::ReadGaspTable}, {"hdmx", &TvnTrueTypeHandler::ReadHdmxTable},
      {"kern", &TvnTrueTypeHandler::ReadKernTable}, {"LTSH", &TvnTrueTypeHandler::ReadLtshTable},
      {"prep", &TvnTrueTypeHandler::ReadPrepTable}, {"PCLT", &TvnTrueTypeHandler::ReadPcltTable},
      {"vhea", &TvnTrueTypeHandler::ReadVheaTable}, {"vmtx", &TvnTrueTypeHandler::ReadVmtxTable},
  };
  for (const TagReader& r : kReaders) {
    const auto& entries = TableDirectory->TableEntries;
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.Tag == r.tag; });
    if (it == entries.end()) continue;
    SeekTo(it->Offset);
    (this->*r.read)(it->Length, it->Offset);
  }
}

void TvnTrueTypeHandler::ReadHeadTable(uint32_t, uint32_t) {
  auto t = std::make_unique<TvnTrueTypeHeadTable>();
  t->Version = static_cast<int32_t>(U32());
  t->FontRevision = static_cast<int32_t>(U32());
  t->CheckSumAdjustment = U32();
  t->MagicNumber = U32();
  t->Flags = U16();
  t->UnitsPerEm = U16();
  for (uint8_t& b : t->Created) b = U8();
  for (uint8_t& b : t->Modified) b = U8();
  t->XMin = S16();
  t->YMin = S16();
  t->XMax = S16();
  t->YMax = S16();
  t->MacStyle = U16();
  t->LowestRecPPEM = U16();
  t->FontDirectionHint = S16();
  t->IndexToLocFormat = S16();
  t->GlyphDataFormat = S16();
  headTable = std::move(t);
}

void TvnTrueTypeHandler::ReadHheaTable(uint32_t, uint32_t) {
  auto t = std::make_unique<TvnTrueTypeHheaTable>();
  t->Version = static_cast<int32_t>(U32());
  t->Ascender = S16();
  t->Descender = S16();
  t->LineGap = S16();
  t->AdvanceWidthMax = U16();
  t->MinLeftSideBearing = S16();
  t->MinRightSideBearing = S16();
  t->XMaxExtent = S16();
  t->CaretSlopeRise = S16();
  t->CaretSlopeRun = S16();
  for (int16_t* f : {&t->Reserved1, &t->Reserved2, &t->Reserved3, &t->Reserved4, &t->Reserved5}) *f = S16();
  t->MetricDataFormat = S16();
  t->NumberOfHMetrics = U16();
  HheaTable = std::move(t);
}

void TvnTrueTypeHandler::ReadVheaTable(uint32_t, uint32_t) {
  auto t = std::make_unique<TvnTrueTypeVheaTable>();
  t->Version = static_cast<int32_t>(U32());
  for (int16_t* f : {&t->Ascent, &t->Descent, &t->LineGap, &t->AdvanceHeightMax, &t->MinTopSideBearing,
                     &t->MinBottomSideBearing, &t->YMaxExtent, &t->CaretSlopeRise, &t->CaretSlopeRun,
                     &t->CaretOffset, &t->Reserved1, &t->Reserved2, &t->Reserved3, &t->Reserved4,
                     &t->MetricDataFormat})
    *f = S16();
  t->NumOfLongVerMetrics = U16();
  vheaTable = std::move(t);
}

void TvnTrueTypeHandler::ReadMaxpTable(uint32_t, uint32_t) {
  auto t = std::make_unique<TvnTrueTypeMaxpTable>();
  t->Version = static_cast<int32_t>(U32());
  // Version 0.5 (CFF outlines) stops after numGlyphs.
  t->NumOfGlyphs = U16();
  if (t->Version != 0x00005000) {
    for (uint16_t* f : {&t->MaxPoints, &t->MaxContours, &t->MaxCompositePoints, &t->MaxCompositeContours,
                        &t->MaxZones, &t->MaxTwilightPoints, &t->MaxStorage, &t->MaxFunctionDefs,
                        &t->MaxInstructionDefs, &t->MaxStackElements, &t->MaxSizeOfInstructions,
                        &t->MaxComponentElements, &t->MaxComponentDepth})
      *f = U16();
  }
  maxpTable = std::move(t);
}

void TvnTrueTypeHandler::ReadHmtxTable(uint32_t length, uint32_t offset) {
  if (!HheaTable) return;  // the metric count lives in hhea
  auto t = std::make_unique<TvnTrueTypeHmtxTable>();
  const int64_t bytes = Available(length, offset);
  const int metrics = static_cast<int>(std::min<int64_t>(HheaTable->NumberOfHMetrics, bytes / 4));
  for (int i = 0; i < metrics; ++i) {
    const uint16_t advance = U16();
    t->HMetrics.push_back({advance, S16()});
  }
  const int64_t rest = std::min<int64_t>(NumGlyphs() - metrics, (bytes - 4 * metrics) / 2);
  for (int64_t i = 0; i < rest; ++i) t->LeftSideBearing.push_back(S16());
  hmtxTable = std::move(t);
}

void TvnTrueTypeHandler::ReadVmtxTable(uint32_t length, uint32_t offset) {
  if (!vheaTable) return;
  auto t = std::make_unique<TvnTrueTypeVmtxTable>();
  const int64_t bytes = Available(length, offset);
  const int metrics = static_cast<int>(std::min<int64_t>(vheaTable->NumOfLongVerMetrics, bytes / 4));
  for (int i = 0; i < metrics; ++i) {
    const uint16_t advance = U16();
    t->VMetrics.push_back({advance, S16()});
  }
  const int64_t rest = std::min<int64_t>(NumGlyphs() - metrics, (bytes - 4 * metrics) / 2);
  for (int64_t i = 0; i < rest; ++i) t->TopSideBearing.push_back(S16());
  vmtxTable = std::move(t);
}

void TvnTrueTypeHandler::ReadLocaTable(uint32_t length, uint32_t offset) {
  if (!headTable) return;  // the offset format lives in head
  auto t = std::make_unique<TvnTrueTypeLocaTable>();
  const bool long_offsets = headTable->IndexToLocFormat == 1;
  const int64_t count = Available(length, offset) / (long_offsets ? 4 : 2);
  int64_t previous = -1;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t value = long_offsets ? int64_t{U32()} : int64_t{U16()} * 2;
    // A glyph whose data ends where it starts has no outline.
    if (value == previous) t->Offsets.back() = TvnTrueTypeLocaTable::kEmptyGlyph;
    t->Offsets.push_back(value);
    previous = value;
  }
  locaTable = std::move(t);
}

void TvnTrueTypeHandler::ReadNameTable(uint32_t, uint32_t) {
  auto t = std::make_unique<TvnTrueTypeNameTable>();
  t->Format = U16();
  t->NumOfNameRecords = U16();
  t->Offset = U16();
  for (int i = 0; i < t->NumOfNameRecords; ++i) {
    TvnTrueTypeNameRecord r;
    r.PlatformID = U16();
    r.SpecificEncodingID = U16();
    r.LanguageID = U16();
    r.NameID = U16();
    r.Length = U16();
    r.Offset = U16();
    // A pair without an encoding here keeps None: one odd record does not
    // cost the font.
    r.encoding = TtEncodingOf(r.PlatformID, r.SpecificEncodingID);
    t->NameRecords.push_back(std::move(r));
  }
  nameTable = std::move(t);
}

void TvnTrueTypeHandler::ReadPostTable(uint32_t length, uint32_t offset) {
  auto t = std::make_unique<TvnTrueTypePostTable>();
  t->Format = static_cast<int32_t>(U32());
  t->ItalicAngle = static_cast<int32_t>(U32());
  t->UnderlinePosition = S16();
  t->UnderlineThickness = S16();
  t->FixedPitch = U32();
  t->MinMemType42 = U32();
  t->MaxMemType42 = U32();
  t->MinMemType1 = U32();
  t->MaxMemType1 = U32();
  if (t->Format == 0x00020000 && Available(length, offset) >= 34) {
    t->NumOfGlyphs = U16();
    int strings = 0;
    for (int i = 0; i < t->NumOfGlyphs; ++i) {
      t->GlyphNameIndex.push_back(U16());
      if (t->GlyphNameIndex.back() >= 258) ++strings;
    }
    std::vector<std::string> names;
    for (int i = 0; i < strings; ++i) names.push_back(ToUtf8(br->ReadString()));
    for (const uint16_t index : t->GlyphNameIndex) {
      if (index < 258)
        t->GlyphNames.emplace_back(MacintoshGlyphName(index));
      else
        t->GlyphNames.push_back(index - 258u < names.size() ? names[index - 258u] : std::string());
    }
  } else if (t->Format == 0x00030000) {
    for (int i = 0; i < NumGlyphs(); ++i) t->GlyphNames.push_back("Glyph" + std::to_string(i));
  }
  postTable = std::move(t);
}

void TvnTrueTypeHandler::ReadOs2Table(uint32_t, uint32_t) {
  auto t = std::make_unique<TvnTrueTypeOS2Table>();
  t->Version = U16();
  t->AvgCharWidth = S16();
  t->WeightClass = U16();
  t->WidthClass = U16();
  t->_Type = U16();
  for (int16_t* f : {&t->SubscriptXSize, &t->SubscriptYSize, &t->SubscriptXOffset, &t->SubscriptYOffset,
                     &t->SuperscriptXSize, &t->SuperscriptYSize, &t->SuperscriptXOffset, &t->SuperscriptYOffset,
                     &t->StrikeoutSize, &t->StrikeoutPosition, &t->FamilyClass})
    *f = S16();
  for (uint8_t& b : t->Panose) b = U8();
  t->UnicodeRange1 = U32();
  t->UnicodeRange2 = U32();
  t->UnicodeRange3 = U32();
  t->UnicodeRange4 = U32();
  for (int i = 0; i < 4; ++i) t->VendID.push_back(static_cast<char>(U8()));
  t->Selection = U16();
  t->FirstCharIndex = U16();
  t->LastCharIndex = U16();
  t->TypoAscender = S16();
  t->TypoDescender = S16();
  t->TypoLineGap = S16();
  t->WinAscent = U16();
  t->WinDescent = U16();
  t->CodePageRange1 = U32();
  t->CodePageRange2 = U32();
  os2Table = std::move(t);
}

void TvnTrueTypeHandler::ReadCmapTable(uint32_t, uint32_t offset) {
  if (!maxpTable) return;  // mapped glyphs are checked against maxp's count
  auto t = std::make_unique<TvnTrueTypeCmapTable>();
  t->Version = U16();
  t->NumOfEncodingTables = U16();
  for (int i = 0; i < t->NumOfEncodingTables; ++i) {
    auto e = std::make_unique<TvnTrueTypeCmapEncodingTable>();
    e->PlatformID = U16();
    e->EncodingID = U16();
    e->Offset = U32();
    e->encoding = TtEncodingOf(e->PlatformID, e->EncodingID);
    t->EncodingTables.push_back(std::move(e));
  }
  for (size_t i = 0; i < t->EncodingTables.size() && i < kTrueTypeMaxCmapSubtables; ++i) {
    auto& e = t->EncodingTables[i];
    const int64_t start = int64_t{offset} + e->Offset;
    if (start + 2 > FStreamSize) continue;  // a subtable outside the stream maps nothing
    SeekTo(start);
    ReadCmapSubtable(*e);
  }
  // Every subtable has its entry, in subtable order.
  encodingList.clear();
  for (const auto& e : t->EncodingTables) encodingList.push_back(e->encoding);
  cmapTable = std::move(t);
}

void TvnTrueTypeHandler::ReadCmapSubtable(TvnTrueTypeCmapEncodingTable& e) {
  const int32_t glyphs = NumGlyphs();
  e.glyphIdToCharacterCode.assign(static_cast<size_t>(glyphs), 0);
  const auto map = [&](int32_t code, int32_t glyph, bool first_wins) {
    if (glyph < 0 || glyph >= glyphs) return;
    if (first_wins && e.characterCodeToGlyphId.count(code)) return;
    e.characterCodeToGlyphId[code] = glyph;
    e.glyphIdToCharacterCode[static_cast<size_t>(glyph)] = code;
  };
  e.Format = U16();
  switch (e.Format) {
    case 0: {
      auto f = std::make_unique<TvnTrueTypeCmapFormat0>();
      f->Format = 0;
      f->Length = U16();
      f->Version = U16();
      for (uint8_t& b : f->GlyphIdArray) b = U8();
      e.glyphIdToCharacterCode.resize(std::max<size_t>(e.glyphIdToCharacterCode.size(), 256));
      for (int32_t c = 0; c < 256; ++c) map(c, f->GlyphIdArray[static_cast<size_t>(c)], false);
      e.format0 = std::move(f);
      break;
    }
    case 2: {
      auto f = std::make_unique<TvnTrueTypeCmapFormat2>();
      f->Format = 2;
      f->Length = U16();
      f->Version = U16();
      int max_key = 0;
      for (uint16_t& k : f->SubHeaderKeys) {
        k = U16();
        max_key = std::max(max_key, k / 8);
      }
      const int64_t headers_at = FStream->Position();
      for (int i = 0; i <= max_key; ++i) {
        TvnTrueTypeCmapFormat2SubHeader h;
        h.FirstCode = U16();
        h.EntryCount = U16();
        h.IdDelta = S16();
        h.IdRangeOffset = U16();
        f->SubHeaders.push_back(h);
      }
      const int64_t entries = (int64_t{f->Length} - 518 - 8 * int64_t{max_key + 1}) / 2;
      for (int64_t i = 0; i < entries && FStream->Position() + 2 <= FStreamSize; ++i)
        f->GlyphIndexArray.push_back(U16());
      // The glyph index of a code lies idRangeOffset bytes after the
      // sub-header's idRangeOffset field; any word of the stream may be meant.
      const auto glyph_at = [&](int64_t position) -> int32_t {
        if (position < 0 || position + 2 > FStreamSize) return 0;
        SeekTo(position);
        return U16();
      };
      for (int high = 0; high < 256; ++high) {
        const int sub = f->SubHeaderKeys[static_cast<size_t>(high)] / 8;
        const TvnTrueTypeCmapFormat2SubHeader& h = f->SubHeaders[static_cast<size_t>(sub)];
        const int count = std::min<int>(h.EntryCount, std::max(0, 256 - h.FirstCode));
        const int64_t range_at = headers_at + 8 * int64_t{sub} + 6 + h.IdRangeOffset;
        if (sub == 0) {
          // One-byte code: the byte itself indexes sub-header 0's range.
          if (high < h.FirstCode || high >= h.FirstCode + count) continue;
          const int32_t g = glyph_at(range_at + 2 * int64_t{high - h.FirstCode});
          if (g != 0) map(high, (g + h.IdDelta) & 0xFFFF, false);
          continue;
        }
        for (int j = 0; j < count; ++j) {
          const int32_t g = glyph_at(range_at + 2 * int64_t{j});
          if (g != 0) map(high << 8 | (h.FirstCode + j), (g + h.IdDelta) & 0xFFFF, false);
        }
      }
      e.format2 = std::move(f);
      break;
    }
    case 4: {
      auto f = std::make_unique<TvnTrueTypeCmapFormat4>();
      f->Format = 4;
      f->Length = U16();
      f->Version = U16();
      f->SegCount = static_cast<uint16_t>(U16() / 2);
      f->SearchRange = U16();
      f->EntrySelector = U16();
      f->RangeShift = U16();
      for (int i = 0; i < f->SegCount; ++i) f->EndCount.push_back(U16());
      f->ReservePad = U16();
      for (int i = 0; i < f->SegCount; ++i) f->StartCount.push_back(U16());
      for (int i = 0; i < f->SegCount; ++i) f->IdDelta.push_back(U16());
      const int64_t range_offsets_at = FStream->Position();
      for (int i = 0; i < f->SegCount; ++i) f->IdRangeOffset.push_back(U16());
      const int64_t array_words = int64_t{f->Length} / 2 - 4 * int64_t{f->SegCount} - 8;
      for (int64_t i = 0; i < array_words && FStream->Position() + 2 <= FStreamSize; ++i)
        f->GlyphIdArray.push_back(U16());
      int64_t work = 0;
      for (int s = 0; s < f->SegCount; ++s) {
        const int32_t first = f->StartCount[static_cast<size_t>(s)], last = f->EndCount[static_cast<size_t>(s)];
        if (first == 0xFFFF || last == 0xFFFF || last < first) continue;
        work += last - first + 1;
        if (work > kTrueTypeMaxFormat4Codes) break;  // overlapping segments of a damaged table
        const int32_t delta = f->IdDelta[static_cast<size_t>(s)];
        const int32_t range = f->IdRangeOffset[static_cast<size_t>(s)];
        for (int32_t c = first; c <= last; ++c) {
          // The first segment holding a code maps it, as a lookup would.
          if (range == 0) {
            map(c, (delta + c) & 0xFFFF, true);
            continue;
          }
          const int64_t at = range_offsets_at + 2 * int64_t{s} + range + 2 * int64_t{c - first};
          if (at + 2 > FStreamSize) break;
          SeekTo(at);
          const int32_t value = U16();
          if (value != 0) map(c, (delta + value) & 0xFFFF, true);
        }
      }
      e.format4 = std::move(f);
      break;
    }
    case 6: {
      auto f = std::make_unique<TvnTrueTypeCmapFormat6>();
      f->Format = 6;
      f->Length = U16();
      f->Version = U16();
      f->FirstCode = U16();
      f->EntryCount = U16();
      for (int j = 0; j < f->EntryCount; ++j) {
        f->GlyphIdArray.push_back(U16());
        map(f->FirstCode + j, f->GlyphIdArray.back(), false);
      }
      e.format6 = std::move(f);
      break;
    }
    default: break;  // other formats map nothing
  }
}

void TvnTrueTypeHandler::ReadGlyfTable(uint32_t, uint32_t offset) {
  if (!maxpTable || !locaTable) return;
  glyfTableOffset = offset;
  const auto& offsets = locaTable->Offsets;
  // A glyph has data only where loca has its offset; glyphs beyond a short
  // loca get no entry, as glyphs without outline.
  const int32_t glyphs = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(NumGlyphs()), offsets.size()));
  for (int32_t i = 0; i < glyphs; ++i) {
    TvnTrueTypeGlyfInfo info;
    info.Id = i;
    info.Name = GlyphNameOf(i);
    info.Offset = offsets[static_cast<size_t>(i)];
    const int64_t at = glyfTableOffset + info.Offset;
    if (info.Offset != TvnTrueTypeLocaTable::kEmptyGlyph && at + 10 <= FStreamSize) {
      SeekTo(at);
      info.NumberOfContours = S16();
      info.XMin = S16();
      info.YMin = S16();
      info.XMax = S16();
      info.YMax = S16();
      info.IsComposite = info.NumberOfContours < 0;
    }
    glyfIdNameDictionary[i] = info.Name;
    glyfInfoDictionary[i] = std::move(info);
  }
}

std::string TvnTrueTypeHandler::GlyphNameOf(int32_t index) const {
  if (postTable && static_cast<size_t>(index) < postTable->GlyphNames.size() &&
      !postTable->GlyphNames[static_cast<size_t>(index)].empty())
    return postTable->GlyphNames[static_cast<size_t>(index)];
  return "Glyph" + std::to_string(index);
}

void TvnTrueTypeHandler::ReadCvtTable(uint32_t length, uint32_t offset) {
  auto t = std::make_unique<TvnTrueTypeCvtTable>();
  const int64_t count = Available(length, offset) / 2;
  for (int64_t i = 0; i < count; ++i) t->ControlValues.push_back(S16());
  cvtTable = std::move(t);
}

void TvnTrueTypeHandler::ReadFpgmTable(uint32_t length, uint32_t offset) {
  auto t = std::make_unique<TvnTrueTypeFpgmTable>();
  t->Instructions = br->ReadBytes(static_cast<int>(Available(length, offset)));
  fpgmTable = std::move(t);
}

void TvnTrueTypeHandler::ReadPrepTable(uint32_t length, uint32_t offset) {
  auto t = std::make_unique<TvnTrueTypePrepTable>();
  t->Instructions = br->ReadBytes(static_cast<int>(Available(length, offset)));
  prepTable = std::move(t);
}

void TvnTrueTypeHandler::ReadGaspTable(uint32_t, uint32_t) {
  auto t = std::make_unique<TvnTrueTypeGaspTable>();
  t->Version = U16();
  t->NumRanges = U16();
  for (int i = 0; i < t->NumRanges; ++i) {
    const uint16_t ppem = U16();
    t->GaspRange.push_back({ppem, U16()});
  }
  gaspTable = std::move(t);
}

void TvnTrueTypeHandler::ReadHdmxTable(uint32_t length, uint32_t offset) {
  if (!maxpTable) return;  // each record holds one width per glyph
  auto t = std::make_unique<TvnTrueTypeHdmxTable>();
  t->Version = U16();
  t->NumOfDeviceRecords = S16();
  t->SizeOfDeviceRecord = static_cast<int32_t>(U32());
  const int64_t bytes = Available(length, offset);
  for (int i = 0; i < t->NumOfDeviceRecords; ++i) {
    // Records lie every SizeOfDeviceRecord bytes; those beyond the table's
    // bytes are not there.
    const int64_t at = 8 + int64_t{i} * t->SizeOfDeviceRecord;
    if (t->SizeOfDeviceRecord < 2 || at + 2 > bytes) break;
    SeekTo(offset + at);
    TvnTrueTypeDeviceRecord r;
    r.PixelSize = U8();
    r.MaximumWidth = U8();
    r.widths = br->ReadBytes(static_cast<int>(std::min<int64_t>(NumGlyphs(), bytes - at - 2)));
    t->DeviceRecords.push_back(std::move(r));
  }
  hdmxTable = std::move(t);
}

void TvnTrueTypeHandler::ReadKernTable(uint32_t length, uint32_t offset) {
  auto t = std::make_unique<TvnTrueTypeKernTable>();
  t->Version = U16();
  t->NumOfSubTables = U16();
  const int64_t bytes = Available(length, offset);
  int64_t at = 4;
  for (int i = 0; i < t->NumOfSubTables && at + 6 <= bytes; ++i) {
    SeekTo(offset + at);
    auto s = std::make_unique<TvnTrueTypeKernSubTable>();
    s->Version = U16();
    s->Length = U16();
    const uint16_t coverage = U16();
    s->isHorizontal = coverage & 1;
    s->isMinimum = coverage & 2;
    s->isCrossStream = coverage & 4;
    s->isOverride = coverage & 8;
    s->Format = static_cast<uint16_t>(coverage >> 8);
    if (s->Format == 0 && at + 14 <= bytes) {
      auto f = std::make_unique<TvnTrueTypeKernSubTableFormat0>();
      f->NumOfKerningPairs = U16();
      f->SearchRange = U16();
      f->EntrySelector = U16();
      f->RangeShift = U16();
      // Pairs past the table's bytes are not there.
      const int64_t pairs = std::min<int64_t>(f->NumOfKerningPairs, (bytes - at - 14) / 6);
      for (int64_t p = 0; p < pairs; ++p) {
        TvnTrueTypeKernPairValue v;
        v.LeftGlyphIndex = U16();
        v.RightGlyphIndex = U16();
        v.KernValue = S16();
        f->KernPairValues.push_back(v);
        KernPairValues.push_back(v);
      }
      s->SubTableFormat0 = std::move(f);
    } else if (s->Format == 2) {
      s->SubTableFormat2 = true;
    }
    t->KernSubTables.push_back(std::move(s));
    // A subtable shorter than its own header ends the list: the next would
    // start inside it.
    if (t->KernSubTables.back()->Length < 6) break;
    at += t->KernSubTables.back()->Length;
  }
  kernTable = std::move(t);
}

void TvnTrueTypeHandler::ReadLtshTable(uint32_t length, uint32_t offset) {
  auto t = std::make_unique<TvnTrueTypeLtshTable>();
  t->Version = U16();
  t->NumOfGlyphs = U16();
  t->YPels = br->ReadBytes(static_cast<int>(std::clamp<int64_t>(Available(length, offset) - 4, 0, t->NumOfGlyphs)));
  ltshTable = std::move(t);
}

void TvnTrueTypeHandler::ReadPcltTable(uint32_t, uint32_t) {
  auto t = std::make_unique<TvnTrueTypePcltTable>();
  t->Version = static_cast<int32_t>(U32());
  t->FontNumber = U32();
  for (uint16_t* f : {&t->Pitch, &t->XHeight, &t->Style, &t->TypeFamily, &t->CapHeight, &t->SymbolSet}) *f = U16();
  for (uint8_t& b : t->TypeFace) b = U8();
  for (uint8_t& b : t->CharacterComplement) b = U8();
  for (uint8_t& b : t->FileName) b = U8();
  t->StrokeWeight = static_cast<int8_t>(U8());
  t->WidthType = static_cast<int8_t>(U8());
  t->SerifStyle = U8();
  t->Reserved = U8();
  pcltTable = std::move(t);
}

}  // namespace vn::fonts
