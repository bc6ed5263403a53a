// The annotations of the ".pdf" document type's pages: the list a viewer
// reads and the notes it inserts, saved with the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pdf/pdf_corpus.h"
#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pdf_document.h"
#include "platform/emf/emf_reader.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pdf_document_annots_test {
namespace {

namespace fs = std::filesystem;

TEST(PdfDocumentAnnots, PagesListTheirAnnotationsAndTakeNotes) {
  const fs::path fixture = fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "annotations" / "annotations.pdf";
  const fs::path saved = fs::temp_directory_path() / "document_with_note.pdf";
  {
    TvnqPDFDocument document;
    document.LoadFromFile(vn::FromUtf8(fixture.string()), u"");
    auto* page = dynamic_cast<TvnqPDFPage*>(document.GetPage(2));
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->GetAnnots().size(), 4u);
    EXPECT_EQ(&page->GetAllFormFields(), &page->GetAnnots());
    TvnPDTextAnnot note;
    note.SetRect(10, 10, 30, 30);
    note.SetContents(u"A note");
    page->InsertAnnotation(&note, nullptr);
    ASSERT_EQ(page->GetAnnots().size(), 5u);
    TvnPDTextAnnot reply;
    reply.SetRect(10, 10, 30, 30);
    page->InsertAnnotation(&reply, page->GetAnnots().back());
    ASSERT_EQ(page->GetAnnots().size(), 6u);
    EXPECT_TRUE(page->GetAnnots().back()->IsReply());
    ASSERT_TRUE(document.SaveToFile(vn::FromUtf8(saved.string())));
  }
  TvnqPDFDocument again;
  again.LoadFromFile(vn::FromUtf8(saved.string()), u"");
  auto* page = dynamic_cast<TvnqPDFPage*>(again.GetPage(2));
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(page->GetAnnots().size(), 6u);
  EXPECT_EQ(page->GetAnnots()[4]->Contents(), u"A note");
  if (vn::test_support::HaveTool("qpdf")) {
    std::string check;
    EXPECT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--check", saved.string()}, &check), 0) << check;
  }
  // A page of metafiles has none.
  EXPECT_TRUE(TvnqPDFPage().GetAnnots().empty());
}

}  // namespace
}  // namespace vn::pdfdoc::pdf_document_annots_test
