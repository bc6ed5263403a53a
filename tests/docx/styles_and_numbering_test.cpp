// The styles and numbering readers over small packages in memory.
#include <gtest/gtest.h>

#include "docx/docx_parser.h"
#include "docx_reader_support.h"
#include "docx_test_support.h"
#include "wordmodel/numbering.h"
#include "wordmodel/style.h"
#include "wordmodel/table_style.h"

namespace vn::docx::styles_and_numbering_test {

using namespace vn::docx::testing;
using wordmodel::TvnHAlignment;
using wordmodel::TvnNumFmt;
using wordmodel::TvnNumType;
using wordmodel::TvnStyleType;
using wordmodel::TvnTableRegions;
using wordmodel::TvnTableStyle;

std::string StylesPart(const std::string& ABody) { return "<w:styles xmlns:w=\"w\">" + ABody + "</w:styles>"; }
std::string NumberingPart(const std::string& ABody) { return "<w:numbering xmlns:w=\"w\">" + ABody + "</w:numbering>"; }

DocxParts WithStyles(const std::string& AStyles) {
  DocxParts parts;
  parts.document = DocumentWithBody("<w:p/>");
  parts.styles = StylesPart(AStyles);
  return parts;
}

DocxParts WithNumbering(const std::string& ANumbering, const std::string& AStyles = "") {
  DocxParts parts = WithStyles(AStyles);
  parts.numbering = NumberingPart(ANumbering);
  return parts;
}

TEST(DocxStyleReader, StylesAreReadInDocumentOrderWithTheirFields) {
  OpenedReader opened(
      WithStyles("<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Body\"><w:name w:val=\"Body Text\"/>"
                 "<w:basedOn w:val=\"Base\"/><w:next w:val=\"Body2\"/><w:link w:val=\"BodyChar\"/>"
                 "<w:pPr><w:jc w:val=\"center\"/></w:pPr><w:rPr><w:b/></w:rPr></w:style>"
                 "<w:style w:type=\"character\" w:styleId=\"BodyChar\"/>"
                 "<w:style w:type=\"numbering\" w:styleId=\"Outline\"/>"
                 "<w:style w:type=\"paragraph\"><w:name w:val=\"no id\"/></w:style>"
                 "<w:style w:type=\"strange\" w:styleId=\"Skipped\"/><w:style w:styleId=\"NoType\"/>"));
  ASSERT_NE(opened.Reader().StyleParser(), nullptr);
  const TvnStyleList styles = opened.Reader().StyleParser()->GetEnumerator();
  ASSERT_EQ(styles.size(), 4u);
  const TvnStyle& body = *styles[0];
  EXPECT_EQ(body.GetStyleID(), u"Body");
  EXPECT_EQ(body.GetStyleType(), TvnStyleType::stParagraph);
  EXPECT_TRUE(body.GetDefaultStyle());
  EXPECT_EQ(body.GetStyleName(), u"Body Text");
  EXPECT_EQ(body.GetBasedOn(), u"Base");
  EXPECT_EQ(body.GetNext(), u"Body2");
  EXPECT_EQ(body.GetLink(), u"BodyChar");
  EXPECT_NE(body.GetParagraphProperties(), nullptr);
  EXPECT_NE(body.GetRunProperties(), nullptr);
  EXPECT_EQ(styles[1]->GetStyleType(), TvnStyleType::stCharecter);
  EXPECT_EQ(styles[1]->GetParagraphProperties(), nullptr);
  EXPECT_EQ(styles[2]->GetStyleType(), TvnStyleType::stNumbering);
  // A style without an identifier is "Normal".
  EXPECT_EQ(styles[3]->GetStyleID(), u"Normal");
}

TEST(DocxStyleReader, TheDefaultMarkIsAnOnOffValue) {
  const std::pair<const char*, bool> cases[] = {
      {"", false},
      {" w:default=\"1\"", true},
      {" w:default=\"true\"", true},
      {" w:default=\"on\"", true},
      {" w:default=\"0\"", false},
      {" w:default=\"false\"", false},
      {" w:default=\"off\"", false},
  };
  for (const auto& [attribute, expected] : cases) {
    SCOPED_TRACE(attribute);
    OpenedReader opened(WithStyles(std::string("<w:style w:type=\"paragraph\" w:styleId=\"S\"") + attribute + "/>"));
    const TvnStyleList styles = opened.Reader().StyleParser()->GetEnumerator();
    ASSERT_EQ(styles.size(), 1u);
    EXPECT_EQ(styles[0]->GetDefaultStyle(), expected);
  }
}

TEST(DocxStyleReader, TableStylesKeepTheLastConditionalStyleOfARegion) {
  OpenedReader opened(
      WithStyles("<w:style w:type=\"table\" w:styleId=\"Grid\"><w:tblPr><w:tblInd w:w=\"0\" w:type=\"dxa\"/></w:tblPr>"
                 "<w:tcPr><w:noWrap/></w:tcPr>"
                 "<w:tblStylePr w:type=\"firstRow\"><w:rPr><w:i/></w:rPr></w:tblStylePr>"
                 "<w:tblStylePr w:type=\"firstRow\"><w:rPr><w:b/></w:rPr><w:trPr><w:tblHeader/></w:trPr></w:tblStylePr>"
                 "<w:tblStylePr w:type=\"seCell\"/><w:tblStylePr w:type=\"unknown\"/><w:tblStylePr/></w:style>"));
  const TvnStyleList styles = opened.Reader().StyleParser()->GetEnumerator();
  ASSERT_EQ(styles.size(), 1u);
  const auto* table = dynamic_cast<const TvnTableStyle*>(styles[0].get());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->GetStyleType(), TvnStyleType::stTable);
  EXPECT_NE(table->GetTableProperties(), nullptr);
  EXPECT_NE(table->GetTableCellProperties(), nullptr);
  ASSERT_EQ(table->GetConditionalStyles().size(), 2u);
  const auto& first_row = table->GetConditionalStyles().at(TvnTableRegions::trFirstRow);
  ASSERT_NE(first_row->GetRunProperties(), nullptr);
  // The second firstRow entry (bold, with row properties) replaced the first.
  EXPECT_NE(first_row->GetTableRowProperties(), nullptr);
  EXPECT_TRUE(table->GetConditionalStyles().count(TvnTableRegions::trBottomRight));
}

