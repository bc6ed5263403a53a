#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/canvas/text_measure.h"
#include "rtf/line_analysis_impl.h"

namespace vn::rtf {

using framework::TvnFont;
using framework::TvnFontStyle;
using wordmodel::TvnRectF;
using wordmodel::TvnTextAlignment;
using wordmodel::TvnTextElement;

namespace {

double FiniteOrZero(double v) { return std::isfinite(v) ? v : 0.0; }

// The element's rectangle; the analysis only sees copies, which always
// have one.
TvnRectF& ElementRect(const TvnTextElement* AElement) { return *AElement->GetBoundingRect(); }

// Stable ascending sorts: elements of equal keys keep their order.
void SortByY(std::vector<TvnTextElement*>& AItems) {
  std::stable_sort(AItems.begin(), AItems.end(), [](const TvnTextElement* a, const TvnTextElement* b) {
    return ElementRect(a).GetY() < ElementRect(b).GetY();
  });
}

void SortByX(std::vector<TvnTextElement*>& AItems) {
  std::stable_sort(AItems.begin(), AItems.end(), [](const TvnTextElement* a, const TvnTextElement* b) {
    return ElementRect(a).GetX() < ElementRect(b).GetX();
  });
}

// The element with the largest font size (the first of equal sizes), or
// null when no element has a font.
const TvnTextElement* LargestFontElement(const AnalysisLine& ALine, double& ASize) {
  const TvnTextElement* best = nullptr;
  ASize = -1;
  for (const TvnTextElement* e : ALine.Items) {
    if (e->GetFont() && e->GetFont()->GetSize() > ASize) {
      ASize = e->GetFont()->GetSize();
      best = e;
    }
  }
  return best;
}

}  // namespace

std::unique_ptr<TvnTextElement> CopyTextElement(const TvnTextElement& AElement,
                                                std::vector<std::unique_ptr<TvnRectF>>& ACharRects) {
  auto copy = std::make_unique<TvnTextElement>();
  copy->SetText(AElement.GetText());
  if (const TvnFont* font = AElement.GetFont()) {
    auto f = std::make_unique<TvnFont>();
    f->Assign(font);
    copy->SetFont(std::move(f));
  }
  const TvnRectF* r = AElement.GetBoundingRect().get();
  copy->SetBoundingRect(r ? std::make_shared<TvnRectF>(FiniteOrZero(r->GetX()), FiniteOrZero(r->GetY()),
                                                       FiniteOrZero(r->GetWidth()), FiniteOrZero(r->GetHeight()))
                          : std::make_shared<TvnRectF>(0, 0, 0, 0));
  for (const TvnRectF* c : AElement.GetCharBoundingRect()) {
    if (!c) continue;
    ACharRects.push_back(std::make_unique<TvnRectF>(FiniteOrZero(c->GetX()), FiniteOrZero(c->GetY()),
                                                    FiniteOrZero(c->GetWidth()), FiniteOrZero(c->GetHeight())));
    copy->GetCharBoundingRect().push_back(ACharRects.back().get());
  }
  copy->SetTextAlignment(AElement.GetTextAlignment());
  copy->SetTextBreak(AElement.GetTextBreak());
  copy->SetColor(AElement.GetColor());
  return copy;
}

std::unique_ptr<wordmodel::TvnFormatterLine> MakeFormatterLine(const AnalysisLine& ALine) {
  auto line = std::make_unique<wordmodel::TvnFormatterLine>();
  line->GetDocItems().assign(ALine.Items.begin(), ALine.Items.end());
  line->SetBoundingRect(std::make_shared<TvnRectF>(ALine.X, ALine.Y, ALine.Width, ALine.Height));
  line->SetLeft(ALine.X);
  line->SetRight(ALine.X + ALine.Width);
  line->SetCenter(ALine.X + ALine.Width / 2);
  return line;
}

int WritingQuarterTurns(const std::vector<const TvnTextElement*>& AElements) {
  size_t votes[4] = {};
  for (const TvnTextElement* e : AElements) {
    const auto& boxes = e->GetCharBoundingRect();
    if (boxes.size() < 2 || !boxes.front() || !boxes.back()) continue;
    const double dx = (boxes.back()->GetLeft() + boxes.back()->GetRight() - boxes.front()->GetLeft() -
                       boxes.front()->GetRight()) / 2;
    const double dy = (boxes.back()->GetTop() + boxes.back()->GetBottom() - boxes.front()->GetTop() -
                       boxes.front()->GetBottom()) / 2;
    if (!std::isfinite(dx) || !std::isfinite(dy) || (dx == 0 && dy == 0)) continue;
    int turns = std::fabs(dx) >= std::fabs(dy) ? (dx > 0 ? 0 : 2) : (dy > 0 ? 1 : 3);
    // Text running to the left is upside down only when its letters hang
    // below its baseline: upright letters placed from the right are
    // right-to-left text (Hebrew, Arabic) of an upright page.
    if (turns == 2 && e->GetBoundingRect() &&
        boxes.front()->GetTop() + boxes.front()->GetBottom() < 2 * e->GetBoundingRect()->GetY())
      turns = 0;
    votes[turns] += boxes.size();
  }
  int best = 0;
  for (int q = 1; q < 4; ++q)
    if (votes[q] > votes[best]) best = q;
  return best;
}

void TurnUpright(TvnTextElement& AElement, int AQuarterTurns, double APageWidth, double APageHeight) {
  const int q = ((AQuarterTurns % 4) + 4) % 4;
  if (q == 0) return;
  auto turn = [&](double x, double y, double& tx, double& ty) {
    switch (q) {
      case 1:
        tx = y;
        ty = APageWidth - x;
        break;
      case 2:
        tx = APageWidth - x;
        ty = APageHeight - y;
        break;
      default:
        tx = APageHeight - y;
        ty = x;
        break;
    }
  };
  auto turnRect = [&](TvnRectF& r) {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    turn(r.GetLeft(), r.GetTop(), x1, y1);
    turn(r.GetRight(), r.GetBottom(), x2, y2);
    r.SetX(std::min(x1, x2));
    r.SetY(std::min(y1, y2));
    r.SetWidth(std::fabs(x2 - x1));
    r.SetHeight(std::fabs(y2 - y1));
  };
  for (TvnRectF* box : AElement.GetCharBoundingRect())
    if (box) turnRect(*box);
  const std::shared_ptr<TvnRectF>& bounds = AElement.GetBoundingRect();
  if (!bounds) return;
  // The origin turns as a point; width and height follow from the turned
  // boxes, as the extractor makes them.
  double x = 0, y = 0;
  turn(bounds->GetX(), bounds->GetY(), x, y);
  const auto& boxes = AElement.GetCharBoundingRect();
  double width = 0, height = 0;
  if (!boxes.empty() && boxes.back()) width = std::max(0.0, boxes.back()->GetRight() - x);
  for (const TvnRectF* box : boxes)
    if (box) height = std::max(height, box->GetHeight());
  AElement.SetBoundingRect(std::make_shared<TvnRectF>(x, y, width, height));
}

double LineAnalysis::SpaceWidth(const TvnFont* AFont) { return SpaceWidthPixels(AFont) * kPointsPerPixel; }

double LineAnalysis::SpaceWidthPixels(const TvnFont* AFont) {
  static const TvnFont kDefaultFont;
  const TvnFont& font = AFont ? *AFont : kDefaultFont;
  const framework::TvnFontStyles style = font.GetStyle();
  const bool bold = style.Contains(TvnFontStyle::fsBold);
  const bool italic = style.Contains(TvnFontStyle::fsItalic);
  const auto key =
      std::make_tuple(font.GetName(), font.GetSize(), static_cast<uint8_t>((bold ? 1 : 0) | (italic ? 2 : 0)));
  if (auto it = FSpaceWidths.find(key); it != FSpaceWidths.end()) return it->second;
  vn::platform::Font f;
  if (!font.GetName().empty()) f.faceName = font.GetName();
  // The point size on the 96-dpi screen as an em height, as the canvas
  // selects it.
  const double em = std::clamp(font.GetSize() * 96.0 / 72.0, 0.0, 100000.0);
  f.height = -static_cast<int32_t>(std::lround(em));
  f.weight = bold ? 700 : 400;
  f.italic = italic;
  const double width = vn::platform::MeasureText(f, u" ").cx;
  FSpaceWidths.emplace(key, width);
  return width;
}

std::vector<AnalysisLine> LineAnalysis::Run(const std::vector<TvnTextElement*>& AElements) {
  std::vector<AnalysisLine> lines = SplitLines(AElements);
  for (AnalysisLine& line : lines) UpdateLineBounds(line);
  MergeScriptLines(lines);
  RepairWordGaps(lines);
  RejoinLines(lines);
  return lines;
}

std::vector<AnalysisLine> LineAnalysis::SplitLines(const std::vector<TvnTextElement*>& AElements) {
  // Group by baseline: one entry per exactly equal Y, in ascending Y.
  std::vector<TvnTextElement*> sorted = AElements;
  SortByY(sorted);
  std::vector<std::vector<TvnTextElement*>> entries;
  double key = 0;
  for (TvnTextElement* e : sorted) {
    const double y = ElementRect(e).GetY();
    if (entries.empty() || y != key) {
      entries.emplace_back();
      key = y;
    }
    entries.back().push_back(e);
  }
  // Split each baseline where the gap to the previous element is wider than
  // twice the space width of the taller neighbour's font.
  std::vector<AnalysisLine> lines;
  for (auto& entry : entries) {
    SortByX(entry);
    lines.emplace_back();
    for (size_t j = 0; j < entry.size(); ++j) {
      if (j > 0) {
        const TvnRectF& prev = ElementRect(entry[j - 1]);
        const TvnRectF& cur = ElementRect(entry[j]);
        const TvnFont* font = prev.GetHeight() >= cur.GetHeight() ? entry[j - 1]->GetFont() : entry[j]->GetFont();
        if (cur.GetX() - prev.GetRight() > 2 * SpaceWidth(font)) lines.emplace_back();
      }
      lines.back().Items.push_back(entry[j]);
    }
  }
  return lines;
}

void LineAnalysis::UpdateLineBounds(AnalysisLine& ALine) {
  if (ALine.Items.empty()) return;
  const TvnRectF& first = ElementRect(ALine.Items.front());
  const TvnRectF& last = ElementRect(ALine.Items.back());
  ALine.X = first.GetX();
  ALine.Y = first.GetY();
  ALine.Width = last.GetX() + last.GetWidth() - first.GetX();
  ALine.Height = 0;
  for (const TvnTextElement* e : ALine.Items) ALine.Height = std::max(ALine.Height, ElementRect(e).GetHeight());
}

void LineAnalysis::MergeAsScript(AnalysisLine& AFrom, AnalysisLine& AInto, TvnTextAlignment AAlignment) {
  for (TvnTextElement* e : AFrom.Items) {
    e->SetTextAlignment(AAlignment);
    if (FEnlargeScripts && e->GetFont()) {
      const double size = std::ceil(1.53 * e->GetFont()->GetSize());
      e->GetFont()->SetSize(static_cast<int32_t>(std::clamp(size, -1e9, 1e9)));
    }
    const TvnRectF& r = ElementRect(e);
    e->SetBoundingRect(std::make_shared<TvnRectF>(r.GetX(), AInto.Y, r.GetWidth(), AInto.Height));
    AInto.Items.push_back(e);
  }
  AFrom.Items.clear();
  SortByX(AInto.Items);
  UpdateLineBounds(AInto);
}

void LineAnalysis::MergeScriptLines(std::vector<AnalysisLine>& ALines) {
  size_t i = 0;
  while (i < ALines.size()) {
    bool merged = false;
    for (size_t k = 0; k < i && !merged; ++k) {
      AnalysisLine& c = ALines[i];
      AnalysisLine& o = ALines[k];
      const AnalysisLine& taller = o.Height >= c.Height ? o : c;
      const double s = taller.Items.empty() ? SpaceWidth(nullptr) : SpaceWidth(taller.Items.back()->GetFont());
      const bool oStrictlyInC = c.X < o.X && o.Right() < c.Right();
      const bool touching = std::fabs(c.Right() - o.X) < s || std::fabs(o.Right() - c.X) < s;
      // Pieces that touch are one line when their baselines differ by less
      // than 0.2, or by less than a twentieth of the taller piece's height:
      // pages printed from web browsers set links a quarter point off the
      // baseline of the words around them.
      const double sameLine = std::max(0.2, 0.05 * std::max(c.Height, o.Height));
      if (std::fabs(c.Y - o.Y) < sameLine &&
          (std::fabs(o.X - c.Right()) < s + 2 || std::fabs(c.X - o.Right()) < s + 2)) {
        // Pieces of one line.
        o.Items.insert(o.Items.end(), c.Items.begin(), c.Items.end());
        SortByX(o.Items);
        UpdateLineBounds(o);
        ALines.erase(ALines.begin() + static_cast<std::ptrdiff_t>(i));
        merged = true;
      } else if (o.Y > c.Y - 0.75 * c.Height && o.Height < c.Height && o.Y < c.Y &&
                 (oStrictlyInC || touching || (c.X <= o.X && o.Right() <= c.Right()))) {
        // O is raised text of C.
        MergeAsScript(o, c, TvnTextAlignment::taSuperscript);
        ALines.erase(ALines.begin() + static_cast<std::ptrdiff_t>(k));
        merged = true;
      } else if (c.Y - 0.75 * c.Height < o.Y && c.Height < o.Height && c.Y > o.Y &&
                 (oStrictlyInC || touching || (o.X <= c.X && c.Right() <= o.Right()))) {
        // C is lowered text of O.
        MergeAsScript(c, o, TvnTextAlignment::taSubscript);
        ALines.erase(ALines.begin() + static_cast<std::ptrdiff_t>(i));
        merged = true;
      }
      if (merged) i = k;
    }
    if (!merged) ++i;
  }
}

void LineAnalysis::RepairWordGaps(std::vector<AnalysisLine>& ALines) {
  for (AnalysisLine& line : ALines) {
    for (TvnTextElement* e : line.Items) {
      const String& text = e->GetText();
      const auto& rects = e->GetCharBoundingRect();
      const size_t n = std::min(text.size(), rects.size());
      if (n == 0) continue;
      // A whole number of screen pixels (3.6 for a width of 1), in points
      // like the character boxes: a pixel width compared with gaps in
      // points would take the ordinary word spaces of tightly set text for
      // letter gaps and run its words together.
      double w = std::round(SpaceWidthPixels(e->GetFont()));
      if (w == 1) w = 3.6;
      w *= kPointsPerPixel;
      // Character boxes span their advances (the extractor makes them so),
      // so the letters of a word nearly touch, or stand apart by a few
      // hundredths of an em where a glyph is narrower than its advance: a
      // gap of 0.1 em already parts words, as the narrowed spaces of tightly
      // justified text do (down to 0.14 em in two-column papers set in
      // 9-point type).
      if (e->GetFont() && e->GetFont()->GetSize() > 0) w = std::min(w, 0.1 * e->GetFont()->GetSize());
      String built;
      for (size_t j = 0; j + 1 < n; ++j) {
        const double gap = rects[j + 1]->GetLeft() - rects[j]->GetRight();
        // A space goes after a character that stands apart from the next
        // one, unless it is one. The first character too: a one-letter word
        // ("a", "I") opening the element would otherwise run into the word
        // after it.
        const bool addSpace = gap > w && text[j] != u' ';
        built += text[j];
        if (addSpace) built += u' ';
      }
      built += text.back();
      if (built != text) e->SetText(built);
    }
  }
}

void LineAnalysis::RejoinLines(std::vector<AnalysisLine>& ALines) {
  size_t i = 0;
  while (i + 1 < ALines.size()) {
    AnalysisLine& c = ALines[i];
    AnalysisLine& n = ALines[i + 1];
    const double dy = std::fabs(c.Y - n.Y);
    bool join = false;
    // The left piece of the two may come second: a piece merged with one
    // a little off its baseline keeps that one's place in the list.
    const AnalysisLine& left = c.X < n.X ? c : n;
    const AnalysisLine& right = c.X < n.X ? n : c;
    if (dy <= 0.05 && left.X < right.X) {
      double cSize = -1, nSize = -1;
      const TvnTextElement* cBig = LargestFontElement(c, cSize);
      const TvnTextElement* nBig = LargestFontElement(n, nSize);
      const TvnTextElement* big = cSize > nSize ? cBig : nBig;
      const double s = SpaceWidth(big ? big->GetFont() : nullptr);
      const double w = std::max(c.Width, n.Width);
      const double gap = right.X - left.Right();
      join = (3 * s > gap && dy <= 0.01) || (std::fabs(c.Width - n.Width) > 0.8 * w && 10 * s > gap);
    }
    if (join) {
      c.Items.insert(c.Items.end(), n.Items.begin(), n.Items.end());
      std::stable_sort(c.Items.begin(), c.Items.end(), [](const TvnTextElement* a, const TvnTextElement* b) {
        return ElementRect(a).GetLeft() < ElementRect(b).GetLeft();
      });
      UpdateLineBounds(c);
      ALines.erase(ALines.begin() + static_cast<std::ptrdiff_t>(i + 1));
    } else {
      ++i;
    }
  }
}

}  // namespace vn::rtf
