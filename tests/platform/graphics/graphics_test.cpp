// Matrices and paths of the Graphics interface.
#include "platform/graphics/graphics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vn::platform::gfx::graphics_test {
namespace {

void ExpectNear(PointF a, PointF b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
}

TEST(MatrixTest, PrependActsInUserSpaceAppendOnTheResult) {
  Matrix m;
  m.Translate(10, 20);
  m.Scale(2, 3);  // prepended: scales before the translation
  ExpectNear(m.Apply({1, 1}), {12, 23});
  Matrix n;
  n.Translate(10, 20);
  n.Scale(2, 3, MatrixOrder::Append);  // after the translation
  ExpectNear(n.Apply({1, 1}), {22, 63});
  Matrix both(1, 0, 0, 1, 5, 0);
  both.Multiply(Matrix(0, 1, -1, 0, 0, 0));  // a quarter turn first
  ExpectNear(both.Apply({1, 0}), {5, 1});
}

TEST(MatrixTest, RotationTurnsClockwiseOnTheDeviceAndQuarterTurnsAreExact) {
  Matrix m;
  m.Rotate(90);
  EXPECT_EQ(m, Matrix(0, 1, -1, 0, 0, 0));
  m.Rotate(-450);
  EXPECT_EQ(m, Matrix());
  Matrix r;
  r.Rotate(30);
  ExpectNear(r.Apply({1, 0}), {std::cos(M_PI / 6), std::sin(M_PI / 6)});
}

TEST(MatrixTest, InvertUndoesAndRefusesSingularOrNonFinite) {
  Matrix m(2, 1, -1, 3, 7, -4);
  Matrix inv = m;
  ASSERT_TRUE(inv.Invert());
  ExpectNear(inv.Apply(m.Apply({3.5, -2})), {3.5, -2});
  for (const Matrix& bad : {Matrix(1, 2, 2, 4, 0, 0), Matrix(0, 0, 0, 0, 1, 1), Matrix(NAN, 0, 0, 1, 0, 0),
                            Matrix(1, 0, 0, 1, INFINITY, 0), Matrix(1e-300, 0, 0, 1e-300, 0, 0)}) {
    Matrix copy = bad;
    EXPECT_FALSE(copy.Invert());
    EXPECT_TRUE(copy == bad || (std::isnan(copy.m11) && std::isnan(bad.m11)));
  }
  PointF points[] = {{0, 0}, {1, 1}};
  m.TransformPoints(points);
  ExpectNear(points[1], {8, 0});
  ExpectNear(m.ApplyVector({1, 1}), {1, 4});
}

TEST(PathTest, FiguresBoundsAndTransform) {
  Path p(FillMode::Winding);
  p.LineTo({1, 2});  // no current point: starts a figure there
  p.LineTo({5, 2});
  p.CubicTo({6, -3}, {7, 8}, {5, 6});
  p.Close();
  p.LineTo({0, 9});  // after a close: from the figure's start
  using Op = Path::Op;
  EXPECT_EQ(std::vector<Op>(p.Ops().begin(), p.Ops().end()),
            (std::vector<Op>{Op::Move, Op::Line, Op::Curve, Op::Close, Op::Move, Op::Line}));
  EXPECT_EQ(p.Points()[5], (PointF{1, 2}));
  EXPECT_EQ(p.Bounds(), (RectF{0, -3, 7, 12}));  // control points included
  const Matrix m(2, 0, 0, -1, 10, 0);
  EXPECT_EQ(p.Bounds(&m), (RectF{10, -9, 14, 12}));
  p.Transform(m);
  EXPECT_EQ(p.Points()[0], (PointF{12, -2}));
  EXPECT_EQ(p.GetFillMode(), FillMode::Winding);
  EXPECT_FALSE(Path().Bounds());
  Path r;
  r.AddRect({1, 2, -3, 4});
  EXPECT_EQ(r.Bounds(), (RectF{-2, 2, 3, 4}));
}

}  // namespace
}  // namespace vn::platform::gfx::graphics_test
