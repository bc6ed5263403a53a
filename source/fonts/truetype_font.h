// The TrueType reader: sfnt files with glyf outlines. Check reads the table
// directory and every table it knows into one object per table and keeps
// the stream, from which glyph outlines are read later, so the stream must
// outlive the reader. All sfnt values are big-endian.
//
// Glyphs are found by character code through the cmap subtable whose
// platform and encoding match the requested encoding, by glyph name
// through the post names, or by glyph index. Outlines are the glyph's
// quadratic contours as records: "close" before each contour, "lineto" and
// "curveto" (pt3 = start, start, control point, end) steps, and "addshape"
// after each contour of a top-level glyph. A composite glyph gives, per
// component, "transformmatrix" (pt3[0] = (a, b), pt3[1] = (c, d), pt3[2] =
// the offset in output units), the component's own records in its
// coordinates, and "addshape"; a point (x, y) of the component, y down, is
// drawn at (a x - c y + e, -b x + d y + f). Components nest: each
// transformmatrix holds until its addshape.
//
// Damaged data is read leniently where a sound reading exists: a table
// whose companion table is missing is skipped, 32-bit fields past the end
// of the stream read as 0, counts are bounded by the bytes there are, and
// composite glyphs are followed to a bounded depth and component count.
// Other reads past the end raise the stream's read error.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fonts/base_font.h"
#include "fonts/binary_reader.h"

