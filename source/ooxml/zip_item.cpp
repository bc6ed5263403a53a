#include "ooxml/zip_item.h"

#include <algorithm>
#include <limits>

#include "ooxml/zip_utils.h"
#include "runtime/byte_reader.h"
#include "runtime/codepages.h"

namespace vn::ooxml {

namespace {

// Letters of code page 437 above 0x7F, and the bytes that are letters in
// Windows-1252, the ANSI code page used beside it.
bool IsOemLetter(uint8_t b) {
  return (b >= 0x80 && b <= 0x9A) || (b >= 0xA0 && b <= 0xA5) || (b >= 0xE0 && b <= 0xEB) || b == 0xED || b == 0xEE;
}
bool IsAnsiLetter(uint8_t b) {
  switch (b) {
    case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F: case 0xB5: return true;
    default: return (b >= 0xC0 && b <= 0xD6) || (b >= 0xD8 && b <= 0xF6) || b >= 0xF8;
  }
}

String Utf16LE(std::string_view bytes, size_t units) {
  String out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i)
    out.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) | static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  return out;
}

}  // namespace

int DetectNameCharSet(std::string_view raw) {
  bool high = false;
  size_t pending = 0;
  for (char ch : raw) {
    const uint8_t b = static_cast<uint8_t>(ch);
    if (pending > 0) {
      if (b < 0x80 || b > 0xBF) return 1;
      --pending;
      continue;
    }
    if (b < 0x80) continue;
    high = true;
    if (b >= 0xC2 && b <= 0xDF)
      pending = 1;
    else if (b >= 0xE0 && b <= 0xEF)
      pending = 2;
    else if (b >= 0xF0 && b <= 0xF4)
      pending = 3;
    else
      return 1;
  }
  if (pending > 0) return 1;
  return high ? 2 : 0;
}

bool IsOEMName(std::string_view raw) {
  bool outside_ansi = false;
  for (char ch : raw) {
    const uint8_t b = static_cast<uint8_t>(ch);
    if (b < 0x80) continue;
    if (!IsOemLetter(b)) return false;
    if (!IsAnsiLetter(b)) outside_ansi = true;
  }
  return outside_ansi;
}

bool TAbZipItem::IsDirectory() const {
  if (FItemInfo.FExternalFileAttributes & kDosDirectory) return true;
  return !FFileName.empty() && (FFileName.back() == u'/' || FFileName.back() == u'\\');
}

int TAbZipItem::NativeFileAttributes() const {
  const uint32_t attributes = FItemInfo.FExternalFileAttributes;
  if (HostSystem() == 3 || attributes > 0x1FFFF) return UnixToDosAttributes(static_cast<int>(attributes >> 16));
  return static_cast<int>(attributes & 0xFF);
}

String TAbZipItem::DecodeName() const {
  const std::string& raw = FItemInfo.FFileName;
  if (FItemInfo.IsUTF8() || DetectNameCharSet(raw) == 2) return FromUtf8(raw);
  if (auto path = FItemInfo.FExtraField.Get(kInfoZipUnicodePathId)) {
    ByteReader r(*path);
    const uint8_t version = r.U8();
    const uint32_t crc = r.U32LE();
    if (path->size() > 6 && version == 1 && crc == CRC32OfString(raw)) return FromUtf8(std::string_view(*path).substr(5));
  }
  if (auto nu = FItemInfo.FExtraField.Get(kNuUnicodePathId)) {
    ByteReader r(*nu);
    const uint32_t signature = r.U32LE();
    const uint64_t count = r.U32LE();
    if (nu->size() > 10 && signature == 0x5843554E && nu->size() == 8 + 2 * count)
      return Utf16LE(std::string_view(*nu).substr(8), static_cast<size_t>(count));
  }
  // The ANSI (1252) and OEM (437) code pages differ here.
  if (HostSystem() == 0 || IsOEMName(raw)) return DecodeCp437(raw);
  return DecodeCp1252(raw);
}

