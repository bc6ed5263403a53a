#include "rtf/paragraph_analyzer.h"

#include <algorithm>
#include <cmath>

#include "runtime/numbers.h"

namespace vn::rtf::analyzer {

using wordmodel::TvnDocItem;
using wordmodel::TvnFormatterColumns;
using wordmodel::TvnFormatterGroup;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnFormatterParagraph;
using wordmodel::TvnFormatterTable;
using wordmodel::TvnFormatterWordColumns;
using wordmodel::TvnHAlignment;
using wordmodel::TvnRectF;
using wordmodel::TvnTextElement;
using wordmodel::TvnUnFormattedSection;

namespace {

// The groups of an item: itself, or those of every cell of a table.
std::vector<const TvnFormatterGroup*> GroupsOf(const TvnDocItem* AItem) {
  std::vector<const TvnFormatterGroup*> result;
  if (const auto* g = dynamic_cast<const TvnFormatterGroup*>(AItem)) {
    result.push_back(g);
  } else if (const auto* t = dynamic_cast<const TvnFormatterTable*>(AItem)) {
    for (const auto* row : t->GetRows()) {
      for (const auto* cell : row->GetCells()) {
        for (const TvnDocItem* i : cell->GetDocItems()) {
          if (const auto* cg = dynamic_cast<const TvnFormatterGroup*>(i)) result.push_back(cg);
        }
      }
    }
  }
  return result;
}

// Left, top, right and bottom of the groups of AItem, from the sentinels.
struct GroupExtent {
  double Left = kMinStart, Top = kMinStart, Right = kMaxStart, Bottom = kMaxStart;
  void Add(const TvnDocItem* AItem) {
    for (const TvnFormatterGroup* g : GroupsOf(AItem)) {
      const TvnRectF& r = ItemRect(g);
      Left = std::min(Left, r.GetLeft());
      Top = std::min(Top, r.GetTop());
      Right = std::max(Right, r.GetRight());
      Bottom = std::max(Bottom, r.GetBottom());
    }
  }
};

TvnRectF SectionBounds(const TvnUnFormattedSection* ASection) {
  GroupExtent e;
  for (const TvnFormatterColumns* c : ASection->GetColumns()) {
    for (const TvnDocItem* i : c->GetDocItems()) e.Add(i);
  }
  return TvnRectF(e.Left, e.Top, e.Right - e.Left, e.Bottom - e.Top);
}

std::vector<const TvnTextElement*> TextElementsOf(const TvnFormatterLine* ALine) {
  std::vector<const TvnTextElement*> result;
  if (!ALine) return result;
  for (const TvnDocItem* i : ALine->GetDocItems()) {
    if (const auto* e = dynamic_cast<const TvnTextElement*>(i)) result.push_back(e);
  }
  return result;
}

double LineTop(const TvnFormatterLine* ALine) { return ItemRect(ALine).GetY() - ItemRect(ALine).GetHeight(); }

// A line's font is uniform unless an element differs from its first one in
// face, size and style at once.
bool UniformFont(const std::vector<const TvnTextElement*>& AElements, const framework::TvnFont& AFirst) {
  for (const TvnTextElement* e : AElements) {
    const framework::TvnFont* f = e->GetFont();
    if (f && f->GetName() != AFirst.GetName() && f->GetSize() != AFirst.GetSize() &&
        !(f->GetStyle() == AFirst.GetStyle())) {
      return false;
    }
  }
  return true;
}

const framework::TvnFont* FirstFont(const std::vector<const TvnTextElement*>& AElements) {
  return AElements.empty() ? nullptr : AElements.front()->GetFont();
}

// Whether the fonts of P and L say L belongs to another paragraph.
bool FontsSeparate(const TvnFormatterLine* P, const TvnFormatterLine* L) {
  const auto pe = TextElementsOf(P);
  const auto le = TextElementsOf(L);
  const framework::TvnFont* fp = FirstFont(pe);
  const framework::TvnFont* fl = FirstFont(le);
  if (!fp || !fl) return false;
  if (UniformFont(pe, *fp) && UniformFont(le, *fl)) {
    return std::abs(fp->GetSize() - fl->GetSize()) > 1 || fp->GetName() != fl->GetName() ||
           !(fp->GetStyle() == fl->GetStyle());
  }
  return fp->GetName() == u"Arial" && fp->GetSize() == 1 && fl->GetName() == u"Arial" && fl->GetSize() == 1;
}

}  // namespace

double TvnParagraphAnalyzer::LeftMargin() const { return FPageMargin ? FPageMargin->GetLeft() : 0.0; }

double TvnParagraphAnalyzer::RightMargin() const { return FPageMargin ? FPageMargin->GetRight() : 0.0; }

TvnFormatterParagraph* TvnParagraphAnalyzer::Spacer(double ASpaceBefore, double ASpaceAfter) {
  auto* spacer = FArena.Make<TvnFormatterParagraph>();
  spacer->SetSpaceBefore(ASpaceBefore);
  spacer->SetSpaceAfter(ASpaceAfter);
  spacer->SetLineSpacing(14);
  return spacer;
}

bool TvnParagraphAnalyzer::SameColumnPattern(const TvnFormatterLine* P, const TvnFormatterLine* L,
                                             const TvnFormatterLine* N) {
  const auto le = TextElementsOf(L);
  if (le.size() < 2) return false;
  const auto x = [](const TvnTextElement* e) { return ItemRect(e).GetX(); };
  const auto same = [](double a, double b) { return Within(a, b, 3.1); };
  for (const TvnFormatterLine* other : {P, N}) {
    const auto oe = TextElementsOf(other);
    if (oe.size() >= 2) {
      if (same(x(le[0]), x(oe[0])) && same(x(le[1]), x(oe[1]))) return true;
      if (same(x(le[1]), x(oe[0]))) return true;
    } else if (oe.size() == 1 && same(x(le[1]), x(oe[0]))) {
      return true;
    }
  }
  return false;
}

TvnParagraphAnalyzer::Items TvnParagraphAnalyzer::SplitParagraphs(const TvnFormatterGroup* AGroup, bool ASingleColumn,
                                                                  double ARight, double ALeft, bool AInCell) {
  std::vector<const TvnFormatterLine*> lines;
  for (const TvnDocItem* i : AGroup->GetDocItems()) {
    if (const auto* l = dynamic_cast<const TvnFormatterLine*>(i)) lines.push_back(l);
  }
  const bool ownBounds = !ASingleColumn || AInCell;
  const double textWidth = FPageWidth - LeftMargin() - RightMargin();
  const double minFull = 0.4 * (ownBounds ? ARight - ALeft : textWidth);
  const double rightBound = ownBounds ? ARight : FPageWidth - RightMargin();
  const double leftBound = ownBounds ? ALeft : LeftMargin();

  std::vector<std::vector<const TvnFormatterLine*>> closed;
  std::vector<const TvnFormatterLine*> current;
  double T = 0;
  double ratio = -1, previousRatio = -1;
  const auto close = [&] {
    if (!current.empty()) closed.push_back(std::move(current));
    current.clear();
    T = 0;
  };
  for (size_t h = 0; h < lines.size(); ++h) {
    const TvnFormatterLine* L = lines[h];
    const TvnFormatterLine* P = h > 0 ? lines[h - 1] : nullptr;
    const TvnFormatterLine* N = h + 1 < lines.size() ? lines[h + 1] : nullptr;
    const double width = ItemRect(L).GetWidth();
    previousRatio = ratio;
    double s = 0;
    for (const TvnTextElement* e : TextElementsOf(L)) {
      if (e->GetFont()) s = std::max(s, static_cast<double>(e->GetFont()->GetSize()));
    }
    if (!(s > 0)) s = 11;
    // The line pitch runs from baseline to baseline: a line's top comes
    // from the ink of its letters (a line of x-height letters stands lower
    // than one with capitals), and the pitch between tops changes by that
    // much from line to line, enough to hide the wider step between
    // paragraphs of the same font.
    if (N) ratio = (ItemRect(N).GetY() - ItemRect(L).GetY()) / s;
    if (!current.empty()) {
      T = std::max(T, 0.65 * width);
      const bool outdented = current.size() > 1 && ItemRect(L).GetX() - ItemRect(P).GetX() < -2 &&
                             Within(ItemRect(L).GetX(), ItemRect(current.front()).GetX(), 3.1);
      if (outdented || ItemRect(P).GetWidth() < T || SameColumnPattern(P, L, N) || FontsSeparate(P, L)) {
        close();
      } else {
        current.push_back(L);
        if (std::fabs(previousRatio - ratio) > 0.5 || width < minFull || width < T) close();
        continue;
      }
    }
    // L starts a paragraph; a short line stands alone.
    current.push_back(L);
    T = 0.65 * width;
    if (width < minFull) close();
  }
  close();

  Items result;
  for (size_t p = 0; p < closed.size(); ++p) {
    const double nextTop = p + 1 < closed.size() ? LineTop(closed[p + 1].front()) : 0;
    TvnFormatterParagraph* paragraph = BuildParagraph(closed[p], nextTop, rightBound, leftBound);
    for (const TvnFormatterLine* line : closed[p]) {
      if (paragraph->GetHAlignment() != TvnHAlignment::haJustify) {
        for (auto* tab : FindTabs(line, ALeft)) paragraph->GetTabs().push_back(tab);
      }
      SeparateWords(line);
      auto& items = paragraph->GetDocItems();
      items.insert(items.end(), line->GetDocItems().begin(), line->GetDocItems().end());
      // Each line ends in a line break, so the words at the ends of two
      // lines stay apart.
      auto* lineBreak = FArena.Make<TvnTextElement>();
      lineBreak->SetTextBreak(wordmodel::TvnBreakType::btLine);
      items.push_back(lineBreak);
    }
    result.push_back(paragraph);
  }
  return result;
}

void TvnParagraphAnalyzer::LayoutTable(TvnFormatterTable* ATable, bool ASingleColumn, double ALeftEdge) {
  auto* margin = ATable->GetMargin();
  margin->SetLeft(0);
  margin->SetTop(0);
  margin->SetRight(0);
  margin->SetBottom(0);
  std::vector<double> maxR, minL;
  for (const auto* row : ATable->GetRows()) {
    const auto& cells = row->GetCells();
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i >= maxR.size()) {
        maxR.push_back(kMaxStart);
        minL.push_back(kMinStart);
      }
      for (const TvnDocItem* item : cells[i]->GetDocItems()) {
        GroupExtent e;
        e.Add(item);
        maxR[i] = std::max(maxR[i], e.Right);
        minL[i] = std::min(minL[i], e.Left);
      }
    }
  }
  if (minL.empty()) return;
  ATable->SetIndent(minL[0] - (ASingleColumn ? LeftMargin() : ALeftEdge));
  for (auto* row : ATable->GetRows()) {
    margin->SetLeft(RoundToInt(minL[0]));
    auto& cells = row->GetCells();
    double e = minL[0];
    for (size_t i = 0; i + 1 < cells.size(); ++i) {
      const double b = maxR[i] + (minL[i + 1] - maxR[i]) / 2;
      cells[i]->SetWidth(b - e);
      e = b;
    }
    if (cells.size() > 1) cells.back()->SetWidth(maxR.back() - e);
  }
  ATable->GetGridColumnWidths().clear();
  if (!ATable->GetRows().empty()) {
    for (const auto* cell : ATable->GetRows().front()->GetCells()) {
      ATable->GetGridColumnWidths().push_back(RoundToInt(cell->GetWidth()));
    }
  }
}

