// The builder over small WordprocessingML snippets. Items are described as
// text: P{...} a paragraph, R(...) a run with 'text' items and <break>s,
// F[instruction|result runs] a field, T[rows] a table, IMG a picture and
// BOX{...} a text box.
#include <gtest/gtest.h>

#include "docx/docx_helper.h"
#include "docx_test_support.h"
#include "runtime/diagnostics.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/fields.h"
#include "wordmodel/text_item.h"

namespace document_builder_test {

using namespace vn::docx;
using vn::docx::testing::Snippet;
using vn::framework::TvnDocItem;
using vn::wordmodel::TvnBreak;
using vn::wordmodel::TvnBreakType;
using vn::wordmodel::TvnField;
using vn::wordmodel::TvnTextitem;

std::string Describe(const TvnDocItem* AItem);

std::string DescribeChildren(const vn::framework::TvnCompositeDocItem& AItem) {
  std::string out;
  for (const auto& child : AItem.GetItems()) {
    if (!out.empty()) out += " ";
    out += Describe(child.get());
  }
  return out;
}

std::string BreakName(TvnBreakType AType) {
  switch (AType) {
    case TvnBreakType::btLine: return "<line>";
    case TvnBreakType::btPage: return "<page>";
    case TvnBreakType::btColumn: return "<column>";
    case TvnBreakType::btTab: return "<tab>";
    case TvnBreakType::btPara: return "<para>";
    case TvnBreakType::btNone: return "<none>";
  }
  return "<?>";
}

std::string Describe(const TvnDocItem* AItem) {
  if (AItem == nullptr) return "null";
  if (auto* text = dynamic_cast<const TvnTextitem*>(AItem)) return "'" + vn::ToUtf8(text->GetText()) + "'";
  if (auto* br = dynamic_cast<const TvnBreak*>(AItem)) return BreakName(br->GetBreakType());
  if (auto* field = dynamic_cast<const TvnField*>(AItem)) {
    std::string out = "F[" + vn::ToUtf8(field->GetFieldCode()->GetInstruction()) + "|";
    if (field->GetResult() != nullptr) {
      for (const auto& run : *field->GetResult()) out += Describe(run.get());
    }
    return out + "]";
  }
  if (dynamic_cast<const TvnWordImage*>(AItem) != nullptr) return "IMG";
  if (auto* box = dynamic_cast<const TvnTextBox*>(AItem)) return "BOX{" + DescribeChildren(*box) + "}";
  if (auto* table = dynamic_cast<const TvnTable*>(AItem)) {
    std::string out = "T[";
    for (const auto& row : table->GetRows()) {
      out += "(";
      for (const auto& cell : row->GetCells()) {
        out += "<";
        for (const auto& item : cell->GetDocItems()) out += Describe(item.get());
        out += ">";
      }
      out += ")";
    }
    return out + "]";
  }
  if (auto* para = dynamic_cast<const TvnParagraph*>(AItem)) return "P{" + DescribeChildren(*para) + "}";
  if (auto* run = dynamic_cast<const TvnRun*>(AItem)) return "R(" + DescribeChildren(*run) + ")";
  return "?";
}

class DocxBuilder : public ::testing::Test {
 protected:
  std::unique_ptr<TvnDocItem> Build(const std::string& AXml) {
    Snippet xml(AXml);
    return helper_.GetParsedDocItem(xml.Root(), &mediator_, nullptr, mediator_.GetResourceCollection(), nullptr,
                                    nullptr, nullptr, nullptr);
  }
  std::string Built(const std::string& AXml) { return Describe(Build(AXml).get()); }

