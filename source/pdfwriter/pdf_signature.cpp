// The digital signature of the extended PDF engine. When the document
// starts, the signing certificate is read and the room its signature needs
// is measured; when the signature field's page starts, the signature
// dictionary is reserved as blanks, and the field's appearance and widget
// are written; once the whole file is written (after "%%EOF"), the
// dictionary is written into its room with the byte ranges of the finished
// file, and the PKCS#7 signature of those ranges is written into its
// /Contents.
//
// Where the first engine cut a long signature to its room and left zeros
// for a failed one, this one raises EPDFSignatureError: a certificate that
// cannot be used stops the document before it is begun, and a signature or
// dictionary that does not fit its room (which the room is measured to
// prevent) fails the document.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pdfwriter/extended_pdf_engine.h"
#include "pdfwriter/pdf_font.h"
#include "pdfwriter/pdf_form_text_impl.h"
#include "pdfwriter/pdf_syntax_impl.h"
#include "platform/crypto/pkcs7_signer.h"
#include "runtime/datetime.h"

namespace vn::pdfwriter {

using vn::platform::TvnPDFSignatureKind;

struct TvnExPDFEngine::Signing {
  std::unique_ptr<vn::platform::TvnSigningCertificate> Certificate;
  TvnPDFSignatureKind Kind = TvnPDFSignatureKind::pkAdbePKCS7SHA1;
  // The signature's field: rectangle (engine pixels), page, visibility.
  TvnRect Rect;
  int32_t Page = 1;
  bool Visible = true;
  // Hex digits reserved for the signature.
  size_t HexRoom = 0;
  // The dictionary's entries before /Contents, fixed when it is reserved.
  std::string Entries;
  int32_t DictObj = 0, WidgetObj = 0;
  // Offset (from the document's start) and length of the reserved room
  // between the dictionary's "<<" and ">>".
  int64_t RoomStart = 0;
  size_t RoomLength = 0;
};

namespace sig_detail {
namespace {

// Room for "/ByteRange [0 a b c]" with numbers of up to 20 digits.
constexpr size_t kByteRangeRoom = 16 + 3 * 21;
// Digits reserved beyond the measured signature, for signatures whose
// length varies (ECDSA values).
constexpr size_t kHexSlack = 64;
// The room the first engine reserved; never less.
constexpr size_t kMinimumHexRoom = 3000;

std::string TwoDigits(int v) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", v);
  return text;
}

// "D:yyyy/mm/dd T:hh:nn:ss", the date of the appearance.
String AppearanceDate(vn::TDateTime date_time) {
  const vn::DateParts p = vn::DecodeDateTime(date_time);
  return vn::FromAscii("D:" + std::to_string(p.year) + "/" + TwoDigits(p.month) + "/" + TwoDigits(p.day) + " T:" + TwoDigits(p.hour) +
                       ":" + TwoDigits(p.minute) + ":" + TwoDigits(p.second));
}

}  // namespace
}  // namespace sig_detail

void TvnExPDFEngine::SigningDeleter::operator()(Signing* signing) const { delete signing; }

int32_t TvnExPDFEngine::SignatureFieldNumber() const { return FSigning ? FSigning->WidgetObj : 0; }

void TvnExPDFEngine::ReleaseSignature() { FSigning.reset(); }

