#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdfdocument/outline_testing.h"
#include "pdf/objects.h"
#include "pdfdocument/pd_bookmark.h"
#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_destination.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"
#include "pdfdocument/pdf_model_testing.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_outline_oracle_test {

namespace fs = std::filesystem;
using outline_testing::HexOf;
using outline_testing::ModelItems;
using outline_testing::RunOracle;

fs::path NestedFixture() { return fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "outline_nested.pdf"; }

std::unique_ptr<TvnPDFDocumentHandler> OpenFile(const fs::path& file) {
  auto handler = std::make_unique<TvnPDFDocumentHandler>();
  handler->LoadDocument(file);
  return handler;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

// The oracle's named destinations resolved through the catalog, in its
// "N page name" lines.
std::vector<std::string> ModelNames(TvnPDFDocumentHandler& handler, const std::vector<std::string>& oracle) {
  std::vector<std::string> out;
  for (const std::string& line : oracle) {
    std::istringstream fields(line);
    std::string kind, page, hex;
    fields >> kind >> page >> hex;
    const std::string name = hex == "-" ? std::string() : vn::pdf::HexStringBytes(hex);
    int found = -1;
    if (vn::pdf::TvnPDArray* array = handler.Catalog()->NamedDestination(name)) {
      TvnqPDFDestination dest(&handler, nullptr, array);
      if (dest.Page()) found = dest.Page()->PageNum() - 1;
    }
    out.push_back("N " + std::to_string(found) + " " + hex);
  }
  return out;
}

// The outline (titles, levels, target pages) and the named destinations of
// the LibreOffice export and of every corpus file with an outline are those
// the independent reader gives.
TEST(PDOutlineOracle, OutlinesAndNamedDestinationsMatchTheReader) {
  if (!outline_testing::HaveOracle()) GTEST_SKIP() << "python3-pypdf is not installed";
  std::vector<fs::path> files = {NestedFixture()};
  for (const char* name : {"pdfjs_TAMReview.pdf", "pdfjs_empty.pdf", "pdfjs_form_two_pages.pdf",
                           "pdfjs_freeculture.pdf", "pdfjs_issue17215.pdf", "pdfjs_nested_outline.pdf",
                           "pdfjs_outlines_for_editor.pdf", "pdfjs_resetform.pdf", "qpdf_V4.pdf"}) {
    const fs::path file = fs::path(VN_CORPUS_DIR) / "pdf" / name;
    if (fs::exists(file)) files.push_back(file);
  }
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    const auto oracle = RunOracle(file);
    ASSERT_TRUE(oracle.ran);
    ASSERT_FALSE(oracle.items.empty());
    auto handler = OpenFile(file);
    std::vector<std::string> items;
    ModelItems(*handler->GetBookmarkRoot(), items);
    EXPECT_EQ(Joined(items), Joined(oracle.items));
    EXPECT_EQ(Joined(ModelNames(*handler, oracle.names)), Joined(oracle.names));
  }
}

TvnPDFBookmark* Find(TvnPDFBookmark* root, const char16_t* title) {
  return root->GetByTitle(title, TvnOutlineTaversalType::ottDepthFirst, TvnOutlineTraversalDepth::otdFullSubtree);
}

// A new item over a new indirect dictionary with the title.
std::unique_ptr<TvnPDFBookmark> NewItem(TvnPDFDocumentHandler& handler, const char16_t* title) {
  auto* dict = handler.AddNewObject(std::make_unique<vn::pdf::TvnPDDictionary>(handler.BaseDoc()));
  auto item = std::make_unique<TvnPDFBookmark>(&handler, nullptr, dict);
  item->SetTitle(title);
  return item;
}

