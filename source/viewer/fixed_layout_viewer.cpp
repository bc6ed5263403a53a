#include "viewer/fixed_layout_viewer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>
#include <string>

#include "framework/format_registry.h"
#include "runtime/numbers.h"
#include "viewer/mouse_wheel_rectifier.h"
#include "viewer/viewer_classes.h"
#include "viewer/viewer_messages.h"

namespace vn::viewer {

using vn::framework::TvnNeedPasswordEventArgs;

namespace {

// A magnifier with a plus (or minus) sign, the hot spot at the lens centre.
QCursor MagnifierCursor(bool Plus) {
  QPixmap Picture(32, 32);
  Picture.fill(Qt::transparent);
  QPainter Painter(&Picture);
  Painter.setRenderHint(QPainter::Antialiasing);
  Painter.setPen(QPen(Qt::white, 4));
  Painter.drawEllipse(QPoint(12, 12), 8, 8);
  Painter.drawLine(18, 18, 28, 28);
  Painter.setPen(QPen(Qt::black, 2));
  Painter.drawEllipse(QPoint(12, 12), 8, 8);
  Painter.drawLine(18, 18, 28, 28);
  Painter.drawLine(8, 12, 16, 12);
  if (Plus) Painter.drawLine(12, 8, 12, 16);
  Painter.end();
  return QCursor(Picture, 12, 12);
}

}  // namespace

QCursor TvnFixedLayoutDocumentViewer::ViewerCursor(int32_t Index) {
  switch (Index) {
    case 1: return QCursor(Qt::OpenHandCursor);
    case 2: return QCursor(Qt::ClosedHandCursor);
    case 3: return MagnifierCursor(true);
    case 4: return MagnifierCursor(false);
    default: return QCursor(Qt::ArrowCursor);
  }
}

TvnRotationAngle NextRotationClockwise(TvnRotationAngle Angle) {
  switch (Angle) {
    case TvnRotationAngle::ra0: return TvnRotationAngle::raCW90;
    case TvnRotationAngle::raCW90: return TvnRotationAngle::raCW180;
    case TvnRotationAngle::raCW180: return TvnRotationAngle::raCW270;
    case TvnRotationAngle::raCW270: return TvnRotationAngle::ra0;
    case TvnRotationAngle::raACW270: return TvnRotationAngle::raACW180;
    case TvnRotationAngle::raACW180: return TvnRotationAngle::raACW90;
    case TvnRotationAngle::raACW90: return TvnRotationAngle::ra0;
  }
  return TvnRotationAngle::ra0;
}

TvnRotationAngle NextRotationCounterClockwise(TvnRotationAngle Angle) {
  switch (Angle) {
    case TvnRotationAngle::ra0: return TvnRotationAngle::raACW90;
    case TvnRotationAngle::raACW90: return TvnRotationAngle::raACW180;
    case TvnRotationAngle::raACW180: return TvnRotationAngle::raACW270;
    case TvnRotationAngle::raACW270: return TvnRotationAngle::ra0;
    case TvnRotationAngle::raCW270: return TvnRotationAngle::raCW180;
    case TvnRotationAngle::raCW180: return TvnRotationAngle::raCW90;
    case TvnRotationAngle::raCW90: return TvnRotationAngle::ra0;
  }
  return TvnRotationAngle::ra0;
}

// ---------------------------------------------------------------------------
// Life

TvnFixedLayoutDocumentViewer::TvnFixedLayoutDocumentViewer(QWidget* AOwner)
    : TvnScrollingPanel(AOwner),
      FDocumentManager(std::make_unique<vn::framework::TvnDocumentManager>()),
      FHighLightRegionColor(QColor(0xFF, 0xFF, 0x00)),
      FSelectedRegionColor(QColor(0xA6, 0xCA, 0xF0)),
      FOwnPreferences(std::make_unique<vn::framework::TvnViewerPreferences>()),
      FOwnZoom(std::make_unique<vn::framework::TvnZoom>(this)) {
  FViewerPreferences = FOwnPreferences.get();
  FZoom = FOwnZoom.get();
  FPageManager = std::make_unique<TvnPageManager>(this);
  QPalette Palette = ClientArea()->palette();
  Palette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
  ClientArea()->setPalette(Palette);
  ClientArea()->setAutoFillBackground(true);
  SetAutoScroll(false);
  resize(450, 300);
  for (TControlScrollBar* Bar : {GetHorzScrollBar(), GetVertScrollBar()}) {
    Bar->SetSmooth(true);
    Bar->SetTracking(true);
    Bar->SetStyle(TScrollBarStyle::ssHotTrack);
    Bar->SetVisible(true);
  }
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::ArrowCursor);
  FPageManager->SetZoomType(TvnZoomMode::zmFitWidth);
  InstallMouseWheelHook();
}

