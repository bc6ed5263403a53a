#include "viewer/page_manager.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <exception>

#include "framework/base_document.h"
#include "framework/writer_routines.h"
#include "platform/canvas/cairo_canvas.h"
#include "runtime/numbers.h"
#include "viewer/fixed_layout_viewer.h"
#include "viewer/viewer_messages.h"

namespace vn::viewer {

using vn::framework::TvnMeasurementUnit;

namespace {

int32_t Rnd(double Value) { return vn::RoundToInt(Value); }

// Two decimals, halves away from zero.
double RoundTwoDecimals(double Value) { return std::round(Value * 100.0) / 100.0; }

// A page window larger than this renders only the part the viewer shows,
// so that a deep zoom never asks for a picture of gigabytes.
constexpr int64_t MaxWholePagePixels = 4096LL * 4096LL;

}  // namespace

bool IsFitZoomMode(TvnZoomMode Mode) {
  return Mode == TvnZoomMode::zmFitPage || Mode == TvnZoomMode::zmFitWidth || Mode == TvnZoomMode::zmFitHeight;
}

bool IsQuarterTurn(TvnRotationAngle Angle) {
  return Angle == TvnRotationAngle::raCW90 || Angle == TvnRotationAngle::raCW270 ||
         Angle == TvnRotationAngle::raACW90 || Angle == TvnRotationAngle::raACW270;
}

int32_t RotationDegrees(TvnRotationAngle Angle) {
  switch (Angle) {
    case TvnRotationAngle::ra0: return 0;
    case TvnRotationAngle::raCW90: return 90;
    case TvnRotationAngle::raCW180: return 180;
    case TvnRotationAngle::raCW270: return 270;
    case TvnRotationAngle::raACW90: return -90;
    case TvnRotationAngle::raACW180: return -180;
    case TvnRotationAngle::raACW270: return -270;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// TvnViewerPage

TvnViewerPage::TvnViewerPage(QWidget* AOwner) : TvnBaseViewerPage(AOwner) {
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
}

TvnViewerPage* TvnViewerPage::CreatePage(TvnFixedLayoutDocumentViewer* AViewer, int32_t AConnectedPage) {
  auto* Page = new TvnViewerPage(AViewer != nullptr ? AViewer->ClientArea() : nullptr);
  Page->FViewer = AViewer;
  Page->FRedraw = true;
  Page->SetConnectedPage(AConnectedPage);
  Page->setMouseTracking(true);
  if (AViewer != nullptr) AViewer->PostToPlugins(VWM_PAGECREATED, MessageObjectParam(Page));
  return Page;
}

TvnViewerPage::~TvnViewerPage() = default;

vn::framework::TvnBasePage* TvnViewerPage::GetPage() const {
  if (FViewer == nullptr || FViewer->GetDocument() == nullptr) return nullptr;
  return dynamic_cast<vn::framework::TvnBasePage*>(FViewer->GetDocument()->GetPage(GetConnectedPage()));
}

void TvnViewerPage::SetRotationAngle(TvnRotationAngle Value) {
  if (Value == FRotationAngle) return;
  FRotationAngle = Value;
  FRedraw = true;
  update();
}

void TvnViewerPage::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  const QRect Bounds(ALeft, ATop, AWidth, AHeight);
  if (geometry() != Bounds) {
    FRedraw = true;
    if (FViewer != nullptr) FViewer->PostToPlugins(VWM_PAGEBOUNDSCHANGED, MessageObjectParam(this));
  }
  setGeometry(Bounds);
}

void TvnViewerPage::InvalidatePage() {
  FRedraw = true;
  update();
}

void TvnViewerPage::Draw() {
  RenderPage();
  repaint();
}

void TvnViewerPage::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  PaintPage(Painter, rect());
}

void TvnViewerPage::PaintPage(QPainter& Painter, const QRect& Rect) {
  if (FViewer != nullptr) FViewer->PostToPlugins(VWM_PAGEPAINTSTART, MessageObjectParam(this));
  Painter.fillRect(Rect, Qt::white);
  RenderPage();
  if (!FBitmap.isNull()) Painter.drawImage(FBitmapOrigin, FBitmap);
  if (FViewer != nullptr) FViewer->PostToPlugins(VWM_PAGEPAINTEND, MessageObjectParam(this));
}

void TvnViewerPage::RenderPage() {
  // A large window keeps only the part in view rendered, with a margin of
  // one view on every side, and renders again when the view leaves it.
  const QRect Whole = rect();
  QRect Shown = Whole;
  if (int64_t(Whole.width()) * Whole.height() > MaxWholePagePixels && parentWidget() != nullptr) {
    const QRect View = Whole.intersected(QRect(mapFrom(parentWidget(), QPoint(0, 0)), parentWidget()->size()));
    Shown = View.adjusted(-View.width(), -View.height(), View.width(), View.height()).intersected(Whole);
    if (!FRedraw && !QRect(FBitmapOrigin, FBitmap.size()).contains(View)) FRedraw = true;
  }
  if (!FRedraw || Shown.isEmpty()) return;
  FRedraw = false;
  FBitmap = QImage();
  FBitmapOrigin = Shown.topLeft();
  try {
    if (FViewer != nullptr && FViewer->GetDocument() != nullptr)
      FViewer->GetDocument()->SetMeasurementUnit(TvnMeasurementUnit::muPixels);
    vn::framework::TvnBasePage* Page = GetPage();
    if (Page == nullptr) return;
    vn::platform::CairoCanvas Canvas(Shown.width(), Shown.height());
    if (Shown.topLeft() != QPoint(0, 0))
      Canvas.SetWorldTransform(vn::platform::Transform::Translation(-Shown.left(), -Shown.top()));
    Page->Draw(&Canvas, width(), height(), 72, 72, RotationDegrees(FRotationAngle));
    const vn::platform::Bitmap Pixels = Canvas.Pixels();
    const std::vector<uint8_t> Bytes = Pixels.ToBGRA();
    FBitmap =
        QImage(Bytes.data(), Pixels.Width(), Pixels.Height(), Pixels.Width() * 4, QImage::Format_ARGB32).copy();
  } catch (const std::exception&) {
    // A page that cannot be drawn stays white; the viewer goes on.
    FBitmap = QImage();
  }
}

void TvnViewerPage::PageClick() {
  if (focusPolicy() != Qt::NoFocus && isEnabled() && isVisible()) setFocus(Qt::MouseFocusReason);
}

void TvnViewerPage::Forward(uint32_t Msg, int64_t LParam) {
  if (FViewer != nullptr) FViewer->PostToPlugins(Msg, MessageObjectParam(this), LParam);
}

void TvnViewerPage::mousePressEvent(QMouseEvent* Event) {
  const QPoint P = Event->position().toPoint();
  if (Event->button() == Qt::LeftButton) Forward(WM_LBUTTONDOWN, PackPointLParam(P.x(), P.y()));
  if (Event->button() == Qt::RightButton) Forward(WM_RBUTTONDOWN, PackPointLParam(P.x(), P.y()));
  FPressed = true;
  if (FViewer != nullptr) FViewer->PageMouseDown(this, Event->button(), Event->modifiers(), P.x(), P.y());
  Event->accept();
}

void TvnViewerPage::mouseReleaseEvent(QMouseEvent* Event) {
  const QPoint P = Event->position().toPoint();
  const bool Click = FPressed && rect().contains(P);
  FPressed = false;
  if (FViewer != nullptr) FViewer->PageMouseUp(this, Event->button(), Event->modifiers(), P.x(), P.y());
  if (Click) PageClick();
  Event->accept();
}

void TvnViewerPage::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint P = Event->position().toPoint();
  Forward(WM_MOUSEMOVE, PackPointLParam(P.x(), P.y()));
  if (FViewer != nullptr) FViewer->PageMouseMove(this, Event->buttons(), Event->modifiers(), P.x(), P.y());
  Event->accept();
}

