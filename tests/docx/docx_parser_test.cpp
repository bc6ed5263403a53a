// The DOCX reader over small packages in memory: which parts it needs, what
// Initialize puts into the mediator, the body items and their lifetime.
#include "docx/docx_parser.h"

#include <gtest/gtest.h>

#include "docx_reader_support.h"
#include "docx_test_support.h"
#include "runtime/exceptions.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/table.h"
#include "wordmodel/text_item.h"
#include "wordmodel/word_document_info.h"

namespace vn::docx::docx_parser_test {

using namespace vn::docx::testing;

std::string ThemePart(const std::string& AMajor, const std::string& AMinor) {
  return "<a:theme xmlns:a=\"a\"><a:themeElements><a:fontScheme name=\"Office\">" + AMajor + AMinor +
         "</a:fontScheme></a:themeElements></a:theme>";
}

std::string SettingsPart(const std::string& ABody) { return "<w:settings xmlns:w=\"w\">" + ABody + "</w:settings>"; }

// The text of a paragraph's runs.
std::string TextOf(const TvnDocItem* AItem) {
  std::string text;
  if (auto* item = dynamic_cast<const wordmodel::TvnTextitem*>(AItem)) return vn::ToUtf8(item->GetText());
  if (auto* composite = dynamic_cast<const vn::framework::TvnCompositeDocItem*>(AItem)) {
    for (const auto& child : composite->GetItems()) text += TextOf(child.get());
  }
  return text;
}

// "P:text" for a paragraph, "T" for a table.
std::string Describe(const std::vector<TvnDocItem*>& AItems) {
  std::string out;
  for (const TvnDocItem* item : AItems) {
    if (!out.empty()) out += " ";
    if (dynamic_cast<const wordmodel::TvnTable*>(item) != nullptr) {
      out += "T";
    } else {
      out += "P:" + TextOf(item);
    }
  }
  return out;
}

std::string Para(const std::string& AText) { return "<w:p><w:r><w:t>" + AText + "</w:t></w:r></w:p>"; }

TEST(DocxReader, APackageWithOnlyAMainDocumentLoads) {
  DocxParts parts;
  parts.document = DocumentWithBody(Para("alone"));
  OpenedReader opened(parts);
  TvnDOCXParser& reader = opened.Reader();
  // Every sub-reader is made; those without a part read nothing.
  ASSERT_NE(reader.StyleParser(), nullptr);
  ASSERT_NE(reader.DocumentParser(), nullptr);
  ASSERT_NE(reader.NumberParser(), nullptr);
  ASSERT_NE(reader.ThemeParser(), nullptr);
  ASSERT_NE(reader.SettingsParser(), nullptr);
  opened.Initialize();
  EXPECT_EQ(opened.Document().GetDocumentInfo(), nullptr);
  EXPECT_EQ(opened.Mediator().GetWordStyles()->GetCount(), 0);
  EXPECT_TRUE(opened.Mediator().GetAbstractNumbers().empty());
  EXPECT_TRUE(opened.Mediator().GetMajorFontGroup().empty());
  EXPECT_EQ(opened.Mediator().GetDefaultTabStop(), 0);
  EXPECT_EQ(Describe(opened.Body().GetEnumerator()), "P:alone");
  EXPECT_EQ(opened.Body().Sections()->size(), 1u);
}

TEST(DocxReader, InitializeFillsTheMediatorFromEveryPart) {
  DocxParts parts;
  parts.document = DocumentWithBody(Para("x"));
  std::string scripts;
  for (const char* script : {"Jpan", "Hang", "Arab"}) {
    scripts += std::string("<a:font script=\"") + script + "\" typeface=\"Face " + script + "\"/>";
  }
  parts.theme = ThemePart("<a:majorFont><a:latin typeface=\"Heading\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/>" +
                              scripts + "</a:majorFont>",
                          "<a:minorFont><a:latin typeface=\"Body\"/></a:minorFont>");
  parts.settings = SettingsPart("<w:zoom w:percent=\"120\"/><w:defaultTabStop w:val=\"720\"/><w:evenAndOddHeaders/>");
  parts.styles = "<w:styles><w:style w:type=\"paragraph\" w:styleId=\"Normal\" w:default=\"1\"/></w:styles>";
  parts.numbering = "<w:numbering><w:abstractNum w:abstractNumId=\"0\"/><w:num w:numId=\"1\"/></w:numbering>";
  parts.core =
      "<cp:coreProperties><dc:title>A &amp; B</dc:title><cp:keywords>k1, k2</cp:keywords>"
      "<dc:creator>someone</dc:creator><dcterms:created>2024-01-02T03:04:05Z</dcterms:created>"
      "<cp:revision>3</cp:revision></cp:coreProperties>";
  OpenedReader opened(parts);
  opened.Initialize();
  const auto& major = opened.Mediator().GetMajorFontGroup();
  // The latin entry and one per script; the east-Asian and complex-script
  // entries carry no script and are not registered.
  EXPECT_EQ(major.size(), 4u);
  EXPECT_EQ(major.at(u"latin").Typeface, u"Heading");
  EXPECT_EQ(major.at(u"Arab").Typeface, u"Face Arab");
  EXPECT_EQ(opened.Mediator().GetMinorFontGroup().at(u"latin").Typeface, u"Body");
  EXPECT_EQ(opened.Mediator().GetDefaultTabStop(), 48);
  EXPECT_TRUE(opened.Mediator().GetEvenOddHeaders());
  EXPECT_EQ(opened.Reader().SettingsParser()->GetZoom(), 120);
  EXPECT_NE(opened.Mediator().GetWordStyles()->Find(u"Normal"), nullptr);
  EXPECT_NE(opened.Mediator().FindAbstractNumber(0), nullptr);
  EXPECT_NE(opened.Mediator().FindNumber(1), nullptr);
  const auto* info = dynamic_cast<const wordmodel::TvnWordDocumentInfo*>(opened.Document().GetDocumentInfo());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->GetTitle(), u"A & B");
  EXPECT_EQ(info->GetKeyWords(), u"k1, k2");
  EXPECT_EQ(info->GetCreator(), u"someone");
  EXPECT_EQ(info->GetCreated(), u"2024-01-02T03:04:05Z");
  EXPECT_EQ(info->GetRevision(), u"3");
  EXPECT_TRUE(info->GetSubject().empty());
}

