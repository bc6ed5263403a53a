// Builds small compound files for the DOC reader's tests: streams in the
// root storage or in one storage below it, streams under 4096 bytes in the
// mini stream, the directory as a chain of right siblings, and options that
// shape the layout (sector size, a directory whose sectors are apart, free
// sectors before the data, more FAT sectors than needed, FAT sectors listed
// in reverse). After Build() the file can be patched through the recorded
// positions (FAT entries, directory entries, stream starts).
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vn::doc::testing {

class CompoundFileBuilder {
 public:
  static constexpr uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD, kDifSect = 0xFFFFFFFC;
  static constexpr uint32_t kNoStream = 0xFFFFFFFF;

  explicit CompoundFileBuilder(uint32_t sector_size = 512) : sector_size_(sector_size) {}

  // A stream; `storage` names the storage below the root that holds it
  // (empty: the root itself).
  CompoundFileBuilder& Stream(std::u16string name, std::string data, std::u16string storage = u"") {
    streams_.push_back({std::move(name), std::move(data), std::move(storage)});
    return *this;
  }
  // The directory's sectors after the first are placed after all data.
  CompoundFileBuilder& DirectoryApart() {
    directory_apart_ = true;
    return *this;
  }
  // `n` free sectors before the data, so the data's sector numbers are high.
  CompoundFileBuilder& LeadingFreeSectors(uint32_t n) {
    leading_free_ = n;
    return *this;
  }
  // At least `n` FAT sectors.
  CompoundFileBuilder& MinFatSectors(uint32_t n) {
    min_fat_ = n;
    return *this;
  }
  // The DIFAT lists the FAT sectors from the last to the first.
  CompoundFileBuilder& ReverseFatOrder() {
    reverse_fat_ = true;
    return *this;
  }

  std::string Build() {
    const uint32_t per_sector = sector_size_ / 4;
    // Directory entries: the root, then each storage, then the streams.
    entries_.clear();
    entries_.push_back({u"Root Entry", 5, {}, 0, 0});
    std::map<std::u16string, size_t> storages;
    for (const auto& s : streams_)
      if (!s.storage.empty() && !storages.count(s.storage)) {
        storages[s.storage] = entries_.size();
        entries_.push_back({s.storage, 1, {}, 0, 0});
      }
    std::vector<size_t> stream_entry;
    for (const auto& s : streams_) {
      stream_entry.push_back(entries_.size());
      entries_.push_back({s.name, 2, s.data, 0, static_cast<uint64_t>(s.data.size())});
    }
    // Children as chains of right siblings.
    std::map<size_t, std::vector<size_t>> children;
    for (const auto& [name, at] : storages) children[0].push_back(at);
    for (size_t i = 0; i < streams_.size(); ++i)
      children[streams_[i].storage.empty() ? 0 : storages[streams_[i].storage]].push_back(stream_entry[i]);
    for (auto& [parent, list] : children) {
      entries_[parent].child = static_cast<uint32_t>(list[0]);
      for (size_t i = 0; i + 1 < list.size(); ++i) entries_[list[i]].right = static_cast<uint32_t>(list[i + 1]);
    }
    // Sectors: contents and FAT entries.
    sectors_.clear();
    fat_.clear();
    const auto allocate = [&](const std::string& bytes) {
      std::vector<uint32_t> chain;
      for (size_t at = 0; at < bytes.size() || chain.empty(); at += sector_size_) {
        chain.push_back(static_cast<uint32_t>(sectors_.size()));
        std::string sector = bytes.substr(std::min(at, bytes.size()), sector_size_);
        sector.resize(sector_size_, '\0');
        sectors_.push_back(sector);
        fat_.push_back(kEnd);
      }
      for (size_t i = 0; i + 1 < chain.size(); ++i) fat_[chain[i]] = chain[i + 1];
      return chain;
    };
    const auto link = [&](uint32_t from, uint32_t to) { fat_[from] = to; };
    for (uint32_t i = 0; i < leading_free_; ++i) {
      sectors_.push_back(std::string(sector_size_, '\0'));
      fat_.push_back(kFree);
    }
    const size_t entries_per_sector = sector_size_ / 128;
    const size_t directory_sectors = (entries_.size() + entries_per_sector - 1) / entries_per_sector;
    std::vector<uint32_t> directory;
    directory.push_back(allocate(std::string(sector_size_, '\0'))[0]);
    if (!directory_apart_)
      for (size_t i = 1; i < directory_sectors; ++i) directory.push_back(allocate(std::string(sector_size_, '\0'))[0]);
    // The mini stream and its FAT.
    std::string mini;
    std::vector<uint32_t> mini_fat;
    for (auto& e : entries_) {
      if (e.type != 2 || e.data.size() >= 4096 || e.data.empty()) continue;
      e.start = static_cast<uint32_t>(mini.size() / 64);
      const size_t count = (e.data.size() + 63) / 64;
      for (size_t i = 0; i < count; ++i) mini_fat.push_back(i + 1 < count ? e.start + static_cast<uint32_t>(i) + 1 : kEnd);
      std::string padded = e.data;
      padded.resize(count * 64, '\0');
      mini += padded;
    }
    first_mini_fat_ = kEnd;
    uint32_t mini_fat_sectors = 0;
    if (!mini.empty()) {
      std::string bytes;
      for (uint32_t v : mini_fat) bytes += Le32(v);
      while (bytes.size() % sector_size_) bytes += Le32(kFree);
      const auto chain = allocate(bytes);
      first_mini_fat_ = chain[0];
      mini_fat_sectors = static_cast<uint32_t>(chain.size());
      entries_[0].start = allocate(mini)[0];
      entries_[0].size = mini.size();
    } else {
      entries_[0].start = kEnd;
    }
    for (auto& e : entries_) {
      if (e.type != 2) continue;
      if (e.data.empty()) e.start = kEnd;
      else if (e.data.size() >= 4096) e.start = allocate(e.data)[0];
    }
    if (directory_apart_)
      for (size_t i = 1; i < directory_sectors; ++i) directory.push_back(allocate(std::string(sector_size_, '\0'))[0]);
    for (size_t i = 0; i + 1 < directory.size(); ++i) link(directory[i], directory[i + 1]);
    // FAT and DIFAT sectors at the end.
    const uint32_t data_sectors = static_cast<uint32_t>(sectors_.size());
    uint32_t fat_count = std::max<uint32_t>(min_fat_, 1), difat_count = 0;
    for (;;) {
      difat_count = fat_count > 109 ? (fat_count - 109 + per_sector - 2) / (per_sector - 1) : 0;
      if (uint64_t{fat_count} * per_sector >= data_sectors + fat_count + difat_count) break;
      ++fat_count;
    }
    fat_sectors_.clear();
    for (uint32_t i = 0; i < fat_count; ++i) {
      fat_sectors_.push_back(static_cast<uint32_t>(sectors_.size()));
      sectors_.push_back(std::string(sector_size_, '\0'));
      fat_.push_back(kFatSect);
    }
    std::vector<uint32_t> difat_sectors;
    for (uint32_t i = 0; i < difat_count; ++i) {
      difat_sectors.push_back(static_cast<uint32_t>(sectors_.size()));
      sectors_.push_back(std::string(sector_size_, '\0'));
      fat_.push_back(kDifSect);
    }
    fat_.resize(size_t{fat_count} * per_sector, kFree);
    std::vector<uint32_t> listed = fat_sectors_;
    if (reverse_fat_) std::reverse(listed.begin(), listed.end());
    // Where each FAT entry lands: the sector the DIFAT lists at its place.
    fat_order_ = listed;
    for (uint32_t k = 0; k < fat_count; ++k)
      for (uint32_t i = 0; i < per_sector; ++i) Put32(sectors_[listed[k]], i * 4, fat_[size_t{k} * per_sector + i]);
    for (uint32_t d = 0; d < difat_count; ++d) {
      std::string& sector = sectors_[difat_sectors[d]];
      for (uint32_t i = 0; i < per_sector - 1; ++i) {
        const size_t k = 109 + size_t{d} * (per_sector - 1) + i;
        Put32(sector, i * 4, k < listed.size() ? listed[k] : kFree);
      }
      Put32(sector, (per_sector - 1) * 4, d + 1 < difat_count ? difat_sectors[d + 1] : kEnd);
    }
    // Directory sectors.
    directory_sectors_ = directory;
    for (size_t i = 0; i < directory.size() * entries_per_sector; ++i) {
      std::string entry(128, '\0');
      if (i < entries_.size()) entry = EntryBytes(entries_[i]);
      else {
        Put32(entry, 68, kNoStream);
        Put32(entry, 72, kNoStream);
        Put32(entry, 76, kNoStream);
      }
      sectors_[directory[i / entries_per_sector]].replace((i % entries_per_sector) * 128, 128, entry);
    }
    // Header.
    std::string header(sector_size_, '\0');
    header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    Put16(header, 24, 0x3E);
    Put16(header, 26, sector_size_ == 512 ? 3 : 4);
    Put16(header, 28, 0xFFFE);
    Put16(header, 30, sector_size_ == 512 ? 9 : 12);
    Put16(header, 32, 6);
    Put32(header, 40, sector_size_ == 512 ? 0 : static_cast<uint32_t>(directory.size()));
    Put32(header, 44, fat_count);
    Put32(header, 48, directory[0]);
    Put32(header, 56, 4096);
    Put32(header, 60, first_mini_fat_);
    Put32(header, 64, mini_fat_sectors);
    Put32(header, 68, difat_count ? difat_sectors[0] : kEnd);
    Put32(header, 72, difat_count);
    for (uint32_t i = 0; i < 109; ++i) Put32(header, 76 + i * 4, i < listed.size() ? listed[i] : kFree);
    std::string file = header;
    for (const auto& s : sectors_) file += s;
    return file;
  }

  // Byte offset in the built file of FAT entry `index`.
  size_t FatEntryOffset(uint32_t index) const {
    const uint32_t per_sector = sector_size_ / 4;
    return SectorOffset(fat_order_.at(index / per_sector)) + (index % per_sector) * 4;
  }
  // Byte offset in the built file of directory entry `index` (0 the root).
  size_t EntryOffset(size_t index) const {
    const size_t per_sector = sector_size_ / 128;
    return SectorOffset(directory_sectors_.at(index / per_sector)) + (index % per_sector) * 128;
  }
  // The directory index of the stream or storage named `name`.
  size_t EntryIndex(const std::u16string& name) const {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].name == name) return i;
    throw std::logic_error("no such entry");
  }
  // The first sector of the stream named `name` (a mini sector when small).
  uint32_t StartSector(const std::u16string& name) const { return entries_.at(EntryIndex(name)).start; }
  size_t SectorOffset(uint32_t sector) const { return (size_t{sector} + 1) * sector_size_; }

  static void Put16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  }
  static void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  static std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    Put32(s, 0, v);
    return s;
  }

 private:
  struct StreamSpec {
    std::u16string name;
    std::string data;
    std::u16string storage;
  };
  struct Entry {
    std::u16string name;
    uint8_t type;
    std::string data;
    uint32_t start;
    uint64_t size;
    uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  };

  static std::string EntryBytes(const Entry& e) {
    std::string b(128, '\0');
    for (size_t i = 0; i < e.name.size() && i < 31; ++i) Put16(b, i * 2, e.name[i]);
    Put16(b, 64, static_cast<uint32_t>((std::min<size_t>(e.name.size(), 31) + 1) * 2));
    b[66] = static_cast<char>(e.type);
    b[67] = 1;  // black
    Put32(b, 68, e.left);
    Put32(b, 72, e.right);
    Put32(b, 76, e.child);
    Put32(b, 116, e.start);
    Put32(b, 120, static_cast<uint32_t>(e.size));
    Put32(b, 124, static_cast<uint32_t>(e.size >> 32));
    return b;
  }

  uint32_t sector_size_;
  std::vector<StreamSpec> streams_;
  bool directory_apart_ = false;
  uint32_t leading_free_ = 0;
  uint32_t min_fat_ = 0;
  bool reverse_fat_ = false;

  std::vector<Entry> entries_;
  std::vector<std::string> sectors_;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> fat_sectors_;
  std::vector<uint32_t> fat_order_;
  std::vector<uint32_t> directory_sectors_;
  uint32_t first_mini_fat_ = kEnd;
};

}  // namespace vn::doc::testing
