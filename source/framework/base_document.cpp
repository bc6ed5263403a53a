#include "framework/base_document.h"

#include "runtime/exceptions.h"

namespace vn::framework {

void TvnBasePage::Draw(vn::platform::Canvas* /*ACanvas*/, int32_t /*AWidth*/, int32_t /*AHeight*/, int32_t /*AxDPI*/,
                       int32_t /*AyDPI*/, int32_t /*ARotation*/) {
  throw vn::EAbstractError("Abstract Error");
}

void TvnBaseDocument::Assign(TvnBaseDocument* /*SourceDocument*/, const String& /*PageRange*/) {
  throw vn::EAbstractError("Abstract Error");
}

}  // namespace vn::framework
