#include "wordmodel/word_page.h"

#include <algorithm>
#include <climits>

#include "runtime/numbers.h"
#include "wordmodel/images.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/text_item.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel {

// ---------------------------------------------------------------------------
// LaidOutItems

LaidOutItems::~LaidOutItems() = default;

TvnDocItem* LaidOutItems::Add(std::unique_ptr<TvnDocItem> AItem) { return Insert(FItems.size(), std::move(AItem)); }

TvnDocItem* LaidOutItems::Add(TvnDocItem* AItem) { return Insert(FItems.size(), AItem); }

TvnDocItem* LaidOutItems::Insert(size_t AIndex, std::unique_ptr<TvnDocItem> AItem) {
  if (!AItem) return nullptr;
  const size_t at = std::min(AIndex, FItems.size());
  TvnDocItem* item = AItem.get();
  FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(at), item);
  FOwned.insert(FOwned.begin() + static_cast<std::ptrdiff_t>(at), std::move(AItem));
  return item;
}

TvnDocItem* LaidOutItems::Insert(size_t AIndex, TvnDocItem* AItem) {
  if (AItem == nullptr) return nullptr;
  const size_t at = std::min(AIndex, FItems.size());
  FItems.insert(FItems.begin() + static_cast<std::ptrdiff_t>(at), AItem);
  FOwned.insert(FOwned.begin() + static_cast<std::ptrdiff_t>(at), nullptr);
  return AItem;
}

std::unique_ptr<TvnDocItem> LaidOutItems::Remove(const TvnDocItem* AItem) {
  const auto found = std::find(FItems.begin(), FItems.end(), AItem);
  if (found == FItems.end()) return nullptr;
  const auto index = found - FItems.begin();
  std::unique_ptr<TvnDocItem> owned = std::move(FOwned[static_cast<size_t>(index)]);
  FItems.erase(found);
  FOwned.erase(FOwned.begin() + index);
  return owned;
}

void LaidOutItems::Clear() {
  FItems.clear();
  FOwned.clear();
}

bool LaidOutItems::Owns(const TvnDocItem* AItem) const {
  return AItem != nullptr &&
         std::any_of(FOwned.begin(), FOwned.end(), [AItem](const auto& owned) { return owned.get() == AItem; });
}

bool LaidOutItems::Contains(const TvnDocItem* AItem) const {
  return AItem != nullptr && std::find(FItems.begin(), FItems.end(), AItem) != FItems.end();
}

LaidOutItems LaidOutItems::Clone() const {
  LaidOutItems copy;
  for (const TvnDocItem* item : FItems) copy.Add(item->Clone());
  return copy;
}

// ---------------------------------------------------------------------------
// TvnTextLine

namespace {

bool HoldsSpace(const String& AText) { return std::any_of(AText.begin(), AText.end(), IsBreakingSpace); }

bool HoldsWord(const String& AText) {
  return std::any_of(AText.begin(), AText.end(), [](char16_t c) { return !IsBreakingSpace(c); });
}

TvnTextAlignment AlignmentOf(const TvnTextitem& AItem) {
  const auto& properties = AItem.GetRunProperties();
  return properties ? properties->GetTextAlignment() : TvnTextAlignment::taBaseline;
}

// The pixels a line of exact spacing may lose to clipping before its text is
// clipped to the exact pitch.
constexpr int32_t kClipThreshold = 11;

}  // namespace

TvnTextLine::~TvnTextLine() = default;

std::unique_ptr<TvnDocItem> TvnTextLine::Clone() const {
  auto copy = std::make_unique<TvnTextLine>();
  Assign(this, copy.get());
  return copy;
}

void TvnTextLine::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnTextLine*>(ASource);
  auto* dest = dynamic_cast<TvnTextLine*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FChildren = source->FChildren.Clone();
  dest->FLineHeight = source->FLineHeight;
  dest->FLineDescent = source->FLineDescent;
  dest->FLineAscent = source->FLineAscent;
  dest->FLineSpace = source->FLineSpace;
  dest->FLineWidth = source->FLineWidth;
  dest->FActualLineHeight = source->FActualLineHeight;
  dest->FTextHeight = source->FTextHeight;
  dest->FSpacingRule = source->FSpacingRule;
  dest->FTabCounter = source->FTabCounter;
  dest->FUnderlinedTexthandled = source->FUnderlinedTexthandled;
  dest->FColorReference = source->FColorReference;
  dest->FFontreference = source->FFontreference;
  dest->FIsClipped = source->FIsClipped;
  dest->SetPageNumber(source->GetPageNumber());
}

