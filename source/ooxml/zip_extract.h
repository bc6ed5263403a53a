// Member extraction: from an item to its bytes. The item's local header is
// read to reach its data, the data are cut out of the archive stream,
// decrypted when they use the traditional PKWARE encryption, decompressed by
// their method (stored, shrunk, reduced, imploded, deflated, Deflate64) and
// checked against the item's CRC-32. The unzipper installs
// ExtractItemToStream, ExtractItemToFile and TestItem as the archive's
// extraction helpers.
//
// Damage: a wrong CRC-32 always raises EAbZipBadCRC; the archive's item
// operations report it through OnProcessItemFailure. No item produces more
// than the uncompressed size it declares, and an item declaring more than
// the archive's MaxItemSize is refused before anything is written. A file
// is written beside its target and renamed into place only when complete.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ooxml/archive.h"
#include "ooxml/zip_archive.h"
#include "runtime/streams.h"

namespace vn::ooxml {

// The bytes [start, start + size) of the archive stream (not owned), as a
// read-only stream of its own; `start` is the archive stream's position.
class TAbUnzipSubsetStream : public TStream {
 public:
  TAbUnzipSubsetStream(TStream& stream, int64_t stream_size);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;  // EAbException
  int64_t Seek(int64_t offset, SeekOrigin origin) override;    // clamped to the window

 private:
  TStream& FStream;
  int64_t FStartPos;
  int64_t FCurPos;
  int64_t FEndPos;
};

// Passes the output to the target (not owned) while computing its CRC-32
// and reporting progress against the uncompressed size.
class TAbUnzipOutputStream : public TStream {
 public:
  explicit TAbUnzipOutputStream(TStream& stream) : FStream(stream) {}
  int64_t Read(void* buffer, int64_t count) override;  // EAbException
  // A progress handler asking to abort raises EAbUserAbort.
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override { return FStream.Seek(offset, origin); }

  uint32_t CRC32() const { return ~FCRC32; }
  int64_t BytesWritten() const { return FBytesWritten; }
  int64_t UncompressedSize = 0;
  TAbProgressEvent OnProgress;

 private:
  TStream& FStream;
  int64_t FBytesWritten = 0;
  uint32_t FCRC32 = 0xFFFFFFFF;
  int FCurrentProgress = -1;
};

// The three keys of the traditional PKWARE encryption.
class TAbZipDecryptEngine {
 public:
  // Sets up the keys from the passphrase (UTF-8 bytes) and decrypts the
  // 12-byte header; valid when its last byte equals the check value's high
  // byte. EAssertionFailed for an empty passphrase.
  bool VerifyHeader(const uint8_t* header, std::string_view passphrase, uint32_t check_value);
  // EAssertionFailed before a header was verified.
  void DecodeBuffer(uint8_t* buffer, size_t count);
  uint8_t Decode(uint8_t c);

 private:
  void UpdateKeys(uint8_t c);
  uint8_t StreamByte() const;

  bool FReady = false;
  uint32_t FState[3] = {};
};

// Decrypts what it reads from its stream.
class TAbDfDecryptStream : public TStream {
 public:
  TAbDfDecryptStream(TStream& stream, uint32_t check_value, std::string passphrase);
  // Reads and verifies the encryption header; on failure the stream is
  // moved back to where it was.
  bool IsValid();
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;  // EAssertionFailed
  int64_t Seek(int64_t offset, SeekOrigin origin) override { return FStream.Seek(offset, origin); }

  // The stream read from is owned (freed with this one).
  void TakeStream(std::unique_ptr<TStream> stream) { FOwnedStream = std::move(stream); }

 private:
  uint32_t FCheckValue;
  TAbZipDecryptEngine FEngine;
  std::unique_ptr<TStream> FOwnedStream;
  std::string FPassphrase;
  bool FReady = false;
  TStream& FStream;
};

// A sink that keeps only the last bytes written (4096, 8192 or 32768, any
// other request giving 32768).
class TAbBitBucketStream : public TStream {
 public:
  explicit TAbBitBucketStream(int buf_size);
  // EAbBBSReadTooManyBytes for more than the ring holds.
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // EAbBBSSeekOutsideBuffer outside the bytes kept.
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override { return FSize; }
  void ForceSize(int64_t size);

 private:
  int64_t Kept() const { return std::min<int64_t>(FSize, static_cast<int64_t>(FBuffer.size())); }

  std::vector<uint8_t> FBuffer;
  int64_t FPosn = 0;
  int64_t FSize = 0;
};

// The procedures, for one item of an archive.
void ExtractItemToStream(TAbZipArchive& archive, TAbZipItem& item, TStream& out_stream);
void ExtractItemToFile(TAbZipArchive& archive, TAbZipItem& item, StringView file_name);
// Compares the local header with the directory entry (EAbZipInvalidLFH) and
// decompresses the item without keeping its bytes.
void TestItem(TAbZipArchive& archive, TAbZipItem& item);
// The item's data as a stream (decrypting when needed), owned by the caller.
std::unique_ptr<TStream> OpenItemStream(TAbZipArchive& archive, TAbZipItem& item);
void DecompressItem(TAbZipArchive& archive, TAbZipItem& item, TStream& data, TStream& out_stream);

}  // namespace vn::ooxml
