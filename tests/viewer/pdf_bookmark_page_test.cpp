#include "viewer/pdf_bookmark_page.h"

#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "pdfdocument/outline_testing.h"
#include "pdfdocument/pdf_document.h"
#include "pdfdocument/pdf_outline.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "stub_viewer.h"
#include "support/paths.h"
#include "support/pdf_files.h"

namespace vn::viewer::pdf_bookmark_page_test {
namespace {

struct GoTo {
  int32_t page, top, left;
  bool operator==(const GoTo&) const = default;
};

class RecordingViewer : public test::StubViewer<TvnBaseDocumentViewer> {
 public:
  void GoToPage(int32_t PageNumber, int32_t ATop, int32_t ALeft) override {
    calls.push_back({PageNumber, ATop, ALeft});
  }
  std::vector<GoTo> calls;
};

void LoadBytes(pdfdoc::TvnqPDFDocument& ADocument, const std::string& APdf) {
  ADocument.LoadFromStream(new vn::TMemoryStream(std::vector<uint8_t>(APdf.begin(), APdf.end())), u"", true);
}

// A PDF of APages US Letter pages whose outline root (object 3) has the
// items AItems as objects 4 + APages on: the catalog is object 1, the page
// tree 2, the pages 4 .. 3 + APages.
std::string OutlinePdf(int APages, const std::string& ARoot, const std::vector<std::string>& AItems) {
  std::vector<std::string> objects;
  std::string kids;
  for (int i = 0; i < APages; ++i) kids += std::to_string(4 + i) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R /Outlines 3 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(APages) + " >>");
  objects.push_back(ARoot);
  for (int i = 0; i < APages; ++i) objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
  objects.insert(objects.end(), AItems.begin(), AItems.end());
  return vn::test_support::PdfOfObjects(objects);
}

std::string Ref(int ANumber) { return std::to_string(ANumber) + " 0 R"; }

// The tree's nodes depth first as "depth title" lines.
std::vector<std::string> TreeLines(QTreeWidget* ATree) {
  std::vector<std::string> lines;
  std::vector<std::pair<QTreeWidgetItem*, int>> stack;
  for (int i = ATree->topLevelItemCount() - 1; i >= 0; --i) stack.emplace_back(ATree->topLevelItem(i), 1);
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    lines.push_back(std::to_string(depth) + " " + node->text(0).toStdString());
    for (int i = node->childCount() - 1; i >= 0; --i) stack.emplace_back(node->child(i), depth + 1);
  }
  return lines;
}

void ClickNode(QTreeWidget* ATree, QTreeWidgetItem* ANode) {
  ATree->scrollToItem(ANode);
  QTest::mouseClick(ATree->viewport(), Qt::LeftButton, {}, ATree->visualItemRect(ANode).center());
}

TEST(BookMarkPage, TreeOfNestedHeadingsEqualsTheOutline) {
  if (!pdfdoc::outline_testing::HaveOracle()) GTEST_SKIP() << "python3-pypdf is not installed";
  const auto file = std::filesystem::path(VN_FIXTURES_DIR) / "pdfdocument" / "outline_nested.pdf";
  const auto oracle = pdfdoc::outline_testing::RunOracle(file);
  ASSERT_TRUE(oracle.ran);
  pdfdoc::TvnqPDFDocument document;
  document.LoadFromFile(String(file.u16string()), u"");
  RecordingViewer viewer;
  QWidget pane;
  auto* page = new TvnPDFBookMarkPage(&pane, &viewer, &document);
  EXPECT_EQ(page->GetCaption(), u"Bookmarks");
  EXPECT_FALSE(page->isEmpty());
  page->Activate();

  // The oracle's "I level page title" lines, from the tree's nodes and
  // their items' destinations.
  std::vector<std::string> lines;
  std::vector<std::pair<QTreeWidgetItem*, int>> stack;
  QTreeWidget* tree = page->GetTreeView();
  for (int i = tree->topLevelItemCount() - 1; i >= 0; --i) stack.emplace_back(tree->topLevelItem(i), 1);
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    pdfdoc::TvnPDFOutline* item = page->OutlineOf(node);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(node->text(0).toStdU16String(), item->Title());
    const int target = item->Destination() ? item->Destination()->GetPageNumber() - 1 : -1;
    lines.push_back("I " + std::to_string(depth) + " " + std::to_string(target) + " " +
                    pdfdoc::outline_testing::HexOf(node->text(0).toStdString()));
    for (int i = node->childCount() - 1; i >= 0; --i) stack.emplace_back(node->child(i), depth + 1);
  }
  EXPECT_EQ(lines, oracle.items);

  // A click on a heading of the second page goes there.
  pane.resize(300, 500);
  page->resize(300, 500);
  pane.show();
  tree->expandAll();
  QTreeWidgetItem* method = tree->topLevelItem(1);
  ASSERT_EQ(method->text(0), "Method");
  ClickNode(tree, method);
  ASSERT_EQ(viewer.calls.size(), 1u);
  EXPECT_EQ(viewer.calls[0].page, 2);
  const framework::TvnPageDestination* destination = page->OutlineOf(method)->Destination();
  EXPECT_EQ(viewer.calls[0], (GoTo{2, destination->GetY(), destination->GetX()}));
  ClickNode(tree, method->child(1));  // "Steps", also on page 2
  ASSERT_EQ(viewer.calls.size(), 2u);
  EXPECT_EQ(viewer.calls[1].page, 2);
  EXPECT_GT(viewer.calls[1].top, viewer.calls[0].top);
}

