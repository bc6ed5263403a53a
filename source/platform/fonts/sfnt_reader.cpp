#include "platform/fonts/sfnt_reader.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <fstream>

#include "platform/fonts/font_faces.h"
#include "runtime/byte_reader.h"
#include "runtime/numbers.h"

namespace vn::platform {
namespace {

constexpr uint32_t kCollectionTag = SfntTag("ttcf");
constexpr uint32_t kTrueTypeVersion = 0x00010000;
constexpr uint32_t kAppleTrueTypeVersion = SfntTag("true");
constexpr uint32_t kCffVersion = SfntTag("OTTO");
constexpr size_t kTableRecordSize = 16;
constexpr size_t kOffsetTableSize = 12;

bool IsSfntVersion(uint32_t v) { return v == kTrueTypeVersion || v == kAppleTrueTypeVersion || v == kCffVersion; }

// Offset of a face's offset table inside the data.
std::optional<size_t> FaceOffset(ByteReader r, uint32_t face_index) {
  uint32_t tag = r.U32BE();
  if (r.failed()) return std::nullopt;
  if (tag != kCollectionTag) {
    if (face_index != 0 || !IsSfntVersion(tag)) return std::nullopt;
    return 0;
  }
  r.Skip(4);  // major and minor version
  uint32_t count = r.U32BE();
  if (r.failed() || count == 0 || count > kMaxCollectionFaces || face_index >= count) return std::nullopt;
  r.Skip(size_t{face_index} * 4);
  uint32_t offset = r.U32BE();
  if (r.failed()) return std::nullopt;
  return offset;
}

uint32_t CheckSum(std::span<const std::byte> bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k)
      word = (word << 8) | (i + k < bytes.size() ? static_cast<uint8_t>(bytes[i + k]) : 0u);
    sum += word;
  }
  return sum;
}

void PutU16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v >> 8);
  out[at + 1] = static_cast<char>(v);
}
void PutU32(std::string& out, size_t at, uint32_t v) {
  PutU16(out, at, static_cast<uint16_t>(v >> 16));
  PutU16(out, at + 2, static_cast<uint16_t>(v));
}

std::span<const std::byte> AsBytes(const std::string& s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

}  // namespace

const SfntTable* SfntDirectory::Find(uint32_t tag) const {
  for (const SfntTable& t : Tables)
    if (t.Tag == tag) return &t;
  return nullptr;
}

uint32_t SfntFaceCount(std::span<const std::byte> data) {
  ByteReader r(data);
  uint32_t tag = r.U32BE();
  if (r.failed()) return 0;
  if (IsSfntVersion(tag)) return 1;
  if (tag != kCollectionTag) return 0;
  r.Skip(4);
  uint32_t count = r.U32BE();
  if (r.failed() || count == 0 || count > kMaxCollectionFaces || !r.Has(size_t{count} * 4)) return 0;
  return count;
}

std::optional<uint32_t> SfntFaceDirectoryOffset(std::span<const std::byte> data, uint32_t face_index) {
  auto offset = FaceOffset(ByteReader(data), face_index);
  if (!offset) return std::nullopt;
  return static_cast<uint32_t>(*offset);
}

std::optional<SfntDirectory> ReadSfntDirectory(std::span<const std::byte> data, uint32_t face_index) {
  ByteReader file(data);
  auto offset = FaceOffset(file, face_index);
  if (!offset) return std::nullopt;
  ByteReader r = file.Sub(*offset, kOffsetTableSize);
  SfntDirectory dir;
  dir.Version = r.U32BE();
  uint16_t count = r.U16BE();
  if (r.failed() || !IsSfntVersion(dir.Version) || count == 0 || count > kMaxSfntTables) return std::nullopt;
  ByteReader records = file.Sub(*offset + kOffsetTableSize, size_t{count} * kTableRecordSize);
  if (records.failed()) return std::nullopt;
  dir.Tables.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    SfntTable t;
    t.Tag = records.U32BE();
    t.CheckSum = records.U32BE();
    t.Offset = records.U32BE();
    t.Length = records.U32BE();
    if (records.failed() || file.Sub(t.Offset, t.Length).failed()) return std::nullopt;
    if (dir.Find(t.Tag)) return std::nullopt;  // a tag twice: not a font we can trust
    dir.Tables.push_back(t);
  }
  return dir;
}

FontOutlineKind DetectOutlineKind(std::span<const std::byte> data, uint32_t face_index) {
  auto dir = ReadSfntDirectory(data, face_index);
  if (!dir) return FontOutlineKind::Unknown;
  if (dir->Find(SfntTag("CFF ")) || dir->Find(SfntTag("CFF2"))) return FontOutlineKind::Cff;
  if (dir->Find(SfntTag("glyf"))) return FontOutlineKind::TrueType;
  return dir->Version == kCffVersion ? FontOutlineKind::Cff : FontOutlineKind::Unknown;
}

std::optional<std::string> ExtractSfntFace(std::span<const std::byte> data, uint32_t face_index) {
  auto dir = ReadSfntDirectory(data, face_index);
  if (!dir) return std::nullopt;
  std::vector<SfntTable> tables = dir->Tables;
  std::sort(tables.begin(), tables.end(), [](const SfntTable& a, const SfntTable& b) { return a.Tag < b.Tag; });

  // Each table padded to 4 bytes: a face's tables cannot honestly add up to
  // more than the file.
  size_t payload = 0;
  for (const SfntTable& t : tables) {
    auto padded = CheckedAdd(t.Length, 3);
    if (!padded) return std::nullopt;
    payload += *padded & ~size_t{3};
    if (payload > data.size() + tables.size() * 3) return std::nullopt;
  }

  ByteReader file(data);
  std::vector<SfntTableBytes> parts;
  for (const SfntTable& t : tables) parts.push_back({t.Tag, file.Sub(t.Offset, t.Length).data()});
  return AssembleSfnt(dir->Version, parts);
}

