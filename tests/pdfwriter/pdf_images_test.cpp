// PDF image objects: RGB rows, JPEG passed through, CCITT Group 3 and 4;
// reuse of objects for pictures drawn again; placement; the bitmap of an
// image item. Checked by reading the objects back, by pdfimages -list, by
// pdftoppm against the source pixels and by qpdf --check.
#include "pdfwriter/pdf_images.h"

#include <gtest/gtest.h>

#include <map>
#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "../export/recording_engine.h"
#include "pdf_image_tools.h"
#include "pdf_test_support.h"
#include "platform/images/image_codecs.h"
#include "support/paths.h"

namespace vn::pdfwriter::pdf_images_test {
namespace {

using platform::BGRA;
using platform::Bitmap;
using platform::PixelFormat;
using vn::exporter::TGraphic;
using vn::exporter::TvnOutputImageFormat;
using vn::framework::TvnRect;
using testing::ObjectOf;
using testing::PinClock;
using testing::QpdfProblems;
using testing::StreamOf;
using testing::TestEngine;

using FileGraphic = vn::exporter::testing::TestGraphic;

// A bitmap as a graphic held as the bytes of a PNG file.
FileGraphic PngGraphic(const Bitmap& b) { return FileGraphic(platform::EncodePng(b), b.Width(), b.Height()); }

std::string Fixture(const std::string& name) {
  return image_testing::ReadFileBytes(std::filesystem::path(VN_FIXTURES_DIR) / "images" / name);
}

// 13 x 7 pixels of distinct colours.
Bitmap Colourful() {
  Bitmap b(13, 7, PixelFormat::pf24bit);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x)
      b.SetPixel(x, y, BGRA{static_cast<uint8_t>(x * 19), static_cast<uint8_t>(y * 36), static_cast<uint8_t>(250 - x * 17), 255});
  return b;
}

// A one-bit picture with runs of many lengths.
Bitmap Bilevel(int w, int h) {
  Bitmap b(w, h, PixelFormat::pf1bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (((x / (1 + y % 5)) + y) % 3 != 0) b.MutableRow(y)[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return b;
}

// Object numbers of the image objects, in file order.
std::vector<int> ImageObjects(const std::string& pdf) {
  std::vector<int> out;
  static const std::regex image(R"((\d+) 0 obj\r\n<<[ \r\n]*/Type/XObject/Subtype/Image)");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), image); it != std::sregex_iterator(); ++it)
    out.push_back(std::stoi((*it)[1]));
  return out;
}

// "pdfimages -list" rows: width, height, colour, components, bits, encoding.
std::vector<std::string> PdfImagesList(const std::string& pdf) {
  std::string out;
  testing::Run("pdfimages -list '" + testing::SaveTemp(pdf, "list.pdf").string() + "'", &out);
  std::vector<std::string> rows;
  std::istringstream lines(out);
  std::string line;
  for (int i = 0; std::getline(lines, line); ++i) {
    if (i < 2) continue;  // header and rule
    std::istringstream fields(line);
    std::string page, num, type, width, height, color, comp, bpc, enc;
    fields >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc;
    rows.push_back(width + " " + height + " " + color + " " + comp + " " + bpc + " " + enc);
  }
  return rows;
}

// Renders page 1 at 8 device pixels per engine pixel and samples the
// centres of the engine-pixel grid over a rectangle.
Bitmap RenderedPixels(const std::string& pdf, const TvnRect& r) {
  const Bitmap page = image_testing::RenderPage(pdf, 1, 96 * 8);
  if (page.Empty()) return {};
  const int w = static_cast<int>(r.Right - r.Left), h = static_cast<int>(r.Bottom - r.Top);
  return image_testing::SampleCentres(page, r.Left * 8, r.Top * 8, w * 8.0, h * 8.0, w, h);
}

// The mean difference of the colour channels.
double MeanDifference(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 1000;
  double total = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const BGRA p = a.Pixel(x, y), q = b.Pixel(x, y);
      total += std::abs(p.R - q.R) + std::abs(p.G - q.G) + std::abs(p.B - q.B);
    }
  return total / (3.0 * a.Width() * a.Height());
}

