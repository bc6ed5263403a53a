// The line analysis of the plain-text document: the positioned text
// elements of one page (as the PDF text extractor makes them) become lines
// of text. The analysis is that of the layout analyzers' line analyzer,
// with the baseline read from each element's first character box and
// super- and subscripts kept at their own size.
//
// Each rebuilt line gives one line of text: its elements' texts left to
// right, with a blank between two elements that stand more than half a
// blank apart (and neither of which already has one there), so text
// extracted word by word comes out as one line, not one word a line.
//
// The lines follow each other by baseline, except where the layout
// analysis (groups, then columns and tables) finds columns of running text
// side by side, or line numbers in a margin beside text: there a column's
// lines come before the next column's, block by block down the page, and
// what stands across the columns keeps its place. Rows of a table, labels
// beside their values and list numbers keep the baseline order.
//
// The analyzer works on copies: the elements stay their page's, unchanged.
#pragma once

#include <vector>

#include "wordmodel/positioned_text.h"

namespace vn::rtf::plaintext {

class TvnLineAnalyzer {
 public:
  // Analyses the text elements of ATextItemList (other items are left out)
  // and appends the lines of text, top to bottom, to AFinalList.
  TvnLineAnalyzer(const std::vector<wordmodel::TvnDocItem*>& ATextItemList, std::vector<String>& AFinalList);
};

}  // namespace vn::rtf::plaintext
