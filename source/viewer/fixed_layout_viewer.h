// The fixed-layout document viewer: shows any registered fixed-page
// document as a vertical column of pages.
//
// It loads a file or a stream through the format registry, creates the
// viewer plug-ins registered for the document's class, shows the pages
// through its page manager, and offers paging, zoom (the fixed steps, the
// zoom modes, zoom to a rectangle, Ctrl+wheel), rotation in quarter turns,
// scrolling (bars, wheel, hand dragging) and password forwarding. Plug-ins
// learn about the viewer's life through the notifications of
// viewer_messages.h, posted to their Handle.
//
// Ownership: the viewer owns the document it loaded, the plug-ins made for
// it, its page manager and its document manager; a later load frees the
// document and plug-ins it replaces. It makes its own Preferences and Zoom
// objects (DPIX and DPIY 96, fit width); a host may hand it its own zoom
// object instead (SetZoom), which it then borrows.
//
// Passwords: a document's password requests go to OnNeedPassword; without a
// handler the request is cancelled, and after Preferences' AllowedAttempts
// requests (three by default) the next one is cancelled without asking, so
// a wrong password never makes the load ask again and again.
#pragma once

#include <QCursor>
#include <QPoint>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/document_manager.h"
#include "viewer/page_manager.h"
#include "viewer/scrolling_panel.h"

namespace vn::viewer {

enum class TvnViewerMode : uint8_t { vmHand, vmSelect, vmSnapshot, vmZoom, vmHighlight };
enum class TvnViewerMouseActivity : uint8_t { vmaButtonDown, vmaButtonUp, vmaMoving, vmaSelecting };
enum class TvnBorderStyle : uint8_t { bsNone, bsSingle };

// The zoom table, in percent.
inline constexpr float ZoomTable[] = {1, 5, 10, 25, 50, 75, 100, 150, 200, 400, 800, 1600, 2400, 3200};
inline constexpr double MinZoom = 0.25;
inline constexpr double MaxZoom = 3200;

TvnRotationAngle NextRotationClockwise(TvnRotationAngle Angle);
TvnRotationAngle NextRotationCounterClockwise(TvnRotationAngle Angle);

class TvnFixedLayoutDocumentViewer : public TvnScrollingPanel {
  Q_OBJECT

 public:
  // The four cursors of the viewer: open hand (1), closed hand (2),
  // magnifier with plus (3) and with minus (4).
  static QCursor ViewerCursor(int32_t Index);

  explicit TvnFixedLayoutDocumentViewer(QWidget* AOwner = nullptr);
  ~TvnFixedLayoutDocumentViewer() override;

  // Pages.
  int32_t GetPageNumber() override;
  int32_t GetPageCount() override;
  void SetPageNumber(int32_t Value) override;
  int32_t GetCurrentPageIndex() { return GetPageNumber(); }
  void SetCurrentPageIndex(int32_t Value) { GoToPage(Value, 0, 0); }
  bool IsFirst();
  bool IsLast();
  TvnPageManager* GetPageManager() const { return FPageManager.get(); }
  void FirstPage() override;
  void LastPage() override;
  void NextPage() override;
  void PreviousPage() override;
  void GoToPage(int32_t PageNumber, int32_t ATop, int32_t ALeft) override;
  int32_t GetScrollPosFromPageIndex(int32_t APageIndex);
  // Page coordinates (pixels at 96 per inch and 100 %) to page-window
  // pixels, and back.
  QPoint GetTransformedPoint(QPoint APoint, int32_t AConnectedPage);
  QPoint WindowToPagePoint(QPoint APoint, int32_t APage);
  TRect GetOriginalRect(const TRect& TransformedRect, int32_t PageNum);

  // Activity.
  bool GetActive() const { return FActive; }
  void SetActive(bool Value) override;
  // Active with a loaded document.
  bool IsDocumentActive() const;
  TvnBaseDocument* GetDocument() const { return FDocument; }
  const std::vector<std::unique_ptr<TvnqViewerPlugin>>& GetPlugins() const { return FPlugins; }

  // Loading and saving.
  void LoadFromFile(const String& FileName) override;
  void LoadFromStream(vn::TStream* Stream) override;
  void CloseDocument() override;
  bool SaveToFile(const String& FileName) override;
  bool SaveToStream(vn::TStream* Stream) override;

  // Zoom.
  double GetZoomValue() const;
  void SetZoomValue(double Value);
  TvnZoomMode GetZoomType() const;
  void SetZoomType(TvnZoomMode Value);
  TvnZoomMode GetStdZoomType() override { return GetZoomType(); }
  int32_t GetZoomPercent() override;
  void ZoomTo(int32_t Percentage) override { SetZoomValue(Percentage); }
  void ZoomTo(TvnZoomMode ZoomType) override { SetZoomType(ZoomType); }
  double GetZoomPercentForZoomMode(TvnZoomMode ZoomMode) override;
  double GetStandardZoomValue(TvnZoomMode AZoomType) { return GetZoomPercentForZoomMode(AZoomType); }
  std::vector<double> GetZoomSteps() override;
  void ZoomIn(int32_t Step) override;
  void ZoomIn(const TRect& Rect) override;
  void ZoomOut(int32_t Step) override;
  void ZoomOut(const TRect& Rect) override;
  // The first table entry above the zoom; the last one below it (0.25 when
  // none is below).
  double NextZoomStep() const;
  double PreviousZoomStep() const;
  bool ZoomInOneStep();
  bool ZoomOutOneStep();
  // A host's zoom object (borrowed); null goes back to the viewer's own.
  void SetZoom(vn::framework::TvnZoom* Value) override;

