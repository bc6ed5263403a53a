// The plain-text document: text files in their encodings become lines laid
// out on A4 pages (wrapped, tab-expanded, broken at form feeds), pages of
// other documents become text, and the lines are written as UTF-8 with CR
// LF to a file or the host's stream.
#include "rtf/text_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/text_measure.h"
#include "runtime/exceptions.h"
#include "wordmodel/layout_tags.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/positioned_text.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace fw = vn::framework;

namespace text_document_test {

using namespace vn::rtf;
using namespace vn::wordmodel;
using vn::String;

std::vector<String> LoadLines(const std::string& ABytes, TvnTextDocument& ADoc) {
  ADoc.LoadFromStream(new vn::TStringStream(ABytes), u"", true);
  return ADoc.GetLines();
}

std::vector<String> AllPageLines(TvnTextDocument& ADoc) {
  std::vector<String> lines;
  for (int32_t i = 1; i <= ADoc.GetPageCount(); ++i) {
    auto* page = dynamic_cast<TvnTextPage*>(ADoc.GetPage(i));
    EXPECT_TRUE(page);
    if (page) lines.insert(lines.end(), page->GetLines().begin(), page->GetLines().end());
  }
  return lines;
}

struct EncodingCase {
  const char* What;
  std::string Bytes;
  std::vector<String> Lines;
};

TEST(TextDocumentLoad, EncodingsAndLineEnds) {
  const EncodingCase cases[] = {
      {"UTF-8 without a mark", "caf\xC3\xA9 \xE2\x82\xAC\n\xE4\xB8\xAD\xF0\x9F\x98\x80\n", {u"café €", u"中😀"}},
      {"UTF-8 with a mark", "\xEF\xBB\xBF" "caf\xC3\xA9\r\nzwei", {u"café", u"zwei"}},
      {"UTF-16 LE", std::string("\xFF\xFE" "a\0\xE9\0\r\0\n\0\x2D\x4E", 12), {u"aé", u"中"}},
      {"UTF-16 BE", std::string("\xFE\xFF\0a\0\xE9\0\n\x4E\x2D", 10), {u"aé", u"中"}},
      {"Windows-1252", "caf\xE9 \x80\r\x93quoted\x94", {u"café €", u"“quoted”"}},
      {"CR, LF and CR LF", "a\rb\nc\r\nd", {u"a", u"b", u"c", u"d"}},
      {"empty lines are kept", "a\n\n\nb\n", {u"a", u"", u"", u"b"}},
      {"one line end", "\n", {u""}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TvnTextDocument doc;
    EXPECT_EQ(LoadLines(c.Bytes, doc), c.Lines);
    EXPECT_TRUE(doc.GetIsLoaded());
  }
}

TEST(TextDocumentLoad, MissingFileRaisesTheFileError) {
  TvnTextDocument doc;
  EXPECT_THROW(doc.LoadFromFile(u"/nonexistent/file.txt", u""), vn::EFOpenError);
}

int32_t LinesPerPage() {
  vn::platform::Font f;
  f.height = -13;
  const int32_t h = vn::platform::MeasureText(f, u" ").cy;
  return (1123 - 20) / h;
}

TEST(TextDocumentLayout, LongFilesFlowOntoA4Pages) {
  std::string text;
  for (int i = 1; i <= 5000; ++i) text += "line " + std::to_string(i) + "\n";
  TvnTextDocument doc;
  doc.SetMeasurementUnit(fw::TvnMeasurementUnit::muPoints);
  LoadLines(text, doc);
  const int32_t perPage = LinesPerPage();
  ASSERT_GT(perPage, 40);
  EXPECT_EQ(doc.GetPageCount(), (5000 + perPage - 1) / perPage);
  for (int32_t i = 1; i <= doc.GetPageCount(); ++i) {
    const fw::TvnPageSize size = doc.GetPage(i)->GetPageSize();
    EXPECT_DOUBLE_EQ(size.Width, 595);
    EXPECT_DOUBLE_EQ(size.Height, 842);
  }
  const auto lines = AllPageLines(doc);
  ASSERT_EQ(lines.size(), 5000u);
  EXPECT_EQ(lines.front(), u"line 1");
  EXPECT_EQ(lines.back(), u"line 5000");
  EXPECT_EQ(doc.GetPage(0), nullptr);
  EXPECT_EQ(doc.GetPage(doc.GetPageCount() + 1), nullptr);
}

TEST(TextDocumentLayout, FormFeedsStartPagesAndTabsExpand) {
  TvnTextDocument doc;
  LoadLines("one\ftwo\n\fthree\n\t|\nab\tc\f", doc);
  ASSERT_EQ(doc.GetPageCount(), 4);
  auto lines = [&](int32_t i) { return dynamic_cast<TvnTextPage*>(doc.GetPage(i))->GetLines(); };
  EXPECT_EQ(lines(1), (std::vector<String>{u"one"}));
  EXPECT_EQ(lines(2), (std::vector<String>{u"two"}));
  EXPECT_EQ(lines(3), (std::vector<String>{u"three", u"        |", u"ab      c"}));
  EXPECT_TRUE(lines(4).empty());
}

TEST(TextDocumentLayout, LongLinesWrapWithinThePage) {
  vn::platform::Font font;
  font.height = -13;
  const int32_t width = 793 - 20;
  std::string words;
  for (int i = 0; i < 80; ++i) words += "word" + std::to_string(i) + " ";
  const std::string unbroken(400, 'x');
  TvnTextDocument doc;
  LoadLines(words + "\n" + unbroken + "\n", doc);
  const auto lines = AllPageLines(doc);
  ASSERT_GT(lines.size(), 4u);
  String joined;
  size_t xs = 0;
  for (const String& l : lines) {
    EXPECT_LE(vn::platform::MeasureText(font, l).cx, width) << vn::ToUtf8(l);
    if (!l.empty() && l[0] == u'x') {
      xs += l.size();
    } else {
      joined += l;
      // Broken after a blank: no word is cut.
      EXPECT_EQ(l.back(), u' ');
    }
  }
  EXPECT_EQ(joined, vn::FromUtf8(words));
  EXPECT_EQ(xs, unbroken.size());
}

TEST(TextDocumentLayout, EmptyAndUnloadedDocuments) {
  TvnTextDocument unloaded;
  EXPECT_EQ(unloaded.GetPageCount(), 1);
  EXPECT_EQ(unloaded.GetPage(1), nullptr);
  TvnTextDocument empty;
  LoadLines("", empty);
  ASSERT_EQ(empty.GetPageCount(), 1);
  auto* page = dynamic_cast<TvnTextPage*>(empty.GetPage(1));
  ASSERT_TRUE(page);
  EXPECT_TRUE(page->GetLines().empty());
}

// The ink of a drawn page: its rightmost and lowest dark pixel.
std::pair<int, int> InkExtent(TvnTextPage& APage, int32_t AWidth, int32_t AHeight) {
  vn::platform::CairoCanvas canvas(AWidth, AHeight, 0xFF000000);
  APage.Draw(&canvas, AWidth, AHeight, 96, 96, 0);
  const vn::platform::Bitmap pixels = canvas.Pixels();
  int right = -1, bottom = -1;
  for (int y = 0; y < AHeight; ++y)
    for (int x = 0; x < AWidth; ++x)
      if (pixels.Pixel(x, y).G < 128) right = std::max(right, x), bottom = std::max(bottom, y);
  return {right, bottom};
}

TEST(TextDocumentDraw, PagesFillTheSizeTheyAreDrawnAt) {
  TvnTextDocument doc;
  LoadLines("WWWWWWWWWW\nWWWWWWWWWW\n", doc);
  auto* page = dynamic_cast<TvnTextPage*>(doc.GetPage(1));
  ASSERT_TRUE(page);
  // The page is painted white over the black background, then the text.
  const auto [right, bottom] = InkExtent(*page, 793, 1123);
  ASSERT_GT(right, 50);
  ASSERT_LT(right, 300);
  ASSERT_GT(bottom, 20);
  const auto [right2, bottom2] = InkExtent(*page, 2 * 793, 2 * 1123);
  EXPECT_NEAR(right2, 2 * right, 6);
  EXPECT_NEAR(bottom2, 2 * bottom, 6);
}

TEST(TextDocument, TextJoinsTheLinesDirectly) {
  TvnTextDocument doc;
  LoadLines("ab\ncd\n", doc);
  EXPECT_EQ(doc.GetText(), u"abcd");
}

// ---- Writing --------------------------------------------------------------

// A page of another document with the elements it lists.
class FakePage : public fw::TvnBasePage {
 public:
  std::vector<fw::TvnDocItem*> GetPageElements() override { return Elements; }
  std::vector<fw::TvnDocItem*> Elements;
};

// A page class without an element list.
class PictureLikePage : public fw::TvnBasePage {};

class FakeDocument : public fw::TvnBaseDocument {
 public:
  int32_t GetPageCount() override { return static_cast<int32_t>(Pages.size()); }
  fw::TvnPage* GetPage(int32_t Index) override {
    return Index >= 1 && Index <= GetPageCount() ? Pages[static_cast<size_t>(Index - 1)].get() : nullptr;
  }
  std::vector<std::unique_ptr<fw::TvnPage>> Pages;
};

// Owns the elements of a fake document's pages.
struct Elements {
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
    return static_cast<TvnTextElement*>(Items.back().get());
  }
  fw::TvnDocItem* Paragraph(const std::vector<String>& ARuns) {
    auto p = std::make_unique<TvnParagraph>();
    for (const String& text : ARuns) {
      auto run = std::make_unique<TvnRun>();
      run->Add(std::make_unique<TvnTextitem>(text, run->GetFinalRunProperties()));
      p->AddTextRun(std::move(run));
    }
    Items.push_back(std::move(p));
    return Items.back().get();
  }
  fw::TvnDocItem* Table() {
    Items.push_back(std::make_unique<TvnTable>());
    return Items.back().get();
  }
  std::vector<std::unique_ptr<TvnRectF>> Boxes;
  std::vector<std::unique_ptr<fw::TvnDocItem>> Items;
};

FakePage* AddPage(FakeDocument& ADoc, std::vector<fw::TvnDocItem*> AElements) {
  auto page = std::make_unique<FakePage>();
  page->Elements = std::move(AElements);
  ADoc.Pages.push_back(std::move(page));
  return static_cast<FakePage*>(ADoc.Pages.back().get());
}

TEST(TextDocumentAssign, PagesBecomeHeadingsAndTheirText) {
  Elements e;
  FakeDocument source;
  // Positioned text, extracted word by word, out of reading order.
  AddPage(source, {e.Text(u"second", 10, 130, 40), e.Text(u"Hello", 10, 100, 30), e.Text(u"world", 44, 100, 32)});
  // Word-model elements: two paragraphs and a table.
  AddPage(source, {e.Paragraph({u"One ", u"paragraph"}), e.Table(), e.Paragraph({u"Two"})});
  AddPage(source, {});
  // Read as Word-model elements: nothing of it is a paragraph.
  AddPage(source, {e.Table(), e.Text(u"late", 10, 100, 20)});
  source.Pages.push_back(std::make_unique<PictureLikePage>());

  TvnTextDocument doc;
  std::vector<std::pair<int32_t, int32_t>> events;
  doc.EndAssignPage = [&](fw::TObject*, fw::TvnEndCopyPageEventArgs& a) {
    events.emplace_back(a.GetInputPageNumber(), a.GetOutputPageNumber());
  };
  doc.Assign(&source, u"");
  EXPECT_EQ(doc.GetLines(), (std::vector<String>{u"Page 1", u"Hello world", u"second", u"Page 2", u"One paragraph", u"",
                                                u"Two", u"Page 3", u"Page 4", u"", u"", u"Page 5"}));
  EXPECT_EQ(events.size(), 5u);
  // The source's elements are neither freed nor changed.
  EXPECT_EQ(static_cast<TvnTextElement*>(e.Items[1].get())->GetText(), u"Hello");
  EXPECT_DOUBLE_EQ(static_cast<TvnTextElement*>(e.Items[1].get())->GetBoundingRect()->GetY(), 100);
}

// The text of a table is kept: one line per row, its cells separated by
// tabs; a cell's paragraphs and a nested table's cells joined by blanks.
TEST(TextDocumentAssign, TablesGiveTheirCellsRowByRow) {
  Elements e;
  auto cell = [&](std::vector<fw::TvnDocItem*> AContent) {
    auto c = std::make_unique<TvnTableCell>();
    for (fw::TvnDocItem* item : AContent) {
      // The cell takes over the item the page builder made.
      for (auto& owned : e.Items)
        if (owned.get() == item) c->InsertItem(std::unique_ptr<fw::TvnDocItem>(owned.release()));
    }
    return c;
  };
  auto row = [](std::vector<std::unique_ptr<TvnTableCell>> ACells) {
    auto r = std::make_unique<TvnTableRow>();
    for (auto& c : ACells) r->InsertCell(std::move(c));
    return r;
  };
  auto nested = std::make_unique<TvnTable>();
  {
    std::vector<std::unique_ptr<TvnTableCell>> cells;
    cells.push_back(cell({e.Paragraph({u"in"})}));
    cells.push_back(cell({e.Paragraph({u"side"})}));
    nested->InsertRow(row(std::move(cells)));
  }
  auto table = std::make_unique<TvnTable>();
  {
    std::vector<std::unique_ptr<TvnTableCell>> cells;
    cells.push_back(cell({e.Paragraph({u"Name"})}));
    cells.push_back(cell({e.Paragraph({u"Price"}), e.Paragraph({u"(EUR)"})}));
    table->InsertRow(row(std::move(cells)));
  }
  {
    std::vector<std::unique_ptr<TvnTableCell>> cells;
    cells.push_back(cell({}));
    auto last = cell({e.Paragraph({u"12"})});
    last->InsertItem(std::move(nested));
    cells.push_back(std::move(last));
    table->InsertRow(row(std::move(cells)));
  }
  FakeDocument source;
  AddPage(source, {e.Paragraph({u"Before"}), table.get(), e.Paragraph({u"After"})});
  TvnTextDocument doc;
  doc.Assign(&source, u"");
  EXPECT_EQ(doc.GetLines(),
            (std::vector<String>{u"Page 1", u"Before", u"Name\tPrice (EUR)", u"\t12 in side", u"After"}));
}

// Breaks inside a paragraph keep the words on either side apart: a tab
// stays a tab, a line, column or page break starts a new line (a blank
// inside a table cell, whose row is one line).
TEST(TextDocumentAssign, BreaksInParagraphsKeepWordsApart) {
  auto paragraph = [&](std::vector<std::variant<String, TvnBreakType>> AParts) {
    auto p = std::make_unique<TvnParagraph>();
    auto run = std::make_unique<TvnRun>();
    for (const auto& part : AParts) {
      if (const auto* text = std::get_if<String>(&part))
        run->Add(std::make_unique<TvnTextitem>(*text, run->GetFinalRunProperties()));
      else
        run->Add(std::make_unique<TvnBreak>(std::get<TvnBreakType>(part)));
    }
    p->AddTextRun(std::move(run));
    return p;
  };
  using B = TvnBreakType;
  auto table = std::make_unique<TvnTable>();
  auto row = std::make_unique<TvnTableRow>();
  auto c = std::make_unique<TvnTableCell>();
  c->InsertItem(paragraph({u"in", B::btLine, u"cell"}));
  row->InsertCell(std::move(c));
  table->InsertRow(std::move(row));
  auto first = paragraph({u"Name", B::btTab, u"Value"});
  // Laying a paragraph out takes its tab breaks out of the runs and marks
  // the text after each instead.
  auto laidOut = paragraph({u"Key", u"Entry"});
  auto* entry = static_cast<TvnTextitem*>(static_cast<TvnRun*>(laidOut->GetItems()[0].get())->GetItems()[1].get());
  TextItemTagOf(*entry)->SetIsTabbed(true);
  auto second = paragraph({u"one", B::btLine, u"two", B::btPage, B::btColumn, u"three", B::btNone});
  FakeDocument source;
  AddPage(source, {first.get(), laidOut.get(), second.get(), table.get()});
  TvnTextDocument doc;
  doc.Assign(&source, u"");
  EXPECT_EQ(doc.GetLines(),
            (std::vector<String>{u"Page 1", u"Name\tValue", u"Key\tEntry", u"one", u"two", u"", u"three", u"in cell"}));
}

// A paragraph broken over pages is listed by each page it stands on; its
// text is written once, with the page it starts on.
TEST(TextDocumentAssign, AParagraphBrokenOverPagesIsWrittenOnce) {
  Elements e;
  fw::TvnDocItem* first = e.Paragraph({u"first"});
  fw::TvnDocItem* broken = e.Paragraph({u"broken over three pages"});
  fw::TvnDocItem* last = e.Paragraph({u"last"});
  FakeDocument source;
  AddPage(source, {first, broken});
  AddPage(source, {broken});
  AddPage(source, {broken, last});
  TvnTextDocument doc;
  doc.Assign(&source, u"");
  EXPECT_EQ(doc.GetLines(), (std::vector<String>{u"Page 1", u"first", u"broken over three pages", u"Page 2", u"Page 3",
                                                u"last"}));
  // A page range starting inside the paragraph still shows it.
  TvnTextDocument part;
  part.Assign(&source, u"2-3");
  EXPECT_EQ(part.GetLines(), (std::vector<String>{u"Page 2", u"broken over three pages", u"Page 3", u"last"}));
}

TEST(TextDocumentAssign, AssignAppendsAndChecksTheRange) {
  Elements e;
  FakeDocument a, b;
  AddPage(a, {e.Paragraph({u"from a"})});
  AddPage(b, {e.Paragraph({u"b1"})});
  AddPage(b, {e.Paragraph({u"b2"})});
  TvnTextDocument doc;
  doc.Assign(&a, u"");
  doc.Assign(&b, u"2");
  EXPECT_EQ(doc.GetLines(), (std::vector<String>{u"Page 1", u"from a", u"Page 2", u"b2"}));
  try {
    doc.Assign(&b, u"3");
    FAIL() << "no exception";
  } catch (const vn::ExInvalidPageError& ex) {
    EXPECT_STREQ(ex.what(), "Invalid page range");
  }
}

TEST(TextDocumentSave, WritesUtf8WithCrLfToFileOrStream) {
  TvnTextDocument doc;
  LoadLines("caf\xC3\xA9\n\n\xE4\xB8\xAD", doc);
  const std::string expected = "caf\xC3\xA9\r\n\r\n\xE4\xB8\xAD\r\n";

  const auto path = std::filesystem::temp_directory_path() / "text_document_out.txt";
  doc.OutFilePath = vn::FromUtf8(path.string());
  EXPECT_TRUE(doc.Save());
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected);

  vn::TStringStream out;
  doc.OnNeedOutputStream = [&](fw::TObject*, fw::TvnNeedOutputStreamEventArgs& a) { a.SetOutputStream(&out); };
  EXPECT_TRUE(doc.Save());
  EXPECT_EQ(out.DataString(), expected);

  TvnTextDocument noStream;
  noStream.StreamOutput = true;
  EXPECT_THROW(noStream.Save(), vn::ExInvalidStream);
}

}  // namespace text_document_test
