#include "ooxml/zip_extract.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <limits>

#include "ooxml/zip_inflate.h"
#include "ooxml/zip_legacy.h"
#include "ooxml/zip_utils.h"
#include "runtime/byte_reader.h"
#include "runtime/codepages.h"

namespace vn::ooxml {

namespace {

constexpr size_t kEncryptionHeaderSize = 12;

std::filesystem::path ToPath(StringView s) { return std::filesystem::path(ToUtf8(s)); }

void CheckVersion(const TAbZipItem& item) {
  if ((item.VersionNeededToExtract() & 0xFF) >= 64) throw EAbZipVersion();
}

// The local header of the item, the archive stream left at the item's data.
TAbZipLocalFileHeader ReadLocalHeader(TAbZipArchive& archive, const TAbZipItem& item) {
  archive.PositionAt(item.DiskNumberStart(), item.RelativeOffset());
  TAbZipLocalFileHeader header;
  header.LoadFromStream(*archive.Stream());
  return header;
}

void CopyStored(TStream& data, TStream& out, int64_t size) {
  std::vector<uint8_t> buffer(65536);
  while (size > 0) {
    const int64_t n = std::min<int64_t>(size, static_cast<int64_t>(buffer.size()));
    data.ReadBuffer(buffer.data(), n);
    out.WriteBuffer(buffer.data(), n);
    size -= n;
  }
}

void InflateItem(TStream& data, const TAbZipItem& item, TStream& out) {
  TAbDeflateHelper helper;
  if (item.CompressionMethod() == 9) helper.SetOptions(helper.Options() | kDeflate64Option);
  helper.StreamSize = item.CompressedSize();
  // The declared size bounds the output; the CRC check then decides.
  helper.PartialSize = item.UncompressedSize();
  Inflate(data, out, &helper);
}

void UnzipLegacyItem(TStream& data, const TAbZipItem& item, TStream& out) {
  TAbUnzipHelper helper(data, out);
  helper.DictionarySize = item.DictionarySize();
  helper.UnCompressedSize = static_cast<uint32_t>(item.UncompressedSize());
  helper.CompressionMethod = item.CompressionMethod();
  helper.ShannonFanoTreeCount = item.ShannonFanoTreeCount();
  helper.Execute();
}

// A name beside `target` that no other extraction uses at the same time.
std::filesystem::path PartName(const std::filesystem::path& target) {
  static std::atomic<uint64_t> counter{0};
  return target.parent_path() / (target.filename().string() + "." + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter++) + ".part");
}

}  // namespace

TAbUnzipSubsetStream::TAbUnzipSubsetStream(TStream& stream, int64_t stream_size)
    : FStream(stream), FStartPos(stream.Position()), FCurPos(FStartPos) {
  // A size from a damaged header may run past any position.
  if (__builtin_add_overflow(FStartPos, std::max<int64_t>(stream_size, 0), &FEndPos))
    FEndPos = std::numeric_limits<int64_t>::max();
}

int64_t TAbUnzipSubsetStream::Read(void* buffer, int64_t count) {
  const int64_t n = std::min(count, FEndPos - FCurPos);
  if (n <= 0) return 0;
  const int64_t got = FStream.Read(buffer, n);
  if (got > 0) FCurPos += got;
  return std::max<int64_t>(got, 0);
}

int64_t TAbUnzipSubsetStream::Write(const void*, int64_t) {
  throw EAbException("TAbUnzipSubsetStream.Write not supported");
}

int64_t TAbUnzipSubsetStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t base = origin == SeekOrigin::soBeginning ? FStartPos : origin == SeekOrigin::soCurrent ? FCurPos : FEndPos;
  const int64_t target = std::clamp(base + offset, FStartPos, FEndPos);
  if (target != FCurPos) {
    // A relative move: the window's bytes may run on across the disks of a
    // split archive, where only moves within a disk are possible.
    FStream.Seek(target - FCurPos, SeekOrigin::soCurrent);
    FCurPos = target;
  }
  return FCurPos - FStartPos;
}

