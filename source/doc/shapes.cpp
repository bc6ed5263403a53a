#include "doc/shapes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "platform/emf/emf_reader.h"
#include "platform/emf/wmf_converter.h"
#include "platform/images/image_codecs.h"
#include "runtime/inflate.h"
#include "wordmodel/shape_properties.h"

namespace vn::doc {

namespace wm = vn::wordmodel;

namespace {

// Record types of the Office Art data.
enum : uint16_t {
  kDggContainer = 0xF000, kBStoreContainer = 0xF001, kDgContainer = 0xF002, kSpgrContainer = 0xF003,
  kSpContainer = 0xF004, kFDGGBlock = 0xF006, kFBSE = 0xF007, kFSP = 0xF00A, kFOPT = 0xF00B,
  kSplitMenuColors = 0xF11E, kColorMRU = 0xF11A, kTertiaryFOPT = 0xF122,
  kBlipEmf = 0xF01A, kBlipWmf = 0xF01B, kBlipPict = 0xF01C, kBlipJpeg = 0xF01D, kBlipPng = 0xF01E,
  kBlipDib = 0xF01F, kBlipTiff = 0xF029, kBlipJpegCmyk = 0xF02A,
};

constexpr int64_t kRecordHeaderSize = 8;
constexpr int64_t kSpaSize = 26;
constexpr int64_t kFtxbxsSize = 22;
constexpr int64_t kPicfSize = 68;
constexpr int64_t kFbseSize = 36;
constexpr uint16_t kShapeFileMapping = 102;  // a PICF whose picture is a shape file
constexpr uint32_t kNoDelay = 0xFFFFFFFF;
constexpr double kEmuPerPixel = 914400.0 / 96.0;
// A metafile larger than this once inflated is damage, not a picture.
constexpr uint64_t kMaxMetafileSize = uint64_t{256} << 20;

// A little-endian value of ASize bytes at AAt of ABytes; 0 outside them.
uint32_t ArtValue(std::span<const uint8_t> ABytes, int64_t AAt, int ASize) {
  uint32_t value = 0;
  for (int i = ASize - 1; i >= 0; --i) {
    const int64_t at = AAt + i;
    value = (value << 8) | (at >= 0 && at < static_cast<int64_t>(ABytes.size()) ? ABytes[static_cast<size_t>(at)] : 0u);
  }
  return value;
}

int32_t ArtSigned32(std::span<const uint8_t> ABytes, int64_t AAt) {
  return static_cast<int32_t>(ArtValue(ABytes, AAt, 4));
}

// Twips to pixels at 96 per inch, to the nearest whole pixel.
int32_t ShapeTwipsToPixels(int64_t ATwips) { return static_cast<int32_t>(std::lround(static_cast<double>(ATwips) / 15.0)); }

double EmuToShapePixels(uint32_t AEmu) { return static_cast<double>(static_cast<int32_t>(AEmu)) / kEmuPerPixel; }

int32_t ShapePixels(double APixels) {
  return static_cast<int32_t>(std::lround(std::clamp(APixels, -2147483648.0, 2147483647.0)));
}

// The bytes at the start of a picture record's data that are not picture
// file bytes: its identifiers, and for a metafile the metafile header (the
// last 34 of them).
int64_t BlipPrefix(uint16_t AType, uint16_t AInstance) {
  switch (AType) {
    case kBlipEmf:
    case kBlipWmf:
    case kBlipPict:
      return AInstance == 0x3D4 || AInstance == 0x216 || AInstance == 0x542 ? 50 : 66;
    case kBlipJpeg:
    case kBlipPng:
    case kBlipDib:
    case kBlipTiff:
    case kBlipJpegCmyk:
      return AInstance == 0x46A || AInstance == 0x6E0 || AInstance == 0x6E2 || AInstance == 0x6E4 ||
                     AInstance == 0x7A8
                 ? 17
                 : 33;
    default: return -1;
  }
}

// A device-independent bitmap as a bitmap file: the file header it is stored
// without, giving where the pixels start after the header and colour table.
std::vector<uint8_t> BitmapFileOf(std::span<const uint8_t> ADib) {
  const uint32_t header = ArtValue(ADib, 0, 4);
  const uint32_t bits = ArtValue(ADib, 14, 2);
  const uint32_t compression = ArtValue(ADib, 16, 4);
  const uint32_t used = ArtValue(ADib, 32, 4);
  uint64_t table = 0;
  if (header == 12) table = bits <= 8 ? (uint64_t{1} << bits) * 3 : 0;  // a core header's triples
  else if (bits <= 8) table = (used != 0 ? used : uint64_t{1} << bits) * 4;
  if (header == 40 && compression == 3) table += 12;  // the three bit-field masks
  const uint64_t size = 14 + ADib.size();
  const uint64_t offset = std::min<uint64_t>(14 + uint64_t{header} + table, size);
  std::vector<uint8_t> file = {'B', 'M'};
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(size >> (8 * i)));
  file.insert(file.end(), 4, 0);
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(offset >> (8 * i)));
  file.insert(file.end(), ADib.begin(), ADib.end());
  return file;
}

