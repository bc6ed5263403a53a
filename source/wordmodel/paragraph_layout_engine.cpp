#include "wordmodel/paragraph_layout_engine.h"

#include <algorithm>
#include <set>

#include "runtime/numbers.h"
#include "wordmodel/borders.h"
#include "wordmodel/field_code.h"
#include "wordmodel/fields.h"
#include "wordmodel/images.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/margins.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/section.h"
#include "wordmodel/shape_properties.h"
#include "wordmodel/table.h"
#include "wordmodel/table_layout_engine.h"
#include "wordmodel/text_box.h"
#include "wordmodel/text_item.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel {

// Where the next item of a paragraph goes, carried through its children.
struct TvnPageLayoutEngine::ItemPlacement {
  int32_t X = 0;
  int32_t Y = 0;
  bool StartOfPara = true;
  bool ListFlag = false;
  // The next item starts a new line (after a line break).
  bool ForceNewLine = false;
  const TvnParagraphProperties* Props = nullptr;
};

namespace {

int32_t SetOrZero(int32_t AValue) { return AValue == kUnsetValue ? 0 : AValue; }

const TvnParagraphProperties& DefaultParagraphProperties() {
  static const TvnParagraphProperties props;
  return props;
}

const TvnParagraphProperties& FinalPropsOf(const TvnParagraph& AP) {
  const auto& final = AP.GetFinalParagraphProperties();
  if (final) return *final;
  if (AP.GetParagraphProperties()) return *AP.GetParagraphProperties();
  return DefaultParagraphProperties();
}

std::unique_ptr<TvnLine> BorderLine(const TvnBorder& ABorder, int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2) {
  auto line = std::make_unique<TvnLine>(AX1, AY1, AX2, AY2);
  line->GetPen()->SetColor(ABorder.GetColor());
  line->GetPen()->SetWidth(ABorder.GetBorderWidth());
  return line;
}

int32_t RightEdgeOfLastItem(const TvnTextLine& ALine) {
  const auto& children = ALine.Children();
  if (children.Empty()) return 0;
  const TvnDocItem* last = children[children.Count() - 1];
  return last->GetX() + last->GetWidth();
}

// How a text item reads: by its first character of a strong direction
// (Hebrew, Arabic, Syriac, Thaana and their presentation forms read right
// to left, other letters left to right); blanks, digits and punctuation
// alone are neutral.
enum class ItemDirection : uint8_t { Neutral, LeftToRight, RightToLeft };

ItemDirection DirectionOf(const TvnDocItem* AItem) {
  const auto* text = dynamic_cast<const TvnTextitem*>(AItem);
  if (text == nullptr) return ItemDirection::LeftToRight;
  for (const char16_t c : text->GetText()) {
    if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFE)) {
      return ItemDirection::RightToLeft;
    }
    const bool neutral = c < 0x41 || (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0xBF) || c == 0xD7 ||
                         c == 0xF7 || (c >= 0x2000 && c <= 0x206F) || (c >= 0x0300 && c <= 0x036F) ||
                         (c >= 0xD800 && c <= 0xDFFF) || c == 0xFEFF;
    if (!neutral) return ItemDirection::LeftToRight;
  }
  return ItemDirection::Neutral;
}

// Words of a right-to-left script read from right to left: each stretch of
// the line from one right-to-left word to the last one that follows it
// with only right-to-left or neutral words between is mirrored in the
// room it takes, so its first word ends at the stretch's right edge. Words
// of other scripts, pictures and the stretch's room stay where they are.
// The blanks that end a word of the stretch move to its front: read from
// right to left they lie before the next word, which is now on the left.
void OrderRightToLeftWords(TvnTextLine& ALine) {
  auto& children = ALine.Children();
  const size_t count = children.Count();
  for (size_t first = 0; first < count; ++first) {
    if (DirectionOf(children[first]) != ItemDirection::RightToLeft) continue;
    size_t last = first;
    for (size_t k = first + 1; k < count; ++k) {
      const ItemDirection direction = DirectionOf(children[k]);
      if (direction == ItemDirection::LeftToRight) break;
      if (direction == ItemDirection::RightToLeft) last = k;
    }
    if (last > first) {
      const int32_t left = children[first]->GetX();
      const int32_t right = children[last]->GetX() + children[last]->GetWidth();
      for (size_t k = first; k <= last; ++k) {
        TvnDocItem* item = children[k];
        item->ShiftByOffset(left + right - 2 * item->GetX() - item->GetWidth(), 0);
        if (auto* text = dynamic_cast<TvnTextitem*>(item)) {
          const String& words = text->GetText();
          const size_t end = words.find_last_not_of(u' ');
          if (end != String::npos && end + 1 < words.size()) {
            text->SetText(words.substr(end + 1) + words.substr(0, end + 1));
          }
        }
      }
    }
    first = last;
  }
}

// A space after the line's last word moves onto the word before it: that
// word's box takes the space's right edge (so the word itself moves right
// by the space's width) and the space leaves the line.
void FoldTrailingSpace(TvnTextLine& ALine) {
  auto& children = ALine.Children();
  if (children.Count() < 2) return;
  auto* last = dynamic_cast<TvnTextitem*>(children[children.Count() - 1]);
  auto* before = dynamic_cast<TvnTextitem*>(children[children.Count() - 2]);
  if (last == nullptr || before == nullptr || last->GetText().empty() || !IsBreakingSpace(last->GetText().back())) {
    return;
  }
  if (before->GetText().empty() || !IsBreakingSpace(before->GetText().back()))
    before->SetText(before->GetText() + u" ");
  before->SetBoundingRect(TRect{before->GetX() + last->GetWidth(), before->GetY(), last->GetX() + last->GetWidth(),
                                before->GetY() + before->GetHeight()});
  children.Remove(last);
}

// A space that starts the line moves onto the word after it: that word's
// box starts where the space started less its width and the space leaves
// the line.
void FoldLeadingSpace(TvnTextLine& ALine) {
  auto& children = ALine.Children();
  if (children.Count() < 2) return;
  auto* first = dynamic_cast<TvnTextitem*>(children[0]);
  auto* after = dynamic_cast<TvnTextitem*>(children[1]);
  if (first == nullptr || after == nullptr || first->GetText().empty() || !IsBreakingSpace(first->GetText().front())) {
    return;
  }
  if (after->GetText().empty() || !IsBreakingSpace(after->GetText().front())) after->SetText(u" " + after->GetText());
  after->SetBoundingRect(TRect{first->GetX() - first->GetWidth(), after->GetY(), after->GetX() + after->GetWidth(),
                               after->GetY() + after->GetHeight()});
  children.Remove(first);
}

}  // namespace

