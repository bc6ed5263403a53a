#include "platform/emf/paint_comment.h"

#include <cmath>

#include "platform/emf/emf_records.h"

namespace vn::platform::emf {

namespace {
constexpr uint32_t kPaintCommentVersion = 1;
constexpr uint8_t kFlagAntialias = 1, kFlagNearest = 2;
}  // namespace

std::string PaintComment::Encode() const {
  RecordBuilder b;
  b.U32(kPaintCommentId);
  b.U32(kPaintCommentVersion);
  b.U8(fillAlpha);
  b.U8(strokeAlpha);
  b.U8(uint8_t((antialias ? kFlagAntialias : 0) | (nearest ? kFlagNearest : 0)));
  b.U8(blendMode < kBlendModes ? blendMode : 0);
  b.F32(dashOffset);
  return b.Release();
}

std::optional<PaintComment> PaintComment::Decode(ByteReader r) {
  const uint32_t size = r.U32LE();
  if (r.failed() || size < 16 || !r.Has(size)) return std::nullopt;
  ByteReader data = r.Sub(r.position(), size);
  if (data.U32LE() != kPaintCommentId || data.U32LE() != kPaintCommentVersion) return std::nullopt;
  PaintComment c;
  c.fillAlpha = data.U8();
  c.strokeAlpha = data.U8();
  const uint8_t flags = data.U8();
  const uint8_t blend = data.U8();
  c.dashOffset = data.F32LE();
  if (data.failed()) return std::nullopt;
  c.antialias = flags & kFlagAntialias;
  c.nearest = flags & kFlagNearest;
  c.blendMode = blend < kBlendModes ? blend : 0;
  if (!std::isfinite(c.dashOffset)) c.dashOffset = 0;
  return c;
}

}  // namespace vn::platform::emf
