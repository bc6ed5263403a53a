#include "wordmodel/vector_graphics.h"

#include "framework/canvas.h"
#include "runtime/numbers.h"
#include "runtime/scope_exit.h"

namespace vn::wordmodel {

// ---------------------------------------------------------------------------
// TvnVGraphics

TvnVGraphics::TvnVGraphics() { FBrush.SetColor({255, 255, 255}); }

std::unique_ptr<TvnDocItem> TvnVGraphics::Clone() const {
  auto copy = std::make_unique<TvnVGraphics>();
  Assign(this, copy.get());
  return copy;
}

void TvnVGraphics::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnDocItem::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnVGraphics*>(ASource);
  auto* dest = dynamic_cast<TvnVGraphics*>(ADest);
  if (source == nullptr || dest == nullptr) return;
  dest->Fpen.Assign(&source->Fpen);
  dest->FBrush.Assign(&source->FBrush);
  dest->FIsFill = source->FIsFill;
  dest->FIsStroke = source->FIsStroke;
}

void TvnVGraphics::SetPen(const TvnPen& Value) {
  Fpen.Assign(&Value);
  FIsStroke = true;
}

void TvnVGraphics::SetBrush(const TvnBrush& Value) {
  FBrush.Assign(&Value);
  FIsFill = true;
}

void TvnVGraphics::DrawWithPenAndBrush(TvnBaseCanvas& ACanvas, std::optional<int32_t> APenWidth,
                                       const std::function<void()>& ADraw) const {
  TvnPen pen;
  pen.Assign(&Fpen);
  if (APenWidth) pen.SetWidth(*APenWidth);
  TvnBrush brush;
  brush.Assign(&FBrush);
  ACanvas.SetPen(&pen);
  ACanvas.SetBrush(&brush);
  vn::ScopeExit clear([&] {
    ACanvas.SetPen(nullptr);
    ACanvas.SetBrush(nullptr);
  });
  ADraw();
}

// ---------------------------------------------------------------------------
// TvnLine

TvnLine::TvnLine(int32_t AStartX, int32_t AStartY, int32_t AEndX, int32_t AEndY)
    : FStartX(AStartX), FstartY(AStartY), FEndX(AEndX), FendY(AEndY) {}

TvnLine::TvnLine(const vn::framework::TvnPoint& AStartP, const vn::framework::TvnPoint& AEndP)
    : FStartX(vn::RoundToInt(AStartP.GetX())),
      FstartY(vn::RoundToInt(AStartP.GetY())),
      FEndX(vn::RoundToInt(AEndP.GetX())),
      FendY(vn::RoundToInt(AEndP.GetY())) {}

std::unique_ptr<TvnDocItem> TvnLine::Clone() const {
  auto copy = std::make_unique<TvnLine>();
  Assign(this, copy.get());
  return copy;
}

void TvnLine::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnVGraphics::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnLine*>(ASource);
  auto* dest = dynamic_cast<TvnLine*>(ADest);
  if (source == nullptr || dest == nullptr) return;
  dest->FStartX = source->FStartX;
  dest->FstartY = source->FstartY;
  dest->FEndX = source->FEndX;
  dest->FendY = source->FendY;
}

void TvnLine::Draw(TvnBaseCanvas* ACanvas) {
  if (ACanvas == nullptr) return;
  DrawWithPenAndBrush(*ACanvas, GetWidth(),
                      [&] { ACanvas->DrawLine(TPoint{FStartX, FstartY}, TPoint{FEndX, FendY}); });
}

void TvnLine::ShiftByOffset(int32_t AxOffset, int32_t AyOffset) {
  TvnDocItem::ShiftByOffset(AxOffset, AyOffset);
  // Coordinates wrap as 32-bit values, as the element's own do.
  const auto shift = [](int32_t& AValue, int32_t AOffset) {
    AValue = static_cast<int32_t>(static_cast<uint32_t>(AValue) + static_cast<uint32_t>(AOffset));
  };
  shift(FStartX, AxOffset);
  shift(FEndX, AxOffset);
  shift(FstartY, AyOffset);
  shift(FendY, AyOffset);
}

// ---------------------------------------------------------------------------
// TvnGraphicRect

TvnGraphicRect::TvnGraphicRect() {
  SetIsFill(true);
  SetIsStroke(false);
}

TvnGraphicRect::TvnGraphicRect(const TRect& ARectangle) : TvnGraphicRect() { SetBoundingRect(ARectangle); }

TvnGraphicRect::TvnGraphicRect(int32_t AX, int32_t AY, int32_t AWidth, int32_t AHeight) : TvnGraphicRect() {
  SetX(AX);
  SetY(AY);
  SetWidth(AWidth);
  SetHeight(AHeight);
}

std::unique_ptr<TvnDocItem> TvnGraphicRect::Clone() const {
  auto copy = std::make_unique<TvnGraphicRect>();
  Assign(this, copy.get());
  return copy;
}

void TvnGraphicRect::Draw(TvnBaseCanvas* ACanvas) {
  if (ACanvas == nullptr) return;
  DrawWithPenAndBrush(*ACanvas, std::nullopt, [&] { ACanvas->DrawRect(GetBoundingRect(), GetIsFill(), GetIsStroke()); });
}

// ---------------------------------------------------------------------------
// TvnClipRect, TvnResetClip

TvnClipRect::TvnClipRect(int32_t AX, int32_t AY, int32_t AWidth, int32_t AHeight, TvnCombineMode ACombineMode)
    : TvnGraphicRect(AX, AY, AWidth, AHeight), FCombineMode(ACombineMode) {}

std::unique_ptr<TvnDocItem> TvnClipRect::Clone() const {
  auto copy = std::make_unique<TvnClipRect>();
  Assign(this, copy.get());
  return copy;
}

void TvnClipRect::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnGraphicRect::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnClipRect*>(ASource);
  auto* dest = dynamic_cast<TvnClipRect*>(ADest);
  if (source != nullptr && dest != nullptr) dest->FCombineMode = source->FCombineMode;
}

void TvnClipRect::Draw(TvnBaseCanvas* /*ACanvas*/) {}

std::unique_ptr<TvnDocItem> TvnResetClip::Clone() const {
  auto copy = std::make_unique<TvnResetClip>();
  Assign(this, copy.get());
  return copy;
}

void TvnResetClip::Draw(TvnBaseCanvas* /*ACanvas*/) {}

// ---------------------------------------------------------------------------
// TvnPath

std::unique_ptr<TvnDocItem> TvnPath::Clone() const {
  auto copy = std::make_unique<TvnPath>();
  Assign(this, copy.get());
  return copy;
}

void TvnPath::Assign(const TvnDocItem* ASource, TvnDocItem* ADest) const {
  TvnVGraphics::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const TvnPath*>(ASource);
  auto* dest = dynamic_cast<TvnPath*>(ADest);
  if (source == nullptr || dest == nullptr || source == dest) return;
  dest->FPathItems = CloneItems(source->FPathItems);
  dest->FFillMode = source->FFillMode;
}

void TvnPath::AddRectangle(const TRect& ARect) { FPathItems.push_back(std::make_unique<TvnGraphicRect>(ARect)); }

}  // namespace vn::wordmodel
