// TvnBaseFont: the abstract font-program reader. Every reader (Type 1,
// TrueType, CFF, CID-keyed CFF) implements it; the font engine asks each in
// turn to Check a stream and keeps the first that accepts it.
//
// Outlines come back as new lists owned by the caller, or null when the
// glyph is absent; the size is in points and dpi in pixels per inch, so
// coordinates are pixels of font size x dpi / 72 with y pointing down.
// Readers that keep copies of what they need (Type 1, CFF) let the stream go
// after Check; a reader that reads glyph data later (TrueType) needs the
// stream to outlive it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "fonts/font_types.h"
#include "fonts/outline.h"
#include "runtime/streams.h"

namespace vn::fonts {

class TvnBaseFont {
 public:
  virtual ~TvnBaseFont() = default;

  virtual std::unique_ptr<TvnRecList> GetOutlineForGlyphName(std::string_view AGlyphName, float AFontsize,
                                                             int Adpi, EncodingType AEncoding) = 0;
  virtual std::unique_ptr<TvnRecList> GetOutlineForCharCode(int32_t ACharCode, float AFontsize, int Adpi,
                                                            EncodingType AEncoding) = 0;
  virtual std::unique_ptr<TvnRecList> GetOutlineForGlyphID(int32_t AGlyphId, float AFontsize, int Adpi,
                                                           EncodingType AEncoding) = 0;
  // True when the reader accepts the stream; the font is then loaded.
  virtual bool Check(TStream& AStream) = 0;
  virtual bool IsCharCodeAvailable(int32_t ACharCode, EncodingType AEncoding) = 0;
  virtual FontType GetFontType() = 0;
  virtual void Close() = 0;
};

}  // namespace vn::fonts
