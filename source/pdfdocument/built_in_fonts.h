// The fourteen standard fonts: their metrics and advance widths, the
// aliases that name them, and the face names that stand in for them when a
// font is drawn without an embedded program. All of it is built in.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "pdf/object.h"
#include "pdfdocument/encodings.h"
#include "pdfdocument/pd_rect.h"

namespace vn::pdfdoc {

// One glyph's advance width in thousandths of the font size.
struct TvnBuiltInFontWidths {
  const char* Character;
  int Width;
};

class TvnBuiltInFont : public vn::pdf::TvnObject {
 public:
  // The font of one of the 14 standard names (exact comparison), or null for
  // any other name; aliases are not resolved here (StdFontOfAlias).
  static std::unique_ptr<TvnBuiltInFont> MakeBuiltInFont(std::string_view AFontName);

  const std::string& name() const { return FName; }
  // Glyph units (thousandths of the font size).
  double Ascent() const { return FAscent; }
  double Descent() const { return FDescent; }
  const TvnPDRect& BBox() const { return *FBBox; }
  // "StandardEncoding", or "CustomEncoding" for Symbol and ZapfDingbats.
  const std::string& EncodingName() const { return FEncodingName; }
  const TvnEncodingArray& DefaultBaseEnc() const { return *FDefaultBaseEnc; }
  int Size() const { return FSize; }
  // The width of the glyph of that exact name, or -1 when the font has none
  // (also for an empty name).
  int GetWidth(std::string_view AChar) const;

 private:
  TvnBuiltInFont() = default;

  std::string FName;
  double FAscent = 0;
  double FDescent = 0;
  std::unique_ptr<TvnPDRect> FBBox;
  int FSize = 0;
  std::span<const TvnBuiltInFontWidths> FWidths;
  std::string FEncodingName;
  const TvnEncodingArray* FDefaultBaseEnc = nullptr;
};

// The standard font an alias names ("Arial,Bold" gives "Helvetica-Bold"),
// or empty text when the name is not one of the 49 aliases.
std::string_view StdFontOfAlias(std::string_view AAlias);

// The first of the 49 aliases whose alias or standard font is AName: true
// with both names ("Helvetica" gives "Arial" and "Helvetica").
bool FindStdFontAlias(std::string_view AName, std::string_view& AAlias, std::string_view& AStdFont);

// The face name that stands in for a standard font ("Helvetica" gives
// "Arial"), or empty text for any other name.
std::string_view StdFontFaceName(std::string_view AFontName);

}  // namespace vn::pdfdoc
