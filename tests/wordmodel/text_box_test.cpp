#include "wordmodel/text_box.h"

#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "support/trace_canvas.h"
#include "wordmodel/paragraph.h"
#include "wordmodel/vector_graphics.h"

namespace vn::wordmodel::text_box_test {
namespace {

TEST(ShapeProperties, CopiesAreWholeAndIndependent) {
  TvnShapeProperties shape;
  shape.SetOffsetX(10);
  shape.SetOffsetY(20);
  shape.SetExtentX(30);
  shape.SetExtentY(40);
  shape.SetSolidFill({1, 2, 3});
  auto outline = std::make_unique<TvnLineProperties>();
  outline->SetWidth(2);
  outline->SetSolidFill({9, 9, 9});
  shape.SetLineProperties(std::move(outline));

  std::unique_ptr<TvnShapeProperties> copy = shape.Clone();
  EXPECT_EQ(copy->GetOffsetX(), 10);
  EXPECT_EQ(copy->GetOffsetY(), 20);
  EXPECT_EQ(copy->GetExtentX(), 30);
  EXPECT_EQ(copy->GetExtentY(), 40);
  EXPECT_EQ(copy->GetSolidFill(), (TvnRGBColor{1, 2, 3}));
  ASSERT_NE(copy->GetLineProperties(), nullptr);
  EXPECT_NE(copy->GetLineProperties(), shape.GetLineProperties());
  EXPECT_EQ(copy->GetLineProperties()->GetWidth(), 2);
  EXPECT_EQ(copy->GetLineProperties()->GetSolidFill(), (TvnRGBColor{9, 9, 9}));
  EXPECT_EQ(TvnShapeProperties().GetSolidFill(), (TvnRGBColor{255, 255, 255}));

  TvnBodyProperties body;
  body.SetLeftInset(5);
  body.SetBottomInset(6);
  body.SetAutoFit(TvnAutoFit::afShapeAutoFit);
  std::unique_ptr<TvnBodyProperties> bodyCopy = body.Clone();
  EXPECT_EQ(bodyCopy->GetLeftInset(), 5);
  EXPECT_EQ(bodyCopy->GetBottomInset(), 6);
  EXPECT_EQ(bodyCopy->GetAutoFit(), TvnAutoFit::afShapeAutoFit);
}

TEST(TextBox, CopySharesNothingWithItsSource) {
  auto source = std::make_unique<TvnTextBox>();
  source->Add(std::make_unique<TvnParagraph>());
  source->SetShapeProperties(std::make_unique<TvnShapeProperties>());
  source->SetBodyProperties(std::make_unique<TvnBodyProperties>());
  source->SetWrap(std::make_unique<TvnWrapTopAndBottom>());
  source->GetRegion()->AddRectangle({0, 0, 100, 50});
  source->GetLayoutedDocItems().push_back(std::make_unique<TvnGraphicRect>(0, 0, 100, 50));
  source->SetRotationAngle(90);
  source->SetZOrder(4);
  source->SetBoundingRect({0, 0, 100, 50});
  source->SetDistT(3);

  std::unique_ptr<TvnTextBox> copy = CloneAs(*source);
  ASSERT_EQ(copy->GetCount(), 1);
  EXPECT_NE(copy->GetItem(0), source->GetItem(0));
  EXPECT_NE(dynamic_cast<TvnParagraph*>(copy->GetItem(0)), nullptr);
  EXPECT_NE(copy->GetShapeProperties(), source->GetShapeProperties());
  EXPECT_NE(copy->GetBodyProperties(), source->GetBodyProperties());
  EXPECT_NE(copy->GetWrap(), source->GetWrap());
  EXPECT_NE(copy->GetRegion(), source->GetRegion());
  ASSERT_EQ(copy->GetLayoutedDocItems().size(), 1u);
  EXPECT_NE(copy->GetLayoutedDocItems()[0].get(), source->GetLayoutedDocItems()[0].get());
  EXPECT_EQ(copy->GetRotationAngle(), 90);
  EXPECT_EQ(copy->GetZOrder(), 4);
  EXPECT_EQ(copy->GetDistT(), 3);
  EXPECT_EQ(copy->GetBoundingRect(), (TRect{0, 0, 100, 50}));

  // The copy draws on after its source is gone.
  source.reset();
  vn::platform::testing::TraceCanvas trace({"Rectangle"});
  vn::framework::TvnVCLCanvas canvas(&trace);
  copy->Draw(&canvas);
  EXPECT_EQ(trace.Calls(), (std::vector<std::string>{"Rectangle 0,0 100,50"}));
}

TEST(TextBox, RunNotesTheTextBoxesItHolds) {
  TvnRun run;
  run.Add(nullptr);
  EXPECT_EQ(run.GetCount(), 0);
  EXPECT_FALSE(run.GetContainsTextBox());
  run.Add(std::make_unique<TvnTextBox>());
  EXPECT_TRUE(run.GetContainsTextBox());
}

}  // namespace
}  // namespace vn::wordmodel::text_box_test
