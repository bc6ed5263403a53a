// The zip archive: the archive model over a zip file or stream. Loading
// reads the central directory into TAbZipItem objects; the member
// extraction routines are installed as the three extraction helpers (the
// unzipper does this), so the model's extract and test operations reach
// them.
//
// An archive split over several disk files is read when it was opened by
// the name of its last disk (the one with the end record); the other disks
// are found by their image names (span_streams.h). Given as a stream it is
// refused with EAbZipBadSpanStream.
//
// Writing: items are added, deleted, renamed or marked for compressing
// again, and Save assembles the new archive in a virtual memory stream
// and then replaces the archive: an archive opened by name gets a new file
// that takes the name only once complete, so a save that fails (a damaged
// member, a full disk, an abort) leaves the file, and the items, as they
// were. Compression is done by the insertion helpers (zip_insert.h
// installs deflate); an archive without them cannot add items
// (EAbZipNoInsertion). A split archive is written when a new archive has
// a spanning threshold; a split archive is never rewritten
// (EAbZipSpanOverwrite).
//
// Damage: no end record, a wrong record signature or a missing Zip64
// locator raise EAbZipInvalid; records cut short raise EReadError; items
// read before a failure stay in the list. The directory is read record by
// record from its offset, so a forged entry count costs no more than the
// bytes that are there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ooxml/archive.h"
#include "ooxml/zip_item.h"
#include "ooxml/zip_records.h"
#include "runtime/byte_decoder.h"

namespace vn::ooxml {

class TAbZipArchive;

using TAbZipExtractHelper = std::function<void(TAbZipArchive& sender, TAbZipItem& item, StringView new_name)>;
using TAbZipExtractToStreamHelper =
    std::function<void(TAbZipArchive& sender, TAbZipItem& item, TStream& out_stream)>;
using TAbZipTestHelper = std::function<void(TAbZipArchive& sender, TAbZipItem& item)>;
// Compresses the item's disk file (or the given stream) into `out_stream`
// and sets the item's method, flags, CRC-32, sizes, time and attributes.
using TAbZipInsertHelper = std::function<void(TAbZipArchive& sender, TAbZipItem& item, TStream& out_stream)>;
using TAbZipInsertFromStreamHelper =
    std::function<void(TAbZipArchive& sender, TAbZipItem& item, TStream& out_stream, TStream& in_stream)>;

enum class TAbZipSupportedMethod { smStored, smDeflated, smBestMethod };

class TAbZipArchive : public TAbArchive {
 public:
  // Over a stream the caller keeps alive as long as the archive.
  TAbZipArchive(TStream& stream, StringView archive_name);
  // Opens the file for reading; the archive owns the file stream. With
  // fmCreate the archive starts empty and an existing file is neither read
  // nor touched until a save replaces it.
  explicit TAbZipArchive(StringView file_name, FileMode mode = FileMode::fmOpenRead);

  TAbZipItem* ZipItem(int index) const { return static_cast<TAbZipItem*>(Items(index)); }
  const TAbZipDirectoryFileFooter& Info() const { return FInfo; }
  // The archive comment, raw bytes.
  const std::string& ZipfileComment() const { return FInfo.FZipfileComment; }
  void SetZipfileComment(std::string value);
  bool IsExecutable() const { return FIsExecutable; }
  // Bytes before the first local header of an executable archive.
  uint32_t StubSize() const { return FStubSize; }

  // The password as 8-bit text in the ANSI code page.
  const std::string& Password() const { return FPassword; }
  void SetPassword(std::string value) { FPassword = std::move(value); }
  uint8_t PasswordRetries() const { return FPasswordRetries; }
  void SetPasswordRetries(uint8_t value) { FPasswordRetries = value; }
  // The largest uncompressed size an item may declare for extraction; a
  // larger one fails instead of filling memory or disk.
  uint64_t MaxItemSize() const { return FMaxItemSize; }
  void SetMaxItemSize(uint64_t value) { FMaxItemSize = value; }

  TAbZipSupportedMethod CompressionMethodToUse = TAbZipSupportedMethod::smBestMethod;
  TAbZipFileHeader::TAbZipDeflationOption DeflationOption = TAbZipFileHeader::TAbZipDeflationOption::doNormal;

  // Moves the archive stream to `offset` on disk `disk` (the disk counts
  // only for a split archive).
  void PositionAt(uint32_t disk, int64_t offset);

  bool GetSupportsEmptyFolders() const override { return true; }
  // A new item for the file: deflate, the expanded file name as its disk
  // name and FixName of it as its stored name.
  std::unique_ptr<TAbArchiveItem> CreateItem(StringView file_name) override;

  TAbZipExtractHelper ExtractHelper;
  TAbZipExtractToStreamHelper ExtractToStreamHelper;
  TAbZipTestHelper TestHelper;
  TAbZipInsertHelper InsertHelper;
  TAbZipInsertFromStreamHelper InsertFromStreamHelper;

  // The image name of a disk of a split set (OnRequestImage may change it
  // or abort). Disks are files found by name: nothing asks anyone to
  // insert a disk, and a missing one raises the file error naming it.
  void DoRequestImage(int image_number, String& image_name, bool& abort);

 protected:
  void ExtractItemAt(int index, StringView use_name) override;
  void ExtractItemToStreamAt(int index, TStream& stream) override;
  void LoadArchive() override;
  void TestItemAt(int index) override;
  void SaveArchive() override;

 private:
  class Writer;
  void Init();
  // Reads the Zip64 locator right before the end record at `footer`;
  // answers the offset of the Zip64 end record and its disk.
  uint64_t ReadZip64Locator(int64_t footer, uint32_t& disk);
  // The save: into a virtual memory stream that then replaces the archive,
  // or, for a new archive with a spanning threshold, into split files.
  void SaveRewritten(const std::vector<TAbZipItem>& before);
  void SaveSpanned(const std::vector<TAbZipItem>& before);
  void WriteArchive(Writer& writer, const std::vector<TAbZipItem>& before);
  void CopyItem(Writer& writer, TAbZipItem& item);
  void InsertItem(Writer& writer, TAbZipItem& item, const TAbZipItem& before);
  void WriteDirectory(Writer& writer);
  static void WriteLocalRecord(Writer& writer, TAbZipItem& item);
  static void WriteDescriptorIfFlagged(Writer& writer, const TAbZipItem& item);

  TAbZipDirectoryFileFooter FInfo;
  bool FIsExecutable = false;
  std::string FPassword;
  uint8_t FPasswordRetries = 3;
  uint32_t FStubSize = 0;
  uint64_t FMaxItemSize = codec::kDefaultMaxDecodedBytes;
};

}  // namespace vn::ooxml
