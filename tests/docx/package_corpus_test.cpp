// The package layer and the builder over real DOCX files: the shared
// corpus and the fixtures made by python3-docx and LibreOffice. Each file's
// resolved parts are listed in the test output.
#include <gtest/gtest.h>

#include <iostream>
#include <set>

#include "docx/docx_helper.h"
#include "docx/package.h"
#include "docx_test_support.h"
#include "ooxml/xml_document.h"
#include "support/paths.h"
#include "wordmodel/document_mediator.h"

namespace package_corpus_test {

using namespace vn::docx;
using namespace vn::docx::testing;

// Files the corpus marks as damaged or encrypted: they may be refused, but
// never crash.
const std::set<std::string> kDamaged = {
    "poi_bug53475-password-is-pass.docx",
    "poi_truncated62886.docx",
    "poi_clusterfuzz-testcase-minimized-POIXWPFFuzzer-5313273089884160.docx",
    "poi_crash-517626e815e0afa9decd0ebb6d1dee63fb9907dd.docx",
    "tika_testWORD_protected_passtika.docx",
};

std::vector<std::filesystem::path> DocxFiles() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path corpus = std::filesystem::path(VN_CORPUS_DIR) / "docx";
  if (std::filesystem::exists(corpus)) {
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) files.push_back(entry.path());
  }
  files.push_back(DocxFixture("python_docx_pictures.docx"));
  files.push_back(DocxFixture("libreoffice_writer.docx"));
  std::sort(files.begin(), files.end());
  return files;
}

std::string Listed(const TvnPackageRelationShip* ARelation) {
  return ARelation == nullptr ? std::string("-") : vn::ToUtf8(ARelation->TargetURI);
}

// What one file's body builds into.
struct BodyCounts {
  int items = 0;
  int pictures = 0;
  int pictures_named = 0;  // naming picture data (not diagrams, charts ...)
  int pictures_with_data = 0;
  int text_boxes = 0;
};

void CountItem(vn::framework::TvnDocItem* AItem, BodyCounts& ACounts) {
  if (AItem == nullptr) return;
  if (auto* image = dynamic_cast<vn::wordmodel::TvnWordImage*>(AItem)) {
    ++ACounts.pictures;
    if (!image->GetResourceName().empty()) ++ACounts.pictures_named;
    vn::TStream* data = image->GetImageStream();
    if (data != nullptr && data->Size() > 0) ++ACounts.pictures_with_data;
    return;
  }
  if (dynamic_cast<vn::wordmodel::TvnTextBox*>(AItem) != nullptr) ++ACounts.text_boxes;
  if (auto* table = dynamic_cast<vn::wordmodel::TvnTable*>(AItem)) {
    for (const auto& row : table->GetRows()) {
      for (const auto& cell : row->GetCells()) {
        for (const auto& item : cell->GetDocItems()) CountItem(item.get(), ACounts);
      }
    }
  }
  if (auto* composite = dynamic_cast<vn::framework::TvnCompositeDocItem*>(AItem)) {
    for (const auto& child : composite->GetItems()) CountItem(child.get(), ACounts);
  }
}

BodyCounts BuildBody(TvnDOCXPackage& APackage, vn::Diagnostics& AWarnings) {
  BodyCounts counts;
  auto stream = APackage.GetMainDocumentStream();
  vn::ooxml::TXmlVerySimple xml;
  xml.LoadFromStream(*stream);
  if (xml.DocumentElement() == nullptr) return counts;
  TXmlNode* body = nullptr;
  xml.DocumentElement()->FindChild(u"w:body", body);
  if (body == nullptr) return counts;
  vn::wordmodel::TvnDocumentMediator mediator(nullptr);
  TvnDOCXHelperFunctions helper(&AWarnings);
  for (const TXmlNode* child : body->ChildNodes) {
    auto item = helper.GetParsedDocItem(child, &mediator, &APackage, mediator.GetResourceCollection(), nullptr,
                                        nullptr, nullptr, nullptr);
    if (!item) continue;
    ++counts.items;
    CountItem(item.get(), counts);
  }
  return counts;
}

TEST(DocxPackageCorpus, EveryFileOpensOrIsRefusedCleanlyAndItsPartsResolve) {
  int opened = 0;
  for (const auto& path : DocxFiles()) {
    const std::string name = path.filename().string();
    SCOPED_TRACE(name);
    vn::Diagnostics warnings;
    std::unique_ptr<TvnDOCXPackage> package;
    try {
      package = std::make_unique<TvnDOCXPackage>(path, TvnFileMode::tfOpened, &warnings);
    } catch (const vn::Exception& error) {
      std::cout << name << ": refused: " << error.what() << "\n";
      EXPECT_TRUE(kDamaged.count(name)) << error.what();
      continue;
    }
    if (kDamaged.count(name)) {
      // A damaged file may open; reading it must stay safe.
      if (package->DocLoaded()) (void)BuildBody(*package, warnings);
      std::cout << name << ": opened despite damage, " << warnings.Count() << " warnings\n";
      continue;
    }
    ++opened;
    ASSERT_TRUE(package->DocLoaded());
    const TvnPackagePart* main = package->MainDocumentPart()->PackagePart();
    EXPECT_GT(package->GetMainDocumentStream()->Size(), 0);
    std::cout << name << ": main=" << vn::ToUtf8(main->URI())
              << " styles=" << Listed(main->GetRelationshipsByType(reltype::kStyles))
              << " numbering=" << Listed(main->GetRelationshipsByType(reltype::kNumbering))
              << " theme=" << Listed(main->GetRelationshipsByType(reltype::kTheme))
              << " settings=" << Listed(main->GetRelationshipsByType(reltype::kSettings)) << " core="
              << Listed(package->Package()->GetPackageRelationshipsByType(reltype::kCoreProperties));
    // Every internal part the main document names is in the archive.
    for (const auto& relation : main->Relations()) {
      if (relation.TargetMode == TvnTargetMode::tmExternal) continue;
      EXPECT_TRUE(package->Package()->HasPart(relation.TargetURI))
          << vn::ToUtf8(relation.Id) << " -> " << vn::ToUtf8(relation.TargetURI);
    }
    const BodyCounts counts = BuildBody(*package, warnings);
    std::cout << " items=" << counts.items << " pictures=" << counts.pictures << "/" << counts.pictures_named << "/"
              << counts.pictures_with_data
              << " textboxes=" << counts.text_boxes << " warnings=" << warnings.Count() << "\n";
    EXPECT_GT(counts.items, 0);
    EXPECT_EQ(counts.pictures_named, counts.pictures_with_data);
  }
  if (std::filesystem::exists(std::filesystem::path(VN_CORPUS_DIR) / "docx")) EXPECT_GE(opened, 50);
}

TEST(DocxPackageCorpus, AMainDocumentNamedWithALeadingSlashIsFound) {
  const std::filesystem::path path =
      std::filesystem::path(VN_CORPUS_DIR) / "docx" / "pandoc_alternate_document_path.docx";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "corpus not present";
  TvnDOCXPackage package(path, TvnFileMode::tfOpened);
  ASSERT_TRUE(package.DocLoaded());
  EXPECT_EQ(package.MainDocumentPart()->URI(), u"word/document2.xml");
  EXPECT_GT(package.GetStyleStream()->Size(), 0);
}

}  // namespace package_corpus_test
