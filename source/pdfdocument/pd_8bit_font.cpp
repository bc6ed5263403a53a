#include "pdfdocument/pd_8bit_font.h"

#include <algorithm>

#include "pdfdocument/built_in_fonts.h"
#include "pdfdocument/font_description.h"
#include "pdfdocument/glyph_names.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_numbers_impl.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

std::string TrimFontName(const std::string& AText) {
  const size_t first = AText.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return AText.substr(first, AText.find_last_not_of(' ') - first + 1);
}

bool NameContains(std::string_view AText, std::string_view APart) { return AText.find(APart) != std::string_view::npos; }

// A descriptor's font name cleaned for a face lookup: without ",", "+" and
// "-", and without the first "PS" and the first "MT".
std::string CleanFaceName(const std::string& AName) {
  std::string out;
  for (char c : AName)
    if (c != ',' && c != '+' && c != '-') out += c;
  for (std::string_view part : {std::string_view("PS"), std::string_view("MT")})
    if (const size_t at = out.find(part); at != std::string::npos) out.erase(at, part.size());
  return out;
}

bool IsTrueTypeKind(TvnPDFontType AType) {
  return AType == TvnPDFontType::TrueType || AType == TvnPDFontType::TrueTypeOT;
}

// The standard font that stands in for a font without widths or metrics of
// its own, by its flags and style.
std::string_view StandInFont(bool AFixed, bool ASerif, bool ABold, bool AItalic) {
  static constexpr std::string_view kCourier[] = {"Courier", "Courier-Oblique", "Courier-Bold", "Courier-BoldOblique"};
  static constexpr std::string_view kTimes[] = {"Times-Roman", "Times-Italic", "Times-Bold", "Times-BoldItalic"};
  static constexpr std::string_view kHelvetica[] = {"Helvetica", "Helvetica-Oblique", "Helvetica-Bold",
                                                    "Helvetica-BoldOblique"};
  const size_t face = (ABold ? 2u : 0u) + (AItalic ? 1u : 0u);
  if (AFixed) return kCourier[face];
  if (ASerif) return kTimes[face];
  return kHelvetica[face];
}

}  // namespace

TvnPD8bitFont::TvnPD8bitFont(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                             TvnPDBaseObject* ABaseObject, const std::string& ATag, const std::string& AName,
                             TvnPDFontType AFontType)
    : TvnPDFont(AParentDoc, AParentElement, ABaseObject, ATag, AName), FInitialType(AFontType), FInitialName(AName) {
  FBaseFont = "Arial Unicode MS";
  FFontType = AFontType;
  std::string std_name = TrimFontName(AName);
  if (std::string_view alias, standard; FindStdFontAlias(std_name, alias, standard)) {
    FName = FBaseFont = std::string(alias);
    std_name = std::string(standard);
  }
  std::unique_ptr<TvnBuiltInFont> built_in = TvnBuiltInFont::MakeBuiltInFont(std_name);
  auto take_built_in_metrics = [this, &built_in] {
    FAscent = built_in->Ascent() * 0.001;
    FDescent = built_in->Descent() * 0.001;
    const TvnPDRect& box = built_in->BBox();
    FFontBox = std::make_unique<TvnPDRect>(box.Left() * 0.001, box.Top() * 0.001, box.Right() * 0.001,
                                           box.Bottom() * 0.001);
  };
  if (built_in) {
    take_built_in_metrics();
  } else {
    FAscent = 0.95;
    FDescent = -0.35;
  }
  ReadFontDescriptor(FontDict());

  if (FEmbededFontIndRef < 0 && !FEmbeddedFontName.empty() &&
      (FFontType == TvnPDFontType::TrueType || FEmbeddingType == TvnPDFFontEmbeddingType::etNone)) {
    const std::string cleaned = CleanFaceName(FEmbeddedFontName);
    if (NameContains(cleaned, "Bold")) FIsBold = true;
    if (NameContains(cleaned, "Italic")) FIsItalic = true;
    if (const std::string_view face = StdFontFaceName(cleaned); !face.empty()) FEmbeddedFontName = std::string(face);
  }
  if (built_in && FEmbededFontIndRef >= 0) take_built_in_metrics();
  if (!built_in) {
    FFontMatrix = TvnPDFontMatrix{1, 0, 0, 1, 0, 0};
    TvnPDBaseObject* value = FontDict() ? FontDict()->LookUp("FontMatrix") : nullptr;
    if (const vn::pdf::TvnPDArray* array = value ? value->AsArray() : nullptr; array && array->GetLength() >= 6) {
      TvnPDFontMatrix matrix{};
      bool numbers = true;
      for (int i = 0; i < 6 && numbers; ++i) numbers = PdfNumber(array->Get(i), matrix[static_cast<size_t>(i)]);
      if (numbers) FFontMatrix = matrix;
    }
  }
  if (built_in) FEncodingName = built_in->EncodingName();
  ChooseEncoding(built_in.get());
  if (!IsTrueTypeKind(FFontType)) ApplyDifferences();
  ReadWidths(built_in.get());
  ReadToUnicode(FontDict());
}