// Whether the bytes are a picture file the image decoders know.
bool IsPictureFile(std::span<const uint8_t> ABytes) {
  const auto bytes = std::as_bytes(ABytes);
  return vn::platform::DetectImageFormat(bytes) != vn::platform::ImageFormat::Unknown ||
         vn::platform::emf::EmfFile::IsEmf(bytes) || vn::platform::emf::IsWmf(bytes);
}

}  // namespace

std::vector<uint8_t> ReadBlipRecord(std::span<const uint8_t> ABytes, int64_t AAt, int64_t AAvailable,
                                    uint64_t AMaxSize) {
  const auto size = static_cast<int64_t>(ABytes.size());
  if (AAt < 0 || AAt + kRecordHeaderSize > size || AAvailable < kRecordHeaderSize) return {};
  const auto instance = static_cast<uint16_t>(ArtValue(ABytes, AAt, 2) >> 4);
  const auto type = static_cast<uint16_t>(ArtValue(ABytes, AAt + 2, 2));
  const int64_t data = AAt + kRecordHeaderSize;
  const int64_t length = std::min({static_cast<int64_t>(ArtValue(ABytes, AAt + 4, 4)), AAvailable - kRecordHeaderSize,
                                   size - data});
  const int64_t prefix = BlipPrefix(type, instance);
  if (prefix < 0 || length <= prefix || static_cast<uint64_t>(length - prefix) > AMaxSize) return {};
  const auto picture = ABytes.subspan(static_cast<size_t>(data + prefix), static_cast<size_t>(length - prefix));
  std::vector<uint8_t> file;
  if (type == kBlipEmf || type == kBlipWmf || type == kBlipPict) {
    // The metafile header: the inflated size, the bounds, the size in EMU,
    // the stored size and the compression (0: deflate, 0xFE: none).
    const int64_t header = data + prefix - 34;
    const uint32_t inflated = ArtValue(ABytes, header, 4);
    const uint32_t stored = ArtValue(ABytes, header + 28, 4);
    const uint32_t compression = ArtValue(ABytes, header + 32, 1);
    if (compression == 0) {
      if (inflated == 0 || inflated > kMaxMetafileSize) return {};
      if (inflated > AMaxSize) return {};
      vn::codec::SpanSource source(picture.first(std::min<size_t>(picture.size(), stored)));
      vn::codec::Inflater inflater(source);
      inflater.SetMaxOutput(inflated);
      // In steps, so that a size the data do not reach costs nothing.
      uint8_t chunk[65536];
      for (size_t n; (n = inflater.Read(chunk, sizeof chunk)) > 0;) file.insert(file.end(), chunk, chunk + n);
    } else {
      file.assign(picture.begin(), picture.end());
    }
  } else if (type == kBlipDib) {
    file = BitmapFileOf(picture);
  } else {
    file.assign(picture.begin(), picture.end());
  }
  if (!IsPictureFile(file)) return {};
  return file;
}

