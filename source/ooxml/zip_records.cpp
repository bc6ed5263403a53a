#include "ooxml/zip_records.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "ooxml/zip_exceptions.h"
#include "runtime/byte_reader.h"
#include "runtime/numbers.h"

namespace vn::ooxml {

namespace {

constexpr size_t kEndRecordSize = 22;
constexpr int64_t kFirstWindow = 512;
constexpr int64_t kLargestWindow = 65536;

uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t LE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void PutLE(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A length field of 16 bits; longer names, fields and comments cannot be
// stored.
uint16_t Length16(const std::string& bytes) {
  if (bytes.size() > 0xFFFF) throw EAbException("Zip record field longer than 65535 bytes");
  return static_cast<uint16_t>(bytes.size());
}

void PutCommonFields(std::string& out, const TAbZipFileHeader& h) {
  PutLE(out, h.FVersionNeededToExtract, 2);
  PutLE(out, h.FGeneralPurposeBitFlag, 2);
  PutLE(out, h.FCompressionMethod, 2);
  PutLE(out, h.FLastModFileTime, 2);
  PutLE(out, h.FLastModFileDate, 2);
  PutLE(out, h.FCRC32, 4);
  PutLE(out, h.FCompressedSize, 4);
  PutLE(out, h.FUncompressedSize, 4);
}

std::string ReadBytes(TStream& stream, size_t count) {
  std::string bytes(count, '\0');
  if (count > 0) stream.ReadBuffer(bytes.data(), static_cast<int64_t>(count));
  return bytes;
}

// Up to `count` bytes, fewer only at the end of the stream.
size_t ReadSome(TStream& stream, uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    int64_t n = stream.Read(buffer + done, static_cast<int64_t>(count - done));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

// The stream's first four bytes (fewer for a shorter stream).
std::string Leader(TStream& stream) {
  uint8_t head[4] = {};
  stream.Seek(0, SeekOrigin::soBeginning);
  size_t n = ReadSome(stream, head, 4);
  return std::string(reinterpret_cast<char*>(head), n);
}

// Restores a stream's position on every way out.
class PositionKeeper {
 public:
  explicit PositionKeeper(TStream& stream) : stream_(stream), position_(stream.Position()) {}
  ~PositionKeeper() { stream_.Seek(position_, SeekOrigin::soBeginning); }

 private:
  TStream& stream_;
  int64_t position_;
};

// An end record candidate at `at` agrees with the bytes before it: its
// central directory lies before it and starts with a directory header (or
// the archive is empty). A record of a multi-disk archive describes other
// disks and is taken as it stands; one with Zip64 escapes needs the Zip64
// locator right before it. This passes over an end record forged inside a
// comment, which would otherwise win as the one nearest the end.
bool IsConsistentEndRecord(TStream& stream, int64_t at, const uint8_t* record) {
  if (LE16(record + 4) != 0 || LE16(record + 6) != 0) return true;
  const uint16_t entries = LE16(record + 10);
  const uint32_t size = LE32(record + 12);
  const uint32_t offset = LE32(record + 16);
  uint8_t signature[4];
  if (entries == 0xFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF) {
    if (at < 20) return false;
    stream.Seek(at - 20, SeekOrigin::soBeginning);
    return ReadSome(stream, signature, 4) == 4 && LE32(signature) == kZip64LocatorSignature;
  }
  if (int64_t{offset} + size > at) return false;
  if (entries == 0) return true;
  stream.Seek(offset, SeekOrigin::soBeginning);
  return ReadSome(stream, signature, 4) == 4 && LE32(signature) == kCentralFileHeaderSignature;
}

}  // namespace

std::optional<std::string> TAbExtraField::Get(uint16_t id) const {
  auto sub = FindSubfield(id);
  if (!sub) return std::nullopt;
  return FBuffer.substr(sub->head + 4, sub->size);
}

bool TAbExtraField::GetStream(uint16_t id, std::unique_ptr<TMemoryStream>& stream) const {
  auto data = Get(id);
  if (!data) return false;
  stream = std::make_unique<TMemoryStream>(std::vector<uint8_t>(data->begin(), data->end()));
  return true;
}

void TAbExtraField::Put(uint16_t id, std::string_view data) {
  auto sub = FindSubfield(id);
  if (sub && sub->size == data.size()) {
    FBuffer.replace(sub->head + 4, data.size(), data);
  } else {
    if (sub) FBuffer.erase(sub->head, 4 + sub->size);
    const size_t size = std::min<size_t>(data.size(), 0xFFFF);
    FBuffer.push_back(static_cast<char>(id & 0xFF));
    FBuffer.push_back(static_cast<char>(id >> 8));
    FBuffer.push_back(static_cast<char>(size & 0xFF));
    FBuffer.push_back(static_cast<char>(size >> 8));
    FBuffer.append(data.substr(0, size));
  }
  Changed();
}

void TAbExtraField::Delete(uint16_t id) {
  if (auto sub = FindSubfield(id)) {
    FBuffer.erase(sub->head, 4 + sub->size);
    Changed();
  }
}

void TAbExtraField::CloneFrom(const TAbExtraField& source, uint16_t id) {
  if (auto data = source.Get(id))
    Put(id, *data);
  else
    Delete(id);
}

void TAbExtraField::Assign(const TAbExtraField& source) { SetBuffer(source.FBuffer); }

void TAbExtraField::Clear() {
  FBuffer.clear();
  Changed();
}

int TAbExtraField::Count() const {
  int count = 0;
  for (auto sub = NextSubfield(std::nullopt); sub; sub = NextSubfield(sub)) ++count;
  return count;
}

void TAbExtraField::SetBuffer(std::string buffer) {
  FBuffer = std::move(buffer);
  // A size running past the buffer is lowered in the buffer itself, so the
  // field reads (and would be written back) consistently.
  for (auto sub = NextSubfield(std::nullopt); sub; sub = NextSubfield(sub)) {
    FBuffer[sub->head + 2] = static_cast<char>(sub->size & 0xFF);
    FBuffer[sub->head + 3] = static_cast<char>(sub->size >> 8);
  }
  Changed();
}

void TAbExtraField::LoadFromStream(TStream& stream, uint16_t size) { SetBuffer(ReadBytes(stream, size)); }

std::optional<TAbExtraField::Subfield> TAbExtraField::NextSubfield(const std::optional<Subfield>& previous) const {
  const size_t head = previous ? previous->head + 4 + previous->size : 0;
  if (head + 4 > FBuffer.size()) return std::nullopt;
  const auto* p = reinterpret_cast<const uint8_t*>(FBuffer.data()) + head;
  const size_t room = FBuffer.size() - head - 4;
  return Subfield{head, LE16(p), std::min<size_t>(LE16(p + 2), room)};
}

std::optional<TAbExtraField::Subfield> TAbExtraField::FindSubfield(uint16_t id) const {
  for (auto sub = NextSubfield(std::nullopt); sub; sub = NextSubfield(sub))
    if (sub->id == id) return sub;
  return std::nullopt;
}

void TAbZipFileHeader::SetIsUTF8(bool value) {
  if (value)
    FGeneralPurposeBitFlag |= 0x0800;
  else
    FGeneralPurposeBitFlag &= ~0x0800;
}

TAbZipFileHeader::TAbZipDeflationOption TAbZipFileHeader::DeflationOption() const {
  if (CompressionMethod() != 8) return TAbZipDeflationOption::doInvalid;
  switch ((FGeneralPurposeBitFlag >> 1) & 3) {
    case 0: return TAbZipDeflationOption::doNormal;
    case 1: return TAbZipDeflationOption::doMaximum;
    case 2: return TAbZipDeflationOption::doFast;
    default: return TAbZipDeflationOption::doSuperFast;
  }
}

TAbZipFileHeader::TAbZipDictionarySize TAbZipFileHeader::DictionarySize() const {
  if (CompressionMethod() != 6) return TAbZipDictionarySize::dsInvalid;
  return (FGeneralPurposeBitFlag & 0x0002) ? TAbZipDictionarySize::ds8K : TAbZipDictionarySize::ds4K;
}

int TAbZipFileHeader::ShannonFanoTreeCount() const {
  if (CompressionMethod() != 6) return 0;
  return (FGeneralPurposeBitFlag & 0x0004) ? 3 : 2;
}

int TAbZipFileHeader::CompressionRatio() const {
  if (FUncompressedSize == 0) return 0;
  double compressed = static_cast<double>(FCompressedSize) - (IsEncrypted() ? 12.0 : 0.0);
  return static_cast<int>(Round(100.0 * (1.0 - compressed / FUncompressedSize)));
}

void TAbZipFileHeader::ReadCommonFields(const uint8_t* p) {
  FVersionNeededToExtract = LE16(p);
  FGeneralPurposeBitFlag = LE16(p + 2);
  FCompressionMethod = LE16(p + 4);
  FLastModFileTime = LE16(p + 6);
  FLastModFileDate = LE16(p + 8);
  FCRC32 = LE32(p + 10);
  FCompressedSize = LE32(p + 14);
  FUncompressedSize = LE32(p + 18);
}

void TAbZipLocalFileHeader::LoadFromStream(TStream& stream) {
  uint8_t fixed[30];
  stream.ReadBuffer(fixed, sizeof fixed);
  FSignature = LE32(fixed);
  if (!IsValid()) throw EAbZipInvalid();
  ReadCommonFields(fixed + 4);
  FFileName = ReadBytes(stream, LE16(fixed + 26));
  FExtraField.LoadFromStream(stream, LE16(fixed + 28));
}

void TAbZipDirectoryFileHeader::LoadFromStream(TStream& stream) {
  uint8_t fixed[46];
  stream.ReadBuffer(fixed, sizeof fixed);
  FSignature = LE32(fixed);
  if (!IsValid()) throw EAbZipInvalid();
  FVersionMadeBy = LE16(fixed + 4);
  ReadCommonFields(fixed + 6);
  const uint16_t name_length = LE16(fixed + 28);
  const uint16_t extra_length = LE16(fixed + 30);
  const uint16_t comment_length = LE16(fixed + 32);
  FDiskNumberStart = LE16(fixed + 34);
  FInternalFileAttributes = LE16(fixed + 36);
  FExternalFileAttributes = LE32(fixed + 38);
  FRelativeOffset = LE32(fixed + 42);
  FFileName = ReadBytes(stream, name_length);
  FExtraField.LoadFromStream(stream, extra_length);
  FFileComment = ReadBytes(stream, comment_length);
}

std::string TAbZipLocalFileHeader::ToBytes() const {
  std::string out;
  PutLE(out, kLocalFileHeaderSignature, 4);
  PutCommonFields(out, *this);
  PutLE(out, Length16(FFileName), 2);
  PutLE(out, Length16(FExtraField.Buffer()), 2);
  return out + FFileName + FExtraField.Buffer();
}

std::string TAbZipDirectoryFileHeader::ToBytes() const {
  std::string out;
  PutLE(out, kCentralFileHeaderSignature, 4);
  PutLE(out, FVersionMadeBy, 2);
  PutCommonFields(out, *this);
  PutLE(out, Length16(FFileName), 2);
  PutLE(out, Length16(FExtraField.Buffer()), 2);
  PutLE(out, Length16(FFileComment), 2);
  PutLE(out, FDiskNumberStart, 2);
  PutLE(out, FInternalFileAttributes, 2);
  PutLE(out, FExternalFileAttributes, 4);
  PutLE(out, FRelativeOffset, 4);
  return out + FFileName + FExtraField.Buffer() + FFileComment;
}

std::string TAbZipDataDescriptor::ToBytes() const {
  std::string out;
  PutLE(out, kDataDescriptorSignature, 4);
  PutLE(out, FCRC32, 4);
  const int size_bytes = FCompressedSize >= 0xFFFFFFFF || FUncompressedSize >= 0xFFFFFFFF ? 8 : 4;
  PutLE(out, FCompressedSize, size_bytes);
  PutLE(out, FUncompressedSize, size_bytes);
  return out;
}

std::string TAbZipDirectoryFileFooter::ToBytes(int64_t position) const {
  std::string out;
  if (IsZip64()) {
    PutLE(out, kZip64EndSignature, 4);
    PutLE(out, 44, 8);  // the size of the record after this field
    PutLE(out, 45, 2);
    PutLE(out, 45, 2);
    PutLE(out, FDiskNumber, 4);
    PutLE(out, FStartDiskNumber, 4);
    PutLE(out, FEntriesOnDisk, 8);
    PutLE(out, FTotalEntries, 8);
    PutLE(out, FDirectorySize, 8);
    PutLE(out, FDirectoryOffset, 8);
    PutLE(out, kZip64LocatorSignature, 4);
    PutLE(out, FDiskNumber, 4);
    PutLE(out, static_cast<uint64_t>(position), 8);
    PutLE(out, uint64_t{FDiskNumber} + 1, 4);
  }
  PutLE(out, kEndOfCentralDirSignature, 4);
  PutLE(out, std::min<uint64_t>(FDiskNumber, 0xFFFF), 2);
  PutLE(out, std::min<uint64_t>(FStartDiskNumber, 0xFFFF), 2);
  PutLE(out, std::min<uint64_t>(FEntriesOnDisk, 0xFFFF), 2);
  PutLE(out, std::min<uint64_t>(FTotalEntries, 0xFFFF), 2);
  PutLE(out, std::min<uint64_t>(FDirectorySize, 0xFFFFFFFF), 4);
  PutLE(out, std::min<uint64_t>(FDirectoryOffset, 0xFFFFFFFF), 4);
  PutLE(out, Length16(FZipfileComment), 2);
  return out + FZipfileComment;
}

void TAbZipDirectoryFileFooter::LoadFromStream(TStream& stream) {
  uint8_t fixed[kEndRecordSize];
  stream.ReadBuffer(fixed, sizeof fixed);
  if (LE32(fixed) != kEndOfCentralDirSignature) throw EAbZipInvalid();
  FDiskNumber = LE16(fixed + 4);
  FStartDiskNumber = LE16(fixed + 6);
  FEntriesOnDisk = LE16(fixed + 8);
  FTotalEntries = LE16(fixed + 10);
  FDirectorySize = LE32(fixed + 12);
  FDirectoryOffset = LE32(fixed + 16);
  FZipfileComment = ReadBytes(stream, LE16(fixed + 20));
}

void TAbZipDirectoryFileFooter::LoadZip64FromStream(TStream& stream) {
  uint8_t record[56];
  stream.ReadBuffer(record, sizeof record);
  ByteReader r(record, sizeof record);
  if (r.U32LE() != kZip64EndSignature) throw EAbZipInvalid();
  r.Skip(12);  // record size, versions
  const uint32_t disk = r.U32LE();
  const uint32_t start_disk = r.U32LE();
  const uint64_t entries_on_disk = r.U64LE();
  const uint64_t total_entries = r.U64LE();
  const uint64_t directory_size = r.U64LE();
  const uint64_t directory_offset = r.U64LE();
  if (FDiskNumber == 0xFFFF) FDiskNumber = disk;
  if (FStartDiskNumber == 0xFFFF) FStartDiskNumber = start_disk;
  if (FEntriesOnDisk == 0xFFFF) FEntriesOnDisk = entries_on_disk;
  if (FTotalEntries == 0xFFFF) FTotalEntries = total_entries;
  if (FDirectorySize == 0xFFFFFFFF) FDirectorySize = directory_size;
  if (FDirectoryOffset == 0xFFFFFFFF) FDirectoryOffset = directory_offset;
}

bool TAbZipDirectoryFileFooter::IsZip64() const {
  return FDiskNumber >= 0xFFFF || FStartDiskNumber >= 0xFFFF || FEntriesOnDisk >= 0xFFFF ||
         FTotalEntries >= 0xFFFF || FDirectorySize >= 0xFFFFFFFF || FDirectoryOffset >= 0xFFFFFFFF;
}

int64_t LocateDirectoryFooter(TStream& stream) {
  const int64_t start = stream.Position();
  const int64_t size = stream.Size();
  uint8_t probe[kEndRecordSize];
  // Most archives have no comment: the record is the last 22 bytes.
  if (size >= static_cast<int64_t>(kEndRecordSize)) {
    const int64_t at = size - static_cast<int64_t>(kEndRecordSize);
    stream.Seek(at, SeekOrigin::soBeginning);
    if (ReadSome(stream, probe, kEndRecordSize) == kEndRecordSize && LE32(probe) == kEndOfCentralDirSignature &&
        LE16(probe + 20) == 0 && IsConsistentEndRecord(stream, at, probe)) {
      stream.Seek(at, SeekOrigin::soBeginning);
      return at;
    }
  }
  // Backwards in windows growing to 64 KiB, each reaching 22 bytes into
  // the one searched before so a record across the border is seen.
  std::vector<uint8_t> buffer;
  int64_t window = kFirstWindow;
  int64_t window_end = size;
  for (;;) {
    int64_t window_start = window_end - window;
    const bool last = window_start <= 0;
    if (last) window_start = 0;
    stream.Seek(window_start, SeekOrigin::soBeginning);
    buffer.resize(static_cast<size_t>(window_end - window_start));
    const size_t n = ReadSome(stream, buffer.data(), buffer.size());
    if (n < kEndRecordSize) break;
    for (size_t i = n - kEndRecordSize + 1; i-- > 0;) {
      if (LE32(&buffer[i]) != kEndOfCentralDirSignature) continue;
      const int64_t at = window_start + static_cast<int64_t>(i);
      const int64_t after = size - at - static_cast<int64_t>(kEndRecordSize);
      if (LE16(&buffer[i + 20]) <= after && IsConsistentEndRecord(stream, at, &buffer[i])) {
        stream.Seek(at, SeekOrigin::soBeginning);
        return at;
      }
    }
    if (last) break;
    window = std::min(window * 2, kLargestWindow);
    window_end = window_start + static_cast<int64_t>(kEndRecordSize);
  }
  stream.Seek(start, SeekOrigin::soBeginning);
  return -1;
}

TAbArchiveType DetectZipArchiveType(TStream& stream) {
  PositionKeeper keep(stream);
  try {
    if (Leader(stream) == std::string_view("PK\x07\x08", 4)) return TAbArchiveType::atSpannedZip;
    if (LocateDirectoryFooter(stream) < 0) return TAbArchiveType::atUnknown;
    uint8_t record[kEndRecordSize];
    stream.ReadBuffer(record, sizeof record);
    if (LE32(record) != kEndOfCentralDirSignature) return TAbArchiveType::atUnknown;
    return LE16(record + 4) == 0 ? TAbArchiveType::atZip : TAbArchiveType::atSpannedZip;
  } catch (const EStreamError&) {
    return TAbArchiveType::atUnknown;
  }
}

bool StartsWithExecutable(TStream& stream) {
  PositionKeeper keep(stream);
  const std::string leader = Leader(stream);
  return std::string_view(leader).substr(0, 2) == "MZ" || leader == std::string_view("\x7F" "ELF", 4);
}

TAbArchiveType DetectSelfExtractingType(TStream& stream) {
  if (StartsWithExecutable(stream) && DetectZipArchiveType(stream) == TAbArchiveType::atZip)
    return TAbArchiveType::atSelfExtZip;
  return TAbArchiveType::atUnknown;
}

TAbArchiveType DetectStreamArchiveType(TStream& stream) {
  TAbArchiveType type = DetectSelfExtractingType(stream);
  return type == TAbArchiveType::atUnknown ? DetectZipArchiveType(stream) : type;
}

TAbArchiveType DetectFileArchiveType(StringView file_name, TAbArchiveType archive_type) {
  const std::filesystem::path path(ToUtf8(file_name));
  if (archive_type == TAbArchiveType::atUnknown) {
    const String ext = UpperCase(FromUtf8(path.extension().string()));
    struct Extension {
      const char16_t* ext;
      TAbArchiveType type;
    } static constexpr kExtensions[] = {
        {u".ZIP", TAbArchiveType::atZip},        {u".JAR", TAbArchiveType::atZip},
        {u".EXE", TAbArchiveType::atSelfExtZip}, {u".TAR", TAbArchiveType::atTar},
        {u".GZ", TAbArchiveType::atGzip},        {u".TGZ", TAbArchiveType::atGzippedTar},
        {u".CAB", TAbArchiveType::atCab},        {u".BZ2", TAbArchiveType::atBzip2},
        {u".TBZ", TAbArchiveType::atBzippedTar},
    };
    for (const auto& e : kExtensions)
      if (ext == e.ext) archive_type = e.type;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) == 0 || ec)
    return archive_type;
  TFileStream file(path, FileMode::fmOpenRead);
  switch (archive_type) {
    case TAbArchiveType::atUnknown: return DetectStreamArchiveType(file);
    case TAbArchiveType::atZip: return DetectZipArchiveType(file);
    case TAbArchiveType::atSelfExtZip: return DetectSelfExtractingType(file);
    default: return archive_type;
  }
}

}  // namespace vn::ooxml
