#include "pdfdocument/pd_bookmark.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pdfdocument/pd_catalog.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_model_testing.h"
#include "support/pdf_files.h"

namespace vn::pdfdoc::pd_bookmark_test {

using model_testing::OpenPdfBytes;
using vn::test_support::PdfOfObjects;

// Objects 1-5 as the catalog, pages and a named destination; the outline
// root is object 6 and its items follow.
std::vector<std::string> OutlineObjects(std::vector<std::string> outline) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R /Outlines 6 0 R /Names << /Dests << /Names [(Alpha) [4 0 R /Fit]] >> >> >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 612 792] >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Type /Page /Parent 2 0 R >>",
  };
  objects.insert(objects.end(), outline.begin(), outline.end());
  return objects;
}

// Three top-level items (7, 8, 9); the first has one child (10).
std::string ThreeItems(const std::string& first_count = "1") {
  return PdfOfObjects(OutlineObjects({
      "<< /Type /Outlines /First 7 0 R /Last 9 0 R /Count 4 >>",
      "<< /Title (One) /Parent 6 0 R /Next 8 0 R /First 10 0 R /Last 10 0 R /Count " + first_count + " >>",
      "<< /Title <FEFF00480069> /Parent 6 0 R /Prev 7 0 R /Next 9 0 R /Dest [3 0 R /XYZ 1 2 3] /F 3 /C [0 0.5 1] >>",
      "<< /Title (Three) /Parent 6 0 R /Prev 8 0 R /A << /S /GoTo /D (Alpha) >> >>",
      "<< /Title (grandCHILD) /Parent 7 0 R >>",
  }));
}

vn::pdf::TvnPDDictionary* DictOf(TvnPDFBookmark* item) { return item->BaseObject()->AsDict(); }

// The text of an entry of the item, "" when absent.
std::string Entry(TvnPDFBookmark* item, const char* key) {
  vn::pdf::TvnPDBaseObject* value = DictOf(item)->LookupRefObj(key);
  return value ? value->GetText() : "";
}