TvnPageLayoutEngine::TvnPageLayoutEngine(TvnSection* ACurrentSection, int32_t ACurrentSectionIndex, int32_t APageNum,
                                         const TRect& AdisplayRegion)
    : FCurrentSection(ACurrentSection),
      FpageNumber(APageNum),
      FCurrentSectionIndex(ACurrentSectionIndex),
      FX(AdisplayRegion.Left),
      FY(AdisplayRegion.Top),
      FDisplayRegion(AdisplayRegion),
      FRawSearchItems(std::make_unique<TvnRawPageTextItems>()) {
  FPrevY = FY;
}

TvnPageLayoutEngine::~TvnPageLayoutEngine() = default;

void TvnPageLayoutEngine::SetDisplayRegion(const TRect& Value) {
  FDisplayRegion = Value;
  FX = Value.Left;
  FY = Value.Top;
  FPrevY = Value.Top;
}

void TvnPageLayoutEngine::Restart() {
  FPrevParaAfterSpace = 0;
  FPrevY = FY;
  FIsParaLeftOver = false;
  FPrevPara = nullptr;
  FPrevParaStyleID.clear();
  FPageElements.Clear();
  FFreshPage = true;
  FRawSearchItems = std::make_unique<TvnRawPageTextItems>();
}

int32_t TvnPageLayoutEngine::GetLineSpacing(const TvnParagraphProperties* AProps, int32_t ACurrentLineHt) {
  if (AProps == nullptr || AProps->GetLineSpacing() <= 0 || AProps->GetLineSpacing() == kUnsetValue) {
    return ACurrentLineHt;
  }
  const double spacing = AProps->GetLineSpacing();
  const double pixels = spacing * 96.0 / 1440.0;
  switch (AProps->GetLineSpacingRule()) {
    case TvnSpacingRule::srExact:
      return vn::RoundToInt(pixels);
    case TvnSpacingRule::srAtleast:
      return vn::RoundToInt(std::max(static_cast<double>(ACurrentLineHt), pixels));
    case TvnSpacingRule::srAuto:
      break;
  }
  return vn::RoundToInt(ACurrentLineHt * spacing / 240.0);
}

int32_t TvnPageLayoutEngine::RightLimit(const TvnParagraphProperties& AProps) const {
  return FDisplayRegion.Right - SetOrZero(AProps.GetRightIndent());
}

TvnPageLayoutEngine::LineStarts TvnPageLayoutEngine::GetLineStarts(const TvnParagraphProperties& AProps,
                                                                   bool AListFlag) const {
  // Unset indents count as 0: a paragraph indented on the left whose first
  // line says nothing starts every line at the indent.
  LineStarts starts;
  starts.LeftX = FDisplayRegion.Left + SetOrZero(AProps.GetLeftIndent());
  const int32_t hanging = SetOrZero(AProps.GetHanging());
  const int32_t firstLine = SetOrZero(AProps.GetFirstLineIndent());
  if (AListFlag) {
    starts.FirstLineX = hanging <= 0 ? starts.LeftX + firstLine : starts.LeftX - hanging;
  } else {
    starts.FirstLineX = hanging > 0 ? starts.LeftX - hanging : starts.LeftX + firstLine;
  }
  return starts;
}

int32_t TvnPageLayoutEngine::GetTabPosition(int32_t AX, int32_t AWidth, const TvnParagraphProperties& AProps,
                                            int32_t& ATabCounter, int32_t ASpaceBeforeDecimal) const {
  ++ATabCounter;
  const int32_t leftIndent = AProps.GetLeftIndent();
  if (leftIndent > 0) {
    const int32_t indentX = leftIndent == kUnsetValue ? AX : FDisplayRegion.Left + leftIndent;
    if (AX < indentX) return indentX;
  }
  const auto& tabs = AProps.GetTabs();
  for (int32_t i = std::max(ATabCounter, 1); i <= static_cast<int32_t>(tabs.size()); ++i) {
    const auto& tab = tabs[static_cast<size_t>(i - 1)];
    if (!tab) continue;
    const int32_t stop = tab->GetPosition() + FDisplayRegion.Left;
    if (stop <= AX) continue;
    ATabCounter = i;
    switch (tab->GetTabStopValue()) {
      case TvnTabStopValue::tsvCenter:
        return std::max(AX, stop - vn::RoundToInt(AWidth / 2.0));
      case TvnTabStopValue::tsvEnd:
        return std::max(AX, stop - AWidth);
      case TvnTabStopValue::tsvDecimal:
        return std::max(AX, stop - (ASpaceBeforeDecimal > 0 ? ASpaceBeforeDecimal : AWidth));
      default:
        return stop;
    }
  }
  const int32_t defaultStop = AProps.GetDefaultTabStop();
  if (defaultStop > 0 && defaultStop != kUnsetValue) {
    return vn::RoundToInt((static_cast<double>(AX) + defaultStop) / defaultStop * defaultStop);
  }
  // No stop at all: the text stays where it is.
  return AX;
}

TvnPageLayoutEngine::TabLeader TvnPageLayoutEngine::BuildTabLeader(int32_t AAdvanceWidth, TvnTabStopChar ALeaderChar,
                                                                   const std::shared_ptr<TvnRunProperties>& AFont) {
  String character = u".";
  if (ALeaderChar == TvnTabStopChar::tscHyphen) character = u"-";
  if (ALeaderChar == TvnTabStopChar::tscUnderscore) character = u"_";
  TabLeader leader;
  if (FCanvas == nullptr) return leader;
  TvnTextitem probe(character, AFont);
  TextItemTagOf(probe)->Measure(FDisplayRegion, AFont.get(), 0, false, {}, *FCanvas);
  const int32_t w = probe.GetWidth();
  leader.Height = probe.GetHeight();
  if (w <= 0) return leader;
  for (int64_t sum = 0; sum < AAdvanceWidth; sum += w) {
    if (sum + 2 * int64_t{w} < AAdvanceWidth) leader.Text += character;
  }
  return leader;
}

void TvnPageLayoutEngine::MarkLeftOver(TvnParagraph* AP, int32_t AChildIndex, int32_t AItemIndex) {
  if (FIsParaLeftOver) return;
  FIsParaLeftOver = true;
  FPrevPara = AP;
  FLeftOverRunIndex = AChildIndex;
  FLeftoverRunItemIndex = AItemIndex;
}

int32_t TvnPageLayoutEngine::MarkHeight(const TvnParagraphProperties& AProps) {
  if (FCanvas == nullptr) return 0;
  auto properties = std::make_shared<TvnRunProperties>();
  auto font = std::make_shared<TvnFont>();
  font->SetName(u"Arial");
  font->SetSize(10);
  const auto& markRun = AProps.GetRunProperties();
  if (markRun && markRun->GetFont() != nullptr) {
    font->SetName(markRun->GetFont()->GetName());
    font->SetStyle(markRun->GetFont()->GetStyle());
    if (markRun->GetFont()->GetSize() > 0) font->SetSize(markRun->GetFont()->GetSize());
  }
  properties->SetFont(font);
  TvnTextitem mark(u"\u00B6", properties);
  TextItemTagOf(mark)->Measure(FDisplayRegion, properties.get(), 0, false, {}, *FCanvas);
  return mark.GetHeight();
}