int64_t TAbUnzipOutputStream::Read(void*, int64_t) {
  throw EAbException("TAbUnzipOutputStream.Read not supported");
}

int64_t TAbUnzipOutputStream::Write(const void* buffer, int64_t count) {
  const int64_t written = std::max<int64_t>(FStream.Write(buffer, count), 0);
  UpdateCRC32(FCRC32, buffer, static_cast<size_t>(written));
  FBytesWritten += written;
  if (OnProgress) {
    const int progress = Percentage(FBytesWritten, UncompressedSize);
    if (progress != FCurrentProgress) {
      FCurrentProgress = progress;
      bool abort = false;
      OnProgress(static_cast<uint8_t>(progress), abort);
      if (abort) throw EAbUserAbort();
    }
  }
  return written;
}

void TAbZipDecryptEngine::UpdateKeys(uint8_t c) {
  FState[0] = UpdateCRC32Byte(c, FState[0]);
  FState[1] = (FState[1] + (FState[0] & 0xFF)) * 134775813u + 1;
  FState[2] = UpdateCRC32Byte(static_cast<uint8_t>(FState[1] >> 24), FState[2]);
}

uint8_t TAbZipDecryptEngine::StreamByte() const {
  const uint32_t temp = (FState[2] | 2) & 0xFFFF;
  return static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
}

bool TAbZipDecryptEngine::VerifyHeader(const uint8_t* header, std::string_view passphrase, uint32_t check_value) {
  if (passphrase.empty()) throw EAssertionFailed("TAbZipDecryptEngine.VerifyHeader: need a passphrase");
  FState[0] = 0x12345678;
  FState[1] = 0x23456789;
  FState[2] = 0x34567890;
  for (char c : passphrase) UpdateKeys(static_cast<uint8_t>(c));
  uint8_t last = 0;
  for (size_t i = 0; i < kEncryptionHeaderSize; ++i) {
    last = static_cast<uint8_t>(header[i] ^ StreamByte());
    UpdateKeys(last);
  }
  FReady = last == static_cast<uint8_t>(check_value >> 24);
  return FReady;
}

uint8_t TAbZipDecryptEngine::Decode(uint8_t c) {
  if (!FReady) throw EAssertionFailed("TAbZipDecryptEngine.Decode: must successfully call VerifyHeader first");
  const uint8_t plain = static_cast<uint8_t>(c ^ StreamByte());
  UpdateKeys(plain);
  return plain;
}

void TAbZipDecryptEngine::DecodeBuffer(uint8_t* buffer, size_t count) {
  if (!FReady) throw EAssertionFailed("TAbZipDecryptEngine.Decode: must successfully call VerifyHeader first");
  for (size_t i = 0; i < count; ++i) {
    const uint8_t plain = static_cast<uint8_t>(buffer[i] ^ StreamByte());
    UpdateKeys(plain);
    buffer[i] = plain;
  }
}

TAbDfDecryptStream::TAbDfDecryptStream(TStream& stream, uint32_t check_value, std::string passphrase)
    : FCheckValue(check_value), FPassphrase(std::move(passphrase)), FStream(stream) {}

bool TAbDfDecryptStream::IsValid() {
  uint8_t header[kEncryptionHeaderSize];
  const int64_t start = FStream.Position();
  int64_t got = 0;
  while (got < static_cast<int64_t>(kEncryptionHeaderSize)) {
    const int64_t n = FStream.Read(header + got, static_cast<int64_t>(kEncryptionHeaderSize) - got);
    if (n <= 0) break;
    got += n;
  }
  FReady = got == static_cast<int64_t>(kEncryptionHeaderSize) && FEngine.VerifyHeader(header, FPassphrase, FCheckValue);
  if (!FReady) FStream.Seek(start, SeekOrigin::soBeginning);
  return FReady;
}

