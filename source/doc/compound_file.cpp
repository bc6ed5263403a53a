#include "doc/compound_file.h"

#include <algorithm>
#include <string>
#include <utility>

#include "runtime/byte_reader.h"

namespace vn::doc {

namespace {

constexpr uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderSize = 512;
constexpr size_t kHeaderDifatEntries = 109;
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kNoSibling = 0xFFFFFFFF;
constexpr size_t kDirectoryEntrySize = 128;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint8_t kStorageObject = 1;
constexpr uint8_t kStreamObject = 2;
constexpr uint8_t kRootObject = 5;

}  // namespace

// The reading of one compound file into a TvnOLESSRoot (see the header for
// the damage policy).
class CompoundFileReading {
 public:
  CompoundFileReading(TvnOLESSRoot& root, std::span<const uint8_t> file, Diagnostics* diagnostics)
      : root_(root), file_(file), diagnostics_(diagnostics) {}

  void Run() {
    ReadHeader();
    ReadFat();
    ReadMiniFat();
    ReadDirectory();
    WalkDirectoryTree();
    CopyNamedStreams();
    if (!root_.FHas1Table && !root_.FHas0Table) ScanForTableStream();
  }

 private:
  // One directory entry as the file holds it.
  struct DirectoryRecord {
    String name;
    uint8_t type = 0;
    uint32_t left = kNoSibling, right = kNoSibling, child = kNoSibling;
    uint32_t start = 0;
    uint64_t size = 0;
  };

  void Damage(uint64_t offset, std::string message) {
    ReportTo(diagnostics_, {.offset = offset, .message = std::move(message)});
  }

  ByteReader File() const { return ByteReader(file_.data(), file_.size()); }

  void ReadHeader() {
    if (file_.size() < kHeaderSize || !std::equal(std::begin(kCompoundSignature), std::end(kCompoundSignature),
                                                  file_.begin()))
      throw EDOCFormatError("The file is not a compound file");
    ByteReader header = File();
    header.Seek(30);
    const uint16_t sector_shift = header.U16LE();
    const uint16_t mini_sector_shift = header.U16LE();
    if (sector_shift != 9 && sector_shift != 12)
      throw EDOCFormatError("The compound file's sector size is not supported");
    if (mini_sector_shift != 6) throw EDOCFormatError("The compound file's mini sector size is not supported");
    sector_size_ = 1u << sector_shift;
    root_.FSectorSize = sector_size_;
    header.Seek(44);
    fat_sector_count_ = header.U32LE();
    first_directory_sector_ = header.U32LE();
    header.Skip(4);  // transaction signature
    mini_stream_cutoff_ = header.U32LE();
    first_mini_fat_sector_ = header.U32LE();
    header.Skip(4);  // number of mini FAT sectors: the chain says it
    first_difat_sector_ = header.U32LE();
    // Sector n lies at (n + 1) x sector size; a short last sector counts,
    // read as if padded with zeros.
    const uint64_t after_header = file_.size() > sector_size_ ? file_.size() - sector_size_ : 0;
    sector_count_ = std::min<uint64_t>((after_header + sector_size_ - 1) / sector_size_, kMaxRegularSector);
  }

  // Appends regular sector n, zero-padded when the file ends inside it.
  void AppendSector(uint32_t n, std::vector<uint8_t>& out) const {
    const uint64_t at = (static_cast<uint64_t>(n) + 1) * sector_size_;
    const size_t old = out.size();
    out.resize(old + sector_size_, 0);
    if (at < file_.size()) {
      const size_t have = static_cast<size_t>(std::min<uint64_t>(sector_size_, file_.size() - at));
      std::copy_n(file_.begin() + static_cast<std::ptrdiff_t>(at), have, out.begin() + static_cast<std::ptrdiff_t>(old));
    }
  }

  static uint64_t SectorOffset(uint32_t n, uint32_t size) { return (static_cast<uint64_t>(n) + 1) * size; }

