// The items of a PDF file's document outline (/Outlines and the /First,
// /Next, /Last, /Prev chains under it). Items are wrapped lazily while the
// tree is walked and kept in their parent's child list, which owns them, in
// sibling order; each knows its position there (BookmarkIndex) and its depth
// (Level: 0 for the root, 1 for the top-level items).
//
// Reading is lenient: missing or malformed entries give nothing, false or
// the last value. Damaged chains are cut, never followed forever: a sibling
// already in the list ends the chain, and items deeper than kMaxLevel are
// not made.
//
// Editing writes into the dictionaries and keeps the tree sound: every
// operation that links, unlinks or deletes an item also sets the parent's
// /First and /Last, the moved item's /Parent, and /Count of the parent and
// of every ancestor (the number of visible descendants, negative for a
// closed item, absent when there are none), and keeps the wrappers' lists
// and indices in step with the file. Titles are written as PDF text strings
// (UTF-16BE for anything beyond printable ASCII), so any text survives.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/color_spaces.h"
#include "pdfdocument/pd_action.h"
#include "pdfdocument/pd_destination.h"
#include "runtime/strings.h"

namespace vn::pdfdoc {

class TvnPDFDocumentHandler;

struct TvnPDOutlineFlag {
  bool Italic = false;
  bool Bold = false;
};

enum class TvnOutlineTaversalType { ottDepthFirst };
enum class TvnOutlineTraversalDepth { otdSiblingsOnly, otdChildrenOnly, otdFullSubtree };

class TvnPDFBookmark : public vn::pdf::TvnPDElement {
 public:
  // Items deeper than this are not made.
  static constexpr int kMaxLevel = 64;

  // A free item: no dictionary, no links, an empty title.
  TvnPDFBookmark();
  // Over the item's dictionary (borrowed). An item whose parent element is
  // an item is that item's child; any other parent element (the catalog)
  // makes the outline root.
  TvnPDFBookmark(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDElement* AParentElement,
                 vn::pdf::TvnPDBaseObject* ABaseObject);
  ~TvnPDFBookmark() override;

  int Level() const { return FLevel; }
  int BookmarkIndex() const { return FIndex; }
  int GetIndent() const { return FLevel; }
  TvnPDFBookmark* Parent() const { return FParent; }

  // Navigation, extending the lists as it goes; null past the ends.
  TvnPDFBookmark* FirstChild();
  TvnPDFBookmark* LastChild();
  TvnPDFBookmark* Next();
  TvnPDFBookmark* Prev();
  TvnPDFBookmark* GetChild(int AIndex);
  bool HasChildren() { return FirstChild() != nullptr; }
  // The same dictionary (object and generation number).
  bool IsSame(const TvnPDFBookmark* ABookmark) const;

  // /Title as a PDF text string, read once; empty without one.
  String Title();
  void SetTitle(StringView Value);
  // /F: italic is bit value 1, bold bit value 2.
  TvnPDOutlineFlag Flags();
  void SetFlags(TvnPDOutlineFlag Value);
  // /Count when it is an integer, else the last value read.
  int64_t Count();
  // /C as DeviceRGB components: true and AColor filled when there is an
  // array; AColor receives the kept colour either way.
  bool GetColor(TvnPDColorValue& AColor);
  // /C := the first three components (missing ones 0) as reals.
  void SetColor(const TvnPDColorValue& AColor);
  // /A wrapped once; null without.
  TvnPDAction* Action();
  void RemoveAction();
  // /Dest, an explicit array or a name or string looked up in the
  // catalog's named destinations; made once. Null without /Dest, and for a
  // name that names nothing.
  TvnqPDFDestination* Destination();
  // Writes /Dest [page-ref /Type operands...] from the destination (owned
  // from now on) and removes /A. False, with nothing written, when the
  // item has no dictionary or the destination no page of the file.
  bool SetDestination(std::unique_ptr<TvnqPDFDestination> ADestination);

  // Link an item (owned from now on; its dictionary must be an indirect
  // object) right after or before this one. Returns it, or null when this
  // item is not a child of another (the root, a free item) or either has no
  // indirect dictionary; the new item is then dropped.
  TvnPDFBookmark* AddNext(std::unique_ptr<TvnPDFBookmark> NewNext);
  TvnPDFBookmark* AddPrev(std::unique_ptr<TvnPDFBookmark> NewPrev);
  // Take child AIndex, the next or the previous item out of the tree and
  // free it with its subtree. False when there is no such item.
  bool DeleteChild(int AIndex);
  bool DeleteNext();
  bool DeletePrev();
  // Takes this item with its subtree out of the tree and hands it to the
  // caller, who may link it in elsewhere with AddNext or AddPrev. Null (and
  // only /Next and /Prev removed) for an item that is not a child of another.
  std::unique_ptr<TvnPDFBookmark> UnLink();

  // Depth first from this item: the first item whose title equals Name
  // ignoring letter case, looking at this item's siblings after it, and at
  // the children (otdChildrenOnly: one level below this item only;
  // otdFullSubtree: all levels). Sets TitleFound.
  TvnPDFBookmark* GetByTitle(StringView Name, TvnOutlineTaversalType TraversalType,
                             TvnOutlineTraversalDepth MaxDepth);
  bool TitleFound() const { return FTitleFound; }

 private:
  vn::pdf::TvnPDDictionary* Dict() const { return FBaseObject ? FBaseObject->AsDict() : nullptr; }
  bool IsIndirect() const { return Dict() && Dict()->GetObjNumber() > 0; }
  // Whether the item may be linked in beside this one.
  bool CanLink(const TvnPDFBookmark* AItem) const;
  // Appends a wrapper over the dictionary to the child list; null when it
  // is already there or too deep.
  TvnPDFBookmark* AppendChild(vn::pdf::TvnPDBaseObject* AChildDict);
  TvnPDFBookmark* InsertChild(size_t APosition, std::unique_ptr<TvnPDFBookmark> AChild);
  std::unique_ptr<TvnPDFBookmark> RemoveChildAt(int AIndex);
  void Reindex();
  void SetLevel(int ALevel);
  // Writes /Count of this item and of every ancestor from their children.
  void Recount();
  TvnPDFBookmark* Search(TvnPDFBookmark* AStart, StringView AName, TvnOutlineTraversalDepth AMaxDepth, int ABase);

  TvnPDFDocumentHandler* FHandler = nullptr;
  TvnPDFBookmark* FParent = nullptr;
  std::unique_ptr<TvnPDAction> FAction;
  int64_t FCount = 0;
  TvnPDOutlineFlag FOutlineFlags;
  TvnPDColorValue FColor;
  String FTitle;
  bool FTitleRead = false;
  std::unique_ptr<TvnqPDFDestination> FDestination;
  bool FDestinationRead = false;
  int FLevel = 0;
  int FIndex = 0;
  std::vector<std::unique_ptr<TvnPDFBookmark>> FBookmarkList;
  // The object numbers of the dictionaries in the child list.
  std::unordered_set<int64_t> FChildObjects;
  bool FTitleFound = false;
};

}  // namespace vn::pdfdoc
