#include "viewer/page_manager.h"

#include <gtest/gtest.h>

#include <cmath>

#include "runtime/numbers.h"
#include "sized_document.h"

namespace vn::viewer::page_manager_test {
namespace {

using framework::TvnRotationAngle;
using framework::TvnZoomMode;
using test::A4Pages;
using test::ShownViewer;
using test::SizedFile;

// Three A4 pages at 100 % and 96 DPIX in a viewer wide enough for no
// horizontal bar: ActualWidth 793.7, ActualHeight 1122.52.
TEST(PageManager, PlacesThreeA4PagesInOneColumn) {
  auto Viewer = ShownViewer(SizedFile("a4", A4Pages(3)), 900, 600);
  TvnPageManager* Manager = Viewer->GetPageManager();
  ASSERT_TRUE(Viewer->IsDocumentActive());
  EXPECT_DOUBLE_EQ(Manager->GetZoom(), 100);
  struct Row {
    int32_t Page;
    double Top;
    int32_t ScrollPos;
  };
  const Row Rows[] = {{1, 6, 0}, {2, 1135, 1129}, {3, 2264, 2258}};
  for (const Row& R : Rows) {
    const TvnPageProperties& P = Manager->GetPageProps()[static_cast<size_t>(R.Page - 1)];
    EXPECT_NEAR(P.GetActualWidth(), 793.7, 0.01) << R.Page;
    EXPECT_NEAR(P.GetActualHeight(), 1122.52, 0.01) << R.Page;
    EXPECT_DOUBLE_EQ(P.GetTop(), R.Top) << R.Page;
    EXPECT_EQ(Manager->GetPageScrollPos(R.Page), R.ScrollPos) << R.Page;
  }
  EXPECT_EQ(Manager->GetVertRange(), 3393);
  EXPECT_EQ(Manager->GetHorzRange(), 806);
  EXPECT_EQ(Viewer->GetVertScrollBar()->GetRange(), 3393);
  EXPECT_EQ(Viewer->GetHorzScrollBar()->GetRange(), 806);
}

TEST(PageManager, QuarterTurnSwapsSidesAndFitsTheWidthToTheHeights) {
  auto Viewer = ShownViewer(SizedFile("a4turn", A4Pages(3)), 900, 600, TvnZoomMode::zmFitWidth);
  TvnPageManager* Manager = Viewer->GetPageManager();
  // The pages fit beside the vertical bar their column needs: no
  // horizontal bar.
  const int32_t Room = 900 - 12 - Viewer->SystemScrollBarExtent();
  EXPECT_DOUBLE_EQ(Manager->GetZoom(), std::round(Room / (210 / 25.4 * 96) * 100 * 100) / 100);
  EXPECT_FALSE(Viewer->GetHorzScrollBar()->IsScrollBarVisible());
  Viewer->SetRotationAngle(TvnRotationAngle::raCW90);
  // Fit width now divides by the actual heights.
  const double Zoom = std::round(Room / (297 / 25.4 * 96) * 100 * 100) / 100;
  EXPECT_DOUBLE_EQ(Manager->GetZoom(), Zoom);
  const TvnPageProperties& P = Manager->GetPageProps()[0];
  EXPECT_NEAR(P.GetWidth(), P.GetActualHeight() * Zoom / 100, 1e-9);
  EXPECT_NEAR(P.GetHeight(), P.GetActualWidth() * Zoom / 100, 1e-9);
  for (TvnViewerPage* Window : Manager->GetCachedPages().Pages()) {
    EXPECT_EQ(Window->GetRotationAngle(), TvnRotationAngle::raCW90);
    EXPECT_EQ(Window->width(), vn::RoundToInt(P.GetWidth()));
    EXPECT_EQ(Window->x(), 6);  // centred: the border on either side
  }
  EXPECT_FALSE(Viewer->GetHorzScrollBar()->IsScrollBarVisible());
}

TEST(PageManager, PageIndexAtScrollPos) {
  // Client height 600, border 6: below the top of a page, the next page is
  // current once less of this page remains in view (r) than the rest of
  // the window below it (600 - r - 6), i.e. from r <= 296 on.
  auto Viewer = ShownViewer(SizedFile("a4index", A4Pages(3)), 900, 600);
  ASSERT_EQ(Viewer->ClientHeight(), 600);
  struct Row {
    int32_t Pos, Page;
  };
  const Row Rows[] = {{-5, 1},  {0, 1},    {6, 1},    {600, 1},  {832, 1},  {833, 2}, {1128, 2},
                      {1129, 2}, {1961, 2}, {1962, 3}, {3392, 3}, {99999, 3}};
  for (const Row& R : Rows) EXPECT_EQ(Viewer->GetPageManager()->PageIndexAtScrollPos(R.Pos), R.Page) << R.Pos;
}

TEST(PageManager, GoToPageClampsTheNumber) {
  auto Viewer = ShownViewer(SizedFile("a4goto", A4Pages(3)), 900, 600);
  struct Row {
    int32_t Asked, Top, Page, Position;
  };
  const Row Rows[] = {
      {0, 0, 1, 0},       {1, 0, 1, 0},     {2, 0, 2, 1129}, {3, 0, 3, 2258}, {8, 0, 3, 2258},
      {-4, 0, 1, 0},      {2, 100, 2, 1223},  // 100 page pixels below the top of page 2, less the border
      {9, 100, 3, 2352},                        // an offset is taken on the clamped page
  };
  for (const Row& R : Rows) {
    Viewer->GoToPage(R.Asked, R.Top, 0);
    EXPECT_EQ(Viewer->GetPageNumber(), R.Page) << R.Asked;
    EXPECT_EQ(Viewer->GetVScrollPos(), R.Position) << R.Asked;
  }
}

TEST(PageManager, KeepsWindowsThreeBeforeTheCurrentPageAndTwoAfterTheLastVisible) {
  auto Viewer = ShownViewer(SizedFile("a4ten", A4Pages(10)), 900, 600);
  struct Row {
    int32_t Page, First, Last;
  };
  const Row Rows[] = {{1, 1, 3}, {6, 3, 8}, {10, 7, 10}, {2, 1, 4}};
  for (const Row& R : Rows) {
    Viewer->GoToPage(R.Page, 0, 0);
    const auto& Windows = Viewer->GetPageManager()->GetCachedPages().Pages();
    ASSERT_FALSE(Windows.empty());
    EXPECT_EQ(Windows.front()->GetConnectedPage(), R.First) << R.Page;
    EXPECT_EQ(Windows.back()->GetConnectedPage(), R.Last) << R.Page;
    EXPECT_EQ(static_cast<int32_t>(Windows.size()), R.Last - R.First + 1) << R.Page;
    // Each window sits where its page is, centred across the client area.
    for (TvnViewerPage* Window : Windows) {
      const int32_t P = Window->GetConnectedPage();
      EXPECT_EQ(Window->geometry(), Viewer->GetPageManager()->PageWindowRect(P)) << P;
      EXPECT_EQ(Window->x(), (Viewer->ClientWidth() - 794) / 2) << P;
    }
  }
}

TEST(PageManager, ZoomLimits) {
  auto Viewer = ShownViewer(SizedFile("a4zoom", A4Pages(3)), 900, 600);
  TvnPageManager* Manager = Viewer->GetPageManager();
  struct Row {
    double From, Asked, Result;
  };
  const Row Rows[] = {
      {100, 3200, 2919.06},   // the 1122.5-pixel page reaches 32767 pixels
      {100, 5000, 2919.06},   // clamped to 3200 first
      {100, 0.1, 0.25},       {100, -20, 0.25},
      {100, 33.333, 33.33},   // two decimals
      {50, 150, 150},
      {2919.06, 3200, 2919.06},
  };
  for (const Row& R : Rows) {
    Manager->SetZoom(R.From);
    Manager->SetZoom(R.Asked);
    EXPECT_DOUBLE_EQ(Manager->GetZoom(), R.Result) << R.From << " -> " << R.Asked;
    EXPECT_EQ(Manager->GetZoomType(), TvnZoomMode::zmCustom);
  }
  // Without a shown document the zoom is only stored (clamped, not limited).
  TvnFixedLayoutDocumentViewer Idle;
  Idle.SetZoomValue(5000);
  EXPECT_DOUBLE_EQ(Idle.GetZoomValue(), 3200);
}

TEST(PageManager, ZoomToTheCurrentValueDoesNothing) {
  auto Viewer = ShownViewer(SizedFile("a4same", A4Pages(3)), 900, 600);
  int32_t Changes = 0;
  Viewer->SetOnZoomChanged([&](framework::TObject*, framework::TvnZoomChangedEventArgs&) { ++Changes; });
  Viewer->SetZoomValue(100);
  EXPECT_EQ(Changes, 0);
  Viewer->SetZoomValue(150);
  EXPECT_EQ(Changes, 1);
}

TEST(PageManager, PageAndWindowPointsRoundTripInEveryRotation) {
  auto Viewer = ShownViewer(SizedFile("a4points", A4Pages(1)), 900, 600);
  Viewer->SetZoomValue(150);
  const QPoint OnPage(100, 40);
  struct Row {
    TvnRotationAngle Angle;
    QPoint InWindow;
  };
  // At 150 %: (100, 40) -> (150, 60); the page is 1191 by 1684 pixels,
  // 794 by 1123 at 100 %.
  const Row Rows[] = {
      {TvnRotationAngle::ra0, {150, 60}},        {TvnRotationAngle::raCW90, {(1123 - 40) * 3 / 2, 150}},
      {TvnRotationAngle::raCW180, {1041, 1624}}, {TvnRotationAngle::raCW270, {60, 1041}},
      {TvnRotationAngle::raACW90, {60, 1041}},   {TvnRotationAngle::raACW270, {(1123 - 40) * 3 / 2, 150}},
  };
  for (const Row& R : Rows) {
    Viewer->SetRotationAngle(R.Angle);
    const QPoint Window = Viewer->GetTransformedPoint(OnPage, 1);
    EXPECT_NEAR(Window.x(), R.InWindow.x(), 1) << static_cast<int>(R.Angle);
    EXPECT_NEAR(Window.y(), R.InWindow.y(), 1) << static_cast<int>(R.Angle);
    const QPoint Back = Viewer->WindowToPagePoint(Window, 1);
    EXPECT_NEAR(Back.x(), OnPage.x(), 1) << static_cast<int>(R.Angle);
    EXPECT_NEAR(Back.y(), OnPage.y(), 1) << static_cast<int>(R.Angle);
  }
}

}  // namespace
}  // namespace vn::viewer::page_manager_test
