// The normal appearance of a text, combo or list field after its value
// changed: the background and border of the widget's MK, then the lines in
// the font, size and colour of the default appearance. Text is shown in the
// default appearance's font when that font is a simple font with the
// WinAnsi encoding (and not a subset), otherwise in Helvetica; characters the
// encoding lacks show as "?".
#include <algorithm>
#include <cmath>
#include <optional>

#include "pdf/text.h"
#include "pdfdocument/built_in_fonts.h"
#include "pdfdocument/encodings.h"
#include "pdfdocument/pd_form_field_impl.h"
#include "pdfdocument/pd_text_impl.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/codepages.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

// Resource name of the font used when the default appearance's font cannot
// show WinAnsi text.
constexpr const char* kFallbackFontName = "FoHelv";
// Space between the widget's edge and its text, in points.
constexpr double kPadding = 2;
constexpr double kLineFactor = 1.15;
// Size of an automatic (0) font size in multi-line fields and list boxes.
constexpr double kAutoMultiLineSize = 12;

double AppearanceNumber(const TvnPDBaseObject* AObj, double ADefault) {
  if (AObj && AObj->IsInteger()) return static_cast<double>(AObj->AsInteger()->GetValue());
  if (AObj && AObj->IsReal()) return AObj->AsReal()->GetValue();
  return ADefault;
}

// The default appearance split into the font operands of its last Tf and
// everything else (the colour).
struct ParsedDA {
  std::string FontName;
  double Size = 0;
  std::string Rest;
};

ParsedDA ParseDA(const std::string& ADA) {
  const std::vector<std::string> words = DAWords(ADA);
  ParsedDA da;
  std::vector<std::string> rest;
  for (size_t k = 0; k < words.size(); ++k) {
    if (words[k] == "Tf" && k >= 2 && words[k - 2].starts_with("/")) {
      da.FontName = vn::pdf::DecodeName(words[k - 2].substr(1));
      da.Size = vn::pdf::PDTextToFloat(words[k - 1]);
      rest.resize(rest.size() >= 2 ? rest.size() - 2 : 0);
      continue;
    }
    rest.push_back(words[k]);
  }
  for (const std::string& w : rest) da.Rest += w + " ";
  return da;
}

// A font the appearance can show WinAnsi bytes in, with its widths.
struct AppearanceFont {
  std::string ResourceName;
  // Null for the fallback font.
  TvnPDBaseObject* RefObj = nullptr;
  std::optional<std::vector<double>> Widths;  // by code, thousandths
  std::unique_ptr<TvnBuiltInFont> BuiltIn;

  double Width(uint8_t ACode) const {
    if (Widths) return (*Widths)[ACode];
    const int w = BuiltIn ? BuiltIn->GetWidth(WinAnsiEncoding[ACode]) : -1;
    return w < 0 ? 500 : w;
  }
  double TextWidth(const std::string& ABytes, double ASize) const {
    double sum = 0;
    for (char c : ABytes) sum += Width(static_cast<uint8_t>(c));
    return sum * ASize / 1000;
  }
};

bool ShowsWinAnsi(const TvnPDDictionary* AFont) {
  const TvnPDBaseObject* subtype = AFont->LookUp("Subtype");
  if (!subtype || !(subtype->IsName("Type1") || subtype->IsName("TrueType"))) return false;
  const TvnPDBaseObject* base = AFont->LookUp("BaseFont");
  if (!base || !base->IsName() || base->AsName()->GetValue().find('+') != std::string::npos) return false;
  // Fonts in their own (or the standard) encoding would show other glyphs
  // for the bytes of accented letters.
  const TvnPDBaseObject* enc = AFont->LookUp("Encoding");
  return enc && enc->IsName("WinAnsiEncoding");
}

