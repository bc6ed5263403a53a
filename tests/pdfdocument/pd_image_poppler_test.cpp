// Images read through TvnPDImage (samples, Decode, colour map, masks)
// against the images pdfimages (poppler) writes for the same PDF: gray, RGB
// and Indexed images of every depth equal its PNG output exactly; CMYK
// samples equal its raw TIFF output and their RGB lies within a small
// tolerance of its conversion, as does the RGB of a Separation image;
// stencil, explicit and soft masks equal the mask images it writes
// separately. The same comparison runs over the Flate and uncompressed
// images of a few corpus files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/base_doc.h"
#include "pdf/pdf_corpus.h"
#include "pdfdocument/pd_image.h"
#include "pdfdocument/pd_image_stream.h"
#include "platform/images/image_codecs.h"
#include "support/paths.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::pd_image_poppler_test {

namespace fs = std::filesystem;
using vn::pdf::testing::Quote;
using vn::pdf::testing::RunTool;

using Rgb = std::array<int, 3>;

std::string FileBytes(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

vn::platform::Bitmap ReadPngFile(const fs::path& APath) {
  const std::string bytes = FileBytes(APath);
  return vn::platform::DecodePng(std::as_bytes(std::span(bytes.data(), bytes.size())));
}

// The strip of an uncompressed little-endian TIFF as pdfimages -tiff writes
// it (one strip); empty when the file is not laid out that way.
std::string TiffSamples(const fs::path& APath) {
  const std::string f = FileBytes(APath);
  auto u16 = [&](size_t at) { return at + 2 <= f.size() ? size_t(uint8_t(f[at])) | size_t(uint8_t(f[at + 1])) << 8 : 0; };
  auto u32 = [&](size_t at) { return at + 4 <= f.size() ? u16(at) | u16(at + 2) << 16 : 0; };
  if (f.compare(0, 4, std::string("II*\0", 4)) != 0) return {};
  const size_t ifd = u32(4);
  size_t offset = 0, count = 0;
  for (size_t i = 0, n = u16(ifd); i < n; ++i) {
    const size_t entry = ifd + 2 + 12 * i;
    const size_t type = u16(entry + 2);
    const size_t value = type == 3 ? u16(entry + 8) : u32(entry + 8);
    if (u16(entry) == 273) offset = value;
    if (u16(entry) == 279) count = value;
  }
  return offset + count <= f.size() ? f.substr(offset, count) : std::string();
}

// Our reading of an image: per pixel its samples and its colour (gray for
// one-component gray spaces and masks, RGB otherwise), 0 to 255.
struct Decoded {
  int Width = 0, Height = 0;
  std::vector<std::vector<uint8_t>> Samples;
  std::vector<Rgb> Colours;
};

Decoded DecodeImage(TvnPDImage& AImage) {
  Decoded out;
  out.Width = AImage.Width();
  out.Height = AImage.Height();
  TvnPDColorSpace* space = AImage.ColorSpace();
  const int comps = space ? space->GetNoOfComps() : 1;
  TvnPDImageColorMap* map = AImage.ColorMap();
  const bool gray = !space || (comps == 1 && space->GetMode() != TvnColorSpaceMode::csIndexed &&
                               space->GetMode() != TvnColorSpaceMode::csSeparation);
  AImage.XObjectStream()->Reset();
  TvnPDImageStream lines(AImage.XObjectStream()->GetStream(), out.Width, comps, AImage.BitsPerComponent());
  for (int y = 0; y < out.Height; ++y) {
    const std::vector<uint8_t>& line = lines.GetLine();
    for (int x = 0; x < out.Width; ++x) {
      const size_t at = static_cast<size_t>(x * comps);
      out.Samples.emplace_back(line.begin() + static_cast<std::ptrdiff_t>(at),
                               line.begin() + static_cast<std::ptrdiff_t>(at + static_cast<size_t>(comps)));
      if (!map->IsOk()) continue;
      if (gray) {
        int32_t g = 0;
        map->GetGray(line, at, g);
        out.Colours.push_back({ColorCompToByte(g), ColorCompToByte(g), ColorCompToByte(g)});
      } else {
        TvnRGB c;
        map->GetRGB(line, at, c);
        out.Colours.push_back({ColorCompToByte(c.R), ColorCompToByte(c.G), ColorCompToByte(c.B)});
      }
    }
  }
  return out;
}

// The largest difference of any channel between our colours and the PNG's
// pixels; -1 when the sizes differ. pdfimages writes a full-scale channel
// of a 16-bit image as 0 (its 16-bit value overflows); with
// AFullScaleWraps such a channel counts as equal to our 255.
int MaxDifference(const Decoded& AOurs, const vn::platform::Bitmap& APng, bool AFullScaleWraps = false) {
  if (APng.Width() != AOurs.Width || APng.Height() != AOurs.Height ||
      AOurs.Colours.size() != static_cast<size_t>(AOurs.Width * AOurs.Height))
    return -1;
  int worst = 0;
  for (int y = 0; y < AOurs.Height; ++y)
    for (int x = 0; x < AOurs.Width; ++x) {
      const vn::platform::BGRA p = APng.Pixel(x, y);
      const Rgb& c = AOurs.Colours[static_cast<size_t>(y * AOurs.Width + x)];
      const int theirs[3] = {p.R, p.G, p.B};
      for (int i = 0; i < 3; ++i) {
        const int ours = c[static_cast<size_t>(i)];
        if (!(AFullScaleWraps && ours == 255 && theirs[i] == 0)) worst = std::max(worst, std::abs(ours - theirs[i]));
      }
    }
  return worst;
}

// pdfimages writes a 1-bit mask's samples inverted, whatever its Decode:
// white where the sample is 0. The number of pixels that differ; -1 when
// the sizes differ.
int MaskMismatches(const Decoded& AOurs, const vn::platform::Bitmap& APng) {
  if (APng.Width() != AOurs.Width || APng.Height() != AOurs.Height) return -1;
  int wrong = 0;
  for (int y = 0; y < AOurs.Height; ++y)
    for (int x = 0; x < AOurs.Width; ++x) {
      const bool white = APng.Pixel(x, y).R == 255;
      const bool zero = AOurs.Samples[static_cast<size_t>(y * AOurs.Width + x)][0] == 0;
      wrong += white != zero;
    }
  return wrong;
}

std::string StreamObject(const std::string& AEntries, const std::string& AData) {
  return "<< " + AEntries + " /Length " + std::to_string(AData.size()) + " >>\nstream\n" + AData + "\nendstream";
}

// Sample bytes of a fixed pattern.
std::string PatternBytes(size_t ACount) {
  std::string out;
  uint32_t x = 12345;
  for (size_t i = 0; i < ACount; ++i) {
    x = x * 1103515245u + 12345u;
    out += static_cast<char>(x >> 16);
  }
  return out;
}

// A palette of 256 gray levels in a scrambled order, as hex digits.
std::string GrayPaletteHex() {
  std::string hex;
  char byte[3];
  for (int i = 0; i < 256; ++i) {
    std::snprintf(byte, sizeof byte, "%02X", (i * 73 + 11) & 255);
    hex += byte;
  }
  return hex;
}

enum class Check { Exact, Index1, Cmyk, Separation, Stencil, ExplicitMask, SoftMask };

struct OracleCase {
  const char* Name;
  std::string Entries;  // of the image dictionary, object 5
  int Comps, Bits;
  Check Kind;
  const char* MaskEntries = nullptr;  // object 6, 5 x 2 samples of 1 or 8 bits
};

constexpr int kImageWidth = 5;
constexpr int kImageHeight = 2;

std::string OracleEntries(const OracleCase& ACase) {
  return std::string("/Type /XObject /Subtype /Image /Width 5 /Height 2 ") + ACase.Entries;
}

size_t DataSize(int AComps, int ABits) {
  return static_cast<size_t>((kImageWidth * AComps * ABits + 7) / 8 * kImageHeight);
}

class ImageOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!vn::test_support::HaveTool("pdfimages")) GTEST_SKIP() << "pdfimages is not installed";
    FDir = fs::temp_directory_path() / "pd_image_oracle";
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  fs::path FDir;
};

