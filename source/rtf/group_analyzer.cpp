#include "rtf/group_analyzer.h"

#include <algorithm>

namespace vn::rtf::analyzer {

using wordmodel::TvnDocItem;
using wordmodel::TvnFormatterGroup;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnRectF;
using wordmodel::TvnTextElement;

namespace {

// Lines are compared by the baseline of their first element (Y) and their
// top (Y - Height).
const TvnRectF& LineRect(const TvnDocItem* ALine) { return ItemRect(ALine); }

TvnFormatterLine* LastLine(const TvnFormatterGroup* AGroup) {
  for (auto it = AGroup->GetDocItems().rbegin(); it != AGroup->GetDocItems().rend(); ++it) {
    if (auto* line = dynamic_cast<TvnFormatterLine*>(*it)) return line;
  }
  return nullptr;
}

bool Overlaps(double ALeft1, double ARight1, double ALeft2, double ARight2) {
  return ALeft1 <= ARight2 && ALeft2 <= ARight1;
}

// C lies within V's extent, 4 of tolerance on every edge.
bool WithinExtent(const TvnFormatterGroup* C, const TvnFormatterGroup* V) {
  const auto atLeast = [](double a, double b) { return a >= b || Within(a, b, 4); };
  const auto atMost = [](double a, double b) { return a <= b || Within(a, b, 4); };
  return atLeast(C->GetLeft(), V->GetLeft()) && atMost(C->GetLeft(), V->GetRight()) &&
         atLeast(C->GetRight(), V->GetLeft()) && atMost(C->GetRight(), V->GetRight());
}

// The font of the largest text element of a single-line group's line:
// Arial of size 10 when the line has no text element.
const framework::TvnFont* LargestFont(const TvnFormatterGroup* AGroup, const framework::TvnFont& AArial10) {
  const TvnFormatterLine* line = LastLine(AGroup);
  static const framework::TvnFont kStart = [] {
    framework::TvnFont f;
    f.SetName(u"Arial");
    f.SetSize(-1);
    return f;
  }();
  const framework::TvnFont* best = nullptr;
  bool anyText = false;
  if (line) {
    for (const TvnDocItem* i : line->GetDocItems()) {
      const auto* e = dynamic_cast<const TvnTextElement*>(i);
      if (!e) continue;
      anyText = true;
      const framework::TvnFont* f = e->GetFont();
      if (f && f->GetSize() > (best ? best->GetSize() : kStart.GetSize())) best = f;
    }
  }
  if (!anyText) return &AArial10;
  return best ? best : &kStart;
}

// A line's bounds from its elements, as the line analyzer sets them.
void UpdateLineFromElements(TvnFormatterLine* ALine) {
  const auto& items = ALine->GetDocItems();
  if (items.empty()) return;
  const TvnRectF& first = ItemRect(items.front());
  const TvnRectF& last = ItemRect(items.back());
  double height = 0;
  for (const TvnDocItem* i : items) height = std::max(height, ItemRect(i).GetHeight());
  const double width = last.GetX() + last.GetWidth() - first.GetX();
  ALine->SetBoundingRect(std::make_shared<TvnRectF>(first.GetX(), first.GetY(), width, height));
  ALine->SetLeft(first.GetX());
  ALine->SetRight(first.GetX() + width);
  ALine->SetCenter(first.GetX() + width / 2);
}

void RemoveGroup(std::vector<TvnFormatterGroup*>& AGroups, const TvnFormatterGroup* AGroup) {
  AGroups.erase(std::find(AGroups.begin(), AGroups.end(), AGroup));
}

void MoveLines(TvnFormatterGroup* AFrom, TvnFormatterGroup* AInto) {
  auto& into = AInto->GetDocItems();
  into.insert(into.end(), AFrom->GetDocItems().begin(), AFrom->GetDocItems().end());
  AFrom->GetDocItems().clear();
}

}  // namespace

TvnFormatterGroup* TvnGroupAnalyzer::GroupFromLine(TvnFormatterLine* ALine) {
  auto* group = FArena.Make<TvnFormatterGroup>();
  group->SetLeft(ALine->GetLeft());
  group->SetRight(ALine->GetRight());
  group->SetCenter(ALine->GetCenter());
  group->GetDocItems().push_back(ALine);
  return group;
}

void TvnGroupAnalyzer::UpdateGroupBounds(TvnFormatterGroup* AGroup) {
  double x = AGroup->GetLeft() == 0 ? kMinStart : AGroup->GetLeft();
  double w = AGroup->GetRight() - AGroup->GetLeft() == 0 ? kMaxStart : AGroup->GetRight() - AGroup->GetLeft();
  const TvnDocItem* first = nullptr;
  const TvnDocItem* last = nullptr;
  for (const TvnDocItem* i : AGroup->GetDocItems()) {
    if (!dynamic_cast<const TvnFormatterLine*>(i)) continue;
    const TvnRectF& r = LineRect(i);
    if (r.GetX() < x) x = r.GetX();
    w = std::max(w, r.GetWidth());
    if (!first) first = i;
    last = i;
  }
  double y = 0, h = 0;
  if (first) {
    y = LineRect(first).GetY() - LineRect(first).GetHeight();
    h = LineRect(last).GetY() - y;
  }
  AGroup->SetBoundingRect(std::make_shared<TvnRectF>(x, y, w, h));
  AGroup->SetLeft(x);
  AGroup->SetRight(x + w);
  AGroup->SetCenter(x + w / 2);
}

void TvnGroupAnalyzer::LinePass(const std::vector<TvnFormatterLine*>& ALines, Groups& AGroups) {
  for (TvnFormatterLine* L : ALines) {
    const TvnRectF& lr = LineRect(L);
    TvnFormatterGroup* taker = nullptr;
    bool blocked = false;
    for (TvnFormatterGroup* G : AGroups) {
      if (!G->GetIsOpen()) continue;
      const bool left = Within(L->GetLeft(), G->GetLeft(), 1);
      const bool center = Within(L->GetCenter(), G->GetCenter(), 1);
      const bool right = Within(L->GetRight(), G->GetRight(), 1);
      bool anchored = false;
      switch (G->GetSelectedPoint()) {
        case 1: anchored = left; break;
        case 2: anchored = center; break;
        case 3: anchored = right; break;
        default: anchored = left || center || right; break;
      }
      const TvnFormatterLine* last = LastLine(G);
      if (!anchored || !last || !(lr.GetY() - LineRect(last).GetY() < 30)) continue;
      for (const TvnFormatterGroup* H : AGroups) {
        if (H == G || !H->GetIsOpen()) continue;
        if ((H->GetLeft() >= L->GetLeft() && H->GetLeft() <= L->GetRight()) ||
            (H->GetRight() >= L->GetLeft() && H->GetRight() <= L->GetRight())) {
          blocked = true;
          break;
        }
      }
      if (blocked) break;
      // Taking the line: widen the group along its anchor.
      int32_t anchor = G->GetSelectedPoint();
      if (anchor == 0) {
        G->SetSelectedPoint(left ? 1 : center ? 2 : 3);
      }
      if (anchor != 1) G->SetLeft(std::min(G->GetLeft(), lr.GetX()));
      if (anchor != 3) G->SetRight(std::max(G->GetRight(), lr.GetRight()));
      if (anchor != 2) G->SetCenter(G->GetLeft() + (G->GetRight() - G->GetLeft()) / 2);
      G->GetDocItems().push_back(L);
      taker = G;
      break;
    }
    if (taker) continue;
    // A group of its own; the groups it overlaps take no further lines, and
    // a last line level with it or below its top moves out with it.
    TvnFormatterGroup* N = GroupFromLine(L);
    const size_t existing = AGroups.size();
    for (size_t k = 0; k < existing; ++k) {
      TvnFormatterGroup* E = AGroups[k];
      if (!E->GetIsOpen() || !Overlaps(E->GetLeft(), E->GetRight(), N->GetLeft(), N->GetRight())) continue;
      E->SetIsOpen(false);
      TvnFormatterLine* last = LastLine(E);
      if (last && lr.GetY() - lr.GetHeight() <= LineRect(last).GetY()) {
        auto& items = E->GetDocItems();
        items.erase(std::find(items.begin(), items.end(), last));
        AGroups.push_back(GroupFromLine(last));
      }
    }
    AGroups.push_back(N);
  }
  // A group whose only line moved out holds nothing to place or write.
  std::erase_if(AGroups, [](const TvnFormatterGroup* g) { return LineCount(g) == 0; });
}

bool TvnGroupAnalyzer::JoinSingleLineGroups(Groups& AGroups) {
  static const framework::TvnFont kArial10 = [] {
    framework::TvnFont f;
    f.SetName(u"Arial");
    f.SetSize(10);
    return f;
  }();
  const size_t before = AGroups.size();
  size_t i = 0;
  while (i + 1 < AGroups.size()) {
    TvnFormatterGroup* G = AGroups[i];
    TvnFormatterGroup* N = AGroups[i + 1];
    bool joined = false;
    if (LineCount(G) == 1 && LineCount(N) == 1 && G->GetDocItems().size() == 1 && N->GetDocItems().size() == 1) {
      const TvnRectF& gr = ItemRect(G);
      const TvnRectF& nr = ItemRect(N);
      if (Within(gr.GetY(), nr.GetY(), 4)) {
        const framework::TvnFont* gf = LargestFont(G, kArial10);
        const framework::TvnFont* nf = LargestFont(N, kArial10);
        const double s = FMeasure.SpaceWidth(gf->GetSize() > nf->GetSize() ? gf : nf);
        // The gap is measured on the side N stands: a group N left of G
        // joins only when it ends close to G's start, and its text goes
        // first (measured from G's right edge, the gap to a line of another
        // column on the left would be negative and join the two columns).
        const bool onTheLeft = nr.GetX() < gr.GetX();
        const double gap = onTheLeft ? gr.GetX() - nr.GetRight() : nr.GetX() - gr.GetRight();
        if (5 * s > gap) {
          auto* gl = LastLine(G);
          auto* nl = LastLine(N);
          auto& into = gl->GetDocItems();
          into.insert(onTheLeft ? into.begin() : into.end(), nl->GetDocItems().begin(), nl->GetDocItems().end());
          nl->GetDocItems().clear();
          UpdateLineFromElements(gl);
          AGroups.erase(AGroups.begin() + static_cast<std::ptrdiff_t>(i + 1));
          UpdateGroupBounds(G);
          joined = true;
        }
      }
    }
    if (!joined) ++i;
  }
  return AGroups.size() != before;
}

bool TvnGroupAnalyzer::MergeUp(Groups& AGroups) {
  const size_t before = AGroups.size();
  size_t i = 1;
  while (i < AGroups.size()) {
    TvnFormatterGroup* V = AGroups[i];
    const TvnRectF& vr = ItemRect(V);
    TvnFormatterGroup* W = nullptr;
    for (size_t j = 0; j <= i; ++j) {
      TvnFormatterGroup* C = AGroups[j];
      if (ItemRect(C).GetY() > vr.GetY()) break;
      if (C == V || !WithinExtent(C, V)) continue;
      if (!W || ItemRect(C).GetY() > ItemRect(W).GetY()) W = C;
    }
    if (!W) {
      ++i;
      continue;
    }
    const TvnRectF& wr = ItemRect(W);
    const double spanLeft = std::min(vr.GetX(), wr.GetX());
    const double spanRight = std::max(vr.GetRight(), wr.GetRight());
    bool blocked = false;
    for (size_t j = 0; j < i && !blocked; ++j) {
      const TvnFormatterGroup* B = AGroups[j];
      if (B == W) continue;
      const TvnRectF& br = ItemRect(B);
      if (!Overlaps(br.GetLeft(), br.GetRight(), spanLeft, spanRight)) continue;
      blocked = (wr.GetBottom() <= br.GetTop() && br.GetTop() <= vr.GetBottom()) ||
                (wr.GetTop() <= br.GetBottom() && br.GetBottom() <= vr.GetTop());
    }
    if (!blocked && wr.GetBottom() - vr.GetTop() < 30) {
      MoveLines(V, W);
      RemoveGroup(AGroups, V);
      UpdateGroupBounds(W);
      i = static_cast<size_t>(std::find(AGroups.begin(), AGroups.end(), W) - AGroups.begin());
    } else {
      ++i;
    }
  }
  return AGroups.size() != before;
}

bool TvnGroupAnalyzer::MergeDown(Groups& AGroups) {
  const size_t before = AGroups.size();
  size_t i = 0;
  while (i + 1 < AGroups.size()) {
    TvnFormatterGroup* V = AGroups[i];
    const TvnRectF& vr = ItemRect(V);
    TvnFormatterGroup* W = nullptr;
    for (size_t k = i + 1; k < AGroups.size(); ++k) {
      TvnFormatterGroup* C = AGroups[k];
      if (ItemRect(C).GetY() < vr.GetY()) break;
      if (!WithinExtent(C, V)) continue;
      if (!W || ItemRect(C).GetY() < ItemRect(W).GetY()) W = C;
    }
    if (!W) {
      ++i;
      continue;
    }
    const TvnRectF& wr = ItemRect(W);
    const double spanLeft = std::min(vr.GetX(), wr.GetX());
    const double spanRight = std::max(vr.GetRight(), wr.GetRight());
    bool blocked = false;
    for (size_t k = i + 1; k < AGroups.size() && !blocked; ++k) {
      const TvnFormatterGroup* B = AGroups[k];
      const TvnRectF& br = ItemRect(B);
      if (br.GetY() > wr.GetBottom()) break;
      if (B == W || !Overlaps(br.GetLeft(), br.GetRight(), spanLeft, spanRight)) continue;
      blocked = (wr.GetBottom() >= br.GetTop() && br.GetTop() >= vr.GetBottom()) ||
                (vr.GetTop() <= br.GetBottom() && br.GetBottom() <= wr.GetTop()) || br.GetTop() >= wr.GetTop() ||
                br.GetBottom() >= wr.GetTop();
    }
    if (!blocked && vr.GetBottom() - wr.GetTop() < 30) {
      MoveLines(W, V);
      RemoveGroup(AGroups, W);
      UpdateGroupBounds(V);
    } else {
      ++i;
    }
  }
  return AGroups.size() != before;
}

void TvnGroupAnalyzer::SplitAtGaps(Groups& AGroups) {
  for (size_t i = 0; i < AGroups.size(); ++i) {
    TvnFormatterGroup* G = AGroups[i];
    auto& items = G->GetDocItems();
    const TvnDocItem* prev = nullptr;
    for (size_t k = 0; k < items.size(); ++k) {
      if (!dynamic_cast<const TvnFormatterLine*>(items[k])) continue;
      if (prev && LineRect(items[k]).GetY() - (LineRect(prev).GetY() + LineRect(prev).GetHeight()) > 30) {
        auto* rest = FArena.Make<TvnFormatterGroup>();
        rest->SetSelectedPoint(G->GetSelectedPoint());
        rest->GetDocItems().assign(items.begin() + static_cast<std::ptrdiff_t>(k), items.end());
        items.resize(k);
        // Bounds from the lines alone.
        G->SetLeft(0);
        G->SetRight(0);
        UpdateGroupBounds(G);
        UpdateGroupBounds(rest);
        AGroups.insert(AGroups.begin() + static_cast<std::ptrdiff_t>(i + 1), rest);
        break;
      }
      prev = items[k];
    }
  }
}

void TvnGroupAnalyzer::Analyze(wordmodel::TvnPageMargins* APageMargin, double APageWidth, double APageHight,
                               wordmodel::TObject*) {
  FPageMargin = APageMargin;
  FPageWidth = APageWidth;
  FPageHeight = APageHight;
  if (!FUnFormattedData || !FFormattedData) return;
  std::vector<TvnFormatterLine*> lines;
  for (const TvnDocItem* item : FUnFormattedData->GetCollection()) {
    const auto* line = dynamic_cast<const TvnFormatterLine*>(item);
    if (!line) continue;
    auto* copy = FArena.Make<TvnFormatterLine>();
    copy->GetDocItems() = line->GetDocItems();
    const TvnRectF& r = ItemRect(line);
    copy->SetBoundingRect(std::make_shared<TvnRectF>(r.GetX(), r.GetY(), r.GetWidth(), r.GetHeight()));
    copy->SetLeft(line->GetLeft());
    copy->SetRight(line->GetRight());
    copy->SetCenter(line->GetCenter());
    copy->SetBreakType(line->GetBreakType());
    lines.push_back(copy);
  }
  Groups groups;
  LinePass(lines, groups);
  for (TvnFormatterGroup* g : groups) UpdateGroupBounds(g);
  // Every change removes a group, so the loops end.
  bool changed = true;
  while (changed) {
    JoinSingleLineGroups(groups);
    changed = false;
    while (MergeUp(groups)) changed = true;
    while (MergeDown(groups)) changed = true;
  }
  SplitAtGaps(groups);
  for (TvnFormatterGroup* g : groups) FFormattedData->GetCollection().push_back(g);
}

}  // namespace vn::rtf::analyzer