void TvnViewerPage::wheelEvent(QWheelEvent* Event) {
  if (FViewer == nullptr) {
    Event->ignore();
    return;
  }
  const QPoint InViewer = mapTo(FViewer->ClientArea(), Event->position().toPoint());
  FViewer->DoMouseWheel(Event->modifiers(), Event->angleDelta().y(), InViewer);
  Event->accept();
}

void TvnViewerPage::keyPressEvent(QKeyEvent* Event) {
  if (FViewer != nullptr) FViewer->PageKeyPress(this, Event);
  Forward(WM_KEYDOWN, Event->key());
}

void TvnViewerPage::keyReleaseEvent(QKeyEvent* Event) {
  if (FViewer != nullptr) FViewer->PageKeyUp(this, Event);
  Forward(WM_KEYUP, Event->key());
}

bool TvnViewerPage::event(QEvent* Event) {
  // Tab stays with the page window (its plug-ins' widgets take it) instead
  // of moving the focus on.
  if (Event->type() == QEvent::KeyPress) {
    auto* Key = static_cast<QKeyEvent*>(Event);
    if (Key->key() == Qt::Key_Tab || Key->key() == Qt::Key_Backtab) {
      keyPressEvent(Key);
      return true;
    }
  }
  if (Event->type() == QEvent::ShortcutOverride) Forward(CM_DIALOGKEY, static_cast<QKeyEvent*>(Event)->key());
  return TvnBaseViewerPage::event(Event);
}

