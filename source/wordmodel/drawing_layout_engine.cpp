#include "wordmodel/drawing_layout_engine.h"

#include <algorithm>

#include "runtime/numbers.h"
#include "wordmodel/images.h"
#include "wordmodel/section.h"
#include "wordmodel/text_box.h"

namespace vn::wordmodel {

namespace {

// The page geometry positions are measured from.
struct PageFrame {
  double W, H, mL, mT, mR, mB;
};

PageFrame FrameOf(const TvnSection& ASection) {
  PageFrame frame{double(ASection.GetPageWidth()), double(ASection.GetPageHeight()), 0, 0, 0, 0};
  if (const TvnPageMargins* margins = ASection.GetPageMargin()) {
    frame.mL = margins->GetLeft();
    frame.mT = margins->GetTop();
    frame.mR = margins->GetRight();
    frame.mB = margins->GetBottom();
  }
  return frame;
}

// A column position whose right edge passes the page edge is pulled back so
// that the drawing ends at the page edge.
double KeepOnPage(double AX, double AWidth, double APageWidth) {
  return AX + AWidth > APageWidth ? APageWidth - AWidth : AX;
}

}  // namespace

void TvnDrawingLayoutEngine::PositionDrawing(TvnTextBox* Adrawing, const TvnSection* ASection,
                                             const TRect& AdisplayRegion) const {
  if (Adrawing != nullptr && ASection != nullptr) Position(*Adrawing, *Adrawing, *ASection, AdisplayRegion);
}

void TvnDrawingLayoutEngine::PositionDrawing(TvnWordImage* Adrawing, const TvnSection* ASection,
                                             const TRect& AdisplayRegion) const {
  if (Adrawing != nullptr && ASection != nullptr) Position(*Adrawing, *Adrawing, *ASection, AdisplayRegion);
}

void TvnDrawingLayoutEngine::InitializeDrawingRegion(TvnTextBox* Adrawing, const TvnSection* /*ASection*/,
                                                     const TRect& AdisplayRegion) const {
  if (Adrawing != nullptr) Adrawing->SetRegion(CreateWrapRegion(*Adrawing, *Adrawing, AdisplayRegion));
}

void TvnDrawingLayoutEngine::InitializeDrawingRegion(TvnWordImage* Adrawing, const TvnSection* /*ASection*/,
                                                     const TRect& AdisplayRegion) const {
  if (Adrawing != nullptr) Adrawing->SetRegion(CreateWrapRegion(*Adrawing, *Adrawing, AdisplayRegion));
}

void TvnDrawingLayoutEngine::Position(DrawingPlacement& APlacement, TvnDocItem& ADrawing, const TvnSection& ASection,
                                      const TRect& AdisplayRegion) const {
  if (APlacement.GetIsInLine()) return;
  ADrawing.SetX(PositionHorizontally(APlacement, ADrawing, ASection, AdisplayRegion));
  ADrawing.SetY(PositionVertically(APlacement, ADrawing, ASection));
}

// The stored offset is the placement's PositionX (which the reader's setter
// also put into X): placing a drawing again gives the same result.
int32_t TvnDrawingLayoutEngine::PositionHorizontally(const DrawingPlacement& APlacement, const TvnDocItem& ADrawing,
                                                     const TvnSection& ASection, const TRect& AdisplayRegion) const {
  const PageFrame f = FrameOf(ASection);
  const double w = ADrawing.GetWidth();
  const double rL = AdisplayRegion.Left;
  const double rR = AdisplayRegion.Right;
  const double stored = APlacement.GetPositionX();
  const bool odd = OddPage();
  double x = stored;
  const TvnDrawingHAlignment alignment = APlacement.GetHAlignment();
  using H = TvnHRelativePosition;
  using A = TvnDrawingHAlignment;
  if (alignment == A::dhaNoAlignment) {
    switch (APlacement.GetHRelativePosition()) {
      case H::hrpCharacter: x = stored + FcurrentRunRight; break;
      case H::hrpColumn: x = KeepOnPage(stored + rL, w, f.W); break;
      case H::hrpMargin: x = stored + f.mL; break;
      case H::hrpRightMargin: x = stored + f.W - f.mR; break;
      case H::hrpInsideMargin: x = odd ? stored + f.W - f.mR : stored; break;
      case H::hrpOutsideMargin: x = odd ? stored : stored + f.W - f.mR; break;
      case H::hrpLeftMargin:
      case H::hrpPage: break;
    }
    return vn::RoundToInt(x);
  }
  if (alignment == A::dhaInside || alignment == A::dhaOutside) return vn::RoundToInt(x);
  // Left, right and centre columns of each reference.
  const auto pick = [alignment](double ALeft, double ARight, double ACenter) {
    return alignment == A::dhaLeft ? ALeft : alignment == A::dhaRight ? ARight : ACenter;
  };
  const double rightMarginCenter = f.W - (w / 2 + f.mR / 2);
  const double leftMarginCenter = f.mL / 2 - w / 2;
  switch (APlacement.GetHRelativePosition()) {
    case H::hrpCharacter:
      x = pick(FcurrentRunRight, FcurrentRunRight - w, FcurrentRunRight - w / 2);
      break;
    case H::hrpColumn:
      if (alignment == A::dhaLeft) {
        x = rL + w <= f.W ? rL : f.W - w;
      } else {
        x = KeepOnPage(std::max(0.0, pick(0, rR - w, rL + (rR - rL) / 2 - w / 2)), w, f.W);
      }
      break;
    case H::hrpMargin: x = pick(f.mL, f.W - f.mR - w, f.mL + (f.W - f.mL - f.mR) / 2 - w / 2); break;
    case H::hrpLeftMargin: x = pick(0, f.mL - w, leftMarginCenter); break;
    case H::hrpRightMargin: x = pick(f.W - f.mR, f.W - w, rightMarginCenter); break;
    case H::hrpPage: x = pick(0, f.W - w, f.W / 2 - w / 2); break;
    case H::hrpInsideMargin:
      x = odd ? pick(f.W - f.mR, f.W - w, rightMarginCenter) : pick(0, f.mL - w, leftMarginCenter);
      break;
    case H::hrpOutsideMargin:
      x = odd ? pick(0, f.mL - w, leftMarginCenter) : pick(f.W - f.mR, f.W - w, rightMarginCenter);
      break;
  }
  return vn::RoundToInt(x);
}

// The stored offset is the placement's PositionY, as for X.
int32_t TvnDrawingLayoutEngine::PositionVertically(const DrawingPlacement& APlacement, const TvnDocItem& ADrawing,
                                                   const TvnSection& ASection) const {
  const PageFrame f = FrameOf(ASection);
  const double h = ADrawing.GetHeight();
  const double stored = APlacement.GetPositionY();
  const bool odd = OddPage();
  using V = TvnVRelativePosition;
  using A = TvnDrawingVAlignment;
  const TvnDrawingVAlignment alignment = APlacement.GetVAlignment();
  const TvnVRelativePosition relative = APlacement.GetVRelativePosition();
  double y = stored;
  if (alignment == A::dvaNoAlignment) {
    switch (relative) {
      case V::vrpLine: y = stored + FcurrentRunTop; break;
      case V::vrpBottomMargin: y = stored + f.H - f.mB; break;
      case V::vrpMargin: y = stored + f.mT; break;
      case V::vrpParagraph:
        y = stored + FcurrentParaTop;
        if (y < 0 && y + h <= f.H) y = 0;
        break;
      case V::vrpInsideMargin:
      case V::vrpTopMargin:
      case V::vrpOutsideMargin:
      case V::vrpPage: break;
    }
    return vn::RoundToInt(y);
  }
  if (relative == V::vrpLine || relative == V::vrpParagraph) return vn::RoundToInt(y);
  // Top, centre, bottom, inside and outside columns of each reference.
  const auto pick = [alignment, stored](double ATop, double ACenter, double ABottom, double AInside,
                                        double AOutside) {
    switch (alignment) {
      case A::dvaTop: return ATop;
      case A::dvaCenter: return ACenter;
      case A::dvaBottom: return ABottom;
      case A::dvaInside: return AInside;
      case A::dvaOutside: return AOutside;
      case A::dvaNoAlignment: break;
    }
    return stored;
  };
  switch (relative) {
    case V::vrpBottomMargin:
      y = pick(f.H - f.mB, f.H - (h / 2 + f.mB / 2), f.H - h, odd ? f.H - f.mB : f.H - h,
               odd ? f.H - h : f.H - f.mB);
      break;
    case V::vrpMargin:
      y = pick(f.mT, f.mT + (f.H - f.mT - f.mB) / 2 - h / 2, f.H - f.mB - h, odd ? f.mT : f.H - f.mB - h,
               odd ? f.H - f.mB - h : f.mT);
      break;
    case V::vrpTopMargin:
      y = pick(0, f.mT / 2 - h / 2, f.mT - h, odd ? 0 : f.mT - h, odd ? f.mT - h : 0);
      break;
    case V::vrpPage: y = pick(0, f.H / 2 - h / 2, f.H - h, odd ? 0 : f.H - h, odd ? f.H - h : 0); break;
    case V::vrpInsideMargin:
    case V::vrpOutsideMargin:
      y = pick(odd ? 0 : f.H - f.mB, odd ? f.mT / 2 - h / 2 : f.H - (h / 2 + f.mB / 2), odd ? f.mT - h : f.H - h,
               stored, stored);
      break;
    case V::vrpLine:
    case V::vrpParagraph: break;
  }
  return vn::RoundToInt(y);
}

std::unique_ptr<TvnPath> TvnDrawingLayoutEngine::CreateWrapRegion(const DrawingPlacement& APlacement,
                                                                  const TvnDocItem& ADrawing,
                                                                  const TRect& AdisplayRegion) {
  auto region = std::make_unique<TvnPath>();
  const TvnGraphicsWrap* wrap = APlacement.GetWrap();
  if (wrap == nullptr) {
    region->AddRectangle(TRect{0, 0, 0, 0});
    return region;
  }
  const TRect box = ADrawing.GetBoundingRect();
  const int32_t rL = AdisplayRegion.Left;
  const int32_t rR = AdisplayRegion.Right;
  const int64_t roomLeft = int64_t{box.Left} - rL;
  const int64_t roomRight = int64_t{rR} - box.Right;
  const TRect rightBand{box.Right, box.Top, rR, box.Bottom};
  const TRect leftBand{rL, box.Top, box.Left, box.Bottom};
  if (dynamic_cast<const WrapPolygon*>(wrap) != nullptr) {
    region->AddRectangle(box);
    switch (wrap->GetWrapText()) {
      case TvnWrapText::wtBothSides:
      case TvnWrapText::wtLeft: region->AddRectangle(rightBand); break;
      case TvnWrapText::wtRight: region->AddRectangle(leftBand); break;
      case TvnWrapText::wtLargest: region->AddRectangle(roomLeft > roomRight ? rightBand : leftBand); break;
    }
    return region;
  }
  const bool square = dynamic_cast<const TvnWrapSquare*>(wrap) != nullptr;
  const bool topAndBottom = dynamic_cast<const TvnWrapTopAndBottom*>(wrap) != nullptr;
  if (!square && !topAndBottom) {
    region->AddRectangle(box);
    return region;
  }
  const auto grow = [](int32_t AValue, int64_t ADistance) {
    return static_cast<int32_t>(std::clamp<int64_t>(AValue + ADistance, INT32_MIN, INT32_MAX));
  };
  TRect kept{grow(box.Left, -int64_t{APlacement.GetLeftDistFromText()}),
             grow(box.Top, -int64_t{APlacement.GetTopDistFromText()}),
             grow(box.Right, APlacement.GetRightDistFromText()), grow(box.Bottom, APlacement.GetBottomDistFromText())};
  if (topAndBottom) {
    kept.Left = rL;
    kept.Right = rR;
  } else {
    switch (wrap->GetWrapText()) {
      case TvnWrapText::wtBothSides: break;
      case TvnWrapText::wtLeft: kept.Right = rR; break;
      case TvnWrapText::wtRight: kept.Left = rL; break;
      case TvnWrapText::wtLargest:
        if (roomRight < roomLeft) {
          kept.Right = rR;
        } else {
          kept.Left = rL;
        }
        break;
    }
  }
  region->AddRectangle(kept);
  return region;
}

}  // namespace vn::wordmodel
