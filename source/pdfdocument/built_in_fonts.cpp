#include "pdfdocument/built_in_fonts.h"

#include <algorithm>
#include <cstring>

#include "pdfdocument/font_tables_impl.h"

namespace vn::pdfdoc {

namespace {

struct StdFontMetrics {
  std::string_view Name;
  double Ascent, Descent;
  double BBox[4];  // llx lly urx ury
  std::span<const TvnBuiltInFontWidths> Widths;
  const TvnEncodingArray* Encoding;
};

const StdFontMetrics kStdFontMetrics[] = {
    {"Courier", 629, -157, {-23, -250, 715, 805}, kWidthsCourier, &StandardEncoding},
    {"Courier-Bold", 629, -157, {-113, -250, 749, 801}, kWidthsCourier, &StandardEncoding},
    {"Courier-BoldOblique", 629, -157, {-57, -250, 869, 801}, kWidthsCourierBoldOblique, &StandardEncoding},
    {"Courier-Oblique", 629, -157, {-27, -250, 849, 805}, kWidthsCourierOblique, &StandardEncoding},
    {"Helvetica", 718, -207, {-166, -225, 1000, 931}, kWidthsHelvetica, &StandardEncoding},
    {"Helvetica-Bold", 718, -207, {-170, -228, 1003, 962}, kWidthsHelveticaBold, &StandardEncoding},
    {"Helvetica-BoldOblique", 718, -207, {-174, -228, 1114, 962}, kWidthsHelveticaBoldOblique, &StandardEncoding},
    {"Helvetica-Oblique", 718, -207, {-170, -225, 1116, 931}, kWidthsHelveticaOblique, &StandardEncoding},
    {"Symbol", 1010, -293, {-180, -293, 1090, 1010}, kWidthsSymbol, &SymbolEncoding},
    {"Times-Bold", 683, -217, {-168, -218, 1000, 935}, kWidthsTimesBold, &StandardEncoding},
    {"Times-BoldItalic", 683, -217, {-200, -218, 996, 921}, kWidthsTimesBoldItalic, &StandardEncoding},
    {"Times-Italic", 683, -217, {-169, -217, 1010, 883}, kWidthsTimesItalic, &StandardEncoding},
    {"Times-Roman", 683, -217, {-168, -218, 1000, 898}, kWidthsTimesRoman, &StandardEncoding},
    {"ZapfDingbats", 820, -143, {-1, -143, 981, 820}, kWidthsZapfDingbats, &ZapfDingbatsEncoding},
};

struct NamePair {
  std::string_view Key, Value;
};

const NamePair kStdFontAliases[] = {
    {"Arial", "Helvetica"},
    {"Arial,Bold", "Helvetica-Bold"},
    {"Arial,BoldItalic", "Helvetica-BoldOblique"},
    {"Arial,Italic", "Helvetica-Oblique"},
    {"Arial-Bold", "Helvetica-Bold"},
    {"Arial-BoldItalic", "Helvetica-BoldOblique"},
    {"Arial-BoldItalicMT", "Helvetica-BoldOblique"},
    {"Arial-BoldMT", "Helvetica-Bold"},
    {"Arial-Italic", "Helvetica-Oblique"},
    {"Arial-ItalicMT", "Helvetica-Oblique"},
    {"Helvetica-Compressed", "Helvetica"},
    {"ArialMT", "Helvetica"},
    {"CourierNew", "Courier"},
    {"CourierNew,Bold", "Courier-Bold"},
    {"CourierNew,BoldItalic", "Courier-BoldOblique"},
    {"CourierNew,Italic", "Courier-Oblique"},
    {"CourierNew-Bold", "Courier-Bold"},
    {"CourierNew-BoldItalic", "Courier-BoldOblique"},
    {"CourierNew-Italic", "Courier-Oblique"},
    {"CourierNewPS-BoldItalicMT", "Courier-BoldOblique"},
    {"CourierNewPS-BoldMT", "Courier-Bold"},
    {"CourierNewPS-ItalicMT", "Courier-Oblique"},
    {"CourierNewPSMT", "Courier"},
    {"Helvetica,Bold", "Helvetica-Bold"},
    {"Helvetica,BoldItalic", "Helvetica-BoldOblique"},
    {"Helvetica,Italic", "Helvetica-Oblique"},
    {"Helvetica-BoldItalic", "Helvetica-BoldOblique"},
    {"Helvetica-Italic", "Helvetica-Oblique"},
    {"Symbol,Bold", "Symbol"},
    {"Symbol,BoldItalic", "Symbol"},
    {"Symbol,Italic", "Symbol"},
    {"TimesNewRoman", "Times-Roman"},
    {"TimesNewRoman,Bold", "Times-Bold"},
    {"TimesNewRoman,BoldItalic", "Times-BoldItalic"},
    {"TimesNewRoman,Italic", "Times-Italic"},
    {"TimesNewRoman-Bold", "Times-Bold"},
    {"TimesNewRoman-BoldItalic", "Times-BoldItalic"},
    {"TimesNewRoman-Italic", "Times-Italic"},
    {"TimesNewRomanPS", "Times-Roman"},
    {"TimesNewRomanPS-Bold", "Times-Bold"},
    {"TimesNewRomanPS-BoldItalic", "Times-BoldItalic"},
    {"TimesNewRomanPS-BoldItalicMT", "Times-BoldItalic"},
    {"TimesNewRomanPS-BoldMT", "Times-Bold"},
    {"TimesNewRomanPS-Italic", "Times-Italic"},
    {"TimesNewRomanPS-ItalicMT", "Times-Italic"},
    {"TimesNewRomanPSMT", "Times-Roman"},
    {"TimesNewRomanPSMT,Bold", "Times-Bold"},
    {"TimesNewRomanPSMT,BoldItalic", "Times-BoldItalic"},
    {"TimesNewRomanPSMT,Italic", "Times-Italic"},
};

const NamePair kStdFontFaceNames[] = {
    {"Courier", "CourierNew"},
    {"Courier-Bold", "CourierNewBold"},
    {"Courier-BoldOblique", "CourierNewBoldItalic"},
    {"Courier-Oblique", "CourierNewItalic"},
    {"Helvetica", "Arial"},
    {"Helvetica-Bold", "ArialBold"},
    {"Helvetica-BoldOblique", "ArialBoldItalic"},
    {"Helvetica-Oblique", "ArialItalic"},
    {"Symbol", "Symbol"},
    {"Times-Bold", "TimesNewRomanBold"},
    {"Times-BoldItalic", "TimesNewRomanBoldItalic"},
    {"Times-Italic", "TimesNewRomanItalic"},
    {"Times-Roman", "TimesNewRoman"},
    {"ZapfDingbats", "ArialUnicodeMS"},
};

std::string_view FindStdFontPair(std::span<const NamePair> ATable, std::string_view AKey) {
  for (const NamePair& p : ATable)
    if (p.Key == AKey) return p.Value;
  return {};
}

}  // namespace

std::unique_ptr<TvnBuiltInFont> TvnBuiltInFont::MakeBuiltInFont(std::string_view AFontName) {
  for (const StdFontMetrics& m : kStdFontMetrics) {
    if (m.Name != AFontName) continue;
    std::unique_ptr<TvnBuiltInFont> font(new TvnBuiltInFont());
    font->FName = std::string(m.Name);
    font->FAscent = m.Ascent;
    font->FDescent = m.Descent;
    font->FBBox = std::make_unique<TvnPDRect>(m.BBox[0], m.BBox[1], m.BBox[2], m.BBox[3]);
    font->FWidths = m.Widths;
    font->FSize = static_cast<int>(m.Widths.size());
    font->FDefaultBaseEnc = m.Encoding;
    font->FEncodingName = m.Encoding == &StandardEncoding ? "StandardEncoding" : "CustomEncoding";
    return font;
  }
  return nullptr;
}

int TvnBuiltInFont::GetWidth(std::string_view AChar) const {
  if (AChar.empty()) return -1;
  const auto it = std::lower_bound(FWidths.begin(), FWidths.end(), AChar,
                                   [](const TvnBuiltInFontWidths& e, std::string_view n) { return std::string_view(e.Character) < n; });
  if (it == FWidths.end() || std::string_view(it->Character) != AChar) return -1;
  return it->Width;
}

std::string_view StdFontOfAlias(std::string_view AAlias) { return FindStdFontPair(kStdFontAliases, AAlias); }

bool FindStdFontAlias(std::string_view AName, std::string_view& AAlias, std::string_view& AStdFont) {
  for (const NamePair& p : kStdFontAliases) {
    if (p.Key != AName && p.Value != AName) continue;
    AAlias = p.Key;
    AStdFont = p.Value;
    return true;
  }
  return false;
}

std::string_view StdFontFaceName(std::string_view AFontName) { return FindStdFontPair(kStdFontFaceNames, AFontName); }

}  // namespace vn::pdfdoc
