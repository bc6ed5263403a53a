// End to end: PDF files as inputs of the fotarel-convert program. Text
// output agrees with pdftotext, pictures with pdftoppm at 96 dpi (rotated
// pages included), PDF output passes qpdf --check, and a protected file
// converts with its password and fails without it, writing nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "pdf/pdf_corpus.h"
#include "pdf/pdf_file_builder.h"
#include "pdfdocument/page_render_testing.h"
#include "platform/images/image_codecs.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "support/paths.h"
#include "tools/road_test_support.h"

namespace fotarel_convert_pdf_input_road_test {
namespace {

namespace fs = std::filesystem;
using vn::pdf::testing::RunProgram;
using vn::pdfdoc::page_render_testing::NormalisedRmse;

const fs::path kExtractor = fs::path(VN_FIXTURES_DIR) / "pdfdocument" / "extractor";
const fs::path kCorpus = fs::path(VN_CORPUS_DIR) / "pdf";

// The text without white space (pdftotext's spacing between words is its
// own guess) and without the "Page n" lines of the text output.
std::string Inked(const std::string& AText) {
  std::string out;
  size_t start = 0;
  while (start < AText.size()) {
    size_t end = AText.find('\n', start);
    if (end == std::string::npos) end = AText.size();
    std::string line = AText.substr(start, end - start);
    if (!line.starts_with("Page "))
      for (char c : line)
        if (c != ' ' && c != '\r' && c != '\t' && c != '\f') out.push_back(c);
    start = end + 1;
  }
  return out;
}

vn::platform::Bitmap ReadPng(const fs::path& APath) {
  const std::string bytes = vn::ReadFileBytes(APath);
  return vn::platform::DecodePng(std::as_bytes(std::span(bytes.data(), bytes.size())));
}

class PdfInputRoad : public vn::road_test::RoadTest {
 protected:
  PdfInputRoad() : RoadTest("vn_pdf_input_road_", {"qpdf", "pdftoppm", "pdftotext"}) {}

