// The export engine's text calls: measuring, word wrapping, wrapped and
// boxed text, styled runs, vertical text, variables and link finding. Text
// is measured in Arial 10 (Liberation Sans, 13 pixels to the em) and
// compared with the advances FreeType gives for the same face.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "runtime/datetime.h"
#include "text_engine.h"

namespace vn::exporter::engine_text_test {
namespace {

using testing::ArialAdvances;
using testing::DrawnText;
using testing::TextEngine;
using testing::Utf8Lines;

// The greedy line breaking the engine promises, computed with FreeType's
// advances: a word (up to and including its blank) goes on the line when
// it fits the width left, else it starts the next line.
std::vector<std::u16string> ExpectedLines(const std::u16string& text, double first_width, double width) {
  std::vector<std::u16string> words;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find(u' ', start);
    end = end == std::u16string::npos ? text.size() : end + 1;
    words.push_back(text.substr(start, end - start));
    start = end;
  }
  std::vector<std::u16string> lines;
  double free = first_width;
  for (const auto& word : words) {
    const int w = ArialAdvances().Width(word);
    if (lines.empty() || w > free) {
      lines.push_back(word);
      free = (lines.size() == 1 && w <= first_width ? first_width : width) - w;
    } else {
      lines.back() += word;
      free -= w;
    }
  }
  return lines;
}

std::u16string Words(int count) {
  std::u16string out;
  for (int i = 0; i < count; ++i) out += u"word ";
  return out;
}

const std::u16string kProse =
    u"The export engine lays text out itself before any format draws it, so every output shows the same "
    u"lines: words are kept whole where they fit and the blank after a word travels with it to the end of "
    u"its line, which is why the width of a line is measured with that blank included.";

TEST(EngineText, MeasuresTheCharactersThemselvesNotACodePageCopy) {
  TextEngine e;
  const TFont& font = e.Font();
  for (const std::u16string text : {u"Hello, world", u"\u03b1\u03b2\u03b3\u03b4 \u03b5", u"\u041f\u0440\u0438\u0432\u0435\u0442", u"\u05e9\u05dc\u05d5\u05dd"})
    EXPECT_EQ(e.GetTextSize(text, font).cx, ArialAdvances().Width(text)) << vn::ToUtf8(text);
  // One final line break is left out of the width; an empty text measures
  // one pixel by the height of a blank.
  EXPECT_EQ(e.GetTextSize(u"Hello\r\n", font), e.GetTextSize(u"Hello", font));
  EXPECT_EQ(e.GetTextSize(u"", font), (TSize{1, e.GetTextSize(u" ", font).cy}));
  EXPECT_EQ(e.GetWideTextSize(u"Hello", font), e.GetTextSize(u"Hello", font));
  EXPECT_GT(e.GetTextSize(u"W", font).cy, 10);
}

TEST(EngineText, WrapTextWBreaksLinesAsWordsFit) {
  TextEngine e;
  const int one = ArialAdvances().Width(u"one ");
  const int two = ArialAdvances().Width(u"two");
  const int a = ArialAdvances().Width(u"a");
  struct Case {
    const char* name;
    std::u16string text;
    double width;
    std::vector<std::string> lines;
  } cases[] = {
      {"both words fit", u"one two", double(one + two), {"one two"}},
      {"the second word goes below", u"one two", double(one + two - 1), {"one ", "two"}},
      {"CR LF ends a line", u"one\r\ntwo", 500, {"one\r\n", "two"}},
      {"LF alone ends a line", u"one\ntwo", 500, {"one\r\n", "two"}},
      {"CR alone ends a line", u"one\rtwo", 500, {"one\r\n", "two"}},
      {"an empty line stays", u"one\r\n\r\ntwo", 500, {"one\r\n", "\r\n", "two"}},
      {"a blank before the break keeps the break", u"one \r\ntwo", 500, {"one \r\n", "two"}},
      {"a final break leaves no empty line", u"one\r\n", 500, {"one\r\n"}},
      {"blanks after a blank lead the next word", u"one  two", double(one), {"one ", " two"}},
      {"a line narrower than a character holds one", u"aaa", double(a - 1), {"a", "a", "a"}},
      {"empty text", u"", 500, {}},
  };
  for (const Case& c : cases) {
    TWideStrings lines;
    EXPECT_EQ(e.WrapTextW(c.text, lines, e.Font(), false, c.width, c.width), vn::RoundToInt(c.width)) << c.name;
    EXPECT_EQ(Utf8Lines(lines), c.lines) << c.name;
  }
}

TEST(EngineText, WordWiderThanTheLineIsCutWithoutLosingText) {
  TextEngine e;
  const std::u16string word = u"Supercalifragilisticexpialidocious";
  const double width = ArialAdvances().Width(u"Supercal");
  TWideStrings lines;
  e.WrapTextW(u"go " + word + u" now", lines, e.Font(), false, width, width);
  std::u16string joined;
  for (int i = 0; i < lines.Count(); ++i) joined += lines.GetString(i);
  EXPECT_EQ(joined, u"go " + word + u" now");
  // Every cut piece is the longest that fits: one more character would not.
  for (int i = 1; i + 1 < lines.Count(); ++i) {
    const std::u16string line = lines.GetString(i), next = lines.GetString(i + 1);
    EXPECT_LE(ArialAdvances().Width(line), width) << i;
    if (line.back() != u' ') EXPECT_GT(ArialAdvances().Width(line + next.substr(0, 1)), width) << i;
  }
  EXPECT_GT(lines.Count(), 4);

  // A very long word (and a very long line) costs in proportion to its length.
  const std::u16string huge(200000, u'x');
  TWideStrings cut, one;
  e.WrapTextW(huge, cut, e.Font(), false, 60, 60);
  e.WrapTextW(Words(20000), one, e.Font(), false, 1e9, 1e9);
  const size_t per_line = cut.GetString(0).size();
  EXPECT_EQ(static_cast<size_t>(cut.Count()), (huge.size() + per_line - 1) / per_line);
  EXPECT_EQ(one.Count(), 1);
}

TEST(EngineText, WrappingAWholeParagraphAgreesWithFreeTypeAdvances) {
  TextEngine e;
  for (const double width : {120.0, 237.0, 400.0}) {
    TWideStrings lines;
    e.WrapTextW(kProse, lines, e.Font(), false, width - 30, width);
    std::vector<std::string> expected;
    for (const auto& line : ExpectedLines(kProse, width - 30, width)) expected.push_back(vn::ToUtf8(line));
    EXPECT_EQ(Utf8Lines(lines), expected) << width;
  }
}

TEST(EngineText, WrappingAppendsToTheLinesAlreadyThere) {
  TextEngine e;
  TWideStrings lines;
  const double wide = 500;
  e.WrapTextW(u"one ", lines, e.Font(), false, wide, wide);
  e.WrapTextW(u"two", lines, e.Font(), false, wide, wide);
  EXPECT_EQ(Utf8Lines(lines), (std::vector<std::string>{"one two"}));
  // After a line break the next text starts a line of its own.
  e.WrapTextW(u"\r\n", lines, e.Font(), false, wide, wide);
  e.WrapTextW(u"three", lines, e.Font(), false, wide, wide);
  EXPECT_EQ(Utf8Lines(lines), (std::vector<std::string>{"one two\r\n", "three"}));

  // Nothing is wrapped into no width; with AutoWidth the text is one line
  // as wide as it needs.
  TWideStrings none;
  EXPECT_EQ(e.WrapTextW(u"words", none, e.Font(), false, 0, -2.5), -2);
  EXPECT_EQ(none.Count(), 0);
  e.Pen().Width = 3;
  EXPECT_EQ(e.WrapTextW(u"one two", none, e.Font(), true, 10, 10), ArialAdvances().Width(u"one two ") + 6);
  EXPECT_EQ(Utf8Lines(none), (std::vector<std::string>{"one two"}));
}

TEST(EngineText, WrapTextKeepsAnEmptyFirstLineWhenTheFirstWordDoesNotFitIt) {
  TextEngine e;
  const double width = ArialAdvances().Width(u"first ") + 2;
  vn::TStringList lines;
  e.WrapText(u"first word", lines, e.Font(), false, 10, width);
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines[0], u"");
  EXPECT_EQ(lines[1], u"first ");
  EXPECT_EQ(lines[2], u"word");
}

