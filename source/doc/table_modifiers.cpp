// Table sprms: the row-end paragraph of each table row carries the row's
// and its cells' properties as table sprms, which act on the table the
// paragraph's DOC-specific data points at, nearly always on its last row.
//
// Each sprm is applied on its own: one whose operand is shorter than what it
// says, that names a cell the row does not have, or that finds the table
// without rows stops where it fails, keeping what it already set, and the
// next sprm is applied as usual.
#include <algorithm>
#include <cmath>
#include <vector>

#include "doc/property_modifiers.h"
#include "wordmodel/margins.h"
#include "wordmodel/table.h"

namespace vn::doc {

namespace wm = vn::wordmodel;

namespace {

// Table sprms by ispmd.
enum TableIspmd : int32_t {
  kTDxaLeft = 1, kTFCantSplit90 = 3, kTTableHeader = 4, kTTableBorders80 = 5, kTDyaRowHeight = 7, kTDefTable = 8,
  kTDefTableShd80 = 18, kTTableBorders = 19, kTTableWidth = 20, kTWidthBefore = 23, kTWidthAfter = 24,
  kTDxaCol = 35, kTVertMerge = 43, kTVertAlign = 44, kTSetBrc = 47, kTCellPadding = 50,
  kTCellPaddingDefault = 52, kTCellWidth = 53, kTIstd = 58, kTDefTableShd = 112
};

// Raised inside one sprm to stop it; never leaves ApplyTableSprm.
struct TableSprmStop {};

// The operand's bytes, read front to back; a read past them stops the sprm.
class OperandCursor {
 public:
  OperandCursor(TvnBinaryReader& r, const TvnPRL& p) : FBytes(static_cast<size_t>(std::max<int64_t>(p.FoperandSize, 0))) {
    r.Seek(TvnSeekOrigin::soBegin, p.FOffset);
    r.CopyBytes(FBytes);
  }
  uint32_t Read(size_t ASize) {
    if (FAt + ASize > FBytes.size()) throw TableSprmStop{};
    uint32_t v = 0;
    for (size_t i = 0; i < ASize; ++i) v |= static_cast<uint32_t>(FBytes[FAt + i]) << (8 * i);
    FAt += ASize;
    return v;
  }
  size_t Size() const { return FBytes.size(); }

