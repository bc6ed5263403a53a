#include "viewer/annot_pane_page.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <typeinfo>

#include "framework/format_registry.h"
#include "pdfdocument/pd_annot.h"
#include "pdfdocument/pdf_document.h"
#include "runtime/exceptions.h"
#include "viewer/annot_shared_impl.h"
#include "viewer/navigation_host.h"

namespace vn::viewer {

using vn::pdfdoc::TvnPDAnnot;
using vn::pdfdoc::TvnPDAnnotType;
using vn::pdfdoc::TvnqPDFDocument;
using vn::pdfdoc::TvnqPDFPage;

namespace {

// Replies are nested at most this deep (a file's reply chains are outside
// data: they may be endless or go round in circles).
constexpr size_t kMaxReplyDepth = 64;

TvnPDFAnnotListItem* gSelectedAnnotItem = nullptr;

QString ToQString(StringView AText) { return QString::fromStdU16String(String(AText)); }

void SetBackground(QWidget* AWidget, QPalette::ColorRole ARole, const QColor& AColor) {
  QPalette palette = AWidget->palette();
  palette.setColor(ARole, AColor);
  AWidget->setPalette(palette);
}

}  // namespace

// ---- List entry --------------------------------------------------------------

TvnPDFAnnotListItem::TvnPDFAnnotListItem(QWidget* AOwner) : QFrame(AOwner) {
  setAutoFillBackground(true);
  setFrameShape(QFrame::NoFrame);
  FLayout = new QVBoxLayout(this);
  FLayout->setContentsMargins(FLeftMargin, 0, 0, 0);
  FLayout->setSpacing(0);
  auto* head = new QWidget(this);
  head->setObjectName(QStringLiteral("head"));
  auto* headLayout = new QVBoxLayout(head);
  headLayout->setContentsMargins(0, 0, 0, 0);
  headLayout->setSpacing(1);
  FTitle = new QLabel(head);
  QFont bold = FTitle->font();
  bold.setBold(true);
  FTitle->setFont(bold);
  FDateAndPage = new QLabel(head);
  FContents = new QPlainTextEdit(head);
  FContents->setFrameShape(QFrame::NoFrame);
  QFont small = FContents->font();
  small.setPointSize(7);
  FContents->setFont(small);
  headLayout->addWidget(FTitle);
  headLayout->addWidget(FDateAndPage);
  headLayout->addWidget(FContents, 1);
  head->setFixedHeight(ItemHeight);
  FLayout->addWidget(head);
  connect(FContents, &QPlainTextEdit::textChanged, this, [this] { ContentsChange(); });

  FPopupMenu = new QMenu(this);
  QFont menuFont = FPopupMenu->font();
  menuFont.setPointSize(12);
  FPopupMenu->setFont(menuFont);
  FPopupMenu->addAction(QStringLiteral("Reply"), this,
                         [this] { annot_impl::RunUserCommand(this, [this] { ReplyClick(); }); });
  // A click on any part selects the entry; so does opening its menu.
  for (QWidget* part : {static_cast<QWidget*>(this), static_cast<QWidget*>(FTitle),
                        static_cast<QWidget*>(FDateAndPage), FContents->viewport()}) {
    if (part != this) part->installEventFilter(this);
  }
  setContextMenuPolicy(Qt::DefaultContextMenu);
  FContents->setContextMenuPolicy(Qt::NoContextMenu);
  Paint(annot_impl::kInactiveBorder, annot_impl::kInactiveBorder);
  setFixedHeight(ItemHeight);
}

TvnPDFAnnotListItem::~TvnPDFAnnotListItem() {
  if (gSelectedAnnotItem == this) gSelectedAnnotItem = nullptr;
}

TvnPDFAnnotListItem* TvnPDFAnnotListItem::SelectedAnnotItem() { return gSelectedAnnotItem; }
void TvnPDFAnnotListItem::ClearSelectedAnnotItem() { gSelectedAnnotItem = nullptr; }

void TvnPDFAnnotListItem::SetLeftMargin(int32_t Value) {
  FLeftMargin = Value;
  FLayout->setContentsMargins(FLeftMargin, 0, 0, 0);
}

void TvnPDFAnnotListItem::SetParentAnnotItem(TvnPDFAnnotListItem* Value) {
  FParent = Value;
  if (FParent == nullptr) return;
  FParent->FChildAnnots.push_back(this);
  FParent->FLayout->addWidget(this);
}

void TvnPDFAnnotListItem::SetAnnot(TvnPDAnnot* Value) {
  FAnnot = Value;
  if (FAnnot == nullptr) return;
  const String author = FAnnot->Author();
  if (!vn::Trim(author).empty()) FTitle->setText(ToQString(author));
  if (FParent != nullptr) {
    if (!FTitle->text().startsWith(QStringLiteral("> "))) FTitle->setText(QStringLiteral("> ") + FTitle->text());
    if (FParent->GetSelected()) Highlight();
  }
  vn::pdfdoc::TvnPDDate* date = FAnnot->Date();
  if (date != nullptr && date->Year() != 0) {
    FDateAndPage->setText(QStringLiteral("Page %1  ").arg(FPageNumber) + annot_impl::AnnotDateText(date));
  }
  const String contents = FAnnot->Contents();
  // Shown without announcing a change: the text is the annotation's own.
  FSettingContents = true;
  if (FContents->toPlainText().toStdU16String() != contents) FContents->setPlainText(ToQString(contents));
  FSettingContents = false;
  if (vn::Trim(contents).empty() && !FShrunk) {
    FShrunk = true;
    if (QWidget* head = findChild<QWidget*>(QStringLiteral("head"), Qt::FindDirectChildrenOnly))
      head->setFixedHeight(OwnHeight());
  }
}

int32_t TvnPDFAnnotListItem::UpdateHeights() {
  int32_t height = OwnHeight();
  for (TvnPDFAnnotListItem* child : FChildAnnots) {
    const int32_t childHeight = child->UpdateHeights();
    if (!child->isHidden()) height += childHeight;
  }
  setFixedHeight(height);
  return height;
}

void TvnPDFAnnotListItem::ContentsChange() {
  if (FSettingContents || FAnnot == nullptr) return;
  FAnnot->SetContents(FContents->toPlainText().toStdU16String());
  if (FPanePage != nullptr) FPanePage->NotifyViewer(VWM_ANNOTSCHANGED);
}

void TvnPDFAnnotListItem::ReplyClick() {
  if (FAnnot == nullptr || FPanePage == nullptr || FPanePage->GetPDFDocument() == nullptr) return;
  auto* page = dynamic_cast<TvnqPDFPage*>(FPanePage->GetPDFDocument()->GetPage(FPageNumber));
  if (page == nullptr) return;
  vn::pdfdoc::TvnPDTextAnnot reply;
  annot_impl::TvnPointRect rect;
  if (annot_impl::AnnotPointRect(*FAnnot, rect)) reply.Rect()->SetValues(rect.Left, rect.Top, rect.Right, rect.Bottom);
  reply.SetTitle(FViewer != nullptr ? FViewer->GetUser() : String());
  {
    annot_impl::TvnPointsScope points(FPanePage->GetPDFDocument()->DocumentHandler());
    page->InsertAnnotation(&reply, FAnnot);
  }
  TvnqPDFAnnotViewerPanePage* panePage = FPanePage;
  panePage->NotifyViewer(VWM_ANNOTSCHANGED);
  panePage->Refresh();
}

void TvnPDFAnnotListItem::Paint(const QColor& AColor, const QColor& ABoxColor) {
  SetBackground(this, QPalette::Window, AColor);
  SetBackground(FContents, QPalette::Base, ABoxColor);
}

void TvnPDFAnnotListItem::Select() {
  if (gSelectedAnnotItem != nullptr && gSelectedAnnotItem->FSelected) gSelectedAnnotItem->Deselect();
  Highlight();
  gSelectedAnnotItem = this;
  FSelected = true;
}

void TvnPDFAnnotListItem::Highlight() {
  std::vector<TvnPDFAnnotListItem*> family = GetAncestors();
  family.push_back(this);
  for (TvnPDFAnnotListItem* item : GetDescendants()) family.push_back(item);
  for (TvnPDFAnnotListItem* item : family) item->Paint(annot_impl::kInfoBackground, Qt::white);
}

void TvnPDFAnnotListItem::Deselect() {
  std::vector<TvnPDFAnnotListItem*> family = GetAncestors();
  family.push_back(this);
  for (TvnPDFAnnotListItem* item : GetDescendants()) family.push_back(item);
  for (TvnPDFAnnotListItem* item : family) {
    item->Paint(annot_impl::kInactiveBorder, annot_impl::kInactiveBorder);
    item->FSelected = false;
  }
}

std::vector<TvnPDFAnnotListItem*> TvnPDFAnnotListItem::GetAncestors() const {
  std::vector<TvnPDFAnnotListItem*> result;
  for (TvnPDFAnnotListItem* item = FParent; item != nullptr; item = item->FParent) result.push_back(item);
  return result;
}

std::vector<TvnPDFAnnotListItem*> TvnPDFAnnotListItem::GetDescendants() const {
  std::vector<TvnPDFAnnotListItem*> result;
  for (TvnPDFAnnotListItem* child : FChildAnnots) {
    result.push_back(child);
    for (TvnPDFAnnotListItem* item : child->GetDescendants()) result.push_back(item);
  }
  return result;
}

bool TvnPDFAnnotListItem::Matches(const String& Text) const {
  if (Text.empty()) return true;
  const String wanted = vn::WideLowerCase(Text);
  const auto has = [&](const String& AText) { return vn::WideLowerCase(AText).find(wanted) != String::npos; };
  if (has(FTitle->text().toStdU16String()) || has(FContents->toPlainText().toStdU16String()) ||
      has(FDateAndPage->text().toStdU16String()))
    return true;
  if (FAnnot == nullptr) return false;
  return has(FAnnot->Name()) || has(vn::framework::DocumentClassName(typeid(*FAnnot)));
}

void TvnPDFAnnotListItem::mousePressEvent(QMouseEvent* AEvent) {
  // Taken here: the entries holding this one are not selected too.
  Select();
  AEvent->accept();
}

bool TvnPDFAnnotListItem::eventFilter(QObject* AWatched, QEvent* AEvent) {
  if (AEvent->type() != QEvent::MouseButtonPress) return false;
  Select();
  // The memo keeps its click (to place the caret); a label's is taken.
  return AWatched != FContents->viewport();
}

void TvnPDFAnnotListItem::contextMenuEvent(QContextMenuEvent* AEvent) {
  Select();
  FPopupMenu->popup(AEvent->globalPos());
}

// ---- Pane page ---------------------------------------------------------------

TvnqPDFAnnotViewerPanePage::TvnqPDFAnnotViewerPanePage(QWidget* ANavigationPane,
                                                       TvnBaseDocumentViewer* ADocumentViewer,
                                                       TvnBaseDocument* ADocument)
    : TvnBaseNavigationPanePage(ANavigationPane, ADocumentViewer, ADocument), FViewer(ADocumentViewer) {
  FHost = dynamic_cast<IvnNavigationHost*>(ADocumentViewer);
  FActualViewer = FHost != nullptr ? FHost->GetPageViewer() : ADocumentViewer;
  FPDFDocument = dynamic_cast<TvnqPDFDocument*>(ADocument);
  if (FPDFDocument == nullptr) throw vn::EInvalidCast("Invalid class typecast");
  SetCaption(u"Comments");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FTitleBar = new QFrame(this);
  FTitleBar->setFixedHeight(30);
  auto* barLayout = new QVBoxLayout(FTitleBar);
  barLayout->setContentsMargins(2, 2, 5, 2);
  FSearchEdit = new QLineEdit(FTitleBar);
  QFont searchFont = FSearchEdit->font();
  searchFont.setPointSize(9);
  FSearchEdit->setFont(searchFont);
  SetBackground(FSearchEdit, QPalette::Text, annot_impl::kGrayText);
  FSearchEdit->setText(ToQString(SearchPlaceholder));
  FSearchEdit->installEventFilter(this);
  barLayout->addWidget(FSearchEdit);
  layout->addWidget(FTitleBar);

  FInnerContainer = new QScrollArea(this);
  FInnerContainer->setFrameShape(QFrame::NoFrame);
  FInnerContainer->setWidgetResizable(true);
  FList = new QWidget;
  FList->setAutoFillBackground(true);
  SetBackground(FList, QPalette::Window, annot_impl::kSilver);
  FListLayout = new QVBoxLayout(FList);
  FListLayout->setContentsMargins(0, 0, 0, 0);
  FListLayout->setSpacing(1);
  FListLayout->addStretch(1);
  FInnerContainer->setWidget(FList);
  layout->addWidget(FInnerContainer, 1);
}

TvnqPDFAnnotViewerPanePage::~TvnqPDFAnnotViewerPanePage() { TvnPDFAnnotListItem::ClearSelectedAnnotItem(); }

bool TvnqPDFAnnotViewerPanePage::GetisEmpty() {
  if (FPDFDocument == nullptr) return true;
  for (int32_t n = 1; n <= FPDFDocument->GetPageCount(); ++n) {
    auto* page = dynamic_cast<TvnqPDFPage*>(FPDFDocument->GetPage(n));
    if (page == nullptr) continue;
    for (TvnPDAnnot* annot : page->GetAnnots())
      if (annot->AnnotType() != TvnPDAnnotType::annotWidget) return false;
  }
  return true;
}

void TvnqPDFAnnotViewerPanePage::Activate() {
  for (int32_t n = FPDFDocument->GetPageCount(); n >= 1; --n) {
    auto* page = dynamic_cast<TvnqPDFPage*>(FPDFDocument->GetPage(n));
    if (page == nullptr) continue;
    // A copy: listing an annotation never changes the page's list, but the
    // list is the page's to change.
    const std::vector<TvnPDAnnot*> annots = page->GetAnnots();
    for (TvnPDAnnot* annot : annots) {
      const TvnPDAnnotType type = annot->AnnotType();
      if (type == TvnPDAnnotType::annotLink || type == TvnPDAnnotType::annotPopup || !annot->IsValid()) continue;
      int32_t targetPage = 0;
      TvnPDAnnot* target = annot_impl::FindReplyTarget(*FPDFDocument, *annot, targetPage);
      AddAnnotItem(annot, target, annot->PageNumber());
    }
  }
  for (TvnPDFAnnotListItem* item : TopLevelItems()) item->UpdateHeights();
}

void TvnqPDFAnnotViewerPanePage::Refresh() {
  if (!isEmpty() && FHost != nullptr && FHost->GetNavigationPaneState() != IvnNavigationHost::NavigationPaneClosed)
    FHost->ShowNavigationPanePage(this);
  Activate();
}

String TvnqPDFAnnotViewerPanePage::ItemKey(TvnPDAnnot* Annot) {
  const vn::pdf::TvnPDBaseObject* object = Annot->BaseObject();
  return Annot->Name() + vn::IntToStr(object != nullptr ? object->GetObjNumber() : -1);
}

TvnPDFAnnotListItem* TvnqPDFAnnotViewerPanePage::ItemOf(TvnPDAnnot* Annot) const {
  if (Annot == nullptr) return nullptr;
  const auto found = FControls.find(ItemKey(Annot));
  return found != FControls.end() ? found->second : nullptr;
}

TvnPDFAnnotListItem* TvnqPDFAnnotViewerPanePage::AddAnnotItem(TvnPDAnnot* Annot, TvnPDAnnot* InReplyTo,
                                                              int32_t PageNumber) {
  const String key = ItemKey(Annot);
  if (TvnPDFAnnotListItem* listed = ItemOf(Annot)) {
    listed->SetAnnot(Annot);
    return listed;
  }
  // The entries being made further up a chain of replies: an annotation
  // that answers one of them (a cycle) or a chain too deep is listed at
  // the top level.
  static std::vector<String> making;
  TvnPDFAnnotListItem* parent = nullptr;
  if (InReplyTo != nullptr && making.size() < kMaxReplyDepth &&
      std::find(making.begin(), making.end(), ItemKey(InReplyTo)) == making.end() && ItemKey(InReplyTo) != key) {
    parent = ItemOf(InReplyTo);
    if (parent == nullptr) {
      making.push_back(key);
      int32_t targetPage = 0;
      TvnPDAnnot* target = annot_impl::FindReplyTarget(*FPDFDocument, *InReplyTo, targetPage);
      try {
        parent = AddAnnotItem(InReplyTo, target, InReplyTo->PageNumber());
      } catch (...) {
        making.pop_back();
        throw;
      }
      making.pop_back();
    }
  }
  // Replies deeper than the limit stand beside the deepest one allowed.
  while (parent != nullptr && parent->GetAncestors().size() + 1 >= kMaxReplyDepth) parent = parent->GetParentAnnotItem();
  auto* item = new TvnPDFAnnotListItem(parent != nullptr ? static_cast<QWidget*>(parent) : FList);
  item->SetViewer(FViewer);
  item->SetPageNumber(PageNumber);
  if (parent != nullptr) {
    item->SetParentAnnotItem(parent);
    item->SetLeftMargin(parent->GetLeftMargin() + 2);
  }
  item->SetAnnot(Annot);
  item->SetPanePage(this);
  FControls[key] = item;
  if (parent == nullptr) InsertTopLevel(item);
  TvnPDFAnnotListItem* top = item;
  while (top->GetParentAnnotItem() != nullptr) top = top->GetParentAnnotItem();
  top->UpdateHeights();
  item->show();
  return item;
}

void TvnqPDFAnnotViewerPanePage::InsertTopLevel(TvnPDFAnnotListItem* AItem) {
  // Entries stay in page order (the pages are listed from the last), the
  // annotations of a page in their order.
  const std::vector<TvnPDFAnnotListItem*> items = TopLevelItems();
  int index = 0;
  while (index < static_cast<int>(items.size()) && items[static_cast<size_t>(index)]->GetPageNumber() <= AItem->GetPageNumber())
    ++index;
  FListLayout->insertWidget(index, AItem);
}

std::vector<TvnPDFAnnotListItem*> TvnqPDFAnnotViewerPanePage::TopLevelItems() const {
  std::vector<TvnPDFAnnotListItem*> items;
  for (int i = 0; i < FListLayout->count(); ++i)
    if (auto* item = qobject_cast<TvnPDFAnnotListItem*>(FListLayout->itemAt(i)->widget())) items.push_back(item);
  return items;
}

void TvnqPDFAnnotViewerPanePage::FilterItems(const String& Text) {
  for (const auto& [key, item] : FControls) {
    bool shown = item->Matches(Text);
    for (const TvnPDFAnnotListItem* descendant : item->GetDescendants()) shown = shown || descendant->Matches(Text);
    item->setVisible(shown);
  }
  for (TvnPDFAnnotListItem* item : TopLevelItems()) item->UpdateHeights();
}

void TvnqPDFAnnotViewerPanePage::NotifyViewer(uint32_t Msg) {
  if (!FLockMessageProcessing) annot_impl::SendWindowMessage(FActualViewer, Msg);
}

void TvnqPDFAnnotViewerPanePage::SearchEnter() {
  if (FSearchEdit->text() == ToQString(SearchPlaceholder)) FSearchEdit->clear();
}

void TvnqPDFAnnotViewerPanePage::SearchExit() {
  if (FSearchEdit->text().trimmed().isEmpty()) FSearchEdit->setText(ToQString(SearchPlaceholder));
}

void TvnqPDFAnnotViewerPanePage::SearchKeyUp() { FilterItems(FSearchEdit->text().toStdU16String()); }

bool TvnqPDFAnnotViewerPanePage::eventFilter(QObject* AWatched, QEvent* AEvent) {
  if (AWatched == FSearchEdit) {
    switch (AEvent->type()) {
      case QEvent::FocusIn: SearchEnter(); break;
      case QEvent::FocusOut: SearchExit(); break;
      case QEvent::KeyRelease: SearchKeyUp(); break;
      default: break;
    }
  }
  return TvnBaseNavigationPanePage::eventFilter(AWatched, AEvent);
}

// ---- Companion plug-in -------------------------------------------------------

TvnqPDFAnnotPanePageViewerPlugin::TvnqPDFAnnotPanePageViewerPlugin(TvnBaseDocument* ADocument,
                                                                   TvnBaseDocumentViewer* AViewer)
    : TvnqViewerPlugin(ADocument, AViewer) {
  if (dynamic_cast<TvnqPDFDocument*>(ADocument) == nullptr) throw vn::EInvalidCast("Invalid class typecast");
  FWindow = std::make_unique<annot_impl::TvnMessageReceiver>([this](TMessage& Message) { HandleViewerMessage(Message); });
  SetHandle(FWindow.get());
}

TvnqPDFAnnotPanePageViewerPlugin::~TvnqPDFAnnotPanePageViewerPlugin() { SetHandle(nullptr); }

void TvnqPDFAnnotPanePageViewerPlugin::HandleViewerMessage(TMessage& Message) {
  if (Message.Msg != VWM_ANNOTSCHANGED) return;
  if (FAnnotPanePage.isNull() && FViewer != nullptr) {
    // The host holds the viewer (directly or in a control of its own).
    for (QWidget* holder = FViewer->parentWidget(); holder != nullptr; holder = holder->parentWidget()) {
      auto* host = dynamic_cast<IvnNavigationHost*>(holder);
      if (host == nullptr) continue;
      for (TvnBaseNavigationPanePage* page : host->GetNavigationPanePages()) {
        if (auto* comments = dynamic_cast<TvnqPDFAnnotViewerPanePage*>(page)) {
          FAnnotPanePage = comments;
          break;
        }
      }
      break;
    }
  }
  if (FAnnotPanePage.isNull()) return;
  FAnnotPanePage->SetLockMessageProcessing(true);
  FAnnotPanePage->Refresh();
  FAnnotPanePage->SetLockMessageProcessing(false);
}

}  // namespace vn::viewer
