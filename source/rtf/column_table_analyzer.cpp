#include "rtf/column_table_analyzer.h"

#include <algorithm>

namespace vn::rtf::analyzer {

using wordmodel::TvnDocItem;
using wordmodel::TvnFormatterColumns;
using wordmodel::TvnFormatterGroup;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnFormatterTable;
using wordmodel::TvnFormatterTableCell;
using wordmodel::TvnFormatterTableRow;
using wordmodel::TvnRectF;
using wordmodel::TvnUnFormattedSection;

namespace {

// The union of the rectangles of AItems; the sentinels when there is none.
template <class T>
std::shared_ptr<TvnRectF> UnionRect(const std::vector<T*>& AItems) {
  double x = kMinStart, y = kMinStart, right = kMaxStart, bottom = kMaxStart;
  for (const T* item : AItems) {
    const TvnRectF& r = ItemRect(item);
    x = std::min(x, r.GetX());
    y = std::min(y, r.GetY());
    right = std::max(right, r.GetRight());
    bottom = std::max(bottom, r.GetBottom());
  }
  return std::make_shared<TvnRectF>(x, y, right - x, bottom - y);
}

void UpdateColumnBounds(TvnFormatterColumns* AColumn) { AColumn->SetBoundingRect(UnionRect(AColumn->GetDocItems())); }

void UpdateSectionBounds(TvnUnFormattedSection* ASection) {
  ASection->SetBoundingRect(UnionRect(ASection->GetColumns()));
}

// Top to bottom, then left to right; equal positions keep their order.
void SortByPosition(std::vector<TvnDocItem*>& AItems) {
  std::stable_sort(AItems.begin(), AItems.end(), [](const TvnDocItem* a, const TvnDocItem* b) {
    const TvnRectF& ra = ItemRect(a);
    const TvnRectF& rb = ItemRect(b);
    if (ra.GetY() != rb.GetY()) return ra.GetY() < rb.GetY();
    return ra.GetX() < rb.GetX();
  });
}

void MarkInTable(TvnDocItem* AItem) {
  if (auto* g = dynamic_cast<TvnFormatterGroup*>(AItem)) g->SetGroupInTable(true);
}

// Neighbouring sections line up when each column of one ends before the
// next column of the other begins.
bool ColumnsLineUp(const TvnUnFormattedSection* S, const TvnUnFormattedSection* T) {
  const auto& s = S->GetColumns();
  const auto& t = T->GetColumns();
  if (s.size() != t.size() || S->GetMayBeTable() != T->GetMayBeTable()) return false;
  for (size_t j = 0; j + 1 < s.size(); ++j) {
    if (!(ItemRect(t[j]).GetRight() < ItemRect(s[j + 1]).GetLeft())) return false;
    if (!(ItemRect(s[j]).GetRight() < ItemRect(t[j + 1]).GetLeft())) return false;
  }
  return true;
}

}  // namespace

TvnUnFormattedSection* TvnColumnAndTableAnalyzer::CutOffLinesAbove(TvnUnFormattedSection* ASection) {
  auto& columns = ASection->GetColumns();
  if (ASection->GetMayBeTable() || columns.size() < 2) return nullptr;
  Items above;
  for (TvnFormatterColumns* c : columns) {
    double othersTop = kMinStart;
    for (const TvnFormatterColumns* o : columns) {
      if (o != c) othersTop = std::min(othersTop, ItemRect(o).GetY());
    }
    auto& items = c->GetDocItems();
    while (!items.empty()) {
      auto* group = dynamic_cast<TvnFormatterGroup*>(items.front());
      if (!group) break;
      auto& lines = group->GetDocItems();
      size_t n = 0;
      // A line without a rectangle has no place to compare.
      const auto lineAbove = [&](const TvnDocItem* ALine) {
        const auto* l = dynamic_cast<const TvnFormatterLine*>(ALine);
        return l && l->GetBoundingRect() && l->GetBoundingRect()->GetY() < othersTop;
      };
      while (n < lines.size() && lineAbove(lines[n])) ++n;
      if (n == 0) break;
      if (n == lines.size()) {
        above.push_back(group);
        items.erase(items.begin());
        continue;
      }
      auto* part = FArena.Make<TvnFormatterGroup>();
      part->GetDocItems().assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(n));
      lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(n));
      SetGroupBounds(part);
      SetGroupBounds(group);
      above.push_back(part);
      break;
    }
  }
  if (above.empty()) return nullptr;
  for (TvnFormatterColumns* c : columns) UpdateColumnBounds(c);
  UpdateSectionBounds(ASection);
  SortByPosition(above);
  auto* column = FArena.Make<TvnFormatterColumns>();
  column->GetDocItems() = above;
  column->SetMinX(ItemRect(above.front()).GetX());
  column->SetMaxX(ItemRect(above.front()).GetRight());
  UpdateColumnBounds(column);
  auto* section = FArena.Make<TvnUnFormattedSection>();
  section->GetColumns().push_back(column);
  UpdateSectionBounds(section);
  return section;
}

