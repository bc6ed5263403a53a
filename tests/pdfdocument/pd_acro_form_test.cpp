#include "pdfdocument/pd_acro_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdf/pdf_file_builder.h"
#include "pdfdocument/form_testing.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_form_field.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_model_testing.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_acro_form_test {

namespace fs = std::filesystem;
using form_testing::Joined;
using form_testing::ModelFields;
using form_testing::OpenFile;
using form_testing::OracleFields;

// A one-page file whose catalog holds the AcroForm dictionary text and whose
// objects from 4 on are the bodies given.
std::string FormPdf(const std::string& AAcroForm, const std::vector<std::string>& AObjects) {
  vn::pdf::testing::PdfFileBuilder b("%PDF-1.7\n");
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R/AcroForm " + AAcroForm + ">>");
  b.Obj(2, "<</Type/Pages/Kids[3 0 R]/Count 1>>");
  b.Obj(3, "<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 200]>>");
  for (size_t i = 0; i < AObjects.size(); ++i) b.Obj(static_cast<int64_t>(4 + i), AObjects[i]);
  b.ClassicTable("/Size " + std::to_string(4 + AObjects.size()) + "/Root 1 0 R");
  return b.Data();
}

std::vector<std::string> Names(TvnPDFDocumentHandler& handler) {
  std::vector<std::string> names;
  for (TvnPDFormField* f : handler.Catalog()->AcroForm()->Fields()) names.push_back(vn::ToUtf8(f->FullQualifiedName()));
  return names;
}

// The LibreOffice export (a hierarchy under "address", a radio group with
// widget kids, check, combo and list boxes) and the form files of the
// corpus: qualified names, types, flags and values as the independent
// reader gives them, in the same order.
TEST(PDAcroForm, FieldsMatchTheReader) {
  if (!form_testing::HaveOracle()) GTEST_SKIP() << "python3-pypdf is not installed";
  std::vector<fs::path> files = {form_testing::FormFixture("form_hierarchy.pdf")};
  for (const char* name : {"pdfjs_form_two_pages.pdf", "pdfjs_resetform.pdf", "pdfjs_annotation-button-widget.pdf",
                           "pdfjs_annotation-tx3.pdf", "qpdf_field-types.pdf", "qpdf_form-filled-with-atril.pdf",
                           "qpdf_digitally-signed.pdf", "pdfjs_file_pdfjs_form.pdf"}) {
    const fs::path file = fs::path(VN_CORPUS_DIR) / "pdf" / name;
    if (fs::exists(file)) files.push_back(file);
  }
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::vector<std::string> oracle;
    ASSERT_TRUE(OracleFields(file, oracle));
    auto handler = OpenFile(file);
    EXPECT_EQ(Joined(ModelFields(*handler)), Joined(oracle));
  }
}

