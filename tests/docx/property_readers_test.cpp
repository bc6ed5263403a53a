// The property readers over small XML snippets.
#include <gtest/gtest.h>

#include "docx/docx_helper.h"
#include "docx_test_support.h"
#include "runtime/diagnostics.h"
#include "wordmodel/document_mediator.h"

namespace property_readers_test {

using namespace vn::docx;
using vn::docx::testing::Snippet;
using vn::framework::TvnFontStyle;
using vn::framework::TvnRGBColor;
using vn::wordmodel::TvnBorderType;
using vn::wordmodel::TvnExplicitlySetValue;
using vn::wordmodel::TvnHAlignment;
using vn::wordmodel::TvnMergeCellsOption;
using vn::wordmodel::TvnSpacingRule;
using vn::wordmodel::TvnTableRegions;
using vn::wordmodel::TvnTabStopChar;
using vn::wordmodel::TvnTabStopValue;
using vn::wordmodel::TvnTextAlignment;
using vn::wordmodel::TvnWidthType;

class DocxPropertyReaders : public ::testing::Test {
 protected:
  std::shared_ptr<TvnParagraphProperties> Para(const std::string& AInner) {
    Snippet xml("<w:pPr>" + AInner + "</w:pPr>");
    return helper_.GetParagraphProperties(xml.Root(), &mediator_);
  }
  std::shared_ptr<TvnRunProperties> Run(const std::string& AInner) {
    Snippet xml("<w:rPr>" + AInner + "</w:rPr>");
    return helper_.GetRunProperties(xml.Root(), &mediator_);
  }
  std::unique_ptr<TvnBorder> Border(const std::string& AAttributes) {
    Snippet xml("<w:top " + AAttributes + "/>");
    return helper_.GetBorder(xml.Root());
  }

