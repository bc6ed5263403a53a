#include "viewer/scrolling_panel.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPalette>
#include <QResizeEvent>
#include <QStyle>
#include <QThread>
#include <QToolTip>
#include <algorithm>

#include "runtime/strings.h"

namespace vn::viewer {

TSmoothSteps SmoothSteps(int32_t Increment, int32_t Divisions) {
  const int32_t steps = std::max(Divisions, 1);
  return {steps, Increment / steps, Increment % steps};
}

namespace {

QColor ButtonHighlightColor() { return QGuiApplication::palette().color(QPalette::Light); }

}  // namespace

// ---------------------------------------------------------------------------
// TControlScrollBar

TControlScrollBar::TControlScrollBar(TvnScrollingPanel* AControl, TScrollBarKind AKind)
    : FColor(ButtonHighlightColor()),
      FControl(AControl),
      FKind(AKind),
      FBar(new QScrollBar(AKind == TScrollBarKind::sbHorizontal ? Qt::Horizontal : Qt::Vertical, AControl)) {
  // The panel keeps the position: the bar's value follows it, never leads.
  FBar->setTracking(false);
  FBar->setRange(0, 0);
  FBar->hide();
}

// A setting the window system's bar must be given again at the next refresh.
template <typename T>
void TControlScrollBar::ChangeAppearance(T& Field, T Value) {
  if (Field == Value) return;
  Field = Value;
  FUpdateNeeded = true;
  FControl->UpdateScrollBars();
}

void TControlScrollBar::Assign(const TControlScrollBar& Source) {
  SetVisible(Source.FVisible);
  SetRange(Source.FRange);
  SetPosition(Source.FPosition);
  SetIncrement(Source.FIncrement);
}

void TControlScrollBar::SetButtonSize(int32_t Value) { ChangeAppearance(FButtonSize, Value); }

void TControlScrollBar::SetColor(QColor Value) {
  if (FColor == Value) return;
  FParentColor = false;
  ChangeAppearance(FColor, Value);
}

void TControlScrollBar::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  if (Value) SetColor(ButtonHighlightColor());
}

void TControlScrollBar::SetIncrement(int32_t Value) { FIncrement = std::clamp(Value, 1, 32767); }

void TControlScrollBar::SetSize(int32_t Value) { ChangeAppearance(FSize, Value); }

void TControlScrollBar::SetStyle(TScrollBarStyle Value) { ChangeAppearance(FStyle, Value); }

void TControlScrollBar::SetThumbSize(int32_t Value) { ChangeAppearance(FThumbSize, Value); }

void TControlScrollBar::SetVisible(bool Value) {
  FVisible = Value;
  FControl->UpdateScrollBars();
}

void TControlScrollBar::SetRange(int32_t Value) {
  FControl->FAutoScroll = false;
  FScaled = true;
  SetRangeInternal(Value);
}

void TControlScrollBar::SetRangeInternal(int32_t Value) {
  FRange = std::max(Value, 0);
  FControl->UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int32_t Value) {
  Value = std::clamp(Value, 0, FCalcRange);
  if (Value != FPosition) {
    const int32_t old = FPosition;
    FPosition = Value;
    if (FKind == TScrollBarKind::sbHorizontal)
      FControl->ScrollChildren(old - Value, 0);
    else
      FControl->ScrollChildren(0, old - Value);
  }
  if (FBar->value() != FPosition) {
    const QSignalBlocker block(FBar);
    FBar->setValue(FPosition);
  }
}

int32_t TControlScrollBar::GetClientExtent(bool ControlSB, bool AssumeSB) const {
  const TControlScrollBar* other = FKind == TScrollBarKind::sbVertical ? FControl->FHorzScrollBar.get()
                                                                       : FControl->FVertScrollBar.get();
  int32_t extent = FKind == TScrollBarKind::sbVertical ? FControl->ClientHeight() : FControl->ClientWidth();
  if (other == nullptr) return extent;
  const int32_t thickness = FControl->SystemScrollBarExtent();
  if (!ControlSB && AssumeSB && !other->FShown)
    extent -= thickness;
  else if (!ControlSB && !AssumeSB && other->FShown)
    extent += thickness;
  return extent;
}

bool TControlScrollBar::NeedsToBeVisible() const { return FRange > GetClientExtent(false, false); }

