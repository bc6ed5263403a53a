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

// Twelve paragraphs set in two columns give a section of two Word columns
// (LibreOffice's 0.4 inch gap, about 30 points) with a column break: the
// paragraphs of the first column before it, those of the second after.
TEST(PdfLayoutAnalysis, TwoColumnsGiveAColumnSection) {
  const Rows rows = Analyse("two_columns.pdf");
  ASSERT_FALSE(rows.empty());
  EXPECT_TRUE(rows[0].starts_with("section ")) << rows[0];
  EXPECT_NE(rows[0].find("218/30 216/0"), std::string::npos) << rows[0];
  size_t breakAt = 0;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i] == "  column break") breakAt = i;
  ASSERT_GT(breakAt, 0u);
  auto at = [&](const std::string& AItem) {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].ends_with(" " + AItem)) return i;
    return size_t{0};
  };
  for (const char* first : {"Item1", "Item2", "Item3", "Item7"}) {
    EXPECT_GT(at(first), 0u) << first;
    EXPECT_LT(at(first), breakAt) << first;
  }
  for (const char* second : {"Item8", "Item9", "Item10", "Item11", "Item12"}) EXPECT_GT(at(second), breakAt) << second;
}

// A 3x3 table gives one table whose cells hold the source cells' text,
// column by column.
TEST(PdfLayoutAnalysis, TableGivesOneTable) {
  const Rows rows = Analyse("table.pdf");
  std::vector<std::string> tables, cells;
  for (const std::string& row : rows) {
    if (row.find("table rows=") != std::string::npos) tables.push_back(row);
    if (const size_t p = row.find("paragraph "); p != std::string::npos) cells.push_back(row.substr(row.rfind(' ') + 1));
  }
  EXPECT_EQ(tables.size(), 1u);
  EXPECT_EQ(cells, (std::vector<std::string>{"A1", "A2", "A3", "B1", "B2", "B3", "C1", "C2", "C3"}));
}

}  // namespace
}  // namespace pdf_layout_analysis_test