void TvnParagraphAnalyzer::SplitAlignedRows(TvnFormatterTable* ATable) {
  const auto firstBaseline = [](const TvnDocItem* AParagraph) {
    for (const TvnDocItem* i : static_cast<const TvnFormatterParagraph*>(AParagraph)->GetDocItems()) {
      if (const auto* e = dynamic_cast<const TvnTextElement*>(i); e && e->GetTextBreak() != wordmodel::TvnBreakType::btLine) {
        return ItemRect(e).GetY();
      }
    }
    return kMinStart;
  };
  std::vector<wordmodel::TvnFormatterTableRow*> rows;
  for (wordmodel::TvnFormatterTableRow* row : ATable->GetRows()) {
    const auto& cells = row->GetCells();
    const size_t k = cells.empty() ? 0 : cells.front()->GetDocItems().size();
    bool aligned = cells.size() > 1 && k > 1;
    for (size_t p = 0; aligned && p < k; ++p) {
      for (const wordmodel::TvnFormatterTableCell* cell : cells) {
        aligned = aligned && cell->GetDocItems().size() == k &&
                  Within(firstBaseline(cell->GetDocItems()[p]), firstBaseline(cells.front()->GetDocItems()[p]), 3.1);
      }
    }
    if (!aligned) {
      rows.push_back(row);
      continue;
    }
    for (size_t p = 0; p < k; ++p) {
      auto* part = FArena.Make<wordmodel::TvnFormatterTableRow>();
      for (const wordmodel::TvnFormatterTableCell* cell : cells) {
        auto* partCell = FArena.Make<wordmodel::TvnFormatterTableCell>();
        partCell->SetWidth(cell->GetWidth());
        partCell->GetDocItems().push_back(cell->GetDocItems()[p]);
        part->GetCells().push_back(partCell);
      }
      rows.push_back(part);
    }
  }
  ATable->GetRows() = std::move(rows);
}

