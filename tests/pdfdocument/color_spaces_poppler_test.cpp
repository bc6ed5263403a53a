// Colour conversions against pdftoppm: a one-page PDF filled with one
// colour of a space, rendered, and the pixel compared with GetRGB of the
// same space and colour.
#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

#include "pdf/parser.h"
#include "pdfdocument/color_spaces.h"
#include "runtime/streams.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace color_spaces_poppler_test {

using namespace vn::pdf;
using namespace vn::pdfdoc;

namespace {

std::unique_ptr<TvnPDBaseObject> ParseOracleObject(const std::string& text) {
  auto mem = std::make_shared<vn::TMemoryStream>();
  mem->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  TvnPDParser parser(nullptr, std::make_unique<TvnPDLexer>(MakeRef<TvnMemoryStream>(mem, 0, 0, false)), true);
  return parser.GetObject();
}

std::string HexOracleStream(const std::string& dict, const std::string& hex) {
  return "<< " + dict + " /Filter /ASCIIHexDecode /Length " + std::to_string(hex.size() + 1) + " >>\nstream\n" + hex +
         ">\nendstream";
}

// A one-page PDF (10 x 10 points) filling the page with `colour` in the
// space `space` (a colour-space object written directly in the resources).
std::string OneColourPdf(const std::string& space, const std::string& colour) {
  const std::string content = "/CS0 cs " + colour + " sc 0 0 10 10 re f\n";
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R /Resources << /ColorSpace << /CS0 " + space +
          " >> >> >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
  };
  return vn::test_support::PdfOfObjects(objects);
}

// The middle pixel of the page as pdftoppm renders it; false when it fails.
bool RenderMiddlePixel(const std::string& pdf, std::array<int, 3>& rgb) {
  const auto dir = std::filesystem::temp_directory_path();
  const auto in = dir / "one_colour.pdf";
  std::ofstream(in, std::ios::binary) << pdf;
  const auto out = dir / "one_colour";
  const std::string cmd = "pdftoppm -r 72 -singlefile '" + in.string() + "' '" + out.string() + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return false;
  std::ifstream ppm(out.string() + ".ppm", std::ios::binary);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  ppm >> magic >> w >> h >> maxval;
  ppm.get();
  if (magic != "P6" || w < 1 || h < 1 || maxval != 255) return false;
  std::vector<unsigned char> pixels(static_cast<size_t>(w * h * 3));
  ppm.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  const size_t at = static_cast<size_t>(((h / 2) * w + w / 2) * 3);
  rgb = {pixels[at], pixels[at + 1], pixels[at + 2]};
  return true;
}

struct OracleCase {
  const char* What;
  std::string Space;
  std::vector<double> Colour;
  // Largest difference per channel, of 255. Lab converts by a fixed formula
  // with a square-root gamma (no colour management), which the renderer's
  // colour-managed Lab does not share: they differ by up to about 10.
  double Tolerance = 3;
};

const std::string kTwoColorants = HexOracleStream(
    "/FunctionType 0 /Domain [0 1 0 1] /Range [0 1 0 1 0 1] /Size [2 2] /BitsPerSample 8",
    "FFFFFF FF0000 0000FF 202020");

// A stream object with its data as given.
std::string PlainOracleStream(const std::string& dict, const std::string& data) {
  return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// Calculator tint transforms: one tint to CMYK, and two colorants to RGB
// through a conditional.
const std::string kTintToCmyk = PlainOracleStream("/FunctionType 4 /Domain [0 1] /Range [0 1 0 1 0 1 0 1]",
                                                  "{dup 0.8 mul exch dup 0.2 mul exch 0 exch 0.1 mul}");
const std::string kTwoToRgb = PlainOracleStream("/FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1]",
                                                "{2 copy gt {1 exch sub exch 1 exch sub 0.5} "
                                                "{exch 1 exch sub 0.2} ifelse}");

const OracleCase kOracleCases[] = {
    {"DeviceGray", "/DeviceGray", {0.3}},
    {"DeviceRGB", "/DeviceRGB", {0.9, 0.4, 0.1}},
    {"DeviceCMYK", "/DeviceCMYK", {0.2, 0.4, 0.6, 0.1}},
    {"DeviceCMYK, K only", "/DeviceCMYK", {0, 0, 0, 1}},
    {"DeviceCMYK, cyan and magenta", "/DeviceCMYK", {0.7, 0.5, 0, 0.3}},
    {"Indexed", "[/Indexed /DeviceRGB 2 <FF0000 00FF00 3366CC>]", {2}},
    {"Indexed over gray", "[/Indexed /DeviceGray 1 <20C0>]", {1}},
    {"Separation, exponential tint",
     "[/Separation /Spot /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0.2 0.4 0.8] /N 1 >>]",
     {0.5}},
    {"Separation, exponential tint N 2",
     "[/Separation /Spot /DeviceGray << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 2 >>]", {0.7}},
    {"DeviceN", "[/DeviceN [/A /B] /DeviceRGB " + kTwoColorants + "]", {0.6, 0.3}},
    {"Separation, calculator tint to CMYK", "[/Separation /Spot /DeviceCMYK " + kTintToCmyk + "]", {0.7}},
    {"DeviceN, calculator tint, first branch", "[/DeviceN [/A /B] /DeviceRGB " + kTwoToRgb + "]", {0.6, 0.3}},
    {"DeviceN, calculator tint, second branch", "[/DeviceN [/A /B] /DeviceRGB " + kTwoToRgb + "]", {0.2, 0.9}},
    {"Lab", "[/Lab << /WhitePoint [0.9505 1 1.089] /Range [-128 127 -128 127] >>]", {60, 30, -20}, 12},
    {"Lab, D50 white", "[/Lab << /WhitePoint [0.9642 1 0.8249] >>]", {40, -20, 35}, 12},
    {"ICCBased N 3 through its alternate", "[/ICCBased " + HexOracleStream("/N 3 /Alternate /DeviceRGB", "00") + "]",
     {0.2, 0.5, 0.8}},
    {"ICCBased N 1 without Alternate", "[/ICCBased " + HexOracleStream("/N 1", "00") + "]", {0.6}},
};

std::string OracleColourText(const std::vector<double>& colour) {
  std::string s;
  for (double v : colour) s += std::to_string(v) + " ";
  return s;
}

TEST(ColorSpacesOracle, OneColourFillsAgreeWithPdftoppm) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  for (const auto& c : kOracleCases) {
    SCOPED_TRACE(c.What);
    auto cs = TvnPDColorSpace::MakeColorSpace(ParseOracleObject(c.Space).get(), "CS0");
    ASSERT_TRUE(cs);
    TvnColorComp colour;
    for (size_t i = 0; i < c.Colour.size(); ++i) colour.Comps[i] = static_cast<int32_t>(c.Colour[i] * 65536);
    TvnRGB ours;
    cs->GetRGB(colour, ours);
    std::array<int, 3> theirs{};
    ASSERT_TRUE(RenderMiddlePixel(OneColourPdf(c.Space, OracleColourText(c.Colour)), theirs));
    const std::array<int32_t, 3> mine{ours.R, ours.G, ours.B};
    for (size_t i = 0; i < 3; ++i) {
      const double ours255 = mine[i] * 255.0 / 65536.0;
      EXPECT_NEAR(ours255, theirs[i], c.Tolerance) << "channel " << i;
    }
  }
}

}  // namespace

}  // namespace color_spaces_poppler_test
