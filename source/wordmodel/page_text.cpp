#include "wordmodel/page_text.h"

namespace vn::wordmodel {

void TvnRawPageTextItems::Insert(const TvnRawPageTextItems* ASource) {
  if (ASource == nullptr) return;
  FTextBuilder += ASource->FTextBuilder;
  if (!ASource->FText.empty()) FText = ASource->FText;
  FBoundingRects.insert(FBoundingRects.end(), ASource->FBoundingRects.begin(), ASource->FBoundingRects.end());
  FItems.insert(FItems.end(), ASource->FItems.begin(), ASource->FItems.end());
}

}  // namespace vn::wordmodel
