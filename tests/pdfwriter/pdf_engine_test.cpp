// The PDF engine's file structure: header, objects and their order,
// cross-reference table, trailer, document information, compression, and
// the bytes of a one-page document against a golden file.
#include <clocale>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "pdf_test_support.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::testing::pdf_engine_test {
namespace {

std::string EmptyDocument(TestEngine& engine) {
  engine.BeginDoc();
  engine.EndDoc();
  return engine.Bytes();
}

// Every xref line is 20 bytes and points at its object's header; startxref
// points at "xref".
void ExpectConsistentXRef(const std::string& pdf) {
  const size_t sx = pdf.rfind("startxref\r\n");
  ASSERT_NE(sx, std::string::npos);
  const size_t xref = std::stoull(pdf.substr(sx + 11));
  ASSERT_EQ(pdf.compare(xref, 6, "xref\r\n"), 0);
  size_t pos = xref + 6;
  const size_t eol = pdf.find("\r\n", pos);
  const std::string subsection = pdf.substr(pos, eol - pos);
  ASSERT_EQ(subsection.substr(0, 2), "0 ");
  const int count = std::stoi(subsection.substr(2));
  pos = eol + 2;
  for (int n = 0; n < count; ++n, pos += 20) {
    const std::string line = pdf.substr(pos, 20);
    ASSERT_EQ(line.size(), 20u);
    ASSERT_EQ(line.substr(18), "\r\n") << "line " << n;
    if (n == 0) {
      EXPECT_EQ(line, "0000000000 65535 f\r\n");
      continue;
    }
    ASSERT_EQ(line[17], 'n') << "object " << n;
    const size_t offset = std::stoull(line.substr(0, 10));
    const std::string head = std::to_string(n) + " 0 obj\r\n";
    EXPECT_EQ(pdf.compare(offset, head.size(), head), 0) << "object " << n;
  }
  EXPECT_EQ(pdf.compare(pos, 7, "trailer"), 0);
}

TEST(PdfFileStructure, OnePageEmptyDocumentMatchesGolden) {
  PinClock(60);
  TestEngine engine;
  engine.Page().SetPaperSize(vn::exporter::TvnPaperSize::A4);
  engine.Compression().Enabled = false;
  const std::string pdf = EmptyDocument(engine);
  const std::filesystem::path golden = std::filesystem::path(VN_FIXTURES_DIR) / "pdfwriter" / "empty_page.pdf";
  if (std::getenv("VN_REGENERATE_FIXTURES")) std::ofstream(golden, std::ios::binary) << pdf;
  std::ifstream in(golden, std::ios::binary);
  ASSERT_TRUE(in) << golden;
  std::stringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(pdf, expected.str());
  EXPECT_EQ(QpdfProblems(pdf, "golden.pdf"), "");
}

TEST(PdfFileStructure, OnePageDocumentHasTheObjectsInFileOrder) {
  PinClock();
  TestEngine engine;
  engine.SetItemsToRender({vn::exporter::TvnItemsToRenderKind::irShape});
  const std::string pdf = EmptyDocument(engine);
  EXPECT_EQ(pdf.substr(0, 17), "%PDF-1.4\r\n%\xE2\xE3\xCF\xD3\r\n");
  size_t last = 0;
  for (int n : {6, 7, 8, 1, 2, 5, 4, 3}) {
    const size_t at = pdf.find("\n" + std::to_string(n) + " 0 obj\r\n");
    ASSERT_NE(at, std::string::npos) << n;
    EXPECT_GT(at, last) << n;
    last = at;
  }
  EXPECT_NE(pdf.find("xref\r\n0 9\r\n"), std::string::npos);
  EXPECT_NE(pdf.find("trailer\r\n<<\r\n/Root 1 0 R/Info 3 0 R/Size 9\r\n>>\r\nstartxref\r\n"), std::string::npos);
  EXPECT_EQ(pdf.substr(pdf.size() - 5), "%%EOF");
  EXPECT_NE(pdf.find("\n1 0 obj\r\n<<\r\n/Type/Catalog/Pages 2 0 R/PageMode/UseNone/PageLayout/OneColumn/ViewerPreferences << "
                     ">>\r\n>>\r\nendobj\r\n"),
            std::string::npos);
  EXPECT_EQ(ObjectOf(pdf, 2), "<<\r\n/Type/Pages/Count 1/Kids [6 0 R]\r\n>>\r\n");
  EXPECT_EQ(ObjectOf(pdf, 5), "<<\r\n/ProcSet 4 0 R/XObject << >>\r\n>>\r\n");
  EXPECT_EQ(ObjectOf(pdf, 4), "[/PDF]\r\n");
  EXPECT_EQ(ObjectOf(pdf, 6),
            "<<\r\n/Type/Page/Parent 2 0 R/MediaBox [0 0 150.0000 150.0000]/Resources 5 0 R/Contents 7 0 R"
            "/Dur 1/Trans <</Type/Trans/D 1/S/R >>\r\n>>\r\n");
  EXPECT_NE(ObjectOf(pdf, 7).find("/Length 8 0 R/Filter /FlateDecode\r\n"), std::string::npos);
  // No encryption: no /ID and no /Encrypt.
  EXPECT_EQ(pdf.find("/ID"), std::string::npos);
  EXPECT_EQ(pdf.find("/Encrypt"), std::string::npos);
  ExpectConsistentXRef(pdf);
}

TEST(PdfFileStructure, ProcedureSetsFollowTheItemsRendered) {
  PinClock();
  TestEngine engine;
  EXPECT_EQ(ObjectOf(EmptyDocument(engine), 4), "[/PDF /Text /ImageC]\r\n");
}

// Several pages with shapes under each compression setting: the table is
// consistent and qpdf finds nothing.
TEST(PdfFileStructure, CrossReferenceIsRightUnderEveryCompression) {
  struct Case {
    bool enabled;
    TvnCompressionLevel level;
  } cases[] = {{true, TvnCompressionLevel::cMaxCompress},
               {true, TvnCompressionLevel::cNormal},
               {true, TvnCompressionLevel::cFastest},
               {false, TvnCompressionLevel::cMaxCompress}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.level)) + (c.enabled ? " on" : " off"));
    PinClock();
    TestEngine engine;
    engine.Compression().Enabled = c.enabled;
    engine.Compression().Level = c.level;
    engine.BeginDoc();
    engine.Brush().Style = TBrushStyle::bsCross;
    engine.Rectangle(10, 10, 90, 90, true);
    engine.LineArtSettings().Opacity = 50;
    engine.Ellipse(20, 20, 120, 80, true);
    engine.NewPage();
    engine.Line(0, 0, 100, 100);
    engine.EndDoc();
    const std::string pdf = engine.Bytes();
    ExpectConsistentXRef(pdf);
    EXPECT_EQ(QpdfProblems(pdf, "compression.pdf"), "");
    const auto contents = PageContents(pdf);
    ASSERT_EQ(contents.size(), 2u);
    for (const std::string& content : contents) EXPECT_TRUE(Balanced(content)) << content;
    EXPECT_EQ(pdf.find("FlateDecode") != std::string::npos, c.enabled);
    // The pattern's content is the plain operators without compression.
    if (!c.enabled) {
      EXPECT_NE(pdf.find("2 J 2 j 0.3 w 0 2.5 m 5 2.5 l 2.5 0 m 2.5 5 l S"), std::string::npos);
    }
  }
}

