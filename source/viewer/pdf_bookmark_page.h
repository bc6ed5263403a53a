// The "Bookmarks" page of a viewer's navigation pane for PDF documents: a
// tree of the document's outline whose entries, when clicked, move the
// viewer to the bookmark's destination.
//
// The tree is built by an explicit walk, never by recursion, so outlines of
// many thousands of siblings or deep nesting build in constant stack depth;
// an outline item whose dictionary is already in the tree (a damaged,
// cyclic outline) is left out with everything under it, so every build
// ends and no item is shown twice. Nodes keep the place of their item in
// the outline, not the item, so a tree built before the document was
// loaded again or closed never reaches freed items: a click on it builds
// the tree afresh (or clears it) instead.
#pragma once

#include <QTreeWidget>

#include "viewer/base_viewer.h"

namespace vn::pdfdoc {
class TvnqPDFDocument;
class TvnPDFOutline;
}  // namespace vn::pdfdoc

namespace vn::viewer {

class TvnPDFBookMarkPage : public TvnBaseNavigationPanePage {
  Q_OBJECT

 public:
  // ADocument must be a TvnqPDFDocument (EInvalidCast "Invalid class
  // typecast" otherwise).
  TvnPDFBookMarkPage(QWidget* ANavigationPane, TvnBaseDocumentViewer* ADocumentViewer, TvnBaseDocument* ADocument);
  ~TvnPDFBookMarkPage() override;

  // True when the document's outline has no item.
  bool GetisEmpty() override;
  // Builds the tree again.
  void Activate() override;

  void LoadBookmarks();
  void ClearTree();
  // Goes to the destination of the selected node's item, when it has one.
  void TreeViewClick();

  QTreeWidget* GetTreeView() const { return FTreeView; }
  // The item of the document's outline as read now that the node shows;
  // null when the outline has no longer that item at the node's place (the
  // document was loaded again or closed since the tree was built).
  vn::pdfdoc::TvnPDFOutline* OutlineOf(const QTreeWidgetItem* ANode) const;

 private:
  vn::pdfdoc::TvnqPDFDocument* FPDFDocument;
  TvnBaseDocumentViewer* FDocumentViewer;
  QTreeWidget* FTreeView;  // a child of the page
};

}  // namespace vn::viewer