TEST_F(ImageOracle, ImagesAndMasksEqualPdfimages) {
  const OracleCase cases[] = {
      {"gray1", "/ColorSpace /DeviceGray /BitsPerComponent 1", 1, 1, Check::Exact},
      {"gray1_inverted", "/ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0]", 1, 1, Check::Exact},
      {"gray2_inverted", "/ColorSpace /DeviceGray /BitsPerComponent 2 /Decode [1 0]", 1, 2, Check::Exact},
      {"gray4_narrow", "/ColorSpace /DeviceGray /BitsPerComponent 4 /Decode [0.25 0.75]", 1, 4, Check::Exact},
      {"gray8", "/ColorSpace /DeviceGray /BitsPerComponent 8", 1, 8, Check::Exact},
      {"gray8_inverted", "/ColorSpace /DeviceGray /BitsPerComponent 8 /Decode [1 0]", 1, 8, Check::Exact},
      {"gray16", "/ColorSpace /DeviceGray /BitsPerComponent 16", 1, 16, Check::Exact},
      {"gray16_narrow", "/ColorSpace /DeviceGray /BitsPerComponent 16 /Decode [0.2 0.8]", 1, 16, Check::Exact},
      {"rgb1", "/ColorSpace /DeviceRGB /BitsPerComponent 1", 3, 1, Check::Exact},
      {"rgb2", "/ColorSpace /DeviceRGB /BitsPerComponent 2", 3, 2, Check::Exact},
      {"rgb4_decode", "/ColorSpace /DeviceRGB /BitsPerComponent 4 /Decode [1 0 0 1 0.5 1]", 3, 4, Check::Exact},
      {"rgb8", "/ColorSpace /DeviceRGB /BitsPerComponent 8", 3, 8, Check::Exact},
      {"rgb16", "/ColorSpace /DeviceRGB /BitsPerComponent 16", 3, 16, Check::Exact},
      {"indexed1_inverted", "/ColorSpace [/Indexed /DeviceRGB 1 <FF8000 0040C0>] /BitsPerComponent 1 /Decode [1 0]", 1,
       1, Check::Index1},
      {"indexed2", "/ColorSpace [/Indexed /DeviceRGB 3 <000000 FF0000 00FF00 1020F0>] /BitsPerComponent 2", 1, 2,
       Check::Exact},
      {"indexed4",
       "/ColorSpace [/Indexed /DeviceRGB 15 <000000 111111 222222 333333 444444 555555 666666 777777"
                       " 888888 999999 AAAAAA BBBBBB CCCCCC DDDDDD EEEEEE FF00FF>] /BitsPerComponent 4",
       1, 4, Check::Exact},
      {"indexed8_gray_base", "/ColorSpace [/Indexed /DeviceGray 255 <" + GrayPaletteHex() + ">] /BitsPerComponent 8", 1,
       8, Check::Exact},
      {"cmyk8", "/ColorSpace /DeviceCMYK /BitsPerComponent 8", 4, 8, Check::Cmyk},
      {"separation8",
       "/ColorSpace [/Separation /Spot /DeviceCMYK << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0]"
       " /C1 [0.2 0.9 0.1 0.05] /N 1 >>] /BitsPerComponent 8",
       1, 8, Check::Separation},
      {"stencil", "/ImageMask true", 1, 1, Check::Stencil},
      {"stencil_inverted", "/ImageMask true /Decode [1 0]", 1, 1, Check::Stencil},
      {"explicit_mask", "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask 6 0 R", 3, 8, Check::ExplicitMask,
       "/Type /XObject /Subtype /Image /Width 5 /Height 2 /ImageMask true"},
      {"soft_mask", "/ColorSpace /DeviceRGB /BitsPerComponent 8 /SMask 6 0 R", 3, 8, Check::SoftMask,
       "/Type /XObject /Subtype /Image /Width 5 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8"
       " /Decode [1 0]"},
  };
  int worst_cmyk = 0, worst_separation = 0;
  for (const OracleCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] /Contents 4 0 R"
        " /Resources << /XObject << /Im0 5 0 R >> >> >>",
        StreamObject("", "q 10 0 0 10 0 0 cm /Im0 Do Q"),
        StreamObject(OracleEntries(c), PatternBytes(DataSize(c.Comps, c.Bits))),
    };
    if (c.MaskEntries) {
      const std::string mask = c.MaskEntries;
      const bool one_bit = mask.find("/ImageMask true") != std::string::npos;
      std::string samples = PatternBytes(DataSize(1, one_bit ? 1 : 8));
      std::reverse(samples.begin(), samples.end());
      objects.push_back(StreamObject(mask, samples));
    }
    const std::string pdf = vn::test_support::PdfOfObjects(objects);
    const fs::path file = FDir / (std::string(c.Name) + ".pdf");
    std::ofstream(file, std::ios::binary) << pdf;
    const std::string prefix = (FDir / c.Name).string();
    ASSERT_EQ(RunTool("pdfimages -png " + Quote(file.string()) + " " + Quote(prefix)), 0);

    vn::pdf::TvnPDBaseDoc doc;
    doc.LoadDocument(file, "");
    TvnPDImage image(&doc, nullptr, doc.GetObject(5));
    const Decoded ours = DecodeImage(image);
    const vn::platform::Bitmap png = ReadPngFile(prefix + "-000.png");
    switch (c.Kind) {
      case Check::Exact:
        EXPECT_EQ(MaxDifference(ours, png, c.Bits == 16), 0);
        break;
      case Check::Index1: {
        // pdfimages writes a 1-bit image as its decoded bits, whatever the
        // space: white stands for index 1 of the palette.
        const Rgb palette[2] = {{0xFF, 0x80, 0x00}, {0x00, 0x40, 0xC0}};
        ASSERT_EQ(png.Width(), kImageWidth);
        ASSERT_EQ(ours.Colours.size(), size_t{kImageWidth * kImageHeight});
        for (int i = 0; i < kImageWidth * kImageHeight; ++i)
          EXPECT_EQ(ours.Colours[static_cast<size_t>(i)],
                    palette[png.Pixel(i % kImageWidth, i / kImageWidth).R == 255 ? 1 : 0])
              << "pixel " << i;
        break;
      }
      case Check::Cmyk: {
        ASSERT_EQ(RunTool("pdfimages -tiff " + Quote(file.string()) + " " + Quote(prefix + "_raw")), 0);
        const std::string raw = TiffSamples(prefix + "_raw-000.tif");
        std::string samples;
        for (const auto& s : ours.Samples) samples.append(s.begin(), s.end());
        EXPECT_EQ(samples, raw);
        worst_cmyk = MaxDifference(ours, png);
        EXPECT_GE(worst_cmyk, 0);
        EXPECT_LE(worst_cmyk, 24);
        break;
      }
      case Check::Separation:
        worst_separation = MaxDifference(ours, png);
        EXPECT_GE(worst_separation, 0);
        EXPECT_LE(worst_separation, 24);
        break;
      case Check::Stencil:
        EXPECT_TRUE(image.ImageMask());
        EXPECT_EQ(MaskMismatches(ours, png), 0);
        break;
      case Check::ExplicitMask: {
        EXPECT_EQ(MaxDifference(ours, png), 0);
        TvnPDImage* mask = image.Mask();
        ASSERT_NE(mask, nullptr);
        EXPECT_EQ(MaskMismatches(DecodeImage(*mask), ReadPngFile(prefix + "-001.png")), 0);
        break;
      }
      case Check::SoftMask: {
        EXPECT_EQ(MaxDifference(ours, png), 0);
        TvnPDImage* soft = image.SoftMask();
        ASSERT_NE(soft, nullptr);
        EXPECT_EQ(MaxDifference(DecodeImage(*soft), ReadPngFile(prefix + "-001.png")), 0);
        break;
      }
    }
  }
  RecordProperty("cmyk_max_rgb_difference", worst_cmyk);
  RecordProperty("separation_max_rgb_difference", worst_separation);
}


