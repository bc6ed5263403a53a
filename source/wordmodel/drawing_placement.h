// Where a picture or text box sits and how text flows round it: inline like
// a large character, or floating at an offset or alignment relative to the
// page, margin, column, paragraph or line, with one of four kinds of
// wrapping and a distance kept from the text on each side.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "wordmodel/vector_graphics.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

// Which sides text flows on.
enum class TvnWrapText : uint8_t { wtBothSides, wtLargest, wtLeft, wtRight };
enum class TvnDrawingHAlignment : uint8_t { dhaLeft, dhaRight, dhaCenter, dhaInside, dhaOutside, dhaNoAlignment };
enum class TvnDrawingVAlignment : uint8_t { dvaTop, dvaCenter, dvaBottom, dvaInside, dvaOutside, dvaNoAlignment };
// What a horizontal or vertical position is measured from.
enum class TvnHRelativePosition : uint8_t {
  hrpCharacter,
  hrpColumn,
  hrpMargin,
  hrpLeftMargin,
  hrpRightMargin,
  hrpPage,
  hrpInsideMargin,
  hrpOutsideMargin
};
enum class TvnVRelativePosition : uint8_t {
  vrpLine,
  vrpBottomMargin,
  vrpInsideMargin,
  vrpMargin,
  vrpTopMargin,
  vrpOutsideMargin,
  vrpPage,
  vrpParagraph
};

// How text wraps round a floating drawing.
class TvnGraphicsWrap : public TObject {
 public:
  // Copies side, behind flag and the four distances; the kinds copy their
  // own data too.
  virtual void Assign(const TvnGraphicsWrap* ASource, TvnGraphicsWrap* ADest) const;
  // A wrap of the same kind assigned from this one.
  virtual std::unique_ptr<TvnGraphicsWrap> Clone() const;

  TvnWrapText GetWrapText() const { return FWrapText; }
  void SetWrapText(TvnWrapText Value) { FWrapText = Value; }
  bool GetBehindDoc() const { return FBehindDoc; }
  void SetBehindDoc(bool Value) { FBehindDoc = Value; }
  int32_t GetDistL() const { return FDistL; }
  void SetDistL(int32_t Value) { FDistL = Value; }
  int32_t GetDistR() const { return FDistR; }
  void SetDistR(int32_t Value) { FDistR = Value; }
  int32_t GetDistT() const { return FDistT; }
  void SetDistT(int32_t Value) { FDistT = Value; }
  int32_t GetDistB() const { return FDistB; }
  void SetDistB(int32_t Value) { FDistB = Value; }

 private:
  TvnWrapText FWrapText = TvnWrapText::wtBothSides;
  bool FBehindDoc = false;
  int32_t FDistL = 0;
  int32_t FDistR = 0;
  int32_t FDistT = 0;
  int32_t FDistB = 0;
};

// Wrapping that keeps the drawing's box and an extent for effects round it
// clear of text; its distances count towards the distance from text.
class ExtentWrap : public TvnGraphicsWrap {
 public:
  void Assign(const TvnGraphicsWrap* ASource, TvnGraphicsWrap* ADest) const override;

  // Extra extent on each side for effects.
  const TRect& GetEffectExtentRectangle() const { return FEffectExtentRectangle; }
  void SetEffectExtentRectangle(const TRect& Value) { FEffectExtentRectangle = Value; }

 private:
  TRect FEffectExtentRectangle;
};

// Text flows round the drawing's box.
class TvnWrapSquare : public ExtentWrap {
 public:
  std::unique_ptr<TvnGraphicsWrap> Clone() const override;
};

// Text flows round the wrap polygon (tight) or through it.
class WrapPolygon : public TvnGraphicsWrap {
 public:
  void Assign(const TvnGraphicsWrap* ASource, TvnGraphicsWrap* ADest) const override;

  std::vector<vn::framework::TvnPoint>& GetPoints() { return FPoints; }
  const std::vector<vn::framework::TvnPoint>& GetPoints() const { return FPoints; }

 private:
  std::vector<vn::framework::TvnPoint> FPoints;
};

class TvnWrapTight : public WrapPolygon {
 public:
  std::unique_ptr<TvnGraphicsWrap> Clone() const override;
};

class TvnWrapThrough : public WrapPolygon {
 public:
  std::unique_ptr<TvnGraphicsWrap> Clone() const override;
};

// Text stays above and below the drawing.
class TvnWrapTopAndBottom : public ExtentWrap {
 public:
  std::unique_ptr<TvnGraphicsWrap> Clone() const override;
};

// The placement of a drawing (a picture or a text box), which the layout
// reads and fills. A new drawing floats, is measured from the margin and
// the paragraph, has no alignment (its offset counts), no wrapping and an
// empty wrap region.
class DrawingPlacement {
 public:
  DrawingPlacement();
  virtual ~DrawingPlacement();
  DrawingPlacement(const DrawingPlacement&) = delete;
  DrawingPlacement& operator=(const DrawingPlacement&) = delete;

