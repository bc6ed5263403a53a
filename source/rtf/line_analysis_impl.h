// The steps both line analyzers share: positioned text elements grouped by
// baseline, split at wide gaps, pieces and super- and subscripts merged,
// word gaps repaired and pieces of one visual line rejoined.
//
// The analysis works on copies of the page's elements (CopyTextElement):
// it changes texts, rectangles, alignments and font sizes, and the page
// the elements came from keeps its own unchanged.
#pragma once

#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "wordmodel/formatter_results.h"
#include "wordmodel/positioned_text.h"

namespace vn::rtf {

// A line being built: its elements left to right and its bounds (X and Y
// of the first element, Y on the baseline).
struct AnalysisLine {
  std::vector<wordmodel::TvnTextElement*> Items;
  double X = 0;
  double Y = 0;
  double Width = 0;
  double Height = 0;
  double Right() const { return X + Width; }
};

// A formatter line holding ALine's elements, with its bounds (X and Y of
// the first element, Y on the baseline) and its left, right and centre.
std::unique_ptr<wordmodel::TvnFormatterLine> MakeFormatterLine(const AnalysisLine& ALine);

// A copy of AElement that the analysis may change: text, font, colour,
// alignment, break, its own bounding rectangle (0, 0, 0, 0 when the
// element has none; coordinates that are not finite read as 0) and its own
// character rectangles, kept in ACharRects.
std::unique_ptr<wordmodel::TvnTextElement> CopyTextElement(
    const wordmodel::TvnTextElement& AElement, std::vector<std::unique_ptr<wordmodel::TvnRectF>>& ACharRects);

// The writing direction that most characters of AElements take, in quarter
// turns clockwise on the page (y down): 0 for text running left to right,
// 1 running down, 2 running right to left upside down, 3 running up. An
// element's direction goes from the centre of its first character box to
// that of its last (text running to the left whose letters stand above its
// baseline is right-to-left text of an upright page); elements of one
// character give none.
int WritingQuarterTurns(const std::vector<const wordmodel::TvnTextElement*>& AElements);

// Turns AElement (its bounding rectangle, whose X and Y are the origin of
// its first character on the baseline, and its character boxes) by
// AQuarterTurns counter-clockwise, as a page of APageWidth by APageHeight
// is turned to read text of that writing direction: the text then runs
// left to right, its lines follow each other downwards, and the page
// stays at the origin (the turned page is APageHeight wide for an odd
// number of turns).
void TurnUpright(wordmodel::TvnTextElement& AElement, int AQuarterTurns, double APageWidth, double APageHeight);

class LineAnalysis {
 public:
  // With AEnlargeScripts a super- or subscript merged into a line gets its
  // font size multiplied by 1.53 (rounded up).
  explicit LineAnalysis(bool AEnlargeScripts) : FEnlargeScripts(AEnlargeScripts) {}

  // Builds the lines of AElements (whose bounding rectangles must be set)
  // in reading order, top to bottom.
  std::vector<AnalysisLine> Run(const std::vector<wordmodel::TvnTextElement*>& AElements);

  // The width of a blank in AFont (Arial 8 when null) in page units
  // (points), the unit of the gaps it is compared with: the platform font
  // layer measures it in pixels on the 96-dpi screen, and 96 pixels make 72
  // points. Remembered per face, size and style.
  double SpaceWidth(const framework::TvnFont* AFont);
  // The same width in whole pixels of the 96-dpi screen.
  double SpaceWidthPixels(const framework::TvnFont* AFont);

 private:
  std::vector<AnalysisLine> SplitLines(const std::vector<wordmodel::TvnTextElement*>& AElements);
  static void UpdateLineBounds(AnalysisLine& ALine);
  void MergeScriptLines(std::vector<AnalysisLine>& ALines);
  void RepairWordGaps(std::vector<AnalysisLine>& ALines);
  void RejoinLines(std::vector<AnalysisLine>& ALines);
  // Moves AFrom's elements into AInto as script text of AInto's height.
  void MergeAsScript(AnalysisLine& AFrom, AnalysisLine& AInto, wordmodel::TvnTextAlignment AAlignment);

  // Points per pixel of the 96-dpi screen.
  static constexpr double kPointsPerPixel = 72.0 / 96.0;

  bool FEnlargeScripts;
  std::map<std::tuple<String, int32_t, uint8_t>, double> FSpaceWidths;
};

}  // namespace vn::rtf