  // The FAT sectors named by the header's DIFAT entries and the DIFAT
  // chain, then the FAT itself.
  void ReadFat() {
    // A FAT never needs more sectors than the file has.
    const uint64_t wanted = std::min<uint64_t>(fat_sector_count_, sector_count_);
    std::vector<uint32_t> fat_sectors;
    ByteReader header = File();
    header.Seek(76);
    bool ended = false;
    for (size_t i = 0; i < kHeaderDifatEntries && fat_sectors.size() < wanted; ++i) {
      const uint32_t s = header.U32LE();
      if (s > kMaxRegularSector) {
        ended = true;
        break;
      }
      fat_sectors.push_back(s);
    }
    std::vector<bool> seen(static_cast<size_t>(sector_count_), false);
    const uint32_t per_sector = sector_size_ / 4 - 1;
    uint32_t difat = first_difat_sector_;
    while (!ended && fat_sectors.size() < wanted && difat <= kMaxRegularSector) {
      if (difat >= sector_count_ || seen[difat]) {
        Damage(SectorOffset(difat, sector_size_),
               difat >= sector_count_ ? "DIFAT sector outside the file" : "DIFAT chain runs in a circle");
        break;
      }
      seen[difat] = true;
      std::vector<uint8_t> bytes;
      AppendSector(difat, bytes);
      ByteReader r(bytes.data(), bytes.size());
      for (uint32_t i = 0; i < per_sector && fat_sectors.size() < wanted; ++i) {
        const uint32_t s = r.U32LE();
        if (s > kMaxRegularSector) {
          ended = true;
          break;
        }
        fat_sectors.push_back(s);
      }
      r.Seek(sector_size_ - 4);
      difat = r.U32LE();
    }
    if (fat_sectors.size() < fat_sector_count_)
      Damage(44, "the FAT has " + std::to_string(fat_sectors.size()) + " of the " +
                     std::to_string(fat_sector_count_) + " sectors the header counts");
    const size_t per_fat_sector = sector_size_ / 4;
    root_.FFat.reserve(fat_sectors.size() * per_fat_sector);
    for (uint32_t s : fat_sectors) {
      if (s >= sector_count_) {
        Damage(SectorOffset(s, sector_size_), "FAT sector outside the file");
        root_.FFat.insert(root_.FFat.end(), per_fat_sector, TvnOLESSRoot::kFreeSect);
        continue;
      }
      std::vector<uint8_t> bytes;
      AppendSector(s, bytes);
      ByteReader r(bytes.data(), bytes.size());
      for (size_t i = 0; i < per_fat_sector; ++i) root_.FFat.push_back(r.U32LE());
    }
    fat_limit_ = std::min<uint64_t>(root_.FFat.size(), sector_count_);
  }

  // The sectors of a chain through `table`, at most `max_sectors` of them.
  // It ends at a special value, at a number not below `limit`, and at a
  // sector met before.
  std::vector<uint32_t> Chain(uint32_t start, const std::vector<uint32_t>& table, uint64_t limit,
                              uint64_t max_sectors, const std::string& what) {
    std::vector<uint32_t> chain;
    std::vector<bool> seen(static_cast<size_t>(limit), false);
    uint32_t s = start;
    while (chain.size() < max_sectors && s <= kMaxRegularSector) {
      if (s >= limit) {
        Damage(Diagnostic::kNoOffset, what + ": sector " + std::to_string(s) + " is out of range");
        break;
      }
      if (seen[s]) {
        Damage(Diagnostic::kNoOffset, what + ": the sector chain runs in a circle");
        break;
      }
      seen[s] = true;
      chain.push_back(s);
      s = table[s];
    }
    return chain;
  }

  static uint64_t SectorsFor(uint64_t size, uint32_t sector) { return size / sector + (size % sector != 0); }

