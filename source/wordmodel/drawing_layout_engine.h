// Places floating pictures and text boxes on a page and builds the region
// that text must avoid around them.
//
// The paragraph layout keeps one engine for pictures and one for text boxes
// per region; before it places a drawing that is not inline it tells the
// engine where the anchor is (the run's and the paragraph's top, the x after
// the text placed before the anchor, the page number), then calls
// PositionDrawing and InitializeDrawingRegion. On entry the drawing's X and
// Y hold the offset the reader stored (pixels); positioning replaces them
// with page coordinates in pixels. Page size and margins come from the
// section; "odd" and "even" pages are told apart by the page number. Halves
// are rounded to even.
#pragma once

#include <cstdint>
#include <memory>

#include "wordmodel/drawing_placement.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnSection;
class TvnTextBox;
class TvnWordImage;

class TvnDrawingLayoutEngine : public TObject {
 public:
  // Places a floating drawing horizontally, then vertically, relative to
  // the page, the margins, the column (AdisplayRegion), the paragraph, the
  // line or the anchor character; inline drawings and missing drawings or
  // sections are left alone.
  void PositionDrawing(TvnTextBox* Adrawing, const TvnSection* ASection, const TRect& AdisplayRegion) const;
  void PositionDrawing(TvnWordImage* Adrawing, const TvnSection* ASection, const TRect& AdisplayRegion) const;
  // Replaces the drawing's wrap region by CreateWrapRegion's; nothing for a
  // missing drawing.
  void InitializeDrawingRegion(TvnTextBox* Adrawing, const TvnSection* ASection, const TRect& AdisplayRegion) const;
  void InitializeDrawingRegion(TvnWordImage* Adrawing, const TvnSection* ASection, const TRect& AdisplayRegion) const;

  // The rectangles text must avoid around a placed drawing, by its
  // wrapping: none, one empty rectangle; tight or through, the drawing's
  // box and the band beside it on the side text does not flow on; square,
  // the box grown by the distances from text, reaching the region's edge on
  // the side text does not flow on; top and bottom, the full width of the
  // region from the top distance above to the bottom distance below. A
  // wrap of any other kind keeps the drawing's box.
  static std::unique_ptr<TvnPath> CreateWrapRegion(const DrawingPlacement& APlacement, const TvnDocItem& ADrawing,
                                                   const TRect& AdisplayRegion);

  // The top of the run that holds the anchor.
  int32_t GetCurrentRunTop() const { return FcurrentRunTop; }
  void SetCurrentRunTop(int32_t Value) { FcurrentRunTop = Value; }
  // The top of the paragraph that holds it.
  int32_t GetCurrentParaTop() const { return FcurrentParaTop; }
  void SetCurrentParaTop(int32_t Value) { FcurrentParaTop = Value; }
  // The x just after the last text item placed before the anchor.
  int32_t GetCurrentRunRight() const { return FcurrentRunRight; }
  void SetCurrentRunRight(int32_t Value) { FcurrentRunRight = Value; }
  int32_t GetPageNumber() const { return FpageNumber; }
  void SetPageNumber(int32_t Value) { FpageNumber = Value; }

 private:
  void Position(DrawingPlacement& APlacement, TvnDocItem& ADrawing, const TvnSection& ASection,
                const TRect& AdisplayRegion) const;
  int32_t PositionHorizontally(const DrawingPlacement& APlacement, const TvnDocItem& ADrawing,
                               const TvnSection& ASection, const TRect& AdisplayRegion) const;
  int32_t PositionVertically(const DrawingPlacement& APlacement, const TvnDocItem& ADrawing,
                             const TvnSection& ASection) const;
  bool OddPage() const { return FpageNumber % 2 != 0; }

  int32_t FcurrentRunTop = 0;
  int32_t FcurrentParaTop = 0;
  int32_t FcurrentRunRight = 0;
  int32_t FpageNumber = 0;
};

}  // namespace vn::wordmodel
