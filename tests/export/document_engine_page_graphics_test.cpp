// The bitmaps of a played metafile belong to its page: written page by page
// (ProcessAfterEachPage), the engine lets them go once the page is written,
// so a long document does not keep every page's pictures. Graphics whose
// index a caller holds stay for later pages.
#include <gtest/gtest.h>

#include "export/bitmap_graphic.h"
#include "export/metafile_processor.h"
#include "platform/canvas/emf_recorder.h"
#include "recording_engine.h"
#include "support/pixels.h"

namespace vn::exporter::document_engine_page_graphics_test {
namespace {

using testing::RecordingEngine;

// A page of 40 x 30 pixels holding one 4 x 4 bitmap.
TMetafile BitmapPage() {
  vn::platform::EmfRecorderCanvas canvas(40, 30);
  canvas.DrawBitmap({0, 0, 40, 30}, vn::platform::testing::FilledBitmap(4, 4, 0x80808080));
  TMetafile metafile;
  metafile.Bytes = canvas.Finish();
  metafile.Width = 40;
  metafile.Height = 30;
  return metafile;
}

class TestGraphic : public TvnBitmapGraphic {
 public:
  TestGraphic() : TvnBitmapGraphic(vn::platform::Bitmap(2, 2, vn::platform::PixelFormat::pf24bit)) {}
};

TEST(PageGraphics, PlayedBitmapsGoWithTheirPageWrittenPageByPage) {
  for (const bool eachPage : {true, false}) {
    SCOPED_TRACE(eachPage);
    InstallMetafileProcessor();
    RecordingEngine e;
    e.SetMeasurementUnit(TvnUnitType::muPixels);
    e.Preferences().SetProcessAfterEachPage(eachPage);
    e.BeginDoc();
    const int32_t shared = e.AddImageResource(TestGraphic(), false);
    e.PlayMetafile(BitmapPage());
    const int32_t played = shared + 1;
    ASSERT_NE(e.GetImageResource(played).Graphic, nullptr);
    e.NewPage();
    // Written at once page by page; otherwise every page waits for EndDoc.
    EXPECT_EQ(e.GetImageResource(played).Graphic == nullptr, eachPage);
    ASSERT_NE(e.GetImageResource(shared).Graphic, nullptr);
    e.DrawImage(TvnRect{0, 0, 2, 2}, shared);
    e.EndDoc();
    SetMetafilePlayer(nullptr);
  }
}

}  // namespace
}  // namespace vn::exporter::document_engine_page_graphics_test
