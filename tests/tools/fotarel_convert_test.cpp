// End to end: the fotarel-convert program on real pictures, its outputs,
// progress and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/document_manager.h"
#include "framework/format_registry.h"
#include "library/library.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace fotarel_convert_test {

namespace fs = std::filesystem;
using namespace vn::framework;

namespace {

const fs::path kImages = fs::path(VN_FIXTURES_DIR) / "images";

struct RunResult {
  int Status = -1;
  std::string Out;
  std::string Err;
};

std::string Slurp(const fs::path& P) {
  std::ifstream In(P, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vn::InitializeLibrary();
    if (DocumentFramework()->LookupDocument(u"x.tif") == nullptr ||
        DocumentFramework()->LookupDocument(u"x.png") == nullptr ||
        DocumentFramework()->LookupDocument(u"x.jpg") == nullptr)
      GTEST_SKIP() << "no image documents registered";
    Dir = fs::temp_directory_path() /
          ("vn_driver_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir / "in");
    fs::copy_file(kImages / "png_rgb8.png", Dir / "in" / "a.png");
    fs::copy_file(kImages / "jpeg_rgb.jpg", Dir / "in" / "b.jpg");
    fs::copy_file(kImages / "tiff_three_pages.tif", Dir / "in" / "three.tif");
  }
  void TearDown() override {
    vn::FinalizeLibrary();
    if (!Dir.empty()) fs::remove_all(Dir);
  }

  RunResult Run(const std::vector<std::string>& Args) {
    std::string Cmd = "cd '" + Dir.string() + "' && '" FOTAREL_CONVERT "'";
    for (const std::string& A : Args) Cmd += " '" + A + "'";
    Cmd += " >'" + (Dir / "stdout").string() + "' 2>'" + (Dir / "stderr").string() + "'";
    RunResult R;
    const int Raw = std::system(Cmd.c_str());
    R.Status = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    R.Out = Slurp(Dir / "stdout");
    R.Err = Slurp(Dir / "stderr");
    return R;
  }

  std::vector<std::string> OutFiles() {
    std::vector<std::string> Names;
    if (fs::is_directory(Dir / "out"))
      for (const auto& E : fs::directory_iterator(Dir / "out")) Names.push_back(E.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }

  // Pages of a written file as the library reads it back, and the number of
  // directories another TIFF reader lists.
  int32_t Pages(const fs::path& P) {
    TvnDocumentManager M;
    auto Doc = M.LoadDocument(vn::FromUtf8(P.string()));
    return Doc ? Doc->GetPageCount() : -1;
  }
  int TiffinfoDirectories(const fs::path& P) {
    if (!vn::test_support::HaveTool("tiffinfo")) return -1;
    const fs::path Info = Dir / "tiffinfo.txt";
    std::system(("tiffinfo '" + P.string() + "' >'" + Info.string() + "' 2>/dev/null").c_str());
    const std::string Text = Slurp(Info);
    int N = 0;
    for (size_t At = Text.find("TIFF Directory"); At != std::string::npos; At = Text.find("TIFF Directory", At + 1))
      ++N;
    return N;
  }

  fs::path Dir;
};

using Names = std::vector<std::string>;

TEST_F(DriverTest, OneOutputPerInput) {
  RunResult R = Run({"in/a.png", "in/b.jpg", "--to", ".tif", "--out", "out"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(OutFiles(), (Names{"a.tif", "b.tif"}));
  EXPECT_EQ(Pages(Dir / "out" / "a.tif"), 1);
  EXPECT_EQ(Pages(Dir / "out" / "b.tif"), 1);
  EXPECT_NE(R.Out.find("[1/2] in/a.png: 1 page(s)"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  page 1 -> output page 1"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("[2/2] done, 1 output page(s)"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("written: out/b.tif"), std::string::npos) << R.Out;
}

TEST_F(DriverTest, MergedIntoOneTwoFrameTiff) {
  RunResult R = Run({"--merge", "--to", "tif", "--out", "out", "in/a.png", "in/b.jpg"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(OutFiles(), Names{"b.tif"});
  EXPECT_EQ(Pages(Dir / "out" / "b.tif"), 2);
  const int Directories = TiffinfoDirectories(Dir / "out" / "b.tif");
  if (Directories >= 0) {
    EXPECT_EQ(Directories, 2);
  }
  EXPECT_NE(R.Out.find("[2/2] done, 2 output page(s)"), std::string::npos) << R.Out;
}

TEST_F(DriverTest, PerPageOutputsAndPageRange) {
  RunResult R = Run({"in/three.tif", "--to", ".png", "--out", "out"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(OutFiles(), (Names{"three_1.png", "three_2.png", "three_3.png"}));

  fs::remove_all(Dir / "out");
  R = Run({"in/three.tif", "--to", ".png", "--out", "out", "--pages", "3"});
  EXPECT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(OutFiles(), Names{"three.png"});
  EXPECT_NE(R.Out.find("  page 3 -> output page 1"), std::string::npos) << R.Out;

  fs::remove_all(Dir / "out");
  R = Run({"in/three.tif", "--to", ".png", "--out", "out", "--pages", "4"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Err, "fotarel-convert: Invalid page range\n");
  EXPECT_EQ(OutFiles(), Names{});
}

// Metafiles fuzzing found: JPEG bitmaps that are no JPEG (they once failed
// the whole PDF) and dashed shapes stretched far past the page (the PNG
// once took minutes). Each converts to both formats; the rest of the page
// draws and the damaged parts are skipped.
TEST_F(DriverTest, DamagedMetafilesConvertToPdfAndPng) {
  const fs::path Seeds = fs::path(VN_FIXTURES_DIR) / ".." / ".." / "fuzz";
  const fs::path Inputs[] = {Seeds / "pdfwriter/seeds/metafile_pdf_fuzz/jpeg_bits_not_a_jpeg.emf",
                             Seeds / "pdfwriter/seeds/metafile_pdf_fuzz/jpeg_bits_not_a_jpeg_pattern_brush.emf",
                             Seeds / "platform/seeds/emf_player_fuzz/stretched_shapes_dashed_pen.emf"};
  for (const fs::path& In : Inputs) fs::copy_file(In, Dir / "in" / In.filename());
  for (const char* To : {".pdf", ".png"}) {
    SCOPED_TRACE(To);
    fs::remove_all(Dir / "out");
    RunResult R = Run({"--to", To, "--out", "out", "in/jpeg_bits_not_a_jpeg.emf", "in/jpeg_bits_not_a_jpeg_pattern_brush.emf",
                       "in/stretched_shapes_dashed_pen.emf"});
    EXPECT_EQ(R.Status, 0) << R.Err;
    const std::string Ext = To;
    EXPECT_EQ(OutFiles(), (Names{"jpeg_bits_not_a_jpeg" + Ext, "jpeg_bits_not_a_jpeg_pattern_brush" + Ext,
                                 "stretched_shapes_dashed_pen" + Ext}));
    for (const std::string& Name : OutFiles()) {
      if (Ext == ".png") {
        EXPECT_EQ(Pages(Dir / "out" / Name), 1) << Name;
      } else {
        const std::string Pdf = Slurp(Dir / "out" / Name);
        EXPECT_TRUE(Pdf.starts_with("%PDF-") && Pdf.ends_with("%%EOF")) << Name;
      }
    }
  }
}

TEST_F(DriverTest, MissingInputFails) {
  for (const bool Merge : {false, true}) {
    SCOPED_TRACE(Merge);
    fs::remove_all(Dir / "out");
    std::vector<std::string> Args = {"in/missing.png", "--to", ".tif", "--out", "out"};
    if (Merge) Args = {"in/a.png", "in/missing.png", "--merge", "--to", ".tif", "--out", "out"};
    RunResult R = Run(Args);
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Err, "fotarel-convert: File Not found\n");
    EXPECT_EQ(OutFiles(), Names{});
  }
}

TEST_F(DriverTest, InputsThatAreNotConvertedFailTheRun) {
  RunResult R = Run({"in/a.png", "in/notes.xyz", "--to", ".tif", "--out", "out"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_EQ(R.Err, "fotarel-convert: in/notes.xyz: not converted: no reader is registered for this file type\n");
  EXPECT_EQ(OutFiles(), Names{"a.tif"});

  // Merged, the output would lack that input's pages: it is not written,
  // and an earlier output of its name stays as it was.
  fs::remove_all(Dir / "out");
  R = Run({"in/notes.xyz", "in/a.png", "--merge", "--to", ".tif", "--out", "out"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("in/notes.xyz: not converted"), std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find("the merged output is not written, an input is missing from it"), std::string::npos) << R.Err;
  EXPECT_EQ(R.Out.find("written:"), std::string::npos) << R.Out;
  EXPECT_EQ(OutFiles(), Names{});
  ASSERT_EQ(Run({"in/b.jpg", "in/a.png", "--merge", "--to", ".tif", "--out", "out"}).Status, 0);
  ASSERT_EQ(OutFiles(), Names{"a.tif"});
  const std::string Earlier = Slurp(Dir / "out" / "a.tif");
  EXPECT_EQ(Run({"in/notes.xyz", "in/a.png", "--merge", "--to", ".tif", "--out", "out"}).Status, 1);
  EXPECT_EQ(OutFiles(), Names{"a.tif"});
  EXPECT_TRUE(Slurp(Dir / "out" / "a.tif") == Earlier);

  R = Run({"in/a.png", "--to", ".gif", "--out", "out"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.find("not converted: no writer is registered for .gif"), std::string::npos) << R.Err;
}

TEST_F(DriverTest, OutputFolderThatCannotBeMade) {
  std::ofstream(Dir / "plain").put('x');
  RunResult R = Run({"in/a.png", "--to", ".tif", "--out", "plain/out"});
  EXPECT_EQ(R.Status, 1);
  EXPECT_NE(R.Err.rfind("fotarel-convert: ", 0), std::string::npos) << R.Err;
  EXPECT_FALSE(fs::exists(Dir / "plain" / "out"));
}

TEST_F(DriverTest, CommandLine) {
  RunResult R = Run({"--help"});
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.Out.rfind("Usage: fotarel-convert", 0), 0u);
  struct {
    std::vector<std::string> Args;
    const char* Message;
  } Wrong[] = {
      {{}, "no input given"},
      {{"--frobnicate", "in/a.png"}, "unknown option --frobnicate"},
      {{"in/a.png", "--to"}, "--to needs an extension"},
      {{"in/a.png", "in/b.jpg", "--pages", "1"}, "--pages needs a single input"},
  };
  for (const auto& W : Wrong) {
    R = Run(W.Args);
    EXPECT_EQ(R.Status, 2) << W.Message;
    EXPECT_EQ(R.Err.rfind(std::string("fotarel-convert: ") + W.Message + "\n", 0), 0u) << R.Err;
  }
  EXPECT_EQ(OutFiles(), Names{});
}

}  // namespace

}  // namespace fotarel_convert_test