// ---------------------------------------------------------------------------
// TvnPageManager

TvnPageManager::TvnPageManager(TvnFixedLayoutDocumentViewer* AOwner) : FViewer(AOwner) {}

TvnPageManager::~TvnPageManager() {
  for (TvnViewerPage* Window : FCachedPages.FItems) delete Window;
  FCachedPages.FItems.clear();
}

bool TvnPageManager::DocumentActive() const { return FViewer != nullptr && FViewer->IsDocumentActive(); }

double TvnPageManager::Scale() const {
  const double Dpix = FViewer->GetPreferences()->GetRendering()->GetDPIX();
  return Dpix / 96.0 * FZoom / 100.0;
}

const TvnPageProperties& TvnPageManager::Props(int32_t Page) const {
  return FPageProps[static_cast<size_t>(std::clamp(Page, 1, PageCount()) - 1)];
}

void TvnPageManager::ClearPageProps() { FPageProps.clear(); }

void TvnPageManager::BuildPageProps() {
  ClearPageProps();
  FActualMaxPageHeight = FActualMaxPageWidth = FMaxPageHeight = FMaxPageWidth = 0;
  TvnBaseDocument* Document = FViewer->GetDocument();
  if (Document == nullptr) return;
  Document->SetMeasurementUnit(TvnMeasurementUnit::muInches);
  const int32_t Count = Document->GetPageCount();
  for (int32_t I = 1; I <= Count; ++I) {
    vn::framework::TvnPageSize Size;
    try {
      if (vn::framework::TvnPage* Page = Document->GetPage(I); Page != nullptr) Size = Page->GetPageSize();
    } catch (const std::exception&) {
      // A page whose size cannot be read takes no room.
      Size = {};
    }
    TvnPageProperties P;
    P.FActualWidth = std::max(Size.Width, 0.0) * 96.0;
    P.FActualHeight = std::max(Size.Height, 0.0) * 96.0;
    if (P.FActualWidth > FActualMaxPageWidth) FActualMaxPageWidth = P.FActualWidth;
    if (P.FActualHeight > FActualMaxPageHeight) FActualMaxPageHeight = P.FActualHeight;
    FPageProps.push_back(P);
  }
  PlaceFromActualSizes();
}

void TvnPageManager::RecalcPageSizes() { PlaceFromActualSizes(); }

void TvnPageManager::PlaceFromActualSizes() {
  const double S = Scale();
  const bool Across = IsQuarterTurn(FRotationAngle);
  const int32_t Border = FViewer->GetBorderWidth();
  FMaxPageHeight = FMaxPageWidth = 0;
  double T = Border;
  for (TvnPageProperties& P : FPageProps) {
    P.FWidth = (Across ? P.FActualHeight : P.FActualWidth) * S;
    P.FHeight = (Across ? P.FActualWidth : P.FActualHeight) * S;
    P.FTop = T;
    if (P.FHeight > FMaxPageHeight) FMaxPageHeight = P.FHeight;
    if (P.FWidth > FMaxPageWidth) FMaxPageWidth = P.FWidth;
    T += Rnd(P.FHeight) + Border;
  }
}

