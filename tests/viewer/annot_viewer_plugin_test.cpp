// The annotation plug-in in the fixed-layout viewer on a PDF with comments:
// widgets over the annotation rectangles, the pop-up note, "Add a note",
// "Reply", dragging and resizing, announcements, attachments, and what
// survives saving (checked by qpdf and python3-pypdf).
#include "viewer/annot_viewer_plugin.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "annot_test_support.h"
#include "framework/writer_routines.h"
#include "pdf/pdf_corpus.h"
#include "pdfdocument/pd_annot.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"
#include "viewer/annot_pane_page.h"
#include "viewer/attachment_files.h"
#include "viewer/fixed_layout_viewer.h"
#include "viewer/mouse_wheel_rectifier.h"
#include "viewer/pdf_form_filling_plugin.h"
#include "viewer/pdf_form_widgets.h"
#include "viewer/viewer_classes.h"
#include "viewer/viewer_messages.h"

namespace vn::viewer::annot_viewer_plugin_test {
namespace {

namespace fs = std::filesystem;
using vn::pdfdoc::TvnPDAnnot;
using vn::pdfdoc::TvnqPDFDocument;
using vn::viewer::test::ScriptedPrompts;

QRect Geometry(const TRect& ARect) {
  return QRect(ARect.Left, ARect.Top, ARect.Right - ARect.Left, ARect.Bottom - ARect.Top);
}

double Number(vn::pdf::TvnPDArray* AArray, int64_t AIndex) {
  vn::pdf::TvnPDBaseObject* value = AArray->Get(AIndex);
  if (value->IsReal()) return value->AsReal()->GetValue();
  return static_cast<double>(value->AsInteger()->GetValue());
}

// Hex of the UTF-8 text, as the annotation oracle prints strings.
std::string Hex(std::string_view AText) {
  static const char* kDigits = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : AText) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

class AnnotPlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    FSavedPpi = vn::framework::ScreenPixelsPerInch;
    FHookBefore = MouseWheelHookInstalled();
    vn::framework::ScreenPixelsPerInch = 96;
    test::EnsureViewerRegistry();
    Viewer = std::make_unique<TvnFixedLayoutDocumentViewer>();
    Viewer->resize(900, 700);
    Viewer->SetUser(u"Grace Viewer");
    Viewer->show();
    Viewer->LoadFromFile(vn::FromUtf8(test::CommentsPdf().string()));
    Viewer->ZoomTo(100);
    QApplication::processEvents();
    for (const auto& plugin : Viewer->GetPlugins())
      if (auto* annots = dynamic_cast<TvnqPDFAnotViewerPlugin*>(plugin.get())) Plugin = annots;
  }
  void TearDown() override {
    Viewer.reset();
    // The viewer installs the process's wheel routing; other tests expect
    // the process as it was.
    if (!FHookBefore) RemoveMouseWheelHook();
    vn::framework::ScreenPixelsPerInch = FSavedPpi;
  }
  TvnqPDFDocument* Document() const { return dynamic_cast<TvnqPDFDocument*>(Viewer->GetDocument()); }
  TvnPDAnnot* Annot(int32_t APage, const char* AName) const { return test::AnnotNamed(*Document(), APage, AName); }
  TvnqViewerAnnotWidget* Widget(int32_t APage, const char* AName) const { return Plugin->WidgetOf(Annot(APage, AName)); }
  TvnViewerPage* PageWindow(int32_t APage) const { return Viewer->GetPageManager()->FindPageWindow(APage); }
  size_t AnnotCount(int32_t APage) const {
    return dynamic_cast<vn::pdfdoc::TvnqPDFPage*>(Document()->GetPage(APage))->GetAnnots().size();
  }
  // Opens the page window's menu at the point and picks "Add a note".
  void AddNoteAt(int32_t APage, QPoint APoint) {
    TvnViewerPage* window = PageWindow(APage);
    QContextMenuEvent event(QContextMenuEvent::Mouse, APoint, window->mapToGlobal(APoint));
    QApplication::sendEvent(window, &event);
    QMenu* menu = TvnqPDFAnotViewerPlugin::PageWindowMenu(window);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Add a note");
    menu->hide();
    menu->actions()[0]->trigger();
  }
  std::set<std::string> SavedOracle(const fs::path& AFile) {
    std::string out;
    const fs::path script = fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "annotations" / "annot_oracle.py";
    EXPECT_EQ(vn::pdf::testing::RunProgram({"/usr/bin/python3", script.string(), AFile.string()}, &out), 0);
    std::set<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.insert(line);
    return lines;
  }