namespace vn::fonts {

struct TvnTruetypeTableDirectoryEntry {
  std::string Tag;
  uint32_t CheckSum = 0, Offset = 0, Length = 0;
};

struct TvnTrueTypeTableDirectory {
  int32_t SfntVersion = 0;
  uint16_t NumTables = 0, SearchRange = 0, EntrySelector = 0, RangeShift = 0;
  std::vector<TvnTruetypeTableDirectoryEntry> TableEntries;
};

struct TvnTrueTypeHeadTable {
  int32_t Version = 0, FontRevision = 0;
  uint32_t CheckSumAdjustment = 0, MagicNumber = 0;
  uint16_t Flags = 0, UnitsPerEm = 0;
  std::array<uint8_t, 8> Created{}, Modified{};
  int16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
  uint16_t MacStyle = 0, LowestRecPPEM = 0;
  int16_t FontDirectionHint = 0, IndexToLocFormat = 0, GlyphDataFormat = 0;
};

struct TvnTrueTypeHheaTable {
  int32_t Version = 0;
  int16_t Ascender = 0, Descender = 0, LineGap = 0;
  uint16_t AdvanceWidthMax = 0;
  int16_t MinLeftSideBearing = 0, MinRightSideBearing = 0, XMaxExtent = 0, CaretSlopeRise = 0, CaretSlopeRun = 0;
  int16_t Reserved1 = 0, Reserved2 = 0, Reserved3 = 0, Reserved4 = 0, Reserved5 = 0, MetricDataFormat = 0;
  uint16_t NumberOfHMetrics = 0;
};

struct TvnTrueTypeVheaTable {
  int32_t Version = 0;
  int16_t Ascent = 0, Descent = 0, LineGap = 0, AdvanceHeightMax = 0, MinTopSideBearing = 0,
          MinBottomSideBearing = 0, YMaxExtent = 0, CaretSlopeRise = 0, CaretSlopeRun = 0, CaretOffset = 0;
  int16_t Reserved1 = 0, Reserved2 = 0, Reserved3 = 0, Reserved4 = 0, MetricDataFormat = 0;
  uint16_t NumOfLongVerMetrics = 0;
};

struct TvnTrueTypeHmtxLongHorMetric {
  uint16_t AdvanceWidth = 0;
  int16_t LeftSideBearing = 0;
};
struct TvnTrueTypeHmtxTable {
  std::vector<TvnTrueTypeHmtxLongHorMetric> HMetrics;
  std::vector<int16_t> LeftSideBearing;
};

struct TvnTrueTypeVmtxLongVerMetric {
  uint16_t AdvanceHeight = 0;
  int16_t TopSideBearing = 0;
};
struct TvnTrueTypeVmtxTable {
  std::vector<TvnTrueTypeVmtxLongVerMetric> VMetrics;
  std::vector<int16_t> TopSideBearing;
};

struct TvnTrueTypeMaxpTable {
  int32_t Version = 0;
  uint16_t NumOfGlyphs = 0, MaxPoints = 0, MaxContours = 0, MaxCompositePoints = 0, MaxCompositeContours = 0,
           MaxZones = 0, MaxTwilightPoints = 0, MaxStorage = 0, MaxFunctionDefs = 0, MaxInstructionDefs = 0,
           MaxStackElements = 0, MaxSizeOfInstructions = 0, MaxComponentElements = 0, MaxComponentDepth = 0;
};

// The glyph offsets within glyf; kEmptyGlyph marks a glyph without outline.
struct TvnTrueTypeLocaTable {
  static constexpr int64_t kEmptyGlyph = 0xFFFFFFFF;
  std::vector<int64_t> Offsets;
};

struct TvnTrueTypeNameRecord {
  EncodingType encoding = EncodingType::None;
  uint16_t PlatformID = 0, SpecificEncodingID = 0, LanguageID = 0, NameID = 0, Length = 0, Offset = 0;
  std::string Data;
};
struct TvnTrueTypeNameTable {
  uint16_t Format = 0, NumOfNameRecords = 0, Offset = 0;
  std::vector<TvnTrueTypeNameRecord> NameRecords;
};

struct TvnTrueTypePostTable {
  int32_t Format = 0, ItalicAngle = 0;
  int16_t UnderlinePosition = 0, UnderlineThickness = 0;
  uint32_t FixedPitch = 0, MinMemType42 = 0, MaxMemType42 = 0, MinMemType1 = 0, MaxMemType1 = 0;
  uint16_t NumOfGlyphs = 0;
  std::vector<uint16_t> GlyphNameIndex;
  // The name of each glyph index (empty when unnamed).
  std::vector<std::string> GlyphNames;
};

struct TvnTrueTypeOS2Table {
  uint16_t Version = 0;
  int16_t AvgCharWidth = 0;
  uint16_t WeightClass = 0, WidthClass = 0, _Type = 0;
  int16_t SubscriptXSize = 0, SubscriptYSize = 0, SubscriptXOffset = 0, SubscriptYOffset = 0,
          SuperscriptXSize = 0, SuperscriptYSize = 0, SuperscriptXOffset = 0, SuperscriptYOffset = 0,
          StrikeoutSize = 0, StrikeoutPosition = 0, FamilyClass = 0;
  std::array<uint8_t, 10> Panose{};
  uint32_t UnicodeRange1 = 0, UnicodeRange2 = 0, UnicodeRange3 = 0, UnicodeRange4 = 0;
  std::string VendID;
  uint16_t Selection = 0, FirstCharIndex = 0, LastCharIndex = 0;
  int16_t TypoAscender = 0, TypoDescender = 0, TypoLineGap = 0;
  uint16_t WinAscent = 0, WinDescent = 0;
  uint32_t CodePageRange1 = 0, CodePageRange2 = 0;
};

struct TvnTrueTypeCmapFormat0 {
  uint16_t Format = 0, Length = 0, Version = 0;
  std::array<uint8_t, 256> GlyphIdArray{};
};
struct TvnTrueTypeCmapFormat2SubHeader {
  uint16_t FirstCode = 0, EntryCount = 0;
  int16_t IdDelta = 0;
  uint16_t IdRangeOffset = 0;
};
struct TvnTrueTypeCmapFormat2 {
  uint16_t Format = 0, Length = 0, Version = 0;
  std::array<uint16_t, 256> SubHeaderKeys{};
  std::vector<TvnTrueTypeCmapFormat2SubHeader> SubHeaders;
  std::vector<uint16_t> GlyphIndexArray;
};
struct TvnTrueTypeCmapFormat4 {
  uint16_t Format = 0, Length = 0, Version = 0, SegCount = 0, SearchRange = 0, EntrySelector = 0, RangeShift = 0;
  std::vector<uint16_t> EndCount;
  uint16_t ReservePad = 0;
  std::vector<uint16_t> StartCount, IdDelta, IdRangeOffset, GlyphIdArray;
};
struct TvnTrueTypeCmapFormat6 {
  uint16_t Format = 0, Length = 0, Version = 0, FirstCode = 0, EntryCount = 0;
  std::vector<uint16_t> GlyphIdArray;
};

struct TvnTrueTypeCmapEncodingTable {
  uint16_t PlatformID = 0, EncodingID = 0;
  uint32_t Offset = 0;
  // From the platform and encoding IDs; None for a pair this reader has no
  // encoding for.
  EncodingType encoding = EncodingType::None;
  uint16_t Format = 0;
  std::unique_ptr<TvnTrueTypeCmapFormat0> format0;
  std::unique_ptr<TvnTrueTypeCmapFormat2> format2;
  std::unique_ptr<TvnTrueTypeCmapFormat4> format4;
  std::unique_ptr<TvnTrueTypeCmapFormat6> format6;
  std::vector<int32_t> glyphIdToCharacterCode;
  std::map<int32_t, int32_t> characterCodeToGlyphId;
};
struct TvnTrueTypeCmapTable {
  uint16_t Version = 0, NumOfEncodingTables = 0;
  std::vector<std::unique_ptr<TvnTrueTypeCmapEncodingTable>> EncodingTables;
};

struct TvnTrueTypeKernPairValue {
  uint16_t LeftGlyphIndex = 0, RightGlyphIndex = 0;
  int16_t KernValue = 0;
};
struct TvnTrueTypeKernSubTableFormat0 {
  uint16_t NumOfKerningPairs = 0, SearchRange = 0, EntrySelector = 0, RangeShift = 0;
  std::vector<TvnTrueTypeKernPairValue> KernPairValues;
};
struct TvnTrueTypeKernSubTable {
  uint16_t Version = 0, Length = 0;
  bool isHorizontal = false, isMinimum = false, isCrossStream = false, isOverride = false;
  uint16_t Format = 0;
  std::unique_ptr<TvnTrueTypeKernSubTableFormat0> SubTableFormat0;
  bool SubTableFormat2 = false;  // format 2 subtables are recognised, not read
};
struct TvnTrueTypeKernTable {
  uint16_t Version = 0, NumOfSubTables = 0;
  std::vector<std::unique_ptr<TvnTrueTypeKernSubTable>> KernSubTables;
};

struct TvnTrueTypeGaspRangeRecord {
  uint16_t RangeMaxPPEM = 0, RangeGaspBehavior = 0;
};
struct TvnTrueTypeGaspTable {
  uint16_t Version = 0, NumRanges = 0;
  std::vector<TvnTrueTypeGaspRangeRecord> GaspRange;
};

struct TvnTrueTypeDeviceRecord {
  uint8_t PixelSize = 0, MaximumWidth = 0;
  std::vector<uint8_t> widths;
};
struct TvnTrueTypeHdmxTable {
  uint16_t Version = 0;
  int16_t NumOfDeviceRecords = 0;
  int32_t SizeOfDeviceRecord = 0;
  std::vector<TvnTrueTypeDeviceRecord> DeviceRecords;
};

struct TvnTrueTypeLtshTable {
  uint16_t Version = 0, NumOfGlyphs = 0;
  std::vector<uint8_t> YPels;
};

struct TvnTrueTypePcltTable {
  int32_t Version = 0;
  uint32_t FontNumber = 0;
  uint16_t Pitch = 0, XHeight = 0, Style = 0, TypeFamily = 0, CapHeight = 0, SymbolSet = 0;
  std::array<uint8_t, 16> TypeFace{};
  std::array<uint8_t, 8> CharacterComplement{};
  std::array<uint8_t, 6> FileName{};
  int8_t StrokeWeight = 0, WidthType = 0;
  uint8_t SerifStyle = 0, Reserved = 0;
};

struct TvnTrueTypeCvtTable {
  std::vector<int16_t> ControlValues;
};
struct TvnTrueTypeFpgmTable {
  std::vector<uint8_t> Instructions;
};
struct TvnTrueTypePrepTable {
  std::vector<uint8_t> Instructions;
};

struct TvnTrueTypeGlyfInfo {
  int32_t Id = 0;
  int64_t Offset = TvnTrueTypeLocaTable::kEmptyGlyph;
  std::string Name;
  int16_t NumberOfContours = 0, XMin = 0, YMin = 0, XMax = 0, YMax = 0;
  bool IsComposite = false;
};

// One simple glyph as read: contour ends, instructions, and its points in
// output units.
struct TvnTrueTypeGlyfSimple {
  std::vector<uint16_t> EndPtsOfContours;
  uint16_t InstructionLength = 0;
  std::vector<uint8_t> Instructions;
  std::vector<uint8_t> Flags;
  std::vector<float> XCoordinates, YCoordinates;
  std::vector<bool> OnCurve;
};

class TvnTrueTypeHandler : public TvnBaseFont {
 public:
  TvnTrueTypeHandler();
  ~TvnTrueTypeHandler() override;

