// Pages of positioned text built in code for the layout analysis tests, and
// a structure dump of formatter sections (sections, paragraphs, spacers,
// tables) that a test compares as a table of rows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/numbers.h"
#include "runtime/strings.h"
#include "wordmodel/formatter_results.h"

namespace positioned_page_builder {

using vn::wordmodel::TvnPageData;
using vn::wordmodel::TvnRectF;
using vn::wordmodel::TvnTextElement;

// Text elements of one page and their character boxes.
class PageBuilder {
 public:
  // A US Letter page in points with one-inch margins.
  PageBuilder() {
    FPage.SetPageWidth(612);
    FPage.SetPageHeight(792);
    FPage.GetPageMargin()->SetLeft(72);
    FPage.GetPageMargin()->SetRight(72);
    FPage.GetPageMargin()->SetTop(72);
    FPage.GetPageMargin()->SetBottom(72);
  }
  // An element of Arial AFontSize whose baseline starts at (AX, AY),
  // AWidth wide and AHeight high, with one box per character spread evenly
  // over the width; AGapAfter (character index, extra space) widens the gap
  // after one character.
  TvnTextElement* Add(const vn::String& AText, double AX, double AY, double AWidth, double AHeight,
                      int32_t AFontSize = 10, int AGapAfter = -1, double AGap = 0) {
    auto e = std::make_unique<TvnTextElement>();
    e->SetText(AText);
    auto font = std::make_unique<vn::framework::TvnFont>();
    font->SetName(u"Arial");
    font->SetSize(AFontSize);
    e->SetFont(std::move(font));
    e->SetBoundingRect(std::make_shared<TvnRectF>(AX, AY, AWidth, AHeight));
    const double cw = AText.empty() ? 0 : (AWidth - AGap) / static_cast<double>(AText.size());
    double x = AX;
    for (size_t i = 0; i < AText.size(); ++i) {
      FBoxes.push_back(std::make_unique<TvnRectF>(x, AY - AHeight, cw, AHeight));
      e->GetCharBoundingRect().push_back(FBoxes.back().get());
      x += cw + (static_cast<int>(i) == AGapAfter ? AGap : 0);
    }
    FPage.GetDocItems().push_back(e.get());
    FElements.push_back(std::move(e));
    return FElements.back().get();
  }
  // ACount lines of 10-point text, 12 high, AStep apart from baseline AY,
  // all starting at AX and AWidth wide except the last, ALastWidth wide;
  // their texts are APrefix followed by the line number.
  void AddLines(const std::string& APrefix, int ACount, double AX, double AY, double AStep, double AWidth,
                double ALastWidth) {
    for (int i = 0; i < ACount; ++i) {
      const std::string text = APrefix + std::to_string(i + 1);
      Add(vn::String(text.begin(), text.end()), AX, AY + AStep * i, i + 1 == ACount ? ALastWidth : AWidth, 12);
    }
  }
  TvnPageData& Page() { return FPage; }

 private:
  TvnPageData FPage;
  std::vector<std::unique_ptr<TvnRectF>> FBoxes;
  std::vector<std::unique_ptr<TvnTextElement>> FElements;
};

inline std::string Utf8(const vn::String& AText) { return std::string(AText.begin(), AText.end()); }

inline std::string Number(double AValue) { return std::to_string(vn::Round(AValue)); }

inline const char* AlignmentName(vn::wordmodel::TvnHAlignment AAlignment) {
  switch (AAlignment) {
    case vn::wordmodel::TvnHAlignment::haLeft: return "left";
    case vn::wordmodel::TvnHAlignment::haCenter: return "centre";
    case vn::wordmodel::TvnHAlignment::haRight: return "right";
    case vn::wordmodel::TvnHAlignment::haJustify: return "justify";
  }
  return "?";
}

// One row per paragraph: "paragraph <alignment> <texts>" where "/" ends a
// line and "->" marks a tab; a paragraph without items is
// "spacer <space before>"; a column break is "column break".
inline std::string DumpParagraph(const vn::wordmodel::TvnFormatterParagraph& AParagraph) {
  using vn::wordmodel::TvnBreakType;
  if (AParagraph.GetDocItems().empty()) return "spacer " + Number(AParagraph.GetSpaceBefore());
  std::string text;
  for (const auto* item : AParagraph.GetDocItems()) {
    const auto* e = dynamic_cast<const TvnTextElement*>(item);
    if (!e) continue;
    if (e->GetTextBreak() == TvnBreakType::btColumn) return "column break";
    if (e->GetTextBreak() == TvnBreakType::btTab) text += "->";
    text += Utf8(e->GetText());
    if (e->GetTextBreak() == TvnBreakType::btLine) text += "/";
  }
  return std::string("paragraph ") + AlignmentName(AParagraph.GetHAlignment()) + " " + text;
}

inline void DumpItems(const vn::wordmodel::TvnDocItemRefs& AItems, const std::string& AIndent,
                      std::vector<std::string>& ARows) {
  for (const auto* item : AItems) {
    if (const auto* p = dynamic_cast<const vn::wordmodel::TvnFormatterParagraph*>(item)) {
      ARows.push_back(AIndent + DumpParagraph(*p));
    } else if (const auto* t = dynamic_cast<const vn::wordmodel::TvnFormatterTable*>(item)) {
      ARows.push_back(AIndent + "table rows=" + std::to_string(t->GetRows().size()));
      for (const auto* row : t->GetRows()) {
        std::string widths;
        for (const auto* cell : row->GetCells()) widths += " " + Number(cell->GetWidth());
        ARows.push_back(AIndent + "  row" + widths);
        for (const auto* cell : row->GetCells()) {
          ARows.push_back(AIndent + "    cell");
          DumpItems(cell->GetDocItems(), AIndent + "      ", ARows);
        }
      }
    }
  }
}

// The sections of a formatter: "section <type>" with its column records
// "width/space", then its items indented.
inline std::vector<std::string> DumpSections(const vn::wordmodel::TvnDataCollection& ASections) {
  std::vector<std::string> rows;
  for (const auto* item : ASections.GetCollection()) {
    const auto* s = dynamic_cast<const vn::wordmodel::TvnFormatterSection*>(item);
    if (!s) continue;
    static const char* const kTypes[] = {"next page", "odd page", "even page", "continuous", "columns"};
    std::string row = std::string("section ") + kTypes[static_cast<int>(s->GetSectionType())];
    for (const auto* c : s->GetColumns()) row += " " + Number(c->GetWidth()) + "/" + Number(c->Getspace());
    rows.push_back(row);
    DumpItems(s->GetDocItems(), "  ", rows);
  }
  return rows;
}

}  // namespace positioned_page_builder
