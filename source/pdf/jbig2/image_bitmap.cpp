#include "pdf/jbig2/image_bitmap.h"

#include <algorithm>

#include "pdf/jbig2/exceptions.h"
#include "pdf/jbig2/segment_header.h"

namespace vn::pdf::jbig2 {

FCombinationOPerator CombinationOperatorFromCode(int code) {
  switch (code) {
    case 0: return FCombinationOPerator::OROP;
    case 1: return FCombinationOPerator::ANDOP;
    case 2: return FCombinationOPerator::XOROP;
    case 3: return FCombinationOPerator::XNOROP;
    default: return FCombinationOPerator::REPLACEOP;
  }
}

TvnImageBitmap::TvnImageBitmap(int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > kMaxBitmapPixels || height > kMaxBitmapPixels ||
      (width > 0 && height > kMaxBitmapPixels / width))
    throw TvnJBIG2Exception("JBIG2 bitmap size out of range");
  // Making and clearing the bitmap is work like decoding it (a file may ask
  // for many large bitmaps).
  TvnWorkBudget::Charge(width * height / 8);
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  row_stride_ = (width_ + 7) / 8;
  bytes_.assign(static_cast<size_t>(row_stride_) * static_cast<size_t>(height_), 0);
}

void TvnImageBitmap::SetPixel(int x, int y, int value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t& byte = bytes_[static_cast<size_t>(GetByteIndex(x, y))];
  const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
  byte = value ? byte | bit : byte & ~bit;
}

void TvnImageBitmap::SetByte(int64_t index, uint8_t value) {
  if (row_stride_ > 0 && index % row_stride_ == row_stride_ - 1) value &= LastByteMask();
  bytes_[static_cast<size_t>(index)] = value;
}

void TvnImageBitmap::SetByteArray(uint8_t value) {
  std::fill(bytes_.begin(), bytes_.end(), value);
  if (width_ % 8 == 0) return;
  for (int y = 0; y < height_; ++y) Row(y)[row_stride_ - 1] &= LastByteMask();
}

uint8_t TvnImageBitmap::CombineBytes(uint8_t target, uint8_t source, FCombinationOPerator op) {
  switch (op) {
    case FCombinationOPerator::OROP: return target | source;
    case FCombinationOPerator::ANDOP: return target & source;
    case FCombinationOPerator::XOROP: return target ^ source;
    case FCombinationOPerator::XNOROP: return static_cast<uint8_t>(~(target ^ source));
    case FCombinationOPerator::REPLACEOP: return source;
  }
  return target;
}

uint8_t TvnImageBitmap::BitsAt(int y, int64_t x) const {
  // Bits past the width are 0 in the row, bytes outside it are 0 here.
  const uint8_t* row = Row(y);
  auto byte = [&](int64_t index) -> unsigned { return index >= 0 && index < row_stride_ ? row[index] : 0; };
  const int64_t index = x >> 3;  // floor, also for negative x
  const int shift = static_cast<int>(x & 7);
  return static_cast<uint8_t>(((byte(index) << 8 | byte(index + 1)) << shift) >> 8);
}

namespace {

// Combines `count` source bytes into target bytes, the first and last under
// masks; whole bytes in between.
template <FCombinationOPerator kOp>
void CombineRow(uint8_t* target, const uint8_t* source, int64_t count, uint8_t first_mask, uint8_t last_mask) {
  auto combine = [](uint8_t t, uint8_t s) -> uint8_t {
    if constexpr (kOp == FCombinationOPerator::OROP) return t | s;
    else if constexpr (kOp == FCombinationOPerator::ANDOP) return t & s;
    else if constexpr (kOp == FCombinationOPerator::XOROP) return t ^ s;
    else if constexpr (kOp == FCombinationOPerator::XNOROP) return static_cast<uint8_t>(~(t ^ s));
    else return s;
  };
  auto masked = [&](int64_t i, uint8_t mask) {
    target[i] = static_cast<uint8_t>((target[i] & ~mask) | (combine(target[i], source[i]) & mask));
  };
  if (count == 1) {
    masked(0, static_cast<uint8_t>(first_mask & last_mask));
    return;
  }
  masked(0, first_mask);
  for (int64_t i = 1; i < count - 1; ++i) target[i] = combine(target[i], source[i]);
  masked(count - 1, last_mask);
}

}  // namespace

void TvnImageBitmap::Blit(const TvnImageBitmap& source, int64_t x, int64_t y, FCombinationOPerator op) {
  // The target columns and rows the source covers.
  if (x >= width_ || y >= height_) return;
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t right = std::min<int64_t>(x + source.width_, width_);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t bottom = std::min<int64_t>(y + source.height_, height_);
  if (left >= right || top >= bottom) return;
  const int64_t first_byte = left >> 3;
  const int64_t last_byte = (right - 1) >> 3;
  const uint8_t first_mask = static_cast<uint8_t>(0xFF >> (left & 7));
  const uint8_t last_mask = static_cast<uint8_t>(0xFF << (7 - ((right - 1) & 7)));
  if ((x & 7) == 0) {
    // Source bytes meet target bytes one to one.
    const int64_t count = last_byte - first_byte + 1;
    const int64_t source_first = first_byte - (x >> 3);
    for (int64_t ty = top; ty < bottom; ++ty) {
      uint8_t* row = Row(static_cast<int>(ty)) + first_byte;
      const uint8_t* src = source.Row(static_cast<int>(ty - y)) + source_first;
      switch (op) {
        case FCombinationOPerator::OROP: CombineRow<FCombinationOPerator::OROP>(row, src, count, first_mask, last_mask); break;
        case FCombinationOPerator::ANDOP: CombineRow<FCombinationOPerator::ANDOP>(row, src, count, first_mask, last_mask); break;
        case FCombinationOPerator::XOROP: CombineRow<FCombinationOPerator::XOROP>(row, src, count, first_mask, last_mask); break;
        case FCombinationOPerator::XNOROP: CombineRow<FCombinationOPerator::XNOROP>(row, src, count, first_mask, last_mask); break;
        case FCombinationOPerator::REPLACEOP: CombineRow<FCombinationOPerator::REPLACEOP>(row, src, count, first_mask, last_mask); break;
      }
    }
    return;
  }
  for (int64_t ty = top; ty < bottom; ++ty) {
    uint8_t* row = Row(static_cast<int>(ty));
    const int sy = static_cast<int>(ty - y);
    for (int64_t tb = first_byte; tb <= last_byte; ++tb) {
      // The target pixels of this byte that the source covers.
      uint8_t mask = 0xFF;
      if (tb == first_byte) mask &= first_mask;
      if (tb == last_byte) mask &= last_mask;
      const uint8_t bits = source.BitsAt(sy, tb * 8 - x);
      const uint8_t combined = CombineBytes(row[tb], bits, op);
      row[tb] = static_cast<uint8_t>((row[tb] & ~mask) | (combined & mask));
    }
  }
}

TvnImageBitmap TvnImageBitmap::GetRegionOfInterest(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
  TvnImageBitmap region(std::max<int64_t>(right - left, 0), std::max<int64_t>(bottom - top, 0));
  if (region.row_stride_ == 0) return region;
  for (int y = 0; y < region.height_; ++y) {
    const int64_t sy = top + y;
    if (sy < 0 || sy >= height_) continue;
    uint8_t* out = region.Row(y);
    for (int b = 0; b < region.row_stride_; ++b) out[b] = BitsAt(static_cast<int>(sy), left + 8 * int64_t{b});
    out[region.row_stride_ - 1] &= region.LastByteMask();
  }
  return region;
}

}  // namespace vn::pdf::jbig2