TEST(PDBookmark, ReadsItems) {
  auto handler = OpenPdfBytes(ThreeItems());
  TvnPDFBookmark* root = handler->GetBookmarkRoot();
  EXPECT_EQ(root->Level(), 0);
  TvnPDFBookmark* one = root->FirstChild();
  ASSERT_NE(one, nullptr);
  TvnPDFBookmark* two = one->Next();
  TvnPDFBookmark* three = two->Next();
  EXPECT_EQ(three->Next(), nullptr);
  EXPECT_EQ(one->Prev(), nullptr);
  EXPECT_EQ(three->Prev(), two);
  EXPECT_EQ((std::vector<int>{one->BookmarkIndex(), two->BookmarkIndex(), three->BookmarkIndex()}),
            (std::vector<int>{0, 1, 2}));
  EXPECT_EQ((std::vector<int>{one->Level(), two->Level(), one->FirstChild()->Level()}), (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(root->LastChild(), three);
  EXPECT_EQ(two->Parent(), root);

  EXPECT_EQ(two->Title(), u"Hi");
  EXPECT_TRUE(two->Flags().Italic);
  EXPECT_TRUE(two->Flags().Bold);
  EXPECT_FALSE(one->Flags().Bold);
  TvnPDColorValue color;
  EXPECT_TRUE(two->GetColor(color));
  EXPECT_EQ(color.Components, (std::vector<double>{0, 0.5, 1}));
  EXPECT_FALSE(one->GetColor(color));
  EXPECT_EQ(one->Count(), 1);
  EXPECT_EQ(root->Count(), 4);

  ASSERT_NE(two->Destination(), nullptr);
  EXPECT_EQ(two->Destination()->Page()->PageNum(), 1);
  EXPECT_EQ(three->Destination(), nullptr);
  ASSERT_NE(three->Action(), nullptr);
  EXPECT_EQ(three->Action()->Destination()->Page()->PageNum(), 2);
}

TEST(PDBookmark, GetChildWalksTheSiblings) {
  auto handler = OpenPdfBytes(ThreeItems());
  TvnPDFBookmark* third = handler->GetBookmarkRoot()->GetChild(2);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third->Title(), u"Three");
  EXPECT_EQ(handler->GetBookmarkRoot()->GetChild(3), nullptr);
  EXPECT_EQ(third->GetChild(0), nullptr);
}

TEST(PDBookmark, GetByTitle) {
  auto handler = OpenPdfBytes(ThreeItems());
  TvnPDFBookmark* root = handler->GetBookmarkRoot();
  using D = TvnOutlineTraversalDepth;
  const auto find = [&](TvnPDFBookmark* from, const char16_t* title, D depth) {
    return from->GetByTitle(title, TvnOutlineTaversalType::ottDepthFirst, depth);
  };
  TvnPDFBookmark* grandchild = find(root, u"GRANDchild", D::otdFullSubtree);
  ASSERT_NE(grandchild, nullptr);
  EXPECT_TRUE(root->TitleFound());
  EXPECT_EQ(grandchild->Level(), 2);
  EXPECT_EQ(find(root, u"grandchild", D::otdChildrenOnly), nullptr);
  EXPECT_FALSE(root->TitleFound());
  EXPECT_EQ(find(root, u"three", D::otdChildrenOnly), root->GetChild(2));
  EXPECT_EQ(find(root->FirstChild(), u"THREE", D::otdSiblingsOnly), root->GetChild(2));
  EXPECT_EQ(find(root->FirstChild(), u"grandchild", D::otdSiblingsOnly), nullptr);
}

struct DeleteCase {
  const char* what;
  std::function<bool(TvnPDFBookmark* root)> edit;
  bool result;
  std::vector<std::u16string> titles;  // top level after the edit
  std::string first, last, count;      // the root's entries
};

// Deleting keeps the chain, the root's /First, /Last and /Count, and the
// indices in step; deleting what is not there changes nothing.
TEST(PDBookmark, Deleting) {
  const std::vector<DeleteCase> cases = {
      {"middle", [](TvnPDFBookmark* r) { return r->DeleteChild(1); }, true, {u"One", u"Three"}, "7 0 R", "9 0 R", "3"},
      {"last", [](TvnPDFBookmark* r) { return r->DeleteChild(2); }, true, {u"One", u"Hi"}, "7 0 R", "8 0 R", "3"},
      {"first, with its child", [](TvnPDFBookmark* r) { return r->DeleteChild(0); }, true, {u"Hi", u"Three"}, "8 0 R",
       "9 0 R", "2"},
      {"next", [](TvnPDFBookmark* r) { return r->FirstChild()->DeleteNext(); }, true, {u"One", u"Three"}, "7 0 R",
       "9 0 R", "3"},
      {"prev", [](TvnPDFBookmark* r) { return r->GetChild(2)->DeletePrev(); }, true, {u"One", u"Three"}, "7 0 R",
       "9 0 R", "3"},
      {"prev of the first", [](TvnPDFBookmark* r) { return r->FirstChild()->DeletePrev(); }, false,
       {u"One", u"Hi", u"Three"}, "7 0 R", "9 0 R", "4"},
      {"next of the last", [](TvnPDFBookmark* r) { return r->GetChild(2)->DeleteNext(); }, false,
       {u"One", u"Hi", u"Three"}, "7 0 R", "9 0 R", "4"},
      {"beyond the end", [](TvnPDFBookmark* r) { return r->DeleteChild(3); }, false, {u"One", u"Hi", u"Three"},
       "7 0 R", "9 0 R", "4"},
  };
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto handler = OpenPdfBytes(ThreeItems());
    TvnPDFBookmark* root = handler->GetBookmarkRoot();
    EXPECT_EQ(c.edit(root), c.result);
    std::vector<std::u16string> titles;
    int index = 0;
    for (TvnPDFBookmark* item = root->FirstChild(); item; item = item->Next()) {
      titles.push_back(item->Title());
      EXPECT_EQ(item->BookmarkIndex(), index++);
    }
    EXPECT_EQ(titles, c.titles);
    EXPECT_EQ(Entry(root, "First"), c.first);
    EXPECT_EQ(Entry(root, "Last"), c.last);
    EXPECT_EQ(Entry(root, "Count"), c.count);
    EXPECT_EQ(Entry(root->FirstChild(), "Prev"), "");
    EXPECT_EQ(Entry(root->LastChild(), "Next"), "");
  }
}

// Every child deleted: the parent loses /First, /Last and /Count.
TEST(PDBookmark, DeletingTheOnlyChild) {
  auto handler = OpenPdfBytes(ThreeItems());
  TvnPDFBookmark* one = handler->GetBookmarkRoot()->FirstChild();
  ASSERT_TRUE(one->DeleteChild(0));
  EXPECT_FALSE(one->HasChildren());
  EXPECT_EQ(Entry(one, "First") + Entry(one, "Last") + Entry(one, "Count"), "");
  EXPECT_EQ(Entry(handler->GetBookmarkRoot(), "Count"), "3");
}

// An item added under a closed item counts towards that item's negative
// /Count and not towards the root's; under an open one, towards both.
TEST(PDBookmark, AddingUnderOpenAndClosedItems) {
  for (const char* first_count : {"1", "-1"}) {
    SCOPED_TRACE(first_count);
    const bool closed = first_count[0] == '-';
    auto handler = OpenPdfBytes(ThreeItems(first_count));
    TvnPDFBookmark* root = handler->GetBookmarkRoot();
    auto* dict = handler->AddNewObject(std::make_unique<vn::pdf::TvnPDDictionary>(handler->BaseDoc()));
    auto item = std::make_unique<TvnPDFBookmark>(handler.get(), nullptr, dict);
    TvnPDFBookmark* child = root->FirstChild()->FirstChild();
    TvnPDFBookmark* added = child->AddNext(std::move(item));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Level(), 2);
    EXPECT_EQ(added->BookmarkIndex(), 1);
    EXPECT_EQ(added->Prev(), child);
    EXPECT_EQ(Entry(root->FirstChild(), "Last"), std::to_string(dict->GetObjNumber()) + " 0 R");
    EXPECT_EQ(Entry(added, "Parent"), "7 0 R");
    EXPECT_EQ(Entry(root->FirstChild(), "Count"), closed ? "-2" : "2");
    EXPECT_EQ(Entry(root, "Count"), closed ? "3" : "5");
  }
}

