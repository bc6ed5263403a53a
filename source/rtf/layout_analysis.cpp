#include <algorithm>

#include "rtf/layout_analysis_impl.h"

namespace vn::rtf {

const wordmodel::TvnRectF& ItemRect(const wordmodel::TObject* AItem) {
  static const wordmodel::TvnRectF kNoRect(0, 0, 0, 0);
  const wordmodel::TvnRectF* r = nullptr;
  if (const auto* g = dynamic_cast<const wordmodel::TvnFormatterGroup*>(AItem)) {
    r = g->GetBoundingRect().get();
  } else if (const auto* l = dynamic_cast<const wordmodel::TvnFormatterLine*>(AItem)) {
    r = l->GetBoundingRect().get();
  } else if (const auto* c = dynamic_cast<const wordmodel::TvnFormatterColumns*>(AItem)) {
    r = c->GetBoundingRect().get();
  } else if (const auto* s = dynamic_cast<const wordmodel::TvnUnFormattedSection*>(AItem)) {
    r = s->GetBoundingRect().get();
  } else if (const auto* e = dynamic_cast<const wordmodel::TvnTextElement*>(AItem)) {
    r = e->GetBoundingRect().get();
  }
  return r ? *r : kNoRect;
}

size_t LineCount(const wordmodel::TvnDocItem* AItem) {
  const auto* group = dynamic_cast<const wordmodel::TvnFormatterGroup*>(AItem);
  if (!group) return 0;
  size_t n = 0;
  for (const wordmodel::TvnDocItem* i : group->GetDocItems()) {
    if (dynamic_cast<const wordmodel::TvnFormatterLine*>(i)) ++n;
  }
  return n;
}

void SetGroupBounds(wordmodel::TvnFormatterGroup* AGroup) {
  double x = kMinStart, w = kMaxStart;
  const wordmodel::TvnFormatterLine* first = nullptr;
  const wordmodel::TvnFormatterLine* last = nullptr;
  for (const wordmodel::TvnDocItem* i : AGroup->GetDocItems()) {
    const auto* l = dynamic_cast<const wordmodel::TvnFormatterLine*>(i);
    if (!l) continue;
    x = std::min(x, ItemRect(l).GetX());
    w = std::max(w, ItemRect(l).GetWidth());
    if (!first) first = l;
    last = l;
  }
  if (!first) return;
  const double y = ItemRect(first).GetY() - ItemRect(first).GetHeight();
  AGroup->SetBoundingRect(std::make_shared<wordmodel::TvnRectF>(x, y, w, ItemRect(last).GetY() - y));
  AGroup->SetLeft(x);
  AGroup->SetRight(x + w);
  AGroup->SetCenter(x + w / 2);
}

}  // namespace vn::rtf
