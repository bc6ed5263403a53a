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

constexpr int kOutlineRole = Qt::UserRole + 1;

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

TvnPDFOutline* TvnPDFBookMarkPage::OutlineOf(const QTreeWidgetItem* ANode) {
  return ANode != nullptr ? static_cast<TvnPDFOutline*>(ANode->data(0, kOutlineRole).value<void*>()) : nullptr;
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
  std::deque<std::pair<QTreeWidgetItem*, TvnPDFOutline*>> chains;
  chains.emplace_back(nullptr, first);
  QList<QTreeWidgetItem*> topLevel;
  while (!chains.empty()) {
    auto [parent, item] = chains.front();
    chains.pop_front();
    QList<QTreeWidgetItem*> nodes;
    for (; item != nullptr; item = item->Next()) {
      const int64_t number = OutlineObjectNumber(item);
      if (number > 0 && !shown.insert(number).second) continue;
      auto* node = new QTreeWidgetItem(QStringList{QString::fromStdU16String(item->Title())});
      node->setData(0, kOutlineRole, QVariant::fromValue(static_cast<void*>(item)));
      nodes.append(node);
      if (TvnPDFOutline* child = item->Child()) chains.emplace_back(node, child);
    }
    if (parent != nullptr)
      parent->addChildren(nodes);
    else
      topLevel = nodes;
  }
  FTreeView->addTopLevelItems(topLevel);
}

void TvnPDFBookMarkPage::TreeViewClick() {
  if (FDocumentViewer == nullptr || !FPDFDocument->GetIsLoaded()) return;
  TvnPDFOutline* item = OutlineOf(FTreeView->currentItem());
  vn::framework::TvnPageDestination* destination = item != nullptr ? item->Destination() : nullptr;
  if (destination == nullptr) return;
  FDocumentViewer->GoToPage(destination->GetPageNumber(), destination->GetY(), destination->GetX());
}

}  // namespace vn::viewer