void TvnExPDFEngine::PrepareSignature() {
  using namespace sig_detail;
  const TvnDigitalSignature& settings = DigitalSignature();
  const TvnSignature& properties = settings.SignatureProperties;
  std::unique_ptr<Signing, SigningDeleter> signing(new Signing);
  if (properties.SubFilter == u"adbe.pkcs7.sha1")
    signing->Kind = TvnPDFSignatureKind::pkAdbePKCS7SHA1;
  else if (properties.SubFilter == u"adbe.pkcs7.detached")
    signing->Kind = TvnPDFSignatureKind::pkAdbePKCS7Detached;
  else
    throw EPDFSignatureError("The signature sub-filter " + vn::ToUtf8(properties.SubFilter) + " is not supported");
  try {
    signing->Certificate = vn::platform::TvnSigningCertificate::FromPKCS12File(
        std::filesystem::path(vn::ToUtf8(properties.CertFileName)), vn::ToUtf8(properties.CertPassword));
    signing->HexRoom = std::max(kMinimumHexRoom, 2 * vn::platform::PDFSignatureLength(*signing->Certificate, signing->Kind) + kHexSlack);
  } catch (const vn::platform::ESigningError& e) {
    throw EPDFSignatureError(e.what());
  }

  // The field: its bounds in the measurement unit, on the content band of
  // its page.
  const TvnFieldProperties& field = settings.FieldProperties;
  if (field.PageNumber < 1) throw EPDFSignatureError("The signature field's page " + std::to_string(field.PageNumber) + " does not exist");
  signing->Page = field.PageNumber;
  signing->Visible = field.Visible;
  TvnRect bounds{field.FieldBounds().FLLeft, field.FieldBounds().FLTop, field.FieldBounds().FLRight, field.FieldBounds().FLBotom};
  if (field.Visible) {
    if (bounds.Right <= bounds.Left) bounds.Right = bounds.Left + 1;
    if (bounds.Bottom <= bounds.Top) bounds.Bottom = bounds.Top + 1;
    const vn::exporter::TvnBandType previous = FBandType;
    SetBandType(vn::exporter::TvnBandType::btContent);
    bounds = ConvertRect(bounds);
    bounds.Left += FBandRect.Left;
    bounds.Right += FBandRect.Left;
    bounds.Top += FBandRect.Top;
    bounds.Bottom += FBandRect.Top;
    SetBandType(previous);
  } else {
    bounds = {};
  }
  signing->Rect = bounds;
  SetSignatureRect(bounds, field.PageNumber);
  FSigning = std::move(signing);
}

void TvnExPDFEngine::WritePageStartObjects() {
  if (FSigning && FSigning->DictObj == 0 && CurrentPage() == FSigning->Page) WriteSignatureObjects();
}

void TvnExPDFEngine::WriteSignatureObjects() {
  using namespace sig_detail;
  using namespace form_text;
  Signing& s = *FSigning;
  const TvnDigitalSignature& settings = DigitalSignature();
  const TvnSignature& properties = settings.SignatureProperties;
  const int32_t page = CurrentPage();

  // The signature dictionary, reserved as blanks.
  s.DictObj = NewObjectNumber();
  const int32_t v = s.DictObj;
  const String author = properties.Author.empty() ? vn::FromUtf8(s.Certificate->SubjectName()) : properties.Author;
  s.Entries = "/Type/Sig/Filter/" + NameBytes(properties.Filter) + "/SubFilter/" + NameBytes(properties.SubFilter);
  if (!author.empty()) s.Entries += "/Name " + TextString(author, v);
  if (!properties.Reason.empty()) s.Entries += "/Reason " + TextString(properties.Reason, v);
  if (!properties.Location.empty()) s.Entries += "/Location " + TextString(properties.Location, v);
  if (!properties.ContactInfo.empty()) s.Entries += "/ContactInfo " + TextString(properties.ContactInfo, v);
  if (properties.DateTime != 0) {
    const std::string date = FormatPDFDate(properties.DateTime, vn::LocalUtcOffsetMinutes(properties.DateTime));
    s.Entries += "/M <" + vn::framework::AnsiToHexText(EncryptObjectStrings(date, v, 0)) + ">";
  }
  s.RoomLength = s.Entries.size() + 10 + s.HexRoom + 1 + kByteRangeRoom;
  s.RoomStart = FOutputStream->Position() - FOutputStart + static_cast<int64_t>(ObjectHeader(v).size() + 2 + 2);
  WriteObject("<<" + std::string(s.RoomLength, ' ') + ">>", v, true);

  // The visible field's appearance.
  const double w = (s.Rect.Right - s.Rect.Left) * FPixelToPointMultiplier;
  const double h = (s.Rect.Bottom - s.Rect.Top) * FPixelToPointMultiplier;
  const int32_t appearance = s.Visible ? WriteSignatureAppearance(w, h) : 0;

  // The widget, which is the signature field.
  s.WidgetObj = NewObjectNumber();
  const String name = settings.FieldProperties.FieldName.empty() ? String(u"Signature") : settings.FieldProperties.FieldName;
  std::string widget = "/Type/Annot/Subtype/Widget/FT/Sig/Rect " + (s.Visible ? PageRectText(page, s.Rect) : "[0 0 0 0]") + "/P " + PageRef(page) + "/F 132" +
                       "/T " + TextString(name, s.WidgetObj) + "/V " + ObjectRef(v);
  if (s.Visible) {
    widget += "/BS <</Type/Border/S/S/W 1>>/MK <</BG [" + Rgb(settings.FieldProperties.FillColor) + "]/BC [0 0 0]/R 0>>/AP <</N " +
              ObjectRef(appearance) + ">>";
  }
  WriteObject(widget + kCRLF, s.WidgetObj, true);
  FAnnots += " " + ObjectRef(s.WidgetObj);
}

