// Contract: any bytes in as CFF data (bare or in a FontSet resource); both
// CFF readers either refuse them, throw one of the readers' exceptions from
// Check, or load fonts whose outlines (by name, code and number) come back
// or are null. Nothing crashes, hangs or allocates beyond the readers' caps.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fonts/cff_cid_font.h"
#include "fonts/cff_font.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace {

void Exercise(vn::fonts::CffFontSet& font) {
  using vn::fonts::EncodingType;
  const auto* layout = font.First();
  int glyphs = 0;
  for (const auto& [name, program] : layout->CharStringsDict()) {
    if (++glyphs > 64) break;
    font.GetOutlineForGlyphName(name, 12, 96, EncodingType::None);
  }
  for (const auto& pair : layout->FCharset()->GetSIDNamePairs()) {
    if (++glyphs > 128) break;
    font.GetOutlineForGlyphID(pair.SID(), 10.5f, 72, EncodingType::None);
  }
  for (int code = 0; code < 256; code += 5) {
    font.IsCharCodeAvailable(code, EncodingType::None);
    font.GetOutlineForCharCode(code, 7.5f, 72, EncodingType::None);
  }
  font.GetOutlineForGlyphName(".notdef", 12, 96, EncodingType::None);
  font.Bbox();
  font.BlueScale();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  vn::TStringStream stream(bytes);
  try {
    vn::fonts::TvnType1CFFHandler font;
    if (font.Check(stream)) Exercise(font);
  } catch (const vn::Exception&) {
    // a charset or encoding the reader cannot interpret
  }
  try {
    vn::fonts::TvnCIDFontHandler font;
    if (font.Check(stream)) {
      Exercise(font);
      font.Units_per_em();
    }
  } catch (const vn::Exception&) {
  }
  return 0;
}
