#include "wordmodel/word_types.h"

namespace vn::wordmodel {

TvnItemList CloneItems(const TvnItemList& AItems) {
  TvnItemList clones;
  clones.reserve(AItems.size());
  for (const auto& item : AItems) clones.push_back(item ? item->Clone() : nullptr);
  return clones;
}

void CloneTagInto(const TvnDocItem& ASource, TvnDocItem& ADest) {
  if (ASource.GetTag() == nullptr) return;
  auto tag = ASource.GetTag()->Clone();
  tag->SetAssociatedItem(&ADest);
  ADest.SetTag(std::move(tag));
}

}  // namespace vn::wordmodel
