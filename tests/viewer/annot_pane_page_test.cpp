// The "Comments" pane page on a PDF with comments and replies: threads,
// heights, search, editing and replying from the list, and the companion
// plug-in that refreshes the page after an announcement.
#include "viewer/annot_pane_page.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "annot_test_support.h"
#include "pdf/pdf_file_builder.h"
#include "runtime/streams.h"
#include "pdfdocument/pd_annot.h"
#include "runtime/exceptions.h"

namespace vn::viewer::annot_pane_page_test {
namespace {

using vn::pdfdoc::TvnPDAnnot;
using vn::viewer::test::AnnotNamed;
using vn::viewer::test::LoadComments;
using vn::viewer::test::TestHost;

constexpr uint32_t kAnnotsChanged = 0xBF4C;

QString Title(const TvnPDFAnnotListItem* AItem) { return AItem->TitleLabel()->text(); }

class CommentsPane : public ::testing::Test {
 protected:
  void SetUp() override {
    Document = LoadComments();
    Host.setFixedSize(400, 600);
    Page = std::make_unique<TvnqPDFAnnotViewerPanePage>(nullptr, &Host, Document.get());
    Host.Pages.push_back(Page.get());
    Page->resize(300, 800);
    Page->Activate();
  }
  TvnPDFAnnotListItem* Item(int32_t APage, const char* AName) {
    return Page->ItemOf(AnnotNamed(*Document, APage, AName));
  }