void TvnTextLine::Draw(TvnBaseCanvas* ACanvas) {
  for (TvnDocItem* child : FChildren) child->Draw(ACanvas);
}

void TvnTextLine::SetLineHeight(int32_t Value) {
  if (Value <= FLineHeight) return;
  FLineHeight = Value;
  SetHeight(Value);
}

void TvnTextLine::SetLineDescent(int32_t Value) { FLineDescent = std::max(FLineDescent, Value); }

void TvnTextLine::SetLineAscent(int32_t Value) { FLineAscent = std::max(FLineAscent, Value); }

void TvnTextLine::SetTextHeight(int32_t Value) { FTextHeight = std::max(FTextHeight, Value); }

void TvnTextLine::MoveToBaseLine(int32_t& AEndY) {
  const double LH = FLineHeight;
  const double LD = FLineDescent;
  const double AH = FActualLineHeight;
  for (TvnDocItem* child : FChildren) {
    if (auto* text = dynamic_cast<TvnTextitem*>(child)) {
      const double T = text->GetY();
      const double h = text->GetHeight();
      const double o = text->GetBaseLineOffset();
      const TvnTextAlignment alignment = AlignmentOf(*text);
      double top = T;
      switch (FSpacingRule) {
        case TvnSpacingRule::srExact:
          if (alignment == TvnTextAlignment::taSuperscript) {
            top = T + AH - (AH - LH) / 2 - o;
          } else if (alignment == TvnTextAlignment::taSubscript) {
            top = T + AH + (AH - LH - 2 * LD) / 2 - o;
          } else if (AH < LH) {
            top = T + AH - o;
            FIsClipped = true;
          } else {
            top = T + AH - (AH - LH - 2 * LD) / 2 - o;
          }
          break;
        case TvnSpacingRule::srAtleast:
          // Lowered text sits the descent below the baseline text (moving
          // its top by twice the pitch would put it on another line).
          top = alignment == TvnTextAlignment::taSubscript ? T + AH + LD - o : T + AH - LD - o;
          break;
        case TvnSpacingRule::srAuto:
          if (alignment == TvnTextAlignment::taSuperscript) {
            top = T - vn::RoundToInt(LH * 25 / 100) - LD - o;
          } else if (alignment == TvnTextAlignment::taSubscript) {
            top = T + vn::RoundToInt(LH * 50 / 100) + LD - o;
          } else {
            top = T + LH - LD - o - h;
          }
          break;
      }
      text->SetY(vn::RoundToInt(top));
    } else if (auto* image = dynamic_cast<TvnDocImage*>(child)) {
      if (image->GetHeight() < FLineHeight) {
        image->SetY(vn::RoundToInt(image->GetY() + LH - image->GetHeight()));
        AEndY = std::max(AEndY, image->GetY());
      }
    }
  }
  if (!FIsClipped || FLineHeight - FActualLineHeight < kClipThreshold) return;
  int32_t left = INT32_MAX;
  int32_t right = INT32_MIN;
  for (const TvnDocItem* child : FChildren) {
    if (dynamic_cast<const TvnTextitem*>(child) == nullptr) continue;
    left = std::min(left, child->GetX());
    right = std::max(right, child->GetBoundingRect().Right);
  }
  if (left > right) return;
  FChildren.Insert(0, std::make_unique<TvnClipRect>(left, AEndY, right - left, FActualLineHeight,
                                                    TvnCombineMode::cmIntersect));
  FChildren.Add(std::make_unique<TvnResetClip>());
}

void TvnTextLine::JustifyTextLine(int32_t AShiftX) {
  if (AShiftX <= 0) return;
  const auto& items = FChildren.Items();
  // The last word of the line: no gap follows it or anything after it.
  size_t lastWord = 0;
  bool anyWord = false;
  for (size_t i = 0; i < items.size(); ++i) {
    const auto* text = dynamic_cast<const TvnTextitem*>(items[i]);
    if (text != nullptr && HoldsWord(text->GetText())) {
      lastWord = i;
      anyWord = true;
    }
  }
  if (!anyWord) return;
  std::vector<bool> gapAfter(items.size(), false);
  int32_t gaps = 0;
  for (size_t i = 0; i < lastWord; ++i) {
    const auto* text = dynamic_cast<const TvnTextitem*>(items[i]);
    if (text != nullptr && HoldsSpace(text->GetText())) {
      gapAfter[i] = true;
      ++gaps;
    }
  }
  if (gaps == 0) return;
  const int32_t q = AShiftX / gaps;
  const int32_t r = AShiftX % gaps;
  int32_t offset = 0;
  int32_t k = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    TvnDocItem* child = items[i];
    if (dynamic_cast<TvnTextitem*>(child) != nullptr) {
      child->ShiftByOffset(offset, 0);
      if (gapAfter[i]) {
        offset += q + (gaps - k - 1 < r ? 1 : 0);
        ++k;
      }
    } else if (dynamic_cast<TvnDocImage*>(child) != nullptr) {
      child->ShiftByOffset(offset, 0);
    }
  }
}

