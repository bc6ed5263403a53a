#include "wordmodel/pagination_engine.h"

#include <algorithm>
#include <utility>

#include "framework/canvas.h"
#include "wordmodel/fields.h"
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
void TvnWordLayoutEngine::AddPageBorderLines(TvnPageBorderZOrder AZOrder, TvnWordPage& APage) const {
  const TvnSection& section = *FExtractor.GetSections()[static_cast<size_t>(FCurrentSectionIndex)];
  const TvnPageBorder* border = section.GetPageBorder();
  if (border == nullptr || border->GetZOrder() != AZOrder) return;
  const TvnPageBorderDisplay display = border->GetPageBorderDisplay();
  const bool firstPage = FCurrentSectionPageNumber == 1;
  if ((display == TvnPageBorderDisplay::pbdFirstPage && !firstPage) ||
      (display == TvnPageBorderDisplay::pbdNotFirstPage && firstPage))
    return;
  auto spaceOf = [](const TvnBorder* ASide) { return ASide != nullptr ? ASide->GetSpace() : 0; };
  const int32_t width = section.GetPageWidth();
  const int32_t height = section.GetPageHeight();
  int32_t left = spaceOf(border->GetLeft());
  int32_t top = spaceOf(border->GetTop());
  int32_t right = width - spaceOf(border->GetRight());
  int32_t bottom = height - spaceOf(border->GetBottom());
  if (border->GetPageBorderOffsetFrom() == TvnPageBorderOffsetFrom::pbofText) {
    left = MarginOf(section, &TvnPageMargins::GetLeft) - spaceOf(border->GetLeft());
    top = MarginOf(section, &TvnPageMargins::GetTop) - spaceOf(border->GetTop());
    right = width + spaceOf(border->GetRight()) - MarginOf(section, &TvnPageMargins::GetRight);
    bottom = height + spaceOf(border->GetBottom()) - MarginOf(section, &TvnPageMargins::GetBottom);
  }
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::max(right, 0);
  bottom = std::max(bottom, 0);
  auto add = [&APage](const TvnBorder* ASide, int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2) {
    if (ASide == nullptr) return;
    auto line = std::make_unique<TvnLine>(AX1, AY1, AX2, AY2);
    line->GetPen()->SetColor(ASide->GetColor());
    line->GetPen()->SetWidth(ASide->GetBorderWidth());
    APage.PageElements().Add(std::move(line));
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

TvnWordLayoutEngine::FlowPoint TvnWordLayoutEngine::CurrentFlowPoint() const {
  const std::vector<TvnDocItem*>& elements = FExtractor.GetElements();
  FlowPoint point{FCurrentPos, FLeftOver, FPageState.GetLeftOverTable(), FPageState.GetLeftOverRow()};
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

LaidOutItems TvnWordLayoutEngine::LayoutBody(const TRect& ARegion, bool AOneItem) {
  const std::vector<TvnSection*>& sections = FExtractor.GetSections();
  const std::vector<TvnDocItem*>& elements = FExtractor.GetElements();
  TvnSection* section = sections[static_cast<size_t>(FCurrentSectionIndex)];
  TvnPageLayoutEngine engine(section, FCurrentSectionIndex, FpageNumber, ARegion);
  engine.SetCanvas(FCanvas);
  bool first = true;
  int32_t prevSpaceAfter = 0;
  while (true) {
    // The next item: a left-over paragraph or table first, then the body.
    TvnDocItem* item = nullptr;
    int32_t startRun = 0;
    int32_t startRunItem = 0;
    if (LeftOverHasMore(FLeftOver.Paragraph, FLeftOver.RunIndex)) {
      item = FLeftOver.Paragraph;
      startRun = FLeftOver.RunIndex;
      startRunItem = FLeftOver.RunItemIndex;
      ParagraphTagOf(*FLeftOver.Paragraph)->SetOverflowedParagraph(true);
    } else if (FPageState.GetLeftOverTable() != nullptr) {
      item = FPageState.GetLeftOverTable();
    } else if (FCurrentPos < elements.size()) {
      item = elements[FCurrentPos++];
    }
    FLeftOver = PageLeftOver{};
    if (item == nullptr) break;

    bool full = false;
    if (auto* table = dynamic_cast<TvnTable*>(item)) {
      // A table keeps the space the paragraph before it asked for after it.
      engine.SetY(engine.GetY() + prevSpaceAfter);
      engine.ClearPendingSpace();
      engine.ClearLeftOver();
      TvnTableLayoutEngine tables(section, ARegion.Top, FPageState, engine);
      const bool leftOverTable = FPageState.GetLeftOverTable() == table;
      full = tables.ProcessTable(*table, leftOverTable, false, first, nullptr, &FNumPagesFieldList, FpageNumber);
      prevSpaceAfter = 0;
    } else if (auto* paragraph = dynamic_cast<TvnParagraph*>(item)) {
      engine.ClearLeftOver();
      uint8_t cause = 0;
      full =
          engine.ProcessParagraph(*paragraph, cause, nullptr, startRunItem, -1, startRun, nullptr, &FNumPagesFieldList);
      const auto props = paragraph->GetFinalParagraphProperties();
      // 2147483647 marks a space after the paragraph does not set.
      prevSpaceAfter =
          props != nullptr && props->GetSpaceAfter() != 2147483647 ? std::max(0, props->GetSpaceAfter()) : 0;
      TvnParagraph* stopped = engine.GetPrevPara();
      if (full && LeftOverHasMore(stopped, engine.GetLeftOverRunIndex()))
        FLeftOver = PageLeftOver{stopped, engine.GetLeftOverRunIndex(), engine.GetLeftOverRunItemIndex()};
    }
    // An item that ends its section: the next section starts on a new page
    // unless it is continuous or starts in the next column.
    const std::vector<int32_t>& itemSections = FExtractor.GetElementSections();
    if (FLeftOver.Paragraph == nullptr && FPageState.GetLeftOverTable() == nullptr && FCurrentPos < elements.size() &&
        itemSections[FCurrentPos] > FCurrentSectionIndex) {
      FCurrentSectionIndex = itemSections[FCurrentPos];
      FCurrentSectionPageNumber = 0;
      const TvnSectionType type = sections[static_cast<size_t>(FCurrentSectionIndex)]->GetSectionType();
      if (type != TvnSectionType::stContinuous && type != TvnSectionType::stColumnSection) full = true;
    }
    first = false;
    if (full || AOneItem) break;
  }
  engine.FinalizeLayout();
  // Drawings behind the text, the text, drawings in front of it.
  LaidOutItems body = engine.TakePageElements();
  LaidOutItems result;
  for (TvnDocItem* drawing : engine.BackgroundItems()) result.Add(drawing);
  MoveLaidOutItems(body, result);
  for (TvnDocItem* drawing : engine.DrawingItems())
    if (!result.Contains(drawing)) result.Add(drawing);
  for (TvnDocItem* drawing : engine.ForegroundItems())
    if (!result.Contains(drawing)) result.Add(drawing);
  return result;
}

std::unique_ptr<TvnWordPage> TvnWordLayoutEngine::GetNextPage() {
  if (FEnded || FExtractor.GetStop() || FExtractor.GetSections().empty() || Exhausted()) {
    FEnded = true;
    return nullptr;
  }
  ++FpageNumber;
  const TvnSection& section = *FExtractor.GetSections()[static_cast<size_t>(FCurrentSectionIndex)];
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

  const FlowPoint start = CurrentFlowPoint();
  const int32_t startSection = FCurrentSectionIndex;
  const int32_t startSectionPage = FCurrentSectionPageNumber;
  if (header != nullptr) {
    AddHeaderFooterCopy(*header, *page);
  }
  AddPageBorderLines(TvnPageBorderZOrder::pbzBack, *page);
  const size_t countsBefore = FNumPagesFieldList.size();
  std::vector<TvnTextitem*> countsShownBefore;
  for (TvnField* field : FNumPagesFieldList) {
    auto* count = dynamic_cast<TvnNumPages*>(field);
    countsShownBefore.push_back(count != nullptr ? count->GetTextItem() : nullptr);
  }
  LaidOutItems body = LayoutBody(TRect{left, top, width - right, height - bottom}, false);
  if (CurrentFlowPoint() == start) {
    // Nothing fitted: the next item alone, in a region a page high.
    RestoreFlowPoint(start);
    FCurrentSectionIndex = startSection;
    FCurrentSectionPageNumber = startSectionPage;
    body = LayoutBody(TRect{left, top, width - right, top + height}, true);
    if (CurrentFlowPoint() == start) {
      // Not even so: the item is skipped, so that the document ends.
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
  // Page counts the body laid out on this page: fields met for the first
  // time, and known fields that show a new item (laid out again).
  for (size_t i = 0; i < FNumPagesFieldList.size(); ++i) {
    auto* count = dynamic_cast<TvnNumPages*>(FNumPagesFieldList[i]);
    if (count == nullptr || count->GetTextItem() == nullptr) continue;
    if (i >= countsBefore || countsShownBefore[i] != count->GetTextItem())
      FPageCountItems.push_back(count->GetTextItem());
  }
  MoveLaidOutItems(body, page->PageElements());
  if (footer != nullptr) {
    AddHeaderFooterCopy(*footer, *page);
  }
  AddPageBorderLines(TvnPageBorderZOrder::pbzFront, *page);
  const int32_t pageIndex = FpageNumber - 1;
  for (TvnDocItem* item : page->PageElements()) {
    if (auto* line = dynamic_cast<TvnTextLine*>(item)) {
      line->SetPageNumber(pageIndex);
      for (TvnDocItem* child : line->Children()) child->SetPageNumber(pageIndex);
    }
  }

  const String pageCount = vn::IntToStr(FpageNumber);
  for (TvnTextitem* count : FPageCountItems) count->SetText(pageCount);
  ++FCurrentSectionPageNumber;
  return page;
}

}  // namespace vn::wordmodel