TEST(DocxStyleReader, DocumentDefaultsNeedTheirWholePath) {
  OpenedReader full(
      WithStyles("<w:docDefaults><w:rPrDefault><w:rPr><w:sz w:val=\"22\"/></w:rPr></w:rPrDefault>"
                 "<w:pPrDefault><w:pPr><w:spacing w:after=\"160\"/></w:pPr></w:pPrDefault>"
                 "</w:docDefaults>"));
  EXPECT_NE(full.Reader().StyleParser()->GetDocDefaultParagraphStyle(), nullptr);
  EXPECT_NE(full.Reader().StyleParser()->GetDocDefaultRunStyle(), nullptr);
  OpenedReader partial(
      WithStyles("<w:docDefaults><w:rPrDefault/><w:pPrDefault><w:pPr/></w:pPrDefault></w:docDefaults>"));
  EXPECT_NE(partial.Reader().StyleParser()->GetDocDefaultParagraphStyle(), nullptr);
  EXPECT_EQ(partial.Reader().StyleParser()->GetDocDefaultRunStyle(), nullptr);
}

// An abstract definition 3 with two levels, and a concrete list over it.
const char* const kAbstractThree =
    "<w:abstractNum w:abstractNumId=\"3\"><w:multiLevelType w:val=\"multilevel\"/>"
    "<w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/>"
    "<w:lvlJc w:val=\"left\"/><w:pPr><w:ind w:left=\"720\"/></w:pPr></w:lvl>"
    "<w:lvl w:ilvl=\"1\"><w:start w:val=\"2\"/><w:numFmt w:val=\"lowerLetter\"/><w:lvlText w:val=\"%2)\"/>"
    "<w:pStyle w:val=\"ListTwo\"/></w:lvl></w:abstractNum>";

