#include "pdf/jbig2/generic_region.h"

#include <algorithm>
#include <cstring>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/mmr_decompressor.h"

namespace vn::pdf::jbig2 {

namespace {

struct AtPixel {
  int x, y, bit;
};

// The shape of a context template. The context of pixel (x, y) is its
// template's pixels in raster order, the first one in the most significant
// bit: a field of row y - 2, a field of row y - 1 (adaptive pixels at their
// nominal places included) and the pixels just decoded in row y. Adaptive
// pixels moved elsewhere replace the bit of their nominal place.
struct TemplateShape {
  int row2_shift, row2_mask, row2_pos;
  int row1_shift, row1_mask, row1_pos;
  int row0_mask;
  int sltp;  // the context of the typical-prediction bit
  int at_count;
  AtPixel at[12];
};

// Templates 0 to 3, then the extended template.
constexpr TemplateShape kShapes[5] = {
    {13, 0x1F, 11, 12, 0x7F, 4, 0xF, 0x9B25, 4, {{3, -1, 4}, {-3, -1, 10}, {2, -2, 11}, {-2, -2, 15}}},
    {13, 0xF, 9, 12, 0x3F, 3, 0x7, 0x0795, 1, {{3, -1, 3}}},
    {14, 0x7, 7, 13, 0x1F, 2, 0x3, 0x00E5, 1, {{2, -1, 2}}},
    {0, 0, 0, 13, 0x3F, 4, 0xF, 0x0195, 1, {{2, -1, 4}}},
    {13, 0x1F, 11, 12, 0x7F, 4, 0xF, 0x9B25, 12,
     {{-2, 0, 1}, {0, -2, 13}, {-2, -1, 9}, {-1, -2, 14}, {1, -2, 12}, {2, -1, 5}, {-3, 0, 2}, {-4, 0, 3},
      {2, -2, 11}, {3, -1, 4}, {-2, -2, 15}, {-3, -1, 10}}},
};

constexpr int kExtShape = 4;

// Three bytes of a row around byte `index` (bytes outside the row are 0), so
// that pixel 8 * index + i + o sits at bit 15 - i - o.
inline uint32_t RowWindow(const uint8_t* row, int stride, int index) {
  if (!row) return 0;
  uint32_t w = static_cast<uint32_t>(row[index]) << 8;
  if (index > 0) w |= static_cast<uint32_t>(row[index - 1]) << 16;
  if (index + 1 < stride) w |= row[index + 1];
  return w;
}

std::vector<int> Widen(std::span<const int8_t> values) { return std::vector<int>(values.begin(), values.end()); }

template <int kShape>
void DecodeRows(TvnImageBitmap& bitmap, TvnArithmeticDecoder& decoder, TvnCX& cx, bool tpgdon,
                const std::vector<AtPixel>& moved, const TvnImageBitmap* skip) {
  constexpr TemplateShape s = kShapes[kShape];
  const int width = bitmap.GetWidth();
  const int height = bitmap.GetHeight();
  const int stride = bitmap.GetRowStride();
  int ltp = 0;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.Row(y);
    if (tpgdon) {
      ltp ^= decoder.DecodeBit(cx, s.sltp);
      if (ltp) {
        // A typical row repeats the row above (above the first: white).
        if (y > 0 && stride > 0) std::memcpy(row, bitmap.Row(y - 1), static_cast<size_t>(stride));
        continue;
      }
    }
    const uint8_t* row1 = y >= 1 ? bitmap.Row(y - 1) : nullptr;
    const uint8_t* row2 = y >= 2 ? bitmap.Row(y - 2) : nullptr;
    uint32_t recent = 0;  // the pixels decoded so far in this row, last one lowest
    for (int index = 0; index < stride; ++index) {
      const uint32_t w1 = RowWindow(row1, stride, index);
      const uint32_t w2 = s.row2_mask ? RowWindow(row2, stride, index) : 0;
      const int count = std::min(8, width - 8 * index);
      uint8_t out = 0;
      for (int i = 0; i < count; ++i) {
        uint32_t context = (((w1 >> (s.row1_shift - i)) & s.row1_mask) << s.row1_pos) | (recent & s.row0_mask);
        if constexpr (s.row2_mask != 0) context |= ((w2 >> (s.row2_shift - i)) & s.row2_mask) << s.row2_pos;
        if (skip && skip->GetPixel(8 * index + i, y)) {
          // A skipped pixel is 0 and takes no decoding.
          recent <<= 1;
          continue;
        }
        if (!moved.empty()) {
          const int x = 8 * index + i;
          for (const AtPixel& at : moved) {
            context = (context & ~(1u << at.bit)) |
                      static_cast<uint32_t>(bitmap.GetPixel(x + at.x, y + at.y)) << at.bit;
          }
        }
        const int bit = decoder.DecodeBit(cx, static_cast<int>(context));
        recent = recent << 1 | static_cast<uint32_t>(bit);
        out |= static_cast<uint8_t>(bit << (7 - i));
        // Moved adaptive pixels may look at this row's pixels.
        if (!moved.empty()) row[index] = out;
      }
      row[index] = out;
    }
  }
}

}  // namespace

