#include "ooxml/virtual_memory_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>

#include "ooxml/zip_exceptions.h"
#include "ooxml/zip_utils.h"

namespace vn::ooxml {

TAbVirtualMemoryStream::TAbVirtualMemoryStream() {
  auto first = std::make_unique<Page>();
  first->LRU = NextLRU();
  vmsCachePage = first.get();
  vmsPageList.push_back(std::move(first));
}

TAbVirtualMemoryStream::~TAbVirtualMemoryStream() {
  if (vmsSwapStream) {
    vmsSwapStream.reset();
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(ToUtf8(vmsSwapFileName)), ignored);
  }
}

int TAbVirtualMemoryStream::NextLRU() {
  if (vmsLRU == INT_MAX) {
    for (auto& page : vmsPageList) page->LRU = 0;
    vmsLRU = 0;
  }
  return ++vmsLRU;
}

size_t TAbVirtualMemoryStream::LeastRecentlyUsed() const {
  size_t oldest = 0;
  for (size_t i = 1; i < vmsPageList.size(); ++i)
    if (vmsPageList[i]->LRU < vmsPageList[oldest]->LRU) oldest = i;
  return oldest;
}

void TAbVirtualMemoryStream::OpenSwapFile() {
  try {
    vmsSwapFileName = GetTempSwapFileName(vmsSwapFileDir, true);
  } catch (const EInOutError&) {
    throw EAbVMSErrorOpenSwap(vmsSwapFileDir);
  }
  try {
    vmsSwapStream = std::make_unique<TFileStream>(std::filesystem::path(ToUtf8(vmsSwapFileName)), FileMode::fmCreate);
  } catch (const EFileStreamError&) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(ToUtf8(vmsSwapFileName)), ignored);
    const String name = vmsSwapFileName;
    vmsSwapFileName.clear();
    throw EAbVMSErrorOpenSwap(name);
  }
  vmsSwapFileSize = 0;
}

void TAbVirtualMemoryStream::SwapOut(Page& page) {
  if (!vmsSwapStream) OpenSwapFile();
  if (vmsSwapStream->Seek(page.Offset, SeekOrigin::soBeginning) != page.Offset) throw EAbVMSSeekFail(vmsSwapFileName);
  if (vmsSwapStream->Write(page.Data.data(), kPageSize) != kPageSize)
    throw EAbVMSWriteFail(static_cast<int>(kPageSize), vmsSwapFileName);
  vmsSwapFileSize = std::max(vmsSwapFileSize, page.Offset + kPageSize);
  page.Dirty = false;
}

void TAbVirtualMemoryStream::SwapIn(Page& page) {
  if (vmsSwapStream->Seek(page.Offset, SeekOrigin::soBeginning) != page.Offset) throw EAbVMSSeekFail(vmsSwapFileName);
  int64_t got = 0;
  while (got < kPageSize) {
    const int64_t n = vmsSwapStream->Read(page.Data.data() + got, kPageSize - got);
    if (n <= 0) break;
    got += n;
  }
  if (got != kPageSize) throw EAbVMSReadFail(static_cast<int>(kPageSize), vmsSwapFileName);
}

