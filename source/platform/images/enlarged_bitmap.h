// Enlarging a picture onto whole pixels as a PDF page's rasteriser does:
// by replicating its samples (pictures shown with sharp pixels) or by
// blending neighbouring samples (smoothed pictures). The page renderer
// paints enlarged images with them, and the cairo canvas draws the
// bitmaps of a metafile that land on whole pixels with them, so that a
// recorded page plays back as it was painted.
#pragma once

#include <cstdint>

#include "platform/images/bitmap.h"

namespace vn::platform {

// ABitmap (32 bits a pixel) enlarged to AWidth x AHeight by whole-pixel
// replication: sample i covers the pixels from floor(i x AWidth / width)
// up to the next sample's. Empty when that would shrink it, when it is not
// 32-bit or when the result would pass AMaxPixels.
Bitmap ReplicatedBitmap(const Bitmap& ABitmap, int64_t AWidth, int64_t AHeight, int64_t AMaxPixels);

// ABitmap (32 bits a pixel) enlarged to AWidth x AHeight, each pixel
// blended from the two nearest samples in each direction: pixel x shows
// the picture at x x width / AWidth samples, sample j exact where it
// starts and blending into sample j + 1 across the pixels it covers, the
// last sample ending flat. Empty as for ReplicatedBitmap.
Bitmap BlendedBitmap(const Bitmap& ABitmap, int64_t AWidth, int64_t AHeight, int64_t AMaxPixels);

}  // namespace vn::platform
