#include "pdfdocument/cmap.h"

#include <algorithm>
#include <numeric>

#include "pdfdocument/pdf_stream_bytes_impl.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace vn::pdfdoc {

using vn::pdf::Ref;
using vn::pdf::TvnStream;

namespace {

bool IsIdentityCMapName(const std::string& AName) {
  return AName == "Identity" || AName == "Identity-H" || AName == "Identity-V";
}

// Capital hexadecimal with at least four digits.
std::string ToUnicodeHex(uint32_t AValue) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[AValue & 0xF]);
    AValue >>= 4;
  } while (AValue != 0);
  if (out.size() < 4) out.insert(0, 4 - out.size(), '0');
  return out;
}

// An embedded CMap is read up to this many decoded bytes (real ones are a
// few hundred kilobytes at most).
constexpr int64_t kMaxEmbeddedCMapSize = int64_t{32} << 20;

}  // namespace

std::unique_ptr<TvnPDCMap> TvnPDCMap::MakeCMap(const std::string& aCollection, const std::string& acMapName,
                                               const std::string& acMapPath) {
  const std::string name = acMapName == "IdentityH" ? std::string("Identity-H") : acMapName;
  if (!IsSafeCMapFileName(name)) return nullptr;
  std::unique_ptr<TvnPDCMap> cmap(new TvnPDCMap());
  cmap->FcMapName = name;
  cmap->FCollection = aCollection;
  if (!IsIdentityCMapName(name)) {
    Ref<TvnStream> stream = OpenCMapResource(acMapPath, name);
    if (!stream) return nullptr;
    cmap->FCMapStream = stream;
    cmap->FCMapParser = std::make_unique<TvnPDCMapParser>(stream.get(), acMapPath);
    cmap->FWMode = cmap->FCMapParser->WMode() == 1 ? TvnWritingMode::wmVertical : TvnWritingMode::wmHorizontal;
    const std::string ucs = cmap->FCMapParser->Registry() + "-" + cmap->FCMapParser->Ordering() + "-UCS2";
    if (IsSafeCMapFileName(ucs)) {
      if (Ref<TvnStream> ucs_stream = OpenCMapResource(acMapPath, ucs)) {
        cmap->FUCSStream = ucs_stream;
        cmap->FUCSParser = std::make_unique<TvnPDCMapParser>(ucs_stream.get(), acMapPath);
      }
    }
    return cmap;
  }
  cmap->FWMode = name == "Identity-V" ? TvnWritingMode::wmVertical : TvnWritingMode::wmHorizontal;
  // An Identity CMap passes CIDs through; the Unicode map of the font's
  // collection, named by aCollection, turns them into text.
  if (!aCollection.empty() && IsSafeCMapFileName(aCollection)) {
    if (Ref<TvnStream> ucs_stream = OpenCMapResource(acMapPath, aCollection)) {
      cmap->FUCSStream = ucs_stream;
      cmap->FUCSParser = std::make_unique<TvnPDCMapParser>(ucs_stream.get(), acMapPath);
    }
  }
  return cmap;
}

std::unique_ptr<TvnPDCMap> TvnPDCMap::MakeCMapFromStream(vn::pdf::TvnPDStream* AStream,
                                                         const std::string& aCollection,
                                                         const std::string& acMapName, const std::string& acMapPath) {
  if (!AStream || !AStream->GetStream()) return nullptr;
  std::unique_ptr<TvnPDCMap> cmap(new TvnPDCMap());
  cmap->FcMapName = acMapName;
  cmap->FCollection = aCollection;
  std::shared_ptr<vn::TStream> mem = ReadDecodedStream(AStream, kMaxEmbeddedCMapSize);
  cmap->FCMapStream = vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(mem, 0, 0, false);
  cmap->FCMapParser = std::make_unique<TvnPDCMapParser>(cmap->FCMapStream.get(), acMapPath);
  cmap->FWMode = cmap->FCMapParser->WMode() == 1 ? TvnWritingMode::wmVertical : TvnWritingMode::wmHorizontal;
  return cmap;
}