bool TControlScrollBar::IsScrollBarVisible() const { return FVisible && FShown; }

void TControlScrollBar::ChangeBiDiPosition() {
  if (FKind != TScrollBarKind::sbHorizontal || !IsScrollBarVisible()) return;
  SetPosition(FControl->layoutDirection() == Qt::RightToLeft ? FRange : 0);
}

void TControlScrollBar::ApplyScrollProperties() {
  const int32_t system = FControl->SystemScrollBarExtent();
  const int32_t size = FSize > 0 ? FSize : system;
  if (FKind == TScrollBarKind::sbVertical)
    FBar->setFixedWidth(size);
  else
    FBar->setFixedHeight(size);
  QPalette palette = FBar->palette();
  palette.setColor(QPalette::Window, FColor);
  FBar->setPalette(palette);
}

void TControlScrollBar::RefreshScrollInfo(bool ControlSB, bool AssumeSB) {
  FCalcRange = 0;
  const int32_t extent = GetClientExtent(ControlSB, AssumeSB);
  if (FVisible) FCalcRange = std::max(0, FRange - extent);
  if (FUpdateNeeded) {
    ApplyScrollProperties();
    FUpdateNeeded = false;
  }
  {
    const QSignalBlocker block(FBar);
    FBar->setRange(0, FCalcRange < 1 ? 0 : FCalcRange);
    FBar->setPageStep(std::max(extent + 1, 1));
  }
  const bool shown = FVisible && FCalcRange >= 1;
  if (shown != FShown) {
    FShown = shown;
    FControl->LayoutBars();
  }
  SetPosition(FPosition);
  FPageIncrement = GetClientExtent(true, false) * 9 / 10;
  if (FSmooth) SetIncrement(FPageIncrement / 10);
  const QSignalBlocker block(FBar);
  FBar->setSingleStep(FIncrement);
}

void TControlScrollBar::RecalcAutoRange() {
  if (!FControl->FAutoScroll || !FControl->AutoScrollEnabled()) return;
  int32_t range = 0;
  for (QObject* object : FControl->FClientArea->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (child == nullptr || child->isHidden() || child->isWindow()) continue;
    const QRect g = child->geometry();
    const int32_t edge = FKind == TScrollBarKind::sbHorizontal ? g.x() + g.width() : g.y() + g.height();
    range = std::max(range, edge + FPosition);
  }
  SetRangeInternal(range + FMargin);
}

int32_t TControlScrollBar::RealTrackPosition() const { return FBar->sliderPosition(); }

void TControlScrollBar::SmoothScroll(int32_t Code) {
  const bool line = Code == SB_LINEUP || Code == SB_LINEDOWN;
  const TSmoothSteps plan = line ? SmoothSteps(FIncrement, FLineDiv) : SmoothSteps(FPageIncrement, FPageDiv);
  const int32_t sign = (Code == SB_LINEUP || Code == SB_PAGEUP) ? -1 : 1;
  QElapsedTimer clock;
  clock.start();
  qint64 previous = -1;
  for (int32_t i = 0; i < plan.Steps; ++i) {
    const qint64 now = clock.elapsed();
    if (previous >= 0 && now - previous < FDelay) QThread::msleep(static_cast<unsigned long>(FDelay - (now - previous)));
    previous = clock.elapsed();
    SetPosition(FPosition + sign * plan.Step);
    FControl->FClientArea->repaint();
  }
  if (plan.Remainder >= 1) SetPosition(FPosition + sign * plan.Remainder);
}

