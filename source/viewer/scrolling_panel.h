// The scrolling base of the document viewer: two scroll bars kept by the
// panel itself (range, page, position and a 32-bit track position), smooth
// line and page moves, thumb tracking with notifications, and a page tool
// tip that follows the vertical thumb while it is dragged.
//
// The panel's client area is an inner widget (ClientArea) that holds the
// scrolled children; scrolling moves them. The bars talk to the panel
// through WM_HSCROLL and WM_VSCROLL messages carried as events.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "viewer/base_viewer.h"
#include "viewer/window_messages.h"

namespace vn::viewer {

class TvnScrollingPanel;

enum class TScrollBarKind : uint8_t { sbHorizontal, sbVertical };
enum class TScrollBarStyle : uint8_t { ssRegular, ssFlat, ssHotTrack };

// How a smooth move of Increment pixels in Divisions steps goes: Steps
// moves of Step pixels, then one of Remainder pixels when it is at least 1.
struct TSmoothSteps {
  int32_t Steps = 0;
  int32_t Step = 0;
  int32_t Remainder = 0;
  bool operator==(const TSmoothSteps&) const = default;
};
TSmoothSteps SmoothSteps(int32_t Increment, int32_t Divisions);

class TControlScrollBar : public TObject {
 public:
  using TNotifyEvent = std::function<void(TObject* Sender)>;

  TControlScrollBar(TvnScrollingPanel* AControl, TScrollBarKind AKind);

  void Assign(const TControlScrollBar& Source);

  int32_t GetButtonSize() const { return FButtonSize; }
  void SetButtonSize(int32_t Value);
  QColor GetColor() const { return FColor; }
  void SetColor(QColor Value);
  int32_t GetIncrement() const { return FIncrement; }
  void SetIncrement(int32_t Value);
  TScrollBarKind GetKind() const { return FKind; }
  uint16_t GetMargin() const { return FMargin; }
  void SetMargin(uint16_t Value) { FMargin = Value; }
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  int32_t GetPosition() const { return FPosition; }
  void SetPosition(int32_t Value);
  int32_t GetRange() const { return FRange; }
  void SetRange(int32_t Value);
  int32_t GetScrollPos() const { return FVisible ? FPosition : 0; }
  int32_t GetSize() const { return FSize; }
  void SetSize(int32_t Value);
  bool GetSmooth() const { return FSmooth; }
  void SetSmooth(bool Value) { FSmooth = Value; }
  TScrollBarStyle GetStyle() const { return FStyle; }
  void SetStyle(TScrollBarStyle Value);
  int32_t GetThumbSize() const { return FThumbSize; }
  void SetThumbSize(int32_t Value);
  bool GetTracking() const { return FTracking; }
  void SetTracking(bool Value) { FTracking = Value; }
  int32_t GetTrackingPos() const { return FTrackingPos; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  int32_t GetCalcRange() const { return FCalcRange; }
  int32_t GetPageIncrement() const { return FPageIncrement; }
  bool GetScaled() const { return FScaled; }
  void SetScaled(bool Value) { FScaled = Value; }

  TNotifyEvent OnThumbPositionSet;
  TNotifyEvent OnThumbTracking;

  void SetRangeInternal(int32_t Value);
  int32_t GetClientExtent(bool ControlSB, bool AssumeSB) const;
  bool NeedsToBeVisible() const;
  bool IsScrollBarVisible() const;
  void ChangeBiDiPosition();
  void RefreshScrollInfo(bool ControlSB, bool AssumeSB);
  void RecalcAutoRange();
  void HandleScrollMessage(const TMessage& Message);

  // The bar widget the panel shows.
  QScrollBar* GetBar() const { return FBar; }

 private:
  friend class TvnScrollingPanel;
  void ApplyScrollProperties();
  template <typename T>
  void ChangeAppearance(T& Field, T Value);
  void SmoothScroll(int32_t Code);
  // The bar's 32-bit track position (the message carries only 16 bits).
  int32_t RealTrackPosition() const;

  int32_t FButtonSize = 0;
  int32_t FCalcRange = 0;
  QColor FColor;
  TvnScrollingPanel* FControl;
  int32_t FDelay = 10;
  int32_t FIncrement = 8;
  TScrollBarKind FKind;
  int32_t FLineDiv = 4;
  uint16_t FMargin = 0;
  int32_t FPageDiv = 12;
  int32_t FPageIncrement = 80;
  bool FParentColor = true;
  int32_t FPosition = 0;
  int32_t FRange = 0;
  bool FScaled = false;
  int32_t FSize = 0;
  bool FSmooth = false;
  TScrollBarStyle FStyle = TScrollBarStyle::ssRegular;
  int32_t FThumbSize = 0;
  bool FTracking = false;
  int32_t FTrackingPos = 0;
  bool FUpdateNeeded = true;
  bool FVisible = true;
  bool FShown = false;  // the window system shows the bar
  QScrollBar* FBar;     // child widget of the panel
};

class TvnScrollingPanel : public TvnBaseDocumentViewer {
  Q_OBJECT