// Adding, deleting, unlinking and moving, retitling with non-ASCII text and
// recolouring give a file that checks clean and whose outline the reader
// sees as edited, with every /First, /Last, /Prev, /Parent and /Count right.
TEST(PDOutlineOracle, EditedOutlineSavesSound) {
  auto handler = OpenFile(NestedFixture());
  TvnPDFBookmark* root = handler->GetBookmarkRoot();
  const char16_t* kRussian = u"Введение — 概要";

  Find(root, u"Introduction")->SetTitle(kRussian);
  Find(root, u"method")->SetColor({TvnColorSpaceMode::csDeviceRGB, {1.0, 0.0, 0.0}});

  TvnPDFBookmark* added = Find(root, u"Setup")->AddNext(NewItem(*handler, u"Added ✓"));
  ASSERT_NE(added, nullptr);
  TvnPDRect rect(10, 20, 300, 400);
  ASSERT_TRUE(added->SetDestination(
      std::make_unique<TvnqPDFDestination>(handler.get(), handler->GetPage(3), TvnPageDisplayOptions::FitRect, &rect)));
  TvnPDFBookmark* cover = root->FirstChild()->AddPrev(NewItem(*handler, u"Cover"));
  ASSERT_NE(cover, nullptr);
  ASSERT_TRUE(cover->SetDestination(
      std::make_unique<TvnqPDFDestination>(handler.get(), handler->GetPage(1), TvnPageDisplayOptions::FitAll, nullptr)));

  TvnPDFBookmark* results = Find(root, u"Results");
  ASSERT_TRUE(results->DeleteChild(0));
  EXPECT_FALSE(results->HasChildren());

  std::unique_ptr<TvnPDFBookmark> scope = Find(root, u"Scope")->UnLink();
  ASSERT_NE(scope, nullptr);
  EXPECT_EQ(Find(root, u"Scope"), nullptr);
  ASSERT_NE(Find(root, u"Steps")->AddNext(std::move(scope)), nullptr);
  EXPECT_EQ(Find(root, u"Détails à l’écart")->Level(), 3);

  const fs::path out = model_testing::TempPdf("outline_edited.pdf");
  handler->SaveDocument(out);

  // Reading the saved file back gives the same outline as the edited model.
  auto reread = OpenFile(out);
  std::vector<std::string> items;
  ModelItems(*reread->GetBookmarkRoot(), items);
  const std::vector<std::string> expected = {
      "I 1 0 " + HexOf("Cover"),     "I 1 0 " + HexOf(vn::ToUtf8(kRussian)),
      "I 1 1 " + HexOf("Method"),    "I 2 1 " + HexOf("Setup"),
      "I 2 2 " + HexOf("Added ✓"),   "I 2 1 " + HexOf("Steps"),
      "I 2 0 " + HexOf("Scope"),     "I 3 0 " + HexOf("Détails à l’écart"),
      "I 1 2 " + HexOf("Results")};
  EXPECT_EQ(Joined(items), Joined(expected));
  TvnPDColorValue color;
  ASSERT_TRUE(Find(reread->GetBookmarkRoot(), u"Method")->GetColor(color));
  EXPECT_EQ(color.Components, (std::vector<double>{1.0, 0.0, 0.0}));

  if (vn::test_support::HaveTool("qpdf")) {
    std::string check;
    EXPECT_EQ(vn::pdf::testing::RunTool("qpdf --check " + vn::pdf::testing::Quote(out.string()), &check), 0) << check;
  }
  if (!outline_testing::HaveOracle()) GTEST_SKIP() << "python3-pypdf is not installed";
  const auto oracle = RunOracle(out);
  ASSERT_TRUE(oracle.ran);
  EXPECT_EQ(Joined(oracle.items), Joined(expected));
  ASSERT_EQ(oracle.links.size(), 10u);
  for (const std::string& line : oracle.links) {
    std::istringstream fields(line);
    std::string kind;
    int ok = 0;
    long count = 0, visible = 0;
    fields >> kind >> ok >> count >> visible;
    EXPECT_EQ(ok, 1) << line;
    EXPECT_EQ(std::labs(count), visible) << line;
  }
  fs::remove(out);
}

}  // namespace vn::pdfdoc::pd_outline_oracle_test