void TControlScrollBar::HandleScrollMessage(const TMessage& Message) {
  const int32_t code = ScrollCodeOf(Message);
  if (FSmooth && code < SB_THUMBPOSITION) {
    SmoothScroll(code);
    return;
  }
  switch (code) {
    case SB_LINEUP:
      SetPosition(FPosition - FIncrement);
      break;
    case SB_LINEDOWN:
      SetPosition(FPosition + FIncrement);
      break;
    case SB_PAGEUP:
      SetPosition(FPosition - GetClientExtent(true, false));
      break;
    case SB_PAGEDOWN:
      SetPosition(FPosition + GetClientExtent(true, false));
      break;
    case SB_THUMBPOSITION:
      SetPosition(FCalcRange < 32768 ? ScrollPosOf(Message) : RealTrackPosition());
      if (OnThumbPositionSet) OnThumbPositionSet(this);
      break;
    case SB_THUMBTRACK:
      FTrackingPos = FCalcRange > 32767 ? RealTrackPosition() : ScrollPosOf(Message);
      if (FTracking) SetPosition(FTrackingPos);
      if (OnThumbTracking) OnThumbTracking(this);
      break;
    case SB_TOP:
      SetPosition(0);
      break;
    case SB_BOTTOM:
      SetPosition(FCalcRange);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// TvnScrollingPanel

TvnScrollingPanel::TvnScrollingPanel(QWidget* AOwner)
    : TvnBaseDocumentViewer(AOwner), FClientArea(new QWidget(this)) {
  FClientArea->installEventFilter(this);
  FHorzScrollBar = std::make_unique<TControlScrollBar>(this, TScrollBarKind::sbHorizontal);
  FVertScrollBar = std::make_unique<TControlScrollBar>(this, TScrollBarKind::sbVertical);
  FVertScrollBar->OnThumbPositionSet = [this](TObject* Sender) { ThumbPositionSet(Sender); };
  FVertScrollBar->OnThumbTracking = [this](TObject* Sender) { ThumbTracking(Sender); };
  ConnectBar(FHorzScrollBar.get());
  ConnectBar(FVertScrollBar.get());
  FAutoScroll = false;
  FScrollToolTip = new QLabel(this, Qt::ToolTip);
  FScrollToolTip->setWordWrap(true);
  FToolTipTimer.setSingleShot(true);
  connect(&FToolTipTimer, &QTimer::timeout, this, [this] {
    TMessage message{WM_TIMER, static_cast<uint64_t>(ScrollToolTipTimerId), 0, 0};
    Perform(message);
  });
  LayoutBars();
  UpdateScrollBars();
}

TvnScrollingPanel::~TvnScrollingPanel() {
  FClientArea->removeEventFilter(this);
  FToolTipTimer.stop();
  delete FScrollToolTip.data();
}

// The bar widget's user actions become scroll messages to the panel.
void TvnScrollingPanel::ConnectBar(TControlScrollBar* Bar) {
  const uint32_t msg = Bar->GetKind() == TScrollBarKind::sbHorizontal ? WM_HSCROLL : WM_VSCROLL;
  QScrollBar* widget = Bar->GetBar();
  connect(widget, &QAbstractSlider::actionTriggered, this, [this, Bar, widget, msg](int action) {
    int32_t code = -1;
    switch (action) {
      case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
      case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
      case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
      case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
      case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
      case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
      case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
      default: return;
    }
    TMessage message{msg, PackScrollWParam(code, widget->sliderPosition()), 0, 0};
    Perform(message);
    // The bar applies its own idea of the action after this; the panel's
    // position wins.
    if (code != SB_THUMBTRACK) widget->setSliderPosition(Bar->GetPosition());
  });
  connect(widget, &QAbstractSlider::sliderReleased, this, [this, widget, msg] {
    TMessage message{msg, PackScrollWParam(SB_THUMBPOSITION, widget->sliderPosition()), 0, 0};
    Perform(message);
  });
}

// Moves every child of the client area (shown or not) by (DX, DY).
void TvnScrollingPanel::ScrollChildren(int32_t DX, int32_t DY) {
  for (QObject* object : FClientArea->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (child != nullptr && !child->isWindow()) child->move(child->pos() + QPoint(DX, DY));
  }
  FClientArea->update();
}

int32_t TvnScrollingPanel::SystemScrollBarExtent() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

int32_t TvnScrollingPanel::ClientWidth() const {
  return width() - (FVertScrollBar && FVertScrollBar->FShown ? FVertScrollBar->GetBar()->width() : 0);
}

int32_t TvnScrollingPanel::ClientHeight() const {
  return height() - (FHorzScrollBar && FHorzScrollBar->FShown ? FHorzScrollBar->GetBar()->height() : 0);
}

void TvnScrollingPanel::LayoutBars() {
  if (!FHorzScrollBar || !FVertScrollBar) return;
  QScrollBar* h = FHorzScrollBar->GetBar();
  QScrollBar* v = FVertScrollBar->GetBar();
  const int32_t vw = FVertScrollBar->FShown ? (FVertScrollBar->FSize > 0 ? FVertScrollBar->FSize : SystemScrollBarExtent()) : 0;
  const int32_t hh = FHorzScrollBar->FShown ? (FHorzScrollBar->FSize > 0 ? FHorzScrollBar->FSize : SystemScrollBarExtent()) : 0;
  v->setGeometry(width() - vw, 0, vw, height() - hh);
  h->setGeometry(0, height() - hh, width() - vw, hh);
  v->setVisible(FVertScrollBar->FShown);
  h->setVisible(FHorzScrollBar->FShown);
  FClientArea->setGeometry(0, 0, std::max(width() - vw, 0), std::max(height() - hh, 0));
}

void TvnScrollingPanel::UpdateScrollBars() {
  if (FUpdatingScrollBars || !FHorzScrollBar || !FVertScrollBar) return;
  FUpdatingScrollBars = true;
  struct Guard {
    bool& Flag;
    ~Guard() { Flag = false; }
  } guard{FUpdatingScrollBars};
  if (FVertScrollBar->NeedsToBeVisible()) {
    FHorzScrollBar->RefreshScrollInfo(false, true);
    FVertScrollBar->RefreshScrollInfo(true, false);
  } else if (FHorzScrollBar->NeedsToBeVisible()) {
    FVertScrollBar->RefreshScrollInfo(false, true);
    FHorzScrollBar->RefreshScrollInfo(true, false);
  } else {
    FVertScrollBar->RefreshScrollInfo(false, false);
    FHorzScrollBar->RefreshScrollInfo(true, false);
  }
}

void TvnScrollingPanel::CalcAutoRange() {
  if (FAutoRangeCount > 0 || !FHorzScrollBar || !FVertScrollBar) return;
  FHorzScrollBar->RecalcAutoRange();
  FVertScrollBar->RecalcAutoRange();
}

void TvnScrollingPanel::EnableAutoRange() {
  if (FAutoRangeCount <= 0) return;
  --FAutoRangeCount;
  if (FAutoRangeCount == 0 && (FHorzScrollBar->GetVisible() || FVertScrollBar->GetVisible())) CalcAutoRange();
}

void TvnScrollingPanel::SetAutoScroll(bool Value) {
  if (FAutoScroll == Value) return;
  FAutoScroll = Value;
  if (Value) {
    CalcAutoRange();
  } else {
    FHorzScrollBar->SetRangeInternal(0);
    FVertScrollBar->SetRangeInternal(0);
  }
}

void TvnScrollingPanel::AutoScrollInView(QWidget* AControl) {
  if (AControl == nullptr || !FClientArea->isAncestorOf(AControl)) return;
  QRect rect = AControl->rect();
  rect.adjust(-FHorzScrollBar->GetMargin(), -FVertScrollBar->GetMargin(), FHorzScrollBar->GetMargin(),
              FVertScrollBar->GetMargin());
  rect.moveTopLeft(AControl->mapTo(FClientArea, rect.topLeft()));
  auto bring = [](TControlScrollBar* bar, int32_t low, int32_t high, int32_t extent) {
    if (low < 0)
      bar->SetPosition(bar->GetPosition() + low);
    else if (high > extent)
      bar->SetPosition(bar->GetPosition() + (high - low > extent ? low : high - extent));
  };
  bring(FHorzScrollBar.get(), rect.left(), rect.left() + rect.width(), ClientWidth());
  bring(FVertScrollBar.get(), rect.top(), rect.top() + rect.height(), ClientHeight());
}

void TvnScrollingPanel::ScaleScrollBars(int32_t M, int32_t D) {
  if (M != D && D != 0) {
    for (TControlScrollBar* bar : {FHorzScrollBar.get(), FVertScrollBar.get()}) {
      bar->SetScaled(true);
      bar->SetPosition(0);
      if (!FAutoScroll) bar->SetRangeInternal(static_cast<int32_t>(int64_t(bar->GetRange()) * M / D));
    }
  }
  FHorzScrollBar->SetScaled(false);
  FVertScrollBar->SetScaled(false);
}

void TvnScrollingPanel::DoOnHScroll(TMessage& Message) {
  FHorzScrollBar->HandleScrollMessage(Message);
  if (OnHScroll) {
    int32_t pos = FHorzScrollBar->GetPosition();
    OnHScroll(this, ScrollCodeOf(Message), pos);
    FHorzScrollBar->SetPosition(pos);
  }
}

void TvnScrollingPanel::DoOnVScroll(TMessage& Message) {
  FVertScrollBar->HandleScrollMessage(Message);
  if (OnVScroll) {
    int32_t pos = FVertScrollBar->GetPosition();
    OnVScroll(this, ScrollCodeOf(Message), pos);
    FVertScrollBar->SetPosition(pos);
  }
}

void TvnScrollingPanel::Perform(TMessage& Message) {
  switch (Message.Msg) {
    case WM_HSCROLL:
      if (FHorzScrollBar->GetVisible()) DoOnHScroll(Message);
      break;
    case WM_VSCROLL:
      if (FVertScrollBar->GetVisible()) DoOnVScroll(Message);
      break;
    case WM_TIMER:
      if (Message.WParam == static_cast<uint64_t>(ScrollToolTipTimerId)) HidePageToolTip();
      break;
    default:
      break;
  }
}

bool TvnScrollingPanel::event(QEvent* Event) {
  if (Event->type() == TvnWindowMessageEvent::EventType()) {
    Perform(static_cast<TvnWindowMessageEvent*>(Event)->Message);
    return true;
  }
  return TvnBaseDocumentViewer::event(Event);
}

void TvnScrollingPanel::resizeEvent(QResizeEvent* Event) {
  ++FAutoRangeCount;
  TvnBaseDocumentViewer::resizeEvent(Event);
  LayoutBars();
  const Qt::WindowStates state = window()->windowState();
  Resizing(state.testFlag(Qt::WindowMinimized)   ? SIZE_MINIMIZED
           : state.testFlag(Qt::WindowMaximized) ? SIZE_MAXIMIZED
                                                 : SIZE_RESTORED);
  --FAutoRangeCount;
  const bool wasUpdating = FUpdatingScrollBars;
  FUpdatingScrollBars = true;
  CalcAutoRange();
  FUpdatingScrollBars = wasUpdating;
  if (FHorzScrollBar->GetVisible() || FVertScrollBar->GetVisible()) UpdateScrollBars();
}

void TvnScrollingPanel::changeEvent(QEvent* Event) {
  TvnBaseDocumentViewer::changeEvent(Event);
  if (Event->type() == QEvent::LayoutDirectionChange) {
    FHorzScrollBar->ChangeBiDiPosition();
    UpdateScrollBars();
  }
}

bool TvnScrollingPanel::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FClientArea && (Event->type() == QEvent::ChildAdded || Event->type() == QEvent::ChildRemoved))
    CalcAutoRange();
  return TvnBaseDocumentViewer::eventFilter(Watched, Event);
}

