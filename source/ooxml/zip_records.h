// The on-disk records of a zip archive (little-endian throughout): the end
// of central directory record and its Zip64 counterparts, central directory
// and local file headers, and the extra-field container; the backward
// search for the end record and the detection of an archive's type.
//
// Damage: a record with a wrong signature raises EAbZipInvalid; a record
// cut short raises the runtime's EReadError; an extra subfield that claims
// more data than the field holds is clamped to what is there. Names,
// extra fields and comments are at most 65535 bytes each by their 16-bit
// lengths, so no header can make a reader allocate more.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ooxml/archive.h"
#include "runtime/streams.h"

namespace vn::ooxml {

inline constexpr uint32_t kLocalFileHeaderSignature = 0x04034B50;
inline constexpr uint32_t kDataDescriptorSignature = 0x08074B50;  // also the spanned-archive marker
inline constexpr uint32_t kSingleDiskMarker = 0x30304B50;
inline constexpr uint32_t kCentralFileHeaderSignature = 0x02014B50;
inline constexpr uint32_t kZip64EndSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr uint32_t kEndOfCentralDirSignature = 0x06054B50;

inline constexpr uint16_t kZip64ExtraId = 0x0001;
inline constexpr uint16_t kInfoZipUnicodePathId = 0x7075;
inline constexpr uint16_t kNuUnicodePathId = 0x554E;

// A sequence of subfields (2-byte ID, 2-byte size, data) as stored.
class TAbExtraField {
 public:
  virtual ~TAbExtraField() = default;

  // The subfield's data, or nullopt.
  std::optional<std::string> Get(uint16_t id) const;
  bool Has(uint16_t id) const { return Get(id).has_value(); }
  // A memory stream holding a copy of the data, positioned at 0.
  bool GetStream(uint16_t id, std::unique_ptr<TMemoryStream>& stream) const;
  // Overwrites in place when the size is unchanged, else replaces the
  // subfield by a new one at the end.
  void Put(uint16_t id, std::string_view data);
  void Delete(uint16_t id);
  void CloneFrom(const TAbExtraField& source, uint16_t id);
  void Assign(const TAbExtraField& source);
  void Clear();
  int Count() const;
  const std::string& Buffer() const { return FBuffer; }
  void SetBuffer(std::string buffer);
  // Reads exactly `size` bytes.
  void LoadFromStream(TStream& stream, uint16_t size);

 protected:
  virtual void Changed() {}

 private:
  struct Subfield {
    size_t head;  // offset of the subfield's 4-byte head
    uint16_t id;
    size_t size;
  };
  // The subfield after `previous` (the first one without), its size cut to
  // the bytes the buffer holds.
  std::optional<Subfield> NextSubfield(const std::optional<Subfield>& previous) const;
  std::optional<Subfield> FindSubfield(uint16_t id) const;

  std::string FBuffer;
};

// The fields common to local and central headers.
class TAbZipFileHeader {
 public:
  virtual ~TAbZipFileHeader() = default;

  bool IsValid() const { return FSignature == FValidSignature; }
  bool IsEncrypted() const { return FGeneralPurposeBitFlag & 0x0001; }
  bool IsUTF8() const { return FGeneralPurposeBitFlag & 0x0800; }
  void SetIsUTF8(bool value);
  bool HasDataDescriptor() const { return CompressionMethod() == 8 && (FGeneralPurposeBitFlag & 0x0008); }
  uint8_t CompressionMethod() const { return static_cast<uint8_t>(FCompressionMethod & 0xFF); }
  enum class TAbZipDeflationOption { doInvalid, doNormal, doMaximum, doFast, doSuperFast };
  TAbZipDeflationOption DeflationOption() const;
  enum class TAbZipDictionarySize { dsInvalid, ds4K, ds8K };
  TAbZipDictionarySize DictionarySize() const;
  int ShannonFanoTreeCount() const;
  // 100 × (1 - compressed / uncompressed), the 12-byte encryption header
  // left out; 0 for an empty entry.
  int CompressionRatio() const;

