// The annotation plug-in of the viewer for PDF documents. Every annotation
// of a page window (but links, pop-ups, form fields, invalid annotations and
// replies) gets a widget over its rectangle that draws the annotation's
// appearance, outlines itself under the pointer, opens a pop-up note with
// the author, date and editable text, can be dragged (or, with Shift,
// resized) and offers "Reply"; every page window offers "Add a note". A
// file attachment's widget saves its file on a double click and opens it
// when the user agrees. Every change is announced to the viewer, which
// passes the announcement on to all plug-ins (the comments pane listens).
//
// Ownership: the widgets are children of their page window and go with it;
// the plug-in keeps borrowed pointers and forgets a widget when it is
// destroyed (the widgets left when the plug-in goes are freed by it). A
// widget owns its pop-up and its rendered appearance. Annotations belong to
// their pages.
//
// Rectangles: annotations are measured in points from the page's top-left
// corner; a widget's rectangle is in its page window's pixels. Both ways go
// through the viewer's page geometry, so they hold at any zoom and
// rotation.
#pragma once

#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "viewer/base_viewer.h"
#include "viewer/window_messages.h"

class QLabel;
class QMenu;
class QTextEdit;
class QToolButton;

namespace vn::pdfdoc {
class TvnPDAnnot;
class TvnPDPage;
class TvnqPDFDocument;
class TvnqPDFPage;
}  // namespace vn::pdfdoc

namespace vn::viewer {

class TvnqPDFAnotViewerPlugin;
class TvnqViewerAnnotWidget;

// The pop-up note of a widget: title bar with the author and date, a close
// button "_", and the annotation's text, edited in place.
class TvnPopupWindow : public QFrame {
  Q_OBJECT

 public:
  static constexpr int32_t PopupWidth = 210;
  static constexpr int32_t PopupHeight = 120;

  // AOwner is the widget whose annotation it shows.
  explicit TvnPopupWindow(TvnqViewerAnnotWidget* AOwner, QWidget* AParent);
  ~TvnPopupWindow() override;

  TvnqPDFAnotViewerPlugin* GetPlugin() const { return FPlugin; }
  void SetPlugin(TvnqPDFAnotViewerPlugin* Value) { FPlugin = Value; }
  TvnqViewerAnnotWidget* GetOwnerWidget() const { return FOwner; }
  // Shows the window with the annotation's author (its title when there is
  // none), date and text, and takes the focus.
  void Show();
  void Hide();
  void DoHidePopup() { Hide(); }
  // The notes were edited: the annotation takes the text and the viewer is
  // told (not while the plug-in reacts to an announcement).
  void NotesChange();
  // Shows the annotation's text again, unless the last change came from
  // this window.
  void ReloadContents();

  QLabel* TitleLabel() const { return FTitle; }
  QLabel* DateLabel() const { return FDate; }
  QTextEdit* Notes() const { return FNotes; }
  QToolButton* CloseButton() const { return FCloseButton; }

 protected:
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

 private:
  void SetNotesText(const QString& AText);

  TvnqViewerAnnotWidget* FOwner;
  bool FLockContentChange = false;
  bool FSettingNotes = false;
  QToolButton* FCloseButton = nullptr;
  bool FMouseDown = false;
  QPoint FDeltaPoint;
  QLabel* FTitle = nullptr;
  QLabel* FDate = nullptr;
  QFrame* FLine = nullptr;
  QFrame* FTitleBar = nullptr;
  QFrame* FTitleBarDetails = nullptr;
  QFrame* FInnerPanel = nullptr;
  QTextEdit* FNotes = nullptr;
  TvnqPDFAnotViewerPlugin* FPlugin = nullptr;
};

// The widget of one annotation over its rectangle in the page window.
class TvnqViewerAnnotWidget : public QWidget {
  Q_OBJECT

 public:
  // The smallest width and height resizing leaves.
  static constexpr int32_t MinResizeExtent = 20;

  explicit TvnqViewerAnnotWidget(QWidget* AOwner);
  ~TvnqViewerAnnotWidget() override;

  vn::pdfdoc::TvnPDAnnot* GetPageElement() const { return FAnnotObj; }
  void SetPageElement(vn::pdfdoc::TvnPDAnnot* Value) { FAnnotObj = Value; }
  const TRect& GetBoundingRect() const { return FRect; }
  // Also moves and sizes the widget.
  void SetRect(const TRect& Value);
  TvnBaseDocumentViewer* GetViewer() const { return FViewer; }
  // With commenting allowed, the widget's menu offers "Reply".
  void SetViewer(TvnBaseDocumentViewer* Value);
  vn::pdfdoc::TvnqPDFPage* GetPage() const { return FPage; }
  void SetPage(vn::pdfdoc::TvnqPDFPage* Value) { FPage = Value; }
  TvnqPDFAnotViewerPlugin* GetPlugin() const { return FPlugin; }
  void SetPlugin(TvnqPDFAnotViewerPlugin* Value) { FPlugin = Value; }
  TvnPopupWindow* GetPopup() const { return FPopup; }
  QMenu* PopupMenu() const { return FPopupMenu; }
  bool GetMouseDown() const { return FMouseDown; }
  bool GetHovered() const { return FHovered; }
  // The annotation's normal appearance as rendered (null before the first
  // paint and without one).
  const QImage& GetAppearance() const { return FAppearance; }

