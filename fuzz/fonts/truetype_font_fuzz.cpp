// Contract: any bytes in as a TrueType font; the reader either refuses
// them, throws one of the library's exceptions from Check, or loads a font
// whose outlines (by code in every encoding it lists, by name and by glyph
// index, composites included) come back or are null, or throw the stream's
// read error. Nothing crashes, hangs or recurses without end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fonts/truetype_font.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace {

template <typename Ask>
void TrueTypeFuzzTry(Ask ask) {
  try {
    ask();
  } catch (const vn::Exception&) {
    // glyph data cut off by the end of the stream
  }
}

void ExerciseTrueType(vn::fonts::TvnTrueTypeHandler& font) {
  using vn::fonts::EncodingType;
  const auto& encodings = font.GetSupportedEncodings();
  for (size_t i = 0; i < encodings.size() && i < 6; ++i) {
    const EncodingType e = encodings[i];
    for (int code = 0; code < 0x100; code += 3) {
      TrueTypeFuzzTry([&] { font.IsCharCodeAvailable(code, e); });
      TrueTypeFuzzTry([&] { font.GetOutlineForCharCode(code, 12, 96, e); });
    }
  }
  for (int code : {0x41, 0xF041, 0x20AC})
    TrueTypeFuzzTry([&] { font.GetOutlineForCharCode(code, 10.5f, 72, EncodingType::None); });
  int glyphs = 0;
  for (const auto& glyph : font.glyfIdNameDictionary) {
    if (++glyphs > 200) break;
    TrueTypeFuzzTry([&] { font.GetOutlineForGlyphID(glyph.first, 9, 72, EncodingType::None); });
    if (glyphs % 16 == 0)
      TrueTypeFuzzTry([&] { font.GetOutlineForGlyphName(glyph.second, 9, 72, EncodingType::None); });
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  vn::TStringStream stream(bytes);
  try {
    vn::fonts::TvnTrueTypeHandler font;
    if (font.Check(stream)) ExerciseTrueType(font);
  } catch (const vn::Exception&) {
    // a table cut off by the end of the stream
  }
  return 0;
}
