#include "viewer/base_viewer.h"

#include <cmath>
#include <utility>

#include "framework/writer_routines.h"
#include "runtime/numbers.h"

namespace vn::viewer {

TvnBaseDocumentViewer::TvnBaseDocumentViewer(QWidget* AOwner) : QWidget(AOwner) {}

TvnBaseDocumentViewer::~TvnBaseDocumentViewer() = default;

TvnFieldDataLink* TvnBaseDocumentViewer::FieldMapping(const String& FieldName) {
  auto& link = FFieldDataLinks[FieldName];
  if (!link) link = std::make_unique<TvnFieldDataLink>(FFieldDataSource);
  return link.get();
}

TvnBaseNavigationPanePage::TvnBaseNavigationPanePage(QWidget* ANavigationPane, TvnBaseDocumentViewer*,
                                                     TvnBaseDocument*)
    : QWidget(ANavigationPane), FCaption(u"Default") {}

TRect TransferPointRect(const TRect& Value, int32_t ScreenPPI, int32_t ZoomPercent, int32_t DPIX, int32_t DPIY) {
  if (ScreenPPI <= 0) return {};
  auto toScreen = [&](int32_t c) { return vn::RoundToInt(std::fabs(double(c) * ScreenPPI / 72.0)); };
  TRect r{toScreen(Value.Left), toScreen(Value.Top), toScreen(Value.Right), toScreen(Value.Bottom)};
  if (r.Right < r.Left) std::swap(r.Left, r.Right);
  if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
  auto scale = [&](int32_t c, int32_t dpi) { return vn::RoundToInt(ZoomPercent / 100.0 * c / ScreenPPI * dpi); };
  return {scale(r.Left, DPIX), scale(r.Top, DPIY), scale(r.Right, DPIX), scale(r.Bottom, DPIY)};
}

TRect TvnqViewerPlugin::GetTransferedRect(const TRect& Value) const {
  int32_t zoom = 100;
  int32_t dpix = 96;
  int32_t dpiy = 96;
  if (FViewer != nullptr) {
    if (TvnZoom* z = FViewer->GetZoom(); z != nullptr) zoom = z->GetPercent();
    if (TvnViewerPreferences* p = FViewer->GetPreferences(); p != nullptr) {
      dpix = p->GetRendering()->GetDPIX();
      dpiy = p->GetRendering()->GetDPIY();
    }
  }
  return TransferPointRect(Value, vn::framework::ScreenPixelsPerInch, zoom, dpix, dpiy);
}

}  // namespace vn::viewer
