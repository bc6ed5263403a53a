// The sections of the DOCX reader: page geometry, columns, borders and the
// headers and footers of each section, over small packages in memory.
#include <gtest/gtest.h>

#include "docx/docx_parser.h"
#include "docx_reader_support.h"
#include "docx_test_support.h"
#include "wordmodel/images.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/section.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"

namespace vn::docx::sections_test {

using namespace vn::docx::testing;
using wordmodel::TvnHeaderFooterElement;
using wordmodel::TvnOrientation;
using wordmodel::TvnPageBorderDisplay;
using wordmodel::TvnPageBorderOffsetFrom;
using wordmodel::TvnPageBorderZOrder;
using wordmodel::TvnSectionType;

// A document whose body holds ABody; headers and footers as extra parts,
// named by relationships rIdH1.. of the main document.
struct SectionDocument {
  std::string body;
  std::vector<std::pair<std::string, std::string>> parts;  // (file below word/, XML)
  std::string settings;

  DocxParts Parts() const {
    DocxParts parts_out;
    parts_out.document = DocumentWithBody(body);
    parts_out.settings = settings;
    for (size_t i = 0; i < parts.size(); ++i) {
      const bool footer = parts[i].first.rfind("footer", 0) == 0;
      parts_out.document_rels +=
          Relationship("rIdH" + std::to_string(i + 1), footer ? "footer" : "header", parts[i].first);
      parts_out.extra.push_back({"word/" + parts[i].first, parts[i].second});
    }
    return parts_out;
  }
};

std::string Header(const std::string& AText) {
  return "<w:hdr xmlns:w=\"w\"><w:p><w:r><w:t>" + AText + "</w:t></w:r></w:p></w:hdr>";
}
std::string Footer(const std::string& AText) {
  return "<w:ftr xmlns:w=\"w\"><w:p><w:r><w:t>" + AText + "</w:t></w:r></w:p></w:ftr>";
}
// A paragraph that ends a section with the properties AProperties.
std::string SectionEnd(const std::string& AProperties) {
  return "<w:p><w:pPr><w:sectPr>" + AProperties + "</w:sectPr></w:pPr></w:p>";
}

std::string TextOf(const TvnDocItem* AItem) {
  std::string text;
  if (auto* item = dynamic_cast<const wordmodel::TvnTextitem*>(AItem)) return vn::ToUtf8(item->GetText());
  if (auto* composite = dynamic_cast<const vn::framework::TvnCompositeDocItem*>(AItem)) {
    for (const auto& child : composite->GetItems()) text += TextOf(child.get());
  }
  return text;
}

// "text|text" of a header's elements, "-" for an empty header.
std::string Content(const TvnHeaderFooterElement* AElement) {
  if (AElement == nullptr || AElement->GetElements().empty()) return "-";
  std::string out;
  for (const auto& item : AElement->GetElements()) {
    if (!out.empty()) out += "|";
    out += dynamic_cast<const wordmodel::TvnTable*>(item.get()) != nullptr ? "T" : TextOf(item.get());
  }
  return out;
}

// The first picture of the item's tree.
wordmodel::TvnWordImage* FindImage(TvnDocItem* AItem) {
  if (auto* image = dynamic_cast<wordmodel::TvnWordImage*>(AItem)) return image;
  if (auto* composite = dynamic_cast<vn::framework::TvnCompositeDocItem*>(AItem)) {
    for (const auto& child : composite->GetItems()) {
      if (auto* image = FindImage(child.get())) return image;
    }
  }
  return nullptr;
}

std::vector<TvnSection*> SectionsOf(OpenedReader& AOpened) {
  AOpened.Initialize();
  return *AOpened.Body().Sections();
}

TEST(DocxSections, ADocumentWithoutSectionPropertiesGetsOneLetterPage) {
  SectionDocument doc{"<w:p/>", {}, ""};
  OpenedReader opened(doc.Parts());
  const auto sections = SectionsOf(opened);
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(sections[0]->GetPageWidth(), 816);
  EXPECT_EQ(sections[0]->GetPageHeight(), 1056);
  EXPECT_EQ(sections[0]->GetPageMargin()->GetLeft(), 96);
  EXPECT_EQ(sections[0]->GetPageMargin()->GetBottom(), 96);
}

TEST(DocxSections, PageGeometryTypeAndBorders) {
  SectionDocument doc{
      "<w:p/><w:sectPr><w:type w:val=\"oddPage\"/><w:pgSz w:w=\"16838\" w:h=\"11906\" w:orient=\"landscape\"/>"
      "<w:pgMar w:top=\"1440\" w:right=\"1440\" w:bottom=\"720\" w:left=\"1800\" w:header=\"708\" w:footer=\"709\" "
      "w:gutter=\"0\"/>"
      "<w:pgBorders w:display=\"firstPage\" w:offsetFrom=\"page\" w:zOrder=\"front\">"
      "<w:top w:val=\"single\" w:sz=\"4\" w:space=\"24\" w:color=\"FF0000\"/></w:pgBorders></w:sectPr>",
      {},
      ""};
  OpenedReader opened(doc.Parts());
  const auto sections = SectionsOf(opened);
  ASSERT_EQ(sections.size(), 1u);
  const TvnSection& section = *sections[0];
  // Landscape A4 is written wider than high and kept so.
  EXPECT_EQ(section.GetPageWidth(), 1123);
  EXPECT_EQ(section.GetPageHeight(), 794);
  EXPECT_EQ(section.GetOrientation(), TvnOrientation::oLandscape);
  EXPECT_EQ(section.GetSectionType(), TvnSectionType::stOddPageSection);
  const auto* margins = section.GetPageMargin();
  EXPECT_EQ(margins->GetTop(), 96);
  EXPECT_EQ(margins->GetBottom(), 48);
  EXPECT_EQ(margins->GetLeft(), 120);
  EXPECT_EQ(margins->GetHeader(), 47);
  EXPECT_EQ(margins->GetFooter(), 47);
  ASSERT_NE(section.GetPageBorder(), nullptr);
  EXPECT_EQ(section.GetPageBorder()->GetPageBorderDisplay(), TvnPageBorderDisplay::pbdFirstPage);
  EXPECT_EQ(section.GetPageBorder()->GetPageBorderOffsetFrom(), TvnPageBorderOffsetFrom::pbofPage);
  EXPECT_EQ(section.GetPageBorder()->GetZOrder(), TvnPageBorderZOrder::pbzFront);
  EXPECT_NE(section.GetPageBorder()->GetTop(), nullptr);
  EXPECT_EQ(section.GetPageBorder()->GetLeft(), nullptr);
}

TEST(DocxSections, ABadPageValueEndsOnlyItsStep) {
  SectionDocument doc{"<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"tall\"/><w:pgMar w:top=\"720\"/></w:sectPr>", {}, ""};
  OpenedReader opened(doc.Parts());
  const auto sections = SectionsOf(opened);
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(sections[0]->GetPageHeight(), 1056);
  EXPECT_EQ(sections[0]->GetPageMargin()->GetTop(), 48);
}

TEST(DocxSections, TextColumns) {
  struct Case {
    std::string cols;
    int count;
    std::vector<std::pair<int, int>> columns;  // width, space
  };
  const std::string page = "<w:pgSz w:w=\"12240\" w:h=\"15840\"/><w:pgMar w:left=\"1440\" w:right=\"1440\"/>";
  const Case cases[] = {
      {"<w:cols w:num=\"2\" w:space=\"720\"/>", 2, {{288, 48}, {288, 0}}},
      {"<w:cols w:num=\"2\" w:equalWidth=\"0\"><w:col w:w=\"4320\" w:space=\"720\"/><w:col w:w=\"2880\"/></w:cols>",
       2,
       {{288, 48}, {192, 0}}},
      // Without a gap the format's half inch applies: (624 - 48) / 2.
      {"<w:cols w:num=\"2\"/>", 2, {{288, 48}, {288, 0}}},
      {"<w:cols w:space=\"720\"/>", 0, {}},
      // A value that is not a number leaves the columns unset; the load goes on.
      {"<w:cols w:num=\"two\" w:space=\"720\"/>", 0, {}},
      {"<w:cols w:num=\"-3\"/>", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cols);
    SectionDocument doc{"<w:sectPr>" + page + c.cols + "</w:sectPr>", {}, ""};
    OpenedReader opened(doc.Parts());
    const auto sections = SectionsOf(opened);
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0]->GetColumnsCount(), c.count);
    std::vector<std::pair<int, int>> columns;
    for (const auto& column : sections[0]->GetColumns()) columns.emplace_back(column->GetWidth(), column->GetSpace());
    EXPECT_EQ(columns, c.columns);
  }
}

