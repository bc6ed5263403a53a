#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "pdf/base_doc.h"
#include "pdf/exceptions.h"
#include "pdf_file_builder.h"
#include "runtime/exceptions.h"
#include "support/paths.h"

namespace vn::pdf::base_doc_test {
namespace {

using testing::PdfFileBuilder;

struct Loaded {
  std::shared_ptr<vn::TMemoryStream> file;
  std::unique_ptr<TvnPDBaseDoc> doc = std::make_unique<TvnPDBaseDoc>();
};

Loaded Load(const PdfFileBuilder& b, const std::string& password = "") {
  Loaded l;
  l.file = b.Stream();
  l.doc->LoadDocument(l.file.get(), password);
  return l;
}

PdfFileBuilder Simple(const std::string& trailer_extra = "") {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  b.Obj(2, "<</Type/Pages/Kids[3 0 R]/Count 1>>");
  b.Obj(3, "<</Type/Page/Parent 2 0 R/Contents 4 0 R>>");
  b.Obj(4, "<</Length 5 0 R>>stream\nq 1 0 0 1 0 0 cm Q\nendstream");
  b.Obj(5, "18");
  b.Obj(6, "<</Title (T)>>");
  b.ClassicTable("/Size 7/Root 1 0 R" + trailer_extra);
  return b;
}

TEST(PdfBaseDoc, OpensAnUnencryptedFileWithAnyPassword) {
  Loaded l = Load(Simple(), "whatever");
  EXPECT_FALSE(l.doc->GetIsEncrypted());
  EXPECT_FALSE(l.doc->GetIsOwner());
  TvnPDDictionary* root = l.doc->GetDocRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->GetDict()->Isof("Catalog"));
  EXPECT_EQ(l.doc->GetDocRoot(), root);
  EXPECT_EQ(l.doc->GetEncrypt(), nullptr);
}

// The document collects what its reader repaired, afresh for each load.
TEST(PdfBaseDoc, RepairsOfTheFileAreCollected) {
  PdfFileBuilder broken;
  broken.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  broken.Obj(2, "<</Type/Pages/Kids[]/Count 0>>");
  broken.Raw("startxref\n99999\n%%EOF");
  Loaded l = Load(broken);
  EXPECT_NE(l.doc->GetDocRoot(), nullptr);
  EXPECT_NE(l.doc->GetDiagnostics().Summary().find("rebuilt"), std::string::npos) << l.doc->GetDiagnostics().Summary();
  auto sound = Simple().Stream();
  l.doc->LoadDocument(sound.get(), "");
  EXPECT_TRUE(l.doc->GetDiagnostics().Empty()) << l.doc->GetDiagnostics().Summary();
}

TEST(PdfBaseDoc, ObjectsAreFetchedOnceAndOwnedByTheDocument) {
  Loaded l = Load(Simple());
  TvnPDBaseObject* page = l.doc->GetObject(3);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(l.doc->GetObject(3), page);
  EXPECT_EQ(l.doc->GetObject(999), nullptr);
  // References inside fetched objects are followed through the document.
  TvnPDBaseObject* contents = page->AsDict()->LookUp("Contents");
  ASSERT_NE(contents, nullptr);
  ASSERT_TRUE(contents->IsStream());
  EXPECT_EQ(contents, l.doc->GetObject(4));
  std::string data;
  contents->AsStream()->Reset();
  contents->AsStream()->GetStream()->Read(data, 100);
  EXPECT_EQ(data, "q 1 0 0 1 0 0 cm Q");  // indirect Length
  EXPECT_EQ(contents->GetObjNumber(), 4);
  EXPECT_FALSE(l.doc->IsObjectWritten(4));
  EXPECT_FALSE(l.doc->IsObjectWritten(77));
}

TEST(PdfBaseDoc, ObjectsFetchedBeforeTheCatalogKeepTheirPlaces) {
  // Objects asked for before the catalog (here the Info dictionary and a
  // plain number) must neither replace the encryption dictionary nor the
  // catalog.
  Loaded l = Load(Simple("/Info 6 0 R"));
  TvnPDBaseObject* five = l.doc->GetObject(5);
  TvnPDDictionary* info = l.doc->GetDocInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->LookUp("Title")->GetText(), "(T)");
  EXPECT_EQ(l.doc->GetEncrypt(), nullptr);
  EXPECT_TRUE(l.doc->GetDocRoot()->GetDict()->Isof("Catalog"));
  EXPECT_EQ(l.doc->GetObject(5), five);
  EXPECT_EQ(l.doc->GetObject(6), info);
}

