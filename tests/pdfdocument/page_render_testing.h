// Test helpers of the page rendering tests: a page recorded into a metafile
// and painted onto a picture as the converter does both, a recording played
// back on cairo, the same page rendered by pdftoppm, and the normalised
// difference of two pictures.
#pragma once

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "support/paths.h"
#include "pdfdocument/pdf_document.h"
#include "platform/canvas/cairo_canvas.h"
#include "platform/canvas/metafile_player.h"
#include "platform/emf/emf_reader.h"
#include "platform/images/image_codecs.h"
#include "runtime/strings.h"

namespace vn::pdfdoc::page_render_testing {

// The first page of a PDF file as the converter records it for a PDF
// output: the PDF document type opens the file (predefined CMaps from the
// installed CMap data, as in the converter) and copies the page into a
// PDF document, which draws it into a metafile at 96 dpi of the page's
// size rounded to whole pixels. Empty when the file cannot be opened or
// has no page. AWidth x AHeight gets the metafile's size.
inline std::string RecordFirstPage(const std::filesystem::path& APdf, int& AWidth, int& AHeight) {
  TvnqPDFDocument source, copy;
  try {
    source.LoadFromFile(vn::FromUtf8(APdf.string()), u"");
    if (source.GetPageCount() < 1) return std::string();
    copy.Assign(&source, u"1");
  } catch (const std::exception&) {
    return std::string();
  }
  auto* page = dynamic_cast<TvnqPDFPage*>(copy.GetPage(1));
  const std::unique_ptr<TMetafile> metafile = page ? page->GetMetafile() : nullptr;
  if (!metafile) return std::string();
  AWidth = metafile->Width;
  AHeight = metafile->Height;
  return metafile->Bytes;
}

// The first page of a PDF file as the converter paints it for a picture
// output: the PDF document type draws it onto a cairo canvas of the page's
// size at 96 dpi, rounded to whole pixels (asking for 72 dpi, as the
// picture documents do). Empty when the file cannot be opened or has no
// page.
inline vn::platform::Bitmap PaintFirstPage(const std::filesystem::path& APdf) {
  TvnqPDFDocument source;
  try {
    source.LoadFromFile(vn::FromUtf8(APdf.string()), u"");
    auto* page = dynamic_cast<TvnqPDFPage*>(source.GetPage(1));
    if (!page) return {};
    const TvnPageSize size = page->GetPageSize();
    const int width = static_cast<int>(std::lround(size.Width)), height = static_cast<int>(std::lround(size.Height));
    if (width < 1 || height < 1) return {};
    vn::platform::CairoCanvas canvas(width, height);
    page->Draw(&canvas, width, height, 72, 72, 0);
    return canvas.Pixels();
  } catch (const std::exception&) {
    return {};
  }
}

// A recorded page played onto a white cairo canvas of the page's size.
inline vn::platform::Bitmap PlayOnCairo(const std::string& AEmf, int AWidth, int AHeight) {
  const vn::platform::emf::EmfFile file(AEmf);
  vn::platform::CairoCanvas canvas(AWidth, AHeight);
  vn::platform::DrawPageMetafile(file, canvas, AWidth, AHeight, 0);
  return canvas.Pixels();
}

// Page APage of a PDF file as pdftoppm renders it at ADPI (one process, no
// shell); empty when it fails.
inline vn::platform::Bitmap Pdftoppm(const std::filesystem::path& APdf, double ADPI, int APage = 1) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "pdftoppm_page";
  const std::string page = std::to_string(APage);
  std::filesystem::remove(root.string() + ".png");
  const int status = vn::pdf::testing::RunProgram({"pdftoppm", "-q", "-cropbox", "-png", "-r", std::to_string(static_cast<int>(ADPI)),
                                                   "-f", page, "-l", page, "-singlefile", APdf.string(), root.string()});
  std::ifstream in(root.string() + ".png", std::ios::binary);
  const std::string png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (status != 0 || png.empty()) return {};
  try {
    return vn::platform::DecodePng(vn::platform::AsBytes(png));
  } catch (const std::exception&) {
    return {};
  }
}

// The root mean square difference of the two pictures' RGB channels after
// both are flattened onto white, over 255 (0 same, 1 black against white);
// -1 when their sizes differ by more than a pixel (one pixel of rounding
// is cut off the larger).
inline double NormalisedRmse(const vn::platform::Bitmap& AFirst, const vn::platform::Bitmap& ASecond) {
  using vn::platform::PixelFormat;
  const vn::platform::Bitmap A = AFirst.Format() == PixelFormat::pf32bit ? AFirst : AFirst.ConvertTo(PixelFormat::pf32bit);
  const vn::platform::Bitmap B = ASecond.Format() == PixelFormat::pf32bit ? ASecond : ASecond.ConvertTo(PixelFormat::pf32bit);
  if (A.Empty() || B.Empty() || std::abs(A.Width() - B.Width()) > 1 || std::abs(A.Height() - B.Height()) > 1)
    return -1;
  const int w = std::min(A.Width(), B.Width()), h = std::min(A.Height(), B.Height());
  std::vector<uint8_t> ra(static_cast<size_t>(A.Width()) * 3), rb(static_cast<size_t>(B.Width()) * 3);
  double sum = 0;
  for (int y = 0; y < h; ++y) {
    vn::platform::RowToBgrOnWhite(A, y, ra.data());
    vn::platform::RowToBgrOnWhite(B, y, rb.data());
    for (size_t i = 0; i < static_cast<size_t>(w) * 3; ++i) {
      const double d = static_cast<double>(ra[i]) - rb[i];
      sum += d * d;
    }
  }
  return std::sqrt(sum / (static_cast<double>(w) * h * 3)) / 255.0;
}

}  // namespace vn::pdfdoc::page_render_testing