  std::unique_ptr<TvnFixedLayoutDocumentViewer> Viewer;
  TvnqPDFAnotViewerPlugin* Plugin = nullptr;
  int32_t FSavedPpi = 96;
  bool FHookBefore = false;
};

TEST_F(AnnotPlugin, PutsWidgetsOverTheAnnotationRectangles) {
  ASSERT_NE(Plugin, nullptr);
  ASSERT_NE(PageWindow(1), nullptr);
  // Page 1: Alice's note and Erin's attachment; replies, pop-ups and the
  // comment of page 2 have no widget on it.
  TvnqViewerAnnotWidget* alice = Widget(1, "comment-1");
  TvnqViewerAnnotWidget* attachment = Widget(1, "attachment-1");
  ASSERT_NE(alice, nullptr);
  ASSERT_NE(attachment, nullptr);
  EXPECT_EQ(Widget(1, "comment-2"), nullptr);
  EXPECT_EQ(Widget(1, "comment-reply-2"), nullptr);
  EXPECT_NE(dynamic_cast<TvnqFileAttachmentAnnotWidget*>(attachment), nullptr);
  EXPECT_EQ(dynamic_cast<TvnqFileAttachmentAnnotWidget*>(alice), nullptr);
  EXPECT_EQ(alice->parentWidget(), PageWindow(1));
  ASSERT_NE(Widget(2, "comment-3"), nullptr);
  EXPECT_EQ(Widget(2, "comment-3")->parentWidget(), PageWindow(2));
  EXPECT_EQ(Plugin->GetControls().size(), 3u);

  // At 100 % and 96 dpi a point is 4/3 pixel; the page is 841.89 points
  // high. Alice: x 231.3..249.3, y from the top 56.7..74.7 points.
  // Erin: x 400..420, y 121.89..141.89 points.
  EXPECT_EQ(alice->geometry(), QRect(308, 76, 24, 24));
  EXPECT_EQ(attachment->geometry(), QRect(533, 163, 27, 26));
  EXPECT_EQ(Geometry(alice->GetBoundingRect()), alice->geometry());

  // Zooming places them again.
  Viewer->ZoomTo(200);
  QApplication::processEvents();
  EXPECT_EQ(attachment->geometry(), QRect(1066, 326, 54, 52));  // twice the pixels at 100 %

  // A quarter turn clockwise: (x, y) -> (1123 - y, x) in the page's pixels.
  Viewer->ZoomTo(100);
  Viewer->RotateClockwise();
  QApplication::processEvents();
  EXPECT_EQ(attachment->geometry(), QRect(934, 533, 26, 27));
}

// Pixels of the picture that are the appearances' pure blue.
int BluePixels(const QImage& AImage) {
  int count = 0;
  for (int y = 0; y < AImage.height(); ++y)
    for (int x = 0; x < AImage.width(); ++x) {
      const QColor c = AImage.pixelColor(x, y);
      count += c.blue() > 240 && c.red() < 15 && c.green() < 15 ? 1 : 0;
    }
  return count;
}

bool IsBlue(const QColor& AColor) { return AColor.blue() > 240 && AColor.red() < 15 && AColor.green() < 15; }