TEST(BookMarkPage, ChildrenGoUnderTheirItemAndSiblingsAfterIt) {
  // A (A1, A2), B.
  const std::string pdf =
      OutlinePdf(1, "<< /Type /Outlines /First 5 0 R /Last 8 0 R /Count 4 >>",
                 {"<< /Title (A) /Parent 3 0 R /First 6 0 R /Last 7 0 R /Next 8 0 R /Count 2 >>",
                  "<< /Title (A1) /Parent 5 0 R /Next 7 0 R >>", "<< /Title (A2) /Parent 5 0 R /Prev 6 0 R >>",
                  "<< /Title (B) /Parent 3 0 R /Prev 5 0 R >>"});
  pdfdoc::TvnqPDFDocument document;
  LoadBytes(document, pdf);
  TvnPDFBookMarkPage page(nullptr, nullptr, &document);
  page.Activate();
  EXPECT_EQ(TreeLines(page.GetTreeView()), (std::vector<std::string>{"1 A", "2 A1", "2 A2", "1 B"}));
  // Activated again, the tree is built anew (not doubled).
  page.Activate();
  EXPECT_EQ(TreeLines(page.GetTreeView()).size(), 4u);
}

TEST(BookMarkPage, ClickGoesToTheDestinationPageAndPosition) {
  // Page 3 at 36 points from the left and 75 points from the top (48 and
  // 100 pixels); page 2 as a whole; no destination.
  const std::string pdf =
      OutlinePdf(3, "<< /Type /Outlines /First 7 0 R /Last 9 0 R /Count 3 >>",
                 {"<< /Title (Three) /Parent 3 0 R /Next 8 0 R /Dest [6 0 R /XYZ 36 717 0] >>",
                  "<< /Title (Two) /Parent 3 0 R /Prev 7 0 R /Next 9 0 R /Dest [5 0 R /Fit] >>",
                  "<< /Title (Nowhere) /Parent 3 0 R /Prev 8 0 R >>"});
  pdfdoc::TvnqPDFDocument document;
  LoadBytes(document, pdf);
  RecordingViewer viewer;
  TvnPDFBookMarkPage page(nullptr, &viewer, &document);
  page.resize(300, 400);
  page.show();
  page.Activate();
  QTreeWidget* tree = page.GetTreeView();
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  ClickNode(tree, tree->topLevelItem(0));
  ClickNode(tree, tree->topLevelItem(2));  // no destination: nothing
  ClickNode(tree, tree->topLevelItem(1));
  EXPECT_EQ(viewer.calls, (std::vector<GoTo>{{3, 100, 48}, {2, 0, 0}}));
}

