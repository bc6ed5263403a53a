#include "rtf/text_line_analyzer.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "rtf/column_table_analyzer.h"
#include "rtf/group_analyzer.h"
#include "rtf/line_analysis_impl.h"

namespace vn::rtf::plaintext {

using wordmodel::TvnDataCollection;
using wordmodel::TvnDocItem;
using wordmodel::TvnFormatterColumns;
using wordmodel::TvnFormatterGroup;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnFormatterTable;
using wordmodel::TvnRectF;
using wordmodel::TvnTextElement;
using wordmodel::TvnUnFormattedSection;

namespace {

// A page whose text mostly runs down, up or upside down is read turned so
// that this text runs left to right: its lines then follow each other in
// the order the baselines give. Only the order counts here, so the turned
// page is the area the elements cover.
void TurnPageUpright(const std::vector<std::unique_ptr<TvnTextElement>>& AElements) {
  std::vector<const TvnTextElement*> elements;
  for (const auto& e : AElements) elements.push_back(e.get());
  const int turns = WritingQuarterTurns(elements);
  if (turns == 0) return;
  double width = 0, height = 0;
  for (const auto& e : AElements) {
    for (const TvnRectF* box : e->GetCharBoundingRect()) {
      width = std::max(width, box->GetRight());
      height = std::max(height, box->GetBottom());
    }
  }
  for (const auto& e : AElements) TurnUpright(*e, turns, width, height);
}

// The lines (indices into the analysed lines) that AItem holds: a group's
// lines, a table's cells' groups, a line itself; each line once, in the
// order met.
void CollectColumnLines(const TvnDocItem* AItem, const std::unordered_map<const TvnDocItem*, size_t>& AIndex,
                        std::vector<size_t>& ALines) {
  if (const auto* line = dynamic_cast<const TvnFormatterLine*>(AItem)) {
    for (const TvnDocItem* e : line->GetDocItems()) {
      const auto found = AIndex.find(e);
      if (found != AIndex.end() && std::find(ALines.begin(), ALines.end(), found->second) == ALines.end())
        ALines.push_back(found->second);
    }
  } else if (const auto* group = dynamic_cast<const TvnFormatterGroup*>(AItem)) {
    for (const TvnDocItem* i : group->GetDocItems()) CollectColumnLines(i, AIndex, ALines);
  } else if (const auto* table = dynamic_cast<const TvnFormatterTable*>(AItem)) {
    for (const auto* row : table->GetRows())
      for (const auto* cell : row->GetCells())
        for (const TvnDocItem* i : cell->GetDocItems()) CollectColumnLines(i, AIndex, ALines);
  }
}

// The extent and make-up of one column of a section: its lines, how many
// of them end near its right edge or start near its left edge (within 15%
// of its width), and how many hold four words or more.
struct ColumnShape {
  std::vector<size_t> Members;
  double Left = 0, Right = 0;
  size_t EndAtRight = 0, StartAtLeft = 0, ManyWords = 0;
  size_t Lines() const { return Members.size(); }
  double Width() const { return Right - Left; }
};

ColumnShape ShapeOfColumn(std::vector<size_t> AMembers, const std::vector<AnalysisLine>& ALines) {
  ColumnShape c;
  c.Members = std::move(AMembers);
  if (c.Members.empty()) return c;
  c.Left = ALines[c.Members.front()].X;
  c.Right = ALines[c.Members.front()].Right();
  for (size_t i : c.Members) {
    c.Left = std::min(c.Left, ALines[i].X);
    c.Right = std::max(c.Right, ALines[i].Right());
  }
  const double tolerance = 0.15 * c.Width();
  for (size_t i : c.Members) {
    const AnalysisLine& l = ALines[i];
    if (l.Right() >= c.Right - tolerance) ++c.EndAtRight;
    if (l.X <= c.Left + tolerance) ++c.StartAtLeft;
    size_t words = 0;
    for (const TvnTextElement* e : l.Items) {
      const String& text = e->GetText();
      for (size_t k = 0; k < text.size(); ++k)
        if (text[k] != u' ' && (k == 0 || text[k - 1] == u' ')) ++words;
    }
    if (words >= 4) ++c.ManyWords;
  }
  return c;
}

// Whether AColumn is a column of line numbers: nearly all its lines a
// single number (at most two other characters beside its digits, as
// printers' marks add), counting up from top to bottom.
bool IsLineNumberColumn(const ColumnShape& AColumn, const std::vector<AnalysisLine>& ALines) {
  size_t numbers = 0, rising = 0;
  long previous = -1;
  for (size_t i : AColumn.Members) {
    String text;
    for (const TvnTextElement* e : ALines[i].Items) text += e->GetText();
    while (!text.empty() && text.back() == u' ') text.pop_back();
    long value = 0;
    size_t digits = 0, others = 0;
    for (char16_t c : text) {
      if (c >= u'0' && c <= u'9') {
        if (value < 100000) value = value * 10 + (c - u'0');
        ++digits;
      } else {
        ++others;
      }
    }
    if (digits == 0 || others > 2 || digits > 5) continue;
    ++numbers;
    if (value > previous) ++rising;
    previous = value;
  }
  const size_t n = AColumn.Lines();
  return 10 * numbers >= 9 * n && 10 * rising >= 9 * numbers;
}

// Whether the gutter between two neighbouring columns of a section (AL
// left of AR) divides running text. Two columns that are each a fair share
// of the section's width do when both hold many lines, many lines of the
// left one end at the gutter and many of the right one start after it, and
// many of both hold several words. A narrow column does only when it
// holds line numbers in a margin: the section's first or last column,
// counting up and standing far from a column of running text. Labels,
// list numbers and table cells beside text are read with it, row by row.
bool TextGutter(const ColumnShape& AL, bool ALOutermost, const ColumnShape& AR, bool AROutermost,
                double ASectionWidth, const std::vector<AnalysisLine>& ALines) {
  constexpr size_t kMinLines = 6;
  constexpr double kMarginGutter = 36;
  if (AL.Lines() < kMinLines || AR.Lines() < kMinLines) return false;
  const auto many = [](size_t ACount, size_t AOf) { return ACount >= kMinLines && 3 * ACount >= AOf; };
  const auto wide = [&](const ColumnShape& c) { return c.Width() >= 0.25 * ASectionWidth; };
  const auto text = [&](const ColumnShape& c) { return many(c.ManyWords, c.Lines()); };
  if (wide(AL) && wide(AR)) {
    return many(AL.EndAtRight, AL.Lines()) && many(AR.StartAtLeft, AR.Lines()) && text(AL) && text(AR);
  }
  if (AR.Left - AL.Right < kMarginGutter) return false;
  const auto margin = [&](const ColumnShape& ANarrow, bool AOutermost, const ColumnShape& AText) {
    return AOutermost && !wide(ANarrow) && wide(AText) && text(AText) &&
           IsLineNumberColumn(ANarrow, ALines);
  };
  return margin(AL, ALOutermost, AR) || margin(AR, AROutermost, AL);
}

// The reading order of a page's lines (indices into ALines, which are in
// baseline order): where the layout analysis finds columns of running text
// side by side, a column's lines come before the next column's, block by
// block down the page; every other line keeps its place.
std::vector<size_t> ColumnReadingOrder(const std::vector<AnalysisLine>& ALines) {
  std::vector<size_t> order(ALines.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (ALines.size() < 12) return order;
  std::vector<std::unique_ptr<TvnFormatterLine>> formatterLines;
  std::unordered_map<const TvnDocItem*, size_t> index;
  TvnDataCollection lines, groups, sections;
  for (size_t i = 0; i < ALines.size(); ++i) {
    std::unique_ptr<TvnFormatterLine> line = MakeFormatterLine(ALines[i]);
    for (const TvnTextElement* e : ALines[i].Items) index.emplace(e, i);
    lines.GetCollection().push_back(line.get());
    formatterLines.push_back(std::move(line));
  }
  analyzer::TvnGroupAnalyzer groupAnalyzer(&lines, &groups);
  groupAnalyzer.Analyze(nullptr, 0, 0, nullptr);
  analyzer::TvnColumnAndTableAnalyzer columnAnalyzer(&groups, &sections);
  columnAnalyzer.Analyze(nullptr, 0, 0, nullptr);
  // The block each reordered line belongs to, and its place in it.
  std::vector<std::vector<size_t>> blocks;
  std::vector<size_t> blockOf(ALines.size(), SIZE_MAX);
  // A line whose pieces went to two columns reads with the first.
  std::vector<bool> taken(ALines.size(), false);
  for (const TvnDocItem* item : sections.GetCollection()) {
    const auto* section = dynamic_cast<const TvnUnFormattedSection*>(item);
    if (!section || section->GetMayBeTable() || section->GetColumns().size() < 2) continue;
    std::vector<ColumnShape> columns;
    for (const TvnFormatterColumns* c : section->GetColumns()) {
      std::vector<size_t> members, own;
      for (const TvnDocItem* i : c->GetDocItems()) CollectColumnLines(i, index, members);
      for (size_t i : members) {
        if (taken[i]) continue;
        taken[i] = true;
        own.push_back(i);
      }
      std::sort(own.begin(), own.end());
      columns.push_back(ShapeOfColumn(std::move(own), ALines));
    }
    const double sectionWidth = ItemRect(section).GetWidth();
    // Neighbouring columns without a gutter of running text between them
    // read as one.
    std::vector<std::vector<size_t>> reading(1, columns.front().Members);
    bool split = false;
    for (size_t j = 1; j < columns.size(); ++j) {
      if (TextGutter(columns[j - 1], j == 1, columns[j], j + 1 == columns.size(), sectionWidth, ALines)) {
        reading.push_back(columns[j].Members);
        split = true;
      } else {
        reading.back().insert(reading.back().end(), columns[j].Members.begin(), columns[j].Members.end());
        std::sort(reading.back().begin(), reading.back().end());
      }
    }
    if (!split) continue;
    std::vector<size_t> block;
    for (const auto& r : reading) block.insert(block.end(), r.begin(), r.end());
    for (size_t i : block) blockOf[i] = blocks.size();
    blocks.push_back(std::move(block));
  }
  if (blocks.empty()) return order;
  order.clear();
  std::vector<bool> emitted(blocks.size(), false);
  for (size_t i = 0; i < ALines.size(); ++i) {
    if (blockOf[i] == SIZE_MAX) {
      order.push_back(i);
    } else if (!emitted[blockOf[i]]) {
      emitted[blockOf[i]] = true;
      order.insert(order.end(), blocks[blockOf[i]].begin(), blocks[blockOf[i]].end());
    }
  }
  return order;
}

}  // namespace

TvnLineAnalyzer::TvnLineAnalyzer(const std::vector<TvnDocItem*>& ATextItemList, std::vector<String>& AFinalList) {
  std::vector<std::unique_ptr<TvnRectF>> charRects;
  std::vector<std::unique_ptr<TvnTextElement>> copies;
  std::vector<TvnTextElement*> elements;
  for (const TvnDocItem* item : ATextItemList) {
    const auto* text = dynamic_cast<const TvnTextElement*>(item);
    if (!text) continue;
    copies.push_back(CopyTextElement(*text, charRects));
  }
  TurnPageUpright(copies);
  for (const auto& copy : copies) {
    TvnTextElement* e = copy.get();
    // The key: the left of the first character box and the element's
    // baseline (0, 0 without boxes); width and height stay. Character
    // boxes are the ink of the glyphs from top to bottom, so the bottom of
    // the first one is no baseline: a first letter with a descender, or a
    // quotation mark, would put its element on a line of its own.
    TvnRectF& r = *e->GetBoundingRect();
    const auto& boxes = e->GetCharBoundingRect();
    r.SetX(boxes.empty() ? 0 : boxes.front()->GetX());
    if (boxes.empty()) r.SetY(0);
    elements.push_back(e);
  }
  LineAnalysis analysis(false);
  const std::vector<AnalysisLine> lines = analysis.Run(elements);
  for (const size_t index : ColumnReadingOrder(lines)) {
    const AnalysisLine& line = lines[index];
    String text;
    const TvnTextElement* prev = nullptr;
    for (const TvnTextElement* e : line.Items) {
      if (prev && !text.empty() && text.back() != u' ' && !e->GetText().empty() && e->GetText().front() != u' ') {
        const TvnRectF& a = *prev->GetBoundingRect();
        const TvnRectF& b = *e->GetBoundingRect();
        const auto* font = a.GetHeight() >= b.GetHeight() ? prev->GetFont() : e->GetFont();
        if (b.GetX() - a.GetRight() > analysis.SpaceWidth(font) / 2) text += u' ';
      }
      text += e->GetText();
      prev = e;
    }
    AFinalList.push_back(text);
  }
}

}  // namespace vn::rtf::plaintext
