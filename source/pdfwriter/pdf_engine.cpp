// File structure of the PDF engine: the document and page hooks, the
// object writer, the cross-reference table and the trailer.
#include "pdfwriter/pdf_engine.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pdfwriter/pdf_doc_features_impl.h"
#include "pdfwriter/pdf_font.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "runtime/numbers.h"

namespace vn::pdfwriter {

namespace {

// Coordinates beyond this are clamped: no reader needs more, and the fixed
// notation stays short.
constexpr double kNumberLimit = 1e12;

}  // namespace

TvnCustomPDFEngine::TvnCustomPDFEngine(TvnBaseComponent* AOwner)
    : TvnCustomPlainSheetEngine(AOwner), FFeatures(std::make_unique<TvnPDFDocumentFeatures>()) {
  InstallPreferences(NewPreferences());
  SetFileExtension(u"pdf");
  SetFileDescription(u"Adobe PDF Files");
  vn::framework::ScreenPixelsPerPoint = vn::framework::ScreenPixelsPerInch / 72.0;
  FPixelToPointMultiplier = 72.0 / vn::framework::ScreenPixelsPerInch;
  using vn::exporter::TvnCapabilityKind;
  FCapabilities = {TvnCapabilityKind::ckText,         TvnCapabilityKind::ckImage,      TvnCapabilityKind::ckShape,
                   TvnCapabilityKind::ckImageStretch, TvnCapabilityKind::ckImageFrame, TvnCapabilityKind::ckInputRes,
                   TvnCapabilityKind::ckImageReusable};
}

TvnCustomPDFEngine::~TvnCustomPDFEngine() = default;

void TvnCustomPDFEngine::SetCompression(std::unique_ptr<TvnCompression> value) {
  if (value) FCompression = std::move(value);
}

void TvnCustomPDFEngine::SetViewerPreferences(std::unique_ptr<TvnViewerPreferences> value) {
  if (value) FViewerPreferences = std::move(value);
}

void TvnCustomPDFEngine::SetEncryption(std::unique_ptr<TvnPDFEncryptionSettings> value) {
  if (value) FEncryption = std::move(value);
}

void TvnCustomPDFEngine::SetSignatureRect(const TvnRect& rect, int32_t page_number) {
  FRect = rect;
  FSigPageNumber = page_number;
}

bool TvnCustomPDFEngine::IsImageFormatSupported(vn::exporter::TvnOutputImageFormat format, String& message) {
  using vn::exporter::TvnOutputImageFormat;
  switch (format) {
    case TvnOutputImageFormat::ifBMP:
    case TvnOutputImageFormat::ifJPEG:
    case TvnOutputImageFormat::ifCCITT3:
    case TvnOutputImageFormat::ifCCITT4: return true;
    default: break;
  }
  message = u"The PDF Engine does not support image format";
  return false;
}

// ---- the object writer

std::string TvnCustomPDFEngine::ObjectHeader(int32_t n) { return std::to_string(n) + " 0 obj"; }

std::string TvnCustomPDFEngine::ObjectRef(int32_t n) { return std::to_string(n) + " 0 R"; }

void TvnCustomPDFEngine::AddXRef(int64_t offset, int32_t n) {
  if (n <= 0) return;
  if (FXRefTable.size() <= static_cast<size_t>(n)) FXRefTable.resize(static_cast<size_t>(n) + 1, -1);
  FXRefTable[static_cast<size_t>(n)] = offset;
}

void TvnCustomPDFEngine::WriteRaw(std::string_view bytes) {
  if (!bytes.empty()) FOutputStream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

int64_t TvnCustomPDFEngine::OutputOffset() { return FOutputStream->Position() - FOutputStart; }

void TvnCustomPDFEngine::WriteObject(const std::string& body, int32_t n, bool complete) {
  AddXRef(OutputOffset(), n);
  std::string text = ObjectHeader(n) + kCRLF;
  if (body.find(kCRLF) != std::string::npos)
    text += "<<" + std::string(kCRLF) + body + ">>";
  else
    text += body;
  text += kCRLF;
  if (complete) text += "endobj" + std::string(kCRLF);
  WriteRaw(text);
}

std::string TvnCustomPDFEngine::FlateFilterEntry() const { return FCompression->Enabled ? "/Filter/FlateDecode" : ""; }

int64_t TvnCustomPDFEngine::WriteStreamObject(int32_t n, const std::string& dictionary, std::string_view data) {
  // A stream's dictionary is always written between "<<" and ">>".
  WriteObject(dictionary.find(kCRLF) == std::string::npos ? dictionary + kCRLF : dictionary, n, false);
  std::string encoded;
  CompressStream(data, encoded, FCompression->Level, FCompression->Enabled);
  EncryptObjectStream(encoded, n, 0);
  WriteRaw("stream" + std::string(kCRLF));
  WriteRaw(encoded);
  WriteRaw(std::string(kCRLF) + "endstream" + kCRLF + "endobj" + kCRLF);
  return static_cast<int64_t>(encoded.size());
}

std::string TvnCustomPDFEngine::FormatXRefEntry(int64_t offset, int32_t generation, const char* kind) {
  char line[48];
  std::snprintf(line, sizeof line, "%.10lld %.5d %s", static_cast<long long>(offset), generation, kind);
  return line;
}

std::string TvnCustomPDFEngine::FormatNumber(double x) {
  if (!std::isfinite(x)) x = 0;
  x = std::clamp(x, -kNumberLimit, kNumberLimit);
  return vn::FloatToStrFA(x, vn::TFloatFormat::ffFixed, 18, 4);
}

int64_t TvnCustomPDFEngine::CompressStream(std::string_view source, std::string& destination, TvnCompressionLevel level,
                                           bool enabled) {
  if (!enabled) {
    destination.append(source);
    return static_cast<int64_t>(source.size());
  }
  TvnCompression settings;
  settings.Level = level;
  z_stream z{};
  if (deflateInit(&z, settings.ZLibLevel()) != Z_OK) throw vn::EWriteError("Stream write error");
  const size_t start = destination.size();
  destination.resize(start + deflateBound(&z, static_cast<uLong>(source.size())));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(source.data()));
  z.avail_in = static_cast<uInt>(source.size());
  z.next_out = reinterpret_cast<Bytef*>(destination.data() + start);
  z.avail_out = static_cast<uInt>(destination.size() - start);
  const int rc = deflate(&z, Z_FINISH);
  const size_t written = z.total_out;
  deflateEnd(&z);
  if (rc != Z_STREAM_END) {
    destination.resize(start);
    throw vn::EWriteError("Stream write error");
  }
  destination.resize(start + written);
  return static_cast<int64_t>(written);
}

std::string TvnCustomPDFEngine::EncodeTextString(const String& text, int32_t n, int32_t generation) {
  std::string bytes = "\xFE\xFF";
  for (char16_t c : text) {
    bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return vn::framework::AnsiToHexText(EncryptObjectStrings(bytes, n, generation));
}

std::string TvnCustomPDFEngine::FormatPDFDate(vn::TDateTime local, int offset_minutes) {
  const vn::DateParts p = vn::DecodeDateTime(local);
  const int magnitude = offset_minutes < 0 ? -offset_minutes : offset_minutes;
  char text[64];
  std::snprintf(text, sizeof text, "D:%04d%02d%02d%02d%02d%02d%c%02d'%02d'", p.year, p.month, p.day, p.hour, p.minute,
                p.second, offset_minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return text;
}

// ---- document

void TvnCustomPDFEngine::StartDocument() {
  // Settings the engine would leave out of a document that looks complete
  // are refused instead. Each refusal goes when its writer is built.
  CheckDocumentFeatures();
  if (DigitalSignature().Enabled && !CanSign()) throw vn::ENotSupportedException("Signed PDF output is not supported");
  // PDF/A needs the output colour space (and the metadata written with it).
  if (IsPDFAVersion(Preferences().Version) && !HasOutputColourSpace())
    throw vn::ENotSupportedException("PDF/A output is not supported");
  TvnCustomPlainSheetEngine::StartDocument();
  FOutputStream = nullptr;
  if (Preferences().OutputToUserStream()) {
    if (!UserStream()) throw vn::framework::EFileCreateError("No user stream is assigned for the PDF output");
    FOutputStream = UserStream();
  } else {
    FOutputStream = CreateOutputFile(vn::ToUtf8(FileName() + u"." + FileExtension()));
  }
  FOutputStart = FOutputStream->Position();
  FXRefTable.clear();
  FImageXRefList.clear();
  FImageStream.clear();
  FContentStream.clear();
  FPageList.clear();
  FPDGStateList.clear();
  FPDGStateByOpacity.clear();
  FPDGStateByBlend.clear();
  FPattern.clear();
  FFontTable.clear();
  FLastObjNo = 5;
  FBGImageObj = -1;
  FImageSettings.Clear();
  FColourSpaceObject = -1;
  FIsPDFA = IsPDFAVersion(Preferences().Version);
  const vn::TDateTime now = vn::Now();
  FCreationTime = FormatPDFDate(now, vn::LocalUtcOffsetMinutes(now));
  StartDocumentFeatures();
  WriteRaw(std::string("%PDF-") + PDFVersionText(Preferences().Version) + kCRLF + "%\xE2\xE3\xCF\xD3" + kCRLF);
}

void TvnCustomPDFEngine::EndDocument() {
  TvnCustomPlainSheetEngine::EndDocument();
  WriteObject(WriteCatalog() + kCRLF, 1, true);
  WriteOutlinesAndThumbnails();

  std::string kids;
  int32_t count = 0;
  for (const auto& info : FPageList) {
    if (!info) continue;
    if (count++) kids += ' ';
    kids += ObjectRef(info->ObjNo);
  }
  WriteObject("/Type/Pages/Count " + std::to_string(count) + "/Kids [" + kids + "]" + kCRLF, 2, true);

  if (FBGImageObj >= 0) FPattern.emplace_back("PI", NewObjectNumber());
  if (FIsPDFA) FColourSpaceObject = WriteOutputColourSpace();
  WriteObject(ResourcesText(), 5, true);

  std::string procset = "[/PDF";
  if (ItemsToRender().Contains(vn::exporter::TvnItemsToRenderKind::irText)) procset += " /Text";
  if (ItemsToRender().Contains(vn::exporter::TvnItemsToRenderKind::irImage)) procset += " /ImageC";
  WriteObject(procset + "]", 4, true);

  WritePatterns();
  WriteFonts();
  WriteEncryptDictionary();
  WriteObject(InfoText(), 3, true);
  WriteXRefAndTrailer();
  ReleaseDocument();
}

void TvnCustomPDFEngine::ReleaseDocument() {
  FXRefTable.clear();
  FFontTable.clear();
  FPattern.clear();
  FImageXRefList.clear();
  FPageList.clear();
  FImageStream.clear();
  FContentStream.clear();
  FPDGStateList.clear();
  FPDGStateByOpacity.clear();
  FPDGStateByBlend.clear();
  FOutputStream = nullptr;
  ReleaseDocumentFeatures();
}

std::string TvnCustomPDFEngine::ResourcesText() {
  std::string text;
  if (!FPattern.empty()) {
    text += "/ColorSpace <</CSP [/Pattern /DeviceRGB]";
    if (FColourSpaceObject > 0) text += "/CS0 " + ObjectRef(FColourSpaceObject);
    text += ">>" + std::string(kCRLF) + "/Pattern <<";
    for (const auto& [name, obj] : FPattern) text += "/" + name + " " + ObjectRef(obj);
    text += ">>" + std::string(kCRLF);
  }
  text += GetFontResources();
  text += "/ProcSet " + ObjectRef(4);
  text += "/XObject <<" + GetImageResources();
  if (FBGImageObj >= 0) text += " /Img0 " + ObjectRef(FBGImageObj);
  text += " >>";
  if (!FPDGStateList.empty()) {
    text += "/ExtGState <<";
    for (const TvnPDGState& state : FPDGStateList) text += state.Tag + " " + ObjectRef(state.ObjNo);
    text += ">>";
  }
  text += kCRLF;
  if (FPattern.empty() && FColourSpaceObject > 0) text += "/ColorSpace<</CS0 " + ObjectRef(FColourSpaceObject) + ">>";
  return text;
}

std::string TvnCustomPDFEngine::InfoText() {
  std::string text;
  if (!FIsPDFA) {
    const std::string date = vn::framework::AnsiToHexText(EncryptObjectStrings(FCreationTime, 3, 0));
    text += "/CreationDate <" + date + ">/ModDate <" + date + ">";
    text += "/Producer <" + EncodeTextString(vn::FromAscii(kPDFProducer), 3, 0) + ">";
  }
  const vn::exporter::TvnDocInfo& info = DocInfo();
  const std::pair<const char*, const String*> entries[] = {{"/Author <", &info.Author()},
                                                           {"/Keywords <", &info.Keywords()},
                                                           {"/Creator <", &info.Creator()},
                                                           {"/Title <", &info.Title()},
                                                           {"/Subject <", &info.Subject()}};
  for (const auto& [key, value] : entries)
    if (!vn::Trim(*value).empty()) text += key + EncodeTextString(*value, 3, 0) + ">";
  return text + kCRLF;
}

std::string TvnCustomPDFEngine::WriteCatalog() {
  std::string text = "/Type/Catalog/Pages " + ObjectRef(2);
  text += CatalogFeatureEntries();
  return text + FViewerPreferences->ViewerPreferencesText();
}

std::string TvnCustomPDFEngine::WriteTrailer() {
  return "/Root " + ObjectRef(1) + TrailerIDEntry() + "/Info " + ObjectRef(3) + "/Size " + std::to_string(FLastObjNo + 1) +
         TrailerEncryptEntry();
}

void TvnCustomPDFEngine::WriteXRefAndTrailer() {
  const int64_t xref = OutputOffset();
  std::string text = "xref" + std::string(kCRLF) + "0 " + std::to_string(FLastObjNo + 1) + kCRLF;
  text += FormatXRefEntry(0, 65535, "f") + kCRLF;
  for (int32_t n = 1; n <= FLastObjNo; ++n) {
    const int64_t offset = static_cast<size_t>(n) < FXRefTable.size() ? FXRefTable[static_cast<size_t>(n)] : -1;
    // A number handed out but never written is listed as free, so that the
    // table never points at bytes that are not its object.
    text += (offset >= 0 ? FormatXRefEntry(offset, 0, "n") : FormatXRefEntry(0, 0, "f")) + kCRLF;
  }
  text += "trailer" + std::string(kCRLF) + "<<" + kCRLF + WriteTrailer() + kCRLF + ">>" + kCRLF;
  text += "startxref" + std::string(kCRLF) + std::to_string(xref) + kCRLF + "%%EOF";
  WriteRaw(text);
}

// ---- pages

const TvnPageInfo* TvnCustomPDFEngine::CurrentPageInfo() const {
  const int32_t page = CurrentPage();
  if (page < 1 || static_cast<size_t>(page) > FPageList.size()) return nullptr;
  const auto& info = FPageList[static_cast<size_t>(page - 1)];
  return info ? &*info : nullptr;
}

void TvnCustomPDFEngine::ResetPageState() {
  FIsClipState = false;
  FClipDepth = 0;
  FPathStatus = TvnPathStatus::psNoPath;
  FIsPathClosed = false;
  FFirstPoint = true;
  FCurrentPoint.reset();
  FIsClipPath = false;
  FPath.clear();
}

void TvnCustomPDFEngine::StartPage() {
  TvnCustomPlainSheetEngine::StartPage();
  ResetPageState();
  FImageXRefList.clear();
  FImageStream.clear();
  FContentStream.clear();
  FContentStream =
      "q " + FormatNumber(1 / ResolutionFactorX()) + " 0 0 " + FormatNumber(1 / ResolutionFactorY()) + " 0 0 cm" + kCRLF;

  TvnPageInfo info;
  info.ObjNo = NewObjectNumber();
  if (const vn::exporter::TvnPageItem* page = GetPageItem(CurrentPage() - 1)) {
    info.Width = page->Settings.NativeWidth() * FPixelToPointMultiplier;
    info.Height = page->Settings.NativeHeight() * FPixelToPointMultiplier;
  }
  const auto index = static_cast<size_t>(std::max(CurrentPage(), 1) - 1);
  if (FPageList.size() <= index) FPageList.resize(index + 1);
  FPageList[index] = info;
  FContentsObjNo = NewObjectNumber();
  FAnnots.clear();
  FLengthObjNo = NewObjectNumber();
  WritePageStartObjects();
  WritePageBackground();
}

std::string TvnCustomPDFEngine::WritePageObject() {
  const TvnPageInfo* info = CurrentPageInfo();
  const double w = info ? info->Width : 0, h = info ? info->Height : 0;
  std::string text = "/Type/Page/Parent " + ObjectRef(2) + "/MediaBox [0 0 " + FormatNumber(w) + " " + FormatNumber(h) + "]" +
                     "/Resources " + ObjectRef(5) + "/Contents " + ObjectRef(FContentsObjNo);
  if (!FAnnots.empty()) text += "/Annots [" + FAnnots.substr(FAnnots.front() == ' ' ? 1 : 0) + "]";
  text += ThumbnailEntry();
  std::string transition;
  const TvnPresentationMode& presentation = FViewerPreferences->PresentationMode();
  TvnViewerPreferences::GetTransitionEffectAndDuration(presentation.Duration, presentation.TransitionEffect, transition);
  return text + transition;
}

void TvnCustomPDFEngine::EndPage() {
  const TvnPageInfo* info = CurrentPageInfo();
  WriteObject(WritePageObject() + kCRLF, info ? info->ObjNo : NewObjectNumber(), true);
  std::string dictionary = "/Length " + ObjectRef(FLengthObjNo);
  if (FCompression->Enabled) dictionary += "/Filter /FlateDecode";
  dictionary += kCRLF;
  // Every graphics state the page opened is closed: the clips' and the
  // page's own (its scaling).
  CloseClips();
  FPathStatus = TvnPathStatus::psNoPath;
  FPath.clear();
  FContentStream += std::string(kCRLF) + "Q" + kCRLF;
  const int64_t length = WriteStreamObject(FContentsObjNo, dictionary, FContentStream);
  WriteObject(std::to_string(length), FLengthObjNo, true);
  const int64_t base = OutputOffset();
  for (const auto& [offset, obj] : FImageXRefList) AddXRef(base + offset, obj);
  WriteRaw(FImageStream);
  FImageXRefList.clear();
  FImageStream.clear();
  FContentStream.clear();
  TvnCustomPlainSheetEngine::EndPage();
}

}  // namespace vn::pdfwriter
