#include "docx/package.h"

#include <gtest/gtest.h>

#include "docx_test_support.h"
#include "runtime/diagnostics.h"

namespace package_test {

using vn::docx::RelationshipsPartName;
using vn::docx::ResolvePartName;
using vn::docx::TvnDOCXPackage;
using vn::docx::TvnFileMode;
using vn::docx::TvnTargetMode;
using namespace vn::docx::testing;

const std::string kPackageRels =
    Relationships(Relationship("rId1", "officeDocument", "word/document.xml"));
const std::string kDocument = "<w:document><w:body/></w:document>";

// A package opened from bytes, with its warnings.
struct OpenedPackage {
  explicit OpenedPackage(const ZipMembers& AMembers) : bytes(StoredZip(AMembers)) {}
  TvnDOCXPackage& Open() {
    package = std::make_unique<TvnDOCXPackage>(bytes, TvnFileMode::tfOpened, &warnings);
    return *package;
  }
  vn::TStringStream bytes;
  vn::Diagnostics warnings;
  std::unique_ptr<TvnDOCXPackage> package;
};

std::string Bytes(const std::unique_ptr<vn::TMemoryStream>& AStream) {
  return AStream ? StreamBytes(AStream.get()) : std::string("<null>");
}

TEST(DocxPartNames, TargetsResolveAgainstTheirSourcePart) {
  struct Case {
    const char16_t* source;
    const char16_t* target;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"word/document.xml", u"styles.xml", u"word/styles.xml"},
      {u"word/document.xml", u"media/image1.png", u"word/media/image1.png"},
      {u"word/document.xml", u"./theme/theme1.xml", u"word/theme/theme1.xml"},
      {u"word/document.xml", u"../customXml/item1.xml", u"customXml/item1.xml"},
      {u"word/document.xml", u"/word/media/a.png", u"word/media/a.png"},
      {u"", u"/word/document2.xml", u"word/document2.xml"},
      {u"", u"word/document.xml", u"word/document.xml"},
      {u"document.xml", u"styles.xml", u"styles.xml"},
      {u"word/document.xml", u"media/image%201.png", u"word/media/image 1.png"},
      {u"word/document.xml", u"media/%E2%82%AC.png", u"word/media/\u20AC.png"},
      {u"word/document.xml", u"media/100%.png", u"word/media/100%.png"},
      {u"word/document.xml", u"media//a.png", u"word/media/a.png"},
      {u"word/document.xml", u"header1.xml#frag", u"word/header1.xml"},
      // Above the package root, or nothing at all: no part.
      {u"word/document.xml", u"../../outside.xml", u""},
      {u"", u"../x.xml", u""},
      {u"word/document.xml", u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolvePartName(c.source, c.target), c.expected)
        << vn::ToUtf8(c.source) << " + " << vn::ToUtf8(c.target);
  }
}

TEST(DocxPartNames, RelationshipsLieInTheRelsFolderBesideThePart) {
  EXPECT_EQ(RelationshipsPartName(u""), u"_rels/.rels");
  EXPECT_EQ(RelationshipsPartName(u"word/document.xml"), u"word/_rels/document.xml.rels");
  EXPECT_EQ(RelationshipsPartName(u"document.xml"), u"_rels/document.xml.rels");
  EXPECT_EQ(RelationshipsPartName(u"a/b/c.xml"), u"a/b/_rels/c.xml.rels");
}

TEST(DocxPackage, FindsTheWellKnownPartsThroughTheMainPartsRelationships) {
  OpenedPackage p({{"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "word/document.xml") +
                                                  "<Relationship Id=\"rId2\" Type=\"http://schemas."
                                                  "openxmlformats.org/package/2006/relationships/metadata/"
                                                  "core-properties\" Target=\"docProps/core.xml\"/>")},
                   {"word/_rels/document.xml.rels",
                    Relationships(Relationship("rId1", "styles", "styles.xml") +
                                  Relationship("rId2", "numbering", "numbering.xml") +
                                  Relationship("rId3", "theme", "theme/theme1.xml") +
                                  Relationship("rId4", "settings", "settings.xml"))},
                   {"word/document.xml", kDocument},
                   {"word/styles.xml", "S"},
                   {"word/numbering.xml", "N"},
                   {"word/theme/theme1.xml", "T"},
                   {"word/settings.xml", "G"},
                   {"docProps/core.xml", "C"}});
  TvnDOCXPackage& package = p.Open();
  ASSERT_TRUE(package.DocLoaded());
  EXPECT_EQ(Bytes(package.GetMainDocumentStream()), kDocument);
  EXPECT_EQ(Bytes(package.GetStyleStream()), "S");
  EXPECT_EQ(Bytes(package.GetNumberingStream()), "N");
  EXPECT_EQ(Bytes(package.GetThemeStream()), "T");
  EXPECT_EQ(Bytes(package.GetDocumentSettingsStream()), "G");
  EXPECT_EQ(Bytes(package.GetCorePropStream()), "C");
  EXPECT_TRUE(p.warnings.Empty()) << p.warnings.Summary();
}

