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

}  // namespace vn::rtf
