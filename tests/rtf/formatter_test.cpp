// The whole layout analysis through the formatter: synthetic pages of
// positioned text rebuilt as sections, columns, tables, paragraphs and
// spacers, compared as structure dumps; degenerate pages; the order and
// the once-only formatting of pages.
#include "rtf/formatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "positioned_page_builder.h"

namespace vn::rtf::formatter_test {

using analyzer::TvnFormatter;
using positioned_page_builder::DumpSections;
using positioned_page_builder::PageBuilder;
using wordmodel::TvnDataCollection;
using wordmodel::TvnFormatterSection;
using Rows = std::vector<std::string>;

Rows Format(PageBuilder& APage) {
  TvnDataCollection pages;
  TvnFormatter formatter(&pages);
  formatter.Add(&APage.Page());
  return DumpSections(*formatter.GetFormattedData());
}

struct PageCase {
  const char* What;
  void (*Build)(PageBuilder&);
  Rows Expected;
};

TEST(LayoutFormatter, SyntheticPagesRebuildTheirStructure) {
  const PageCase cases[] = {
      {"one column of text",
       [](PageBuilder& p) { p.AddLines("a", 8, 72, 100, 14, 468, 200); },
       {"section next page", "  paragraph justify a1/a2/a3/a4/a5/a6/a7/a8/"}},
      {"one column, then two columns of six lines",
       [](PageBuilder& p) {
         p.AddLines("t", 3, 72, 100, 14, 468, 300);
         p.AddLines("l", 6, 72, 160, 14, 220, 120);
         p.AddLines("r", 6, 332, 160, 14, 208, 100);
       },
       {"section next page", "  paragraph left t1/t2/t3/", "section columns 220/40 208/0",
        "  paragraph justify l1/l2/l3/l4/l5/l6/", "  column break", "  paragraph justify r1/r2/r3/r4/r5/r6/"}},
      {"a 3x3 grid of short blocks",
       [](PageBuilder& p) {
         for (int row = 0; row < 3; ++row) {
           for (int col = 0; col < 3; ++col) {
             const std::string name = std::string(1, static_cast<char>('a' + col)) + std::to_string(row + 1) + "-";
             p.AddLines(name, 2, 72 + 180 * col, 100 + 70 * row, 12, 100, 60);
           }
         }
       },
       {"section next page", "  spacer 0", "  table rows=3", "    row 140 180 140", "      cell",
        "        paragraph left a1-1/a1-2/", "      cell", "        paragraph left b1-1/b1-2/", "      cell",
        "        paragraph left c1-1/c1-2/", "    row 140 180 140", "      cell", "        paragraph left a2-1/a2-2/",
        "      cell", "        paragraph left b2-1/b2-2/", "      cell", "        paragraph left c2-1/c2-2/",
        "    row 140 180 140", "      cell", "        paragraph left a3-1/a3-2/", "      cell",
        "        paragraph left b3-1/b3-2/", "      cell", "        paragraph left c3-1/c3-2/", "  spacer 0"}},
      {"a heading and its body",
       [](PageBuilder& p) {
         p.Add(u"Heading", 72, 100, 150, 18, 16);
         p.AddLines("b", 4, 72, 150, 14, 468, 250);
       },
       {"section next page", "  paragraph left Heading/", "  spacer 38", "  paragraph justify b1/b2/b3/b4/"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    PageBuilder page;
    c.Build(page);
    EXPECT_EQ(Format(page), c.Expected);
  }
}

}  // namespace vn::rtf::formatter_test