void TvnGenericRegion::Init(TvnSegmentHeader* header, std::unique_ptr<TvnIOStream> stream) {
  owned_stream_ = std::move(stream);
  stream_ = owned_stream_.get();
  ParseHeader(header && header->EndsWithRowCount());
}

void TvnGenericRegion::ParseHeader(bool ends_with_row_count) {
  region_info_ = std::make_unique<TvnRegionSegmentInformation>(stream_);
  region_info_->ParseHeader();
  const int flags = stream_->ReadByte();
  if (flags < 0) throw TvnJBIG2Exception("generic region header is truncated");
  is_mmr_ = TestFlag(flags, 0);
  gb_template_ = (flags >> 1) & 3;
  is_tpgdon_ = TestFlag(flags, 3);
  use_ext_template_ = TestFlag(flags, 4);
  if (!is_mmr_) {
    const int pairs = gb_template_ != 0 ? 1 : use_ext_template_ ? 12 : 4;
    std::vector<int> x, y;
    for (int i = 0; i < pairs; ++i) {
      const int ax = stream_->ReadByte();
      const int ay = stream_->ReadByte();
      if (ay < 0) throw TvnJBIG2Exception("generic region header is truncated");
      x.push_back(static_cast<int8_t>(ax));
      y.push_back(static_cast<int8_t>(ay));
    }
    SetAtPixels(x, y);
  }
  data_offset_ = stream_->GetStreamPos();
  data_length_ = std::max<int64_t>(stream_->Length() - data_offset_, 0);
  if (ends_with_row_count) {
    // The last 4 bytes give the number of rows that were coded.
    constexpr int64_t kRowCountLength = 4;
    const int64_t at = stream_->Length() - kRowCountLength;
    auto rows = stream_->SubWindow(at, kRowCountLength);
    const int64_t row_count = rows->ReadInt32();
    if (row_count >= 0) region_info_->SetBitmapHeight(std::min(row_count, region_info_->GetBitmapHeight()));
    data_length_ = std::max<int64_t>(data_length_ - kRowCountLength, 0);
  }
}

void TvnGenericRegion::SetAtPixels(std::span<const int> x, std::span<const int> y) {
  at_x_.assign(x.begin(), x.end());
  at_y_.assign(y.begin(), y.end());
  const TemplateShape& shape = kShapes[use_ext_template_ && gb_template_ == 0 ? kExtShape : gb_template_];
  at_override_.assign(static_cast<size_t>(shape.at_count), false);
  for (int i = 0; i < shape.at_count; ++i) {
    // Adaptive pixels not given keep their nominal places.
    const size_t k = static_cast<size_t>(i);
    at_override_[k] = k < at_x_.size() && k < at_y_.size() &&
                      (at_x_[k] != shape.at[i].x || at_y_[k] != shape.at[i].y);
  }
}

void TvnGenericRegion::Configure(bool isMMREncoded, int gbTemplate, bool isTPGDon, int64_t gbw, int64_t gbh,
                                 std::span<const int> gbAtX, std::span<const int> gbAtY) {
  is_mmr_ = isMMREncoded;
  gb_template_ = gbTemplate & 3;
  use_ext_template_ = false;
  is_tpgdon_ = isTPGDon;
  region_info_ = std::make_unique<TvnRegionSegmentInformation>();
  region_info_->SetBitmapWidth(gbw);
  region_info_->SetBitmapHeight(gbh);
  SetAtPixels(gbAtX, gbAtY);
  bitmap_.reset();
}

void TvnGenericRegion::SetParameters(bool isMMREncoded, int64_t gbh, int64_t gbw, int64_t dataLength,
                                     int64_t dataOffset) {
  Configure(isMMREncoded, 0, false, gbw, gbh, {}, {});
  data_length_ = dataLength;
  data_offset_ = dataOffset;
}

