// Contract: any bytes in, read as an embedded JBIG2 stream; segment headers,
// the data objects of every segment type, generic and refinement regions,
// MMR data and user Huffman tables are parsed and decoded, failing only with
// vn::Exception (the decoder's TvnJBIG2Exception among them): no crash, leak
// or hang. Regions over kMaxFuzzPixels are left undecoded here so that one
// input stays fast; the decoder's own cap is tested by the unit tests.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "pdf/jbig2/huffman_table.h"
#include "pdf/jbig2/segment_header.h"
#include "pdf/jbig2/segments.h"
#include "runtime/exceptions.h"

namespace {

using namespace vn::pdf::jbig2;

constexpr int64_t kMaxFuzzPixels = int64_t{1} << 16;
constexpr int kMaxSegments = 256;

class Directory : public TvnSegmentDirectory {
 public:
  TvnSegmentHeader* FindSegment(int64_t page, int64_t number) override {
    auto it = pages_.find({page, number});
    if (it != pages_.end()) return it->second;
    it = pages_.find({0, number});
    return it != pages_.end() ? it->second : nullptr;
  }
  void Add(TvnSegmentHeader* header) { pages_.emplace(std::make_pair(header->PageAssociation(), header->SegmentNumber()), header); }

 private:
  std::map<std::pair<int64_t, int64_t>, TvnSegmentHeader*> pages_;
};

// Whether a region and the regions it refines are small enough to decode here.
bool Small(TvnSegmentHeader& header, int depth = 0) {
  auto* region = dynamic_cast<TvnIRegion*>(header.GetSegmentData());
  if (!region || depth > TvnReferenceDepthGuard::kMaxDepth) return true;
  TvnRegionSegmentInformation* info = region->GetRegionInfo();
  const int64_t width = info->GetBitmapWidth(), height = info->GetBitmapHeight();
  if (width > kMaxFuzzPixels || (width > 0 && height > kMaxFuzzPixels / width)) return false;
  // A refinement decodes the first segment it refers to.
  return header.ReferredSegments().empty() || Small(*header.ReferredSegments().front(), depth + 1);
}

void Exercise(TvnSegmentHeader& header, TvnIOStream& input) {
  TvnISegmentData* data = header.GetSegmentData();
  if (auto* region = dynamic_cast<TvnIRegion*>(data)) {
    if (Small(header)) region->GetRegionBitmap();
  } else if (auto* table = dynamic_cast<TvnTable*>(data)) {
    TvnEncodedTable huffman(*table);
    auto bits = input.SubWindow(0, input.Length());
    for (int i = 0; i < 64; ++i) huffman.Decode(*bits);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TvnIOStream input(std::span<const uint8_t>(data, size), static_cast<int64_t>(size), 0);
  Directory directory;
  std::vector<std::unique_ptr<TvnSegmentHeader>> headers;
  int64_t offset = 0;
  while (offset + 4 <= static_cast<int64_t>(size) && headers.size() < kMaxSegments) {
    try {
      auto header = std::make_unique<TvnSegmentHeader>(&directory, TvnSegmentHeader::kSequential, offset, &input);
      offset = header->SegmentDataStartOffset() + header->SegmentyDataLength();
      directory.Add(header.get());
      headers.push_back(std::move(header));
    } catch (const vn::Exception&) {
      break;
    }
  }
  for (auto& header : headers) {
    try {
      Exercise(*header, input);
    } catch (const vn::Exception&) {
    }
  }
  return 0;
}
