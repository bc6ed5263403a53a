#include "wordmodel/style.h"

#include <gtest/gtest.h>

#include "wordmodel/style_resolver.h"
#include "wordmodel/table_style.h"

namespace vn::wordmodel::style_test {
namespace {

std::unique_ptr<TvnStyle> MakeStyle(const String& AId, TvnStyleType AType, const String& AName = String(),
                                    bool ADefault = false) {
  auto style = std::make_unique<TvnStyle>(AId);
  style->SetStyleType(AType);
  style->SetStyleName(AName);
  style->SetDefaultStyle(ADefault);
  return style;
}

TEST(WordStyles, AddRegistersByTypeNameAndDefault) {
  TvnWordStyles styles;
  styles.Add(MakeStyle(u"Normal", TvnStyleType::stParagraph, u"Normal", true));
  styles.Add(MakeStyle(u"Body", TvnStyleType::stParagraph, u"Body Text", true));
  styles.Add(MakeStyle(u"Strong", TvnStyleType::stCharecter, u"Strong"));
  styles.Add(std::make_unique<TvnTableStyle>(u"Grid"));
  styles.Add(MakeStyle(u"List", TvnStyleType::stNumbering));
  styles.Add(MakeStyle(u"Linked", TvnStyleType::stLinked, u"Linked Char"));
  styles.Add(nullptr);

  EXPECT_EQ(styles.GetCount(), 6);
  EXPECT_EQ(styles.GetParagraphStyles().size(), 2u);
  EXPECT_EQ(styles.GetCharStyles().count(u"Strong"), 1u);
  EXPECT_EQ(styles.GetTableStyles().count(u"Grid"), 1u);
  EXPECT_EQ(styles.GetNumrStyles().count(u"List"), 1u);
  EXPECT_TRUE(styles.StyleExists(u"Linked"));
  EXPECT_EQ(styles.GetStyleNameToIDMapper().at(u"Body Text"), u"Body");
  // The first default of a type wins.
  EXPECT_EQ(styles.GetDefaultStyle(TvnStyleType::stParagraph), styles.Find(u"Normal"));
  EXPECT_EQ(styles.GetDefaultStyle(TvnStyleType::stCharecter), nullptr);
  std::vector<TvnStyle*> all = styles.GetEnumerator();
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[0]->GetStyleID(), u"Normal");
  EXPECT_EQ(all[5]->GetStyleID(), u"Linked");
}

TEST(WordStyles, RepeatedIdentifierOrNameKeepsTheFirst) {
  TvnWordStyles styles;
  TvnStyle* first = styles.Add(MakeStyle(u"A", TvnStyleType::stParagraph, u"Shared"));
  EXPECT_EQ(styles.Add(MakeStyle(u"A", TvnStyleType::stCharecter, u"Other", true)), nullptr);
  styles.Add(MakeStyle(u"B", TvnStyleType::stParagraph, u"Shared"));
  EXPECT_EQ(styles.Find(u"A"), first);
  EXPECT_TRUE(styles.GetCharStyles().empty()) << "a refused style is registered nowhere";
  EXPECT_EQ(styles.GetDefaultStyle(TvnStyleType::stCharecter), nullptr);
  EXPECT_EQ(styles.GetStyleNameToIDMapper().at(u"Shared"), u"A");
}

TEST(WordStyles, RemoveAndUpdateKeepTheDictionariesInStep) {
  TvnWordStyles styles;
  styles.Add(MakeStyle(u"Normal", TvnStyleType::stParagraph, u"Normal", true));
  std::unique_ptr<TvnStyle> removed = styles.Remove(u"Normal");
  ASSERT_NE(removed, nullptr);
  EXPECT_FALSE(styles.StyleExists(u"Normal"));
  EXPECT_EQ(styles.GetDefaultStyle(TvnStyleType::stParagraph), nullptr);
  EXPECT_EQ(styles.Remove(u"Normal"), nullptr);

  styles.Add(std::move(removed));
  auto replacement = MakeStyle(u"Normal", TvnStyleType::stParagraph, u"Normal", true);
  TvnStyle* newStyle = replacement.get();
  std::unique_ptr<TvnStyle> old = styles.Update(u"Normal", std::move(replacement));
  EXPECT_NE(old, nullptr);
  EXPECT_EQ(styles.Find(u"Normal"), newStyle);
  EXPECT_EQ(styles.GetParagraphStyles().at(u"Normal"), newStyle);
  EXPECT_EQ(styles.GetDefaultStyle(TvnStyleType::stParagraph), newStyle);

  TvnStyles plain;
  EXPECT_THROW(plain.Remove(u"x"), vn::EListError);
}

TEST(WordStyles, ClearHandsBackEveryStyle) {
  TvnWordStyles styles;
  styles.Add(MakeStyle(u"A", TvnStyleType::stParagraph, u"", true));
  styles.Add(MakeStyle(u"B", TvnStyleType::stCharecter));
  TvnStyleList all = styles.ClearAllStyles();
  EXPECT_EQ(all.size(), 2u);
  EXPECT_EQ(styles.GetCount(), 0);
  EXPECT_FALSE(styles.StyleExists(u"A"));
  EXPECT_EQ(styles.GetDefaultStyle(TvnStyleType::stParagraph), nullptr);
}

TEST(WordStyles, CloneOwnsCopiesOfStylesAndDefaults) {
  auto copy = std::make_unique<TvnWordStyles>();
  {
    TvnWordStyles styles;
    auto normal = MakeStyle(u"Normal", TvnStyleType::stParagraph, u"Normal", true);
    normal->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
    normal->GetParagraphProperties()->SetSpaceAfter(12);
    styles.Add(std::move(normal));
    styles.SetDocDefaultRunProperty(std::make_shared<TvnRunProperties>());
    styles.GetDocDefaultRunProperty()->SetFontName(u"Calibri");
    copy = styles.Clone();
    EXPECT_NE(copy->Find(u"Normal"), styles.Find(u"Normal"));
    EXPECT_NE(copy->GetDocDefaultRunProperty(), styles.GetDocDefaultRunProperty());
    EXPECT_NE(copy->GetStylePropertyUpdater(), styles.GetStylePropertyUpdater());
  }
  // The copy outlives its source.
  EXPECT_EQ(copy->GetDefaultStyle(TvnStyleType::stParagraph)->GetParagraphProperties()->GetSpaceAfter(), 12);
  EXPECT_EQ(copy->GetDocDefaultRunProperty()->GetFontName(), u"Calibri");
  EXPECT_EQ(copy->GetStylePropertyUpdater()->GetWordStyles(), copy.get());
}

}  // namespace
}  // namespace vn::wordmodel::style_test
