#include "wordmodel/vector_graphics.h"

#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "support/trace_canvas.h"

namespace vn::wordmodel::vector_graphics_test {
namespace {

namespace pf = vn::platform;

TEST(VectorGraphics, LineDrawsWithItsPenAtTheItemWidth) {
  TvnLine line(10, 20, 110, 20);
  line.SetWidth(3);
  TvnPen pen;
  pen.SetColor({255, 0, 0});
  pen.SetStyle(vn::framework::TvnPenStyle::psDash);
  line.SetPen(pen);

  pf::testing::TraceCanvas trace({"SetPen", "MoveTo", "LineTo"});
  vn::framework::TvnVCLCanvas canvas(&trace);
  line.Draw(&canvas);
  EXPECT_EQ(trace.Calls(), (std::vector<std::string>{"SetPen Dash 3 #FF0000", "MoveTo 10,20", "LineTo 110,20"}));
  EXPECT_EQ(canvas.GetPen(), nullptr);
  EXPECT_EQ(canvas.GetBrush(), nullptr);
  EXPECT_EQ(line.GetPen()->GetWidth(), 0);  // the line's own pen is unchanged
}

TEST(VectorGraphics, RectangleFillsAndStrokesAsItsFlagsSay) {
  const struct {
    bool fill, stroke;
    std::vector<std::string> calls;
  } cases[] = {
      {true, false, {"SetBrush Solid #00FF00", "Rectangle 5,5 25,15"}},
      {false, true, {"SetBrush Clear", "Rectangle 5,5 25,15"}},
      {false, false, {}},
  };
  for (const auto& c : cases) {
    TvnGraphicRect rect(5, 5, 20, 10);
    TvnBrush brush;
    brush.SetColor({0, 255, 0});
    rect.SetBrush(brush);
    rect.SetIsFill(c.fill);
    rect.SetIsStroke(c.stroke);
    pf::testing::TraceCanvas trace({"SetBrush", "Rectangle"});
    vn::framework::TvnVCLCanvas canvas(&trace);
    rect.Draw(&canvas);
    EXPECT_EQ(trace.Calls(), c.calls) << c.fill << c.stroke;
  }
  // A new rectangle is filled, not stroked.
  TvnGraphicRect fresh(TRect{0, 0, 4, 4});
  EXPECT_TRUE(fresh.GetIsFill());
  EXPECT_FALSE(fresh.GetIsStroke());
}

TEST(VectorGraphics, ClonesAreCopiesOfTheirOwnClass) {
  TvnGraphicRect rect(1, 2, 3, 4);
  TvnBrush brush;
  brush.SetColor({7, 7, 7});
  rect.SetBrush(brush);
  std::unique_ptr<TvnGraphicRect> rectCopy = CloneAs(rect);
  EXPECT_NE(rectCopy.get(), &rect);
  EXPECT_EQ(rectCopy->GetBoundingRect(), rect.GetBoundingRect());
  EXPECT_EQ(rectCopy->GetBrush()->GetColor(), (TvnRGBColor{7, 7, 7}));
  EXPECT_TRUE(rectCopy->GetIsFill());

  TvnLine line(1, 2, 3, 4);
  line.SetWidth(2);
  std::unique_ptr<TvnLine> lineCopy = CloneAs(line);
  EXPECT_EQ(lineCopy->GetStartY(), 2);
  EXPECT_EQ(lineCopy->GetEndX(), 3);
  EXPECT_EQ(lineCopy->GetWidth(), 2);

  TvnPath path;
  path.SetFillMode(TvnFillMode::fmWinding);
  path.AddRectangle({0, 0, 5, 5});
  std::unique_ptr<TvnPath> pathCopy = CloneAs(path);
  EXPECT_EQ(pathCopy->GetFillMode(), TvnFillMode::fmWinding);
  ASSERT_EQ(pathCopy->GetPathItems().size(), 1u);
  EXPECT_NE(pathCopy->GetPathItems()[0].get(), path.GetPathItems()[0].get());
  EXPECT_EQ(pathCopy->GetPathItems()[0]->GetBoundingRect(), (TRect{0, 0, 5, 5}));
}

TEST(VectorGraphics, LineMovesWithItsBoxAndRoundsPoints) {
  TvnLine line(vn::framework::TvnPoint(1.5, 2.5), vn::framework::TvnPoint(3.49, -0.5));
  EXPECT_EQ((TRect{line.GetStartX(), line.GetStartY(), line.GetEndX(), line.GetEndY()}), (TRect{2, 2, 3, 0}));
  line.ShiftByOffset(10, -1);
  EXPECT_EQ((TRect{line.GetStartX(), line.GetStartY(), line.GetEndX(), line.GetEndY()}), (TRect{12, 1, 13, -1}));
  EXPECT_EQ(line.GetX(), 10);
  EXPECT_EQ(line.GetY(), -1);
}

}  // namespace
}  // namespace vn::wordmodel::vector_graphics_test