int MaxDifference(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 1000;
  int most = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const BGRA p = a.Pixel(x, y), q = b.Pixel(x, y);
      most = std::max({most, std::abs(p.R - q.R), std::abs(p.G - q.G), std::abs(p.B - q.B)});
    }
  return most;
}

class PdfImages : public ::testing::Test {
 protected:
  void SetUp() override { PinClock(); }
  TestEngine engine{200, 120};
};

TEST_F(PdfImages, RgbPictureIsDeflatedRowsThatRenderAsTheSource) {
  const Bitmap source = Colourful();
  engine.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
  engine.BeginDoc();
  const TvnRect where{20, 30, 33, 37};
  engine.DrawImage(where, PngGraphic(source));
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(QpdfProblems(pdf, "rgb.pdf"), "");
  const std::vector<int> images = ImageObjects(pdf);
  ASSERT_EQ(images.size(), 1u);
  const std::string dict = ObjectOf(pdf, images[0]);
  EXPECT_NE(dict.find("<< /Type/XObject/Subtype/Image/Name/Img0_0/Width 13/Height 7/BitsPerComponent 8/ColorSpace/DeviceRGB"
                      "/Filter/FlateDecode/Length "),
            std::string::npos)
      << dict;
  EXPECT_EQ(testing::Inflate(StreamOf(pdf, images[0])), source.ToRGB24OnWhite());
  EXPECT_NE(pdf.find("/XObject << /Img0_0 " + std::to_string(images[0]) + " 0 R >>"), std::string::npos);
  if (vn::test_support::HaveTool("pdfimages")) EXPECT_EQ(PdfImagesList(pdf), std::vector<std::string>{"13 7 rgb 3 8 image"});
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  EXPECT_LE(MaxDifference(RenderedPixels(pdf, where), source), 2);
}

