// The paragraph layout engine (TvnPageLayoutEngine): lays paragraphs into a
// rectangular region from a current Y downwards. It breaks a paragraph's
// children into TvnTextLine items, positions every word and inline picture,
// applies spacing, indents, tabs and leaders, list labels, alignment and
// justification, collects paragraph and run border lines, places floating
// pictures, and reports when the region is full together with the
// paragraph, child and item at which the next region continues.
//
// All positions are pixels (96 per inch). Line spacing is in twips (240 is
// single spacing for the auto rule). 2147483647 marks an unset property.
//
// Ownership: the lines and border lines the engine makes are owned by the
// list they are put in (the target list or the page element list, which
// the caller takes with TakePageElements); the words and pictures on the
// lines stay the document's.
//
// Every loop that places items makes progress: an item wider than the
// region is placed alone on its line and runs past the right edge; a
// picture taller than a fresh region is placed at its top; an item that
// does not fit ends the region.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "wordmodel/drawing_layout_engine.h"
#include "wordmodel/word_page.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

class TvnBorder;
class TvnField;
class TvnHeaderFooterElementTag;
class TvnLine;
class TvnParaBorder;
class TvnParagraph;
class TvnParagraphProperties;
class TvnRun;
class TvnRunProperties;
class TvnSection;
class TvnTextBox;
class TvnTextitem;
class TvnWordImage;

using TvnTextLines = std::vector<std::unique_ptr<TvnTextLine>>;

// Moves a laid-out item by the offsets; a line moves its children with it.
void ShiftLaidOutItem(TvnDocItem& AItem, int32_t ADx, int32_t ADy);

class TvnPageLayoutEngine : public TObject {
 public:
  // FX is the region's left, FY and FPrevY its top.
  TvnPageLayoutEngine(TvnSection* ACurrentSection, int32_t ACurrentSectionIndex, int32_t APageNum,
                      const TRect& AdisplayRegion);
  ~TvnPageLayoutEngine() override;
  TvnPageLayoutEngine(const TvnPageLayoutEngine&) = delete;
  TvnPageLayoutEngine& operator=(const TvnPageLayoutEngine&) = delete;

  // Starts a new region at the current Y: no pending space after, no stop
  // position, an empty page element list and page text, a fresh region.
  void Restart();

  // Lays out AP from child AstartIndex, item AstartRunItemIndex (of that
  // child only), up to child AendIndex (-1: every child). Returns true when
  // the region is full; the stop position is then LeftOverRunIndex and
  // LeftOverRunItemIndex of PrevPara. ACauseForCompletion becomes 1 when a
  // wrapping picture was placed over text already laid out (the region must
  // be laid out again). Lines go to AList when given, else to the page
  // element list. PAGE fields met are added to AHeaderFooterElementTag
  // (when given), NUMPAGES fields to ANumPagesFieldList (when given).
  bool ProcessParagraph(TvnParagraph& AP, uint8_t& ACauseForCompletion,
                        TvnHeaderFooterElementTag* AHeaderFooterElementTag, int32_t AstartRunItemIndex,
                        int32_t AendIndex, int32_t AstartIndex, LaidOutItems* AList,
                        std::vector<TvnField*>* ANumPagesFieldList);

  // The line pitch for a line ACurrentLineHt high: exact, the line spacing
  // in pixels; at least, the larger of both; auto, the height scaled by the
  // spacing over 240. No properties or a spacing of 0 or less: the height.
  static int32_t GetLineSpacing(const TvnParagraphProperties* AProps, int32_t ACurrentLineHt);

  // The text of ALeaderChar's kind repeated while it leaves at least two of
  // its widths free before AAdvanceWidth, and its height.
  struct TabLeader {
    String Text;
    int32_t Height = 0;
  };
  TabLeader BuildTabLeader(int32_t AAdvanceWidth, TvnTabStopChar ALeaderChar,
                           const std::shared_ptr<TvnRunProperties>& AFont);

  // The left x of the paragraph's lines and the x of its first line.
  struct LineStarts {
    int32_t LeftX = 0;
    int32_t FirstLineX = 0;
  };
  LineStarts GetLineStarts(const TvnParagraphProperties& AProps, bool AListFlag) const;
  // The x of tabbed text at AX that is AWidth wide; ATabCounter counts the
  // tab stops used on the line (from 1). Without a stop or default stop the
  // text stays at AX.
  int32_t GetTabPosition(int32_t AX, int32_t AWidth, const TvnParagraphProperties& AProps, int32_t& ATabCounter,
                         int32_t ASpaceBeforeDecimal) const;

