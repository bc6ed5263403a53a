// The searchable text of laid-out content (a page, a header or a footer):
// the text of its text items in layout order with their rectangles.
#pragma once

#include <cstdint>
#include <vector>

#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnTextitem;

class TvnRawPageTextItems : public TObject {
 public:
  // Appends ASource's gathered text (when not empty), its rectangles and its
  // items; ASource's Text, when set, replaces this one's.
  void Insert(const TvnRawPageTextItems* ASource);

  std::vector<TRect>& GetBoundingRects() { return FBoundingRects; }
  const std::vector<TRect>& GetBoundingRects() const { return FBoundingRects; }
  // The concatenated text of the laid-out text items.
  String& GetTextBuilder() { return FTextBuilder; }
  const String& GetTextBuilder() const { return FTextBuilder; }
  std::vector<int32_t>& GetIndexInTextItem() { return FIndexInTextItem; }
  std::vector<int32_t>& GetParas() { return FParas; }
  // The text items in layout order; borrowed, the laid-out content owns them.
  std::vector<TvnTextitem*>& GetItems() { return FItems; }
  const std::vector<TvnTextitem*>& GetItems() const { return FItems; }
  const String& GetText() const { return FText; }
  void SetText(const String& Value) { FText = Value; }

 private:
  std::vector<TRect> FBoundingRects;
  String FTextBuilder;
  std::vector<int32_t> FIndexInTextItem;
  std::vector<int32_t> FParas;
  std::vector<TvnTextitem*> FItems;
  String FText;
};

}  // namespace vn::wordmodel
