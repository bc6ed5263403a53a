// JBIG2 segments: the segment header, the base classes of the objects that
// decode a segment's data, and the map from segment type to those objects.
//
// A header is read from the document's reader at a given offset. The
// segments it refers to are looked up at once through the document
// (TvnSegmentDirectory), so a header only ever refers to headers read before
// it. Its data object is made on first request, parses the segment's own
// header from a window over the segment's data and is kept; the header owns
// it. Any failure while the header itself is read raises vn::Exception with
// kSegmentError.
//
// Immediate generic regions may give their data length as 0xFFFFFFFF
// (unknown); the header then finds the end of the data by its end marker
// and the row count after it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/jbig2/io_stream.h"

namespace vn::pdf::jbig2 {

class TvnSegmentHeader;
class TvnImageBitmap;
class TvnRegionSegmentInformation;

// What a header needs of the document that reads it.
class TvnSegmentDirectory {
 public:
  virtual ~TvnSegmentDirectory() = default;
  // The header numbered `number` as a segment of page `page` sees it: that
  // page's own segments first, then the global ones. For a page not met yet
  // (and for page 0) only the global segments count. Null when unknown.
  virtual TvnSegmentHeader* FindSegment(int64_t page, int64_t number) = 0;
};

class TvnISegmentData {
 public:
  virtual ~TvnISegmentData() = default;
  // Parses the segment's own header from `stream`, a window over the
  // segment's data that the object keeps.
  virtual void Init(TvnSegmentHeader* /*header*/, std::unique_ptr<TvnIOStream> /*stream*/) {}
};

class TvnIDictionary : public TvnISegmentData {
 public:
  // The decoded bitmaps; null in the base.
  virtual const std::vector<TvnImageBitmap*>* GetDictionary() { return nullptr; }
};

class TvnIRegion : public TvnISegmentData {
 public:
  // Decodes once and keeps the bitmap (owned by the region).
  virtual TvnImageBitmap* GetRegionBitmap() = 0;
  virtual TvnRegionSegmentInformation* GetRegionInfo() { return nullptr; }
};

// The data object for a segment type; null for types without one (end of
// page, end of file, extensions, and those this decoder does not read).
std::unique_ptr<TvnISegmentData> CreateSegmentData(int segmentType);

// Limits how deeply decoding one segment may ask for the bitmaps of the
// segments it refers to (a chain of refinements of refinements, say);
// deeper requests raise TvnJBIG2Exception.
class TvnReferenceDepthGuard {
 public:
  static constexpr int kMaxDepth = 32;
  TvnReferenceDepthGuard();
  ~TvnReferenceDepthGuard();
  TvnReferenceDepthGuard(const TvnReferenceDepthGuard&) = delete;
  TvnReferenceDepthGuard& operator=(const TvnReferenceDepthGuard&) = delete;
};

// Bounds the work of decoding one document, counted in pixels decoded or
// placed: a file may ask for far more work than its size suggests (regions
// refined again and again, millions of symbol instances, halftone cells).
// A budget set by a TvnWorkBudget object holds on its thread until that
// object is destroyed; Charge raises TvnJBIG2Exception once it is spent.
// Without one, work is unbounded.
class TvnWorkBudget {
 public:
  explicit TvnWorkBudget(int64_t units);
  ~TvnWorkBudget();
  TvnWorkBudget(const TvnWorkBudget&) = delete;
  TvnWorkBudget& operator=(const TvnWorkBudget&) = delete;
  static void Charge(int64_t units);
  // Whether a budget was set and is spent.
  static bool Spent();

 private:
  int64_t saved_;
};

class TvnSegmentHeader {
 public:
  static constexpr int kRandomAccess = 0;
  static constexpr int kSequential = 1;

  // Reads the header at window position `offset` of `stream` (the
  // document's reader, which must outlive the header).
  TvnSegmentHeader(TvnSegmentDirectory* document, int organisationType, int64_t offset, TvnIOStream* stream);
  ~TvnSegmentHeader();
  TvnSegmentHeader(const TvnSegmentHeader&) = delete;
  TvnSegmentHeader& operator=(const TvnSegmentHeader&) = delete;

  int64_t SegmentNumber() const { return segment_number_; }
  int SegmentType() const { return segment_type_; }
  int64_t PageAssociation() const { return page_association_; }
  int64_t SegmentyDataLength() const { return data_length_; }
  int64_t SegmentDataStartOffset() const { return data_start_; }
  void SetSegmentDataStartOffset(int64_t offset) { data_start_ = offset; }
  int64_t SegmentHeaderLength() const { return header_length_; }
  bool IsRetained() const { return retain_flag_ != 0; }
  bool HasFourBytePageAssociation() const { return page_association_field_size_ != 0; }
  // True when the data length was unknown and the data ends with a row count.
  bool EndsWithRowCount() const { return ends_with_row_count_; }

  const std::vector<TvnSegmentHeader*>& ReferredSegments() const { return referred_; }
  std::vector<TvnSegmentHeader*> GetRTSegments() const { return referred_; }

  // The data object, made and initialised on first call; null when the
  // segment type has none.
  TvnISegmentData* GetSegmentData();
  // A new window over the segment's data.
  std::unique_ptr<TvnIOStream> GetDataInputStream() const;

 private:
  void Parse(TvnSegmentDirectory* document, int organisationType, int64_t offset);
  // The data length of an immediate generic region of unknown length: up to
  // and including the row count after its end marker; -1 without a marker.
  int64_t FindUnknownDataLength(int64_t data_start) const;

  TvnIOStream* stream_;
  int64_t segment_number_ = 0;
  int segment_type_ = 0;
  uint8_t retain_flag_ = 0;
  int64_t page_association_ = 0;
  uint8_t page_association_field_size_ = 0;
  std::vector<TvnSegmentHeader*> referred_;
  int64_t header_length_ = 0;
  int64_t data_length_ = 0;
  int64_t data_start_ = 0;
  bool ends_with_row_count_ = false;
  std::unique_ptr<TvnISegmentData> data_;
};

// Bit `bit` (0 to 7) of a flags byte; EArgumentOutOfRangeException
// "Arguemant Out of Range" for any other bit number.
int TestFlag(int flags, int bit);

}  // namespace vn::pdf::jbig2
