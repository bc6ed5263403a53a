#include "wordmodel/numbering.h"

#include <gtest/gtest.h>

#include "wordmodel/text_item.h"

#include <limits>
#include <map>
#include <vector>

namespace vn::wordmodel::numbering_test {
namespace {

// The document's list and style tables as the mediator would hold them.
class FakeNumberingTables : public NumberingTables {
 public:
  TvnNumber* FindNumber(int32_t ANumberID) const override { return Find(concrete, ANumberID); }
  TvnNumber* FindAbstractNumber(int32_t ANumberID) const override { return Find(abstract, ANumberID); }
  TvnStyle* FindStyle(const String& AStyleID) const override {
    auto found = styles.find(AStyleID);
    return found == styles.end() ? nullptr : found->second.get();
  }

  // A concrete list AId over an abstract definition AId + 1000 holding the
  // levels.
  TvnNumber& AddList(int32_t AId) {
    auto& definition = abstract[AId + 1000];
    definition = std::make_unique<TvnNumber>(AId + 1000);
    auto& list = concrete[AId];
    list = std::make_unique<TvnNumber>(AId);
    list->SetNumberType(TvnNumType::ntConcrete);
    list->SetDependentID(AId + 1000);
    return *definition;
  }

  std::map<int32_t, std::unique_ptr<TvnNumber>> concrete;
  std::map<int32_t, std::unique_ptr<TvnNumber>> abstract;
  std::map<String, std::unique_ptr<TvnStyle>> styles;

 private:
  static TvnNumber* Find(const std::map<int32_t, std::unique_ptr<TvnNumber>>& ATable, int32_t AId) {
    auto found = ATable.find(AId);
    return found == ATable.end() ? nullptr : found->second.get();
  }
};

std::unique_ptr<TvnNumberLevel> MakeLevel(int32_t ALevel, TvnNumFmt AFormat, const String& AText,
                                          int32_t AStart = 1) {
  auto level = std::make_unique<TvnNumberLevel>();
  level->SetLevelValue(ALevel);
  level->SetNumberFormat(AFormat);
  level->SetLevelText(AText);
  level->SetStartValue(AStart);
  return level;
}

// The labels of paragraphs numbered one after another at (list, level).
std::vector<String> Labels(const FakeNumberingTables& ATables, TvnNumberStateManager& AStates,
                           const std::vector<std::pair<int32_t, int32_t>>& AParagraphs) {
  std::vector<String> labels;
  for (auto [list, level] : AParagraphs) labels.push_back(AdvanceListNumber(list, level, ATables, AStates).text);
  return labels;
}

TEST(ListNumbering, DecimalSequences) {
  FakeNumberingTables tables;
  auto& outline = tables.AddList(1);
  outline.AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"%1."));
  outline.AddNumberingLevel(1, MakeLevel(1, TvnNumFmt::nfDecimal, u"%1.%2."));

  TvnNumberStateManager flat;
  EXPECT_EQ(Labels(tables, flat, {{1, 0}, {1, 0}, {1, 0}}), (std::vector<String>{u"1.", u"2.", u"3."}));

  TvnNumberStateManager nested;
  EXPECT_EQ(Labels(tables, nested, {{1, 0}, {1, 1}, {1, 1}, {1, 0}, {1, 1}}),
            (std::vector<String>{u"1.", u"1.1.", u"1.2.", u"2.", u"2.1."}));
  EXPECT_EQ(nested.GetPrevNumberId(), 1);
  EXPECT_EQ(nested.GetPrevNumberLevel(), 1);
}

TEST(ListNumbering, StartValuesAndAListBeginningDeeper) {
  FakeNumberingTables tables;
  auto& outline = tables.AddList(3);
  outline.AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"%1.", 5));
  outline.AddNumberingLevel(1, MakeLevel(1, TvnNumFmt::nfDecimal, u"%1.%2.", 3));
  TvnNumberStateManager states;
  // The first deeper label shows level 0 at its start value, so the first
  // level-0 paragraph after it continues from there.
  EXPECT_EQ(Labels(tables, states, {{3, 1}, {3, 1}, {3, 0}, {3, 1}}),
            (std::vector<String>{u"5.3.", u"5.4.", u"6.", u"6.3."}));
}