TEST_F(AnnotPlugin, DrawsTheAppearanceAndOutlinesUnderThePointer) {
  TvnqViewerAnnotWidget* attachment = Widget(1, "attachment-1");
  ASSERT_NE(attachment, nullptr);
  // The page draws the attachment's appearance (it has the print flag),
  // which fills 2..18 of its 20-point box with blue; the widget adds
  // nothing over it, so no appearance is drawn twice (a highlight would
  // darken).
  EXPECT_TRUE(attachment->PageDrawsAnnot());
  const QImage page = PageWindow(1)->grab().toImage();
  EXPECT_TRUE(IsBlue(page.pixelColor(attachment->geometry().center())));
  EXPECT_EQ(BluePixels(attachment->grab().toImage()), 0);
  // Alice's note has no appearance of its own: nothing but the outline.
  TvnqViewerAnnotWidget* alice = Widget(1, "comment-1");
  alice->grab();
  EXPECT_TRUE(alice->GetAppearance().isNull());
  alice->MouseEnter();
  EXPECT_TRUE(alice->GetHovered());
  const QImage outlined = alice->grab().toImage();
  int dots = 0;
  for (int x = 0; x < outlined.width(); ++x) dots += outlined.pixelColor(x, 0) == QColor(166, 202, 240) ? 1 : 0;
  EXPECT_GT(dots, outlined.width() / 4);
  EXPECT_LT(dots, outlined.width());
  alice->MouseLeave();
  EXPECT_FALSE(alice->GetHovered());
}