bool TvnPageLayoutEngine::ProcessParagraph(TvnParagraph& AP, uint8_t& ACauseForCompletion,
                                           TvnHeaderFooterElementTag* AHeaderFooterElementTag,
                                           int32_t AstartRunItemIndex, int32_t AendIndex, int32_t AstartIndex,
                                           LaidOutItems* AList, std::vector<TvnField*>* ANumPagesFieldList) {
  FPageBreakEncountered = false;
  TvnparagraphTag* tag = ParagraphTagOf(AP);
  const bool overflowed = tag->GetOverflowedParagraph();
  if (!overflowed) AP.SetPageNumber(FpageNumber);
  TvnParagraphProperties* final = AP.GetFinalParagraphProperties().get();
  const TvnParagraphProperties& props = FinalPropsOf(AP);
  const int32_t firstLineIndent = props.GetFirstLineIndent();
  if (overflowed && final != nullptr) final->SetFirstLineIndent(0);

  const auto& own = AP.GetParagraphProperties();
  const String styleID = own ? own->GetStyleID() : String();
  const int32_t before = SetOrZero(props.GetSpaceBefore());
  int32_t spaceBefore = (!overflowed && (FPrevParaAfterSpace > 0 || before > 0)) ? before : 0;
  if (props.GetContextualSpace() && styleID == FPrevParaStyleID) spaceBefore = 0;
  int32_t spaceAfter = FPrevParaAfterSpace;
  if (spaceAfter == INT32_MIN || spaceAfter == kUnsetValue) spaceAfter = 0;
  if ((FPrevParaContSpace || props.GetContextualSpace()) && styleID == FPrevParaStyleID) spaceAfter = 0;
  FY += std::max(spaceBefore, spaceAfter);

  BeginParagraphBorder(AP);
  bool full = false;
  uint8_t cause = 0;
  TvnTextLines lines = BuildLines(AP, AstartRunItemIndex, AendIndex, AstartIndex, AHeaderFooterElementTag,
                                  ANumPagesFieldList, full, cause);
  if (cause != 0) ACauseForCompletion = cause;
  PlaceLines(AP, AList, lines, firstLineIndent, full);
  if (own && own->GetParaBorder() != nullptr) CreateParagraphBorderLines(*own->GetParaBorder());

  FPrevParaStyleID = styleID;
  FPrevParaContSpace = props.GetContextualSpace();
  return full;
}

TvnTextLines TvnPageLayoutEngine::BuildLines(TvnParagraph& AP, int32_t AstartRunItemIndex, int32_t AendIndex,
                                             int32_t AstartIndex, TvnHeaderFooterElementTag* AHeaderFooterElementTag,
                                             std::vector<TvnField*>* ANumPagesFieldList, bool& AFull, uint8_t& ACause) {
  TvnTextLines lines;
  AFull = false;
  ACause = 0;
  ItemPlacement at;
  at.X = FX;
  at.Y = FY;
  FcurrentParaTop = FY;
  FcurrentRunRight = FX;
  TvnparagraphTag* tag = ParagraphTagOf(AP);
  if (!tag->GetItemsBroken()) tag->BreakTextRuns();
  if (tag->GetNeedRecalculation() && FCanvas != nullptr) tag->Measure(FDisplayRegion, *FCanvas);
  const TvnParagraphProperties& props = FinalPropsOf(AP);
  at.Props = &props;
  at.ListFlag = tag->GetIsNumParagraph();

  if (props.GetPageBreakBefore() && !FFreshPage) {
    AFull = true;
    MarkLeftOver(&AP, 0, 0);
    return lines;
  }

  bool sawRun = false;
  const int32_t count = AP.GetCount();
  for (int32_t i = std::max(AstartIndex, 0); i < count && (AendIndex < 0 || i <= AendIndex) && !AFull; ++i) {
    FLeftOverRunIndex = i;
    TvnDocItem* child = AP.GetItem(i);
    if (auto* field = dynamic_cast<TvnField*>(child)) {
      LayoutField(AP, *field, i, AHeaderFooterElementTag, ANumPagesFieldList, lines, at, AFull);
    } else if (auto* run = dynamic_cast<TvnRun*>(child)) {
      sawRun = true;
      at.X = BeginRunBorder(at.X, at.Y, *run);
      LayoutRunItems(AP, *run, i, i == AstartIndex ? AstartRunItemIndex : 0, lines, at, AFull);
      const auto& runProps = run->GetFinalRunProperties();
      if (runProps && runProps->GetRunBorder() != nullptr) {
        const int32_t lineHeight = lines.empty() ? 0 : lines.back()->GetLineHeight();
        CreateRunBorderLines(*runProps->GetRunBorder(), FRunBorderStartX, FRunBorderNewRun, at.X, at.Y + lineHeight,
                             FRunBorderStartY);
      }
    } else if (auto* image = dynamic_cast<TvnWordImage*>(child)) {
      if (FVisitedImagesMap.count(image) == 0) LayoutImage(AP, *image, i, lines, at, AFull, ACause);
      if (AFull && ACause == 1) return {};
    } else if (auto* box = dynamic_cast<TvnTextBox*>(child)) {
      LayoutTextBox(AP, *box, i, lines, at, AFull, ACause);
      if (AFull && ACause == 1) return {};
    }
  }

  if (!sawRun && count > 0) {
    const int32_t markHeight = MarkHeight(props);
    const int32_t regionHeight = FDisplayRegion.Bottom - FDisplayRegion.Top;
    if (markHeight < regionHeight) {
      if (at.Y + markHeight > FDisplayRegion.Bottom) {
        AFull = true;
        if (at.Y + markHeight - FDisplayRegion.Bottom > 10) MarkLeftOver(&AP, 0, 0);
      }
    } else {
      AFull = false;
    }
  }
  FY = at.Y;
  return lines;
}