namespace {

bool IsTextOrPicture(const TvnDocItem* AItem) {
  return dynamic_cast<const TvnTextitem*>(AItem) != nullptr || dynamic_cast<const TvnDocImage*>(AItem) != nullptr;
}

}  // namespace

void TvnTextLine::ShiftTextItems(int32_t AOffsetX, int32_t AOffsetY) {
  for (TvnDocItem* child : FChildren)
    if (IsTextOrPicture(child)) child->ShiftByOffset(AOffsetX, AOffsetY);
}

void TvnTextLine::ShiftTextItemsHorizontally(int32_t AShiftX) { ShiftTextItems(AShiftX, 0); }

void TvnTextLine::ShiftYPosTo(int32_t AyOffset) {
  for (TvnDocItem* child : FChildren)
    if (IsTextOrPicture(child)) child->SetY(AyOffset);
}

void TvnTextLine::MoveTextItems(int32_t AShiftX, int32_t AShiftY) {
  bool first = true;
  int32_t firstLeft = 0;
  for (TvnDocItem* child : FChildren) {
    if (dynamic_cast<TvnTextitem*>(child) == nullptr) continue;
    if (first) {
      firstLeft = child->GetX();
      first = false;
    }
    const int64_t x = int64_t{AShiftX} + child->GetX() - firstLeft;
    const int64_t y = int64_t{AShiftY} + child->GetY() - GetY();
    child->SetX(static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)));
    child->SetY(static_cast<int32_t>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)));
  }
}

// ---------------------------------------------------------------------------
// TvnColumn

std::unique_ptr<TvnDocItem> TvnColumn::Clone() const {
  auto copy = std::make_unique<TvnColumn>();
  Assign(this, copy.get());
  return copy;
}

void TvnColumn::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnColumn*>(ASource);
  auto* dest = dynamic_cast<TvnColumn*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FChildren = source->FChildren.Clone();
}

void TvnColumn::Draw(TvnBaseCanvas* ACanvas) {
  for (TvnDocItem* child : FChildren) child->Draw(ACanvas);
}

// ---------------------------------------------------------------------------
// TvnWordPage

TvnWordPage::TvnWordPage() : FrawSearchItems(std::make_unique<TvnRawPageTextItems>()) {}

TvnWordPage::TvnWordPage(double AWidth, double AHeight) : TvnWordPage() {
  FPageSize.Width = AWidth;
  FPageSize.Height = AHeight;
}

TvnWordPage::TvnWordPage(double AWidth, double /*ABottomMargin*/, double /*ARightMargin*/, double /*ATopMargin*/,
                         double /*ALeftMargin*/, double AHeight)
    : TvnWordPage(AWidth, AHeight) {}

TvnWordPage::~TvnWordPage() = default;

std::unique_ptr<TvnDocItem> TvnWordPage::Clone() const {
  auto copy = std::make_unique<TvnWordPage>(FPageSize.Width, FPageSize.Height);
  TvnDocItem::Assign(this, copy.get());
  copy->TvnPage::SetPageNumber(TvnPage::GetPageNumber());
  copy->FpageParagraphs = FpageParagraphs;
  copy->FpageElements = FpageElements.Clone();
  *copy->FrawSearchItems = *FrawSearchItems;
  if (FpageSearchItems) copy->FpageSearchItems = std::make_unique<TvnPageText>(*FpageSearchItems);
  return copy;
}

void TvnWordPage::Draw(TvnBaseCanvas* /*ACanvas*/) {}

void TvnWordPage::SetRawElements(const std::vector<TvnDocItem*>& AElements) {
  for (TvnDocItem* element : AElements)
    if (element != nullptr) FpageParagraphs.push_back(element);
}

void TvnWordPage::SetRawSearchItems(std::unique_ptr<TvnRawPageTextItems> Value) {
  FrawSearchItems = Value ? std::move(Value) : std::make_unique<TvnRawPageTextItems>();
}

}  // namespace vn::wordmodel
