// Table sprms applied to a table of one row: widths, heights, borders,
// shading, merges, padding and styles, and sprms whose operands or cell
// indices do not fit, each stopping alone.
#include <gtest/gtest.h>

#include <string>

#include "doc/property_modifiers.h"
#include "wordmodel/margins.h"
#include "wordmodel/paragraph_properties.h"
#include "wordmodel/table.h"
#include "word_document_builder.h"

namespace vn::doc::table_modifiers_test {

using vn::doc::testing::WordDocumentBuilder;
using namespace std::string_literals;
namespace wm = vn::wordmodel;

std::string W16(uint16_t v) { return WordDocumentBuilder::Le16(v); }
std::string W32(uint32_t v) { return WordDocumentBuilder::Le32(v); }
std::string B(uint8_t v) { return std::string(1, static_cast<char>(v)); }
// A sprm with a 1-byte length before its operand.
std::string Var(uint16_t sprm, const std::string& operand) { return W16(sprm) + B(static_cast<uint8_t>(operand.size())) + operand; }
// An 8-byte border: colour (red, green, blue, automatic), width, type, space.
std::string Brc(uint8_t r, uint8_t g, uint8_t b, uint8_t width, uint8_t a = 0, uint8_t space = 0) {
  return B(r) + B(g) + B(b) + B(a) + B(width) + B(1) + B(space) + B(0);
}

// A table of one row with `cells` cells (each with cell properties and
// width 0), its six borders present, after the sprms are applied as a
// row-end paragraph's list.
struct Applied {
  Applied(const std::string& sprms, size_t cells = 2) {
    for (auto side : {wm::TvnBorderType::Top, wm::TvnBorderType::Left, wm::TvnBorderType::Bottom,
                      wm::TvnBorderType::Right, wm::TvnBorderType::InsideH, wm::TvnBorderType::InsideV})
      table.GetTableProperties()->GetBorders()[side] = std::make_shared<wm::TvnBorder>();
    auto row = std::make_unique<wm::TvnTableRow>();
    for (size_t i = 0; i < cells; ++i) {
      auto cell = std::make_unique<wm::TvnTableCell>(0);
      cell->SetTableCellProperties(std::make_shared<wm::TvnTableCellProperties>());
      row->InsertCell(std::move(cell));
    }
    table.InsertRow(std::move(row));
    TvnBinaryReader reader(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(sprms.data()), sprms.size()));
    const TvnPRLList prls = GetPRLs(reader, static_cast<int64_t>(sprms.size()));
    TvnDOCHelperFunctions helpers({}, {}, 0, 0);
    wm::TvnParagraphProperties para;
    DocSpecificOf(para).SetTable(&table);
    helpers.ParseParagraphProperties(para, &prls, reader);
  }
  wm::TvnTableRow& Row() { return *table.GetRows()[0]; }
  wm::TvnTableCell& Cell(size_t i) { return *Row().GetCells()[i]; }
  wm::TvnTableCellProperties& Props(size_t i) { return *Cell(i).GetTableCellProperties(); }
  wm::TvnBorder& Border(wm::TvnBorderType side) { return *table.GetTableProperties()->GetBorders()[side]; }
  wm::TvnTable table;
};

const std::string kDefTable = W16(0xD608) + W16(1 + 1 + 3 * 2) + B(2) + W16(static_cast<uint16_t>(-108)) + W16(1332) + W16(3492);

TEST(DocTableSprms, CellWidthsComeFromTheDefinitionFirst) {
  // Two cells from -108 twips (stored as 65428): 1440 and 2160 twips. A
  // later cell-width sprm sets only the width type.
  Applied a(kDefTable + Var(0xD635, B(0) + B(2) + B(3) + W16(5000)));
  EXPECT_EQ(a.Cell(0).GetWidth(), 96);
  EXPECT_EQ(a.Cell(1).GetWidth(), 144);
  EXPECT_EQ(a.Cell(1).GetActCellWidth(), 144);
  EXPECT_EQ(a.Props(0).GetWidthType(), wm::TvnWidthType::wtFixed);
  EXPECT_EQ(a.Cell(0).GetWidthType(), wm::TvnWidthType::wtFixed);
  // The cell-width sprm alone gives the width.
  Applied b(Var(0xD635, B(0) + B(1) + B(3) + W16(1440)));
  EXPECT_EQ(b.Cell(0).GetWidth(), 96);
  EXPECT_EQ(b.Props(0).GetWidth(), 96);
  EXPECT_EQ(b.Cell(1).GetWidth(), 0);
}