  virtual void ShowPopup();
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void MouseDblClick();
  virtual void MouseClick();
  // APos is the pointer in screen coordinates.
  virtual void MouseMove(QPoint APos, Qt::KeyboardModifiers AShift);
  virtual void MouseDown(QPoint APos);
  virtual void MouseUp();
  // Whether the page window's rendering shows the annotation itself (it is
  // not hidden and has the print flag).
  bool PageDrawsAnnot();
  // Asks for the reply's text and inserts it as a note answering this
  // widget's annotation; nothing when the question is cancelled.
  void ReplyClick();

 protected:
  void paintEvent(QPaintEvent* AEvent) override;
  void enterEvent(QEnterEvent* AEvent) override;
  void leaveEvent(QEvent* AEvent) override;
  void mousePressEvent(QMouseEvent* AEvent) override;
  void mouseMoveEvent(QMouseEvent* AEvent) override;
  void mouseReleaseEvent(QMouseEvent* AEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
  void contextMenuEvent(QContextMenuEvent* AEvent) override;

  // The quarter turn (0, 90, 180, 270) the page shows the upright
  // appearance with: the page's /Rotate and the viewer's rotation.
  int32_t AppearanceTurn() const;
  // Ends a drag: the cursor and the mouse are released.
  void EndDrag();
  bool FMouseDown = false;

 private:
  void RenderAppearance();

  QPointer<TvnPopupWindow> FPopup;
  vn::pdfdoc::TvnPDAnnot* FAnnotObj = nullptr;
  QPoint FDeltaPoint;
  QImage FAppearance;
  bool FAppearanceRendered = false;
  TRect FRect;
  TRect FDragStartRect;  // where a drag started
  bool FPressed = false;  // pressed and not yet released (a click ends here)
  bool FHovered = false;
  TvnBaseDocumentViewer* FViewer = nullptr;
  vn::pdfdoc::TvnqPDFPage* FPage = nullptr;
  TvnqPDFAnotViewerPlugin* FPlugin = nullptr;
  QMenu* FPopupMenu = nullptr;
};

// The widget of a file attachment: a double click saves the attached file
// and opens it once the user agrees.
class TvnqFileAttachmentAnnotWidget : public TvnqViewerAnnotWidget {
  Q_OBJECT

 public:
  using TvnqViewerAnnotWidget::TvnqViewerAnnotWidget;
  // Saves the file into the attachment folder under a cleaned name (never
  // over another file), then asks whether to open it with its program. A
  // failure is shown to the user and nothing is opened.
  void MouseDblClick() override;
};

class TvnqPDFAnotViewerPlugin : public TvnqViewerPlugin {
 public:
  // EInvalidCast when ADocument is not a PDF document.
  TvnqPDFAnotViewerPlugin(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer);
  ~TvnqPDFAnotViewerPlugin() override;

  void HandleViewerMessage(TMessage& Message);
  // Sends the message (zero parameters) to the viewer and returns once it
  // is handled; nothing while the plug-in reacts to an announcement.
  void NotifyViewer(uint32_t Msg);
  void RefreshCurrentPopup();
  // Adds the page window's "Add a note" (once per window, with commenting
  // allowed) and a widget for each annotation of the page that has none.
  void CreateAnnotWidgets(TvnBaseViewerPage* PageWindow, vn::pdfdoc::TvnqPDFPage* Page);
  // Places every widget over its annotation again.
  void RepositionWidgets();
  // Inserts a note at the point where the page window's menu opened.
  void AddNoteClick(QMenu* AMenu);

  bool GetLockMessageProcessing() const { return FLockMessageProcessing; }
  const std::vector<TvnqViewerAnnotWidget*>& GetControls() const { return FControls; }
  TvnqViewerAnnotWidget* WidgetOf(vn::pdfdoc::TvnPDAnnot* AAnnot) const;
  vn::pdfdoc::TvnqPDFDocument* GetPDFDocument() const;
  // The page window's own menu with "Add a note"; null when it has none.
  static QMenu* PageWindowMenu(TvnBaseViewerPage* APageWindow);
  // Where the menu last opened, in its page window's pixels.
  static QPoint MenuPopupPoint(QMenu* AMenu);

  // An annotation rectangle (points from the top-left corner of the page
  // as the file lays it out, before its /Rotate) as pixels of the page
  // window, and back.
  TRect WindowRectOf(const TRect& APoints, int32_t APage) const;
  TRect PageRectOf(const TRect& APixels, int32_t APage) const;

  // The pop-up shown last (null when none or destroyed).
  static TvnPopupWindow* CurrentPopupWindow();
  static void SetCurrentPopupWindow(TvnPopupWindow* Value);

 private:
  void AddPageWindowMenu(TvnBaseViewerPage* APageWindow);
  // The PDF page of page number APage; null when there is none.
  vn::pdfdoc::TvnPDPage* PDFPageOf(int32_t APage) const;
  // The page window the message names, when it is one of the viewer's live
  // windows.
  TvnBaseViewerPage* LivePageWindow(const TMessage& Message) const;

  std::unique_ptr<QObject> FWindow;
  std::vector<TvnqViewerAnnotWidget*> FControls;
  bool FLockMessageProcessing = false;
  std::map<vn::pdfdoc::TvnPDAnnot*, TvnqViewerAnnotWidget*> FAnnotsMap;
  bool FIsPopupMenuAdded = false;
};

}  // namespace vn::viewer