TEST(ListNumbering, ListsOneAndElevenKeepSeparateCounters) {
  FakeNumberingTables tables;
  for (int32_t id : {1, 11}) {
    auto& definition = tables.AddList(id);
    for (int32_t level = 0; level <= 9; ++level) {
      definition.AddNumberingLevel(level, MakeLevel(level, TvnNumFmt::nfDecimal, u"%" + IntToStr(level + 1)));
    }
  }
  TvnNumberStateManager states;
  // Keys made of the two numbers' digits would let list 1 level 1 and
  // list 11 meet; each pair counts on its own.
  for (int32_t level = 0; level <= 9; ++level) {
    AdvanceListNumber(1, level, tables, states);
    AdvanceListNumber(1, level, tables, states);
  }
  AdvanceListNumber(11, 0, tables, states);
  for (int32_t level = 0; level <= 9; ++level) {
    EXPECT_EQ(states.GetLevelCurrentVal(1, level), 2) << level;
    EXPECT_EQ(states.GetLevelCurrentVal(11, level), level == 0 ? 1 : -1) << level;
  }
  EXPECT_EQ(AdvanceListNumber(11, 1, tables, states).text, u"1");
  EXPECT_EQ(states.GetLevelCurrentVal(1, 1), 2);
}

TEST(ListNumbering, RestartsTouchOnlyTheParagraphsOwnList) {
  FakeNumberingTables tables;
  for (int32_t id : {1, 2}) {
    auto& definition = tables.AddList(id);
    definition.AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"%1."));
    definition.AddNumberingLevel(1, MakeLevel(1, TvnNumFmt::nfDecimal, u"%1.%2."));
  }
  TvnNumberStateManager states;
  // A paragraph of list 2 between them neither keeps list 1's level 1
  // running past list 1's own level-0 item nor restarts list 1.
  EXPECT_EQ(Labels(tables, states, {{1, 0}, {1, 1}, {1, 1}, {2, 0}, {1, 0}, {1, 1}, {2, 1}, {1, 1}}),
            (std::vector<String>{u"1.", u"1.1.", u"1.2.", u"1.", u"2.", u"2.1.", u"1.1.", u"2.2."}));
}

TEST(ListNumbering, ValueTexts) {
  const struct {
    TvnNumFmt format;
    int32_t value;
    const char16_t* text;
  } cases[] = {
      {TvnNumFmt::nfDecimal, 12, u"12"},
      {TvnNumFmt::nfLowerLetter, 1, u"a"},
      {TvnNumFmt::nfLowerLetter, 2, u"b"},
      {TvnNumFmt::nfLowerLetter, 27, u"aa"},
      {TvnNumFmt::nfUpperLetter, 1, u"A"},
      {TvnNumFmt::nfUpperLetter, 2, u"B"},
      {TvnNumFmt::nfUpperLetter, 27, u"AA"},
      {TvnNumFmt::nfLowerRoman, 1, u"i"},
      {TvnNumFmt::nfLowerRoman, 4, u"iv"},
      {TvnNumFmt::nfLowerRoman, 9, u"ix"},
      {TvnNumFmt::nfUpperRoman, 1, u"I"},
      {TvnNumFmt::nfUpperRoman, 4, u"IV"},
      {TvnNumFmt::nfUpperRoman, 9, u"IX"},
      {TvnNumFmt::nfCardinalText, 21, u"Twenty-one"},
      // Values from damaged files: no text that grows with the value.
      {TvnNumFmt::nfLowerLetter, std::numeric_limits<int32_t>::max(), u"2147483647"},
      {TvnNumFmt::nfUpperRoman, 2000000000, u"2000000000"},
      {TvnNumFmt::nfLowerRoman, kMaxSpelledListValue, u"mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmdcclxvii"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ListValueText(c.format, c.value), c.text) << static_cast<int>(c.format) << " " << c.value;
  }
}

TEST(ListNumbering, LabelsInEachFormat) {
  FakeNumberingTables tables;
  const TvnNumFmt formats[] = {TvnNumFmt::nfLowerLetter, TvnNumFmt::nfUpperRoman, TvnNumFmt::nfCardinalText};
  for (int32_t i = 0; i < 3; ++i) tables.AddList(i + 1).AddNumberingLevel(0, MakeLevel(0, formats[i], u"(%1)"));
  TvnNumberStateManager states;
  EXPECT_EQ(Labels(tables, states, {{1, 0}, {1, 0}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {3, 0}}),
            (std::vector<String>{u"(a)", u"(b)", u"(I)", u"(II)", u"(III)", u"(IV)", u"(One)"}));
}