int32_t TvnPageManager::PageIndexAtScrollPos(int32_t Pos) const {
  const int32_t Count = PageCount();
  if (Count == 0) return 1;
  int32_t I = Count + 1;
  for (int32_t K = 1; K <= Count; ++K) {
    const TvnPageProperties& P = Props(K);
    if (P.FTop + P.FHeight > Pos) {
      I = K;
      break;
    }
  }
  I = std::clamp(I, 1, Count);
  const TvnPageProperties& P = Props(I);
  if (Pos > P.FTop && I != Count) {
    const int32_t R = Rnd(P.FTop + P.FHeight - Pos);
    if (R < FViewer->ClientHeight() - R - FViewer->GetBorderWidth()) return I + 1;
  }
  return I;
}

int32_t TvnPageManager::GetPageScrollPos(int32_t Page) const {
  if (FPageProps.empty()) return 0;
  return Rnd(Props(Page).FTop - FViewer->GetBorderWidth());
}

int32_t TvnPageManager::GetVertRange() const {
  if (FPageProps.empty()) return 0;
  const TvnPageProperties& Last = FPageProps.back();
  return Rnd(Last.FTop + Last.FHeight) + FViewer->GetBorderWidth();
}

int32_t TvnPageManager::GetHorzRange() const { return Rnd(FMaxPageWidth) + 2 * FViewer->GetBorderWidth(); }

void TvnPageManager::SetVertRange(int32_t Value) { FViewer->GetVertScrollBar()->SetRange(Value); }

void TvnPageManager::SetHorzRange(int32_t Value) { FViewer->GetHorzScrollBar()->SetRange(Value); }

int32_t TvnPageManager::ClampPageIndex(int32_t n) const { return std::max(std::min(n, PageCount()), 1); }

double TvnPageManager::GetZoomPercentForMode(TvnZoomMode Mode) const {
  if (!DocumentActive()) return FZoom;
  if (Mode == TvnZoomMode::zmActualSize) return 100;
  if (Mode == TvnZoomMode::zmCustom) return FZoom;
  const double B = 2.0 * FViewer->GetBorderWidth();
  const double C = FViewer->GetPreferences()->GetRendering()->GetDPIX() / 96.0;
  const bool Across = IsQuarterTurn(FRotationAngle);
  const double PageW = C * (Across ? FActualMaxPageHeight : FActualMaxPageWidth);
  const double PageH = C * (Across ? FActualMaxPageWidth : FActualMaxPageHeight);
  // A document whose pages take no room keeps the zoom it has.
  if (PageW <= 0 || PageH <= 0) return FZoom;
  // The modes fit the pages into the room the scroll bars leave: a page at
  // fit width needs no horizontal bar beside the vertical one its column
  // of pages brings, and a page at fit height needs no vertical bar.
  double ColumnHeight = 0;  // at 100 %, without the borders
  for (const TvnPageProperties& P : FPageProps) ColumnHeight += C * (Across ? P.FActualWidth : P.FActualHeight);
  const double Borders = (static_cast<double>(FPageProps.size()) + 1) * FViewer->GetBorderWidth();
  const double Bar = FViewer->SystemScrollBarExtent();
  const double Width = FViewer->width();
  const double Height = FViewer->height();
  auto ColumnTaller = [&](double Zoom, double Room) { return ColumnHeight * Zoom / 100.0 + Borders > Room; };
  double FitWidth = (Width - B) / PageW * 100.0;
  if (ColumnTaller(FitWidth, Height)) FitWidth = (Width - B - Bar) / PageW * 100.0;
  double FitHeight = (Height - B) / PageH * 100.0;
  const double WidthBeside = ColumnTaller(FitHeight, Height) ? Width - Bar : Width;
  if (PageW * FitHeight / 100.0 + B > WidthBeside) FitHeight = (Height - B - Bar) / PageH * 100.0;
  switch (Mode) {
    case TvnZoomMode::zmFitWidth: return FitWidth;
    case TvnZoomMode::zmFitHeight: return FitHeight;
    default: return std::min(FitWidth, FitHeight);
  }
}

