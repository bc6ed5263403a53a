// The third link of the layout analysis: TvnColumnAndTableAnalyzer cuts the
// groups of a page into horizontal bands, finds the columns of each band,
// turns bands whose columns hold equal numbers of short blocks into tables,
// repeats the column search inside every text column (side-by-side blocks
// there become a one-row table) and hands the page on as unformatted
// sections.
//
// Ownership: the analyzer owns the bands, columns, sections and tables it
// makes; the output collection lists the sections for as long as the
// analyzer lives. The groups stay the group analyzer's; only their
// GroupInTable flag is set here.
#pragma once

#include <vector>

#include "rtf/layout_analysis_impl.h"
#include "rtf/line_analyzer.h"

namespace vn::rtf::analyzer {

class TvnColumnAndTableAnalyzer : public TvnAnalyzer {
 public:
  using TvnAnalyzer::TvnAnalyzer;

  // Reads the TvnFormatterGroup items of the input collection and appends
  // the sections, top to bottom, to the output collection. The margins and
  // page size are kept; the last argument (the page's own collection) is
  // not used.
  void Analyze(wordmodel::TvnPageMargins* APageMargin, double APageWidth, double APageHight,
               wordmodel::TObject* AAdditionalInfo) override;

 protected:
  wordmodel::TvnPageMargins* FPageMargin = nullptr;
  double FPageWidth = 0;
  double FPageHeight = 0;

 private:
  using Items = std::vector<wordmodel::TvnDocItem*>;
  using Sections = std::vector<wordmodel::TvnUnFormattedSection*>;

  std::vector<wordmodel::TvnFormatterGroup*> GroupIntoBands(const Items& AGroups);
  Sections ArrangeColumns(const std::vector<wordmodel::TvnFormatterGroup*>& ABands, bool ANesting);
  wordmodel::TvnFormatterColumns* ColumnFromGroup(wordmodel::TvnDocItem* AGroup);
  wordmodel::TvnFormatterTable* TableFromRows(const std::vector<std::vector<wordmodel::TvnFormatterColumns*>>& ARows);
  void NestedPass(wordmodel::TvnFormatterColumns* AColumn);
  // The leading lines of a column of a text section (two columns or more,
  // no table) that end above the top of every other column: a heading set
  // over the columns but within one column's width, which the group
  // analysis merged into that column's group. They are cut off into a
  // one-column section returned to go before ASection (null when there are
  // none), so the heading stands above the columns as on the page.
  wordmodel::TvnUnFormattedSection* CutOffLinesAbove(wordmodel::TvnUnFormattedSection* ASection);

  AnalysisArena FArena;
};

}  // namespace vn::rtf::analyzer
