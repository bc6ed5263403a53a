#include "wordmodel/layout_tags.h"

#include <gtest/gtest.h>

#include "wordmodel/fields.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"
#include "wordmodel/word_page.h"
#include "wordmodel/fixed_pitch_canvas.h"

namespace vn::wordmodel::layout_tags_test {

using testing::FixedPitchCanvas;

std::shared_ptr<TvnRunProperties> RunProperties(int32_t ASize = 10,
                                                TvnTextAlignment AAlignment = TvnTextAlignment::taBaseline) {
  auto properties = std::make_shared<TvnRunProperties>();
  auto font = std::make_shared<TvnFont>();
  font->SetName(u"Courier New");
  font->SetSize(ASize);
  properties->SetFont(font);
  properties->SetTextAlignment(AAlignment);
  return properties;
}

// A run of text items (a tab break for each "\t" entry), sharing final
// properties.
std::unique_ptr<TvnRun> MakeRun(const std::vector<String>& ATexts,
                            std::shared_ptr<TvnRunProperties> AProperties = RunProperties()) {
  auto run = std::make_unique<TvnRun>();
  run->SetFinalRunProperties(AProperties);
  for (const String& text : ATexts) {
    if (text == u"\t") {
      run->Add(std::make_unique<TvnBreak>(TvnBreakType::btTab));
    } else {
      auto item = std::make_unique<TvnTextitem>(text, AProperties);
      TextItemTagOf(*item);
      run->Add(std::move(item));
    }
  }
  return run;
}

std::unique_ptr<TvnParagraph> Paragraph(TvnHAlignment AAlignment, bool ADecimalTab = false) {
  auto paragraph = std::make_unique<TvnParagraph>();
  auto final = std::make_shared<TvnParagraphProperties>();
  final->SetHAlignment(AAlignment);
  paragraph->SetFinalParagraphProperties(final);
  if (ADecimalTab) {
    auto own = std::make_shared<TvnParagraphProperties>();
    auto tab = std::make_shared<TvnTab>();
    tab->SetTabStopValue(TvnTabStopValue::tsvDecimal);
    tab->SetPosition(200);
    own->GetTabs().push_back(tab);
    paragraph->SetParagraphProperties(own);
  }
  ParagraphTagOf(*paragraph);
  return paragraph;
}

std::vector<TvnTextitem*> TextItems(const TvnRun& ARun) {
  std::vector<TvnTextitem*> items;
  for (const auto& child : ARun.GetItems())
    if (auto* item = dynamic_cast<TvnTextitem*>(child.get())) items.push_back(item);
  return items;
}

std::vector<String> Texts(const TvnRun& ARun) {
  std::vector<String> texts;
  for (const TvnTextitem* item : TextItems(ARun)) texts.push_back(item->GetText());
  return texts;
}

TEST(LayoutTagsSplit, PiecesBySpacesAndDecimalPoints) {
  const struct {
    String text;
    bool decimal, keepSpaces;
    std::vector<String> pieces;
  } cases[] = {
      {u"two words", false, false, {u"two ", u"words"}},
      {u"two words", false, true, {u"two", u" ", u"words"}},
      {u"a  b", false, false, {u"a ", u" ", u"b"}},
      {u"a\xF020" u"b", false, true, {u"a", u"\xF020", u"b"}},
      {u"3.14", true, false, {u"3", u".", u"14"}},
      {u"3.14", false, false, {u"3.14"}},
      {u"12ab", true, false, {u"12", u"a", u"b"}},
      {u"12 34", true, true, {u"12", u" ", u"34"}},
      {u"", false, true, {}},
      {u"   ", false, false, {u" ", u" ", u" "}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitAsListAndKeep(c.text, c.decimal, c.keepSpaces), c.pieces)
        << vn::ToUtf8(c.text) << " decimal " << c.decimal << " keep " << c.keepSpaces;
  }
}

TEST(LayoutTagsBreak, WordItemsByAlignmentWithTabsCarriedAcrossRuns) {
  // Left-aligned text keeps each space at the end of its word; any other
  // alignment gives the spaces items of their own.
  const struct {
    TvnHAlignment alignment;
    std::vector<String> first, second;
  } cases[] = {
      {TvnHAlignment::haLeft, {u"two ", u"words"}, {u"tab ", u"end"}},
      {TvnHAlignment::haCenter, {u"two", u" ", u"words"}, {u"tab", u" ", u"end"}},
      {TvnHAlignment::haJustify, {u"two", u" ", u"words"}, {u"tab", u" ", u"end"}},
  };
  for (const auto& c : cases) {
    auto paragraph = Paragraph(c.alignment);
    paragraph->Add(MakeRun({u"two words", u"\t"}));
    paragraph->Add(MakeRun({u"tab end"}));
    TvnparagraphTag* tag = ParagraphTagOf(*paragraph);
    tag->BreakTextRuns();
    EXPECT_TRUE(tag->GetItemsBroken());
    const auto& first = dynamic_cast<const TvnRun&>(*paragraph->GetItem(0));
    const auto& second = dynamic_cast<const TvnRun&>(*paragraph->GetItem(1));
    EXPECT_EQ(Texts(first), c.first);
    EXPECT_EQ(first.GetCount(), static_cast<int32_t>(c.first.size()));  // the tab break is gone
    EXPECT_EQ(Texts(second), c.second);
    // The tab at the end of the first run marks the first piece of the next.
    std::vector<bool> tabbed;
    for (TvnTextitem* item : TextItems(second)) tabbed.push_back(TextItemTagOf(*item)->GetIsTabbed());
    std::vector<bool> expected(c.second.size(), false);
    expected[0] = true;
    EXPECT_EQ(tabbed, expected);
  }
}

TEST(LayoutTagsBreak, PiecesShareThePropertiesAndKeepPreservedSpacesAtTheEnds) {
  auto paragraph = Paragraph(TvnHAlignment::haLeft);
  auto properties = RunProperties();
  auto run = MakeRun({u"a b c"}, properties);
  TextItems(*run)[0]->SetPreserveSpaces(true);
  TvnRun* held = run.get();
  paragraph->Add(std::move(run));
  ParagraphTagOf(*paragraph)->BreakTextRuns();
  const std::vector<TvnTextitem*> items = TextItems(*held);
  ASSERT_EQ(items.size(), 3u);
  for (const TvnTextitem* item : items) {
    EXPECT_EQ(item->GetRunProperties(), properties);
    const auto* tag = dynamic_cast<const TvnTextItemTag*>(item->GetTag());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->GetTextItem(), item);
  }
  EXPECT_TRUE(items[0]->GetPreserveSpaces());
  EXPECT_FALSE(items[1]->GetPreserveSpaces());
  EXPECT_TRUE(items[2]->GetPreserveSpaces());
}