void TvnPageLayoutEngine::LayoutRunItems(TvnParagraph& AP, TvnRun& ARun, int32_t AChildIndex, int32_t AStartItem,
                                         TvnTextLines& ALines, ItemPlacement& AAt, bool& AFull) {
  const int32_t count = ARun.GetCount();
  for (int32_t i = std::max(AStartItem, 0); i < count && !AFull; ++i) {
    FLeftoverRunItemIndex = i;
    TvnDocItem* item = ARun.GetItem(i);
    if (auto* brk = dynamic_cast<TvnBreak*>(item)) {
      if (brk->GetBreakType() == TvnBreakType::btPage && !brk->GetBreakApplied()) {
        FPageBreakEncountered = true;
        AFull = true;
        brk->SetBreakApplied(true);
        if (i + 1 < count || AChildIndex + 1 < AP.GetCount()) MarkLeftOver(&AP, AChildIndex, i + 1);
      } else if (brk->GetBreakType() == TvnBreakType::btLine) {
        const int32_t lineHeight = ALines.empty() ? 0 : ALines.back()->GetLineHeight();
        AAt.X = FDisplayRegion.Left + SetOrZero(AAt.Props->GetLeftIndent());
        AAt.Y += GetLineSpacing(AAt.Props, lineHeight);
        if (AAt.Y > FDisplayRegion.Bottom) {
          AFull = true;
          MarkLeftOver(&AP, AChildIndex, i + 1);
        } else {
          FPrevY = AAt.Y;
          AAt.StartOfPara = false;
          // What follows the break goes on a line of its own, so that
          // moving the line onto its baseline keeps the two apart.
          AAt.ForceNewLine = true;
        }
      }
      continue;
    }
    auto* text = dynamic_cast<TvnTextitem*>(item);
    if (text == nullptr) continue;
    if (i == 0) FcurrentRunTop = FY;
    if (PlaceTextItem(AP, *text, ALines, AAt)) {
      AFull = true;
      MarkLeftOver(&AP, AChildIndex, i);
      break;
    }
    FcurrentRunRight = AAt.X;
  }
}

bool TvnPageLayoutEngine::PlaceTextItem(TvnParagraph& AP, TvnTextitem& AItem, TvnTextLines& ALines,
                                        ItemPlacement& AAt) {
  TvnTextItemTag* tag = TextItemTagOf(AItem);
  bool fitFailed = false;
  int32_t tabAdvance = 0;
  int32_t labelTextStart = 0;
  const bool firstOfList = AAt.ListFlag && AAt.StartOfPara;
  TvnTextLine* line = GetLineForItem(AP, ALines, AAt, false, tag->GetIsTabbed(), tag->GetTab_SpaceBeforeDecimal(),
                                     tag->GetTabAccumulatedWidth(), false, AItem.GetHeight(), AItem.GetWidth(),
                                     fitFailed, tabAdvance, labelTextStart);
  if (line != nullptr && tag->GetIsTabbed() && tabAdvance > 0) {
    const auto& tabs = AAt.Props->GetTabs();
    const int32_t counter = line->GetTabCounter();
    if (counter >= 1 && counter <= static_cast<int32_t>(tabs.size()) && tabs[static_cast<size_t>(counter - 1)]) {
      const TvnTabStopChar leaderChar = tabs[static_cast<size_t>(counter - 1)]->GetLeadingChar();
      if (leaderChar != TvnTabStopChar::tscNone) {
        TabLeader built = BuildTabLeader(tabAdvance, leaderChar, AItem.GetRunProperties());
        auto leader = CloneAs(AItem);
        leader->SetText(built.Text);
        leader->SetBoundingRect(TRect{AAt.X - tabAdvance, AAt.Y, AAt.X, AAt.Y + built.Height});
        line->SetLineHeight(built.Height);
        line->SetTextHeight(built.Height);
        line->Add(std::unique_ptr<TvnDocItem>(std::move(leader)));
      }
    }
  }
  if (fitFailed || line == nullptr) return true;
  AItem.SetBoundingRect(TRect{AAt.X, AAt.Y, AAt.X + AItem.GetWidth(), AAt.Y + AItem.GetHeight()});
  line->Add(&AItem);
  line->SetLineHeight(AItem.GetHeight());
  line->SetTextHeight(AItem.GetHeight());
  AAt.X = firstOfList ? labelTextStart : AAt.X + AItem.GetWidth();
  AAt.StartOfPara = false;
  return false;
}

TvnTextLine* TvnPageLayoutEngine::GetLineForItem(TvnParagraph& AP, TvnTextLines& ALines, ItemPlacement& AAt,
                                                 bool ADrawing, bool ATabbed, int32_t ADecimalSpace,
                                                 int32_t ATabbedWidth, bool AFitIn, int32_t AItemHeight,
                                                 int32_t AItemWidth, bool& AFitFailed, int32_t& ATabAdvance,
                                                 int32_t& ALabelTextStart) {
  const TvnParagraphProperties& props = *AAt.Props;
  const LineStarts starts = GetLineStarts(props, AAt.ListFlag);
  bool newLine = ALines.empty() || AAt.ForceNewLine;
  int32_t lineHeight = 0;
  int32_t tabCounter = 0;
  if (newLine) {
    lineHeight = ADrawing ? 0 : AItemHeight;
  } else {
    lineHeight = ALines.back()->GetLineHeight();
    tabCounter = ALines.back()->GetTabCounter();
  }
  int32_t x = AAt.X;
  int32_t y = AAt.Y;
  int32_t labelEnd = 0;
  if (AAt.StartOfPara && AAt.ListFlag) {
    x = starts.FirstLineX;
    if (ParagraphTagOf(AP)->GetNumberAlignment() == TvnHAlignment::haRight) {
      x -= AItemWidth;
      labelEnd = AAt.X + starts.FirstLineX - FDisplayRegion.Left;
    } else {
      labelEnd = x + AItemWidth;
    }
  } else if (AAt.StartOfPara) {
    x = starts.FirstLineX;
  }
  if (ATabbed) {
    const int32_t tabX = GetTabPosition(x, ATabbedWidth, props, tabCounter, ADecimalSpace);
    ATabAdvance = tabX - x;
    x = tabX;
  }
  // An item that would pass the right edge starts a new line, unless it
  // already starts one: an item wider than the region is then placed alone
  // on its line (and runs past the edge) instead of moving down for ever.
  const int32_t limit = RightLimit(props) - 2;
  if ((x > limit || x + AItemWidth > limit) && !newLine) {
    y += GetLineSpacing(&props, lineHeight);
    x = AAt.StartOfPara ? starts.FirstLineX : starts.LeftX;
    newLine = true;
    lineHeight = ADrawing ? 0 : AItemHeight;
    if (ATabbed) {
      tabCounter = 0;
      const int32_t tabX = GetTabPosition(x, ATabbedWidth, props, tabCounter, ADecimalSpace);
      ATabAdvance = tabX - x;
      x = tabX;
    }
  }
  if (newLine) {
    bool tried = false;
    if (ADrawing) {
      const int32_t pitch = GetLineSpacing(&props, lineHeight);
      tried = FDisplayRegion.Bottom >= y + AItemHeight + pitch || FDisplayRegion.Bottom >= y + AItemHeight || AFitIn;
    } else {
      tried = FDisplayRegion.Bottom >= y + GetLineSpacing(&props, lineHeight);
    }
    if (!tried) {
      AFitFailed = true;
      return nullptr;
    }
    if (AvoidDrawings(x, y, AAt.ListFlag, newLine, props, lineHeight, AAt.StartOfPara, AItemHeight, AItemWidth)) {
      AFitFailed = true;
      return nullptr;
    }
  }
  if (FDisplayRegion.Bottom < y + GetLineSpacing(&props, lineHeight) && !(ADrawing && AFitIn)) {
    AFitFailed = true;
    return nullptr;
  }
  if (newLine) {
    auto created = std::make_unique<TvnTextLine>();
    created->SetSpacingRule(props.GetLineSpacingRule());
    created->SetY(y);
    ALines.push_back(std::move(created));
    AAt.ForceNewLine = false;
  }
  TvnTextLine* line = ALines.back().get();
  AAt.X = x;
  AAt.Y = y;
  if (AAt.StartOfPara && AAt.ListFlag) {
    ALabelTextStart = std::max(starts.FirstLineX + SetOrZero(props.GetHanging()), labelEnd + 10);
  }
  if (ATabbed) line->SetTabCounter(tabCounter);
  return line;
}