  uint32_t FValidSignature = 0;
  uint32_t FSignature = 0;
  uint16_t FVersionNeededToExtract = 0;
  uint16_t FGeneralPurposeBitFlag = 0;
  uint16_t FCompressionMethod = 0;
  uint16_t FLastModFileTime = 0;
  uint16_t FLastModFileDate = 0;
  uint32_t FCRC32 = 0;
  uint32_t FCompressedSize = 0;
  uint32_t FUncompressedSize = 0;
  std::string FFileName;  // raw name bytes
  TAbExtraField FExtraField;

 protected:
  // The fields from "version needed" to "uncompressed size", laid out alike
  // in both headers.
  void ReadCommonFields(const uint8_t* p);
};

class TAbZipLocalFileHeader : public TAbZipFileHeader {
 public:
  TAbZipLocalFileHeader() { FValidSignature = kLocalFileHeaderSignature; }
  // Reads the 30 fixed bytes, the name and the extra field; EAbZipInvalid
  // for a wrong signature.
  void LoadFromStream(TStream& stream);
  // The record as stored; SaveToStream writes it whole.
  std::string ToBytes() const;
  void SaveToStream(TStream& stream) const { stream.WriteString(ToBytes()); }
};

class TAbZipDirectoryFileHeader : public TAbZipFileHeader {
 public:
  TAbZipDirectoryFileHeader() { FValidSignature = kCentralFileHeaderSignature; }
  // Reads the 46 fixed bytes, the name, the extra field and the comment;
  // EAbZipInvalid for a wrong signature.
  void LoadFromStream(TStream& stream);
  std::string ToBytes() const;
  void SaveToStream(TStream& stream) const { stream.WriteString(ToBytes()); }

  uint16_t FVersionMadeBy = 0;
  uint16_t FDiskNumberStart = 0;
  uint16_t FInternalFileAttributes = 0;
  uint32_t FExternalFileAttributes = 0;
  uint32_t FRelativeOffset = 0;
  std::string FFileComment;
};

// The end of central directory record, with the values a Zip64 end record
// replaces.
class TAbZipDirectoryFileFooter {
 public:
  // The 22 fixed bytes and the comment; EAbZipInvalid for a wrong signature.
  void LoadFromStream(TStream& stream);
  // The 56 bytes of a Zip64 end record; the escaped values are replaced.
  void LoadZip64FromStream(TStream& stream);
  bool IsZip64() const;
  // The end record with every value clipped to its field, preceded, for a
  // Zip64 archive, by a Zip64 end record at `position` on disk FDiskNumber
  // and the locator pointing at it.
  std::string ToBytes(int64_t position) const;

  uint32_t FDiskNumber = 0;
  uint32_t FStartDiskNumber = 0;
  uint64_t FEntriesOnDisk = 0;
  uint64_t FTotalEntries = 0;
  uint64_t FDirectorySize = 0;
  uint64_t FDirectoryOffset = 0;
  std::string FZipfileComment;
};

// The CRC-32 and sizes that follow an item's data when flag bit 3 is set:
// 32-bit sizes, or 64-bit ones when either size needs them.
class TAbZipDataDescriptor {
 public:
  std::string ToBytes() const;
  void SaveToStream(TStream& stream) const { stream.WriteString(ToBytes()); }

  uint32_t FCRC32 = 0;
  uint64_t FCompressedSize = 0;
  uint64_t FUncompressedSize = 0;
};

// Position of the end of central directory record (the stream left there),
// or -1 when there is none. The nearest candidate to the end wins whose
// comment fits in the bytes after it and whose directory is where it says
// (a central header at its offset, before the record).
int64_t LocateDirectoryFooter(TStream& stream);

// The stream starts with an executable image (MZ or ELF), the stub of a
// self-extracting archive; its position is restored.
bool StartsWithExecutable(TStream& stream);

// The archive type of a stream, its position restored.
TAbArchiveType DetectZipArchiveType(TStream& stream);
TAbArchiveType DetectSelfExtractingType(TStream& stream);
TAbArchiveType DetectStreamArchiveType(TStream& stream);
// Of a file: from the given type, or by the extension for atUnknown; then
// checked against the content when the file exists and is not empty.
TAbArchiveType DetectFileArchiveType(StringView file_name, TAbArchiveType archive_type);

}  // namespace vn::ooxml
