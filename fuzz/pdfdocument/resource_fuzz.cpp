// Fuzz target over resource dictionaries: the input is loaded as a PDF file
// and every dictionary in it is taken as resources; each name of each kind
// is looked up, forms are walked into their own resources (a few levels
// deep), and images read their entries, colour map, masks and first line
// of samples.
// Contract: nothing crashes, hangs or reads out of bounds; only the
// document loader's own exceptions leave the load.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "pdfdocument/pd_form.h"
#include "pdfdocument/pd_image.h"
#include "pdfdocument/pd_image_stream.h"
#include "pdfdocument/pd_pattern.h"
#include "pdfdocument/pd_resource.h"
#include "pdfdocument/pd_state.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

using namespace vn::pdf;
using namespace vn::pdfdoc;

namespace {

void ReadImage(TvnPDImage& AImage, int ADepth) {
  const int width = AImage.Width();
  AImage.Height();
  const int bits = AImage.BitsPerComponent();
  AImage.ImageMask();
  AImage.ImageType();
  TvnPDColorSpace* space = AImage.ColorSpace();
  TvnPDImageColorMap* map = AImage.ColorMap();
  AImage.HasColorKeyMask();
  const int comps = space ? space->GetNoOfComps() : 1;
  if (AImage.XObjectStream() && width > 0 && width < 4096) {
    try {
      AImage.XObjectStream()->Reset();
      TvnPDImageStream lines(AImage.XObjectStream()->GetStream(), width, comps, bits);
      const auto& line = lines.GetLine();
      TvnRGB rgb;
      if (map->IsOk() && space && !line.empty()) map->GetRGB(line, 0, rgb);
    } catch (const vn::Exception&) {
    }
  }
  if (ADepth > 0) return;
  if (TvnPDImage* mask = AImage.Mask()) ReadImage(*mask, ADepth + 1);
  if (TvnPDImage* soft = AImage.SoftMask()) {
    ReadImage(*soft, ADepth + 1);
    for (int i = 0; i < 16 && soft->AlphaComp() >= 0; ++i) {
    }
  }
}

void Walk(TvnPDResource& ARes, int ADepth) {
  vn::pdf::TvnPDDictionary* dict = ARes.Dict();
  if (!dict || ADepth > 3) return;
  for (const char* kind : {"Font", "ColorSpace", "ExtGState", "Pattern", "XObject"}) {
    const TvnPDBaseObject* sub = dict->LookUp(kind);
    const TvnPDDictionary* names = sub ? sub->AsDict() : nullptr;
    for (int64_t i = 0; names && i < names->GetLength() && i < 16; ++i) {
      const std::string name = names->GetKey(i);
      ARes.LookUpFont(name);
      ARes.LookUpColorSpace(name);
      if (TvnPDGState* gs = ARes.LookUpGState(name)) gs->StrokeAlpha();
      if (auto* tiling = dynamic_cast<TvnPDTilingPattern*>(ARes.LookUpPattern(name))) {
        tiling->GetBBox();
        tiling->GetCellXSpacing();
        tiling->GetMatrix();
        tiling->GetPaintType();
        if (TvnPDResource* inner = tiling->Resources()) Walk(*inner, ADepth + 1);
      }
      TvnPDXObject* xobject = ARes.LookUpXObject(name);
      if (auto* image = dynamic_cast<TvnPDImage*>(xobject)) ReadImage(*image, 0);
      if (auto* form = dynamic_cast<TvnPDForm*>(xobject)) {
        form->BBox();
        form->Matrix();
        form->FormType();
        if (TvnPDResource* inner = form->Resources()) Walk(*inner, ADepth + 1);
      }
    }
  }
  ARes.GetResourceName(TvnPDResourceType::resXObject);
  ARes.Update();
  ARes.FontCount();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(data, static_cast<int64_t>(size));
  mem->SetPosition(0);
  TvnPDBaseDoc doc;
  try {
    doc.LoadDocument(mem.get(), "");
  } catch (const vn::Exception&) {
    return 0;
  }
  const int64_t last = std::min<int64_t>(doc.GetLoadedLastObjectNumber(), 64);
  for (int64_t n = 1; n <= last; ++n) {
    TvnPDBaseObject* object = doc.GetObject(n);
    if (!object || !object->IsDict()) continue;
    TvnPDResource res(&doc, nullptr, object);
    Walk(res, 0);
  }
  return 0;
}
