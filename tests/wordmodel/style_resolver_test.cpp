#include "wordmodel/style_resolver.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "wordmodel/document_mediator.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace vn::wordmodel {
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

// Stands in for the list module: numbers every paragraph whose own
// properties name a list, with a label run in front.
class LabelHooks : public ResolverHooks {
 public:
  NumberingResult NumberParagraph(TvnStylePropertyUpdater&, TvnParagraph& APara, TvnDocumentMediator*,
                                  const TvnParagraphProperties& AMerged) override {
    SeenSpaceAfter = AMerged.GetSpaceAfter();
    if (APara.GetParagraphProperties()->GetNumberID() == kNoReference) return {};
    auto label = std::make_unique<TvnRun>();
    label->SetFinalRunProperties(LabelProps);
    label->Add(std::make_unique<TvnTextitem>(u"1.", LabelProps));
    APara.Insert(0, std::move(label));
    auto level = std::make_shared<TvnParagraphProperties>();
    level->SetLeftIndent(720);
    level->SetHanging(360);
    level->SetSpaceAfter(2);
    return {level, true};
  }

  std::shared_ptr<TvnRunProperties> LabelProps = std::make_shared<TvnRunProperties>();
  int32_t SeenSpaceAfter = 0;
};

TEST_F(StyleResolverTest, ListLevelLiesBetweenParagraphStyleAndOwnProperties) {
  auto hooks = std::make_unique<LabelHooks>();
  LabelHooks* labels = hooks.get();
  Resolver().SetHooks(std::move(hooks));
  auto listStyle = ParagraphStyle(u"List");
  listStyle->GetParagraphProperties()->SetLeftIndent(100);
  listStyle->GetParagraphProperties()->SetSpaceAfter(9);
  Styles().Add(std::move(listStyle));

  auto para = Paragraph(u"List");
  para->GetParagraphProperties()->SetNumberID(1);
  para->GetParagraphProperties()->SetNumberLevel(0);
  para->GetParagraphProperties()->SetHanging(180);
  Resolve(*para);

  EXPECT_EQ(labels->SeenSpaceAfter, 9) << "the list step sees the layers merged before it";
  const auto& final = *para->GetFinalParagraphProperties();
  EXPECT_EQ(final.GetLeftIndent(), 720);
  EXPECT_EQ(final.GetSpaceAfter(), 2);
  EXPECT_EQ(final.GetHanging(), 180);
  ASSERT_EQ(para->GetCount(), 2);
  // The label run keeps the formatting the list step gave it.
  auto& label = dynamic_cast<TvnRun&>(*para->GetItem(0));
  EXPECT_EQ(label.GetFinalRunProperties(), labels->LabelProps);
  EXPECT_EQ(dynamic_cast<TvnTextitem&>(*label.GetItem(0)).GetRunProperties(), labels->LabelProps);
  auto& body = dynamic_cast<TvnRun&>(*para->GetItem(1));
  EXPECT_NE(body.GetFinalRunProperties(), body.GetRunProperties());
}

TEST_F(StyleResolverTest, AnErrorStopsTheParagraphSilently) {
  class ThrowingHooks : public ResolverHooks {
    NumberingResult NumberParagraph(TvnStylePropertyUpdater&, TvnParagraph&, TvnDocumentMediator*,
                                    const TvnParagraphProperties&) override {
      throw std::runtime_error("list without definition");
    }
  };
  Resolver().SetHooks(std::make_unique<ThrowingHooks>());
  auto para = Paragraph();
  EXPECT_NO_THROW(Resolve(*para));
  EXPECT_EQ(para->GetFinalParagraphProperties(), nullptr);
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
}  // namespace vn::wordmodel
