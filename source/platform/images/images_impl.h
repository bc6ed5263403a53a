// Internals shared by the BMP, icon and metafile-bitmap decoders; not for
// use outside source/platform.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/images/bitmap.h"
#include "runtime/byte_reader.h"

namespace vn::platform::images_impl {

// The information header of a device-independent bitmap.
struct DibHeader {
  uint32_t size = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: rows stored top-down
  uint32_t bpp = 0;
  uint32_t compression = 0;
  uint32_t size_image = 0;
  int32_t ppm_x = 0, ppm_y = 0;
  uint32_t colors_used = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool has_alpha_mask = false;
  bool core = false;  // 12-byte OS/2 header: 3-byte colour table entries
};

// Reads the information header and the bit-field masks that follow a
// 40-byte header; leaves the reader after them. EImageDecodeError when the
// header is cut short or of no known size.
DibHeader ReadDibHeader(ByteReader& r);

// Where a bitmap's pixels are and how forgivingly they are read.
struct DibLayout {
  // Where the pixels start within the bitmap (from a BMP file header);
  // 0: right after the colour table.
  size_t bits_offset = 0;
  // The pixels kept apart from the header, as metafile records keep them.
  std::optional<ByteReader> bits;
  // For an icon the header's height counts the colour bits and the AND
  // mask together; the mask then makes the result 32-bit with alpha.
  bool icon = false;
  // A metafile's bitmap, read as the window system draws it: pixel data
  // shorter than the picture give the rows they hold (the rest is white),
  // a missing colour table gives black, each reported; a picture far
  // larger than its data is refused, so the work stays in proportion to
  // the input.
  bool lenient = false;
  // 32-bit BI_RGB pixels carry alpha in their fourth byte (ALPHABLEND).
  bool alpha_in_rgb = false;
};

// Decodes the device-independent bitmap whose information header starts at
// the beginning of `dib`.
Bitmap DecodeDib(ByteReader dib, const DibLayout& layout, const DecodeLimits& limits);

// Picture facts read from the front of an icon entry without decoding it.
struct EntrySize {
  int64_t Width = 0, Height = 0, Bits = 0;
};
bool PeekDibSize(vn::ByteReader dib, EntrySize& out);

}  // namespace vn::platform::images_impl
