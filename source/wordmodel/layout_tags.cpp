#include "wordmodel/layout_tags.h"

#include <algorithm>

#include "runtime/numbers.h"
#include "runtime/scope_exit.h"
#include "wordmodel/drawing_placement.h"
#include "wordmodel/fields.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/run_properties.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace vn::wordmodel {

namespace {

bool IsDigitChar(char16_t c) { return c >= u'0' && c <= u'9'; }

// The font a text of these run properties is measured and drawn with: the
// run's font (Arial 10 for a run without one), at two thirds of its size
// for raised and lowered text.
TvnFont MeasuringFont(const TvnRunProperties* ARunProperties) {
  TvnFont font;
  font.SetName(u"Arial");
  font.SetSize(10);
  if (ARunProperties == nullptr) return font;
  if (const TvnFont* own = ARunProperties->GetFont()) {
    font.SetName(own->GetName());
    font.SetSize(own->GetSize());
    font.SetStyle(own->GetStyle());
  }
  const TvnTextAlignment alignment = ARunProperties->GetTextAlignment();
  if (alignment == TvnTextAlignment::taSuperscript || alignment == TvnTextAlignment::taSubscript)
    font.SetSize(vn::RoundToInt(font.GetSize() / 1.5));
  return font;
}

// Measures with AFont selected, restoring the canvas's font afterwards.
class FontScope {
 public:
  FontScope(TvnBaseCanvas& ACanvas, const TvnRunProperties* ARunProperties)
      : FCanvas(ACanvas), FPrevious(ACanvas.GetFont()), FFont(MeasuringFont(ARunProperties)) {
    FCanvas.SetFont(&FFont);
  }
  ~FontScope() { FCanvas.SetFont(FPrevious); }
  FontScope(const FontScope&) = delete;
  FontScope& operator=(const FontScope&) = delete;

  vn::framework::TSize Measure(const String& AText) { return FCanvas.Measure(AText); }

 private:
  TvnBaseCanvas& FCanvas;
  TvnFont* FPrevious;
  TvnFont FFont;
};

int32_t RegionWidth(const TRect& ARegion) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{ARegion.Right} - ARegion.Left, INT32_MIN, INT32_MAX));
}

int32_t AddClamped(int32_t A, int32_t B) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{A} + B, INT32_MIN, INT32_MAX));
}