  // Appends the pending border lines to the page element list.
  void FinalizeLayout();
  // Forgets the stop position, so that the next stop is recorded (the
  // table layout starts every cell so).
  void ClearLeftOver() {
    FIsParaLeftOver = false;
    FPrevPara = nullptr;
    FLeftOverRunIndex = 0;
    FLeftoverRunItemIndex = 0;
  }
  // Drops the space after still pending from the last paragraph (a table
  // cell's last paragraph keeps it to itself).
  void ClearPendingSpace() { FPrevParaAfterSpace = 0; }
  void FreeRawPageSearchItems() { FRawSearchItems.reset(); }

  // The region; setting it also sets X to its left and Y to its top.
  const TRect& GetDisplayRegion() const { return FDisplayRegion; }
  void SetDisplayRegion(const TRect& Value);
  int32_t GetX() const { return FX; }
  void SetX(int32_t Value) { FX = Value; }
  int32_t GetY() const { return FY; }
  void SetY(int32_t Value) {
    FY = Value;
    FPrevY = Value;
  }
  // The laid-out items; the caller takes them.
  LaidOutItems& PageElements() { return FPageElements; }
  LaidOutItems TakePageElements() { return std::move(FPageElements); }
  // Floating pictures that wrap text, behind the text and in front of it
  // (borrowed: they stay the document's).
  std::vector<TvnDocItem*>& DrawingItems() { return FDrawingItems; }
  const std::vector<TvnDocItem*>& BackgroundItems() const { return FBackgroundItems; }
  const std::vector<TvnDocItem*>& ForegroundItems() const { return FForegroundItems; }
  std::map<const TvnDocItem*, bool>& VisitedImageMap() { return FVisitedImagesMap; }
  int32_t GetLeftOverRunIndex() const { return FLeftOverRunIndex; }
  void SetLeftOverRunIndex(int32_t Value) { FLeftOverRunIndex = Value; }
  int32_t GetLeftOverRunItemIndex() const { return FLeftoverRunItemIndex; }
  void SetLeftOverRunItemIndex(int32_t Value) { FLeftoverRunItemIndex = Value; }
  // The paragraph at which the layout stopped; null when none did.
  TvnParagraph* GetPrevPara() const { return FPrevPara; }
  void SetPrevPara(TvnParagraph* Value) { FPrevPara = Value; }
  bool GetIsParaLeftOver() const { return FIsParaLeftOver; }
  // Nothing sets it; the pagination engine reads it for the gap before a
  // table.
  int32_t GetLastParaLaatLineHeight() const { return FLastParaLastLineHeight; }
  bool GetPageBreakEncountered() const { return FPageBreakEncountered; }
  bool GetFreshPage() const { return FFreshPage; }
  TvnRawPageTextItems* GetRawPageSearchItems() const { return FRawSearchItems.get(); }
  std::unique_ptr<TvnRawPageTextItems> TakeRawPageSearchItems() { return std::move(FRawSearchItems); }
  TvnBaseCanvas* GetCanvas() const { return FCanvas; }
  void SetCanvas(TvnBaseCanvas* Value) { FCanvas = Value; }
  int32_t GetPageNumber() const { return FpageNumber; }

 private:
  struct ItemPlacement;