double TvnPageManager::LimitZoom(double Target, double Reference) const {
  const double M = std::max(FMaxPageHeight, FMaxPageWidth);
  if (M <= 0 || Reference <= 0) return Target;
  const double F = Target * M / Reference;
  if (F > 32767) return 32767.0 * Reference / M;
  return Target;
}

QPoint TvnPageManager::PageToWindowPoint(QPoint Point, int32_t Page) const {
  double X = Point.x();
  double Y = Point.y();
  if (!FPageProps.empty()) {
    const double Wa = Rnd(Props(Page).FActualWidth);
    const double Ha = Rnd(Props(Page).FActualHeight);
    const double X0 = X;
    switch (FRotationAngle) {
      case TvnRotationAngle::raCW90:
      case TvnRotationAngle::raACW270:
        X = Ha - Y;
        Y = X0;
        break;
      case TvnRotationAngle::raCW180:
      case TvnRotationAngle::raACW180:
        X = Wa - X;
        Y = Ha - Y;
        break;
      case TvnRotationAngle::raCW270:
      case TvnRotationAngle::raACW90:
        X = Y;
        Y = Wa - X0;
        break;
      default: break;
    }
  }
  const double Ppi = vn::framework::ScreenPixelsPerInch;
  const auto* Rendering = FViewer->GetPreferences()->GetRendering();
  return {Rnd(X / 100.0 * FZoom / Ppi * Rendering->GetDPIX()), Rnd(Y / 100.0 * FZoom / Ppi * Rendering->GetDPIY())};
}

QPoint TvnPageManager::WindowToPagePoint(QPoint Point, int32_t Page) const {
  double X = Point.x();
  double Y = Point.y();
  if (!FPageProps.empty()) {
    const double W = Rnd(Props(Page).FWidth);
    const double H = Rnd(Props(Page).FHeight);
    const double X0 = X;
    switch (FRotationAngle) {
      case TvnRotationAngle::raCW90:
      case TvnRotationAngle::raACW270:
        X = Y;
        Y = W - X0;
        break;
      case TvnRotationAngle::raCW180:
      case TvnRotationAngle::raACW180:
        X = W - X;
        Y = H - Y;
        break;
      case TvnRotationAngle::raCW270:
      case TvnRotationAngle::raACW90:
        X = H - Y;
        Y = X0;
        break;
      default: break;
    }
  }
  const double Ppi = vn::framework::ScreenPixelsPerInch;
  const double Dpix = FViewer->GetPreferences()->GetRendering()->GetDPIX();
  if (FZoom <= 0 || Dpix <= 0) return {};
  auto Back = [&](double V) { return Rnd(V / FZoom * 100.0 / Dpix * Ppi); };
  return {Back(X), Back(Y)};
}

QRect TvnPageManager::PageWindowRect(int32_t Page) const {
  if (FPageProps.empty()) return {};
  const TvnPageProperties& P = Props(Page);
  const int32_t Area = std::max(FViewer->ClientWidth(), GetHorzRange());
  const int32_t W = Rnd(P.FWidth);
  const int32_t Left = (Area - W) / 2;
  const int32_t X = Left - FViewer->GetHorzScrollBar()->GetPosition();
  const int32_t Y = Rnd(P.FTop) - FViewer->GetVertScrollBar()->GetPosition();
  return {X, Y, W, Rnd(P.FHeight)};
}

