// The "Comments" page of a viewer's navigation pane for PDF documents: a
// searchable list of the document's annotations, each reply indented inside
// the entry of the annotation it answers, with the author, page, date and
// editable text of each and a "Reply" command; and the companion plug-in
// that refreshes the list whenever an annotation changes.
//
// Ownership: the page owns its list entries through Qt (an entry is a child
// of the list or of the entry it answers); the entries borrow their
// annotations from the document's pages. Entries are never removed while
// the page lives: listing an annotation again only refreshes its texts.
#pragma once

#include <QFrame>
#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "viewer/base_viewer.h"
#include "viewer/window_messages.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QVBoxLayout;

namespace vn::pdfdoc {
class TvnPDAnnot;
class TvnqPDFDocument;
}  // namespace vn::pdfdoc

namespace vn::viewer {

class IvnNavigationHost;
class TvnqPDFAnnotViewerPanePage;

// One entry of the list: an annotation with its direct replies inside it.
class TvnPDFAnnotListItem : public QFrame {
  Q_OBJECT

 public:
  // The height of an entry without replies, and the part of it an entry
  // without text gives up.
  static constexpr int32_t ItemHeight = 80;
  static constexpr int32_t EmptyContentsShrink = 5;

  explicit TvnPDFAnnotListItem(QWidget* AOwner);
  ~TvnPDFAnnotListItem() override;

  vn::pdfdoc::TvnPDAnnot* GetAnnot() const { return FAnnot; }
  // Shows the annotation: the author as title ("> " before it in a reply),
  // "Page n  date time" and the text (an entry without text is 5 pixels
  // lower).
  void SetAnnot(vn::pdfdoc::TvnPDAnnot* Value);
  int32_t GetPageNumber() const { return FPageNumber; }
  void SetPageNumber(int32_t Value) { FPageNumber = Value; }
  TvnBaseDocumentViewer* GetViewer() const { return FViewer; }
  void SetViewer(TvnBaseDocumentViewer* Value) { FViewer = Value; }
  TvnPDFAnnotListItem* GetParentAnnotItem() const { return FParent; }
  // Stores the parent and appends this entry to its replies.
  void SetParentAnnotItem(TvnPDFAnnotListItem* Value);
  const std::vector<TvnPDFAnnotListItem*>& GetChildAnnots() const { return FChildAnnots; }
  TvnqPDFAnnotViewerPanePage* GetPanePage() const { return FPanePage; }
  void SetPanePage(TvnqPDFAnnotViewerPanePage* Value) { FPanePage = Value; }
  bool GetSelected() const { return FSelected; }
  int32_t GetLeftMargin() const { return FLeftMargin; }
  void SetLeftMargin(int32_t Value);

  // The annotation's text := the memo's; the viewer is told.
  void ContentsChange();
  // Inserts an empty note answering this entry's annotation on its page (a
  // new text annotation with the same rectangle, by the viewer's user),
  // tells the viewer and refreshes the page, where the reply's entry takes
  // its text.
  void ReplyClick();
  void Select();
  void Deselect();
  void Highlight();
  // Parent, grandparent, ... in this order.
  std::vector<TvnPDFAnnotListItem*> GetAncestors() const;
  // Depth first: each reply followed by its own replies.
  std::vector<TvnPDFAnnotListItem*> GetDescendants() const;
  // Whether the text (case-insensitive) occurs in the title, the text, the
  // date and page, the annotation's name or its class name; true for an
  // empty text.
  bool Matches(const String& Text) const;

  // The entry's parts.
  QLabel* TitleLabel() const { return FTitle; }
  QLabel* DateAndPageLabel() const { return FDateAndPage; }
  QPlainTextEdit* ContentsEdit() const { return FContents; }
  QMenu* PopupMenu() const { return FPopupMenu; }
  // The height its own part takes (80, or 75 without text).
  int32_t OwnHeight() const { return ItemHeight - (FShrunk ? EmptyContentsShrink : 0); }
  // Sets the heights of this entry and its replies: each its own height
  // plus those of its replies.
  int32_t UpdateHeights();

  // The selected entry of the process; null when none.
  static TvnPDFAnnotListItem* SelectedAnnotItem();
  static void ClearSelectedAnnotItem();

 protected:
  void mousePressEvent(QMouseEvent* AEvent) override;
  void contextMenuEvent(QContextMenuEvent* AEvent) override;
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

 private:
  void Paint(const QColor& AColor, const QColor& ABoxColor);

