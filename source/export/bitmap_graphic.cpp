#include "export/bitmap_graphic.h"

#include "export/engine_support.h"
#include "platform/images/image_codecs.h"

namespace vn::exporter {

void TvnBitmapGraphic::Assign(const TGraphic& source) {
  const auto* other = dynamic_cast<const TvnBitmapGraphic*>(&source);
  if (!other) throw EUnsupportedGraphics("Unknown Graphics format");
  FBitmap = other->FBitmap;
}

void TvnBitmapGraphic::SaveToStream(vn::TStream& stream) const {
  if (FBitmap.Empty()) return;
  stream.WriteString(vn::platform::EncodeBmp(FBitmap));
}

}  // namespace vn::exporter