TEST(DocxReader, EvenAndOddHeadersIsAnOnOffValue) {
  const std::pair<const char*, bool> cases[] = {
      {"<w:evenAndOddHeaders/>", true},
      {"<w:evenAndOddHeaders w:val=\"true\"/>", true},
      {"<w:evenAndOddHeaders w:val=\"1\"/>", true},
      {"<w:evenAndOddHeaders w:val=\"0\"/>", false},
      {"<w:evenAndOddHeaders w:val=\"false\"/>", false},
      {"", false},
  };
  for (const auto& [element, expected] : cases) {
    SCOPED_TRACE(element);
    DocxParts parts;
    parts.document = DocumentWithBody("");
    parts.settings = SettingsPart(element);
    OpenedReader opened(parts);
    opened.Initialize();
    EXPECT_EQ(opened.Mediator().GetEvenOddHeaders(), expected);
  }
}

TEST(DocxReader, ASettingThatIsNotANumberEndsTheSettingsOnly) {
  DocxParts parts;
  parts.document = DocumentWithBody("");
  parts.settings = SettingsPart("<w:zoom w:percent=\"90\"/><w:defaultTabStop w:val=\"wide\"/><w:evenAndOddHeaders/>");
  OpenedReader opened(parts);
  opened.Initialize();
  EXPECT_EQ(opened.Reader().SettingsParser()->GetZoom(), 90);
  EXPECT_EQ(opened.Mediator().GetDefaultTabStop(), 0);
  EXPECT_FALSE(opened.Mediator().GetEvenOddHeaders());
  EXPECT_FALSE(opened.Warnings().Empty());
}

