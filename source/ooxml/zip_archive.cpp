#include "ooxml/zip_archive.h"

#include <algorithm>

#include "ooxml/zip_utils.h"
#include "runtime/byte_reader.h"

namespace vn::ooxml {

TAbZipArchive::TAbZipArchive(TStream& stream, StringView archive_name) : TAbArchive(stream, archive_name) { Init(); }

TAbZipArchive::TAbZipArchive(StringView file_name) : TAbArchive(file_name) { Init(); }

void TAbZipArchive::Init() { FStoreOptions |= soStripDrive; }

uint64_t TAbZipArchive::ReadZip64Locator(int64_t footer) {
  // The locator stands right before the end record.
  constexpr int64_t kLocatorSize = 20;
  if (footer < kLocatorSize) throw EAbZipInvalid();
  uint8_t locator[kLocatorSize];
  FStream->Seek(footer - kLocatorSize, SeekOrigin::soBeginning);
  FStream->ReadBuffer(locator, kLocatorSize);
  ByteReader r(locator, sizeof locator);
  if (r.U32LE() != kZip64LocatorSignature) throw EAbZipInvalid();
  r.Skip(4);  // the disk holding the Zip64 end record
  const uint64_t offset = r.U64LE();
  // The disk count is at least 1; the last disk is the one before it.
  FInfo.FDiskNumber = r.U32LE() - 1;
  return offset;
}

void TAbZipArchive::LoadArchive() {
  if (FStream->Size() == 0) return;
  FIsExecutable = StartsWithExecutable(*FStream);

  const int64_t footer = LocateDirectoryFooter(*FStream);
  if (footer < 0) {
    FStatus = TAbArchiveStatus::asInvalid;
    throw EAbZipInvalid();
  }
  FInfo.LoadFromStream(*FStream);
  uint64_t zip64_end = 0;
  const bool zip64 = FInfo.IsZip64();
  if (zip64) zip64_end = ReadZip64Locator(footer);
  FSpanned = FInfo.FDiskNumber != 0;
  if (FSpanned) {
    if (!FOwnedStream) throw EAbZipBadSpanStream();
    throw EAbSpanningNotSupported();
  }
  if (zip64) {
    FStream->Seek(static_cast<int64_t>(std::min<uint64_t>(zip64_end, INT64_MAX)), SeekOrigin::soBeginning);
    FInfo.LoadZip64FromStream(*FStream);
  }
  FStream->Seek(static_cast<int64_t>(std::min<uint64_t>(FInfo.FDirectoryOffset, INT64_MAX)), SeekOrigin::soBeginning);

  FStubSize = 0xFFFFFFFF;
  const uint64_t total = FInfo.FTotalEntries;
  while (static_cast<uint64_t>(Count()) < total) {
    auto item = std::make_unique<TAbZipItem>();
    item->LoadFromStream(*FStream);
    item->SetAction(TAbArchiveAction::aaNone);
    TAbZipItem* added = item.get();
    FItemList.Add(item.release());
    if (FIsExecutable && added->DiskNumberStart() == 0 && added->RelativeOffset() < FStubSize)
      FStubSize = static_cast<uint32_t>(added->RelativeOffset());
    bool abort = false;
    DoArchiveProgress(Percentage(Count(), static_cast<int64_t>(std::min<uint64_t>(total, INT64_MAX))), abort);
    if (abort) {
      FStatus = TAbArchiveStatus::asInvalid;
      throw EAbUserAbort();
    }
  }
  bool abort = false;
  DoArchiveProgress(100, abort);
  FIsDirty = false;
}

void TAbZipArchive::ExtractItemAt(int index, StringView use_name) {
  if (!ExtractHelper) throw EAbZipNoExtraction();
  ExtractHelper(*this, *ZipItem(index), use_name);
}

void TAbZipArchive::ExtractItemToStreamAt(int index, TStream& stream) {
  if (!ExtractToStreamHelper) throw EAbZipNoExtraction();
  ExtractToStreamHelper(*this, *ZipItem(index), stream);
}

void TAbZipArchive::TestItemAt(int index) {
  if (!TestHelper) throw EAbZipNoExtraction();
  TestHelper(*this, *ZipItem(index));
}

}  // namespace vn::ooxml