// ---------------------------------------------------------------------------
// Office Art records

// A record: its instance, type, where its data start and where they end
// (bounded by the record that holds it).
struct TvnDocShapes::Record {
  std::span<const uint8_t> FBytes;
  uint16_t FInstance = 0;
  uint16_t FType = 0;
  int64_t FData = 0;
  int64_t FEnd = 0;
  // The length the header gives, which may reach past FEnd.
  int64_t FLength = 0;

  // The record whose header lies at AAt, inside [.., ALimit); none when its
  // header does not fit.
  static std::optional<Record> At(std::span<const uint8_t> ABytes, int64_t AAt, int64_t ALimit) {
    ALimit = std::min<int64_t>(ALimit, static_cast<int64_t>(ABytes.size()));
    if (AAt < 0 || AAt + kRecordHeaderSize > ALimit) return std::nullopt;
    Record r;
    r.FBytes = ABytes;
    r.FInstance = static_cast<uint16_t>(ArtValue(ABytes, AAt, 2) >> 4);
    r.FType = static_cast<uint16_t>(ArtValue(ABytes, AAt + 2, 2));
    r.FLength = ArtValue(ABytes, AAt + 4, 4);
    r.FData = AAt + kRecordHeaderSize;
    r.FEnd = std::min(r.FData + r.FLength, ALimit);
    return r;
  }

  // Calls AVisit(child) for each child record in turn while it answers
  // true and the children's lengths stay below the record's.
  template <typename TVisit>
  void Children(TVisit&& AVisit) const {
    int64_t at = FData;
    while (at < FData + FLength) {
      const std::optional<Record> child = At(FBytes, at, FEnd);
      if (!child || !AVisit(*child)) return;
      at = child->FData + child->FLength;
    }
  }
};

void TvnDocShapes::ReadShapeAnchors(std::span<const uint8_t> ATable, const TvnFIBBase& AFib, int64_t ATotal) {
  FPlcfSpa = {};
  const int64_t start = AFib.FfcPlcSpaMom;
  const int64_t end = std::min<int64_t>(start + AFib.FlcbPlcSpaMom, static_cast<int64_t>(ATable.size()));
  if (end - start < 4) return;
  // n + 1 positions, then n anchors; the last position is the end of the
  // text (the document's length, or one more).
  const int64_t n = (end - start - 4) / (4 + kSpaSize);
  for (int64_t i = 0; i < n; ++i) {
    const int64_t cp = ArtValue(ATable, start + 4 * i, 4);
    if (cp == ATotal || cp == ATotal + 1) break;
    const int64_t at = start + 4 * (n + 1) + kSpaSize * i;
    TvnSPA spa;
    spa.FLid = ArtSigned32(ATable, at);
    spa.FRect = {ShapeTwipsToPixels(ArtSigned32(ATable, at + 4)), ShapeTwipsToPixels(ArtSigned32(ATable, at + 8)),
                 ShapeTwipsToPixels(ArtSigned32(ATable, at + 12)), ShapeTwipsToPixels(ArtSigned32(ATable, at + 16))};
    const uint32_t flags = ArtValue(ATable, at + 20, 2);
    spa.FBx = static_cast<int32_t>((flags >> 1) & 3);
    spa.FBy = static_cast<int32_t>((flags >> 3) & 3);
    spa.FWr = static_cast<int32_t>((flags >> 5) & 0xF);
    spa.FWrk = static_cast<int32_t>((flags >> 9) & 0xF);
    spa.FFBelowText = (flags & 0x4000) != 0;
    spa.FFAnchorLock = (flags & 0x8000) != 0;
    FPlcfSpa.FCP.push_back(cp);
    FPlcfSpa.FSpa.push_back(spa);
  }
}

