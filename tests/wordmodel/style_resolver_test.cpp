#include "wordmodel/style_resolver.h"

#include <gtest/gtest.h>

#include <iterator>

#include "wordmodel/document_mediator.h"
#include "wordmodel/fields.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace vn::wordmodel::style_resolver_test {
namespace {

constexpr TvnRGBColor kRed{255, 0, 0};

std::unique_ptr<TvnStyle> ParagraphStyle(const String& AId, const String& ABasedOn = String()) {
  auto style = std::make_unique<TvnStyle>(AId);
  style->SetStyleType(TvnStyleType::stParagraph);
  style->SetBasedOn(ABasedOn);
  style->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
  style->SetRunProperties(std::make_shared<TvnRunProperties>());
  return style;
}

void MarkBold(TvnRunProperties& AProps, bool AOn) {
  TvnFontStyles styles = AProps.GetFontStyle();
  if (AOn) {
    styles.Include(TvnFontStyle::fsBold);
  } else {
    styles.Exclude(TvnFontStyle::fsBold);
  }
  AProps.SetFontStyle(styles);
  AProps.SetExplicitlySetVal(AProps.GetExplicitlySetVal().Include(TvnExplicitlySetValue::esvBold));
}

void MarkSize(TvnRunProperties& AProps, int32_t ASize) {
  AProps.SetFontSize(ASize);
  AProps.SetExplicitlySetVal(AProps.GetExplicitlySetVal().Include(TvnExplicitlySetValue::esvFontSize));
}

class StyleResolverTest : public ::testing::Test {
 protected:
  TvnWordStyles& Styles() { return *Mediator.GetWordStyles(); }
  TvnStylePropertyUpdater& Resolver() { return *Styles().GetStylePropertyUpdater(); }

  // A paragraph with own properties naming AStyleID and one run holding
  // one text item.
  std::unique_ptr<TvnParagraph> Paragraph(const String& AStyleID = String()) {
    auto para = std::make_unique<TvnParagraph>();
    para->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
    para->GetParagraphProperties()->SetStyleID(AStyleID);
    auto run = std::make_unique<TvnRun>();
    run->Add(std::make_unique<TvnTextitem>(u"text", run->GetRunProperties()));
    para->Add(std::move(run));
    return para;
  }
  static TvnRun& FirstRun(TvnParagraph& APara) { return dynamic_cast<TvnRun&>(*APara.GetItem(0)); }

  void Resolve(TvnParagraph& APara) { Resolver().ApplyStyleHierarchy(&APara, &Mediator, nullptr, nullptr, nullptr); }

