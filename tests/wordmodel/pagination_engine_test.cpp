// Pagination on the fixed-pitch canvas: a 10-point word is 12 pixels
// high, so a page 100 high with margins of 10 holds six lines (72 of its
// 80 body pixels).
#include "wordmodel/pagination_engine.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "wordmodel/field_code.h"
#include "wordmodel/fields.h"
#include "wordmodel/fixed_pitch_canvas.h"
#include "wordmodel/images.h"
#include "wordmodel/paragraph_builders.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"
#include "wordmodel/text_box.h"
#include "wordmodel/vector_graphics.h"
#include "wordmodel/word_parser.h"

namespace vn::wordmodel::pagination_engine_test {

using testing::FixedPitchCanvas;
using testing::Para;
using testing::Props;

// A body reader that fails the test when its items are asked for before
// its sections.
class FakeBody : public TvnMainDocumentParser {
 public:
  std::optional<std::vector<TvnSection*>> Sections() override {
    SectionsAsked = true;
    if (SectionItems) return std::nullopt;
    std::vector<TvnSection*> sections;
    for (auto& section : Owned) sections.push_back(section.get());
    return sections;
  }
  std::vector<TvnDocItem*> GetEnumerator() override {
    EXPECT_TRUE(SectionsAsked) << "body items asked for before the sections";
    std::vector<TvnDocItem*> items;
    if (SectionItems) {
      for (auto& section : Owned) items.push_back(section.get());
    } else {
      for (auto& item : Items) items.push_back(item.get());
    }
    return items;
  }