TEST(PdfBaseDoc, InfoIsCreatedWhenMissing) {
  Loaded l = Load(Simple());
  const int64_t last = l.doc->GetReader()->GetXRef()->GetLastObjectNumber();
  TvnPDDictionary* info = l.doc->GetDocInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->LookUp("Producer")->GetText(), "(Vintrope Brisquel v 4.0)");
  EXPECT_EQ(info->GetObjNumber(), last + 1);
  EXPECT_EQ(l.doc->GetTrailer()->LookupRefObj("Info")->GetText(), std::to_string(last + 1) + " 0 R");
  EXPECT_EQ(l.doc->GetDocInfo(), info);
  EXPECT_EQ(l.doc->GetObject(last + 1), info);
}

TEST(PdfBaseDoc, FullSaveTrailerHasNoPrev) {
  Loaded l = Load(Simple("/Prev 9"));
  EXPECT_EQ(l.doc->GetTrailer()->LookupRefObj("Prev"), nullptr);
}

// A Root that names no catalog with pages fails only when the file holds
// none: otherwise the catalog found among the objects is the document's.
TEST(PdfBaseDoc, CatalogErrors) {
  struct Case {
    std::string trailer, message;
  } cases[] = {
      {"/Root 3 0 R", "No Page Entry in Catalog"},
      {"/Root 5 0 R", "Catalog not found"},
      {"/Root 99 0 R", "Catalog not found"},
      {"", "No Page Entry in Catalog"},  // the rebuild takes the catalog without pages
  };
  for (const Case& c : cases) {
    for (bool with_catalog : {false, true}) {
      SCOPED_TRACE(c.trailer + (with_catalog ? " with a catalog elsewhere" : ""));
      PdfFileBuilder b;
      b.Obj(1, with_catalog ? "<</Type/Catalog/Pages 2 0 R>>" : "<</Title (not a catalog)>>");
      b.Obj(2, "<</Type/Pages/Kids[]/Count 0>>");
      b.Obj(3, "<</Type/Catalog>>");
      b.Obj(5, "12");
      b.ClassicTable("/Size 6" + c.trailer);
      Loaded l = Load(b);
      if (with_catalog) {
        TvnPDDictionary* root = l.doc->GetDocRoot();
        EXPECT_EQ(root->GetObjNumber(), 1);
        EXPECT_EQ(l.doc->GetTrailer()->LookupRefObj("Root")->GetObjNumber(), 1);  // a save names it
        continue;
      }
      try {
        l.doc->GetDocRoot();
        ADD_FAILURE() << c.trailer;
      } catch (const vn::EBrisquel& e) {
        EXPECT_EQ(std::string(e.what()), c.message) << c.trailer;
      }
    }
  }
}

// The catalog may be found inside an object stream too, and the repair is
// reported.
TEST(PdfBaseDoc, CatalogInAnObjectStreamIsFound) {
  PdfFileBuilder b;
  const std::string header = "2 0 ";
  const std::string body = "<</Type/Catalog/Pages 3 0 R>>";
  b.Obj(1, "<</Type/ObjStm/N 1/First " + std::to_string(header.size()) + "/Length " +
               std::to_string(header.size() + body.size()) + ">>stream\n" + header + body + "\nendstream");
  b.Obj(3, "<</Type/Pages/Kids[]/Count 0>>");
  b.Obj(4, "<</Title (Info)>>");
  b.XRefStream(5, {{0, 0, 65535}, {1, b.OffsetOf(1), 0}, {2, 1, 0}, {1, b.OffsetOf(3), 0}, {1, b.OffsetOf(4), 0}},
               "0 5", "/Size 6/Root 4 0 R");
  Loaded l = Load(b);
  ASSERT_EQ(l.doc->GetDocRoot()->GetObjNumber(), 2);
  EXPECT_NE(l.doc->GetDiagnostics().Summary().find("Root"), std::string::npos) << l.doc->GetDiagnostics().Summary();
}