  vn::Diagnostics warnings_;
  vn::wordmodel::TvnDocumentMediator mediator_{nullptr};
  TvnDOCXHelperFunctions helper_{&warnings_};
};

TEST_F(DocxPropertyReaders, MissingElementsGiveNothing) {
  EXPECT_EQ(helper_.GetParagraphProperties(nullptr, &mediator_), nullptr);
  EXPECT_EQ(helper_.GetRunProperties(nullptr, &mediator_), nullptr);
  EXPECT_EQ(helper_.GetTab(nullptr), nullptr);
  EXPECT_EQ(helper_.GetBorder(nullptr), nullptr);
  EXPECT_EQ(helper_.GetTableProperties(nullptr), nullptr);
  EXPECT_EQ(helper_.GetRowProperties(nullptr), nullptr);
  EXPECT_EQ(helper_.GetCellProperties(nullptr), nullptr);
  // An empty element sets nothing: the model's unset values stay.
  auto para = Para("");
  EXPECT_EQ(para->GetLeftIndent(), vn::wordmodel::kUnsetValue);
  EXPECT_EQ(para->GetNumberID(), -1);
  EXPECT_EQ(Run("")->GetFontSize(), vn::wordmodel::kUnsetValue);
}

TEST_F(DocxPropertyReaders, ParagraphIndentSpacingAndAlignment) {
  auto p = Para(
      "<w:ind w:start=\"360\" w:left=\"720\" w:right=\"1440\" w:hanging=\"360\" w:firstLine=\"15\"/>"
      "<w:jc w:val=\"both\"/><w:spacing w:before=\"240\" w:after=\"120\" w:line=\"360\" w:lineRule=\"exact\"/>"
      "<w:keepLines/><w:contextualSpacing/><w:pageBreakBefore/>");
  EXPECT_EQ(p->GetLeftIndent(), 48);  // "w:left" is read after "w:start"
  EXPECT_EQ(p->GetRightIndent(), 96);
  EXPECT_EQ(p->GetHanging(), 24);
  EXPECT_EQ(p->GetFirstLineIndent(), 1);
  EXPECT_EQ(p->GetHAlignment(), TvnHAlignment::haJustify);
  EXPECT_EQ(p->GetSpaceBefore(), 16);
  EXPECT_EQ(p->GetSpaceAfter(), 8);
  EXPECT_EQ(p->GetLineSpacing(), 360);
  EXPECT_EQ(p->GetLineSpacingRule(), TvnSpacingRule::srExact);
  EXPECT_TRUE(p->GetKeepLinesTogetherInSamePage());
  EXPECT_TRUE(p->GetContextualSpace());
  EXPECT_TRUE(p->GetPageBreakBefore());
}

TEST_F(DocxPropertyReaders, SpacingInLinesCountsHundredthsOfALine) {
  auto p = Para("<w:spacing w:before=\"240\" w:beforeLines=\"100\" w:afterLines=\"50\"/>");
  EXPECT_EQ(p->GetSpaceBefore(), 16);  // one line of 12 points
  EXPECT_EQ(p->GetSpaceAfter(), 8);
}

TEST_F(DocxPropertyReaders, ParagraphAlignmentValues) {
  struct Case {
    const char* value;
    TvnHAlignment expected;
    bool marked;
  };
  const Case cases[] = {
      {"both", TvnHAlignment::haJustify, true},  {"distribute", TvnHAlignment::haJustify, true},
      {"center", TvnHAlignment::haCenter, true}, {"end", TvnHAlignment::haRight, true},
      {"right", TvnHAlignment::haRight, true},   {"start", TvnHAlignment::haLeft, true},
      {"numTab", TvnHAlignment::haLeft, true},   {"thaiDistribute", TvnHAlignment::haLeft, true},
  };
  for (const Case& c : cases) {
    auto p = Para(std::string("<w:jc w:val=\"") + c.value + "\"/>");
    EXPECT_EQ(p->GetHAlignment(), c.expected) << c.value;
    EXPECT_EQ(p->GetExplicitlySetParaProperties().Contains(
                  vn::wordmodel::TvnExplicitlySetParaProperty::espHAlignment),
              c.marked)
        << c.value;
  }
}

TEST_F(DocxPropertyReaders, OnOffElementsOfParagraphsReadTheirValue) {
  struct Case {
    const char* xml;
    bool page_break;
    bool keep_lines;
  };
  const Case cases[] = {
      {"<w:pageBreakBefore/><w:keepLines/>", true, true},
      {"<w:pageBreakBefore w:val=\"0\"/><w:keepLines w:val=\"false\"/>", false, false},
      {"<w:pageBreakBefore w:val=\"off\"/><w:keepLines w:val=\"off\"/>", false, false},
      {"<w:pageBreakBefore w:val=\"on\"/><w:keepLines w:val=\"1\"/>", true, true},
  };
  for (const Case& c : cases) {
    auto p = Para(c.xml);
    EXPECT_EQ(p->GetPageBreakBefore(), c.page_break) << c.xml;
    EXPECT_EQ(p->GetKeepLinesTogetherInSamePage(), c.keep_lines) << c.xml;
  }
}

TEST_F(DocxPropertyReaders, ABadNumberEndsOnlyItsOwnParagraphStep) {
  auto p = Para(
      "<w:pStyle w:val=\"Heading1\"/><w:ind w:left=\"wide\" w:right=\"720\"/>"
      "<w:spacing w:after=\"240\"/><w:numPr><w:ilvl w:val=\"1\"/><w:numId w:val=\"3\"/></w:numPr>"
      "<w:tabs><w:tab w:val=\"center\" w:pos=\"1440\" w:leader=\"dot\"/><w:tab w:val=\"end\" w:pos=\"x\"/></w:tabs>");
  EXPECT_EQ(p->GetStyleID(), u"Heading1");
  EXPECT_EQ(p->GetLeftIndent(), vn::wordmodel::kUnsetValue);
  EXPECT_EQ(p->GetRightIndent(), vn::wordmodel::kUnsetValue);  // the step ended at "w:left"
  EXPECT_EQ(p->GetSpaceAfter(), 16);
  EXPECT_EQ(p->GetNumberLevel(), 1);
  EXPECT_EQ(p->GetNumberID(), 3);
  ASSERT_EQ(p->GetTabs().size(), 2u);
  EXPECT_EQ(p->GetTabs()[0]->GetTabStopValue(), TvnTabStopValue::tsvCenter);
  EXPECT_EQ(p->GetTabs()[0]->GetPosition(), 96);
  EXPECT_EQ(p->GetTabs()[0]->GetLeadingChar(), TvnTabStopChar::tscDot);
  EXPECT_EQ(p->GetTabs()[1]->GetTabStopValue(), TvnTabStopValue::tsvEnd);  // read before the bad position
  EXPECT_EQ(warnings_.Count(), 2u) << warnings_.Summary();
}

TEST_F(DocxPropertyReaders, RunSizesStylesAndTheirMarks) {
  struct Case {
    const char* xml;
    int32_t size;
    bool bold, italic, underline, strike;
    bool bold_marked;
  };
  const Case cases[] = {
      {"<w:sz w:val=\"21\"/>", 10, false, false, false, false, false},
      {"<w:sz w:val=\"23\"/>", 12, false, false, false, false, false},
      {"<w:sz w:val=\"24\"/><w:b/><w:i/>", 12, true, true, false, false, true},
      {"<w:b w:val=\"0\"/>", vn::wordmodel::kUnsetValue, false, false, false, false, true},
      {"<w:b w:val=\"off\"/><w:i w:val=\"false\"/>", vn::wordmodel::kUnsetValue, false, false, false, false, true},
      {"<w:b w:val=\"on\"/><w:strike/>", vn::wordmodel::kUnsetValue, true, false, false, true, true},
      {"<w:u w:val=\"none\"/>", vn::wordmodel::kUnsetValue, false, false, false, false, false},
      {"<w:u w:val=\"double\"/>", vn::wordmodel::kUnsetValue, false, false, true, false, false},
      {"<w:u w:val=\"wave\"/>", vn::wordmodel::kUnsetValue, false, false, true, false, false},
  };
  for (const Case& c : cases) {
    auto r = Run(c.xml);
    EXPECT_EQ(r->GetFontSize(), c.size) << c.xml;
    EXPECT_EQ(r->GetFontStyle().Contains(TvnFontStyle::fsBold), c.bold) << c.xml;
    EXPECT_EQ(r->GetFontStyle().Contains(TvnFontStyle::fsItalic), c.italic) << c.xml;
    EXPECT_EQ(r->GetFontStyle().Contains(TvnFontStyle::fsUnderline), c.underline) << c.xml;
    EXPECT_EQ(r->GetFontStyle().Contains(TvnFontStyle::fsStrikeOut), c.strike) << c.xml;
    EXPECT_EQ(r->GetExplicitlySetVal().Contains(TvnExplicitlySetValue::esvBold), c.bold_marked) << c.xml;
  }
}

TEST_F(DocxPropertyReaders, RunColoursHighlightsAndAlignment) {
  auto automatic = Run("<w:color w:val=\"auto\"/>");
  EXPECT_EQ(automatic->GetBrush()->GetColor(), (TvnRGBColor{0, 0, 0}));
  EXPECT_TRUE(automatic->GetExplicitlySetVal().Contains(TvnExplicitlySetValue::esvTextColor));
  EXPECT_EQ(Run("<w:color w:val=\"FF0000\"/>")->GetBrush()->GetColor(), (TvnRGBColor{255, 0, 0}));

  auto yellow = Run("<w:highlight w:val=\"darkYellow\"/>");
  EXPECT_TRUE(yellow->GetIsHighLightColor());
  EXPECT_EQ(yellow->GetHighLightColor(), (TvnRGBColor{128, 128, 0}));
  EXPECT_FALSE(Run("<w:highlight w:val=\"none\"/>")->GetIsHighLightColor());
  EXPECT_FALSE(Run("<w:highlight w:val=\"ochre\"/>")->GetIsHighLightColor());

  EXPECT_EQ(Run("<w:vertAlign w:val=\"superscript\"/>")->GetTextAlignment(), TvnTextAlignment::taSuperscript);
  EXPECT_EQ(Run("<w:vertAlign w:val=\"subscript\"/>")->GetTextAlignment(), TvnTextAlignment::taSubscript);
  auto styled = Run("<w:rStyle w:val=\"Strong\"/><w:caps/><w:tab/>");
  EXPECT_EQ(styled->GetStyleID(), u"Strong");
  EXPECT_TRUE(styled->GetCaps());
  EXPECT_TRUE(styled->GetTab());
}

TEST_F(DocxPropertyReaders, ABadNumberStopsTheRunReadingKeepingWhatCameBefore) {
  auto r = Run("<w:b/><w:sz w:val=\"big\"/><w:i/><w:color w:val=\"00FF00\"/>");
  EXPECT_FALSE(r->GetFontStyle().Contains(TvnFontStyle::fsBold));  // "w:b" comes after "w:sz"
  EXPECT_EQ(r->GetFontSize(), vn::wordmodel::kUnsetValue);
  EXPECT_EQ(r->GetBrush()->GetColor(), (TvnRGBColor{0, 0, 0}));
  auto early = Run("<w:vertAlign w:val=\"superscript\"/><w:sz w:val=\"big\"/>");
  EXPECT_EQ(early->GetTextAlignment(), TvnTextAlignment::taSuperscript);
  EXPECT_EQ(warnings_.Count(), 2u);
}

TEST_F(DocxPropertyReaders, RunFontsAndThemeFonts) {
  auto both = Run("<w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Times\" w:cs=\"Mangal\" w:eastAsia=\"SimSun\"/>");
  EXPECT_EQ(both->GetFontName(), u"Arial");
  EXPECT_EQ(both->GetASCII(), u"Arial");
  EXPECT_EQ(both->GetANSI(), u"Arial");
  EXPECT_EQ(both->GetCS(), u"Mangal");
  EXPECT_EQ(both->GetEastAsia(), u"SimSun");

  const std::string theme = "<w:rFonts w:hAnsiTheme=\"minorHAnsi\" w:hAnsi=\"Times\"/>";
  EXPECT_EQ(Run(theme)->GetFontName(), u"Times");  // no minor latin font yet
  mediator_.GetMinorFontGroup()[u"latin"] = {u"Calibri", u"latin"};
  auto themed = Run(theme);
  EXPECT_EQ(themed->GetFontName(), u"Calibri");
  EXPECT_EQ(themed->GetANSI(), u"Calibri");
  mediator_.GetMajorFontGroup()[u"latin"] = {u"Cambria", u"latin"};
  EXPECT_EQ(Run("<w:rFonts w:ascii=\"Arial\" w:eastAsiaTheme=\"majorHAnsi\"/>")->GetFontName(), u"Cambria");
}

TEST_F(DocxPropertyReaders, BorderWidthsColoursAndStyles) {
  struct Case {
    const char* attributes;
    int32_t width;
    TvnRGBColor color;
    int32_t space;
  };
  const Case cases[] = {
      {"w:val=\"single\" w:sz=\"4\"", 2, {0, 0, 0}, 0},
      {"w:val=\"single\" w:sz=\"12\" w:color=\"FF0000\" w:space=\"3\"", 3, {255, 0, 0}, 4},
      {"w:val=\"double\" w:sz=\"24\" w:color=\"auto\"", 4, {0, 0, 0}, 0},
      {"w:val=\"single\" w:sz=\"0\"", 0, {0, 0, 0}, 0},
      {"w:val=\"none\" w:sz=\"24\"", 0, {0, 0, 0}, 0},
      {"w:val=\"nil\" w:sz=\"24\"", 0, {0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    auto b = Border(c.attributes);
    EXPECT_EQ(b->GetBorderWidth(), c.width) << c.attributes;
    EXPECT_EQ(b->GetColor(), c.color) << c.attributes;
    EXPECT_EQ(b->GetSpace(), c.space) << c.attributes;
  }
  EXPECT_TRUE(Border("w:shadow=\"TRUE\"")->GetShadow());
  EXPECT_TRUE(Border("w:shadow=\"on\"")->GetShadow());
  EXPECT_FALSE(Border("w:shadow=\"False\"")->GetShadow());
  auto para = Para("<w:pBdr><w:top w:val=\"single\" w:sz=\"4\"/><w:between w:val=\"single\" w:sz=\"8\"/></w:pBdr>");
  ASSERT_NE(para->GetParaBorder(), nullptr);
  EXPECT_EQ(para->GetParaBorder()->GetTop()->GetBorderWidth(), 2);
  EXPECT_EQ(para->GetParaBorder()->GetBetween()->GetBorderWidth(), 2);
  EXPECT_EQ(para->GetParaBorder()->GetLeft(), nullptr);
}

TEST_F(DocxPropertyReaders, TableProperties) {
  Snippet xml(
      "<w:tblPr><w:tblStyle w:val=\"Grid\"/><w:jc w:val=\"center\"/><w:tblW w:w=\"5000\" w:type=\"pct\"/>"
      "<w:tblInd w:w=\"720\" w:type=\"dxa\"/><w:tblCaption w:val=\"Prices\"/>"
      "<w:tblpPr w:horzAnchor=\"page\" w:vertAnchor=\"text\" w:tblpX=\"1440\" w:tblpY=\"720\"/>"
      "<w:tblBorders><w:top w:val=\"single\" w:sz=\"4\"/><w:top w:val=\"single\" w:sz=\"24\"/>"
      "<w:insideV w:val=\"single\" w:sz=\"12\"/></w:tblBorders>"
      "<w:tblLook w:firstRow=\"1\" w:lastRow=\"0\" w:noHBand=\"0\" w:noVBand=\"1\"/>"
      "<w:tblCellMar><w:top w:w=\"15\"/><w:left w:w=\"108\" w:type=\"dxa\"/><w:start w:w=\"999\"/></w:tblCellMar>"
      "<w:shd w:val=\"clear\" w:fill=\"00FF00\"/></w:tblPr>");
  auto t = helper_.GetTableProperties(xml.Root());
  EXPECT_EQ(t->GetStyleID(), u"Grid");
  EXPECT_EQ(t->GetTableAlignment(), TvnHAlignment::haCenter);
  EXPECT_EQ(t->GetTableWidth(), 5000);
  EXPECT_EQ(t->GetWidthType(), TvnWidthType::wtPercent);
  EXPECT_EQ(t->GetIndent(), 48);
  EXPECT_EQ(t->GetTableCaption(), u"Prices");
  EXPECT_TRUE(t->GetIsFloatingTable());
  EXPECT_EQ(t->GetHorizontalAnchor(), vn::wordmodel::TvnTableAnchor::taPage);
  EXPECT_EQ(t->GetVerticalAnchor(), vn::wordmodel::TvnTableAnchor::taText);
  EXPECT_EQ(t->GetXPos(), 96);
  EXPECT_EQ(t->GetYPos(), 48);
  // A side given twice keeps its first line.
  ASSERT_EQ(t->GetBorders().size(), 2u);
  EXPECT_EQ(t->GetBorders().at(TvnBorderType::Top)->GetBorderWidth(), 2);
  EXPECT_EQ(t->GetBorders().at(TvnBorderType::InsideV)->GetBorderWidth(), 3);
  EXPECT_NE(warnings_.Summary().find("given twice"), std::string::npos);
  const auto& look = t->GetLook();
  EXPECT_TRUE(look.at(TvnTableRegions::trFirstRow));
  EXPECT_FALSE(look.at(TvnTableRegions::trLastRow));
  EXPECT_TRUE(look.at(TvnTableRegions::trBandedRows));
  EXPECT_TRUE(look.at(TvnTableRegions::trEvenRowBanding));
  EXPECT_FALSE(look.at(TvnTableRegions::trBandedColumns));
  EXPECT_FALSE(look.count(TvnTableRegions::trFirstColumn));
  ASSERT_NE(t->GetMargins(), nullptr);
  EXPECT_EQ(t->GetMargins()->GetTop(), 1);
  EXPECT_EQ(t->GetMargins()->GetLeft(), 7);
  EXPECT_EQ(t->GetMargins()->GetRight(), 0);
  EXPECT_EQ(t->GetFillColor(), (TvnRGBColor{0, 255, 0}));
  EXPECT_TRUE(t->GetShadeApplied());
}

TEST_F(DocxPropertyReaders, TableWidthsByType) {
  struct Case {
    const char* xml;
    int32_t width;
    TvnWidthType type;
  };
  const Case cases[] = {
      {"<w:tcPr><w:tcW w:w=\"2500\" w:type=\"pct\"/></w:tcPr>", 2500, TvnWidthType::wtPercent},
      {"<w:tcPr><w:tcW w:w=\"2880\" w:type=\"dxa\"/></w:tcPr>", 192, TvnWidthType::wtUnits},
      {"<w:tcPr><w:tcW w:w=\"0\" w:type=\"auto\"/></w:tcPr>", 0, TvnWidthType::wtAuto},
      {"<w:tcPr><w:tcW w:w=\"0\" w:type=\"nil\"/></w:tcPr>", 0, TvnWidthType::wtAuto},
      // Newer writers put a percent sign in; the width step ends, the rest reads.
      {"<w:tcPr><w:tcW w:w=\"50%\" w:type=\"pct\"/><w:noWrap/></w:tcPr>", 0, TvnWidthType::wtAuto},
  };
  for (const Case& c : cases) {
    Snippet xml(c.xml);
    auto cell = helper_.GetCellProperties(xml.Root());
    EXPECT_EQ(cell->GetWidth(), c.width) << c.xml;
    EXPECT_EQ(cell->GetWidthType(), c.type) << c.xml;
  }
  Snippet table("<w:tblPr><w:tblW w:w=\"0\" w:type=\"nil\"/></w:tblPr>");
  EXPECT_EQ(helper_.GetTableProperties(table.Root())->GetWidthType(), TvnWidthType::wtNoWidth);
}

TEST_F(DocxPropertyReaders, RowProperties) {
  Snippet xml(
      "<w:trPr><w:trHeight w:val=\"400\"/><w:jc w:val=\"end\"/><w:gridBefore w:val=\"1\"/>"
      "<w:gridAfter w:val=\"2\"/><w:tblCellSpacing w:w=\"30\" w:type=\"dxa\"/><w:tblHeader/>"
      "<w:cnfStyle w:firstRow=\"1\" w:oddHBand=\"true\" w:lastRow=\"0\"/><w:cantSplit/></w:trPr>");
  auto row = helper_.GetRowProperties(xml.Root());
  EXPECT_EQ(row->GetHeight(), 400);  // twips, as written
  EXPECT_EQ(row->GetHeightSpacingRule(), TvnSpacingRule::srAtleast);
  EXPECT_EQ(row->GetTableRowAlignment(), TvnHAlignment::haRight);
  EXPECT_EQ(row->GetGridBefore(), 1);
  EXPECT_EQ(row->GetGridAfter(), 2);
  EXPECT_EQ(row->GetCellSpacing(), 2);
  EXPECT_EQ(row->GetCellSpacingRule(), TvnWidthType::wtUnits);
  EXPECT_TRUE(row->GetIsHeader());
  EXPECT_TRUE(row->GetCantSplit());
  EXPECT_EQ(row->GetCNFStyles().size(), 2u);
  EXPECT_TRUE(row->GetCNFStyles().at(TvnTableRegions::trFirstRow));
  EXPECT_TRUE(row->GetCNFStyles().at(TvnTableRegions::trBandedRows));

  Snippet exact("<w:trPr><w:trHeight w:val=\"300\" w:hRule=\"exact\"/><w:tblHeader w:val=\"0\"/></w:trPr>");
  auto exact_row = helper_.GetRowProperties(exact.Root());
  EXPECT_EQ(exact_row->GetHeightSpacingRule(), TvnSpacingRule::srExact);
  EXPECT_FALSE(exact_row->GetIsHeader());
}

TEST_F(DocxPropertyReaders, CellProperties) {
  Snippet xml(
      "<w:tcPr><w:vAlign w:val=\"center\"/><w:gridSpan w:val=\"3\"/><w:tcFitText/>"
      "<w:textDirection w:val=\"tbV\"/><w:shd w:val=\"pct25\" w:color=\"auto\" w:fill=\"FF0000\"/>"
      "<w:tcBorders><w:bottom w:val=\"single\" w:sz=\"8\" w:color=\"0000FF\"/></w:tcBorders>"
      "<w:tcMar><w:left w:w=\"60\"/><w:bottom w:w=\"30\"/></w:tcMar><w:vMerge/></w:tcPr>");
  auto cell = helper_.GetCellProperties(xml.Root());
  EXPECT_EQ(cell->GetCellVerticalAlignment(), vn::wordmodel::TvnVAlignment::vaCenter);
  EXPECT_EQ(cell->GetGridSpan(), 3);
  EXPECT_TRUE(cell->GetFitWidth());
  EXPECT_EQ(cell->GetTextDirection(), vn::wordmodel::TvnTextDirection::tdTopToBottomRotated);
  EXPECT_EQ(cell->GetFillColor(), (TvnRGBColor{0, 0, 0}));  // a pattern shows its colour
  EXPECT_EQ(cell->GetBorders().at(TvnBorderType::Bottom)->GetColor(), (TvnRGBColor{0, 0, 255}));
  EXPECT_EQ(cell->GetVMergeCells(), TvnMergeCellsOption::mcoContinue);
  ASSERT_NE(cell->GetCellMargins(), nullptr);
  EXPECT_EQ(cell->GetCellMargins()->GetLeft(), 4);
  EXPECT_EQ(cell->GetCellMargins()->GetBottom(), 2);

  struct Merge {
    const char* xml;
    TvnMergeCellsOption expected;
  };
  const Merge merges[] = {
      {"<w:tcPr><w:vMerge w:val=\"restart\"/></w:tcPr>", TvnMergeCellsOption::mcoRestart},
      {"<w:tcPr><w:vMerge w:val=\"continue\"/></w:tcPr>", TvnMergeCellsOption::mcoContinue},
      {"<w:tcPr><w:vMerge w:val=\"other\"/></w:tcPr>", TvnMergeCellsOption::mcoNone},
  };
  for (const Merge& m : merges) {
    Snippet merge(m.xml);
    EXPECT_EQ(helper_.GetCellProperties(merge.Root())->GetVMergeCells(), m.expected) << m.xml;
  }
  Snippet fill(
      "<w:tcPr><w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"auto\"/><w:tcFitText w:val=\"off\"/></w:tcPr>");
  auto plain = helper_.GetCellProperties(fill.Root());
  EXPECT_EQ(plain->GetFillColor(), (TvnRGBColor{255, 255, 255}));
  EXPECT_FALSE(plain->GetFitWidth());
}

}  // namespace property_readers_test
