// Canvas objects as the metafile records that carry them: world transforms
// and fonts, written by the recorder and read back by the player.
#pragma once

#include "platform/canvas/canvas.h"
#include "platform/emf/emf_records.h"

namespace vn::platform {

inline Transform TransformOf(const emf::XForm& x) { return {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy}; }

inline emf::XForm XFormOf(const Transform& t) {
  return {float(t.m11), float(t.m12), float(t.m21), float(t.m22), float(t.dx), float(t.dy)};
}

emf::LogFontW LogFontOf(const Font& font);
Font FontOf(const emf::LogFontW& lf);

}  // namespace vn::platform