std::unique_ptr<TvnPD8bitFont> TvnPD8bitFont::Clone() const {
  return std::make_unique<TvnPD8bitFont>(FParentDoc, FParentElement, FBaseObject, FTag, FInitialName, FInitialType);
}

void TvnPD8bitFont::ChooseEncoding(TvnBuiltInFont* ABuiltIn) {
  bool chosen = false;
  if (NameContains(FName, "ZapfDingbats")) {
    FEncoding = ZapfDingbatsEncoding;
    FHasEncoding = chosen = true;
    FEncodingName = "WinAnsiEncoding";
  }
  TvnPDBaseObject* value = FontDict() ? FontDict()->LookUp("Encoding") : nullptr;
  const TvnPDBaseObject* base = value;
  if (value && value->IsDict()) base = value->AsDict()->LookUp("BaseEncoding");
  if (const vn::pdf::TvnPDName* name = base ? base->AsName() : nullptr) {
    const std::string& encoding = name->GetValue();
    const TvnEncodingArray* table = nullptr;
    if (encoding == "MacRomanEncoding") {
      table = &MacRomanEncoding;
      FUsesMacRomanEnc = true;
    } else if (encoding == "MacExpertEncoding") {
      table = &MacExpertEncoding;
    } else if (encoding == "WinAnsiEncoding") {
      table = &WinAnsiEncoding;
    }
    if (table) {
      FEncoding = *table;
      FEncodingName = encoding;
      FHasEncoding = chosen = true;
    }
  }
  if (chosen) return;
  if (!ABuiltIn || FEmbededFontIndRef >= 0) {
    if (IsTrueTypeKind(FFontType)) {
      FEncoding = WinAnsiEncoding;
      FEncodingName = "WinAnsiEncoding";
    } else if (!IsSymbolic()) {
      FEncoding = StandardEncoding;
      FEncodingName = "StandardEncoding";
    }
  } else {
    FEncoding = ABuiltIn->DefaultBaseEnc();
    FEncodingName = ABuiltIn->EncodingName();
    FHasEncoding = true;
  }
}

void TvnPD8bitFont::ApplyDifferences() {
  TvnPDBaseObject* value = FontDict() ? FontDict()->LookUp("Encoding") : nullptr;
  TvnPDDictionary* encoding = value ? value->AsDict() : nullptr;
  TvnPDBaseObject* differences = encoding ? encoding->LookUp("Differences") : nullptr;
  const vn::pdf::TvnPDArray* array = differences ? differences->AsArray() : nullptr;
  if (!array) return;
  FHasEncoding = FHasDifferences = true;
  FEncodingName = "CustomEncoding";
  int64_t code = 0;
  for (int64_t i = 0; i < array->GetLength(); ++i) {
    const TvnPDBaseObject* element = array->Get(i);
    if (!element) continue;
    if (const auto* number = element->AsInteger()) {
      code = number->GetValue();
    } else if (const auto* name = element->AsName()) {
      if (code >= 0 && code <= 255) {
        FDifferenceNames[static_cast<size_t>(code)] = name->GetValue();
        FEncoding[static_cast<size_t>(code)] = FDifferenceNames[static_cast<size_t>(code)];
      }
      if (code < 256) ++code;
    }
  }
}