 private:
  std::vector<uint8_t> FBytes;
  size_t FAt = 0;
};

int32_t SignedTwips(uint32_t v) { return v >= 0x8000 ? static_cast<int32_t>(v) - 0x10000 : static_cast<int32_t>(v); }

// Twips to pixels, to the nearest whole pixel (halves to even).
int32_t RoundedPixels(int64_t ATwips) {
  return static_cast<int32_t>(std::nearbyint(static_cast<double>(ATwips) * 96.0 / 1440.0));
}

// A border width byte in eighths of a point as whole points: from 64 up the
// byte is taken as points, below it is rounded up from eighths (1 and 2
// count as 2).
int32_t BorderPoints(uint32_t w) {
  if (w >= 64) return static_cast<int32_t>(w);
  if (w == 1) w = 2;
  return static_cast<int32_t>((w + 7) / 8);
}

wm::TvnTableRow& LastRow(wm::TvnTable& ATable) {
  if (ATable.GetRows().empty()) throw TableSprmStop{};
  return *ATable.GetRows().back();
}

wm::TvnTableCell& CellAt(wm::TvnTableRow& ARow, uint32_t AIndex) {
  if (AIndex >= ARow.GetCells().size()) throw TableSprmStop{};
  return *ARow.GetCells()[AIndex];
}

wm::TvnTableCellProperties& CellPropertiesOf(wm::TvnTableCell& ACell) {
  if (!ACell.GetTableCellProperties()) throw TableSprmStop{};
  return *ACell.GetTableCellProperties();
}

wm::TvnTableRowProperties& RowPropertiesOf(wm::TvnTableRow& ARow) {
  if (!ARow.GetTableRowProperties()) ARow.SetTableRowProperties(std::make_shared<wm::TvnTableRowProperties>());
  return *ARow.GetTableRowProperties();
}

wm::TvnBorder& BorderIn(wm::TvnBorderTable& ABorders, wm::TvnBorderType AType, bool ACreate) {
  auto& slot = ABorders[AType];
  if (!slot) {
    if (!ACreate) {
      ABorders.erase(AType);
      throw TableSprmStop{};
    }
    slot = std::make_shared<wm::TvnBorder>();
  }
  return *slot;
}

// The six table borders in the order the border sprms give them.
constexpr wm::TvnBorderType kTableBorderOrder[6] = {wm::TvnBorderType::Top,    wm::TvnBorderType::Left,
                                                    wm::TvnBorderType::Bottom, wm::TvnBorderType::Right,
                                                    wm::TvnBorderType::InsideH, wm::TvnBorderType::InsideV};

// One 4-byte border of the older layout onto an existing border.
void ApplyBrc80(OperandCursor& c, wm::TvnBorder& ABorder) {
  const uint32_t width = c.Read(1);
  c.Read(1);  // brcType
  const uint32_t ico = c.Read(1);
  const uint32_t space = c.Read(1);
  ABorder.SetBorderWidth(BorderPoints(width));
  ABorder.SetColor(IcoToColor(ico));
  ABorder.SetSpace(static_cast<int32_t>(space & 0x1F));
}

struct Brc {
  wm::TvnRGBColor color;
  bool automatic = false;  // the colour's fourth byte is 255
  uint32_t width = 0;
  int32_t space = 0;
};

Brc ReadBrc8(OperandCursor& c) {
  Brc b;
  b.color.Red = static_cast<uint8_t>(c.Read(1));
  b.color.Green = static_cast<uint8_t>(c.Read(1));
  b.color.Blue = static_cast<uint8_t>(c.Read(1));
  b.automatic = c.Read(1) == 255;
  b.width = c.Read(1);
  c.Read(1);  // brcType
  b.space = static_cast<int32_t>(c.Read(1) & 0x1F);
  c.Read(1);
  return b;
}

// The cells of a range [first, lim) of the row; a range reaching past the
// row's cells applies to the cells before that and then stops the sprm.
template <typename Apply>
void ForCells(wm::TvnTableRow& ARow, uint32_t AFirst, uint32_t ALim, Apply AApply) {
  for (uint32_t i = AFirst; i < ALim; ++i) AApply(CellAt(ARow, i));
}

wm::TvnWidthType CellWidthType(uint32_t fts, wm::TvnWidthType current) {
  switch (fts) {
    case 1: return wm::TvnWidthType::wtAuto;
    case 2: return wm::TvnWidthType::wtPercent;
    case 3: return wm::TvnWidthType::wtFixed;
    case 19: return wm::TvnWidthType::wtUnits;
    default: return current;
  }
}

void ApplyCellPadding(OperandCursor& c, wm::TvnTableRow& ARow, bool AWholeRow) {
  const uint32_t first = c.Read(1);
  const uint32_t lim = c.Read(1);
  const uint32_t sides = c.Read(1);
  c.Read(1);  // ftsWidth
  const int32_t width = RoundedPixels(c.Read(2));
  // The row's default padding names every cell; a cell's own padding only
  // the cells of its range. Sides a sprm does not name keep what an
  // earlier one gave them.
  const uint32_t from = AWholeRow ? 0 : first;
  const uint32_t to = AWholeRow ? static_cast<uint32_t>(ARow.GetCells().size()) : lim;
  ForCells(ARow, from, to, [&](wm::TvnTableCell& cell) {
    auto& props = CellPropertiesOf(cell);
    if (!props.GetCellMargins()) props.SetCellMargins(std::make_unique<wm::TvnMargin>());
    wm::TvnMargin& margins = *props.GetCellMargins();
    if (sides & 1) cell.SetCellTopMargin(width), margins.SetTop(width);
    if (sides & 2) cell.SetCellLeftMargin(width), margins.SetLeft(width);
    if (sides & 4) cell.SetCellBottomMargin(width), margins.SetBottom(width);
    if (sides & 8) cell.SetCellRightMargin(width), margins.SetRight(width);
  });
}

void ApplyOne(wm::TvnTable& ATable, OperandCursor& c, int32_t AIspmd) {
  switch (AIspmd) {
    case kTDxaLeft:
      c.Read(2);
      break;
    case kTFCantSplit90:
      RowPropertiesOf(LastRow(ATable)).SetCantSplit(c.Read(1) != 0);
      break;
    case kTTableHeader:
      RowPropertiesOf(LastRow(ATable)).SetIsHeader(c.Read(1) != 0);
      break;
    case kTTableBorders80:
      for (wm::TvnBorderType side : kTableBorderOrder)
        ApplyBrc80(c, BorderIn(ATable.GetTableProperties()->GetBorders(), side, false));
      break;
    case kTDyaRowHeight: {
      wm::TvnTableRow& row = LastRow(ATable);
      const int32_t v = SignedTwips(c.Read(2));
      auto& props = RowPropertiesOf(row);
      props.SetHeightSpacingRule(v > 0 ? wm::TvnSpacingRule::srAtleast
                                       : v < 0 ? wm::TvnSpacingRule::srExact : wm::TvnSpacingRule::srAuto);
      const int32_t height = v < 0 ? -v : v;
      props.SetHeight(height);
      row.SetActRowHeight(height);
      break;
    }
    case kTDefTable: {
      wm::TvnTableRow& row = LastRow(ATable);
      const uint32_t count = c.Read(1);
      int64_t left = SignedTwips(c.Read(2));
      for (uint32_t l = 0; l < count; ++l) {
        const int64_t right = c.Read(2);
        wm::TvnTableCell& cell = CellAt(row, l);
        if (cell.GetWidth() == 0) {
          const int32_t width = RoundedPixels(right > left ? right - left : left - right);
          cell.SetWidth(width);
          cell.SetActCellWidth(width);
        }
        left = right;
      }
      break;
    }
    case kTDefTableShd80:
    case kTDefTableShd: {
      wm::TvnTableRow& row = LastRow(ATable);
      const size_t count = c.Size() / 10;
      for (size_t k = 0; k < count; ++k) {
        c.Read(4);  // cvFore
        wm::TvnRGBColor back;
        back.Red = static_cast<uint8_t>(c.Read(1));
        back.Green = static_cast<uint8_t>(c.Read(1));
        back.Blue = static_cast<uint8_t>(c.Read(1));
        const bool automatic = c.Read(1) == 255;
        c.Read(2);  // ipat
        auto& props = CellPropertiesOf(CellAt(row, static_cast<uint32_t>(k)));
        if (automatic) props.SetShadeApplied(false);
        else props.SetFillColor(back);
      }
      break;
    }
    case kTTableBorders:
      for (wm::TvnBorderType side : kTableBorderOrder) {
        const Brc b = ReadBrc8(c);
        wm::TvnBorder& border = BorderIn(ATable.GetTableProperties()->GetBorders(), side, true);
        border.SetColor(b.color);
        border.SetBorderWidth(BorderPoints(b.width));
        border.SetSpace(b.space);
      }
      break;
    case kTTableWidth: {
      auto& props = *ATable.GetTableProperties();
      const uint32_t fts = c.Read(1);
      if (fts == 1) props.SetWidthType(wm::TvnWidthType::wtAuto);
      else if (fts == 2) props.SetWidthType(wm::TvnWidthType::wtPercent);
      else if (fts == 3) props.SetWidthType(wm::TvnWidthType::wtUnits);
      const uint32_t width = c.Read(2);
      if (width != 0) props.SetTableWidth(RoundedPixels(width));
      break;
    }
    case kTWidthBefore:
    case kTWidthAfter: {
      wm::TvnTableRow& row = LastRow(ATable);
      c.Read(1);  // ftsWidth
      const int32_t width = TwipsToPixels(c.Read(2));
      if (AIspmd == kTWidthBefore) RowPropertiesOf(row).SetGridBefore(width);
      else RowPropertiesOf(row).SetGridAfter(width);
      break;
    }
    case kTDxaCol: {
      wm::TvnTableRow& row = LastRow(ATable);
      const uint32_t first = c.Read(1);
      const uint32_t lim = c.Read(1);
      const int32_t width = RoundedPixels(SignedTwips(c.Read(2)));
      ForCells(row, first, lim, [&](wm::TvnTableCell& cell) {
        cell.SetWidth(width);
        cell.SetActCellWidth(width);
        CellPropertiesOf(cell).SetWidth(width);
      });
      break;
    }
    case kTVertMerge: {
      wm::TvnTableRow& row = LastRow(ATable);
      const uint32_t itc = c.Read(1);
      const uint32_t merge = c.Read(1);
      CellPropertiesOf(CellAt(row, itc))
          .SetVMergeCells(merge == 1   ? wm::TvnMergeCellsOption::mcoContinue
                          : merge == 3 ? wm::TvnMergeCellsOption::mcoRestart
                                       : wm::TvnMergeCellsOption::mcoNone);
      break;
    }
    case kTVertAlign: {
      wm::TvnTableRow& row = LastRow(ATable);
      const uint32_t first = c.Read(1);
      const uint32_t lim = c.Read(1);
      const uint32_t align = c.Read(1);
      const auto value = align == 1   ? wm::TvnVAlignment::vaCenter
                         : align == 2 ? wm::TvnVAlignment::vaBottom
                                      : wm::TvnVAlignment::vaTop;
      ForCells(row, first, lim, [&](wm::TvnTableCell& cell) { CellPropertiesOf(cell).SetCellVerticalAlignment(value); });
      break;
    }
    case kTSetBrc: {
      wm::TvnTableRow& row = LastRow(ATable);
      const uint32_t first = c.Read(1);
      const uint32_t lim = c.Read(1);
      const uint32_t sides = c.Read(1);
      const Brc b = ReadBrc8(c);
      const int32_t width = b.width == 255 ? 0 : BorderPoints(b.width);
      constexpr std::pair<uint32_t, wm::TvnBorderType> kSides[] = {{1, wm::TvnBorderType::Top},
                                                                  {2, wm::TvnBorderType::Left},
                                                                  {4, wm::TvnBorderType::Bottom},
                                                                  {8, wm::TvnBorderType::Right}};
      ForCells(row, first, lim, [&](wm::TvnTableCell& cell) {
        auto& props = CellPropertiesOf(cell);
        for (const auto& [bit, side] : kSides) {
          if ((sides & bit) == 0) continue;
          wm::TvnBorder& border = BorderIn(props.GetBorders(), side, true);
          if (!b.automatic) border.SetColor(b.color);
          border.SetBorderWidth(width);
          border.SetSpace(b.space);
        }
      });
      break;
    }
    case kTCellPadding:
    case kTCellPaddingDefault:
      ApplyCellPadding(c, LastRow(ATable), AIspmd == kTCellPaddingDefault);
      break;
    case kTCellWidth: {
      wm::TvnTableRow& row = LastRow(ATable);
      const uint32_t first = c.Read(1);
      const uint32_t lim = c.Read(1);
      const uint32_t fts = c.Read(1);
      const int32_t width = RoundedPixels(c.Read(2));
      ForCells(row, first, lim, [&](wm::TvnTableCell& cell) {
        auto& props = CellPropertiesOf(cell);
        props.SetWidthType(CellWidthType(fts, props.GetWidthType()));
        cell.SetWidthType(props.GetWidthType());
        if (cell.GetWidth() == 0) {
          cell.SetWidth(width);
          cell.SetActCellWidth(width);
          props.SetWidth(width);
        }
      });
      break;
    }
    case kTIstd:
      ATable.GetTableProperties()->SetStyleID(vn::IntToStr(static_cast<int64_t>(c.Read(2))));
      break;
    default:
      break;
  }
}

}  // namespace

void TvnDOCHelperFunctions::ApplyTableSprm(wm::TvnTable& ATable, TvnBinaryReader& ABinaryReader, const TvnPRL& APRL) {
  if (APRL.Fsgc != static_cast<int32_t>(TvnSprmGroup::sgTable)) return;
  if (!ATable.GetTableProperties()) ATable.SetTableProperties(std::make_shared<wm::TvnTableProperties>());
  OperandCursor cursor(ABinaryReader, APRL);
  try {
    ApplyOne(ATable, cursor, APRL.Fispmd);
  } catch (const TableSprmStop&) {
    // What the sprm set before it failed stays; the next sprm goes on.
  }
}

}  // namespace vn::doc
