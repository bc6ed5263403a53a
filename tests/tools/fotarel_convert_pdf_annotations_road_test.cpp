// End to end: PDF files with annotations (notes, stamps, free text, lines,
// shapes with and without appearances, markup, file attachments, filled
// form fields) converted by the fotarel-convert program show the
// annotations' appearances as pdftoppm draws them, at 96 dpi, in PNG
// output and in PDF output (drawn again by pdftoppm), and the PDF output
// passes qpdf --check. Each page's difference is printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdfdocument/page_render_testing.h"
#include "platform/images/image_codecs.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "tools/road_test_support.h"

namespace fotarel_convert_pdf_annotations_road_test {
namespace {

namespace fs = std::filesystem;
using vn::pdf::testing::RunProgram;
using vn::pdfdoc::page_render_testing::NormalisedRmse;

const fs::path kCorpus = fs::path(VN_CORPUS_DIR) / "pdf";
const fs::path kFixture = fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "annotations" / "annotations.pdf";

// The first page of each: the corpus files whose annotations have
// appearances (or are shapes a reader draws without one), and the fixture
// with one annotation of every subtype.
std::vector<fs::path> Inputs() {
  std::vector<fs::path> inputs;
  for (const char* name :
       {"pdfjs_annotation-fileattachment.pdf", "pdfjs_annotation-freetext.pdf",
        "pdfjs_annotation-highlight-without-appearance.pdf", "pdfjs_annotation-ink-without-appearance.pdf",
        "pdfjs_annotation-line.pdf", "pdfjs_annotation-link-text-popup.pdf",
        "pdfjs_annotation-square-circle-without-appearance.pdf", "pdfjs_annotation-stamp.pdf",
        "pdfjs_annotation-tx3.pdf", "pdfjs_annotation-button-widget.pdf", "pdfjs_form_two_pages.pdf",
        "pdfjs_resetform.pdf", "pdfjs_issue17215.pdf", "qpdf_annotations-rotated-90.pdf", "qpdf_field-types.pdf",
        "qpdf_form-filled-with-atril.pdf", "qpdf_digitally-signed.pdf", "pdfjs_acroform_calculation_order.pdf",
        "pdfjs_file_pdfjs_form.pdf"})
    if (fs::exists(kCorpus / name)) inputs.push_back(kCorpus / name);
  inputs.push_back(kFixture);
  return inputs;
}

vn::platform::Bitmap ReadPng(const fs::path& APath) {
  const std::string bytes = vn::ReadFileBytes(APath);
  return vn::platform::DecodePng(std::as_bytes(std::span(bytes.data(), bytes.size())));
}

class PdfAnnotationsRoad : public vn::road_test::RoadTest {
 protected:
  PdfAnnotationsRoad() : RoadTest("vn_pdf_annotations_road_", {"qpdf", "pdftoppm"}) {}

  int Convert(const std::string& ATo, const fs::path& AOut, const std::vector<fs::path>& AInputs) {
    std::vector<std::string> args = {FOTAREL_CONVERT, "--to", ATo, "--out", AOut.string()};
    for (const fs::path& input : AInputs) args.push_back(input.string());
    return RunProgram(args);
  }
  // Page 1 of the file drawn by pdftoppm at 96 dpi.
  vn::platform::Bitmap Pdftoppm(const fs::path& AFile, const std::string& AName) {
    const fs::path root = FDir / "ref" / AName;
    if (RunProgram({"pdftoppm", "-r", "96", "-png", "-f", "1", "-l", "1", "-singlefile", AFile.string(),
                    root.string()}) != 0)
      return {};
    return ReadPng(root.string() + ".png");
  }
};

TEST_F(PdfAnnotationsRoad, ConvertedPagesShowTheAppearancesAsPdftoppmDoes) {
  const std::vector<fs::path> inputs = Inputs();
  ASSERT_EQ(Convert(".png", FDir / "png", inputs), 0);
  ASSERT_EQ(Convert(".pdf", FDir / "pdf", inputs), 0);
  fs::create_directories(FDir / "ref");
  for (const fs::path& input : inputs) {
    const std::string stem = input.stem().string();
    SCOPED_TRACE(stem);
    const vn::platform::Bitmap reference = Pdftoppm(input, stem);
    ASSERT_FALSE(reference.Empty());
    // A file of several pages gives one picture per page.
    fs::path png = FDir / "png" / (stem + ".png");
    if (!fs::exists(png)) png = FDir / "png" / (stem + "_1.png");
    ASSERT_TRUE(fs::exists(png)) << png;
    const double png_rmse = NormalisedRmse(ReadPng(png), reference);
    const fs::path pdf = FDir / "pdf" / (stem + ".pdf");
    std::string check;
    EXPECT_EQ(RunProgram({"qpdf", "--check", pdf.string()}, &check), 0) << check;
    const vn::platform::Bitmap redrawn = Pdftoppm(pdf, stem + "_out");
    ASSERT_FALSE(redrawn.Empty());
    const double pdf_rmse = NormalisedRmse(redrawn, reference);
    std::cout << "annotation road rmse " << stem << " png " << png_rmse << " pdf " << pdf_rmse << "\n";
    EXPECT_GE(png_rmse, 0);  // -1: the sizes differ
    EXPECT_LE(png_rmse, 0.06);
    EXPECT_GE(pdf_rmse, 0);
    EXPECT_LE(pdf_rmse, 0.06);
  }
}

}  // namespace
}  // namespace fotarel_convert_pdf_annotations_road_test
