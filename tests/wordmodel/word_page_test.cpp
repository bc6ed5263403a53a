#include "wordmodel/word_page.h"

#include <gtest/gtest.h>

#include "wordmodel/fixed_pitch_canvas.h"
#include "wordmodel/images.h"
#include "wordmodel/text_item.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel::word_page_test {

// A text item at (AX, AY), AWidth by AHeight, with its own run properties.
std::unique_ptr<TvnTextitem> Item(const String& AText, int32_t AX, int32_t AY, int32_t AWidth, int32_t AHeight,
                                  TvnTextAlignment AAlignment = TvnTextAlignment::taBaseline) {
  auto properties = std::make_shared<TvnRunProperties>();
  properties->SetTextAlignment(AAlignment);
  auto item = std::make_unique<TvnTextitem>(AText, properties);
  item->SetBoundingRect(TRect{AX, AY, AX + AWidth, AY + AHeight});
  return item;
}

TEST(WordTextLine, MoveToBaseLineByRuleAndAlignment) {
  using R = TvnSpacingRule;
  using A = TvnTextAlignment;
  // The item starts at top 100; every row keeps the item's height.
  const struct {
    R rule;
    A alignment;
    int32_t lineHeight, descent, actual, offset, height, top;
  } cases[] = {
      {R::srExact, A::taSuperscript, 12, 0, 20, 0, 8, 116},  // T + AH - (AH - LH)/2 - o
      {R::srExact, A::taSubscript, 12, 2, 20, 0, 8, 122},    // T + AH + (AH - LH - 2 LD)/2 - o
      {R::srExact, A::taBaseline, 12, 0, 8, 1, 12, 107},     // AH < LH: T + AH - o
      {R::srExact, A::taBaseline, 12, 2, 20, 0, 12, 118},    // AH >= LH: T + AH - (AH - LH - 2 LD)/2 - o
      {R::srExact, A::taBaseline, 12, 0, 21, 0, 12, 116},    // 116.5 rounds to even
      {R::srAtleast, A::taBaseline, 12, 2, 20, 1, 12, 117},  // T + AH - LD - o
      {R::srAtleast, A::taSuperscript, 12, 2, 20, 1, 8, 117},
      {R::srAtleast, A::taSubscript, 12, 2, 20, 1, 8, 121},  // T + AH + LD - o, on the line
      {R::srAuto, A::taSuperscript, 12, 0, 0, 0, 8, 97},     // T - round(LH/4) - LD - o
      {R::srAuto, A::taSuperscript, 14, 0, 0, 0, 8, 96},     // round(3.5) = 4
      {R::srAuto, A::taSubscript, 12, 0, 0, 0, 8, 106},      // T + round(LH/2) + LD - o
      {R::srAuto, A::taSubscript, 13, 1, 0, 2, 8, 105},      // round(6.5) = 6
      {R::srAuto, A::taBaseline, 12, 2, 0, 1, 10, 99},       // T + LH - LD - o - h
  };
  for (const auto& c : cases) {
    TvnTextLine line;
    line.SetSpacingRule(c.rule);
    line.SetLineHeight(c.lineHeight);
    line.SetLineDescent(c.descent);
    line.SetActualLineHeight(c.actual);
    auto item = Item(u"x", 10, 100, 7, c.height, c.alignment);
    item->SetBaseLineOffset(c.offset);
    line.Add(std::move(item));
    int32_t endY = 100;
    line.MoveToBaseLine(endY);
    const TRect box = line.Children()[0]->GetBoundingRect();
    const auto row = static_cast<int>(&c - cases);
    EXPECT_EQ(box.Top, c.top) << "row " << row;
    EXPECT_EQ(box.Bottom - box.Top, c.height) << "row " << row;
    EXPECT_EQ(line.Children().Count(), 1u) << "row " << row;
    EXPECT_EQ(endY, 100) << "row " << row;
  }
}

