// End to end: pictures of every kind converted into PDF by the
// fotarel-convert program, checked with the PDF tools (qpdf, pdfinfo,
// pdftoppm) against the source pictures as ImageMagick decodes them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/paths.h"
#include "support/prerequisites.h"
#include "tools/road_test_support.h"

namespace fotarel_convert_pdf_road_test {

namespace fs = std::filesystem;

namespace {

const fs::path kMetafiles = fs::path(VN_FIXTURES_DIR) / "platform" / "emf";

using vn::road_test::CommandResult;
using vn::road_test::RunCommand;

std::string Slurp(const fs::path& P) {
  std::ifstream In(P, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

struct Image {
  int Width = 0, Height = 0;
  std::string Rgb;  // 8-bit R, G, B, row after row
};

// A binary PPM (P6, maxval 255).
Image ReadPpm(const std::string& Data) {
  Image I;
  std::istringstream S(Data);
  std::string Magic;
  int Max = 0;
  S >> Magic >> I.Width >> I.Height >> Max;
  S.get();
  if (Magic != "P6" || Max != 255) return {};
  I.Rgb = Data.substr(static_cast<size_t>(S.tellg()));
  if (I.Rgb.size() != static_cast<size_t>(I.Width) * I.Height * 3) return {};
  return I;
}

// Mean absolute difference per sample over the common area; sizes may
// differ by one pixel from rounding in the renderer.
double MeanDifference(const Image& A, const Image& B) {
  const int W = std::min(A.Width, B.Width), H = std::min(A.Height, B.Height);
  if (W == 0 || H == 0) return 1e9;
  double Sum = 0;
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W * 3; ++X)
      Sum += std::abs(int(uint8_t(A.Rgb[size_t(Y) * A.Width * 3 + X])) - int(uint8_t(B.Rgb[size_t(Y) * B.Width * 3 + X])));
  return Sum / (double(W) * H * 3);
}

class PdfRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* Tool : {"convert", "qpdf", "pdfinfo", "pdftoppm"})
      if (!vn::test_support::HaveTool(Tool)) GTEST_SKIP() << Tool << " is not installed";
    Dir = fs::temp_directory_path() / ("vn_pdf_road_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir / "in");
  }
  void TearDown() override {
    if (!Dir.empty() && !HasFailure()) fs::remove_all(Dir);
  }

  void Make(const std::string& Args) {
    ASSERT_EQ(RunCommand("cd '" + (Dir / "in").string() + "' && convert " + Args).Status, 0) << Args;
  }
  // The eight kinds of input, ten pages.
  void MakeInputs() {
    // Smooth pictures large enough that the renderer's resampling at the
    // edges of steps stays far below the tolerance.
    Make("-size 160x120 gradient:red-blue a.png");
    Make("-size 200x150 gradient:yellow-navy -quality 92 b.jpg");
    Make("-size 120x90 xc:red -size 90x120 xc:lime -size 150x60 gradient:white-black c.tif");
    Make("-size 96x72 gradient:blue-white d.gif");
    Make("-size 120x80 gradient:black-orange BMP3:e.bmp");
    Make("-size 64x64 gradient:green-white f.ico");
    fs::copy_file(kMetafiles / "libreoffice_shapes.emf", Dir / "in" / "g.emf");
    fs::copy_file(kMetafiles / "libreoffice_shapes.wmf", Dir / "in" / "h.wmf");
  }

  CommandResult Convert(const std::string& Args) {
    return RunCommand("cd '" + Dir.string() + "' && '" FOTAREL_CONVERT "' " + Args);
  }

