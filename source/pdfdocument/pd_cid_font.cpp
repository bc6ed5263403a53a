#include "pdfdocument/pd_cid_font.h"

#include <algorithm>

#include "pdf/text.h"
#include "pdfdocument/pdf_numbers_impl.h"
#include "pdfdocument/pdf_stream_bytes_impl.h"
#include "runtime/codepages.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDArray;
using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

// CIDs are 16-bit: a CIDToGIDMap holds at most this many glyph numbers.
constexpr int64_t kMaxCIDToGIDEntries = 65536;

// The 8-bit text of a CIDSystemInfo string; false when it is not a string.
bool CollectionText(const TvnPDBaseObject* AValue, std::string& AText) {
  const vn::pdf::TvnPDString* string = AValue ? AValue->AsString() : nullptr;
  if (!string) return false;
  AText = string->IsHexString() ? vn::StringToAnsi(vn::pdf::HexUTF16TextToWide(string->GetValue()))
                                : string->GetValue();
  return true;
}

bool WidthsIntegerAt(const TvnPDArray* AArray, int64_t AIndex, int64_t& AValue) {
  const TvnPDBaseObject* element = AArray->Get(AIndex);
  if (!element || !element->AsInteger()) return false;
  AValue = element->AsInteger()->GetValue();
  return true;
}

double WidthsNumberAt(const TvnPDArray* AArray, int64_t AIndex, bool& AOk) {
  double value = 0;
  AOk = PdfNumber(AArray->Get(AIndex), value);
  return value;
}

TvnPDArray* CIDArrayEntry(const TvnPDDictionary* ADict, std::string_view AKey) {
  TvnPDBaseObject* value = ADict->LookUp(AKey);
  return value ? value->AsArray() : nullptr;
}

}  // namespace

TvnPDCIDFont::TvnPDCIDFont(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                           TvnPDBaseObject* ABaseObject, const std::string& ATag, const std::string& AName,
                           const std::string& ACMapPath)
    : TvnPDFont(AParentDoc, AParentElement, ABaseObject, ATag, AName) {
  FAscent = 0.95;
  FDescent = -0.35;
  TvnPDDictionary* dict = FontDict();
  TvnPDArray* descendants = dict ? CIDArrayEntry(dict, "DescendantFonts") : nullptr;
  TvnPDBaseObject* first = descendants ? descendants->Get(0) : nullptr;
  TvnPDDictionary* descendant = first ? first->AsDict() : nullptr;
  if (!descendant || !ReadDescendant(descendant, ACMapPath)) return;
  ReadWidths(descendant);
  ReadVerticalWidths(descendant);
  ReadCIDToGID(descendant);
  ReadToUnicode(dict);
}

bool TvnPDCIDFont::ReadDescendant(TvnPDDictionary* ADescendant, const std::string& ACMapPath) {
  const TvnPDBaseObject* subtype = ADescendant->LookUp("Subtype");
  if (subtype && subtype->IsName("CIDFontType0"))
    FFontType = TvnPDFontType::CIDType0;
  else if (subtype && subtype->IsName("CIDFontType2"))
    FFontType = TvnPDFontType::CIDType2;
  else
    return false;
  ReadFontDescriptor(ADescendant);

  const TvnPDBaseObject* info_value = ADescendant->LookUp("CIDSystemInfo");
  const TvnPDDictionary* info = info_value ? info_value->AsDict() : nullptr;
  std::string registry, ordering;
  const TvnPDBaseObject* supplement = info ? info->LookUp("Supplement") : nullptr;
  if (!info || !CollectionText(info->LookUp("Registry"), registry) ||
      !CollectionText(info->LookUp("Ordering"), ordering) || !supplement || !supplement->AsInteger())
    return false;
  FCollection = registry + "-" + ordering + "-UCS2";

  TvnPDBaseObject* encoding = FontDict()->LookUp("Encoding");
  if (vn::pdf::TvnPDStream* stream = encoding ? encoding->AsStream() : nullptr) {
    FEncodingName = "Custom";
    FCMap = TvnPDCMap::MakeCMapFromStream(stream, FCollection, "Custom", ACMapPath);
  } else if (const vn::pdf::TvnPDName* name = encoding ? encoding->AsName() : nullptr) {
    FEncodingName = name->GetValue();
    FCMap = TvnPDCMap::MakeCMap(FCollection, FEncodingName, ACMapPath);
  }
  return FCMap != nullptr;
}