 public:
  using TScrollEvent = std::function<void(QObject* Sender, int32_t ScrollCode, int32_t& ScrollPos)>;

  // Tool-tip constants.
  static constexpr int32_t ScrollToolTipTimerId = 1;
  static constexpr int32_t ScrollToolTipDisplayTime = 3000;
  static constexpr int32_t ScrollToolTipMaxWidth = 100;

  explicit TvnScrollingPanel(QWidget* AOwner = nullptr);
  ~TvnScrollingPanel() override;

  bool GetAutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool Value);
  TControlScrollBar* GetHorzScrollBar() const { return FHorzScrollBar.get(); }
  void SetHorzScrollBar(const TControlScrollBar& Value) { FHorzScrollBar->Assign(Value); }
  TControlScrollBar* GetVertScrollBar() const { return FVertScrollBar.get(); }
  void SetVertScrollBar(const TControlScrollBar& Value) { FVertScrollBar->Assign(Value); }
  TScrollEvent OnHScroll;
  TScrollEvent OnVScroll;

  // The widget that holds the scrolled children.
  QWidget* ClientArea() const { return FClientArea; }
  int32_t ClientWidth() const;
  int32_t ClientHeight() const;
  // The window system's thickness of a bar.
  int32_t SystemScrollBarExtent() const;

  void UpdateScrollBars();
  void CalcAutoRange();
  void DisableAutoRange() { ++FAutoRangeCount; }
  void EnableAutoRange();
  void ScrollInView(QWidget* AControl) { AutoScrollInView(AControl); }
  // Rescaling by M/D: positions to 0, ranges scaled without AutoScroll.
  void ScaleScrollBars(int32_t M, int32_t D);

  // Handles a window message at once (WM_HSCROLL, WM_VSCROLL, WM_TIMER).
  virtual void Perform(TMessage& Message);

  virtual String GetScrollHintText();
  void ActivatePageToolTip(const String& Text);
  void HidePageToolTip();
  bool GetScrollToolTipShowing() const { return FScrollToolTipShowing; }
  QLabel* GetScrollToolTip() const { return FScrollToolTip; }
  bool GetUpdatingScrollBars() const { return FUpdatingScrollBars; }

 protected:
  bool event(QEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

  virtual void Resizing(int32_t) {}
  virtual bool AutoScrollEnabled() const { return true; }
  virtual void AutoScrollInView(QWidget* AControl);
  void DoOnHScroll(TMessage& Message);
  void DoOnVScroll(TMessage& Message);
  void ThumbTracking(TObject* Sender);
  void ThumbPositionSet(TObject* Sender);

 private:
  friend class TControlScrollBar;
  void LayoutBars();
  void ScrollChildren(int32_t DX, int32_t DY);
  void ConnectBar(TControlScrollBar* Bar);

  int32_t FAutoRangeCount = 0;
  bool FAutoScroll = false;
  QWidget* FClientArea;  // child
  std::unique_ptr<TControlScrollBar> FHorzScrollBar;
  QPointer<QLabel> FScrollToolTip;  // top-level tip window, owned
  bool FScrollToolTipShowing = false;
  bool FUpdatingScrollBars = false;
  std::unique_ptr<TControlScrollBar> FVertScrollBar;
  QTimer FToolTipTimer;
};

}  // namespace vn::viewer