TvnFixedLayoutDocumentViewer::~TvnFixedLayoutDocumentViewer() {
  FreePlugins();
  FPageManager.reset();
  FOwnedDocument.reset();
  FDocument = nullptr;
  FDocumentManager.reset();
}

void TvnFixedLayoutDocumentViewer::FreePlugins() { FPlugins.clear(); }

void TvnFixedLayoutDocumentViewer::TakeDocument(std::unique_ptr<TvnBaseDocument> ADocument) {
  // The plug-ins of the document replaced go with it.
  FreePlugins();
  FOwnedDocument = std::move(ADocument);
  FDocument = FOwnedDocument.get();
  if (FDocument == nullptr) return;
  vn::framework::TvnKELMFramework* Registry = vn::framework::DocumentFramework();
  if (Registry == nullptr) return;
  for (vn::framework::TvnViewerPluginClass Class : Registry->LookpViewerPlugins(FDocument)) {
    const auto* PluginClass = dynamic_cast<const TvnViewerPluginClassInfo*>(Class);
    if (PluginClass != nullptr && PluginClass->Factory) FPlugins.push_back(PluginClass->Create(FDocument, this));
  }
}

// ---------------------------------------------------------------------------
// Loading

void TvnFixedLayoutDocumentViewer::DocumentNeedPassword(TObject* Sender, TvnNeedPasswordEventArgs& Args) {
  // A load asks again while its request is not cancelled: without a
  // handler, or once the allowed attempts are used up, it is cancelled.
  const int32_t Allowed = FViewerPreferences != nullptr ? FViewerPreferences->GetPassword()->GetAllowedAttempts() : 3;
  if (!FOnNeedPassword || Args.GetAttemptCount() > Allowed) {
    Args.SetCancel(true);
    return;
  }
  FOnNeedPassword(Sender, Args);
}

void TvnFixedLayoutDocumentViewer::LoadFromFile(const String& FileName) {
  SetActive(false);
  CloseDocument();
  vn::framework::TvnKELMFramework* Registry = vn::framework::DocumentFramework();
  vn::framework::TvnDocumentClass Class = Registry != nullptr ? Registry->LookupDocument(FileName) : nullptr;
  if (Class != nullptr) {
    std::unique_ptr<TvnBaseDocument> Document = Class->Create();
    Document->OnNeedPassword = [this](TObject* Sender, TvnNeedPasswordEventArgs& Args) {
      DocumentNeedPassword(Sender, Args);
    };
    Document->LoadFromFile(FileName, u"");
    TakeDocument(std::move(Document));
  }
  if (FDocument != nullptr && FDocument->GetIsLoaded()) SetActive(true);
}

void TvnFixedLayoutDocumentViewer::LoadFromStream(vn::TStream* Stream) {
  SetActive(false);
  CloseDocument();
  // As the document manager loads a stream, with the password requests
  // hooked as for a file.
  std::unique_ptr<TvnBaseDocument> Document;
  vn::framework::TvnKELMFramework* Registry = vn::framework::DocumentFramework();
  if (Registry != nullptr && Stream != nullptr) {
    const int64_t Start = Stream->Position();
    vn::framework::TvnDocumentClass Class = Registry->LookupDocument(Stream);
    Stream->Seek(Start, vn::SeekOrigin::soBeginning);
    if (Class != nullptr) {
      Document = Class->Create();
      Document->OnNeedPassword = [this](TObject* Sender, TvnNeedPasswordEventArgs& Args) {
        DocumentNeedPassword(Sender, Args);
      };
      Document->LoadFromStream(Stream, u"", false);
    }
  }
  TakeDocument(std::move(Document));
  if (FDocument != nullptr) SetActive(true);
}

void TvnFixedLayoutDocumentViewer::CloseDocument() {
  PostToPlugins(VWM_DOCUMENTCLOSING, MessageObjectParam(this));
}

bool TvnFixedLayoutDocumentViewer::SaveToFile(const String& FileName) {
  return FDocument != nullptr && FDocument->SaveToFile(FileName);
}