void TvnPageManager::SetZoom(double Value) {
  if (!FZoomTypeLocked) FZoomType = TvnZoomMode::zmCustom;
  if (Value == FZoom) return;
  FSizingLocked = true;
  const double Old = FZoom;
  FZoom = RoundTwoDecimals(std::clamp(Value, 0.25, 3200.0));
  if (!DocumentActive()) {
    FSizingLocked = false;
    FViewer->PostToPlugins(VWM_LAYOUTCHANGED, MessageObjectParam(this));
    return;
  }
  TControlScrollBar* Vert = FViewer->GetVertScrollBar();
  TControlScrollBar* Horz = FViewer->GetHorzScrollBar();
  const int32_t A = GetPageScrollPos(FCurrentPageIndex) - Vert->GetPosition();
  const int32_t HorzRange = Horz->GetRange();
  const int32_t Hp = HorzRange == 0 ? 0 : Rnd(double(Horz->GetPosition()) / HorzRange * 100.0);
  if (FZoom > Old) FZoom = RoundTwoDecimals(LimitZoom(FZoom, Old));
  RecalcPageSizes();
  SetVertRange(GetVertRange());
  SetHorzRange(GetHorzRange());
  Vert->SetPosition(GetPageScrollPos(FCurrentPageIndex) - A - FViewer->GetBorderWidth());
  Horz->SetPosition(Rnd(Horz->GetRange() / 100.0 * Hp));
  ScrollViewer(Vert->GetPosition(), 2);
  FViewer->DoZoomChanged();
  FSizingLocked = false;
  FViewer->PostToPlugins(VWM_LAYOUTCHANGED, MessageObjectParam(this));
}

void TvnPageManager::SetZoomType(TvnZoomMode Value) {
  FZoomType = Value;
  if (!DocumentActive()) return;
  FZoomTypeLocked = true;
  SetZoom(GetZoomPercentForMode(Value));
  FZoomTypeLocked = false;
}

void TvnPageManager::SetRotationAngle(TvnRotationAngle Value) {
  if (Value == FRotationAngle) return;
  FRotationAngle = Value;
  RefreshLayout();
}

void TvnPageManager::RefreshLayout() {
  if (!DocumentActive()) return;
  if (IsFitZoomMode(FZoomType)) {
    const double Before = FZoom;
    SetZoomType(FZoomType);
    // The same zoom lays nothing out; the pages still take the new
    // rotation or border.
    if (FZoom != Before) return;
  }
  FSizingLocked = true;
  TControlScrollBar* Vert = FViewer->GetVertScrollBar();
  const int32_t A = GetPageScrollPos(FCurrentPageIndex);
  const int32_t V = Vert->GetPosition();
  RecalcPageSizes();
  SetVertRange(GetVertRange());
  SetHorzRange(GetHorzRange());
  Vert->SetPosition(GetPageScrollPos(FCurrentPageIndex) + V - A);
  ScrollViewer(Vert->GetPosition(), 2);
  FSizingLocked = false;
}

void TvnPageManager::Activate() {
  // The mode is applied once the pages are placed (below).
  FZoomType = FViewer->GetZoom() != nullptr ? FViewer->GetZoom()->GetZoomMode() : FZoomType;
  ClearCachedPages();
  BuildPageProps();
  FCurrentPageIndex = ClampPageIndex(FCurrentPageIndex);
  FSizingLocked = true;
  SetVertRange(GetVertRange());
  SetHorzRange(GetHorzRange());
  FViewer->GetVertScrollBar()->SetPosition(GetPageScrollPos(FCurrentPageIndex));
  FSizingLocked = false;
  const double Z = FZoom;
  if (IsFitZoomMode(FZoomType)) SetZoomType(FZoomType);
  if (FZoom == Z) {
    RealizePages(GetPageScrollPos(FCurrentPageIndex), 2);
    FViewer->DoZoomChanged();
  }
  FViewer->DoPageChanged();
}

void TvnPageManager::Deactivate() {
  ClearCachedPages();
  SetVertRange(0);
  SetHorzRange(0);
}

int32_t TvnPageManager::GoToPage(int32_t APageIndex, int32_t ATop, int32_t ALeft) {
  if (!DocumentActive()) {
    FCurrentPageIndex = APageIndex;
    return APageIndex;
  }
  const int32_t Page = ClampPageIndex(APageIndex);
  int32_t V = GetPageScrollPos(Page);
  if (ATop != 0 || ALeft != 0) V += PageToWindowPoint(QPoint(ALeft, ATop), Page).y() - FViewer->GetBorderWidth();
  FViewer->GetVertScrollBar()->SetPosition(V);
  ScrollViewer(FViewer->GetVertScrollBar()->GetPosition(), 2);
  return FCurrentPageIndex;
}

