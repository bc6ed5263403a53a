// The second link of the layout analysis: TvnGroupAnalyzer gathers the text
// lines of a page into groups, blocks of consecutive lines that share a left
// edge, a centre or a right edge and follow each other closely. Groups on
// one baseline close together are joined, groups are merged up and down
// where nothing stands between them, and cut again at wide vertical gaps.
//
// Ownership: the analyzer works on copies of the input lines (joining two
// single-line groups changes a line), and owns them and the groups; the
// output collection lists the groups for as long as the analyzer lives. The
// text elements stay with whoever made the lines.
#pragma once

#include <vector>

#include "rtf/layout_analysis_impl.h"
#include "rtf/line_analysis_impl.h"
#include "rtf/line_analyzer.h"

namespace vn::rtf::analyzer {

class TvnGroupAnalyzer : public TvnAnalyzer {
 public:
  using TvnAnalyzer::TvnAnalyzer;

  // Reads the TvnFormatterLine items of the input collection (top to
  // bottom) and appends the groups to the output collection. The margins
  // and page size are kept; the last argument is not used.
  void Analyze(wordmodel::TvnPageMargins* APageMargin, double APageWidth, double APageHight,
               wordmodel::TObject* AAdditionalInfo) override;

 protected:
  wordmodel::TvnPageMargins* FPageMargin = nullptr;
  double FPageWidth = 0;
  double FPageHeight = 0;

 private:
  using Groups = std::vector<wordmodel::TvnFormatterGroup*>;

  wordmodel::TvnFormatterGroup* GroupFromLine(wordmodel::TvnFormatterLine* ALine);
  void LinePass(const std::vector<wordmodel::TvnFormatterLine*>& ALines, Groups& AGroups);
  static void UpdateGroupBounds(wordmodel::TvnFormatterGroup* AGroup);
  // Each returns whether it changed the number of groups.
  bool JoinSingleLineGroups(Groups& AGroups);
  static bool MergeUp(Groups& AGroups);
  static bool MergeDown(Groups& AGroups);
  void SplitAtGaps(Groups& AGroups);

  AnalysisArena FArena;
  LineAnalysis FMeasure{false};
};

}  // namespace vn::rtf::analyzer