TEST(DocxPackage, TheLastRelationshipOfATypeOrIdWins) {
  OpenedPackage p({{"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "word/first.xml") +
                                                  Relationship("rId2", "officeDocument", "word/second.xml"))},
                   {"word/_rels/second.xml.rels",
                    Relationships(Relationship("rId5", "image", "a.png") + Relationship("rId5", "image", "b.png"))},
                   {"word/first.xml", "first"},
                   {"word/second.xml", "second"},
                   {"word/a.png", "A"},
                   {"word/b.png", "B"}});
  TvnDOCXPackage& package = p.Open();
  EXPECT_EQ(Bytes(package.GetMainDocumentStream()), "second");
  EXPECT_EQ(Bytes(package.GetResourceStream(u"rId5")), "B");
}

TEST(DocxPackage, RelationshipsNeedAnIdAndMayLackATarget) {
  OpenedPackage p({{"_rels/.rels", kPackageRels},
                   {"word/_rels/document.xml.rels",
                    Relationships("<Relationship Type=\"x\" Target=\"styles.xml\"/>"
                                  "<Relationship Id=\"\" Type=\"x\" Target=\"styles.xml\"/>"
                                  "<Relationship Id=\"rId2\" Type=\"x\"/>")},
                   {"word/document.xml", kDocument}});
  TvnDOCXPackage& package = p.Open();
  const auto& relations = package.MainDocumentPart()->PackagePart()->Relations();
  ASSERT_EQ(relations.size(), 1u);
  EXPECT_EQ(relations[0].Id, u"rId2");
  EXPECT_EQ(relations[0].TargetURI, u"");
  EXPECT_EQ(package.GetResourceStream(u"rId2"), nullptr);
}

TEST(DocxPackage, WithoutTheMainPartsRelationshipsItsPartGettersAnswerNothing) {
  OpenedPackage p({{"_rels/.rels", kPackageRels}, {"word/document.xml", kDocument}, {"word/styles.xml", "S"}});
  TvnDOCXPackage& package = p.Open();
  EXPECT_EQ(Bytes(package.GetMainDocumentStream()), kDocument);
  EXPECT_EQ(package.GetStyleStream(), nullptr);
  EXPECT_EQ(package.GetNumberingStream(), nullptr);
  EXPECT_EQ(package.GetThemeStream(), nullptr);
  EXPECT_EQ(package.GetDocumentSettingsStream(), nullptr);
  EXPECT_EQ(package.GetCorePropStream(), nullptr);
}

TEST(DocxPackage, APartAtThePackageRootHasItsRelationshipsToo) {
  OpenedPackage p({{"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "/document.xml"))},
                   {"_rels/document.xml.rels", Relationships(Relationship("rId1", "styles", "styles.xml"))},
                   {"document.xml", kDocument},
                   {"styles.xml", "S"}});
  TvnDOCXPackage& package = p.Open();
  EXPECT_EQ(Bytes(package.GetMainDocumentStream()), kDocument);
  EXPECT_EQ(Bytes(package.GetStyleStream()), "S");
}

TEST(DocxPackage, IdsMatchExactlyAndPartNamesIgnoreCase) {
  OpenedPackage p({{"_rels/.rels", kPackageRels},
                   {"word/_rels/document.xml.rels", Relationships(Relationship("rId1", "image", "Media/Image1.PNG"))},
                   {"word/document.xml", kDocument},
                   {"word/media/image1.png", "PNG"}});
  TvnDOCXPackage& package = p.Open();
  EXPECT_EQ(Bytes(package.GetResourceStream(u"rId1")), "PNG");
  EXPECT_EQ(package.GetResourceStream(u"RID1"), nullptr);
  EXPECT_EQ(package.GetResourceStream(u""), nullptr);
  EXPECT_EQ(package.GetPackagePart(u""), nullptr);
  EXPECT_EQ(package.GetPackagePart(u"rId9"), nullptr);
}

TEST(DocxPackage, ExternalTargetsFetchNoPart) {
  OpenedPackage p(
      {{"_rels/.rels", kPackageRels},
       {"word/_rels/document.xml.rels",
        Relationships(Relationship("rId1", "image", "media/image1.png", " TargetMode=\"External\"") +
                      Relationship("rId2", "hyperlink", "http://example.com/a?b#c", " TargetMode=\"External\""))},
       {"word/document.xml", kDocument},
       {"word/media/image1.png", "PNG"}});
  TvnDOCXPackage& package = p.Open();
  const auto* link = package.MainDocumentPart()->PackagePart()->GetRelationship(u"rId2");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->TargetMode, TvnTargetMode::tmExternal);
  EXPECT_EQ(link->TargetURI, u"http://example.com/a?b#c");
  EXPECT_EQ(package.GetResourceStream(u"rId1"), nullptr);
}