  std::unique_ptr<TvnRecList> GetOutlineForGlyphName(std::string_view AGlyphName, float AFontsize, int Adpi,
                                                     EncodingType AEncoding) override;
  std::unique_ptr<TvnRecList> GetOutlineForCharCode(int32_t ACharCode, float AFontsize, int Adpi,
                                                    EncodingType AEncoding) override;
  std::unique_ptr<TvnRecList> GetOutlineForGlyphID(int32_t AGlyphId, float AFontsize, int Adpi,
                                                   EncodingType AEncoding) override;
  bool Check(TStream& AStream) override;
  bool IsCharCodeAvailable(int32_t ACharCode, EncodingType AEncoding) override;
  FontType GetFontType() override { return FFontType; }
  void Close() override {}

  // One encoding per cmap subtable, in subtable order.
  const std::vector<EncodingType>& GetSupportedEncodings() const { return encodingList; }
  // The glyph of a code in the subtable of that encoding (None: the first
  // subtable's); 0 when unmapped or when no subtable has the encoding.
  int32_t GetGlyphID(int32_t charCode, EncodingType encoding) const;
  // The first glyph of that name; 0 when none.
  int32_t GetGlyphID(std::string_view glyphName) const;
  // The glyph's outline scaled to FontSize at Dpi; null when it has none.
  std::unique_ptr<TvnRecList> GetShapeForGlyphIndex(int32_t glyphID, float FontSize, int Dpi, bool CanAddShape);