  vn::Diagnostics warnings_;
  vn::wordmodel::TvnDocumentMediator mediator_{nullptr};
  TvnDOCXHelperFunctions helper_{&warnings_};
};

const char* const kPageField =
    "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
    "<w:r><w:instrText xml:space=\"preserve\"> PAGE </w:instrText></w:r>"
    "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>"
    "<w:r><w:t>1</w:t></w:r>"
    "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";

TEST_F(DocxBuilder, ElementsBuildIntoItems) {
  struct Case {
    const char* xml;
    const char* expected;
  };
  const Case cases[] = {
      {"<w:p><w:r><w:t>Hello</w:t></w:r><w:r><w:t xml:space=\"preserve\"> world</w:t></w:r></w:p>",
       "P{R('Hello') R(' world')}"},
      {"<w:p><w:r><w:t>a</w:t><w:br/><w:t>b</w:t><w:br w:type=\"page\"/><w:br w:type=\"column\"/>"
       "<w:br w:type=\"textWrapping\"/><w:tab/><w:br w:type=\"other\"/></w:r></w:p>",
       "P{R('a' <line> 'b' <page> <column> <line> <tab> <none>)}"},
      {"<w:p><w:hyperlink r:id=\"rId4\"><w:r><w:t>link</w:t></w:r></w:hyperlink></w:p>", "P{R('link')}"},
      {"<w:p><w:hyperlink><w:r><w:t>a</w:t></w:r><w:r><w:t>b</w:t></w:r><w:r><w:t>c</w:t></w:r></w:hyperlink></w:p>",
       "P{R('a') R('b') R('c')}"},
      {"<w:p><w:smartTag><w:r><w:t>x</w:t></w:r></w:smartTag><w:bookmarkStart w:id=\"0\"/>"
       "<w:proofErr w:type=\"spellStart\"/><w:ins><w:r><w:t>y</w:t></w:r></w:ins></w:p>",
       "P{R('x') R('y')}"},
      // Deleted text is no "w:t": its run stays empty.
      {"<w:p><w:del><w:r><w:delText>gone</w:delText></w:r></w:del></w:p>", "P{R()}"},
      // VML pictures and embedded objects make no item.
      {"<w:p><w:r><w:pict><v:shape/></w:pict></w:r><w:r><w:object/></w:r><w:r><w:t>z</w:t></w:r></w:p>",
       "P{R('z')}"},
      {"<w:p><w:fldSimple w:instr=\" NUMPAGES \"><w:r><w:t>3</w:t></w:r></w:fldSimple></w:p>",
       "P{F[NUMPAGES|R('3')]}"},
      {"<w:p><w:fldSimple w:instr=\"AUTHOR\"/></w:p>", "P{F[AUTHOR|]}"},
      // A run with a phonetic guide gives its base text, without the guide,
      // in a paragraph and inside a hyperlink alike.
      {"<w:p><w:r><w:t>a</w:t></w:r><w:r><w:ruby><w:rubyPr/><w:rt><w:r><w:t>guide</w:t></w:r></w:rt>"
       "<w:rubyBase><w:r><w:t>base</w:t></w:r></w:rubyBase></w:ruby></w:r><w:r><w:t>b</w:t></w:r></w:p>",
       "P{R('a') R('base') R('b')}"},
      {"<w:p><w:hyperlink><w:r><w:ruby><w:rt><w:r><w:t>g</w:t></w:r></w:rt><w:rubyBase><w:r><w:t>x</w:t></w:r>"
       "<w:r><w:t>y</w:t></w:r></w:rubyBase></w:ruby></w:r></w:hyperlink></w:p>",
       "P{R('x') R('y')}"},
      {"<w:p><w:r><w:ruby><w:rt><w:r><w:t>g</w:t></w:r></w:rt></w:ruby></w:r></w:p>", "P{}"},
      {"<w:p><w:bookmarkStart w:id=\"1\"/></w:p>", "P{}"},
      {"<w:bookmarkEnd w:id=\"1\"/>", "null"},
  };
  for (const Case& c : cases) EXPECT_EQ(Built(c.xml), c.expected) << c.xml;
}

TEST_F(DocxBuilder, TextKeepsItsSpacesAndMarksPreservedOnes) {
  auto item = Build("<w:r><w:t xml:space=\"preserve\"> </w:t><w:t>b</w:t></w:r>");
  auto* run = dynamic_cast<TvnRun*>(item.get());
  ASSERT_NE(run, nullptr);
  ASSERT_EQ(run->GetCount(), 2);
  auto* blank = dynamic_cast<TvnTextitem*>(run->GetItem(0));
  EXPECT_EQ(blank->GetText(), u" ");
  EXPECT_TRUE(blank->GetPreserveSpaces());
  EXPECT_FALSE(dynamic_cast<TvnTextitem*>(run->GetItem(1))->GetPreserveSpaces());
  // The text items share the run's properties.
  EXPECT_EQ(blank->GetRunProperties(), run->GetRunProperties());
}

TEST_F(DocxBuilder, ComplexFields) {
  struct Case {
    std::string xml;
    const char* expected;
  };
  const Case cases[] = {
      {std::string("<w:p>") + kPageField + "</w:p>", "P{F[PAGE|R('1')]}"},
      // A table of contents shows its result as plain content.
      {"<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>TOC \\o</w:instrText></w:r>"
       "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>Intro</w:t></w:r>"
       "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>",
       "P{R() R('Intro')}"},
      // No end in the paragraph: no field, and no result text is lost.
      {"<w:p><w:r><w:t>Before</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
       "<w:r><w:instrText>DATE</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>"
       "<w:r><w:t>one</w:t></w:r><w:r><w:t>two</w:t></w:r></w:p>",
       "P{R('Before') R('one') R('two')}"},
      // A begin with nothing after it.
      {"<w:p><w:r><w:t>x</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r></w:p>", "P{R('x')}"},
      // A begin followed by its end is an empty field; the text after it stays.
      {"<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
       "<w:r><w:t>after</w:t></w:r></w:p>",
       "P{F[|] R('after')}"},
      // The end of a field begun in an earlier paragraph is skipped.
      {"<w:p><w:r><w:t>tail</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>", "P{R('tail')}"},
      // A field nested in the instruction: the outer result stays as text.
      {"<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>IF </w:instrText></w:r>"
       "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
       "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>"
       "<w:r><w:t>yes</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>",
       "P{R() R('yes')}"},
  };
  for (const Case& c : cases) EXPECT_EQ(Built(c.xml), c.expected) << c.xml;
}

TEST_F(DocxBuilder, FieldsAreOfTheirKindAndRegisteredWithTheMediator) {
  auto item = Build(std::string("<w:p>") + kPageField +
                    "<w:fldSimple w:instr=\" MERGEFIELD Name \"><w:r><w:t>«Name»</w:t></w:r></w:fldSimple></w:p>");
  auto* para = dynamic_cast<TvnParagraph*>(item.get());
  ASSERT_NE(para, nullptr);
  ASSERT_EQ(para->GetCount(), 2);
  auto* page = dynamic_cast<vn::wordmodel::TvnPageField*>(para->GetItem(0));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->GetParent(), para);
  EXPECT_FALSE(page->GetIsSimpleField());
  auto* merge = dynamic_cast<TvnField*>(para->GetItem(1));
  EXPECT_TRUE(merge->GetIsSimpleField());
  EXPECT_TRUE(merge->GetFieldCode()->GetIsMergeRelatedField());
  ASSERT_EQ(mediator_.Fields.GetCount(), 2);
  EXPECT_EQ(mediator_.Fields.GetEnumerator()[0], page);
  ASSERT_EQ(mediator_.MergeFields.GetCount(), 1);
  EXPECT_EQ(mediator_.MergeFields.GetEnumerator()[0], merge);
}