  std::vector<std::unique_ptr<TvnSection>> Owned;
  std::vector<std::unique_ptr<TvnDocItem>> Items;
  bool SectionItems = false;
  bool SectionsAsked = false;
};

class FakeReader : public TvnWordParser {
 public:
  FakeReader() : TvnWordParser(nullptr) {}
  TvnMainDocumentParser* GetDocumentParser() override { return &Body; }
  FakeBody Body;
};

// A section of AWidth by AHeight pixels with margins of 10 and no header
// or footer distance.
std::unique_ptr<TvnSection> Section(int32_t AWidth = 200, int32_t AHeight = 100,
                                    TvnSectionType AType = TvnSectionType::stNextPage) {
  auto section = std::make_unique<TvnSection>();
  section->SetPageWidth(AWidth);
  section->SetPageHeight(AHeight);
  section->SetSectionType(AType);
  auto margins = std::make_unique<TvnPageMargins>();
  margins->SetLeft(10);
  margins->SetTop(10);
  margins->SetRight(10);
  margins->SetBottom(10);
  section->SetPageMargin(std::move(margins));
  return section;
}

template <class Element>
std::unique_ptr<Element> HeaderOf(const char16_t* AText) {
  auto element = std::make_unique<Element>();
  TvnItemList items;
  items.push_back(Para(Props(), {AText}));
  element->SetElements(std::move(items));
  return element;
}

std::unique_ptr<TvnParagraph> Words(std::vector<String> ATexts, bool AEndsSection = false) {
  auto paragraph = Para(Props(), ATexts);
  paragraph->SetContainsSection(AEndsSection);
  return paragraph;
}

// A one-column table 100 wide; the first row repeats on every page.
std::unique_ptr<TvnTable> Table(const std::vector<const char16_t*>& ARows) {
  auto table = std::make_unique<TvnTable>();
  table->GetGridColumnWidths() = {100};
  table->SetTableProperties(std::make_shared<TvnTableProperties>());
  for (size_t i = 0; i < ARows.size(); ++i) {
    auto row = std::make_unique<TvnTableRow>();
    auto props = std::make_shared<TvnTableRowProperties>();
    props->SetIsHeader(i == 0);
    row->SetTableRowProperties(props);
    auto cell = std::make_unique<TvnTableCell>();
    cell->SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
    cell->InsertItem(Para(Props(), {ARows[i]}));
    row->InsertCell(std::move(cell));
    if (i == 0) TableTagOf(*table)->GetHeaderRowIndices().push_back(0);
    table->InsertRow(std::move(row));
  }
  return table;
}

std::unique_ptr<TvnParagraph> Picture(int32_t AHeight) {
  auto paragraph = Para(Props(), std::vector<std::unique_ptr<TvnRun>>{});
  auto image = std::make_unique<TvnWordImage>(String(u"picture.png"));
  image->SetIsInLine(true);
  image->SetWidth(40);
  image->SetHeight(AHeight);
  paragraph->Add(std::move(image));
  return paragraph;
}

// One page as the test sees it: its size and its words in page order
// ("[picture]" for a picture), each word once.
struct PageView {
  int32_t width = 0;
  int32_t height = 0;
  String words;
  bool operator==(const PageView&) const = default;
};

void PrintTo(const PageView& APage, std::ostream* AOut) {
  *AOut << APage.width << "x" << APage.height << " \"" << vn::ToUtf8(APage.words) << "\"";
}

void AppendWords(const TvnDocItem& AItem, String& AWords) {
  if (const auto* line = dynamic_cast<const TvnTextLine*>(&AItem)) {
    for (TvnDocItem* child : line->Children()) AppendWords(*child, AWords);
    return;
  }
  if (const auto* column = dynamic_cast<const TvnColumn*>(&AItem)) {
    for (TvnDocItem* child : column->Children()) AppendWords(*child, AWords);
    return;
  }
  String word;
  if (const auto* text = dynamic_cast<const TvnTextitem*>(&AItem)) word = text->GetText();
  if (dynamic_cast<const TvnWordImage*>(&AItem) != nullptr) word = u"[picture]";
  if (dynamic_cast<const TvnTextBox*>(&AItem) != nullptr) word = u"[box]";
  if (word.empty()) return;
  if (!AWords.empty()) AWords += u" ";
  AWords += word;
}

std::vector<PageView> Paginate(FakeReader& AReader, size_t AMaxPages = 50) {
  FixedPitchCanvas canvas;
  TvnWordLayoutEngine engine(AReader, &canvas);
  // The pages are read once all are laid out, as they are drawn: page
  // counts are final only then.
  std::vector<std::unique_ptr<TvnWordPage>> pages;
  while (pages.size() < AMaxPages) {
    std::unique_ptr<TvnWordPage> page = engine.GetNextPage();
    if (page == nullptr) {
      EXPECT_EQ(engine.GetNextPage(), nullptr) << "a page after the end";
      break;
    }
    pages.push_back(std::move(page));
  }
  std::vector<PageView> views;
  for (const auto& page : pages) {
    const auto size = page->GetPageSize();
    PageView view{static_cast<int32_t>(size.Width), static_cast<int32_t>(size.Height), {}};
    for (TvnDocItem* item : page->PageElements()) AppendWords(*item, view.words);
    views.push_back(view);
  }
  return views;
}

struct DocumentCase {
  const char* name;
  void (*build)(FakeBody&);
  std::vector<PageView> pages;
};

void EightParagraphs(FakeBody& ABody) {
  ABody.Owned.push_back(Section());
  for (const char16_t* text : {u"p1", u"p2", u"p3", u"p4", u"p5", u"p6", u"p7", u"p8"})
    ABody.Items.push_back(Words({text}));
}

void PageBreak(FakeBody& ABody) {
  ABody.Owned.push_back(Section());
  ABody.Items.push_back(Words({u"a", u"\f", u"b"}));
  ABody.Items.push_back(Words({u"c"}));
}

void TallTable(FakeBody& ABody) {
  ABody.Owned.push_back(Section());
  ABody.Items.push_back(Words({u"before"}));
  ABody.Items.push_back(Table({u"H", u"r1", u"r2", u"r3", u"r4", u"r5", u"r6", u"r7"}));
  ABody.Items.push_back(Words({u"after"}));
}

// A first-page header, even and odd headers and a footer for odd pages
// only. The header distance 2 puts the header's end (14) below the top
// margin; the footer 26 above the bottom raises the body's bottom to 74.
void TitleAndEvenOddHeaders(FakeBody& ABody) {
  auto section = Section();
  section->GetPageMargin()->SetHeader(2);
  section->GetPageMargin()->SetFooter(26);
  section->SetIsTitlePage(true);
  section->SetIsEvenOddHeaders(true);
  section->SetFirstPageHeader(HeaderOf<TvnHeader>(u"first"));
  section->SetEvenPageHeader(HeaderOf<TvnHeader>(u"even"));
  section->SetDefaultPageHeader(HeaderOf<TvnHeader>(u"odd"));
  section->SetDefaultPageFooter(HeaderOf<TvnFooter>(u"foot"));
  ABody.Owned.push_back(std::move(section));
  for (const char16_t* text : {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10", u"11", u"12", u"13", u"14",
                               u"15", u"16", u"17", u"18"})
    ABody.Items.push_back(Words({text}));
}

void SectionsOfTwoSizes(FakeBody& ABody) {
  ABody.Owned.push_back(Section());
  ABody.Owned.push_back(Section(300, 60));
  ABody.Items.push_back(Words({u"a"}, true));
  for (const char16_t* text : {u"b", u"c", u"d", u"e"}) ABody.Items.push_back(Words({text}));
}

void ContinuousSection(FakeBody& ABody) {
  ABody.Owned.push_back(Section());
  ABody.Owned.push_back(Section(200, 100, TvnSectionType::stContinuous));
  ABody.Items.push_back(Words({u"a"}, true));
  ABody.Items.push_back(Words({u"b"}));
}

void SectionsAsBodyItems(FakeBody& ABody) {
  ABody.SectionItems = true;
  ABody.Owned.push_back(Section());
  ABody.Owned.back()->Add(Words({u"a"}));
  ABody.Owned.push_back(Section(300, 60));
  ABody.Owned.back()->Add(Words({u"b"}));
}

void NoBody(FakeBody& ABody) { ABody.Owned.push_back(Section()); }

// Body items but no section to lay them out in.
void NoSection(FakeBody& ABody) { ABody.Items.push_back(Words({u"a"})); }

// A picture taller than any body region, with a header on every page.
void OversizePictureWithHeader(FakeBody& ABody) {
  auto section = Section();
  section->SetDefaultPageHeader(HeaderOf<TvnHeader>(u"hd"));
  ABody.Owned.push_back(std::move(section));
  ABody.Items.push_back(Words({u"a"}));
  ABody.Items.push_back(Picture(500));
  ABody.Items.push_back(Words({u"b"}));
}

// A paragraph: AText, then the page number, "of" and the page count.
std::unique_ptr<TvnParagraph> PageOfPages(const char16_t* AText) {
  std::vector<std::unique_ptr<TvnRun>> runs;
  runs.push_back(testing::MakeRun({AText}));
  auto paragraph = Para(Props(), std::move(runs));
  for (const char16_t* code : {u"PAGE", u"NUMPAGES"}) {
    auto fieldCode = std::make_unique<TvnFieldCode>();
    fieldCode->SetCode(code);
    auto result = std::make_unique<TvnFieldResult>();
    result->push_back(testing::MakeRun({u"9"}));
    paragraph->Add(TvnWordHelperFunctions::GetField(nullptr, std::move(fieldCode), false, std::move(result)));
    if (String(code) == u"PAGE") paragraph->Add(testing::MakeRun({u"of"}));
  }
  return paragraph;
}

// Page numbers and page counts in a header and in the body.
void PageNumbersEverywhere(FakeBody& ABody) {
  auto section = Section();
  auto header = std::make_unique<TvnHeader>();
  TvnItemList items;
  items.push_back(PageOfPages(u"hd"));
  header->SetElements(std::move(items));
  section->SetDefaultPageHeader(std::move(header));
  ABody.Owned.push_back(std::move(section));
  for (const char16_t* text : {u"p1", u"p2", u"p3", u"p4", u"p5", u"p6", u"p7"}) ABody.Items.push_back(Words({text}));
  ABody.Items.push_back(PageOfPages(u"body"));
}

// Margins that leave no room for the body: each item is placed alone on a
// page, at the body's top, and the document ends.
void NoRoomForTheBody(FakeBody& ABody) {
  auto section = Section();
  section->GetPageMargin()->SetTop(60);
  section->GetPageMargin()->SetBottom(60);
  ABody.Owned.push_back(std::move(section));
  ABody.Items.push_back(Words({u"a"}));
  ABody.Items.push_back(Picture(30));
  ABody.Items.push_back(Words({u"b"}));
}

// A page count that does not fit on the last line of a page: it is laid
// out again on the next page, which frees the item tried first.
void PageCountMovedOn(FakeBody& ABody) {
  ABody.Owned.push_back(Section());
  for (const char16_t* text : {u"p1", u"p2", u"p3", u"p4", u"p5"}) ABody.Items.push_back(Words({text}));
  // 22 characters, the page number and "of" fill 175 of 178 pixels.
  ABody.Items.push_back(PageOfPages(u"xxxxxxxxxxxxxxxxxxxxxx"));
}

TEST(PaginationDocuments, PageCountsAndPageContents) {
  const DocumentCase cases[] = {
      {"empty body", NoBody, {}},
      {"no section", NoSection, {}},
      {"paragraphs over pages", EightParagraphs, {{200, 100, u"p1 p2 p3 p4 p5 p6"}, {200, 100, u"p7 p8"}}},
      {"page break", PageBreak, {{200, 100, u"a"}, {200, 100, u"b c"}}},
      {"table split with its header row repeated",
       TallTable,
       {{200, 100, u"before H r1 r2 r3 r4"}, {200, 100, u"H r5 r6 r7 after"}}},
      {"title page, even and odd headers",
       TitleAndEvenOddHeaders,
       {{200, 100, u"first 1 2 3 4 5 6"},
        {200, 100, u"even 7 8 9 10 11 12"},
        {200, 100, u"odd 13 14 15 16 17 foot"},
        {200, 100, u"even 18"}}},
      {"sections of two page sizes", SectionsOfTwoSizes, {{200, 100, u"a"}, {300, 60, u"b c d"}, {300, 60, u"e"}}},
      {"continuous section on the same page", ContinuousSection, {{200, 100, u"a b"}}},
      {"sections given as body items", SectionsAsBodyItems, {{200, 100, u"a"}, {300, 60, u"b"}}},
      {"page numbers and page counts",
       PageNumbersEverywhere,
       {{200, 100, u"hd 1 of 2 p1 p2 p3 p4 p5 p6"}, {200, 100, u"hd 2 of 2 p7 body 2 of 2"}}},
      {"no room for the body", NoRoomForTheBody, {{200, 100, u"a"}, {200, 100, u"[picture]"}, {200, 100, u"b"}}},
      {"oversize picture with a header",
       OversizePictureWithHeader,
       {{200, 100, u"hd a"}, {200, 100, u"hd [picture]"}, {200, 100, u"hd b"}}},
      {"page count moved to the next page",
       PageCountMovedOn,
       {{200, 100, u"p1 p2 p3 p4 p5 xxxxxxxxxxxxxxxxxxxxxx 1 of"}, {200, 100, u"2"}}},
  };
  for (const DocumentCase& c : cases) {
    FakeReader reader;
    c.build(reader.Body);
    EXPECT_EQ(Paginate(reader), c.pages) << c.name;
  }
}

TEST(PaginationDocuments, CloseEndsTheDocument) {
  FakeReader reader;
  EightParagraphs(reader.Body);
  FixedPitchCanvas canvas;
  TvnWordLayoutEngine engine(reader, &canvas);
  EXPECT_NE(engine.GetNextPage(), nullptr);
  engine.Close();
  EXPECT_EQ(engine.GetNextPage(), nullptr);
  EXPECT_EQ(engine.GetNextPage(), nullptr);
}

// A page's search text: its header's words, then the body's, then the
// footer's, whatever order they are drawn in.
TEST(PaginationDocuments, SearchTextFollowsThePage) {
  FakeReader reader;
  auto section = Section();
  section->SetDefaultPageHeader(HeaderOf<TvnHeader>(u"hd"));
  section->SetDefaultPageFooter(HeaderOf<TvnFooter>(u"ft"));
  reader.Body.Owned.push_back(std::move(section));
  for (const char16_t* text : {u"p1", u"p2", u"p3", u"p4", u"p5", u"p6", u"p7"})
    reader.Body.Items.push_back(Words({text}));
  FixedPitchCanvas canvas;
  TvnWordLayoutEngine engine(reader, &canvas);
  std::vector<String> texts;
  while (std::unique_ptr<TvnWordPage> page = engine.GetNextPage())
    texts.push_back(page->GetRawSearchItems()->GetTextBuilder());
  EXPECT_EQ(texts, (std::vector<String>{u"hdp1p2p3p4p5p6ft", u"hdp7ft"}));
}

// A border around the text on every page but the section's first: its
// sides lie outside the margins of 10 by their spaces (3 and 4), and the
// top and left sides are missing.
TEST(PaginationBorders, BorderOutsideTheTextOnlyAfterTheFirstPage) {
  FakeReader reader;
  auto section = Section();
  auto border = std::make_unique<TvnPageBorder>();
  border->SetPageBorderDisplay(TvnPageBorderDisplay::pbdNotFirstPage);
  border->SetPageBorderOffsetFrom(TvnPageBorderOffsetFrom::pbofText);
  auto side = [](int32_t ASpace) {
    auto result = std::make_unique<TvnBorder>();
    result->SetSpace(ASpace);
    result->SetBorderWidth(2);
    return result;
  };
  border->SetRight(side(3));
  border->SetBottom(side(4));
  section->SetPageBorder(std::move(border));
  reader.Body.Owned.push_back(std::move(section));
  reader.Body.Items.push_back(Words({u"a", u"\f", u"b"}));
  FixedPitchCanvas canvas;
  TvnWordLayoutEngine engine(reader, &canvas);
  std::vector<std::vector<std::array<int32_t, 5>>> pages;
  while (std::unique_ptr<TvnWordPage> page = engine.GetNextPage()) {
    pages.emplace_back();
    for (TvnDocItem* item : page->PageElements())
      if (auto* line = dynamic_cast<TvnLine*>(item))
        pages.back().push_back(
            {line->GetStartX(), line->GetStartY(), line->GetEndX(), line->GetEndY(), line->GetPen()->GetWidth()});
  }
  // Bottom at 100 + 4 - 10, right at 200 + 3 - 10; the absent sides' spaces
  // are 0, so the left and top edges are the margins.
  const std::vector<std::vector<std::array<int32_t, 5>>> expected = {
      {},
      {{10, 94, 193, 94, 2}, {193, 94, 193, 10, 2}},
  };
  EXPECT_EQ(pages, expected);
}

// Pages as their items lie: a column as "column <left>: <words>", a line
// as "line <top> <left of its first item>: <words>", a text box as
// "box <left> <top>".
std::vector<std::vector<std::string>> Describe(FakeReader& AReader) {
  FixedPitchCanvas canvas;
  TvnWordLayoutEngine engine(AReader, &canvas);
  std::vector<std::vector<std::string>> pages;
  // The pages outlive the engine's last call, as page counts require.
  std::vector<std::unique_ptr<TvnWordPage>> kept;
  for (size_t i = 0; i < 20; ++i) {
    kept.push_back(engine.GetNextPage());
    const TvnWordPage* page = kept.back().get();
    if (page == nullptr) break;
    pages.emplace_back();
    for (TvnDocItem* item : page->PageElements()) {
      String words;
      AppendWords(*item, words);
      std::string at;
      if (dynamic_cast<TvnColumn*>(item) != nullptr) {
        at = "column " + std::to_string(item->GetBoundingRect().Left);
      } else if (auto* line = dynamic_cast<TvnTextLine*>(item)) {
        at = "line " + std::to_string(line->GetY()) + " " +
             std::to_string(line->Children().Empty() ? -1 : line->Children()[0]->GetX());
      } else if (dynamic_cast<TvnTextBox*>(item) != nullptr) {
        pages.back().push_back("box " + std::to_string(item->GetX()) + " " + std::to_string(item->GetY()));
        continue;
      } else {
        continue;
      }
      pages.back().push_back(at + ": " + vn::ToUtf8(words));
    }
  }
  return pages;
}

// A section of two columns 85 wide with a gap of 10 (or of one column 180
// wide) on a page 200 by 200 (a body 180 high: 15 lines), holding ACount
// one-word paragraphs, the last of which ends it; the next section, of
// type ANext, holds "b1".
void ColumnsThen(FakeBody& ABody, int AColumns, int ACount, TvnSectionType ANext) {
  auto section = Section(200, 200);
  for (int i = 0; i < AColumns; ++i) {
    auto column = std::make_unique<TvnWordColumn>();
    column->SetWidth(AColumns == 1 ? 180 : 85);
    column->SetSpace(i + 1 < AColumns ? 10 : 0);
    section->GetColumns().push_back(std::move(column));
  }
  ABody.Owned.push_back(std::move(section));
  ABody.Owned.push_back(Section(200, 200, ANext));
  for (int i = 1; i <= ACount; ++i) ABody.Items.push_back(Words({u"a" + vn::IntToStr(i)}, i == ACount));
  ABody.Items.push_back(Words({u"b1"}));
}

// At a continuous break the columns are balanced: the section's height
// (lines of 12) plus one and a half lines, over two columns, and the next
// section starts below them.
TEST(PaginationColumns, ContinuousBreakBalancesTheColumns) {
  const struct {
    const char* name;
    int columns;
    int count;
    TvnSectionType next;
    std::vector<std::vector<std::string>> pages;
  } cases[] = {
      // (72 + 18) / 2 = 45: three lines a column, "b1" at 10 + 45.
      {"continuous break",
       2,
       6,
       TvnSectionType::stContinuous,
       {{"column 10: a1 a2 a3", "column 105: a4 a5 a6", "line 55 10: b1"}}},
      {"next-page break ends the page",
       2,
       6,
       TvnSectionType::stNextPage,
       {{"column 10: a1 a2 a3 a4 a5 a6"}, {"line 10 10: b1"}}},
      // Nothing to balance: the next section starts right below.
      {"a single column", 1, 6, TvnSectionType::stContinuous, {{"column 10: a1 a2 a3 a4 a5 a6", "line 82 10: b1"}}},
      // The columns fill in turn; on the section's last page (24 + 18) / 2
      // = 21 holds one line a column.
      {"balanced on the section's second page",
       2,
       32,
       TvnSectionType::stContinuous,
       {{"column 10: a1 a2 a3 a4 a5 a6 a7 a8 a9 a10 a11 a12 a13 a14 a15",
         "column 105: a16 a17 a18 a19 a20 a21 a22 a23 a24 a25 a26 a27 a28 a29 a30"},
        {"column 10: a31", "column 105: a32", "line 31 10: b1"}}},
  };
  for (const auto& c : cases) {
    FakeReader reader;
    ColumnsThen(reader.Body, c.columns, c.count, c.next);
    EXPECT_EQ(Describe(reader), c.pages) << c.name;
  }
}

// A section whose balanced columns cannot hold it (a picture 100 high does
// not fit a column 93 high, and "a2" would be left over): its columns stay
// as first laid out, nothing of it is lost, and the next section starts on
// the next page.
TEST(PaginationColumns, SectionTooTallForBalancedColumnsKeepsItsColumns) {
  FakeReader reader;
  ColumnsThen(reader.Body, 2, 2, TvnSectionType::stContinuous);
  reader.Body.Items.insert(reader.Body.Items.begin() + 1, Picture(100));
  const std::vector<std::vector<std::string>> expected = {{"column 10: a1 [picture] a2"}, {"line 10 10: b1"}};
  EXPECT_EQ(Describe(reader), expected);
}

// A paragraph none of which fits at a page's end starts the next page
// whole, with its first-line indent of 20; one split across the pages
// continues without it.
TEST(PaginationDocuments, ParagraphMovedWholeKeepsItsFirstLineIndent) {
  for (const bool split : {false, true}) {
    FakeReader reader;
    reader.Body.Owned.push_back(Section());
    for (const char16_t* text : {u"p1", u"p2", u"p3", u"p4", u"p5"}) reader.Body.Items.push_back(Words({text}));
    if (!split) reader.Body.Items.push_back(Words({u"p6"}));
    auto props = Props();
    props->SetFirstLineIndent(20);
    reader.Body.Items.push_back(Para(props, {u"q1", u"\n", u"q2"}));
    const std::vector<std::string> second = split ? std::vector<std::string>{"line 10 10: q2"}
                                                  : std::vector<std::string>{"line 10 30: q1", "line 22 10: q2"};
    const std::vector<std::vector<std::string>> pages = Describe(reader);
    ASSERT_EQ(pages.size(), 2u) << split;
    EXPECT_EQ(pages[1], second) << split;
  }
}

// A floating text box 40 by 30 at (10, 10) on the page, wrapping square.
std::unique_ptr<TvnTextBox> WrappingBox() {
  auto box = std::make_unique<TvnTextBox>();
  box->SetBoundingRect(TRect{0, 0, 40, 30});
  box->SetWrap(std::make_unique<TvnWrapSquare>());
  box->SetHAlignment(TvnDrawingHAlignment::dhaNoAlignment);
  box->SetHRelativePosition(TvnHRelativePosition::hrpPage);
  box->SetVAlignment(TvnDrawingVAlignment::dvaNoAlignment);
  box->SetVRelativePosition(TvnVRelativePosition::vrpPage);
  box->SetPositionX(10);
  box->SetPositionY(10);
  return box;
}

// "a", then "b" holding ABoxes wrapping boxes that land on "a", then "c"
// and "d".
void BoxesOverText(FakeBody& ABody, int ABoxes) {
  ABody.Owned.push_back(Section());
  ABody.Items.push_back(Words({u"a"}));
  auto anchor = Words({u"b"});
  for (int i = 0; i < ABoxes; ++i) anchor->Add(WrappingBox());
  ABody.Items.push_back(std::move(anchor));
  ABody.Items.push_back(Words({u"c"}));
  ABody.Items.push_back(Words({u"d"}));
}

// The box lands on "a", already placed: the page is laid out again with
// the box kept, so the text beside it starts after its right edge (51);
// "d", below it, at the margin. The box is drawn first, once.
TEST(PaginationDrawings, PageLaidOutAgainAroundAWrappingTextBox) {
  FakeReader reader;
  BoxesOverText(reader.Body, 1);
  const std::vector<std::vector<std::string>> expected = {
      {"box 10 10", "line 10 51: a", "line 22 51: b", "line 34 51: c", "line 46 10: d"}};
  EXPECT_EQ(Describe(reader), expected);
}

// A box anchored in the first paragraph lands on that paragraph's own text:
// the page is laid out again, and its text flows beside the box (square)
// or below it (top and bottom) like the text that follows.
TEST(PaginationDrawings, DrawingMovesTheTextOfItsOwnParagraph) {
  struct Case {
    bool square;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {true, {"box 10 10", "line 10 51: a", "line 22 51: b", "line 34 51: c", "line 46 10: d"}},
      {false, {"box 10 10", "line 46 10: a", "line 58 10: b", "line 70 10: c"}},
  };
  for (const Case& c : cases) {
    FakeReader reader;
    reader.Body.Owned.push_back(Section());
    auto anchor = Words({u"a"});
    auto box = WrappingBox();
    if (!c.square) box->SetWrap(std::make_unique<TvnWrapTopAndBottom>());
    anchor->Add(std::move(box));
    reader.Body.Items.push_back(std::move(anchor));
    for (const char16_t* text : {u"b", u"c", u"d"}) reader.Body.Items.push_back(Words({text}));
    const std::vector<std::vector<std::string>> pages = Describe(reader);
    ASSERT_FALSE(pages.empty()) << c.square;
    EXPECT_EQ(pages[0], c.expected) << c.square;
  }
}

// A box across the body's width at its top, text above and below it,
// anchored in the sixth paragraph: laid out round the box, the text pushes
// that paragraph to the next page, so the box goes there with it and the
// first page keeps only what it held, without room kept for the box.
TEST(PaginationDrawings, DrawingGoesToTheNextPageWithItsParagraph) {
  FakeReader reader;
  reader.Body.Owned.push_back(Section());
  for (const char16_t* text : {u"a", u"b", u"c", u"d", u"e"}) reader.Body.Items.push_back(Words({text}));
  auto anchor = Words({u"f"});
  auto box = WrappingBox();
  box->SetBoundingRect(TRect{0, 0, 180, 30});
  box->SetWrap(std::make_unique<TvnWrapTopAndBottom>());
  box->SetPositionX(10);
  box->SetPositionY(10);
  anchor->Add(std::move(box));
  reader.Body.Items.push_back(std::move(anchor));
  const std::vector<std::vector<std::string>> expected = {
      {"line 10 10: a", "line 22 10: b", "line 34 10: c"},
      {"box 10 10", "line 46 10: d", "line 58 10: e", "line 70 10: f"}};
  EXPECT_EQ(Describe(reader), expected);
}

// A page laid out again lays out again the rest of a table it continues,
// from where the first page left its cell: the header row "H", then a row
// whose cell holds the lines c1 to c7, split after c4. On the second page
// a box anchored in "x" lands on "after" and on the cell's last line.
TEST(PaginationDrawings, PageLaidOutAgainResumesTheTableItContinues) {
  FakeReader reader;
  reader.Body.Owned.push_back(Section());
  reader.Body.Items.push_back(Words({u"before"}));
  auto table = Table({u"H"});
  auto row = std::make_unique<TvnTableRow>();
  row->SetTableRowProperties(std::make_shared<TvnTableRowProperties>());
  auto cell = std::make_unique<TvnTableCell>();
  cell->SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
  cell->InsertItem(
      Para(Props(), {u"c1", u"\n", u"c2", u"\n", u"c3", u"\n", u"c4", u"\n", u"c5", u"\n", u"c6", u"\n", u"c7"}));
  row->InsertCell(std::move(cell));
  table->InsertRow(std::move(row));
  reader.Body.Items.push_back(std::move(table));
  reader.Body.Items.push_back(Words({u"after"}));
  auto anchor = Words({u"x"});
  auto box = WrappingBox();
  box->SetPositionY(50);
  anchor->Add(std::move(box));
  reader.Body.Items.push_back(std::move(anchor));
  const std::vector<std::vector<std::string>> expected = {
      {"line 10 10: before", "line 22 10: H", "line 34 10: c1", "line 46 10: c2", "line 58 10: c3", "line 70 10: c4"},
      {"box 10 50", "line 10 10: H", "line 22 10: c5", "line 34 10: c6", "line 46 51: c7", "line 58 51: after",
       "line 70 51: x"}};
  EXPECT_EQ(Describe(reader), expected);
}

// Every box asks for one more pass. Past the bound on passes the page ends
// before the box that still asks, and the rest starts the next page: the
// document ends, every box shows once and no text is lost.
TEST(PaginationDrawings, ManyWrappingBoxesEndAndShowOnce) {
  FakeReader reader;
  BoxesOverText(reader.Body, 25);
  const std::vector<PageView> pages = Paginate(reader);
  ASSERT_FALSE(pages.empty());
  ASSERT_LT(pages.size(), 10u);
  String all;
  for (const PageView& page : pages) all += page.words + u" ";
  String text;
  size_t boxes = 0;
  for (size_t at = 0; at < all.size();) {
    const size_t end = all.find(u' ', at);
    const String word = all.substr(at, end - at);
    if (word == u"[box]") {
      ++boxes;
    } else if (!word.empty()) {
      text += word;
    }
    at = end + 1;
  }
  EXPECT_EQ(boxes, 25u);
  EXPECT_EQ(text, u"abcd");
}

}  // namespace vn::wordmodel::pagination_engine_test
