// TvnBitmapGraphic: a decoded raster picture as an image resource of the
// export engine (the graphic the metafile player makes of each bitmap it
// plays). It owns its bitmap and saves itself as a BMP file.
#pragma once

#include "export/engine_types.h"
#include "platform/images/bitmap.h"

namespace vn::exporter {

class TvnBitmapGraphic : public TGraphic {
 public:
  TvnBitmapGraphic() = default;
  explicit TvnBitmapGraphic(vn::platform::Bitmap bitmap) : FBitmap(std::move(bitmap)) {}
  std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TvnBitmapGraphic>(); }
  // Copies another bitmap graphic; EUnsupportedGraphics for other kinds.
  void Assign(const TGraphic& source) override;
  void SaveToStream(vn::TStream& stream) const override;
  int32_t Width() const override { return FBitmap.Width(); }
  int32_t Height() const override { return FBitmap.Height(); }
  const vn::platform::Bitmap& Bitmap() const { return FBitmap; }

 private:
  vn::platform::Bitmap FBitmap;
};

}  // namespace vn::exporter