TEST(ListNumbering, PlaceholderTemplates) {
  FakeNumberingTables tables;
  auto& definition = tables.AddList(4);
  definition.AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"", 3));
  definition.AddNumberingLevel(1, MakeLevel(1, TvnNumFmt::nfUpperLetter, u""));
  const TvnNumber* list = tables.FindNumber(4);
  TvnNumberStateManager states;
  const struct {
    const char16_t* pattern;
    int32_t level;
    const char16_t* expected;
  } cases[] = {
      {u"%1)", 0, u"%s)"},
      {u"(%1)", 0, u"(%s)"},
      {u"%1:%2", 1, u"3:%s"},   // level 0 at its start value, no counter yet
      {u"%1.%2.%3", 1, u"3.%s."},  // a deeper level adds nothing
      {u"100%", 0, u"100"},      // a "%" without digits is dropped
      {u"%x%1", 0, u"x%s"},
      {u"%99999999999999", 0, u""},  // an absurd reference is no level at all
      {u"%3.%2.%1", 2, u"%s.A.3"},   // higher levels in their own format
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetPlaceHolderText(c.pattern, 4, tables, list, c.level, states), c.expected) << String(c.pattern).size();
  }
  // With a counter, the larger of current and start value.
  states.UpdateLevelCurrentVal(4, 0, 7, 3);
  EXPECT_EQ(GetPlaceHolderText(u"%1.%2", 4, tables, list, 1, states), u"7.%s");
  states.UpdateLevelCurrentVal(4, 0, 2);
  EXPECT_EQ(GetPlaceHolderText(u"%1.%2", 4, tables, list, 1, states), u"3.%s");
}

TEST(ListNumbering, BulletsAndMissingLevels) {
  FakeNumberingTables tables;
  tables.AddList(5).AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfBullet, u"\u2022"));
  TvnNumberStateManager states;
  const NumberLabel bullet = AdvanceListNumber(5, 0, tables, states);
  ASSERT_NE(bullet.level, nullptr);
  EXPECT_EQ(bullet.text, u"\u2022");
  EXPECT_TRUE(states.GetNumberState().empty());

  // Neither list 5 nor its definition has level 2: no label, but the list
  // and level still become the previous ones.
  const NumberLabel missing = AdvanceListNumber(5, 2, tables, states);
  EXPECT_EQ(missing.level, nullptr);
  EXPECT_EQ(missing.text, u"");
  EXPECT_EQ(states.GetPrevNumberId(), 5);
  EXPECT_EQ(states.GetPrevNumberLevel(), 2);
  // An unknown list likewise.
  EXPECT_EQ(AdvanceListNumber(77, 0, tables, states).level, nullptr);
  EXPECT_EQ(states.GetPrevNumberId(), 77);
}

TEST(ListNumbering, CountersSaturateAtTheEndsOfTheRange) {
  FakeNumberingTables tables;
  auto& definition = tables.AddList(6);
  definition.AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"%1", std::numeric_limits<int32_t>::max()));
  definition.AddNumberingLevel(1, MakeLevel(1, TvnNumFmt::nfDecimal, u"%2", std::numeric_limits<int32_t>::min()));
  TvnNumberStateManager states;
  EXPECT_EQ(Labels(tables, states, {{6, 0}, {6, 0}, {6, 1}, {6, 0}, {6, 1}}),
            (std::vector<String>{u"2147483647", u"2147483647", u"-2147483648", u"2147483647", u"-2147483647"}));
}

