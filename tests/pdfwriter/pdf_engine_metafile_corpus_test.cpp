// Real-world metafiles played through the metafile player into the PDF
// engine, one page each: whatever content the player makes of them, the
// file passes qpdf --check, every content stream balances its graphics
// states, and pdftoppm renders every page without an error.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "export/metafile_processor.h"
#include "pdf_test_support.h"
#include "platform/emf/emf_reader.h"
#include "support/paths.h"

namespace vn::pdfwriter::testing::pdf_engine_metafile_corpus_test {
namespace {

TEST(PdfMetafileCorpus, PlayedMetafilesMakeValidPages) {
  const std::filesystem::path dir = std::filesystem::path(VN_CORPUS_DIR) / "emf";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus";
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());

  vn::exporter::InstallMetafileProcessor();
  PinClock();
  int pages = 0;
  std::string pdf;
  {
    TestEngine engine(816, 1056);
    engine.BeginDoc();
    for (const auto& file : files) {
      vn::exporter::TMetafile metafile;
      metafile.Bytes = vn::ReadFileBytes(file);
      if (pages) engine.NewPage();
      ++pages;
      try {
        engine.PlayMetafile(0, 0, metafile);
      } catch (const vn::platform::emf::EEmfError&) {
        // not a metafile at all: the page stays empty
      }
    }
    engine.EndDoc();
    pdf = engine.Bytes();
  }  // the engine checks the file with qpdf as it goes
  vn::exporter::SetMetafilePlayer(nullptr);

  const auto contents = PageContents(pdf);
  ASSERT_EQ(static_cast<int>(contents.size()), pages);
  for (size_t i = 0; i < contents.size(); ++i) EXPECT_TRUE(Balanced(contents[i])) << files[i].filename();
  if (!vn::test_support::HaveTool("pdftoppm")) return;
  const auto path = SaveTemp(pdf, "metafile_corpus_render.pdf");
  std::string output;
  const int rc = vn::pdfwriter::testing::Run("pdftoppm -r 24 -gray '" + path.string() + "' '" + TempFile("metafile_corpus").string() + "'", &output);
  EXPECT_EQ(rc, 0) << output;
  // No complaint at all (operators, operands, states, images).
  EXPECT_EQ(output, "");
}

}  // namespace
}  // namespace vn::pdfwriter::testing::pdf_engine_metafile_corpus_test
