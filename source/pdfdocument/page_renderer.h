// Drawing one page of an opened PDF file: the page's contents run through
// the rendering device onto a fractional Graphics at a resolution and an
// extra rotation (the page's own /Rotate is added). The picture covers the
// crop box (the media box without one; US Letter without either) and is
// WidthxHeight pixels of PageRenderSize.
#pragma once

#include "pdfdocument/pd_page.h"
#include <string>

#include "platform/graphics/graphics.h"
#include "platform/images/bitmap.h"

namespace vn::pdfdoc {

struct TvnPageRenderSize {
  int Width = 0;
  int Height = 0;
};

// The size in pixels of the page drawn at ADPI with ARotate (a multiple of
// 90) added to the page's own rotation.
TvnPageRenderSize PageRenderSize(TvnPDPage& APage, double ADPI, int ARotate = 0);

// Draws the page onto AGraphics, its top-left corner at the Graphics' device
// origin, one device unit per pixel at ADPI, with its annotations as a
// viewer shows them (TvnPDPage::RenderAnnots, not printing). The page is
// filled white first. A damaged page draws what it can; nothing throws for
// content.
void RenderPage(TvnPDPage& APage, vn::platform::gfx::Graphics& AGraphics, double ADPI, int ARotate = 0,
                bool AAntiAlias = true);

// The page recorded as an enhanced metafile of PageRenderSize pixels (96
// reference pixels per inch of the metafile's frame at ADPI = 96).
std::string RenderPageToMetafile(TvnPDPage& APage, double ADPI, int ARotate = 0);

// The page painted onto a bitmap of PageRenderSize pixels (32-bit, opaque).
vn::platform::Bitmap RenderPageToBitmap(TvnPDPage& APage, double ADPI, int ARotate = 0);

}  // namespace vn::pdfdoc
