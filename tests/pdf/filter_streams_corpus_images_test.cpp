// The CCITT and DCT images of the corpus's PDF files, read through the
// document and its filter chains: CCITT images equal the pixels pdfimages
// writes for them, DCT images decode within a small tolerance of libjpeg's
// decoding of the same JPEG bytes. Skipped without the corpus or poppler's
// pdfimages.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/base_doc.h"
#include "pdf/filter_streams.h"
#include "pdf/filters/predictor.h"
#include "filters/libjpeg_oracle.h"
#include "pdf_corpus.h"
#include "png_oracle.h"
#include "runtime/byte_reader.h"
#include "runtime/inflate.h"
#include "support/paths.h"

namespace vn::pdf::filter_streams_corpus_images_test {
namespace {

namespace fs = std::filesystem;
using namespace vn::pdf::testing;

struct ListedImage {
  int64_t object = -1;  // -1: inline
  std::string type;
  std::string encoding;
};

// The rows of `pdfimages -list`, in the order of the files pdfimages writes.
// The object named on a row of a mask is the image it masks.
std::vector<ListedImage> ListImages(const std::string& listing) {
  std::vector<ListedImage> images;
  std::istringstream in(listing);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.size() < 11 || w[0].find_first_not_of("0123456789") != std::string::npos) continue;
    ListedImage image;
    image.type = w[2];
    image.encoding = w[8];
    const bool own_object = image.type == "image" || image.type == "stencil";
    if (own_object && w[10].find_first_not_of("0123456789") == std::string::npos) image.object = std::stoll(w[10]);
    images.push_back(image);
  }
  return images;
}

std::string ReadAll(TvnStream* s) {
  s->Reset();
  std::string out;
  s->Read(out, size_t{1} << 30);
  return out;
}

TEST(PdfCorpusImages, CcittAndDctImagesDecode) {
  const fs::path corpus = VN_CORPUS_DIR;
  if (!fs::exists(corpus / "pdf")) GTEST_SKIP() << "corpus missing";
  if (RunTool("pdfimages -v") != 0) {
    if (std::getenv("CI")) FAIL() << "pdfimages missing";
    GTEST_SKIP() << "pdfimages missing";
  }
  const fs::path out_dir = fs::temp_directory_path() / "corpus-images";
  int ccitt = 0, dct = 0;
  for (const CorpusFile& file : ReadManifest(corpus)) {
    if (file.Damaged() || file.Unsupported()) continue;
    std::vector<std::string> args = {"pdfimages", "-list"};
    if (!file.password.empty()) args.insert(args.end(), {"-upw", file.password});
    args.push_back(file.path);
    std::string listing;
    RunProgram(args, &listing);
    const std::vector<ListedImage> images = ListImages(listing);
    bool any = false, any_ccitt = false;
    for (const ListedImage& image : images) {
      any |= image.encoding == "ccitt" || image.encoding == "jpeg";
      any_ccitt |= image.encoding == "ccitt";
    }
    if (!any) continue;
    SCOPED_TRACE(file.path);
    fs::remove_all(out_dir);
    fs::create_directories(out_dir);
    // The pixels pdfimages writes are the oracle of the CCITT images only
    // (DCT images are checked against libjpeg).
    if (any_ccitt) {
      args[1] = "-png";
      args.push_back((out_dir / "i").string());
      ASSERT_EQ(RunProgram(args), 0);
    }
    TvnPDBaseDoc doc;
    doc.LoadDocument(fs::path(file.path), file.password);
    for (size_t i = 0; i < images.size(); ++i) {
      const ListedImage& image = images[i];
      if (image.object < 0 || (image.encoding != "ccitt" && image.encoding != "jpeg")) continue;
      SCOPED_TRACE("object " + std::to_string(image.object));
      TvnPDBaseObject* object = doc.GetObject(image.object);
      ASSERT_TRUE(object && object->IsStream());
      TvnStream* top = object->AsStream()->GetStream();
      const std::string decoded = ReadAll(top);
      if (image.encoding == "ccitt") {
        char name[32];
        std::snprintf(name, sizeof name, "i-%03zu.png", i);
        const std::optional<Png> png = ReadPng(out_dir / name);
        ASSERT_TRUE(png);
        ASSERT_EQ(png->bit_depth, 1);
        // pdfimages writes stencil masks with painted pixels black.
        std::string expected = png->rows;
        if (image.type == "stencil")
          for (char& c : expected) c = static_cast<char>(~c);
        EXPECT_TRUE(decoded == expected) << decoded.size() << " bytes against " << expected.size();
        ++ccitt;
      } else {
        ASSERT_EQ(top->GetType(), TvnStreamType::stDCT);
        const std::optional<Image> expected = Libjpeg(ReadAll(static_cast<TvnDCTStream*>(top)->Stream()));
        ASSERT_TRUE(expected);
        const Difference d = Compare(decoded, expected->pixels);
        EXPECT_LE(d.max, 6);
        EXPECT_LE(d.mean, 0.5);
        ++dct;
      }
    }
  }
  std::printf("CCITT images compared %d, DCT images compared %d\n", ccitt, dct);
  EXPECT_GT(ccitt, 5);
  EXPECT_GT(dct, 20);
}

}  // namespace
}  // namespace vn::pdf::filter_streams_corpus_images_test