AppearanceFont PickFont(const std::string& AName, TvnPDDictionary* AWidget, TvnPDDictionary* AFontDict) {
  AppearanceFont font;
  TvnPDDictionary* fonts = nullptr;
  if (const TvnPDBaseObject* dr = AWidget->LookUp("DR"); dr && dr->IsDict())
    if (TvnPDBaseObject* f = dr->AsDict()->LookUp("Font"); f && f->IsDict() && f->AsDict()->LookUp(AName))
      fonts = f->AsDict();
  if (!fonts) fonts = AFontDict;
  TvnPDBaseObject* ref = fonts && !AName.empty() ? fonts->LookupRefObj(AName) : nullptr;
  const TvnPDBaseObject* dict = fonts && !AName.empty() ? fonts->LookUp(AName) : nullptr;
  if (dict && dict->IsDict() && ShowsWinAnsi(dict->AsDict())) {
    font.ResourceName = AName;
    font.RefObj = ref;
    const TvnPDDictionary* d = dict->AsDict();
    if (const TvnPDBaseObject* w = d->LookUp("Widths"); w && w->IsArray()) {
      const int64_t first = static_cast<int64_t>(AppearanceNumber(d->LookUp("FirstChar"), 0));
      std::vector<double> widths(256, 0);
      for (int64_t i = 0; i < w->AsArray()->GetLength(); ++i)
        if (first + i >= 0 && first + i < 256) widths[size_t(first + i)] = AppearanceNumber(w->AsArray()->Get(i), 0);
      font.Widths = std::move(widths);
    } else {
      font.BuiltIn = TvnBuiltInFont::MakeBuiltInFont(d->LookUp("BaseFont")->AsName()->GetValue());
    }
    return font;
  }
  font.ResourceName = kFallbackFontName;
  font.BuiltIn = TvnBuiltInFont::MakeBuiltInFont("Helvetica");
  return font;
}

std::string FormatNumber(double AValue) { return vn::pdf::FloatToPDText(std::round(AValue * 1000) / 1000); }

std::string ColorOperator(const TvnPDBaseObject* AColor, bool AStroke) {
  if (!AColor || !AColor->IsArray()) return {};
  const TvnPDArray* a = AColor->AsArray();
  const int64_t n = a->GetLength();
  if (n != 1 && n != 3 && n != 4) return {};
  std::string s;
  for (int64_t i = 0; i < n; ++i) s += FormatNumber(AppearanceNumber(a->Get(i), 0)) + " ";
  const char* op = n == 1 ? "g" : n == 3 ? "rg" : "k";
  return s + (AStroke ? vn::UpperCaseAnsi(op) : std::string(op)) + "\n";
}

}  // namespace

std::vector<std::string> DAWords(const std::string& ADA) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < ADA.size()) {
    while (i < ADA.size() && vn::pdf::IsPDWhiteSpace(static_cast<unsigned char>(ADA[i]))) ++i;
    size_t j = i;
    while (j < ADA.size() && !vn::pdf::IsPDWhiteSpace(static_cast<unsigned char>(ADA[j]))) ++j;
    if (j > i) words.push_back(ADA.substr(i, j - i));
    i = j;
  }
  return words;
}

