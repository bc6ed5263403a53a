#include "wordmodel/table_properties.h"

#include <gtest/gtest.h>

#include "wordmodel/style.h"

namespace vn::wordmodel::table_properties_test {
namespace {

TEST(TableProperties, FillColourMeansShading) {
  TvnTableProperties table;
  TvnTableCellProperties cell;
  EXPECT_FALSE(table.GetShadeApplied());
  EXPECT_FALSE(cell.GetShadeApplied());
  EXPECT_EQ(cell.GetFillColor(), (TvnRGBColor{255, 255, 255}));
  EXPECT_EQ(cell.GetGridSpan(), 1);
  table.SetFillColor({1, 2, 3});
  cell.SetFillColor({4, 5, 6});
  EXPECT_TRUE(table.GetShadeApplied());
  EXPECT_TRUE(cell.GetShadeApplied());
}

TEST(TableProperties, TableStyleGivesItsIdentifierAndName) {
  TvnStyle style(u"GridTable");
  style.SetStyleName(u"Grid Table");
  TvnTableProperties properties;
  properties.SetTableStyle(&style);
  EXPECT_EQ(properties.GetStyleID(), u"GridTable");
  EXPECT_EQ(properties.GetStyleName(), u"Grid Table");
  // Copies take the identifiers, not the style.
  std::unique_ptr<TvnTableProperties> copy = properties.Clone();
  EXPECT_EQ(copy->GetTableStyle(), nullptr);
  EXPECT_EQ(copy->GetStyleID(), u"GridTable");
}

TEST(TableProperties, TableCopySharesBordersThatOutliveTheSource) {
  auto source = std::make_unique<TvnTableProperties>();
  source->GetBorders()[TvnBorderType::Top] = std::make_shared<TvnBorder>(2);
  source->GetLook()[TvnTableRegions::trFirstRow] = true;
  source->GetMargins()->SetLeft(kUnsetMarginSide);
  source->SetIsFloatingTable(true);
  source->SetHorizontalAnchor(TvnTableAnchor::taPage);
  source->SetXPos(40);
  source->SetTableAlignment(TvnHAlignment::haRight);
  source->SetFillColor({9, 9, 9});
  source->SetShadeApplied(false);  // copied after the fill colour's setter

  TvnTableProperties copy;
  copy.GetBorders()[TvnBorderType::Left] = std::make_shared<TvnBorder>(7);
  source->Assign(source.get(), &copy);
  EXPECT_EQ(copy.GetBorders().size(), 1u);  // emptied, then refilled
  EXPECT_EQ(copy.GetBorders().at(TvnBorderType::Top), source->GetBorders().at(TvnBorderType::Top));
  EXPECT_TRUE(copy.GetLook().at(TvnTableRegions::trFirstRow));
  EXPECT_NE(copy.GetMargins(), source->GetMargins());
  EXPECT_EQ(copy.GetMargins()->GetLeft(), kUnsetMarginSide);
  EXPECT_TRUE(copy.GetIsFloatingTable());
  EXPECT_EQ(copy.GetHorizontalAnchor(), TvnTableAnchor::taPage);
  EXPECT_EQ(copy.GetXPos(), 40);
  EXPECT_EQ(copy.GetTableAlignment(), TvnHAlignment::haRight);
  EXPECT_EQ(copy.GetFillColor(), (TvnRGBColor{9, 9, 9}));
  EXPECT_FALSE(copy.GetShadeApplied());

  source.reset();
  EXPECT_EQ(copy.GetBorders().at(TvnBorderType::Top)->GetBorderWidth(), 2);
}

TEST(TableProperties, CellCopyHasItsOwnBordersAndMargins) {
  TvnTableCellProperties source;
  source.GetBorders()[TvnBorderType::Bottom] = std::make_shared<TvnBorder>(3);
  source.GetCNFStyles()[TvnTableRegions::trLastRow] = true;
  auto margins = std::make_unique<TvnMargin>();
  margins->SetTop(5);
  source.SetCellMargins(std::move(margins));
  source.SetVMergeCells(TvnMergeCellsOption::mcoRestart);
  source.SetGridSpan(2);
  source.SetTextDirection(TvnTextDirection::tdTopToBottom);
  source.SetIsPropertyUpdated(true);

  std::unique_ptr<TvnTableCellProperties> copy = source.Clone();
  ASSERT_EQ(copy->GetBorders().size(), 1u);
  EXPECT_NE(copy->GetBorders().at(TvnBorderType::Bottom), source.GetBorders().at(TvnBorderType::Bottom));
  EXPECT_EQ(copy->GetBorders().at(TvnBorderType::Bottom)->GetBorderWidth(), 3);
  EXPECT_TRUE(copy->GetCNFStyles().at(TvnTableRegions::trLastRow));
  ASSERT_NE(copy->GetCellMargins(), nullptr);
  EXPECT_NE(copy->GetCellMargins(), source.GetCellMargins());
  EXPECT_EQ(copy->GetCellMargins()->GetTop(), 5);
  EXPECT_EQ(copy->GetVMergeCells(), TvnMergeCellsOption::mcoRestart);
  EXPECT_EQ(copy->GetGridSpan(), 2);
  EXPECT_EQ(copy->GetTextDirection(), TvnTextDirection::tdTopToBottom);
  EXPECT_TRUE(copy->GetIsPropertyUpdated());

  // A source without margins leaves the destination's.
  TvnTableCellProperties withoutMargins;
  withoutMargins.Assign(&withoutMargins, copy.get());
  EXPECT_NE(copy->GetCellMargins(), nullptr);
}

TEST(TableProperties, RowCopyTakesEveryProperty) {
  TvnTableRowProperties source;
  source.SetHeight(40);
  source.SetHeightSpacingRule(TvnSpacingRule::srExact);
  source.SetGridBefore(1);
  source.SetGridAfter(2);
  source.SetIsHeader(true);
  source.SetCantSplit(true);
  source.SetTableRowAlignment(TvnHAlignment::haCenter);
  source.SetCellSpacing(3);
  source.SetCellSpacingRule(TvnWidthType::wtFixed);
  source.GetCNFStyles()[TvnTableRegions::trBandedRows] = true;
  std::unique_ptr<TvnTableRowProperties> copy = source.Clone();
  EXPECT_EQ(copy->GetHeight(), 40);
  EXPECT_EQ(copy->GetHeightSpacingRule(), TvnSpacingRule::srExact);
  EXPECT_EQ(copy->GetGridBefore(), 1);
  EXPECT_EQ(copy->GetGridAfter(), 2);
  EXPECT_TRUE(copy->GetIsHeader());
  EXPECT_TRUE(copy->GetCantSplit());
  EXPECT_EQ(copy->GetTableRowAlignment(), TvnHAlignment::haCenter);
  EXPECT_EQ(copy->GetCellSpacing(), 3);
  EXPECT_EQ(copy->GetCellSpacingRule(), TvnWidthType::wtFixed);
  EXPECT_EQ(copy->GetCNFStyles(), source.GetCNFStyles());
}

}  // namespace
}  // namespace vn::wordmodel::table_properties_test