TEST(LayoutTagsBreak, FieldResultRunsAreBrokenToo) {
  auto paragraph = Paragraph(TvnHAlignment::haCenter);
  auto field = std::make_unique<TvnField>();
  auto result = std::make_unique<TvnFieldResult>();
  result->push_back(MakeRun({u"page 1"}));
  TvnRun* resultRun = result->front().get();
  field->SetResult(std::move(result));
  TvnparagraphTag* tag = ParagraphTagOf(*paragraph);
  tag->Add(std::move(field));
  EXPECT_TRUE(tag->GetContainsField());
  tag->BreakTextRuns();
  EXPECT_EQ(Texts(*resultRun), (std::vector<String>{u"page", u" ", u"1"}));
}

// A run of one item of ALength characters measured in a region ARegionWidth
// wide, on the 7-pixel canvas; each piece is measured as its width plus the
// pixel gap of 1.
TEST(LayoutTagsMeasure, ItemWiderThanTheRegionIsCutIntoPiecesThatFit) {
  const struct {
    String text;
    int32_t regionWidth;
    std::vector<String> pieces;
    std::vector<int32_t> widths;
  } cases[] = {
      // Four characters (29 pixels with the gap) fit: pieces of at most 4.
      {u"abcdefghij", 29, {u"abcd", u"efgh", u"ij"}, {29, 29, 15}},
      {u"abcdefghij", 28, {u"abc", u"def", u"ghi", u"j"}, {22, 22, 22, 8}},
      // No wider than the region: kept whole, measured without the gap.
      {u"abcdefghij", 70, {u"abcdefghij"}, {70}},
      // Every character wider than the region: one piece each.
      {u"abc", 5, {u"a", u"b", u"c"}, {8, 8, 8}},
      {u"abc", 0, {u"a", u"b", u"c"}, {8, 8, 8}},
      // A surrogate pair (two units, 14 pixels) is never split.
      {u"a\xD83D\xDE00" u"b", 16, {u"a", u"\xD83D\xDE00", u"b"}, {8, 15, 8}},
  };
  for (const auto& c : cases) {
    auto paragraph = Paragraph(TvnHAlignment::haLeft);
    auto run = MakeRun({c.text});
    TvnRun* held = run.get();
    paragraph->Add(std::move(run));
    FixedPitchCanvas canvas;
    ParagraphTagOf(*paragraph)->Measure(TRect{100, 0, 100 + c.regionWidth, 500}, canvas);
    const std::vector<TvnTextitem*> items = TextItems(*held);
    std::vector<int32_t> widths;
    int32_t sum = 0;
    for (const TvnTextitem* item : items) {
      widths.push_back(item->GetWidth());
      sum += item->GetWidth();
      EXPECT_EQ(item->GetHeight(), 12);
    }
    EXPECT_EQ(Texts(*held), c.pieces) << c.regionWidth;
    EXPECT_EQ(widths, c.widths) << c.regionWidth;
    EXPECT_EQ(held->GetWidth(), sum);
    EXPECT_EQ(held->GetHeight(), 12);
    EXPECT_FALSE(ParagraphTagOf(*paragraph)->GetNeedRecalculation());
  }
}

