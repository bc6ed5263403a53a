#include "wordmodel/drawing_placement.h"

#include <gtest/gtest.h>

#include <functional>

#include "wordmodel/images.h"
#include "wordmodel/text_box.h"

namespace vn::wordmodel::drawing_placement_test {
namespace {

TEST(DrawingPlacement, DistanceFromTextTakesTheLargestThatApplies) {
  // DistL 5, effect rectangle left 3; a wrap with DistL 8 and effect extent
  // left 2 counts only for square and top-and-bottom wrapping.
  const struct {
    const char* wrap;
    std::function<std::unique_ptr<TvnGraphicsWrap>()> make;
    int32_t left;
  } cases[] = {
      {"none", [] { return nullptr; }, 5},
      {"square",
       [] {
         auto w = std::make_unique<TvnWrapSquare>();
         w->SetDistL(8);
         w->SetEffectExtentRectangle({2, 0, 0, 0});
         return w;
       },
       8},
      {"square, large extent",
       [] {
         auto w = std::make_unique<TvnWrapSquare>();
         w->SetEffectExtentRectangle({11, 0, 0, 0});
         return w;
       },
       11},
      {"top and bottom",
       [] {
         auto w = std::make_unique<TvnWrapTopAndBottom>();
         w->SetDistL(8);
         return w;
       },
       8},
      {"tight",
       [] {
         auto w = std::make_unique<TvnWrapTight>();
         w->SetDistL(8);
         return w;
       },
       5},
      {"through",
       [] {
         auto w = std::make_unique<TvnWrapThrough>();
         w->SetDistL(8);
         return w;
       },
       5},
  };
  for (const auto& c : cases) {
    TvnWordImage image(std::shared_ptr<vn::TStream>{});
    image.SetDistL(5);
    image.SetEffectRectangle({3, 0, 0, 0});
    image.SetWrap(c.make());
    EXPECT_EQ(image.GetLeftDistFromText(), c.left) << c.wrap;
  }
}

TEST(DrawingPlacement, EachSideUsesItsOwnValues) {
  TvnTextBox box;
  box.SetDistL(1);
  box.SetDistR(2);
  box.SetDistT(3);
  box.SetDistB(4);
  box.SetEffectRectangle({0, 30, 20, 0});
  auto wrap = std::make_unique<TvnWrapSquare>();
  wrap->SetDistB(40);
  wrap->SetEffectExtentRectangle({10, 0, 0, 0});
  box.SetWrap(std::move(wrap));
  EXPECT_EQ(box.GetLeftDistFromText(), 10);
  EXPECT_EQ(box.GetRightDistFromText(), 20);
  EXPECT_EQ(box.GetTopDistFromText(), 30);
  EXPECT_EQ(box.GetBottomDistFromText(), 40);
}

TEST(DrawingPlacement, TextBoxKeepsWhatIsStoredAndPositionMovesIt) {
  TvnTextBox box;
  EXPECT_EQ(box.GetHAlignment(), TvnDrawingHAlignment::dhaNoAlignment);
  EXPECT_EQ(box.GetHRelativePosition(), TvnHRelativePosition::hrpMargin);
  EXPECT_EQ(box.GetVRelativePosition(), TvnVRelativePosition::vrpParagraph);
  EXPECT_FALSE(box.GetIsInLine());
  box.SetDistL(7);
  box.SetHAlignment(TvnDrawingHAlignment::dhaCenter);
  box.SetIsInLine(true);
  box.SetBehindDoc(true);
  EXPECT_EQ(box.GetDistL(), 7);
  EXPECT_EQ(box.GetHAlignment(), TvnDrawingHAlignment::dhaCenter);
  EXPECT_TRUE(box.GetIsInLine());
  EXPECT_TRUE(box.GetBehindDoc());
  box.SetPositionX(25);
  box.SetPositionY(35);
  EXPECT_EQ(box.GetX(), 25);
  EXPECT_EQ(box.GetY(), 35);
}

TEST(DrawingPlacement, WrapClonesKeepTheirKind) {
  std::unique_ptr<TvnGraphicsWrap> wraps[] = {
      std::make_unique<TvnGraphicsWrap>(), std::make_unique<TvnWrapSquare>(), std::make_unique<TvnWrapTight>(),
      std::make_unique<TvnWrapThrough>(), std::make_unique<TvnWrapTopAndBottom>()};
  for (auto& wrap : wraps) {
    wrap->SetWrapText(TvnWrapText::wtLargest);
    wrap->SetBehindDoc(true);
    wrap->SetDistT(9);
    std::unique_ptr<TvnGraphicsWrap> copy = wrap->Clone();
    const TvnGraphicsWrap& copied = *copy;
    const TvnGraphicsWrap& original = *wrap;
    EXPECT_EQ(typeid(copied), typeid(original));
    EXPECT_EQ(copy->GetWrapText(), TvnWrapText::wtLargest);
    EXPECT_TRUE(copy->GetBehindDoc());
    EXPECT_EQ(copy->GetDistT(), 9);
  }
  TvnWrapTopAndBottom band;
  band.SetEffectExtentRectangle({1, 2, 3, 4});
  EXPECT_EQ(CloneAs(band)->GetEffectExtentRectangle(), (TRect{1, 2, 3, 4}));
  TvnWrapTight tight;
  tight.GetPoints().emplace_back(1.5, 2.5);
  ASSERT_EQ(CloneAs(tight)->GetPoints().size(), 1u);
}

TEST(RegionTests, RectanglesMeetWhenTheyOverlapOrTouch) {
  const struct {
    TRect a, b;
    bool meet;
  } cases[] = {
      {{0, 0, 10, 10}, {5, 5, 20, 20}, true},     // a corner of B inside A
      {{0, 0, 10, 10}, {-5, -5, 5, 5}, true},     // B's bottom-right corner inside
      {{0, 0, 10, 10}, {-5, -5, 20, 20}, true},   // B covers A: no corner inside
      {{0, 0, 10, 10}, {2, -5, 8, 20}, true},     // B crosses A as a band
      {{0, 0, 10, 10}, {10, 0, 20, 10}, true},    // edges touch
      {{0, 0, 10, 10}, {11, 0, 20, 10}, false},   // apart
      {{0, 0, 10, 10}, {0, 11, 10, 20}, false},   // below
      {{5, 5, 6, 6}, {0, 0, 10, 10}, true},       // A inside B
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RectCornerInRect(c.a, c.b), c.meet)
        << c.b.Left << "," << c.b.Top << " " << c.b.Right << "," << c.b.Bottom;
  }
}

TEST(RegionTests, RegionMeetsRectUsesTheBoxOfItsRectangles) {
  TvnPath region;
  region.AddRectangle({100, 100, 150, 120});
  region.AddRectangle({150, 100, 300, 160});
  EXPECT_TRUE(RegionMeetsRect(&region, {0, 110, 120, 130}));
  EXPECT_TRUE(RegionMeetsRect(&region, {200, 150, 400, 400}));
  EXPECT_TRUE(RegionMeetsRect(&region, {120, 130, 140, 150}));  // in the box, outside both rectangles
  EXPECT_FALSE(RegionMeetsRect(&region, {0, 0, 50, 50}));
  EXPECT_FALSE(RegionMeetsRect(&region, {310, 100, 400, 160}));

  TvnPath empty;
  EXPECT_FALSE(RegionMeetsRect(&empty, {0, 0, 1000, 1000}));
  EXPECT_FALSE(RegionMeetsRect(nullptr, {0, 0, 1000, 1000}));
}

}  // namespace
}  // namespace vn::wordmodel::drawing_placement_test
