// The CMap of a composite font: a predefined CMap read from the CMap
// folder (with the Unicode map of its character collection beside it), a
// CMap stream embedded in the PDF file, or the built-in Identity-H and
// Identity-V. Also the text of the ToUnicode CMaps this system writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/cmap_parser.h"

namespace vn::pdfdoc {

enum class TvnWritingMode { wmHorizontal, wmVertical };

class TvnPDCMap : public vn::pdf::TvnObject {
 public:
  // The folder of predefined CMaps when the document names none.
  static constexpr std::string_view kDefaultCMapPath = kDefaultCMapFolder;

  // A predefined CMap: the file acMapPath + acMapName (the folder ends with
  // a path separator), with the Unicode map Registry-Ordering-UCS2 of the
  // same folder when it is there; or an Identity CMap ("Identity",
  // "Identity-H", "IdentityH", "Identity-V"), whose Unicode map is the file
  // acMapPath + aCollection when aCollection names one. Null for any other
  // name, and for names that are not plain file names.
  static std::unique_ptr<TvnPDCMap> MakeCMap(const std::string& aCollection, const std::string& acMapName,
                                             const std::string& acMapPath);
  // A CMap embedded in the PDF file: the decoded bytes of the stream
  // object, parsed; no Unicode map. A "usecmap" inside it is followed in
  // acMapPath when that is not empty.
  static std::unique_ptr<TvnPDCMap> MakeCMapFromStream(vn::pdf::TvnPDStream* AStream, const std::string& aCollection,
                                                       const std::string& acMapName,
                                                       const std::string& acMapPath = std::string());

  const std::string& cMapName() const { return FcMapName; }
  const std::string& Collection() const { return FCollection; }
  TvnWritingMode WMode() const { return FWMode; }
  bool IsIdentity() const { return !FCMapParser; }
  const TvnPDCMapParser* CMapParser() const { return FCMapParser.get(); }
  const TvnPDCMapParser* UCSParser() const { return FUCSParser.get(); }

  // The 16-bit value of the code at AIndex (0-based) of AStr, which holds
  // the codes of a shown string, and in AProcessed the characters used.
  // A parsed CMap takes characters up to 0xFF as the string's bytes and
  // reads as many of them as its code space gives the code (one when it
  // declares none or none matches); a character above 0xFF is one whole
  // code. The value is that of the last range holding the code, 65535
  // without one. An Identity CMap reads the low bytes of two characters as
  // one code (the whole character when only one is left). Without an
  // embedded program (AIsEmbeded false) a Unicode map turns the value into
  // its Unicode value.
  uint16_t GetCID(std::u16string_view AStr, size_t AIndex, int& AProcessed, bool AIsEmbeded) const;

 private:
  TvnPDCMap() = default;

  std::string FcMapName;
  std::string FCollection;
  TvnWritingMode FWMode = TvnWritingMode::wmHorizontal;
  vn::pdf::Ref<vn::pdf::TvnStream> FCMapStream;
  vn::pdf::Ref<vn::pdf::TvnStream> FUCSStream;
  std::unique_ptr<TvnPDCMapParser> FCMapParser;
  std::unique_ptr<TvnPDCMapParser> FUCSParser;
};

// The text of a ToUnicode CMap for the glyph numbers used by a font and,
// parallel to them, their Unicode text (UTF-16; several units for a
// ligature or a character beyond the BMP). The lists are sorted by glyph
// number in place, entries of AWidths (when given) carried along. A single
// space when there are no glyphs.
std::string ToUnicodeCMapText(std::vector<int>& AGlyphs, std::vector<std::u16string>& AUnicodes,
                              std::vector<int>* AWidths = nullptr);

// ToUnicodeCMapText written into the stream object (one byte per
// character; give it a new, empty stream) and its size as the dictionary's
// /Length.
void WriteToUnicodeCMap(vn::pdf::TvnPDStream& AStream, std::vector<int>& AGlyphs,
                        std::vector<std::u16string>& AUnicodes, std::vector<int>* AWidths = nullptr);

}  // namespace vn::pdfdoc
