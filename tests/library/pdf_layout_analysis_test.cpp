// The layout analysis on pages read from LibreOffice-made PDF files (one
// column, two columns, a 3x3 table; made by
// tests/fixtures/pdfdocument/layout/make_fixtures.py): the formatter's
// structure dump, each paragraph shortened to its alignment and first word,
// compared with the structure of the source document. The pages are set
// up as the RTF writer sets them up: one-inch margins, the text elements
// without blanks.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/document_routines.h"
#include "framework/page_model.h"
#include "pdfdocument/pdf_document.h"
#include "rtf/formatter.h"
#include "rtf/positioned_page_builder.h"
#include "support/paths.h"
#include "wordmodel/formatter_results.h"

namespace pdf_layout_analysis_test {
namespace {

namespace fs = std::filesystem;
namespace wm = vn::wordmodel;
using Rows = std::vector<std::string>;

// "  paragraph justify Item1 bravo/charlie ..." becomes
// "  paragraph justify Item1": the lines of a paragraph depend on the
// producer's line breaking, not on the structure.
Rows Shortened(const Rows& ARows) {
  Rows rows;
  for (const std::string& row : ARows) {
    const size_t at = row.find("paragraph ");
    if (at == std::string::npos) {
      rows.push_back(row);
      continue;
    }
    const size_t align = row.find(' ', at + 10);
    const size_t word = align == std::string::npos ? std::string::npos : row.find_first_of(" /", align + 1);
    rows.push_back(word == std::string::npos ? row : row.substr(0, word));
  }
  return rows;
}

Rows Analyse(const std::string& AName) {
  vn::pdfdoc::TvnqPDFDocument document;
  document.LoadFromFile(vn::FromUtf8((fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "layout" / AName).string()), u"");
  EXPECT_EQ(document.GetPageCount(), 1);
  vn::framework::TvnPage* page = document.GetPage(1);
  const vn::framework::TvnPageSize size = page->GetPageSize();
  const auto unit = document.GetMeasurementUnit();
  wm::TvnPageData data;
  data.SetPageWidth(vn::framework::ConvertMeasurement(unit, vn::framework::TvnMeasurementUnit::muPoints, size.Width));
  data.SetPageHeight(
      vn::framework::ConvertMeasurement(unit, vn::framework::TvnMeasurementUnit::muPoints, size.Height));
  data.GetPageMargin()->SetLeft(72);
  data.GetPageMargin()->SetTop(72);
  data.GetPageMargin()->SetRight(72);
  data.GetPageMargin()->SetBottom(72);
  for (vn::framework::TvnDocItem* item : page->GetPageElements()) {
    auto* element = dynamic_cast<wm::TvnTextElement*>(item);
    if (element && !element->GetText().empty() && element->GetText() != u" ") data.GetDocItems().push_back(element);
  }
  wm::TvnDataCollection pages;
  vn::rtf::analyzer::TvnFormatter formatter(&pages);
  formatter.Add(&data);
  return Shortened(positioned_page_builder::DumpSections(*formatter.GetFormattedData()));
}

// A heading and two paragraphs give the source's three paragraphs.
TEST(PdfLayoutAnalysis, OneColumnGivesTheSourceParagraphs) {
  EXPECT_EQ(Analyse("one_column.pdf"), (Rows{"section next page", "  paragraph left Layout",
                                             "  paragraph left First", "  paragraph left Second"}));
}

// A heading, then twelve paragraphs set in two columns: the heading stands
// above a section of two Word columns (LibreOffice's 0.4 inch gap, about 30
// points) with a column break, one paragraph per item. The seventh item
// runs on at the top of the second column, so the column break cuts it in
// two paragraphs, as the page shows it.
TEST(PdfLayoutAnalysis, TwoColumnsGiveAHeadingAndAColumnSection) {
  EXPECT_EQ(Analyse("two_columns.pdf"),
            (Rows{"section next page", "  paragraph left Columns", "section columns 219/30 217/0",
                  "  paragraph left Item1", "  paragraph left Item2", "  paragraph left Item3",
                  "  paragraph left Item4", "  paragraph left Item5", "  paragraph left Item6",
                  "  paragraph left Item7", "  column break", "  paragraph left november",
                  "  paragraph left Item8", "  paragraph left Item9", "  paragraph left Item10",
                  "  paragraph left Item11", "  paragraph left Item12"}));
}

// A 3x3 table gives one table of three rows of three cells, each cell
// holding its source cell's text. The cell edges are not drawn, so the
// boundaries between cells lie midway between the texts of neighbouring
// columns: the narrow texts of the second and third columns then sit in
// the middle and at the right of their cells, where the source has them on
// the left.
TEST(PdfLayoutAnalysis, TableGivesOneTableOfThreeRows) {
  Rows expected = {"section next page", "  spacer 0", "  table rows=3"};
  for (const char* row : {"1", "2", "3"}) {
    expected.push_back("    row 85 156 85");
    for (const auto& [alignment, column] : {std::pair{"left", "A"}, {"centre", "B"}, {"right", "C"}}) {
      expected.push_back("      cell");
      expected.push_back(std::string("        paragraph ") + alignment + " " + column + row);
    }
  }
  expected.push_back("  spacer 0");
  EXPECT_EQ(Analyse("table.pdf"), expected);
}

}  // namespace
}  // namespace pdf_layout_analysis_test
