// Decoding of every format and variant against ImageMagick's decode of the
// same fixture (tests/fixtures/images, see make_fixtures.sh there).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/images/image_codecs.h"
#include "support/paths.h"

namespace vn::platform::image_codecs_decode_test {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path Fixture(const std::string& name) { return std::filesystem::path(VN_FIXTURES_DIR) / "images" / name; }

struct Case {
  const char* file;
  ImageFormat format;
  PixelFormat pixels;
  int tolerance;  // per channel; JPEG decoders may round differently
  const char* reference = nullptr;  // default: file + ".rgba"
};

const Case kCases[] = {
    {"png_rgb8.png", ImageFormat::Png, PixelFormat::pf32bit, 0},
    {"png_rgba8.png", ImageFormat::Png, PixelFormat::pf32bit, 0},
    {"png_palette.png", ImageFormat::Png, PixelFormat::pf32bit, 0},
    {"png_palette_trns.png", ImageFormat::Png, PixelFormat::pf32bit, 0},
    {"png_gray16.png", ImageFormat::Png, PixelFormat::pf32bit, 1},
    {"png_gray_alpha.png", ImageFormat::Png, PixelFormat::pf32bit, 0},
    {"png_rgb16.png", ImageFormat::Png, PixelFormat::pf32bit, 1},
    {"png_interlaced.png", ImageFormat::Png, PixelFormat::pf32bit, 0},
    {"jpeg_rgb.jpg", ImageFormat::Jpeg, PixelFormat::pf24bit, 2},
    {"jpeg_gray.jpg", ImageFormat::Jpeg, PixelFormat::pf8bit, 2},
    {"jpeg_cmyk.jpg", ImageFormat::Jpeg, PixelFormat::pf24bit, 3},
    {"jpeg_progressive.jpg", ImageFormat::Jpeg, PixelFormat::pf24bit, 2},
    {"gif_transparent.gif", ImageFormat::Gif, PixelFormat::pf32bit, 0},
    {"gif_two_frames.gif", ImageFormat::Gif, PixelFormat::pf32bit, 0},
    {"tiff_lzw.tif", ImageFormat::Tiff, PixelFormat::pf32bit, 0},
    {"tiff_deflate.tif", ImageFormat::Tiff, PixelFormat::pf32bit, 0},
    {"tiff_jpeg.tif", ImageFormat::Tiff, PixelFormat::pf32bit, 3},
    {"tiff_palette.tif", ImageFormat::Tiff, PixelFormat::pf32bit, 1},
    {"tiff_cmyk.tif", ImageFormat::Tiff, PixelFormat::pf32bit, 1},
    {"tiff_g3.tif", ImageFormat::Tiff, PixelFormat::pf1bit, 0},
    {"tiff_g4.tif", ImageFormat::Tiff, PixelFormat::pf1bit, 0},
    {"tiff_rgba.tif", ImageFormat::Tiff, PixelFormat::pf32bit, 1},
    {"tiff_three_pages.tif", ImageFormat::Tiff, PixelFormat::pf32bit, 0},
    {"bmp_1bit.bmp", ImageFormat::Bmp, PixelFormat::pf1bit, 0},
    {"bmp_4bit.bmp", ImageFormat::Bmp, PixelFormat::pf8bit, 0},
    {"bmp_8bit.bmp", ImageFormat::Bmp, PixelFormat::pf8bit, 0},
    {"bmp_rle8.bmp", ImageFormat::Bmp, PixelFormat::pf8bit, 0},
    {"bmp_16bit_565.bmp", ImageFormat::Bmp, PixelFormat::pf24bit, 1},
    {"bmp_24bit.bmp", ImageFormat::Bmp, PixelFormat::pf24bit, 0},
    {"bmp_32bit_alpha.bmp", ImageFormat::Bmp, PixelFormat::pf32bit, 0},
    {"ico_bmp.ico", ImageFormat::Ico, PixelFormat::pf32bit, 0},
    {"ico_alpha.ico", ImageFormat::Ico, PixelFormat::pf32bit, 0},
    {"cur_alpha.cur", ImageFormat::Cur, PixelFormat::pf32bit, 0},
};

// Compares every pixel with the reference (R, G, B, A bytes). Colours are
// compared weighted by alpha: the colour of a nearly transparent pixel has
// little precision (libtiff hands it over premultiplied), and none when transparent.
void ExpectPixels(const Bitmap& b, const std::string& reference, int tolerance, const std::string& what) {
  ASSERT_EQ(reference.size(), static_cast<size_t>(b.Width()) * b.Height() * 4) << what;
  int bad = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const auto* r = reinterpret_cast<const uint8_t*>(reference.data()) + (static_cast<size_t>(y) * b.Width() + x) * 4;
      BGRA c = b.Pixel(x, y);
      auto weighted = [](int v, int a) { return (v * a + 127) / 255; };
      int d = std::abs(c.A - r[3]);
      for (int i = 0; i < 3; ++i) {
        int ours = i == 0 ? c.R : i == 1 ? c.G : c.B;
        d = std::max(d, std::abs(weighted(ours, c.A) - weighted(r[i], r[3])));
      }
      if (d > tolerance && bad++ < 3)
        ADD_FAILURE() << what << " pixel (" << x << ", " << y << "): ours " << int(c.R) << "," << int(c.G) << ","
                      << int(c.B) << "," << int(c.A) << " reference " << int(r[0]) << "," << int(r[1]) << ","
                      << int(r[2]) << "," << int(r[3]);
    }
}

