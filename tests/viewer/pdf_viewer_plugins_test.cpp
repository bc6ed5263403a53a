// The form plug-in and the bookmarks page in the fixed-layout viewer, made
// through the registry as a host makes them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cmath>

#include "form_testing.h"
#include "framework/format_registry.h"
#include "library/library.h"
#include "pdfdocument/pdf_document.h"
#include "viewer/fixed_layout_viewer.h"
#include "viewer/pdf_bookmark_page.h"
#include "viewer/viewer_classes.h"
#include "viewer/viewer_messages.h"
#include "viewer/viewer_registration.h"

namespace vn::viewer::pdf_viewer_plugins_test {
namespace {

using namespace form_testing;

// The registry with PDF documents and the viewer's classes.
framework::TvnKELMFramework& Registry() {
  vn::InitializeLibrary();
  framework::TvnKELMFramework& registry = framework::CreateDocumentFramework();
  if (registry.LookupDocument(u"x.pdf") == nullptr)
    registry.RegisterDocument(framework::DocumentClassOf<pdfdoc::TvnqPDFDocument>(), u".pdf", u"PDF");
  InitializeViewers();
  return registry;
}

std::unique_ptr<TvnFixedLayoutDocumentViewer> ShowFile(const std::filesystem::path& AFile) {
  Registry();
  auto viewer = std::make_unique<TvnFixedLayoutDocumentViewer>();
  viewer->resize(1000, 700);
  viewer->GetZoom()->SetZoomMode(framework::TvnZoomMode::zmActualSize);
  viewer->show();
  viewer->LoadFromFile(String(AFile.u16string()));
  QApplication::processEvents();  // the posted notifications
  return viewer;
}

TvnFormFillingViewerPlugin* FormPlugin(TvnFixedLayoutDocumentViewer& AViewer) {
  for (const auto& plugin : AViewer.GetPlugins())
    if (auto* form = dynamic_cast<TvnFormFillingViewerPlugin*>(plugin.get())) return form;
  return nullptr;
}

TvnViewerFormWidget* WidgetOf(TvnFormFillingViewerPlugin& APlugin, const std::u16string& AName) {
  for (TvnViewerFormWidget* widget : APlugin.GetControls())
    if (widget->GetPageElement()->FullQualifiedName() == AName) return widget;
  return nullptr;
}

void ExpectNear(const QRect& AActual, const QRect& AExpected) {
  EXPECT_LE(std::abs(AActual.left() - AExpected.left()), 2) << AActual.left() << " " << AExpected.left();
  EXPECT_LE(std::abs(AActual.top() - AExpected.top()), 2) << AActual.top() << " " << AExpected.top();
  EXPECT_LE(std::abs(AActual.right() - AExpected.right()), 2) << AActual.right() << " " << AExpected.right();
  EXPECT_LE(std::abs(AActual.bottom() - AExpected.bottom()), 2) << AActual.bottom() << " " << AExpected.bottom();
}

TEST(ViewerPlugins, FormWidgetsLieOnThePageWindowsAndTurnWithThem) {
  if (!HaveOracle()) GTEST_SKIP() << "python3-pypdf is not installed";
  const int32_t savedPpi = framework::ScreenPixelsPerInch;
  framework::ScreenPixelsPerInch = 96;
  auto viewer = ShowFile(FormFixture());
  ASSERT_TRUE(viewer->IsDocumentActive());
  TvnFormFillingViewerPlugin* plugin = FormPlugin(*viewer);
  ASSERT_NE(plugin, nullptr);
  ASSERT_EQ(plugin->GetControls().size(), 11u);
  auto* name = dynamic_cast<TvnEditFormWidget*>(WidgetOf(*plugin, u"name"));
  ASSERT_NE(name, nullptr);
  auto* window = dynamic_cast<TvnViewerPage*>(name->parentWidget());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->GetConnectedPage(), 1);
  // "name" lies at 90.849, 126.702 .. 271.901, 142 points from the top-left
  // corner of its 595.3 by 841.9 point page.
  ExpectNear(name->geometry(), QRect(QPoint(121, 169), QPoint(362 - 1, 189 - 1)));

  // Typed into and saved through the viewer.
  QTest::mouseClick(name, Qt::LeftButton, {}, name->rect().center());
  ASSERT_NE(name->GetInput(), nullptr);
  QTest::keyClicks(name->GetInput(), "Dora");
  QTest::keyClick(name->GetInput(), Qt::Key_Tab);
  const auto saved = std::filesystem::temp_directory_path() / "viewer_form.pdf";
  ASSERT_TRUE(viewer->SaveToFile(String(saved.u16string())));
  EXPECT_EQ(OracleValues(saved)["name"], "Dora");

  // A quarter turn clockwise takes (x, y) to (page height - y, x).
  viewer->RotateClockwise();
  QApplication::processEvents();
  ExpectNear(name->geometry(), QRect(QPoint(1123 - 189, 121), QPoint(1123 - 169 - 1, 362 - 1)));
  framework::ScreenPixelsPerInch = savedPpi;
}

TEST(ViewerPlugins, FormPluginIgnoresAPageWindowThatIsGone) {
  auto viewer = ShowFile(FormFixture());
  TvnFormFillingViewerPlugin* plugin = FormPlugin(*viewer);
  ASSERT_NE(plugin, nullptr);
  const size_t before = plugin->GetControls().size();
  // A window the viewer no longer has (this one it never had) makes
  // nothing.
  auto stray = std::make_unique<TvnViewerPage>();
  stray->SetConnectedPage(1);
  PostWindowMessage(plugin->GetHandle(), VWM_PAGECREATED, MessageObjectParam(stray.get()), 0);
  QApplication::processEvents();
  EXPECT_EQ(plugin->GetControls().size(), before);
}

TEST(ViewerPlugins, BookmarkClickMovesTheViewerToItsPage) {
  auto viewer = ShowFile(std::filesystem::path(VN_FIXTURES_DIR) / "pdfdocument" / "outline_nested.pdf");
  ASSERT_TRUE(viewer->IsDocumentActive());
  TvnBaseDocument* document = viewer->GetDocument();
  TvnPDFBookMarkPage* page = nullptr;
  QWidget pane;
  for (framework::TvnNavPanePageClass entry : Registry().LookupNavPanepage(document)) {
    auto* made = static_cast<const TvnNavPanePageClassInfo*>(entry)->Create(&pane, viewer.get(), document);
    if (auto* bookmarks = dynamic_cast<TvnPDFBookMarkPage*>(made)) page = bookmarks;
  }
  ASSERT_NE(page, nullptr);
  page->Activate();
  pane.resize(250, 400);
  page->resize(250, 400);
  pane.show();
  QTreeWidget* tree = page->GetTreeView();
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(viewer->GetPageNumber(), 1);
  QTreeWidgetItem* results = tree->topLevelItem(2);
  ASSERT_EQ(results->text(0), "Results");
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(results).center());
  EXPECT_EQ(viewer->GetPageNumber(), 3);
  tree->expandAll();
  QTreeWidgetItem* setup = tree->topLevelItem(1)->child(0);
  ASSERT_EQ(setup->text(0), "Setup");
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(setup).center());
  EXPECT_EQ(viewer->GetPageNumber(), 2);
}

}  // namespace
}  // namespace vn::viewer::pdf_viewer_plugins_test
