// Encoders: round trips through our decoders, and the files checked by
// independent tools (pngcheck, tiffinfo, djpeg) when they are installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <string>

#include "platform/images/image_codecs.h"
#include "support/prerequisites.h"

namespace vn::platform::image_codecs_encode_test {
namespace {

// A 13 x 7 picture in the given format with distinct colours per pixel
// (alpha varies across the width when 32-bit with alpha).
Bitmap Sample(PixelFormat format, bool alpha = false) {
  Bitmap b(13, 7, format);
  if (format == PixelFormat::pf8bit) {
    std::vector<BGRA> palette;
    for (int i = 0; i < 256; ++i)
      palette.push_back(BGRA{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 255});
    b.SetPalette(palette);
  }
  b.SetHasAlpha(alpha);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) {
      switch (format) {
        case PixelFormat::pf1bit: b.SetPixel(x, y, (x + y) % 3 ? BGRA{255, 255, 255, 255} : BGRA{0, 0, 0, 255}); break;
        case PixelFormat::pf8bit: b.MutableRow(y)[x] = static_cast<uint8_t>(y * 13 + x); break;
        default:
          b.SetPixel(x, y, BGRA{static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 40), static_cast<uint8_t>(200 - x * 10),
                                alpha ? static_cast<uint8_t>(x * 21) : uint8_t{255}});
      }
    }
  b.SetResolution(300, 150);
  return b;
}

int MaxDifference(const Bitmap& a, const Bitmap& b) {
  EXPECT_EQ(a.Width(), b.Width());
  EXPECT_EQ(a.Height(), b.Height());
  int most = 0;
  for (int y = 0; y < std::min(a.Height(), b.Height()); ++y)
    for (int x = 0; x < std::min(a.Width(), b.Width()); ++x) {
      BGRA p = a.Pixel(x, y), q = b.Pixel(x, y);
      if (p.A == 0 && q.A == 0) continue;
      most = std::max({most, std::abs(p.R - q.R), std::abs(p.G - q.G), std::abs(p.B - q.B), std::abs(p.A - q.A)});
    }
  return most;
}

TEST(ImageEncode, LosslessEncodersRoundTripEveryPixelFormat) {
  const struct {
    const char* name;
    std::function<std::string(const Bitmap&)> encode;
    ImageFormat format;
    bool keeps_resolution;
  } encoders[] = {
      {"PNG", [](const Bitmap& b) { return EncodePng(b); }, ImageFormat::Png, true},
      {"BMP", [](const Bitmap& b) { return EncodeBmp(b); }, ImageFormat::Bmp, true},
      {"TIFF", [](const Bitmap& b) { return EncodeTiff(std::span<const Bitmap>(&b, 1)); }, ImageFormat::Tiff, true},
      {"GIF", [](const Bitmap& b) { return EncodeGif(b); }, ImageFormat::Gif, false},
  };
  const struct {
    PixelFormat format;
    bool alpha;
  } inputs[] = {{PixelFormat::pf1bit, false},
                {PixelFormat::pf8bit, false},
                {PixelFormat::pf24bit, false},
                {PixelFormat::pf32bit, false},
                {PixelFormat::pf32bit, true}};
  for (const auto& e : encoders)
    for (const auto& in : inputs) {
      // GIF keeps alpha only as one transparent colour.
      if (e.format == ImageFormat::Gif && in.alpha) continue;
      SCOPED_TRACE(std::string(e.name) + " " + std::to_string(static_cast<int>(in.format)) + (in.alpha ? " alpha" : ""));
      Bitmap source = Sample(in.format, in.alpha);
      std::string file = e.encode(source);
      ASSERT_EQ(DetectImageFormat(AsBytes(file)), e.format);
      Bitmap back = DecodeImage(AsBytes(file));
      EXPECT_EQ(MaxDifference(source, back), 0);
      if (e.keeps_resolution) {
        EXPECT_NEAR(back.DpiX(), 300, 0.5);
        EXPECT_NEAR(back.DpiY(), 150, 0.5);
      }
    }
}

TEST(ImageEncode, GifWithManyColoursAndTransparency) {
  Bitmap b(40, 40, PixelFormat::pf32bit);
  b.SetHasAlpha(true);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
      b.SetPixel(x, y, BGRA{static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 6), static_cast<uint8_t>(x * y % 256),
                            x < 5 ? uint8_t{0} : uint8_t{255}});
  Bitmap back = DecodeGif(AsBytes(EncodeGif(b)));
  // 1600 colours reduce to the colour cube: each channel within half a step.
  EXPECT_LE(MaxDifference(b, back), 26);
  EXPECT_EQ(back.Pixel(2, 2).A, 0);
  EXPECT_EQ(back.Pixel(20, 2).A, 255);
}