TEST(EngineText, TextOutWrapsAtTheBandEdge) {
  TextEngine e;
  e.Page().SetLeftMargin(50);
  e.Page().SetRightMargin(50);
  e.BeginDoc();
  const double band_width = e.Page().Width() - 100;
  e.TextOut(200, 30, kProse, true);
  e.TextOut(200, 700, u"short", false);
  e.EndDoc();
  const auto expected = ExpectedLines(kProse, band_width - 200, band_width);
  ASSERT_EQ(e.Texts.size(), expected.size() + 1);
  const double h = e.GetTextSize(u"W", e.Font()).cy;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(e.Texts[i].Text, vn::ToUtf8(expected[i])) << i;
    EXPECT_DOUBLE_EQ(e.Texts[i].X, i == 0 ? 250 : 50) << i;
    EXPECT_DOUBLE_EQ(e.Texts[i].Y, 30 + h * double(i)) << i;
  }
  EXPECT_EQ(e.Texts.back().Text, "short");
}

TEST(EngineText, TextBoxLaysItsLinesOutInTheBox) {
  struct Case {
    TvnHAlignment h;
    TvnVAlignment v;
  } cases[] = {{TvnHAlignment::haLeft, TvnVAlignment::vaTop},
               {TvnHAlignment::haRight, TvnVAlignment::vaBottom},
               {TvnHAlignment::haCenter, TvnVAlignment::vaCenter},
               {TvnHAlignment::haJustify, TvnVAlignment::vaTop}};
  const TvnRect margin{6, 4, 8, 10};
  for (const Case& c : cases) {
    TextEngine e;
    e.Frame().SetInternalMargin(margin);
    e.BeginDoc();
    e.TextBox({100, 100, 300, 260}, u"Boxed text wraps inside the frame and keeps its margins.\r\nThe end.", c.h, c.v);
    e.EndDoc();
    // The fill, the frame's four sides over it, then the text.
    ASSERT_EQ(e.Lines.size(), 4u);
    EXPECT_EQ(e.Log[2], "content Rectangle 100,100 300,260 filled");
    EXPECT_EQ(e.Log[3], "content Line 100,100 100,260");
    const double inner = 200 - 6 - 8;
    const double h = e.GetTextSize(u"W", e.Font()).cy;
    const auto& texts = e.Texts;
    ASSERT_GE(texts.size(), 3u);
    const double block = double(texts.size()) * h, room = 160 - 4 - 10;
    const double top = c.v == TvnVAlignment::vaTop ? 104 : c.v == TvnVAlignment::vaBottom ? 104 + room - block : 104 + (room - block) / 2;
    for (size_t i = 0; i < texts.size(); ++i) {
      const double w = ArialAdvances().Width(vn::FromUtf8(texts[i].Text));
      EXPECT_DOUBLE_EQ(texts[i].Y, top + h * double(i));
      EXPECT_LE(w, inner + 0.5);
      switch (c.h) {
        case TvnHAlignment::haRight: EXPECT_DOUBLE_EQ(texts[i].X + w, 106 + inner); break;
        case TvnHAlignment::haCenter: EXPECT_DOUBLE_EQ(texts[i].X + w / 2, 106 + inner / 2); break;
        default: EXPECT_DOUBLE_EQ(texts[i].X, 106);
      }
    }
    if (c.h == TvnHAlignment::haJustify) {
      // Lines inside a paragraph fill the width to less than a blank; the
      // paragraph's last line and the text's last line keep their spacing.
      const double blank = ArialAdvances().Width(u" ");
      EXPECT_GT(ArialAdvances().Width(vn::FromUtf8(texts[0].Text)), inner - blank);
      EXPECT_EQ(texts.back().Text, "The end.");
      EXPECT_EQ(texts[texts.size() - 2].Text.find("  "), std::string::npos);
    }
  }
}