TEST(ListNumbering, StateManager) {
  TvnNumberStateManager states;
  EXPECT_FALSE(states.LevelAlreadyExists(1, 0));
  EXPECT_EQ(states.GetLevelCurrentVal(1, 0), -1);
  EXPECT_EQ(states.GetLevelStartVal(1, 0), -1);
  states.UpdateLevelCurrentVal(1, 0, 9);  // no counter: nothing happens
  EXPECT_FALSE(states.LevelAlreadyExists(1, 0));
  states.UpdateLevelCurrentVal(1, 0, 4, 2);
  EXPECT_EQ(states.GetLevelCurrentVal(1, 0), 4);
  EXPECT_EQ(states.GetLevelStartVal(1, 0), 2);
  states.UpdateLevelCurrentVal(1, 0, 9, 5);  // exists: the start value stays
  EXPECT_EQ(states.GetLevelCurrentVal(1, 0), 9);
  EXPECT_EQ(states.GetLevelStartVal(1, 0), 2);
  // Level numbers from files may pass 9: list 1 level 11 and list 11
  // level 1 are still two counters.
  states.UpdateLevelCurrentVal(1, 11, 5, 1);
  states.UpdateLevelCurrentVal(11, 1, 7, 1);
  EXPECT_EQ(states.GetLevelCurrentVal(1, 11), 5);
  EXPECT_EQ(states.GetLevelCurrentVal(11, 1), 7);
  states.ResetNumberStates();
  EXPECT_EQ(states.GetLevelCurrentVal(1, 0), -1);
}

TEST(ListNumbering, LevelLookupThroughDefinitionsAndNumberingStyles) {
  FakeNumberingTables tables;
  // List 7 overrides level 0; its definition has level 1; the definition
  // of list 8 links a numbering style naming list 7.
  tables.AddList(7).AddNumberingLevel(1, MakeLevel(1, TvnNumFmt::nfDecimal, u"def"));
  tables.concrete[7]->AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"own"));
  auto style = std::make_unique<TvnStyle>(u"ListStyle");
  style->SetStyleType(TvnStyleType::stNumbering);
  style->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
  style->GetParagraphProperties()->SetNumberID(7);
  tables.AddList(8).SetLinkedStyle(style.get());
  tables.styles[u"ListStyle"] = std::move(style);

  const TvnNumber* seven = tables.FindNumber(7);
  const TvnNumber* eight = tables.FindNumber(8);
  EXPECT_EQ(GetNumberLevel(seven, 0, tables)->GetLevelText(), u"own");
  EXPECT_EQ(GetNumberLevel(seven, 1, tables)->GetLevelText(), u"def");
  EXPECT_EQ(GetNumberLevel(seven, 2, tables), nullptr);
  EXPECT_EQ(GetNumberLevel(eight, 0, tables)->GetLevelText(), u"own");

  // A style naming the list that links it ends instead of looping.
  tables.styles[u"ListStyle"]->GetParagraphProperties()->SetNumberID(8);
  EXPECT_EQ(GetNumberLevel(eight, 0, tables), nullptr);
  // A list without its definition has only its own levels.
  tables.abstract.erase(1007);
  EXPECT_EQ(GetNumberLevel(seven, 0, tables)->GetLevelText(), u"own");
  EXPECT_EQ(GetNumberLevel(seven, 1, tables), nullptr);
}

TEST(ListNumbering, Membership) {
  FakeNumberingTables tables;
  auto& definition = tables.AddList(9);
  auto heading = MakeLevel(1, TvnNumFmt::nfDecimal, u"%1.%2");
  heading->SetStyleID(u"Heading2");
  definition.AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"%1"));
  definition.AddNumberingLevel(1, std::move(heading));
  auto style = std::make_unique<TvnStyle>(u"Heading2");
  style->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
  style->GetParagraphProperties()->SetNumberID(9);
  tables.styles[u"Heading2"] = std::move(style);

  TvnParagraphProperties own;
  own.SetNumberID(4);
  own.SetNumberLevel(2);
  auto named = FindListMembership(own, true, tables);
  EXPECT_TRUE(named.numbered);
  EXPECT_EQ(named.number_id, 4);
  EXPECT_EQ(named.level, 2);
  EXPECT_FALSE(FindListMembership(own, false, tables).numbered);  // an empty paragraph

  TvnParagraphProperties styled;
  styled.SetStyleID(u"Heading2");
  auto byStyle = FindListMembership(styled, true, tables);
  EXPECT_TRUE(byStyle.numbered);
  EXPECT_EQ(byStyle.number_id, 9);
  EXPECT_EQ(byStyle.level, 1);

  TvnParagraphProperties plain;
  plain.SetStyleID(u"Body");
  EXPECT_FALSE(FindListMembership(plain, true, tables).numbered);

  tables.abstract.clear();
  EXPECT_THROW(FindListMembership(styled, true, tables), vn::EListError);
}