TEST_F(PdfImages, JpegPassesThroughByteForByteWithItsColourModel) {
  struct Case {
    const char* file;
    const char* entries;
    const char* listed;
    double tolerance;  // mean difference
  };
  const Case cases[] = {
      {"jpeg_rgb.jpg", "/BitsPerComponent 8/ColorSpace/DeviceRGB/Filter/DCTDecode", "13 7 rgb 3 8 jpeg", 2},
      {"jpeg_gray.jpg", "/BitsPerComponent 8/ColorSpace/DeviceGray/Filter/DCTDecode", "13 7 gray 1 8 jpeg", 2},
      {"jpeg_progressive.jpg", "/BitsPerComponent 8/ColorSpace/DeviceRGB/Filter/DCTDecode", "13 7 rgb 3 8 jpeg", 2},
      // Stored inverted with an Adobe marker: labelled CMYK and inverted back.
      {"jpeg_cmyk.jpg", "/BitsPerComponent 8/ColorSpace/DeviceCMYK/Decode [1 0 1 0 1 0 1 0]/Filter/DCTDecode",
       "13 7 cmyk 4 8 jpeg", 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string jpeg = Fixture(c.file);
    TestEngine e(200, 120);
    e.BeginDoc();
    vn::TMemoryStream stream;
    stream.WriteString(jpeg);
    const TvnRect where{40, 10, 53, 17};
    e.DrawJPEGDirect(where, 13, 7, stream);
    e.EndDoc();
    const std::string pdf = e.Bytes();
    EXPECT_EQ(QpdfProblems(pdf, "jpeg.pdf"), "");
    const std::vector<int> images = ImageObjects(pdf);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(StreamOf(pdf, images[0]), jpeg);
    EXPECT_NE(ObjectOf(pdf, images[0]).find(std::string("/Width 13/Height 7") + c.entries + "/Length " + std::to_string(jpeg.size())),
              std::string::npos)
        << ObjectOf(pdf, images[0]);
    if (vn::test_support::HaveTool("pdfimages")) EXPECT_EQ(PdfImagesList(pdf), std::vector<std::string>{c.listed});
    if (!vn::test_support::HaveTool("pdftoppm")) continue;
    // Renderers convert CMYK to RGB each their own way: compare on average.
    EXPECT_LE(MeanDifference(RenderedPixels(pdf, where), platform::DecodeJpeg(platform::AsBytes(jpeg)).ConvertTo(PixelFormat::pf24bit)),
              c.tolerance);
  }
}

TEST_F(PdfImages, CorpusCmykPhotographKeepsItsColours) {
  const std::filesystem::path file = std::filesystem::path(VN_CORPUS_DIR) / "images" / "pil_sample_cmyk.jpg";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "corpus not present";
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  const std::string jpeg = image_testing::ReadFileBytes(file);
  engine.BeginDoc();
  vn::TMemoryStream stream;
  stream.WriteString(jpeg);
  const TvnRect where{0, 0, 100, 100};
  engine.DrawJPEGDirect(where, 100, 100, stream);
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  ASSERT_EQ(StreamOf(pdf, ImageObjects(pdf).at(0)), jpeg);
  // Average colour error against our own decoder: small when the inverted
  // CMYK data are labelled right, near 255 when they are not.
  const Bitmap shown = RenderedPixels(pdf, where);
  const Bitmap decoded = platform::DecodeJpeg(platform::AsBytes(jpeg)).ConvertTo(PixelFormat::pf24bit);
  EXPECT_LT(MeanDifference(shown, decoded), 30);
}

TEST_F(PdfImages, OneBitPicturesAsCCITTGroup3AndGroup4) {
  const Bitmap source = Bilevel(61, 23);
  for (TvnOutputImageFormat format : {TvnOutputImageFormat::ifCCITT3, TvnOutputImageFormat::ifCCITT4}) {
    const bool group4 = format == TvnOutputImageFormat::ifCCITT4;
    SCOPED_TRACE(group4 ? "G4" : "G3");
    TestEngine e(200, 120);
    e.ImageSettings().SetOutputImageFormat(format);
    e.BeginDoc();
    const TvnRect where{11, 13, 72, 36};
    e.DrawImage(where, PngGraphic(source));
    e.EndDoc();
    const std::string pdf = e.Bytes();
    EXPECT_EQ(QpdfProblems(pdf, "ccitt.pdf"), "");
    const std::vector<int> images = ImageObjects(pdf);
    ASSERT_EQ(images.size(), 1u);
    const std::string expected_dict = std::string("/Width 61/Height 23/BitsPerComponent 1/Filter[/CCITTFaxDecode]/ColorSpace/DeviceGray ") +
                                      "/DecodeParms [<</K " + (group4 ? "-1" : "0") + " /Columns 61 /Rows 23" +
                                      (group4 ? "" : " /EndOfBlock false") + " >>]";
    EXPECT_NE(ObjectOf(pdf, images[0]).find(expected_dict), std::string::npos) << ObjectOf(pdf, images[0]);
    const Bitmap decoded = image_testing::FaxDecodeWithLibtiff(StreamOf(pdf, images[0]), 61, 23, group4);
    EXPECT_EQ(MaxDifference(decoded, source), 0);
    if (vn::test_support::HaveTool("pdfimages")) EXPECT_EQ(PdfImagesList(pdf), std::vector<std::string>{"61 23 gray 1 1 ccitt"});
    if (vn::test_support::HaveTool("pdftoppm")) EXPECT_EQ(MaxDifference(RenderedPixels(pdf, where), source), 0);
  }
}

TEST_F(PdfImages, SamePictureDrawnAgainIsStoredOnce) {
  const Bitmap source = Colourful();
  engine.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
  engine.BeginDoc();
  const int32_t index = engine.AddImageAsResource(PngGraphic(source));
  engine.DrawImage(TvnRect{10, 10, 23, 17}, index);
  engine.DrawImage(TvnRect{50, 10, 63, 17}, index);
  engine.NewPage();
  engine.DrawImage(TvnRect{10, 40, 23, 47}, index);
  // Stretched: the picture at its own size again, so the same object.
  engine.ImageSettings().Stretch = true;
  engine.DrawImage(TvnRect{10, 70, 60, 100}, index);
  // Centred into a smaller box: the middle cut out, another variant.
  engine.ImageSettings().Stretch = false;
  engine.ImageSettings().Center = true;
  engine.DrawImage(TvnRect{100, 40, 106, 44}, index);
  // The same JPEG handed over twice, on two pages: one object.
  vn::TMemoryStream jpeg;
  jpeg.WriteString(Fixture("jpeg_rgb.jpg"));
  engine.DrawJPEGDirect(TvnRect{150, 10, 163, 17}, 13, 7, jpeg);
  engine.NewPage();
  engine.DrawJPEGDirect(TvnRect{150, 30, 163, 37}, 13, 7, jpeg);
  // Another picture handed over twice as a graphic: found again by content.
  engine.ImageSettings().Center = false;
  engine.DrawImage(TvnRect{10, 10, 12, 12}, PngGraphic(Bilevel(2, 2)));
  engine.DrawImage(TvnRect{20, 10, 22, 12}, PngGraphic(Bilevel(2, 2)));
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(QpdfProblems(pdf, "reuse.pdf"), "");
  EXPECT_EQ(ImageObjects(pdf).size(), 4u);  // the picture, its cut-out variant, the JPEG, the second picture
  const std::vector<std::string> pages = testing::PageContents(pdf);
  ASSERT_EQ(pages.size(), 3u);
  const std::string name = "/" + ImageXObjectName(index, 0) + " Do";
  auto count = [](const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(pages[0], name), 2u);
  EXPECT_EQ(count(pages[1], name), 2u);
  EXPECT_EQ(count(pages[1], "/" + ImageXObjectName(index, 1) + " Do"), 1u);
  for (const std::string& page : pages) EXPECT_TRUE(testing::Balanced(page));
}

// The image object each resource name of the document stands for.
std::map<std::string, int> XObjectNames(const std::string& pdf) {
  std::map<std::string, int> names;
  const std::string resources = ObjectOf(pdf, 5);
  static const std::regex entry(R"(/(Img\d+_\d+) (\d+) 0 R)");
  for (auto it = std::sregex_iterator(resources.begin(), resources.end(), entry); it != std::sregex_iterator(); ++it)
    names[(*it)[1]] = std::stoi((*it)[2]);
  return names;
}

// The image names a page's content places, in order.
std::vector<std::string> Placed(const std::string& content) {
  std::vector<std::string> names;
  static const std::regex placed(R"(/(Img\d+_\d+) Do)");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), placed); it != std::sregex_iterator(); ++it)
    names.push_back((*it)[1]);
  return names;
}

