// The "Bookmarks" page of a viewer's navigation pane for PDF documents: a
// tree of the document's outline whose entries, when clicked, move the
// viewer to the bookmark's destination.
//
// The tree is built by an explicit walk, never by recursion, so outlines of
// many thousands of siblings or deep nesting build in constant stack depth;
// an outline item whose dictionary is already in the tree (a damaged,
// cyclic outline) is left out with everything under it, so every build
// ends and no item is shown twice.
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
  // The outline item a node shows.
  static vn::pdfdoc::TvnPDFOutline* OutlineOf(const QTreeWidgetItem* ANode);

 private:
  vn::pdfdoc::TvnqPDFDocument* FPDFDocument;
  TvnBaseDocumentViewer* FDocumentViewer;
  QTreeWidget* FTreeView;  // a child of the page
};

}  // namespace vn::viewer
