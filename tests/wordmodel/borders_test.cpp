#include "wordmodel/borders.h"

#include <gtest/gtest.h>

#include <functional>

namespace vn::wordmodel::borders_test {
namespace {

std::unique_ptr<TvnBorder> Line(int32_t AWidth, TvnRGBColor AColor = {}) {
  auto border = std::make_unique<TvnBorder>(AWidth);
  border->SetColor(AColor);
  return border;
}

TEST(Border, SamePropertiesComparesEverythingButTheCustomImage) {
  const struct {
    const char* change;
    std::function<void(TvnBorder&)> apply;
    bool same;
  } cases[] = {
      {"nothing", [](TvnBorder&) {}, true},
      {"custom image", [](TvnBorder& b) { b.SetCustomImageID(u"art"); }, true},
      {"width", [](TvnBorder& b) { b.SetBorderWidth(2); }, false},
      {"red", [](TvnBorder& b) { b.SetColor({1, 0, 0}); }, false},
      {"green", [](TvnBorder& b) { b.SetColor({0, 1, 0}); }, false},
      {"blue", [](TvnBorder& b) { b.SetColor({0, 0, 1}); }, false},
      {"frame", [](TvnBorder& b) { b.SetIsFrame(true); }, false},
      {"pen style", [](TvnBorder& b) { b.SetPenStyle(TvnDashStyle::dsDot); }, false},
      {"shadow", [](TvnBorder& b) { b.SetShadow(true); }, false},
      {"space", [](TvnBorder& b) { b.SetSpace(4); }, false},
  };
  for (const auto& c : cases) {
    TvnBorder a(1), b(1);
    c.apply(b);
    EXPECT_EQ(a.DoesBorderHaveSameProperties(&b), c.same) << c.change;
  }
  TvnBorder a(1);
  EXPECT_FALSE(a.DoesBorderHaveSameProperties(nullptr));
}

TEST(Border, CloneCopiesEveryProperty) {
  TvnBorder source(3);
  source.SetColor({10, 20, 30});
  source.SetCustomImageID(u"art");
  source.SetIsFrame(true);
  source.SetShadow(true);
  source.SetSpace(4);
  source.SetPenStyle(TvnDashStyle::dsDashDot);
  std::unique_ptr<TvnBorder> copy = source.Clone();
  EXPECT_TRUE(copy->DoesBorderHaveSameProperties(&source));
  EXPECT_EQ(copy->GetCustomImageID(), u"art");
}

TEST(ParaBorder, SamePropertiesComparesTheFourSides) {
  // Both: top and bottom lines of width 1, no left or right.
  const auto makeBorder = [](int32_t ATopWidth) {
    auto border = std::make_unique<TvnParaBorder>();
    border->SetTop(Line(ATopWidth));
    border->SetBottom(Line(1));
    return border;
  };
  auto a = makeBorder(1);
  EXPECT_TRUE(a->DoesBorderHaveSameProperties(makeBorder(1).get()));
  EXPECT_FALSE(a->DoesBorderHaveSameProperties(makeBorder(2).get()));
  EXPECT_FALSE(a->DoesBorderHaveSameProperties(nullptr));

  auto withLeft = makeBorder(1);
  withLeft->SetLeft(Line(1));
  EXPECT_FALSE(a->DoesBorderHaveSameProperties(withLeft.get()));
  EXPECT_FALSE(withLeft->DoesBorderHaveSameProperties(a.get()));

  // Bar and Between do not count.
  auto withBar = makeBorder(1);
  withBar->SetBar(Line(5));
  withBar->SetBetween(Line(5));
  EXPECT_TRUE(a->DoesBorderHaveSameProperties(withBar.get()));
}

TEST(ParaBorder, CopyHasItsOwnSidesAndLeavesBarAndBetween) {
  TvnParaBorder source;
  source.SetLeft(Line(2, {255, 0, 0}));
  source.SetBar(Line(3));
  source.SetBetween(Line(4));
  TvnParaBorder dest;
  dest.SetRight(Line(7));
  source.Assign(&source, &dest);
  ASSERT_NE(dest.GetLeft(), nullptr);
  EXPECT_NE(dest.GetLeft(), source.GetLeft());
  EXPECT_TRUE(dest.GetLeft()->DoesBorderHaveSameProperties(source.GetLeft()));
  ASSERT_NE(dest.GetRight(), nullptr);  // the source has no right side
  EXPECT_EQ(dest.GetRight()->GetBorderWidth(), 7);
  EXPECT_EQ(dest.GetBar(), nullptr);
  EXPECT_EQ(dest.GetBetween(), nullptr);

  dest.GetLeft()->SetBorderWidth(9);
  EXPECT_EQ(source.GetLeft()->GetBorderWidth(), 2);
}

}  // namespace
}  // namespace vn::wordmodel::borders_test