void TvnDocShapes::ReadTextBoxes(std::span<const uint8_t> ATable, const TvnFIBBase& AFib) {
  FaFTXBXS.clear();
  const int64_t start = AFib.FfcPlcftxbxTxt;
  const int64_t end = std::min<int64_t>(start + AFib.FlcbPlcftxbxTxt, static_cast<int64_t>(ATable.size()));
  if (end - start < 4) return;
  const int64_t n = (end - start - 4) / (4 + kFtxbxsSize);
  for (int64_t i = 0; i < n; ++i) {
    const int64_t first = ArtValue(ATable, start + 4 * i, 4);
    if (first > AFib.FccpTxbx) break;
    const int64_t at = start + 4 * (n + 1) + kFtxbxsSize * i;
    TvnFTXBXS box;
    box.FCpStart = first;
    box.FCpEnd = static_cast<int64_t>(ArtValue(ATable, start + 4 * (i + 1), 4)) - 1;
    const auto one = static_cast<int32_t>(ArtValue(ATable, at, 4));
    const auto two = static_cast<int32_t>(ArtValue(ATable, at + 4, 4));
    box.FReusable = static_cast<int32_t>(ArtValue(ATable, at + 8, 2));
    if (box.FReusable == 0) box.FfTXBXNonReusable = TvnFTXBXNonReusable{one, two};
    else if (box.FReusable == 1) box.FfTXBXSReusable = TvnFTXBXSReusable{one, two};
    box.FLid = ArtSigned32(ATable, at + 14);
    FaFTXBXS.emplace(box.FLid, box);  // the first box of an id is kept
  }
}

void TvnDocShapes::ReadOfficeArt(std::span<const uint8_t> ATable, std::span<const uint8_t> AWord,
                                 const TvnFIBBase& AFib) {
  FTable = ATable;
  FWord = AWord;
  const int64_t start = AFib.FfcDggInfo;
  const int64_t end = std::min<int64_t>(start + AFib.FlcbDggInfo, static_cast<int64_t>(ATable.size()));
  const std::optional<Record> group = Record::At(ATable, start, end);
  if (!group || group->FType != kDggContainer) return;
  ReadDrawingGroup(*group);
  // Then the drawings, each after its one-byte label (main document or
  // header).
  int64_t at = group->FData + group->FLength;
  while (at + 1 + kRecordHeaderSize <= end) {
    const std::optional<Record> drawing = Record::At(ATable, at + 1, end);
    if (!drawing) break;
    if (drawing->FType != kDgContainer) {
      at += 5;  // past the label and the record's first four bytes
      continue;
    }
    ReadDrawing(*drawing);
    at = drawing->FData + drawing->FLength;
  }
  FTable = {};
  FWord = {};
  FPicturesRead.clear();
}

std::vector<uint8_t> TvnDocShapes::TakeFromBudget(std::vector<uint8_t> APicture) const {
  if (APicture.size() > FPictureBudget) return {};
  FPictureBudget -= APicture.size();
  return APicture;
}

void TvnDocShapes::ReadDrawingGroup(const Record& AGroup) {
  AGroup.Children([&](const Record& child) {
    switch (child.FType) {
      case kBStoreContainer: ReadBlipStore(child); return true;
      case kFOPT: ReadShapeOptions(child, -1); return true;
      case kFDGGBlock:
      case kColorMRU:
      case kSplitMenuColors:
      case kTertiaryFOPT: return true;
      default: return false;
    }
  });
}

void TvnDocShapes::ReadBlipStore(const Record& AStore) {
  AStore.Children([&](const Record& child) {
    if (child.FType == kFBSE) ReadBlipStoreEntry(child);
    return true;
  });
}

