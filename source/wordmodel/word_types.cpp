#include "wordmodel/word_types.h"

namespace vn::wordmodel {

void CloneTagInto(const TvnDocItem& ASource, TvnDocItem& ADest) {
  if (ASource.GetTag() == nullptr) return;
  auto tag = ASource.GetTag()->Clone();
  tag->SetAssociatedItem(&ADest);
  ADest.SetTag(std::move(tag));
}

}  // namespace vn::wordmodel
