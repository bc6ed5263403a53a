// Where a rectangle of a PDF page lies in the fixed-layout viewer's page
// window. Annotations and form fields are measured in points from the
// top-left corner of the page as the file lays it out (y down), before the
// page's own /Rotate; the viewer shows the page turned by its /Rotate, then
// by the viewer's rotation, at the viewer's zoom.
#pragma once

#include <cstdint>

#include "viewer/base_viewer.h"

namespace vn::pdfdoc {
class TvnPDPage;
}

namespace vn::viewer {

class TvnFixedLayoutDocumentViewer;

struct TvnPagePoint {
  double X = 0;
  double Y = 0;
};

// A point of the upright page (points, y down) on the page as shown, turned
// by the page's /Rotate (90, 180 or 270 clockwise), and back. A null page or
// a page without /Rotate turns nothing.
TvnPagePoint UprightToShownPoint(vn::pdfdoc::TvnPDPage* APage, TvnPagePoint APoint);
TvnPagePoint ShownToUprightPoint(vn::pdfdoc::TvnPDPage* APage, TvnPagePoint APoint);

// The rectangle APoints (upright page points) in pixels of the window of
// page APageNumber, its sides in order.
TRect UprightPointsToWindowRect(TvnFixedLayoutDocumentViewer& AViewer, vn::pdfdoc::TvnPDPage* APage,
                                int32_t APageNumber, const TRect& APoints);
// The rectangle APixels of the window of page APageNumber in upright page
// points, each side rounded to the nearest point (halves to even), its
// sides in order.
TRect WindowRectToUprightPoints(TvnFixedLayoutDocumentViewer& AViewer, vn::pdfdoc::TvnPDPage* APage,
                                int32_t APageNumber, const TRect& APixels);

}  // namespace vn::viewer