std::string AssembleSfnt(uint32_t version, std::span<const SfntTableBytes> tables) {
  size_t total = kOffsetTableSize + tables.size() * kTableRecordSize;
  for (const SfntTableBytes& t : tables) total += (t.Bytes.size() + 3) & ~size_t{3};
  std::string out(total, '\0');
  const uint16_t n = static_cast<uint16_t>(tables.size());
  uint16_t selector = 0;
  while ((2u << selector) <= n) ++selector;
  const uint16_t search_range = static_cast<uint16_t>(16u << selector);
  PutU32(out, 0, version);
  PutU16(out, 4, n);
  PutU16(out, 6, search_range);
  PutU16(out, 8, selector);
  PutU16(out, 10, static_cast<uint16_t>(n * 16 - search_range));

  size_t at = kOffsetTableSize + tables.size() * kTableRecordSize;
  size_t head_at = 0;
  bool has_head = false;
  for (size_t i = 0; i < tables.size(); ++i) {
    const SfntTableBytes& t = tables[i];
    std::copy(t.Bytes.begin(), t.Bytes.end(), reinterpret_cast<std::byte*>(out.data() + at));
    if (t.Tag == SfntTag("head") && t.Bytes.size() >= 12) {
      head_at = at;
      has_head = true;
      PutU32(out, at + 8, 0);  // checkSumAdjustment is summed as zero
    }
    size_t record = kOffsetTableSize + i * kTableRecordSize;
    PutU32(out, record, t.Tag);
    PutU32(out, record + 4, CheckSum(AsBytes(out).subspan(at, t.Bytes.size())));
    PutU32(out, record + 8, static_cast<uint32_t>(at));
    PutU32(out, record + 12, static_cast<uint32_t>(t.Bytes.size()));
    at += (t.Bytes.size() + 3) & ~size_t{3};
  }
  if (has_head) PutU32(out, head_at + 8, 0xB1B0AFBAu - CheckSum(AsBytes(out)));
  return out;
}

std::optional<Os2CodePages> ParseOs2CodePages(std::span<const std::byte> os2) {
  ByteReader r(os2);
  uint16_t version = r.U16BE();
  if (r.failed()) return std::nullopt;
  Os2CodePages pages;
  ByteReader unicode = r.Sub(42, 16);
  for (uint32_t& range : pages.UnicodeRanges) range = unicode.U32BE();
  pages.HasUnicodeRanges = unicode.ok();
  if (version >= 1 && r.Seek(78)) {
    pages.Range1 = r.U32BE();
    pages.Range2 = r.U32BE();
    pages.HasRanges = r.ok();
    if (!pages.HasRanges) pages.Range1 = pages.Range2 = 0;
  }
  return pages;
}

std::string ReadFontFileBytes(const std::filesystem::path& file) {
  std::error_code ec;
  auto size = std::filesystem::file_size(file, ec);
  if (ec || size > kMaxFontFileSize) throw EFontError("Cannot read font file " + file.string());
  std::ifstream in(file, std::ios::binary);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
    throw EFontError("Cannot read font file " + file.string());
  return bytes;
}

std::string FontFaceBytes(const FontFaceRef& face) {
  std::string bytes = ReadFontFileBytes(face.File);
  auto data = AsBytes(bytes);
  uint32_t faces = SfntFaceCount(data);
  if (face.Index < 0 || faces == 0 || static_cast<uint32_t>(face.Index & 0xFFFF) >= faces)
    throw EFontError("Font file " + face.File.string() + " is damaged");
  ByteReader r(data);
  if (r.U32BE() != SfntTag("ttcf")) {
    if (!ReadSfntDirectory(data, 0)) throw EFontError("Font file " + face.File.string() + " is damaged");
    return bytes;
  }
  auto one = ExtractSfntFace(data, static_cast<uint32_t>(face.Index & 0xFFFF));
  if (!one) throw EFontError("Font file " + face.File.string() + " is damaged");
  return *one;
}

FontOutlineKind FaceOutlineKind(const FontFaceRef& face) {
  std::string bytes = ReadFontFileBytes(face.File);
  if (face.Index < 0) return FontOutlineKind::Unknown;
  return DetectOutlineKind(AsBytes(bytes), static_cast<uint32_t>(face.Index & 0xFFFF));
}

FaceCodePages ReadFaceCodePages(const FontFaceRef& face) {
  FaceCodePages pages;
  FaceLease lease = AcquireFace(face.File, face.Index);
  FT_ULong length = 0;
  const FT_ULong tag = SfntTag("OS/2");
  if (FT_Load_Sfnt_Table(lease.Face, tag, 0, nullptr, &length) == 0 && length > 0 && length < (1u << 20)) {
    std::string os2(length, '\0');
    if (FT_Load_Sfnt_Table(lease.Face, tag, 0, reinterpret_cast<FT_Byte*>(os2.data()), &length) == 0) {
      if (auto parsed = ParseOs2CodePages(AsBytes(os2))) static_cast<Os2CodePages&>(pages) = *parsed;
    }
  }
  bool unicode = false, symbol = false;
  for (int i = 0; i < lease.Face->num_charmaps; ++i) {
    FT_Encoding e = lease.Face->charmaps[i]->encoding;
    unicode |= e == FT_ENCODING_UNICODE;
    symbol |= e == FT_ENCODING_MS_SYMBOL;
  }
  pages.SymbolCmap = symbol && !unicode;
  return pages;
}

}  // namespace vn::platform