void TvnParagraphAnalyzer::SplitLabelledRows(TvnFormatterTable* ATable) {
  using Lines = std::vector<TvnFormatterLine*>;
  const auto linesOf = [](const wordmodel::TvnFormatterTableCell* ACell) {
    Lines lines;
    for (TvnDocItem* item : ACell->GetDocItems()) {
      const auto* g = dynamic_cast<const TvnFormatterGroup*>(item);
      if (!g) continue;
      for (TvnDocItem* i : g->GetDocItems())
        if (auto* l = dynamic_cast<TvnFormatterLine*>(i)) lines.push_back(l);
    }
    std::stable_sort(lines.begin(), lines.end(), [](const TvnFormatterLine* a, const TvnFormatterLine* b) {
      return ItemRect(a).GetY() < ItemRect(b).GetY();
    });
    return lines;
  };
  std::vector<wordmodel::TvnFormatterTableRow*> rows;
  for (wordmodel::TvnFormatterTableRow* row : ATable->GetRows()) {
    const auto& cells = row->GetCells();
    const Lines labels = cells.size() > 1 ? linesOf(cells.front()) : Lines();
    // bands[c][j]: the lines of cell c from label j down to the next one.
    std::vector<std::vector<Lines>> bands(cells.size(), std::vector<Lines>(labels.size()));
    bool labelled = labels.size() > 1;
    bool wrapped = false;
    for (size_t c = 0; labelled && c < cells.size(); ++c) {
      if (c == 0) {
        for (size_t j = 0; j < labels.size(); ++j) bands[0][j].push_back(labels[j]);
        continue;
      }
      for (TvnFormatterLine* line : linesOf(cells[c])) {
        const double baseline = ItemRect(line).GetY();
        size_t j = labels.size();
        for (size_t k = 0; k < labels.size(); ++k)
          if (ItemRect(labels[k]).GetY() - ItemRect(labels[k]).GetHeight() <= baseline) j = k;
        // A line above the first label: not a row of labels.
        if (j == labels.size()) {
          labelled = false;
          break;
        }
        bands[c][j].push_back(line);
      }
      for (size_t j = 0; labelled && j < labels.size(); ++j) {
        const Lines& band = bands[c][j];
        // A value starts beside its label: its baseline within 0.6 of the
        // label's height (cells may centre a label beside a value of
        // another height).
        if (!band.empty() &&
            !Within(ItemRect(band.front()).GetY(), ItemRect(labels[j]).GetY(), 0.6 * ItemRect(labels[j]).GetHeight()))
          labelled = false;
        // A value running on before the next label marks the labels.
        if (band.size() > 1 && j + 1 < labels.size()) wrapped = true;
      }
    }
    // Labels stand apart where a value runs on: lines of one paragraph
    // follow each other at one pitch.
    double minGap = kMinStart, maxGap = 0;
    for (size_t j = 1; j < labels.size(); ++j) {
      const double gap = ItemRect(labels[j]).GetY() - ItemRect(labels[j - 1]).GetY();
      minGap = std::min(minGap, gap);
      maxGap = std::max(maxGap, gap);
    }
    if (!labelled || !wrapped || !(maxGap >= 1.5 * minGap)) {
      rows.push_back(row);
      continue;
    }
    for (size_t j = 0; j < labels.size(); ++j) {
      auto* part = FArena.Make<wordmodel::TvnFormatterTableRow>();
      for (size_t c = 0; c < cells.size(); ++c) {
        auto* cell = FArena.Make<wordmodel::TvnFormatterTableCell>();
        if (!bands[c][j].empty()) {
          auto* group = FArena.Make<TvnFormatterGroup>();
          group->GetDocItems().assign(bands[c][j].begin(), bands[c][j].end());
          group->SetGroupInTable(true);
          SetGroupBounds(group);
          cell->GetDocItems().push_back(group);
        }
        part->GetCells().push_back(cell);
      }
      rows.push_back(part);
    }
  }
  ATable->GetRows() = std::move(rows);
}

