// The page tree: pages are collected depth first, each node once, from nested,
// cyclic, repeated, damaged and wrongly counted trees, agreeing with
// pdfinfo where the tree is one it reads the same way; Update writes the
// tree flat without changing what any page shows.
#include "pdfdocument/pd_page_tree.h"

#include <gtest/gtest.h>

#include <set>

#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pdf_model_testing.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_page_tree_test {

using vn::pdfdoc::model_testing::ModelBoxes;
using vn::pdfdoc::model_testing::OpenPdfBytes;
using vn::pdfdoc::model_testing::PdfinfoBoxes;
using vn::pdfdoc::model_testing::SameBoxes;
using vn::pdfdoc::model_testing::TempPdf;
using vn::test_support::PdfOfObjects;

const char* const kCatalog = "<< /Type /Catalog /Pages 2 0 R >>";

// Pages nested two levels deep, attributes inherited from either level and
// overridden on the page.
const std::vector<std::string> kNested = {
    kCatalog,
    "<< /Type /Pages /Kids [5 0 R 4 0 R] /Count 3 /MediaBox [0 0 200 100] /Rotate 180 >>",
    "<< /Type /Page /Parent 5 0 R >>",
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] >>",
    "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 6 0 R] /Count 2 /MediaBox [0 0 400 500] /Rotate 90 >>",
    "<< /Type /Page /Parent 5 0 R /Rotate 0 /CropBox [10 20 30 40] >>"};

// Nodes and pages written directly inside /Kids.
const std::vector<std::string> kDirectNodes = {
    kCatalog,
    "<< /Type /Pages /Kids [<< /Type /Pages /Rotate 90 /Kids [<< /Type /Page /MediaBox [0 0 50 60] >>] >> 3 0 R] "
    "/Count 2 /MediaBox [0 0 200 100] >>",
    "<< /Type /Page /Parent 2 0 R >>"};

// One page listed twice, under nodes of different media boxes.
const std::vector<std::string> kRepeatedPage = {
    kCatalog, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 3 /MediaBox [0 0 200 100] >>",
    "<< /Type /Page /Parent 2 0 R >>",
    "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 5 0 R] /Count 2 /MediaBox [0 0 400 500] >>",
    "<< /Type /Page /Parent 4 0 R /Rotate 90 >>"};

std::vector<std::string> DeepChain(int depth) {
  std::vector<std::string> objects = {kCatalog};
  for (int i = 0; i < depth; ++i)
    objects.push_back("<< /Type /Pages /Kids [" + std::to_string(i + 3) + " 0 R] /Count 1 >>");
  objects.push_back("<< /Type /Page /MediaBox [0 0 10 10] >>");
  return objects;
}

TEST(PDPageTree, CollectsPagesDepthFirst) {
  struct Case {
    const char* what;
    std::vector<std::string> objects;
    std::vector<int64_t> pages;  // object numbers in page order
    bool same_as_pdfinfo;
  };
  const Case cases[] = {
      {"nested nodes with inherited attributes", kNested, {3, 6, 4}, true},
      {"a node whose kids lead back to the root",
       {kCatalog, "<< /Type /Pages /Kids [3 0 R 5 0 R 4 0 R] /Count 3 /MediaBox [0 0 200 100] >>",
        "<< /Type /Page /Parent 2 0 R >>", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] >>",
        "<< /Type /Pages /Kids [2 0 R 6 0 R] /Count 1 /Rotate 90 >>", "<< /Type /Page /CropBox [10 10 150 50] >>"},
       {3, 6, 4},
       true},
      {"a Count above the pages the tree holds",
       {kCatalog, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 3 /MediaBox [0 0 200 100] >>",
        "<< /Type /Page /Parent 2 0 R >>", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] >>"},
       {3, 4},
       true},
      {"a page without Type",
       {kCatalog, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 200 100] >>", "<< /Parent 2 0 R >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] >>"},
       {3, 4},
       true},
      {"a node listed twice",
       {kCatalog, "<< /Type /Pages /Kids [5 0 R 5 0 R 4 0 R] /Count 3 /MediaBox [0 0 200 100] >>",
        "<< /Type /Page /Parent 5 0 R >>", "<< /Type /Page /Parent 2 0 R >>",
        "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R] /Count 1 >>"},
       {3, 4},
       false},
      {"a page listed twice", kRepeatedPage, {3, 3, 5}, true},
      {"a page listed more often than Count promises",
       {kCatalog, "<< /Type /Pages /Kids [3 0 R 3 0 R 4 0 R 3 0 R] /Count 2 /MediaBox [0 0 200 100] >>",
        "<< /Type /Page /Parent 2 0 R >>", "<< /Type /Page /Parent 2 0 R >>"},
       {3, 3, 4},
       false},
      {"a node without Kids among pages",
       {kCatalog, "<< /Type /Pages /Kids [5 0 R 3 0 R 4 0 R] /Count 3 /MediaBox [0 0 200 100] >>",
        "<< /Type /Page /Parent 2 0 R >>", "<< /Type /Page /Parent 2 0 R >>", "<< /Type /Pages /Count 0 >>"},
       {3, 4},
       false},
      {"kids that are not dictionaries or of another type",
       {kCatalog, "<< /Type /Pages /Kids [7 (text) null 3 0 R 4 0 R] /Count 2 >>", "<< /Type /Page >>",
        "<< /Type /Template >>"},
       {3},
       false},
      {"a root without Kids", {kCatalog, "<< /Type /Pages /Count 4 >>"}, {}, false},
      {"nesting deeper than the walk goes", DeepChain(400), {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string pdf = PdfOfObjects(c.objects);
    auto handler = OpenPdfBytes(pdf);
    ASSERT_EQ(handler->GetPageCount(), static_cast<int32_t>(c.pages.size()));
    for (size_t i = 0; i < c.pages.size(); ++i) {
      TvnPDPage* page = handler->GetPage(static_cast<int32_t>(i + 1));
      ASSERT_NE(page, nullptr);
      EXPECT_EQ(page->BaseObject()->GetObjNumber(), c.pages[i]);
      EXPECT_EQ(page->PageNum(), static_cast<int32_t>(i + 1));
    }
    EXPECT_EQ(handler->GetPage(0), nullptr);
    EXPECT_EQ(handler->GetPage(static_cast<int32_t>(c.pages.size() + 1)), nullptr);
    if (c.same_as_pdfinfo && vn::test_support::HaveTool("pdfinfo")) {
      const auto file = TempPdf("tree.pdf");
      std::FILE* f = std::fopen(file.c_str(), "wb");
      std::fwrite(pdf.data(), 1, pdf.size(), f);
      std::fclose(f);
      const auto expected = PdfinfoBoxes(file, static_cast<int>(c.pages.size()) + 1);
      const auto model = ModelBoxes(*handler);
      ASSERT_EQ(model.size(), expected.size());
      for (const auto& [n, boxes] : expected) {
        EXPECT_TRUE(SameBoxes(model.at(n), boxes))
            << "page " << n << ": model " << model_testing::BoxesText(model.at(n)) << ", pdfinfo "
            << model_testing::BoxesText(boxes);
      }
    }
  }
}