// Two pixels, green and fully transparent: a picture that shows the fill
// it is laid on.
FileGraphic HalfTransparent() {
  Bitmap b(2, 1, PixelFormat::pf32bit);
  b.SetHasAlpha(true);
  b.SetPixel(0, 0, BGRA{0, 255, 0, 255});
  b.SetPixel(1, 0, BGRA{0, 0, 0, 0});
  return PngGraphic(b);
}

// The RGB rows of the image object a placed name stands for.
std::string PlacedRows(const std::string& pdf, const std::map<std::string, int>& names, const std::string& name) {
  const auto it = names.find(name);
  return it == names.end() ? "(no object)" : testing::Inflate(StreamOf(pdf, it->second));
}

const std::string kGreenOnRed("\x00\xFF\x00\xFF\x00\x00", 6), kGreenOnBlue("\x00\xFF\x00\x00\x00\xFF", 6),
    kGreenOnWhite("\x00\xFF\x00\xFF\xFF\xFF", 6);

// Equal bytes kept as a stream and drawn as a graphic have one digest; with
// images as resources (the engine's default) each must still show its own
// object, whichever comes first: the graphic laid on the brush, the kept
// stream as its file shows it, on white.
TEST_F(PdfImages, AKeptStreamAndAGraphicOfTheSameBytesEachShowTheirOwnObject) {
  const FileGraphic picture = HalfTransparent();
  engine.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
  engine.Brush().Color = 0x0000FF;
  ASSERT_TRUE(engine.Preferences().UseImagesAsResources());
  engine.BeginDoc();
  engine.DrawImageStream(TvnRect{10, 10, 12, 11}, picture);
  engine.DrawImage(TvnRect{40, 10, 42, 11}, picture);
  engine.NewPage();
  engine.DrawImage(TvnRect{40, 10, 42, 11}, picture);
  engine.DrawImageStream(TvnRect{10, 10, 12, 11}, picture);
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(QpdfProblems(pdf, "stream-and-graphic.pdf"), "");
  const std::map<std::string, int> names = XObjectNames(pdf);
  const std::vector<std::string> pages = testing::PageContents(pdf);
  ASSERT_EQ(pages.size(), 2u);
  const std::vector<std::vector<std::string>> shown = {{kGreenOnWhite, kGreenOnRed}, {kGreenOnRed, kGreenOnWhite}};
  for (size_t p = 0; p < pages.size(); ++p) {
    const std::vector<std::string> placed = Placed(pages[p]);
    ASSERT_EQ(placed.size(), 2u) << "page " << p + 1;
    for (size_t i = 0; i < placed.size(); ++i)
      EXPECT_TRUE(PlacedRows(pdf, names, placed[i]) == shown[p][i]) << "page " << p + 1 << " image " << i + 1;
  }
  // No object is written for nothing.
  for (int n : ImageObjects(pdf))
    EXPECT_TRUE(std::any_of(names.begin(), names.end(), [n](const auto& e) { return e.second == n; })) << n;
}