void TvnDocShapes::ReadBlipStoreEntry(const Record& AEntry) {
  // btWin32, btMacOS, the identifier and tag, then size, cRef, foDelay.
  const int64_t size = ArtValue(AEntry.FBytes, AEntry.FData + 20, 4);
  const uint32_t delay = ArtValue(AEntry.FBytes, AEntry.FData + 28, 4);
  // Every entry keeps its place, so that the picture numbers of the
  // shapes count the entries that hold nothing too.
  if (delay == kNoDelay || AEntry.FEnd - AEntry.FData < kFbseSize) {
    FBinaryImages.push_back(std::make_shared<const std::vector<uint8_t>>());
    return;
  }
  // Entries naming the same record share its picture.
  TvnDocPicture& picture = FPicturesRead[{delay, size}];
  if (!picture) picture = std::make_shared<const std::vector<uint8_t>>(TakeFromBudget(ReadBlipRecord(FWord, delay, size, FPictureBudget)));
  FBinaryImages.push_back(picture);
}

void TvnDocShapes::ReadDrawing(const Record& ADrawing) {
  ADrawing.Children([&](const Record& child) {
    if (child.FType == kSpgrContainer) ReadShapeGroup(child, 1);
    else if (child.FType == kSpContainer) ReadShape(child);
    return true;
  });
}

void TvnDocShapes::ReadShapeGroup(const Record& AGroup, int ADepth) {
  if (ADepth > kMaxRecordDepth) return;
  AGroup.Children([&](const Record& child) {
    if (child.FType == kSpgrContainer) ReadShapeGroup(child, ADepth + 1);
    else if (child.FType == kSpContainer) ReadShape(child);
    else return false;
    return true;
  });
}

void TvnDocShapes::ReadShape(const Record& AShape) {
  int32_t id = 0;
  AShape.Children([&](const Record& child) {
    if (child.FType == kFSP) id = ArtSigned32(child.FBytes, child.FData);
    else if (child.FType == kFOPT || child.FType == kTertiaryFOPT) ReadShapeOptions(child, id);
    return true;
  });
}

void TvnDocShapes::ReadShapeOptions(const Record& AOptions, int32_t AShapeId) {
  // The property table, at most as many entries as the record holds.
  const int64_t count = std::min<int64_t>(AOptions.FInstance, (AOptions.FEnd - AOptions.FData) / 6);
  std::vector<std::pair<uint16_t, uint32_t>> complex;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t at = AOptions.FData + 6 * i;
    const auto key = static_cast<uint16_t>(ArtValue(AOptions.FBytes, at, 2));
    const uint32_t value = ArtValue(AOptions.FBytes, at + 2, 4);
    const auto id = static_cast<uint16_t>(key & 0x3FFF);
    if ((key & 0x8000) != 0) {
      if (std::none_of(complex.begin(), complex.end(), [&](const auto& c) { return c.first == id; }))
        complex.emplace_back(id, value);
    } else {
      ReadShapeProperty(AShapeId, id, value);
    }
  }
  // The complex data follow the table, in its order; of them only the
  // shape's name is read.
  int64_t at = AOptions.FData + 6 * count;
  for (const auto& [id, length] : complex) {
    if (at >= AOptions.FEnd) break;
    const int64_t end = std::min<int64_t>(at + length, AOptions.FEnd);
    if (id == 896) {
      auto& shape = FShapesProperties[AShapeId];
      for (int64_t c = at; c + 2 <= end; c += 2) {
        const uint32_t ch = ArtValue(AOptions.FBytes, c, 2);
        if (ch == 0) break;
        if (ch < 256) shape.FShapeName.push_back(static_cast<char16_t>(ch));
      }
    }
    at = end;
  }
}

