#include "wordmodel/paragraph_properties.h"

#include <gtest/gtest.h>

#include "wordmodel/doc_reader_properties.h"
#include "wordmodel/style.h"

namespace vn::wordmodel::paragraph_properties_test {
namespace {

std::shared_ptr<TvnTab> TabAt(int32_t APosition, TvnTabStopValue AKind = TvnTabStopValue::tsvStart) {
  auto tab = std::make_shared<TvnTab>();
  tab->SetPosition(APosition);
  tab->SetTabStopValue(AKind);
  return tab;
}

TEST(ParagraphProperties, NewPropertiesAreUnset) {
  TvnParagraphProperties properties;
  for (int32_t value : {properties.GetSpaceBefore(), properties.GetSpaceAfter(), properties.GetFirstLineIndent(),
                        properties.GetLeftIndent(), properties.GetRightIndent(), properties.GetLineSpacing(),
                        properties.GetHanging()}) {
    EXPECT_EQ(value, 2147483647);
  }
  EXPECT_EQ(properties.GetNumberID(), -1);
  EXPECT_EQ(properties.GetNumberLevel(), -1);
  EXPECT_EQ(properties.GetDefaultTabStop(), 0);
  EXPECT_TRUE(properties.GetTabs().empty());
  EXPECT_TRUE(properties.GetExplicitlySetParaProperties().Empty());
  EXPECT_EQ(properties.GetLineSpacingRule(), TvnSpacingRule::srAuto);
  ASSERT_NE(properties.GetRunProperties(), nullptr);
}

TEST(ParagraphProperties, AlignmentIsMarkedSetAndEveryCopyCarriesTheMark) {
  const TvnExplicitlySetParaProperties alignmentMark{TvnExplicitlySetParaProperty::espHAlignment};
  EXPECT_EQ(alignmentMark.bits(), 1ull << 1);

  TvnParagraphProperties centred;
  centred.SetHAlignment(TvnHAlignment::haCenter);
  EXPECT_TRUE(centred.GetExplicitlySetParaProperties().Contains(TvnExplicitlySetParaProperty::espHAlignment));

  // Alignment never set: its copy is marked anyway (the setter runs after the
  // marks are copied), with the other marks kept.
  TvnParagraphProperties plain;
  plain.SetExplicitlySetParaProperties({TvnExplicitlySetParaProperty::espNumberID});
  std::unique_ptr<TvnParagraphProperties> copy = plain.Clone();
  EXPECT_EQ(copy->GetExplicitlySetParaProperties(),
            (TvnExplicitlySetParaProperties{TvnExplicitlySetParaProperty::espNumberID,
                                            TvnExplicitlySetParaProperty::espHAlignment}));
  EXPECT_EQ(copy->GetHAlignment(), TvnHAlignment::haLeft);
}

TEST(ParagraphProperties, CopyIsIndependentOfItsSource) {
  TvnStyle style(u"Heading1");
  TvnParagraphProperties source;
  source.SetSpaceBefore(12);
  source.SetSpaceAfter(6);
  source.SetLeftIndent(48);
  source.SetLineSpacing(360);
  source.SetLineSpacingRule(TvnSpacingRule::srExact);
  source.SetNumberID(3);
  source.SetNumberLevel(1);
  source.SetPageBreakBefore(true);
  source.SetKeepLinesTogetherInSamePage(true);
  source.SetContextualSpace(true);
  source.SetVAlignment(TvnVAlignment::vaBottom);
  source.SetStyle(&style);
  source.SetStyleName(u"Heading 1");
  source.GetRunProperties()->SetFontSize(14);
  source.GetTabs().push_back(TabAt(100, TvnTabStopValue::tsvDecimal));
  auto border = std::make_unique<TvnParaBorder>();
  border->SetTop(std::make_unique<TvnBorder>(1));
  source.SetParaBorder(std::move(border));
  source.SetColorReference(2);

  std::unique_ptr<TvnParagraphProperties> copy = source.Clone();
  EXPECT_EQ(copy->GetSpaceBefore(), 12);
  EXPECT_EQ(copy->GetSpaceAfter(), 6);
  EXPECT_EQ(copy->GetLeftIndent(), 48);
  EXPECT_EQ(copy->GetLineSpacing(), 360);
  EXPECT_EQ(copy->GetLineSpacingRule(), TvnSpacingRule::srExact);
  EXPECT_EQ(copy->GetNumberID(), 3);
  EXPECT_EQ(copy->GetNumberLevel(), 1);
  EXPECT_TRUE(copy->GetPageBreakBefore());
  EXPECT_TRUE(copy->GetKeepLinesTogetherInSamePage());
  EXPECT_TRUE(copy->GetContextualSpace());
  EXPECT_EQ(copy->GetVAlignment(), TvnVAlignment::vaBottom);
  EXPECT_EQ(copy->GetStyleID(), u"Heading1");
  EXPECT_EQ(copy->GetStyleName(), u"Heading 1");
  EXPECT_EQ(copy->GetStyle(), nullptr);  // the style object is not copied
  EXPECT_EQ(copy->GetColorReference(), -1);
  EXPECT_EQ(copy->GetRunProperties()->GetFontSize(), 14);
  ASSERT_EQ(copy->GetTabs().size(), 1u);
  EXPECT_EQ(copy->GetTabs()[0]->GetPosition(), 100);
  EXPECT_EQ(copy->GetTabs()[0]->GetTabStopValue(), TvnTabStopValue::tsvDecimal);
  ASSERT_NE(copy->GetParaBorder(), nullptr);

  EXPECT_NE(copy->GetRunProperties(), source.GetRunProperties());
  EXPECT_NE(copy->GetTabs()[0], source.GetTabs()[0]);
  EXPECT_NE(copy->GetParaBorder(), source.GetParaBorder());
  copy->GetRunProperties()->SetFontSize(8);
  copy->GetTabs()[0]->SetPosition(1);
  copy->GetParaBorder()->GetTop()->SetBorderWidth(5);
  EXPECT_EQ(source.GetRunProperties()->GetFontSize(), 14);
  EXPECT_EQ(source.GetTabs()[0]->GetPosition(), 100);
  EXPECT_EQ(source.GetParaBorder()->GetTop()->GetBorderWidth(), 1);
}

TEST(ParagraphProperties, TabStopsReplaceTheDestinationsOnlyWhenTheSourceHasSome) {
  TvnParagraphProperties withTabs, withoutTabs;
  withTabs.GetTabs().push_back(TabAt(10));
  withTabs.GetTabs().push_back(TabAt(20));

  TvnParagraphProperties dest;
  dest.GetTabs().push_back(TabAt(99));
  dest.Assign(&withoutTabs, &dest);
  ASSERT_EQ(dest.GetTabs().size(), 1u);
  EXPECT_EQ(dest.GetTabs()[0]->GetPosition(), 99);

  dest.Assign(&withTabs, &dest);
  ASSERT_EQ(dest.GetTabs().size(), 2u);
  EXPECT_EQ(dest.GetTabs()[0]->GetPosition(), 10);
  EXPECT_EQ(dest.GetTabs()[1]->GetPosition(), 20);
}

// The DOC reader's record lives as long as the properties that carry it;
// other additional data lives as long as its owner keeps it.
TEST(ParagraphProperties, AdditionalDataLivesAsLongAsItsHolders) {
  std::weak_ptr<TObject> record;
  std::weak_ptr<TObject> other;
  auto otherOwner = std::make_shared<TObject>();
  {
    TvnParagraphProperties properties;
    auto doc = std::make_shared<TvnDocSpecificProperties>();
    record = doc;
    properties.SetAdditionalInfo(std::move(doc));
    TvnParagraphProperties second;
    second.SetAdditionalInfo(otherOwner);
    other = otherOwner;
    EXPECT_FALSE(record.expired());
    // Copies do not take the additional data.
    EXPECT_EQ(properties.Clone()->GetAdditionalInfo(), nullptr);
  }
  EXPECT_TRUE(record.expired());
  EXPECT_FALSE(other.expired());
}

}  // namespace
}  // namespace vn::wordmodel::paragraph_properties_test