  TvnTextLines BuildLines(TvnParagraph& AP, int32_t AstartRunItemIndex, int32_t AendIndex, int32_t AstartIndex,
                          TvnHeaderFooterElementTag* AHeaderFooterElementTag,
                          std::vector<TvnField*>* ANumPagesFieldList, bool& AFull, uint8_t& ACause);
  void LayoutRunItems(TvnParagraph& AP, TvnRun& ARun, int32_t AChildIndex, int32_t AStartItem, TvnTextLines& ALines,
                      ItemPlacement& AAt, bool& AFull);
  void LayoutField(TvnParagraph& AP, TvnField& AField, int32_t AChildIndex,
                   TvnHeaderFooterElementTag* AHeaderFooterElementTag, std::vector<TvnField*>* ANumPagesFieldList,
                   TvnTextLines& ALines, ItemPlacement& AAt, bool& AFull);
  void LayoutImage(TvnParagraph& AP, TvnWordImage& AImage, int32_t AChildIndex, TvnTextLines& ALines,
                   ItemPlacement& AAt, bool& AFull, uint8_t& ACause);
  void LayoutTextBox(TvnParagraph& AP, TvnTextBox& ABox, int32_t AChildIndex, TvnTextLines& ALines, ItemPlacement& AAt,
                     bool& AFull, uint8_t& ACause);
  void LayoutTextBoxContent(TvnTextBox& ABox);
  // Puts a floating picture or text box in the list its wrapping calls for
  // and positions it; true when it wraps and lies over a paragraph already
  // laid out on this page or over text of ALines, the lines of its own
  // paragraph built so far.
  bool PlaceFloating(TvnParagraph& AP, TvnDocItem& ADrawing, DrawingPlacement& APlacement,
                     TvnDrawingLayoutEngine& ALayouter, const TvnTextLines& ALines);
  bool PlaceTextItem(TvnParagraph& AP, TvnTextitem& AItem, TvnTextLines& ALines, ItemPlacement& AAt);
  TvnTextLine* GetLineForItem(TvnParagraph& AP, TvnTextLines& ALines, ItemPlacement& AAt, bool ADrawing, bool ATabbed,
                              int32_t ADecimalSpace, int32_t ATabbedWidth, bool AFitIn, int32_t AItemHeight,
                              int32_t AItemWidth, bool& AFitFailed, int32_t& ATabAdvance, int32_t& ALabelTextStart);
  bool AvoidDrawings(int32_t& AX, int32_t& AY, bool AListFlag, bool& ANewLine, const TvnParagraphProperties& AProps,
                     int32_t ALineHeight, bool AStartOfPara, int32_t AItemHeight, int32_t AItemWidth);
  void PlaceLines(TvnParagraph& AP, LaidOutItems* AList, TvnTextLines& ALines, int32_t AFirstLineIndent, bool AFull);
  std::vector<TvnParagraph*> GetParagraphsInRect(const TRect& ARect, TvnParagraph& AP) const;
  void MarkLeftOver(TvnParagraph* AP, int32_t AChildIndex, int32_t AItemIndex);
  int32_t RightLimit(const TvnParagraphProperties& AProps) const;
  // The size of ¶ in the paragraph mark's font.
  int32_t MarkHeight(const TvnParagraphProperties& AProps);

  void BeginParagraphBorder(TvnParagraph& AP);
  void CreateParagraphBorderLines(const TvnParaBorder& ABorder);
  void FlushParagraphBorders();
  int32_t BeginRunBorder(int32_t AX, int32_t AY, TvnRun& ARun);
  void CreateRunBorderLines(const TvnBorder& ABorder, int32_t AStartX, bool ANewRun, int32_t AEndX, int32_t ABottomY,
                            int32_t AStartY);
  void FlushRunBorders();

  TvnSection* FCurrentSection = nullptr;
  TvnDrawingLayoutEngine FImLayouter;
  TvnDrawingLayoutEngine FTbLayouter;
  int32_t FpageNumber = 0;
  int32_t FLeftOverRunIndex = 0;
  int32_t FLeftoverRunItemIndex = 0;
  int32_t FCurrentSectionIndex = 0;
  std::vector<TvnDocItem*> FBackgroundItems;
  std::vector<TvnDocItem*> FForegroundItems;
  std::vector<TvnDocItem*> FDrawingItems;
  LaidOutItems FPageElements;
  int32_t FcurrentRunRight = 0;
  int32_t FcurrentRunTop = 0;
  int32_t FcurrentParaTop = 0;
  int32_t FPrevParaAfterSpace = 0;
  int32_t FPrevY = 0;
  int32_t FX = 0;
  int32_t FY = 0;
  int32_t FLastParaLastLineHeight = 0;
  TRect FDisplayRegion;
  bool FFreshPage = true;
  bool FIsParaLeftOver = false;
  bool FPageBreakEncountered = false;
  bool FPrevParaContSpace = false;
  TvnParagraph* FPrevPara = nullptr;
  String FPrevParaStyleID;
  std::map<const TvnDocItem*, bool> FVisitedImagesMap;
  std::unique_ptr<TvnRawPageTextItems> FRawSearchItems;
  // Paragraph borders: the open run's border (a copy), the collected top
  // and bottom segments and the side lines being extended.
  std::unique_ptr<TvnParaBorder> FPrevParaBorder;
  bool FParaBorderStarted = false;
  bool FParaBorderContinues = false;
  int32_t FParaBorderStartX = 0;
  int32_t FParaBorderStartY = 0;
  std::vector<std::unique_ptr<TvnLine>> FParaBorderElements;
  std::unique_ptr<TvnLine> FParaLeftBorder;
  std::unique_ptr<TvnLine> FParaRightBorder;
  // Run borders, likewise.
  std::unique_ptr<TvnBorder> FPrevRunBorder;
  bool FRunBorderStarted = false;
  bool FRunBorderNewRun = false;
  int32_t FRunBorderStartX = 0;
  int32_t FRunBorderStartY = 0;
  std::vector<std::unique_ptr<TvnLine>> FRunBorderElements;
  std::unique_ptr<TvnLine> FRunTopBorder;
  std::unique_ptr<TvnLine> FRunBottomBorder;
  TvnBaseCanvas* FCanvas = nullptr;
};

}  // namespace vn::wordmodel
