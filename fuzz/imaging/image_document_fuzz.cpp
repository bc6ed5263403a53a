// Fuzz target for image documents loaded from bytes.
//
// Contract: any bytes are accepted. Loading either fails with the image
// document's exception (EImageExceptions) or gives a document whose every
// page measures itself and draws onto a raster canvas, unturned and turned,
// without anything else escaping and without crashing; a page's picture that
// turns out damaged when first drawn raises EImageExceptions too. The same
// pages are then saved as a placeable Windows metafile into memory, which
// reads back as a metafile. Pictures are capped at a million pixels so each
// input runs quickly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "imaging/image_formats.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/emf/wmf_converter.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace {

using namespace vn::framework;

void DrawPages(TvnImageHandler& doc) {
  const int32_t count = doc.GetPageCount();
  if (count < 1) std::abort();
  for (int32_t i = 1; i <= count && i <= 4; ++i) {
    auto* page = dynamic_cast<TvnImagePage*>(doc.GetPage(i));
    if (!page) std::abort();
    if (page->GetWidth() < 1 || page->GetHeight() < 1) std::abort();
    (void)page->GetPageSize();
    vn::platform::CairoCanvas canvas(24, 16);
    page->Draw(&canvas, 24, 16, 96, 96, 0);
    page->Draw(&canvas, 24, 16, 96, 96, 90);
    // Small pictures only: the metafile writer takes the whole bitmap.
    if (page->GetWidth() <= 64 && page->GetHeight() <= 64) {
      const std::string wmf = EncodePlaceableWmf(page->GetBitmap());
      const auto bytes = std::as_bytes(std::span<const char>(wmf.data(), wmf.size()));
      if (!vn::platform::emf::IsWmf(bytes)) std::abort();
      (void)vn::platform::emf::ConvertWmfToEmf(bytes);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TvnImageHandler doc;
  doc.SetDecodeLimits({1'000'000});
  try {
    doc.LoadFromStream(new vn::TStringStream(std::string(reinterpret_cast<const char*>(data), size)), u"", true);
    DrawPages(doc);
  } catch (const vn::EImageExceptions&) {
  }
  return 0;
}