void TvnPD8bitFont::ReadWidths(TvnBuiltInFont* ABuiltIn) {
  const double missing = FMissingWidth * 0.001;
  FWidths.fill(missing);
  TvnPDDictionary* dict = FontDict();
  auto code_entry = [dict](std::string_view AKey, int64_t& AValue) {
    const TvnPDBaseObject* value = dict ? dict->LookUp(AKey) : nullptr;
    if (!value || !value->AsInteger()) return false;
    AValue = value->AsInteger()->GetValue();
    return true;
  };
  int64_t first = 0, last = 0;
  if (!code_entry("FirstChar", first) || first < 0 || first > 255) first = 0;
  const bool has_last = code_entry("LastChar", last);
  if (has_last && (last < 0 || last > 255)) last = 255;
  const double factor = FFontType == TvnPDFontType::Type3 ? 1.0 : 0.001;

  TvnPDBaseObject* value = dict ? dict->LookUp("Widths") : nullptr;
  if (const vn::pdf::TvnPDArray* widths = value ? value->AsArray() : nullptr) {
    FFlags |= kFixedPitchFlag;
    const int64_t length = widths->GetLength();
    // Without /LastChar the array itself tells where the codes end.
    if (!has_last) last = std::min<int64_t>(255, first + length - 1);
    if (length < last - first + 1) last = first + length - 1;
    for (int64_t code = first; code <= last; ++code) {
      double width = 0;
      if (!PdfNumber(widths->Get(code - first), width)) continue;
      FWidths[static_cast<size_t>(code)] = width * factor;
      if (FWidths[static_cast<size_t>(code)] != FWidths[static_cast<size_t>(first)]) FFlags &= ~kFixedPitchFlag;
    }
    return;
  }
  std::unique_ptr<TvnBuiltInFont> stand_in;
  if (!ABuiltIn) {
    stand_in = TvnBuiltInFont::MakeBuiltInFont(StandInFont(IsFixedWidth(), IsSerif(), IsBold(), IsItalic()));
    ABuiltIn = stand_in.get();
  }
  for (size_t code = 0; code < 256; ++code) {
    const int width = ABuiltIn->GetWidth(FEncoding[code]);
    if (width >= 0) FWidths[code] = width * 0.001;
  }
}

int TvnPD8bitFont::GetNextChar(std::u16string_view AStr, size_t AIndex, int& AProcessed, uint32_t& ACode,
                               std::string& ACharName, double& ADx, double& ADy, double& AOx, double& AOy) {
  const uint8_t b = AIndex < AStr.size() ? static_cast<uint8_t>(AStr[AIndex] & 0xFF) : 0;
  const std::string_view glyph = FEncoding[b];
  const bool symbol_name = NameContains(FName, "Symbol");
  const bool dingbats = NameContains(FName, "ZapfDingbats");
  ACode = 0;
  ACharName.clear();
  if (FFontType == TvnPDFontType::Type1 || FFontType == TvnPDFontType::Type1C ||
      FFontType == TvnPDFontType::Type1COT) {
    bool by_byte = false;
    if (IsSymbolic() && glyph.empty()) {
      ACode = b;
      by_byte = true;
    } else {
      ACharName = std::string(glyph);
    }
    if (ACode == 0) {
      ACode = symbol_name && !FHasDifferences ? b : GlyphNameToUnicode(glyph, dingbats);
      by_byte = false;
    }
    if (!by_byte && symbol_name && FEmbededFontIndRef < 0) {
      const uint8_t symbol = UnicodeToSymbolCode(static_cast<uint16_t>(ACode & 0xFFFF));
      ACode = symbol != 0 ? symbol : b;
    }
  } else if (FHasEncoding && !IsSymbolic() && !symbol_name) {
    ACode = GlyphNameToUnicode(glyph, dingbats);
  } else {
    ACode = b;
  }
  ADx = FWidths[b];
  ADy = AOx = AOy = 0;
  AProcessed = 1;
  return 1;
}

