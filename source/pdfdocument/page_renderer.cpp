// Drawing one page through the rendering device.
#include "pdfdocument/page_renderer.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "pdfdocument/pd_content_stream.h"
#include "pdfdocument/pd_image_device.h"
#include "pdfdocument/pd_state.h"
#include "platform/graphics/cairo_graphics.h"
#include "platform/graphics/emf_graphics.h"

namespace vn::pdfdoc {

namespace {

// The box a rendering shows: the crop box, else the media box, else US
// Letter.
std::unique_ptr<TvnPDRect> ShownBox(TvnPDPage& APage) {
  const TvnPDRect* box = APage.Cropbox();
  if (!box) box = APage.Mediabox();
  if (!box) return std::make_unique<TvnPDRect>(0, 0, TvnPDPage::kDefaultWidth, TvnPDPage::kDefaultHeight);
  return box->Clone();
}

}  // namespace

TvnPageRenderSize PageRenderSize(TvnPDPage& APage, double ADPI, int ARotate) {
  const std::unique_ptr<TvnPDRect> box = ShownBox(APage);
  const TvnPDState state(ADPI, ADPI, APage.DisplayRotation(ARotate), box.get());
  return {static_cast<int>(std::ceil(std::fabs(state.PageWidth()) - 1e-6)),
          static_cast<int>(std::ceil(std::fabs(state.PageHeight()) - 1e-6))};
}

void RenderPage(TvnPDPage& APage, vn::platform::gfx::Graphics& AGraphics, double ADPI, int ARotate,
                bool AAntiAlias) {
  const std::unique_ptr<TvnPDRect> box = ShownBox(APage);
  TvnPDImageDevice device(AGraphics, AAntiAlias);
  TvnPDContents contents(APage.ParentDoc(), &APage, APage.ContentsObject());
  contents.Display(&device, ADPI, ADPI, 0, APage.DisplayRotation(ARotate), box.get(), box.get(), APage.Resource(),
                   true, false);
}

std::string RenderPageToMetafile(TvnPDPage& APage, double ADPI, int ARotate) {
  const TvnPageRenderSize size = PageRenderSize(APage, ADPI, ARotate);
  vn::platform::gfx::EmfGraphics graphics(std::max(size.Width, 1), std::max(size.Height, 1));
  RenderPage(APage, graphics, ADPI, ARotate);
  return graphics.Finish();
}

vn::platform::Bitmap RenderPageToBitmap(TvnPDPage& APage, double ADPI, int ARotate) {
  const TvnPageRenderSize size = PageRenderSize(APage, ADPI, ARotate);
  vn::platform::gfx::CairoGraphics graphics(std::max(size.Width, 1), std::max(size.Height, 1));
  RenderPage(APage, graphics, ADPI, ARotate);
  return graphics.Pixels();
}

}  // namespace vn::pdfdoc
