#include "wordmodel/formatter_results.h"

#include <gtest/gtest.h>

namespace vn::wordmodel::formatter_results_test {
namespace {

TEST(PositionedText, RectangleEdgesFollowPositionAndSize) {
  TvnRectF rect(10, 20, 30, 40);
  EXPECT_EQ(rect.GetLeft(), 10);
  EXPECT_EQ(rect.GetTop(), 20);
  EXPECT_EQ(rect.GetRight(), 40);
  EXPECT_EQ(rect.GetBottom(), 60);
  rect.SetWidth(5);
  EXPECT_EQ(rect.GetRight(), 15);
}

TEST(PositionedText, NewHoldersCarryTheirDefaults) {
  TvnFormatterParagraph para;
  EXPECT_EQ(para.GetLineSpacing(), 240.0);
  EXPECT_EQ(para.GetLineSpacingRule(), TvnLineSpacing::lsMultiple);
  EXPECT_EQ(para.GetSpaceAfter(), 8.0);
  EXPECT_EQ(para.GetSpaceBefore(), 0.0);
  EXPECT_EQ(para.GetNumberID(), -1);
  EXPECT_EQ(para.GetNumberLevel(), -1);
  EXPECT_EQ(para.GetHAlignment(), TvnHAlignment::haLeft);

  TvnFormatterSection section;
  EXPECT_EQ(section.GetOrientation(), TvnOrientation::oLandscape);
  EXPECT_EQ(section.GetSectionType(), TvnSectionType::stNextPage);
  EXPECT_TRUE(section.GetEqualWidthColumns());
  ASSERT_NE(section.GetPageMargin(), nullptr);
  EXPECT_EQ(section.GetPageMargin()->GetLeft(), 0);

  TvnFormatterGroup group;
  EXPECT_TRUE(group.GetIsOpen());
  EXPECT_EQ(group.GetFillColor(), (TvnRGBColor{255, 255, 255}));
  EXPECT_EQ(TvnFormatterPathElements().GetFillColor(), (TvnRGBColor{255, 255, 255}));

  TvnTextElement text;
  EXPECT_EQ(text.GetTextAlignment(), TvnTextAlignment::taBaseline);
  EXPECT_EQ(text.GetTextBreak(), TvnBreakType::btNone);
  EXPECT_EQ(text.GetColor(), TvnRGBColor());
  EXPECT_EQ(text.GetFont(), nullptr);

  TvnLineElement line;
  ASSERT_NE(line.GetBoundingRect(), nullptr);
  EXPECT_EQ(line.GetBoundingRect()->GetRight(), 0);
}

TEST(PositionedText, FreeingAHolderLeavesItsItemsAlive) {
  TvnTextElement text;
  text.SetText(u"kept");
  TvnFormatterTableCell cell;
  TvnFormatterTableRow row;
  TvnRectF charBox(1, 2, 3, 4);
  {
    TvnFormatterSection section;
    section.GetDocItems().push_back(&text);
    TvnFormatterTable table;
    table.GetRows().push_back(&row);
    row.GetCells().push_back(&cell);
    TvnTextElement owner;
    owner.GetCharBoundingRect().push_back(&charBox);
    TvnUnFormattedSection region;
    TvnFormatterColumns column;
    region.GetColumns().push_back(&column);
    region.GetRows().push_back({&column});
    EXPECT_EQ(region.GetNumberOfColumns(), 1);
  }
  EXPECT_EQ(text.GetText(), u"kept");
  EXPECT_EQ(row.GetCells().size(), 1u);
  EXPECT_EQ(charBox.GetBottom(), 6);
}

}  // namespace
}  // namespace vn::wordmodel::formatter_results_test