String TvnScrollingPanel::GetScrollHintText() {
  return u"Page: " + vn::FromUtf8(std::to_string(FVertScrollBar->GetTrackingPos()));
}

void TvnScrollingPanel::ThumbTracking(TObject*) { ActivatePageToolTip(GetScrollHintText()); }

void TvnScrollingPanel::ThumbPositionSet(TObject*) {
  if (FScrollToolTipShowing) HidePageToolTip();
}

void TvnScrollingPanel::ActivatePageToolTip(const String& Text) {
  if (!FScrollToolTip) return;
  const QString text = QString::fromStdU16String(Text);
  FScrollToolTip->setFont(QToolTip::font());
  FScrollToolTip->setText(text);
  const QMargins margins = FScrollToolTip->contentsMargins();
  QRect bounds = FScrollToolTip->fontMetrics().boundingRect(QRect(0, 0, ScrollToolTipMaxWidth, 10000),
                                                            Qt::TextWordWrap, text);
  bounds.setWidth(bounds.width() + margins.left() + margins.right() + 4);
  bounds.setHeight(bounds.height() + margins.top() + margins.bottom() + 2);
  const QPoint rightEdge = mapToGlobal(QPoint(ClientWidth(), 0));
  FScrollToolTip->setGeometry(rightEdge.x() - bounds.width(), QCursor::pos().y(), bounds.width(), bounds.height());
  FScrollToolTip->show();
  FToolTipTimer.start(ScrollToolTipDisplayTime);
  FScrollToolTipShowing = true;
}

void TvnScrollingPanel::HidePageToolTip() {
  if (FScrollToolTip) FScrollToolTip->hide();
  FToolTipTimer.stop();
  FScrollToolTipShowing = false;
}

}  // namespace vn::viewer
