// Digital signatures of the extended PDF engine: pdfsig finds the signature
// of a signed file valid and that of a file changed by one byte not; the
// byte ranges cover the whole file but the signature; a certificate that
// cannot sign stops the document before anything is written; visible and
// invisible fields; signatures of large keys fit their room.
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <string>

#include "interactive_test_support.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "platform/crypto/pkcs7_signer.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing::pdf_signature_test {
namespace {

void SetUpSignature(TestEngine& e, const std::filesystem::path& p12, const std::string& password = "secret") {
  TvnDigitalSignature& s = e.DigitalSignature();
  s.Enabled = true;
  s.SignatureProperties.CertFileName = vn::FromUtf8(p12.string());
  s.SignatureProperties.CertPassword = vn::FromUtf8(password);
  s.SignatureProperties.Author = u"A. Signer";
  s.SignatureProperties.Reason = u"Approved (final)";
  s.SignatureProperties.Location = u"Lyon";
  s.SignatureProperties.ContactInfo = u"signer@example.org";
  s.SignatureProperties.DateTime = vn::EncodeDateTime(2024, 5, 17, 9, 30, 15, 0);
  s.FieldProperties.FieldName = u"Approval";
  s.FieldProperties.FillColor = 0xE0FFFF;  // light yellow (0x00BBGGRR)
  s.FieldProperties.Font.Name = u"Liberation Sans";
  s.FieldProperties.Font.Size = 9;
  TvnSigFieldBounds bounds;
  bounds.FLLeft = 20;
  bounds.FLTop = 100;
  bounds.FLRight = 260;
  bounds.FLBotom = 180;
  s.FieldProperties.SetFieldBounds(bounds);
}

// A signed document of two pages with some text; the signature on `page`.
std::string Signed(const std::filesystem::path& p12, const std::function<void(TestEngine&)>& change = nullptr) {
  PinClock();
  TestEngine e(400, 300);
  e.Preferences().EmbedTrueTypeFonts = TvnTTFontEmbedding::etfSubset;
  SetUpSignature(e, p12);
  if (change) change(e);
  e.BeginDoc();
  e.Font().Name = u"Liberation Sans";
  e.Font().Size = 12;
  e.TextOut(20, 20, u"A signed page");
  e.NewPage();
  e.TextOut(20, 20, u"The second page");
  e.EndDoc();
  return e.Bytes();
}

struct Ranges {
  int64_t a = 0, b = 0, c = 0;
};

Ranges ByteRangeOf(const std::string& pdf) {
  static const std::regex range(R"(/ByteRange \[0 (\d+) (\d+) (\d+)\])");
  std::smatch m;
  Ranges r;
  if (!std::regex_search(pdf, m, range)) {
    ADD_FAILURE() << "no /ByteRange";
    return r;
  }
  r.a = std::stoll(m[1]);
  r.b = std::stoll(m[2]);
  r.c = std::stoll(m[3]);
  return r;
}

std::string PdfSig(const std::string& pdf, const std::string& name) {
  std::string out;
  testing::Run("pdfsig '" + SaveTemp(pdf, name + ".pdf").string() + "'", &out);
  return out;
}

TEST(PdfSignature, PdfsigFindsTheSignatureValid) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  const std::string pdf = Signed(p12);
  EXPECT_EQ(QpdfProblems(pdf, "signed.pdf"), "");
  const Ranges r = ByteRangeOf(pdf);
  // The ranges cover the whole file but the signature's hex string.
  EXPECT_EQ(r.a + (r.b - r.a) + r.c, static_cast<int64_t>(pdf.size()));
  EXPECT_EQ(pdf[static_cast<size_t>(r.a)], '<');
  EXPECT_EQ(pdf[static_cast<size_t>(r.b) - 1], '>');
  EXPECT_EQ(pdf.compare(static_cast<size_t>(r.a) - 9, 9, "/Contents"), 0);
  EXPECT_GE(r.b - r.a, 3002);
  if (!vn::test_support::HaveTool("pdfsig")) return;
  const std::string out = PdfSig(pdf, "signed");
  EXPECT_NE(out.find("Signature Validation: Signature is Valid."), std::string::npos) << out;
  EXPECT_NE(out.find("Signature Field Name: Approval"), std::string::npos) << out;
  EXPECT_NE(out.find("Signer Certificate Common Name: Fotarel Test Signer"), std::string::npos) << out;
  EXPECT_NE(out.find("Signature Type: adbe.pkcs7.sha1"), std::string::npos) << out;
  EXPECT_NE(out.find("Total document signed"), std::string::npos) << out;
  EXPECT_NE(out.find("Signing Hash Algorithm: SHA1"), std::string::npos) << out;
}

