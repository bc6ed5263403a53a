// The column and table analyzer over groups placed by hand: bands, columns
// that absorb wide groups, the table test and the merging of neighbouring
// bands.
#include "rtf/column_table_analyzer.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vn::rtf::column_table_analyzer_test {

using analyzer::TvnColumnAndTableAnalyzer;
using wordmodel::TvnDataCollection;
using wordmodel::TvnFormatterColumns;
using wordmodel::TvnFormatterGroup;
using wordmodel::TvnFormatterLine;
using wordmodel::TvnFormatterTable;
using wordmodel::TvnRectF;
using wordmodel::TvnUnFormattedSection;

// A group named Name, its rectangle (top-based) and its number of lines.
struct GroupSpec {
  std::string Name;
  double X, Y, W, H;
  int Lines;
};

// The sections as rows: "section" then one row per column with its items:
// group names, or "table RxC" with the cells' group names.
struct ColumnRun {
  explicit ColumnRun(const std::vector<GroupSpec>& ASpecs) {
    for (const GroupSpec& s : ASpecs) {
      auto group = std::make_unique<TvnFormatterGroup>();
      group->SetBoundingRect(std::make_shared<TvnRectF>(s.X, s.Y, s.W, s.H));
      for (int i = 0; i < s.Lines; ++i) {
        Lines.push_back(std::make_unique<TvnFormatterLine>());
        group->GetDocItems().push_back(Lines.back().get());
      }
      Names[group.get()] = s.Name;
      In.GetCollection().push_back(group.get());
      Groups.push_back(std::move(group));
    }
    Analyzer.Analyze(nullptr, 612, 792, nullptr);
  }
  std::vector<std::string> Dump() {
    std::vector<std::string> rows;
    for (const auto* item : Out.GetCollection()) {
      const auto* section = static_cast<const TvnUnFormattedSection*>(item);
      rows.push_back("section");
      for (const TvnFormatterColumns* c : section->GetColumns()) {
        std::string row = " column";
        for (const auto* i : c->GetDocItems()) {
          if (const auto* t = dynamic_cast<const TvnFormatterTable*>(i)) {
            row += " table";
            for (const auto* r : t->GetRows()) {
              row += " [";
              for (const auto* cell : r->GetCells()) {
                for (const auto* g : cell->GetDocItems()) {
                  row += " " + Names[g];
                  EXPECT_TRUE(static_cast<const TvnFormatterGroup*>(g)->GetGroupInTable());
                }
                row += " |";
              }
              row += "]";
            }
          } else {
            row += " " + Names[i];
          }
        }
        rows.push_back(row);
      }
    }
    return rows;
  }
  std::vector<std::unique_ptr<TvnFormatterLine>> Lines;
  std::vector<std::unique_ptr<TvnFormatterGroup>> Groups;
  std::map<const wordmodel::TvnDocItem*, std::string> Names;
  TvnDataCollection In, Out;
  TvnColumnAndTableAnalyzer Analyzer{&In, &Out};
};

struct ColumnCase {
  const char* What;
  std::vector<GroupSpec> Groups;
  std::vector<std::string> Expected;
};

TEST(LayoutColumnsAndTables, GroupsArrangeIntoColumnsAndTables) {
  const ColumnCase cases[] = {
      {"nothing", {}, {}},
      {"one block of text in two groups", {{"b", 72, 150, 468, 40, 4}, {"a", 72, 88, 468, 40, 4}},
       {"section", " column a b"}},
      {"two text columns of six lines", {{"l", 72, 88, 220, 70, 6}, {"r", 332, 88, 208, 70, 6}},
       {"section", " column l", " column r"}},
      {"a grid of short blocks, two bands",
       {{"a1", 72, 88, 100, 24, 2},
        {"b1", 252, 88, 100, 24, 2},
        {"c1", 432, 88, 100, 24, 2},
        {"a2", 72, 158, 100, 24, 2},
        {"b2", 252, 158, 100, 24, 2},
        {"c2", 432, 158, 100, 24, 2}},
       {"section", " column table [ a1 | b1 | c1 |] [ a2 | b2 | c2 |]"}},
      {"bands whose columns do not line up stay apart",
       {{"a1", 72, 88, 100, 24, 2}, {"b1", 252, 88, 100, 24, 2}, {"a2", 72, 158, 250, 24, 2}, {"b2", 400, 158, 100, 24, 2}},
       // Two one-column sections in a row become one.
       {"section", " column table [ a1 | b1 |] table [ a2 | b2 |]"}},
      {"a wide group absorbs the columns it reaches over",
       {{"a", 72, 88, 100, 40, 3}, {"b", 300, 88, 100, 40, 3}, {"wide", 72, 100, 400, 10, 1}},
       {"section", " column a b wide"}},
      {"a group starting left of a column joins it", {{"a", 100, 88, 100, 40, 3}, {"left", 50, 100, 100, 10, 1}},
       {"section", " column a left"}},
      {"side by side blocks of text stay columns", {{"l", 72, 88, 200, 70, 6}, {"r", 300, 88, 200, 40, 3}},
       {"section", " column l", " column r"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ColumnRun run(c.Groups);
    EXPECT_EQ(run.Dump(), c.Expected);
  }
}

}  // namespace vn::rtf::column_table_analyzer_test
