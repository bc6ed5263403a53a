// Image colour maps: sample values through Decode ranges, Indexed palettes
// (short ones too) and Separation tints into 16.16 components.
#include "pdfdocument/pd_image_color_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/parser.h"
#include "runtime/streams.h"

namespace vn::pdfdoc::pd_image_color_map_test {

using vn::pdf::TvnPDBaseObject;

std::unique_ptr<TvnPDBaseObject> ParseColorMapObject(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  vn::pdf::TvnPDParser parser(
      nullptr, std::make_unique<vn::pdf::TvnPDLexer>(vn::pdf::MakeRef<vn::pdf::TvnMemoryStream>(mem, 0, 0, false)),
      true);
  return parser.GetObject();
}

struct Space {
  std::unique_ptr<TvnPDBaseObject> object;
  std::unique_ptr<TvnPDColorSpace> space;
};

Space MakeSpace(const std::string& text) {
  Space s;
  if (text.empty()) return s;
  s.object = ParseColorMapObject(text);
  s.space = TvnPDColorSpace::MakeColorSpace(s.object.get(), "");
  return s;
}

constexpr int32_t kOne = kFixedOne;

TEST(PDImageColorMap, TablesByDepthDecodeAndSpace) {
  struct Case {
    const char* space;
    int bits;
    const char* decode;  // empty: none
    int comp;
    std::vector<std::pair<int, int32_t>> entries;  // sample value, 16.16 component
  };
  const Case cases[] = {
      {"/DeviceGray", 4, "", 0, {{0, 0}, {15, kOne}, {5, kOne / 3}}},
      {"/DeviceGray", 1, "[1 0]", 0, {{0, kOne}, {1, 0}}},
      {"/DeviceGray", -1, "", 0, {{0, 0}, {1, kOne}}},
      {"/DeviceGray", 2, "[0.5 1]", 0, {{0, kOne / 2}, {3, kOne}}},
      {"/DeviceRGB", 8, "[0 1 1 0 0 2]", 2, {{0, 0}, {255, 2 * kOne}}},
      {"/DeviceRGB", 8, "[0 1 1 0 0 2]", 1, {{0, kOne}, {255, 0}}},
      // 16-bit samples are read by their high byte.
      {"/DeviceGray", 16, "", 0, {{0, 0}, {255, kOne}}},
      {"", 8, "", 0, {{0, 0}, {255, kOne}}},
      // Palette FF0000 0000FF: sample 1 is blue.
      {"[/Indexed /DeviceRGB 1 <FF00000000FF>]", 8, "", 0, {{0, kOne}, {1, 0}, {200, 0}}},
      {"[/Indexed /DeviceRGB 1 <FF00000000FF>]", 8, "", 2, {{0, 0}, {1, kOne}, {200, kOne}}},
      // A palette shorter than its highest index: the missing bytes are 0.
      {"[/Indexed /DeviceRGB 3 <FFFFFF80>]", 2, "", 0, {{0, kOne}, {1, 32896}, {3, 0}}},
      {"[/Indexed /DeviceRGB 3 <FFFFFF80>]", 2, "", 1, {{0, kOne}, {1, 0}, {3, 0}}},
      // An index past the highest one is clamped to it.
      {"[/Indexed /DeviceGray 1 <00FF>]", 4, "", 0, {{0, 0}, {1, kOne}, {15, kOne}}},
      {"[/Separation /Spot /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [1 0.5 0 0] /N 1 >>]",
       8,
       "",
       1,
       {{0, 0}, {255, kOne / 2}}},
  };
  for (const auto& c : cases) {
    Space s = MakeSpace(c.space);
    if (*c.space) ASSERT_NE(s.space, nullptr) << c.space;
    std::unique_ptr<TvnPDBaseObject> decode;
    if (*c.decode) decode = ParseColorMapObject(c.decode);
    TvnPDImageColorMap map(c.bits, decode.get(), s.space.get());
    SCOPED_TRACE(testing::Message() << c.space << " " << c.bits << " bits " << c.decode << " comp " << c.comp);
    EXPECT_TRUE(map.IsOk());
    for (const auto& [value, expected] : c.entries) EXPECT_NEAR(map.LookUp(c.comp, value), expected, 1) << value;
  }
}

TEST(PDImageColorMap, MapsThatAreNotOk) {
  struct Case {
    const char* space;
    int bits;
    const char* decode;
  };
  const Case cases[] = {
      {"/DeviceGray", 8, "[0 1 0 1]"},
      {"/DeviceRGB", 8, "[0 1]"},
      {"/DeviceGray", 8, "/Decode"},
      {"/DeviceGray", 8, "[0 /x]"},
      {"/DeviceGray", 3, ""},
      {"/DeviceGray", 32, ""},
      {"/DeviceGray", 0, ""},
  };
  for (const auto& c : cases) {
    Space s = MakeSpace(c.space);
    std::unique_ptr<TvnPDBaseObject> decode;
    if (*c.decode) decode = ParseColorMapObject(c.decode);
    TvnPDImageColorMap map(c.bits, decode.get(), s.space.get());
    EXPECT_FALSE(map.IsOk()) << c.space << " " << c.bits << " " << c.decode;
    // Asked anyway, it answers without reading out of bounds.
    int32_t gray = -1;
    map.GetGray({200}, 0, gray);
    EXPECT_EQ(map.LookUp(0, 200), 0);
  }
}

TEST(PDImageColorMap, PixelColours) {
  Space rgb = MakeSpace("/DeviceRGB");
  TvnPDImageColorMap rgb_map(8, nullptr, rgb.space.get());
  EXPECT_EQ(rgb_map.GetNumberOfPixelComps(), 3);
  const std::vector<uint8_t> line = {0, 0, 0, 255, 128, 0};
  TvnRGB px;
  rgb_map.GetRGB(line, 3, px);
  EXPECT_EQ((std::vector<int>{ColorCompToByte(px.R), ColorCompToByte(px.G), ColorCompToByte(px.B)}),
            (std::vector<int>{255, 128, 0}));
  rgb_map.GetRGB(line, 5, px);  // the pixel runs past the line: missing samples are 0
  EXPECT_EQ(px.G, 0);

  Space indexed = MakeSpace("[/Indexed /DeviceRGB 1 <FF00000000FF>]");
  TvnPDImageColorMap indexed_map(8, nullptr, indexed.space.get());
  EXPECT_EQ(indexed_map.GetDecodeHigh(0), 255);
  indexed_map.GetRGB({1}, 0, px);
  EXPECT_EQ((std::vector<int32_t>{px.R, px.G, px.B}), (std::vector<int32_t>{0, 0, kOne}));
  TvnCMYK cmyk;
  indexed_map.GetCMYK({0}, 0, cmyk);
  EXPECT_EQ(cmyk.M, kOne);

  TvnPDImageColorMap no_space(1, nullptr, nullptr);
  int32_t gray = -1;
  no_space.GetGray({1}, 0, gray);
  EXPECT_EQ(gray, kOne);

  struct Byte {
    int32_t comp;
    int byte;
  };
  for (const auto& b : {Byte{kOne, 255}, Byte{32768, 128}, Byte{0, 0}, Byte{-5, 0}, Byte{2 * kOne, 255}}) {
    EXPECT_EQ(ColorCompToByte(b.comp), b.byte) << b.comp;
  }
}

}  // namespace vn::pdfdoc::pd_image_color_map_test