void WriteTextAppearance(TvnPDFDocumentHandler* AHandler, TvnPDDictionary* AWidget, const std::string& ADA,
                         TvnPDDictionary* AFontDict, const FormTextAppearance& AText) {
  if (!AHandler || !AHandler->BaseDoc() || !AWidget) return;
  const TvnPDBaseObject* rect = AWidget->LookUp("Rect");
  if (!rect || !rect->IsArray() || rect->AsArray()->GetLength() < 4) return;
  const TvnPDArray* r = rect->AsArray();
  const double w = std::abs(AppearanceNumber(r->Get(2), 0) - AppearanceNumber(r->Get(0), 0));
  const double h = std::abs(AppearanceNumber(r->Get(3), 0) - AppearanceNumber(r->Get(1), 0));

  std::string da_text = ADA;
  if (const TvnPDBaseObject* own = AWidget->LookUp("DA"); own && own->IsString()) da_text = PdfStringBytes(own);
  const ParsedDA da = ParseDA(da_text);
  const AppearanceFont font = PickFont(da.FontName, AWidget, AFontDict);

  std::vector<std::string> lines;
  for (const String& line : AText.Lines) lines.push_back(vn::EncodeCp1252(line));
  double size = da.Size;
  if (size <= 0) {
    if (AText.MultiLine) {
      size = kAutoMultiLineSize;
    } else {
      size = std::max(4.0, (h - 2 * kPadding) / kLineFactor);
      const double width = lines.empty() ? 0 : font.TextWidth(lines.front(), 1);
      if (width > 0) size = std::min(size, (w - 2 * kPadding) / width);
      size = std::max(size, 4.0);
    }
  }

  std::string s = "/Tx BMC\nq\n";
  const TvnPDDictionary* mk = AWidget->LookUp("MK") ? AWidget->LookUp("MK")->AsDict() : nullptr;
  if (mk) {
    if (std::string bg = ColorOperator(mk->LookUp("BG"), false); !bg.empty())
      s += bg + "0 0 " + FormatNumber(w) + " " + FormatNumber(h) + " re f\n";
    if (std::string bc = ColorOperator(mk->LookUp("BC"), true); !bc.empty())
      s += bc + "0.5 0.5 " + FormatNumber(w - 1) + " " + FormatNumber(h - 1) + " re S\n";
  }
  const double ascent = 0.75 * size, descent = 0.25 * size, leading = size * kLineFactor;
  if (AText.Highlight >= 0) {
    const double top = h - kPadding - AText.Highlight * leading;
    s += "0.6 0.75 0.85 rg\n" + FormatNumber(1) + " " + FormatNumber(top - leading) + " " + FormatNumber(w - 2) + " " +
         FormatNumber(leading) + " re f\n";
  }
  s += "1 1 " + FormatNumber(w - 2) + " " + FormatNumber(h - 2) + " re W n\nBT\n" + da.Rest + "\n/" +
       vn::pdf::EncodeName(font.ResourceName) + " " + FormatNumber(size) + " Tf\n";
  double x0 = 0, y0 = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const double baseline = AText.MultiLine ? h - kPadding - ascent - static_cast<double>(i) * leading
                                            : (h - (ascent + descent)) / 2 + descent;
    if (AText.CombCells > 0) {
      const double cell = w / AText.CombCells;
      for (size_t k = 0; k < line.size() && k < static_cast<size_t>(AText.CombCells); ++k) {
        const double x = cell * static_cast<double>(k) + (cell - font.TextWidth(line.substr(k, 1), size)) / 2;
        s += FormatNumber(x - x0) + " " + FormatNumber(baseline - y0) + " Td (" +
             vn::pdf::EscapePDString(line.substr(k, 1)) + ") Tj\n";
        x0 = x;
        y0 = baseline;
      }
      continue;
    }
    const double tw = font.TextWidth(line, size);
    double x = kPadding;
    if (AText.Quadding == 1) x = (w - tw) / 2;
    if (AText.Quadding == 2) x = w - kPadding - tw;
    s += FormatNumber(x - x0) + " " + FormatNumber(baseline - y0) + " Td (" + vn::pdf::EscapePDString(line) + ") Tj\n";
    x0 = x;
    y0 = baseline;
  }
  s += "ET\nQ\nEMC\n";

  vn::pdf::TvnPDDocumentIntf* doc = AWidget->GetParentDoc();
  auto dict = std::make_unique<TvnPDDictionary>(doc);
  dict->Add("Type", std::make_unique<vn::pdf::TvnPDName>("XObject"));
  dict->Add("Subtype", std::make_unique<vn::pdf::TvnPDName>("Form"));
  auto bbox = std::make_unique<TvnPDArray>(doc);
  for (double v : {0.0, 0.0, w, h}) bbox->Add(std::make_unique<vn::pdf::TvnPDReal>(v));
  dict->Add("BBox", std::move(bbox));
  auto fonts = std::make_unique<TvnPDDictionary>(doc);
  if (font.RefObj) {
    fonts->Add(font.ResourceName, font.RefObj->IsIndirectRef()
                                      ? std::make_unique<vn::pdf::TvnPDIndirectRef>(font.RefObj->GetObjNumber(),
                                                                                    font.RefObj->GetGenNumber())
                                      : font.RefObj->Clone());
  } else {
    auto helv = std::make_unique<TvnPDDictionary>(doc);
    helv->Add("Type", std::make_unique<vn::pdf::TvnPDName>("Font"));
    helv->Add("Subtype", std::make_unique<vn::pdf::TvnPDName>("Type1"));
    helv->Add("BaseFont", std::make_unique<vn::pdf::TvnPDName>("Helvetica"));
    helv->Add("Encoding", std::make_unique<vn::pdf::TvnPDName>("WinAnsiEncoding"));
    fonts->Add(font.ResourceName, std::move(helv));
  }
  auto resources = std::make_unique<TvnPDDictionary>(doc);
  resources->Add("Font", std::move(fonts));
  dict->Add("Resources", std::move(resources));
  vn::pdf::TvnPDStream* stream = AHandler->AddNewStream(std::move(dict), s);

  auto ap = std::make_unique<TvnPDDictionary>(doc);
  ap->Add("N", std::make_unique<vn::pdf::TvnPDIndirectRef>(stream->GetObjNumber(), stream->GetGenNumber()));
  AWidget->Add("AP", std::move(ap));
}

}  // namespace vn::pdfdoc
