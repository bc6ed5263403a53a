#include "wordmodel/drawing_placement.h"

#include <algorithm>
#include <climits>

namespace vn::wordmodel {

// ---------------------------------------------------------------------------
// Wrapping

void TvnGraphicsWrap::Assign(const TvnGraphicsWrap* ASource, TvnGraphicsWrap* ADest) const {
  if (ASource == nullptr || ADest == nullptr) return;
  ADest->FWrapText = ASource->FWrapText;
  ADest->FBehindDoc = ASource->FBehindDoc;
  ADest->FDistL = ASource->FDistL;
  ADest->FDistR = ASource->FDistR;
  ADest->FDistT = ASource->FDistT;
  ADest->FDistB = ASource->FDistB;
}

std::unique_ptr<TvnGraphicsWrap> TvnGraphicsWrap::Clone() const {
  auto copy = std::make_unique<TvnGraphicsWrap>();
  copy->Assign(this, copy.get());
  return copy;
}

void ExtentWrap::Assign(const TvnGraphicsWrap* ASource, TvnGraphicsWrap* ADest) const {
  TvnGraphicsWrap::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const ExtentWrap*>(ASource);
  auto* dest = dynamic_cast<ExtentWrap*>(ADest);
  if (source != nullptr && dest != nullptr) dest->FEffectExtentRectangle = source->FEffectExtentRectangle;
}

std::unique_ptr<TvnGraphicsWrap> TvnWrapSquare::Clone() const {
  auto copy = std::make_unique<TvnWrapSquare>();
  copy->Assign(this, copy.get());
  return copy;
}

void WrapPolygon::Assign(const TvnGraphicsWrap* ASource, TvnGraphicsWrap* ADest) const {
  TvnGraphicsWrap::Assign(ASource, ADest);
  const auto* source = dynamic_cast<const WrapPolygon*>(ASource);
  auto* dest = dynamic_cast<WrapPolygon*>(ADest);
  if (source != nullptr && dest != nullptr) dest->FPoints = source->FPoints;
}

std::unique_ptr<TvnGraphicsWrap> TvnWrapTight::Clone() const {
  auto copy = std::make_unique<TvnWrapTight>();
  copy->Assign(this, copy.get());
  return copy;
}

std::unique_ptr<TvnGraphicsWrap> TvnWrapThrough::Clone() const {
  auto copy = std::make_unique<TvnWrapThrough>();
  copy->Assign(this, copy.get());
  return copy;
}

std::unique_ptr<TvnGraphicsWrap> TvnWrapTopAndBottom::Clone() const {
  auto copy = std::make_unique<TvnWrapTopAndBottom>();
  copy->Assign(this, copy.get());
  return copy;
}

// ---------------------------------------------------------------------------
// DrawingPlacement

DrawingPlacement::DrawingPlacement() : FRegion(std::make_unique<TvnPath>()) {}

DrawingPlacement::~DrawingPlacement() = default;

void DrawingPlacement::AssignPlacement(const DrawingPlacement& ASource) {
  if (&ASource == this) return;
  FHRelativePosition = ASource.FHRelativePosition;
  FVRelativePosition = ASource.FVRelativePosition;
  FIsInline = ASource.FIsInline;
  FDisposed = ASource.FDisposed;
  FBehindDoc = ASource.FBehindDoc;
  FEffectRectangle = ASource.FEffectRectangle;
  FHAlignment = ASource.FHAlignment;
  FVAlignment = ASource.FVAlignment;
  FWrap = CloneOrNull(ASource.FWrap.get());
  FDistL = ASource.FDistL;
  FDistR = ASource.FDistR;
  FDistT = ASource.FDistT;
  FDistB = ASource.FDistB;
  // The offsets only: the drawing stays where it is (a laid-out copy keeps
  // its laid-out position).
  FPositionX = ASource.FPositionX;
  FPositionY = ASource.FPositionY;
  FRegion = CloneOrNull(ASource.FRegion.get());
}

void DrawingPlacement::SetPositionX(int32_t Value) {
  FPositionX = Value;
  PlacedItem().SetX(Value);
}

void DrawingPlacement::SetPositionY(int32_t Value) {
  FPositionY = Value;
  PlacedItem().SetY(Value);
}

namespace {

// The distance from text on one side: ADist and AEffect (the effect
// rectangle's side), raised by the wrap's distance and effect extent on that
// side when the wrap keeps a distance (square, top and bottom).
template <typename WrapDist, typename ExtentSide>
int32_t DistanceFromText(const TvnGraphicsWrap* AWrap, int32_t ADist, int32_t AEffect, WrapDist AWrapDist,
                         ExtentSide AExtentSide) {
  const int32_t result = std::max(AEffect, ADist);
  const auto* extent = dynamic_cast<const ExtentWrap*>(AWrap);
  if (extent == nullptr) return result;
  return std::max({result, AWrapDist(*extent), AExtentSide(extent->GetEffectExtentRectangle())});
}

}  // namespace

int32_t DrawingPlacement::GetLeftDistFromText() const {
  return DistanceFromText(
      FWrap.get(), FDistL, FEffectRectangle.Left, [](const TvnGraphicsWrap& w) { return w.GetDistL(); },
      [](const TRect& r) { return r.Left; });
}

int32_t DrawingPlacement::GetRightDistFromText() const {
  return DistanceFromText(
      FWrap.get(), FDistR, FEffectRectangle.Right, [](const TvnGraphicsWrap& w) { return w.GetDistR(); },
      [](const TRect& r) { return r.Right; });
}

int32_t DrawingPlacement::GetTopDistFromText() const {
  return DistanceFromText(
      FWrap.get(), FDistT, FEffectRectangle.Top, [](const TvnGraphicsWrap& w) { return w.GetDistT(); },
      [](const TRect& r) { return r.Top; });
}

int32_t DrawingPlacement::GetBottomDistFromText() const {
  return DistanceFromText(
      FWrap.get(), FDistB, FEffectRectangle.Bottom, [](const TvnGraphicsWrap& w) { return w.GetDistB(); },
      [](const TRect& r) { return r.Bottom; });
}

// ---------------------------------------------------------------------------
// Region tests

bool RectCornerInRect(const TRect& A, const TRect& B) {
  return B.Left <= A.Right && A.Left <= B.Right && B.Top <= A.Bottom && A.Top <= B.Bottom;
}

bool RegionMeetsRect(const TvnPath* ARegion, const TRect& ARect) {
  if (ARegion == nullptr) return false;
  bool any = false;
  TRect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const auto& item : ARegion->GetPathItems()) {
    if (dynamic_cast<const TvnGraphicRect*>(item.get()) == nullptr) continue;
    const TRect r = item->GetBoundingRect();
    box.Left = std::min(box.Left, r.Left);
    box.Top = std::min(box.Top, r.Top);
    box.Right = std::max(box.Right, r.Right);
    box.Bottom = std::max(box.Bottom, r.Bottom);
    any = true;
  }
  return any && RectCornerInRect(box, ARect);
}

}  // namespace vn::wordmodel