void TvnParagraphAnalyzer::RewriteColumn(TvnFormatterColumns* AColumn, bool ASingleColumn, const TvnRectF& ABounds) {
  if (!AColumn->GetBoundingRect()) {
    AColumn->SetBoundingRect(std::make_shared<TvnRectF>(LeftMargin(), 0, FPageWidth - RightMargin(), 0));
  }
  const TvnRectF& columnRect = *AColumn->GetBoundingRect();
  const Items items = AColumn->GetDocItems();
  Items rewritten;
  for (size_t k = 0; k < items.size(); ++k) {
    TvnDocItem* I = items[k];
    const bool last = k + 1 == items.size();
    double bottom = kMaxStart, top = kMinStart;
    if (!last) {
      GroupExtent here, next;
      here.Add(I);
      next.Add(items[k + 1]);
      bottom = here.Bottom;
      top = std::min(next.Top, kMinStart);
    }
    if (auto* table = dynamic_cast<TvnFormatterTable*>(I)) {
      SplitLabelledRows(table);
      LayoutTable(table, ASingleColumn, columnRect.GetLeft());
      for (auto* row : table->GetRows()) {
        double g = table->GetMargin()->GetLeft();
        for (auto* cell : row->GetCells()) {
          Items paragraphs;
          for (const TvnDocItem* item : cell->GetDocItems()) {
            if (const auto* group = dynamic_cast<const TvnFormatterGroup*>(item)) {
              const Items made = SplitParagraphs(group, ASingleColumn, g + cell->GetWidth(), g, true);
              paragraphs.insert(paragraphs.end(), made.begin(), made.end());
            }
          }
          cell->GetDocItems() = std::move(paragraphs);
          g += cell->GetWidth();
        }
      }
      SplitAlignedRows(table);
      rewritten.push_back(Spacer(0, 0));
      static_cast<TvnFormatterParagraph*>(rewritten.back())->SetLineSpacing(0);
      rewritten.push_back(table);
      rewritten.push_back(Spacer(0, 0));
      static_cast<TvnFormatterParagraph*>(rewritten.back())->SetLineSpacing(0);
      auto* margin = table->GetMargin();
      margin->SetLeft(0);
      margin->SetTop(0);
      margin->SetRight(0);
      margin->SetBottom(0);
    } else if (const auto* group = dynamic_cast<const TvnFormatterGroup*>(I)) {
      const TvnRectF& gr = ItemRect(group);
      if (k == 0 && gr.GetTop() - ABounds.GetTop() > 0) {
        rewritten.push_back(Spacer(static_cast<double>(Round(gr.GetTop() - ABounds.GetTop())), 8));
      }
      const Items made = columnRect.GetWidth() != 0 && !ASingleColumn
                             ? SplitParagraphs(group, false, columnRect.GetRight(), columnRect.GetLeft(), false)
                             : SplitParagraphs(group, ASingleColumn, 0, 0, false);
      rewritten.insert(rewritten.end(), made.begin(), made.end());
    }
    if (!last && top - bottom > 0) rewritten.push_back(Spacer(static_cast<double>(Round(top - bottom)), 0));
  }
  AColumn->GetDocItems() = std::move(rewritten);
}