TEST(DocxPackage, HeaderPartsResolveTheirOwnRelationships) {
  OpenedPackage p({{"_rels/.rels", kPackageRels},
                   {"word/_rels/document.xml.rels", Relationships(Relationship("rId1", "image", "media/body.png") +
                                                                  Relationship("rId7", "header", "header1.xml"))},
                   {"word/_rels/header1.xml.rels", Relationships(Relationship("rId1", "image", "media/head.png"))},
                   {"word/document.xml", kDocument},
                   {"word/header1.xml", "<w:hdr/>"},
                   {"word/media/body.png", "BODY"},
                   {"word/media/head.png", "HEAD"}});
  TvnDOCXPackage& package = p.Open();
  auto header = package.GetPackagePart(u"rId7");
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->URI(), u"word/header1.xml");
  EXPECT_EQ(Bytes(package.GetPartStream(*header)), "<w:hdr/>");
  EXPECT_EQ(Bytes(package.GetResourceStream(u"rId1", header.get())), "HEAD");
  EXPECT_EQ(Bytes(package.GetResourceStream(u"rId1")), "BODY");
}

TEST(DocxPackage, DamagedRelationshipsGiveNoRelationshipsAndAWarning) {
  struct Case {
    const char* name;
    ZipMembers members;
    bool doc_loaded;
    const char* warning;
  };
  const Case cases[] = {
      {"no package relationships", {{"word/document.xml", kDocument}}, false, "no relationships part"},
      {"empty relationships", {{"_rels/.rels", Relationships("")}}, false, "names no main document"},
      {"not XML", {{"_rels/.rels", "\x01\x02 not xml"}}, false, "holds no XML element"},
      {"main part missing", {{"_rels/.rels", kPackageRels}}, true, "is missing"},
      {"target outside",
       {{"_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "../document.xml"))}},
       false,
       "outside the package"},
  };
  for (const Case& c : cases) {
    OpenedPackage p(c.members);
    TvnDOCXPackage& package = p.Open();
    EXPECT_EQ(package.DocLoaded(), c.doc_loaded) << c.name;
    if (!c.doc_loaded) EXPECT_EQ(package.GetMainDocumentStream(), nullptr) << c.name;
    EXPECT_NE(p.warnings.Summary().find(c.warning), std::string::npos) << c.name << ": " << p.warnings.Summary();
  }
}

TEST(DocxPackage, APartThatFailsItsCheckReadsAsEmptyNotAsPartialBytes) {
  std::string zip = StoredZip({{"_rels/.rels", kPackageRels}, {"word/document.xml", kDocument}});
  const size_t at = zip.find("<w:body/>");
  ASSERT_NE(at, std::string::npos);
  zip[at + 1] = 'W';  // the stored bytes no longer match their CRC
  vn::TStringStream bytes(zip);
  vn::Diagnostics warnings;
  TvnDOCXPackage package(bytes, TvnFileMode::tfOpened, &warnings);
  ASSERT_TRUE(package.DocLoaded());
  EXPECT_EQ(Bytes(package.GetMainDocumentStream()), "");
  EXPECT_NE(warnings.Summary().find("word/document.xml\" is damaged"), std::string::npos) << warnings.Summary();
}

TEST(DocxPackage, BytesThatAreNoZipArchiveRaiseTheZipLayersError) {
  vn::TStringStream bytes("plain text, not a package");
  EXPECT_THROW(TvnDOCXPackage(bytes, TvnFileMode::tfOpened), vn::Exception);
}

}  // namespace package_test