TEST(DocxNumberingReader, LevelsAreReadFromTheirElements) {
  struct Case {
    std::string level;
    TvnNumFmt format;
    std::u16string text;
    TvnHAlignment alignment;
  };
  const Case cases[] = {
      {"<w:numFmt w:val=\"upperRoman\"/><w:lvlText w:val=\"%1.\"/><w:lvlJc w:val=\"center\"/>", TvnNumFmt::nfUpperRoman,
       u"%1.", TvnHAlignment::haCenter},
      {"<w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"\xEF\x82\xB7\"/><w:lvlJc w:val=\"end\"/>", TvnNumFmt::nfBullet,
       u"\uF0B7", TvnHAlignment::haRight},
      // A character reference left as written is the character it names,
      // unless something follows the ";".
      {"<w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"&amp;#xF0B7;\"/>", TvnNumFmt::nfBullet, u"\uF0B7",
       TvnHAlignment::haLeft},
      {"<w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"&amp;#xF0B7;x\"/>", TvnNumFmt::nfBullet, u"&#xF0B7;x",
       TvnHAlignment::haLeft},
      {"<w:numFmt w:val=\"cardinalText\"/><w:lvlJc w:val=\"both\"/>", TvnNumFmt::nfCardinalText, u"",
       TvnHAlignment::haJustify},
      {"<w:numFmt w:val=\"ordinal\"/><w:lvlText w:val=\"%1\"/>", TvnNumFmt::nfDecimal, u"%1", TvnHAlignment::haLeft},
      // A level without a number shows its text without the number.
      {"<w:numFmt w:val=\"none\"/><w:lvlText w:val=\"(%1)\"/>", TvnNumFmt::nfDecimal, u"()", TvnHAlignment::haLeft},
      // A picture bullet has no text.
      {"<w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"o\"/><w:lvlPicBulletId w:val=\"0\"/>", TvnNumFmt::nfBullet, u"",
       TvnHAlignment::haLeft},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    OpenedReader opened(WithNumbering("<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\">" + c.level +
                                      "</w:lvl></w:abstractNum>"));
    opened.Initialize();
    const TvnNumber* number = opened.Mediator().FindAbstractNumber(1);
    ASSERT_NE(number, nullptr);
    const TvnNumberLevel* level = number->GetNumberingLevel(0);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->GetNumberFormat(), c.format);
    EXPECT_EQ(level->GetLevelText(), c.text);
    EXPECT_EQ(level->GetHAlignment(), c.alignment);
  }
}

TEST(DocxNumberingReader, AnOverrideCopiesTheAbstractLevelAndChangesOnlyTheCopy) {
  OpenedReader opened(WithNumbering(
      std::string(kAbstractThree) +
      "<w:num w:numId=\"7\"><w:abstractNumId w:val=\"3\"/>"
      "<w:lvlOverride w:ilvl=\"1\"><w:lvl w:ilvl=\"1\"><w:start w:val=\"5\"/><w:pStyle w:val=\"Other\"/></w:lvl>"
      "</w:lvlOverride>"
      "<w:lvlOverride w:ilvl=\"4\"><w:lvl w:ilvl=\"4\"><w:start w:val=\"9\"/></w:lvl></w:lvlOverride>"
      "<w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"3\"/></w:lvlOverride></w:num>"
      "<w:num w:numId=\"8\"><w:abstractNumId w:val=\"3\"/></w:num>"));
  opened.Initialize();
  const TvnNumber* concrete = opened.Mediator().FindNumber(7);
  ASSERT_NE(concrete, nullptr);
  EXPECT_EQ(concrete->GetNumberType(), TvnNumType::ntConcrete);
  EXPECT_EQ(concrete->GetDependentID(), 3);
  // Only the override of an existing level with a "w:lvl" gives a level.
  ASSERT_EQ(concrete->GetNumberingLevels().size(), 1u);
  const TvnNumberLevel* copy = concrete->GetNumberingLevel(1);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetStartValue(), 5);
  EXPECT_EQ(copy->GetNumberFormat(), TvnNumFmt::nfLowerLetter);
  EXPECT_EQ(copy->GetLevelText(), u"%2)");
  EXPECT_EQ(copy->GetStyleID(), u"ListTwo");  // the override's style is not read
  const TvnNumber* abstract = opened.Mediator().FindAbstractNumber(3);
  ASSERT_NE(abstract, nullptr);
  EXPECT_EQ(abstract->GetNumberType(), TvnNumType::ntAbstract);
  EXPECT_EQ(abstract->GetNumberingLevel(1)->GetStartValue(), 2);
  EXPECT_NE(abstract->GetNumberingLevel(0)->GetParagraphProperties(), nullptr);
  // A list without overrides has no levels of its own.
  ASSERT_NE(opened.Mediator().FindNumber(8), nullptr);
  EXPECT_TRUE(opened.Mediator().FindNumber(8)->GetNumberingLevels().empty());
}

