// The package over compound files built in memory: the table stream the
// FIB names, and the files it refuses before any part is used.
#include "doc/doc_package.h"

#include <gtest/gtest.h>

#include "compound_file_builder.h"

namespace doc_package_test {

using vn::doc::EDOCFormatError;
using vn::doc::TvnDOCPackage;
using vn::doc::testing::CompoundFileBuilder;

// A WordDocument stream: a FIB of 4096 bytes with identifier, version and
// flags word.
std::string WordDocument(uint16_t ident, uint16_t nfib, uint16_t flags) {
  std::string s(4096, '\0');
  CompoundFileBuilder::Put16(s, 0, ident);
  CompoundFileBuilder::Put16(s, 2, nfib);
  CompoundFileBuilder::Put16(s, 10, flags);
  return s;
}

constexpr uint16_t kWhichTable = 0x0200;

std::string Build(CompoundFileBuilder& b) { return b.Build(); }

TEST(DocPackage, TakesTheTableStreamTheFibNames) {
  const struct {
    const char* name;
    bool with0, with1;
    uint16_t flags;
    std::string table;
  } cases[] = {
      {"both, flag set", true, true, kWhichTable, "one"},
      {"both, flag clear", true, true, 0, "zero"},
      {"only 0Table, flag set", true, false, kWhichTable, "zero"},
      {"only 1Table, flag clear", false, true, 0, "one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CompoundFileBuilder b;
    b.Stream(u"WordDocument", WordDocument(0xA5EC, 0xC1, c.flags));
    if (c.with0) b.Stream(u"0Table", "zero");
    if (c.with1) b.Stream(u"1Table", "one");
    vn::TStringStream input(Build(b));
    TvnDOCPackage package(&input, u"");
    EXPECT_EQ(package.OLESSRoot()->FTableStream.View(), c.table);
    EXPECT_EQ(package.FIBBase()->FFWhichTableStream, c.flags ? 1u : 0u);
    EXPECT_EQ(package.BinaryReader()->Length(), input.Size());
  }
}

TEST(DocPackage, RefusesDocumentsItCannotRead) {
  const struct {
    const char* name;
    std::string word_document;
    const char* message;
  } cases[] = {
      {"no WordDocument stream", "", "The file holds no WordDocument stream"},
      {"Word 6 or 95 identifier", WordDocument(0xA5DC, 0x65, 0), "Documents older than Word 97 are not supported"},
      {"an old version", WordDocument(0xA5EC, 0x68, 0), "Documents older than Word 97 are not supported"},
      {"another identifier", WordDocument(0x1234, 0xC1, 0), "The file is not a Word 97-2003 document"},
      {"encrypted", WordDocument(0xA5EC, 0xC1, 0x0100), "Encrypted documents are not supported"},
      {"obfuscated", WordDocument(0xA5EC, 0xC1, 0x8100), "Encrypted documents are not supported"},
  };
  for (const auto& c : cases) {
    CompoundFileBuilder b;
    b.Stream(u"1Table", "table");
    if (!c.word_document.empty()) b.Stream(u"WordDocument", c.word_document);
    vn::TStringStream input(Build(b));
    try {
      TvnDOCPackage package(&input, u"");
      ADD_FAILURE() << c.name << ": opened";
    } catch (const EDOCFormatError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
  }
}

TEST(DocPackage, OpensAFileItselfAndClosesOnlyWhatItOwns) {
  EXPECT_THROW(TvnDOCPackage(std::filesystem::path("/no/such/file.doc"), u""), vn::EFOpenError);
  CompoundFileBuilder b;
  b.Stream(u"WordDocument", WordDocument(0xA5EC, 0xC1, 0)).Stream(u"0Table", "zero");
  const std::string bytes = Build(b);
  const auto path = std::filesystem::temp_directory_path() / "package.doc";
  vn::WriteFileBytes(path, bytes);
  TvnDOCPackage from_file(path, u"");
  EXPECT_EQ(from_file.OLESSRoot()->FTableStream.View(), "zero");
  from_file.Close();
  EXPECT_EQ(from_file.OLESSRoot(), nullptr);
  // A borrowed stream stays the caller's after Close.
  vn::TStringStream input(bytes);
  TvnDOCPackage borrowed(&input, u"");
  borrowed.Close();
  EXPECT_EQ(input.Size(), static_cast<int64_t>(bytes.size()));
}

}  // namespace doc_package_test