void TAbZipItem::LoadFromStream(TStream& stream) {
  FItemInfo.LoadFromStream(stream);
  FFileName = DecodeName();
  FUncompressedSize = FItemInfo.FUncompressedSize;
  FCompressedSize = FItemInfo.FCompressedSize;
  FRelativeOffset = FItemInfo.FRelativeOffset;
  FDiskNumberStart = FItemInfo.FDiskNumberStart;
  if (auto zip64 = FItemInfo.FExtraField.Get(kZip64ExtraId)) {
    ByteReader r(*zip64);
    uint64_t uncompressed = FItemInfo.FUncompressedSize, compressed = FItemInfo.FCompressedSize,
             offset = FItemInfo.FRelativeOffset;
    if (FItemInfo.FUncompressedSize == 0xFFFFFFFF) uncompressed = r.U64LE();
    if (FItemInfo.FCompressedSize == 0xFFFFFFFF) compressed = r.U64LE();
    if (FItemInfo.FRelativeOffset == 0xFFFFFFFF) offset = r.U64LE();
    if (FItemInfo.FDiskNumberStart == 0xFFFF) FDiskNumberStart = r.U32LE();
    if (r.failed()) throw EReadError("Stream read error");
    // No stream holds 2^63 bytes; such a value is damage, not a size.
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (uncompressed > kMax || compressed > kMax || offset > kMax) throw EAbZipInvalid();
    FUncompressedSize = static_cast<int64_t>(uncompressed);
    FCompressedSize = static_cast<int64_t>(compressed);
    FRelativeOffset = static_cast<int64_t>(offset);
  }
  FLastModFileTime = FItemInfo.FLastModFileTime;
  FLastModFileDate = FItemInfo.FLastModFileDate;
  FDiskFileName = FFileName;
  ToBackslashes(FDiskFileName);
  FAction = TAbArchiveAction::aaNone;
  FTagged = false;
  FInArchive = true;
}

void TAbZipItem::SetFileName(StringView value) {
  FFileName = String(value);
  FItemInfo.SetIsUTF8(false);
  SetHostSystem(0);
  bool beyond_ascii = false;
  for (char16_t c : value) beyond_ascii |= c > 0x7F;
  std::string raw = EncodeCp437(value);
  if (DecodeCp437(raw) != value) {
    raw = EncodeCp1252(value);
    if (DecodeCp1252(raw) == value) {
      SetHostSystem(11);
    } else {
      raw = ToUtf8(value);
      FItemInfo.SetIsUTF8(true);
    }
  }
  FItemInfo.FFileName = raw;
  TAbExtraField& extra = FItemInfo.FExtraField;
  if (!FItemInfo.IsUTF8() && beyond_ascii) {
    std::string path(1, '\x01');
    const uint32_t crc = CRC32OfString(raw);
    for (int i = 0; i < 4; ++i) path.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
    extra.Put(kInfoZipUnicodePathId, path + ToUtf8(value));
  } else {
    extra.Delete(kInfoZipUnicodePathId);
  }
  extra.Delete(kNuUnicodePathId);
}

void TAbZipItem::PutHeaderSize(uint32_t& field, int64_t value) {
  field = static_cast<uint32_t>(std::min<int64_t>(std::max<int64_t>(value, 0), 0xFFFFFFFF));
}

void TAbZipItem::SetCompressedSize(int64_t value) {
  FCompressedSize = value;
  PutHeaderSize(FItemInfo.FCompressedSize, value);
  UpdateZip64Extra();
}

void TAbZipItem::SetUncompressedSize(int64_t value) {
  FUncompressedSize = value;
  PutHeaderSize(FItemInfo.FUncompressedSize, value);
  UpdateZip64Extra();
}

void TAbZipItem::SetRelativeOffset(int64_t value) {
  FRelativeOffset = value;
  PutHeaderSize(FItemInfo.FRelativeOffset, value);
  UpdateZip64Extra();
}

void TAbZipItem::SetDiskNumberStart(uint32_t value) {
  FDiskNumberStart = value;
  FItemInfo.FDiskNumberStart = static_cast<uint16_t>(std::min<uint32_t>(value, 0xFFFF));
  UpdateZip64Extra();
}

void TAbZipItem::SetIsEncrypted(bool value) {
  SetGeneralPurposeBitFlag(value ? FItemInfo.FGeneralPurposeBitFlag | 1 : FItemInfo.FGeneralPurposeBitFlag & ~1);
}

