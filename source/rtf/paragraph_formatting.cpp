// The properties of a rebuilt paragraph (alignment, indents, line spacing,
// space after) and the tab stops of a line.
#include <algorithm>
#include <cmath>

#include "rtf/paragraph_analyzer.h"
#include "runtime/numbers.h"

namespace vn::rtf::analyzer {

using wordmodel::TvnDocItem;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnFormatterParagraph;
using wordmodel::TvnFormatterTab;
using wordmodel::TvnHAlignment;
using wordmodel::TvnRectF;
using wordmodel::TvnTextElement;

namespace {

// Page distances become indents as pixels at 96 per inch of a page measured
// in points.
double IndentOf(double ADistance) { return static_cast<double>(Round(ADistance / 72.0 / 15.0 * 1440.0)); }

// The distance from one top to the next in heights of the upper line; a
// line without height gives no factor.
bool SpacingFactor(const TvnRectF& AUpper, const TvnRectF& ALower, double& AFactor) {
  if (!(AUpper.GetHeight() > 0)) return false;
  const double f = ((ALower.GetY() - ALower.GetHeight()) - (AUpper.GetY() - AUpper.GetHeight())) / AUpper.GetHeight();
  if (!std::isfinite(f)) return false;
  AFactor = f;
  return true;
}

}  // namespace

TvnFormatterParagraph* TvnParagraphAnalyzer::BuildParagraph(const std::vector<const TvnFormatterLine*>& ALines,
                                                           double ANextTop, double ARightBound, double ALeftBound) {
  auto* paragraph = FArena.Make<TvnFormatterParagraph>();
  const size_t n = ALines.size();
  if (n == 0) return paragraph;
  const auto X = [&](size_t k) { return ItemRect(ALines[k]).GetX(); };
  const auto W = [&](size_t k) { return ItemRect(ALines[k]).GetWidth(); };
  const auto R = [&](size_t k) { return ItemRect(ALines[k]).GetRight(); };
  const auto Mid = [&](size_t k) { return X(k) + W(k) / 2; };

  double minX = kMinStart, maxR = kMaxStart;
  double f = 1;
  bool haveFactor = false;
  for (size_t k = 1; k + 1 < n; ++k) {
    minX = std::min(minX, X(k));
    maxR = std::max(maxR, R(k));
    double fk = 0;
    if (SpacingFactor(ItemRect(ALines[k]), ItemRect(ALines[k + 1]), fk) && (!haveFactor || fk > f)) {
      f = fk;
      haveFactor = true;
    }
  }
  bool left = true, centre = true, right = true, justified = false;
  const double mid = minX + (maxR - minX) / 2;
  for (size_t k = 1; k + 1 < n; ++k) {
    left = left && Within(X(k), minX, 3.1);
    right = right && Within(R(k), maxR, 3.1);
    centre = centre && Within(Mid(k), mid, 3.1);
  }
  if (n == 3 && left && centre && right) {
    centre = Within(ALines[2]->GetCenter(), ALines[1]->GetCenter(), 3.1);
    if (!Within(ALines[2]->GetLeft(), ALines[1]->GetLeft(), 3.1)) {
      right = Within(ALines[2]->GetRight(), ALines[1]->GetRight(), 3.1);
      left = false;
    }
  }
  if (n <= 2) {
    left = centre = right = false;
    minX = X(0);
    maxR = R(0);
    if (n == 1) {
      f = 1;
      if (Within(ALeftBound, X(0), 3.1)) {
        left = true;
      } else if (Within(ARightBound, R(0), 3.1)) {
        right = true;
      } else if (Within(ALeftBound + (ARightBound - ALeftBound) / 2, Mid(0), 3.1)) {
        centre = true;
      }
    } else {
      minX = std::min(minX, X(1));
      maxR = std::max(maxR, R(1));
      if (!SpacingFactor(ItemRect(ALines[0]), ItemRect(ALines[1]), f)) f = 1;
      if (Within(Mid(0), Mid(1), 3.1)) {
        if (Within(X(0), ALeftBound, 3.1)) {
          justified = true;
        } else {
          centre = true;
        }
      } else if (Within(X(1), X(0), 3.1)) {
        left = true;
      } else if (Within(R(0), R(1), 3.1)) {
        right = true;
      }
    }
  }
  if (left && centre && right) justified = true;
  const TvnHAlignment alignment = justified ? TvnHAlignment::haJustify
                                  : left    ? TvnHAlignment::haLeft
                                  : centre  ? TvnHAlignment::haCenter
                                  : right   ? TvnHAlignment::haRight
                                            : TvnHAlignment::haLeft;
  paragraph->SetHAlignment(alignment);
  if (n == 2) minX = X(1);
  const bool leftCase = n > 1 || alignment == TvnHAlignment::haJustify || alignment == TvnHAlignment::haLeft;
  if (leftCase && ALeftBound != kMinStart && minX != kMinStart) paragraph->SetLeftIndent(IndentOf(minX - ALeftBound));
  const bool rightCase = n > 1 || alignment == TvnHAlignment::haRight;
  if (rightCase && ARightBound != kMaxStart && maxR != kMaxStart) {
    paragraph->SetRightIndent(IndentOf(ARightBound - maxR));
  }
  if (n > 1 && std::fabs(X(0) - minX) > 10 && X(0) != kMinStart && minX != kMinStart) {
    paragraph->SetFirstLineIndent(IndentOf(X(0) - minX));
  }
  // Whole lines of leading are taken off in steps of 0.24 of a line; the
  // rest, at least one line, is the spacing in 240ths.
  const double k = static_cast<double>(Round(f));
  f -= 0.24 * k;
  if (!(f >= 1)) f = 1;
  paragraph->SetLineSpacing(static_cast<double>(Round(f * 240)));
  double after = 0;
  if (ANextTop != 0) after = std::max(0.0, static_cast<double>(Round(ANextTop - ItemRect(ALines[n - 1]).GetY())));
  paragraph->SetSpaceAfter(after);
  paragraph->SetSpaceBefore(0);
  return paragraph;
}

std::vector<TvnFormatterTab*> TvnParagraphAnalyzer::FindTabs(const TvnFormatterLine* ALine, double ALeftBound) {
  std::vector<TvnFormatterTab*> tabs;
  const double x = ALeftBound == 0 ? LeftMargin() : ALeftBound;
  const auto& items = ALine->GetDocItems();
  if (items.empty()) return tabs;
  const auto* first = dynamic_cast<const TvnTextElement*>(items[0]);
  double wPrev = first ? FMeasure.SpaceWidth(first->GetFont()) : 2.202;
  for (size_t i = 1; i < items.size(); ++i) {
    auto* e = dynamic_cast<TvnTextElement*>(items[i]);
    const double wCur = e ? FMeasure.SpaceWidth(e->GetFont()) : wPrev;
    const double gap = std::fabs(ItemRect(items[i - 1]).GetRight() - ItemRect(items[i]).GetLeft());
    if (e && gap > 2 * std::min(wPrev, wCur)) {
      e->SetTextBreak(wordmodel::TvnBreakType::btTab);
      auto* tab = FArena.Make<TvnFormatterTab>();
      tab->SetPosition(ItemRect(e).GetLeft() - x);
      tabs.push_back(tab);
    }
    wPrev = wCur;
  }
  return tabs;
}

void TvnParagraphAnalyzer::SeparateWords(const TvnFormatterLine* ALine) {
  const auto& items = ALine->GetDocItems();
  for (size_t i = 1; i < items.size(); ++i) {
    const auto* prev = dynamic_cast<const TvnTextElement*>(items[i - 1]);
    auto* e = dynamic_cast<TvnTextElement*>(items[i]);
    if (!prev || !e || e->GetTextBreak() == wordmodel::TvnBreakType::btTab) continue;
    const String& before = prev->GetText();
    const String& text = e->GetText();
    if (before.empty() || text.empty() || before.back() == u' ' || text.front() == u' ') continue;
    const double w = std::min(FMeasure.SpaceWidth(prev->GetFont()), FMeasure.SpaceWidth(e->GetFont()));
    if (ItemRect(e).GetLeft() - ItemRect(prev).GetRight() > w / 2) e->SetText(u" " + text);
  }
}

}  // namespace vn::rtf::analyzer
