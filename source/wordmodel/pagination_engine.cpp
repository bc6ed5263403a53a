#include "wordmodel/pagination_engine.h"

#include <algorithm>
#include <set>
#include <utility>

#include "framework/canvas.h"
#include "runtime/numbers.h"
#include "wordmodel/fields.h"
#include "wordmodel/images.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/margins.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/paragraph_layout_engine.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"
#include "wordmodel/vector_graphics.h"
#include "wordmodel/word_parser.h"

namespace vn::wordmodel {

void TvnElementExtractor::PopulateElements() {
  if (FFinished) return;
  TvnMainDocumentParser* parser = FParser.GetDocumentParser();
  if (parser != nullptr) {
    // Sections first: a reader builds its body while answering it.
    std::optional<std::vector<TvnSection*>> sections = parser->Sections();
    std::vector<TvnDocItem*> items = parser->GetEnumerator();
    if (sections.has_value()) {
      for (TvnSection* section : *sections)
        if (section != nullptr) FSections.push_back(section);
      int32_t current = 0;
      for (TvnDocItem* item : items) {
        if (item == nullptr) continue;
        FElements.push_back(item);
        FElementSections.push_back(current);
        if (auto* paragraph = dynamic_cast<TvnParagraph*>(item)) {
          if (paragraph->GetContainsSection() && current + 1 < static_cast<int32_t>(FSections.size())) ++current;
          if (!FSections.empty()) paragraph->SetSection(FSections[static_cast<size_t>(current)]);
        }
      }
    } else {
      for (TvnDocItem* item : items) {
        auto* section = dynamic_cast<TvnSection*>(item);
        if (section == nullptr) continue;
        FSections.push_back(section);
        for (const auto& child : section->GetItems()) {
          if (child == nullptr) continue;
          FElements.push_back(child.get());
          FElementSections.push_back(static_cast<int32_t>(FSections.size()) - 1);
        }
      }
    }
  }
  FFinished = true;
}

namespace {

int32_t MarginOf(const TvnSection& ASection, int32_t (TvnPageMargins::*AGetter)() const) {
  const TvnPageMargins* margins = ASection.GetPageMargin();
  return margins != nullptr ? (margins->*AGetter)() : 0;
}

// Appends AFrom's items to ATo in order, ownership with them.
void MoveLaidOutItems(LaidOutItems& AFrom, LaidOutItems& ATo) {
  const std::vector<TvnDocItem*> items = AFrom.Items();
  for (TvnDocItem* item : items) {
    std::unique_ptr<TvnDocItem> owned = AFrom.Remove(item);
    if (owned != nullptr) {
      ATo.Add(std::move(owned));
    } else {
      ATo.Add(item);
    }
  }
}

bool LeftOverHasMore(const TvnParagraph* AParagraph, int32_t ARunIndex) {
  return AParagraph != nullptr && ARunIndex < AParagraph->GetCount();
}

// Calls AVisit for every laid-out line of AItems, those in columns too.
template <class Visit>
void ForEachLine(const LaidOutItems& AItems, Visit AVisit) {
  for (TvnDocItem* item : AItems) {
    if (auto* line = dynamic_cast<TvnTextLine*>(item)) {
      AVisit(*line);
    } else if (auto* column = dynamic_cast<TvnColumn*>(item)) {
      for (TvnDocItem* inner : column->Children())
        if (auto* columnLine = dynamic_cast<TvnTextLine*>(inner)) AVisit(*columnLine);
    }
  }
}

// Passes over one page before it is cut short at the drawing that keeps
// asking for another; a page that asks for more even then is given up.
constexpr int kMaxLayoutPasses = 10;
constexpr int kGiveUpPasses = kMaxLayoutPasses + 2;

}  // namespace

TvnWordLayoutEngine::TvnWordLayoutEngine(TvnWordParser& AParser, TvnBaseCanvas* ACanvas)
    : FExtractor(AParser), FCanvas(ACanvas) {
  if (FCanvas == nullptr) {
    // A measuring canvas drawing into a metafile of its own.
    FOwnedCanvas = std::make_unique<vn::framework::TvnVCLCanvas>();
    FCanvas = FOwnedCanvas.get();
  }
  FExtractor.PopulateElements();
  const std::vector<TvnSection*>& sections = FExtractor.GetSections();
  for (size_t i = 0; i < sections.size(); ++i) LayoutSectionHeadersAndFooters(*sections[i], static_cast<int32_t>(i));
}

TvnWordLayoutEngine::~TvnWordLayoutEngine() = default;

void TvnWordLayoutEngine::LayoutSectionHeadersAndFooters(TvnSection& ASection, int32_t ASectionIndex) {
  for (TvnHeaderFooterElement* header : {static_cast<TvnHeaderFooterElement*>(ASection.GetFirstPageHeader()),
                                         static_cast<TvnHeaderFooterElement*>(ASection.GetEvenPageHeader()),
                                         static_cast<TvnHeaderFooterElement*>(ASection.GetDefaultPageHeader())})
    if (header != nullptr) LayoutHeaderFooter(ASection, ASectionIndex, *header, false);
  for (TvnHeaderFooterElement* footer : {static_cast<TvnHeaderFooterElement*>(ASection.GetFirstPageFooter()),
                                         static_cast<TvnHeaderFooterElement*>(ASection.GetEvenPageFooter()),
                                         static_cast<TvnHeaderFooterElement*>(ASection.GetDefaultPageFooter())})
    if (footer != nullptr) LayoutHeaderFooter(ASection, ASectionIndex, *footer, true);
}

// A header is laid out from the header distance down; a footer from the
// footer distance above the page bottom, and moved up by its own height
// when it runs past the page bottom.
void TvnWordLayoutEngine::LayoutHeaderFooter(TvnSection& ASection, int32_t ASectionIndex,
                                             TvnHeaderFooterElement& AElement, bool AIsFooter) {
  const int32_t width = ASection.GetPageWidth();
  const int32_t height = ASection.GetPageHeight();
  const int32_t left = MarginOf(ASection, &TvnPageMargins::GetLeft);
  const int32_t right = width - MarginOf(ASection, &TvnPageMargins::GetRight);
  int32_t top = AIsFooter ? height - MarginOf(ASection, &TvnPageMargins::GetFooter)
                          : MarginOf(ASection, &TvnPageMargins::GetHeader);
  LaidOutHeaderFooter laidOut;
  const size_t countsBefore = FNumPagesFieldList.size();
  std::unique_ptr<TvnHeaderFooterElementTag> tag;
  for (int pass = 0; pass < 2; ++pass) {
    tag = std::make_unique<TvnHeaderFooterElementTag>();
    TvnPageLayoutEngine engine(&ASection, ASectionIndex, 1, TRect{left, top, right, top + height});
    engine.SetCanvas(FCanvas);
    TvnPageStatus status;
    bool first = true;
    for (const auto& source : AElement.GetElements()) {
      if (auto* paragraph = dynamic_cast<TvnParagraph*>(source.get())) {
        uint8_t cause = 0;
        engine.ProcessParagraph(*paragraph, cause, tag.get(), 0, -1, 0, nullptr, &FNumPagesFieldList);
      } else if (auto* table = dynamic_cast<TvnTable*>(source.get())) {
        TvnTableLayoutEngine tables(&ASection, 0, status, engine);
        tables.ProcessTable(*table, false, false, first, nullptr, &FNumPagesFieldList, 1);
      }
      first = false;
    }
    engine.FinalizeLayout();
    laidOut.Items = engine.TakePageElements();
    laidOut.StartY = top;
    laidOut.EndY = engine.GetY();
    if (!AIsFooter || laidOut.EndY <= height || pass == 1) break;
    top = 2 * top - laidOut.EndY;
  }
  // The page numbers and page counts among the laid-out lines, so that
  // each page's copy can show its own.
  auto positionOf = [&laidOut](const TvnTextitem* AItem, std::vector<NumberPosition>& APositions) {
    for (size_t line = 0; AItem != nullptr && line < laidOut.Items.Count(); ++line) {
      const auto* textLine = dynamic_cast<const TvnTextLine*>(laidOut.Items[line]);
      if (textLine == nullptr) continue;
      for (size_t child = 0; child < textLine->Children().Count(); ++child)
        if (textLine->Children()[child] == AItem) APositions.push_back({line, child});
    }
  };
  for (TvnPageField* field : tag->GetPageFieldList()) positionOf(field->GetTextItem(), laidOut.PageNumbers);
  for (size_t i = countsBefore; i < FNumPagesFieldList.size(); ++i)
    if (auto* count = dynamic_cast<TvnNumPages*>(FNumPagesFieldList[i]))
      positionOf(count->GetTextItem(), laidOut.PageCounts);
  AElement.SetStartY(laidOut.StartY);
  AElement.SetEndY(laidOut.EndY);
  FHeaderFooters[&AElement] = std::move(laidOut);
}

const TvnWordLayoutEngine::LaidOutHeaderFooter* TvnWordLayoutEngine::ChoosePageHeaderFooter(bool AFooter) const {
  const TvnSection& section = *FExtractor.GetSections()[static_cast<size_t>(FCurrentSectionIndex)];
  const TvnHeaderFooterElement* element = nullptr;
  if (section.GetIsTitlePage() && FCurrentSectionPageNumber == 1) {
    element = AFooter ? static_cast<const TvnHeaderFooterElement*>(section.GetFirstPageFooter())
                      : section.GetFirstPageHeader();
  } else if (!section.GetIsEvenOddHeaders() || FCurrentSectionPageNumber % 2 == 1) {
    element = AFooter ? static_cast<const TvnHeaderFooterElement*>(section.GetDefaultPageFooter())
                      : section.GetDefaultPageHeader();
  } else {
    element =
        AFooter ? static_cast<const TvnHeaderFooterElement*>(section.GetEvenPageFooter()) : section.GetEvenPageHeader();
  }
  if (element == nullptr) return nullptr;
  auto found = FHeaderFooters.find(element);
  if (found == FHeaderFooters.end() || found->second.Items.Empty()) return nullptr;
  return &found->second;
}

// A top margin of 0 or less is taken as its absolute value whatever the
// header; otherwise the body starts below the header when that is lower.
int32_t TvnWordLayoutEngine::GetTopMargin() const {
  const TvnSection& section = *FExtractor.GetSections()[static_cast<size_t>(FCurrentSectionIndex)];
  const int32_t top = MarginOf(section, &TvnPageMargins::GetTop);
  if (top <= 0) return -top;
  const int32_t headerExtent =
      FCurrentHeaderTop == 0 ? 0 : std::max(FCurrentHeaderTop, MarginOf(section, &TvnPageMargins::GetHeader));
  return std::max(top, headerExtent);
}

int32_t TvnWordLayoutEngine::GetBottomMargin() const {
  const TvnSection& section = *FExtractor.GetSections()[static_cast<size_t>(FCurrentSectionIndex)];
  const int32_t bottom = MarginOf(section, &TvnPageMargins::GetBottom);
  if (bottom < 0) return -bottom;
  const int32_t footerExtent =
      FCurrentFooterBottom == 0 ? 0 : std::max(FCurrentFooterBottom, MarginOf(section, &TvnPageMargins::GetFooter));
  return std::max(bottom, footerExtent);
}

void TvnWordLayoutEngine::AddHeaderFooterCopy(const LaidOutHeaderFooter& AElement, TvnWordPage& APage) {
  LaidOutItems copies = AElement.Items.Clone();
  auto numberAt = [&copies](const NumberPosition& APosition) -> TvnTextitem* {
    auto* line = dynamic_cast<TvnTextLine*>(copies[APosition.Line]);
    if (line == nullptr || APosition.Child >= line->Children().Count()) return nullptr;
    return dynamic_cast<TvnTextitem*>(line->Children()[APosition.Child]);
  };
  for (const NumberPosition& position : AElement.PageNumbers)
    if (TvnTextitem* number = numberAt(position)) number->SetText(vn::IntToStr(FpageNumber));
  for (const NumberPosition& position : AElement.PageCounts)
    if (TvnTextitem* count = numberAt(position)) FPageCountItems.push_back(count);
  MoveLaidOutItems(copies, APage.PageElements());
}

// The border's sides measured from the page edges, or outside the text
// margins by the sides' spaces; a coordinate below 0 is taken as 0.
void TvnWordLayoutEngine::AddPageBorderLines(TvnPageBorderZOrder AZOrder, const TvnSection& ASection,
                                             int32_t ASectionPageNumber, LaidOutItems& ATarget) {
  const TvnPageBorder* border = ASection.GetPageBorder();
  if (border == nullptr || border->GetZOrder() != AZOrder) return;
  const TvnPageBorderDisplay display = border->GetPageBorderDisplay();
  const bool firstPage = ASectionPageNumber == 1;
  if ((display == TvnPageBorderDisplay::pbdFirstPage && !firstPage) ||
      (display == TvnPageBorderDisplay::pbdNotFirstPage && firstPage))
    return;
  auto spaceOf = [](const TvnBorder* ASide) { return ASide != nullptr ? ASide->GetSpace() : 0; };
  const int32_t width = ASection.GetPageWidth();
  const int32_t height = ASection.GetPageHeight();
  int32_t left = spaceOf(border->GetLeft());
  int32_t top = spaceOf(border->GetTop());
  int32_t right = width - spaceOf(border->GetRight());
  int32_t bottom = height - spaceOf(border->GetBottom());
  if (border->GetPageBorderOffsetFrom() == TvnPageBorderOffsetFrom::pbofText) {
    left = MarginOf(ASection, &TvnPageMargins::GetLeft) - spaceOf(border->GetLeft());
    top = MarginOf(ASection, &TvnPageMargins::GetTop) - spaceOf(border->GetTop());
    right = width + spaceOf(border->GetRight()) - MarginOf(ASection, &TvnPageMargins::GetRight);
    bottom = height + spaceOf(border->GetBottom()) - MarginOf(ASection, &TvnPageMargins::GetBottom);
  }
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::max(right, 0);
  bottom = std::max(bottom, 0);
  auto add = [&ATarget](const TvnBorder* ASide, int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2) {
    if (ASide == nullptr) return;
    auto line = std::make_unique<TvnLine>(AX1, AY1, AX2, AY2);
    line->GetPen()->SetColor(ASide->GetColor());
    line->GetPen()->SetWidth(ASide->GetBorderWidth());
    ATarget.Add(std::move(line));
  };
  add(border->GetTop(), left, top, right, top);
  add(border->GetBottom(), left, bottom, right, bottom);
  add(border->GetLeft(), left, bottom, left, top);
  add(border->GetRight(), right, bottom, right, top);
}

bool TvnWordLayoutEngine::Exhausted() const {
  return FCurrentPos >= FExtractor.GetElements().size() && !LeftOverHasMore(FLeftOver.Paragraph, FLeftOver.RunIndex) &&
         FPageState.GetLeftOverTable() == nullptr;
}

TvnSection& TvnWordLayoutEngine::CurrentSection() const {
  return *FExtractor.GetSections()[static_cast<size_t>(FCurrentSectionIndex)];
}

TvnWordLayoutEngine::FlowPoint TvnWordLayoutEngine::RawFlowPoint() const {
  return FlowPoint{FCurrentPos, FLeftOver, FPageState.GetLeftOverTable(), FPageState.GetLeftOverRow()};
}

TvnWordLayoutEngine::FlowPoint TvnWordLayoutEngine::CurrentFlowPoint() const {
  const std::vector<TvnDocItem*>& elements = FExtractor.GetElements();
  FlowPoint point = RawFlowPoint();
  const TvnDocItem* taken = point.Pos > 0 ? elements[point.Pos - 1] : nullptr;
  const bool paragraphNotBegun = point.Paragraph.Paragraph != nullptr && point.Paragraph.Paragraph == taken &&
                                 point.Paragraph.RunIndex == 0 && point.Paragraph.RunItemIndex == 0;
  const bool tableNotBegun = point.Table != nullptr && point.Table == taken && point.Row <= 0;
  if (paragraphNotBegun || tableNotBegun) return FlowPoint{point.Pos - 1, {}, nullptr, -1};
  return point;
}

void TvnWordLayoutEngine::RestoreFlowPoint(const FlowPoint& APoint) {
  FCurrentPos = APoint.Pos;
  FLeftOver = APoint.Paragraph;
  FPageState.SetLeftOverTable(APoint.Table);
  FPageState.SetLeftOverRow(APoint.Row);
}

TvnWordLayoutEngine::RestorePoint TvnWordLayoutEngine::TakeRestorePoint() const {
  return RestorePoint{RawFlowPoint(), FCurrentSectionIndex, FCurrentSectionPageNumber,
                      FPrevElement,   FTableStates.size(),  FPageItems.size()};
}

namespace {

// Calls AVisit for ATable and every table inside its cells, depth first,
// without recursion (tables may be nested deeply).
template <class Visit>
void ForEachNestedTable(TvnTable& ATable, Visit AVisit) {
  std::vector<TvnTable*> pending{&ATable};
  while (!pending.empty()) {
    TvnTable* table = pending.back();
    pending.pop_back();
    AVisit(*table);
    for (const auto& row : table->GetRows()) {
      if (row == nullptr) continue;
      for (const auto& cell : row->GetCells()) {
        if (cell == nullptr) continue;
        for (const auto& item : cell->GetDocItems())
          if (auto* nested = dynamic_cast<TvnTable*>(item.get())) pending.push_back(nested);
      }
    }
  }
}

template <class Visit>
void ForEachCell(TvnTable& ATable, Visit AVisit) {
  for (const auto& row : ATable.GetRows()) {
    if (row == nullptr) continue;
    for (const auto& cell : row->GetCells())
      if (cell != nullptr) AVisit(*cell);
  }
}

}  // namespace

void TvnWordLayoutEngine::RecordTableState(TvnTable& ATable) {
  TableState state;
  state.Table = &ATable;
  ForEachNestedTable(ATable, [&state](TvnTable& ATableIn) {
    state.RenderHeaderRows.push_back(TableTagOf(ATableIn)->GetRenderHeaderRows());
    ForEachCell(ATableIn, [&state](TvnTableCell& ACell) {
      state.Cells.push_back({ACell.GetCompletelyRendered(), ACell.GetItemIndex(), ACell.GetRunIndex(),
                             ACell.GetRunItemIndex(), ACell.GetRowIndex()});
    });
  });
  FTableStates.push_back(std::move(state));
}

void TvnWordLayoutEngine::RestoreTo(const RestorePoint& APoint) {
  RestoreFlowPoint(APoint.Flow);
  FCurrentSectionIndex = APoint.SectionIndex;
  FCurrentSectionPageNumber = APoint.SectionPageNumber;
  FPrevElement = APoint.PrevElement;
  // Latest first, so that each table ends as it stood at the point.
  while (FTableStates.size() > APoint.TableRecord) {
    const TableState& state = FTableStates.back();
    size_t table = 0;
    size_t cell = 0;
    ForEachNestedTable(*state.Table, [&state, &table, &cell](TvnTable& ATableIn) {
      if (table < state.RenderHeaderRows.size())
        TableTagOf(ATableIn)->SetRenderHeaderRows(state.RenderHeaderRows[table]);
      ++table;
      ForEachCell(ATableIn, [&state, &cell](TvnTableCell& ACell) {
        if (cell >= state.Cells.size()) return;
        const TableState::Cell& saved = state.Cells[cell++];
        ACell.SetCompletelyRendered(saved.CompletelyRendered);
        ACell.SetItemIndex(saved.ItemIndex);
        ACell.SetRunIndex(saved.RunIndex);
        ACell.SetRunItemIndex(saved.RunItemIndex);
        ACell.SetRowIndex(saved.RowIndex);
        ACell.GetInternalElements().clear();
        ACell.GetShadingElements().clear();
        ACell.GetBorderElements().clear();
      });
    });
    FTableStates.pop_back();
  }
  if (FPageItems.size() > APoint.PageItems) FPageItems.resize(APoint.PageItems);
}

TvnWordLayoutEngine::FlowPosition TvnWordLayoutEngine::PositionOf(const FlowPoint& APoint) const {
  const std::vector<TvnDocItem*>& elements = FExtractor.GetElements();
  const TvnDocItem* taken = APoint.Pos > 0 && APoint.Pos <= elements.size() ? elements[APoint.Pos - 1] : nullptr;
  if (taken != nullptr && APoint.Paragraph.Paragraph == taken &&
      LeftOverHasMore(APoint.Paragraph.Paragraph, APoint.Paragraph.RunIndex))
    return FlowPosition{APoint.Pos - 1, APoint.Paragraph.RunIndex, APoint.Paragraph.RunItemIndex};
  if (taken != nullptr && APoint.Table == taken) return FlowPosition{APoint.Pos - 1, std::max(APoint.Row, 0), 0};
  return FlowPosition{APoint.Pos, 0, 0};
}

TvnDocItem* TvnWordLayoutEngine::GetNextItem(size_t& AIndex, int32_t& AStartRun, int32_t& AStartRunItem) {
  const std::vector<TvnDocItem*>& elements = FExtractor.GetElements();
  AStartRun = 0;
  AStartRunItem = 0;
  AIndex = FCurrentPos > 0 ? FCurrentPos - 1 : 0;
  TvnDocItem* item = nullptr;
  if (LeftOverHasMore(FLeftOver.Paragraph, FLeftOver.RunIndex)) {
    item = FLeftOver.Paragraph;
    AStartRun = FLeftOver.RunIndex;
    AStartRunItem = FLeftOver.RunItemIndex;
    // A paragraph none of which was placed starts afresh: it keeps its
    // space before and first-line indent.
    ParagraphTagOf(*FLeftOver.Paragraph)->SetOverflowedParagraph(AStartRun > 0 || AStartRunItem > 0);
  } else if (FPageState.GetLeftOverTable() != nullptr) {
    item = FPageState.GetLeftOverTable();
  } else if (FCurrentPos < elements.size()) {
    AIndex = FCurrentPos;
    item = elements[FCurrentPos++];
    if (auto* paragraph = dynamic_cast<TvnParagraph*>(item)) ParagraphTagOf(*paragraph)->SetOverflowedParagraph(false);
    // The items of a page are chained, so that a drawing placed later can
    // find the text it lands on.
    if (item->GetPrevElement() == nullptr && FPrevElement != item) {
      item->SetPrevElement(FPrevElement);
      if (FPrevElement != nullptr) FPrevElement->SetNextElement(item);
    }
  }
  FLeftOver = PageLeftOver{};
  if (item != nullptr) FPrevElement = item;
  return item;
}

std::unique_ptr<TvnPageLayoutEngine> TvnWordLayoutEngine::NewParagraphEngine(const TRect& ARegion) {
  auto engine = std::make_unique<TvnPageLayoutEngine>(&CurrentSection(), FCurrentSectionIndex, FpageNumber, ARegion);
  engine->SetCanvas(FCanvas);
  // The drawings placed on the page so far are not placed again; text flows
  // round them.
  for (TvnDocItem* drawing : FPageDrawings) {
    engine->DrawingItems().push_back(drawing);
    if (dynamic_cast<TvnWordImage*>(drawing) != nullptr) engine->VisitedImageMap()[drawing] = true;
  }
  return engine;
}

LaidOutItems TvnWordLayoutEngine::AddDrawingLayers(TvnPageLayoutEngine& AEngine, LaidOutItems ABody) {
  LaidOutItems result;
  for (TvnDocItem* drawing : AEngine.BackgroundItems()) result.Add(drawing);
  MoveLaidOutItems(ABody, result);
  for (TvnDocItem* drawing : AEngine.ForegroundItems())
    if (!result.Contains(drawing)) result.Add(drawing);
  return result;
}

TvnWordLayoutEngine::ColumnEnd TvnWordLayoutEngine::LayoutColumn(TvnPageLayoutEngine& AEngine,
                                                                 const FlowPosition* ALimit, bool AFirstItem,
                                                                 bool AOneItem) {
  const std::vector<TvnDocItem*>& elements = FExtractor.GetElements();
  const std::vector<int32_t>& itemSections = FExtractor.GetElementSections();
  bool first = AFirstItem;
  int32_t prevSpaceAfter = 0;
  int32_t prevPitch = 0;
  while (true) {
    if (ALimit != nullptr && !(PositionOf(RawFlowPoint()) < *ALimit)) return ColumnEnd::Limit;
    size_t index = 0;
    int32_t startRun = 0;
    int32_t startRunItem = 0;
    TvnDocItem* item = GetNextItem(index, startRun, startRunItem);
    if (item == nullptr) return ColumnEnd::Exhausted;
    const size_t drawingsBefore = AEngine.DrawingItems().size();
    bool full = false;
    uint8_t cause = 0;
    bool atLimit = false;
    int32_t lastChild = -1;
    auto* paragraph = dynamic_cast<TvnParagraph*>(item);
    int32_t anchorChild = 0;
    if (auto* table = dynamic_cast<TvnTable*>(item)) {
      RecordTableState(*table);
      const bool leftOverTable = FPageState.GetLeftOverTable() == table;
      if (leftOverTable) anchorChild = std::max(FPageState.GetLeftOverRow(), 0);
      // A table keeps the space the paragraph before it asked for after it,
      // or that paragraph's fixed line pitch when larger.
      AEngine.SetY(AEngine.GetY() + std::max(prevSpaceAfter, prevPitch));
      AEngine.ClearPendingSpace();
      AEngine.ClearLeftOver();
      TvnTableLayoutEngine tables(&CurrentSection(), GetTopMargin(), FPageState, AEngine);
      full = tables.ProcessTable(*table, leftOverTable, false, first, nullptr, &FNumPagesFieldList, FpageNumber);
    } else if (paragraph != nullptr) {
      AEngine.ClearLeftOver();
      // At the limit, the paragraph is laid out up to the limit's child
      // (that child too when the limit lies inside it: a run holds no
      // drawing).
      atLimit = ALimit != nullptr && index == ALimit->Item;
      lastChild = atLimit ? (ALimit->ChildItem > 0 ? ALimit->Child : ALimit->Child - 1) : -1;
      anchorChild = startRun;
      full = AEngine.ProcessParagraph(*paragraph, cause, nullptr, startRunItem, lastChild, startRun, nullptr,
                                      &FNumPagesFieldList);
    }
    // The wrapping drawings the item placed join the page's, each with the
    // place it is anchored at (a paragraph places its children in order).
    const std::vector<TvnDocItem*>& drawings = AEngine.DrawingItems();
    int32_t cursor = anchorChild;
    for (size_t i = drawingsBefore; i < drawings.size(); ++i) {
      int32_t child = anchorChild;
      if (paragraph != nullptr) {
        int32_t c = cursor;
        while (c < paragraph->GetCount() && paragraph->GetItem(c) != drawings[i]) ++c;
        if (c < paragraph->GetCount()) child = cursor = c;
      }
      FPageDrawings.push_back(drawings[i]);
      FDrawingAnchors[drawings[i]] = FlowPosition{index, child, 0};
    }
    if (cause != 0) {
      // A wrapping drawing landed on text already placed.
      FRelayoutCause = drawings.size() > drawingsBefore ? FDrawingAnchors[drawings.back()]
                                                        : FlowPosition{index, startRun, startRunItem};
      return ColumnEnd::Relayout;
    }
    prevSpaceAfter = 0;
    prevPitch = 0;
    if (paragraph != nullptr) {
      const auto props = paragraph->GetFinalParagraphProperties();
      // 2147483647 marks a space after the paragraph does not set.
      prevSpaceAfter =
          props != nullptr && props->GetSpaceAfter() != 2147483647 ? std::max(0, props->GetSpaceAfter()) : 0;
      prevPitch = TvnPageLayoutEngine::GetLineSpacing(props.get(), 0);
      TvnParagraph* stopped = AEngine.GetPrevPara();
      if (full && LeftOverHasMore(stopped, AEngine.GetLeftOverRunIndex()))
        FLeftOver = PageLeftOver{stopped, AEngine.GetLeftOverRunIndex(), AEngine.GetLeftOverRunItemIndex()};
      if (atLimit && !full && lastChild + 1 < paragraph->GetCount()) {
        // The page ends at the limit.
        FLeftOver = PageLeftOver{paragraph, lastChild + 1, 0};
        if (FPageItems.empty() || FPageItems.back() != item) FPageItems.push_back(item);
        return ColumnEnd::Limit;
      }
    }
    if (FPageItems.empty() || FPageItems.back() != item) FPageItems.push_back(item);
    first = false;
    // An item that ends its section: what follows depends on the next
    // section's type.
    if (FLeftOver.Paragraph == nullptr && FPageState.GetLeftOverTable() == nullptr && FCurrentPos < elements.size() &&
        itemSections[FCurrentPos] > FCurrentSectionIndex) {
      FCurrentSectionIndex = itemSections[FCurrentPos];
      FCurrentSectionPageNumber = 0;
      return ColumnEnd::SectionEnded;
    }
    if (full || AOneItem) return ColumnEnd::Full;
  }
}

TvnWordLayoutEngine::ColumnsResult TvnWordLayoutEngine::LayoutColumns(TvnPageLayoutEngine& AEngine, int32_t AStartY,
                                                                      int32_t ABottom, const FlowPosition* ALimit,
                                                                      bool AOneItem, bool AFirstEach) {
  ColumnsResult result;
  const TvnSection& section = CurrentSection();
  int32_t x = MarginOf(section, &TvnPageMargins::GetLeft);
  const auto& columns = section.GetColumns();
  for (size_t i = 0; i < columns.size(); ++i) {
    const int32_t width = columns[i] != nullptr ? std::max(columns[i]->GetWidth(), 0) : 0;
    const int32_t space = columns[i] != nullptr ? columns[i]->GetSpace() : 0;
    AEngine.SetDisplayRegion(TRect{x, AStartY, x + width, ABottom});
    AEngine.Restart();
    result.End = LayoutColumn(AEngine, ALimit, i == 0 || AFirstEach, AOneItem);
    AEngine.FinalizeLayout();
    if (result.End == ColumnEnd::Relayout) return result;
    LaidOutItems items = AEngine.TakePageElements();
    result.ItemCount += static_cast<int32_t>(items.Count());
    result.UsedHeight += AEngine.GetY() - AStartY;
    auto column = std::make_unique<TvnColumn>();
    column->SetBoundingRect(TRect{x, AStartY, x + width, std::max(AEngine.GetY(), AStartY)});
    MoveLaidOutItems(items, column->Children());
    result.Items.Add(std::move(column));
    if (result.End != ColumnEnd::Full || AOneItem) break;
    x += width + space;
  }
  return result;
}

namespace {

bool ContinuesOnThePage(TvnSectionType AType) {
  return AType == TvnSectionType::stContinuous || AType == TvnSectionType::stColumnSection;
}

}  // namespace

TvnWordLayoutEngine::BodyResult TvnWordLayoutEngine::LayoutBody(int32_t AStartY, const FlowPosition* ALimit,
                                                                bool AOneItem) {
  BodyResult result;
  int32_t startY = AStartY;
  // One part per section on the page: a continuous section goes on below
  // the part before it.
  while (true) {
    const TvnSection& section = CurrentSection();
    const int32_t bottom = AOneItem ? startY + section.GetPageHeight() : section.GetPageHeight() - GetBottomMargin();
    const TRect region{MarginOf(section, &TvnPageMargins::GetLeft), startY,
                       section.GetPageWidth() - MarginOf(section, &TvnPageMargins::GetRight), bottom};
    std::unique_ptr<TvnPageLayoutEngine> engine = NewParagraphEngine(region);
    LaidOutItems items;
    ColumnEnd end = ColumnEnd::Full;
    bool goOn = false;
    int32_t nextY = startY;
    if (section.GetColumns().empty()) {
      end = LayoutColumn(*engine, ALimit, true, AOneItem);
      engine->FinalizeLayout();
      if (end == ColumnEnd::Relayout) {
        result.Relayout = true;
        return result;
      }
      items = engine->TakePageElements();
      nextY = engine->GetY();
      goOn = end == ColumnEnd::SectionEnded && ContinuesOnThePage(CurrentSection().GetSectionType());
    } else {
      const RestorePoint group = TakeRestorePoint();
      ColumnsResult columns = LayoutColumns(*engine, startY, bottom, ALimit, AOneItem, false);
      if (columns.End == ColumnEnd::Relayout) {
        result.Relayout = true;
        return result;
      }
      end = columns.End;
      items = std::move(columns.Items);
      const int32_t count = static_cast<int32_t>(section.GetColumns().size());
      const bool continues = end == ColumnEnd::SectionEnded && ContinuesOnThePage(CurrentSection().GetSectionType());
      if (continues && count == 1) {
        // A single column needs no balancing: the next section goes on
        // right below it.
        nextY = engine->GetY();
        goOn = true;
      } else if (continues && !AOneItem) {
        // Balance: the section's height spread over its columns, with room
        // for one and a half more of its average items. Balanced columns
        // that would pass the body's bottom are not tried.
        const int32_t average = vn::RoundToInt(static_cast<double>(columns.UsedHeight) /
                                               static_cast<double>(std::max(columns.ItemCount, 1)));
        const int32_t height = vn::RoundToInt(static_cast<double>(vn::RoundToInt(columns.UsedHeight + 1.5 * average)) /
                                              static_cast<double>(count));
        if (height < bottom - startY) {
          RestoreTo(group);
          std::unique_ptr<TvnPageLayoutEngine> balancedEngine = NewParagraphEngine(region);
          ColumnsResult balanced = LayoutColumns(*balancedEngine, startY, startY + height, ALimit, false, true);
          if (balanced.End == ColumnEnd::Relayout) {
            result.Relayout = true;
            return result;
          }
          if (balanced.End == ColumnEnd::SectionEnded) {
            items = std::move(balanced.Items);
            engine = std::move(balancedEngine);
            nextY = startY + height;
            goOn = true;
          } else {
            // The section does not fit its balanced columns: the columns
            // stay as first laid out, and nothing of it is lost.
            RestoreTo(group);
            engine = NewParagraphEngine(region);
            columns = LayoutColumns(*engine, startY, bottom, ALimit, AOneItem, false);
            if (columns.End == ColumnEnd::Relayout) {
              result.Relayout = true;
              return result;
            }
            items = std::move(columns.Items);
          }
        }
      }
    }
    LaidOutItems part = AddDrawingLayers(*engine, std::move(items));
    MoveLaidOutItems(part, result.Items);
    if (!goOn || AOneItem) break;
    startY = nextY;
  }
  return result;
}

LaidOutItems TvnWordLayoutEngine::LayoutPageBody(int32_t AStartY, bool AOneItem) {
  FPageDrawings.clear();
  FDrawingAnchors.clear();
  FlowPosition limit;
  bool limited = false;
  bool pruned = false;
  for (int pass = 1;; ++pass) {
    // Page counts are found on the page by their items: forget the items
    // of earlier passes, which are freed with them.
    for (TvnField* field : FNumPagesFieldList)
      if (auto* count = dynamic_cast<TvnNumPages*>(field)) count->SetTextItem(nullptr);
    BodyResult body = LayoutBody(AStartY, limited ? &limit : nullptr, AOneItem);
    if (!body.Relayout) {
      // Drawings of paragraphs that moved on to the next page are placed
      // there, not here.
      const FlowPosition from = PositionOf(FPageStart.Flow);
      const FlowPosition to = PositionOf(RawFlowPoint());
      const size_t gone = std::erase_if(FPageDrawings, [this, &from, &to](const TvnDocItem* ADrawing) {
        auto anchor = FDrawingAnchors.find(ADrawing);
        return anchor != FDrawingAnchors.end() && (anchor->second < from || !(anchor->second < to));
      });
      if (gone == 0 || pruned) return std::move(body.Items);
      // The text made room for them: the page is laid out once more
      // without them, up to where it ended.
      pruned = true;
      RestoreTo(FPageStart);
      limit = to;
      limited = true;
      continue;
    }
    RestoreTo(FPageStart);
    if (pass >= kGiveUpPasses) break;
    // Each pass places at least one drawing more; past the bound the page
    // ends just before the drawing that asked for this pass.
    if (pass >= kMaxLayoutPasses) {
      limit = FRelayoutCause;
      limited = true;
    }
  }
  FPageDrawings.clear();
  FDrawingAnchors.clear();
  return {};
}

void TvnWordLayoutEngine::CollectBodyPageCounts(const TvnWordPage& APage) {
  std::set<const TvnDocItem*> counts;
  for (TvnField* field : FNumPagesFieldList)
    if (auto* count = dynamic_cast<TvnNumPages*>(field); count != nullptr && count->GetTextItem() != nullptr)
      counts.insert(count->GetTextItem());
  if (counts.empty()) return;
  ForEachLine(APage.PageElements(), [this, &counts](TvnTextLine& ALine) {
    for (TvnDocItem* child : ALine.Children())
      if (counts.count(child) != 0) FPageCountItems.push_back(static_cast<TvnTextitem*>(child));
  });
}

std::unique_ptr<TvnWordPage> TvnWordLayoutEngine::GetNextPage() {
  if (FEnded || FExtractor.GetStop() || FExtractor.GetSections().empty() || Exhausted()) {
    FEnded = true;
    return nullptr;
  }
  ++FpageNumber;
  const TvnSection& section = CurrentSection();
  const int32_t width = section.GetPageWidth();
  const int32_t height = section.GetPageHeight();
  const LaidOutHeaderFooter* header = ChoosePageHeaderFooter(false);
  const LaidOutHeaderFooter* footer = ChoosePageHeaderFooter(true);
  FCurrentHeaderTop = header != nullptr ? header->EndY : 0;
  FCurrentFooterBottom = footer != nullptr ? height - (footer->StartY != 0 ? footer->StartY : height) : 0;
  const int32_t left = MarginOf(section, &TvnPageMargins::GetLeft);
  const int32_t right = MarginOf(section, &TvnPageMargins::GetRight);
  const int32_t top = GetTopMargin();
  const int32_t bottom = GetBottomMargin();
  auto page = std::make_unique<TvnWordPage>(width, bottom, right, top, left, height);

  // The chain of the page's items starts afresh.
  FPrevElement = nullptr;
  if (FLeftOver.Paragraph != nullptr) FLeftOver.Paragraph->SetPrevElement(nullptr);
  if (FPageState.GetLeftOverTable() != nullptr) FPageState.GetLeftOverTable()->SetPrevElement(nullptr);
  FTableStates.clear();
  FPageItems.clear();
  FPageStart = TakeRestorePoint();
  const FlowPoint start = CurrentFlowPoint();
  LaidOutItems body = LayoutPageBody(top, false);
  if (CurrentFlowPoint() == start) {
    // Nothing fitted: the next item alone, in a region a page high.
    RestoreTo(FPageStart);
    body = LayoutPageBody(top, true);
    if (CurrentFlowPoint() == start) {
      // Not even so: the item is skipped, so that the document ends.
      RestoreTo(FPageStart);
      RestoreFlowPoint(start);
      if (FLeftOver.Paragraph == nullptr && FPageState.GetLeftOverTable() == nullptr) {
        ++FCurrentPos;
      } else {
        FLeftOver = PageLeftOver{};
        FPageState.SetLeftOverTable(nullptr);
        FPageState.SetLeftOverRow(-1);
      }
    }
  }
  // Wrapping drawings first, then the header, the body and the footer,
  // the border of the section the page started in behind or in front.
  for (TvnDocItem* drawing : FPageDrawings) page->PageElements().Add(drawing);
  if (header != nullptr) AddHeaderFooterCopy(*header, *page);
  AddPageBorderLines(TvnPageBorderZOrder::pbzBack, section, FPageStart.SectionPageNumber, page->PageElements());
  MoveLaidOutItems(body, page->PageElements());
  CollectBodyPageCounts(*page);
  if (footer != nullptr) AddHeaderFooterCopy(*footer, *page);
  AddPageBorderLines(TvnPageBorderZOrder::pbzFront, section, FPageStart.SectionPageNumber, page->PageElements());
  page->SetRawElements(FPageItems);
  // Every line gets the page's index; its words, in page order (header,
  // body, footer), make the page's search text.
  const int32_t pageIndex = FpageNumber - 1;
  auto searchText = std::make_unique<TvnRawPageTextItems>();
  ForEachLine(page->PageElements(), [pageIndex, &searchText](TvnTextLine& ALine) {
    ALine.SetPageNumber(pageIndex);
    for (TvnDocItem* child : ALine.Children()) {
      child->SetPageNumber(pageIndex);
      if (auto* text = dynamic_cast<TvnTextitem*>(child)) {
        searchText->GetTextBuilder() += text->GetText();
        searchText->GetItems().push_back(text);
        searchText->GetBoundingRects().push_back(text->GetBoundingRect());
      }
    }
  });
  page->SetRawSearchItems(std::move(searchText));

  const String pageCount = vn::IntToStr(FpageNumber);
  for (TvnTextitem* count : FPageCountItems) count->SetText(pageCount);
  ++FCurrentSectionPageNumber;
  return page;
}

}  // namespace vn::wordmodel