TEST(DocxReader, BodyItemsComeInDocumentOrderThroughWrappers) {
  DocxParts parts;
  parts.document = DocumentWithBody(Para("one") + "<w:tbl><w:tr><w:tc>" + Para("cell") + "</w:tc></w:tr></w:tbl>" +
                                    "<w:sdt><w:sdtContent>" + Para("two") + Para("three") + "</w:sdtContent></w:sdt>" +
                                    "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/></w:sectPr>");
  OpenedReader opened(parts);
  opened.Initialize();
  EXPECT_EQ(Describe(opened.Body().GetEnumerator()), "P:one T P:two P:three");
  // The direct paragraphs of the body only.
  const std::vector<wordmodel::TvnParagraph*> paragraphs = opened.Body().Paragraphs();
  ASSERT_EQ(paragraphs.size(), 1u);
  EXPECT_EQ(TextOf(paragraphs[0]), "one");
}

TEST(DocxReader, ADamagedStylesPartCostsOnlyTheStyles) {
  DocxParts parts;
  parts.document = DocumentWithBody(Para("body"));
  parts.styles = "<w:styles><w:style w:type=\"paragraph\" w:styleId=\"A\"></w:styles>";
  parts.numbering = "<w:numbering><w:abstractNum w:abstractNumId=\"0\"/></w:numbering>";
  parts.settings = SettingsPart("<w:defaultTabStop w:val=\"720\"/>");
  OpenedReader opened(parts);
  EXPECT_EQ(opened.Reader().StyleParser(), nullptr);
  ASSERT_NE(opened.Reader().DocumentParser(), nullptr);
  ASSERT_NE(opened.Reader().NumberParser(), nullptr);
  ASSERT_NE(opened.Reader().SettingsParser(), nullptr);
  EXPECT_FALSE(opened.Warnings().Empty());
  opened.Initialize();
  EXPECT_NE(opened.Mediator().FindAbstractNumber(0), nullptr);
  EXPECT_EQ(opened.Mediator().GetDefaultTabStop(), 48);
  EXPECT_EQ(Describe(opened.Body().GetEnumerator()), "P:body");
}

TEST(DocxReader, DamagedCorePropertiesGiveNoInformation) {
  DocxParts parts;
  parts.document = DocumentWithBody("");
  parts.core = "<cp:coreProperties><dc:title>t</dc:title>";
  OpenedReader opened(parts);
  opened.Initialize();
  EXPECT_EQ(opened.Document().GetDocumentInfo(), nullptr);
}

TEST(DocxReader, AMainDocumentThatIsNamedButMissingOrBrokenIsAnError) {
  DocxParts missing;  // the relationship names word/document.xml, which is absent
  OpenedReader without_part(missing);
  without_part.Initialize();
  EXPECT_THROW(without_part.Body().Sections(), vn::EDOCXExceptions);
  EXPECT_THROW(without_part.Body().GetEnumerator(), vn::EDOCXExceptions);

  DocxParts broken;
  broken.document = "<w:document><w:body><w:p></w:body>";
  OpenedReader with_broken_part(broken);
  EXPECT_THROW(with_broken_part.Body().GetEnumerator(), vn::Exception);
}

TEST(DocxReader, APackageWithoutMainDocumentGivesAnEmptyBody) {
  OpenedReader opened(StoredZip({{"_rels/.rels", Relationships("")}, {"other.xml", "<x/>"}}));
  opened.Initialize();
  EXPECT_TRUE(opened.Body().GetEnumerator().empty());
  EXPECT_TRUE(opened.Body().Paragraphs().empty());
  EXPECT_EQ(opened.Body().Sections()->size(), 1u);
}

TEST(DocxReader, TakenItemsOutliveTheReader) {
  DocxParts parts;
  parts.document = DocumentWithBody(Para("kept") + "<w:sectPr/>");
  std::unique_ptr<OpenedReader> opened = std::make_unique<OpenedReader>(parts);
  opened->Initialize();
  const std::vector<TvnSection*> sections = *opened->Body().Sections();
  const std::vector<TvnDocItem*> items = opened->Body().GetEnumerator();
  wordmodel::TvnItemList owned = opened->Body().TakeOwnedItems();
  EXPECT_EQ(owned.size(), 2u);
  EXPECT_TRUE(opened->Body().TakeOwnedItems().empty());
  opened.reset();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(TextOf(items[0]), "kept");
  EXPECT_EQ(sections[0]->GetPageWidth(), 816);
}

}  // namespace vn::docx::docx_parser_test