void TvnPageManager::ScrollViewer(int32_t AScrollPos, int32_t APageCacheCount) {
  if (!DocumentActive()) return;
  const int32_t P = PageIndexAtScrollPos(AScrollPos);
  if (P != FCurrentPageIndex) {
    FCurrentPageIndex = P;
    FViewer->StorePageNumber(P);
    FViewer->DoPageChanged();
  }
  RealizePages(AScrollPos, APageCacheCount);
}

void TvnPageManager::RealizePages(int32_t Pos, int32_t Cache) {
  FFirstPageIndex = std::max(FCurrentPageIndex - Cache - 1, 1);
  FLastPageIndex = LastPageToCache(Pos, Cache);
  SyncPageWindows();
  if (FViewer->GetVertScrollBar()->GetPosition() != Pos) FViewer->GetVertScrollBar()->SetPosition(Pos);
}

int32_t TvnPageManager::LastPageToCache(int32_t Pos, int32_t Cache) const {
  const int32_t Count = PageCount();
  int32_t A = std::clamp(FCurrentPageIndex, 1, std::max(Count, 1));
  if (A >= Count) return Count;
  double X;
  if (Pos > Props(A).FTop) {
    X = Props(A + 1).FTop - Pos;
    ++A;
  } else {
    X = Props(A).FTop - Pos;
  }
  const int32_t Border = FViewer->GetBorderWidth();
  const int32_t ClientHeight = FViewer->ClientHeight();
  while (A <= Count) {
    X += Props(A).FHeight + Border;
    if (X > ClientHeight) break;
    ++A;
  }
  return std::min(Count, A + Cache);
}

void TvnPageManager::SyncPageWindows() {
  std::vector<TvnViewerPage*>& Items = FCachedPages.FItems;
  while (!Items.empty() && Items.front()->GetConnectedPage() < FFirstPageIndex) FreeCachedPage(0);
  while (!Items.empty() && Items.back()->GetConnectedPage() > FLastPageIndex) FreeCachedPage(FCachedPages.Count() - 1);
  if (!Items.empty()) {
    for (int32_t P = Items.front()->GetConnectedPage() - 1; P >= FFirstPageIndex; --P)
      Items.insert(Items.begin(), CreatePageWindow(P));
    for (int32_t P = Items.back()->GetConnectedPage() + 1; P <= FLastPageIndex; ++P)
      Items.push_back(CreatePageWindow(P));
  } else {
    for (int32_t P = FFirstPageIndex; P <= FLastPageIndex && P >= 1; ++P) Items.push_back(CreatePageWindow(P));
  }
  for (TvnViewerPage* Window : Items) PlacePageWindow(Window);
  FCachedPages.FChanged = true;
}

TvnViewerPage* TvnPageManager::CreatePageWindow(int32_t Page) {
  TvnViewerPage* Window = TvnViewerPage::CreatePage(FViewer, Page);
  PlacePageWindow(Window);
  Window->setCursor(TvnFixedLayoutDocumentViewer::ViewerCursor(1));
  Window->show();
  return Window;
}

void TvnPageManager::PlacePageWindow(TvnViewerPage* Window) const {
  const QRect R = PageWindowRect(Window->GetConnectedPage());
  Window->SetRotationAngle(FRotationAngle);
  Window->SetBounds(R.x(), R.y(), R.width(), R.height());
}

TvnViewerPage* TvnPageManager::FindPageWindow(int32_t Page) const {
  for (TvnViewerPage* Window : FCachedPages.FItems)
    if (Window->GetConnectedPage() == Page) return Window;
  return nullptr;
}

void TvnPageManager::ClearCachedPages() {
  while (FCachedPages.Count() > 0) FreeCachedPage(FCachedPages.Count() - 1);
  FShowSearchRegion = false;
}

void TvnPageManager::InvalidatePages() {
  for (TvnViewerPage* Window : FCachedPages.FItems) Window->InvalidatePage();
}

void TvnPageManager::FreeCachedPage(int32_t Index) {
  if (Index < 0 || Index >= FCachedPages.Count()) return;
  TvnViewerPage* Window = FCachedPages.Items(Index);
  FCachedPages.FItems.erase(FCachedPages.FItems.begin() + Index);
  // The window may be the one whose input caused this (a hand drag): it
  // goes once its event is over.
  Window->hide();
  Window->deleteLater();
}

}  // namespace vn::viewer
