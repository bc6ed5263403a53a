// The standard-encoding name table the charstring interpreter and the Type 1
// reader share: the 149 glyph names of the standard encoding under their
// character codes, and 80 further Latin glyph names (the accented letters of
// Latin-1, the Euro sign, fractions, superiors and other signs) under the
// keys -1 to -80, which no character code reaches. The table is immutable
// and built once.
#pragma once

#include <cstdint>
#include <string_view>

namespace vn::fonts {

// The name under `key`, or "" when the table has none.
std::string_view StandardGlyphName(int32_t key);

}  // namespace vn::fonts