TEST(EngineText, TextBoxDrawsOnlyTheLinesItsHeightHolds) {
  TextEngine e;
  e.BeginDoc();
  const double h = e.GetTextSize(u"W", e.Font()).cy;
  e.TextBox({10, 10, 60, 10 + 2 * h}, u"one two three four five six seven", TvnHAlignment::haLeft, TvnVAlignment::vaTop);
  // A box whose top-left lies outside the band makes nothing.
  e.TextBox({10, 5000, 60, 5100}, u"lost", TvnHAlignment::haLeft, TvnVAlignment::vaTop);
  e.EndDoc();
  EXPECT_EQ(e.Texts.size(), 2u);
}

TEST(EngineText, TextRectClipsToItsRectangle) {
  TextEngine e;
  e.Page().SetLeftMargin(50);
  e.BeginDoc();
  e.TextRect({0, 0, 100, 20}, 10, 5, u"clipped");
  e.EndDoc();
  ASSERT_EQ(e.Texts.size(), 1u);
  EXPECT_DOUBLE_EQ(e.Texts[0].X, 60);
  ASSERT_TRUE(e.Texts[0].Clip);
  // The clip is converted, without the band's offset.
  EXPECT_EQ(e.Texts[0].Clip->Right, 100);
  EXPECT_EQ(e.Texts[0].Clip->Left, 0);
}

