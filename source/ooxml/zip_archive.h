// The zip archive: the archive model over a zip file or stream. Loading
// reads the central directory into TAbZipItem objects; the member
// extraction routines are installed as the three extraction helpers (the
// unzipper does this), so the model's extract and test operations reach
// them.
//
// Damage: no end record, a wrong record signature or a missing Zip64
// locator raise EAbZipInvalid; records cut short raise EReadError; items
// read before a failure stay in the list. An archive spread over several
// disks is refused: EAbZipBadSpanStream when it was opened from a stream,
// EAbSpanningNotSupported when opened from a file. The directory is read
// record by record from its offset, so a forged entry count costs no more
// than the bytes that are there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

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

class TAbZipArchive : public TAbArchive {
 public:
  // Over a stream the caller keeps alive as long as the archive.
  TAbZipArchive(TStream& stream, StringView archive_name);
  // Opens the file for reading; the archive owns the file stream.
  explicit TAbZipArchive(StringView file_name);

  TAbZipItem* ZipItem(int index) const { return static_cast<TAbZipItem*>(Items(index)); }
  const TAbZipDirectoryFileFooter& Info() const { return FInfo; }
  // The archive comment, raw bytes.
  const std::string& ZipfileComment() const { return FInfo.FZipfileComment; }
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

  TAbZipExtractHelper ExtractHelper;
  TAbZipExtractToStreamHelper ExtractToStreamHelper;
  TAbZipTestHelper TestHelper;

 protected:
  void ExtractItemAt(int index, StringView use_name) override;
  void ExtractItemToStreamAt(int index, TStream& stream) override;
  void LoadArchive() override;
  void TestItemAt(int index) override;

 private:
  void Init();
  // Reads the Zip64 locator right before the end record at `footer`;
  // answers the offset of the Zip64 end record.
  uint64_t ReadZip64Locator(int64_t footer);

  TAbZipDirectoryFileFooter FInfo;
  bool FIsExecutable = false;
  std::string FPassword;
  uint8_t FPasswordRetries = 3;
  uint32_t FStubSize = 0;
  uint64_t FMaxItemSize = codec::kDefaultMaxDecodedBytes;
};

}  // namespace vn::ooxml