  int Convert(const std::vector<std::string>& AArgs, std::string* AOut = nullptr) {
    std::vector<std::string> args = {FOTAREL_CONVERT};
    args.insert(args.end(), AArgs.begin(), AArgs.end());
    return RunProgram(args, AOut);
  }
  std::vector<std::string> Outputs(const fs::path& ADir) const {
    std::vector<std::string> names;
    if (fs::is_directory(ADir))
      for (const auto& e : fs::directory_iterator(ADir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(PdfInputRoad, TextOutputEqualsPdftotext) {
  const fs::path out = FDir / "txt";
  const std::vector<std::string> names = {"cairo_scripts", "libreoffice_scripts"};
  ASSERT_EQ(Convert({"--to", ".txt", "--out", out.string(), (kExtractor / "cairo_scripts.pdf").string(),
                     (kExtractor / "libreoffice_scripts.pdf").string()}),
            0);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::string expected;
    ASSERT_EQ(RunProgram({"pdftotext", "-raw", "-enc", "UTF-8", (kExtractor / (name + ".pdf")).string(), "-"},
                         &expected),
              0);
    const std::string text = vn::ReadFileBytes(out / (name + ".txt"));
    EXPECT_EQ(Inked(text), Inked(expected)) << text;
  }
}

TEST_F(PdfInputRoad, PagesMatchPdftoppmAndPdfOutputIsClean) {
  // Rotated pages (0, 90, 180, 270, direct and inherited) and a page of the
  // text fixture.
  struct Case {
    fs::path File;
    int Pages;
  };
  const Case cases[] = {{kCorpus / "pdfjs_hello_world_rotated.pdf", 5},
                        {kCorpus / "qpdf_inherited-rotate.pdf", 1},
                        {kExtractor / "cairo_scripts.pdf", 1}};
  std::vector<std::string> inputs;
  for (const Case& c : cases) inputs.push_back(c.File.string());
  std::vector<std::string> png_args = {"--to", ".png", "--out", (FDir / "png").string()};
  png_args.insert(png_args.end(), inputs.begin(), inputs.end());
  ASSERT_EQ(Convert(png_args), 0);
  std::vector<std::string> pdf_args = {"--to", ".pdf", "--out", (FDir / "pdf").string()};
  pdf_args.insert(pdf_args.end(), inputs.begin(), inputs.end());
  ASSERT_EQ(Convert(pdf_args), 0);
  for (const Case& c : cases) {
    const std::string stem = c.File.stem().string();
    SCOPED_TRACE(stem);
    fs::create_directories(FDir / "ref" / stem);
    ASSERT_EQ(RunProgram({"pdftoppm", "-r", "96", "-png", c.File.string(), (FDir / "ref" / stem / "p").string()}), 0);
    const std::vector<std::string> refs = Outputs(FDir / "ref" / stem);
    ASSERT_EQ(static_cast<int>(refs.size()), c.Pages);
    for (int i = 1; i <= c.Pages; ++i) {
      const fs::path ours = FDir / "png" / (c.Pages == 1 ? stem + ".png" : stem + "_" + std::to_string(i) + ".png");
      ASSERT_TRUE(fs::exists(ours)) << ours;
      const double rmse = NormalisedRmse(ReadPng(ours), ReadPng(FDir / "ref" / stem / refs[size_t(i - 1)]));
      EXPECT_GE(rmse, 0) << "page " << i << ": the sizes differ";
      EXPECT_LE(rmse, 0.06) << "page " << i;
    }
    std::string check;
    EXPECT_EQ(RunProgram({"qpdf", "--check", (FDir / "pdf" / (stem + ".pdf")).string()}, &check), 0) << check;
    std::string info;
    ASSERT_EQ(RunProgram({"pdfinfo", (FDir / "pdf" / (stem + ".pdf")).string()}, &info), 0);
    const size_t at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(at + 6)), c.Pages) << info;
  }
}

TEST_F(PdfInputRoad, ProtectedInputsNeedTheirPassword) {
  const std::string file = (kCorpus / "qpdf_encrypted-40-bit-R3.pdf").string();
  struct Case {
    const char* Name;
    std::vector<std::string> Password;
    bool Converts;
  };
  const Case cases[] = {{"right", {"--password", "623"}, true},
                        {"wrong", {"--password", "624"}, false},
                        {"none", {}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const char* to : {".txt", ".png", ".pdf"}) {
      SCOPED_TRACE(to);
      const fs::path out = FDir / c.Name / to;
      std::vector<std::string> args = {"--to", to, "--out", out.string()};
      args.insert(args.end(), c.Password.begin(), c.Password.end());
      args.push_back(file);
      std::string said;
      const int status = Convert(args, &said);
      if (c.Converts) {
        EXPECT_EQ(status, 0) << said;
        EXPECT_EQ(Outputs(out).size(), 1u);
      } else {
        EXPECT_EQ(status, 1);
        EXPECT_TRUE(Outputs(out).empty());
      }
    }
  }
  // The reason reaches the user.
  const vn::road_test::CommandResult r =
      vn::road_test::RunCommand("'" FOTAREL_CONVERT "' --to .txt --out '" + (FDir / "msg").string() + "' '" + file + "'");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Out.find("fotarel-convert: Encrypted PDF: Password required for loading"), std::string::npos) << r.Out;
}

// A PDF whose page tree holds no page opens, but there is nothing to
// convert: the run fails, writes nothing and says why.
TEST_F(PdfInputRoad, DocumentWithoutPagesFailsWithItsReason) {
  vn::pdf::testing::PdfFileBuilder builder;
  builder.Obj(1, "<< /Type /Catalog /Pages 2 0 R >>");
  builder.Obj(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  builder.ClassicTable("/Size 3 /Root 1 0 R");
  const fs::path file = FDir / "empty.pdf";
  vn::WriteFileBytes(file, builder.Data());
  for (const char* to : {".png", ".pdf"}) {
    SCOPED_TRACE(to);
    const fs::path out = FDir / "out" / to;
    const vn::road_test::CommandResult r = vn::road_test::RunCommand("'" FOTAREL_CONVERT "' --to " + std::string(to) +
                                                                     " --out '" + out.string() + "' '" +
                                                                     file.string() + "'");
    EXPECT_EQ(r.Status, 1) << r.Out;
    EXPECT_TRUE(Outputs(out).empty());
    EXPECT_NE(r.Out.find("empty.pdf: Invalid page range (the document has no pages)"), std::string::npos) << r.Out;
  }
}

}  // namespace
}  // namespace fotarel_convert_pdf_input_road_test