  // A stream of `size` bytes in regular sectors from `start`.
  std::vector<uint8_t> ReadRegular(uint32_t start, uint64_t size, const std::string& what) {
    std::vector<uint8_t> bytes;
    if (size == 0) return bytes;
    const auto chain = Chain(start, root_.FFat, fat_limit_, SectorsFor(size, sector_size_), what);
    bytes.reserve(chain.size() * sector_size_);
    for (uint32_t s : chain) AppendSector(s, bytes);
    Trim(bytes, size, what);
    return bytes;
  }

  // A stream of `size` bytes in the mini stream from mini sector `start`.
  std::vector<uint8_t> ReadMini(uint32_t start, uint64_t size, const std::string& what) {
    std::vector<uint8_t> bytes;
    if (size == 0) return bytes;
    const uint64_t limit = std::min<uint64_t>(root_.FMiniFat.size(), mini_stream_.size() / kMiniSectorSize);
    const auto chain = Chain(start, root_.FMiniFat, limit, SectorsFor(size, kMiniSectorSize), what);
    bytes.reserve(chain.size() * kMiniSectorSize);
    for (uint32_t s : chain) {
      const auto from = mini_stream_.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(s) * kMiniSectorSize);
      bytes.insert(bytes.end(), from, from + kMiniSectorSize);
    }
    Trim(bytes, size, what);
    return bytes;
  }

  void Trim(std::vector<uint8_t>& bytes, uint64_t size, const std::string& what) {
    if (bytes.size() > size)
      bytes.resize(static_cast<size_t>(size));
    else if (bytes.size() < size)
      Damage(Diagnostic::kNoOffset, what + " ends after " + std::to_string(bytes.size()) + " of its " +
                                        std::to_string(size) + " bytes");
  }

  void ReadMiniFat() {
    const auto chain =
        Chain(first_mini_fat_sector_, root_.FFat, fat_limit_, UINT64_MAX, "the mini FAT");
    std::vector<uint8_t> bytes;
    bytes.reserve(chain.size() * sector_size_);
    for (uint32_t s : chain) AppendSector(s, bytes);
    ByteReader r(bytes.data(), bytes.size());
    root_.FMiniFat.reserve(bytes.size() / 4);
    while (r.remaining() >= 4) root_.FMiniFat.push_back(r.U32LE());
  }

  DirectoryRecord ParseEntry(ByteReader r) const {
    DirectoryRecord e;
    r.Seek(64);
    // The name ends at its first NUL; a length that cannot be right (0, odd
    // or past the field) lets the whole field count.
    uint16_t name_bytes = r.U16LE();
    if (name_bytes == 0 || name_bytes > 64 || name_bytes % 2) name_bytes = 64;
    ByteReader name = r.Sub(0, name_bytes);
    while (name.remaining() >= 2) {
      const char16_t c = name.U16LE();
      if (c == 0) break;
      e.name.push_back(c);
    }
    r.Seek(66);
    e.type = r.U8();
    r.Seek(68);
    e.left = r.U32LE();
    e.right = r.U32LE();
    e.child = r.U32LE();
    r.Seek(116);
    e.start = r.U32LE();
    // Files of 512-byte sectors leave the high half of the size undefined.
    e.size = sector_size_ == 512 ? r.U32LE() : r.U64LE();
    return e;
  }

  void ReadDirectory() {
    const auto chain = Chain(first_directory_sector_, root_.FFat, fat_limit_, UINT64_MAX, "the directory");
    if (chain.empty()) Damage(48, "the directory has no sectors");
    std::vector<uint8_t> bytes;
    bytes.reserve(chain.size() * sector_size_);
    for (uint32_t s : chain) AppendSector(s, bytes);
    ByteReader all(bytes.data(), bytes.size());
    for (size_t at = 0; at + kDirectoryEntrySize <= bytes.size(); at += kDirectoryEntrySize)
      entries_.push_back(ParseEntry(all.Sub(at, kDirectoryEntrySize)));
  }