void TAbZipItem::SetHostSystem(uint8_t value) {
  FItemInfo.FVersionMadeBy = static_cast<uint16_t>((FItemInfo.FVersionMadeBy & 0xFF) | value << 8);
}

void TAbZipItem::SetCompressionMethod(uint16_t value) {
  FItemInfo.FCompressionMethod = value;
  UpdateVersionNeeded();
}

void TAbZipItem::SetGeneralPurposeBitFlag(uint16_t value) {
  FItemInfo.FGeneralPurposeBitFlag = value;
  UpdateVersionNeeded();
}

void TAbZipItem::UpdateVersionNeeded() {
  uint16_t version = 10;
  if (FItemInfo.FExtraField.Has(kZip64ExtraId))
    version = 45;
  else if (IsEncrypted())
    version = 21;
  else if (IsDirectory() || CompressionMethod() > 6)
    version = 20;
  FItemInfo.FVersionNeededToExtract = version;
  FItemInfo.FVersionMadeBy =
      static_cast<uint16_t>((FItemInfo.FVersionMadeBy & 0xFF00) | std::max<uint16_t>(20, version));
}

void TAbZipItem::UpdateZip64Extra() {
  std::string data;
  auto put = [&data](uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) data.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  if (FUncompressedSize >= 0xFFFFFFFF) put(static_cast<uint64_t>(FUncompressedSize), 8);
  if (FCompressedSize >= 0xFFFFFFFF) put(static_cast<uint64_t>(FCompressedSize), 8);
  if (FRelativeOffset >= 0xFFFFFFFF) put(static_cast<uint64_t>(FRelativeOffset), 8);
  if (FDiskNumberStart > 0xFFFE) put(FDiskNumberStart, 4);
  TAbExtraField& extra = FItemInfo.FExtraField;
  const bool had = extra.Has(kZip64ExtraId);
  if (data.empty())
    extra.Delete(kZip64ExtraId);
  else
    extra.Put(kZip64ExtraId, data);
  if (had != extra.Has(kZip64ExtraId)) UpdateVersionNeeded();
}

std::string TAbZipItem::LocalHeaderBytes() const {
  TAbZipLocalFileHeader header;
  header.FVersionNeededToExtract = FItemInfo.FVersionNeededToExtract;
  header.FGeneralPurposeBitFlag = FItemInfo.FGeneralPurposeBitFlag;
  header.FCompressionMethod = FItemInfo.FCompressionMethod;
  header.FLastModFileTime = FItemInfo.FLastModFileTime;
  header.FLastModFileDate = FItemInfo.FLastModFileDate;
  header.FCRC32 = FItemInfo.FCRC32;
  header.FFileName = FItemInfo.FFileName;
  header.FExtraField.Assign(FLFHExtraField);
  header.FExtraField.CloneFrom(FItemInfo.FExtraField, kInfoZipUnicodePathId);
  header.FExtraField.CloneFrom(FItemInfo.FExtraField, kNuUnicodePathId);
  if (FCompressedSize >= 0xFFFFFFFF || FUncompressedSize >= 0xFFFFFFFF) {
    header.FCompressedSize = header.FUncompressedSize = 0xFFFFFFFF;
    std::string sizes;
    for (uint64_t value : {static_cast<uint64_t>(FUncompressedSize), static_cast<uint64_t>(FCompressedSize)})
      for (int i = 0; i < 8; ++i) sizes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    header.FExtraField.Put(kZip64ExtraId, sizes);
  } else {
    header.FCompressedSize = static_cast<uint32_t>(FCompressedSize);
    header.FUncompressedSize = static_cast<uint32_t>(FUncompressedSize);
    header.FExtraField.Delete(kZip64ExtraId);
  }
  return header.ToBytes();
}

void TAbZipItem::WriteDataDescriptor(TStream& stream) const {
  TAbZipDataDescriptor descriptor;
  descriptor.FCRC32 = FItemInfo.FCRC32;
  descriptor.FCompressedSize = static_cast<uint64_t>(FCompressedSize);
  descriptor.FUncompressedSize = static_cast<uint64_t>(FUncompressedSize);
  descriptor.SaveToStream(stream);
}

}  // namespace vn::ooxml
