#include "viewer/pdf_bookmark_page.h"

#include <QVBoxLayout>
#include <deque>
#include <unordered_set>
#include <utility>

#include "pdf/objects.h"
#include "pdfdocument/pd_bookmark.h"
#include "pdfdocument/pdf_document.h"
#include "pdfdocument/pdf_outline.h"
#include "runtime/exceptions.h"

namespace vn::viewer {

using vn::pdfdoc::TvnPDFOutline;

namespace {

// A node keeps where its item is in the outline (the item's place in each
// sibling chain from the top, counting every item of the chain), its
// dictionary's object number and its title; never a pointer to the item,
// which goes when the document is loaded again.
constexpr int kOutlinePathRole = Qt::UserRole + 1;
constexpr int kOutlineNumberRole = Qt::UserRole + 2;

// The object number of the item's dictionary; 0 for a direct dictionary
// (which cannot be reached twice).
int64_t OutlineObjectNumber(TvnPDFOutline* AItem) {
  vn::pdfdoc::TvnPDFBookmark* bookmark = AItem->Bookmark();
  vn::pdf::TvnPDBaseObject* object = bookmark != nullptr ? bookmark->BaseObject() : nullptr;
  return object != nullptr ? object->GetObjNumber() : 0;
}

}  // namespace

TvnPDFBookMarkPage::TvnPDFBookMarkPage(QWidget* ANavigationPane, TvnBaseDocumentViewer* ADocumentViewer,
                                       TvnBaseDocument* ADocument)
    : TvnBaseNavigationPanePage(ANavigationPane, ADocumentViewer, ADocument),
      FPDFDocument(dynamic_cast<vn::pdfdoc::TvnqPDFDocument*>(ADocument)),
      FDocumentViewer(ADocumentViewer),
      FTreeView(nullptr) {
  if (FPDFDocument == nullptr) throw vn::EInvalidCast("Invalid class typecast");
  SetCaption(u"Bookmarks");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  FTreeView = new QTreeWidget(this);
  layout->addWidget(FTreeView);
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(10);
  FTreeView->setFont(font);
  FTreeView->setFrameShape(QFrame::NoFrame);
  FTreeView->setHeaderHidden(true);
  FTreeView->setMouseTracking(true);  // hot tracking
  FTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTreeView->setSelectionMode(QAbstractItemView::SingleSelection);
  connect(FTreeView, &QTreeWidget::itemClicked, this, [this] { TreeViewClick(); });
}

TvnPDFBookMarkPage::~TvnPDFBookMarkPage() = default;

bool TvnPDFBookMarkPage::GetisEmpty() {
  TvnPDFOutline* root = FPDFDocument->GetBookmarkRoot();
  return root == nullptr || root->Child() == nullptr;
}

void TvnPDFBookMarkPage::Activate() { LoadBookmarks(); }

void TvnPDFBookMarkPage::ClearTree() { FTreeView->clear(); }

TvnPDFOutline* TvnPDFBookMarkPage::OutlineOf(const QTreeWidgetItem* ANode) const {
  if (ANode == nullptr || !FPDFDocument->GetIsLoaded()) return nullptr;
  TvnPDFOutline* root = FPDFDocument->GetBookmarkRoot();
  TvnPDFOutline* item = root != nullptr ? root->Child() : nullptr;
  const QList<int> path = ANode->data(0, kOutlinePathRole).value<QList<int>>();
  if (path.isEmpty()) return nullptr;
  for (qsizetype level = 0; level < path.size() && item != nullptr; ++level) {
    if (level > 0) item = item->Child();
    for (int i = 0; i < path[level] && item != nullptr; ++i) item = item->Next();
  }
  // The outline read now must still have the node's item there.
  if (item == nullptr || OutlineObjectNumber(item) != ANode->data(0, kOutlineNumberRole).toLongLong() ||
      QString::fromStdU16String(item->Title()) != ANode->text(0))
    return nullptr;
  return item;
}

// Each sibling chain is walked in one loop that makes its nodes in order
// and hands them to their parent node at once (top-level nodes to the tree
// at the end); a chain of children waits in the queue with the node it goes
// under. Every parent thus gets its children in document order, and the
// walk needs no stack.
void TvnPDFBookMarkPage::LoadBookmarks() {
  ClearTree();
  if (!FPDFDocument->GetIsLoaded()) return;
  TvnPDFOutline* root = FPDFDocument->GetBookmarkRoot();
  TvnPDFOutline* first = root != nullptr ? root->Child() : nullptr;
  if (first == nullptr) return;
  std::unordered_set<int64_t> shown;
  struct TvnChain {
    QTreeWidgetItem* Parent;
    TvnPDFOutline* First;
    QList<int> Path;  // the parent's place
  };
  std::deque<TvnChain> chains;
  chains.push_back({nullptr, first, {}});
  QList<QTreeWidgetItem*> topLevel;
  while (!chains.empty()) {
    TvnChain chain = std::move(chains.front());
    chains.pop_front();
    QList<QTreeWidgetItem*> nodes;
    int place = 0;
    for (TvnPDFOutline* item = chain.First; item != nullptr; item = item->Next(), ++place) {
      const int64_t number = OutlineObjectNumber(item);
      if (number > 0 && !shown.insert(number).second) continue;
      auto* node = new QTreeWidgetItem(QStringList{QString::fromStdU16String(item->Title())});
      QList<int> path = chain.Path;
      path.append(place);
      node->setData(0, kOutlinePathRole, QVariant::fromValue(path));
      node->setData(0, kOutlineNumberRole, QVariant::fromValue(qlonglong(number)));
      nodes.append(node);
      if (TvnPDFOutline* child = item->Child()) chains.push_back({node, child, std::move(path)});
    }
    QTreeWidgetItem* parent = chain.Parent;
    if (parent != nullptr)
      parent->addChildren(nodes);
    else
      topLevel = nodes;
  }
  FTreeView->addTopLevelItems(topLevel);
}

void TvnPDFBookMarkPage::TreeViewClick() {
  // The tree of a document closed since it was built goes.
  if (!FPDFDocument->GetIsLoaded()) {
    ClearTree();
    return;
  }
  if (FDocumentViewer == nullptr) return;
  QTreeWidgetItem* node = FTreeView->currentItem();
  TvnPDFOutline* item = OutlineOf(node);
  if (node != nullptr && item == nullptr) {
    // The document was loaded again since the tree was built: its outline
    // is shown afresh and the click goes nowhere.
    LoadBookmarks();
    return;
  }
  vn::framework::TvnPageDestination* destination = item != nullptr ? item->Destination() : nullptr;
  if (destination == nullptr) return;
  FDocumentViewer->GoToPage(destination->GetPageNumber(), destination->GetY(), destination->GetX());
}

}  // namespace vn::viewer