  // Copies every placement property of ASource: relative positions,
  // alignments, distances, flags, effect rectangle, offsets (without moving
  // the element), a copy of the wrap and of the region.
  void AssignPlacement(const DrawingPlacement& ASource);

  TvnHRelativePosition GetHRelativePosition() const { return FHRelativePosition; }
  void SetHRelativePosition(TvnHRelativePosition Value) { FHRelativePosition = Value; }
  TvnVRelativePosition GetVRelativePosition() const { return FVRelativePosition; }
  void SetVRelativePosition(TvnVRelativePosition Value) { FVRelativePosition = Value; }
  bool GetIsInLine() const { return FIsInline; }
  void SetIsInLine(bool Value) { FIsInline = Value; }
  bool GetDisposed() const { return FDisposed; }
  void SetDisposed(bool Value) { FDisposed = Value; }
  // Drawn behind the text.
  bool GetBehindDoc() const { return FBehindDoc; }
  void SetBehindDoc(bool Value) { FBehindDoc = Value; }
  // Extra extent on each side for effects.
  const TRect& GetEffectRectangle() const { return FEffectRectangle; }
  void SetEffectRectangle(const TRect& Value) { FEffectRectangle = Value; }
  // An alignment other than the "no alignment" values replaces the offset.
  TvnDrawingHAlignment GetHAlignment() const { return FHAlignment; }
  void SetHAlignment(TvnDrawingHAlignment Value) { FHAlignment = Value; }
  TvnDrawingVAlignment GetVAlignment() const { return FVAlignment; }
  void SetVAlignment(TvnDrawingVAlignment Value) { FVAlignment = Value; }
  // Null: no wrapping.
  TvnGraphicsWrap* GetWrap() const { return FWrap.get(); }
  void SetWrap(std::unique_ptr<TvnGraphicsWrap> Value) { FWrap = std::move(Value); }
  // Distance kept from the text on each side.
  int32_t GetDistL() const { return FDistL; }
  void SetDistL(int32_t Value) { FDistL = Value; }
  int32_t GetDistR() const { return FDistR; }
  void SetDistR(int32_t Value) { FDistR = Value; }
  int32_t GetDistT() const { return FDistT; }
  void SetDistT(int32_t Value) { FDistT = Value; }
  int32_t GetDistB() const { return FDistB; }
  void SetDistB(int32_t Value) { FDistB = Value; }
  // Offset from the reference; setting it also moves the drawing there.
  int32_t GetPositionX() const { return FPositionX; }
  void SetPositionX(int32_t Value);
  int32_t GetPositionY() const { return FPositionY; }
  void SetPositionY(int32_t Value);
  // The area the drawing occupies, for wrapping.
  TvnPath* GetRegion() const { return FRegion.get(); }
  void SetRegion(std::unique_ptr<TvnPath> Value) { FRegion = std::move(Value); }

  // The distance kept from the text on a side: the larger of the effect
  // rectangle's side and the Dist value, raised to the wrap's distance and
  // effect extent on that side for square and top-and-bottom wrapping.
  int32_t GetLeftDistFromText() const;
  int32_t GetRightDistFromText() const;
  int32_t GetTopDistFromText() const;
  int32_t GetBottomDistFromText() const;

 protected:
  // The element that the placement positions.
  virtual TvnDocItem& PlacedItem() = 0;

 private:
  TvnHRelativePosition FHRelativePosition = TvnHRelativePosition::hrpMargin;
  TvnVRelativePosition FVRelativePosition = TvnVRelativePosition::vrpParagraph;
  bool FIsInline = false;
  bool FDisposed = false;
  bool FBehindDoc = false;
  TRect FEffectRectangle;
  TvnDrawingHAlignment FHAlignment = TvnDrawingHAlignment::dhaNoAlignment;
  TvnDrawingVAlignment FVAlignment = TvnDrawingVAlignment::dvaNoAlignment;
  std::unique_ptr<TvnGraphicsWrap> FWrap;
  int32_t FDistL = 0;
  int32_t FDistR = 0;
  int32_t FDistB = 0;
  int32_t FDistT = 0;
  int32_t FPositionX = 0;
  int32_t FPositionY = 0;
  std::unique_ptr<TvnPath> FRegion;
};

// Whether rectangles A and B meet: they overlap or touch (edges included).
bool RectCornerInRect(const TRect& A, const TRect& B);
// Whether ARect meets the bounding box of the rectangle items of ARegion
// (a region without rectangles meets nothing). The region is left as it is.
bool RegionMeetsRect(const TvnPath* ARegion, const TRect& ARect);

}  // namespace vn::wordmodel
