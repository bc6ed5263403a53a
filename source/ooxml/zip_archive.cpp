#include "ooxml/zip_archive.h"

#include <algorithm>
#include <vector>

#include "ooxml/zip_utils.h"

namespace vn::ooxml {

namespace {

constexpr int64_t kLocatorSize = 20;
// How far before the end record a Zip64 locator is looked for: it belongs
// right before it, and writers put nothing longer between the two.
constexpr int64_t kLocatorSearch = 65536;

uint32_t LE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint64_t LE64(const uint8_t* p) { return uint64_t{LE32(p)} | uint64_t{LE32(p + 4)} << 32; }

}  // namespace

TAbZipArchive::TAbZipArchive(TStream& stream, StringView archive_name) : TAbArchive(stream, archive_name) { Init(); }

TAbZipArchive::TAbZipArchive(StringView file_name) : TAbArchive(file_name) {
  FOwnsStream = true;
  Init();
}

void TAbZipArchive::Init() { FStoreOptions |= soStripDrive; }

uint64_t TAbZipArchive::ReadZip64Locator(int64_t footer) {
  const int64_t from = std::max<int64_t>(0, footer - kLocatorSize - kLocatorSearch);
  const int64_t length = footer - from;
  if (length < kLocatorSize) throw EAbZipInvalid();
  std::vector<uint8_t> window(static_cast<size_t>(length));
  FStream->Seek(from, SeekOrigin::soBeginning);
  FStream->ReadBuffer(window.data(), length);
  for (int64_t at = length - kLocatorSize; at >= 0; --at) {
    const uint8_t* p = &window[static_cast<size_t>(at)];
    if (LE32(p) != kZip64LocatorSignature) continue;
    // The disk count is at least 1; the last disk is the one before it.
    FInfo.FDiskNumber = LE32(p + 16) - 1;
    return LE64(p + 8);
  }
  throw EAbZipInvalid();
}

void TAbZipArchive::LoadArchive() {
  if (FStream->Size() == 0) return;
  uint8_t leader[4] = {};
  FStream->Seek(0, SeekOrigin::soBeginning);
  const int64_t got = FStream->Read(leader, 4);
  FIsExecutable = got >= 2 && ((leader[0] == 'M' && leader[1] == 'Z') ||
                               (got == 4 && leader[0] == 0x7F && leader[1] == 'E' && leader[2] == 'L' && leader[3] == 'F'));

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
    if (!FOwnsStream) throw EAbZipBadSpanStream();
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
