// The pagination engine: reads a flowing document through the reader
// contract and lays it out one page per call. It chooses each page's header
// and footer (first page of a section, even and odd pages), computes the
// body region from the section's margins and the header and footer extents,
// cuts the body into the section's text columns, hands paragraphs to the
// paragraph engine and tables to the table engine, carries what is left
// over to the next page, and ends pages at page breaks and at sections that
// start on a new page. A section that ends inside its columns and is
// followed by a continuous one has its columns balanced, and the next
// section goes on below them.
//
// A floating drawing that wraps text and lands on text already placed makes
// the page be laid out again from its start, with every drawing placed so
// far kept where it is, so that the text flows round them. Each pass places
// at least one drawing more; after a bounded number of passes the page ends
// just before the drawing that still asks for another one, which then
// starts the next page. Drawings whose paragraphs moved on to the next
// page are not drawn on this one. The page's wrapping drawings are drawn
// first, then the header, the body and the footer.
//
// Pagination always ends: every page places something. When the body
// region cannot take anything of the next item (margins leaving no room,
// say), the page is laid out again with that item alone in a region a page
// high, so the item shows at the body's top, cut by the page's edge; an
// item that cannot be placed even so is skipped.
//
// Ownership: sections and body items stay the reader's. Pages are the
// caller's and own their laid-out lines and columns and the copies of the
// header and footer items; the body items' words and pictures stay the
// document's.
#pragma once