// ---- Corpus ----

struct ListedRow {
  std::string Type, Colour, Encoding;
  int Bits = 0;
  int64_t Object = -1;  // -1: inline; for a mask row, the image it masks
};

std::vector<ListedRow> ListRows(const std::string& AListing) {
  std::vector<ListedRow> rows;
  std::istringstream in(AListing);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.size() < 11 || w[0].find_first_not_of("0123456789") != std::string::npos) continue;
    ListedRow row;
    row.Type = w[2];
    row.Colour = w[5];
    row.Bits = std::atoi(w[7].c_str());
    row.Encoding = w[8];
    if (w[10].find_first_not_of("0123456789") == std::string::npos) row.Object = std::stoll(w[10]);
    rows.push_back(row);
  }
  return rows;
}

TEST_F(ImageOracle, CorpusImagesEqualPdfimages) {
  const fs::path corpus = fs::path(VN_CORPUS_DIR) / "pdf";
  if (!fs::exists(corpus)) GTEST_SKIP() << "corpus missing";
  const char* const files[] = {
      "pdfjs_bug900822.pdf",          "pdfjs_images_1bit_grayscale.pdf", "pdfjs_issue19326.pdf",
      "pdfjs_issue4379.pdf",          "pdfjs_issue9713.pdf",             "pdfjs_issue9972-1.pdf",
      "pdfjs_wikipedia.pdf",          "qpdf_image-streams-small.pdf",    "qpdf_nested-form-xobjects.pdf",
      "qpdf_png-filters.pdf",
  };
  int images = 0, masks = 0, skipped = 0, worst_cmyk = 0, worst_icc = 0;
  for (const char* name : files) {
    const fs::path file = corpus / name;
    if (!fs::exists(file)) continue;
    SCOPED_TRACE(name);
    std::string listing;
    ASSERT_EQ(RunTool("pdfimages -list " + Quote(file.string()), &listing), 0);
    const std::vector<ListedRow> rows = ListRows(listing);
    const std::string prefix = (FDir / "c").string();
    ASSERT_EQ(RunTool("pdfimages -png " + Quote(file.string()) + " " + Quote(prefix)), 0);
    vn::pdf::TvnPDBaseDoc doc;
    doc.LoadDocument(file, "");
    for (size_t i = 0; i < rows.size(); ++i) {
      const ListedRow& row = rows[i];
      // Inline images are the interpreter's; DCT and other codecs are
      // compared by the filters' own tests.
      const bool own_codec = row.Encoding == "image" || row.Encoding == "ccitt";
      if (row.Object < 0 || !own_codec) continue;
      SCOPED_TRACE("row " + std::to_string(i) + " object " + std::to_string(row.Object));
      char png_name[32];
      std::snprintf(png_name, sizeof png_name, "-%03zu.png", i);
      const vn::platform::Bitmap png = ReadPngFile(prefix + png_name);
      TvnPDImage listed(&doc, nullptr, doc.GetObject(row.Object));
      TvnPDImage* image = &listed;
      if (row.Type == "smask") image = listed.SoftMask();
      if (row.Type == "mask") image = listed.Mask();
      ASSERT_NE(image, nullptr);
      if (row.Type == "stencil" || row.Type == "mask") {
        EXPECT_EQ(MaskMismatches(DecodeImage(*image), png), 0);
        ++masks;
        continue;
      }
      // pdfimages writes 1-bit colour images as bits, and spaces named in
      // resources need the page.
      if ((row.Bits == 1 && row.Colour != "gray") || (!image->ColorSpace() && row.Type != "smask")) {
        ++skipped;
        continue;
      }
      const int difference = MaxDifference(DecodeImage(*image), png, row.Bits == 16);
      if (row.Colour == "cmyk" || row.Colour == "icc") {
        // pdfimages converts ICC-based colours through the profile; we use
        // the profile's component count.
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, row.Colour == "cmyk" ? 24 : 32);
        int& worst = row.Colour == "cmyk" ? worst_cmyk : worst_icc;
        worst = std::max(worst, difference);
      } else {
        EXPECT_EQ(difference, 0);
      }
      ++(row.Type == "smask" ? masks : images);
    }
  }
  std::printf("corpus images compared %d, masks %d, skipped %d; max RGB difference CMYK %d, ICC-based %d\n", images,
              masks, skipped, worst_cmyk, worst_icc);
  RecordProperty("corpus_images", images);
  RecordProperty("corpus_masks", masks);
  RecordProperty("corpus_cmyk_max_rgb_difference", worst_cmyk);
  RecordProperty("corpus_icc_max_rgb_difference", worst_icc);
  EXPECT_GT(images, 10);
  EXPECT_GT(masks, 3);
}

}  // namespace vn::pdfdoc::pd_image_poppler_test
