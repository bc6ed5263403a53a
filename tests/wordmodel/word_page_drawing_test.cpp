#include "wordmodel/word_page_drawing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/canvas.h"
#include "framework/document_routines.h"
#include "platform/canvas/cairo_canvas.h"
#include "support/trace_canvas.h"
#include "wordmodel/word_types.h"

namespace vn::wordmodel::word_page_drawing_test {

using vn::framework::TvnBaseCanvas;
using vn::framework::TvnBaseDocumentHandler;
using vn::framework::TvnMeasurementUnit;
using vn::framework::TvnPageSize;

// A black square (ASide pixels) at the page's top-left corner.
class CornerSquare : public TvnDocItem {
 public:
  explicit CornerSquare(int32_t ASide) : FSide(ASide) {}
  void Draw(TvnBaseCanvas* ACanvas) override {
    vn::framework::TvnBrush black;
    black.SetColor({0, 0, 0});
    ACanvas->SetBrush(&black);
    ACanvas->DrawRect({0, 0, FSide, FSide}, true, false);
    ACanvas->SetBrush(nullptr);
  }

 private:
  int32_t FSide;
};

class Words : public TvnDocItem {
 public:
  void Draw(TvnBaseCanvas* ACanvas) override { ACanvas->DrawString(u"Stays text", 30, 40, false); }
};

// A page of a pixel size that answers it in its document's unit, as the
// Word-model page classes do.
class SizedPage : public vn::framework::TvnPage {
 public:
  SizedPage(TvnBaseDocumentHandler& ADocument, double AWidth, double AHeight)
      : FDocument(ADocument), FWidth(AWidth), FHeight(AHeight) {}
  TvnPageSize GetPageSize() override {
    const TvnMeasurementUnit unit = FDocument.GetMeasurementUnit();
    return {vn::framework::PointsToUnit(unit, FHeight * 0.75), vn::framework::PointsToUnit(unit, FWidth * 0.75)};
  }
  // The drawable items.
  std::vector<TvnDocItem*> Elements() const {
    std::vector<TvnDocItem*> items;
    for (const auto& item : Items) items.push_back(item.get());
    return items;
  }
  std::vector<std::unique_ptr<TvnDocItem>> Items;

