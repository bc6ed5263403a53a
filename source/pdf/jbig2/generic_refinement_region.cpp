#include "pdf/jbig2/generic_refinement_region.h"

#include <algorithm>
#include <climits>

#include "pdf/jbig2/exceptions.h"

namespace vn::pdf::jbig2 {

namespace {

// The context of the typical-prediction bit per template: one reference
// pixel set, all others clear; under the pixel being decoded in template 0,
// right of it in template 1 (the standard's 0x0010 and 0x0008, whose bit
// order differs from the one used here).
constexpr int kSltpContext[2] = {0x0010, 0x0004};

// Contexts hold the template's pixels in raster order, the bitmap's own
// (row above, then the pixel to the left) above those of the reference.
// The adaptive pixels' bits in template 0:
constexpr int kAt1Bit = 12;
constexpr int kAt2Bit = 8;

int PixelAt(const TvnImageBitmap& bitmap, int64_t x, int64_t y) {
  if (x < INT_MIN || x > INT_MAX || y < INT_MIN || y > INT_MAX) return 0;
  return bitmap.GetPixel(static_cast<int>(x), static_cast<int>(y));
}

}  // namespace

void TvnGenericRefinementRegion::Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) {
  owned_stream_ = std::move(stream);
  stream_ = owned_stream_.get();
  header_ = header;
  ParseHeader();
}

void TvnGenericRefinementRegion::ParseHeader() {
  region_info_ = std::make_unique<TvnRegionSegmentInformation>(stream_);
  region_info_->ParseHeader();
  const int flags = stream_->ReadByte();
  if (flags < 0) throw TvnJBIG2Exception("refinement region header is truncated");
  template_ = TestFlag(flags, 0);
  is_tpgron_ = TestFlag(flags, 1);
  if (template_ == 0) {
    int8_t values[4];
    for (int8_t& v : values) {
      const int b = stream_->ReadByte();
      if (b < 0) throw TvnJBIG2Exception("refinement region header is truncated");
      v = static_cast<int8_t>(b);
    }
    const int8_t x[2] = {values[0], values[2]};
    const int8_t y[2] = {values[1], values[3]};
    SetAtPixels(x, y);
  }
}

void TvnGenericRefinementRegion::SetAtPixels(std::span<const int8_t> x, std::span<const int8_t> y) {
  for (size_t i = 0; i < 2; ++i) {
    at_x_[i] = i < x.size() ? x[i] : -1;
    at_y_[i] = i < y.size() ? y[i] : -1;
    at_override_[i] = template_ == 0 && (at_x_[i] != -1 || at_y_[i] != -1);
  }
}

void TvnGenericRefinementRegion::SetParameters(TvnCX* cx, TvnArithmeticDecoder* decoder,
                                               std::span<const int8_t> grAtX, std::span<const int8_t> grAtY,
                                               bool isTPGROn, int64_t referenceDY, int64_t referenceDX,
                                               const TvnImageBitmap* reference, int64_t height, int64_t width,
                                               int grTemplate) {
  cx_ = cx;
  decoder_ = decoder;
  template_ = grTemplate & 1;
  SetAtPixels(grAtX, grAtY);
  is_tpgron_ = isTPGROn;
  reference_dy_ = referenceDY;
  reference_dx_ = referenceDX;
  reference_ = reference;
  region_info_ = std::make_unique<TvnRegionSegmentInformation>();
  region_info_->SetBitmapWidth(width);
  region_info_->SetBitmapHeight(height);
  bitmap_.reset();
}

