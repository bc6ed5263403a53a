// The DOCX reader over real files: every DOCX of the shared corpus and the
// fixtures fills the Word model (styles, lists, sections with headers and
// footers, body items); damaged files are refused with an exception. Each
// file's figures are listed in the test output.
#include <gtest/gtest.h>

#include <iostream>
#include <set>

#include "docx/docx_parser.h"
#include "docx/package.h"
#include "docx_test_support.h"
#include "framework/page_model.h"
#include "runtime/diagnostics.h"
#include "support/paths.h"
#include "wordmodel/document_mediator.h"
#include "wordmodel/word_document_info.h"

namespace vn::docx::reader_corpus_test {

using namespace vn::docx::testing;

// What the corpus marks as damaged or encrypted.
const std::set<std::string> kRefused = {
    "poi_bug53475-password-is-pass.docx",
    "poi_truncated62886.docx",
    "poi_clusterfuzz-testcase-minimized-POIXWPFFuzzer-5313273089884160.docx",
    "poi_crash-517626e815e0afa9decd0ebb6d1dee63fb9907dd.docx",
    "tika_testWORD_protected_passtika.docx",
};

std::filesystem::path CorpusDocx() { return std::filesystem::path(VN_CORPUS_DIR) / "docx"; }

// One file read as a load reads it.
struct ReadFile {
  explicit ReadFile(const std::filesystem::path& APath)
      : package(APath, TvnFileMode::tfOpened, &warnings), reader(&package, &mediator, &warnings) {
    if (reader.DocumentParser() == nullptr) throw vn::EDOCXExceptions("no main-document reader");
    reader.DocumentParser()->Initialize();
    sections = *reader.DocumentParser()->Sections();
    items = reader.DocumentParser()->GetEnumerator();
  }

  vn::framework::TvnBaseDocumentHandler document;
  wordmodel::TvnDocumentMediator mediator{&document};
  vn::Diagnostics warnings;
  TvnDOCXPackage package;
  TvnDOCXParser reader;
  std::vector<TvnSection*> sections;
  std::vector<TvnDocItem*> items;
};

size_t HeaderFooterItems(const TvnSection& ASection) {
  size_t count = 0;
  for (const wordmodel::TvnHeaderFooterElement* element :
       {static_cast<const wordmodel::TvnHeaderFooterElement*>(ASection.GetFirstPageHeader()),
        static_cast<const wordmodel::TvnHeaderFooterElement*>(ASection.GetEvenPageHeader()),
        static_cast<const wordmodel::TvnHeaderFooterElement*>(ASection.GetDefaultPageHeader()),
        static_cast<const wordmodel::TvnHeaderFooterElement*>(ASection.GetFirstPageFooter()),
        static_cast<const wordmodel::TvnHeaderFooterElement*>(ASection.GetEvenPageFooter()),
        static_cast<const wordmodel::TvnHeaderFooterElement*>(ASection.GetDefaultPageFooter())}) {
    if (element != nullptr) count += element->GetElements().size();
  }
  return count;
}

TEST(DocxReaderCorpus, EveryFileFillsTheWordModelOrIsRefused) {
  std::vector<std::filesystem::path> files;
  if (std::filesystem::exists(CorpusDocx())) {
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDocx())) files.push_back(entry.path());
  }
  files.push_back(DocxFixture("python_docx_pictures.docx"));
  files.push_back(DocxFixture("libreoffice_writer.docx"));
  std::sort(files.begin(), files.end());
  int read = 0;
  for (const auto& path : files) {
    const std::string name = path.filename().string();
    SCOPED_TRACE(name);
    std::unique_ptr<ReadFile> file;
    try {
      file = std::make_unique<ReadFile>(path);
    } catch (const vn::Exception& error) {
      std::cout << name << ": refused: " << error.what() << "\n";
      EXPECT_TRUE(kRefused.count(name)) << error.what();
      continue;
    }
    EXPECT_FALSE(kRefused.count(name)) << "a damaged or encrypted file was read as a document";
    ++read;
    size_t header_items = 0;
    for (const TvnSection* section : file->sections) header_items += HeaderFooterItems(*section);
    std::cout << name << ": sections=" << file->sections.size() << " items=" << file->items.size()
              << " header/footer items=" << header_items << " styles=" << file->mediator.GetWordStyles()->GetCount()
              << " lists=" << file->mediator.GetAbstractNumbers().size() << "/"
              << file->mediator.GetConcreteNumbers().size() << " fonts=" << file->mediator.GetMajorFontGroup().size()
              << "/" << file->mediator.GetMinorFontGroup().size() << " warnings=" << file->warnings.Count() << "\n";
    EXPECT_GT(file->items.size(), 0u);
    EXPECT_GE(file->sections.size(), 1u);
  }
  if (std::filesystem::exists(CorpusDocx())) {
    EXPECT_GE(read, 55);
  }
}