#include <compare>
#include <cstddef>
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
class TvnPageLayoutEngine;
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
  // Where the flow stands: the next body item and what is left over.
  struct FlowPoint {
    size_t Pos = 0;
    PageLeftOver Paragraph;
    TvnTable* Table = nullptr;
    int32_t Row = -1;
    bool operator==(const FlowPoint&) const = default;
  };
  // A place in the document: a body item, a child of it and an item of
  // that child (a paragraph's child and the item within a run; a table's
  // row). Ordered as in the document.
  struct FlowPosition {
    size_t Item = 0;
    int32_t Child = 0;
    int32_t ChildItem = 0;
    auto operator<=>(const FlowPosition&) const = default;
  };
  // What a layout pass changes, to lay the same part of a page out again:
  // the flow, the section, the last item fetched and how far the record of
  // the tables' states went.
  struct RestorePoint {
    FlowPoint Flow;
    int32_t SectionIndex = 0;
    int32_t SectionPageNumber = 0;
    TvnDocItem* PrevElement = nullptr;
    size_t TableRecord = 0;
    size_t PageItems = 0;
  };
  // How a table's cells (and those of the tables inside them) stood before
  // a layout pass touched it.
  struct TableState {
    TvnTable* Table = nullptr;
    std::vector<bool> RenderHeaderRows;
    struct Cell {
      bool CompletelyRendered = false;
      int32_t ItemIndex = 0;
      int32_t RunIndex = 0;
      int32_t RunItemIndex = 0;
      int32_t RowIndex = 0;
    };
    std::vector<Cell> Cells;
  };
  // Why a column stopped taking items.
  enum class ColumnEnd : uint8_t { Full, Exhausted, SectionEnded, Relayout, Limit };
  // The columns of one section laid out side by side.
  struct ColumnsResult {
    LaidOutItems Items;
    ColumnEnd End = ColumnEnd::Full;
    int32_t UsedHeight = 0;
    int32_t ItemCount = 0;
  };
  struct BodyResult {
    LaidOutItems Items;
    bool Relayout = false;
  };

  void LayoutSectionHeadersAndFooters(TvnSection& ASection, int32_t ASectionIndex);
  void LayoutHeaderFooter(TvnSection& ASection, int32_t ASectionIndex, TvnHeaderFooterElement& AElement,
                          bool AIsFooter);
  // The laid-out header (or footer) the current page shows; null when none.
  const LaidOutHeaderFooter* ChoosePageHeaderFooter(bool AFooter) const;
  TvnSection& CurrentSection() const;
  int32_t GetTopMargin() const;
  int32_t GetBottomMargin() const;

  // The page's body from AStartY, laid out again while a wrapping drawing
  // lands on its text. Returns nothing (and the flow as at the start) when
  // the page cannot be laid out.
  LaidOutItems LayoutPageBody(int32_t AStartY, bool AOneItem);
  // One pass over the page's body: the current section's part and those of
  // the continuous sections after it. With AOneItem only the first item,
  // in a region a page high.
  BodyResult LayoutBody(int32_t AStartY, const FlowPosition* ALimit, bool AOneItem);
  // The current section's columns from AStartY down to ABottom, in
  // AEngine; AFirstEach marks every column's first item as a region's
  // first (else only the first column's).
  ColumnsResult LayoutColumns(TvnPageLayoutEngine& AEngine, int32_t AStartY, int32_t ABottom,
                              const FlowPosition* ALimit, bool AOneItem, bool AFirstEach);
  // Lays items into AEngine's region until it is full, the document or the
  // section ends, a wrapping drawing asks for another pass, or ALimit.
  ColumnEnd LayoutColumn(TvnPageLayoutEngine& AEngine, const FlowPosition* ALimit, bool AFirstItem, bool AOneItem);
  // The next item of the flow and its index: a left-over paragraph (with
  // its child and item to start from) or table first, then the body.
  TvnDocItem* GetNextItem(size_t& AIndex, int32_t& AStartRun, int32_t& AStartRunItem);
  // A paragraph engine for the current section over ARegion that knows
  // the drawings placed on the page so far.
  std::unique_ptr<TvnPageLayoutEngine> NewParagraphEngine(const TRect& ARegion);
  // Drawings behind the text, ABody, drawings in front of it.
  static LaidOutItems AddDrawingLayers(TvnPageLayoutEngine& AEngine, LaidOutItems ABody);

  // Where the flow stands, an item taken but not begun counted as not
  // taken (to tell whether a page placed anything).
  FlowPoint CurrentFlowPoint() const;
  // Where the flow stands, as it is.
  FlowPoint RawFlowPoint() const;
  void RestoreFlowPoint(const FlowPoint& APoint);
  RestorePoint TakeRestorePoint() const;
  void RestoreTo(const RestorePoint& APoint);
  // Records how ATable stands before a pass lays it out; restoring a point
  // undoes the records made since, latest first.
  void RecordTableState(TvnTable& ATable);
  // Where in the document the flow stands at APoint.
  FlowPosition PositionOf(const FlowPoint& APoint) const;
  bool Exhausted() const;
  // Appends ASection's page border lines of that z-order to ATarget when
  // the border shows on that page of the section.
  static void AddPageBorderLines(TvnPageBorderZOrder AZOrder, const TvnSection& ASection, int32_t ASectionPageNumber,
                                 LaidOutItems& ATarget);
  // Appends copies of a header's or footer's items to APage, its page
  // numbers set to this page's and its page counts recorded.
  void AddHeaderFooterCopy(const LaidOutHeaderFooter& AElement, TvnWordPage& APage);
  // Records the page counts the body laid out on APage.
  void CollectBodyPageCounts(const TvnWordPage& APage);

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
  // The page being laid out: where it started, the wrapping drawings
  // placed on it (in the order placed) and where each is anchored, the
  // body items laid out on it, the last body item fetched, the place of
  // the drawing that asked for the latest pass, and the tables' states
  // before each table layout of the page.
  RestorePoint FPageStart;
  std::vector<TvnDocItem*> FPageDrawings;
  std::map<const TvnDocItem*, FlowPosition> FDrawingAnchors;
  std::vector<TvnDocItem*> FPageItems;
  TvnDocItem* FPrevElement = nullptr;
  FlowPosition FRelayoutCause;
  std::vector<TableState> FTableStates;
};

}  // namespace vn::wordmodel