  // Rotation.
  TvnRotationAngle GetRotationAngle() const;
  void SetRotationAngle(TvnRotationAngle Value);
  void Rotate(TvnRotationAngle Angle) override { SetRotationAngle(Angle); }
  void RotateClockwise() override;
  void RotateCounterClockwise() override;

  // Scrolling.
  void GotoHScrollPos(int32_t Position) override;
  void GotoVScrollPos(int32_t Position) override;
  void ScrollHBy(int32_t Delta) override;
  void ScrollVBy(int32_t Delta) override;
  void ScrollUp(int32_t ScrollValue);
  void ScrollDown(int32_t ScrollValue);
  void ScrollLeft(int32_t ScrollValue);
  void ScrollRight(int32_t ScrollValue);
  int32_t GetHScrollPos() const;
  void SetHScrollPos(int32_t Value);
  int32_t GetVScrollPos() const;
  void SetVScrollPos(int32_t Value);
  String GetScrollHintText() override;

  // Layout.
  int32_t GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int32_t Value);
  TvnBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TvnBorderStyle Value);
  QColor GetHighLightRegionColor() const { return FHighLightRegionColor; }
  QColor GetSelectedRegionColor() const { return FSelectedRegionColor; }
  TvnViewerMode GetViewerMode() const { return FViewerMode; }

  // Input from the page windows (client pixels of the page window).
  void PageMouseDown(TvnViewerPage* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X,
                     int32_t Y);
  void PageMouseMove(TvnViewerPage* Sender, Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int32_t X,
                     int32_t Y);
  void PageMouseUp(TvnViewerPage* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int32_t X,
                   int32_t Y);
  // A wheel turn of WheelDelta (120 per notch) with the pointer at
  // MousePos in the viewer's client-area pixels; always handled.
  bool DoMouseWheel(Qt::KeyboardModifiers Shift, int32_t WheelDelta, QPoint MousePos);
  void PageKeyPress(TvnViewerPage* Sender, QKeyEvent* Event);
  void PageKeyUp(TvnViewerPage* Sender, QKeyEvent* Event);
  void ProcessKeyInput(int32_t, Qt::KeyboardModifiers) {}

  // Posts a notification to every plug-in's Handle.
  void PostToPlugins(uint32_t Msg, uint64_t WParam, int64_t LParam = 0);

  // Events raised by the page manager.
  void DoPageChanged();
  void DoZoomChanged();
  // The page number the base keeps, without moving.
  void StorePageNumber(int32_t Value) { TvnBaseDocumentViewer::SetPageNumber(Value); }

  // Handles a window message at once (WM_VSCROLL, WM_HSCROLL and the
  // panel's messages, VWM_ANNOTSCHANGED).
  void Perform(TMessage& Message) override;

 protected:
  bool event(QEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void wheelEvent(QWheelEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;

 private:
  void DocumentNeedPassword(TObject* Sender, vn::framework::TvnNeedPasswordEventArgs& Args);
  void ActivatePages();
  void DeactivatePages();
  // Makes the document current, with the plug-ins registered for it.
  void TakeDocument(std::unique_ptr<TvnBaseDocument> ADocument);
  void FreePlugins();
  void SetCursors(TvnViewerPage* Window, int32_t ViewerCursor, int32_t WindowCursor);

  bool FActive = false;
  std::vector<std::unique_ptr<TvnqViewerPlugin>> FPlugins;
  TvnBorderStyle FBorderStyle = TvnBorderStyle::bsNone;
  int32_t FBorderWidth = 6;
  std::unique_ptr<vn::framework::TvnDocumentManager> FDocumentManager;
  QColor FHighLightRegionColor;
  TvnViewerMouseActivity FMouseActivity = TvnViewerMouseActivity::vmaButtonUp;
  QPoint FMouseDest;
  QPoint FMouseOrigin;
  std::unique_ptr<TvnPageManager> FPageManager;
  Qt::KeyboardModifiers FPrevShift;
  Qt::MouseButtons FPressedButtons;
  QColor FSelectedRegionColor;
  TvnViewerMode FViewerMode = TvnViewerMode::vmHand;

  std::unique_ptr<TvnBaseDocument> FOwnedDocument;
  std::unique_ptr<vn::framework::TvnViewerPreferences> FOwnPreferences;
  std::unique_ptr<vn::framework::TvnZoom> FOwnZoom;
};

}  // namespace vn::viewer
