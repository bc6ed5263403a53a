// The layout tags measuring with installed fonts through the library's own
// canvas: a few golden widths (Arial resolves to Liberation Sans).
#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "support/prerequisites.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/text_item.h"
#include "wordmodel/word_page.h"

namespace vn::wordmodel::layout_tags_font_test {

constexpr const char* kLiberationSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

std::shared_ptr<TvnRunProperties> Arial(int32_t ASize) {
  auto properties = std::make_shared<TvnRunProperties>();
  auto font = std::make_shared<TvnFont>();
  font->SetName(u"Arial");
  font->SetSize(ASize);
  properties->SetFont(font);
  return properties;
}

#define VN_REQUIRE_LIBERATION_SANS()                                                        \
  if (!vn::test_support::HaveFile(kLiberationSans)) GTEST_SKIP() << kLiberationSans << " is not installed"

// Liberation Sans advances (units of 2048) at 10 points = 13 pixels per em,
// each rounded to whole pixels: H 1479 -> 9, e 1139 -> 7, l 455 -> 3,
// o 1139 -> 7, space 569 -> 4, w 1479 -> 9, r 682 -> 4, d 1139 -> 7.
TEST(LayoutTagsFonts, WordsMeasureAsTheSumOfTheirAdvances) {
  VN_REQUIRE_LIBERATION_SANS();
  const struct {
    String text;
    int32_t width;
  } cases[] = {{u"Hello", 29}, {u"Hello world", 63}, {u"l", 3}};
  vn::framework::TvnVCLCanvas canvas;
  for (const auto& c : cases) {
    TvnTextitem item(c.text, Arial(10));
    TextItemTagOf(item)->Measure(TRect{0, 0, 500, 500}, item.GetRunProperties().get(), 0, false, {}, canvas);
    EXPECT_EQ(item.GetWidth(), c.width) << vn::ToUtf8(c.text);
    EXPECT_EQ(item.GetHeight(), 15) << vn::ToUtf8(c.text);
  }
}

TEST(LayoutTagsFonts, LongWordIsCutWhereTheNextCharacterWouldPassTheRegion) {
  VN_REQUIRE_LIBERATION_SANS();
  vn::framework::TvnVCLCanvas canvas;
  TvnTextitem word(u"Incomprehensibilities", Arial(10));
  const auto pieces =
      TextItemTagOf(word)->BreakTextItemsAsPerWindowSize(TRect{0, 0, 50, 500}, word.GetRunProperties(), canvas);
  std::vector<String> texts;
  std::vector<int32_t> widths;
  for (const auto& piece : pieces) {
    texts.push_back(piece->GetText());
    widths.push_back(piece->GetWidth());
  }
  // Widths include the pixel gap of 1.
  EXPECT_EQ(texts, (std::vector<String>{u"Incompr", u"ehensibi", u"lities"}));
  EXPECT_EQ(widths, (std::vector<int32_t>{48, 49, 28}));
}

TEST(LayoutTagsFonts, JustifiedLineEndsAtTheRightEdge) {
  VN_REQUIRE_LIBERATION_SANS();
  vn::framework::TvnVCLCanvas canvas;
  TvnParagraph paragraph;
  auto final = std::make_shared<TvnParagraphProperties>();
  final->SetHAlignment(TvnHAlignment::haJustify);
  paragraph.SetFinalParagraphProperties(final);
  auto run = std::make_unique<TvnRun>();
  run->SetFinalRunProperties(Arial(10));
  run->Add(std::make_unique<TvnTextitem>(u"Hello wide world", run->GetFinalRunProperties()));
  TvnRun* held = run.get();
  paragraph.Add(std::move(run));
  TvnparagraphTag* tag = ParagraphTagOf(paragraph);
  tag->BreakTextRuns();
  tag->Measure(TRect{0, 0, 300, 500}, canvas);

  // The items side by side from x 20, then spread to the right edge 300.
  TvnTextLine line;
  int32_t x = 20;
  for (const auto& child : held->GetItems()) {
    child->SetX(x);
    x += child->GetWidth();
    line.Add(child.get());
  }
  ASSERT_EQ(line.Children().Count(), 5u);
  line.JustifyTextLine(300 - x);
  EXPECT_EQ(line.Children()[4]->GetBoundingRect().Right, 300);
  EXPECT_EQ(line.Children()[0]->GetX(), 20);
}

}  // namespace vn::wordmodel::layout_tags_font_test