void TvnParagraphAnalyzer::Analyze(wordmodel::TvnPageMargins* APageMargin, double APageWidth, double APageHight,
                                   wordmodel::TObject*) {
  FPageMargin = APageMargin;
  FPageWidth = APageWidth;
  FPageHeight = APageHight;
  if (!FUnFormattedData || !FFormattedData) return;
  for (TvnDocItem* item : FUnFormattedData->GetCollection()) {
    auto* section = dynamic_cast<TvnUnFormattedSection*>(item);
    if (!section) continue;
    auto& columns = section->GetColumns();
    const bool single = columns.size() < 2;
    if (!single) {
      for (TvnFormatterColumns* c : columns) {
        GroupExtent e;
        for (const TvnDocItem* i : c->GetDocItems()) e.Add(i);
        c->SetMinX(e.Left);
        c->SetMaxX(e.Right);
      }
      for (size_t i = 0; i < columns.size(); ++i) {
        auto* record = FArena.Make<TvnFormatterWordColumns>();
        record->SetWidth(columns[i]->GetMaxX() - columns[i]->GetMinX());
        record->Setspace(i + 1 < columns.size() ? columns[i + 1]->GetMinX() - columns[i]->GetMaxX() : 0);
        section->GetWordColumns().push_back(record);
      }
    }
    const TvnRectF bounds = SectionBounds(section);
    for (TvnFormatterColumns* c : columns) RewriteColumn(c, single, bounds);
    FFormattedData->GetCollection().push_back(section);
  }
}

}  // namespace vn::rtf::analyzer
