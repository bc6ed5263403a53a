// Images painted by the rendering device onto pixels: upright images cover
// whole pixels, samples enlarged four times or more are replicated over
// whole pixels, smaller enlargements (and images asking for interpolation)
// blend each sample into the next, images shown at half their samples or
// less average them; and Type 3 glyphs that give their box
// (d1) paint in the text's colour.
#include <array>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "pdfdocument/page_renderer.h"
#include "pdfdocument/pd_image_device.h"
#include "pdfdocument/pdf_document_handler.h"
#include "platform/images/image_codecs.h"
#include "support/pdf_files.h"

namespace vn::pdfdoc::pd_image_device_images_test {

namespace gfx = vn::platform::gfx;

std::string Stream(const std::string& AEntries, const std::string& AData) {
  return "<< /Length " + std::to_string(AData.size()) + " " + AEntries + " >>\nstream\n" + AData + "\nendstream";
}

// A gray image XObject of AWidth x 1 samples given in hex.
std::string GrayRow(int AWidth, const std::string& AHex, const std::string& AExtra = "") {
  return Stream("/Type /XObject /Subtype /Image /Width " + std::to_string(AWidth) +
                    " /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Filter /ASCIIHexDecode " + AExtra,
                AHex + ">");
}

std::string WritePage(const std::string& ABox, const std::string& AResources, const std::string& AContent,
                      const std::vector<std::string>& AObjects) {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [" + ABox + "] /Resources << " + AResources + " >> /Contents 4 0 R >>",
      Stream("", AContent)};
  objects.insert(objects.end(), AObjects.begin(), AObjects.end());
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "device_images.pdf";
  std::ofstream(file, std::ios::binary) << vn::test_support::PdfOfObjects(objects);
  return file.string();
}

// The page painted at 72 dpi onto cairo.
vn::platform::Bitmap Paint(const std::string& ABox, const std::string& AResources, const std::string& AContent,
                           const std::vector<std::string>& AObjects) {
  TvnPDFDocumentHandler handler;
  handler.LoadDocument(WritePage(ABox, AResources, AContent, AObjects));
  return RenderPageToBitmap(*handler.GetPage(1), 72);
}

// The gray level (the red channel) of the pixels of row AY.
std::vector<int> Row(const vn::platform::Bitmap& ABitmap, int AY) {
  std::vector<int> out;
  const std::span<const uint8_t> row = ABitmap.Row(AY);
  for (int x = 0; x < ABitmap.Width(); ++x) out.push_back(row[4 * static_cast<size_t>(x) + 2]);
  return out;
}

TEST(ImageDeviceImages, SamplesOnPixels) {
  struct Case {
    const char* Name;
    const char* Box;
    const char* Content;
    std::string Image;
    std::vector<int> Pixels;  // row 0, within one level
  };
  const Case cases[] = {
      // 3 samples over 13 pixels: sample i covers pixels floor(13 i / 3)
      // up to the next sample's: 4, 4 and 5 pixels.
      {"replicated", "0 0 13 1", "13 0 0 1 0 0 cm /Im Do", GrayRow(3, "0080FF"),
       {0, 0, 0, 0, 128, 128, 128, 128, 255, 255, 255, 255, 255}},
      // Twice: pixel x shows sample x / 2, blended; the last ends flat.
      {"blended", "0 0 4 1", "4 0 0 1 0 0 cm /Im Do", GrayRow(2, "00FF"), {0, 128, 255, 255}},
      // Four times with /Interpolate: blended as well.
      {"interpolated", "0 0 8 1", "8 0 0 1 0 0 cm /Im Do", GrayRow(2, "00FF", "/Interpolate true"),
       {0, 64, 128, 191, 255, 255, 255, 255}},
      // The same without /Interpolate: replicated.
      {"sharp", "0 0 8 1", "8 0 0 1 0 0 cm /Im Do", GrayRow(2, "00FF"), {0, 0, 0, 0, 255, 255, 255, 255}},
      // A black image from x 2.3 to 7.8: pixels 2 to 7 wholly black, no
      // half-covered edge.
      {"whole pixels", "0 0 10 1", "5.5 0 0 1 2.3 0 cm /Im Do", GrayRow(1, "00"),
       {255, 255, 0, 0, 0, 0, 0, 0, 255, 255}},
      // Twenty samples to a pixel: each pixel their average, a thin dark
      // stroke (samples 9 and 10) a light gray instead of lost or whole.
      {"averaged", "0 0 2 1", "2 0 0 1 0 0 cm /Im Do",
       GrayRow(40, std::string(18, 'F') + "0000" + std::string(58, 'F')), {230, 255}},
  };
  for (const Case& c : cases) {
    const vn::platform::Bitmap pixels = Paint(c.Box, "/XObject << /Im 5 0 R >>", c.Content, {c.Image});
    ASSERT_EQ(pixels.Width(), static_cast<int>(c.Pixels.size())) << c.Name;
    const std::vector<int> row = Row(pixels, 0);
    for (size_t x = 0; x < row.size(); ++x) EXPECT_NEAR(row[x], c.Pixels[x], 1) << c.Name << " pixel " << x;
  }
}