TEST(EngineText, EmptyTextsMakeNoLines) {
  TextEngine e;
  e.BeginDoc();
  e.TextOut(10, 10, u"", true);
  e.HTMLTextOut(10, 10, u"");
  e.HTMLTextOut(10, 10, u"<B></B>");
  e.TextOutV(10, 10, u"", true);
  e.TextBox({10, 10, 100, 100}, u"", TvnHAlignment::haJustify, TvnVAlignment::vaCenter);
  e.BeginPara();
  EXPECT_GT(e.TextOut(u""), 0);
  e.EndPara();
  e.BeginTable(10, 200, 1);
  e.NewRow(10);
  e.TextOut(0, u"");
  e.EndTable();
  // A plain TextOut makes its item, empty or not.
  e.TextOut(10, 10, u"");
  e.EndDoc();
  ASSERT_EQ(e.Texts.size(), 1u);
  EXPECT_EQ(e.Texts[0].Text, "");
  EXPECT_FALSE(e.Font().Style.Contains(TFontStyle::fsBold));
}

TEST(EngineText, HTMLTextOutMakesStyledRunsSideBySide) {
  struct Case {
    std::u16string html;
    std::vector<std::string> runs;  // "text" or "*text" for bold
  } cases[] = {
      {u"a<B>b</B>c", {"a", "*b", "c"}},
      {u"<b>lower</b>case", {"*lower", "case"}},
      {u"one//two", {"one/two"}},
      {u"x /<B/> y", {"x <B> y"}},
      {u"//<B>z", {"/", "*z"}},
      {u"<X>plain", {"plain"}},
      {u"keep a < b", {"keep a ", " b"}},
      {u"<B>open", {"*open"}},
  };
  for (const Case& c : cases) {
    TextEngine e;
    e.BeginDoc();
    e.HTMLTextOut(20, 40, c.html);
    EXPECT_FALSE(e.Font().Style.Contains(TFontStyle::fsBold)) << vn::ToUtf8(c.html);
    e.EndDoc();
    std::vector<std::string> runs;
    double x = 20;
    for (const DrawnText& t : e.Texts) {
      runs.push_back((t.Style.Contains(TFontStyle::fsBold) ? "*" : "") + t.Text);
      EXPECT_DOUBLE_EQ(t.X, x) << vn::ToUtf8(c.html);
      EXPECT_DOUBLE_EQ(t.Y, 40);
      TFont font = e.Font();
      font.Style = t.Style;
      x += e.GetTextSize(vn::FromUtf8(t.Text), font).cx;
    }
    EXPECT_EQ(runs, c.runs) << vn::ToUtf8(c.html);
  }
}

TEST(EngineText, HTMLTextOutReadsAnUnendedTagOnce) {
  // Brackets that never close are dropped, and each is not scanned to the
  // end of the text again.
  TextEngine e;
  e.BeginDoc();
  e.HTMLTextOut(0, 0, std::u16string(200000, u'<') + u"x");
  e.EndDoc();
  ASSERT_EQ(e.Texts.size(), 1u);
  EXPECT_EQ(e.Texts[0].Text, "x");
}

