// The page tree of an opened PDF file flattened into a numbered list of
// pages. The pages are collected once, depth first, on first use: every
// Pages node is taken once (a repeated or cyclic reference to a node is
// skipped); a page listed more than once is taken again while the root's
// /Count promises more pages (viewers show it in each place), nesting is
// bounded, and each page gets the chain of inherited
// attributes of the nodes above it. A damaged tree never raises: a node
// without a /Kids array ends the walk with the pages collected so far. The
// page count is the number of pages collected, whatever /Count says.
//
// Update writes the tree flat: the root's /Kids lists every page and /Count
// is their number (a page listed twice is written as two page objects);
// each page refers to the root as its parent and takes
// into its own dictionary the attributes it inherited from nodes that are
// no longer in the tree.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "pdf/objects.h"
#include "pdfdocument/pd_inherited_property.h"

namespace vn::pdfdoc {

class TvnPDFDocumentHandler;
class TvnPDPage;

class TvnPDPageTree : public vn::pdf::TvnPDElement {
 public:
  // Pages nodes nested deeper than this are not walked.
  static constexpr int kMaxTreeDepth = 256;
  // Pages listed again are taken only while fewer pages than this were
  // collected, so a short /Kids array of repeats cannot make millions.
  static constexpr int64_t kMaxRepeatedPages = int64_t{1} << 16;

  TvnPDPageTree(TvnPDFDocumentHandler* AParentDoc, vn::pdf::TvnPDBaseObject* APagesDict,
                vn::pdf::TvnPDElement* AParentElement);
  ~TvnPDPageTree() override;

  // Page Index (from 1), or null outside 1 .. Count.
  TvnPDPage* GetPage(int32_t Index);
  // The number of pages collected.
  int32_t Count();
  // The page dictionary of page PageNumber (from 1), or null.
  vn::pdf::TvnPDBaseObject* GetPageBaseObject(int32_t PageNumber);
  // The page whose dictionary has the object number of APageRef, or null.
  TvnPDPage* GetPageByIndRef(const vn::pdf::TvnPDBaseObject* APageRef);
  // Makes pages StartPages .. StartPages + NumOfPages - 1 available.
  void RequestPages(int32_t StartPages, int32_t NumOfPages);
  // The root node's inherited attributes.
  TvnPDInheritedProperty* InheritedProperty() { return FInheritedProp.get(); }
  void Update() override;

 private:
  void CollectPages();
  // Collects the pages under the node; a node without /Kids gives none.
  void Walk(vn::pdf::TvnPDDictionary* ANode, TvnPDInheritedProperty* AProp, int ADepth);
  // Whether a page listed again is taken again.
  bool RepeatAllowed() const;
  void AddPage(vn::pdf::TvnPDDictionary* APageDict, TvnPDInheritedProperty* AParentProp);
  void FlattenPage(TvnPDPage& APage, vn::pdf::TvnPDDictionary& ARoot);

  TvnPDFDocumentHandler* FHandler;
  std::unique_ptr<TvnPDInheritedProperty> FInheritedProp;
  // The inherited attributes of every node and page below the root, parents
  // before children.
  std::vector<std::unique_ptr<TvnPDInheritedProperty>> FNodeProps;
  std::vector<std::unique_ptr<TvnPDPage>> FPageList;
  std::unordered_set<int64_t> FVisited;
  bool FCollected = false;
};

}  // namespace vn::pdfdoc