TEST(WordTextLine, ExactLineLowerThanItsTextIsClippedFromElevenPixels) {
  const struct {
    int32_t actual;
    bool clipped;
  } cases[] = {{12, false}, {8, false}, {2, false}, {1, true}};
  for (const auto& c : cases) {
    TvnTextLine line;
    line.SetSpacingRule(TvnSpacingRule::srExact);
    line.SetLineHeight(12);
    line.SetActualLineHeight(c.actual);
    line.Add(Item(u"ab", 10, 100, 30, 12));
    line.Add(Item(u"c", 40, 100, 20, 12));
    int32_t endY = 100;
    line.MoveToBaseLine(endY);
    const LaidOutItems& children = line.Children();
    if (!c.clipped) {
      EXPECT_EQ(children.Count(), 2u) << c.actual;
      continue;
    }
    ASSERT_EQ(children.Count(), 4u);
    const auto* clip = dynamic_cast<const TvnClipRect*>(children[0]);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->GetBoundingRect(), (TRect{10, 100, 60, 101}));
    EXPECT_EQ(clip->GetCombineMode(), TvnCombineMode::cmIntersect);
    EXPECT_NE(dynamic_cast<const TvnResetClip*>(children[3]), nullptr);
    EXPECT_TRUE(children.Owns(clip));
  }
}

TEST(WordTextLine, PictureLowerThanTheLineSitsOnItsBottomAndPushesTheEndDown) {
  TvnTextLine line;
  line.SetLineHeight(30);
  TvnWordImage picture(String(u"picture.png"));
  picture.SetBoundingRect(TRect{50, 100, 60, 110});
  line.Add(&picture);
  int32_t endY = 100;
  line.MoveToBaseLine(endY);
  EXPECT_EQ(picture.GetBoundingRect(), (TRect{50, 120, 60, 130}));
  EXPECT_EQ(endY, 120);
}