TEST(ImageEncode, JpegQualityTradesSizeForFidelity) {
  Bitmap b = Sample(PixelFormat::pf24bit);
  std::string low = EncodeJpeg(b, 10), high = EncodeJpeg(b, 95);
  EXPECT_LT(low.size(), high.size());
  Bitmap back_low = DecodeJpeg(AsBytes(low)), back_high = DecodeJpeg(AsBytes(high));
  EXPECT_LT(MaxDifference(b, back_high), MaxDifference(b, back_low));
  EXPECT_LE(MaxDifference(b, back_high), 40);
  EXPECT_NEAR(back_high.DpiX(), 300, 0.5);
  // A grey bitmap is written as a greyscale JPEG.
  Bitmap grey(8, 8, PixelFormat::pf8bit);
  EXPECT_EQ(ReadJpegInfo(AsBytes(EncodeJpeg(grey))).ColorModel, JpegColorModel::Gray);
}

TEST(ImageEncode, EmptyBitmapsAreRefused) {
  Bitmap empty;
  EXPECT_THROW(EncodePng(empty), EImageEncodeError);
  EXPECT_THROW(EncodeJpeg(empty), EImageEncodeError);
  EXPECT_THROW(EncodeBmp(empty), EImageEncodeError);
  EXPECT_THROW(EncodeGif(empty), EImageEncodeError);
  EXPECT_THROW(EncodeTiff(std::span<const Bitmap>()), EImageEncodeError);
  EXPECT_THROW(EncodeTiff(std::span<const Bitmap>(&empty, 1)), EImageEncodeError);
}

// Running the tools on files in a scratch folder.
class ToolCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("vn_image_encode_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path Write(const std::string& name, const std::string& bytes) {
    auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Runs a command; returns its exit status and standard output.
  static int Run(const std::string& command, std::string* output = nullptr) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
      if (output) output->append(buffer, n);
    return pclose(pipe);
  }
  std::filesystem::path dir_;
};

TEST_F(ToolCheck, PngcheckAcceptsOurPng) {
  if (!vn::test_support::HaveTool("pngcheck")) GTEST_SKIP() << "pngcheck is not installed";
  for (const Bitmap& b : {Sample(PixelFormat::pf1bit), Sample(PixelFormat::pf8bit), Sample(PixelFormat::pf24bit),
                          Sample(PixelFormat::pf32bit, true)}) {
    auto path = Write("out.png", EncodePng(b));
    std::string out;
    EXPECT_EQ(Run("pngcheck -v " + path.string() + " 2>&1", &out), 0) << out;
  }
}

TEST_F(ToolCheck, TiffinfoShowsThreeDirectories) {
  if (!vn::test_support::HaveTool("tiffinfo")) GTEST_SKIP() << "tiffinfo is not installed";
  std::vector<Bitmap> pages{Sample(PixelFormat::pf24bit), Sample(PixelFormat::pf32bit, true), Sample(PixelFormat::pf1bit)};
  std::string file = EncodeTiff(pages);
  auto path = Write("three.tif", file);
  std::string out;
  ASSERT_EQ(Run("tiffinfo " + path.string() + " 2>&1", &out), 0) << out;
  size_t directories = 0;
  for (size_t at = out.find("TIFF Directory at offset"); at != std::string::npos; at = out.find("TIFF Directory at offset", at + 1))
    ++directories;
  EXPECT_EQ(directories, 3u) << out;
  EXPECT_NE(out.find("CCITT Group 4"), std::string::npos) << out;
  // Our reader agrees page by page.
  TiffReader reader(AsBytes(file));
  ASSERT_EQ(reader.FrameCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(MaxDifference(pages[i], reader.DecodeFrame(i)), 0) << "page " << i + 1;
}

TEST_F(ToolCheck, DjpegDecodesOurJpeg) {
  if (!vn::test_support::HaveTool("djpeg")) GTEST_SKIP() << "djpeg is not installed";
  auto path = Write("out.jpg", EncodeJpeg(Sample(PixelFormat::pf32bit, true), 80));
  std::string out;
  ASSERT_EQ(Run("djpeg -pnm " + path.string(), &out), 0);
  // A binary PPM of the same size.
  EXPECT_EQ(out.rfind("P6\n13 7\n255\n", 0), 0u) << out.substr(0, 20);
}

}  // namespace
}  // namespace vn::platform::image_codecs_encode_test