// The runs of a paragraph in layout order: each field's result runs, and
// the runs themselves.
template <typename Visit>
void ForEachRun(TvnParagraph& AParagraph, Visit AVisit) {
  for (const auto& child : AParagraph.GetItems()) {
    if (auto* field = dynamic_cast<TvnField*>(child.get())) {
      if (TvnFieldResult* result = field->GetResult())
        for (const auto& run : *result)
          if (run) AVisit(*run);
    } else if (auto* run = dynamic_cast<TvnRun*>(child.get())) {
      AVisit(*run);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Splitting

bool IsBreakingSpace(char16_t AChar) { return AChar == u' ' || AChar == u'\xF020'; }

std::vector<String> SplitAsListAndKeep(const String& AStr, bool AHasDecimalTab, bool AKeepSpaces) {
  std::vector<String> pieces;
  String piece;
  const auto emit = [&pieces](String& APiece) {
    if (!APiece.empty()) pieces.push_back(std::move(APiece));
    APiece.clear();
  };
  bool afterDigit = false;
  for (const char16_t c : AStr) {
    if (IsBreakingSpace(c)) {
      if (AKeepSpaces) {
        emit(piece);
        pieces.emplace_back(1, c);
      } else {
        piece += c;
        emit(piece);
      }
    } else if (AHasDecimalTab && (c == u'.' || (afterDigit && !IsDigitChar(c)))) {
      emit(piece);
      pieces.emplace_back(1, c);
    } else {
      piece += c;
    }
    afterDigit = IsDigitChar(c);
  }
  emit(piece);
  return pieces;
}

// ---------------------------------------------------------------------------
// TvnparagraphTag

TvnparagraphTag::TvnparagraphTag(TvnParagraph* AParentPara) { SetAssociatedItem(AParentPara); }

TvnparagraphTag::~TvnparagraphTag() = default;

std::unique_ptr<TvnDocItem> TvnparagraphTag::Clone() const {
  auto copy = std::make_unique<TvnparagraphTag>(GetParentPara());
  Assign(this, copy.get());
  return copy;
}

void TvnparagraphTag::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnparagraphTag*>(ASource);
  auto* dest = dynamic_cast<TvnparagraphTag*>(ADest);
  if (source == nullptr || dest == nullptr) return;
  dest->FNeedRecalculation = source->FNeedRecalculation;
  dest->FItemsBroken = source->FItemsBroken;
  dest->FContainsSection = source->FContainsSection;
  dest->FOverflowedParagraph = source->FOverflowedParagraph;
  dest->FIsNumPara = source->FIsNumPara;
  dest->FIsNumAdded = source->FIsNumAdded;
  dest->FContainsField = source->FContainsField;
  dest->FSection = source->FSection;
  dest->FHAlignment = source->FHAlignment;
}

TvnParagraph* TvnparagraphTag::GetParentPara() const { return dynamic_cast<TvnParagraph*>(GetAssociatedItem()); }

bool TvnparagraphTag::HasDecimalTab() const {
  const TvnParagraph* paragraph = GetParentPara();
  if (paragraph == nullptr || !paragraph->GetParagraphProperties()) return false;
  const auto& tabs = paragraph->GetParagraphProperties()->GetTabs();
  return std::any_of(tabs.begin(), tabs.end(),
                     [](const auto& tab) { return tab && tab->GetTabStopValue() == TvnTabStopValue::tsvDecimal; });
}

void TvnparagraphTag::BreakTextRuns() {
  TvnParagraph* paragraph = GetParentPara();
  if (paragraph == nullptr) return;
  const bool decimal = HasDecimalTab();
  bool tabSeen = false;
  ForEachRun(*paragraph, [&](TvnRun& ARun) { tabSeen = BreakTextRun(decimal, ARun, tabSeen); });
  FItemsBroken = true;
}

bool TvnparagraphTag::BreakTextRun(bool AHasDecimalTab, TvnRun& ARun, bool ATabSeen) {
  const TvnParagraph* paragraph = GetParentPara();
  const bool keepSpaces = paragraph != nullptr && paragraph->GetFinalParagraphProperties() &&
                          paragraph->GetFinalParagraphProperties()->GetHAlignment() != TvnHAlignment::haLeft;
  bool tabSeen = ATabSeen;
  for (auto& child : ARun.Clear()) {
    if (auto* brk = dynamic_cast<TvnBreak*>(child.get())) {
      if (brk->GetBreakType() == TvnBreakType::btTab) {
        tabSeen = true;
        continue;
      }
      ARun.Add(std::move(child));
    } else if (auto* item = dynamic_cast<TvnTextitem*>(child.get())) {
      const std::vector<String> pieces = SplitAsListAndKeep(item->GetText(), AHasDecimalTab, keepSpaces);
      for (size_t i = 0; i < pieces.size(); ++i) {
        auto piece = std::make_unique<TvnTextitem>(pieces[i], item->GetRunProperties());
        TvnTextItemTag* tag = TextItemTagOf(*piece);
        if (tabSeen) tag->SetIsTabbed(true);
        tabSeen = false;
        if (i == 0 || i + 1 == pieces.size()) piece->SetPreserveSpaces(item->GetPreserveSpaces());
        ARun.Add(std::move(piece));
      }
    } else {
      ARun.Add(std::move(child));
    }
  }
  return tabSeen;
}

void TvnparagraphTag::Measure(const TRect& ADisplayRgn, TvnBaseCanvas& ACanvas) {
  if (TvnParagraph* paragraph = GetParentPara()) {
    ForEachRun(*paragraph, [&](TvnRun& ARun) { TextRunTagOf(ARun)->Measure(ADisplayRgn, ACanvas, 0, false, {}); });
    if (HasDecimalTab()) MeasureDecimalTabs();
  }
  FNeedRecalculation = false;
}

void TvnparagraphTag::MeasureDecimalTabs() {
  std::vector<TvnTextitem*> items;
  ForEachRun(*GetParentPara(), [&](TvnRun& ARun) {
    for (const auto& child : ARun.GetItems())
      if (auto* item = dynamic_cast<TvnTextitem*>(child.get())) items.push_back(item);
  });
  bool open = false;
  size_t start = 0;
  int32_t running = 0;
  bool afterDigit = false;
  for (size_t i = 0; i < items.size(); ++i) {
    TvnTextitem* item = items[i];
    TvnTextItemTag* tag = TextItemTagOf(*item);
    const String& text = item->GetText();
    if (tag->GetIsTabbed()) {
      open = true;
      start = i;
      running = 0;
      afterDigit = false;
    }
    if (!open) continue;
    const bool closes =
        i != start && !text.empty() && (text.front() == u'.' || (afterDigit && !IsDigitChar(text.front())));
    if (closes) {
      // Each piece before the decimal point gets the width from its own
      // left edge to the point.
      int32_t ahead = running;
      for (size_t j = start; j < i; ++j) {
        TextItemTagOf(*items[j])->SetTab_SpaceBeforeDecimal(ahead);
        ahead -= items[j]->GetWidth();
      }
      open = false;
      continue;
    }
    running = AddClamped(running, item->GetWidth());
    tag->SetTabAccumulatedWidth(item->GetWidth());
    // The digit flag looks at the last character that is not a space (a
    // piece of a left-aligned paragraph keeps its trailing space).
    const auto last = std::find_if(text.rbegin(), text.rend(), [](char16_t c) { return !IsBreakingSpace(c); });
    if (last != text.rend()) afterDigit = IsDigitChar(*last);
  }
}

bool TvnparagraphTag::Intersects(const TRect& ARect) const {
  const TvnParagraph* paragraph = GetParentPara();
  return paragraph != nullptr && RectCornerInRect(paragraph->GetBoundingRect(), ARect);
}

std::unique_ptr<TvnDocItem> TvnparagraphTag::RemoveNumberRun() {
  TvnParagraph* paragraph = GetParentPara();
  if (!FIsNumAdded || paragraph == nullptr || paragraph->GetCount() == 0) return nullptr;
  return paragraph->RemoveAt(0);
}

void TvnparagraphTag::Add(std::unique_ptr<TvnField> AFeild) {
  TvnParagraph* paragraph = GetParentPara();
  if (paragraph == nullptr || !AFeild) return;
  paragraph->Add(std::move(AFeild));
  FContainsField = true;
}

// ---------------------------------------------------------------------------
// TvnTextItemTag

TvnTextItemTag::TvnTextItemTag(TvnTextitem* ATextItem) { SetAssociatedItem(ATextItem); }

TvnTextItemTag::~TvnTextItemTag() = default;

std::unique_ptr<TvnDocItem> TvnTextItemTag::Clone() const {
  auto copy = std::make_unique<TvnTextItemTag>(GetTextItem());
  Assign(this, copy.get());
  return copy;
}

void TvnTextItemTag::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnTextItemTag*>(ASource);
  auto* dest = dynamic_cast<TvnTextItemTag*>(ADest);
  if (source == nullptr || dest == nullptr) return;
  dest->FActualString = source->FActualString;
  dest->FNeedRecalculation = source->FNeedRecalculation;
  dest->FIsTabbed = source->FIsTabbed;
  dest->FCharSpace = source->FCharSpace;
  dest->FSpaceAfterChar = source->FSpaceAfterChar;
  dest->FPixelGapForSuperscriptAndSubscript = source->FPixelGapForSuperscriptAndSubscript;
  dest->FTabAccumulatedWidth = source->FTabAccumulatedWidth;
  dest->FRunProperties = source->FRunProperties ? source->FRunProperties->Clone() : nullptr;
  dest->FCharBBoxes = source->FCharBBoxes;
  dest->FbackupDisplayRgn = source->FbackupDisplayRgn;
  dest->FTab_SpaceBeforeDecimal = source->FTab_SpaceBeforeDecimal;
}

TvnTextitem* TvnTextItemTag::GetTextItem() const { return dynamic_cast<TvnTextitem*>(GetAssociatedItem()); }

void TvnTextItemTag::Measure(const TRect& ADisplayRgn, const TvnRunProperties* ARunProperties, int32_t APrevCount,
                             bool ATab_decimalchar, const String& AccumulatedString, TvnBaseCanvas& ACanvas) {
  FbackupDisplayRgn = ADisplayRgn;
  TvnTextitem* item = GetTextItem();
  if (item != nullptr) {
    if (ARunProperties != nullptr && ARunProperties->GetCaps()) {
      const String upper = vn::WideUpperCase(item->GetText());
      // Measured again, the text is already in upper case: the text as
      // written stays what was kept the first time.
      if (FActualString.empty() || vn::WideUpperCase(FActualString) != upper) FActualString = item->GetText();
      item->SetText(upper);
    }
    FontScope scope(ACanvas, ARunProperties);
    const vn::framework::TSize size = scope.Measure(item->GetText());
    item->SetWidth(size.cx);
    item->SetHeight(size.cy);
    if (ATab_decimalchar && !AccumulatedString.empty()) {
      const auto length = static_cast<int64_t>(AccumulatedString.size());
      auto at = static_cast<size_t>(std::clamp<int64_t>(APrevCount, 0, length));
      while (at < AccumulatedString.size() && !IsDigitChar(AccumulatedString[at])) ++at;
      while (at < AccumulatedString.size() && IsDigitChar(AccumulatedString[at])) ++at;
      FTab_SpaceBeforeDecimal = scope.Measure(AccumulatedString.substr(0, at)).cx;
    }
  }
  FNeedRecalculation = false;
}

void TvnTextItemTag::MeasureCharBBoxes(TvnBaseCanvas& ACanvas) {
  FCharBBoxes.clear();
  const TvnTextitem* item = GetTextItem();
  if (item == nullptr) return;
  FontScope scope(ACanvas, item->GetRunProperties().get());
  for (const char16_t c : item->GetText()) {
    const vn::framework::TSize size = scope.Measure(String(1, c));
    FCharBBoxes.push_back(TRect{0, 0, AddClamped(size.cx, FPixelGapForSuperscriptAndSubscript), size.cy});
  }
}

std::vector<std::unique_ptr<TvnTextitem>> TvnTextItemTag::BreakTextItemsAsPerWindowSize(
    const TRect& ADisplayRgn, const std::shared_ptr<TvnRunProperties>& ARunProperties, TvnBaseCanvas& ACanvas) {
  std::vector<std::unique_ptr<TvnTextitem>> result;
  const TvnTextitem* item = GetTextItem();
  if (item == nullptr) return result;
  const String& text = item->GetText();
  const int32_t limit = RegionWidth(ADisplayRgn);
  FontScope scope(ACanvas, ARunProperties.get());
  int32_t tallest = 0;
  const auto emit = [&](String APiece, int32_t AWidth) {
    auto piece = std::make_unique<TvnTextitem>(APiece, ARunProperties);
    piece->SetWidth(AWidth);
    piece->SetHeight(tallest);
    TvnTextItemTag* tag = TextItemTagOf(*piece);
    tag->SetNeedRecalculation(false);
    if (result.empty()) {
      tag->SetIsTabbed(FIsTabbed);
      tag->SetTabAccumulatedWidth(FTabAccumulatedWidth);
      tag->SetTab_SpaceBeforeDecimal(FTab_SpaceBeforeDecimal);
    }
    result.push_back(std::move(piece));
  };
  String piece;
  int32_t pieceWidth = 0;
  size_t i = 0;
  while (i < text.size()) {
    // One character: a surrogate pair stays whole.
    size_t length = 1;
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF)
      length = 2;
    const String character = text.substr(i, length);
    i += length;
    const vn::framework::TSize size = scope.Measure(piece + character);
    tallest = std::max(tallest, size.cy);
    const int32_t width = AddClamped(size.cx, FPixelGapForSuperscriptAndSubscript);
    if (width <= limit || piece.empty()) {
      piece += character;
      pieceWidth = width;
      // A character wider than the region by itself is a piece of its own.
      if (width > limit) {
        emit(std::move(piece), pieceWidth);
        piece.clear();
      }
      continue;
    }
    emit(std::move(piece), pieceWidth);
    piece = character;
    const vn::framework::TSize alone = scope.Measure(piece);
    pieceWidth = AddClamped(alone.cx, FPixelGapForSuperscriptAndSubscript);
    if (pieceWidth > limit) {
      emit(std::move(piece), pieceWidth);
      piece.clear();
    }
  }
  if (!piece.empty()) emit(std::move(piece), pieceWidth);
  if (!result.empty()) {
    result.front()->SetPreserveSpaces(item->GetPreserveSpaces());
    result.back()->SetPreserveSpaces(item->GetPreserveSpaces());
  }
  return result;
}