void TvnDocShapes::ReadShapeProperty(int32_t AShapeId, uint16_t AId, uint32_t AValue) {
  using H = wm::TvnHRelativePosition;
  using V = wm::TvnVRelativePosition;
  using HA = wm::TvnDrawingHAlignment;
  using VA = wm::TvnDrawingVAlignment;
  const auto shape = [&]() -> TvnShapesProperties& { return FShapesProperties[AShapeId]; };
  const auto color = [&] {
    return vn::framework::TvnRGBColor{static_cast<uint8_t>(AValue), static_cast<uint8_t>(AValue >> 8),
                                      static_cast<uint8_t>(AValue >> 16)};
  };
  const auto value = static_cast<int32_t>(AValue);
  switch (AId) {
    case 129: shape().FMarginLeft = EmuToShapePixels(AValue); break;
    case 130: shape().FMarginTop = EmuToShapePixels(AValue); break;
    case 131: shape().FMarginRight = EmuToShapePixels(AValue); break;
    case 132: shape().FMarginBottom = EmuToShapePixels(AValue); break;
    case 191: {
      auto& s = shape();
      if ((AValue & 0x40) != 0 || ((AValue >> 16) & 0x40) != 0) s.FShapeAutoFit = wm::TvnAutoFit::afShapeAutoFit;
      break;
    }
    case 385: shape().FFillColor = color(); break;
    case 448: shape().FLineColor = color(); break;
    case 459: shape().FLineWidth = EmuToShapePixels(AValue); break;
    case 900: shape().FWrapDistLeft = value; break;
    case 901: shape().FWrapDistTop = value; break;
    case 902: shape().FWrapDistRight = value; break;
    case 903: shape().FWrapDistBottom = value; break;
    // Position 0 is the absolute one: the anchor's offset counts, as it
    // does without the property.
    case 911: {
      static constexpr HA kPosh[] = {HA::dhaNoAlignment, HA::dhaLeft,   HA::dhaCenter,
                                     HA::dhaRight,       HA::dhaInside, HA::dhaOutside};
      auto& s = shape();
      if (AValue <= 5) s.FHAlignment = kPosh[AValue];
      break;
    }
    case 913: {
      static constexpr VA kPosv[] = {VA::dvaNoAlignment, VA::dvaTop,    VA::dvaCenter,
                                     VA::dvaBottom,      VA::dvaInside, VA::dvaOutside};
      auto& s = shape();
      if (AValue <= 5) s.FVAlignment = kPosv[AValue];
      break;
    }
    case 1984: shape().FPctHorizPercent = value; break;
    case 1985: shape().FPctVertPercent = value; break;
    case 1986: shape().FPctHorizPos = value; break;
    case 1987: shape().FPctVertPos = value; break;
    case 1988: {
      static constexpr H kRelh[] = {H::hrpPage, H::hrpMargin, H::hrpLeftMargin, H::hrpRightMargin,
                                    H::hrpInsideMargin, H::hrpOutsideMargin};
      auto& s = shape();
      if (AValue <= 5) s.FSizerelh = kRelh[AValue];
      break;
    }
    case 1989: {
      static constexpr V kRelv[] = {V::vrpPage, V::vrpMargin, V::vrpTopMargin, V::vrpBottomMargin,
                                    V::vrpInsideMargin, V::vrpOutsideMargin};
      auto& s = shape();
      if (AValue <= 5) s.FSizerelv = kRelv[AValue];
      break;
    }
    case 260: {
      // The picture number counts from 1; one the blip store does not
      // hold shows nothing.
      auto& s = shape();
      if (AValue >= 1 && AValue <= FBinaryImages.size()) s.FImageStream = FBinaryImages[AValue - 1];
      break;
    }
    default: break;
  }
}

// ---------------------------------------------------------------------------
// Model items