TEST_F(DocxBuilder, SectionMarksOutsideRevisionsEndASection) {
  struct Case {
    const char* xml;
    bool ends_section;
  };
  const Case cases[] = {
      {"<w:p><w:pPr><w:sectPr><w:pgSz w:w=\"12240\"/></w:sectPr></w:pPr></w:p>", true},
      {"<w:p><w:pPr><w:pPrChange><w:pPr><w:sectPr/></w:pPr></w:pPrChange></w:pPr></w:p>", false},
      {"<w:p><w:r><w:t>no mark</w:t></w:r></w:p>", false},
  };
  for (const Case& c : cases) {
    auto item = Build(c.xml);
    EXPECT_EQ(dynamic_cast<TvnParagraph*>(item.get())->GetContainsSection(), c.ends_section) << c.xml;
  }
}

TEST_F(DocxBuilder, ParagraphsAreResolvedThroughTheStyles) {
  auto item = Build("<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>x</w:t></w:r></w:p>");
  auto* para = dynamic_cast<TvnParagraph*>(item.get());
  ASSERT_NE(para->GetFinalParagraphProperties(), nullptr);
  EXPECT_EQ(para->GetFinalParagraphProperties()->GetHAlignment(), vn::wordmodel::TvnHAlignment::haCenter);
  auto* run = dynamic_cast<TvnRun*>(para->GetItem(0));
  ASSERT_NE(run->GetFinalRunProperties(), nullptr);
  EXPECT_TRUE(run->GetFinalRunProperties()->GetFontStyle().Contains(vn::framework::TvnFontStyle::fsBold));
}