// ---------------------------------------------------------------------------
// TvnTextRunTag

TvnTextRunTag::TvnTextRunTag(TvnRun* ATextRun) { SetAssociatedItem(ATextRun); }

std::unique_ptr<TvnDocItem> TvnTextRunTag::Clone() const {
  auto copy = std::make_unique<TvnTextRunTag>(GetTextRun());
  Assign(this, copy.get());
  return copy;
}

TvnRun* TvnTextRunTag::GetTextRun() const { return dynamic_cast<TvnRun*>(GetAssociatedItem()); }

void TvnTextRunTag::Measure(const TRect& ADisplayRgn, TvnBaseCanvas& ACanvas, int32_t APrevCount,
                            bool ATab_decimalchar, const String& AccumulatedString) {
  TvnRun* run = GetTextRun();
  if (run == nullptr) return;
  const int32_t limit = RegionWidth(ADisplayRgn);
  int32_t width = 0;
  int32_t height = 0;
  for (auto& child : run->Clear()) {
    auto* item = dynamic_cast<TvnTextitem*>(child.get());
    if (item == nullptr) {
      run->Add(std::move(child));
      continue;
    }
    std::shared_ptr<TvnRunProperties> properties =
        run->GetFinalRunProperties() ? run->GetFinalRunProperties() : item->GetRunProperties();
    TvnTextItemTag* tag = TextItemTagOf(*item);
    tag->Measure(ADisplayRgn, properties.get(), APrevCount, ATab_decimalchar, AccumulatedString, ACanvas);
    if (item->GetWidth() <= limit) {
      width = AddClamped(width, item->GetWidth());
      height = std::max(height, item->GetHeight());
      run->Add(std::move(child));
      continue;
    }
    for (auto& piece : tag->BreakTextItemsAsPerWindowSize(ADisplayRgn, properties, ACanvas)) {
      width = AddClamped(width, piece->GetWidth());
      height = std::max(height, piece->GetHeight());
      run->Add(std::move(piece));
    }
  }
  run->SetWidth(width);
  run->SetHeight(height);
}