TEST(PdfSignature, AFileChangedByOneByteIsReportedModified) {
  const auto p12 = TestCertificate();
  if (p12.empty() || !vn::test_support::HaveTool("pdfsig")) return;
  const std::string pdf = Signed(p12);
  const Ranges r = ByteRangeOf(pdf);
  // One byte of the page tree's count, before the signature, and one of
  // the document information, after it.
  for (const char* anchor : {"/MediaBox [0 0 300", "/Producer <FEFF0"}) {
    SCOPED_TRACE(anchor);
    std::string changed = pdf;
    const size_t at = changed.find(anchor);
    ASSERT_NE(at, std::string::npos);
    const size_t byte = at + std::string(anchor).size() - 1;
    EXPECT_TRUE(static_cast<int64_t>(byte) < r.a || static_cast<int64_t>(byte) >= r.b);
    changed[byte] = changed[byte] == '0' ? '1' : static_cast<char>(changed[byte] ^ 1);
    const std::string out = PdfSig(changed, "changed");
    EXPECT_EQ(out.find("Signature is Valid"), std::string::npos) << out;
    EXPECT_NE(out.find("Digest Mismatch"), std::string::npos) << out;
  }
}

TEST(PdfSignature, TheDetachedKindIsValidToo) {
  const auto p12 = TestCertificate();
  if (p12.empty() || !vn::test_support::HaveTool("pdfsig")) return;
  const std::string pdf =
      Signed(p12, [](TestEngine& e) { e.DigitalSignature().SignatureProperties.SubFilter = u"adbe.pkcs7.detached"; });
  const std::string out = PdfSig(pdf, "detached");
  EXPECT_NE(out.find("Signature is Valid."), std::string::npos) << out;
  EXPECT_NE(out.find("adbe.pkcs7.detached"), std::string::npos) << out;
}

TEST(PdfSignature, ALargeKeysSignatureFitsItsRoom) {
  const auto p12 = TestCertificate(4096);
  if (p12.empty()) return;
  const std::string pdf = Signed(p12);
  const Ranges r = ByteRangeOf(pdf);
  EXPECT_GT(r.b - r.a, 3002);  // more room than the 1500 bytes of old
  if (!vn::test_support::HaveTool("pdfsig")) return;
  const std::string out = PdfSig(pdf, "large_key");
  EXPECT_NE(out.find("Signature is Valid."), std::string::npos) << out;
}

TEST(PdfSignature, TheSignatureDictionaryAndFieldAreReadBack) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  const std::string pdf = Signed(p12);
  if (!HavePypdf()) return;
  const std::string out = InteractiveContent(pdf, "signed_fields");
  const std::string field = LineStartingWith(out, "FIELD Approval ");
  EXPECT_NE(field.find("ft=/Sig"), std::string::npos) << field;
  EXPECT_NE(field.find("/Filter=/Adobe.PPKLite"), std::string::npos) << field;
  EXPECT_NE(field.find("/SubFilter=/adbe.pkcs7.sha1"), std::string::npos) << field;
  EXPECT_NE(field.find("/Reason=Approved (final)"), std::string::npos) << field;
  EXPECT_NE(field.find("/Name=A. Signer"), std::string::npos) << field;
  EXPECT_NE(field.find("/Location=Lyon"), std::string::npos) << field;
  EXPECT_NE(field.find("/ContactInfo=signer@example.org"), std::string::npos) << field;
  EXPECT_NE(field.find("/M=D:20240517093015+01'00'"), std::string::npos) << field;
  const std::string widget = LineStartingWith(out, "ANNOT 1 ");
  EXPECT_NE(widget.find("/Rect=[15 90 195 150]"), std::string::npos) << widget;
  EXPECT_EQ(LinesStartingWith(out, "ANNOT 2 ").size(), 0u);
  EXPECT_NE(LineStartingWith(out, "ACROFORM ").find("/SigFlags=3"), std::string::npos);
}

TEST(PdfSignature, TheVisibleSignatureShowsItsLines) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  const std::string pdf = Signed(p12, [](TestEngine& e) { e.Compression().Enabled = false; });
  EXPECT_NE(pdf.find("(Digitally signed by: A. Signer) Tj"), std::string::npos);
  EXPECT_NE(pdf.find("(Reason: Approved \\(final\\)) Tj"), std::string::npos);
  EXPECT_NE(pdf.find("(Location: Lyon) Tj"), std::string::npos);
  EXPECT_NE(pdf.find("(Date: D:2024/05/17 T:09:30:15) Tj"), std::string::npos);
  const auto page = Render(pdf, "signature_appearance");
  if (!page) return;
  // The field's background inside its box (20..260 x 100..180), dark text.
  EXPECT_EQ(page->At(250, 170), 0xFFFFE0u);
  int dark = 0;
  for (int y = 102; y < 178; ++y)
    for (int x = 22; x < 258; ++x)
      if ((page->At(x, y) & 0xFF) < 80) ++dark;
  EXPECT_GT(dark, 100);
}