vn::pdf::TvnPDStream* TvnPD8bitFont::GetCharProc(uint32_t ACode) const {
  if (ACode > 255 || FEncoding[ACode].empty() || !FontDict()) return nullptr;
  TvnPDBaseObject* procs = FontDict()->LookUp("CharProcs");
  TvnPDBaseObject* proc = procs && procs->IsDict() ? procs->AsDict()->LookUp(FEncoding[ACode]) : nullptr;
  return proc ? proc->AsStream() : nullptr;
}

// ---- Fonts made for writing ---------------------------------------------------

namespace {

const char* WrittenEncodingName(TvnFontEncoding AEncoding) {
  switch (AEncoding) {
    case TvnFontEncoding::feMacRomanEncoding:
      return "MacRomanEncoding";
    case TvnFontEncoding::feMacExpertEncoding:
      return "MacExpertEncoding";
    case TvnFontEncoding::feStandardEncoding:
      return "StandardEncoding";
    case TvnFontEncoding::fePDFDocEncoding:
      return "PDFDocEncoding";
    case TvnFontEncoding::feWinAnsiEncoding:
      break;
  }
  return "WinAnsiEncoding";
}

const char* WrittenSubtype(TvnPDFontType AType) {
  switch (AType) {
    case TvnPDFontType::Type1:
      return "Type1";
    case TvnPDFontType::Type1C:
      return "Type1C";
    case TvnPDFontType::Type1COT:
      return "Type1COT";
    case TvnPDFontType::Type3:
      return "Type3";
    case TvnPDFontType::TrueTypeOT:
      return "TrueTypeOT";
    case TvnPDFontType::CIDType0:
      return "CIDFontType0";
    case TvnPDFontType::CIDType0C:
      return "CIDFontType0C";
    case TvnPDFontType::CIDType2:
      return "CIDFontType2";
    default:
      return "TrueType";
  }
}

std::unique_ptr<vn::pdf::TvnPDIndirectRef> ReferenceTo(const TvnPDBaseObject* AObject) {
  return std::make_unique<vn::pdf::TvnPDIndirectRef>(AObject->GetObjNumber(), AObject->GetGenNumber());
}

std::unique_ptr<vn::pdf::TvnPDName> NameObject(std::string_view AName) {
  return std::make_unique<vn::pdf::TvnPDName>(AName);
}

std::unique_ptr<vn::pdf::TvnPDInteger> IntegerObject(int64_t AValue) {
  return std::make_unique<vn::pdf::TvnPDInteger>(AValue);
}

std::unique_ptr<vn::pdf::TvnPDReal> RealObject(double AValue) { return std::make_unique<vn::pdf::TvnPDReal>(AValue); }

}  // namespace

TvnPD8bitFont::TvnPD8bitFont(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                             const TvnFont& AObject)
    : TvnPDFont(AParentDoc, AParentElement, nullptr, std::string(), AObject.name()),
      FInitialType(TvnPDFontType::TrueType),
      FInitialName(AObject.name()),
      FHandler(AParentDoc) {
  FFontType = TvnPDFontType::TrueType;
  if (!AObject.FileName().empty()) {
    vn::TFileStream file(AObject.FileName(), vn::FileMode::fmOpenRead);
    SetEmbeddedFontStream(file);
  } else if (vn::TStream* stream = AObject.Stream()) {
    SetEmbeddedFontStream(*stream);
  }
  FFontEncoding = WrittenEncodingName(AObject.Encoding());
  if (auto built_in = TvnBuiltInFont::MakeBuiltInFont(AObject.name())) {
    FName = built_in->name();
    FFontType = TvnPDFontType::Type1;
    FEncoding = built_in->DefaultBaseEnc();
    const TvnPDRect& box = built_in->BBox();
    FFontBox = std::make_unique<TvnPDRect>(box.Left(), box.Top(), box.Right(), box.Bottom());
    FAscent = built_in->Ascent();
    FDescent = built_in->Descent();
    FFirstCharCode = 32;
    FLastCharCode = 255;
  }
  FInitialType = FFontType;
}

