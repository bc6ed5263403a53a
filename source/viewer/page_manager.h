// The arithmetic and page windows of the fixed-layout viewer.
//
// TvnPageManager places every page of the viewer's document in one vertical
// column (BorderWidth pixels above, between and below the pages, each page
// centred across the wider of the client area and the widest page),
// converts between page and page-window coordinates, owns the zoom value and
// mode and the rotation, decides which page is current for a scroll
// position, and keeps page windows (TvnViewerPage) only for the pages around
// the visible ones: up to three before the current page and two after the
// last visible one.
//
// Units: placements are doubles in screen pixels; the actual sizes are the
// page sizes at 96 pixels per inch and 100 %, the displayed sizes are those
// times s = DPIX / 96 × Zoom / 100, with the sides swapped for a quarter
// turn. rnd() below is rounding to the nearest integer, halves to even.
//
// Ownership: the viewer owns its page manager; the page manager owns the
// placements, and the page windows it creates are Qt children of the
// viewer's client area that the manager frees when they leave the kept
// range. Without an active loaded document the manager only stores values
// (current page, zoom, zoom type, rotation) for the next activation.
#pragma once

#include <QImage>
#include <QPoint>
#include <cstdint>
#include <memory>
#include <vector>

#include "viewer/base_viewer.h"

namespace vn::viewer {

class TvnFixedLayoutDocumentViewer;
class TvnPageManager;

// The placement of one document page, in pixels.
class TvnPageProperties {
 public:
  double GetActualHeight() const { return FActualHeight; }
  double GetActualWidth() const { return FActualWidth; }
  double GetHeight() const { return FHeight; }
  double GetTop() const { return FTop; }
  double GetWidth() const { return FWidth; }

 private:
  friend class TvnPageManager;
  double FActualHeight = 0;  // at 96 per inch and 100 %
  double FActualWidth = 0;
  double FHeight = 0;  // displayed, at the zoom and rotation
  double FTop = 0;     // displayed top in the scrolled area
  double FWidth = 0;
};
using TvnPagePropsList = std::vector<TvnPageProperties>;

// The window of one document page: renders the page once into an
// off-screen picture of the window's size and rotation, copies it on later
// paints, and hands its mouse and keyboard input to the viewer and its
// plug-ins.
class TvnViewerPage : public TvnBaseViewerPage {
  Q_OBJECT

 public:
  // A plain white panel without a viewer.
  explicit TvnViewerPage(QWidget* AOwner = nullptr);
  // The page manager's window for page AConnectedPage of AViewer's document
  // (a child of the viewer's client area); posts VWM_PAGECREATED.
  static TvnViewerPage* CreatePage(TvnFixedLayoutDocumentViewer* AViewer, int32_t AConnectedPage);
  ~TvnViewerPage() override;

  // The document's page ConnectedPage; nil when the document has none.
  vn::framework::TvnBasePage* GetPage() const;
  TvnRotationAngle GetRotationAngle() const { return FRotationAngle; }
  // A different angle makes the window render its page again.
  void SetRotationAngle(TvnRotationAngle Value);
  // Moves and sizes the window; any change makes it render its page again
  // and posts VWM_PAGEBOUNDSCHANGED.
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
  // Renders the page (when needed) and shows it at once.
  void Draw();
  // The page's drawing changed (its annotations, say): the next paint
  // renders it again.
  void InvalidatePage();
  // Renders the page into the window's picture when it must be rendered
  // again (see GetRedraw); only the part in view for a large window.
  void RenderPage();
  TvnFixedLayoutDocumentViewer* GetViewer() const { return FViewer; }
  // Whether the next paint renders the page again.
  bool GetRedraw() const { return FRedraw; }
  // The rendered picture (null before the first paint).
  const QImage& GetBitmap() const { return FBitmap; }

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void wheelEvent(QWheelEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void keyReleaseEvent(QKeyEvent* Event) override;
  bool event(QEvent* Event) override;

 private:
  // Renders when needed, then copies the picture into Rect.
  void PaintPage(class QPainter& Painter, const QRect& Rect);
  void PageClick();
  void Forward(uint32_t Msg, int64_t LParam);

  QImage FBitmap;
  QPoint FBitmapOrigin;  // where FBitmap sits in the window
  bool FRedraw = true;
  TvnRotationAngle FRotationAngle = TvnRotationAngle::ra0;
  TvnFixedLayoutDocumentViewer* FViewer = nullptr;
  bool FPressed = false;
};

// The page windows in ascending page order.
class TvnViewerPageList {
 public:
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TvnViewerPage* Items(int32_t Index) const { return FItems[static_cast<size_t>(Index)]; }
  const std::vector<TvnViewerPage*>& Pages() const { return FItems; }
  // Set after every synchronisation.
  bool GetChanged() const { return FChanged; }
  void SetChanged(bool Value) { FChanged = Value; }

 private:
  friend class TvnPageManager;
  std::vector<TvnViewerPage*> FItems;  // Qt children of the viewer's client area
  bool FChanged = false;
};

class TvnPageManager : public TObject {
 public:
  explicit TvnPageManager(TvnFixedLayoutDocumentViewer* AOwner);
  ~TvnPageManager() override;
  TvnPageManager(const TvnPageManager&) = delete;
  TvnPageManager& operator=(const TvnPageManager&) = delete;