// A picture with transparent pixels is laid on its item's fill: the
// brush's colour, or white under a clear brush or for a transparent
// picture. An object is used again only for the same fill.
TEST_F(PdfImages, APictureLaidOnAnotherFillIsAnotherObject) {
  using vn::exporter::TBrushStyle;
  engine.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
  engine.BeginDoc();
  const int32_t index = engine.AddImageAsResource(HalfTransparent());
  const struct {
    TColor colour;
    TBrushStyle style;
    bool transparent;
    const std::string& shown;
  } draws[] = {
      {0x0000FF, TBrushStyle::bsSolid, false, kGreenOnRed},
      {0x0000FF, TBrushStyle::bsSolid, false, kGreenOnRed},  // the same fill: the same object
      {0xFF0000, TBrushStyle::bsSolid, false, kGreenOnBlue},
      {0xFF0000, TBrushStyle::bsClear, false, kGreenOnWhite},
      {0xFF0000, TBrushStyle::bsSolid, true, kGreenOnWhite},  // white as under a clear brush
  };
  for (size_t i = 0; i < std::size(draws); ++i) {
    engine.Brush().Color = draws[i].colour;
    engine.Brush().Style = draws[i].style;
    engine.ImageSettings().Transparent = draws[i].transparent;
    const double y = 10 + 5.0 * static_cast<double>(i);
    engine.DrawImage(TvnRect{10, y, 12, y + 1}, index);
  }
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(ImageObjects(pdf).size(), 3u);
  const std::map<std::string, int> names = XObjectNames(pdf);
  const std::vector<std::string> placed = Placed(testing::PageContents(pdf).at(0));
  ASSERT_EQ(placed.size(), std::size(draws));
  for (size_t i = 0; i < placed.size(); ++i) EXPECT_TRUE(PlacedRows(pdf, names, placed[i]) == draws[i].shown) << "draw " << i;
}

TEST_F(PdfImages, PlacementOfAnImageItem) {
  engine.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
  engine.BeginDoc();
  const int32_t index = engine.AddImageAsResource(PngGraphic(Colourful()));
  engine.ImageSettings().Stretch = true;
  engine.DrawImage(TvnRect{8, 4, 48, 24}, index);
  engine.ImageSettings().Opacity = 40;
  engine.DrawImage(TvnRect{8, 40, 48, 60}, index);
  engine.EndDoc();
  const std::string content = testing::PageContents(engine.Bytes()).at(0);
  // 96 pixels per inch: 0.75 points per pixel; y flipped on a page 90 points high.
  const std::string name = "/" + ImageXObjectName(index, 0);
  EXPECT_NE(content.find("\r\nq\r\n30.0000 0 0 15.0000 6.0000 72.0000 cm\r\n" + name + " Do\r\nQ"), std::string::npos) << content;
  EXPECT_NE(content.find("\r\nq\r\n30.0000 0 0 15.0000 6.0000 45.0000 cm\r\n/GS1 gs\r\n" + name + " Do\r\nQ"), std::string::npos)
      << content;
  // Names of resource and variant stay apart.
  EXPECT_NE(ImageXObjectName(1, 11), ImageXObjectName(11, 1));
}