bool TvnFixedLayoutDocumentViewer::SaveToStream(vn::TStream* Stream) {
  return FDocument != nullptr && FDocument->SaveToStream(Stream);
}

// ---------------------------------------------------------------------------
// Activity

bool TvnFixedLayoutDocumentViewer::IsDocumentActive() const {
  return FActive && FDocument != nullptr && FDocument->GetIsLoaded();
}

void TvnFixedLayoutDocumentViewer::SetActive(bool Value) {
  if (Value == FActive) return;
  if (Value && FDocument == nullptr) return;
  if (FDocument != nullptr && !FDocument->GetIsLoaded()) return;
  FActive = Value;
  if (Value)
    ActivatePages();
  else
    DeactivatePages();
  update();
}

void TvnFixedLayoutDocumentViewer::ActivatePages() {
  if (FDocument != nullptr) FPageManager->Activate();
}

void TvnFixedLayoutDocumentViewer::DeactivatePages() { FPageManager->Deactivate(); }

void TvnFixedLayoutDocumentViewer::PostToPlugins(uint32_t Msg, uint64_t WParam, int64_t LParam) {
  for (const auto& Plugin : FPlugins)
    if (Plugin) PostWindowMessage(Plugin->GetHandle(), Msg, WParam, LParam);
}

void TvnFixedLayoutDocumentViewer::DoPageChanged() {
  if (!FOnPageChanged) return;
  vn::framework::TvnPageChangedEventArgs Args(FDocument != nullptr ? FDocument->GetPageCount() : 0,
                                              FPageManager->GetCurrentPageIndex());
  FOnPageChanged(FPageManager.get(), Args);
}

void TvnFixedLayoutDocumentViewer::DoZoomChanged() {
  if (!FOnZoomChanged) return;
  vn::framework::TvnZoomChangedEventArgs Args;
  FOnZoomChanged(FPageManager.get(), Args);
}

// ---------------------------------------------------------------------------
// Pages

int32_t TvnFixedLayoutDocumentViewer::GetPageNumber() { return FPageManager->GetCurrentPageIndex(); }

int32_t TvnFixedLayoutDocumentViewer::GetPageCount() {
  return FDocument != nullptr && FDocument->GetIsLoaded() ? FDocument->GetPageCount() : 1;
}

void TvnFixedLayoutDocumentViewer::SetPageNumber(int32_t Value) {
  TvnBaseDocumentViewer::SetPageNumber(Value);
  GoToPage(Value, 0, 0);
}

bool TvnFixedLayoutDocumentViewer::IsFirst() { return GetPageNumber() == 1; }

bool TvnFixedLayoutDocumentViewer::IsLast() {
  return FDocument != nullptr && GetPageNumber() == FDocument->GetPageCount();
}

void TvnFixedLayoutDocumentViewer::FirstPage() { GoToPage(1, 0, 0); }
void TvnFixedLayoutDocumentViewer::LastPage() { GoToPage(GetPageCount(), 0, 0); }
void TvnFixedLayoutDocumentViewer::NextPage() { GoToPage(GetPageNumber() + 1, 0, 0); }
void TvnFixedLayoutDocumentViewer::PreviousPage() { GoToPage(GetPageNumber() - 1, 0, 0); }

void TvnFixedLayoutDocumentViewer::GoToPage(int32_t PageNumber, int32_t ATop, int32_t ALeft) {
  FPageManager->GoToPage(PageNumber, ATop, ALeft);
}

int32_t TvnFixedLayoutDocumentViewer::GetScrollPosFromPageIndex(int32_t APageIndex) {
  return FPageManager->GetPageScrollPos(APageIndex);
}

QPoint TvnFixedLayoutDocumentViewer::GetTransformedPoint(QPoint APoint, int32_t AConnectedPage) {
  return FPageManager->PageToWindowPoint(APoint, AConnectedPage);
}

QPoint TvnFixedLayoutDocumentViewer::WindowToPagePoint(QPoint APoint, int32_t APage) {
  return FPageManager->WindowToPagePoint(APoint, APage);
}

TRect TvnFixedLayoutDocumentViewer::GetOriginalRect(const TRect& TransformedRect, int32_t PageNum) {
  const QPoint A = WindowToPagePoint(QPoint(TransformedRect.Left, TransformedRect.Top), PageNum);
  const QPoint B = WindowToPagePoint(QPoint(TransformedRect.Right, TransformedRect.Bottom), PageNum);
  return {A.x(), A.y(), B.x(), B.y()};
}

