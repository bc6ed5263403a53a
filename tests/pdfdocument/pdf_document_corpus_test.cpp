// Every corpus PDF through the ".pdf" document type as the converter reads
// it: it opens (with its password) or fails with an exception, and every
// page of an opened file gives its size and its text elements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

}  // namespace
}  // namespace vn::pdfdoc::pdf_document_corpus_test
