// The drawing of a laid-out Word page onto a window-system canvas, shared by
// the page classes of the DOCX, DOC and RTF documents.
//
// The page's items are recorded into a fresh enhanced metafile of the
// page's pixel size through the default canvas class, and that metafile is
// played onto the caller's canvas: the target rectangle (0, 0, AWidth,
// AHeight) is painted white, then the page is stretched over it, unturned or
// turned by a quarter-turn rotation so that the turned page fills the
// rectangle. The metafile is played record by record, so a recording target
// (the PDF road) gets text as text and lines as lines, not a raster.
//
// Nothing is cached: every call records the page again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/page_model.h"

namespace vn::platform {
class Canvas;
}

namespace vn::wordmodel {

// The drawable items AElements (in order; null entries are passed over)
// recorded through the default canvas class into an enhanced metafile of
// AWidth by AHeight pixels, with nothing behind them.
std::string RecordWordPageItems(const std::vector<vn::framework::TvnDocItem*>& AElements, int32_t AWidth,
                                int32_t AHeight);

// Draws the page's drawable items AElements (in order; null entries are
// passed over) onto ACanvas into (0, 0, AWidth, AHeight), turned by
// ARotation degrees: 0, 90, 180 and 270 clockwise, -90, -180 and -270
// anticlockwise. The page's size is APage's GetPageSize read in pixels, by
// switching ADocument's measurement unit for the call. Any other angle, and
// a page smaller than a pixel, leave the rectangle white. A null canvas
// draws nothing. Errors of the items' drawing pass to the caller, with the
// document's unit as it was.
void DrawWordPage(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t ARotation,
                  const std::vector<vn::framework::TvnDocItem*>& AElements, vn::framework::TvnPage& APage,
                  vn::framework::TvnBaseDocumentHandler& ADocument);

}  // namespace vn::wordmodel
