// Sections of real files laid out by the Word layout engine: the
// LibreOffice-made fixture (a portrait section, then a landscape one, the
// same header on every page) and every readable DOC of the shared corpus,
// each with its page sizes, headers and columns checked where the file is
// known for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>

#include "doc/doc_package.h"
#include "doc/main_document_parser.h"
#include "doc/style_parser.h"
#include "support/paths.h"
#include "wordmodel/fixed_pitch_canvas.h"
#include "wordmodel/pagination_engine.h"
#include "wordmodel/section.h"
#include "wordmodel/text_item.h"
#include "wordmodel/word_page.h"

namespace vn::doc::sections_corpus_test {

namespace fs = std::filesystem;
namespace wm = vn::wordmodel;

void AppendWords(const wm::TvnDocItem& AItem, std::string& AWords) {
  if (const auto* line = dynamic_cast<const wm::TvnTextLine*>(&AItem)) {
    for (wm::TvnDocItem* child : line->Children()) AppendWords(*child, AWords);
    return;
  }
  if (const auto* column = dynamic_cast<const wm::TvnColumn*>(&AItem)) {
    for (wm::TvnDocItem* child : column->Children()) AppendWords(*child, AWords);
    return;
  }
  // Words one space apart.
  if (const auto* text = dynamic_cast<const wm::TvnTextitem*>(&AItem)) {
    for (const char c : vn::ToUtf8(text->GetText() + u" ")) {
      if (c != ' ') AWords.push_back(c);
      else if (!AWords.empty() && AWords.back() != ' ') AWords.push_back(' ');
    }
  }
}

struct PageView {
  int32_t width = 0;
  int32_t height = 0;
  std::string words;
};

// A DOC file read and laid out on the fixed-pitch canvas.
struct LaidOut {
  explicit LaidOut(const fs::path& AFile, size_t AMaxPages = 400) {
    input.LoadFromFile(AFile);
    package = std::make_unique<TvnDOCPackage>(&input, u"", &diagnostics);
    parser = std::make_unique<TvnDOCParser>(package.get(), &mediator, &diagnostics);
    wm::FillMediatorFromReader(*parser, mediator);
    main = static_cast<TvnDOCMainDocumentParser*>(parser->GetDocumentParser());
    main->Initialize();
    wm::testing::FixedPitchCanvas canvas;
    wm::TvnWordLayoutEngine engine(*parser, &canvas);
    std::vector<std::unique_ptr<wm::TvnWordPage>> laid;
    while (laid.size() < AMaxPages) {
      std::unique_ptr<wm::TvnWordPage> page = engine.GetNextPage();
      if (page == nullptr) break;
      laid.push_back(std::move(page));
    }
    for (const auto& page : laid) {
      const auto size = page->GetPageSize();
      PageView view{static_cast<int32_t>(size.Width), static_cast<int32_t>(size.Height), {}};
      for (wm::TvnDocItem* item : page->PageElements()) AppendWords(*item, view.words);
      pages.push_back(std::move(view));
    }
    sections = *main->Sections();
  }
  vn::TMemoryStream input;
  Diagnostics diagnostics;
  std::unique_ptr<TvnDOCPackage> package;
  wm::TvnDocumentMediator mediator{nullptr};
  std::unique_ptr<TvnDOCParser> parser;
  TvnDOCMainDocumentParser* main = nullptr;
  std::vector<PageView> pages;
  std::vector<wm::TvnSection*> sections;
};

TEST(DocSectionsLayout, LandscapeSecondSectionAndRepeatedHeader) {
  LaidOut doc(fs::path(VN_FIXTURES_DIR) / "doc" / "sections.doc");
  ASSERT_EQ(doc.sections.size(), 2u);
  EXPECT_EQ(doc.sections[1]->GetOrientation(), wm::TvnOrientation::oLandscape);
  ASSERT_GE(doc.pages.size(), 3u);
  size_t landscape = 0;
  for (size_t i = 0; i < doc.pages.size(); ++i) {
    const PageView& page = doc.pages[i];
    SCOPED_TRACE("page " + std::to_string(i + 1) + ": " + page.words.substr(0, 80));
    EXPECT_EQ(page.words.rfind("Running head ", 0), 0u) << "the header opens every page";
    const bool is_landscape = page.words.find("Landscape paragraph") != std::string::npos;
    EXPECT_EQ(page.words.find("Portrait paragraph") != std::string::npos, !is_landscape);
    if (is_landscape) {
      ++landscape;
      EXPECT_EQ(std::pair(page.width, page.height), std::pair(1056, 816));
    } else {
      EXPECT_EQ(std::pair(page.width, page.height), std::pair(816, 1056));
    }
  }
  EXPECT_EQ(landscape, 1u);
  EXPECT_NE(doc.pages.back().words.find("Landscape paragraph 5."), std::string::npos);
}

// LibreOffice's page counts of the corpus files, from the manifest.
std::map<std::string, int> ManifestPages() {
  std::map<std::string, int> pages;
  std::ifstream manifest(fs::path(VN_CORPUS_DIR) / "MANIFEST.tsv");
  const std::regex row(R"(^doc/([^\t]+)\t.*LibreOffice pages=(\d+))");
  std::smatch m;
  for (std::string line; std::getline(manifest, line);)
    if (std::regex_search(line, m, row)) pages[m[1]] = std::stoi(m[2]);
  return pages;
}

TEST(DocSectionsLayout, CorpusFilesLayOutWithTheirSections) {
  const fs::path corpus = fs::path(VN_CORPUS_DIR) / "doc";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus";
  const auto expected_pages = ManifestPages();
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(corpus))
    if (e.path().extension() == ".doc") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  size_t laid_out = 0;
  for (const auto& file : files) {
    const std::string name = file.filename().string();
    SCOPED_TRACE(name);
    std::unique_ptr<LaidOut> doc;
    try {
      doc = std::make_unique<LaidOut>(file);
    } catch (const EDOCFormatError&) {
      continue;
    }
    ++laid_out;
    ASSERT_FALSE(doc->sections.empty());
    EXPECT_FALSE(doc->pages.empty());
    const auto it = expected_pages.find(name);
    std::cout << "  " << name << ": " << doc->sections.size() << " sections, " << doc->pages.size() << " pages"
              << (it == expected_pages.end() ? std::string() : " (LibreOffice " + std::to_string(it->second) + ")")
              << "\n";
    for (const auto* section : doc->sections) {
      EXPECT_GT(section->GetPageWidth(), 0);
      EXPECT_GT(section->GetPageHeight(), 0);
    }
    // What each page of a file known for its headers or sections opens
    // with, and its size.
    struct Opening {
      size_t page;
      int32_t width, height;
      const char* words;
    };
    static const std::map<std::string, std::vector<Opening>> known = {
        {"poi_DiffFirstPageHeadFoot.doc",
         {{0, 816, 1056, "I am the header on the first page"}, {1, 816, 1056, "First header column! Mid header"}}},
        {"poi_PageSpecificHeadFoot.doc",
         {{0, 816, 1056, "August 20, 2008 [ ODD PAGE HEADER TEXT ]"},
          {1, 816, 1056, "[ THIS IS AN EVEN PAGE, WITH A HEADER ]"}}},
        {"poi_HeaderFooterUnicode.doc",
         {{0, 816, 1056, "This is a simple header, with a \u20AC euro symbol in it. This is a"},
          {1, 816, 1056, "This is a simple header, with a \u20AC euro symbol in it. This is page two"}}},
        {"poi_ThreeColHeadFoot.doc",
         {{0, 816, 1056, "First header column! Mid header Right header! This is a sample"},
          {1, 816, 1056, "First header column! Mid header Right header! This is page two"}}},
        // A landscape second section, after six portrait pages (their
        // pictures included).
        {"poi_Fuzzed.doc",
         {{0, 816, 1056, "This is plain text in the header."}, {5, 816, 1056, "This is plain text in the header."},
          {6, 1056, 816, "This is plain text in the header."}}},
    };
    if (const auto found = known.find(name); found != known.end()) {
      for (const Opening& o : found->second) {
        ASSERT_LT(o.page, doc->pages.size());
        const PageView& page = doc->pages[o.page];
        EXPECT_EQ(std::pair(page.width, page.height), std::pair(o.width, o.height)) << "page " << o.page + 1;
        EXPECT_EQ(page.words.rfind(o.words, 0), 0u) << "page " << o.page + 1 << ": " << page.words.substr(0, 100);
      }
    }
  }
  EXPECT_GT(laid_out, 20u);
}

}  // namespace vn::doc::sections_corpus_test