TEST(EngineText, HTMLTextOutTakesPositionsInTheUnitAndGivesItBack) {
  TextEngine e;
  e.SetMeasurementUnit(TvnUnitType::muInches);
  e.BeginDoc();
  e.HTMLTextOut(1, 0.5, u"<I>x</I>");
  EXPECT_EQ(e.MeasurementUnit(), TvnUnitType::muInches);
  e.EndDoc();
  ASSERT_EQ(e.Texts.size(), 1u);
  EXPECT_DOUBLE_EQ(e.Texts[0].X, 96);
  EXPECT_DOUBLE_EQ(e.Texts[0].Y, 48);
  EXPECT_TRUE(e.Texts[0].Style.Contains(TFontStyle::fsItalic));
}

TEST(EngineText, TextOutVStacksTheCharacters) {
  TextEngine e;
  e.BeginDoc();
  const double h = e.TextHeight(u"AB\U0001D11E");
  e.TextOutV(100, 100, u"AB\U0001D11E", true);
  e.TextOutV(300, 300, u"CD", false);
  e.SetTextRotation(90);
  e.TextOutV(500, 100, u"EF", true);
  e.EndDoc();
  ASSERT_EQ(e.Texts.size(), 7u);
  EXPECT_EQ(e.Texts[2].Text, "\U0001D11E");  // a surrogate pair stays one character
  EXPECT_DOUBLE_EQ(e.Texts[1].Y, 100 + h);
  EXPECT_DOUBLE_EQ(e.Texts[2].Y, 100 + 2 * h);
  EXPECT_DOUBLE_EQ(e.Texts[4].Y, 300 - e.TextHeight(u"CD"));
  EXPECT_NEAR(e.Texts[6].X, 500 + e.TextHeight(u"EF"), 1e-9);
  EXPECT_NEAR(e.Texts[6].Y, 100, 1e-9);
}

TEST(EngineText, TextWidthAndHeightAreInTheUnit) {
  TextEngine e;
  e.SetMeasurementUnit(TvnUnitType::muInches);
  EXPECT_DOUBLE_EQ(e.TextWidth(u"Hello"), ArialAdvances().Width(u"Hello") / 96.0);
  EXPECT_DOUBLE_EQ(e.TextWidth(u""), 0);
  EXPECT_DOUBLE_EQ(e.TextHeight(u""), e.GetTextSize(u" ", e.Font()).cy / 96.0);
}

class EngineVariables : public ::testing::Test {
 protected:
  void SetUp() override {
    vn::SetClock([] { return vn::EncodeDateTime(2024, 2, 9, 14, 5, 7, 0); }, [](vn::TDateTime) { return 0; });
  }
  void TearDown() override { vn::ResetClock(); }
};

TEST_F(EngineVariables, DocumentVariablesAreReplacedWithoutRegardToCase) {
  TextEngine e;
  e.DocInfo().SetAuthor(u"Ada");
  e.DocInfo().SetTitle(u"Report");
  e.DocInfo().SetSubject(u"Sums");
  e.DocInfo().SetCreator(u"Tool");
  struct Case {
    std::u16string text;
    std::u16string expected;
  } cases[] = {
      {u"<%Author%>/<%TITLE%>/<%subject%>/<%Creator%>", u"Ada/Report/Sums/Tool"},
      {u"<%ShortDate%> <%ShortTime%>", u"2/9/2024 14:05"},
      {u"<%LongDate%> <%LongTime%>", u"Friday, February 9, 2024 14:05:07"},
      {u"<%Pg#%> stays without page variables", u"<%Pg#%> stays without page variables"},
      {u"no variables", u"no variables"},
  };
  for (const Case& c : cases) EXPECT_EQ(e.ReplaceVariables(c.text, false), c.expected) << vn::ToUtf8(c.text);
  e.Preferences().SetCalculateVariables(false);
  EXPECT_EQ(e.ReplaceVariables(u"<%Author%>", true), u"<%Author%>");
}