// /DW and /W give horizontal advances only: the vertical metrics of /DW2
// and /W2 have another shape and meaning.
void TvnPDCIDFont::ReadWidths(TvnPDDictionary* ADescendant) {
  if (const TvnPDBaseObject* dw = ADescendant->LookUp("DW"); dw && dw->AsInteger())
    FWidths.DefWidth = static_cast<double>(dw->AsInteger()->GetValue()) * 0.001;
  const TvnPDArray* w = CIDArrayEntry(ADescendant, "W");
  if (!w) return;
  const int64_t length = w->GetLength();
  for (int64_t i = 0; i < length;) {
    int64_t first = 0, last = 0;
    const bool first_int = WidthsIntegerAt(w, i, first);
    const TvnPDBaseObject* second = w->Get(i + 1);
    if (first_int && second && second->AsInteger() && i + 2 < length) {
      last = second->AsInteger()->GetValue();
      bool ok = false;
      const double width = WidthsNumberAt(w, i + 2, ok);
      if (ok)
        FWidths.Exceps.push_back(
            {static_cast<uint16_t>(first & 0xFFFF), static_cast<uint16_t>(last & 0xFFFF), width * 0.001});
      i += 3;
    } else if (first_int && second && second->AsArray()) {
      const TvnPDArray* widths = second->AsArray();
      int64_t code = first;
      for (int64_t j = 0; j < widths->GetLength(); ++j) {
        bool ok = false;
        const double width = WidthsNumberAt(widths, j, ok);
        if (!ok) continue;
        const auto cid = static_cast<uint16_t>(code & 0xFFFF);
        FWidths.Exceps.push_back({cid, cid, width * 0.001});
        ++code;
      }
      i += 2;
    } else {
      ++i;
    }
  }
}

// /DW2 [vy w1y] and /W2 (c [w1y vx vy ...] or c1 c2 w1y vx vy).
void TvnPDCIDFont::ReadVerticalWidths(TvnPDDictionary* ADescendant) {
  if (const TvnPDArray* dw2 = CIDArrayEntry(ADescendant, "DW2"); dw2 && dw2->GetLength() >= 2) {
    bool vy_ok = false, h_ok = false;
    const double vy = WidthsNumberAt(dw2, 0, vy_ok);
    const double height = WidthsNumberAt(dw2, 1, h_ok);
    if (vy_ok && h_ok) {
      FWidths.DefVY = vy * 0.001;
      FWidths.DefHeight = height * 0.001;
    }
  }
  const TvnPDArray* w2 = CIDArrayEntry(ADescendant, "W2");
  if (!w2) return;
  const int64_t length = w2->GetLength();
  for (int64_t i = 0; i < length;) {
    int64_t first = 0, last = 0;
    const bool first_int = WidthsIntegerAt(w2, i, first);
    const TvnPDBaseObject* second = w2->Get(i + 1);
    if (first_int && second && second->AsInteger() && i + 4 < length) {
      last = second->AsInteger()->GetValue();
      bool ok1 = false, ok2 = false, ok3 = false;
      const double height = WidthsNumberAt(w2, i + 2, ok1), vx = WidthsNumberAt(w2, i + 3, ok2), vy = WidthsNumberAt(w2, i + 4, ok3);
      if (ok1 && ok2 && ok3)
        FWidths.ExcepsV.push_back({static_cast<uint16_t>(first & 0xFFFF), static_cast<uint16_t>(last & 0xFFFF),
                                   height * 0.001, vx * 0.001, vy * 0.001});
      i += 5;
    } else if (first_int && second && second->AsArray()) {
      const TvnPDArray* metrics = second->AsArray();
      int64_t code = first;
      for (int64_t j = 0; j + 2 < metrics->GetLength(); j += 3) {
        bool ok1 = false, ok2 = false, ok3 = false;
        const double height = WidthsNumberAt(metrics, j, ok1), vx = WidthsNumberAt(metrics, j + 1, ok2),
                     vy = WidthsNumberAt(metrics, j + 2, ok3);
        if (ok1 && ok2 && ok3) {
          const auto cid = static_cast<uint16_t>(code & 0xFFFF);
          FWidths.ExcepsV.push_back({cid, cid, height * 0.001, vx * 0.001, vy * 0.001});
        }
        ++code;
      }
      i += 2;
    } else {
      ++i;
    }
  }
}

