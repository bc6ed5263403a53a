// The one-bit bitmap of the JBIG2 decoder and the combination operators.
// Rows run top to bottom, (width + 7) / 8 bytes each; pixel x of a row is
// bit 7 - x % 8 of byte x / 8; 1 is black. The bits past the width at the end
// of a row are always 0, so whole bytes can be read and combined.
//
// Sizes come from files: a bitmap of more than kMaxBitmapPixels pixels, or
// with a negative side, is refused with TvnJBIG2Exception before anything is
// allocated; every bitmap made is charged to the TvnWorkBudget (a pixel an
// eighth of a unit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vn::pdf::jbig2 {

inline constexpr int64_t kMaxBitmapPixels = int64_t{1} << 28;

enum class FCombinationOPerator { OROP, ANDOP, XOROP, XNOROP, REPLACEOP };

// Codes 0 to 3 are OR, AND, XOR and XNOR; any other code is REPLACE.
FCombinationOPerator CombinationOperatorFromCode(int code);

class TvnImageBitmap {
 public:
  TvnImageBitmap(int64_t width, int64_t height);

  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  int GetRowStride() const { return row_stride_; }
  int64_t GetByteIndex(int x, int y) const { return int64_t{y} * row_stride_ + x / 8; }
  static int GetBitOffset(int x) { return x % 8; }
  // 0 or 1; pixels outside the bitmap are 0.
  int GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return (bytes_[static_cast<size_t>(GetByteIndex(x, y))] >> (7 - x % 8)) & 1;
  }
  void SetPixel(int x, int y, int value);

  uint8_t GetByte(int64_t index) const { return bytes_[static_cast<size_t>(index)]; }
  int GetByteAsInteger(int64_t index) const { return bytes_[static_cast<size_t>(index)]; }
  // Stores a byte, clearing the bits past the width when it ends a row.
  void SetByte(int64_t index, uint8_t value);
  // Every byte to `value` (padding bits stay 0).
  void SetByteArray(uint8_t value);
  const std::vector<uint8_t>& GetByteArray() const { return bytes_; }
  std::vector<uint8_t>& GetByteArray() { return bytes_; }
  std::vector<uint8_t> GetFbyteArray() const { return bytes_; }
  uint8_t* Row(int y) { return bytes_.data() + static_cast<size_t>(y) * static_cast<size_t>(row_stride_); }
  const uint8_t* Row(int y) const { return bytes_.data() + static_cast<size_t>(y) * static_cast<size_t>(row_stride_); }
  // The mask of the valid bits of a row's last byte.
  uint8_t LastByteMask() const { return static_cast<uint8_t>(width_ % 8 == 0 ? 0xFF : 0xFF << (8 - width_ % 8)); }

  static uint8_t CombineBytes(uint8_t target, uint8_t source, FCombinationOPerator op);
  // Combines every pixel of `source` placed with its top left at (x, y) into
  // the pixels of this bitmap that it covers; the rest stay as they are.
  void Blit(const TvnImageBitmap& source, int64_t x, int64_t y, FCombinationOPerator op);
  // The pixels of [left, right) x [top, bottom) as a new bitmap; pixels
  // outside this bitmap are 0.
  TvnImageBitmap GetRegionOfInterest(int64_t left, int64_t top, int64_t right, int64_t bottom) const;

  bool operator==(const TvnImageBitmap& other) const = default;

 private:
  // Eight pixels of row `y` starting at `x` (which may lie outside), as a byte.
  uint8_t BitsAt(int y, int64_t x) const;

  int width_;
  int height_;
  int row_stride_;
  std::vector<uint8_t> bytes_;
};

}  // namespace vn::pdf::jbig2
