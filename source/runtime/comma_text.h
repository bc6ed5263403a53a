// The comma text of a string list: entries separated by commas or blanks
// (any character up to the space), an entry in double quotes may hold both
// (a doubled quote inside stands for one), and a trailing comma adds an
// empty entry.
#pragma once

#include <vector>

#include "runtime/strings.h"

namespace vn {

std::vector<String> SplitCommaText(StringView text);

}  // namespace vn
