#include "wordmodel/word_page_drawing.h"

#include <memory>
#include <string>

#include "framework/canvas.h"
#include "platform/canvas/emf_recorder.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/emf_reader.h"
#include "platform/images/picture.h"
#include "runtime/numbers.h"
#include "runtime/scope_exit.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel {

namespace {

// The page's size in pixels: the document's unit is switched to pixels for
// the question and back afterwards, also when the page raises.
vn::framework::TvnPageSize PagePixelSize(vn::framework::TvnPage& APage,
                                          vn::framework::TvnBaseDocumentHandler& ADocument) {
  const vn::framework::TvnMeasurementUnit unit = ADocument.GetMeasurementUnit();
  const vn::ScopeExit restore([&] { ADocument.SetMeasurementUnit(unit); });
  ADocument.SetMeasurementUnit(vn::framework::TvnMeasurementUnit::muPixels);
  return APage.GetPageSize();
}

// A side of the page in whole pixels; 0 for one that is not a usable size.
int32_t PageSide(double APixels) {
  if (!(APixels >= 0.5 && APixels <= vn::platform::kMaxPictureSide)) return 0;
  return vn::RoundToInt(APixels);
}

}  // namespace

std::string RecordWordPageItems(const std::vector<TvnDocItem*>& AElements, int32_t AWidth, int32_t AHeight) {
  vn::platform::EmfRecorderCanvas recorder(AWidth, AHeight);
  {
    std::unique_ptr<vn::framework::TvnBaseCanvas> canvas = vn::framework::DefaultCanvasClass(&recorder);
    for (TvnDocItem* item : AElements)
      if (item != nullptr) item->Draw(canvas.get());
  }
  return recorder.Finish();
}

void DrawWordPage(vn::platform::Canvas* ACanvas, int32_t AWidth, int32_t AHeight, int32_t ARotation,
                  const std::vector<TvnDocItem*>& AElements, vn::framework::TvnPage& APage,
                  vn::framework::TvnBaseDocumentHandler& ADocument) {
  if (ACanvas == nullptr) return;
  const vn::framework::TvnPageSize size = PagePixelSize(APage, ADocument);
  const int32_t width = PageSide(size.Width);
  const int32_t height = PageSide(size.Height);
  const int turns = vn::platform::QuarterTurns(ARotation);
  if (turns < 0 || width == 0 || height == 0) {
    vn::platform::FillWhite(*ACanvas, AWidth, AHeight);
    return;
  }
  // The metafile's frame is the whole page, so the page (not the part of it
  // that holds ink) fills the target at every rotation.
  const vn::platform::emf::EmfFile page(RecordWordPageItems(AElements, width, height));
  vn::platform::DrawPageMetafile(page, *ACanvas, AWidth, AHeight, turns * 90);
}

}  // namespace vn::wordmodel