TEST_F(PdfImages, AnInclinedPictureTurnsAboutTheTopLeftOfItsBox) {
  Bitmap source(40, 20, PixelFormat::pf24bit);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) source.SetPixel(x, y, BGRA{static_cast<uint8_t>(y * 12), 40, static_cast<uint8_t>(x * 6), 255});
  engine.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
  engine.ImageSettings().Stretch = true;
  engine.ImageSettings().Inclination = 90;
  engine.BeginDoc();
  engine.DrawImage(TvnRect{60, 60, 100, 80}, PngGraphic(source));
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(QpdfProblems(pdf, "turned.pdf"), "");
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  // A quarter turn anticlockwise about (60, 60): the pixel right u, down v
  // of the corner lands right v, up u of it.
  const Bitmap page = image_testing::RenderPage(pdf, 1, 96 * 8);
  int worst = 0;
  for (int v = 0; v < 20; ++v)
    for (int u = 0; u < 40; ++u) {
      const BGRA shown = page.Pixel(static_cast<int>((60 + v + 0.5) * 8), static_cast<int>((60 - u - 0.5) * 8));
      const BGRA want = source.Pixel(u, v);
      worst = std::max({worst, std::abs(shown.R - want.R), std::abs(shown.G - want.G), std::abs(shown.B - want.B)});
    }
  EXPECT_LE(worst, 2);
}

TEST_F(PdfImages, AKeptStreamThatIsNoJpegIsWrittenAsRows) {
  const Bitmap source = Colourful();
  engine.BeginDoc();
  engine.DrawImageStream(TvnRect{20, 30, 33, 37}, PngGraphic(source));
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(QpdfProblems(pdf, "png-stream.pdf"), "");
  const std::vector<int> images = ImageObjects(pdf);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(ObjectOf(pdf, images[0]).find("DCTDecode"), std::string::npos);
  EXPECT_EQ(testing::Inflate(StreamOf(pdf, images[0])), source.ToRGB24OnWhite());
}

TEST_F(PdfImages, ADamagedJpegStreamFailsTheDocument) {
  engine.BeginDoc();
  vn::TMemoryStream stream;
  stream.WriteString(std::string("\xFF\xD8\xFF\xC0\x00\x02", 6));
  engine.DrawJPEGDirect(TvnRect{0, 0, 10, 10}, 10, 10, stream);
  EXPECT_THROW(engine.EndDoc(), platform::EImageDecodeError);
}

TEST_F(PdfImages, BackgroundPictureIsAnImageObjectOfItsPattern) {
  const Bitmap source = Colourful();
  engine.ImageSettings().SetOutputImageFormat(TvnOutputImageFormat::ifBMP);
  vn::exporter::TPicture picture;
  const FileGraphic graphic = PngGraphic(source);
  picture.SetGraphic(&graphic);
  engine.SetBackgroundImage(picture);
  engine.SetBackgroundImageDisplayType(vn::exporter::TvnBackgroundDisplayType::dtTopLeft);
  engine.BeginDoc();
  engine.NewPage();
  engine.EndDoc();
  const std::string pdf = engine.Bytes();
  EXPECT_EQ(QpdfProblems(pdf, "background.pdf"), "");
  const std::vector<int> images = ImageObjects(pdf);
  ASSERT_EQ(images.size(), 1u);  // written once, for the first page
  EXPECT_NE(ObjectOf(pdf, images[0]).find("<<\r\n/Type/XObject/Subtype/Image/Name/Img0/Width 13/Height 7/BitsPerComponent 8"
                                          "/ColorSpace/DeviceRGB/Filter/FlateDecode/Length "),
            std::string::npos)
      << ObjectOf(pdf, images[0]);
  EXPECT_EQ(testing::Inflate(StreamOf(pdf, images[0])), source.ToRGB24OnWhite());
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
  // The picture is 13 x 7 points at the page's top-left corner.
  const Bitmap page = image_testing::RenderPage(pdf, 1, 72 * 8);
  EXPECT_LE(MaxDifference(image_testing::SampleCentres(page, 0, 0, 13 * 8, 7 * 8, 13, 7), source), 2);
}