// The hex digits of a black JPEG of AWidth x AHeight pixels, and ">".
std::string BlackJpegHex(int AWidth, int AHeight) {
  vn::platform::Bitmap black(AWidth, AHeight, vn::platform::PixelFormat::pf32bit);
  for (int y = 0; y < AHeight; ++y) {
    std::span<uint8_t> row = black.MutableRow(y);
    for (size_t i = 0; i < row.size(); ++i) row[i] = i % 4 == 3 ? 255 : 0;
  }
  std::string hex;
  for (unsigned char c : vn::platform::EncodeJpeg(black)) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex + ">";
}

TEST(ImageDeviceImages, SamplesTheDataLacksAreNotPainted) {
  // A 4 x 2 image on a 4 x 2 page whose data ends after three samples:
  // the rest shows the white page, not black samples made up for it.
  struct Case {
    const char* Name;
    std::string Image;
  };
  const Case cases[] = {
      {"gray", Stream("/Type /XObject /Subtype /Image /Width 4 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceGray "
                      "/Filter /ASCIIHexDecode",
                      "000000>")},
      // A stencil's 0 samples paint the fill colour: missing ones do not.
      {"stencil", Stream("/Type /XObject /Subtype /Image /Width 4 /Height 2 /BitsPerComponent 1 /ImageMask true "
                         "/Filter /ASCIIHexDecode",
                         ">")},
      // The missing samples of a DCT image declared larger than its data.
      {"short JPEG", Stream("/Type /XObject /Subtype /Image /Width 4 /Height 2 /BitsPerComponent 8 "
                            "/ColorSpace /DeviceRGB /Filter [/ASCIIHexDecode /DCTDecode]",
                            BlackJpegHex(3, 1))},
  };
  for (const Case& c : cases) {
    const vn::platform::Bitmap pixels =
        Paint("0 0 4 2", "/XObject << /Im 5 0 R >>", "0 g 4 0 0 2 0 0 cm /Im Do", {c.Image});
    ASSERT_EQ(pixels.Width(), 4) << c.Name;
    const bool stencil = std::string(c.Name) == "stencil";
    const std::vector<int> top = Row(pixels, 0), bottom = Row(pixels, 1);
    for (int x = 0; x < 4; ++x) {
      EXPECT_NEAR(top[static_cast<size_t>(x)], x < 3 && !stencil ? 0 : 255, 2) << c.Name << " pixel " << x;
      EXPECT_NEAR(bottom[static_cast<size_t>(x)], 255, 2) << c.Name << " pixel " << x;
    }
  }
}

TEST(ImageDeviceImages, ShapeGlyphsPaintInTheTextColour) {
  // Glyph "a" gives its box (d1) and sets red for its fill and green for
  // its stroke; glyph "b" gives only its width (d0) and keeps its own red.
  // The text fills blue and strokes with a light gray.
  const std::string font =
      "/Font << /T3 << /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
      "/CharProcs << /a 5 0 R /b 6 0 R >> /Encoding << /Type /Encoding /Differences [97 /a /b] >> /FirstChar 97 "
      "/LastChar 98 /Widths [1000 1000] >> >>";
  const std::vector<std::string> procs = {
      Stream("", "1000 0 0 0 1000 1000 d1 1 0 0 rg 0 1 0 RG 0 0 500 1000 re f 200 w 750 0 m 750 1000 l S"),
      Stream("", "1000 0 d0 1 0 0 rg 0 0 1000 1000 re f")};
  const vn::platform::Bitmap pixels =
      Paint("0 0 20 10", font, "0 0 1 rg 0.8 G BT /T3 10 Tf 0 0 Td (ab) Tj ET", procs);
  auto at = [&](int x, int y) {
    const uint8_t* p = pixels.Row(y).data() + 4 * static_cast<size_t>(x);
    return std::array<int, 3>{p[2], p[1], p[0]};
  };
  // The d1 glyph's fill and stroke are blue; the d0 glyph's fill is red.
  EXPECT_EQ(at(2, 5), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(at(7, 5), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(at(15, 5), (std::array<int, 3>{255, 0, 0}));
}

}  // namespace vn::pdfdoc::pd_image_device_images_test
