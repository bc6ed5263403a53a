// Test helpers of the PDF image tests: running the PDF tools (pdftoppm,
// pdfimages, qpdf) on bytes the tests made, and a one-page PDF around a
// single image object so a coded picture can be rendered on its own.
#pragma once

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/images/image_codecs.h"
#include "support/pdf_files.h"
#include "support/prerequisites.h"

namespace vn::pdfwriter::image_testing {

// A folder of its own for one test, removed with the object.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vn_pdfimg_XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Page `page` (1-based) of a PDF rendered by pdftoppm at `dpi`, as a bitmap;
// an empty bitmap when the tool fails.
inline platform::Bitmap RenderPage(const std::string& pdf, int page = 1, int dpi = 72) {
  ScratchDir dir;
  const auto file = dir.Write("in.pdf", pdf);
  const auto out = dir.Path() / "page";
  const std::string command = "pdftoppm -q -png -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " +
                              std::to_string(page) + " -singlefile '" + file.string() + "' '" + out.string() + "'";
  if (std::system(command.c_str()) != 0) return {};
  const std::string png = ReadFileBytes(dir.Path() / "page.png");
  if (png.empty()) return {};
  return platform::DecodePng(platform::AsBytes(png));
}

// The colours at the centres of a cols x rows grid over a rendered area
// (left, top, width, height in rendered pixels): with a picture rendered at
// several pixels per image pixel, the centres show its pixels exactly, free
// of the renderer's smoothing at pixel edges.
inline platform::Bitmap SampleCentres(const platform::Bitmap& page, double left, double top, double width, double height,
                                      int cols, int rows) {
  platform::Bitmap out(cols, rows, platform::PixelFormat::pf24bit);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < cols; ++x) {
      const int px = static_cast<int>(left + (x + 0.5) * width / cols);
      const int py = static_cast<int>(top + (y + 0.5) * height / rows);
      if (px >= 0 && py >= 0 && px < page.Width() && py < page.Height()) out.SetPixel(x, y, page.Pixel(px, py));
    }
  return out;
}

// CCITT data wrapped in a one-strip TIFF and decoded by libtiff's fax
// decoder, as a one-bit bitmap (a set bit white). Group 3 data are read as
// Modified Huffman rows without byte alignment (libtiff's CCITT RLE coding
// with the alignment turned off). An empty bitmap when libtiff fails.
inline platform::Bitmap FaxDecodeWithLibtiff(const std::string& coded, int width, int height, bool group4) {
  TIFFSetWarningHandler(nullptr);
  ScratchDir dir;
  const std::string path = (dir.Path() / "fax.tif").string();
  TIFF* out = TIFFOpen(path.c_str(), "w");
  if (!out) return {};
  TIFFSetField(out, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(out, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, height);
  TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(out, TIFFTAG_COMPRESSION, group4 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTRLE);
  TIFFWriteRawStrip(out, 0, const_cast<char*>(coded.data()), static_cast<tmsize_t>(coded.size()));
  TIFFClose(out);

  TIFF* in = TIFFOpen(path.c_str(), "r");
  if (!in) return {};
  if (!group4) TIFFSetField(in, TIFFTAG_FAXMODE, FAXMODE_NORTC | FAXMODE_NOEOL);
  platform::Bitmap result(width, height, platform::PixelFormat::pf1bit);
  std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(in)));
  const tmsize_t got = TIFFReadEncodedStrip(in, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
  TIFFClose(in);
  if (got != static_cast<tmsize_t>(strip.size())) return {};
  const size_t row_bytes = (static_cast<size_t>(width) + 7) / 8;
  for (int y = 0; y < height; ++y)  // min-is-white: a set bit is black
    for (size_t i = 0; i < row_bytes; ++i)
      result.MutableRow(y)[i] = static_cast<uint8_t>(~strip[static_cast<size_t>(y) * row_bytes + i]);
  return result;
}

// A one-page PDF whose page (width x height points) shows one image object
// with the given dictionary entries and stream data, scaled over the page.
inline std::string SingleImagePdf(const std::string& image_entries, const std::string& data, int width, int height) {
  std::vector<std::string> objects;
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(width) + " " + std::to_string(height) +
                    "] /Resources << /XObject << /Im 5 0 R >> >> /Contents 4 0 R >>");
  const std::string content = "q " + std::to_string(width) + " 0 0 " + std::to_string(height) + " 0 0 cm /Im Do Q";
  objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  objects.push_back("<< /Type /XObject /Subtype /Image " + image_entries + " /Length " + std::to_string(data.size()) +
                    " >>\nstream\n" + data + "\nendstream");
  return vn::test_support::PdfOfObjects(objects);
}

}  // namespace vn::pdfwriter::image_testing