 private:
  TvnBaseDocumentHandler& FDocument;
  double FWidth;
  double FHeight;
};

bool IsBlack(uint32_t APixel) { return (APixel & 0xFFFFFF) == 0; }
bool IsWhite(uint32_t APixel) { return (APixel & 0xFFFFFF) == 0xFFFFFF; }

// A portrait page of 100 x 200 pixels with a 20-pixel square at its top-left
// corner, drawn at each rotation: the square lands in the corner the turn
// takes it to, and the opposite corner stays white. The document reports in
// points, so a page read in any unit but pixels would draw the square too
// large or too small.
TEST(WordPageDrawing, QuarterTurnsTakeTheCornerWhereTheTurnGoes) {
  TvnBaseDocumentHandler document;
  document.SetMeasurementUnit(TvnMeasurementUnit::muPoints);
  SizedPage page(document, 100, 200);
  page.Items.push_back(std::make_unique<CornerSquare>(20));
  enum Corner { TopLeft, TopRight, BottomRight, BottomLeft };
  const struct {
    int32_t rotation;
    Corner corner;
  } cases[] = {{0, TopLeft},       {90, TopRight},     {180, BottomRight}, {270, BottomLeft},
               {-90, BottomLeft},  {-180, BottomRight}, {-270, TopRight}};
  for (const auto& c : cases) {
    const bool turned = c.rotation % 180 != 0;
    const int32_t w = turned ? 200 : 100;
    const int32_t h = turned ? 100 : 200;
    vn::platform::CairoCanvas raster(w, h, 0xFFFF0000);
    DrawWordPage(&raster, w, h, c.rotation, page.Elements(), page, document);
    const struct {
      int32_t x, y;
    } at[] = {{3, 3}, {w - 4, 3}, {w - 4, h - 4}, {3, h - 4}};
    for (int corner = 0; corner < 4; ++corner) {
      const uint32_t pixel = raster.PixelAt(at[corner].x, at[corner].y);
      if (corner == c.corner)
        EXPECT_TRUE(IsBlack(pixel)) << c.rotation << " corner " << corner;
      else
        EXPECT_TRUE(IsWhite(pixel)) << c.rotation << " corner " << corner;
    }
    // The square keeps its size: 20 pixels, not 20 points.
    const int32_t inside = 17, outside = 23;
    const int32_t x0 = at[c.corner].x, y0 = at[c.corner].y;
    const int32_t dx = x0 < w / 2 ? 1 : -1, dy = y0 < h / 2 ? 1 : -1;
    EXPECT_TRUE(IsBlack(raster.PixelAt(x0 + dx * (inside - 3), y0 + dy * (inside - 3)))) << c.rotation;
    EXPECT_TRUE(IsWhite(raster.PixelAt(x0 + dx * (outside - 3), y0))) << c.rotation;
    EXPECT_EQ(document.GetMeasurementUnit(), TvnMeasurementUnit::muPoints);
  }
}

// Unturned, the page is stretched over the whole target whatever its
// proportions: the 20-pixel square of a 100 x 200 page drawn into 300 x 100
// covers 60 x 10 pixels.
TEST(WordPageDrawing, UnturnedPageIsStretchedOverTheTarget) {
  TvnBaseDocumentHandler document;
  SizedPage page(document, 100, 200);
  page.Items.push_back(std::make_unique<CornerSquare>(20));
  vn::platform::CairoCanvas raster(300, 100, 0xFFFF0000);
  DrawWordPage(&raster, 300, 100, 0, page.Elements(), page, document);
  EXPECT_TRUE(IsBlack(raster.PixelAt(57, 7)));
  EXPECT_TRUE(IsWhite(raster.PixelAt(63, 5)));
  EXPECT_TRUE(IsWhite(raster.PixelAt(5, 12)));
  EXPECT_TRUE(IsWhite(raster.PixelAt(299, 99)));
}

// Angles that are no quarter turn, and pages without a size, paint the
// target white and nothing else.
TEST(WordPageDrawing, OtherAnglesAndEmptyPagesLeaveTheTargetWhite) {
  TvnBaseDocumentHandler document;
  const struct {
    int32_t rotation;
    double width, height;
  } cases[] = {{45, 100, 200}, {360, 100, 200}, {-45, 100, 200}, {0, 0, 200}, {90, 100, 0.2}, {0, -5, 200}};
  for (const auto& c : cases) {
    SizedPage page(document, c.width, c.height);
    page.Items.push_back(std::make_unique<CornerSquare>(20));
    vn::platform::CairoCanvas raster(100, 200, 0xFFFF0000);
    DrawWordPage(&raster, 100, 200, c.rotation, page.Elements(), page, document);
    for (const auto& [x, y] : {std::pair{3, 3}, {50, 100}, {96, 196}})
      EXPECT_TRUE(IsWhite(raster.PixelAt(x, y))) << c.rotation << " " << c.width << "x" << c.height;
  }
}

// The page reaches the target as drawing calls, not as a picture: text is
// written as text (at every rotation), so a PDF made from it keeps its text.
TEST(WordPageDrawing, TextReachesTheTargetAsText) {
  TvnBaseDocumentHandler document;
  SizedPage page(document, 100, 200);
  page.Items.push_back(std::make_unique<Words>());
  for (const int32_t rotation : {0, 90, -180}) {
    vn::platform::testing::TraceCanvas trace({"TextOut", "StretchDib", "DrawBitmap"});
    DrawWordPage(&trace, 100, 200, rotation, page.Elements(), page, document);
    EXPECT_THAT(trace.Calls(), ::testing::ElementsAre(::testing::HasSubstr("\"Stays text\""))) << rotation;
  }
}

}  // namespace vn::wordmodel::word_page_drawing_test
