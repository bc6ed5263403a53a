// Small PDF files made of a few numbered objects, loaded as documents, for
// the font tests: object 1 is the font dictionary.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "pdf/pdf_file_builder.h"
#include "pdfdocument/pd_font.h"

namespace vn::pdfdoc::font_test_doc {

// A stream object's text with its data written as hexadecimal digits.
inline std::string HexStream(const std::string& AEntries, const std::string& AData) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : AData) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  hex += '>';
  return "<< " + AEntries + " /Filter /ASCIIHexDecode /Length " + std::to_string(hex.size()) + " >>\nstream\n" +
         hex + "\nendstream";
}

struct FontDoc {
  std::shared_ptr<vn::TMemoryStream> File;
  std::unique_ptr<vn::pdf::TvnPDBaseDoc> Doc;
  std::unique_ptr<TvnPDFont> Font;
};

// Loads the objects (number -> body) and makes the font of object 1.
inline FontDoc LoadFont(const std::map<int64_t, std::string>& AObjects,
                        const std::string& ACMapPath = std::string(TvnPDCMap::kDefaultCMapPath)) {
  vn::pdf::testing::PdfFileBuilder builder;
  for (const auto& [number, body] : AObjects) builder.Obj(number, body);
  builder.Obj(900, "<< /Type /Pages /Kids [] /Count 0 >>");
  builder.Obj(901, "<< /Type /Catalog /Pages 900 0 R >>");
  builder.ClassicTable("/Size 902 /Root 901 0 R");
  FontDoc out;
  out.File = builder.Stream();
  out.Doc = std::make_unique<vn::pdf::TvnPDBaseDoc>();
  out.Doc->LoadDocument(out.File.get(), "");
  out.Font = TvnPDFont::MakeFont(out.Doc.get(), nullptr, "F1", out.Doc->GetObject(1), ACMapPath);
  return out;
}

// The decoded code, name and advance of one character.
struct DecodedChar {
  int Result = 0;
  int Processed = 0;
  uint32_t Code = 0;
  std::string Name;
  double Dx = 0, Dy = 0;
};

inline DecodedChar Decode(TvnPDFont& AFont, std::u16string_view AStr, size_t AIndex = 0) {
  DecodedChar c;
  double ox = 1, oy = 1;
  c.Result = AFont.GetNextChar(AStr, AIndex, c.Processed, c.Code, c.Name, c.Dx, c.Dy, ox, oy);
  return c;
}

// The kind of a font as pdffonts names it.
inline std::string PdffontsType(TvnPDFontType AType) {
  switch (AType) {
    case TvnPDFontType::Type1:
      return "Type 1";
    case TvnPDFontType::Type1C:
      return "Type 1C";
    case TvnPDFontType::Type1COT:
      return "Type 1C (OT)";
    case TvnPDFontType::Type3:
      return "Type 3";
    case TvnPDFontType::TrueType:
      return "TrueType";
    case TvnPDFontType::TrueTypeOT:
      return "TrueType (OT)";
    case TvnPDFontType::CIDType0:
      return "CID Type 0";
    case TvnPDFontType::CIDType0C:
      return "CID Type 0C";
    case TvnPDFontType::CIDType0COT:
      return "CID Type 0C (OT)";
    case TvnPDFontType::CIDType2:
      return "CID TrueType";
    case TvnPDFontType::CIDType2OT:
      return "CID TrueType (OT)";
    default:
      return "unknown";
  }
}

// The text one shown string gives through the font: the ToUnicode text of
// each code, else the code GetNextChar gives (the byte when it gives 0).
inline void AppendShownText(TvnPDFont& AFont, const std::string& ABytes, std::u16string& AText) {
  std::u16string str;
  for (unsigned char c : ABytes) str.push_back(c);
  for (size_t i = 0; i < str.size();) {
    int processed = 0;
    uint32_t code = 0;
    std::string name;
    double dx, dy, ox, oy;
    AFont.GetNextChar(str, i, processed, code, name, dx, dy, ox, oy);
    processed = std::max(processed, 1);
    int64_t raw = 0;
    for (int k = 0; k < processed && i + static_cast<size_t>(k) < str.size(); ++k) raw = raw * 256 + str[i + k];
    std::u16string text = AFont.GetToUnicode() ? AFont.GetToUnicode()->LookupText(raw) : std::u16string();
    if (text.empty()) text.push_back(static_cast<char16_t>(code != 0 ? code : str[i]));
    AText += text;
    i += static_cast<size_t>(processed);
  }
}

}  // namespace vn::pdfdoc::font_test_doc
