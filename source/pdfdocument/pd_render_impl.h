// Helpers of the rendering device: images decoded to bitmaps with their
// masks, shadings rasterised over device pixels, glyph outline records
// turned into paths, strokes and rectangles set on whole pixels.
#pragma once

#include <cstdint>
#include <optional>

#include "pdf/objects.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/font_processor.h"
#include "platform/graphics/graphics.h"
#include "platform/images/bitmap.h"

namespace vn::pdfdoc {

class TvnPDImage;

// The image's pixels as a 32-bit bitmap (top row first): colours through
// its colour map; a stencil mask paints AFillColor where it marks paint;
// explicit, colour-key and soft masks become alpha (then HasAlpha is set).
// Larger than AMaxPixels: sampled down. Empty when the image cannot be
// decoded.
vn::platform::Bitmap DecodeImageBitmap(TvnPDImage& AImage, const TvnRGB& AFillColor, int64_t AMaxPixels);

// Axial (type 2) and radial (type 3) shadings, function-based ones (type
// 1), and meshes of triangles (types 4 and 5) and of patches (types 6 and
// 7, cut into triangles), over the device pixels (AX, AY, AWidth, AHeight); AFromDevice
// maps device points into the shading's space. Pixels the shading does not
// reach are transparent, or the /Background colour when asked. Empty for
// other types or a damaged shading.
vn::platform::Bitmap RenderShading(vn::pdf::TvnPDBaseObject* AShading, const vn::platform::gfx::Matrix& AFromDevice,
                                   int AX, int AY, int AWidth, int AHeight, bool AUseBackground);

// Adds the outline records (move, line, conic, cubic) through AMatrix to
// APath; conics become cubics, and every figure is closed.
void AppendOutline(const TvnOutlineRecords& ARecords, const vn::platform::gfx::Matrix& AMatrix,
                   vn::platform::gfx::Path& APath);

// A stroke set on whole pixels: its path in device pixels and its width.
struct TvnAdjustedStroke {
  vn::platform::gfx::Path Path;
  double Width = 0;
};

// A stroke of ADeviceWidth pixels along a path in device pixels whose
// segments all run along the device axes, set on whole pixels: each
// segment's edges rounded to pixel edges at least one pixel apart (a
// hairline becomes one full pixel), the flat ends of open figures on pixel
// edges too. Nothing when the path has curves or slanted segments, or when
// its segments would come out with different widths.
std::optional<TvnAdjustedStroke> AdjustStroke(const vn::platform::gfx::Path& ADevicePath, double ADeviceWidth,
                                              bool AFlatCaps);

// The path in device pixels with every figure that is a rectangle along the
// device axes set on whole pixels: its sides rounded to pixel edges, at
// least one pixel apart. AChanged tells whether any figure was.
vn::platform::gfx::Path AdjustRectangles(const vn::platform::gfx::Path& ADevicePath, bool& AChanged);

}  // namespace vn::pdfdoc
