// TvnFontEngine: the font-program layer as the text extractor sees it. Made
// for one font stream, it asks the readers in turn (font_readers.h) to
// accept the stream, keeps the first that does, and hands glyph outlines to
// a callback, caching each. The stream stays the caller's and must outlive
// the engine (a TrueType reader reads glyph data from it later); the engine
// owns the reader, the caches and every outline it ever handed out, which
// stay valid until the engine is destroyed.
//
// Outlines are cached by glyph, size and resolution, so a glyph asked at
// another size gets its own outline. A reader that fails while checking or
// outlining (damaged data it throws on) counts as not accepting the stream,
// or as having no such glyph: no exception leaves the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "fonts/base_font.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace vn::fonts {

// Reads the outline handed to it; null when the glyph has no outline.
using TvnOnCharDraw = std::function<void(const TvnRecList* AvnRectList)>;

// A font size in fixed point with four decimals (120000 = 12.0).
struct FixedPoint4 {
  int64_t Value = 0;
};

class TvnFontEngine {
 public:
  // Asks the readers of MakeFontReaders(). The size and resolutions are
  // those the client made the engine for; outline requests bring their own.
  TvnFontEngine(TStream& AStream, int AFontSize, int AHorRes, int AVerRes);
  // Asks the given readers, in their order.
  TvnFontEngine(TStream& AStream, int AFontSize, int AHorRes, int AVerRes,
                std::vector<std::unique_ptr<TvnBaseFont>> AReaders);
  TvnFontEngine(const TvnFontEngine&) = delete;
  TvnFontEngine& operator=(const TvnFontEngine&) = delete;
  ~TvnFontEngine();

  // The outline of one glyph to ADrawCharCallback: by character code or
  // glyph index, the code of Atext's first character; by glyph name, the
  // whole text. Nothing is called without a reader. Returns 0.
  int DecomposeOutlineGlyph(StringView Atext, int AFontSize, int ADpi, const TvnOnCharDraw& ADrawCharCallback,
                            TGlyphType AGlyphType);
  // The same by character code, whatever AGlyphType says.
  int DecomposeOutlineGlyph(int32_t ACharcode, FixedPoint4 AFontSize, int ADpi, const TvnOnCharDraw& ADrawCharCallback,
                            TGlyphType AGlyphType);
  bool isCharcodeAvailable(int32_t ACharcode);

  bool IsLoaded() const { return FIsLoaded; }
  void SetIsLoaded(bool value) { FIsLoaded = value; }
  EncodingType Encoding() const { return FEncoding; }
  void SetEncoding(EncodingType value) { FEncoding = value; }
  // The reader that accepted the stream; null when none did.
  TvnBaseFont* Font() const { return FFont.get(); }

 private:
  template <typename Key>
  using Cache = std::map<std::tuple<Key, float, int>, std::unique_ptr<TvnRecList>>;

  template <typename Key, typename Make>
  const TvnRecList* Cached(Cache<Key>& cache, const Key& key, float size, int dpi, Make make);

  bool FIsLoaded = false;
  EncodingType FEncoding = EncodingType::Unicode_1_0;
  std::unique_ptr<TvnBaseFont> FFont;
  Cache<int32_t> FCharCodeList;
  Cache<int32_t> FGlyphIDList;
  Cache<std::string> FGlyphNameList;
};

}  // namespace vn::fonts
