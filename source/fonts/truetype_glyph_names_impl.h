// The 258 glyph names of the standard Macintosh glyph order, the names a
// version 2.0 post table refers to by index below 258.
#pragma once

#include <cstdint>
#include <string_view>

namespace vn::fonts {

// The name of standard Macintosh glyph `index`; "" outside 0-257.
std::string_view MacintoshGlyphName(int32_t index);

}  // namespace vn::fonts
