#include "wordmodel/drawing_layout_engine.h"

#include <gtest/gtest.h>

#include "wordmodel/images.h"
#include "wordmodel/section.h"
#include "wordmodel/text_box.h"

namespace vn::wordmodel::drawing_layout_engine_test {

using H = TvnHRelativePosition;
using V = TvnVRelativePosition;
using HA = TvnDrawingHAlignment;
using VA = TvnDrawingVAlignment;

// A Letter page with margins left 96, top 48, right 120, bottom 72; the
// column runs from 96 to 696.
std::unique_ptr<TvnSection> Letter() {
  auto section = std::make_unique<TvnSection>();
  section->SetPageWidth(816);
  section->SetPageHeight(1056);
  TvnPageMargins* margins = section->GetPageMargin();
  margins->SetLeft(96);
  margins->SetTop(48);
  margins->SetRight(120);
  margins->SetBottom(72);
  return section;
}

constexpr TRect kColumn{96, 0, 696, 1056};

// An engine whose anchor run ends at x 300, with the run's top at 400 and
// the paragraph's at 380.
TvnDrawingLayoutEngine Engine(int32_t APageNumber) {
  TvnDrawingLayoutEngine engine;
  engine.SetCurrentRunRight(300);
  engine.SetCurrentRunTop(400);
  engine.SetCurrentParaTop(380);
  engine.SetPageNumber(APageNumber);
  return engine;
}

std::unique_ptr<TvnWordImage> Picture(int32_t AWidth, int32_t AHeight) {
  auto picture = std::make_unique<TvnWordImage>(String(u"picture.png"));
  picture->SetWidth(AWidth);
  picture->SetHeight(AHeight);
  return picture;
}

TEST(DrawingLayoutHorizontal, XByReferenceAlignmentAndPage) {
  const struct {
    H relative;
    HA alignment;
    int32_t page, stored, width, x;
    TRect column = kColumn;
  } cases[] = {
      // Offsets added to their reference.
      {H::hrpCharacter, HA::dhaNoAlignment, 1, 10, 200, 310},
      {H::hrpColumn, HA::dhaNoAlignment, 1, 10, 200, 106},
      {H::hrpColumn, HA::dhaNoAlignment, 1, 600, 200, 616},  // pulled back to the page edge
      {H::hrpMargin, HA::dhaNoAlignment, 1, 10, 200, 106},
      {H::hrpRightMargin, HA::dhaNoAlignment, 1, 10, 200, 706},
      {H::hrpInsideMargin, HA::dhaNoAlignment, 1, 10, 200, 706},
      {H::hrpInsideMargin, HA::dhaNoAlignment, 2, 10, 200, 10},
      {H::hrpOutsideMargin, HA::dhaNoAlignment, 1, 10, 200, 10},
      {H::hrpOutsideMargin, HA::dhaNoAlignment, 2, 10, 200, 706},
      {H::hrpLeftMargin, HA::dhaNoAlignment, 1, 10, 200, 10},
      {H::hrpPage, HA::dhaNoAlignment, 1, 10, 200, 10},
      // Left, right and centre.
      {H::hrpCharacter, HA::dhaLeft, 1, 10, 200, 300},
      {H::hrpCharacter, HA::dhaRight, 1, 10, 200, 100},
      {H::hrpCharacter, HA::dhaCenter, 1, 10, 200, 200},
      {H::hrpColumn, HA::dhaLeft, 1, 10, 200, 96},
      {H::hrpColumn, HA::dhaRight, 1, 10, 200, 496},
      {H::hrpColumn, HA::dhaCenter, 1, 10, 200, 296},
      {H::hrpColumn, HA::dhaLeft, 1, 10, 200, 616, TRect{700, 0, 900, 100}},
      {H::hrpColumn, HA::dhaRight, 1, 10, 200, 616, TRect{700, 0, 900, 100}},
      {H::hrpColumn, HA::dhaRight, 1, 10, 200, 0, TRect{0, 0, 150, 100}},  // at least 0
      {H::hrpMargin, HA::dhaLeft, 1, 10, 200, 96},
      {H::hrpMargin, HA::dhaRight, 1, 10, 200, 496},
      {H::hrpMargin, HA::dhaCenter, 1, 10, 200, 296},
      {H::hrpLeftMargin, HA::dhaLeft, 1, 10, 200, 0},
      {H::hrpLeftMargin, HA::dhaRight, 1, 10, 200, -104},
      {H::hrpLeftMargin, HA::dhaCenter, 1, 10, 200, -52},
      {H::hrpRightMargin, HA::dhaLeft, 1, 10, 200, 696},
      {H::hrpRightMargin, HA::dhaRight, 1, 10, 200, 616},
      {H::hrpRightMargin, HA::dhaCenter, 1, 10, 200, 656},
      {H::hrpPage, HA::dhaLeft, 1, 10, 200, 0},
      {H::hrpPage, HA::dhaRight, 1, 10, 200, 616},
      {H::hrpPage, HA::dhaCenter, 1, 10, 200, 308},  // 816 / 2 - 200 / 2
      {H::hrpPage, HA::dhaCenter, 1, 10, 201, 308},  // 307.5 to even
      {H::hrpPage, HA::dhaCenter, 1, 10, 203, 306},  // 306.5 to even
      {H::hrpInsideMargin, HA::dhaLeft, 1, 10, 200, 696},
      {H::hrpInsideMargin, HA::dhaLeft, 2, 10, 200, 0},
      {H::hrpInsideMargin, HA::dhaRight, 1, 10, 200, 616},
      {H::hrpInsideMargin, HA::dhaRight, 2, 10, 200, -104},
      {H::hrpInsideMargin, HA::dhaCenter, 1, 10, 200, 656},
      {H::hrpInsideMargin, HA::dhaCenter, 2, 10, 200, -52},
      {H::hrpOutsideMargin, HA::dhaLeft, 1, 10, 200, 0},
      {H::hrpOutsideMargin, HA::dhaLeft, 2, 10, 200, 696},
      {H::hrpOutsideMargin, HA::dhaRight, 1, 10, 200, -104},
      {H::hrpOutsideMargin, HA::dhaRight, 2, 10, 200, 616},
      {H::hrpOutsideMargin, HA::dhaCenter, 1, 10, 200, -52},
      {H::hrpOutsideMargin, HA::dhaCenter, 2, 10, 200, 656},
      // Inside and outside alignment keep the stored value.
      {H::hrpPage, HA::dhaInside, 1, 10, 200, 10},
      {H::hrpMargin, HA::dhaOutside, 2, 10, 200, 10},
  };
  const auto section = Letter();
  for (const auto& c : cases) {
    auto picture = Picture(c.width, 100);
    picture->SetHRelativePosition(c.relative);
    picture->SetHAlignment(c.alignment);
    picture->SetPositionX(c.stored);
    Engine(c.page).PositionDrawing(picture.get(), section.get(), c.column);
    EXPECT_EQ(picture->GetX(), c.x) << "row " << (&c - cases);
  }
}

TEST(DrawingLayoutVertical, YByReferenceAlignmentAndPage) {
  const struct {
    V relative;
    VA alignment;
    int32_t page, stored, y;
  } cases[] = {
      {V::vrpLine, VA::dvaNoAlignment, 1, 20, 420},
      {V::vrpBottomMargin, VA::dvaNoAlignment, 1, 20, 1004},
      {V::vrpMargin, VA::dvaNoAlignment, 1, 20, 68},
      {V::vrpParagraph, VA::dvaNoAlignment, 1, 20, 400},
      {V::vrpParagraph, VA::dvaNoAlignment, 1, -500, 0},  // would start above the page
      {V::vrpTopMargin, VA::dvaNoAlignment, 1, 20, 20},
      {V::vrpPage, VA::dvaNoAlignment, 1, 20, 20},
      {V::vrpInsideMargin, VA::dvaNoAlignment, 2, 20, 20},
      {V::vrpLine, VA::dvaCenter, 1, 20, 20},
      {V::vrpParagraph, VA::dvaBottom, 1, 20, 20},
      {V::vrpBottomMargin, VA::dvaTop, 1, 20, 984},
      {V::vrpBottomMargin, VA::dvaCenter, 1, 20, 970},
      {V::vrpBottomMargin, VA::dvaBottom, 1, 20, 956},
      {V::vrpBottomMargin, VA::dvaInside, 1, 20, 984},
      {V::vrpBottomMargin, VA::dvaInside, 2, 20, 956},
      {V::vrpBottomMargin, VA::dvaOutside, 1, 20, 956},
      {V::vrpBottomMargin, VA::dvaOutside, 2, 20, 984},
      {V::vrpMargin, VA::dvaTop, 1, 20, 48},
      {V::vrpMargin, VA::dvaCenter, 1, 20, 466},
      {V::vrpMargin, VA::dvaBottom, 1, 20, 884},
      {V::vrpMargin, VA::dvaInside, 2, 20, 884},
      {V::vrpMargin, VA::dvaOutside, 2, 20, 48},
      {V::vrpTopMargin, VA::dvaTop, 1, 20, 0},
      {V::vrpTopMargin, VA::dvaCenter, 1, 20, -26},
      {V::vrpTopMargin, VA::dvaBottom, 1, 20, -52},
      {V::vrpTopMargin, VA::dvaInside, 2, 20, -52},
      {V::vrpTopMargin, VA::dvaOutside, 1, 20, -52},
      {V::vrpPage, VA::dvaTop, 1, 20, 0},
      {V::vrpPage, VA::dvaCenter, 1, 20, 478},
      {V::vrpPage, VA::dvaBottom, 1, 20, 956},
      {V::vrpPage, VA::dvaInside, 1, 20, 0},
      {V::vrpPage, VA::dvaOutside, 1, 20, 956},
      {V::vrpInsideMargin, VA::dvaTop, 1, 20, 0},
      {V::vrpInsideMargin, VA::dvaTop, 2, 20, 984},
      {V::vrpOutsideMargin, VA::dvaCenter, 1, 20, -26},
      {V::vrpOutsideMargin, VA::dvaCenter, 2, 20, 970},
      {V::vrpInsideMargin, VA::dvaBottom, 1, 20, -52},
      {V::vrpInsideMargin, VA::dvaBottom, 2, 20, 956},
      {V::vrpOutsideMargin, VA::dvaInside, 1, 20, 20},
  };
  const auto section = Letter();
  for (const auto& c : cases) {
    auto picture = Picture(200, 100);
    picture->SetVRelativePosition(c.relative);
    picture->SetVAlignment(c.alignment);
    picture->SetPositionY(c.stored);
    Engine(c.page).PositionDrawing(picture.get(), section.get(), kColumn);
    EXPECT_EQ(picture->GetY(), c.y) << "row " << (&c - cases);
  }
}

TEST(DrawingLayoutPlacement, TextBoxesFollowTheSameRulesAndPlacingAgainGivesTheSamePlace) {
  const auto section = Letter();
  TvnTextBox box;
  box.SetWidth(200);
  box.SetHeight(100);
  box.SetHRelativePosition(H::hrpMargin);
  box.SetVRelativePosition(V::vrpParagraph);
  box.SetPositionX(10);
  box.SetPositionY(20);
  const TvnDrawingLayoutEngine engine = Engine(1);
  for (int pass = 0; pass < 3; ++pass) {
    engine.PositionDrawing(&box, section.get(), kColumn);
    EXPECT_EQ(box.GetX(), 106);
    EXPECT_EQ(box.GetY(), 400);
  }

  // Inline drawings, missing drawings and missing sections are left alone.
  auto inlinePicture = Picture(200, 100);
  inlinePicture->SetPositionX(7);
  inlinePicture->SetIsInLine(true);
  engine.PositionDrawing(inlinePicture.get(), section.get(), kColumn);
  EXPECT_EQ(inlinePicture->GetX(), 7);
  engine.PositionDrawing(static_cast<TvnWordImage*>(nullptr), section.get(), kColumn);
  engine.PositionDrawing(&box, nullptr, kColumn);
  engine.InitializeDrawingRegion(static_cast<TvnTextBox*>(nullptr), section.get(), kColumn);
}

// The rectangles of a region, in order.
std::vector<TRect> Rectangles(const TvnPath& ARegion) {
  std::vector<TRect> rectangles;
  for (const auto& item : ARegion.GetPathItems()) rectangles.push_back(item->GetBoundingRect());
  return rectangles;
}

enum class Kind { None, Tight, Through, Square, TopAndBottom, Plain };

TEST(DrawingLayoutWrap, RegionsByWrappingAndSide) {
  // A 200 by 100 drawing near the right edge of the region 96..720 (room
  // 404 on its left, 20 on its right), or near its left edge (room 4 and
  // 420); distances from text 5, 6, 7 and 8.
  const TRect nearRight{500, 300, 700, 400};
  const TRect nearLeft{100, 300, 300, 400};
  const struct {
    Kind kind;
    TvnWrapText side;
    TRect drawing;
    std::vector<TRect> region;
  } cases[] = {
      {Kind::None, TvnWrapText::wtBothSides, nearRight, {{0, 0, 0, 0}}},
      {Kind::Tight, TvnWrapText::wtBothSides, nearRight, {nearRight, {700, 300, 720, 400}}},
      {Kind::Tight, TvnWrapText::wtLeft, nearRight, {nearRight, {700, 300, 720, 400}}},
      {Kind::Tight, TvnWrapText::wtRight, nearRight, {nearRight, {96, 300, 500, 400}}},
      {Kind::Tight, TvnWrapText::wtLargest, nearRight, {nearRight, {700, 300, 720, 400}}},
      {Kind::Through, TvnWrapText::wtLargest, nearLeft, {nearLeft, {96, 300, 100, 400}}},
      {Kind::Square, TvnWrapText::wtBothSides, nearRight, {{495, 294, 707, 408}}},
      {Kind::Square, TvnWrapText::wtLeft, nearRight, {{495, 294, 720, 408}}},
      {Kind::Square, TvnWrapText::wtRight, nearRight, {{96, 294, 707, 408}}},
      {Kind::Square, TvnWrapText::wtLargest, nearRight, {{495, 294, 720, 408}}},
      {Kind::Square, TvnWrapText::wtLargest, nearLeft, {{96, 294, 307, 408}}},
      {Kind::TopAndBottom, TvnWrapText::wtBothSides, nearLeft, {{96, 294, 720, 408}}},
      {Kind::Plain, TvnWrapText::wtBothSides, nearLeft, {nearLeft}},
  };
  const TRect region{96, 0, 720, 1000};
  const auto section = Letter();
  for (const auto& c : cases) {
    auto picture = Picture(200, 100);
    picture->SetBoundingRect(c.drawing);
    picture->SetDistL(5);
    picture->SetDistT(6);
    picture->SetDistR(7);
    picture->SetDistB(8);
    std::unique_ptr<TvnGraphicsWrap> wrap;
    switch (c.kind) {
      case Kind::None: break;
      case Kind::Tight: wrap = std::make_unique<TvnWrapTight>(); break;
      case Kind::Through: wrap = std::make_unique<TvnWrapThrough>(); break;
      case Kind::Square: wrap = std::make_unique<TvnWrapSquare>(); break;
      case Kind::TopAndBottom: wrap = std::make_unique<TvnWrapTopAndBottom>(); break;
      case Kind::Plain: wrap = std::make_unique<TvnGraphicsWrap>(); break;
    }
    if (wrap) wrap->SetWrapText(c.side);
    picture->SetWrap(std::move(wrap));
    Engine(1).InitializeDrawingRegion(picture.get(), section.get(), region);
    ASSERT_NE(picture->GetRegion(), nullptr);
    EXPECT_EQ(Rectangles(*picture->GetRegion()), c.region) << "row " << (&c - cases);
  }
}

TEST(DrawingLayoutWrap, TextFlowsBesideSquareWrappingOnTheLargerSide) {
  const TRect region{96, 0, 720, 1000};
  const auto section = Letter();
  auto picture = Picture(200, 100);
  picture->SetBoundingRect(TRect{500, 300, 700, 400});
  picture->SetDistL(5);
  auto wrap = std::make_unique<TvnWrapSquare>();
  wrap->SetWrapText(TvnWrapText::wtLargest);
  picture->SetWrap(std::move(wrap));
  Engine(1).InitializeDrawingRegion(picture.get(), section.get(), region);
  // A word left of the picture is free; one in the band right of it is not.
  EXPECT_FALSE(RegionMeetsRect(picture->GetRegion(), TRect{100, 320, 490, 332}));
  EXPECT_TRUE(RegionMeetsRect(picture->GetRegion(), TRect{705, 320, 715, 332}));

  // Top and bottom: the full width from 6 above to 8 below.
  picture->SetDistT(6);
  picture->SetDistB(8);
  picture->SetWrap(std::make_unique<TvnWrapTopAndBottom>());
  Engine(1).InitializeDrawingRegion(picture.get(), section.get(), region);
  EXPECT_TRUE(RegionMeetsRect(picture->GetRegion(), TRect{100, 405, 110, 407}));
  EXPECT_FALSE(RegionMeetsRect(picture->GetRegion(), TRect{100, 409, 110, 420}));
  EXPECT_FALSE(RegionMeetsRect(picture->GetRegion(), TRect{100, 280, 110, 293}));
}

}  // namespace vn::wordmodel::drawing_layout_engine_test