std::unique_ptr<wm::TvnWordImage> TvnDocShapes::InlinePicture(std::span<const uint8_t> AData, int64_t AOffset,
                                                               wm::TvnResourceCollection* ACollection) const {
  const auto size = static_cast<int64_t>(AData.size());
  if (ACollection == nullptr || AOffset < 0 || AOffset + kPicfSize > size) return nullptr;
  const int64_t lcb = ArtValue(AData, AOffset, 4);
  const int64_t end = std::min(AOffset + lcb, size);
  const uint32_t mm = ArtValue(AData, AOffset + 6, 2);
  const auto dxa_goal = static_cast<int16_t>(ArtValue(AData, AOffset + 28, 2));
  const auto dya_goal = static_cast<int16_t>(ArtValue(AData, AOffset + 30, 2));
  const auto mx = static_cast<uint16_t>(ArtValue(AData, AOffset + 32, 2));
  const auto my = static_cast<uint16_t>(ArtValue(AData, AOffset + 34, 2));
  int64_t at = AOffset + kPicfSize;
  if (mm == kShapeFileMapping) at += 1 + ArtValue(AData, at, 1);
  // The shape container, then the blip-store entry with the picture.
  const std::optional<Record> shape = Record::At(AData, at, end);
  if (!shape) return nullptr;
  const std::optional<Record> entry = Record::At(AData, shape->FData + shape->FLength, end);
  if (!entry || entry->FType != kFBSE) return nullptr;
  const String name = IntToStr(AOffset);
  if (!ACollection->ContainsResource(name)) {
    const int64_t blip = entry->FData + kFbseSize + ArtValue(AData, entry->FData + 33, 1);
    std::vector<uint8_t> picture = TakeFromBudget(ReadBlipRecord(AData, blip, end - blip, FPictureBudget));
    if (picture.empty()) return nullptr;
    auto resource = std::make_unique<wm::TvnImageResource>(name);
    resource->SetResourceStream(std::make_shared<vn::TMemoryStream>(std::move(picture)));
    ACollection->AddResource(std::move(resource));
  }
  auto image = std::make_unique<wm::TvnWordImage>(ACollection);
  image->SetIsInLine(true);
  image->SetResourceName(name);
  image->SetHeight(ShapeTwipsToPixels(int64_t{dya_goal} * my / 1000));
  image->SetWidth(ShapeTwipsToPixels(int64_t{dxa_goal} * mx / 1000));
  return image;
}

const TvnSPA* TvnDocShapes::AnchorAt(int64_t APosition) const {
  const auto it = std::find(FPlcfSpa.FCP.begin(), FPlcfSpa.FCP.end(), APosition);
  if (it == FPlcfSpa.FCP.end()) return nullptr;
  const TvnSPA& spa = FPlcfSpa.FSpa[static_cast<size_t>(it - FPlcfSpa.FCP.begin())];
  // A rectangle whose sides are the wrong way round is damage: no object.
  if (spa.FRect.Right < spa.FRect.Left || spa.FRect.Bottom < spa.FRect.Top) return nullptr;
  return &spa;
}

