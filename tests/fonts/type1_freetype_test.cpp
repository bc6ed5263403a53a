// Type 1 outlines against FreeType: every glyph of the URW base-35 fonts,
// their PFB and hexadecimal PFA twins, accented glyphs built by seac, and the
// Type 1 fonts embedded in the corpus PDFs.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "fonts/type1_font.h"
#include "outline_oracle.h"
#include "runtime/streams.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::fonts::type1_freetype_test {
namespace {

namespace fs = std::filesystem;
using testing::CompareShapes;
using testing::FreeTypeFace;
using testing::FromRecList;

const fs::path kUrwDir = "/usr/share/fonts/type1/urw-base35";

std::vector<fs::path> UrwFonts() {
  std::vector<fs::path> fonts;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(kUrwDir, ec))
    if (e.path().extension() == ".t1") fonts.push_back(e.path());
  std::sort(fonts.begin(), fonts.end());
  return fonts;
}

// FreeType keeps points in whole font units: it rounds a point computed
// with div, and a point moved by a font matrix other than the usual 1/1000
// scale. Such points are compared within half a unit, all others within
// 0.01 unit.
constexpr double kExact = 0.01;
constexpr double kRoundedByFreeType = 0.51;

// Glyphs that differ from FreeType, as "name: where" lines (empty when all
// match); `rounded` names glyphs that compute fractions of a unit.
std::string Mismatches(const std::string& program, int* compared = nullptr,
                       const std::set<std::string>& rounded = {}) {
  TStringStream stream(program);
  TvnType1pfbHandler font;
  if (!font.Check(stream)) return "not accepted";
  FreeTypeFace ft(program);
  if (!ft.ok()) return "FreeType cannot open it";
  const double scale = 1000.0 / ft.UnitsPerEm();
  const bool plain_matrix = font.FontMatrix() == kDefaultFontMatrix;
  std::string report;
  for (const std::string& name : ft.GlyphNames()) {
    auto theirs = ft.Outline(name, scale);
    if (!theirs) continue;
    auto ours = font.GetOutlineForGlyphName(name, 1000, 72, EncodingType::None);
    const double tolerance = plain_matrix && !rounded.count(name) ? kExact : kRoundedByFreeType;
    const std::string diff = ours ? CompareShapes(FromRecList(*ours), *theirs, tolerance) : "no outline";
    if (!diff.empty()) report += name + ": " + diff + "\n";
    if (compared) ++*compared;
  }
  return report;
}

TEST(Type1FreeType, EveryGlyphOfTheUrwFonts) {
  if (!vn::test_support::HaveFile(kUrwDir)) GTEST_SKIP() << "fonts-urw-base35 is not installed";
  for (const fs::path& f : UrwFonts()) {
    int compared = 0;
    EXPECT_EQ(Mismatches(ReadFileBytes(f), &compared), "") << f;
    EXPECT_GT(compared, 100) << f;
  }
}

TEST(Type1FreeType, FixtureWithAccentsFlexAndSubroutines) {
  for (const char* name : {"accented.pfb", "accented.pfa"}) {
    int compared = 0;
    EXPECT_EQ(Mismatches(ReadFileBytes(fs::path(VN_FIXTURES_DIR) / "fonts" / name), &compared, {"divided"}), "")
        << name;
    EXPECT_EQ(compared, 12) << name;
  }
}

// The Type 1 programs (as FreeType tells them) among the streams of a PDF
// file, decoded by qpdf into `folder`.
std::vector<std::string> EmbeddedType1Fonts(const fs::path& pdf, const fs::path& folder) {
  fs::create_directories(folder);
  const std::string command = "qpdf --json=2 --json-stream-data=file --json-stream-prefix='" +
                              (folder / "s").string() + "' '" + pdf.string() + "' '" +
                              (folder / "out.json").string() + "' >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(status == 0 || WEXITSTATUS(status) == 3) << command;  // 3: warnings
  std::vector<std::string> fonts;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().filename() == "out.json") continue;
    std::string bytes = ReadFileBytes(e.path());
    FreeTypeFace ft(bytes);
    if (ft.ok() && ft.Format() == "Type 1") fonts.push_back(std::move(bytes));
  }
  return fonts;
}

TEST(Type1FreeType, FontsEmbeddedInCorpusPdfs) {
  const fs::path corpus = VN_CORPUS_DIR;
  if (!fs::exists(corpus / "pdf")) GTEST_SKIP() << "no corpus";
  if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf is missing";
  struct Case {
    const char* file;
    size_t fonts;
  } cases[] = {
      {"pdfjs_TAMReview.pdf", 5},
      {"pdfjs_bug1539074.pdf", 2},
      {"pdfjs_issue2833.pdf", 1},
      {"pdfjs_tracemonkey.pdf", 15},
  };
  const fs::path tmp = fs::temp_directory_path() / "embedded_type1";
  for (const Case& c : cases) {
    fs::remove_all(tmp);
    const auto fonts = EmbeddedType1Fonts(corpus / "pdf" / c.file, tmp);
    EXPECT_EQ(fonts.size(), c.fonts) << c.file;
    for (size_t i = 0; i < fonts.size(); ++i)
      EXPECT_EQ(Mismatches(fonts[i]), "") << c.file << " font " << i;
  }
  fs::remove_all(tmp);
}

}  // namespace
}  // namespace vn::fonts::type1_freetype_test