TEST(BookMarkPage, DocumentWithoutBookmarksGivesAnEmptyTree) {
  const std::string pdf = vn::test_support::PdfOfObjects(
      {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"});
  pdfdoc::TvnqPDFDocument document;
  LoadBytes(document, pdf);
  TvnPDFBookMarkPage page(nullptr, nullptr, &document);
  EXPECT_TRUE(page.isEmpty());
  page.Activate();
  EXPECT_EQ(page.GetTreeView()->topLevelItemCount(), 0);
  // Nor does a document that is not loaded.
  pdfdoc::TvnqPDFDocument unloaded;
  TvnPDFBookMarkPage none(nullptr, nullptr, &unloaded);
  EXPECT_TRUE(none.isEmpty());
  none.Activate();
  EXPECT_EQ(none.GetTreeView()->topLevelItemCount(), 0);
  EXPECT_THROW(TvnPDFBookMarkPage(nullptr, nullptr, nullptr), vn::EInvalidCast);
}

TEST(BookMarkPage, ManySiblingsAndDeepNestingBuildWithoutRecursion) {
  // 5,000 siblings.
  constexpr int kSiblings = 5000;
  std::vector<std::string> items;
  for (int i = 0; i < kSiblings; ++i) {
    const int self = 5 + i;
    std::string item = "<< /Title (Item " + std::to_string(i + 1) + ") /Parent 3 0 R /Dest [4 0 R /Fit]";
    if (i > 0) item += " /Prev " + Ref(self - 1);
    if (i + 1 < kSiblings) item += " /Next " + Ref(self + 1);
    items.push_back(item + " >>");
  }
  pdfdoc::TvnqPDFDocument flat;
  LoadBytes(flat, OutlinePdf(1, "<< /Type /Outlines /First 5 0 R /Last " + Ref(4 + kSiblings) + " >>", items));
  TvnPDFBookMarkPage flatPage(nullptr, nullptr, &flat);
  flatPage.Activate();
  QTreeWidget* tree = flatPage.GetTreeView();
  ASSERT_EQ(tree->topLevelItemCount(), kSiblings);
  for (int i : {0, 1, 2499, kSiblings - 1}) EXPECT_EQ(tree->topLevelItem(i)->text(0), QString("Item %1").arg(i + 1));

  // 1,000 levels: the model makes items down to its deepest level, and the
  // tree shows every one made.
  constexpr int kDepth = 1000;
  items.clear();
  for (int i = 0; i < kDepth; ++i) {
    const int self = 5 + i;
    std::string item = "<< /Title (Level " + std::to_string(i + 1) + ") /Parent " + Ref(i == 0 ? 3 : self - 1);
    if (i + 1 < kDepth) item += " /First " + Ref(self + 1) + " /Last " + Ref(self + 1);
    items.push_back(item + " >>");
  }
  pdfdoc::TvnqPDFDocument deep;
  LoadBytes(deep, OutlinePdf(1, "<< /Type /Outlines /First 5 0 R /Last 5 0 R >>", items));
  TvnPDFBookMarkPage deepPage(nullptr, nullptr, &deep);
  deepPage.Activate();
  const std::vector<std::string> lines = TreeLines(deepPage.GetTreeView());
  ASSERT_EQ(lines.size(), static_cast<size_t>(pdfdoc::TvnPDFBookmark::kMaxLevel));
  EXPECT_EQ(lines.back(), "64 Level 64");
}

TEST(BookMarkPage, CyclicOutlineEndsWithEveryItemOnce) {
  // A's child B lists A as its own child, and B's sibling C leads back to
  // B.
  const std::string pdf =
      OutlinePdf(1, "<< /Type /Outlines /First 5 0 R /Last 5 0 R >>",
                 {"<< /Title (A) /Parent 3 0 R /First 6 0 R /Last 7 0 R >>",
                  "<< /Title (B) /Parent 5 0 R /First 5 0 R /Last 5 0 R /Next 7 0 R >>",
                  "<< /Title (C) /Parent 5 0 R /Prev 6 0 R /Next 6 0 R >>"});
  pdfdoc::TvnqPDFDocument document;
  LoadBytes(document, pdf);
  TvnPDFBookMarkPage page(nullptr, nullptr, &document);
  page.Activate();
  EXPECT_EQ(TreeLines(page.GetTreeView()), (std::vector<std::string>{"1 A", "2 B", "2 C"}));
}

TEST(BookMarkPage, TreeOfADocumentLoadedAgainOrClosedNeverReachesItsOldItems) {
  const std::string first = OutlinePdf(2, "<< /Type /Outlines /First 6 0 R /Last 6 0 R >>",
                                       {"<< /Title (Old) /Parent 3 0 R /Dest [5 0 R /Fit] >>"});
  const std::string second =
      OutlinePdf(2, "<< /Type /Outlines /First 6 0 R /Last 7 0 R >>",
                 {"<< /Title (New) /Parent 3 0 R /Next 7 0 R /Dest [4 0 R /Fit] >>",
                  "<< /Title (Newer) /Parent 3 0 R /Prev 6 0 R /Dest [5 0 R /Fit] >>"});
  pdfdoc::TvnqPDFDocument document;
  LoadBytes(document, first);
  RecordingViewer viewer;
  TvnPDFBookMarkPage page(nullptr, &viewer, &document);
  page.resize(300, 400);
  page.show();
  page.Activate();
  QTreeWidget* tree = page.GetTreeView();
  ASSERT_EQ(tree->topLevelItemCount(), 1);

  // Loaded again in place: the old items are gone. A click on the old tree
  // goes nowhere and shows the new outline.
  LoadBytes(document, second);
  ClickNode(tree, tree->topLevelItem(0));
  EXPECT_TRUE(viewer.calls.empty());
  EXPECT_EQ(TreeLines(tree), (std::vector<std::string>{"1 New", "1 Newer"}));
  ClickNode(tree, tree->topLevelItem(1));
  EXPECT_EQ(viewer.calls, (std::vector<GoTo>{{2, 0, 0}}));

  // A load that fails leaves the document closed: a click clears the tree.
  EXPECT_ANY_THROW(LoadBytes(document, "not a PDF file"));
  ASSERT_FALSE(document.GetIsLoaded());
  ClickNode(tree, tree->topLevelItem(0));
  EXPECT_EQ(tree->topLevelItemCount(), 0);
  EXPECT_EQ(viewer.calls.size(), 1u);
}

}  // namespace
}  // namespace vn::viewer::pdf_bookmark_page_test