TEST(PDPageTree, PageByReference) {
  auto handler = OpenPdfBytes(PdfOfObjects(kNested));
  TvnPDPageTree* tree = handler->Catalog()->PageTree();
  vn::pdf::TvnPDIndirectRef ref6(6, 0);
  vn::pdf::TvnPDIndirectRef ref5(5, 0);
  ASSERT_NE(tree->GetPageByIndRef(&ref6), nullptr);
  EXPECT_EQ(tree->GetPageByIndRef(&ref6)->PageNum(), 2);
  EXPECT_EQ(tree->GetPageByIndRef(&ref5), nullptr);  // a node, not a page
  EXPECT_EQ(tree->GetPageBaseObject(3)->GetObjNumber(), 4);
}

TEST(PDPageTree, UpdateWritesTheTreeFlatKeepingEveryPage) {
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  if (!vn::test_support::HaveTool("pdfinfo")) GTEST_SKIP() << "pdfinfo missing";
  for (const auto& objects : {kNested, kDirectNodes, kRepeatedPage}) {
    auto handler = OpenPdfBytes(PdfOfObjects(objects));
    const auto before = ModelBoxes(*handler);
    const auto file = TempPdf("flat.pdf");
    handler->SaveDocument(file);
    EXPECT_EQ(vn::pdf::testing::RunTool("qpdf --check " + file.string()), 0);

    TvnPDFDocumentHandler saved;
    saved.LoadDocument(file);
    auto* root = saved.Catalog()->Dict()->LookUp("Pages")->AsDict();
    auto* kids = root->LookUp("Kids")->AsArray();
    ASSERT_EQ(kids->GetLength(), static_cast<int64_t>(before.size()));
    EXPECT_EQ(root->LookUp("Count")->AsInteger()->GetValue(), static_cast<int64_t>(before.size()));
    std::set<int64_t> numbers;  // every page an object of its own
    for (int64_t i = 0; i < kids->GetLength(); ++i) {
      EXPECT_TRUE(kids->GetRefObj(i)->IsIndirectRef());
      EXPECT_TRUE(kids->Get(i)->IsDict("Page"));
      EXPECT_TRUE(numbers.insert(kids->GetRefObj(i)->GetObjNumber()).second);
    }
    const auto after = ModelBoxes(saved);
    const auto pdfinfo = PdfinfoBoxes(file, static_cast<int>(before.size()));
    ASSERT_EQ(after.size(), before.size());
    ASSERT_EQ(pdfinfo.size(), before.size());
    for (const auto& [n, boxes] : before) {
      EXPECT_TRUE(SameBoxes(after.at(n), boxes)) << "page " << n << ": " << model_testing::BoxesText(after.at(n));
      EXPECT_TRUE(SameBoxes(pdfinfo.at(n), boxes)) << "page " << n << ": " << model_testing::BoxesText(pdfinfo.at(n));
    }
  }
}

}  // namespace vn::pdfdoc::pd_page_tree_test
