// Object tests shared by the parser and the cross-reference reader
// (internal to the library).
#pragma once

#include <string_view>

#include "pdf/objects.h"

namespace vn::pdf {

// Whether `o` is the command `text` (false for no object).
inline bool IsCmd(const TvnPDBaseObject* o, std::string_view text) { return o && o->IsCommand(text); }

}  // namespace vn::pdf