uint16_t TvnPDCMap::GetCID(std::u16string_view AStr, size_t AIndex, int& AProcessed, bool AIsEmbeded) const {
  AProcessed = 1;
  if (AIndex >= AStr.size()) return 0xFFFF;
  int64_t value;
  if (FCMapParser) {
    int64_t code = AStr[AIndex];
    if (code <= 0xFF) {
      uint8_t bytes[4];
      size_t count = 0;
      while (count < 4 && AIndex + count < AStr.size() && AStr[AIndex + count] <= 0xFF)
        bytes[count] = static_cast<uint8_t>(AStr[AIndex + count]), ++count;
      const int length = FCMapParser->CodeLength(bytes, count);
      if (length > 1) {
        code = 0;
        for (int i = 0; i < length; ++i) code = code * 256 + bytes[i];
        AProcessed = length;
      }
    }
    // Single codes (cidchar) count as much as ranges: the Unicode CMaps
    // give many characters that way.
    value = FCMapParser->Lookup(code);
    if (value < 0) value = 0xFFFF;
  } else {
    AProcessed = 2;
    if (AIndex + 1 < AStr.size())
      value = (AStr[AIndex] & 0xFF) * 256 + (AStr[AIndex + 1] & 0xFF);
    else
      value = AStr[AIndex];
  }
  if (!AIsEmbeded && FUCSParser) value = FUCSParser->Lookup(value);
  return static_cast<uint16_t>(value & 0xFFFF);
}

std::string ToUnicodeCMapText(std::vector<int>& AGlyphs, std::vector<std::u16string>& AUnicodes,
                              std::vector<int>* AWidths) {
  if (AGlyphs.empty()) return " ";
  AUnicodes.resize(AGlyphs.size());
  std::vector<size_t> order(AGlyphs.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return AGlyphs[a] < AGlyphs[b]; });
  auto permute = [&order](auto& list) {
    auto copy = list;
    for (size_t i = 0; i < order.size() && i < list.size(); ++i) list[i] = copy[order[i]];
  };
  permute(AGlyphs);
  permute(AUnicodes);
  if (AWidths && AWidths->size() >= AGlyphs.size()) permute(*AWidths);

  auto glyph_hex = [](int g) { return ToUnicodeHex(static_cast<uint32_t>(g)); };
  std::string t;
  t += "/CIDInit /ProcSet findresource begin\r\n";
  t += "12 dict begin\r\n";
  t += "begincmap\r\n";
  t += "/CIDSystemInfo <</Registry (Adobe)/Ordering (UCS)/Supplement 0>> def\r\n";
  t += "/CMapName /Adobe-Identity-UCS def\r\n";
  t += "/CMapType 2 def\r\n";
  t += "1 begincodespacerange\r\n";
  t += "<" + glyph_hex(AGlyphs.front()) + "><" + glyph_hex(AGlyphs.back()) + ">\r\n";
  t += "endcodespacerange\r\n";
  t += std::to_string(AGlyphs.size()) + " beginbfrange\r\n";
  for (size_t i = 0; i < AGlyphs.size(); ++i) {
    std::string unicode;
    for (char16_t unit : AUnicodes[i]) unicode += ToUnicodeHex(unit);
    if (unicode.empty()) unicode = "0000";
    t += "<" + glyph_hex(AGlyphs[i]) + "><" + glyph_hex(AGlyphs[i]) + "><" + unicode + ">\r\n";
  }
  t += "endbfrange\r\n";
  t += "endcmap\r\n";
  t += "CMapName currentdict /CMap defineresource pop\r\n";
  t += "end end\r\n";
  return t;
}

void WriteToUnicodeCMap(vn::pdf::TvnPDStream& AStream, std::vector<int>& AGlyphs,
                        std::vector<std::u16string>& AUnicodes, std::vector<int>* AWidths) {
  const std::string text = ToUnicodeCMapText(AGlyphs, AUnicodes, AWidths);
  AStream.Write(text);
  const int64_t size = AStream.GetStream() ? AStream.GetStream()->GetSize() : static_cast<int64_t>(text.size());
  AStream.GetDict()->SetKeyValue("Length", std::make_unique<vn::pdf::TvnPDInteger>(size));
}

}  // namespace vn::pdfdoc