  std::unique_ptr<vn::pdfdoc::TvnqPDFDocument> Document;
  TestHost Host;
  std::unique_ptr<TvnqPDFAnnotViewerPanePage> Page;
};

TEST_F(CommentsPane, ListsThreadsWithTheirReplies) {
  EXPECT_EQ(Page->GetCaption(), u"Comments");
  EXPECT_FALSE(Page->isEmpty());
  const std::vector<TvnPDFAnnotListItem*> top = Page->TopLevelItems();
  ASSERT_EQ(top.size(), 3u);
  // Page order; the pop-ups LibreOffice writes are not listed.
  EXPECT_EQ(Title(top[0]), "Alice Reviewer");
  EXPECT_EQ(Title(top[1]), "Erin Sender");
  EXPECT_EQ(Title(top[2]), "Carol Editor");
  EXPECT_EQ(top[2]->GetPageNumber(), 2);
  EXPECT_TRUE(top[2]->DateAndPageLabel()->text().startsWith("Page 2  ")) << top[2]->DateAndPageLabel()->text().toStdString();
  EXPECT_EQ(top[0]->ContentsEdit()->toPlainText(), "Please check this figure");

  ASSERT_EQ(top[0]->GetChildAnnots().size(), 2u);
  const TvnPDFAnnotListItem* bob = top[0]->GetChildAnnots()[0];
  const TvnPDFAnnotListItem* dave = top[0]->GetChildAnnots()[1];
  EXPECT_EQ(Title(bob), "> Bob Author");
  EXPECT_EQ(Title(dave), "> Dave Second");
  EXPECT_EQ(bob->GetParentAnnotItem(), top[0]);
  EXPECT_EQ(bob->parentWidget(), top[0]);
  EXPECT_GT(bob->GetLeftMargin(), top[0]->GetLeftMargin());
  // A note with two replies: 80 + 80 + 80.
  EXPECT_EQ(top[0]->height(), 240);
  EXPECT_EQ(bob->height(), 80);
  EXPECT_EQ(top[2]->height(), 80);
}

TEST_F(CommentsPane, ListingAgainOnlyRefreshesTheTexts) {
  TvnPDAnnot* alice = AnnotNamed(*Document, 1, "comment-1");
  alice->SetContents(u"Changed elsewhere");
  Page->Activate();
  EXPECT_EQ(Page->TopLevelItems().size(), 3u);
  EXPECT_EQ(Item(1, "comment-1")->ContentsEdit()->toPlainText(), "Changed elsewhere");
  EXPECT_EQ(Item(1, "comment-1")->height(), 240);
  // Showing the annotation's text is no edit: the viewer heard nothing.
  EXPECT_EQ(Host.PageViewer.Count(kAnnotsChanged), 0);
}

TEST_F(CommentsPane, SearchKeepsMatchesAndTheirAncestors) {
  struct Case {
    const char* text;
    std::vector<const char*> shown;  // the /NM of every entry left visible
  };
  const Case cases[] = {
      {"dave", {"comment-1", "comment-reply-2"}},            // a reply keeps its thread
      {"TEXT", {"comment-1", "comment-2", "comment-reply-2", "comment-3"}},  // the class name
      {"typo", {"comment-3"}},                                // the contents
      {"page 2", {"comment-3"}},                              // the page and date
      {"attachment-1", {"attachment-1"}},                     // the annotation's name
      {"nothing like it", {}},
      {"", {"comment-1", "comment-2", "comment-reply-2", "attachment-1", "comment-3"}},
  };
  const std::pair<int32_t, const char*> all[] = {
      {1, "comment-1"}, {1, "comment-2"}, {1, "comment-reply-2"}, {1, "attachment-1"}, {2, "comment-3"}};
  for (const Case& c : cases) {
    Page->FilterItems(vn::FromUtf8(c.text));
    for (const auto& entry : all) {
      const std::string name = entry.second;
      const bool expected =
          std::find_if(c.shown.begin(), c.shown.end(), [&](const char* s) { return s == name; }) != c.shown.end();
      EXPECT_EQ(!Item(entry.first, entry.second)->isHidden(), expected) << "search \"" << c.text << "\", entry " << name;
    }
  }
  // A thread with a hidden reply is no higher than what it shows.
  Page->FilterItems(u"bob");
  EXPECT_EQ(Item(1, "comment-1")->height(), 160);
}

TEST_F(CommentsPane, SearchBoxKeepsItsPlaceholderWhenBlank) {
  QLineEdit* search = Page->SearchEdit();
  EXPECT_EQ(search->text(), "Search Comments..");
  Page->show();
  search->setFocus();
  QApplication::processEvents();
  Page->SearchEnter();
  EXPECT_EQ(search->text(), "");
  QTest::keyClicks(search, "carol");
  EXPECT_TRUE(Item(1, "comment-1")->isHidden());
  EXPECT_FALSE(Item(2, "comment-3")->isHidden());
  search->setText("   ");
  Page->SearchExit();
  EXPECT_EQ(search->text(), "Search Comments..");
}

TEST_F(CommentsPane, EditingTheTextChangesTheAnnotationAndTellsTheViewer) {
  TvnPDFAnnotListItem* carol = Item(2, "comment-3");
  carol->ContentsEdit()->setPlainText("Fixed the typo");
  EXPECT_EQ(AnnotNamed(*Document, 2, "comment-3")->Contents(), u"Fixed the typo");
  EXPECT_EQ(Host.PageViewer.Count(kAnnotsChanged), 1);
  // While the page refreshes after an announcement it announces nothing.
  Page->SetLockMessageProcessing(true);
  carol->ContentsEdit()->setPlainText("Again");
  Page->SetLockMessageProcessing(false);
  EXPECT_EQ(Host.PageViewer.Count(kAnnotsChanged), 1);
}

TEST_F(CommentsPane, ReplyFromTheListLandsOnThePageOfTheAnnotation) {
  Host.SetUser(u"Frank Reader");
  TvnPDFAnnotListItem* carol = Item(2, "comment-3");
  const size_t before = dynamic_cast<vn::pdfdoc::TvnqPDFPage*>(Document->GetPage(2))->GetAnnots().size();
  carol->ReplyClick();
  const auto& annots = dynamic_cast<vn::pdfdoc::TvnqPDFPage*>(Document->GetPage(2))->GetAnnots();
  ASSERT_EQ(annots.size(), before + 1);
  TvnPDAnnot* reply = annots.back();
  EXPECT_TRUE(reply->IsReply());
  EXPECT_EQ(reply->Author(), u"Frank Reader");
  EXPECT_EQ(Host.PageViewer.Count(kAnnotsChanged), 1);
  ASSERT_EQ(carol->GetChildAnnots().size(), 1u);
  EXPECT_EQ(carol->GetChildAnnots()[0]->GetAnnot(), reply);
  EXPECT_EQ(Title(carol->GetChildAnnots()[0]), "> Frank Reader");
  // Without text its entry is 75 pixels high.
  EXPECT_EQ(carol->GetChildAnnots()[0]->height(), 75);
  EXPECT_EQ(carol->height(), 155);
  // The page was shown in the host's pane.
  EXPECT_EQ(Host.Shown.size(), 1u);
}

TEST_F(CommentsPane, SelectionHighlightsTheWholeThread) {
  TvnPDFAnnotListItem* bob = Item(1, "comment-2");
  QTest::mouseClick(bob->TitleLabel(), Qt::LeftButton);
  EXPECT_EQ(TvnPDFAnnotListItem::SelectedAnnotItem(), bob);
  const QColor info(255, 255, 225);
  // The entry and the entries it answers; not the other reply.
  EXPECT_EQ(Item(1, "comment-1")->palette().color(QPalette::Window), info);
  EXPECT_NE(Item(1, "comment-reply-2")->palette().color(QPalette::Window), info);
  EXPECT_NE(Item(2, "comment-3")->palette().color(QPalette::Window), info);
  // Selecting the thread's start lights every reply in it.
  Item(1, "comment-1")->Select();
  EXPECT_FALSE(bob->GetSelected());
  EXPECT_EQ(Item(1, "comment-reply-2")->palette().color(QPalette::Window), info);
  Item(2, "comment-3")->Select();
  EXPECT_NE(Item(1, "comment-1")->palette().color(QPalette::Window), info);
  EXPECT_NE(bob->palette().color(QPalette::Window), info);
}

TEST(CommentsPanePlugin, RefreshesTheHostsPageAfterAnAnnouncement) {
  auto document = LoadComments();
  TestHost host;
  TvnqPDFAnnotViewerPanePage page(nullptr, &host, document.get());
  host.Pages.push_back(&page);
  TvnqPDFAnnotPanePageViewerPlugin plugin(document.get(), &host.PageViewer);
  EXPECT_TRUE(page.TopLevelItems().empty());
  TMessage message;
  message.Msg = kAnnotsChanged;
  plugin.HandleViewerMessage(message);
  EXPECT_EQ(plugin.GetAnnotsPanePage(), &page);
  EXPECT_EQ(page.TopLevelItems().size(), 3u);
  EXPECT_FALSE(page.GetLockMessageProcessing());
  // A closed pane stays closed.
  host.State = IvnNavigationHost::NavigationPaneClosed;
  plugin.HandleViewerMessage(message);
  EXPECT_EQ(host.Shown.size(), 1u);
}

TEST(CommentsPaneReplyChains, CyclesAndLongChainsAreListedWithoutEnd) {
  // 4 and 5 answer each other, 6 answers itself, 7 to 206 form a chain of
  // 200 replies.
  vn::pdf::testing::PdfFileBuilder pdf;
  std::string annots;
  for (int n = 4; n <= 206; ++n) annots += std::to_string(n) + " 0 R ";
  pdf.Obj(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Obj(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.Obj(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [" + annots + "] >>");
  const auto note = [&](int n, int answers) {
    pdf.Obj(n, "<< /Type /Annot /Subtype /Text /Rect [10 10 28 28] /P 3 0 R /NM (n" + std::to_string(n) +
                   ") /IRT " + std::to_string(answers) + " 0 R >>");
  };
  note(4, 5);
  note(5, 4);
  note(6, 6);
  pdf.Obj(7, "<< /Type /Annot /Subtype /Text /Rect [10 10 28 28] /P 3 0 R /NM (n7) >>");
  for (int n = 8; n <= 206; ++n) note(n, n - 1);
  pdf.ClassicTable("/Size 207 /Root 1 0 R");
  const std::string& bytes = pdf.Data();
  auto* stream = new vn::TMemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  vn::pdfdoc::TvnqPDFDocument document;
  document.LoadFromStream(stream, String(), true);

  TestHost host;
  TvnqPDFAnnotViewerPanePage page(nullptr, &host, &document);
  page.Activate();
  // Every annotation has one entry.
  size_t listed = 0;
  for (TvnPDFAnnotListItem* top : page.TopLevelItems()) listed += 1 + top->GetDescendants().size();
  EXPECT_EQ(listed, 203u);
  TvnPDFAnnotListItem* self = page.ItemOf(AnnotNamed(document, 1, "n6"));
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(self->GetParentAnnotItem(), nullptr);
  TvnPDFAnnotListItem* last = page.ItemOf(AnnotNamed(document, 1, "n206"));
  ASSERT_NE(last, nullptr);
  // Deep replies stay in their thread, nested no deeper than 64.
  EXPECT_EQ(last->GetAncestors().size(), 63u);
  EXPECT_EQ(last->GetAncestors().back(), page.ItemOf(AnnotNamed(document, 1, "n7")));
}

TEST(CommentsPanePlugin, RefusesDocumentsOtherThanPdf) {
  TestHost host;
  vn::framework::TvnBaseDocument* none = nullptr;
  EXPECT_THROW(TvnqPDFAnnotPanePageViewerPlugin(none, &host.PageViewer), vn::EInvalidCast);
  EXPECT_THROW(TvnqPDFAnnotViewerPanePage(nullptr, &host, none), vn::EInvalidCast);
}

}  // namespace
}  // namespace vn::viewer::annot_pane_page_test