// ---------------------------------------------------------------------------
// TvnTableTag, TvnHeaderFooterElementTag

TvnTableTag::TvnTableTag(TvnTable* ATable) { SetAssociatedItem(ATable); }

std::unique_ptr<TvnDocItem> TvnTableTag::Clone() const {
  auto copy = std::make_unique<TvnTableTag>(GetTable());
  Assign(this, copy.get());
  return copy;
}

void TvnTableTag::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnTableTag*>(ASource);
  auto* dest = dynamic_cast<TvnTableTag*>(ADest);
  if (source == nullptr || dest == nullptr) return;
  dest->FProcessed = source->FProcessed;
  dest->FRenderHeaderRows = source->FRenderHeaderRows;
  dest->FHeaderRowIndices = source->FHeaderRowIndices;
}

TvnTable* TvnTableTag::GetTable() const { return dynamic_cast<TvnTable*>(GetAssociatedItem()); }

std::unique_ptr<TvnDocItem> TvnHeaderFooterElementTag::Clone() const {
  auto copy = std::make_unique<TvnHeaderFooterElementTag>();
  Assign(this, copy.get());
  return copy;
}

void TvnHeaderFooterElementTag::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnHeaderFooterElementTag*>(ASource);
  auto* dest = dynamic_cast<TvnHeaderFooterElementTag*>(ADest);
  if (source != nullptr && dest != nullptr) dest->FPageFieldList = source->FPageFieldList;
}

