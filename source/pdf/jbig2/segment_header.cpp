#include "pdf/jbig2/segment_header.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/generic_refinement_region.h"
#include "pdf/jbig2/generic_region.h"
#include "pdf/jbig2/halftone_region.h"
#include "pdf/jbig2/segments.h"
#include "pdf/jbig2/symbol_dictionary.h"
#include "pdf/jbig2/text_region.h"
#include "runtime/exceptions.h"

namespace vn::pdf::jbig2 {

namespace {

using Factory = std::unique_ptr<TvnISegmentData> (*)();

template <typename T>
std::unique_ptr<TvnISegmentData> Make() {
  return std::make_unique<T>();
}

// Segment types with a data object.
const std::array<Factory, 64>& SegmentTypeMap() {
  static const std::array<Factory, 64> map = [] {
    std::array<Factory, 64> m{};
    m[0] = &Make<TvnSymbolDictionary>;
    m[4] = m[6] = m[7] = &Make<TvnTextRegion>;
    m[16] = &Make<TvnPatternDictionary>;
    m[20] = m[22] = m[23] = &Make<TvnHalftoneRegion>;
    m[36] = m[38] = m[39] = &Make<TvnGenericRegion>;
    m[40] = m[42] = m[43] = &Make<TvnGenericRefinementRegion>;
    m[48] = &Make<TvnPageInformation>;
    m[50] = &Make<TvnEndOfStripe>;
    m[52] = &Make<TvnProfiles>;
    m[53] = &Make<TvnTable>;
    return m;
  }();
  return map;
}

constexpr int kImmediateGenericRegion = 38;
constexpr int kImmediateLosslessGenericRegion = 39;

thread_local int reference_depth = 0;
thread_local int64_t work_left = INT64_MAX;

}  // namespace

std::unique_ptr<TvnISegmentData> CreateSegmentData(int segmentType) {
  if (segmentType < 0 || segmentType >= 64) return nullptr;
  Factory factory = SegmentTypeMap()[static_cast<size_t>(segmentType)];
  return factory ? factory() : nullptr;
}

TvnReferenceDepthGuard::TvnReferenceDepthGuard() {
  if (reference_depth >= kMaxDepth) throw TvnJBIG2Exception("segments refer to each other too deeply");
  ++reference_depth;
}

TvnReferenceDepthGuard::~TvnReferenceDepthGuard() { --reference_depth; }

TvnWorkBudget::TvnWorkBudget(int64_t units) : saved_(work_left) { work_left = std::min(units, work_left); }

TvnWorkBudget::~TvnWorkBudget() { work_left = saved_; }

bool TvnWorkBudget::Spent() { return work_left == 0; }

void TvnWorkBudget::Charge(int64_t units) {
  if (work_left == INT64_MAX) return;
  if (units < 0 || units > work_left) {
    work_left = 0;
    throw TvnJBIG2Exception("JBIG2 data asks for too much work");
  }
  work_left -= units;
}

int TestFlag(int flags, int bit) {
  if (bit < 0 || bit > 7) throw vn::EArgumentOutOfRangeException("Arguemant Out of Range");
  return (flags >> bit) & 1;
}

TvnSegmentHeader::TvnSegmentHeader(TvnSegmentDirectory* document, int organisationType, int64_t offset,
                                   TvnIOStream* stream)
    : stream_(stream) {
  try {
    Parse(document, organisationType, offset);
  } catch (const std::exception&) {
    throw vn::Exception(kSegmentError);
  }
}

TvnSegmentHeader::~TvnSegmentHeader() = default;

void TvnSegmentHeader::Parse(TvnSegmentDirectory* document, int organisationType, int64_t offset) {
  TvnIOStream& s = *stream_;
  auto need = [](int64_t value) {
    if (value < 0) throw TvnJBIG2Exception(kSegmentError);
    return value;
  };
  s.SetStreamPos(offset);
  segment_number_ = need(s.ReadInt32());
  const int flags = static_cast<int>(need(s.ReadByte()));
  retain_flag_ = static_cast<uint8_t>(TestFlag(flags, 7));
  page_association_field_size_ = static_cast<uint8_t>(TestFlag(flags, 6));
  segment_type_ = flags & 0x3F;

  // The referred-to segment count: 3 bits, or 29 bits in the long form,
  // followed by retention flags that are not kept.
  const int count_byte = s.ByteAt(s.GetStreamPos());
  int64_t count = need(count_byte) >> 5;
  if (count <= 4) {
    s.SkipBytes(1);
  } else {
    count = need(s.ReadInt32()) & 0x1FFFFFFF;
    s.SkipBytes((count + 8) / 8);
  }
  const int width = segment_number_ <= 256 ? 1 : segment_number_ <= 65536 ? 2 : 4;
  // Every number must be there before any is kept.
  if (count * width > s.Available() - s.GetStreamPos()) throw TvnJBIG2Exception(kSegmentError);
  std::vector<int64_t> numbers;
  for (int64_t i = 0; i < count; ++i) numbers.push_back(need(s.ReadBits(8 * width)));

  page_association_ = page_association_field_size_ ? need(s.ReadInt32()) : need(s.ReadByte());
  if (document) {
    for (int64_t number : numbers) {
      if (TvnSegmentHeader* segment = document->FindSegment(page_association_, number)) referred_.push_back(segment);
    }
  }

  data_length_ = need(s.ReadInt32());
  header_length_ = s.GetStreamPos() - offset;
  if (organisationType == kSequential) {
    data_start_ = s.GetStreamPos();
    if (data_length_ == 0xFFFFFFFF &&
        (segment_type_ == kImmediateGenericRegion || segment_type_ == kImmediateLosslessGenericRegion)) {
      const int64_t found = FindUnknownDataLength(data_start_);
      ends_with_row_count_ = found >= 0;
      data_length_ = found >= 0 ? found : s.Available() - data_start_;
    }
  }
}

int64_t TvnSegmentHeader::FindUnknownDataLength(int64_t data_start) const {
  // Region segment information (17 bytes), the flags byte, then the AT
  // pixels of arithmetic coding; the coded data ends with FF AC (arithmetic)
  // or 00 00 (MMR) and a 4-byte row count.
  constexpr int64_t kRegionInfoLength = 17;
  const int flags = stream_->ByteAt(data_start + kRegionInfoLength);
  if (flags < 0) return -1;
  const bool mmr = flags & 1;
  const int gb_template = (flags >> 1) & 3;
  const bool ext_template = (flags >> 4) & 1;
  const int64_t at_bytes = mmr ? 0 : gb_template != 0 ? 2 : ext_template ? 24 : 8;
  const int first = mmr ? 0x00 : 0xFF;
  const int second = mmr ? 0x00 : 0xAC;
  const int64_t end = stream_->Available();
  for (int64_t p = data_start + kRegionInfoLength + 1 + at_bytes; p + 6 <= end; ++p) {
    if (stream_->ByteAt(p) == first && stream_->ByteAt(p + 1) == second) return p + 6 - data_start;
  }
  return -1;
}

TvnISegmentData* TvnSegmentHeader::GetSegmentData() {
  if (!data_) {
    std::unique_ptr<TvnISegmentData> data = CreateSegmentData(segment_type_);
    if (!data) return nullptr;
    data->Init(this, GetDataInputStream());
    data_ = std::move(data);
  }
  return data_.get();
}

std::unique_ptr<TvnIOStream> TvnSegmentHeader::GetDataInputStream() const {
  return stream_->SubWindow(data_start_, data_length_);
}

}  // namespace vn::pdf::jbig2