TEST(DocxSections, HeadersAreBuiltFromTheirPartsAndCarriedOver) {
  SectionDocument doc{
      SectionEnd("<w:headerReference w:type=\"default\" r:id=\"rIdH1\"/>"
                 "<w:headerReference w:type=\"first\" r:id=\"rIdH2\"/>"
                 "<w:footerReference w:type=\"default\" r:id=\"rIdH3\"/><w:titlePg/>"
                 "<w:pgMar w:header=\"720\" w:footer=\"360\"/>") +
          SectionEnd("<w:pgMar w:header=\"1440\" w:footer=\"720\"/><w:titlePg w:val=\"1\"/>") +
          "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rIdMissing\"/>"
          "<w:pgMar w:header=\"360\"/></w:sectPr>",
      {{"header1.xml", Header("default")}, {"header2.xml", Header("first")}, {"footer1.xml", Footer("foot")}},
      ""};
  OpenedReader opened(doc.Parts());
  const auto sections = SectionsOf(opened);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(Content(sections[0]->GetDefaultPageHeader()), "default");
  EXPECT_EQ(Content(sections[0]->GetFirstPageHeader()), "first");
  EXPECT_EQ(Content(sections[0]->GetDefaultPageFooter()), "foot");
  EXPECT_EQ(Content(sections[0]->GetEvenPageHeader()), "-");
  EXPECT_TRUE(sections[0]->GetIsTitlePage());
  // The second section has none of its own: it takes clones, each as high
  // as its own header or footer distance.
  EXPECT_TRUE(sections[1]->GetIsTitlePage());
  EXPECT_EQ(Content(sections[1]->GetDefaultPageHeader()), "default");
  EXPECT_EQ(Content(sections[1]->GetFirstPageHeader()), "first");
  EXPECT_NE(sections[1]->GetDefaultPageHeader(), sections[0]->GetDefaultPageHeader());
  EXPECT_NE(sections[1]->GetDefaultPageHeader()->GetElements()[0].get(),
            sections[0]->GetDefaultPageHeader()->GetElements()[0].get());
  EXPECT_EQ(sections[1]->GetDefaultPageHeader()->GetHeight(), 96);
  EXPECT_EQ(sections[1]->GetDefaultPageFooter()->GetHeight(), 48);
  // The third: a reference that names no part is passed over; not a title
  // page, so no first-page header.
  EXPECT_EQ(Content(sections[2]->GetDefaultPageHeader()), "default");
  EXPECT_EQ(sections[2]->GetDefaultPageHeader()->GetHeight(), 24);
  EXPECT_EQ(Content(sections[2]->GetFirstPageHeader()), "-");
}

