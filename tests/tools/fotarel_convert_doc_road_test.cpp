// End to end: Word 97-2003 documents converted by the fotarel-convert
// program into PDF and PNG: the LibreOffice-made fixtures (a portrait and a
// landscape section with the same header on every page; an inline and a
// floating picture and a text box) checked page by page, every readable
// document of the corpus checked with qpdf and pdfinfo against the corpus's
// manifest and with pdfimages against the pictures of LibreOffice's PDFs,
// and the files the reader refuses (older Word versions, encrypted and
// damaged files) failing without output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/paths.h"
#include "tools/road_test_support.h"

namespace fotarel_convert_doc_road_test {

namespace fs = std::filesystem;

using vn::road_test::CommandResult;
using vn::road_test::RunCommand;

// Corpus files whose page count is known to fall outside the tolerance,
// with the reason.
// (None at present.)
const std::map<std::string, std::string> kKnownPageCountGaps = {};

// The pixel sizes of the images `pdfimages -list` shows in APdf (soft masks
// left out), sorted.
std::vector<std::string> PdfImageSizes(const fs::path& APdf) {
  std::istringstream list(RunCommand("pdfimages -list '" + APdf.string() + "'", false).Out);
  std::vector<std::string> sizes;
  std::string line;
  for (int skip = 0; skip < 2 && std::getline(list, line); ++skip) {
  }
  while (std::getline(list, line)) {
    std::istringstream row(line);
    std::string page, num, type, width, height;
    if (row >> page >> num >> type >> width >> height && type == "image") sizes.push_back(width + "x" + height);
  }
  std::sort(sizes.begin(), sizes.end());
  return sizes;
}

// The images of LibreOffice's PDF of each document, recorded once by
// tests/fixtures/doc/record_libreoffice_images.sh: name to sorted sizes.
std::map<std::string, std::vector<std::string>> LibreOfficeImages() {
  std::map<std::string, std::vector<std::string>> table;
  std::ifstream in(fs::path(VN_FIXTURES_DIR) / "doc" / "libreoffice_images.tsv");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, count, size;
    std::getline(fields, name, '\t');
    std::getline(fields, count, '\t');
    std::vector<std::string>& sizes = table[name];
    while (fields >> size) sizes.push_back(size);
    std::sort(sizes.begin(), sizes.end());
  }
  return table;
}

// Corpus files whose page count must be LibreOffice's exactly: two short
// paragraphs, the second starting a page.
const std::map<std::string, int> kExactPageCounts = {
    {"poi_page-break.doc", 2},
    {"poi_page-break-before.doc", 2},
};

class DocRoad : public vn::road_test::RoadTest {
 protected:
  DocRoad() : RoadTest("vn_doc_road_", {"qpdf", "pdfinfo", "pdftotext", "pdfimages"}) {}

  CommandResult Convert(const std::string& AArguments) {
    return RunCommand("cd '" + FDir.string() + "' && '" FOTAREL_CONVERT "' " + AArguments);
  }
  // pdfinfo's lines for the pages of APdf.
  static std::string PdfInfo(const fs::path& APdf) {
    return RunCommand("pdfinfo -f 1 -l 999 '" + APdf.string() + "'").Out;
  }
  static int PdfPages(const fs::path& APdf) {
    std::smatch m;
    const std::string info = PdfInfo(APdf);
    return std::regex_search(info, m, std::regex(R"(Pages:\s+(\d+))")) ? std::stoi(m[1]) : -1;
  }
};

TEST_F(DocRoad, SectionsFixtureConvertsToPdfAndPng) {
  const fs::path fixture = fs::path(VN_FIXTURES_DIR) / "doc" / "sections.doc";
  // A template is read like a document.
  fs::copy_file(fixture, FDir / "sections.dot");
  for (const std::string& input : {fixture.string(), (FDir / "sections.dot").string()}) {
    SCOPED_TRACE(input);
    const CommandResult r = Convert("--out pdf '" + input + "'");
    ASSERT_EQ(r.Status, 0) << r.Out;
    const fs::path pdf = FDir / "pdf" / "sections.pdf";
    EXPECT_EQ(RunCommand("qpdf --check '" + pdf.string() + "'").Status, 0);
    const std::string info = PdfInfo(pdf);
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    EXPECT_NE(info.find("Page    1 size:  612 x 792 pts"), std::string::npos) << info;
    EXPECT_NE(info.find("Page    3 size:  792 x 612 pts"), std::string::npos) << info;
    // The header on each page, then the paragraphs in their order.
    const std::string text = RunCommand("pdftotext '" + pdf.string() + "' -").Out;
    size_t at = 0;
    for (const char* expected : {"Running head", "Portrait paragraph 1 ", "Portrait paragraph 2 ", "Running head",
                                 "Portrait paragraph 60 ", "Running head", "Landscape paragraph 1.",
                                 "Landscape paragraph 5."}) {
      const size_t found = text.find(expected, at);
      ASSERT_NE(found, std::string::npos) << expected << " after offset " << at;
      at = found + 1;
    }
    fs::remove_all(FDir / "pdf");
  }
  const CommandResult png = Convert("--to .png --out png '" + fixture.string() + "'");
  ASSERT_EQ(png.Status, 0) << png.Out;
  for (int n = 1; n <= 3; ++n) EXPECT_TRUE(fs::exists(FDir / "png" / ("sections_" + std::to_string(n) + ".png"))) << n;
}

