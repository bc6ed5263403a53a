// The round trip of a form the PDF engine writes through the project's own
// PDF model: the model finds every field the engine wrote, fills them and
// saves, and pypdf, qpdf and pdftoppm see the filled form; the model's
// signature field, filled and saved, is signed by the platform's signer and
// pdfsig finds the signature valid.
#include <filesystem>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "pdf/writer.h"
#include "pdfdocument/pd_acro_form.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_form_field.h"
#include "pdfdocument/pd_signature.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_model_testing.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "pdfwriter/interactive_test_support.h"
#include "platform/crypto/pkcs7_signer.h"
#include "runtime/streams.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_form_field_engine_round_trip_test {
namespace {

using namespace vn::pdfwriter;
using vn::pdfwriter::testing::InteractiveContent;
using vn::pdfwriter::testing::LineStartingWith;
using vn::pdfwriter::testing::TestEngine;

vn::framework::TvnRect R(double left, double top, double right, double bottom) { return {left, top, right, bottom}; }

// A form of every kind written by the engine on a 600 x 400 pixel page.
std::string EngineForm() {
  vn::pdfwriter::testing::PinClock();
  TestEngine e(600, 400);
  e.Preferences().EmbedTrueTypeFonts = TvnTTFontEmbedding::etfSubset;
  e.BeginDoc();
  auto text = std::make_unique<vn::pdfwriter::TvnPDFFormTextField>();
  text->FieldName = u"name";
  text->Value = u"Jane";
  text->Rect = R(20, 20, 300, 50);
  text->Font.Name = u"Liberation Sans";
  EXPECT_TRUE(e.AddFormItem(std::move(text)));
  auto box = std::make_unique<vn::pdfwriter::TvnPDFFormCheckBox>();
  box->FieldName = u"agree";
  box->Rect = R(320, 20, 350, 50);
  EXPECT_TRUE(e.AddFormItem(std::move(box)));
  auto radio = std::make_unique<vn::pdfwriter::TvnPDFFormRadioGroup>();
  radio->FieldName = u"size";
  radio->AddButton(R(20, 70, 50, 100), u"Small");
  radio->AddButton(R(60, 70, 90, 100), u"Large");
  radio->SelectedIndex = 0;
  EXPECT_TRUE(e.AddFormItem(std::move(radio)));
  auto combo = std::make_unique<vn::pdfwriter::TvnPDFFormComboBox>();
  combo->FieldName = u"country";
  combo->Items = {u"France", u"Germany", u"Spain"};
  combo->SelectedIndex = 0;
  combo->Rect = R(120, 70, 300, 100);
  EXPECT_TRUE(e.AddFormItem(std::move(combo)));
  auto list = std::make_unique<vn::pdfwriter::TvnPDFFormListBox>();
  list->FieldName = u"colour";
  list->Items = {u"Red", u"Green", u"Blue"};
  list->Rect = R(320, 70, 500, 150);
  EXPECT_TRUE(e.AddFormItem(std::move(list)));
  auto button = std::make_unique<vn::pdfwriter::TvnPDFFormPushButton>();
  button->FieldName = u"reset";
  button->NormalCaption = u"Reset";
  button->ButtonAction = TvnPDFButtonAction::baReset;
  button->Rect = R(20, 170, 120, 200);
  EXPECT_TRUE(e.AddFormItem(std::move(button)));
  auto signature = std::make_unique<vn::pdfwriter::TvnPDFFormSignatureField>();
  signature->FieldName = u"approval";
  signature->Rect = R(20, 250, 220, 320);
  EXPECT_TRUE(e.AddFormItem(std::move(signature)));
  e.EndDoc();
  return e.Bytes();
}

std::string Saved(TvnPDFDocumentHandler& handler) {
  vn::TMemoryStream out;
  handler.SaveDocument(&out);
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

TEST(PDFormFieldEngineRoundTrip, TheModelFindsFillsAndSavesTheEnginesForm) {
  auto handler = model_testing::OpenPdfBytes(EngineForm());
  TvnPDAcroForm* form = handler->Catalog()->AcroForm();
  ASSERT_NE(form, nullptr);
  std::string kinds;
  for (TvnPDFormField* field : form->Fields())
    kinds += vn::ToUtf8(field->FullQualifiedName()) + ":" + std::to_string(static_cast<int>(field->FormFieldType())) + " ";
  // Text 0, check box 1, radio 2, push button 3, signature 4, list 5, combo 6.
  EXPECT_EQ(kinds, "name:0 agree:1 size:2 country:6 colour:5 reset:3 approval:4 ");
  EXPECT_EQ(form->FieldByName(u"name")->Value(), u"Jane");
  EXPECT_FALSE(static_cast<TvnPDFormCheckBox*>(form->FieldByName(u"agree"))->IsChecked());
  EXPECT_EQ(static_cast<TvnPDFormRadioButton*>(form->FieldByName(u"size"))->SelectedItemIndex(), 0);
  EXPECT_EQ(form->FieldByName(u"country")->Value(), u"France");

  form->FieldByName(u"name")->SetValue(u"Filled (in)");
  static_cast<TvnPDFormCheckBox*>(form->FieldByName(u"agree"))->SetIsChecked(true);
  form->FieldByName(u"size")->SetValue(u"Large");
  form->FieldByName(u"country")->SetValue(u"Spain");
  form->FieldByName(u"colour")->SetValue(u"Blue");
  const std::string filled = Saved(*handler);
  EXPECT_EQ(vn::pdfwriter::testing::QpdfProblems(filled, "round_trip.pdf"), "");

  if (vn::pdfwriter::testing::HavePypdf()) {
    const std::string out = InteractiveContent(filled, "round_trip");
    EXPECT_EQ(LineStartingWith(out, "FIELD name "), "FIELD name ft=/Tx ff=0 v=Filled (in) opt=None");
    EXPECT_EQ(LineStartingWith(out, "FIELD agree "), "FIELD agree ft=/Btn ff=0 v=/Yes opt=None");
    EXPECT_EQ(LineStartingWith(out, "FIELD size "), "FIELD size ft=/Btn ff=32768 v=/Large opt=None");
    EXPECT_EQ(LineStartingWith(out, "FIELD country "), "FIELD country ft=/Ch ff=131072 v=Spain opt=[France Germany Spain]");
    EXPECT_EQ(LineStartingWith(out, "FIELD colour "), "FIELD colour ft=/Ch ff=0 v=Blue opt=[Red Green Blue]");
  }

  // The filled form shows the check box and the other radio button marked.
  const auto page = vn::pdfwriter::testing::Render(filled, "round_trip_page");
  if (!page) return;
  auto dark_in = [&](int x1, int y1, int x2, int y2) {
    int dark = 0;
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x)
        if ((page->At(x, y) & 0xFF) < 96 && ((page->At(x, y) >> 8) & 0xFF) < 96) ++dark;
    return dark;
  };
  EXPECT_GT(dark_in(323, 23, 347, 47), 20);
  EXPECT_EQ(dark_in(23, 73, 47, 97), 0);
  EXPECT_GT(dark_in(63, 73, 87, 97), 20);
}

TEST(PDFormFieldEngineRoundTrip, TheModelsSignatureFieldIsSignedByThePlatformSigner) {
  const auto p12 = vn::test_support::TestCertificate();
  if (p12.empty()) return;
  auto handler = model_testing::OpenPdfBytes(EngineForm());
  auto* field = static_cast<TvnPDSignatureField*>(handler->Catalog()->AcroForm()->FieldByName(u"approval"));
  ASSERT_NE(field, nullptr);
  field->Fill(vn::FromUtf8(p12.string()), u"secret", vn::EncodeDateTime(2024, 6, 1, 12, 0, 0, 0), u"Round trip", u"Lyon",
              u"signer@example.org");
  vn::TMemoryStream out;
  handler->SaveDocument(&out);
  const vn::pdf::TvnPDWriter* writer = handler->BaseDoc()->GetWriter();
  const int64_t start = writer->GetSignatureContentsStart(), end = writer->GetSignatureContentsEnd();
  ASSERT_GT(start, 0);
  const auto certificate = vn::platform::TvnSigningCertificate::FromPKCS12File(p12, "secret");
  vn::platform::FillPDFSignature(out, 0, start, end, *certificate, vn::platform::TvnPDFSignatureKind::pkAdbePKCS7SHA1);
  const std::string pdf(out.Bytes().begin(), out.Bytes().end());
  EXPECT_EQ(vn::pdfwriter::testing::QpdfProblems(pdf, "round_trip_signed.pdf"), "");
  if (!vn::test_support::HaveTool("pdfsig")) return;
  std::string report;
  vn::pdfwriter::testing::Run("pdfsig '" + vn::pdfwriter::testing::SaveTemp(pdf, "round_trip_signed.pdf").string() + "'", &report);
  EXPECT_NE(report.find("Signature Field Name: approval"), std::string::npos) << report;
  EXPECT_NE(report.find("Signature Validation: Signature is Valid."), std::string::npos) << report;
}

}  // namespace
}  // namespace vn::pdfdoc::pd_form_field_engine_round_trip_test