TEST(DocxNumberingReader, BrokenDefinitionsAreDroppedAndTheRestRead) {
  OpenedReader opened(WithNumbering(
      std::string(kAbstractThree) +
      // A level whose value is not a number is dropped; its definition stays.
      "<w:abstractNum w:abstractNumId=\"4\"><w:lvl w:ilvl=\"x\"/><w:lvl w:ilvl=\"2\"/></w:abstractNum>"
      "<w:abstractNum w:abstractNumId=\"five\"/>"
      // A repeated identifier keeps the first definition.
      "<w:abstractNum w:abstractNumId=\"3\"><w:lvl w:ilvl=\"6\"/></w:abstractNum>"
      "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"3\"/></w:num>"
      "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"4\"/></w:num>"
      // An override of a definition that is not in the part.
      "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"42\"/><w:lvlOverride><w:lvl/></w:lvlOverride></w:num>"
      "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"x\"/></w:num>"));
  opened.Initialize();
  auto& abstracts = opened.Mediator().GetAbstractNumbers();
  ASSERT_EQ(abstracts.size(), 2u);
  EXPECT_EQ(abstracts.at(3)->GetNumberingLevels().size(), 2u);
  ASSERT_EQ(abstracts.at(4)->GetNumberingLevels().size(), 1u);
  EXPECT_NE(abstracts.at(4)->GetNumberingLevel(2), nullptr);
  auto& concretes = opened.Mediator().GetConcreteNumbers();
  ASSERT_EQ(concretes.size(), 1u);
  EXPECT_EQ(concretes.at(1)->GetDependentID(), 3);
  EXPECT_GE(opened.Warnings().Count(), 5u);
}

TEST(DocxNumberingReader, AbstractDefinitionsLinkTheirNumberingStyle) {
  OpenedReader opened(
      WithNumbering("<w:abstractNum w:abstractNumId=\"0\"><w:numStyleLink w:val=\"Outline\"/></w:abstractNum>"
                    "<w:abstractNum w:abstractNumId=\"1\"><w:numStyleLink w:val=\"Missing\"/></w:abstractNum>",
                    "<w:style w:type=\"numbering\" w:styleId=\"Outline\"/>"));
  opened.Initialize();
  const TvnNumber* linked = opened.Mediator().FindAbstractNumber(0);
  ASSERT_NE(linked, nullptr);
  ASSERT_NE(linked->GetLinkedStyle(), nullptr);
  EXPECT_EQ(linked->GetLinkedStyle()->GetStyleID(), u"Outline");
  EXPECT_EQ(opened.Mediator().FindAbstractNumber(1)->GetLinkedStyle(), nullptr);
}

TEST(DocxNumberingReader, FreshListsAreReadWithoutRegistering) {
  OpenedReader opened(
      WithNumbering(std::string(kAbstractThree) + "<w:num w:numId=\"7\"><w:abstractNumId w:val=\"3\"/></w:num>"));
  TvnDOCXNumberParser& numbers = *opened.Reader().NumberParser();
  const wordmodel::TvnNumberList abstracts = numbers.AbstractNumbers();
  ASSERT_EQ(abstracts.size(), 1u);
  EXPECT_EQ(abstracts[0]->GetNumberID(), 3);
  ASSERT_EQ(numbers.ConcreteNumbers().size(), 1u);
  EXPECT_TRUE(opened.Mediator().GetAbstractNumbers().empty());
  EXPECT_TRUE(opened.Mediator().GetConcreteNumbers().empty());
}

}  // namespace vn::docx::styles_and_numbering_test
