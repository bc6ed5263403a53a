#include "ooxml/zip_archive.h"

#include <algorithm>
#include <filesystem>

#include "ooxml/span_streams.h"
#include "ooxml/virtual_memory_stream.h"
#include "ooxml/zip_utils.h"
#include "runtime/byte_reader.h"
#include "runtime/output_file.h"

namespace vn::ooxml {

namespace {

std::filesystem::path ArchivePath(StringView s) { return std::filesystem::path(ToUtf8(s)); }

constexpr char kSpannedMarkerBytes[] = "PK\x07\x08";
constexpr char kSingleDiskMarkerBytes[] = "PK00";

}  // namespace

// Where the records of a save go: a plain stream, or a split set in which
// a record that must stay whole moves to the next disk when it does not
// fit on this one.
class TAbZipArchive::Writer {
 public:
  Writer(TStream& out, TAbSpanWriteStream* span) : out_(out), span_(span) {}

  uint32_t Disk() const { return span_ ? span_->CurrentImage() : 0; }
  int64_t Position() { return out_.Position(); }

  // Writes the record `build` makes for the disk and position it starts
  // at, and answers them.
  void Record(const std::function<std::string(uint32_t disk, int64_t position)>& build, uint32_t& disk,
              int64_t& position) {
    disk = Disk();
    position = Position();
    std::string bytes = build(disk, position);
    if (!span_) {
      out_.WriteString(bytes);
      return;
    }
    if (span_->WriteUnspanned(bytes.data(), static_cast<int64_t>(bytes.size()), true)) return;
    disk = Disk();
    position = Position();
    bytes = build(disk, position);
    span_->WriteUnspanned(bytes.data(), static_cast<int64_t>(bytes.size()), false);
  }

  void Data(const std::string& bytes) { out_.WriteString(bytes); }

  // Exactly `count` bytes from the source's position.
  void Copy(TStream& source, int64_t count) {
    std::vector<uint8_t> buffer(65536);
    while (count > 0) {
      const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
      source.ReadBuffer(buffer.data(), n);
      out_.WriteBuffer(buffer.data(), n);
      count -= n;
    }
  }

