// The page state and its geometry: matrices, paths read by segments, the
// state made for a page box, resolution and rotation, the save/restore
// chain, colours through the state's colour spaces, and ExtGState opacities.
#include "pdfdocument/pd_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "pdf/parser.h"
#include "runtime/streams.h"

namespace vn::pdfdoc::pd_state_test {

using vn::pdf::TvnPDBaseObject;

std::unique_ptr<TvnPDBaseObject> ParseObject(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  vn::pdf::TvnPDParser parser(
      nullptr, std::make_unique<vn::pdf::TvnPDLexer>(vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(mem, 0, 0, false)),
      true);
  return parser.GetObject();
}

std::vector<double> Values(const TvnPDMatrix& m) { return {m.M11(), m.M12(), m.M21(), m.M22(), m.Dx(), m.Dy()}; }

TvnPDMatrix Make(const std::vector<double>& v) { return TvnPDMatrix(v[0], v[1], v[2], v[3], v[4], v[5]); }

// ---- Matrix ----

TEST(PDStateMatrix, ProductAppliesTheArgumentFirst) {
  struct Case {
    std::vector<double> a, s, expected;
  };
  const Case cases[] = {
      // Scale by 2 then translate by (10, 20): the translation is not scaled.
      {{2, 0, 0, 2, 0, 0}, {1, 0, 0, 1, 10, 20}, {2, 0, 0, 2, 10, 20}},
      // Translate then scale: the translation is scaled.
      {{1, 0, 0, 1, 10, 20}, {2, 0, 0, 2, 0, 0}, {2, 0, 0, 2, 20, 40}},
      // A quarter turn after a shear.
      {{1, 0, 1, 1, 0, 0}, {0, 1, -1, 0, 0, 0}, {0, 1, -1, 1, 0, 0}},
      {{1, 2, 3, 4, 5, 6}, {1, 0, 0, 1, 0, 0}, {1, 2, 3, 4, 5, 6}},
  };
  for (const auto& c : cases) {
    auto p = Make(c.s).PreMultiply(Make(c.a));
    EXPECT_EQ(Values(*p), c.expected);
    // The product maps a point as A then S would.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0, px = 0, py = 0;
    Make(c.a).Transform(3, -7, x1, y1);
    Make(c.s).Transform(x1, y1, x2, y2);
    p->Transform(3, -7, px, py);
    EXPECT_DOUBLE_EQ(px, x2);
    EXPECT_DOUBLE_EQ(py, y2);
  }
}

TEST(PDStateMatrix, InverseAndSingularMatrices) {
  struct Case {
    std::vector<double> m;
    bool singular;
  };
  const Case cases[] = {
      {{2, 0, 0, 4, 10, -8}, false},
      {{0, -2, 2, 0, 0, 1224}, false},
      {{1, 2, 3, 4, 5, 6}, false},
      {{0, 0, 0, 0, 5, 5}, true},
      {{1, 2, 2, 4, 1, 1}, true},
  };
  for (const auto& c : cases) {
    const TvnPDMatrix m = Make(c.m);
    auto inv = m.GetInverse();
    TvnPDMatrix in_place = Make(c.m);
    in_place.Inverse();
    if (c.singular) {
      EXPECT_TRUE(inv->IsIdentity());
      EXPECT_EQ(Values(in_place), c.m);
      continue;
    }
    EXPECT_EQ(Values(in_place), Values(*inv));
    auto round_trip = m.PreMultiply(*inv);
    const std::vector<double> identity = {1, 0, 0, 1, 0, 0};
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(Values(*round_trip)[i], identity[i], 1e-9) << i;
  }
}

TEST(PDStateMatrix, FromArrayObject) {
  struct Case {
    const char* text;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {"[1 2 3.5 4 -5 6.25]", {1, 2, 3.5, 4, -5, 6.25}},
      {"[1 2 3 4 5 6 7]", {1, 2, 3, 4, 5, 6}},
      {"[1 2 3 4 5]", {1, 0, 0, 1, 0, 0}},
      {"[1 2 /x 4 5 6]", {1, 0, 0, 1, 0, 0}},
      {"<< /a 1 >>", {1, 0, 0, 1, 0, 0}},
      {"12", {1, 0, 0, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    auto obj = ParseObject(c.text);
    EXPECT_EQ(Values(TvnPDMatrix(obj.get())), c.expected) << c.text;
  }
  EXPECT_TRUE(TvnPDMatrix(nullptr).IsIdentity());

  auto array = TvnPDMatrix(1, 2, 3.5, 4, -5, 6.25).GetArray();
  ASSERT_EQ(array->GetLength(), 6);
  EXPECT_TRUE(array->Get(2)->IsReal());
  EXPECT_EQ(Values(TvnPDMatrix(array.get())), (std::vector<double>{1, 2, 3.5, 4, -5, 6.25}));
  EXPECT_FALSE(TvnPDMatrix(1, 0, 0, 1, 0, 1e-300).IsIdentity());
}

// ---- Paths ----

struct Segment {
  bool curve;
  std::vector<double> points;  // x, y pairs from the start point
  bool operator==(const Segment&) const = default;
};

// How a device walks a sub-path.
std::vector<Segment> Segments(const TvnPDSubPath& sub) {
  std::vector<Segment> out;
  int k = 0;
  for (int n = 0; n < sub.NumPoints(); ++n) {
    if (sub.Curve(k + 1)) {
      out.push_back({true, {sub.X(k), sub.Y(k), sub.X(k + 1), sub.Y(k + 1), sub.X(k + 2), sub.Y(k + 2), sub.X(k + 3),
                            sub.Y(k + 3)}});
      k += 3;
    } else {
      out.push_back({false, {sub.X(k), sub.Y(k), sub.X(k + 1), sub.Y(k + 1)}});
      k += 1;
    }
  }
  return out;
}

TEST(PDStatePath, SubPathsReadBySegments) {
  TvnPDSubPath only_start(4, 5);
  EXPECT_EQ(only_start.NumPoints(), 1);
  EXPECT_EQ(Segments(only_start), (std::vector<Segment>{{false, {4, 5, 4, 5}}}));

  TvnPDSubPath one_line(0, 0);
  one_line.LineTo(10, 0);
  EXPECT_EQ(one_line.NumPoints(), 1);
  EXPECT_EQ(one_line.LastX(), 10);
  EXPECT_EQ(Segments(one_line), (std::vector<Segment>{{false, {0, 0, 10, 0}}}));

  TvnPDSubPath mixed(0, 0);
  mixed.CurveTo(1, 2, 3, 4, 5, 6);
  mixed.LineTo(7, 8);
  mixed.CurveTo(9, 10, 11, 12, 13, 14);
  EXPECT_EQ(mixed.NumPoints(), 3);
  EXPECT_EQ(Segments(mixed), (std::vector<Segment>{{true, {0, 0, 1, 2, 3, 4, 5, 6}},
                                                   {false, {5, 6, 7, 8}},
                                                   {true, {7, 8, 9, 10, 11, 12, 13, 14}}}));
  EXPECT_FALSE(mixed.Curve(99));
  EXPECT_EQ(mixed.X(99), 13);
  EXPECT_EQ(mixed.Y(-1), 0);

  auto copy = mixed.Copy();
  mixed.LineTo(0, 0);
  EXPECT_EQ(copy->NumPoints(), 3);
}

TEST(PDStatePath, ClosingAddsTheLineBackOnlyWhenNeeded) {
  struct Case {
    const char* name;
    std::vector<double> lines;  // x, y pairs after the start (0, 0)
    int segments_after_close;
  };
  const Case cases[] = {
      {"open triangle", {10, 0, 10, 10}, 3},
      {"already back at the start", {10, 0, 10, 10, 0, 0}, 3},
      {"start point only", {}, 1},
  };
  for (const auto& c : cases) {
    TvnPDSubPath sub(0, 0);
    for (size_t i = 0; i < c.lines.size(); i += 2) sub.LineTo(c.lines[i], c.lines[i + 1]);
    sub.ClosePath();
    EXPECT_TRUE(sub.IsClosed()) << c.name;
    EXPECT_EQ(sub.NumPoints(), c.segments_after_close) << c.name;
    EXPECT_EQ(Segments(sub).back().points.back(), 0) << c.name;
    EXPECT_EQ(sub.LastX(), 0) << c.name;
  }
}

TEST(PDStatePath, MoveToIsPendingUntilTheFirstSegment) {
  TvnPDPath path;
  EXPECT_FALSE(path.IsCurrentPoint());
  path.LineTo(1, 1);  // no current point: nothing happens
  path.Close();
  EXPECT_EQ(path.SubPathCount(), 0);

  path.MoveTo(1, 1);
  path.MoveTo(2, 3);  // replaces the pending move
  EXPECT_TRUE(path.IsCurrentPoint());
  EXPECT_FALSE(path.IsPath());
  path.LineTo(5, 3);
  path.MoveTo(0, 0);
  path.CurveTo(1, 1, 2, 2, 3, 0);
  path.MoveTo(9, 9);  // a trailing move makes no sub-path
  ASSERT_EQ(path.SubPathCount(), 2);
  EXPECT_EQ(path.SubPath(0)->X(0), 2);
  EXPECT_EQ(path.SubPath(0)->Y(0), 3);
  EXPECT_EQ(path.SubPath(2), nullptr);
  EXPECT_EQ(path.LastX(), 3);

  auto copy = path.Copy();
  path.LineTo(7, 7);
  EXPECT_EQ(path.SubPathCount(), 3);
  EXPECT_EQ(copy->SubPathCount(), 2);
  copy->Close();  // the copied pending move starts a sub-path of its own
  EXPECT_EQ(copy->SubPathCount(), 3);
  EXPECT_EQ(copy->SubPath(2)->X(0), 9);
}

// ---- The state of a page ----

TEST(PDStatePage, CTMAndPageSizeByRotation) {
  struct Case {
    double dpi;
    int rotate;
    std::vector<double> box;  // empty: no page box
    std::vector<double> ctm;
    double width, height;
    std::vector<double> normalised;
  };
  const Case cases[] = {
      {72, 0, {}, {1, 0, 0, 1, 0, 0}, 850, 1191, {0, 0, 850, 1191}},
      {144, 90, {0, 0, 612, 792}, {0, -2, 2, 0, 0, 1224}, 1584, 1224, {0, 0, 612, 792}},
      {72, 0, {100, 700, 50, 20}, {1, 0, 0, 1, -50, -20}, 50, 680, {50, 20, 100, 700}},
      {144, 180, {10, 20, 110, 220}, {-2, 0, 0, -2, 220, 440}, 200, 400, {10, 20, 110, 220}},
      {72, 270, {10, 20, 110, 220}, {0, 1, -1, 0, 220, -10}, 200, 100, {10, 20, 110, 220}},
      {72, 45, {10, 20, 110, 220}, {1, 0, 0, 1, -10, -20}, 100, 200, {10, 20, 110, 220}},
      {72, -90, {0, 0, 10, 10}, {1, 0, 0, 1, 0, 0}, 10, 10, {0, 0, 10, 10}},
      // A box entirely below and left of the origin.
      {72, 0, {-600, -800, -10, -20}, {1, 0, 0, 1, 600, 800}, 590, 780, {-600, -800, -10, -20}},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TvnPDRect> box;
    if (!c.box.empty()) box = std::make_unique<TvnPDRect>(c.box[0], c.box[1], c.box[2], c.box[3]);
    TvnPDState state(c.dpi, c.dpi, c.rotate, box.get());
    SCOPED_TRACE(testing::Message() << "rotate " << c.rotate << " dpi " << c.dpi);
    EXPECT_EQ(Values(state.CTM()), c.ctm);
    EXPECT_EQ(state.PageWidth(), c.width);
    EXPECT_EQ(state.PageHeight(), c.height);
    EXPECT_EQ((std::vector<double>{state.X1(), state.Y1(), state.X2(), state.Y2()}), c.normalised);
    // Every corner of the page box lands on a corner of the device page.
    for (double x : {state.X1(), state.X2()}) {
      for (double y : {state.Y1(), state.Y2()}) {
        double dx = 0, dy = 0;
        state.Transform(x, y, dx, dy);
        EXPECT_TRUE(dx == 0 || dx == c.width) << x << "," << y << " -> " << dx;
        EXPECT_TRUE(dy == 0 || dy == c.height) << x << "," << y << " -> " << dy;
      }
    }
  }
}

TEST(PDStatePage, InitialValues) {
  TvnPDRect box(0, 0, 612, 792);
  TvnPDState state(96, 72, 0, &box);
  EXPECT_EQ(state.hDPI(), 96);
  EXPECT_EQ(state.vDPI(), 72);
  EXPECT_EQ(state.LineWidth, 1);
  EXPECT_EQ(state.MiterLimit, 10);
  EXPECT_EQ(state.HorizScaling, 1);
  EXPECT_EQ(state.FillOpacity, 1);
  EXPECT_EQ(state.StrokeOpacity, 1);
  EXPECT_TRUE(state.TextMatrix().IsIdentity());
  ASSERT_NE(state.FillColorSpace(), nullptr);
  EXPECT_EQ(state.FillColorSpace()->GetMode(), TvnColorSpaceMode::csDeviceGray);
  EXPECT_NE(state.FillColorSpace(), state.StrokeColorSpace());
  EXPECT_TRUE(state.FillCSOwned());
  EXPECT_FALSE(state.HasSaves());
  EXPECT_FALSE(state.IsCurrentPoint());
}

TEST(PDStatePage, ConcatenationClampsTheCTM) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::vector<std::vector<double>> concat;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {{{1e6, 0, 0, 1e6, 0, 0}, {1e6, 0, 0, 1e6, 0, 0}}, {1e10, 0, 0, 1e10, 0, 0}},
      {{{-1e6, 0, 0, 1e6, 0, 0}, {1e6, 0, 0, 1e6, 0, 0}}, {-1e10, 0, 0, 1e10, 0, 0}},
      {{{1e300, 0, 0, 1, 0, 0}, {1e300, 0, 0, 1, 0, 5}}, {1e10, 0, 0, 1, 0, 5}},
      // Not a number clamps low; it spreads through the product (NaN times 0,
      // and an infinity times 0, are not numbers).
      {{{1, 0, 0, 1, nan, 5}}, {1, 0, 0, 1, -1e10, -1e10}},
      {{{1, 0, 0, 1, 0, inf}}, {1, 0, 0, 1, -1e10, 1e10}},
      // A later concatenation applies first: its translation is scaled.
      {{{2, 0, 0, 2, 0, 0}, {1, 0, 0, 1, 10, 10}}, {2, 0, 0, 2, 20, 20}},
      {{{1, 0, 0, 1, 10, 10}, {2, 0, 0, 2, 0, 0}}, {2, 0, 0, 2, 10, 10}},
  };
  for (const auto& c : cases) {
    TvnPDState state(72, 72, 0, nullptr);
    for (const auto& m : c.concat) state.ConcatCTM(Make(m));
    EXPECT_EQ(Values(state.CTM()), c.expected);
  }
}

TEST(PDStatePage, PathPointsAndTextPositionsAreNotAdjustedForNegativeBoxes) {
  // A box below the origin: coordinates are used as written, so a point in
  // the box lands where the box's CTM puts it.
  TvnPDRect box(-600, -800, -10, -20);
  TvnPDState state(72, 72, 0, &box);
  state.MoveTo(-300, -400);
  state.LineTo(-100, -50);
  EXPECT_EQ(state.CurY, -50);
  EXPECT_EQ(state.Path().SubPath(0)->Y(0), -400);
  EXPECT_EQ(state.Path().SubPath(0)->Y(1), -50);
  state.TextMoveTo(5, -30);
  EXPECT_EQ(state.LineY, -30);
  EXPECT_EQ(state.CurY, -30);
  double dx = 0, dy = 0;
  state.Transform(-300, -400, dx, dy);
  EXPECT_EQ(dx, 300);
  EXPECT_EQ(dy, 400);
}

TEST(PDStatePage, CurrentPointFollowsPathAndText) {
  TvnPDState state(72, 72, 0, nullptr);
  state.ClosePath();  // nothing to close
  EXPECT_EQ(state.CurX, 0);
  state.MoveTo(10, 10);
  EXPECT_TRUE(state.IsCurrentPoint());
  EXPECT_FALSE(state.IsCurrentPath());
  state.CurveTo(20, 30, 40, 30, 50, 10);
  EXPECT_EQ(state.CurX, 50);
  state.LineTo(60, 0);
  state.ClosePath();  // back at the start, not at a control point
  EXPECT_EQ(state.CurX, 10);
  EXPECT_EQ(state.CurY, 10);
  EXPECT_TRUE(state.IsCurrentPath());
  state.ClearPath();
  EXPECT_FALSE(state.IsCurrentPoint());

  state.TextMoveTo(100, 200);
  state.TextShift(5, 1);
  state.Shift(2, 2);
  state.TextSetPos(300, 400);
  EXPECT_EQ((std::vector<double>{state.CurX, state.CurY, state.LineX, state.LineY}),
            (std::vector<double>{107, 203, 300, 400}));
}

TEST(PDStatePage, FontSizeOnTheDevice) {
  TvnPDRect box(0, 0, 612, 792);
  TvnPDState state(144, 144, 90, &box);
  state.FontSize = 12;
  state.TextMatrix().SetValues(1.5, 0, 0.5, 3, 40, 50);
  // (12 * 0.5, 12 * 3) through the CTM without translation: (72, -12).
  EXPECT_DOUBLE_EQ(state.GetTransformedFontSize(), std::sqrt(72.0 * 72.0 + 12.0 * 12.0));
  auto m = state.GetFontTransMatrix();
  EXPECT_EQ(Values(*m), (std::vector<double>{0, -36, 72, -12, 0, 0}));
}

// ---- Save and restore ----

TEST(PDStateSave, RestoreKeepsThePathAndTextPositionOnly) {
  auto page = std::make_unique<TvnPDState>(72, 72, 90, nullptr);
  TvnPDState* root = page.get();
  root->LineWidth = 3;
  root->SetLineDash({3, 1}, 2, 0.5);

  TvnPDState* s = root->Save();
  ASSERT_NE(s, root);
  EXPECT_TRUE(s->HasSaves());
  EXPECT_EQ(s->Rotate(), 0);  // not copied
  EXPECT_FALSE(s->FillCSOwned());
  EXPECT_EQ(s->FillColorSpace(), root->FillColorSpace());
  s->LineWidth = 7;
  s->ConcatCTM(TvnPDMatrix(2, 0, 0, 2, 0, 0));
  s->SetLineDash({9, 9, 9}, 3, 1);
  s->MoveTo(1, 1);
  s->LineTo(5, 5);
  s->TextMoveTo(40, 50);
  s->TextSetPos(60, 70);
  s->SetFillColorSpace(std::make_unique<TvnPDDeviceRGBColorSpace>());

  TvnPDState* back = s->Restore();
  ASSERT_EQ(back, root);
  EXPECT_EQ(root->LineWidth, 3);
  EXPECT_EQ(Values(root->CTM()), (std::vector<double>{0, -1, 1, 0, 0, 850}));
  EXPECT_EQ(root->FillColorSpace()->GetMode(), TvnColorSpaceMode::csDeviceGray);
  TvnDashArray dash;
  int length = 0;
  double start = 0;
  root->GetLineDash(dash, length, start);
  EXPECT_EQ(dash, (TvnDashArray{3, 1}));
  EXPECT_EQ(start, 0.5);
  // The line drawn after q is still the current path after Q.
  ASSERT_EQ(root->Path().SubPathCount(), 1);
  EXPECT_EQ(root->Path().LastX(), 5);
  EXPECT_EQ((std::vector<double>{root->CurX, root->CurY, root->LineX, root->LineY}),
            (std::vector<double>{40, 50, 60, 70}));
  EXPECT_EQ(root->Restore(), root);  // nothing saved
}

TEST(PDStateSave, NestedSavesAreBoundedAndStayBalanced) {
  struct Case {
    int saves;
  };
  const Case cases[] = {{1}, {TvnPDState::kMaxSaveDepth}, {TvnPDState::kMaxSaveDepth + 1}, {5000}};
  for (const auto& c : cases) {
    auto page = std::make_unique<TvnPDState>(72, 72, 0, nullptr);
    TvnPDState* cur = page.get();
    for (int i = 0; i < c.saves; ++i) {
      cur = cur->Save();
      cur->LineWidth = i + 2;
    }
    EXPECT_EQ(cur->SaveDepth(), c.saves);
    for (int i = 0; i < c.saves; ++i) {
      ASSERT_TRUE(cur->HasSaves()) << c.saves << " at " << i;
      cur = cur->Restore();
    }
    EXPECT_EQ(cur, page.get()) << c.saves;
    EXPECT_EQ(cur->LineWidth, 1);
    EXPECT_FALSE(cur->HasSaves());
  }
}

TEST(PDStateSave, ColourSpacesOwnedOrBorrowed) {
  // Run under the address sanitizer: a space is freed exactly once, by the
  // state that owns it, and never while a saved state still uses it.
  TvnPDDeviceRGBColorSpace resource_space;
  auto page = std::make_unique<TvnPDState>(72, 72, 0, nullptr);
  page->SetStrokeColorSpace(&resource_space);
  EXPECT_FALSE(page->StrokeCSOwned());
  TvnPDState* s = page->Save();
  s->SetFillColorSpace(std::make_unique<TvnPDDeviceRGBColorSpace>());
  EXPECT_TRUE(s->FillCSOwned());
  s->SetFillColorSpace(std::make_unique<TvnPDDeviceGrayColorSpace>());
  s->SetStrokeColorSpace(std::make_unique<TvnPDDeviceRGBColorSpace>());
  TvnPDState* s2 = s->Save();
  s2->SetFillColorSpace(&resource_space);
  EXPECT_EQ(s2->Restore(), s);
  EXPECT_EQ(s->FillColorSpace()->GetMode(), TvnColorSpaceMode::csDeviceGray);
  EXPECT_EQ(s->Restore(), page.get());
  EXPECT_EQ(page->StrokeColorSpace(), &resource_space);
  EXPECT_EQ(page->FillColorSpace()->GetMode(), TvnColorSpaceMode::csDeviceGray);
}

// ---- Colours and dashes ----

TEST(PDStateColour, ConversionThroughTheStatesSpaces) {
  constexpr int32_t one = kFixedOne;
  TvnColorComp c{};
  c.Comps = {one / 2, one / 4, one, 7};
  TvnPDPatternColorSpace pattern_space(nullptr);
  const std::vector<std::pair<const char*, TvnPDColorSpace*>> spaces = {
      {"none", nullptr}, {"pattern", &pattern_space}};
  TvnPDState state(72, 72, 0, nullptr);
  state.SetFillColor(c);
  state.SetStrokeColor(c);
  // Gray: the first component on every channel.
  EXPECT_EQ(state.GetFillRGB().G, one / 2);
  EXPECT_EQ(state.GetStrokeCMYK().K, one / 2);
  EXPECT_EQ(state.GetStrokeGray(), one / 2);

  state.SetFillColorSpace(std::make_unique<TvnPDDeviceRGBColorSpace>());
  EXPECT_EQ(state.GetFillRGB().B, one);

  for (const auto& [name, space] : spaces) {
    state.SetFillColorSpace(space);
    state.SetStrokeColorSpace(space);
    const TvnRGB fill = state.GetFillRGB();
    const TvnRGB stroke = state.GetStrokeRGB();
    EXPECT_EQ((std::vector<int32_t>{fill.R, fill.G, fill.B}), (std::vector<int32_t>{one / 2, one / 4, one})) << name;
    EXPECT_EQ((std::vector<int32_t>{stroke.R, stroke.G, stroke.B}), (std::vector<int32_t>{0, 0, 0})) << name;
  }
  state.SetFillColorSpace(static_cast<TvnPDColorSpace*>(nullptr));
  EXPECT_EQ(state.GetFillGray(), 0);
  const TvnCMYK cmyk = state.GetFillCMYK();
  EXPECT_EQ((std::vector<int32_t>{cmyk.C, cmyk.M, cmyk.Y, cmyk.K}), (std::vector<int32_t>{0, 0, 0, 0}));
}

TEST(PDStateColour, DashLengthNeverReadsPastTheArray) {
  struct Case {
    TvnDashArray dash;
    int length;
    TvnDashArray kept;
  };
  const Case cases[] = {
      {{3, 2, 1}, 2, {3, 2}},
      {{3, 2}, 10, {3, 2}},
      {{3, 2}, -1, {}},
      {{}, 0, {}},
  };
  for (const auto& c : cases) {
    TvnPDState state(72, 72, 0, nullptr);
    state.SetLineDash(c.dash, c.length, 4);
    TvnDashArray dash{99};
    int length = -5;
    double start = 0;
    state.GetLineDash(dash, length, start);
    EXPECT_EQ(dash, c.kept);
    EXPECT_EQ(length, static_cast<int>(c.kept.size()));
    EXPECT_EQ(start, 4);
  }
}

// ---- ExtGState ----

TEST(PDStateGState, OpacitiesReadOnceFromTheDictionary) {
  struct Case {
    const char* text;
    double stroke, fill;
  };
  const Case cases[] = {
      {"<< /CA 0.5 /ca 1 >>", 0.5, 1},
      {"<< /Type /ExtGState >>", -1, -1},
      {"<< /CA /Half /ca (0.3) >>", -1, -1},
      {"[0.5]", -1, -1},
  };
  for (const auto& c : cases) {
    auto obj = ParseObject(c.text);
    TvnPDGState gs(nullptr, nullptr, obj.get(), "GS1");
    EXPECT_EQ(gs.Tag(), "GS1");
    EXPECT_EQ(gs.StrokeAlpha(), c.stroke) << c.text;
    EXPECT_EQ(gs.NonStrokeAlpha(), c.fill) << c.text;
    EXPECT_EQ(gs.LineWidth(), 0);
  }
  auto obj = ParseObject("<< /CA 0.25 >>");
  TvnPDGState gs(nullptr, nullptr, obj.get(), "GS2");
  EXPECT_EQ(gs.StrokeAlpha(), 0.25);
  obj->AsDict()->SetKeyValue("CA", std::make_unique<vn::pdf::TvnPDReal>(0.75));
  EXPECT_EQ(gs.StrokeAlpha(), 0.25);
}

}  // namespace vn::pdfdoc::pd_state_test
