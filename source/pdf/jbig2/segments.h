// The small JBIG2 segments: region segment information (the common start of
// every region segment), page information, end of stripe, profiles and code
// tables. Each reads its fields when initialised; data too short for the
// fields raises TvnJBIG2Exception. Sizes and positions are kept as the
// unsigned 32-bit values of the file; whoever allocates from them checks them.
#pragma once

#include <cstdint>
#include <memory>

#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/segment_header.h"

namespace vn::pdf::jbig2 {

class TvnRegionSegmentInformation : public TvnISegmentData {
 public:
  TvnRegionSegmentInformation() = default;
  // Reads from a region's own reader, which it does not own.
  explicit TvnRegionSegmentInformation(TvnIOStream* subInputStream) : stream_(subInputStream) {}

  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;
  // Width, height, x, y and the combination operator (17 bytes).
  virtual void ParseHeader();

  int64_t GetBitmapWidth() const { return width_; }
  int64_t GetBitmapHeight() const { return height_; }
  int64_t GetXLocation() const { return x_; }
  int64_t GetYLocation() const { return y_; }
  FCombinationOPerator GetCombinationOperator() const { return operator_; }
  void SetBitmapWidth(int64_t width) { width_ = width; }
  void SetBitmapHeight(int64_t height) { height_ = height; }

 private:
  std::unique_ptr<TvnIOStream> owned_;
  TvnIOStream* stream_ = nullptr;
  FCombinationOPerator operator_ = FCombinationOPerator::OROP;
  int64_t width_ = 0;
  int64_t height_ = 0;
  int64_t x_ = 0;
  int64_t y_ = 0;
};

class TvnPageInformation : public TvnISegmentData {
 public:
  static constexpr int64_t kUnknownHeight = -1;

  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;

  int64_t GetWidth() const { return width_; }
  // kUnknownHeight for a striped page whose height the end-of-stripe
  // segments give.
  int64_t GetHeight() const { return height_; }
  int64_t GetBitmapWidth() const { return width_; }
  int64_t GetBitmapHeight() const { return height_; }
  int64_t GetResolutionX() const { return resolution_x_; }
  int64_t GetResolutionY() const { return resolution_y_; }
  int GetDefaultPixelValue() const { return default_pixel_value_; }
  bool IsCombinationOperatorOverrideAllowed() const { return override_allowed_; }
  FCombinationOPerator GetCombinationOperator() const { return operator_; }
  bool IsAuxiliaryBufferRequired() const { return requires_auxiliary_buffer_; }
  bool MightContainRefinements() const { return might_contain_refinements_; }
  bool IsLossless() const { return is_lossless_; }
  bool IsStriped() const { return is_striped_; }
  int GetMaxStripeSize() const { return max_stripe_size_; }

 private:
  std::unique_ptr<TvnIOStream> stream_;
  int64_t width_ = 0;
  int64_t height_ = 0;
  int64_t resolution_x_ = 0;
  int64_t resolution_y_ = 0;
  bool override_allowed_ = false;
  FCombinationOPerator operator_ = FCombinationOPerator::OROP;
  bool requires_auxiliary_buffer_ = false;
  int default_pixel_value_ = 0;
  bool might_contain_refinements_ = false;
  bool is_lossless_ = false;
  bool is_striped_ = false;
  int max_stripe_size_ = 0;
};

class TvnEndOfStripe : public TvnISegmentData {
 public:
  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;
  // The last row of the stripe.
  int64_t GetLineNumber() const { return line_number_; }

 private:
  std::unique_ptr<TvnIOStream> stream_;
  int64_t line_number_ = 0;
};

// Profiles only describe the data; nothing is read.
class TvnProfiles : public TvnISegmentData {};

// A code table segment: its header; the lines are read by TvnEncodedTable.
class TvnTable : public TvnISegmentData {
 public:
  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;

  int GetHtOutOfBand() const { return ht_out_of_band_; }
  int GetHtPS() const { return ht_ps_; }
  int GetHtRS() const { return ht_rs_; }
  int64_t GetHtLow() const { return ht_low_; }
  int64_t GetHtHigh() const { return ht_high_; }
  // A new reader over the table lines that follow the header.
  std::unique_ptr<TvnIOStream> OpenLines() const;

 private:
  std::unique_ptr<TvnIOStream> stream_;
  int ht_out_of_band_ = 0;
  int ht_ps_ = 0;
  int ht_rs_ = 0;
  int64_t ht_low_ = 0;
  int64_t ht_high_ = 0;
};

}  // namespace vn::pdf::jbig2