TEST_F(DocxBuilder, TablesWithGridsHeaderRowsAndNestedTables) {
  auto item = Build(
      "<w:tbl><w:tblPr><w:tblStyle w:val=\"Grid\"/></w:tblPr>"
      "<w:tblGrid><w:gridCol w:w=\"2880\"/><w:gridCol w:w=\"2880\"/></w:tblGrid>"
      "<w:tr><w:trPr><w:tblHeader/></w:trPr><w:tc><w:p><w:r><w:t>h1</w:t></w:r></w:p></w:tc>"
      "<w:tc><w:p><w:r><w:t>h2</w:t></w:r></w:p></w:tc></w:tr>"
      "<w:tr><w:tc><w:tbl><w:tr><w:tc><w:p><w:r><w:t>in</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/></w:tc>"
      "<w:tc><w:sdt><w:sdtContent><w:p><w:r><w:t>sdt</w:t></w:r></w:p></w:sdtContent></w:sdt></w:tc></w:tr></w:tbl>");
  auto* table = dynamic_cast<TvnTable*>(item.get());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(Describe(table), "T[(<P{R('h1')}><P{R('h2')}>)(<T[(<P{R('in')}>)]P{}><P{R('sdt')}>)]");
  EXPECT_EQ(table->GetHeaderRowIndices(), std::vector<int32_t>{0});
  EXPECT_EQ(table->GetGridColumnWidths(), (std::vector<int32_t>{192, 192}));
  EXPECT_EQ(table->GetTableProperties()->GetStyleID(), u"Grid");
}

TEST_F(DocxBuilder, RowsAndCellsInsideContentControlsAreKept) {
  EXPECT_EQ(Built("<w:tbl><w:tr><w:tc><w:p><w:r><w:t>a</w:t></w:r></w:p></w:tc>"
                  "<w:sdt><w:sdtPr/><w:sdtContent><w:tc><w:p><w:r><w:t>b</w:t></w:r></w:p></w:tc></w:sdtContent>"
                  "</w:sdt></w:tr><w:customXml><w:tr><w:tc><w:p><w:r><w:t>c</w:t></w:r></w:p></w:tc></w:tr>"
                  "</w:customXml></w:tbl>"),
            "T[(<P{R('a')}><P{R('b')}>)(<P{R('c')}>)]");
}

TEST_F(DocxBuilder, WithoutAGridTheFirstRowsCellWidthsServe) {
  auto item = Build(
      "<w:tbl><w:tr><w:tc><w:tcPr><w:tcW w:w=\"1440\" w:type=\"dxa\"/></w:tcPr><w:p/></w:tc>"
      "<w:tc><w:p/></w:tc><w:tc><w:tcPr><w:tcW w:w=\"720\" w:type=\"dxa\"/></w:tcPr><w:p/></w:tc></w:tr>"
      "<w:tr><w:tc><w:p/></w:tc></w:tr></w:tbl>");
  auto* table = dynamic_cast<TvnTable*>(item.get());
  EXPECT_EQ(table->GetGridColumnWidths(), std::vector<int32_t>{96});
  EXPECT_EQ(table->GetRows().size(), 2u);
}

