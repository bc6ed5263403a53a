// Every corpus PDF through the ".pdf" document type as the converter reads
// it: it opens (with its password) or fails with an exception, and every
// page of an opened file gives its size and its text elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>

#include "pdf/pdf_corpus.h"
#include "pdfdocument/pdf_document.h"
#include "runtime/strings.h"
#include "support/paths.h"

namespace vn::pdfdoc::pdf_document_corpus_test {
namespace {

namespace fw = vn::framework;

constexpr int32_t kPagesPerFile = 8;

TEST(PDFDocumentCorpus, EveryFileOpensOrFailsCleanlyAndItsPagesGiveTheirText) {
  const auto files = vn::pdf::testing::ReadManifest(VN_CORPUS_DIR);
  ASSERT_GT(files.size(), 100u);
  int opened = 0;
  int pages = 0;
  int elements = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.path);
    TvnqPDFDocument document;
    try {
      document.LoadFromFile(vn::FromUtf8(file.path), vn::FromUtf8(file.password));
    } catch (const std::exception& e) {
      // Only files known to be beyond repair or encrypted in a way not
      // supported may refuse to open.
      EXPECT_TRUE(file.Damaged() || file.Unsupported()) << e.what();
      EXPECT_FALSE(document.GetIsLoaded());
      continue;
    }
    ASSERT_TRUE(document.GetIsLoaded());
    ++opened;
    const int32_t count = document.GetPageCount();
    // A damaged page tree may leave no page to reach.
    if (!file.Damaged()) EXPECT_GE(count, 1);
    // The first pages of a long file say as much as all of them would.
    for (int32_t i = 1; i <= std::min(count, kPagesPerFile); ++i) {
      fw::TvnPage* page = document.GetPage(i);
      ASSERT_NE(page, nullptr) << "page " << i;
      const fw::TvnPageSize size = page->GetPageSize();
      EXPECT_TRUE(std::isfinite(size.Width) && size.Width > 0) << "page " << i;
      EXPECT_TRUE(std::isfinite(size.Height) && size.Height > 0) << "page " << i;
      EXPECT_NO_THROW(elements += static_cast<int>(page->GetPageElements().size())) << "page " << i;
      ++pages;
    }
  }
  // Most of the corpus opens and shows text.
  EXPECT_GT(opened, 150);
  EXPECT_GT(elements, pages);
  RecordProperty("opened", opened);
  RecordProperty("pages", pages);
  RecordProperty("elements", elements);
}

// Damaged files and the pages read from them; -1: the file does not open.
TEST(PDFDocumentCorpus, DamagedFilesGiveThePagesTheyHold) {
  struct Case {
    const char* file;
    int32_t pages;
    const char* why;
  };
  const Case cases[] = {
      {"pdfjs_issue9418.pdf", 1, "the trailer's Root names the Info dictionary; the catalog is found in the file"},
      {"qpdf_xref-compressed-in-compressed.pdf", 30, "one page is listed twice, as Count says"},
      {"pdfjs_Pages-tree-refs.pdf", 1, "the second kid leads into a cycle of nodes holding no page"},
      {"qpdf_deep-pages.pdf", 0, "a chain of nodes that ends in a cycle; the only page is not in the tree"},
      {"pdfjs_poppler-937-0-fuzzed.pdf", 0, "the root's Kids is not an array"},
      {"pdfjs_poppler-395-0-fuzzed.pdf", 0, "the page tree's root is missing"},
      {"pdfjs_issue15590.pdf", 0, "Pages names an action"},
      {"pdfjs_REDHAT-1531897-0.pdf", -1, "no catalog anywhere in the file"},
      {"qpdf_issue-141a.pdf", -1, "no catalog anywhere in the file"},
      {"qpdf_bad1.pdf", -1, "not a PDF file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.why);
    const std::string path = std::string(VN_CORPUS_DIR) + "/pdf/" + c.file;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "corpus missing";
    TvnqPDFDocument document;
    try {
      document.LoadFromFile(vn::FromUtf8(path), u"");
    } catch (const std::exception& e) {
      EXPECT_EQ(c.pages, -1) << e.what();
      continue;
    }
    EXPECT_EQ(document.GetPageCount(), c.pages);
  }
}

}  // namespace
}  // namespace vn::pdfdoc::pdf_document_corpus_test