void TvnGenericRegion::SetParameters(bool isMMREncoded, int gbTemplate, TvnArithmeticDecoder* decoder, TvnCX* cx,
                                     int64_t gbh, int64_t gbw, std::span<const int8_t> gbAtX,
                                     std::span<const int8_t> gbAtY, bool isTPGDon) {
  Configure(isMMREncoded, gbTemplate, isTPGDon, gbw, gbh, Widen(gbAtX), Widen(gbAtY));
  decoder_ = decoder;
  cx_ = cx;
}

void TvnGenericRegion::SetParameters(bool isMMREncoded, int64_t gbh, std::span<const int8_t> gbAtX,
                                     std::span<const int8_t> gbAtY, bool isTPGDon, int gbTemplate, int64_t gbw,
                                     int64_t dataLength, int64_t dataOffset) {
  SetParameters(isMMREncoded, gbh, Widen(gbAtX), Widen(gbAtY), isTPGDon, gbTemplate, gbw, dataLength, dataOffset);
}

void TvnGenericRegion::SetParameters(bool isMMREncoded, int64_t gbh, std::span<const int> gbAtX,
                                     std::span<const int> gbAtY, bool isTPGDon, int gbTemplate, int64_t gbw,
                                     int64_t dataLength, int64_t dataOffset) {
  Configure(isMMREncoded, gbTemplate, isTPGDon, gbw, gbh, gbAtX, gbAtY);
  data_length_ = dataLength;
  data_offset_ = dataOffset;
}

std::unique_ptr<TvnImageBitmap> TvnGenericRegion::TakeRegionBitmap() {
  GetRegionBitmap();
  return std::move(bitmap_);
}

TvnImageBitmap* TvnGenericRegion::GetRegionBitmap() {
  if (bitmap_) return bitmap_.get();
  if (!region_info_ || !stream_) throw TvnJBIG2Exception("generic region has no data");
  // The work is charged before the bitmap is made: sizes come from files.
  const int64_t width = region_info_->GetBitmapWidth(), height = region_info_->GetBitmapHeight();
  if (width > 0 && height > 0 && width <= kMaxBitmapPixels && height <= kMaxBitmapPixels / width)
    TvnWorkBudget::Charge(width * height);
  bitmap_ = std::make_unique<TvnImageBitmap>(width, height);
  // A bitmap without pixels has nothing coded (a region without columns
  // may still claim millions of rows).
  if (bitmap_->GetWidth() == 0 || bitmap_->GetHeight() == 0) return bitmap_.get();
  if (is_mmr_) {
    auto data = stream_->SubWindow(data_offset_, data_length_);
    TvnMMRDecompressor mmr(bitmap_->GetWidth(), bitmap_->GetHeight(), data.get());
    try {
      mmr.Uncompress(*bitmap_);
    } catch (const vn::Exception&) {
      // Damaged data: the rows decoded before the damage stay.
    }
  } else {
    DecodeArithmetic();
  }
  return bitmap_.get();
}

void TvnGenericRegion::DecodeArithmetic() {
  if (!decoder_) {
    owned_decoder_ = std::make_unique<TvnArithmeticDecoder>(stream_);
    decoder_ = owned_decoder_.get();
  }
  if (!cx_) {
    owned_cx_ = std::make_unique<TvnCX>(65536, 1);
    cx_ = owned_cx_.get();
  }
  if (cx_->Size() < 65536) throw TvnJBIG2Exception("generic region context table too small");
  const int shape_index = use_ext_template_ && gb_template_ == 0 ? kExtShape : gb_template_;
  const TemplateShape& shape = kShapes[shape_index];
  std::vector<AtPixel> moved;
  for (int i = 0; i < shape.at_count; ++i) {
    const size_t k = static_cast<size_t>(i);
    if (k < at_override_.size() && at_override_[k]) moved.push_back({at_x_[k], at_y_[k], shape.at[i].bit});
  }
  switch (shape_index) {
    case 0: DecodeRows<0>(*bitmap_, *decoder_, *cx_, is_tpgdon_, moved, skip_); break;
    case 1: DecodeRows<1>(*bitmap_, *decoder_, *cx_, is_tpgdon_, moved, skip_); break;
    case 2: DecodeRows<2>(*bitmap_, *decoder_, *cx_, is_tpgdon_, moved, skip_); break;
    case 3: DecodeRows<3>(*bitmap_, *decoder_, *cx_, is_tpgdon_, moved, skip_); break;
    default: DecodeRows<kExtShape>(*bitmap_, *decoder_, *cx_, is_tpgdon_, moved, skip_); break;
  }
}

}  // namespace vn::pdf::jbig2