  // The streams below the root storage, with their paths; the streams
  // directly in the root are remembered for the copies.
  void WalkDirectoryTree() {
    if (entries_.empty()) return;
    if (entries_[0].type != kRootObject) Damage(Diagnostic::kNoOffset, "the first directory entry is not the root");
    struct Pending {
      uint32_t id;
      String parent;
    };
    std::vector<bool> visited(entries_.size(), false);
    visited[0] = true;
    std::vector<Pending> pending{{entries_[0].child, String()}};
    while (!pending.empty()) {
      Pending p = std::move(pending.back());
      pending.pop_back();
      if (p.id == kNoSibling) continue;
      if (p.id >= entries_.size() || visited[p.id]) {
        Damage(Diagnostic::kNoOffset, p.id >= entries_.size() ? "directory entry " + std::to_string(p.id) +
                                                                      " is out of range"
                                                                : "the directory tree runs in a circle");
        continue;
      }
      visited[p.id] = true;
      const DirectoryRecord& e = entries_[p.id];
      pending.push_back({e.left, p.parent});
      pending.push_back({e.right, p.parent});
      const String path = p.parent.empty() ? e.name : p.parent + u"/" + e.name;
      if (e.type == kStreamObject) {
        TvnDirectoryEntries listed;
        listed.FDirectoryname = e.name;
        listed.FStartSector = e.start;
        listed.FLength = static_cast<int64_t>(std::min<uint64_t>(e.size, INT64_MAX));
        listed.FPath = path;
        root_.FStreams.push_back(std::move(listed));
        if (p.parent.empty()) root_streams_.push_back(p.id);
      } else if (e.type == kStorageObject) {
        pending.push_back({e.child, path});
      }
    }
  }

  // The bytes of a stream entry, from the mini stream when it is below the
  // cutoff, else from regular sectors; sets its offset field.
  std::vector<uint8_t> ReadEntry(const DirectoryRecord& e, int64_t& offset) {
    const std::string what = "stream \"" + ToUtf8(e.name) + "\"";
    if (e.size < mini_stream_cutoff_) {
      LoadMiniStream();
      offset = static_cast<int64_t>(e.start) * kMiniSectorSize;
      return ReadMini(e.start, e.size, what);
    }
    offset = static_cast<int64_t>(SectorOffset(e.start, sector_size_));
    return ReadRegular(e.start, e.size, what);
  }

  void LoadMiniStream() {
    if (mini_stream_loaded_) return;
    mini_stream_loaded_ = true;
    if (entries_.empty()) return;
    mini_stream_ = ReadRegular(entries_[0].start, entries_[0].size, "the mini stream");
  }

  // An entry is copied unless its start is FREESECT or its size 0 or
  // 0xFFFFFFFF.
  static bool Kept(const DirectoryRecord& e) {
    return e.start != TvnOLESSRoot::kFreeSect && e.size != 0 && e.size != 0xFFFFFFFF;
  }

  void CopyInto(const DirectoryRecord& e, TMemoryStream& stream, int64_t& offset, int64_t& start) {
    stream.Bytes() = ReadEntry(e, offset);
    stream.SetPosition(0);
    start = e.start;
  }

  void CopyNamedStreams() {
    struct Target {
      const char16_t* name;
      TMemoryStream* stream;
      int64_t* offset;
      int64_t* start;
      bool* found;
    };
    bool word = false, data = false, summary = false, document_summary = false;
    const Target targets[] = {
        {u"WordDocument", &root_.FWordDocumentStream, &root_.FWordDocumentStreamOffset,
         &root_.FWordDocumentStreamStartSector, &word},
        {u"1Table", &root_.F1TableStream, &root_.F1TableOffset, &root_.F1TableStart, &root_.FHas1Table},
        {u"0Table", &root_.F0TableStream, &root_.F0TableOffset, &root_.F0TableStart, &root_.FHas0Table},
        {u"Data", &root_.FDataStream, &root_.FDataStreamOffset, &root_.FDataStreamStartSector, &data},
        {u"\u0005SummaryInformation", &root_.FSummaryInformationStream, &root_.FSummaryInformationStreamOffset,
         &root_.FSummaryInformationStreamStartSector, &summary},
        {u"\u0005DocumentSummaryInformation", &root_.FDocumentSummaryInformationStream,
         &root_.FDocumentSummaryInformationStreamOffset, &root_.FDocumentSummaryInformationStreamStartSector,
         &document_summary},
    };
    for (uint32_t id : root_streams_) {
      const DirectoryRecord& e = entries_[id];
      if (!Kept(e)) continue;
      for (const Target& t : targets) {
        if (e.name != t.name) continue;  // names compare exactly, case included
        if (*t.found) {
          Damage(Diagnostic::kNoOffset, "a second stream \"" + ToUtf8(e.name) + "\" is ignored");
          break;
        }
        *t.found = true;
        CopyInto(e, *t.stream, *t.offset, *t.start);
        break;
      }
    }
  }