TEST(PdfBaseDoc, EncryptedFilesAreRefused) {
  PdfFileBuilder b;
  b.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  b.Obj(2, "<</Type/Pages/Kids[]/Count 0>>");
  b.Obj(3, "<</Filter/Standard/V 2/R 3/Length 128/O<00>/U<00>/P -4>>");
  b.ClassicTable("/Size 4/Root 1 0 R/Encrypt 3 0 R/ID[<01><02>]");
  auto file = b.Stream();
  TvnPDBaseDoc doc;
  try {
    doc.LoadDocument(file.get(), "");
    ADD_FAILURE();
  } catch (const ExInvalidPassword& e) {
    EXPECT_STREQ(e.what(), "Invalid password");
  }
  EXPECT_TRUE(doc.GetIsEncrypted());
  ASSERT_NE(doc.GetEncrypt(), nullptr);
  EXPECT_EQ(doc.GetEncrypt()->LookUp("R")->GetText(), "3");
}

TEST(PdfBaseDoc, DocumentID) {
  Loaded l = Load(Simple("/ID[<0102> (ab)]"));
  std::string a = "x", b = "y";
  l.doc->GetDocID(a, b);
  EXPECT_EQ(a, "\x01\x02");
  EXPECT_EQ(b, "ab");
  l.doc->SetDocID("\xff", "Z");
  l.doc->GetDocID(a, b);
  EXPECT_EQ(a, "\xff");
  EXPECT_EQ(b, "Z");

  Loaded none = Load(Simple());
  a = "keep";
  none.doc->GetDocID(a, b);
  EXPECT_EQ(a, "keep");
  none.doc->SetDocID("i", "p");
  EXPECT_EQ(none.doc->GetTrailer()->LookUp("ID")->GetText(), "[ <69> <70> ]");
}

// The ID strings are raw bytes (the file key is made from the first one):
// bytes that start FE FF are not text, and a last odd digit is followed by 0.
TEST(PdfBaseDoc, DocumentIDIsRawBytes) {
  struct Case {
    std::string id, first;
  } cases[] = {
      {"<FEFF0041>", std::string("\xFE\xFF\x00\x41", 4)},
      {"<414>", "A@"},
  };
  for (const Case& c : cases) {
    Loaded l = Load(Simple("/ID[" + c.id + " <00>]"));
    std::string a, b;
    l.doc->GetDocID(a, b);
    EXPECT_EQ(a, c.first) << c.id;
  }
}

TEST(PdfBaseDoc, Linearization) {
  PdfFileBuilder lin;
  lin.Obj(7, "<</Linearized 1/L 1000>>");
  lin.Obj(1, "<</Type/Catalog/Pages 2 0 R>>");
  lin.Obj(2, "<</Type/Pages/Kids[]/Count 0>>");
  lin.ClassicTable("/Size 8/Root 1 0 R");
  Loaded l = Load(lin);
  ASSERT_NE(l.doc->GetLinearized(), nullptr);
  EXPECT_EQ(l.doc->GetLinearized()->LookUp("L")->GetText(), "1000");
  EXPECT_EQ(Load(Simple()).doc->GetLinearized(), nullptr);
}

TEST(PdfBaseDoc, CollectionRules) {
  TvnPDBaseDoc doc;
  EXPECT_THROW(doc.AddToCollection(nullptr), ExInvalidObject);
  doc.AddToCollection(std::make_unique<TvnPDDictionary>(5, 0, &doc));
  EXPECT_THROW(doc.AddToCollection(std::make_unique<TvnPDDictionary>(5, 0, &doc)), vn::EListError);
  EXPECT_NE(doc.GetObject(5), nullptr);
  EXPECT_EQ(doc.GetObject(6), nullptr);  // nothing loaded
}