TEST(DocTableSprms, RowSprms) {
  struct Case {
    const char* name;
    std::string sprms;
    int32_t height;
    wm::TvnSpacingRule rule;
    bool cant_split, header;
  };
  const Case cases[] = {
      {"at least", W16(0x9407) + W16(400), 400, wm::TvnSpacingRule::srAtleast, false, false},
      {"exact", W16(0x9407) + W16(static_cast<uint16_t>(-300)), 300, wm::TvnSpacingRule::srExact, false, false},
      {"auto", W16(0x9407) + W16(0), 0, wm::TvnSpacingRule::srAuto, false, false},
      {"cannot split, header", W16(0x3403) + B(1) + W16(0x3404) + B(1), 0, wm::TvnSpacingRule::srAuto, true, true},
      {"may split, no header", W16(0x3403) + B(0) + W16(0x3404) + B(0), 0, wm::TvnSpacingRule::srAuto, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Applied a(c.sprms);
    const auto& props = *a.Row().GetTableRowProperties();
    EXPECT_EQ(props.GetHeight(), c.height);
    EXPECT_EQ(a.Row().GetActRowHeight(), c.height);
    EXPECT_EQ(props.GetHeightSpacingRule(), c.rule);
    EXPECT_EQ(props.GetCantSplit(), c.cant_split);
    EXPECT_EQ(props.GetIsHeader(), c.header);
  }
  // Widths before and after the row, the table's width and style.
  Applied b(W16(0xF617) + B(3) + W16(1439) + W16(0xF618) + B(3) + W16(150) + W16(0xF614) + B(2) + W16(2500) +
            W16(0x563A) + W16(7));
  EXPECT_EQ(b.Row().GetTableRowProperties()->GetGridBefore(), 95);
  EXPECT_EQ(b.Row().GetTableRowProperties()->GetGridAfter(), 10);
  EXPECT_EQ(b.table.GetTableProperties()->GetWidthType(), wm::TvnWidthType::wtPercent);
  EXPECT_EQ(b.table.GetTableProperties()->GetTableWidth(), 167);
  EXPECT_EQ(b.table.GetTableProperties()->GetStyleID(), u"7");
}

TEST(DocTableSprms, TableBordersTakeTheirOwnColourWidthAndSpace) {
  // Top blue 2 eighths, left 12 eighths, bottom 64, right red; inside ones
  // automatic black with a space.
  const std::string borders = Brc(0, 0, 255, 2) + Brc(0, 0, 0, 12) + Brc(0, 0, 0, 64) + Brc(255, 0, 0, 8) +
                              Brc(0, 0, 0, 4, 255, 3) + Brc(0, 0, 0, 4, 255, 35);
  Applied a(Var(0xD613, borders));
  EXPECT_EQ(a.Border(wm::TvnBorderType::Top).GetColor(), (wm::TvnRGBColor{0, 0, 255}));
  EXPECT_EQ(a.Border(wm::TvnBorderType::Right).GetColor(), (wm::TvnRGBColor{255, 0, 0}));
  EXPECT_EQ(a.Border(wm::TvnBorderType::Top).GetBorderWidth(), 1);
  EXPECT_EQ(a.Border(wm::TvnBorderType::Left).GetBorderWidth(), 2);
  EXPECT_EQ(a.Border(wm::TvnBorderType::Bottom).GetBorderWidth(), 64);
  EXPECT_EQ(a.Border(wm::TvnBorderType::InsideH).GetSpace(), 3);
  EXPECT_EQ(a.Border(wm::TvnBorderType::InsideV).GetSpace(), 3);  // the low 5 bits
  // The older layout: width, type, colour index, space.
  const std::string old = B(12) + B(1) + B(6) + B(2) + std::string(20, '\0');
  Applied b(Var(0xD605, old));
  EXPECT_EQ(b.Border(wm::TvnBorderType::Top).GetColor(), (wm::TvnRGBColor{255, 0, 0}));
  EXPECT_EQ(b.Border(wm::TvnBorderType::Top).GetBorderWidth(), 2);
  EXPECT_EQ(b.Border(wm::TvnBorderType::Top).GetSpace(), 2);
}

TEST(DocTableSprms, CellBordersShadingMergesAndAlignment) {
  // Cell 1's top and right borders: green, 255 (none); shading of cell 0
  // automatic and cell 1 grey; cell 0 starts a vertical merge, cell 1
  // continues one; both centred.
  const std::string shd = W32(0) + W32(0xFF000000) + W16(0) + W32(0) + "\x80\x80\x80\x00"s + W16(0);
  Applied a(Var(0xD62F, B(1) + B(2) + B(1 | 8) + Brc(0, 255, 0, 255)) + Var(0xD670, shd) +
            Var(0xD62B, B(0) + B(3)) + Var(0xD62B, B(1) + B(1)) + Var(0xD62C, B(0) + B(2) + B(1)));
  auto& borders = a.Props(1).GetBorders();
  ASSERT_EQ(borders.size(), 2u);
  EXPECT_EQ(borders.at(wm::TvnBorderType::Top)->GetColor(), (wm::TvnRGBColor{0, 255, 0}));
  EXPECT_EQ(borders.at(wm::TvnBorderType::Right)->GetBorderWidth(), 0);
  EXPECT_TRUE(a.Props(0).GetBorders().empty());
  EXPECT_FALSE(a.Props(0).GetShadeApplied());
  EXPECT_TRUE(a.Props(1).GetShadeApplied());
  EXPECT_EQ(a.Props(1).GetFillColor(), (wm::TvnRGBColor{128, 128, 128}));
  EXPECT_EQ(a.Props(0).GetVMergeCells(), wm::TvnMergeCellsOption::mcoRestart);
  EXPECT_EQ(a.Props(1).GetVMergeCells(), wm::TvnMergeCellsOption::mcoContinue);
  EXPECT_EQ(a.Props(1).GetCellVerticalAlignment(), wm::TvnVAlignment::vaCenter);
}

TEST(DocTableSprms, PaddingKeepsEarlierSidesAndOwnRanges) {
  // The row's default padding: top and bottom 60 twips on every cell; then
  // cell 1's own left padding of 150 twips.
  Applied a(Var(0xD634, B(0) + B(1) + B(1 | 4) + B(3) + W16(60)) + Var(0xD632, B(1) + B(2) + B(2) + B(3) + W16(150)));
  const wm::TvnMargin& m1 = *a.Props(1).GetCellMargins();
  EXPECT_EQ(m1.GetTop(), 4);
  EXPECT_EQ(m1.GetBottom(), 4);
  EXPECT_EQ(m1.GetLeft(), 10);
  EXPECT_EQ(a.Cell(1).GetCellLeftMargin(), 10);
  EXPECT_EQ(a.Cell(0).GetCellTopMargin(), 4);
  EXPECT_EQ(a.Cell(0).GetCellLeftMargin(), 0);
  EXPECT_EQ(a.Props(0).GetCellMargins()->GetLeft(), 0);
}

TEST(DocTableSprms, AFailingSprmStopsAloneAndRowlessTablesChangeNothing) {
  // A definition of five cells for a row of two sets the two and stops; a
  // vertical merge of cell 9, and a cell width whose operand is cut short,
  // change nothing; the sprms after them still apply.
  const std::string five = W16(0xD608) + W16(1 + 1 + 6 * 2) + B(5) + W16(0) + W16(1440) + W16(2880) + W16(4320) +
                           W16(5760) + W16(7200);
  Applied a(five + Var(0xD62B, B(9) + B(3)) + Var(0xD635, B(0) + B(2) + B(3)) + W16(0x563A) + W16(3));
  EXPECT_EQ(a.Cell(0).GetWidth(), 96);
  EXPECT_EQ(a.Cell(1).GetWidth(), 96);
  EXPECT_EQ(a.Props(0).GetWidthType(), wm::TvnWidthType::wtAuto);
  EXPECT_EQ(a.table.GetTableProperties()->GetStyleID(), u"3");
  // A definition claiming two cells with the boundaries of one in its
  // operand sets the first cell and stops inside its operand.
  Applied c(W16(0xD608) + W16(1 + 1 + 2 * 2) + B(2) + W16(0) + W16(1440) + Var(0xD62C, B(0) + B(2) + B(2)));
  EXPECT_EQ(c.Cell(0).GetWidth(), 96);
  EXPECT_EQ(c.Cell(1).GetWidth(), 0);
  EXPECT_EQ(c.Props(1).GetCellVerticalAlignment(), wm::TvnVAlignment::vaBottom);
  // Row sprms on a table without rows.
  wm::TvnTable empty;
  const std::string sprms = kDefTable + W16(0x9407) + W16(400);
  TvnBinaryReader reader(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(sprms.data()), sprms.size()));
  const TvnPRLList prls = GetPRLs(reader, static_cast<int64_t>(sprms.size()));
  TvnDOCHelperFunctions helpers({}, {}, 0, 0);
  for (const TvnPRL& p : prls) helpers.ApplyTableSprm(empty, reader, p);
  EXPECT_TRUE(empty.GetRows().empty());
}

}  // namespace vn::doc::table_modifiers_test
