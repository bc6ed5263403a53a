#include "pdfdocument/pd_signature.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "pdf/base_doc.h"
#include "pdf/pdf_corpus.h"
#include "pdf/pdf_file_builder.h"
#include "pdf/writer.h"
#include "pdfdocument/form_testing.h"
#include "pdfdocument/pd_acro_form.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_model_testing.h"
#include "runtime/streams.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_signature_test {

namespace fs = std::filesystem;

// A one-page form whose only field is the signature field "sig" (object 4)
// with the extra entries given; object 5 is a signature dictionary.
std::unique_ptr<TvnPDFDocumentHandler> SignatureForm(const std::string& AEntries) {
  vn::pdf::testing::PdfFileBuilder b("%PDF-1.7\n");
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R/AcroForm<</Fields[4 0 R]/SigFlags 3>>>>");
  b.Obj(2, "<</Type/Pages/Kids[3 0 R]/Count 1>>");
  b.Obj(3, "<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 200]/Annots[4 0 R]>>");
  b.Obj(4, "<</Type/Annot/Subtype/Widget/FT/Sig/T(sig)/F 132/Rect[0 0 0 0]/P 3 0 R" + AEntries + ">>");
  b.Obj(5, "<</Type/Sig/Filter/Other.Handler/Name(Jane Roe)/Reason(Approval)/ByteRange[0 840 960 240]>>");
  b.ClassicTable("/Size 6/Root 1 0 R");
  return model_testing::OpenPdfBytes(b.Data());
}

TvnPDSignatureField* SigField(TvnPDFDocumentHandler& AHandler) {
  return static_cast<TvnPDSignatureField*>(AHandler.Catalog()->AcroForm()->FieldByName(u"sig"));
}

TEST(PDSignature, SettingsFromTheSignatureDictionary) {
  auto unsigned_form = SignatureForm("");
  TvnPDSignature* defaults = SigField(*unsigned_form)->Signature();
  EXPECT_EQ(defaults->Handler(), "Adobe.PPKLite");
  EXPECT_EQ(defaults->SubFilter(), TvnSigSubfilter::sfPkcs7Sha1);
  EXPECT_EQ(defaults->CertLevel(), TvnSigCertLevel::clFillFormFields);
  EXPECT_EQ(defaults->SigDispOptions(), kAllSigDisplayOptions);
  EXPECT_FALSE(defaults->Validate());

  auto signed_form = SignatureForm("/V 5 0 R");
  TvnPDSignature* sig = SigField(*signed_form)->Signature();
  EXPECT_EQ(sig->Author(), u"Jane Roe");
  EXPECT_EQ(sig->Reason(), u"Approval");
  EXPECT_EQ(sig->Handler(), "Other.Handler");
  uint32_t o[4] = {};
  sig->GetByteOffset(o[0], o[1], o[2], o[3]);
  EXPECT_EQ(std::vector<uint32_t>(o, o + 4), (std::vector<uint32_t>{0, 840, 960, 240}));
}

// Filling reserves one placeholder (a second fill reuses it) and marks the
// document for signing; the save writes the signature dictionary in its
// place: Type, Filter, SubFilter, the texts, Contents kept for the digits
// and a ByteRange that covers the whole file but Contents.
TEST(PDSignature, FillAndSaveWriteTheSignatureDictionary) {
  if (!form_testing::HaveOracle() || !vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "pypdf or qpdf missing";
  auto handler = SignatureForm("");
  TvnPDSignatureField* field = SigField(*handler);
  ASSERT_NE(field, nullptr);
  field->Fill(u"cert.pfx", u"secret", u"Genehmigt für Zürich", u"Basel", u"jane@example.org");
  const vn::pdf::TvnPDBaseObject* v = field->Dict()->LookupRefObj("V");
  ASSERT_TRUE(v && v->IsIndirectRef());
  const int64_t placeholder = v->GetObjNumber();
  const int64_t last = handler->LastObjectNumber();
  field->Fill(u"cert.pfx", u"secret", u"Approved", u"Basel", u"jane@example.org");
  EXPECT_EQ(field->Dict()->LookupRefObj("V")->GetObjNumber(), placeholder);
  EXPECT_EQ(handler->LastObjectNumber(), last);
  EXPECT_TRUE(handler->BaseDoc()->GetSignDoc());
  EXPECT_EQ(handler->BaseDoc()->GetSignature()->ContactInfo, "jane@example.org");
  EXPECT_EQ(handler->BaseDoc()->GetSignature()->Subfilter, "adbe.pkcs7.sha1");

  const fs::path out = model_testing::TempPdf("signed.pdf");
  handler->SaveDocument(out);
  std::string check;
  EXPECT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--check", out.string()}, &check), 0) << check;
  std::string printed;
  ASSERT_EQ(vn::pdf::testing::RunProgram(
                {"/usr/bin/python3", "-c",
                 "import pypdf,sys\n"
                 "v=pypdf.PdfReader(sys.argv[1]).get_fields()['sig']['/V'].get_object()\n"
                 "print(v['/Type'],v['/Filter'],v['/SubFilter'],v['/Reason'],v['/Location'],v['/ContactInfo'])\n"
                 "print(*v['/ByteRange'])\n"
                 "print(len(v['/Contents']))",
                 out.string()},
                &printed),
            0);
  std::istringstream lines(printed);
  std::string entries, range, contents;
  std::getline(lines, entries);
  std::getline(lines, range);
  std::getline(lines, contents);
  EXPECT_EQ(entries, "/Sig /Adobe.PPKLite /adbe.pkcs7.sha1 Approved Basel jane@example.org");
  EXPECT_EQ(contents, "1500");
  int64_t r[4] = {};
  std::istringstream(range) >> r[0] >> r[1] >> r[2] >> r[3];
  const std::string bytes = vn::ReadFileBytes(out);
  EXPECT_EQ(r[0], 0);
  EXPECT_EQ(r[2] + r[3], static_cast<int64_t>(bytes.size()));
  ASSERT_GT(r[2], r[1]);
  EXPECT_EQ(bytes.substr(static_cast<size_t>(r[1]), static_cast<size_t>(r[2] - r[1])),
            "<" + std::string(3000, '0') + ">");
}

}  // namespace vn::pdfdoc::pd_signature_test