TEST(PdfFileStructure, LengthsMatchTheStreamsWritten) {
  PinClock();
  for (bool enabled : {false, true}) {
    TestEngine engine;
    engine.Compression().Enabled = enabled;
    engine.Compression().Level = TvnCompressionLevel::cFastest;
    const std::string pdf = EmptyDocument(engine);
    const std::string data = StreamOf(pdf, 7);
    EXPECT_EQ(ObjectOf(pdf, 8), std::to_string(data.size()) + "\r\n");
    if (enabled) {
      // Stored blocks: valid zlib data a few bytes longer than the content.
      const std::string plain = Inflate(data);
      EXPECT_EQ(plain.substr(0, 4), "q 1.");
      EXPECT_GT(data.size(), plain.size());
    } else {
      EXPECT_EQ(data.substr(0, 4), "q 1.");
    }
  }
}

TEST(PdfFileStructure, CreationDateCarriesTheLocalOffset) {
  struct Case {
    int offset;
    const char* date;
  } cases[] = {{330, "D:20240305143015+05'30'"}, {-210, "D:20240305143015-03'30'"}, {0, "D:20240305143015+00'00'"},
               {345, "D:20240305143015+05'45'"}, {-30, "D:20240305143015-00'30'"}};
  for (const Case& c : cases) {
    PinClock(c.offset);
    TestEngine engine;
    const std::string pdf = EmptyDocument(engine);
    EXPECT_EQ(engine.CreationTime(), c.date);
    const std::string hex = vn::framework::AnsiToHexText(c.date);
    EXPECT_NE(ObjectOf(pdf, 3).find("/CreationDate <" + hex + ">/ModDate <" + hex + ">"), std::string::npos) << c.date;
  }
}

TEST(PdfFileStructure, DocumentInformation) {
  PinClock();
  TestEngine engine;
  engine.DocInfo().SetAuthor(u"   ");
  engine.DocInfo().SetTitle(u" T\u00e9 ");
  engine.DocInfo().SetSubject(u"S");
  const std::string info = ObjectOf(EmptyDocument(engine), 3);
  EXPECT_EQ(info.find("/Author"), std::string::npos);
  // FE FF then UTF-16BE; the blanks stay.
  EXPECT_NE(info.find("/Title <FEFF0020005400E90020>/Subject <FEFF0053>"), std::string::npos);
  EXPECT_NE(info.find("/Producer <" + vn::framework::AnsiToHexText(std::string("\xFE\xFF", 2)) +
                      "00500065006C006D006F0072006100200056006900720065006F0034002E0030002E0030002E003500310036>"),
            std::string::npos);
}

