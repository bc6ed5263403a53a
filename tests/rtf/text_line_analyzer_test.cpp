// The plain-text line analyzer: positioned text elements become lines of
// text, words of one line joined with blanks where they stand apart, and
// the page's elements stay as they were.
#include "rtf/text_line_analyzer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace fw = vn::framework;

namespace text_line_analyzer_test {

using namespace vn::wordmodel;
using vn::String;

// Elements of Arial 10, 12 high, with one box per character.
struct TextElements {
  TvnTextElement* Text(const String& AText, double AX, double ABaseline, double AWidth) {
    auto e = std::make_unique<TvnTextElement>();
    e->SetText(AText);
    auto font = std::make_unique<fw::TvnFont>();
    font->SetName(u"Arial");
    font->SetSize(10);
    e->SetFont(std::move(font));
    e->SetBoundingRect(std::make_shared<TvnRectF>(AX, ABaseline, AWidth, 12));
    const double cw = AWidth / static_cast<double>(AText.size());
    for (size_t i = 0; i < AText.size(); ++i) {
      Boxes.push_back(std::make_unique<TvnRectF>(AX + cw * static_cast<double>(i), ABaseline - 12, cw, 12));
      e->GetCharBoundingRect().push_back(Boxes.back().get());
    }
    Items.push_back(std::move(e));
    return Items.back().get();
  }
  std::vector<std::unique_ptr<TvnRectF>> Boxes;
  std::vector<std::unique_ptr<TvnTextElement>> Items;
};

TEST(TextLineAnalyzer, LinesOfPositionedText) {
  TextElements e;
  struct Case {
    const char* What;
    std::vector<fw::TvnDocItem*> Items;
    std::vector<String> Lines;
  };
  TvnTextElement* noBoxes = e.Text(u"top", 10, 500, 20);
  noBoxes->GetCharBoundingRect().clear();
  TvnTextElement* script = e.Text(u"2", 41, 96, 4);
  script->GetFont()->SetSize(6);
  script->GetBoundingRect()->SetHeight(7);
  const Case cases[] = {
      {"far apart on one baseline", {e.Text(u"left", 10, 100, 30), e.Text(u"right", 200, 100, 30)},
       {u"left", u"right"}},
      {"words of one line", {e.Text(u"Hello", 10, 100, 30), e.Text(u"world", 44, 100, 32)}, {u"Hello world"}},
      {"pieces of one word", {e.Text(u"Hel", 10, 100, 18), e.Text(u"lo", 28, 100, 12)}, {u"Hello"}},
      {"a blank already there", {e.Text(u"Hello ", 10, 100, 34), e.Text(u"world", 48, 100, 32)}, {u"Hello world"}},
      {"a superscript joins its line", {e.Text(u"x", 10, 100, 30), script}, {u"x2"}},
      {"an element without boxes comes first", {e.Text(u"below", 10, 100, 30), noBoxes}, {u"top", u"below"}},
      {"nothing", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    std::vector<String> lines;
    vn::rtf::plaintext::TvnLineAnalyzer(c.Items, lines);
    EXPECT_EQ(lines, c.Lines);
  }
  // The superscript keeps its size and its own rectangle.
  EXPECT_EQ(script->GetFont()->GetSize(), 6);
  EXPECT_DOUBLE_EQ(script->GetBoundingRect()->GetY(), 96);
}

}  // namespace text_line_analyzer_test
