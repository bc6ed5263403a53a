// The last link of the layout analysis: TvnParagraphAnalyzer replaces the
// groups in the columns of each unformatted section by paragraphs, lays out
// the tables found there (cell widths, indent) and fills their cells with
// paragraphs, inserts empty spacer paragraphs that carry the vertical gaps,
// and measures the columns of multi-column sections. BuildParagraph gives a
// run of lines its alignment, indents, line spacing and space after;
// FindTabs finds the tab stops of a line.
//
// Ownership: the analyzer owns the paragraphs, spacers, tab stops, column
// records and line-break elements it makes; the sections, tables and cells
// it rewrites stay the column-and-table analyzer's, and the same section
// objects are appended to the output collection.
#pragma once

#include <vector>

#include "rtf/layout_analysis_impl.h"
#include "rtf/line_analysis_impl.h"
#include "rtf/line_analyzer.h"

namespace vn::rtf::analyzer {

class TvnParagraphAnalyzer : public TvnAnalyzer {
 public:
  using TvnAnalyzer::TvnAnalyzer;

  // Reads the TvnUnFormattedSection items of the input collection, rewrites
  // their columns and appends them to the output collection. The margins
  // (null reads as zero margins) and page size are kept; the last argument
  // is not used.
  void Analyze(wordmodel::TvnPageMargins* APageMargin, double APageWidth, double APageHight,
               wordmodel::TObject* AAdditionalInfo) override;

  // A paragraph for ALines (top to bottom, at least one) sitting between
  // ALeftBound and ARightBound; ANextTop is the top of the following
  // paragraph's first line, 0 when there is none. The lines are not
  // attached.
  wordmodel::TvnFormatterParagraph* BuildParagraph(const std::vector<const wordmodel::TvnFormatterLine*>& ALines,
                                                   double ANextTop, double ARightBound, double ALeftBound);
  // The tab stops of ALine, measured from ALeftBound (the page's left
  // margin when 0); the elements after a tab get a btTab break.
  std::vector<wordmodel::TvnFormatterTab*> FindTabs(const wordmodel::TvnFormatterLine* ALine, double ALeftBound);
  // Two elements of ALine that stand more than half a blank apart (of the
  // narrower of their fonts) without a tab between them are two words: the
  // second one gets a leading blank unless one of them has one there
  // already. A page that shows each word on its own (an invisible text
  // layer, word-by-word producers) would otherwise run its words together,
  // as the text output does not.
  void SeparateWords(const wordmodel::TvnFormatterLine* ALine);

 protected:
  wordmodel::TvnPageMargins* FPageMargin = nullptr;
  double FPageWidth = 0;
  double FPageHeight = 0;

 private:
  using Items = std::vector<wordmodel::TvnDocItem*>;

  Items SplitParagraphs(const wordmodel::TvnFormatterGroup* AGroup, bool ASingleColumn, double ARight, double ALeft,
                        bool AInCell);
  void LayoutTable(wordmodel::TvnFormatterTable* ATable, bool ASingleColumn, double ALeftEdge);
  // A row whose cells hold as many paragraphs each, more than one, the
  // paragraphs of one rank starting on one baseline (within 3.1) in every
  // cell, is a run of rows drawn close together, which the group analysis
  // took for one block per column (lines less than 30 apart): it becomes one
  // row per rank, each cell of the width it had.
  void SplitAlignedRows(wordmodel::TvnFormatterTable* ATable);
  // A row of labels and values (an information box: a label per line in
  // the first cell, each beside the first line of its value, some values
  // running over several lines before the next label) becomes one row per
  // label, each cell holding the lines from that label down to the next;
  // read as one row, every label came before every value. Side-by-side
  // blocks whose lines share one baseline pitch stay one row.
  void SplitLabelledRows(wordmodel::TvnFormatterTable* ATable);
  static bool SameColumnPattern(const wordmodel::TvnFormatterLine* P, const wordmodel::TvnFormatterLine* L,
                                const wordmodel::TvnFormatterLine* N);
  wordmodel::TvnFormatterParagraph* Spacer(double ASpaceBefore, double ASpaceAfter);
  void RewriteColumn(wordmodel::TvnFormatterColumns* AColumn, bool ASingleColumn, const wordmodel::TvnRectF& ABounds);
  double LeftMargin() const;
  double RightMargin() const;

  AnalysisArena FArena;
  LineAnalysis FMeasure{false};
};

}  // namespace vn::rtf::analyzer