 private:
  TStream& out_;
  TAbSpanWriteStream* span_;
};

TAbZipArchive::TAbZipArchive(TStream& stream, StringView archive_name) : TAbArchive(stream, archive_name) { Init(); }

TAbZipArchive::TAbZipArchive(StringView file_name, FileMode mode)
    : TAbArchive(file_name, mode == FileMode::fmCreate) {
  Init();
}

void TAbZipArchive::Init() { FStoreOptions |= soStripDrive; }

void TAbZipArchive::SetZipfileComment(std::string value) {
  FInfo.FZipfileComment = std::move(value);
  FIsDirty = true;
}

void TAbZipArchive::PositionAt(uint32_t disk, int64_t offset) {
  if (auto* span = dynamic_cast<TAbSpanReadStream*>(FStream))
    span->SeekImage(disk, offset);
  else
    FStream->Seek(offset, SeekOrigin::soBeginning);
}

void TAbZipArchive::DoRequestImage(int image_number, String& image_name, bool& abort) {
  if (OnRequestImage) OnRequestImage(*this, image_number, image_name, abort);
}

uint64_t TAbZipArchive::ReadZip64Locator(int64_t footer, uint32_t& disk) {
  // The locator stands right before the end record.
  constexpr int64_t kLocatorSize = 20;
  if (footer < kLocatorSize) throw EAbZipInvalid();
  uint8_t locator[kLocatorSize];
  FStream->Seek(footer - kLocatorSize, SeekOrigin::soBeginning);
  FStream->ReadBuffer(locator, kLocatorSize);
  ByteReader r(locator, sizeof locator);
  if (r.U32LE() != kZip64LocatorSignature) throw EAbZipInvalid();
  disk = r.U32LE();
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
  uint32_t zip64_disk = 0;
  const bool zip64 = FInfo.IsZip64();
  if (zip64) zip64_end = ReadZip64Locator(footer, zip64_disk);
  FSpanned = FInfo.FDiskNumber != 0;
  auto at = [](uint64_t offset) { return static_cast<int64_t>(std::min<uint64_t>(offset, INT64_MAX)); };
  if (FSpanned) {
    if (!FOwnsFile) throw EAbZipBadSpanStream();
    if (FInfo.FStartDiskNumber > FInfo.FDiskNumber || zip64_disk > FInfo.FDiskNumber) throw EAbZipInvalid();
    auto span = std::make_unique<TAbSpanReadStream>(FArchiveName, std::move(FOwnedStream), FInfo.FDiskNumber);
    span->OnRequestImage = [this](int image_number, String& image_name, bool& abort) {
      DoRequestImage(image_number, image_name, abort);
    };
    FStream = span.get();
    FOwnedStream = std::move(span);
    if (zip64) {
      PositionAt(zip64_disk, at(zip64_end));
      FInfo.LoadZip64FromStream(*FStream);
    }
    PositionAt(FInfo.FStartDiskNumber, at(FInfo.FDirectoryOffset));
  } else {
    if (zip64) {
      FStream->Seek(at(zip64_end), SeekOrigin::soBeginning);
      FInfo.LoadZip64FromStream(*FStream);
    }
    FStream->Seek(at(FInfo.FDirectoryOffset), SeekOrigin::soBeginning);
  }

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

std::unique_ptr<TAbArchiveItem> TAbZipArchive::CreateItem(StringView file_name) {
  auto item = std::make_unique<TAbZipItem>();
  std::error_code ec;
  const std::filesystem::path expanded = std::filesystem::absolute(ArchivePath(file_name), ec);
  item->SetDiskFileName(ec ? String(file_name) : FromUtf8(expanded.string()));
  item->SetFileName(FixName(file_name));
  item->SetCompressionMethod(8);
  item->UpdateVersionNeeded();
  return item;
}

void TAbZipArchive::SaveArchive() {
  if (Count() == 0) return;
  if (FSpanned) {
    for (TAbArchiveItem* item : FItemList)
      if (item->Action() != TAbArchiveAction::aaFailed) item->SetAction(TAbArchiveAction::aaNone);
    FIsDirty = false;
    throw EAbZipSpanOverwrite();
  }
  // What a failed save puts back, so the items keep describing the archive
  // as it still is.
  std::vector<TAbZipItem> before;
  before.reserve(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i) before.push_back(*ZipItem(i));
  const TAbZipDirectoryFileFooter info_before = FInfo;
  try {
    if (FOwnsFile && FStream->Size() == 0 && !FIsExecutable && FSpanningThreshold > 0)
      SaveSpanned(before);
    else
      SaveRewritten(before);
  } catch (...) {
    for (int i = 0; i < Count(); ++i) *ZipItem(i) = before[static_cast<size_t>(i)];
    FInfo = info_before;
    throw;
  }
  for (int i = Count() - 1; i >= 0; --i) {
    TAbZipItem* item = ZipItem(i);
    if (item->Action() == TAbArchiveAction::aaDelete) {
      FItemList.Delete(i);
    } else if (item->Action() != TAbArchiveAction::aaFailed) {
      item->SetAction(TAbArchiveAction::aaNone);
      item->SetInArchive(true);
    }
  }
  bool abort = false;
  DoArchiveSaveProgress(100, abort);
  DoArchiveProgress(100, abort);
}

void TAbZipArchive::SaveRewritten(const std::vector<TAbZipItem>& before) {
  TAbVirtualMemoryStream target;
  target.SetSwapFileDirectory(FTempDir);
  Writer writer(target, nullptr);
  if (FIsExecutable && FStubSize != 0xFFFFFFFF) {
    FStream->Seek(0, SeekOrigin::soBeginning);
    writer.Copy(*FStream, FStubSize);
  }
  WriteArchive(writer, before);

  target.Seek(0, SeekOrigin::soBeginning);
  if (FOwnsFile) {
    // The new archive takes the name only once it is complete.
    const std::filesystem::path path = ArchivePath(FArchiveName);
    {
      OutputFile file(path);
      file.CopyFrom(target, target.Size());
      file.Commit();
    }
    FOwnedStream = std::make_unique<TFileStream>(path, FileMode::fmOpenRead);
    FStream = FOwnedStream.get();
  } else if (auto* memory = dynamic_cast<TMemoryStream*>(FStream)) {
    memory->Clear();
    memory->CopyFrom(target, target.Size());
  } else {
    FStream->SetSize(0);
    FStream->Seek(0, SeekOrigin::soBeginning);
    FStream->CopyFrom(target, target.Size());
  }
}

void TAbZipArchive::SaveSpanned(const std::vector<TAbZipItem>& before) {
  const std::filesystem::path path = ArchivePath(FArchiveName);
  FStream = nullptr;
  FOwnedStream.reset();
  auto on_image = [this](int image_number, String& image_name, bool& abort) {
    DoRequestImage(image_number, image_name, abort);
  };
  TAbSpanWriteStream span(FArchiveName, FSpanningThreshold, std::make_unique<TFileStream>(path, FileMode::fmCreate));
  span.OnRequestImage = on_image;
  try {
    span.WriteBuffer(kSpannedMarkerBytes, 4);
    Writer writer(span, &span);
    WriteArchive(writer, before);
  } catch (...) {
    // No half-written set stays behind.
    const uint32_t written = span.CurrentImage();
    span.ReleaseStream().reset();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    for (uint32_t image = 0; image < written; ++image)
      std::filesystem::remove(ArchivePath(SpanImageName(FArchiveName, image)), ignored);
    FOwnedStream = std::make_unique<TMemoryStream>();
    FStream = FOwnedStream.get();
    throw;
  }
  std::unique_ptr<TStream> last = span.ReleaseStream();
  if (span.CurrentImage() > 0) {
    last.reset();
    auto reader = std::make_unique<TAbSpanReadStream>(
        FArchiveName, std::make_unique<TFileStream>(path, FileMode::fmOpenRead), span.CurrentImage());
    reader->OnRequestImage = on_image;
    FOwnedStream = std::move(reader);
    FSpanned = true;
  } else {
    // One disk after all: a plain archive behind a marker that says so.
    last->Seek(0, SeekOrigin::soBeginning);
    last->WriteBuffer(kSingleDiskMarkerBytes, 4);
    last.reset();
    FOwnedStream = std::make_unique<TFileStream>(path, FileMode::fmOpenRead);
  }
  FStream = FOwnedStream.get();
}

void TAbZipArchive::WriteArchive(Writer& writer, const std::vector<TAbZipItem>& before) {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    TAbZipItem& item = *ZipItem(i);
    FCurrentItem = &item;
    switch (item.Action()) {
      case TAbArchiveAction::aaDelete:
      case TAbArchiveAction::aaFailed: break;
      case TAbArchiveAction::aaNone:
      case TAbArchiveAction::aaMove: CopyItem(writer, item); break;
      default: InsertItem(writer, item, before[static_cast<size_t>(i)]); break;
    }
    const uint8_t progress = Percentage(9 * (int64_t{i} + 1), 10 * int64_t{count});
    bool abort = false;
    DoArchiveSaveProgress(progress, abort);
    if (!abort) DoArchiveProgress(progress, abort);
    if (abort) throw EAbUserAbort();
  }
  WriteDirectory(writer);
}

void TAbZipArchive::WriteLocalRecord(Writer& writer, TAbZipItem& item) {
  uint32_t disk;
  int64_t position;
  writer.Record(
      [&item](uint32_t at_disk, int64_t at) {
        item.SetDiskNumberStart(at_disk);
        item.SetRelativeOffset(at);
        return item.LocalHeaderBytes();
      },
      disk, position);
}

void TAbZipArchive::WriteDescriptorIfFlagged(Writer& writer, const TAbZipItem& item) {
  // The descriptor belongs after the data only when flag bit 3 announces
  // it; anywhere else it would be stray bytes between members.
  if (!(item.GeneralPurposeBitFlag() & 0x0008)) return;
  TStringStream descriptor;
  item.WriteDataDescriptor(descriptor);
  writer.Data(descriptor.DataString());
}

void TAbZipArchive::CopyItem(Writer& writer, TAbZipItem& item) {
  PositionAt(item.DiskNumberStart(), item.RelativeOffset());
  TAbZipLocalFileHeader old;
  old.LoadFromStream(*FStream);
  if (item.LFHExtraField().Buffer().empty()) item.LFHExtraField().Assign(old.FExtraField);
  const int64_t data = FStream->Position();
  WriteLocalRecord(writer, item);
  FStream->Seek(data, SeekOrigin::soBeginning);
  writer.Copy(*FStream, item.CompressedSize());
  WriteDescriptorIfFlagged(writer, item);
}

void TAbZipArchive::InsertItem(Writer& writer, TAbZipItem& item, const TAbZipItem& before) {
  TAbVirtualMemoryStream buffer;
  buffer.SetSwapFileDirectory(FTempDir);
  try {
    if (item.Action() == TAbArchiveAction::aaStreamAdd) {
      if (!InsertFromStreamHelper || !FInStream) throw EAbZipNoInsertion();
      InsertFromStreamHelper(*this, item, buffer, *FInStream);
    } else {
      if (!InsertHelper) throw EAbZipNoInsertion();
      InsertHelper(*this, item, buffer);
    }
  } catch (const EAbUserAbort&) {
    throw;
  } catch (const std::exception&) {
    // Without a failure handler nobody would learn of it: the save fails.
    if (!OnProcessItemFailure) throw;
    DoProcessItemFailure(&item, TAbProcessType::ptAdd, TAbErrorClass::ecFileOpenError, 0);
    if (before.InArchive()) {
      // A member that could not be compressed again keeps its old data.
      item = before;
      item.SetAction(TAbArchiveAction::aaNone);
      CopyItem(writer, item);
    } else {
      item.SetAction(TAbArchiveAction::aaDelete);
    }
    return;
  }
  WriteLocalRecord(writer, item);
  buffer.Seek(0, SeekOrigin::soBeginning);
  writer.Copy(buffer, buffer.Size());
  WriteDescriptorIfFlagged(writer, item);
}

void TAbZipArchive::WriteDirectory(Writer& writer) {
  bool first = true;
  uint32_t last_disk = writer.Disk();
  uint64_t on_disk = 0, total = 0, size = 0;
  for (TAbArchiveItem* base : FItemList) {
    if (base->Action() == TAbArchiveAction::aaDelete || base->Action() == TAbArchiveAction::aaFailed) continue;
    const auto& item = static_cast<const TAbZipItem&>(*base);
    std::string bytes;
    uint32_t disk;
    int64_t position;
    writer.Record(
        [&](uint32_t, int64_t) {
          bytes = item.ItemInfo().ToBytes();
          return bytes;
        },
        disk, position);
    if (first) {
      FInfo.FStartDiskNumber = disk;
      FInfo.FDirectoryOffset = static_cast<uint64_t>(position);
      first = false;
    }
    if (disk != last_disk) {
      on_disk = 0;
      last_disk = disk;
    }
    ++on_disk;
    ++total;
    size += bytes.size();
  }
  if (first) {
    FInfo.FStartDiskNumber = writer.Disk();
    FInfo.FDirectoryOffset = static_cast<uint64_t>(writer.Position());
  }
  FInfo.FTotalEntries = total;
  FInfo.FDirectorySize = size;
  uint32_t disk;
  int64_t position;
  writer.Record(
      [&](uint32_t at_disk, int64_t at) {
        FInfo.FDiskNumber = at_disk;
        FInfo.FEntriesOnDisk = at_disk == last_disk ? on_disk : 0;
        return FInfo.ToBytes(at);
      },
      disk, position);
}

}  // namespace vn::ooxml