void TvnPD8bitFont::CreateFontDict() {
  if (FBaseObject || !FHandler || !FHandler->BaseDoc()) return;
  auto descriptor = std::make_unique<TvnPDDictionary>(FHandler->BaseDoc());
  descriptor->Add("Type", NameObject("FontDescriptor"));
  descriptor->Add("FontName", NameObject(FName));
  descriptor->Add("Flags", IntegerObject(FFlags));
  auto box = std::make_unique<vn::pdf::TvnPDArray>(FHandler->BaseDoc());
  for (double side : {FFontBox->Left(), FFontBox->Top(), FFontBox->Right(), FFontBox->Bottom()})
    box->Add(RealObject(side));
  descriptor->Add("FontBBox", std::move(box));
  descriptor->Add("ItalicAngle", IntegerObject(FItalicAngle));
  descriptor->Add("Ascent", RealObject(FAscent));
  descriptor->Add("Descent", RealObject(FDescent));
  descriptor->Add("StemV", RealObject(FStemV));
  descriptor->Add("MissingWidth", IntegerObject(FMissingWidth));
  TvnPDDictionary* written_descriptor = FHandler->AddNewObject(std::move(descriptor))->AsDict();
  if (vn::TStream* program = GetEmbeddedFontStream()) EmbedFontFile(*written_descriptor, *program);

  auto font = std::make_unique<TvnPDDictionary>(FHandler->BaseDoc());
  font->Add("Type", NameObject("Font"));
  font->Add("Subtype", NameObject(WrittenSubtype(FFontType)));
  font->Add("Name", NameObject(FTag));
  font->Add("BaseFont", NameObject(FName));
  font->Add("Encoding", NameObject(FFontEncoding));
  font->Add("FirstChar", IntegerObject(FFirstCharCode));
  font->Add("LastChar", IntegerObject(FLastCharCode));
  if (FFontType == TvnPDFontType::TrueType) {
    auto widths = std::make_unique<vn::pdf::TvnPDArray>(FHandler->BaseDoc());
    for (int code = std::max(FFirstCharCode, 0); code <= std::min(FLastCharCode, 255); ++code)
      widths->Add(RealObject(FCharWidths[static_cast<size_t>(code)]));
    font->Add("Widths", std::move(widths));
    font->Add("FontDescriptor", ReferenceTo(written_descriptor));
  }
  FBaseObject = FHandler->AddNewObject(std::move(font));
}

void TvnPD8bitFont::EmbedFontFile(TvnPDDictionary& AFDDict, vn::TStream& AStream) {
  // Only a font made for writing knows the document to add objects to.
  if (!FHandler || !FHandler->BaseDoc()) return;
  std::string data;
  AStream.Seek(0, vn::SeekOrigin::soBeginning);
  char buffer[65536];
  for (int64_t got; (got = AStream.Read(buffer, sizeof buffer)) > 0;) data.append(buffer, static_cast<size_t>(got));
  auto dict = std::make_unique<TvnPDDictionary>(FHandler->BaseDoc());
  dict->Add("Length1", IntegerObject(static_cast<int64_t>(data.size())));
  vn::pdf::TvnPDStream* stream = FHandler->AddNewStream(std::move(dict), data);
  AFDDict.Add("FontFile2", ReferenceTo(stream));
  // The program handed in may be the font's own one.
  if (&AStream != GetEmbeddedFontStream()) SetEmbeddedFontStream(AStream);
}

}  // namespace vn::pdfdoc