bool TvnPageLayoutEngine::AvoidDrawings(int32_t& AX, int32_t& AY, bool AListFlag, bool& ANewLine,
                                        const TvnParagraphProperties& AProps, int32_t ALineHeight, bool AStartOfPara,
                                        int32_t AItemHeight, int32_t AItemWidth) {
  const std::vector<TvnDocItem*> drawings = FDrawingItems;
  const LineStarts starts = GetLineStarts(AProps, AListFlag);
  // Every step moves the item right or a line down, at least one pixel.
  const int32_t pitch = std::max(1, GetLineSpacing(&AProps, ALineHeight));
  const int32_t limit = RightLimit(AProps);
  int32_t step = 5;
  for (TvnDocItem* drawing : drawings) {
    auto* placement = dynamic_cast<DrawingPlacement*>(drawing);
    if (placement == nullptr) continue;
    if (drawing->GetWidth() > FDisplayRegion.Right - FDisplayRegion.Left ||
        drawing->GetHeight() > FDisplayRegion.Bottom - FDisplayRegion.Top) {
      break;
    }
    const bool square = dynamic_cast<const TvnWrapSquare*>(placement->GetWrap()) != nullptr;
    if (square) {
      step = std::max(step, drawing->GetX() + drawing->GetWidth() + placement->GetRightDistFromText() + 1);
    } else {
      step = 5;
    }
    while (AY + pitch < FDisplayRegion.Bottom &&
           RegionMeetsRect(placement->GetRegion(), TRect{AX, AY, AX + AItemWidth, AY + AItemHeight})) {
      if (square) {
        AX = std::max(AX + 1, step);
        step += 5;
      } else {
        AX += step;
      }
      if (AX > limit || AX + AItemWidth > limit) {
        AY += pitch;
        ANewLine = true;
        AX = AStartOfPara ? starts.FirstLineX : starts.LeftX;
        if (FDisplayRegion.Bottom < AY + pitch) return true;
      }
    }
  }
  return false;
}

void TvnPageLayoutEngine::LayoutField(TvnParagraph& AP, TvnField& AField, int32_t AChildIndex,
                                      TvnHeaderFooterElementTag* AHeaderFooterElementTag,
                                      std::vector<TvnField*>* ANumPagesFieldList, TvnTextLines& ALines,
                                      ItemPlacement& AAt, bool& AFull) {
  TvnFieldResult* result = AField.GetResult();
  if (result == nullptr) return;
  const TvnFieldCode* code = AField.GetFieldCode();
  const TvnFieldInstruction instruction = code != nullptr ? code->GetFieldInstruction() : TvnFieldInstruction::fiNone;
  for (auto& run : *result) {
    if (!run || AFull) continue;
    if (instruction == TvnFieldInstruction::fiPage || instruction == TvnFieldInstruction::fiNumPages) {
      String text = u"***";
      if (instruction == TvnFieldInstruction::fiPage && FpageNumber != 0) text = vn::IntToStr(FpageNumber);
      auto item = std::make_unique<TvnTextitem>(text, run->GetFinalRunProperties());
      if (FCanvas != nullptr) {
        TextItemTagOf(*item)->Measure(FDisplayRegion, run->GetFinalRunProperties().get(), 0, false, {}, *FCanvas);
      }
      // The line that shows the number owns its item: a later layout of
      // the field (another page, another pass) replaces the run's child
      // without freeing what an earlier line shows. The run keeps a copy.
      TvnTextitem* placed = item.get();
      run->Clear();
      if (PlaceTextItem(AP, *placed, ALines, AAt)) {
        AFull = true;
        MarkLeftOver(&AP, AChildIndex, 0);
        run->Add(std::move(item));
      } else {
        run->Add(CloneAs(*item));
        LaidOutItems& children = ALines.back()->Children();
        children.Remove(placed);
        children.Add(std::unique_ptr<TvnDocItem>(std::move(item)));
      }
      if (instruction == TvnFieldInstruction::fiPage) {
        if (auto* page = dynamic_cast<TvnPageField*>(&AField)) {
          page->SetTextItem(placed);
          if (AHeaderFooterElementTag != nullptr) AHeaderFooterElementTag->AddPageField(page);
        }
      } else {
        if (auto* numPages = dynamic_cast<TvnNumPages*>(&AField)) numPages->SetTextItem(placed);
        if (ANumPagesFieldList != nullptr &&
            std::find(ANumPagesFieldList->begin(), ANumPagesFieldList->end(), &AField) == ANumPagesFieldList->end()) {
          ANumPagesFieldList->push_back(&AField);
        }
      }
    } else {
      AField.UpdateFieldForViewer();
      LayoutRunItems(AP, *run, AChildIndex, 0, ALines, AAt, AFull);
    }
  }
}

void TvnPageLayoutEngine::LayoutImage(TvnParagraph& AP, TvnWordImage& AImage, int32_t AChildIndex, TvnTextLines& ALines,
                                      ItemPlacement& AAt, bool& AFull, uint8_t& ACause) {
  if (AImage.GetIsInLine()) {
    bool fitFailed = false;
    int32_t tabAdvance = 0;
    int32_t labelTextStart = 0;
    const bool fitIn = FFreshPage && AChildIndex == 0;
    TvnTextLine* line = GetLineForItem(AP, ALines, AAt, true, false, 0, 0, fitIn, AImage.GetHeight(), AImage.GetWidth(),
                                       fitFailed, tabAdvance, labelTextStart);
    if (line == nullptr || fitFailed) {
      AFull = true;
      MarkLeftOver(&AP, AChildIndex, 0);
      return;
    }
    const int32_t x = AAt.X + AImage.GetEffectRectangle().Left;
    AImage.SetBoundingRect(TRect{x, line->GetY(), x + AImage.GetWidth(), line->GetY() + AImage.GetHeight()});
    AAt.X += AImage.GetWidth();
    AAt.StartOfPara = false;
    line->SetLineHeight(AImage.GetHeight());
    line->Add(&AImage);
    return;
  }
  const bool relayout = PlaceFloating(AP, AImage, AImage, FImLayouter, ALines);
  FVisitedImagesMap[&AImage] = true;
  if (relayout) {
    ACause = 1;
    AFull = true;
  }
}

