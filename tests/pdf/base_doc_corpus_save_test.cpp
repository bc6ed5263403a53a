// Loads every sound PDF of the corpus and saves it in full, twice from the
// same document: both outputs must pass `qpdf --check` and render their
// first page (at 36 dpi) pixel for pixel as the original does. Encrypted
// files are saved encrypted again and opened with the same password. One
// file in four (and every encrypted one) is also saved incrementally: the
// output starts with the original bytes and passes `qpdf --check` (as
// cleanly as the original does).
// Skipped without the corpus, qpdf or pdftoppm.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/base_doc.h"
#include "pdf/exceptions.h"
#include "runtime/streams.h"
#include "pdf_corpus.h"
#include "support/paths.h"
#include "support/prerequisites.h"

namespace vn::pdf::base_doc_corpus_save_test {
namespace {

namespace fs = std::filesystem;
using namespace vn::pdf::testing;

std::string FirstPage(const std::string& path) {
  std::string image;
  RunProgram({"pdftoppm", "-r", "36", "-f", "1", "-l", "1", path}, &image);
  return image;
}

// qpdf --check: 0 is clean; its output names what is wrong otherwise, and
// for an encrypted file it shows the encryption ("R = ...").
int Check(const std::string& path, const std::string& password, std::string* report) {
  return RunProgram({"qpdf", "--check", "--password=" + password, path}, report);
}

class CorpusSave : public ::testing::Test {
 protected:
  void SetUp() override {
    corpus_ = VN_CORPUS_DIR;
    if (!fs::exists(corpus_ / "pdf")) GTEST_SKIP() << "corpus missing";
    if (!vn::test_support::HaveTool("qpdf")) GTEST_SKIP() << "qpdf missing";
    if (!vn::test_support::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm missing";
    dir_ = fs::temp_directory_path() / ("vn_corpus_save_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  fs::path corpus_;
  fs::path dir_;
};

TEST_F(CorpusSave, FullSavesCheckCleanAndRenderTheSame) {
  int saved = 0, incremental = 0, index = 0;
  for (const CorpusFile& file : ReadManifest(corpus_)) {
    if (file.Damaged() || file.Unsupported()) continue;
    SCOPED_TRACE(file.path);
    const std::string name = fs::path(file.path).stem().string();
    TvnPDBaseDoc doc;
    doc.LoadDocument(fs::path(file.path), file.password);
    // Encrypted files are rendered from qpdf's decrypted copy: the renderer
    // cannot open every encryption variant itself.
    const fs::path plain = dir_ / (name + "_plain.pdf");
    auto page = [&](const std::string& path) {
      if (!file.Encrypted()) return FirstPage(path);
      fs::remove(plain);
      RunProgram({"qpdf", "--decrypt", "--password=" + file.password, path, plain.string()});
      return FirstPage(plain.string());
    };
    const std::string original_page = page(file.path);
    ASSERT_FALSE(original_page.empty());

    std::string previous;
    for (int round = 1; round <= 2; ++round) {
      const fs::path out = dir_ / (name + "_" + std::to_string(round) + ".pdf");
      doc.SaveDocument(out);
      // A second save that writes the first one's bytes again passes or
      // fails with them: the outside tools judge each distinct output once.
      std::string bytes = vn::ReadFileBytes(out);
      if (bytes == previous) {
        fs::remove(out);
        continue;
      }
      previous = std::move(bytes);
      std::string report;
      EXPECT_EQ(Check(out.string(), file.password, &report), 0) << "save " << round << "\n" << report;
      EXPECT_TRUE(page(out.string()) == original_page) << "save " << round << " renders differently";
      if (file.Encrypted()) EXPECT_NE(report.find("R = "), std::string::npos) << report;  // still encrypted
      fs::remove(out);
    }
    ++saved;

    if (file.Encrypted() || index++ % 4 == 0) {
      TvnPDBaseDoc again;
      again.LoadDocument(fs::path(file.path), file.password);
      again.SetSaveOptions("%PDF-1.7\r\n", true, false, false, false, false, false, false, false);
      // A change to append: a new entry in the catalog.
      again.GetDocRoot()->Add("VnSaved", std::make_unique<TvnPDBoolean>(true));
      const fs::path out = dir_ / (name + "_inc.pdf");
      again.SaveDocument(out);
      const std::string original = vn::ReadFileBytes(file.path);
      const std::string updated = vn::ReadFileBytes(out);
      EXPECT_EQ(updated.compare(0, original.size(), original), 0) << "original bytes changed";
      std::string report;
      const int status = Check(out.string(), file.password, &report);
      // Incremental saves keep the original bytes, and with them whatever
      // qpdf finds wrong in them.
      const int original_status = status == 0 ? 0 : Check(file.path, file.password, nullptr);
      EXPECT_TRUE(status == 0 || status == original_status) << "incremental\n" << report;
      EXPECT_TRUE(page(out.string()) == original_page) << "incremental save renders differently";
      fs::remove(out);
      ++incremental;
    }
  }
  std::printf("saved %d files in full (twice each), %d incrementally\n", saved, incremental);
}

}  // namespace
}  // namespace vn::pdf::base_doc_corpus_save_test