TEST_F(PdfImages, AnImageOfNoWidthIsPlacedOnePixelWide) {
  engine.BeginDoc();
  vn::TMemoryStream jpeg;
  jpeg.WriteString(Fixture("jpeg_gray.jpg"));
  engine.DrawJPEGDirect(TvnRect{8, 4, 8, 24}, 13, 7, jpeg);
  engine.EndDoc();
  EXPECT_NE(testing::PageContents(engine.Bytes()).at(0).find("\r\nq\r\n0.7500 0 0 15.0000 6.0000 72.0000 cm\r\n/Img"),
            std::string::npos);
}

TEST(ImageItemBitmap, FormsOfThePicture) {
  Bitmap picture(4, 2, PixelFormat::pf24bit);
  for (int x = 0; x < 4; ++x) {
    picture.SetPixel(x, 0, BGRA{0, 0, static_cast<uint8_t>(x * 60), 255});
    picture.SetPixel(x, 1, BGRA{0, 200, 0, 255});
  }
  TvnImageItemLayout layout;
  layout.Capabilities = {vn::exporter::TvnCapabilityKind::ckImageFrame, vn::exporter::TvnCapabilityKind::ckImageStretch};
  layout.PageWidth = 100;
  layout.PageHeight = 100;
  vn::exporter::TvnImageItem item(TvnRect{0, 0, 6, 4});
  item.Brush.Color = 0x0000FF;  // red
  // Centred in a larger box: filled around with the brush.
  item.Settings.Center = true;
  Bitmap b = GetImageItemBitmap(picture, item, layout);
  ASSERT_EQ(b.Width(), 6);
  ASSERT_EQ(b.Height(), 4);
  EXPECT_EQ(b.Pixel(0, 0), (BGRA{0, 0, 255, 255}));
  EXPECT_EQ(b.Pixel(1, 1), picture.Pixel(0, 0));
  EXPECT_EQ(b.Pixel(4, 2), picture.Pixel(3, 1));
  // Centred in a smaller box: the middle is cut out.
  item.Width = 2;
  item.Height = 2;
  b = GetImageItemBitmap(picture, item, layout);
  ASSERT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Pixel(0, 0), picture.Pixel(1, 0));
  // Stretched within the page: the picture at its own size.
  item.Settings.Center = false;
  item.Settings.Stretch = true;
  item.Width = 40;
  item.Height = 40;
  b = GetImageItemBitmap(picture, item, layout);
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(MaxDifference(b, picture), 0);
  // Autosize to a larger or smaller size: never enlarged, scaled down.
  item.Settings.Stretch = false;
  item.Settings.Autosize = true;
  EXPECT_EQ(GetImageItemBitmap(picture, item, layout).Width(), 4);
  item.Width = 2;
  item.Height = 1;
  b = GetImageItemBitmap(picture, item, layout);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 1);
  item.Settings.Autosize = false;
  // A box far beyond any picture is refused, not allocated.
  item.Width = item.Height = 1e6;
  EXPECT_THROW(GetImageItemBitmap(picture, item, layout), platform::EImageDecodeError);
  // Transparency goes onto the brush colour; a one-bit pixel format thresholds.
  Bitmap clear(1, 1, PixelFormat::pf32bit);
  clear.SetHasAlpha(true);
  clear.SetPixel(0, 0, BGRA{0, 0, 0, 0});
  item.Settings.Stretch = false;
  item.Width = item.Height = 1;
  EXPECT_EQ(GetImageItemBitmap(clear, item, layout).Pixel(0, 0), (BGRA{0, 0, 255, 255}));
  item.Settings.ImagePixelFormat = vn::exporter::TPixelFormat::pf1bit;
  EXPECT_EQ(GetImageItemBitmap(clear, item, layout).Format(), PixelFormat::pf1bit);
}

}  // namespace
}  // namespace vn::pdfwriter::pdf_images_test