bool TvnPageLayoutEngine::PlaceFloating(TvnParagraph& AP, TvnDocItem& ADrawing, DrawingPlacement& APlacement,
                                        TvnDrawingLayoutEngine& ALayouter, const TvnTextLines& ALines) {
  const bool wraps = APlacement.GetWrap() != nullptr;
  if (wraps) {
    FDrawingItems.push_back(&ADrawing);
  } else if (APlacement.GetBehindDoc()) {
    FBackgroundItems.push_back(&ADrawing);
  } else {
    FForegroundItems.push_back(&ADrawing);
  }
  ALayouter.SetCurrentRunTop(FcurrentRunTop);
  ALayouter.SetCurrentParaTop(FcurrentParaTop);
  ALayouter.SetCurrentRunRight(FcurrentRunRight);
  ALayouter.SetPageNumber(FpageNumber);
  if (auto* image = dynamic_cast<TvnWordImage*>(&ADrawing)) {
    ALayouter.PositionDrawing(image, FCurrentSection, FDisplayRegion);
    ALayouter.InitializeDrawingRegion(image, FCurrentSection, FDisplayRegion);
  } else if (auto* box = dynamic_cast<TvnTextBox*>(&ADrawing)) {
    ALayouter.PositionDrawing(box, FCurrentSection, FDisplayRegion);
    ALayouter.InitializeDrawingRegion(box, FCurrentSection, FDisplayRegion);
  }
  if (!wraps) return false;
  if (!GetParagraphsInRect(ADrawing.GetBoundingRect(), AP).empty()) return true;
  // The anchoring paragraph's own lines built so far have no box yet: text
  // of theirs under the drawing's region is laid out again too, or the
  // drawing would cover the text it is anchored in.
  for (const auto& line : ALines)
    for (const TvnDocItem* item : line->Children())
      if (item != nullptr && RegionMeetsRect(APlacement.GetRegion(), item->GetBoundingRect())) return true;
  return false;
}

void ShiftLaidOutItem(TvnDocItem& AItem, int32_t ADx, int32_t ADy) {
  if (auto* line = dynamic_cast<TvnTextLine*>(&AItem)) {
    line->ShiftTextItems(ADx, ADy);
    line->TvnDocItem::ShiftByOffset(ADx, ADy);
  } else if (auto* segment = dynamic_cast<TvnLine*>(&AItem)) {
    segment->ShiftByOffset(ADx, ADy);
  } else if (auto* composite = dynamic_cast<TvnCompositeDocItem*>(&AItem)) {
    composite->ShiftElementsByOffset(ADx, ADy, true);
  } else {
    AItem.ShiftByOffset(ADx, ADy);
  }
}

void TvnPageLayoutEngine::LayoutTextBox(TvnParagraph& AP, TvnTextBox& ABox, int32_t AChildIndex, TvnTextLines& ALines,
                                        ItemPlacement& AAt, bool& AFull, uint8_t& ACause) {
  const bool wraps = ABox.GetWrap() != nullptr && !ABox.GetIsInLine();
  // A wrapping box already placed in this region is not placed again: a
  // page whose passes kept placing it would be laid out for ever.
  if (wraps && std::find(FDrawingItems.begin(), FDrawingItems.end(), &ABox) != FDrawingItems.end()) return;
  const int32_t oldX = ABox.GetX();
  const int32_t oldY = ABox.GetY();
  LayoutTextBoxContent(ABox);
  if (ABox.GetIsInLine()) {
    bool fitFailed = false;
    int32_t tabAdvance = 0;
    int32_t labelTextStart = 0;
    const bool fitIn = FFreshPage && AChildIndex == 0;
    TvnTextLine* line = GetLineForItem(AP, ALines, AAt, true, false, 0, 0, fitIn, ABox.GetHeight(), ABox.GetWidth(),
                                       fitFailed, tabAdvance, labelTextStart);
    if (line == nullptr || fitFailed) {
      AFull = true;
      MarkLeftOver(&AP, AChildIndex, 0);
      return;
    }
    ABox.SetX(AAt.X + ABox.GetEffectRectangle().Left);
    ABox.SetY(line->GetY());
    AAt.X += ABox.GetWidth();
    AAt.StartOfPara = false;
    line->SetLineHeight(ABox.GetHeight());
    line->Add(static_cast<TvnDocItem*>(&ABox));
  } else if (PlaceFloating(AP, ABox, ABox, FTbLayouter, ALines)) {
    ACause = 1;
    AFull = true;
  }
  const int32_t dx = ABox.GetX() - oldX;
  const int32_t dy = ABox.GetY() - oldY;
  if (dx == 0 && dy == 0) return;
  for (auto& item : ABox.GetLayoutedDocItems())
    if (item) ShiftLaidOutItem(*item, dx, dy);
}

