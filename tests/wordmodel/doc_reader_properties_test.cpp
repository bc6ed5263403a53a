#include "wordmodel/doc_reader_properties.h"

#include <gtest/gtest.h>

namespace vn::wordmodel::doc_reader_properties_test {
namespace {

TEST(DocSpecificProperties, OwnsItsTableUntilAnotherIsSet) {
  TvnDocSpecificProperties properties;
  ASSERT_NE(properties.GetTable(), nullptr);
  EXPECT_TRUE(properties.GetDeleteTable());
  EXPECT_EQ(properties.GetTableNestedLevel(), 1);

  TvnTable building;
  properties.SetTable(&building);
  EXPECT_EQ(properties.GetTable(), &building);
  EXPECT_FALSE(properties.GetDeleteTable());
}

TEST(DocSpecificProperties, CopyTakesEveryFieldButTheTable) {
  TvnTable building;
  TvnDocSpecificProperties source;
  source.SetTable(&building);
  source.SetLocationOffset(1234);
  source.SetIsSymbol(true);
  source.SetSymbolChar(u'\xF0B7');
  source.SetSymbolFontIndex(3);
  source.SetIsParaInTable(true);
  source.SetLastParaOfRow(true);
  source.SetTableNestedLevel(2);

  std::unique_ptr<TvnDocSpecificProperties> copy = source.Clone();
  EXPECT_EQ(copy->GetLocationOffset(), 1234);
  EXPECT_TRUE(copy->GetIsSymbol());
  EXPECT_EQ(copy->GetSymbolChar(), u'\xF0B7');
  EXPECT_EQ(copy->GetSymbolFontIndex(), 3);
  EXPECT_TRUE(copy->GetIsParaInTable());
  EXPECT_TRUE(copy->GetLastParaOfRow());
  EXPECT_FALSE(copy->GetLastParaOfCell());
  EXPECT_EQ(copy->GetTableNestedLevel(), 2);
  EXPECT_NE(copy->GetTable(), &building);
  EXPECT_TRUE(copy->GetDeleteTable());
}

}  // namespace
}  // namespace vn::wordmodel::doc_reader_properties_test
