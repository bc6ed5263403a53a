// Whole pages laid out with installed fonts (Arial resolves to Liberation
// Sans): the word positions equal those worked out from the font's own
// advances and the layout rules, and the page drawn into a metafile and
// played on the raster canvas matches a committed picture.
//
// Set VN_UPDATE_LAYOUT_PAGES=1 to write the pictures anew (then look at
// them before committing).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "framework/canvas.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"
#include "platform/canvas/text_measure.h"
#include "platform/images/image_codecs.h"
#include "support/paths.h"
#include "support/prerequisites.h"
#include "wordmodel/paragraph_builders.h"
#include "wordmodel/paragraph_layout_engine.h"
#include "wordmodel/table.h"
#include "wordmodel/table_layout_engine.h"
#include "wordmodel/text_item.h"

namespace vn::wordmodel::layout_pages_font_test {

constexpr const char* kSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
constexpr int32_t kPageWidth = 480;
constexpr int32_t kPageHeight = 240;

#define VN_REQUIRE_SANS() \
  if (!vn::test_support::HaveFile(kSans)) GTEST_SKIP() << kSans << " is not installed"

std::shared_ptr<TvnRunProperties> Arial10() {
  auto properties = std::make_shared<TvnRunProperties>();
  auto font = std::make_shared<TvnFont>();
  font->SetName(u"Arial");
  font->SetSize(10);
  properties->SetFont(font);
  return properties;
}

// The font layer's width of a text at 10 points (13 pixels per em): the
// characters' advances rounded on their running sum.
int32_t FontWidth(const String& AText) {
  vn::platform::Font font;
  font.faceName = u"Arial";
  font.height = -13;
  return vn::platform::MeasureText(font, AText).cx;
}

int32_t FontHeight() {
  vn::platform::Font font;
  font.faceName = u"Arial";
  font.height = -13;
  return vn::platform::MeasureText(font, u"X").cy;
}

struct Word {
  String text;
  int32_t x;
  int32_t y;
  bool operator==(const Word&) const = default;
};

void PrintTo(const Word& AW, std::ostream* AOut) { *AOut << vn::ToUtf8(AW.text) << "@" << AW.x << "," << AW.y; }

std::vector<Word> LaidOutWords(const LaidOutItems& AItems) {
  std::vector<Word> words;
  for (TvnDocItem* item : AItems)
    if (auto* line = dynamic_cast<TvnTextLine*>(item))
      for (TvnDocItem* child : line->Children())
        if (auto* text = dynamic_cast<TvnTextitem*>(child))
          words.push_back({text->GetText(), text->GetX(), text->GetY()});
  return words;
}

// Left-aligned words (each keeping its trailing space) from AFirstX on a
// line, wrapping at ARight - 2 to ALeftX, lines AHeight apart.
std::vector<Word> ExpectedLeftAligned(const std::vector<String>& APieces, int32_t AFirstX, int32_t ALeftX,
                                      int32_t ARight, int32_t AY, int32_t AHeight) {
  std::vector<Word> words;
  int32_t x = AFirstX;
  int32_t y = AY;
  bool lineEmpty = true;
  for (const String& piece : APieces) {
    const int32_t w = FontWidth(piece);
    if (!lineEmpty && x + w > ARight - 2) {
      x = ALeftX;
      y += AHeight;
    }
    words.push_back({piece, x, y});
    x += w;
    lineEmpty = false;
  }
  return words;
}

// The page drawn into the canvas's metafile and played on the raster
// canvas, compared with the committed picture: at most 1 pixel in 200 may
// differ by more than 64 in a channel.
void ExpectPageLooksLike(const LaidOutItems& AItems, vn::framework::TvnVCLCanvas& ACanvas, const std::string& AName) {
  ACanvas.CreateCanvas();
  for (TvnDocItem* item : AItems) item->Draw(&ACanvas);
  const std::string emf = ACanvas.FinishMetaFile();
  vn::platform::emf::EmfFile file(emf);
  vn::platform::CairoCanvas raster(kPageWidth, kPageHeight);
  vn::platform::DrawPageMetafile(file, raster, kPageWidth, kPageHeight, 0);
  const std::string path = std::string(VN_FIXTURES_DIR) + "/wordmodel/layout_pages/" + AName + ".png";
  const char* update = std::getenv("VN_UPDATE_LAYOUT_PAGES");
  if (update != nullptr && std::string(update) == "1") ASSERT_TRUE(raster.WritePng(path));
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const vn::platform::Bitmap expected =
      vn::platform::DecodePng(std::as_bytes(std::span<const char>(bytes.data(), bytes.size())));
  const vn::platform::Bitmap actual = raster.Pixels();
  ASSERT_EQ(expected.Width(), actual.Width());
  ASSERT_EQ(expected.Height(), actual.Height());
  int differing = 0;
  for (int y = 0; y < actual.Height(); ++y) {
    for (int x = 0; x < actual.Width(); ++x) {
      const auto a = actual.Pixel(x, y);
      const auto e = expected.Pixel(x, y);
      if (std::abs(a.R - e.R) > 64 || std::abs(a.G - e.G) > 64 || std::abs(a.B - e.B) > 64) ++differing;
    }
  }
  EXPECT_LE(differing, actual.Width() * actual.Height() / 200) << AName;
}

// A left-aligned paragraph with a first-line indent of 30, one with a dot
// leader to a stop at 300, and a right-aligned one with a right indent of
// 20, in a region from (40, 20) to (440, 220).
TEST(LayoutPagesFonts, ParagraphPageMatchesTheFontAdvances) {
  VN_REQUIRE_SANS();
  vn::framework::TvnVCLCanvas canvas(kPageWidth, kPageHeight);
  TvnPageLayoutEngine engine(nullptr, 0, 1, TRect{40, 20, 440, 220});
  engine.SetCanvas(&canvas);
  const int32_t h = FontHeight();
  std::vector<std::unique_ptr<TvnParagraph>> paragraphs;

  const std::vector<String> pieces = {u"The ",  u"quick ", u"brown ", u"fox ",  u"jumps ", u"over ",   u"the ",
                                      u"lazy ", u"dog ",   u"while ", u"the ",  u"cat ",   u"sleeps ", u"on ",
                                      u"the ",  u"warm ",  u"mat ",   u"by ",   u"the ",   u"open ",   u"door ",
                                      u"of ",   u"the ",   u"old ",   u"house."};
  String text;
  for (const String& piece : pieces) text += piece;
  auto indented = testing::Props();
  indented->SetFirstLineIndent(30);
  indented->SetSpaceAfter(10);
  std::vector<std::unique_ptr<TvnRun>> runs;
  runs.push_back(testing::MakeRun({text}, Arial10()));
  paragraphs.push_back(testing::Para(indented, std::move(runs)));
  uint8_t cause = 0;
  EXPECT_FALSE(engine.ProcessParagraph(*paragraphs.back(), cause, nullptr, 0, -1, 0, nullptr, nullptr));
  std::vector<Word> expected = ExpectedLeftAligned(pieces, 70, 40, 440, 20, h);
  EXPECT_EQ(LaidOutWords(engine.PageElements()), expected);

  // The leader: dots while two more dot widths fit before the stop.
  auto tabbed = testing::Props();
  auto tab = std::make_shared<TvnTab>();
  tab->SetPosition(300);
  tab->SetLeadingChar(TvnTabStopChar::tscDot);
  tabbed->GetTabs().push_back(tab);
  runs.clear();
  runs.push_back(testing::MakeRun({u"Contents", u"\t", u"12"}, Arial10()));
  paragraphs.push_back(testing::Para(tabbed, std::move(runs)));
  EXPECT_FALSE(engine.ProcessParagraph(*paragraphs.back(), cause, nullptr, 0, -1, 0, nullptr, nullptr));
  const int32_t tabY = expected.back().y + h + 10;
  const int32_t afterContents = 40 + FontWidth(u"Contents");
  const int32_t advance = 340 - afterContents;
  const int32_t dot = FontWidth(u".");
  String dots;
  for (int32_t sum = 0; sum < advance; sum += dot)
    if (sum + 2 * dot < advance) dots += u".";
  expected.push_back({u"Contents", 40, tabY});
  expected.push_back({dots, afterContents, tabY});
  expected.push_back({u"12", 340, tabY});

  // Right-aligned: the words are pieces of their own, spaces apart; the
  // line ends at 440 - 20.
  auto right = testing::Props(TvnHAlignment::haRight);
  right->SetRightIndent(20);
  runs.clear();
  runs.push_back(testing::MakeRun({u"Signed at the end"}, Arial10()));
  paragraphs.push_back(testing::Para(right, std::move(runs)));
  EXPECT_FALSE(engine.ProcessParagraph(*paragraphs.back(), cause, nullptr, 0, -1, 0, nullptr, nullptr));
  const std::vector<String> rightPieces = {u"Signed", u" ", u"at", u" ", u"the", u" ", u"end"};
  int32_t total = 0;
  for (const String& piece : rightPieces) total += FontWidth(piece);
  int32_t x = 420 - total;
  for (const String& piece : rightPieces) {
    expected.push_back({piece, x, tabY + h});
    x += FontWidth(piece);
  }
  EXPECT_EQ(LaidOutWords(engine.PageElements()), expected);
  engine.FinalizeLayout();
  ExpectPageLooksLike(engine.PageElements(), canvas, "paragraph_page");
}

// A right-aligned table of three 100-pixel columns with single borders:
// a shaded header row, a cell spanning two columns, and a first column
// merged over the last two rows; rows one line high.
TEST(LayoutPagesFonts, TablePageMatchesTheGridAndTheFontHeight) {
  VN_REQUIRE_SANS();
  vn::framework::TvnVCLCanvas canvas(kPageWidth, kPageHeight);
  TvnPageLayoutEngine engine(nullptr, 0, 1, TRect{40, 20, 440, 220});
  engine.SetCanvas(&canvas);
  const int32_t h = FontHeight();

  auto table = std::make_unique<TvnTable>();
  table->GetGridColumnWidths() = {100, 100, 100};
  auto props = std::make_shared<TvnTableProperties>();
  props->SetTableAlignment(TvnHAlignment::haRight);
  for (TvnBorderType side : {TvnBorderType::Left, TvnBorderType::Top, TvnBorderType::Right, TvnBorderType::Bottom,
                             TvnBorderType::InsideH, TvnBorderType::InsideV}) {
    auto border = std::make_shared<TvnBorder>();
    border->SetBorderWidth(1);
    props->GetBorders()[side] = border;
  }
  table->SetTableProperties(props);
  struct CellText {
    String text;
    int32_t span;
    TvnMergeCellsOption merge;
  };
  const std::vector<std::vector<CellText>> grid = {
      {{u"Item", 1, TvnMergeCellsOption::mcoNone},
       {u"Count", 1, TvnMergeCellsOption::mcoNone},
       {u"Price", 1, TvnMergeCellsOption::mcoNone}},
      {{u"Apples", 1, TvnMergeCellsOption::mcoNone}, {u"Sold out", 2, TvnMergeCellsOption::mcoNone}},
      {{u"Pears", 1, TvnMergeCellsOption::mcoRestart},
       {u"3", 1, TvnMergeCellsOption::mcoNone},
       {u"1.20", 1, TvnMergeCellsOption::mcoNone}},
      {{u"", 1, TvnMergeCellsOption::mcoContinue},
       {u"4", 1, TvnMergeCellsOption::mcoNone},
       {u"0.90", 1, TvnMergeCellsOption::mcoNone}},
  };
  for (size_t r = 0; r < grid.size(); ++r) {
    auto row = std::make_unique<TvnTableRow>();
    auto rowProps = std::make_shared<TvnTableRowProperties>();
    rowProps->SetIsHeader(r == 0);
    row->SetTableRowProperties(rowProps);
    for (const CellText& c : grid[r]) {
      auto cell = std::make_unique<TvnTableCell>();
      auto cellProps = std::make_shared<TvnTableCellProperties>();
      cellProps->SetGridSpan(c.span);
      cellProps->SetVMergeCells(c.merge);
      if (r == 0) {
        cellProps->SetFillColor(TvnRGBColor{220, 220, 220});
        cellProps->SetShadeApplied(true);
      }
      cell->SetTableCellProperties(cellProps);
      std::vector<std::unique_ptr<TvnRun>> runs;
      if (!c.text.empty()) runs.push_back(testing::MakeRun({c.text}, Arial10()));
      cell->InsertItem(testing::Para(testing::Props(), std::move(runs)));
      row->InsertCell(std::move(cell));
    }
    if (r == 0) TableTagOf(*table)->GetHeaderRowIndices().push_back(0);
    table->InsertRow(std::move(row));
  }
  TvnPageStatus status;
  TvnTableLayoutEngine tables(nullptr, 20, status, engine);
  EXPECT_FALSE(tables.ProcessTable(*table, false, false, true, nullptr, nullptr, 1));

  // The table's 300 pixels end at the region's right edge, 440; row r
  // starts h * r below the top. An empty paragraph is as high as its mark.
  const int32_t left = 440 - 300;
  std::vector<Word> expected = {
      {u"Item", left, 20},
      {u"Count", left + 100, 20},
      {u"Price", left + 200, 20},
      {u"Apples", left, 20 + h},
      {u"Sold ", left + 100, 20 + h},
      {u"out", left + 100 + FontWidth(u"Sold "), 20 + h},
      {u"Pears", left, 20 + 2 * h},
      {u"3", left + 100, 20 + 2 * h},
      {u"1.20", left + 200, 20 + 2 * h},
      {u"4", left + 100, 20 + 3 * h},
      {u"0.90", left + 200, 20 + 3 * h},
  };
  EXPECT_EQ(LaidOutWords(engine.PageElements()), expected);
  EXPECT_EQ(engine.GetY(), 20 + 4 * h);
  ExpectPageLooksLike(engine.PageElements(), canvas, "table_page");
}

}  // namespace vn::wordmodel::layout_pages_font_test