// Linking refuses what would make a cycle or has no place in the file.
TEST(PDBookmark, LinkingRefusals) {
  auto handler = OpenPdfBytes(ThreeItems());
  TvnPDFBookmark* root = handler->GetBookmarkRoot();
  TvnPDFBookmark* one = root->FirstChild();
  auto direct = std::make_unique<TvnPDFBookmark>(handler.get(), nullptr, nullptr);
  EXPECT_EQ(one->AddNext(std::move(direct)), nullptr);
  auto ancestor = std::make_unique<TvnPDFBookmark>(handler.get(), nullptr, handler->GetObject(7));
  EXPECT_EQ(one->FirstChild()->AddNext(std::move(ancestor)), nullptr);
  auto sibling = std::make_unique<TvnPDFBookmark>(handler.get(), nullptr, handler->GetObject(9));
  EXPECT_EQ(one->AddPrev(std::move(sibling)), nullptr);
  auto* dict = handler->AddNewObject(std::make_unique<vn::pdf::TvnPDDictionary>(handler->BaseDoc()));
  EXPECT_EQ(root->AddNext(std::make_unique<TvnPDFBookmark>(handler.get(), nullptr, dict)), nullptr)
      << "the root has no siblings";
  EXPECT_EQ(Entry(root, "Count"), "4");
}

TEST(PDBookmark, WritingEntries) {
  auto handler = OpenPdfBytes(ThreeItems());
  TvnPDFBookmark* three = handler->GetBookmarkRoot()->GetChild(2);
  TvnPDRect rect(10, 20, 300, 400);
  ASSERT_TRUE(three->SetDestination(
      std::make_unique<TvnqPDFDestination>(handler.get(), handler->GetPage(1), TvnPageDisplayOptions::FitRect, &rect)));
  EXPECT_EQ(Entry(three, "Dest"), "[ 3 0 R /FitR 10 20 300 400 ]");
  EXPECT_EQ(Entry(three, "A"), "");
  EXPECT_EQ(three->Action(), nullptr);
  EXPECT_FALSE(three->SetDestination(std::make_unique<TvnqPDFDestination>()));

  three->SetFlags({true, false});
  EXPECT_EQ(Entry(three, "F"), "1");
  three->SetColor({TvnColorSpaceMode::csDeviceRGB, {1, 0.25}});
  EXPECT_EQ(Entry(three, "C"), "[ 1 0.25 0 ]");
  three->SetTitle(u"Größe");
  EXPECT_EQ(Entry(three, "Title"), "<FEFF0047007200F600DF0065>");
  EXPECT_EQ(three->Title(), u"Größe");
}

// Chains that loop end instead of being followed forever.
TEST(PDBookmark, CyclicChainsEnd) {
  auto handler = OpenPdfBytes(PdfOfObjects(OutlineObjects({
      "<< /Type /Outlines /First 7 0 R /Count 2 >>",
      "<< /Title (A) /Parent 6 0 R /Next 8 0 R /First 7 0 R >>",
      "<< /Title (B) /Parent 6 0 R /Next 7 0 R /First 6 0 R >>",
  })));
  TvnPDFBookmark* root = handler->GetBookmarkRoot();
  ASSERT_NE(root->LastChild(), nullptr);
  EXPECT_EQ(root->LastChild()->Title(), u"B");
  EXPECT_EQ(root->FirstChild()->FirstChild(), nullptr);
  EXPECT_EQ(root->GetByTitle(u"none", TvnOutlineTaversalType::ottDepthFirst, TvnOutlineTraversalDepth::otdFullSubtree),
            nullptr);
}

// A file without an outline gets an empty outline dictionary.
TEST(PDBookmark, RootMadeWhenMissing) {
  auto handler = OpenPdfBytes(PdfOfObjects({"<< /Type /Catalog /Pages 2 0 R >>",
                                            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>"}));
  TvnPDFBookmark* root = handler->GetBookmarkRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->FirstChild(), nullptr);
  EXPECT_EQ(handler->Catalog()->Dict()->LookupRefObj("Outlines")->GetText(),
            std::to_string(root->BaseObject()->GetObjNumber()) + " 0 R");
  EXPECT_EQ(handler->GetBookmarkRoot(), root);
}

}  // namespace vn::pdfdoc::pd_bookmark_test