TEST_F(DocxBuilder, AlternateContentTakesTheFirstChoiceThatGivesAnItem) {
  const std::string box =
      "<w:drawing><wp:inline><wp:extent cx=\"914400\" cy=\"457200\"/><a:graphic><a:graphicData><wps:wsp>"
      "<wps:txbx><w:txbxContent><w:p><w:r><w:t>boxed</w:t></w:r></w:p></w:txbxContent></wps:txbx>"
      "</wps:wsp></a:graphicData></a:graphic></wp:inline></w:drawing>";
  const std::string picture =
      "<w:drawing><wp:inline><wp:extent cx=\"914400\" cy=\"914400\"/></wp:inline></w:drawing>";
  struct Case {
    std::string xml;
    const char* expected;
  };
  const Case cases[] = {
      {"<mc:AlternateContent><mc:Choice Requires=\"wps\">" + box + "</mc:Choice><mc:Fallback><w:pict/>"
       "</mc:Fallback></mc:AlternateContent>",
       "BOX{P{R('boxed')}}"},
      {"<mc:AlternateContent><mc:Choice Requires=\"wps\"><w:pict/></mc:Choice><mc:Fallback>"
       "<w:r><w:t>fallback</w:t></w:r></mc:Fallback></mc:AlternateContent>",
       "R('fallback')"},
      {"<mc:AlternateContent><mc:Choice Requires=\"a\"/><mc:Choice Requires=\"b\">" + picture +
           "</mc:Choice></mc:AlternateContent>",
       "IMG"},
      {"<mc:AlternateContent><mc:Choice Requires=\"a\"><w:pict/></mc:Choice><mc:Fallback/></mc:AlternateContent>",
       "null"},
      // A text box inside a run inside a hyperlink is built once, as a box.
      {"<w:p><w:hyperlink><w:r><w:t>see</w:t></w:r><w:r><mc:AlternateContent><mc:Choice>" + box +
           "</mc:Choice></mc:AlternateContent></w:r></w:hyperlink></w:p>",
       "P{R('see') BOX{P{R('boxed')}}}"},
  };
  for (const Case& c : cases) EXPECT_EQ(Built(c.xml), c.expected) << c.xml;
}

TEST_F(DocxBuilder, DeepNestingIsCutOffWithAWarning) {
  std::string xml;
  for (int i = 0; i < 300; ++i) xml += "<w:tbl><w:tr><w:tc>";
  xml += "<w:p><w:r><w:t>deep</w:t></w:r></w:p>";
  for (int i = 0; i < 300; ++i) xml += "</w:tc></w:tr></w:tbl>";
  auto item = Build(xml);
  EXPECT_NE(dynamic_cast<TvnTable*>(item.get()), nullptr);
  EXPECT_NE(warnings_.Summary().find("nested too deeply"), std::string::npos);
}

TEST_F(DocxBuilder, CollectorsWalkInDocumentOrder) {
  Snippet xml("<a><b/><c><b><b/></b></c><d/><b/></a>");
  TXmlNodeRefs all;
  TvnDOCXHelperFunctions::GetDescendants(xml.Root(), {u"b"}, all);
  EXPECT_EQ(all.size(), 4u);
  TXmlNodeRefs top;
  TvnDOCXHelperFunctions::GetNodes(xml.Root(), {u"b"}, top);
  EXPECT_EQ(top.size(), 3u);
  TXmlNodeRefs every;
  TvnDOCXHelperFunctions::GetDescendants(xml.Root(), {}, every);
  EXPECT_EQ(every.size(), 7u);
  EXPECT_EQ(TvnDOCXHelperFunctions::GetElements(xml.Root(), u"b").size(), 2u);
  EXPECT_TRUE(TvnDOCXHelperFunctions::GetElements(xml.Root(), u"z").empty());
}

}  // namespace document_builder_test
