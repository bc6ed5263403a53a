#include "ooxml/zip_insert.h"

#include <zlib.h>

#include <filesystem>
#include <vector>

#include "ooxml/zip_utils.h"

namespace vn::ooxml {

namespace {

using DeflationOption = TAbZipFileHeader::TAbZipDeflationOption;

constexpr size_t kChunk = 65536;

int DeflateLevel(DeflationOption option) {
  switch (option) {
    case DeflationOption::doMaximum: return 9;
    case DeflationOption::doFast: return 3;
    case DeflationOption::doSuperFast: return 1;
    default: return 6;
  }
}

// Flag bits 1 and 2 as readers show the level.
uint16_t DeflateFlags(DeflationOption option) {
  switch (option) {
    case DeflationOption::doMaximum: return 0x0002;
    case DeflationOption::doFast: return 0x0004;
    case DeflationOption::doSuperFast: return 0x0006;
    default: return 0;
  }
}

struct Compressed {
  uint32_t crc = 0xFFFFFFFF;
  int64_t size = 0;
  int64_t compressed = 0;
};

// Raw deflate of everything from the input's position into the output.
Compressed Deflate(TStream& in, TStream& out, int level) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw EOutOfMemory("Out of memory");
  struct End {
    z_stream& z;
    ~End() { deflateEnd(&z); }
  } end{z};
  Compressed result;
  std::vector<uint8_t> input(kChunk), output(kChunk);
  int flush = Z_NO_FLUSH;
  while (flush != Z_FINISH) {
    const int64_t n = std::max<int64_t>(in.Read(input.data(), static_cast<int64_t>(input.size())), 0);
    UpdateCRC32(result.crc, input.data(), static_cast<size_t>(n));
    result.size += n;
    flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
    z.next_in = input.data();
    z.avail_in = static_cast<uInt>(n);
    do {
      z.next_out = output.data();
      z.avail_out = static_cast<uInt>(output.size());
      deflate(&z, flush);
      const int64_t have = static_cast<int64_t>(output.size() - z.avail_out);
      out.WriteBuffer(output.data(), have);
      result.compressed += have;
    } while (z.avail_out == 0);
  }
  return result;
}

Compressed Store(TStream& in, TStream& out) {
  Compressed result;
  std::vector<uint8_t> buffer(kChunk);
  while (const int64_t n = std::max<int64_t>(in.Read(buffer.data(), static_cast<int64_t>(buffer.size())), 0)) {
    UpdateCRC32(result.crc, buffer.data(), static_cast<size_t>(n));
    out.WriteBuffer(buffer.data(), n);
    result.size += n;
  }
  result.compressed = result.size;
  return result;
}

void Compress(TAbZipArchive& archive, TAbZipItem& item, TStream& in, TStream& out) {
  const int64_t in_start = in.Position();
  const int64_t out_start = out.Position();
  uint16_t method = 0;
  Compressed result;
  if (archive.CompressionMethodToUse == TAbZipSupportedMethod::smStored) {
    result = Store(in, out);
  } else {
    method = 8;
    result = Deflate(in, out, DeflateLevel(archive.DeflationOption));
    if (archive.CompressionMethodToUse == TAbZipSupportedMethod::smBestMethod && result.compressed >= result.size) {
      in.Seek(in_start, SeekOrigin::soBeginning);
      out.SetSize(out_start);
      out.Seek(out_start, SeekOrigin::soBeginning);
      method = 0;
      result = Store(in, out);
    }
  }
  // Sizes known, no descriptor follows; not encrypted.
  uint16_t flags = item.GeneralPurposeBitFlag() & ~uint16_t{0x000F};
  if (method == 8) flags |= DeflateFlags(archive.DeflationOption);
  item.SetCompressionMethod(method);
  item.SetGeneralPurposeBitFlag(flags);
  item.SetCRC32(~result.crc);
  item.SetUncompressedSize(result.size);
  item.SetCompressedSize(result.compressed);
}

void SetDosTime(TAbZipItem& item, TDateTime time) {
  const uint32_t dos = DateTimeToDosDateTime(time);
  item.SetLastModFileDate(static_cast<uint16_t>(dos >> 16));
  item.SetLastModFileTime(static_cast<uint16_t>(dos & 0xFFFF));
}

}  // namespace

void InsertItemFromFile(TAbZipArchive& archive, TAbZipItem& item, TStream& out_stream) {
  const std::filesystem::path path(ToUtf8(archive.DiskFileOf(item)));
  TAbAttrExRec info;
  if (!GetFileAttrEx(path, info)) throw EAbFileNotFound();
  if (item.IsDirectory() || (info.Attr & kDosDirectory)) {
    item.SetCompressionMethod(0);
    item.SetGeneralPurposeBitFlag(item.GeneralPurposeBitFlag() & ~uint16_t{0x000F});
    item.SetCRC32(0);
    item.SetUncompressedSize(0);
    item.SetCompressedSize(0);
  } else {
    TFileStream in(path, FileMode::fmOpenRead);
    Compress(archive, item, in, out_stream);
  }
  SetDosTime(item, info.Time);
  item.SetExternalFileAttributes(static_cast<uint32_t>(info.Attr));
}

void InsertItemFromStream(TAbZipArchive& archive, TAbZipItem& item, TStream& out_stream, TStream& in_stream) {
  in_stream.Seek(0, SeekOrigin::soBeginning);
  Compress(archive, item, in_stream, out_stream);
  SetDosTime(item, Now());
  item.SetExternalFileAttributes(0);
}

void InstallInsertHelpers(TAbZipArchive& archive) {
  archive.InsertHelper = InsertItemFromFile;
  archive.InsertFromStreamHelper = InsertItemFromStream;
}

}  // namespace vn::ooxml
