// Pattern dictionaries (T.88 6.7, segment type 16) and halftone regions
// (T.88 6.6, segment types 20, 22 and 23): a dictionary decodes a row of
// equal patterns as one generic region and cuts it; a halftone region
// decodes a grid of gray values as bit planes (T.88 Annex C.5, with the skip
// bitmap of HENABLESKIP) and draws each cell's pattern at its place on the
// grid.
//
// Sizes come from the file: patterns of no pixels, more than kMaxPatterns
// patterns and grids beyond the bitmap cap raise TvnJBIG2Exception; drawing
// charges the TvnWorkBudget per cell. A halftone whose planes cannot be
// decoded fails; one whose drawing fails keeps the cells drawn so far.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/jbig2/image_bitmap.h"
#include "pdf/jbig2/segment_header.h"
#include "pdf/jbig2/segments.h"

namespace vn::pdf::jbig2 {

inline constexpr int64_t kMaxPatterns = int64_t{1} << 16;

class TvnPatternDictionary : public TvnIDictionary {
 public:
  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;
  // The patterns, GRAYMAX + 1 of them.
  const std::vector<TvnImageBitmap*>* GetDictionary() override;

  int GetPatternWidth() const { return width_; }
  int GetPatternHeight() const { return height_; }
  int64_t GetGrayMax() const { return gray_max_; }

 private:
  std::unique_ptr<TvnIOStream> stream_;
  bool mmr_ = false;
  int template_ = 0;
  int width_ = 0;
  int height_ = 0;
  int64_t gray_max_ = 0;
  int64_t data_offset_ = 0;
  std::vector<std::unique_ptr<TvnImageBitmap>> patterns_;
  std::vector<TvnImageBitmap*> list_;
  bool decoded_ = false;
  bool failed_ = false;
};

class TvnHalftoneRegion : public TvnIRegion {
 public:
  void Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) override;
  TvnImageBitmap* GetRegionBitmap() override;
  TvnRegionSegmentInformation* GetRegionInfo() override { return region_info_.get(); }

  bool IsSkipEnabled() const { return skip_enabled_; }
  int64_t GetGridWidth() const { return grid_width_; }
  int64_t GetGridHeight() const { return grid_height_; }

 private:
  void Decode();

  TvnSegmentHeader* header_ = nullptr;
  std::unique_ptr<TvnIOStream> stream_;
  std::unique_ptr<TvnRegionSegmentInformation> region_info_;
  int default_pixel_ = 0;
  FCombinationOPerator op_ = FCombinationOPerator::OROP;
  bool skip_enabled_ = false;
  int template_ = 0;
  bool mmr_ = false;
  int64_t grid_width_ = 0;
  int64_t grid_height_ = 0;
  int64_t grid_x_ = 0;
  int64_t grid_y_ = 0;
  int64_t step_x_ = 0;  // HRX
  int64_t step_y_ = 0;  // HRY
  int64_t data_offset_ = 0;
  std::unique_ptr<TvnImageBitmap> bitmap_;
  bool decoded_ = false;
};

}  // namespace vn::pdf::jbig2
