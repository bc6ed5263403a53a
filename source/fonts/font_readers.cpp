#include "fonts/font_readers.h"

#include "fonts/cff_cid_font.h"
#include "fonts/cff_font.h"
#include "fonts/truetype_font.h"
#include "fonts/type1_font.h"

namespace vn::fonts {

std::vector<std::unique_ptr<TvnBaseFont>> MakeFontReaders() {
  std::vector<std::unique_ptr<TvnBaseFont>> readers;
  readers.push_back(std::make_unique<TvnTrueTypeHandler>());
  readers.push_back(std::make_unique<TvnType1CFFHandler>());
  readers.push_back(std::make_unique<TvnCIDFontHandler>());
  readers.push_back(std::make_unique<TvnType1pfbHandler>());
  return readers;
}

}  // namespace vn::fonts