  bool FSelected = false;
  vn::pdfdoc::TvnPDAnnot* FAnnot = nullptr;  // the page's
  QLabel* FTitle = nullptr;
  QLabel* FDateAndPage = nullptr;
  QPlainTextEdit* FContents = nullptr;
  QMenu* FPopupMenu = nullptr;
  QVBoxLayout* FLayout = nullptr;
  int32_t FPageNumber = 0;
  TvnBaseDocumentViewer* FViewer = nullptr;
  TvnPDFAnnotListItem* FParent = nullptr;
  bool FShrunk = false;
  bool FSettingContents = false;
  int32_t FLeftMargin = 1;
  std::vector<TvnPDFAnnotListItem*> FChildAnnots;
  TvnqPDFAnnotViewerPanePage* FPanePage = nullptr;
};

class TvnqPDFAnnotViewerPanePage : public TvnBaseNavigationPanePage {
  Q_OBJECT

 public:
  static constexpr const char16_t* SearchPlaceholder = u"Search Comments..";

  // ADocumentViewer is the host (an IvnNavigationHost) or, without one,
  // the page viewer itself. EInvalidCast when ADocument is not a PDF
  // document.
  TvnqPDFAnnotViewerPanePage(QWidget* ANavigationPane, TvnBaseDocumentViewer* ADocumentViewer,
                             TvnBaseDocument* ADocument);
  ~TvnqPDFAnnotViewerPanePage() override;

  // True without a document or when no page has an annotation other than
  // a form field.
  bool GetisEmpty() override;
  // Lists every annotation of every page (from the last page to the
  // first), but links, pop-ups and invalid ones.
  void Activate() override;
  // Shows the page in the host's pane (unless empty or the pane is
  // closed), then Activate.
  void Refresh() override;

  // The entry of the annotation, made when missing (with the entry of the
  // annotation it answers first).
  TvnPDFAnnotListItem* AddAnnotItem(vn::pdfdoc::TvnPDAnnot* Annot, vn::pdfdoc::TvnPDAnnot* InReplyTo,
                                    int32_t PageNumber);
  // Shows the entries that match the text or have a reply that does.
  void FilterItems(const String& Text);
  // Sends the message to the page viewer unless the page is refreshing
  // after an announcement.
  void NotifyViewer(uint32_t Msg);
  void SearchEnter();
  void SearchExit();
  void SearchKeyUp();

  bool GetLockMessageProcessing() const { return FLockMessageProcessing; }
  void SetLockMessageProcessing(bool Value) { FLockMessageProcessing = Value; }
  vn::pdfdoc::TvnqPDFDocument* GetPDFDocument() const { return FPDFDocument; }
  TvnBaseDocumentViewer* GetViewer() const { return FViewer; }
  TvnBaseDocumentViewer* GetActualViewer() const { return FActualViewer; }
  QLineEdit* SearchEdit() const { return FSearchEdit; }
  // The entry listed under the annotation's key; null when none.
  TvnPDFAnnotListItem* ItemOf(vn::pdfdoc::TvnPDAnnot* Annot) const;
  // The top-level entries in their order.
  std::vector<TvnPDFAnnotListItem*> TopLevelItems() const;
  // An annotation's key: its /NM and the object number of its dictionary.
  static String ItemKey(vn::pdfdoc::TvnPDAnnot* Annot);

 protected:
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

 private:
  void InsertTopLevel(TvnPDFAnnotListItem* AItem);

  QScrollArea* FInnerContainer = nullptr;
  QWidget* FList = nullptr;
  QVBoxLayout* FListLayout = nullptr;
  QFrame* FTitleBar = nullptr;
  QLineEdit* FSearchEdit = nullptr;
  std::map<String, TvnPDFAnnotListItem*> FControls;
  vn::pdfdoc::TvnqPDFDocument* FPDFDocument = nullptr;
  TvnBaseDocumentViewer* FViewer = nullptr;
  TvnBaseDocumentViewer* FActualViewer = nullptr;
  IvnNavigationHost* FHost = nullptr;
  bool FLockMessageProcessing = false;
};

// Refreshes the "Comments" page of the viewer's host whenever an
// annotation changes.
class TvnqPDFAnnotPanePageViewerPlugin : public TvnqViewerPlugin {
 public:
  // EInvalidCast when ADocument is not a PDF document.
  TvnqPDFAnnotPanePageViewerPlugin(TvnBaseDocument* ADocument, TvnBaseDocumentViewer* AViewer);
  ~TvnqPDFAnnotPanePageViewerPlugin() override;
  void HandleViewerMessage(TMessage& Message);
  TvnqPDFAnnotViewerPanePage* GetAnnotsPanePage() const { return FAnnotPanePage; }

 private:
  QPointer<TvnqPDFAnnotViewerPanePage> FAnnotPanePage;
  std::unique_ptr<QObject> FWindow;
};

}  // namespace vn::viewer