// ---------------------------------------------------------------------------
// Zoom

double TvnFixedLayoutDocumentViewer::GetZoomValue() const { return FPageManager->GetZoom(); }
void TvnFixedLayoutDocumentViewer::SetZoomValue(double Value) { FPageManager->SetZoom(Value); }
TvnZoomMode TvnFixedLayoutDocumentViewer::GetZoomType() const { return FPageManager->GetZoomType(); }
void TvnFixedLayoutDocumentViewer::SetZoomType(TvnZoomMode Value) { FPageManager->SetZoomType(Value); }
int32_t TvnFixedLayoutDocumentViewer::GetZoomPercent() { return vn::RoundToInt(GetZoomValue()); }

double TvnFixedLayoutDocumentViewer::GetZoomPercentForZoomMode(TvnZoomMode ZoomMode) {
  return FPageManager ? FPageManager->GetZoomPercentForMode(ZoomMode) : 0;
}

void TvnFixedLayoutDocumentViewer::SetZoom(vn::framework::TvnZoom* Value) {
  FZoom = Value != nullptr ? Value : FOwnZoom.get();
}

double TvnFixedLayoutDocumentViewer::NextZoomStep() const {
  const double Zoom = GetZoomValue();
  for (float Q : ZoomTable)
    if (Q > Zoom) return Q;
  return MaxZoom;
}

double TvnFixedLayoutDocumentViewer::PreviousZoomStep() const {
  const double Zoom = GetZoomValue();
  double Result = MinZoom;
  for (float Q : ZoomTable)
    if (Q < Zoom) Result = Q;
  return Result;
}

bool TvnFixedLayoutDocumentViewer::ZoomInOneStep() {
  const double Zoom = GetZoomValue();
  if (Zoom >= MaxZoom) return false;
  const double Next = NextZoomStep();
  const double A = GetZoomPercentForZoomMode(TvnZoomMode::zmActualSize);
  const double W = GetZoomPercentForZoomMode(TvnZoomMode::zmFitWidth);
  const double P = GetZoomPercentForZoomMode(TvnZoomMode::zmFitPage);
  if (vn::RoundToInt(A) > vn::RoundToInt(Zoom) && A < Next)
    SetZoomType(TvnZoomMode::zmActualSize);
  else if (vn::RoundToInt(W) > vn::RoundToInt(Zoom) && vn::RoundToInt(W) < vn::RoundToInt(Next))
    SetZoomType(TvnZoomMode::zmFitWidth);
  else if (vn::RoundToInt(P) > vn::RoundToInt(Zoom) && P < Next)
    SetZoomType(TvnZoomMode::zmFitPage);
  else
    SetZoomValue(Next);
  return true;
}

bool TvnFixedLayoutDocumentViewer::ZoomOutOneStep() {
  const double Zoom = GetZoomValue();
  if (Zoom <= MinZoom) return false;
  const double Prev = PreviousZoomStep();
  const double A = GetZoomPercentForZoomMode(TvnZoomMode::zmActualSize);
  const double W = GetZoomPercentForZoomMode(TvnZoomMode::zmFitWidth);
  const double P = GetZoomPercentForZoomMode(TvnZoomMode::zmFitPage);
  if (vn::RoundToInt(A) < vn::RoundToInt(Zoom) && A > Prev)
    SetZoomType(TvnZoomMode::zmActualSize);
  else if (vn::RoundToInt(W) < vn::RoundToInt(Zoom) && W > Prev)
    SetZoomType(TvnZoomMode::zmFitWidth);
  else if (vn::RoundToInt(P) < vn::RoundToInt(Zoom) && vn::RoundToInt(P) > vn::RoundToInt(Prev))
    SetZoomType(TvnZoomMode::zmFitPage);
  else
    SetZoomValue(Prev);
  return true;
}

// Steps end early once a step leaves the zoom where it was (at a limit, or
// where the largest page reaches its greatest size): any count of steps
// takes at most as long as the table.
void TvnFixedLayoutDocumentViewer::ZoomIn(int32_t Step) {
  for (int32_t I = 0; I < Step; ++I) {
    const double Before = GetZoomValue();
    if (!ZoomInOneStep() || GetZoomValue() <= Before) break;
  }
}