TEST_F(EngineVariables, PageVariablesReadThePageBeingDrawn) {
  for (const bool each_page : {false, true}) {
    TextEngine e;
    e.Preferences().SetProcessAfterEachPage(each_page);
    e.BeginDoc();
    for (int page = 1; page <= 3; ++page) {
      if (page > 1) e.NewPage();
      e.TextOut(10, 10, u"page <%Pg#%> of <%PgCnt%>");
    }
    e.EndDoc();
    ASSERT_EQ(e.Texts.size(), 3u);
    // Pages written at the end know the count; pages written at once know
    // only themselves.
    EXPECT_EQ(e.Texts[1].Text, each_page ? "page 2 of 2" : "page 2 of 3");
  }
}

TEST_F(EngineVariables, UserVariablesGoThroughTheHandlerOncePerName) {
  TextEngine e;
  std::vector<std::string> asked;
  e.OnCalcVariables = [&](TvnCustomDocumentEngine&, const String& name, String& value) {
    asked.push_back(vn::ToUtf8(name));
    if (name == u"self") value = u"<%self%>!";
    else if (name == u"a") value = u"<%b%>";
    else if (name == u"b") value = u"<%a%>";
    else value = u"[" + name + u"]";
  };
  struct Case {
    std::u16string text;
    std::u16string expected;
    std::vector<std::string> asked;
  } cases[] = {
      {u"<%Name%> and <%NAME%>", u"[Name] and [Name]", {"Name"}},
      {u"<%%> <%Pg#%> <%PgCnt%>", u"<%%> <%Pg#%> <%PgCnt%>", {}},
      {u"<%x<%y%>", u"<%x[y]", {"y"}},
      {u"<%self%>", u"<%self%>!", {"self"}},
      {u"<%a%>", u"<%a%>", {"a", "b"}},
      {u"<%open", u"<%open", {}},
  };
  for (const Case& c : cases) {
    asked.clear();
    EXPECT_EQ(e.ReplaceVariables(c.text, false), c.expected) << vn::ToUtf8(c.text);
    EXPECT_EQ(asked, c.asked) << vn::ToUtf8(c.text);
  }
}

TEST(EngineText, FindNextLinkFindsAddressesAndPaths) {
  TextEngine e;
  struct Case {
    std::u16string text;
    int32_t pos;
    std::string link;
    int32_t new_pos;
  } cases[] = {
      {u"see www.example.com now", 1, "www.example.com", 5},
      {u"see www.example.com now", 0, "www.example.com", 5},
      {u"get ftp://files.example.net/a.zip today", 1, "ftp://files.example.net/a.zip", 5},
      {u"go http://a.example/q?x=1&y=2 later", 1, "http://a.example/q?x=1&y=2", 4},
      {u"go https://secure.example.org later", 1, "https://secure.example.org", 4},
      {u"mail John.Doe@mail.example.com soon", 1, "John.Doe@mail.example.com", 6},
      {u"open C:\\My Files\\report.txt now", 1, "C:\\My Files\\report.txt", 6},
      {u"files c:\\a.txt and d:\\b.doc here", 1, "c:\\a.txt", 7},
      {u"meet me @ noon. Bye", 1, "", 1},
      {u"no links at all", 1, "", 1},
      {u"www.example.com", 0, "www.example.com", 1},
  };
  for (const Case& c : cases) {
    int32_t pos = c.pos;
    EXPECT_EQ(vn::ToUtf8(e.FindNextLink(c.text, pos)), c.link) << vn::ToUtf8(c.text);
    EXPECT_EQ(pos, c.new_pos) << vn::ToUtf8(c.text);
  }
  // Searching on after each link finds every link in turn.
  const std::u16string text = u"write to a@b.org or see www.x.com and c:\\d\\e.txt then stop";
  std::vector<std::string> found;
  for (int32_t pos = 1;;) {
    const String link = e.FindNextLink(text, pos);
    if (link.empty()) break;
    found.push_back(vn::ToUtf8(link));
    pos += static_cast<int32_t>(link.size());
  }
  EXPECT_EQ(found, (std::vector<std::string>{"a@b.org", "www.x.com", "c:\\d\\e.txt"}));
}

}  // namespace
}  // namespace vn::exporter::engine_text_test
