// Helpers of the rendering device: images decoded to bitmaps with their
// masks, shadings rasterised over device pixels, glyph outline records
// turned into paths.
#pragma once

#include <cstdint>

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

}  // namespace vn::pdfdoc