void TvnPageLayoutEngine::LayoutTextBoxContent(TvnTextBox& ABox) {
  const TvnShapeProperties* shape = ABox.GetShapeProperties();
  const TvnLineProperties* outline = shape != nullptr ? shape->GetLineProperties() : nullptr;
  const int32_t lw = outline != nullptr ? outline->GetWidth() : 0;
  const TvnBodyProperties* body = ABox.GetBodyProperties();
  const int32_t li = body != nullptr ? body->GetLeftInset() : 0;
  const int32_t ri = body != nullptr ? body->GetRightInset() : 0;
  const int32_t ti = body != nullptr ? body->GetTopInset() : 0;
  const int32_t bi = body != nullptr ? body->GetBottomInset() : 0;
  const TvnAutoFit autoFit = body != nullptr ? body->GetAutoFit() : TvnAutoFit::afNoAutoFit;
  const int32_t pageHeight = FCurrentSection != nullptr ? FCurrentSection->GetPageHeight() : FDisplayRegion.Bottom;
  TRect region;
  region.Left = ABox.GetX() + li + lw;
  region.Top = ABox.GetY() + ti + lw;
  region.Right = region.Left + (ABox.GetWidth() - li - ri - 2 * lw);
  region.Bottom = region.Top + (pageHeight - ABox.GetY() - ti);
  TvnPageLayoutEngine content(FCurrentSection, FCurrentSectionIndex, FpageNumber, region);
  content.SetCanvas(FCanvas);
  ABox.GetLayoutedDocItems().clear();

  auto frame = std::make_unique<TvnGraphicRect>(ABox.GetBoundingRect());
  frame->SetIsStroke(true);
  if (outline != nullptr) {
    frame->GetPen()->SetColor(outline->GetSolidFill());
    frame->GetPen()->SetWidth(outline->GetWidth());
  }
  if (shape != nullptr) frame->GetBrush()->SetColor(shape->GetSolidFill());
  TvnGraphicRect* framePtr = frame.get();
  ABox.GetLayoutedDocItems().push_back(std::move(frame));
  const bool clipped = autoFit == TvnAutoFit::afNoAutoFit;
  if (clipped) {
    ABox.GetLayoutedDocItems().push_back(
        std::make_unique<TvnClipRect>(ABox.GetX() + lw, ABox.GetY() + lw, ABox.GetWidth() - 2 * lw,
                                      ABox.GetHeight() - ti - bi - 2 * lw, TvnCombineMode::cmIntersect));
  }
  int32_t lastSpaceAfter = 0;
  for (const auto& child : ABox.GetItems()) {
    if (auto* paragraph = dynamic_cast<TvnParagraph*>(child.get())) {
      uint8_t cause = 0;
      content.ProcessParagraph(*paragraph, cause, nullptr, 0, -1, 0, nullptr, nullptr);
      const auto& own = paragraph->GetParagraphProperties();
      lastSpaceAfter = own ? SetOrZero(own->GetSpaceAfter()) : 0;
    } else if (auto* table = dynamic_cast<TvnTable*>(child.get())) {
      TvnPageStatus status;
      status.SetCurrentSectionIndex(FCurrentSectionIndex);
      TvnTableLayoutEngine tables(FCurrentSection, 0, status, content);
      tables.ProcessTable(*table, false, false, false, nullptr, nullptr, FpageNumber);
    }
  }
  content.FinalizeLayout();
  if (autoFit == TvnAutoFit::afShapeAutoFit) {
    ABox.SetHeight(content.GetY() + lastSpaceAfter + ti + bi - ABox.GetY());
    framePtr->SetBoundingRect(ABox.GetBoundingRect());
  }
  LaidOutItems laidOut = content.TakePageElements();
  const std::vector<TvnDocItem*> items = laidOut.Items();
  for (TvnDocItem* item : items) {
    if (auto owned = laidOut.Remove(item)) ABox.GetLayoutedDocItems().push_back(std::move(owned));
  }
  // The clip ends with the box, so that what is drawn after it is not cut.
  if (clipped) ABox.GetLayoutedDocItems().push_back(std::make_unique<TvnResetClip>());
}

std::vector<TvnParagraph*> TvnPageLayoutEngine::GetParagraphsInRect(const TRect& ARect, TvnParagraph& AP) const {
  std::vector<TvnParagraph*> found;
  std::set<const TvnDocItem*> seen;
  for (TvnDocItem* item = &AP; item != nullptr && seen.insert(item).second; item = item->GetPrevElement()) {
    auto* paragraph = dynamic_cast<TvnParagraph*>(item);
    if (paragraph != nullptr && ParagraphTagOf(*paragraph)->Intersects(ARect)) found.push_back(paragraph);
  }
  std::reverse(found.begin(), found.end());
  return found;
}

void TvnPageLayoutEngine::PlaceLines(TvnParagraph& AP, LaidOutItems* AList, TvnTextLines& ALines,
                                     int32_t AFirstLineIndent, bool AFull) {
  const bool anyItems =
      std::any_of(ALines.begin(), ALines.end(), [](const auto& line) { return !line->Children().Empty(); });
  if (!anyItems) ALines.clear();
  if (!ALines.empty()) FFreshPage = false;
  FPrevParaAfterSpace = 0;
  const TvnParagraphProperties& props = FinalPropsOf(AP);
  const int32_t startY = FY;
  int32_t lastLineTop = FY;
  const int32_t right = RightLimit(props);
  for (size_t i = 0; i < ALines.size(); ++i) {
    TvnTextLine& line = *ALines[i];
    const TvnSpacingRule rule = props.GetLineSpacingRule();
    if (rule == TvnSpacingRule::srExact || rule == TvnSpacingRule::srAtleast) {
      line.SetActualLineHeight(GetLineSpacing(&props, 0));
    }
    line.SetParent(&AP);
    lastLineTop = FY;
    line.MoveToBaseLine(FY);
    switch (props.GetHAlignment()) {
      case TvnHAlignment::haCenter:
        if (!line.Children().Empty()) {
          line.ShiftTextItemsHorizontally(vn::RoundToInt((right - RightEdgeOfLastItem(line)) / 2.0));
        }
        break;
      case TvnHAlignment::haRight:
        FoldTrailingSpace(line);
        if (!line.Children().Empty()) line.ShiftTextItemsHorizontally(right - RightEdgeOfLastItem(line));
        break;
      case TvnHAlignment::haJustify:
        FoldLeadingSpace(line);
        FoldTrailingSpace(line);
        if ((i + 1 < ALines.size() || AFull) && !line.Children().Empty()) {
          line.JustifyTextLine(right - RightEdgeOfLastItem(line));
        }
        break;
      case TvnHAlignment::haLeft:
        break;
    }
    OrderRightToLeftWords(line);
    for (TvnDocItem* child : line.Children()) {
      if (auto* text = dynamic_cast<TvnTextitem*>(child)) {
        FRawSearchItems->GetTextBuilder() += text->GetText();
        FRawSearchItems->GetItems().push_back(text);
        FRawSearchItems->GetBoundingRects().push_back(text->GetBoundingRect());
      }
    }
  }
  const bool hadLines = !ALines.empty();
  const TvnTextLine* lastLine = hadLines ? ALines.back().get() : nullptr;
  const int32_t lastRight = lastLine != nullptr && !lastLine->Children().Empty() ? RightEdgeOfLastItem(*lastLine) : FX;
  const bool lastHasItems = lastLine != nullptr && !lastLine->Children().Empty();
  const int32_t lastHeight = lastLine != nullptr ? lastLine->GetLineHeight() : 0;
  for (auto& line : ALines) {
    if (AList != nullptr) {
      AList->Add(std::unique_ptr<TvnDocItem>(std::move(line)));
    } else {
      FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(line)));
    }
  }
  ALines.clear();
  if (ParagraphTagOf(AP)->GetOverflowedParagraph() && AP.GetFinalParagraphProperties()) {
    AP.GetFinalParagraphProperties()->SetFirstLineIndent(AFirstLineIndent);
  }
  if (hadLines) {
    const int32_t pitched = lastLineTop + GetLineSpacing(&props, lastHeight);
    if (FY < pitched) FY = pitched;
    FPrevY = FY;
    AP.SetBoundingRect(TRect{FX, startY, lastRight, FY});
    if (lastHasItems) FPrevParaAfterSpace = props.GetSpaceAfter();
  } else if (!AFull) {
    FPrevParaAfterSpace = props.GetSpaceAfter();
    FY += MarkHeight(props);
  }
}

