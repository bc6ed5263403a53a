// Internals shared by the BMP and icon decoders; not for use outside
// source/platform/images.
#pragma once

#include <cstdint>

#include "platform/images/bitmap.h"
#include "runtime/byte_reader.h"

namespace vn::platform::images_impl {

// Decodes the device-independent bitmap whose information header starts at
// the beginning of `dib`. bits_offset, when not 0, is where the pixels start
// within `dib` (from a BMP file header); 0 means right after the colour table.
// For an icon the header's height counts the colour bits and the AND mask
// together; the mask then makes the result 32-bit with alpha.
Bitmap DecodeDib(vn::ByteReader dib, size_t bits_offset, bool icon, const DecodeLimits& limits);

// Picture facts read from the front of an icon entry without decoding it.
struct EntrySize {
  int64_t Width = 0, Height = 0, Bits = 0;
};
bool PeekDibSize(vn::ByteReader dib, EntrySize& out);

}  // namespace vn::platform::images_impl