TEST(DocxSections, TitlePageIsAnOnOffValueAndAFirstSectionInheritsNothing) {
  const std::pair<const char*, bool> cases[] = {
      {"<w:titlePg/>", true},
      {"<w:titlePg w:val=\"1\"/>", true},
      {"<w:titlePg w:val=\"true\"/>", true},
      {"", false},
      {"<w:titlePg w:val=\"0\"/>", false},
      {"<w:titlePg w:val=\"false\"/>", false},
  };
  for (const auto& [element, expected] : cases) {
    SCOPED_TRACE(element);
    SectionDocument doc{std::string("<w:sectPr>") + element + "</w:sectPr>", {}, ""};
    OpenedReader opened(doc.Parts());
    const auto sections = SectionsOf(opened);
    EXPECT_EQ(sections[0]->GetIsTitlePage(), expected);
    EXPECT_EQ(Content(sections[0]->GetFirstPageHeader()), "-");
  }
}

TEST(DocxSections, EvenPageHeadersFollowTheSettings) {
  for (const bool even_odd : {false, true}) {
    SCOPED_TRACE(even_odd);
    SectionDocument doc{SectionEnd("<w:headerReference w:type=\"even\" r:id=\"rIdH1\"/>") + "<w:sectPr/>",
                        {{"header1.xml", Header("even")}},
                        even_odd ? "<w:settings><w:evenAndOddHeaders/></w:settings>" : ""};
    OpenedReader opened(doc.Parts());
    const auto sections = SectionsOf(opened);
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0]->GetIsEvenOddHeaders(), even_odd);
    EXPECT_EQ(Content(sections[0]->GetEvenPageHeader()), "even");
    EXPECT_EQ(Content(sections[1]->GetEvenPageHeader()), even_odd ? "even" : "-");
  }
}