TEST(LayoutTagsMeasure, FirstPieceOfACutWordKeepsItsTab) {
  TvnTextitem word(u"abcdefghij", RunProperties());
  TvnTextItemTag* tag = TextItemTagOf(word);
  tag->SetIsTabbed(true);
  word.SetPreserveSpaces(true);
  FixedPitchCanvas canvas;
  const auto pieces = tag->BreakTextItemsAsPerWindowSize(TRect{0, 0, 29, 10}, word.GetRunProperties(), canvas);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_TRUE(TextItemTagOf(*pieces[0])->GetIsTabbed());
  EXPECT_FALSE(TextItemTagOf(*pieces[1])->GetIsTabbed());
  EXPECT_TRUE(pieces[0]->GetPreserveSpaces());
  EXPECT_FALSE(pieces[1]->GetPreserveSpaces());
  EXPECT_TRUE(pieces[2]->GetPreserveSpaces());
}

TEST(LayoutTagsMeasure, MeasuringFontFollowsTheRun) {
  const struct {
    int32_t size;
    TvnTextAlignment alignment;
    int32_t measuredSize, width, height;
  } cases[] = {
      {10, TvnTextAlignment::taBaseline, 10, 21, 12},
      {10, TvnTextAlignment::taSuperscript, 7, 12, 8},  // 10 / 1.5 = 6.67, rounded
      {9, TvnTextAlignment::taSubscript, 6, 12, 7},     // 9 / 1.5 = 6
      {20, TvnTextAlignment::taBaseline, 20, 42, 24},
  };
  for (const auto& c : cases) {
    auto properties = RunProperties(c.size, c.alignment);
    TvnFontStyles bold;
    bold.Include(vn::framework::TvnFontStyle::fsBold);
    properties->GetFont()->SetStyle(bold);
    TvnTextitem item(u"abc", properties);
    FixedPitchCanvas canvas;
    TvnFont previous;
    canvas.SetFont(&previous);
    TextItemTagOf(item)->Measure(TRect{0, 0, 500, 500}, properties.get(), 0, false, {}, canvas);
    ASSERT_EQ(canvas.Fonts.size(), 1u);
    EXPECT_EQ(canvas.Fonts[0].Name, u"Courier New");
    EXPECT_EQ(canvas.Fonts[0].Size, c.measuredSize);
    EXPECT_TRUE(canvas.Fonts[0].Style.Contains(vn::framework::TvnFontStyle::fsBold));
    EXPECT_EQ(item.GetWidth(), c.width);
    EXPECT_EQ(item.GetHeight(), c.height);
    EXPECT_EQ(canvas.GetFont(), &previous);  // the canvas gets its font back
  }
  // A run without a font measures in Arial 10, as it is drawn.
  TvnTextitem bare(u"ab", std::make_shared<TvnRunProperties>());
  FixedPitchCanvas canvas;
  TextItemTagOf(bare)->Measure(TRect{}, bare.GetRunProperties().get(), 0, false, {}, canvas);
  EXPECT_EQ(canvas.Fonts[0].Name, u"Arial");
  EXPECT_EQ(bare.GetWidth(), 14);
}