// The inline picture, the floating picture and the text box reach the PDF:
// the pictures at their own pixel sizes, the text box's words among the
// paragraphs.
TEST_F(DocRoad, DrawingsFixtureShowsItsPicturesAndTextBox) {
  const fs::path fixture = fs::path(VN_FIXTURES_DIR) / "doc" / "drawings.doc";
  const CommandResult r = Convert("--out pdf '" + fixture.string() + "'");
  ASSERT_EQ(r.Status, 0) << r.Out;
  const fs::path pdf = FDir / "pdf" / "drawings.pdf";
  EXPECT_EQ(RunCommand("qpdf --check '" + pdf.string() + "'").Status, 0);
  EXPECT_EQ(PdfImageSizes(pdf), (std::vector<std::string>{"40x30", "60x45"}));
  EXPECT_EQ(PdfImageSizes(pdf), LibreOfficeImages()["drawings.doc"]);
  const std::string text = RunCommand("pdftotext '" + pdf.string() + "' -").Out;
  for (const char* words : {"Before the inline picture", "after the inline picture.",
                            "The floating picture is anchored to this paragraph.", "Words inside the text box.",
                            "The last paragraph of the document."})
    EXPECT_NE(text.find(words), std::string::npos) << words;
  const CommandResult png = Convert("--to .png --out png '" + fixture.string() + "'");
  ASSERT_EQ(png.Status, 0) << png.Out;
  EXPECT_TRUE(fs::exists(FDir / "png" / "drawings.png"));
}

// One Word 97-2003 file of the corpus as its manifest describes it.
struct DocCorpusEntry {
  fs::path Path;
  std::string Name;
  std::string Stem;
  bool Refused = false;  // a file the reader may refuse
  int Pages = -1;        // LibreOffice's page count; -1 when the manifest has none
};

// The files the reader reads convert in one run (a program start each would
// cost more than most conversions); when that run fails, each of them is
// converted on its own so the failing file is named. Files the reader may
// refuse run one each, since a refusal stops a run.
TEST_F(DocRoad, CorpusDocumentsConvertOrFailCleanly) {
  const fs::path manifest = fs::path(VN_CORPUS_DIR) / "MANIFEST.tsv";
  if (!fs::exists(manifest)) GTEST_SKIP() << "no corpus";
  std::ifstream in(manifest);
  const std::regex pages(R"(LibreOffice pages=(\d+))");
  std::vector<DocCorpusEntry> entries;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("doc/", 0) != 0) continue;
    DocCorpusEntry e;
    e.Path = fs::path(VN_CORPUS_DIR) / line.substr(0, line.find('\t'));
    e.Name = e.Path.filename().string();
    e.Stem = e.Path.stem().string();
    e.Refused = line.find("damaged") != std::string::npos || line.find("encrypted") != std::string::npos ||
                line.find("Word 6") != std::string::npos || line.find("Word 95") != std::string::npos;
    std::smatch m;
    if (std::regex_search(line, m, pages)) e.Pages = std::stoi(m[1]);
    entries.push_back(e);
  }

  // Converts AEntry on its own: only a file the reader cannot read may
  // fail, and it leaves nothing. Returns whether a PDF was written.
  auto convertAlone = [&](const DocCorpusEntry& AEntry) {
    SCOPED_TRACE(AEntry.Name);
    const CommandResult r = Convert("--out pdf '" + AEntry.Path.string() + "'");
    if (r.Status == 0) return true;
    EXPECT_TRUE(AEntry.Refused) << r.Out;
    EXPECT_EQ(r.Status, 1) << r.Out;
    EXPECT_FALSE(fs::exists(FDir / "pdf" / (AEntry.Stem + ".pdf")));
    return false;
  };
  std::vector<const DocCorpusEntry*> written;
  std::string readable;
  for (const DocCorpusEntry& e : entries)
    if (!e.Refused) readable += " '" + e.Path.string() + "'";
  const CommandResult batch = Convert("--out pdf" + readable);
  EXPECT_EQ(batch.Status, 0) << batch.Out;
  if (batch.Status != 0) fs::remove_all(FDir / "pdf");
  for (const DocCorpusEntry& e : entries) {
    if (e.Refused || batch.Status != 0) {
      if (convertAlone(e)) written.push_back(&e);
    } else {
      EXPECT_TRUE(fs::exists(FDir / "pdf" / (e.Stem + ".pdf"))) << e.Name << ": " << batch.Out;
      written.push_back(&e);
    }
  }

  const auto libreoffice_images = LibreOfficeImages();
  size_t converted = 0;
  for (const DocCorpusEntry* e : written) {
    SCOPED_TRACE(e->Name);
    const fs::path pdf = FDir / "pdf" / (e->Stem + ".pdf");
    EXPECT_EQ(RunCommand("qpdf --check '" + pdf.string() + "'").Status, 0);
    if (e->Pages < 0 || e->Refused) continue;
    ++converted;
    // The pictures LibreOffice shows, at the same pixel sizes.
    if (const auto it = libreoffice_images.find(e->Name); it != libreoffice_images.end())
      EXPECT_EQ(PdfImageSizes(pdf), it->second) << "pdfimages -list";
    const int got = PdfPages(pdf);
    std::cout << "  " << e->Name << ": " << got << " pages (LibreOffice " << e->Pages << ")\n";
    if (const auto exact = kExactPageCounts.find(e->Name); exact != kExactPageCounts.end())
      EXPECT_EQ(got, exact->second);
    if (kKnownPageCountGaps.contains(e->Name)) continue;
    if (e->Pages <= 10) EXPECT_LE(std::abs(got - e->Pages), 1) << got << " pages";
    else EXPECT_TRUE(got >= e->Pages && got <= e->Pages + e->Pages / 10) << got << " pages";
  }
  EXPECT_GT(converted, 30u);
}

}  // namespace fotarel_convert_doc_road_test
