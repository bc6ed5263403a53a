#include "fonts/font_engine.h"

#include <exception>

#include "fonts/font_readers.h"

namespace vn::fonts {

TvnFontEngine::TvnFontEngine(TStream& AStream, int AFontSize, int AHorRes, int AVerRes)
    : TvnFontEngine(AStream, AFontSize, AHorRes, AVerRes, MakeFontReaders()) {}

TvnFontEngine::TvnFontEngine(TStream& AStream, int, int, int, std::vector<std::unique_ptr<TvnBaseFont>> AReaders) {
  AStream.Seek(0, SeekOrigin::soBeginning);
  for (auto& reader : AReaders) {
    if (!reader) continue;
    bool accepted = false;
    try {
      accepted = reader->Check(AStream);
    } catch (const std::exception&) {
      accepted = false;  // data the reader could not interpret
    }
    if (accepted) {
      FFont = std::move(reader);
      FIsLoaded = true;
      break;
    }
  }
}

TvnFontEngine::~TvnFontEngine() = default;

template <typename Key, typename Make>
const TvnRecList* TvnFontEngine::Cached(Cache<Key>& cache, const Key& key, float size, int dpi, Make make) {
  auto [it, inserted] = cache.try_emplace({key, size, dpi});
  if (inserted) {
    try {
      it->second = make();
    } catch (const std::exception&) {
      it->second = nullptr;  // a glyph the reader could not outline has none
    }
  }
  return it->second.get();
}

int TvnFontEngine::DecomposeOutlineGlyph(StringView Atext, int AFontSize, int ADpi,
                                         const TvnOnCharDraw& ADrawCharCallback, TGlyphType AGlyphType) {
  if (!FFont) return 0;
  const float size = static_cast<float>(AFontSize);
  const TvnRecList* outline = nullptr;
  if (AGlyphType == TGlyphType::GlyphName) {
    // Glyph names are bytes, one per character; a character beyond 8 bits
    // cannot be part of one.
    std::string name;
    bool byte_text = true;
    for (char16_t c : Atext) {
      byte_text = byte_text && c <= 0xFF;
      name.push_back(static_cast<char>(c));
    }
    outline = Cached(FGlyphNameList, name, size, ADpi, [&]() -> std::unique_ptr<TvnRecList> {
      return byte_text ? FFont->GetOutlineForGlyphName(name, size, ADpi, FEncoding) : nullptr;
    });
  } else if (!Atext.empty()) {
    const int32_t code = Atext.front();
    if (AGlyphType == TGlyphType::GlyphIndex)
      outline = Cached(FGlyphIDList, code, size, ADpi,
                       [&] { return FFont->GetOutlineForGlyphID(code, size, ADpi, FEncoding); });
    else
      outline = Cached(FCharCodeList, code, size, ADpi,
                       [&] { return FFont->GetOutlineForCharCode(code, size, ADpi, FEncoding); });
  }
  if (ADrawCharCallback) ADrawCharCallback(outline);
  return 0;
}

int TvnFontEngine::DecomposeOutlineGlyph(int32_t ACharcode, FixedPoint4 AFontSize, int ADpi,
                                         const TvnOnCharDraw& ADrawCharCallback, TGlyphType) {
  if (!FFont) return 0;
  const float size = static_cast<float>(static_cast<double>(AFontSize.Value) / 10000.0);
  const TvnRecList* outline = Cached(FCharCodeList, ACharcode, size, ADpi, [&] {
    return FFont->GetOutlineForCharCode(ACharcode, size, ADpi, FEncoding);
  });
  if (ADrawCharCallback) ADrawCharCallback(outline);
  return 0;
}

bool TvnFontEngine::isCharcodeAvailable(int32_t ACharcode) {
  if (!FFont) return false;
  try {
    return FFont->IsCharCodeAvailable(ACharcode, FEncoding);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vn::fonts
