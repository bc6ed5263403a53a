#include "wordmodel/run_properties.h"

#include <gtest/gtest.h>

#include "wordmodel/style.h"

namespace vn::wordmodel::run_properties_test {
namespace {

TEST(RunProperties, NewPropertiesAreUnset) {
  TvnRunProperties properties;
  EXPECT_EQ(properties.GetFontSize(), kUnsetValue);
  EXPECT_EQ(properties.GetFont(), nullptr);
  EXPECT_EQ(properties.GetBrush()->GetColor(), (TvnRGBColor{0, 0, 0}));
  EXPECT_TRUE(properties.GetExplicitlySetVal().Empty());
  EXPECT_EQ(properties.GetTextAlignment(), TvnTextAlignment::taBaseline);
  EXPECT_EQ(properties.GetFontreference(), -1);
  EXPECT_EQ(properties.GetColorReference(), -1);
  EXPECT_EQ(properties.GetHighlightColorReference(), -1);
}

TEST(RunProperties, SettersWithSideEffects) {
  TvnRunProperties properties;
  properties.SetFontName(u"Courier New");
  EXPECT_EQ(properties.GetASCII(), u"Courier New");
  EXPECT_EQ(properties.GetANSI(), u"Courier New");
  EXPECT_EQ(properties.GetCS(), u"");

  properties.SetHighLightColor({255, 255, 0});
  EXPECT_TRUE(properties.GetIsHighLightColor());

  auto font = std::make_shared<TvnFont>();
  properties.SetFont(font);
  properties.SetFont(nullptr);  // not stored
  EXPECT_EQ(properties.GetFont(), font.get());

  TvnStyle style(u"Emphasis");
  style.SetStyleName(u"Emphasis Name");
  properties.SetStyle(&style);
  EXPECT_EQ(properties.GetStyleID(), u"Emphasis");
  EXPECT_EQ(properties.GetStyleName(), u"Emphasis Name");
  properties.SetStyle(nullptr);  // the identifiers stay
  EXPECT_EQ(properties.GetStyleID(), u"Emphasis");
}

TEST(RunProperties, ExplicitlySetMarksKeepTheirMemberNumbers) {
  const struct {
    TvnExplicitlySetValue member;
    uint64_t bit;
  } cases[] = {
      {TvnExplicitlySetValue::esvBold, 1ull << 1},         {TvnExplicitlySetValue::esvItalic, 1ull << 2},
      {TvnExplicitlySetValue::esvUnderline, 1ull << 4},    {TvnExplicitlySetValue::esvTextColor, 1ull << 8},
      {TvnExplicitlySetValue::esvFontSize, 1ull << 16},    {TvnExplicitlySetValue::esvStrikeOut, 1ull << 32},
  };
  for (const auto& c : cases) EXPECT_EQ(TvnExplicitlySetValues{c.member}.bits(), c.bit);
}

// Where Assign's order shows: setters that touch other properties run in the
// order the copy makes its steps.
TEST(RunProperties, AssignOrderDecidesWhatTheCopyHolds) {
  TvnStyle style(u"FromStyle");
  style.SetStyleName(u"Style Name");

  TvnRunProperties source;
  source.SetFontName(u"Arial");
  source.SetASCII(u"Symbol");  // differs from the font name
  source.SetHighLightColor({1, 2, 3});
  source.SetIsHighLightColor(false);  // a colour without highlight
  source.SetStyle(&style);
  source.SetStyleID(u"OwnID");  // differs from the style's
  source.SetStyleName(u"Own Name");
  source.SetExplicitlySetVal({TvnExplicitlySetValue::esvBold, TvnExplicitlySetValue::esvStrikeOut});

  std::unique_ptr<TvnRunProperties> copy = source.Clone();
  // FontName's setter runs after ASCII was copied.
  EXPECT_EQ(copy->GetASCII(), u"Arial");
  EXPECT_EQ(copy->GetANSI(), u"Arial");
  // IsHighLightColor is copied after the colour's setter raised it.
  EXPECT_EQ(copy->GetHighLightColor(), (TvnRGBColor{1, 2, 3}));
  EXPECT_FALSE(copy->GetIsHighLightColor());
  // The style's setter gives its name; StyleID is copied after it.
  EXPECT_EQ(copy->GetStyle(), &style);
  EXPECT_EQ(copy->GetStyleID(), u"OwnID");
  EXPECT_EQ(copy->GetStyleName(), u"Style Name");
  // All members of the marks.
  EXPECT_EQ(copy->GetExplicitlySetVal(), source.GetExplicitlySetVal());
}

TEST(RunProperties, CopyIsIndependentAndLeavesTablesReferencesAndAdditionalData) {
  TvnRunProperties source;
  source.GetBrush()->SetColor({200, 0, 0});
  source.SetFontSize(11);
  source.SetFontStyle({TvnFontStyle::fsBold});
  source.SetCaps(true);
  source.SetTextAlignment(TvnTextAlignment::taSubscript);
  source.SetWordSpace(3);
  source.SetRunBorder(std::make_unique<TvnBorder>(2));
  auto font = std::make_shared<TvnFont>();
  font->SetName(u"Times New Roman");
  font->SetSize(11);
  source.SetFont(font);
  source.SetAdditionalInfo(std::make_shared<TObject>());
  source.SetFontreference(4);
  source.SetColorReference(5);

  std::unique_ptr<TvnRunProperties> copy = source.Clone();
  EXPECT_EQ(copy->GetBrush()->GetColor(), (TvnRGBColor{200, 0, 0}));
  EXPECT_EQ(copy->GetFontSize(), 11);
  EXPECT_TRUE(copy->GetFontStyle().Contains(TvnFontStyle::fsBold));
  EXPECT_TRUE(copy->GetCaps());
  EXPECT_EQ(copy->GetTextAlignment(), TvnTextAlignment::taSubscript);
  EXPECT_EQ(copy->GetWordSpace(), 3);
  ASSERT_NE(copy->GetRunBorder(), nullptr);
  EXPECT_NE(copy->GetRunBorder(), source.GetRunBorder());
  EXPECT_TRUE(copy->GetRunBorder()->DoesBorderHaveSameProperties(source.GetRunBorder()));
  ASSERT_NE(copy->GetFont(), nullptr);
  EXPECT_NE(copy->GetFont(), font.get());
  EXPECT_EQ(copy->GetFont()->GetName(), u"Times New Roman");
  EXPECT_EQ(copy->GetAdditionalInfo(), nullptr);
  EXPECT_EQ(copy->GetFontreference(), -1);
  EXPECT_EQ(copy->GetColorReference(), -1);

  copy->GetBrush()->SetColor({0, 0, 0});
  copy->GetFont()->SetSize(30);
  copy->GetRunBorder()->SetBorderWidth(9);
  EXPECT_EQ(source.GetBrush()->GetColor(), (TvnRGBColor{200, 0, 0}));
  EXPECT_EQ(font->GetSize(), 11);
  EXPECT_EQ(source.GetRunBorder()->GetBorderWidth(), 2);
}

TEST(RunProperties, CopyOfPropertiesWithoutFontHasADefaultFont) {
  TvnRunProperties source;
  std::unique_ptr<TvnRunProperties> copy = source.Clone();
  ASSERT_NE(copy->GetFont(), nullptr);
  EXPECT_EQ(copy->GetFont()->GetSize(), TvnFont().GetSize());
}

}  // namespace
}  // namespace vn::wordmodel::run_properties_test
