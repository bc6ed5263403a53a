#include "pdf/jbig2/halftone_region.h"

#include <algorithm>

#include "pdf/jbig2/decoding_impl.h"
#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/generic_region.h"
#include "pdf/jbig2/mmr_decompressor.h"

namespace vn::pdf::jbig2 {

using detail::Fail;
using detail::Need;

namespace {

constexpr int64_t kCellWork = 32;

int64_t SignedU32(int64_t v) { return v >= 0x80000000 ? v - 0x100000000 : v; }

}  // namespace

void TvnPatternDictionary::Init(TvnSegmentHeader*, std::unique_ptr<TvnIOStream> stream) {
  stream_ = std::move(stream);
  TvnIOStream& s = *stream_;
  const int flags = s.ReadByte();
  width_ = s.ReadByte();
  height_ = s.ReadByte();
  gray_max_ = s.ReadInt32();
  if (flags < 0 || width_ < 0 || height_ < 0 || gray_max_ < 0) Fail("pattern dictionary header is truncated");
  mmr_ = flags & 1;
  template_ = (flags >> 1) & 3;
  data_offset_ = s.GetStreamPos();
}

const std::vector<TvnImageBitmap*>* TvnPatternDictionary::GetDictionary() {
  if (failed_) Fail("pattern dictionary could not be decoded");
  if (decoded_) return &list_;
  failed_ = true;
  if (width_ == 0 || height_ == 0) Fail("patterns of no pixels");
  if (gray_max_ >= kMaxPatterns) Fail("too many patterns");
  const int64_t count = gray_max_ + 1;
  // The patterns side by side, decoded as one generic region (T.88 6.7.5).
  TvnGenericRegion collective(stream_.get());
  const int at_x[4] = {-width_, -3, 2, -2};
  const int at_y[4] = {0, -1, -2, -2};
  collective.SetParameters(mmr_, height_, std::span<const int>(at_x, template_ == 0 ? 4 : 1),
                           std::span<const int>(at_y, template_ == 0 ? 4 : 1), false, template_, count * width_,
                           stream_->Length() - data_offset_, data_offset_);
  stream_->SetStreamPos(data_offset_);
  auto bitmap = collective.TakeRegionBitmap();
  for (int64_t i = 0; i < count; ++i) {
    patterns_.push_back(
        std::make_unique<TvnImageBitmap>(bitmap->GetRegionOfInterest(i * width_, 0, (i + 1) * width_, height_)));
    list_.push_back(patterns_.back().get());
  }
  failed_ = false;
  decoded_ = true;
  return &list_;
}

void TvnHalftoneRegion::Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) {
  header_ = header;
  stream_ = std::move(stream);
  region_info_ = std::make_unique<TvnRegionSegmentInformation>(stream_.get());
  region_info_->ParseHeader();
  TvnIOStream& s = *stream_;
  const int flags = s.ReadByte();
  grid_width_ = s.ReadInt32();
  grid_height_ = s.ReadInt32();
  grid_x_ = s.ReadInt32();
  grid_y_ = s.ReadInt32();
  step_x_ = s.ReadInt16();
  step_y_ = s.ReadInt16();
  if (flags < 0 || grid_width_ < 0 || grid_height_ < 0 || grid_x_ < 0 || grid_y_ < 0 || step_x_ < 0 || step_y_ < 0)
    Fail("halftone region header is truncated");
  grid_x_ = SignedU32(grid_x_);
  grid_y_ = SignedU32(grid_y_);
  mmr_ = flags & 1;
  template_ = (flags >> 1) & 3;
  skip_enabled_ = (flags >> 3) & 1;
  op_ = CombinationOperatorFromCode((flags >> 4) & 7);
  default_pixel_ = (flags >> 7) & 1;
  data_offset_ = s.GetStreamPos();
}

TvnImageBitmap* TvnHalftoneRegion::GetRegionBitmap() {
  if (!decoded_) {
    decoded_ = true;
    Decode();
  }
  if (!bitmap_) Fail("halftone region could not be decoded");
  return bitmap_.get();
}