void TvnFixedLayoutDocumentViewer::ZoomOut(int32_t Step) {
  for (int32_t I = 0; I < Step; ++I) {
    const double Before = GetZoomValue();
    if (!ZoomOutOneStep() || GetZoomValue() >= Before) break;
  }
}

void TvnFixedLayoutDocumentViewer::ZoomIn(const TRect& Rect) {
  int32_t W = Rect.Right - Rect.Left;
  if (W <= 0) W = 1;
  const double Z = std::clamp(double(vn::RoundToInt(double(width()) / W)) * 100.0, MinZoom, MaxZoom);
  SetZoomValue(Z);
  GoToPage(GetPageNumber(), Rect.Top, Rect.Left);
}

void TvnFixedLayoutDocumentViewer::ZoomOut(const TRect& Rect) {
  int32_t W = Rect.Right - Rect.Left;
  if (W <= 0) W = 1;
  const double Z = std::clamp(double(vn::RoundToInt(double(width()) / W)) * 10.0, MinZoom, MaxZoom);
  SetZoomValue(Z);
  GoToPage(GetPageNumber(), Rect.Top, Rect.Left);
}

std::vector<double> TvnFixedLayoutDocumentViewer::GetZoomSteps() {
  const double Modes[4] = {GetZoomPercentForZoomMode(TvnZoomMode::zmActualSize),
                           GetZoomPercentForZoomMode(TvnZoomMode::zmFitWidth),
                           GetZoomPercentForZoomMode(TvnZoomMode::zmFitHeight),
                           GetZoomPercentForZoomMode(TvnZoomMode::zmFitPage)};
  bool Matched[4] = {false, false, false, false};
  std::vector<double> Steps;
  for (float Q : ZoomTable) {
    for (int I = 0; I < 4; ++I)
      if (vn::RoundToInt(Modes[I]) == vn::RoundToInt(Q)) Matched[I] = true;
    const double S = FPageManager->LimitZoom(Q, GetZoomValue());
    Steps.push_back(S);
    if (S != double(Q)) break;
  }
  for (int I = 0; I < 4; ++I)
    if (!Matched[I]) Steps.push_back(vn::RoundToInt(Modes[I]));
  std::sort(Steps.begin(), Steps.end());
  return Steps;
}

// ---------------------------------------------------------------------------
// Rotation

TvnRotationAngle TvnFixedLayoutDocumentViewer::GetRotationAngle() const { return FPageManager->GetRotationAngle(); }

void TvnFixedLayoutDocumentViewer::SetRotationAngle(TvnRotationAngle Value) { FPageManager->SetRotationAngle(Value); }

void TvnFixedLayoutDocumentViewer::RotateClockwise() { SetRotationAngle(NextRotationClockwise(GetRotationAngle())); }

void TvnFixedLayoutDocumentViewer::RotateCounterClockwise() {
  SetRotationAngle(NextRotationCounterClockwise(GetRotationAngle()));
}

// ---------------------------------------------------------------------------
// Scrolling

void TvnFixedLayoutDocumentViewer::GotoHScrollPos(int32_t Position) { GetHorzScrollBar()->SetPosition(Position); }
void TvnFixedLayoutDocumentViewer::GotoVScrollPos(int32_t Position) { GetVertScrollBar()->SetPosition(Position); }

void TvnFixedLayoutDocumentViewer::ScrollHBy(int32_t Delta) {
  GetHorzScrollBar()->SetPosition(GetHorzScrollBar()->GetPosition() + Delta);
}

void TvnFixedLayoutDocumentViewer::ScrollVBy(int32_t Delta) {
  GetVertScrollBar()->SetPosition(GetVertScrollBar()->GetPosition() + Delta);
}

void TvnFixedLayoutDocumentViewer::ScrollUp(int32_t ScrollValue) {
  FPageManager->ScrollViewer(GetVScrollPos() - ScrollValue, 2);
}

void TvnFixedLayoutDocumentViewer::ScrollDown(int32_t ScrollValue) {
  FPageManager->ScrollViewer(GetVScrollPos() + ScrollValue, 2);
}

void TvnFixedLayoutDocumentViewer::ScrollLeft(int32_t ScrollValue) {
  ScrollHBy(-ScrollValue);
  FPageManager->ScrollViewer(GetVScrollPos(), 2);
}

