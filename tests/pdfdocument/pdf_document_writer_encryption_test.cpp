// The ".pdf" document type reading what the project's PDF writer writes
// encrypted (RC4, 40 and 128 bits): it opens with the user password or the
// owner password, shows the page's text, and refuses a wrong password.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdfdocument/pdf_document.h"
#include "pdfwriter/extended_pdf_engine.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "wordmodel/positioned_text.h"

namespace vn::pdfdoc::pdf_document_writer_encryption_test {
namespace {

namespace fw = vn::framework;
namespace pw = vn::pdfwriter;

// A one-page document with a line of text, written encrypted into memory.
std::string EncryptedPdf(pw::TvnPDFEncryptionLevel level) {
  pw::TvnPDFEngine engine;
  vn::TMemoryStream output;
  engine.Preferences().SetShowSetupDialog(false);
  engine.Preferences().SetOpenAfterCreate(false);
  engine.Preferences().SetOutputToUserStream(true);
  engine.Preferences().EmbedTrueTypeFonts = pw::TvnTTFontEmbedding::etfSubset;
  engine.SetUserStream(&output);
  engine.SetMeasurementUnit(vn::exporter::TvnUnitType::muPixels);
  engine.Encryption().SetEnabled(true);
  engine.Encryption().SetLevel(level);
  engine.Encryption().SetUserPassword("reader");
  engine.Encryption().SetOwnerPassword("writer");
  engine.DocInfo().SetTitle(u"Encrypted title");
  engine.BeginDoc();
  engine.Font().Name = u"Arial";
  engine.Font().Size = 14;
  engine.TextOut(40, 40, u"Hello from the writer");
  engine.EndDoc();
  return std::string(output.Bytes().begin(), output.Bytes().end());
}

// The document loaded with the answers given in turn (cancelled after the
// last); the requests made.
int Load(TvnqPDFDocument& document, const std::string& pdf, std::vector<std::u16string> answers) {
  int requests = 0;
  document.OnNeedPassword = [&](fw::TObject*, fw::TvnNeedPasswordEventArgs& args) {
    if (static_cast<size_t>(requests) < answers.size())
      args.SetPassword(answers[static_cast<size_t>(requests)]);
    else
      args.SetCancel(true);
    ++requests;
  };
  document.LoadFromStream(new vn::TMemoryStream(std::vector<uint8_t>(pdf.begin(), pdf.end())), u"", true);
  return requests;
}

std::string PageText(TvnqPDFDocument& document) {
  std::string text;
  for (fw::TvnDocItem* item : document.GetPage(1)->GetPageElements())
    if (auto* element = dynamic_cast<vn::wordmodel::TvnTextElement*>(item)) text += vn::ToUtf8(element->GetText());
  return text;
}

TEST(PDFDocumentWriterEncryption, OpensWithEitherPasswordAndShowsTheText) {
  for (auto level : {pw::TvnPDFEncryptionLevel::e40bit, pw::TvnPDFEncryptionLevel::e128bit}) {
    SCOPED_TRACE(level == pw::TvnPDFEncryptionLevel::e40bit ? "40-bit" : "128-bit");
    const std::string pdf = EncryptedPdf(level);
    for (const char16_t* password : {u"reader", u"writer"}) {
      TvnqPDFDocument document;
      EXPECT_EQ(Load(document, pdf, {u"wrong", password}), 2);
      ASSERT_TRUE(document.GetIsLoaded());
      EXPECT_EQ(document.GetPageCount(), 1);
      EXPECT_NE(PageText(document).find("Hello"), std::string::npos) << PageText(document);
    }
    TvnqPDFDocument refused;
    try {
      Load(refused, pdf, {u"wrong"});
      ADD_FAILURE() << "loaded";
    } catch (const vn::ExPasswordRequired& e) {
      EXPECT_STREQ(e.what(), "Encrypted PDF: Password required for loading");
    }
    EXPECT_FALSE(refused.GetIsLoaded());
  }
}

}  // namespace
}  // namespace vn::pdfdoc::pdf_document_writer_encryption_test
