// The document outline of an opened PDF file as a viewer sees it: a tree of
// TvnPDFOutline items over the file's outline items, each made when first
// reached and kept in its parent's child list (which owns it), in sibling
// order. The root stands for the outline root of the file (or for nothing
// when there is no file).
//
// A destination gives the page number and the point of the page to show,
// in pixels from the page's top-left corner: the left edge and the top edge
// the file's destination names, converted from points as a whole (the page
// height in points less the top, then into pixels), 0 where the destination
// type names no such edge.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/page_model.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

class TvnPDFBookmark;
class TvnPDFDocumentHandler;

class TvnPDFOutline {
 public:
  // Over the item (borrowed, null for a root without outline); AParent is
  // the item whose child list holds this one (null for the root).
  TvnPDFOutline(TvnPDFDocumentHandler* AHandler, TvnPDFBookmark* ABookmark, TvnPDFOutline* AParent);
  ~TvnPDFOutline();

  // The first child, made on first use; null without children.
  TvnPDFOutline* Child();
  TvnPDFOutline* GetFirstChild() { return Child(); }
  // The siblings, made as reached; null past the ends and for the root.
  TvnPDFOutline* Next();
  TvnPDFOutline* Prev();
  String Title();
  // The position among the siblings, from 0.
  int BookmarkIndex() const;
  // Made once: from the item's explicit destination when it names a page of
  // the file, else from its go-to action's (page only, point 0, 0); null
  // when neither leads to a page (an action of no type leads nowhere).
  vn::framework::TvnPageDestination* Destination();
  TvnPDFBookmark* Bookmark() const { return FPDBookmark; }

 private:
  TvnPDFDocumentHandler* FHandler;
  TvnPDFBookmark* FPDBookmark;
  std::vector<std::unique_ptr<TvnPDFOutline>> FBookmarkList;
  std::unique_ptr<vn::framework::TvnPageDestination> FDestination;
  bool FDestinationMade = false;
  TvnPDFOutline* FParent;
};

}  // namespace vn::pdfdoc
