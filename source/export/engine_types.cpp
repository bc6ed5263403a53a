#include "export/engine_types.h"

namespace vn::exporter {

std::unique_ptr<TGraphic> TGraphic::Copy() const {
  auto copy = NewEmpty();
  copy->Assign(*this);
  return copy;
}

void TPicture::Assign(const TPicture& source) { SetGraphic(source.Graphic()); }

void TPicture::SetGraphic(const TGraphic* graphic) {
  graphic_ = graphic ? graphic->Copy() : nullptr;
}

}  // namespace vn::exporter
