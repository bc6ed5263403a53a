// The searchable text of laid-out content (a page, a header or a footer):
// the text of its text items in layout order with their rectangles, and the
// text of a page with its number.
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

// The text of a page kept for searching: the rectangles of its text items,
// its number and its text.
class TvnPageText : public TObject {
 public:
  std::vector<TRect>& GetTextItems() { return FtextItems; }
  const std::vector<TRect>& GetTextItems() const { return FtextItems; }
  int32_t GetPageNumber() const { return FPageNumber; }
  void SetPageNumber(int32_t Value) { FPageNumber = Value; }
  const String& GetText() const { return FText; }
  void SetText(const String& Value) { FText = Value; }

 private:
  std::vector<TRect> FtextItems;
  int32_t FPageNumber = 0;
  String FText;
};

}  // namespace vn::wordmodel