void TvnHeaderFooterElementTag::AddPageField(TvnPageField* AField) {
  if (AField != nullptr) FPageFieldList.push_back(AField);
}

// ---------------------------------------------------------------------------
// Tags of items

namespace {

template <typename Tag, typename Item>
Tag* TagOf(Item& AItem) {
  if (auto* tag = dynamic_cast<Tag*>(AItem.GetTag())) {
    tag->SetAssociatedItem(&AItem);
    return tag;
  }
  auto tag = std::make_unique<Tag>(&AItem);
  Tag* result = tag.get();
  AItem.SetTag(std::move(tag));
  return result;
}

}  // namespace

TvnparagraphTag* ParagraphTagOf(TvnParagraph& AParagraph) { return TagOf<TvnparagraphTag>(AParagraph); }
TvnTextItemTag* TextItemTagOf(TvnTextitem& AItem) { return TagOf<TvnTextItemTag>(AItem); }
bool TabbedByLayout(const TvnTextitem& AItem) {
  const auto* tag = dynamic_cast<const TvnTextItemTag*>(AItem.GetTag());
  return tag != nullptr && tag->GetIsTabbed();
}
TvnTextRunTag* TextRunTagOf(TvnRun& ARun) { return TagOf<TvnTextRunTag>(ARun); }
TvnTableTag* TableTagOf(TvnTable& ATable) { return TagOf<TvnTableTag>(ATable); }

}  // namespace vn::wordmodel
