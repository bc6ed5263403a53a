// Contract: any bytes in as a font program; the engine either keeps no
// reader or a reader whose outlines (by name, code and through the engine)
// come back or are null. Nothing throws, crashes, hangs or allocates beyond
// the readers' caps.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fonts/font_engine.h"
#include "fonts/type1_font.h"
#include "runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vn::fonts;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  vn::TStringStream stream(bytes);
  TvnType1pfbHandler font;
  if (font.Check(stream)) {
    int glyphs = 0;
    for (const auto& [name, program] : font.CharStrings()) {
      if (++glyphs > 64) break;
      font.GetOutlineForGlyphName(name, 12, 96, EncodingType::None);
    }
    for (int code = 0; code < 256; code += 7) {
      font.IsCharCodeAvailable(code, EncodingType::None);
      font.GetOutlineForCharCode(code, 7.5f, 72, EncodingType::None);
    }
    font.FontBBoxVa();
    font.FontnameVa();
  }
  TvnFontEngine engine(stream, 12, 96, 96);
  engine.DecomposeOutlineGlyph(u"A", 12, 96, [](const TvnRecList*) {}, TGlyphType::CharCode);
  engine.DecomposeOutlineGlyph(u".notdef", 12, 96, [](const TvnRecList*) {}, TGlyphType::GlyphName);
  return 0;
}
