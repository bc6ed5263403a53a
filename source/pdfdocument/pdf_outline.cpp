#include "pdfdocument/pdf_outline.h"

#include <algorithm>
#include <cmath>

#include "framework/document_routines.h"
#include "pdfdocument/pd_bookmark.h"
#include "pdfdocument/pd_page.h"
#include "pdfdocument/pdf_document_handler.h"
#include "runtime/exceptions.h"

namespace vn::pdfdoc {

using vn::framework::TvnMeasurementUnit;

namespace {

int32_t OutlinePixels(double APoints) {
  return static_cast<int32_t>(std::lround(vn::framework::PointsToUnit(TvnMeasurementUnit::muPixels, APoints)));
}

}  // namespace

TvnPDFOutline::TvnPDFOutline(TvnPDFDocumentHandler* AHandler, TvnPDFBookmark* ABookmark, TvnPDFOutline* AParent)
    : FHandler(AHandler), FPDBookmark(ABookmark), FParent(AParent) {}

TvnPDFOutline::~TvnPDFOutline() = default;

TvnPDFOutline* TvnPDFOutline::Child() {
  if (FBookmarkList.empty() && FPDBookmark)
    if (TvnPDFBookmark* first = FPDBookmark->FirstChild())
      FBookmarkList.push_back(std::make_unique<TvnPDFOutline>(FHandler, first, this));
  return FBookmarkList.empty() ? nullptr : FBookmarkList.front().get();
}

int TvnPDFOutline::BookmarkIndex() const { return FPDBookmark ? FPDBookmark->BookmarkIndex() : 0; }

TvnPDFOutline* TvnPDFOutline::Next() {
  if (!FParent || FParent->FBookmarkList.empty() || !FPDBookmark) return nullptr;
  auto& siblings = FParent->FBookmarkList;
  const size_t next = static_cast<size_t>(BookmarkIndex()) + 1;
  if (next < siblings.size()) return siblings[next].get();
  TvnPDFBookmark* bookmark = FPDBookmark->Next();
  if (!bookmark || next != siblings.size()) return nullptr;
  siblings.push_back(std::make_unique<TvnPDFOutline>(FHandler, bookmark, FParent));
  return siblings.back().get();
}

TvnPDFOutline* TvnPDFOutline::Prev() {
  if (!FParent || !FPDBookmark) return nullptr;
  // The siblings are made in order from the first, so the previous one is
  // always in the list already.
  const int index = BookmarkIndex();
  if (index <= 0 || static_cast<size_t>(index) > FParent->FBookmarkList.size()) return nullptr;
  return FParent->FBookmarkList[static_cast<size_t>(index) - 1].get();
}

String TvnPDFOutline::Title() { return FPDBookmark ? FPDBookmark->Title() : String(); }

vn::framework::TvnPageDestination* TvnPDFOutline::Destination() {
  if (FDestinationMade || !FPDBookmark) return FDestination.get();
  FDestinationMade = true;
  TvnqPDFDestination* dest = FPDBookmark->Destination();
  if (dest && dest->Page()) {
    TvnPDPage* page = dest->Page();
    const TvnMeasurementUnit unit = FHandler->MeasurementUnit();
    FHandler->SetMeasurementUnit(TvnMeasurementUnit::muPoints);
    const double height = page->GetPageSize().Height;
    FHandler->SetMeasurementUnit(unit);
    const TvnPDRect* r = dest->Rect();
    double left = 0.0;
    double top = height;
    switch (dest->DisplayOptions()) {
      case TvnPageDisplayOptions::FitZoom:
        left = r->Left();
        top = r->Top();
        break;
      case TvnPageDisplayOptions::FitHeight:
      case TvnPageDisplayOptions::FitBoundingBoxHeight:
        top = r->Top();
        break;
      case TvnPageDisplayOptions::FitWidth:
      case TvnPageDisplayOptions::FitBoundingBoxWidth:
        left = r->Left();
        break;
      case TvnPageDisplayOptions::FitRect:
        left = r->Left();
        top = std::max(r->Top(), r->Bottom());
        break;
      default:
        break;
    }
    FDestination = std::make_unique<vn::framework::TvnPageDestination>();
    FDestination->SetPageNumber(page->PageNum());
    FDestination->SetX(OutlinePixels(left));
    FDestination->SetY(std::abs(OutlinePixels(height - top)));
    return FDestination.get();
  }
  TvnPDAction* action = FPDBookmark->Action();
  bool go_to = false;
  try {
    go_to = action && action->ActionType() == TvnPDActionType::actionGoTo;
  } catch (const vn::ExBadPDFAction&) {
    // An action of no type leads nowhere.
  }
  if (go_to && action->Destination() && action->Destination()->Page()) {
    FDestination = std::make_unique<vn::framework::TvnPageDestination>();
    FDestination->SetPageNumber(action->Destination()->Page()->PageNum());
  }
  return FDestination.get();
}

}  // namespace vn::pdfdoc