int64_t TAbDfDecryptStream::Read(void* buffer, int64_t count) {
  if (!FReady) throw EAssertionFailed("TAbDfDecryptStream.Read: the stream header has not been verified");
  const int64_t n = FStream.Read(buffer, count);
  if (n > 0) FEngine.DecodeBuffer(static_cast<uint8_t*>(buffer), static_cast<size_t>(n));
  return n;
}

int64_t TAbDfDecryptStream::Write(const void*, int64_t) {
  throw EAssertionFailed("TAbDfDecryptStream.Write: the stream is read-only");
}

TAbBitBucketStream::TAbBitBucketStream(int buf_size) {
  const int size = (buf_size == 4096 || buf_size == 8192 || buf_size == 32768) ? buf_size : 32768;
  FBuffer.resize(static_cast<size_t>(size) + 1024);
}

int64_t TAbBitBucketStream::Write(const void* buffer, int64_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  const size_t ring = FBuffer.size();
  // Only the tail of a large write survives in the ring.
  const int64_t skip = std::max<int64_t>(0, count - static_cast<int64_t>(ring));
  for (int64_t i = skip; i < count; ++i) FBuffer[static_cast<size_t>((FSize + i) % static_cast<int64_t>(ring))] = p[i];
  FSize += count;
  FPosn = FSize;
  return count;
}

int64_t TAbBitBucketStream::Read(void* buffer, int64_t count) {
  if (count > Kept()) throw EAbBBSReadTooManyBytes(static_cast<int>(std::min<int64_t>(count, INT32_MAX)));
  if (FPosn < FSize - Kept()) throw EAbBBSSeekOutsideBuffer();
  const int64_t n = std::min(count, FSize - FPosn);
  auto* p = static_cast<uint8_t*>(buffer);
  for (int64_t i = 0; i < n; ++i) p[i] = FBuffer[static_cast<size_t>((FPosn + i) % static_cast<int64_t>(FBuffer.size()))];
  FPosn += n;
  return n;
}

int64_t TAbBitBucketStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t base = origin == SeekOrigin::soBeginning ? 0 : origin == SeekOrigin::soCurrent ? FPosn : FSize;
  const int64_t target = base + offset;
  if (target < FSize - Kept() || target > FSize) throw EAbBBSSeekOutsideBuffer();
  FPosn = target;
  return FPosn;
}

void TAbBitBucketStream::ForceSize(int64_t size) {
  FSize = std::max<int64_t>(size, 0);
  FPosn = std::min(FPosn, FSize);
}

std::unique_ptr<TStream> OpenItemStream(TAbZipArchive& archive, TAbZipItem& item) {
  CheckVersion(item);
  const TAbZipLocalFileHeader local = ReadLocalHeader(archive, item);
  auto subset = std::make_unique<TAbUnzipSubsetStream>(*archive.Stream(), item.CompressedSize());
  if (!item.IsEncrypted()) return subset;

  // With a data descriptor the header check byte comes from the time, as
  // the CRC-32 was not known when the header was written.
  const uint32_t check_value =
      (local.FGeneralPurposeBitFlag & 0x0008) ? uint32_t{local.FLastModFileTime} << 16 : item.CRC32();
  if (archive.Password().empty()) throw EAbZipInvalidPassword();
  // The password is ANSI text; the keys are made from its UTF-8 bytes.
  auto decrypt = std::make_unique<TAbDfDecryptStream>(*subset, check_value, ToUtf8(DecodeCp1252(archive.Password())));
  // The same password would fail every retry alike.
  if (!decrypt->IsValid()) throw EAbZipInvalidPassword();
  decrypt->TakeStream(std::move(subset));
  return decrypt;
}