void TvnFixedLayoutDocumentViewer::ScrollRight(int32_t ScrollValue) {
  ScrollHBy(ScrollValue);
  FPageManager->ScrollViewer(GetVScrollPos(), 2);
}

int32_t TvnFixedLayoutDocumentViewer::GetHScrollPos() const { return GetHorzScrollBar()->GetPosition(); }
void TvnFixedLayoutDocumentViewer::SetHScrollPos(int32_t Value) { GetHorzScrollBar()->SetPosition(Value); }
int32_t TvnFixedLayoutDocumentViewer::GetVScrollPos() const { return GetVertScrollBar()->GetPosition(); }
void TvnFixedLayoutDocumentViewer::SetVScrollPos(int32_t Value) { FPageManager->ScrollViewer(Value, 2); }

String TvnFixedLayoutDocumentViewer::GetScrollHintText() {
  const int32_t Page = FPageManager->PageIndexAtScrollPos(GetVertScrollBar()->GetTrackingPos());
  return u"Page: " + vn::FromUtf8(std::to_string(Page));
}

// ---------------------------------------------------------------------------
// Layout

void TvnFixedLayoutDocumentViewer::SetBorderWidth(int32_t Value) {
  if (Value == FBorderWidth) return;
  FBorderWidth = Value;
  FPageManager->RefreshLayout();
}

void TvnFixedLayoutDocumentViewer::SetBorderStyle(TvnBorderStyle Value) {
  FBorderStyle = Value;
  update();
}

// ---------------------------------------------------------------------------
// Input

void TvnFixedLayoutDocumentViewer::SetCursors(TvnViewerPage* Window, int32_t ViewerCursorIndex,
                                              int32_t WindowCursorIndex) {
  setCursor(ViewerCursor(ViewerCursorIndex));
  if (Window != nullptr) Window->setCursor(ViewerCursor(WindowCursorIndex));
}

void TvnFixedLayoutDocumentViewer::PageMouseDown(TvnViewerPage* Sender, Qt::MouseButton Button,
                                                 Qt::KeyboardModifiers Shift, int32_t X, int32_t Y) {
  FMouseActivity = TvnViewerMouseActivity::vmaButtonDown;
  FMouseOrigin = FMouseDest = QPoint(X, Y);
  FPrevShift = Shift;
  FPressedButtons = Button;
  if (FViewerMode == TvnViewerMode::vmHand) SetCursors(Sender, 2, 2);
}

void TvnFixedLayoutDocumentViewer::PageMouseMove(TvnViewerPage*, Qt::MouseButtons Buttons, Qt::KeyboardModifiers,
                                                 int32_t X, int32_t Y) {
  if (Buttons & (Qt::LeftButton | Qt::MiddleButton)) {
    if (FViewerMode == TvnViewerMode::vmHand) {
      if ((FMouseDest.y() < FMouseOrigin.y() && FMouseDest.y() - Y > 2) || Y - FMouseDest.y() > 2) {
        GetVertScrollBar()->SetPosition(GetVScrollPos() + FMouseOrigin.y() - FMouseDest.y());
        FPageManager->ScrollViewer(GetVScrollPos(), 2);
      }
      if ((FMouseDest.x() < FMouseOrigin.x() && FMouseDest.x() - X > 2) || X - FMouseDest.x() > 2) {
        ScrollHBy(FMouseOrigin.x() - FMouseDest.x());
        FPageManager->ScrollViewer(GetVScrollPos(), 2);
      }
    }
    FMouseActivity = TvnViewerMouseActivity::vmaSelecting;
    FMouseDest = QPoint(X, Y);
  } else {
    FMouseOrigin = QPoint(X, Y);
  }
}

void TvnFixedLayoutDocumentViewer::PageMouseUp(TvnViewerPage* Sender, Qt::MouseButton, Qt::KeyboardModifiers, int32_t,
                                               int32_t) {
  FMouseActivity = TvnViewerMouseActivity::vmaButtonUp;
  if (FViewerMode == TvnViewerMode::vmHand) SetCursors(Sender, 2, 1);
}

