#include "docx/docx_document.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "docx/docx_test_support.h"
#include "ooxml/zip_exceptions.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"
#include "support/trace_canvas.h"

namespace vn::docx::docx_document_test {

using ::testing::HasSubstr;
using vn::docx::testing::Relationship;
using vn::docx::testing::Relationships;
using vn::docx::testing::StoredZip;
using vn::docx::testing::ZipMembers;
using vn::framework::TvnMeasurementUnit;

constexpr const char* kContentTypes =
    "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";

std::string MainDocument(const std::string& ABody) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document "
         "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
         ABody + "</w:body></w:document>";
}

// A package of a content-types part, the package relationships naming
// word/document.xml and that part holding ABody.
std::string Package(const std::string& ABody) {
  return StoredZip({{"[Content_Types].xml", kContentTypes},
                    {"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "word/document.xml"))},
                    {"word/document.xml", MainDocument(ABody)}});
}

std::string Paragraph(const std::string& AText) { return "<w:p><w:r><w:t>" + AText + "</w:t></w:r></w:p>"; }
constexpr const char* kPageBreak = "<w:p><w:r><w:br w:type=\"page\"/></w:r></w:p>";
// An A4 portrait section with one-inch margins.
constexpr const char* kA4 =
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1440\" w:right=\"1440\" "
    "w:bottom=\"1440\" w:left=\"1440\" w:header=\"720\" w:footer=\"720\"/></w:sectPr>";

// Loads APackage through a stream the document owns.
void Load(TvnqDOCXDocument& ADocument, const std::string& APackage) {
  ADocument.LoadFromStream(new vn::TStringStream(APackage), u"", true);
}

// The text the page writes, in drawing order.
std::string PageText(TvnqDOCXDocument& ADocument, int32_t APage) {
  vn::platform::testing::TraceCanvas trace({"TextOut"});
  auto* page = dynamic_cast<TvnqDOCXPage*>(ADocument.GetPage(APage));
  page->Draw(&trace, 794, 1123, 96, 96, 0);
  std::string text;
  for (const std::string& call : trace.Calls()) {
    const size_t open = call.find('"');
    text += call.substr(open + 1, call.rfind('"') - open - 1);
  }
  return text;
}

TEST(DOCXDocument, PagesComeFromTheLayout) {
  TvnqDOCXDocument document;
  EXPECT_EQ(document.GetPageCount(), 0);
  Load(document, Package(Paragraph("Alpha") + kPageBreak + Paragraph("Omega") + kA4));
  EXPECT_TRUE(document.GetIsLoaded());
  ASSERT_EQ(document.GetPageCount(), 2);
  EXPECT_EQ(document.GetSections().size(), 1u);
  EXPECT_EQ(document.GetPage(1), document.GetPage(1));
  EXPECT_THAT(PageText(document, 1), HasSubstr("Alpha"));
  EXPECT_THAT(PageText(document, 1), ::testing::Not(HasSubstr("Omega")));
  EXPECT_THAT(PageText(document, 2), HasSubstr("Omega"));
  // The page's elements are the body items it shows, each on its own page.
  const std::vector<vn::framework::TvnDocItem*> first = document.GetPage(1)->GetPageElements();
  const std::vector<vn::framework::TvnDocItem*> second = document.GetPage(2)->GetPageElements();
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(std::count(first.begin(), first.end(), second[0]), 0);
  for (const int32_t outside : {0, 3, -1})
    EXPECT_THROW(document.GetPage(outside), vn::EArgumentOutOfRangeException) << outside;

  // A4 in pixels at 96 per inch, in the document's unit.
  const struct {
    TvnMeasurementUnit unit;
    double width, height;
  } sizes[] = {{TvnMeasurementUnit::muPixels, 11906 / 15.0, 16838 / 15.0},
               {TvnMeasurementUnit::muPoints, 11906 / 20.0, 16838 / 20.0}};
  for (const auto& s : sizes) {
    document.SetMeasurementUnit(s.unit);
    const vn::framework::TvnPageSize size = document.GetPage(2)->GetPageSize();
    EXPECT_NEAR(size.Width, s.width, 1.0);
    EXPECT_NEAR(size.Height, s.height, 1.0);
  }
}

// A document whose body lays out into nothing still has a page to convert.
TEST(DOCXDocument, AnEmptyBodyGivesOneBlankPageOfTheSectionSize) {
  TvnqDOCXDocument document;
  Load(document, Package(kA4));
  ASSERT_EQ(document.GetPageCount(), 1);
  EXPECT_EQ(PageText(document, 1), "");
  document.SetMeasurementUnit(TvnMeasurementUnit::muPixels);
  EXPECT_NEAR(document.GetPage(1)->GetPageSize().Width, 11906 / 15.0, 1.0);
}

// A second load frees the first one's pages, items and sections (the
// sanitizers see a double free or a leak) and shows only its own text.
TEST(DOCXDocument, ASecondLoadReplacesTheFirst) {
  TvnqDOCXDocument document;
  Load(document, Package(Paragraph("First") + kPageBreak + Paragraph("Again") + kA4));
  ASSERT_EQ(document.GetPageCount(), 2);
  Load(document, Package(Paragraph("Second") + kA4));
  ASSERT_EQ(document.GetPageCount(), 1);
  EXPECT_THAT(PageText(document, 1), HasSubstr("Second"));
  EXPECT_THAT(PageText(document, 1), ::testing::Not(HasSubstr("First")));
}

// Input that is no Word package fails with the error of the layer that
// finds the damage, and leaves the document empty and unloaded, also when
// a good document was loaded before.
TEST(DOCXDocument, DamagedPackagesFailAndLeaveTheDocumentEmpty) {
  const std::string good = Package(Paragraph("Fine") + kA4);
  const std::string compoundFile = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(1024, '\0');
  const struct {
    const char* name;
    std::string bytes;
    bool archiveError;  // else the package holds no readable main document
  } cases[] = {
      {"a compound file", compoundFile, true},
      {"a zip cut in half", good.substr(0, good.size() / 2), true},
      {"no main document relationship",
       StoredZip({{"[Content_Types].xml", kContentTypes}, {"word/document.xml", MainDocument(Paragraph("x"))}}),
       false},
      {"main document part missing",
       StoredZip({{"[Content_Types].xml", kContentTypes},
                  {"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "word/document.xml"))}}),
       false},
      {"empty main document part",
       StoredZip({{"[Content_Types].xml", kContentTypes},
                  {"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "word/document.xml"))},
                  {"word/document.xml", ""}}),
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TvnqDOCXDocument document;
    Load(document, good);
    ASSERT_EQ(document.GetPageCount(), 1);
    if (c.archiveError)
      EXPECT_THROW(Load(document, c.bytes), vn::ooxml::EAbException);
    else
      EXPECT_THROW(Load(document, c.bytes), vn::EDOCXExceptions);
    EXPECT_EQ(document.GetPageCount(), 0);
    EXPECT_FALSE(document.GetIsLoaded());
  }
}

TEST(DOCXDocument, AMainDocumentThatIsNotWellFormedFails) {
  TvnqDOCXDocument document;
  const std::string broken =
      StoredZip({{"[Content_Types].xml", kContentTypes},
                 {"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "word/document.xml"))},
                 {"word/document.xml", "<?xml version=\"1.0\"?><w:document><w:body><w:p><w:r><w:t>cut"}});
  EXPECT_THROW(Load(document, broken), vn::Exception);
  EXPECT_EQ(document.GetPageCount(), 0);
}

TEST(DOCXDocument, FilesThatCannotBeReadRaiseTheHandlersErrors) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  TvnqDOCXDocument document;
  try {
    document.LoadFromFile(vn::FromUtf8((dir / "missing.docx").string()), u"");
    ADD_FAILURE() << "a missing file loaded";
  } catch (const vn::ExFileNotFound& e) {
    EXPECT_STREQ(e.what(), "File Not Found");
  }
  // A DOC file named .docx is refused by the archive reader, not loaded as
  // an empty document.
  const std::filesystem::path doc = dir / "really_a_doc.docx";
  std::ofstream(doc, std::ios::binary) << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << std::string(600, '\0');
  EXPECT_THROW(document.LoadFromFile(vn::FromUtf8(doc.string()), u""), vn::ooxml::EAbException);
  EXPECT_EQ(document.GetPageCount(), 0);

  const std::filesystem::path good = dir / "good.dotx";
  std::ofstream(good, std::ios::binary) << Package(Paragraph("Template") + kA4);
  document.LoadFromFile(vn::FromUtf8(good.string()), u"");
  ASSERT_EQ(document.GetPageCount(), 1);
  EXPECT_THAT(PageText(document, 1), HasSubstr("Template"));
}

}  // namespace vn::docx::docx_document_test