void DecompressItem(TAbZipArchive& archive, TAbZipItem& item, TStream& data, TStream& out_stream) {
  const int64_t size = item.UncompressedSize();
  if (size == 0) return;
  if (static_cast<uint64_t>(size) > archive.MaxItemSize()) throw EAbException("Item exceeds the extraction size limit");
  TAbUnzipOutputStream out(out_stream);
  out.UncompressedSize = size;
  out.OnProgress = archive.OnProgress;
  switch (item.CompressionMethod()) {
    case 0: CopyStored(data, out, size); break;
    case 1: case 2: case 3: case 4: case 5: case 6: UnzipLegacyItem(data, item, out); break;
    case 8: case 9: InflateItem(data, item, out); break;
    default: throw EAbZipInvalidMethod();
  }
  if (out.CRC32() != item.CRC32()) throw EAbZipBadCRC();
}

void ExtractItemToStream(TAbZipArchive& archive, TAbZipItem& item, TStream& out_stream) {
  std::unique_ptr<TStream> data = OpenItemStream(archive, item);
  DecompressItem(archive, item, *data, out_stream);
}

void ExtractItemToFile(TAbZipArchive& archive, TAbZipItem& item, StringView file_name) {
  const std::filesystem::path target = ToPath(file_name);
  if (item.IsDirectory()) {
    CreateDirectoryPath(file_name);
  } else {
    std::unique_ptr<TStream> data = OpenItemStream(archive, item);
    const std::filesystem::path part = PartName(target);
    auto discard = [&part] {
      std::error_code ignored;
      std::filesystem::remove(part, ignored);
    };
    try {
      {
        TFileStream file(part, FileMode::fmCreate);
        DecompressItem(archive, item, *data, file);
      }
      std::error_code ec;
      std::filesystem::rename(part, target, ec);
      if (ec) throw EInOutError(ec.message(), ec.value());
    } catch (const EAbUserAbort&) {
      discard();
      archive.SetStatus(TAbArchiveStatus::asInvalid);
      throw;
    } catch (...) {
      discard();
      throw;
    }
  }
  try {
    SetFileDateTime(target, item.LastModTimeAsDateTime());
  } catch (const EConvertError&) {
    // A date the MS-DOS form cannot hold (zip writers store 0): the file
    // keeps the time it was written.
  }
  SetFileAttributes(target, item.NativeFileAttributes());
}

void TestItem(TAbZipArchive& archive, TAbZipItem& item) {
  CheckVersion(item);
  const TAbZipLocalFileHeader local = ReadLocalHeader(archive, item);
  const TAbZipDirectoryFileHeader& central = item.ItemInfo();
  if (local.FVersionNeededToExtract != central.FVersionNeededToExtract ||
      local.FGeneralPurposeBitFlag != central.FGeneralPurposeBitFlag ||
      local.FLastModFileTime != central.FLastModFileTime || local.FLastModFileDate != central.FLastModFileDate)
    throw EAbZipInvalidLFH();
  // With a data descriptor the local header holds no CRC-32 or sizes: the
  // descriptor after the data does, and the directory has them.
  if (!(local.FGeneralPurposeBitFlag & 0x0008)) {
    if (local.FCRC32 != item.CRC32()) throw EAbZipInvalidLFH();
    const uint64_t uncompressed = static_cast<uint64_t>(item.UncompressedSize());
    const uint64_t compressed = static_cast<uint64_t>(item.CompressedSize());
    if (auto zip64 = local.FExtraField.Get(kZip64ExtraId)) {
      if (zip64->size() < 16) throw EAbZipInvalidLFH();
      ByteReader r(*zip64);
      const uint64_t local_uncompressed = r.U64LE();
      const uint64_t local_compressed = r.U64LE();
      if (local_uncompressed != uncompressed || local_compressed != compressed) throw EAbZipInvalidLFH();
    } else if (uncompressed > 0xFFFFFFFF || compressed > 0xFFFFFFFF || local.FUncompressedSize != uncompressed ||
               local.FCompressedSize != compressed) {
      throw EAbZipInvalidLFH();
    }
  }
  if (local.FFileName != item.RawFileName()) throw EAbZipInvalidLFH();
  TAbBitBucketStream bucket(32768);
  ExtractItemToStream(archive, item, bucket);
}

}  // namespace vn::ooxml
