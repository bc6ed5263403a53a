// TvnFormatter turns each page of positioned text handed to it into
// formatter sections: it runs the layout analysis (lines, groups, columns
// and tables, paragraphs) on the page and converts the result into
// TvnFormatterSection items with the page's size, margins, section type and
// columns, which the RTF writer writes page by page.
//
// Pages reach it through the unformatted collection it watches: Add appends
// a page and formats it; a caller that changes the collection's list itself
// calls UnformattedNotify afterwards. A page is formatted when the list
// holds more items than ever before, so removing items formats nothing.
//
// Ownership: the formatter keeps, per page, the analyzers and their
// collections, which own every line, group, column, table and paragraph the
// sections refer to, and it owns the sections, their column records and the
// column-break paragraphs. The page data and its elements stay the caller's
// and are never changed; each section holds a copy of the page's margins.
#pragma once

#include <memory>
#include <vector>

#include "wordmodel/formatter_results.h"

namespace vn::rtf::analyzer {

class TvnFormatter : public wordmodel::TObject {
 public:
  // AUnFormattedData is borrowed and must outlive the formatter.
  explicit TvnFormatter(wordmodel::TvnDataCollection* AUnFormattedData);
  ~TvnFormatter() override;

  // Appends AItem to the unformatted collection and formats it.
  void Add(wordmodel::TvnDocItem* AItem);
  // To be called after every change of the unformatted collection's list:
  // formats the last item when the list is longer than ever before.
  void UnformattedNotify();

  // The sections of every page formatted so far, in page order.
  wordmodel::TvnDataCollection* GetFormattedData() { return &FFormattedData; }

 private:
  struct PageRun;

  void RunAnalyzers(wordmodel::TvnDocItem* AItem);
  void BuildSections(const wordmodel::TvnDataCollection& AData);

  wordmodel::TvnDataCollection* FUnformattedData;
  wordmodel::TvnDataCollection FFormattedData;
  double FHeight = 0;
  double FWidth = 0;
  wordmodel::TvnPageMargins FPageMargin;
  size_t FCount = 0;
  std::vector<std::unique_ptr<PageRun>> FRuns;
  std::vector<std::unique_ptr<wordmodel::TObject>> FOwned;
};

}  // namespace vn::rtf::analyzer