TEST(LayoutTagsMeasure, AllCapsTextIsMeasuredAndDrawnInUpperCaseAndKeptAsWritten) {
  auto properties = RunProperties();
  properties->SetCaps(true);
  TvnTextitem item(u"Straße no", properties);
  TvnTextItemTag* tag = TextItemTagOf(item);
  FixedPitchCanvas canvas;
  tag->Measure(TRect{0, 0, 500, 500}, properties.get(), 0, false, {}, canvas);
  EXPECT_EQ(item.GetText(), vn::WideUpperCase(u"Straße no"));
  EXPECT_EQ(tag->GetActualString(), u"Straße no");
  // Measured again, the text as written stays.
  tag->Measure(TRect{0, 0, 500, 500}, properties.get(), 0, false, {}, canvas);
  EXPECT_EQ(tag->GetActualString(), u"Straße no");
  item.Draw(&canvas);
  EXPECT_EQ(canvas.Drawn, (std::vector<String>{vn::WideUpperCase(u"Straße no")}));
}

TEST(LayoutTagsMeasure, DecimalTabGivesEachPieceItsWidthToTheDecimalPoint) {
  // "Total", a tab, then 1234.5 split over two runs: the pieces before the
  // point carry the width still ahead of it.
  auto paragraph = Paragraph(TvnHAlignment::haLeft, true);
  paragraph->Add(MakeRun({u"Total", u"\t", u"12"}));
  paragraph->Add(MakeRun({u"34.5 more"}));
  TvnparagraphTag* tag = ParagraphTagOf(*paragraph);
  tag->BreakTextRuns();
  FixedPitchCanvas canvas;
  tag->Measure(TRect{0, 0, 500, 500}, canvas);
  std::vector<String> texts;
  std::vector<int32_t> before;
  for (int32_t i = 0; i < paragraph->GetCount(); ++i) {
    for (TvnTextitem* item : TextItems(dynamic_cast<const TvnRun&>(*paragraph->GetItem(i)))) {
      texts.push_back(item->GetText());
      before.push_back(TextItemTagOf(*item)->GetTab_SpaceBeforeDecimal());
    }
  }
  EXPECT_EQ(texts, (std::vector<String>{u"Total", u"12", u"34", u".", u"5 ", u"more"}));
  EXPECT_EQ(before, (std::vector<int32_t>{0, 28, 14, 0, 0, 0}));
}

TEST(LayoutTagsMeasure, DecimalTabSegmentEndsAtTextAfterAOneDigitNumber) {
  // The digit test reads the last character of the piece (a one-character
  // piece has no next-to-last one).
  auto paragraph = Paragraph(TvnHAlignment::haCenter, true);
  paragraph->Add(MakeRun({u"\t", u"7"}));
  paragraph->Add(MakeRun({u"kg"}));
  TvnparagraphTag* tag = ParagraphTagOf(*paragraph);
  tag->BreakTextRuns();
  FixedPitchCanvas canvas;
  tag->Measure(TRect{0, 0, 500, 500}, canvas);
  const auto& first = dynamic_cast<const TvnRun&>(*paragraph->GetItem(0));
  EXPECT_EQ(TextItemTagOf(*TextItems(first)[0])->GetTab_SpaceBeforeDecimal(), 7);
}

TEST(LayoutTagsMeasure, AccumulatedStringGivesTheWidthUpToTheEndOfItsDigits) {
  const struct {
    String accumulated;
    int32_t prevCount, width;
  } cases[] = {{u"ab12.5", 0, 28}, {u"12x34.5", 3, 35}, {u"1234", 0, 28}, {u"abc", 1, 21}, {u"ab12", 99, 28}};
  for (const auto& c : cases) {
    TvnTextitem item(u"x", RunProperties());
    TvnTextItemTag* tag = TextItemTagOf(item);
    FixedPitchCanvas canvas;
    tag->Measure(TRect{0, 0, 500, 500}, item.GetRunProperties().get(), c.prevCount, true, c.accumulated, canvas);
    EXPECT_EQ(tag->GetTab_SpaceBeforeDecimal(), c.width) << vn::ToUtf8(c.accumulated);
  }
}

TEST(LayoutTagsMeasure, CharacterBoxesIncludeThePixelGap) {
  TvnTextitem item(u"ab", RunProperties(10, TvnTextAlignment::taSuperscript));
  TvnTextItemTag* tag = TextItemTagOf(item);
  FixedPitchCanvas canvas;
  tag->MeasureCharBBoxes(canvas);
  EXPECT_EQ(tag->GetCharBBoxes(), (std::vector<TRect>{{0, 0, 5, 8}, {0, 0, 5, 8}}));
}