void TvnHalftoneRegion::Decode() {
  TvnReferenceDepthGuard guard;
  auto region = std::make_unique<TvnImageBitmap>(region_info_->GetBitmapWidth(), region_info_->GetBitmapHeight());
  if (default_pixel_) region->SetByteArray(0xFF);
  // The patterns of the dictionaries referred to, in order.
  std::vector<const TvnImageBitmap*> patterns;
  for (TvnSegmentHeader* segment : header_->ReferredSegments()) {
    if (segment->SegmentType() != 16) continue;
    auto* dictionary = dynamic_cast<TvnIDictionary*>(segment->GetSegmentData());
    const std::vector<TvnImageBitmap*>* list = dictionary ? dictionary->GetDictionary() : nullptr;
    if (list) patterns.insert(patterns.end(), list->begin(), list->end());
  }
  if (patterns.empty()) Fail("halftone region without patterns");
  if (static_cast<int64_t>(patterns.size()) > kMaxPatterns) Fail("too many patterns");
  const int64_t pattern_width = patterns[0]->GetWidth();
  const int64_t pattern_height = patterns[0]->GetHeight();
  const int64_t region_width = region->GetWidth();
  const int64_t region_height = region->GetHeight();
  int bpp = 0;  // HBPP = ceil(log2(HNUMPATS))
  while ((int64_t{1} << bpp) < static_cast<int64_t>(patterns.size())) ++bpp;

  auto cell_x = [&](int64_t m, int64_t n) { return (grid_x_ + m * step_y_ + n * step_x_) >> 8; };
  auto cell_y = [&](int64_t m, int64_t n) { return (grid_y_ + m * step_x_ - n * step_y_) >> 8; };

  // The skip bitmap (T.88 6.6.5.1): cells whose pattern lies wholly
  // outside the region.
  std::unique_ptr<TvnImageBitmap> skip;
  if (skip_enabled_ && bpp > 0) {
    skip = std::make_unique<TvnImageBitmap>(grid_width_, grid_height_);
    TvnWorkBudget::Charge(grid_width_ * grid_height_);
    for (int64_t m = 0; m < grid_height_; ++m) {
      for (int64_t n = 0; n < grid_width_; ++n) {
        const int64_t x = cell_x(m, n), y = cell_y(m, n);
        if (x + pattern_width <= 0 || x >= region_width || y + pattern_height <= 0 || y >= region_height)
          skip->SetPixel(static_cast<int>(n), static_cast<int>(m), 1);
      }
    }
  }

  // The gray-scale image as bit planes (T.88 C.5), the most significant
  // first; each further plane is XORed with the one above.
  std::vector<std::unique_ptr<TvnImageBitmap>> planes(static_cast<size_t>(bpp));
  // The grid is a bitmap's size at most, planes or not.
  if (grid_width_ > kMaxBitmapPixels || (grid_width_ > 0 && grid_height_ > kMaxBitmapPixels / grid_width_))
    Fail("halftone grid out of range");
  TvnGenericRegion generic(stream_.get());
  const int8_t at_x[4] = {static_cast<int8_t>(template_ <= 1 ? 3 : 2), -3, 2, -2};
  const int8_t at_y[4] = {-1, -1, -2, -2};
  const size_t at_count = template_ == 0 ? 4 : 1;
  int64_t offset = data_offset_;
  stream_->SetStreamPos(data_offset_);
  std::unique_ptr<TvnArithmeticDecoder> decoder;
  TvnCX contexts(65536, 1);
  if (!mmr_ && bpp > 0) decoder = std::make_unique<TvnArithmeticDecoder>(stream_.get());
  for (int j = bpp - 1; j >= 0; --j) {
    std::unique_ptr<TvnImageBitmap> plane;
    if (mmr_) {
      // Each plane's MMR data end with EOFB; the next starts on the next byte.
      plane = std::make_unique<TvnImageBitmap>(grid_width_, grid_height_);
      TvnWorkBudget::Charge(grid_width_ * grid_height_ / 8);
      if (plane->GetWidth() > 0 && plane->GetHeight() > 0) {
        auto window = stream_->SubWindow(offset, stream_->Length() - offset);
        TvnMMRDecompressor mmr(plane->GetWidth(), plane->GetHeight(), window.get());
        try {
          mmr.Uncompress(*plane);
        } catch (const TvnJBIG2Exception&) {
          throw;
        } catch (const vn::Exception&) {
          // Damaged data: the rows decoded before the damage stay.
        }
        offset += (mmr.BitOffset() + 7) / 8;
      }
    } else {
      // The adaptive pixels of C.5: (3 or 2, -1), (-3, -1), (2, -2), (-2, -2).
      generic.SetParameters(false, template_, decoder.get(), &contexts, grid_height_, grid_width_,
                            std::span<const int8_t>(at_x, at_count), std::span<const int8_t>(at_y, at_count), false);
      generic.SetSkip(skip.get());
      plane = generic.TakeRegionBitmap();
    }
    if (j + 1 < bpp) {
      // GSPLANES[J] = GSPLANES[J + 1] XOR GSPLANES[J], a byte at a time.
      const auto& above = planes[static_cast<size_t>(j + 1)]->GetByteArray();
      auto& bytes = plane->GetByteArray();
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= above[i];
    }
    planes[static_cast<size_t>(j)] = std::move(plane);
  }

  // Drawing (T.88 6.6.5.2).
  const int64_t last = static_cast<int64_t>(patterns.size()) - 1;
  try {
    for (int64_t m = 0; m < grid_height_; ++m) {
      for (int64_t n = 0; n < grid_width_; ++n) {
        TvnWorkBudget::Charge(kCellWork + pattern_width * pattern_height / 8);
        int64_t gray = 0;
        for (int j = 0; j < bpp; ++j)
          gray |= int64_t{planes[static_cast<size_t>(j)]->GetPixel(static_cast<int>(n), static_cast<int>(m))} << j;
        // Gray values beyond the patterns take the last one.
        const TvnImageBitmap& pattern = *patterns[static_cast<size_t>(std::min(gray, last))];
        const int64_t x = cell_x(m, n), y = cell_y(m, n);
        if (x + pattern.GetWidth() <= 0 || x >= region_width || y + pattern.GetHeight() <= 0 || y >= region_height)
          continue;
        region->Blit(pattern, x, y, op_);
      }
    }
  } catch (const TvnJBIG2Exception&) {
    if (TvnWorkBudget::Spent()) throw;
  }
  bitmap_ = std::move(region);
}

}  // namespace vn::pdf::jbig2