std::vector<TvnFormatterGroup*> TvnColumnAndTableAnalyzer::GroupIntoBands(const Items& AGroups) {
  std::vector<TvnFormatterGroup*> bands;
  TvnFormatterGroup* band = nullptr;
  for (TvnDocItem* g : AGroups) {
    const double y = ItemRect(g).GetY();
    if (band && !(y >= ItemRect(band).GetY() && y <= ItemRect(band).GetBottom())) {
      bands.push_back(band);
      band = nullptr;
    }
    if (!band) band = FArena.Make<TvnFormatterGroup>();
    band->GetDocItems().push_back(g);
    band->SetBoundingRect(UnionRect(band->GetDocItems()));
  }
  if (band) bands.push_back(band);
  return bands;
}

TvnFormatterColumns* TvnColumnAndTableAnalyzer::ColumnFromGroup(TvnDocItem* AGroup) {
  auto* column = FArena.Make<TvnFormatterColumns>();
  column->SetMinX(ItemRect(AGroup).GetX());
  column->SetMaxX(ItemRect(AGroup).GetRight());
  column->GetDocItems().push_back(AGroup);
  return column;
}

TvnFormatterTable* TvnColumnAndTableAnalyzer::TableFromRows(
    const std::vector<std::vector<TvnFormatterColumns*>>& ARows) {
  auto* table = FArena.Make<TvnFormatterTable>();
  for (const auto& columns : ARows) {
    auto* row = FArena.Make<TvnFormatterTableRow>();
    for (const TvnFormatterColumns* column : columns) {
      auto* cell = FArena.Make<TvnFormatterTableCell>();
      cell->GetDocItems() = column->GetDocItems();
      for (TvnDocItem* g : cell->GetDocItems()) MarkInTable(g);
      row->GetCells().push_back(cell);
    }
    table->GetRows().push_back(row);
  }
  return table;
}

TvnColumnAndTableAnalyzer::Sections TvnColumnAndTableAnalyzer::ArrangeColumns(
    const std::vector<TvnFormatterGroup*>& ABands, bool ANesting) {
  Sections sections;
  for (const TvnFormatterGroup* band : ABands) {
    auto* section = FArena.Make<TvnUnFormattedSection>();
    sections.push_back(section);
    auto& columns = section->GetColumns();
    for (TvnDocItem* g : band->GetDocItems()) {
      const TvnRectF& gr = ItemRect(g);
      auto found = std::find_if(columns.begin(), columns.end(), [&](const TvnFormatterColumns* c) {
        return (c->GetMinX() <= gr.GetX() && gr.GetX() <= c->GetMaxX()) ||
               (gr.GetX() < c->GetMinX() && c->GetMinX() < gr.GetRight());
      });
      if (found == columns.end()) {
        columns.push_back(ColumnFromGroup(g));
      } else {
        TvnFormatterColumns* C = *found;
        // Columns the group reaches into are absorbed.
        const auto next = found + 1;
        auto stop = next;
        while (stop != columns.end() && (*stop)->GetMinX() <= gr.GetRight()) {
          C->GetDocItems().insert(C->GetDocItems().end(), (*stop)->GetDocItems().begin(), (*stop)->GetDocItems().end());
          C->SetMaxX((*stop)->GetMinX());
          ++stop;
        }
        if (stop != next) {
          columns.erase(next, stop);
          SortByPosition(C->GetDocItems());
        }
        C->GetDocItems().push_back(g);
        C->SetMinX(std::min(C->GetMinX(), gr.GetX()));
        C->SetMaxX(std::max(C->GetMaxX(), gr.GetRight()));
      }
      std::stable_sort(columns.begin(), columns.end(), [](const TvnFormatterColumns* a, const TvnFormatterColumns* b) {
        return a->GetMinX() < b->GetMinX();
      });
    }
    for (TvnFormatterColumns* c : columns) UpdateColumnBounds(c);
    for (TvnUnFormattedSection* s : sections) UpdateSectionBounds(s);
    // Equal numbers of short blocks in every column mark a table; six lines
    // or more in a first block mark ordinary text columns.
    const size_t n = columns.empty() ? 0 : columns.front()->GetDocItems().size();
    bool table = columns.size() > 1;
    for (const TvnFormatterColumns* c : columns) {
      if (!table) break;
      table = c->GetDocItems().size() == n && (ANesting || LineCount(c->GetDocItems().front()) <= 5);
    }
    if (table) {
      section->SetMayBeTable(true);
      section->GetRows().push_back(columns);
    }
  }
  // Neighbours whose columns line up are merged.
  size_t i = 0;
  while (i + 1 < sections.size()) {
    TvnUnFormattedSection* S = sections[i];
    TvnUnFormattedSection* T = sections[i + 1];
    if (!ColumnsLineUp(S, T)) {
      ++i;
      continue;
    }
    if (S->GetMayBeTable()) {
      S->GetRows().push_back(T->GetColumns());
    } else {
      for (size_t j = 0; j < S->GetColumns().size(); ++j) {
        auto& into = S->GetColumns()[j]->GetDocItems();
        const auto& from = T->GetColumns()[j]->GetDocItems();
        into.insert(into.end(), from.begin(), from.end());
      }
    }
    for (TvnFormatterColumns* c : S->GetColumns()) UpdateColumnBounds(c);
    sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(i + 1));
  }
  for (TvnUnFormattedSection* s : sections) {
    if (!s->GetMayBeTable()) continue;
    auto* column = FArena.Make<TvnFormatterColumns>();
    column->GetDocItems().push_back(TableFromRows(s->GetRows()));
    s->GetColumns().assign(1, column);
  }
  return sections;
}

