// The pagination engine: reads a flowing document through the reader
// contract and lays it out one page per call. It chooses each page's header
// and footer (first page of a section, even and odd pages), computes the
// body region from the section's margins and the header and footer extents,
// hands paragraphs to the paragraph engine and tables to the table engine,
// carries what is left over to the next page, and ends pages at page breaks
// and at sections that start on a new page.
//
// Pagination always ends: every page places something. When the body
// region cannot take anything of the next item (margins leaving no room,
// say), the page is laid out again with that item alone in a region a page
// high, so the item shows at the body's top, cut by the page's edge; an
// item that cannot be placed even so is skipped.
//
// Not done yet: a section's text columns (its body spans the region's
// width) and laying a page out again when a wrapping drawing lands on text
// already placed (each page is laid out in one pass; text after the
// drawing flows around it).
//
// Ownership: sections and body items stay the reader's. Pages are the
// caller's and own their laid-out lines and the copies of the header and
// footer items; the body items' words and pictures stay the document's.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "wordmodel/section.h"
#include "wordmodel/table_layout_engine.h"
#include "wordmodel/word_page.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnField;
class TvnHeaderFooterElement;
class TvnParagraph;
class TvnSection;
class TvnTable;
class TvnTextitem;
class TvnWordParser;

// Collects the document's sections and body items, in that order of asking:
// the reader's Sections first, then GetEnumerator (a reader builds its body
// while answering Sections).
class TvnElementExtractor : public TObject {
 public:
  explicit TvnElementExtractor(TvnWordParser& AParser) : FParser(AParser) {}

  // Reads the sections and the body items once. A paragraph that ends a
  // section (ContainsSection) makes the next section current; the items
  // after it belong to that section. When the reader gives no section list,
  // the sections are the section items of the body and their children the
  // body items. Sets Finished.
  void PopulateElements();

  const std::vector<TvnDocItem*>& GetElements() const { return FElements; }
  // The section each body item belongs to (parallel to GetElements).
  const std::vector<int32_t>& GetElementSections() const { return FElementSections; }
  const std::vector<TvnSection*>& GetSections() const { return FSections; }
  bool GetFinished() const { return FFinished; }
  bool GetStop() const { return FStop; }
  void SetStop(bool Value) { FStop = Value; }

 private:
  TvnWordParser& FParser;
  std::vector<TvnDocItem*> FElements;
  std::vector<int32_t> FElementSections;
  std::vector<TvnSection*> FSections;
  bool FFinished = false;
  bool FStop = false;
};

// What the previous page left over: a paragraph to continue (from a child
// and an item within it) or a table (its row is kept by the table status).
struct PageLeftOver {
  TvnParagraph* Paragraph = nullptr;
  int32_t RunIndex = 0;
  int32_t RunItemIndex = 0;
  bool operator==(const PageLeftOver&) const = default;
};

class TvnWordLayoutEngine : public TObject {
 public:
  // Reads the document (sections, then body items) and lays out every
  // section's headers and footers once. ACanvas measures text; null makes
  // a measuring canvas with a metafile of its own, owned by the engine.
  explicit TvnWordLayoutEngine(TvnWordParser& AParser, TvnBaseCanvas* ACanvas = nullptr);
  ~TvnWordLayoutEngine() override;
  TvnWordLayoutEngine(const TvnWordLayoutEngine&) = delete;
  TvnWordLayoutEngine& operator=(const TvnWordLayoutEngine&) = delete;

  // The next page, or null when the document is exhausted (and on every
  // call after that). Errors of the reader, the canvas or the model pass to
  // the caller.
  std::unique_ptr<TvnWordPage> GetNextPage();
  // Asks the engine to stop: the next call returns null.
  void Close() { FExtractor.SetStop(true); }

  const std::vector<TvnSection*>& GetSections() const { return FExtractor.GetSections(); }
  const TvnElementExtractor& GetElementExtractor() const { return FExtractor; }
  // Every NUMPAGES field met in the body, headers and footers, once each.
  std::vector<TvnField*>& NumPagesFieldList() { return FNumPagesFieldList; }
  // The pages given out must outlive the engine's last GetNextPage call:
  // it writes the page count into the pages laid out before.
  TvnBaseCanvas* GetCanvas() const { return FCanvas; }

 private:
  // Where a number sits among a header's laid-out items: the line and the
  // child of that line.
  struct NumberPosition {
    size_t Line = 0;
    size_t Child = 0;
  };
  struct LaidOutHeaderFooter {
    LaidOutItems Items;
    int32_t StartY = 0;
    int32_t EndY = 0;
    std::vector<NumberPosition> PageNumbers;
    std::vector<NumberPosition> PageCounts;
  };

  void LayoutSectionHeadersAndFooters(TvnSection& ASection, int32_t ASectionIndex);
  void LayoutHeaderFooter(TvnSection& ASection, int32_t ASectionIndex, TvnHeaderFooterElement& AElement,
                          bool AIsFooter);
  // The laid-out header (or footer) the current page shows; null when none.
  const LaidOutHeaderFooter* ChoosePageHeaderFooter(bool AFooter) const;
  int32_t GetTopMargin() const;
  int32_t GetBottomMargin() const;
  // Lays the body into the region; returns its items. With AOneItem the
  // page ends after its first item.
  LaidOutItems LayoutBody(const TRect& ARegion, bool AOneItem);
  // Where the flow stands: the next body item and what is left over. An
  // item taken but not begun counts as not taken.
  struct FlowPoint {
    size_t Pos = 0;
    PageLeftOver Paragraph;
    TvnTable* Table = nullptr;
    int32_t Row = -1;
    bool operator==(const FlowPoint&) const = default;
  };
  FlowPoint CurrentFlowPoint() const;
  void RestoreFlowPoint(const FlowPoint& APoint);
  bool Exhausted() const;
  // Appends the current section's page border lines of that z-order when
  // the border shows on this page.
  void AddPageBorderLines(TvnPageBorderZOrder AZOrder, TvnWordPage& APage) const;
  // Appends copies of a header's or footer's items to APage, its page
  // numbers set to this page's and its page counts recorded.
  void AddHeaderFooterCopy(const LaidOutHeaderFooter& AElement, TvnWordPage& APage);

  TvnElementExtractor FExtractor;
  std::unique_ptr<TvnBaseCanvas> FOwnedCanvas;
  TvnBaseCanvas* FCanvas = nullptr;
  std::map<const TvnHeaderFooterElement*, LaidOutHeaderFooter> FHeaderFooters;
  std::vector<TvnField*> FNumPagesFieldList;
  // Every page count shown on the pages given out so far (owned by those
  // pages' lines): each is set to the latest page number after every page,
  // so all show the page count once the document is laid out.
  std::vector<TvnTextitem*> FPageCountItems;
  PageLeftOver FLeftOver;
  TvnPageStatus FPageState;
  size_t FCurrentPos = 0;
  int32_t FCurrentSectionIndex = 0;
  int32_t FCurrentSectionPageNumber = 1;
  int32_t FpageNumber = 0;
  int32_t FCurrentHeaderTop = 0;
  int32_t FCurrentFooterBottom = 0;
  bool FEnded = false;
};

}  // namespace vn::wordmodel
