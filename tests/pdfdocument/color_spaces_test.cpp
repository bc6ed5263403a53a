// Colour spaces built from parsed colour-space objects: conversions per
// family, default colours, and spaces whose parameters are short or odd.
#include "pdfdocument/color_spaces.h"

#include <gtest/gtest.h>

#include "pdf/parser.h"
#include "runtime/streams.h"

namespace color_spaces_test {

using namespace vn::pdf;
using namespace vn::pdfdoc;

namespace {

std::unique_ptr<TvnPDBaseObject> ParseColorObject(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), true);
  return parser.GetObject();
}

std::string HexColorStream(const std::string& dict, const std::string& hex) {
  return "<< " + dict + " /Filter /ASCIIHexDecode /Length " + std::to_string(hex.size() + 1) + " >>\nstream\n" + hex +
         ">\nendstream";
}

int32_t Fx(double v) { return static_cast<int32_t>(v * 65536); }

TvnColorComp Comps(std::initializer_list<double> values) {
  TvnColorComp c;
  size_t i = 0;
  for (double v : values) c.Comps[i++] = Fx(v);
  return c;
}

struct RGBCase {
  const char* What;
  std::string Space;
  std::vector<double> Color;
  std::array<int32_t, 3> RGB;
};

const RGBCase kRGBCases[] = {
    {"CMYK none is white", "/DeviceCMYK", {0, 0, 0, 0}, {65536, 65536, 65536}},
    {"CMYK K", "/DeviceCMYK", {0, 0, 0, 1}, {Fx(0.1373), Fx(0.1216), Fx(0.1255)}},
    {"CMYK all is black", "/DeviceCMYK", {1, 1, 1, 1}, {0, 0, 0}},
    {"CMYK cyan", "[/CMYK]", {1, 0, 0, 0}, {0, Fx(0.6784), Fx(0.9373)}},
    {"gray", "/G", {0.5}, {32768, 32768, 32768}},
    {"gray clamped", "/DeviceGray", {1.5}, {65536, 65536, 65536}},
    {"RGB", "/RGB", {1, 0, 0.5}, {65536, 0, 32768}},
    {"CalRGB converts as RGB", "[/CalRGB << /WhitePoint [0.95 1 1.09] /Gamma [2.2 2.2 2.2] >>]", {0, 1, 0},
     {0, 65536, 0}},
    {"CalGray converts as gray", "[/CalGray << /WhitePoint [0.95 1 1.09] >>]", {0.25}, {16384, 16384, 16384}},
    {"Lab white", "[/Lab << /WhitePoint [1 1 1] >>]", {100, 0, 0}, {65536, 65536, 65536}},
    {"Lab black", "[/Lab << /WhitePoint [1 1 1] >>]", {0, 0, 0}, {0, 0, 0}},
    {"Indexed index 1 is green", "[/Indexed /DeviceRGB 1 <FF000000FF00>]", {1}, {0, 65536, 0}},
    {"Indexed index 0 is red", "[/Indexed /DeviceRGB 1 <FF000000FF00>]", {0}, {65536, 0, 0}},
    {"Indexed rounds half up and clamps", "[/Indexed /DeviceRGB 1 <FF000000FF00>]", {7}, {0, 65536, 0}},
    // The table holds one of three entries: the others read as zeros.
    {"Indexed past a short table", "[/Indexed /DeviceRGB 2 <FFFFFF>]", {2}, {0, 0, 0}},
    {"Indexed over a stream", "[/Indexed /RGB 1 " + HexColorStream("", "0000FF00FF00") + "]", {0}, {0, 0, 65536}},
    {"ICC N 3 without Alternate", "[/ICCBased " + HexColorStream("/N 3", "00") + "]", {0, 0.5, 1},
     {0, 32768, 65536}},
    {"ICC N 4 with Alternate DeviceCMYK", "[/ICCBased " + HexColorStream("/N 4 /Alternate /DeviceCMYK", "00") + "]",
     {0, 0, 0, 1}, {Fx(0.1373), Fx(0.1216), Fx(0.1255)}},
    // The calculator program "{" is not closed.
    {"Separation Black over CMYK without a usable tint",
     "[/Separation /Black /DeviceCMYK " + HexColorStream("/FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1 0 1]",
                                                         "7B") +
         "]",
     {1}, {Fx(0.1373), Fx(0.1216), Fx(0.1255)}},
    {"Separation spot tint 1 is red",
     "[/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [1 0 0] /N 1 >>]", {1},
     {65536, 0, 0}},
    {"Separation spot tint 0 is white",
     "[/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [1 0 0] /N 1 >>]", {0},
     {65536, 65536, 65536}},
    {"Separation without alternate is black", "[/Separation /Spot /Nonsense /Identity]", {1}, {0, 0, 0}},
    {"DeviceN of two colorants", "[/DeviceN [/A /B] /DeviceRGB " +
                                     HexColorStream("/FunctionType 0 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] "
                                                    "/Size [2 2] /BitsPerSample 8",
                                                    "FFFFFF FF0000 0000FF 000000") +
                                     "]",
     {1, 0}, {65536, 0, 0}},
    {"Pattern", "[/Pattern]", {}, {0, 0, 0}},
};

TEST(ColorSpaces, RGBCases) {
  for (const auto& c : kRGBCases) {
    SCOPED_TRACE(c.What);
    auto obj = ParseColorObject(c.Space);
    auto cs = TvnPDColorSpace::MakeColorSpace(obj.get(), "CS0");
    ASSERT_TRUE(cs);
    TvnColorComp color;
    for (size_t i = 0; i < c.Color.size(); ++i) color.Comps[i] = Fx(c.Color[i]);
    TvnRGB rgb{-1, -1, -1};
    cs->GetRGB(color, rgb);
    EXPECT_NEAR(rgb.R, c.RGB[0], 2);
    EXPECT_NEAR(rgb.G, c.RGB[1], 2);
    EXPECT_NEAR(rgb.B, c.RGB[2], 2);
  }
}