void TvnPDCIDFont::ReadCIDToGID(TvnPDDictionary* ADescendant) {
  TvnPDBaseObject* value = ADescendant->LookUp("CIDToGIDMap");
  vn::pdf::TvnPDStream* stream = value ? value->AsStream() : nullptr;
  if (!stream) return;
  std::unique_ptr<vn::TMemoryStream> bytes = ReadDecodedStream(stream, 2 * kMaxCIDToGIDEntries);
  if (!bytes || bytes->GetSize() < 2) return;
  const std::vector<uint8_t>& data = bytes->Bytes();
  FCIDToGID.emplace();
  FCIDToGID->reserve(data.size() / 2);
  for (size_t i = 0; i + 1 < data.size(); i += 2)
    FCIDToGID->push_back(static_cast<uint16_t>((data[i] << 8) | data[i + 1]));
}

TvnWritingMode TvnPDCIDFont::WritingMode() const {
  return FCMap ? FCMap->WMode() : TvnWritingMode::wmHorizontal;
}

double TvnPDCIDFont::HorizontalWidth(uint32_t ACID) const {
  for (const TCIDWidthExcep& e : FWidths.Exceps)
    if (e.First <= ACID && ACID <= e.Last) return e.Width;
  return FWidths.DefWidth;
}

double TvnPDCIDFont::VerticalAdvance(uint32_t ACID) const {
  for (const TCIDWidthExcepV& e : FWidths.ExcepsV)
    if (e.First <= ACID && ACID <= e.Last) return e.Height;
  return FWidths.DefHeight;
}

void TvnPDCIDFont::VerticalOrigin(uint32_t ACID, double& AVx, double& AVy) const {
  for (const TCIDWidthExcepV& e : FWidths.ExcepsV)
    if (e.First <= ACID && ACID <= e.Last) {
      AVx = e.Vx;
      AVy = e.Vy;
      return;
    }
  AVx = HorizontalWidth(ACID) / 2;
  AVy = FWidths.DefVY;
}

double TvnPDCIDFont::GetCharWidth(uint32_t ACharCode) const {
  if (!FCMap || FCMap->WMode() != TvnWritingMode::wmHorizontal) return 0;
  return HorizontalWidth(ACharCode);
}

int TvnPDCIDFont::GetNextChar(std::u16string_view AStr, size_t AIndex, int& AProcessed, uint32_t& ACode,
                              std::string& ACharName, double& ADx, double& ADy, double& AOx, double& AOy) {
  ACharName.clear();
  AOx = AOy = 0;
  if (!FCMap) {
    ACode = 0;
    ADx = ADy = 0;
    AProcessed = 1;
    return 0;
  }
  const bool embedded = GetEmbeddedFontStream() != nullptr;
  // The CID itself first: the advances belong to it, not to the Unicode
  // value a collection's Unicode map makes of it.
  const uint16_t cid = FCMap->GetCID(AStr, AIndex, AProcessed, true);
  ACode = cid;
  if (!embedded && FCMap->UCSParser()) ACode = static_cast<uint16_t>(FCMap->UCSParser()->Lookup(cid) & 0xFFFF);
  if (FCMap->WMode() == TvnWritingMode::wmHorizontal) {
    ADx = HorizontalWidth(cid);
    ADy = 0;
  } else {
    ADx = 0;
    ADy = VerticalAdvance(cid);
    VerticalOrigin(cid, AOx, AOy);
  }
  if ((FFontType == TvnPDFontType::CIDType2) && FCIDToGID) {
    // A CID the map does not reach has no glyph of its own: glyph 0.
    ACode = cid < FCIDToGID->size() ? (*FCIDToGID)[cid] : 0;
  } else if (!embedded && FToUnicode) {
    // The ToUnicode map is keyed by the character code as shown.
    int64_t code = 0;
    const size_t end = std::min(AStr.size(), AIndex + static_cast<size_t>(AProcessed > 0 ? AProcessed : 1));
    if (end - AIndex == 1)
      code = AStr[AIndex];
    else
      for (size_t i = AIndex; i < end; ++i) code = code * 256 + (AStr[i] & 0xFF);
    if (const int32_t unicode = FToUnicode->Lookup(code); unicode >= 0) ACode = static_cast<uint32_t>(unicode);
  }
  return 1;
}

}  // namespace vn::pdfdoc
