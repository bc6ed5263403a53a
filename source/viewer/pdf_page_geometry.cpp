#include "viewer/pdf_page_geometry.h"

#include <QPoint>
#include <algorithm>
#include <cmath>
#include <memory>

#include "framework/writer_routines.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pd_rect.h"
#include "runtime/numbers.h"
#include "viewer/fixed_layout_viewer.h"

namespace vn::viewer {

namespace {

// The page's /Rotate (0, 90, 180 or 270) and the upright page's width and
// height in points.
struct TvnPageTurn {
  int32_t Rotate = 0;
  double Width = 0;
  double Height = 0;
};

TvnPageTurn PageTurnOf(vn::pdfdoc::TvnPDPage* APage) {
  TvnPageTurn turn;
  if (APage == nullptr) return turn;
  turn.Rotate = APage->NormalizedRotate();
  if (turn.Rotate == 0) return turn;
  const std::unique_ptr<vn::pdfdoc::TvnPDRect> box = APage->ShownBox();
  turn.Width = std::fabs(box->Right() - box->Left());
  turn.Height = std::fabs(box->Bottom() - box->Top());
  return turn;
}

TRect OrderedRect(int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2) {
  return {std::min(AX1, AX2), std::min(AY1, AY2), std::max(AX1, AX2), std::max(AY1, AY2)};
}

}  // namespace

TvnPagePoint UprightToShownPoint(vn::pdfdoc::TvnPDPage* APage, TvnPagePoint APoint) {
  const TvnPageTurn turn = PageTurnOf(APage);
  switch (turn.Rotate) {
    case 90:
      return {turn.Height - APoint.Y, APoint.X};
    case 180:
      return {turn.Width - APoint.X, turn.Height - APoint.Y};
    case 270:
      return {APoint.Y, turn.Width - APoint.X};
    default:
      return APoint;
  }
}

TvnPagePoint ShownToUprightPoint(vn::pdfdoc::TvnPDPage* APage, TvnPagePoint APoint) {
  const TvnPageTurn turn = PageTurnOf(APage);
  switch (turn.Rotate) {
    case 90:
      return {APoint.Y, turn.Height - APoint.X};
    case 180:
      return {turn.Width - APoint.X, turn.Height - APoint.Y};
    case 270:
      return {turn.Width - APoint.Y, APoint.X};
    default:
      return APoint;
  }
}

TRect UprightPointsToWindowRect(TvnFixedLayoutDocumentViewer& AViewer, vn::pdfdoc::TvnPDPage* APage,
                                int32_t APageNumber, const TRect& APoints) {
  // Points of the page as shown, then pixels as the viewer measures pages,
  // then through the viewer's rotation and zoom.
  const double ppi = vn::framework::ScreenPixelsPerInch;
  const auto corner = [&](int32_t AX, int32_t AY) {
    const TvnPagePoint shown = UprightToShownPoint(APage, {double(AX), double(AY)});
    return AViewer.GetTransformedPoint(
        QPoint(vn::RoundToInt(shown.X * ppi / 72.0), vn::RoundToInt(shown.Y * ppi / 72.0)), APageNumber);
  };
  const QPoint a = corner(APoints.Left, APoints.Top);
  const QPoint b = corner(APoints.Right, APoints.Bottom);
  return OrderedRect(a.x(), a.y(), b.x(), b.y());
}

TRect WindowRectToUprightPoints(TvnFixedLayoutDocumentViewer& AViewer, vn::pdfdoc::TvnPDPage* APage,
                                int32_t APageNumber, const TRect& APixels) {
  const TRect shown = AViewer.GetOriginalRect(APixels, APageNumber);
  const double ppi = vn::framework::ScreenPixelsPerInch;
  const auto corner = [&](int32_t AX, int32_t AY) {
    return ShownToUprightPoint(APage, {AX * 72.0 / ppi, AY * 72.0 / ppi});
  };
  const TvnPagePoint a = corner(shown.Left, shown.Top);
  const TvnPagePoint b = corner(shown.Right, shown.Bottom);
  return OrderedRect(vn::RoundToInt(a.X), vn::RoundToInt(a.Y), vn::RoundToInt(b.X), vn::RoundToInt(b.Y));
}

}  // namespace vn::viewer
