// The project's own GDI comment record: what plain EMF cannot say about the
// drawing records after it.
//
// An EMR_GDICOMMENT whose data begin with the identifier kPaintCommentId
// (the bytes "VNPC") carries, little-endian:
//   u32  identifier        "VNPC"
//   u32  version           1
//   u8   fill alpha        0 (clear) to 255 (opaque) for FILLPATH and the
//                          fill of STROKEANDFILLPATH
//   u8   stroke alpha      for STROKEPATH and strokes
//   u8   flags             bit 0: anti-aliased edges; bit 1: bitmaps are
//                          resampled by the nearest pixel
//   u8   blend mode        how what is drawn mixes with what lies under
//                          it: 0 Normal (plain painting), then Multiply,
//                          Screen, Overlay, Darken, Lighten, ColorDodge,
//                          ColorBurn, HardLight, SoftLight, Difference,
//                          Exclusion, Hue, Saturation, Color, Luminosity
//                          (1 to 15); other values paint Normal
//   f32  dash offset       logical units, where the dashes of the selected
//                          user-style pen start
// The values hold from the comment on, like any device-context attribute:
// EMR_SAVEDC saves them and EMR_RESTOREDC brings them back. The first such
// comment also means the drawing was recorded in fractional units: a player
// draws the geometry exactly where the records put it (no pixel-grid
// conventions of one-pixel pens and pens of odd width), dash lengths as the
// pen gives them and pen width 0 as one device pixel. Other readers pass
// the comment over and draw the plain records opaque and unblended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/byte_reader.h"

namespace vn::platform::emf {

constexpr uint32_t kPaintCommentId = 0x4350'4E56;  // "VNPC" in file order

struct PaintComment {
  uint8_t fillAlpha = 255;
  uint8_t strokeAlpha = 255;
  bool antialias = true;
  bool nearest = false;
  float dashOffset = 0;
  // 0 to kBlendModes - 1, in the order above.
  uint8_t blendMode = 0;
  static constexpr uint8_t kBlendModes = 16;
  bool operator==(const PaintComment&) const = default;

  // The comment's data (after cbData).
  std::string Encode() const;
  // The comment in the payload of an EMR_GDICOMMENT record; nothing when it
  // is another comment or damaged.
  static std::optional<PaintComment> Decode(ByteReader payload);
};

}  // namespace vn::platform::emf