TEST(ImageDecode, EveryFixtureMatchesTheReferenceDecode) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.file);
    std::string file = ReadFile(Fixture(c.file));
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(DetectImageFormat(AsBytes(file)), c.format);
    Bitmap b = DecodeImage(AsBytes(file));
    EXPECT_EQ(b.Width(), 13);
    EXPECT_EQ(b.Height(), 7);
    EXPECT_EQ(b.Format(), c.pixels);
    ExpectPixels(b, ReadFile(Fixture(c.reference ? c.reference : std::string(c.file) + ".rgba")), c.tolerance, c.file);
  }
}

TEST(ImageDecode, AlphaIsReportedOnlyWhenTheFileHasIt) {
  const struct {
    const char* file;
    bool alpha;
  } cases[] = {{"png_rgb8.png", false},   {"png_rgba8.png", true},    {"png_palette_trns.png", true},
               {"png_palette.png", false}, {"bmp_32bit_alpha.bmp", true}, {"tiff_lzw.tif", false},
               {"tiff_rgba.tif", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string file = ReadFile(Fixture(c.file));
    EXPECT_EQ(DecodeImage(AsBytes(file)).HasAlpha(), c.alpha);
  }
}

TEST(ImageDecode, JpegKeepsItsBytesAndReportsItsColourModel) {
  const struct {
    const char* file;
    JpegColorModel model;
    bool progressive;
  } cases[] = {{"jpeg_rgb.jpg", JpegColorModel::YCbCr, false},
               {"jpeg_gray.jpg", JpegColorModel::Gray, false},
               {"jpeg_cmyk.jpg", JpegColorModel::YCCK, false},
               {"jpeg_progressive.jpg", JpegColorModel::YCbCr, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string file = ReadFile(Fixture(c.file));
    JpegInfo info = ReadJpegInfo(AsBytes(file));
    EXPECT_EQ(info.Width, 13);
    EXPECT_EQ(info.Height, 7);
    EXPECT_EQ(info.ColorModel, c.model);
    EXPECT_EQ(info.Progressive, c.progressive);
    Bitmap b = DecodeJpeg(AsBytes(file));
    ASSERT_TRUE(b.OriginalJpeg());
    EXPECT_EQ(*b.OriginalJpeg(), file);
    // Changing a pixel drops the original: it would no longer match.
    b.SetPixel(0, 0, BGRA{1, 2, 3, 255});
    EXPECT_FALSE(b.OriginalJpeg());
  }
}

TEST(ImageDecode, JpegCutShortKeepsThePicture) {
  // libjpeg fills in what is missing; a cut header is damage.
  std::string file = ReadFile(Fixture("jpeg_rgb.jpg"));
  Bitmap b = DecodeJpeg(AsBytes(std::string_view(file).substr(0, file.size() - 40)));
  EXPECT_EQ(b.Width(), 13);
  EXPECT_EQ(b.Height(), 7);
  EXPECT_THROW(DecodeJpeg(AsBytes(std::string_view(file).substr(0, 100))), EImageDecodeError);
}

TEST(ImageDecode, TiffFramesAreReadOnDemand) {
  std::string file = ReadFile(Fixture("tiff_three_pages.tif"));
  TiffReader reader(AsBytes(file));
  ASSERT_EQ(reader.FrameCount(), 3);
  EXPECT_EQ(reader.Frame(1).Width, 13);
  EXPECT_EQ(reader.Frame(2).Height, 7);
  ExpectPixels(reader.DecodeFrame(1), ReadFile(Fixture("tiff_three_pages.tif.page2.rgba")), 0, "page 2");
  EXPECT_EQ(reader.DecodeFrame(2).Format(), PixelFormat::pf1bit);
  EXPECT_THROW(reader.Frame(3), EArgumentOutOfRangeException);
  EXPECT_THROW(reader.DecodeFrame(-1), EArgumentOutOfRangeException);
}

// Real-world files: each decodes or fails with EImageDecodeError, never worse.
TEST(ImageDecode, CorpusFilesDecodeOrFailCleanly) {
  // The environment may name the corpus folder when the build tree's default does not hold it.
  const char* env = std::getenv("VN_CORPUS_DIR");
  std::filesystem::path dir = std::filesystem::path(env ? env : VN_CORPUS_DIR) / "images";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "corpus not present";
  int decoded = 0, refused = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::string file = ReadFile(entry.path());
    try {
      Bitmap b = DecodeImage(AsBytes(file));
      EXPECT_FALSE(b.Empty()) << entry.path();
      if (DetectImageFormat(AsBytes(file)) == ImageFormat::Tiff) {
        TiffReader reader(AsBytes(file));
        for (int i = 0; i < reader.FrameCount(); ++i) {
          try {
            reader.DecodeFrame(i);
          } catch (const EImageDecodeError&) {
          }
        }
      }
      ++decoded;
    } catch (const EImageDecodeError& e) {
      ++refused;
      std::printf("refused %s: %s\n", entry.path().filename().c_str(), e.what());
    }
  }
  EXPECT_GT(decoded, 70);
  std::printf("corpus: %d decoded, %d refused\n", decoded, refused);
}

}  // namespace
}  // namespace vn::platform::image_codecs_decode_test