  std::vector<std::string> OutFiles() const {
    std::vector<std::string> Names;
    if (fs::is_directory(Dir / "out"))
      for (const auto& E : fs::directory_iterator(Dir / "out")) Names.push_back(E.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }

  // Page sizes in points as pdfinfo reports them.
  std::vector<std::pair<double, double>> PageSizes(const fs::path& Pdf) {
    const CommandResult R = RunCommand("pdfinfo -f 1 -l 1000 '" + Pdf.string() + "'", false);
    std::vector<std::pair<double, double>> Sizes;
    const std::regex Line(R"(Page +\d+ size: +([0-9.]+) x ([0-9.]+) pts)");
    for (std::sregex_iterator It(R.Out.begin(), R.Out.end(), Line), End; It != End; ++It)
      Sizes.push_back({std::stod((*It)[1]), std::stod((*It)[2])});
    return Sizes;
  }

  Image RenderPage(const fs::path& Pdf, int Page) {
    const fs::path Stem = Dir / ("page" + std::to_string(Page));
    RunCommand("pdftoppm -r 96 -f " + std::to_string(Page) + " -l " + std::to_string(Page) + " -singlefile '" +
                   Pdf.string() + "' '" + Stem.string() + "'",
               false);
    return ReadPpm(Slurp(Stem.string() + ".ppm"));
  }

  // The picture (a frame of it) as ImageMagick decodes it, on white.
  Image Decode(const fs::path& Picture) {
    const CommandResult R = RunCommand(
        "convert '" + Picture.string() + "' -background white -alpha remove -alpha off -depth 8 ppm:-", false);
    return ReadPpm(R.Out);
  }

  void ExpectCleanPdf(const fs::path& Pdf) {
    const CommandResult R = RunCommand("qpdf --check '" + Pdf.string() + "'");
    EXPECT_EQ(R.Status, 0) << Pdf << "\n" << R.Out;
    EXPECT_NE(R.Out.find("No syntax or stream encoding errors found"), std::string::npos) << R.Out;
  }

  fs::path Dir;
};

TEST_F(PdfRoad, EveryKindOfPictureMergedIntoOnePdf) {
  MakeInputs();
  // The metafiles' own rasterisations are their reference pictures.
  ASSERT_EQ(Convert("--to .png --out ref in/g.emf in/h.wmf").Status, 0);

  const CommandResult R = Convert("--merge --out out in/a.png in/b.jpg in/c.tif in/d.gif in/e.bmp in/f.ico in/g.emf in/h.wmf");
  ASSERT_EQ(R.Status, 0) << R.Out;
  ASSERT_EQ(OutFiles(), std::vector<std::string>{"h.pdf"});
  const fs::path Pdf = Dir / "out" / "h.pdf";
  ExpectCleanPdf(Pdf);

  const struct {
    fs::path Reference;
    double Tolerance;  // mean difference per sample, of 255
  } Pages[] = {
      {Dir / "in" / "a.png", 3},      {Dir / "in" / "b.jpg", 3},      {Dir / "in" / "c.tif[0]", 3},
      {Dir / "in" / "c.tif[1]", 3},   {Dir / "in" / "c.tif[2]", 3},   {Dir / "in" / "d.gif", 3},
      {Dir / "in" / "e.bmp", 3},      {Dir / "in" / "f.ico", 3},      {Dir / "ref" / "g.png", 12},
      {Dir / "ref" / "h.png", 12},
  };
  const auto Sizes = PageSizes(Pdf);
  ASSERT_EQ(Sizes.size(), std::size(Pages));
  for (size_t I = 0; I < std::size(Pages); ++I) {
    SCOPED_TRACE(Pages[I].Reference.string());
    const Image Expected = Decode(Pages[I].Reference);
    ASSERT_GT(Expected.Width, 0);
    EXPECT_NEAR(Sizes[I].first, Expected.Width * 0.75, 0.01);
    EXPECT_NEAR(Sizes[I].second, Expected.Height * 0.75, 0.01);
    const Image Rendered = RenderPage(Pdf, int(I) + 1);
    EXPECT_LE(std::abs(Rendered.Width - Expected.Width), 1);
    EXPECT_LE(std::abs(Rendered.Height - Expected.Height), 1);
    EXPECT_LE(MeanDifference(Rendered, Expected), Pages[I].Tolerance);
  }
  // The JPEG's own bytes are in the file.
  EXPECT_NE(Slurp(Pdf).find(Slurp(Dir / "in" / "b.jpg")), std::string::npos);
}

TEST_F(PdfRoad, MergedPhotographsCostLittleMoreThanThePhotographs) {
  std::string Args = "--merge --out out";
  size_t Photos = 0;
  for (int I = 1; I <= 3; ++I) {
    const std::string Name = "p" + std::to_string(I) + ".jpg";
    Make("-seed " + std::to_string(I) + " -size 400x300 plasma:fractal -quality 85 " + Name);
    Photos += fs::file_size(Dir / "in" / Name);
    Args += " in/" + Name;
  }
  ASSERT_EQ(Convert(Args).Status, 0);
  const fs::path Pdf = Dir / "out" / "p3.pdf";
  ExpectCleanPdf(Pdf);
  EXPECT_LT(fs::file_size(Pdf), Photos + 3 * 1024 + 4096) << "photographs: " << Photos;
}

TEST_F(PdfRoad, OnePdfPerInputWithoutMerge) {
  MakeInputs();
  const CommandResult R = Convert("--out out in/a.png in/c.tif in/h.wmf");
  ASSERT_EQ(R.Status, 0) << R.Out;
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"a.pdf", "c.pdf", "h.pdf"}));
  const struct {
    const char* Name;
    size_t Pages;
  } Expected[] = {{"a.pdf", 1}, {"c.pdf", 3}, {"h.pdf", 1}};
  for (const auto& E : Expected) {
    ExpectCleanPdf(Dir / "out" / E.Name);
    EXPECT_EQ(PageSizes(Dir / "out" / E.Name).size(), E.Pages) << E.Name;
  }
}