  // The viewer became active: placements, ranges, the zoom of its zoom
  // mode and the page windows around the current page.
  void Activate();
  // Drops the page windows and zeroes both ranges.
  void Deactivate();
  // Reads every page's size and places the pages.
  void BuildPageProps();
  // Places the pages again from the kept actual sizes.
  void RecalcPageSizes();
  // After a rotation, a border-width change or a display change.
  void RefreshLayout();

  // Scrolls to page APageIndex (clamped) with the page point (ALeft, ATop)
  // at the top of the view when either is not 0; the current page.
  int32_t GoToPage(int32_t APageIndex, int32_t ATop, int32_t ALeft);
  // Makes the page at AScrollPos current (raising page-changed on a change)
  // and keeps windows for APageCacheCount pages around the visible ones.
  void ScrollViewer(int32_t AScrollPos, int32_t APageCacheCount = 2);

  int32_t PageIndexAtScrollPos(int32_t Pos) const;
  // rnd(Top − BorderWidth) of the page.
  int32_t GetPageScrollPos(int32_t Page) const;
  int32_t GetVertRange() const;
  int32_t GetHorzRange() const;
  void SetVertRange(int32_t Value);
  void SetHorzRange(int32_t Value);
  // n limited to the page count, then to at least 1.
  int32_t ClampPageIndex(int32_t n) const;

  // The zoom of a mode: actual size 100, custom the current zoom; fit width
  // and fit height fit the widest and the tallest page between the borders
  // in the room the scroll bars leave; fit page the smaller of the two.
  double GetZoomPercentForMode(TvnZoomMode Mode) const;
  // Target, or the zoom at which the largest displayed page side (measured
  // at Reference percent) reaches 32767 pixels when Target would pass it.
  double LimitZoom(double Target, double Reference) const;
  // A page point (pixels at 96 per inch and 100 %, y downwards) in the
  // page window's pixels.
  QPoint PageToWindowPoint(QPoint Point, int32_t Page) const;
  // The inverse of PageToWindowPoint.
  QPoint WindowToPagePoint(QPoint Point, int32_t Page) const;
  // Where the page's window sits in the viewer's client area.
  QRect PageWindowRect(int32_t Page) const;

  double GetZoom() const { return FZoom; }
  void SetZoom(double Value);
  TvnZoomMode GetZoomType() const { return FZoomType; }
  void SetZoomType(TvnZoomMode Value);
  TvnRotationAngle GetRotationAngle() const { return FRotationAngle; }
  void SetRotationAngle(TvnRotationAngle Value);
  int32_t GetCurrentPageIndex() const { return FCurrentPageIndex; }
  void SetCurrentPageIndex(int32_t Value) { GoToPage(Value, 0, 0); }
  bool GetSizingLocked() const { return FSizingLocked; }
  TvnFixedLayoutDocumentViewer* GetViewer() const { return FViewer; }

  TvnViewerPage* CreatePageWindow(int32_t Page);
  void PlacePageWindow(TvnViewerPage* Window) const;
  void RealizePages(int32_t Pos, int32_t Cache);
  void SyncPageWindows();
  int32_t LastPageToCache(int32_t Pos, int32_t Cache) const;
  void ClearCachedPages();
  // Every page window renders its page again on its next paint.
  void InvalidatePages();
  // Frees the window at that list index; an index outside the list is
  // ignored.
  void FreeCachedPage(int32_t Index);
  void ClearPageProps();

  const TvnViewerPageList& GetCachedPages() const { return FCachedPages; }
  // The window of the page, when it has one.
  TvnViewerPage* FindPageWindow(int32_t Page) const;
  const TvnPagePropsList& GetPageProps() const { return FPageProps; }
  int32_t GetFirstPageIndex() const { return FFirstPageIndex; }
  int32_t GetLastPageIndex() const { return FLastPageIndex; }
  double GetMaxPageHeight() const { return FMaxPageHeight; }
  double GetMaxPageWidth() const { return FMaxPageWidth; }
  double GetActualMaxPageHeight() const { return FActualMaxPageHeight; }
  double GetActualMaxPageWidth() const { return FActualMaxPageWidth; }

 private:
  const TvnPageProperties& Props(int32_t Page) const;
  int32_t PageCount() const { return static_cast<int32_t>(FPageProps.size()); }
  bool DocumentActive() const;
  double Scale() const;
  void PlaceFromActualSizes();

  double FActualMaxPageHeight = 0;
  double FActualMaxPageWidth = 0;
  TvnViewerPageList FCachedPages;
  int32_t FCurrentPageIndex = 1;
  int32_t FFirstPageIndex = 0;
  int32_t FLastPageIndex = 0;
  double FMaxPageHeight = 0;
  double FMaxPageWidth = 0;
  TvnPagePropsList FPageProps;
  TvnRotationAngle FRotationAngle = TvnRotationAngle::ra0;
  bool FShowSearchRegion = false;
  bool FSizingLocked = false;
  TvnFixedLayoutDocumentViewer* FViewer;
  double FZoom = 100;
  TvnZoomMode FZoomType = TvnZoomMode::zmFitWidth;
  bool FZoomTypeLocked = false;
};

// True for zmFitPage, zmFitWidth and zmFitHeight.
bool IsFitZoomMode(TvnZoomMode Mode);
// True for a quarter turn (raCW90, raCW270, raACW90, raACW270).
bool IsQuarterTurn(TvnRotationAngle Angle);
// The angle in degrees that a page draws with: 0, 90, 180, 270 clockwise,
// −90, −180, −270 counter-clockwise.
int32_t RotationDegrees(TvnRotationAngle Angle);

}  // namespace vn::viewer