  int64_t ttcOffset = 0;
  std::unique_ptr<TvnBinaryReader> br;
  FontType FFontType = FontType::TrueType;
  std::unique_ptr<TvnTrueTypeTableDirectory> TableDirectory;
  std::unique_ptr<TvnTrueTypeCmapTable> cmapTable;
  std::unique_ptr<TvnTrueTypeMaxpTable> maxpTable;
  std::unique_ptr<TvnTrueTypePostTable> postTable;
  std::unique_ptr<TvnTrueTypeHeadTable> headTable;
  std::unique_ptr<TvnTrueTypeHheaTable> HheaTable;
  std::unique_ptr<TvnTrueTypeNameTable> nameTable;
  std::unique_ptr<TvnTrueTypeOS2Table> os2Table;
  std::unique_ptr<TvnTrueTypeCvtTable> cvtTable;
  std::unique_ptr<TvnTrueTypeFpgmTable> fpgmTable;
  std::unique_ptr<TvnTrueTypeGaspTable> gaspTable;
  std::unique_ptr<TvnTrueTypeHdmxTable> hdmxTable;
  std::unique_ptr<TvnTrueTypeKernTable> kernTable;
  std::unique_ptr<TvnTrueTypeLtshTable> ltshTable;
  std::unique_ptr<TvnTrueTypePrepTable> prepTable;
  std::unique_ptr<TvnTrueTypePcltTable> pcltTable;
  std::unique_ptr<TvnTrueTypeVheaTable> vheaTable;
  std::unique_ptr<TvnTrueTypeVmtxTable> vmtxTable;
  std::unique_ptr<TvnTrueTypeHmtxTable> hmtxTable;
  std::unique_ptr<TvnTrueTypeLocaTable> locaTable;
  int64_t glyfTableOffset = 0;
  std::map<int32_t, TvnTrueTypeGlyfInfo> glyfInfoDictionary;
  std::map<int32_t, std::string> glyfIdNameDictionary;
  std::vector<TvnTrueTypeKernPairValue> KernPairValues;
  std::vector<EncodingType> encodingList;

  // Components followed below one glyph, and components in one outline.
  static constexpr int kMaxComponentDepth = 16;
  static constexpr int kMaxComponents = 4096;

 private:
  void ReadTables();
  void ReadHeadTable(uint32_t length, uint32_t offset);
  void ReadHheaTable(uint32_t length, uint32_t offset);
  void ReadHmtxTable(uint32_t length, uint32_t offset);
  void ReadLocaTable(uint32_t length, uint32_t offset);
  void ReadMaxpTable(uint32_t length, uint32_t offset);
  void ReadNameTable(uint32_t length, uint32_t offset);
  void ReadPostTable(uint32_t length, uint32_t offset);
  void ReadOs2Table(uint32_t length, uint32_t offset);
  void ReadCmapTable(uint32_t length, uint32_t offset);
  void ReadGlyfTable(uint32_t length, uint32_t offset);
  void ReadCvtTable(uint32_t length, uint32_t offset);
  void ReadFpgmTable(uint32_t length, uint32_t offset);
  void ReadGaspTable(uint32_t length, uint32_t offset);
  void ReadHdmxTable(uint32_t length, uint32_t offset);
  void ReadKernTable(uint32_t length, uint32_t offset);
  void ReadLtshTable(uint32_t length, uint32_t offset);
  void ReadPrepTable(uint32_t length, uint32_t offset);
  void ReadPcltTable(uint32_t length, uint32_t offset);
  void ReadVheaTable(uint32_t length, uint32_t offset);
  void ReadVmtxTable(uint32_t length, uint32_t offset);
  void ReadCmapSubtable(TvnTrueTypeCmapEncodingTable& table);
  void Reset();

  // Big-endian reads at the current position.
  uint16_t U16();
  int16_t S16() { return static_cast<int16_t>(U16()); }
  uint32_t U32();
  uint8_t U8() { return br->ReadByte(); }
  void SeekTo(int64_t position);
  // Bytes of a table that lie inside the stream.
  int64_t Available(uint32_t length, uint32_t offset);
  int32_t NumGlyphs() const;
  std::string GlyphNameOf(int32_t index) const;

  std::unique_ptr<TvnRecList> Shape(int32_t glyphID, double scale, bool CanAddShape, int depth, int& components);
  std::unique_ptr<TvnTrueTypeGlyfSimple> ReadSimpleGlyph(int16_t contours, double scale);

  TStream* FStream = nullptr;
  int64_t FStreamSize = 0;
};

}  // namespace vn::fonts