// ---------------------------------------------------------------------------
// Paragraph borders

void TvnPageLayoutEngine::FlushParagraphBorders() {
  for (auto& segment : FParaBorderElements) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(segment)));
  FParaBorderElements.clear();
  if (FParaRightBorder) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(FParaRightBorder)));
  if (FParaLeftBorder) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(FParaLeftBorder)));
}

void TvnPageLayoutEngine::BeginParagraphBorder(TvnParagraph& AP) {
  const auto& own = AP.GetParagraphProperties();
  const TvnParaBorder* border = own ? own->GetParaBorder() : nullptr;
  FParaBorderStartX = FX;
  FParaBorderStartY = FY;
  FParaBorderContinues = false;
  if (FParaBorderStarted) {
    if (border != nullptr && FPrevParaBorder->DoesBorderHaveSameProperties(border)) {
      if (FParaBorderElements.size() > 1 && FPrevParaBorder->GetBottom() != nullptr) {
        FParaBorderElements.pop_back();
        FY -= FPrevParaBorder->GetBottom()->GetSpace();
        FParaBorderStartY = FY;
      }
      if (const TvnBorder* between = FPrevParaBorder->GetBetween()) {
        FY += between->GetSpace() + between->GetBorderWidth();
      }
      FParaBorderContinues = true;
    } else {
      FlushParagraphBorders();
      FParaBorderStarted = false;
    }
  }
  if (!FParaBorderStarted && border != nullptr) {
    FlushParagraphBorders();
    if (const TvnBorder* top = border->GetTop()) FY += top->GetSpace() + top->GetBorderWidth();
    FParaBorderStarted = true;
    FPrevParaBorder = border->Clone();
  }
}

void TvnPageLayoutEngine::CreateParagraphBorderLines(const TvnParaBorder& ABorder) {
  int32_t leftX = FParaBorderStartX - (ABorder.GetLeft() != nullptr ? ABorder.GetLeft()->GetSpace() : 0);
  int32_t rightX = FDisplayRegion.Right;
  if (FCurrentSection != nullptr) {
    const int32_t rightMargin =
        FCurrentSection->GetPageMargin() != nullptr ? FCurrentSection->GetPageMargin()->GetRight() : 0;
    rightX = FCurrentSection->GetPageWidth() - rightMargin;
  }
  if (ABorder.GetRight() != nullptr) rightX += ABorder.GetRight()->GetSpace();
  int32_t bottomY = FY;
  if (const TvnBorder* bottom = ABorder.GetBottom()) {
    bottomY = FY + bottom->GetSpace();
    FY += bottom->GetSpace() + bottom->GetBorderWidth();
  }
  leftX = std::max(leftX, 0);
  rightX = std::max(rightX, 0);
  bottomY = std::max(bottomY, 0);
  const int32_t startY = std::max(FParaBorderStartY, 0);
  if (const TvnBorder* top = ABorder.GetTop()) {
    const TvnBorder* style =
        FParaBorderContinues && FPrevParaBorder && FPrevParaBorder->GetTop() ? FPrevParaBorder->GetTop() : top;
    FParaBorderElements.push_back(BorderLine(*style, leftX, startY, rightX, startY));
  }
  if (const TvnBorder* bottom = ABorder.GetBottom()) {
    FParaBorderElements.push_back(BorderLine(*bottom, leftX, bottomY, rightX, bottomY));
  }
  if (const TvnBorder* left = ABorder.GetLeft()) {
    if (FParaLeftBorder) {
      FParaLeftBorder->SetEndY(bottomY);
    } else {
      FParaLeftBorder = BorderLine(*left, leftX, startY, leftX, bottomY);
    }
  }
  if (const TvnBorder* rightSide = ABorder.GetRight()) {
    if (FParaRightBorder) {
      FParaRightBorder->SetEndY(bottomY);
    } else {
      FParaRightBorder = BorderLine(*rightSide, rightX, startY, rightX, bottomY);
    }
  }
}

// ---------------------------------------------------------------------------
// Run borders

void TvnPageLayoutEngine::FlushRunBorders() {
  for (auto& segment : FRunBorderElements) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(segment)));
  FRunBorderElements.clear();
  if (FRunTopBorder) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(FRunTopBorder)));
  if (FRunBottomBorder) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(FRunBottomBorder)));
}

int32_t TvnPageLayoutEngine::BeginRunBorder(int32_t AX, int32_t AY, TvnRun& ARun) {
  const auto& runProps = ARun.GetFinalRunProperties();
  const TvnBorder* border = runProps ? runProps->GetRunBorder() : nullptr;
  FRunBorderStartX = AX;
  FRunBorderStartY = AY;
  FRunBorderNewRun = true;
  if (FRunBorderStarted) {
    if (border != nullptr && FPrevRunBorder->DoesBorderHaveSameProperties(border)) {
      if (FRunBorderElements.size() > 1) FRunBorderElements.pop_back();
      FRunBorderNewRun = false;
    } else {
      FlushRunBorders();
      FRunBorderStarted = false;
    }
  }
  if (!FRunBorderStarted && border != nullptr) {
    FlushRunBorders();
    FRunBorderStarted = true;
    FPrevRunBorder = border->Clone();
    return AX + border->GetSpace() + border->GetBorderWidth();
  }
  return AX;
}

void TvnPageLayoutEngine::CreateRunBorderLines(const TvnBorder& ABorder, int32_t AStartX, bool ANewRun, int32_t AEndX,
                                               int32_t ABottomY, int32_t AStartY) {
  const int32_t s = ABorder.GetSpace();
  const int32_t rightX = std::max(AEndX + s, 0);
  const int32_t topY = std::max(AStartY - s, 0);
  const int32_t leftX = std::max(AStartX - s, 0);
  const int32_t bottomY = ABottomY + s;
  if (FRunTopBorder) {
    FRunTopBorder->SetEndX(rightX);
  } else {
    FRunTopBorder = BorderLine(ABorder, leftX, topY, rightX, topY);
  }
  if (FRunBottomBorder) {
    FRunBottomBorder->SetEndX(rightX);
  } else {
    FRunBottomBorder = BorderLine(ABorder, leftX, bottomY, rightX, bottomY);
  }
  if (ANewRun) FRunBorderElements.push_back(BorderLine(ABorder, leftX, bottomY, leftX, topY));
  FRunBorderElements.push_back(BorderLine(ABorder, rightX, bottomY, rightX, topY));
}

void TvnPageLayoutEngine::FinalizeLayout() {
  for (auto& segment : FParaBorderElements) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(segment)));
  FParaBorderElements.clear();
  if (FParaLeftBorder) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(FParaLeftBorder)));
  if (FParaRightBorder) FPageElements.Add(std::unique_ptr<TvnDocItem>(std::move(FParaRightBorder)));
  FlushRunBorders();
}

}  // namespace vn::wordmodel
