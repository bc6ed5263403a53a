// The font-program readers the font engine asks, in the order it asks them:
// TrueType, CFF, CID-keyed CFF, Type 1. Each call makes fresh readers; a
// new reader kind joins the engine by taking its place in this list.
#pragma once

#include <memory>
#include <vector>

#include "fonts/base_font.h"

namespace vn::fonts {

std::vector<std::unique_ptr<TvnBaseFont>> MakeFontReaders();

}  // namespace vn::fonts