  // No table stream in the directory tree: looks through the whole file,
  // 16 bytes at a time, for a directory entry named "1Table" or "0Table"
  // and reads the stream it describes (the first of each name).
  void ScanForTableStream() {
    static const uint8_t k1Table[12] = {'1', 0, 'T', 0, 'a', 0, 'b', 0, 'l', 0, 'e', 0};
    static const uint8_t k0Table[12] = {'0', 0, 'T', 0, 'a', 0, 'b', 0, 'l', 0, 'e', 0};
    for (size_t at = 0; at + kDirectoryEntrySize <= file_.size(); at += 16) {
      const auto here = file_.begin() + static_cast<std::ptrdiff_t>(at);
      const bool one = std::equal(std::begin(k1Table), std::end(k1Table), here);
      const bool zero = !one && std::equal(std::begin(k0Table), std::end(k0Table), here);
      if ((!one || root_.FHas1Table) && (!zero || root_.FHas0Table)) continue;
      const DirectoryRecord e = ParseEntry(File().Sub(at, kDirectoryEntrySize));
      if (!Kept(e)) continue;
      Damage(at, "table stream found outside the directory tree");
      if (one) {
        root_.FHas1Table = true;
        CopyInto(e, root_.F1TableStream, root_.F1TableOffset, root_.F1TableStart);
      } else {
        root_.FHas0Table = true;
        CopyInto(e, root_.F0TableStream, root_.F0TableOffset, root_.F0TableStart);
      }
      if (root_.FHas1Table && root_.FHas0Table) break;
    }
  }

  TvnOLESSRoot& root_;
  std::span<const uint8_t> file_;
  Diagnostics* diagnostics_;
  uint32_t sector_size_ = 512;
  uint64_t sector_count_ = 0;
  uint64_t fat_limit_ = 0;
  uint32_t fat_sector_count_ = 0;
  uint32_t first_directory_sector_ = TvnOLESSRoot::kEndOfChain;
  uint32_t mini_stream_cutoff_ = 4096;
  uint32_t first_mini_fat_sector_ = TvnOLESSRoot::kEndOfChain;
  uint32_t first_difat_sector_ = TvnOLESSRoot::kEndOfChain;
  std::vector<DirectoryRecord> entries_;
  std::vector<uint32_t> root_streams_;
  std::vector<uint8_t> mini_stream_;
  bool mini_stream_loaded_ = false;
};

TvnOLESSRoot::TvnOLESSRoot() = default;

void TvnOLESSRoot::CreateDocumentpart(TvnBinaryReader& ABinaryReader, Diagnostics* ADiagnostics) {
  CompoundFileReading(*this, ABinaryReader.Bytes(), ADiagnostics).Run();
}

void TvnOLESSRoot::SelectTableStream(bool AWhichTableStream) {
  const bool one = FHas1Table && (AWhichTableStream || !FHas0Table);
  if (!one && !FHas0Table) return;
  FTableStream.Bytes() = one ? F1TableStream.Bytes() : F0TableStream.Bytes();
  FTableStream.SetPosition(0);
  FTableStreamOffset = one ? F1TableOffset : F0TableOffset;
  FTableStreamStartSector = one ? F1TableStart : F0TableStart;
}

}  // namespace vn::doc
