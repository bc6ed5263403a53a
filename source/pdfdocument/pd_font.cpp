#include "pdfdocument/pd_font.h"

#include <filesystem>

#include "pdfdocument/pd_8bit_font.h"
#include "pdfdocument/pd_cid_font.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_numbers_impl.h"
#include "pdfdocument/pdf_stream_bytes_impl.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"

namespace vn::pdfdoc {

using vn::pdf::TvnPDBaseObject;
using vn::pdf::TvnPDDictionary;

namespace {

// A ToUnicode CMap is read up to this many decoded bytes.
constexpr int64_t kMaxToUnicodeSize = int64_t{16} << 20;

// The name a font dictionary entry holds, or empty text.
std::string FontDictName(const TvnPDDictionary* ADict, std::string_view AKey) {
  const TvnPDBaseObject* value = ADict ? ADict->LookUp(AKey) : nullptr;
  const auto* name = value ? value->AsName() : nullptr;
  return name ? name->GetValue() : std::string();
}

// The object number of an entry that is an indirect reference, else -1.
int64_t FontFileRef(const TvnPDDictionary* ADescriptor, std::string_view AKey) {
  const TvnPDBaseObject* value = ADescriptor->LookupRefObj(AKey);
  return value && value->IsIndirectRef() ? value->GetObjNumber() : -1;
}

// The kind an /OpenType program makes of the kind the font had.
TvnPDFontType OpenTypeKind(TvnPDFontType AType) {
  switch (AType) {
    case TvnPDFontType::TrueType:
      return TvnPDFontType::TrueTypeOT;
    case TvnPDFontType::Type1:
      return TvnPDFontType::Type1COT;
    case TvnPDFontType::CIDType0:
      return TvnPDFontType::CIDType0COT;
    case TvnPDFontType::CIDType2:
      return TvnPDFontType::CIDType2OT;
    default:
      return AType;
  }
}

}  // namespace

std::unique_ptr<TvnPDFont> TvnPDFont::MakeFont(vn::pdf::TvnPDDocumentIntf* AParentDoc,
                                               vn::pdf::TvnPDElement* AResource, const std::string& ATag,
                                               TvnPDBaseObject* AFontDict, const std::string& ACMapPath) {
  TvnPDDictionary* dict = AFontDict ? AFontDict->AsDict() : nullptr;
  if (!dict || !dict->LookUp("Subtype")) return nullptr;
  const std::string subtype = FontDictName(dict, "Subtype");
  const std::string name = FontDictName(dict, "BaseFont");
  if (subtype == "Type0") return std::make_unique<TvnPDCIDFont>(AParentDoc, AResource, AFontDict, ATag, name, ACMapPath);
  TvnPDFontType type = TvnPDFontType::UnknowType;
  if (subtype == "Type1" || subtype == "MMType1")
    type = TvnPDFontType::Type1;
  else if (subtype == "Type1C")
    type = TvnPDFontType::Type1C;
  else if (subtype == "Type3")
    type = TvnPDFontType::Type3;
  else if (subtype == "TrueType")
    type = TvnPDFontType::TrueType;
  return std::make_unique<TvnPD8bitFont>(AParentDoc, AResource, AFontDict, ATag, name, type);
}

TvnPDFont::TvnPDFont(vn::pdf::TvnPDDocumentIntf* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                     TvnPDBaseObject* ABaseObject, const std::string& ATag, const std::string& AName)
    : TvnPDElement(ABaseObject, AParentDoc, AParentElement),
      FTag(ATag),
      FFontBox(std::make_unique<TvnPDRect>()),
      FOrginalName(AName),
      FName(AName) {}

TvnPDFont::~TvnPDFont() = default;

void TvnPDFont::ReadFontDescriptor(TvnPDDictionary* AFontDict) {
  FFlags = kSerifFlag;
  FMissingWidth = 0;
  const std::string base_font = FontDictName(AFontDict, "BaseFont");
  const bool subset = base_font.find('+') == 6;
  TvnPDBaseObject* value = AFontDict ? AFontDict->LookUp("FontDescriptor") : nullptr;
  TvnPDDictionary* descriptor = value ? value->AsDict() : nullptr;
  if (!descriptor) return;

  if (const TvnPDBaseObject* flags = descriptor->LookUp("Flags"); flags && flags->AsInteger())
    FFlags = static_cast<int32_t>(flags->AsInteger()->GetValue());
  if (const std::string font_name = FontDictName(descriptor, "FontName"); !font_name.empty())
    FEmbeddedFontName = font_name;

  const bool has_file = descriptor->LookupRefObj("FontFile") || descriptor->LookupRefObj("FontFile2") ||
                        descriptor->LookupRefObj("FontFile3");
  if (const int64_t ref = FontFileRef(descriptor, "FontFile"); ref >= 0) {
    FEmbededFontIndRef = ref;
    FFontType = TvnPDFontType::Type1;
  }
  if (FEmbededFontIndRef < 0) {
    if (const int64_t ref = FontFileRef(descriptor, "FontFile2"); ref >= 0) {
      FEmbededFontIndRef = ref;
      if (FFontType == TvnPDFontType::CIDType0)
        FFontType = TvnPDFontType::CIDType2;
      else if (FFontType != TvnPDFontType::CIDType2)
        FFontType = TvnPDFontType::TrueType;
    }
  }
  if (FEmbededFontIndRef < 0) {
    const int64_t ref = FontFileRef(descriptor, "FontFile3");
    const TvnPDBaseObject* file = ref >= 0 ? descriptor->LookUp("FontFile3") : nullptr;
    const vn::pdf::TvnPDStream* stream = file ? file->AsStream() : nullptr;
    const std::string subtype = stream ? FontDictName(stream->GetDict(), "Subtype") : std::string();
    bool known = true;
    if (subtype == "Type1")
      FFontType = TvnPDFontType::Type1;
    else if (subtype == "Type1C")
      FFontType = TvnPDFontType::Type1C;
    else if (subtype == "TrueType")
      FFontType = TvnPDFontType::TrueType;
    else if (subtype == "CIDFontType0C")
      FFontType = TvnPDFontType::CIDType0C;
    else if (subtype == "OpenType")
      FFontType = OpenTypeKind(FFontType);
    else
      known = false;
    if (known) FEmbededFontIndRef = ref;
  }
  FEmbeddingType = !has_file ? TvnPDFFontEmbeddingType::etNone
                   : subset  ? TvnPDFFontEmbeddingType::etSubset
                             : TvnPDFFontEmbeddingType::etFull;

  double number = 0;
  if (PdfNumber(descriptor->LookUp("MissingWidth"), number)) FMissingWidth = vn::RoundToInt(number);
  if (PdfNumber(descriptor->LookUp("Ascent"), number) && number * 0.001 != 0) FAscent = number * 0.001;
  if (PdfNumber(descriptor->LookUp("Descent"), number) && number * 0.001 != 0)
    FDescent = number > 0 ? -number * 0.001 : number * 0.001;
  // The box, like every other metric, per unit of font size.
  if (TvnPDBaseObject* box = descriptor->LookUp("FontBBox"); box && box->IsArray()) {
    TvnPDRect read(box->AsArray());
    FFontBox = std::make_unique<TvnPDRect>(read.Left() * 0.001, read.Top() * 0.001, read.Right() * 0.001,
                                           read.Bottom() * 0.001);
  }
}

void TvnPDFont::ReadToUnicode(TvnPDDictionary* AFontDict) {
  TvnPDBaseObject* value = AFontDict ? AFontDict->LookUp("ToUnicode") : nullptr;
  vn::pdf::TvnPDStream* stream = value ? value->AsStream() : nullptr;
  if (!stream) return;
  std::shared_ptr<vn::TStream> bytes = ReadDecodedStream(stream, kMaxToUnicodeSize);
  if (!bytes) return;
  vn::pdf::Ref<vn::pdf::TvnStream> window = vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(bytes, 0, 0, false);
  // A ToUnicode map may include a predefined one ("/Adobe-Korea1-UCS2
  // usecmap"), read from the document's CMap folder.
  const auto* handler = dynamic_cast<const TvnPDFDocumentHandler*>(FParentDoc);
  FToUnicode = std::make_unique<TvnPDCMapParser>(
      window.get(), handler ? handler->CMapPath() : std::string(TvnPDCMap::kDefaultCMapPath));
}

vn::TStream* TvnPDFont::GetEmbeddedFontStream() {
  if (FEmbeddedFontStream || FEmbeddedFontRead) return FEmbeddedFontStream.get();
  FEmbeddedFontRead = true;
  if (FEmbededFontIndRef < 0 || !FParentDoc) return nullptr;
  TvnPDBaseObject* object = FParentDoc->GetObject(FEmbededFontIndRef);
  vn::pdf::TvnPDStream* stream = object ? object->AsStream() : nullptr;
  if (!stream) return nullptr;
  FEmbeddedFontStream = ReadDecodedStream(stream, kMaxFontProgramSize);
  try {
    stream->Close();
  } catch (const vn::Exception&) {
  }
  return FEmbeddedFontStream.get();
}

void TvnPDFont::SetEmbeddedFontStream(vn::TStream& AValue) {
  if (!FEmbeddedFontStream) FEmbeddedFontStream = std::make_unique<vn::TMemoryStream>();
  FEmbeddedFontStream->Clear();
  AValue.Seek(0, vn::SeekOrigin::soBeginning);
  FEmbeddedFontStream->LoadFromStream(AValue);
  FEmbeddedFontStream->Seek(0, vn::SeekOrigin::soBeginning);
  FEmbeddedFontRead = true;
  FFontProcObj.reset();
  FFontProgramRead = false;
}

vn::TStream* TvnPDFont::GetExtFontStream() {
  if (FExtFontStream || FExtFontName.empty()) return FExtFontStream.get();
  std::error_code error;
  const std::filesystem::path path(FExtFontName);
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  try {
    FExtFontStream = std::make_unique<vn::TFileStream>(path, vn::FileMode::fmOpenRead);
  } catch (const vn::Exception&) {
    return nullptr;
  }
  return FExtFontStream.get();
}

vn::fonts::TvnFontEngine* TvnPDFont::GetFontProgram() {
  if (FFontProgramRead) return FFontProcObj.get();
  FFontProgramRead = true;
  vn::TStream* program = GetEmbeddedFontStream();
  if (!program) return nullptr;
  program->Seek(0, vn::SeekOrigin::soBeginning);
  auto engine = std::make_unique<vn::fonts::TvnFontEngine>(*program, 12, 96, 96);
  if (engine->Font()) FFontProcObj = std::move(engine);
  return FFontProcObj.get();
}

TvnPDDictionary* TvnPDFont::GetResourcesDict() const {
  TvnPDDictionary* dict = FontDict();
  TvnPDBaseObject* value = dict ? dict->LookUp("Resources") : nullptr;
  return value ? value->AsDict() : nullptr;
}

}  // namespace vn::pdfdoc