TEST(PdfFileStructure, PdfAVersionHasNoDatesOrProducer) {
  PinClock();
  TestEngine engine;
  engine.Preferences().Version = TvnPDFSubVersion::sPDFA_VER2B;
  engine.DocInfo().SetTitle(u"T");
  const std::string pdf = EmptyDocument(engine);
  EXPECT_EQ(pdf.substr(0, 10), "%PDF-1.7\r\n");
  EXPECT_EQ(ObjectOf(pdf, 3), "<<\r\n/Title <FEFF0054>\r\n>>\r\n");
}

// What the engine cannot write yet, or what no document may combine, is
// refused before anything is written, never left out of a document that
// looks complete.
TEST(PdfFileStructure, SettingsAndItemsNotWrittenYetAreRefused) {
  const struct {
    std::function<void(TestEngine&)> set;
    const char* message;
  } settings[] = {
      {[](TestEngine& e) { e.DigitalSignature().Enabled = true; }, "Signed PDF output is not supported"},
      {[](TestEngine& e) {
         e.Preferences().Version = TvnPDFSubVersion::sPDFA_VER1B;
         e.Encryption().SetEnabled(true);
       },
       "PDF/A output cannot be encrypted"},
  };
  for (const auto& c : settings) {
    TestEngine engine;
    c.set(engine);
    try {
      engine.BeginDoc();
      ADD_FAILURE() << c.message;
    } catch (const vn::ENotSupportedException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_FALSE(engine.IsDocumentStarted());
    EXPECT_EQ(engine.Bytes(), "");
  }
}

TEST(PdfFileStructure, PageNotRenderedIsNotInThePageTree) {
  PinClock();
  TestEngine engine;
  engine.SetPagesToRender(u"2");
  engine.BeginDoc();
  engine.NewPage();
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(ObjectOf(pdf, 2), "<<\r\n/Type/Pages/Count 1/Kids [6 0 R]\r\n>>\r\n");
  EXPECT_EQ(QpdfProblems(pdf, "skipped.pdf"), "");
}

TEST(PdfFileStructure, EachDocumentRestartsTheNumbering) {
  PinClock();
  TestEngine engine;
  const std::string first = EmptyDocument(engine);
  engine.Output.SetSize(0);
  engine.Output.SetPosition(0);
  EXPECT_EQ(EmptyDocument(engine), first);
}

TEST(PdfFileStructure, OffsetsCountFromWhereTheDocumentStartsInTheUserStream) {
  PinClock();
  TestEngine engine;
  engine.Output.WriteString("leading bytes");
  const std::string pdf = EmptyDocument(engine).substr(13);
  ExpectConsistentXRef(pdf);
}

TEST(PdfFileStructure, UserStreamMustBeAssigned) {
  TestEngine engine;
  engine.SetUserStream(nullptr);
  EXPECT_THROW(engine.BeginDoc(), vn::framework::EFileCreateError);
  EXPECT_FALSE(engine.IsDocumentStarted());
}

TEST(PdfFileStructure, WritesTheOutputFile) {
  PinClock();
  TestEngine engine;
  engine.Preferences().SetOutputToUserStream(false);
  const auto base = TempFile("output");
  engine.SetFileName(vn::FromUtf8(base.string()));
  engine.BeginDoc();
  engine.EndDoc();
  std::ifstream in(base.string() + ".pdf", std::ios::binary);
  ASSERT_TRUE(in);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str().substr(0, 8), "%PDF-1.4");
  EXPECT_EQ(bytes.str().substr(bytes.str().size() - 5), "%%EOF");
  EXPECT_EQ(QpdfProblems(bytes.str(), "file.pdf"), "");
}

TEST(PdfFileStructure, FormatNumberIsFixedWithFourDecimals) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {{595.27559, "595.2756"}, {0, "0.0000"},         {-0.00001, "0.0000"},           {12.5, "12.5000"},
               {1e-7, "0.0000"},        {-3.25, "-3.2500"},    {1e20, "1000000000000.0000"}, {-1e300, "-1000000000000.0000"},
               {1.0 / 0.0, "0.0000"},   {123456789.123456, "123456789.1235"}};
  for (const Case& c : cases) EXPECT_EQ(TestEngine::FormatNumber(c.value), c.text) << c.value;
}

TEST(PdfFileStructure, OutputIsTheSameUnderACommaDecimalLocale) {
  const auto document = [] {
    PinClock();
    TestEngine engine;
    engine.Compression().Enabled = false;
    engine.BeginDoc();
    engine.Pen().Width = 3;
    engine.LineArtSettings().Opacity = 37;
    engine.Ellipse(10.25, 20.5, 110.75, 90.125, true);
    engine.EndDoc();
    return engine.Bytes();
  };
  const std::string c_locale = document();
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!vn::test_support::SetLocale("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale missing";
  const std::string german = document();
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(german, c_locale);
  EXPECT_NE(c_locale.find("/ca 0.37"), std::string::npos);
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_engine_test