TEST(DocxReaderCorpus, SectionsHeadersListsAndPropertiesOfKnownFiles) {
  if (!std::filesystem::exists(CorpusDocx())) GTEST_SKIP() << "corpus not present";
  {
    ReadFile file(CorpusDocx() / "poi_DiffFirstPageHeadFoot.docx");
    ASSERT_EQ(file.sections.size(), 1u);
    const TvnSection& section = *file.sections[0];
    EXPECT_TRUE(section.GetIsTitlePage());
    EXPECT_FALSE(section.GetFirstPageHeader()->GetElements().empty());
    EXPECT_FALSE(section.GetDefaultPageHeader()->GetElements().empty());
    EXPECT_FALSE(section.GetFirstPageFooter()->GetElements().empty());
    EXPECT_EQ(section.GetPageWidth(), 816);
    EXPECT_EQ(section.GetPageMargin()->GetHeader(), 47);
  }
  {
    ReadFile file(CorpusDocx() / "poi_PageSpecificHeadFoot.docx");
    EXPECT_TRUE(file.mediator.GetEvenOddHeaders());
    ASSERT_EQ(file.sections.size(), 1u);
    EXPECT_TRUE(file.sections[0]->GetIsEvenOddHeaders());
    EXPECT_FALSE(file.sections[0]->GetEvenPageHeader()->GetElements().empty());
  }
  {
    ReadFile file(CorpusDocx() / "poi_documentProperties.docx");
    const auto* info = dynamic_cast<const wordmodel::TvnWordDocumentInfo*>(file.document.GetDocumentInfo());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetTitle(), u"Hello World");
    EXPECT_EQ(file.sections[0]->GetPageWidth(), 793);
  }
  {
    ReadFile file(CorpusDocx() / "poi_Numbering.docx");
    EXPECT_FALSE(file.mediator.GetAbstractNumbers().empty());
    EXPECT_FALSE(file.mediator.GetConcreteNumbers().empty());
    EXPECT_EQ(file.sections[0]->GetPageWidth(), 794);
    EXPECT_EQ(file.sections[0]->GetPageHeight(), 1123);
  }
  {
    // Two sections; the second in two columns.
    ReadFile file(CorpusDocx() / "tika_testWORD_various.docx");
    ASSERT_GE(file.sections.size(), 2u);
    EXPECT_FALSE(file.sections[0]->GetDefaultPageHeader()->GetElements().empty());
    EXPECT_EQ(file.sections[1]->GetColumnsCount(), 2);
    EXPECT_EQ(file.sections[1]->GetColumns().size(), 2u);
    EXPECT_EQ(file.sections[1]->GetSectionType(), wordmodel::TvnSectionType::stContinuous);
  }
  {
    ReadFile file(CorpusDocx() / "poi_Styles.docx");
    EXPECT_GT(file.mediator.GetWordStyles()->GetCount(), 10);
    EXPECT_NE(file.mediator.GetWordStyles()->GetDocDefaultRunProperty(), nullptr);
    EXPECT_FALSE(file.mediator.GetMinorFontGroup().empty());
  }
}

}  // namespace vn::docx::reader_corpus_test
