// One entry of a zip archive as its central directory record describes it,
// with its stored name decoded into text: UTF-8 when flagged or when the
// bytes are well-formed UTF-8, else the Unicode path an extra subfield
// carries for it, else the OEM code page (437) for names written on MS-DOS
// hosts or that read as OEM letters, else the ANSI code page (1252).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ooxml/archive.h"
#include "ooxml/zip_records.h"

namespace vn::ooxml {

// 0 for a name of 7-bit bytes, 2 for well-formed UTF-8 with a byte above
// 0x7F (overlong forms and surrogates not checked), else 1.
int DetectNameCharSet(std::string_view raw);
// Every byte above 0x7F is an OEM (437) letter and at least one of them is
// not a letter in the ANSI code page.
bool IsOEMName(std::string_view raw);

class TAbZipItem : public TAbArchiveItem {
 public:
  // Reads one central directory record at the stream's position and
  // decodes the name and the Zip64 sizes; EAbZipInvalid for a wrong
  // signature, EReadError for a record or Zip64 subfield cut short.
  void LoadFromStream(TStream& stream);

  uint32_t CRC32() const override { return FItemInfo.FCRC32; }
  uint32_t ExternalFileAttributes() const override { return FItemInfo.FExternalFileAttributes; }
  bool IsDirectory() const override;
  bool IsEncrypted() const override { return FItemInfo.IsEncrypted(); }
  uint16_t LastModFileDate() const override { return FItemInfo.FLastModFileDate; }
  uint16_t LastModFileTime() const override { return FItemInfo.FLastModFileTime; }
  // For Unix hosts (or attributes above 0x1FFFF) the mode in the high 16
  // bits as MS-DOS attributes; otherwise the low byte.
  int NativeFileAttributes() const override;

  uint16_t GeneralPurposeBitFlag() const { return FItemInfo.FGeneralPurposeBitFlag; }
  uint16_t VersionMadeBy() const { return FItemInfo.FVersionMadeBy; }
  uint16_t VersionNeededToExtract() const { return FItemInfo.FVersionNeededToExtract; }
  uint16_t InternalFileAttributes() const { return FItemInfo.FInternalFileAttributes; }
  const std::string& FileComment() const { return FItemInfo.FFileComment; }
  const std::string& RawFileName() const { return FItemInfo.FFileName; }
  const TAbExtraField& ExtraField() const { return FItemInfo.FExtraField; }
  uint8_t CompressionMethod() const { return FItemInfo.CompressionMethod(); }
  int CompressionRatio() const { return FItemInfo.CompressionRatio(); }
  TAbZipFileHeader::TAbZipDeflationOption DeflationOption() const { return FItemInfo.DeflationOption(); }
  TAbZipFileHeader::TAbZipDictionarySize DictionarySize() const { return FItemInfo.DictionarySize(); }
  int ShannonFanoTreeCount() const { return FItemInfo.ShannonFanoTreeCount(); }
  // 0 MS-DOS, 3 Unix, 11 names kept in the ANSI code page.
  uint8_t HostSystem() const { return static_cast<uint8_t>(FItemInfo.FVersionMadeBy >> 8); }
  int64_t RelativeOffset() const { return FRelativeOffset; }
  uint32_t DiskNumberStart() const { return FDiskNumberStart; }
  const TAbZipDirectoryFileHeader& ItemInfo() const { return FItemInfo; }
  // The item's data are in the archive file (it was loaded, or written by
  // a save), so a save can copy them.
  bool InArchive() const { return FInArchive; }
  void SetInArchive(bool value) { FInArchive = value; }
  const TAbExtraField& LFHExtraField() const { return FLFHExtraField; }
  TAbExtraField& LFHExtraField() { return FLFHExtraField; }

  // Write path. The name is stored in code page 437 when it fits (host
  // system 0), else in the ANSI code page (host system 11), else as UTF-8
  // with flag bit 11; a non-UTF-8 form of a name beyond ASCII gets a
  // Unicode path subfield. Sizes, offset and disk keep their full value
  // here and go into the header clipped, with a Zip64 subfield holding
  // those that do not fit.
  void SetFileName(StringView value) override;
  void SetCompressedSize(int64_t value) override;
  void SetUncompressedSize(int64_t value) override;
  void SetCRC32(uint32_t value) override { FItemInfo.FCRC32 = value; }
  void SetExternalFileAttributes(uint32_t value) override { FItemInfo.FExternalFileAttributes = value; }
  void SetIsEncrypted(bool value) override;
  void SetLastModFileDate(uint16_t value) override { FItemInfo.FLastModFileDate = value; }
  void SetLastModFileTime(uint16_t value) override { FItemInfo.FLastModFileTime = value; }
  void SetRelativeOffset(int64_t value);
  void SetDiskNumberStart(uint32_t value);
  void SetHostSystem(uint8_t value);
  void SetCompressionMethod(uint16_t value);
  void SetGeneralPurposeBitFlag(uint16_t value);
  // 45 with a Zip64 subfield, else 21 encrypted, else 20 for a directory
  // or a method above 6, else 10; "version made by" follows (at least 20).
  void UpdateVersionNeeded();
  void UpdateZip64Extra();
  // The local header: the directory's fields, the local extra field with
  // the Unicode path subfields, and a Zip64 subfield holding both sizes
  // when either needs 64 bits.
  std::string LocalHeaderBytes() const;
  void WriteLocalHeader(TStream& stream) const { stream.WriteString(LocalHeaderBytes()); }
  void WriteDirectoryHeader(TStream& stream) const { FItemInfo.SaveToStream(stream); }
  void WriteDataDescriptor(TStream& stream) const;

 private:
  String DecodeName() const;
  static void PutHeaderSize(uint32_t& field, int64_t value);

  TAbZipDirectoryFileHeader FItemInfo;
  uint32_t FDiskNumberStart = 0;
  TAbExtraField FLFHExtraField;
  int64_t FRelativeOffset = 0;
  bool FInArchive = false;
};

}  // namespace vn::ooxml
