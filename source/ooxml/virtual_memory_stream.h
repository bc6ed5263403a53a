// A seekable read-write stream kept in memory in 4096-byte pages up to a
// memory limit; beyond the limit the least recently used pages move to a
// swap file ("VMS" and a unique suffix) in the swap folder, or in the
// user's temporary folder when that folder does not exist. The archive
// model assembles a rewritten archive and each newly compressed item in
// one. The swap file is made when the first changed page has to leave
// memory and is deleted with the stream.
//
// Failures of the swap file raise EAbVMSErrorOpenSwap, EAbVMSSeekFail,
// EAbVMSReadFail or EAbVMSWriteFail; a page whose write fails stays in
// memory, so nothing written is lost. Positions below 0 read nothing and
// cannot be written (EWriteError).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::ooxml {

class TAbVirtualMemoryStream : public TStream {
 public:
  static constexpr int64_t kPageSize = 4096;
  static constexpr int kMaxPages = 2048;

  // One zero-filled page at offset 0; a limit of 8 MiB.
  TAbVirtualMemoryStream();
  ~TAbVirtualMemoryStream() override;
  TAbVirtualMemoryStream(const TAbVirtualMemoryStream&) = delete;
  TAbVirtualMemoryStream& operator=(const TAbVirtualMemoryStream&) = delete;

  // At most the bytes between the position and the size.
  int64_t Read(void* buffer, int64_t count) override;
  // All of it; the size grows to the position when it passes it.
  int64_t Write(const void* buffer, int64_t count) override;
  // The position is not checked against the size; an origin other than
  // the three raises EAbVMSInvalidOrigin.
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t GetSize() override { return vmsSize; }
  // Shrinking frees the pages at or past the new size (the one at offset 0
  // stays); the page holding the new end keeps its bytes past it.
  void SetSize(int64_t new_size) override;

  // The memory limit in bytes: set, it becomes a whole number of pages
  // between 1 and 2048; pages over the new limit leave memory at once.
  int64_t MaxMemToUse() const { return int64_t{vmsMaxPages} * kPageSize; }
  void SetMaxMemToUse(int64_t value);
  const String& SwapFileDirectory() const { return vmsSwapFileDir; }
  void SetSwapFileDirectory(StringView value) { vmsSwapFileDir = String(value); }
  // Empty until a swap file was made.
  const String& SwapFileName() const { return vmsSwapFileName; }
  int PagesInMemory() const { return static_cast<int>(vmsPageList.size()); }

 private:
  struct Page {
    int64_t Offset = 0;
    int LRU = 0;
    bool Dirty = false;
    std::array<uint8_t, kPageSize> Data{};
  };

  int NextLRU();
  // The page holding `offset` (a multiple of the page size), brought into
  // memory when needed.
  Page& PageAt(int64_t offset);
  // Index of the least recently used page.
  size_t LeastRecentlyUsed() const;
  void SwapOut(Page& page);
  void SwapIn(Page& page);
  void OpenSwapFile();

  std::vector<std::unique_ptr<Page>> vmsPageList;  // sorted by offset
  Page* vmsCachePage = nullptr;
  int vmsLRU = 0;
  int vmsMaxPages = kMaxPages;
  int64_t vmsPosition = 0;
  int64_t vmsSize = 0;
  String vmsSwapFileDir;
  String vmsSwapFileName;
  int64_t vmsSwapFileSize = 0;
  std::unique_ptr<TFileStream> vmsSwapStream;
};

}  // namespace vn::ooxml