TEST(WordTextLine, JustifiedWordsReachTheRightEdge) {
  // Items laid side by side from x = 0, 7 pixels per character; the table
  // gives how far each item moves.
  const struct {
    std::vector<String> texts;
    int32_t shift;
    std::vector<int32_t> moved;
  } cases[] = {
      {{u"a", u" ", u"b", u" ", u"c"}, 7, {0, 0, 3, 3, 7}},  // two gaps: 3, then 4
      {{u"a ", u"b ", u"c"}, 5, {0, 2, 5}},                 // spaces held at the ends of words
      {{u"one", u" ", u"two"}, 10, {0, 0, 10}},
      {{u"a", u" ", u" ", u"b"}, 7, {0, 0, 3, 7}},           // two spaces between two words
      {{u"a", u" ", u"b", u" "}, 4, {0, 0, 4, 4}},           // a trailing space is no gap
      {{u"word"}, 9, {0}},
      {{u"a", u" ", u"b"}, 0, {0, 0, 0}},
      {{u"a", u" ", u"b"}, -3, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    TvnTextLine line;
    int32_t x = 0;
    for (const String& text : c.texts) {
      const auto width = static_cast<int32_t>(text.size()) * 7;
      line.Add(Item(text, x, 0, width, 12));
      x += width;
    }
    line.JustifyTextLine(c.shift);
    std::vector<int32_t> moved;
    int32_t left = 0;
    for (const TvnDocItem* child : line.Children()) {
      moved.push_back(child->GetX() - left);
      left += child->GetWidth();
    }
    EXPECT_EQ(moved, c.moved) << "shift " << c.shift << ", " << c.texts.size() << " items";
  }
}

TEST(WordTextLine, PictureMovesWithTheTextBeforeIt) {
  TvnTextLine line;
  line.Add(Item(u"a", 0, 0, 7, 12));
  line.Add(Item(u" ", 7, 0, 7, 12));
  TvnWordImage picture(String(u"picture.png"));
  picture.SetBoundingRect(TRect{14, 0, 24, 10});
  line.Add(&picture);
  line.Add(Item(u"b", 24, 0, 7, 12));
  line.JustifyTextLine(6);
  EXPECT_EQ(picture.GetX(), 20);
  EXPECT_EQ(line.Children()[3]->GetBoundingRect().Right, 31 + 6);
}

TEST(WordTextLine, ShiftAndMoveHelpersMoveTextAndPicturesOnly) {
  TvnTextLine line;
  line.SetY(10);
  line.Add(Item(u"a", 20, 10, 7, 12));
  line.Add(Item(u"b", 40, 13, 7, 8));
  TvnWordImage picture(String(u"picture.png"));
  picture.SetBoundingRect(TRect{60, 10, 70, 20});
  line.Add(&picture);
  line.Add(std::make_unique<TvnClipRect>(0, 0, 5, 5, TvnCombineMode::cmIntersect));
  const TvnDocItem* clip = line.Children()[3];

  line.ShiftTextItems(3, 4);
  EXPECT_EQ(line.Children()[0]->GetX(), 23);
  EXPECT_EQ(line.Children()[1]->GetY(), 17);
  EXPECT_EQ(picture.GetBoundingRect(), (TRect{63, 14, 73, 24}));
  EXPECT_EQ(clip->GetBoundingRect(), (TRect{0, 0, 5, 5}));

  line.ShiftYPosTo(50);
  EXPECT_EQ(line.Children()[1]->GetBoundingRect(), (TRect{43, 50, 50, 58}));
  EXPECT_EQ(picture.GetY(), 50);

  // Text items laid out from x 100 with the line's top at 200: distances and
  // offsets below the line's top kept.
  line.ShiftYPosTo(10);
  line.Children()[1]->SetY(13);
  line.MoveTextItems(100, 200);
  EXPECT_EQ(line.Children()[0]->GetBoundingRect(), (TRect{100, 200, 107, 212}));
  EXPECT_EQ(line.Children()[1]->GetBoundingRect(), (TRect{120, 203, 127, 211}));
}

TEST(WordTextLine, MetricSettersOnlyRaise) {
  TvnTextLine line;
  line.SetLineHeight(10);
  line.SetLineHeight(5);
  line.SetTextHeight(9);
  line.SetTextHeight(4);
  line.SetLineDescent(3);
  line.SetLineDescent(1);
  EXPECT_EQ(line.GetLineHeight(), 10);
  EXPECT_EQ(line.GetHeight(), 10);
  EXPECT_EQ(line.GetTextHeight(), 9);
  EXPECT_EQ(line.GetLineDescent(), 3);
}

TEST(WordTextLine, LineBorrowsDocumentItemsAndItsCopyOwnsCopies) {
  auto word = Item(u"word", 5, 6, 28, 12);
  {
    TvnTextLine line;
    line.SetSpacingRule(TvnSpacingRule::srExact);
    line.SetActualLineHeight(16);
    line.SetLineHeight(12);
    line.SetTabCounter(2);
    line.Add(word.get());
    line.Add(std::make_unique<TvnClipRect>(1, 2, 3, 4, TvnCombineMode::cmXor));
    line.Add(std::make_unique<TvnResetClip>());
    EXPECT_FALSE(line.Children().Owns(word.get()));

    auto copy = CloneAs(line);
    ASSERT_EQ(copy->Children().Count(), 3u);
    EXPECT_NE(dynamic_cast<const TvnResetClip*>(copy->Children()[2]), nullptr);
    EXPECT_NE(copy->Children()[2], line.Children()[2]);
    const auto* copiedWord = dynamic_cast<const TvnTextitem*>(copy->Children()[0]);
    ASSERT_NE(copiedWord, nullptr);
    EXPECT_NE(copiedWord, word.get());
    EXPECT_EQ(copiedWord->GetText(), u"word");
    EXPECT_EQ(copiedWord->GetBoundingRect(), word->GetBoundingRect());
    EXPECT_TRUE(copy->Children().Owns(copiedWord));
    const auto* copiedClip = dynamic_cast<const TvnClipRect*>(copy->Children()[1]);
    ASSERT_NE(copiedClip, nullptr);
    EXPECT_NE(copiedClip, line.Children()[1]);
    EXPECT_EQ(copiedClip->GetCombineMode(), TvnCombineMode::cmXor);
    EXPECT_EQ(copy->GetSpacingRule(), TvnSpacingRule::srExact);
    EXPECT_EQ(copy->GetActualLineHeight(), 16);
    EXPECT_EQ(copy->GetLineHeight(), 12);
    EXPECT_EQ(copy->GetTabCounter(), 2);
  }
  // The line is gone; the word it borrowed is still the document's.
  EXPECT_EQ(word->GetText(), u"word");
}

TEST(WordPage, ColumnDrawsItsItemsInOrderAndItsCopyStandsAlone) {
  auto first = Item(u"first", 0, 0, 35, 12);
  auto second = Item(u"second", 0, 20, 42, 12);
  TvnColumn column;
  auto line = std::make_unique<TvnTextLine>();
  line->Add(first.get());
  column.Add(std::move(line));
  column.Add(second.get());
  testing::FixedPitchCanvas canvas;
  column.Draw(&canvas);
  EXPECT_EQ(canvas.Drawn, (std::vector<String>{u"first", u"second"}));

  auto copy = CloneAs(column);
  first.reset();
  second.reset();
  testing::FixedPitchCanvas copyCanvas;
  copy->Draw(&copyCanvas);
  EXPECT_EQ(copyCanvas.Drawn, (std::vector<String>{u"first", u"second"}));
}

TEST(WordPage, CopyIsAPageOfItsOwn) {
  TvnWordPage page(816, 96, 96, 96, 96, 1056);
  TvnTextitem body(u"body", nullptr);
  page.SetRawElements({&body, nullptr});
  auto line = std::make_unique<TvnTextLine>();
  line->Add(Item(u"text", 0, 0, 28, 12));
  page.PageElements().Add(std::move(line));
  page.GetRawSearchItems()->GetTextBuilder() = u"text";

  EXPECT_EQ(page.GetPageSize().Width, 816);
  EXPECT_EQ(page.GetPageSize().Height, 1056);
  EXPECT_EQ(page.GetPageParagraphs(), (std::vector<TvnDocItem*>{&body}));
  EXPECT_EQ(page.GetPageElements().size(), 1u);

  auto copy = CloneAs(page);
  EXPECT_NE(copy.get(), &page);
  EXPECT_EQ(copy->GetPageSize().Width, 816);
  EXPECT_EQ(copy->GetPageParagraphs(), page.GetPageParagraphs());
  ASSERT_EQ(copy->PageElements().Count(), 1u);
  EXPECT_NE(copy->PageElements()[0], page.PageElements()[0]);
  EXPECT_NE(dynamic_cast<TvnTextLine*>(copy->PageElements()[0]), nullptr);
  EXPECT_EQ(copy->GetRawSearchItems()->GetTextBuilder(), u"text");
  EXPECT_NE(copy->GetRawSearchItems(), page.GetRawSearchItems());
}

TEST(WordPage, LaidOutItemsHandBackOwnershipOnlyForOwnedItems) {
  LaidOutItems items;
  TvnTextitem borrowed(u"b", nullptr);
  items.Add(&borrowed);
  TvnDocItem* owned = items.Insert(0, std::make_unique<TvnResetClip>());
  items.Add(static_cast<TvnDocItem*>(nullptr));
  EXPECT_EQ(items.Items(), (std::vector<TvnDocItem*>{owned, &borrowed}));
  EXPECT_EQ(items.Remove(&borrowed), nullptr);
  EXPECT_FALSE(items.Contains(&borrowed));
  auto back = items.Remove(owned);
  EXPECT_EQ(back.get(), owned);
  EXPECT_TRUE(items.Empty());
}

}  // namespace vn::wordmodel::word_page_test