  TvnDocumentMediator Mediator{nullptr};
};

// Each layer overrides the one before it where it sets a value; a layer
// that sets nothing leaves the value below it.
TEST_F(StyleResolverTest, SpaceAfterComesFromTheLastLayerThatSetsIt) {
  struct Case {
    const char* Name;
    int32_t DocDefault, DefaultStyle, NamedStyle, Own;
    bool NameStyle;
    int32_t Expected;
  };
  const Case cases[] = {
      {"nothing anywhere", kUnsetValue, kUnsetValue, kUnsetValue, kUnsetValue, false, 0},
      {"document default", 10, kUnsetValue, kUnsetValue, kUnsetValue, false, 10},
      {"default style over default", 10, 12, kUnsetValue, kUnsetValue, false, 12},
      {"own zero over default style", 10, 12, kUnsetValue, 0, false, 0},
      {"named style replaces default style", 10, 12, 18, kUnsetValue, true, 18},
      {"named style without value: document default", 10, 12, kUnsetValue, kUnsetValue, true, 10},
      {"own over named style", 10, 12, 18, 4, true, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TvnDocumentMediator mediator(nullptr);
    TvnWordStyles& styles = *mediator.GetWordStyles();
    styles.SetDocDefaultParagraphProperty(std::make_shared<TvnParagraphProperties>());
    styles.GetDocDefaultParagraphProperty()->SetSpaceAfter(c.DocDefault);
    auto normal = ParagraphStyle(u"Normal");
    normal->SetDefaultStyle(true);
    normal->GetParagraphProperties()->SetSpaceAfter(c.DefaultStyle);
    styles.Add(std::move(normal));
    auto heading = ParagraphStyle(u"Heading");
    heading->GetParagraphProperties()->SetSpaceAfter(c.NamedStyle);
    styles.Add(std::move(heading));

    auto para = Paragraph(c.NameStyle ? u"Heading" : u"");
    para->GetParagraphProperties()->SetSpaceAfter(c.Own);
    styles.GetStylePropertyUpdater()->ApplyStyleHierarchy(para.get(), &mediator, nullptr, nullptr, nullptr);
    ASSERT_NE(para->GetFinalParagraphProperties(), nullptr);
    EXPECT_EQ(para->GetFinalParagraphProperties()->GetSpaceAfter(), c.Expected);
  }
}

TEST_F(StyleResolverTest, FinalPropertiesCarryStyleNameTabStopAndZeroedUnsetValues) {
  auto heading = ParagraphStyle(u"H1");
  heading->SetStyleName(u"heading 1");
  Styles().Add(std::move(heading));
  Mediator.SetDefaultTabStop(48);
  auto para = Paragraph(u"H1");
  Resolve(*para);
  const auto& final = *para->GetFinalParagraphProperties();
  EXPECT_EQ(final.GetStyleID(), u"H1");
  EXPECT_EQ(final.GetDefaultTabStop(), 48);
  EXPECT_EQ(final.GetLeftIndent(), 0);
  EXPECT_EQ(final.GetLineSpacing(), 0);
  EXPECT_EQ(para->GetParagraphProperties()->GetStyleName(), u"heading 1");
  // The own properties point at the style's resolved copy.
  EXPECT_EQ(para->GetParagraphProperties()->GetStyle(), Styles().Find(u"H1")->GetConstructedStyle());
}

TEST_F(StyleResolverTest, AlignmentChangesOnlyWhereALayerStatesIt) {
  auto centred = ParagraphStyle(u"Centred");
  centred->GetParagraphProperties()->SetHAlignment(TvnHAlignment::haCenter);
  Styles().Add(std::move(centred));

  auto silent = Paragraph(u"Centred");
  Resolve(*silent);
  EXPECT_EQ(silent->GetFinalParagraphProperties()->GetHAlignment(), TvnHAlignment::haCenter);

  auto explicitLeft = Paragraph(u"Centred");
  explicitLeft->GetParagraphProperties()->SetHAlignment(TvnHAlignment::haLeft);
  Resolve(*explicitLeft);
  EXPECT_EQ(explicitLeft->GetFinalParagraphProperties()->GetHAlignment(), TvnHAlignment::haLeft);
}

TEST_F(StyleResolverTest, BasedOnChainMergesFromTheRoot) {
  auto a = ParagraphStyle(u"A");
  a->GetParagraphProperties()->SetSpaceBefore(6);
  a->GetParagraphProperties()->SetLeftIndent(30);
  auto b = ParagraphStyle(u"B", u"A");
  b->GetParagraphProperties()->SetSpaceBefore(12);
  Styles().Add(std::move(a));
  Styles().Add(std::move(b));
  Styles().Add(ParagraphStyle(u"C", u"B"));
  auto orphan = ParagraphStyle(u"D", u"Missing");
  orphan->GetParagraphProperties()->SetSpaceBefore(3);
  Styles().Add(std::move(orphan));

  TvnStyle* c = Resolver().ConstructStyles(u"C", u"");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetParagraphProperties()->GetSpaceBefore(), 12);
  EXPECT_EQ(c->GetParagraphProperties()->GetLeftIndent(), 30);
  EXPECT_EQ(Resolver().ConstructStyles(u"C", u""), c) << "the resolved copy is cached";

  TvnStyle* d = Resolver().ConstructStyles(u"D", u"");
  EXPECT_EQ(d->GetParagraphProperties()->GetSpaceBefore(), 3);
  EXPECT_EQ(d->GetParagraphProperties()->GetLeftIndent(), kUnsetValue);
  EXPECT_EQ(Resolver().ConstructStyles(u"Nope", u""), nullptr);
}

TEST_F(StyleResolverTest, BasedOnCycleEnds) {
  auto a = ParagraphStyle(u"A", u"B");
  a->GetParagraphProperties()->SetSpaceBefore(6);
  auto b = ParagraphStyle(u"B", u"A");
  b->GetParagraphProperties()->SetLeftIndent(30);
  auto self = ParagraphStyle(u"Self", u"Self");
  self->GetParagraphProperties()->SetSpaceAfter(4);
  Styles().Add(std::move(a));
  Styles().Add(std::move(b));
  Styles().Add(std::move(self));

  TvnStyle* resolvedA = Resolver().ConstructStyles(u"A", u"");
  ASSERT_NE(resolvedA, nullptr);
  // B is merged beneath A, and the walk stops when it comes back to A.
  EXPECT_EQ(resolvedA->GetParagraphProperties()->GetSpaceBefore(), 6);
  EXPECT_EQ(resolvedA->GetParagraphProperties()->GetLeftIndent(), 30);
  EXPECT_EQ(Resolver().ConstructStyles(u"Self", u"")->GetParagraphProperties()->GetSpaceAfter(), 4);

  auto para = Paragraph(u"B");
  Resolve(*para);
  ASSERT_NE(para->GetFinalParagraphProperties(), nullptr);
  EXPECT_EQ(para->GetFinalParagraphProperties()->GetLeftIndent(), 30);
}

TEST_F(StyleResolverTest, StyleFoundByDisplayNameWhenTheIdentifierIsEmpty) {
  auto style = ParagraphStyle(u"Heading1");
  style->SetStyleName(u"heading 1");
  style->GetParagraphProperties()->SetSpaceAfter(7);
  Styles().Add(std::move(style));
  auto para = Paragraph();
  para->GetParagraphProperties()->SetStyleName(u"heading 1");
  Resolve(*para);
  EXPECT_EQ(para->GetFinalParagraphProperties()->GetSpaceAfter(), 7);
}

TEST_F(StyleResolverTest, TabStopsOfEveryLayerAreKeptInOrder) {
  auto style = ParagraphStyle(u"Tabbed");
  auto styleTab = std::make_shared<TvnTab>();
  styleTab->SetPosition(100);
  style->GetParagraphProperties()->GetTabs().push_back(styleTab);
  Styles().Add(std::move(style));
  auto para = Paragraph(u"Tabbed");
  auto ownTab = std::make_shared<TvnTab>();
  ownTab->SetPosition(200);
  para->GetParagraphProperties()->GetTabs().push_back(ownTab);
  Resolve(*para);
  const auto& tabs = para->GetFinalParagraphProperties()->GetTabs();
  ASSERT_EQ(tabs.size(), 2u);
  EXPECT_EQ(tabs[0]->GetPosition(), 100);
  EXPECT_EQ(tabs[1]->GetPosition(), 200);
}

// ---------------------------------------------------------------------------
// Runs

TEST_F(StyleResolverTest, BoldAndColourFollowTheLayersThatMarkThem) {
  struct Case {
    const char* Name;
    bool OwnMarksBold;
    bool OwnBold;
    bool ExpectedBold;
  };
  const Case cases[] = {
      {"own says nothing: the character style's bold stays", false, false, true},
      {"own turns bold off", true, false, false},
      {"own turns bold on", true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TvnDocumentMediator mediator(nullptr);
    TvnWordStyles& styles = *mediator.GetWordStyles();
    styles.SetDocDefaultRunProperty(std::make_shared<TvnRunProperties>());
    styles.GetDocDefaultRunProperty()->GetBrush()->SetColor(kRed);
    styles.GetDocDefaultRunProperty()->SetExplicitlySetVal({TvnExplicitlySetValue::esvTextColor});
    auto strong = std::make_unique<TvnStyle>(u"Strong");
    strong->SetStyleType(TvnStyleType::stCharecter);
    strong->SetRunProperties(std::make_shared<TvnRunProperties>());
    MarkBold(*strong->GetRunProperties(), true);
    styles.Add(std::move(strong));

    auto para = Paragraph();
    TvnRun& run = FirstRun(*para);
    run.GetRunProperties()->SetStyleID(u"Strong");
    if (c.OwnMarksBold) MarkBold(*run.GetRunProperties(), c.OwnBold);
    styles.GetStylePropertyUpdater()->ApplyStyleHierarchy(para.get(), &mediator, nullptr, nullptr, nullptr);
    const TvnRunProperties& final = *run.GetFinalRunProperties();
    EXPECT_EQ(final.GetFontStyle().Contains(TvnFontStyle::fsBold), c.ExpectedBold);
    EXPECT_EQ(final.GetFont()->GetStyle().Contains(TvnFontStyle::fsBold), c.ExpectedBold);
    EXPECT_EQ(final.GetBrush()->GetColor(), kRed);
  }
}

TEST_F(StyleResolverTest, RunLayersInOrderDefaultsDefaultCharacterStyleParagraphStyleOwn) {
  Styles().SetDocDefaultRunProperty(std::make_shared<TvnRunProperties>());
  Styles().GetDocDefaultRunProperty()->SetFontName(u"Calibri");
  MarkSize(*Styles().GetDocDefaultRunProperty(), 11);
  auto defaultChar = std::make_unique<TvnStyle>(u"DefaultFont");
  defaultChar->SetStyleType(TvnStyleType::stCharecter);
  defaultChar->SetDefaultStyle(true);
  defaultChar->SetRunProperties(std::make_shared<TvnRunProperties>());
  defaultChar->GetRunProperties()->SetWordSpace(3);
  defaultChar->GetRunProperties()->SetInterCharSpace(1);
  Styles().Add(std::move(defaultChar));
  auto heading = ParagraphStyle(u"Heading");
  heading->GetRunProperties()->SetFontName(u"Cambria");
  heading->GetRunProperties()->SetInterCharSpace(2);
  Styles().Add(std::move(heading));

  auto para = Paragraph(u"Heading");
  MarkSize(*FirstRun(*para).GetRunProperties(), 16);
  Resolve(*para);
  const TvnRunProperties& final = *FirstRun(*para).GetFinalRunProperties();
  EXPECT_EQ(final.GetFontName(), u"Cambria");
  EXPECT_EQ(final.GetFontSize(), 16);
  EXPECT_EQ(final.GetWordSpace(), 3);
  EXPECT_EQ(final.GetInterCharSpace(), 2);
  // Every text item draws with its run's final properties.
  auto* text = dynamic_cast<TvnTextitem*>(FirstRun(*para).GetItem(0));
  EXPECT_EQ(text->GetRunProperties(), FirstRun(*para).GetFinalRunProperties());
}

TEST_F(StyleResolverTest, RunsShareFontPoolEntriesByNameAndSize) {
  TvnRun plain;
  plain.GetRunProperties()->SetFontName(u"Arial");
  MarkSize(*plain.GetRunProperties(), 11);
  TvnRun bold;
  bold.GetRunProperties()->SetFontName(u"Arial");
  MarkSize(*bold.GetRunProperties(), 11);
  MarkBold(*bold.GetRunProperties(), true);
  TvnRun bare;

  auto plainProps = Resolver().ApplyPropertiesToRun(&Mediator, nullptr, &plain);
  auto boldProps = Resolver().ApplyPropertiesToRun(&Mediator, nullptr, &bold);
  auto bareProps = Resolver().ApplyPropertiesToRun(&Mediator, nullptr, &bare);

  EXPECT_EQ(Mediator.GetFontPool().size(), 2u);
  EXPECT_EQ(Mediator.GetFontPool().count(u"Arial11"), 1u);
  EXPECT_EQ(Mediator.GetFontPool().count(u"defaultFont"), 1u);
  EXPECT_NE(plainProps->GetFont(), boldProps->GetFont());
  EXPECT_FALSE(plainProps->GetFont()->GetStyle().Contains(TvnFontStyle::fsBold));
  EXPECT_TRUE(boldProps->GetFont()->GetStyle().Contains(TvnFontStyle::fsBold));
  EXPECT_EQ(bareProps->GetFont()->GetName(), u"Times New Roman");
  EXPECT_EQ(bareProps->GetFontSize(), 10);
  EXPECT_EQ(bareProps->GetFont()->GetSize(), 10);
  EXPECT_EQ(bareProps->GetFontPool(), &Mediator.GetGDIFontPool());
  EXPECT_EQ(bare.GetFinalRunProperties(), bareProps);
  EXPECT_EQ(Resolver().ApplyPropertiesToRun(&Mediator, nullptr, nullptr), nullptr);
}

TEST_F(StyleResolverTest, CharacterStyleIsMergedAgainWhenARunIsResolvedTwice) {
  auto strong = std::make_unique<TvnStyle>(u"Strong");
  strong->SetStyleType(TvnStyleType::stCharecter);
  strong->SetRunProperties(std::make_shared<TvnRunProperties>());
  MarkBold(*strong->GetRunProperties(), true);
  Styles().Add(std::move(strong));
  TvnRun run;
  run.GetRunProperties()->SetStyleID(u"Strong");
  Resolver().ApplyPropertiesToRun(&Mediator, nullptr, &run);
  auto again = Resolver().ApplyPropertiesToRun(&Mediator, nullptr, &run);
  EXPECT_TRUE(again->GetFontStyle().Contains(TvnFontStyle::fsBold));
}

TEST_F(StyleResolverTest, EmptyParagraphMarkKeepsItsOwnSizeOverTheDefaults) {
  Styles().SetDocDefaultRunProperty(std::make_shared<TvnRunProperties>());
  MarkSize(*Styles().GetDocDefaultRunProperty(), 14);
  Styles().GetDocDefaultRunProperty()->SetFontName(u"Calibri");

  TvnParagraph empty;
  empty.SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
  MarkSize(*empty.GetParagraphProperties()->GetRunProperties(), 8);
  Resolve(empty);
  const auto& mark = *empty.GetFinalParagraphProperties()->GetRunProperties();
  EXPECT_EQ(mark.GetFontSize(), 8);
  EXPECT_EQ(mark.GetFontName(), u"Calibri");

  TvnParagraph bare;
  bare.SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
  Resolve(bare);
  EXPECT_EQ(bare.GetFinalParagraphProperties()->GetRunProperties()->GetFontSize(), 14);
}

// ---------------------------------------------------------------------------
// Numbering

// A mediator holding abstract definition 10 with levels 0 ("%1.") and 1
// ("%1.%2."), decimal from 1, and concrete list 1 referring to it.
class NumberingTest : public StyleResolverTest {
 protected:
  void SetUp() override {
    auto definition = std::make_shared<TvnNumber>(10);
    for (int32_t index : {0, 1}) {
      auto level = std::make_unique<TvnNumberLevel>();
      level->SetLevelValue(index);
      level->SetNumberFormat(TvnNumFmt::nfDecimal);
      level->SetLevelText(index == 0 ? u"%1." : u"%1.%2.");
      definition->AddNumberingLevel(index, std::move(level));
    }
    Level0 = definition->GetNumberingLevel(0);
    Mediator.GetAbstractNumbers().emplace(10, definition);
    auto list = std::make_shared<TvnNumber>(1);
    list->SetDependentID(10);
    list->SetNumberType(TvnNumType::ntConcrete);
    Mediator.GetConcreteNumbers().emplace(1, list);
  }

  std::unique_ptr<TvnParagraph> ListParagraph(int32_t AList, int32_t ALevel, const String& AStyleID = String()) {
    auto para = Paragraph(AStyleID);
    para->GetParagraphProperties()->SetNumberID(AList);
    para->GetParagraphProperties()->SetNumberLevel(ALevel);
    return para;
  }

  static String LabelOf(TvnParagraph& APara) {
    return dynamic_cast<TvnTextitem&>(*FirstRun(APara).GetItem(0)).GetText();
  }

  TvnNumberLevel* Level0 = nullptr;
};

TEST_F(NumberingTest, ParagraphsResolvedInOrderGetTheirLabels) {
  const int32_t levels[] = {0, 1, 1, 0, 1};
  const char16_t* labels[] = {u"1.", u"1.1.", u"1.2.", u"2.", u"2.1."};
  for (size_t i = 0; i < std::size(levels); ++i) {
    auto para = ListParagraph(1, levels[i]);
    Resolve(*para);
    ASSERT_EQ(para->GetCount(), 2) << i;
    EXPECT_EQ(LabelOf(*para), labels[i]) << i;
    // The label run is not resolved again as content.
    EXPECT_EQ(dynamic_cast<TvnTextitem&>(*dynamic_cast<TvnRun&>(*para->GetItem(1)).GetItem(0)).GetText(), u"text");
  }
}

TEST_F(NumberingTest, ParagraphStyleNamesTheList) {
  auto style = ParagraphStyle(u"ListPara");
  style->GetParagraphProperties()->SetNumberID(1);
  Styles().Add(std::move(style));
  Level0->SetStyleID(u"ListPara");
  for (const char16_t* expected : {u"1.", u"2."}) {
    auto para = Paragraph(u"ListPara");
    Resolve(*para);
    ASSERT_EQ(para->GetCount(), 2);
    EXPECT_EQ(LabelOf(*para), expected);
  }
  // Without children a paragraph is not numbered and counts nothing.
  auto empty = std::make_unique<TvnParagraph>();
  empty->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
  empty->GetParagraphProperties()->SetStyleID(u"ListPara");
  Resolve(*empty);
  EXPECT_EQ(empty->GetCount(), 0);
  EXPECT_EQ(Resolver().GetStateManager().GetLevelCurrentVal(1, 0), 2);
}

TEST_F(NumberingTest, ListLevelLiesBetweenParagraphStyleAndOwnProperties) {
  auto listStyle = ParagraphStyle(u"List");
  listStyle->GetParagraphProperties()->SetLeftIndent(100);
  listStyle->GetParagraphProperties()->SetSpaceAfter(9);
  MarkSize(*listStyle->GetRunProperties(), 14);
  Styles().Add(std::move(listStyle));
  auto levelProps = std::make_shared<TvnParagraphProperties>();
  levelProps->SetLeftIndent(720);
  levelProps->SetHanging(360);
  Level0->SetParagraphProperties(levelProps);
  auto labelFormat = std::make_shared<TvnRunProperties>();
  MarkBold(*labelFormat, true);
  Level0->SetRunProperties(labelFormat);

  auto para = ListParagraph(1, 0, u"List");
  para->GetParagraphProperties()->SetHanging(180);
  Resolve(*para);

  const auto& final = *para->GetFinalParagraphProperties();
  EXPECT_EQ(final.GetLeftIndent(), 720);
  EXPECT_EQ(final.GetSpaceAfter(), 9);
  EXPECT_EQ(final.GetHanging(), 180);
  ASSERT_EQ(para->GetCount(), 2);
  // The label takes the paragraph style's size and the level's bold, and
  // its text item shares its formatting.
  TvnRun& label = FirstRun(*para);
  ASSERT_NE(label.GetFinalRunProperties(), nullptr);
  EXPECT_EQ(label.GetFinalRunProperties()->GetFontSize(), 14);
  EXPECT_TRUE(label.GetFinalRunProperties()->GetFontStyle().Contains(TvnFontStyle::fsBold));
  EXPECT_EQ(dynamic_cast<TvnTextitem&>(*label.GetItem(0)).GetRunProperties(), label.GetFinalRunProperties());
  EXPECT_EQ(label.GetParent(), para.get());
}

TEST_F(NumberingTest, ListWithoutDefinitionStopsTheParagraphSilently) {
  auto orphan = std::make_shared<TvnNumber>(2);
  orphan->SetDependentID(99);
  Mediator.GetConcreteNumbers().emplace(2, orphan);
  auto style = ParagraphStyle(u"Orphan");
  style->GetParagraphProperties()->SetNumberID(2);
  Styles().Add(std::move(style));
  auto para = Paragraph(u"Orphan");
  EXPECT_NO_THROW(Resolve(*para));
  EXPECT_EQ(para->GetFinalParagraphProperties(), nullptr);
  EXPECT_EQ(para->GetCount(), 1);
}

TEST_F(StyleResolverTest, FieldResultRunsAreResolvedAndShareTheirFormatting) {
  auto style = ParagraphStyle(u"Big");
  MarkSize(*style->GetRunProperties(), 16);
  Styles().Add(std::move(style));
  auto para = Paragraph(u"Big");
  auto result = std::make_unique<TvnFieldResult>();
  auto run = std::make_unique<TvnRun>();
  run->Add(std::make_unique<TvnTextitem>(u"3", run->GetRunProperties()));
  TvnRun* resultRun = run.get();
  result->push_back(std::move(run));
  auto code = std::make_unique<TvnFieldCode>();
  code->SetCode(u"PAGE");
  para->Add(TvnWordHelperFunctions::GetField(nullptr, std::move(code), false, std::move(result)));
  Resolve(*para);
  ASSERT_NE(resultRun->GetFinalRunProperties(), nullptr);
  EXPECT_EQ(resultRun->GetFinalRunProperties()->GetFontSize(), 16);
  EXPECT_EQ(dynamic_cast<TvnTextitem&>(*resultRun->GetItem(0)).GetRunProperties(), resultRun->GetFinalRunProperties());
}

// ---------------------------------------------------------------------------
// Tables

// A one-cell table whose style's first-row and first-column regions set the
// space after and the cell shading, and whose own paragraph layer sets the
// left indent. The row is in the first row, the cell in the first column.
class TableRegionTest : public StyleResolverTest {
 protected:
  void SetUp() override {
    auto grid = std::make_unique<TvnTableStyle>(u"Grid");
    grid->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
    grid->GetParagraphProperties()->SetLeftIndent(5);
    grid->SetRunProperties(std::make_shared<TvnRunProperties>());
    grid->SetTableProperties(std::make_shared<TvnTableProperties>());
    grid->GetTableProperties()->SetIndent(40);
    grid->GetConditionalStyles()[TvnTableRegions::trFirstRow] = Region(11, TvnRGBColor{1, 1, 1});
    grid->GetConditionalStyles()[TvnTableRegions::trFirstColumn] = Region(22, TvnRGBColor{2, 2, 2});
    Styles().Add(std::move(grid));

    Table.SetTableProperties(std::make_shared<TvnTableProperties>());
    Table.GetTableProperties()->SetStyleID(u"Grid");
    Table.GetTableProperties()->GetLook()[TvnTableRegions::trFirstRow] = true;
    Table.GetTableProperties()->GetLook()[TvnTableRegions::trFirstColumn] = true;
    Table.InsertRow(std::make_unique<TvnTableRow>(20, 1));
    Row = Table.GetRows()[0].get();
    Row->SetTableRowProperties(std::make_shared<TvnTableRowProperties>());
    Row->GetTableRowProperties()->GetCNFStyles()[TvnTableRegions::trFirstRow] = true;
    Cell = Row->GetCells()[0].get();
    Cell->SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
    Cell->GetTableCellProperties()->GetCNFStyles()[TvnTableRegions::trFirstColumn] = true;
    Cell->GetTableCellProperties()->SetWidth(300);
  }

  static std::shared_ptr<TvnConditionalTableStyle> Region(int32_t ASpaceAfter, TvnRGBColor AFill) {
    auto region = std::make_shared<TvnConditionalTableStyle>();
    region->SetParagraphProperties(std::make_shared<TvnParagraphProperties>());
    region->GetParagraphProperties()->SetSpaceAfter(ASpaceAfter);
    region->SetTableCellProperties(std::make_shared<TvnTableCellProperties>());
    region->GetTableCellProperties()->SetFillColor(AFill);
    return region;
  }

  int32_t ResolveInCell(const String& AStyleID = String()) {
    auto para = Paragraph(AStyleID);
    Resolver().ApplyStyleHierarchy(para.get(), &Mediator, Cell, Row, &Table);
    return para->GetFinalParagraphProperties()->GetSpaceAfter();
  }

  TvnTable Table;
  TvnTableRow* Row = nullptr;
  TvnTableCell* Cell = nullptr;
};

TEST_F(TableRegionTest, LaterRegionOverridesAnEarlierOne) {
  // First row comes before first column in the merge order.
  EXPECT_EQ(ResolveInCell(), 22);
  auto& cellProps = *Cell->GetTableCellProperties();
  EXPECT_EQ(cellProps.GetFillColor(), (TvnRGBColor{2, 2, 2}));
  EXPECT_EQ(cellProps.GetWidth(), 300) << "the cell's own properties lie over the regions";
  EXPECT_TRUE(cellProps.GetIsPropertyUpdated());
  EXPECT_EQ(Table.GetTableProperties()->GetIndent(), 40);
}

TEST_F(TableRegionTest, LookTurnsTheLaterRegionOff) {
  Table.GetTableProperties()->GetLook()[TvnTableRegions::trFirstColumn] = false;
  EXPECT_EQ(ResolveInCell(), 11);
  EXPECT_EQ(Cell->GetTableCellProperties()->GetFillColor(), (TvnRGBColor{1, 1, 1}));
}

TEST_F(TableRegionTest, CellMarkedOutsideTheRegionIsNotInIt) {
  Cell->GetTableCellProperties()->GetCNFStyles()[TvnTableRegions::trFirstColumn] = false;
  EXPECT_EQ(ResolveInCell(), 11);
}

TEST_F(TableRegionTest, NoRegionWhenNeitherRowNorCellBelongs) {
  Cell->GetTableCellProperties()->GetCNFStyles().clear();
  Row->GetTableRowProperties()->GetCNFStyles().clear();
  EXPECT_EQ(ResolveInCell(), 0);
}

TEST_F(TableRegionTest, TableLayerEndsWithoutAStyle) {
  for (const char16_t* id : {u"", u"Gone"}) {
    Table.GetTableProperties()->SetStyleID(id);
    EXPECT_EQ(ResolveInCell(), 0);
    EXPECT_FALSE(Cell->GetTableCellProperties()->GetIsPropertyUpdated());
    EXPECT_EQ(Table.GetTableProperties()->GetIndent(), 0);
  }
}

TEST_F(TableRegionTest, ParagraphStyleLiesOverTheTableStyleAndTheCellIsMergedOnce) {
  auto body = ParagraphStyle(u"Body");
  body->GetParagraphProperties()->SetSpaceAfter(33);
  Styles().Add(std::move(body));
  auto para = Paragraph(u"Body");
  Resolver().ApplyStyleHierarchy(para.get(), &Mediator, Cell, Row, &Table);
  EXPECT_EQ(para->GetFinalParagraphProperties()->GetSpaceAfter(), 33);
  EXPECT_EQ(para->GetFinalParagraphProperties()->GetLeftIndent(), 5);

  auto merged = Cell->GetTableCellProperties();
  EXPECT_EQ(ResolveInCell(), 22);
  EXPECT_EQ(Cell->GetTableCellProperties(), merged) << "a second paragraph does not merge the cell again";
}

TEST_F(TableRegionTest, TableStyleFoundByDisplayName) {
  auto renamed = Styles().Find(u"Grid")->Clone();
  renamed->SetStyleName(u"Table Grid");
  Styles().Update(u"Grid", std::move(renamed));
  Table.GetTableProperties()->SetStyleID(u"");
  Table.GetTableProperties()->SetStyleName(u"Table Grid");
  EXPECT_EQ(ResolveInCell(), 0) << "a clone does not carry the regions";
  EXPECT_EQ(Table.GetTableProperties()->GetStyleID(), u"Grid");
  EXPECT_EQ(Table.GetTableProperties()->GetIndent(), 40);
}

TEST_F(TableRegionTest, TableStylesInheritRegionsAndTableProperties) {
  auto derived = std::make_unique<TvnTableStyle>(u"Derived");
  derived->SetBasedOn(u"Grid");
  derived->SetTableProperties(std::make_shared<TvnTableProperties>());
  derived->GetTableProperties()->SetTableCaption(u"caption");
  Styles().Add(std::move(derived));
  TvnTableStyle* resolved = Resolver().ConstructTableStyle(u"Derived");
  ASSERT_NE(resolved, nullptr);
  EXPECT_EQ(resolved->GetTableProperties()->GetIndent(), 40);
  EXPECT_EQ(resolved->GetTableProperties()->GetTableCaption(), u"caption");
  EXPECT_EQ(resolved->GetConditionalStyles().size(), 2u);
  EXPECT_EQ(Resolver().ConstructTableStyle(u""), nullptr);
  EXPECT_THROW(Resolver().ConstructTableStyle(u"Absent"), vn::EListError);
}

// ---------------------------------------------------------------------------
// Merging table layers

TEST(StyleResolverTableMerge, SetValuesOverrideAndUnsetOnesStay) {
  TvnWordStyles styles;
  TvnStylePropertyUpdater& resolver = *styles.GetStylePropertyUpdater();

  TvnTableProperties table;
  table.SetIndent(10);
  table.GetMargins()->SetLeft(7);
  TvnTableProperties from;
  from.SetTableAlignment(TvnHAlignment::haCenter);
  from.GetMargins()->SetLeft(kUnsetMarginSide);
  from.GetMargins()->SetTop(4);
  from.GetBorders()[TvnBorderType::Top] = std::make_shared<TvnBorder>();
  resolver.UpdateTableProp(&table, &from);
  EXPECT_EQ(table.GetIndent(), 10);
  EXPECT_EQ(table.GetTableAlignment(), TvnHAlignment::haCenter);
  EXPECT_EQ(table.GetMargins()->GetLeft(), 7);
  EXPECT_EQ(table.GetMargins()->GetTop(), 4);
  EXPECT_EQ(table.GetBorders().count(TvnBorderType::Top), 1u);

  TvnTableRowProperties row;
  row.SetHeight(30);
  TvnTableRowProperties rowFrom;
  rowFrom.SetCantSplit(true);
  resolver.UpdateTableRowProp(&row, &rowFrom);
  EXPECT_EQ(row.GetHeight(), 30);
  EXPECT_TRUE(row.GetCantSplit());

  TvnTableCellProperties cell;
  cell.SetGridSpan(3);
  TvnTableCellProperties cellFrom;
  cellFrom.SetCellVerticalAlignment(TvnVAlignment::vaBottom);
  resolver.UpdateTableCellProp(&cell, &cellFrom);
  EXPECT_EQ(cell.GetGridSpan(), 3);
  EXPECT_EQ(cell.GetCellVerticalAlignment(), TvnVAlignment::vaBottom);
  EXPECT_FALSE(cell.GetShadeApplied());
  resolver.UpdateTableCellProp(&cell, nullptr);
  resolver.UpdateTableProp(nullptr, &from);
}

}  // namespace
}  // namespace vn::wordmodel::style_resolver_test
