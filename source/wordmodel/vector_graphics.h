// The vector items of laid-out Word content: a pen-and-brush base
// (TvnVGraphics), straight lines (underlines, borders), filled or framed
// rectangles, the clip rectangle and its reset marker that bracket a clipped
// stretch of a line, and the path of rectangles that is the wrap region of a
// floating drawing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "wordmodel/word_types.h"

namespace vn::wordmodel {

enum class TvnFillMode : uint8_t { fmAlternate, fmWinding };
// How a clip rectangle combines with the clip in force.
enum class TvnCombineMode : uint8_t { cmComplement, cmExclude, cmIntersect, cmReplace, cmUnion, cmXor };

// Black pen, white brush; stroked and not filled.
class TvnVGraphics : public TvnDocItem {
 public:
  TvnVGraphics();

  std::unique_ptr<TvnDocItem> Clone() const override;
  // The element's data, then copies of pen and brush and both flags.
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  TvnPen* GetPen() { return &Fpen; }
  const TvnPen* GetPen() const { return &Fpen; }
  // Copies the pen and marks the item stroked.
  void SetPen(const TvnPen& Value);
  TvnBrush* GetBrush() { return &FBrush; }
  const TvnBrush* GetBrush() const { return &FBrush; }
  // Copies the brush and marks the item filled.
  void SetBrush(const TvnBrush& Value);
  bool GetIsFill() const { return FIsFill; }
  void SetIsFill(bool Value) { FIsFill = Value; }
  bool GetIsStroke() const { return FIsStroke; }
  void SetIsStroke(bool Value) { FIsStroke = Value; }

 protected:
  // Selects copies of the pen (its width replaced by APenWidth when given)
  // and the brush into ACanvas for one drawing call, and clears them again
  // afterwards: the canvas never keeps pointers to this item's objects.
  void DrawWithPenAndBrush(TvnBaseCanvas& ACanvas, std::optional<int32_t> APenWidth,
                           const std::function<void()>& ADraw) const;

 private:
  TvnPen Fpen;
  TvnBrush FBrush;
  bool FIsFill = false;
  bool FIsStroke = true;
};

// A straight line from (StartX, StartY) to (EndX, EndY). The element's Width
// is the stroke width.
class TvnLine : public TvnVGraphics {
 public:
  TvnLine() = default;
  TvnLine(int32_t AStartX, int32_t AStartY, int32_t AEndX, int32_t AEndY);
  // The coordinates rounded (halves to even).
  TvnLine(const vn::framework::TvnPoint& AStartP, const vn::framework::TvnPoint& AEndP);

  std::unique_ptr<TvnDocItem> Clone() const override;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;
  // DrawLine from start to end with the line's pen at the element's width.
  void Draw(TvnBaseCanvas* ACanvas) override;
  // Moves both end points and the element's box.
  void ShiftByOffset(int32_t AxOffset, int32_t AyOffset);

  int32_t GetStartX() const { return FStartX; }
  void SetStartX(int32_t Value) { FStartX = Value; }
  int32_t GetStartY() const { return FstartY; }
  void SetStartY(int32_t Value) { FstartY = Value; }
  int32_t GetEndX() const { return FEndX; }
  void SetEndX(int32_t Value) { FEndX = Value; }
  int32_t GetEndY() const { return FendY; }
  void SetEndY(int32_t Value) { FendY = Value; }

 private:
  int32_t FStartX = 0;
  int32_t FstartY = 0;
  int32_t FEndX = 0;
  int32_t FendY = 0;
};

// A rectangle at the element's box, filled and not stroked when made.
class TvnGraphicRect : public TvnVGraphics {
 public:
  TvnGraphicRect();
  explicit TvnGraphicRect(const TRect& ARectangle);
  TvnGraphicRect(int32_t AX, int32_t AY, int32_t AWidth, int32_t AHeight);

  std::unique_ptr<TvnDocItem> Clone() const override;
  // DrawRect at the box, filled and stroked as the flags say.
  void Draw(TvnBaseCanvas* ACanvas) override;
};

// Marks the start of a clipped stretch: the items up to the next
// TvnResetClip belong inside the element's box, combined with the clip in
// force as the mode says. The marker draws nothing; it is there for what
// replays or writes the laid-out items.
class TvnClipRect : public TvnGraphicRect {
 public:
  TvnClipRect() = default;
  TvnClipRect(int32_t AX, int32_t AY, int32_t AWidth, int32_t AHeight, TvnCombineMode ACombineMode);

  std::unique_ptr<TvnDocItem> Clone() const override;
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;
  void Draw(TvnBaseCanvas* ACanvas) override;

  TvnCombineMode GetCombineMode() const { return FCombineMode; }
  void SetCombineMode(TvnCombineMode Value) { FCombineMode = Value; }

 private:
  TvnCombineMode FCombineMode = TvnCombineMode::cmComplement;
};

// Closes the clipped stretch a TvnClipRect opened; draws nothing.
class TvnResetClip : public TvnDocItem {
 public:
  std::unique_ptr<TvnDocItem> Clone() const override;
  void Draw(TvnBaseCanvas* ACanvas) override;
};

// A path made of rectangles; it owns its items.
class TvnPath : public TvnVGraphics {
 public:
  std::unique_ptr<TvnDocItem> Clone() const override;
  // The vector data, then clones of the path items and the fill mode.
  void Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const override;

  // Appends a TvnGraphicRect of ARect.
  void AddRectangle(const TRect& ARect);

  const TvnItemList& GetPathItems() const { return FPathItems; }
  TvnFillMode GetFillMode() const { return FFillMode; }
  void SetFillMode(TvnFillMode Value) { FFillMode = Value; }

 private:
  TvnItemList FPathItems;
  TvnFillMode FFillMode = TvnFillMode::fmAlternate;
};

}  // namespace vn::wordmodel
