#include "rtf/text_line_analyzer.h"

#include <algorithm>
#include <memory>

#include "rtf/line_analysis_impl.h"

namespace vn::rtf::plaintext {

using wordmodel::TvnDocItem;
using wordmodel::TvnRectF;
using wordmodel::TvnTextElement;

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
  for (const AnalysisLine& line : analysis.Run(elements)) {
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
