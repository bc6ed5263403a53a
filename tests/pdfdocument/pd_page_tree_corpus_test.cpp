// Every corpus PDF that both the model and pdfinfo open: the page count, the
// media and crop boxes and the rotation of every page agree with pdfinfo
// (one pdfinfo run per file).
#include <gtest/gtest.h>

#include "pdfdocument/pdf_model_testing.h"
#include "runtime/exceptions.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_page_tree_corpus_test {

// Files where the model differs from pdfinfo on purpose, with the reason.
const std::map<std::string, std::string> kKnownDifferences = {};

using vn::pdfdoc::model_testing::ModelBoxes;
using vn::pdfdoc::model_testing::PdfinfoBoxes;
using vn::pdfdoc::model_testing::SameBoxes;

TEST(PDPageTreeCorpus, PagesAgreeWithPdfinfo) {
  if (!vn::test_support::HaveTool("pdfinfo")) GTEST_SKIP() << "pdfinfo missing";
  const auto files = vn::pdf::testing::ReadManifest(VN_CORPUS_DIR);
  if (files.empty()) GTEST_SKIP() << "no corpus";
  int opened = 0;
  int compared = 0;
  int pages = 0;
  for (const auto& file : files) {
    SCOPED_TRACE(file.path);
    TvnPDFDocumentHandler handler;
    handler.SetPassword(file.password);
    std::map<int, vn::pdfdoc::model_testing::PageBoxes> model;
    try {
      handler.LoadDocument(file.path);
      model = ModelBoxes(handler);
    } catch (const vn::Exception&) {
      continue;  // files that do not open are the object layer's tests
    }
    ++opened;
    // One page past ours, so a page we missed shows.
    bool pdfinfo_opened = false;
    const auto expected = PdfinfoBoxes(file.path, static_cast<int>(model.size()) + 1, file.password, &pdfinfo_opened);
    if (!pdfinfo_opened) continue;
    const auto known = kKnownDifferences.find(std::filesystem::path(file.path).filename().string());
    if (known != kKnownDifferences.end()) {
      EXPECT_NE(model.size(), expected.size()) << "no longer differs: " << known->second;
      continue;
    }
    ++compared;
    pages += static_cast<int>(model.size());
    EXPECT_EQ(model.size(), expected.size());
    for (const auto& [n, boxes] : expected) {
      if (!model.count(n)) continue;
      EXPECT_TRUE(SameBoxes(model.at(n), boxes)) << "page " << n << ": model " << model_testing::BoxesText(model.at(n))
                                                 << ", pdfinfo " << model_testing::BoxesText(boxes);
    }
  }
  std::printf("[ corpus   ] %d files opened, %d compared with pdfinfo, %d pages\n", opened, compared, pages);
  EXPECT_GT(compared, 100);
}

}  // namespace vn::pdfdoc::pd_page_tree_corpus_test