void TvnColumnAndTableAnalyzer::NestedPass(TvnFormatterColumns* AColumn) {
  Items groups = AColumn->GetDocItems();
  SortByPosition(groups);
  const Sections inner = ArrangeColumns(GroupIntoBands(groups), true);
  auto& items = AColumn->GetDocItems();
  items.clear();
  for (const TvnUnFormattedSection* sub : inner) {
    const auto& columns = sub->GetColumns();
    if (sub->GetMayBeTable() || columns.size() < 2) {
      // A table section holds one column with the table.
      if (columns.empty()) continue;
      items.insert(items.end(), columns[0]->GetDocItems().begin(), columns[0]->GetDocItems().end());
      continue;
    }
    std::vector<std::vector<TvnFormatterColumns*>> row(1, columns);
    items.push_back(TableFromRows(row));
  }
}

void TvnColumnAndTableAnalyzer::Analyze(wordmodel::TvnPageMargins* APageMargin, double APageWidth, double APageHight,
                                        wordmodel::TObject*) {
  FPageMargin = APageMargin;
  FPageWidth = APageWidth;
  FPageHeight = APageHight;
  if (!FUnFormattedData || !FFormattedData) return;
  Items groups;
  for (TvnDocItem* item : FUnFormattedData->GetCollection()) {
    if (dynamic_cast<TvnFormatterGroup*>(item)) groups.push_back(item);
  }
  SortByPosition(groups);
  Sections sections = ArrangeColumns(GroupIntoBands(groups), false);
  for (size_t k = 0; k < sections.size(); ++k) {
    if (TvnUnFormattedSection* above = CutOffLinesAbove(sections[k])) {
      sections.insert(sections.begin() + static_cast<std::ptrdiff_t>(k), above);
      ++k;
    }
  }
  for (TvnUnFormattedSection* s : sections) {
    if (s->GetMayBeTable()) continue;
    for (TvnFormatterColumns* c : s->GetColumns()) NestedPass(c);
  }
  // Consecutive single-column sections become one.
  size_t i = 0;
  while (i + 1 < sections.size()) {
    if (sections[i]->GetColumns().size() == 1 && sections[i + 1]->GetColumns().size() == 1) {
      auto& into = sections[i]->GetColumns()[0]->GetDocItems();
      const auto& from = sections[i + 1]->GetColumns()[0]->GetDocItems();
      into.insert(into.end(), from.begin(), from.end());
      sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(i + 1));
    } else {
      ++i;
    }
  }
  for (TvnUnFormattedSection* s : sections) FFormattedData->GetCollection().push_back(s);
}

}  // namespace vn::rtf::analyzer