TEST_F(AnnotPlugin, PopupShowsTheNoteAndWritesItsText) {
  TvnqViewerAnnotWidget* alice = Widget(1, "comment-1");
  QTest::mouseClick(alice, Qt::LeftButton);
  TvnPopupWindow* popup = alice->GetPopup();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(popup->isVisible());
  EXPECT_EQ(TvnqPDFAnotViewerPlugin::CurrentPopupWindow(), popup);
  EXPECT_EQ(popup->size(), QSize(210, 120));
  EXPECT_EQ(popup->TitleLabel()->text(), "Alice Reviewer");
  EXPECT_EQ(popup->Notes()->toPlainText(), "Please check this figure");
  EXPECT_FALSE(popup->DateLabel()->text().isEmpty());
  // Below the widget, 25 pixels off, from its middle.
  EXPECT_EQ(popup->pos(), QPoint(308 + 12 + 25, 76 + 24 + 25));

  // Every edit is written and announced; the announcement coming back does
  // not reload the text being typed.
  popup->Notes()->setPlainText("Figure 2");
  EXPECT_EQ(Annot(1, "comment-1")->Contents(), u"Figure 2");
  popup->Notes()->setPlainText("Figure 3");
  EXPECT_EQ(Annot(1, "comment-1")->Contents(), u"Figure 3");
  QApplication::processEvents();
  EXPECT_EQ(popup->Notes()->toPlainText(), "Figure 3");
  // A change made elsewhere is shown when announced.
  Annot(1, "comment-1")->SetContents(u"Changed in the list");
  TMessage changed;
  changed.Msg = VWM_ANNOTSCHANGED;
  Plugin->HandleViewerMessage(changed);
  EXPECT_EQ(popup->Notes()->toPlainText(), "Changed in the list");
  EXPECT_EQ(Annot(1, "comment-1")->Contents(), u"Changed in the list");

  // At most one pop-up is shown; "_" hides it.
  TvnqViewerAnnotWidget* carol = Widget(2, "comment-3");
  carol->ShowPopup();
  EXPECT_FALSE(popup->isVisible());
  QTest::mouseClick(carol->GetPopup()->CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(carol->GetPopup()->isVisible());

  // Attachments open no pop-up on a click.
  QTest::mouseClick(Widget(1, "attachment-1"), Qt::LeftButton);
  EXPECT_EQ(Widget(1, "attachment-1")->GetPopup(), nullptr);
}

TEST_F(AnnotPlugin, PopupNearTheBottomOpensAboveIt) {
  TvnqViewerAnnotWidget* alice = Widget(1, "comment-1");
  const int bottom = PageWindow(1)->height();
  alice->SetRect({100, bottom - 30, 124, bottom - 6});
  alice->ShowPopup();
  EXPECT_EQ(alice->GetPopup()->y(), bottom - 30 - 24 + 25);
}

TEST_F(AnnotPlugin, DraggingMovesAndResizingSizesTheAnnotation) {
  TvnqViewerAnnotWidget* alice = Widget(1, "comment-1");
  const QPoint start = alice->mapToGlobal(QPoint(5, 5));
  // A press without a move leaves the file's rectangle as it was.
  alice->MouseDown(start);
  alice->MouseUp();
  EXPECT_EQ(test::AnnotNamed(*Document(), 1, "comment-1")->Dict()->LookUp("Rect")->AsArray()->Get(0)->IsReal(), true);
  EXPECT_FALSE(alice->GetMouseDown());

  // 40 pixels right at 100 % are 30 points.
  alice->MouseDown(start);
  EXPECT_TRUE(alice->GetMouseDown());
  alice->MouseMove(start + QPoint(40, 0), Qt::NoModifier);
  EXPECT_EQ(alice->geometry(), QRect(348, 76, 24, 24));
  alice->MouseUp();
  vn::pdf::TvnPDArray* rect = Annot(1, "comment-1")->Dict()->LookUp("Rect")->AsArray();
  EXPECT_NEAR(Number(rect, 0), 231 + 30, 0.01);
  EXPECT_NEAR(Number(rect, 2), 249 + 30, 0.01);

  // With Shift the lower-right corner follows the pointer, never below 20.
  const QPoint corner = alice->mapToGlobal(QPoint(0, 0));
  alice->MouseDown(corner);
  alice->MouseMove(corner + QPoint(60, 10), Qt::ShiftModifier);
  EXPECT_EQ(alice->size(), QSize(60, 24));
  alice->MouseUp();
  rect = Annot(1, "comment-1")->Dict()->LookUp("Rect")->AsArray();
  EXPECT_NEAR(Number(rect, 2) - Number(rect, 0), 45, 0.01);
}

TEST_F(AnnotPlugin, DraggedAnnotationIsDrawnAtItsNewPlaceOnly) {
  TvnqViewerAnnotWidget* attachment = Widget(1, "attachment-1");
  TvnViewerPage* window = PageWindow(1);
  const QPoint before = attachment->geometry().center();
  ASSERT_TRUE(IsBlue(window->grab().toImage().pixelColor(before)));
  // While it is dragged the widget shows the appearance it carries.
  const QPoint start = attachment->mapToGlobal(QPoint(5, 5));
  attachment->MouseDown(start);
  attachment->MouseMove(start + QPoint(60, 40), Qt::NoModifier);
  EXPECT_GT(BluePixels(attachment->grab().toImage()), 100);
  attachment->MouseUp();
  QApplication::processEvents();
  // Dropped, the page renders again: the appearance is where the widget
  // is, and gone from where it was.
  const QPoint after = attachment->geometry().center();
  ASSERT_EQ(after, before + QPoint(60, 40));
  const QImage shown = window->grab().toImage();
  EXPECT_TRUE(IsBlue(shown.pixelColor(after)));
  EXPECT_FALSE(IsBlue(shown.pixelColor(before)));
  EXPECT_EQ(BluePixels(window->GetBitmap().copy(attachment->geometry().translated(-60, -40))), 0);
}

// A page turned by /Rotate 90: 200 x 400 points upright, shown 400 wide
// and 200 high. A blue square annotation at x 20..60, y 300..340 of the
// file's space and a text field at x 100..180, y 50..80.
std::string RotatedPagePdf() {
  return vn::test_support::PdfOfObjects(
      {"<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [6 0 R] >> >>",
       "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 400] /Rotate 90 /Annots [4 0 R 6 0 R] >>",
       "<< /Type /Annot /Subtype /Square /NM (box) /F 4 /Rect [20 300 60 340] /AP << /N 5 0 R >> >>",
       "<< /Type /XObject /Subtype /Form /BBox [0 0 40 40] /Length 23 >>\nstream\n0 0 1 rg 0 0 40 40 re f\nendstream",
       "<< /Type /Annot /Subtype /Widget /FT /Tx /T (note) /F 4 /Rect [100 50 180 80] /P 3 0 R >>"});
}

TEST_F(AnnotPlugin, WidgetsOfATurnedPageLieOverWhatThePageDraws) {
  const std::string pdf = RotatedPagePdf();
  vn::TMemoryStream stream(std::vector<uint8_t>(pdf.begin(), pdf.end()));
  Viewer->LoadFromStream(&stream);
  Viewer->ZoomTo(100);
  QApplication::processEvents();
  Plugin = nullptr;
  TvnFormFillingViewerPlugin* forms = nullptr;
  for (const auto& plugin : Viewer->GetPlugins()) {
    if (auto* annots = dynamic_cast<TvnqPDFAnotViewerPlugin*>(plugin.get())) Plugin = annots;
    if (auto* fields = dynamic_cast<TvnFormFillingViewerPlugin*>(plugin.get())) forms = fields;
  }
  ASSERT_NE(Plugin, nullptr);
  ASSERT_NE(forms, nullptr);
  TvnqViewerAnnotWidget* box = Widget(1, "box");
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(forms->GetControls().size(), 1u);
  TvnViewerFormWidget* note = forms->GetControls()[0];
  // Upright (x, y from the top) turns to (400 - y, x) on the shown page; at
  // 100 % and 96 dpi a point is 4/3 pixel. The square: x 300..340, y
  // 20..60 points shown; the field: x 50..80, y 100..180 points shown.
  EXPECT_EQ(PageWindow(1)->size(), QSize(533, 267));
  EXPECT_EQ(box->geometry(), QRect(400, 27, 53, 53));
  EXPECT_EQ(note->geometry(), QRect(67, 133, 40, 107));
  EXPECT_TRUE(IsBlue(PageWindow(1)->grab().toImage().pixelColor(box->geometry().center())));

  // Turned once more by the viewer, the widget follows the page again; a
  // drag there writes the file's rectangle in its own space.
  Viewer->RotateClockwise();
  QApplication::processEvents();
  EXPECT_TRUE(IsBlue(PageWindow(1)->grab().toImage().pixelColor(box->geometry().center())));
  Viewer->RotateCounterClockwise();
  QApplication::processEvents();
  const QPoint start = box->mapToGlobal(QPoint(5, 5));
  box->MouseDown(start);
  box->MouseMove(start + QPoint(40, 0), Qt::NoModifier);  // 30 points right on screen: 30 points up in the file
  box->MouseUp();
  vn::pdf::TvnPDArray* rect = Annot(1, "box")->Dict()->LookUp("Rect")->AsArray();
  EXPECT_NEAR(Number(rect, 0), 20, 1.0);
  EXPECT_NEAR(Number(rect, 2), 60, 1.0);
  EXPECT_NEAR(std::min(Number(rect, 1), Number(rect, 3)), 330, 1.0);
  EXPECT_NEAR(std::max(Number(rect, 1), Number(rect, 3)), 370, 1.0);
  // The document reads from the stream as long as it lives.
  Viewer.reset();
}

TEST_F(AnnotPlugin, AddANoteAndReplySurviveSaving) {
  ScriptedPrompts prompts;
  ASSERT_NE(PageWindow(1), nullptr);
  // The page window shows the page at 100 %: window point (400, 300) is page
  // point (400, 300) pixels, so the note is at (300, 225) points.
  const size_t before = AnnotCount(1);
  AddNoteAt(1, QPoint(400, 300));
  ASSERT_EQ(AnnotCount(1), before + 1);
  TvnPDAnnot* note = dynamic_cast<vn::pdfdoc::TvnqPDFPage*>(Document()->GetPage(1))->GetAnnots().back();
  EXPECT_EQ(note->Author(), u"Grace Viewer");
  EXPECT_FALSE(note->IsReply());
  ASSERT_NE(Plugin->WidgetOf(note), nullptr);
  EXPECT_EQ(Plugin->WidgetOf(note)->geometry(), QRect(400, 300, 24, 24));

  // "Reply" on Alice's widget asks for the text; a cancelled question makes
  // no reply.
  TvnqViewerAnnotWidget* alice = Widget(1, "comment-1");
  ASSERT_EQ(alice->PopupMenu()->actions().size(), 1);
  EXPECT_EQ(alice->PopupMenu()->actions()[0]->text(), "Reply");
  prompts.AcceptInput = false;
  alice->PopupMenu()->actions()[0]->trigger();
  EXPECT_EQ(AnnotCount(1), before + 1);
  ASSERT_EQ(prompts.Asked.size(), 1u);
  EXPECT_EQ(prompts.Asked[0], "Reply|Please type the reply");
  prompts.AcceptInput = true;
  prompts.Input = QStringLiteral("Agreed, Grace");
  alice->PopupMenu()->actions()[0]->trigger();
  ASSERT_EQ(AnnotCount(1), before + 2);
  TvnPDAnnot* reply = dynamic_cast<vn::pdfdoc::TvnqPDFPage*>(Document()->GetPage(1))->GetAnnots().back();
  EXPECT_TRUE(reply->IsReply());
  EXPECT_EQ(Plugin->WidgetOf(reply), nullptr);
  EXPECT_TRUE(prompts.Errors.empty());

  const fs::path saved = fs::temp_directory_path() / "commented.pdf";
  ASSERT_TRUE(Viewer->SaveToFile(vn::FromUtf8(saved.string())));
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
  std::string check;
  EXPECT_EQ(vn::pdf::testing::RunProgram({"qpdf", "--check", saved.string()}, &check), 0) << check;
  const std::set<std::string> lines = SavedOracle(saved);
  // Page 1 keeps its six annotations (0 to 5); the note is 6, the reply 7,
  // which answers Alice's note (index 0).
  const std::string page = "1 ";
  EXPECT_TRUE(lines.count(page + "6 Subtype Text")) << "the note";
  EXPECT_TRUE(lines.count(page + "6 T " + Hex("Grace Viewer")));
  EXPECT_TRUE(lines.count(page + "6 Rect 300 598.89 318 616.89")) << "841.89 - 243 .. 841.89 - 225";
  EXPECT_FALSE(lines.count(page + "6 IRT 0"));
  EXPECT_TRUE(lines.count(page + "7 Subtype Text")) << "the reply";
  EXPECT_TRUE(lines.count(page + "7 IRT 0"));
  EXPECT_TRUE(lines.count(page + "7 Contents " + Hex("Agreed, Grace")));
  EXPECT_TRUE(lines.count(page + "2 IRT 0")) << "Bob's reply is kept";

  // The saved file opens again with the reply listed under Alice's note.
  auto reopened = std::make_unique<TvnqPDFDocument>();
  reopened->LoadFromFile(vn::FromUtf8(saved.string()), String());
  test::TestHost host;
  TvnqPDFAnnotViewerPanePage pane(nullptr, &host, reopened.get());
  pane.Activate();
  TvnPDFAnnotListItem* thread = pane.ItemOf(test::AnnotNamed(*reopened, 1, "comment-1"));
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(thread->GetChildAnnots().size(), 3u);
  EXPECT_EQ(thread->GetChildAnnots()[2]->TitleLabel()->text(), "> Grace Viewer");
}

TEST_F(AnnotPlugin, AnnouncesChangesToTheViewerWhichTellsEveryPlugin) {
  // The comments pane's plug-in hears the announcement of a new note through
  // the viewer.
  TvnqPDFAnnotPanePageViewerPlugin* panePlugin = nullptr;
  for (const auto& plugin : Viewer->GetPlugins())
    if (auto* p = dynamic_cast<TvnqPDFAnnotPanePageViewerPlugin*>(plugin.get())) panePlugin = p;
  ASSERT_NE(panePlugin, nullptr);
  test::TestHost host;
  Viewer->setParent(&host);
  TvnqPDFAnnotViewerPanePage pane(nullptr, &host, Document());
  host.Pages.push_back(&pane);
  AddNoteAt(1, QPoint(200, 200));
  QApplication::processEvents();
  EXPECT_EQ(panePlugin->GetAnnotsPanePage(), &pane);
  // Every annotation but the pop-ups is listed, the new note too.
  EXPECT_EQ(pane.TopLevelItems().size(), 4u);
  // Typing in a pop-up refreshes the page once per change.
  const size_t refreshed = host.Shown.size();
  TvnqViewerAnnotWidget* carol = Widget(2, "comment-3");
  carol->ShowPopup();
  carol->GetPopup()->Notes()->setPlainText("T");
  carol->GetPopup()->Notes()->setPlainText("Ty");
  QApplication::processEvents();
  EXPECT_EQ(host.Shown.size(), refreshed + 2);
  EXPECT_EQ(pane.ItemOf(Annot(2, "comment-3"))->ContentsEdit()->toPlainText(), "Ty");
  EXPECT_EQ(carol->GetPopup()->Notes()->toPlainText(), "Ty");
  Viewer->setParent(nullptr);
}

TEST_F(AnnotPlugin, DoubleClickedAttachmentIsSavedInsideItsFolderAndOpenedOnlyWhenAgreed) {
  ScriptedPrompts prompts;
  TvnqViewerAnnotWidget* attachment = Widget(1, "attachment-1");
  prompts.ConfirmAnswer = false;
  QTest::mouseDClick(attachment, Qt::LeftButton);
  ASSERT_EQ(prompts.Confirmations.size(), 1u);
  EXPECT_TRUE(prompts.Opened.empty());
  EXPECT_FALSE(attachment->GetMouseDown());

  prompts.ConfirmAnswer = true;
  QTest::mouseDClick(attachment, Qt::LeftButton);
  ASSERT_EQ(prompts.Opened.size(), 1u);
  const fs::path opened = prompts.Opened[0].toStdString();
  const fs::path folder = vn::ToUtf8(AttachmentFolder());
  // The name "../../x" gives the file "x" inside the folder, and the second
  // save does not replace the first.
  EXPECT_EQ(opened.parent_path(), folder);
  EXPECT_EQ(opened.filename().string().substr(0, 1), "x");
  std::ifstream in(opened, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "attached bytes\n");
  EXPECT_TRUE(prompts.Confirmations[1].contains(prompts.Opened[0]));
}

TEST_F(AnnotPlugin, WidgetsGoWithTheirPageWindowsAndComeBack) {
  EXPECT_EQ(Plugin->GetControls().size(), 3u);
  Viewer->SetActive(false);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(Plugin->GetControls().empty());
  EXPECT_EQ(Widget(1, "comment-1"), nullptr);
  Viewer->SetActive(true);
  QApplication::processEvents();
  EXPECT_EQ(Plugin->GetControls().size(), 3u);
  EXPECT_EQ(Widget(1, "comment-1")->parentWidget(), PageWindow(1));
}

TEST_F(AnnotPlugin, WithoutCommentingThereIsNoteNorReply) {
  vn::framework::TvnViewerOperations operations;
  operations.Include(vn::framework::TvnViewerOperation::voFormFilling);
  Viewer->GetPreferences()->SetAllowedOperations(operations);
  Viewer->LoadFromFile(vn::FromUtf8(test::CommentsPdf().string()));
  QApplication::processEvents();
  TvnqPDFAnotViewerPlugin* plugin = nullptr;
  for (const auto& p : Viewer->GetPlugins())
    if (auto* annots = dynamic_cast<TvnqPDFAnotViewerPlugin*>(p.get())) plugin = annots;
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(TvnqPDFAnotViewerPlugin::PageWindowMenu(PageWindow(1)), nullptr);
  TvnqViewerAnnotWidget* alice = plugin->WidgetOf(Annot(1, "comment-1"));
  ASSERT_NE(alice, nullptr);
  EXPECT_TRUE(alice->PopupMenu()->actions().isEmpty());
}

TEST(AnnotPluginDocument, RegisteredForPdfDocuments) {
  test::EnsureViewerRegistry();
  vn::pdfdoc::TvnqPDFDocument document;
  // Other components may be registered for PDF documents too.
  const auto plugins = vn::framework::DocumentFramework()->LookpViewerPlugins(&document);
  const auto annots = std::find(plugins.begin(), plugins.end(), ViewerPluginClassOf<TvnqPDFAnotViewerPlugin>());
  const auto pane =
      std::find(plugins.begin(), plugins.end(), ViewerPluginClassOf<TvnqPDFAnnotPanePageViewerPlugin>());
  EXPECT_NE(annots, plugins.end());
  EXPECT_NE(pane, plugins.end());
  const auto pages = vn::framework::DocumentFramework()->LookupNavPanepage(&document);
  EXPECT_NE(std::find(pages.begin(), pages.end(), NavPanePageClassOf<TvnqPDFAnnotViewerPanePage>()), pages.end());
}

TEST(AnnotPluginDocument, RefusesDocumentsOtherThanPdf) {
  test::MessageViewer viewer;
  EXPECT_THROW(TvnqPDFAnotViewerPlugin(nullptr, &viewer), vn::EInvalidCast);
}

}  // namespace
}  // namespace vn::viewer::annot_viewer_plugin_test