TEST(DocxSections, AHeaderKeepsItsTopLevelParagraphsAndTables) {
  SectionDocument doc{"<w:sectPr><w:headerReference r:id=\"rIdH1\"/></w:sectPr>",
                      {{"header1.xml",
                        "<w:hdr><w:p><w:r><w:t>p</w:t></w:r></w:p><w:sdt><w:sdtContent><w:p/></w:sdtContent></w:sdt>"
                        "<w:tbl><w:tr><w:tc><w:p/></w:tc></w:tr></w:tbl></w:hdr>"}},
                      ""};
  OpenedReader opened(doc.Parts());
  const auto sections = SectionsOf(opened);
  EXPECT_EQ(Content(sections[0]->GetDefaultPageHeader()), "p|T");
}

TEST(DocxSections, ABrokenHeaderPartEndsTheHeaderStepOnly) {
  SectionDocument doc{
      "<w:sectPr><w:headerReference r:id=\"rIdH1\"/><w:headerReference w:type=\"first\" "
      "r:id=\"rIdH2\"/><w:footerReference r:id=\"rIdH3\"/></w:sectPr>",
      {{"header1.xml", "<w:hdr><w:p><w:r><w:t>cut"}, {"header2.xml", Header("first")}, {"footer1.xml", Footer("foot")}},
      ""};
  OpenedReader opened(doc.Parts());
  const auto sections = SectionsOf(opened);
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(Content(sections[0]->GetDefaultPageHeader()), "-");
  EXPECT_EQ(Content(sections[0]->GetFirstPageHeader()), "-");
  EXPECT_EQ(Content(sections[0]->GetDefaultPageFooter()), "foot");
  EXPECT_FALSE(opened.Warnings().Empty());
}

TEST(DocxSections, PropertiesRecordedInARevisionAreNotASection) {
  SectionDocument doc{
      SectionEnd("<w:pgSz w:w=\"12240\" w:h=\"15840\"/><w:sectPrChange><w:sectPr><w:pgSz w:w=\"11906\" "
                 "w:h=\"16838\"/></w:sectPr></w:sectPrChange>") +
          "<w:p><w:r><w:t>second</w:t></w:r></w:p><w:sectPr><w:pgSz w:w=\"16838\" w:h=\"11906\"/></w:sectPr>",
      {},
      ""};
  OpenedReader opened(doc.Parts());
  const auto sections = SectionsOf(opened);
  // Two sections, in step with the one paragraph that ends a section.
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0]->GetPageWidth(), 816);
  EXPECT_EQ(sections[1]->GetPageWidth(), 1123);
}

TEST(DocxSections, HeaderPicturesResolveThroughTheHeadersOwnRelationships) {
  const std::string picture =
      "<w:r><w:drawing><wp:inline><wp:extent cx=\"952500\" cy=\"952500\"/><a:graphic><a:graphicData><pic:pic>"
      "<pic:blipFill><a:blip r:embed=\"rId1\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline>"
      "</w:drawing></w:r>";
  SectionDocument doc{"<w:sectPr><w:headerReference r:id=\"rIdH1\"/></w:sectPr>",
                      {{"header1.xml", "<w:hdr><w:p>" + picture + "</w:p></w:hdr>"}},
                      ""};
  DocxParts parts = doc.Parts();
  // In the main document's relationships rId1 is something else.
  parts.document_rels += Relationship("rId1", "customXml", "../customXml/item1.xml");
  parts.extra.push_back({"customXml/item1.xml", "<x/>"});
  parts.extra.push_back({"word/_rels/header1.xml.rels", Relationships(Relationship("rId1", "image", "media/h.png"))});
  parts.extra.push_back({"word/media/h.png", "PNGDATA"});
  OpenedReader opened(parts);
  const auto sections = SectionsOf(opened);
  const TvnHeaderFooterElement* header = sections[0]->GetDefaultPageHeader();
  ASSERT_NE(header, nullptr);
  ASSERT_EQ(header->GetElements().size(), 1u);
  wordmodel::TvnWordImage* image = FindImage(header->GetElements()[0].get());
  ASSERT_NE(image, nullptr);
  ASSERT_NE(image->GetImageStream(), nullptr);
  EXPECT_EQ(StreamBytes(image->GetImageStream()), "PNGDATA");
}

}  // namespace vn::docx::sections_test
