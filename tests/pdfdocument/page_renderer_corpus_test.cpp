// First pages of real files recorded by the rendering device, played from
// the metafile on cairo at 96 dpi and compared with pdftoppm (one process
// per file): the font fixtures always, within the threshold; every corpus
// PDF where heavy oracles are asked for (VN_HEAVY_ORACLES=1: a sanitized
// run takes minutes), where each page must record, play and come out at
// pdftoppm's size, and the table of differences is printed.
#include <cstdio>

#include <gtest/gtest.h>

#include "pdfdocument/page_render_testing.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::page_renderer_corpus_test {

using namespace page_render_testing;

constexpr double kThreshold = 0.06;

// The difference of one file's first page; -1 when the sizes disagree.
double FirstPageDifference(const std::string& AFile) {
  int w = 0, h = 0;
  const std::string emf = RecordFirstPage(AFile, w, h);
  if (emf.empty()) return -1;
  return NormalisedRmse(PlayOnCairo(emf, w, h), Pdftoppm(AFile, 96));
}

TEST(PageRendererCorpus, FontFixturesAgainstPdftoppm) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm missing";
  struct Case {
    const char* File;
    double Limit;
  };
  const Case cases[] = {{"cairo_type1.pdf", kThreshold},    {"cairo_type1c.pdf", kThreshold},
                        {"cairo_truetype.pdf", kThreshold}, {"cairo_cid.pdf", kThreshold},
                        {"cid_cmap.pdf", kThreshold},       {"libreoffice_truetype.pdf", kThreshold},
                        {"ps2pdf_fonts.pdf", kThreshold}};
  for (const Case& c : cases) {
    const double rmse = FirstPageDifference(std::string(VN_FIXTURES_DIR) + "/pdfdocument/fonts/" + c.File);
    std::printf("page %-28s %.4f\n", c.File, rmse);
    EXPECT_GE(rmse, 0) << c.File;
    EXPECT_LE(rmse, c.Limit) << c.File;
  }
}

TEST(PageRendererCorpus, CorpusFirstPagesAgainstPdftoppm) {
  if (!vn::test_support::HaveHeavyTool("pdftoppm")) GTEST_SKIP() << "heavy oracles not asked for";
  int within = 0, pages = 0;
  for (const auto& f : vn::pdf::testing::ReadManifest(VN_CORPUS_DIR)) {
    if (f.Damaged() || f.Encrypted() || f.Unsupported()) continue;
    const double rmse = FirstPageDifference(f.path);
    std::printf("page %-60s %.4f\n", std::filesystem::path(f.path).filename().c_str(), rmse);
    EXPECT_GE(rmse, 0) << f.path;
    ++pages;
    if (rmse >= 0 && rmse <= kThreshold) ++within;
  }
  std::printf("%d of %d first pages within %.2f\n", within, pages, kThreshold);
}

}  // namespace vn::pdfdoc::page_renderer_corpus_test