// The dates of the document information: the one part of the file that
// depends on when it was written.
std::string WithoutDates(std::string Pdf) {
  static const std::regex Dates("/CreationDate <[0-9A-F]+>/ModDate <[0-9A-F]+>");
  return std::regex_replace(Pdf, Dates, "");
}

TEST_F(PdfRoad, PipelinedAndSequentialRoadsWriteTheSameBytes) {
  MakeInputs();
  // Pictures large enough that their pages go through the temporary page
  // files, more of them than there are workers, so that pages are loaded
  // ahead and spooled on every lane.
  std::string Inputs;
  for (int I = 1; I <= 6; ++I) {
    const std::string Name = "p" + std::to_string(I) + (I % 3 == 0 ? ".gif" : I % 3 == 1 ? ".png" : ".tif");
    Make("-seed " + std::to_string(I) + " -size 320x240 plasma:fractal " + Name);
    Inputs += " in/" + Name;
  }
  Inputs += " in/a.png in/b.jpg in/c.tif in/d.gif in/e.bmp in/f.ico in/g.emf in/h.wmf";
  // VN_SEQUENTIAL=1 forces the sequential road; =0 leaves the pipeline on
  // (on a machine of one hardware thread both roads are sequential).
  ASSERT_EQ(RunCommand("cd '" + Dir.string() + "' && VN_SEQUENTIAL=1 '" FOTAREL_CONVERT "' --merge --out seq" + Inputs).Status, 0);
  ASSERT_EQ(RunCommand("cd '" + Dir.string() + "' && VN_SEQUENTIAL=0 '" FOTAREL_CONVERT "' --merge --out par" + Inputs).Status, 0);
  const std::string Sequential = Slurp(Dir / "seq" / "h.pdf"), Pipelined = Slurp(Dir / "par" / "h.pdf");
  ASSERT_GT(Sequential.size(), 6u * 320 * 240 / 4);
  EXPECT_TRUE(WithoutDates(Sequential) == WithoutDates(Pipelined)) << "the pipelined PDF differs";
  ExpectCleanPdf(Dir / "par" / "h.pdf");

  // One output per input too.
  ASSERT_EQ(RunCommand("cd '" + Dir.string() + "' && VN_SEQUENTIAL=1 '" FOTAREL_CONVERT "' --out seq1" + Inputs).Status, 0);
  ASSERT_EQ(RunCommand("cd '" + Dir.string() + "' && VN_SEQUENTIAL=0 '" FOTAREL_CONVERT "' --out par1" + Inputs).Status, 0);
  for (const auto& E : fs::directory_iterator(Dir / "seq1"))
    EXPECT_TRUE(WithoutDates(Slurp(E.path())) == WithoutDates(Slurp(Dir / "par1" / E.path().filename())))
        << E.path().filename();
}

TEST_F(PdfRoad, DamagedInputStopsTheRunWithoutAPartialPdf) {
  MakeInputs();
  const std::string Png = Slurp(Dir / "in" / "a.png");
  std::ofstream(Dir / "in" / "broken.png", std::ios::binary) << Png.substr(0, Png.size() / 2);

  CommandResult R = Convert("--merge --out out in/a.png in/broken.png in/b.jpg");
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Out.find("fotarel-convert: PNG: data are cut short\n"), std::string::npos) << R.Out;
  EXPECT_EQ(R.Out.find("written:"), std::string::npos) << R.Out;
  EXPECT_EQ(OutFiles(), std::vector<std::string>{});

  // One output per input: the input before the damaged one is complete,
  // nothing is made for the damaged one or after it.
  fs::remove_all(Dir / "out");
  R = Convert("--out out in/a.png in/broken.png in/b.jpg");
  EXPECT_EQ(R.Status, 1);
  for (const std::string& Name : OutFiles()) {
    EXPECT_EQ(Name, "a.pdf");
    ExpectCleanPdf(Dir / "out" / Name);
  }
}

}  // namespace

}  // namespace fotarel_convert_pdf_road_test
