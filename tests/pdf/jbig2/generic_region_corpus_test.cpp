// JBIG2 images of real PDF files (the corpus's generic, MMR, typical
// prediction, composition, striping, extension and refinement samples)
// decode to the pixels jbig2dec gives, or poppler where jbig2dec reads no
// intermediate regions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "../pdf_corpus.h"
#include "support/paths.h"

namespace vn::pdf::jbig2::generic_region_corpus_test {
namespace {

using pdf::testing::Quote;
using pdf::testing::RunTool;

struct Sample {
  const char* file;
  int image_object;
  int globals_object;  // 0: none
  bool poppler;        // compare with pdfimages instead of jbig2dec
};

const Sample kSamples[] = {
    {"pdfjs_bitmap-template1.pdf", 5, 0, false},
    {"pdfjs_bitmap-tpgdon.pdf", 5, 0, false},
    {"pdfjs_bitmap-mmr.pdf", 5, 0, false},
    {"pdfjs_bitmap-composite-and-xnor.pdf", 5, 0, false},
    {"pdfjs_bitmap-stripe-initially-unknown-height.pdf", 5, 0, false},
    {"pdfjs_bitmap-p32-eof.pdf", 6, 3, false},
    {"pdfjs_bitmap-refine.pdf", 5, 0, true},
};

std::string RawStream(const std::string& pdf, int object) {
  std::string data;
  RunTool("qpdf --show-object=" + std::to_string(object) + " --raw-stream-data " + Quote(pdf), &data);
  return data;
}

std::optional<testing::Image> Poppler(const std::string& pdf) {
  const auto prefix = testing::ScratchDir() / "poppler";
  const auto pbm = prefix.string() + "-000.pbm";
  std::filesystem::remove(pbm);
  RunTool("pdfimages -f 1 -l 1 " + Quote(pdf) + " " + Quote(prefix.string()));
  if (!std::filesystem::exists(pbm)) return std::nullopt;
  return testing::ReadPbm(ReadFileBytes(pbm));
}

TEST(Jbig2Corpus, GenericAndRefinementImagesDecodeLikeTheReferenceDecoders) {
  // The environment may name the corpus folder when the build tree's default does not hold it.
  const char* env = std::getenv("VN_CORPUS_DIR");
  const std::filesystem::path dir = std::filesystem::path(env ? env : VN_CORPUS_DIR) / "pdf";
  if (!std::filesystem::exists(dir / kSamples[0].file)) GTEST_SKIP() << "no corpus";
  VN_REQUIRE_TOOL("qpdf");
  VN_REQUIRE_TOOL("jbig2dec");
  VN_REQUIRE_TOOL("pdfimages");
  for (const Sample& sample : kSamples) {
    SCOPED_TRACE(sample.file);
    const std::string pdf = (dir / sample.file).string();
    const std::string data = RawStream(pdf, sample.image_object);
    ASSERT_FALSE(data.empty()) << sample.file;
    const std::string globals = sample.globals_object ? RawStream(pdf, sample.globals_object) : std::string();

    std::unique_ptr<testing::TestDocument> globals_doc;
    if (sample.globals_object) globals_doc = std::make_unique<testing::TestDocument>(globals);
    testing::TestDocument doc(data, globals_doc.get());
    const testing::Image ours = doc.ComposePage();

    const auto oracle = sample.poppler ? Poppler(pdf) : testing::Jbig2dec(data, sample.globals_object ? &globals : nullptr);
    ASSERT_TRUE(oracle) << sample.file;
    EXPECT_EQ(ours.width, oracle->width) << sample.file;
    EXPECT_EQ(ours.height, oracle->height) << sample.file;
    int black = 0;
    for (uint8_t p : ours.pixels) black += p;
    EXPECT_GT(black, 0) << sample.file << " decodes to a blank page";
    EXPECT_TRUE(ours == *oracle) << sample.file;
  }
}

}  // namespace
}  // namespace vn::pdf::jbig2::generic_region_corpus_test
