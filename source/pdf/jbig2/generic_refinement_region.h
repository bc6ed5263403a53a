// The generic refinement region of JBIG2: a bitmap decoded with the
// arithmetic decoder in contexts drawn from its own pixels and from a
// reference bitmap (templates 0 and 1), with optional typical prediction.
//
// As a segment (types 40, 42, 43) the reference is the bitmap of the first
// segment it refers to, placed at the same origin; a segment that refers to
// no region raises TvnJBIG2Exception when its bitmap is asked for. Text
// regions and symbol dictionaries drive it through SetParameters with their
// own decoder, contexts, reference bitmap and offsets, which stay theirs.
// Reference pixels outside the reference bitmap count as 0.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "pdf/jbig2/arithmetic_decoder.h"
#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/segment_header.h"
#include "pdf/jbig2/segments.h"

namespace vn::pdf::jbig2 {

class TvnGenericRefinementRegion : public TvnIRegion {
 public:
  TvnGenericRefinementRegion() = default;
  explicit TvnGenericRefinementRegion(TvnIOStream* subInputStream) : stream_(subInputStream) {}
  TvnGenericRefinementRegion(TvnIOStream* subInputStream, TvnSegmentHeader* segmentHeader)
      : stream_(subInputStream), header_(segmentHeader) {}

  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;
  TvnImageBitmap* GetRegionBitmap() override;
  TvnRegionSegmentInformation* GetRegionInfo() override { return region_info_.get(); }

  // A refinement of `reference`, whose pixel (x - referenceDX, y -
  // referenceDY) lies under pixel (x, y) of the new bitmap.
  void SetParameters(TvnCX* cx, TvnArithmeticDecoder* decoder, std::span<const int8_t> grAtX,
                     std::span<const int8_t> grAtY, bool isTPGROn, int64_t referenceDY, int64_t referenceDX,
                     const TvnImageBitmap* reference, int64_t height, int64_t width, int grTemplate);

  // Refines `reference` placed at the region's own origin: the page's
  // pixels under a region segment that refers to no other segment. Not owned.
  void SetPageReference(TvnImageBitmap reference) {
    page_reference_ = std::make_unique<TvnImageBitmap>(std::move(reference));
    reference_ = page_reference_.get();
    reference_dx_ = reference_dy_ = 0;
  }
  // Hands the decoded bitmap over to the caller (decoding it first).
  std::unique_ptr<TvnImageBitmap> TakeRegionBitmap() {
    GetRegionBitmap();
    return std::move(bitmap_);
  }
  bool RefersToRegion() const { return header_ && !header_->ReferredSegments().empty(); }

  int GetTemplate() const { return template_; }
  bool IsTPGROn() const { return is_tpgron_; }

 private:
  void ParseHeader();
  void SetAtPixels(std::span<const int8_t> x, std::span<const int8_t> y);
  void Decode();

  std::unique_ptr<TvnIOStream> owned_stream_;
  TvnIOStream* stream_ = nullptr;
  TvnSegmentHeader* header_ = nullptr;
  std::unique_ptr<TvnRegionSegmentInformation> region_info_;
  bool is_tpgron_ = false;
  int template_ = 0;
  // The two adaptive pixels: the first in the bitmap being decoded, the
  // second in the reference.
  int8_t at_x_[2] = {-1, -1};
  int8_t at_y_[2] = {-1, -1};
  bool at_override_[2] = {false, false};  // not at the nominal (-1, -1)
  std::unique_ptr<TvnImageBitmap> bitmap_;
  const TvnImageBitmap* reference_ = nullptr;
  std::unique_ptr<TvnImageBitmap> page_reference_;
  int64_t reference_dx_ = 0;
  int64_t reference_dy_ = 0;
  std::unique_ptr<TvnArithmeticDecoder> owned_decoder_;
  TvnArithmeticDecoder* decoder_ = nullptr;
  std::unique_ptr<TvnCX> owned_cx_;
  TvnCX* cx_ = nullptr;
};

}  // namespace vn::pdf::jbig2