// Every kind of field filled through the model, non-ASCII text included,
// reads back from the saved file with the reader; the file passes qpdf
// --check, and the defaults (DV) stay as they were.
TEST(PDAcroForm, FilledFieldsReadBackAfterSave) {
  if (!form_testing::HaveOracle() || !vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "pypdf or qpdf missing";
  auto handler = OpenFile(form_testing::FormFixture("form_hierarchy.pdf"));
  TvnPDAcroForm* form = handler->Catalog()->AcroForm();
  struct Fill {
    const char16_t* Name;
    const char16_t* Value;
  };
  const Fill fills[] = {{u"name", u"Jörg Müller-Åström"}, {u"address.city", u"Genève"}, {u"news", u"yes"},
                        {u"agree", u"Off"},                {u"colour", u"blue"},         {u"fruit", u"Cherry"},
                        {u"tags", u"Two"},                 {u"notes", u"Zeile eins\nZeile zwei"}};
  for (const Fill& f : fills) {
    TvnPDFormField* field = form->FieldByName(f.Name);
    ASSERT_NE(field, nullptr) << vn::ToUtf8(f.Name);
    field->SetValue(f.Value);
  }
  const fs::path out = model_testing::TempPdf("filled.pdf");
  handler->SaveDocument(out);

  std::string check;
  EXPECT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--check", out.string()}, &check), 0) << check;
  std::vector<std::string> oracle;
  ASSERT_TRUE(OracleFields(out, oracle));
  EXPECT_EQ(Joined(oracle),
            "address.street\tTx\t0\tMain Road 1\n"
            "address.city\tTx\t0\tGenève\n"
            "address.zip\tTx\t0\t8001\n"
            "name\tTx\t0\tJörg Müller-Åström\n"
            "pin\tTx\t8192\t\n"
            "notes\tTx\t4096\tZeile eins\nZeile zwei\n"
            "agree\tBtn\t0\tOff\n"
            "news\tBtn\t0\tYes\n"
            "colour\tBtn\t49152\tblue\n"
            "fruit\tCh\t131072\tCherry\n"
            "tags\tCh\t0\tTwo\n");
  // The saved file reads back the same through the model, and the changes
  // left every default value alone.
  auto again = OpenFile(out);
  EXPECT_EQ(Joined(ModelFields(*again)), Joined(oracle));
  TvnPDAcroForm* reread = again->Catalog()->AcroForm();
  EXPECT_EQ(reread->FieldByName(u"agree")->DefaultValue(), u"Yes");
  EXPECT_EQ(reread->FieldByName(u"colour")->DefaultValue(), u"green");
  EXPECT_EQ(reread->FieldByName(u"address.city")->DefaultValue(), u"Zürich");
}

// The page's widgets are the catalog's fields: a radio group's three
// widgets give it once.
TEST(PDAcroForm, PageFormFieldsAreTheCatalogs) {
  auto handler = OpenFile(form_testing::FormFixture("form_hierarchy.pdf"));
  TvnPDPage* page = handler->GetPage(1);
  ASSERT_NE(page, nullptr);
  const auto& fields = handler->Catalog()->AcroForm()->Fields();
  ASSERT_EQ(fields.size(), 11u);
  for (int32_t i = 1; i <= 11; ++i) {
    TvnPDFormField* field = page->GetFormField(i);
    ASSERT_NE(field, nullptr) << i;
    EXPECT_NE(std::find(fields.begin(), fields.end(), field), fields.end()) << i;
  }
  EXPECT_EQ(page->GetFormField(12), nullptr);
  EXPECT_EQ(page->GetFormField(0), nullptr);
}

// Partial names join along the path; what a node sets (its name, default
// appearance, flags) reaches its descendants but not its later siblings.
TEST(PDAcroForm, InheritedValuesReachDescendantsOnly) {
  const std::string pdf = FormPdf(
      "<</Fields[4 0 R 8 0 R]/DA(/Helv 0 Tf 0 g)/DR<</Font<</Helv<</Type/Font/Subtype/Type1/BaseFont/Helvetica>>"
      "/TiBo<</Type/Font/Subtype/Type1/BaseFont/Times-BoldItalic>>>>>>>>",
      {"<</T(a)/Kids[5 0 R 7 0 R]>>",                                // 4
       "<</T(b)/DA(/TiBo 10.6 Tf 0 g)/Kids[6 0 R]>>",                // 5
       "<</T(c)/FT/Tx/F 4>>",                                        // 6
       "<</T(d)/FT/Tx>>",                                            // 7
       "<</T<FEFF00DF00E9>/FT/Btn/Ff 32768/Kids[9 0 R]>>",           // 8: UTF-16 name
       "<</Subtype/Widget/Parent 8 0 R/AP<</N<</Off 10 0 R>>>>>>",   // 9
       "<</Length 0>>stream\n\nendstream"});                         // 10
  auto handler = model_testing::OpenPdfBytes(pdf);
  EXPECT_EQ(Names(*handler), (std::vector<std::string>{"a.b.c", "a.d", "ßé"}));
  TvnPDAcroForm* form = handler->Catalog()->AcroForm();
  TvnPDFormField* c = form->FieldByName(u"a.b.c");
  TvnPDFormField* d = form->FieldByName(u"a.d");
  EXPECT_EQ(c->FieldRec().DAValue, "/TiBo 10.6 Tf 0 g");
  EXPECT_EQ(c->FieldRec().FFlag, 4);
  EXPECT_EQ(c->Font()->name(), "Times");
  EXPECT_TRUE(c->Font()->Style().Contains(vn::framework::TvnFontStyle::fsBold));
  EXPECT_EQ(c->Font()->Size(), 11);
  EXPECT_EQ(d->FieldRec().DAValue, "/Helv 0 Tf 0 g");
  EXPECT_EQ(d->FieldRec().FFlag, 0);
  EXPECT_EQ(d->Font()->name(), "Helvetica");
  EXPECT_EQ(d->Font()->Size(), 8);
  // The widget finds its field through /Parent.
  TvnPDFormField* radio = form->FieldByName(u"ßé");
  ASSERT_NE(radio, nullptr);
  EXPECT_EQ(form->GetAcroFormField(handler->GetObject(9)), radio);
  EXPECT_EQ(form->GetAcroFormField(handler->GetObject(8)), radio);
  EXPECT_EQ(form->GetAcroFormField(handler->GetObject(4)), nullptr);
}

// A field tree whose /Kids lead back to an ancestor (or to the node
// itself) ends at the guard: each node is made into a field once.
TEST(PDAcroForm, KidsCycleEndsAtTheGuard) {
  const std::string pdf = FormPdf("<</Fields[4 0 R 4 0 R]>>", {"<</T(top)/FT/Tx/Kids[5 0 R 4 0 R]>>",
                                                                "<</T(kid)/FT/Tx/Kids[4 0 R 5 0 R 6 0 R]>>",
                                                                "<</T(leaf)/FT/Ch/Kids[4 0 R]>>"});
  auto handler = model_testing::OpenPdfBytes(pdf);
  EXPECT_EQ(Names(*handler), (std::vector<std::string>{"top", "top.kid", "top.kid.leaf"}));
}

// Fonts of default appearances: the resource's BaseFont when the default
// resources hold it (subset tag and style suffix cut), the resource name
// otherwise; sizes rounded half to even, 0 (automatic) read as 8.
TEST(PDAcroForm, FontOfDefaultAppearance) {
  vn::pdf::TvnPDDictionary fonts;
  auto arial = std::make_unique<vn::pdf::TvnPDDictionary>();
  arial->Add("BaseFont", std::make_unique<vn::pdf::TvnPDName>("ABCDEF+Arial,BoldItalic"));
  fonts.Add("F1", std::move(arial));
  struct Case {
    const char* DA;
    const char* Name;
    int Size;
    bool Bold, Italic;
  };
  const Case cases[] = {{"/Helv 0 Tf 0 g", "Helv", 8, false, false},
                        {"0 0 0 rg /F1 10.5 Tf", "Arial", 10, true, true},
                        {"/F1 11.5 Tf", "Arial", 12, true, true},
                        {"/Courier-Oblique 9 Tf", "Courier", 9, false, true},
                        {"", "Arial", 8, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.DA);
    const std::unique_ptr<TvnFont> font = TvnPDAcroForm::FontOfDA(c.DA, &fonts);
    EXPECT_EQ(font->name(), c.Name);
    EXPECT_EQ(font->Size(), c.Size);
    EXPECT_EQ(font->Style().Contains(vn::framework::TvnFontStyle::fsBold), c.Bold);
    EXPECT_EQ(font->Style().Contains(vn::framework::TvnFontStyle::fsItalic), c.Italic);
  }
}

}  // namespace vn::pdfdoc::pd_acro_form_test