TAbVirtualMemoryStream::Page& TAbVirtualMemoryStream::PageAt(int64_t offset) {
  if (vmsCachePage && vmsCachePage->Offset == offset) return *vmsCachePage;
  auto at = std::lower_bound(vmsPageList.begin(), vmsPageList.end(), offset,
                             [](const std::unique_ptr<Page>& p, int64_t o) { return p->Offset < o; });
  if (at != vmsPageList.end() && (*at)->Offset == offset) {
    (*at)->LRU = NextLRU();
    vmsCachePage = at->get();
    return *vmsCachePage;
  }
  size_t insert = static_cast<size_t>(at - vmsPageList.begin());
  std::unique_ptr<Page> page;
  if (static_cast<int>(vmsPageList.size()) < vmsMaxPages) {
    page = std::make_unique<Page>();
  } else {
    // The victim leaves the list only once its bytes are safe in the swap
    // file: a failed write keeps it in memory.
    const size_t victim = LeastRecentlyUsed();
    if (vmsPageList[victim]->Dirty) SwapOut(*vmsPageList[victim]);
    page = std::move(vmsPageList[victim]);
    vmsPageList.erase(vmsPageList.begin() + static_cast<std::ptrdiff_t>(victim));
    if (vmsCachePage == page.get()) vmsCachePage = nullptr;
    if (victim < insert) --insert;
  }
  page->Offset = offset;
  page->LRU = NextLRU();
  page->Dirty = false;
  if (vmsSwapStream && vmsSwapFileSize > offset)
    SwapIn(*page);
  else
    page->Data.fill(0);
  vmsCachePage = page.get();
  vmsPageList.insert(vmsPageList.begin() + static_cast<std::ptrdiff_t>(insert), std::move(page));
  return *vmsCachePage;
}

int64_t TAbVirtualMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || vmsPosition < 0 || vmsPosition >= vmsSize) return 0;
  const int64_t total = std::min(count, vmsSize - vmsPosition);
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < total) {
    const int64_t in_page = vmsPosition % kPageSize;
    const int64_t n = std::min(total - done, kPageSize - in_page);
    Page& page = PageAt(vmsPosition - in_page);
    std::memcpy(out + done, page.Data.data() + in_page, static_cast<size_t>(n));
    done += n;
    vmsPosition += n;
  }
  return done;
}

int64_t TAbVirtualMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  if (vmsPosition < 0) throw EWriteError("Stream write error");
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t in_page = vmsPosition % kPageSize;
    const int64_t n = std::min(count - done, kPageSize - in_page);
    Page& page = PageAt(vmsPosition - in_page);
    std::memcpy(page.Data.data() + in_page, in + done, static_cast<size_t>(n));
    page.Dirty = true;
    done += n;
    vmsPosition += n;
    vmsSize = std::max(vmsSize, vmsPosition);
  }
  return count;
}

int64_t TAbVirtualMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  switch (origin) {
    case SeekOrigin::soBeginning: vmsPosition = offset; break;
    case SeekOrigin::soCurrent: vmsPosition += offset; break;
    case SeekOrigin::soEnd: vmsPosition = vmsSize + offset; break;
    default: throw EAbVMSInvalidOrigin(static_cast<int>(origin));
  }
  return vmsPosition;
}

void TAbVirtualMemoryStream::SetSize(int64_t new_size) {
  new_size = std::max<int64_t>(new_size, 0);
  if (new_size < vmsSize) {
    while (!vmsPageList.empty() && vmsPageList.back()->Offset >= new_size && vmsPageList.back()->Offset != 0)
      vmsPageList.pop_back();
    vmsCachePage = vmsPageList.empty() ? nullptr : vmsPageList.front().get();
    const int64_t rounded = (new_size + kPageSize - 1) / kPageSize * kPageSize;
    vmsSwapFileSize = std::min(vmsSwapFileSize, rounded);
  }
  vmsSize = new_size;
  vmsPosition = std::min(vmsPosition, vmsSize);
}

void TAbVirtualMemoryStream::SetMaxMemToUse(int64_t value) {
  const int64_t pages = (std::max<int64_t>(value, 0) + kPageSize - 1) / kPageSize;
  vmsMaxPages = static_cast<int>(std::clamp<int64_t>(pages, 1, kMaxPages));
  while (static_cast<int>(vmsPageList.size()) > vmsMaxPages) {
    const size_t victim = LeastRecentlyUsed();
    if (vmsPageList[victim]->Dirty) SwapOut(*vmsPageList[victim]);
    vmsPageList.erase(vmsPageList.begin() + static_cast<std::ptrdiff_t>(victim));
  }
  vmsCachePage = vmsPageList.empty() ? nullptr : vmsPageList.front().get();
}

}  // namespace vn::ooxml
