#include "viewer/annot_viewer_plugin.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framework/writer_routines.h"
#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pd_appearance_stream.h"
#include "pdfdocument/pd_image_device.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_rect.h"
#include "pdfdocument/pdf_document.h"
#include "platform/graphics/cairo_graphics.h"
#include "runtime/exceptions.h"
#include "runtime/numbers.h"
#include "viewer/annot_shared_impl.h"
#include "viewer/attachment_files.h"
#include "viewer/fixed_layout_viewer.h"
#include "viewer/page_manager.h"
#include "viewer/pdf_page_geometry.h"
#include "viewer/user_prompts.h"
#include "viewer/viewer_messages.h"

namespace vn::viewer {

using vn::pdfdoc::TvnPDAnnot;
using vn::pdfdoc::TvnPDAnnotType;
using vn::pdfdoc::TvnqPDFDocument;
using vn::pdfdoc::TvnqPDFPage;

namespace {

// The side of a new note, in points.
constexpr int32_t kNoteSide = 18;
// How far from the widget a pop-up opens.
constexpr int32_t kPopupOffset = 25;
// The opacity highlights are drawn with.
constexpr double kHighlightOpacity = 100.0 / 255.0;
const char* const kMenuPointProperty = "annotationMenuPoint";
const char* const kPageMenuName = "annotationPageMenu";

QPointer<TvnPopupWindow> gCurrentPopupWindow;

bool CommentingAllowed(const TvnBaseDocumentViewer* AViewer) {
  const TvnViewerPreferences* preferences = AViewer != nullptr ? AViewer->GetPreferences() : nullptr;
  // A viewer without preferences has the defaults, commenting included.
  return preferences == nullptr ||
         preferences->GetAllowedOperations().Contains(vn::framework::TvnViewerOperation::voCommenting);
}

bool IsTextMarkup(TvnPDAnnotType AType) {
  return AType == TvnPDAnnotType::annotHighlight || AType == TvnPDAnnotType::annotUnderline ||
         AType == TvnPDAnnotType::annotSquiggly || AType == TvnPDAnnotType::annotStrikeOut;
}

TRect Normalized(TRect ARect) {
  if (ARect.Right < ARect.Left) std::swap(ARect.Left, ARect.Right);
  if (ARect.Bottom < ARect.Top) std::swap(ARect.Top, ARect.Bottom);
  return ARect;
}

TRect RectOfGeometry(const QRect& AGeometry) {
  return {AGeometry.left(), AGeometry.top(), AGeometry.left() + AGeometry.width(),
          AGeometry.top() + AGeometry.height()};
}

// The screen cursor of a drag: set while it lasts, then the default again.
void SetDragCursor(Qt::CursorShape AShape) {
  if (QApplication::overrideCursor() != nullptr)
    QApplication::changeOverrideCursor(QCursor(AShape));
  else
    QApplication::setOverrideCursor(QCursor(AShape));
}

void EndDragCursor() {
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
}

// One step of dragging AWidget to the pointer at APos (screen): with Shift
// the lower-right corner follows the pointer (no side below the minimum),
// otherwise the widget moves by what the pointer moved since ADelta.
void DragStep(QWidget* AWidget, QPoint& ADelta, QPoint APos, Qt::KeyboardModifiers AShift) {
  if (AShift & Qt::ShiftModifier) {
    SetDragCursor(Qt::SizeFDiagCursor);
    const QPoint q = AWidget->mapFromGlobal(APos);
    const int width = q.x() > TvnqViewerAnnotWidget::MinResizeExtent ? q.x() : AWidget->width();
    const int height = q.y() > TvnqViewerAnnotWidget::MinResizeExtent ? q.y() : AWidget->height();
    AWidget->resize(width, height);
  } else {
    SetDragCursor(Qt::SizeAllCursor);
    AWidget->move(AWidget->x() + APos.x() - ADelta.x(), AWidget->y() + APos.y() - ADelta.y());
    ADelta = APos;
  }
}

QString AnnotText(StringView AText) { return QString::fromStdU16String(String(AText)); }

}  // namespace

// ---- Pop-up window -----------------------------------------------------------

TvnPopupWindow::TvnPopupWindow(TvnqViewerAnnotWidget* AOwner, QWidget* AParent) : QFrame(AParent), FOwner(AOwner) {
  resize(PopupWidth, PopupHeight);
  setAutoFillBackground(true);
  QPalette gray = palette();
  gray.setColor(QPalette::Window, annot_impl::kGray);
  setPalette(gray);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(1, 1, 1, 1);
  FInnerPanel = new QFrame(this);
  FInnerPanel->setAutoFillBackground(true);
  QPalette info = FInnerPanel->palette();
  info.setColor(QPalette::Window, annot_impl::kInfoBackground);
  FInnerPanel->setPalette(info);
  outer->addWidget(FInnerPanel);
  auto* inner = new QVBoxLayout(FInnerPanel);
  inner->setContentsMargins(3, 3, 3, 3);
  inner->setSpacing(3);

  FTitleBar = new QFrame(FInnerPanel);
  FTitleBar->setFixedHeight(40);
  FTitleBar->setAutoFillBackground(true);
  QPalette yellow = FTitleBar->palette();
  yellow.setColor(QPalette::Window, annot_impl::kYellow);
  FTitleBar->setPalette(yellow);
  auto* bar = new QHBoxLayout(FTitleBar);
  bar->setContentsMargins(0, 0, 0, 1);
  FTitleBarDetails = new QFrame(FTitleBar);
  FTitle = new QLabel(FTitleBarDetails);
  FDate = new QLabel(FTitleBarDetails);
  for (QLabel* label : {FTitle, FDate}) {
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }
  FTitle->move(1, 10);
  FDate->move(1, 30);
  bar->addWidget(FTitleBarDetails, 1);
  FCloseButton = new QToolButton(FTitleBar);
  FCloseButton->setAutoRaise(true);
  FCloseButton->setText(QStringLiteral("_"));
  FCloseButton->setFixedHeight(25);
  QFont small = FCloseButton->font();
  small.setBold(true);
  small.setPointSize(5);
  FCloseButton->setFont(small);
  bar->addWidget(FCloseButton, 0, Qt::AlignRight | Qt::AlignTop);
  connect(FCloseButton, &QToolButton::clicked, this, [this] { DoHidePopup(); });
  FLine = new QFrame(FTitleBar);
  FLine->setFrameShape(QFrame::HLine);
  FLine->setFixedHeight(1);
  FLine->setStyleSheet(QStringLiteral("background: rgb(128,128,128); border: none;"));
  inner->addWidget(FTitleBar);

  FNotes = new QTextEdit(FInnerPanel);
  FNotes->setAcceptRichText(true);
  FNotes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FNotes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  inner->addWidget(FNotes, 1);
  connect(FNotes, &QTextEdit::textChanged, this, [this] { NotesChange(); });

  for (QWidget* handle : {static_cast<QWidget*>(this), static_cast<QWidget*>(FTitleBar),
                          static_cast<QWidget*>(FTitleBarDetails), static_cast<QWidget*>(FTitle),
                          static_cast<QWidget*>(FDate)})
    handle->installEventFilter(this);
  hide();
}

TvnPopupWindow::~TvnPopupWindow() {
  if (FMouseDown) EndDragCursor();
}

void TvnPopupWindow::SetNotesText(const QString& AText) {
  FSettingNotes = true;
  FNotes->setPlainText(AText);
  FSettingNotes = false;
}

void TvnPopupWindow::Show() {
  setVisible(true);
  raise();
  TvnPDAnnot* annot = FOwner != nullptr ? FOwner->GetPageElement() : nullptr;
  if (annot != nullptr) {
    String title = annot->Author();
    if (title.empty()) {
      try {
        title = annot->Title();
      } catch (const vn::Exception&) {
        // A /Title that is not text shows no title.
      }
    }
    FTitle->setText(AnnotText(title));
    FTitle->adjustSize();
    SetNotesText(AnnotText(annot->Contents()));
    FDate->setText(annot_impl::AnnotDateText(annot->Date()));
    FDate->adjustSize();
  }
  setFocus();
}

void TvnPopupWindow::Hide() { setVisible(false); }

void TvnPopupWindow::NotesChange() {
  // Showing the annotation's own text is no edit.
  if (FSettingNotes || FPlugin == nullptr || FPlugin->GetLockMessageProcessing()) return;
  TvnPDAnnot* annot = FOwner != nullptr ? FOwner->GetPageElement() : nullptr;
  if (annot == nullptr) return;
  FLockContentChange = true;
  annot->SetContents(FNotes->toPlainText().toStdU16String());
  FPlugin->NotifyViewer(VWM_ANNOTSCHANGED);
}

void TvnPopupWindow::ReloadContents() {
  TvnPDAnnot* annot = FOwner != nullptr ? FOwner->GetPageElement() : nullptr;
  if (!FLockContentChange && annot != nullptr) SetNotesText(AnnotText(annot->Contents()));
  FLockContentChange = false;
}

bool TvnPopupWindow::eventFilter(QObject*, QEvent* AEvent) {
  switch (AEvent->type()) {
    case QEvent::MouseButtonPress: {
      auto* press = static_cast<QMouseEvent*>(AEvent);
      if (press->button() != Qt::LeftButton) return false;
      FMouseDown = true;
      grabMouse();
      FDeltaPoint = press->globalPosition().toPoint();
      return true;
    }
    case QEvent::MouseMove: {
      if (!FMouseDown) return false;
      auto* move = static_cast<QMouseEvent*>(AEvent);
      DragStep(this, FDeltaPoint, move->globalPosition().toPoint(), move->modifiers());
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (!FMouseDown) return false;
      EndDragCursor();
      releaseMouse();
      FMouseDown = false;
      return true;
    default:
      return false;
  }
}

// ---- Annotation widget -------------------------------------------------------

TvnqViewerAnnotWidget::TvnqViewerAnnotWidget(QWidget* AOwner) : QWidget(AOwner) {
  setCursor(Qt::PointingHandCursor);
  FPopupMenu = new QMenu(this);
}

TvnqViewerAnnotWidget::~TvnqViewerAnnotWidget() {
  if (FMouseDown) EndDragCursor();
  delete FPopup.data();
}

void TvnqViewerAnnotWidget::SetRect(const TRect& Value) {
  FRect = Value;
  setGeometry(Value.Left, Value.Top, Value.Right - Value.Left, Value.Bottom - Value.Top);
}

void TvnqViewerAnnotWidget::SetViewer(TvnBaseDocumentViewer* Value) {
  FViewer = Value;
  if (!CommentingAllowed(FViewer)) return;
  delete FPopupMenu;
  FPopupMenu = new QMenu(this);
  QFont menuFont = FPopupMenu->font();
  menuFont.setPointSize(12);
  FPopupMenu->setFont(menuFont);
  FPopupMenu->addAction(QStringLiteral("Reply"), this,
                        [this] { annot_impl::RunUserCommand(this, [this] { ReplyClick(); }); });
}

void TvnqViewerAnnotWidget::RenderAppearance() {
  FAppearanceRendered = true;
  if (FAnnotObj == nullptr) return;
  try {
    vn::pdfdoc::TvnPDAppearanceStream* appearance = FAnnotObj->NormalAP();
    vn::pdfdoc::TvnPDForm* form = appearance != nullptr ? appearance->Form() : nullptr;
    vn::pdfdoc::TvnPDRect box;
    if (form == nullptr || !vn::pdfdoc::PlacedFormBox(*form, box)) return;
    const double ppi = vn::framework::ScreenPixelsPerInch;
    const int32_t width = vn::RoundToInt(std::fabs(box.Right() - box.Left()) * ppi / 72.0);
    const int32_t height = vn::RoundToInt(std::fabs(box.Bottom() - box.Top()) * ppi / 72.0);
    if (width < 1 || height < 1 || width > 32767 || height > 32767) return;
    vn::platform::gfx::CairoGraphics graphics(width, height, 0x00000000);
    vn::pdfdoc::TvnPDImageDevice device(graphics, true);
    device.SetTransparantBackground(true);
    FAnnotObj->Display(&device, ppi, ppi);
    const vn::platform::Bitmap pixels = graphics.Pixels();
    FAppearance = QImage(pixels.Bits(), pixels.Width(), pixels.Height(), static_cast<qsizetype>(pixels.Stride()),
                         QImage::Format_ARGB32)
                      .copy();
  } catch (const std::exception&) {
    // An appearance that cannot be drawn leaves the hover outline alone.
    FAppearance = QImage();
  }
}

bool TvnqViewerAnnotWidget::PageDrawsAnnot() {
  // The page window renders the page as for printing: every annotation
  // that is not hidden and has the print flag.
  if (FAnnotObj == nullptr || FAnnotObj->Dict() == nullptr) return false;
  const vn::pdfdoc::TvnPDAnnotFlags flags = FAnnotObj->Flags();
  return !flags.Contains(vn::pdfdoc::TvnPDAnnotFlag::afHidden) && flags.Contains(vn::pdfdoc::TvnPDAnnotFlag::afPrint);
}

int32_t TvnqViewerAnnotWidget::AppearanceTurn() const {
  int32_t degrees = FPage != nullptr && FPage->PDFPage() != nullptr ? FPage->PDFPage()->NormalizedRotate() : 0;
  auto* viewer = dynamic_cast<TvnFixedLayoutDocumentViewer*>(FViewer);
  if (viewer != nullptr && viewer->GetPageManager() != nullptr)
    degrees += RotationDegrees(viewer->GetPageManager()->GetRotationAngle());
  return ((degrees % 360) + 360) % 360;
}

void TvnqViewerAnnotWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (FHovered) {
    painter.setPen(QPen(annot_impl::kSkyBlue, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  // Where the page draws the annotation itself the widget adds only its
  // outline (drawing it again would darken a highlight); while it is
  // dragged away from there the widget shows the appearance it carries.
  if (!FMouseDown && PageDrawsAnnot()) return;
  if (!FAppearanceRendered) RenderAppearance();
  if (FAppearance.isNull() || width() <= 1 || height() <= 1) return;
  const bool highlight = FAnnotObj != nullptr && FAnnotObj->AnnotType() == TvnPDAnnotType::annotHighlight;
  painter.setOpacity(highlight ? kHighlightOpacity : 1.0);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  // The appearance is upright; the page shows it turned with the page.
  const int32_t turn = AppearanceTurn();
  const bool across = turn == 90 || turn == 270;
  const double w = across ? height() : width();
  const double h = across ? width() : height();
  painter.translate(width() / 2.0, height() / 2.0);
  painter.rotate(turn);
  painter.drawImage(QRectF(-w / 2.0, -h / 2.0, w, h), FAppearance);
}

void TvnqViewerAnnotWidget::MouseEnter() {
  FHovered = true;
  update();
}

void TvnqViewerAnnotWidget::MouseLeave() {
  if (FMouseDown) EndDrag();
  FHovered = false;
  update();
}

void TvnqViewerAnnotWidget::MouseDblClick() {}

void TvnqViewerAnnotWidget::MouseClick() {
  if (FAnnotObj == nullptr) return;
  const TvnPDAnnotType type = FAnnotObj->AnnotType();
  if (IsTextMarkup(type) || dynamic_cast<vn::pdfdoc::TvnPDMarkUpAnnot*>(FAnnotObj) != nullptr ||
      type == TvnPDAnnotType::annotLink || type == TvnPDAnnotType::annotFreeText ||
      type == TvnPDAnnotType::annotFileAttachment)
    return;
  FDeltaPoint = QCursor::pos();
  ShowPopup();
}

void TvnqViewerAnnotWidget::MouseDown(QPoint APos) {
  if (FAnnotObj != nullptr && IsTextMarkup(FAnnotObj->AnnotType())) return;
  FMouseDown = true;
  grabMouse();
  FDeltaPoint = APos;
  FDragStartRect = RectOfGeometry(geometry());
}

void TvnqViewerAnnotWidget::MouseMove(QPoint APos, Qt::KeyboardModifiers AShift) {
  if (!FMouseDown) return;
  DragStep(this, FDeltaPoint, APos, AShift);
  FRect = RectOfGeometry(geometry());
}

void TvnqViewerAnnotWidget::MouseUp() {
  if (!FMouseDown) return;
  const TRect moved = RectOfGeometry(geometry());
  // A press without a move leaves the annotation as the file has it.
  auto* window = qobject_cast<TvnBaseViewerPage*>(parentWidget());
  const bool changed = moved != FDragStartRect && FAnnotObj != nullptr && FPlugin != nullptr && window != nullptr;
  if (changed) {
    const TRect points = FPlugin->PageRectOf(moved, window->GetConnectedPage());
    annot_impl::SetAnnotPointRect(*FAnnotObj, {double(points.Left), double(points.Top), double(points.Right),
                                               double(points.Bottom)});
  }
  EndDrag();
  if (changed) {
    // The page draws the annotation at its new place from now on.
    if (FPage != nullptr) FPage->AnnotationsChanged();
    FPlugin->NotifyViewer(VWM_ANNOTSCHANGED);
  }
  update();
}

void TvnqViewerAnnotWidget::EndDrag() {
  EndDragCursor();
  releaseMouse();
  FMouseDown = false;
}

void TvnqViewerAnnotWidget::ShowPopup() {
  QWidget* parent = parentWidget();
  if (FPopup.isNull()) {
    FPopup = new TvnPopupWindow(this, parent);
    int top = y() + height() + kPopupOffset;
    int left = vn::RoundToInt(width() / 2.0 + x() + kPopupOffset);
    if (parent != nullptr && top + FPopup->height() > parent->height()) top = y() - height() + kPopupOffset;
    if (parent != nullptr && left + FPopup->width() > parent->width())
      left = vn::RoundToInt(x() - width() / 2.0 + kPopupOffset);
    FPopup->move(left, top);
  }
  if (!gCurrentPopupWindow.isNull() && gCurrentPopupWindow->isVisible()) gCurrentPopupWindow->Hide();
  FPopup->Show();
  FPopup->SetPlugin(FPlugin);
  gCurrentPopupWindow = FPopup;
}

void TvnqViewerAnnotWidget::ReplyClick() {
  if (FAnnotObj == nullptr || FPage == nullptr || qobject_cast<TvnBaseViewerPage*>(parentWidget()) == nullptr)
    return;
  QString text;
  // A cancelled question makes no reply.
  if (!UserPrompts().InputQuery(this, QStringLiteral("Reply"), QStringLiteral("Please type the reply"), text)) return;
  vn::pdfdoc::TvnPDTextAnnot reply;
  annot_impl::TvnPointRect rect;
  if (annot_impl::AnnotPointRect(*FAnnotObj, rect)) reply.Rect()->SetValues(rect.Left, rect.Top, rect.Right, rect.Bottom);
  reply.SetTitle(FViewer != nullptr ? FViewer->GetUser() : String());
  reply.SetContents(text.toStdU16String());
  {
    annot_impl::TvnPointsScope points(FAnnotObj->Handler());
    FPage->InsertAnnotation(&reply, FAnnotObj);
  }
  if (FPlugin != nullptr) FPlugin->NotifyViewer(VWM_ANNOTSCHANGED);
}

void TvnqViewerAnnotWidget::enterEvent(QEnterEvent*) { MouseEnter(); }
void TvnqViewerAnnotWidget::leaveEvent(QEvent*) { MouseLeave(); }

void TvnqViewerAnnotWidget::mousePressEvent(QMouseEvent* AEvent) {
  if (AEvent->button() != Qt::LeftButton) return QWidget::mousePressEvent(AEvent);
  FPressed = true;
  MouseDown(AEvent->globalPosition().toPoint());
}

void TvnqViewerAnnotWidget::mouseMoveEvent(QMouseEvent* AEvent) {
  MouseMove(AEvent->globalPosition().toPoint(), AEvent->modifiers());
}

void TvnqViewerAnnotWidget::mouseReleaseEvent(QMouseEvent* AEvent) {
  if (AEvent->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(AEvent);
  MouseUp();
  const bool clicked = FPressed && rect().contains(AEvent->position().toPoint());
  FPressed = false;
  if (clicked) annot_impl::RunUserCommand(this, [this] { MouseClick(); });
}

void TvnqViewerAnnotWidget::mouseDoubleClickEvent(QMouseEvent* AEvent) {
  if (AEvent->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(AEvent);
  MouseDblClick();
}

void TvnqViewerAnnotWidget::contextMenuEvent(QContextMenuEvent* AEvent) {
  if (FPopupMenu->actions().isEmpty()) return AEvent->ignore();
  FPopupMenu->popup(AEvent->globalPos());
}

void TvnqFileAttachmentAnnotWidget::MouseDblClick() {
  auto* attachment = dynamic_cast<vn::pdfdoc::TvnPDFileAttachmentAnnot*>(GetPageElement());
  if (attachment != nullptr) {
    annot_impl::RunUserCommand(this, [this, attachment] {
      const QString path = QString::fromStdU16String(SaveAttachmentFile(*attachment, AttachmentFolder()));
      const QString caption = QStringLiteral("Open attachment");
      const QString question = QStringLiteral("The attachment was saved as\n%1\n\nOpen it with its program?").arg(path);
      if (!UserPrompts().Confirm(this, caption, question)) return;
      if (!UserPrompts().OpenDocument(path))
        UserPrompts().ShowError(this, caption, QStringLiteral("No program could open\n%1").arg(path));
    });
  }
  FMouseDown = false;
}

// ---- Plug-in -----------------------------------------------------------------

TvnqPDFAnotViewerPlugin::TvnqPDFAnotViewerPlugin(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer)
    : TvnqViewerPlugin(ADocument, AViewer) {
  if (dynamic_cast<TvnqPDFDocument*>(ADocument) == nullptr) throw vn::EInvalidCast("Invalid class typecast");
  FWindow = std::make_unique<annot_impl::TvnMessageReceiver>([this](TMessage& Message) { HandleViewerMessage(Message); });
  SetHandle(FWindow.get());
}

TvnqPDFAnotViewerPlugin::~TvnqPDFAnotViewerPlugin() {
  const std::vector<TvnqViewerAnnotWidget*> widgets = FControls;
  FControls.clear();
  FAnnotsMap.clear();
  // Without the plug-in its widgets and menus would act on nothing.
  FWindow.reset();
  SetHandle(nullptr);
  for (TvnqViewerAnnotWidget* widget : widgets) delete widget;
}

TvnqPDFDocument* TvnqPDFAnotViewerPlugin::GetPDFDocument() const { return static_cast<TvnqPDFDocument*>(FDocument); }

TvnPopupWindow* TvnqPDFAnotViewerPlugin::CurrentPopupWindow() { return gCurrentPopupWindow.data(); }
void TvnqPDFAnotViewerPlugin::SetCurrentPopupWindow(TvnPopupWindow* Value) { gCurrentPopupWindow = Value; }

TvnBaseViewerPage* TvnqPDFAnotViewerPlugin::LivePageWindow(const TMessage& Message) const {
  auto* viewer = dynamic_cast<TvnFixedLayoutDocumentViewer*>(FViewer);
  if (viewer == nullptr || viewer->GetPageManager() == nullptr) return nullptr;
  auto* named = MessageObject<TvnViewerPage>(Message);
  for (TvnViewerPage* window : viewer->GetPageManager()->GetCachedPages().Pages())
    if (window == named) return window;
  return nullptr;
}

void TvnqPDFAnotViewerPlugin::HandleViewerMessage(TMessage& Message) {
  switch (Message.Msg) {
    case VWM_LAYOUTCHANGED:
    case VWM_VSCROLLED:
      RepositionWidgets();
      break;
    case VWM_PAGEBOUNDSCHANGED:
      // A turned page changes its window without a new layout.
      if (LivePageWindow(Message) != nullptr) RepositionWidgets();
      break;
    case VWM_PAGECREATED:
      if (TvnBaseViewerPage* window = LivePageWindow(Message)) {
        auto* page = dynamic_cast<TvnqPDFPage*>(FDocument->GetPage(window->GetConnectedPage()));
        if (page != nullptr) annot_impl::RunUserCommand(window, [&] { CreateAnnotWidgets(window, page); });
      }
      break;
    case VWM_ANNOTSCHANGED:
      FLockMessageProcessing = true;
      RefreshCurrentPopup();
      FLockMessageProcessing = false;
      break;
    default:
      break;
  }
}

void TvnqPDFAnotViewerPlugin::NotifyViewer(uint32_t Msg) {
  if (!FLockMessageProcessing) annot_impl::SendWindowMessage(FViewer, Msg);
}

void TvnqPDFAnotViewerPlugin::RefreshCurrentPopup() {
  if (!gCurrentPopupWindow.isNull()) gCurrentPopupWindow->ReloadContents();
}

vn::pdfdoc::TvnPDPage* TvnqPDFAnotViewerPlugin::PDFPageOf(int32_t APage) const {
  auto* page = FDocument != nullptr ? dynamic_cast<TvnqPDFPage*>(FDocument->GetPage(APage)) : nullptr;
  return page != nullptr ? page->PDFPage() : nullptr;
}

TRect TvnqPDFAnotViewerPlugin::WindowRectOf(const TRect& APoints, int32_t APage) const {
  auto* viewer = dynamic_cast<TvnFixedLayoutDocumentViewer*>(FViewer);
  if (viewer == nullptr || viewer->GetPageManager() == nullptr) return GetTransferedRect(APoints);
  return UprightPointsToWindowRect(*viewer, PDFPageOf(APage), APage, APoints);
}

TRect TvnqPDFAnotViewerPlugin::PageRectOf(const TRect& APixels, int32_t APage) const {
  auto* viewer = dynamic_cast<TvnFixedLayoutDocumentViewer*>(FViewer);
  if (viewer == nullptr || viewer->GetPageManager() == nullptr) {
    const double ppi = vn::framework::ScreenPixelsPerInch;
    const auto points = [&](int32_t AValue) { return vn::RoundToInt(AValue * 72.0 / ppi); };
    return Normalized({points(APixels.Left), points(APixels.Top), points(APixels.Right), points(APixels.Bottom)});
  }
  return WindowRectToUprightPoints(*viewer, PDFPageOf(APage), APage, APixels);
}

QMenu* TvnqPDFAnotViewerPlugin::PageWindowMenu(TvnBaseViewerPage* APageWindow) {
  return APageWindow != nullptr
             ? APageWindow->findChild<QMenu*>(QLatin1String(kPageMenuName), Qt::FindDirectChildrenOnly)
             : nullptr;
}

QPoint TvnqPDFAnotViewerPlugin::MenuPopupPoint(QMenu* AMenu) {
  return AMenu != nullptr ? AMenu->property(kMenuPointProperty).toPoint() : QPoint();
}

void TvnqPDFAnotViewerPlugin::AddPageWindowMenu(TvnBaseViewerPage* APageWindow) {
  if (PageWindowMenu(APageWindow) != nullptr) return;
  auto* menu = new QMenu(APageWindow);
  menu->setObjectName(QLatin1String(kPageMenuName));
  QAction* addNote = menu->addAction(QStringLiteral("Add a note"));
  QObject::connect(addNote, &QAction::triggered, FWindow.get(), [this, menu] {
    annot_impl::RunUserCommand(menu->parentWidget(), [this, menu] { AddNoteClick(menu); });
  });
  APageWindow->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(APageWindow, &QWidget::customContextMenuRequested, menu, [APageWindow, menu](const QPoint& APos) {
    menu->setProperty(kMenuPointProperty, APos);
    menu->popup(APageWindow->mapToGlobal(APos));
  });
}

void TvnqPDFAnotViewerPlugin::CreateAnnotWidgets(TvnBaseViewerPage* PageWindow, TvnqPDFPage* Page) {
  if (PageWindow == nullptr || Page == nullptr) return;
  // Every page window offers "Add a note" (not only the first one made).
  if (CommentingAllowed(FViewer)) {
    AddPageWindowMenu(PageWindow);
    FIsPopupMenuAdded = true;
  }
  const std::vector<TvnPDAnnot*> annots = Page->GetAnnots();
  if (annots.empty()) return;
  gCurrentPopupWindow = nullptr;
  for (TvnPDAnnot* annot : annots) {
    if (FAnnotsMap.count(annot) != 0) continue;
    const TvnPDAnnotType type = annot->AnnotType();
    if (type == TvnPDAnnotType::annotLink || type == TvnPDAnnotType::annotPopup ||
        type == TvnPDAnnotType::annotWidget || !annot->IsValid() || annot->IsReply())
      continue;
    TvnqViewerAnnotWidget* widget = type == TvnPDAnnotType::annotFileAttachment
                                        ? new TvnqFileAttachmentAnnotWidget(PageWindow)
                                        : new TvnqViewerAnnotWidget(PageWindow);
    widget->SetPageElement(annot);
    widget->SetRect(WindowRectOf(annot_impl::AnnotPointBounds(*annot), PageWindow->GetConnectedPage()));
    widget->SetViewer(FViewer);
    widget->SetPlugin(this);
    widget->SetPage(Page);
    FControls.push_back(widget);
    FAnnotsMap[annot] = widget;
    // The page window frees its widgets; the plug-in then makes them again
    // when the window comes back.
    QObject::connect(widget, &QObject::destroyed, FWindow.get(), [this, widget, annot] {
      FControls.erase(std::remove(FControls.begin(), FControls.end(), widget), FControls.end());
      const auto found = FAnnotsMap.find(annot);
      if (found != FAnnotsMap.end() && found->second == widget) FAnnotsMap.erase(found);
    });
    widget->show();
  }
}

void TvnqPDFAnotViewerPlugin::RepositionWidgets() {
  for (TvnqViewerAnnotWidget* widget : FControls) {
    auto* window = qobject_cast<TvnBaseViewerPage*>(widget->parentWidget());
    if (window == nullptr || widget->GetPageElement() == nullptr) continue;
    widget->SetRect(WindowRectOf(annot_impl::AnnotPointBounds(*widget->GetPageElement()), window->GetConnectedPage()));
    widget->update();
  }
}

TvnqViewerAnnotWidget* TvnqPDFAnotViewerPlugin::WidgetOf(TvnPDAnnot* AAnnot) const {
  const auto found = FAnnotsMap.find(AAnnot);
  return found != FAnnotsMap.end() ? found->second : nullptr;
}

void TvnqPDFAnotViewerPlugin::AddNoteClick(QMenu* AMenu) {
  auto* window = AMenu != nullptr ? qobject_cast<TvnBaseViewerPage*>(AMenu->parent()) : nullptr;
  if (window == nullptr) return;
  auto* page = dynamic_cast<TvnqPDFPage*>(FDocument->GetPage(window->GetConnectedPage()));
  if (page == nullptr) return;
  const QPoint p = MenuPopupPoint(AMenu);
  const TRect r = PageRectOf({p.x(), p.y(), p.x() + kNoteSide, p.y() + kNoteSide}, window->GetConnectedPage());
  vn::pdfdoc::TvnPDTextAnnot note;
  note.Rect()->SetValues(r.Left, r.Top, r.Left + kNoteSide, r.Top + kNoteSide);
  note.SetTitle(FViewer != nullptr ? FViewer->GetUser() : String());
  {
    annot_impl::TvnPointsScope points(GetPDFDocument()->DocumentHandler());
    page->InsertAnnotation(&note, nullptr);
  }
  CreateAnnotWidgets(window, page);
  NotifyViewer(VWM_ANNOTSCHANGED);
}

}  // namespace vn::viewer