TEST(PdfBaseDoc, FilesByName) {
  TvnPDBaseDoc doc;
  EXPECT_THROW(doc.LoadDocument(std::filesystem::path("/nonexistent/file.pdf"), ""), ExFileNotFound);
  const auto dir = std::filesystem::temp_directory_path() / "base_doc_test";
  std::filesystem::create_directories(dir);
  const auto path = dir / "simple.pdf";
  Simple().Stream()->SaveToFile(path);
  doc.LoadDocument(path, "");
  EXPECT_NE(doc.GetObject(3), nullptr);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vn::pdf::base_doc_test

namespace vn::pdf::base_doc_test {
namespace {

// Encrypted files of the corpus (skipped without it).
std::filesystem::path CorpusPdf(const char* name) { return std::filesystem::path(VN_CORPUS_DIR) / "pdf" / name; }

TEST(PdfBaseDocEncrypted, PasswordsDecideOwnership) {
  if (!std::filesystem::exists(CorpusPdf("qpdf_enc-R3_V2_U-view_O-master.pdf"))) GTEST_SKIP() << "corpus missing";
  struct Case {
    const char* file;
    std::string password;
    bool opens, owner;
  } cases[] = {
      {"qpdf_enc-R3_V2_U-view_O-master.pdf", "view", true, false},
      {"qpdf_enc-R3_V2_U-view_O-master.pdf", "master", true, true},
      {"qpdf_enc-R3_V2_U-view_O-master.pdf", "wrong", false, false},
      {"qpdf_enc-R3_V2_U-view_O-master.pdf", "", false, false},
      {"qpdf_enc-R2_V1_U-view_O-master.pdf", "view", true, false},
      {"qpdf_c-r4.pdf", "user2", true, false},
      {"qpdf_c-r4.pdf", "owner2", true, true},
      {"qpdf_enc-long-password.pdf", "asdf asdf asdf asdf asdf asdf qw", true, true},  // also the owner password
      {"qpdf_enc-long-password.pdf", "asdf asdf asdf asdf asdf asdf q", false, false},
  };
  for (const Case& c : cases) {
    TvnPDBaseDoc doc;
    try {
      doc.LoadDocument(CorpusPdf(c.file), c.password);
      EXPECT_TRUE(c.opens) << c.file << " " << c.password;
      EXPECT_EQ(doc.GetIsOwner(), c.owner) << c.file << " " << c.password;
      EXPECT_TRUE(doc.GetIsEncrypted());
      EXPECT_EQ(doc.GetPassword(), c.password);
      EXPECT_NE(doc.GetDocRoot(), nullptr);
    } catch (const ExInvalidPassword&) {
      EXPECT_FALSE(c.opens) << c.file << " " << c.password;
    }
  }
}

TEST(PdfBaseDocEncrypted, DecryptedStringsAndUnsupportedHandlers) {
  if (!std::filesystem::exists(CorpusPdf("qpdf_enc-R3_V2_U-view_O-master.pdf"))) GTEST_SKIP() << "corpus missing";
  TvnPDBaseDoc doc;
  doc.LoadDocument(CorpusPdf("qpdf_enc-R3_V2_U-view_O-master.pdf"), "view");
  TvnPDBaseObject* outline = doc.GetObject(97);
  ASSERT_NE(outline, nullptr);
  EXPECT_EQ(outline->AsDict()->LookUp("Title")->AsString()->GetValue(), "Trepak 2 -> 15: /XYZ 66 756 3");

  TvnPDBaseDoc aes256;
  EXPECT_THROW(aes256.LoadDocument(CorpusPdf("qpdf_enc-XI-R6_V5_U-view_O-master.pdf"), "view"), ExUnsupportedEncryption);
}

TEST(PdfBaseDocEncrypted, PermissionsAreOnlyAdded) {
  if (!std::filesystem::exists(CorpusPdf("qpdf_enc-R3_V2_U-view_O-master.pdf"))) GTEST_SKIP() << "corpus missing";
  using T = TvnUserPermissionsType;
  TvnPDBaseDoc doc;
  doc.LoadDocument(CorpusPdf("qpdf_enc-R3_V2_U-view_O-master.pdf"), "view");
  const uint32_t p = static_cast<uint32_t>(doc.GetEncryptSettings()->Permission);
  TvnUserPermissions granted = doc.GetPermissions({});
  EXPECT_EQ(granted.Contains(T::AllowPrint), (p & 4) != 0);
  EXPECT_EQ(granted.Contains(T::AllowCopy), (p & 16) != 0);
  EXPECT_EQ(granted.Contains(T::AllowFormFill), (p & 256) != 0);
  TvnUserPermissions more = doc.GetPermissions({T::AllowCopy, T::AllowHighResPrint});
  EXPECT_TRUE(more.Contains(T::AllowCopy));
  EXPECT_TRUE(more.Contains(T::AllowHighResPrint));
  EXPECT_EQ(more.Contains(T::AllowPrint), (p & 4) != 0);
}

}  // namespace
}  // namespace vn::pdf::base_doc_test
