#include <gtest/gtest.h>

#include "pdfdocument/pdf_document.h"
#include "pdfdocument/pdf_outline.h"
#include "runtime/streams.h"
#include "support/pdf_files.h"

namespace vn::pdfdoc::pdf_document_outline_test {
namespace {

std::string OnePagePdf(const std::string& ATitle) {
  return vn::test_support::PdfOfObjects(
      {"<< /Type /Catalog /Pages 2 0 R /Outlines 4 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>",
       "<< /Type /Outlines /First 5 0 R /Last 5 0 R /Count 1 >>",
       "<< /Title (" + ATitle + ") /Parent 4 0 R /Dest [3 0 R /Fit] >>"});
}

void Load(TvnqPDFDocument& ADocument, const std::string& APdf) {
  ADocument.LoadFromStream(new vn::TMemoryStream(std::vector<uint8_t>(APdf.begin(), APdf.end())), u"", true);
}

TEST(PDFDocumentOutline, RootIsMadeOncePerOpenedFile) {
  TvnqPDFDocument document;
  EXPECT_EQ(document.GetBookmarkRoot(), nullptr);  // nothing open
  Load(document, OnePagePdf("First"));
  TvnPDFOutline* root = document.GetBookmarkRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(document.GetBookmarkRoot(), root);
  ASSERT_NE(root->Child(), nullptr);
  EXPECT_EQ(root->Child()->Title(), u"First");
  // A new file gets a root over its own outline.
  Load(document, OnePagePdf("Second"));
  ASSERT_NE(document.GetBookmarkRoot(), nullptr);
  ASSERT_NE(document.GetBookmarkRoot()->Child(), nullptr);
  EXPECT_EQ(document.GetBookmarkRoot()->Child()->Title(), u"Second");
}

}  // namespace
}  // namespace vn::pdfdoc::pdf_document_outline_test