TvnImageBitmap* TvnGenericRefinementRegion::GetRegionBitmap() {
  if (bitmap_) return bitmap_.get();
  if (!region_info_) throw TvnJBIG2Exception("refinement region has no data");
  if (!reference_) {
    if (!header_ || header_->ReferredSegments().empty())
      throw TvnJBIG2Exception("refinement region refers to no region");
    TvnReferenceDepthGuard guard;
    auto* region = dynamic_cast<TvnIRegion*>(header_->ReferredSegments().front()->GetSegmentData());
    if (!region) throw TvnJBIG2Exception("refinement region refers to no region");
    reference_ = region->GetRegionBitmap();
    reference_dx_ = reference_dy_ = 0;
  }
  const int64_t width = region_info_->GetBitmapWidth(), height = region_info_->GetBitmapHeight();
  if (width > 0 && height > 0 && width <= kMaxBitmapPixels && height <= kMaxBitmapPixels / width)
    TvnWorkBudget::Charge(width * height);
  auto bitmap = std::make_unique<TvnImageBitmap>(width, height);
  // Nothing is coded for a bitmap without pixels.
  if (bitmap->GetWidth() == 0 || bitmap->GetHeight() == 0) {
    bitmap_ = std::move(bitmap);
    return bitmap_.get();
  }
  if (!decoder_) {
    if (!stream_) throw TvnJBIG2Exception("refinement region has no data");
    owned_decoder_ = std::make_unique<TvnArithmeticDecoder>(stream_);
    decoder_ = owned_decoder_.get();
  }
  if (!cx_) {
    owned_cx_ = std::make_unique<TvnCX>(8192, 1);
    cx_ = owned_cx_.get();
  }
  if (cx_->Size() < 8192) throw TvnJBIG2Exception("refinement context table too small");
  bitmap_ = std::move(bitmap);
  Decode();
  return bitmap_.get();
}

void TvnGenericRefinementRegion::Decode() {
  TvnImageBitmap& bitmap = *bitmap_;
  const TvnImageBitmap& reference = *reference_;
  const int width = bitmap.GetWidth();
  const int height = bitmap.GetHeight();
  const int64_t dx = reference_dx_;
  auto pixel = [&](int64_t x, int64_t y) { return static_cast<uint32_t>(PixelAt(bitmap, x, y)); };
  auto ref = [&](int64_t x, int64_t y) { return static_cast<uint32_t>(PixelAt(reference, x, y)); };

  int ltp = 0;
  for (int y = 0; y < height; ++y) {
    if (is_tpgron_) ltp ^= decoder_->DecodeBit(*cx_, kSltpContext[template_]);
    const int64_t ry = int64_t{y} - reference_dy_;
    // Three-pixel windows centred on the pixel being decoded: the row above
    // in the bitmap, and the rows above, at and below it in the reference;
    // each moves one pixel right per pixel, as seen from x = -1 first.
    uint32_t above = pixel(0, y - 1);
    uint32_t ref_above = ref(-2 - dx, ry - 1) << 2 | ref(-1 - dx, ry - 1) << 1 | ref(-dx, ry - 1);
    uint32_t ref_at = ref(-2 - dx, ry) << 2 | ref(-1 - dx, ry) << 1 | ref(-dx, ry);
    uint32_t ref_below = ref(-2 - dx, ry + 1) << 2 | ref(-1 - dx, ry + 1) << 1 | ref(-dx, ry + 1);
    uint32_t left = 0;
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < width; ++x) {
      const int64_t rx = int64_t{x} - dx;
      above = (above << 1 | pixel(x + 1, y - 1)) & 7;
      ref_above = (ref_above << 1 | ref(rx + 1, ry - 1)) & 7;
      ref_at = (ref_at << 1 | ref(rx + 1, ry)) & 7;
      ref_below = (ref_below << 1 | ref(rx + 1, ry + 1)) & 7;
      int bit;
      if (ltp && (ref_above | ref_at | ref_below) == 0) {
        bit = 0;
      } else if (ltp && (ref_above & ref_at & ref_below) == 7) {
        bit = 1;
      } else {
        uint32_t context;
        if (template_ == 0) {
          context = above << 10 | left << 9 | ref_above << 6 | ref_at << 3 | ref_below;
          if (at_override_[0])
            context = (context & ~(1u << kAt1Bit)) | pixel(x + at_x_[0], y + at_y_[0]) << kAt1Bit;
          if (at_override_[1])
            context = (context & ~(1u << kAt2Bit)) | ref(rx + at_x_[1], ry + at_y_[1]) << kAt2Bit;
        } else {
          context = above << 7 | left << 6 | ((ref_above >> 1) & 1) << 5 | ref_at << 2 | (ref_below & 3);
        }
        bit = decoder_->DecodeBit(*cx_, static_cast<int>(context));
      }
      if (bit) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      left = static_cast<uint32_t>(bit);
    }
  }
}

}  // namespace vn::pdf::jbig2