template <typename TItem>
void TvnDocShapes::Place(TItem& AItem, const TvnSPA& ASpa, const TvnShapesProperties& AShape) const {
  AItem.SetIsInLine(false);
  AItem.SetBehindDoc(ASpa.FFBelowText);
  AItem.SetBoundingRect(ASpa.FRect);
  AItem.SetPositionX(ASpa.FRect.Left);
  AItem.SetPositionY(ASpa.FRect.Top);
  AItem.SetHAlignment(AShape.FHAlignment);
  AItem.SetVAlignment(AShape.FVAlignment);
  switch (ASpa.FBx) {
    case 0: AItem.SetHRelativePosition(wm::TvnHRelativePosition::hrpMargin); break;
    case 1: AItem.SetHRelativePosition(wm::TvnHRelativePosition::hrpPage); break;
    case 2: AItem.SetHRelativePosition(wm::TvnHRelativePosition::hrpColumn); break;
    default: break;
  }
  // A position relative to the margin counts from the top margin's inner
  // edge, where the text starts.
  switch (ASpa.FBy) {
    case 0: AItem.SetVRelativePosition(wm::TvnVRelativePosition::vrpMargin); break;
    case 1: AItem.SetVRelativePosition(wm::TvnVRelativePosition::vrpPage); break;
    case 2: AItem.SetVRelativePosition(wm::TvnVRelativePosition::vrpParagraph); break;
    default: break;
  }
  std::unique_ptr<wm::TvnGraphicsWrap> wrap;
  if (ASpa.FWr == 1) wrap = std::make_unique<wm::TvnWrapTopAndBottom>();
  else if (ASpa.FWr == 2 || ASpa.FWr == 4 || ASpa.FWr == 5) wrap = std::make_unique<wm::TvnWrapSquare>();
  if (wrap) {
    switch (ASpa.FWrk) {
      case 1: wrap->SetWrapText(wm::TvnWrapText::wtLeft); break;
      case 2: wrap->SetWrapText(wm::TvnWrapText::wtRight); break;
      case 3: wrap->SetWrapText(wm::TvnWrapText::wtLargest); break;
      default: wrap->SetWrapText(wm::TvnWrapText::wtBothSides); break;
    }
    AItem.SetWrap(std::move(wrap));
  }
}

std::unique_ptr<wm::TvnWordImage> TvnDocShapes::FloatingPicture(int64_t APosition,
                                                                wm::TvnResourceCollection* ACollection) const {
  const TvnSPA* spa = AnchorAt(APosition);
  if (spa == nullptr || ACollection == nullptr) return nullptr;
  const auto shape = FShapesProperties.find(spa->FLid);
  if (shape == FShapesProperties.end() || !shape->second.IsImage()) return nullptr;
  // Named apart from the inline pictures, which are named by their offset.
  const String name = u"shape " + IntToStr(spa->FLid);
  if (!ACollection->ContainsResource(name)) {
    auto resource = std::make_unique<wm::TvnImageResource>(name);
    auto bytes = std::make_shared<vn::TMemoryStream>(*shape->second.FImageStream);
    resource->SetImage(bytes);
    resource->SetResourceStream(bytes);
    ACollection->AddResource(std::move(resource));
  }
  auto image = std::make_unique<wm::TvnWordImage>(ACollection);
  image->SetResourceName(name);
  Place(*image, *spa, shape->second);
  return image;
}

std::unique_ptr<wm::TvnTextBox> TvnDocShapes::FloatingTextBox(int64_t APosition, const TvnFTXBXS** ARange) const {
  const TvnSPA* spa = AnchorAt(APosition);
  if (spa == nullptr) return nullptr;
  const auto shape = FShapesProperties.find(spa->FLid);
  const auto range = FaFTXBXS.find(spa->FLid);
  if (shape == FShapesProperties.end() || shape->second.IsImage() || range == FaFTXBXS.end()) return nullptr;
  const TvnShapesProperties& s = shape->second;
  auto box = std::make_unique<wm::TvnTextBox>();
  auto fill = std::make_unique<wm::TvnShapeProperties>();
  fill->SetSolidFill(s.FFillColor);
  auto line = std::make_unique<wm::TvnLineProperties>();
  line->SetSolidFill(s.FLineColor);
  line->SetWidth(ShapePixels(s.FLineWidth));
  fill->SetLineProperties(std::move(line));
  box->SetShapeProperties(std::move(fill));
  auto body = std::make_unique<wm::TvnBodyProperties>();
  body->SetAutoFit(s.FShapeAutoFit);
  body->SetBottomInset(ShapePixels(s.FMarginBottom));
  body->SetLeftInset(ShapePixels(s.FMarginLeft));
  body->SetRightInset(ShapePixels(s.FMarginRight));
  body->SetTopInset(ShapePixels(s.FMarginTop));
  box->SetBodyProperties(std::move(body));
  Place(*box, *spa, s);
  if (ARange != nullptr) *ARange = &range->second;
  return box;
}

}  // namespace vn::doc
