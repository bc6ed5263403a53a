// The fixed tables of the Compact Font Format: the standard strings, the
// standard and expert encodings (code to SID) and the expert and expert
// subset charsets (SIDs in glyph order). The ISO Adobe charset needs no
// table: its glyphs are SIDs 1 to 228 in order.
#pragma once

#include <cstdint>

namespace vn::fonts::cff {

extern const char* const kStandardStrings[391];
extern const uint16_t kStandardEncodingSIDs[256];
extern const uint16_t kExpertEncodingSIDs[256];
extern const uint16_t kExpertCharsetSIDs[165];
extern const uint16_t kExpertSubsetCharsetSIDs[86];

}  // namespace vn::fonts::cff
