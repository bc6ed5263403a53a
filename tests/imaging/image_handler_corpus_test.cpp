// Every picture and metafile of the shared corpus opens as an image document
// whose pages draw, unturned and turned; files the corpus marks as damaged or
// unusual may instead raise the image document's exception, never anything
// else. Skipped when the corpus is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/image_formats.h"
#include "platform/canvas/cairo_canvas.h"
#include "support/paths.h"

namespace vn::framework::image_handler_corpus_test {
namespace {

namespace fs = std::filesystem;

struct Entry {
  std::string file;
  std::string notes;
};

std::vector<Entry> PictureEntries(const fs::path& corpus) {
  std::vector<Entry> entries;
  std::ifstream manifest(corpus / "MANIFEST.tsv");
  std::string line;
  std::getline(manifest, line);  // the column names
  while (std::getline(manifest, line)) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (fields.size() < 7) continue;
    std::string ext = fs::path(fields[0]).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    static const char* const kExtensions[] = {".bmp", ".jpg", ".png", ".gif", ".ico", ".cur",
                                              ".tif", ".tiff", ".emf", ".wmf"};
    if (std::find(std::begin(kExtensions), std::end(kExtensions), ext) != std::end(kExtensions))
      entries.push_back({fields[0], fields[6]});
  }
  return entries;
}

bool MayFail(const std::string& notes) {
  // Edge cases include sample depths the TIFF decoder refuses (12-bit grey).
  for (const char* word : {"damaged", "cannot read", "questionable", "unsupported", "legacy", "edge case"})
    if (notes.find(word) != std::string::npos) return true;
  return false;
}

// "TIFF 128x128 d8 sRGB; frames=2" gives the frame count, or 0.
int Frames(const std::string& notes) {
  const size_t at = notes.find("frames=");
  return at == std::string::npos ? 0 : std::atoi(notes.c_str() + at + 7);
}

TEST(ImageCorpus, EveryPictureOpensAndDraws) {
  const fs::path corpus = VN_CORPUS_DIR;
  if (!fs::exists(corpus / "MANIFEST.tsv")) GTEST_SKIP() << "no corpus";
  const std::vector<Entry> entries = PictureEntries(corpus);
  ASSERT_FALSE(entries.empty());
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.file + " (" + e.notes + ")");
    TvnImageHandler doc;
    try {
      doc.LoadFromFile(FromUtf8((corpus / e.file).string()), u"");
      const bool tiff = e.notes.rfind("TIFF ", 0) == 0;
      if (tiff && !MayFail(e.notes)) EXPECT_EQ(doc.GetPageCount(), Frames(e.notes));
      for (int32_t i = 1; i <= std::min(doc.GetPageCount(), 3); ++i) {
        auto* page = dynamic_cast<TvnImagePage*>(doc.GetPage(i));
        ASSERT_NE(page, nullptr);
        for (int32_t rotation : {0, 90}) {
          platform::CairoCanvas canvas(48, 64);
          page->Draw(&canvas, 48, 64, 96, 96, rotation);
        }
      }
    } catch (const EImageExceptions& x) {
      if (!MayFail(e.notes)) ADD_FAILURE() << x.what();
    }
  }
}

}  // namespace
}  // namespace vn::framework::image_handler_corpus_test