int32_t TvnExPDFEngine::WriteSignatureAppearance(double w, double h) {
  using namespace sig_detail;
  using namespace form_text;
  using Option = vn::framework::TvnSigFieldAppearenceOption;
  const TvnDigitalSignature& settings = DigitalSignature();
  const TvnSignature& properties = settings.SignatureProperties;
  const auto options = properties.SigFieldAppearenceOptions;
  const bool labels = options.Contains(Option::sfaoShowLabels);
  std::vector<String> lines;
  auto add = [&](Option option, const char16_t* label, const String& value) {
    if (options.Contains(option)) lines.push_back((labels ? String(label) : String()) + value);
  };
  const String author = properties.Author.empty() ? vn::FromUtf8(FSigning->Certificate->SubjectName()) : properties.Author;
  add(Option::sfaoShowName, u"Digitally signed by: ", author);
  add(Option::sfaoShowReason, u"Reason: ", properties.Reason);
  add(Option::sfaoShowLocation, u"Location: ", properties.Location);
  add(Option::sfaoShowDate, u"Date: ", properties.DateTime != 0 ? AppearanceDate(properties.DateTime) : String());

  TFont font = settings.FieldProperties.Font;
  if (font.Name.empty()) font.Name = u"Arial";
  if (font.Size <= 0) font.Size = 10;
  const int32_t index = FieldFontIndex(font, lines);
  const TvnPDFFont& pdf_font = *FFontTable[static_cast<size_t>(index)];
  const double size = font.Size;
  std::string content = Rgb(settings.FieldProperties.FillColor) + " rg 0 0 " + Num(w) + " " + Num(h) + " re f 0 0 0 RG 1 w 0.5 0.5 " +
                        Num(std::max(w - 1, 0.0)) + " " + Num(std::max(h - 1, 0.0)) + " re S q 1 1 " + Num(std::max(w - 2, 0.0)) + " " +
                        Num(std::max(h - 2, 0.0)) + " re W n BT /F" + std::to_string(index) + " " + Num(size) + " Tf " + Rgb(font.Color) +
                        " rg ";
  double y = h - 2 - pdf_font.FontInfo().FfiAscent * size / 1000;
  for (const String& line : lines) {
    for (const std::string& part : WrapBytes(WinAnsiBytes(line), pdf_font, size, std::max(w - 4, 1.0))) {
      if (!part.empty()) content += "1 0 0 1 2 " + Num(y) + " Tm (" + LiteralBytes(part) + ") Tj ";
      y -= size * 1.15;
    }
  }
  content += "ET Q";
  return WriteAppearance(content, w, h, "/ProcSet [/PDF /Text]" + FontResources(index));
}

void TvnExPDFEngine::CompleteSignature(vn::TStream& output, int64_t start) {
  Signing& s = *FSigning;
  const int64_t end = output.Size() - start;
  std::string patch = s.Entries + "/Contents<";
  const int64_t a = s.RoomStart + static_cast<int64_t>(patch.size()) - 1;
  const int64_t b = a + static_cast<int64_t>(s.HexRoom) + 2;
  patch += std::string(s.HexRoom, '0') + ">/ByteRange [0 " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(end - b) + "]";
  if (patch.size() > s.RoomLength) throw EPDFSignatureError("The signature dictionary does not fit the room reserved for it");
  patch.resize(s.RoomLength, ' ');
  output.SetPosition(start + s.RoomStart);
  output.WriteString(patch);
  try {
    vn::platform::FillPDFSignature(output, start, a, b, *s.Certificate, s.Kind);
  } catch (const vn::platform::ESigningError& e) {
    throw EPDFSignatureError(e.what());
  }
  DigitalSignature().SignatureProperties.ByteRange[0] = 0;
  DigitalSignature().SignatureProperties.ByteRange[1] = a;
  DigitalSignature().SignatureProperties.ByteRange[2] = b;
  DigitalSignature().SignatureProperties.ByteRange[3] = end - b;
}

}  // namespace vn::pdfwriter