TEST(LayoutTagsParagraph, IntersectsMeetsOverlappingAndTouchingRectangles) {
  auto paragraph = Paragraph(TvnHAlignment::haLeft);
  paragraph->SetBoundingRect(TRect{0, 0, 10, 10});
  const TvnparagraphTag* tag = ParagraphTagOf(*paragraph);
  EXPECT_TRUE(tag->Intersects(TRect{5, 5, 20, 20}));
  EXPECT_TRUE(tag->Intersects(TRect{-5, -5, 20, 20}));  // spans the paragraph, no corner inside
  EXPECT_TRUE(tag->Intersects(TRect{10, 10, 20, 20}));  // touches at a corner
  EXPECT_FALSE(tag->Intersects(TRect{11, 0, 20, 5}));
}

TEST(LayoutTagsParagraph, NumberRunIsRemovedOnlyWhenItWasAdded) {
  auto paragraph = Paragraph(TvnHAlignment::haLeft);
  paragraph->Add(MakeRun({u"1."}));
  paragraph->Add(MakeRun({u"text"}));
  TvnparagraphTag* tag = ParagraphTagOf(*paragraph);
  EXPECT_EQ(tag->RemoveNumberRun(), nullptr);
  tag->SetIsNumRunAdded(true);
  auto label = tag->RemoveNumberRun();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(Texts(dynamic_cast<const TvnRun&>(*label)), (std::vector<String>{u"1."}));
  EXPECT_EQ(paragraph->GetCount(), 1);
}

TEST(LayoutTagsCopies, CopiedItemsCarryTagsOfTheirOwn) {
  // A numbered paragraph copied (as headers are, page by page) keeps its
  // label's alignment; its tag refers to the copy.
  auto paragraph = Paragraph(TvnHAlignment::haLeft);
  TvnparagraphTag* tag = ParagraphTagOf(*paragraph);
  tag->SetIsNumParagraph(true);
  tag->SetNumberAlignment(TvnHAlignment::haRight);
  tag->SetOverflowedParagraph(true);
  paragraph->Add(MakeRun({u"text"}));
  FixedPitchCanvas canvas;
  tag->Measure(TRect{0, 0, 500, 500}, canvas);  // the run gets its run tag

  auto copy = CloneAs(*paragraph);
  const auto* copiedTag = dynamic_cast<const TvnparagraphTag*>(copy->GetTag());
  ASSERT_NE(copiedTag, nullptr);
  EXPECT_EQ(copiedTag->GetParentPara(), copy.get());
  EXPECT_TRUE(copiedTag->GetIsNumParagraph());
  EXPECT_EQ(copiedTag->GetNumberAlignment(), TvnHAlignment::haRight);
  EXPECT_TRUE(copiedTag->GetOverflowedParagraph());
  const auto* copiedRun = dynamic_cast<const TvnRun*>(copy->GetItem(0));
  ASSERT_NE(copiedRun, nullptr);
  const auto* runTag = dynamic_cast<const TvnTextRunTag*>(copiedRun->GetTag());
  ASSERT_NE(runTag, nullptr);
  EXPECT_EQ(runTag->GetTextRun(), copiedRun);

  TvnTable table;
  TvnTableTag* tableTag = TableTagOf(table);
  tableTag->SetProcessed(true);
  tableTag->SetRenderHeaderRows(false);
  tableTag->GetHeaderRowIndices() = {0, 1};
  auto tableCopy = CloneAs(table);
  const auto* copiedTableTag = dynamic_cast<const TvnTableTag*>(tableCopy->GetTag());
  ASSERT_NE(copiedTableTag, nullptr);
  EXPECT_EQ(copiedTableTag->GetTable(), tableCopy.get());
  EXPECT_TRUE(copiedTableTag->GetProcessed());
  EXPECT_FALSE(copiedTableTag->GetRenderHeaderRows());
  EXPECT_EQ(copiedTableTag->GetHeaderRowIndices(), (std::vector<int32_t>{0, 1}));
}

TEST(LayoutTagsCopies, HeaderFooterTagCopiesItsFieldList) {
  TvnHeaderFooterElementTag tag;
  TvnPageField field;
  tag.AddPageField(&field);
  tag.AddPageField(nullptr);
  auto copy = CloneAs(tag);
  EXPECT_EQ(copy->GetPageFieldList(), (std::vector<TvnPageField*>{&field}));
}

}  // namespace vn::wordmodel::layout_tags_test
