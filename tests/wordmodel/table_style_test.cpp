#include "wordmodel/table_style.h"

#include <gtest/gtest.h>

namespace vn::wordmodel::table_style_test {
namespace {

TEST(TableStyle, NewTableStyleIsOfTypeTableWithoutRegions) {
  TvnTableStyle style(u"Grid");
  EXPECT_EQ(style.GetStyleType(), TvnStyleType::stTable);
  EXPECT_EQ(style.GetStyleID(), u"Grid");
  EXPECT_TRUE(style.GetConditionalStyles().empty());
}

TEST(TableStyle, CloneCopiesPropertiesButNotTheRegions) {
  TvnTableStyle source(u"Grid");
  source.SetStyleName(u"Grid Table");
  source.SetBasedOn(u"Normal");
  source.SetTableProperties(std::make_shared<TvnTableProperties>());
  source.GetTableProperties()->SetIndent(12);
  source.SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
  source.SetRunProperties(std::make_shared<TvnRunProperties>());
  source.GetConditionalStyles()[TvnTableRegions::trFirstRow] = std::make_shared<TvnConditionalTableStyle>();
  source.SetConstructedStyle(std::make_unique<TvnTableStyle>(u"Grid"));

  std::unique_ptr<TvnStyle> clone = source.Clone();
  auto* copy = dynamic_cast<TvnTableStyle*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetStyleID(), u"Grid");
  EXPECT_EQ(copy->GetStyleName(), u"Grid Table");
  EXPECT_EQ(copy->GetBasedOn(), u"Normal");
  EXPECT_EQ(copy->GetStyleType(), TvnStyleType::stTable);
  ASSERT_NE(copy->GetTableProperties(), nullptr);
  EXPECT_NE(copy->GetTableProperties(), source.GetTableProperties());
  EXPECT_EQ(copy->GetTableProperties()->GetIndent(), 12);
  EXPECT_NE(copy->GetTableCellProperties(), nullptr);
  EXPECT_EQ(copy->GetTableRowProperties(), nullptr);
  EXPECT_NE(copy->GetRunProperties(), source.GetRunProperties());
  EXPECT_EQ(copy->GetParagraphProperties(), nullptr);
  EXPECT_TRUE(copy->GetConditionalStyles().empty());
  EXPECT_EQ(copy->GetConstructedStyle(), nullptr);
}

}  // namespace
}  // namespace vn::wordmodel::table_style_test
