// First pages of corpus files whose differences from pdftoppm came from how
// images meet the pixels (enlarged CCITT, JBIG2 and 1-bit images, an image
// asking for interpolation, images filled by PNG predictors), from Type 3
// spacing and from a composite font's glyph 0 (a real glyph of its
// subset), painted straight onto cairo as the converter's picture road
// paints them (at 96 dpi onto the page's size rounded to whole pixels, the
// last row and column partly on the page), each within its limit (one
// pdftoppm run per file).
#include <cstdio>

#include <gtest/gtest.h>

#include "pdfdocument/page_render_testing.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdfdoc::page_renderer_raster_corpus_test {

using namespace page_render_testing;

TEST(PageRendererRasterCorpus, ImagePagesAgainstPdftoppm) {
  if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm missing";
  struct Case {
    const char* File;
    double Limit;
  };
  // Type 3 word spacing: the rest is how its dashed glyph strokes are
  // smoothed.
  const Case cases[] = {{"pdfjs_images_1bit_grayscale.pdf", 0.06}, {"pdfjs_ccitt_EndOfBlock_false.pdf", 0.06},
                        {"pdfjs_issue9713.pdf", 0.06},             {"pdfjs_bitmap-mmr.pdf", 0.06},
                        {"qpdf_png-filters.pdf", 0.02},            {"pdfjs_Type3WordSpacing.pdf", 0.08},
                        {"pdfjs_issue10519_reduced.pdf", 0.02}};
  for (const Case& c : cases) {
    const std::string file = std::string(VN_CORPUS_DIR) + "/pdf/" + c.File;
    const double rmse = NormalisedRmse(PaintFirstPage(file), Pdftoppm(file, 96));
    std::printf("page %-40s %.4f\n", c.File, rmse);
    EXPECT_GE(rmse, 0) << c.File;
    EXPECT_LE(rmse, c.Limit) << c.File;
  }
}

}  // namespace vn::pdfdoc::page_renderer_raster_corpus_test