TEST(ListNumbering, LevelsAndListsCopy) {
  auto level = MakeLevel(2, TvnNumFmt::nfUpperRoman, u"%3)", 4);
  level->SetStyleID(u"S");
  level->SetHAlignment(TvnHAlignment::haRight);
  level->SetLevelPlaceHolder(u"%s)");
  level->SetRunProperties(std::make_shared<TvnRunProperties>());
  auto copy = level->Clone();
  EXPECT_EQ(copy->GetLevelValue(), 2);
  EXPECT_EQ(copy->GetNumberFormat(), TvnNumFmt::nfUpperRoman);
  EXPECT_EQ(copy->GetLevelText(), u"%3)");
  EXPECT_EQ(copy->GetStartValue(), 4);
  EXPECT_EQ(copy->GetStyleID(), u"S");
  EXPECT_EQ(copy->GetHAlignment(), TvnHAlignment::haRight);
  EXPECT_EQ(copy->GetLevelPlaceHolder(), u"%s)");
  ASSERT_NE(copy->GetRunProperties(), nullptr);
  EXPECT_NE(copy->GetRunProperties(), level->GetRunProperties());
  EXPECT_EQ(copy->GetParagraphProperties(), nullptr);

  FakeNumberingTables tables;
  auto linked = std::make_unique<TvnStyle>(u"L");
  TvnNumber list(3);
  list.SetDependentID(12);
  list.SetNumberType(TvnNumType::ntConcrete);
  list.SetLinkedStyle(linked.get());
  list.AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"first"));
  list.AddNumberingLevel(0, MakeLevel(0, TvnNumFmt::nfDecimal, u"repeated"));  // ignored
  tables.styles[u"L"] = std::make_unique<TvnStyle>(u"L");
  auto listCopy = list.Clone(tables);
  EXPECT_EQ(listCopy->GetNumberID(), 3);
  EXPECT_EQ(listCopy->GetDependentID(), 12);
  EXPECT_EQ(listCopy->GetNumberType(), TvnNumType::ntConcrete);
  EXPECT_EQ(listCopy->GetLinkedStyle(), tables.styles[u"L"].get());
  EXPECT_EQ(listCopy->GetNumberingLevel(0), list.GetNumberingLevel(0));
  EXPECT_EQ(list.GetNumberingLevel(0)->GetLevelText(), u"first");

  // Taking a level out of the source leaves the copy's intact.
  auto removed = list.RemoveNumberLevel(0);
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(list.GetNumberingLevel(0), nullptr);
  EXPECT_EQ(listCopy->GetNumberingLevel(0)->GetLevelText(), u"first");
  EXPECT_EQ(list.RemoveNumberLevel(0), nullptr);
}

TEST(ListNumbering, LabelRun) {
  auto format = std::make_shared<TvnRunProperties>();
  format->SetFontName(u"Symbol");
  format->SetFontStyle(TvnFontStyles{TvnFontStyle::fsBold});
  auto run = MakeNumberLabelRun(u"iv)", format);
  ASSERT_EQ(run->GetCount(), 1);
  auto* text = dynamic_cast<TvnTextitem*>(run->GetItem(0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetText(), u"iv)");
  EXPECT_EQ(text->GetRunProperties(), format);
  EXPECT_EQ(run->GetRunProperties(), format);
  EXPECT_EQ(run->GetFinalRunProperties(), format);
  ASSERT_NE(format->GetFont(), nullptr);
  EXPECT_EQ(format->GetFontSize(), 10);
  EXPECT_EQ(format->GetFont()->GetSize(), 10);
  EXPECT_EQ(format->GetFont()->GetName(), u"Symbol");
  EXPECT_EQ(format->GetFont()->GetStyle(), format->GetFontStyle());

  format->SetFontSize(14);
  EXPECT_EQ(MakeNumberLabelRun(u"1.", format)->GetFinalRunProperties()->GetFont()->GetSize(), 14);
}

}  // namespace
}  // namespace vn::wordmodel::numbering_test