TEST(PdfSignature, AnInvisibleSignatureHasNoAppearance) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  const std::string pdf = Signed(p12, [](TestEngine& e) {
    e.DigitalSignature().FieldProperties.Visible = false;
    e.DigitalSignature().FieldProperties.FieldName = u"";
    e.DigitalSignature().SignatureProperties.DateTime = 0;
  });
  EXPECT_NE(pdf.find("/FT/Sig/Rect [0 0 0 0]"), std::string::npos);
  EXPECT_EQ(pdf.find("/M <"), std::string::npos);
  if (HavePypdf()) {
    const std::string out = InteractiveContent(pdf, "invisible");
    EXPECT_EQ(LinesStartingWith(out, "FIELD Signature ").size(), 1u) << out;
  }
  if (!vn::test_support::HaveTool("pdfsig")) return;
  const std::string out = PdfSig(pdf, "invisible");
  EXPECT_NE(out.find("Signature is Valid."), std::string::npos) << out;
}

TEST(PdfSignature, SignatureOnTheSecondPageWithFormFields) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  PinClock();
  TestEngine e(400, 300);
  SetUpSignature(e, p12);
  e.DigitalSignature().FieldProperties.PageNumber = 2;
  e.BeginDoc();
  auto text = std::make_unique<TvnPDFFormTextField>();
  text->FieldName = u"name";
  text->Value = u"Jane";
  text->Rect = {10, 10, 200, 40};
  EXPECT_TRUE(e.AddFormItem(std::move(text)));
  e.NewPage();
  e.EndDoc();
  const std::string pdf = e.Bytes();
  size_t count = 0;
  for (size_t at = pdf.find("/AcroForm"); at != std::string::npos; at = pdf.find("/AcroForm", at + 1)) ++count;
  EXPECT_EQ(count, 1u);
  if (HavePypdf()) {
    const std::string out = InteractiveContent(pdf, "with_fields");
    EXPECT_EQ(LinesStartingWith(out, "FIELD ").size(), 2u) << out;
    EXPECT_NE(LineStartingWith(out, "ANNOT 2 ").find("/FT=/Sig"), std::string::npos) << out;
  }
  if (!vn::test_support::HaveTool("pdfsig")) return;
  const std::string out = PdfSig(pdf, "with_fields");
  EXPECT_NE(out.find("Signature is Valid."), std::string::npos) << out;
}

std::string BeginDocError(TestEngine& e) {
  try {
    e.BeginDoc();
  } catch (const EPDFSignatureError& error) {
    return error.what();
  }
  return "no error";
}

TEST(PdfSignature, ACertificateThatCannotSignStopsTheDocumentBeforeItBegins) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  {
    TestEngine e;
    SetUpSignature(e, p12, "wrong");
    EXPECT_NE(BeginDocError(e).find("the password is wrong"), std::string::npos);
    EXPECT_FALSE(e.IsDocumentStarted());
    EXPECT_EQ(e.Bytes(), "");
  }
  {
    TestEngine e;
    SetUpSignature(e, "/nonexistent/signer.p12");
    EXPECT_NE(BeginDocError(e).find("cannot be opened"), std::string::npos);
    EXPECT_EQ(e.Bytes(), "");
  }
  {
    TestEngine e;
    SetUpSignature(e, p12);
    e.DigitalSignature().SignatureProperties.SubFilter = u"ETSI.CAdES.detached";
    EXPECT_NE(BeginDocError(e).find("is not supported"), std::string::npos);
    EXPECT_EQ(e.Bytes(), "");
  }
}

TEST(PdfSignature, ASignatureOnAMissingPageFailsTheDocument) {
  const auto p12 = TestCertificate();
  if (p12.empty()) return;
  PinClock();
  TestEngine e;
  SetUpSignature(e, p12);
  e.DigitalSignature().FieldProperties.PageNumber = 3;
  e.BeginDoc();
  EXPECT_THROW(e.EndDoc(), EPDFSignatureError);
  EXPECT_FALSE(e.IsDocumentStarted());
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_signature_test