bool TvnFixedLayoutDocumentViewer::DoMouseWheel(Qt::KeyboardModifiers Shift, int32_t WheelDelta, QPoint MousePos) {
  if (!IsDocumentActive()) return true;
  const int32_t Page = FPageManager->GetCurrentPageIndex();
  const QPoint Pointed = MousePos - FPageManager->PageWindowRect(Page).topLeft();
  const QPoint OnPage = WindowToPagePoint(Pointed, Page);
  if ((Shift & Qt::ControlModifier) && !FPageManager->GetSizingLocked()) {
    if (WheelDelta > 0)
      ZoomIn(1);
    else
      ZoomOut(1);
    // The page point that was under the pointer goes back under it: where
    // it is now in the page's window, plus where that window now sits.
    const QPoint Now = GetTransformedPoint(OnPage, Page) + FPageManager->PageWindowRect(Page).topLeft();
    ScrollVBy(Now.y() - MousePos.y());
    ScrollHBy(Now.x() - MousePos.x());
    FPageManager->ScrollViewer(GetVScrollPos(), 2);
  } else {
    GetVertScrollBar()->SetPosition(GetVScrollPos() - WheelDelta);
    FPageManager->ScrollViewer(GetVScrollPos(), 2);
  }
  return true;
}

void TvnFixedLayoutDocumentViewer::PageKeyPress(TvnViewerPage*, QKeyEvent* Event) {
  // The viewer's own key handling (and any filter a host put on it) sees
  // the key.
  QKeyEvent Copy(Event->type(), Event->key(), Event->modifiers(), Event->text(), Event->isAutoRepeat(),
                 static_cast<quint16>(Event->count()));
  QCoreApplication::sendEvent(this, &Copy);
}

void TvnFixedLayoutDocumentViewer::PageKeyUp(TvnViewerPage* Sender, QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Tab) PostToPlugins(VWM_TABKEY, MessageObjectParam(Sender));
}

void TvnFixedLayoutDocumentViewer::wheelEvent(QWheelEvent* Event) {
  DoMouseWheel(Event->modifiers(), Event->angleDelta().y(), ClientArea()->mapFrom(this, Event->position().toPoint()));
  Event->accept();
}

void TvnFixedLayoutDocumentViewer::mousePressEvent(QMouseEvent* Event) {
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  TvnScrollingPanel::mousePressEvent(Event);
}

// ---------------------------------------------------------------------------
// Window messages

void TvnFixedLayoutDocumentViewer::Perform(TMessage& Message) {
  switch (Message.Msg) {
    case WM_VSCROLL: {
      const int32_t Before = GetVScrollPos();
      TvnScrollingPanel::Perform(Message);
      if (GetVScrollPos() != Before) {
        PostToPlugins(VWM_VSCROLLED, MessageObjectParam(this));
        FPageManager->ScrollViewer(GetVScrollPos(), 2);
        update();
      }
      break;
    }
    case WM_HSCROLL: {
      const int32_t Before = GetHScrollPos();
      TvnScrollingPanel::Perform(Message);
      if (GetHScrollPos() != Before) {
        FPageManager->ScrollViewer(GetVScrollPos(), 2);
        update();
      }
      break;
    }
    case VWM_ANNOTSCHANGED:
      // The pages draw their annotations: they render again.
      FPageManager->InvalidatePages();
      PostToPlugins(VWM_ANNOTSCHANGED, MessageObjectParam(this));
      break;
    default:
      TvnScrollingPanel::Perform(Message);
      break;
  }
}

bool TvnFixedLayoutDocumentViewer::event(QEvent* Event) {
  // Another screen (or another resolution of it): lay the pages out again.
  if (Event->type() == QEvent::ScreenChangeInternal) FPageManager->RefreshLayout();
  return TvnScrollingPanel::event(Event);
}

void TvnFixedLayoutDocumentViewer::resizeEvent(QResizeEvent* Event) {
  if (!FPageManager || FPageManager->GetPageProps().empty()) {
    TvnScrollingPanel::resizeEvent(Event);
    return;
  }
  const int32_t Page = FPageManager->GetCurrentPageIndex();
  const int32_t OldPageTop = FPageManager->GetPageScrollPos(Page);
  const int32_t OldPosition = GetVScrollPos();
  TvnScrollingPanel::resizeEvent(Event);
  if (FPageManager->GetSizingLocked() || !IsDocumentActive()) return;
  if (IsFitZoomMode(GetZoomType())) SetZoomType(GetZoomType());
  FPageManager->ScrollViewer(OldPosition + FPageManager->GetPageScrollPos(Page) - OldPageTop, 2);
  update();
  PostToPlugins(VWM_LAYOUTCHANGED, MessageObjectParam(this));
}

}  // namespace vn::viewer