TEST(ColorSpaces, GrayAndCMYK) {
  auto rgb = TvnPDColorSpace::MakeColorSpace(ParseColorObject("/DeviceRGB").get(), "");
  int32_t gray = 0;
  rgb->GetGray(Comps({1, 0, 0}), gray);
  EXPECT_EQ(gray, 19661);
  TvnCMYK cmyk;
  rgb->GetCMYK(Comps({1, 0, 0}), cmyk);
  EXPECT_EQ(cmyk.C, 0);
  EXPECT_EQ(cmyk.M, 65536);
  EXPECT_EQ(cmyk.Y, 65536);
  EXPECT_EQ(cmyk.K, 0);

  auto g = TvnPDColorSpace::MakeColorSpace(ParseColorObject("/DeviceGray").get(), "");
  g->GetCMYK(Comps({0.25}), cmyk);
  EXPECT_EQ(cmyk.K, 49152);

  auto k = TvnPDColorSpace::MakeColorSpace(ParseColorObject("/DeviceCMYK").get(), "");
  k->GetGray(Comps({0, 0, 0, 0.5}), gray);
  EXPECT_EQ(gray, 32768);
}

TEST(ColorSpaces, WhatYieldsASpace) {
  struct Case {
    const char* Object;
    bool Made;
    int Comps;
  };
  const Case cases[] = {
      {"/Pattern", false, 0},       {"[/Pattern]", true, 0},      {"[/Pattern /DeviceRGB]", true, 0},
      {"/CalRGB", false, 0},        {"/Lab", false, 0},           {"[/Nonsense]", false, 0},
      {"5", false, 0},              {"[]", false, 0},             {"[/DeviceCMYK]", true, 4},
      {"[/DeviceN [/A /B /C] /DeviceRGB /Identity]", true, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Object);
    auto cs = TvnPDColorSpace::MakeColorSpace(ParseColorObject(c.Object).get(), "Tag");
    ASSERT_EQ(bool(cs), c.Made);
    if (!cs) continue;
    EXPECT_EQ(cs->GetNoOfComps(), c.Comps);
    EXPECT_TRUE(cs->IsName("Tag"));
    EXPECT_FALSE(cs->IsName("tag"));
  }
}

TEST(ColorSpaces, DefaultColours) {
  TvnColorComp c;
  TvnPDColorSpace::MakeColorSpace(ParseColorObject("[/Lab << /Range [-50 50 10 20] >>]").get(), "")
      ->GetDefaultColor(c);
  EXPECT_EQ(c.Comps[0], 0);
  EXPECT_EQ(c.Comps[1], 0);
  EXPECT_EQ(c.Comps[2], Fx(10));

  TvnPDColorSpace::MakeColorSpace(ParseColorObject("/DeviceCMYK").get(), "")->GetDefaultColor(c);
  EXPECT_EQ(c.Comps[3], 65536);

  auto dn = TvnPDColorSpace::MakeColorSpace(ParseColorObject("[/DeviceN [/None /None] /DeviceRGB /Identity]").get(), "");
  dn->GetDefaultColor(c);
  EXPECT_EQ(c.Comps[1], 65536);
  EXPECT_TRUE(static_cast<TvnPDDeviceNColorSpace*>(dn.get())->IsNonMarking());
}

// ICC-based ranges are real numbers, one pair per component even beyond
// four components.
TEST(ColorSpaces, ICCBasedRangesAreRealsForEveryComponent) {
  auto cs = TvnPDColorSpace::MakeColorSpace(
      ParseColorObject("[/ICCBased " +
                       HexColorStream("/N 6 /Range [0.25 0.75 0 1 0 1 0 1 0 1 -0.5 -0.25]", "00") + "]")
          .get(),
      "");
  ASSERT_TRUE(cs);
  auto* icc = static_cast<TvnPDICCBasedColorSpace*>(cs.get());
  EXPECT_EQ(icc->GetNoOfComps(), 6);
  EXPECT_FALSE(icc->GetAlt());
  EXPECT_DOUBLE_EQ(icc->GetRangeMin(0), 0.25);
  EXPECT_DOUBLE_EQ(icc->GetRangeMax(5), -0.25);
  TvnColorComp c;
  cs->GetDefaultColor(c);
  EXPECT_EQ(c.Comps[0], 16384);
  EXPECT_EQ(c.Comps[5], -16384);
  TvnRGB rgb{-1, -1, -1};
  cs->GetRGB(c, rgb);  // no alternate: nothing to offer
  EXPECT_EQ(rgb.R, -1);
}

// A DeviceN space whose tint transform cannot be made drops its alternate
// and converts nothing.
TEST(ColorSpaces, DeviceNWithoutFunctionIsIncomplete) {
  auto cs = TvnPDColorSpace::MakeColorSpace(ParseColorObject("[/DeviceN [/A] /DeviceRGB 5]").get(), "");
  ASSERT_TRUE(cs);
  EXPECT_FALSE(static_cast<TvnPDDeviceNColorSpace*>(cs.get())->GetAlt());
  TvnRGB rgb{-1, -1, -1};
  cs->GetRGB(Comps({1}), rgb);
  EXPECT_EQ(rgb.R, -1);
}

}  // namespace

}  // namespace color_spaces_test
